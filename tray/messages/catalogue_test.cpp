#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include <cwchar>

#include "computer_record.h"
#include "incoming_messages.h"
#include "log_capture.h"
#include "outgoing_messages.h"
#include "test_bytes.h"

using namespace Messages;

namespace {

template <typename M>
M receive(const std::string& body) {
    const auto bytes = bytesOf(body);
    return M(bytes.data(), static_cast<std::int32_t>(bytes.size()));
}

struct Expected {
    std::uint16_t typeId;
    const wchar_t* className;
    std::string body;  // without terminator
};

void expectMessage(const Message& m, const Expected& e) {
    SCOPED_TRACE(std::string(e.className, e.className + std::wcslen(e.className)));
    EXPECT_EQ(m.getTypeId(), e.typeId);
    EXPECT_EQ(m.getClassName(), e.className);
    EXPECT_EQ(m.getLength(), static_cast<std::int32_t>(e.body.size()));
    if (m.getLength() > 0) EXPECT_EQ(textOf(m.toBytes()), e.body + '\0');
}

}  // namespace

TEST(Catalogue, OutgoingMessagesCarryTheirIdsNamesAndBodies) {
    expectMessage(LogMessage(L"INFO", L" ", L"VaultwickApp::onMenuClose", L"MENU - Exit..."),
                  {0xAF05, L"com.morvaine.service.ui.message.LogMessage", "INFO|SysTray| |VaultwickApp::onMenuClose|MENU - Exit..."});
    expectMessage(SetMessageTypeMessage(L"com.morvaine.service.ui.message.ITrayMessage", 1700000000123LL),
                  {0x9B0B, L"com.tessik.messaging.ui.message.SetMessageTypeMessage",
                   "com.morvaine.service.ui.message.ITrayMessage|1700000000123"});
    expectMessage(StatusQueryMessage(L"QMV"), {0x3B01, L"com.morvaine.service.ui.message.StatusQueryMessage", "QMV"});
    expectMessage(GetComputersMessage(), {0xB480, L"com.morvaine.service.ui.message.GetComputersMessage", "false"});
    expectMessage(GetBackupStatsSummaryMessage(),
                  {0x5FE5, L"com.morvaine.service.ui.message.GetBackupStatsSummaryMessage", ""});
    expectMessage(AlertRequestMessage(), {0x17DF, L"com.morvaine.service.ui.message.AlertRequestMessage", ""});
    expectMessage(UserActivityMessage(123456u), {0x9303, L"com.morvaine.service.ui.message.UserActivityMessage", "123456"});
    expectMessage(UserActivityMessage(0x80000000u),
                  {0x9303, L"com.morvaine.service.ui.message.UserActivityMessage", "-2147483648"});
    expectMessage(UserActivityMessage(0xFFFFFFFFu), {0x9303, L"com.morvaine.service.ui.message.UserActivityMessage", "-1"});
    expectMessage(PauseSystemMessage(1440), {0xE31B, L"com.morvaine.service.ui.message.PauseSystemMessage", "1440"});
    expectMessage(ResumeSystemMessage(), {0xB7DB, L"com.morvaine.service.ui.message.ResumeSystemMessage", ""});
    expectMessage(ExitingMessage(), {0x8FA2, L"com.morvaine.service.ui.message.ExitingMessage", ""});
    EXPECT_TRUE(ExitingMessage().toBytes().empty());
}

TEST(Catalogue, IncomingMessagesCarryTheirIdsAndNames) {
    expectMessage(receive<TestRepeatMessage>("a|b"), {0xEB44, L"com.morvaine.service.ui.message.TestRepeatMessage", ""});
    EXPECT_TRUE(receive<TestRepeatMessage>("a|b").toBytes().empty());
    EXPECT_EQ(receive<ComputersMessage>("x").getClassName(), L"com.morvaine.service.ui.message.ComputersMessage");
    EXPECT_EQ(ComputersMessage::kTypeId, 0xFD63);
    EXPECT_EQ(ComputerConnectedMessage::kTypeId, 0xFD27);
    EXPECT_EQ(receive<ComputerDisconnectedMessage>("1").getClassName(),
              L"com.morvaine.service.ui.message.ComputerDisconnectedMessage");
    EXPECT_EQ(ComputerDisconnectedMessage::kTypeId, 0x0A1A);
    EXPECT_EQ(StatusTrayMessage::kTypeId, 0x152F);
    EXPECT_EQ(BackupStatsSummaryMessage::kTypeId, 0x005F);
    EXPECT_EQ(AlertCountMessage::kTypeId, 0x009B);
    EXPECT_EQ(TrayPopupMessage::kTypeId, 0x2222);
    EXPECT_EQ(ShutdownMessage::kTypeId, 0x389D);
    EXPECT_EQ(ShutdownMessage(nullptr, 99).getLength(), 0);
}

TEST(Catalogue, StatusTrayAndComputerIdsDecode) {
    auto status = receive<StatusTrayMessage>("true|false|Backup");
    EXPECT_TRUE(status.loggedIn);
    EXPECT_FALSE(status.upgrading);
    EXPECT_EQ(status.applicationName, L"Backup");
    auto partial = receive<StatusTrayMessage>("yes");
    EXPECT_FALSE(partial.loggedIn);
    EXPECT_EQ(partial.applicationName, L"");

    EXPECT_EQ(receive<ComputerConnectedMessage>("-9000000000123|x").getComputerId(), -9000000000123LL);
    EXPECT_EQ(receive<AlertCountMessage>("7").getInt(), 7);
    EXPECT_EQ(receive<TrayPopupMessage>("0").getInt(), 0);
}

// A message keeps only the tokens it reads, so a body of a million separators costs what they are
// worth; the application name is cut where it would become a path.
TEST(Catalogue, IncomingMessagesKeepOnlyTheTokensTheyRead) {
    const std::string bars(1 << 20, '|');
    const struct {
        const char* name;
        std::size_t tokens;
        std::size_t kept;
    } cases[] = {
        {"statistics", receive<BackupStatsSummaryMessage>("1|2|3|4|5|6|7|8|9|10|11|12|13|14|15" + bars).getTokenCount(), 14},
        {"status", receive<StatusTrayMessage>("true|false|App" + bars).getTokenCount(), 3},
        {"connected", receive<ComputerConnectedMessage>("42" + bars).getTokenCount(), 1},
        {"disconnected", receive<ComputerDisconnectedMessage>("42" + bars).getTokenCount(), 1},
    };
    for (const auto& c : cases) EXPECT_EQ(c.tokens, c.kept) << c.name;
    EXPECT_EQ(receive<BackupStatsSummaryMessage>("1|2|3|4|5|6|7|8|9|10|11|12|13|14|15").getStats().nextBackupTime, 0);

    const auto status = receive<StatusTrayMessage>("true|true|" + std::string(8 << 20, 'n') + "|x");
    EXPECT_TRUE(status.upgrading);
    EXPECT_EQ(status.applicationName.size(), StatusTrayMessage::kMaxApplicationNameChars);
    EXPECT_EQ(status.applicationName.find_first_not_of(L'n'), std::wstring::npos);
    // Tokens after a cut one are still kept whole and in their places.
    const auto cutFirst = receive<StatusTrayMessage>(std::string(300, 't') + "|true|App");
    EXPECT_TRUE(cutFirst.upgrading);
    EXPECT_EQ(cutFirst.applicationName, L"App");
}

TEST(ComputerRecord, DecodesTheTwelveFields) {
    const std::wstring token = L"42,Office PC,10.0.0.7,4242,,false,,,true,,,1500000000000,";
    Computer c = decodeComputer(token);
    EXPECT_EQ(c.id, 42);
    EXPECT_EQ(c.name, L"Office PC");
    EXPECT_EQ(c.address, L"10.0.0.7");
    EXPECT_EQ(c.port, 4242);
    EXPECT_TRUE(c.isDestination);
    EXPECT_FALSE(c.isSelf);
    EXPECT_TRUE(c.online);

    // The last character always ends the last field, even when it is not a comma.
    Computer cut = decodeComputer(token.substr(0, token.size() - 1));
    EXPECT_TRUE(cut.online) << "150000000000 ms is still positive";
    EXPECT_EQ(decodeComputer(L"7,Name").name, L"Nam");

    Computer flags = decodeComputer(L"1,,,,x,true,true,true,false,true,x,,13,14,");
    EXPECT_TRUE(flags.isSelf);
    EXPECT_TRUE(flags.flag7);
    EXPECT_TRUE(flags.flag8);
    EXPECT_FALSE(flags.isDestination);
    EXPECT_TRUE(flags.flag10);
    EXPECT_FALSE(flags.online);
}

TEST(ComputerRecord, EmptyNullAndShortValuesKeepDefaults) {
    Computer c = decodeComputer(L"null,null,,null,");
    EXPECT_EQ(c.id, -1);
    EXPECT_EQ(c.name, L"");
    EXPECT_EQ(c.port, 0);
    EXPECT_EQ(decodeComputer(L",,,,,,,,,,,,,,,").id, -1);
    EXPECT_EQ(decodeComputer(L"").id, -1);
    EXPECT_EQ(decodeComputer(L"5").id, -1) << "the only character ends field 1 and is dropped";
    EXPECT_FALSE(decodeComputer(L"1,,,,,,,,,,,999,").online);
    EXPECT_FALSE(decodeComputer(L"1,,,,,,,,,,,-5000,").online);
    EXPECT_TRUE(decodeComputer(L"1,,,,,,,,,,,1000,").online);
    // Field 13 and later are never read, even when they look like earlier fields.
    EXPECT_EQ(decodeComputer(L"1,a,,,,,,,,,,,2,b,").name, L"a");
}

TEST(ComputersMessage, EveryTokenAfterTheFirstIsOneComputer) {
    EXPECT_TRUE(receive<ComputersMessage>("x").getComputers().empty());
    EXPECT_TRUE(receive<ComputersMessage>("").getComputers().empty());

    auto one = receive<ComputersMessage>("x|42,Office PC,10.0.0.7,4242,,false,,,true,,,1500000000000,").getComputers();
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].name, L"Office PC");

    auto two = receive<ComputersMessage>("hdr|1,a,||2,b,||").getComputers();
    ASSERT_EQ(two.size(), 2u) << "empty tokens are not computers";
    EXPECT_EQ(two[0].id, 1);
    EXPECT_EQ(two[1].name, L"b");
}

// The peer chooses the body; what the tray keeps of it must not grow with it.
TEST(ComputersMessage, KeepsABoundedListWhateverTheBody) {
    LogCapture log;
    const ComputersMessage bars = receive<ComputersMessage>(std::string(1 << 20, '|'));
    EXPECT_TRUE(bars.getComputers().empty()) << "a body of separators keeps nothing";
    EXPECT_TRUE(log.lines.empty());

    // Only the computers the menu lists count toward its bound: destinations after 256 other
    // records still arrive, and the others are kept up to a larger bound.
    auto list = [](int others, int destinations) {
        std::string body = "hdr";
        for (int i = 1; i <= others; ++i) body += "|" + std::to_string(i) + ",self,,,,true,,,true,";
        for (int i = 1; i <= destinations; ++i) body += "|" + std::to_string(-i) + ",pc" + std::to_string(i) + ",,,,,,,true,";
        return receive<ComputersMessage>(body);
    };
    const struct {
        int others, destinations;
        std::size_t kept, dropped;
        const wchar_t* last;
    } cases[] = {
        {300, 10, 310, 0, L"pc10"},
        {0, 300, 256, 44, L"pc256"},
        {300, 300, 556, 44, L"pc256"},
        {2100, 0, ComputersMessage::kMaxComputers, 52, L"self"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.others);
        const ComputersMessage message = list(c.others, c.destinations);
        ASSERT_EQ(message.getComputers().size(), c.kept);
        EXPECT_EQ(message.getComputers().back().name, c.last);
        EXPECT_EQ(message.droppedComputers(), c.dropped);
    }
    ASSERT_EQ(log.lines.size(), 3u);
    EXPECT_EQ(log.lines[0], L"WARNING|Messages::ComputersMessage::ComputersMessage|"
                            L"Kept 256 computers of the list (256 for the menu), dropped 44.");

    const auto huge = receive<ComputersMessage>("hdr|7," + std::string(100000, 'n') + "," +
                                                std::string(100000, 'a') + ",").getComputers();
    ASSERT_EQ(huge.size(), 1u);
    EXPECT_EQ(huge[0].name, std::wstring(1024, L'n'));
    EXPECT_EQ(huge[0].address, std::wstring(1024, L'a'));
}

TEST(BackupStats, FourteenTokensInOrder) {
    auto m = receive<BackupStatsSummaryMessage>(
        "21|5|6|1700000000999|1|11|12|13|2048|4096|8192|40|1600000000500|1800000000999");
    BackupStats s = m.getStats();
    EXPECT_FALSE(s.empty);
    EXPECT_EQ(s.flags, 21);
    EXPECT_TRUE(s.showsActivity());
    EXPECT_EQ(s.remainingFileCount, 5);
    EXPECT_EQ(s.token2Count, 6);
    EXPECT_EQ(s.pausedUntil, 1700000000);
    EXPECT_EQ(s.healthLevel, 1);
    EXPECT_EQ(s.receivingFromComputerId, 11);
    EXPECT_EQ(s.backupTargetComputerId, 12);
    EXPECT_EQ(s.restoringFromComputerId, 13);
    EXPECT_EQ(s.bytesPerSecond, 2048);
    EXPECT_EQ(s.remainingBytes, 4096);
    EXPECT_EQ(s.totalBytes, 8192);
    EXPECT_EQ(s.totalFileCount, 40);
    EXPECT_EQ(s.lastBackupTime, 1600000000);
    EXPECT_EQ(s.nextBackupTime, 1800000000);
}

TEST(BackupStats, MissingTokensReadMinusOneAndTimesZero) {
    BackupStats s = receive<BackupStatsSummaryMessage>("4|0|0|0|2").getStats();
    EXPECT_FALSE(s.empty);
    EXPECT_EQ(s.healthLevel, 2);
    EXPECT_FALSE(s.showsActivity());
    EXPECT_EQ(s.receivingFromComputerId, -1);
    EXPECT_EQ(s.restoringFromComputerId, -1);
    EXPECT_EQ(s.bytesPerSecond, -1);
    EXPECT_EQ(s.totalBytes, -1);
    EXPECT_EQ(s.totalFileCount, -1);
    EXPECT_EQ(s.lastBackupTime, 0);
    EXPECT_EQ(s.nextBackupTime, 0);
}
