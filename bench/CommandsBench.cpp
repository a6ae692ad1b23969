// One command's round trip through the real socket: the client connects, sends the request,
// half-closes and reads the reply; the server accepts and reads on its queue, runs the command on
// the main queue (here a thread standing in for the main thread) and writes the reply back from
// its queue. The baseline is a bare echo over the same kind of socket with the same framing and
// the same bytes, served by one plain thread: what any request-and-reply over a fresh Unix
// socket costs before the server adds its queues, hops and JSON.
#include "Corvale/CommandServer.hpp"
#include "Corvale/CommandSocket.hpp"
#include "Corvale/Commands.hpp"
#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/Dispatch.hpp"
#include "CorvaleCore/MainLoop.hpp"

#include <benchmark/benchmark.h>

#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

namespace {

using namespace corvale;
using Commands::Reply;
using Commands::Request;

// A fresh folder for the sockets, removed at the end.
class Folder {
public:
    Folder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "commands-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        path_ = pattern;
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// The main queue's work runs on a thread of its own, since the benchmark's thread is the client.
class QueueExecutor final : public MainExecutor {
public:
    void post(Work work) override { queue_.async(std::move(work)); }

private:
    DispatchQueue queue_{"bench.main", QualityOfService::userInteractive};
};

const Request request{"echo", {"hello"}, "/home/someone/work"};

void BM_Baseline_BareEchoRoundTrip(benchmark::State& state) {
    Folder folder;
    std::filesystem::path path = folder.path() / "echo.sock";
    auto address = Commands::Socket::address(path.string());
    int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::bind(listener, reinterpret_cast<const sockaddr*>(&*address), sizeof(sockaddr_un)) != 0 ||
        ::listen(listener, 8) != 0) {
        state.SkipWithError("cannot listen");
        return;
    }
    std::thread server([listener] {
        for (;;) {
            int connection = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection < 0) {
                return;
            }
            std::string bytes =
                Commands::Socket::readAll(connection, Commands::Socket::largestRequest);
            Commands::Socket::writeAll(connection, bytes);
            ::close(connection);
        }
    });

    std::string bytes = json::encodeCompact(json::encode(request));
    for (auto _ : state) {
        int client = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ::connect(client, reinterpret_cast<const sockaddr*>(&*address), sizeof(sockaddr_un));
        Commands::Socket::setTimeout(client, 5);
        Commands::Socket::writeAll(client, bytes);
        ::shutdown(client, SHUT_WR);
        std::string reply = Commands::Socket::readAll(client, Commands::Socket::largestReply);
        ::close(client);
        if (reply.size() != bytes.size()) {
            state.SkipWithError("short echo");
            break;
        }
        benchmark::DoNotOptimize(reply);
    }
    ::shutdown(listener, SHUT_RDWR);
    server.join();
    ::close(listener);
}

void BM_Commands_RoundTrip(benchmark::State& state) {
    Folder folder;
    AppIdentity::setCurrent({"Bench", "org.example.bench", ""});
    setMainExecutor(std::make_shared<QueueExecutor>());
    Commands::reset();
    Commands::add({.name = "echo",
                   .run = [](const Commands::Arguments& arguments, Commands::ReplyCallback reply) {
                       reply(Reply::ok(arguments.front()));
                   }});
    std::filesystem::path path = folder.path() / "control.sock";
    Commands::setSocketOverride(path);
    auto server = Commands::Server::make(path);
    if (!server->start()) {
        state.SkipWithError("cannot listen");
        return;
    }
    for (auto _ : state) {
        Commands::Outcome outcome = Commands::send(request, 5);
        if (outcome != Commands::Outcome::replied(Reply::ok("hello"))) {
            state.SkipWithError("no reply");
            break;
        }
        benchmark::DoNotOptimize(outcome);
    }
    server->stop();
    Commands::reset();
    setMainExecutor(nullptr);
}

// The documents alone: encoding the request and decoding the reply, as one round trip does at
// each end.
void BM_Commands_Documents(benchmark::State& state) {
    std::string replyBytes = json::encodeCompact(json::encode(Reply::ok("hello")));
    for (auto _ : state) {
        std::string bytes = json::encodeCompact(json::encode(request));
        Request decoded = json::decode<Request>(std::string_view(bytes));
        std::string answer = json::encodeCompact(json::encode(Reply::ok(decoded.arguments[0])));
        Reply reply = json::decode<Reply>(std::string_view(replyBytes));
        benchmark::DoNotOptimize(answer);
        benchmark::DoNotOptimize(reply);
    }
}

BENCHMARK(BM_Baseline_BareEchoRoundTrip)->UseRealTime();
BENCHMARK(BM_Commands_RoundTrip)->UseRealTime();
BENCHMARK(BM_Commands_Documents);

} // namespace

BENCHMARK_MAIN();
