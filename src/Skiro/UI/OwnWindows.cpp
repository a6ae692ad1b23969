#include "Skiro/UI/OwnWindows.hpp"

#include "CorvaleCore/Dispatch.hpp"
#include "CorvaleCore/HandOff.hpp"
#include "SkiroEngine/ScrollSample.hpp"

#include <QApplication>
#include <QEvent>
#include <QWheelEvent>
#include <QWidget>

#include <atomic>
#include <cmath>

namespace skiro {

namespace {

std::atomic<OwnWindows*> shared{nullptr};

// One line of a wheel is 15 degrees, in eighths of a degree.
constexpr double angleOfLine = 120;

Qt::ScrollPhase phaseOf(const OwnWindows::Scroll& scroll) {
    using Phase = ScrollSample::Phase;
    if (scroll.momentum != 0) {
        return Qt::ScrollMomentum;
    }
    switch (scroll.phase) {
    case Phase::began:
    case Phase::mayBegin:
        return Qt::ScrollBegin;
    case Phase::changed:
        return Qt::ScrollUpdate;
    case Phase::ended:
    case Phase::canceled:
        return Qt::ScrollEnd;
    default:
        return Qt::NoScrollPhase;
    }
}

QPoint rounded(double x, double y) {
    return {static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y))};
}

} // namespace

OwnWindows::OwnWindows() = default;

void OwnWindows::install() {
    if (shared.load() != nullptr) {
        return;
    }
    // Kept for the rest of the process, as the routing threads may ask it at any time.
    auto* windows = new OwnWindows();
    qApp->installEventFilter(windows);
    windows->update();
    shared.store(windows);
}

OwnWindows* OwnWindows::installed() {
    return shared.load();
}

bool OwnWindows::covers(QPointF point) const {
    return frames_.with([&](const std::vector<QRect>& frames) {
        for (const QRect& frame : frames) {
            if (frame.contains(point.toPoint())) {
                return true;
            }
        }
        return false;
    });
}

void OwnWindows::deliver(const Scroll& scroll) {
    corvale::DispatchQueue::main().async([scroll] {
        QWidget* target = QApplication::widgetAt(scroll.at.toPoint());
        if (target == nullptr) {
            return;
        }
        const QPoint pixels =
            scroll.continuous ? rounded(scroll.horizontal, scroll.vertical) : QPoint();
        const QPoint angle = scroll.continuous ? pixels
                                               : rounded(scroll.horizontal * angleOfLine,
                                                         scroll.vertical * angleOfLine);
        QWheelEvent wheel(target->mapFromGlobal(scroll.at), scroll.at, pixels, angle, Qt::NoButton,
                          scroll.shift ? Qt::ShiftModifier : Qt::NoModifier, phaseOf(scroll),
                          false);
        // The toolkit passes an event the widget ignores on to its parents.
        QApplication::sendEvent(target, &wheel);
    });
}

bool OwnWindows::eventFilter(QObject* watched, QEvent* event) {
    // It sees every event, those posted from other threads too.
    corvale::handOff::delivered();
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Move:
    case QEvent::Resize:
        if (watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow()) {
            // After the event has been handled, when the geometry is the new one.
            corvale::DispatchQueue::main().async([this] { update(); });
        }
        break;
    default:
        break;
    }
    return false;
}

void OwnWindows::update() {
    std::vector<QRect> frames;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible()) {
            frames.push_back(window->frameGeometry());
        }
    }
    frames_.set(std::move(frames));
}

} // namespace skiro
