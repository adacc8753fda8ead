#include "vaultwick_socket_win.h"

VaultwickSocket::VaultwickSocket(const std::wstring& host, int port, HWND window,
                                 VaultwickSocketHandler* socketHandler, VaultwickMessageHandler* messageHandler,
                                 const PeerCheck::ProcessDirectory* peers)
    : window_(window),
      notifyMessage_(RegisterWindowMessageW(L"com.morvaine.tray.socket")),
      protocol_(channel_, host, port, socketHandler, messageHandler) {
    protocol_.checkPeersWith(peers);
}

bool VaultwickSocket::Channel::ends(PeerCheck::Connection& connection) const {
    sockaddr_in local{};
    sockaddr_in remote{};
    if (!owner_.addresses(local, remote)) return false;
    connection.ours = {ntohl(local.sin_addr.s_addr), ntohs(local.sin_port)};
    connection.engine = {ntohl(remote.sin_addr.s_addr), ntohs(remote.sin_port)};
    return true;
}

VaultwickSocket::~VaultwickSocket() {
    if (resumeScheduled_) KillTimer(window_, kResumeTimerId);
}

void VaultwickSocket::onCheckTimer() {
    protocol_.onCheckTimer();
    scheduleResume();
}

void VaultwickSocket::catchUp() {
    protocol_.catchUp();
    scheduleResume();
}

bool VaultwickSocket::onTimer(UINT_PTR eventId) {
    if (eventId != kResumeTimerId) return false;
    KillTimer(window_, kResumeTimerId);
    resumeScheduled_ = false;
    protocol_.resumeReading();
    scheduleResume();
    return true;
}

// Should the timer fail, the next check tick resumes.
void VaultwickSocket::scheduleResume() {
    if (!protocol_.readsPaused() || resumeScheduled_) return;
    resumeScheduled_ = SetTimer(window_, kResumeTimerId, USER_TIMER_MINIMUM, nullptr) != 0;
}

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
        scheduleResume();
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
