#include "tray_icon_win.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "dpi_probe_run_win.h"
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

// Sets the user's taskbar theme ("SystemUsesLightTheme") and afterwards puts back exactly what it
// found: the same type and bytes, no value where there was none (a system before Windows 10), and no
// key where there was none. The test may run on a developer's own machine.
class TaskbarTheme {
public:
    static constexpr const wchar_t* kKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
    static constexpr const wchar_t* kValue = L"SystemUsesLightTheme";

    TaskbarTheme() {
        DWORD disposition = 0;
        RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key_.put(),
                        &disposition);
        createdKey_ = disposition == REG_CREATED_NEW_KEY;
        DWORD size = 0;
        if (RegQueryValueExW(key_.get(), kValue, nullptr, &foundType_, nullptr, &size) != ERROR_SUCCESS) return;
        found_.resize(size);
        hadValue_ = RegQueryValueExW(key_.get(), kValue, nullptr, &foundType_, found_.data(), &size) == ERROR_SUCCESS;
        found_.resize(size);
    }
    ~TaskbarTheme() {
        if (hadValue_) {
            RegSetValueExW(key_.get(), kValue, 0, foundType_, found_.data(), static_cast<DWORD>(found_.size()));
        } else {
            RegDeleteValueW(key_.get(), kValue);
        }
        key_.reset();
        if (createdKey_) RegDeleteKeyW(HKEY_CURRENT_USER, kKey);
    }
    TaskbarTheme(const TaskbarTheme&) = delete;
    TaskbarTheme& operator=(const TaskbarTheme&) = delete;
    void set(DWORD light) {
        RegSetValueExW(key_.get(), kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&light), sizeof light);
    }

private:
    Win::UniqueHkey key_;
    bool createdKey_ = false;
    bool hadValue_ = false;
    DWORD foundType_ = 0;
    std::vector<BYTE> found_;
};

// The raw value as "type:bytes", or "absent".
std::string storedTheme() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, TaskbarTheme::kKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return "no key";
    Win::UniqueHkey owned(key);
    DWORD type = 0;
    BYTE bytes[64];
    DWORD size = sizeof bytes;
    if (RegQueryValueExW(key, TaskbarTheme::kValue, nullptr, &type, bytes, &size) != ERROR_SUCCESS) return "absent";
    std::string text = std::to_string(type) + ":";
    for (DWORD i = 0; i < size; ++i) text += std::to_string(bytes[i]) + ",";
    return text;
}

// Whatever the user had, light, a value of another type or none at all, is there again after a test
// changed the theme.
TEST(TaskbarThemeOfTheTests, PutsBackWhatItFound) {
    TaskbarTheme users;  // what this machine's user has comes back at the end
    Win::UniqueHkey key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, TaskbarTheme::kKey, 0, KEY_SET_VALUE, key.put()), ERROR_SUCCESS);
    const DWORD light = 1;
    const wchar_t text[] = L"1";
    struct Found {
        DWORD type;
        const void* bytes;
        DWORD size;
    };
    for (const Found& found : {Found{REG_DWORD, &light, sizeof light}, Found{REG_SZ, text, sizeof text}}) {
        RegSetValueExW(key.get(), TaskbarTheme::kValue, 0, found.type, static_cast<const BYTE*>(found.bytes), found.size);
        const std::string expected = storedTheme();
        {
            TaskbarTheme theme;
            theme.set(0);
        }
        EXPECT_EQ(storedTheme(), expected);
    }
    RegDeleteValueW(key.get(), TaskbarTheme::kValue);
    {
        TaskbarTheme theme;
        theme.set(1);
    }
    EXPECT_EQ(storedTheme(), "absent");
}

// Turns high contrast on or off for one test in place of the system's setting, which Wine cannot switch.
class HighContrast {
public:
    HighContrast() : previous_(KovToolkit::setHighContrastQuery(&query)) {}
    ~HighContrast() {
        KovToolkit::setHighContrastQuery(previous_);
        on_ = false;
    }
    void set(bool on) { on_ = on; }

private:
    static bool query() { return on_; }
    static inline bool on_ = false;
    KovToolkit::HighContrastQuery previous_;
};

// The high-contrast image of a state as the tray shows it: the stored coverage in that ink (0xRRGGBB).
IconImage inkedImage(unsigned id, int size, std::uint32_t ink) {
    IconImage image = resourceImage(IDI_HIGH_CONTRAST_OFFSET + id, size);
    for (std::uint32_t& pixel : image.pixels) pixel = (pixel & 0xFF000000u) | ink;
    return image;
}

void sendDpiChange(HWND window, unsigned dpi) {
    RECT suggested{0, 0, 0, 0};
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

// The icon handed to the shell is the image drawn for the notification area's size at that scale,
// not another size stretched, from 16 px at 100 % to 64 px at 400 %, one modification each.
TEST_F(TrayIconTest, TheShellGetsTheImageDrawnForTheSmallIconSizeOfEachScale) {
    icon.create();
    icon.show();
    ASSERT_EQ(shell.requests.size(), 3u);
    ASSERT_EQ(shell.requests[1].image.width, 16);
    EXPECT_TRUE(shell.requests[1].image == resourceImage(104, 16));
    icon.setIcon(105);
    for (auto [dpi, size] : {std::pair{120u, 20}, {144u, 24}, {168u, 28}, {192u, 32}, {216u, 36}, {336u, 56},
                             {384u, 64}, {96u, 16}}) {
        shell.requests.clear();
        sendDpiChange(icon.getWindow(), dpi);
        ASSERT_EQ(shell.requests.size(), 1u) << dpi << " DPI";
        EXPECT_EQ(shell.requests[0].message, DWORD(NIM_MODIFY));
        EXPECT_EQ(shell.requests[0].data.uFlags, UINT(NIF_ICON));
        EXPECT_EQ(shell.requests[0].image.width, size) << dpi << " DPI";
        EXPECT_TRUE(shell.requests[0].image == resourceImage(105, size)) << dpi << " DPI";
    }
    shell.requests.clear();
    sendDpiChange(icon.getWindow(), 96);  // no change of scale: nothing to do
    SendMessageW(icon.getWindow(), WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768));
    EXPECT_TRUE(shell.requests.empty());
}

// A tray started at a display scale: the image it adds is the one drawn for that scale's small-icon
// size, and the menu's dots are the 200 % ones from 150 % on. Wine reads the DPI once per process.
TEST(TrayAtDisplayScale, AddsTheImageDrawnForTheScaleAndPicksTheMenuDots) {
    for (auto [dpi, line] : {std::pair{96u, "icon=16 drawn=1 dot=9"}, {120u, "icon=20 drawn=1 dot=9"},
                             {144u, "icon=24 drawn=1 dot=18"}, {168u, "icon=28 drawn=1 dot=18"},
                             {192u, "icon=32 drawn=1 dot=18"}, {216u, "icon=36 drawn=1 dot=18"},
                             {336u, "icon=56 drawn=1 dot=18"}, {384u, "icon=64 drawn=1 dot=18"}}) {
        std::string report = DpiProbe::runAt(dpi, VW_SCALE_PROBE_EXE);
        EXPECT_EQ(report, "dpi=" + std::to_string(dpi) + " " + line + "\n");
    }
}

// A theme change (announced as a setting change or by a restarted taskbar) and a DPI change during
// the animation each make one modification with the new image; the frames follow the new scale.
TEST_F(TrayIconTest, ThemeAndScaleChangesModifyTheIconOnceWithTheNewImage) {
    TaskbarTheme theme;
    icon.create();
    icon.show();
    icon.setIcon(106);
    theme.set(1);
    shell.requests.clear();
    SendMessageW(icon.getWindow(), WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0].data.uFlags, UINT(NIF_ICON));
    EXPECT_TRUE(shell.requests[0].image == resourceImage(IDI_LIGHT_TASKBAR_OFFSET + 106, 16));
    EXPECT_FALSE(resourceImage(IDI_LIGHT_TASKBAR_OFFSET + 106, 16) == resourceImage(106, 16));
    SendMessageW(icon.getWindow(), WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
    EXPECT_EQ(shell.requests.size(), 1u);  // the same theme again

    theme.set(0);
    shell.requests.clear();
    SendMessageW(icon.getWindow(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_TRUE(shell.requests[0].image == resourceImage(106, 16));

    icon.animate({151, 152, 153});
    SendMessageW(icon.getWindow(), WM_TIMER, 151, 0);
    SendMessageW(icon.getWindow(), WM_TIMER, 151, 0);
    shell.requests.clear();
    sendDpiChange(icon.getWindow(), 192);
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_TRUE(shell.requests[0].image == resourceImage(152, 32));
    SendMessageW(icon.getWindow(), WM_TIMER, 151, 0);
    ASSERT_EQ(shell.requests.size(), 2u);
    EXPECT_TRUE(shell.requests[1].image == resourceImage(153, 32));
    // The controller still sees each of these messages.
    EXPECT_THAT(handler.windowMessages, ::testing::IsSupersetOf({UINT(WM_SETTINGCHANGE), UINT(WM_DPICHANGED)}));
}

// While high contrast is on, the shell gets the high-contrast image in the scheme's window text colour
// on either taskbar theme, at the scale's size. Switching high contrast (announced as a setting or a
// theme change) or the scheme's colours reloads it once; the same state again does nothing.
TEST_F(TrayIconTest, HighContrastShowsItsOwnImageInTheWindowTextColourAndFollowsItsChanges) {
    HighContrast contrast;
    TaskbarTheme theme;
    theme.set(1);
    SystemColour text(COLOR_WINDOWTEXT, RGB(255, 255, 0));
    icon.create();
    icon.show();
    icon.setIcon(105);
    contrast.set(true);
    shell.requests.clear();
    SendMessageW(icon.getWindow(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0].data.uFlags, UINT(NIF_ICON));
    ASSERT_EQ(shell.requests[0].image.width, 16);
    EXPECT_TRUE(shell.requests[0].image == inkedImage(105, 16, 0xFFFF00));
    SendMessageW(icon.getWindow(), WM_THEMECHANGED, 0, 0);
    EXPECT_EQ(shell.requests.size(), 1u);

    SystemColour white(COLOR_WINDOWTEXT, RGB(255, 255, 255));
    SendMessageW(icon.getWindow(), WM_SYSCOLORCHANGE, 0, 0);
    ASSERT_EQ(shell.requests.size(), 2u);
    EXPECT_TRUE(shell.requests[1].image == inkedImage(105, 16, 0xFFFFFF));

    contrast.set(false);
    SendMessageW(icon.getWindow(), WM_THEMECHANGED, 0, 0);
    ASSERT_EQ(shell.requests.size(), 3u);
    EXPECT_TRUE(shell.requests[2].image == resourceImage(IDI_LIGHT_TASKBAR_OFFSET + 105, 16));
    contrast.set(true);
    sendDpiChange(icon.getWindow(), 384);
    ASSERT_EQ(shell.requests.size(), 4u);
    EXPECT_TRUE(shell.requests[3].image == inkedImage(105, 64, 0xFFFFFF));
}

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

// Every add asks for the version 4 notifications (the shell forgets them with the icon) and keeps
// the standard tooltip that version hides.
TEST_F(TrayIconTest, ShowAddsOnceProbesFirstAndReaddsALostIconAtVersion4) {
    icon.create();
    icon.show();
    icon.show();
    ASSERT_EQ(shell.requests.size(), 4u);
    const auto& probe = shell.requests[0];
    EXPECT_EQ(probe.message, DWORD(NIM_MODIFY));
    EXPECT_EQ(probe.data.uFlags, 0u);
    const auto& add = shell.requests[1];
    EXPECT_EQ(add.message, DWORD(NIM_ADD));
    EXPECT_EQ(add.data.uFlags, UINT(NIF_MESSAGE | NIF_ICON | NIF_SHOWTIP));
    EXPECT_EQ(add.data.uCallbackMessage, icon.callbackMessage());
    EXPECT_NE(add.data.hIcon, nullptr);
    EXPECT_EQ(shell.requests[2].message, DWORD(NIM_SETVERSION));
    EXPECT_EQ(shell.requests[2].data.uVersion, UINT(NOTIFYICON_VERSION_4));
    EXPECT_EQ(shell.requests[3].message, DWORD(NIM_MODIFY));
    // Version and focus requests carry the whole record; add, modify and delete the 936 bytes.
    const DWORD whole = sizeof(void*) == 4 ? 956 : 976, older = sizeof(void*) == 4 ? 936 : 952;
    for (const auto& r : shell.requests) {
        EXPECT_EQ(r.data.cbSize, r.message == NIM_SETVERSION ? whole : older) << r.message;
        EXPECT_EQ(r.data.hWnd, icon.getWindow());
        EXPECT_EQ(r.data.uID, 104u);
    }

    shell.present = false;  // the shell lost the icon
    icon.show();
    ASSERT_EQ(shell.requests.size(), 7u);
    EXPECT_EQ(shell.requests[5].message, DWORD(NIM_ADD));
    EXPECT_EQ(shell.requests[6].message, DWORD(NIM_SETVERSION));
    EXPECT_EQ(shell.requests[6].data.uVersion, UINT(NOTIFYICON_VERSION_4));
    EXPECT_TRUE(shell.present);

    // A restarted taskbar gets the image shown last, still or a frame of the animation, not the
    // default one until the next change.
    for (bool animated : {false, true}) {
        if (animated) {
            icon.animate({151, 152});
            SendMessageW(icon.getWindow(), WM_TIMER, 151, 0);
            SendMessageW(icon.getWindow(), WM_TIMER, 151, 0);
        } else {
            icon.setIcon(106);
        }
        shell.present = false;
        icon.show();
        ASSERT_EQ(shell.requests.back().message, DWORD(NIM_SETVERSION));
        const auto& add = shell.requests[shell.requests.size() - 2];
        ASSERT_EQ(add.message, DWORD(NIM_ADD));
        EXPECT_TRUE(add.image == resourceImage(animated ? 152 : 106, 16)) << animated;
    }
    icon.returnFocus();
    EXPECT_EQ(shell.requests.back().data.cbSize, whole);
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
    EXPECT_EQ(shell.requests[0].data.uFlags, UINT(NIF_TIP | NIF_SHOWTIP));
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
    for (int i = 0; i < 7; ++i) {
        SendMessageW(icon.getWindow(), WM_TIMER, 151, 0);
        icon.animate({151, 152, 153, 154, 155});  // the same sequence again goes on where it is
    }
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

// Version 4 puts the event in the low word and the icon id in the high word; the anchor of a
// keyboard menu comes as two signed 16-bit coordinates (negative left of the primary monitor).
TEST_F(TrayIconTest, CallbackEventsAreRoutedOnThePressAndFromTheKeyboard) {
    icon.create();
    HWND window = icon.getWindow();
    UINT callback = icon.callbackMessage();
    auto send = [&](UINT event, WPARAM anchor = MAKEWPARAM(50, 700)) {
        return SendMessageW(window, callback, anchor, MAKELPARAM(event, 104));
    };
    for (UINT m : {UINT(WM_LBUTTONDOWN), UINT(WM_LBUTTONUP), UINT(NIN_SELECT), UINT(WM_LBUTTONDBLCLK), UINT(WM_MOUSEMOVE),
                   UINT(WM_MBUTTONDOWN)}) {
        EXPECT_EQ(send(m), 0);
    }
    EXPECT_THAT(handler.events, ElementsAre("left", "icon", "icon", "double", "icon", "icon"));
    EXPECT_THAT(handler.iconEvents, ElementsAre(unsigned(WM_LBUTTONUP), unsigned(NIN_SELECT), unsigned(WM_MOUSEMOVE),
                                                unsigned(WM_MBUTTONDOWN)));

    // A right click: the menu opens on the press, and the release's own WM_CONTEXTMENU, which
    // arrives while that menu is still open (in either order), opens nothing more.
    handler.events.clear();
    handler.duringRightPress = [&] {
        send(WM_RBUTTONUP);
        send(WM_CONTEXTMENU);
    };
    send(WM_RBUTTONDOWN);
    handler.duringRightPress = [&] {
        send(WM_CONTEXTMENU);
        send(WM_RBUTTONUP);
    };
    send(WM_RBUTTONDOWN);
    handler.duringRightPress = nullptr;
    send(WM_RBUTTONDOWN);  // the same with the release after the menu closed
    send(WM_RBUTTONUP);
    EXPECT_EQ(send(WM_CONTEXTMENU), 0);
    EXPECT_THAT(handler.events, ElementsAre("right", "icon", "right", "icon", "right", "icon"));

    // Keyboard: Enter or Space (reported to come twice: one answer within the double-click time),
    // then Shift+F10 twice, the second on an icon left of the primary monitor.
    handler.events.clear();
    send(NIN_KEYSELECT);
    send(NIN_KEYSELECT);
    send(WM_CONTEXTMENU, MAKEWPARAM(1200, 1040));
    send(WM_CONTEXTMENU, MAKEWPARAM(static_cast<WORD>(-300), 1040));
    Sleep(GetDoubleClickTime() + 50);
    send(NIN_KEYSELECT);
    EXPECT_THAT(handler.events, ElementsAre("key", "menu", "menu", "key"));
    ASSERT_EQ(handler.menuAnchors.size(), 2u);
    EXPECT_EQ(handler.menuAnchors[0].x, 1200);
    EXPECT_EQ(handler.menuAnchors[0].y, 1040);
    EXPECT_EQ(handler.menuAnchors[1].x, -300);
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

    // An icon file of one-colour 24-bit images of the given sizes, in that order.
    static void writeIcon(const wchar_t* path, std::vector<std::pair<int, std::uint32_t>> images) {
        std::string head, body;
        auto put16 = [](std::string& to, unsigned v) { to += char(v & 0xFF); to += char(v >> 8); };
        auto put32 = [&](std::string& to, unsigned v) { put16(to, v & 0xFFFF); put16(to, v >> 16); };
        put16(head, 0); put16(head, 1); put16(head, static_cast<unsigned>(images.size()));
        unsigned offset = 6 + 16 * static_cast<unsigned>(images.size());
        for (auto [size, rgb] : images) {
            const unsigned row = (size * 3 + 3) / 4 * 4, maskRow = (size + 31) / 32 * 4;
            std::string image;
            put32(image, 40); put32(image, size); put32(image, 2 * size); put16(image, 1); put16(image, 24);
            for (int i = 0; i < 6; ++i) put32(image, 0);
            for (int y = 0; y < size; ++y) {
                for (int x = 0; x < size; ++x) {
                    image += char(rgb & 0xFF); image += char((rgb >> 8) & 0xFF); image += char(rgb >> 16);
                }
                image.append(row - size * 3, '\0');
            }
            image.append(maskRow * size, '\0');  // mask: all opaque
            head += char(size); head += char(size); head += char(0); head += char(0);
            put16(head, 1); put16(head, 24); put32(head, static_cast<unsigned>(image.size())); put32(head, offset);
            offset += static_cast<unsigned>(image.size());
            body += image;
        }
        FILE* f = _wfopen(path, L"wb");
        ASSERT_NE(f, nullptr);
        fwrite(head.data(), 1, head.size(), f);
        fwrite(body.data(), 1, body.size(), f);
        fclose(f);
    }
    static void writeIcon(const wchar_t* path, std::uint32_t rgb) { writeIcon(path, {{16, rgb}}); }

    static std::uint32_t colourOf104() {
        Win::UniqueHicon icon = KovToolkit::TrayIcon::loadIcon(104);
        return icon ? iconPixel(icon.get(), 3, 9) : 0xFFFFFFFF;
    }

    static constexpr const wchar_t* kCustom = L"skin\\custom\\tray\\104.ico";
    static constexpr const wchar_t* kShipped = L"skin\\tray\\104.ico";
    wchar_t previous_[MAX_PATH] = {};
    std::wstring root_;
};

// Skins are colour images for a taskbar: high contrast keeps its own image in the scheme's colour.
TEST_F(SkinFolderTest, CustomThenShippedThenBuiltInAndNeverCachedButNotInHighContrast) {
    writeIcon(kCustom, 0xFF0000);
    writeIcon(kShipped, 0x0000FF);
    EXPECT_EQ(colourOf104(), 0xFF0000u);
    {
        HighContrast contrast;
        contrast.set(true);
        SystemColour text(COLOR_WINDOWTEXT, RGB(255, 255, 0));
        EXPECT_EQ(colourOf104(), 0xFFFF00u);
    }
    writeIcon(kCustom, 0x00FFFF);  // replaced while running: read again
    EXPECT_EQ(colourOf104(), 0x00FFFFu);
    DeleteFileW(kCustom);
    EXPECT_EQ(colourOf104(), 0x0000FFu);
    DeleteFileW(kShipped);
    EXPECT_EQ(colourOf104(), 0x28A03Cu);  // the built-in green house
}

// A skin file serves every scale from its image of the notification area's size, whatever comes
// first in the file, and either taskbar; an animation reads its frames once per scale, not at every step.
TEST_F(SkinFolderTest, SkinImagesAtTheSmallIconSizeAndFramesLoadedOncePerScale) {
    TaskbarTheme theme;
    theme.set(1);
    const wchar_t* frame = L"skin\\custom\\tray\\151.ico";
    writeIcon(frame, {{32, 0xFF0000}, {16, 0x0000FF}});
    EXPECT_EQ(iconImage(KovToolkit::TrayIcon::loadIcon(151).get()).width, 16);
    RecordingShell shell;
    RecordingHandler handler;
    KovToolkit::TrayIcon icon(104, &handler, shell);
    icon.create();
    icon.show();
    icon.animate({151, 152});
    DeleteFileW(frame);  // from now on only the loaded frame has it
    SendMessageW(icon.getWindow(), WM_TIMER, 151, 0);
    ASSERT_EQ(shell.requests.back().image.width, 16);
    EXPECT_EQ(shell.requests.back().image.pixels[0] & 0xFFFFFF, 0x0000FFu);
    SendMessageW(icon.getWindow(), WM_TIMER, 151, 0);
    SendMessageW(icon.getWindow(), WM_TIMER, 151, 0);
    EXPECT_EQ(shell.requests.back().image.pixels[0] & 0xFFFFFF, 0x0000FFu);
    sendDpiChange(icon.getWindow(), 192);  // a new scale reads the frames again: the file is gone
    EXPECT_TRUE(shell.requests.back().image == resourceImage(IDI_LIGHT_TASKBAR_OFFSET + 151, 32));
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
    EXPECT_EQ(iconPixel(alert.get(), 14, 9), 0xE65A00u);  // the orange badge behind the bell
}

// Told apart without colour: every two states differ by at least this mean luma per pixel (0-255),
// on the taskbar each variant is made for and, as the tray shows the high-contrast set, on the black
// and the white scheme, at every size. Frames of the busy animation are one state.
TEST(TrayResources, EveryStateStaysApartInGreysOnBothTaskbarsAndInHighContrast) {
    constexpr double kMinMeanLumaDifference = 12;
    const std::vector<unsigned> states{104, 105, 106, 159, 160, 151, 152, 153, 154, 155};
    auto busy = [](unsigned id) { return id >= 151 && id <= 155; };
    struct Look {
        const char* name;
        double background;
        bool highContrast;
        COLORREF ink;
    };
    for (Look look : {Look{"dark taskbar", 32, false, 0}, {"light taskbar", 238, false, 0},
                      {"black scheme", 0, true, RGB(255, 255, 255)}, {"white scheme", 255, true, RGB(0, 0, 0)}}) {
        for (int size : {16, 20, 24, 28, 32, 36, 40, 48, 56, 64}) {
            const KovToolkit::ImageScale scale{96, size, look.background == 238, look.highContrast, look.ink};
            std::vector<std::vector<double>> greys;
            for (unsigned id : states) {
                IconImage image = iconImage(KovToolkit::loadTrayImage(static_cast<std::uint16_t>(id), scale).get());
                ASSERT_EQ(image.width, size) << "icon " << id << " on the " << look.name;
                std::vector<double> grey;
                for (std::uint32_t p : image.pixels) {
                    double alpha = (p >> 24) / 255.0;
                    double luma = 0.299 * ((p >> 16) & 0xFF) + 0.587 * ((p >> 8) & 0xFF) + 0.114 * (p & 0xFF);
                    grey.push_back(look.background + (luma - look.background) * alpha);
                }
                greys.push_back(grey);
            }
            for (std::size_t a = 0; a < states.size(); ++a) {
                for (std::size_t b = a + 1; b < states.size(); ++b) {
                    if (busy(states[a]) && busy(states[b])) continue;
                    double sum = 0;
                    for (std::size_t i = 0; i < greys[a].size(); ++i) sum += std::abs(greys[a][i] - greys[b][i]);
                    EXPECT_GE(sum / greys[a].size(), kMinMeanLumaDifference)
                        << states[a] << " and " << states[b] << " at " << size << " px on the " << look.name;
                }
            }
        }
    }
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
    ASSERT_GE(shell.requests.size(), 5u);
    EXPECT_EQ(shell.requests[1].message, DWORD(NIM_ADD));
    EXPECT_EQ(shell.requests[3].tip(), L"Unable to connect to the backup engine");
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
