#pragma once
// What the configuration needs of the system: the profile (INI) functions, the program's path, the
// environment and a few file operations. config_platform_win.h is the real one; tests pass fakes.
#include <cstddef>
#include <string>

// The most a section read returns, its two closing NULs included.
inline constexpr std::size_t kLongestProfileSection = 32767;

class ConfigPlatform {
public:
    virtual ~ConfigPlatform() = default;

    // A whole section as GetPrivateProfileSectionW gives it: its lines, each ended by a NUL. Empty when
    // the file or the section is missing. The system returns at most kLongestProfileSection characters,
    // cutting the rest, even mid-line, without saying so.
    virtual std::wstring readProfileSection(const std::wstring& file, const std::wstring& section) = 0;
    // As GetPrivateProfileStringW with the empty default: copies at most size - 1 characters of the
    // value (then a terminator) and returns how many it copied.
    virtual std::size_t readProfileString(const std::wstring& file, const std::wstring& section,
                                          const std::wstring& key, wchar_t* buffer, std::size_t size) = 0;
    // Result ignored by every caller: a failed write leaves the run going on.
    virtual void writeProfileString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                                    const std::wstring& value) = 0;

    // The program's full path; false with the system error code when it cannot be obtained.
    virtual bool programPath(std::wstring& path, unsigned long& error) = 0;
    // The whole value of an environment variable; empty when unset.
    virtual std::wstring environmentVariable(const std::wstring& name) = 0;
    // %NAME% references replaced; unknown ones stay as written.
    virtual std::wstring expandEnvironment(const std::wstring& text) = 0;
    virtual bool isNtPlatform() = 0;
    virtual bool fileExists(const std::wstring& path) = 0;
    // Result ignored: a folder that exists already is fine.
    virtual void createDirectory(const std::wstring& path) = 0;
};
