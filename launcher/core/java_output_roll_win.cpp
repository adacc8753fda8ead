#include "java_output_roll_win.h"

#include "full_path_win.h"
#include "log_file_rules.h"
#include "owner_only_log_win.h"
#include "owner_only_security_win.h"
#include "process_environment.h"
#include "rotation_files_win.h"
#include "text_format.h"
#include "unique_handle_win.h"

#include <windows.h>

#include <vector>

namespace {

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool isFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Java would empty the launcher log or its old copy, or have a folder renamed by the roll.
bool mayNotTakeJavaOutput(const std::wstring& full, const std::wstring& logFull) {
    if (!logFull.empty() &&
        (Win::samePath(full, logFull) || Win::samePath(full, LogFileRules::rotatedPath(logFull))))
        return true;
    return isFolder(full);
}

// Keeps the previous run's file as `.1`; false when it could not, so that Java must add to it.
bool keepPreviousRun(const std::wstring& path, LogFileRules::RotationFiles& files, LaunchLog& log) {
    if (!exists(path)) return true;
    const std::wstring kept = LogFileRules::rotatedPath(path);
    const unsigned long moved = files.replace(path, kept);
    if (moved == 0) return true;
    std::wstring why;
    if (const unsigned long held = files.movable(path)) {
        // Deleting the old copy would not help, and would lose it.
        why = TextFormat::format(L"(errno = %lu): the file itself is held open (errno = %lu)", {moved, held});
    } else {
        const unsigned long removed = files.remove(kept);
        const unsigned long movedAgain = files.replace(path, kept);
        if (movedAgain == 0) return true;
        why = TextFormat::format(L"(errno = %lu), also after deleting the old one (errno = %lu, %lu)",
                                 {moved, removed, movedAgain});
    }
    log.write(TextFormat::format(L"Java output file %s could not be moved to %s %s, so Java adds to it this run",
                                 {path, kept, why}));
    return false;
}

// The roll of one file; in the log's folder, the protection the log has.
bool roll(const std::wstring& path, bool protect, LogFileRules::RotationFiles& files, LaunchLog& log) {
    const bool rolled = keepPreviousRun(path, files, log);
    if (!protect) return rolled;
    std::vector<std::wstring> lines;
    // An earlier build left its output with the folder's rights: the copy gets the log's, as its old copy does.
    protectOldLog(LogFileRules::rotatedPath(path), lines);
    // Java's open empties the file but keeps its rights, which its .1 keeps in turn at the next start.
    OwnerOnlySecurity security;
    Win::UniqueFileHandle made(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           security.attributes(), CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!made) protectOldLog(path, lines);  // not rolled: the file stays, with the log's rights
    for (const std::wstring& line : lines) log.write(line);
    return rolled;
}

}  // namespace

JavaOutputFiles prepareJavaOutputs(const std::wstring& output, const std::wstring& error, const std::wstring& logPath,
                                   const std::wstring& programPath, ErrorLines& errors, LaunchLog& log,
                                   LogFileRules::RotationFiles* rotationFiles) {
    Win32RotationFiles byName;
    LogFileRules::RotationFiles& rotation = rotationFiles ? *rotationFiles : byName;
    const std::wstring logFull = logPath.empty() ? std::wstring() : Win::fullPathOf(logPath);
    std::wstring protectedFolder = cutPathComponents(logFull, 1);
    if (Win::samePath(protectedFolder, cutPathComponents(programPath, 1))) protectedFolder.clear();
    auto prepare = [&](const wchar_t* key, const std::wstring& path, bool& append) {
        if (path.empty()) return std::wstring();
        const std::wstring full = Win::fullPathOf(path);
        if (mayNotTakeJavaOutput(full, logFull)) {
            errors.print(LauncherText::JavaOutputRefused, {key, full});
            return std::wstring();
        }
        const bool inLogFolder = !protectedFolder.empty() && Win::samePath(cutPathComponents(full, 1), protectedFolder);
        append = !roll(full, inLogFolder, rotation, log);
        return path;  // as configured: Java names it so in what it says
    };
    JavaOutputFiles files;
    files.errorIsOutput = !output.empty() && !error.empty() && Win::samePath(output, error);
    files.output = prepare(L"Output File", output, files.appendOutput);
    if (!files.errorIsOutput) files.error = prepare(L"Error File", error, files.appendError);
    return files;
}
