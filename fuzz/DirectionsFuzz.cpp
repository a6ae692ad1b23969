// Directions come from settings files and stored settings: any bytes must decode or fail with a
// decoding error, and what decodes must encode back to the same value.
#include "SkiroCore/Scrolling.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        skiro::Directions directions = corvale::json::decode<skiro::Directions>(bytes);
        auto again = corvale::json::decode<skiro::Directions>(corvale::json::encode(directions));
        if (!(again == directions)) {
            std::abort();
        }
    } catch (const corvale::json::DecodingError&) {
    }
    return 0;
}
