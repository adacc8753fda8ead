#include "vm_options.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr std::uint64_t kGiB = std::uint64_t(1) << 30;
const MemoryFigures kEightGiB{8 * kGiB, 2 * kGiB};

std::vector<std::wstring> split(std::wstring_view text, std::uint64_t& stack) {
    return splitVmParameters(text, kEightGiB, stack);
}

TEST(VmParameters, TokensQuotesAndPercentTogether) {
    std::uint64_t stack = 0;
    auto options = split(L"-Xms64m  -Xmx50P \"-Dapp.home=C:\\Program Files\\App\"", stack);
    EXPECT_THAT(options, ElementsAre(L"-Xms64m", L"-Xmx4194304K", L"-Dapp.home=C:\\Program Files\\App"));
    // The same value read from the "+" section arrives with one space in front.
    EXPECT_EQ(split(L" -Xms64m  -Xmx50P \"-Dapp.home=C:\\Program Files\\App\"", stack), options);
    EXPECT_EQ(stack, 0u);
}

TEST(VmParameters, TokenSplitting) {
    using VmOptions::splitTokens;
    EXPECT_THAT(splitTokens(L""), IsEmpty());
    EXPECT_THAT(splitTokens(L"    "), IsEmpty());
    EXPECT_THAT(splitTokens(L"a\tb  c"), ElementsAre(L"a\tb", L"c"));
    EXPECT_THAT(splitTokens(L"-Dx=\"a b\" c"), ElementsAre(L"-Dx=\"a b\"", L"c"));
    // A doubled closing mark ends the section after the second mark.
    EXPECT_THAT(splitTokens(L"-Dq=\"x y\"\"z w"), ElementsAre(L"-Dq=\"x y\"\"z", L"w"));
    // A mark never closed protects nothing.
    EXPECT_THAT(splitTokens(L"-Dx=\"a b"), ElementsAre(L"-Dx=\"a", L"b"));
}

TEST(VmParameters, QuoteRemoval) {
    using VmOptions::removeQuotes;
    EXPECT_EQ(removeQuotes(L"-Dq=\"x\"\"y\""), L"-Dq=x\"y\"");
    EXPECT_EQ(removeQuotes(L"\"a\"b\"c\""), L"abc");
    EXPECT_EQ(removeQuotes(L"\"\""), L"");
    EXPECT_EQ(removeQuotes(L"-Dx=\"a"), L"-Dx=\"a");
    EXPECT_EQ(removeQuotes(L"\"\"\""), L"\"");
    std::uint64_t stack = 0;
    EXPECT_THAT(split(L"-Dx=\"a b", stack), ElementsAre(L"-Dx=\"a", L"b"));
}

TEST(VmParameters, PercentOfMemoryRewrite) {
    using VmOptions::rewritePercentOfMemory;
    EXPECT_EQ(rewritePercentOfMemory(L"-Xmx75:512:2048P", kEightGiB), L"-Xmx2097152K");
    EXPECT_EQ(rewritePercentOfMemory(L"-Xms25p", kEightGiB), L"-Xms2097152K");
    // Lower bound lifts a small share; the upper bound caps the address-space share.
    EXPECT_EQ(rewritePercentOfMemory(L"-Xmx10:256P", MemoryFigures{1 * kGiB, 0}), L"-Xmx262144K");
    EXPECT_EQ(rewritePercentOfMemory(L"-Xmx90:0:1024T", kEightGiB), L"-Xmx1048576K");
    EXPECT_EQ(rewritePercentOfMemory(L"-Xmx50t", kEightGiB), L"-Xmx1048576K");
    // Bounds that cross: the lower one wins.
    EXPECT_EQ(rewritePercentOfMemory(L"-Xmx50:300:200P", kEightGiB), L"-Xmx307200K");
    // Malformed numbers are read as far as they go; the fourth number is ignored.
    EXPECT_EQ(rewritePercentOfMemory(L"-Xmx:64P", kEightGiB), L"-Xmx65536K");
    EXPECT_EQ(rewritePercentOfMemory(L"-Xmxa5b0P", kEightGiB), L"-Xmxa4194304K");
    EXPECT_EQ(rewritePercentOfMemory(L"-Xmx50:0:0:7P", kEightGiB), L"-Xmx4194304K");
    // Not rewritten: no percent letter, wrong case, other options.
    EXPECT_EQ(rewritePercentOfMemory(L"-Xmx1024m", kEightGiB), L"-Xmx1024m");
    EXPECT_EQ(rewritePercentOfMemory(L"-xmx50P", kEightGiB), L"-xmx50P");
    EXPECT_EQ(rewritePercentOfMemory(L"-XX:+UseParallelGC", kEightGiB), L"-XX:+UseParallelGC");
    EXPECT_EQ(rewritePercentOfMemory(L"-XmxP", kEightGiB), L"-Xmx0K") << "no numbers: 0 percent";
}

TEST(VmParameters, LargeSizesAreNotCutToThirtyTwoBits) {
    // 50 % of a 128 TiB address space is 2^36 KiB, far beyond a 32-bit count.
    const MemoryFigures wide{0, std::uint64_t(128) << 40};
    EXPECT_EQ(VmOptions::rewritePercentOfMemory(L"-Xmx50T", wide), L"-Xmx68719476736K");
    // Numbers too large for any arithmetic saturate instead of wrapping to small sizes.
    EXPECT_EQ(VmOptions::rewritePercentOfMemory(L"-Xmx99999999999999999999999P", kEightGiB),
              L"-Xmx9223372036854775807K");
}

TEST(VmParameters, StackSize) {
    using VmOptions::parseStackSize;
    EXPECT_EQ(parseStackSize(L"512k"), 524288u);
    EXPECT_EQ(parseStackSize(L"2M"), 2u << 20);
    EXPECT_EQ(parseStackSize(L"1g"), kGiB);
    EXPECT_EQ(parseStackSize(L"1048576"), 1048576u);
    EXPECT_EQ(parseStackSize(L"64x"), 64u);
    EXPECT_EQ(parseStackSize(L"1:2k"), 0u);
    EXPECT_EQ(parseStackSize(L"k"), 0u);
    EXPECT_EQ(parseStackSize(L""), 0u);
    EXPECT_EQ(parseStackSize(L"1m2"), 0u);
    EXPECT_EQ(parseStackSize(L"99999999999999999999g"), 0u);

    std::uint64_t stack = 7;
    split(L"-Xmx64m", stack);
    EXPECT_EQ(stack, 7u) << "no -Xss leaves the size alone";
    auto options = split(L"-Xss512k -Xss1048576", stack);
    EXPECT_EQ(stack, 1048576u) << "the later -Xss decides";
    EXPECT_THAT(options, ElementsAre(L"-Xss512k", L"-Xss1048576"));
    split(L"-Xss1m -Xss1:2k", stack);
    EXPECT_EQ(stack, 0u);
    // A percentage stack size is rewritten first, then read as kilobytes.
    options = split(L"-Xss1:0:2T", stack);
    EXPECT_THAT(options, ElementsAre(L"-Xss2048K"));
    EXPECT_EQ(stack, 2048u * 1024);
}

TEST(VmOptionsText, LibraryPathOption) {
    EXPECT_EQ(VmOptions::libraryPathOption(L"native", L"C:\\App\\", L"C:\\Java\\jre\\bin\\client\\jvm.dll"),
              L"-Djava.library.path=native;C:\\App\\;.;%Path%;C:\\Java\\jre\\lib");
    EXPECT_EQ(VmOptions::libraryPathOption(L"a;b;", L"C:\\App\\", L"C:\\Java\\jre\\bin\\server\\jvm.dll"),
              L"-Djava.library.path=a;b;C:\\App\\;.;%Path%;C:\\Java\\jre\\lib");
}

TEST(VmOptionsText, ClassPathWithEmbeddedJar) {
    using VmOptions::classPathValue;
    EXPECT_EQ(classPathValue(L"lib\\a.jar", true, L"C:\\App\\VaultwickService.exe"),
              L"lib\\a.jar;C:\\App\\VaultwickService.exe");
    EXPECT_EQ(classPathValue(L"lib\\a.jar;", true, L"C:\\App\\S.exe"), L"lib\\a.jar;C:\\App\\S.exe");
    EXPECT_EQ(classPathValue(L"", true, L"C:\\App\\S.exe"), L"C:\\App\\S.exe");
    EXPECT_EQ(classPathValue(L"lib\\a.jar", false, L"C:\\App\\S.exe"), L"lib\\a.jar");
    EXPECT_EQ(classPathValue(L"lib\\a.jar", true, L""), L"lib\\a.jar");
}

TEST(VmOptionsText, CreateFailureReasons) {
    EXPECT_EQ(createFailureReasonId(-1), 225);
    EXPECT_EQ(createFailureReasonId(-4), 228);
    EXPECT_EQ(createFailureReasonId(-6), 230);
    EXPECT_EQ(createFailureReasonId(-7), 0);
    EXPECT_EQ(createFailureReasonId(3), 0);
}

}  // namespace
