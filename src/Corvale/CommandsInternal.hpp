#pragma once

#include "Corvale/Commands.hpp"

#include <string>
#include <string_view>

// The registry's words, shared by the files of the command line; not for other modules.
namespace corvale::Commands::internal {

// The application's name in lower case, as messages name the program.
std::string programName();

// "There's no command '<name>'. Try: <program> help"
std::string noSuchCommand(std::string_view name);

} // namespace corvale::Commands::internal
