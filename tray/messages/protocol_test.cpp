#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "class_message.h"
#include "fake_channel.h"
#include "frame.h"
#include "log_capture.h"
#include "outgoing_messages.h"
#include "peer_check.h"
#include "recording_handlers.h"
#include "test_bytes.h"
#include "vaultwick_protocol.h"

namespace {

using Calls = std::vector<std::wstring>;

std::vector<std::uint8_t> frameOf(std::uint16_t type, const std::string& body, std::int32_t length = -2) {
    std::vector<std::uint8_t> frame(Framing::kHeaderSize);
    Framing::writeHeader({type, length == -2 ? static_cast<std::int32_t>(body.size()) : length}, frame.data());
    frame.insert(frame.end(), body.begin(), body.end());
    return frame;
}

std::vector<std::uint8_t> concat(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

class Protocol : public ::testing::Test {
protected:
    FakeChannel channel;
    RecordingHandlers handlers;
    // Time passes only in handlers: each call costs this long.
    std::int64_t microsecondsPerCall = 0;
    VaultwickProtocol protocol{channel, L"127.0.0.1", 4243, &handlers, &handlers, [this] {
        return microsecondsPerCall * static_cast<std::int64_t>(handlers.calls.size());
    }};

    // Connect ticks until open, then the write event the system posts once connected.
    void connect() {
        protocol.onConnectTimer();
        protocol.onConnectTimer();
        channel.connected = true;
        protocol.onWriteEvent();
        handlers.calls.clear();
    }

    // One read event per remaining chunk (or the resume of a pause), plus one to find a peer close;
    // bounded.
    void readAll() {
        for (int i = 0; i < 200 && (!channel.incoming.empty() || (channel.peerClosed && channel.opened)); ++i) {
            if (protocol.readsPaused()) {
                protocol.resumeReading();
            } else {
                protocol.onReadEvent();
            }
        }
    }
};

}  // namespace

TEST_F(Protocol, OpensOnTheFirstTickAndConnectsOnTheNext) {
    protocol.onConnectTimer();
    EXPECT_TRUE(channel.opened);
    EXPECT_EQ(channel.connectCalls, 0);
    protocol.onConnectTimer();
    EXPECT_EQ(channel.connectCalls, 1);
    EXPECT_EQ(channel.lastHost, L"127.0.0.1");
    EXPECT_EQ(channel.lastPort, 4243);
    protocol.onConnectTimer();
    EXPECT_EQ(channel.connectCalls, 2) << "keeps trying while not connected";
    EXPECT_EQ(handlers.calls, Calls{L"noAnswer"});
    channel.connected = true;
    protocol.onConnectTimer();
    EXPECT_EQ(channel.connectCalls, 2);
    EXPECT_EQ(handlers.calls, Calls{L"noAnswer"});
}

TEST_F(Protocol, OpenFailureIsReported) {
    channel.openSucceeds = false;
    protocol.onConnectTimer();
    EXPECT_EQ(handlers.calls, Calls{L"openFailed"});
    EXPECT_EQ(channel.connectCalls, 0);
}

TEST_F(Protocol, CheckTimerCountsFailuresUntilAWriteEvent) {
    protocol.onCheckTimer();
    protocol.onConnectTimer();
    protocol.onCheckTimer();
    protocol.onCheckTimer();
    channel.connected = true;
    protocol.onWriteEvent();
    protocol.onCheckTimer();
    channel.connected = false;
    protocol.onCheckTimer();
    EXPECT_EQ(handlers.calls,
              (Calls{L"checkFailed 1", L"checkFailed 2", L"checkFailed 3", L"connect", L"checkFailed 1"}));
}

TEST_F(Protocol, EachTypeIsAnnouncedOncePerConnection) {
    connect();
    const Messages::StatusQueryMessage query(L"QMV");
    const auto frame = Framing::encodeFrame(query);
    const auto announcement = Framing::encodeFrame(
        Messages::ClassMessage(0x3B01, L"com.morvaine.service.ui.message.StatusQueryMessage"));
    EXPECT_EQ(textOf(announcement).substr(6, 6), "15105|");

    EXPECT_EQ(protocol.sendMessage(&query), static_cast<int>(frame.size()));
    EXPECT_EQ(protocol.sendMessage(&query), static_cast<int>(frame.size()));
    EXPECT_EQ(channel.sent, concat({announcement, frame, frame}));

    // A ClassMessage of our own is never announced itself.
    channel.sent.clear();
    const Messages::ClassMessage direct(0x1234, L"x");
    protocol.sendMessage(&direct);
    EXPECT_EQ(channel.sent, Framing::encodeFrame(direct));

    // A new connection announces again.
    channel.close();
    protocol.onCloseEvent();
    connect();
    channel.sent.clear();
    protocol.sendMessage(&query);
    EXPECT_EQ(channel.sent, concat({announcement, frame}));
}

TEST_F(Protocol, FailedAnnouncementStopsTheMessageAndIsRetried) {
    connect();
    channel.connected = false;  // the system takes no send
    const Messages::ExitingMessage exiting;
    EXPECT_EQ(protocol.sendMessage(&exiting), -1);
    EXPECT_EQ(protocol.sendMessage(nullptr), -1);
    EXPECT_TRUE(channel.sent.empty());
    channel.connected = true;
    EXPECT_EQ(protocol.sendMessage(&exiting), 6);
    EXPECT_EQ(channel.sent, concat({Framing::encodeFrame(Messages::ClassMessage(
                                        0x8FA2, L"com.morvaine.service.ui.message.ExitingMessage")),
                                    Framing::encodeFrame(exiting)}));
}

TEST_F(Protocol, PartialSendGivesUpTheConnectionOnce) {
    LogCapture log;
    connect();
    const Messages::GetComputersMessage get;
    protocol.sendMessage(&get);  // announced and sent whole
    channel.sent.clear();
    channel.sendLimit = 4;
    EXPECT_EQ(protocol.sendMessage(&get), -1);
    EXPECT_FALSE(channel.opened);
    EXPECT_EQ(handlers.calls, Calls{L"close"});
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0],
              L"SEVERE|VaultwickSocket::sendMessage|Unable to send message, the connection took only part of it. error=4");
    protocol.onCloseEvent();  // a late close event adds nothing
    EXPECT_EQ(handlers.calls, Calls{L"close"});

    channel.sendLimit = -1;
    connect();
    channel.sent.clear();
    protocol.sendMessage(&get);
    EXPECT_EQ(textOf(channel.sent).substr(6, 6), "-19328") << "announced again on the new connection";
}

TEST_F(Protocol, EveryReceivedTypeReachesItsHandler) {
    connect();
    channel.deliver(concat({
        frameOf(0x005F, "1|2|3|4|2|5|6|7|8|9|10|11|12|13"),
        frameOf(0xFD63, "x|42,Office PC,10.0.0.7,4242,,false,,,true,,,1500000000000,|7,Laptop,"),
        frameOf(0x1234, "unknown"),
        frameOf(0xFD27, "42"),
        frameOf(0x0A1A, "-42|x"),
        frameOf(0x8063, "-27901|com.morvaine.service.ui.message.UserActivityMessage"),
        frameOf(0xEB44, "a|b"),
        frameOf(0x152F, "true|false|Backup"),
        frameOf(0x2222, "0"),
        frameOf(0x389D, "ignored body"),
    }));
    channel.deliver({0x00, 0x9B, 0x00, 0x00, 0x00, 0x02, '1', '2'});
    readAll();
    EXPECT_EQ(handlers.calls, (Calls{L"stats 1", L"computers 2", L"computerConnected 42", L"computerDisconnected -42",
                                     L"testRepeat", L"statusTray 1 0 Backup", L"trayPopup 0", L"shutdown",
                                     L"alertCount 12"}));
    EXPECT_EQ(handlers.lastStats.nextBackupTime, 0) << "13 ms is 0 s";
    EXPECT_EQ(handlers.lastStats.totalFileCount, 11);
    ASSERT_EQ(handlers.lastComputers.size(), 2u);
    EXPECT_EQ(handlers.lastComputers[0].port, 4242);
    EXPECT_EQ(handlers.lastComputers[1].name, L"Laptop");
}

TEST_F(Protocol, PeerCloseFoundByAReadIsReportedOnceAndDropsThePartFrame) {
    connect();
    const auto frame = frameOf(0x009B, "123");
    channel.deliver({frame.begin(), frame.begin() + 7});
    channel.peerClosed = true;
    readAll();
    EXPECT_FALSE(channel.opened);
    EXPECT_EQ(handlers.calls, Calls{L"close"});
    protocol.onCloseEvent();  // the system's event, should it still come
    EXPECT_EQ(handlers.calls, Calls{L"close"});

    channel.peerClosed = false;
    connect();
    channel.deliver(frameOf(0x009B, "5"));
    readAll();
    EXPECT_EQ(handlers.calls, Calls{L"alertCount 5"}) << "the new connection starts at a header";
}

TEST_F(Protocol, CloseEventMidFrameDropsThePartFrameAndAnnouncements) {
    connect();
    const Messages::AlertRequestMessage request;
    protocol.sendMessage(&request);
    const auto frame = frameOf(0x009B, "123");
    channel.deliver({frame.begin(), frame.begin() + 4});
    readAll();
    channel.close();
    protocol.onCloseEvent();
    protocol.onCloseEvent();
    EXPECT_EQ(handlers.calls, Calls{L"close"});

    connect();
    channel.deliver(frameOf(0x2222, "3"));
    readAll();
    EXPECT_EQ(handlers.calls, Calls{L"trayPopup 3"});
    channel.sent.clear();
    protocol.sendMessage(&request);
    EXPECT_EQ(channel.sent.size(), Framing::encodeFrame(Messages::ClassMessage(0x17DF,
                                      L"com.morvaine.service.ui.message.AlertRequestMessage")).size() + 6);
}

// The tray's log reaches the engine only over a live connection, as the controller's sink does: the
// line about the refused frame must go out before the connection is closed.
TEST_F(Protocol, OverlongBodyLineIsSentBeforeTheConnectionCloses) {
    connect();
    std::vector<std::wstring> sentLines;
    const TrayLog::Sink previous = TrayLog::setSink([&](std::wstring_view level, std::wstring_view source,
                                                        std::wstring_view text) {
        if (!channel.isConnected()) return;
        const std::size_t before = channel.sent.size();
        const Messages::LogMessage line(std::wstring(level), L" ", std::wstring(source), std::wstring(text));
        protocol.sendMessage(&line);
        if (channel.sent.size() > before) sentLines.push_back(std::wstring(text));
    });
    channel.deliver(frameOf(0xFD63, "", Framing::kMaxBodyLength + 1));
    protocol.onReadEvent();
    TrayLog::setSink(previous);
    EXPECT_FALSE(channel.opened);
    EXPECT_EQ(sentLines, std::vector<std::wstring>{L"Unable to receive message, body too long. error=16777217"});
}

TEST_F(Protocol, CloseEventFirstDeliversWhatThePeerSentLast) {
    connect();
    channel.deliver(concat({frameOf(0x009B, "4"), frameOf(0x389D, "")}));
    channel.peerClosed = true;
    protocol.onCloseEvent();
    EXPECT_FALSE(channel.opened);
    EXPECT_EQ(handlers.calls, (Calls{L"alertCount 4", L"shutdown", L"close"}));
}

TEST_F(Protocol, OverlongBodyClosesTheConnectionWithOneSevereLine) {
    LogCapture log;
    connect();
    channel.deliver(frameOf(0xFD63, "", Framing::kMaxBodyLength + 1));
    channel.deliver(std::vector<std::uint8_t>(64, 'x'));
    protocol.onReadEvent();
    EXPECT_FALSE(channel.opened);
    EXPECT_EQ(handlers.calls, Calls{L"close"});
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], L"SEVERE|VaultwickSocket::receiveMessage|Unable to receive message, body too long. error=16777217");

    channel.incoming.clear();  // what the old connection still had in flight
    connect();
    channel.deliver(frameOf(0x009B, "9"));
    readAll();
    EXPECT_EQ(handlers.calls, Calls{L"alertCount 9"});
}

// Whatever one frame makes fail while it is decoded or handled (memory running out, above all)
// costs that frame: the tray neither ends nor drops the connection.
TEST(ProtocolDispatch, AFrameWhoseHandlingThrowsIsDroppedWithASevereLine) {
    struct ThrowingHandlers : RecordingHandlers {
        void onAlertCount(int count) override {
            if (count == 13) throw std::bad_alloc();
            RecordingHandlers::onAlertCount(count);
        }
    };
    LogCapture log;
    FakeChannel channel;
    ThrowingHandlers handlers;
    VaultwickProtocol protocol{channel, L"127.0.0.1", 4243, &handlers, &handlers};
    protocol.onConnectTimer();
    channel.connected = true;
    protocol.onWriteEvent();
    handlers.calls.clear();

    channel.deliver(concat({frameOf(0x009B, "12"), frameOf(0x009B, "13"), frameOf(0x009B, "14")}));
    protocol.onReadEvent();
    EXPECT_EQ(handlers.calls, (Calls{L"alertCount 12", L"alertCount 14"}));
    EXPECT_TRUE(channel.opened);
    EXPECT_EQ(log.lines, std::vector<std::wstring>{
                             L"SEVERE|VaultwickSocket::receiveMessage|Unable to handle message, dropped it. error=155"});
}

// A read event takes what the connection holds, frames split across reads included, and leaves no
// complete frame behind in what it read (no further event would come for it). Its reads are
// bounded; one that used them all pauses reading, so the events its reads left queued (and catching
// up) read nothing until the owner resumes, and the window's queue can empty in between.
TEST_F(Protocol, AReadEventDrainsTheConnectionInBoundedReadsAndPausesWhenDataRemain) {
    connect();
    const auto third = frameOf(0x009B, "3");
    channel.deliver(concat({frameOf(0x009B, "1"), frameOf(0x009B, "2"), {third.begin(), third.begin() + 3}}));
    channel.deliver(concat({{third.begin() + 3, third.end()}, frameOf(0x009B, "4")}));
    protocol.onReadEvent();
    EXPECT_EQ(handlers.calls, (Calls{L"alertCount 1", L"alertCount 2", L"alertCount 3", L"alertCount 4"}));
    EXPECT_FALSE(protocol.readsPaused());  // the last read found nothing

    handlers.calls.clear();
    for (int i = 0; i < 40; ++i) channel.deliver(frameOf(0x009B, std::to_string(i)));
    channel.reads = 0;
    protocol.onReadEvent();
    EXPECT_EQ(channel.reads, 16);
    EXPECT_EQ(handlers.calls.size(), 16u);
    ASSERT_TRUE(protocol.readsPaused());
    protocol.onReadEvent();
    protocol.catchUp();
    EXPECT_EQ(channel.reads, 16);

    protocol.resumeReading();
    EXPECT_EQ(handlers.calls.size(), 32u);
    EXPECT_TRUE(protocol.readsPaused());
    protocol.onCheckTimer();  // the check tick resumes too, should a resume never come
    ASSERT_EQ(handlers.calls.size(), 40u);
    EXPECT_EQ(handlers.calls.back(), L"alertCount 39");
    EXPECT_FALSE(protocol.readsPaused());

    // One read of tiny frames holds thousands: the time their handlers take bounds a drain too, and
    // the frames left complete in what was read come first when reading resumes.
    std::vector<std::uint8_t> tiny;
    for (int i = 0; i < 250; ++i) tiny = concat({tiny, frameOf(0x009B, std::to_string(i % 10))});
    channel.deliver(tiny);
    handlers.calls.clear();
    channel.reads = 0;
    microsecondsPerCall = 500;
    for (const std::size_t dispatched : {100u, 200u, 250u}) {
        if (protocol.readsPaused()) {
            protocol.resumeReading();
        } else {
            protocol.onReadEvent();
        }
        EXPECT_EQ(handlers.calls.size(), dispatched);
    }
    EXPECT_EQ(channel.reads, 2) << "the one read of the frames, and one that found nothing";
    EXPECT_EQ(handlers.calls.back(), L"alertCount 9");
    EXPECT_FALSE(protocol.readsPaused());
    microsecondsPerCall = 0;

    // A connection that ends while paused leaves no pause behind for the next one.
    for (int i = 0; i < 20; ++i) channel.deliver(frameOf(0x009B, "5"));
    protocol.onReadEvent();
    ASSERT_TRUE(protocol.readsPaused());
    protocol.onCloseEvent();
    EXPECT_FALSE(protocol.readsPaused());
}

// Catching up after a lost notification reads like a read event, but never a socket that is still
// connecting: a read there fails, and the attempt would be closed.
TEST_F(Protocol, CatchingUpReadsAConnectedSocketAndLeavesAConnectingOneAlone) {
    protocol.onConnectTimer();
    protocol.onConnectTimer();
    channel.deliver(frameOf(0x009B, "7"));
    channel.reads = 0;
    protocol.catchUp();
    EXPECT_EQ(channel.reads, 0);
    EXPECT_TRUE(channel.opened);

    channel.connected = true;
    protocol.onWriteEvent();
    handlers.calls.clear();
    protocol.catchUp();
    EXPECT_EQ(handlers.calls, (Calls{L"alertCount 7"}));
}

namespace {

// The system as a standard user sees it: the tables name the engine end's owner, the service list
// names 201, and only our user's processes open to read their token's user (and 303, another user's,
// as any process does for an elevated tray).
struct FakeDirectory final : PeerCheck::ProcessDirectory {
    std::uint32_t owner = 0;
    bool tablesReadable = true;
    bool servicesListed = true;
    mutable std::vector<std::uint32_t> opened;

    std::optional<std::vector<PeerCheck::ConnectionRow>> connections() const override {
        if (!tablesReadable) return std::nullopt;
        return std::vector<PeerCheck::ConnectionRow>{{kOurs, kEngine, 100}, {kEngine, kOurs, owner}};
    }
    std::optional<std::vector<std::uint32_t>> servicePids() const override {
        if (!servicesListed) return std::nullopt;
        return std::vector<std::uint32_t>{201};
    }
    std::optional<std::wstring> userOf(std::uint32_t pid) const override {
        opened.push_back(pid);
        if (pid == 100 || pid == 200) return L"S-1-5-21-1";
        if (pid == 303) return L"S-1-5-21-3";
        return std::nullopt;
    }
    std::wstring imageOf(std::uint32_t pid) const override { return pid == 999 ? L"" : std::to_wstring(pid) + L".exe"; }
    std::uint32_t selfPid() const override { return 100; }

    static constexpr PeerCheck::Endpoint kOurs{0x7F000001, 50123};  // as the fake channel's
    static constexpr PeerCheck::Endpoint kEngine{0x7F000001, 4243};
};

class PeerCheckedProtocol : public Protocol {
protected:
    PeerCheckedProtocol() { protocol.checkPeersWith(&directory); }

    // A tick that sends between the TCP handshake and the write event reaches nobody.
    void attempt() {
        protocol.onConnectTimer();
        protocol.onConnectTimer();
        channel.connected = true;
        const Messages::GetBackupStatsSummaryMessage tick;
        EXPECT_EQ(protocol.sendMessage(&tick), -1);
        EXPECT_TRUE(channel.sent.empty());
        protocol.onWriteEvent();
    }

    FakeDirectory directory;
    LogCapture log;
};

}  // namespace

// The engine end's row is the one whose own end is the engine's; the other direction is our socket.
// A dual-stack socket lists an IPv4 peer as ::ffff:a.b.c.d.
TEST(PeerCheck, FindsTheEngineEndsRowAndReadsMappedAddresses) {
    const PeerCheck::Endpoint ours = FakeDirectory::kOurs;
    const PeerCheck::Endpoint engine = FakeDirectory::kEngine;
    const PeerCheck::Endpoint elsewhere[] = {{engine.address, 4244}, {0x7F000002, engine.port}};
    const std::pair<std::vector<PeerCheck::ConnectionRow>, std::optional<std::uint32_t>> cases[] = {
        {{{ours, engine, 100}, {engine, ours, 7}}, 7},
        {{{engine, ours, 7}, {ours, engine, 100}}, 7},
        {{{engine, ours, 0}}, 0},
        {{{ours, engine, 100}, {elsewhere[0], ours, 7}, {elsewhere[1], ours, 8}}, std::nullopt},
    };
    for (const auto& [rows, owner] : cases) EXPECT_EQ(PeerCheck::engineEndOwner(rows, {ours, engine}), owner);

    const std::uint8_t mapped[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 10, 20, 30, 40};
    EXPECT_EQ(PeerCheck::mappedIPv4(mapped), 0x0A141E28u);
    for (int at : {0, 9, 10, 11}) {
        std::uint8_t other[16];
        std::copy(std::begin(mapped), std::end(mapped), other);
        other[at] ^= 1;
        EXPECT_FALSE(PeerCheck::mappedIPv4(other).has_value()) << at;
    }
}

// This process, a running service's process and a program of our own user are believed, in that
// order; any other named owner is refused. Without the tables or the service list: no verdict.
TEST(PeerCheck, DecidesFromWhatAStandardUserMayAsk) {
    using PeerCheck::Verdict;
    const struct {
        std::uint32_t owner;
        bool tables, services;
        Verdict verdict;
        std::wstring image;
        std::vector<std::uint32_t> opened;
    } cases[] = {
        {0, true, true, Verdict::Unverified, L"", {}},
        {100, true, false, Verdict::Accepted, L"", {}},
        {201, true, true, Verdict::Accepted, L"", {}},
        {200, true, true, Verdict::Accepted, L"", {200, 100}},
        {300, true, true, Verdict::Refused, L"300.exe", {300}},
        {302, true, true, Verdict::Refused, L"302.exe", {302}},
        {303, true, true, Verdict::Refused, L"303.exe", {303, 100}},
        {999, true, true, Verdict::Refused, L"", {999}},
        {100, false, true, Verdict::Undecided, L"", {}},
        {200, true, false, Verdict::Undecided, L"", {}},
    };
    for (const auto& c : cases) {
        FakeDirectory directory;
        directory.owner = c.owner;
        directory.tablesReadable = c.tables;
        directory.servicesListed = c.services;
        const auto decision = PeerCheck::decide(directory, {FakeDirectory::kOurs, FakeDirectory::kEngine});
        EXPECT_EQ(decision.verdict, c.verdict) << c.owner;
        EXPECT_EQ(decision.owner.image, c.image) << c.owner;
        EXPECT_EQ(directory.opened, c.opened) << c.owner;
    }
}

// A refused peer gets nothing, not even a read: the connection closes unused and the holder is
// reported, until an attempt finds nothing answering; once the engine answers, the log says who held
// its port.
TEST_F(PeerCheckedProtocol, ARefusedPeerGetsNothingAndIsLoggedOnceTheEngineAnswers) {
    directory.owner = 300;
    channel.deliver(frameOf(0x009B, "5"));
    protocol.onConnectTimer();
    protocol.onConnectTimer();
    channel.connected = true;
    protocol.onReadEvent();  // data before the write event
    EXPECT_EQ(handlers.calls, (Calls{L"close", L"refused 300 300.exe"}));
    EXPECT_EQ(channel.reads, 0);
    EXPECT_FALSE(channel.opened);

    handlers.calls.clear();
    channel.incoming.clear();
    attempt();
    EXPECT_EQ(handlers.calls, (Calls{L"close", L"refused 300 300.exe"}));
    EXPECT_TRUE(channel.sent.empty());
    EXPECT_TRUE(log.lines.empty()) << "a line now would go to the refused peer";

    // The holder has gone: a connect gets no answer within a tick, which is told once per socket.
    handlers.calls.clear();
    for (int tick = 0; tick < 4; ++tick) protocol.onConnectTimer();
    EXPECT_EQ(handlers.calls, Calls{L"noAnswer"});

    handlers.calls.clear();
    directory.owner = 200;
    attempt();
    EXPECT_EQ(handlers.calls, Calls{L"connect"});
    EXPECT_EQ(log.lines, std::vector<std::wstring>{
                             L"WARNING|VaultwickSocket::checkPeer|Another program held the engine's port: process 300 "
                             L"(300.exe). Refused 2 connections to it before this one."});
    channel.deliver(frameOf(0x009B, "6"));
    protocol.onReadEvent();
    EXPECT_EQ(handlers.calls, (Calls{L"connect", L"alertCount 6"}));
}

TEST_F(PeerCheckedProtocol, AConnectionWithNoNamedOwnerGoesOnAndIsLoggedOnce) {
    attempt();
    EXPECT_EQ(handlers.calls, Calls{L"connect"});
    channel.close();
    protocol.onCloseEvent();
    attempt();
    EXPECT_EQ(handlers.calls, (Calls{L"connect", L"close", L"connect"}));
    EXPECT_EQ(log.lines, std::vector<std::wstring>{L"INFO|VaultwickSocket::checkPeer|The system names no owner of the "
                                                   L"engine's end of the connection; the peer is not checked."});
}

// An attempt whose check cannot be made fails unused and names nobody; the engine hears of it.
TEST_F(PeerCheckedProtocol, AnAttemptThatCannotBeCheckedFailsUnused) {
    directory.owner = 100;
    directory.tablesReadable = false;
    attempt();
    directory.tablesReadable = true;
    channel.endsReadable = false;
    attempt();
    channel.endsReadable = true;
    attempt();
    EXPECT_EQ(handlers.calls, (Calls{L"close", L"close", L"connect"}));
    EXPECT_EQ(log.lines, std::vector<std::wstring>{L"WARNING|VaultwickSocket::checkPeer|Unable to check the program at "
                                                   L"the other end of the connection. Gave up 2 connections before "
                                                   L"this one."});
}
