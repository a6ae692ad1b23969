#include "CorvaleCore/Files.hpp"

#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/Folders.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace corvale {

namespace {

// Closes a descriptor on every way out.
struct Descriptor {
    int fd;
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

std::string FileError::description() const {
    std::string name = path_.filename().string();
    std::string reason = std::strerror(errno_);
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
        if (::fsync(file.fd) != 0) {
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

std::optional<std::string> readFile(const std::filesystem::path& path) {
    std::ifstream stream(path, std::ios::binary);
    if (!stream) {
        return std::nullopt;
    }
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        return std::nullopt;
    }
    std::ostringstream contents;
    contents << stream.rdbuf();
    if (stream.bad()) {
        return std::nullopt;
    }
    return std::move(contents).str();
}

std::string readWholeFile(const std::filesystem::path& path, std::size_t limit) {
    Descriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0) {
        throw FileError(FileError::Operation::read, path, errno);
    }
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
