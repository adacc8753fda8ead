#include "engine_requests.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vaultwick_menu_model.h"

namespace {

struct Sent {
    std::uint16_t typeId;
    std::wstring className;
    std::string body;
};

struct RecordingSender {
    std::vector<Sent> sent;
    EngineRequests::Send sender() {
        return [this](const Messages::Message& m) {
            Messages::Bytes bytes = m.toBytes();
            std::string body(bytes.begin(), bytes.begin() + m.getLength());
            sent.push_back({m.getTypeId(), m.getClassName(), body});
        };
    }
};

TEST(Handshake, RequestsInOrderWithTheStartTime) {
    RecordingSender engine;
    EngineRequests::sendHandshake(engine.sender(), EngineRequests::startTimeMillis(1700000000));
    ASSERT_EQ(engine.sent.size(), 5u);
    EXPECT_EQ(engine.sent[0].typeId, 0x9B0B);
    EXPECT_EQ(engine.sent[0].body, "com.morvaine.service.ui.message.ITrayMessage|1700000000000");
    EXPECT_EQ(engine.sent[1].typeId, 0x3B01);
    EXPECT_EQ(engine.sent[1].body, "QMV");
    EXPECT_EQ(engine.sent[2].typeId, 0xB480);
    EXPECT_EQ(engine.sent[2].body, "false");
    EXPECT_EQ(engine.sent[3].typeId, 0x5FE5);
    EXPECT_EQ(engine.sent[3].body, "");
    EXPECT_EQ(engine.sent[4].typeId, 0x17DF);
    EXPECT_EQ(engine.sent[4].className, L"com.morvaine.service.ui.message.AlertRequestMessage");
}

TEST(EngineLog, SentOnlyWhileConnectedAndNeverFine) {
    RecordingSender engine;
    bool connected = false;
    TrayLog::Sink previous = TrayLog::setSink(EngineRequests::engineLogSink([&] { return connected; }, engine.sender()));
    trayLog(L"INFO", L"VaultwickApp::onMenuClose", L"before connecting");
    connected = true;
    trayLog(L"INFO", L"VaultwickApp::onMenuClose", L"MENU - Exit...");
    trayLog(L"FINE", L"VaultwickApp::onMenuComputer", L"Show computer command is \"Desktop\"");
    trayLogCode(L"SEVERE", L"X::y", L"Unable to do it.", -7);
    connected = false;
    trayLog(L"WARNING", L"X::y", L"after the close");
    TrayLog::setSink(std::move(previous));

    ASSERT_EQ(engine.sent.size(), 2u);
    EXPECT_EQ(engine.sent[0].typeId, 0xAF05);
    EXPECT_EQ(engine.sent[0].body, "INFO|SysTray| |VaultwickApp::onMenuClose|MENU - Exit...");
    EXPECT_EQ(engine.sent[1].body, "SEVERE|SysTray| |X::y|Unable to do it. error=-7");
}

TEST(EngineLog, ALineLoggedWhileSendingIsDroppedNotRecursed) {
    int sends = 0;
    TrayLog::Sink previous = TrayLog::setSink(EngineRequests::engineLogSink(
        [] { return true; },
        [&](const Messages::Message&) {
            ++sends;
            trayLog(L"SEVERE", L"VaultwickSocket::sendMessage", L"Unable to send message.");
        }));
    trayLog(L"INFO", L"A::b", L"one line");
    trayLog(L"INFO", L"A::b", L"another");
    TrayLog::setSink(std::move(previous));
    EXPECT_EQ(sends, 2);
}

TEST(Pause, DialogResultsBecomeMinutesNothingOrAFailure) {
    using Kind = EngineRequests::PauseDecision::Kind;
    EXPECT_EQ(EngineRequests::pauseDecisionFor(48).kind, Kind::Pause);
    EXPECT_EQ(EngineRequests::pauseDecisionFor(48).minutes, 2880);
    EXPECT_EQ(EngineRequests::pauseDecisionFor(1).minutes, 60);
    EXPECT_EQ(EngineRequests::pauseDecisionFor(SleepChoice::kCancelled).kind, Kind::Nothing);
    EXPECT_EQ(EngineRequests::pauseDecisionFor(0).kind, Kind::Failed);
    EXPECT_EQ(EngineRequests::pauseDecisionFor(-1).kind, Kind::Failed);
}

}  // namespace
