// Runtime discovery on real folders holding jvm.dll files and on the real registry of the test
// prefix, written from this 64-bit process so that it lands in the view the launcher reads.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "config_values.h"
#include "runtime_discovery.h"
#include "runtime_probe_win.h"
#include "scratch_folder_win.h"

namespace fs = std::filesystem;

namespace {

const wchar_t* const kRoots[] = {L"Software\\JavaSoft\\Java Development Kit",
                                 L"Software\\JavaSoft\\Java Runtime Environment",
                                 L"Software\\JRockit\\Java Runtime Environment",
                                 L"Software\\JRockit\\Java Development Kit"};

struct RealRuntimes : ::testing::Test {
    LauncherTesting::ScratchFolder scratch{L"discovery"};
    const fs::path& root = scratch.root;
    Win32FileProbe probe;
    Win32RegistryReader registry;

    void SetUp() override {
        clearRegistry();
    }
    void TearDown() override {
        clearRegistry();
    }
    static void clearRegistry() {
        for (const wchar_t* key : kRoots) RegDeleteTreeW(HKEY_LOCAL_MACHINE, key);
    }
    // Creates <root>\<name> with a jvm.dll in each of `libraries` (e.g. L"bin\\server").
    std::wstring lay(const std::wstring& name, std::initializer_list<const wchar_t*> libraries) {
        return scratch.layRuntime(name, libraries);
    }
    static void registerRuntime(const wchar_t* rootKey, const std::wstring& version, const std::wstring* home) {
        std::wstring key = std::wstring(rootKey) + L"\\" + version;
        HKEY created;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created,
                                  nullptr),
                  ERROR_SUCCESS);
        if (home) {
            RegSetValueExW(created, L"JavaHome", 0, REG_SZ, reinterpret_cast<const BYTE*>(home->c_str()),
                           static_cast<DWORD>((home->size() + 1) * sizeof(wchar_t)));
        }
        RegCloseKey(created);
    }
    static LaunchConfig config(const wchar_t* source = L"", const wchar_t* provider = L"") {
        LaunchConfig c;
        c.sources = ConfigValues::parseRuntimeSources(source);
        c.providers = ConfigValues::parseVmProviders(provider);
        return c;
    }
};

}  // namespace

TEST_F(RealRuntimes, FolderProbesOnRealFiles) {
    std::wstring both = lay(L"both", {L"bin\\client", L"bin\\server"}) + L"\\";
    std::wstring client = lay(L"client", {L"bin\\client"}) + L"\\";
    EXPECT_EQ(findVmLibrary(probe, both, VmType::FavorServer).path, both + L"bin\\server\\jvm.dll");
    EXPECT_EQ(findVmLibrary(probe, both, VmType::None).path, both + L"bin\\client\\jvm.dll");
    EXPECT_EQ(findVmLibrary(probe, client, VmType::Server).path, L"");
    EXPECT_EQ(findVmLibrary(probe, client, VmType::FavorServer).path, client + L"bin\\client\\jvm.dll");

    // A private runtime in jre64\ beside the program.
    std::wstring app = lay(L"app", {L"jre64\\bin\\server"}) + L"\\";
    std::ofstream(fs::path(app) / L"jre64" / L"bin" / L"java.dll") << "MZ";
    LaunchConfig c = config();
    c.jrePath = lay(L"nothing", {});
    EXPECT_EQ(searchVmLibrary(c, app, probe, registry), app + L"jre64\\bin\\server\\jvm.dll");
    // The configured folder without a trailing backslash comes first.
    c.jrePath = client.substr(0, client.size() - 1);
    EXPECT_EQ(searchVmLibrary(c, app, probe, registry), client + L"bin\\client\\jvm.dll");
}

TEST_F(RealRuntimes, RegisteredVersionsLimitsAndPreferredVersions) {
    const wchar_t* jre = kRoots[1];
    for (const wchar_t* v : {L"1.5.0_11", L"1.6", L"1.6.0_20", L"1.7.0"}) {
        std::wstring home = lay(std::wstring(L"jre") + v, {L"bin\\client"});
        registerRuntime(jre, v, &home);
    }
    registerRuntime(jre, L"1.8", nullptr);  // no JavaHome
    std::wstring noLibrary = lay(L"broken", {});
    registerRuntime(jre, L"1.9", &noLibrary);

    LaunchConfig c = config();
    EXPECT_EQ(searchVmLibrary(c, L"", probe, registry), (root / L"jre1.7.0" / L"bin\\client\\jvm.dll").wstring());
    c.preferredVersions = {L"1.4", L"1.5"};
    EXPECT_EQ(searchVmLibrary(c, L"", probe, registry), (root / L"jre1.5.0_11" / L"bin\\client\\jvm.dll").wstring());

    c = config();
    c.minimumVersion = ConfigValues::parseVersionLimit(L"1.6", ConfigValues::kMinimumFill);
    c.maximumVersion = ConfigValues::parseVersionLimit(L"1.6", ConfigValues::kMaximumFill);
    std::vector<RuntimeCandidate> found;
    collectRegistryCandidates(registry, probe, c, RegistryRoot::JavaSoftJre, found);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].version.parts, (std::array<std::uint32_t, 4>{1, 6, 0, 0}));
    EXPECT_EQ(found[1].version.parts, (std::array<std::uint32_t, 4>{1, 6, 0, 20}));
    EXPECT_EQ(found[1].home, (root / L"jre1.6.0_20").wstring() + L"\\");

    // Only JDKs wanted and only JREs registered: the registry yields nothing.
    EXPECT_EQ(searchVmLibrary(config(L"only_JDK"), L"", probe, registry), L"");
}

TEST_F(RealRuntimes, JdkAndJreOfBothProviders) {
    std::wstring jdkHome = lay(L"jdk1.5", {L"jre\\bin\\server"});
    registerRuntime(kRoots[0], L"1.5.0", &jdkHome);
    std::wstring jreHome = lay(L"jre1.6", {L"bin\\client", L"bin\\server"}) + L"\\";  // home ending in '\'
    registerRuntime(kRoots[1], L"1.6.0", &jreHome);
    std::wstring rockit = lay(L"jrockit1.4", {L"bin\\jrockit"});
    registerRuntime(kRoots[2], L"1.4.2", &rockit);

    // favor_JDK: the JDK (with jre\ appended to its home) comes before the newer JRE.
    EXPECT_EQ(searchVmLibrary(config(L"favor_JDK"), L"", probe, registry), jdkHome + L"\\jre\\bin\\server\\jvm.dll");
    // FavorServer: the JavaSoft JRE is collected as not server, so the server JDK wins; the final
    // probe of a chosen JRE would still prefer its server library.
    LaunchConfig favor = config();
    favor.vmType = VmType::FavorServer;
    EXPECT_EQ(searchVmLibrary(favor, L"", probe, registry), jdkHome + L"\\jre\\bin\\server\\jvm.dll");
    favor.preferredVersions = {L"1.6"};
    EXPECT_EQ(searchVmLibrary(favor, L"", probe, registry), jreHome + L"bin\\server\\jvm.dll");
    // Default provider never looks at JRockit; favor_jrockit orders it first.
    EXPECT_EQ(searchVmLibrary(config(L"", L"FAVOR_JROCKIT"), L"", probe, registry),
              rockit + L"\\bin\\jrockit\\jvm.dll");
    EXPECT_EQ(searchVmLibrary(config(L"only_JRE", L"jrockit"), L"", probe, registry),
              rockit + L"\\bin\\jrockit\\jvm.dll");
    EXPECT_EQ(searchVmLibrary(config(L"only_JDK", L"jrockit"), L"", probe, registry), L"");
}

TEST_F(RealRuntimes, RegistryReaderEdges) {
    std::vector<std::wstring> names;
    EXPECT_FALSE(registry.subkeyNames(RegistryHive::LocalMachine, L"Software\\JavaSoft\\Java Runtime Environment\\", names));
    std::wstring empty;
    registerRuntime(kRoots[1], L"1.6", &empty);
    registerRuntime(kRoots[1], L"1.5", nullptr);
    ASSERT_TRUE(registry.subkeyNames(RegistryHive::LocalMachine, L"Software\\JavaSoft\\Java Runtime Environment\\", names));
    EXPECT_EQ(names.size(), 2u);
    EXPECT_EQ(registry.javaHome(L"Software\\JavaSoft\\Java Runtime Environment\\1.6"), std::wstring());
    EXPECT_FALSE(registry.javaHome(L"Software\\JavaSoft\\Java Runtime Environment\\1.5"));
    EXPECT_EQ(searchVmLibrary(config(), L"", probe, registry), L"");
}
