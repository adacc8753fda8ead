#pragma once
// Test helper: both handler interfaces, each call recorded as one readable line ("alertCount 12").
#include <string>
#include <vector>

#include "text_format.h"
#include "vaultwick_handlers.h"

class RecordingHandlers : public VaultwickSocketHandler, public VaultwickMessageHandler {
public:
    std::vector<std::wstring> calls;
    std::vector<Messages::Computer> lastComputers;
    Messages::BackupStats lastStats;

    void onSocketConnect() override { calls.push_back(L"connect"); }
    void onSocketClose() override { calls.push_back(L"close"); }
    void onSocketOpenFailed() override { calls.push_back(L"openFailed"); }
    void onConnectionCheckFailed(int count) override { add(L"checkFailed %d", count); }
    void onPeerRefused(const PeerCheck::Process& holder) override {
        calls.push_back(TextFormat::format(L"refused %d %s", {static_cast<long long>(holder.pid), holder.image}));
    }
    void onNoAnswer() override { calls.push_back(L"noAnswer"); }

    void onComputers(const Messages::ComputersMessage& message) override {
        lastComputers = message.getComputers();
        add(L"computers %d", static_cast<int>(lastComputers.size()));
    }
    void onComputerConnected(std::int64_t id) override { add(L"computerConnected %d", static_cast<long long>(id)); }
    void onComputerDisconnected(std::int64_t id) override {
        add(L"computerDisconnected %d", static_cast<long long>(id));
    }
    void onStatusTray(const Messages::StatusTrayMessage& m) override {
        calls.push_back(TextFormat::format(L"statusTray %d %d %s", {m.loggedIn ? 1 : 0, m.upgrading ? 1 : 0,
                                                                   m.applicationName}));
    }
    void onBackupStatsSummary(const Messages::BackupStats& stats) override {
        lastStats = stats;
        add(L"stats %d", stats.flags);
    }
    void onTestRepeat() override { calls.push_back(L"testRepeat"); }
    void onAlertCount(int count) override { add(L"alertCount %d", count); }
    void onShutdown() override { calls.push_back(L"shutdown"); }
    void onTrayPopup(int value) override { add(L"trayPopup %d", value); }

private:
    void add(const wchar_t* pattern, long long value) { calls.push_back(TextFormat::format(pattern, {value})); }
};
