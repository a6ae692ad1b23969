#pragma once

#include <cstddef>
#include <string>

// The few thread calls that differ between the systems the program runs on.
namespace corvale {

// The most bytes of a thread's name that the system keeps.
std::size_t threadNameLimit();

// Names the calling thread, cut to threadNameLimit() bytes. The name shows in debuggers and
// crash reports.
void nameThisThread(const std::string& name);

// Whether the calling thread is the process's first.
bool isFirstThread();

// Lets the calling thread run ahead of ordinary work. 0, or the system's error number (raising
// a thread may need a privilege the process lacks).
int raiseThisThread();

} // namespace corvale
