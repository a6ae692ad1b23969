// The command server is the application's door: bad requests, slow and vanishing clients,
// crowds, strangers and large replies must all leave it standing, with every descriptor given
// back. Each test runs the real server on a real socket in a temporary home.
#include "Corvale/CommandLinks.hpp"
#include "Corvale/CommandServer.hpp"
#include "Corvale/CommandSocket.hpp"
#include "Corvale/Commands.hpp"
#include "Corvale/Termination.hpp"
#include "CorvaleCore/DispatchSource.hpp"
#include "CorvaleCore/Log.hpp"

#include "Corvale/CommandTesting.hpp"
#include "Support/Framework.hpp"
#include "Support/TemporaryHome.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

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
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/dev/fd")) {
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

std::atomic<int> maskChanges{0};

} // namespace
} // namespace corvale

// Every change of the process's file-creation mask, counted on its way to the system. Only where
// the program's own definition takes the library's calls (not with macOS's two-level names, where
// nothing is counted).
#if defined(__linux__)
extern "C" mode_t umask(mode_t mask) noexcept {
    ++corvale::maskChanges;
    return static_cast<mode_t>(::syscall(SYS_umask, mask));
}
#endif

namespace corvale {
namespace {

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
        options.replyTimeout = 300ms;
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

TEST_F(CommandServerTest, OneRequestGetsOneReplyFromTheMainThreadAndJunkIsRefusedOnTheQueue) {
    auto server = serve();
    EXPECT_EQ(server->queue().label(), "org.example.tool.commands");

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

    for (std::string bytes : {
             std::string("not JSON at all"),
             std::string(),
             std::string(R"({"command":"echo"})"),
             std::string(R"({"command":7,"arguments":[]})"),
             std::string(R"({"command":"echo","arguments":["a",2]})"),
             std::string(R"({"command":"echo","arguments":[]} {"command":"echo","arguments":[]})"),
             std::string("{\"command\":\"ec\xff\",\"arguments\":[]}"),
         }) {
        RawClient junk(socket());
        // Refusals come from the server's queue alone; the main thread is not involved.
        EXPECT_EQ(junk.exchange(bytes), notACommand) << bytes;
    }
    MainLoop::shared().drain();
    EXPECT_EQ(ran.size(), 1u);
}

TEST_F(CommandServerTest, RequestsAreReadUpToOneMebibyteAndTheRestIsDropped) {
    serve();
    // Just under the limit is a command like any other...
    std::string overhead = encoded(Request{"echo", {""}, std::nullopt});
    std::string fits(Commands::Socket::largestRequest - overhead.size(), 'x');
    Outcome outcome = ask({"echo", {fits}, std::nullopt})->result();
    EXPECT_EQ(outcome.kind, Outcome::Kind::reply);
    EXPECT_EQ(outcome.reply.text.size(), fits.size());

    // ...one byte more is cut there and no longer decodes. (Each request is coded before its
    // client connects: the server gives a connection only so long to send.)
    const std::string over = encoded(Request{"echo", {fits + "x"}, std::nullopt});
    RawClient raw(socket());
    EXPECT_EQ(raw.exchange(over), notACommand);
    // Far more is taken whole, the part past the limit read and dropped, so that the client can
    // read its answer rather than find its connection reset.
    const std::string request = encoded(Request{"echo", {std::string(4 << 20, 'y')}, std::nullopt});
    RawClient huge(socket());
    EXPECT_EQ(huge.write(request), request.size());
    huge.halfClose();
    EXPECT_EQ(huge.readAll(), notACommand);
    EXPECT_EQ(ran.size(), 1u);
}

TEST_F(CommandServerTest, ClientsThatNeverFinishTheirRequestAreReadUntilTheTimeOut) {
    serve();
    // A whole request without the half-close is served once the time-out ends the reading;
    // part of one is not a command.
    RawClient whole(socket());
    whole.write(encoded(echo("whole")));
    Background<std::string> wholeReply([&] { return whole.readAll(); });
    EXPECT_EQ(wholeReply.result(), R"({"ok":"whole"})");
    RawClient part(socket());
    part.write(R"({"command":"echo","argu)");
    Background<std::string> partReply([&] { return part.readAll(); });
    EXPECT_EQ(partReply.result(), notACommand);

    // The time-out counts from the last part received: a request sent in parts, each well
    // within it but all of them together not, is whole. Were it counted from the first part,
    // this request would be cut and refused.
    RawClient slow(socket());
    std::string request = encoded(echo("slow"));
    std::thread pacer([&] {
        for (std::size_t piece = 0; piece < 10; ++piece) {
            std::size_t from = request.size() * piece / 10;
            slow.write(request.substr(from, request.size() * (piece + 1) / 10 - from));
            // Paces a slow peer; nothing waits for another thread here.
            std::this_thread::sleep_for(40ms);
        }
    });
    Background<std::string> slowReply([&] { return slow.readAll(); });
    EXPECT_EQ(slowReply.result(), R"({"ok":"slow"})");
    pacer.join();
    EXPECT_EQ(ran, (std::vector<std::string>{"whole", "slow"}));
}

TEST_F(CommandServerTest, ClientsStalledMidRequestHoldUpNobody) {
    // Were requests read one at a time, the first stalled client would hold the rest for an hour.
    Server::Options options = shortTimeout();
    options.receiveTimeout = 1h;
    auto server = serve(options);
    std::vector<std::unique_ptr<RawClient>> stalled;
    for (int i = 0; i < 10; ++i) {
        stalled.push_back(std::make_unique<RawClient>(socket()));
        stalled.back()->write(R"({"command":"echo","argu)");
    }
    EXPECT_EQ(ask(echo("through"))->result(), Outcome::replied(Reply::ok("through")));
    EXPECT_TRUE(eventually([&] { return server->reading() == 10; }));
    // Each is still read, and answered when it ends its request.
    for (const auto& client : stalled) {
        client->halfClose();
        EXPECT_EQ(client->readAll(), notACommand);
    }
    EXPECT_TRUE(eventually([&] { return server->reading() == 0; }));
}

TEST_F(CommandServerTest, BeyondTheConnectionsReadAtOnceTheRestWaitAndEachIsServedInTurn) {
    Server::Options options = shortTimeout();
    options.receiveTimeout = 1h;
    options.readAtOnce = 3;
    auto server = serve(options);
    std::vector<std::unique_ptr<RawClient>> stalled;
    for (int i = 0; i < 5; ++i) {
        stalled.push_back(std::make_unique<RawClient>(socket()));
        ASSERT_TRUE(stalled.back()->connected());
        stalled.back()->write(R"({"command":)");
    }
    // The first three are read; accepting stops there, so the others wait in line.
    ASSERT_TRUE(eventually([&] { return server->reading() == 3; }));
    auto valid = ask(echo("in turn"));

    // Each request finished frees a place for the next in line; the valid client comes third.
    for (std::size_t done = 0; done < 2; ++done) {
        stalled[done]->halfClose();
        EXPECT_EQ(stalled[done]->readAll(), notACommand);
        // Its place is freed before it is answered, and taken by the next.
        EXPECT_TRUE(eventually([&] { return server->reading() == 3; }));
        EXPECT_FALSE(valid->finished());
    }
    stalled[2]->halfClose();
    EXPECT_EQ(stalled[2]->readAll(), notACommand);
    EXPECT_EQ(valid->result(), Outcome::replied(Reply::ok("in turn")));
    EXPECT_EQ(server->reading(), 2u);
    // None is lost.
    for (std::size_t rest = 3; rest < stalled.size(); ++rest) {
        stalled[rest]->halfClose();
        EXPECT_EQ(stalled[rest]->readAll(), notACommand);
    }
    EXPECT_TRUE(eventually([&] { return server->reading() == 0; }));
    EXPECT_EQ(ask(echo("after"))->result(), Outcome::replied(Reply::ok("after")));
}

TEST_F(CommandServerTest, AClientThatNeverReadsOrLeavesBeforeItsReplyHoldsUpNobody) {
    serve();
    Commands::add(
        {.name = "big", .run = [this](const Commands::Arguments&, Commands::ReplyCallback reply) {
             ran.push_back("big");
             reply(Reply::ok(std::string(4 << 20, 'b')));
         }});
    // Far more than the socket holds, for a client that never reads.
    RawClient stuck(socket());
    stuck.write(encoded(Request{"big", {}, std::nullopt}));
    stuck.halfClose();
    ASSERT_TRUE(eventually([&] { return ran.size() == 1; }));
    {
        // One that leaves before its reply: the write meets a vanished peer, which must not
        // raise SIGPIPE here.
        RawClient leaving(socket());
        leaving.write(encoded(Request{"hold", {}, std::nullopt}));
        leaving.halfClose();
        ASSERT_TRUE(eventually([&] { return held.size() == 1; }));
    }
    held[0](Reply::ok(std::string(4 << 20, 'z')));
    EXPECT_EQ(ask(echo("next"))->result(), Outcome::replied(Reply::ok("next")));

    // A name of any length is answered in a line.
    std::string name(900'000, 'n');
    EXPECT_EQ(ask({name, {}, std::nullopt})->result(),
              Outcome::replied(Reply::failure("There's no command '" + name.substr(0, 64) +
                                              "…'. Try: tool help")));
    // Its connection is given up after the reply's time-out, the reply unfinished.
    EXPECT_TRUE(eventually([&] {
        pollfd hangUp{stuck.descriptor(), 0, 0};
        return ::poll(&hangUp, 1, 0) == 1 && (hangUp.revents & POLLHUP) != 0;
    }));
    EXPECT_LT(stuck.readAll().size(), std::size_t{4 << 20});
}

TEST_F(CommandServerTest, OutOfDescriptorsTheServerWaitsInsteadOfSpinningAndRecovers) {
    serve();
    // Made before the descriptors run out: the undefined-behaviour checker needs a pipe to look
    // at a type it has not seen yet.
    const std::string request = encoded(echo("patient"));
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    rlimit lowered = limit;
    lowered.rlim_cur = std::min<rlim_t>(limit.rlim_cur, openDescriptors() + 32);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
    std::vector<int> filler;
    for (int fd = 0; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) {
        filler.push_back(fd);
    }
    // The last free descriptor is the client's; the server has none to accept it with.
    ::close(filler.back());
    filler.pop_back();
    RawClient client(socket());
    ASSERT_TRUE(client.connected());
    client.write(request);
    client.halfClose();

    // A server that tried again at once would spend this second on the processor.
    auto processor = [] {
        timespec now{};
        ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
        return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
    };
    auto spent = processor();
    MainLoop::shared().runUntil([] { return false; }, 1s);
    EXPECT_LT(processor() - spent, 150ms);
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_EQ(errors()[0].message,
              "the command line takes no connections for now: Too many open files");

    for (int fd : filler) {
        ::close(fd);
    }
    ::setrlimit(RLIMIT_NOFILE, &limit);
    Background<std::string> reply([&] { return client.readAll(); });
    EXPECT_EQ(reply.result(), R"({"ok":"patient"})");
}

TEST_F(CommandServerTest, CommandThatLetsItsCallbackGoClosesTheConnection) {
    serve();
    Commands::add(
        {.name = "forget", .run = [](const Commands::Arguments&, Commands::ReplyCallback) {}});
    EXPECT_EQ(ask({"forget", {}, std::nullopt}, 60)->result(), Outcome::noAnswer());
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
}

TEST_F(CommandServerTest, PeerOfAnotherUserIsClosedUnanswered) {
    Server::Options stranger = shortTimeout();
    // The server plays the application of another user, so this process is the stranger.
    stranger.user = ::getuid() + 1;
    serve(stranger);
    EXPECT_EQ(ask(echo("let me in"))->result(), Outcome::noAnswer());
    MainLoop::shared().drain();
    EXPECT_TRUE(ran.empty());
}

TEST_F(CommandServerTest, LargeRepliesAreReadWholeUpToSixteenMebibytes) {
    serve();
    std::string tenMebibytes(10 << 20, 'l');
    Commands::add(
        {.name = "big",
         .run = [&](const Commands::Arguments& arguments, Commands::ReplyCallback reply) {
             reply(Reply::ok(arguments.empty() ? tenMebibytes : std::string(17 << 20, 'q')));
         }});
    // Coding each byte costs many times more under the thread sanitizer: these take seconds.
    constexpr auto within = std::chrono::minutes(2);
    constexpr double seconds = std::chrono::duration<double>(within).count();
    EXPECT_EQ(ask({"big", {}, std::nullopt}, seconds)->result(within),
              Outcome::replied(Reply::ok(tenMebibytes)));
    // Past the limit the document is cut, which is no answer.
    EXPECT_EQ(ask({"big", {"too big"}, std::nullopt}, seconds)->result(within),
              Outcome::noAnswer());
}

TEST_F(CommandServerTest,
       TheSocketFileReplacesAStaleOneIsTheOwnersOnlyAndGoesWithTheServerThatMadeIt) {
    std::filesystem::create_directories(socket().parent_path());
    {
        // A socket left behind by a run that ended without stopping.
        int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
        auto address = Commands::Socket::address(socket().string());
        ASSERT_EQ(::bind(stale, reinterpret_cast<const sockaddr*>(&*address), sizeof(sockaddr_un)),
                  0);
        ::close(stale);
    }
    EXPECT_EQ(Commands::send(echo("anyone?"), 1), Outcome::notRunning());

    // Owner-only whatever the process's mask, which is never touched: another thread making a
    // file meanwhile would get the wrong mode.
    mode_t mask = ::umask(0);
    int changes = maskChanges;
    auto server = serve();
    EXPECT_EQ(maskChanges, changes);
    ::umask(mask);
    struct stat status {};
    ASSERT_EQ(::stat(socket().c_str(), &status), 0);
    EXPECT_TRUE(S_ISSOCK(status.st_mode));
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    EXPECT_EQ(ask(echo("fresh"))->result(), Outcome::replied(Reply::ok("fresh")));

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

TEST_F(CommandServerTest, ListenServesTheSocketUntilTheApplicationTerminates) {
    ASSERT_TRUE(Commands::listen());
    std::shared_ptr<Server> running = Commands::server();
    ASSERT_TRUE(running);
    EXPECT_EQ(running->path(), socket());
    EXPECT_EQ(Commands::socketURL(), socket());
    // Once only.
    EXPECT_TRUE(Commands::listen());
    EXPECT_EQ(Commands::server(), running);
    // Serving and the socket gone at the end: ApplicationTest, through the real executable.
    Termination::willTerminate();
    EXPECT_FALSE(Commands::server());
    running.reset();

    // One that cannot start is not held, and says why.
    std::filesystem::remove_all(home.data() / "Tool");
    std::ofstream(home.data() / "Tool") << "a file where the folder should be";
    EXPECT_FALSE(Commands::listen());
    EXPECT_FALSE(Commands::server());
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_EQ(errors()[0].message, "couldn't open the command-line socket: Not a directory");
}

} // namespace
} // namespace corvale
