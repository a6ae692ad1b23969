#include "CorvaleCore/UserLocale.hpp"

namespace corvale {

std::string userLocaleName() {
    return {};
}

} // namespace corvale
