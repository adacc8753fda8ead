#include "vaultwick_protocol.h"

#include <chrono>
#include <utility>

#include "class_message.h"
#include "frame.h"
#include "message_dispatch.h"
#include "text_format.h"
#include "tray_log.h"

VaultwickProtocol::VaultwickProtocol(ByteChannel& channel, std::wstring host, int port,
                                     VaultwickSocketHandler* socketHandler, VaultwickMessageHandler* messageHandler,
                                     Clock clock)
    : channel_(channel), host_(std::move(host)), port_(port), socketHandler_(socketHandler),
      messageHandler_(messageHandler), clock_(std::move(clock)) {}

std::int64_t VaultwickProtocol::steadyMicroseconds() {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Opening and connecting happen on separate ticks.
void VaultwickProtocol::onConnectTimer() {
    if (channel_.isOpen()) {
        if (channel_.isConnected()) return;
        // The system completes a connection to a listening program within the tick: a second call on
        // one socket means that the first reached nobody.
        if (++connectCalls_ == 2 && socketHandler_) socketHandler_->onNoAnswer();
        channel_.connect(host_, port_);
        return;
    }
    if (!channel_.open() || !channel_.isOpen()) {
        if (socketHandler_) socketHandler_->onSocketOpenFailed();
        return;
    }
    connectionLive_ = true;
    connectCalls_ = 0;
}

void VaultwickProtocol::onCheckTimer() {
    if (channel_.isOpen() && channel_.isConnected()) {
        resumeReading();
        return;
    }
    ++failedChecks_;
    if (socketHandler_) socketHandler_->onConnectionCheckFailed(failedChecks_);
}

// Every write event counts as a (re)connection.
void VaultwickProtocol::onWriteEvent() {
    if (!admitPeer()) return;
    failedChecks_ = 0;
    if (socketHandler_) socketHandler_->onSocketConnect();
    logPeerFindings();
}

bool VaultwickProtocol::admitPeer() {
    if (peerAdmitted_) return true;
    using PeerCheck::Verdict;
    PeerCheck::Decision decision{directory_ ? Verdict::Undecided : Verdict::Accepted, {}};
    PeerCheck::Connection ends;
    if (directory_ && channel_.ends(ends)) decision = PeerCheck::decide(*directory_, ends);
    if (decision.verdict == Verdict::Refused || decision.verdict == Verdict::Undecided) {
        channel_.close();
        connectionEnded();
        if (decision.verdict == Verdict::Undecided) {
            ++uncheckedPeers_;
            return false;
        }
        ++refusedPeers_;
        lastRefused_ = decision.owner;
        if (socketHandler_) socketHandler_->onPeerRefused(decision.owner);
        return false;
    }
    if (decision.verdict == Verdict::Unverified && !unverifiedLogged_) unverifiedPending_ = true;
    peerAdmitted_ = true;
    return true;
}

void VaultwickProtocol::logPeerFindings() {
    const wchar_t* source = L"VaultwickSocket::checkPeer";
    if (refusedPeers_ > 0) {
        const std::wstring image = lastRefused_.image.empty() ? L"" : L" (" + lastRefused_.image + L")";
        trayLog(L"WARNING", source,
                TextFormat::format(L"Another program held the engine's port: process %d%s. Refused %d connections "
                                   L"to it before this one.",
                                   {static_cast<long long>(lastRefused_.pid), image,
                                    static_cast<long long>(refusedPeers_)}));
        refusedPeers_ = 0;
    }
    if (uncheckedPeers_ > 0) {
        trayLog(L"WARNING", source,
                TextFormat::format(L"Unable to check the program at the other end of the connection. Gave up %d "
                                   L"connections before this one.",
                                   {static_cast<long long>(uncheckedPeers_)}));
        uncheckedPeers_ = 0;
    }
    if (unverifiedPending_) {
        trayLog(L"INFO", source,
                L"The system names no owner of the engine's end of the connection; the peer is not checked.");
        unverifiedPending_ = false;
        unverifiedLogged_ = true;
    }
}

void VaultwickProtocol::onCloseEvent() {
    constexpr int kMaxDrainReads = 100000;  // each read makes progress or ends the loop
    for (int i = 0; i < kMaxDrainReads && channel_.isOpen(); ++i) {
        receiveMessage();
        if (reader_.lastReadCount() == 0) break;
    }
    channel_.close();
    connectionEnded();
}

int VaultwickProtocol::sendMessage(const Messages::Message* message) {
    // A timer tick between the TCP handshake and the write event must not reach an unchecked peer.
    if (!message || !peerAdmitted_) return -1;
    const std::uint16_t typeId = message->getTypeId();
    if (typeId != Messages::ClassMessage::kTypeId && announcedTypes_.count(typeId) == 0) {
        const Messages::ClassMessage announcement(typeId, message->getClassName());
        const int result = sendMessage(&announcement);
        if (result < 0) return result;  // stays unannounced, so the next send tries again
        announcedTypes_.insert(typeId);
    }
    return sendFrame(Framing::encodeFrame(*message));
}

int VaultwickProtocol::sendFrame(const Messages::Bytes& frame) {
    const int size = static_cast<int>(frame.size());
    const int sent = channel_.send(frame.data(), size);
    if (sent < 0 || sent == size) return sent;
    channel_.close();
    connectionEnded();
    trayLogCode(L"SEVERE", L"VaultwickSocket::sendMessage",
                L"Unable to send message, the connection took only part of it.", sent);
    return -1;
}

void VaultwickProtocol::onReadEvent() {
    if (!readsPaused_) drain();
}

void VaultwickProtocol::resumeReading() {
    readsPaused_ = false;
    catchUp();
}

void VaultwickProtocol::catchUp() {
    if (!readsPaused_ && channel_.isOpen() && channel_.isConnected()) drain();
}

void VaultwickProtocol::drain() {
    const std::int64_t deadline = clock_() + kDrainMicroseconds;
    for (int reads = 0;; ++reads) {
        if (!admitPeer()) return;
        dispatchCompleteFrames(deadline);
        if (!channel_.isOpen()) return;
        if (clock_() >= deadline || reads == kMaxReadsPerDrain) break;
        if (!readOnce()) return;
    }
    readsPaused_ = true;
}

void VaultwickProtocol::receiveMessage() {
    if (!admitPeer()) return;
    dispatchCompleteFrames(kNoDeadline);
    if (channel_.isOpen() && readOnce()) dispatchCompleteFrames(kNoDeadline);
}

bool VaultwickProtocol::readOnce() {
    if (reader_.read(channel_) > 0) return true;
    // A read that found the peer closed, or failed, has closed the socket; no close event will
    // follow for it.
    if (!channel_.isOpen()) connectionEnded();
    return false;
}

// A frame left complete is dispatched by the next drain: reading stays paused until then, as no
// further read event would come for bytes already read.
void VaultwickProtocol::dispatchCompleteFrames(std::int64_t deadline) {
    // A handler may have ended the connection.
    while (channel_.isOpen() && (deadline == kNoDeadline || clock_() < deadline)) {
        switch (reader_.next()) {
        case Framing::FrameReader::Step::Pending:
            return;
        case Framing::FrameReader::Step::Refused: {
            const std::int32_t length = reader_.length();
            // Logged while the connection still exists: the log goes to the engine over it.
            trayLogCode(L"SEVERE", L"VaultwickSocket::receiveMessage",
                        length > Framing::kMaxBodyLength ? L"Unable to receive message, body too long."
                                                         : L"Unable to receive message, out of memory.",
                        length);
            channel_.close();
            connectionEnded();
            return;
        }
        case Framing::FrameReader::Step::Frame:
            if (messageHandler_) {
                Messages::dispatchFrame(reader_.typeId(), reader_.body(), reader_.length(), *messageHandler_);
            }
            break;
        }
    }
}

void VaultwickProtocol::connectionEnded() {
    if (!connectionLive_) return;
    connectionLive_ = false;
    peerAdmitted_ = false;
    readsPaused_ = false;
    reader_.reset();
    announcedTypes_.clear();
    if (socketHandler_) socketHandler_->onSocketClose();
}
