#include "Corvale/Commands.hpp"
#include "Corvale/CommandServer.hpp"
#include "Corvale/CommandSocket.hpp"

#include "CorvaleCore/Text.hpp"

#include "Corvale/CommandsInternal.hpp"

#include "Corvale/CrashNote.hpp"
#include "Corvale/Diagnostics.hpp"
#include "Corvale/JsonText.hpp"
#include "Corvale/RecentLog.hpp"
#include "Corvale/Updates.hpp"
#include "Corvale/WhatsNew.hpp"
#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/Dispatch.hpp"
#include "CorvaleCore/Error.hpp"
#include "CorvaleCore/Folders.hpp"
#include "CorvaleCore/Utf8.hpp"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <mutex>
#include <vector>

namespace corvale::Commands {

namespace {

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && asciiLowercased(a) == asciiLowercased(b);
}

// Characters, not bytes, for the usage text's column: UTF-8 continuation bytes do not count.
std::size_t characters(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

void stateCommand(const Arguments&, const ReplyCallback& reply) {
    const char* notJSON = "The state has something in it that isn't JSON.";
    json::Json document = state();
    if (!document.is_object()) {
        reply(Reply::failure(notJSON));
        return;
    }
    AppIdentity identity = AppIdentity::current();
    document["app"] = identity.name;
    document["version"] = identity.version();
    std::optional<std::string> text = JsonText::pretty(document);
    reply(text ? Reply::ok(std::move(*text)) : Reply::failure(notJSON));
}

void logCommand(const Arguments&, const ReplyCallback& reply) {
    DispatchQueue::global(QualityOfService::userInitiated).async([reply] {
        std::optional<std::filesystem::path> written = RecentLog::write(10);
        DispatchQueue::main().async([reply, written] {
            reply(written ? Reply::file(*written) : Reply::failure("Couldn't write the log."));
        });
    });
}

void diagnosticsCommand(const Arguments&, const ReplyCallback& reply) {
    Diagnostics::write([reply](std::optional<std::filesystem::path> written) {
        reply(written ? Reply::file(*written) : Reply::failure("Couldn't write the report."));
    });
}

void updateCommand(const Arguments&, const ReplyCallback& reply) {
    if (!Updates::isConfigured()) {
        reply(Reply::failure(Updates::notConfiguredMessage));
        return;
    }
    Updates::shared().checkNow();
    reply(Reply::ok(""));
}

// The framework's own commands, in their order.
std::vector<Command> builtIn() {
    return {
        Command{.name = "state",
                .summary = "Print the app's state as JSON",
                .timeout = 5,
                .run = stateCommand},
        Command{.name = "log",
                .summary = "Print the last 10 minutes of the log",
                .timeout = 15,
                .run = logCommand},
        Command{.name = "diagnostics",
                .summary = "Print the report for a bug report",
                .timeout = 15,
                .run = diagnosticsCommand},
        Command{.name = "update",
                .summary = "Check for updates",
                .fromLinks = true,
                .launches = true,
                .timeout = 5,
                .run = updateCommand},
        Command{.name = "whats-new",
                .summary = "Show what's new in this version",
                .fromLinks = true,
                .launches = true,
                .timeout = 5,
                .run =
                    [](const Arguments&, const ReplyCallback& reply) {
                        WhatsNew::showLatest();
                        reply(Reply::ok(""));
                    }},
        Command{.name = "crash-note",
                .summary = "Show the note about the last crash or hang",
                .fromLinks = true,
                .launches = true,
                .timeout = 5,
                .run =
                    [](const Arguments&, const ReplyCallback& reply) {
                        CrashNote::showLatest();
                        reply(Reply::ok(""));
                    }},
    };
}

struct Registry {
    std::vector<Command> commands = builtIn();
    StateProvider state;
    Caller caller;
};

Registry& registry() {
    static auto* shared = new Registry();
    return *shared;
}

} // namespace

std::string internal::programName() {
    return asciiLowercased(AppIdentity::current().name);
}

std::string internal::noSuchCommand(std::string_view name) {
    // A name of any length may arrive; the answer to it stays a line, cut where a character
    // begins.
    constexpr std::size_t longest = 64;
    std::string shown(name.substr(0, utf8::cutLength(name, longest)));
    if (name.size() > longest) {
        shown += "…";
    }
    return "There's no command '" + shown + "'. Try: " + programName() + " help";
}

const std::vector<Command>& all() {
    return registry().commands;
}

void add(Command command) {
    auto& commands = registry().commands;
    auto found = std::find_if(commands.begin(), commands.end(),
                              [&](const Command& c) { return sameName(c.name, command.name); });
    if (found != commands.end()) {
        *found = std::move(command);
    } else {
        commands.push_back(std::move(command));
    }
}

std::optional<Command> command(std::string_view name) {
    for (const Command& c : registry().commands) {
        if (sameName(c.name, name)) {
            return c;
        }
    }
    return std::nullopt;
}

std::string help() {
    std::vector<const Command*> listed;
    for (const Command& c : registry().commands) {
        if (c.listed) {
            listed.push_back(&c);
        }
    }
    auto label = [](const Command& c) {
        return c.arguments.empty() ? c.name : c.name + " " + c.arguments;
    };
    std::size_t longest = 16;
    for (const Command* c : listed) {
        longest = std::max(longest, characters(label(*c)));
    }
    const std::size_t column = longest + 2;

    std::string program = internal::programName();
    std::string text = "Usage: " + program + " <command>\n\nCommands:\n";
    const Command* lastLink = nullptr;
    for (std::size_t i = 0; i < listed.size(); ++i) {
        const Command& c = *listed[i];
        std::string line = "  " + label(c);
        line.append(column - characters(label(c)), ' ');
        line += c.summary;
        if (c.fromLinks) {
            line += " (also a link)";
            lastLink = &c;
        }
        text += (i == 0 ? "" : "\n") + line;
    }
    if (lastLink != nullptr) {
        text +=
            "\n\nLinks work from anywhere that opens one: open " + program + "://" + lastLink->name;
    }
    return text;
}

json::Json state() {
    const StateProvider& provider = registry().state;
    return provider ? provider() : json::Json::object();
}

void setState(StateProvider provider) {
    registry().state = std::move(provider);
}

Caller caller() {
    return registry().caller;
}

void reset() {
    internal::stopListening();
    registry() = Registry();
    internal::resetSocket();
}

void run(std::string_view name, Arguments arguments, Caller caller, ReplyCallback done) {
    std::optional<Command> found = command(name);
    if (!found) {
        done(Reply::failure(internal::noSuchCommand(name)));
        return;
    }
    // The first reply wins, from whichever thread it comes; `done` is released with it, so
    // what it holds (a connection) does not wait for the command to let its callback go.
    struct Once {
        std::mutex mutex;
        ReplyCallback done;
    };
    auto once = std::make_shared<Once>();
    once->done = std::move(done);
    ReplyCallback reply = [once](Reply answer) {
        ReplyCallback first;
        {
            std::lock_guard lock(once->mutex);
            first = std::move(once->done);
            once->done = nullptr;
        }
        if (first) {
            first(std::move(answer));
        }
    };
    registry().caller = std::move(caller);
    struct Restore {
        ~Restore() { registry().caller = Caller(); }
    } restore;
    // A command that throws has failed; its client hears why instead of waiting in vain.
    try {
        found->run(arguments, reply);
    } catch (const Error& error) {
        reply(Reply::failure(error.description()));
    } catch (const std::exception& error) {
        reply(Reply::failure(error.what()));
    }
}

std::string fullPath(std::string_view path, const std::optional<std::string>& folder) {
    std::string expanded(path);
    if (!expanded.empty() && expanded.front() == '~') {
        std::size_t slash = expanded.find('/');
        std::string user =
            expanded.substr(1, slash == std::string::npos ? std::string::npos : slash - 1);
        std::optional<std::string> home;
        if (user.empty()) {
            home = Folders::home().string();
        } else if (passwd* entry = ::getpwnam(user.c_str());
                   entry != nullptr && entry->pw_dir != nullptr) {
            home = entry->pw_dir;
        }
        // An unknown user's tilde stays as it is, as a name in the folder.
        if (home) {
            expanded = *home + (slash == std::string::npos ? "" : expanded.substr(slash));
        }
    }
    std::filesystem::path full(expanded);
    if (!full.is_absolute()) {
        std::filesystem::path base;
        if (folder) {
            base = *folder;
        } else {
            std::error_code ignored;
            base = std::filesystem::current_path(ignored);
        }
        full = base / full;
    }
    std::string normal = full.lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/') {
        normal.pop_back();
    }
    return normal;
}

std::string fullPath(std::string_view path) {
    return fullPath(path, registry().caller.folder);
}

} // namespace corvale::Commands
