#include "Corvale/Termination.hpp"

#include "CorvaleCore/Dispatch.hpp"

#include <mutex>
#include <utility>
#include <vector>

namespace corvale::Termination {

namespace {

struct Observers {
    std::mutex mutex;
    Token next = 1;
    std::vector<std::pair<Token, std::function<void()>>> list;
};

Observers& observers() {
    static auto* shared = new Observers();
    return *shared;
}

void runObservers() {
    std::vector<std::pair<Token, std::function<void()>>> list;
    {
        std::lock_guard lock(observers().mutex);
        list = observers().list;
    }
    // Outside the lock: an observer removes itself, or another.
    for (auto& [token, observer] : list) {
        bool still = false;
        {
            std::lock_guard lock(observers().mutex);
            for (const auto& entry : observers().list) {
                still = still || entry.first == token;
            }
        }
        if (still) {
            observer();
        }
    }
}

} // namespace

Token observe(std::function<void()> observer) {
    std::lock_guard lock(observers().mutex);
    Token token = observers().next++;
    observers().list.emplace_back(token, std::move(observer));
    return token;
}

void remove(Token token) {
    std::lock_guard lock(observers().mutex);
    std::erase_if(observers().list, [&](const auto& entry) { return entry.first == token; });
}

void willTerminate() {
    DispatchQueue::main().sync(runObservers);
}

void reset() {
    std::lock_guard lock(observers().mutex);
    observers().list.clear();
}

} // namespace corvale::Termination
