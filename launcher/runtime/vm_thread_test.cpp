#include "vm_thread.h"

#include "thread_stack_size.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(VmThread, RunsTheBodyOnAnotherThreadAndEndsWithItsResult) {
    const auto caller = std::this_thread::get_id();
    std::thread::id ranOn = caller;
    const int code = runOnVmThread(0, [&] {
        ranOn = std::this_thread::get_id();
        return 42;
    });
    EXPECT_EQ(code, 42);
    EXPECT_NE(ranOn, caller);
}

// At least the size asked for: the C library may hand out a larger cached stack. 32 MiB is beyond
// every default, so it only passes when the size really was requested.
TEST(VmThread, GetsTheRequestedStackSize) {
    for (std::uint64_t size : {std::uint64_t(2) << 20, std::uint64_t(32) << 20}) {
        std::uint64_t seen = 0;
        runOnVmThread(size, [&] {
            seen = currentThreadStackSize();
            return 0;
        });
        EXPECT_GE(seen, size);
    }
}

}  // namespace
