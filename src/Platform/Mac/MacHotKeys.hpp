#pragma once

#include "Platform/HotKeys.hpp"

#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace platform::mac {

// Carbon hot keys on the application's event target.
class MacHotKeys final : public HotKeys {
public:
    MacHotKeys();
    MacHotKeys(const MacHotKeys&) = delete;
    MacHotKeys& operator=(const MacHotKeys&) = delete;
    ~MacHotKeys() override;

    HandlerReference installHandler(Handler handler) override;
    void removeHandler(HandlerReference handler) override;
    Registration registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                HotKeyID id) override;
    hotkey::Status unregisterHotKey(Reference reference) override;

private:
    struct Installed;

    std::mutex mutex_;
    HandlerReference nextHandler_ = 1;
    std::map<HandlerReference, std::unique_ptr<Installed>> handlers_;
    // The system's hot-key references, so a stale one is refused rather than passed on.
    std::set<Reference> registered_;
};

} // namespace platform::mac
