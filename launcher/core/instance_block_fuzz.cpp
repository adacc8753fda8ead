// Any bytes a later start (or anything else in the session) leaves in the argument block: reading
// stays inside the block, and what is read encodes back to the same arguments.
#include "instance_block.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::array<unsigned char, InstanceBlock::kArgumentsSize> block{};
    std::memcpy(block.data(), data, size < block.size() ? size : block.size());
    const std::vector<std::wstring> arguments = InstanceBlock::decodeArguments(block.data());
    if (arguments.empty()) return 0;  // no complete argument in the block
    std::array<unsigned char, InstanceBlock::kArgumentsSize> again{};
    if (!InstanceBlock::encodeArguments(arguments, again.data())) std::abort();
    if (InstanceBlock::decodeArguments(again.data()) != arguments) std::abort();
    return 0;
}
