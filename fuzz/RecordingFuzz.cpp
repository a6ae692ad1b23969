// Recordings come from users' problem reports: any bytes must read as a recording or as a list
// of damaged lines, each within the file, and never throw.
#include "Skiro/Tap/RecordingReader.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    const skiro::RecordingFile file = skiro::RecordingReader::read(text);
    const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    for (const skiro::RecordingFile::Problem& problem : file.problems) {
        if (problem.line > lines + 2) {
            std::abort();
        }
    }
    for (const skiro::RecordingFile::Scroll& scroll : file.scrolls) {
        if (scroll.line < 2 || scroll.line > lines + 1) {
            std::abort();
        }
    }
    return 0;
}
