#pragma once
// What every runtime source shares: the probe for the VM library in a folder, the version limits, the
// machine check and the wording of versions in the log. The registry search of the Java 1.x roots,
// today's vendor roots and JAVA_HOME all build on these; none of them calls another source.
#include <string>

#include "launch_config.h"
#include "runtime_probe.h"

struct VmLibrary {
    std::wstring path;  // full path of the jvm.dll found; empty when none
    bool isServer = false;
};

// The first VM library below `folder` (empty or ending in '\') in the probe order for `vmType`.
VmLibrary findVmLibrary(FileProbe& probe, const std::wstring& folder, VmType vmType);

// Versions compare as signed 32-bit parts, most significant first: <0, 0, >0.
int compareVersions(const VersionSpec& a, const VersionSpec& b);
bool withinVersionLimits(const VersionSpec& version, const LaunchConfig& config);
bool hasVersionLimits(const LaunchConfig& config);

std::wstring withTrailingBackslash(std::wstring folder);

// Why `library` cannot be loaded by this x86-64 program, or empty: a readable PE header naming
// another machine. An unreadable header leaves the choice to the loader.
std::wstring foreignMachineReason(FileProbe& probe, const std::wstring& library);

// "1.8.0.392" or "none", for the log.
std::wstring versionForLog(const VersionSpec& version);
