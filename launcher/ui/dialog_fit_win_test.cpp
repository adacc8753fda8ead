// The launcher's dialogs at 100 %, 150 % and 200 % display scale in all nine languages: every control's
// text fits its control. The probe program lays them out in a process of its own at each DPI.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "dialog_fit_expectations.h"
#include "dpi_probe_run_win.h"

namespace {

void expectEverythingFits(DWORD dpi) {
    // Japanese and Chinese texts in real glyphs where the machine has the free CJK fonts.
    ASSERT_TRUE(DpiProbe::importRegistryFile(VW_CJK_FONT_LINKS));
    std::string report = DpiProbe::runAt(dpi, VW_PROBE_EXE);
    // The probe really ran at this scale and measured every dialog in every language.
    EXPECT_THAT(report, ::testing::HasSubstr("lang=1031 dialog=201 dpi=" + std::to_string(dpi)));
    EXPECT_THAT(report, ::testing::HasSubstr("lang=1041 dialog=231 dpi=" + std::to_string(dpi)));
    DialogFit::expectNothingCut(report);
}

TEST(LauncherDialogFit, EveryTextFitsAt100Percent) { expectEverythingFits(96); }
TEST(LauncherDialogFit, EveryTextFitsAt150Percent) { expectEverythingFits(144); }
TEST(LauncherDialogFit, EveryTextFitsAt200PercentIncludingGermanAndJapanese) { expectEverythingFits(192); }

}  // namespace
