#include "Corvale/HangWatch.hpp"

#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/LastRun.hpp"
#include "CorvaleCore/Log.hpp"

#include <fmt/format.h>

namespace corvale {

namespace {

double systemUptime() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

HangWatch& HangWatch::shared() {
    // Never destroyed: heartbeats and ticks may be on their way while the process exits.
    static auto* watch = new std::shared_ptr<HangWatch>(make());
    return **watch;
}

std::shared_ptr<HangWatch> HangWatch::make(Options options) {
    return std::shared_ptr<HangWatch>(new HangWatch(std::move(options)));
}

HangWatch::HangWatch(Options options)
    : options_(std::move(options)),
      queue_(AppIdentity::current().bundleID + ".hangwatch", QualityOfService::utility) {}

HangWatch::~HangWatch() {
    if (timer_) {
        timer_->cancel();
    }
}

double HangWatch::uptime() const {
    return options_.uptime ? options_.uptime() : systemUptime();
}

void HangWatch::start() {
    if (isWatching() || !isMainThread()) {
        return;
    }
    mainThread_ = StackSampler::ofCallingThread();
    lastBeat_.set(uptime());
    started_.store(true, std::memory_order_release);
    std::weak_ptr<HangWatch> weak = weak_from_this();
    timer_ = DispatchSource::repeatingTimer(queue_, options_.interval, options_.interval,
                                            options_.leeway, [weak] {
                                                if (auto watch = weak.lock()) {
                                                    watch->check();
                                                }
                                            });
}

void HangWatch::tick() {
    queue_.sync([this] { check(); });
}

void HangWatch::check() {
    if (!isWatching()) {
        return;
    }
    // Read before this tick's heartbeat goes out: an idle main thread could run it before the
    // read, and the end of a hang would then be dated at this tick rather than at the main
    // thread's first answer.
    double last = lastBeat_.copy();
    double silence = uptime() - last;
    std::weak_ptr<HangWatch> weak = weak_from_this();
    DispatchQueue::main().async([weak] {
        if (auto watch = weak.lock()) {
            watch->lastBeat_.set(watch->uptime());
        }
    });

    if (silence >= options_.threshold && !hangStart_) {
        hangStart_ = last;
        std::vector<std::string> stack = sampleMainThread();
        Log::lifecycle().error([&] {
            return fmt::format("the main thread hasn't answered for {:.1f} s; stuck in {}", silence,
                               stack.empty() ? std::string("?") : stack.front());
        });
        std::chrono::system_clock::time_point now =
            options_.now ? options_.now() : std::chrono::system_clock::now();
        LastRun::hangBegan(now - std::chrono::round<std::chrono::system_clock::duration>(
                                     std::chrono::duration<double>(silence)),
                           std::move(stack));
    } else if (silence < options_.threshold && hangStart_) {
        double seconds = last - *hangStart_;
        hangStart_.reset();
        Log::lifecycle().error(
            [&] { return fmt::format("the main thread answers again after {:.1f} s", seconds); });
        LastRun::hangEnded(seconds);
    }
}

std::vector<std::string> HangWatch::sampleMainThread() const {
    if (!mainThread_) {
        return {};
    }
    return mainThread_->sample(options_.sampleWait);
}

} // namespace corvale
