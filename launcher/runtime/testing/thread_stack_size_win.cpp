#include "thread_stack_size.h"

#include <windows.h>

// The whole reservation that holds this thread's stack: every region sharing its allocation base.
std::uint64_t currentThreadStackSize() {
    MEMORY_BASIC_INFORMATION info{};
    volatile char here = 0;
    if (!VirtualQuery(const_cast<char*>(&here), &info, sizeof info)) return 0;
    char* const base = static_cast<char*>(info.AllocationBase);
    std::uint64_t total = 0;
    for (char* p = base; VirtualQuery(p, &info, sizeof info) && info.AllocationBase == base; p += info.RegionSize)
        total += info.RegionSize;
    return total;
}
