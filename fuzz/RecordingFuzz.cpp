// Recordings come from users' problem reports: any bytes must read as a recording or as a list
// of damaged lines, each within the file, and never throw; one that reads is drawn with every
// mark at a finite place.
#include "Skiro/Plot/RecordingPlot.hpp"
#include "Skiro/Tap/RecordingReader.hpp"

#include <algorithm>
#include <cmath>
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
    if (file.readable()) {
        const skiro::PlotPicture picture =
            skiro::RecordingPlot::layout(skiro::RecordingPlot::trace(file, text), {});
        for (const skiro::PlotPicture::ScrollMark& mark : picture.scrolls) {
            if (!std::isfinite(mark.x) || !std::isfinite(mark.before) ||
                !std::isfinite(mark.after)) {
                std::abort();
            }
        }
    }
    return 0;
}
