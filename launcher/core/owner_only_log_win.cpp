#include "owner_only_log_win.h"

#include "log_file_rules.h"
#include "owner_only_security_win.h"
#include "text_format.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

namespace {

using LogFileRules::LogAccessVerdict;

// Readers the rights let in may read the log while it grows, and rotation may move it.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::wstring sidText(PSID sid) {
    wchar_t* text = nullptr;
    if (!sid || !ConvertSidToStringSidW(sid, &text)) return std::wstring();
    std::wstring copy = text;
    LocalFree(text);
    return copy;
}

DWORD replaceRights(HANDLE file, const OwnerOnlySecurity& security) {
    return SetSecurityInfo(file, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                           nullptr, nullptr, security.dacl(), nullptr);
}

// Opens for appending (writes land whole at the end) and for reading and, where allowed, changing
// the rights; `existed` says whether the file was there.
Win::UniqueFileHandle openForAppend(const std::wstring& path, OwnerOnlySecurity& security, bool& existed) {
    for (DWORD rights : {DWORD{READ_CONTROL | WRITE_DAC}, DWORD{READ_CONTROL}}) {
        Win::UniqueFileHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA | rights, kShareAll, security.attributes(),
                                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        existed = GetLastError() == ERROR_ALREADY_EXISTS;
        if (file) return file;
    }
    return Win::UniqueFileHandle();
}

}  // namespace

LogAccessVerdict judgeBySecurity(HANDLE file, std::wstring& owner) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    LogFileRules::FileAccess access;
    const bool read = GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                      nullptr, nullptr, nullptr, nullptr, &descriptor) == ERROR_SUCCESS;
    const Win::UniqueLocalMemory held(descriptor);
    // Rights that cannot be read are not known to be ours alone.
    if (!read || !fileAccessOf(descriptor, access)) return LogAccessVerdict::ReplaceRights;
    owner = access.owner;
    return LogFileRules::judgeLogAccess(access, OwnerOnlySecurity().account());
}

bool fileAccessOf(PSECURITY_DESCRIPTOR descriptor, LogFileRules::FileAccess& access) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    BOOL defaulted = FALSE, present = FALSE;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) ||
        !GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) ||
        !GetSecurityDescriptorControl(descriptor, &control, &revision))
        return false;
    access.owner = sidText(owner);
    access.hasDacl = present && dacl;
    access.daclProtected = (control & SE_DACL_PROTECTED) != 0;
    access.entries.clear();
    for (DWORD i = 0; access.hasDacl && i < dacl->AceCount; ++i) {
        ACE_HEADER* header = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void**>(&header))) return false;
        LogFileRules::AccessEntry entry{header->AceType == ACCESS_ALLOWED_ACE_TYPE, std::wstring(), 0, header->AceFlags};
        if (entry.allows) {
            auto* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
            entry.sid = sidText(&allowed->SidStart);
            entry.mask = allowed->Mask;
        }
        access.entries.push_back(entry);
    }
    return true;
}

Win::UniqueFileHandle openOwnerOnlyLog(const std::wstring& path, std::vector<std::wstring>& notes,
                                       const LogAccessJudge& judge) {
    OwnerOnlySecurity security;
    bool existed = false;
    Win::UniqueFileHandle file = openForAppend(path, security, existed);
    if (!file) return file;
    if (!security.dacl()) {
        notes.push_back(existed ? L"log access rights not checked: the protected ones could not be made"
                                : L"log created with its folder's access rights");
        return file;
    }
    if (!existed) return file;

    std::wstring owner;
    const LogAccessVerdict verdict = judge(file.get(), owner);
    if (verdict == LogAccessVerdict::Keep) return file;
    std::wstring why = TextFormat::format(L"it is owned by %s, not by SYSTEM, Administrators or this account", {owner});
    if (verdict == LogAccessVerdict::ReplaceRights) {
        const DWORD error = replaceRights(file.get(), security);
        if (error == 0) {
            notes.push_back(L"log access rights replaced: only SYSTEM, Administrators and this account may open it");
            return file;
        }
        why = TextFormat::format(L"its access rights let others in and could not be replaced (errno = %lu)", {error});
    }
    // Others could read what is written next: what is in it stays where it is, the new lines go to a new file.
    file.reset();
    const std::wstring aside = LogFileRules::movedAsidePath(path);
    if (!MoveFileExW(path.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING)) return file;  // no log this run
    file.reset(CreateFileW(path.c_str(), FILE_APPEND_DATA, kShareAll, security.attributes(), CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    notes.push_back(TextFormat::format(L"the existing log was moved to %s and a new one begun: %s", {aside, why}));
    return file;
}

void protectOldLog(const std::wstring& path, std::vector<std::wstring>& notes) {
    Win::UniqueFileHandle file(CreateFileW(path.c_str(), READ_CONTROL | WRITE_DAC, kShareAll, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    OwnerOnlySecurity security;
    if (!file || !security.dacl()) return;
    std::wstring owner;
    const LogAccessVerdict verdict = judgeBySecurity(file.get(), owner);
    if (verdict == LogAccessVerdict::Keep) return;
    const DWORD error = verdict == LogAccessVerdict::ReplaceRights ? replaceRights(file.get(), security) : ERROR_ACCESS_DENIED;
    notes.push_back(error == 0 ? TextFormat::format(L"access rights of %s replaced: only SYSTEM, Administrators and "
                                                    L"this account may open it", {path})
                               : TextFormat::format(L"%s may be read by others (errno = %lu): delete it", {path, error}));
}
