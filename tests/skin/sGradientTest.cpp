#include "skin/engine/sGradient.h"

#include "classlib/runtime/SysUtils.h"

#include <gtest/gtest.h>

TEST(GradientText, TenWordsGiveTwoStops) {
    TsGradArray d;
    ParseGradientData("255;65280;50;0;0;65280;16711680;50;0;0", d);
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0].Color1, 255);
    EXPECT_EQ(d[0].Color2, 65280);
    EXPECT_EQ(d[0].Percent, 50);
    EXPECT_EQ(d[0].Mode, 0);
    EXPECT_EQ(d[1].Color1, 65280);
    EXPECT_EQ(d[1].Color2, 16711680);
    EXPECT_EQ(d[1].Reserved, 0);
}

TEST(GradientText, SharesAreKeptWithin0To100) {
    TsGradArray d;
    ParseGradientData("1;2;150;1;0;1;2;-20;0;0", d);
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0].Percent, 100);
    EXPECT_EQ(d[0].Mode, 1);
    EXPECT_EQ(d[1].Percent, 0);
}

TEST(GradientText, IncompleteStopsAndEmptyWordsAreIgnored) {
    TsGradArray d;
    ParseGradientData("1;2;3;4;5;6;7;8;9", d);
    EXPECT_EQ(d.size(), 1u);
    ParseGradientData(";;1;;2;3;4;5;", d);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].Color2, 2);
    ParseGradientData("", d);
    EXPECT_TRUE(d.empty());
    ParseGradientData(" ", d);  // one word, no stop
    EXPECT_TRUE(d.empty());
}

TEST(GradientText, NumbersAreReadAsTheClassLibraryReadsThem) {
    TsGradArray d;
    ParseGradientData("$FF;0x00FF00;010;2;x", d);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].Color1, 255);
    EXPECT_EQ(d[0].Color2, 0xFF00);
    EXPECT_EQ(d[0].Percent, 10);  // a leading zero is decimal
    EXPECT_EQ(d[0].Mode, 2);
}

TEST(GradientText, ANonNumberRaisesAndKeepsTheStopsBeforeIt) {
    TsGradArray d;
    try {
        ParseGradientData("1;2;3;0;0;4;five;6;0;0", d);
        FAIL() << "no conversion error";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'five' is not a valid integer value");
    }
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].Color2, 2);
}

TEST(GradientText, PixelBytesAreBlueGreenRed) {
    TsColor24 p;
    ColorToPixel24(0x00332211, p);
    EXPECT_EQ(p.R, 0x11);
    EXPECT_EQ(p.G, 0x22);
    EXPECT_EQ(p.B, 0x33);
}

#include "PixelTestUtils.h"

namespace {
TsGradArray Parsed(const std::string& text) {
    TsGradArray d;
    ParseGradientData(text, d);
    return d;
}
}  // namespace

TEST(GradientPainter, RowBandsMeetAtTheirSharedRow) {
    auto bmp = MakeBmp(4, 11, clWhite);
    PaintGradient(bmp.get(), Rect(0, 0, 4, 11), Parsed("255;65280;50;0;0;65280;16711680;50;0;0"));
    // Rows 0..5 go from red to green in steps of 51, rows 5..10 from green to blue; row 5 is the second band's start.
    for (int row = 0; row <= 5; ++row)
        EXPECT_EQ(Px(bmp.get(), 3, row), row == 5 ? clLime : RGBc(255 - 51 * row, 51 * row, 0)) << row;
    for (int row = 6; row <= 10; ++row)
        EXPECT_EQ(Px(bmp.get(), 0, row), RGBc(0, 255 - 51 * (row - 5), 51 * (row - 5))) << row;
}

TEST(GradientPainter, RowsRoundTiesToEven) {
    auto bmp = MakeBmp(2, 5, clWhite);
    PaintGradient(bmp.get(), Rect(0, 0, 2, 5), Parsed("0;10;100;0;0"));
    // Increments of 2.5: 0, 2.5, 5, 7.5, 10 round to 0, 2, 5, 8, 10.
    const int expected[5] = {0, 2, 5, 8, 10};
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(Px(bmp.get(), 1, row), RGBc(expected[row], 0, 0)) << row;
}

TEST(GradientPainter, TheLastBandReachesTheEdge) {
    auto bmp = MakeBmp(3, 20, clWhite);
    PaintGradient(bmp.get(), Rect(0, 0, 3, 20), Parsed("0;0;10;0;0;255;255;10;0;0"));
    EXPECT_EQ(Px(bmp.get(), 0, 19), clRed);
    EXPECT_EQ(Px(bmp.get(), 0, 1), clBlack);  // rows 0..2 of the first band
    EXPECT_EQ(Px(bmp.get(), 0, 2), clRed);    // row 2 is also the second band's first
    EXPECT_EQ(CountColor(bmp.get(), clWhite), 0);
}

TEST(GradientPainter, OneRowIsTooLowForABand) {
    auto bmp = MakeBmp(5, 5, clWhite);
    PaintGradient(bmp.get(), Rect(0, 2, 5, 3), Parsed("0;0;100;0;0"));
    EXPECT_EQ(CountColor(bmp.get(), clWhite), 25);
}

TEST(GradientPainter, ColumnBandsRoundTheirEnds) {
    auto bmp = MakeBmp(5, 2, clWhite);
    PaintGradient(bmp.get(), Rect(0, 0, 5, 2), Parsed("0;20;50;1;0;100;200;50;0;0"));
    // The first band ends at Round(0 + 50 * 5 / 100) = Round(2.5) = 2: columns 0..2 go 0, 10, 20.
    EXPECT_EQ(Px(bmp.get(), 0, 1), RGBc(0, 0, 0));
    EXPECT_EQ(Px(bmp.get(), 1, 1), RGBc(10, 0, 0));
    // The second band starts at column 2 and ends at the right edge: 100, 150, 200.
    EXPECT_EQ(Px(bmp.get(), 2, 0), RGBc(100, 0, 0));
    EXPECT_EQ(Px(bmp.get(), 3, 0), RGBc(150, 0, 0));
    EXPECT_EQ(Px(bmp.get(), 4, 1), RGBc(200, 0, 0));
}

TEST(GradientPainter, RectanglesAreClippedToTheBitmap) {
    auto bmp = MakeBmp(6, 6, clWhite);
    PaintGradient(bmp.get(), Rect(-10, -10, 100, 100), Parsed("0;0;100;0;0"));
    EXPECT_EQ(CountColor(bmp.get(), clBlack), 36);
    PaintGradient(bmp.get(), Rect(-10, -10, 100, 100), Parsed("255;255;100;1;0"));
    EXPECT_EQ(CountColor(bmp.get(), clRed), 36);
    PaintGradient(bmp.get(), Rect(20, 20, 30, 30), Parsed("0;0;100;0;0"));
    EXPECT_EQ(CountColor(bmp.get(), clRed), 36);
}

TEST(GradientPainter, UnknownModesAndEmptyDataPaintNothing) {
    auto bmp = MakeBmp(4, 4, clWhite);
    PaintGradient(bmp.get(), Rect(0, 0, 4, 4), Parsed("0;0;100;3;0"));
    PaintGradient(bmp.get(), Rect(0, 0, 4, 4), TsGradArray());
    PaintGradient(nullptr, Rect(0, 0, 4, 4), Parsed("0;0;100;0;0"));
    EXPECT_EQ(CountColor(bmp.get(), clWhite), 16);
}

TEST(GradientPainter, TrianglesWithOneStopAreFlat) {
    auto bmp = MakeBmp(16, 16, clWhite);
    PaintGradient(bmp.get(), Rect(0, 0, 16, 16), Parsed("16744448;0;0;2;0"));
    EXPECT_EQ(CountColor(bmp.get(), 16744448), 256);
}

TEST(GradientPainter, TrianglesMeetInTheCentreWithTheSecondStop) {
    auto bmp = MakeBmp(64, 64, clWhite);
    PaintGradient(bmp.get(), Rect(0, 0, 64, 64),
                  Parsed("255;0;0;2;0;65280;0;0;2;0;16711680;0;0;2;0;65535;0;0;2;0;16711935;0;0;2;0"));
    EXPECT_EQ(Px(bmp.get(), 32, 32), clLime);
    EXPECT_EQ(Px(bmp.get(), 0, 0), clRed);
    EXPECT_EQ(CountColor(bmp.get(), clWhite), 0);
    // Near each corner the corner's colour dominates.
    TColor nearTopRight = Px(bmp.get(), 62, 1);
    EXPECT_GT((nearTopRight >> 16) & 0xFF, 200);
}
