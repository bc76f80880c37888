#include "skin/engine/sGraphUtils.h"

#include <gtest/gtest.h>

namespace {
TColor RGBc(int r, int g, int b) { return r | (g << 8) | (b << 16); }
}  // namespace

TEST(ColourArithmetic, RoundDivRoundsTiesToEven) {
    EXPECT_EQ(RoundDiv(5, 2), 2);
    EXPECT_EQ(RoundDiv(7, 2), 4);
    EXPECT_EQ(RoundDiv(-5, 2), -2);
    EXPECT_EQ(RoundDiv(-7, 2), -4);
    EXPECT_EQ(RoundDiv(149, 100), 1);
    EXPECT_EQ(RoundDiv(151, 100), 2);
    EXPECT_EQ(RoundDiv(0, 7), 0);
}

TEST(ColourArithmetic, MixColorsWeighsEachByte) {
    EXPECT_EQ(MixColors(clWhite, clBlack, 0.4), RGBc(102, 102, 102));
    EXPECT_EQ(MixColors(RGBc(10, 20, 30), RGBc(20, 40, 60), 0.5), RGBc(15, 30, 45));
    // 0.5 between 1 and 2 is 1.5, which rounds to the even 2; between 2 and 3 it is 2.5, which rounds to 2.
    EXPECT_EQ(MixColors(RGBc(1, 2, 0), RGBc(2, 3, 0), 0.5), RGBc(2, 2, 0));
    EXPECT_EQ(MixColors(clRed, clBlue, 1.0), clRed);
    EXPECT_EQ(MixColors(clRed, clBlue, 0.0), clBlue);
    // The high byte is the first colour's.
    EXPECT_EQ(static_cast<uint32_t>(MixColors(static_cast<TColor>(0x12000000), clWhite, 0.0)), 0x12FFFFFFu);
}

TEST(ColourArithmetic, SaturationMovesTowardsTheGrey) {
    EXPECT_EQ(ChangeSaturation(RGBc(200, 100, 0), 0), RGBc(200, 100, 0));
    // Amount 100 gives the grey of the rounded mean: (10 + 20 + 31) / 3 = 20.33.
    EXPECT_EQ(ChangeSaturation(RGBc(10, 20, 31), 100), RGBc(20, 20, 20));
    EXPECT_EQ(ChangeSaturation(RGBc(90, 90, 90), 70), RGBc(90, 90, 90));
}

TEST(ColourArithmetic, SaturationTiesRoundToEvenAndResultsAreClamped) {
    // Red 255, mean 85: 50 percent moves red to 170 and green and blue to 42.5, a tie that rounds to 42.
    EXPECT_EQ(ChangeSaturation(RGBc(255, 0, 0), 50), RGBc(170, 42, 42));
    // Mean 1: 50 percent moves 0 to 0.5 (rounds to 0) and 3 to 2.
    // Away from grey: 255 + 100 * (255 - 85) / 100 is clamped.
    EXPECT_EQ(ChangeSaturation(RGBc(255, 0, 0), -100), RGBc(255, 0, 0));
    EXPECT_EQ(ChangeSaturation(RGBc(0, 0, 3), 50), RGBc(0, 0, 2));
    EXPECT_EQ(ChangeSaturation(RGBc(200, 100, 0), -50), RGBc(250, 100, 0));
}

TEST(ColourArithmetic, HueTurnsAroundTheCircleInBothDirections) {
    EXPECT_EQ(ChangeHue(120, clRed), clLime);
    EXPECT_EQ(ChangeHue(240, clRed), clBlue);
    EXPECT_EQ(ChangeHue(-120, clRed), clBlue);
    EXPECT_EQ(ChangeHue(-240, clRed), clLime);
    EXPECT_EQ(ChangeHue(360, clRed), clRed);
    EXPECT_EQ(ChangeHue(-360, clRed), clRed);
    EXPECT_EQ(ChangeHue(-720 - 120, clRed), clBlue);
    EXPECT_EQ(ChangeHue(60, clRed), clYellow);
    EXPECT_EQ(ChangeHue(-60, clRed), clFuchsia);
    EXPECT_EQ(ChangeHue(0, RGBc(200, 100, 50)), RGBc(200, 100, 50));
}

TEST(ColourArithmetic, HueLeavesGreysAndBlackAlone) {
    for (int offset : {-500, -90, 0, 45, 3600})
        for (TColor grey : {clBlack, clWhite, RGBc(128, 128, 128)})
            EXPECT_EQ(ChangeHue(offset, grey), grey) << offset;
}

TEST(ColourArithmetic, HueClearsTheHighByte) {
    EXPECT_EQ(ChangeHue(120, static_cast<TColor>(0x010000FF)), clLime);
}

TEST(ColourArithmetic, ColorRecordHoldsTheBytesInMemoryOrder) {
    TsColorRec rec = MakeColorRec(static_cast<TColor>(0x44332211));
    EXPECT_EQ(rec.R, 0x11);
    EXPECT_EQ(rec.G, 0x22);
    EXPECT_EQ(rec.B, 0x33);
    EXPECT_EQ(rec.A, 0x44);
}
