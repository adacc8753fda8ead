#pragma once
// Finding a Java runtime's VM library (jvm.dll): the sources in turn, the runtimes registered under
// the four Java 1.x roots, and the ordering and choice of every registered candidate, today's
// (modern_runtimes.h) included. Portable over the FileProbe and RegistryReader seams.
#include <string>
#include <vector>

#include "candidate_list.h"
#include "launch_config.h"
#include "launch_log.h"
#include "runtime_probe.h"
#include "runtime_rules.h"

// The four registry roots under HKEY_LOCAL_MACHINE, in search order.
enum class RegistryRoot { JavaSoftJdk, JavaSoftJre, JRockitJre, JRockitJdk };
inline constexpr RegistryRoot kRegistryRoots[] = {RegistryRoot::JavaSoftJdk, RegistryRoot::JavaSoftJre,
                                                  RegistryRoot::JRockitJre, RegistryRoot::JRockitJdk};
const wchar_t* registryRootKey(RegistryRoot root);  // e.g. "Software\JavaSoft\Java Development Kit\"

// Whether the settings let `root` be searched at all.
bool isRootSearched(RegistryRoot root, const LaunchConfig& config);

// Appends the usable runtimes below one root: within the version limits, with a "JavaHome" and a VM
// library that is not of another machine than x86-64. Each name and its outcome goes to `log`.
void collectRegistryCandidates(RegistryReader& registry, FileProbe& probe, const LaunchConfig& config,
                               RegistryRoot root, std::vector<RuntimeCandidate>& candidates,
                               LaunchLog& log = LaunchLog::none());

// Stable: preferred first (when falling back to the other kind), then server (for FavorServer), then
// the higher version; otherwise the collected order stays.
void orderCandidates(std::vector<RuntimeCandidate>& candidates, const LaunchConfig& config);

// The home of the first ordered candidate matching the first matching "Preferred versions" entry, or of
// the first candidate. `candidates` must not be empty.
std::wstring chooseCandidate(const std::vector<RuntimeCandidate>& candidates,
                             const std::vector<std::wstring>& preferredVersions);

// The sources in order: "JRE Path", the program's folder (or the working directory), the registry
// (the four roots, then today's roots), then the runtime named by `javaHomeVariable` (empty: none).
// `programFolder` ends in '\'; empty when the program's path is unknown, which skips that source.
// Every source, candidate and the choice go to `log`.
std::wstring searchVmLibrary(const LaunchConfig& config, const std::wstring& programFolder, FileProbe& probe,
                             RegistryReader& registry, const std::wstring& javaHomeVariable = std::wstring(),
                             LaunchLog& log = LaunchLog::none());
