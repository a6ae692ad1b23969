#pragma once

// Work handed to the main thread through a library the thread sanitizer cannot see into (Qt's
// event queue, whose lock is not instrumented) arrives in order, but the sanitizer takes what the
// sender wrote and the main thread reads for a race. Marking both ends shows it the ordering the
// queue keeps, so the rest of our code stays fully checked. Outside a build with the thread
// sanitizer both are nothing.

#if defined(__SANITIZE_THREAD__)
#define CORVALE_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define CORVALE_THREAD_SANITIZER 1
#endif
#endif

#ifdef CORVALE_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
#endif

namespace corvale::handOff {

// One key for the whole queue: the loop takes posted events out under one lock, so all that was
// posted before is ordered before whatever the main thread does with the next event it is given.
inline void* mainQueueKey() {
    static char key = 0;
    return &key;
}

// Just before an event is posted to the main thread, once it is made.
inline void posting() {
#ifdef CORVALE_THREAD_SANITIZER
    __tsan_release(mainQueueKey());
#endif
}

// On the main thread, before our code first reads an event it was given.
inline void delivered() {
#ifdef CORVALE_THREAD_SANITIZER
    __tsan_acquire(mainQueueKey());
#endif
}

} // namespace corvale::handOff
