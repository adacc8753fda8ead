#include "config_values.h"

namespace ConfigValues {
namespace {

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

wchar_t asciiLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

// Parts are compared as signed 32-bit numbers, so a part must stay within that range.
constexpr std::uint32_t kLargestPart = 2147483647;

}  // namespace

bool equalsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    }
    return true;
}

VersionSpec parseVersion(std::wstring_view text, std::uint32_t fill) {
    VersionSpec result;
    std::size_t i = 0;
    while (i < text.size() && !isDigit(text[i])) ++i;
    if (i == text.size()) return result;

    std::uint32_t parsed = 0;
    while (i < text.size() && parsed < 4) {
        std::uint32_t value = 0;
        while (i < text.size() && isDigit(text[i])) {
            std::uint32_t digit = static_cast<std::uint32_t>(text[i] - L'0');
            if (value > (kLargestPart - digit) / 10) return VersionSpec{};
            value = value * 10 + digit;
            ++i;
        }
        result.parts[parsed++] = value;
        while (i < text.size() && !isDigit(text[i])) ++i;
    }
    // Only whether more digits follow the fourth part matters; they are never read.
    result.count = (i < text.size()) ? 5 : parsed;
    for (std::uint32_t p = parsed; p < 4; ++p) result.parts[p] = fill;
    return result;
}

VersionSpec parseVersionLimit(std::wstring_view text, std::uint32_t fill) {
    if (text == L"any") {
        VersionSpec all;
        all.parts = {fill, fill, fill, fill};
        all.count = 4;
        return all;
    }
    return parseVersion(text, fill);
}

std::vector<std::wstring> parseList(std::wstring_view text) {
    std::vector<std::wstring> entries;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(L';', start);
        if (end == std::wstring_view::npos) end = text.size();
        entries.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return entries;
}

VmType parseVmType(std::wstring_view text) {
    if (text == L"server") return VmType::Server;
    if (text == L"favor_server") return VmType::FavorServer;
    return VmType::None;
}

RuntimeSources parseRuntimeSources(std::wstring_view v) {
    RuntimeSources s;
    s.jdkAccepted = v.empty() || v == L"favor_JDK" || v == L"only_JDK";
    s.jreAccepted = v.empty() || v == L"favor_JRE" || v == L"only_JRE";
    s.fallBackToOtherKind = v.empty() || v == L"favor_JRE" || v == L"favor_JDK";
    return s;
}

VmProviders parseVmProviders(std::wstring_view v) {
    struct Row {
        const wchar_t* name;
        VmProviders flags;  // jrockit accepted, jrockit preferred, sun accepted, sun preferred
    };
    static const Row rows[] = {
        {L"jrockit", {true, true, false, false}},
        {L"favor_sun", {true, false, true, true}},
        {L"favor_jrockit", {true, true, true, false}},
        {L"any", {true, false, true, false}},
    };
    for (const Row& row : rows) {
        if (equalsIgnoringAsciiCase(v, row.name)) return row.flags;
    }
    return VmProviders{};
}

bool isServiceMode(std::wstring_view text) { return text == L"service"; }
bool isSingleInstance(std::wstring_view text) { return text == L"yes"; }
bool isYes(std::wstring_view text) { return equalsIgnoringAsciiCase(text, L"Yes"); }

std::uint32_t parseSeconds(std::wstring_view text) {
    if (text.empty()) return 0;
    std::uint32_t seconds = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return 0;
        seconds = seconds * 10 + static_cast<std::uint32_t>(c - L'0');
        if (seconds > kMaxSeconds) return 0;
    }
    return seconds;
}

std::wstring mainClassPath(std::wstring_view text) {
    std::wstring path(text);
    for (wchar_t& c : path) {
        if (c == L'.') c = L'/';
    }
    return path;
}

}  // namespace ConfigValues

namespace ConfigPaths {

std::optional<std::wstring> mainPath(std::wstring_view programPath) {
    std::size_t dot = programPath.rfind(L'.');
    if (dot == std::wstring_view::npos) return std::nullopt;
    std::wstring path(programPath.substr(0, dot + 1));
    path += L"ini";
    return path;
}

std::wstring filterProductName(std::wstring_view productName) {
    static const std::wstring_view forbidden = L"\\?\"|><:/*";
    std::wstring filtered;
    for (wchar_t c : productName) {
        if (forbidden.find(c) == std::wstring_view::npos) filtered += c;
    }
    return filtered;
}

std::wstring userProductFolder(std::wstring_view appData, std::wstring_view productName) {
    std::wstring folder(appData);
    folder += L'\\';
    folder += filterProductName(productName);
    return folder;
}

std::wstring userPath(std::wstring_view appData, std::wstring_view productName, std::wstring_view productCode,
                      std::wstring_view programPath) {
    std::size_t slash = programPath.rfind(L'\\');
    std::wstring_view fileName = (slash == std::wstring_view::npos) ? programPath : programPath.substr(slash + 1);
    std::size_t dot = fileName.rfind(L'.');
    std::wstring_view baseName = (dot == std::wstring_view::npos) ? fileName : fileName.substr(0, dot);

    std::wstring path = userProductFolder(appData, productName);
    path += L'\\';
    path += productCode;
    path += L'\\';
    path += baseName;
    path += L".ini";
    return path;
}

}  // namespace ConfigPaths
