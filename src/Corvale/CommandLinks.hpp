#pragma once

#include "Corvale/Commands.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Links of the application's own URL scheme.
namespace corvale::Commands {

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

} // namespace corvale::Commands
