// Links come from any program that opens a URL: any text must parse or not without harm, and a
// parsed link always names a command in lower case, whatever case its scheme was written in.
#include "Corvale/CommandLinks.hpp"
#include "Corvale/Commands.hpp"
#include "CorvaleCore/AppIdentity.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool identified = [] {
        corvale::AppIdentity::setCurrent({"Tool", "org.example.tool", "owner/Tool"});
        return true;
    }();
    (void)identified;

    std::string url(reinterpret_cast<const char*>(data), size);
    std::optional<corvale::Commands::Link> link = corvale::Commands::parse(url);
    if (!link) {
        return 0;
    }
    if (link->name.empty()) {
        std::abort();
    }
    for (char c : link->name) {
        if (c >= 'A' && c <= 'Z') {
            std::abort();
        }
    }
    // The scheme is matched without regard to case.
    std::size_t colon = url.find(':');
    std::string shouted = url;
    for (std::size_t i = 0; i < colon; ++i) {
        if (shouted[i] >= 'a' && shouted[i] <= 'z') {
            shouted[i] = static_cast<char>(shouted[i] - 'a' + 'A');
        }
    }
    if (!(corvale::Commands::parse(shouted) == link)) {
        std::abort();
    }
    return 0;
}
