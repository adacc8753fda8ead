#pragma once
// A small reader of Windows program files (PE), for the tests and the release check: the machine a
// program is built for and its resources. Portable; reads the file's bytes, never loads the program.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Pe {

constexpr std::uint16_t kMachineI386 = 0x014c;
constexpr std::uint16_t kMachineAmd64 = 0x8664;

constexpr std::uint32_t kTypeIcon = 3;
constexpr std::uint32_t kTypeGroupIcon = 14;
constexpr std::uint32_t kTypeVersion = 16;
constexpr std::uint32_t kTypeManifest = 24;

struct Resource {
    std::uint32_t type = 0;      // 0 when the type has a name
    std::uint32_t id = 0;        // 0 when the resource has a name
    std::u16string name;         // the name, when it has one
    std::uint16_t language = 0;
    std::vector<std::uint8_t> data;
};

struct Image {
    std::uint16_t machine = 0;
    bool is64 = false;  // PE32+ optional header
    std::vector<Resource> resources;

    // The first resource of that type and number (any language), or null.
    const Resource* find(std::uint32_t type, std::uint32_t id) const;
    std::vector<const Resource*> ofType(std::uint32_t type) const;
};

// Reads a whole PE file. A malformed or truncated file gives nothing and the reason in `error`.
std::optional<Image> read(const std::vector<std::uint8_t>& file, std::string& error);
std::optional<Image> readFile(const std::string& path, std::string& error);

const char* machineName(std::uint16_t machine);

}  // namespace Pe
