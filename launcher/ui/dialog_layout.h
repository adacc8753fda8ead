#pragma once
// Small computations of the launcher's dialogs, kept apart from the window code so they can be tested:
// where a dialog goes, and the colour texts of the hyperlink.
#include <cstdint>
#include <optional>
#include <string_view>

struct ScreenRect {
    long left = 0, top = 0, right = 0, bottom = 0;
    long width() const { return right - left; }
    long height() const { return bottom - top; }
};

struct ScreenPoint {
    long x = 0, y = 0;
};

// Top-left corner that centres `dialog` over `over`, then kept inside `workArea` at its left and top.
ScreenPoint centredOrigin(const ScreenRect& dialog, const ScreenRect& over, const ScreenRect& workArea);

// A link colour as the browser stores it, "red,green,blue" in decimal, each cut to its lowest 8 bits.
// Returns 0x00BBGGRR (a COLORREF), or nothing when the text lacks two commas or anything after the second.
std::optional<std::uint32_t> parseAnchorColor(std::wstring_view text);
