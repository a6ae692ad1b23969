#pragma once

#include "CorvaleCore/Dispatch.hpp"
#include "Platform/Simulated/SimulatedSystem.hpp"
#include "Skiro/Tap/InputTap.hpp"
#include "Skiro/Tap/RecordingReader.hpp"
#include "Skiro/Tap/RunLoopThread.hpp"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace skiro {

// A simulated system set up as a recording's header says, with the tap running on a thread of
// its own and recording every scroll: what replays post recorded scrolls through, and what
// makes the recordings they replay.
class ReplaySystem {
public:
    explicit ReplaySystem(const RecordingFile::Header& header);
    ~ReplaySystem();
    ReplaySystem(const ReplaySystem&) = delete;
    ReplaySystem& operator=(const ReplaySystem&) = delete;

    platform::simulated::SimulatedSystem& system() { return system_; }
    InputTap& tap() { return *tap_; }

    // Starts the tap, which learns the devices attached so far from the registry, and its
    // recording; false when no tap could be made.
    bool start();
    // The system's direction changes, noted in the recording as the application notes it.
    void setNaturalScrolling(bool natural);
    // Registry lookups started so far have been answered on the tap thread.
    void settle();
    // The recording so far, as its file would hold it.
    std::string text();
    // The scroll lines recorded so far.
    std::vector<corvale::json::Json> scrollLines();

    // The header line the record command writes for these settings.
    static corvale::json::Json headerLine(const RecordingFile::Header& header);

private:
    template <class Work>
    auto onTap(Work work);

    RecordingFile::Header header_;
    platform::simulated::SimulatedSystem system_;
    RunLoopThread input_{"skiro.input", system_.runLoops()};
    corvale::DispatchQueue lookups_{"skiro.replay.lookups",
                                    corvale::QualityOfService::userInitiated};
    std::shared_ptr<InputTap> tap_;
};

// Posts a recording's scrolls, in order and at their times, through the real tap on a system
// set up from the recording, and compares what the tap decides and writes now with what it
// did then.
namespace Replay {

struct Options {
    // Replaces the recording's directions; an absent inner value follows the system.
    std::optional<std::optional<Directions>> directions;
};

struct Difference {
    std::size_t line = 0;
    std::string recordedFlip;
    std::optional<ScrollDeltas> recordedAfter;
    std::string flip;
    std::optional<ScrollDeltas> after;
};

struct Outcome {
    std::size_t scrolls = 0;
    std::vector<Difference> differences;
    // False when no tap could be made: nothing was replayed.
    bool ran = true;
};

// `file` must be readable.
Outcome run(const RecordingFile& file, const Options& options = {});

// "412 scrolls replayed: 412 as recorded" or "…: 3 differ", then the first `shown`
// differences, one line each.
std::vector<std::string> report(const Outcome& outcome, std::size_t shown = 10);

} // namespace Replay

} // namespace skiro
