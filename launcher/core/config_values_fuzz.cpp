// Fuzzes the parsers of INI values with arbitrary text and checks what must always hold.
#include <cstddef>
#include <cstdint>
#include <string>

#include "config_values.h"

namespace {

void require(bool condition) {
    if (!condition) __builtin_trap();
}

void checkVersion(const VersionSpec& v, std::uint32_t fill) {
    require(v.count <= 5);
    for (std::uint32_t part : v.parts) require(part <= 2147483647u || part == fill);
    if (v.count == 0) {
        for (std::uint32_t part : v.parts) require(part == 0);
    }
    if (v.count >= 1 && v.count <= 4) {
        for (std::uint32_t i = v.count; i < 4; ++i) require(v.parts[i] == fill);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Each byte is one character, so both ASCII syntax and the high Latin-1 range are reached.
    std::wstring text(data, data + size);

    checkVersion(ConfigValues::parseVersion(text, 0), 0);
    checkVersion(ConfigValues::parseVersionLimit(text, 65535), 65535);

    std::wstring joined;
    auto entries = ConfigValues::parseList(text);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        require(entries[i].find(L';') == std::wstring::npos);
        if (i > 0) joined += L';';
        joined += entries[i];
    }
    std::wstring expected = (!text.empty() && text.back() == L';') ? text.substr(0, text.size() - 1) : text;
    require(joined == expected);

    std::wstring filtered = ConfigPaths::filterProductName(text);
    require(filtered.find_first_of(L"\\?\"|><:/*") == std::wstring::npos);
    std::wstring user = ConfigPaths::userPath(L"C:\\A", text, L"{C}", text);
    require(user.size() >= 4 && user.compare(user.size() - 4, 4, L".ini") == 0);

    require(ConfigValues::parseSeconds(text) <= ConfigValues::kMaxSeconds);
    ConfigValues::parseVmProviders(text);
    ConfigValues::parseRuntimeSources(text);
    return 0;
}
