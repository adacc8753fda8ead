#pragma once
// In-memory stand-ins for the file system and the registry that runtime discovery reads, recording
// what was asked of them.
#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "config_values.h"
#include "runtime_discovery.h"
#include "runtime_probe.h"

namespace LauncherTesting {

class FakeFiles : public FileProbe {
public:
    std::set<std::wstring> files;
    std::map<std::wstring, std::string> contents;  // files with bytes (they exist too)
    std::map<std::wstring, std::wstring> fullPaths;  // what the system would make of a path ("C:\a\..\b")
    std::vector<std::wstring> probed;

    bool exists(const std::wstring& path) override {
        probed.push_back(path);
        return files.count(path) != 0 || contents.count(path) != 0;
    }
    std::string readHead(const std::wstring& path, std::size_t maxBytes) override {
        auto it = contents.find(path);
        return it == contents.end() ? std::string() : it->second.substr(0, maxBytes);
    }
    // Case as ASCII only; the real ordinal comparison is the Win32 seam's.
    bool samePath(const std::wstring& a, const std::wstring& b) override {
        return ConfigValues::equalsIgnoringAsciiCase(full(a), full(b));
    }

private:
    std::wstring full(const std::wstring& path) const {
        auto it = fullPaths.find(path);
        return it == fullPaths.end() ? path : it->second;
    }
};

class FakeRegistry : public RegistryReader {
public:
    std::map<std::wstring, std::vector<std::wstring>> subkeys;
    std::map<std::wstring, std::wstring> homes;
    std::map<std::pair<std::wstring, std::wstring>, std::wstring> values;  // (key, value name) -> text
    std::vector<std::wstring> opened;

    void add(RegistryRoot root, const std::wstring& name, const std::wstring& home) {
        subkeys[registryRootKey(root)].push_back(name);
        homes[registryRootKey(root) + name] = home;
    }
    // A runtime below a root of today's vendors: rootKey + name + layout holds `valueName` = home.
    void addModern(const std::wstring& rootKey, const std::wstring& name, const std::wstring& layout,
                   const std::wstring& valueName, const std::wstring& home,
                   RegistryHive hive = RegistryHive::LocalMachine) {
        auto& names = subkeys[inHive(hive, rootKey)];
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
        values[{inHive(hive, rootKey + name + layout), valueName}] = home;
    }
    // Keys under HKEY_CURRENT_USER are kept with this prefix; those under HKEY_LOCAL_MACHINE bare.
    static std::wstring inHive(RegistryHive hive, const std::wstring& key) {
        return hive == RegistryHive::CurrentUser ? L"HKCU\\" + key : key;
    }
    bool subkeyNames(RegistryHive hive, const std::wstring& bareKey, std::vector<std::wstring>& names) override {
        const std::wstring key = inHive(hive, bareKey);
        opened.push_back(key);
        auto it = subkeys.find(key);
        if (it == subkeys.end()) return false;
        names = it->second;
        return true;
    }
    std::optional<std::wstring> javaHome(const std::wstring& key) override {
        auto it = homes.find(key);
        if (it == homes.end()) return textValue(RegistryHive::LocalMachine, key, L"JavaHome");
        return it->second;
    }
    std::optional<std::wstring> textValue(RegistryHive hive, const std::wstring& key, const std::wstring& name) override {
        auto it = values.find({inHive(hive, key), name});
        if (it == values.end()) return std::nullopt;
        return it->second;
    }
};

// Collects the log's lines.
class RecordingLog : public LaunchLog {
public:
    std::vector<std::wstring> lines;
    void write(const std::wstring& text) override { lines.push_back(text); }
    // The first line holding `part`, or empty.
    std::wstring lineWith(const std::wstring& part) const {
        for (const auto& line : lines)
            if (line.find(part) != std::wstring::npos) return line;
        return std::wstring();
    }
};

}  // namespace LauncherTesting
