#include "Platform/Simulated/SimulatedSystemFacts.hpp"

#include "CorvaleCore/Utf8.hpp"

#include <fstream>
#include <sys/utsname.h>

namespace platform::simulated {

namespace {

// The value after `key` and a separator on the first line of a file that starts with `key`.
std::string lineValue(const char* path, std::string_view key, char separator) {
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        if (line.starts_with(key)) {
            auto at = line.find(separator);
            if (at != std::string::npos) {
                std::string value = corvale::utf8::trimmed(line.substr(at + 1));
                if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
                    value = value.substr(1, value.size() - 2);
                }
                return value;
            }
        }
    }
    return {};
}

std::string firstLine(const char* path) {
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    // Device-tree values end in a zero byte.
    line = line.substr(0, line.find('\0'));
    return corvale::utf8::trimmed(line);
}

} // namespace

SimulatedSystemFacts::SimulatedSystemFacts() {
    struct utsname host {};
    bool named = ::uname(&host) == 0;

    name_ = lineValue("/etc/os-release", "NAME=", '=');
    if (name_.empty()) {
        name_ = named ? host.sysname : "Linux";
    }
    std::string version = lineValue("/etc/os-release", "VERSION=", '=');
    if (version.empty()) {
        version = lineValue("/etc/os-release", "VERSION_ID=", '=');
    }
    version_ = "Version";
    if (!version.empty()) {
        version_ += " " + version;
    }
    if (named) {
        version_ += std::string(" (Build ") + host.release + ")";
    }

    model_ = firstLine("/sys/devices/virtual/dmi/id/product_name");
    if (model_.empty()) {
        // Boards without firmware tables name themselves in the device tree.
        model_ = firstLine("/sys/firmware/devicetree/base/model");
    }
    if (model_.empty()) {
        model_ = "?";
    }
    processor_ = named ? host.machine : "?";
}

std::string SimulatedSystemFacts::operatingSystemVersionString() const {
    std::lock_guard lock(mutex_);
    return version_;
}

std::string SimulatedSystemFacts::systemName() const {
    std::lock_guard lock(mutex_);
    return name_;
}

std::string SimulatedSystemFacts::modelIdentifier() const {
    std::lock_guard lock(mutex_);
    return model_;
}

std::string SimulatedSystemFacts::processorKind() const {
    std::lock_guard lock(mutex_);
    return processor_;
}

DisplayAccommodations SimulatedSystemFacts::displayAccommodations() const {
    std::lock_guard lock(mutex_);
    return accommodations_;
}

void SimulatedSystemFacts::setSystemName(std::string name) {
    std::lock_guard lock(mutex_);
    name_ = std::move(name);
}

void SimulatedSystemFacts::setDisplayAccommodations(DisplayAccommodations accommodations) {
    std::lock_guard lock(mutex_);
    accommodations_ = accommodations;
}

void SimulatedSystemFacts::set(std::string version, std::string model, std::string processor) {
    std::lock_guard lock(mutex_);
    version_ = std::move(version);
    model_ = std::move(model);
    processor_ = std::move(processor);
}

} // namespace platform::simulated
