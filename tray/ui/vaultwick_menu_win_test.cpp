#include "vaultwick_menu_win.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "sleep_dialog_win.h"
#include "tray_image_win.h"
#include "tray_resource_ids.h"
#include "tray_test_support.h"
#include "tray_win_test_support.h"

using ::testing::ElementsAre;

namespace {

using TrayTest::computer;

struct RecordingMenuHandler final : VaultwickMenuHandler {
    std::vector<std::string> calls;
    std::vector<Messages::Computer> computers;
    void onMenuShowVaultwick() override { calls.push_back("show"); }
    void onMenuPauseResume() override { calls.push_back("pause"); }
    void onMenuClose() override { calls.push_back("close"); }
    void onMenuComputer(const Messages::Computer* c) override {
        calls.push_back("computer");
        if (c) computers.push_back(*c);
    }
};

// The names the accessibility service would hold, by position, after each set and clear.
struct RecordingItemNames final : MenuItemNames {
    std::map<int, std::wstring>& names;
    explicit RecordingItemNames(std::map<int, std::wstring>& into) : names(into) {}
    void set(HMENU, int position, const std::wstring& name) override { names[position] = name; }
    void clear(HMENU, int position) override { names.erase(position); }
};

struct Item {
    bool separator;
    std::wstring text;
    UINT id;
    UINT state;
    HBITMAP unchecked;
};

std::vector<Item> itemsOf(HMENU menu) {
    std::vector<Item> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[300] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_ID | MIIM_STATE | MIIM_CHECKMARKS;
        info.dwTypeData = text;
        info.cch = 300;
        GetMenuItemInfoW(menu, i, TRUE, &info);
        items.push_back({(info.fType & MFT_SEPARATOR) != 0, text, info.wID, info.fState, info.hbmpUnchecked});
    }
    return items;
}

std::vector<std::wstring> layoutOf(HMENU menu) {
    std::vector<std::wstring> texts;
    for (const Item& item : itemsOf(menu)) texts.push_back(item.separator ? L"---" : item.text);
    return texts;
}

void CALLBACK closeMenu(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    EndMenu();
}

class VaultwickMenuTest : public ::testing::Test {
protected:
    VaultwickMenuTest() : owner_(CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr)) {}

    Win::UniqueHwnd owner_;
    StatusModel model;
    RecordingMenuHandler handler;
    std::map<int, std::wstring> spokenNames;
    VaultwickMenu menu{owner_.get(), &model, &handler,
                       [this] { return std::make_unique<RecordingItemNames>(spokenNames); }};

    // The names screen readers get while the menu is open; none are left once it has closed.
    std::map<int, std::wstring> namesWhileOpen(std::map<int, std::wstring> seen = {}) {
        TrayWinTest::workMenu({{}, nullptr, {}, [&] { seen = spokenNames; }}, [&] { menu.show(POINT{100, 100}); });
        EXPECT_TRUE(spokenNames.empty());
        return seen;
    }
};

TEST_F(VaultwickMenuTest, NoQualifyingComputerLeavesTheResourceList) {
    model.computers = {computer(1, L"Self", true, true, true), computer(2, L"Peer", false, false, true)};
    menu.updateMenu();
    auto items = itemsOf(menu.popup());
    EXPECT_THAT(layoutOf(menu.popup()), ElementsAre(L"&Show Application...", L"---", L"&Sleep...", L"&Exit"));
    EXPECT_EQ(items[0].id, UINT(ID_MENU_SHOW_APPLICATION));
    EXPECT_TRUE(items[0].state & MFS_GRAYED);  // no statistics yet
    EXPECT_EQ(items[2].id, UINT(ID_MENU_SLEEP));
    EXPECT_TRUE(items[2].state & MFS_GRAYED);  // neither enabled nor paused
    EXPECT_EQ(items[3].id, UINT(ID_MENU_EXIT));
}

// A computer item shows the name alone; what screen readers say adds the state in words, and the
// names move with the items when the section is rebuilt.
TEST_F(VaultwickMenuTest, ComputerSectionIsRebuiltAtTheExactPositions) {
    model.stats.empty = false;
    model.stats.flags = Messages::BackupStats::Enabled;
    model.computers = {computer(1, L"Laptop", true, false, true), computer(2, L"Self", true, true, true),
                       computer(3, L"Office", true, false, false), computer(4, L"Attic", true, false, true)};
    menu.updateMenu();
    EXPECT_THAT(layoutOf(menu.popup()), ElementsAre(L"&Show Application...", L"---", L"Laptop", L"Office", L"Attic",
                                                    L"---", L"&Sleep...", L"&Exit"));
    auto items = itemsOf(menu.popup());
    EXPECT_FALSE(items[0].state & MFS_GRAYED);
    EXPECT_FALSE(items[6].state & MFS_GRAYED);
    EXPECT_EQ(items[2].id, UINT(ID_MENU_FIRST_COMPUTER));
    EXPECT_EQ(items[3].id, UINT(ID_MENU_FIRST_COMPUTER + 1));
    EXPECT_EQ(namesWhileOpen(), (std::map<int, std::wstring>{
                                    {2, L"Laptop, online"}, {3, L"Office, offline"}, {4, L"Attic, online"}}));

    // Online items share the green disc, the offline one has the grey ring; both 9x9.
    HBITMAP online = items[2].unchecked, offline = items[3].unchecked;
    ASSERT_NE(online, nullptr);
    ASSERT_NE(offline, nullptr);
    EXPECT_EQ(items[4].unchecked, online);
    EXPECT_NE(online, offline);
    EXPECT_EQ(TrayWinTest::bitmapSize(online).cx, 9);
    EXPECT_EQ(TrayWinTest::bitmapSize(online).cy, 9);
    EXPECT_EQ(TrayWinTest::bitmapPixel(online, 4, 4), 0x1EBE3Cu);
    EXPECT_EQ(TrayWinTest::bitmapPixel(offline, 4, 1), 0x969696u);
    const COLORREF menuColour = GetSysColor(COLOR_MENU);
    EXPECT_EQ(TrayWinTest::bitmapPixel(offline, 4, 4),
              std::uint32_t(GetRValue(menuColour) << 16 | GetGValue(menuColour) << 8 | GetBValue(menuColour)));

    model.computers = {computer(3, L"Office", true, false, true)};  // it came online; the others left
    model.stats.flags = 0;
    model.stats.pausedUntil = 1700000000;
    menu.updateMenu();
    EXPECT_THAT(layoutOf(menu.popup()),
                ElementsAre(L"&Show Application...", L"---", L"Office", L"---", L"&Wakeup", L"&Exit"));
    items = itemsOf(menu.popup());
    EXPECT_EQ(items[2].unchecked, online);
    EXPECT_FALSE(items[4].state & MFS_GRAYED);
    EXPECT_EQ(namesWhileOpen(), (std::map<int, std::wstring>{{2, L"Office, online"}}));  // not on Wakeup at 4

    model.computers.clear();
    menu.updateMenu();
    EXPECT_THAT(layoutOf(menu.popup()), ElementsAre(L"&Show Application...", L"---", L"&Wakeup", L"&Exit"));
    EXPECT_TRUE(namesWhileOpen().empty());

    // An "&" in a name is shown, not taken for a mnemonic.
    model.computers = {computer(5, L"Tom & Jerry", true, false, false)};
    menu.updateMenu();
    items = itemsOf(menu.popup());
    EXPECT_EQ(items[2].text, L"Tom && Jerry");
    EXPECT_EQ(namesWhileOpen()[2], L"Tom & Jerry, offline");
}

// A refresh while the menu is open waits: the choice is the computer shown, not one put in its place.
TEST_F(VaultwickMenuTest, ARefreshWhileOpenWaitsSoTheChoiceIsTheComputerShown) {
    model.computers = {computer(1, L"Laptop", true, false, true), computer(2, L"Office", true, false, true)};
    menu.updateMenu();
    auto replace = [&] { model.computers = {computer(3, L"Attic", true, false, true)}; menu.updateMenu(); };
    TrayWinTest::workMenu({{VK_DOWN, VK_DOWN, VK_RETURN}, nullptr, {}, replace}, [&] { menu.show(POINT{100, 100}); });
    ASSERT_EQ(handler.computers.size(), 1u);
    EXPECT_EQ(handler.computers[0].id, 1);
    EXPECT_THAT(layoutOf(menu.popup()),
                ElementsAre(L"&Show Application...", L"---", L"Attic", L"---", L"&Sleep...", L"&Exit"));
}

TEST_F(VaultwickMenuTest, ChoicesReachTheHandlerAndComputersAreTheMenusOwnCopies) {
    model.computers = {computer(11, L"Laptop", true, false, true), computer(12, L"Office", true, false, false),
                       computer(13, L"Office", true, false, true)};
    menu.updateMenu();
    menu.dispatch(ID_MENU_EXIT);
    menu.dispatch(ID_MENU_SLEEP);
    menu.dispatch(ID_MENU_SHOW_APPLICATION);
    menu.dispatch(0);                           // dismissed
    menu.dispatch(ID_MENU_FIRST_COMPUTER + 3);  // no such item
    menu.dispatch(ID_MENU_FIRST_COMPUTER - 1);
    EXPECT_THAT(handler.calls, ElementsAre("close", "pause", "show"));

    model.computers.clear();  // the controller replaced its list while the menu was open
    model.computers.shrink_to_fit();
    // Two computers of one name are two items, and each opens its own.
    const auto items = itemsOf(menu.popup());
    ASSERT_EQ(items[3].text, items[4].text);
    menu.dispatch(items[4].id);
    menu.dispatch(items[3].id);
    ASSERT_EQ(handler.computers.size(), 2u);
    EXPECT_EQ(handler.computers[0].id, 13);
    EXPECT_EQ(handler.computers[1].id, 12);
    EXPECT_EQ(handler.computers[1].name, L"Office");
}

// A menu opened from the keyboard belongs at the icon's anchor, wherever the mouse pointer is.
TEST_F(VaultwickMenuTest, ShowTracksAtThePointGivenAndPostsTheEmptyMessage) {
    menu.updateMenu();
    SetCursorPos(600, 500);
    const RECT shown = TrayWinTest::workMenu({}, [&] { menu.show(POINT{200, 150}); });
    EXPECT_EQ(shown.left, 200);
    EXPECT_EQ(shown.top, 150);
    EXPECT_TRUE(handler.calls.empty());
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, owner_.get(), WM_NULL, WM_NULL, PM_REMOVE));
}

// Pixels of a bitmap with a channel outside the range spanned by the dot's and the menu's colour
// (0xRRGGBB, one step of rounding allowed): a dot drawn on anything else shows round its edge.
int pixelsOffTheMenu(HBITMAP bitmap, std::uint32_t dot, COLORREF menuColour) {
    const std::uint32_t menu = (GetRValue(menuColour) << 16) | (GetGValue(menuColour) << 8) | GetBValue(menuColour);
    SIZE size = TrayWinTest::bitmapSize(bitmap);
    int off = 0;
    for (int y = 0; y < size.cy; ++y) {
        for (int x = 0; x < size.cx; ++x) {
            std::uint32_t pixel = TrayWinTest::bitmapPixel(bitmap, x, y);
            for (int shift = 0; shift <= 16; shift += 8) {
                int p = (pixel >> shift) & 0xFF, a = (dot >> shift) & 0xFF, b = (menu >> shift) & 0xFF;
                if (p < std::min(a, b) - 1 || p > std::max(a, b) + 1) {
                    ++off;
                    break;
                }
            }
        }
    }
    return off;
}

TEST_F(VaultwickMenuTest, DotsFollowTheScaleAndLieOnTheMenuColour) {
    ASSERT_EQ(KovToolkit::windowDpi(owner_.get()), 96u);  // the test program is not DPI-aware
    model.computers = {computer(1, L"Laptop", true, false, true), computer(2, L"Office", true, false, false)};
    menu.updateMenu();

    const COLORREF darkMenu = RGB(64, 64, 64);
    TrayWinTest::SystemColour colour(COLOR_MENU, darkMenu);
    menu.fitDots(192);  // the 200 % dots, on the menu's new colour, for the items already there
    auto items = itemsOf(menu.popup());
    HBITMAP online = items[2].unchecked, offline = items[3].unchecked;
    EXPECT_EQ(TrayWinTest::bitmapSize(online).cx, 18);
    EXPECT_EQ(TrayWinTest::bitmapSize(offline).cy, 18);
    EXPECT_EQ(TrayWinTest::bitmapPixel(online, 9, 9), 0x1EBE3Cu);
    EXPECT_EQ(TrayWinTest::bitmapPixel(offline, 9, 2), 0x969696u);
    EXPECT_EQ(TrayWinTest::bitmapPixel(offline, 9, 9), 0x404040u);  // the ring's hole
    EXPECT_EQ(TrayWinTest::bitmapPixel(offline, 0, 0), 0x404040u);
    EXPECT_EQ(pixelsOffTheMenu(online, 0x1EBE3C, darkMenu), 0);
    EXPECT_EQ(pixelsOffTheMenu(offline, 0x969696, darkMenu), 0);
    EXPECT_NE(TrayWinTest::bitmapPixel(offline, 0, 9), 0x404040u);  // a soft edge, not a cut-out
    EXPECT_NE(TrayWinTest::bitmapPixel(offline, 0, 9), 0x969696u);

    model.computers.push_back(computer(3, L"Attic", true, false, true));
    menu.updateMenu();  // a computer added now gets the same dots
    items = itemsOf(menu.popup());
    EXPECT_EQ(items[4].unchecked, online);

    // Shown at the owner's DPI (100 %) after the menu colour changed again: 9 px dots on that colour.
    const COLORREF paleMenu = RGB(212, 208, 200);
    TrayWinTest::SystemColour pale(COLOR_MENU, paleMenu);
    UINT_PTR timer = SetTimer(nullptr, 0, 10, closeMenu);
    ASSERT_NE(timer, 0u);
    menu.show();
    KillTimer(nullptr, timer);
    items = itemsOf(menu.popup());
    for (int i : {2, 4}) {
        EXPECT_EQ(TrayWinTest::bitmapSize(items[i].unchecked).cx, 9);
        EXPECT_EQ(pixelsOffTheMenu(items[i].unchecked, 0x1EBE3C, paleMenu), 0);
    }
    EXPECT_EQ(TrayWinTest::bitmapPixel(items[3].unchecked, 0, 0), 0xD4D0C8u);
    EXPECT_EQ(pixelsOffTheMenu(items[3].unchecked, 0x969696, paleMenu), 0);
}

// Sleep dialog, driven by messages from a thread timer that runs inside the dialog's modal loop.
std::function<void(HWND)> g_dialogScript;
std::vector<std::wstring> g_listTexts;
int g_initialSelection = -2;

BOOL CALLBACK findDialog(HWND window, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (std::wstring(name) == L"#32770") {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK driveDialog(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) return;  // not up yet; the timer fires again
    KillTimer(nullptr, id);
    HWND list = GetDlgItem(dialog, IDC_SLEEP_DURATION);
    g_listTexts.clear();
    for (int i = 0; i < SendMessageW(list, CB_GETCOUNT, 0, 0); ++i) {
        wchar_t text[64] = {};
        SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        g_listTexts.push_back(text);
    }
    g_initialSelection = static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0));
    g_dialogScript(dialog);
}

std::int32_t runSleepDialog(std::function<void(HWND)> script) {
    g_dialogScript = std::move(script);
    UINT_PTR timer = SetTimer(nullptr, 0, 10, driveDialog);
    std::int32_t result = SleepDialog::show(nullptr);
    KillTimer(nullptr, timer);
    return result;
}

std::function<void(HWND)> choose(int index) {
    return [index](HWND dialog) {
        SendDlgItemMessageW(dialog, IDC_SLEEP_DURATION, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    };
}

TEST(SleepDialog, OffersFiveDurationsWithTheFirstSelected) {
    EXPECT_EQ(runSleepDialog(choose(0)), 1);
    EXPECT_THAT(g_listTexts, ElementsAre(L"1 Hour", L"2 Hours", L"4 Hours", L"1 Day", L"2 Days"));
    EXPECT_EQ(g_initialSelection, 0);
}

TEST(SleepDialog, EachChoiceGivesItsHours) {
    EXPECT_EQ(runSleepDialog(choose(1)), 2);
    EXPECT_EQ(runSleepDialog(choose(2)), 4);
    EXPECT_EQ(runSleepDialog(choose(3)), 24);
    EXPECT_EQ(runSleepDialog(choose(4)), 48);
    EXPECT_EQ(runSleepDialog(choose(-1)), 24);  // OK with no selection
}

// The keyboard works the dialog: the list has the first focus, so arrow keys choose before Enter
// confirms, and the label's mnemonic brings the focus back to the list.
TEST(SleepDialog, ArrowKeysChooseFirstAndTheLabelsMnemonicReachesTheList) {
    HWND firstFocus = nullptr, list = nullptr, afterMnemonic = nullptr;
    const std::int32_t hours = runSleepDialog([&](HWND dialog) {
        auto key = [dialog](UINT message, WPARAM key) {
            MSG msg{GetFocus(), message, key, message == WM_SYSCHAR ? LPARAM(1) << 29 : 0};
            if (!IsDialogMessageW(dialog, &msg)) DispatchMessageW(&msg);
        };
        list = GetDlgItem(dialog, IDC_SLEEP_DURATION);
        firstFocus = GetFocus();
        key(WM_KEYDOWN, VK_DOWN);  // 2 Hours
        SetFocus(GetDlgItem(dialog, IDOK));
        key(WM_SYSCHAR, L'h');
        afterMnemonic = GetFocus();
        key(WM_KEYDOWN, VK_DOWN);  // 4 Hours
        key(WM_KEYDOWN, VK_RETURN);
    });
    EXPECT_EQ(firstFocus, list);
    EXPECT_EQ(afterMnemonic, list);
    EXPECT_EQ(hours, 4);
}

TEST(SleepDialog, CancelEscapeAndCloseGiveTheCancelledValue) {
    EXPECT_EQ(runSleepDialog([](HWND d) { SendMessageW(d, WM_COMMAND, IDCANCEL, 0); }), 2147483647);
    EXPECT_EQ(runSleepDialog([](HWND d) { SendMessageW(d, WM_CLOSE, 0, 0); }), 2147483647);
    EXPECT_EQ(runSleepDialog([](HWND d) { PostMessageW(d, WM_KEYDOWN, VK_ESCAPE, 0); }), 2147483647);
}

}  // namespace
