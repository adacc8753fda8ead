#pragma once
// Where the launcher log goes and how its lines look. Pure functions; launch_log_file_win.h writes.
#include <cstdint>
#include <string>

namespace LogFileRules {

// A log that has grown past this is renamed to `<path>.1` at the next start (one old file kept).
inline constexpr std::uint64_t kRotationBytes = 1024 * 1024;

// The log's path from the "Log File" value (already %VARIABLE%-expanded): relative paths mean the
// program's folder. An empty value means `<program base name>.log` beside the program in service
// mode, where standard output reaches no one, and no log otherwise (empty result).
std::wstring logFilePath(const std::wstring& setting, const std::wstring& programPath, bool serviceMode);

bool needsRotation(std::uint64_t size);
std::wstring rotatedPath(const std::wstring& path);

struct LocalTime {
    unsigned year, month, day, hour, minute, second, millisecond;
};

// "2026-12-08 10:40:34.123 [thread 1234] text", without a line end; line ends inside `text` become
// " | " so that one event stays one line.
std::wstring logLine(const LocalTime& time, unsigned long threadId, const std::wstring& text);

}  // namespace LogFileRules
