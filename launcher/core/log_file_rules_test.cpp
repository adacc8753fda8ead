// Where the launcher log goes, when it is rotated, and the shape of its lines.
#include "log_file_rules.h"

#include <gtest/gtest.h>


using namespace LogFileRules;

TEST(LogFileRules, PathFromTheSettingAndTheMode) {
    const std::wstring program = L"C:\\Apps\\VaultwickService.exe";
    EXPECT_EQ(logFilePath(L"", program, true), L"C:\\Apps\\VaultwickService.log");
    EXPECT_EQ(logFilePath(L"", program, false), L"");  // an ordinary program logs only when asked
    EXPECT_EQ(logFilePath(L"logs\\launch.log", program, false), L"C:\\Apps\\logs\\launch.log");
    EXPECT_EQ(logFilePath(L"D:\\var\\vw.log", program, true), L"D:\\var\\vw.log");
    EXPECT_EQ(logFilePath(L"\\\\server\\share\\vw.log", program, true), L"\\\\server\\share\\vw.log");
    EXPECT_EQ(logFilePath(L"\\var\\vw.log", program, true), L"\\var\\vw.log");
    // A program without an extension, and a dot only in a folder name.
    EXPECT_EQ(logFilePath(L"", L"C:\\Apps.v2\\VaultwickService", true), L"C:\\Apps.v2\\VaultwickService.log");
    EXPECT_EQ(logFilePath(L"", L"", true), L"");
}

TEST(LogFileRules, RotationPastOneMebibyte) {
    EXPECT_FALSE(needsRotation(1024 * 1024));
    EXPECT_TRUE(needsRotation(1024 * 1024 + 1));
    EXPECT_EQ(rotatedPath(L"C:\\Apps\\VaultwickService.log"), L"C:\\Apps\\VaultwickService.log.1");
}

TEST(LogFileRules, OneLinePerEventWithTimeAndThread) {
    const std::wstring line = logLine({2026, 12, 8, 9, 5, 3, 7}, 4242, L"Error: Could not find the main class x.\n");
    EXPECT_EQ(line, L"2026-12-08 09:05:03.007 [thread 4242] Error: Could not find the main class x.");
    EXPECT_EQ(logLine({2026, 1, 2, 3, 4, 5, 6}, 1, L"JNI exception: a\nReason: b.\r\n"),
              L"2026-01-02 03:04:05.006 [thread 1] JNI exception: a | Reason: b.");
}
