#pragma once
// The launcher log as a file: lines written before the file's place is known (the configuration
// says it) are held and written when it opens. A log that cannot be opened is skipped silently: the
// log never stops a launch.
#include "launch_log.h"
#include "unique_handle_win.h"

#include <mutex>
#include <string>
#include <vector>

class LaunchLogFile : public LaunchLog {
public:
    // Makes the missing folders of `path`, rotates a file over the size limit (one process at a time),
    // then appends to `path`, readable by SYSTEM, Administrators and this account only, as are the
    // folders it makes and the old copy (owner_only_log_win.h).
    // `firstLine` comes first, then what rotation had to say, then the held lines with their times.
    void open(const std::wstring& path, const std::wstring& firstLine);
    // No log for this run: the held lines are dropped and later ones too.
    void discard();
    void write(const std::wstring& text) override;

private:
    void writeLocked(const std::wstring& line);

    std::mutex lock_;
    Win::UniqueFileHandle file_;
    bool decided_ = false;
    std::vector<std::wstring> held_;
};

// The name of the lock that one process at a time holds to rotate the log at `path`: the same for
// every spelling of one file (relative parts, '/' for '\', letter case).
std::wstring logRotationLockName(const std::wstring& path);
