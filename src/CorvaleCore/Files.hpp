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

    Operation operation() const { return operation_; }
    const std::filesystem::path& path() const { return path_; }
    int errorNumber() const { return errno_; }

    std::string description() const override;

private:
    Operation operation_;
    std::filesystem::path path_;
    int errno_;
};

// Writes `bytes` to a new temporary file beside `path`, flushes it to the disk and renames it
// over `path`, so a reader sees the old file or the new one, never a part of either. Several
// writers may write the same path at once: each uses its own temporary file and the last
// rename wins. The folder must exist. Throws FileError.
void writeAtomically(const std::filesystem::path& path, std::string_view bytes);

// The whole file; none when it does not exist or cannot be read.
std::optional<std::string> readFile(const std::filesystem::path& path);

// The whole file, for callers that show why it could not be read: throws FileError with the
// system's reason, EFBIG when it holds more than `limit` bytes (a device that never ends, say).
std::string readWholeFile(const std::filesystem::path& path, std::size_t limit);

// The application's own caches folder (the caches folder, then the application's name), made
// with its parents when missing: where logs, exports, reports and recordings are written.
// Throws FileError when it cannot be made.
std::filesystem::path applicationCaches();

} // namespace corvale
