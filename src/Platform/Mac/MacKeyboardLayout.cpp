#include "Platform/Mac/MacKeyboardLayout.hpp"

#include "Platform/Mac/MacCF.hpp"

#include <Carbon/Carbon.h>
#include <dispatch/dispatch.h>
#include <pthread.h>

#include <memory>

namespace platform::mac {

namespace {

// The layout's key table; input methods without one fall back to the ASCII-capable layout.
CFDataRef layoutData(const CFOwned<TISInputSourceRef>& source) {
    if (!source) {
        return nullptr;
    }
    return static_cast<CFDataRef>(
        TISGetInputSourceProperty(source.get(), kTISPropertyUnicodeKeyLayoutData));
}

std::optional<std::string> translate(std::uint32_t keyCode) {
    CFOwned<TISInputSourceRef> source(TISCopyCurrentKeyboardLayoutInputSource());
    CFDataRef data = layoutData(source);
    if (data == nullptr) {
        source = CFOwned<TISInputSourceRef>(TISCopyCurrentASCIICapableKeyboardLayoutInputSource());
        data = layoutData(source);
    }
    if (data == nullptr) {
        return std::nullopt;
    }
    const auto* layout = reinterpret_cast<const UCKeyboardLayout*>(CFDataGetBytePtr(data));
    UInt32 deadKeyState = 0;
    UniChar characters[8] = {};
    UniCharCount length = 0;
    const OSStatus status =
        UCKeyTranslate(layout, static_cast<UInt16>(keyCode), kUCKeyActionDisplay, 0, LMGetKbdType(),
                       kUCKeyTranslateNoDeadKeysMask, &deadKeyState,
                       sizeof(characters) / sizeof(UniChar), &length, characters);
    if (status != noErr || length == 0) {
        return std::nullopt;
    }
    CFOwned<CFStringRef> text(CFStringCreateWithCharacters(kCFAllocatorDefault, characters,
                                                           static_cast<CFIndex>(length)));
    if (!text) {
        return std::nullopt;
    }
    return toString(text.get());
}

} // namespace

std::optional<std::string> MacKeyboardLayout::character(std::uint32_t keyCode) const {
    if (keyCode > 0xFFFF) {
        return std::nullopt;
    }
    if (pthread_main_np() != 0) {
        return translate(keyCode);
    }
    // The text input sources may only be asked on the main thread. Waiting for it without end
    // would deadlock whenever the main thread waits for this one; a main thread that does not
    // answer within a second gets no answer, and its late one is dropped.
    struct Answer {
        dispatch_semaphore_t done = dispatch_semaphore_create(0);
        std::optional<std::string> text;
        ~Answer() { dispatch_release(done); }
    };
    const auto answer = std::make_shared<Answer>();
    dispatch_async(dispatch_get_main_queue(), ^{
      answer->text = translate(keyCode);
      dispatch_semaphore_signal(answer->done);
    });
    if (dispatch_semaphore_wait(answer->done, dispatch_time(DISPATCH_TIME_NOW, NSEC_PER_SEC)) !=
        0) {
        return std::nullopt;
    }
    return answer->text;
}

} // namespace platform::mac
