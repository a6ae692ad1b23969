#pragma once

#include "CorvaleCore/Json.hpp"

#include <chrono>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The command line and links: the commands the running application answers, the registry that
// holds them, the client side of the executable run with arguments, and links of the
// application's own URL scheme. The transport (the local socket, its documents and the server)
// is declared at the end and in CommandServer.hpp.
//
// The registry, the state provider and the caller are touched on the main thread only.
namespace corvale::Commands {

using Arguments = std::vector<std::string>;

// What a command answers.
struct Reply {
    enum class Kind { ok, file, failure };

    Kind kind = Kind::ok;
    // The text of ok and failure; the file's path for file.
    std::string text;

    // Success; the client prints the text, or nothing when it is empty.
    static Reply ok(std::string text) { return {Kind::ok, std::move(text)}; }
    // Success whose result was written to a file; the client prints the file's contents.
    static Reply file(const std::filesystem::path& path) { return {Kind::file, path.string()}; }
    // Refused or failed; the text says why.
    static Reply failure(std::string text) { return {Kind::failure, std::move(text)}; }

    std::filesystem::path path() const { return text; }

    bool operator==(const Reply&) const = default;
};

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

// Who asked for the command now running.
struct Caller {
    bool isLink = false;
    // The client's working directory; none for links.
    std::optional<std::string> folder;

    bool operator==(const Caller&) const = default;
};

using ReplyCallback = std::function<void(Reply)>;
// Does the work in the running application, on the main thread, and calls the callback with
// one reply, at once or later from any thread.
using Run = std::function<void(const Arguments& arguments, ReplyCallback reply)>;

// What the client says on its error stream while it waits for a command that takes a while.
struct Waiting {
    // How long the command takes, in seconds; the seconds left count down from it.
    double seconds = 0;
    // Said once the application has kept the request a moment: a refusal comes back at once.
    std::string started;
    // Said when Ctrl-C ends the wait, given the seconds still left; the client then ends as
    // interrupted, as it would without this.
    std::function<std::string(double left)> interrupted;
};

// Written with designated initializers; every field has a default:
//     Commands::add({.name = "pause", .summary = "...", .fromLinks = true, .run = ...});
struct Command {
    // The word typed after the program name; matched without regard to case.
    std::string name{};
    // How its arguments are written in the usage text, e.g. "[file]"; empty when none.
    std::string arguments{};
    // One line for the usage text.
    std::string summary{};
    // May also be run from a link.
    bool fromLinks = false;
    // If the application is not running, the client starts it and retries.
    bool launches = false;
    // The first argument is a file path, made absolute by the client before sending.
    bool fileArgument = false;
    // How long the client waits for the reply, in seconds.
    double timeout = 5;
    // Shown in the usage text; unlisted commands still run.
    bool listed = true;
    Run run{};
    // Client side: what to say while waiting, from the arguments; nothing to wait silently.
    std::function<std::optional<Waiting>(const Arguments& arguments)> waiting{};
};

// --- The registry

// The registered commands in registration order, starting with the framework's built-in ones.
const std::vector<Command>& all();

// Registers a command. One whose name equals an existing one ignoring case replaces it in
// place; otherwise it is appended.
void add(Command command);

// The first registered command whose name equals `name` ignoring case.
std::optional<Command> command(std::string_view name);

// The usage text of the listed commands.
std::string help();

// The application's state as a JSON object; an empty object until the application sets its
// own provider.
using StateProvider = std::function<json::Json()>;
json::Json state();
void setState(StateProvider provider);

// The caller of the command being run; between runs, not a link and no folder.
Caller caller();

// Back to the built-in commands only, no state provider, the default caller, no socket
// override and the standard launching (tests).
void reset();

// Runs a command on behalf of a caller. A name that matches nothing answers a failure. Only
// the first reply the command gives reaches `done`; later ones are ignored, and `done` is let
// go once it has been called.
void run(std::string_view name, Arguments arguments, Caller caller, ReplyCallback done);

// Resolves a path as the client does: a leading tilde is the home folder, a relative path is
// taken against the current caller's folder (else this process's working directory), and "."
// and ".." components are removed.
std::string fullPath(std::string_view path);
std::string fullPath(std::string_view path, const std::optional<std::string>& folder);

// --- The client

// The process entry's decision: with the whole argument list (program path first), answers none
// when the process is to run as the application; otherwise runs `commandLine` on the rest,
// writing to `out` and `err`, and answers its exit status.
std::optional<int> clientStatus(const Arguments& arguments, std::ostream& out, std::ostream& err);

// `clientStatus` on the standard streams; when it gives a status, flushes them and exits the
// process with it. Returns only when the process is to run as the application.
void runIfAsked(const Arguments& arguments);
void runIfAsked(int argc, char** argv);

// Runs one command as a client (the arguments after the program path) and answers the process
// exit status: 0 done, 1 failed, 2 no such command. What it prints goes to `out`, and a failure's
// message to `err`.
int commandLine(const Arguments& arguments, std::ostream& out, std::ostream& err);
int commandLine(const Arguments& arguments);

// --- Links

struct Link {
    // The command name, in lower case.
    std::string name;
    Arguments arguments;

    bool operator==(const Link&) const = default;
};

// A link of the application's scheme (its name in lower case, written in any case): the host
// and the path's parts, and "--name" [value] for each query item. None when it is not such a link.
std::optional<Link> parse(std::string_view url);

// Runs the links in order, on the main thread. Links have no one to answer: replies are dropped
// and problems are logged as errors of the lifecycle category.
void open(const std::vector<std::string>& urls);

// --- The socket (the server is in CommandServer.hpp)

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
