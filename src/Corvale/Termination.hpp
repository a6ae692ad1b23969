#pragma once

#include <cstdint>
#include <functional>

// The application is about to terminate. The framework's services that hold something open
// until then (the command server) observe it; the application's own termination handler posts
// it, on the main thread, once.
namespace corvale::Termination {

using Token = std::uint64_t;

// `observer` runs on the main thread when `willTerminate()` is posted. Any thread.
Token observe(std::function<void()> observer);
void remove(Token token);

// Runs the observers, in the order they were added, on the main thread: at once when called
// there, else by a call on the main queue that this waits for. Observers may remove themselves.
void willTerminate();

// Forgets every observer (tests).
void reset();

} // namespace corvale::Termination
