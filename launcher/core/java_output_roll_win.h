#pragma once
// "Output File" and "Error File" roll at start, keeping one generation: the file the previous run left
// becomes `<name>.1` (an older one is replaced) before Java opens, and so empties, it. A service that
// recovery restarted still has the output that tells why it stopped.
#include "error_lines.h"
#include "launch_log.h"
#include "log_file_rules.h"

#include <string>

// What Java's standard output and error are pointed at for this run.
struct JavaOutputFiles {
    std::wstring output, error;  // as configured; empty: that stream stays where it is
    bool appendOutput = false;   // the previous run's file could not be kept: Java adds to it
    bool appendError = false;
    bool errorIsOutput = false;  // both keys name one file: one stream for both, on `output`
};

// Refuses a file that is the log at `logPath` (empty: no log), its old copy, or a folder, with an
// error line naming it; rolls each other file once (relative paths mean the working folder, as they
// do to Java). When the roll fails, the old copy is cleared of read-only and deleted, and the roll
// tried again, as the log's is; failing that, Java adds to the file this run, and the log says so. A
// file in the folder of the log, when that is not the program's own folder but one the launcher makes
// for its log, is created anew readable by SYSTEM, Administrators and this account only, as the log
// is, and its `.1` gets those rights when it lacks them. `rotationFiles` (null: the file system's) moves and
// deletes; tests pass one that refuses what Windows refuses and Wine allows.
JavaOutputFiles prepareJavaOutputs(const std::wstring& output, const std::wstring& error, const std::wstring& logPath,
                                   const std::wstring& programPath, ErrorLines& errors, LaunchLog& log,
                                   LogFileRules::RotationFiles* rotationFiles = nullptr);
