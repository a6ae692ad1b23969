#include "CorvaleCore/UserLocale.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace corvale {
namespace {

// The system's locale identifiers, as macOS names the user's locale, to the names newlocale
// knows.
class PosixLocaleName : public ::testing::TestWithParam<std::pair<std::string, std::string>> {};

TEST_P(PosixLocaleName, KeepsLanguageAndRegionOnly) {
    EXPECT_EQ(posixLocaleName(GetParam().first), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(
    Identifiers, PosixLocaleName,
    ::testing::Values(std::pair<std::string, std::string>{"en_US", "en_US.UTF-8"},
                      std::pair<std::string, std::string>{"de_CH@rg=chzzzz", "de_CH.UTF-8"},
                      std::pair<std::string, std::string>{"zh-Hans_CN", "zh_CN.UTF-8"},
                      std::pair<std::string, std::string>{"en_US_POSIX", "en_US.UTF-8"},
                      std::pair<std::string, std::string>{"fr", "fr.UTF-8"},
                      std::pair<std::string, std::string>{"@calendar=japanese", ""},
                      std::pair<std::string, std::string>{"", ""}));

} // namespace
} // namespace corvale
