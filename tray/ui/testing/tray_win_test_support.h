#pragma once
// Helpers of the tray's Win32 tests: a shell that records requests and keeps the icon's presence
// like the real one, a handler that records events, and pixel sampling of icons and bitmaps.
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tray_icon_win.h"
#include "tray_log.h"

namespace TrayWinTest {

struct Request {
    DWORD message;
    NOTIFYICONDATAW data;
    std::wstring tip() const { return data.szTip; }
    std::wstring info() const { return data.szInfo; }
    std::wstring title() const { return data.szInfoTitle; }
};

class RecordingShell final : public KovToolkit::ShellNotify {
public:
    std::vector<Request> requests;
    bool present = false;

    bool request(DWORD message, const NOTIFYICONDATAW& data) override {
        requests.push_back({message, data});
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
    std::vector<UINT> windowMessages;
    std::vector<WPARAM> timerIds;
    bool handles = true;

    bool onLeftButtonDown() override { return record("left"); }
    bool onLeftButtonDoubleClick() override { return record("double"); }
    bool onRightButtonDown() override { return record("right"); }
    bool onIconEvent(unsigned mouseMessage) override {
        iconEvents.push_back(mouseMessage);
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
