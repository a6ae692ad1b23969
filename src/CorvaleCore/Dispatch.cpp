#include "CorvaleCore/Dispatch.hpp"

#include "CorvaleCore/Locked.hpp"
#include "CorvaleCore/Log.hpp"

#include <fcntl.h>
#include <pthread.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

namespace corvale {

using Clock = std::chrono::steady_clock;

namespace {

// Delays, intervals and leeways are held within a century, so no deadline overflows.
Clock::duration bounded(std::chrono::nanoseconds duration) {
    constexpr std::chrono::nanoseconds century = std::chrono::hours(24 * 366 * 100);
    return std::clamp(duration, std::chrono::nanoseconds::zero(), century);
}

// The queue whose work the calling thread runs now; compared, never followed.
thread_local const void* currentQueue = nullptr;

void nameThisThread(std::string_view label) {
    // The system keeps 15 bytes of a thread's name; the end of a label says the most.
    std::string name(label.size() > 15 ? label.substr(label.size() - 15) : label);
    while (!name.empty() && name.front() == '.') {
        name.erase(name.begin());
    }
    pthread_setname_np(pthread_self(), name.c_str());
}

// Work on a queue's own thread has no caller to throw to: say what happened and go on.
void runGuarded(const Work& work, std::string_view label) {
    try {
        work();
    } catch (const Error& error) {
        Log::lifecycle().error(
            [&] { return "work on " + std::string(label) + " threw: " + error.description(); });
    } catch (const std::exception& error) {
        Log::lifecycle().error(
            [&] { return "work on " + std::string(label) + " threw: " + error.what(); });
    } catch (...) {
        Log::lifecycle().error(
            [&] { return "work on " + std::string(label) + " threw something unknown"; });
    }
}

Locked<std::shared_ptr<MainExecutor>>& installedExecutor() {
    static auto* executor = new Locked<std::shared_ptr<MainExecutor>>();
    return *executor;
}

} // namespace

void setMainExecutor(std::shared_ptr<MainExecutor> executor) {
    installedExecutor().set(std::move(executor));
}

bool isMainThread() {
    return ::gettid() == ::getpid();
}

std::string_view toString(QualityOfService qos) {
    switch (qos) {
    case QualityOfService::background:
        return "background";
    case QualityOfService::utility:
        return "utility";
    case QualityOfService::normal:
        return "default";
    case QualityOfService::userInitiated:
        return "userInitiated";
    case QualityOfService::userInteractive:
        return "userInteractive";
    }
    return "default";
}

namespace detail {

class QueueCore {
public:
    QueueCore(std::string label, QualityOfService qos) : label_(std::move(label)), qos_(qos) {}
    QueueCore(const QueueCore&) = delete;
    QueueCore& operator=(const QueueCore&) = delete;
    virtual ~QueueCore() = default;

    virtual void enqueue(Work work) = 0;
    virtual bool isCurrent() const = 0;

    const std::string& label() const { return label_; }
    QualityOfService qos() const { return qos_; }

private:
    std::string label_;
    QualityOfService qos_;
};

namespace {

class MainCore final : public QueueCore {
public:
    MainCore() : QueueCore("main", QualityOfService::userInteractive) {}

    void enqueue(Work work) override {
        std::shared_ptr<MainExecutor> executor = installedExecutor().copy();
        if (executor) {
            executor->post(std::move(work));
        } else {
            MainLoop::shared().post(std::move(work));
        }
    }

    bool isCurrent() const override { return isMainThread(); }
};

// What a serial queue's thread shares with the queue; it outlives the queue until the thread
// has run everything it was given.
struct SerialState {
    std::mutex mutex;
    std::condition_variable posted;
    std::deque<Work> work;
    bool closing = false;
};

class SerialCore final : public QueueCore {
public:
    SerialCore(std::string label, QualityOfService qos)
        : QueueCore(std::move(label), qos), state_(std::make_shared<SerialState>()) {
        std::thread([state = state_, name = this->label()] { serve(*state, name); }).detach();
    }

    ~SerialCore() override {
        {
            std::lock_guard lock(state_->mutex);
            state_->closing = true;
        }
        state_->posted.notify_one();
    }

    void enqueue(Work work) override {
        {
            std::lock_guard lock(state_->mutex);
            state_->work.push_back(std::move(work));
        }
        state_->posted.notify_one();
    }

    bool isCurrent() const override { return currentQueue == state_.get(); }

private:
    static void serve(SerialState& state, const std::string& label) {
        nameThisThread(label);
        currentQueue = &state;
        for (;;) {
            Work work;
            {
                std::unique_lock lock(state.mutex);
                state.posted.wait(lock, [&] { return state.closing || !state.work.empty(); });
                if (state.work.empty()) {
                    return;
                }
                work = std::move(state.work.front());
                state.work.pop_front();
            }
            runGuarded(work, label);
        }
    }

    std::shared_ptr<SerialState> state_;
};

// The threads behind the global queues: started as work arrives, up to a few, never ended.
class Pool {
public:
    static Pool& shared() {
        static Pool* pool = new Pool();
        return *pool;
    }

    void enqueue(QualityOfService qos, const void* queue, std::string_view label, Work work) {
        bool start = false;
        {
            std::lock_guard lock(mutex_);
            waiting_[static_cast<std::size_t>(qos)].push_back(Item{queue, label, std::move(work)});
            ++queued_;
            if (queued_ > idle_ && threads_ < maxThreads_) {
                ++threads_;
                start = true;
            }
        }
        if (start) {
            std::thread([this] { serve(); }).detach();
        } else {
            posted_.notify_one();
        }
    }

private:
    struct Item {
        const void* queue;
        std::string_view label;
        Work work;
    };

    Pool() : maxThreads_(std::max(4u, 2 * std::thread::hardware_concurrency())) {}

    void serve() {
        nameThisThread("corvale.global");
        for (;;) {
            Item item;
            {
                std::unique_lock lock(mutex_);
                ++idle_;
                posted_.wait(lock, [&] { return queued_ > 0; });
                --idle_;
                // The highest quality of service first; first come, first served within it.
                for (auto level = waiting_.rbegin(); level != waiting_.rend(); ++level) {
                    if (!level->empty()) {
                        item = std::move(level->front());
                        level->pop_front();
                        break;
                    }
                }
                --queued_;
            }
            currentQueue = item.queue;
            runGuarded(item.work, item.label);
            currentQueue = nullptr;
        }
    }

    std::mutex mutex_;
    std::condition_variable posted_;
    std::array<std::deque<Item>, 5> waiting_;
    std::size_t queued_ = 0;
    std::size_t idle_ = 0;
    std::size_t threads_ = 0;
    const std::size_t maxThreads_;
};

class GlobalCore final : public QueueCore {
public:
    explicit GlobalCore(QualityOfService qos)
        : QueueCore("global." + std::string(toString(qos)), qos) {}

    void enqueue(Work work) override {
        Pool::shared().enqueue(qos(), this, label(), std::move(work));
    }

    bool isCurrent() const override { return currentQueue == this; }
};

} // namespace

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

// One thread that waits for every timer and read source of the process, with epoll: a timer
// file for the next deadline, an event file to be told of changes, and the read sources'
// descriptors, each armed for one event at a time.
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
        epoll_event event{};
        event.events = EPOLLIN | EPOLLRDHUP | EPOLLONESHOT;
        event.data.u64 = source->id;
        if (::epoll_ctl(epoll_, EPOLL_CTL_ADD, source->watched, &event) != 0) {
            int error = errno;
            forget(source->id);
            throw DispatchError(source->watched, error);
        }
    }

    // Under the source's lock, so it never races the removal in `cancel`.
    void rearm(const SourceCore& source) {
        epoll_event event{};
        event.events = EPOLLIN | EPOLLRDHUP | EPOLLONESHOT;
        event.data.u64 = source.id;
        ::epoll_ctl(epoll_, EPOLL_CTL_MOD, source.watched, &event);
    }

    void unwatch(const SourceCore& source) {
        ::epoll_ctl(epoll_, EPOLL_CTL_DEL, source.watched, nullptr);
    }

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

    void wake() {
        std::uint64_t one = 1;
        [[maybe_unused]] ssize_t written = ::write(wakeFile_, &one, sizeof one);
    }

private:
    static constexpr std::uint64_t wakeKey = 0;
    static constexpr std::uint64_t timerKey = 1;

    SourceManager() {
        epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
        wakeFile_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        timerFile_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
        if (epoll_ < 0 || wakeFile_ < 0 || timerFile_ < 0) {
            std::fprintf(stderr, "dispatch: cannot make its event files: %s\n",
                         std::strerror(errno));
            std::abort();
        }
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.u64 = wakeKey;
        ::epoll_ctl(epoll_, EPOLL_CTL_ADD, wakeFile_, &event);
        event.data.u64 = timerKey;
        ::epoll_ctl(epoll_, EPOLL_CTL_ADD, timerFile_, &event);
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

    void arm(std::optional<Clock::time_point> at) {
        itimerspec setting{};
        if (at) {
            auto since = at->time_since_epoch();
            auto seconds = std::chrono::duration_cast<std::chrono::seconds>(since);
            setting.it_value.tv_sec = static_cast<time_t>(seconds.count());
            setting.it_value.tv_nsec = static_cast<long>(
                std::chrono::duration_cast<std::chrono::nanoseconds>(since - seconds).count());
            // Zero would disarm the timer; a deadline at the clock's start is long past.
            if (since <= Clock::duration::zero()) {
                setting.it_value.tv_sec = 0;
                setting.it_value.tv_nsec = 1;
            }
        }
        ::timerfd_settime(timerFile_, TFD_TIMER_ABSTIME, &setting, nullptr);
    }

    void serve() {
        nameThisThread("corvale.sources");
        std::array<epoll_event, 32> events{};
        for (;;) {
            arm(fireTimers());
            int count = ::epoll_wait(epoll_, events.data(), static_cast<int>(events.size()), -1);
            for (int i = 0; i < count; ++i) {
                std::uint64_t key = events[static_cast<std::size_t>(i)].data.u64;
                if (key == wakeKey || key == timerKey) {
                    std::uint64_t value = 0;
                    [[maybe_unused]] ssize_t got =
                        ::read(key == wakeKey ? wakeFile_ : timerFile_, &value, sizeof value);
                    continue;
                }
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

    int epoll_ = -1;
    int wakeFile_ = -1;
    int timerFile_ = -1;
    std::mutex mutex_;
    std::vector<std::shared_ptr<SourceCore>> timers_;
    std::unordered_map<std::uint64_t, std::shared_ptr<SourceCore>> reads_;
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

} // namespace detail

DispatchQueue::DispatchQueue(std::string label, QualityOfService qos)
    : core_(std::make_shared<detail::SerialCore>(std::move(label), qos)) {}

DispatchQueue::DispatchQueue(std::shared_ptr<detail::QueueCore> core) : core_(std::move(core)) {}

DispatchQueue DispatchQueue::main() {
    static auto* core =
        new std::shared_ptr<detail::QueueCore>(std::make_shared<detail::MainCore>());
    return DispatchQueue(*core);
}

DispatchQueue DispatchQueue::global(QualityOfService qos) {
    static auto* cores = [] {
        auto* made = new std::array<std::shared_ptr<detail::QueueCore>, 5>();
        for (std::size_t i = 0; i < made->size(); ++i) {
            (*made)[i] = std::make_shared<detail::GlobalCore>(static_cast<QualityOfService>(i));
        }
        return made;
    }();
    return DispatchQueue((*cores)[static_cast<std::size_t>(qos)]);
}

void DispatchQueue::async(Work work) const {
    core_->enqueue(std::move(work));
}

void DispatchQueue::asyncAfter(std::chrono::nanoseconds delay, Work work) const {
    auto source = std::make_shared<detail::SourceCore>(*this, std::move(work));
    source->isTimer = true;
    source->deadline = Clock::now() + bounded(delay);
    detail::SourceManager::shared().addTimer(std::move(source));
}

void DispatchQueue::sync(const std::function<void()>& work) const {
    if (isCurrent()) {
        work();
        return;
    }
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::exception_ptr thrown;
    async([&] {
        try {
            work();
        } catch (...) {
            thrown = std::current_exception();
        }
        std::lock_guard lock(mutex);
        done = true;
        finished.notify_one();
    });
    std::unique_lock lock(mutex);
    finished.wait(lock, [&] { return done; });
    if (thrown) {
        std::rethrow_exception(thrown);
    }
}

const std::string& DispatchQueue::label() const {
    return core_->label();
}

QualityOfService DispatchQueue::qos() const {
    return core_->qos();
}

bool DispatchQueue::isCurrent() const {
    return core_->isCurrent();
}

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
