#pragma once

#include "Corvale/CommandSocket.hpp"

#include <iosfwd>

// The client's wait for a command that takes long; not for other modules.
namespace corvale::Commands::internal {

// `ask`, saying on `err` that it waits and how long is left: in place on a terminal, on one
// line otherwise. Ctrl-C while it waits is answered with `waiting.interrupted`.
Outcome askSaying(const Request& request, bool launching, double timeout, const Waiting& waiting,
                  std::ostream& err, bool terminal);

} // namespace corvale::Commands::internal
