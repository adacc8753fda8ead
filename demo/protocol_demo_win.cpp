// The protocol end to end: the tray's real VaultwickSocket, on a hidden window and message loop of
// its own, connects to the engine, sends the tray's handshake and prints every message it sends and
// receives, until the engine says shutdown (exit 0) or the time is up (exit 1).
//   protocol_demo.exe PORT [SECONDS]
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "incoming_messages.h"
#include "outgoing_messages.h"
#include "tray_log.h"
#include "unique_handle_win.h"
#include "vaultwick_socket_win.h"

namespace {

constexpr UINT_PTR kConnectTimer = 1;  // the tray's connect tick
constexpr UINT_PTR kGiveUpTimer = 2;

// Wire text is Latin-1, so every character of a message fits in one byte of the console.
std::string narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out += c <= 0xFF ? static_cast<char>(c) : '?';
    return out;
}

void print(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

std::string typeIdText(std::uint16_t id) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%04X", id);
    return buffer;
}

// The body of an outgoing message as its tokens, each in brackets.
std::string tokensOf(const Messages::Message& message) {
    if (message.getLength() <= 0) return "(no body)";
    Messages::Bytes bytes = message.toBytes();
    std::string out = "[";
    for (std::int32_t i = 0; i < message.getLength(); ++i) {
        char c = static_cast<char>(bytes[static_cast<std::size_t>(i)]);
        out += c == '|' ? std::string("] [") : std::string(1, c);
    }
    return out + "]";
}

template <typename T>
std::string classNameOf() {
    static const std::uint8_t nothing = 0;
    return narrow(T(&nothing, 0).getClassName());
}

template <typename T>
void printReceived(const std::string& what) {
    print("engine -> tray  " + typeIdText(T::kTypeId) + " " + classNameOf<T>() + "  " + what);
}

class DemoTray : public VaultwickSocketHandler, public VaultwickMessageHandler {
public:
    void attach(VaultwickSocket* socket) { socket_ = socket; }
    int exitCode() const { return exitCode_; }

    void onSocketConnect() override {
        print("tray: connected to the engine");
        send(Messages::LogMessage(L"INFO", L" ", L"VaultwickApp::onSocketConnect", L"Connecting to VaultwickService..."));
        send(Messages::SetMessageTypeMessage(L"com.morvaine.service.ui.message.ITrayMessage",
                                             static_cast<std::int64_t>(std::time(nullptr)) * 1000));
        send(Messages::StatusQueryMessage(L"QMV"));
        send(Messages::GetComputersMessage());
        send(Messages::GetBackupStatsSummaryMessage());
        send(Messages::AlertRequestMessage());
        send(Messages::LogMessage(L"INFO", L" ", L"VaultwickApp::onSocketConnect", L"CONNECTED to VaultwickService"));
    }
    void onSocketClose() override {
        print("tray: the engine closed the connection");
        finish(1);
    }
    void onSocketOpenFailed() override {
        print("tray: no socket could be created");
        finish(1);
    }
    void onConnectionCheckFailed(int count) override { print("tray: connection check failed " + std::to_string(count)); }
    void onPeerRefused(const PeerCheck::Process& holder) override {
        print("tray: refused a peer that is not the engine's kind, process " + std::to_string(holder.pid));
    }
    void onNoAnswer() override {}

    void onComputers(const Messages::ComputersMessage& message) override {
        std::string list;
        for (const auto& c : message.getComputers()) {
            list += " {id=" + std::to_string(c.id) + " name=" + narrow(c.name) + " address=" + narrow(c.address) +
                    ":" + std::to_string(c.port) + (c.isSelf ? " self" : "") +
                    (c.isDestination ? " destination" : "") + (c.online ? " online" : " offline") + "}";
        }
        printReceived<Messages::ComputersMessage>(std::to_string(message.getTokenCount()) + " tokens:" + list);
    }
    void onComputerConnected(std::int64_t id) override {
        printReceived<Messages::ComputerConnectedMessage>("computer " + std::to_string(id));
    }
    void onComputerDisconnected(std::int64_t id) override {
        printReceived<Messages::ComputerDisconnectedMessage>("computer " + std::to_string(id));
    }
    void onStatusTray(const Messages::StatusTrayMessage& m) override {
        printReceived<Messages::StatusTrayMessage>(std::string("loggedIn=") + (m.loggedIn ? "true" : "false") +
                                                   " upgrading=" + (m.upgrading ? "true" : "false") +
                                                   " applicationName=" + narrow(m.applicationName));
    }
    void onBackupStatsSummary(const Messages::BackupStats& s) override {
        printReceived<Messages::BackupStatsSummaryMessage>(
            "flags=" + std::to_string(s.flags) + " remainingFiles=" + std::to_string(s.remainingFileCount) +
            " health=" + std::to_string(s.healthLevel) + " bytes/s=" + std::to_string(s.bytesPerSecond) +
            " remainingBytes=" + std::to_string(s.remainingBytes) + " totalBytes=" + std::to_string(s.totalBytes) +
            " totalFiles=" + std::to_string(s.totalFileCount) + " last=" + std::to_string(s.lastBackupTime) +
            " next=" + std::to_string(s.nextBackupTime) + (s.showsActivity() ? " (active)" : " (idle)"));
    }
    void onTestRepeat() override { printReceived<Messages::TestRepeatMessage>("(no effect)"); }
    void onAlertCount(int count) override { printReceived<Messages::AlertCountMessage>(std::to_string(count) + " alerts"); }
    void onTrayPopup(int value) override {
        printReceived<Messages::TrayPopupMessage>("popup " + std::to_string(value) +
                                                  (value == 0 ? " (the \"still running\" balloon)" : ""));
    }
    void onShutdown() override {
        print("engine -> tray  " + typeIdText(Messages::ShutdownMessage::kTypeId) + " " +
              narrow(Messages::ShutdownMessage().getClassName()) + "  the tray exits");
        finish(0);
    }

    void finish(int code) {
        if (finished_) return;
        finished_ = true;
        exitCode_ = code;
        PostQuitMessage(code);
    }

private:
    void send(const Messages::Message& message) {
        int sent = socket_->sendMessage(&message);
        print("tray -> engine  " + typeIdText(message.getTypeId()) + " " + narrow(message.getClassName()) + "  " +
              tokensOf(message) + (sent < 0 ? "  (send failed)" : ""));
    }

    VaultwickSocket* socket_ = nullptr;
    bool finished_ = false;
    int exitCode_ = 1;
};

VaultwickSocket* g_socket = nullptr;  // the window procedure's way to the socket
DemoTray* g_tray = nullptr;

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_socket && message == g_socket->getNotifyMessage()) {
        g_socket->onSocketNotify(wParam, lParam);
        return 0;
    }
    if (message == WM_TIMER && g_socket) {
        if (wParam == kConnectTimer) g_socket->onConnectTimer();
        if (wParam == kGiveUpTimer) {
            print("tray: no shutdown from the engine in time");
            g_tray->finish(1);
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: protocol_demo.exe PORT [SECONDS]\n");
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 30;
    TrayLog::setSink([](std::wstring_view level, std::wstring_view source, std::wstring_view text) {
        print("tray log: " + narrow(std::wstring(level)) + " " + narrow(std::wstring(source)) + " " +
              narrow(std::wstring(text)));
    });

    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 1;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"VaultwickProtocolDemo";
    RegisterClassW(&windowClass);
    Win::UniqueHwnd window(CreateWindowExW(0, windowClass.lpszClassName, L"Vaultwick Protocol Demo", WS_POPUP, 0, 0,
                                           0, 0, nullptr, nullptr, instance, nullptr));
    if (!window) return 1;

    int exitCode = 1;
    {
        DemoTray tray;
        VaultwickSocket socket(L"127.0.0.1", port, window.get(), &tray, &tray);
        tray.attach(&socket);
        g_socket = &socket;
        g_tray = &tray;
        print("tray: connecting to 127.0.0.1:" + std::to_string(port));
        socket.onConnectTimer();  // the first tick opens the socket; the timer's next one connects
        SetTimer(window.get(), kConnectTimer, 1000, nullptr);
        SetTimer(window.get(), kGiveUpTimer, static_cast<UINT>(seconds) * 1000, nullptr);
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        exitCode = tray.exitCode();
        KillTimer(window.get(), kConnectTimer);
        KillTimer(window.get(), kGiveUpTimer);
        g_socket = nullptr;
        g_tray = nullptr;
    }
    window.reset();
    WSACleanup();
    return exitCode;
}
