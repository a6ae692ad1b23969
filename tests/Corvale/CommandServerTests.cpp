// The command server is the application's door: bad requests, slow and vanishing clients,
// crowds, strangers and large replies must all leave it standing, with every descriptor given
// back. Each test runs the real server on a real socket in a temporary home.
#include "Corvale/CommandServer.hpp"
#include "Corvale/Commands.hpp"
#include "Corvale/Termination.hpp"
#include "CorvaleCore/DispatchSource.hpp"
#include "CorvaleCore/Log.hpp"

#include "Corvale/CommandTesting.hpp"
#include "Support/Framework.hpp"
#include "Support/TemporaryHome.hpp"

#include <sys/stat.h>
#include <sys/time.h>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <memory>
#include <vector>

namespace corvale {
namespace {

using namespace std::chrono_literals;
using Commands::Outcome;
using Commands::Reply;
using Commands::Request;
using Commands::Server;
using test::Background;
using test::encoded;
using test::eventually;
using test::RawClient;

std::size_t openDescriptors() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

std::vector<LogEntry> errors() {
    std::vector<LogEntry> found;
    for (const LogEntry& entry : LogStore::shared().entries({}, Log::subsystem())) {
        if (entry.level == LogLevel::error) {
            found.push_back(entry);
        }
    }
    return found;
}

const std::string notACommand = R"({"failure":"That wasn't a command."})";

class CommandServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        MainLoop::shared().drain();
        // The dispatch machinery keeps a few descriptors of its own for the process, made on
        // first use; they are not the server's.
        DispatchSource::timer(DispatchQueue::main(), 1h, 0s, [] {}).cancel();
        before = openDescriptors();

        Commands::add(
            {.name = "echo",
             .run = [this](const Commands::Arguments& arguments, Commands::ReplyCallback reply) {
                 ran.push_back(arguments.empty() ? "" : arguments.front());
                 callers.push_back(Commands::caller());
                 onMain = onMain && isMainThread();
                 std::string text;
                 for (const auto& argument : arguments) {
                     text += (text.empty() ? "" : " ") + argument;
                 }
                 reply(Reply::ok(text));
             }});
        Commands::add({.name = "hold",
                       .run = [this](const Commands::Arguments&, Commands::ReplyCallback reply) {
                           held.push_back(std::move(reply));
                       }});
    }

    void TearDown() override {
        held.clear();
        Commands::reset();
        for (auto& server : servers) {
            server->stop();
        }
        servers.clear();
        EXPECT_TRUE(eventually([&] { return openDescriptors() <= before; }))
            << openDescriptors() << " descriptors open, " << before << " before";
    }

    std::filesystem::path socket() const { return home.data() / "Tool" / "control.sock"; }

    std::shared_ptr<Server> serve(Server::Options options = shortTimeout()) {
        auto server = Server::make(socket(), options);
        EXPECT_TRUE(server->start());
        servers.push_back(server);
        return server;
    }

    static Server::Options shortTimeout() {
        Server::Options options;
        options.receiveTimeout = 300ms;
        return options;
    }

    // A client of the real kind on its own thread.
    static std::unique_ptr<Background<Outcome>> ask(Request request, double timeout = 10) {
        return std::make_unique<Background<Outcome>>(
            [request = std::move(request), timeout] { return Commands::send(request, timeout); });
    }

    static Request echo(std::string word) { return {"echo", {std::move(word)}, "/somewhere"}; }

    test::TemporaryHome home;
    test::ScopedIdentity identity{{"Tool", "org.example.tool", "owner/Tool"}};
    test::ScopedLog log;
    test::ScopedCommands commands;
    std::vector<std::shared_ptr<Server>> servers;
    std::size_t before = 0;
    std::vector<std::string> ran;
    std::vector<Commands::Caller> callers;
    bool onMain = true;
    std::vector<Commands::ReplyCallback> held;
};

TEST_F(CommandServerTest, OneRequestGetsExactlyOneReplyFromTheMainThread) {
    auto server = serve();
    EXPECT_EQ(server->queue().label(), "org.example.tool.commands");
    EXPECT_EQ(server->queue().qos(), QualityOfService::userInitiated);

    RawClient client(socket());
    ASSERT_TRUE(client.connected());
    client.write(R"({"command":"ECHO","arguments":["a","b"],"folder":"/work/here"})");
    client.halfClose();
    Background<std::string> reply([&] { return client.readAll(); });
    EXPECT_EQ(reply.result(), R"({"ok":"a b"})");

    ASSERT_EQ(callers.size(), 1u);
    EXPECT_EQ(callers[0], (Commands::Caller{.isLink = false, .folder = "/work/here"}));
    EXPECT_TRUE(onMain);
    EXPECT_EQ(Commands::caller(), Commands::Caller());
}

TEST_F(CommandServerTest, WhatIsNotACommandIsToldSoWithoutRunningAnything) {
    serve();
    for (std::string bytes : {
             std::string("not JSON at all"),
             std::string(),
             std::string("[]"),
             std::string(R"("echo")"),
             std::string(R"({"command":"echo"})"),
             std::string(R"({"arguments":["a"]})"),
             std::string(R"({"command":null,"arguments":[]})"),
             std::string(R"({"command":7,"arguments":[]})"),
             std::string(R"({"command":"echo","arguments":"a"})"),
             std::string(R"({"command":"echo","arguments":["a",2]})"),
             std::string(R"({"command":"echo","arguments":[],"folder":3})"),
             std::string(R"({"command":"echo","arguments":[]} {"command":"echo","arguments":[]})"),
             std::string("{\"command\":\"ec\xff\",\"arguments\":[]}"),
         }) {
        RawClient client(socket());
        ASSERT_TRUE(client.connected());
        // Refusals come from the server's queue alone; the main thread is not involved.
        EXPECT_EQ(client.exchange(bytes), notACommand) << bytes;
    }
    MainLoop::shared().drain();
    EXPECT_TRUE(ran.empty());
}

TEST_F(CommandServerTest, UnknownCommandIsNamedInTheReply) {
    serve();
    auto client = ask({"Frobnicate", {}, std::nullopt});
    EXPECT_EQ(client->result(),
              Outcome::replied(Reply::failure("There's no command 'Frobnicate'. Try: tool help")));
}

TEST_F(CommandServerTest, RequestsAreReadUpToOneMebibyte) {
    serve();
    // Just under the limit is a command like any other...
    std::string overhead = encoded(Request{"echo", {""}, std::nullopt});
    std::string fits(Commands::Socket::largestRequest - overhead.size(), 'x');
    auto client = ask({"echo", {fits}, std::nullopt});
    Outcome outcome = client->result();
    EXPECT_EQ(outcome.kind, Outcome::Kind::reply);
    EXPECT_EQ(outcome.reply.text.size(), fits.size());

    // ...one byte more is cut there and no longer decodes.
    RawClient raw(socket());
    ASSERT_TRUE(raw.connected());
    EXPECT_EQ(raw.exchange(encoded(Request{"echo", {fits + "x"}, std::nullopt})), notACommand);
    // Far more is cut just the same, and the client writing it is not killed by the close.
    RawClient huge(socket());
    EXPECT_EQ(huge.exchange(encoded(Request{"echo", {std::string(4 << 20, 'y')}, std::nullopt})),
              notACommand);
    EXPECT_EQ(ran.size(), 1u);
}

TEST_F(CommandServerTest, ClientsThatNeverHalfCloseAreReadUntilTheTimeOut) {
    serve();
    // A whole request without the half-close is served once the time-out ends the reading.
    RawClient whole(socket());
    ASSERT_TRUE(whole.connected());
    whole.write(encoded(echo("whole")));
    Background<std::string> wholeReply([&] { return whole.readAll(); });
    EXPECT_EQ(wholeReply.result(), R"({"ok":"whole"})");

    // Part of one is not a command.
    RawClient part(socket());
    ASSERT_TRUE(part.connected());
    part.write(R"({"command":"echo","argu)");
    Background<std::string> partReply([&] { return part.readAll(); });
    EXPECT_EQ(partReply.result(), notACommand);

    // And the server goes on serving.
    EXPECT_EQ(ask(echo("next"))->result(), Outcome::replied(Reply::ok("next")));
    EXPECT_EQ(ran, (std::vector<std::string>{"whole", "next"}));
}

TEST_F(CommandServerTest, TheTimeOutHoldsForTheWholeConnectionHoweverTheClientPacesIt) {
    serve();
    // Each byte comes well within the time-out, but the request as a whole does not; were the
    // time-out per read, this client could hold the queue for as long as it liked.
    RawClient slow(socket());
    ASSERT_TRUE(slow.connected());
    std::string request = encoded(echo("slow"));
    std::atomic<bool> answered{false};
    std::thread pacer([&] {
        for (char c : request) {
            if (answered) {
                return;
            }
            slow.write(std::string_view(&c, 1));
            // Paces a slow peer; nothing waits for another thread here.
            std::this_thread::sleep_for(40ms);
        }
        slow.halfClose();
    });
    Background<std::string> reply([&] { return slow.readAll(); });
    EXPECT_EQ(reply.result(), notACommand);
    answered = true;
    pacer.join();
    EXPECT_TRUE(ran.empty());
}

TEST_F(CommandServerTest, ReceiveTimeOutIsFiveSecondsAndOthersAreServedAfterIt) {
    serve(Server::Options());
    using Clock = std::chrono::steady_clock;
    Clock::time_point start = Clock::now();
    RawClient silent(socket());
    ASSERT_TRUE(silent.connected());
    silent.write(R"({"command":"echo",)");
    Background<std::string> silentReply([&] { return silent.readAll(); });
    // Waits its turn behind the silent one.
    auto next = ask(echo("after"));

    EXPECT_EQ(silentReply.result(), notACommand);
    EXPECT_GE(Clock::now() - start, 4900ms);
    EXPECT_EQ(next->result(), Outcome::replied(Reply::ok("after")));
}

TEST_F(CommandServerTest, ClientThatLeavesBeforeTheReplyLeavesTheServerStanding) {
    serve();
    {
        RawClient leaving(socket());
        ASSERT_TRUE(leaving.connected());
        leaving.write(encoded(Request{"hold", {}, std::nullopt}));
        leaving.halfClose();
        ASSERT_TRUE(eventually([&] { return held.size() == 1; }));
    }
    // Far more than the socket buffers: the write meets the vanished peer, which must not raise
    // SIGPIPE in this process.
    held[0](Reply::ok(std::string(4 << 20, 'z')));
    EXPECT_EQ(ask(echo("still here"))->result(), Outcome::replied(Reply::ok("still here")));
}

TEST_F(CommandServerTest, CommandThatLetsItsCallbackGoClosesTheConnection) {
    serve();
    Commands::add(
        {.name = "forget", .run = [](const Commands::Arguments&, Commands::ReplyCallback) {}});
    EXPECT_EQ(ask({"forget", {}, std::nullopt}, 60)->result(), Outcome::noAnswer());
}

TEST_F(CommandServerTest, TwoClientsAtOnceAreAnsweredInTurn) {
    serve(Server::Options());
    RawClient first(socket());
    ASSERT_TRUE(first.connected());
    std::string request = encoded(echo("first"));
    // The queue now reads the first client, which is still writing.
    first.write(request.substr(0, 10));
    auto second = ask(echo("second"));
    first.write(request.substr(10));
    first.halfClose();
    Background<std::string> firstReply([&] { return first.readAll(); });

    EXPECT_EQ(firstReply.result(), R"({"ok":"first"})");
    EXPECT_EQ(second->result(), Outcome::replied(Reply::ok("second")));
    EXPECT_EQ(ran, (std::vector<std::string>{"first", "second"}));
}

TEST_F(CommandServerTest, ManyClientsAtOnceEachGetTheirOwnAnswer) {
    serve();
    // More than the listen backlog of 8: the rest wait in connect.
    std::vector<std::unique_ptr<Background<Outcome>>> clients;
    for (int i = 0; i < 40; ++i) {
        clients.push_back(ask(echo("client " + std::to_string(i))));
    }
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(clients[static_cast<std::size_t>(i)]->result(),
                  Outcome::replied(Reply::ok("client " + std::to_string(i))));
    }
    EXPECT_EQ(ran.size(), 40u);
}

TEST_F(CommandServerTest, PeerOfAnotherUserIsClosedUnanswered) {
    Server::Options stranger = shortTimeout();
    // The server plays the application of another user, so this process is the stranger.
    stranger.user = ::getuid() + 1;
    serve(stranger);
    EXPECT_EQ(ask(echo("let me in"))->result(), Outcome::noAnswer());
    RawClient raw(socket());
    ASSERT_TRUE(raw.connected());
    EXPECT_EQ(raw.exchange(encoded(echo("please"))), "");
    MainLoop::shared().drain();
    EXPECT_TRUE(ran.empty());
}

TEST_F(CommandServerTest, LargeRepliesAreReadWholeUpToSixteenMebibytes) {
    serve();
    std::string tenMebibytes;
    tenMebibytes.reserve(10 << 20);
    while (tenMebibytes.size() < (10u << 20)) {
        tenMebibytes += "line " + std::to_string(tenMebibytes.size()) + "\n";
    }
    Commands::add(
        {.name = "big",
         .run = [&](const Commands::Arguments& arguments, Commands::ReplyCallback reply) {
             reply(Reply::ok(arguments.empty() ? tenMebibytes : std::string(17 << 20, 'q')));
         }});
    EXPECT_EQ(ask({"big", {}, std::nullopt})->result(), Outcome::replied(Reply::ok(tenMebibytes)));
    // Past the limit the document is cut, which is no answer.
    EXPECT_EQ(ask({"big", {"too big"}, std::nullopt})->result(), Outcome::noAnswer());
}

TEST_F(CommandServerTest, StaleSocketFileIsReplacedAtStart) {
    std::filesystem::create_directories(socket().parent_path());
    {
        // A socket left behind by a run that ended without stopping.
        int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
        auto address = Commands::Socket::address(socket().string());
        ASSERT_EQ(::bind(stale, reinterpret_cast<const sockaddr*>(&*address), sizeof(sockaddr_un)),
                  0);
        ::close(stale);
    }
    ASSERT_TRUE(std::filesystem::is_socket(socket()));
    EXPECT_EQ(Commands::send(echo("anyone?"), 1), Outcome::notRunning());
    serve();
    EXPECT_EQ(ask(echo("fresh"))->result(), Outcome::replied(Reply::ok("fresh")));

    servers.back()->stop();
    std::ofstream(socket()) << "not a socket";
    serve();
    EXPECT_EQ(ask(echo("again"))->result(), Outcome::replied(Reply::ok("again")));
}

TEST_F(CommandServerTest, SocketFileIsTheOwnersOnlyAndGoesWithTheServerThatMadeIt) {
    mode_t mask = ::umask(0022);
    auto server = serve();
    struct stat status {};
    ASSERT_EQ(::stat(socket().c_str(), &status), 0);
    EXPECT_TRUE(S_ISSOCK(status.st_mode));
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    // The mask is put back after the bind.
    EXPECT_EQ(::umask(mask), 0022u);

    // One that took the path over keeps its socket when the first one stops.
    auto successor = serve();
    server->stop();
    EXPECT_FALSE(server->isListening());
    EXPECT_EQ(ask(echo("still"))->result(), Outcome::replied(Reply::ok("still")));
    successor->stop();
    EXPECT_FALSE(std::filesystem::exists(socket()));
    EXPECT_EQ(Commands::send(echo("gone?"), 1), Outcome::notRunning());
}

TEST_F(CommandServerTest, SocketPathsOf104BytesOrMoreHaveNoAddress) {
    std::string folder = home.path().string() + "/";
    std::string longest = folder + std::string(103 - folder.size(), 'p');
    ASSERT_EQ(longest.size(), 103u);
    auto address = Commands::Socket::address(longest);
    ASSERT_TRUE(address);
    EXPECT_EQ(std::string(address->sun_path), longest);
    EXPECT_EQ(address->sun_family, AF_UNIX);
    EXPECT_FALSE(Commands::Socket::address(longest + "q"));
    // Neither an empty path nor one cut short by a zero byte names the file asked for.
    EXPECT_FALSE(Commands::Socket::address(""));
    EXPECT_FALSE(Commands::Socket::address(std::string("/tmp/a\0b", 8)));

    // The longest path serves...
    auto server = Server::make(longest, shortTimeout());
    ASSERT_TRUE(server->start());
    Commands::setSocketOverride(longest);
    EXPECT_EQ(ask(echo("long"))->result(), Outcome::replied(Reply::ok("long")));
    server->stop();

    // ...one byte more has no server and no client.
    auto tooLong = Server::make(longest + "q", shortTimeout());
    EXPECT_FALSE(tooLong->start());
    Commands::setSocketOverride(longest + "q");
    EXPECT_EQ(Commands::send(echo("long"), 1), Outcome::notRunning());
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_EQ(errors()[0].category, "lifecycle");
    EXPECT_EQ(errors()[0].message, "the command-line socket's path is too long");
}

TEST_F(CommandServerTest, RefusedBindIsLoggedWithTheSystemsReason) {
    std::filesystem::create_directories(home.data());
    std::ofstream(home.data() / "Tool") << "a file where the folder should be";
    auto server = Server::make(socket(), shortTimeout());
    EXPECT_FALSE(server->start());
    EXPECT_FALSE(server->isListening());
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_EQ(errors()[0].message, "couldn't open the command-line socket: Not a directory");
}

TEST_F(CommandServerTest, ListenServesTheSocketUntilTheApplicationTerminates) {
    ASSERT_TRUE(Commands::listen());
    std::shared_ptr<Server> running = Commands::server();
    ASSERT_TRUE(running);
    EXPECT_EQ(running->path(), socket());
    EXPECT_EQ(Commands::socketURL(), socket());
    // Once only.
    EXPECT_TRUE(Commands::listen());
    EXPECT_EQ(Commands::server(), running);
    EXPECT_EQ(ask(echo("up"))->result(), Outcome::replied(Reply::ok("up")));

    Termination::willTerminate();
    EXPECT_FALSE(Commands::server());
    EXPECT_FALSE(running->isListening());
    EXPECT_FALSE(std::filesystem::exists(socket()));
    running.reset();
    EXPECT_EQ(Commands::send(echo("down"), 1), Outcome::notRunning());
}

TEST_F(CommandServerTest, ListenThatCannotStartHoldsNoServer) {
    std::filesystem::create_directories(home.data());
    std::ofstream(home.data() / "Tool") << "in the way";
    EXPECT_FALSE(Commands::listen());
    EXPECT_FALSE(Commands::server());
}

TEST(CommandSocket, TimeOutIsSplitIntoSecondsAndMicroseconds) {
    int descriptor = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(descriptor, 0);
    auto timeout = [&] {
        timeval value{};
        socklen_t length = sizeof value;
        ::getsockopt(descriptor, SOL_SOCKET, SO_RCVTIMEO, &value, &length);
        return std::pair<long, long>(value.tv_sec, value.tv_usec);
    };
    // The system keeps the time in its own ticks, which half a second is a whole number of.
    Commands::Socket::setTimeout(descriptor, 135.5);
    EXPECT_EQ(timeout(), (std::pair<long, long>(135, 500000)));
    Commands::Socket::setTimeout(descriptor, 5);
    EXPECT_EQ(timeout(), (std::pair<long, long>(5, 0)));
    // Zero would mean "wait for ever" to the system.
    Commands::Socket::setTimeout(descriptor, 0);
    EXPECT_EQ(timeout().first, 0);
    EXPECT_GT(timeout().second, 0);
    ::close(descriptor);
}

} // namespace
} // namespace corvale
