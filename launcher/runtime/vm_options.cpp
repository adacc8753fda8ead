#include "vm_options.h"

#include "text_format.h"

#include <algorithm>
#include <limits>

namespace {

constexpr wchar_t kQuote = L'"';
constexpr wchar_t kSpace = L' ';
constexpr std::uint64_t kMax64 = std::numeric_limits<std::uint64_t>::max();

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

bool startsWith(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

std::uint64_t saturatingMultiply(std::uint64_t a, std::uint64_t b) {
    if (a != 0 && b > kMax64 / a) return kMax64;
    return a * b;
}

// Appends a digit to an accumulating number without wrapping: a huge number stays huge.
std::uint64_t appendDigit(std::uint64_t number, wchar_t digit) {
    std::uint64_t shifted = saturatingMultiply(number, 10);
    std::uint64_t d = static_cast<std::uint64_t>(digit - L'0');
    return shifted > kMax64 - d ? kMax64 : shifted + d;
}

// Kilobytes for `percent` of `baseKb`; a double beyond the 64-bit range would be undefined to convert.
std::uint64_t percentOf(std::uint64_t baseKb, std::uint64_t percent) {
    double size = static_cast<double>(baseKb) * (static_cast<double>(percent) / 100.0);
    if (!(size < 18446744073709551616.0)) return kMax64;
    return static_cast<std::uint64_t>(size);
}

}  // namespace

namespace VmOptions {

std::vector<std::wstring> splitTokens(std::wstring_view text) {
    std::vector<std::wstring> tokens;
    std::size_t pos = 0;
    const std::size_t n = text.size();
    while (pos < n) {
        while (pos < n && text[pos] == kSpace) ++pos;
        if (pos == n) break;
        const std::size_t start = pos;
        std::size_t end = n;
        for (std::size_t i = start; i < n; ++i) {
            if (text[i] == kSpace) {
                end = i;
                break;
            }
            if (text[i] != kQuote) continue;
            std::size_t close = text.find(kQuote, i + 1);
            if (close == std::wstring_view::npos) {
                // Unclosed: the token ends at the first space after its start, quoted or not.
                std::size_t space = text.find(kSpace, start);
                end = space == std::wstring_view::npos ? n : space;
                break;
            }
            if (close + 1 < n && text[close + 1] == kQuote) ++close;
            i = close;
        }
        tokens.emplace_back(text.substr(start, end - start));
        pos = end;
    }
    return tokens;
}

std::wstring removeQuotes(std::wstring_view token) {
    std::wstring out(token);
    std::size_t from = 0;
    for (;;) {
        std::size_t open = out.find(kQuote, from);
        if (open == std::wstring::npos) break;
        std::size_t close = out.find(kQuote, open + 1);
        if (close == std::wstring::npos) break;
        if (close + 1 < out.size() && out[close + 1] == kQuote) ++close;
        out.erase(close, 1);
        out.erase(open, 1);
        from = close - 1;  // just after the text that stood between the two marks
    }
    return out;
}

std::wstring rewritePercentOfMemory(std::wstring_view token, const MemoryFigures& memory) {
    if (token.size() < 5) return std::wstring(token);
    if (!startsWith(token, L"-Xms") && !startsWith(token, L"-Xmx") && !startsWith(token, L"-Xss"))
        return std::wstring(token);
    const wchar_t unit = token.back();
    const bool ofAddressSpace = unit == L'T' || unit == L't';
    if (!ofAddressSpace && unit != L'P' && unit != L'p') return std::wstring(token);

    const std::wstring_view body = token.substr(0, token.size() - 1);
    std::size_t first = 0;
    while (first < body.size() && !isDigit(body[first]) && body[first] != L':') ++first;

    std::uint64_t numbers[3] = {0, 0, 0};
    std::size_t index = 0;
    for (std::size_t i = first; i < body.size(); ++i) {
        if (body[i] == L':') {
            ++index;
        } else if (isDigit(body[i]) && index < 3) {
            numbers[index] = appendDigit(numbers[index], body[i]);
        }
    }
    const std::uint64_t percent = numbers[0];
    const std::uint64_t lowerKb = saturatingMultiply(numbers[1], 1024);
    const std::uint64_t upperKb = saturatingMultiply(numbers[2], 1024);

    const std::uint64_t baseKb =
        (ofAddressSpace ? memory.availableVirtualBytes : memory.totalPhysicalBytes) >> 10;
    std::uint64_t sizeKb = percentOf(baseKb, percent);
    if (upperKb != 0 && sizeKb > upperKb) sizeKb = upperKb;
    if (sizeKb < lowerKb) sizeKb = lowerKb;  // the lower bound wins when the bounds cross

    // The size is written whole: a 32-bit cut would turn large address spaces into nonsense sizes.
    const long long printable = static_cast<long long>(
        std::min<std::uint64_t>(sizeKb, static_cast<std::uint64_t>(std::numeric_limits<long long>::max())));
    return TextFormat::format(L"%s%dK", {body.substr(0, first), printable});
}

std::uint64_t parseStackSize(std::wstring_view text) {
    if (text.empty() || !isDigit(text[0])) return 0;
    std::size_t digits = 0;
    while (digits < text.size() && isDigit(text[digits])) ++digits;
    const std::wstring_view rest = text.substr(digits);
    for (wchar_t c : rest)
        if (isDigit(c) || c == L':') return 0;  // more than one number

    std::uint64_t unit = 1;
    if (!rest.empty()) {
        switch (rest.back()) {
        case L'g': case L'G': unit = std::uint64_t(1) << 30; break;
        case L'm': case L'M': unit = std::uint64_t(1) << 20; break;
        case L'k': case L'K': unit = 1024; break;
        default: unit = 1; break;
        }
    }
    std::uint64_t number = 0;
    for (std::size_t i = 0; i < digits; ++i) number = appendDigit(number, text[i]);
    std::uint64_t size = saturatingMultiply(number, unit);
    return size == kMax64 ? 0 : size;
}

std::wstring libraryPathOption(std::wstring_view libraryPath, std::wstring_view programFolder,
                               std::wstring_view vmLibraryPath) {
    // The runtime's home: the library path without its last two components, up to its last '\'.
    std::wstring_view home = vmLibraryPath;
    for (int cut = 0; cut < 2; ++cut) {
        std::size_t slash = home.rfind(L'\\');
        if (slash != std::wstring_view::npos) home = home.substr(0, slash);
    }
    std::size_t slash = home.rfind(L'\\');
    home = slash == std::wstring_view::npos ? std::wstring_view() : home.substr(0, slash + 1);

    std::wstring value(libraryPath);
    if (value.empty() || value.back() != L';') value += L';';
    value.append(programFolder);
    value += L";.;%Path%;";
    value.append(home);
    value += L"lib";
    return L"-Djava.library.path=" + value;
}

std::wstring classPathValue(std::wstring_view classPath, bool embeddedJar, std::wstring_view programPath) {
    std::wstring value(classPath);
    if (!embeddedJar || programPath.empty()) return value;
    if (!value.empty() && value.back() != L';') value += L';';
    value.append(programPath);
    return value;
}

}  // namespace VmOptions

std::vector<std::wstring> splitVmParameters(std::wstring_view text, const MemoryFigures& memory,
                                            std::uint64_t& stackSize) {
    std::vector<std::wstring> options;
    for (const std::wstring& token : VmOptions::splitTokens(text)) {
        std::wstring option =
            VmOptions::rewritePercentOfMemory(VmOptions::removeQuotes(token), memory);
        if (startsWith(option, L"-Xss"))
            stackSize = VmOptions::parseStackSize(std::wstring_view(option).substr(4));
        options.push_back(std::move(option));
    }
    return options;
}

int createFailureReasonId(int result) {
    if (result >= -6 && result <= -1) return 224 - result;  // -1 -> 225 ... -6 -> 230
    return 0;
}
