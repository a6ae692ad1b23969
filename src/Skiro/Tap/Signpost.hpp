#pragma once

#include <string_view>

#if defined(__APPLE__)
#include "CorvaleCore/AppIdentity.hpp"

#include <os/signpost.h>
#endif

// Marks each scroll's handling as one interval, so its cost can be traced. On macOS an interval
// is a signpost of the unified log (subsystem the bundle identifier), which Instruments shows;
// it costs a flag test while nobody traces. Elsewhere there is no tracer to emit to, and opening
// and closing an interval compiles away.
namespace skiro {

class Signposter {
public:
    // One open interval; closed when it goes out of scope, by any path.
    class Interval {
    public:
        Interval(const Interval&) = delete;
        Interval& operator=(const Interval&) = delete;
#if defined(__APPLE__)
        // The system keeps an interval's name in the binary, so its end names it literally too.
        ~Interval() {
            os_signpost_interval_end(log_, id_, "scroll");
        }
#else
        ~Interval() {}
#endif

    private:
        friend class Signposter;
#if defined(__APPLE__)
        Interval(os_log_t log, os_signpost_id_t id) noexcept : log_(log), id_(id) {}
        os_log_t log_;
        os_signpost_id_t id_;
#else
        constexpr Interval() noexcept = default;
#endif
    };

    // `category` is a literal: the system keeps the pointer.
    explicit Signposter(const char* category)
        : category_(category)
#if defined(__APPLE__)
          ,
          log_(os_log_create(corvale::AppIdentity::current().bundleID.c_str(), category))
#endif
    {
    }

    std::string_view category() const noexcept {
        return category_;
    }

    // The interval of one scroll's handling. The name is fixed: the system takes an interval's
    // name only as a literal at the place it is emitted.
#if defined(__APPLE__)
    [[nodiscard]] Interval scroll() const noexcept {
        // An identifier only while someone traces; a null one makes both ends no-ops.
        const os_signpost_id_t id =
            os_signpost_enabled(log_) ? os_signpost_id_generate(log_) : OS_SIGNPOST_ID_NULL;
        os_signpost_interval_begin(log_, id, "scroll");
        return Interval(log_, id);
    }
#else
    [[nodiscard]] Interval scroll() const noexcept {
        return {};
    }
#endif

private:
    std::string_view category_;
#if defined(__APPLE__)
    os_log_t log_;
#endif
};

} // namespace skiro
