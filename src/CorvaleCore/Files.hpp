#pragma once

#include "CorvaleCore/Error.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace corvale {

// A file that could not be read or written, with the system's reason.
class FileError : public Error {
public:
    enum class Operation { read, write };

    FileError(Operation operation, std::filesystem::path path, int errorNumber);
    // A failure the system has no error number for; `reason` reads like one of its texts.
    FileError(Operation operation, std::filesystem::path path, std::string reason);

    Operation operation() const { return operation_; }
    const std::filesystem::path& path() const { return path_; }
    int errorNumber() const { return errno_; }

    std::string description() const override;

private:
    Operation operation_;
    std::filesystem::path path_;
    int errno_;
    std::string reason_;
};

// Writes `bytes` to a new temporary file beside `path`, flushes it to the disk and renames it
// over `path`, so a reader sees the old file or the new one, never a part of either. Several
// writers may write the same path at once: each uses its own temporary file and the last
// rename wins. The folder must exist. Throws FileError.
void writeAtomically(const std::filesystem::path& path, std::string_view bytes);

// The whole file; none when it does not exist, cannot be read or is not a regular file.
std::optional<std::string> readFile(const std::filesystem::path& path);

// The whole file, for callers that show why it could not be read: throws FileError with the
// system's reason, EFBIG when it holds more than `limit` bytes. Only regular files are read:
// a pipe or a device could keep the reader waiting for ever, so it is refused at once.
std::string readWholeFile(const std::filesystem::path& path, std::size_t limit);

// The application's own caches folder (the caches folder, then the application's name), made
// with its parents when missing: where logs, exports, reports and recordings are written.
// Throws FileError when it cannot be made.
std::filesystem::path applicationCaches();

} // namespace corvale
