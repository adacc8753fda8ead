#include "engine_control.h"
#include "engine_record.h"

#include <gtest/gtest.h>

using EngineRecord::fromHex;
using EngineRecord::parseFrameLine;
using EngineRecord::replyValue;
using EngineRecord::toHex;

TEST(EngineRecordTest, ParsesAFrameLineWithExactBodyBytes) {
    // body "a|\xe9|" : a token, a Latin-1 e-acute, and an empty last token
    auto f = parseFrameLine("FRAME 7 2 44805 com.morvaine.service.ui.message.LogMessage y 4 617ce97c a|\xe9|");
    ASSERT_TRUE(f.has_value());
    EXPECT_EQ(f->seq, 7);
    EXPECT_EQ(f->connection, 2);
    EXPECT_EQ(f->typeId, 0xAF05);
    EXPECT_EQ(f->className, "com.morvaine.service.ui.message.LogMessage");
    EXPECT_TRUE(f->announced);
    EXPECT_EQ(f->length, 4);
    EXPECT_EQ(f->body, std::string("a|\xe9|"));
    EXPECT_EQ(f->tokens(), (std::vector<std::string>{"a", "\xe9", ""}));
}

TEST(EngineRecordTest, EmptyBodyAndBadLengthsAreKept) {
    auto empty = parseFrameLine("FRAME 1 1 24549 x n 0 - ");
    ASSERT_TRUE(empty.has_value());
    EXPECT_FALSE(empty->announced);
    EXPECT_EQ(empty->body, "");
    EXPECT_EQ(empty->tokens(), std::vector<std::string>{""});

    auto negative = parseFrameLine("FRAME 4 1 5 ? n -3 - ");
    ASSERT_TRUE(negative.has_value());
    EXPECT_EQ(negative->length, -3);
    EXPECT_EQ(negative->className, "?");
}

TEST(EngineRecordTest, RejectsLinesThatAreNotFrames) {
    EXPECT_TRUE(parseFrameLine("SENT 1 1 5 x y 0 -"));  // the engine's own frames read alike
    EXPECT_FALSE(parseFrameLine("END 3"));
    EXPECT_FALSE(parseFrameLine("FRAME 1 1 5 x y 1"));             // fields missing
    EXPECT_FALSE(parseFrameLine("FRAME 1 1 65536 x y 0 -"));       // not a 16-bit type
    EXPECT_FALSE(parseFrameLine("FRAME 1 1 5 x maybe 0 -"));       // announced is y or n
    EXPECT_FALSE(parseFrameLine("FRAME 1 1 5 x y 1 abc a"));       // odd hex
    EXPECT_FALSE(parseFrameLine("FRAME 1 1 5 x y 1 zz a"));        // not hex
    EXPECT_FALSE(parseFrameLine("FRAME one 1 5 x y 0 -"));
}

TEST(EngineRecordTest, HexRoundTripsEveryByte) {
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    EXPECT_EQ(toHex(std::string("\x00\x9b\xff", 3)), "009bff");
    EXPECT_EQ(fromHex(toHex(all)), all);
    EXPECT_EQ(fromHex("0A0b"), std::string("\x0a\x0b"));
}

TEST(EngineRecordTest, ReplyValuesByKey) {
    EXPECT_EQ(replyValue("OK listening=1 open=0 conns=12 closed=3", "conns"), 12);
    EXPECT_EQ(replyValue("TIMEOUT frames=4", "frames"), 4);
    EXPECT_FALSE(replyValue("OK frames=4", "conns"));
    EXPECT_FALSE(replyValue("OK frames=x", "frames"));
    EXPECT_FALSE(replyValue("OK myframes=4", "frames"));
}

TEST(EngineRecordTest, HelloAndLaunchArguments) {
    int tray = 0, control = 0;
    EXPECT_TRUE(parseHello("HELLO tray=4243 control=40001", tray, control));
    EXPECT_EQ(tray, 4243);
    EXPECT_EQ(control, 40001);
    EXPECT_FALSE(parseHello("HELLO tray=0 control=1", tray, control));
    EXPECT_FALSE(parseHello("OK tray=1 control=2", tray, control));

    EngineStartOptions o;
    o.jar = "/x/engine.jar";
    o.trayPort = 4243;
    o.maxSeconds = 60;
    o.extraArguments = {"--story", "s.txt"};
    EXPECT_EQ(engineArguments(o, 5000),
              (std::vector<std::string>{"-jar", "/x/engine.jar", "--port", "4243", "--control-port", "0", "--callback",
                                        "5000", "--max-seconds", "60", "--story", "s.txt"}));
}
