// The executable as its own client: whether it is one, and running one command through the
// socket, printing what comes back.
#include "Corvale/CommandLine.hpp"
#include "Corvale/CommandSocket.hpp"
#include "Corvale/CommandWaiting.hpp"
#include "Corvale/Commands.hpp"
#include "Corvale/CommandsInternal.hpp"

#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/Files.hpp"
#include "CorvaleCore/Text.hpp"
#include "CorvaleCore/Utf8.hpp"

#include <unistd.h>

#include <cstdlib>
#include <iostream>

namespace corvale::Commands {

std::optional<int> clientStatus(const Arguments& arguments, std::ostream& out, std::ostream& err) {
    if (arguments.size() < 2) {
        return std::nullopt;
    }
    const std::string& first = arguments[1];
    // The system's and a debugger's options for the application.
    if (!first.empty() && first.front() == '-' && first != "-h" && first != "--help") {
        return std::nullopt;
    }
    return commandLine(Arguments(arguments.begin() + 1, arguments.end()), out, err);
}

void runIfAsked(const Arguments& arguments) {
    if (std::optional<int> status = clientStatus(arguments, std::cout, std::cerr)) {
        std::cout.flush();
        std::cerr.flush();
        std::exit(*status);
    }
}

void runIfAsked(int argc, char** argv) {
    runIfAsked(Arguments(argv, argv + std::max(argc, 0)));
}

int commandLine(const Arguments& arguments, std::ostream& out, std::ostream& err) {
    auto fail = [&](const std::string& message, int status) {
        err << message << '\n';
        err.flush();
        return status;
    };
    std::string typed = arguments.empty() ? "help" : arguments.front();
    std::string lower = asciiLowercased(typed);
    if (lower == "help" || lower == "-h" || lower == "--help") {
        out << help() << '\n';
        out.flush();
        return 0;
    }
    std::optional<Command> found = command(typed);
    if (!found) {
        return fail(internal::noSuchCommand(typed), 2);
    }

    Request request;
    request.command = found->name;
    request.arguments.assign(arguments.begin() + 1, arguments.end());
    std::error_code error;
    std::filesystem::path here = std::filesystem::current_path(error);
    if (!error) {
        request.folder = here.string();
    }
    if (found->fileArgument && !request.arguments.empty()) {
        request.arguments.front() = fullPath(request.arguments.front(), request.folder);
    }

    std::optional<Waiting> waiting =
        found->waiting ? found->waiting(request.arguments) : std::nullopt;
    Outcome outcome =
        waiting ? internal::askSaying(request, found->launches, found->timeout, *waiting, err,
                                      &err == &std::cerr && ::isatty(STDERR_FILENO) == 1)
                : ask(request, found->launches, found->timeout);
    std::string name = AppIdentity::current().name;
    switch (outcome.kind) {
    case Outcome::Kind::notRunning:
        return fail(name + " isn't running.", 1);
    case Outcome::Kind::noAnswer:
        return fail("No answer from " + name + ".", 1);
    case Outcome::Kind::reply:
        break;
    }
    const Reply& reply = outcome.reply;
    switch (reply.kind) {
    case Reply::Kind::ok:
        if (!reply.text.empty()) {
            out << reply.text << '\n';
            out.flush();
        }
        return 0;
    case Reply::Kind::file: {
        std::optional<std::string> contents = readFile(reply.path());
        if (!contents || !utf8::decode(*contents)) {
            return fail("Couldn't read " + reply.text + ".", 1);
        }
        out << *contents << '\n';
        out.flush();
        return 0;
    }
    case Reply::Kind::failure:
        return fail(reply.text, 1);
    }
    return 1;
}

int commandLine(const Arguments& arguments) {
    return commandLine(arguments, std::cout, std::cerr);
}

} // namespace corvale::Commands
