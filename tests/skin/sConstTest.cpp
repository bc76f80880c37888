#include "skin/engine/acDateFormat.h"
#include "skin/engine/acThirdParty.h"
#include "skin/engine/sConst.h"
#include "skin/engine/sMaskData.h"

#include <gtest/gtest.h>

#include <string>

TEST(SkinConstants, LibraryValuesStartAsTheLibraryExpects) {
    EXPECT_EQ(sTransparentColor, 0xFF00FF);
    EXPECT_EQ(acUnknownSize, -99);
    EXPECT_EQ(acGlobalValue, 0);
    EXPECT_FALSE(acGlobalFlag);
    EXPECT_EQ(acScrollArrowWidth, GetSystemMetrics(SM_CXHSCROLL));
}

TEST(SkinConstants, NoHotCodesHoldTheirRangesAndNothingElse) {
    for (int code = -5; code < 300; ++code) {
        bool expected = code == 19 || (code >= 51 && code <= 74) || code == 110 || (code >= 141 && code <= 161);
        EXPECT_EQ(NoHotCodes.Contains(code), expected) << code;
    }
}

TEST(SkinConstants, ControlKindsKeepTheirOrder) {
    EXPECT_STREQ(acThirdPartyNames[0], "Edit");
    EXPECT_STREQ(acThirdPartyNames[13], "PageControl");
    EXPECT_STREQ(acThirdPartyNames[16], "StatusBar");
    for (int i = 0; i < acThirdPartyKindCount; ++i)
        EXPECT_STREQ(acThirdPartyDefaults[i], " ");
}

TEST(SkinConstants, FourDigitYearsAreFoundInAnyCase) {
    EXPECT_TRUE(HasFourDigitYear("M/d/yyyy"));
    EXPECT_TRUE(HasFourDigitYear("YYYY-MM-dd"));
    EXPECT_TRUE(HasFourDigitYear("dd.MM.yYyY"));
    EXPECT_FALSE(HasFourDigitYear("dd.MM.yy"));
    EXPECT_FALSE(HasFourDigitYear("yyy"));
    EXPECT_EQ(acFourDigitYear, HasFourDigitYear(LocaleShortDateFormat()));
    EXPECT_FALSE(LocaleShortDateFormat().empty());
}

TEST(SkinRecords, MaskStatesNeverDivideByZero) {
    TsMaskData m;
    m.R = Rect(0, 0, 60, 40);
    m.ImageCount = 3;
    m.MaskType = 1;
    EXPECT_EQ(MaskStateWidth(m), 20);
    EXPECT_EQ(MaskStateHeight(m), 20);
    m.ImageCount = 0;
    m.MaskType = -3;
    EXPECT_EQ(MaskStateWidth(m), 60);
    EXPECT_EQ(MaskStateHeight(m), 40);
}

TEST(SkinRecords, SectionDefaultsAreThoseOfAnEmptySection) {
    TsGeneralData d;
    EXPECT_EQ(d.Color, 0xFFFFFF);
    EXPECT_EQ(d.FontColor[0], 0);
    EXPECT_EQ(d.FontColor[4], -1);
    EXPECT_EQ(d.GradientData, " ");
    EXPECT_EQ(d.FadingIterations, 5);
    EXPECT_EQ(d.HotColor, 0xFFFFFF);
}
