#pragma once

#include <string>
#include <string_view>

// Shared by the files of the command line; not for other modules.
namespace corvale::Commands::internal {

// What `Commands::reset` puts back beyond the registry.
void resetSocket();
void stopListening();

} // namespace corvale::Commands::internal
