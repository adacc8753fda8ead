// Stands in for the product's main program in the tray's tests: appends the command line it was
// started with, as one UTF-8 line, to "launches.txt" beside itself, and ends.
#include <windows.h>

#include <string>

#include "unique_handle_win.h"

int wmain() {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 1;
    std::wstring folder(path, length);
    folder.erase(folder.find_last_of(L'\\') + 1);

    std::wstring line = std::wstring(GetCommandLineW()) + L"\n";
    int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), bytes.data(), size, nullptr, nullptr);

    Win::UniqueFileHandle file(CreateFileW((folder + L"launches.txt").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 1;
    DWORD written = 0;
    return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ? 0 : 1;
}
