#include "CorvaleCore/Log.hpp"

#include "CorvaleCore/AppIdentity.hpp"

namespace corvale {

std::string Log::subsystem() {
    return AppIdentity::current().bundleID;
}

const Log& Log::lifecycle() {
    // Never destroyed: threads still running at exit may log.
    static const Log* log = new Log("lifecycle");
    return *log;
}

void Log::write(LogLevel level, std::string message) const {
    store().write(subsystem(), category_, level, std::move(message));
}

} // namespace corvale
