#pragma once

#include "CorvaleCore/Dispatch.hpp"
#include "CorvaleCore/LastRun.hpp"

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// After a run that crashed or hung, the next run apologises once and offers a ready-made report
// for an issue. At launch this tells from the last-run record whether the previous run ended
// badly; for a hang it uses the recorded hang, for a crash it waits for the system's crash
// report. The note itself is a model handed to the application's `present` function, which
// shows it in a window; `page` says what that window reads.
//
// Called on the main thread; report searches run on a global utility queue, and `present` is
// always called on the main thread.
namespace corvale::CrashNote {

struct Model {
    enum class Kind { crash, hang };

    Kind kind = Kind::crash;
    // The application version the note speaks of.
    std::string version;
    // Shown in the note and put under "What happened" in the report.
    std::string summary;

    bool operator==(const Model&) const = default;
};

std::string_view toString(Model::Kind kind);

// The application's own phrases.
struct Wording {
    // The end of the explanation: what happened to the user's work meanwhile.
    std::string recovered;
    // What the report does not contain.
    std::string leftOut = "nothing personal";
    // What else the report contains.
    std::string alsoHas = "its state";

    bool operator==(const Wording&) const = default;
};

using Present = std::function<void(const Model&)>;

// Stores the wording and how to show a note, once at launch. Until then the wording is the
// default and presenting does nothing.
void configure(Wording wording, Present present);

// At launch, once onboarding is complete: after a hang, the hang note 4 seconds later; after a
// crash, the system's report is looked for 4, 10, 20 and 35 seconds from now, and the first
// one found is shown. A clean or first run shows nothing, as does a crash whose report has not
// turned up by the last search.
void showIfNeeded();

// The note about the newest crash or hang, whichever is later; when there is neither, a crash
// note that says there are no reports.
void showLatest();

// The text of a hang: when it began and how long it lasted (or that the run was quit while it
// lasted), then the main thread's stack, numbered.
std::string hangSummary(const LastRun::Hang& hang, const std::string& version);

// The report for an issue: "## What happened", the summary fenced, then the full diagnostics.
// `completion` is called on the main thread.
void report(const Model& model, std::function<void(std::string)> completion);

// Builds the report and puts it on the general pasteboard, then calls `then` ("Copy Report").
void copyReport(const Model& model, std::function<void()> then = {});

// What the note's window shows.
struct Page {
    // The symbol image: "hourglass" for a hang, "exclamationmark.triangle" for a crash.
    std::string symbol;
    std::string title;
    std::string explanation;
    std::vector<std::string> paragraphs;
    // Shown in a scrollable, selectable, monospaced box.
    std::string summary;

    bool operator==(const Page&) const = default;
};

// The page for a model, in the configured wording.
Page page(const Model& model);

// The window's buttons.
inline constexpr std::string_view copyTitle = "Copy Report";
// "Copy Report" reads this for `copiedFor` after copying.
inline constexpr std::string_view copiedTitle = "Copied";
inline constexpr std::chrono::seconds copiedFor{2};
inline constexpr std::string_view openIssueTitle = "Open an Issue…";
inline constexpr std::string_view openIssueHelp =
    "Copies the report, and opens a new issue on GitHub to paste it in";
// The default button.
inline constexpr std::string_view closeTitle = "Close";

// --- Timing

// When the hang note is shown, and when crash reports are looked for, from `showIfNeeded()`.
inline constexpr std::chrono::seconds hangNoteDelay{4};
inline const std::vector<std::chrono::seconds> crashSearches{
    std::chrono::seconds(4), std::chrono::seconds(10), std::chrono::seconds(20),
    std::chrono::seconds(35)};

// Runs `work` on `queue` once `delay` has passed. The default is the queue's own `asyncAfter`;
// tests put in a clock they move by hand.
using Timer =
    std::function<void(std::chrono::nanoseconds delay, const DispatchQueue& queue, Work work)>;
// An empty function puts the default back.
void setTimer(Timer timer);

// The default wording, nothing to present, the default timer (tests).
void reset();

} // namespace corvale::CrashNote
