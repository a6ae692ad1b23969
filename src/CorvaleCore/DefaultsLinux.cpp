#include "CorvaleCore/Defaults.hpp"

#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/Folders.hpp"

namespace corvale {

Defaults Defaults::standard() {
    return Defaults(Folders::userDefaults(AppIdentity::current().bundleID));
}

} // namespace corvale
