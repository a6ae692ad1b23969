// Both ends' plumbing, the two documents, and the client: one attempt, and asking with launching.
#include "Corvale/CommandSocket.hpp"
#include "Corvale/Commands.hpp"
#include "Corvale/CommandsInternal.hpp"

#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/Folders.hpp"
#include "CorvaleCore/Locked.hpp"
#include "CorvaleCore/SystemCalls.hpp"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

extern char** environ;

namespace corvale::Commands {

namespace Socket {

std::optional<sockaddr_un> address(std::string_view path) {
    // An empty path, or one cut short by a zero byte, would name an abstract socket or another
    // file than the one asked for.
    if (path.empty() || path.find('\0') != std::string_view::npos || path.size() + 1 > pathField) {
        return std::nullopt;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());
    return address;
}

namespace {

timeval asTimeval(double seconds) {
    // Zero means "never" to the system; not-a-number and negatives count as no time at all.
    constexpr double longest = 100.0 * 366 * 24 * 3600;
    if (!(seconds > 0)) {
        seconds = 0;
    }
    seconds = std::min(seconds, longest);
    timeval value{};
    value.tv_sec = static_cast<time_t>(std::trunc(seconds));
    value.tv_usec = static_cast<suseconds_t>((seconds - std::trunc(seconds)) * 1e6);
    if (value.tv_sec == 0 && value.tv_usec == 0) {
        value.tv_usec = 1;
    }
    return value;
}

} // namespace

void setTimeout(int descriptor, double seconds) {
    timeval value = asTimeval(seconds);
    ::setsockopt(descriptor, SOL_SOCKET, SO_RCVTIMEO, &value, sizeof value);
}

void setSendTimeout(int descriptor, double seconds) {
    timeval value = asTimeval(seconds);
    ::setsockopt(descriptor, SOL_SOCKET, SO_SNDTIMEO, &value, sizeof value);
}

void writeAll(int descriptor, std::string_view data) {
    bool socket = true;
    while (!data.empty()) {
        // A vanished peer must not kill the writer with SIGPIPE.
        ssize_t written = socket ? sendWithoutSignal(descriptor, data.data(), data.size(), 0)
                                 : ::write(descriptor, data.data(), data.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0 && errno == ENOTSOCK && socket) {
            socket = false;
            continue;
        }
        if (written <= 0) {
            return;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
}

namespace {

std::string readUntil(int descriptor, std::size_t limit,
                      std::optional<std::chrono::steady_clock::time_point> deadline) {
    std::string data;
    while (data.size() < limit) {
        if (deadline) {
            auto left = *deadline - std::chrono::steady_clock::now();
            if (left <= std::chrono::steady_clock::duration::zero()) {
                break;
            }
            setTimeout(descriptor, std::chrono::duration<double>(left).count());
        }
        std::size_t had = data.size();
        std::size_t chunk = std::min(readBuffer, limit - had);
        data.resize(had + chunk);
        ssize_t got = ::recv(descriptor, data.data() + had, chunk, 0);
        if (got < 0 && errno == ENOTSOCK) {
            got = ::read(descriptor, data.data() + had, chunk);
        }
        data.resize(had + static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
    }
    return data;
}

} // namespace

std::string readAll(int descriptor, std::size_t limit) {
    return readUntil(descriptor, limit, std::nullopt);
}

std::string readAll(int descriptor, std::size_t limit, std::chrono::nanoseconds within) {
    return readUntil(descriptor, limit, std::chrono::steady_clock::now() + within);
}

} // namespace Socket

namespace {

struct SocketState {
    std::optional<std::filesystem::path> override;
    Launching launching{.open = launchApp};
};

Locked<SocketState>& socketState() {
    static auto* shared = new Locked<SocketState>();
    return *shared;
}

class Descriptor {
public:
    explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
    }
    int get() const { return descriptor_; }

private:
    int descriptor_;
};

} // namespace

void internal::resetSocket() {
    socketState().set(SocketState());
}

std::filesystem::path socketURL() {
    if (auto override = socketState().copy().override) {
        return *override;
    }
    return Folders::applicationSupport() / AppIdentity::current().name / "control.sock";
}

void setSocketOverride(std::optional<std::filesystem::path> path) {
    socketState().with([&](SocketState& state) { state.override = std::move(path); });
}

Launching launching() {
    return socketState().copy().launching;
}

void setLaunching(Launching launching) {
    socketState().with([&](SocketState& state) { state.launching = std::move(launching); });
}

Outcome send(const Request& request, double timeout) {
    std::optional<sockaddr_un> address = Socket::address(socketURL().string());
    if (!address) {
        return Outcome::notRunning();
    }
    std::string bytes;
    try {
        bytes = json::encodeCompact(json::encode(request));
    } catch (const std::exception&) {
        return Outcome::notRunning();
    }
    Descriptor socket(openStreamSocket(AF_UNIX, false));
    if (socket.get() < 0) {
        return Outcome::notRunning();
    }
    // The time-out covers the whole attempt: the wait in connect while the server's queue of
    // waiting connections is full, sending the request and reading the reply.
    using Clock = std::chrono::steady_clock;
    Clock::time_point start = Clock::now();
    // A year is for ever here; what is not a number is no time at all.
    timeout = std::isnan(timeout) ? 0 : std::clamp(timeout, 0.0, 366.0 * 24 * 3600);
    auto left = [&] {
        return std::max(timeout - std::chrono::duration<double>(Clock::now() - start).count(), 0.0);
    };
    Socket::setSendTimeout(socket.get(), timeout);
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&*address),
                  sizeof(sockaddr_un)) != 0) {
        // Someone listens but takes no one in: that is an application, not answering.
        return errno == EAGAIN ? Outcome::noAnswer() : Outcome::notRunning();
    }
    // A server too busy to read a long request must not hold the client longer than a reply.
    Socket::setSendTimeout(socket.get(), left());
    Socket::writeAll(socket.get(), bytes);
    ::shutdown(socket.get(), SHUT_WR);
    std::string answer = Socket::readAll(socket.get(), Socket::largestReply,
                                         std::chrono::duration_cast<std::chrono::nanoseconds>(
                                             std::chrono::duration<double>(left())));
    try {
        return Outcome::replied(json::decode<Reply>(std::string_view(answer)));
    } catch (const json::DecodingError&) {
        return Outcome::noAnswer();
    }
}

Outcome ask(const Request& request, bool launching, double timeout) {
    Outcome outcome = send(request, timeout);
    if (outcome.kind != Outcome::Kind::notRunning || !launching) {
        return outcome;
    }
    Launching how = Commands::launching();
    if (!how.open || !how.open()) {
        return outcome;
    }
    // The application takes a moment to start listening.
    for (int attempt = 0; attempt < how.retries && outcome.kind == Outcome::Kind::notRunning;
         ++attempt) {
        std::this_thread::sleep_for(how.interval);
        outcome = send(request, timeout);
    }
    return outcome;
}

bool launchExecutable(const std::filesystem::path& executable,
                      const std::vector<std::string>& arguments) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (posix_spawn_file_actions_init(&actions) != 0) {
        return false;
    }
    if (posix_spawnattr_init(&attributes) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return false;
    }
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    // Its own session, so it outlives the terminal, with the signals as a fresh process has
    // them whatever this one ignores or blocks.
    sigset_t everything;
    sigset_t nothing;
    sigfillset(&everything);
    sigemptyset(&nothing);
    posix_spawnattr_setsigdefault(&attributes, &everything);
    posix_spawnattr_setsigmask(&attributes, &nothing);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::string program = executable.string();
    std::vector<std::string> words = arguments;
    std::vector<char*> argv{program.data()};
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    pid_t child = 0;
    int failed =
        ::posix_spawn(&child, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return failed == 0;
}

std::optional<std::filesystem::path> enclosingBundle(const std::filesystem::path& executable) {
    const std::filesystem::path macOS = executable.parent_path();
    const std::filesystem::path contents = macOS.parent_path();
    const std::filesystem::path bundle = contents.parent_path();
    if (macOS.filename() != "MacOS" || contents.filename() != "Contents" ||
        bundle.extension() != ".app") {
        return std::nullopt;
    }
    return bundle;
}

bool launchApp() {
    std::filesystem::path self = runningExecutable();
    if (self.empty()) {
        return false;
    }
#if defined(__APPLE__)
    if (std::optional<std::filesystem::path> bundle = enclosingBundle(self)) {
        return launchExecutable("/usr/bin/open", {bundle->string()});
    }
#endif
    return launchExecutable(self);
}

} // namespace corvale::Commands

namespace corvale::json {

Json Coding<Commands::Request>::encode(const Commands::Request& request) {
    Json json = {{"command", request.command}, {"arguments", request.arguments}};
    if (request.folder) {
        json["folder"] = *request.folder;
    }
    return json;
}

Commands::Request Coding<Commands::Request>::decode(const Json& json, const CodingPath& path) {
    Commands::Request request;
    request.command =
        decodeString(requireMember(json, "command", path), appending(path, "command"));
    CodingPath argumentsPath = appending(path, "arguments");
    const Json& arguments = requireMember(json, "arguments", path);
    if (!arguments.is_array()) {
        throw DecodingError(DecodingError::Kind::typeMismatch, argumentsPath,
                            "Expected to decode Array<String> but found " +
                                std::string(arguments.type_name()) + " instead.");
    }
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        request.arguments.push_back(
            decodeString(arguments[i], appending(argumentsPath, "Index " + std::to_string(i))));
    }
    if (const Json* folder = member(json, "folder")) {
        request.folder = decodeString(*folder, appending(path, "folder"));
    }
    return request;
}

Json Coding<Commands::Reply>::encode(const Commands::Reply& reply) {
    switch (reply.kind) {
    case Commands::Reply::Kind::ok:
        return {{"ok", reply.text}};
    case Commands::Reply::Kind::file:
        return {{"file", reply.text}};
    case Commands::Reply::Kind::failure:
        return {{"failure", reply.text}};
    }
    return Json::object();
}

Commands::Reply Coding<Commands::Reply>::decode(const Json& json, const CodingPath& path) {
    requireObject(json, path);
    if (const Json* ok = member(json, "ok")) {
        return Commands::Reply::ok(decodeString(*ok, appending(path, "ok")));
    }
    if (const Json* file = member(json, "file")) {
        return Commands::Reply::file(decodeString(*file, appending(path, "file")));
    }
    return Commands::Reply::failure(
        decodeString(requireMember(json, "failure", path), appending(path, "failure")));
}

} // namespace corvale::json
