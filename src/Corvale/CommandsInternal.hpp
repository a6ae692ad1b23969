#pragma once

#include "Corvale/Commands.hpp"

#include <iosfwd>
#include <string>
#include <string_view>

// Shared by the files of the command line; not for other modules.
namespace corvale::Commands::internal {

// The application's name in lower case, as messages name the program.
std::string programName();

// "There's no command '<name>'. Try: <program> help"
std::string noSuchCommand(std::string_view name);

// `ask`, saying on `err` that it waits and how long is left: in place on a terminal, on one
// line otherwise. Ctrl-C while it waits is answered with `waiting.interrupted`.
Outcome askSaying(const Request& request, bool launching, double timeout, const Waiting& waiting,
                  std::ostream& err, bool terminal);

// What `Commands::reset` puts back beyond the registry.
void resetSocket();
void stopListening();

} // namespace corvale::Commands::internal
