#include "config_values.h"

#include <gtest/gtest.h>

using namespace ConfigValues;

namespace {
VersionSpec version(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t count) {
    VersionSpec v;
    v.parts = {a, b, c, d};
    v.count = count;
    return v;
}
}  // namespace

TEST(VersionText, PartsFillAndCount) {
    EXPECT_EQ(parseVersionLimit(L"1.6", kMinimumFill), version(1, 6, 0, 0, 2));
    EXPECT_EQ(parseVersionLimit(L"1.6", kMaximumFill), version(1, 6, 65535, 65535, 2));
    EXPECT_EQ(parseVersion(L"1.6.0_20", 0), version(1, 6, 0, 20, 4));
    EXPECT_EQ(parseVersion(L"1.2.3.4.5", 0), version(1, 2, 3, 4, 5));
    EXPECT_EQ(parseVersion(L"1.2.3.4-beta", 0), version(1, 2, 3, 4, 4));  // no digit after the fourth part
    EXPECT_EQ(parseVersion(L"jre1.5", 0), version(1, 5, 0, 0, 2));        // parsing starts at the first digit
    EXPECT_EQ(parseVersion(L" 7 ", kMaximumFill), version(7, 65535, 65535, 65535, 1));
}

TEST(VersionText, KeywordAnyOnlyExactAndOnlyForLimits) {
    EXPECT_EQ(parseVersionLimit(L"any", kMinimumFill), version(0, 0, 0, 0, 4));
    EXPECT_EQ(parseVersionLimit(L"any", kMaximumFill), version(65535, 65535, 65535, 65535, 4));
    EXPECT_EQ(parseVersionLimit(L"Any", kMaximumFill), version(0, 0, 0, 0, 0));
    EXPECT_EQ(parseVersion(L"any", kMaximumFill), version(0, 0, 0, 0, 0));
}

TEST(VersionText, NotGivenMeansAllZero) {
    EXPECT_EQ(parseVersionLimit(L"", kMaximumFill), version(0, 0, 0, 0, 0));
    EXPECT_EQ(parseVersionLimit(L"jre", kMaximumFill), version(0, 0, 0, 0, 0));
    EXPECT_EQ(parseVersion(L"2147483648", kMaximumFill), version(0, 0, 0, 0, 0));
    EXPECT_EQ(parseVersion(L"1.99999999999", 0), version(0, 0, 0, 0, 0));
    // A part must stay a positive signed 32-bit number, since versions compare as signed.
    EXPECT_EQ(parseVersion(L"2147483647", 0), version(2147483647u, 0, 0, 0, 1));
    EXPECT_EQ(parseVersion(L"1.2147483649", 0), version(0, 0, 0, 0, 0));
    // Digits after the fourth part are never read, so they cannot overflow.
    EXPECT_EQ(parseVersion(L"1.2.3.4.99999999999999", 0), version(1, 2, 3, 4, 5));
}

TEST(ListText, CutAtSemicolons) {
    EXPECT_EQ(parseList(L"1.6;;1.5;"), (std::vector<std::wstring>{L"1.6", L"", L"1.5"}));
    EXPECT_EQ(parseList(L"1.6"), (std::vector<std::wstring>{L"1.6"}));
    EXPECT_EQ(parseList(L""), std::vector<std::wstring>{});
    EXPECT_EQ(parseList(L";"), (std::vector<std::wstring>{L""}));
    EXPECT_EQ(parseList(L" 1.6 ; 1.5"), (std::vector<std::wstring>{L" 1.6 ", L" 1.5"}));
}

TEST(FlagTables, RuntimeSources) {
    struct Row {
        const wchar_t* text;
        bool jdk, jre, fallBack;
    } rows[] = {
        {L"", true, true, true},          {L"favor_JDK", true, false, true}, {L"only_JDK", true, false, false},
        {L"favor_JRE", false, true, true}, {L"only_JRE", false, true, false}, {L"favour_JRE", false, false, false},
        {L"FAVOR_JRE", false, false, false}, {L" favor_JRE", false, false, false},
    };
    for (const Row& r : rows) {
        RuntimeSources s = parseRuntimeSources(r.text);
        EXPECT_EQ(s.jdkAccepted, r.jdk) << r.text;
        EXPECT_EQ(s.jreAccepted, r.jre) << r.text;
        EXPECT_EQ(s.fallBackToOtherKind, r.fallBack) << r.text;
    }
}

TEST(FlagTables, VmProvidersIgnoreAsciiCase) {
    struct Row {
        const wchar_t* text;
        bool jrockitAccepted, jrockitPreferred, sunAccepted, sunPreferred;
    } rows[] = {
        {L"", false, false, true, true},           {L"ibm", false, false, true, true},
        {L"jrockit", true, true, false, false},    {L"JRockit", true, true, false, false},
        {L"favor_sun", true, false, true, true},   {L"FAVOR_JROCKIT", true, true, true, false},
        {L"Any", true, false, true, false},        {L" any", false, false, true, true},
    };
    for (const Row& r : rows) {
        VmProviders p = parseVmProviders(r.text);
        EXPECT_EQ(p.jrockitAccepted, r.jrockitAccepted) << r.text;
        EXPECT_EQ(p.jrockitPreferred, r.jrockitPreferred) << r.text;
        EXPECT_EQ(p.sunAccepted, r.sunAccepted) << r.text;
        EXPECT_EQ(p.sunPreferred, r.sunPreferred) << r.text;
    }
    // Only ASCII letters fold: a non-ASCII look-alike must not match.
    EXPECT_EQ(parseVmProviders(L"\u0430ny"), VmProviders{});
}

TEST(FlagTables, YesNoAndTypeCaseRules) {
    EXPECT_TRUE(isServiceMode(L"service"));
    EXPECT_FALSE(isServiceMode(L"Service"));
    EXPECT_FALSE(isServiceMode(L" service"));
    EXPECT_TRUE(isSingleInstance(L"yes"));
    EXPECT_FALSE(isSingleInstance(L"Yes"));
    EXPECT_TRUE(isYes(L"YES"));
    EXPECT_TRUE(isYes(L"yEs"));
    EXPECT_FALSE(isYes(L"y"));
    EXPECT_FALSE(isYes(L" Yes"));
    EXPECT_EQ(parseVmType(L"server"), VmType::Server);
    EXPECT_EQ(parseVmType(L"favor_server"), VmType::FavorServer);
    EXPECT_EQ(parseVmType(L"Server"), VmType::None);
    EXPECT_EQ(mainClassPath(L"pkg.sub.Main"), L"pkg/sub/Main");
}

TEST(SecondsText, WholeNumbersOnlyAnythingElseIsNoLimit) {
    EXPECT_EQ(parseSeconds(L"30"), 30u);
    EXPECT_EQ(parseSeconds(L"007"), 7u);
    EXPECT_EQ(parseSeconds(L"4000000"), 4000000u);
    for (const wchar_t* none : {L"", L"0", L"-5", L"1.5", L"30s", L" 30", L"4000001", L"99999999999999999999"})
        EXPECT_EQ(parseSeconds(none), 0u) << std::wstring(none).size() << " characters";
}

TEST(ConfigPathsTest, MainAndUserPaths) {
    EXPECT_EQ(ConfigPaths::mainPath(L"C:\\Apps\\VaultwickService.exe"), std::wstring(L"C:\\Apps\\VaultwickService.ini"));
    EXPECT_EQ(ConfigPaths::mainPath(L"C:\\My.Apps\\Service"), std::wstring(L"C:\\My.ini"));
    EXPECT_FALSE(ConfigPaths::mainPath(L"C:\\Apps\\Service"));

    EXPECT_EQ(ConfigPaths::userPath(L"C:\\Users\\u\\AppData\\Roaming", L"Vaultwick: Home", L"{A1}",
                                    L"C:\\Apps\\VaultwickService.exe"),
              L"C:\\Users\\u\\AppData\\Roaming\\Vaultwick Home\\{A1}\\VaultwickService.ini");
    EXPECT_EQ(ConfigPaths::filterProductName(L"A<B>:C\\D?E\"F|G/H*I"), L"ABCDEFGHI");
    EXPECT_EQ(ConfigPaths::userPath(L"C:\\A", L"", L"X", L"C:\\p\\svc.v2.exe"), L"C:\\A\\\\X\\svc.v2.ini");
    EXPECT_EQ(ConfigPaths::userPath(L"", L"P", L"", L"svc"), L"\\P\\\\svc.ini");
}
