#pragma once
// One Winsock IPv4 stream socket whose read, write and close events are posted to a window as a
// window message (WSAAsyncSelect), so that everything runs on the window's thread.
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <string>

#include "unique_handle_win.h"

namespace KovToolkit {

// Winsock 2.2 for as long as it lives; the tray's start-up and test programs hold one.
class WinsockSession {
public:
    WinsockSession() { started_ = WSAStartup(MAKEWORD(2, 2), &data_) == 0; }
    ~WinsockSession() {
        if (started_) WSACleanup();
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    bool started() const { return started_; }

private:
    WSADATA data_{};
    bool started_ = false;
};

class Socket {
public:
    // Events posted for the socket: read, write and close.
    static constexpr long kEventMask = FD_READ | FD_WRITE | FD_CLOSE;
    // What the system may hold unread for the tray. The engine's own traffic is a few frames at a
    // time; a larger, self-growing buffer only lets a peer that writes without pause queue seconds of
    // frames the tray would show late (Linux grew it to megabytes under Wine).
    static constexpr int kReceiveBufferBytes = 64 * 1024;

    Socket() = default;
    virtual ~Socket() { close(); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    // Updates the flags for an event of this socket (events of other sockets are ignored): write
    // means connected, close releases the socket.
    virtual void onSocketEvent(SOCKET socket, int event);

    bool open(HWND window, UINT message);
    // True at once when already open. Creates the socket (never inherited by started programs),
    // asks for its events (when a window is set) and turns keep-alive on.
    bool open();
    // `host` must be a dotted IPv4 address. True only when the connection completed at once; with
    // a notify window it normally completes later, reported by the write event.
    bool connect(const std::wstring& host, unsigned short port);
    // One recv; 0 when nothing came. A peer close or a hard error closes the socket.
    int receive(std::uint8_t* buffer, int size);
    // One send of the whole buffer: the byte count accepted, or -1.
    int send(const std::uint8_t* bytes, int length);
    void close();
    // The local and the remote address of the connection; false when not connected.
    bool addresses(sockaddr_in& local, sockaddr_in& remote) const;

    bool isOpen() const { return open_; }
    bool isConnected() const { return connected_; }
    SOCKET handle() const { return socket_.get(); }

private:
    HWND notifyWindow_ = nullptr;
    UINT notifyMessage_ = 0;
    bool connected_ = false;
    bool open_ = false;
    Win::UniqueSocket socket_;
    unsigned short port_ = 0;
    std::wstring host_;
};

}  // namespace KovToolkit
