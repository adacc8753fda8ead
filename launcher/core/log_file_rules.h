#pragma once
// Where the launcher log goes and how its lines look. Pure functions; launch_log_file_win.h writes.
#include <cstdint>
#include <string>
#include <vector>

namespace LogFileRules {

// A log that has grown past this is renamed to `<path>.1` at the next start (one old file kept).
inline constexpr std::uint64_t kRotationBytes = 1024 * 1024;

// The log's path from the "Log File" value (already %VARIABLE%-expanded): relative paths mean the
// program's folder. An empty value means `<program base name>.log` beside the program in service
// mode, where standard output reaches no one, and no log otherwise (empty result).
std::wstring logFilePath(const std::wstring& setting, const std::wstring& programPath, bool serviceMode);

bool needsRotation(std::uint64_t size);
std::wstring rotatedPath(const std::wstring& path);

// The folders to create, outermost first, so that the log's folder exists: every folder of the
// path below its root (the drive, `\\server\share`, or `\\?\C:`). Creating one that exists is
// harmless, so all of them are listed.
std::vector<std::wstring> foldersOf(const std::wstring& path);

// The system's error for a file that another process holds open (ERROR_SHARING_VIOLATION).
inline constexpr unsigned long kHeldOpen = 32;

// The file operations rotation needs; each returns 0 or the system's error number.
class RotationFiles {
public:
    virtual ~RotationFiles() = default;
    virtual unsigned long replace(const std::wstring& from, const std::wstring& to) = 0;  // over an existing `to`
    virtual unsigned long remove(const std::wstring& path) = 0;                          // read-only ones too
    // (kHeldOpen when another process has it open)
    virtual unsigned long truncate(const std::wstring& path) = 0;
    // Whether `path` itself could be moved now: 0, or why not (open elsewhere without delete sharing).
    virtual unsigned long movable(const std::wstring& path) = 0;
};

// Moves the log to `rotatedPath(path)`. When that fails because the log itself cannot be moved (a
// reader holds it open), nothing is touched: this run appends, the next start tries again. Otherwise
// the old rotated file is in the way: it is deleted and the move tried once more. When the old file is
// held open (`kHeldOpen`), it is left and this run appends too. When it cannot be deleted for another
// reason, the log is emptied, so that it cannot grow without bound, but only while the old rotated file
// is still there: one generation always survives. Returns the one log line that says what went wrong,
// or an empty text when the plain move worked.
std::wstring rotate(const std::wstring& path, RotationFiles& files);

// The name of the named mutex that lets one process at a time rotate the log at `path`: processes
// of every session share it. `path` must already be one spelling per file (full, one case); a
// mutex name cannot hold a backslash and is at most MAX_PATH long, so backslashes become '/' and a path
// too long for that is replaced by its hash.
std::wstring rotationLockName(const std::wstring& path);

// Who owns an existing log or folder and who its DACL lets in, as SID strings, for deciding whether
// it is still only ours.
struct AccessEntry {
    bool allows;           // an access-allowed entry; any other kind but a denial counts as letting in
    std::wstring sid;
    std::uint32_t mask;
    std::uint8_t flags;    // inheritance flags; none on a protected file DACL of ours
    bool denies = false;   // an access-denied entry, which lets no one in
};
struct FileAccess {
    std::wstring owner;
    bool hasDacl = false;  // no DACL lets everyone in
    bool daclProtected = false;
    std::vector<AccessEntry> entries;
};

// What the system reports of the log, its old copy or its folder, opened without following a link.
struct FileFacts {
    FileAccess access;
    bool reparsePoint = false;  // a symbolic link, junction or mount point itself
    bool directory = false;
    unsigned long links = 1;    // the file's names (hard links)
    std::uint64_t size = 0;
};

inline const wchar_t kSystemSid[] = L"S-1-5-18";
inline const wchar_t kAdministratorsSid[] = L"S-1-5-32-544";
inline constexpr std::uint32_t kFileAllAccess = 0x1F01FF;

enum class LogAccessVerdict {
    Keep,           // owned by SYSTEM, Administrators or `account`, and only they may open it
    ReplaceRights,  // only they may open it, but the rights are not our own (inherited, not protected)
    OthersMayOpen,  // a trusted owner, but rights that let others in: they may hold it open already
    OwnedByOthers,  // someone else owns it: they may read it and change its rights whatever we set
};
struct LogAccessJudgement {
    LogAccessVerdict verdict;
    std::wstring why;  // for the log; empty for Keep
};

// The verdict on an existing log for a process running as `account` (its SID string). Expected: a
// protected DACL of full access for SYSTEM, Administrators and `account`, and nothing else.
LogAccessJudgement judgeLogAccess(const FileAccess& access, const std::wstring& account);

// Why the log's folder cannot hold the log, or empty when it can: it must be a folder itself (not a
// link to one), owned by SYSTEM, Administrators or `account`, and let no one else add files or
// folders, delete what is in it or change its rights, so that nothing in it is planted.
std::wstring folderRefusal(const FileFacts& folder, const std::wstring& account);

// Why an existing log or old copy must not be written, moved or deleted, or empty: a link or a file
// with other names leads to a file that is not ours.
std::wstring fileRefusal(const FileFacts& file);

// The names, in the order tried, for an existing log moved aside so that a new one is made in its
// place: `attempt` 0 is `<path>.untrusted`, then `<path>.untrusted-2` and so on.
std::wstring movedAsidePath(const std::wstring& path, unsigned attempt);
inline constexpr unsigned kMovedAsideAttempts = 100;

struct LocalTime {
    unsigned year, month, day, hour, minute, second, millisecond;
};

// "2026-12-08 10:40:34.123 [thread 1234] text", without a line end; line ends inside `text` become
// " | " so that one event stays one line.
std::wstring logLine(const LocalTime& time, unsigned long threadId, const std::wstring& text);

}  // namespace LogFileRules
