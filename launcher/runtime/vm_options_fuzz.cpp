// Arbitrary parameter text must never crash the splitter, the quote remover or the percent rewrite.
#include "vm_options.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::wstring text;
    for (std::size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    std::uint64_t stack = 0;
    const MemoryFigures memory{std::uint64_t(8) << 30, std::uint64_t(128) << 40};
    for (const std::wstring& option : splitVmParameters(text, memory, stack))
        if (option.empty() && !text.empty() && text.find(L'"') == std::wstring::npos) __builtin_trap();
    return 0;
}
