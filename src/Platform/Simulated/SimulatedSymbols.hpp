#pragma once

#include "Platform/HIDEvent.hpp"

#include <atomic>
#include <string_view>

// The process's symbol table as the simulated system offers it.
namespace platform::simulated {

// The four HID functions, each of which can be made missing, and the release of a copied HID
// event.
class SimulatedSymbols final : public Symbols {
public:
    Address lookup(std::string_view name) const override;
    // Only the four HID function names can be made missing; other names are never provided.
    void setMissing(std::string_view name, bool missing);

private:
    std::atomic<bool> missing_[5] = {false, false, false, false, false};
};

} // namespace platform::simulated
