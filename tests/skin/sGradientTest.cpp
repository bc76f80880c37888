#include "skin/engine/sGradient.h"

#include "classlib/SysUtils.h"

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
