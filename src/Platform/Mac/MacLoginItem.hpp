#pragma once

// The application as a login item of the current user, through the service management
// framework's main-application service. No platform interface asks for this yet.
namespace platform::mac::LoginItem {

bool isEnabled();
// False when the system refused the change (it may need the user's approval in System
// Settings, in which case the item is registered but not yet enabled).
bool setEnabled(bool enabled);

} // namespace platform::mac::LoginItem
