#include "launcher_messages.h"

#include <gtest/gtest.h>

#include <map>

#include "config_values.h"

namespace {

// The English texts that the phrases and lines are built from.
class EnglishStrings : public StringSource {
public:
    std::map<unsigned, std::wstring> table = {
        {202, L"Windows exception: %s (errno = %d).\n"},
        {203, L"JNI exception: %s\nReason: %s.\n"},
        {206, L"The Java Runtime Environment (JRE) was not found. Please  download and install a JRE with a "
              L"server JVM (%s) from:"},
        {207, L"The Java Runtime Environment (JRE) was not found. Please  download and install a JRE (%s) from:"},
        {208, L"failed to get the module path"},
        {210, L"Main class was not specified in INI file."},
        {213, L"failed to create the Java VM"},
        {217, L"latest version"},
        {218, L"maximum version %s"},
        {219, L"minimum version %s"},
        {220, L"version %s is required"},
        {221, L"version between %s and %s"},
        {222, L"Failed to load Java VM library: %s (errno = %d).\n"},
        {228, L"not enough memory"},
        {299, L"100% sure"},
    };
    std::wstring text(unsigned id) override {
        auto it = table.find(id);
        return it == table.end() ? std::wstring() : it->second;
    }
};

// Narrows like a single-byte code page: '?' for what it cannot hold.
class CapturingConsole : public ErrorLineConsole {
public:
    std::string output;
    std::string toNarrow(const std::wstring& text) override {
        std::string narrow;
        for (wchar_t c : text) narrow += (c < 256) ? static_cast<char>(c) : '?';
        return narrow;
    }
    void write(const std::string& line) override { output += line; }
};

VersionSpec minimum(const wchar_t* text) { return ConfigValues::parseVersionLimit(text, ConfigValues::kMinimumFill); }
VersionSpec maximum(const wchar_t* text) { return ConfigValues::parseVersionLimit(text, ConfigValues::kMaximumFill); }

}  // namespace

TEST(FormatVersion, TrailingZeroAndOpenPartsDropped) {
    EXPECT_EQ(formatVersion(minimum(L"1.6")), L"1.6");
    EXPECT_EQ(formatVersion(minimum(L"1")), L"1.0");
    EXPECT_EQ(formatVersion(minimum(L"1.6.0_20")), L"1.6.0.20");
    EXPECT_EQ(formatVersion(maximum(L"1.6")), L"1.6");
    EXPECT_EQ(formatVersion(maximum(L"any")), L"0.0.0.0");
    EXPECT_EQ(formatVersion(minimum(L"")), L"0.0.0.0");
    EXPECT_EQ(formatVersion(minimum(L"0.0.3")), L"0.0.3");
}

TEST(RequiredVersionPhrase, ExamplesForEachCase) {
    EnglishStrings s;
    EXPECT_EQ(requiredVersionPhrase(s, minimum(L"1.5"), maximum(L"1.6")), L"version between 1.5 and 1.6");
    EXPECT_EQ(requiredVersionPhrase(s, minimum(L"any"), maximum(L"any")), L"latest version");
    EXPECT_EQ(requiredVersionPhrase(s, minimum(L""), maximum(L"")), L"latest version");
    EXPECT_EQ(requiredVersionPhrase(s, minimum(L"1.6.0_20"), maximum(L"1.6.0_20")), L"version 1.6.0.20 is required");
    EXPECT_EQ(requiredVersionPhrase(s, minimum(L"1.6"), maximum(L"1.6")), L"version between 1.6 and 1.6");
    EXPECT_EQ(requiredVersionPhrase(s, minimum(L""), maximum(L"1.6.0_20")), L"maximum version 1.6.0.20");
    EXPECT_EQ(requiredVersionPhrase(s, minimum(L"1.6"), maximum(L"")), L"minimum version 1.6");
}

TEST(RequiredVersionPhrase, DialogMessageNamesTheServerVmWhenRequired) {
    EnglishStrings s;
    LaunchConfig config;
    config.minimumVersion = minimum(L"1.6");
    EXPECT_EQ(jreNotFoundMessage(s, config),
              L"The Java Runtime Environment (JRE) was not found. Please  download and install a JRE "
              L"(minimum version 1.6) from:");
    config.vmType = VmType::Server;
    config.minimumVersion = minimum(L"");
    EXPECT_EQ(jreNotFoundMessage(s, config),
              L"The Java Runtime Environment (JRE) was not found. Please  download and install a JRE with a "
              L"server JVM (latest version) from:");
}

TEST(ErrorLine, FormatsTheWholeMessageIntoOneLine) {
    EnglishStrings s;
    CapturingConsole console;
    ErrorLinePrinter printer(s, console);

    printer.print(LauncherText::VmLibraryLoadFailed, {L"C:\\jre\\bin\\server\\jvm.dll", 126});
    EXPECT_EQ(console.output, "Error: Failed to load Java VM library: C:\\jre\\bin\\server\\jvm.dll (errno = 126).\n \n");

    console.output.clear();
    printer.print(LauncherText::MainClassMissing, {});
    EXPECT_EQ(console.output, "Error: Main class was not specified in INI file. \n");

    console.output.clear();
    printer.printWindowsError(LauncherText::ModulePathFailed, 5);
    EXPECT_EQ(console.output, "Error: Windows exception: failed to get the module path (errno = 5).\n \n");

    console.output.clear();
    std::wstring created = s.text(LauncherText::CreateJavaVmFailed);
    std::wstring reason = s.text(LauncherText::ReasonNoMemory);
    printer.print(LauncherText::JniExceptionReason, {created, reason});
    EXPECT_EQ(console.output, "Error: JNI exception: failed to create the Java VM\nReason: not enough memory.\n \n");
}

TEST(ErrorLine, ArgumentsAndPlainTextsAreNeverPatterns) {
    EnglishStrings s;
    CapturingConsole console;
    ErrorLinePrinter printer(s, console);
    printer.print(299, {});  // a '%' in a text without arguments stays as it is
    printer.print(LauncherText::VmLibraryLoadFailed, {L"C:\\100%s\\jvm.dll", 2});
    printer.print(12345, {});  // a missing entry: the line is still written
    printer.printMessage(L"\u00e9t\u00e9 \u65e5");
    EXPECT_EQ(console.output, "Error: 100% sure \nError: Failed to load Java VM library: C:\\100%s\\jvm.dll "
                              "(errno = 2).\n \nError:  \nError: \xe9t\xe9 ? \n");
}
