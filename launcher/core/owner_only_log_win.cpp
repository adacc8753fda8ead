#include "owner_only_log_win.h"

#include "owner_only_security_win.h"
#include "text_format.h"

#include <aclapi.h>

namespace {

using LogFileRules::LogAccessVerdict;

DWORD replaceRights(HANDLE file, const OwnerOnlySecurity& security) {
    return SetSecurityInfo(file, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                           nullptr, nullptr, security.dacl(), nullptr);
}

std::wstring unreadable(unsigned long error) {
    return TextFormat::format(L"its owner, rights and links could not be read (errno = %lu)", {error});
}

// Opens for appending (writes land whole at the end), reading and, where allowed, changing the
// rights and renaming; `existed` says whether the file was there. A reader that shares no deletion
// refuses the rename: `notMovable` says so.
Win::UniqueFileHandle openForAppend(const std::wstring& path, OwnerOnlySecurity& security, bool& existed,
                                    unsigned long& notMovable) {
    const DWORD always = FILE_APPEND_DATA | READ_CONTROL | FILE_READ_ATTRIBUTES;
    for (DWORD rights : {DWORD{WRITE_DAC | DELETE}, DWORD{WRITE_DAC}, DWORD{0}}) {
        Win::UniqueFileHandle file = openUnfollowed(path, always | rights, kShareAll, OPEN_ALWAYS, security.attributes());
        existed = GetLastError() == ERROR_ALREADY_EXISTS;
        if (file) return file;
        if (rights & DELETE) notMovable = GetLastError();
    }
    return Win::UniqueFileHandle();
}

// Moves the open log aside under a name not in use and begins a new one in its place.
void moveAside(OwnerOnlyLog& log, const std::wstring& path, const std::wstring& why, OwnerOnlySecurity& security) {
    if (log.notMovable) {
        log.refusal = why + TextFormat::format(L", and another process holds it open, so it cannot be moved aside "
                                               L"(errno = %lu)", {log.notMovable});
        log.file.reset();
        return;
    }
    std::wstring aside;
    unsigned long error = ERROR_ALREADY_EXISTS;
    for (unsigned attempt = 0; attempt < LogFileRules::kMovedAsideAttempts &&
                               (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS); ++attempt) {
        aside = LogFileRules::movedAsidePath(path, attempt);
        error = renameOpenFile(log.file.get(), aside, false);
    }
    log.file.reset();
    if (error) {
        log.refusal = why + TextFormat::format(L", and moving it aside failed (errno = %lu)", {error});
        return;
    }
    log.file = openUnfollowed(path, FILE_APPEND_DATA | READ_CONTROL | FILE_READ_ATTRIBUTES | DELETE, kShareAll,
                              CREATE_NEW, security.attributes());
    if (!log.file) {
        log.refusal = TextFormat::format(L"it was moved to %s (%s), and a new log could not be made (errno = %lu)",
                                         {aside, why, GetLastError()});
        return;
    }
    log.firstLine = TextFormat::format(L"the existing log was moved to %s and a new one begun: %s", {aside, why});
}

}  // namespace

std::wstring openLogFolder(const std::wstring& folder, Win::UniqueFileHandle& handle, const FileFactsReader& facts) {
    handle = openUnfollowed(folder, READ_CONTROL | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            OPEN_EXISTING, nullptr, FILE_FLAG_BACKUP_SEMANTICS);
    if (!handle) return TextFormat::format(L"it could not be opened (errno = %lu)", {GetLastError()});
    LogFileRules::FileFacts found;
    if (const unsigned long error = facts(handle.get(), folder, found)) return unreadable(error);
    return LogFileRules::folderRefusal(found, OwnerOnlySecurity().account());
}

OwnerOnlyLog openOwnerOnlyLog(const std::wstring& path, std::vector<std::wstring>& notes, const FileFactsReader& facts) {
    OwnerOnlySecurity security;
    OwnerOnlyLog log;
    bool existed = false;
    log.file = openForAppend(path, security, existed, log.notMovable);
    if (!log.file) {
        log.refusal = TextFormat::format(L"it could not be opened (errno = %lu)", {GetLastError()});
        return log;
    }
    if (!security.dacl()) {
        notes.push_back(existed ? L"log access rights not checked: the protected ones could not be made"
                                : L"log created with its folder's access rights");
    }
    if (!existed) return log;

    LogFileRules::FileFacts found;
    const unsigned long error = facts(log.file.get(), path, found);
    log.refusal = error ? unreadable(error) : LogFileRules::fileRefusal(found);
    if (!log.refusal.empty()) {
        log.file.reset();
        return log;
    }
    if (!security.dacl()) return log;
    const LogFileRules::LogAccessJudgement judged = LogFileRules::judgeLogAccess(found.access, security.account());
    if (judged.verdict == LogAccessVerdict::Keep) return log;
    std::wstring why = judged.why;
    if (judged.verdict != LogAccessVerdict::OwnedByOthers) {
        // What it holds is closed to new readers either way.
        const DWORD replaced = replaceRights(log.file.get(), security);
        if (judged.verdict == LogAccessVerdict::ReplaceRights) {
            if (replaced == 0) {
                notes.push_back(L"log access rights replaced: only SYSTEM, Administrators and this account may open it");
                return log;
            }
            why = TextFormat::format(L"its access rights are not its own and could not be replaced (errno = %lu)",
                                     {replaced});
        }
    }
    // Whoever could open it may hold it open and read on: what it holds stays, new lines go to a new file.
    moveAside(log, path, why, security);
    return log;
}

std::wstring protectOldLog(const std::wstring& path, std::vector<std::wstring>& notes, const FileFactsReader& facts) {
    Win::UniqueFileHandle file;
    for (DWORD rights : {DWORD{WRITE_DAC}, DWORD{0}}) {  // judged even where its rights may not be changed
        if (!file) file = openUnfollowed(path, READ_CONTROL | FILE_READ_ATTRIBUTES | rights, kShareAll, OPEN_EXISTING,
                                         nullptr, FILE_FLAG_BACKUP_SEMANTICS);
    }
    OwnerOnlySecurity security;
    if (!file || !security.dacl()) return std::wstring();
    LogFileRules::FileFacts found;
    if (const unsigned long error = facts(file.get(), path, found)) return unreadable(error);
    const std::wstring refusal = LogFileRules::fileRefusal(found);
    if (!refusal.empty() || found.directory) return refusal;  // a folder: rotation says what it makes of it
    const LogAccessVerdict verdict = LogFileRules::judgeLogAccess(found.access, security.account()).verdict;
    if (verdict == LogAccessVerdict::Keep) return std::wstring();
    const DWORD error = verdict == LogAccessVerdict::OwnedByOthers ? ERROR_ACCESS_DENIED : replaceRights(file.get(), security);
    notes.push_back(error == 0 ? TextFormat::format(L"access rights of %s replaced: only SYSTEM, Administrators and "
                                                    L"this account may open it", {path})
                               : TextFormat::format(L"%s may be read by others (errno = %lu): delete it", {path, error}));
    return std::wstring();
}
