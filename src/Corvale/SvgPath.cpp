#include "Corvale/SvgPath.hpp"

#include "CorvaleCore/Text.hpp"

#include <charconv>
#include <cmath>
#include <cstddef>

namespace corvale::SvgPath {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == ',';
}

class Reader {
public:
    explicit Reader(std::string_view data) : data_(data) {}

    void skipSeparators() {
        while (at_ < data_.size() && isSeparator(data_[at_])) {
            ++at_;
        }
    }
    bool atEnd() {
        skipSeparators();
        return at_ == data_.size();
    }
    bool nextIsNumber() {
        skipSeparators();
        if (at_ == data_.size()) {
            return false;
        }
        const char c = data_[at_];
        return isDigit(c) || c == '.' || c == '-' || c == '+';
    }
    char command() { return data_[at_++]; }

    // A number: sign, digits with at most one point (at least one digit), then an exponent.
    std::optional<double> number() {
        if (!nextIsNumber()) {
            return std::nullopt;
        }
        const std::size_t start = at_;
        std::size_t end = at_;
        if (data_[end] == '-' || data_[end] == '+') {
            ++end;
        }
        std::size_t digits = 0;
        while (end < data_.size() && isDigit(data_[end])) {
            ++end;
            ++digits;
        }
        if (end < data_.size() && data_[end] == '.') {
            ++end;
            while (end < data_.size() && isDigit(data_[end])) {
                ++end;
                ++digits;
            }
        }
        if (digits == 0) {
            return std::nullopt;
        }
        if (end < data_.size() && (data_[end] == 'e' || data_[end] == 'E')) {
            std::size_t exponent = end + 1;
            if (exponent < data_.size() && (data_[exponent] == '-' || data_[exponent] == '+')) {
                ++exponent;
            }
            if (exponent == data_.size() || !isDigit(data_[exponent])) {
                return std::nullopt;
            }
            while (exponent < data_.size() && isDigit(data_[exponent])) {
                ++exponent;
            }
            end = exponent;
        }
        // The reader takes no leading plus.
        const std::size_t first = data_[start] == '+' ? start + 1 : start;
        double value = 0;
        auto [stop, error] = readDouble(data_.substr(first, end - first), value);
        if (error != std::errc() || stop != data_.data() + end || !std::isfinite(value)) {
            return std::nullopt;
        }
        at_ = end;
        return value;
    }

private:
    std::string_view data_;
    std::size_t at_ = 0;
};

// How many numbers one repetition of a command takes.
std::optional<std::size_t> arity(char command) {
    switch (command) {
    case 'M':
    case 'L':
        return 2;
    case 'H':
    case 'V':
        return 1;
    case 'C':
        return 6;
    case 'Z':
        return 0;
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<std::vector<Segment>> parse(std::string_view data) {
    Reader reader(data);
    std::vector<Segment> segments;
    Point current;
    Point subpathStart;
    bool moved = false;
    while (!reader.atEnd()) {
        if (reader.nextIsNumber()) {
            return std::nullopt; // numbers with no command before them
        }
        const char letter = reader.command();
        const bool relative = letter >= 'a' && letter <= 'z';
        char command = relative ? static_cast<char>(letter - 'a' + 'A') : letter;
        std::optional<std::size_t> count = arity(command);
        if (!count || (!moved && command != 'M')) {
            return std::nullopt;
        }
        if (command == 'Z') {
            segments.push_back({Segment::Kind::close, {}});
            current = subpathStart;
            continue;
        }
        // A command repeats while numbers follow; a move's repetitions are lines.
        bool first = true;
        do {
            double n[6] = {};
            for (std::size_t i = 0; i < *count; ++i) {
                std::optional<double> value = reader.number();
                if (!value) {
                    return std::nullopt;
                }
                n[i] = *value;
            }
            const Point base = relative ? current : Point{};
            auto point = [&](std::size_t i) { return Point{base.x + n[i], base.y + n[i + 1]}; };
            switch (command) {
            case 'M':
                current = point(0);
                if (first) {
                    subpathStart = current;
                    moved = true;
                    segments.push_back({Segment::Kind::move, {current}});
                } else {
                    segments.push_back({Segment::Kind::line, {current}});
                }
                break;
            case 'L':
                current = point(0);
                segments.push_back({Segment::Kind::line, {current}});
                break;
            case 'H':
                current.x = (relative ? current.x : 0) + n[0];
                segments.push_back({Segment::Kind::line, {current}});
                break;
            case 'V':
                current.y = (relative ? current.y : 0) + n[0];
                segments.push_back({Segment::Kind::line, {current}});
                break;
            case 'C': {
                Segment curve{Segment::Kind::curve, {point(0), point(2), point(4)}};
                current = curve.points[2];
                segments.push_back(std::move(curve));
                break;
            }
            default:
                break;
            }
            first = false;
        } while (reader.nextIsNumber());
    }
    return segments;
}

} // namespace corvale::SvgPath
