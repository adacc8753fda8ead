#pragma once
// What runtime discovery needs of the system: whether a file exists and how it begins, and the runtimes
// registered under HKEY_LOCAL_MACHINE. runtime_probe_win.h has the real ones; tests lay out fakes.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class FileProbe {
public:
    virtual ~FileProbe() = default;
    // Whether anything of that name exists (relative names resolve against the working directory).
    virtual bool exists(const std::wstring& path) = 0;
    // Up to `maxBytes` from the start of the file; empty when it cannot be read.
    virtual std::string readHead(const std::wstring& path, std::size_t maxBytes) = 0;
};

class RegistryReader {
public:
    virtual ~RegistryReader() = default;
    // The subkey names of HKLM\<key> in enumeration order; false when the key cannot be opened.
    virtual bool subkeyNames(const std::wstring& key, std::vector<std::wstring>& names) = 0;
    // The "JavaHome" value of HKLM\<key> as text up to its first null; nothing when missing or unreadable.
    virtual std::optional<std::wstring> javaHome(const std::wstring& key) = 0;
    // Any string value of HKLM\<key>, read the same way.
    virtual std::optional<std::wstring> textValue(const std::wstring& key, const std::wstring& name) = 0;
};
