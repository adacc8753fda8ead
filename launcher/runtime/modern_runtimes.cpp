#include "modern_runtimes.h"

#include "config_values.h"
#include "release_file.h"
#include "runtime_rules.h"

namespace {

constexpr std::size_t kReleaseFileBytes = 64 * 1024;

const wchar_t* const kMsiHotspot = L"\\hotspot\\MSI";
const wchar_t* const kMsiOpenJ9 = L"\\openj9\\MSI";
const wchar_t* const kCurrentUserPrefix = L"HKEY_CURRENT_USER\\";

struct Rejection {
    std::wstring reason;  // empty: accepted
};

void logOutcome(LaunchLog& log, const std::wstring& source, const std::wstring& outcome) {
    log.write(L"registry " + source + L": " + outcome);
}

bool kindAccepted(RuntimeKind kind, const LaunchConfig& config) {
    return kind == RuntimeKind::Jdk ? config.sources.jdkAccepted : config.sources.jreAccepted;
}

// A service's HKEY_CURRENT_USER belongs to its service account, not to anyone who installed a runtime.
std::vector<RegistryHive> searchedHives(const LaunchConfig& config) {
    if (config.serviceMode) return {RegistryHive::LocalMachine};
    return {RegistryHive::LocalMachine, RegistryHive::CurrentUser};
}

// One registered home: fills `candidate` or says why it is not one. A runtime listed already is a
// duplicate; the listed entry keeps the more precise version of the two.
Rejection examineHome(FileProbe& probe, const LaunchConfig& config, const std::wstring& registeredHome,
                      const std::wstring& subkeyName, std::vector<RuntimeCandidate>& listed,
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
    if (RuntimeCandidate* same = findSameLibrary(probe, listed, candidate.library)) {
        std::wstring reason = L"duplicate of " + same->source;
        if (takeMorePreciseVersion(*same, candidate)) reason += L", which takes its version " + versionForLog(same->version);
        return {reason};
    }
    candidate.home = home;
    return {};
}

void collectRoot(RegistryReader& registry, FileProbe& probe, const LaunchConfig& config, RegistryHive hive,
                 const ModernRoot& root, std::vector<RuntimeCandidate>& candidates, LaunchLog& log) {
    const std::wstring shownRoot = (hive == RegistryHive::CurrentUser ? kCurrentUserPrefix : L"") + std::wstring(root.key);
    std::vector<std::wstring> names;
    if (!registry.subkeyNames(hive, root.key, names)) return;  // most machines carry few of these vendors
    const bool preferred = kindAccepted(root.kind, config) && config.providers.sunPreferred;
    for (const std::wstring& name : names) {
        bool registered = false;
        for (const wchar_t* layout : root.layouts) {
            const std::wstring key = root.key + name + layout;
            std::optional<std::wstring> home = registry.textValue(hive, key, root.homeValue);
            if (!home || home->empty()) continue;
            registered = true;
            RuntimeCandidate candidate;
            candidate.source = shownRoot + name + layout;
            candidate.preferred = preferred;
            Rejection rejection = examineHome(probe, config, *home, name, candidates, candidate);
            if (!rejection.reason.empty()) {
                logOutcome(log, candidate.source, L"rejected, " + rejection.reason);
                continue;
            }
            logOutcome(log, candidate.source, L"candidate " + candidate.library + L", version " + versionForLog(candidate.version));
            candidates.push_back(std::move(candidate));
        }
        if (!registered) logOutcome(log, shownRoot + name, L"rejected, no \"" + std::wstring(root.homeValue) + L"\"");
    }
}

// JAVA_HOME as people write it: "set JAVA_HOME="C:\Program Files\Java\jdk-21" " keeps the quotes.
std::wstring withoutQuotesAndBlanks(const std::wstring& text) {
    const wchar_t* const strip = L" \t\"";
    std::size_t first = text.find_first_not_of(strip);
    if (first == std::wstring::npos) return std::wstring();
    return text.substr(first, text.find_last_not_of(strip) - first + 1);
}

// "C:\..." or "\\server\share\...": anything else depends on the working directory or drive.
bool isFullPath(const std::wstring& path) {
    if (path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) return true;
    return path.size() >= 2 && (path[0] == L'\\' || path[0] == L'/') && (path[1] == L'\\' || path[1] == L'/');
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

VersionSpec versionFromSubkeyName(const std::wstring& name) {
    VersionSpec version = ConfigValues::parseVersion(name, ConfigValues::kMinimumFill);
    const std::uint32_t feature = version.parts[0];
    if (version.count == 0 || feature < 2 || feature > 8) return version;
    // 8.0.392.8 is 1.8.0_392 (build 8): the parts move one place right; the build falls off.
    version.parts = {1, feature, version.parts[1], version.parts[2]};
    version.count = version.count < 4 ? version.count + 1 : 4;
    return version;
}

VersionSpec runtimeVersion(FileProbe& probe, const std::wstring& home, const std::wstring& subkeyName) {
    if (auto fromRelease = releaseFileVersion(probe.readHead(home + L"release", kReleaseFileBytes))) return *fromRelease;
    return versionFromSubkeyName(subkeyName);
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
    for (RegistryHive hive : searchedHives(config)) {
        for (const ModernRoot& root : modernRoots()) {
            if (!isModernRootSearched(root.kind, config)) {
                if (hive == RegistryHive::LocalMachine) {
                    logOutcome(log, root.key, L"not searched (\"JVM Source\" or \"VM Provider\")");
                }
                continue;
            }
            collectRoot(registry, probe, config, hive, root, candidates, log);
        }
    }
}

std::wstring searchJavaHome(const LaunchConfig& config, const std::wstring& javaHomeVariable, FileProbe& probe,
                            LaunchLog& log) {
    const std::wstring javaHome = withoutQuotesAndBlanks(javaHomeVariable);
    if (javaHome.empty()) {
        log.write(L"runtime source JAVA_HOME: not set");
        return std::wstring();
    }
    auto reject = [&](const std::wstring& reason) {
        log.write(L"runtime source JAVA_HOME " + javaHome + L": rejected, " + reason);
        return std::wstring();
    };
    // A relative folder would mean whatever the working directory is at this moment.
    if (!isFullPath(javaHome)) return reject(L"not a full path");
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
