#pragma once

// The real `skiro` executable as a user runs it: the application started in the background, and
// clients run against it, each a process of its own with its output captured.
#include "SkiroEngine/Identity.hpp"

#include "Support/Framework.hpp"
#include "Support/TemporaryHome.hpp"

#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace skiro::test {

using namespace std::chrono_literals;

// Changes to the environment a child inherits: a value sets the variable, none unsets it.
using Environment = std::vector<std::pair<std::string, std::optional<std::string>>>;

// How a child process ended.
struct Finished {
    // The exit status; -1 when a signal ended it or it did not end in time.
    int status = -1;
    // The signal that ended it, if one did.
    std::optional<int> signal;
    std::string out;
    std::string err;
    bool timedOut = false;
};

// A child process. Gone with the object: one still running is killed and reaped.
class Child {
public:
    struct Options {
        Environment environment{};
        // The working directory; this process's own when none.
        std::optional<std::filesystem::path> folder{};
        // Standard output and error go to this file instead of being captured.
        std::optional<std::filesystem::path> outputFile{};
    };

    Child(const std::vector<std::string>& arguments, const Options& options);
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child();

    pid_t pid() const { return pid_; }
    bool running();
    void signal(int number) const;
    // Reads what it writes until it ends, or kills it once `within` has passed.
    Finished wait(std::chrono::milliseconds within = 60s);

private:
    void reap(int status);

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    std::optional<int> waitStatus_;
};

// The executable under test.
std::filesystem::path executable();

// Runs `skiro <arguments>` to its end.
Finished client(const std::vector<std::string>& arguments, const Child::Options& options = {});

// The application, started in the current HOME and XDG folders. Its output goes to a log file
// in `logFolder`, shown when a test fails.
class App {
public:
    App(const std::filesystem::path& logFolder, Environment environment,
        const std::filesystem::path& program = executable());
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // The application answers `state` (it listens on its socket); false if it ended first or
    // did not answer within the deadline.
    bool ready(std::chrono::milliseconds within = 60s);
    Finished run(const std::vector<std::string>& arguments, const Child::Options& options = {});
    // Sends `signal` and waits for the application to end.
    Finished end(int signal, std::chrono::milliseconds within = 60s);
    std::string output() const;
    Child& process() { return child_; }

private:
    std::filesystem::path log_;
    Child child_;
};

// A test that runs the application in a home of its own, as a user would, and talks to it only
// through the executable's command line. The application's output is shown when a test fails.
class AppTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (HasFailure() && app_) {
            std::cerr << "The application's output:\n" << app_->output();
        }
    }

    App& launch(Environment environment, const std::filesystem::path& program = executable()) {
        app_.emplace(home.path(), std::move(environment), program);
        EXPECT_TRUE(app_->ready()) << app_->output();
        return *app_;
    }

    corvale::test::TemporaryHome home;
    corvale::test::ScopedIdentity identity{appIdentity()};
    std::optional<App> app_;
};

} // namespace skiro::test
