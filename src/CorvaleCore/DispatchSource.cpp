#include "CorvaleCore/DispatchSource.hpp"

#include "CorvaleCore/DispatchInternal.hpp"
#include "CorvaleCore/DispatchPoller.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

namespace corvale {

namespace detail {

// One timer or read source. `queue`, `isTimer`, `repeating`, `interval`, `leeway` and `id` do not
// change once it is handed to the manager; the other fields are guarded by `mutex`.
struct SourceCore : std::enable_shared_from_this<SourceCore> {
    SourceCore(DispatchQueue target, DispatchSource::Handler work)
        : queue(std::move(target)), handler(std::move(work)) {}
    ~SourceCore() {
        if (watched >= 0) {
            ::close(watched);
        }
    }

    // From the manager's thread: hand one call of the handler to the queue, unless one is
    // already on its way.
    void fire();
    // On the queue.
    void run();
    void cancel();

    const DispatchQueue queue;
    std::mutex mutex;
    std::condition_variable finished;
    DispatchSource::Handler handler;
    bool cancelled = false;
    bool pending = false;
    std::thread::id running;

    // Timers.
    bool isTimer = false;
    bool repeating = false;
    Clock::time_point deadline;
    Clock::duration interval{};
    Clock::duration leeway{};

    // Read sources: the duplicate descriptor the manager watches, and its key there.
    int watched = -1;
    std::uint64_t id = 0;
};

namespace {

// One thread that waits for every timer and read source of the process: for the next
// deadline, to be told of changes, and for the read sources' descriptors, each armed for one
// event at a time.
class SourceManager {
public:
    static SourceManager& shared() {
        static SourceManager* manager = new SourceManager();
        return *manager;
    }

    void addTimer(std::shared_ptr<SourceCore> source) {
        {
            std::lock_guard lock(mutex_);
            timers_.push_back(std::move(source));
        }
        wake();
    }

    void addRead(const std::shared_ptr<SourceCore>& source) {
        {
            std::lock_guard lock(mutex_);
            reads_[source->id] = source;
        }
        if (int error = poller_.watch(source->watched, source->id); error != 0) {
            forget(source->id);
            throw DispatchError(source->watched, error);
        }
    }

    // Under the source's lock, so it never races the removal in `cancel`.
    void rearm(const SourceCore& source) { poller_.rearm(source.watched, source.id); }

    void unwatch(const SourceCore& source) { poller_.unwatch(source.watched); }

    void forget(std::uint64_t id) {
        std::shared_ptr<SourceCore> gone;
        {
            std::lock_guard lock(mutex_);
            auto found = reads_.find(id);
            if (found != reads_.end()) {
                gone = std::move(found->second);
                reads_.erase(found);
            }
        }
    }

    std::uint64_t nextID() { return nextID_.fetch_add(1, std::memory_order_relaxed); }

    void wake() { poller_.wake(); }

private:
    SourceManager() {
        std::thread([this] { serve(); }).detach();
    }

    // Fires the timers that are due and answers when to look next. A timer is due from its
    // deadline; the thread wakes at the earliest deadline plus leeway, so timers with leeway
    // fire together with others where they can.
    std::optional<Clock::time_point> fireTimers() {
        std::vector<std::shared_ptr<SourceCore>> due;
        std::optional<Clock::time_point> next;
        {
            std::lock_guard lock(mutex_);
            Clock::time_point now = Clock::now();
            std::optional<Clock::time_point> wakeAt;
            for (const auto& timer : timers_) {
                std::lock_guard timerLock(timer->mutex);
                if (!timer->cancelled) {
                    Clock::time_point latest = timer->deadline + timer->leeway;
                    wakeAt = wakeAt ? std::min(*wakeAt, latest) : latest;
                }
            }
            bool firing = wakeAt && now >= *wakeAt;
            std::erase_if(timers_, [&](const std::shared_ptr<SourceCore>& timer) {
                std::lock_guard timerLock(timer->mutex);
                if (timer->cancelled) {
                    return true;
                }
                if (firing && timer->deadline <= now) {
                    due.push_back(timer);
                    if (!timer->repeating) {
                        return true;
                    }
                    // Later deadlines keep their phase; deadlines missed entirely are skipped.
                    auto behind = (now - timer->deadline) / timer->interval;
                    timer->deadline += (behind + 1) * timer->interval;
                }
                Clock::time_point latest = timer->deadline + timer->leeway;
                next = next ? std::min(*next, latest) : latest;
                return false;
            });
        }
        for (const auto& timer : due) {
            timer->fire();
        }
        return next;
    }

    void serve() {
        nameAfterLabel("corvale.sources");
        std::vector<std::uint64_t> ready;
        for (;;) {
            ready.clear();
            poller_.wait(fireTimers(), ready);
            for (std::uint64_t key : ready) {
                std::shared_ptr<SourceCore> source;
                {
                    std::lock_guard lock(mutex_);
                    auto found = reads_.find(key);
                    if (found != reads_.end()) {
                        source = found->second;
                    }
                }
                if (source) {
                    source->fire();
                }
            }
        }
    }

    Poller poller_;
    std::mutex mutex_;
    std::vector<std::shared_ptr<SourceCore>> timers_;
    std::unordered_map<std::uint64_t, std::shared_ptr<SourceCore>> reads_;
    // Keys 0 and 1 are the poller's own.
    std::atomic<std::uint64_t> nextID_{2};
};

} // namespace

void SourceCore::fire() {
    {
        std::lock_guard lock(mutex);
        if (cancelled || pending) {
            return;
        }
        pending = true;
    }
    queue.async([self = shared_from_this()] { self->run(); });
}

void SourceCore::run() {
    DispatchSource::Handler* call = nullptr;
    {
        std::lock_guard lock(mutex);
        if (cancelled) {
            pending = false;
            return;
        }
        running = std::this_thread::get_id();
        call = &handler;
    }
    // The handler is released only when no call runs, so it stays valid here.
    runGuarded(*call, queue.label());
    DispatchSource::Handler released;
    {
        std::lock_guard lock(mutex);
        running = std::thread::id();
        pending = false;
        if (cancelled) {
            released = std::move(handler);
        } else if (watched >= 0) {
            SourceManager::shared().rearm(*this);
        }
    }
    finished.notify_all();
}

void SourceCore::cancel() {
    DispatchSource::Handler released;
    bool forget = false;
    {
        std::unique_lock lock(mutex);
        if (!cancelled) {
            cancelled = true;
            if (watched >= 0) {
                SourceManager::shared().unwatch(*this);
                ::close(watched);
                watched = -1;
                forget = true;
            }
        }
        if (running != std::this_thread::get_id()) {
            finished.wait(lock, [&] { return running == std::thread::id(); });
            released = std::move(handler);
        }
    }
    if (forget) {
        SourceManager::shared().forget(id);
    } else if (isTimer) {
        SourceManager::shared().wake();
    }
}

void runAfter(const DispatchQueue& queue, std::chrono::nanoseconds delay, Work work) {
    auto source = std::make_shared<SourceCore>(queue, std::move(work));
    source->isTimer = true;
    source->deadline = Clock::now() + bounded(delay);
    SourceManager::shared().addTimer(std::move(source));
}

} // namespace detail

using detail::bounded;
using detail::Clock;

DispatchError::DispatchError(int descriptor, int errorNumber)
    : descriptor_(descriptor), errno_(errorNumber) {}

std::string DispatchError::description() const {
    return "Descriptor " + std::to_string(descriptor_) +
           " can't be watched: " + std::strerror(errno_) + ".";
}

DispatchSource::DispatchSource(std::shared_ptr<detail::SourceCore> core) : core_(std::move(core)) {}

DispatchSource::DispatchSource(DispatchSource&& other) noexcept = default;

DispatchSource& DispatchSource::operator=(DispatchSource&& other) noexcept {
    if (this != &other) {
        cancel();
        core_ = std::move(other.core_);
    }
    return *this;
}

DispatchSource::~DispatchSource() {
    cancel();
}

DispatchSource DispatchSource::timer(const DispatchQueue& queue, Duration delay, Duration leeway,
                                     Handler handler) {
    auto core = std::make_shared<detail::SourceCore>(queue, std::move(handler));
    core->isTimer = true;
    core->deadline = Clock::now() + bounded(delay);
    core->leeway = bounded(leeway);
    detail::SourceManager::shared().addTimer(core);
    return DispatchSource(std::move(core));
}

DispatchSource DispatchSource::repeatingTimer(const DispatchQueue& queue, Duration delay,
                                              Duration interval, Duration leeway, Handler handler) {
    auto core = std::make_shared<detail::SourceCore>(queue, std::move(handler));
    core->isTimer = true;
    core->repeating = true;
    core->deadline = Clock::now() + bounded(delay);
    // A zero interval would fire without pause.
    core->interval = std::max<Clock::duration>(bounded(interval), std::chrono::microseconds(1));
    core->leeway = bounded(leeway);
    detail::SourceManager::shared().addTimer(core);
    return DispatchSource(std::move(core));
}

DispatchSource DispatchSource::read(int descriptor, const DispatchQueue& queue, Handler handler) {
    int watched = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
    if (watched < 0) {
        throw DispatchError(descriptor, errno);
    }
    auto core = std::make_shared<detail::SourceCore>(queue, std::move(handler));
    core->watched = watched;
    core->id = detail::SourceManager::shared().nextID();
    try {
        detail::SourceManager::shared().addRead(core);
    } catch (const DispatchError& error) {
        throw DispatchError(descriptor, error.errorNumber());
    }
    return DispatchSource(std::move(core));
}

void DispatchSource::cancel() {
    if (core_) {
        core_->cancel();
    }
}

bool DispatchSource::isCancelled() const {
    if (!core_) {
        return true;
    }
    std::lock_guard lock(core_->mutex);
    return core_->cancelled;
}

} // namespace corvale
