#include "file_head.h"

#include <windows.h>

#include "unique_handle_win.h"

std::string readFileHead(const std::wstring& path, std::size_t maxBytes) {
    Win::UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::string();
    std::string bytes(maxBytes, '\0');
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(maxBytes), &read, nullptr)) return std::string();
    bytes.resize(read);
    return bytes;
}
