#include "Skiro/Tap/ScrollFields.hpp"

#include <charconv>
#include <cstring>

namespace skiro {

namespace {

namespace field = platform::field;

// Appends to a fixed buffer, dropping what does not fit.
class Writer {
public:
    explicit Writer(std::span<char> into) noexcept : into_(into) {}

    void text(std::string_view piece) noexcept {
        std::size_t n = std::min(piece.size(), into_.size() - length_);
        std::memcpy(into_.data() + length_, piece.data(), n);
        length_ += n;
    }
    template <class Number>
    void number(Number value) noexcept {
        char digits[32];
        auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
        if (error == std::errc{}) {
            text(std::string_view(digits, static_cast<std::size_t>(end - digits)));
        }
    }
    void axis(const AxisDeltas& deltas) noexcept {
        text("line ");
        number(deltas.line);
        text(", fixed ");
        number(deltas.fixedPoint);
        text(", point ");
        number(deltas.point);
    }
    void deltas(const ScrollDeltas& deltas) noexcept {
        text("(vertical: ");
        axis(deltas.vertical);
        text("; horizontal: ");
        axis(deltas.horizontal);
        text(")");
    }
    std::size_t length() const noexcept { return length_; }

private:
    std::span<char> into_;
    std::size_t length_ = 0;
};

AxisDeltas readAxis(const platform::Event& event, Axis axis) {
    return AxisDeltas{event.integerValue(eventField(DeltaField::line, axis)),
                      event.doubleValue(eventField(DeltaField::fixed, axis)),
                      event.integerValue(eventField(DeltaField::point, axis))};
}

} // namespace

std::string_view toString(DeltaField deltaField) {
    switch (deltaField) {
    case DeltaField::line:
        return "line";
    case DeltaField::fixed:
        return "fixed";
    case DeltaField::point:
        return "point";
    }
    return "line";
}

std::optional<DeltaField> deltaFieldFromString(std::string_view text) {
    for (DeltaField candidate : allDeltaFields) {
        if (toString(candidate) == text) {
            return candidate;
        }
    }
    return std::nullopt;
}

platform::EventField eventField(DeltaField deltaField, Axis axis) {
    const bool vertical = axis == Axis::vertical;
    switch (deltaField) {
    case DeltaField::line:
        return vertical ? field::scrollWheelEventDeltaAxis1 : field::scrollWheelEventDeltaAxis2;
    case DeltaField::fixed:
        return vertical ? field::scrollWheelEventFixedPtDeltaAxis1
                        : field::scrollWheelEventFixedPtDeltaAxis2;
    case DeltaField::point:
        return vertical ? field::scrollWheelEventPointDeltaAxis1
                        : field::scrollWheelEventPointDeltaAxis2;
    }
    return field::scrollWheelEventDeltaAxis1;
}

ScrollDeltas readDeltas(const platform::Event& event) {
    return ScrollDeltas{readAxis(event, Axis::vertical), readAxis(event, Axis::horizontal)};
}

void write(const ScrollDeltas& deltas, platform::Event& event, Flip axes,
           std::span<const DeltaField> order) {
    for (Axis axis : allCases<Axis>) {
        const bool vertical = axis == Axis::vertical;
        if (!(vertical ? axes.vertical : axes.horizontal)) {
            continue;
        }
        const AxisDeltas& values = vertical ? deltas.vertical : deltas.horizontal;
        for (DeltaField deltaField : order) {
            const platform::EventField number = eventField(deltaField, axis);
            switch (deltaField) {
            case DeltaField::line:
                event.setIntegerValue(number, values.line);
                break;
            case DeltaField::fixed:
                event.setDoubleValue(number, values.fixedPoint);
                break;
            case DeltaField::point:
                event.setIntegerValue(number, values.point);
                break;
            }
        }
    }
}

Flip turnable(Flip flip, const ScrollDeltas& before) {
    return Flip{flip.vertical && before.vertical != AxisDeltas::zero,
                flip.horizontal && before.horizontal != AxisDeltas::zero};
}

void turn(const ScrollDeltas& wanted, platform::Event& event, Flip turned,
          platform::IOHIDEvent* hid, const HIDEvent::Functions& functions) {
    write(wanted, event, turned, pipelineWriteOrder);
    if (hid == nullptr || functions.getFloat == nullptr || functions.setFloat == nullptr) {
        return;
    }
    if (turned.vertical) {
        functions.setFloat(hid, HIDEvent::fieldScrollY,
                           -functions.getFloat(hid, HIDEvent::fieldScrollY));
    }
    if (turned.horizontal) {
        functions.setFloat(hid, HIDEvent::fieldScrollX,
                           -functions.getFloat(hid, HIDEvent::fieldScrollX));
    }
}

std::size_t describe(const ScrollDeltas& deltas, std::span<char> into) noexcept {
    Writer writer(into);
    writer.deltas(deltas);
    return writer.length();
}

std::string toString(const ScrollDeltas& deltas) {
    char buffer[deltasTextCapacity];
    return std::string(buffer, describe(deltas, buffer));
}

std::size_t describeRewriteFailure(const ScrollDeltas& wanted, const ScrollDeltas& got,
                                   std::span<char> into) noexcept {
    Writer writer(into);
    writer.text("wanted ");
    writer.deltas(wanted);
    writer.text(", got ");
    writer.deltas(got);
    return writer.length();
}

bool verifyRewrite(const platform::Event& event, const ScrollDeltas& wanted,
                   RewriteFailure& failure) noexcept {
    const ScrollDeltas after = readDeltas(event);
    if (after == wanted) {
        return true;
    }
    failure.length = describeRewriteFailure(wanted, after, failure.text);
    return false;
}

} // namespace skiro
