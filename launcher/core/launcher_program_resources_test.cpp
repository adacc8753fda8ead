// VaultwickService.exe as built: machine, version resource, manifest and icon, read from the file.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "launcher_resource_ids.h"
#include "program_resource_checks.h"

namespace {

using namespace ProgramResourceChecks;

class LauncherProgramResources : public ProgramImageTest {
protected:
    LauncherProgramResources() : ProgramImageTest(VW_SERVICE_EXE) {}
};

TEST_F(LauncherProgramResources, BuiltForThisTreesMachineWithTheVersionOfTheProject) {
    EXPECT_EQ(image_.machine, expectedMachine());
    EXPECT_TRUE(image_.is64);
    expectVersion(image_, "Vaultwick service launcher", "VaultwickService.exe");
}

TEST_F(LauncherProgramResources, ManifestIsSystemAwareOnly) {
    std::string text = expectCommonManifest(image_);
    // The dialogs are laid out once for the system DPI; per-monitor awareness would leave them unscaled
    // on a second monitor.
    EXPECT_EQ(text.find("dpiAwareness"), std::string::npos);
}

TEST_F(LauncherProgramResources, IconIsDrawnInEachSizeAndIsTheFirstGroup) {
    expectIconSizes(image_, IDI_LAUNCHER);
    auto groups = image_.ofType(Pe::kTypeGroupIcon);
    ASSERT_FALSE(groups.empty());
    EXPECT_EQ(groups.front()->id, static_cast<std::uint32_t>(IDI_LAUNCHER));
}

TEST_F(LauncherProgramResources, DialogsAndTextsInNineLanguages) {
    for (std::uint32_t id : {IDD_JRE_NOT_FOUND, IDD_JAVA_EXCEPTION}) {
        std::vector<std::uint16_t> languages;
        for (const Pe::Resource* r : image_.ofType(5 /* RT_DIALOG */))
            if (r->id == id) languages.push_back(r->language);
        std::sort(languages.begin(), languages.end());
        EXPECT_EQ(languages, (std::vector<std::uint16_t>{1028, 1031, 1033, 1036, 1041, 1043, 1053, 2052, 3082}))
            << "dialog " << id;
    }
}

// Windows shows the service's description, "@VaultwickService.exe,-250", in the reader's language.
TEST_F(LauncherProgramResources, ServiceDescriptionInNineLanguages) {
    std::vector<std::uint16_t> languages;
    for (const Pe::Resource* r : image_.ofType(6 /* RT_STRING */)) {
        // Block id/16+1 holds 16 counted UTF-16 strings: skip to the wanted one, read its length.
        std::size_t at = 0, count = 0;
        for (int i = 0; i <= IDS_SERVICE_DESCRIPTION % 16 && at + 2 <= r->data.size(); ++i, at += 2 + 2 * count)
            count = r->data[at] | r->data[at + 1] << 8;
        if (r->id == IDS_SERVICE_DESCRIPTION / 16 + 1 && count > 0) languages.push_back(r->language);
    }
    std::sort(languages.begin(), languages.end());
    EXPECT_EQ(languages, (std::vector<std::uint16_t>{1028, 1031, 1033, 1036, 1041, 1043, 1053, 2052, 3082}));
}

// The event log shows an event's text through the source's message file, this program: its message 1
// must be the inserted text alone.
TEST_F(LauncherProgramResources, MessageOneIsTheInsertedTextAlone) {
    std::wstring path;
    for (const char* c = VW_SERVICE_EXE; *c; ++c) path += static_cast<wchar_t>(*c == '/' ? '\\' : *c);
    HMODULE program = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr) << GetLastError();
    DWORD_PTR inserts[] = {reinterpret_cast<DWORD_PTR>(L"Error: no runtime\nsecond line")};
    wchar_t text[256] = {};
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, program, 1, 0,
                                        text, 256, reinterpret_cast<va_list*>(inserts));
    EXPECT_NE(length, 0u) << GetLastError();
    EXPECT_EQ(std::wstring(text), L"Error: no runtime\nsecond line");
    FreeLibrary(program);
}

TEST_F(LauncherProgramResources, ReaderRefusesACutOffCopyOrReadsItWhole) {
    expectTruncationsRefusedOrWhole(file_, image_);
}

}  // namespace
