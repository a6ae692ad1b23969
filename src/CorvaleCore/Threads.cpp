#include "CorvaleCore/Threads.hpp"

#include <pthread.h>
#include <unistd.h>

#if defined(__APPLE__)
#include <pthread/qos.h>
#else
#include <cerrno>
#include <sys/resource.h>
#endif

namespace corvale {

#if defined(__APPLE__)

std::size_t threadNameLimit() {
    return 63;
}

void nameThisThread(const std::string& name) {
    // Only the calling thread can be named here.
    pthread_setname_np(name.substr(0, threadNameLimit()).c_str());
}

bool isFirstThread() {
    return pthread_main_np() != 0;
}

int raiseThisThread() {
    return pthread_set_qos_class_self_np(QOS_CLASS_USER_INTERACTIVE, 0);
}

#else

std::size_t threadNameLimit() {
    return 15;
}

void nameThisThread(const std::string& name) {
    pthread_setname_np(pthread_self(), name.substr(0, threadNameLimit()).c_str());
}

bool isFirstThread() {
    return ::gettid() == ::getpid();
}

int raiseThisThread() {
    // Lowering the nice value of one thread: on this system each thread has its own.
    constexpr int raisedNice = -10;
    if (::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), raisedNice) != 0) {
        return errno;
    }
    return 0;
}

#endif

} // namespace corvale
