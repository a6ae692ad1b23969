// skiro-make-recordings <folder>: makes the regression recordings, each a few scrolls of one
// simulated device through the real tap, recorded as the record command records them.
// Run it again only when the recording's form changes on purpose; replays of the files it
// writes are required to agree.
#include "Skiro/Replay/Replay.hpp"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

namespace {

using namespace platform::simulated;
using skiro::Direction;
using skiro::Directions;

constexpr Directions trackpadStandard{Direction::standard, Direction::standard, Direction::natural,
                                      Direction::natural};
constexpr Directions mouseStandard{Direction::natural, Direction::natural, Direction::standard,
                                   Direction::standard};

// Scrolls 8 ms apart, as a device reports them.
void post(skiro::ReplaySystem& replay, const VirtualDevice& device,
          const std::vector<Scroll>& scrolls) {
    for (const Scroll& scroll : scrolls) {
        replay.system().simulatedClock().advance(std::chrono::milliseconds(8));
        replay.system().post(device, scroll);
    }
}

bool make(const std::filesystem::path& file, const Directions& directions,
          const std::function<void(skiro::ReplaySystem&)>& scrolls,
          const std::function<void(SimulatedSystem&)>& attach) {
    skiro::RecordingFile::Header header;
    header.directions = directions;
    header.macOS = "simulated";
    header.version = SKIRO_VERSION;
    skiro::ReplaySystem replay(header);
    attach(replay.system());
    if (!replay.start()) {
        return false;
    }
    scrolls(replay);
    replay.settle();
    std::ofstream(file, std::ios::binary | std::ios::trunc) << replay.text();
    std::printf("%s\n", file.string().c_str());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: skiro-make-recordings <folder>\n", stderr);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    const VirtualDevice* device = nullptr;
    auto one = [&](DeviceDescription description) {
        return [&device, description](SimulatedSystem& system) {
            device = &system.attach(description);
        };
    };
    bool made = true;
    made &= make(
        folder / "trackpad-swipe.jsonl", trackpadStandard,
        [&](skiro::ReplaySystem& r) { post(r, *device, gestures::swipe(30, 0, 3, 2)); },
        one(DeviceDescription::builtInTrackpad()));
    made &= make(
        folder / "wheel-shift.jsonl", mouseStandard,
        [&](skiro::ReplaySystem& r) {
            post(r, *device, gestures::wheelSteps(3, 1, 0, platform::flag::shift));
            post(r, *device, gestures::wheelSteps(2, -1));
        },
        one(DeviceDescription::wheelMouse()));
    made &= make(
        folder / "magic-mouse.jsonl", mouseStandard,
        [&](skiro::ReplaySystem& r) { post(r, *device, gestures::swipe(20, 6, 2, 2)); },
        one(DeviceDescription::magicMouse()));
    made &= make(
        folder / "turned-back.jsonl", mouseStandard,
        [&](skiro::ReplaySystem& r) {
            // Another program turns every scroll back where scrolls are delivered.
            SimulatedSystem& system = r.system();
            system.taps().addOtherTap(
                system.applications().launch("Flipper"), platform::TapLocation::session,
                platform::TapPlacement::tailAppend, platform::TapOptions::defaultTap,
                platform::eventMaskBit(platform::EventType::scrollWheel),
                otherTap::negateScrollDeltas());
            post(r, *device, gestures::wheelSteps(3, 2));
        },
        one(DeviceDescription::wheelMouse()));
    made &= make(
        folder / "system-change.jsonl", trackpadStandard,
        [&](skiro::ReplaySystem& r) {
            post(r, *device, gestures::swipe(20, 0, 2, 1));
            r.setNaturalScrolling(false);
            post(r, *device, gestures::swipe(20, 0, 2, 1));
        },
        one(DeviceDescription::magicTrackpad()));
    return made ? 0 : 1;
}
