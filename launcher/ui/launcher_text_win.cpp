#include "launcher_text_win.h"

#include <cstdio>

std::wstring ResourceStrings::text(unsigned id) {
    // Strings are stored in blocks of 16; the neutral language lets the loader pick by thread locale.
    HRSRC block = FindResourceExW(module_, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    if (!block) return std::wstring();
    HGLOBAL loaded = LoadResource(module_, block);
    const auto* entry = loaded ? static_cast<const WCHAR*>(LockResource(loaded)) : nullptr;
    if (!entry) return std::wstring();
    const WCHAR* end = entry + SizeofResource(module_, block) / sizeof(WCHAR);
    for (unsigned index = id % 16; index > 0 && entry < end; --index) entry += 1 + *entry;
    if (entry >= end || entry + 1 + *entry > end) return std::wstring();
    return std::wstring(entry + 1, *entry);
}

std::string StdoutConsole::toNarrow(const std::wstring& text) {
    if (text.empty()) return std::string();
    int size = WideCharToMultiByte(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                   nullptr);
    std::string narrow(size > 0 ? size : 0, '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), &narrow[0], size, nullptr,
                            nullptr);
    }
    return narrow;
}

void StdoutConsole::write(const std::string& line) {
    // One call per line, so lines from the start-up and the VM threads do not interleave.
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}
