// Runtime discovery over a fake file system and registry: probe order, the sources in turn, the
// registered runtimes with their limits and rules, ordering, choosing, and the not-found hand-over.
#include "runtime_discovery.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "config_values.h"
#include "fake_runtime_seams.h"
#include "launcher_resource_ids.h"
#include "locate_runtime.h"

namespace {

using LauncherTesting::FakeFiles;
using LauncherTesting::FakeRegistry;

LaunchConfig configWith(const wchar_t* source = L"", const wchar_t* provider = L"") {
    LaunchConfig config;
    config.sources = ConfigValues::parseRuntimeSources(source);
    config.providers = ConfigValues::parseVmProviders(provider);
    return config;
}

RuntimeCandidate candidate(const wchar_t* version, const wchar_t* home, bool server = false, bool preferred = false) {
    return {ConfigValues::parseVersion(version, 0), home, server, preferred};
}

std::vector<std::wstring> homesOf(const std::vector<RuntimeCandidate>& list) {
    std::vector<std::wstring> homes;
    for (const auto& c : list) homes.push_back(c.home);
    return homes;
}

}  // namespace

TEST(FindVmLibrary, ProbeOrderPerVmType) {
    FakeFiles fs;
    fs.files = {L"J\\bin\\client\\jvm.dll", L"J\\bin\\server\\jvm.dll", L"J\\bin\\jrockit\\jvm.dll"};
    VmLibrary none = findVmLibrary(fs, L"J\\", VmType::None);
    EXPECT_EQ(none.path, L"J\\bin\\client\\jvm.dll");
    EXPECT_FALSE(none.isServer);
    VmLibrary favor = findVmLibrary(fs, L"J\\", VmType::FavorServer);
    EXPECT_EQ(favor.path, L"J\\bin\\server\\jvm.dll");
    EXPECT_TRUE(favor.isServer);

    fs.files = {L"J\\bin\\client\\jvm.dll"};
    EXPECT_EQ(findVmLibrary(fs, L"J\\", VmType::Server).path, L"");
    EXPECT_EQ(fs.probed.back(), L"J\\bin\\server\\jvm.dll");  // one probe only
    EXPECT_EQ(findVmLibrary(fs, L"J\\", VmType::FavorServer).path, L"J\\bin\\client\\jvm.dll");

    fs.probed.clear();
    fs.files = {L"J\\bin\\jrockit\\jvm.dll"};
    VmLibrary last = findVmLibrary(fs, L"J\\", VmType::None);
    EXPECT_EQ(last.path, L"J\\bin\\jrockit\\jvm.dll");
    EXPECT_FALSE(last.isServer);
    EXPECT_EQ(fs.probed, (std::vector<std::wstring>{L"J\\bin\\client\\jvm.dll", L"J\\bin\\classic\\jvm.dll",
                                                    L"J\\bin\\hotspot\\jvm.dll", L"J\\bin\\server\\jvm.dll",
                                                    L"J\\bin\\jrockit\\jvm.dll"}));
    // Found as the fourth of the plain order, the server library still counts as server.
    fs.files = {L"bin\\server\\jvm.dll"};
    EXPECT_TRUE(findVmLibrary(fs, L"", VmType::None).isServer);
}

TEST(SearchSources, WorkingDirectoryOnlyWithAKnownProgramFolder) {
    FakeFiles fs;
    FakeRegistry reg;
    LaunchConfig config = configWith();
    config.jrePath = L"C:\\Java\\jre";
    fs.files = {L"C:\\Java\\jre\\bin\\client\\jvm.dll", L"bin\\client\\jvm.dll", L"C:\\R\\bin\\client\\jvm.dll"};
    reg.add(RegistryRoot::JavaSoftJre, L"1.6", L"C:\\R");
    EXPECT_EQ(searchVmLibrary(config, L"C:\\App\\", fs, reg), L"C:\\Java\\jre\\bin\\client\\jvm.dll");
    EXPECT_TRUE(reg.opened.empty());  // a configured hit ends the search

    // Neither bin\java.dll nor jre64\bin\java.dll beside the program: relative paths, i.e. the working directory.
    config.jrePath.clear();
    EXPECT_EQ(searchVmLibrary(config, L"C:\\App\\", fs, reg), L"bin\\client\\jvm.dll");
    // An unknown program path skips that source, working directory included.
    EXPECT_EQ(searchVmLibrary(config, L"", fs, reg), L"C:\\R\\bin\\client\\jvm.dll");
}

TEST(RegistrySearch, RootsFollowSourceAndProvider) {
    FakeRegistry reg;
    FakeFiles fs;
    auto searched = [&](const wchar_t* source, const wchar_t* provider) {
        reg.opened.clear();
        LaunchConfig config = configWith(source, provider);
        searchVmLibrary(config, L"", fs, reg);
        std::vector<RegistryRoot> roots;
        for (RegistryRoot r : kRegistryRoots) {
            for (const auto& k : reg.opened) if (k == registryRootKey(r)) roots.push_back(r);
        }
        return roots;
    };
    using R = RegistryRoot;
    EXPECT_EQ(searched(L"", L""), (std::vector<R>{R::JavaSoftJdk, R::JavaSoftJre}));
    EXPECT_EQ(searched(L"only_JDK", L"any"), (std::vector<R>{R::JavaSoftJdk, R::JRockitJdk}));
    EXPECT_EQ(searched(L"only_JRE", L"jrockit"), (std::vector<R>{R::JRockitJre}));
    EXPECT_EQ(searched(L"favor_JRE", L"favor_jrockit"),
              (std::vector<R>{R::JavaSoftJdk, R::JavaSoftJre, R::JRockitJre, R::JRockitJdk}));
    EXPECT_TRUE(searched(L"favour_JRE", L"").empty());
}

TEST(OrderCandidates, PrecedenceRulesAndStability) {
    LaunchConfig config = configWith();
    std::vector<RuntimeCandidate> list = {candidate(L"1.5", L"a"), candidate(L"1.6.0_20", L"b"),
                                          candidate(L"1.6", L"c"), candidate(L"1.6.0_20", L"d")};
    orderCandidates(list, config);
    EXPECT_EQ(homesOf(list), (std::vector<std::wstring>{L"b", L"d", L"c", L"a"}));

    // Preferred first only while falling back to the other kind.
    list = {candidate(L"1.6", L"jre"), candidate(L"1.5", L"jdk", false, true)};
    orderCandidates(list, config);
    EXPECT_EQ(list[0].home, L"jdk");
    config.sources = ConfigValues::parseRuntimeSources(L"only_JDK");
    list = {candidate(L"1.6", L"jre"), candidate(L"1.5", L"jdk", false, true)};
    orderCandidates(list, config);
    EXPECT_EQ(list[0].home, L"jre");

    // Server before higher version for FavorServer, below the preferred rule.
    config = configWith();
    config.vmType = VmType::FavorServer;
    list = {candidate(L"1.7", L"client"), candidate(L"1.5", L"server", true), candidate(L"1.4", L"pref", false, true),
            candidate(L"1.3", L"prefServer", true, true)};
    orderCandidates(list, config);
    EXPECT_EQ(homesOf(list), (std::vector<std::wstring>{L"prefServer", L"pref", L"server", L"client"}));

    // Parts compare as signed numbers.
    config = configWith();
    list = {candidate(L"2147483647", L"big"), candidate(L"1", L"one")};
    orderCandidates(list, config);
    EXPECT_EQ(list[0].home, L"big");
}

TEST(ChooseCandidate, PreferredVersionsInListOrder) {
    std::vector<RuntimeCandidate> list = {candidate(L"1.6.0_20", L"a"), candidate(L"1.6", L"b"),
                                          candidate(L"1.5.0_11", L"c"), candidate(L"0", L"zero")};
    EXPECT_EQ(chooseCandidate(list, {}), L"a");
    EXPECT_EQ(chooseCandidate(list, {L"1.5"}), L"c");
    EXPECT_EQ(chooseCandidate(list, {L"1.4", L"1.6"}), L"a");
    EXPECT_EQ(chooseCandidate(list, {L"1.6.0.0"}), L"b");       // four equal parts
    EXPECT_EQ(chooseCandidate(list, {L"1.6.0_20.1"}), L"a");    // count 5 > 4 parts given: no
    EXPECT_EQ(chooseCandidate(list, {L"1.6.0.0.0"}), L"b");     // ... but all four parts equal
    EXPECT_EQ(chooseCandidate(list, {L""}), L"zero");           // empty entry: only all-zero parts
    EXPECT_EQ(chooseCandidate(list, {L"1.6.0_2"}), L"a");       // no match: the first
}

namespace {

class ScriptedPrompt : public RuntimeFolderPrompt {
public:
    int shown = 0;
    std::wstring message;
    bool ok = true;
    bool ask(const std::wstring& m, VmType, std::wstring& folder, std::wstring& library) override {
        ++shown;
        message = m;
        if (!ok) return false;
        folder = L"C:\\Picked\\";
        library = L"C:\\Picked\\bin\\client\\jvm.dll";
        return true;
    }
};

class NullPlatform : public ConfigPlatform {
public:
    std::vector<std::wstring> writes;
    std::wstring readProfileSection(const std::wstring&, const std::wstring&) override { return L""; }
    std::size_t readProfileString(const std::wstring&, const std::wstring&, const std::wstring&, wchar_t* buffer,
                                  std::size_t) override {
        buffer[0] = L'\0';
        return 0;
    }
    void writeProfileString(const std::wstring& f, const std::wstring&, const std::wstring& k,
                            const std::wstring& v) override {
        writes.push_back(f + L"|" + k + L"=" + v);
    }
    bool programPath(std::wstring& p, unsigned long&) override {
        p = L"C:\\App\\svc.exe";
        return true;
    }
    std::wstring environmentVariable(const std::wstring&) override { return L"C:\\AD"; }
    std::wstring expandEnvironment(const std::wstring& t) override { return t; }
    bool isNtPlatform() override { return true; }
    bool fileExists(const std::wstring&) override { return false; }
    void createDirectory(const std::wstring&) override {}
};

class Lines : public ErrorLines {
public:
    std::vector<std::wstring> lines;
    std::wstring text(unsigned id) override {
        if (id == LauncherText::JreNotFound) return L"need a JRE (%s)";
        if (id == LauncherText::MinimumVersion) return L"minimum version %s";
        return L"?";
    }
    void printMessage(const std::wstring& m) override { lines.push_back(m); }
};

}  // namespace

TEST(LocateRuntime, DialogOnlyOutsideServiceModeAndTheChoiceIsStored) {
    FakeFiles fs;
    FakeRegistry reg;
    NullPlatform platform;
    Lines lines;
    ConfigFile file(platform, lines);
    ScriptedPrompt prompt;
    LaunchConfig config = configWith();
    config.minimumVersion = ConfigValues::parseVersionLimit(L"1.6", 0);
    config.productName = L"P";
    config.productCode = L"C";
    std::wstring library;

    ASSERT_TRUE(locateRuntime(config, file, fs, reg, prompt, library));
    EXPECT_EQ(library, L"C:\\Picked\\bin\\client\\jvm.dll");
    EXPECT_EQ(prompt.message, L"need a JRE (minimum version 1.6)");
    EXPECT_EQ(platform.writes, std::vector<std::wstring>{L"C:\\AD\\P\\C\\svc.ini|JRE Path=C:\\Picked\\"});

    prompt.ok = false;
    library.clear();
    EXPECT_FALSE(locateRuntime(config, file, fs, reg, prompt, library));
    EXPECT_EQ(platform.writes.size(), 1u);
    EXPECT_TRUE(lines.lines.empty());  // a cancel prints nothing

    config.serviceMode = true;
    EXPECT_FALSE(locateRuntime(config, file, fs, reg, prompt, library));
    EXPECT_EQ(prompt.shown, 2);
    // Nobody sees the dialog's link in a service: the line carries the address itself.
    EXPECT_EQ(lines.lines, std::vector<std::wstring>{L"need a JRE (minimum version 1.6) " JAVA_DOWNLOAD_ADDRESS});
    EXPECT_FALSE(mayAskForRuntimeFolder(config));

    // A found library never shows the dialog.
    fs.files = {L"C:\\App\\bin\\java.dll", L"C:\\App\\bin\\client\\jvm.dll"};
    EXPECT_TRUE(locateRuntime(config, file, fs, reg, prompt, library));
    EXPECT_EQ(library, L"C:\\App\\bin\\client\\jvm.dll");
    EXPECT_EQ(prompt.shown, 2);
}
