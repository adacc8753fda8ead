// The configuration step over a fake platform: read order, layering, the value-length loop, and which
// file "JRE Path" comes from and goes to.
#include "config_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <map>
#include <set>
#include <vector>

namespace {

std::wstring lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

class FakePlatform : public ConfigPlatform {
public:
    std::map<std::wstring, std::map<std::wstring, std::wstring>> files;  // file -> "section|key" -> value
    std::vector<std::wstring> reads;                                     // sections in call order
    std::vector<std::wstring> keyReads;                                  // "section|key" read one at a time
    std::vector<std::wstring> writes;                                    // "file|section|key=value"
    std::vector<std::wstring> created;
    std::wstring program = L"C:\\Apps\\VaultwickService.exe";
    bool programKnown = true;
    bool nt = true;
    std::wstring appData = L"C:\\Users\\u\\AppData\\Roaming";

    void set(const std::wstring& file, const std::wstring& section, const std::wstring& key, const std::wstring& v) {
        files[file][lower(section + L"|" + key)] = v;
    }

    // As the system does: at most kLongestProfileSection characters with the two closing NULs, the
    // rest cut wherever it falls.
    std::wstring readProfileSection(const std::wstring& file, const std::wstring& section) override {
        reads.push_back(section);
        std::wstring lines;
        auto f = files.find(file);
        if (f == files.end()) return lines;
        const std::wstring prefix = lower(section + L"|");
        for (const auto& [name, value] : f->second)
            if (name.compare(0, prefix.size(), prefix) == 0) lines += name.substr(prefix.size()) + L"=" + value + L'\0';
        if (lines.size() > kLongestProfileSection - 2) lines.resize(kLongestProfileSection - 2);
        return lines;
    }
    std::size_t readProfileString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                                  wchar_t* buffer, std::size_t size) override {
        keyReads.push_back(section + L"|" + key);
        const std::wstring& value = files[file][lower(section + L"|" + key)];
        const std::size_t copied = std::min(value.size(), size - 1);
        std::copy(value.begin(), value.begin() + static_cast<std::ptrdiff_t>(copied), buffer);
        buffer[copied] = L'\0';
        return copied;
    }
    void writeProfileString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                            const std::wstring& value) override {
        writes.push_back(file + L"|" + section + L"|" + key + L"=" + value);
        set(file, section, key, value);
    }
    bool programPath(std::wstring& path, unsigned long& error) override {
        if (!programKnown) {
            error = 5;
            return false;
        }
        path = program;
        return true;
    }
    std::wstring environmentVariable(const std::wstring& name) override { return name == L"APPDATA" ? appData : L""; }
    std::wstring expandEnvironment(const std::wstring& text) override { return L"<" + text + L">"; }
    bool isNtPlatform() override { return nt; }
    bool fileExists(const std::wstring& path) override { return files.count(path) != 0; }
    void createDirectory(const std::wstring& path) override { created.push_back(path); }
};

class RecordingErrors : public ErrorLines {
public:
    std::vector<std::wstring> lines;
    std::wstring text(unsigned id) override {
        return id == LauncherText::WindowsException ? L"#202 %s %d" : L"#" + std::to_wstring(id);
    }
    void printMessage(const std::wstring& message) override { lines.push_back(message); }
};

const std::wstring kMain = L"C:\\Apps\\VaultwickService.ini";
const std::wstring kUser = L"C:\\Users\\u\\AppData\\Roaming\\Vault Home\\{A1}\\VaultwickService.ini";
const wchar_t* kJre = L"Java Runtime Environment";

struct ConfigFixture : ::testing::Test {
    FakePlatform platform;
    RecordingErrors errors;
    ConfigFile file{platform, errors};
    LaunchConfig config;

    void SetUp() override {
        platform.set(kMain, L"Product Information", L"Product Name", L"Vault: Home");
        platform.set(kMain, L"Product Information", L"Product Code", L"{A1}");
        platform.set(kMain, kJre, L"Main Class", L"pkg.sub.Main");
    }
};

}  // namespace

TEST_F(ConfigFixture, ReadsEachSectionOnce) {
    ASSERT_TRUE(readLaunchConfig(file, config));
    // Each section and its "+" twin once, in the order the keys first need them; plain reads
    // (the product keys) never look at a "+" section.
    std::vector<std::wstring> expected = {L"Product Information", kJre, std::wstring(kJre) + L"+", L"Application",
                                          L"Application+"};
    EXPECT_EQ(platform.reads, expected);
    EXPECT_EQ(config.stopTimeoutSeconds, 0u) << "no limit unless configured";
    EXPECT_EQ(config.shutdownTimeoutSeconds, 0u);
    EXPECT_EQ(config.mainClass, L"pkg/sub/Main");
    EXPECT_EQ(config.sources, RuntimeSources{});
    EXPECT_EQ(config.providers, VmProviders{});
    EXPECT_TRUE(errors.lines.empty());
}

TEST_F(ConfigFixture, StopAndShutdownTimeoutsInSeconds) {
    platform.set(kMain, L"Application", L"Stop Timeout", L"120");
    platform.set(kMain, L"Application", L"Shutdown Timeout", L"soon");
    ASSERT_TRUE(readLaunchConfig(file, config));
    EXPECT_EQ(config.stopTimeoutSeconds, 120u);
    EXPECT_EQ(config.shutdownTimeoutSeconds, 0u) << "not a number: not set";
}

TEST_F(ConfigFixture, MissingMainClassStopsTheStepWithItsMessage) {
    platform.files.clear();  // as if no file exists beside the program
    EXPECT_FALSE(readLaunchConfig(file, config));
    EXPECT_EQ(errors.lines, std::vector<std::wstring>{L"#210"});

    // The keys after the main class stay unread.
    errors.lines.clear();
    platform.set(kMain, L"Application", L"Failure Check", L"Yes");
    platform.set(kMain, kJre, L"System Path", L"C:\\Tools");
    ConfigFile fresh{platform, errors};
    LaunchConfig unread;
    EXPECT_FALSE(readLaunchConfig(fresh, unread));
    EXPECT_FALSE(unread.failureCheck);
    EXPECT_EQ(unread.systemPath, L"");
}

TEST_F(ConfigFixture, NoProgramPathPrintsTheWindowsErrorOnceAndFails) {
    platform.programKnown = false;
    EXPECT_FALSE(readLaunchConfig(file, config));
    EXPECT_EQ(file.readPlain(kJre, L"Main Class"), L"");
    EXPECT_EQ(errors.lines, std::vector<std::wstring>{L"#202 #208 5"});
    EXPECT_TRUE(platform.reads.empty());
}

TEST_F(ConfigFixture, ProgramWithoutDotHasNoFileAndNoMessage) {
    platform.program = L"C:\\Apps\\VaultwickService";
    EXPECT_FALSE(readLaunchConfig(file, config));
    EXPECT_TRUE(errors.lines.empty());
}

TEST_F(ConfigFixture, LayeredReadPrefixesOneSpaceAndSectionWins) {
    platform.set(kMain, L"Java Runtime Environment+", L"Virtual Machine Parameters", L"-Xmx512m");
    platform.set(kMain, L"Java Runtime Environment+", L"Library Path", L" lib");
    EXPECT_EQ(file.read(kJre, L"Virtual Machine Parameters"), L" -Xmx512m");
    EXPECT_EQ(file.read(kJre, L"Library Path"), L" lib");  // already begins with a space
    platform.set(kMain, kJre, L"Virtual Machine Parameters", L"-Xmx64m");
    ConfigFile next{platform, errors};  // the file is read once per start
    EXPECT_EQ(next.read(kJre, L"Virtual Machine Parameters"), L"-Xmx64m");
    EXPECT_EQ(next.readExpanded(kJre, L"Virtual Machine Parameters"), L"<-Xmx64m>");

    // From the "+" section a whole-value comparison cannot match.
    platform.set(kMain, L"Application+", L"Application Type", L"service");
    platform.set(kMain, L"Java Runtime Environment+", L"JVM Type", L"server");
    ConfigFile third{platform, errors};
    ASSERT_TRUE(readLaunchConfig(third, config));
    EXPECT_FALSE(config.serviceMode);
    EXPECT_EQ(config.vmType, VmType::None);
}

TEST_F(ConfigFixture, PlainReadGrowsUntilTheValueFits) {
    for (std::size_t length : {254u, 255u, 256u, 511u, 1023u, 5000u}) {
        std::wstring value(length, L'x');
        value[0] = L'a';
        value[length - 1] = L'z';
        platform.set(kMain, L"Class Path", L"Class Path", value);
        EXPECT_EQ(ConfigFile(platform, errors).readPlain(L"Class Path", L"Class Path"), value) << length;
    }
    EXPECT_TRUE(platform.keyReads.empty()) << "short sections are read whole";
}

// A section read stops at the system's limit, even mid-line, without saying so: one that comes back
// that long has its keys read one at a time, every value whole, and the log says so.
TEST_F(ConfigFixture, SectionAtTheReadLimitHasItsKeysReadOneAtATime) {
    struct Lines : LaunchLog {
        std::vector<std::wstring> lines;
        void write(const std::wstring& text) override { lines.push_back(text); }
    } log;
    file.logValuesTo(log);
    const std::wstring parameters = L"-Dlong=" + std::wstring(40000, L'p') + L"!";
    platform.set(kMain, kJre, L"Virtual Machine Parameters", parameters);
    platform.set(kMain, kJre, L"Zz After", L"tail");  // after the long line, so past the cut
    // "b=", the value and its NUL: 32,764 characters, one less than what may have been cut, read whole.
    const std::wstring below(kLongestProfileSection - 6, L'b');
    platform.set(kMain, L"Below", L"b", below);

    EXPECT_EQ(file.readPlain(kJre, L"Virtual Machine Parameters"), parameters);
    EXPECT_EQ(file.readPlain(kJre, L"Zz After"), L"tail");
    EXPECT_EQ(file.readPlain(kJre, L"Main Class"), L"pkg.sub.Main");
    EXPECT_EQ(file.readPlain(L"Below", L"b"), below);
    const std::set<std::wstring> readOneByOne(platform.keyReads.begin(), platform.keyReads.end());
    EXPECT_EQ(readOneByOne, (std::set<std::wstring>{std::wstring(kJre) + L"|Virtual Machine Parameters",
                                                    std::wstring(kJre) + L"|Zz After",
                                                    std::wstring(kJre) + L"|Main Class"}));
    ASSERT_FALSE(log.lines.empty());
    EXPECT_EQ(log.lines.front(), L"section [Java Runtime Environment] of " + kMain +
                                     L" read as 32765 characters, which may have been cut: its keys are read one at "
                                     L"a time");
}

TEST_F(ConfigFixture, RuntimeFolderFromTheMainFileOffNt) {
    platform.set(kMain, L"Java Runtime Environment+", L"JRE Path", L"C:\\MainJre");
    platform.set(kUser, kJre, L"JRE Path", L"C:\\UserJre");
    ASSERT_TRUE(readLaunchConfig(file, config));
    EXPECT_EQ(config.jrePath, L"C:\\UserJre");
    platform.nt = false;
    ASSERT_TRUE(readLaunchConfig(file, config));
    EXPECT_EQ(config.jrePath, L" C:\\MainJre");
}

// What the log shows of the file: each value once, as it stands, the per-user file named; values read
// before the log is there follow when it is.
TEST_F(ConfigFixture, ValuesReadGoToTheLogOnce) {
    struct Lines : LaunchLog {
        std::vector<std::wstring> lines;
        void write(const std::wstring& text) override { lines.push_back(text); }
    } log;
    platform.set(kMain, L"Application", L"Application Type", L"program");
    platform.set(kMain, L"Java Runtime Environment+", L"JVM Type", L"server");
    platform.set(kUser, kJre, L"JRE Path", L"C:\\UserJre");
    file.readPlain(L"Application", L"Application Type");
    ASSERT_TRUE(readLaunchConfig(file, config));
    file.logValuesTo(log);
    file.read(kJre, L"Main Class");
    EXPECT_EQ(log.lines, (std::vector<std::wstring>{
                             L"setting [Application] Application Type=program",
                             L"setting [Product Information] Product Code={A1}",
                             L"setting [Product Information] Product Name=Vault: Home",
                             L"setting [Java Runtime Environment] JRE Path=C:\\UserJre (from " + kUser + L")",
                             L"setting [Java Runtime Environment+] JVM Type=server",
                             L"setting [Java Runtime Environment] Main Class=pkg.sub.Main"}));
}

TEST_F(ConfigFixture, OverlongUserPathCountsAsAbsent) {
    platform.appData = L"C:\\" + std::wstring(300, L'a');  // read whole, not cut at 260
    std::wstring longUser = platform.appData + L"\\Vault Home\\{A1}\\VaultwickService.ini";
    EXPECT_EQ(file.userPath(L"Vault: Home", L"{A1}", false), longUser);
    platform.set(longUser, kJre, L"JRE Path", L"C:\\UserJre");
    platform.set(kMain, kJre, L"JRE Path", L"C:\\MainJre");
    ASSERT_TRUE(readLaunchConfig(file, config));
    EXPECT_EQ(config.jrePath, L"C:\\MainJre");
}


TEST_F(ConfigFixture, AStoredFolderIsSeenByLaterReadsOfThatFile) {
    config.serviceMode = true;
    EXPECT_EQ(file.read(kJre, L"JRE Path"), L"");
    storeRuntimeFolder(file, config, L"C:\\Picked");
    EXPECT_EQ(file.read(kJre, L"JRE Path"), L"C:\\Picked");
    EXPECT_EQ(file.read(kJre, L"Main Class"), L"pkg.sub.Main");
}
