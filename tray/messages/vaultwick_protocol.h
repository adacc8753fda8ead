#pragma once
// The tray's side of the engine connection, independent of Winsock: the connect and check ticks,
// the announcement of each message type once per connection, frame reassembly, dispatch, and the
// rule that every end of a connection reaches onSocketClose() exactly once.
//
// Ends of a connection: the close event; a read that finds the peer closed or fails (the socket is
// closed then and no close event follows for it); a body above the limit; a send that the system
// accepts only in part (the rest cannot be sent without corrupting the stream, so the connection is
// given up and the connect timer starts a fresh one).
//
// Before anything goes out or comes in on a connection, its peer is checked (when a process directory
// is set): a refused peer's connection is closed unused and reported; so is one whose check could not
// be made, without a report; the connect timer goes on trying. Nothing is sent on a connection before
// its peer is admitted. What the check found is logged once the next connection is accepted, since
// log lines only ever go to the engine.
//
// Handlers are called from inside these operations and must not destroy the protocol's owner.
#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>

#include "byte_channel.h"
#include "frame_reader.h"
#include "message.h"
#include "peer_check.h"
#include "vaultwick_handlers.h"

class VaultwickProtocol {
public:
    // Microseconds since any fixed moment.
    using Clock = std::function<std::int64_t()>;
    static std::int64_t steadyMicroseconds();

    VaultwickProtocol(ByteChannel& channel, std::wstring host, int port, VaultwickSocketHandler* socketHandler,
                      VaultwickMessageHandler* messageHandler, Clock clock = steadyMicroseconds);

    // Null: every peer is believed.
    void checkPeersWith(const PeerCheck::ProcessDirectory* directory) { directory_ = directory; }

    // Opens, or connects the open socket. A socket still not connected a tick after its connect
    // reached nobody: that is reported once per socket (onNoAnswer).
    void onConnectTimer();
    // Not connected: counts a failed check. Connected: resumes reading (below), so a notification
    // lost in any modal loop, or a resume that could not be scheduled, costs at most one period.
    void onCheckTimer();

    // Socket events, after the channel has updated its own flags. A read event drains what the
    // connection holds, for at most kDrainMicroseconds and in at most kMaxReadsPerDrain reads: time
    // bounds the handlers' work whatever the frames cost (one read of tiny frames holds thousands),
    // reads bound the bytes copied. A drain that reached either bound most likely left data behind
    // (complete frames stay buffered): reading pauses until resumeReading(), which the owner calls
    // from a timer.
    // Read events meanwhile read nothing, so the system posts no more of them, the window's queue
    // empties, and its timers, input and painting get their turn before the next drain: a peer that
    // never stops writing cannot keep the queue full (the system posts one more read event per read
    // that leaves data, so reading on at every event would only lengthen it).
    void onReadEvent();
    // Ends a pause and drains again (which may pause again).
    void resumeReading();
    bool readsPaused() const { return readsPaused_; }
    // Reads what may have arrived without a read event. The system's notification can go missing
    // (seen under Wine when data arrive while a dialog is first shown), and no other comes
    // until the next read, so the connection would fall silent for good. A socket still
    // connecting is left alone: a read there fails and would end the attempt. Nothing while
    // paused: the resume reads.
    void catchUp();
    void onWriteEvent();
    // Reads what the peer sent before closing (its last message may be a shutdown), then closes.
    void onCloseEvent();

    // Announces the type first when needed; returns the send result, or -1 (also before the peer is
    // admitted).
    int sendMessage(const Messages::Message* message);
    // Dispatches the frames still buffered, then one read of the connection, and every frame it
    // completed.
    void receiveMessage();

    int failedChecks() const { return failedChecks_; }
    const Framing::FrameReader& reader() const { return reader_; }

private:
    static constexpr int kMaxReadsPerDrain = 16;
    static constexpr std::int64_t kDrainMicroseconds = 50000;
    static constexpr std::int64_t kNoDeadline = INT64_MAX;

    void drain();
    int sendFrame(const Messages::Bytes& frame);
    // Dispatches complete frames until none is left or the clock reaches `deadline`.
    void dispatchCompleteFrames(std::int64_t deadline);
    // One read, reporting the end of the connection should it find one; false when nothing came.
    bool readOnce();
    void connectionEnded();
    // False when the peer was refused and the connection is closed.
    bool admitPeer();
    void logPeerFindings();

    ByteChannel& channel_;
    const std::wstring host_;
    const int port_;
    VaultwickSocketHandler* socketHandler_;
    VaultwickMessageHandler* messageHandler_;
    Clock clock_;
    int failedChecks_ = 0;
    bool connectionLive_ = false;  // opened and its end not yet reported
    const PeerCheck::ProcessDirectory* directory_ = nullptr;
    bool peerAdmitted_ = false;  // for the live connection
    int connectCalls_ = 0;       // on the open socket
    int refusedPeers_ = 0;       // connections refused since the last accepted one
    int uncheckedPeers_ = 0;     // connections given up since then because the check could not be made
    PeerCheck::Process lastRefused_;
    bool unverifiedPending_ = false;  // to be logged after the handshake
    bool unverifiedLogged_ = false;   // once for the protocol's life
    bool readsPaused_ = false;
    std::unordered_set<std::uint16_t> announcedTypes_;
    Framing::FrameReader reader_;
};
