#pragma once

#include "Corvale/Panels.hpp"
#include "CorvaleCore/Subscribers.hpp"
#include "Platform/LoginItem.hpp"
#include "Skiro/Settings.hpp"

#include <QWidget>

#include <optional>

class QCheckBox;

namespace skiro {

// Opening at login, pausing, and the settings as a file.
class GeneralPane : public QWidget {
public:
    GeneralPane(Settings& settings, platform::LoginItem& loginItem, corvale::Panels& panels,
                QWidget* parent = nullptr);

    QCheckBox* openAtLogin() const { return openAtLogin_; }
    QCheckBox* pause() const { return pause_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    Settings& settings_;
    platform::LoginItem& loginItem_;
    QCheckBox* openAtLogin_;
    QCheckBox* pause_;
    std::optional<corvale::Subscription> following_;
};

} // namespace skiro
