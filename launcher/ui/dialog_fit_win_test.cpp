// The launcher's dialogs at 100 %, 150 % and 200 % display scale in all nine languages: every control's
// text fits its control. The probe program lays them out in a process of its own, because Wine reads
// the DPI (LogPixels) once per process.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "unique_handle_win.h"

namespace {

// Sets HKCU\Control Panel\Desktop\LogPixels for the lifetime of the object, then puts back what was there.
class LogPixelsOverride {
public:
    explicit LogPixelsOverride(DWORD dpi) {
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        nullptr, key_.put(), nullptr);
        DWORD size = sizeof(old_);
        had_ = RegQueryValueExW(key_.get(), L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old_), &size) ==
               ERROR_SUCCESS;
        RegSetValueExW(key_.get(), L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof(dpi));
    }
    ~LogPixelsOverride() {
        if (had_)
            RegSetValueExW(key_.get(), L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_), sizeof(old_));
        else
            RegDeleteValueW(key_.get(), L"LogPixels");
    }

private:
    Win::UniqueHkey key_;
    DWORD old_ = 0;
    bool had_ = false;
};

// Runs the probe (bounded to 60 s) and returns its report.
std::string measureAt(DWORD dpi) {
    LogPixelsOverride scale(dpi);
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring report = std::wstring(folder) + L"vw_dialog_fit_" + std::to_wstring(dpi) + L".txt";
    DeleteFileW(report.c_str());
    std::wstring command = L"\"" VW_PROBE_EXE L"\" measure \"" + report + L"\"";
    STARTUPINFOW startup{sizeof(startup)};
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
        return "probe did not start";
    Win::UniqueHandle process(started.hProcess), thread(started.hThread);
    if (WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 3);
        return "probe did not finish in 60 s";
    }
    std::ifstream in(report.c_str());
    std::stringstream text;
    text << in.rdbuf();
    DeleteFileW(report.c_str());
    return text.str();
}

void expectEverythingFits(DWORD dpi) {
    std::string report = measureAt(dpi);
    // The probe really ran at this scale and measured every dialog in every language.
    EXPECT_THAT(report, ::testing::HasSubstr("dpi=" + std::to_string(dpi) + " dialog=201"));
    EXPECT_THAT(report, ::testing::HasSubstr("lang=1041 dpi=" + std::to_string(dpi) + " dialog=231"));
    EXPECT_THAT(report, ::testing::HasSubstr(" cut=0\n"));
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);)
        EXPECT_EQ(line.rfind("CUT", 0) == 0 || line.rfind("MISSING", 0) == 0, false) << line;
}

TEST(LauncherDialogFit, EveryTextFitsAt100Percent) { expectEverythingFits(96); }
TEST(LauncherDialogFit, EveryTextFitsAt150Percent) { expectEverythingFits(144); }
TEST(LauncherDialogFit, EveryTextFitsAt200PercentIncludingGermanAndJapanese) { expectEverythingFits(192); }

}  // namespace
