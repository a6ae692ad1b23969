#pragma once

#include "Corvale/CommandServer.hpp"
#include "Corvale/CommandSocket.hpp"
#include "Corvale/Commands.hpp"
#include "CorvaleCore/MainLoop.hpp"
#include "CorvaleCore/SystemCalls.hpp"

#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

namespace corvale::test {

using namespace std::chrono_literals;

// The registry, socket override and launching back to their defaults for one test.
class ScopedCommands {
public:
    ScopedCommands() { Commands::reset(); }
    ScopedCommands(const ScopedCommands&) = delete;
    ScopedCommands& operator=(const ScopedCommands&) = delete;
    ~ScopedCommands() { Commands::reset(); }
};

// Runs the main queue until `done` holds: the way these tests wait for other threads.
inline bool eventually(const std::function<bool()>& done, std::chrono::milliseconds timeout = 20s) {
    return MainLoop::shared().runUntil(done, timeout);
}

// Something done on a thread of its own while the main thread runs the commands it asks for.
template <class Result>
class Background {
public:
    explicit Background(std::function<Result()> work)
        : thread_([this, work = std::move(work)] {
              Result result = work();
              std::lock_guard lock(mutex_);
              result_ = std::move(result);
          }) {}
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;
    ~Background() { thread_.join(); }

    bool finished() const {
        std::lock_guard lock(mutex_);
        return result_.has_value();
    }
    // Waits on the main loop; an unfinished result fails the test and gives the default.
    Result result(std::chrono::milliseconds within = 20s) {
        EXPECT_TRUE(eventually([this] { return finished(); }, within)) << "still waiting";
        std::lock_guard lock(mutex_);
        return result_.value_or(Result());
    }

private:
    mutable std::mutex mutex_;
    std::optional<Result> result_;
    std::thread thread_;
};

// A client socket connected to `path`, closed when it goes; written and read by hand.
class RawClient {
public:
    explicit RawClient(const std::filesystem::path& path)
        : descriptor_(openStreamSocket(AF_UNIX, false)) {
        auto address = Commands::Socket::address(path.string());
        connected_ = descriptor_ >= 0 && address &&
                     ::connect(descriptor_, reinterpret_cast<const sockaddr*>(&*address),
                               sizeof(sockaddr_un)) == 0;
        // A server that never answers fails the test rather than hanging it.
        Commands::Socket::setTimeout(descriptor_, 20);
    }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;
    ~RawClient() {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
    }

    bool connected() const { return connected_; }
    int descriptor() const { return descriptor_; }
    // Answers how much of it the server took before an error.
    std::size_t write(std::string_view bytes) const {
        std::size_t taken = 0;
        while (taken < bytes.size()) {
            ssize_t sent =
                sendWithoutSignal(descriptor_, bytes.data() + taken, bytes.size() - taken, 0);
            if (sent <= 0 && errno != EINTR) {
                break;
            }
            taken += static_cast<std::size_t>(std::max<ssize_t>(sent, 0));
        }
        return taken;
    }
    void halfClose() const { ::shutdown(descriptor_, SHUT_WR); }
    // Everything until the server closes, however long that takes.
    std::string readAll() const {
        return Commands::Socket::readAll(descriptor_, Commands::Socket::largestReply);
    }
    std::string exchange(std::string_view bytes) const {
        write(bytes);
        halfClose();
        return readAll();
    }

private:
    int descriptor_;
    bool connected_ = false;
};

inline std::string encoded(const Commands::Request& request) {
    return json::encodeCompact(json::encode(request));
}

inline std::string encoded(const Commands::Reply& reply) {
    return json::encodeCompact(json::encode(reply));
}

} // namespace corvale::test
