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

TEST_F(TrayProgramResources, EveryIconIsDrawnInEachSize) {
    for (int id : {IDI_PROGRAM, IDI_TRAY_GOOD, IDI_TRAY_WARNING, IDI_TRAY_ERROR, IDI_TRAY_BUSY_1, IDI_TRAY_BUSY_2,
                   IDI_TRAY_BUSY_3, IDI_TRAY_BUSY_4, IDI_TRAY_BUSY_5, IDI_TRAY_INACTIVE, IDI_TRAY_ALERT})
        expectIconSizes(image_, static_cast<std::uint32_t>(id));
}

TEST_F(TrayProgramResources, ReaderRefusesACutOffCopyOrReadsItWhole) {
    expectTruncationsRefusedOrWhole(file_, image_);
}

}  // namespace
