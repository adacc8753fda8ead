#include "hyperlink_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "dialog_layout.h"

namespace {

const wchar_t kProperty[] = L"VwHyperLink";

// The hand cursor, 32 by 32 with its hot spot at the finger tip (5, 0): '#' black, '.' white.
const char* const kHandShape[] = {
    "     ##",          "    #..#",          "    #..#",          "    #..#",
    "    #..###",       "    #..#..##",      "    #..#..#.##",    " ## #..#..#..#.#",
    "#..##........#.#", "#...#..........#", " #.............#", "  #............#",
    "  #...........#",  "   #..........#",  "   #.........#",   "    #........#",
    "    ##########",
};

// A browser colour value: a string of at most 24 bytes ending in a null character.
void readColorValue(HKEY key, const wchar_t* name, COLORREF& color) {
    BYTE data[24];
    DWORD size = sizeof(data);
    DWORD type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, data, &size) != ERROR_SUCCESS) return;
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || size < sizeof(wchar_t) || size % sizeof(wchar_t) != 0) return;
    const auto* text = reinterpret_cast<const wchar_t*>(data);
    std::size_t length = size / sizeof(wchar_t) - 1;
    if (text[length] != L'\0') return;
    if (auto parsed = parseAnchorColor(std::wstring_view(text, length))) color = *parsed;
}

}  // namespace

HyperLink* HyperLink::attach(HWND control, Opener opener) {
    if (!IsWindow(control)) return nullptr;
    return new HyperLink(control, std::move(opener));  // deleted when the control goes (WM_NCDESTROY)
}

HyperLink* HyperLink::fromControl(HWND control) { return static_cast<HyperLink*>(GetPropW(control, kProperty)); }

bool HyperLink::shellOpen(const std::wstring& target) {
    auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

HyperLink::HyperLink(HWND control, Opener opener) : control_(control), opener_(std::move(opener)) {
    wchar_t className[16] = {};
    GetClassNameW(control_, className, 16);
    if (lstrcmpiW(className, L"static") == 0) {
        SetWindowLongPtrW(control_, GWL_STYLE, GetWindowLongPtrW(control_, GWL_STYLE) | SS_NOTIFY);
    }
    int length = GetWindowTextLengthW(control_);
    std::vector<wchar_t> text(length + 1);
    GetWindowTextW(control_, text.data(), length + 1);
    target_.assign(text.data());

    HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageW(GetParent(control_), WM_GETFONT, 0, 0));
    LOGFONTW font{};
    GetObjectW(dialogFont ? static_cast<HGDIOBJ>(dialogFont) : GetStockObject(SYSTEM_FONT), sizeof(font), &font);
    font.lfUnderline = TRUE;
    underlinedFont_.reset(CreateFontIndirectW(&font));

    readColors();
    createCursor();
    SetPropW(control_, kProperty, this);
    previousProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HyperLink::windowProc)));
    measureLabel();
    createTooltip();
}

HyperLink::~HyperLink() { RemovePropW(control_, kProperty); }

void HyperLink::readColors() {
    Win::UniqueHkey settings;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\Settings", 0,
                      KEY_READ | KEY_WRITE, settings.put()) != ERROR_SUCCESS) {
        return;
    }
    readColorValue(settings.get(), L"Anchor Color", linkColor_);
    readColorValue(settings.get(), L"Anchor Color Visited", visitedColor_);
}

void HyperLink::createCursor() {
    BYTE andMask[32 * 4];
    BYTE xorMask[32 * 4];
    std::fill(std::begin(andMask), std::end(andMask), 0xFF);  // transparent
    std::fill(std::begin(xorMask), std::end(xorMask), 0x00);
    for (int y = 0; y < static_cast<int>(sizeof(kHandShape) / sizeof(kHandShape[0])); ++y) {
        for (int x = 0; kHandShape[y][x] != '\0'; ++x) {
            char c = kHandShape[y][x];
            if (c == ' ') continue;
            BYTE bit = static_cast<BYTE>(0x80 >> (x % 8));
            andMask[y * 4 + x / 8] &= static_cast<BYTE>(~bit);
            if (c == '.') xorMask[y * 4 + x / 8] |= bit;
        }
    }
    cursor_.reset(CreateCursor(GetModuleHandleW(nullptr), 5, 0, 32, 32, andMask, xorMask));
}

void HyperLink::createTooltip() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    tooltip_.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, control_, nullptr,
                                   GetModuleHandleW(nullptr), nullptr));
    if (!tooltip_) return;
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = control_;
    tool.uId = 1;
    tool.rect = labelRect_;
    tool.lpszText = const_cast<wchar_t*>(target_.c_str());
    SendMessageW(tooltip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tooltip_.get(), TTM_ACTIVATE, TRUE, 0);
}

void HyperLink::measureLabel() {
    RECT client;
    GetClientRect(control_, &client);
    HDC dc = GetDC(control_);
    HGDIOBJ previous = SelectObject(dc, underlinedFont_.get());
    RECT text = client;
    DrawTextW(dc, target_.c_str(), -1, &text, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, previous);
    ReleaseDC(control_, dc);

    LONG width = text.right - text.left;
    LONG style = static_cast<LONG>(GetWindowLongPtrW(control_, GWL_STYLE)) & SS_TYPEMASK;
    if (style == SS_RIGHT) {
        text.left = client.right - width;
    } else if (style == SS_CENTER) {
        text.left = client.left + (client.right - client.left - width) / 2;
    }
    text.right = text.left + width;
    labelRect_ = text;

    if (tooltip_) {
        TOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.hwnd = control_;
        tool.uId = 1;
        tool.rect = labelRect_;
        SendMessageW(tooltip_.get(), TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void HyperLink::paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(control_, &ps);
    RECT client;
    GetClientRect(control_, &client);
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(GetParent(control_), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control_)));
    FillRect(dc, &client, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
    SetBkMode(dc, TRANSPARENT);
    COLORREF color = !IsWindowEnabled(control_) ? GetSysColor(COLOR_GRAYTEXT) : (visited_ ? visitedColor_ : linkColor_);
    SetTextColor(dc, color);
    HGDIOBJ previous = SelectObject(dc, underlinedFont_.get());
    RECT label = labelRect_;
    DrawTextW(dc, target_.c_str(), -1, &label, DT_SINGLELINE);
    SelectObject(dc, previous);
    if (GetFocus() == control_) DrawFocusRect(dc, &labelRect_);
    EndPaint(control_, &ps);
}

bool HyperLink::isInsideLabel(LPARAM clientPoint) const {
    POINT p{static_cast<short>(LOWORD(clientPoint)), static_cast<short>(HIWORD(clientPoint))};
    return PtInRect(&labelRect_, p) != FALSE;
}

void HyperLink::open() {
    if (opener_ && opener_(target_)) {
        visited_ = true;
        InvalidateRect(control_, nullptr, TRUE);
    }
}

LRESULT HyperLink::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (tooltip_ && message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) {
        MSG relayed{control_, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
        SendMessageW(tooltip_.get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }
    switch (message) {
        case WM_PAINT:
            paint();
            return 0;
        case WM_SETCURSOR: {
            POINT p;
            GetCursorPos(&p);
            ScreenToClient(control_, &p);
            if (PtInRect(&labelRect_, p)) {
                SetCursor(cursor_.get());
                return TRUE;
            }
            break;
        }
        case WM_LBUTTONDOWN:
            if (isInsideLabel(lParam)) {
                SetFocus(control_);
                SetCapture(control_);
                capturing_ = true;
            }
            return 0;
        case WM_LBUTTONUP:
            if (capturing_) {
                capturing_ = false;
                ReleaseCapture();
                if (isInsideLabel(lParam)) open();
            }
            return 0;
        case WM_CAPTURECHANGED:
            capturing_ = false;
            break;
        case WM_GETDLGCODE: {
            // A dialog gives Enter to its default button unless the focused control asks for the key.
            const auto* key = reinterpret_cast<const MSG*>(lParam);
            const bool enter = key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN;
            return DLGC_WANTCHARS | (enter ? DLGC_WANTMESSAGE : 0);
        }
        case WM_CHAR:
            // Only the character opens: the key that made it does not, so each press opens once.
            if (wParam == L' ' || wParam == L'\r') open();
            return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE:
            InvalidateRect(control_, nullptr, TRUE);
            break;
        case WM_SIZE:
            measureLabel();
            break;
        case WM_DESTROY:
            tooltip_.reset();
            break;
        case WM_NCDESTROY: {
            WNDPROC previous = previousProc_;
            SetWindowLongPtrW(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
            delete this;
            return CallWindowProcW(previous, control_, message, wParam, lParam);
        }
    }
    return CallWindowProcW(previousProc_, control_, message, wParam, lParam);
}

LRESULT CALLBACK HyperLink::windowProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    HyperLink* link = fromControl(control);
    if (!link) return DefWindowProcW(control, message, wParam, lParam);
    return link->handle(message, wParam, lParam);
}
