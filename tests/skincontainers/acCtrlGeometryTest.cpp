#include "skin/adapters/acCtrlGeometry.h"

#include <gtest/gtest.h>

TEST(CheckGlyphs, EveryCheckStyleChoosesTheGlyphOfItsKind) {
    EXPECT_EQ(CheckStateOf(0), 0);
    EXPECT_EQ(CheckStateOf(BST_CHECKED | BST_FOCUS), 1);
    EXPECT_EQ(CheckStateOf(BST_CHECKED | BST_INDETERMINATE), 2);
    for (LONG style : {BS_CHECKBOX, BS_AUTOCHECKBOX, BS_3STATE, BS_AUTO3STATE}) {
        bool radio = IsRadioStyle(style | WS_CHILD | BS_LEFTTEXT);
        EXPECT_FALSE(radio) << style;
        EXPECT_STREQ(CheckGlyphName(radio, 0), "BOXUNCHECKED") << style;
        EXPECT_STREQ(CheckGlyphName(radio, 1), "BOXCHECKED") << style;
        EXPECT_STREQ(CheckGlyphName(radio, 2), "BOXGRAYED") << style;
    }
    // The automatic radio button of dialogs is a radio button too.
    for (LONG style : {BS_RADIOBUTTON, BS_AUTORADIOBUTTON}) {
        bool radio = IsRadioStyle(style | WS_CHILD | WS_TABSTOP);
        EXPECT_TRUE(radio) << style;
        EXPECT_STREQ(CheckGlyphName(radio, 0), "RADIOUNCHECKED") << style;
        EXPECT_STREQ(CheckGlyphName(radio, 1), "RADIOCHECKED") << style;
        EXPECT_STREQ(CheckGlyphName(radio, 2), "BOXGRAYED") << style;
    }
    EXPECT_EQ(CheckGlyphIndex(nullptr, BS_CHECKBOX, 1), -1);
}

TEST(CheckGlyphs, GlyphAndCaptionSitOnTheirSides) {
    EXPECT_EQ(CheckGlyphRect(false, TSize(0, 0), 100, 30, 0), Rect(0, 0, 16, 16));
    EXPECT_EQ(CheckGlyphRect(true, TSize(13, 12), 100, 30, BS_AUTOCHECKBOX), Rect(0, 9, 13, 21));
    EXPECT_EQ(CheckGlyphRect(true, TSize(13, 12), 100, 30, BS_AUTOCHECKBOX | BS_LEFTTEXT), Rect(87, 9, 100, 21));
    // Caption beside a 16-pixel glyph: 82 pixels are left of 100.
    EXPECT_EQ(CheckCaptionRect(100, 30, 82, TSize(40, 14), false, false), Rect(20, 7, 60, 21));
    EXPECT_EQ(CheckCaptionRect(100, 30, 82, TSize(40, 14), true, false), Rect(19, 7, 59, 21));
    EXPECT_EQ(CheckCaptionRect(100, 30, 82, TSize(40, 14), false, true), Rect(2, 8, 42, 22));
    // A caption taller than the box starts at the top.
    EXPECT_EQ(CheckCaptionRect(100, 10, 82, TSize(40, 14), false, true), Rect(2, 0, 42, 10));
    EXPECT_EQ(CheckGlyphState(BST_PUSHED | BST_FOCUS, false), 2);
    EXPECT_EQ(CheckGlyphState(BST_FOCUS, false), 1);
    EXPECT_EQ(CheckGlyphState(0, true), 1);
    EXPECT_EQ(CheckGlyphState(BST_CHECKED, false), 0);
}

TEST(GroupBoxes, TheCaptionBandKeepsItsMinimumAndTheWindow) {
    EXPECT_EQ(GroupCaptionBand(40, 13, 200), Rect(6, 0, 54, 15));
    // An empty caption still takes a band of 4 + 2 pixels.
    EXPECT_EQ(GroupCaptionBand(0, 0, 200), Rect(6, 0, 14, 6));
    EXPECT_EQ(GroupCaptionBand(300, 13, 200), Rect(6, 0, 199, 15));
}

TEST(SpinButtons, HalvesShareTheMiddleOfAnOddSizeAndOnlyTheHalfUnderTheCursorIsPressed) {
    auto v = SpinHalves(16, 21, true);
    EXPECT_EQ(v.first, Rect(0, 0, 16, 11));
    EXPECT_EQ(v.second, Rect(0, 10, 16, 21));
    auto h = SpinHalves(20, 16, false);
    EXPECT_EQ(h.first, Rect(0, 0, 10, 16));
    EXPECT_EQ(h.second, Rect(10, 0, 20, 16));
    EXPECT_EQ(SpinStates(false, true, true), std::make_pair(0, 0));
    EXPECT_EQ(SpinStates(true, true, true), std::make_pair(2, 0));
    EXPECT_EQ(SpinStates(true, false, true), std::make_pair(0, 2));
    // Hovering alone changes nothing.
    EXPECT_EQ(SpinStates(true, true, false), std::make_pair(0, 0));
}

TEST(Tabs, PositionsStylesAndSectionsFollowTheWindowStyle) {
    EXPECT_EQ(TabPositionOf(0), tpTop);
    EXPECT_EQ(TabPositionOf(TCS_BOTTOM), tpBottom);
    EXPECT_EQ(TabPositionOf(TCS_VERTICAL), tpLeft);
    EXPECT_EQ(TabPositionOf(TCS_VERTICAL | TCS_RIGHT), tpRight);
    EXPECT_EQ(TabStyleOf(TCS_BUTTONS | TCS_FLATBUTTONS), 2);
    EXPECT_EQ(TabStyleOf(TCS_BUTTONS), 1);
    EXPECT_EQ(TabStyleOf(TCS_MULTILINE), 0);
    EXPECT_EQ(PageSectionOf("PAGECONTROL", tpBottom), "PAGECONTROLBOTTOM");
    EXPECT_EQ(PageSectionOf("PAGECONTROL", tpRight), "PAGECONTROLRIGHT");
    EXPECT_EQ(PageSectionOf("PANEL", tpLeft), "PANEL");
    EXPECT_EQ(TabSectionOf(tpLeft, 0), "TABLEFT");
    EXPECT_EQ(TabSectionOf(tpLeft, 1), "BUTTON");
    EXPECT_EQ(TabSectionOf(tpTop, 2), "TOOLBUTTON");
}

TEST(Tabs, TabRectanglesGrowByPositionAndState) {
    const TRect item = Rect(10, 2, 60, 22);
    EXPECT_EQ(AdjustTabRect(item, tpTop, false, 0), Rect(10, 2, 59, 26));
    EXPECT_EQ(AdjustTabRect(item, tpTop, true, 0), Rect(8, 0, 62, 24));
    EXPECT_EQ(AdjustTabRect(item, tpBottom, false, 0), Rect(10, 0, 59, 22));
    EXPECT_EQ(AdjustTabRect(item, tpBottom, true, 0), Rect(8, -1, 62, 23));
    EXPECT_EQ(AdjustTabRect(item, tpLeft, false, 0), Rect(10, 1, 63, 22));
    EXPECT_EQ(AdjustTabRect(item, tpLeft, true, 0), Rect(9, 0, 63, 23));
    EXPECT_EQ(AdjustTabRect(item, tpRight, false, 0), Rect(8, 1, 59, 22));
    EXPECT_EQ(AdjustTabRect(item, tpRight, true, 0), Rect(7, 0, 61, 24));
    // Buttons and empty rectangles stay as the control gives them.
    EXPECT_EQ(AdjustTabRect(item, tpTop, true, 1), item);
    EXPECT_EQ(AdjustTabRect(Rect(5, 2, 5, 22), tpTop, true, 0), Rect(5, 2, 5, 22));
}

TEST(Tabs, PageAndBandSplitTheControlAtTheDisplayArea) {
    const TRect d = Rect(4, 30, 196, 146);
    EXPECT_EQ(PageRectOf(200, 150, d, tpTop, true), Rect(0, 26, 200, 150));
    EXPECT_EQ(TabsBandOf(200, 150, d, tpTop, true), Rect(0, 0, 200, 26));
    EXPECT_EQ(PageRectOf(200, 150, d, tpBottom, true), Rect(0, 0, 200, 147));
    EXPECT_EQ(TabsBandOf(200, 150, d, tpBottom, true), Rect(0, 147, 200, 150));
    EXPECT_EQ(PageRectOf(200, 150, d, tpLeft, true), Rect(3, 0, 200, 150));
    EXPECT_EQ(TabsBandOf(200, 150, d, tpRight, true), Rect(197, 0, 200, 150));
    EXPECT_EQ(PageRectOf(200, 150, d, tpTop, false), Rect(0, 0, 200, 150));
    // Rows count from the page outwards on the bottom and right, from the edge on the top and left.
    EXPECT_EQ(TabRowOf(Rect(0, 2, 50, 22), Rect(0, 0, 200, 46), 1, tpTop), 1);
    EXPECT_EQ(TabRowOf(Rect(0, 2, 50, 22), Rect(0, 0, 200, 46), 2, tpTop), 1);
    EXPECT_EQ(TabRowOf(Rect(0, 22, 50, 42), Rect(0, 0, 200, 46), 2, tpTop), 2);
    EXPECT_EQ(TabRowOf(Rect(0, 104, 50, 124), Rect(0, 104, 200, 150), 2, tpBottom), 2);
    EXPECT_EQ(TabRowOf(Rect(0, 124, 50, 144), Rect(0, 104, 200, 150), 2, tpBottom), 1);
}

TEST(ToolButtons, StateNumbersAndCaptionLines) {
    EXPECT_EQ(ToolButtonStateOf({}, false, false), 0);
    EXPECT_EQ(ToolButtonStateOf({cdsDisabled}, false, false), 0);
    EXPECT_EQ(ToolButtonStateOf({cdsHot}, false, false), 1);
    EXPECT_EQ(ToolButtonStateOf({cdsHot, cdsSelected}, false, false), 2);
    EXPECT_EQ(ToolButtonStateOf({cdsChecked}, false, false), 2);
    EXPECT_EQ(ToolButtonStateOf({}, true, false), 2);
    EXPECT_EQ(ToolButtonStateOf({}, false, true), 2);
    EXPECT_EQ(SplitButtonCaption("Open file now"), std::make_pair(std::string("Open"), std::string("file now")));
    EXPECT_EQ(SplitButtonCaption("Open"), std::make_pair(std::string("Open"), std::string()));
    EXPECT_EQ(SplitButtonCaption("Open "), std::make_pair(std::string("Open "), std::string()));
}
