#pragma once
// A folder in the temporary directory owned by one test: emptied when made, removed afterwards.
// Runtime layouts are laid out in it with a jvm.dll that is only a file.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <system_error>

namespace LauncherTesting {

class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& tag) {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        root = std::filesystem::path(temp) / (L"vw-" + tag + L"-" + std::to_wstring(GetCurrentProcessId()));
        std::filesystem::remove_all(root);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Creates <root>\<name> with a jvm.dll in each of `libraryFolders` (e.g. L"bin\\server").
    std::wstring layRuntime(const std::wstring& name, std::initializer_list<const wchar_t*> libraryFolders) const {
        const std::filesystem::path folder = root / name;
        std::filesystem::create_directories(folder);
        for (const wchar_t* sub : libraryFolders) {
            std::filesystem::create_directories(folder / sub);
            std::ofstream(folder / sub / L"jvm.dll") << "MZ";
        }
        return folder.wstring();
    }

    std::filesystem::path root;
};

}  // namespace LauncherTesting
