#include "log_file_handles_win.h"

#include <aclapi.h>
#include <sddl.h>

#include <cstring>
#include <vector>

namespace {

std::wstring sidText(PSID sid) {
    wchar_t* text = nullptr;
    if (!sid || !ConvertSidToStringSidW(sid, &text)) return std::wstring();
    std::wstring copy = text;
    LocalFree(text);
    return copy;
}

}  // namespace

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
        LogFileRules::AccessEntry entry{header->AceType == ACCESS_ALLOWED_ACE_TYPE, std::wstring(), 0, header->AceFlags,
                                        header->AceType == ACCESS_DENIED_ACE_TYPE};
        if (entry.allows || entry.denies) {  // both kinds keep their mask and SID in the same place
            auto* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
            entry.sid = sidText(&allowed->SidStart);
            entry.mask = allowed->Mask;
        }
        access.entries.push_back(entry);
    }
    return true;
}

unsigned long systemFileFacts(HANDLE handle, const std::wstring&, LogFileRules::FileFacts& facts) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info)) return GetLastError();
    facts.reparsePoint = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    facts.directory = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    facts.links = info.nNumberOfLinks;
    facts.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD error = GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                        nullptr, nullptr, nullptr, nullptr, &descriptor);
    const Win::UniqueLocalMemory held(descriptor);
    if (error != ERROR_SUCCESS) return error;
    return fileAccessOf(descriptor, facts.access) ? 0 : ERROR_INVALID_SECURITY_DESCR;
}

Win::UniqueFileHandle openUnfollowed(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                                     SECURITY_ATTRIBUTES* security, DWORD flags) {
    return Win::UniqueFileHandle(CreateFileW(path.c_str(), access, share, security, disposition,
                                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | flags, nullptr));
}

unsigned long renameOpenFile(HANDLE file, const std::wstring& to, bool replace) {
    const std::size_t nameBytes = to.size() * sizeof(wchar_t);
    std::vector<BYTE> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = replace ? TRUE : FALSE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(nameBytes);
    std::memcpy(info->FileName, to.data(), nameBytes);
    return SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size())) ? 0 : GetLastError();
}

unsigned long OpenLogRotationFiles::replace(const std::wstring&, const std::wstring& to) {
    if (notMovable_) return notMovable_;
    const unsigned long error = renameOpenFile(log_, to, true);
    moved_ = moved_ || error == 0;
    return error;
}

unsigned long OpenLogRotationFiles::remove(const std::wstring& path) {
    // Shared with no one: a file another process has open is not deleted (kHeldOpen).
    Win::UniqueFileHandle old = openUnfollowed(path, DELETE | READ_CONTROL | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                               0, OPEN_EXISTING, nullptr, FILE_FLAG_BACKUP_SEMANTICS);
    if (!old) return GetLastError();
    LogFileRules::FileFacts facts;
    if (const unsigned long error = facts_(old.get(), path, facts)) return error;
    if (facts.directory || !LogFileRules::fileRefusal(facts).empty()) return ERROR_ACCESS_DENIED;  // not an old log
    FILE_BASIC_INFO basic{};
    if (GetFileInformationByHandleEx(old.get(), FileBasicInfo, &basic, sizeof basic) &&
        (basic.FileAttributes & FILE_ATTRIBUTE_READONLY)) {
        basic.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        SetFileInformationByHandle(old.get(), FileBasicInfo, &basic, sizeof basic);
    }
    FILE_DISPOSITION_INFO disposition{TRUE};
    return SetFileInformationByHandle(old.get(), FileDispositionInfo, &disposition, sizeof disposition) ? 0
                                                                                                      : GetLastError();
}

unsigned long OpenLogRotationFiles::truncate(const std::wstring&) {
    // The same file, opened again from its handle for writing at its start.
    Win::UniqueFileHandle writer(ReOpenFile(log_, GENERIC_WRITE, kShareAll, 0));
    if (!writer) return GetLastError();
    return SetEndOfFile(writer.get()) ? 0 : GetLastError();
}
