#pragma once

#include "Platform/Event.hpp"
#include "Skiro/Tap/HIDEvent.hpp"
#include "SkiroCore/ScrollDeltas.hpp"

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// The scroll event's fields as the tap reads and writes them.
namespace skiro {

namespace scrollField {
inline constexpr platform::EventField isContinuous = platform::field::scrollWheelEventIsContinuous;
inline constexpr platform::EventField scrollPhase = platform::field::scrollWheelEventScrollPhase;
inline constexpr platform::EventField momentumPhase =
    platform::field::scrollWheelEventMomentumPhase;
// With test hooks on: the sender a synthetic event stands in for.
inline constexpr platform::EventField testSender = 87;
} // namespace scrollField

namespace modifier {
inline constexpr platform::EventFlags shift = platform::flag::shift;
// Control, option or command.
inline constexpr platform::EventFlags shortcutKeys =
    platform::flag::control | platform::flag::alternate | platform::flag::command;
} // namespace modifier

// The three measures of one axis, as event fields.
enum class DeltaField { line, fixed, point };

std::string_view toString(DeltaField field);
// Exact match of the text form.
std::optional<DeltaField> deltaFieldFromString(std::string_view text);

inline constexpr std::array<DeltaField, 3> allDeltaFields{DeltaField::line, DeltaField::fixed,
                                                          DeltaField::point};

// The order the pipeline writes a turned axis in.
inline constexpr std::array<DeltaField, 3> pipelineWriteOrder{DeltaField::line, DeltaField::fixed,
                                                              DeltaField::point};

// The event field of one measure of one axis: 11, 93, 96 vertical; 12, 94, 97 horizontal.
platform::EventField eventField(DeltaField field, Axis axis);

// The six delta fields of an event: line and point as integers, fixed-point as a real number.
ScrollDeltas readDeltas(const platform::Event& event);

// Writes the axes named by `axes` into the event, vertical first, each measure in `order`;
// an axis not named is not touched at all.
void write(const ScrollDeltas& deltas, platform::Event& event, Flip axes,
           std::span<const DeltaField> order);

// The axes of `flip` that have something to negate: an axis whose three measures are all 0 is
// neither written nor counted as turned.
Flip turnable(Flip flip, const ScrollDeltas& before);

// Turns the axes named by `turned`: writes `wanted` into the event in the pipeline's order,
// then negates the HID event's values of those axes, vertical first (when there is a HID event
// and the system gives the functions to read and write them).
void turn(const ScrollDeltas& wanted, platform::Event& event, Flip turned,
          platform::IOHIDEvent* hid, const HIDEvent::Functions& functions);

// The text form of deltas, both axes with line, fixed-point and point in that order:
// "(vertical: line -1, fixed -1.5, point -15; horizontal: line 0, fixed 0, point 0)".
// `describe` writes it into `into` without allocating and returns its length (cut to fit).
inline constexpr std::size_t deltasTextCapacity = 224;
std::size_t describe(const ScrollDeltas& deltas, std::span<char> into) noexcept;
std::string toString(const ScrollDeltas& deltas);

// "wanted <deltas>, got <deltas>": what a rewrite that did not read back as written says.
inline constexpr std::size_t rewriteFailureCapacity = 2 * deltasTextCapacity + 16;
std::size_t describeRewriteFailure(const ScrollDeltas& wanted, const ScrollDeltas& got,
                                   std::span<char> into) noexcept;

// What a rewrite that did not read back as written says, kept without allocating.
struct RewriteFailure {
    std::array<char, rewriteFailureCapacity> text;
    std::size_t length = 0;
    std::span<const char> view() const { return {text.data(), length}; }
};
// Reads the event's deltas after a rewrite: true when they are `wanted`; otherwise `failure`
// says what was wanted and what came back.
bool verifyRewrite(const platform::Event& event, const ScrollDeltas& wanted,
                   RewriteFailure& failure) noexcept;

} // namespace skiro
