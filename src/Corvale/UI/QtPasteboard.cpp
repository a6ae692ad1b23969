#include "Corvale/UI/QtPasteboard.hpp"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace corvale {

void QtPasteboard::clearContents() {
    QGuiApplication::clipboard()->clear();
}

void QtPasteboard::setString(const std::string& text) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

std::optional<std::string> QtPasteboard::string() const {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (data == nullptr || !data->hasText()) {
        return std::nullopt;
    }
    return data->text().toStdString();
}

} // namespace corvale
