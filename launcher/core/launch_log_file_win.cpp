#include "launch_log_file_win.h"

#include "full_path_win.h"
#include "log_file_rules.h"
#include "owner_only_log_win.h"
#include "owner_only_security_win.h"
#include "process_environment.h"
#include "text_format.h"

#include <windows.h>

namespace {

// Enough for everything a start-up says before the configuration is read.
constexpr std::size_t kMostHeldLines = 256;

std::string toUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(size > 0 ? size : 0, '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), size, nullptr, nullptr);
    return narrow;
}

std::wstring stampedLine(const std::wstring& text) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    LogFileRules::LocalTime time{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
    return LogFileRules::logLine(time, GetCurrentThreadId(), text);
}

// Long enough for another process to move its log aside and open the new one.
constexpr DWORD kRotationLockWaitMs = 10000;

// Held while one process looks at the log's size, rotates it and opens the new one.
class RotationLock {
public:
    explicit RotationLock(const std::wstring& path)
        : name_(logRotationLockName(path)), mutex_(CreateMutexW(nullptr, FALSE, name_.c_str())) {
        if (!mutex_) {
            error_ = GetLastError();
            return;
        }
        const DWORD waited = WaitForSingleObject(mutex_.get(), kRotationLockWaitMs);
        held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;  // abandoned: its holder ended
    }
    ~RotationLock() {
        if (held_) ReleaseMutex(mutex_.get());
    }
    RotationLock(const RotationLock&) = delete;
    RotationLock& operator=(const RotationLock&) = delete;
    bool held() const { return held_; }

    // Why rotation was skipped, for the log.
    std::wstring skipped() const {
        if (error_) {
            return TextFormat::format(L"log rotation skipped: its lock %s could not be made (errno = %lu)",
                                      {name_, error_});
        }
        return TextFormat::format(L"log rotation skipped: another process held its lock %s for %lu s",
                                  {name_, static_cast<unsigned long>(kRotationLockWaitMs / 1000)});
    }

private:
    std::wstring name_;
    Win::UniqueHandle mutex_;
    unsigned long error_ = 0;
    bool held_ = false;
};

}  // namespace

std::wstring logRotationLockName(const std::wstring& path) {
    std::wstring full = Win::fullPathOf(path);
    // File names compare without case, by the invariant upper-case table.
    const int size = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, full.c_str(), static_cast<int>(full.size()),
                                   nullptr, 0, nullptr, nullptr, 0);
    if (size > 0) {
        std::wstring upper(static_cast<std::size_t>(size), L'\0');
        if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, full.c_str(), static_cast<int>(full.size()),
                          upper.data(), size, nullptr, nullptr, 0) == size)
            full = upper;
    }
    return LogFileRules::rotationLockName(full);
}

void LaunchLogFile::open(const std::wstring& path, const std::wstring& firstLine) {
    std::lock_guard<std::mutex> hold(lock_);
    if (decided_) return;
    decided_ = true;
    const std::wstring full = Win::fullPathOf(path);
    // A folder made here lets no one else create a log in it first.
    OwnerOnlySecurity folderSecurity(OwnerOnlySecurity::Kind::Folder);
    for (const std::wstring& folder : LogFileRules::foldersOf(full))
        CreateDirectoryW(folder.c_str(), folderSecurity.attributes());
    std::vector<std::wstring> notes;
    std::wstring begunAnew;
    openChecked(full, notes, begunAnew);
    if (!file_) {
        held_.clear();
        return;
    }
    if (!begunAnew.empty()) writeLocked(stampedLine(begunAnew));
    writeLocked(stampedLine(firstLine));
    for (const std::wstring& note : notes) writeLocked(stampedLine(note));
    for (const std::wstring& line : held_) writeLocked(line);
    held_.clear();
}

void LaunchLogFile::openChecked(const std::wstring& full, std::vector<std::wstring>& notes, std::wstring& firstLine) {
    std::wstring folder = cutPathComponents(full, 1);
    if (!folder.empty() && folder.back() == L':') folder += L'\\';  // "C:" alone means C:'s working folder
    Win::UniqueFileHandle folderHandle;  // held: the folder stays the one judged
    std::wstring why = openLogFolder(folder, folderHandle, facts_);
    if (!why.empty()) {
        refusal_ = TextFormat::format(L"the launcher log %s is not used, because of its folder %s: %s", {full, folder, why});
        return;
    }
    RotationLock rotation(full);
    OwnerOnlyLog log = openOwnerOnlyLog(full, notes, facts_);
    if (!log.file) {
        refusal_ = TextFormat::format(L"the launcher log %s is not used: %s", {full, log.refusal});
        return;
    }
    const std::wstring old = LogFileRules::rotatedPath(full);
    why = protectOldLog(old, notes, facts_);
    if (!why.empty()) {
        refusal_ = TextFormat::format(L"the launcher log %s is not used, because of its old copy %s: %s", {full, old, why});
        return;
    }
    firstLine = log.firstLine;
    if (!rotation.held()) {
        notes.push_back(rotation.skipped());
    } else if (firstLine.empty()) {  // a log begun anew is empty
        LARGE_INTEGER size{};
        if (GetFileSizeEx(log.file.get(), &size) && LogFileRules::needsRotation(static_cast<std::uint64_t>(size.QuadPart))) {
            OpenLogRotationFiles files(log.file.get(), log.notMovable, facts_);
            const std::wstring rotated = LogFileRules::rotate(full, files);
            if (!rotated.empty()) notes.push_back(rotated);
            if (files.moved()) {  // the handle follows the old log to its new name
                log = openOwnerOnlyLog(full, notes, facts_);
                if (!log.file) {
                    refusal_ = TextFormat::format(L"the launcher log %s is not used: after rotation, %s", {full, log.refusal});
                    return;
                }
            }
        }
    }
    // Kept for the run without the right to rename it, which would shut out every reader that does not
    // share deletion.
    Win::UniqueFileHandle appending(ReOpenFile(log.file.get(), FILE_APPEND_DATA | SYNCHRONIZE, kShareAll, 0));
    file_ = appending ? std::move(appending) : std::move(log.file);
}

std::wstring LaunchLogFile::refusal() {
    std::lock_guard<std::mutex> hold(lock_);
    return refusal_;
}

void LaunchLogFile::discard() {
    std::lock_guard<std::mutex> hold(lock_);
    decided_ = true;
    held_.clear();
}

void LaunchLogFile::write(const std::wstring& text) {
    std::lock_guard<std::mutex> hold(lock_);
    if (decided_ && !file_) return;  // no log this run
    std::wstring line = stampedLine(text);  // stamped when it happened, even if written later
    if (!decided_) {
        if (held_.size() < kMostHeldLines) held_.push_back(std::move(line));
        return;
    }
    writeLocked(line);
}

void LaunchLogFile::writeLocked(const std::wstring& line) {
    if (!file_) return;
    const std::string bytes = toUtf8(line + L"\r\n");
    DWORD written = 0;
    WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}
