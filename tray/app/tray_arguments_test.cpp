#include "tray_arguments.h"

#include <gtest/gtest.h>

namespace {

TraySettings parse(std::vector<std::wstring> arguments) {
    arguments.insert(arguments.begin(), L"VaultwickTray.exe");
    return parseTrayArguments(arguments);
}

TEST(TrayArguments, DefaultsWithoutArguments) {
    TraySettings s = parse({});
    EXPECT_EQ(s.host, L"127.0.0.1");
    EXPECT_EQ(s.port, 4243);
    EXPECT_EQ(s.installDirectory, L"");
    EXPECT_FALSE(s.showUi);
}

TEST(TrayArguments, HostPortDirAndShowUi) {
    TraySettings s = parse({L"-host", L"10.0.0.5", L"5000", L"-showui", L"-dir", L"C:\\Vault"});
    EXPECT_EQ(s.host, L"10.0.0.5");
    EXPECT_EQ(s.port, 5000);
    EXPECT_TRUE(s.showUi);
    EXPECT_EQ(s.installDirectory, L"C:\\Vault");
}

TEST(TrayArguments, OptionsWithMissingArgumentsOrWrongCaseAreIgnored) {
    TraySettings noPort = parse({L"-host", L"10.0.0.5"});
    EXPECT_EQ(noPort.host, L"127.0.0.1");
    EXPECT_EQ(noPort.port, 4243);

    TraySettings upper = parse({L"-HOST", L"10.0.0.5", L"5000", L"-SHOWUI", L"-Dir", L"x"});
    EXPECT_EQ(upper.host, L"127.0.0.1");
    EXPECT_FALSE(upper.showUi);
    EXPECT_EQ(upper.installDirectory, L"");

    EXPECT_EQ(parse({L"-dir"}).installDirectory, L"");
}

TEST(TrayArguments, ConsumedArgumentsAreNotOptions) {
    // "-showui" here is the directory, not the flag.
    TraySettings s = parse({L"-dir", L"-showui", L"-host", L"-showui", L"7"});
    EXPECT_EQ(s.installDirectory, L"-showui");
    EXPECT_EQ(s.host, L"-showui");
    EXPECT_EQ(s.port, 7);
    EXPECT_FALSE(s.showUi);
}

TEST(TrayArguments, PortTakesLeadingDigits) {
    EXPECT_EQ(parse({L"-host", L"1.2.3.4", L"12x"}).port, 12);
    EXPECT_EQ(parse({L"-host", L"1.2.3.4", L"x12"}).port, 0);
    EXPECT_EQ(parse({L"-host", L"1.2.3.4", L""}).port, 0);
    EXPECT_EQ(leadingInteger(L"99999999999999"), 2147483647);
    EXPECT_EQ(leadingInteger(L"-5"), -5);
}

TEST(TrayArguments, QuotesAreStrippedFromBothEndsOfTheDirectory) {
    EXPECT_EQ(parse({L"-dir", L"C:\\Vault\""}).installDirectory, L"C:\\Vault");
    EXPECT_EQ(parse({L"-dir", L"\"\"C:\\Va\"ult\\\"\""}).installDirectory, L"C:\\Va\"ult\\");
    EXPECT_EQ(parse({L"-dir", L"\"\"\""}).installDirectory, L"");
    EXPECT_EQ(stripDirectoryQuotes(L"plain"), L"plain");
}

}  // namespace
