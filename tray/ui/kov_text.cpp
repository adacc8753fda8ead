#include "kov_text.h"

#include <cerrno>
#include <cwchar>
#include <limits>
#include <vector>

#include "text_format.h"
#include "tray_log.h"

namespace KovToolkit {
namespace {

constexpr std::size_t kNumberCapacity = 63;
constexpr std::size_t kConversionCapacity = 256;

// Bounded formatting into a fresh text; `limit` counts the terminator.
std::wstring bounded(std::size_t limit, std::wstring_view pattern, std::initializer_list<TextFormat::Arg> args) {
    std::wstring out;
    TextFormat::format(out, limit, pattern, args);
    return out;
}

std::wstring convertNumber(long long value, std::wstring_view pattern, const wchar_t* source, const wchar_t* failure) {
    std::wstring out;
    if (TextFormat::format(out, kConversionCapacity, pattern, {value}) < 0) trayLog(L"WARNING", source, failure);
    return out;
}

// The standard conversion rules, saturating at the type's limits.
long long parseDecimal(const std::wstring& text, long long low, long long high) {
    errno = 0;
    long long v = std::wcstoll(text.c_str(), nullptr, 10);
    if (v < low) return low;
    if (v > high) return high;
    return v;
}

}  // namespace

unsigned leadingNumber(const std::wstring& text) {
    unsigned long long v = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') break;
        v = v * 10 + static_cast<unsigned>(c - L'0');
        if (v > std::numeric_limits<unsigned>::max()) return std::numeric_limits<unsigned>::max();
    }
    return static_cast<unsigned>(v);
}

NumberFormatting readNumberFormatting(const NumberLocale& locale) {
    NumberFormatting f;
    f.leadingZero = leadingNumber(locale.item(NumberItem::LeadingZero));
    f.grouping = leadingNumber(locale.item(NumberItem::Grouping));
    f.decimalSeparator = locale.item(NumberItem::DecimalSeparator);
    f.thousandSeparator = locale.item(NumberItem::ThousandSeparator);
    f.negativeOrder = leadingNumber(locale.item(NumberItem::NegativeOrder));
    return f;
}

std::wstring formatNumber(std::int32_t value, const NumberLocale& locale) {
    if (value < 0) value = 0;
    std::wstring digits = bounded(kNumberCapacity, L"%d", {value});
    std::wstring grouped;
    if (locale.group(digits, readNumberFormatting(locale), kNumberCapacity, grouped) && !grouped.empty()) {
        return grouped;
    }
    return digits;
}

std::wstring formatBytes(std::int64_t count, std::size_t capacity) {
    const std::size_t limit = capacity > 0 ? capacity - 1 : 0;
    const double c = static_cast<double>(count);
    if (count >= 1073741824LL) return bounded(limit, L"%.1f GB", {c / 1073741824.0});
    if (count >= 1048576LL) return bounded(limit, L"%.1f MB", {c / 1048576.0});
    if (count >= 1024LL) return bounded(limit, L"%.1f KB", {c / 1024.0});
    return bounded(limit, L"%d bytes", {static_cast<long long>(count < 0 ? 0 : count)});
}

std::wstring formatDuration(std::int64_t s, std::size_t capacity) {
    const std::size_t limit = capacity > 0 ? capacity - 1 : 0;
    if (s >= 86400) {
        double d = static_cast<double>(s) / 86400.0;
        auto whole = static_cast<long long>(d);
        if (d - static_cast<double>(whole) < 0.1) {
            return whole == 1 ? bounded(limit, L"1 day", {}) : bounded(limit, L"%d days", {whole});
        }
        return bounded(limit, L"%.1f days", {d});
    }
    if (s >= 3600) {
        double h = static_cast<double>(s) / 3600.0;
        auto whole = static_cast<int>(h);
        if (h - whole < 0.1) {
            return whole == 1 ? bounded(limit, L"1 hour", {}) : bounded(limit, L"%d hours", {whole});
        }
        return bounded(limit, L"%.1f hours", {h});
    }
    if (s >= 60) {
        auto whole = static_cast<int>(static_cast<double>(s) / 60.0);
        return whole == 1 ? bounded(limit, L"1 minute", {}) : bounded(limit, L"%d minutes", {whole});
    }
    return bounded(limit, L"less than a minute", {});
}

std::wstring loadString(const StringTable& table, unsigned id) {
    // Doubling until at least two characters stay free proves the entry was not cut.
    std::vector<wchar_t> buffer(2, L'\0');
    std::size_t length = 0;
    for (;;) {
        std::size_t capacity = buffer.size() * 2;
        buffer.assign(capacity, L'\0');
        length = table.read(id, buffer.data(), capacity);
        if (length > capacity - 1) length = capacity - 1;
        if (capacity - length >= 3) break;
    }
    return std::wstring(buffer.data(), length);
}

std::wstring fromLong(std::int64_t value) {
    return convertNumber(value, L"%I64d", L"KovToolkit::fromLong", L"Unable to convert long to string.");
}

std::wstring fromDWord(std::uint32_t value) {
    return convertNumber(static_cast<std::int32_t>(value), L"%d", L"KovToolkit::fromDWord",
                         L"Unable to convert DWORD to string.");
}

std::wstring fromInt(std::int32_t value) {
    return convertNumber(value, L"%d", L"KovToolkit::fromInt", L"Unable to convert int to string.");
}

std::int64_t toLong(const std::wstring& text) {
    return parseDecimal(text, std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max());
}

std::int32_t toInt(const std::wstring& text) {
    return static_cast<std::int32_t>(
        parseDecimal(text, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

bool toBool(const std::wstring& text) { return text == L"true"; }

std::wstring fitVisibly(const std::wstring& text, std::size_t maxChars) {
    if (text.size() <= maxChars) return text;
    static constexpr std::wstring_view kEllipsis = L"...";
    if (maxChars <= kEllipsis.size()) return std::wstring(kEllipsis.substr(0, maxChars));
    return text.substr(0, maxChars - kEllipsis.size()).append(kEllipsis);
}

}  // namespace KovToolkit
