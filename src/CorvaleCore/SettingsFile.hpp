#pragma once

#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/Error.hpp"
#include "CorvaleCore/Json.hpp"

#include <concepts>
#include <set>
#include <string>
#include <string_view>

namespace corvale {

// What an application's settings value must be: a plain value with a default (`T{}`) that codes
// itself as a JSON object through `json::Coding<T>`.
template <class T>
concept SettingsModel = std::default_initializable<T> && std::copy_constructible<T> &&
    requires(const T& value, const json::Json& object, const json::CodingPath& path) {
    { json::Coding<T>::encode(value) } -> std::convertible_to<json::Json>;
    { json::Coding<T>::decode(object, path) } -> std::same_as<T>;
};

// A value whose encoding names every setting key the model knows; it serves only to learn those
// keys. The default value does, unless the model leaves unset optionals out of its encoding: such
// a model declares `static T everySetting()` with them set.
template <SettingsModel T>
T everySetting() {
    if constexpr (requires {
                      { T::everySetting() } -> std::convertible_to<T>;
                  }) {
        return T::everySetting();
    } else {
        return T{};
    }
}

// The one error of reading a settings file: the data holds no settings of this application.
class SettingsFileError : public Error {
public:
    enum class Kind { notSettings };

    explicit SettingsFileError(Kind kind = Kind::notSettings) : kind_(kind) {}

    Kind kind() const { return kind_; }

    // "This file doesn't have <name> settings in it.", with the name of the running application.
    std::string description() const override;

private:
    Kind kind_;
};

namespace settingsfile {

// The model's known keys: the member names of its `everySetting` encoding. Empty when that
// encoding fails or is not an object.
std::set<std::string, std::less<>> knownKeys(const json::Json& everySettingEncoded);

// Whether any top-level member name of `object` is a known key; nested objects are not looked
// into.
bool mentionsSettings(const json::Json& object, const std::set<std::string, std::less<>>& keys);

// The envelope's own members: "app", "version", "exported" (ISO 8601) and "settings".
struct Envelope {
    std::string app;
    std::string version;
    json::Date exported;
};
// Throws json::DecodingError when a member is missing or malformed; "settings" is only checked
// to be present.
Envelope decodeEnvelope(const json::Json& object);

std::string encodeEnvelope(const Envelope& envelope, json::Json settings);

template <SettingsModel Model>
const std::set<std::string, std::less<>>& keysOf() {
    // Pure in the model, so learnt once.
    static const std::set<std::string, std::less<>> keys = [] {
        try {
            return knownKeys(json::encode(everySetting<Model>()));
        } catch (...) {
            return std::set<std::string, std::less<>>{};
        }
    }();
    return keys;
}

} // namespace settingsfile

// The file in which a user carries an application's settings elsewhere: an envelope naming the
// application, its version and the moment of export around the model's own object. Written
// pretty-printed with keys sorted at every level and dates in ISO 8601 (UTC, whole seconds, Z).
// Everything here is a pure function of its inputs and `AppIdentity::current()`.
template <SettingsModel Model>
struct SettingsFile {
    std::string app;
    std::string version;
    json::Date exported;
    Model settings;

    // `app` is the running application's name at this moment.
    SettingsFile(Model settings_, std::string version_, json::Date exported_)
        : app(AppIdentity::current().name), version(std::move(version_)), exported(exported_),
          settings(std::move(settings_)) {}

    // The envelope as JSON bytes; an error of the model's encoding is passed on.
    std::string encoded() const {
        return settingsfile::encodeEnvelope({app, version, exported}, json::encode(settings));
    }

    // Reads the model out of file contents: an envelope of this application whose "settings"
    // mention a known key, else a bare object that mentions one. Throws SettingsFileError, or the
    // model's json::DecodingError for a bare object that names a key with a wrong value.
    static Model settingsFrom(std::string_view data) {
        json::Json document;
        try {
            document = json::parse(data);
        } catch (const json::DecodingError&) {
            throw SettingsFileError();
        }
        if (!document.is_object()) {
            throw SettingsFileError();
        }
        const auto& keys = settingsfile::keysOf<Model>();

        // An envelope that does not qualify is not reported: the bare step may still read it.
        const json::Json* app = json::member(document, "app");
        const json::Json* inner = json::member(document, "settings");
        if (app != nullptr && app->is_string() &&
            app->get_ref<const std::string&>() == AppIdentity::current().name && inner != nullptr &&
            inner->is_object() && settingsfile::mentionsSettings(*inner, keys)) {
            try {
                settingsfile::decodeEnvelope(document);
                return json::decode<Model>(*inner, {"settings"});
            } catch (const Error&) {
            } catch (const json::Json::exception&) {
            }
        }

        if (settingsfile::mentionsSettings(document, keys)) {
            return json::decode<Model>(document);
        }
        throw SettingsFileError();
    }
};

} // namespace corvale
