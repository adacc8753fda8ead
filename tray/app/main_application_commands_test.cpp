#include "main_application_commands.h"

#include <gtest/gtest.h>

namespace {

TEST(ShowApplication, ProgramAndQuotedDirectory) {
    auto launch = showApplicationLaunch(L"C:\\Vault\\", L"Backup");
    ASSERT_TRUE(launch);
    EXPECT_EQ(launch->program, L"C:\\Vault\\BackupDesktop");
    EXPECT_EQ(launch->arguments, L"\"dir=C:\\Vault\\\"");
    EXPECT_EQ(launch->commandLine(), L"C:\\Vault\\BackupDesktop \"dir=C:\\Vault\\\"");

    auto bare = showApplicationLaunch(L"", L"Backup");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->commandLine(), L"BackupDesktop");
    EXPECT_EQ(showApplicationLaunch(L"", L"")->program, L"Desktop");
}

TEST(ShowApplication, NamesThatWouldLeaveTheInstallFolderAreRefused) {
    for (const wchar_t* name : {L"..\\..\\Windows\\System32\\cmd", L"C:", L"a/b", L"a\\b", L"x\" calc", L"..",
                                L"a..b", L"tab\there", L"new\nline", L"\x7F", L"\x85"}) {
        EXPECT_FALSE(isPlainApplicationName(name)) << name;
        EXPECT_FALSE(showApplicationLaunch(L"C:\\Vault\\", name)) << name;
    }
    for (const wchar_t* name : {L"Backup", L"Vault wick", L"Über-Backup", L"a.b", L""}) {
        EXPECT_TRUE(isPlainApplicationName(name)) << name;
    }
}

TEST(ShowComputer, ByIdOrByAddressWithUnquotedDirectory) {
    Messages::Computer byId;
    byId.id = 9000000000LL;
    EXPECT_EQ(showComputerLaunch(L"C:\\Vault\\", &byId).commandLine(),
              L"C:\\Vault\\Desktop computerId=9000000000 dir=C:\\Vault\\");

    Messages::Computer byAddress;
    byAddress.id = 0;
    byAddress.address = L"10.0.0.7";
    byAddress.port = 4242;
    EXPECT_EQ(showComputerLaunch(L"", &byAddress).commandLine(), L"Desktop computerFullAddress=10.0.0.7:4242");
    byAddress.id = -3;
    EXPECT_EQ(showComputerLaunch(L"D:\\\\", &byAddress).arguments, L"computerFullAddress=10.0.0.7:4242 dir=D:\\\\");

    EXPECT_EQ(showComputerLaunch(L"C:\\Vault\\", nullptr).commandLine(), L"C:\\Vault\\Desktop");
}

TEST(InstallDirectory, OneSeparatorAppendedWhenNotEmpty) {
    EXPECT_EQ(installDirectoryWithSeparator(L""), L"");
    EXPECT_EQ(installDirectoryWithSeparator(L"C:\\Vault"), L"C:\\Vault\\");
}

}  // namespace
