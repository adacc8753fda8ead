#include "decimal.h"

#include <algorithm>
#include <limits>

namespace {

bool isBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

// Reads into a 64-bit value, saturating at the limit on the side of the sign found.
std::int64_t readClamped(std::wstring_view text, std::int64_t minimum, std::int64_t maximum) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    std::size_t digitsEnd = i;
    while (digitsEnd < text.size() && text[digitsEnd] >= L'0' && text[digitsEnd] <= L'9') ++digitsEnd;
    // Up to 18 digits cannot overflow 64 bits: read them unchecked and clamp once.
    if (digitsEnd - i <= 18) {
        std::int64_t magnitude = 0;
        for (; i < digitsEnd; ++i) magnitude = magnitude * 10 + (text[i] - L'0');
        return negative ? std::max(-magnitude, minimum) : std::min(magnitude, maximum);
    }
    // Accumulate as a negative number: the negative range is the larger one.
    const std::int64_t floor = negative ? minimum : -maximum;
    const std::int64_t cutoff = floor / 10;             // truncates toward zero
    const int lastDigit = static_cast<int>(-(floor % 10));  // largest digit allowed at the cutoff
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        const int digit = text[i] - L'0';
        if (value < cutoff || (value == cutoff && digit > lastDigit)) {
            value = floor;  // saturated; keep consuming digits
            continue;
        }
        value = value * 10 - digit;
    }
    return negative ? value : -value;
}

}  // namespace

std::int32_t Decimal::toInt32(std::wstring_view text) {
    return static_cast<std::int32_t>(readClamped(text, std::numeric_limits<std::int32_t>::min(),
                                                 std::numeric_limits<std::int32_t>::max()));
}

std::int64_t Decimal::toInt64(std::wstring_view text) {
    return readClamped(text, std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max());
}
