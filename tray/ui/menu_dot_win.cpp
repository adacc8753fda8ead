#include "menu_dot_win.h"

#include <cstdint>
#include <cstdlib>

#include "kov_text_win.h"
#include "tray_image_win.h"
#include "tray_resource_ids.h"

namespace MenuDot {

bool largeAt(unsigned dpi) { return dpi >= 144; }

Win::UniqueGdiObject load(int id, bool large, COLORREF background) {
    if (large) id += IDB_LARGE_OFFSET;
    HMODULE module = KovToolkit::moduleInstance();
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(2) /* RT_BITMAP */);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* header = loaded ? static_cast<const BITMAPINFOHEADER*>(LockResource(loaded)) : nullptr;
    const DWORD length = found ? SizeofResource(module, found) : 0;
    if (!header || length < sizeof *header || header->biBitCount != 32 || header->biCompression != BI_RGB) return {};
    const int width = header->biWidth, height = std::abs(header->biHeight);
    if (width <= 0 || width > 256 || height > 256 || length < header->biSize + 4u * width * height) return {};
    const auto* source = reinterpret_cast<const std::uint8_t*>(header) + header->biSize;

    BITMAPINFO format = KovToolkit::topDownArgbFormat(width, height);
    void* bits = nullptr;
    Win::UniqueGdiObject dot(CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dot || !bits) return {};
    const std::uint8_t under[3] = {GetBValue(background), GetGValue(background), GetRValue(background)};
    auto* out = static_cast<std::uint8_t*>(bits);
    for (int y = 0; y < height; ++y) {
        const int row = header->biHeight > 0 ? height - 1 - y : y;  // a positive height is stored bottom up
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* in = source + 4 * (row * width + x);
            std::uint8_t* pixel = out + 4 * (y * width + x);
            const unsigned clear = 255u - in[3];
            for (int c = 0; c < 3; ++c) pixel[c] = static_cast<std::uint8_t>(in[c] + (under[c] * clear + 127) / 255);
            pixel[3] = 255;  // opaque: a menu that blends by alpha shows it the same
        }
    }
    return dot;
}

}  // namespace MenuDot
