#include "owner_only_security_win.h"

#include <sddl.h>

#include <string>

namespace {

// The account the process runs as, as a SID string; empty when the token cannot be read.
std::wstring processUserSid() {
    Win::UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return std::wstring();
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::wstring sid;
    Win::UniqueLocalMemory buffer(LocalAlloc(LMEM_FIXED, size));
    wchar_t* text = nullptr;
    if (buffer && GetTokenInformation(token.get(), TokenUser, buffer.get(), size, &size) &&
        ConvertSidToStringSidW(static_cast<TOKEN_USER*>(buffer.get())->User.Sid, &text)) {
        sid = text;
        LocalFree(text);
    }
    return sid;
}

}  // namespace

OwnerOnlySecurity::OwnerOnlySecurity(Kind kind) : account_(processUserSid()) {
    if (account_.empty()) return;
    // P: protected, nothing inherited; FA: all file access; OICI: passed on to files and folders within.
    const std::wstring ace = kind == Kind::Folder ? L"(A;OICI;FA;;;" : L"(A;;FA;;;";
    const std::wstring sddl = L"D:P" + ace + L"SY)" + ace + L"BA)" + ace + account_ + L")";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        return;
    descriptor_.reset(descriptor);
    attributes_ = SECURITY_ATTRIBUTES{sizeof attributes_, descriptor, FALSE};
}

ACL* OwnerOnlySecurity::dacl() const {
    BOOL present = FALSE, defaulted = FALSE;
    ACL* acl = nullptr;
    if (!descriptor_ || !GetSecurityDescriptorDacl(descriptor_.get(), &present, &acl, &defaulted) || !present)
        return nullptr;
    return acl;
}
