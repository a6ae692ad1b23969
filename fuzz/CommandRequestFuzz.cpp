// Command requests arrive over the socket from any process of the user: any bytes must decode
// or fail with a decoding error, and what decodes must encode back to the same request.
#include "Corvale/CommandSocket.hpp"
#include "Corvale/Commands.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using corvale::Commands::Request;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        Request request = corvale::json::decode<Request>(bytes);
        std::string encoded = corvale::json::encodeCompact(corvale::json::encode(request));
        if (!(corvale::json::decode<Request>(std::string_view(encoded)) == request)) {
            std::abort();
        }
    } catch (const corvale::json::DecodingError&) {
    }
    return 0;
}
