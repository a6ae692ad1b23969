#include "Corvale/StackSampler.hpp"

#include <cxxabi.h>
#include <dlfcn.h>

#include <fmt/format.h>

#include <cstdlib>
#include <memory>

namespace corvale {

namespace {

std::string imageName(const char* path) {
    if (path == nullptr || *path == '\0') {
        return "?";
    }
    std::string_view full(path);
    std::size_t slash = full.rfind('/');
    std::string_view last = slash == std::string_view::npos ? full : full.substr(slash + 1);
    return last.empty() ? "?" : std::string(last);
}

} // namespace

std::vector<std::string> StackSampler::sample(std::chrono::milliseconds wait) const {
    return lines(returnAddresses(wait));
}

std::vector<std::string> StackSampler::lines(const std::vector<std::uintptr_t>& addresses) {
    std::vector<std::string> described;
    described.reserve(addresses.size());
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        std::uintptr_t address = addresses[i];
        std::uintptr_t lookup = i == 0 || address == 0 ? address : address - 1;
        described.push_back(describe(address, lookup));
    }
    return described;
}

std::string StackSampler::describe(std::uintptr_t address, std::uintptr_t lookup) {
    Dl_info info{};
    if (lookup == 0 || ::dladdr(reinterpret_cast<void*>(lookup), &info) == 0) {
        return fmt::format("?  0x{:x}", address);
    }
    std::string image = imageName(info.dli_fname);
    if (info.dli_sname != nullptr && info.dli_saddr != nullptr) {
        auto start = reinterpret_cast<std::uintptr_t>(info.dli_saddr);
        return fmt::format("{}  {} + {}", image, demangle(info.dli_sname),
                           static_cast<std::intptr_t>(address - start));
    }
    auto base = reinterpret_cast<std::uintptr_t>(info.dli_fbase);
    return fmt::format("{}  0x{:x}", image, address - base);
}

std::string StackSampler::demangle(std::string_view name) {
    std::string text(name);
    if (!name.starts_with("_Z")) {
        return text;
    }
    int status = -1;
    std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(text.c_str(), nullptr, nullptr, &status), &std::free);
    if (status != 0 || demangled == nullptr) {
        return text;
    }
    return demangled.get();
}

} // namespace corvale
