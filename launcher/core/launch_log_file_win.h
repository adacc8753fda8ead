#pragma once
// The launcher log as a file: lines written before the file's place is known (the configuration
// says it) are held and written when it opens. A log that cannot be opened, or that fails a check,
// never stops a launch: the run goes on without it, and `refusal` says why for the event log.
#include "launch_log.h"
#include "log_file_handles_win.h"
#include "unique_handle_win.h"

#include <mutex>
#include <string>
#include <vector>

class LaunchLogFile : public LaunchLog {
public:
    explicit LaunchLogFile(FileFactsReader facts = systemFileFacts) : facts_(std::move(facts)) {}

    // Makes the missing folders of `path`; judges the log's folder, the log and its old copy, all
    // opened without following links (owner_only_log_win.h); appends to `path`, readable by SYSTEM,
    // Administrators and this account only, as are the folders it makes and the old copy; rotates a
    // file over the size limit through its handle (one process at a time). `firstLine` comes first
    // (after the line of a log begun in place of one moved aside), then what was done to the files,
    // then the held lines with their times.
    void open(const std::wstring& path, const std::wstring& firstLine);
    // Why this run has no log although one was asked for: which file and why; empty otherwise.
    std::wstring refusal();
    // No log for this run: the held lines are dropped and later ones too.
    void discard();
    void write(const std::wstring& text) override;

private:
    void writeLocked(const std::wstring& line);

    // Opens, judges and rotates the log; fills `notes` and `firstLine`, or `refusal_`.
    void openChecked(const std::wstring& full, std::vector<std::wstring>& notes, std::wstring& firstLine);

    FileFactsReader facts_;
    std::mutex lock_;
    Win::UniqueFileHandle file_;
    std::wstring refusal_;
    bool decided_ = false;
    std::vector<std::wstring> held_;
};

// The name of the lock that one process at a time holds to rotate the log at `path`: the same for
// every spelling of one file (relative parts, '/' for '\', letter case).
std::wstring logRotationLockName(const std::wstring& path);
