#include "Skiro/UI/DirectionsGrid.hpp"

#include "Corvale/UI/Labels.hpp"
#include "Corvale/UI/QtText.hpp"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QVBoxLayout>

namespace skiro {

namespace {

// One of a cell's two choices. The chosen one is drawn on a tint of the palette's highlight,
// framed in it and checked, so that it stands out in a light and a dark palette alike; its text
// stays in the window's text colour, readable on the tint.
class Segment final : public QAbstractButton {
public:
    Segment(const QString& text, QWidget* parent) : QAbstractButton(parent) {
        setText(text);
        setCheckable(true);
        setForegroundRole(QPalette::WindowText);
        setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    }

    // As wide when chosen as not, so that choosing moves nothing.
    QSize sizeHint() const override {
        const QFontMetrics metrics(boldFont());
        return {padding * 2 + checkWidth + gap + metrics.horizontalAdvance(text()),
                metrics.height() + 12};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QPalette& colours = palette();
        const QColor accent = colours.color(QPalette::Highlight);
        const QRectF frame = QRectF(rect()).adjusted(1, 1, -1, -1);
        const qreal radius = 6;
        if (isChecked()) {
            p.setPen(QPen(accent, 1.5));
            p.setBrush(corvale::Labels::blend(colours.color(QPalette::Window), accent, 0.22));
        } else {
            p.setPen(QPen(colours.color(QPalette::Mid), 1));
            p.setBrush(colours.color(isDown() ? QPalette::Midlight : QPalette::Button));
        }
        p.drawRoundedRect(frame, radius, radius);

        const QFontMetrics metrics(boldFont());
        const int textWidth = metrics.horizontalAdvance(text());
        const qreal left = (width() - checkWidth - gap - textWidth) / 2.0;
        if (isChecked()) {
            const qreal middle = height() / 2.0;
            p.setPen(QPen(accent, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPolyline(QPolygonF{{left + 1, middle},
                                     {left + checkWidth * 0.4, middle + 4},
                                     {left + checkWidth - 1, middle - 4}});
        }
        p.setFont(isChecked() ? boldFont() : font());
        p.setPen(colours.color(foregroundRole()));
        p.drawText(QRectF(left + checkWidth + gap, 0, textWidth + 2, height()),
                   Qt::AlignLeft | Qt::AlignVCenter, text());
        if (hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = rect().adjusted(3, 3, -3, -3);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
        }
    }

private:
    static constexpr int padding = 9;
    static constexpr int checkWidth = 11;
    static constexpr int gap = 5;

    QFont boldFont() const {
        QFont bold = font();
        bold.setBold(true);
        return bold;
    }
};

} // namespace

std::string_view shownName(Device device) {
    return device == Device::trackpad ? "Trackpad" : "Mouse";
}

std::string_view shownName(Direction direction) {
    return direction == Direction::natural ? "Natural" : "Standard";
}

DirectionsGrid::DirectionsGrid(const Directions& shown, Chosen chosen, QWidget* parent)
    : QWidget(parent), shown_(shown), chosen_(std::move(chosen)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* grid = new QGridLayout();
    grid->setHorizontalSpacing(12);
    grid->addWidget(corvale::Labels::secondary("Vertical", this), 0, 1, Qt::AlignHCenter);
    grid->addWidget(corvale::Labels::secondary("Horizontal", this), 0, 2, Qt::AlignHCenter);
    for (Device device : allCases<Device>) {
        const int row = static_cast<int>(device) + 1;
        grid->addWidget(corvale::Labels::text(shownName(device), this), row, 0);
        for (Axis axis : allCases<Axis>) {
            auto* group = new QButtonGroup(this);
            auto* segments = new QHBoxLayout();
            segments->setSpacing(4);
            for (Direction direction : allCases<Direction>) {
                auto* segment = new Segment(corvale::qtText(shownName(direction)), this);
                group->addButton(segment, static_cast<int>(direction));
                segments->addWidget(segment);
            }
            QObject::connect(group, &QButtonGroup::idClicked, this, [this, device, axis](int id) {
                const auto direction = static_cast<Direction>(id);
                // The choice already shown changes nothing: storing it would end following the
                // system's setting without the user having changed anything.
                if (shown_.at(device, axis) != direction && chosen_) {
                    chosen_(device, axis, direction);
                }
                // What the owner shows now, which it may have set while told, or left as it was.
                setDirections(shown_);
            });
            choices_[static_cast<int>(device)][static_cast<int>(axis)] = group;
            grid->addLayout(segments, row, static_cast<int>(axis) + 1);
        }
    }
    grid->setColumnStretch(3, 1);
    layout->addLayout(grid);
    layout->addWidget(corvale::Labels::secondary(
        "Natural: the page follows your fingers, as on an iPhone. Standard: scrolling down moves "
        "you down the page, as on Windows.",
        this));
    setDirections(shown_);
}

QAbstractButton* DirectionsGrid::choice(Device device, Axis axis, Direction direction) const {
    return choices_[static_cast<int>(device)][static_cast<int>(axis)]->button(
        static_cast<int>(direction));
}

void DirectionsGrid::setDirections(const Directions& shown) {
    shown_ = shown;
    for (Device device : allCases<Device>) {
        for (Axis axis : allCases<Axis>) {
            QButtonGroup* group = choices_[static_cast<int>(device)][static_cast<int>(axis)];
            group->button(static_cast<int>(shown_.at(device, axis)))->setChecked(true);
        }
    }
}

} // namespace skiro
