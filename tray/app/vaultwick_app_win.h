#pragma once
// The tray client's controller: owns the status model, the icon, the menu, the socket to the engine
// and five timers; receives every event of the program through the four handler interfaces; keeps
// the connection alive, does the handshake after each connect, turns engine messages into model
// changes and carries out the user's commands. The decisions live in portable helpers
// (StatusUpdates, EngineRequests, ActivityMonitor, main_application_commands.h).
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "activity_monitor.h"
#include "app_timer_win.h"
#include "main_application_commands.h"
#include "status_model.h"
#include "tray_event_handler.h"
#include "tray_icon_win.h"
#include "tray_log.h"
#include "vaultwick_handlers.h"
#include "vaultwick_menu_handler.h"

class VaultwickSocket;
class VaultwickTrayIcon;
class VaultwickMenu;

// What the controller asks of the desktop. The defaults are the real ones; tests replace some.
struct AppServices {
    KovToolkit::ShellNotify* shell = &KovToolkit::systemShellNotify();
    const InputClock* inputClock = nullptr;  // null: GetLastInputInfo
    std::function<void(const std::wstring& program, const std::wstring& arguments)> startProgram;
    std::function<std::int32_t(HWND owner)> askSleepHours;
    std::function<void(HWND owner, const std::wstring& text, const std::wstring& caption)> showError;
    const PeerCheck::ProcessDirectory* peers = nullptr;  // null: the system's
};

class VaultwickApp : public KovToolkit::TrayEventHandler,
                     public VaultwickMenuHandler,
                     public VaultwickSocketHandler,
                     public VaultwickMessageHandler {
public:
    VaultwickApp(const std::wstring& installDirectory, const std::wstring& host, int port, bool showUi,
                 AppServices services = {});
    ~VaultwickApp();
    VaultwickApp(const VaultwickApp&) = delete;
    VaultwickApp& operator=(const VaultwickApp&) = delete;

    // KovToolkit::TrayEventHandler
    bool onLeftButtonDown() override;
    bool onLeftButtonDoubleClick() override;
    bool onRightButtonDown() override;
    bool onKeySelect() override;
    bool onKeyboardMenu(int x, int y) override;
    bool onIconEvent(unsigned event) override;
    bool onWindowMessage(unsigned message, std::uintptr_t firstParameter, std::intptr_t secondParameter) override;

    // VaultwickMenuHandler
    void onMenuShowVaultwick() override;
    void onMenuPauseResume() override;
    void onMenuClose() override;
    void onMenuComputer(const Messages::Computer* computer) override;

    // VaultwickSocketHandler
    void onSocketConnect() override;
    void onSocketClose() override;
    void onSocketOpenFailed() override;
    void onConnectionCheckFailed(int count) override;
    void onPeerRefused(const PeerCheck::Process& holder) override;
    void onNoAnswer() override;

    // VaultwickMessageHandler
    void onComputers(const Messages::ComputersMessage& message) override;
    void onComputerConnected(std::int64_t computerId) override;
    void onComputerDisconnected(std::int64_t computerId) override;
    void onStatusTray(const Messages::StatusTrayMessage& message) override;
    void onBackupStatsSummary(const Messages::BackupStats& stats) override;
    void onTestRepeat() override;
    void onAlertCount(int count) override;
    void onShutdown() override;
    void onTrayPopup(int value) override;

    const StatusModel& model() const { return model_; }
    HWND window() const { return window_; }
    bool pollingStatistics() const { return statisticsTimer_ && statisticsTimer_->running(); }

private:
    void send(const Messages::Message& message);
    void refreshMenu();
    void refreshIcon();
    // Engine messages can come by the thousand; their menu and icon refresh waits until the queue
    // has no posted messages left (timer messages come last), so a burst costs one refresh.
    void requestDisplayRefresh();
    void flushDisplayRefresh();
    void checkActivity();
    void startProgram(const std::wstring& program, const std::wstring& arguments);
    void openMenu(POINT at);

    // Declaration order is construction order: timers, activity state, socket, icon, menu.
    std::unique_ptr<AppTimer> connectTimer_;
    std::unique_ptr<AppTimer> checkTimer_;
    std::unique_ptr<AppTimer> statisticsTimer_;
    std::unique_ptr<AppTimer> refreshTimer_;
    std::unique_ptr<AppTimer> activityTimer_;
    AppServices services_;
    ActivityMonitor activity_;
    std::unique_ptr<VaultwickSocket> socket_;
    std::unique_ptr<VaultwickTrayIcon> icon_;
    std::unique_ptr<VaultwickMenu> menu_;
    HWND window_ = nullptr;
    StatusModel model_;
    bool showUiPending_;
    MainProgramPlace mainProgram_;
    std::int64_t startTime_ = 0;
    UINT taskbarCreatedMessage_;
    bool displayRefreshPending_ = false;
    unsigned programsStarted_ = 0;
    bool sleepDialogOpen_ = false;
    bool quitting_ = false;  // the quit message is posted: Exit, or the engine's Shutdown
    TrayLog::Sink previousSink_;
};
