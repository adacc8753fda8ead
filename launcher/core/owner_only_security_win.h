#pragma once
// Security for files that hold secrets (the launcher log holds every VM option, passwords in -D
// options included): SYSTEM, Administrators and the account of this process, and no one else. The
// DACL is protected, so nothing is inherited from the folder, which may let every local user read.
#include "unique_handle_win.h"

#include <windows.h>

class OwnerOnlySecurity {
public:
    OwnerOnlySecurity();
    // For CreateFileW; null (the folder's inherited rights) when the descriptor could not be made.
    SECURITY_ATTRIBUTES* attributes() { return descriptor_ ? &attributes_ : nullptr; }

private:
    Win::UniqueLocalMemory descriptor_;
    SECURITY_ATTRIBUTES attributes_{};
};
