#pragma once
// Shared by the string and token bodies: received bytes to text, with the failure reported the way
// each body's log lines name it.
#include <cstddef>
#include <cstdint>
#include <string>

namespace Messages::Body {

// Error number of a body that cannot be measured (no bytes, or a negative length).
constexpr long kInvalidBody = 87;

// The text's byte count: up to `length` bytes, stopping at a zero byte. False (and 0) when the
// bytes cannot be measured (no bytes, or a negative length).
bool measure(const std::uint8_t* bytes, std::int32_t length, std::size_t& size);

// Decodes at most `length` bytes, stopping at a zero byte. False (and empty text) when the
// bytes cannot be measured.
bool decode(const std::uint8_t* bytes, std::int32_t length, std::wstring& text);

}  // namespace Messages::Body
