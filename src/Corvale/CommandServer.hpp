#pragma once

#include "Corvale/Commands.hpp"
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

// The socket's plumbing, shared by both ends.
namespace Socket {

// Bytes read per call, at both ends.
inline constexpr std::size_t readBuffer = 65'536;
// Reading stops once this much has arrived.
inline constexpr std::size_t largestRequest = 1'048'576;
inline constexpr std::size_t largestReply = 16'777'216;
// The longest path field the address rule allows, the terminating zero included.
inline constexpr std::size_t pathField = 104;

// The address of a socket file: the path's bytes and a zero in a zeroed structure. None when
// the path with its zero exceeds 104 bytes, and none for an empty path or one holding a zero
// byte, which would name another socket than the file.
std::optional<sockaddr_un> address(std::string_view path);

// Sets the receive time-out: whole seconds (truncated) and the fraction in microseconds. A
// time-out that would come out as zero, which means none to the system, is one microsecond.
void setTimeout(int descriptor, double seconds);
// The same for sending, which on these sockets also bounds the wait in `connect` while the
// server's queue of waiting connections is full.
void setSendTimeout(int descriptor, double seconds);

// Writes until every byte is out, repeating after EINTR; any other error, or a write of nothing,
// stops it silently. Never raises SIGPIPE.
void writeAll(int descriptor, std::string_view data);

// Reads until end of stream, a failed read (a time-out included) or `limit` bytes.
std::string readAll(int descriptor, std::size_t limit);

// Reads as `readAll` does, but for at most `within` in all, however the peer paces its bytes.
std::string readAll(int descriptor, std::size_t limit, std::chrono::nanoseconds within);

} // namespace Socket

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

} // namespace corvale::Commands
