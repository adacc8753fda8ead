#pragma once
// The tray's connection to the backup engine: a KovToolkit::Socket whose events arrive on the
// tray's hidden window as the registered message "com.morvaine.tray.socket". The rules (ticks,
// announcement, reassembly, dispatch, close reporting) are VaultwickProtocol's; this class feeds
// it the window messages and lends it the socket.
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <string>

#include "byte_channel.h"
#include "message.h"
#include "peer_check.h"
#include "socket_win.h"
#include "vaultwick_handlers.h"
#include "vaultwick_protocol.h"

class VaultwickSocket : public KovToolkit::Socket {
public:
    // `peers`: who may be believed at the other end (see VaultwickProtocol); null believes anyone.
    VaultwickSocket(const std::wstring& host, int port, HWND window, VaultwickSocketHandler* socketHandler,
                    VaultwickMessageHandler* messageHandler, const PeerCheck::ProcessDirectory* peers = nullptr);
    ~VaultwickSocket() override;

    // Event id of the window timer that resumes paused reading; outside the controller's and the
    // icon's ids.
    static constexpr UINT_PTR kResumeTimerId = 0x5653;

    // The application routes window messages with this number to onSocketNotify.
    UINT getNotifyMessage() const { return notifyMessage_; }

    void onConnectTimer() { protocol_.onConnectTimer(); }
    void onCheckTimer();
    // wParam: the socket; low 16 bits of lParam: the event.
    void onSocketNotify(WPARAM wParam, LPARAM lParam);
    void catchUp();
    // The application routes its window's timer messages here first; true when the id was ours.
    bool onTimer(UINT_PTR eventId);
    int sendMessage(const Messages::Message* message) { return protocol_.sendMessage(message); }
    void receiveMessage() { protocol_.receiveMessage(); }

private:
    // The socket as the protocol sees it.
    class Channel : public ByteChannel {
    public:
        explicit Channel(VaultwickSocket& owner) : owner_(owner) {}
        bool open() override { return owner_.open(owner_.window_, owner_.notifyMessage_); }
        bool connect(const std::wstring& host, int port) override {
            return owner_.connect(host, static_cast<unsigned short>(port));
        }
        bool isOpen() const override { return owner_.isOpen(); }
        bool isConnected() const override { return owner_.isConnected(); }
        int send(const std::uint8_t* bytes, int length) override { return owner_.send(bytes, length); }
        int receive(std::uint8_t* buffer, int size) override { return owner_.receive(buffer, size); }
        void close() override { owner_.close(); }
        bool ends(PeerCheck::Connection& connection) const override;

    private:
        VaultwickSocket& owner_;
    };

    // Reading paused: the resume waits for a timer message, which comes only once the window's
    // queue holds nothing else.
    void scheduleResume();

    HWND window_;
    UINT notifyMessage_;
    bool resumeScheduled_ = false;
    Channel channel_{*this};
    VaultwickProtocol protocol_;
};
