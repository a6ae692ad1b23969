#include "Skiro/UI/ScrollingPane.hpp"

#include "Corvale/UI/Labels.hpp"
#include "Corvale/UI/SettingsWindow.hpp"
#include "Corvale/UI/Symbols.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

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
    grid_ =
        new DirectionsGrid({.get = [this] { return shown(); },
                            .set = [this](const Directions& directions) { choose(directions); }},
                           body);
    column->addWidget(grid_);
    column->addSpacing(8);
    testView_ = new ScrollTestView(test_, body);
    column->addWidget(testView_);
    test_->onFound = [this](const ScrollTest& test) {
        applyAnswer([&test](const Directions& shown) { return test.applied(shown); });
    };
    column->addStretch(1);

    settingsChanges_ = settings_.subscribe([this](const Config&) { refresh(); });
    // Told before the change; the new state is read once it is made.
    liveChanges_ =
        live_.subscribeWillChange([this] { QTimer::singleShot(0, this, [this] { refresh(); }); });
    refresh();
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

void ScrollingPane::choose(const Directions& directions) {
    settings_.update([&](Config& config) { config.directions = directions; });
}

void ScrollingPane::applyAnswer(const std::function<Directions(const Directions&)>& applied) {
    choose(applied(shown()));
}

void ScrollingPane::refresh() {
    grid_->refresh();
    testView_->setWaiting(live_.isWaiting());
    note_->setVisible(!settings_.config().directions.has_value());
    const auto& turnedBackBy = live_.turnedBackBy();
    warning_->setVisible(turnedBackBy.has_value());
    if (turnedBackBy) {
        warningText_->setText(QString::fromStdString(Words::turnedBack(*turnedBackBy)));
    }
}

} // namespace skiro
