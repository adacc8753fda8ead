// VaultwickTray.exe as built: machine, version resource, manifest and icons, read from the file.
#include <gtest/gtest.h>

#include "program_resource_checks.h"
#include "tray_resource_ids.h"

namespace {

using namespace ProgramResourceChecks;

class TrayProgramResources : public ProgramImageTest {
protected:
    TrayProgramResources() : ProgramImageTest(VW_TRAY_EXE) {}
};

TEST_F(TrayProgramResources, BuiltForThisTreesMachineWithTheVersionOfTheProject) {
    EXPECT_EQ(image_.machine, expectedMachine());
    expectVersion(image_, "Vaultwick tray client", "VaultwickTray.exe");
}

TEST_F(TrayProgramResources, ManifestDeclaresPerMonitorV2WithSystemAwareFallback) {
    std::string text = expectCommonManifest(image_);
    EXPECT_NE(text.find(">PerMonitorV2</dpiAwareness>"), std::string::npos);
}

// The program's icon in its sizes; every tray image, and its light-taskbar and high-contrast twins, in
// the notification area's icon size at each display scale from 100 % to 400 %.
TEST_F(TrayProgramResources, EveryIconIsDrawnInEachSize) {
    expectIconSizes(image_, IDI_PROGRAM);
    const std::vector<int> trayImageSizes{16, 20, 24, 28, 32, 36, 40, 48, 56, 64};
    for (int id : {IDI_TRAY_GOOD, IDI_TRAY_WARNING, IDI_TRAY_ERROR, IDI_TRAY_BUSY_1, IDI_TRAY_BUSY_2, IDI_TRAY_BUSY_3,
                   IDI_TRAY_BUSY_4, IDI_TRAY_BUSY_5, IDI_TRAY_INACTIVE, IDI_TRAY_ALERT}) {
        for (int offset : {0, IDI_LIGHT_TASKBAR_OFFSET, IDI_HIGH_CONTRAST_OFFSET})
            expectIconSizes(image_, static_cast<std::uint32_t>(id + offset), trayImageSizes);
    }
}

TEST_F(TrayProgramResources, ReaderRefusesACutOffCopyOrReadsItWhole) {
    expectTruncationsRefusedOrWhole(file_, image_);
}

}  // namespace
