// skiro-replay <file> [--directions <trackpad vertical> <trackpad horizontal> <mouse vertical>
// <mouse horizontal> | --directions system]: replays a recording through the tap on the
// simulated system. Exits 0 when every scroll went as recorded, 1 when some differ, 2 when the
// file cannot be read (or the command is not understood).
#include "CorvaleCore/Files.hpp"
#include "Skiro/Replay/Replay.hpp"

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr const char* usage =
    "usage: skiro-replay <file> [--directions <trackpad vertical> <trackpad horizontal> "
    "<mouse vertical> <mouse horizontal> | --directions system]\n"
    "  each direction is natural or standard\n";

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

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> words(argv + std::min(argc, 2), argv + argc);
    std::optional<skiro::Replay::Options> chosen = options(words);
    if (argc < 2 || !chosen) {
        std::fputs(usage, stderr);
        return 2;
    }
    const std::string path = argv[1];
    std::optional<std::string> text = corvale::readFile(path);
    if (!text) {
        std::fprintf(stderr, "Couldn't read %s.\n", path.c_str());
        return 2;
    }
    const skiro::RecordingFile file = skiro::RecordingReader::read(*text);
    if (!file.readable()) {
        std::fprintf(stderr, "Couldn't replay %s: it is damaged.\n", path.c_str());
        for (const skiro::RecordingFile::Problem& problem : file.problems) {
            std::fprintf(stderr, "line %zu: %s\n", problem.line, problem.reason.c_str());
        }
        return 2;
    }
    const skiro::Replay::Outcome outcome = skiro::Replay::run(file, *chosen);
    for (const std::string& line : skiro::Replay::report(outcome)) {
        std::printf("%s\n", line.c_str());
    }
    if (!outcome.ran) {
        return 2;
    }
    return outcome.differences.empty() ? 0 : 1;
}
