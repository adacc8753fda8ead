// The in-memory lookup over a whole section must give what the single-key read gives for the same
// lines; the Wine test compares the two on a real file, this one pins the rules.
#include "ini_section.h"

#include <gtest/gtest.h>

namespace {

// Lines as the platform hands them over: each ended by a NUL, the list by one more.
IniSection sectionOf(std::initializer_list<std::wstring> lines) {
    std::wstring data;
    for (const auto& line : lines) data += line + L'\0';
    return IniSection(data + L'\0');
}

}  // namespace

TEST(IniSection, NamesMatchWithoutCaseAndTheFirstLineWins) {
    IniSection s = sectionOf({L"Main Class=first", L"MAIN CLASS=second", L"main class=third", L"Cmd=x"});
    EXPECT_EQ(s.value(L"Main Class"), L"first");
    EXPECT_EQ(s.value(L"main class"), L"first");
    EXPECT_EQ(s.value(L"cmd"), L"x");
    EXPECT_EQ(s.value(L"Missing"), L"");
    EXPECT_EQ(s.value(L"Main"), L"") << "a prefix of a name is not the name";
    // A name without "=" has an empty value and still hides a later line of that name.
    EXPECT_EQ(sectionOf({L"JRE Path", L"JRE Path=C:\\Jre"}).value(L"JRE Path"), L"");
}

TEST(IniSection, BlanksAndOnePairOfMatchingQuotesGo) {
    IniSection s = sectionOf({L"  Spaced Name \t=  value with  inner  blanks \t",
                              L"Double=\"quoted value\"", L"Single='quoted'", L"Twice=\"\"twice\"\"",
                              L"Mixed=\"a'", L"Lone=\"", L"Empty=\"\"", L"Inner=a \"b\" c",
                              L"Spaced Quotes= \" a \" ", L"Equals=a=b=c", L"Blank="});
    EXPECT_EQ(s.value(L"Spaced Name"), L"value with  inner  blanks");
    EXPECT_EQ(s.value(L"Double"), L"quoted value");
    EXPECT_EQ(s.value(L"Single"), L"quoted");
    EXPECT_EQ(s.value(L"Twice"), L"\"twice\"");
    EXPECT_EQ(s.value(L"Mixed"), L"\"a'");
    EXPECT_EQ(s.value(L"Lone"), L"\"");
    EXPECT_EQ(s.value(L"Empty"), L"");
    EXPECT_EQ(s.value(L"Inner"), L"a \"b\" c");
    EXPECT_EQ(s.value(L"Spaced Quotes"), L" a ");
    EXPECT_EQ(s.value(L"Equals"), L"a=b=c");
    EXPECT_EQ(s.value(L"Blank"), L"");
}

TEST(IniSection, EndsAtTheEmptyLineOrTheEndOfTheData) {
    EXPECT_EQ(IniSection(std::wstring(L"A=1\0\0B=2\0", 10)).value(L"B"), L"");
    EXPECT_EQ(IniSection(std::wstring(L"A=1\0B=2", 7)).value(L"B"), L"2") << "no final NUL";
    EXPECT_EQ(IniSection(L"").value(L"A"), L"");
}
