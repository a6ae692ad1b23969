#pragma once

#include <string_view>

// Marks each scroll's handling as one interval, so its cost can be traced. This build has no
// tracing facility to emit to (no static probes on the system), so an interval costs nothing:
// opening and closing one compiles away. A backend with a tracer would emit here and nowhere
// else.
namespace skiro {

class Signposter {
public:
    // One open interval; closed when it goes out of scope, by any path.
    class Interval {
    public:
        Interval(const Interval&) = delete;
        Interval& operator=(const Interval&) = delete;
        // Where a tracer would close the interval.
        ~Interval() {}

    private:
        friend class Signposter;
        constexpr Interval() noexcept = default;
    };

    explicit constexpr Signposter(std::string_view category) noexcept : category_(category) {}

    constexpr std::string_view category() const noexcept { return category_; }

    [[nodiscard]] Interval beginInterval(std::string_view /*name*/) const noexcept { return {}; }

private:
    std::string_view category_;
};

} // namespace skiro
