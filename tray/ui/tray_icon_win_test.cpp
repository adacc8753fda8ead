#include "tray_icon_win.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>

#include "kov_text_win.h"
#include "tray_test_support.h"
#include "tray_win_test_support.h"
#include "vaultwick_tray_icon_win.h"

using namespace TrayWinTest;
using ::testing::ElementsAre;
using ::testing::StartsWith;
using Frames = std::vector<std::uint16_t>;

namespace {

// Records which image each setIcon shows and which sequences animate starts.
template <typename Base>
class Observed : public Base {
public:
    using Base::Base;
    std::vector<std::pair<std::uint16_t, bool>> shown;  // icon id, stopAnimation
    std::vector<Frames> animations;

    void setIcon(std::uint16_t id, bool stopAnimation) override {
        shown.emplace_back(id, stopAnimation);
        Base::setIcon(id, stopAnimation);
    }
    using Base::setIcon;
    void animate(const Frames& frames) override {
        animations.push_back(frames);
        Base::animate(frames);
    }
};
using ObservedTrayIcon = Observed<KovToolkit::TrayIcon>;
using ObservedVaultwickIcon = Observed<VaultwickTrayIcon>;

class TrayIconTest : public ::testing::Test {
protected:
    RecordingShell shell;
    RecordingHandler handler;
    ObservedTrayIcon icon{104, &handler, shell};
};

TEST_F(TrayIconTest, ConstructionRegistersTheCallbackMessageAndCreatesNothing) {
    EXPECT_EQ(icon.callbackMessage(), RegisterWindowMessageW(L"com.morvaine.tray.icon.message--104"));
    EXPECT_EQ(icon.getWindow(), nullptr);
    EXPECT_TRUE(shell.requests.empty());
}

TEST_F(TrayIconTest, CreateMakesOneHiddenToolWindowThatSeesItsOwnCreation) {
    icon.create();
    HWND window = icon.getWindow();
    ASSERT_NE(window, nullptr);
    wchar_t text[64] = {};
    GetClassNameW(window, text, 64);
    EXPECT_STREQ(text, L"VaultwickTray");
    GetWindowTextW(window, text, 64);
    EXPECT_STREQ(text, L"Vaultwick Tray");
    EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_THAT(handler.windowMessages, ::testing::Contains(UINT(WM_NCCREATE)));
    EXPECT_THAT(handler.windowMessages, ::testing::Contains(UINT(WM_CREATE)));

    icon.create();
    EXPECT_EQ(icon.getWindow(), window);
}

TEST_F(TrayIconTest, ShowAddsOnceProbesFirstAndReaddsALostIcon) {
    icon.create();
    icon.show();
    icon.show();
    ASSERT_EQ(shell.requests.size(), 3u);
    const auto& probe = shell.requests[0];
    EXPECT_EQ(probe.message, DWORD(NIM_MODIFY));
    EXPECT_EQ(probe.data.uFlags, 0u);
    const auto& add = shell.requests[1];
    EXPECT_EQ(add.message, DWORD(NIM_ADD));
    EXPECT_EQ(add.data.uFlags, UINT(NIF_MESSAGE | NIF_ICON));
    EXPECT_EQ(add.data.uCallbackMessage, icon.callbackMessage());
    EXPECT_NE(add.data.hIcon, nullptr);
    EXPECT_EQ(shell.requests[2].message, DWORD(NIM_MODIFY));
    for (const auto& r : shell.requests) {
        EXPECT_EQ(r.data.cbSize, sizeof(void*) == 4 ? 936u : 952u);
        EXPECT_EQ(r.data.hWnd, icon.getWindow());
        EXPECT_EQ(r.data.uID, 104u);
    }

    shell.present = false;  // the shell lost the icon
    icon.show();
    EXPECT_EQ(shell.requests.back().message, DWORD(NIM_ADD));
    EXPECT_TRUE(shell.present);
}

TEST_F(TrayIconTest, HideDeletesOnlyAnIconThatIsThere) {
    icon.create();
    icon.hide();
    ASSERT_EQ(shell.requests.size(), 1u);  // probe only
    icon.show();
    shell.requests.clear();
    icon.hide();
    ASSERT_EQ(shell.requests.size(), 2u);
    EXPECT_EQ(shell.requests[1].message, DWORD(NIM_DELETE));
    EXPECT_FALSE(shell.present);
}

TEST_F(TrayIconTest, TipOf127IsWholeAndLongerTipClearsWithALogLine) {
    LogCapture log;
    icon.create();
    std::wstring tip127(127, L't');
    icon.setTip(tip127);
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0].message, DWORD(NIM_MODIFY));
    EXPECT_EQ(shell.requests[0].data.uFlags, UINT(NIF_TIP));
    EXPECT_EQ(shell.requests[0].tip(), tip127);
    EXPECT_TRUE(log.lines.empty());

    icon.setTip(std::wstring(128, L't'));
    ASSERT_EQ(shell.requests.size(), 2u);
    EXPECT_EQ(shell.requests[1].tip(), L"");
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_THAT(log.lines[0], StartsWith(L"SEVERE|KovToolkit::TrayIcon::setTip|Unable to set tray tip. error="));
}

TEST_F(TrayIconTest, BalloonLimitsAndTheirLogLines) {
    LogCapture log;
    icon.create();
    icon.notify(std::wstring(254, L'b'), std::wstring(62, L'T'));
    ASSERT_EQ(shell.requests.size(), 1u);
    const auto& ok = shell.requests[0];
    EXPECT_EQ(ok.data.uFlags, UINT(NIF_INFO));
    EXPECT_EQ(ok.data.dwInfoFlags, DWORD(NIIF_INFO));
    EXPECT_EQ(ok.data.uTimeout, 10000u);
    EXPECT_EQ(ok.info(), std::wstring(254, L'b'));
    EXPECT_EQ(ok.title(), std::wstring(62, L'T'));
    EXPECT_TRUE(log.lines.empty());

    icon.notify(std::wstring(255, L'b'), L"Title");
    EXPECT_EQ(shell.requests[1].info(), L"");
    EXPECT_EQ(shell.requests[1].title(), L"Title");
    icon.notify(L"Text", std::wstring(63, L'T'));
    EXPECT_EQ(shell.requests[2].info(), L"Text");
    EXPECT_EQ(shell.requests[2].title(), L"");
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_THAT(log.lines[0], StartsWith(L"SEVERE|KovToolkit::TrayIcon::notify|Unable to set tray info. error="));
    EXPECT_THAT(log.lines[1], StartsWith(L"SEVERE|KovToolkit::TrayIcon::notify|Unable to set tray info title. error="));
}

TEST_F(TrayIconTest, AnimationShowsFramesInOrderOnItsTicksAndPlainSetIconEndsIt) {
    icon.create();
    icon.animate({151, 152, 153, 154, 155});
    EXPECT_TRUE(icon.shown.empty());  // the first frame waits one interval
    for (int i = 0; i < 7; ++i) SendMessageW(icon.getWindow(), WM_TIMER, 151, 0);
    std::vector<std::uint16_t> ids;
    for (auto [id, stop] : icon.shown) {
        ids.push_back(id);
        EXPECT_FALSE(stop);
    }
    EXPECT_EQ(ids, (Frames{151, 152, 153, 154, 155, 151, 152}));
    EXPECT_TRUE(handler.timerIds.empty());  // own ticks never reach the handler
    for (const auto& r : shell.requests) EXPECT_EQ(r.data.uFlags, UINT(NIF_ICON));

    icon.setIcon(104);
    EXPECT_FALSE(KillTimer(icon.getWindow(), 151));  // the timer is gone
    icon.shown.clear();
    SendMessageW(icon.getWindow(), WM_TIMER, 151, 0);  // a tick that was already queued
    EXPECT_TRUE(icon.shown.empty());
    EXPECT_TRUE(handler.timerIds.empty());
}

TEST_F(TrayIconTest, AnimationRunsOnARealTimer) {
    icon.create();
    icon.setAnimationInterval(20);
    icon.animate({105, 160});
    ASSERT_TRUE(pumpUntil([&] { return icon.shown.size() >= 3; }));
    EXPECT_EQ(icon.shown[0].first, 105);
    EXPECT_EQ(icon.shown[1].first, 160);
    EXPECT_EQ(icon.shown[2].first, 105);
    icon.setIcon(104);
}

TEST_F(TrayIconTest, ForeignTimerIdsReachTheHandler) {
    icon.create();
    HWND window = icon.getWindow();
    SendMessageW(window, WM_TIMER, 0, 0);  // no animation yet: event id 0 is the controller's
    icon.animate({151, 152});
    SendMessageW(window, WM_TIMER, 3, 0);
    SendMessageW(window, WM_TIMER, 152, 0);  // only the first frame's id is the animation's
    EXPECT_EQ(handler.timerIds, (std::vector<WPARAM>{0, 3, 152}));
    EXPECT_TRUE(icon.shown.empty());
    SendMessageW(window, WM_TIMER, 151, 0);
    EXPECT_EQ(icon.shown.size(), 1u);
}

TEST_F(TrayIconTest, CallbackMouseMessagesAreRoutedOnThePress) {
    icon.create();
    HWND window = icon.getWindow();
    UINT callback = icon.callbackMessage();
    for (LPARAM m : {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_MOUSEMOVE, WM_MBUTTONDOWN}) {
        EXPECT_EQ(SendMessageW(window, callback, 104, m), 0);
    }
    EXPECT_THAT(handler.events, ElementsAre("left", "double", "right", "icon", "icon", "icon"));
    EXPECT_THAT(handler.iconEvents, ElementsAre(unsigned(WM_RBUTTONUP), unsigned(WM_MOUSEMOVE), unsigned(WM_MBUTTONDOWN)));
    EXPECT_THAT(handler.windowMessages, ::testing::Not(::testing::Contains(callback)));
}

TEST_F(TrayIconTest, DestructionRemovesTheIconAndTheWindow) {
    auto owned = std::make_unique<ObservedTrayIcon>(104, &handler, shell);
    owned->create();
    owned->show();
    HWND window = owned->getWindow();
    owned.reset();
    EXPECT_FALSE(shell.present);
    EXPECT_EQ(shell.requests.back().message, DWORD(NIM_DELETE));
    EXPECT_FALSE(IsWindow(window));
}

TEST(TrayIconSystemShell, RealNotificationAreaAcceptsAndRemovesTheIcon) {
    RecordingHandler handler;
    KovToolkit::TrayIcon icon(104, &handler);
    icon.create();
    icon.show();
    NOTIFYICONDATAW probe{};
    probe.cbSize = KovToolkit::kNotifyIconDataSize;
    probe.hWnd = icon.getWindow();
    probe.uID = 104;
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &probe));
    icon.setTip(L"Vaultwick test tip");
    icon.hide();
    EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &probe));
}

// Skin folders, with real files in a scratch working directory.
class SkinFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        GetCurrentDirectoryW(MAX_PATH, previous_);
        root_ = std::wstring(temp) + L"vw-skin-test-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(root_.c_str(), nullptr);
        ASSERT_TRUE(SetCurrentDirectoryW(root_.c_str()));
        for (const wchar_t* d : {L"skin", L"skin\\tray", L"skin\\custom", L"skin\\custom\\tray"}) CreateDirectoryW(d, nullptr);
    }
    void TearDown() override {
        DeleteFileW(kCustom);
        DeleteFileW(kShipped);
        for (const wchar_t* d : {L"skin\\custom\\tray", L"skin\\custom", L"skin\\tray", L"skin"}) RemoveDirectoryW(d);
        SetCurrentDirectoryW(previous_);
        RemoveDirectoryW(root_.c_str());
    }

    // A one-colour 16x16 24-bit icon file.
    static void writeIcon(const wchar_t* path, std::uint32_t rgb) {
        std::string data;
        auto put16 = [&](unsigned v) { data += char(v & 0xFF); data += char(v >> 8); };
        auto put32 = [&](unsigned v) { put16(v & 0xFFFF); put16(v >> 16); };
        const unsigned imageSize = 40 + 16 * 16 * 3 + 16 * 4;
        put16(0); put16(1); put16(1);
        data += char(16); data += char(16); data += char(0); data += char(0);
        put16(1); put16(24); put32(imageSize); put32(22);
        put32(40); put32(16); put32(32); put16(1); put16(24);
        for (int i = 0; i < 6; ++i) put32(0);
        for (int i = 0; i < 256; ++i) {
            data += char(rgb & 0xFF); data += char((rgb >> 8) & 0xFF); data += char(rgb >> 16);
        }
        data.append(16 * 4, '\0');  // mask: all opaque
        FILE* f = _wfopen(path, L"wb");
        ASSERT_NE(f, nullptr);
        fwrite(data.data(), 1, data.size(), f);
        fclose(f);
    }

    static std::uint32_t colourOf104() {
        Win::UniqueHicon icon = KovToolkit::TrayIcon::loadIcon(104);
        return icon ? iconPixel(icon.get(), 5, 10) : 0xFFFFFFFF;
    }

    static constexpr const wchar_t* kCustom = L"skin\\custom\\tray\\104.ico";
    static constexpr const wchar_t* kShipped = L"skin\\tray\\104.ico";
    wchar_t previous_[MAX_PATH] = {};
    std::wstring root_;
};

TEST_F(SkinFolderTest, CustomThenShippedThenBuiltInAndNeverCached) {
    writeIcon(kCustom, 0xFF0000);
    writeIcon(kShipped, 0x0000FF);
    EXPECT_EQ(colourOf104(), 0xFF0000u);
    writeIcon(kCustom, 0x00FFFF);  // replaced while running: read again
    EXPECT_EQ(colourOf104(), 0x00FFFFu);
    DeleteFileW(kCustom);
    EXPECT_EQ(colourOf104(), 0x0000FFu);
    DeleteFileW(kShipped);
    EXPECT_EQ(colourOf104(), 0x28A03Cu);  // the built-in green house
}

TEST(TrayResources, StringTableCarriesEveryTextExactly) {
    for (const auto& [id, text] : TrayTest::englishTexts()) {
        EXPECT_EQ(KovToolkit::loadString(id), text) << "string " << id;
    }
    EXPECT_EQ(KovToolkit::loadString(9999), L"");
}

TEST(TrayResources, EveryTrayImageIsBuiltIn) {
    for (std::uint16_t id : {104, 105, 106, 151, 152, 153, 154, 155, 159, 160, 102}) {
        EXPECT_TRUE(KovToolkit::TrayIcon::loadIcon(id)) << "icon " << id;
    }
    Win::UniqueHicon alert = KovToolkit::TrayIcon::loadIcon(160);
    EXPECT_EQ(iconPixel(alert.get(), 7, 6), 0xDC1E1Eu);  // the red exclamation mark
}

TEST(UserNumberLocale, GroupsWithTheLocaleOfTheSession) {
    // Wine's default user locale here is English (United States).
    EXPECT_EQ(KovToolkit::formatNumber(1234567), L"1,234,567");
    EXPECT_EQ(KovToolkit::formatNumber(-3), L"0");
    KovToolkit::NumberFormatting f = KovToolkit::readNumberFormatting(KovToolkit::userNumberLocale());
    EXPECT_EQ(f.grouping, 3u);
    EXPECT_EQ(f.thousandSeparator, L",");
}

class FixedClock final : public KovToolkit::Clock {
public:
    std::int64_t nowSeconds() const override { return 1700000000; }
};

TEST(VaultwickTrayIconWin, ShowSetsTipAndImageAndRefreshFollowsTheModel) {
    RecordingShell shell;
    RecordingHandler handler;
    StatusModel model;
    FixedClock clock;
    ObservedVaultwickIcon icon(&handler, &model, shell, clock);
    icon.create();
    icon.show();
    ASSERT_GE(shell.requests.size(), 4u);
    EXPECT_EQ(shell.requests[1].message, DWORD(NIM_ADD));
    EXPECT_EQ(shell.requests[2].tip(), L"Unable to connect to the backup engine");
    EXPECT_EQ(icon.shown.back(), std::make_pair(std::uint16_t(159), true));

    model.connecting = false;
    model.connected = true;
    model.loggedIn = true;
    model.stats.empty = false;
    model.stats.flags = Messages::BackupStats::Enabled;
    model.stats.healthLevel = 1;
    model.stats.totalFileCount = 3;
    model.stats.lastBackupTime = 1700000000 - 3 * 86400;
    model.alertCount = 2;
    shell.requests.clear();
    icon.refresh();
    EXPECT_EQ(shell.requests.at(0).tip(), L"Backup complete\nLast backed up 3 days ago");
    ASSERT_EQ(icon.animations.size(), 1u);
    EXPECT_EQ(icon.animations[0], (Frames{105, 160}));

    model.connected = false;
    icon.refresh();
    EXPECT_EQ(shell.requests.back().data.uFlags, UINT(NIF_ICON));
    EXPECT_EQ(icon.shown.back(), std::make_pair(std::uint16_t(159), true));
    const auto& tipRequest = shell.requests[shell.requests.size() - 2];
    EXPECT_EQ(tipRequest.tip(), TrayTest::englishTexts().at(IDS_ERROR_OCCURRED_SHORT));
}

}  // namespace
