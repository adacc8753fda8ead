// sleep_dialog_fit_probe measure <report file>: the sleep dialog (118) as this process's DPI lays it
// out, every text against its control. Carries the tray's manifest (sleep_dialog_fit_probe.rc), so it
// is DPI aware as VaultwickTray.exe is; the test sets the DPI before starting it.
#include <windows.h>

#include <cstdio>

#include "dialog_fit_win.h"
#include "tray_resource_ids.h"
#include "unique_handle_win.h"

namespace {

INT_PTR CALLBACK quietDialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3 || lstrcmpW(argv[1], L"measure") != 0) {
        std::fprintf(stderr, "usage: sleep_dialog_fit_probe measure <report>\n");
        return 2;
    }
    std::FILE* report = _wfopen(argv[2], L"w");
    if (!report) return 2;
    DialogFit::Tally tally;
    Win::UniqueHwnd dialog(
        CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_SLEEP), nullptr, quietDialog, 0));
    if (dialog)
        DialogFit::measure(dialog.get(), "dialog=118", report, tally);
    else
        std::fprintf(report, "MISSING dialog=118\n");
    std::fprintf(report, "measured=%d cut=%d\n", tally.measured, dialog ? tally.cut : 1);
    std::fclose(report);
    return dialog && tally.cut == 0 ? 0 : 1;
}
