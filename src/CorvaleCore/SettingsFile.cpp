#include "CorvaleCore/SettingsFile.hpp"

namespace corvale {

std::string SettingsFileError::description() const {
    return "This file doesn't have " + AppIdentity::current().name + " settings in it.";
}

namespace settingsfile {

std::set<std::string, std::less<>> knownKeys(const json::Json& everySettingEncoded) {
    std::set<std::string, std::less<>> keys;
    if (!everySettingEncoded.is_object()) {
        return keys;
    }
    for (auto member = everySettingEncoded.begin(); member != everySettingEncoded.end(); ++member) {
        keys.insert(member.key());
    }
    return keys;
}

bool mentionsSettings(const json::Json& object, const std::set<std::string, std::less<>>& keys) {
    if (!object.is_object()) {
        return false;
    }
    for (const std::string& key : keys) {
        if (object.contains(key)) {
            return true;
        }
    }
    return false;
}

Envelope decodeEnvelope(const json::Json& object) {
    Envelope envelope;
    envelope.app = json::decodeString(json::requireMember(object, "app", {}), {"app"});
    envelope.version = json::decodeString(json::requireMember(object, "version", {}), {"version"});
    std::string exported =
        json::decodeString(json::requireMember(object, "exported", {}), {"exported"});
    std::optional<json::Date> date = json::parseIso8601(exported);
    if (!date) {
        throw json::DecodingError(json::DecodingError::Kind::dataCorrupted, {"exported"},
                                  "Expected date string to be ISO8601-formatted.");
    }
    envelope.exported = *date;
    json::requireMember(object, "settings", {});
    return envelope;
}

std::string encodeEnvelope(const Envelope& envelope, json::Json settings) {
    json::Json document = json::Json::object();
    document["app"] = envelope.app;
    document["version"] = envelope.version;
    document["exported"] = json::iso8601(envelope.exported);
    document["settings"] = std::move(settings);
    return json::encodePretty(document);
}

} // namespace settingsfile

} // namespace corvale
