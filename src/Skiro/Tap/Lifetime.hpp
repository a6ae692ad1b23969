#pragma once

#include <memory>

namespace skiro {

// The lifetime of the shared object a piece belongs to. A piece hands work to other threads
// holding that object weakly (`corvale::weakly` with the piece as the part), so that the work
// runs only while the object lives and never keeps it alive. Read only once a shared_ptr owns the
// object; made in its constructor, before that.
class Lifetime {
public:
    template <class T>
    explicit Lifetime(const std::enable_shared_from_this<T>& object)
        : object_(&object), weak_([](const void* owner) -> std::weak_ptr<const void> {
              return static_cast<const std::enable_shared_from_this<T>*>(owner)->weak_from_this();
          }) {}

    std::weak_ptr<const void> weak() const { return weak_(object_); }

private:
    const void* object_;
    std::weak_ptr<const void> (*weak_)(const void*);
};

} // namespace skiro
