#pragma once
// The Java runtimes of today's machines: Java 9 and later register under other keys than the four
// roots of the Java 1.x era, most come from one of the OpenJDK vendors' installers, and their
// homes have no jre\ folder. These sources run after the four roots and feed the same list.
#include <string>
#include <vector>

#include "candidate_list.h"
#include "launch_config.h"
#include "launch_log.h"
#include "runtime_probe.h"

enum class RuntimeKind { Jdk, Jre };

// One vendor's registry root under HKEY_LOCAL_MACHINE (64-bit view).
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

// The version of a runtime: its home's `release` file, else the subkey name; count 0 when neither.
VersionSpec runtimeVersion(FileProbe& probe, const std::wstring& home, const std::wstring& subkeyName);

// The library of a home as today's layout has it, else below jre\ (Java 8 JDKs); `home` becomes the
// folder where it was found.
std::wstring findHomeLibrary(FileProbe& probe, std::wstring& home, VmType vmType, bool& isServer);

// Appends the usable runtimes of every searched modern root; one already listed (the same library,
// without regard to case) is a duplicate and left out.
void collectModernCandidates(RegistryReader& registry, FileProbe& probe, const LaunchConfig& config,
                             std::vector<RuntimeCandidate>& candidates, LaunchLog& log);

// The runtime named by the JAVA_HOME variable (`javaHome`, empty when unset): its library, when it is
// within the version limits and x86-64; else empty.
std::wstring searchJavaHome(const LaunchConfig& config, const std::wstring& javaHome, FileProbe& probe,
                            LaunchLog& log);
