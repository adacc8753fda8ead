#pragma once
// The real seams of runtime discovery: file attribute queries, GetFullPathNameW with an ordinal
// comparison that ignores case, and the registry read without a view flag, so the 64-bit launcher
// sees the 64-bit registrations.
#include "runtime_probe.h"

class Win32FileProbe : public FileProbe {
public:
    bool exists(const std::wstring& path) override;
    std::string readHead(const std::wstring& path, std::size_t maxBytes) override;
    bool samePath(const std::wstring& a, const std::wstring& b) override;
};

class Win32RegistryReader : public RegistryReader {
public:
    bool subkeyNames(RegistryHive hive, const std::wstring& key, std::vector<std::wstring>& names) override;
    std::optional<std::wstring> javaHome(const std::wstring& key) override;
    std::optional<std::wstring> textValue(RegistryHive hive, const std::wstring& key, const std::wstring& name) override;
};
