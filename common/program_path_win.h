#pragma once
// The running program's own file and folder (GetModuleFileNameW). Windows trees only.
#include <windows.h>

#include <string>
#include <vector>

namespace Win {

// The program's full path, read whole however long it is; false with GetLastError() on failure.
inline bool currentProgramPath(std::wstring& path, unsigned long& error) {
    // A path that fills the buffer may have been cut; grow rather than use a wrong file name.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            error = GetLastError();
            return false;
        }
        if (length < buffer.size()) {
            path.assign(buffer.data(), length);
            return true;
        }
        if (buffer.size() >= 32768) {
            error = ERROR_INSUFFICIENT_BUFFER;
            return false;
        }
        buffer.resize(buffer.size() * 2);
    }
}

// The folder of the program's file, ending in "\"; empty when the path cannot be read.
inline std::wstring currentProgramFolder() {
    std::wstring path;
    unsigned long error = 0;
    if (!currentProgramPath(path, error)) return {};
    const auto separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
}

}  // namespace Win
