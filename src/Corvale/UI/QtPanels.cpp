#include "Corvale/UI/QtPanels.hpp"

#include "CorvaleCore/AppIdentity.hpp"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QStringList>

namespace corvale {

namespace {

constexpr int alertTextWidth = 420;

QString filter(const std::vector<std::string>& extensions) {
    if (extensions.empty()) {
        return {};
    }
    QStringList patterns;
    for (const std::string& extension : extensions) {
        patterns << QStringLiteral("*.") + QString::fromStdString(extension);
    }
    return QStringLiteral("(") + patterns.join(' ') + QStringLiteral(")");
}

// Where a file dialog starts: the user's documents, else the home folder, never the process's
// working folder.
QString startingFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QDir(documents).exists() ? documents : QDir::homePath();
}

std::optional<std::filesystem::path> chosen(const QString& file) {
    if (file.isEmpty()) {
        return std::nullopt;
    }
    return std::filesystem::path(file.toStdString());
}

} // namespace

std::optional<std::filesystem::path> QtPanels::askToSave(const SavePanel& panel) {
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setDirectory(startingFolder());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filter(panel.allowedExtensions));
    if (!panel.allowedExtensions.empty()) {
        dialog.setDefaultSuffix(QString::fromStdString(panel.allowedExtensions.front()));
    }
    dialog.setOption(QFileDialog::ReadOnly, !panel.canCreateFolders);
    dialog.selectFile(QString::fromStdString(panel.proposedName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return chosen(dialog.selectedFiles().constFirst());
}

std::optional<std::filesystem::path> QtPanels::askToOpen(const OpenPanel& panel) {
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setDirectory(startingFolder());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(panel.allowsMultipleSelection ? QFileDialog::ExistingFiles
                                                     : QFileDialog::ExistingFile);
    dialog.setNameFilter(filter(panel.allowedExtensions));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return chosen(dialog.selectedFiles().constFirst());
}

std::size_t QtPanels::runAlert(const Alert& alert) {
    QMessageBox box(QApplication::activeWindow());
    // Titled as the application calls itself, not as its executable is named.
    box.setWindowTitle(QString::fromStdString(AppIdentity::current().name));
    switch (alert.style) {
    case Alert::Style::informational:
        box.setIcon(QMessageBox::Information);
        break;
    case Alert::Style::warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Alert::Style::critical:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    box.setText(QString::fromStdString(alert.message));
    box.setInformativeText(QString::fromStdString(alert.informativeText));
    std::vector<std::string> titles = alert.buttons;
    if (titles.empty()) {
        titles.emplace_back("OK");
    }
    std::vector<QPushButton*> buttons;
    for (const std::string& title : titles) {
        // The first is the default; the roles only place them.
        buttons.push_back(
            box.addButton(QString::fromStdString(title),
                          buttons.empty() ? QMessageBox::AcceptRole : QMessageBox::RejectRole));
    }
    box.setDefaultButton(buttons.front());
    // Wide enough that a short question stays on a line or two.
    if (auto* text = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        text->setMinimumWidth(alertTextWidth);
    }
    box.exec();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (box.clickedButton() == buttons[i]) {
            return i;
        }
    }
    // Closed with Escape: the last button, the cancelling one.
    return buttons.size() - 1;
}

} // namespace corvale
