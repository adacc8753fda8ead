#include "instance_block.h"

#include <cstring>

namespace InstanceBlock {

std::wstring instanceName(std::wstring_view programPath) {
    std::wstring name(programPath);
    for (wchar_t& c : name)
        if (c == L'\\') c = L'_';
    return name;
}

std::wstring readyEventName(std::wstring_view instanceName) { return std::wstring(instanceName) + L"_upr_evt"; }
std::wstring handOverMutexName(std::wstring_view instanceName) { return std::wstring(instanceName) + L"_upr_mtx"; }
std::wstring argumentsTakenEventName(std::wstring_view instanceName) {
    return std::wstring(instanceName) + L"_upr_taken";
}

std::size_t encodedSize(const std::vector<std::wstring>& arguments) {
    std::size_t size = 1;
    for (const std::wstring& argument : arguments) size += argument.size() + 1;
    return size;
}

bool encodeArguments(const std::vector<std::wstring>& arguments, unsigned char* block) {
    if (encodedSize(arguments) > kArgumentsSize) return false;
    std::memset(block, 0, kArgumentsSize);
    std::size_t at = 0;
    for (const std::wstring& argument : arguments) {
        for (wchar_t c : argument) block[at++] = static_cast<unsigned char>(static_cast<std::uint32_t>(c) & 0xFFu);
        block[at++] = 0;
    }
    return true;
}

std::vector<std::wstring> decodeArguments(const unsigned char* block) {
    std::vector<std::wstring> arguments;
    std::wstring current;
    for (std::size_t i = 0; i + 1 < kArgumentsSize; ++i) {
        if (block[i] != 0) {
            current.push_back(static_cast<wchar_t>(block[i]));
            continue;
        }
        arguments.push_back(current);
        current.clear();
        if (block[i + 1] == 0) break;
    }
    return arguments;
}

std::uint32_t readField(const unsigned char* block, std::size_t offset) {
    return static_cast<std::uint32_t>(block[offset]) | static_cast<std::uint32_t>(block[offset + 1]) << 8 |
           static_cast<std::uint32_t>(block[offset + 2]) << 16 | static_cast<std::uint32_t>(block[offset + 3]) << 24;
}

void writeField(unsigned char* block, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) block[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}

}  // namespace InstanceBlock
