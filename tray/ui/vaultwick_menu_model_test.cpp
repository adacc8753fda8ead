#include "vaultwick_menu_model.h"

#include <gtest/gtest.h>

#include <vector>

#include "tray_animation.h"
#include "tray_resource_ids.h"
#include "tray_test_support.h"

namespace {

using TrayTest::computer;

using Messages::BackupStats;

std::vector<std::wstring> listedNames(const StatusModel& model) {
    std::vector<std::wstring> names;
    for (const auto& item : VaultwickMenuModel::layout(model).computers) names.push_back(item.text);
    return names;
}

TEST(VaultwickMenuModel, ListsOtherDestinationsInListOrder) {
    StatusModel model;
    EXPECT_TRUE(VaultwickMenuModel::layout(model).computers.empty());

    model.computers = {computer(1, L"Self", true, true, true),      computer(2, L"Laptop", true, false, false),
                       computer(3, L"Printer", false, false, true), computer(4, L"Office", true, false, true),
                       computer(5, L"SelfOnly", false, true, true)};
    EXPECT_EQ(listedNames(model), (std::vector<std::wstring>{L"Laptop", L"Office"}));

    auto layout = VaultwickMenuModel::layout(model);
    EXPECT_EQ(layout.computers[0].computer.id, 2);
    EXPECT_FALSE(layout.computers[0].computer.online);
    EXPECT_TRUE(layout.computers[1].computer.online);

    // The layout holds copies: replacing the model's list leaves it intact.
    model.computers.clear();
    EXPECT_EQ(layout.computers[1].computer.name, L"Office");
}

TEST(VaultwickMenuModel, NamesAreShownLiterallyAndCutToTheItemBuffer) {
    StatusModel model;
    model.computers = {computer(1, std::wstring(400, L'x'), true, false, true),
                       computer(2, std::wstring(255, L'y'), true, false, true)};
    auto layout = VaultwickMenuModel::layout(model);
    EXPECT_EQ(layout.computers[0].text, std::wstring(252, L'x') + L"...");
    EXPECT_EQ(layout.computers[1].text, std::wstring(255, L'y'));
    EXPECT_EQ(layout.computers[0].computer.name.size(), 400u);

    // "&" is doubled so that it shows; the cut never leaves one "&" to underline the "...".
    model.computers = {computer(3, L"R&D", true, false, true), computer(4, L"x" + std::wstring(300, L'&'), true, false, true),
                       computer(5, L"xy" + std::wstring(300, L'&'), true, false, true),
                       computer(6, L"\tLab\t&\t", true, false, true),
                       computer(7, std::wstring(L"a\bb\nc\x7f") + L'\0' + L"d", true, false, true)};
    layout = VaultwickMenuModel::layout(model);
    EXPECT_EQ(layout.computers[0].text, L"R&&D");
    EXPECT_EQ(layout.computers[1].text, L"x" + std::wstring(250, L'&') + L"...");
    EXPECT_EQ(layout.computers[2].text, L"xy" + std::wstring(250, L'&') + L"...");
    EXPECT_EQ(layout.computers[3].text, L" Lab && ");  // a tab would open the accelerator column
    EXPECT_EQ(layout.computers[4].text, L"a b c  d");  // a backspace too; a zero would end the text

    // A screen reader hears the name as it is, and the state in words.
    TrayTest::FakeStringTable strings;
    EXPECT_EQ(VaultwickMenuModel::spokenName(layout.computers[0], strings), L"R&D, online");
    layout.computers[0].computer.online = false;
    EXPECT_EQ(VaultwickMenuModel::spokenName(layout.computers[0], strings), L"R&D, offline");
}

TEST(VaultwickMenuModel, SleepItemAndShowApplicationFollowTheStatistics) {
    StatusModel model;
    auto layout = VaultwickMenuModel::layout(model);
    EXPECT_FALSE(layout.showApplicationEnabled);  // before the first statistics
    EXPECT_EQ(layout.sleepTextId, unsigned(IDS_MENU_SLEEP));
    EXPECT_FALSE(layout.sleepEnabled);

    model.stats.empty = false;
    model.stats.flags = BackupStats::Enabled;
    model.stats.pausedUntil = 1700000000;  // enabled wins over a stale pause end
    layout = VaultwickMenuModel::layout(model);
    EXPECT_TRUE(layout.showApplicationEnabled);
    EXPECT_EQ(layout.sleepTextId, unsigned(IDS_MENU_SLEEP));
    EXPECT_TRUE(layout.sleepEnabled);

    model.stats.flags = 0;
    layout = VaultwickMenuModel::layout(model);
    EXPECT_EQ(layout.sleepTextId, unsigned(IDS_MENU_WAKEUP));
    EXPECT_TRUE(layout.sleepEnabled);

    model.stats.pausedUntil = 0;
    layout = VaultwickMenuModel::layout(model);
    EXPECT_EQ(layout.sleepTextId, unsigned(IDS_MENU_SLEEP));
    EXPECT_FALSE(layout.sleepEnabled);
}

TEST(SleepChoice, SelectionIndexToHours) {
    EXPECT_EQ(SleepChoice::hoursForSelection(0), 1);
    EXPECT_EQ(SleepChoice::hoursForSelection(1), 2);
    EXPECT_EQ(SleepChoice::hoursForSelection(2), 4);
    EXPECT_EQ(SleepChoice::hoursForSelection(3), 24);
    EXPECT_EQ(SleepChoice::hoursForSelection(4), 48);
    EXPECT_EQ(SleepChoice::hoursForSelection(-1), 24);  // no selection
    EXPECT_EQ(SleepChoice::hoursForSelection(5), 24);
}

TEST(TrayAnimation, FramesCycleInListOrderFromTheFirst) {
    KovToolkit::TrayAnimation animation;
    EXPECT_FALSE(animation.running());
    animation.start({151, 152, 153});
    EXPECT_TRUE(animation.running());
    EXPECT_EQ(animation.first(), 151);
    std::vector<std::uint16_t> shown;
    for (int i = 0; i < 7; ++i) shown.push_back(animation.advance());
    EXPECT_EQ(shown, (std::vector<std::uint16_t>{151, 152, 153, 151, 152, 153, 151}));

    animation.start({105, 160});  // a restart begins again at its first frame
    EXPECT_EQ(animation.advance(), 105);
    EXPECT_EQ(animation.advance(), 160);
    EXPECT_EQ(animation.advance(), 105);
    animation.stop();
    EXPECT_FALSE(animation.running());

    animation.start({});
    EXPECT_FALSE(animation.running());
}

}  // namespace
