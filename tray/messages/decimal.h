#pragma once
// Base-10 reading of message text, by the usual conversion rules: leading white space skipped, an
// optional sign, digits up to the first non-digit; no digits give 0; out of range clamps to the limits.
#include <cstdint>
#include <string_view>

namespace Decimal {

std::int32_t toInt32(std::wstring_view text);
std::int64_t toInt64(std::wstring_view text);

}  // namespace Decimal
