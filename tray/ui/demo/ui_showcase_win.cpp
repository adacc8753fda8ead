// Shows the tray icon in each of its states, with its tooltip and menu, for the demo's
// screenshots. Not part of the tray program.
//
//   tray_ui_showcase.exe MARKER_DIR [sleep|states] [high-contrast]
// For each step it sets the state, writes MARKER_DIR\<step>.ready and waits (at most 30 s) for the
// caller to delete it, so a script can take its screenshot in between. A right click on the icon
// opens the real menu. With "sleep" a last step, 12-sleep, opens the sleep dialog until it is closed.
// With "states" it only shows each tray image in turn, still, as step "state-<icon id>", then, as step
// "state-menu", has the menu (opened by a right click) list an online and an offline computer.
// With "high-contrast" the tray takes high contrast as on, which Wine cannot switch on itself; the
// caller sets the scheme's colours.
// It carries the tray's manifest (ui_showcase.rc), so it is drawn as the tray is at any display scale.
#include <windows.h>

#include <string>

#include "kov_text_win.h"
#include "sleep_dialog_win.h"
#include "tray_resource_ids.h"
#include "vaultwick_menu_win.h"
#include "vaultwick_tray_icon_win.h"

namespace {

class Showcase final : public KovToolkit::TrayEventHandler, public VaultwickMenuHandler {
public:
    bool onLeftButtonDown() override { return true; }
    bool onLeftButtonDoubleClick() override { return true; }
    bool onRightButtonDown() override {
        if (menu) menu->show();
        return true;
    }
    bool onKeySelect() override { return true; }
    bool onKeyboardMenu(int x, int y) override {
        if (menu) menu->show({x, y});
        return true;
    }
    bool onIconEvent(unsigned) override { return false; }
    bool onWindowMessage(unsigned, std::uintptr_t, std::intptr_t) override { return false; }
    void onMenuShowVaultwick() override {}
    void onMenuPauseResume() override {}
    void onMenuClose() override {}
    void onMenuComputer(const Messages::Computer*) override {}

    VaultwickMenu* menu = nullptr;
};

Messages::Computer computer(std::int64_t id, const wchar_t* name, bool online) {
    Messages::Computer c;
    c.id = id;
    c.name = name;
    c.isDestination = true;
    c.online = online;
    return c;
}

// Lets the caller look: the marker exists until the screenshot is taken.
void pauseAt(const std::wstring& dir, const wchar_t* step) {
    std::wstring marker = dir + L"\\" + step + L".ready";
    HANDLE f = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    for (int i = 0; i < 600 && GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES; ++i) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

// The centre of the icon in the notification area, as the shell reports it with a keyboard event;
// the screen's bottom right corner where the shell cannot tell.
WPARAM anchorOf(const KovToolkit::TrayIcon& icon) {
    NOTIFYICONIDENTIFIER which{};
    which.cbSize = sizeof which;
    which.hWnd = icon.getWindow();
    which.uID = static_cast<UINT>(icon.iconId());
    RECT at{};
    if (FAILED(Shell_NotifyIconGetRect(&which, &at))) {
        at.left = at.right = GetSystemMetrics(SM_CXSCREEN) - 10;
        at.top = at.bottom = GetSystemMetrics(SM_CYSCREEN) - 10;
    }
    return MAKEWPARAM((at.left + at.right) / 2, (at.top + at.bottom) / 2);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    KovToolkit::setModuleInstance(instance);
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::wstring dir = argc > 1 ? argv[1] : L".";
    bool withSleepDialog = argc > 2 && lstrcmpW(argv[2], L"sleep") == 0;
    bool statesOnly = argc > 2 && lstrcmpW(argv[2], L"states") == 0;
    if (argc > 3 && lstrcmpW(argv[3], L"high-contrast") == 0) KovToolkit::setHighContrastQuery([] { return true; });
    LocalFree(argv);

    Showcase showcase;
    StatusModel model;
    VaultwickTrayIcon icon(&showcase, &model);
    icon.create();
    icon.show();
    VaultwickMenu menu(icon.getWindow(), &model, &showcase);
    showcase.menu = &menu;
    if (statesOnly) {
        for (std::uint16_t id : {IDI_TRAY_INACTIVE, IDI_TRAY_GOOD, IDI_TRAY_WARNING, IDI_TRAY_ERROR, IDI_TRAY_ALERT,
                                 IDI_TRAY_BUSY_1, IDI_TRAY_BUSY_2, IDI_TRAY_BUSY_3, IDI_TRAY_BUSY_4, IDI_TRAY_BUSY_5}) {
            icon.setIcon(id);
            pauseAt(dir, (L"state-" + std::to_wstring(id)).c_str());
        }
        model.connecting = false;
        model.connected = true;
        model.loggedIn = true;
        model.applicationName = L"Vaultwick";
        model.stats.empty = false;
        model.stats.flags = Messages::BackupStats::Enabled;
        model.computers = {computer(7, L"Office", true), computer(8, L"Laptop", false)};
        menu.updateMenu();
        pauseAt(dir, L"state-menu");
        return 0;
    }
    menu.updateMenu();
    pauseAt(dir, L"01-connecting");

    const std::int64_t now = static_cast<std::int64_t>(KovToolkit::systemClock().nowSeconds());
    model.connecting = false;
    model.connected = true;
    model.loggedIn = true;
    model.applicationName = L"Vaultwick";
    model.computers = {computer(7, L"Office", true), computer(8, L"Laptop", false), computer(9, L"Attic", true)};
    model.stats.empty = false;
    model.stats.flags = Messages::BackupStats::Enabled;
    model.stats.healthLevel = 2;
    model.stats.totalFileCount = 48211;
    model.stats.lastBackupTime = now - 3 * 3600;
    model.stats.nextBackupTime = now + 5400;
    icon.refresh();
    menu.updateMenu();
    pauseAt(dir, L"02-good");
    pauseAt(dir, L"03-tooltip");
    pauseAt(dir, L"04-menu");
    // What Shift+F10 on the focused icon makes the shell send: the menu opens at the icon while the
    // mouse pointer is elsewhere; the caller closes it with Esc.
    PostMessageW(icon.getWindow(), icon.callbackMessage(), anchorOf(icon), MAKELPARAM(WM_CONTEXTMENU, icon.iconId()));
    pauseAt(dir, L"04-keyboard-menu");

    model.stats.healthLevel = 1;
    icon.refresh();
    pauseAt(dir, L"05-warning");
    model.stats.healthLevel = 0;
    icon.refresh();
    pauseAt(dir, L"06-error");

    model.stats.healthLevel = 2;
    model.stats.flags = Messages::BackupStats::Enabled | Messages::BackupStats::BackingUp;
    model.stats.backupTargetComputerId = 7;
    model.stats.bytesPerSecond = 1258291;
    model.stats.remainingBytes = 3LL * 1073741824;
    model.stats.totalBytes = 12LL * 1073741824;
    model.stats.remainingFileCount = 12053;
    icon.setAnimationInterval(300);
    icon.refresh();
    pauseAt(dir, L"07-busy");
    pauseAt(dir, L"08-busy-tooltip");

    model.stats.flags = Messages::BackupStats::Enabled;
    model.stats.healthLevel = 1;
    model.alertCount = 2;
    icon.refresh();
    pauseAt(dir, L"09-alert");

    model.alertCount = 0;
    model.stats.flags = 0;
    model.stats.pausedUntil = now + 7200;
    icon.refresh();
    menu.updateMenu();
    pauseAt(dir, L"10-paused");
    icon.notify(L"Vaultwick will continue to work to keep your data backed up.", L"Vaultwick is still running");
    pauseAt(dir, L"11-balloon");
    if (withSleepDialog) {
        // The marker goes first: the dialog is modal and returns only when the caller closes it.
        std::wstring marker = dir + L"\\12-sleep.ready";
        HANDLE f = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
        SleepDialog::show(icon.getWindow());
    }
    return 0;
}
