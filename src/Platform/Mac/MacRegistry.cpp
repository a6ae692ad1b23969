#include "Platform/Mac/MacRegistry.hpp"

#include "Platform/Mac/MacCF.hpp"

#include <algorithm>
#include <cstring>

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

std::optional<RegistryProperty> propertyValue(CFTypeRef value) {
    const CFTypeID type = CFGetTypeID(value);
    if (type == CFStringGetTypeID()) {
        return RegistryProperty(toString(static_cast<CFStringRef>(value)));
    }
    if (type == CFBooleanGetTypeID()) {
        return RegistryProperty(CFBooleanGetValue(static_cast<CFBooleanRef>(value)) != 0);
    }
    if (type == CFNumberGetTypeID()) {
        auto number = static_cast<CFNumberRef>(value);
        if (CFNumberIsFloatType(number)) {
            double real = 0;
            CFNumberGetValue(number, kCFNumberDoubleType, &real);
            return RegistryProperty(real);
        }
        std::int64_t whole = 0;
        CFNumberGetValue(number, kCFNumberSInt64Type, &whole);
        return RegistryProperty(whole);
    }
    return std::nullopt;
}

} // namespace

MacRegistry::~MacRegistry() {
    if (last_ != IO_OBJECT_NULL) {
        IOObjectRelease(last_);
    }
}

io_registry_entry_t MacRegistry::find(std::uint64_t entryID) const {
    {
        std::lock_guard lock(mutex_);
        if (last_ != IO_OBJECT_NULL && lastID_ == entryID) {
            IOObjectRetain(last_);
            return last_;
        }
    }
    // The matching dictionary is consumed by the lookup.
    CFMutableDictionaryRef matching = IORegistryEntryIDMatching(entryID);
    if (matching == nullptr) {
        return IO_OBJECT_NULL;
    }
    io_service_t found = IOServiceGetMatchingService(kIOMainPortDefault, matching);
    if (found == IO_OBJECT_NULL) {
        return IO_OBJECT_NULL;
    }
    std::lock_guard lock(mutex_);
    if (last_ != IO_OBJECT_NULL) {
        IOObjectRelease(last_);
    }
    IOObjectRetain(found);
    last_ = found;
    lastID_ = entryID;
    return found;
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
    return propertyValue(value.get());
}

std::optional<std::vector<RegistryEntry>> MacRegistry::entries(std::string_view plane) const {
    io_name_t planeName{};
    copyName(plane, planeName);
    io_iterator_t iterator = IO_OBJECT_NULL;
    if (IORegistryCreateIterator(kIOMainPortDefault, planeName, kIORegistryIterateRecursively,
                                 &iterator) != KERN_SUCCESS) {
        return std::nullopt;
    }
    Object walk(iterator);
    std::vector<RegistryEntry> found;
    while (io_registry_entry_t next = IOIteratorNext(walk.get())) {
        Object entry(next);
        std::uint64_t id = 0;
        if (IORegistryEntryGetRegistryEntryID(entry.get(), &id) == KERN_SUCCESS) {
            found.push_back(RegistryEntry{id});
        }
    }
    return found;
}

} // namespace platform::mac
