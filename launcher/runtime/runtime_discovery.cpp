#include "runtime_discovery.h"

#include <cstdint>

#include "config_values.h"

namespace {

bool endsWithBackslash(const std::wstring& s) { return !s.empty() && s.back() == L'\\'; }

std::wstring withBackslash(std::wstring s) {
    if (!endsWithBackslash(s)) s += L'\\';
    return s;
}

// Versions compare as signed 32-bit parts, most significant first: <0, 0, >0.
int compareVersions(const VersionSpec& a, const VersionSpec& b) {
    for (std::size_t i = 0; i < 4; ++i) {
        auto x = static_cast<std::int32_t>(a.parts[i]);
        auto y = static_cast<std::int32_t>(b.parts[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

bool allZero(const VersionSpec& v) { return v.parts == std::array<std::uint32_t, 4>{0, 0, 0, 0}; }

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

VmLibrary findVmLibrary(FileProbe& probe, const std::wstring& folder, VmType vmType) {
    struct Probe {
        const wchar_t* relative;
        bool server;
    };
    static const Probe serverFirst = {L"bin\\server\\jvm.dll", true};
    static const Probe inOrder[] = {
        {L"bin\\client\\jvm.dll", false}, {L"bin\\classic\\jvm.dll", false}, {L"bin\\hotspot\\jvm.dll", false},
        {L"bin\\server\\jvm.dll", true},  {L"bin\\jrockit\\jvm.dll", false},
    };
    if (vmType == VmType::Server || vmType == VmType::FavorServer) {
        std::wstring path = folder + serverFirst.relative;
        if (probe.exists(path)) return {path, true};
        if (vmType == VmType::Server) return {};
    }
    for (const Probe& p : inOrder) {
        std::wstring path = folder + p.relative;
        if (probe.exists(path)) return {path, p.server};
    }
    return {};
}

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
                               RegistryRoot root, std::vector<RuntimeCandidate>& candidates) {
    const std::wstring rootKey = registryRootKey(root);
    std::vector<std::wstring> names;
    if (!registry.subkeyNames(rootKey, names)) return;

    // The JavaSoft JRE key is probed without the server preference, so its server flag stays false.
    VmType probeType = config.vmType;
    if (root == RegistryRoot::JavaSoftJre && probeType == VmType::FavorServer) probeType = VmType::None;

    for (const std::wstring& name : names) {
        VersionSpec version = ConfigValues::parseVersion(name, ConfigValues::kMinimumFill);
        if (!allZero(config.maximumVersion) && compareVersions(version, config.maximumVersion) > 0) continue;
        if (compareVersions(version, config.minimumVersion) < 0) continue;

        std::optional<std::wstring> javaHome = registry.javaHome(rootKey + name);
        if (!javaHome || javaHome->empty()) continue;
        std::wstring home = withBackslash(*javaHome);
        if (isJdkRoot(root)) home += L"jre\\";

        VmLibrary library = findVmLibrary(probe, home, probeType);
        if (library.path.empty()) continue;
        candidates.push_back({version, home, library.isServer, isPreferred(root, config)});
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

std::wstring chooseCandidate(const std::vector<RuntimeCandidate>& candidates,
                             const std::vector<std::wstring>& preferredVersions) {
    for (const std::wstring& text : preferredVersions) {
        VersionSpec entry = ConfigValues::parseVersion(text, ConfigValues::kMinimumFill);
        for (const RuntimeCandidate& candidate : candidates) {
            if (matchesPreferredEntry(candidate, entry)) return candidate.home;
        }
    }
    return candidates.empty() ? std::wstring() : candidates.front().home;
}

std::wstring searchVmLibrary(const LaunchConfig& config, const std::wstring& programFolder, FileProbe& probe,
                             RegistryReader& registry) {
    if (!config.jrePath.empty()) {
        VmLibrary configured = findVmLibrary(probe, withBackslash(config.jrePath), config.vmType);
        if (!configured.path.empty()) return configured.path;
    }

    if (!programFolder.empty()) {
        std::wstring folder;  // empty: the working directory
        if (probe.exists(programFolder + L"bin\\java.dll")) {
            folder = programFolder;
        } else if (probe.exists(programFolder + L"jre64\\bin\\java.dll")) {
            folder = programFolder + L"jre64\\";
        }
        VmLibrary beside = findVmLibrary(probe, folder, config.vmType);
        if (!beside.path.empty()) return beside.path;
    }

    std::vector<RuntimeCandidate> candidates;
    for (RegistryRoot root : kRegistryRoots) {
        if (isRootSearched(root, config)) collectRegistryCandidates(registry, probe, config, root, candidates);
    }
    if (candidates.empty()) return std::wstring();
    orderCandidates(candidates, config);
    return findVmLibrary(probe, chooseCandidate(candidates, config.preferredVersions), config.vmType).path;
}
