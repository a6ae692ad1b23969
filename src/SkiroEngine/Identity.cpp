#include "SkiroEngine/Identity.hpp"

namespace skiro {

corvale::AppIdentity appIdentity() {
    // The identifier is also the build's bundle identifier (src/CMakeLists.txt).
    return corvale::AppIdentity{"Skiro", "dev.skiro.Skiro", "skiro-dev/Skiro"};
}

} // namespace skiro
