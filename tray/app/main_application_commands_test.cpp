#include "main_application_commands.h"

#include <gtest/gtest.h>

namespace {

const MainProgramPlace kInstalled{L"C:\\Vault\\", L"C:\\Tray\\"};
const MainProgramPlace kBesideTheTray{L"", L"C:\\Tray\\"};

TEST(ShowApplication, ProgramAndQuotedDirectory) {
    auto launch = showApplicationLaunch(kInstalled, L"Backup");
    ASSERT_TRUE(launch);
    EXPECT_EQ(launch->program, L"C:\\Vault\\BackupDesktop");
    EXPECT_EQ(launch->arguments, L"\"dir=C:\\Vault\\\"");
    EXPECT_EQ(launch->commandLine(), L"C:\\Vault\\BackupDesktop \"dir=C:\\Vault\\\"");

    // Without an install directory the program beside the tray, by full path, and no dir=.
    auto beside = showApplicationLaunch(kBesideTheTray, L"Backup");
    ASSERT_TRUE(beside);
    EXPECT_EQ(beside->commandLine(), L"C:\\Tray\\BackupDesktop");
    EXPECT_EQ(showApplicationLaunch(kBesideTheTray, L"")->program, L"C:\\Tray\\Desktop");
}

TEST(ShowApplication, NamesThatWouldLeaveTheInstallFolderAreRefused) {
    for (const wchar_t* name : {L"..\\..\\Windows\\System32\\cmd", L"C:", L"a/b", L"a\\b", L"x\" calc", L"..",
                                L"a..b", L"tab\there", L"new\nline", L"\x7F", L"\x85"}) {
        EXPECT_FALSE(isPlainApplicationName(name)) << name;
        EXPECT_FALSE(showApplicationLaunch(kInstalled, name)) << name;
    }
    for (const wchar_t* name : {L"Backup", L"Vault wick", L"Über-Backup", L"a.b", L""}) {
        EXPECT_TRUE(isPlainApplicationName(name)) << name;
    }
}

TEST(ShowComputer, ByIdOrByQuotedAddressWithUnquotedDirectory) {
    Messages::Computer byId;
    byId.id = 9000000000LL;
    EXPECT_EQ(showComputerLaunch(kInstalled, &byId)->commandLine(),
              L"C:\\Vault\\Desktop computerId=9000000000 dir=C:\\Vault\\");

    Messages::Computer byAddress;
    byAddress.id = 0;
    byAddress.address = L"10.0.0.7";
    byAddress.port = 4242;
    EXPECT_EQ(showComputerLaunch(kBesideTheTray, &byAddress)->commandLine(),
              L"C:\\Tray\\Desktop \"computerFullAddress=10.0.0.7:4242\"");
    byAddress.id = -3;
    EXPECT_EQ(showComputerLaunch({L"D:\\\\", L""}, &byAddress)->arguments,
              L"\"computerFullAddress=10.0.0.7:4242\" dir=D:\\\\");

    EXPECT_EQ(showComputerLaunch(kInstalled, nullptr)->commandLine(), L"C:\\Vault\\Desktop");
}

// Anything that could end the quoted argument, add another, or name a path is refused.
TEST(ShowComputer, AnAddressIsAHostNameOrAnIpAddressOnly) {
    for (const wchar_t* address : {L"10.0.0.7", L"backup-1.example.com", L"PC42", L"::1", L"fe80::1:2",
                                   L"::ffff:10.0.0.7", L"2001:db8::8a2e:370:7334"}) {
        EXPECT_TRUE(isHostNameOrAddress(address)) << address;
    }
    for (const wchar_t* address : {L"", L"a b", L"x\" calc", L"10.0.0.7\" dir=C:\\evil", L"-host", L"host-",
                                   L"a..b", L".a", L"a.", L"\\\\server\\share", L"host:1", L"a\tb", L"caf\u00E9",
                                   L"1:2", L":::", L"[::1]", L"%", L"a/b"}) {
        EXPECT_FALSE(isHostNameOrAddress(address)) << address;
        Messages::Computer computer;
        computer.id = 0;
        computer.address = address;
        EXPECT_FALSE(showComputerLaunch(kInstalled, &computer)) << address;
    }
    EXPECT_FALSE(isHostNameOrAddress(std::wstring(64, L'a')));  // a label of 64
    EXPECT_TRUE(isHostNameOrAddress(std::wstring(63, L'a') + L"." + std::wstring(63, L'b')));
}

TEST(InstallDirectory, OneSeparatorAppendedWhenNotEmpty) {
    EXPECT_EQ(installDirectoryWithSeparator(L""), L"");
    EXPECT_EQ(installDirectoryWithSeparator(L"C:\\Vault"), L"C:\\Vault\\");
}

}  // namespace
