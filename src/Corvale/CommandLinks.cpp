// Links of the application's own URL scheme: tool://set/mouse/vertical/natural for an

#include "Corvale/CommandLinks.hpp"
#include "CorvaleCore/Text.hpp"
// application named Tool; the scheme is the name in lower case.
#include "Corvale/Commands.hpp"
#include "Corvale/CommandsInternal.hpp"

#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/Log.hpp"

namespace corvale::Commands {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// None when a "%" is not followed by two hexadecimal digits.
std::optional<std::string> percentDecoded(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        if (i + 2 >= text.size()) {
            return std::nullopt;
        }
        int high = hexValue(text[i + 1]);
        int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return decoded;
}

bool isSchemeCharacter(char c, bool first) {
    bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (first) {
        return letter;
    }
    return letter || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    for (;;) {
        std::size_t at = text.find(separator);
        pieces.push_back(text.substr(0, at));
        if (at == std::string_view::npos) {
            return pieces;
        }
        text.remove_prefix(at + 1);
    }
}

// The query's items as arguments: "--name", then the value when the item has one. A query
// that does not decode counts as having no items.
Arguments queryArguments(std::string_view query) {
    Arguments arguments;
    for (std::string_view item : split(query, '&')) {
        if (item.empty()) {
            continue;
        }
        std::size_t equals = item.find('=');
        std::optional<std::string> name = percentDecoded(item.substr(0, equals));
        if (!name) {
            return {};
        }
        arguments.push_back("--" + *name);
        if (equals != std::string_view::npos) {
            std::optional<std::string> value = percentDecoded(item.substr(equals + 1));
            if (!value) {
                return {};
            }
            arguments.push_back(*value);
        }
    }
    return arguments;
}

} // namespace

std::optional<Link> parse(std::string_view url) {
    std::size_t colon = url.find(':');
    if (colon == std::string_view::npos || colon == 0) {
        return std::nullopt;
    }
    std::string_view scheme = url.substr(0, colon);
    for (std::size_t i = 0; i < scheme.size(); ++i) {
        if (!isSchemeCharacter(scheme[i], i == 0)) {
            return std::nullopt;
        }
    }
    if (asciiLowercased(scheme) != asciiLowercased(AppIdentity::current().name)) {
        return std::nullopt;
    }

    std::string_view rest = url.substr(colon + 1);
    rest = rest.substr(0, rest.find('#'));
    std::string_view query;
    if (std::size_t mark = rest.find('?'); mark != std::string_view::npos) {
        query = rest.substr(mark + 1);
        rest = rest.substr(0, mark);
    }

    std::vector<std::string> parts;
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        std::size_t slash = rest.find('/');
        std::string_view authority = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
        if (std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
            authority.remove_prefix(at + 1);
        }
        std::string_view host;
        if (authority.starts_with('[')) {
            std::size_t close = authority.find(']');
            if (close == std::string_view::npos) {
                return std::nullopt;
            }
            host = authority.substr(1, close - 1);
        } else {
            host = authority.substr(0, authority.find(':'));
        }
        std::optional<std::string> decoded = percentDecoded(host);
        if (!decoded) {
            return std::nullopt;
        }
        if (!decoded->empty()) {
            parts.push_back(std::move(*decoded));
        }
    }
    for (std::string_view component : split(rest, '/')) {
        if (component.empty()) {
            continue;
        }
        std::optional<std::string> decoded = percentDecoded(component);
        if (!decoded) {
            return std::nullopt;
        }
        parts.push_back(std::move(*decoded));
    }
    if (parts.empty()) {
        return std::nullopt;
    }

    Link link;
    link.name = asciiLowercased(parts.front());
    link.arguments.assign(std::make_move_iterator(parts.begin() + 1),
                          std::make_move_iterator(parts.end()));
    Arguments fromQuery = queryArguments(query);
    link.arguments.insert(link.arguments.end(), fromQuery.begin(), fromQuery.end());
    return link;
}

void open(const std::vector<std::string>& urls) {
    std::string program = asciiLowercased(AppIdentity::current().name);
    for (const std::string& url : urls) {
        std::optional<Link> link = parse(url);
        if (!link) {
            continue;
        }
        std::string prefix = "link " + link->name + ": ";
        std::optional<Command> found = command(link->name);
        if (!found) {
            Log::lifecycle().error([&] {
                return prefix + "There's no command '" + link->name + "'. Try: " + program +
                       " help";
            });
            continue;
        }
        if (!found->fromLinks) {
            Log::lifecycle().error([&] {
                return prefix + "'" + found->name +
                       "' only works from the command line, not as a link.";
            });
            continue;
        }
        run(link->name, std::move(link->arguments), Caller{.isLink = true, .folder = std::nullopt},
            [prefix](const Reply& reply) {
                if (reply.kind == Reply::Kind::failure) {
                    Log::lifecycle().error([&] { return prefix + reply.text; });
                }
            });
    }
}

} // namespace corvale::Commands
