#include "runtime_discovery.h"

#include <cstdint>

#include "config_values.h"
#include "modern_runtimes.h"

namespace {

void logCandidate(LaunchLog& log, const std::wstring& source, const std::wstring& outcome) {
    log.write(L"registry " + source + L": " + outcome);
}

// The "JRE Path" and program-folder sources keep what they find; the log says what that was.
std::wstring logFolderSource(LaunchLog& log, const wchar_t* name, const std::wstring& folder, const VmLibrary& found) {
    log.write(std::wstring(L"runtime source ") + name + L" " + (folder.empty() ? L"(working directory)" : folder) +
              L": " + (found.path.empty() ? L"no library" : found.path));
    return found.path;
}

bool isJdkRoot(RegistryRoot root) { return root == RegistryRoot::JavaSoftJdk || root == RegistryRoot::JRockitJdk; }
bool isSunRoot(RegistryRoot root) { return root == RegistryRoot::JavaSoftJdk || root == RegistryRoot::JavaSoftJre; }

bool isPreferred(RegistryRoot root, const LaunchConfig& config) {
    bool kindAccepted = isJdkRoot(root) ? config.sources.jdkAccepted : config.sources.jreAccepted;
    bool providerPreferred = isSunRoot(root) ? config.providers.sunPreferred : config.providers.jrockitPreferred;
    return kindAccepted && providerPreferred;
}

bool matchesPreferredEntry(const RuntimeCandidate& candidate, const VersionSpec& entry) {
    if (candidate.version.parts == entry.parts) return true;
    if (entry.count < 1 || entry.count > candidate.version.count) return false;
    for (std::uint32_t i = 0; i < entry.count && i < 4; ++i) {
        if (candidate.version.parts[i] != entry.parts[i]) return false;
    }
    return true;
}

// Whether `a` must come before `b`; false when no rule tells them apart.
bool comesBefore(const RuntimeCandidate& a, const RuntimeCandidate& b, const LaunchConfig& config) {
    if (config.sources.fallBackToOtherKind && a.preferred != b.preferred) return a.preferred;
    if (config.vmType == VmType::FavorServer && a.isServer != b.isServer) return a.isServer;
    return compareVersions(a.version, b.version) > 0;
}

}  // namespace

const wchar_t* registryRootKey(RegistryRoot root) {
    switch (root) {
        case RegistryRoot::JavaSoftJdk: return L"Software\\JavaSoft\\Java Development Kit\\";
        case RegistryRoot::JavaSoftJre: return L"Software\\JavaSoft\\Java Runtime Environment\\";
        case RegistryRoot::JRockitJre: return L"Software\\JRockit\\Java Runtime Environment\\";
        case RegistryRoot::JRockitJdk: return L"Software\\JRockit\\Java Development Kit\\";
    }
    return L"";
}

bool isRootSearched(RegistryRoot root, const LaunchConfig& config) {
    const VmProviders& p = config.providers;
    const RuntimeSources& s = config.sources;
    bool provider = isSunRoot(root) ? (p.sunAccepted || p.sunPreferred) : (p.jrockitAccepted || p.jrockitPreferred);
    bool kind = s.fallBackToOtherKind || (isJdkRoot(root) ? s.jdkAccepted : s.jreAccepted);
    return provider && kind;
}

void collectRegistryCandidates(RegistryReader& registry, FileProbe& probe, const LaunchConfig& config,
                               RegistryRoot root, std::vector<RuntimeCandidate>& candidates, LaunchLog& log) {
    const std::wstring rootKey = registryRootKey(root);
    std::vector<std::wstring> names;
    if (!registry.subkeyNames(RegistryHive::LocalMachine, rootKey, names)) {
        logCandidate(log, rootKey, L"not found");
        return;
    }

    // The JavaSoft JRE key is probed without the server preference, so its server flag stays false.
    VmType probeType = config.vmType;
    if (root == RegistryRoot::JavaSoftJre && probeType == VmType::FavorServer) probeType = VmType::None;

    for (const std::wstring& name : names) {
        const std::wstring key = rootKey + name;
        VersionSpec version = ConfigValues::parseVersion(name, ConfigValues::kMinimumFill);
        if (!withinVersionLimits(version, config)) {
            logCandidate(log, key, L"rejected, version " + versionForLog(version) + L" outside the version limits");
            continue;
        }

        std::optional<std::wstring> javaHome = registry.javaHome(key);
        if (!javaHome || javaHome->empty()) {
            logCandidate(log, key, L"rejected, no \"JavaHome\"");
            continue;
        }
        std::wstring home = withTrailingBackslash(*javaHome);
        if (isJdkRoot(root)) home += L"jre\\";

        VmLibrary library = findVmLibrary(probe, home, probeType);
        if (library.path.empty()) {
            logCandidate(log, key, L"rejected, no library under " + home);
            continue;
        }
        std::wstring foreign = foreignMachineReason(probe, library.path);
        if (!foreign.empty()) {
            logCandidate(log, key, L"rejected, " + library.path + L" is " + foreign);
            continue;
        }
        logCandidate(log, key, L"candidate " + library.path + L", version " + versionForLog(version));
        candidates.push_back({version, home, library.isServer, isPreferred(root, config), library.path, key});
    }
}

void orderCandidates(std::vector<RuntimeCandidate>& candidates, const LaunchConfig& config) {
    // Insertion sort: stable, and moves an element only past ones it strictly comes before.
    for (std::size_t i = 1; i < candidates.size(); ++i) {
        for (std::size_t j = i; j > 0 && comesBefore(candidates[j], candidates[j - 1], config); --j) {
            std::swap(candidates[j], candidates[j - 1]);
        }
    }
}

namespace {

const RuntimeCandidate* chosenCandidate(const std::vector<RuntimeCandidate>& candidates,
                                        const std::vector<std::wstring>& preferredVersions) {
    for (const std::wstring& text : preferredVersions) {
        VersionSpec entry = ConfigValues::parseVersion(text, ConfigValues::kMinimumFill);
        for (const RuntimeCandidate& candidate : candidates) {
            if (matchesPreferredEntry(candidate, entry)) return &candidate;
        }
    }
    return candidates.empty() ? nullptr : &candidates.front();
}

}  // namespace

std::wstring chooseCandidate(const std::vector<RuntimeCandidate>& candidates,
                             const std::vector<std::wstring>& preferredVersions) {
    const RuntimeCandidate* chosen = chosenCandidate(candidates, preferredVersions);
    return chosen ? chosen->home : std::wstring();
}

std::wstring searchVmLibrary(const LaunchConfig& config, const std::wstring& programFolder, FileProbe& probe,
                             RegistryReader& registry, const std::wstring& javaHomeVariable, LaunchLog& log) {
    if (!config.jrePath.empty()) {
        const std::wstring folder = withTrailingBackslash(config.jrePath);
        VmLibrary configured = findVmLibrary(probe, folder, config.vmType);
        if (!logFolderSource(log, L"\"JRE Path\"", folder, configured).empty()) return configured.path;
    }

    if (!programFolder.empty()) {
        std::wstring folder;  // empty: the working directory
        if (probe.exists(programFolder + L"bin\\java.dll")) {
            folder = programFolder;
        } else if (probe.exists(programFolder + L"jre64\\bin\\java.dll")) {
            folder = programFolder + L"jre64\\";
        }
        VmLibrary beside = findVmLibrary(probe, folder, config.vmType);
        if (!logFolderSource(log, L"program folder", folder, beside).empty()) return beside.path;
    }

    std::vector<RuntimeCandidate> candidates;
    for (RegistryRoot root : kRegistryRoots) {
        if (isRootSearched(root, config)) {
            collectRegistryCandidates(registry, probe, config, root, candidates, log);
        } else {
            logCandidate(log, registryRootKey(root), L"not searched (\"JVM Source\" or \"VM Provider\")");
        }
    }
    collectModernCandidates(registry, probe, config, candidates, log);
    if (!candidates.empty()) {
        orderCandidates(candidates, config);
        const RuntimeCandidate& chosen = *chosenCandidate(candidates, config.preferredVersions);
        const std::wstring library = findVmLibrary(probe, chosen.home, config.vmType).path;
        log.write(L"chosen " + library + L", version " + versionForLog(chosen.version) + L", from " + chosen.source);
        return library;
    }
    return searchJavaHome(config, javaHomeVariable, probe, log);
}
