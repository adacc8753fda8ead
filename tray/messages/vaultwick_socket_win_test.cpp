// VaultwickSocket on a real hidden window and message loop, against a loopback server.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "class_message.h"
#include "frame.h"
#include "log_capture.h"
#include "loopback_server_win.h"
#include "outgoing_messages.h"
#include "peer_check_win.h"
#include "recording_handlers.h"
#include "socket_win.h"
#include "vaultwick_socket_win.h"

#include <lmcons.h>
#include <sddl.h>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Calls = std::vector<std::wstring>;

Bytes frameOf(std::uint16_t type, const std::string& body, std::int32_t length = -2) {
    Bytes frame(Framing::kHeaderSize);
    Framing::writeHeader({type, length == -2 ? static_cast<std::int32_t>(body.size()) : length}, frame.data());
    frame.insert(frame.end(), body.begin(), body.end());
    return frame;
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

const Messages::StatusQueryMessage kQuery(L"QMV");
const Bytes kQueryFrame = Framing::encodeFrame(kQuery);
const Bytes kQueryAnnouncement =
    Framing::encodeFrame(Messages::ClassMessage(0x3B01, L"com.morvaine.service.ui.message.StatusQueryMessage"));

class SocketOnWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(winsock.started());
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &SocketOnWindow::windowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"VaultwickSocketTest";
        RegisterClassW(&windowClass);  // fails harmlessly when already registered
        window.reset(CreateWindowExW(0, L"VaultwickSocketTest", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                     GetModuleHandleW(nullptr), nullptr));
        ASSERT_TRUE(window.valid());
        SetWindowLongPtrW(window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        socket = std::make_unique<VaultwickSocket>(L"127.0.0.1", server.port(), window.get(), &handlers, &handlers);
    }

    void TearDown() override {
        socket.reset();
        pump(5);  // let events of the closed socket arrive and be ignored
        window.reset();
    }

    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<SocketOnWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && self->socket && message == self->socket->getNotifyMessage()) {
            self->socket->onSocketNotify(wParam, lParam);
            return 0;
        }
        if (self && self->socket && message == WM_TIMER && self->socket->onTimer(wParam)) return 0;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    // Dispatches window messages for a bounded number of rounds (each waits at most 10 ms).
    template <typename Done>
    bool pumpUntil(Done done, int rounds = 500) {
        for (int i = 0; i < rounds; ++i) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            if (done()) return true;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
        return done();
    }
    void pump(int rounds) {
        pumpUntil([] { return false; }, rounds);
    }
    bool pumpUntilCalls(std::size_t count) {
        return pumpUntil([&] { return handlers.calls.size() >= count; });
    }

    // Two connect ticks (open, then connect), the server's accept and the write event.
    Win::UniqueSocket connectToServer() {
        const std::size_t before = handlers.calls.size();
        socket->onConnectTimer();
        EXPECT_TRUE(socket->isOpen());
        EXPECT_FALSE(socket->isConnected());
        socket->onConnectTimer();
        Win::UniqueSocket client = server.nextClient();
        EXPECT_TRUE(client.valid());
        EXPECT_TRUE(pumpUntilCalls(before + 1));
        EXPECT_EQ(handlers.calls.back(), L"connect");
        EXPECT_TRUE(socket->isConnected());
        return client;
    }

    int closeCount() const { return static_cast<int>(std::count(handlers.calls.begin(), handlers.calls.end(), L"close")); }

    KovToolkit::WinsockSession winsock;
    LoopbackServer server;
    Win::UniqueHwnd window;
    RecordingHandlers handlers;
    std::unique_ptr<VaultwickSocket> socket;
};

}  // namespace

TEST_F(SocketOnWindow, AnnouncesOnceAndDispatchesEveryReceivedType) {
    EXPECT_NE(socket->getNotifyMessage(), 0u);
    EXPECT_EQ(socket->getNotifyMessage(), RegisterWindowMessageW(L"com.morvaine.tray.socket"));
    Win::UniqueSocket client = connectToServer();
    ASSERT_TRUE(client.valid());
    // Programs the tray starts inherit its inheritable handles, but must never hold this connection.
    DWORD flags = 0;
    ASSERT_TRUE(GetHandleInformation(reinterpret_cast<HANDLE>(socket->handle()), &flags));
    EXPECT_EQ(flags & HANDLE_FLAG_INHERIT, 0u);

    EXPECT_EQ(socket->sendMessage(&kQuery), static_cast<int>(kQueryFrame.size()));
    EXPECT_EQ(socket->sendMessage(&kQuery), static_cast<int>(kQueryFrame.size()));
    const Bytes expected = concat({kQueryAnnouncement, kQueryFrame, kQueryFrame});
    EXPECT_EQ(LoopbackServer::readBytes(client.get(), expected.size()), expected);

    // A header split 4 + 2 and a body in three pieces, each piece its own read event.
    const Bytes alert = frameOf(0x009B, "123");
    const std::vector<Bytes> pieces{{alert.begin(), alert.begin() + 4}, {alert.begin() + 4, alert.begin() + 6},
                                    {alert.begin() + 6, alert.begin() + 7}, {alert.begin() + 7, alert.begin() + 8},
                                    {alert.begin() + 8, alert.end()}};
    for (const auto& piece : pieces) {
        ASSERT_TRUE(LoopbackServer::sendAll(client.get(), piece));
        pump(10);
    }
    ASSERT_TRUE(pumpUntilCalls(2));
    EXPECT_EQ(handlers.calls, (Calls{L"connect", L"alertCount 123"}));

    ASSERT_TRUE(LoopbackServer::sendAll(
        client.get(), concat({frameOf(0x8063, "-27901|com.morvaine.service.ui.message.StatusTrayMessage"),
                              frameOf(0x005F, "17|2|3|4|1|5|6|7|8|9|10|11|12|13"),
                              frameOf(0xFD63, "x|42,Office PC,10.0.0.7,4242,,false,,,true,,,1500000000000,"),
                              frameOf(0xFD27, "42"), frameOf(0x0A1A, "43"), frameOf(0x4321, "unknown type"),
                              frameOf(0xEB44, "a|b"), frameOf(0x152F, "true|true|Backup"), frameOf(0x2222, "0"),
                              frameOf(0x009B, "0"), frameOf(0x389D, "")})));
    ASSERT_TRUE(pumpUntilCalls(11));
    pump(5);
    EXPECT_EQ(handlers.calls,
              (Calls{L"connect", L"alertCount 123", L"stats 17", L"computers 1", L"computerConnected 42",
                     L"computerDisconnected 43", L"testRepeat", L"statusTray 1 1 Backup", L"trayPopup 0",
                     L"alertCount 0", L"shutdown"}));
    ASSERT_EQ(handlers.lastComputers.size(), 1u);
    EXPECT_EQ(handlers.lastComputers[0].address, L"10.0.0.7");
    EXPECT_EQ(handlers.lastStats.healthLevel, 1);
}

TEST_F(SocketOnWindow, PeerCloseWithItsEventIsReportedOnceAndTheNextConnectionAnnouncesAgain) {
    Win::UniqueSocket client = connectToServer();
    ASSERT_TRUE(client.valid());
    socket->sendMessage(&kQuery);
    EXPECT_EQ(LoopbackServer::readBytes(client.get(), kQueryAnnouncement.size() + kQueryFrame.size()),
              concat({kQueryAnnouncement, kQueryFrame}));

    const Bytes computers = frameOf(0xFD63, "x|1,a,");
    ASSERT_TRUE(LoopbackServer::sendAll(client.get(), Bytes(computers.begin(), computers.begin() + 8)));
    client.reset();
    ASSERT_TRUE(pumpUntil([&] { return closeCount() > 0; }));
    pump(20);
    EXPECT_EQ(closeCount(), 1);
    EXPECT_FALSE(socket->isOpen());
    EXPECT_EQ(socket->sendMessage(&kQuery), -1);

    client = connectToServer();
    ASSERT_TRUE(client.valid());
    socket->sendMessage(&kQuery);
    EXPECT_EQ(LoopbackServer::readBytes(client.get(), kQueryAnnouncement.size() + kQueryFrame.size()),
              concat({kQueryAnnouncement, kQueryFrame}));
    ASSERT_TRUE(LoopbackServer::sendAll(client.get(), frameOf(0x2222, "5")));
    ASSERT_TRUE(pumpUntil([&] { return handlers.calls.back() == L"trayPopup 5"; }))
        << "the part frame of the old connection was dropped";
    EXPECT_EQ(handlers.calls, (Calls{L"connect", L"close", L"connect", L"trayPopup 5"}));
}

TEST_F(SocketOnWindow, PeerCloseFoundByAReadIsReportedOnceWithoutItsEvent) {
    Win::UniqueSocket client = connectToServer();
    ASSERT_TRUE(client.valid());
    ASSERT_TRUE(LoopbackServer::sendAll(client.get(), frameOf(0x389D, "")));
    client.reset();
    // Read without dispatching window messages, so the close is found by recv before any event.
    for (int i = 0; i < 500 && socket->isOpen(); ++i) {
        socket->receiveMessage();
        if (socket->isOpen()) Sleep(10);
    }
    EXPECT_FALSE(socket->isOpen());
    EXPECT_EQ(handlers.calls, (Calls{L"connect", L"shutdown", L"close"}));
    pump(30);  // the queued read and close events belong to the released socket
    EXPECT_EQ(handlers.calls, (Calls{L"connect", L"shutdown", L"close"}));
}

TEST_F(SocketOnWindow, CheckTicksCountUntilConnectedAndAnOverlongBodyCloses) {
    LogCapture log;
    socket->onCheckTimer();
    socket->onCheckTimer();
    Win::UniqueSocket client = connectToServer();
    ASSERT_TRUE(client.valid());
    socket->onCheckTimer();
    EXPECT_EQ(handlers.calls, (Calls{L"checkFailed 1", L"checkFailed 2", L"connect"}));

    ASSERT_TRUE(LoopbackServer::sendAll(client.get(), frameOf(0xFD63, "", 0x7FFFFFFF)));
    ASSERT_TRUE(pumpUntil([&] { return closeCount() > 0; }));
    pump(10);
    socket->onCheckTimer();
    EXPECT_EQ(handlers.calls, (Calls{L"checkFailed 1", L"checkFailed 2", L"connect", L"close", L"checkFailed 1"}));
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0],
              L"SEVERE|VaultwickSocket::receiveMessage|Unable to receive message, body too long. error=2147483647");
    EXPECT_FALSE(socket->isOpen());
}

// Far more than one drain's reads: reading pauses and its own timer resumes it, drain after drain,
// with no check tick, until the last frame is in.
TEST_F(SocketOnWindow, AFloodIsReadInDrainsThatTheResumeTimerContinues) {
    Win::UniqueSocket client = connectToServer();
    ASSERT_TRUE(client.valid());
    constexpr int kFrames = 200000;  // 1.4 MB: many times what 16 reads of 64 KiB take
    Bytes flood;
    for (int i = 0; i < kFrames; ++i) {
        const Bytes frame = frameOf(0x009B, std::to_string(i % 10));
        flood.insert(flood.end(), frame.begin(), frame.end());
    }
    std::thread writer([&] { LoopbackServer::sendAll(client.get(), flood); });
    const bool all = pumpUntilCalls(1 + kFrames);
    writer.join();
    ASSERT_TRUE(all) << handlers.calls.size() - 1 << " frames arrived";
    EXPECT_EQ(handlers.calls.back(), L"alertCount 9");
}

TEST_F(SocketOnWindow, AHostThatIsNotSingleByteTextIsLogged) {
    LogCapture log;
    VaultwickSocket bad(L"127.0.0.\u0100", server.port(), window.get(), &handlers, &handlers);
    bad.onConnectTimer();
    bad.onConnectTimer();
    EXPECT_FALSE(bad.isConnected());
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0],
              L"SEVERE|KovToolkit::Socket::connect|Unable to connect, failed to convert address. error=1113");
}

// The real calls. Java listens on a dual-stack socket: the engine end's row of its connection is in
// the IPv6 table. Wine names no owner for any row, so the connection goes on unchecked with one line;
// Windows names this process, which is believed silently. The service manager lists the process of a
// running service; this process's user comes from its own token.
TEST_F(SocketOnWindow, TheSystemDirectoryAnswersFromTheRealCalls) {
    const PeerCheck::SystemProcessDirectory system;
    LogCapture log;
    Win::UniqueSocket listener(::socket(AF_INET6, SOCK_STREAM, IPPROTO_TCP));
    const DWORD v6Only = FALSE;
    ::setsockopt(listener.get(), IPPROTO_IPV6, IPV6_V6ONLY, reinterpret_cast<const char*>(&v6Only), sizeof v6Only);
    sockaddr_in6 any{};
    any.sin6_family = AF_INET6;
    int size = sizeof any;
    ASSERT_EQ(::bind(listener.get(), reinterpret_cast<sockaddr*>(&any), size), 0);
    ASSERT_EQ(::listen(listener.get(), 1), 0);
    ASSERT_EQ(::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&any), &size), 0);
    socket = std::make_unique<VaultwickSocket>(L"127.0.0.1", ntohs(any.sin6_port), window.get(), &handlers, &handlers,
                                               &system);
    socket->onConnectTimer();
    socket->onConnectTimer();
    ASSERT_TRUE(pumpUntilCalls(1));
    const Win::UniqueSocket engineEnd(::accept(listener.get(), nullptr, nullptr));
    sockaddr_in local{};
    sockaddr_in remote{};
    ASSERT_TRUE(socket->addresses(local, remote));
    const std::optional<std::vector<PeerCheck::ConnectionRow>> rows = system.connections();
    ASSERT_TRUE(rows.has_value());
    const std::optional<std::uint32_t> owner =
        PeerCheck::engineEndOwner(*rows, {{ntohl(local.sin_addr.s_addr), ntohs(local.sin_port)},
                                          {ntohl(remote.sin_addr.s_addr), ntohs(remote.sin_port)}});
    ASSERT_TRUE(owner.has_value()) << "the engine end's row";
    if (*owner == 0) {
        EXPECT_EQ(log.lines, std::vector<std::wstring>{L"INFO|VaultwickSocket::checkPeer|The system names no owner "
                                                       L"of the engine's end of the connection; the peer is not checked."});
    } else {
        EXPECT_EQ(*owner, GetCurrentProcessId());
        EXPECT_TRUE(log.lines.empty());
    }
    EXPECT_EQ(handlers.calls, Calls{L"connect"});

    // Wine runs the remote procedure call service in a process of its own; Windows in a shared host.
    const std::optional<std::vector<std::uint32_t>> services = system.servicePids();
    ASSERT_TRUE(services.has_value());
    EXPECT_TRUE(std::any_of(services->begin(), services->end(), [&](std::uint32_t pid) {
        return system.imageOf(pid) == L"rpcss.exe" || system.imageOf(pid) == L"svchost.exe";
    }));
    EXPECT_EQ(std::count(services->begin(), services->end(), GetCurrentProcessId()), 0);
    EXPECT_EQ(system.imageOf(GetCurrentProcessId()), L"tray_socket_win_test.exe");

    // The SID the system names for this process's account.
    wchar_t name[UNLEN + 1], domain[256], *sidText = nullptr;
    DWORD nameSize = UNLEN + 1, domainSize = 256, sidSize = SECURITY_MAX_SID_SIZE;
    BYTE sid[SECURITY_MAX_SID_SIZE];
    SID_NAME_USE use{};
    ASSERT_TRUE(GetUserNameW(name, &nameSize));
    ASSERT_TRUE(LookupAccountNameW(nullptr, name, sid, &sidSize, domain, &domainSize, &use));
    ASSERT_TRUE(ConvertSidToStringSidW(sid, &sidText));
    const Win::UniqueLocalMemory ownedText(sidText);
    EXPECT_EQ(system.userOf(GetCurrentProcessId()), std::optional<std::wstring>(sidText));
    EXPECT_FALSE(system.userOf(0xFFFFFFF0u).has_value());
}
