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

std::wstring textOf(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::string utf8(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// Room a control's text needs, measured in the control's own font the way the control draws it.
SIZE needed(HWND control, const std::wstring& text, UINT format, int width) {
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT box = {0, 0, width, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, format | DT_CALCRECT);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return {box.right - box.left, box.bottom - box.top};
}

struct Check {
    HWND dialog;
    LANGID language;
    int dialogId;
    int dpi;  // what this process's windows are laid out for
    std::FILE* report;
    int measured = 0;
    int cut = 0;
};

void record(Check& check, int control, const char* kind, const std::wstring& text, SIZE need, SIZE room) {
    bool fits = need.cx <= room.cx && need.cy <= room.cy;
    ++check.measured;
    if (!fits) ++check.cut;
    std::fprintf(check.report, "%s lang=%u dpi=%d dialog=%d control=%d kind=%s need=%ldx%ld room=%ldx%ld text=%s\n",
                 fits ? "FITS" : "CUT", check.language, check.dpi, check.dialogId, control, kind,
                 need.cx, need.cy, room.cx, room.cy, utf8(text).c_str());
}

BOOL CALLBACK measureControl(HWND control, LPARAM context) {
    Check& check = *reinterpret_cast<Check*>(context);
    std::wstring text = textOf(control);
    wchar_t className[32] = {};
    GetClassNameW(control, className, 32);
    LONG style = GetWindowLongW(control, GWL_STYLE);
    RECT client;
    GetClientRect(control, &client);
    SIZE room = {client.right, client.bottom};
    int id = GetDlgCtrlID(control);
    if (text.empty() || lstrcmpiW(className, L"Edit") == 0) return TRUE;
    if (lstrcmpiW(className, L"Button") == 0 && (style & BS_TYPEMASK) == BS_GROUPBOX) {
        // The caption sits in the frame's top edge, indented by about a character on each side.
        SIZE need = needed(control, text, DT_SINGLELINE, 0);
        SIZE indent = needed(control, L"M", DT_SINGLELINE, 0);
        need.cx += 2 * indent.cx;
        record(check, id, "group", text, need, room);
    } else if (lstrcmpiW(className, L"Button") == 0) {
        // Push buttons: one line inside the 3-D edge and the focus rectangle.
        SIZE need = needed(control, text, DT_SINGLELINE, 0);
        need.cx += 2 * (GetSystemMetrics(SM_CXEDGE) + 2);
        record(check, id, "button", text, need, room);
    } else if (lstrcmpiW(className, L"Static") == 0 && (style & SS_TYPEMASK) != SS_ICON) {
        // Left-aligned statics wrap at word breaks; what is taller than the control is cut off.
        SIZE need = needed(control, text, DT_WORDBREAK | DT_EXPANDTABS, room.cx);
        record(check, id, "text", text, need, room);
    }
    return TRUE;
}

int measure(const wchar_t* reportPath) {
    std::FILE* report = _wfopen(reportPath, L"w");
    if (!report) return 2;
    int cut = 0, measured = 0;
    for (LANGID language : kLanguages) {
        for (int dialogId : kDialogs) {
            Win::UniqueHwnd dialog = createDialog(language, dialogId);
            if (!dialog) {
                std::fprintf(report, "MISSING lang=%u dialog=%d\n", language, dialogId);
                ++cut;
                continue;
            }
            HDC screen = GetDC(nullptr);
            Check check{dialog.get(), language, dialogId, GetDeviceCaps(screen, LOGPIXELSY), report};
            ReleaseDC(nullptr, screen);
            EnumChildWindows(dialog.get(), measureControl, reinterpret_cast<LPARAM>(&check));
            // The title: caption font, between the frame and the close box.
            NONCLIENTMETRICSW metrics{sizeof(metrics)};
            SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
            Win::UniqueGdiObject captionFont(CreateFontIndirectW(&metrics.lfCaptionFont));
            HDC dc = GetDC(dialog.get());
            HGDIOBJ old = SelectObject(dc, captionFont.get());
            std::wstring title = textOf(dialog.get());
            SIZE extent{};
            GetTextExtentPoint32W(dc, title.c_str(), static_cast<int>(title.size()), &extent);
            SelectObject(dc, old);
            ReleaseDC(dialog.get(), dc);
            RECT frame;
            GetWindowRect(dialog.get(), &frame);
            SIZE room = {frame.right - frame.left - 2 * GetSystemMetrics(SM_CXFRAME) - GetSystemMetrics(SM_CXSIZE) - 8,
                         metrics.iCaptionHeight};
            record(check, 0, "title", title, {extent.cx, extent.cy}, room);
            cut += check.cut;
            measured += check.measured;
        }
    }
    std::fprintf(report, "measured=%d cut=%d\n", measured, cut);
    std::fclose(report);
    return cut == 0 ? 0 : 1;
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
