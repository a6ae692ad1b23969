#include "App/AppProcess.hpp"

#include "CorvaleCore/Bundle.hpp"
#include "CorvaleCore/Defaults.hpp"
#include "CorvaleCore/Files.hpp"
#include "CorvaleCore/Folders.hpp"
#include "CorvaleCore/Json.hpp"
#include "SkiroEngine/Config.hpp"
#include "SkiroEngine/Identity.hpp"

#include "Support/Framework.hpp"
#include "Support/TemporaryHome.hpp"

#include <gtest/gtest.h>

#include <signal.h>

#include <fstream>
#include <thread>

namespace skiro::test {
namespace {

using corvale::json::Json;

class DiagnosticsEndToEnd : public AppTest {
protected:
    static bool contains(const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    }
};

TEST_F(DiagnosticsEndToEnd, TheReportSaysHowScrollingWentAndACrashIsNotedAtTheNextLaunch) {
    {
        App& app = launch({{"SKIRO_TEST_HOOKS", "1"}});
        ASSERT_EQ(app.run({"set", "mouse", "both", "standard"}).status, 0);
        ASSERT_EQ(app.run({"test-scroll", "mouse", "3", "0"}).status, 0);

        Finished printed = app.run({"diagnostics"});
        ASSERT_EQ(printed.status, 0) << printed.err;
        const std::string& report = printed.out;
        const std::string build =
            corvale::Bundle::compiled().string(corvale::Bundle::versionKey).value_or("?");
        EXPECT_TRUE(report.starts_with("## Skiro diagnostics\n\n- Skiro " +
                                       appIdentity().version() + " (" + build + "), running\n"))
            << report;
        for (const char* part : {
                 "\n- Natural scrolling in System Settings: on\n"
                 "- Scroll tap: at the HID level, on\n"
                 "- HID functions: found\n"
                 "- Accessibility settings: none\n",
                 "\n### Scrolling\n```\n- Directions: trackpad up and down natural, left and "
                 "right natural; mouse up and down standard, left and right standard.\n",
                 "(since Skiro started): 1 scrolls, 1 turned.\n",
                 "Mouse: 1 (1 turned), of them posted by another app: 0.\n",
                 "\n### State\n```json\n{\n",
                 "\n### Settings\n```json\n{\n",
                 "\n### Recent log\n```\n",
             }) {
            EXPECT_TRUE(contains(report, part)) << "missing: " << part << "\nin:\n" << report;
        }
        // The client printed the file the command wrote.
        EXPECT_EQ(corvale::readFile(home.cache() / "Skiro" / "diagnostics.md").value_or("") + "\n",
                  report);

        EXPECT_EQ(app.end(SIGKILL).signal, SIGKILL);
    }

    // The run that was killed left a crash report; the next launch, past onboarding and with
    // detailed logging, finds it at its first search.
    Json head = {{"app_name", "Skiro"}, {"bundleID", "dev.skiro.Skiro"}, {"app_version", "1"}};
    std::filesystem::create_directories(corvale::Folders::diagnosticReports());
    std::ofstream(corvale::Folders::diagnosticReports() / "Skiro-2026-03-02-090503.ips")
        << head.dump() << "\n{}";
    Config config;
    config.hasCompletedOnboarding = true;
    config.detailedLogging = true;
    ASSERT_TRUE(corvale::Defaults::standard().set(
        "config", corvale::json::encodeCompact(corvale::json::encode(config))));

    App& again = launch({});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::string log;
    // An application that ended (a sanitizer stops it at its first report) answers nothing more.
    while (std::chrono::steady_clock::now() < deadline && again.process().running()) {
        log = again.run({"log"}).out;
        if (contains(log, "The crash note is ready")) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    EXPECT_TRUE(contains(log, "The crash note is ready: Skiro quit unexpectedly (version " +
                                  appIdentity().version() + ")."))
        << log;
    EXPECT_EQ(again.end(SIGTERM).status, 0);
}

} // namespace
} // namespace skiro::test
