#include "tray_image_win.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

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

// The high-contrast images hold only coverage (their alpha); the colour is the scheme's, known at run
// time, so each pixel takes the ink and keeps its alpha. The mask is the loaded one, for systems that
// draw icons without alpha.
Win::UniqueHicon inked(HICON coverage, int size, COLORREF ink) {
    ICONINFO info{};
    if (!coverage || !GetIconInfo(coverage, &info)) return {};
    Win::UniqueGdiObject colour(info.hbmColor), mask(info.hbmMask);
    BITMAPINFO format = topDownArgbFormat(size, size);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(size) * size);
    HDC screen = GetDC(nullptr);
    const int rows = colour ? GetDIBits(screen, static_cast<HBITMAP>(colour.get()), 0, size, pixels.data(), &format,
                                        DIB_RGB_COLORS)
                            : 0;
    void* bits = nullptr;
    Win::UniqueGdiObject recoloured(CreateDIBSection(screen, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    ReleaseDC(nullptr, screen);
    if (rows != size || !recoloured || !bits) return {};
    const std::uint32_t rgb = (std::uint32_t(GetRValue(ink)) << 16) | (GetGValue(ink) << 8) | GetBValue(ink);
    for (std::uint32_t& pixel : pixels) pixel = (pixel & 0xFF000000u) | rgb;
    std::memcpy(bits, pixels.data(), pixels.size() * sizeof pixels[0]);
    ICONINFO made{TRUE, 0, 0, static_cast<HBITMAP>(mask.get()), static_cast<HBITMAP>(recoloured.get())};
    return Win::UniqueHicon(CreateIconIndirect(&made));  // copies both bitmaps
}

HighContrastQuery highContrastQuery = &systemHighContrast;

}  // namespace

BITMAPINFO topDownArgbFormat(int width, int height) {
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;  // top row first
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    return format;
}

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

bool systemHighContrast() {
    HIGHCONTRASTW state{};
    state.cbSize = sizeof state;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof state, &state, 0) && (state.dwFlags & HCF_HIGHCONTRASTON);
}

HighContrastQuery setHighContrastQuery(HighContrastQuery query) {
    HighContrastQuery previous = highContrastQuery;
    highContrastQuery = query ? query : &systemHighContrast;
    return previous;
}

ImageScale imageScaleFor(unsigned dpi) {
    const bool highContrast = highContrastQuery();
    return ImageScale{dpi, smallIconSize(dpi), taskbarUsesLightTheme(), highContrast,
                      highContrast ? GetSysColor(COLOR_WINDOWTEXT) : COLORREF(0)};
}

Win::UniqueHicon loadTrayImage(std::uint16_t iconId, const ImageScale& scale) {
    // Skins are colour images made for a taskbar; high contrast wants the scheme's own colour.
    if (scale.highContrast) {
        Win::UniqueHicon coverage = loadIconResource(iconId + IDI_HIGH_CONTRAST_OFFSET, scale.size);
        if (auto icon = inked(coverage.get(), scale.size, scale.ink)) return icon;
    }
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
