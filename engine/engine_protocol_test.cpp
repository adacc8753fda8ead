// The reference engine itself, driven over its control line while this test plays the tray on a
// real loopback connection. Runs natively and, in the win32 tree, under Wine (where the engine is
// started from the Windows side).
#include "engine_control.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

namespace {

constexpr int kWaitMs = 10000;

struct WireFrame {
    std::uint16_t type = 0;
    std::int32_t length = 0;
    std::string body;
};

std::string header(std::uint16_t type, std::int32_t length) {
    auto u = static_cast<std::uint32_t>(length);
    return {static_cast<char>(type >> 8), static_cast<char>(type), static_cast<char>(u >> 24),
            static_cast<char>(u >> 16),   static_cast<char>(u >> 8), static_cast<char>(u)};
}

std::string frame(std::uint16_t type, const std::string& body) {
    return header(type, static_cast<std::int32_t>(body.size())) + body;
}

std::string announcement(std::int16_t signedId, const std::string& className) {
    return frame(0x8063, std::to_string(signedId) + "|" + className);
}

const std::string kUi = "com.morvaine.service.ui.message.";

// The tray's side of one connection: raw frames out, frames parsed back in.
class TrayPeer {
public:
    explicit TrayPeer(int port) : link_(connectLoopback(port, &error_)) {}
    bool connected() const { return link_ != nullptr; }
    const std::string& error() const { return error_; }
    bool send(const std::string& bytes) { return link_->sendAll(bytes); }

    // Reads until `count` whole frames are there; fewer when the time is up or the peer closed.
    std::vector<WireFrame> read(std::size_t count, int timeoutMs = kWaitMs) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        std::vector<WireFrame> frames;
        while (true) {
            while (frames.size() < count && takeFrame(frames)) {
            }
            if (frames.size() >= count || !fill(deadline)) return frames;
        }
    }

    // True when the engine ends the connection before the time is up.
    bool closedByEngine(int timeoutMs = kWaitMs) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (fill(deadline)) buffer_.clear();
        return peerClosed_;
    }

private:
    bool fill(std::chrono::steady_clock::time_point deadline) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || peerClosed_) return false;
        char chunk[65536];
        int n = link_->receiveSome(chunk, sizeof chunk, static_cast<int>(left.count()));
        if (n == 0) peerClosed_ = true;
        if (n <= 0) return false;
        buffer_.append(chunk, static_cast<std::size_t>(n));
        return true;
    }

    bool takeFrame(std::vector<WireFrame>& out) {
        if (buffer_.size() < 6) return false;
        auto byte = [this](int i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(buffer_[i])); };
        WireFrame f;
        f.type = static_cast<std::uint16_t>(byte(0) << 8 | byte(1));
        f.length = static_cast<std::int32_t>(byte(2) << 24 | byte(3) << 16 | byte(4) << 8 | byte(5));
        if (f.length < 0 || buffer_.size() < 6 + static_cast<std::size_t>(f.length)) return false;
        f.body = buffer_.substr(6, static_cast<std::size_t>(f.length));
        buffer_.erase(0, 6 + static_cast<std::size_t>(f.length));
        out.push_back(std::move(f));
        return true;
    }

    std::string error_;
    std::unique_ptr<EngineLink> link_;
    std::string buffer_;
    bool peerClosed_ = false;
};

class EngineProtocolTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        engine_ = startEngine({}, &error);
        ASSERT_NE(engine_, nullptr) << error;
    }

    std::unique_ptr<TrayPeer> connectTray(int expectedConnections) {
        auto peer = std::make_unique<TrayPeer>(engine_->trayPort());
        EXPECT_TRUE(peer->connected()) << peer->error();
        EXPECT_TRUE(engine_->waitConnections(expectedConnections, kWaitMs)) << engine_->lastReply();
        return peer;
    }

    std::unique_ptr<EngineControl> engine_;
};

std::vector<std::uint16_t> typesOf(const std::vector<WireFrame>& frames) {
    std::vector<std::uint16_t> types;
    for (const auto& f : frames) types.push_back(f.type);
    return types;
}

TEST_F(EngineProtocolTest, RecordsTheHandshakeInOrderAndAnswersEachRequest) {
    auto tray = connectTray(1);
    const std::string log = "INFO|SysTray| |VaultwickApp::onSocketConnect|Connecting to VaultwickService...";
    const std::string accented = "INFO|SysTray| |VaultwickApp::onSocketConnect|caf\xe9";
    std::string handshake = announcement(-20731, kUi + "LogMessage") + frame(0xAF05, log) +
                            announcement(15105, kUi + "StatusQueryMessage") + frame(0x3B01, "QMV") +
                            announcement(-19328, kUi + "GetComputersMessage") + frame(0xB480, "false") +
                            announcement(24549, kUi + "GetBackupStatsSummaryMessage") + frame(0x5FE5, "") +
                            announcement(6111, kUi + "AlertRequestMessage") + frame(0x17DF, "") +
                            frame(0xAF05, accented) + frame(0xB7DB, "");  // the last one never announced
    ASSERT_TRUE(tray->send(handshake));
    ASSERT_TRUE(engine_->waitFrames(12, kWaitMs)) << engine_->lastReply();

    auto record = engine_->record();
    ASSERT_EQ(record.size(), 12u);
    const std::vector<std::uint16_t> expected = {0x8063, 0xAF05, 0x8063, 0x3B01, 0x8063, 0xB480,
                                                 0x8063, 0x5FE5, 0x8063, 0x17DF, 0xAF05, 0xB7DB};
    for (std::size_t i = 0; i < record.size(); ++i) {
        EXPECT_EQ(record[i].seq, static_cast<int>(i + 1));
        EXPECT_EQ(record[i].connection, 1);
        EXPECT_EQ(record[i].typeId, expected[i]) << "frame " << i;
    }
    EXPECT_EQ(record[0].tokens(), (std::vector<std::string>{"-20731", kUi + "LogMessage"}));
    EXPECT_EQ(record[1].className, kUi + "LogMessage");
    EXPECT_TRUE(record[1].announced);
    EXPECT_EQ(record[1].tokens(), (std::vector<std::string>{"INFO", "SysTray", " ", "VaultwickApp::onSocketConnect",
                                                            "Connecting to VaultwickService..."}));
    EXPECT_EQ(record[3].body, "QMV");
    EXPECT_EQ(record[7].length, 0);
    EXPECT_EQ(record[7].tokens(), std::vector<std::string>{""});
    EXPECT_EQ(record[10].body, accented);  // Latin-1 byte kept exactly
    EXPECT_FALSE(record[11].announced);
    EXPECT_EQ(record[11].className, kUi + "ResumeSystemMessage");

    // Each answer comes after the engine's announcement of its type.
    auto answers = tray->read(8);
    ASSERT_EQ(typesOf(answers), (std::vector<std::uint16_t>{0x8063, 0x152F, 0x8063, 0xFD63, 0x8063, 0x005F, 0x8063,
                                                              0x009B}));
    EXPECT_EQ(answers[0].body, "5423|" + kUi + "StatusTrayMessage");
    EXPECT_EQ(answers[1].body, "true|false|Vaultwick");
    EXPECT_EQ(answers[4].body, "95|" + kUi + "BackupStatsSummaryMessage");
    EXPECT_EQ(answers[7].body, "0");

    // A second request on the same connection is answered without a new announcement, with the
    // body set by the test.
    ASSERT_TRUE(engine_->setReply("status", "false|true|Other"));
    ASSERT_TRUE(tray->send(frame(0x3B01, "QMV")));
    auto again = tray->read(1);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].type, 0x152F);
    EXPECT_EQ(again[0].body, "false|true|Other");

    // The engine's own account of what it wrote matches what arrived, frame for frame.
    answers.push_back(again[0]);
    auto sent = engine_->sent();
    ASSERT_EQ(sent.size(), answers.size());
    for (std::size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(sent[i].typeId, answers[i].type);
        EXPECT_EQ(sent[i].body, answers[i].body);
    }
    EXPECT_EQ(sent[1].className, kUi + "StatusTrayMessage");
}

TEST_F(EngineProtocolTest, PushesEveryCatalogueMessageWithItsTypeAndExactBody) {
    auto tray = connectTray(1);
    ASSERT_TRUE(engine_->setAnnounce(false));
    const std::vector<std::pair<std::string, std::uint16_t>> pushes = {
        {"stats", 0x005F},        {"computers", 0xFD63},   {"alerts", 0x009B},
        {"popup", 0x2222},        {"shutdown", 0x389D},    {"testrepeat", 0xEB44},
        {"StatusTrayMessage", 0x152F}, {"connected", 0xFD27}, {kUi + "ComputerDisconnectedMessage", 0x0A1A},
        {"0x4242", 0x4242}};
    for (const auto& [name, type] : pushes) ASSERT_TRUE(engine_->send(name, "a| b|")) << name;
    ASSERT_TRUE(engine_->send("popup", std::string("line\nbreak\r\xe9", 12)));  // goes as hex
    ASSERT_TRUE(engine_->send("shutdown"));

    auto got = tray->read(pushes.size() + 2);
    ASSERT_EQ(got.size(), pushes.size() + 2);
    for (std::size_t i = 0; i < pushes.size(); ++i) {
        EXPECT_EQ(got[i].type, pushes[i].second) << pushes[i].first;
        EXPECT_EQ(got[i].body, "a| b|");
    }
    EXPECT_EQ(got[pushes.size()].body, std::string("line\nbreak\r\xe9", 12));
    EXPECT_EQ(got[pushes.size() + 1].length, 0);

    EXPECT_FALSE(engine_->send("noSuchMessage", "x"));
    EXPECT_EQ(engine_->lastReply().rfind("ERR", 0), 0u);

    // A flood arrives whole and in order; raw bytes arrive untouched.
    ASSERT_TRUE(engine_->flood(2000, "stats", "1|2|3"));
    const std::string raw = header(0x009B, -5) + std::string("\x00\xff", 2);
    ASSERT_TRUE(engine_->sendRaw(raw));
    auto flood = tray->read(2000);
    ASSERT_EQ(flood.size(), 2000u);
    for (const auto& f : flood) ASSERT_TRUE(f.type == 0x005F && f.body == "1|2|3");
    auto rawFrames = tray->read(1, 500);  // a negative length is not a frame for this reader
    EXPECT_TRUE(rawFrames.empty());
}

TEST_F(EngineProtocolTest, BadLengthIsRecordedAndEndsOnlyThatConnection) {
    auto first = connectTray(1);
    ASSERT_TRUE(first->send(announcement(15105, "first.Name") + header(0x3B01, -1) + frame(0x3B01, "lost")));
    EXPECT_TRUE(first->closedByEngine());
    ASSERT_TRUE(engine_->waitClosed(1, kWaitMs));

    auto second = connectTray(2);
    ASSERT_TRUE(second->send(frame(0x3B01, "QMV") + header(0x2222, 16 * 1024 * 1024 + 1)));
    EXPECT_TRUE(second->closedByEngine());
    ASSERT_TRUE(engine_->waitClosed(2, kWaitMs));

    auto third = connectTray(3);
    ASSERT_TRUE(third->send(frame(0xAF05, "still|fine")));
    ASSERT_TRUE(engine_->waitFrames(5, kWaitMs)) << engine_->lastReply();

    auto record = engine_->record();
    ASSERT_EQ(record.size(), 5u);
    EXPECT_EQ(record[1].length, -1);
    EXPECT_EQ(record[1].className, "first.Name");  // named by that connection's announcement
    EXPECT_TRUE(record[1].announced);
    // The announcement of connection 1 does not name frames of connection 2.
    EXPECT_EQ(record[2].connection, 2);
    EXPECT_FALSE(record[2].announced);
    EXPECT_EQ(record[2].className, kUi + "StatusQueryMessage");
    EXPECT_EQ(record[3].length, 16 * 1024 * 1024 + 1);
    EXPECT_EQ(record[3].body, "");
    EXPECT_EQ(record[4].connection, 3);
    EXPECT_EQ(record[4].tokens(), (std::vector<std::string>{"still", "fine"}));
}

TEST_F(EngineProtocolTest, CloseGoAwayAndComeBack) {
    auto tray = connectTray(1);
    EXPECT_TRUE(engine_->closeConnection());
    EXPECT_TRUE(tray->closedByEngine());
    EXPECT_TRUE(engine_->waitClosed(1, kWaitMs));
    EXPECT_FALSE(engine_->closeConnection());  // nothing left to close
    EXPECT_FALSE(engine_->send("popup", "0"));

    auto kept = connectTray(2);
    ASSERT_TRUE(engine_->goAway());
    EXPECT_TRUE(kept->closedByEngine());
    EXPECT_NE(engine_->command("STATE").find("listening=0"), std::string::npos) << engine_->lastReply();
    {
        // Normally refused; on a busy machine the free port may briefly belong to someone else (or
        // the client may meet itself), so what counts is that the engine accepted nothing.
        TrayPeer knock(engine_->trayPort());
        EXPECT_FALSE(engine_->waitConnections(3, 300));
    }

    ASSERT_TRUE(engine_->comeBack());
    auto back = connectTray(3);  // the refused attempt was never accepted
    ASSERT_TRUE(engine_->send("popup", "0"));
    auto got = back->read(2);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].type, 0x8063);  // a new connection hears the announcement again
    EXPECT_EQ(got[1].type, 0x2222);
}

TEST_F(EngineProtocolTest, WaitsEndAtTheirLimitAndClearKeepsNumbering) {
    auto tray = connectTray(1);
    EXPECT_FALSE(engine_->waitFrames(1, 200));
    EXPECT_EQ(engine_->lastReply(), "TIMEOUT frames=0");
    EXPECT_FALSE(engine_->waitType("exiting", 1, 200));

    ASSERT_TRUE(tray->send(frame(0x8FA2, "") + frame(0x8FA2, "")));
    EXPECT_TRUE(engine_->waitType("ExitingMessage", 2, kWaitMs)) << engine_->lastReply();
    ASSERT_TRUE(engine_->clear());
    EXPECT_TRUE(engine_->record().empty());
    ASSERT_TRUE(tray->send(frame(0x9303, "-5")));
    ASSERT_TRUE(engine_->waitFrames(1, kWaitMs));
    auto record = engine_->record();
    ASSERT_EQ(record.size(), 1u);
    EXPECT_EQ(record[0].seq, 3);
    EXPECT_TRUE(engine_->record(4).empty());
    EXPECT_EQ(engine_->command("BOGUS"), "ERR unknown command BOGUS");
}

}  // namespace
