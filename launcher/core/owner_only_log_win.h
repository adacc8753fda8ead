#pragma once
// The launcher log opened so that only SYSTEM, Administrators and this account can read it, also when
// it is left by an earlier build, whose log took its folder's rights, or was made first by someone
// else; and never through a link: a folder, log or old copy that someone could have planted is not used.
#include "log_file_handles_win.h"
#include "log_file_rules.h"
#include "unique_handle_win.h"

#include <windows.h>

#include <string>
#include <vector>

// Opens the log's `folder` itself and judges it (LogFileRules::folderRefusal). The handle, which
// shares no deletion, keeps the folder from being renamed or replaced while it is held. Returns why
// the folder cannot hold the log, or an empty text.
std::wstring openLogFolder(const std::wstring& folder, Win::UniqueFileHandle& handle,
                           const FileFactsReader& facts = systemFileFacts);

struct OwnerOnlyLog {
    Win::UniqueFileHandle file;   // appends; invalid when there is no log
    std::wstring refusal;         // why there is no log
    std::wstring firstLine;       // a log begun in place of one moved aside says so first
    unsigned long notMovable = 0; // why the log cannot be renamed: another process holds it open
};

// Opens `path` for appending, creating it protected when missing. A link or a file with other names
// is refused. An existing log with rights that are not its own gets the protected ones. One that
// others may open (they may hold it open already and read on) or that someone else owns is moved aside
// under a name not in use and a new log made. What was done is added to `notes`.
OwnerOnlyLog openOwnerOnlyLog(const std::wstring& path, std::vector<std::wstring>& notes,
                              const FileFactsReader& facts = systemFileFacts);

// The old copy kept by rotation gets the protected rights too when they let others in; nothing when
// it does not exist. Returns why it must not be touched (a link, or a file with other names), or empty.
std::wstring protectOldLog(const std::wstring& path, std::vector<std::wstring>& notes,
                           const FileFactsReader& facts = systemFileFacts);
