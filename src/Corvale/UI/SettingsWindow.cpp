#include "Corvale/UI/SettingsWindow.hpp"

#include "Corvale/UI/Symbols.hpp"

#include <QFrame>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPalette>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace corvale {

SettingsWindow::SettingsWindow(std::vector<PaneItem> panes, Detail detail, int initial,
                               int sidebarWidth, QWidget* parent)
    : QWidget(parent), sidebar_(new QListWidget(this)), details_(new QStackedWidget(this)),
      made_(panes.size(), nullptr), detail_(std::move(detail)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // The sidebar sits on a slightly darker strip of its own, edge to edge.
    auto* strip = new QWidget(this);
    strip->setFixedWidth(sidebarWidth);
    strip->setAutoFillBackground(true);
    QPalette stripColours = strip->palette();
    stripColours.setColor(QPalette::Window, palette().color(QPalette::Window).darker(106));
    strip->setPalette(stripColours);
    auto* stripLayout = new QVBoxLayout(strip);
    stripLayout->setContentsMargins(8, 12, 8, 12);
    sidebar_->setParent(strip);
    sidebar_->setIconSize(QSize(18, 18));
    sidebar_->setFrameShape(QFrame::NoFrame);
    sidebar_->setSpacing(2);
    sidebar_->viewport()->setAutoFillBackground(false);
    sidebar_->setStyleSheet(QStringLiteral("QListWidget { background: transparent; }"
                                           "QListWidget::item { padding: 5px 6px; }"));
    stripLayout->addWidget(sidebar_);
    for (const PaneItem& pane : panes) {
        sidebar_->addItem(new QListWidgetItem(pane.icon, pane.title));
    }
    for (std::size_t i = 0; i < panes.size(); ++i) {
        details_->addWidget(new QWidget(details_));
    }
    layout->addWidget(strip);
    layout->addWidget(details_, 1);

    QObject::connect(sidebar_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0) {
            return;
        }
        setPane(row);
        if (onPaneChosen) {
            onPaneChosen(row);
        }
    });
    setPane(initial);
}

int SettingsWindow::pane() const {
    return details_->currentIndex();
}

void SettingsWindow::setPane(int index) {
    if (index < 0 || index >= static_cast<int>(made_.size())) {
        return;
    }
    auto slot = static_cast<std::size_t>(index);
    if (made_[slot] == nullptr) {
        made_[slot] = detail_(index);
        QWidget* placeholder = details_->widget(index);
        details_->insertWidget(index, made_[slot]);
        details_->removeWidget(placeholder);
        delete placeholder;
    }
    details_->setCurrentIndex(index);
    if (sidebar_->currentRow() != index) {
        QSignalBlocker quiet(sidebar_);
        sidebar_->setCurrentRow(index);
    }
}

QWidget* SettingsWindow::detail(int index) const {
    if (index < 0 || index >= static_cast<int>(made_.size())) {
        return nullptr;
    }
    return made_[static_cast<std::size_t>(index)];
}

QWidget* scrollingBody(QWidget& pane) {
    auto* outer = new QVBoxLayout(&pane);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(&pane);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    outer->addWidget(scroll);
    auto* body = new QWidget(scroll);
    scroll->setWidget(body);
    return body;
}

SettingsFooter::SettingsFooter(QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Mid);
    column->addWidget(line);
    content_ = new QHBoxLayout();
    content_->setContentsMargins(28, 10, 28, 12);
    content_->setSpacing(8);
    column->addLayout(content_);
}

} // namespace corvale
