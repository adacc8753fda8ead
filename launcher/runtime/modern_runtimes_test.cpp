// Today's registered runtimes and JAVA_HOME over a fake registry and file system: each vendor's
// layout, versions from `release`, the JDK 8 and 17 layouts, duplicates, bitness, and the settings.
#include "modern_runtimes.h"

#include <gtest/gtest.h>


#include "config_values.h"
#include "fake_runtime_seams.h"
#include "pe_header_bytes.h"
#include "runtime_discovery.h"

namespace {

using LauncherTesting::FakeFiles;
using LauncherTesting::FakeRegistry;
using LauncherTesting::RecordingLog;

using LauncherTesting::peHeaderBytes;

struct ModernRuntimes : ::testing::Test {
    FakeFiles files;
    FakeRegistry registry;
    RecordingLog log;
    LaunchConfig config;

    // A home with an x86-64 bin\server\jvm.dll (below `libraryFolder`) and, unless empty, a `release`.
    std::wstring home(const std::wstring& folder, const std::string& javaVersion,
                      const std::wstring& libraryFolder = L"bin\\server\\", std::uint16_t machine = LauncherTesting::kMachineAmd64) {
        std::wstring home = folder + L"\\";
        files.contents[home + libraryFolder + L"jvm.dll"] = peHeaderBytes(machine);
        if (!javaVersion.empty()) files.contents[home + L"release"] = "JAVA_VERSION=\"" + javaVersion + "\"\n";
        return home;
    }
    std::wstring search(const std::wstring& javaHome = L"") {
        return searchVmLibrary(config, L"", files, registry, javaHome, log);
    }
};

const std::wstring kAdoptiumJdk = L"SOFTWARE\\Eclipse Adoptium\\JDK\\";
const std::wstring kJavaSoftJdk = L"SOFTWARE\\JavaSoft\\JDK\\";
const std::wstring kMsi = L"\\hotspot\\MSI";

}  // namespace

TEST_F(ModernRuntimes, EachVendorRootWithItsValueName) {
    struct Case {
        const wchar_t* root;
        const wchar_t* name;
        const wchar_t* layout;
        const wchar_t* value;
    };
    const Case cases[] = {
        {L"SOFTWARE\\JavaSoft\\JDK\\", L"17", L"", L"JavaHome"},
        {L"SOFTWARE\\JavaSoft\\JRE\\", L"17", L"", L"JavaHome"},
        {L"SOFTWARE\\Eclipse Adoptium\\JRE\\", L"17.0.9.9", L"\\hotspot\\MSI", L"Path"},
        {L"SOFTWARE\\Eclipse Foundation\\JDK\\", L"17.0.9.9", L"\\hotspot\\MSI", L"Path"},
        {L"SOFTWARE\\AdoptOpenJDK\\JDK\\", L"11.0.2.9", L"\\openj9\\MSI", L"Path"},
        {L"SOFTWARE\\Semeru\\JRE\\", L"17.0.8.7", L"\\openj9\\MSI", L"Path"},
        {L"SOFTWARE\\Microsoft\\JDK\\", L"17.0.9.8", L"\\hotspot\\MSI", L"Path"},
        {L"SOFTWARE\\Azul Systems\\Zulu\\", L"zulu-17", L"", L"InstallationPath"},
        {L"SOFTWARE\\BellSoft\\Liberica\\", L"jdk-17", L"", L"InstallationPath"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.root);
        registry = FakeRegistry();
        std::wstring h = home(L"C:\\rt", "17.0.9");
        registry.addModern(c.root, c.name, c.layout, c.value, L"C:\\rt");
        EXPECT_EQ(search(), h + L"bin\\server\\jvm.dll");
        // Another value name under the same key is not a home.
        registry = FakeRegistry();
        registry.addModern(c.root, c.name, c.layout, L"Home", L"C:\\rt");
        EXPECT_EQ(search(), L"");
    }
}

TEST_F(ModernRuntimes, ReleaseVersionWinsOverTheSubkeyName) {
    std::wstring newer = home(L"C:\\a", "21.0.1");
    std::wstring older = home(L"C:\\b", "17.0.9");
    registry.addModern(kJavaSoftJdk, L"11", L"", L"JavaHome", L"C:\\a");  // the name says 11, the file 21
    registry.addModern(kJavaSoftJdk, L"17", L"", L"JavaHome", L"C:\\b");
    EXPECT_EQ(search(), newer + L"bin\\server\\jvm.dll");
    EXPECT_NE(log.lineWith(L"chosen " + newer + L"bin\\server\\jvm.dll, version 21.0.1"), L"");

    config.maximumVersion = ConfigValues::parseVersionLimit(L"17", ConfigValues::kMaximumFill);
    EXPECT_EQ(search(), older + L"bin\\server\\jvm.dll");
    EXPECT_NE(log.lineWith(L"version 21.0.1 outside the version limits"), L"");

    // "Preferred versions" match the version from the file.
    config = LaunchConfig();
    config.preferredVersions = {L"17"};
    EXPECT_EQ(search(), older + L"bin\\server\\jvm.dll");
}

TEST_F(ModernRuntimes, VersionFromTheNameOrNone) {
    std::wstring named = home(L"C:\\named", "");
    home(L"C:\\nameless", "");
    registry.addModern(L"SOFTWARE\\Azul Systems\\Zulu\\", L"zulu-11", L"", L"InstallationPath", L"C:\\named");
    registry.addModern(L"SOFTWARE\\BellSoft\\Liberica\\", L"current", L"", L"InstallationPath", L"C:\\nameless");
    std::vector<RuntimeCandidate> found;
    collectModernCandidates(registry, files, config, found, log);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].home, named);
    EXPECT_EQ(found[0].version.parts, (std::array<std::uint32_t, 4>{11, 0, 0, 0}));
    EXPECT_NE(log.lineWith(L"Liberica\\current: rejected, no version"), L"");
}

TEST_F(ModernRuntimes, Jdk8AndJdk17Layouts) {
    std::wstring jdk8 = home(L"C:\\jdk8", "1.8.0_392", L"jre\\bin\\server\\");
    std::wstring jdk17 = home(L"C:\\jdk17", "17.0.9");
    registry.addModern(kJavaSoftJdk, L"1.8", L"", L"JavaHome", L"C:\\jdk8");
    registry.addModern(kJavaSoftJdk, L"17", L"", L"JavaHome", L"C:\\jdk17\\");
    std::vector<RuntimeCandidate> found;
    collectModernCandidates(registry, files, config, found, log);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].library, jdk8 + L"jre\\bin\\server\\jvm.dll");
    EXPECT_EQ(found[0].home, jdk8 + L"jre\\");
    EXPECT_EQ(found[0].version.parts, (std::array<std::uint32_t, 4>{1, 8, 0, 392}));
    EXPECT_EQ(found[1].library, jdk17 + L"bin\\server\\jvm.dll");
    // The home is probed first: a JDK 17 does not look into jre\.
    EXPECT_EQ(std::count(files.probed.begin(), files.probed.end(), jdk17 + L"jre\\bin\\server\\jvm.dll"), 0);
}

TEST_F(ModernRuntimes, OneRuntimeUnderTwoRootsCountsOnce) {
    home(L"C:\\Program Files\\Eclipse Adoptium\\jdk-17.0.9.9-hotspot", "17.0.9");
    registry.addModern(kJavaSoftJdk, L"17", L"", L"JavaHome", L"c:\\program files\\eclipse adoptium\\JDK-17.0.9.9-hotspot");
    registry.addModern(kAdoptiumJdk, L"17.0.9.9", kMsi, L"Path", L"C:\\Program Files\\Eclipse Adoptium\\jdk-17.0.9.9-hotspot");
    // The stand-in file system matches exactly; the real one ignores case.
    files.contents[L"c:\\program files\\eclipse adoptium\\JDK-17.0.9.9-hotspot\\bin\\server\\jvm.dll"] =
        peHeaderBytes(LauncherTesting::kMachineAmd64);
    std::vector<RuntimeCandidate> found;
    collectModernCandidates(registry, files, config, found, log);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].source, kJavaSoftJdk + L"17");
    EXPECT_NE(log.lineWith(L"rejected, duplicate of " + kJavaSoftJdk + L"17"), L"");

    // A key named "17" without a `release` file, and the vendor's key for the same runtime written with
    // "." in its path: one runtime, kept where first listed, with the vendor key's more precise version.
    registry = FakeRegistry();
    found.clear();
    home(L"C:\\jdk17", "");
    registry.addModern(kJavaSoftJdk, L"17", L"", L"JavaHome", L"C:\\jdk17");
    registry.addModern(kAdoptiumJdk, L"17.0.9.9", kMsi, L"Path", L"C:\\jdk17\\.");
    files.fullPaths[L"C:\\jdk17\\.\\bin\\server\\jvm.dll"] = L"C:\\jdk17\\bin\\server\\jvm.dll";
    files.contents[L"C:\\jdk17\\.\\bin\\server\\jvm.dll"] = peHeaderBytes(LauncherTesting::kMachineAmd64);
    collectModernCandidates(registry, files, config, found, log);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].source, kJavaSoftJdk + L"17");
    EXPECT_EQ(found[0].version.parts, (std::array<std::uint32_t, 4>{17, 0, 9, 9}));
    EXPECT_NE(log.lineWith(L"duplicate of " + kJavaSoftJdk + L"17, which takes its version 17.0.9.9"), L"");

    // AdoptOpenJDK's two virtual machines of one version are two runtimes.
    registry = FakeRegistry();
    found.clear();
    home(L"C:\\hs", "11.0.2");
    home(L"C:\\j9", "11.0.2");
    registry.addModern(L"SOFTWARE\\AdoptOpenJDK\\JDK\\", L"11.0.2.9", L"\\hotspot\\MSI", L"Path", L"C:\\hs");
    registry.addModern(L"SOFTWARE\\AdoptOpenJDK\\JDK\\", L"11.0.2.9", L"\\openj9\\MSI", L"Path", L"C:\\j9");
    collectModernCandidates(registry, files, config, found, log);
    EXPECT_EQ(found.size(), 2u);
}

TEST_F(ModernRuntimes, ThirtyTwoBitRuntimeSkipped) {
    home(L"C:\\x86", "17.0.9", L"bin\\server\\", LauncherTesting::kMachineI386);
    std::wstring x64 = home(L"C:\\x64", "11.0.21");
    registry.addModern(kAdoptiumJdk, L"17.0.9.9", kMsi, L"Path", L"C:\\x86");
    registry.addModern(kAdoptiumJdk, L"11.0.21.9", kMsi, L"Path", L"C:\\x64");
    EXPECT_EQ(search(), x64 + L"bin\\server\\jvm.dll");
    EXPECT_NE(log.lineWith(L"is not an x86-64 library (machine 0x014C)"), L"");
}

TEST_F(ModernRuntimes, JvmSourceAndVmProviderApply) {
    home(L"C:\\jdk", "17.0.9");
    std::wstring jre = home(L"C:\\jre", "11.0.21");
    registry.addModern(kAdoptiumJdk, L"17.0.9.9", kMsi, L"Path", L"C:\\jdk");
    registry.addModern(L"SOFTWARE\\Eclipse Adoptium\\JRE\\", L"11.0.21.9", kMsi, L"Path", L"C:\\jre");

    config.sources = ConfigValues::parseRuntimeSources(L"only_JRE");
    EXPECT_EQ(search(), jre + L"bin\\server\\jvm.dll");
    EXPECT_NE(log.lineWith(L"registry " + kAdoptiumJdk + L": not searched"), L"");

    config.sources = ConfigValues::parseRuntimeSources(L"favor_JRE");  // the older JRE is preferred
    EXPECT_EQ(search(), jre + L"bin\\server\\jvm.dll");

    config.sources = ConfigValues::parseRuntimeSources(L"");
    config.providers = ConfigValues::parseVmProviders(L"jrockit");
    EXPECT_EQ(search(), L"");
    config.providers = ConfigValues::parseVmProviders(L"any");
    EXPECT_EQ(search(), L"C:\\jdk\\bin\\server\\jvm.dll");
}

TEST_F(ModernRuntimes, OlderRootsKeepEveryRegisteredName) {
    // Java 1.x installers register one runtime under its family and its full version; "Preferred
    // versions" may name either, so those roots are not merged.
    const std::wstring jre6 = home(L"C:\\jre6", "");
    const std::wstring jre7 = home(L"C:\\jre7", "");
    registry.add(RegistryRoot::JavaSoftJre, L"1.6", L"C:\\jre6");
    registry.add(RegistryRoot::JavaSoftJre, L"1.6.0_20", L"C:\\jre6");
    registry.add(RegistryRoot::JavaSoftJre, L"1.7.0", L"C:\\jre7");
    std::vector<RuntimeCandidate> found;
    collectRegistryCandidates(registry, files, config, RegistryRoot::JavaSoftJre, found, log);
    EXPECT_EQ(found.size(), 3u);
    EXPECT_EQ(search(), jre7 + L"bin\\server\\jvm.dll");
    config.preferredVersions = {L"1.6.0_20"};
    EXPECT_EQ(search(), jre6 + L"bin\\server\\jvm.dll");
}

TEST_F(ModernRuntimes, JavaHomeAfterTheRegistry) {
    std::wstring h = home(L"C:\\jh", "17.0.9");
    EXPECT_EQ(search(L"C:\\jh"), h + L"bin\\server\\jvm.dll");
    EXPECT_NE(log.lineWith(L"from JAVA_HOME"), L"");

    // A registered runtime wins.
    std::wstring reg = home(L"C:\\reg", "11.0.21");
    registry.addModern(kAdoptiumJdk, L"11.0.21.9", kMsi, L"Path", L"C:\\reg");
    EXPECT_EQ(search(L"C:\\jh"), reg + L"bin\\server\\jvm.dll");
    registry = FakeRegistry();

    // A configured runtime folder that yields a library ends the search before it.
    std::wstring configured = home(L"C:\\cfg", "");
    config.jrePath = L"C:\\cfg";
    log.lines.clear();
    EXPECT_EQ(search(L"C:\\jh"), configured + L"bin\\server\\jvm.dll");
    EXPECT_EQ(log.lineWith(L"JAVA_HOME"), L"");
    config.jrePath.clear();

    config.minimumVersion = ConfigValues::parseVersionLimit(L"21", ConfigValues::kMinimumFill);
    EXPECT_EQ(search(L"C:\\jh"), L"");
    EXPECT_NE(log.lineWith(L"JAVA_HOME C:\\jh: rejected, version 17.0.9 outside the version limits"), L"");

    // Without `release` the version is unknown: only taken when nothing limits it.
    files.contents.erase(h + L"release");
    EXPECT_EQ(search(L"C:\\jh"), L"");
    config = LaunchConfig();
    EXPECT_EQ(search(L"C:\\jh"), h + L"bin\\server\\jvm.dll");

    home(L"C:\\jh32", "17.0.9", L"bin\\client\\", LauncherTesting::kMachineI386);
    EXPECT_EQ(search(L"C:\\jh32"), L"");
    EXPECT_NE(log.lineWith(L"JAVA_HOME C:\\jh32: rejected, C:\\jh32\\bin\\client\\jvm.dll is not an x86-64 library"), L"");
}

TEST_F(ModernRuntimes, Java8VendorNamesCompareAsOnePointEight) {
    // Vendors name Java 8 "8.0.392.8"; without a `release` file the name is all there is.
    std::wstring jdk8 = home(L"C:\\jdk8", "", L"jre\\bin\\server\\");
    registry.addModern(kAdoptiumJdk, L"8.0.392.8", kMsi, L"Path", L"C:\\jdk8");
    registry.addModern(L"SOFTWARE\\Azul Systems\\Zulu\\", L"zulu-8", L"", L"InstallationPath", L"C:\\jdk8");
    home(L"C:\\jdk21", "21.0.1");
    registry.addModern(kJavaSoftJdk, L"21", L"", L"JavaHome", L"C:\\jdk21");
    config.maximumVersion = ConfigValues::parseVersionLimit(L"1.8", ConfigValues::kMaximumFill);
    EXPECT_EQ(search(), jdk8 + L"jre\\bin\\server\\jvm.dll");
    EXPECT_NE(log.lineWith(L"chosen " + jdk8 + L"jre\\bin\\server\\jvm.dll, version 1.8.0.392"), L"");

    EXPECT_EQ(versionFromSubkeyName(L"zulu-8").parts, (std::array<std::uint32_t, 4>{1, 8, 0, 0}));
    EXPECT_EQ(versionFromSubkeyName(L"8.0.392.8").count, 4u);
    EXPECT_EQ(versionFromSubkeyName(L"17.0.9.9").parts, (std::array<std::uint32_t, 4>{17, 0, 9, 9}));
    EXPECT_EQ(versionFromSubkeyName(L"1.8.0_392").parts, (std::array<std::uint32_t, 4>{1, 8, 0, 392}));
}

TEST_F(ModernRuntimes, PerUserInstallsAfterTheMachinesOnlyForAnOrdinaryProgram) {
    std::wstring machine = home(L"C:\\machine", "17.0.9");
    std::wstring user = home(L"C:\\Users\\u\\jdk21", "21.0.1");
    registry.addModern(kAdoptiumJdk, L"17.0.9.9", kMsi, L"Path", L"C:\\machine");
    registry.addModern(kAdoptiumJdk, L"21.0.1.12", kMsi, L"Path", L"C:\\Users\\u\\jdk21", RegistryHive::CurrentUser);
    // The same machine-wide runtime registered for the user too counts once, as the machine's.
    registry.addModern(kJavaSoftJdk, L"17", L"", L"JavaHome", L"C:\\machine", RegistryHive::CurrentUser);
    std::vector<RuntimeCandidate> found;
    collectModernCandidates(registry, files, config, found, log);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].library, machine + L"bin\\server\\jvm.dll");
    EXPECT_EQ(found[1].source, L"HKEY_CURRENT_USER\\" + kAdoptiumJdk + L"21.0.1.12" + kMsi);
    EXPECT_NE(log.lineWith(L"HKEY_CURRENT_USER\\" + kJavaSoftJdk + L"17: rejected, duplicate of " + kAdoptiumJdk), L"");
    EXPECT_EQ(search(), user + L"bin\\server\\jvm.dll");

    // A service's current user is its service account: nobody installed a runtime for it.
    config.serviceMode = true;
    registry.opened.clear();
    EXPECT_EQ(search(), machine + L"bin\\server\\jvm.dll");
    for (const std::wstring& key : registry.opened) EXPECT_EQ(key.rfind(L"HKCU\\", 0), std::wstring::npos) << key;
}

TEST_F(ModernRuntimes, JavaHomeQuotedOrRelative) {
    std::wstring h = home(L"C:\\Program Files\\jdk", "17.0.9");
    EXPECT_EQ(search(L" \"C:\\Program Files\\jdk\" "), h + L"bin\\server\\jvm.dll");

    // A relative folder would depend on the working directory: skipped, and the log says why.
    home(L"jdk", "17.0.9");
    EXPECT_EQ(search(L"jdk"), L"");
    EXPECT_NE(log.lineWith(L"runtime source JAVA_HOME jdk: rejected, not a full path"), L"");
    EXPECT_EQ(search(L"\\jdk"), L"");  // the root of whichever drive is current
    EXPECT_EQ(search(L"\"\""), L"");
    EXPECT_NE(log.lineWith(L"runtime source JAVA_HOME: not set"), L"");
}
