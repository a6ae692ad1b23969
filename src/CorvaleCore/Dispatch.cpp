#include "CorvaleCore/Dispatch.hpp"

#include "CorvaleCore/DispatchInternal.hpp"
#include "CorvaleCore/Error.hpp"
#include "CorvaleCore/Locked.hpp"
#include "CorvaleCore/Log.hpp"
#include "CorvaleCore/Threads.hpp"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

namespace corvale {

namespace {

// The queue whose work the calling thread runs now; compared, never followed.
thread_local const void* currentQueue = nullptr;

Locked<std::shared_ptr<MainExecutor>>& installedExecutor() {
    static auto* executor = new Locked<std::shared_ptr<MainExecutor>>();
    return *executor;
}

} // namespace

namespace detail {

// Delays, intervals and leeways are held within a century, so no deadline overflows.
Clock::duration bounded(std::chrono::nanoseconds duration) {
    constexpr std::chrono::nanoseconds century = std::chrono::hours(24 * 366 * 100);
    return std::clamp(duration, std::chrono::nanoseconds::zero(), century);
}

void nameAfterLabel(std::string_view label) {
    // The system keeps only so many bytes of a thread's name; the end of a label says the most.
    const std::size_t limit = threadNameLimit();
    std::string name(label.size() > limit ? label.substr(label.size() - limit) : label);
    while (!name.empty() && name.front() == '.') {
        name.erase(name.begin());
    }
    nameThisThread(name);
}

} // namespace detail

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

void setMainExecutor(std::shared_ptr<MainExecutor> executor) {
    installedExecutor().set(std::move(executor));
}

bool isMainThread() {
    return isFirstThread();
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
        nameAfterLabel(label);
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
        nameAfterLabel("corvale.global");
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
    detail::runAfter(*this, delay, std::move(work));
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

} // namespace corvale
