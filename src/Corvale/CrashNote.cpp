#include "Corvale/CrashNote.hpp"

#include "Corvale/Diagnostics.hpp"
#include "Corvale/Formats.hpp"
#include "Corvale/Pasteboard.hpp"
#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/CrashReport.hpp"
#include "CorvaleCore/Locked.hpp"

#include <fmt/format.h>

#include <optional>

namespace corvale::CrashNote {

namespace {

using std::chrono::system_clock;

struct Configuration {
    Wording wording;
    Present present;
    Timer timer;
};

Locked<Configuration>& configuration() {
    static auto* configured = new Locked<Configuration>();
    return *configured;
}

void after(std::chrono::nanoseconds delay, const DispatchQueue& queue, Work work) {
    Timer timer = configuration().with([](const Configuration& c) { return c.timer; });
    if (timer) {
        timer(delay, queue, std::move(work));
    } else {
        queue.asyncAfter(delay, std::move(work));
    }
}

// On the main thread, with the present function configured at that moment.
void present(Model model) {
    DispatchQueue::main().async([model = std::move(model)] {
        Present show = configuration().with([](const Configuration& c) { return c.present; });
        if (show) {
            show(model);
        }
    });
}

DispatchQueue searchQueue() {
    return DispatchQueue::global(QualityOfService::utility);
}

// Searches after the first delay; when nothing is found, again after each of the others, all
// measured from the first call.
void lookForCrash(system_clock::time_point since, std::string version,
                  std::vector<std::chrono::seconds> delays) {
    if (delays.empty()) {
        return;
    }
    std::chrono::seconds first = delays.front();
    after(first, searchQueue(),
          [since, version = std::move(version), delays = std::move(delays), first]() mutable {
              if (std::optional<CrashReport::Summary> found = CrashReport::latest(since)) {
                  present(Model{Model::Kind::crash, std::move(version), std::move(found->text)});
                  return;
              }
              std::vector<std::chrono::seconds> rest(delays.begin() + 1, delays.end());
              for (std::chrono::seconds& delay : rest) {
                  delay -= first;
              }
              lookForCrash(since, std::move(version), std::move(rest));
          });
}

} // namespace

std::string_view toString(Model::Kind kind) {
    return kind == Model::Kind::hang ? "hang" : "crash";
}

void configure(Wording wording, Present present) {
    configuration().with([&](Configuration& c) {
        c.wording = std::move(wording);
        c.present = std::move(present);
    });
}

void setTimer(Timer timer) {
    configuration().with([&](Configuration& c) { c.timer = std::move(timer); });
}

void reset() {
    configuration().set(Configuration{});
}

void showIfNeeded() {
    if (!LastRun::endedBadly()) {
        return;
    }
    std::optional<LastRun::Record> previous = LastRun::previous();
    if (!previous) {
        return;
    }
    if (previous->hang) {
        after(hangNoteDelay, DispatchQueue::main(),
              [model = Model{Model::Kind::hang, previous->version,
                             hangSummary(*previous->hang, previous->version)}] { present(model); });
        return;
    }
    lookForCrash(previous->started, previous->version, crashSearches);
}

void showLatest() {
    searchQueue().async([] {
        // Any report of the application, however old; a second above the earliest date, as
        // the search reaches a second further back.
        std::optional<CrashReport::Summary> found =
            CrashReport::latest(system_clock::time_point::min() + std::chrono::seconds(1));
        DispatchQueue::main().async([found = std::move(found)] {
            AppIdentity identity = AppIdentity::current();
            std::string version = identity.version();
            std::vector<LastRun::Hang> hangs = LastRun::recentHangs();
            if (!hangs.empty() && (!found || found->date < hangs.front().since)) {
                present(Model{Model::Kind::hang, version, hangSummary(hangs.front(), version)});
            } else if (!found) {
                present(Model{Model::Kind::crash, version,
                              "No crash or hang reports for " + identity.name + " on this Mac."});
            } else {
                present(Model{Model::Kind::crash, version, found->text});
            }
        });
    });
}

std::string hangSummary(const LastRun::Hang& hang, const std::string& version) {
    std::string text = AppIdentity::current().name + " " + version + " stopped responding at " +
                       Formats::dateTime(hang.since) + ", " +
                       (hang.seconds ? fmt::format("for {:.1f} s", *hang.seconds)
                                     : std::string("until it was quit")) +
                       ".\n\nMain thread:";
    for (std::size_t i = 0; i < hang.stack.size(); ++i) {
        std::string number = std::to_string(i);
        number.resize(3, ' ');
        text += "\n" + number + " " + hang.stack[i];
    }
    return text;
}

void report(const Model& model, std::function<void(std::string)> completion) {
    Diagnostics::report([summary = model.summary,
                         completion = std::move(completion)](const std::string& diagnostics) {
        if (completion) {
            completion("## What happened\n\n```\n" + summary + "\n```\n\n" + diagnostics);
        }
    });
}

void copyReport(const Model& model, std::function<void()> then) {
    report(model, [then = std::move(then)](const std::string& text) {
        Pasteboard::copy(text);
        if (then) {
            then();
        }
    });
}

Page page(const Model& model) {
    Wording wording = configuration().with([](const Configuration& c) { return c.wording; });
    std::string name = AppIdentity::current().name;
    bool hang = model.kind == Model::Kind::hang;
    return Page{
        .symbol = hang ? "hourglass" : "exclamationmark.triangle",
        .title = name + (hang ? " stopped responding" : " quit unexpectedly"),
        .explanation = std::string(hang ? "It stopped responding the last time it ran"
                                        : "It quit unexpectedly the last time it ran") +
                       ". Sorry about that. It's running again, and " + wording.recovered + ".",
        .paragraphs =
            {"A report of where in " + name + " it happened would help fix it. It has " +
                 wording.leftOut + ", and it isn't sent anywhere: you choose where to paste it.",
             "The report also has your " + name + " settings, " + wording.alsoHas +
                 " and the last 10 minutes of the log, as Settings › About › Diagnostics copies "
                 "them."},
        .summary = model.summary,
    };
}

} // namespace corvale::CrashNote
