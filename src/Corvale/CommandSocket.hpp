#pragma once

#include "Corvale/Commands.hpp"
#include "CorvaleCore/Json.hpp"

#include <sys/un.h>

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The local socket between the client and the application: its documents, the client's end and
// the plumbing both ends share. The application's end is in CommandServer.hpp.
namespace corvale::Commands {

// What the client ends with.
struct Outcome {
    enum class Kind {
        reply,
        // No application answered the connection.
        notRunning,
        // An application was reached but no readable reply came back.
        noAnswer,
    };

    Kind kind = Kind::notRunning;
    Reply reply; // meaningful for `reply` only

    static Outcome replied(Reply reply) { return {Kind::reply, std::move(reply)}; }
    static Outcome notRunning() { return {Kind::notRunning, {}}; }
    static Outcome noAnswer() { return {Kind::noAnswer, {}}; }

    bool operator==(const Outcome&) const = default;
};

// One command asked over the socket.
struct Request {
    // The command's registered name.
    std::string command;
    // The first file argument already made absolute.
    Arguments arguments;
    // The client's working directory.
    std::optional<std::string> folder;

    bool operator==(const Request&) const = default;
};

// Where the socket lives: the application support folder, a folder named after the
// application, then "control.sock"; or the override when one is set.
std::filesystem::path socketURL();
void setSocketOverride(std::optional<std::filesystem::path> path);

// One attempt: connects, sends the request, half-closes and reads the reply, waiting at most
// `timeout` seconds for each read.
Outcome send(const Request& request, double timeout);

// One attempt; when nothing was running and `launching` is set, opens the application and tries
// again, up to `Launching::retries` times `Launching::interval` apart, until something answers.
Outcome ask(const Request& request, bool launching, double timeout);

// How the client opens the application: `open` answers whether a running application was
// reported. The standard one starts this process's own executable detached.
struct Launching {
    std::function<bool()> open;
    int retries = 100;
    std::chrono::milliseconds interval{100};
};
Launching launching();
void setLaunching(Launching launching);

// Starts `executable` detached from this process: in a new session, with `arguments` and the
// standard streams on /dev/null. Answers whether it started.
bool launchExecutable(const std::filesystem::path& executable,
                      const std::vector<std::string>& arguments = {});

// The application bundle an executable sits in (".../Skiro.app" for
// ".../Skiro.app/Contents/MacOS/Skiro"), or nothing.
std::optional<std::filesystem::path> enclosingBundle(const std::filesystem::path& executable);

// Opens the application. On macOS an executable in a bundle has its bundle opened through Launch
// Services: as a child of this process, which a terminal started, the terminal would answer for
// its Accessibility permission. Otherwise this process's own executable starts detached.
bool launchApp();

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

namespace internal {
// The socket's state (its override) as at the start, for `Commands::reset`.
void resetSocket();
} // namespace internal

} // namespace corvale::Commands

namespace corvale::json {

// {"command": ..., "arguments": [...], "folder": ...}; "folder" is optional.
template <>
struct Coding<Commands::Request> {
    static Json encode(const Commands::Request& request);
    static Commands::Request decode(const Json& json, const CodingPath& path);
};

// An object with exactly one of "ok", "file" (a plain path) and "failure".
template <>
struct Coding<Commands::Reply> {
    static Json encode(const Commands::Reply& reply);
    static Commands::Reply decode(const Json& json, const CodingPath& path);
};

} // namespace corvale::json
