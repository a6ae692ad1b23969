#include "Skiro/UI/ScrollingPane.hpp"

#include "Corvale/UI/Labels.hpp"
#include "Corvale/UI/SettingsWindow.hpp"
#include "Corvale/UI/Symbols.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QShowEvent>
#include <QVBoxLayout>

#include <array>

namespace skiro {

ScrollingPane::ScrollingPane(Settings& settings, Live& live, InputTap& tap, QWidget* parent)
    : QWidget(parent), settings_(settings), live_(live), test_(ScrollTestModel::make(tap)) {
    QWidget* body = corvale::scrollingBody(*this);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(28, 24, 28, 24);
    column->setSpacing(12);

    warning_ = new QWidget(body);
    auto* warningRow = new QHBoxLayout(warning_);
    warningRow->setContentsMargins(12, 10, 12, 10);
    warningRow->setSpacing(10);
    auto* sign = new QLabel(warning_);
    sign->setPixmap(corvale::Symbols::icon("exclamationmark.triangle").pixmap(22, 22));
    warningRow->addWidget(sign, 0, Qt::AlignTop);
    auto* warningLines = new QVBoxLayout();
    warningText_ = corvale::Labels::heading("", warning_);
    warningLines->addWidget(warningText_);
    // In the text's own colour: dimmed, it would fade into the tint.
    warningLines->addWidget(
        corvale::Labels::text("Quit it, or turn off what it does to scrolling, and Skiro's "
                              "settings take effect.",
                              warning_));
    warningRow->addLayout(warningLines, 1);
    warning_->setAutoFillBackground(true);
    QPalette tint = warning_->palette();
    tint.setColor(QPalette::Window, QColor(255, 214, 10, 46));
    warning_->setPalette(tint);
    column->addWidget(warning_);
    column->addSpacing(4);

    column->addWidget(corvale::Labels::heading("Directions", body));
    note_ = corvale::Labels::caption("Skiro follows System Settings until you choose here.", body);
    // Its room stays once a choice hides it, so that nothing under the pointer moves.
    QSizePolicy keepsRoom = note_->sizePolicy();
    keepsRoom.setRetainSizeWhenHidden(true);
    note_->setSizePolicy(keepsRoom);
    column->addWidget(note_);
    grid_ = new DirectionsGrid(
        shown(),
        [this](Device device, Axis axis, Direction direction) { choose(device, axis, direction); },
        body);
    column->addWidget(grid_);
    column->addSpacing(8);
    testView_ = new ScrollTestView(test_, body);
    column->addWidget(testView_);
    test_->onFound = [this](const ScrollTest& test) { applyAnswer(test); };
    column->addStretch(1);

    // Each tells what it has now; the subscription to the store shows the first state.
    settingsChanges_ =
        settings_.subscribe([this](const Config& config) { refresh(config, live_.now()); });
    liveChanges_ =
        live_.subscribe([this](const Live::Now& now) { refresh(settings_.config(), now); });
}

void ScrollingPane::showEvent(QShowEvent* event) {
    // Each opening of the pane starts a fresh test; a window coming back from the dock does not.
    if (!event->spontaneous()) {
        testView_->restart();
    }
    QWidget::showEvent(event);
}

Directions ScrollingPane::shown() const {
    return settings_.config().shownDirections(live_.systemNatural());
}

void ScrollingPane::choose(Device device, Axis axis, Direction direction) {
    const bool systemNatural = live_.systemNatural();
    settings_.update([&](Config& config) {
        config = config.withDirection(device, std::array{axis}, direction, systemNatural);
    });
}

void ScrollingPane::applyAnswer(const ScrollTest& test) {
    const bool systemNatural = live_.systemNatural();
    settings_.update([&](Config& config) { config = test.applied(config, systemNatural); });
}

void ScrollingPane::refresh(const Config& config, const Live::Now& now) {
    grid_->setDirections(config.shownDirections(now.systemNatural));
    testView_->setWaiting(now.waiting);
    note_->setVisible(!config.directions.has_value());
    warning_->setVisible(now.turnedBackBy.has_value());
    if (now.turnedBackBy) {
        warningText_->setText(QString::fromStdString(Words::turnedBack(*now.turnedBackBy)));
    }
}

} // namespace skiro
