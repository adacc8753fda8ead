#include "config_platform_win.h"

#include <windows.h>

#include <vector>

std::wstring Win32ConfigPlatform::readProfileSection(const std::wstring& file, const std::wstring& section) {
    // A section that does not fit is cut and reported as size - 2: grow until it fits, or until the
    // system's own limit cuts it whatever the size (the caller then reads the section key by key).
    std::vector<wchar_t> buffer(4096);
    for (;;) {
        const DWORD length = GetPrivateProfileSectionW(section.c_str(), buffer.data(),
                                                       static_cast<DWORD>(buffer.size()), file.c_str());
        // The cap only keeps a platform that always reports "cut" from exhausting memory.
        if (length + 2 < buffer.size() || buffer.size() >= (1u << 26)) return std::wstring(buffer.data(), length);
        buffer.assign(buffer.size() * 2, L'\0');
    }
}

std::size_t Win32ConfigPlatform::readProfileString(const std::wstring& file, const std::wstring& section,
                                                   const std::wstring& key, wchar_t* buffer, std::size_t size) {
    return GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", buffer, static_cast<DWORD>(size), file.c_str());
}

void Win32ConfigPlatform::writeProfileString(const std::wstring& file, const std::wstring& section,
                                             const std::wstring& key, const std::wstring& value) {
    WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), file.c_str());
}

bool Win32ConfigPlatform::programPath(std::wstring& path, unsigned long& error) {
    return currentProgramPath(path, error);
}

std::wstring Win32ConfigPlatform::environmentVariable(const std::wstring& name) {
    // Read whole: a value longer than MAX_PATH (APPDATA included) is not cut or dropped.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD length = GetEnvironmentVariableW(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return std::wstring();
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(length);  // `length` is the size needed, terminator included
    }
}

std::wstring Win32ConfigPlatform::expandEnvironment(const std::wstring& text) {
    std::vector<wchar_t> buffer(text.size() + 1 < MAX_PATH ? MAX_PATH : text.size() + 1);
    for (;;) {
        DWORD needed = ExpandEnvironmentStringsW(text.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (needed == 0) return text;
        if (needed <= buffer.size()) return std::wstring(buffer.data());
        buffer.resize(needed);
    }
}

bool Win32ConfigPlatform::isNtPlatform() {
    OSVERSIONINFOEXW extended{};
    extended.dwOSVersionInfoSize = sizeof(extended);
    if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&extended))) {
        return extended.dwPlatformId == VER_PLATFORM_WIN32_NT;
    }
    OSVERSIONINFOW plain{};
    plain.dwOSVersionInfoSize = sizeof(plain);
    if (GetVersionExW(&plain)) return plain.dwPlatformId == VER_PLATFORM_WIN32_NT;
    return false;
}

bool Win32ConfigPlatform::fileExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void Win32ConfigPlatform::createDirectory(const std::wstring& path) { CreateDirectoryW(path.c_str(), nullptr); }
