#pragma once

#include "CorvaleCore/Locked.hpp"

#include <QObject>
#include <QPointF>
#include <QRect>

#include <cstdint>
#include <vector>

namespace skiro {

// The application's own windows as the window server sees them: where they are, readable from
// any thread, and a scroll delivered to the one under a point as the toolkit's wheel event.
// A real system delivers scrolls to the application's windows itself; the simulated one asks
// this once every tap has had the scroll.
class OwnWindows final : public QObject {
public:
    // One scroll as it arrives: continuous ones in points, others in lines; phases as the
    // system numbers them.
    struct Scroll {
        QPointF at;
        bool continuous = false;
        double vertical = 0;
        double horizontal = 0;
        std::int64_t phase = 0;
        std::int64_t momentum = 0;
        bool shift = false;
    };

    // Starts following the windows. Main thread, once the application object exists.
    static void install();
    // Nothing before `install`. Any thread.
    static OwnWindows* installed();

    // Whether one of the windows shows at `point` (global). Any thread.
    bool covers(QPointF point) const;
    // Hands `scroll` to the widget under its point on the main thread. Any thread.
    void deliver(const Scroll& scroll);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    OwnWindows();
    void update();

    corvale::Locked<std::vector<QRect>> frames_;
};

} // namespace skiro
