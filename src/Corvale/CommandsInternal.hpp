#pragma once

#include <string>
#include <string_view>

// Shared by the files of the command line; not for other modules.
namespace corvale::Commands::internal {

// The application's name in lower case, as messages name the program.
std::string programName();

// "There's no command '<name>'. Try: <program> help"
std::string noSuchCommand(std::string_view name);

// What `Commands::reset` puts back beyond the registry.
void resetSocket();
void stopListening();

} // namespace corvale::Commands::internal
