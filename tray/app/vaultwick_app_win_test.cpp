// The controller in this process against the reference engine on loopback: the handshake on the
// wire, connection states, statistics polling, engine messages, menu commands and activity reports.
// The shell, the program starter, the sleep dialog and the input clock are replaced where a test
// needs to see or steer them; timers, window, socket and engine are the real ones.
#include "vaultwick_app_win.h"

#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app_win_test_support.h"
#include "engine_control.h"
#include "kov_text_win.h"
#include "peer_check_win.h"
#include "program_path_win.h"
#include "sleep_dialog_win.h"
#include "socket_win.h"
#include "tray_resource_ids.h"
#include "tray_win_test_support.h"
#include "vaultwick_menu_model.h"

namespace {

using AppWinTest::countOf;
using AppWinTest::frameLines;
using AppWinTest::pumpFor;
using AppWinTest::pumpUntil;

constexpr int kWaitMs = 10000;

class SwitchableInputClock final : public InputClock {
public:
    bool available = false;
    std::uint32_t tick = 0;
    bool lastInputTick(std::uint32_t& out) const override {
        if (!available) return false;
        out = tick;
        return true;
    }
};

// Who answers on the engine's port: the real connection tables with every owner this test process
// (believed silently), or `holder`, another user's program, which does not open.
class SwitchablePeers final : public PeerCheck::ProcessDirectory {
public:
    std::optional<PeerCheck::Process> holder;
    std::optional<std::vector<PeerCheck::ConnectionRow>> connections() const override {
        auto rows = PeerCheck::systemProcessDirectory().connections();
        if (rows)
            for (auto& row : *rows) row.owner = holder ? holder->pid : selfPid();
        return rows;
    }
    std::optional<std::vector<std::uint32_t>> servicePids() const override { return std::vector<std::uint32_t>{}; }
    std::optional<std::wstring> userOf(std::uint32_t pid) const override {
        return pid == selfPid() ? std::optional<std::wstring>(L"S-1-5-21-1-2-3-1000") : std::nullopt;
    }
    std::wstring imageOf(std::uint32_t) const override { return holder ? holder->image : L""; }
    std::uint32_t selfPid() const override { return GetCurrentProcessId(); }
};

// Which of the tray's icons a shell request carried, told by its pixels (every load is a new handle),
// and every tip set, in order.
class IconIdentifyingShell final : public KovToolkit::ShellNotify {
public:
    explicit IconIdentifyingShell(KovToolkit::ShellNotify& inner) : inner_(inner) {
        for (int id : kIds) {
            Win::UniqueHicon icon = KovToolkit::TrayIcon::loadIcon(static_cast<std::uint16_t>(id));
            references_.push_back({id, signature(icon.get())});
        }
    }
    bool request(DWORD message, const NOTIFYICONDATAW& data) override {
        if (data.uFlags & NIF_ICON) icons.push_back(idOf(data.hIcon));
        if (data.uFlags & NIF_TIP) tips.push_back(data.szTip);
        return inner_.request(message, data);
    }
    std::vector<int> icons;  // 0: none of the tray's icons
    std::vector<std::wstring> tips;

private:
    static constexpr int kIds[] = {IDI_TRAY_GOOD,   IDI_TRAY_WARNING, IDI_TRAY_ERROR,    IDI_TRAY_BUSY_1,
                                   IDI_TRAY_BUSY_2, IDI_TRAY_BUSY_3,  IDI_TRAY_BUSY_4,   IDI_TRAY_BUSY_5,
                                   IDI_TRAY_INACTIVE, IDI_TRAY_ALERT};
    static std::vector<std::uint32_t> signature(HICON icon) {
        std::vector<std::uint32_t> pixels;
        for (int y = 1; y < 16; y += 2)
            for (int x = 1; x < 16; x += 2) pixels.push_back(TrayWinTest::iconPixel(icon, x, y));
        return pixels;
    }
    int idOf(HICON icon) const {
        const std::vector<std::uint32_t> seen = signature(icon);
        for (const auto& reference : references_)
            if (reference.second == seen) return reference.first;
        return 0;
    }
    KovToolkit::ShellNotify& inner_;
    std::vector<std::pair<int, std::vector<std::uint32_t>>> references_;
};

bool isBusyImage(int id) { return id >= IDI_TRAY_BUSY_1 && id <= IDI_TRAY_BUSY_5; }

struct Launch {
    std::wstring program;
    std::wstring arguments;
};

class VaultwickAppTest : public testing::Test {
protected:
    void SetUp() override {
        KovToolkit::setModuleInstance(GetModuleHandleW(nullptr));
        ASSERT_TRUE(winsock_.started());
        std::string error;
        engine_ = startEngine({}, &error);
        ASSERT_TRUE(engine_) << error;
        services_.shell = &shell_;
        services_.inputClock = &clock_;
        services_.peers = &peers_;
        services_.startProgram = [this](const std::wstring& p, const std::wstring& a) { launches_.push_back({p, a}); };
        services_.askSleepHours = [this](HWND owner) {
            ++dialogsShown_;
            if (swallowPushWhileAsked_) swallowNextSocketNotification();
            return whileAsked_ ? whileAsked_(owner) : sleepAnswer_;
        };
    }

    void TearDown() override {
        app_.reset();
        engine_.reset();
    }

    void startApp(const std::wstring& directory = L"", bool showUi = false) {
        app_ = std::make_unique<VaultwickApp>(directory, L"127.0.0.1", engine_->trayPort(), showUi, services_);
    }

    // Connected, and the engine's answers to the handshake arrived.
    void connectAndSettle() {
        if (!app_) startApp();
        ASSERT_TRUE(pumpUntil([&] { return app_->model().connected; }, kWaitMs));
        ASSERT_TRUE(handshakeAnswered(1));
        ASSERT_TRUE(pumpUntil([&] { return !app_->model().stats.empty && !app_->model().computers.empty(); }, kWaitMs));
    }

    // The engine answers each request before it reads the next frame, so once it has read the
    // handshake's closing log line of the `connections`-th connection, every answer is on the wire
    // and a push sent now reaches the tray after them (an alert count pushed earlier could be
    // overwritten by the answer to the tray's own request).
    bool handshakeAnswered(int connections) {
        static const std::string connectedLine =
            "INFO|SysTray| |VaultwickApp::onSocketConnect|CONNECTED to VaultwickService";
        return pumpUntil([&] { return countOf(record(), "LogMessage", connectedLine) >= connections; }, kWaitMs);
    }

    std::vector<EngineRecord::Frame> record() { return engine_->record(); }

    // Pushes a message and pumps until the tray has sent `count` frames of `answer` in all.
    bool pumpUntilCount(const std::string& shortClass, int count, int timeoutMs = kWaitMs) {
        return pumpUntil([&] { return countOf(record(), shortClass) >= count; }, timeoutMs);
    }

    bool pumpUntilRecorded(const std::string& shortClass, const std::string& body, int timeoutMs = kWaitMs) {
        return pumpUntil([&] { return countOf(record(), shortClass, body) > 0; }, timeoutMs);
    }

    // Everything the engine pushed before a statistics push has been handled once the tray asks for
    // statistics again (activity starts polling at once).
    void pushThenSync(const std::string& message, const std::string& body) {
        ASSERT_TRUE(engine_->send(message, body));
        const int asked = countOf(record(), "GetBackupStatsSummaryMessage");
        ASSERT_TRUE(engine_->send("stats", AppWinTest::statsBody(1)));
        ASSERT_TRUE(pumpUntilCount("GetBackupStatsSummaryMessage", asked + 1));
        ASSERT_TRUE(engine_->send("stats", AppWinTest::statsBody(4)));
        ASSERT_TRUE(pumpUntil([&] { return !app_->pollingStatistics(); }, kWaitMs));
    }

    std::vector<TrayWinTest::Request> balloons() const {
        std::vector<TrayWinTest::Request> out;
        for (const auto& r : shell_.requests) {
            if (r.data.uFlags & NIF_INFO) out.push_back(r);
        }
        return out;
    }

    KovToolkit::WinsockSession winsock_;
    std::unique_ptr<EngineControl> engine_;
    TrayWinTest::RecordingShell shell_;
    SwitchableInputClock clock_;
    SwitchablePeers peers_;
    AppServices services_;
    std::vector<Launch> launches_;
    // What a modal loop that loses a message does: the engine pushes three alerts, and the socket's
    // notification of them is taken from the queue without being handled.
    void swallowNextSocketNotification() {
        const UINT notify = RegisterWindowMessageW(L"com.morvaine.tray.socket");
        ASSERT_TRUE(engine_->send("alerts", "3"));
        MSG msg;
        ASSERT_TRUE(AppWinTest::waitUntil(
            [&] { return PeekMessageW(&msg, nullptr, notify, notify, PM_REMOVE) != 0; }, kWaitMs));
    }

    std::int32_t sleepAnswer_ = 48;
    bool swallowPushWhileAsked_ = false;
    // What happens while the dialog is up; its result is the dialog's.
    std::function<std::int32_t(HWND owner)> whileAsked_;
    int dialogsShown_ = 0;
    std::unique_ptr<VaultwickApp> app_;
};

TEST_F(VaultwickAppTest, FirstTickOpensTheNextConnectsAndTheHandshakeGoesOutInOrder) {
    const long long before = static_cast<long long>(std::time(nullptr)) * 1000;
    startApp();
    pumpFor(400);  // the immediate tick has run; the connecting one is a second away
    EXPECT_EQ(AppWinTest::connectionsAccepted(*engine_), 0);
    EXPECT_TRUE(app_->model().connecting);

    connectAndSettle();
    ASSERT_TRUE(pumpUntilCount("LogMessage", 2));
    const long long after = static_cast<long long>(std::time(nullptr)) * 1000;

    auto frames = record();
    ASSERT_FALSE(frames.empty());
    auto lines = frameLines(frames, frames.front().connection);
    ASSERT_GE(lines.size(), 4u);
    // The start time is whole seconds, taken at construction.
    const std::string setType = lines[3];
    const std::string startTime = setType.substr(setType.find('|') + 1);
    const long long start = std::stoll(startTime);
    EXPECT_EQ(start % 1000, 0);
    EXPECT_GE(start, before);
    EXPECT_LE(start, after);
    EXPECT_EQ(lines, AppWinTest::expectedHandshake(startTime));

    // The engine's answers are in the model.
    EXPECT_EQ(app_->model().applicationName, L"Vaultwick");
    EXPECT_TRUE(app_->model().loggedIn == false);  // the default statistics have no logged-in flag
    ASSERT_EQ(app_->model().computers.size(), 2u);
    EXPECT_EQ(app_->model().computers[1].id, 42);
    EXPECT_EQ(app_->model().alertCount, 0);
    EXPECT_FALSE(app_->pollingStatistics());
}

// Another user's program on the engine's port gets no frame at all: the tray shows that it holds the
// port and keeps trying; once the engine's kind answers, the tray connects and tells it what it found.
// Once nothing answers on the port, the holder's process id (maybe another process's by then) is no
// longer shown.
TEST_F(VaultwickAppTest, AnotherUsersProgramOnThePortGetsNothingAndIsNamed) {
    peers_.holder = PeerCheck::Process{4321, L"squatter.exe"};
    startApp();
    ASSERT_TRUE(pumpUntil([&] { return AppWinTest::connectionsAccepted(*engine_) >= 2; }, kWaitMs));
    EXPECT_FALSE(app_->model().connected);
    EXPECT_FALSE(app_->model().connecting);
    ASSERT_TRUE(app_->model().portHolder.has_value());
    EXPECT_EQ(app_->model().portHolder->pid, 4321u);
    std::wstring lastTip;
    for (const auto& r : shell_.requests)
        if (r.data.uFlags & NIF_TIP) lastTip = r.tip();
    EXPECT_EQ(lastTip, L"Not connected: another program holds the backup engine's port (process 4321, squatter.exe)");
    EXPECT_TRUE(record().empty());

    peers_.holder.reset();
    ASSERT_TRUE(pumpUntil([&] { return app_->model().connected; }, kWaitMs));
    ASSERT_TRUE(handshakeAnswered(1));
    EXPECT_FALSE(app_->model().portHolder.has_value());
    const std::string warning =
        "WARNING|SysTray| |VaultwickSocket::checkPeer|Another program held the engine's port: process 4321 "
        "(squatter.exe). Refused ";
    ASSERT_TRUE(pumpUntil(
        [&] {
            for (const auto& f : record())
                if (f.body.rfind(warning, 0) == 0) return true;
            return false;
        },
        kWaitMs));

    // Named again, then gone.
    peers_.holder = PeerCheck::Process{4321, L"squatter.exe"};
    ASSERT_TRUE(engine_->closeConnection());
    ASSERT_TRUE(pumpUntil([&] { return app_->model().portHolder.has_value(); }, kWaitMs));
    ASSERT_TRUE(engine_->goAway());
    ASSERT_TRUE(pumpUntil([&] { return !app_->model().portHolder.has_value(); }, kWaitMs));
    EXPECT_FALSE(app_->model().connected);
}

TEST_F(VaultwickAppTest, EngineDownAtStartThenUpAndAfterACloseEverythingIsRepeated) {
    ASSERT_TRUE(engine_->goAway());
    startApp();
    pumpFor(5000);
    EXPECT_TRUE(app_->model().connecting);  // two failed checks change nothing
    EXPECT_FALSE(app_->model().connected);
    // The third check, about 20 s after start, gives up "connecting".
    ASSERT_TRUE(pumpUntil([&] { return !app_->model().connecting; }, 30000));
    EXPECT_FALSE(app_->model().connected);

    ASSERT_TRUE(engine_->comeBack());
    const auto back = std::chrono::steady_clock::now();
    ASSERT_TRUE(pumpUntil([&] { return app_->model().connected; }, 5000));
    std::printf("connected %lld ms after the engine came back\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::chrono::steady_clock::now() - back)
                                           .count()));
    ASSERT_TRUE(handshakeAnswered(1));
    ASSERT_TRUE(pumpUntil([&] { return !app_->model().computers.empty(); }, kWaitMs));
    ASSERT_TRUE(engine_->send("alerts", "3"));
    ASSERT_TRUE(pumpUntil([&] { return app_->model().alertCount == 3; }, kWaitMs));

    ASSERT_TRUE(engine_->closeConnection());
    ASSERT_TRUE(pumpUntil([&] { return !app_->model().connected; }, kWaitMs));
    EXPECT_EQ(app_->model().alertCount, 0);
    EXPECT_TRUE(app_->model().computers.empty());
    EXPECT_TRUE(app_->model().stats.empty);
    EXPECT_FALSE(app_->model().connecting);
    ASSERT_TRUE(pumpUntil([&] { return app_->model().connected; }, 5000));
    ASSERT_TRUE(pumpUntilCount("LogMessage", 4));

    auto frames = record();
    ASSERT_FALSE(frames.empty());
    const int first = frames.front().connection;
    const int second = frames.back().connection;
    ASSERT_NE(first, second);
    auto firstLines = frameLines(frames, first);
    auto secondLines = frameLines(frames, second);
    ASSERT_GE(firstLines.size(), 4u);
    const std::string startTime = firstLines[3].substr(firstLines[3].find('|') + 1);
    EXPECT_EQ(firstLines, AppWinTest::expectedHandshake(startTime));
    EXPECT_EQ(secondLines, AppWinTest::expectedHandshake(startTime));
}

TEST_F(VaultwickAppTest, StatisticsWithActivityArePolledAndWithoutActivityAreNot) {
    connectAndSettle();
    ASSERT_EQ(countOf(record(), "GetBackupStatsSummaryMessage"), 1);
    ASSERT_TRUE(engine_->setReply("stats", AppWinTest::statsBody(0x01)));  // the answers keep showing activity

    ASSERT_TRUE(engine_->send("stats", AppWinTest::statsBody(0x01)));
    ASSERT_TRUE(pumpUntilCount("GetBackupStatsSummaryMessage", 2));  // at once
    EXPECT_TRUE(app_->pollingStatistics());
    ASSERT_TRUE(pumpUntilCount("GetBackupStatsSummaryMessage", 3, 15000));  // ten seconds later
    EXPECT_EQ(app_->model().stats.flags, 0x01);

    const int asked = countOf(record(), "GetBackupStatsSummaryMessage");
    ASSERT_TRUE(engine_->setReply("stats", AppWinTest::statsBody(0x04 | 0x40)));
    ASSERT_TRUE(engine_->send("stats", AppWinTest::statsBody(0x04 | 0x40)));
    ASSERT_TRUE(pumpUntil([&] { return !app_->pollingStatistics(); }, kWaitMs));
    EXPECT_LE(countOf(record(), "GetBackupStatsSummaryMessage"), asked + 1);  // at most one already under way
    EXPECT_TRUE(app_->model().loggedIn);
    EXPECT_EQ(app_->model().stats.flags, 0x44);
}

// Statistics whose activity flag alternates start and stop the poll again and again: at most one
// immediate tick waits at a time, and one that comes after a stop asks for nothing.
TEST_F(VaultwickAppTest, AlternatingActivityDoesNotFloodTheEngineWithRequests) {
    connectAndSettle();
    ASSERT_TRUE(engine_->setReply("stats", AppWinTest::statsBody(0x04)));
    const int before = countOf(record(), "GetBackupStatsSummaryMessage");
    for (int i = 0; i < 200; ++i) {  // handled once this thread pumps again
        ASSERT_TRUE(engine_->send("stats", AppWinTest::statsBody(0x01)));
        ASSERT_TRUE(engine_->send("stats", AppWinTest::statsBody(0x04)));
    }
    ASSERT_TRUE(engine_->send("alerts", "7"));
    ASSERT_TRUE(pumpUntil([&] { return app_->model().alertCount == 7; }, kWaitMs));
    pumpFor(500);
    EXPECT_LE(countOf(record(), "GetBackupStatsSummaryMessage") - before, 10);  // one per start before
}

TEST_F(VaultwickAppTest, EngineMessagesChangeTheModelAndPopupZeroShowsTheBalloon) {
    connectAndSettle();
    ASSERT_TRUE(app_->model().computers[1].online);

    pushThenSync("disconnected", "42");
    EXPECT_FALSE(app_->model().computers[1].online);
    pushThenSync("connected", "42");
    EXPECT_TRUE(app_->model().computers[1].online);
    pushThenSync("disconnected", "999");  // not in the list: ignored
    EXPECT_TRUE(app_->model().computers[1].online);
    EXPECT_TRUE(app_->model().computers[0].online);

    pushThenSync("alerts", "3");
    EXPECT_EQ(app_->model().alertCount, 3);
    pushThenSync("testrepeat", "");
    pushThenSync("status", "false|true|Keeper");
    EXPECT_FALSE(app_->model().loggedIn);
    EXPECT_TRUE(app_->model().upgrading);
    EXPECT_EQ(app_->model().applicationName, L"Keeper");

    pushThenSync("popup", "1");
    EXPECT_TRUE(balloons().empty());
    pushThenSync("popup", "0");
    auto shown = balloons();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title(), L"Keeper is still running");
    EXPECT_EQ(shown[0].info(), L"Keeper will continue to work to keep your data backed up.");
}

// Statistics, alert counts and computer lists change the icon and its tip only through the coalesced
// display refresh: after each push the icon shows what the new model says.
TEST_F(VaultwickAppTest, PushedStatisticsAlertsAndComputersReachTheIconThroughTheCoalescedRefresh) {
    IconIdentifyingShell shown(shell_);
    services_.shell = &shown;
    struct AppGoesFirst {
        std::unique_ptr<VaultwickApp>& app;
        ~AppGoesFirst() { app.reset(); }
    } appGoesFirst{app_};
    // Each push is also what the engine answers a poll with, so polling cannot undo it.
    auto pushStats = [&](const std::string& body) {
        return engine_->setReply("stats", body) && engine_->send("stats", body);
    };
    const int enabledAndLoggedIn = 0x04 | 0x40;
    connectAndSettle();
    ASSERT_TRUE(pushStats(AppWinTest::statsBody(enabledAndLoggedIn)));
    ASSERT_TRUE(pumpUntil([&] { return !shown.icons.empty() && shown.icons.back() == IDI_TRAY_GOOD; }, kWaitMs));

    // Alerts: the still image and the alert sign take turns.
    std::size_t from = shown.icons.size();
    ASSERT_TRUE(engine_->send("alerts", "3"));
    EXPECT_TRUE(pumpUntil([&] {
        bool good = false, alert = false;
        for (std::size_t i = from; i < shown.icons.size(); ++i) {
            good = good || shown.icons[i] == IDI_TRAY_GOOD;
            alert = alert || shown.icons[i] == IDI_TRAY_ALERT;
        }
        return good && alert;
    }, kWaitMs)) << "the alert sign never showed";

    // Backing up to computer 42: the busy animation, and the tip names the computer.
    ASSERT_TRUE(engine_->send("alerts", "0"));
    ASSERT_TRUE(pushStats(AppWinTest::statsBody(enabledAndLoggedIn | 0x01)));
    EXPECT_TRUE(pumpUntil([&] { return !shown.tips.empty() && shown.tips.back().rfind(L"Backing up to Office PC", 0) == 0; },
                          kWaitMs));
    from = shown.icons.size();
    EXPECT_TRUE(pumpUntil([&] { return shown.icons.size() > from + 2; }, kWaitMs));
    for (std::size_t i = from; i < shown.icons.size(); ++i) EXPECT_TRUE(isBusyImage(shown.icons[i])) << shown.icons[i];

    // A new computer list renames the target: the tip follows.
    ASSERT_TRUE(engine_->send("computers", "computers|42,Server Room,10.0.0.7,4242,,true,false,false,true,false,,1700000000000,"));
    EXPECT_TRUE(pumpUntil([&] { return !shown.tips.empty() && shown.tips.back().rfind(L"Backing up to Server Room", 0) == 0; },
                          kWaitMs));

    // Idle with a warning health level: one still image.
    ASSERT_TRUE(pushStats(std::to_string(enabledAndLoggedIn) + "|5|0|0|1|0|42|0|1000|5000|10000|10|0|0"));
    EXPECT_TRUE(pumpUntil([&] { return !shown.icons.empty() && shown.icons.back() == IDI_TRAY_WARNING; }, kWaitMs));
}

TEST_F(VaultwickAppTest, TheIconComesBackWhenTheShellRestarts) {
    startApp();
    ASSERT_TRUE(shell_.present);
    shell_.present = false;  // the shell forgot every icon
    const std::size_t before = shell_.requests.size();
    PostMessageW(app_->window(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    ASSERT_TRUE(pumpUntil([&] { return shell_.present; }, kWaitMs));
    bool tipSet = false, keyboardNotifications = false;
    for (std::size_t i = before; i < shell_.requests.size(); ++i) {
        const auto& r = shell_.requests[i];
        if (r.message == NIM_MODIFY && (r.data.uFlags & NIF_TIP) && !r.tip().empty()) tipSet = true;
        if (r.message == NIM_SETVERSION && r.data.uVersion == NOTIFYICON_VERSION_4) keyboardNotifications = true;
    }
    EXPECT_TRUE(tipSet);
    EXPECT_TRUE(keyboardNotifications);
}

TEST_F(VaultwickAppTest, ShowApplicationAndClicksStartTheMainProgram) {
    startApp(L"C:\\Vault");
    connectAndSettle();
    app_->onMenuShowVaultwick();
    ASSERT_EQ(launches_.size(), 1u);
    EXPECT_EQ(launches_[0].program, L"C:\\Vault\\VaultwickDesktop");
    EXPECT_EQ(launches_[0].arguments, L"\"dir=C:\\Vault\\\"");

    // Clicks arrive as the icon's callback message on the hidden window.
    const UINT callback = RegisterWindowMessageW(L"com.morvaine.tray.icon.message--104");
    SendMessageW(app_->window(), callback, IDI_TRAY_GOOD, WM_LBUTTONDOWN);
    EXPECT_EQ(launches_.size(), 1u);  // no alerts: a left click does nothing
    pushThenSync("alerts", "3");
    SendMessageW(app_->window(), callback, IDI_TRAY_GOOD, WM_LBUTTONDOWN);
    EXPECT_EQ(launches_.size(), 2u);
    pushThenSync("alerts", "0");
    SendMessageW(app_->window(), callback, IDI_TRAY_GOOD, WM_LBUTTONDBLCLK);
    ASSERT_EQ(launches_.size(), 3u);
    EXPECT_EQ(launches_[2].program, L"C:\\Vault\\VaultwickDesktop");
    // Enter or Space on the focused icon does what the double click does.
    SendMessageW(app_->window(), callback, 0, MAKELPARAM(NIN_KEYSELECT, IDI_TRAY_GOOD));
    ASSERT_EQ(launches_.size(), 4u);
    EXPECT_EQ(launches_[3].program, L"C:\\Vault\\VaultwickDesktop");
}

// Shift+F10 on the focused icon opens the menu at the icon, and the focus goes back to the icon
// once the menu closes; a choice that started a program, or a click on another window, leaves the
// focus there.
TEST_F(VaultwickAppTest, TheKeyboardMenuOpensAtTheIconAndHandsTheFocusBack) {
    startApp(L"C:\\Vault");
    connectAndSettle();
    const UINT callback = RegisterWindowMessageW(L"com.morvaine.tray.icon.message--104");
    auto focusRequests = [&] {
        int count = 0;
        for (const auto& r : shell_.requests) {
            if (r.message == NIM_SETFOCUS && r.data.hWnd == app_->window() && r.data.uID == IDI_TRAY_GOOD) ++count;
        }
        return count;
    };
    auto openFromKeyboard = [&](TrayWinTest::MenuScript script) {
        return TrayWinTest::workMenu(std::move(script), [&] {
            SendMessageW(app_->window(), callback, MAKEWPARAM(300, 200), MAKELPARAM(WM_CONTEXTMENU, IDI_TRAY_GOOD));
        });
    };
    SetCursorPos(700, 500);
    const RECT shown = openFromKeyboard({});  // dismissed
    EXPECT_EQ(shown.left, 300);
    EXPECT_EQ(shown.top, 200);
    EXPECT_EQ(focusRequests(), 1);

    openFromKeyboard({{VK_DOWN, VK_RETURN}});  // Show Application
    ASSERT_EQ(launches_.size(), 1u);
    EXPECT_EQ(focusRequests(), 1);

    Win::UniqueHwnd elsewhere(CreateWindowExW(0, L"STATIC", L"elsewhere", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                              nullptr, nullptr, nullptr));
    openFromKeyboard({{}, elsewhere.get()});
    EXPECT_EQ(GetForegroundWindow(), elsewhere.get());
    EXPECT_EQ(focusRequests(), 1);

    // Sleep (above Exit, the last item) and its dialog: back once, after both. Exit: not back.
    pushThenSync("alerts", "0");  // enabled statistics: Sleep can be chosen
    openFromKeyboard({{VK_UP, VK_UP, VK_RETURN}});
    EXPECT_EQ(dialogsShown_, 1);
    EXPECT_EQ(focusRequests(), 2);
    openFromKeyboard({{VK_UP, VK_RETURN}});
    MSG quit;
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(focusRequests(), 2);
}

// Without "-dir" the main program is the one beside the tray, named by its full path: never one
// found through the current folder or the search path.
TEST_F(VaultwickAppTest, WithoutAnInstallFolderTheProgramBesideTheTrayAndANameThatIsAPathIsRefused) {
    connectAndSettle();
    app_->onMenuShowVaultwick();
    app_->onMenuComputer(nullptr);
    ASSERT_EQ(launches_.size(), 2u);
    const std::wstring folder = Win::currentProgramFolder();
    ASSERT_GT(folder.size(), 3u);
    EXPECT_EQ(launches_[0].program, folder + L"VaultwickDesktop");
    EXPECT_EQ(launches_[0].arguments, L"");
    EXPECT_EQ(launches_[1].program, folder + L"Desktop");
    launches_.clear();

    pushThenSync("status", "true|false|..\\..\\Windows\\System32\\cmd");
    app_->onMenuShowVaultwick();
    EXPECT_TRUE(launches_.empty());
    ASSERT_TRUE(pumpUntil(
        [&] {
            for (const auto& f : record()) {
                if (f.body.rfind("SEVERE|SysTray| |VaultwickApp::onMenuShowVaultwick|Unable to", 0) == 0) return true;
            }
            return false;
        },
        kWaitMs));
}

TEST_F(VaultwickAppTest, ShowComputerByIdOrAddressAndFineLinesStayLocal) {
    startApp(L"C:\\Vault");
    connectAndSettle();
    Messages::Computer byId;
    byId.id = 42;
    app_->onMenuComputer(&byId);
    Messages::Computer byAddress;
    byAddress.id = 0;
    byAddress.address = L"10.0.0.7";
    byAddress.port = 4242;
    app_->onMenuComputer(&byAddress);
    byAddress.address = L"10.0.0.7\" C:\\evil";  // an address that would steer the command line
    app_->onMenuComputer(&byAddress);
    ASSERT_EQ(launches_.size(), 2u);
    EXPECT_EQ(launches_[0].program, L"C:\\Vault\\Desktop");
    EXPECT_EQ(launches_[0].arguments, L"computerId=42 dir=C:\\Vault\\");
    EXPECT_EQ(launches_[1].arguments, L"\"computerFullAddress=10.0.0.7:4242\" dir=C:\\Vault\\");

    const std::string info = "INFO|SysTray| |VaultwickApp::onMenuComputer|MENU - Show computer...";
    const std::string refused = "SEVERE|SysTray| |VaultwickApp::onMenuComputer|Unable to show computer, its address "
                                "is not a host name or IP address.";
    ASSERT_TRUE(pumpUntil([&] { return countOf(record(), "LogMessage", refused) == 1; }, kWaitMs));
    EXPECT_EQ(countOf(record(), "LogMessage", info), 3);
    for (const auto& f : record()) EXPECT_EQ(f.body.find("Show computer command is"), std::string::npos) << f.body;
}

TEST_F(VaultwickAppTest, SleepSendsMinutesCancelSendsNothingAndWakeResumesWithoutTheDialog) {
    connectAndSettle();
    sleepAnswer_ = 48;  // "2 Days"
    swallowPushWhileAsked_ = true;
    app_->onMenuPauseResume();
    swallowPushWhileAsked_ = false;
    ASSERT_TRUE(pumpUntilRecorded("PauseSystemMessage", "2880"));
    // The push whose notification was lost while the dialog was up is read all the same.
    ASSERT_TRUE(pumpUntil([&] { return app_->model().alertCount == 3; }, kWaitMs));

    sleepAnswer_ = SleepChoice::kCancelled;
    app_->onMenuPauseResume();
    sleepAnswer_ = 0;  // the dialog could not be shown
    app_->onMenuPauseResume();
    EXPECT_EQ(dialogsShown_, 3);
    auto shown = balloons();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].info(), L"Unable to pause backup engine, invalid dialog result.");
    EXPECT_EQ(shown[0].title(), L"System Error");

    ASSERT_TRUE(engine_->send("stats", AppWinTest::statsBody(4, 1900000000000LL)));
    ASSERT_TRUE(pumpUntil([&] { return app_->model().stats.pausedUntil != 0; }, kWaitMs));
    app_->onMenuPauseResume();
    EXPECT_EQ(dialogsShown_, 3);
    ASSERT_TRUE(pumpUntilCount("ResumeSystemMessage", 1));
    EXPECT_EQ(countOf(record(), "PauseSystemMessage"), 1);
}

// Any modal loop (the menu's, a message box's) can lose a socket notification, after which no other
// comes: the check tick reads the connection while connected, so the data arrive within its period.
TEST_F(VaultwickAppTest, ANotificationLostOutsideTheSleepDialogIsReadOnTheCheckTick) {
    connectAndSettle();
    swallowNextSocketNotification();
    EXPECT_TRUE(pumpUntil([&] { return app_->model().alertCount == 3; }, 15000));
}

// The dialog's own message loop runs the tray meanwhile: Sleep chosen again from the icon neither
// opens another dialog nor sends another pause, and Exit or the engine's Shutdown end the dialog
// without a "System Error" balloon or a pause, the quit still on its way to the program's loop.
TEST_F(VaultwickAppTest, WhileTheSleepDialogIsUpSleepAgainExitAndShutdown) {
    connectAndSettle();
    whileAsked_ = [this](HWND) {
        if (dialogsShown_ == 1) app_->onMenuPauseResume();
        return 2;
    };
    app_->onMenuPauseResume();
    EXPECT_EQ(dialogsShown_, 1);
    app_->onMenuShowVaultwick();  // its log line follows whatever the tray sent before
    ASSERT_TRUE(pumpUntilRecorded("LogMessage", "INFO|SysTray| |VaultwickApp::onMenuShowVaultwick|MENU - Show Application..."));
    EXPECT_EQ(countOf(record(), "PauseSystemMessage"), 1);

    const std::function<void()> endings[] = {
        [this] { app_->onMenuClose(); },
        [this] {
            ASSERT_TRUE(engine_->send("shutdown"));
            bool quit = false;
            pumpUntil([&] { return quit; }, kWaitMs, &quit);
            ASSERT_TRUE(quit);
            PostQuitMessage(0);  // the dialog's loop meets it as it would have
        },
    };
    for (const auto& ending : endings) {
        app_.reset();
        connectAndSettle();
        whileAsked_ = [&](HWND owner) {
            ending();
            return SleepDialog::show(owner);  // the real dialog, ended by the quit message
        };
        app_->onMenuPauseResume();
        EXPECT_TRUE(balloons().empty());
        MSG quit;
        EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the program would not end";
    }
    EXPECT_EQ(countOf(record(), "PauseSystemMessage"), 1);
}

TEST_F(VaultwickAppTest, ExitTellsTheEngineFirstAndShutdownDoesNot) {
    connectAndSettle();
    ASSERT_TRUE(engine_->send("shutdown"));
    bool quit = false;
    pumpUntil([&] { return quit; }, kWaitMs, &quit);
    EXPECT_TRUE(quit);
    EXPECT_EQ(countOf(record(), "ExitingMessage"), 0);

    app_->onMenuClose();
    // The quit message is queued now; wait without pumping so it stays there.
    ASSERT_TRUE(AppWinTest::waitUntil([&] { return countOf(record(), "ExitingMessage") == 1; }, kWaitMs));
    auto lines = frameLines(record(), record().back().connection);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 3], "LogMessage INFO|SysTray| |VaultwickApp::onMenuClose|MENU - Exit...");
    EXPECT_EQ(lines.back(), "ExitingMessage");
    quit = false;
    pumpUntil([&] { return quit; }, kWaitMs, &quit);
    EXPECT_TRUE(quit);
}

TEST_F(VaultwickAppTest, UserActivityIsReportedWhenInputStopsAndWhenItStarts) {
    connectAndSettle();
    clock_.tick = 500;
    clock_.available = true;
    ASSERT_TRUE(pumpUntilRecorded("UserActivityMessage", "500"));  // a whole tick without input
    clock_.tick = 900;  // input again: active, and a tick later idle again
    ASSERT_TRUE(pumpUntil([&] { return countOf(record(), "UserActivityMessage", "900") == 2; }, kWaitMs));
    pumpFor(2500);  // the idle state holds: nothing more
    EXPECT_EQ(countOf(record(), "UserActivityMessage"), 3);
}

}  // namespace

// Without Winsock started no socket can be opened: the error icon, one "System Error" box, and the
// exit path of the menu's Exit (quit posted, nothing further attempted).
TEST(VaultwickAppWithoutNetworking, CouldNotOpenASocketShowsTheBoxAndQuits) {
    KovToolkit::setModuleInstance(GetModuleHandleW(nullptr));
    TrayWinTest::RecordingShell shell;
    IconIdentifyingShell shown(shell);
    std::vector<std::wstring> boxes;
    int iconUnderTheBox = -1;
    AppServices services;
    services.shell = &shown;
    services.showError = [&](HWND, const std::wstring& text, const std::wstring& caption) {
        boxes.push_back(caption + L"|" + text);
        if (!shown.icons.empty()) iconUnderTheBox = shown.icons.back();
    };
    VaultwickApp app(L"", L"127.0.0.1", 4243, false, services);
    // The program's own loop: it ends at the quit message.
    bool quit = false;
    for (int round = 0; round < 200 && !quit; ++round) {  // at most about 10 s
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (!quit && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) quit = true;
            else DispatchMessageW(&msg);
        }
    }
    EXPECT_TRUE(quit) << "no quit was posted";
    EXPECT_EQ(boxes, std::vector<std::wstring>{
                         L"System Error|Unable to run Vaultwick Tray, could not open a networking socket."});
    EXPECT_EQ(iconUnderTheBox, IDI_TRAY_ERROR);
    EXPECT_FALSE(app.model().connected);
}
