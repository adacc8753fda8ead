#include "modern_runtimes.h"

#include "config_values.h"
#include "release_file.h"
#include "runtime_discovery.h"

namespace {

constexpr std::size_t kReleaseFileBytes = 64 * 1024;

const wchar_t* const kMsiHotspot = L"\\hotspot\\MSI";
const wchar_t* const kMsiOpenJ9 = L"\\openj9\\MSI";

struct Rejection {
    std::wstring reason;  // empty: accepted
};

void logOutcome(LaunchLog& log, const std::wstring& source, const std::wstring& outcome) {
    log.write(L"registry " + source + L": " + outcome);
}

bool kindAccepted(RuntimeKind kind, const LaunchConfig& config) {
    return kind == RuntimeKind::Jdk ? config.sources.jdkAccepted : config.sources.jreAccepted;
}

// One registered home: fills `candidate` or says why it is not one.
Rejection examineHome(FileProbe& probe, const LaunchConfig& config, const std::wstring& registeredHome,
                      const std::wstring& subkeyName, const std::vector<RuntimeCandidate>& listed,
                      RuntimeCandidate& candidate) {
    std::wstring home = withTrailingBackslash(registeredHome);
    candidate.version = runtimeVersion(probe, home, subkeyName);
    if (candidate.version.count == 0) return {L"no version in " + home + L"release nor in the name"};
    if (!withinVersionLimits(candidate.version, config)) {
        return {L"version " + versionForLog(candidate.version) + L" outside the version limits"};
    }
    candidate.library = findHomeLibrary(probe, home, config.vmType, candidate.isServer);
    if (candidate.library.empty()) return {L"no library under " + withTrailingBackslash(registeredHome)};
    std::wstring foreign = foreignMachineReason(probe, candidate.library);
    if (!foreign.empty()) return {candidate.library + L" is " + foreign};
    if (const RuntimeCandidate* same = findSameLibrary(listed, candidate.library)) {
        return {L"duplicate of " + same->source};
    }
    candidate.home = home;
    return {};
}

}  // namespace

const std::vector<ModernRoot>& modernRoots() {
    static const std::vector<ModernRoot> roots = {
        {L"SOFTWARE\\JavaSoft\\JDK\\", RuntimeKind::Jdk, {L""}, L"JavaHome"},
        {L"SOFTWARE\\JavaSoft\\JRE\\", RuntimeKind::Jre, {L""}, L"JavaHome"},
        {L"SOFTWARE\\Eclipse Adoptium\\JDK\\", RuntimeKind::Jdk, {kMsiHotspot}, L"Path"},
        {L"SOFTWARE\\Eclipse Adoptium\\JRE\\", RuntimeKind::Jre, {kMsiHotspot}, L"Path"},
        {L"SOFTWARE\\Eclipse Foundation\\JDK\\", RuntimeKind::Jdk, {kMsiHotspot}, L"Path"},
        {L"SOFTWARE\\Eclipse Foundation\\JRE\\", RuntimeKind::Jre, {kMsiHotspot}, L"Path"},
        {L"SOFTWARE\\AdoptOpenJDK\\JDK\\", RuntimeKind::Jdk, {kMsiHotspot, kMsiOpenJ9}, L"Path"},
        {L"SOFTWARE\\AdoptOpenJDK\\JRE\\", RuntimeKind::Jre, {kMsiHotspot, kMsiOpenJ9}, L"Path"},
        {L"SOFTWARE\\Semeru\\JDK\\", RuntimeKind::Jdk, {kMsiOpenJ9}, L"Path"},
        {L"SOFTWARE\\Semeru\\JRE\\", RuntimeKind::Jre, {kMsiOpenJ9}, L"Path"},
        {L"SOFTWARE\\Microsoft\\JDK\\", RuntimeKind::Jdk, {kMsiHotspot}, L"Path"},
        {L"SOFTWARE\\Azul Systems\\Zulu\\", RuntimeKind::Jdk, {L""}, L"InstallationPath"},
        {L"SOFTWARE\\BellSoft\\Liberica\\", RuntimeKind::Jdk, {L""}, L"InstallationPath"},
    };
    return roots;
}

bool isModernRootSearched(RuntimeKind kind, const LaunchConfig& config) {
    const bool sun = config.providers.sunAccepted || config.providers.sunPreferred;
    return sun && (config.sources.fallBackToOtherKind || kindAccepted(kind, config));
}

VersionSpec runtimeVersion(FileProbe& probe, const std::wstring& home, const std::wstring& subkeyName) {
    if (auto fromRelease = releaseFileVersion(probe.readHead(home + L"release", kReleaseFileBytes))) return *fromRelease;
    return ConfigValues::parseVersion(subkeyName, ConfigValues::kMinimumFill);
}

std::wstring findHomeLibrary(FileProbe& probe, std::wstring& home, VmType vmType, bool& isServer) {
    for (const std::wstring& folder : {home, home + L"jre\\"}) {
        VmLibrary library = findVmLibrary(probe, folder, vmType);
        if (library.path.empty()) continue;
        home = folder;
        isServer = library.isServer;
        return library.path;
    }
    return std::wstring();
}

void collectModernCandidates(RegistryReader& registry, FileProbe& probe, const LaunchConfig& config,
                             std::vector<RuntimeCandidate>& candidates, LaunchLog& log) {
    for (const ModernRoot& root : modernRoots()) {
        if (!isModernRootSearched(root.kind, config)) {
            logOutcome(log, root.key, L"not searched (\"JVM Source\" or \"VM Provider\")");
            continue;
        }
        std::vector<std::wstring> names;
        if (!registry.subkeyNames(root.key, names)) continue;  // most machines carry few of these vendors
        const bool preferred = kindAccepted(root.kind, config) && config.providers.sunPreferred;
        for (const std::wstring& name : names) {
            bool registered = false;
            for (const wchar_t* layout : root.layouts) {
                const std::wstring key = root.key + name + layout;
                std::optional<std::wstring> home = registry.textValue(key, root.homeValue);
                if (!home || home->empty()) continue;
                registered = true;
                RuntimeCandidate candidate;
                candidate.source = key;
                candidate.preferred = preferred;
                Rejection rejection = examineHome(probe, config, *home, name, candidates, candidate);
                if (!rejection.reason.empty()) {
                    logOutcome(log, key, L"rejected, " + rejection.reason);
                    continue;
                }
                logOutcome(log, key, L"candidate " + candidate.library + L", version " + versionForLog(candidate.version));
                candidates.push_back(std::move(candidate));
            }
            if (!registered) {
                logOutcome(log, root.key + name, L"rejected, no \"" + std::wstring(root.homeValue) + L"\"");
            }
        }
    }
}

std::wstring searchJavaHome(const LaunchConfig& config, const std::wstring& javaHome, FileProbe& probe,
                            LaunchLog& log) {
    if (javaHome.empty()) {
        log.write(L"runtime source JAVA_HOME: not set");
        return std::wstring();
    }
    auto reject = [&](const std::wstring& reason) {
        log.write(L"runtime source JAVA_HOME " + javaHome + L": rejected, " + reason);
        return std::wstring();
    };
    std::wstring home = withTrailingBackslash(javaHome);
    const VersionSpec version = runtimeVersion(probe, home, std::wstring());
    // Without a `release` file the version is unknown: acceptable only when nothing limits it.
    if (version.count == 0 && hasVersionLimits(config)) return reject(L"no version in " + home + L"release");
    if (version.count != 0 && !withinVersionLimits(version, config)) {
        return reject(L"version " + versionForLog(version) + L" outside the version limits");
    }
    bool isServer = false;
    std::wstring library = findHomeLibrary(probe, home, config.vmType, isServer);
    if (library.empty()) return reject(L"no library under " + withTrailingBackslash(javaHome));
    std::wstring foreign = foreignMachineReason(probe, library);
    if (!foreign.empty()) return reject(library + L" is " + foreign);
    log.write(L"chosen " + library + L", version " + versionForLog(version) + L", from JAVA_HOME");
    return library;
}
