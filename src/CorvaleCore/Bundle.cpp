#include "CorvaleCore/Bundle.hpp"

#include "CorvaleCore/Locked.hpp"

#include <utility>

// The build passes these for this file only, so a new build number recompiles one file.
#ifndef CORVALE_BUNDLE_NAME
#error "CORVALE_BUNDLE_NAME must be defined by the build"
#endif
#ifndef CORVALE_BUNDLE_SHORT_VERSION
#error "CORVALE_BUNDLE_SHORT_VERSION must be defined by the build"
#endif
#ifndef CORVALE_BUNDLE_VERSION
#error "CORVALE_BUNDLE_VERSION must be defined by the build"
#endif

namespace corvale {

namespace {

Locked<Bundle>& mainBundle() {
    // Never destroyed: threads still running at exit may read it.
    static auto* bundle = new Locked<Bundle>(Bundle::compiled());
    return *bundle;
}

} // namespace

Bundle::Bundle(std::optional<json::Json> info) {
    if (info && info->is_object()) {
        info_ = std::move(info);
    }
}

std::optional<std::string> Bundle::string(std::string_view key) const {
    if (!info_) {
        return std::nullopt;
    }
    const json::Json* value = json::member(*info_, key);
    if (value == nullptr || !value->is_string()) {
        return std::nullopt;
    }
    return value->get<std::string>();
}

Bundle Bundle::main() {
    return mainBundle().copy();
}

Bundle Bundle::replaceMain(Bundle bundle) {
    return mainBundle().with(
        [&](Bundle& current) { return std::exchange(current, std::move(bundle)); });
}

Bundle Bundle::compiled() {
    json::Json info = json::Json::object();
    info[std::string(nameKey)] = CORVALE_BUNDLE_NAME;
    info[std::string(shortVersionKey)] = CORVALE_BUNDLE_SHORT_VERSION;
    info[std::string(versionKey)] = CORVALE_BUNDLE_VERSION;
#ifdef CORVALE_BUNDLE_IDENTIFIER
    info[std::string(identifierKey)] = CORVALE_BUNDLE_IDENTIFIER;
#endif
#ifdef CORVALE_BUNDLE_UPDATE_KEY
    info[std::string(updateKeyKey)] = CORVALE_BUNDLE_UPDATE_KEY;
#endif
    return Bundle(std::move(info));
}

} // namespace corvale
