// Today's registered runtimes on the real registry of the test prefix (64-bit view, written from this
// 64-bit process; machine-wide and per-user) and real folders: the stand-in jvm.dll as the x86-64
// library, a PE32 header of our own as a 32-bit one, and `release` files.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "config_values.h"
#include "fake_runtime_seams.h"
#include "modern_runtimes.h"
#include "pe_header_bytes.h"
#include "runtime_discovery.h"
#include "runtime_probe_win.h"
#include "scratch_folder_win.h"

namespace fs = std::filesystem;

namespace {

const wchar_t* const kVendorKeys[] = {L"SOFTWARE\\JavaSoft\\JDK", L"SOFTWARE\\JavaSoft\\JRE",
                                      L"SOFTWARE\\Eclipse Adoptium", L"SOFTWARE\\Eclipse Foundation",
                                      L"SOFTWARE\\AdoptOpenJDK", L"SOFTWARE\\Semeru", L"SOFTWARE\\Microsoft\\JDK",
                                      L"SOFTWARE\\Azul Systems", L"SOFTWARE\\BellSoft"};

struct TodaysRuntimes : ::testing::Test {
    LauncherTesting::ScratchFolder scratch{L"modern"};
    Win32FileProbe probe;
    Win32RegistryReader registry;
    LauncherTesting::RecordingLog log;

    void SetUp() override { clearRegistry(); }
    void TearDown() override { clearRegistry(); }
    static void clearRegistry() {
        for (const wchar_t* key : kVendorKeys) {
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, key);
            RegDeleteTreeW(HKEY_CURRENT_USER, key);
        }
    }
    // <scratch>\<name> with the stand-in library below `libraryFolder` and a `release` file unless empty.
    std::wstring runtime(const std::wstring& name, const char* javaVersion, const wchar_t* libraryFolder = L"bin\\server",
                         bool thirtyTwoBit = false) {
        fs::path home = scratch.root / name;
        fs::create_directories(home / libraryFolder);
        if (thirtyTwoBit) {
            std::ofstream(home / libraryFolder / L"jvm.dll", std::ios::binary)
                << LauncherTesting::peHeaderBytes(LauncherTesting::kMachineI386);
        } else {
            fs::copy_file(fs::path(VW_STANDIN_JVM), home / libraryFolder / L"jvm.dll", fs::copy_options::overwrite_existing);
        }
        if (*javaVersion) std::ofstream(home / L"release") << "IMPLEMENTOR=\"test\"\nJAVA_VERSION=\"" << javaVersion << "\"\n";
        return home.wstring() + L"\\";
    }
    static void registerValue(const std::wstring& key, const wchar_t* name, const std::wstring& text,
                              HKEY hive = HKEY_LOCAL_MACHINE) {
        HKEY created;
        ASSERT_EQ(RegCreateKeyExW(hive, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(created, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(created);
    }
    std::wstring search(const LaunchConfig& config, const std::wstring& javaHome = L"") {
        return searchVmLibrary(config, L"", probe, registry, javaHome, log);
    }
};

}  // namespace

TEST_F(TodaysRuntimes, EachRootAndValueNameAsInstallersWriteThem) {
    struct Case {
        const wchar_t* key;
        const wchar_t* value;
    };
    const Case cases[] = {
        {L"SOFTWARE\\JavaSoft\\JDK\\17", L"JavaHome"},
        {L"SOFTWARE\\JavaSoft\\JRE\\17", L"JavaHome"},
        {L"SOFTWARE\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", L"Path"},
        {L"SOFTWARE\\Eclipse Adoptium\\JRE\\17.0.9.9\\hotspot\\MSI", L"Path"},
        {L"SOFTWARE\\Eclipse Foundation\\JDK\\17.0.9.9\\hotspot\\MSI", L"Path"},
        {L"SOFTWARE\\Eclipse Foundation\\JRE\\17.0.9.9\\hotspot\\MSI", L"Path"},
        {L"SOFTWARE\\AdoptOpenJDK\\JDK\\17.0.9.9\\hotspot\\MSI", L"Path"},
        {L"SOFTWARE\\AdoptOpenJDK\\JRE\\17.0.9.9\\openj9\\MSI", L"Path"},
        {L"SOFTWARE\\Semeru\\JDK\\17.0.9.9\\openj9\\MSI", L"Path"},
        {L"SOFTWARE\\Semeru\\JRE\\17.0.9.9\\openj9\\MSI", L"Path"},
        {L"SOFTWARE\\Microsoft\\JDK\\17.0.9.8\\hotspot\\MSI", L"Path"},
        {L"SOFTWARE\\Azul Systems\\Zulu\\zulu-17", L"InstallationPath"},
        {L"SOFTWARE\\BellSoft\\Liberica\\jdk-17", L"InstallationPath"},
    };
    const std::wstring home = runtime(L"jdk-17", "17.0.9");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        clearRegistry();
        registerValue(c.key, c.value, home);
        EXPECT_EQ(search(LaunchConfig()), home + L"bin\\server\\jvm.dll");
    }
    // Semeru writes no hotspot key: that layout is not looked at there.
    clearRegistry();
    registerValue(L"SOFTWARE\\Semeru\\JDK\\17.0.9.9\\hotspot\\MSI", L"Path", home);
    EXPECT_EQ(search(LaunchConfig()), L"");
}

TEST_F(TodaysRuntimes, ReleaseVersionsLayoutsAndDuplicates) {
    // The subkey names say 8 and 11; the files say otherwise, and win.
    const std::wstring jdk8 = runtime(L"jdk8", "1.8.0_392", L"jre\\bin\\server");
    const std::wstring jdk17 = runtime(L"jdk17", "17.0.9");
    registerValue(L"SOFTWARE\\JavaSoft\\JDK\\1.8", L"JavaHome", jdk8.substr(0, jdk8.size() - 1));
    registerValue(L"SOFTWARE\\JavaSoft\\JDK\\11", L"JavaHome", jdk17);
    // The same JDK 17 through its vendor's key, in other letter case.
    std::wstring upper = jdk17;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
    registerValue(L"SOFTWARE\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", L"Path", upper);

    LaunchConfig config;
    std::vector<RuntimeCandidate> found;
    collectModernCandidates(registry, probe, config, found, log);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].library, jdk8 + L"jre\\bin\\server\\jvm.dll");
    EXPECT_EQ(found[0].version.parts, (std::array<std::uint32_t, 4>{1, 8, 0, 392}));
    EXPECT_EQ(found[1].version.parts, (std::array<std::uint32_t, 4>{17, 0, 9, 0}));
    EXPECT_NE(log.lineWith(L"rejected, duplicate of SOFTWARE\\JavaSoft\\JDK\\11"), L"");

    EXPECT_EQ(search(config), jdk17 + L"bin\\server\\jvm.dll");
    config.maximumVersion = ConfigValues::parseVersionLimit(L"11", ConfigValues::kMaximumFill);
    EXPECT_EQ(search(config), jdk8 + L"jre\\bin\\server\\jvm.dll");
    config = LaunchConfig();
    config.sources = ConfigValues::parseRuntimeSources(L"only_JRE");
    EXPECT_EQ(search(config), L"");
}

TEST_F(TodaysRuntimes, ThirtyTwoBitSkippedAndJavaHome) {
    const std::wstring x86 = runtime(L"jdk17-x86", "17.0.9", L"bin\\server", true);
    const std::wstring x64 = runtime(L"jdk11", "11.0.21");
    registerValue(L"SOFTWARE\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", L"Path", x86);
    EXPECT_EQ(search(LaunchConfig()), L"");
    EXPECT_NE(log.lineWith(L"is not an x86-64 library (machine 0x014C)"), L"");

    // JAVA_HOME comes after the registry: a 32-bit one is skipped too, a 64-bit one taken.
    EXPECT_EQ(search(LaunchConfig(), x86), L"");
    EXPECT_EQ(search(LaunchConfig(), x64), x64 + L"bin\\server\\jvm.dll");
    registerValue(L"SOFTWARE\\Eclipse Adoptium\\JDK\\11.0.21.9\\hotspot\\MSI", L"Path", x64);
    log.lines.clear();
    EXPECT_EQ(search(LaunchConfig(), L"C:\\nowhere"), x64 + L"bin\\server\\jvm.dll");
    EXPECT_EQ(log.lineWith(L"JAVA_HOME"), L"");
}

// The per-user keys through the real reader, and the real seam's notion of one file: full paths,
// case ignored character by character beyond ASCII too.
TEST_F(TodaysRuntimes, PerUserKeysAndOneFileUnderTwoSpellings) {
    const std::wstring user = runtime(L"jdk21-user", "21.0.1");
    registerValue(L"SOFTWARE\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI", L"Path", user, HKEY_CURRENT_USER);
    EXPECT_EQ(search(LaunchConfig()), user + L"bin\\server\\jvm.dll");
    EXPECT_NE(log.lineWith(L"HKEY_CURRENT_USER\\SOFTWARE\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI: candidate"), L"");

    EXPECT_TRUE(probe.samePath(L"C:\\Java\\jdk\\..\\jdk/bin\\.\\server\\jvm.dll", L"c:\\JAVA\\JDK\\bin\\server\\JVM.dll"));
    EXPECT_TRUE(probe.samePath(L"C:\\Jos\u00E9\\jvm.dll", L"C:\\JOS\u00C9\\jvm.dll"));
    EXPECT_FALSE(probe.samePath(L"C:\\Java\\jdk\\jvm.dll", L"C:\\Java\\jdk2\\jvm.dll"));
}
