#pragma once
// What the socket tells the application. Both are implemented by the controller; the socket does
// not own them.
#include <cstdint>

#include "incoming_messages.h"
#include "peer_check.h"
#include "records.h"

class VaultwickSocketHandler {
public:
    virtual void onSocketConnect() = 0;
    virtual void onSocketClose() = 0;
    virtual void onSocketOpenFailed() = 0;
    // `count`: checks in a row that found no connection.
    virtual void onConnectionCheckFailed(int count) = 0;
    // The connection just closed (onSocketClose came first) led to a process that is not the
    // engine's kind: `holder` names it as far as the system tells.
    virtual void onPeerRefused(const PeerCheck::Process& holder) = 0;
    // An attempt got no connection within a connect period: nothing accepts on the engine's port, so
    // a program named by onPeerRefused has gone.
    virtual void onNoAnswer() = 0;

protected:
    ~VaultwickSocketHandler() = default;
};

// Decoded messages live only for the call; keep copies, not references.
class VaultwickMessageHandler {
public:
    virtual void onComputers(const Messages::ComputersMessage& message) = 0;
    virtual void onComputerConnected(std::int64_t computerId) = 0;
    virtual void onComputerDisconnected(std::int64_t computerId) = 0;
    virtual void onStatusTray(const Messages::StatusTrayMessage& message) = 0;
    virtual void onBackupStatsSummary(const Messages::BackupStats& stats) = 0;
    virtual void onTestRepeat() = 0;
    virtual void onAlertCount(int count) = 0;
    virtual void onShutdown() = 0;
    virtual void onTrayPopup(int value) = 0;

protected:
    ~VaultwickMessageHandler() = default;
};
