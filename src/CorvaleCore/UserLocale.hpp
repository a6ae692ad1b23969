#pragma once

#include <langinfo.h>
#include <locale.h>

#include <ctime>
#include <string>
#include <string_view>

// macOS declares locale_t and the *_l calls only here, and only for the headers included first.
#if defined(__APPLE__)
#include <xlocale.h>
#endif

namespace corvale {

// The user's locale for the categories of `mask` (LC_TIME_MASK, LC_NUMERIC_MASK, ...), made
// afresh, so it follows the environment as it is now; the C locale when the user's is not
// installed. One thread at a time.
class UserLocale {
public:
    explicit UserLocale(int mask);
    UserLocale(const UserLocale&) = delete;
    UserLocale& operator=(const UserLocale&) = delete;
    ~UserLocale();

    // The locale's text for `item` (T_FMT, D_FMT, ...); `fallback` when it has none.
    std::string info(nl_item item, std::string_view fallback) const;
    // strftime in the locale; empty when the result does not fit 255 bytes.
    std::string format(const char* pattern, const std::tm& time) const;
    // Between groups of digits, such as ","; and the sizes of the groups as the C library gives
    // them (localeconv's `grouping`). Both empty for no grouping.
    std::string thousandsSeparator() const;
    std::string grouping() const;

private:
    locale_t locale_;
};

// The name newlocale knows the user's locale by. On Linux, and on macOS when the environment
// names a locale (a terminal's LANG), the empty name: the environment's. An application opened
// from the Finder has no LANG, so on macOS the system's current locale is asked for otherwise.
std::string userLocaleName();

// The POSIX name of a system locale identifier: language and region, UTF-8 ("de_CH@rg=chzzzz"
// and "de-Latn_CH" give "de_CH.UTF-8"); empty for an empty identifier.
std::string posixLocaleName(std::string_view identifier);

} // namespace corvale
