#pragma once

#include "CorvaleCore/Dispatch.hpp"

#include <memory>
#include <utility>

// Work queued for an object that may be gone by the time it runs holds the object weakly: these
// are the one way to do it, so that no block keeps an object alive or finds it destroyed.
namespace corvale {

// A block that calls `work(T&, arguments...)` only while `weak` still holds its object.
template <class T, class Work>
auto weakly(std::weak_ptr<T> weak, Work work) {
    return [weak = std::move(weak), work = std::move(work)](auto&&... arguments) mutable {
        if (std::shared_ptr<T> self = weak.lock()) {
            work(*self, std::forward<decltype(arguments)>(arguments)...);
        }
    };
}

// `work(T&)` on the main queue, unless the object is gone by then.
template <class T, class Work>
void onMain(std::weak_ptr<T> weak, Work work) {
    DispatchQueue::main().async(weakly(std::move(weak), std::move(work)));
}

// The same for `part`, a part of the object `owner` holds: `work(Part&, arguments...)` runs only
// while that object lives.
template <class T, class Part, class Work>
auto weakly(std::weak_ptr<T> owner, Part& part, Work work) {
    return [owner = std::move(owner), &part, work = std::move(work)](auto&&... arguments) mutable {
        if (std::shared_ptr<T> held = owner.lock()) {
            work(part, std::forward<decltype(arguments)>(arguments)...);
        }
    };
}

template <class T, class Part, class Work>
void onMain(std::weak_ptr<T> owner, Part& part, Work work) {
    DispatchQueue::main().async(weakly(std::move(owner), part, std::move(work)));
}

} // namespace corvale
