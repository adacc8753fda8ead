#pragma once
// "Output File" and "Error File" roll at start, keeping one generation: the file the previous run left
// becomes `<name>.1` (an older one is replaced) before Java opens, and so empties, it. A service that
// recovery restarted still has the output that tells why it stopped.
#include <string>
#include <vector>

// Rolls each file of `paths` once (empty entries and a file named twice are skipped; relative paths
// mean the working folder, as they do to Java). A file in the folder of the log at `logPath` (empty:
// no log), when that is not the program's own folder but one the launcher makes for its log, is
// created anew readable by SYSTEM, Administrators and this account only, as the log is, and its `.1`
// gets those rights when it lacks them. Returns the log lines of what was done or went wrong.
std::vector<std::wstring> rollJavaOutputs(const std::vector<std::wstring>& paths, const std::wstring& logPath,
                                          const std::wstring& programPath);
