#pragma once

#include "CorvaleCore/LogStore.hpp"

#include <atomic>
#include <cstddef>
#include <string>
#include <type_traits>
#include <utility>

namespace corvale {

// The one logging facility: a category under the application's subsystem (its bundle
// identifier), written to the process's log store.
//
// Ordinary messages are written at debug level, which the store does not keep, unless detailed
// logging is on; then at default level, which it keeps. Errors are always written at error
// level. Messages are passed unevaluated, as a function returning the text, so building one
// costs nothing when it would not be kept:
//
//     Log::lifecycle()([&] { return "opened " + path; });
//     Log::lifecycle().error([&] { return fmt::format("couldn't open {}", path); });
//     Log::lifecycle()("a fixed sentence");
//
// A module declares its own category with one line (see CORVALE_LOG_CATEGORY below).
class Log {
public:
    explicit Log(std::string category) : category_(std::move(category)) {}

    const std::string& category() const { return category_; }

    // The application's bundle identifier, read on each use.
    static std::string subsystem();

    // The detailed-logging switch; a plain flag, read without a lock from any thread.
    static bool detailed() { return detailed_.load(std::memory_order_relaxed); }
    static void setDetailed(bool on) { detailed_.store(on, std::memory_order_relaxed); }

    // "lifecycle": the command server and links, the settings store, the hang watch.
    static const Log& lifecycle();

    template <class Message>
    requires std::is_invocable_v<Message>
    void operator()(Message&& message) const {
        if (detailed()) {
            write(LogLevel::notice, std::string(std::forward<Message>(message)()));
            return;
        }
        if (!store().isEnabled(LogLevel::debug)) {
            return;
        }
        write(LogLevel::debug, std::string(std::forward<Message>(message)()));
    }

    // A literal costs nothing to pass.
    template <std::size_t N>
    void operator()(const char (&text)[N]) const {
        (*this)([&] { return std::string(text); });
    }

    template <class Message>
    requires std::is_invocable_v<Message>
    void error(Message&& message) const {
        write(LogLevel::error, std::string(std::forward<Message>(message)()));
    }

    template <std::size_t N>
    void error(const char (&text)[N]) const {
        write(LogLevel::error, std::string(text));
    }

private:
    static LogStore& store() { return LogStore::shared(); }
    void write(LogLevel level, std::string message) const;

    std::string category_;
    static inline std::atomic<bool> detailed_{false};
};

} // namespace corvale

// Declares a module's own log category as a function returning its one `Log`, made on first
// use (safely from any thread) and kept for the process:
//
//     namespace skiro::logs {
//     CORVALE_LOG_CATEGORY(tap, "tap")
//     }
//     ... skiro::logs::tap()([&] { return "..."; });
#define CORVALE_LOG_CATEGORY(function, text)                                                       \
    inline const ::corvale::Log& function() {                                                      \
        static const ::corvale::Log* log = new ::corvale::Log(text);                               \
        return *log;                                                                               \
    }
