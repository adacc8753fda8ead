// The configuration through Windows' own profile functions, on real files in a scratch folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "config_file.h"
#include "config_platform_win.h"
#include "scratch_folder_win.h"

namespace fs = std::filesystem;

namespace {

// The real platform, except that the program seems to live in the scratch folder.
class ScratchPlatform : public Win32ConfigPlatform {
public:
    std::wstring program;
    bool programPath(std::wstring& path, unsigned long&) override {
        path = program;
        return true;
    }
};

class CountingErrors : public ErrorLines {
public:
    std::vector<std::wstring> lines;
    std::wstring text(unsigned id) override { return std::to_wstring(id); }
    void printMessage(const std::wstring& message) override { lines.push_back(message); }
};

struct WinConfigFixture : ::testing::Test {
    LauncherTesting::ScratchFolder scratch{L"config"};
    const fs::path& root = scratch.root;
    ScratchPlatform platform;
    CountingErrors errors;
    LaunchConfig config;

    void SetUp() override {
        fs::create_directories(root / L"app");
        platform.program = (root / L"app" / L"VaultwickService.exe").wstring();
        SetEnvironmentVariableW(L"APPDATA", (root / L"appdata").c_str());
        fs::create_directories(root / L"appdata");
    }
    std::wstring mainFile() const { return (root / L"app" / L"VaultwickService.ini").wstring(); }
    std::wstring userFile() const { return (root / L"appdata" / L"Vault Home" / L"{A1}" / L"VaultwickService.ini").wstring(); }

    static void writeText(const std::wstring& path, const std::string& text) {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(fs::path(path), std::ios::binary) << text;
    }
    static std::wstring readBack(const std::wstring& path, const wchar_t* section, const wchar_t* key) {
        wchar_t value[512];
        GetPrivateProfileStringW(section, key, L"", value, 512, path.c_str());
        return value;
    }
    static const std::string& productSection() {
        static const std::string text = "[Product Information]\r\nProduct Name=Vault: Home\r\nProduct Code={A1}\r\n";
        return text;
    }
};

}  // namespace

TEST_F(WinConfigFixture, LayeredSectionsQuotingAndLongValues) {
    std::string longValue(5000, 'c');
    longValue.front() = 'A';
    longValue.back() = 'Z';
    writeText(mainFile(), productSection() +
                              "[Java Runtime Environment]\r\n"
                              "Main Class = com.example.Engine \r\n"
                              "Minimum Version=\"1.6\"\r\n"
                              "JVM Type=server\r\n"
                              "[java runtime environment+]\r\n"
                              "Virtual Machine Parameters=-Xmx512m\r\n"
                              "JVM Type=favor_server\r\n"
                              "[Class Path]\r\n"
                              "Class Path=" + longValue + "\r\n"
                              "[Application]\r\n"
                              "Failure Check=YES\r\n");
    ScratchPlatform& p = platform;
    ConfigFile file(p, errors);
    ASSERT_TRUE(readLaunchConfig(file, config));
    EXPECT_EQ(config.mainClass, L"com/example/Engine");  // blanks around the value removed
    EXPECT_EQ(config.minimumVersion.count, 2u);           // the quotes removed by the platform
    EXPECT_EQ(config.vmType, VmType::Server);             // the section wins over "+"
    EXPECT_TRUE(config.failureCheck);
    EXPECT_EQ(file.read(L"Java Runtime Environment", L"Virtual Machine Parameters"), L" -Xmx512m");
    EXPECT_EQ(file.readPlain(L"Class Path", L"Class Path"), std::wstring(longValue.begin(), longValue.end()));
    EXPECT_EQ(file.read(L"Application", L"Cmd"), L"");
    EXPECT_TRUE(errors.lines.empty());
}

// Each section is read whole and looked up in memory: every value must equal the platform's own
// single-key read of the same file, however odd the line. (Comment lines are left out of a whole
// section; no key the launcher reads begins with ";".)
TEST_F(WinConfigFixture, SectionLookupGivesWhatTheSingleKeyReadGives) {
    writeText(mainFile(), "[Tricky]\r\n"
                          "  Spaced Name  =  spaced  value  \r\n"
                          "Tab\t=\ttabbed\t\r\n"
                          "Double=\"quoted value\"\r\n"
                          "Single='single'\r\n"
                          "Twice=\"\"twice\"\"\r\n"
                          "Mixed=\"a'\r\n"
                          "Lone=\"\r\n"
                          "Empty=\"\"\r\n"
                          "Spaced Quotes= \" a \" \r\n"
                          "Inner=a \"b\" c\r\n"
                          "Equals=a=b=c\r\n"
                          "Dup=first\r\n"
                          "DUP=second\r\n"
                          "NoEquals\r\n"
                          "NoEquals=later\r\n"
                          ";Comment=x\r\n"
                          "Blank=\r\n"
                          "\r\n"
                          "After Blank Line=still here\r\n"
                          "[Other]\r\n"
                          "Dup=other section\r\n"
                          "[tricky]\r\n"
                          "Late=a second section of the same name\r\n");
    ConfigFile file(platform, errors);
    for (const wchar_t* key : {L"Spaced Name", L"spaced name", L"Tab", L"Double", L"Single", L"Twice", L"Mixed",
                               L"Lone", L"Empty", L"Spaced Quotes", L"Inner", L"Equals", L"Dup", L"dup",
                               L"NoEquals", L"Comment", L"Blank", L"After Blank Line", L"Late",
                               L"Missing"}) {
        for (const wchar_t* section : {L"Tricky", L"TRICKY"})
            EXPECT_EQ(file.readPlain(section, key), readBack(mainFile(), section, key)) << section << " " << key;
    }
    // Not everything above reads as empty: the comparison has values to compare.
    EXPECT_EQ(file.readPlain(L"Tricky", L"Double"), L"quoted value");
    EXPECT_EQ(file.readPlain(L"Tricky", L"Dup"), L"first");
}

TEST_F(WinConfigFixture, MissingFileFailsAtTheMainClass) {
    ConfigFile file(platform, errors);
    EXPECT_FALSE(readLaunchConfig(file, config));
    EXPECT_EQ(errors.lines, std::vector<std::wstring>{L"210"});
}

TEST_F(WinConfigFixture, UserFileRulesInOrdinaryAndServiceMode) {
    writeText(mainFile(), productSection() +
                              "[Java Runtime Environment]\r\nMain Class=Engine\r\nJRE Path=C:\\MainJre\r\n");
    writeText(userFile(), "[Java Runtime Environment]\r\nJRE Path=C:\\UserJre\\\r\n");
    {
        ConfigFile file(platform, errors);
        ASSERT_TRUE(readLaunchConfig(file, config));
        EXPECT_EQ(config.jrePath, L"C:\\UserJre\\");
    }
    writeText(userFile(), "[Java Runtime Environment]\r\nOther=1\r\n");
    {
        ConfigFile file(platform, errors);
        ASSERT_TRUE(readLaunchConfig(file, config));
        EXPECT_EQ(config.jrePath, L"");  // the per-user file exists, so it alone decides
    }
    writeText(mainFile(), productSection() + "[Application]\r\nApplication Type=service\r\n"
                              "[Java Runtime Environment]\r\nMain Class=Engine\r\nJRE Path=C:\\MainJre\r\n");
    {
        ConfigFile file(platform, errors);
        ASSERT_TRUE(readLaunchConfig(file, config));
        EXPECT_TRUE(config.serviceMode);
        EXPECT_EQ(config.jrePath, L"C:\\MainJre");
    }
}

TEST_F(WinConfigFixture, StoreWritesTheRightFile) {
    writeText(mainFile(), productSection() + "[Java Runtime Environment]\r\nMain Class=Engine\r\n");
    ConfigFile file(platform, errors);
    ASSERT_TRUE(readLaunchConfig(file, config));
    ASSERT_FALSE(fs::exists(userFile()));
    storeRuntimeFolder(file, config, L"C:\\Java\\jre\\");
    EXPECT_EQ(readBack(userFile(), L"Java Runtime Environment", L"JRE Path"), L"C:\\Java\\jre\\");
    EXPECT_EQ(readBack(mainFile(), L"Java Runtime Environment", L"JRE Path"), L"");

    config.serviceMode = true;
    storeRuntimeFolder(file, config, L"D:\\Service Jre\\");
    EXPECT_EQ(readBack(mainFile(), L"Java Runtime Environment", L"JRE Path"), L"D:\\Service Jre\\");
    EXPECT_EQ(readBack(mainFile(), L"Java Runtime Environment", L"Main Class"), L"Engine");

    // The next start of an ordinary program finds the choice again.
    LaunchConfig next;
    ConfigFile again(platform, errors);
    ASSERT_TRUE(readLaunchConfig(again, next));
    EXPECT_EQ(next.jrePath, L"C:\\Java\\jre\\");
}

TEST_F(WinConfigFixture, LongAppDataIsReadWhole) {
    std::wstring longAppData = (root / std::wstring(280, L'd')).wstring();
    SetEnvironmentVariableW(L"APPDATA", longAppData.c_str());
    EXPECT_EQ(platform.environmentVariable(L"APPDATA"), longAppData);
    ConfigFile file(platform, errors);
    EXPECT_EQ(file.userPath(L"P", L"C", false), longAppData + L"\\P\\C\\VaultwickService.ini");
}

TEST(Win32ConfigPlatformTest, ProgramPathAndExpansion) {
    Win32ConfigPlatform platform;
    std::wstring path;
    unsigned long error = 0;
    ASSERT_TRUE(platform.programPath(path, error));
    EXPECT_NE(path.find(L"launcher_config_win_test.exe"), std::wstring::npos);
    EXPECT_TRUE(platform.isNtPlatform());
    SetEnvironmentVariableW(L"VW_TEST_VAR", L"value");
    EXPECT_EQ(platform.expandEnvironment(L"a%VW_TEST_VAR%b%VW_UNKNOWN_VAR%"), L"avalueb%VW_UNKNOWN_VAR%");
}
