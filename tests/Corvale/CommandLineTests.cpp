// The executable as its own client: whether it is one, what it sends, what it prints and with
// which status it ends, and how it opens the application. The far end here is a bare socket
// that answers what each test gives it, so the client is checked on its own.
#include "Corvale/CommandLine.hpp"
#include "Corvale/CommandServer.hpp"
#include "Corvale/CommandSocket.hpp"
#include "Corvale/Commands.hpp"
#include "CorvaleCore/Files.hpp"
#include "CorvaleCore/SystemCalls.hpp"

#include "Corvale/CommandTesting.hpp"
#include "Support/Framework.hpp"
#include "Support/TemporaryHome.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace corvale {
namespace {

using namespace std::chrono_literals;
using Commands::Arguments;
using Commands::Outcome;
using Commands::Reply;
using Commands::ReplyCallback;
using Commands::Request;
using test::Background;
using test::encoded;
using test::eventually;

// Serves one connection on its own thread: reads the request to its end and answers the given
// bytes.
class CannedServer {
public:
    CannedServer(const std::filesystem::path& path, std::string reply)
        : listener_(openStreamSocket(AF_UNIX, false)) {
        std::filesystem::create_directories(path.parent_path());
        std::filesystem::remove(path);
        auto address = Commands::Socket::address(path.string());
        EXPECT_EQ(
            ::bind(listener_, reinterpret_cast<const sockaddr*>(&*address), sizeof(sockaddr_un)),
            0);
        EXPECT_EQ(::listen(listener_, 8), 0);
        thread_ = std::thread([this, reply = std::move(reply)] {
            int connection = acceptConnection(listener_);
            if (connection < 0) {
                return;
            }
            std::string request = Commands::Socket::readAll(connection, 1 << 20);
            {
                std::lock_guard lock(mutex_);
                request_ = request;
            }
            Commands::Socket::writeAll(connection, reply);
            ::close(connection);
        });
    }
    CannedServer(const CannedServer&) = delete;
    CannedServer& operator=(const CannedServer&) = delete;
    ~CannedServer() {
        // Wakes an accept that nobody came to.
        ::shutdown(listener_, SHUT_RDWR);
        thread_.join();
        ::close(listener_);
    }

    std::optional<Request> request() {
        std::lock_guard lock(mutex_);
        if (!request_) {
            return std::nullopt;
        }
        return json::decode<Request>(std::string_view(*request_));
    }

private:
    int listener_;
    std::mutex mutex_;
    std::optional<std::string> request_;
    std::thread thread_;
};

struct Printed {
    int status = -1;
    std::string out;
    std::string err;
    bool operator==(const Printed&) const = default;
};

std::ostream& operator<<(std::ostream& stream, const Printed& printed) {
    return stream << "status " << printed.status << ", out \"" << printed.out << "\", err \""
                  << printed.err << "\"";
}

class CommandLineTest : public ::testing::Test {
protected:
    CommandLineTest() {
        Commands::add({.name = "go", .run = [](const Arguments&, ReplyCallback) {}});
        Commands::setLaunching({.open =
                                    [this] {
                                        ++opens;
                                        return false;
                                    },
                                .retries = 100,
                                .interval = 1ms});
    }

    std::filesystem::path socket() const { return home.data() / "Tool" / "control.sock"; }

    static Printed commandLine(const Arguments& arguments) {
        std::ostringstream out;
        std::ostringstream err;
        Printed printed;
        printed.status = Commands::commandLine(arguments, out, err);
        printed.out = out.str();
        printed.err = err.str();
        return printed;
    }

    // The client's run against a far end that answers `reply`.
    Printed answered(const std::string& reply, const Arguments& arguments = {"go"}) {
        CannedServer server(socket(), reply);
        return commandLine(arguments);
    }

    test::TemporaryHome home;
    test::ScopedIdentity identity{{"Tool", "org.example.tool", "owner/Tool"}};
    test::ScopedLog log;
    test::ScopedCommands commands;
    int opens = 0;
};

TEST_F(CommandLineTest, OnlyACommandWordMakesTheProcessAClient) {
    std::ostringstream out;
    std::ostringstream err;
    auto status = [&](Arguments arguments) { return Commands::clientStatus(arguments, out, err); };
    // The application: no arguments, or the system's and a debugger's dashed options.
    EXPECT_EQ(status({"/usr/bin/tool"}), std::nullopt);
    EXPECT_EQ(status({"/usr/bin/tool", "-psn_0_12345"}), std::nullopt);
    EXPECT_EQ(status({"/usr/bin/tool", "-H"}), std::nullopt);
    EXPECT_EQ(out.str() + err.str(), "");

    for (const char* asking : {"-h", "--help", "HELP"}) {
        std::ostringstream helpOut;
        EXPECT_EQ(Commands::clientStatus({"tool", asking, "ignored"}, helpOut, err), 0) << asking;
        EXPECT_EQ(helpOut.str(), Commands::help() + "\n");
    }

    EXPECT_EQ(status({"tool", "STATUS"}), 2);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "There's no command 'STATUS'. Try: tool help\n");
}

TEST_F(CommandLineTest, EachOutcomePrintsAndEndsAsTheTableSays) {
    EXPECT_EQ(answered(R"({"ok":""})"), (Printed{0, "", ""}));
    EXPECT_EQ(answered(R"({"ok":"Paused.\nFor now."})"), (Printed{0, "Paused.\nFor now.\n", ""}));
    EXPECT_EQ(answered(R"({"failure":"That went wrong."})"),
              (Printed{1, "", "That went wrong.\n"}));
    EXPECT_EQ(answered(R"({"ok":"first","failure":"second"})"), (Printed{0, "first\n", ""}));

    std::filesystem::path report = home.path() / "report.json";
    std::ofstream(report) << "{\n  \"a\": 1\n}";
    EXPECT_EQ(answered(encoded(Reply::file(report))), (Printed{0, "{\n  \"a\": 1\n}\n", ""}));
    EXPECT_TRUE(std::filesystem::exists(report)) << "the file is left in place";

    // Nor a missing file, one that is not text, a folder, or a pipe that would keep the client
    // waiting for a writer.
    std::filesystem::path binary = home.path() / "binary.dat";
    std::ofstream(binary) << "\xff\xfe\x00\x01";
    std::filesystem::path pipe = home.path() / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const std::filesystem::path& unreadable :
         {home.path() / "missing.txt", binary, home.path(), pipe}) {
        EXPECT_EQ(answered(encoded(Reply::file(unreadable))),
                  (Printed{1, "", "Couldn't read " + unreadable.string() + ".\n"}));
    }

    // Whatever is not one reply is no answer.
    for (std::string reply : {"", "{}", R"({"ok":3})", R"({"ok":"cut)", "[]", R"({"other":"x"})"}) {
        EXPECT_EQ(answered(reply), (Printed{1, "", "No answer from Tool.\n"})) << reply;
    }
    // Nobody there at all.
    EXPECT_EQ(commandLine({"go"}), (Printed{1, "", "Tool isn't running.\n"}));
    EXPECT_EQ(opens, 0) << "go does not launch";
}

TEST_F(CommandLineTest, TheRequestCarriesTheRegisteredNameTheFolderAndAnAbsoluteFileArgument) {
    std::string here = std::filesystem::current_path().string();
    Commands::add(
        {.name = "export", .fileArgument = true, .run = [](const Arguments&, ReplyCallback) {}});
    {
        CannedServer server(socket(), R"({"ok":""})");
        EXPECT_EQ(commandLine({"EXPORT", "out/../s.json", "keep/as/is"}), (Printed{0, "", ""}));
        EXPECT_EQ(server.request(), (Request{"export", {here + "/s.json", "keep/as/is"}, here}));
    }
    {
        // Other commands' arguments go as typed.
        CannedServer server(socket(), R"({"ok":""})");
        commandLine({"go", "~/s.json"});
        EXPECT_EQ(server.request()->arguments, (Arguments{"~/s.json"}));
    }
}

TEST_F(CommandLineTest, TheClientsTimeOutCoversConnectingAndWaitingForTheReply) {
    Commands::add({.name = "quick", .timeout = 0.2, .run = [](const Arguments&, ReplyCallback) {}});
    // A listener that takes nobody in: the first client waits for a reply that never comes, and
    // once its queue of waiting connections is full, the next ones wait in connect.
    std::filesystem::create_directories(socket().parent_path());
    auto address = Commands::Socket::address(socket().string());
    int listener = openStreamSocket(AF_UNIX, false);
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&*address), sizeof(sockaddr_un)),
              0);
    ASSERT_EQ(::listen(listener, 0), 0);
    for (int i = 0; i < 3; ++i) {
        Background<Printed> client([] { return commandLine({"quick"}); });
        EXPECT_EQ(client.result(), (Printed{1, "", "No answer from Tool.\n"}));
    }
    // Frees a client still waiting, should one be.
    ::close(listener);
}

TEST_F(CommandLineTest, ACommandThatLaunchesOpensTheApplicationAndRetries) {
    Commands::add(
        {.name = "settings", .launches = true, .run = [](const Arguments&, ReplyCallback) {}});
    // Opening fails: what the first attempt found stands.
    EXPECT_EQ(commandLine({"settings"}), (Printed{1, "", "Tool isn't running.\n"}));
    EXPECT_EQ(opens, 1);

    // The application comes up: a retry reaches it.
    std::unique_ptr<CannedServer> started;
    Commands::setLaunching({.open =
                                [&] {
                                    ++opens;
                                    started = std::make_unique<CannedServer>(socket(),
                                                                             R"({"ok":"Opened."})");
                                    return true;
                                },
                            .retries = 100,
                            .interval = 1ms});
    EXPECT_EQ(commandLine({"settings", "about"}), (Printed{0, "Opened.\n", ""}));
    EXPECT_EQ(opens, 2);
    EXPECT_EQ(started->request()->arguments, (Arguments{"about"}));

    // Running already: nothing is opened.
    CannedServer running(socket(), R"({"ok":""})");
    EXPECT_EQ(commandLine({"settings"}), (Printed{0, "", ""}));
    EXPECT_EQ(opens, 2);
}

TEST_F(CommandLineTest, LaunchingStartsTheExecutableDetachedWithoutArguments) {
#if defined(__APPLE__)
    GTEST_SKIP() << "the started program reads its session and descriptors from /proc, which "
                    "only Linux has";
#endif
    std::filesystem::path script = home.path() / "app.sh";
    std::filesystem::path seen = home.path() / "seen";
    {
        std::ofstream file(script);
        // $$ is the script's own shell even inside $(...), so what it reads is its own.
        file << "#!/bin/sh\n"
             << "echo \"$# $$ $(cut -d' ' -f6 /proc/$$/stat) $(readlink /proc/$$/fd/0)"
             << " $(readlink /proc/$$/fd/2)\" > '" << seen.string() << ".part' && mv '"
             << seen.string() << ".part' '" << seen.string() << "'\n";
    }
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    ASSERT_TRUE(Commands::launchExecutable(script));
    ASSERT_TRUE(eventually([&] { return std::filesystem::exists(seen); }));
    std::istringstream words(readFile(seen).value_or(""));
    std::string arguments, pid, session, in, err;
    words >> arguments >> pid >> session >> in >> err;
    EXPECT_EQ(arguments, "0");
    // A session of its own, led by itself, with nothing from this terminal.
    EXPECT_EQ(session, pid);
    EXPECT_NE(session, std::to_string(::getsid(0)));
    EXPECT_EQ(in, "/dev/null");
    EXPECT_EQ(err, "/dev/null");

    EXPECT_FALSE(Commands::launchExecutable(home.path() / "no such program"));
}

// What a Mac opens through Launch Services instead of starting the executable itself.
TEST(Launching, OnlyAnExecutableInABundlesOwnFolderHasABundle) {
    EXPECT_EQ(Commands::enclosingBundle("/Applications/Skiro.app/Contents/MacOS/Skiro"),
              std::filesystem::path("/Applications/Skiro.app"));
    EXPECT_EQ(Commands::enclosingBundle("/usr/local/bin/skiro"), std::nullopt);
    EXPECT_EQ(Commands::enclosingBundle("/Applications/Skiro/Contents/MacOS/Skiro"), std::nullopt);
    EXPECT_EQ(Commands::enclosingBundle("/Applications/Skiro.app/Contents/Resources/skiro"),
              std::nullopt);
    EXPECT_EQ(Commands::enclosingBundle("skiro"), std::nullopt);
}

} // namespace
} // namespace corvale
