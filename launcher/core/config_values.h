#pragma once
// Turning the INI file's texts into settings. Pure functions: each takes the value as read and returns
// what it means; the file access is in config_file.h.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "launch_config.h"

namespace ConfigValues {

inline constexpr std::uint32_t kMinimumFill = 0;
inline constexpr std::uint32_t kMaximumFill = 65535;

// A version text: parts are runs of decimal digits, anything else separates them. Parts not given
// take `fill`. A part that grows too large, or a text without a digit, gives all zero with count 0.
VersionSpec parseVersion(std::wstring_view text, std::uint32_t fill);

// A version limit: as parseVersion, and the exact word "any" gives `fill` in all four parts, count 4.
VersionSpec parseVersionLimit(std::wstring_view text, std::uint32_t fill);

// "Preferred versions": cut at ';', empty pieces kept, no piece after a final ';', nothing trimmed.
std::vector<std::wstring> parseList(std::wstring_view text);

VmType parseVmType(std::wstring_view text);               // exact "server" / "favor_server"
RuntimeSources parseRuntimeSources(std::wstring_view text);  // exact; unknown text: all false
VmProviders parseVmProviders(std::wstring_view text);        // ASCII case ignored; unknown: default

bool isServiceMode(std::wstring_view text);       // exactly "service"
bool isSingleInstance(std::wstring_view text);    // exactly "yes"
bool isYes(std::wstring_view text);               // "Yes" in any ASCII case

// A time limit in whole seconds: decimal digits only, at most kMaxSeconds; anything else gives 0 (no limit).
inline constexpr std::uint32_t kMaxSeconds = 4000000;  // still fits a 32-bit count of milliseconds
std::uint32_t parseSeconds(std::wstring_view text);

// "pkg.sub.Main" -> "pkg/sub/Main", the form JNI's FindClass wants.
std::wstring mainClassPath(std::wstring_view text);

bool equalsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b);

}  // namespace ConfigValues

namespace ConfigPaths {

// The program path cut after its last '.' and followed by "ini"; nothing when it has no '.'.
std::optional<std::wstring> mainPath(std::wstring_view programPath);

// The product name without the characters a folder name cannot hold: \ ? " | > < : / *
std::wstring filterProductName(std::wstring_view productName);

// The application-data folder joined with the filtered product name (the first folder to create).
std::wstring userProductFolder(std::wstring_view appData, std::wstring_view productName);

// appData\filtered name\product code\<program base name>.ini
std::wstring userPath(std::wstring_view appData, std::wstring_view productName, std::wstring_view productCode,
                      std::wstring_view programPath);

}  // namespace ConfigPaths
