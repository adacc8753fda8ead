#pragma once
// Security for files that hold secrets (the launcher log holds every VM option, passwords in -D
// options included): SYSTEM, Administrators and the account of this process, and no one else. The
// DACL is protected, so nothing is inherited from the folder, which may let every local user read.
// A folder made for such files gets the same entries, inherited by what is created in it, so that no
// one else can create a file there first.
#include "unique_handle_win.h"

#include <windows.h>

#include <string>

class OwnerOnlySecurity {
public:
    enum class Kind { File, Folder };

    explicit OwnerOnlySecurity(Kind kind = Kind::File);
    // For CreateFileW and CreateDirectoryW; null (the folder's inherited rights) when the descriptor
    // could not be made.
    SECURITY_ATTRIBUTES* attributes() { return descriptor_ ? &attributes_ : nullptr; }
    // The DACL to put on an existing file; null when the descriptor could not be made.
    ACL* dacl() const;
    // This process's account as a SID string; empty when its token could not be read.
    const std::wstring& account() const { return account_; }

private:
    std::wstring account_;
    Win::UniqueLocalMemory descriptor_;
    SECURITY_ATTRIBUTES attributes_{};
};
