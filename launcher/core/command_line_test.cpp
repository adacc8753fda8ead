#include "command_line.h"
#include "process_environment.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

TEST(CommandLine, SplitsOnSpacesWithQuotesAndNoEscapes) {
    EXPECT_THAT(splitCommandLine(L"\"C:\\Program Files\\App\\VaultwickService.exe\" -x  \"a b\" c\"d"),
                ElementsAre(L"C:\\Program Files\\App\\VaultwickService.exe", L"-x", L"a b", L"c\"d"));
    EXPECT_THAT(splitCommandLine(L""), IsEmpty());
    EXPECT_THAT(splitCommandLine(L"   "), IsEmpty());
    EXPECT_THAT(splitCommandLine(L"a\tb"), ElementsAre(L"a\tb")) << "a tab does not separate";
    EXPECT_THAT(splitCommandLine(L"\"ab\"cd"), ElementsAre(L"ab", L"cd")) << "text after a closing mark starts a token";
    EXPECT_THAT(splitCommandLine(L"x \"open to the end"), ElementsAre(L"x", L"open to the end"));
    EXPECT_THAT(splitCommandLine(L"\"\" C:\\dir\\ \\\"q"), ElementsAre(L"", L"C:\\dir\\", L"\\\"q"));
}

TEST(CommandLine, ProgramArgumentsDropTheProgramPath) {
    EXPECT_THAT(programArgumentsOf(L"  \"C:\\App\\S.exe\" \"one two\" three \t"), ElementsAre(L"one two", L"three"));
    EXPECT_THAT(programArgumentsOf(L"S.exe"), IsEmpty());
    EXPECT_THAT(programArgumentsOf(L"S.exe -nosplash"), ElementsAre(L"-nosplash"));
    EXPECT_THAT(programArgumentsOf(L""), IsEmpty());
}

TEST(ProcessEnvironment, HomeAndSearchPath) {
    EXPECT_EQ(jvmHomeOf(L"C:\\Java\\jre\\bin\\server\\jvm.dll"), L"C:\\Java\\jre");
    EXPECT_EQ(jvmHomeOf(L"jvm.dll"), L"jvm.dll");
    EXPECT_EQ(searchPathText(L"C:\\Tools", L"C:\\Java\\jre\\bin\\server\\jvm.dll"), L"C:\\Tools;%Path%;C:\\Java\\jre\\bin");
    EXPECT_EQ(searchPathText(L"C:\\Tools;", L"C:\\J\\bin\\client\\jvm.dll"), L"C:\\Tools;%Path%;C:\\J\\bin");
    EXPECT_EQ(searchPathText(L"", L"C:\\J\\bin\\client\\jvm.dll"), L"%Path%;C:\\J\\bin");
    EXPECT_EQ(fileNameOf(L"C:\\Apps\\VaultwickService.exe"), L"VaultwickService.exe");
    EXPECT_EQ(fileNameOf(L"VaultwickService.exe"), L"VaultwickService.exe");
}

}  // namespace
