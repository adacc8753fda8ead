#pragma once
// The launcher log opened so that only SYSTEM, Administrators and this account can read it, also when
// it is left by an earlier build, whose log took its folder's rights, or was made first by someone
// else in a folder where anyone may create files.
#include "log_file_rules.h"
#include "unique_handle_win.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// The verdict on an existing log, open in `file`, and its owner as a SID string.
using LogAccessJudge = std::function<LogFileRules::LogAccessVerdict(HANDLE file, std::wstring& owner)>;
// By the file's owner and DACL, as the system reports them. Tests pass their own judge: Wine reports
// only what permission bits can say.
LogFileRules::LogAccessVerdict judgeBySecurity(HANDLE file, std::wstring& owner);

// Opens `path` for appending, creating it protected when missing. An existing log with other rights
// gets the protected ones; one owned by someone other than SYSTEM, Administrators or this account is
// moved aside and a new log made. What was done is added to `notes`; an invalid handle means no log.
Win::UniqueFileHandle openOwnerOnlyLog(const std::wstring& path, std::vector<std::wstring>& notes,
                                       const LogAccessJudge& judge = judgeBySecurity);

// The old copy kept by rotation gets the protected rights too when they let others in; nothing when
// it does not exist.
void protectOldLog(const std::wstring& path, std::vector<std::wstring>& notes);

// A security descriptor's owner and DACL as the rules judge them; false when they cannot be read.
bool fileAccessOf(PSECURITY_DESCRIPTOR descriptor, LogFileRules::FileAccess& access);
