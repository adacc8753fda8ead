#pragma once
// The formats of the resources the release check reads: the version resource, icon groups and the
// manifest's text. Portable; each takes a resource's bytes as Pe::read returned them.
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace Pe {

struct VersionInfo {
    std::array<std::uint16_t, 4> fileVersion{};
    std::array<std::uint16_t, 4> productVersion{};
    std::uint32_t fileType = 0;
    std::map<std::string, std::string> strings;  // UTF-8, from the first string table
};

// VS_VERSIONINFO; nothing when the block structure or the fixed part is broken.
std::optional<VersionInfo> readVersionInfo(const std::vector<std::uint8_t>& data);

// The edge lengths in pixels of the images an RT_GROUP_ICON lists, in its order (0 in a file is 256).
std::optional<std::vector<int>> readIconGroupSizes(const std::vector<std::uint8_t>& data);

// The manifest as text (it is UTF-8 XML, possibly with a byte order mark).
std::string manifestText(const std::vector<std::uint8_t>& data);

}  // namespace Pe
