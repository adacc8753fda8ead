#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "class_message.h"
#include "decimal.h"
#include "log_capture.h"
#include "string_message.h"
#include "test_bytes.h"
#include "token_message.h"

using namespace Messages;

namespace {

// TokenMessage and StringMessage leave their identity to subclasses; these give them one.
class Tokens : public TokenMessage {
public:
    using TokenMessage::TokenMessage;
    Tokens(std::initializer_list<std::wstring> tokens) {
        for (const auto& t : tokens) appendToken(t);
    }
    std::uint16_t getTypeId() const override { return 1; }
    std::wstring getClassName() const override { return L"t"; }
};

class Text : public StringMessage {
public:
    using StringMessage::StringMessage;
    std::uint16_t getTypeId() const override { return 2; }
    std::wstring getClassName() const override { return L"s"; }
};

Tokens receivedTokens(const std::string& body) {
    const auto bytes = bytesOf(body);
    return Tokens(bytes.data(), static_cast<std::int32_t>(bytes.size()));
}

Text receivedText(const std::string& body) {
    const auto bytes = bytesOf(body);
    return Text(bytes.data(), static_cast<std::int32_t>(bytes.size()));
}

}  // namespace

TEST(TokenBody, EncodesTokensJoinedByBarsWithATerminator) {
    Tokens log{L"INFO", L"SysTray", L" "};
    EXPECT_EQ(log.getLength(), 14);
    EXPECT_EQ(textOf(log.toBytes()), std::string("INFO|SysTray| \0", 15));

    EXPECT_EQ(Tokens{L""}.getLength(), 0);
    EXPECT_EQ(textOf(Tokens{L""}.toBytes()), std::string("\0", 1));
    EXPECT_EQ(Tokens{}.getLength(), 0);
    Tokens empties{L"", L"", L"x"};
    EXPECT_EQ(empties.getLength(), 3);
    EXPECT_EQ(textOf(empties.toBytes()), std::string("||x\0", 4));
}

TEST(TokenBody, SplitsAtEveryBarKeepingEmptyTokens) {
    auto a = receivedTokens("a|b|");
    ASSERT_EQ(a.getTokenCount(), 3u);
    EXPECT_EQ(a.getString(0), L"a");
    EXPECT_EQ(a.getString(1), L"b");
    EXPECT_EQ(a.getString(2), L"");

    auto b = receivedTokens("a||b");
    ASSERT_EQ(b.getTokenCount(), 3u);
    EXPECT_EQ(b.getString(1), L"");
    EXPECT_EQ(b.getString(2), L"b");

    auto empty = receivedTokens("");
    EXPECT_EQ(empty.getTokenCount(), 1u);
    EXPECT_EQ(empty.getString(0), L"");

    auto zero = receivedTokens(std::string("ab|c\0d|e", 8));
    ASSERT_EQ(zero.getTokenCount(), 2u) << "decoding stops at the zero byte";
    EXPECT_EQ(zero.getString(1), L"c");
}

TEST(TokenBody, AccessorsAndTheirMissingValues) {
    auto m = receivedTokens("true|false|abc");
    EXPECT_TRUE(m.getBool(0));
    EXPECT_FALSE(m.getBool(1));
    EXPECT_EQ(m.getString(2), L"abc");
    EXPECT_EQ(m.getString(3), L"");
    EXPECT_EQ(m.getInt(3), -1);
    EXPECT_EQ(m.getLong(3), -1);
    EXPECT_FALSE(m.getBool(7));
    EXPECT_EQ(m.getInt(2), 0);

    auto cases = receivedTokens("True|TRUE|true |12abc| -7|5000000000|\t+42");
    EXPECT_FALSE(cases.getBool(0));
    EXPECT_FALSE(cases.getBool(1));
    EXPECT_FALSE(cases.getBool(2)) << "the whole token must be true";
    EXPECT_EQ(cases.getInt(3), 12);
    EXPECT_EQ(cases.getInt(4), -7);
    EXPECT_EQ(cases.getLong(5), 5000000000LL);
    EXPECT_EQ(cases.getInt(6), 42);
}

TEST(DecimalReading, ClampsOutOfRangeValuesToTheLimits) {
    EXPECT_EQ(Decimal::toInt32(L"5000000000"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(Decimal::toInt32(L"-5000000000"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(Decimal::toInt32(L"2147483647"), 2147483647);
    EXPECT_EQ(Decimal::toInt32(L"-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(Decimal::toInt64(L"9223372036854775807"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(Decimal::toInt64(L"-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(Decimal::toInt64(L"99999999999999999999999"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(Decimal::toInt64(L"-99999999999999999999999x"), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(Decimal::toInt64(L"-"), 0);
    EXPECT_EQ(Decimal::toInt64(L"- 5"), 0);
    EXPECT_EQ(Decimal::toInt64(L""), 0);
}

// Up to 18 digits are read without overflow checks; longer runs take the checked path.
TEST(DecimalReading, DigitCountsAroundTheUncheckedLength) {
    EXPECT_EQ(Decimal::toInt64(L"999999999999999999"), 999999999999999999LL);
    EXPECT_EQ(Decimal::toInt64(L"-999999999999999999"), -999999999999999999LL);
    EXPECT_EQ(Decimal::toInt64(L"1000000000000000000"), 1000000000000000000LL);
    EXPECT_EQ(Decimal::toInt64(L"0000000000000000000000042"), 42) << "leading zeros do not overflow";
    EXPECT_EQ(Decimal::toInt32(L"999999999999999999"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(Decimal::toInt32(L"-2147483649"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(Decimal::toInt32(L" \t+17,3"), 17);
}

// Outgoing tokens are kept as given, even one holding the separator (it cannot be carried apart).
TEST(TokenBody, OutgoingTokensKeepTheirBoundaries) {
    Tokens tokens{L"a|b", L"", L"c"};
    EXPECT_EQ(tokens.getTokenCount(), 3u);
    EXPECT_EQ(tokens.getString(0), L"a|b");
    EXPECT_EQ(tokens.getString(1), L"");
    EXPECT_EQ(tokens.getString(2), L"c");
    EXPECT_EQ(textOf(tokens.toBytes()), std::string("a|b||c\0", 7));
    EXPECT_EQ(tokens.getLength(), 6);
    Tokens none{};
    EXPECT_EQ(none.getTokenCount(), 0u);
    EXPECT_EQ(none.getLength(), 0);
}

TEST(StringBody, RoundTripAndNumber) {
    auto twelve = receivedText("12");
    EXPECT_EQ(twelve.getText(), L"12");
    EXPECT_EQ(twelve.getInt(), 12);
    EXPECT_EQ(receivedText(std::string("ab\0cd", 5)).getText(), L"ab");

    Text out(L"false");
    EXPECT_EQ(out.getLength(), 5);
    EXPECT_EQ(textOf(out.toBytes()), std::string("false\0", 6));
    Text empty;
    EXPECT_EQ(empty.getLength(), 0);
    EXPECT_EQ(textOf(empty.toBytes()), std::string("\0", 1));
}

TEST(WireText, IsLatin1BothWays) {
    const std::uint8_t e9[] = {0xE9, 0xFF, 0x7C};
    Text in(e9, 3);
    EXPECT_EQ(in.getText(), std::wstring(L"\u00E9\u00FF|"));

    Text out(L"caf\u00E9");
    const auto bytes = out.toBytes();
    ASSERT_EQ(bytes.size(), 5u);
    EXPECT_EQ(bytes[3], 0xE9);
}

TEST(WireText, UnencodableTextIsLoggedAndLeftOutConsistently) {
    LogCapture log;
    Text text(L"a\u0100b");
    EXPECT_EQ(text.getLength(), 0);
    EXPECT_EQ(textOf(text.toBytes()), std::string("\0", 1));

    Tokens tokens{L"ok", L"x\u0100", L"end"};
    const std::int32_t length = tokens.getLength();
    const auto bytes = tokens.toBytes();
    EXPECT_EQ(textOf(bytes), std::string("ok||end\0", 8));
    EXPECT_EQ(length + 1, static_cast<std::int32_t>(bytes.size())) << "header length must match the body";

    ASSERT_EQ(log.lines.size(), 4u);
    EXPECT_EQ(log.lines[0], L"SEVERE|Messages::StringMessage::getLength|Unable to get StringMessage length. error=1113");
    EXPECT_EQ(log.lines[1],
              L"SEVERE|Messages::StringMessage::toBytes|Unable to send StringMessage, failed to convert bytes. error=1113");
    EXPECT_EQ(log.lines[2], L"SEVERE|Messages::TokenMessage::getLength|Unable to get TokenMessage length. error=1113");
    EXPECT_EQ(log.lines[3],
              L"SEVERE|Messages::TokenMessage::toBytes|Unable to send TokenMessage, failed to convert bytes. error=1113");
}

TEST(WireText, UnmeasurableBodiesAreLoggedAndGiveEmptyText) {
    LogCapture log;
    const std::uint8_t byte = 'x';
    EXPECT_EQ(Text(&byte, -1).getText(), L"");
    EXPECT_EQ(Text(nullptr, 4).getText(), L"");
    Tokens tokens(&byte, -3);
    EXPECT_EQ(tokens.getTokenCount(), 1u);
    EXPECT_EQ(tokens.getString(0), L"");
    ASSERT_EQ(log.lines.size(), 3u);
    EXPECT_EQ(log.lines[0],
              L"SEVERE|Messages::StringMessage::StringMessage|Unable to build StringMessage, unknown length. error=87");
    EXPECT_EQ(log.lines[2],
              L"SEVERE|Messages::TokenMessage::TokenMessage|Unable to build TokenMessage, failed to convert bytes. error=87");
}

TEST(ClassMessage, AnnouncesTheIdAsSigned16BitDecimal) {
    ClassMessage a(0x9303, L"com.morvaine.service.ui.message.UserActivityMessage");
    EXPECT_EQ(a.getTypeId(), 0x8063);
    EXPECT_EQ(a.getClassName(), L"com.tessik.messaging.message.ClassMessage");
    EXPECT_EQ(a.getString(0), L"-27901");
    EXPECT_EQ(a.getString(1), L"com.morvaine.service.ui.message.UserActivityMessage");
    EXPECT_EQ(ClassMessage(0xAF05, L"x").getString(0), L"-20731");
    EXPECT_EQ(ClassMessage(0x5FE5, L"x").getString(0), L"24549");
    EXPECT_EQ(textOf(ClassMessage(0x3B01, L"Q").toBytes()), std::string("15105|Q\0", 8));
}
