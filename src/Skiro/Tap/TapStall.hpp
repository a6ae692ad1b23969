#pragma once

#include "CorvaleCore/Locked.hpp"
#include "Platform/Clock.hpp"

#include <cstdint>

namespace skiro {

// A test hook: the next `count` scrolls each stall the tap thread for `milliseconds` first, so
// that tests can make the system switch a slow tap off. Set from any thread, behind a small lock.
class TapStall {
public:
    void set(std::int64_t milliseconds, std::int64_t count) {
        asked_.set(Asked{milliseconds, count});
    }
    // Tap thread, once per scroll while test hooks are on: sleeps on `clock` when asked to.
    void stallIfAsked(platform::Clock& clock);

private:
    struct Asked {
        std::int64_t milliseconds = 0;
        std::int64_t count = 0;
    };
    corvale::Locked<Asked> asked_;
};

} // namespace skiro
