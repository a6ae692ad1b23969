// The client waiting for a command that takes a while: that it waits, the seconds left, and
// what Ctrl-C leaves behind.
#include "Corvale/CommandWaiting.hpp"
#include "Corvale/CommandsInternal.hpp"

#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ostream>
#include <thread>

namespace corvale::Commands {

namespace {

// A refusal comes back well within this; a command still unanswered then is at work.
constexpr std::chrono::milliseconds grace{500};
constexpr std::chrono::milliseconds tick{100};

// Waits one tick for a blocked SIGINT and takes it if it came. The signal stays pending while
// blocked, so looking at the pending set after a sleep serves every system, including those
// without sigtimedwait.
bool interruptedWithin(const sigset_t& interrupt) {
    std::this_thread::sleep_for(tick);
    sigset_t pending;
    sigemptyset(&pending);
    if (sigpending(&pending) != 0 || sigismember(&pending, SIGINT) != 1) {
        return false;
    }
    int taken = 0;
    sigwait(&interrupt, &taken);
    return taken == SIGINT;
}

} // namespace

Outcome internal::askSaying(const Request& request, bool launching, double timeout,
                            const Waiting& waiting, std::ostream& err, bool terminal) {
    // Ctrl-C is taken by the thread that speaks, so it is blocked here and in that thread,
    // which inherits the mask and waits for it.
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &interrupt, &previous);

    std::atomic<bool> answered{false};
    std::thread saying([&] {
        using Clock = std::chrono::steady_clock;
        const Clock::time_point start = Clock::now();
        bool said = false;
        long shown = -1;
        while (!answered.load()) {
            const bool interrupted = interruptedWithin(interrupt);
            const std::chrono::duration<double> elapsed = Clock::now() - start;
            const double left = std::max(waiting.seconds - elapsed.count(), 0.0);
            if (interrupted) {
                if (shown >= 0) {
                    err << (terminal ? "\r\x1b[K" : "\n");
                }
                if (waiting.interrupted) {
                    err << waiting.interrupted(left) << '\n';
                }
                err.flush();
                // Ended by the signal, as without all this.
                ::signal(SIGINT, SIG_DFL);
                pthread_sigmask(SIG_UNBLOCK, &interrupt, nullptr);
                ::raise(SIGINT);
                std::_Exit(128 + SIGINT);
            }
            if (answered.load()) {
                break;
            }
            if (!said && elapsed >= grace) {
                err << waiting.started << '\n';
                said = true;
            }
            const auto whole = static_cast<long>(std::ceil(left));
            if (said && whole >= 1 && whole != shown) {
                if (terminal) {
                    err << '\r' << whole << " s left\x1b[K";
                } else {
                    err << (shown < 0 ? "Seconds left: " : " ") << whole;
                }
                err.flush();
                shown = whole;
            }
        }
        if (shown >= 0) {
            err << (terminal ? "\r\x1b[K" : "\n");
            err.flush();
        }
    });
    Outcome outcome = ask(request, launching, timeout);
    answered.store(true);
    saying.join();
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return outcome;
}

} // namespace corvale::Commands
