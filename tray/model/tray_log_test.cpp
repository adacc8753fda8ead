#include "tray_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(TrayLog, SendsThroughTheSinkButNeverFine) {
    std::vector<std::wstring> lines;
    TrayLog::setSink([&](std::wstring_view level, std::wstring_view source, std::wstring_view text) {
        lines.push_back(std::wstring(level) + L"|" + std::wstring(source) + L"|" + std::wstring(text));
    });
    trayLog(L"INFO", L"VaultwickApp::onMenuClose", L"MENU - Exit...");
    trayLog(L"FINE", L"VaultwickApp::onMenuComputer", L"Show computer command is \"x\"");
    trayLogCode(L"SEVERE", L"Messages::TokenMessage::toBytes", L"Unable to send TokenMessage, failed to convert bytes.", -42);
    TrayLog::setSink(nullptr);
    trayLog(L"INFO", L"dropped", L"no sink");

    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], L"INFO|VaultwickApp::onMenuClose|MENU - Exit...");
    EXPECT_EQ(lines[1], L"SEVERE|Messages::TokenMessage::toBytes|Unable to send TokenMessage, failed to convert bytes. error=-42");
}
