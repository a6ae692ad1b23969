// Crash reports are files other programs write: any bytes must give a summary or none, never an
// exception or a crash, and a summary never shows the home folder, is valid UTF-8, and is the
// same whether read from the file or from its contents.
#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/CrashReport.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr const char* home = "/home/fuzz";

int reportFile = -1;

bool isValidUTF8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if ((lead >= 0x80 && lead < 0xC2) || lead > 0xF4 || text.size() - i < length) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ::setenv("HOME", home, 1);
    corvale::AppIdentity::setCurrent({"Skiro", "dev.skiro.Skiro", "owner/Skiro"});
    reportFile = ::memfd_create("report.ips", MFD_CLOEXEC);
    if (reportFile < 0) {
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (::ftruncate(reportFile, 0) != 0 ||
        ::pwrite(reportFile, data, size, 0) != static_cast<ssize_t>(size)) {
        std::abort();
    }
    std::optional<std::string> summary =
        corvale::CrashReport::summary("/proc/self/fd/" + std::to_string(reportFile));
    if (summary != corvale::CrashReport::summarize(bytes)) {
        std::abort();
    }
    if (summary) {
        if (!summary->starts_with("Skiro ") || summary->find(home) != std::string::npos ||
            !isValidUTF8(*summary)) {
            std::abort();
        }
    }
    return 0;
}
