#include "Skiro/UI/GeneralPane.hpp"

#include "Corvale/UI/Labels.hpp"
#include "Corvale/UI/SettingsWindow.hpp"
#include "Skiro/LoginItem.hpp"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace skiro {

GeneralPane::GeneralPane(Settings& settings, platform::LoginItem& loginItem,
                         corvale::Panels& panels, QWidget* parent)
    : QWidget(parent), settings_(settings) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* column = new QVBoxLayout();
    column->setContentsMargins(28, 24, 28, 24);
    column->setSpacing(18);
    outer->addLayout(column, 1);

    // What the system says when the pane is built; afterwards the toggle shows what the user
    // chose, even when the system refused it (the refusal is logged).
    openAtLogin_ = new QCheckBox(QStringLiteral("Open at login"), this);
    openAtLogin_->setChecked(LoginItem::isEnabled(loginItem));
    QObject::connect(openAtLogin_, &QCheckBox::toggled, this,
                     [&loginItem](bool on) { LoginItem::set(loginItem, on); });
    column->addWidget(corvale::Labels::section("Startup", {openAtLogin_}, this));

    pause_ = new QCheckBox(QStringLiteral("Pause Skiro"), this);
    QObject::connect(pause_, &QCheckBox::toggled, this, [this](bool on) {
        if (on != settings_.config().paused) {
            settings_.update([on](Config& config) { config.paused = on; });
        }
    });
    column->addWidget(corvale::Labels::section(
        "Scrolling",
        {pause_,
         corvale::Labels::caption("While paused, scrolling follows System Settings.", this)},
        this));
    column->addStretch(1);

    auto* footer = new corvale::SettingsFooter(this);
    auto* file = new QVBoxLayout();
    file->setSpacing(2);
    file->addWidget(corvale::Labels::heading("Settings file", footer));
    QLabel* fileCaption = corvale::Labels::caption(
        "All of Skiro's settings in a file: for a backup, or another Mac.", footer);
    file->addWidget(fileCaption);
    footer->content()->insertLayout(0, file, 1);
    auto* exporting = new QPushButton(QStringLiteral("Export…"), footer);
    auto* importing = new QPushButton(QStringLiteral("Import…"), footer);
    footer->content()->addWidget(exporting);
    footer->content()->addWidget(importing);
    QObject::connect(exporting, &QPushButton::clicked, this,
                     [this, &panels] { Settings::transfer(settings_).exportWithPanel(panels); });
    QObject::connect(importing, &QPushButton::clicked, this,
                     [this, &panels] { Settings::transfer(settings_).importWithPanel(panels); });
    outer->addWidget(footer);

    following_ = settings_.subscribe([this](const Config& config) {
        QSignalBlocker quiet(pause_);
        pause_->setChecked(config.paused);
    });
}

} // namespace skiro
