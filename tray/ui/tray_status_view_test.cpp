#include "tray_status_view.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "tray_test_support.h"

namespace {

using Messages::BackupStats;
using Icons = std::vector<std::uint16_t>;

constexpr std::int64_t kNow = 1700000000;

class TrayStatusViewTest : public ::testing::Test {
protected:
    TrayStatusViewTest() {
        model.connecting = false;
        model.connected = true;
        model.loggedIn = true;
        model.stats.empty = false;
        model.stats.flags = BackupStats::Enabled;
        model.computers.push_back(computer(7, L"Office"));
        model.computers.push_back(computer(8, L"Attic"));
    }

    static Messages::Computer computer(std::int64_t id, const std::wstring& name) {
        Messages::Computer c;
        c.id = id;
        c.name = name;
        return c;
    }

    std::wstring tip() const { return TrayStatusView::tooltip(model, strings, numbers, kNow); }
    Icons icons() const { return TrayStatusView::images(model); }

    void backingUp(std::int64_t rate) {
        model.stats.flags = BackupStats::Enabled | BackupStats::BackingUp;
        model.stats.backupTargetComputerId = 7;
        model.stats.bytesPerSecond = rate;
        model.stats.remainingBytes = 3072;
        model.stats.totalBytes = 4096;
        model.stats.totalFileCount = 40;
        model.stats.remainingFileCount = 30;
    }

    StatusModel model;
    TrayTest::FakeStringTable strings;
    TrayTest::FakeNumberLocale numbers;
};

TEST_F(TrayStatusViewTest, StatesBeforeTheStatisticsDecideTheTipInRuleOrder) {
    StatusModel fresh;  // right after start-up
    EXPECT_EQ(TrayStatusView::tooltip(fresh, strings, numbers, kNow), L"Unable to connect to the backup engine");
    EXPECT_EQ(TrayStatusView::images(fresh), Icons{159});

    model.stats.empty = true;  // connected but no statistics yet
    EXPECT_EQ(tip(), L"Unable to connect to the backup engine");
    model.stats.empty = false;

    model.connected = false;
    model.upgrading = true;
    std::wstring disconnected = tip();
    EXPECT_EQ(disconnected, strings.texts[IDS_ERROR_OCCURRED_SHORT]);
    EXPECT_LE(disconnected.size(), TrayStatusView::kTipMaxChars);
    EXPECT_GT(strings.texts[IDS_ERROR_OCCURRED].size(), TrayStatusView::kTipMaxChars);

    model.connected = true;
    model.loggedIn = false;
    EXPECT_EQ(tip(), L"Upgrading...");
    model.upgrading = false;
    EXPECT_EQ(tip(), L"Waiting for login");
    model.loggedIn = true;

    model.stats.flags = BackupStats::Enabled | BackupStats::Scanning | BackupStats::BackingUp;
    EXPECT_EQ(tip(), L"Scanning files");
}

// A refused peer leaves the model disconnected with no statistics: the holder's tip comes before
// every other rule, and a long image name is cut so the tip still fits.
TEST_F(TrayStatusViewTest, AnotherProgramOnTheEnginePortIsNamedWhileNotConnected) {
    StatusModel held;
    held.connecting = false;
    held.portHolder = PeerCheck::Process{4321, L"listener.exe"};
    EXPECT_EQ(TrayStatusView::tooltip(held, strings, numbers, kNow),
              L"Not connected: another program holds the backup engine's port (process 4321, listener.exe)");
    EXPECT_EQ(TrayStatusView::images(held), Icons{159});

    held.portHolder->image = std::wstring(300, L'x') + L".exe";
    const std::wstring cut = TrayStatusView::tooltip(held, strings, numbers, kNow);
    EXPECT_EQ(cut.size(), TrayStatusView::kTipMaxChars);
    EXPECT_EQ(cut.substr(0, 71), L"Not connected: another program holds the backup engine's port (process ");
    held.portHolder->image.clear();
    EXPECT_EQ(TrayStatusView::tooltip(held, strings, numbers, kNow),
              L"Not connected: another program holds the backup engine's port (process 4321)");
}

TEST_F(TrayStatusViewTest, BackupProgressWithRateShowsThreeLines) {
    backingUp(1536);
    EXPECT_EQ(tip(), L"Backing up to Office @ 1.5 KB/sec\nless than a minute remaining\n10 of 40 files sent (25%)");

    model.stats.remainingBytes = 1536LL * 7200;
    model.stats.totalBytes = 1536LL * 7200 * 4;
    model.stats.totalFileCount = 12345;
    model.stats.remainingFileCount = 0;
    EXPECT_EQ(tip(), L"Backing up to Office @ 1.5 KB/sec\n2 hours remaining\n12,345 of 12,345 files sent (75%)");
}

TEST_F(TrayStatusViewTest, BackupProgressLeavesOutTheTimeWhenItCannotBeComputed) {
    backingUp(99);  // below the rate that is shown
    EXPECT_EQ(tip(), L"Backing up to Office\n10 of 40 files sent (25%)");
    backingUp(0);
    EXPECT_EQ(tip(), L"Backing up to Office\n10 of 40 files sent (25%)");
    backingUp(1536);
    model.stats.remainingBytes = 0;  // rate shown, nothing left: no time line
    EXPECT_EQ(tip(), L"Backing up to Office @ 1.5 KB/sec\n10 of 40 files sent (100%)");
}

TEST_F(TrayStatusViewTest, BackupProgressToUnknownComputerAndDegenerateTotals) {
    backingUp(0);
    model.stats.backupTargetComputerId = 99;
    model.stats.totalBytes = 0;  // no division by zero: 0 %
    EXPECT_EQ(tip(), L"Backing up to unknown\n10 of 40 files sent (0%)");
    model.stats.remainingBytes = 10000;
    model.stats.totalBytes = 4096;  // more left than in total: done is raised to 0
    EXPECT_EQ(tip(), L"Backing up to unknown\n10 of 40 files sent (0%)");
}

TEST_F(TrayStatusViewTest, LongComputerNameIsCutSoTheTipStillFits) {
    backingUp(1536);
    model.computers[0].name = std::wstring(300, L'N');
    std::wstring text = tip();
    EXPECT_EQ(text.size(), TrayStatusView::kTipMaxChars);
    EXPECT_EQ(text.rfind(L"Backing up to NNN", 0), 0u);
    EXPECT_NE(text.find(L"N... @ 1.5 KB/sec\nless than a minute remaining\n10 of 40 files sent (25%)"), std::wstring::npos);

    model.stats.flags = BackupStats::Enabled | BackupStats::Restoring;
    model.stats.restoringFromComputerId = 7;
    text = tip();
    EXPECT_LE(text.size(), TrayStatusView::kTipMaxChars);
    EXPECT_NE(text.find(L"N......\n30 (3.0 KB) files to backup"), std::wstring::npos);
}

TEST_F(TrayStatusViewTest, GeneralTipFilesLineVariants) {
    model.stats.totalFileCount = 0;
    EXPECT_EQ(tip(), L"Please select files to backup");
    model.stats.totalFileCount = 5000;
    model.stats.remainingFileCount = 1234;
    model.stats.remainingBytes = 3 * 1048576;
    EXPECT_EQ(tip(), L"1,234 (3.0 MB) files to backup");
    model.stats.remainingBytes = 0;
    EXPECT_EQ(tip(), L"Backup complete");
}

TEST_F(TrayStatusViewTest, GeneralTipScheduleLine) {
    model.stats.totalFileCount = 10;
    model.stats.lastBackupTime = kNow - 3 * 86400;
    EXPECT_EQ(tip(), L"Backup complete\nLast backed up 3 days ago");

    model.stats.nextBackupTime = kNow + 5400;  // a coming backup wins over the last one
    EXPECT_EQ(tip(), L"Backup complete\nNext backup in 1.5 hours");

    model.stats.nextBackupTime = 0;
    model.stats.lastBackupTime = kNow - 365 * 86400;  // exactly a year: no line
    EXPECT_EQ(tip(), L"Backup complete");
    model.stats.lastBackupTime = 0;  // never backed up
    EXPECT_EQ(tip(), L"Backup complete");
}

TEST_F(TrayStatusViewTest, ExtremeTimesAndSizesSaturateInsteadOfWrapping) {
    model.stats.totalFileCount = 10;
    model.stats.lastBackupTime = INT64_MIN;  // now - last would overflow: treated as very long ago
    EXPECT_EQ(tip(), L"Backup complete");
    model.stats.nextBackupTime = INT64_MAX;
    EXPECT_EQ(TrayStatusView::tooltip(model, strings, numbers, -5), L"Backup complete\nNext backup in 24855.1 days");

    backingUp(1536);
    model.stats.totalBytes = INT64_MAX;
    model.stats.remainingBytes = INT64_MIN;
    EXPECT_EQ(tip(), L"Backing up to Office @ 1.5 KB/sec\n10 of 40 files sent (100%)");
}

TEST_F(TrayStatusViewTest, GeneralTipStatusLinesAndJoining) {
    model.stats.totalFileCount = 10;
    model.stats.flags = 0;  // not enabled
    model.stats.pausedUntil = kNow + 7200;
    model.stats.nextBackupTime = kNow + 60;  // ignored while paused
    model.stats.lastBackupTime = kNow - 120;
    EXPECT_EQ(tip(), L"Paused for 2 hours\nBackup complete\nLast backed up 2 minutes ago");
    EXPECT_EQ(icons(), Icons{159});

    model.stats.lastBackupTime = 0;
    EXPECT_EQ(tip(), L"Paused for 2 hours\nBackup complete");

    model.stats.pausedUntil = 0;
    model.stats.flags = BackupStats::Enabled | BackupStats::Restoring | BackupStats::Receiving;
    model.stats.restoringFromComputerId = 8;
    model.stats.receivingFromComputerId = 7;
    EXPECT_EQ(tip(), L"Restoring files from Attic...\nBackup complete\nNext backup in 1 minute");

    model.stats.flags = BackupStats::Enabled | BackupStats::Receiving;
    model.stats.receivingFromComputerId = 42;
    EXPECT_EQ(tip(), L"Receiving files from unknown...\nBackup complete\nNext backup in 1 minute");
}

TEST_F(TrayStatusViewTest, InactiveImageForEveryNotReadyState) {
    auto expectGrey = [this](auto change) {
        StatusModel saved = model;
        change(model);
        EXPECT_EQ(icons(), Icons{159});
        model.alertCount = 2;  // alerts never alternate with the grey image
        EXPECT_EQ(icons(), Icons{159});
        model = saved;
    };
    expectGrey([](StatusModel& m) { m.connecting = true; });
    expectGrey([](StatusModel& m) { m.connected = false; });
    expectGrey([](StatusModel& m) { m.stats.empty = true; });
    expectGrey([](StatusModel& m) { m.stats.flags = BackupStats::BackingUp; });
    expectGrey([](StatusModel& m) { m.loggedIn = false; });
    expectGrey([](StatusModel& m) { m.upgrading = true; });
    EXPECT_EQ(icons(), Icons{104});
}

TEST_F(TrayStatusViewTest, HealthImagesAndAlertAlternation) {
    model.stats.healthLevel = 2;
    EXPECT_EQ(icons(), Icons{104});
    model.stats.healthLevel = 1;
    EXPECT_EQ(icons(), Icons{105});
    model.stats.healthLevel = 0;
    EXPECT_EQ(icons(), Icons{106});
    model.stats.healthLevel = 7;
    EXPECT_EQ(icons(), Icons{106});

    model.alertCount = 2;
    model.stats.healthLevel = 1;
    EXPECT_EQ(icons(), (Icons{105, 160}));
    model.stats.flags |= BackupStats::Scanning;  // scanning alone does not animate
    EXPECT_EQ(icons(), (Icons{105, 160}));
}

TEST_F(TrayStatusViewTest, BusyAnimationForTransfersWithAlertFrameAtTheEnd) {
    for (std::int32_t flag : {BackupStats::BackingUp, BackupStats::Receiving, BackupStats::Restoring}) {
        model.stats.flags = BackupStats::Enabled | flag;
        model.alertCount = 0;
        EXPECT_EQ(icons(), (Icons{151, 152, 153, 154, 155}));
        model.alertCount = 1;
        EXPECT_EQ(icons(), (Icons{151, 152, 153, 154, 155, 160}));
    }
}

}  // namespace
