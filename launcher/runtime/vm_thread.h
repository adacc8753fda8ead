#pragma once
// The virtual-machine thread: a native thread with a chosen stack size (0 = the system's default)
// that runs `body` and ends with its result. When no thread can be made, the body runs on the
// calling thread instead, with that thread's stack.
#include <cstdint>
#include <functional>

int runOnVmThread(std::uint64_t stackSize, const std::function<int()>& body);
