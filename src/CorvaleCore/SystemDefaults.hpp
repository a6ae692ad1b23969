#pragma once

#include <optional>
#include <string>
#include <string_view>

// The system's own user defaults by domain (a bundle identifier), as macOS keeps them; there
// only.
namespace corvale::systemDefaults {

std::optional<std::string> data(std::string_view domain, std::string_view key);
// Stored and written through to the system; false when it refused.
bool set(std::string_view domain, std::string_view key, std::string_view data);
bool remove(std::string_view domain, std::string_view key);

} // namespace corvale::systemDefaults
