// The whole VaultwickTray.exe as a child process against the reference engine on loopback: exit
// codes, "-showui", clicks and the menu as the shell and the user would send them, and peers that
// misbehave. A small recorder program stands in for the product's main program.
#include <winsock2.h>
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app_win_test_support.h"
#include "engine_control.h"
#include "engine_control_win.h"
#include "unique_handle_win.h"

namespace {

using AppWinTest::countOf;
using AppWinTest::waitUntil;

constexpr int kWaitMs = 10000;
constexpr UINT kIconId = 104;

std::wstring widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// A fresh folder under the temp folder, removed with its files at the end.
class TempFolder {
public:
    TempFolder() {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        path_ = std::wstring(base) + L"vw-tray-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(counter()++);
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~TempFolder() {
        for (const wchar_t* name : {L"VaultwickDesktop.exe", L"Desktop.exe", L"launches.txt"}) {
            DeleteFileW((path_ + L"\\" + name).c_str());
        }
        RemoveDirectoryW(path_.c_str());
    }
    const std::wstring& path() const { return path_; }

private:
    static int& counter() {
        static int n = 0;
        return n;
    }
    std::wstring path_;
};

struct FoundWindow {
    DWORD processId;
    const wchar_t* className;
    HWND window;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM data) {
    auto* found = reinterpret_cast<FoundWindow*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (owner == found->processId && std::wstring(name) == found->className) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

class TrayProgram {
public:
    TrayProgram(int port, const std::wstring& directory, bool showUi) {
        std::wstring line = L"\"" + unixPathToWine(VW_TRAY_EXE) + L"\" -host 127.0.0.1 " + std::to_wstring(port) +
                            L" -dir \"" + directory + L"\"" + (showUi ? L" -showui" : L"");
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
            process_.reset(info.hProcess);
            CloseHandle(info.hThread);
            processId_ = info.dwProcessId;
        }
    }
    ~TrayProgram() {
        if (running()) {
            TerminateProcess(process_.get(), 99);
            WaitForSingleObject(process_.get(), 5000);
        }
    }
    bool started() const { return process_.valid(); }
    bool running() const { return started() && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

    HWND find(const wchar_t* className) const {
        FoundWindow found{processId_, className, nullptr};
        EnumWindows(&matchWindow, reinterpret_cast<LPARAM>(&found));
        return found.window;
    }
    HWND window() {
        if (!window_) waitUntil([&] { return (window_ = find(L"VaultwickTray")) != nullptr; }, kWaitMs);
        return window_;
    }
    // As the shell reports a mouse event on the icon; returns once the tray handled it.
    void click(UINT mouseMessage) {
        static const UINT callback = RegisterWindowMessageW(L"com.morvaine.tray.icon.message--104");
        SendMessageTimeoutW(window(), callback, kIconId, mouseMessage, SMTO_NORMAL, kWaitMs, nullptr);
    }
    void postClick(UINT mouseMessage) {
        static const UINT callback = RegisterWindowMessageW(L"com.morvaine.tray.icon.message--104");
        PostMessageW(window(), callback, kIconId, mouseMessage);
    }
    void postKey(WPARAM key) {
        PostMessageW(window(), WM_KEYDOWN, key, 0);
        PostMessageW(window(), WM_KEYUP, key, 0xC0000000);
    }
    // The exit code, or -2 when it has not ended in time.
    long exitCode(int timeoutMs) {
        if (WaitForSingleObject(process_.get(), static_cast<DWORD>(AppWinTest::stretched(timeoutMs))) != WAIT_OBJECT_0)
            return -2;
        DWORD code = 0;
        GetExitCodeProcess(process_.get(), &code);
        return static_cast<long>(code);
    }
    // 1 when the process has `dll` mapped, 0 when not, -1 when its modules cannot be listed.
    int maps(const wchar_t* dll) const {
        HMODULE modules[1024];
        DWORD bytes = 0;
        if (!EnumProcessModulesEx(process_.get(), modules, sizeof modules, &bytes, LIST_MODULES_ALL)) return -1;
        wchar_t name[MAX_PATH];
        for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 1024; ++i)
            if (GetModuleBaseNameW(process_.get(), modules[i], name, MAX_PATH) && !lstrcmpiW(name, dll)) return 1;
        return 0;
    }
    // Private bytes of the process.
    std::size_t memory() const {
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof counters;
        GetProcessMemoryInfo(process_.get(), &counters, sizeof counters);
        return counters.PagefileUsage;
    }

private:
    Win::UniqueHandle process_;
    DWORD processId_ = 0;
    HWND window_ = nullptr;
};

BOOL CALLBACK readShownTooltip(HWND window, LPARAM data) {
    wchar_t className[32] = {};
    GetClassNameW(window, className, 32);
    if (!IsWindowVisible(window) || lstrcmpiW(className, L"tooltips_class32") != 0) return TRUE;
    wchar_t text[512] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        AppWinTest::stretched(2000), &copied);
    if (copied == 0) return TRUE;
    *reinterpret_cast<std::wstring*>(data) = text;
    return FALSE;
}

// As the mouse moves the pointer: the window under it gets the move, as from a user.
void movePointer(int x, int y) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(x, 65536, GetSystemMetrics(SM_CXSCREEN));
    input.mi.dy = MulDiv(y, 65536, GetSystemMetrics(SM_CYSCREEN));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
}

// Where the shell draws the first notification icon, in screen coordinates. On a virtual X display
// with no notification area of its own, Wine's X11 driver shows the icons as child windows of a
// small window of its own.
bool firstIconArea(RECT* area) {
    HWND holder = FindWindowW(L"__winex11_standalone_tray", nullptr);
    if (!holder) holder = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (!holder || !IsWindowVisible(holder)) return false;
    HWND icon = GetWindow(holder, GW_CHILD);
    return GetWindowRect(icon ? icon : holder, area) && area->right > area->left;
}

// What the shell shows while the pointer rests on the first notification icon, as a user would see
// it ("" when no tooltip comes up in time).
std::wstring shellTooltip() {
    RECT area{};
    if (!firstIconArea(&area)) return L"";
    const int x = (area.left + area.right) / 2;
    const int y = (area.top + area.bottom) / 2;
    // Off the icon first, so that coming back onto it shows the tip afresh.
    movePointer(x + 300, y + 300);
    Sleep(200);
    movePointer(x - 1, y);
    Sleep(50);
    movePointer(x, y);
    std::wstring text;
    AppWinTest::waitUntil([&] { return !EnumWindows(&readShownTooltip, reinterpret_cast<LPARAM>(&text)); }, 3000);
    return text;
}

std::vector<std::wstring> launches(const TempFolder& folder) {
    std::vector<std::wstring> lines;
    std::ifstream in(std::string(folder.path().begin(), folder.path().end()) + "\\launches.txt");
    std::string line;
    while (std::getline(in, line)) lines.push_back(widen(line));
    return lines;
}

class TrayProgramTest : public testing::Test {
protected:
    void SetUp() override {
        std::string error;
        engine_ = startEngine({}, &error);
        ASSERT_TRUE(engine_) << error;
        for (const wchar_t* name : {L"VaultwickDesktop.exe", L"Desktop.exe"}) {
            ASSERT_TRUE(CopyFileW(unixPathToWine(VW_DESKTOP_RECORDER_EXE).c_str(),
                                  (folder_.path() + L"\\" + name).c_str(), FALSE));
        }
    }

    void startTray(bool showUi) {
        tray_ = std::make_unique<TrayProgram>(engine_->trayPort(), folder_.path(), showUi);
        ASSERT_TRUE(tray_->started());
    }

    int count(const std::string& shortClass, const std::string& body = "\x01any") {
        return countOf(engine_->record(), shortClass, body);
    }
    bool waitCount(const std::string& shortClass, int n, int timeoutMs = kWaitMs) {
        return waitUntil([&] { return count(shortClass) >= n; }, timeoutMs);
    }
    // Everything pushed before has been handled once the tray asks for the statistics it is
    // told are moving; then they stop moving again.
    void sync(int timeoutMs = kWaitMs) {
        const int asked = count("GetBackupStatsSummaryMessage");
        ASSERT_TRUE(engine_->send("stats", AppWinTest::statsBody(1)));
        ASSERT_TRUE(waitCount("GetBackupStatsSummaryMessage", asked + 1, timeoutMs));
        ASSERT_TRUE(engine_->send("stats", AppWinTest::statsBody(4)));
    }

    WinsockSession winsock_;
    std::unique_ptr<EngineControl> engine_;
    TempFolder folder_;
    std::unique_ptr<TrayProgram> tray_;
};

// The program-level check that also runs where the 32-bit program only runs under emulation:
// handshake, statistics shown in the shell's tooltip, and Exit from the menu.
TEST_F(TrayProgramTest, ShakesHandsShowsStatisticsInTheShellTooltipAndExitsFromTheMenu) {
    const long long before = static_cast<long long>(std::time(nullptr)) * 1000;
    startTray(false);
    ASSERT_TRUE(waitCount("LogMessage", 2));  // the second one says CONNECTED, after the handshake
    auto frames = engine_->record();
    ASSERT_FALSE(frames.empty());
    auto lines = AppWinTest::frameLines(frames, frames.front().connection, {"UserActivityMessage"});
    ASSERT_GE(lines.size(), 4u);
    const std::string startTime = lines[3].substr(lines[3].find('|') + 1);
    EXPECT_GE(std::stoll(startTime), before);
    const auto handshake = AppWinTest::expectedHandshake(startTime);
    ASSERT_GE(lines.size(), handshake.size());
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + handshake.size()), handshake);

    // Backing up to computer 42 ("Office PC"), 10 of 40 files sent, no rate yet.
    const std::string backingUp = "69|30|0|0|2|0|42|0|0|750|1000|40|0|0";
    ASSERT_TRUE(engine_->setReply("stats", backingUp));
    ASSERT_TRUE(engine_->send("stats", backingUp));
    const std::wstring expectedTip = L"Backing up to Office PC\n10 of 40 files sent (25%)";
    std::wstring tip;
    EXPECT_TRUE(waitUntil([&] { return (tip = shellTooltip()) == expectedTip; }, kWaitMs))
        << "last tooltip: " << std::string(tip.begin(), tip.end());

    // Right click opens the menu; Up once is "Exit", the last item.
    tray_->postClick(WM_RBUTTONDOWN);
    ASSERT_TRUE(waitUntil([&] { return tray_->find(L"#32768") != nullptr; }, kWaitMs));
    tray_->postKey(VK_UP);
    tray_->postKey(VK_RETURN);
    EXPECT_EQ(tray_->exitCode(kWaitMs), 0);
    frames = engine_->record();
    lines = AppWinTest::frameLines(frames, frames.back().connection,
                                   {"UserActivityMessage", "GetBackupStatsSummaryMessage"});
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "ExitingMessage");
}

TEST_F(TrayProgramTest, ShowUiStartsTheMainProgramOnceClicksStartItAndShutdownEndsWithZero) {
    startTray(true);
    const std::wstring dir = L" \"dir=" + folder_.path() + L"\\\"";
    // Started right on connecting, before the engine has named the application.
    ASSERT_TRUE(waitUntil([&] { return launches(folder_).size() == 1; }, kWaitMs));
    EXPECT_EQ(launches(folder_)[0], L"\"" + folder_.path() + L"\\Desktop\"" + dir);
    const std::wstring expected = L"\"" + folder_.path() + L"\\VaultwickDesktop\"" + dir;

    // A reconnect does not start it again.
    ASSERT_TRUE(waitCount("AlertRequestMessage", 1));
    ASSERT_TRUE(engine_->closeConnection());
    ASSERT_TRUE(waitCount("AlertRequestMessage", 2));
    tray_->click(WM_LBUTTONDOWN);  // no alerts: nothing
    sync();
    Sleep(1000);
    EXPECT_EQ(launches(folder_).size(), 1u);

    ASSERT_TRUE(engine_->send("alerts", "3"));
    sync();
    tray_->click(WM_LBUTTONDOWN);
    ASSERT_TRUE(waitUntil([&] { return launches(folder_).size() == 2; }, kWaitMs));
    ASSERT_TRUE(engine_->send("alerts", "0"));
    sync();
    tray_->click(WM_LBUTTONDBLCLK);
    ASSERT_TRUE(waitUntil([&] { return launches(folder_).size() == 3; }, kWaitMs));
    EXPECT_EQ(launches(folder_)[2], expected);

    ASSERT_TRUE(engine_->send("shutdown"));
    EXPECT_EQ(tray_->exitCode(kWaitMs), 0);
    EXPECT_EQ(count("ExitingMessage"), 0);
}

// The screen-reader names' DLLs are mapped only while a menu is open: ole32.dll not while idle, oleacc.dll
// not after (Wine's input method keeps ole32.dll once a menu has activated a window of the tray).
TEST_F(TrayProgramTest, TheMenuPutsTheEngineToSleepForTwoDaysAndExitEndsWithZero) {
    startTray(false);
    ASSERT_TRUE(waitCount("AlertRequestMessage", 1));
    EXPECT_EQ(tray_->maps(L"ole32.dll"), 0) << "connected and idle";

    // Right click opens the menu; Up twice is "Sleep...", above "Exit".
    tray_->postClick(WM_RBUTTONDOWN);
    ASSERT_TRUE(waitUntil([&] { return tray_->find(L"#32768") != nullptr; }, kWaitMs));
    EXPECT_EQ(tray_->maps(L"oleacc.dll"), 1) << "while the menu is open";
    tray_->postKey(VK_UP);
    tray_->postKey(VK_UP);
    tray_->postKey(VK_RETURN);
    HWND dialog = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (dialog = tray_->find(L"#32770")) != nullptr; }, kWaitMs));
    SendMessageW(GetDlgItem(dialog, 1001), CB_SETCURSEL, 4, 0);  // "2 Days"
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(waitUntil([&] { return count("PauseSystemMessage", "2880") == 1; }, kWaitMs));

    ASSERT_TRUE(engine_->send("stats", AppWinTest::statsBody(4, 1900000000000LL)));
    sync();
    ASSERT_TRUE(engine_->send("stats", AppWinTest::statsBody(4, 1900000000000LL)));
    // Paused: the same item now wakes the engine, without a dialog.
    Sleep(500);
    tray_->postClick(WM_RBUTTONDOWN);
    ASSERT_TRUE(waitUntil([&] { return tray_->find(L"#32768") != nullptr; }, kWaitMs));
    tray_->postKey(VK_UP);
    tray_->postKey(VK_UP);
    tray_->postKey(VK_RETURN);
    ASSERT_TRUE(waitCount("ResumeSystemMessage", 1));
    EXPECT_EQ(tray_->maps(L"oleacc.dll"), 0) << "after two menus";

    tray_->postClick(WM_RBUTTONDOWN);
    ASSERT_TRUE(waitUntil([&] { return tray_->find(L"#32768") != nullptr; }, kWaitMs));
    tray_->postKey(VK_UP);
    tray_->postKey(VK_RETURN);
    EXPECT_EQ(tray_->exitCode(kWaitMs), 0);
    auto frames = engine_->record();
    auto lines = AppWinTest::frameLines(frames, frames.back().connection, {"UserActivityMessage"});
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 3], "LogMessage INFO|SysTray| |VaultwickApp::onMenuClose|MENU - Exit...");
    EXPECT_EQ(lines.back(), "ExitingMessage");
}

TEST_F(TrayProgramTest, BadPeersAndRestartsLeaveTheTrayUpConnectedAndItsMemoryFlat) {
    startTray(false);
    ASSERT_TRUE(waitCount("AlertRequestMessage", 1));
    int connections = 1;
    auto reconnected = [&] {
        ++connections;
        return waitCount("AlertRequestMessage", connections, 15000);
    };
    auto flood = [&] {
        const DWORD start = GetTickCount();
        ASSERT_TRUE(engine_->flood(10000, "stats", AppWinTest::statsBody(4)));
        sync(120000);
        std::printf("10000 statistics frames handled in %lu ms\n", static_cast<unsigned long>(GetTickCount() - start));
    };
    auto restarts = [&](int times) {
        for (int i = 0; i < times; ++i) {
            ASSERT_TRUE(engine_->goAway());
            ASSERT_TRUE(engine_->comeBack());
            ASSERT_TRUE(reconnected()) << "restart " << i;
        }
    };

    // A first round lets the process reach its working size.
    flood();
    restarts(1);
    const std::size_t before = tray_->memory();

    flood();
    // A frame cut mid-body by a close.
    ASSERT_TRUE(engine_->sendRaw(EngineRecord::fromHex("005f00000064").value() + "4|0|0"));
    ASSERT_TRUE(engine_->closeConnection());
    ASSERT_TRUE(reconnected());
    // A negative length reads as an empty body (of a type the tray does not know here); a length
    // beyond the body limit ends the connection.
    ASSERT_TRUE(engine_->sendRaw(EngineRecord::fromHex("7777ffffffff").value()));
    sync();
    ASSERT_TRUE(engine_->sendRaw(EngineRecord::fromHex("005f7fffffff").value()));
    ASSERT_TRUE(reconnected());
    restarts(20);
    sync();
    const std::size_t after = tray_->memory();
    std::printf("tray private bytes: %zu KiB before, %zu KiB after the flood, bad frames and 20 restarts\n",
                before / 1024, after / 1024);

    EXPECT_TRUE(tray_->running());
    EXPECT_LT(after, before + 1536 * 1024);
    EXPECT_TRUE(launches(folder_).empty());  // nothing of this starts a program
}

// Two computer lists that once ended the tray or harmed the whole session: 12 MiB of nothing but
// separators (a record per separator ran the 32-bit process out of memory), and 20,000 distinct
// names (a registered window message per name used up the session's table, so no program in it
// could register one). The tray stays up and answering, and the session can still register names.
TEST_F(TrayProgramTest, HugeComputerListsNeitherEndTheTrayNorUseUpTheSession) {
    startTray(false);
    ASSERT_TRUE(waitCount("AlertRequestMessage", 1));

    const std::size_t before = tray_->memory();
    const std::size_t body = 12 * 1024 * 1024;
    ASSERT_TRUE(engine_->send("computers", "x" + std::string(body, '|')));
    sync(60000);
    ASSERT_TRUE(tray_->running());
    const std::size_t after = tray_->memory();
    std::printf("tray private bytes: %zu KiB before, %zu KiB after 12 MiB of separators\n", before / 1024,
                after / 1024);
    EXPECT_LT(after, before + 4 * body) << "what a list keeps is bounded by what it lists, not by its body";

    std::string names = "x";
    for (int i = 0; i < 20000; ++i) {
        names += "|" + std::to_string(i + 1) + ",pc-" + std::to_string(i + 1) + ",,,,false,,,true,,,0,";
    }
    ASSERT_TRUE(engine_->send("computers", names));
    sync(60000);
    // Opening the menu rebuilds it from the list first.
    tray_->postClick(WM_RBUTTONDOWN);
    ASSERT_TRUE(waitUntil([&] { return tray_->find(L"#32768") != nullptr; }, kWaitMs));
    const std::wstring fresh = L"vw-session-check-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                               std::to_wstring(GetTickCount());
    EXPECT_NE(RegisterWindowMessageW(fresh.c_str()), 0u) << "error " << GetLastError();

    // Up once is "Exit", at the bottom.
    tray_->postKey(VK_UP);
    tray_->postKey(VK_RETURN);
    EXPECT_EQ(tray_->exitCode(kWaitMs), 0);
}

}  // namespace
