#include "Corvale/CommandServer.hpp"

#include "Corvale/CommandsInternal.hpp"
#include "Corvale/Termination.hpp"
#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/Log.hpp"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <system_error>

namespace corvale::Commands {

namespace {

// One accepted connection: answered once from the server's queue, and closed then, or when the
// last callback that could answer it is gone, whichever comes first.
class Connection {
public:
    Connection(int descriptor, DispatchQueue queue)
        : descriptor_(descriptor), queue_(std::move(queue)) {}
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() { close(); }

    int descriptor() const { return descriptor_; }

    // On the server's queue.
    void answer(const Reply& reply) {
        if (descriptor_ < 0) {
            return;
        }
        std::string bytes;
        try {
            bytes = json::encodeCompact(json::encode(reply));
        } catch (const std::exception&) {
            bytes.clear();
        }
        Socket::writeAll(descriptor_, bytes);
        close();
    }

    // Any thread: the answer hops to the server's queue, so the caller never waits on a socket.
    static void answerLater(const std::shared_ptr<Connection>& connection, Reply reply) {
        connection->queue_.async(
            [connection, reply = std::move(reply)] { connection->answer(reply); });
    }

private:
    void close() {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
            descriptor_ = -1;
        }
    }

    int descriptor_;
    DispatchQueue queue_;
};

// Whether the peer runs as `user`.
bool isUser(int connection, uid_t user) {
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (::getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0 ||
        length != sizeof credentials) {
        return false;
    }
    return credentials.uid == user;
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

    int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listener < 0) {
        return false;
    }
    mode_t previous = ::umask(0177);
    int result =
        ::bind(listener, reinterpret_cast<const sockaddr*>(&*address), sizeof(sockaddr_un));
    int error = errno;
    ::umask(previous);
    if (result == 0) {
        result = ::listen(listener, 8);
        error = errno;
    }
    if (result != 0) {
        Log::lifecycle().error([&] {
            return "couldn't open the command-line socket: " + std::string(std::strerror(error));
        });
        ::close(listener);
        return false;
    }

    // Which file this server made, so that stopping never removes another one's socket.
    struct stat made {};
    ::stat(path_.c_str(), &made);

    std::weak_ptr<Server> weak = weak_from_this();
    try {
        DispatchSource source = DispatchSource::read(listener, queue_, [weak, listener] {
            if (std::shared_ptr<Server> self = weak.lock()) {
                self->accept(listener);
            }
        });
        std::lock_guard lock(mutex_);
        listener_ = listener;
        bound_ = {made.st_dev, made.st_ino};
        source_ = std::move(source);
    } catch (const DispatchError& failure) {
        Log::lifecycle().error(
            [&] { return "couldn't open the command-line socket: " + failure.description(); });
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
    // Waits for a connection being read, unless this is that handler itself.
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

void Server::accept(int listener) {
    int descriptor = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (descriptor < 0) {
        return;
    }
    auto connection = std::make_shared<Connection>(descriptor, queue_);
    // Another user's process gets nothing, not even a refusal.
    if (!isUser(descriptor, options_.user)) {
        return;
    }
    std::string bytes =
        Socket::readAll(descriptor, Socket::largestRequest, options_.receiveTimeout);
    Request request;
    try {
        request = json::decode<Request>(std::string_view(bytes));
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
