// skiro-replay [--plot <image>] <file> [--directions <trackpad vertical> <trackpad horizontal>
// <mouse vertical> <mouse horizontal> | --directions system]: replays a recording through the
// tap on the simulated system, and with --plot draws it too. Exits 0 when every scroll went as
// recorded, 1 when some differ, 2 when the file cannot be read or drawn (or the command is not
// understood).
#include "CorvaleCore/Files.hpp"
#include "PlotImage.hpp"
#include "Skiro/Replay/Replay.hpp"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr const char* usage =
    "usage: skiro-replay [--plot <image>] <file> [--directions <trackpad vertical> <trackpad "
    "horizontal> "
    "<mouse vertical> <mouse horizontal> | --directions system]\n"
    "  each direction is natural or standard; the image is PNG, or SVG when it ends in .svg\n";

// The words after --directions; nothing when they are not four directions or "system".
std::optional<skiro::Replay::Options> options(const std::vector<std::string>& words) {
    skiro::Replay::Options options;
    if (words.empty()) {
        return options;
    }
    if (words.front() != "--directions") {
        return std::nullopt;
    }
    if (words.size() == 2 && words[1] == "system") {
        options.directions = std::optional<skiro::Directions>();
        return options;
    }
    if (words.size() != 5) {
        return std::nullopt;
    }
    skiro::Direction each[4];
    for (std::size_t i = 0; i < 4; ++i) {
        std::optional<skiro::Direction> direction = skiro::directionFromString(words[i + 1]);
        if (!direction) {
            return std::nullopt;
        }
        each[i] = *direction;
    }
    options.directions = skiro::Directions{each[0], each[1], each[2], each[3]};
    return options;
}

// Draws the recording and its replay; false when it couldn't, having said why.
bool plot(const std::string& image, const std::string& path, std::string_view text,
          const skiro::RecordingFile& file, const skiro::Replay::Options& options,
          const skiro::Replay::Outcome& outcome) {
    skiro::RecordingPlot::Options how;
    how.title = std::filesystem::path(path).filename().string();
    how.replayed = outcome.ran;
    how.directions = options.directions;
    for (const skiro::Replay::Difference& difference : outcome.differences) {
        how.differing.insert(difference.line);
    }
    const skiro::PlotPicture picture =
        skiro::RecordingPlot::layout(skiro::RecordingPlot::trace(file, text), how);
    if (std::optional<std::string> failure = drawPlot(picture, image)) {
        std::fprintf(stderr, "Couldn't draw %s: %s.\n", image.c_str(), failure->c_str());
        return false;
    }
    std::printf("Drew %s (%d by %d).\n", image.c_str(), picture.width, picture.height);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // --plot <image> comes first and is taken off before the replay's own arguments.
    std::optional<std::string> image;
    if (argc >= 3 && std::string_view(argv[1]) == "--plot") {
        image = argv[2];
        argv[2] = argv[0];
        argv += 2;
        argc -= 2;
    }
    const std::vector<std::string> words(argv + std::min(argc, 2), argv + argc);
    std::optional<skiro::Replay::Options> chosen = options(words);
    if (argc < 2 || !chosen) {
        std::fputs(usage, stderr);
        return 2;
    }
    const std::string path = argv[1];
    std::optional<std::string> text = corvale::readFile(path);
    if (!text) {
        if (image) {
            std::fprintf(stderr, "Couldn't draw %s: %s can't be read.\n", image->c_str(),
                         path.c_str());
        } else {
            std::fprintf(stderr, "Couldn't read %s.\n", path.c_str());
        }
        return 2;
    }
    const skiro::RecordingFile file = skiro::RecordingReader::read(*text);
    if (!file.readable()) {
        if (image) {
            std::fprintf(stderr, "Couldn't draw %s: %s is damaged.\n", image->c_str(),
                         path.c_str());
        } else {
            std::fprintf(stderr, "Couldn't replay %s: it is damaged.\n", path.c_str());
        }
        for (const skiro::RecordingFile::Problem& problem : file.problems) {
            std::fprintf(stderr, "line %zu: %s\n", problem.line, problem.reason.c_str());
        }
        return 2;
    }
    const skiro::Replay::Outcome outcome = skiro::Replay::run(file, *chosen);
    for (const std::string& line : skiro::Replay::report(outcome)) {
        std::printf("%s\n", line.c_str());
    }
    if (image && !plot(*image, path, *text, file, *chosen, outcome)) {
        return 2;
    }
    if (!outcome.ran) {
        return 2;
    }
    return outcome.differences.empty() ? 0 : 1;
}
