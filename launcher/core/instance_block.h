#pragma once
// The single-instance hand-over block shared by all instances of one installed program: a named
// 1052-byte mapping holding the first instance's listener thread id, process id and registered
// message id, then the argument block a later instance writes for it. Portable: the caller maps it.
//
// Argument block: each argument as one byte per character (the character's low eight bits) and a
// zero byte, then one more zero byte. Characters above U+00FF do not survive; an empty list and a
// list of one empty argument look the same and read back as one empty argument.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace InstanceBlock {

inline constexpr std::size_t kSize = 1052;
inline constexpr std::size_t kListenerThreadOffset = 0;
inline constexpr std::size_t kProcessIdOffset = 4;
inline constexpr std::size_t kMessageIdOffset = 8;
inline constexpr std::size_t kArgumentsOffset = 12;
inline constexpr std::size_t kArgumentsSize = 1040;

// The program's full path with every '\' turned into '_': the name of the mapping and the message.
std::wstring instanceName(std::wstring_view programPath);
std::wstring readyEventName(std::wstring_view instanceName);
// Keep two later instances from overwriting each other's arguments: the mutex is held from writing
// the block until the first instance signals the event after copying it out.
std::wstring handOverMutexName(std::wstring_view instanceName);
std::wstring argumentsTakenEventName(std::wstring_view instanceName);

// Bytes the arguments need: one per character, one terminator each, one for the closing empty one.
std::size_t encodedSize(const std::vector<std::wstring>& arguments);

// Clears all kArgumentsSize bytes and writes the arguments; false (nothing written) when they do not fit.
bool encodeArguments(const std::vector<std::wstring>& arguments, unsigned char* block);

// Reads at most kArgumentsSize - 1 positions; an unterminated tail is dropped.
std::vector<std::wstring> decodeArguments(const unsigned char* block);

std::uint32_t readField(const unsigned char* block, std::size_t offset);
void writeField(unsigned char* block, std::size_t offset, std::uint32_t value);

}  // namespace InstanceBlock
