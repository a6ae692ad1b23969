#include "Platform/Mac/MacRegistry.hpp"

#include "Platform/Mac/MacCF.hpp"

#include <algorithm>
#include <cstring>
#include <utility>

namespace platform::mac {

namespace {

// Releases one registry object.
class Object {
public:
    explicit Object(io_object_t object) noexcept : object_(object) {}
    ~Object() {
        if (object_ != IO_OBJECT_NULL) {
            IOObjectRelease(object_);
        }
    }
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    io_object_t get() const noexcept { return object_; }
    explicit operator bool() const noexcept { return object_ != IO_OBJECT_NULL; }

private:
    io_object_t object_;
};

// A name the system reads from a fixed buffer; longer names are cut.
void copyName(std::string_view name, io_name_t buffer) {
    const std::size_t length = std::min(name.size(), sizeof(io_name_t) - 1);
    std::memcpy(buffer, name.data(), length);
    buffer[length] = '\0';
}

void releaseAll(std::unordered_map<std::uint64_t, io_registry_entry_t>& entries) {
    for (auto& [id, entry] : entries) {
        IOObjectRelease(entry);
    }
    entries.clear();
}

} // namespace

MacRegistry::~MacRegistry() {
    if (last_ != IO_OBJECT_NULL) {
        IOObjectRelease(last_);
    }
    releaseAll(walked_);
}

io_registry_entry_t MacRegistry::find(std::uint64_t entryID) const {
    {
        std::lock_guard lock(mutex_);
        if (last_ != IO_OBJECT_NULL && lastID_ == entryID) {
            IOObjectRetain(last_);
            return last_;
        }
        auto walked = walked_.find(entryID);
        if (walked != walked_.end()) {
            IOObjectRetain(walked->second);
            return walked->second;
        }
    }
    // The matching dictionary is consumed by the lookup.
    CFMutableDictionaryRef matching = IORegistryEntryIDMatching(entryID);
    if (matching == nullptr) {
        return IO_OBJECT_NULL;
    }
    io_service_t found = IOServiceGetMatchingService(kIOMainPortDefault, matching);
    if (found != IO_OBJECT_NULL) {
        remember(entryID, found);
    }
    return found;
}

void MacRegistry::remember(std::uint64_t entryID, io_registry_entry_t entry) const {
    IOObjectRetain(entry);
    io_registry_entry_t previous = IO_OBJECT_NULL;
    {
        std::lock_guard lock(mutex_);
        previous = std::exchange(last_, entry);
        lastID_ = entryID;
    }
    if (previous != IO_OBJECT_NULL) {
        IOObjectRelease(previous);
    }
}

std::optional<RegistryEntry> MacRegistry::service(std::uint64_t entryID) const {
    Object found(find(entryID));
    if (!found) {
        return std::nullopt;
    }
    return RegistryEntry{entryID};
}

std::uint64_t MacRegistry::entryID(RegistryEntry entry) const {
    return entry.handle;
}

std::string MacRegistry::className(RegistryEntry entry) const {
    Object found(find(entry.handle));
    io_name_t name{};
    if (!found || IOObjectGetClass(found.get(), name) != KERN_SUCCESS) {
        return {};
    }
    name[sizeof(io_name_t) - 1] = '\0';
    return name;
}

bool MacRegistry::conformsTo(RegistryEntry entry, std::string_view className) const {
    Object found(find(entry.handle));
    if (!found) {
        return false;
    }
    io_name_t name{};
    copyName(className, name);
    return IOObjectConformsTo(found.get(), name) != 0;
}

std::optional<RegistryEntry> MacRegistry::parent(RegistryEntry entry,
                                                 std::string_view plane) const {
    Object found(find(entry.handle));
    if (!found) {
        return std::nullopt;
    }
    io_name_t planeName{};
    copyName(plane, planeName);
    io_registry_entry_t parentEntry = IO_OBJECT_NULL;
    if (IORegistryEntryGetParentEntry(found.get(), planeName, &parentEntry) != KERN_SUCCESS) {
        return std::nullopt;
    }
    Object parent(parentEntry);
    std::uint64_t id = 0;
    if (IORegistryEntryGetRegistryEntryID(parent.get(), &id) != KERN_SUCCESS) {
        return std::nullopt;
    }
    // The caller's next question is usually about the parent.
    remember(id, parent.get());
    return RegistryEntry{id};
}

std::optional<RegistryProperty> MacRegistry::property(RegistryEntry entry,
                                                      std::string_view key) const {
    Object found(find(entry.handle));
    CFOwned<CFStringRef> name = makeString(key);
    if (!found || !name) {
        return std::nullopt;
    }
    CFOwned<CFTypeRef> value(
        IORegistryEntryCreateCFProperty(found.get(), name.get(), kCFAllocatorDefault, 0));
    if (!value) {
        return std::nullopt;
    }
    return scalarValue<RegistryProperty>(value.get());
}

namespace {

// An I/O Registry iterator over a plane that keeps, retained, only the entries with the wanted
// property; the thousands of others are let go as soon as they are passed.
class MacWalk final : public RegistryWalk {
public:
    MacWalk(io_iterator_t iterator, CFStringRef key) : iterator_(iterator), key_(key) {}
    MacWalk(const MacWalk&) = delete;
    MacWalk& operator=(const MacWalk&) = delete;
    ~MacWalk() override { releaseAll(kept_); }

    std::optional<RegistryEntry> next() override {
        while (io_registry_entry_t entry = IOIteratorNext(iterator_.get())) {
            CFOwned<CFTypeRef> value(
                IORegistryEntryCreateCFProperty(entry, key_, kCFAllocatorDefault, 0));
            std::uint64_t id = 0;
            if (!value || IORegistryEntryGetRegistryEntryID(entry, &id) != KERN_SUCCESS ||
                !kept_.emplace(id, entry).second) {
                IOObjectRelease(entry);
                continue;
            }
            return RegistryEntry{id};
        }
        return std::nullopt;
    }
    bool isValid() override { return IOIteratorIsValid(iterator_.get()) != 0; }
    void restart() override {
        releaseAll(kept_);
        IOIteratorReset(iterator_.get());
    }

    std::unordered_map<std::uint64_t, io_registry_entry_t>& kept() { return kept_; }

private:
    Object iterator_;
    CFStringRef key_;
    std::unordered_map<std::uint64_t, io_registry_entry_t> kept_;
};

} // namespace

std::optional<std::vector<RegistryEntry>> MacRegistry::entries(std::string_view plane,
                                                               std::string_view key) const {
    io_name_t planeName{};
    copyName(plane, planeName);
    CFOwned<CFStringRef> name = makeString(key);
    io_iterator_t iterator = IO_OBJECT_NULL;
    if (!name ||
        IORegistryCreateIterator(kIOMainPortDefault, planeName, kIORegistryIterateRecursively,
                                 &iterator) != KERN_SUCCESS) {
        return std::nullopt;
    }
    MacWalk walk(iterator, name.get());
    std::optional<std::vector<RegistryEntry>> found = registry::complete(walk);
    if (found) {
        std::lock_guard lock(mutex_);
        walked_.swap(walk.kept());
    }
    // The walk lets go of what it held before, or of its own entries when it failed.
    return found;
}

} // namespace platform::mac
