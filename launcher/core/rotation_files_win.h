#pragma once
// The file operations of a roll that keeps one generation, by name, as the launcher log and Java's
// output files do it: a read-only old copy is cleared before it is deleted.
#include "log_file_rules.h"
#include "unique_handle_win.h"

#include <windows.h>

class Win32RotationFiles : public LogFileRules::RotationFiles {
public:
    unsigned long replace(const std::wstring& from, const std::wstring& to) override {
        return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : GetLastError();
    }
    unsigned long remove(const std::wstring& path) override {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        return DeleteFileW(path.c_str()) ? 0 : GetLastError();
    }
    unsigned long truncate(const std::wstring& path) override {
        Win::UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                               TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        return file ? 0 : GetLastError();
    }
    unsigned long movable(const std::wstring& path) override {
        // A move opens the file for deletion, which a handle without delete sharing refuses.
        Win::UniqueFileHandle file(CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        return file ? 0 : GetLastError();
    }
};
