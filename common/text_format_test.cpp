#include "text_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#ifdef __unix__
#include <sys/mman.h>
#include <unistd.h>
#endif

using TextFormat::format;

TEST(TextFormat, FillsTextAndNumbersInOrder) {
    EXPECT_EQ(format(L"%s of %s files sent (%d%%)", {L"1,200", L"3,400", 35}), L"1,200 of 3,400 files sent (35%)");
    EXPECT_EQ(format(L"Error: %s \n", {std::wstring(L"x")}), L"Error: x \n");
    EXPECT_EQ(format(L"%d|%i|%u|%x|%X", {-7, 8, 9u, 255, 255}), L"-7|8|9|ff|FF");
    EXPECT_EQ(format(L"%I64d %lld %ld", {-5000000000LL, 5000000000LL, 3L}), L"-5000000000 5000000000 3");
    EXPECT_EQ(format(L"%d", {static_cast<long long>(INT64_MIN)}), L"-9223372036854775808");
}

TEST(TextFormat, WidthPrecisionAndFlags) {
    EXPECT_EQ(format(L"[%5d][%-5d][%05d][%02d]", {42, 42, -42, 7}), L"[   42][42   ][-0042][07]");
    EXPECT_EQ(format(L"%.1f GB", {1.0}), L"1.0 GB");
    EXPECT_EQ(format(L"%.1f", {1023.99}), L"1024.0");
    EXPECT_EQ(format(L"%.3s|%4s|%-4s|", {L"abcdef", L"ab", L"ab"}), L"abc|  ab|ab  |");
    EXPECT_EQ(format(L"%.2f", {-0.5}), L"-0.50");
}

TEST(TextFormat, ArgumentTextIsNeverAPattern) {
    EXPECT_EQ(format(L"%s", {L"%s %d %%"}), L"%s %d %%");
}

TEST(TextFormat, BadPatternsGiveEmptyResult) {
    std::wstring out = L"old";
    EXPECT_EQ(TextFormat::format(out, 64, L"%s %s", {L"one"}), -1) << "missing argument";
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(TextFormat::format(out, 64, L"%d", {L"text"}), -1) << "wrong kind";
    EXPECT_EQ(TextFormat::format(out, 64, L"%s", {5}), -1);
    EXPECT_EQ(TextFormat::format(out, 64, L"trailing %", {}), -1);
    EXPECT_EQ(TextFormat::format(out, 64, L"%q", {1}), -1);
}

TEST(TextFormat, LimitCountsTheTerminator) {
    std::wstring out;
    EXPECT_EQ(TextFormat::format(out, 4, L"%s", {L"abc"}), 3);
    EXPECT_EQ(out, L"abc");
    EXPECT_EQ(TextFormat::format(out, 3, L"%s", {L"abc"}), -1);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(TextFormat::format(out, 0, L"", {}), -1);
    EXPECT_EQ(TextFormat::format(out, 1, L"", {}), 0);
    EXPECT_EQ(TextFormat::format(out, 4, L"abc%s", {L""}), 3);
    EXPECT_EQ(TextFormat::format(out, 4, L"ab%%", {}), 3);
    EXPECT_EQ(TextFormat::format(out, 4, L"ab%%%%", {}), -1);
    EXPECT_EQ(TextFormat::format(out, 4, L"%4d", {1}), -1);

#ifdef __unix__
    // An argument far longer than the limit is never read: its text runs into memory that cannot be.
    const long page = sysconf(_SC_PAGESIZE);
    auto* pages = static_cast<char*>(mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(pages, MAP_FAILED);
    ASSERT_EQ(mprotect(pages + page, page, PROT_NONE), 0);
    auto* text = reinterpret_cast<wchar_t*>(pages + page) - 8;
    std::fill(text, text + 8, L'n');
    EXPECT_EQ(TextFormat::format(out, 128, L"%s is still running", {std::wstring_view(text, 1 << 20)}), -1);
    EXPECT_EQ(TextFormat::format(out, 128, L"%.8s", {std::wstring_view(text, 1 << 20)}), 8);
    munmap(pages, 2 * page);
#endif
}
