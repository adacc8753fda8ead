#include "unique_handle_win.h"

#include <gtest/gtest.h>

TEST(UniqueHandle, ClosesOnceAndKeepsLastError) {
    HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(raw, nullptr);
    {
        Win::UniqueHandle owner(raw);
        Win::UniqueHandle moved(std::move(owner));
        EXPECT_FALSE(owner.valid());
        EXPECT_EQ(moved.get(), raw);
        SetLastError(1234);
        moved.reset();
        EXPECT_EQ(GetLastError(), 1234u) << "closing must not clobber the caller's error";
        EXPECT_FALSE(moved.valid());
    }
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(raw, &flags)) << "the handle was closed";
}

TEST(UniqueHandle, ReleaseGivesUpOwnership) {
    Win::UniqueHandle owner(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    HANDLE raw = owner.release();
    EXPECT_FALSE(owner.valid());
    DWORD flags = 0;
    EXPECT_TRUE(GetHandleInformation(raw, &flags));
    CloseHandle(raw);
}
