#pragma once
// What runtime discovery needs of the system: whether a file exists, how it begins and whether two
// paths name one file, and the runtimes registered in the registry. runtime_probe_win.h has the real
// ones; tests lay out fakes.
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
    // Whether two paths name one file as Windows resolves names: both made full (".", "..", '/'),
    // then compared without case, character by character.
    virtual bool samePath(const std::wstring& a, const std::wstring& b) = 0;
};

// Installers for all users write HKEY_LOCAL_MACHINE; per-user installers the same keys under
// HKEY_CURRENT_USER.
enum class RegistryHive { LocalMachine, CurrentUser };

class RegistryReader {
public:
    virtual ~RegistryReader() = default;
    // The subkey names of <hive>\<key> in enumeration order; false when the key cannot be opened.
    virtual bool subkeyNames(RegistryHive hive, const std::wstring& key, std::vector<std::wstring>& names) = 0;
    // The "JavaHome" value of HKLM\<key> as text up to its first null; nothing when missing or unreadable.
    virtual std::optional<std::wstring> javaHome(const std::wstring& key) = 0;
    // Any string value of <hive>\<key>, read the same way.
    virtual std::optional<std::wstring> textValue(RegistryHive hive, const std::wstring& key,
                                                  const std::wstring& name) = 0;
};
