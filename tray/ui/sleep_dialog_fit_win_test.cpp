// The sleep dialog at 100 %, 150 % and 200 % display scale: every control's text fits its control.
#include <gtest/gtest.h>

#include <string>

#include "dialog_fit_expectations.h"
#include "dpi_probe_run_win.h"

namespace {

void expectEverythingFits(unsigned dpi) {
    std::string report = DpiProbe::runAt(dpi, VW_PROBE_EXE);
    EXPECT_NE(report.find("dialog=118 dpi=" + std::to_string(dpi) + " control=0 kind=title"), std::string::npos)
        << report.substr(0, 300);
    DialogFit::expectNothingCut(report);
}

TEST(SleepDialogFit, EveryTextFitsAt100Percent) { expectEverythingFits(96); }
TEST(SleepDialogFit, EveryTextFitsAt150Percent) { expectEverythingFits(144); }
TEST(SleepDialogFit, EveryTextFitsAt200Percent) { expectEverythingFits(192); }

}  // namespace
