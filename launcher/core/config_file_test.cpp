// The configuration step over a fake platform: read order, layering, the value-length loop, and which
// file "JRE Path" comes from and goes to.
#include "config_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <map>
#include <vector>

namespace {

std::wstring lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

class FakePlatform : public ConfigPlatform {
public:
    std::map<std::wstring, std::map<std::wstring, std::wstring>> files;  // file -> "section|key" -> value
    std::vector<std::wstring> reads;                                     // "section|key" in call order
    std::vector<std::wstring> writes;                                    // "file|section|key=value"
    std::vector<std::wstring> created;
    std::wstring program = L"C:\\Apps\\VaultwickService.exe";
    bool programKnown = true;
    bool nt = true;
    std::wstring appData = L"C:\\Users\\u\\AppData\\Roaming";

    void set(const std::wstring& file, const std::wstring& section, const std::wstring& key, const std::wstring& v) {
        files[file][lower(section + L"|" + key)] = v;
    }

    std::size_t readProfileString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                                  wchar_t* buffer, std::size_t size) override {
        reads.push_back(section + L"|" + key);
        std::wstring value;
        auto f = files.find(file);
        if (f != files.end()) {
            auto v = f->second.find(lower(section + L"|" + key));
            if (v != f->second.end()) value = v->second;
        }
        std::size_t n = std::min(value.size(), size - 1);  // the platform cuts what does not fit
        std::copy(value.begin(), value.begin() + n, buffer);
        buffer[n] = L'\0';
        return n;
    }
    void writeProfileString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                            const std::wstring& value) override {
        writes.push_back(file + L"|" + section + L"|" + key + L"=" + value);
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

TEST_F(ConfigFixture, ReadsKeysInTheirFixedOrder) {
    ASSERT_TRUE(readLaunchConfig(file, config));
    // Each layered key is tried in its section, then (being empty) in the "+" section.
    std::vector<std::wstring> expected = {
        L"Product Information|Product Code", L"Product Information|Product Name"};
    auto layered = [&](const std::wstring& section, const std::wstring& key, bool second) {
        expected.push_back(section + L"|" + key);
        if (second) expected.push_back(section + L"+|" + key);
    };
    layered(kJre, L"Minimum Version", true);
    layered(kJre, L"Maximum Version", true);
    layered(L"Application", L"Application Type", true);
    layered(kJre, L"Preferred versions", true);
    layered(kJre, L"JRE Path", true);  // no per-user file exists, so from the main file
    layered(kJre, L"JVM Type", true);
    layered(kJre, L"JVM Source", true);
    layered(kJre, L"VM Provider", true);
    layered(kJre, L"Main Class", false);
    layered(L"Application", L"Failure Check", true);
    layered(L"Application", L"Override WorkingDir", true);
    layered(kJre, L"System Path", true);
    layered(kJre, L"Library Path", true);
    layered(L"Application", L"Stop Timeout", true);
    layered(L"Application", L"Shutdown Timeout", true);
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
    EXPECT_EQ(platform.reads.back(), std::wstring(kJre) + L"+|Main Class");
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
    EXPECT_EQ(file.read(kJre, L"Virtual Machine Parameters"), L"-Xmx64m");
    EXPECT_EQ(file.readExpanded(kJre, L"Virtual Machine Parameters"), L"<-Xmx64m>");

    // From the "+" section a whole-value comparison cannot match.
    platform.set(kMain, L"Application+", L"Application Type", L"service");
    platform.set(kMain, L"Java Runtime Environment+", L"JVM Type", L"server");
    ASSERT_TRUE(readLaunchConfig(file, config));
    EXPECT_FALSE(config.serviceMode);
    EXPECT_EQ(config.vmType, VmType::None);
}

TEST_F(ConfigFixture, PlainReadGrowsUntilTheValueFits) {
    for (std::size_t length : {254u, 255u, 256u, 511u, 1023u, 5000u}) {
        std::wstring value(length, L'x');
        value[0] = L'a';
        value[length - 1] = L'z';
        platform.set(kMain, L"Class Path", L"Class Path", value);
        EXPECT_EQ(file.readPlain(L"Class Path", L"Class Path"), value) << length;
    }
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

