#include "text_format.h"

#include <gtest/gtest.h>

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
}
