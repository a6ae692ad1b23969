#pragma once

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <optional>

// The descriptor and process calls whose form differs between the systems the program runs on.
// Each answers as the call it wraps: -1 (or false) with errno set on failure.
namespace corvale {

// A stream socket of `domain`, closed on exec; non-blocking when asked.
int openStreamSocket(int domain, bool nonBlocking);

// The next connection waiting on `listener`, closed on exec.
int acceptConnection(int listener);

// `send` that never raises SIGPIPE when the peer has gone: the write fails with EPIPE instead.
ssize_t sendWithoutSignal(int socket, const void* data, std::size_t size, int flags);

// A pipe whose ends are both closed on exec, and non-blocking unless asked otherwise (a pipe
// handed to a child as its output must block there).
bool openPipe(int ends[2], bool nonBlocking = true);

// The user the peer of a local socket runs as; none when the system does not say.
std::optional<uid_t> peerUser(int connection);

// Flushes what was written to `descriptor` to the disk itself, not only to the drive's cache.
int flushToDisk(int descriptor);

// The file of the running program, links resolved; empty when the system does not say.
std::filesystem::path runningExecutable();

} // namespace corvale
