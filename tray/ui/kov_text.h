#pragma once
// The tray's small text operations: numbers, sizes and durations for the tooltip, decimal tokens
// for messages, and string-table reads. Portable: the user's locale and the program's string table
// are reached through the two interfaces below; kov_text_win.h has their Win32 implementations.
#include <cstddef>
#include <cstdint>
#include <string>

namespace KovToolkit {

// Locale items a number format is filled from, each read as text of at most 18 characters.
enum class NumberItem { LeadingZero, Grouping, DecimalSeparator, ThousandSeparator, NegativeOrder };

struct NumberFormatting {
    unsigned leadingZero = 0;
    unsigned grouping = 0;  // digits per group; "3;2;0" is read as 3, i.e. plain groups of three
    std::wstring decimalSeparator;
    std::wstring thousandSeparator;
    unsigned negativeOrder = 0;
};

class NumberLocale {
public:
    virtual std::wstring item(NumberItem which) const = 0;
    // Turns plain decimal digits into the grouped form; false when the platform formatter fails or
    // the result would not fit in `capacity` characters including the terminator.
    virtual bool group(const std::wstring& digits, const NumberFormatting& format, std::size_t capacity,
                       std::wstring& out) const = 0;

protected:
    ~NumberLocale() = default;
};

class StringTable {
public:
    // Copies entry `id` into `buffer` (capacity characters, terminator included; the text is cut
    // to capacity - 1) and returns its length; 0 when there is no such entry.
    virtual std::size_t read(unsigned id, wchar_t* buffer, std::size_t capacity) const = 0;

protected:
    ~StringTable() = default;
};

// The integer value of a locale item: its leading decimal digits, 0 when there are none.
unsigned leadingNumber(const std::wstring& text);
NumberFormatting readNumberFormatting(const NumberLocale& locale);

// Grouped decimal text of `value` (negative values show as 0), at most 62 characters.
std::wstring formatNumber(std::int32_t value, const NumberLocale& locale);
// "1.5 KB", "1023 bytes": units of 1024. Empty when the text would not fit in capacity - 1.
std::wstring formatBytes(std::int64_t count, std::size_t capacity);
// "less than a minute", "1 minute", "1.5 hours", "2 days". Empty when it would not fit.
std::wstring formatDuration(std::int64_t seconds, std::size_t capacity);

// A whole string-table entry, however long; empty when the id has no entry.
std::wstring loadString(const StringTable& table, unsigned id);

std::wstring fromLong(std::int64_t value);
std::wstring fromDWord(std::uint32_t value);  // as signed 32-bit: 4294967295 gives "-1"
std::wstring fromInt(std::int32_t value);
std::int64_t toLong(const std::wstring& text);
std::int32_t toInt(const std::wstring& text);
bool toBool(const std::wstring& text);  // exactly "true"

// `text` cut to at most `maxChars` characters; a cut text ends in "..." so the cut shows.
std::wstring fitVisibly(const std::wstring& text, std::size_t maxChars);

}  // namespace KovToolkit
