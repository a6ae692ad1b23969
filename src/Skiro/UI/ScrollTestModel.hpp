#pragma once

#include "CorvaleCore/Subscribers.hpp"
#include "Skiro/Tap/InputTap.hpp"
#include "SkiroEngine/ScrollTest.hpp"

#include <QPointer>
#include <QRect>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace skiro {

// One scroll test while its page is on screen: takes the tap's scroll reports, keeps those made
// over the page and tells its owner when an answer was found. Only one model listens to the tap
// at a time, the one whose page was shown last. Main thread only.
class ScrollTestModel : public std::enable_shared_from_this<ScrollTestModel> {
public:
    using OnFound = std::function<void(const ScrollTest& test)>;

    static std::shared_ptr<ScrollTestModel> make(InputTap& tap);
    ~ScrollTestModel();
    ScrollTestModel(const ScrollTestModel&) = delete;
    ScrollTestModel& operator=(const ScrollTestModel&) = delete;

    const ScrollTest& test() const { return test_; }
    void setAxis(Axis axis);
    // Told after the axis or an answer of the test changes, and after every new `lastInput`.
    corvale::Subscription subscribe(std::function<void()> changed) {
        return changed_.add(std::move(changed));
    }

    OnFound onFound;

    // The page the scrolls must be made over; its view sets it.
    void setPage(QWidget* page) { page_ = page; }
    QWidget* page() const { return page_; }
    // The last scroll seen, only with test hooks on.
    const std::optional<std::string>& lastInput() const { return lastInput_; }

    // Forgets the answers and the last input, and goes back to the vertical axis.
    void restart();

    // When its page is shown: becomes the listener and has the tap report scrolls to it.
    void start();
    // When its page is hidden: if it listens, the page still showing that was shown last takes
    // the tap over, and without one the tap is let go; a model that no longer listens leaves
    // the tap alone.
    void stop();

    // The model that receives the tap's scrolls now, if any.
    static std::shared_ptr<ScrollTestModel> listening();
    // The listener's test to `axis`, and its page back into sight.
    static void switchListening(Axis axis);

    // The page's visible rectangle in global coordinates (top-left origin), if it shows.
    std::optional<QRect> pageFrame() const;
    // Whether `point` (global) is over the visible page, not covered by another window.
    bool isOverPage(QPoint point) const;

    // One scroll report from the tap.
    void scrollArrived(const ScrollSample& sample, double vertical, double horizontal,
                       double seconds, platform::Point location);

protected:
    explicit ScrollTestModel(InputTap& tap);

private:
    void listen();

    InputTap& tap_;
    ScrollTest test_;
    QPointer<QWidget> page_;
    std::optional<std::string> lastInput_;
    corvale::Subscribers<> changed_;
};

} // namespace skiro
