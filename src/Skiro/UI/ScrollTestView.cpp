#include "Skiro/UI/ScrollTestView.hpp"

#include "Corvale/UI/Labels.hpp"
#include "Corvale/UI/QtText.hpp"
#include "Corvale/UI/Symbols.hpp"
#include "Skiro/UI/DirectionsGrid.hpp"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QTabBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <cmath>
#include <string>

namespace skiro {

namespace {

// A line step of a wheel moves the page as far as this many points of a trackpad.
constexpr double pointsPerLine = 10;
const QColor answered(52, 168, 83);

std::string prompt(Axis axis) {
    return axis == Axis::vertical ? "Scroll down, the way you'd go down a page"
                                  : "Scroll right, the way you'd go along a wide page";
}

std::string hint(Axis axis, bool waiting) {
    if (waiting) {
        return "Allow Accessibility first: until then Skiro can't see scrolling.";
    }
    std::string text = "Over the page below, with the trackpad, the mouse, or both. Scroll the "
                       "way you would without thinking; scroll the other way to change it.";
    if (axis == Axis::horizontal) {
        text += " With a mouse wheel, hold Shift to scroll sideways.";
    }
    return text;
}

std::optional<Direction> answer(const ScrollTest& test, Device device) {
    auto found = test.found().find(device);
    if (found == test.found().end()) {
        return std::nullopt;
    }
    auto direction = found->second.find(test.axis());
    if (direction == found->second.end()) {
        return std::nullopt;
    }
    return direction->second;
}

} // namespace

PageView::PageView(std::shared_ptr<ScrollTestModel> model, QWidget* parent)
    : QWidget(parent), model_(std::move(model)) {
    model_->setPage(this);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

PageView::~PageView() {
    model_->stop();
}

void PageView::setAxis(Axis axis) {
    if (axis != axis_) {
        axis_ = axis;
        update();
    }
}

void PageView::rewind() {
    offset_ = 0;
    update();
}

QSize PageView::sizeHint() const {
    return {400, 150};
}

void PageView::wheelEvent(QWheelEvent* event) {
    const bool precise = !event->pixelDelta().isNull();
    const QPointF delta = precise ? QPointF(event->pixelDelta()) : event->angleDelta() / 120.0;
    double along = axis_ == Axis::horizontal ? delta.x() : delta.y();
    // A wheel without Shift on the sideways page still moves it.
    if (along == 0) {
        along = axis_ == Axis::horizontal ? delta.y() : delta.x();
    }
    offset_ += std::fabs(along) * (precise ? 1 : pointsPerLine);
    update();
    event->accept();
}

void PageView::showEvent(QShowEvent*) {
    model_->start();
}

void PageView::hideEvent(QHideEvent*) {
    model_->stop();
}

void PageView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QPalette& colors = palette();
    QPainterPath outline;
    outline.addRoundedRect(bounds, 8, 8);
    p.fillPath(outline, colors.color(QPalette::Base));
    p.setClipPath(outline);

    // Lines of a page going by: they move against the scroll, as content does.
    const qreal spacing = 22;
    const qreal shift = std::fmod(offset_, spacing);
    QColor ink = corvale::Labels::faint(colors);
    ink.setAlphaF(0.35f);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    if (axis_ == Axis::vertical) {
        int row = static_cast<int>(offset_ / spacing);
        for (qreal y = 14 - shift; y < height(); y += spacing, ++row) {
            const qreal length = (width() - 48) * (0.55 + 0.4 * ((row * 37) % 10) / 10.0);
            p.drawRoundedRect(QRectF(24, y, length, 7), 3.5, 3.5);
        }
    } else {
        int column = static_cast<int>(offset_ / spacing);
        for (qreal x = 14 - shift; x < width(); x += spacing, ++column) {
            const qreal length = (height() - 40) * (0.55 + 0.4 * ((column * 37) % 10) / 10.0);
            p.drawRoundedRect(QRectF(x, 20, 7, length), 3.5, 3.5);
        }
    }
    p.setClipping(false);
    p.setPen(QPen(colors.color(QPalette::Mid), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(outline);

    QFont font = p.font();
    font.setPointSize(font.pointSize() + 4);
    font.setBold(true);
    p.setFont(font);
    const QString label = QStringLiteral("Scroll here");
    const QRectF box = p.fontMetrics().boundingRect(label).adjusted(-14, -7, 14, 7);
    QRectF centred = box;
    centred.moveCenter(QRectF(rect()).center());
    p.setPen(Qt::NoPen);
    p.setBrush(colors.color(QPalette::Window));
    p.drawRoundedRect(centred, centred.height() / 2, centred.height() / 2);
    p.setPen(colors.color(QPalette::WindowText));
    p.drawText(centred, Qt::AlignCenter, label);
}

ScrollTestView::ScrollTestView(std::shared_ptr<ScrollTestModel> model, QWidget* parent)
    : QWidget(parent), model_(std::move(model)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    tabs_ = new QTabBar(this);
    tabs_->addTab(QStringLiteral("Up and down"));
    tabs_->addTab(QStringLiteral("Left and right"));
    tabs_->setExpanding(false);
    layout->addWidget(tabs_, 0, Qt::AlignHCenter);
    prompt_ = corvale::Labels::heading("", 13, this);
    layout->addWidget(prompt_);
    hint_ = corvale::Labels::secondary("", this);
    // Room for the longest hint, so that switching tabs never moves the page.
    hint_->setMinimumHeight(hint_->fontMetrics().lineSpacing() * 3);
    hint_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(hint_);
    page_ = new PageView(model_, this);
    page_->setFixedHeight(150);
    layout->addWidget(page_);

    auto* statuses = new QHBoxLayout();
    for (Device device : allCases<Device>) {
        const auto index = static_cast<std::size_t>(device);
        marks_[index] = corvale::Symbols::label("checkmark.circle.fill", 16, answered, this);
        statuses_[index] = corvale::Labels::text("", this);
        statuses_[index]->setWordWrap(false);
        statuses->addWidget(marks_[index]);
        statuses->addWidget(statuses_[index]);
        statuses->addSpacing(18);
    }
    statuses->addStretch();
    layout->addLayout(statuses);

    QObject::connect(tabs_, &QTabBar::currentChanged, this, [this](int index) {
        const Axis axis = index == 1 ? Axis::horizontal : Axis::vertical;
        if (ScrollTestModel::listening() == model_) {
            ScrollTestModel::switchListening(axis);
        } else {
            model_->setAxis(axis);
        }
    });
    changes_ = model_->subscribe([this] { refresh(); });
    refresh();
}

void ScrollTestView::restart() {
    page_->rewind();
    model_->restart();
}

void ScrollTestView::setWaiting(bool waiting) {
    waiting_ = waiting;
    refresh();
}

void ScrollTestView::refresh() {
    const ScrollTest& test = model_->test();
    const Axis axis = test.axis();
    {
        const QSignalBlocker quiet(tabs_);
        tabs_->setCurrentIndex(axis == Axis::horizontal ? 1 : 0);
    }
    page_->setAxis(axis);
    prompt_->setText(QString::fromStdString(prompt(axis)));
    hint_->setText(QString::fromStdString(hint(axis, waiting_)));
    for (Device device : allCases<Device>) {
        const auto index = static_cast<std::size_t>(device);
        const std::optional<Direction> found = answer(test, device);
        QLabel& status = *statuses_[index];
        if (found) {
            status.setText(corvale::qtText(shownName(device)) + QStringLiteral(": ") +
                           corvale::qtText(shownName(*found)));
        } else {
            status.setText(corvale::qtText(shownName(device)) + QStringLiteral(": not yet"));
        }
        corvale::Labels::setSecondary(status, !found);
        marks_[index]->setVisible(found.has_value());
    }
}

} // namespace skiro
