// Where a button puts its glyph and caption.
#include "pngctl/PngButtonFunctions.h"

#include <gtest/gtest.h>

namespace {

TButtonGlyphLayout Layout(TButtonLayout place, int margin, int spacing, TSize text = TSize(15, 13), bool rtl = false,
                          bool pressed = false, TSize client = TSize(64, 25), TSize glyph = TSize(16, 16)) {
    return CalcGlyphLayout(client, glyph, text, TPoint(0, 0), place, margin, spacing, rtl, pressed);
}

TEST(GlyphLayout, AutomaticMarginCentresGlyphAndCaptionTogether) {
    auto l = Layout(blGlyphLeft, -1, 4);
    EXPECT_EQ(l.GlyphPos, TPoint(14, 5));  // (64 - 35) div 2; (25 - 16 + 1) div 2
    EXPECT_EQ(l.TextBounds, TRect(34, 6, 49, 19));
}

TEST(GlyphLayout, WithoutACaptionTheGlyphIsCentredBothWays) {
    auto l = Layout(blGlyphLeft, -1, 4, TSize(0, 0));
    EXPECT_EQ(l.GlyphPos, TPoint(24, 5));
    l = Layout(blGlyphTop, -1, 4, TSize(0, 0), false, false, TSize(40, 41));
    EXPECT_EQ(l.GlyphPos, TPoint(12, 12));
}

TEST(GlyphLayout, AGivenMarginPlacesTheGlyphFromItsSide) {
    EXPECT_EQ(Layout(blGlyphLeft, 3, 2).GlyphPos, TPoint(3, 5));
    EXPECT_EQ(Layout(blGlyphLeft, 3, 2).TextBounds.left, 21);
    EXPECT_EQ(Layout(blGlyphRight, 3, 2).GlyphPos, TPoint(45, 5));
    EXPECT_EQ(Layout(blGlyphRight, 3, 2).TextBounds.left, 28);
    auto top = Layout(blGlyphTop, 2, 1, TSize(15, 13), false, false, TSize(60, 40));
    EXPECT_EQ(top.GlyphPos, TPoint(22, 2));
    EXPECT_EQ(top.TextBounds, TRect(22, 19, 37, 32));
    auto bottom = Layout(blGlyphBottom, 2, 1, TSize(15, 13), false, false, TSize(60, 40));
    EXPECT_EQ(bottom.GlyphPos, TPoint(22, 22));
    EXPECT_EQ(bottom.TextBounds.top, 8);
}

TEST(GlyphLayout, AutomaticSpacingSpacesEvenly) {
    // Margin and spacing -1: three equal gaps of (64 - 31) div 3 = 11.
    auto l = Layout(blGlyphLeft, -1, -1);
    EXPECT_EQ(l.GlyphPos.x, 11);
    EXPECT_EQ(l.TextBounds.left, 11 + 16 + 11);
    // A given margin: the caption is centred in the 64 - 4 - 16 = 44 pixels after the glyph.
    l = Layout(blGlyphLeft, 4, -1);
    EXPECT_EQ(l.GlyphPos.x, 4);
    EXPECT_EQ(l.TextBounds.left, 20 + (44 - 15) / 2);
    l = Layout(blGlyphRight, 4, -1);
    EXPECT_EQ(l.TextBounds.right, 44 - (44 - 15) / 2);
}

TEST(GlyphLayout, PressingMovesEverythingOnePixel) {
    auto up = Layout(blGlyphLeft, -1, 4), down = Layout(blGlyphLeft, -1, 4, TSize(15, 13), false, true);
    EXPECT_EQ(down.GlyphPos, TPoint(up.GlyphPos.x + 1, up.GlyphPos.y + 1));
    EXPECT_EQ(down.TextBounds.left, up.TextBounds.left + 1);
    EXPECT_EQ(down.TextBounds.top, up.TextBounds.top + 1);
    auto moved = CalcGlyphLayout(TSize(64, 25), TSize(16, 16), TSize(15, 13), TPoint(3, -2), blGlyphLeft, -1, 4, false, false);
    EXPECT_EQ(moved.GlyphPos, TPoint(17, 3));
}

TEST(GlyphLayout, RightToLeftReadingSwapsTheSides) {
    EXPECT_EQ(Layout(blGlyphLeft, 3, 2, TSize(15, 13), true).GlyphPos, Layout(blGlyphRight, 3, 2).GlyphPos);
    EXPECT_EQ(Layout(blGlyphRight, 3, 2, TSize(15, 13), true).GlyphPos, Layout(blGlyphLeft, 3, 2).GlyphPos);
    EXPECT_EQ(Layout(blGlyphTop, 3, 2, TSize(15, 13), true).GlyphPos, Layout(blGlyphTop, 3, 2).GlyphPos);
}

TEST(GlyphLayout, ACaptionWiderThanTheButtonGoesOffItsEdgesWithoutHarm) {
    auto l = Layout(blGlyphLeft, -1, 4, TSize(100, 13));
    EXPECT_EQ(l.GlyphPos.x, (64 - 120) / 2);
    EXPECT_LT(l.GlyphPos.x, 0);
}

}  // namespace
