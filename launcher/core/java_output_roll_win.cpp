#include "java_output_roll_win.h"

#include "full_path_win.h"
#include "owner_only_log_win.h"
#include "owner_only_security_win.h"
#include "process_environment.h"
#include "text_format.h"
#include "unique_handle_win.h"

#include <windows.h>

namespace {

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The roll of one file; in the log's folder, the protection the log has.
void roll(const std::wstring& path, bool protect, std::vector<std::wstring>& lines) {
    const std::wstring kept = path + L".1";
    const bool rolled = exists(path) && MoveFileExW(path.c_str(), kept.c_str(), MOVEFILE_REPLACE_EXISTING);
    if (!rolled && exists(path)) {
        lines.push_back(TextFormat::format(L"Java output file %s could not be kept as .1, so Java empties it (errno = %lu)",
                                           {path, GetLastError()}));
    }
    if (!protect) return;
    // An earlier build left its output with the folder's rights: the copy gets the log's, as its old copy does.
    protectOldLog(kept, lines);
    // Java's open empties the file but keeps its rights, which its .1 keeps in turn at the next start.
    OwnerOnlySecurity security;
    Win::UniqueFileHandle made(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           security.attributes(), CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!made) protectOldLog(path, lines);  // not rolled: the file stays, with the log's rights
}

}  // namespace

std::vector<std::wstring> rollJavaOutputs(const std::vector<std::wstring>& paths, const std::wstring& logPath,
                                          const std::wstring& programPath) {
    std::wstring protectedFolder = logPath.empty() ? std::wstring() : cutPathComponents(Win::fullPathOf(logPath), 1);
    if (Win::samePath(protectedFolder, cutPathComponents(programPath, 1))) protectedFolder.clear();
    std::vector<std::wstring> lines, rolled;
    for (const std::wstring& path : paths) {
        if (path.empty()) continue;
        const std::wstring full = Win::fullPathOf(path);
        bool seen = false;
        for (const std::wstring& done : rolled) seen = seen || Win::samePath(done, full);
        if (seen) continue;
        rolled.push_back(full);
        roll(full, !protectedFolder.empty() && Win::samePath(cutPathComponents(full, 1), protectedFolder), lines);
    }
    return lines;
}
