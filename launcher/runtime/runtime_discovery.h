#pragma once
// Finding a Java runtime's VM library (jvm.dll): probing a folder, the runtimes registered in the
// registry, and their ordering and choice. Portable over the FileProbe and RegistryReader seams.
#include <string>
#include <vector>

#include "launch_config.h"
#include "runtime_probe.h"

struct VmLibrary {
    std::wstring path;  // full path of the jvm.dll found; empty when none
    bool isServer = false;
};

// The first VM library below `folder` (empty or ending in '\') in the probe order for `vmType`.
VmLibrary findVmLibrary(FileProbe& probe, const std::wstring& folder, VmType vmType);

struct RuntimeCandidate {
    VersionSpec version;  // from the registry subkey name, fill 0
    std::wstring home;    // always ends in '\'
    bool isServer = false;
    bool preferred = false;
};

// The four registry roots under HKEY_LOCAL_MACHINE, in search order.
enum class RegistryRoot { JavaSoftJdk, JavaSoftJre, JRockitJre, JRockitJdk };
inline constexpr RegistryRoot kRegistryRoots[] = {RegistryRoot::JavaSoftJdk, RegistryRoot::JavaSoftJre,
                                                  RegistryRoot::JRockitJre, RegistryRoot::JRockitJdk};
const wchar_t* registryRootKey(RegistryRoot root);  // e.g. "Software\JavaSoft\Java Development Kit\"

// Whether the settings let `root` be searched at all.
bool isRootSearched(RegistryRoot root, const LaunchConfig& config);

// Appends the usable runtimes below one root: within the version limits, with a "JavaHome" and a VM library.
void collectRegistryCandidates(RegistryReader& registry, FileProbe& probe, const LaunchConfig& config,
                               RegistryRoot root, std::vector<RuntimeCandidate>& candidates);

// Stable: preferred first (when falling back to the other kind), then server (for FavorServer), then
// the higher version; otherwise the collected order stays.
void orderCandidates(std::vector<RuntimeCandidate>& candidates, const LaunchConfig& config);

// The home of the first ordered candidate matching the first matching "Preferred versions" entry, or of
// the first candidate. `candidates` must not be empty.
std::wstring chooseCandidate(const std::vector<RuntimeCandidate>& candidates,
                             const std::vector<std::wstring>& preferredVersions);

// The three sources in order: "JRE Path", the program's folder (or the working directory), the registry.
// `programFolder` ends in '\'; empty when the program's path is unknown, which skips that source.
std::wstring searchVmLibrary(const LaunchConfig& config, const std::wstring& programFolder, FileProbe& probe,
                             RegistryReader& registry);
