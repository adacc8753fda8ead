#pragma once
// Test helper: collects tray log lines as "LEVEL|source|text" while alive.
#include <string>
#include <vector>

#include "tray_log.h"

class LogCapture {
public:
    LogCapture() {
        previous_ = TrayLog::setSink([this](std::wstring_view level, std::wstring_view source, std::wstring_view text) {
            lines.push_back(std::wstring(level) + L"|" + std::wstring(source) + L"|" + std::wstring(text));
        });
    }
    ~LogCapture() { TrayLog::setSink(std::move(previous_)); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::wstring> lines;

private:
    TrayLog::Sink previous_;
};
