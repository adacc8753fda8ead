#include "ini_section.h"

namespace {

// The blanks the platform trims around names and values (0x1A: a DOS end-of-file mark).
bool isBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r') || c == 0x1A; }

std::wstring trimmed(const std::wstring& text, std::size_t begin, std::size_t end) {
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// One pair of the same quote mark, single or double, around the whole value.
std::wstring unquoted(std::wstring value) {
    if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

wchar_t asciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool sameName(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    return true;
}

}  // namespace

IniSection::IniSection(const std::wstring& lines) {
    std::size_t start = 0;
    while (start < lines.size() && lines[start] != L'\0') {
        std::size_t end = lines.find(L'\0', start);
        if (end == std::wstring::npos) end = lines.size();
        const std::size_t equals = lines.find(L'=', start);
        // A line without "=" is a name with an empty value: it still hides a later line of that name.
        if (equals < end) {
            entries_.emplace_back(trimmed(lines, start, equals), unquoted(trimmed(lines, equals + 1, end)));
        } else {
            entries_.emplace_back(trimmed(lines, start, end), std::wstring());
        }
        start = end + 1;
    }
}

std::wstring IniSection::value(const std::wstring& name) const {
    for (const auto& entry : entries_)
        if (sameName(entry.first, name)) return entry.second;
    return std::wstring();
}
