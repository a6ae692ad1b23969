#pragma once

#include <string>

// Facts about the machine, for diagnostics.
namespace platform {

class SystemFacts {
public:
    virtual ~SystemFacts() = default;

    // As the process information reports it, such as "Version 14.5 (Build 23F79)".
    virtual std::string operatingSystemVersionString() const = 0;
    // The machine's model identifier, such as "Mac14,2".
    virtual std::string modelIdentifier() const = 0;
    // The kind of processor, such as "Apple silicon".
    virtual std::string processorKind() const = 0;
};

} // namespace platform
