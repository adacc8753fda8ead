#include "vaultwick_app_win.h"

#include <ctime>
#include <utility>

#include "engine_requests.h"
#include "incoming_messages.h"
#include "input_clock_win.h"
#include "kov_text_win.h"
#include "main_application.h"
#include "main_application_commands.h"
#include "outgoing_messages.h"
#include "peer_check_win.h"
#include "program_path_win.h"
#include "sleep_dialog_win.h"
#include "status_updates.h"
#include "text_format.h"
#include "tray_resource_ids.h"
#include "vaultwick_menu_win.h"
#include "vaultwick_socket_win.h"
#include "vaultwick_tray_icon_win.h"

namespace {

constexpr UINT kConnectPeriodMs = 1000;
constexpr UINT kCheckPeriodMs = 10000;
constexpr UINT kStatisticsPeriodMs = 10000;
constexpr UINT kRefreshPeriodMs = 60000;
constexpr UINT kActivityPeriodMs = 1000;
constexpr std::size_t kPopupTextCapacity = 512;
// Outside the range of the AppTimer counter and of the icon's animation ids.
constexpr UINT_PTR kDisplayRefreshTimerId = 0x5652;
constexpr UINT kDisplayRefreshDelayMs = 10;

AppServices withDefaults(AppServices services) {
    if (!services.shell) services.shell = &KovToolkit::systemShellNotify();
    if (!services.inputClock) services.inputClock = &systemInputClock();
    if (!services.peers) services.peers = &PeerCheck::systemProcessDirectory();
    if (!services.startProgram) services.startProgram = &KovToolkit::runMainApplication;
    if (!services.askSleepHours) services.askSleepHours = &SleepDialog::show;
    if (!services.showError) {
        services.showError = [](HWND owner, const std::wstring& text, const std::wstring& caption) {
            MessageBoxW(owner, text.c_str(), caption.c_str(), MB_OK);
        };
    }
    return services;
}

std::wstring quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

}  // namespace

VaultwickApp::VaultwickApp(const std::wstring& installDirectory, const std::wstring& host, int port, bool showUi,
                           AppServices services)
    : services_(withDefaults(std::move(services))),
      activity_(*services_.inputClock),
      showUiPending_(showUi),
      mainProgram_{installDirectoryWithSeparator(installDirectory), Win::currentProgramFolder()},
      taskbarCreatedMessage_(RegisterWindowMessageW(L"TaskbarCreated")) {
    // From here on the tray's log lines reach the engine whenever the socket is connected.
    previousSink_ = TrayLog::setSink(EngineRequests::engineLogSink(
        [this] { return socket_ && socket_->isConnected(); }, [this](const Messages::Message& m) { send(m); }));

    icon_ = std::make_unique<VaultwickTrayIcon>(this, &model_, *services_.shell);
    icon_->create();
    icon_->show();
    window_ = icon_->getWindow();
    menu_ = std::make_unique<VaultwickMenu>(window_, &model_, this);
    socket_ = std::make_unique<VaultwickSocket>(host, port, window_, this, this, services_.peers);

    connectTimer_ = std::make_unique<AppTimer>(window_, kConnectPeriodMs);
    checkTimer_ = std::make_unique<AppTimer>(window_, kCheckPeriodMs);
    statisticsTimer_ = std::make_unique<AppTimer>(window_, kStatisticsPeriodMs, AppTimer::Stop::AtNextTick);
    refreshTimer_ = std::make_unique<AppTimer>(window_, kRefreshPeriodMs);
    activityTimer_ = std::make_unique<AppTimer>(window_, kActivityPeriodMs);
    connectTimer_->start();
    checkTimer_->start();
    refreshTimer_->start();
    activityTimer_->start();

    refreshMenu();
    refreshIcon();
    startTime_ = EngineRequests::startTimeMillis(static_cast<std::int64_t>(std::time(nullptr)));
}

VaultwickApp::~VaultwickApp() {
    statisticsTimer_->stop();
    refreshTimer_->stop();
    activityTimer_->stop();
    connectTimer_->stop();
    checkTimer_->stop();
    icon_.reset();
    menu_.reset();
    socket_.reset();
    connectTimer_.reset();
    checkTimer_.reset();
    statisticsTimer_.reset();
    refreshTimer_.reset();
    activityTimer_.reset();
    TrayLog::setSink(std::move(previousSink_));
}

void VaultwickApp::send(const Messages::Message& message) {
    if (socket_) socket_->sendMessage(&message);
}

void VaultwickApp::refreshMenu() {
    if (menu_) menu_->updateMenu();
}

void VaultwickApp::refreshIcon() {
    if (icon_) icon_->refresh();
}

void VaultwickApp::requestDisplayRefresh() {
    if (displayRefreshPending_) return;
    displayRefreshPending_ = SetTimer(window_, kDisplayRefreshTimerId, kDisplayRefreshDelayMs, nullptr) != 0;
    if (!displayRefreshPending_) {
        refreshMenu();
        refreshIcon();
    }
}

void VaultwickApp::flushDisplayRefresh() {
    if (!displayRefreshPending_) return;
    KillTimer(window_, kDisplayRefreshTimerId);
    displayRefreshPending_ = false;
    refreshMenu();
    refreshIcon();
}

void VaultwickApp::startProgram(const std::wstring& program, const std::wstring& arguments) {
    ++programsStarted_;
    services_.startProgram(program, arguments);
}

// --- icon and window events

bool VaultwickApp::onLeftButtonDown() {
    if (model_.alertCount > 0) onMenuShowVaultwick();
    return true;
}

bool VaultwickApp::onLeftButtonDoubleClick() {
    onMenuShowVaultwick();
    return true;
}

bool VaultwickApp::onRightButtonDown() {
    POINT at{};
    GetCursorPos(&at);
    openMenu(at);
    return true;
}

bool VaultwickApp::onKeySelect() { return onLeftButtonDoubleClick(); }

bool VaultwickApp::onKeyboardMenu(int x, int y) {
    openMenu({x, y});
    return true;
}

void VaultwickApp::openMenu(POINT at) {
    flushDisplayRefresh();
    const unsigned startedBefore = programsStarted_;
    menu_->show(at);  // returns once the choice, the sleep dialog included, is carried out
    // Focus goes back to the icon unless it went elsewhere: to a window the user clicked, which is
    // then the foreground one, or to a program just started.
    if (!quitting_ && programsStarted_ == startedBefore && GetForegroundWindow() == window_) icon_->returnFocus();
}

bool VaultwickApp::onIconEvent(unsigned) { return false; }

bool VaultwickApp::onWindowMessage(unsigned message, std::uintptr_t firstParameter, std::intptr_t secondParameter) {
    if (!socket_) return false;
    if (message == WM_TIMER) {
        if (socket_->onTimer(firstParameter)) return true;
        if (firstParameter == kDisplayRefreshTimerId) {
            flushDisplayRefresh();
            return true;
        }
        AppTimer* timer = nullptr;
        for (AppTimer* t : {connectTimer_.get(), checkTimer_.get(), statisticsTimer_.get(), refreshTimer_.get(),
                            activityTimer_.get()}) {
            if (firstParameter == t->eventId()) timer = t;
        }
        if (!timer) return false;
        if (!timer->takeTick()) return true;  // stopped since it was posted
        if (timer == connectTimer_.get()) {
            socket_->onConnectTimer();
        } else if (timer == checkTimer_.get()) {
            socket_->onCheckTimer();
        } else if (timer == statisticsTimer_.get()) {
            send(Messages::GetBackupStatsSummaryMessage());
        } else if (timer == refreshTimer_.get()) {
            refreshIcon();
        } else {
            checkActivity();
        }
        return true;
    }
    if (message == socket_->getNotifyMessage()) {
        socket_->onSocketNotify(static_cast<WPARAM>(firstParameter), static_cast<LPARAM>(secondParameter));
        return true;
    }
    if (taskbarCreatedMessage_ != 0 && message == taskbarCreatedMessage_) {
        // The shell restarted and forgot the icon: add it again with its tooltip and image.
        icon_->show();
        return true;
    }
    return false;
}

void VaultwickApp::checkActivity() {
    if (auto tick = activity_.check()) send(Messages::UserActivityMessage(*tick));
}

// --- connection

void VaultwickApp::onSocketConnect() {
    trayLog(L"INFO", L"VaultwickApp::onSocketConnect", L"Connecting to VaultwickService...");
    connectTimer_->stop();
    // The check timer keeps running: while connected its tick reads what a lost notification left.
    if (showUiPending_) {
        showUiPending_ = false;
        onMenuShowVaultwick();
    }
    StatusUpdates::markConnected(model_);
    refreshIcon();
    refreshMenu();
    EngineRequests::sendHandshake([this](const Messages::Message& m) { send(m); }, startTime_);
    trayLog(L"INFO", L"VaultwickApp::onSocketConnect", L"CONNECTED to VaultwickService");
}

void VaultwickApp::onSocketClose() {
    connectTimer_->start();
    checkTimer_->stop();  // restarted, so the failure count begins with an immediate check as at start
    checkTimer_->start();
    StatusUpdates::markDisconnected(model_);
    refreshIcon();
    refreshMenu();
}

void VaultwickApp::onSocketOpenFailed() {
    connectTimer_->stop();
    checkTimer_->stop();
    icon_->setIcon(IDI_TRAY_ERROR);
    services_.showError(window_, L"Unable to run Vaultwick Tray, could not open a networking socket.",
                        L"System Error");
    onMenuClose();
}

void VaultwickApp::onConnectionCheckFailed(int count) {
    if (!StatusUpdates::giveUpConnecting(model_, count)) return;
    refreshIcon();
    refreshMenu();
}

void VaultwickApp::onPeerRefused(const PeerCheck::Process& holder) {
    StatusUpdates::markPortHeld(model_, holder);
    refreshIcon();
    refreshMenu();
}

void VaultwickApp::onNoAnswer() {
    if (!StatusUpdates::forgetPortHolder(model_)) return;
    refreshIcon();
    refreshMenu();
}

// --- engine messages

void VaultwickApp::onComputers(const Messages::ComputersMessage& message) {
    StatusUpdates::replaceComputers(model_, message.getComputers());
    requestDisplayRefresh();
}

void VaultwickApp::onComputerConnected(std::int64_t computerId) {
    if (StatusUpdates::setComputerOnline(model_, computerId, true)) requestDisplayRefresh();
}

void VaultwickApp::onComputerDisconnected(std::int64_t computerId) {
    if (StatusUpdates::setComputerOnline(model_, computerId, false)) requestDisplayRefresh();
}

void VaultwickApp::onStatusTray(const Messages::StatusTrayMessage& message) {
    model_.loggedIn = message.loggedIn;
    model_.upgrading = message.upgrading;
    model_.applicationName = message.applicationName;
}

void VaultwickApp::onBackupStatsSummary(const Messages::BackupStats& stats) {
    if (StatusUpdates::takeStatistics(model_, stats)) {
        statisticsTimer_->start();
    } else {
        statisticsTimer_->stop();
    }
    requestDisplayRefresh();
}

void VaultwickApp::onTestRepeat() {}

void VaultwickApp::onAlertCount(int count) {
    model_.alertCount = count;
    requestDisplayRefresh();
}

void VaultwickApp::onShutdown() {
    quitting_ = true;
    PostQuitMessage(0);
}

void VaultwickApp::onTrayPopup(int value) {
    if (value != 0) return;
    std::wstring title;
    std::wstring text;
    TextFormat::format(title, kPopupTextCapacity, KovToolkit::loadString(IDS_STILL_RUNNING_TITLE),
                       {model_.applicationName});
    TextFormat::format(text, kPopupTextCapacity, KovToolkit::loadString(IDS_STILL_RUNNING_TEXT),
                       {model_.applicationName});
    icon_->notify(text, title);
}

// --- menu commands

void VaultwickApp::onMenuShowVaultwick() {
    const wchar_t* source = L"VaultwickApp::onMenuShowVaultwick";
    trayLog(L"INFO", source, L"MENU - Show Application...");
    auto launch = showApplicationLaunch(mainProgram_, model_.applicationName);
    if (!launch) {
        trayLog(L"SEVERE", source, L"Unable to show application, the application name is not a plain file name.");
        return;
    }
    trayLog(L"FINE", source, L"Show Application command is " + quoted(launch->commandLine()));
    startProgram(launch->program, launch->arguments);
}

void VaultwickApp::onMenuPauseResume() {
    trayLog(L"INFO", L"VaultwickApp::onMenuPauseResume", L"MENU - Pause/Resume...");
    if (model_.stats.pausedUntil != 0) {
        send(Messages::ResumeSystemMessage());
        return;
    }
    // The dialog's loop runs the tray meanwhile: Sleep chosen again is answered by the dialog already up.
    if (sleepDialogOpen_) return;
    sleepDialogOpen_ = true;
    const auto decision = EngineRequests::pauseDecisionFor(services_.askSleepHours(window_));
    sleepDialogOpen_ = false;
    // Data that arrived while the dialog was up can have lost its socket notification (seen under
    // Wine while the dialog is first shown); without a read now the connection would stay silent.
    socket_->catchUp();
    // Exit or the engine's Shutdown ended the dialog through the quit message: no answer to act on.
    if (quitting_) return;
    switch (decision.kind) {
    case EngineRequests::PauseDecision::Kind::Failed:
        icon_->notify(KovToolkit::loadString(IDS_PAUSE_FAILED), KovToolkit::loadString(IDS_SYSTEM_ERROR));
        return;
    case EngineRequests::PauseDecision::Kind::Nothing:
        return;
    case EngineRequests::PauseDecision::Kind::Pause:
        send(Messages::PauseSystemMessage(decision.minutes));
        return;
    }
}

void VaultwickApp::onMenuClose() {
    trayLog(L"INFO", L"VaultwickApp::onMenuClose", L"MENU - Exit...");
    checkTimer_->stop();
    send(Messages::ExitingMessage());
    quitting_ = true;
    PostQuitMessage(0);
}

void VaultwickApp::onMenuComputer(const Messages::Computer* computer) {
    const wchar_t* source = L"VaultwickApp::onMenuComputer";
    trayLog(L"INFO", source, L"MENU - Show computer...");
    const auto launch = showComputerLaunch(mainProgram_, computer);
    if (!launch) {
        trayLog(L"SEVERE", source, L"Unable to show computer, its address is not a host name or IP address.");
        return;
    }
    trayLog(L"FINE", source, L"Show computer command is " + quoted(launch->commandLine()));
    startProgram(launch->program, launch->arguments);
}
