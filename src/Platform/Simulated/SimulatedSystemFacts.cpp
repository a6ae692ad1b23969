#include "Platform/Simulated/SimulatedSystemFacts.hpp"

#include "CorvaleCore/Files.hpp"
#include "CorvaleCore/Utf8.hpp"

#include <fstream>
#include <sstream>
#include <sys/utsname.h>

namespace platform::simulated {

namespace {

// The value of `key` ("NAME=", say) on the first line of `text` that starts with it, quotes
// taken off.
std::string lineValue(const std::string& text, std::string_view key) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.starts_with(key)) {
            std::string value = corvale::utf8::trimmed(line.substr(key.size()));
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
                value = value.substr(1, value.size() - 2);
            }
            return value;
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

    const std::string release = corvale::readFile("/etc/os-release").value_or("");
    name_ = lineValue(release, "NAME=");
    if (name_.empty()) {
        name_ = named ? host.sysname : "Linux";
    }
    std::string version = lineValue(release, "VERSION=");
    if (version.empty()) {
        version = lineValue(release, "VERSION_ID=");
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
