#include "socket_win.h"

#include <ws2tcpip.h>

#include <string>

#include "latin1.h"
#include "tray_log.h"

void KovToolkit::Socket::onSocketEvent(SOCKET socket, int event) {
    if (!open_ || socket != socket_.get()) return;
    if (event == FD_WRITE) connected_ = true;
    if (event == FD_CLOSE) close();
}

bool KovToolkit::Socket::open(HWND window, UINT message) {
    notifyWindow_ = window;
    notifyMessage_ = message;
    return open();
}

bool KovToolkit::Socket::open() {
    if (open_) return true;
    // Programs the tray starts inherit its inheritable handles; none of them may hold this connection.
    // Windows 7 before SP1 knows no such flag: there the handle is made private after creation.
    Win::UniqueSocket created(
        WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT));
    if (!created) {
        created.reset(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        if (!created) return false;
        SetHandleInformation(reinterpret_cast<HANDLE>(created.get()), HANDLE_FLAG_INHERIT, 0);
    }
    if (notifyWindow_ && WSAAsyncSelect(created.get(), notifyWindow_, notifyMessage_, kEventMask) != 0) return false;
    const BOOL keepAlive = TRUE;
    ::setsockopt(created.get(), SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char*>(&keepAlive), sizeof keepAlive);
    ::setsockopt(created.get(), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&kReceiveBufferBytes),
                 sizeof kReceiveBufferBytes);
    socket_ = std::move(created);
    open_ = true;
    connected_ = false;
    return true;
}

bool KovToolkit::Socket::connect(const std::wstring& host, unsigned short port) {
    std::string address;
    if (!Latin1::encode(host, address)) {
        trayLogCode(L"SEVERE", L"KovToolkit::Socket::connect", L"Unable to connect, failed to convert address.",
                    Latin1::kNoTranslation);
    }
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = inet_addr(address.c_str());
    if (::connect(socket_.get(), reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) return false;
    host_ = host;
    port_ = port;
    if (!notifyWindow_) connected_ = true;
    return true;
}

int KovToolkit::Socket::receive(std::uint8_t* buffer, int size) {
    const int count = ::recv(socket_.get(), reinterpret_cast<char*>(buffer), size, 0);
    if (count > 0) return count;
    if (count == 0) {
        close();
        return 0;
    }
    const int error = WSAGetLastError();
    if (error != WSAEWOULDBLOCK && error != WSAEMSGSIZE) close();
    return 0;
}

int KovToolkit::Socket::send(const std::uint8_t* bytes, int length) {
    const int sent = ::send(socket_.get(), reinterpret_cast<const char*>(bytes), length, 0);
    return sent == SOCKET_ERROR ? -1 : sent;
}

bool KovToolkit::Socket::addresses(sockaddr_in& local, sockaddr_in& remote) const {
    if (!open_) return false;
    int localSize = sizeof local;
    int remoteSize = sizeof remote;
    return ::getsockname(socket_.get(), reinterpret_cast<sockaddr*>(&local), &localSize) == 0 &&
           ::getpeername(socket_.get(), reinterpret_cast<sockaddr*>(&remote), &remoteSize) == 0 &&
           local.sin_family == AF_INET && remote.sin_family == AF_INET;
}

void KovToolkit::Socket::close() {
    if (!open_) return;
    socket_.reset();
    notifyWindow_ = nullptr;
    notifyMessage_ = 0;
    open_ = false;
    connected_ = false;
    port_ = 0;
    host_.clear();
}
