#pragma once

#include "CorvaleCore/Dispatch.hpp"

#include <chrono>
#include <string_view>

// What the queues and the sources share inside the library.
namespace corvale::detail {

using Clock = std::chrono::steady_clock;

// Delays, intervals and leeways are held within a century, so no deadline overflows.
Clock::duration bounded(std::chrono::nanoseconds duration);

// Names the calling thread after the end of `label`.
void nameAfterLabel(std::string_view label);

// Runs `work` once on `queue` after `delay`, kept with the other timers.
void runAfter(const DispatchQueue& queue, std::chrono::nanoseconds delay, Work work);

} // namespace corvale::detail
