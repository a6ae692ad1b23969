#pragma once

#include <string>

// Facts about the machine, for diagnostics.
namespace platform {

// The display settings for people who need them, as the user has them now.
struct DisplayAccommodations {
    bool reduceMotion = false;
    bool increaseContrast = false;
    bool reduceTransparency = false;

    bool operator==(const DisplayAccommodations&) const = default;
};

class SystemFacts {
public:
    virtual ~SystemFacts() = default;

    // As the process information reports it, such as "Version 14.5 (Build 23F79)".
    virtual std::string operatingSystemVersionString() const = 0;
    // The system's own name, which reads in place of the word "Version" in the version string,
    // such as "macOS".
    virtual std::string systemName() const = 0;
    // The machine's model identifier, such as "Mac14,2".
    virtual std::string modelIdentifier() const = 0;
    // The kind of processor, such as "Apple silicon".
    virtual std::string processorKind() const = 0;
    virtual DisplayAccommodations displayAccommodations() const = 0;
};

} // namespace platform
