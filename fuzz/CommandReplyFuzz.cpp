// Replies are what the client reads back from whatever listens on the socket: any bytes must
// decode or fail with a decoding error, and what decodes must encode back to the same reply.
#include "Corvale/CommandSocket.hpp"
#include "Corvale/Commands.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using corvale::Commands::Reply;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        Reply reply = corvale::json::decode<Reply>(bytes);
        std::string encoded = corvale::json::encodeCompact(corvale::json::encode(reply));
        if (!(corvale::json::decode<Reply>(std::string_view(encoded)) == reply)) {
            std::abort();
        }
    } catch (const corvale::json::DecodingError&) {
    }
    return 0;
}
