#include "CorvaleCore/Bundle.hpp"

#include "Support/Framework.hpp"

#include <gtest/gtest.h>

namespace corvale {
namespace {

using json::Json;

Bundle bundleWith(Json info) {
    return Bundle(std::move(info));
}

TEST(Bundle, ReadsOnlyTextValuesAndTheCompiledOneHasNameVersionAndBuild) {
    Bundle bundle = bundleWith({{"CFBundleName", "Tool"}, {"CFBundleShortVersionString", 3}});
    EXPECT_EQ(bundle.string(Bundle::nameKey), "Tool");
    EXPECT_EQ(bundle.string(Bundle::shortVersionKey), std::nullopt);
    EXPECT_EQ(bundle.string("Missing"), std::nullopt);
    // A dictionary that is not an object is no dictionary.
    EXPECT_EQ(Bundle(Json::array({1, 2})).info(), std::nullopt);
    EXPECT_EQ(Bundle().string(Bundle::nameKey), std::nullopt);

    // The compiled information has a name, a version and a build.
    Bundle compiled = Bundle::compiled();
    ASSERT_TRUE(compiled.info().has_value());
    EXPECT_FALSE(compiled.string(Bundle::nameKey).value_or("").empty());
    EXPECT_FALSE(compiled.string(Bundle::versionKey).value_or("").empty());
    std::string version = compiled.string(Bundle::shortVersionKey).value_or("");
    EXPECT_EQ(std::count(version.begin(), version.end(), '.'), 2) << version;
    EXPECT_EQ(Bundle::main(), compiled);
}

} // namespace
} // namespace corvale
