#include "tray_image_win.h"

#include <string>

#include "kov_text.h"
#include "kov_text_win.h"
#include "tray_resource_ids.h"

namespace KovToolkit {
namespace {

// Both appeared in Windows 10 (1607); found at run time so the tray still starts on Windows 7.
template <typename Function>
Function user32Function(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);

unsigned screenDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<unsigned>(dpi) : 96u;
}

Win::UniqueHicon loadIconFile(const std::wstring& path, int size) {
    return Win::UniqueHicon(
        static_cast<HICON>(LoadImageW(nullptr, path.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE)));
}

Win::UniqueHicon loadIconResource(unsigned id, int size) {
    if (id > 0xFFFF) return {};
    return Win::UniqueHicon(
        static_cast<HICON>(LoadImageW(moduleInstance(), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0)));
}

}  // namespace

unsigned windowDpi(HWND window) {
    static const auto getDpiForWindow = user32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    if (getDpiForWindow && window) {
        UINT dpi = getDpiForWindow(window);
        if (dpi > 0) return dpi;
    }
    return screenDpi();
}

int smallIconSize(unsigned dpi) {
    static const auto forDpi = user32Function<GetSystemMetricsForDpiFunction>("GetSystemMetricsForDpi");
    int size = forDpi ? forDpi(SM_CXSMICON, dpi) : GetSystemMetrics(SM_CXSMICON);
    return size > 0 ? size : 16;
}

bool taskbarUsesLightTheme() {
    DWORD value = 0, bytes = sizeof value;
    LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                                  L"SystemUsesLightTheme", RRF_RT_REG_DWORD, nullptr, &value, &bytes);
    return status == ERROR_SUCCESS && value == 1;
}

ImageScale imageScaleFor(unsigned dpi) { return ImageScale{dpi, smallIconSize(dpi), taskbarUsesLightTheme()}; }

Win::UniqueHicon loadTrayImage(std::uint16_t iconId, const ImageScale& scale) {
    const std::wstring name = fromInt(iconId) + L".ico";
    for (const wchar_t* folder : {L"skin\\custom\\tray\\", L"skin\\tray\\"}) {
        if (auto icon = loadIconFile(folder + name, scale.size)) return icon;
    }
    if (scale.lightTaskbar) {
        if (auto icon = loadIconResource(iconId + IDI_LIGHT_TASKBAR_OFFSET, scale.size)) return icon;
    }
    return loadIconResource(iconId, scale.size);  // also an image that has no light twin
}

}  // namespace KovToolkit
