#include "Skiro/TimeOfDay.hpp"

#include "CorvaleCore/UserLocale.hpp"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>
#include <vector>

namespace skiro {

namespace {

// A piece of a strftime format: a conversion (its letter in `conversion`) or literal text.
struct Piece {
    std::string text;
    char conversion = 0;
};

void split(std::string_view format, std::vector<Piece>& pieces) {
    auto literal = [&](std::string_view text) {
        if (!pieces.empty() && pieces.back().conversion == 0) {
            pieces.back().text += text;
        } else {
            pieces.push_back({std::string(text), 0});
        }
    };
    std::size_t i = 0;
    while (i < format.size()) {
        if (format[i] != '%' || i + 1 == format.size()) {
            literal(format.substr(i, 1));
            i += 1;
            continue;
        }
        std::size_t j = i + 1;
        while (j < format.size() && std::strchr("_-0^#", format[j]) != nullptr) {
            j += 1;
        }
        while (j < format.size() && std::isdigit(static_cast<unsigned char>(format[j]))) {
            j += 1;
        }
        if (j < format.size() && (format[j] == 'E' || format[j] == 'O')) {
            j += 1;
        }
        if (j == format.size()) {
            literal(format.substr(i));
            break;
        }
        const char letter = format[j];
        const std::string_view whole = format.substr(i, j - i + 1);
        const bool bare = j == i + 1;
        // Conversions that stand for several: spelled out, so the seconds can be found.
        if (bare && (letter == 'T' || letter == 'X')) {
            split("%H:%M:%S", pieces);
        } else if (bare && letter == 'r') {
            split("%I:%M:%S %p", pieces);
        } else if (bare && letter == 'R') {
            split("%H:%M", pieces);
        } else if (letter == '%') {
            literal(whole);
        } else {
            pieces.push_back({std::string(whole), letter});
        }
        i = j + 1;
    }
}

// Only spaces and ASCII punctuation: a separator like ":" rather than a unit like "秒".
bool isSeparator(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) {
        auto byte = static_cast<unsigned char>(c);
        return byte < 0x80 && (std::ispunct(byte) || std::isspace(byte));
    });
}

} // namespace

std::string shortTimeFormat(std::string_view timeFormat) {
    std::vector<Piece> pieces;
    split(timeFormat, pieces);
    auto seconds = std::find_if(pieces.begin(), pieces.end(),
                                [](const Piece& piece) { return piece.conversion == 'S'; });
    if (seconds != pieces.end()) {
        // The separator before the seconds goes with them ("%M:%S"); where none is, the unit
        // after them does ("%M分%S秒").
        auto first = seconds;
        auto last = seconds + 1;
        if (seconds != pieces.begin() && (seconds - 1)->conversion == 0 &&
            isSeparator((seconds - 1)->text)) {
            first = seconds - 1;
        } else if (last != pieces.end() && last->conversion == 0 && !isSeparator(last->text)) {
            last += 1;
        }
        pieces.erase(first, last);
    }
    std::string format;
    for (const Piece& piece : pieces) {
        if (piece.text == "%I" || piece.text == "%l") {
            format += piece.text == "%I" ? "%-I" : "%-l";
        } else {
            format += piece.text;
        }
    }
    return format;
}

std::string shortTimeOfDay(std::chrono::system_clock::time_point when) {
    const corvale::UserLocale locale(LC_TIME_MASK);
    std::string format = shortTimeFormat(locale.info(T_FMT, ""));
    if (format.empty()) {
        format = "%H:%M";
    }

    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    ::tzset(); // the zone as the environment names it now
    std::tm local{};
    ::localtime_r(&seconds, &local);

    std::string text = locale.format(format.c_str(), local);
    if (text.empty()) {
        text = locale.format("%H:%M", local);
    }
    return text;
}

} // namespace skiro
