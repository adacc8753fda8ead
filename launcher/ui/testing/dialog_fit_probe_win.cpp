// dialog_fit_probe: the launcher's two dialogs as this process's DPI lays them out, in each language
// the program carries, without running the launcher.
//   dialog_fit_probe measure <report file>    every control's text against its control, one line each
//   dialog_fit_probe show <language> <dialog> <seconds>   the dialog on screen for a while (demo)
// It carries VaultwickService.exe's manifest (dialog_fit_probe.rc), so it is DPI aware and draws with
// the same controls as the launcher; the test sets the DPI (Wine's LogPixels) before starting it.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "dialog_fit_win.h"
#include "launcher_resource_ids.h"
#include "text_format.h"
#include "unique_handle_win.h"

namespace {

const LANGID kLanguages[] = {1028, 1031, 1033, 1036, 1041, 1043, 1053, 2052, 3082};
const int kDialogs[] = {IDD_JRE_NOT_FOUND, IDD_JAVA_EXCEPTION};

// One string of the table in one language (the table stores 16 counted strings per block).
std::wstring stringIn(LANGID language, unsigned id) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
    if (!found) return L"";
    auto* p = static_cast<const WCHAR*>(LockResource(LoadResource(module, found)));
    for (unsigned i = 0; p && i < id % 16; ++i) p += 1 + *p;
    return p ? std::wstring(p + 1, *p) : L"";
}

// The longest message the "JRE Not Found" dialog shows: a server VM between two versions.
std::wstring longestJreMessage(LANGID language) {
    std::wstring phrase = TextFormat::format(stringIn(language, 221), {L"1.8.0_402", L"21.0.2"});
    return TextFormat::format(stringIn(language, 206), {phrase});
}

INT_PTR CALLBACK quietDialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

Win::UniqueHwnd createDialog(LANGID language, int dialog) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceExW(module, RT_DIALOG, MAKEINTRESOURCEW(dialog), language);
    if (!found) return Win::UniqueHwnd();
    auto* layout = static_cast<LPCDLGTEMPLATEW>(LockResource(LoadResource(module, found)));
    Win::UniqueHwnd window(CreateDialogIndirectParamW(module, layout, nullptr, quietDialog, 0));
    if (window)  // as both dialogs do when they start
        SendDlgItemMessageW(window.get(), IDC_ERROR_ICON, STM_SETICON,
                            reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_ERROR)), 0);
    if (window && dialog == IDD_JRE_NOT_FOUND)
        SetDlgItemTextW(window.get(), IDC_JRE_MESSAGE, longestJreMessage(language).c_str());
    if (window && dialog == IDD_JAVA_EXCEPTION)
        SetDlgItemTextW(window.get(), IDC_EXCEPTION_TEXT, L"java.lang.IllegalStateException: demo\r\n\tat Main.main(Main.java:1)");
    return window;
}

int measure(const wchar_t* reportPath) {
    std::FILE* report = _wfopen(reportPath, L"w");
    if (!report) return 2;
    DialogFit::Tally tally;
    for (LANGID language : kLanguages) {
        for (int dialogId : kDialogs) {
            std::string label = "lang=" + std::to_string(language) + " dialog=" + std::to_string(dialogId);
            Win::UniqueHwnd dialog = createDialog(language, dialogId);
            if (!dialog) {
                std::fprintf(report, "MISSING %s\n", label.c_str());
                ++tally.cut;
                continue;
            }
            // 見 and 们: a Japanese and a simplified Chinese character the texts use.
            wchar_t probe = language == 1041 ? L'\u898B' : language == 2052 ? L'\u4EEC' : L'A';
            if (!DialogFit::drawsGlyph(dialog.get(), probe))
                std::fprintf(report, "NOFONT %s: no font has its characters; they are measured as boxes\n",
                             label.c_str());
            DialogFit::measure(dialog.get(), label, report, tally);
        }
    }
    std::fprintf(report, "measured=%d cut=%d\n", tally.measured, tally.cut);
    std::fclose(report);
    return tally.cut == 0 ? 0 : 1;
}

int show(LANGID language, int dialogId, int seconds) {
    Win::UniqueHwnd dialog = createDialog(language, dialogId);
    if (!dialog) return 2;
    SetWindowPos(dialog.get(), HWND_TOP, 16, 16, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == nullptr) break;
        if (IsDialogMessageW(dialog.get(), &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && lstrcmpW(argv[1], L"measure") == 0) return measure(argv[2]);
    if (argc == 5 && lstrcmpW(argv[1], L"show") == 0)
        return show(static_cast<LANGID>(_wtoi(argv[2])), _wtoi(argv[3]), _wtoi(argv[4]));
    std::fprintf(stderr, "usage: dialog_fit_probe measure <report> | show <language> <dialog> <seconds>\n");
    return 2;
}
