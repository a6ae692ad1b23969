#include "Skiro/UI/ScrollTestModel.hpp"

#include "CorvaleCore/MainHop.hpp"
#include "CorvaleCore/SharedOnly.hpp"
#include "CorvaleCore/Text.hpp"

#include <QApplication>
#include <QScrollArea>

#include <vector>

namespace skiro {

namespace {

// The one listener, held weakly: a page that goes away without stopping leaves nobody.
std::weak_ptr<ScrollTestModel>& listener() {
    static std::weak_ptr<ScrollTestModel> model;
    return model;
}

// The models whose pages show, the one shown last at the back: when the listener's page is
// hidden, the page still showing that was shown most recently takes the tap back.
std::vector<std::weak_ptr<ScrollTestModel>>& showing() {
    static std::vector<std::weak_ptr<ScrollTestModel>> models;
    return models;
}

// Takes `model` (and any that went away) out of the pages that show.
void forget(const ScrollTestModel* model) {
    std::erase_if(showing(), [model](const std::weak_ptr<ScrollTestModel>& shown) {
        const std::shared_ptr<ScrollTestModel> alive = shown.lock();
        return !alive || alive.get() == model;
    });
}

} // namespace

std::shared_ptr<ScrollTestModel> ScrollTestModel::make(InputTap& tap) {
    return corvale::makeShared<ScrollTestModel>(tap);
}

ScrollTestModel::ScrollTestModel(InputTap& tap) : tap_(tap) {}

ScrollTestModel::~ScrollTestModel() = default;

void ScrollTestModel::setAxis(Axis axis) {
    test_.setAxis(axis);
    changed_.notify();
}

void ScrollTestModel::restart() {
    test_ = ScrollTest();
    lastInput_.reset();
    changed_.notify();
}

void ScrollTestModel::start() {
    forget(this);
    showing().push_back(weak_from_this());
    listen();
}

void ScrollTestModel::listen() {
    listener() = weak_from_this();
    tap_.observer().setOnScroll(corvale::weakly(
        weak_from_this(), [](ScrollTestModel& model, const ScrollSample& sample, double vertical,
                             double horizontal, double seconds, platform::Point at) {
            model.scrollArrived(sample, vertical, horizontal, seconds, at);
        }));
    tap_.observer().setObserving(true);
}

void ScrollTestModel::stop() {
    forget(this);
    if (listener().lock().get() != this) {
        return;
    }
    if (!showing().empty()) {
        showing().back().lock()->listen();
        return;
    }
    tap_.observer().setOnScroll(nullptr);
    tap_.observer().setObserving(false);
    listener().reset();
}

std::shared_ptr<ScrollTestModel> ScrollTestModel::listening() {
    return listener().lock();
}

void ScrollTestModel::switchListening(Axis axis) {
    std::shared_ptr<ScrollTestModel> model = listening();
    if (!model) {
        return;
    }
    model->setAxis(axis);
    QWidget* page = model->page();
    for (QWidget* above = page ? page->parentWidget() : nullptr; above != nullptr;
         above = above->parentWidget()) {
        if (auto* area = qobject_cast<QScrollArea*>(above)) {
            area->ensureWidgetVisible(page, 0, 0);
            return;
        }
    }
}

std::optional<QRect> ScrollTestModel::pageFrame() const {
    if (!page_ || !page_->window()->isVisible()) {
        return std::nullopt;
    }
    const QRect visible = page_->visibleRegion().boundingRect();
    if (visible.isEmpty()) {
        return std::nullopt;
    }
    // The toolkit's global coordinates already start at the main screen's top left.
    return QRect(page_->mapToGlobal(visible.topLeft()), visible.size());
}

bool ScrollTestModel::isOverPage(QPoint point) const {
    const std::optional<QRect> frame = pageFrame();
    if (!frame || !frame->contains(point) || !page_) {
        return false;
    }
    return QApplication::topLevelAt(point) == page_->window();
}

void ScrollTestModel::scrollArrived(const ScrollSample& sample, double vertical, double horizontal,
                                    double seconds, platform::Point location) {
    const bool over = isOverPage(QPointF(location.x, location.y).toPoint());
    const bool recorded = tap_.hooksOn();
    if (recorded) {
        lastInput_ = std::string(toString(sample.device)) + " v " + corvale::realText(vertical) +
                     " h " + corvale::realText(horizontal) + " on the page " +
                     (over ? "true" : "false");
    }
    const bool changed = over && test_.scrolled(sample, vertical, horizontal, seconds);
    // Subscribers redraw: only when an answer or the last input is new, not on every scroll.
    if (changed || recorded) {
        changed_.notify();
    }
    if (changed && onFound) {
        onFound(test_);
    }
}

} // namespace skiro
