#pragma once

#include "Platform/LoginItem.hpp"

// Whether the application opens at login, through the platform's login item of `appSystem()`.
namespace skiro::LoginItem {

// Registered and enabled (not waiting for the user's approval).
bool isEnabled(platform::LoginItem& item);

// Registers (on) or unregisters (off). A failure is only logged; the user is shown nothing.
void set(bool on);
void set(platform::LoginItem& item, bool on);

} // namespace skiro::LoginItem
