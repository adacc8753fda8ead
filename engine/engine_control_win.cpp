#include "engine_control_win.h"

#include <ws2tcpip.h>

namespace {

sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<u_short>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

bool waitReadable(SOCKET s, int timeoutMs) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    return ::select(0, &readable, nullptr, nullptr, &limit) > 0;
}

std::wstring widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());  // paths and options here are ASCII
}

std::unique_ptr<EngineControl> failed(std::string* error, const std::string& why) {
    if (error) *error = why + " (error " + std::to_string(::WSAGetLastError()) + "/" + std::to_string(::GetLastError()) + ")";
    return nullptr;
}

}  // namespace

WinsockSession::WinsockSession() {
    WSADATA data;
    ready_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

WinsockSession::~WinsockSession() {
    if (ready_) ::WSACleanup();
}

WinsockEngineLink::WinsockEngineLink(Win::UniqueSocket socket) : socket_(std::move(socket)) {}

int WinsockEngineLink::receiveSome(char* buffer, int size, int timeoutMs) {
    if (!waitReadable(socket_.get(), timeoutMs)) return -1;
    int n = ::recv(socket_.get(), buffer, size, 0);
    return n < 0 ? -1 : n;
}

bool WinsockEngineLink::sendAll(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        int n = ::send(socket_.get(), bytes.data() + done, static_cast<int>(bytes.size() - done), 0);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::wstring unixPathToWine(const std::string& path) {
    std::wstring out = L"Z:";
    for (char c : path) out += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    return out;
}

std::wstring commandLineOf(const std::vector<std::string>& arguments) {
    std::wstring line;
    for (const auto& a : arguments) {
        if (!line.empty()) line += L' ';
        bool quote = a.empty() || a.find_first_of(" \t\"") != std::string::npos;
        if (!quote) {
            line += widen(a);
            continue;
        }
        line += L'"';
        for (char c : a) {
            if (c == '"') line += L'\\';
            line += static_cast<wchar_t>(static_cast<unsigned char>(c));
        }
        line += L'"';
    }
    return line;
}

std::unique_ptr<EngineControl> startEngine(const EngineStartOptions& requested, std::string* error) {
    const EngineStartOptions options = withDefaults(requested);
    WinsockSession winsock;
    if (!winsock.ready()) return failed(error, "Winsock did not start");
    Win::UniqueSocket listener(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address = loopback(0);
    int length = sizeof address;
    if (!listener || ::bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener.get(), 1) != 0 ||
        ::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return failed(error, "cannot listen for the engine");
    }
    std::vector<std::string> args = engineArguments(options, ntohs(address.sin_port));
    args.insert(args.begin(), options.java);
    std::wstring application = unixPathToWine(options.java);
    std::wstring commandLine = commandLineOf(args);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
        return failed(error, "cannot start " + options.java);
    }
    Win::UniqueHandle processHandle(process.hProcess), threadHandle(process.hThread);
    if (!waitReadable(listener.get(), options.startTimeoutMs)) return failed(error, "the engine did not call back");
    Win::UniqueSocket accepted(::accept(listener.get(), nullptr, nullptr));
    if (!accepted) return failed(error, "cannot accept the engine's call");
    return greetEngine(std::make_unique<WinsockEngineLink>(std::move(accepted)), options.startTimeoutMs, error);
}

std::unique_ptr<EngineLink> connectLoopback(int port, std::string* error) {
    WinsockSession winsock;
    Win::UniqueSocket s(winsock.ready() ? ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP) : INVALID_SOCKET);
    sockaddr_in address = loopback(port);
    if (!s || ::connect(s.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (error) *error = "cannot connect to 127.0.0.1:" + std::to_string(port) + " (error " +
                            std::to_string(::WSAGetLastError()) + ")";
        return nullptr;
    }
    return std::make_unique<WinsockEngineLink>(std::move(s));
}

std::unique_ptr<EngineControl> attachEngine(int controlPort, int trayPort, std::string* error) {
    auto link = connectLoopback(controlPort, error);
    if (!link) return nullptr;
    return std::make_unique<EngineControl>(std::move(link), trayPort, controlPort, false);
}
