#pragma once
// The Java runtimes of today's machines: Java 9 and later register under other keys than the four
// roots of the Java 1.x era, most come from one of the OpenJDK vendors' installers, and their
// homes have no jre\ folder. These sources produce candidates for the list that the search of the
// four roots (runtime_discovery.h) orders and chooses from; they know nothing of that search.
#include <string>
#include <vector>

#include "candidate_list.h"
#include "launch_config.h"
#include "launch_log.h"
#include "runtime_probe.h"

enum class RuntimeKind { Jdk, Jre };

// One vendor's registry root (64-bit view): under HKEY_LOCAL_MACHINE, and for an ordinary program also
// under HKEY_CURRENT_USER, where per-user installers write the same keys.
struct ModernRoot {
    const wchar_t* key;                      // e.g. "SOFTWARE\Eclipse Adoptium\JDK\"
    RuntimeKind kind;
    std::vector<const wchar_t*> layouts;     // below each subkey: "" or e.g. "\hotspot\MSI"
    const wchar_t* homeValue;                // the value holding the home
};

// In search order.
const std::vector<ModernRoot>& modernRoots();

// Whether "JVM Source" and "VM Provider" let a root of `kind` be searched; these runtimes count as
// the Sun family.
bool isModernRootSearched(RuntimeKind kind, const LaunchConfig& config);

// A version from a vendor's subkey name. Java 8 and older carry "1.x" versions, while vendors name
// them "8.0.392.8": such a name reads as 1.8.0.392, so it compares with "1.8" limits as the runtime's
// own `release` file would.
VersionSpec versionFromSubkeyName(const std::wstring& name);

// The version of a runtime: its home's `release` file, else the subkey name; count 0 when neither.
VersionSpec runtimeVersion(FileProbe& probe, const std::wstring& home, const std::wstring& subkeyName);

// The library of a home as today's layout has it, else below jre\ (Java 8 JDKs); `home` becomes the
// folder where it was found.
std::wstring findHomeLibrary(FileProbe& probe, std::wstring& home, VmType vmType, bool& isServer);

// Appends the usable runtimes of every searched modern root, those under HKEY_LOCAL_MACHINE first,
// then (not in service mode) those under HKEY_CURRENT_USER. One already listed (the same library file)
// is a duplicate and left out; the listed one takes its version when that is more precise.
void collectModernCandidates(RegistryReader& registry, FileProbe& probe, const LaunchConfig& config,
                             std::vector<RuntimeCandidate>& candidates, LaunchLog& log);

// The runtime named by the JAVA_HOME variable (`javaHome`, empty when unset; quotes and blanks around it
// are dropped): its library, when the folder is a full path, within the version limits and x86-64;
// else empty.
std::wstring searchJavaHome(const LaunchConfig& config, const std::wstring& javaHome, FileProbe& probe,
                            LaunchLog& log);
