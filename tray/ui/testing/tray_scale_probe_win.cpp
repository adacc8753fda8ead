// tray_scale_probe measure <report file>: what the tray hands out at this process's display scale —
// the size of the icon it adds to the notification area, whether that is the image drawn for that
// size, and the size of the menu's computer dot. Carries the tray's manifest (tray_scale_probe.rc), so
// it is DPI aware as VaultwickTray.exe is; the test sets the DPI before starting it.
#include <windows.h>

#include <cstdio>

#include "kov_text_win.h"
#include "tray_win_test_support.h"
#include "vaultwick_menu_win.h"

namespace {

struct QuietMenuHandler final : VaultwickMenuHandler {
    void onMenuShowVaultwick() override {}
    void onMenuPauseResume() override {}
    void onMenuClose() override {}
    void onMenuComputer(const Messages::Computer*) override {}
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3 || lstrcmpW(argv[1], L"measure") != 0) {
        std::fprintf(stderr, "usage: tray_scale_probe measure <report>\n");
        return 2;
    }
    std::FILE* report = _wfopen(argv[2], L"w");
    if (!report) return 2;
    KovToolkit::setModuleInstance(GetModuleHandleW(nullptr));
    TrayWinTest::RecordingShell shell;
    TrayWinTest::RecordingHandler handler;
    KovToolkit::TrayIcon icon(104, &handler, shell);
    icon.create();
    icon.show();
    const TrayWinTest::IconImage added = shell.requests.size() >= 2 ? shell.requests[1].image : TrayWinTest::IconImage{};
    const bool drawn = added.width > 0 && added == TrayWinTest::resourceImage(104, added.width);

    StatusModel model;
    Messages::Computer office;
    office.id = 7;
    office.name = L"Office";
    office.isDestination = true;
    model.computers = {office};
    QuietMenuHandler choices;
    VaultwickMenu menu(icon.getWindow(), &model, &choices);
    menu.updateMenu();
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_CHECKMARKS;
    GetMenuItemInfoW(menu.popup(), 2, TRUE, &item);
    const SIZE dot = TrayWinTest::bitmapSize(item.hbmpUnchecked);

    std::fprintf(report, "dpi=%u icon=%d drawn=%d dot=%ld\n", KovToolkit::windowDpi(icon.getWindow()), added.width,
                 drawn ? 1 : 0, dot.cx);
    std::fclose(report);
    return 0;
}
