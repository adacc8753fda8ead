#pragma once
// Helpers of the tray's Win32 tests: a shell that records requests and keeps the icon's presence
// like the real one, a handler that records events, and pixel sampling of icons and bitmaps.
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tray_icon_win.h"
#include "tray_log.h"

namespace TrayWinTest {

// The pixels of an image, top row first, each 0xAARRGGBB.
struct IconImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    bool operator==(const IconImage& o) const { return width == o.width && height == o.height && pixels == o.pixels; }
};

// The colour image of an icon as the system holds it (what a shell that copies it gets).
inline IconImage iconImage(HICON icon) {
    IconImage image;
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return image;
    BITMAP bitmap{};
    GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = bitmap.bmWidth;
    format.bmiHeader.biHeight = -bitmap.bmHeight;  // top row first
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    image.pixels.resize(static_cast<std::size_t>(bitmap.bmWidth) * bitmap.bmHeight);
    HDC screen = GetDC(nullptr);
    if (GetDIBits(screen, info.hbmColor, 0, bitmap.bmHeight, image.pixels.data(), &format, DIB_RGB_COLORS) ==
        bitmap.bmHeight) {
        image.width = bitmap.bmWidth;
        image.height = bitmap.bmHeight;
    } else {
        image.pixels.clear();
    }
    ReleaseDC(nullptr, screen);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return image;
}

// The image of exactly `size` pixels in the module's icon resource `id`, read from the resource's
// own bytes (32-bit bitmaps; PNG images decoded at their size): what a correct load at that size
// must show, pixel for pixel.
inline IconImage resourceImage(unsigned id, int size) {
    IconImage image;
    HMODULE module = GetModuleHandleW(nullptr);
    auto bytesOf = [&](unsigned resource, LPCWSTR type, DWORD& length) -> const std::uint8_t* {
        HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(resource), type);
        length = found ? SizeofResource(module, found) : 0;
        HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
        return loaded ? static_cast<const std::uint8_t*>(LockResource(loaded)) : nullptr;
    };
    DWORD length = 0;
    const std::uint8_t* group = bytesOf(id, MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */, length);
    if (!group || length < 6) return image;
    unsigned count = group[4] | (group[5] << 8);
    for (unsigned i = 0; i < count && 6 + (i + 1) * 14 <= length; ++i) {
        const std::uint8_t* entry = group + 6 + i * 14;
        if (entry[0] != size) continue;
        const std::uint8_t* dib = bytesOf(entry[12] | (entry[13] << 8), MAKEINTRESOURCEW(3) /* RT_ICON */, length);
        if (dib && length > 8 && dib[1] == 'P' && dib[2] == 'N' && dib[3] == 'G') {
            // Stored as PNG: decoded by the system at its own size, so nothing is resized.
            Win::UniqueHicon decoded(CreateIconFromResourceEx(const_cast<BYTE*>(dib), length, TRUE, 0x00030000, size, size, 0));
            return iconImage(decoded.get());
        }
        if (!dib || length < 40 + 4u * size * size || (dib[14] | (dib[15] << 8)) != 32) return image;
        image.width = image.height = size;
        for (int y = size - 1; y >= 0; --y) {  // stored bottom row first
            for (int x = 0; x < size; ++x) {
                const std::uint8_t* p = dib + 40 + 4 * (y * size + x);
                image.pixels.push_back(std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | p[1] << 8 | p[0]);
            }
        }
        return image;
    }
    return image;
}

struct Request {
    DWORD message;
    NOTIFYICONDATAW data;
    IconImage image;  // what data.hIcon showed when the request was made
    std::wstring tip() const { return data.szTip; }
    std::wstring info() const { return data.szInfo; }
    std::wstring title() const { return data.szInfoTitle; }
};

class RecordingShell final : public KovToolkit::ShellNotify {
public:
    std::vector<Request> requests;
    bool present = false;

    bool request(DWORD message, const NOTIFYICONDATAW& data) override {
        requests.push_back({message, data, (data.uFlags & NIF_ICON) ? iconImage(data.hIcon) : IconImage{}});
        switch (message) {
        case NIM_ADD:
            if (present) return false;
            present = true;
            return true;
        case NIM_DELETE:
            if (!present) return false;
            present = false;
            return true;
        default:
            return present;  // a modify succeeds only for an icon that is there
        }
    }
};

class RecordingHandler final : public KovToolkit::TrayEventHandler {
public:
    std::vector<std::string> events;
    std::vector<unsigned> iconEvents;
    std::vector<POINT> menuAnchors;
    std::function<void()> duringRightPress;
    std::vector<UINT> windowMessages;
    std::vector<WPARAM> timerIds;
    bool handles = true;

    bool onLeftButtonDown() override { return record("left"); }
    bool onLeftButtonDoubleClick() override { return record("double"); }
    bool onRightButtonDown() override {
        record("right");
        if (duringRightPress) duringRightPress();  // as if from within the menu's modal loop
        return handles;
    }
    bool onKeySelect() override { return record("key"); }
    bool onKeyboardMenu(int x, int y) override {
        menuAnchors.push_back({x, y});
        return record("menu");
    }
    bool onIconEvent(unsigned event) override {
        iconEvents.push_back(event);
        return record("icon");
    }
    bool onWindowMessage(unsigned message, std::uintptr_t first, std::intptr_t) override {
        windowMessages.push_back(message);
        if (message == WM_TIMER) timerIds.push_back(first);
        return false;
    }

private:
    bool record(const char* e) {
        events.push_back(e);
        return handles;
    }
};

inline BOOL CALLBACK findVisibleMenu(HWND window, LPARAM out) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (lstrcmpW(name, L"#32768") != 0 || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(out) = window;
    return FALSE;
}

// The window of the popup menu being tracked now; null while none is open.
inline HWND openMenuWindow() {
    HWND found = nullptr;
    EnumWindows(findVisibleMenu, reinterpret_cast<LPARAM>(&found));
    return found;
}

// What to do with a popup menu once it is open, from a thread timer inside its modal loop: post
// `keys` to it, or else bring `clickedWindow` (if any) to the front and close it.
struct MenuScript {
    std::vector<WPARAM> keys;
    HWND clickedWindow = nullptr;
    RECT shownAt{};  // the open menu's window
    std::function<void()> whileOpen;  // first of all
};

inline MenuScript& currentMenuScript() {
    static MenuScript script;
    return script;
}

inline void CALLBACK runMenuScript(HWND, UINT, UINT_PTR id, DWORD) {
    HWND menu = openMenuWindow();
    if (!menu) return;  // not up yet; the timer fires again
    KillTimer(nullptr, id);
    MenuScript& script = currentMenuScript();
    GetWindowRect(menu, &script.shownAt);
    if (script.whileOpen) script.whileOpen();
    for (WPARAM key : script.keys) PostMessageW(menu, WM_KEYDOWN, key, 0);
    if (!script.keys.empty()) return;
    if (script.clickedWindow) SetForegroundWindow(script.clickedWindow);
    EndMenu();
}

// Calls `track`, which shows a menu, with `script` working that menu; where the menu showed.
template <typename Track>
RECT workMenu(MenuScript script, Track track) {
    currentMenuScript() = std::move(script);
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, runMenuScript);
    track();
    KillTimer(nullptr, timer);
    return currentMenuScript().shownAt;
}

struct LogCapture {
    std::vector<std::wstring> lines;  // "LEVEL|source|text"
    LogCapture() {
        TrayLog::setSink([this](std::wstring_view l, std::wstring_view s, std::wstring_view t) {
            lines.push_back(std::wstring(l) + L"|" + std::wstring(s) + L"|" + std::wstring(t));
        });
    }
    ~LogCapture() { TrayLog::setSink({}); }
};

// Colour of the pixel at (x, y) of a bitmap, as 0xRRGGBB.
inline std::uint32_t bitmapPixel(HBITMAP bitmap, int x, int y) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

inline SIZE bitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    return SIZE{info.bmWidth, info.bmHeight};
}

// Colour of an icon at a point given in 16ths of its width and height.
inline std::uint32_t iconPixel(HICON icon, int x16, int y16) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return 0xFFFFFFFF;
    SIZE size = bitmapSize(info.hbmColor);
    std::uint32_t c = bitmapPixel(info.hbmColor, size.cx * x16 / 16, size.cy * y16 / 16);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return c;
}

// Sets a system colour for one test and puts the old one back.
class SystemColour {
public:
    SystemColour(int element, COLORREF colour) : element_(element), old_(GetSysColor(element)) {
        SetSysColors(1, &element_, &colour);
    }
    ~SystemColour() { SetSysColors(1, &element_, &old_); }
    SystemColour(const SystemColour&) = delete;
    SystemColour& operator=(const SystemColour&) = delete;

private:
    int element_;
    COLORREF old_;
};

// Runs the thread's message loop until `done` or `maxRounds` waits of 50 ms have passed.
template <typename Done>
bool pumpUntil(Done done, int maxRounds = 200) {
    for (int round = 0; round < maxRounds && !done(); ++round) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return done();
}

}  // namespace TrayWinTest
