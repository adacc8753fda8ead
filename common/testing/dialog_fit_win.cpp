#include "dialog_fit_win.h"

#include "unique_handle_win.h"

namespace DialogFit {
namespace {

std::wstring textOf(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

SIZE measureText(HDC dc, HFONT font, const std::wstring& text, UINT format, int width) {
    HGDIOBJ old = SelectObject(dc, font);
    RECT box = {0, 0, width, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, format | DT_CALCRECT);
    SelectObject(dc, old);
    return {box.right - box.left, box.bottom - box.top};
}

// Room a control's text needs, in the control's font, drawn the way the control draws it.
SIZE needed(HWND control, const std::wstring& text, UINT format, int width) {
    HDC dc = GetDC(control);
    SIZE size = measureText(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), text, format, width);
    ReleaseDC(control, dc);
    return size;
}

struct Context {
    const std::string& label;
    int dpi;
    std::FILE* report;
    Tally& tally;
};

void record(Context& c, int control, const char* kind, const std::wstring& text, SIZE need, SIZE room) {
    bool fits = need.cx <= room.cx && need.cy <= room.cy;
    ++c.tally.measured;
    if (!fits) ++c.tally.cut;
    std::fprintf(c.report, "%s %s dpi=%d control=%d kind=%s need=%ldx%ld room=%ldx%ld text=%s\n", fits ? "FITS" : "CUT",
                 c.label.c_str(), c.dpi, control, kind, need.cx, need.cy, room.cx, room.cy, utf8(text).c_str());
}

BOOL CALLBACK measureControl(HWND control, LPARAM context) {
    Context& c = *reinterpret_cast<Context*>(context);
    std::wstring text = textOf(control);
    wchar_t className[32] = {};
    GetClassNameW(control, className, 32);
    LONG style = GetWindowLongW(control, GWL_STYLE);
    RECT client;
    GetClientRect(control, &client);
    SIZE room = {client.right, client.bottom};
    int id = GetDlgCtrlID(control);
    if (text.empty()) return TRUE;
    if (lstrcmpiW(className, L"Button") == 0 && (style & BS_TYPEMASK) == BS_GROUPBOX) {
        // The caption sits in the frame's top edge, indented by about a character on each side.
        SIZE need = needed(control, text, DT_SINGLELINE, 0);
        need.cx += 2 * needed(control, L"M", DT_SINGLELINE, 0).cx;
        record(c, id, "group", text, need, room);
    } else if (lstrcmpiW(className, L"Button") == 0) {
        // Push buttons: one line inside the 3-D edge and the focus rectangle.
        SIZE need = needed(control, text, DT_SINGLELINE, 0);
        need.cx += 2 * (GetSystemMetrics(SM_CXEDGE) + 2);
        record(c, id, "button", text, need, room);
    } else if (lstrcmpiW(className, L"Static") == 0 && (style & SS_TYPEMASK) != SS_ICON) {
        // Left-aligned statics wrap at word breaks; what is taller than the control is cut off.
        record(c, id, "text", text, needed(control, text, DT_WORDBREAK | DT_EXPANDTABS, room.cx), room);
    }
    return TRUE;
}

}  // namespace

void measure(HWND dialog, const std::string& label, std::FILE* report, Tally& tally) {
    HDC screen = GetDC(nullptr);
    Context c{label, GetDeviceCaps(screen, LOGPIXELSY), report, tally};
    ReleaseDC(nullptr, screen);
    EnumChildWindows(dialog, measureControl, reinterpret_cast<LPARAM>(&c));

    // The title, in the caption font, between the frame and the close box.
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    Win::UniqueGdiObject captionFont(CreateFontIndirectW(&metrics.lfCaptionFont));
    std::wstring title = textOf(dialog);
    HDC dc = GetDC(dialog);
    SIZE need = measureText(dc, static_cast<HFONT>(captionFont.get()), title, DT_SINGLELINE, 0);
    ReleaseDC(dialog, dc);
    RECT frame;
    GetWindowRect(dialog, &frame);
    SIZE room = {frame.right - frame.left - 2 * GetSystemMetrics(SM_CXFRAME) - GetSystemMetrics(SM_CXSIZE) - 8,
                 metrics.iCaptionHeight};
    record(c, 0, "title", title, need, room);

    // Which face the controls' font came out as: a different face explains different room.
    HDC faceDc = GetDC(dialog);
    HGDIOBJ old = SelectObject(faceDc, reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)));
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(faceDc, LF_FACESIZE, face);
    SelectObject(faceDc, old);
    ReleaseDC(dialog, faceDc);
    std::fprintf(report, "FONT %s dpi=%d face=%s\n", label.c_str(), c.dpi, utf8(face).c_str());
}

bool drawsGlyph(HWND dialog, wchar_t c) {
    const wchar_t missing = 0xFFFF;  // not a character: no font has it
    HDC dc = GetDC(dialog);
    auto font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    SIZE real = measureText(dc, font, std::wstring(4, c), DT_SINGLELINE, 0);
    SIZE box = measureText(dc, font, std::wstring(4, missing), DT_SINGLELINE, 0);
    ReleaseDC(dialog, dc);
    return real.cx != box.cx;
}

std::string utf8(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace DialogFit
