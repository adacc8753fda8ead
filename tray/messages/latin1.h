#pragma once
// Wire text is ISO-8859-1: one byte per character, U+0000..U+00FF map to the byte of the same value.
#include <cstdint>
#include <string>
#include <string_view>

namespace Latin1 {

// Error number reported when a character has no single-byte form (the system's "no mapping for
// the Unicode character" code, so log lines read the same as other conversion failures).
constexpr long kNoTranslation = 1113;

// True when every character has a single-byte form; the encoded length is then the text's length.
bool encodable(std::wstring_view text);

// Appends the bytes of `text` to `out`. Fails, leaving `out` unchanged, when a character is above
// U+00FF.
bool encode(std::wstring_view text, std::string& out);

// Bytes to characters; stops at the first zero byte.
std::wstring decode(const std::uint8_t* bytes, std::size_t length);

// Appends the characters of every byte in [begin, end) to `out`, without a temporary text (which
// the string's range append builds first).
void appendDecoded(std::wstring& out, const std::uint8_t* begin, const std::uint8_t* end);

}  // namespace Latin1
