#include "instance_block.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>

using ::testing::ElementsAre;

namespace {

using Block = std::array<unsigned char, InstanceBlock::kArgumentsSize>;

std::vector<std::wstring> roundTrip(const std::vector<std::wstring>& arguments) {
    Block block;
    block.fill(0xAA);
    EXPECT_TRUE(InstanceBlock::encodeArguments(arguments, block.data()));
    return InstanceBlock::decodeArguments(block.data());
}

TEST(InstanceBlock, NamesComeFromTheFullProgramPath) {
    const std::wstring name = InstanceBlock::instanceName(L"C:\\Apps\\VaultwickService.exe");
    EXPECT_EQ(name, L"C:_Apps_VaultwickService.exe");
    EXPECT_EQ(InstanceBlock::readyEventName(name), L"C:_Apps_VaultwickService.exe_upr_evt");
    EXPECT_NE(InstanceBlock::instanceName(L"C:\\Other\\VaultwickService.exe"), name);
}

TEST(InstanceBlock, LayoutIsLittleEndianFieldsThenArguments) {
    EXPECT_EQ(InstanceBlock::kArgumentsOffset + InstanceBlock::kArgumentsSize, InstanceBlock::kSize);
    std::array<unsigned char, InstanceBlock::kSize> block{};
    InstanceBlock::writeField(block.data(), InstanceBlock::kProcessIdOffset, 0x12345678u);
    EXPECT_THAT((std::vector<unsigned char>(block.begin() + 4, block.begin() + 8)), ElementsAre(0x78, 0x56, 0x34, 0x12));
    EXPECT_EQ(InstanceBlock::readField(block.data(), InstanceBlock::kProcessIdOffset), 0x12345678u);
}

TEST(InstanceBlock, ArgumentsAreZeroTerminatedBytesEndedByAnEmptyOne) {
    Block block;
    block.fill(0xAA);
    ASSERT_TRUE(InstanceBlock::encodeArguments({L"ab", L"", L"c"}, block.data()));
    EXPECT_THAT((std::vector<unsigned char>(block.begin(), block.begin() + 7)), ElementsAre('a', 'b', 0, 0, 'c', 0, 0));
    EXPECT_EQ(block.back(), 0) << "the whole block is cleared first";
    // An empty argument in the middle ends the list: the format cannot tell it from the end.
    EXPECT_THAT(InstanceBlock::decodeArguments(block.data()), ElementsAre(L"ab"));
    EXPECT_THAT(roundTrip({L"-open", L"C:\\x y"}), ElementsAre(L"-open", L"C:\\x y"));
}

TEST(InstanceBlock, NoArgumentsAndOneEmptyArgumentBothReadAsOneEmptyString) {
    EXPECT_THAT(roundTrip({}), ElementsAre(L""));
    EXPECT_THAT(roundTrip({L""}), ElementsAre(L""));
}

TEST(InstanceBlock, CharactersKeepTheirLowEightBits) {
    // U+00E9 stays; U+0141 becomes 'A' (0x41), U+0436 becomes '6' (0x36).
    EXPECT_THAT(roundTrip({L"\u00e9\u0141\u0436"}), ElementsAre(L"\u00e9A6"));
}

TEST(InstanceBlock, ArgumentsMustFitWithEveryTerminator) {
    Block block;
    block.fill(0xAA);
    const std::vector<std::wstring> largest{std::wstring(1038, L'x')};  // 1038 + 1 + 1 = 1040
    EXPECT_EQ(InstanceBlock::encodedSize(largest), 1040u);
    EXPECT_THAT(roundTrip(largest), ElementsAre(std::wstring(1038, L'x')));

    EXPECT_FALSE(InstanceBlock::encodeArguments({std::wstring(1039, L'x')}, block.data()));
    EXPECT_FALSE(InstanceBlock::encodeArguments(std::vector<std::wstring>(520, L"a"), block.data()));  // 1041
    EXPECT_EQ(block[0], 0xAA) << "nothing is written when the arguments do not fit";
}

TEST(InstanceBlock, ReadingStopsAtTheBlockEndWithoutTheClosingZero) {
    Block block;
    block.fill('z');
    EXPECT_TRUE(InstanceBlock::decodeArguments(block.data()).empty());
    block[3] = 0;  // one complete argument, then bytes without an end
    EXPECT_THAT(InstanceBlock::decodeArguments(block.data()), ElementsAre(L"zzz"));
}

}  // namespace
