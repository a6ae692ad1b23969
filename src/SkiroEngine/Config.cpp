#include "SkiroEngine/Config.hpp"

// The default value leaves out only "directions", and an object that names nothing but the
// directions is not taken for settings, so the framework's default `everySetting` is right.
static_assert(corvale::SettingsModel<skiro::Config>);

namespace corvale::json {

Json Coding<skiro::Config>::encode(const skiro::Config& value) {
    Json object = Json::object();
    object["hasCompletedOnboarding"] = value.hasCompletedOnboarding;
    object["detailedLogging"] = value.detailedLogging;
    if (value.directions) {
        object["directions"] = json::encode(*value.directions);
    }
    object["paused"] = value.paused;
    return object;
}

skiro::Config Coding<skiro::Config>::decode(const Json& json, const CodingPath& path) {
    requireObject(json, path);
    skiro::Config config;
    auto flag = [&](const char* key, bool& field) {
        if (const Json* value = member(json, key)) {
            field = decodeBool(*value, appending(path, key));
        }
    };
    flag("hasCompletedOnboarding", config.hasCompletedOnboarding);
    flag("detailedLogging", config.detailedLogging);
    if (const Json* value = member(json, "directions")) {
        config.directions = json::decode<skiro::Directions>(*value, appending(path, "directions"));
    }
    flag("paused", config.paused);
    return config;
}

} // namespace corvale::json
