#include "Corvale/Diagnostics.hpp"

#include "Corvale/Formats.hpp"
#include "Corvale/JsonText.hpp"
#include "Corvale/Pasteboard.hpp"
#include "Corvale/RecentLog.hpp"
#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/Bundle.hpp"
#include "CorvaleCore/Dispatch.hpp"
#include "CorvaleCore/Files.hpp"
#include "CorvaleCore/Folders.hpp"
#include "CorvaleCore/LastRun.hpp"
#include "CorvaleCore/Locked.hpp"
#include "CorvaleCore/Log.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <memory>

namespace corvale::Diagnostics {

namespace {

constexpr double logMinutes = 10;
constexpr std::size_t hangStackLines = 16;
constexpr std::string_view fence = "```";

Locked<Gather>& gatherFunction() {
    static auto* gather = new Locked<Gather>();
    return *gather;
}

std::atomic<const platform::SystemFacts*>& facts() {
    static std::atomic<const platform::SystemFacts*> installed{nullptr};
    return installed;
}

std::string replacingAll(std::string text, std::string_view word, std::string_view with) {
    if (word.empty()) {
        return text;
    }
    for (std::size_t at = text.find(word); at != std::string::npos;
         at = text.find(word, at + with.size())) {
        text.replace(at, word.size(), with);
    }
    return text;
}

std::string systemLine() {
    const platform::SystemFacts* machine = facts().load(std::memory_order_acquire);
    if (machine == nullptr) {
        return "? on ?, ?";
    }
    std::string version =
        replacingAll(machine->operatingSystemVersionString(), "Version", machine->systemName());
    return version + " on " + machine->modelIdentifier() + ", " + machine->processorKind();
}

std::string accommodationsLine() {
    const platform::SystemFacts* machine = facts().load(std::memory_order_acquire);
    platform::DisplayAccommodations on =
        machine != nullptr ? machine->displayAccommodations() : platform::DisplayAccommodations{};
    std::vector<std::string_view> names;
    if (on.reduceMotion) {
        names.push_back("Reduce motion");
    }
    if (on.increaseContrast) {
        names.push_back("Increase contrast");
    }
    if (on.reduceTransparency) {
        names.push_back("Reduce transparency");
    }
    return "Accessibility settings: " +
           (names.empty() ? std::string("none") : fmt::format("{}", fmt::join(names, ", ")));
}

std::string hangText(const LastRun::Hang& hang) {
    std::string text = Formats::dateTime(hang.since) + ", " +
                       (hang.seconds ? fmt::format("{:.1f} s", *hang.seconds) : "?") + ":";
    std::size_t shown = std::min(hang.stack.size(), hangStackLines);
    for (std::size_t i = 0; i < shown; ++i) {
        text += "\n  " + hang.stack[i];
    }
    return text;
}

std::string sectionText(const Section& section) {
    return "### " + section.title + "\n" + std::string(fence) + section.language + "\n" +
           section.text + "\n" + std::string(fence);
}

// Steps that read the log and join the parts: off the main thread.
std::string assemble(const std::vector<std::string>& lines, const std::string& hangs,
                     std::vector<Section> sections) {
    sections.emplace_back("Recent log", RecentLog::text(logMinutes));
    std::vector<std::string> blocks;
    blocks.reserve(sections.size());
    for (const Section& section : sections) {
        blocks.push_back(sectionText(section));
    }
    std::vector<std::string> items;
    items.reserve(lines.size());
    for (const std::string& line : lines) {
        items.push_back("- " + line);
    }
    std::string head = "## " + AppIdentity::current().name + " diagnostics\n\n" +
                       fmt::format("{}", fmt::join(items, "\n"));
    return head + "\n" + hangs + "\n" + fmt::format("{}", fmt::join(blocks, "\n\n"));
}

} // namespace

void configure(Gather gather) {
    gatherFunction().set(std::move(gather));
}

void useFacts(const platform::SystemFacts* machine) {
    facts().store(machine, std::memory_order_release);
}

void reset() {
    configure({});
    useFacts(nullptr);
}

std::vector<std::string> environment(const Contribution& contribution) {
    AppIdentity identity = AppIdentity::current();
    std::string first = identity.name + " " + identity.version() + " (" +
                        Bundle::main().string(Bundle::versionKey).value_or("?") + ")";
    if (!contribution.status.empty()) {
        first += ", " + contribution.status;
    }
    std::vector<std::string> lines{std::move(first), systemLine()};
    lines.insert(lines.end(), contribution.setup.begin(), contribution.setup.end());
    lines.push_back(accommodationsLine());
    return lines;
}

std::string recentHangsText() {
    std::vector<LastRun::Hang> hangs = LastRun::recentHangs();
    if (hangs.empty()) {
        return {};
    }
    std::vector<std::string> texts;
    texts.reserve(hangs.size());
    for (const LastRun::Hang& hang : hangs) {
        texts.push_back(hangText(hang));
    }
    return "\n### Recent hangs\n" + std::string(fence) + "\n" +
           fmt::format("{}", fmt::join(texts, "\n\n")) + "\n" + std::string(fence) + "\n";
}

void report(std::function<void(std::string text)> completion) {
    Gather gather = gatherFunction().copy();
    if (!gather) {
        gather = [](const Gathered& gathered) { gathered(Contribution{}); };
    }
    // The gather function may call back more than once; only the first call makes a text.
    auto called = std::make_shared<std::atomic<bool>>(false);
    auto finish = std::make_shared<std::function<void(std::string)>>(std::move(completion));
    gather([called, finish](Contribution contribution) {
        if (called->exchange(true)) {
            return;
        }
        std::vector<std::string> lines = environment(contribution);
        std::string hangs = recentHangsText();
        DispatchQueue::global(QualityOfService::userInitiated)
            .async([finish, lines = std::move(lines), hangs = std::move(hangs),
                    sections = std::move(contribution.sections)]() mutable {
                std::string text = assemble(lines, hangs, std::move(sections));
                DispatchQueue::main().async([finish, text = std::move(text)]() mutable {
                    if (*finish) {
                        (*finish)(std::move(text));
                    }
                });
            });
    });
}

void copy(std::function<void()> then) {
    report([then = std::move(then)](std::string text) {
        Pasteboard::copy(text);
        if (then) {
            then();
        }
    });
}

std::filesystem::path location() {
    return Folders::caches() / AppIdentity::current().name / "diagnostics.md";
}

void write(std::function<void(std::optional<std::filesystem::path>)> completion) {
    report([completion = std::move(completion)](std::string text) {
        std::optional<std::filesystem::path> written;
        try {
            std::filesystem::path file = applicationCaches() / "diagnostics.md";
            writeAtomically(file, text);
            written = file;
        } catch (const Error& error) {
            Log::lifecycle().error(
                [&] { return "Couldn't write the diagnostics: " + error.description(); });
        }
        if (completion) {
            completion(written);
        }
    });
}

std::string json(const json::Json& object) {
    return JsonText::pretty(object).value_or("?");
}

} // namespace corvale::Diagnostics
