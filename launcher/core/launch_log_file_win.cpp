#include "launch_log_file_win.h"

#include "log_file_rules.h"

#include <windows.h>

namespace {

// Enough for everything a start-up says before the configuration is read.
constexpr std::size_t kMostHeldLines = 256;

std::string toUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(size > 0 ? size : 0, '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), size, nullptr, nullptr);
    return narrow;
}

std::wstring stampedLine(const std::wstring& text) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    LogFileRules::LocalTime time{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
    return LogFileRules::logLine(time, GetCurrentThreadId(), text);
}

void rotateIfLarge(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return;
    const std::uint64_t size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    if (LogFileRules::needsRotation(size)) {
        MoveFileExW(path.c_str(), LogFileRules::rotatedPath(path).c_str(), MOVEFILE_REPLACE_EXISTING);
    }
}

}  // namespace

void LaunchLogFile::open(const std::wstring& path) {
    std::lock_guard<std::mutex> hold(lock_);
    if (decided_) return;
    decided_ = true;
    rotateIfLarge(path);
    // Appending writes land whole at the end, and others may read the log while it grows.
    file_.reset(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    for (const std::wstring& line : held_) writeLocked(line);
    held_.clear();
}

void LaunchLogFile::discard() {
    std::lock_guard<std::mutex> hold(lock_);
    decided_ = true;
    held_.clear();
}

void LaunchLogFile::write(const std::wstring& text) {
    std::lock_guard<std::mutex> hold(lock_);
    if (decided_ && !file_) return;  // no log this run
    std::wstring line = stampedLine(text);  // stamped when it happened, even if written later
    if (!decided_) {
        if (held_.size() < kMostHeldLines) held_.push_back(std::move(line));
        return;
    }
    writeLocked(line);
}

void LaunchLogFile::writeLocked(const std::wstring& line) {
    if (!file_) return;
    const std::string bytes = toUtf8(line + L"\r\n");
    DWORD written = 0;
    WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}
