#include "Skiro/Main/TestScroll.hpp"

#include "CorvaleCore/Text.hpp"

#include "Corvale/Commands.hpp"
#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/Dispatch.hpp"
#include "Skiro/Tap/InputTap.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace skiro::app {

namespace Commands = corvale::Commands;
using platform::simulated::PostResult;
using platform::simulated::Scroll;
using platform::simulated::ScrollRecord;
using platform::simulated::ScrollStyle;
using platform::simulated::VirtualDevice;

namespace {

std::optional<double> finiteNumber(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = corvale::readDouble(text, value);
    if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

struct Sum {
    std::int64_t vertical = 0;
    std::int64_t horizontal = 0;

    void add(const ScrollRecord& record, bool continuous) {
        vertical += continuous ? record.vertical.point : record.vertical.line;
        horizontal += continuous ? record.horizontal.point : record.horizontal.line;
    }
};

std::string described(const std::vector<PostResult>& results, bool continuous) {
    Sum made;
    Sum received;
    bool anyDelivered = false;
    for (const PostResult& result : results) {
        made.add(result.made, continuous);
        if (result.delivered) {
            received.add(*result.delivered, continuous);
            anyDelivered = true;
        }
    }
    const std::string madeText = fmt::format("(made {} {})", made.vertical, made.horizontal);
    if (!anyDelivered) {
        return "received nothing " + madeText;
    }
    return fmt::format("received {} {} {} {}", received.vertical, received.horizontal,
                       continuous ? "points" : "lines", madeText);
}

// One scroll of the device by (vertical, horizontal), as its kind scrolls.
std::vector<Scroll> scrollOf(const VirtualDevice& device, double vertical, double horizontal) {
    if (device.style() == ScrollStyle::gestures) {
        return platform::simulated::gestures::swipeWithoutMomentum(vertical, horizontal);
    }
    return platform::simulated::gestures::wheelSteps(1, vertical, horizontal);
}

void testScroll(SimulatedDesk* machine,
                const std::function<std::optional<AppCommands::ListeningTest>()>& listening,
                const Commands::Arguments& arguments, const Commands::ReplyCallback& reply) {
    if (!InputTap::testHooks() || machine == nullptr) {
        reply(Commands::Reply::failure("Not available."));
        return;
    }
    std::optional<Device> kind;
    std::optional<double> vertical;
    std::optional<double> horizontal;
    const bool atPage = arguments.size() == 4 && arguments[3] == "page";
    if (arguments.size() == 3 || atPage) {
        kind = deviceFromString(corvale::asciiLowercased(arguments[0]));
        vertical = finiteNumber(arguments[1]);
        horizontal = finiteNumber(arguments[2]);
    }
    if (!kind || !vertical || !horizontal) {
        reply(Commands::Reply::failure(
            corvale::asciiLowercased(corvale::AppIdentity::current().name) +
            " test-scroll <trackpad|mouse> <vertical> <horizontal> [page]"));
        return;
    }
    if (atPage) {
        std::optional<AppCommands::ListeningTest> test = listening();
        if (!test) {
            reply(Commands::Reply::failure("No scroll test page is showing."));
            return;
        }
        const auto& [x, y, width, height] = test->page;
        machine->system().setPointer({x + width / 2, y + height / 2});
    }
    const VirtualDevice* device = machine->device(*kind);
    if (device == nullptr) {
        reply(Commands::Reply::failure("No simulated " + std::string(toString(*kind)) +
                                       " is attached."));
        return;
    }
    // Posting waits until the scroll has gone through the taps, whose thread may need the main
    // thread meanwhile: it happens on a queue of its own, one scroll at a time. Made at the first
    // scroll, so that a client process starts no thread.
    static const corvale::DispatchQueue posting("skiro.test-scroll",
                                                corvale::QualityOfService::userInitiated);
    posting.async([machine, device, v = *vertical, h = *horizontal, reply] {
        std::vector<PostResult> results = machine->system().post(*device, scrollOf(*device, v, h));
        reply(Commands::Reply::ok(described(results, device->continuous())));
    });
}

} // namespace

void addTestScroll(std::function<SimulatedDesk*()> desk,
                   std::function<std::optional<AppCommands::ListeningTest>()> listening) {
    Commands::add(
        {.name = "test-scroll",
         .arguments = "<trackpad|mouse> <vertical> <horizontal> [page]",
         .listed = false,
         .run = [desk = std::move(desk), listening = std::move(listening)](
                    const Commands::Arguments& arguments, const Commands::ReplyCallback& reply) {
             testScroll(desk(), listening, arguments, reply);
         }});
}

} // namespace skiro::app
