#include "dialog_layout.h"

namespace {

// As the C library's wtoi (blanks, a sign, digits; anything else ends the number), but only the
// lowest eight bits are kept, which is all a colour part uses.
std::uint32_t lowByteOfNumber(std::wstring_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = (value * 10 + static_cast<std::uint32_t>(text[i] - L'0')) & 0xFF;
    }
    return negative ? (0x100 - value) & 0xFF : value;
}

}  // namespace

ScreenPoint centredOrigin(const ScreenRect& dialog, const ScreenRect& over, const ScreenRect& workArea) {
    ScreenPoint origin{over.left + (over.width() - dialog.width()) / 2, over.top + (over.height() - dialog.height()) / 2};
    if (origin.x < workArea.left) origin.x = workArea.left;
    if (origin.y < workArea.top) origin.y = workArea.top;
    return origin;
}

std::optional<std::uint32_t> parseAnchorColor(std::wstring_view text) {
    std::size_t first = text.find(L',');
    if (first == std::wstring_view::npos) return std::nullopt;
    std::size_t second = text.find(L',', first + 1);
    if (second == std::wstring_view::npos || second + 1 >= text.size()) return std::nullopt;
    std::uint32_t red = lowByteOfNumber(text.substr(0, first));
    std::uint32_t green = lowByteOfNumber(text.substr(first + 1, second - first - 1));
    std::uint32_t blue = lowByteOfNumber(text.substr(second + 1));
    return red | (green << 8) | (blue << 16);
}
