#include "Skiro/UI/GeneralPane.hpp"

#include "Corvale/UI/Labels.hpp"
#include "Corvale/UI/SettingsWindow.hpp"
#include "Skiro/LoginItem.hpp"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace skiro {

GeneralPane::GeneralPane(Settings& settings, platform::LoginItem& loginItem,
                         corvale::Panels& panels, QWidget* parent)
    : QWidget(parent), settings_(settings), loginItem_(loginItem) {
    QWidget* body = corvale::scrollingBody(*this);
    auto* outer = new QVBoxLayout(body);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* column = new QVBoxLayout();
    column->setContentsMargins(28, 24, 28, 24);
    column->setSpacing(18);
    outer->addLayout(column);

    // What the system says each time the pane is shown; in between the toggle shows what the
    // user chose, even when the system refused it (the refusal is logged).
    openAtLogin_ = new QCheckBox(QStringLiteral("Open at login"), body);
    QObject::connect(openAtLogin_, &QCheckBox::toggled, this,
                     [&loginItem](bool on) { LoginItem::set(loginItem, on); });
    column->addWidget(corvale::Labels::section("Startup", {openAtLogin_}, body));

    pause_ = new QCheckBox(QStringLiteral("Pause Skiro"), body);
    QObject::connect(pause_, &QCheckBox::toggled, this, [this](bool on) {
        if (on != settings_.config().paused) {
            settings_.update([on](Config& config) { config.paused = on; });
        }
    });
    column->addWidget(corvale::Labels::section(
        "Scrolling",
        {pause_,
         corvale::Labels::caption("While paused, scrolling follows System Settings.", body)},
        body));

    // The file's bar follows the settings directly rather than the window's bottom edge, so
    // that a tall window leaves no gap in the middle.
    auto* footer = new corvale::SettingsFooter(body);
    auto* file = new QVBoxLayout();
    file->setSpacing(2);
    file->addWidget(corvale::Labels::heading("Settings file", footer));
    file->addWidget(corvale::Labels::caption(
        "All of Skiro's settings in a file: for a backup, or another Mac.", footer));
    footer->content()->insertLayout(0, file, 1);
    auto* exporting = new QPushButton(QStringLiteral("Export…"), footer);
    auto* importing = new QPushButton(QStringLiteral("Import…"), footer);
    footer->content()->addWidget(exporting, 0, Qt::AlignVCenter);
    footer->content()->addWidget(importing, 0, Qt::AlignVCenter);
    QObject::connect(exporting, &QPushButton::clicked, this,
                     [this, &panels] { Settings::transfer(settings_).exportWithPanel(panels); });
    QObject::connect(importing, &QPushButton::clicked, this,
                     [this, &panels] { Settings::transfer(settings_).importWithPanel(panels); });
    outer->addWidget(footer);
    outer->addStretch(1);

    following_ = settings_.subscribe([this](const Config& config) {
        QSignalBlocker quiet(pause_);
        pause_->setChecked(config.paused);
    });
}

void GeneralPane::showEvent(QShowEvent* event) {
    // The login item may have changed meanwhile (the welcome's Done sets it).
    if (!event->spontaneous()) {
        QSignalBlocker quiet(openAtLogin_);
        openAtLogin_->setChecked(LoginItem::isEnabled(loginItem_));
    }
    QWidget::showEvent(event);
}

} // namespace skiro
