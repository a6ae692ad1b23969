#include "Skiro/UI/ScrollingPane.hpp"

#include "Corvale/UI/SettingsWindow.hpp"
#include "Skiro/UI/PaneParts.hpp"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace skiro {

namespace {

constexpr std::array<std::pair<Device, Axis>, 4> entries{{{Device::trackpad, Axis::vertical},
                                                          {Device::trackpad, Axis::horizontal},
                                                          {Device::mouse, Axis::vertical},
                                                          {Device::mouse, Axis::horizontal}}};

std::size_t entryIndex(Device device, Axis axis) {
    return (device == Device::mouse ? 2 : 0) + (axis == Axis::horizontal ? 1 : 0);
}

} // namespace

ScrollingPane::ScrollingPane(Settings& settings, Live& live, QWidget* parent)
    : QWidget(parent), settings_(settings), live_(live) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(28, 24, 28, 24);
    column->setSpacing(12);

    warning_ = new QWidget(this);
    auto* warningRow = new QHBoxLayout(warning_);
    warningRow->setContentsMargins(12, 10, 12, 10);
    warningRow->setSpacing(10);
    auto* sign = new QLabel(warning_);
    sign->setPixmap(corvale::symbol("exclamationmark.triangle").pixmap(22, 22));
    warningRow->addWidget(sign, 0, Qt::AlignTop);
    auto* warningLines = new QVBoxLayout();
    warningText_ = heading("", warning_);
    warningText_->setWordWrap(true);
    warningLines->addWidget(warningText_);
    warningLines->addWidget(caption("Quit it, or turn off what it does to scrolling, and Skiro's "
                                    "settings take effect.",
                                    warning_));
    warningRow->addLayout(warningLines, 1);
    warning_->setAutoFillBackground(true);
    QPalette tint = warning_->palette();
    tint.setColor(QPalette::Window, QColor(255, 214, 10, 46));
    warning_->setPalette(tint);
    column->addWidget(warning_);
    column->addSpacing(4);

    column->addWidget(heading("Directions", this));
    gridSlot_ = new QVBoxLayout();
    column->addLayout(gridSlot_);
    note_ = caption("Skiro follows System Settings until you choose here.", this);
    column->addWidget(note_);

    // Stand-in for the directions grid: one choice per device and axis.
    auto* grid = new QGridLayout();
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(8);
    grid->addWidget(new QLabel(QStringLiteral("Vertical"), this), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Horizontal"), this), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Trackpad"), this), 1, 0);
    grid->addWidget(new QLabel(QStringLiteral("Mouse"), this), 2, 0);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        auto* box = new QComboBox(this);
        box->addItem(QStringLiteral("Natural"));
        box->addItem(QStringLiteral("Standard"));
        choices_[i] = box;
        grid->addWidget(box, static_cast<int>(i / 2) + 1, static_cast<int>(i % 2) + 1);
        QObject::connect(box, &QComboBox::activated, this, [this, i](int index) {
            Directions next = shown();
            next.at(entries[i].first, entries[i].second) =
                index == 0 ? Direction::natural : Direction::standard;
            choose(next);
        });
    }
    grid->setColumnStretch(3, 1);
    gridSlot_->addLayout(grid);

    column->addSpacing(8);
    testPageSlot_ = new QVBoxLayout();
    column->addLayout(testPageSlot_, 1);
    column->addStretch(1);

    settingsChanges_ = settings_.subscribe([this](const Config&) { refresh(); });
    // Told before the change; the new state is read once it is made.
    liveChanges_ =
        live_.subscribeWillChange([this] { QTimer::singleShot(0, this, [this] { refresh(); }); });
    refresh();
}

Directions ScrollingPane::shown() const {
    return settings_.config().shownDirections(live_.systemNatural());
}

void ScrollingPane::choose(const Directions& directions) {
    settings_.update([&](Config& config) { config.directions = directions; });
}

void ScrollingPane::applyAnswer(const std::function<Directions(const Directions&)>& applied) {
    choose(applied(shown()));
}

QComboBox* ScrollingPane::choice(Device device, Axis axis) const {
    return choices_[entryIndex(device, axis)];
}

void ScrollingPane::refresh() {
    const Directions directions = shown();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Direction direction = directions.at(entries[i].first, entries[i].second);
        choices_[i]->setCurrentIndex(direction == Direction::natural ? 0 : 1);
    }
    note_->setVisible(!settings_.config().directions.has_value());
    const auto& turnedBackBy = live_.turnedBackBy();
    warning_->setVisible(turnedBackBy.has_value());
    if (turnedBackBy) {
        warningText_->setText(QString::fromStdString(Words::turnedBack(*turnedBackBy)));
    }
}

} // namespace skiro
