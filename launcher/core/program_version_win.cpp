#include "program_version_win.h"

#include <windows.h>

#include <vector>

#include "text_format.h"

std::wstring programVersion(const std::wstring& programPath) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(programPath.c_str(), &ignored);
    if (size == 0) return L"unknown";
    std::vector<BYTE> data(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoW(programPath.c_str(), 0, size, data.data()) ||
        !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || length < sizeof *info) {
        return L"unknown";
    }
    return TextFormat::format(L"%u.%u.%u.%u", {static_cast<unsigned>(HIWORD(info->dwFileVersionMS)),
                                               static_cast<unsigned>(LOWORD(info->dwFileVersionMS)),
                                               static_cast<unsigned>(HIWORD(info->dwFileVersionLS)),
                                               static_cast<unsigned>(LOWORD(info->dwFileVersionLS))});
}
