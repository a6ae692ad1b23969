#pragma once

#include <atomic>
#include <chrono>

// Ways for a test to keep a thread stopped inside a known function of this program, blocked in
// the kernel rather than spinning, so that a sample of its stack shows that function first. They
// have external linkage and are exported, so stack lines can name them.
namespace corvale::stalls {

// Returns after `duration` has passed.
void holdThisThread(std::chrono::nanoseconds duration);

// Sets `holding`, then returns once `release` is set (looking every few milliseconds).
void holdUntilReleased(std::atomic<bool>& holding, const std::atomic<bool>& release);

} // namespace corvale::stalls
