#pragma once
// The stack size the calling thread was given, in bytes (test helper).
#include <cstdint>

std::uint64_t currentThreadStackSize();
