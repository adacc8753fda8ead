#include "vaultwick_socket_win.h"

VaultwickSocket::VaultwickSocket(const std::wstring& host, int port, HWND window,
                                 VaultwickSocketHandler* socketHandler, VaultwickMessageHandler* messageHandler)
    : window_(window),
      notifyMessage_(RegisterWindowMessageW(L"com.morvaine.tray.socket")),
      protocol_(channel_, host, port, socketHandler, messageHandler) {}

// Events still queued for a socket already closed carry its old handle and are ignored here. They
// are dispatched before the next connect tick (timer messages come only when the queue is empty),
// so a new socket that reuses the handle value never sees them.
void VaultwickSocket::onSocketNotify(WPARAM wParam, LPARAM lParam) {
    const auto socket = static_cast<SOCKET>(wParam);
    if (!isOpen() || socket != handle()) return;
    const int event = WSAGETSELECTEVENT(lParam);
    switch (event) {
    case FD_READ:
        onSocketEvent(socket, event);
        protocol_.onReadEvent();
        break;
    case FD_WRITE:
        onSocketEvent(socket, event);
        protocol_.onWriteEvent();
        break;
    case FD_CLOSE:
        // The protocol reads what is left before it releases the socket.
        protocol_.onCloseEvent();
        break;
    default:
        onSocketEvent(socket, event);
        break;
    }
}
