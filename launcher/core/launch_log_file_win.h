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
    // Renames a file over the size limit to `<path>.1`, then appends to `path`; the held lines follow.
    void open(const std::wstring& path);
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
