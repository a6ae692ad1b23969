#include "Platform/Simulated/SimulatedServices.hpp"

#include "Platform/Simulated/SimulatedEvent.hpp"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <memory>
#include <sys/utsname.h>
#include <unistd.h>

namespace platform::simulated {

// --- Permissions

bool SimulatedPermissions::isProcessTrustedWithOptions(bool prompt) {
    bool trusted = trusted_.load();
    if (prompt && !trusted) {
        prompts_.fetch_add(1);
    }
    return trusted;
}

// --- Notifications

NotificationCenter::Token SimulatedNotificationCenter::addObserver(std::string name,
                                                                   Observer observer) {
    std::lock_guard lock(mutex_);
    Token token = next_++;
    registrations_.push_back(
        {token, std::move(name), std::make_shared<Observer>(std::move(observer))});
    return token;
}

void SimulatedNotificationCenter::removeObserver(Token token) {
    std::lock_guard lock(mutex_);
    std::erase_if(registrations_, [&](const Registration& r) { return r.token == token; });
}

void SimulatedNotificationCenter::post(const std::string& name) {
    std::vector<std::shared_ptr<Observer>> observers;
    {
        std::lock_guard lock(mutex_);
        for (const Registration& r : registrations_) {
            if (r.name == name) {
                observers.push_back(r.observer);
            }
        }
    }
    for (const auto& observer : observers) {
        (*observer)(name);
    }
}

std::size_t SimulatedNotificationCenter::observerCount(const std::string& name) const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(
        std::count_if(registrations_.begin(), registrations_.end(),
                      [&](const Registration& r) { return r.name == name; }));
}

// --- Preferences

bool SimulatedPreferences::synchronizeAnyApplication() {
    synchronizations_.fetch_add(1);
    if (synchronizeFails_.load()) {
        return false;
    }
    std::lock_guard lock(mutex_);
    cache_ = store_;
    return true;
}

std::optional<PreferenceValue> SimulatedPreferences::copyAnyApplicationValue(std::string_view key) {
    std::lock_guard lock(mutex_);
    if (!cache_) {
        cache_ = store_;
    }
    auto found = cache_->find(key);
    if (found == cache_->end()) {
        return std::nullopt;
    }
    return found->second;
}

std::optional<PreferenceValue> SimulatedPreferences::stored(std::string_view key) const {
    std::lock_guard lock(mutex_);
    auto found = store_.find(key);
    if (found == store_.end()) {
        return std::nullopt;
    }
    return found->second;
}

void SimulatedPreferences::store(const std::string& key, std::optional<PreferenceValue> value) {
    std::lock_guard lock(mutex_);
    if (value) {
        store_[key] = std::move(*value);
    } else {
        store_.erase(key);
    }
}

// --- Workspace

bool SimulatedWorkspace::openURL(std::string_view url) {
    if (url.find(':') == std::string_view::npos) {
        return false;
    }
    std::lock_guard lock(mutex_);
    opened_.emplace_back(url);
    return true;
}

std::vector<std::string> SimulatedWorkspace::openedURLs() const {
    std::lock_guard lock(mutex_);
    return opened_;
}

// --- Running applications

SimulatedRunningApplications::SimulatedRunningApplications()
    : self_(static_cast<std::int32_t>(::getpid())) {}

std::optional<std::string>
SimulatedRunningApplications::localizedName(std::int32_t processIdentifier) const {
    std::lock_guard lock(mutex_);
    auto found = processes_.find(processIdentifier);
    if (found == processes_.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::int32_t SimulatedRunningApplications::launch(std::optional<std::string> name) {
    std::lock_guard lock(mutex_);
    if (next_ == self_) {
        ++next_;
    }
    std::int32_t pid = next_++;
    processes_[pid] = std::move(name);
    return pid;
}

void SimulatedRunningApplications::quit(std::int32_t processIdentifier) {
    std::lock_guard lock(mutex_);
    processes_.erase(processIdentifier);
}

// --- Symbols

namespace {

IOHIDEvent* copyIOHIDEvent(Event& event) {
    auto* simulated = dynamic_cast<SimulatedEvent*>(&event);
    IOHIDEvent* hid = simulated != nullptr ? simulated->hidEvent() : nullptr;
    if (hid != nullptr) {
        hid->held += 1;
    }
    return hid;
}

void releaseHIDEvent(IOHIDEvent* hid) {
    if (hid != nullptr) {
        hid->held -= 1;
    }
}

std::uint64_t getSenderID(IOHIDEvent* hid) {
    return hid != nullptr ? hid->senderID : 0;
}

double* floatField(IOHIDEvent* hid, std::uint32_t field) {
    if (hid == nullptr) {
        return nullptr;
    }
    switch (field) {
    case hid::fieldScrollX:
        return &hid->scrollX;
    case hid::fieldScrollY:
        return &hid->scrollY;
    case hid::fieldScrollZ:
        return &hid->scrollZ;
    default:
        return nullptr;
    }
}

double getFloatValue(IOHIDEvent* hid, std::uint32_t field) {
    double* value = floatField(hid, field);
    return value != nullptr ? *value : 0;
}

void setFloatValue(IOHIDEvent* hid, std::uint32_t field, double value) {
    if (double* stored = floatField(hid, field)) {
        *stored = value;
    }
}

constexpr std::string_view hidNames[5] = {hid::copyIOHIDEventName, hid::getSenderIDName,
                                          hid::getFloatValueName, hid::setFloatValueName,
                                          hid::releaseName};

int hidIndex(std::string_view name) {
    for (int i = 0; i < 5; ++i) {
        if (hidNames[i] == name) {
            return i;
        }
    }
    return -1;
}

} // namespace

Symbols::Address SimulatedSymbols::lookup(std::string_view name) const {
    int index = hidIndex(name);
    if (index < 0 || missing_[index].load()) {
        return nullptr;
    }
    switch (index) {
    case 0:
        return reinterpret_cast<Address>(static_cast<CopyIOHIDEventFunction>(copyIOHIDEvent));
    case 1:
        return reinterpret_cast<Address>(static_cast<IOHIDEventGetSenderIDFunction>(getSenderID));
    case 2:
        return reinterpret_cast<Address>(
            static_cast<IOHIDEventGetFloatValueFunction>(getFloatValue));
    case 3:
        return reinterpret_cast<Address>(
            static_cast<IOHIDEventSetFloatValueFunction>(setFloatValue));
    default:
        return reinterpret_cast<Address>(static_cast<ReleaseIOHIDEventFunction>(releaseHIDEvent));
    }
}

void SimulatedSymbols::setMissing(std::string_view name, bool missing) {
    int index = hidIndex(name);
    if (index >= 0) {
        missing_[index].store(missing);
    }
}

// --- Application framework

namespace {

std::uint64_t appPhaseOf(std::int64_t scrollPhase) {
    switch (scrollPhase) {
    case 1:
        return appPhase::began;
    case 2:
        return appPhase::changed;
    case 4:
        return appPhase::ended;
    case 8:
        return appPhase::cancelled;
    case 128:
        return appPhase::mayBegin;
    default:
        return appPhase::none;
    }
}

std::uint64_t appMomentumOf(std::int64_t momentumPhase) {
    switch (momentumPhase) {
    case 1:
        return appPhase::began;
    case 2:
        return appPhase::changed;
    case 3:
        return appPhase::ended;
    default:
        return appPhase::none;
    }
}

} // namespace

std::optional<AppScrollEvent> SimulatedAppFramework::scrollEvent(const Event& event) const {
    if (!available_.load() || event.type() != EventType::scrollWheel) {
        return std::nullopt;
    }
    auto* simulated = dynamic_cast<const SimulatedEvent*>(&event);
    AppScrollEvent scroll;
    scroll.directionInvertedFromDevice =
        simulated != nullptr && simulated->directionInvertedFromDevice();
    scroll.hasPreciseScrollingDeltas = event.integerValue(field::scrollWheelEventIsContinuous) != 0;
    scroll.deltaY = event.doubleValue(field::scrollWheelEventFixedPtDeltaAxis1);
    scroll.deltaX = event.doubleValue(field::scrollWheelEventFixedPtDeltaAxis2);
    if (scroll.hasPreciseScrollingDeltas) {
        scroll.scrollingDeltaY = event.doubleValue(field::scrollWheelEventPointDeltaAxis1);
        scroll.scrollingDeltaX = event.doubleValue(field::scrollWheelEventPointDeltaAxis2);
    } else {
        scroll.scrollingDeltaY = scroll.deltaY;
        scroll.scrollingDeltaX = scroll.deltaX;
    }
    scroll.phase = appPhaseOf(event.integerValue(field::scrollWheelEventScrollPhase));
    scroll.momentumPhase = appMomentumOf(event.integerValue(field::scrollWheelEventMomentumPhase));
    return scroll;
}

// --- System facts

namespace {

std::string trimmed(std::string text) {
    auto notSpace = [](unsigned char c) { return !std::isspace(c); };
    text.erase(text.begin(), std::find_if(text.begin(), text.end(), notSpace));
    text.erase(std::find_if(text.rbegin(), text.rend(), notSpace).base(), text.end());
    return text;
}

// The value after `key` and a separator on the first line of a file that starts with `key`.
std::string lineValue(const char* path, std::string_view key, char separator) {
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        if (line.starts_with(key)) {
            auto at = line.find(separator);
            if (at != std::string::npos) {
                std::string value = trimmed(line.substr(at + 1));
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
    return trimmed(line);
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
