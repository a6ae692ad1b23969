#include "CorvaleCore/Files.hpp"

#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/Folders.hpp"
#include "CorvaleCore/SystemCalls.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <utility>

namespace corvale {

namespace {

// Closes a descriptor on every way out.
struct Descriptor {
    int fd;
    explicit Descriptor(int descriptor) : fd(descriptor) {}
    Descriptor(Descriptor&& other) noexcept : fd(std::exchange(other.fd, -1)) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

std::filesystem::path temporaryBeside(const std::filesystem::path& path) {
    static std::atomic<unsigned long> counter{0};
    std::string name = "." + path.filename().string() + ".tmp." + std::to_string(::getpid()) + "." +
                       std::to_string(counter.fetch_add(1, std::memory_order_relaxed));
    return path.parent_path() / name;
}

} // namespace

FileError::FileError(Operation operation, std::filesystem::path path, int errorNumber)
    : operation_(operation), path_(std::move(path)), errno_(errorNumber) {}

FileError::FileError(Operation operation, std::filesystem::path path, std::string reason)
    : operation_(operation), path_(std::move(path)), errno_(0), reason_(std::move(reason)) {}

std::string FileError::description() const {
    std::string name = path_.filename().string();
    std::string reason = reason_.empty() ? std::string(std::strerror(errno_)) : reason_;
    if (operation_ == Operation::read) {
        return "The file “" + name + "” couldn't be opened: " + reason + ".";
    }
    return "The file “" + name + "” couldn't be saved: " + reason + ".";
}

void writeAtomically(const std::filesystem::path& path, std::string_view bytes) {
    std::filesystem::path temporary = temporaryBeside(path);
    auto fail = [&](int error) {
        ::unlink(temporary.c_str());
        throw FileError(FileError::Operation::write, path, error);
    };
    {
        Descriptor file{::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644)};
        if (file.fd < 0) {
            throw FileError(FileError::Operation::write, path, errno);
        }
        const char* data = bytes.data();
        std::size_t left = bytes.size();
        while (left > 0) {
            ssize_t written = ::write(file.fd, data, left);
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written <= 0) {
                fail(written < 0 ? errno : EIO);
            }
            data += written;
            left -= static_cast<std::size_t>(written);
        }
        if (flushToDisk(file.fd) != 0) {
            fail(errno);
        }
        int closed = ::close(file.fd);
        file.fd = -1;
        if (closed != 0) {
            fail(errno);
        }
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        fail(errno);
    }
    // The rename itself reaches the disk with the folder's entry.
    std::filesystem::path folder = path.parent_path().empty() ? "." : path.parent_path();
    Descriptor directory{::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (directory.fd >= 0) {
        ::fsync(directory.fd);
    }
}

namespace {

// Opens a regular file for reading without waiting: opening a pipe for reading would wait for a
// writer, so the file is opened without blocking and looked at before anything is read.
Descriptor openRegular(const std::filesystem::path& path) {
    Descriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)};
    if (file.fd < 0) {
        throw FileError(FileError::Operation::read, path, errno);
    }
    struct stat status {};
    if (::fstat(file.fd, &status) != 0) {
        throw FileError(FileError::Operation::read, path, errno);
    }
    if (S_ISDIR(status.st_mode)) {
        throw FileError(FileError::Operation::read, path, EISDIR);
    }
    if (!S_ISREG(status.st_mode)) {
        throw FileError(FileError::Operation::read, path, "It isn't a regular file");
    }
    return file;
}

} // namespace

std::optional<std::string> readFile(const std::filesystem::path& path) {
    try {
        return readWholeFile(path, std::string().max_size());
    } catch (const FileError&) {
        return std::nullopt;
    }
}

std::string readWholeFile(const std::filesystem::path& path, std::size_t limit) {
    Descriptor file = openRegular(path);
    std::string contents;
    char buffer[16 * 1024];
    while (true) {
        ssize_t got = ::read(file.fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            throw FileError(FileError::Operation::read, path, errno);
        }
        if (got == 0) {
            return contents;
        }
        if (contents.size() + static_cast<std::size_t>(got) > limit) {
            throw FileError(FileError::Operation::read, path, EFBIG);
        }
        contents.append(buffer, static_cast<std::size_t>(got));
    }
}

std::filesystem::path applicationCaches() {
    std::filesystem::path folder = Folders::caches() / AppIdentity::current().name;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        throw FileError(FileError::Operation::write, folder, error.value());
    }
    return folder;
}

} // namespace corvale
