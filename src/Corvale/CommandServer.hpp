#pragma once

#include "Corvale/CommandSocket.hpp"
#include "CorvaleCore/DispatchSource.hpp"

#include <sys/types.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace corvale::Commands {

// The application's end of the socket: accepts on its own serial queue, reads the requests of
// all its connections side by side as their bytes arrive, runs each on the main thread as soon as
// it is whole and writes the reply back from the queue. A client that stalls holds up nobody.
class Server : public std::enable_shared_from_this<Server> {
public:
    struct Options {
        // How long a connection may stay silent in the middle of its request; what it sent by
        // then is taken as the request.
        std::chrono::milliseconds receiveTimeout{5000};
        // How long a client may take none of its reply, and after the reply, how long it has to
        // finish sending (the rest of a request cut at the limit, dropped), before it is closed.
        std::chrono::milliseconds replyTimeout{5000};
        // The user whose clients are served; others are closed unanswered.
        uid_t user = ::getuid();
        // Connections read at once; at this many, accepting waits until one is read. Far more
        // than a user's scripts send together, yet it bounds what stalled clients can hold: two
        // descriptors each (the connection and its watch), 128 of the usual 1,024, and at most
        // the 1 MiB each may send.
        std::size_t readAtOnce = 64;
    };

    // Makes the queue, labelled with the bundle identifier and ".commands"; not yet listening.
    static std::shared_ptr<Server> make(std::filesystem::path path);
    static std::shared_ptr<Server> make(std::filesystem::path path, Options options);

    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;
    ~Server();

    // Replaces a stale socket file and listens. Answers false, with a logged error where there
    // is a reason to give, when it cannot.
    bool start();
    // Stops listening and removes the socket file. Requests being read and replies still on
    // their way are finished.
    void stop();

    const std::filesystem::path& path() const { return path_; }
    const DispatchQueue& queue() const { return queue_; }
    bool isListening() const;
    // The connections whose requests are being read now.
    std::size_t reading() const { return reading_.load(); }

private:
    Server(std::filesystem::path path, Options options);

    // On the queue: accepts one waiting connection and starts reading it.
    void accept(int listener);
    // On the queue, when a connection's request is read: takes connections again if they
    // waited for a free place.
    void finishedReading();
    // The read source's handler: accepts through a weak reference.
    DispatchSource::Handler acceptor(int listener);
    // Watches the listener for connections, unless it was stopped or every place to read one is
    // taken; after a pause, tries again.
    void watch(int listener);
    // Stops watching the listener until `watch`; on the queue.
    void unwatch(int listener);
    // On the queue, when accepting fails for want of descriptors or memory: stops watching for
    // a while, longer each time in a row, instead of being called again at once.
    void pauseAccepting(int listener, int error);

    std::filesystem::path path_;
    DispatchQueue queue_;
    Options options_;
    mutable std::mutex mutex_;
    int listener_ = -1;
    // The socket file it made (device, inode).
    std::pair<dev_t, ino_t> bound_{};
    std::optional<DispatchSource> source_;
    // On the queue: the pause after the last failed accept; zero while accepting works.
    std::chrono::milliseconds acceptPause_{0};
    // Changed on the queue only.
    std::atomic<std::size_t> reading_{0};
};

// Starts the application's server at `socketURL()` unless one runs, and stops it when the
// application terminates (see Termination.hpp). Answers whether a server runs. A server that
// cannot start is not retried. Main thread.
bool listen();

// The running server, if any.
std::shared_ptr<Server> server();

namespace internal {
// Stops the running server, if any: at termination and for `Commands::reset`.
void stopListening();
} // namespace internal

} // namespace corvale::Commands
