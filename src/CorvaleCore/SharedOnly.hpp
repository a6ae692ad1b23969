#pragma once

#include <memory>
#include <utility>

namespace corvale {

// The one way to make an object that hands out weak references to itself (`weak_from_this`):
// its constructors are protected and its `make` calls this, so that nobody builds one on the
// stack or in a plain box, where those references would be empty. One allocation, as with
// `std::make_shared`.
template <class T, class... Arguments>
std::shared_ptr<T> makeShared(Arguments&&... arguments) {
    struct Made final : T {
        explicit Made(Arguments&&... forwarded) : T(std::forward<Arguments>(forwarded)...) {}
    };
    return std::make_shared<Made>(std::forward<Arguments>(arguments)...);
}

} // namespace corvale
