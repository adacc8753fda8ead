#include "kov_text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "main_application.h"
#include "tray_log.h"
#include "tray_test_support.h"

using namespace KovToolkit;

namespace {

struct LogCapture {
    struct Line {
        std::wstring level, source, text;
    };
    std::vector<Line> lines;
    LogCapture() {
        TrayLog::setSink([this](std::wstring_view l, std::wstring_view s, std::wstring_view t) {
            lines.push_back({std::wstring(l), std::wstring(s), std::wstring(t)});
        });
    }
    ~LogCapture() { TrayLog::setSink({}); }
};

TEST(FormatBytes, UnitBoundariesAndNegativeCounts) {
    EXPECT_EQ(formatBytes(1023, 128), L"1023 bytes");
    EXPECT_EQ(formatBytes(1024, 128), L"1.0 KB");
    EXPECT_EQ(formatBytes(1536, 128), L"1.5 KB");
    EXPECT_EQ(formatBytes(1048575, 128), L"1024.0 KB");
    EXPECT_EQ(formatBytes(1048576, 128), L"1.0 MB");
    EXPECT_EQ(formatBytes(1073741824, 128), L"1.0 GB");
    EXPECT_EQ(formatBytes(5LL * 1073741824 * 1024, 128), L"5120.0 GB");
    EXPECT_EQ(formatBytes(-5, 128), L"0 bytes");
    EXPECT_EQ(formatBytes(0, 128), L"0 bytes");
}

TEST(FormatBytes, TextThatDoesNotFitTheCapacityIsEmpty) {
    EXPECT_EQ(formatBytes(1536, 8), L"1.5 KB");  // 6 characters fit in capacity - 1 - 1
    EXPECT_EQ(formatBytes(1536, 7), L"");
}

TEST(FormatDuration, EachRangeAndItsBoundaries) {
    EXPECT_EQ(formatDuration(59, 128), L"less than a minute");
    EXPECT_EQ(formatDuration(-100, 128), L"less than a minute");
    EXPECT_EQ(formatDuration(60, 128), L"1 minute");
    EXPECT_EQ(formatDuration(90, 128), L"1 minute");
    EXPECT_EQ(formatDuration(120, 128), L"2 minutes");
    EXPECT_EQ(formatDuration(3599, 128), L"59 minutes");
    EXPECT_EQ(formatDuration(3600, 128), L"1 hour");
    EXPECT_EQ(formatDuration(3700, 128), L"1 hour");
    EXPECT_EQ(formatDuration(5400, 128), L"1.5 hours");
    EXPECT_EQ(formatDuration(7200, 128), L"2 hours");
    EXPECT_EQ(formatDuration(86399, 128), L"24.0 hours");
    EXPECT_EQ(formatDuration(86400, 128), L"1 day");
    EXPECT_EQ(formatDuration(129600, 128), L"1.5 days");
    EXPECT_EQ(formatDuration(172800, 128), L"2 days");
    EXPECT_EQ(formatDuration(169344, 128), L"2.0 days");  // 1.96 days rounds up in the one-decimal form
    EXPECT_EQ(formatDuration(1000LL * 86400, 128), L"1000 days");
}

TEST(FormatNumber, GroupsByTheLeadingGroupingDigitOfTheLocale) {
    TrayTest::FakeNumberLocale locale;
    EXPECT_EQ(formatNumber(1234567, locale), L"1,234,567");
    EXPECT_EQ(locale.lastFormat.grouping, 3u);
    EXPECT_EQ(locale.lastFormat.thousandSeparator, L",");
    EXPECT_EQ(locale.lastFormat.leadingZero, 1u);

    locale.grouping = L"3;2;0";  // read as a plain integer: groups of three, not the Indian 2-group form
    EXPECT_EQ(formatNumber(123456789, locale), L"123,456,789");
    EXPECT_EQ(locale.lastFormat.grouping, 3u);

    locale.grouping = L"";
    formatNumber(5, locale);
    EXPECT_EQ(locale.lastFormat.grouping, 0u);
}

TEST(FormatNumber, NegativeBecomesZeroAndFailureFallsBackToPlainDigits) {
    TrayTest::FakeNumberLocale locale;
    EXPECT_EQ(formatNumber(-42, locale), L"0");
    locale.fail = true;
    EXPECT_EQ(formatNumber(1234567, locale), L"1234567");
}

TEST(LeadingNumber, ReadsOnlyLeadingDigits) {
    EXPECT_EQ(leadingNumber(L"3;2;0"), 3u);
    EXPECT_EQ(leadingNumber(L"12x"), 12u);
    EXPECT_EQ(leadingNumber(L"x12"), 0u);
    EXPECT_EQ(leadingNumber(L""), 0u);
}

TEST(LoadString, ReadsWholeEntriesByDoubling) {
    TrayTest::FakeStringTable table;
    std::wstring longText(200, L'x');
    longText[199] = L'!';
    table.texts[900] = longText;
    table.texts[901] = L"ab";  // 4-capacity read leaves 2 free: one more read needed
    table.texts[902] = L"a";

    table.reads = 0;
    EXPECT_EQ(loadString(table, 900), longText);
    EXPECT_EQ(table.reads, 7);  // 4, 8, ..., 256
    EXPECT_EQ(loadString(table, 901), L"ab");
    EXPECT_EQ(loadString(table, 902), L"a");
    EXPECT_EQ(loadString(table, 12345), L"");
    EXPECT_EQ(loadString(table, IDS_FILES_SENT), L"%s of %s files sent (%d%%)");
}

TEST(NumberConversions, FullRangeAndSignedDWord) {
    EXPECT_EQ(fromLong(4294967296LL * 3 + 7), L"12884901895");
    EXPECT_EQ(fromLong(-9223372036854775807LL - 1), L"-9223372036854775808");
    EXPECT_EQ(fromDWord(4294967295u), L"-1");
    EXPECT_EQ(fromDWord(2147483648u), L"-2147483648");
    EXPECT_EQ(fromDWord(17u), L"17");
    EXPECT_EQ(fromInt(-5), L"-5");
}

TEST(TextConversions, StandardRulesWithSaturation) {
    EXPECT_EQ(toLong(L"  -123abc"), -123);
    EXPECT_EQ(toLong(L"+42"), 42);
    EXPECT_EQ(toLong(L"abc"), 0);
    EXPECT_EQ(toLong(L"99999999999999999999"), INT64_MAX);
    EXPECT_EQ(toLong(L"-99999999999999999999"), INT64_MIN);
    EXPECT_EQ(toInt(L"4294967296"), INT32_MAX);
    EXPECT_EQ(toInt(L"-4294967296"), INT32_MIN);
    EXPECT_EQ(toInt(L"1234"), 1234);

    EXPECT_TRUE(toBool(L"true"));
    EXPECT_FALSE(toBool(L"True"));
    EXPECT_FALSE(toBool(L"TRUE"));
    EXPECT_FALSE(toBool(L" true"));
    EXPECT_FALSE(toBool(L"true "));
    EXPECT_FALSE(toBool(L"1"));
}

TEST(FitVisibly, CutsWithAVisibleEllipsis) {
    EXPECT_EQ(fitVisibly(L"short", 10), L"short");
    EXPECT_EQ(fitVisibly(L"0123456789", 10), L"0123456789");
    EXPECT_EQ(fitVisibly(L"0123456789A", 10), L"0123456...");
    EXPECT_EQ(fitVisibly(L"0123456789", 2), L"..");
    EXPECT_EQ(fitVisibly(L"0123456789", 0), L"");
}

TEST(MainApplicationCommandLine, ProgramIsQuotedAndArgumentsKept) {
    EXPECT_EQ(buildMainApplicationCommandLine(L"C:\\Program Files\\Vault\\BackupDesktop", L"\"dir=C:\\Program Files\\Vault\\\""),
              L"\"C:\\Program Files\\Vault\\BackupDesktop\" \"dir=C:\\Program Files\\Vault\\\"");
    EXPECT_EQ(buildMainApplicationCommandLine(L"Desktop", L"computerFullAddress=10.0.0.7:4242"),
              L"\"Desktop\" computerFullAddress=10.0.0.7:4242");
    EXPECT_EQ(buildMainApplicationCommandLine(L"Desktop", L""), L"\"Desktop\"");
}

TEST(MainApplicationCommandLine, TooLongOrUnsafeProgramIsRefusedWithALogLine) {
    LogCapture log;
    std::wstring program(200, L'p');
    EXPECT_EQ(buildMainApplicationCommandLine(program, std::wstring(52, L'a')).size(), 255u);  // 202 + 1 + 52
    EXPECT_EQ(buildMainApplicationCommandLine(program, std::wstring(53, L'a')), L"");
    EXPECT_EQ(buildMainApplicationCommandLine(L"C:\\x\" calc", L""), L"");
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_EQ(log.lines[0].level, L"SEVERE");
    EXPECT_EQ(log.lines[0].source, L"KovToolkit::runMainApplication");
    EXPECT_THAT(log.lines[0].text, ::testing::StartsWith(L"Unable to copy command string. error="));
}

}  // namespace
