#include "Platform/Simulated/XdgLoginItem.hpp"

#include "CorvaleCore/Files.hpp"
#include "CorvaleCore/SystemCalls.hpp"

#include "Support/Framework.hpp"
#include "Support/TemporaryHome.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace platform::simulated {
namespace {

using Status = LoginItem::Status;

// What the desktop's validator says about `file`: empty when it is a valid entry.
std::string validatorComplaints(const std::filesystem::path& file) {
    const std::string command = std::string(SKIRO_DESKTOP_FILE_VALIDATE) + " '" + file.string() +
                                "' 2>&1; echo \"exit $?\"";
    std::string said;
    if (FILE* output = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, output) != nullptr) {
            said += buffer;
        }
        ::pclose(output);
    }
    return said == "exit 0\n" ? "" : said;
}

struct XdgLoginItemTest : ::testing::Test {
    void SetUp() override {
        if (std::string(SKIRO_DESKTOP_FILE_VALIDATE).empty()) {
            GTEST_SKIP()
                << "desktop-file-validate, the Linux desktop's validator, is not installed";
        }
    }

    corvale::test::TemporaryHome home;
    corvale::test::ScopedIdentity identity{{"Skiro", "dev.skiro.Skiro", "skiro-dev/Skiro"}};
    XdgLoginItem item;
    std::filesystem::path entry = home.config() / "autostart" / "dev.skiro.Skiro.desktop";
};

TEST_F(XdgLoginItemTest,
       RegisteringWritesAValidEntryStartingThisExecutableAndUnregisteringRemovesIt) {
    EXPECT_EQ(XdgLoginItem::entry(), entry);
    EXPECT_EQ(item.status(), Status::notRegistered);
    EXPECT_EQ(item.unregisterApp(), std::nullopt) << "removing what is not there is no failure";

    ASSERT_EQ(item.registerApp(), std::nullopt);
    EXPECT_EQ(item.status(), Status::enabled);
    const std::string text = corvale::readFile(entry).value_or("");
    const std::string executable = corvale::runningExecutable().string();
    EXPECT_NE(text.find("\nExec=" + executable + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nName=Skiro\n"), std::string::npos) << text;
    EXPECT_EQ(validatorComplaints(entry), "");

    // A session skips an entry the user switched off in the desktop's own settings.
    corvale::writeAtomically(entry, text + "Hidden=true\n");
    EXPECT_EQ(item.status(), Status::notRegistered);

    ASSERT_EQ(item.unregisterApp(), std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_EQ(item.status(), Status::notRegistered);
}

TEST_F(XdgLoginItemTest,
       QuotesAnExecutablePathWithReservedCharactersAndReportsAFolderItCannotMake) {
    std::filesystem::create_directories(entry.parent_path());
    corvale::writeAtomically(entry,
                             XdgLoginItem::contents("/opt/my apps/\"odd\" $name/100%/back\\slash"));
    const std::string text = corvale::readFile(entry).value_or("");
    EXPECT_NE(text.find(R"(Exec="/opt/my apps/\\"odd\\" \\$name/100%%/back\\\\slash")"),
              std::string::npos)
        << text;
    EXPECT_EQ(validatorComplaints(entry), "");

    // A file where the autostart folder should be.
    std::filesystem::remove_all(entry.parent_path());
    std::ofstream(entry.parent_path()) << "not a folder";
    std::optional<std::string> failure = item.registerApp();
    ASSERT_TRUE(failure);
    EXPECT_NE(failure->find("autostart"), std::string::npos) << *failure;
    EXPECT_EQ(item.status(), Status::notRegistered);
}

} // namespace
} // namespace platform::simulated
