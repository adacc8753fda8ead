#pragma once
// The machine a Windows library was built for, read from the first bytes of its file: the 64-bit
// launcher can load only an x86-64 jvm.dll, and a 32-bit one fails with a bare error number.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace PeImage {

inline constexpr std::uint16_t kMachineI386 = 0x014C;
inline constexpr std::uint16_t kMachineAmd64 = 0x8664;
// How much of a file to read: the PE header of any library linked by a usual tool lies within it.
inline constexpr std::size_t kHeaderBytes = 4096;

// The COFF header's machine field; nothing when `head` is not the start of a PE image.
std::optional<std::uint16_t> machine(std::string_view head);

}  // namespace PeImage
