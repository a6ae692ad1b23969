#include "CorvaleCore/AppIdentity.hpp"

#include "CorvaleCore/Locked.hpp"

#include <optional>

namespace corvale {

namespace {

Locked<std::optional<AppIdentity>>& currentIdentity() {
    static auto* identity = new Locked<std::optional<AppIdentity>>();
    return *identity;
}

} // namespace

std::string AppIdentity::version() const {
    return Bundle::main().string(Bundle::shortVersionKey).value_or("?");
}

std::string AppIdentity::newIssueURL() const {
    return std::string(codeHost) + "/" + repository + "/issues/new";
}

AppIdentity AppIdentity::current() {
    return currentIdentity().with([](std::optional<AppIdentity>& identity) {
        if (!identity) {
            identity = fromBundle(Bundle::main());
        }
        return *identity;
    });
}

void AppIdentity::setCurrent(AppIdentity identity) {
    currentIdentity().set(std::move(identity));
}

void AppIdentity::resetCurrent() {
    currentIdentity().set(std::nullopt);
}

AppIdentity AppIdentity::fromBundle(const Bundle& bundle) {
    return AppIdentity{bundle.string(Bundle::nameKey).value_or(defaultName),
                       bundle.identifier().value_or(fallbackBundleID), ""};
}

} // namespace corvale
