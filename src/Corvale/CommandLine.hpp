#pragma once

#include "Corvale/Commands.hpp"

#include <iosfwd>
#include <optional>

// The client side of the executable run with arguments.
namespace corvale::Commands {

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

} // namespace corvale::Commands
