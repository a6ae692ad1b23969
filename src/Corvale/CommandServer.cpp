#include "Corvale/CommandServer.hpp"
#include "Corvale/CommandSocket.hpp"

#include "Corvale/CommandsInternal.hpp"
#include "Corvale/Termination.hpp"
#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/Log.hpp"
#include "CorvaleCore/MainHop.hpp"
#include "CorvaleCore/SystemCalls.hpp"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <exception>
#include <functional>
#include <system_error>

namespace corvale::Commands {

namespace {

// One accepted connection: its request read as it arrives, then answered once from the server's
// queue, and closed then, or when the last callback that could answer it is gone, whichever
// comes first.
//
// Reading never waits: a watch on the connection reads what is there whenever something is, so
// any number of connections are read side by side on the one queue. The request is what arrived
// by the client's half-close, by the limit, or by a silence of `silence` after its last part.
//
// The answer never blocks the queue. What the socket does not take at once is offered again on
// a timer, and once it is out, whatever the client still sends (the rest of a request cut at
// the limit) is read and dropped until the client closes, so that it can read the reply instead
// of having its connection reset. A client that takes none of its reply for `patience`, or has
// not finished sending `patience` after the reply, is closed; until then it costs the server its
// descriptor and nothing else.
class Connection : public std::enable_shared_from_this<Connection> {
public:
    Connection(int descriptor, DispatchQueue queue, std::chrono::milliseconds patience)
        : descriptor_(descriptor), queue_(std::move(queue)), patience_(patience) {}
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() { close(); }

    int descriptor() const { return descriptor_; }

    using Received = std::function<void(const std::shared_ptr<Connection>&, std::string request)>;

    // On the server's queue: reads the request and hands it to `received` there, once. Until
    // then the watch holds the connection.
    void receive(std::chrono::milliseconds silence, Received received) {
        silence_ = silence;
        received_ = std::move(received);
        lastHeard_ = Clock::now();
        // Most clients have sent their whole request by the time it is accepted.
        if (readAvailable()) {
            endReading();
            return;
        }
        try {
            readable_ = DispatchSource::read(descriptor_, queue_,
                                             [self = shared_from_this()] { self->readSome(); });
        } catch (const DispatchError&) {
            // Without a descriptor to watch it with, the request is what there is: nothing.
            endReading();
            return;
        }
        waitForSilence(silence_);
    }

    // On the server's queue.
    void answer(const Reply& reply) {
        if (descriptor_ < 0 || deadline_) {
            return;
        }
        try {
            reply_ = json::encodeCompact(json::encode(reply));
        } catch (const std::exception&) {
            reply_.clear();
        }
        deadline_ = Clock::now() + patience_;
        finish();
    }

    // Any thread: the answer hops to the server's queue, so the caller never waits on a socket.
    static void answerLater(const std::shared_ptr<Connection>& connection, Reply reply) {
        connection->queue_.async(
            [connection, reply = std::move(reply)] { connection->answer(reply); });
    }

private:
    using Clock = std::chrono::steady_clock;

    // The watch's handler.
    void readSome() {
        if (readAvailable()) {
            endReading();
        }
    }

    // Takes what has arrived, without waiting for more. True once the request is all there is:
    // at the client's end of stream, the limit, or a failed read.
    bool readAvailable() {
        std::array<char, Socket::readBuffer> chunk;
        for (;;) {
            const std::size_t room =
                std::min(chunk.size(), Socket::largestRequest - request_.size());
            ssize_t got = ::recv(descriptor_, chunk.data(), room, MSG_DONTWAIT);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                return false;
            }
            if (got <= 0) {
                // The end of the request, or a client that went.
                return true;
            }
            // Appended as it comes, so a connection costs what it sent and no more.
            request_.append(chunk.data(), static_cast<std::size_t>(got));
            lastHeard_ = Clock::now();
            if (request_.size() >= Socket::largestRequest) {
                return true;
            }
        }
    }

    // Looks again once the connection may have been silent for long enough. One look per
    // silence at most, however many parts arrive meanwhile.
    void waitForSilence(Clock::duration after) {
        std::weak_ptr<Connection> weak = weak_from_this();
        quiet_ = DispatchSource::timer(queue_, after, silence_ / 16, [weak] {
            if (std::shared_ptr<Connection> self = weak.lock(); self && self->received_) {
                Clock::duration quiet = Clock::now() - self->lastHeard_;
                if (quiet >= self->silence_) {
                    self->endReading();
                } else {
                    self->waitForSilence(self->silence_ - quiet);
                }
            }
        });
    }

    // Stops watching and hands the request over; the handler may be the watch's or the timer's
    // own, which cancelling from within allows.
    void endReading() {
        if (!received_) {
            return;
        }
        // Cancelling lets go of the watch's hold on this connection.
        std::shared_ptr<Connection> self = shared_from_this();
        Received received = std::move(received_);
        received_ = nullptr;
        std::optional<DispatchSource> readable = std::move(readable_);
        std::optional<DispatchSource> quiet = std::move(quiet_);
        readable_.reset();
        quiet_.reset();
        if (readable) {
            readable->cancel();
        }
        if (quiet) {
            quiet->cancel();
        }
        std::string request = std::move(request_);
        request_ = std::string();
        received(self, std::move(request));
    }

    // On the server's queue: moves what it can without waiting, then looks again later.
    void finish() {
        bool written = write();
        bool moved = written;
        if (descriptor_ >= 0 && halfClosed_) {
            moved = drain() || moved;
        }
        if (descriptor_ < 0) {
            return;
        }
        // The time-out runs from the last part of the reply taken, so a long reply read slowly
        // is whole; a client sending without end is not waited for.
        if (written) {
            deadline_ = Clock::now() + patience_;
        } else if (Clock::now() >= *deadline_) {
            close();
            return;
        }
        // Soon while the client keeps up, less often while it does not.
        wait_ = moved ? std::chrono::milliseconds(1)
                      : std::min(wait_ * 2, std::chrono::milliseconds(64));
        queue_.asyncAfter(wait_, [self = shared_from_this()] { self->finish(); });
    }

    // Sends what the socket takes now; then the half-close tells the client the reply is
    // whole. False when nothing moved. Closes on a vanished client.
    bool write() {
        std::size_t before = sent_;
        while (sent_ < reply_.size()) {
            ssize_t sent = sendWithoutSignal(descriptor_, reply_.data() + sent_,
                                             reply_.size() - sent_, MSG_DONTWAIT);
            if (sent < 0 && errno == EINTR) {
                continue;
            }
            if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                return sent_ != before;
            }
            if (sent <= 0) {
                close();
                return false;
            }
            sent_ += static_cast<std::size_t>(sent);
        }
        if (!halfClosed_) {
            ::shutdown(descriptor_, SHUT_WR);
            halfClosed_ = true;
            return true;
        }
        return false;
    }

    // Reads and drops what the client still sends, a bounded amount per turn; the connection
    // is done at the client's end of stream. True when something was read.
    bool drain() {
        std::array<char, 16 * 1024> dropped{};
        for (int turn = 0; turn < 64; ++turn) {
            ssize_t got = ::recv(descriptor_, dropped.data(), dropped.size(), MSG_DONTWAIT);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                return turn > 0;
            }
            if (got <= 0) {
                close();
                return false;
            }
        }
        return true;
    }

    void close() {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
            descriptor_ = -1;
        }
    }

    int descriptor_;
    DispatchQueue queue_;
    std::chrono::milliseconds patience_;
    // The encoded reply; `sent_` bytes of it are out.
    std::string reply_;
    std::size_t sent_ = 0;
    bool halfClosed_ = false;
    std::optional<Clock::time_point> deadline_;
    std::chrono::milliseconds wait_{1};

    // While reading: what arrived, when its last part did, and who takes it.
    std::string request_;
    Clock::time_point lastHeard_;
    std::chrono::milliseconds silence_{0};
    Received received_;
    std::optional<DispatchSource> readable_;
    std::optional<DispatchSource> quiet_;
};

// Hands a read request to the main thread, or refuses what is no request, from the queue.
void handOver(const std::shared_ptr<Connection>& connection, std::string_view bytes) {
    Request request;
    try {
        request = json::decode<Request>(bytes);
    } catch (const std::exception&) {
        connection->answer(Reply::failure("That wasn't a command."));
        return;
    }
    DispatchQueue::main().async([connection, request = std::move(request)]() mutable {
        Commands::run(
            request.command, std::move(request.arguments),
            Caller{.isLink = false, .folder = std::move(request.folder)},
            [connection](Reply reply) { Connection::answerLater(connection, std::move(reply)); });
    });
}

// Whether the peer runs as `user`.
bool isUser(int connection, uid_t user) {
    return peerUser(connection) == user;
}

} // namespace

std::shared_ptr<Server> Server::make(std::filesystem::path path) {
    return make(std::move(path), Options());
}

std::shared_ptr<Server> Server::make(std::filesystem::path path, Options options) {
    return std::shared_ptr<Server>(new Server(std::move(path), options));
}

Server::Server(std::filesystem::path path, Options options)
    : path_(std::move(path)),
      queue_(AppIdentity::current().bundleID + ".commands", QualityOfService::userInitiated),
      options_(options) {}

Server::~Server() {
    stop();
}

bool Server::isListening() const {
    std::lock_guard lock(mutex_);
    return listener_ >= 0;
}

bool Server::start() {
    if (isListening()) {
        return true;
    }
    std::optional<sockaddr_un> address = Socket::address(path_.string());
    if (!address) {
        Log::lifecycle().error("the command-line socket's path is too long");
        return false;
    }
    std::error_code ignored;
    std::filesystem::create_directories(path_.parent_path(), ignored);
    // A socket left by an earlier run that ended without stopping.
    std::filesystem::remove(path_, ignored);

    int listener = openStreamSocket(AF_UNIX, true);
    if (listener < 0) {
        return false;
    }
    // The file is the owner's alone before anyone can connect: nobody can while it does not
    // listen. The process's file-creation mask is left alone, as other threads make files too.
    int result =
        ::bind(listener, reinterpret_cast<const sockaddr*>(&*address), sizeof(sockaddr_un));
    if (result == 0) {
        result = ::chmod(path_.c_str(), 0600);
    }
    if (result == 0) {
        result = ::listen(listener, 8);
    }
    if (result != 0) {
        int error = errno;
        Log::lifecycle().error([&] {
            return "couldn't open the command-line socket: " + std::string(std::strerror(error));
        });
        ::close(listener);
        std::filesystem::remove(path_, ignored);
        return false;
    }

    // Which file this server made, so that stopping never removes another one's socket.
    struct stat made {};
    ::stat(path_.c_str(), &made);
    {
        std::lock_guard lock(mutex_);
        listener_ = listener;
        bound_ = {made.st_dev, made.st_ino};
    }
    try {
        std::lock_guard lock(mutex_);
        source_ = DispatchSource::read(listener, queue_, acceptor(listener));
    } catch (const DispatchError& failure) {
        Log::lifecycle().error(
            [&] { return "couldn't open the command-line socket: " + failure.description(); });
        std::lock_guard lock(mutex_);
        listener_ = -1;
        ::close(listener);
        std::filesystem::remove(path_, ignored);
        return false;
    }
    return true;
}

void Server::stop() {
    std::optional<DispatchSource> source;
    int listener = -1;
    std::pair<dev_t, ino_t> bound;
    {
        std::lock_guard lock(mutex_);
        source = std::move(source_);
        source_.reset();
        listener = listener_;
        listener_ = -1;
        bound = bound_;
    }
    // Waits for a connection being accepted, unless this is that handler itself.
    if (source) {
        source->cancel();
    }
    if (listener >= 0) {
        ::close(listener);
        struct stat now {};
        if (::stat(path_.c_str(), &now) == 0 && std::pair(now.st_dev, now.st_ino) == bound) {
            std::error_code ignored;
            std::filesystem::remove(path_, ignored);
        }
    }
}

DispatchSource::Handler Server::acceptor(int listener) {
    return weakly(weak_from_this(), [listener](Server& self) { self.accept(listener); });
}

void Server::watch(int listener) {
    std::lock_guard lock(mutex_);
    if (listener < 0 || listener_ != listener || source_ || reading_ >= options_.readAtOnce) {
        return;
    }
    try {
        source_ = DispatchSource::read(listener, queue_, acceptor(listener));
    } catch (const DispatchError& failure) {
        // Watching takes a descriptor of its own, which may still be missing.
        queue_.async(
            weakly(weak_from_this(), [listener, error = failure.errorNumber()](Server& self) {
                self.pauseAccepting(listener, error);
            }));
    }
}

void Server::unwatch(int listener) {
    std::optional<DispatchSource> source;
    {
        std::lock_guard lock(mutex_);
        if (listener_ != listener) {
            return;
        }
        source = std::move(source_);
        source_.reset();
    }
    // Connections waiting to be accepted would make the source fire again at once.
    if (source) {
        source->cancel();
    }
}

void Server::pauseAccepting(int listener, int error) {
    unwatch(listener);
    if (acceptPause_ == std::chrono::milliseconds::zero()) {
        Log::lifecycle().error([&] {
            return "the command line takes no connections for now: " +
                   std::string(std::strerror(error));
        });
    }
    acceptPause_ = std::clamp(acceptPause_ * 2, std::chrono::milliseconds(50),
                              std::chrono::milliseconds(2000));
    queue_.asyncAfter(acceptPause_,
                      weakly(weak_from_this(), [listener](Server& self) { self.watch(listener); }));
}

void Server::accept(int listener) {
    int descriptor = acceptConnection(listener);
    if (descriptor < 0) {
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
            pauseAccepting(listener, errno);
        }
        return;
    }
    if (acceptPause_ != std::chrono::milliseconds::zero()) {
        acceptPause_ = std::chrono::milliseconds::zero();
        Log::lifecycle()("the command line takes connections again");
    }
    auto connection = std::make_shared<Connection>(descriptor, queue_, options_.replyTimeout);
    // Another user's process gets nothing, not even a refusal.
    if (!isUser(descriptor, options_.user)) {
        return;
    }
    // Every place taken: the rest wait in the listener's queue, and then in `connect`, until a
    // request is read.
    if (++reading_ >= options_.readAtOnce) {
        unwatch(listener);
    }
    connection->receive(
        options_.receiveTimeout,
        [weak = weak_from_this()](const std::shared_ptr<Connection>& reader, std::string bytes) {
            if (std::shared_ptr<Server> self = weak.lock()) {
                self->finishedReading();
            }
            handOver(reader, bytes);
        });
}

void Server::finishedReading() {
    --reading_;
    int listener = -1;
    {
        std::lock_guard lock(mutex_);
        listener = listener_;
    }
    // A place is free, for this listener or one started since.
    watch(listener);
}

namespace {

struct Listening {
    std::shared_ptr<Server> server;
    std::optional<Termination::Token> observer;
};

Listening& listening() {
    static auto* shared = new Listening();
    return *shared;
}

} // namespace

void internal::stopListening() {
    Listening& state = listening();
    if (state.observer) {
        Termination::remove(*state.observer);
        state.observer.reset();
    }
    if (state.server) {
        state.server->stop();
        state.server.reset();
    }
}

bool listen() {
    Listening& state = listening();
    if (state.server) {
        return true;
    }
    std::shared_ptr<Server> made = Server::make(socketURL());
    if (!made->start()) {
        return false;
    }
    state.server = std::move(made);
    state.observer = Termination::observe(internal::stopListening);
    return true;
}

std::shared_ptr<Server> server() {
    return listening().server;
}

} // namespace corvale::Commands
