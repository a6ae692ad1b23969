#include "CorvaleCore/Defaults.hpp"

#include "CorvaleCore/Files.hpp"
#include "CorvaleCore/Log.hpp"

#if defined(__APPLE__)
#include "CorvaleCore/SystemDefaults.hpp"
#endif

#include <cerrno>
#include <system_error>

namespace corvale {

namespace {

bool plain(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
}

std::string fileName(std::string_view key) {
    static constexpr char hex[] = "0123456789ABCDEF";
    // The empty key still needs a name no other key can have.
    if (key.empty()) {
        return "%";
    }
    std::string name;
    for (unsigned char c : key) {
        if (plain(c)) {
            name += static_cast<char>(c);
        } else {
            name += '%';
            name += hex[c >> 4];
            name += hex[c & 0xF];
        }
    }
    return name;
}

} // namespace

Defaults::Defaults(std::filesystem::path folder) : folder_(std::move(folder)) {}

std::filesystem::path Defaults::location(std::string_view key) const {
    return folder_ / fileName(key);
}

std::optional<std::string> Defaults::data(std::string_view key) const {
#if defined(__APPLE__)
    if (!domain_.empty()) {
        return systemDefaults::data(domain_, key);
    }
#endif
    return readFile(location(key));
}

bool Defaults::set(std::string_view key, std::string_view data) const {
#if defined(__APPLE__)
    if (!domain_.empty()) {
        if (systemDefaults::set(domain_, key, data)) {
            return true;
        }
        Log::lifecycle().error(
            [&] { return "couldn't save the user default " + std::string(key) + "."; });
        return false;
    }
#endif
    std::filesystem::path path = location(key);
    try {
        std::error_code error;
        std::filesystem::create_directories(folder_, error);
        writeAtomically(path, data);
        return true;
    } catch (const Error& error) {
        Log::lifecycle().error([&] {
            return "couldn't save the user default " + std::string(key) + ": " +
                   error.description();
        });
    } catch (const std::exception& error) {
        Log::lifecycle().error([&] {
            return "couldn't save the user default " + std::string(key) + ": " + error.what();
        });
    }
    return false;
}

bool Defaults::remove(std::string_view key) const {
#if defined(__APPLE__)
    if (!domain_.empty()) {
        return systemDefaults::remove(domain_, key);
    }
#endif
    std::error_code error;
    std::filesystem::remove(location(key), error);
    return !error;
}

} // namespace corvale
