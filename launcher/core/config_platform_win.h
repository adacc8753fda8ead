#pragma once
// The real ConfigPlatform: Windows profile functions, module path, environment and file system.
#include "config_platform.h"
#include "program_path_win.h"

class Win32ConfigPlatform : public ConfigPlatform {
public:
    std::wstring readProfileSection(const std::wstring& file, const std::wstring& section) override;
    std::size_t readProfileString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                                  wchar_t* buffer, std::size_t size) override;
    void writeProfileString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                            const std::wstring& value) override;
    bool programPath(std::wstring& path, unsigned long& error) override;
    std::wstring environmentVariable(const std::wstring& name) override;
    std::wstring expandEnvironment(const std::wstring& text) override;
    bool isNtPlatform() override;
    bool fileExists(const std::wstring& path) override;
    void createDirectory(const std::wstring& path) override;
};

using Win::currentProgramPath;
