#pragma once

#include "CorvaleCore/Json.hpp"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The commands the running application answers and the registry that holds them. The client
// is in CommandLine.hpp, links in CommandLinks.hpp, the socket in CommandSocket.hpp and
// CommandServer.hpp.
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

} // namespace corvale::Commands
