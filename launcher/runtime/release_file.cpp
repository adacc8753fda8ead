#include "release_file.h"

#include <string>

#include "config_values.h"

namespace {

constexpr std::string_view kVersionKey = "JAVA_VERSION=";

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

}  // namespace

std::optional<VersionSpec> releaseFileVersion(std::string_view content) {
    while (!content.empty()) {
        std::size_t end = content.find('\n');
        std::string_view line = trimmed(content.substr(0, end));
        content = end == std::string_view::npos ? std::string_view() : content.substr(end + 1);
        if (line.substr(0, kVersionKey.size()) != kVersionKey) continue;

        std::string_view value = line.substr(kVersionKey.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        // Byte by byte: only the ASCII digits and separators matter to the version syntax.
        std::wstring wide(value.begin(), value.end());
        for (wchar_t& c : wide) c = static_cast<wchar_t>(static_cast<unsigned char>(c));
        VersionSpec version = ConfigValues::parseVersion(wide, ConfigValues::kMinimumFill);
        if (version.count == 0) return std::nullopt;
        return version;
    }
    return std::nullopt;
}
