#include "Corvale/StackSampler.hpp"

#include "Stalls.hpp"

#include <dlfcn.h>
#include <signal.h>

#if defined(__APPLE__)
#include <mach-o/dyld.h>
#else
#include <link.h>
#endif

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

namespace corvale {

namespace samplertest {

// Exported, so stack lines name them.
[[gnu::noinline]] int exported(int value) {
    return value * 3 + 1;
}

[[gnu::noinline]] void parkedThread(std::promise<StackSampler>& sampler, std::atomic<bool>& holding,
                                    const std::atomic<bool>& release) {
    sampler.set_value(StackSampler::ofCallingThread());
    stalls::holdUntilReleased(holding, release);
    holding.store(false); // not a tail call, so this frame stays while it holds
}

} // namespace samplertest

namespace {

using namespace std::chrono_literals;

// Not exported: only its image can be found.
[[gnu::noinline]] int hidden(int value) {
    return value * 5 + 2;
}

std::uintptr_t addressOf(auto* function) {
    return reinterpret_cast<std::uintptr_t>(function);
}

// The main program's load address, as the loader reports it.
std::uintptr_t programBase() {
#if defined(__APPLE__)
    // The first image is the main program; it is loaded where its header is.
    return reinterpret_cast<std::uintptr_t>(::_dyld_get_image_header(0));
#else
    std::uintptr_t base = 0;
    ::dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* found) {
            *static_cast<std::uintptr_t*>(found) = info->dlpi_addr;
            return 1; // the main program comes first
        },
        &base);
    return base;
#endif
}

std::string programName() {
    Dl_info info{};
    ::dladdr(reinterpret_cast<void*>(addressOf(&hidden)), &info);
    std::string path = info.dli_fname;
    return path.substr(path.rfind('/') + 1);
}

// A thread parked in `holdUntilReleased`, with a sampler prepared on it.
class ParkedThread {
public:
    ParkedThread() {
        std::promise<StackSampler> made;
        std::future<StackSampler> sampler = made.get_future();
        thread_ =
            std::thread([&made, this] { samplertest::parkedThread(made, holding_, release_); });
        sampler_.emplace(sampler.get());
        while (!holding_.load()) {
            std::this_thread::yield();
        }
    }
    ~ParkedThread() {
        release_ = true;
        thread_.join();
    }
    const StackSampler& sampler() const { return *sampler_; }

private:
    std::atomic<bool> holding_{false};
    std::atomic<bool> release_{false};
    std::optional<StackSampler> sampler_;
    std::thread thread_;
};

TEST(StackSampler, DescribesAnAddressBySymbolDemangledByImageOrNotAtAll) {
    // Only C++ names are demangled.
    EXPECT_EQ(StackSampler::demangle("_ZN7corvale11samplertest8exportedEi"),
              "corvale::samplertest::exported(int)");
    EXPECT_EQ(StackSampler::demangle("main"), "main");
    EXPECT_EQ(StackSampler::demangle("_Z!not a name"), "_Z!not a name");

    std::string program = programName();
    ASSERT_FALSE(program.empty());
    std::uintptr_t exported = addressOf(&samplertest::exported);
    EXPECT_EQ(StackSampler::describe(exported + 3, exported + 3),
              program + "  corvale::samplertest::exported(int) + 3");

    // A symbol the program does not export: the distance from the image's load address.
    std::uintptr_t hiddenAt = addressOf(&hidden);
    EXPECT_EQ(StackSampler::describe(hiddenAt + 2, hiddenAt + 2),
              program + "  " + fmt::format("0x{:x}", hiddenAt + 2 - programBase()));

    // Nothing there, or nothing to look up.
    EXPECT_EQ(StackSampler::describe(0x10, 0x10), "?  0x10");
    EXPECT_EQ(StackSampler::describe(0x1234, 0), "?  0x1234");
    EXPECT_EQ(hidden(1) + samplertest::exported(1), 11);

    // Return addresses are looked up inside the calling instruction.
    std::vector<std::string> lines = StackSampler::lines({exported, exported + 1, 0});
    ASSERT_EQ(lines.size(), 3u);
    // The program counter is looked up as it is; a return address one byte earlier; the line
    // shows the address itself either way.
    EXPECT_EQ(lines[0], program + "  corvale::samplertest::exported(int) + 0");
    EXPECT_EQ(lines[1], program + "  corvale::samplertest::exported(int) + 1");
    EXPECT_EQ(lines[2], "?  0x0");
    std::vector<std::string> before = StackSampler::lines({0x10, exported});
    EXPECT_EQ(before[1].find("samplertest::exported(int) + 0"), std::string::npos) << before[1];
}

TEST(StackSampler, StopsAnotherThreadAndWalksItsFrames) {
    if (!StackSampler::isSupported()) {
        GTEST_SKIP() << "no sampling on this processor";
    }
    ParkedThread parked;
    std::vector<std::uintptr_t> addresses = parked.sampler().returnAddresses();
    ASSERT_GE(addresses.size(), 3u);
    EXPECT_LE(addresses.size(), StackSampler::maxFrames);
    for (std::uintptr_t address : addresses) {
        EXPECT_NE(address, 0u);
    }
    std::vector<std::string> lines = StackSampler::lines(addresses);
    EXPECT_NE(lines[0].find("corvale::stalls::holdUntilReleased("), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("corvale::samplertest::parkedThread("), std::string::npos) << lines[1];

    // Again: each sample is a fresh request.
    std::vector<std::string> again = parked.sampler().sample();
    ASSERT_FALSE(again.empty());
    EXPECT_EQ(again[0].substr(0, again[0].find(" + ")), lines[0].substr(0, lines[0].find(" + ")));
}

TEST(StackSampler, GivesAnEmptyStackWhenTheThreadDoesNotAnswer) {
    if (!StackSampler::isSupported()) {
        GTEST_SKIP() << "no sampling on this processor";
    }
    std::mutex mutex;
    std::condition_variable changed;
    int step = 0; // 1: signals blocked, 2: may unblock, 3: unblocked
    auto advance = [&](int to) {
        std::lock_guard lock(mutex);
        step = to;
        changed.notify_all();
    };
    auto await = [&](int to) {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return step >= to; });
    };
    std::promise<StackSampler> made;
    std::thread deaf([&] {
        made.set_value(StackSampler::ofCallingThread());
        sigset_t all;
        sigfillset(&all);
        pthread_sigmask(SIG_BLOCK, &all, nullptr);
        advance(1);
        await(2);
        pthread_sigmask(SIG_UNBLOCK, &all, nullptr); // the late answer is dropped
        advance(3);
        await(4);
    });
    StackSampler sampler = made.get_future().get();
    await(1);
    auto asked = std::chrono::steady_clock::now();
    EXPECT_TRUE(sampler.returnAddresses(50ms).empty());
    EXPECT_GE(std::chrono::steady_clock::now() - asked, 50ms);
    advance(2);
    await(3);
    // The thread answers now; the withdrawn request did not spoil the next one.
    std::vector<std::uintptr_t> addresses = sampler.returnAddresses();
    EXPECT_FALSE(addresses.empty());
    advance(4);
    deaf.join();
}

TEST(StackSampler, NeverSamplesTheCallingThreadItself) {
    EXPECT_TRUE(StackSampler::ofCallingThread().returnAddresses(10ms).empty());
}

} // namespace
} // namespace corvale
