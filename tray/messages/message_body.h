#pragma once
// Shared by the string and token bodies: received bytes to text, with the failure reported the way
// each body's log lines name it.
#include <cstdint>
#include <string>

namespace Messages::Body {

// Error number of a body that cannot be measured (no bytes, or a negative length).
constexpr long kInvalidBody = 87;

// Decodes at most `length` bytes, stopping at a zero byte. False (and empty text) when the
// bytes cannot be measured.
bool decode(const std::uint8_t* bytes, std::int32_t length, std::wstring& text);

}  // namespace Messages::Body
