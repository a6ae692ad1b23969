#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace corvale {

// What keeps one subscription alive: cancelled by `cancel()` or when the token goes, whichever
// comes first. Outliving what it subscribed to is harmless.
class [[nodiscard]] Subscription {
public:
    Subscription() = default;
    explicit Subscription(std::function<void()> cancel) : cancel_(std::move(cancel)) {}
    Subscription(Subscription&& other) noexcept : cancel_(std::exchange(other.cancel_, {})) {}
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            cancel();
            cancel_ = std::exchange(other.cancel_, {});
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { cancel(); }

    void cancel() {
        if (auto cancel = std::exchange(cancel_, {})) {
            cancel();
        }
    }

    bool isActive() const { return static_cast<bool>(cancel_); }

private:
    std::function<void()> cancel_;
};

// A list of handlers told in the order they subscribed. A handler may cancel any subscription,
// its own included, and may subscribe others while it is being told: a cancelled handler is not
// called again, not even later in the same round, and one added during a round is first told in
// the next. The list is guarded by a lock held only to copy or change it, never across a call.
template <class... Args>
class Subscribers {
public:
    using Handler = std::function<void(Args...)>;

    Subscribers() = default;
    Subscribers(const Subscribers&) = delete;
    Subscribers& operator=(const Subscribers&) = delete;

    Subscription add(Handler handler) {
        auto entry = std::make_shared<Entry>(std::move(handler));
        {
            std::lock_guard lock(list_->mutex);
            list_->entries.push_back(entry);
        }
        return Subscription(
            [weakList = std::weak_ptr<List>(list_), weakEntry = std::weak_ptr<Entry>(entry)] {
                auto cancelled = weakEntry.lock();
                if (!cancelled) {
                    return;
                }
                cancelled->active.store(false, std::memory_order_release);
                if (auto list = weakList.lock()) {
                    std::lock_guard lock(list->mutex);
                    std::erase(list->entries, cancelled);
                }
            });
    }

    void notify(Args... args) const {
        std::vector<std::shared_ptr<Entry>> round;
        {
            std::lock_guard lock(list_->mutex);
            round = list_->entries;
        }
        for (const auto& entry : round) {
            if (entry->active.load(std::memory_order_acquire)) {
                entry->handler(args...);
            }
        }
    }

    std::size_t count() const {
        std::lock_guard lock(list_->mutex);
        return list_->entries.size();
    }

private:
    struct Entry {
        explicit Entry(Handler h) : handler(std::move(h)) {}
        Handler handler;
        std::atomic<bool> active{true};
    };
    struct List {
        std::mutex mutex;
        std::vector<std::shared_ptr<Entry>> entries;
    };

    std::shared_ptr<List> list_ = std::make_shared<List>();
};

} // namespace corvale
