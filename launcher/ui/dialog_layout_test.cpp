#include "dialog_layout.h"

#include <gtest/gtest.h>

TEST(CentredOrigin, CentresAndKeepsTheTopLeftInsideTheWorkArea) {
    ScreenRect work{0, 0, 1024, 738};
    ScreenRect dialog{0, 0, 330, 240};
    ScreenPoint p = centredOrigin(dialog, work, work);
    EXPECT_EQ(p.x, 347);
    EXPECT_EQ(p.y, 249);
    // Over a small owner near the top-left corner the dialog would start off screen.
    p = centredOrigin(dialog, ScreenRect{10, 5, 110, 55}, work);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
    // Right and bottom edges are not pulled in.
    p = centredOrigin(dialog, ScreenRect{900, 600, 1100, 800}, work);
    EXPECT_EQ(p.x, 835);
    EXPECT_EQ(p.y, 580);
}

TEST(AnchorColor, ThreeNumbersOrUnchanged) {
    EXPECT_EQ(parseAnchorColor(L"255,0,0"), 0x0000FFu);
    EXPECT_EQ(parseAnchorColor(L"0,128,255"), 0xFF8000u);
    EXPECT_EQ(parseAnchorColor(L"256,257,511"), 0xFF0100u);  // low eight bits of each
    EXPECT_EQ(parseAnchorColor(L" 1, 2, 3"), 0x030201u);
    EXPECT_EQ(parseAnchorColor(L"x,y,z"), 0u);
    EXPECT_FALSE(parseAnchorColor(L"red"));
    EXPECT_FALSE(parseAnchorColor(L"255,0"));
    EXPECT_FALSE(parseAnchorColor(L"255,0,"));
    EXPECT_FALSE(parseAnchorColor(L""));
}
