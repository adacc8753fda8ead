#include "latin1.h"

#include <algorithm>
#include <cstring>

bool Latin1::encodable(std::wstring_view text) {
    for (wchar_t c : text) {
        // wchar_t is signed 32-bit on some platforms: negative values are not characters either.
        if (static_cast<std::uint32_t>(c) > 0xFF) return false;
    }
    return true;
}

bool Latin1::encode(std::wstring_view text, std::string& out) {
    if (!encodable(text)) return false;
    const std::size_t start = out.size();
    out.resize(start + text.size());
    for (std::size_t i = 0; i < text.size(); ++i) out[start + i] = static_cast<char>(static_cast<unsigned char>(text[i]));
    return true;
}

std::wstring Latin1::decode(const std::uint8_t* bytes, std::size_t length) {
    if (!bytes) return {};
    const void* zero = std::memchr(bytes, 0, length);
    if (zero) length = static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - bytes);
    // The range constructor widens in one pass, without filling the text first.
    return std::wstring(bytes, bytes + length);
}

void Latin1::appendDecoded(std::wstring& out, const std::uint8_t* begin, const std::uint8_t* end) {
    const std::size_t start = out.size();
    out.resize(start + static_cast<std::size_t>(end - begin));
    std::copy(begin, end, out.begin() + static_cast<std::ptrdiff_t>(start));
}
