#include "dialog_layout.h"

namespace {

// As the C library's wtoi: blanks, a sign, then digits; anything else ends the number.
long leadingNumber(std::wstring_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
    unsigned long value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + static_cast<unsigned long>(text[i] - L'0');  // only the low 8 bits matter
    }
    return negative ? -static_cast<long>(value & 0xFFFF) : static_cast<long>(value & 0xFFFF);
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
    auto red = static_cast<std::uint32_t>(leadingNumber(text.substr(0, first))) & 0xFF;
    auto green = static_cast<std::uint32_t>(leadingNumber(text.substr(first + 1, second - first - 1))) & 0xFF;
    auto blue = static_cast<std::uint32_t>(leadingNumber(text.substr(second + 1))) & 0xFF;
    return red | (green << 8) | (blue << 16);
}
