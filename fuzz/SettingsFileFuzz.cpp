// Settings files come from anywhere a user picks: any bytes must give a configuration, "no
// settings" or a decoding error, and a configuration read must export and read back the same.
#include "CorvaleCore/SettingsFile.hpp"
#include "SkiroEngine/Config.hpp"
#include "SkiroEngine/Identity.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using File = corvale::SettingsFile<skiro::Config>;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    corvale::AppIdentity::setCurrent(skiro::appIdentity());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        skiro::Config config = File::settingsFrom(bytes);
        File file(config, "0.1.0", corvale::json::Date{});
        if (!(File::settingsFrom(file.encoded()) == config)) {
            std::abort();
        }
        // As the store keeps it: the bare object.
        std::string bare = corvale::json::encodeCompact(corvale::json::encode(config));
        if (!(File::settingsFrom(bare) == config)) {
            std::abort();
        }
    } catch (const corvale::SettingsFileError& error) {
        if (error.description().empty()) {
            std::abort();
        }
    } catch (const corvale::json::DecodingError& error) {
        if (error.description().empty()) {
            std::abort();
        }
    }
    return 0;
}
