#pragma once
// The two records the tray decodes from engine messages: one computer of the computer list, and the
// backup statistics. Plain values; the controller copies them into its status model.
#include <cstdint>
#include <string>

namespace Messages {

struct Computer {
    std::int64_t id = -1;
    std::wstring name;
    std::wstring address;
    std::int32_t port = 0;
    bool isSelf = false;
    bool flag7 = false;
    bool flag8 = false;
    bool isDestination = false;
    bool flag10 = false;
    bool online = false;
};

struct BackupStats {
    enum Flag : std::int32_t {
        BackingUp = 0x01,
        Receiving = 0x02,
        Enabled = 0x04,
        Restoring = 0x08,
        Scanning = 0x10,
        LoggedIn = 0x40,
    };

    std::int32_t flags = 0;
    std::int32_t remainingFileCount = 0;
    std::int32_t token2Count = 0;
    std::int64_t pausedUntil = 0;  // seconds since 1970; 0 when not paused
    std::int32_t healthLevel = 2;  // 2 good, 1 warning, other error
    std::int64_t receivingFromComputerId = 0;
    std::int64_t backupTargetComputerId = 0;
    std::int64_t restoringFromComputerId = 0;
    std::int64_t bytesPerSecond = 0;
    std::int64_t remainingBytes = 0;
    std::int64_t totalBytes = 0;
    std::int32_t totalFileCount = 0;
    std::int64_t lastBackupTime = 0;  // seconds since 1970
    std::int64_t nextBackupTime = 0;  // seconds since 1970
    bool empty = true;                // no statistics received since start or the last disconnect

    bool showsActivity() const { return (flags & (BackingUp | Receiving | Restoring | Scanning)) != 0; }
};

}  // namespace Messages
