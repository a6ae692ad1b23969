#include "CorvaleCore/SystemCalls.hpp"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#if defined(__APPLE__)
#include <mach-o/dyld.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#endif

namespace corvale {

#if defined(__APPLE__)

namespace {

// Here the flags come after the descriptor is made, and SIGPIPE is the socket's own option.
int prepared(int descriptor, bool nonBlocking, bool socket) {
    if (descriptor < 0) {
        return -1;
    }
    const int one = 1;
    if (::fcntl(descriptor, F_SETFD, FD_CLOEXEC) != 0 ||
        (nonBlocking &&
         ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) | O_NONBLOCK) != 0) ||
        (socket && ::setsockopt(descriptor, SOL_SOCKET, SO_NOSIGPIPE, &one, sizeof one) != 0)) {
        const int error = errno;
        ::close(descriptor);
        errno = error;
        return -1;
    }
    return descriptor;
}

} // namespace

int openStreamSocket(int domain, bool nonBlocking) {
    return prepared(::socket(domain, SOCK_STREAM, 0), nonBlocking, true);
}

int acceptConnection(int listener) {
    // A connection takes the listener's non-blocking flag here; it is meant to block.
    int descriptor = prepared(::accept(listener, nullptr, nullptr), false, true);
    if (descriptor >= 0) {
        ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    }
    return descriptor;
}

ssize_t sendWithoutSignal(int socket, const void* data, std::size_t size, int flags) {
    // Sockets made elsewhere may lack the option.
    const int one = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_NOSIGPIPE, &one, sizeof one);
    return ::send(socket, data, size, flags);
}

bool openPipe(int ends[2], bool nonBlocking) {
    if (::pipe(ends) != 0) {
        return false;
    }
    // Each end is closed by `prepared` when it fails; the other is closed here.
    if (prepared(ends[0], nonBlocking, false) < 0) {
        const int error = errno;
        ::close(ends[1]);
        errno = error;
        return false;
    }
    if (prepared(ends[1], nonBlocking, false) < 0) {
        const int error = errno;
        ::close(ends[0]);
        errno = error;
        return false;
    }
    return true;
}

std::optional<uid_t> peerUser(int connection) {
    uid_t user = 0;
    gid_t group = 0;
    if (::getpeereid(connection, &user, &group) != 0) {
        return std::nullopt;
    }
    return user;
}

int flushToDisk(int descriptor) {
    // fsync leaves the data in the drive's cache here; some file systems refuse the full flush.
    if (::fcntl(descriptor, F_FULLFSYNC) == 0) {
        return 0;
    }
    return ::fsync(descriptor);
}

std::filesystem::path runningExecutable() {
    std::uint32_t size = 0;
    ::_NSGetExecutablePath(nullptr, &size);
    std::string path(size, '\0');
    if (::_NSGetExecutablePath(path.data(), &size) != 0) {
        return {};
    }
    path.resize(std::strlen(path.c_str()));
    std::error_code error;
    std::filesystem::path resolved = std::filesystem::canonical(path, error);
    return error ? std::filesystem::path() : resolved;
}

#else

int openStreamSocket(int domain, bool nonBlocking) {
    return ::socket(domain, SOCK_STREAM | SOCK_CLOEXEC | (nonBlocking ? SOCK_NONBLOCK : 0), 0);
}

int acceptConnection(int listener) {
    return ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
}

ssize_t sendWithoutSignal(int socket, const void* data, std::size_t size, int flags) {
    return ::send(socket, data, size, flags | MSG_NOSIGNAL);
}

bool openPipe(int ends[2], bool nonBlocking) {
    return ::pipe2(ends, O_CLOEXEC | (nonBlocking ? O_NONBLOCK : 0)) == 0;
}

std::optional<uid_t> peerUser(int connection) {
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (::getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0 ||
        length != sizeof credentials) {
        return std::nullopt;
    }
    return credentials.uid;
}

int flushToDisk(int descriptor) {
    return ::fsync(descriptor);
}

std::filesystem::path runningExecutable() {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : self;
}

#endif

} // namespace corvale
