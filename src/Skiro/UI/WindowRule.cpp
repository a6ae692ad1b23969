#include "Skiro/UI/WindowRule.hpp"

#include "CorvaleCore/AppIdentity.hpp"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <map>

namespace skiro::WindowsUI {

namespace {

constexpr int screenMargin = 40;
constexpr int heightWithoutScreen = 760;

// Kept by guarded pointers: what is left at exit stays with the process rather than being
// destroyed after the toolkit is gone.
std::map<std::string, QPointer<QWidget>>& windows() {
    static std::map<std::string, QPointer<QWidget>> table;
    return table;
}

// The keys a dialog answers, for a window that is not one: Return and Enter press the default
// button when the focused widget did not take them, Escape closes where asked.
class DialogKeys final : public QObject {
public:
    DialogKeys(QWidget* window, bool escapeCloses)
        : QObject(window), window_(window), escapeCloses_(escapeCloses) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != window_ || event->type() != QEvent::KeyPress) {
            return false;
        }
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            for (QPushButton* button : window_->findChildren<QPushButton*>()) {
                if (button->isDefault() && button->isVisible() && button->isEnabled()) {
                    button->click();
                    return true;
                }
            }
        } else if (key == Qt::Key_Escape && escapeCloses_) {
            window_->close();
            return true;
        }
        return false;
    }

private:
    QWidget* window_;
    bool escapeCloses_;
};

int fittingHeight(QWidget& content, int width) {
    // Fonts and margins as they will show, before anything is measured.
    content.ensurePolished();
    const int forWidth = content.hasHeightForWidth() ? content.heightForWidth(width) : -1;
    return forWidth > 0 ? forWidth : content.sizeHint().height();
}

} // namespace

QWidget* showFitted(const std::string& identifier, int width, std::unique_ptr<QWidget> content,
                    bool escapeCloses) {
    auto& table = windows();
    if (auto open = table.find(identifier); open != table.end()) {
        // Closed first, so that what it let go of (the tap's listener) is free for the new one.
        if (QWidget* old = open->second) {
            old->close();
            old->deleteLater();
        }
        table.erase(open);
    }
    auto* window = new QWidget(nullptr, Qt::Window);
    window->setObjectName(QString::fromStdString(identifier));
    window->setWindowTitle(QString::fromStdString(corvale::AppIdentity::current().name));
    window->installEventFilter(new DialogKeys(window, escapeCloses));
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);

    const int fitting = fittingHeight(*content, width);
    QScreen* screen = QGuiApplication::primaryScreen();
    const int limit =
        screen ? screen->availableGeometry().height() - screenMargin : heightWithoutScreen;
    if (fitting <= limit) {
        layout->addWidget(content.release());
    } else {
        // Too tall for the screen: the content scrolls inside the window.
        auto* scroll = new QScrollArea(window);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidgetResizable(true);
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll->setWidget(content.release());
        layout->addWidget(scroll);
    }
    window->setFixedSize(width, std::min(fitting, limit));
    window->show();
    // Centred once shown, when the frame around the content is known.
    centre(*window);
    // Offscreen windows have no stacking to change; the newest is on top anyway.
    if (QGuiApplication::platformName() != QStringLiteral("offscreen")) {
        window->raise();
    }
    window->activateWindow();
    table[identifier] = window;
    return window;
}

void centre(QWidget& window) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
}

QWidget* window(const std::string& identifier) {
    auto found = windows().find(identifier);
    return found == windows().end() ? nullptr : found->second.get();
}

} // namespace skiro::WindowsUI
