#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fake_channel.h"
#include "frame.h"
#include "frame_reader.h"
#include "outgoing_messages.h"
#include "test_bytes.h"

using Framing::FrameReader;
using Step = FrameReader::Step;

namespace {

std::vector<std::uint8_t> frameOf(std::uint16_t type, const std::string& body, std::int32_t length = -2) {
    std::vector<std::uint8_t> frame(Framing::kHeaderSize);
    Framing::writeHeader({type, length == -2 ? static_cast<std::int32_t>(body.size()) : length}, frame.data());
    frame.insert(frame.end(), body.begin(), body.end());
    return frame;
}

std::vector<std::uint8_t> slice(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t count) {
    return {bytes.begin() + from, bytes.begin() + from + count};
}

struct Received {
    std::uint16_t type;
    std::string body;
};

// Reads until the source has nothing more, collecting every complete frame.
std::vector<Received> drain(FrameReader& reader, FakeChannel& source, int maxReads = 100) {
    std::vector<Received> frames;
    for (int i = 0; i < maxReads; ++i) {
        const Step step = reader.readOnce(source);
        if (step == Step::Frame) {
            frames.push_back({reader.typeId(), std::string(reader.body(), reader.body() + reader.length())});
        } else if (reader.lastReadCount() == 0) {
            break;
        }
    }
    return frames;
}

class Reader : public ::testing::Test {
protected:
    Reader() { source.opened = true; }
    FakeChannel source;
    FrameReader reader;
};

}  // namespace

TEST(FrameEncoding, HeaderIsBigEndianTypeAndSignedLength) {
    std::uint8_t header[6];
    Framing::writeHeader({0x009B, 2}, header);
    EXPECT_EQ(std::vector<std::uint8_t>(header, header + 6), (std::vector<std::uint8_t>{0x00, 0x9B, 0, 0, 0, 2}));
    Framing::writeHeader({0xFD63, 0x01020304}, header);
    EXPECT_EQ(std::vector<std::uint8_t>(header, header + 6), (std::vector<std::uint8_t>{0xFD, 0x63, 1, 2, 3, 4}));

    const std::uint8_t negative[] = {0xAF, 0x05, 0xFF, 0xFF, 0xFF, 0xFE};
    const auto parsed = Framing::readHeader(negative);
    EXPECT_EQ(parsed.typeId, 0xAF05);
    EXPECT_EQ(parsed.length, -2);
}

TEST(FrameEncoding, FrameIsHeaderAndBodyWithoutTerminator) {
    const auto frame = Framing::encodeFrame(Messages::PauseSystemMessage(60));
    EXPECT_EQ(frame, frameOf(0xE31B, "60"));
    EXPECT_EQ(Framing::encodeFrame(Messages::ExitingMessage()), frameOf(0x8FA2, ""));
    EXPECT_EQ(Framing::encodeFrame(Messages::StatusQueryMessage(L"QMV")), frameOf(0x3B01, "QMV"));
}

TEST_F(Reader, BodyOverThreeReadsIsDeliveredOnceAfterTheLastByte) {
    const auto frame = frameOf(0x009B, "123456789");
    source.deliver(slice(frame, 0, 6));
    source.deliver(slice(frame, 6, 3));
    source.deliver(slice(frame, 9, 3));
    source.deliver(slice(frame, 12, 3));
    EXPECT_EQ(reader.readOnce(source), Step::Pending);
    EXPECT_EQ(reader.readOnce(source), Step::Pending);
    EXPECT_EQ(reader.readOnce(source), Step::Pending);
    ASSERT_EQ(reader.readOnce(source), Step::Frame);
    EXPECT_EQ(reader.typeId(), 0x009B);
    EXPECT_EQ(std::string(reader.body(), reader.body() + reader.length()), "123456789");
    EXPECT_EQ(reader.readOnce(source), Step::Pending) << "nothing left: an empty read changes nothing";
}

TEST_F(Reader, HeaderSplitFourPlusTwo) {
    const auto frame = frameOf(0x2222, "0");
    source.deliver(slice(frame, 0, 4));
    source.deliver(slice(frame, 4, 3));
    const auto frames = drain(reader, source);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].type, 0x2222);
    EXPECT_EQ(frames[0].body, "0");
}

TEST_F(Reader, TwoFramesInOneBurstBothArriveInOrder) {
    auto burst = frameOf(0x009B, "12");
    const auto second = frameOf(0x152F, "true|false|Backup");
    burst.insert(burst.end(), second.begin(), second.end());
    source.deliver(burst);
    const auto frames = drain(reader, source);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].body, "12");
    EXPECT_EQ(frames[1].type, 0x152F);
    EXPECT_EQ(frames[1].body, "true|false|Backup");
}

TEST_F(Reader, ZeroAndNegativeLengthsAreEmptyFramesAndTheStreamGoesOn) {
    auto bytes = frameOf(0x389D, "");
    const auto negative = frameOf(0x2222, "", -5);
    const auto next = frameOf(0x009B, "7");
    bytes.insert(bytes.end(), negative.begin(), negative.end());
    bytes.insert(bytes.end(), next.begin(), next.end());
    source.deliver(bytes);
    const auto frames = drain(reader, source);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].type, 0x389D);
    EXPECT_EQ(frames[0].body, "");
    EXPECT_EQ(frames[1].type, 0x2222);
    EXPECT_EQ(frames[1].body, "");
    EXPECT_EQ(frames[2].body, "7");
}

TEST_F(Reader, LengthsAboveTheLimitAreRefusedWithoutAllocating) {
    source.deliver(frameOf(0x009B, "", Framing::kMaxBodyLength + 1));
    EXPECT_EQ(reader.readOnce(source), Step::Refused);
    EXPECT_EQ(reader.length(), Framing::kMaxBodyLength + 1);
    EXPECT_EQ(reader.bufferCapacity(), 0u);

    source.deliver(frameOf(0x009B, "", 0x7FFFFFFF));
    EXPECT_EQ(reader.readOnce(source), Step::Refused);

    source.deliver(frameOf(0x009B, "", Framing::kMaxBodyLength));
    EXPECT_EQ(reader.readOnce(source), Step::Pending) << "exactly the limit is accepted";
    EXPECT_EQ(reader.bufferCapacity(), static_cast<std::size_t>(Framing::kMaxBodyLength));
}

TEST_F(Reader, ResetDropsAPartFrameAndTheNextReadStartsAtAHeader) {
    const auto first = frameOf(0x009B, "999999");
    source.deliver(slice(first, 0, 8));
    drain(reader, source);
    reader.reset();
    source.deliver(frameOf(0x009B, "5"));
    auto frames = drain(reader, source);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].body, "5");

    source.deliver(slice(first, 0, 3));
    drain(reader, source);
    reader.reset();
    source.deliver(frameOf(0x2222, "1"));
    frames = drain(reader, source);
    ASSERT_EQ(frames.size(), 1u) << "partial header bytes were dropped too";
    EXPECT_EQ(frames[0].type, 0x2222);
}

TEST_F(Reader, BufferFollowsTheLargestFrameAndShrinksAfterAHugeOne) {
    for (int i = 0; i < 50; ++i) source.deliver(frameOf(0x009B, std::string(100, 'x')));
    EXPECT_EQ(drain(reader, source, 1000).size(), 50u);
    EXPECT_EQ(reader.bufferCapacity(), 100u);

    source.deliver(frameOf(0x009B, std::string(2 * 1024 * 1024, 'y')));
    source.deliver(frameOf(0x009B, std::string(10, 'z')));
    const auto frames = drain(reader, source, 1000);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].body.size(), 2u * 1024 * 1024);
    EXPECT_EQ(frames[1].body, std::string(10, 'z'));
    EXPECT_EQ(reader.bufferCapacity(), 10u);
}
