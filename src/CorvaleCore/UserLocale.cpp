#include "CorvaleCore/UserLocale.hpp"

#include <clocale>

namespace corvale {

UserLocale::UserLocale(int mask) : locale_(newlocale(mask, userLocaleName().c_str(), locale_t{})) {
    if (locale_ == locale_t{}) {
        locale_ = newlocale(mask, "C", locale_t{});
    }
}

UserLocale::~UserLocale() {
    if (locale_ != locale_t{}) {
        freelocale(locale_);
    }
}

std::string UserLocale::info(nl_item item, std::string_view fallback) const {
    if (locale_ == locale_t{}) {
        return std::string(fallback);
    }
    const char* value = nl_langinfo_l(item, locale_);
    return value != nullptr && *value != '\0' ? value : std::string(fallback);
}

std::string UserLocale::format(const char* pattern, const std::tm& time) const {
    char buffer[256];
    std::size_t written = locale_ != locale_t{}
                              ? strftime_l(buffer, sizeof buffer, pattern, &time, locale_)
                              : std::strftime(buffer, sizeof buffer, pattern, &time);
    return std::string(buffer, written);
}

#if defined(__APPLE__)
// macOS has no GROUPING item; its localeconv_l gives both.
std::string UserLocale::thousandsSeparator() const {
    const lconv* conventions = locale_ != locale_t{} ? localeconv_l(locale_) : nullptr;
    return conventions != nullptr && conventions->thousands_sep != nullptr
               ? conventions->thousands_sep
               : "";
}

std::string UserLocale::grouping() const {
    const lconv* conventions = locale_ != locale_t{} ? localeconv_l(locale_) : nullptr;
    return conventions != nullptr && conventions->grouping != nullptr ? conventions->grouping : "";
}
#else
// glibc has no localeconv_l; its langinfo items give the same.
std::string UserLocale::thousandsSeparator() const {
    return info(THOUSANDS_SEP, "");
}

std::string UserLocale::grouping() const {
    return info(GROUPING, "");
}
#endif

std::string posixLocaleName(std::string_view identifier) {
    identifier = identifier.substr(0, identifier.find('@'));
    if (identifier.empty()) {
        return {};
    }
    const std::size_t languageEnd = identifier.find_first_of("-_");
    std::string name(identifier.substr(0, languageEnd));
    if (const std::size_t region = identifier.find('_'); region != std::string_view::npos) {
        name += identifier.substr(region, identifier.find('_', region + 1) - region);
    }
    return name + ".UTF-8";
}

} // namespace corvale
