#pragma once
// The first bytes of a Windows library as a linker writes them, up to the COFF header's machine
// field: all the launcher reads of a library before loading it. A file holding only these bytes
// stands in for a 32-bit jvm.dll, which the 64-bit loader refuses with ERROR_BAD_EXE_FORMAT.
#include <cstdint>
#include <string>

namespace LauncherTesting {

inline constexpr std::uint16_t kMachineI386 = 0x014C;
inline constexpr std::uint16_t kMachineAmd64 = 0x8664;

inline std::string peHeaderBytes(std::uint16_t machine, std::uint32_t peOffset = 0x80) {
    std::string bytes(peOffset + 24, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    for (int i = 0; i < 4; ++i) bytes[0x3C + i] = static_cast<char>(peOffset >> (8 * i));
    bytes.replace(peOffset, 4, std::string("PE\0\0", 4));
    bytes[peOffset + 4] = static_cast<char>(machine & 0xFF);
    bytes[peOffset + 5] = static_cast<char>(machine >> 8);
    return bytes;
}

}  // namespace LauncherTesting
