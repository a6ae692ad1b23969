#pragma once

#include <string_view>

// The operating system's own names for what the product watches and asks for. Code above the
// platform takes them from the backend (`System::names()`, `Registry::names()`), so another
// system brings its own without an edit there.
namespace platform {

struct SystemNames {
    // The natural-scrolling setting: its key in the any-application preferences, and the
    // distributed notification posted when the user changes it.
    std::string_view naturalScrollingKey;
    std::string_view naturalScrollingChanged;
    // Posted (distributed) when the list of processes with the Accessibility permission changes.
    std::string_view accessibilityChanged;
    // The address that opens the Accessibility permission's settings page.
    std::string_view accessibilitySettings;
    // Posted (distributed) when the user unlocks the screen.
    std::string_view screenUnlocked;
};

// What the registry's entries are called.
struct RegistryNames {
    // The text property that every scrolling service has: its acceleration type.
    std::string_view scrollAccelerationKey;
    // The class whose services are a trackpad's, and the acceleration type trackpads report.
    std::string_view trackpadDriverClass;
    std::string_view trackpadAcceleration;
};

// macOS's names: the Mac backend's, and the simulation's, which simulates that system.
inline constexpr SystemNames macOSNames{
    .naturalScrollingKey = "com.apple.swipescrolldirection",
    .naturalScrollingChanged = "SwipeScrollDirectionDidChangeNotification",
    .accessibilityChanged = "com.apple.accessibility.api",
    .accessibilitySettings =
        "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility",
    .screenUnlocked = "com.apple.screenIsUnlocked",
};
inline constexpr RegistryNames macOSRegistryNames{
    .scrollAccelerationKey = "HIDScrollAccelerationType",
    .trackpadDriverClass = "AppleMultitouchTrackpadHIDEventDriver",
    .trackpadAcceleration = "HIDTrackpadScrollAcceleration",
};

} // namespace platform
