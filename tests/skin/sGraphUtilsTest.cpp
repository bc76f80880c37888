#include "skin/engine/sGraphUtils.h"

#include "PixelTestUtils.h"

#include <gtest/gtest.h>


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

#include "skin/engine/sSkinManager.h"

namespace {
// (byte * 255 + ...) helpers for readable expectations.
int Mix(int s, int d, int a) { return ((s - d) * a + d * 256) >> 8; }
}  // namespace

TEST(WorkBitmaps, CreatedEmptyOrSizedWithTheirFormat) {
    auto empty = CreateBmp24(0, 0);
    EXPECT_TRUE(empty->Empty());
    EXPECT_EQ(empty->PixelFormat(), pf24bit);
    empty->SetSize(5, 3);
    EXPECT_EQ(empty->PixelFormat(), pf24bit);
    EXPECT_EQ(empty->HandleType(), bmDIB);
    auto b32 = CreateBmp32(4, 2);
    EXPECT_EQ(b32->PixelFormat(), pf32bit);
    EXPECT_EQ(b32->Width(), 4);
    auto like = CreateBmpLike(b32.get());
    EXPECT_EQ(like->PixelFormat(), pf32bit);
    EXPECT_EQ(like->Height(), 2);
}

TEST(DeviceContexts, FillsAndBorderStrips) {
    auto bmp = MakeBmp(10, 10, clBlack);
    HDC dc = bmp->Canvas()->Handle();
    FillDC(dc, Rect(1, 1, 3, 4), clRed);
    EXPECT_EQ(CountColor(bmp.get(), clRed), 6);
    FillDCBorder(dc, Rect(0, 0, 10, 10), 1, 2, 3, 1, clBlue);
    // 10 * 2 (top) + 1 * 8 (left) + 9 * 1 (bottom) + 3 * 7 (right) = 58, less the red pixels covered (1, 1).
    EXPECT_EQ(CountColor(bmp.get(), clBlue), 58);
    EXPECT_EQ(Px(bmp.get(), 5, 5), clBlack);
    auto copy = MakeBmp(10, 10, clWhite);
    BitBltBorder(copy->Canvas()->Handle(), 0, 0, 10, 10, 2, dc, 0, 0);
    GdiFlush();
    EXPECT_EQ(CountColor(copy.get(), clWhite), 36);
    EXPECT_EQ(Px(copy.get(), 9, 9), Px(bmp.get(), 9, 9));
}

TEST(DeviceContexts, RectangleFramesAndDotGrips) {
    auto bmp = MakeBmp(10, 8, clBlack);
    DrawRectangleOnDC(bmp->Canvas()->Handle(), Rect(1, 1, 9, 7), clLime, 1);
    GdiFlush();
    EXPECT_EQ(CountColor(bmp.get(), clLime), 2 * 8 + 2 * 4);
    EXPECT_EQ(Px(bmp.get(), 8, 6), clLime);
    EXPECT_EQ(Px(bmp.get(), 2, 2), clBlack);
    auto grip = MakeBmp(12, 12, RGBc(128, 128, 128));
    DrawDotGrip(grip->Canvas(), Rect(0, 0, 12, 12));
    GdiFlush();
    EXPECT_EQ(Px(grip.get(), 4, 1), clBlack);
    EXPECT_EQ(Px(grip.get(), 3, 0), clWhite);
    EXPECT_GT(CountColor(grip.get(), clBlack), 10);
}

TEST(Text, CutTextShortensWithAnEllipsis) {
    auto bmp = MakeBmp(10, 10);
    TCanvas* canvas = bmp->Canvas();
    std::string text = "A fairly long caption";
    int full = canvas->TextWidth(text);
    CutText(canvas, full, text);
    EXPECT_EQ(text, "A fairly long caption");
    CutText(canvas, full / 2, text);
    ASSERT_GE(text.size(), 4u);
    EXPECT_EQ(text.substr(text.size() - 3), "...");
    EXPECT_LE(canvas->TextWidth(text), full / 2);
    std::string tiny = "Caption";
    CutText(canvas, canvas->TextWidth("...") - 1, tiny);
    EXPECT_EQ(tiny, "");
    std::string none = "x";
    CutText(canvas, 0, none);
    EXPECT_EQ(none, "");
}

namespace {

class SkinText : public ::testing::Test {
protected:
    void SetUp() override {
        TsGeneralData section;
        section.ClassName = "BUTTON";
        section.Color = RGBc(0, 0, 255);
        section.FontColor[0] = RGBc(255, 0, 0);
        section.FontColor[1] = RGBc(0, 255, 0);    // left
        section.FontColor[2] = -1;                 // top: none
        section.FontColor[3] = RGBc(0, 255, 255);  // right
        section.FontColor[4] = -1;
        section.HotFontColor[0] = RGBc(255, 255, 0);
        manager.Sections.push_back(section);
        bmp = MakeBmp(200, 60, clWhite);
        bmp->Canvas()->Font()->SetHeight(-32);
        bmp->Canvas()->Font()->SetStyle({fsBold});
    }
    TsSkinManager manager{nullptr};
    std::unique_ptr<TBitmap> bmp;
};

}  // namespace

TEST_F(SkinText, OutlinesAreDrawnOnlyInTheirOwnColours) {
    ASSERT_EQ(DefaultManager, &manager);
    WriteTextEx(bmp->Canvas(), "Wxyz", true, Rect(10, 10, 190, 55), DT_LEFT | DT_TOP | DT_SINGLELINE, 0, false);
    GdiFlush();
    EXPECT_GT(CountColor(bmp.get(), RGBc(255, 0, 0)), 50);
    EXPECT_GT(CountColor(bmp.get(), RGBc(0, 255, 0)), 0);
    EXPECT_GT(CountColor(bmp.get(), RGBc(0, 255, 255)), 0);
    EXPECT_EQ(CountColor(bmp.get(), RGBc(255, 255, 0)), 0);
}

TEST_F(SkinText, HotAndDisabledTextTakeTheirColours) {
    WriteTextEx(bmp->Canvas(), "Wxyz", true, Rect(10, 10, 190, 55), DT_SINGLELINE, 0, true);
    GdiFlush();
    EXPECT_GT(CountColor(bmp.get(), RGBc(255, 255, 0)), 50);
    EXPECT_EQ(CountColor(bmp.get(), RGBc(0, 255, 0)), 0);  // the hot outlines are all -1
    auto disabled = MakeBmp(200, 60, clWhite);
    disabled->Canvas()->Font()->SetHeight(-32);
    WriteTextEx(disabled->Canvas(), "Wxyz", false, Rect(10, 10, 190, 55), DT_SINGLELINE, 0, false);
    GdiFlush();
    EXPECT_GT(CountColor(disabled.get(), MixColors(RGBc(255, 0, 0), RGBc(0, 0, 255), 0.4)), 20);
    EXPECT_EQ(CountColor(disabled.get(), RGBc(255, 0, 0)), 0);
}

TEST_F(SkinText, NothingForAnInvalidSection) {
    WriteTextEx(bmp->Canvas(), "Wxyz", true, Rect(10, 10, 190, 55), DT_SINGLELINE, 1, false);
    WriteTextEx(bmp->Canvas(), "Wxyz", true, Rect(10, 10, 190, 55), DT_SINGLELINE, -1, false);
    GdiFlush();
    EXPECT_EQ(CountColor(bmp.get(), clWhite), 200 * 60);
}

TEST(PixelLoops, BlendColorBmpSkipsMagenta) {
    auto bmp = MakeBmp(3, 3, RGBc(100, 0, 255));
    SetPx(bmp.get(), 0, 0, clFuchsia);
    BlendColorBmp(bmp.get(), RGBc(0, 100, 55), 0.5);
    EXPECT_EQ(Px(bmp.get(), 0, 0), clFuchsia);
    // (100 - 0) * 0.5 + 0 = 50; (0 - 100) * 0.5 + 100 = 50; (255 - 55) * 0.5 + 55 = 155.
    EXPECT_EQ(Px(bmp.get(), 2, 2), RGBc(50, 50, 155));
    BlendColorBmp(bmp.get(), RGBc(1, 0, 0), 0.5);
    EXPECT_EQ(Px(bmp.get(), 1, 1), RGBc(26, 25, 78));  // 25.5 -> 26 (even), 25, 77.5 -> 78
}

TEST(PixelLoops, BlendRectBitmapWeighsTheDestinationByK) {
    auto dst = MakeBmp(4, 4, RGBc(100, 3, 0));
    auto src = MakeBmp(4, 4, RGBc(0, 0, 255));
    SetPx(src.get(), 1, 1, clFuchsia);
    BlendRectBitmap(dst.get(), 0, 0, clFuchsia, 0.5, Rect(0, 0, 4, 4), src.get());
    EXPECT_EQ(Px(dst.get(), 0, 0), RGBc(50, 2, 128));  // 1.5 -> 2, 127.5 -> 128
    EXPECT_EQ(Px(dst.get(), 1, 1), RGBc(100, 3, 0));   // transparent source pixel
    auto all = MakeBmp(4, 4, RGBc(100, 3, 0));
    BlendRectBitmap(all.get(), 0, 0, static_cast<TColor>(0xFF00FF00u | 0xFF), 0.5, Rect(0, 0, 4, 4), src.get());
    EXPECT_EQ(Px(all.get(), 1, 1), RGBc(178, 2, 128));  // (255 + 100) / 2 = 177.5 -> 178
    auto clipped = MakeBmp(4, 4, clBlack);
    BlendRectBitmap(clipped.get(), -2, 3, clFuchsia, 0.0, Rect(0, 0, 4, 4), src.get());
    EXPECT_EQ(Px(clipped.get(), 0, 3), RGBc(0, 0, 255));
    EXPECT_EQ(Px(clipped.get(), 2, 3), clBlack);
    EXPECT_EQ(Px(clipped.get(), 0, 2), clBlack);
}

TEST(PixelLoops, SumBmpRectUsesTheIntegerBlend) {
    auto dst = MakeBmp(5, 5, RGBc(200, 200, 200));
    auto src = MakeBmp(5, 5, RGBc(0, 100, 255));
    SumBmpRect(dst.get(), src.get(), 127, Point(1, 1), Rect(2, 2, 4, 4));
    // (200 * 127 + 0 * 128 + 127) shr 8 = 99, (200 * 127 + 100 * 128 + 127) shr 8 = 149, ... 227.
    EXPECT_EQ(Px(dst.get(), 1, 1), RGBc(99, 149, 227));
    EXPECT_EQ(Px(dst.get(), 2, 2), RGBc(99, 149, 227));
    EXPECT_EQ(Px(dst.get(), 3, 3), RGBc(200, 200, 200));
}

TEST(PixelLoops, MaskBlendAndFade) {
    auto dst = MakeBmp(3, 3, RGBc(200, 100, 0));
    auto mask = MakeBmp(3, 3, RGBc(0, 128, 255));
    MaskBlendBmp(dst.get(), mask.get(), RGBc(50, 50, 50));
    EXPECT_EQ(Px(dst.get(), 1, 1), RGBc(50, MaskMix(100, 50, 128), MaskMix(0, 50, 255)));
    auto a = MakeBmp(3, 3, RGBc(255, 0, 100));
    auto b = MakeBmp(3, 3, RGBc(0, 255, 100));
    auto out = MakeBmp(3, 3);
    FadeBmp(out.get(), a.get(), b.get(), 64);
    EXPECT_EQ(Px(out.get(), 2, 2), RGBc(Mix(255, 0, 64), Mix(0, 255, 64), 100));
    auto weights = MakeBmp(3, 3, RGBc(255, 0, 128));
    FadeBmp(out.get(), a.get(), b.get(), 64, weights.get());
    EXPECT_EQ(Px(out.get(), 0, 0), RGBc(Mix(255, 0, 255), 255, 100));
}

TEST(PixelLoops, GreyIsTheTruncatedMean) {
    auto bmp = MakeBmp(2, 2, RGBc(1, 1, 2));
    GrayBmp(bmp.get());
    EXPECT_EQ(Px(bmp.get(), 0, 0), RGBc(1, 1, 1));
}

TEST(PixelLoops, TransparentCopiesLeaveOutTheirColourAndClip) {
    auto src = MakeBmp(4, 4, RGBc(10, 20, 30));
    SetPx(src.get(), 3, 3, clFuchsia);
    auto dst = MakeBmp(4, 4, clWhite);
    CopyTransRect(dst.get(), src.get(), -2, -1, Rect(0, 0, 4, 4), clFuchsia, TCacheInfo(), false);
    EXPECT_EQ(Px(dst.get(), 0, 0), RGBc(10, 20, 30));
    EXPECT_EQ(Px(dst.get(), 1, 1), RGBc(10, 20, 30));
    EXPECT_EQ(Px(dst.get(), 1, 2), clWhite);  // source (3, 3) is magenta
    EXPECT_EQ(Px(dst.get(), 2, 0), clWhite);
    EXPECT_EQ(Px(dst.get(), 0, 3), clWhite);
    EXPECT_EQ(CountColor(dst.get(), RGBc(10, 20, 30)), 5);  // 2 x 3 copied, less the magenta one at (1, 2)
    auto background = MakeBmp(8, 8, RGBc(7, 7, 7));
    CopyTransRect(dst.get(), src.get(), -2, -1, Rect(0, 0, 4, 4), clFuchsia, InitCacheInfo(background.get(), 1, 1),
                  true);
    EXPECT_EQ(Px(dst.get(), 1, 2), RGBc(7, 7, 7));
    auto whole = MakeBmp(6, 6, clWhite);
    CopyTransBmp(whole.get(), src.get(), 3, 3, clFuchsia);
    EXPECT_EQ(CountColor(whole.get(), RGBc(10, 20, 30)), 9);
}

TEST(PixelLoops, AlphaCopiesWeighByTheSourceAlpha) {
    auto src = MakeBmp(3, 3, static_cast<TColor>(0x80FF00C8u), pf32bit);  // blue 255, red 200, alpha 128
    SetPx(src.get(), 0, 0, static_cast<TColor>(0x00000000u | clFuchsia));
    auto dst = MakeBmp(3, 3, RGBc(0, 100, 0));
    CopyAlphaRect(dst.get(), Rect(0, 0, 3, 3), src.get(), Point(0, 0), TCacheInfo(), false);
    EXPECT_EQ(Px(dst.get(), 1, 1), RGBc(Mix(200, 0, 128), Mix(0, 100, 128), Mix(255, 0, 128)));
    EXPECT_EQ(Px(dst.get(), 0, 0), RGBc(0, 100, 0));
    auto over = MakeBmp(3, 3, static_cast<TColor>(0x40000000u), pf32bit);
    DrawAlphaBmp32(over.get(), 0, 0, src.get(), Rect(0, 0, 3, 3));
    TColor p = Px(over.get(), 2, 2);
    EXPECT_EQ(p & 0xFFFFFF, RGBc(Mix(200, 0, 128), 0, Mix(255, 0, 128)));
    EXPECT_EQ((static_cast<uint32_t>(p) >> 24), 128u + 32u);  // 128 + 64 * 127 / 255 = 159.9
}

TEST(PixelLoops, ChannelsGoIntoOneBytePixelsAndBack) {
    auto wide = MakeBmp(3, 3, static_cast<TColor>(0x44332211u), pf32bit);
    auto narrow = MakeBmp(3, 3, 0, pf8bit);
    CopyChannel(wide.get(), narrow.get(), 3, true);
    EXPECT_EQ(Px(narrow.get(), 1, 1), 0x44);
    SetPx(narrow.get(), 2, 2, 0x99);
    CopyChannel(wide.get(), narrow.get(), 0, false);
    EXPECT_EQ(static_cast<uint32_t>(Px(wide.get(), 2, 2)), 0x44992211u);  // blue became 0x99
    EXPECT_EQ(static_cast<uint32_t>(Px(wide.get(), 0, 0)), 0x44442211u);
}

TEST(PixelLoops, RoundRectsFadeAtTheirEdges) {
    auto bmp = MakeBmp(40, 40, clWhite);
    BlendRoundRect(bmp.get(), Rect(0, 0, 40, 40), 10, 100, clBlack, 4);
    EXPECT_EQ(Px(bmp.get(), 20, 20), clBlack);
    EXPECT_EQ(Px(bmp.get(), 0, 0), clWhite);  // outside the rounded corner
    TColor edge = Px(bmp.get(), 20, 1);
    EXPECT_GT(edge & 0xFF, 0);
    EXPECT_LT(edge & 0xFF, 255);
}

TEST(Graphics, TilesRepeatABitmapAndCutTheLastOnes) {
    auto tile = MakeBmp(3, 2, clRed);
    SetPx(tile.get(), 0, 0, clBlue);
    auto bmp = MakeBmp(10, 10, clWhite);
    TileGraphic(bmp->Canvas(), Rect(1, 1, 9, 6), tile.get());
    EXPECT_EQ(Px(bmp.get(), 1, 1), clBlue);
    EXPECT_EQ(Px(bmp.get(), 4, 3), clBlue);
    EXPECT_EQ(Px(bmp.get(), 7, 5), clBlue);
    EXPECT_EQ(Px(bmp.get(), 8, 5), clRed);
    EXPECT_EQ(Px(bmp.get(), 9, 5), clWhite);
    EXPECT_EQ(Px(bmp.get(), 1, 6), clWhite);
    EXPECT_EQ(CountColor(bmp.get(), clWhite), 100 - 8 * 5);
}

namespace {

// A 4 x 3 texture image at (2, 1) of a master bitmap: blue top-left pixel, red elsewhere.
struct TextureFixture {
    TsSkinManager manager{nullptr};
    TsMaskData mask;
    TextureFixture() {
        manager.MasterBitmap = MakeBmp(10, 10, clBlack);
        FillPx(manager.MasterBitmap.get(), 2, 1, 6, 4, clRed);
        SetPx(manager.MasterBitmap.get(), 2, 1, clBlue);
        mask.R = Rect(2, 1, 6, 4);
        mask.ImageCount = 1;
        mask.ImgType = itisaTexture;
        mask.Manager = &manager;
    }
};

}  // namespace

TEST(Graphics, TextureModesPaintTheirPartAndLeaveTheRest) {
    struct Case {
        int mode;
        TRect rest;
        int painted;
    } cases[] = {
        {0, TRect(-1, -1, -1, -1), 100}, {2, TRect(0, 3, 10, 10), 30}, {3, TRect(4, 0, 10, 10), 40},
        {4, TRect(0, 3, 10, 10), 30},    {5, TRect(4, 0, 10, 10), 40}, {6, TRect(0, 0, 10, 7), 30},
        {7, TRect(0, 0, 6, 10), 40},     {10, TRect(-1, -1, -1, -1), 100}, {8, TRect(0, 0, 10, 10), 100},
    };
    for (const Case& c : cases) {
        TextureFixture t;
        auto bmp = MakeBmp(10, 10, clWhite);
        TRect r(0, 0, 10, 10);
        PaintTexture(bmp->Canvas(), r, nullptr, c.mode, t.mask);
        EXPECT_EQ(r, c.rest) << c.mode;
        EXPECT_EQ(100 - CountColor(bmp.get(), clWhite), c.painted) << c.mode;
    }
}

TEST(Graphics, TiledTextureModesStartEachTileAtTheImageCorner) {
    TextureFixture t;
    auto bmp = MakeBmp(10, 10, clWhite);
    TRect r(0, 0, 10, 10);
    PaintTexture(bmp->Canvas(), r, nullptr, 0, t.mask);
    EXPECT_EQ(Px(bmp.get(), 0, 0), clBlue);
    EXPECT_EQ(Px(bmp.get(), 4, 3), clBlue);
    EXPECT_EQ(Px(bmp.get(), 8, 9), clBlue);
    EXPECT_EQ(CountColor(bmp.get(), clBlue), 3 * 4);
    auto stretched = MakeBmp(10, 10, clWhite);
    r = TRect(0, 0, 10, 10);
    PaintTexture(stretched->Canvas(), r, nullptr, 1, t.mask);
    EXPECT_EQ(CountColor(stretched.get(), clWhite), 0);
    EXPECT_LT(CountPx(stretched.get(), [](TColor c) { return ((c >> 16) & 0xFF) > 128; }), 20);
}

TEST(Graphics, AGraphicIsTiledOverAllOfR) {
    TextureFixture t;
    auto tile = MakeBmp(3, 3, clLime);
    auto bmp = MakeBmp(10, 10, clWhite);
    TRect r(2, 2, 8, 8);
    PaintTexture(bmp->Canvas(), r, tile.get(), 2, t.mask);
    EXPECT_EQ(r, TRect(-1, -1, -1, -1));
    EXPECT_EQ(CountColor(bmp.get(), clLime), 36);
}

TEST(Graphics, MaskedTexturesAreTiledThroughTheirMask) {
    TsSkinManager manager(nullptr);
    manager.MasterBitmap = MakeBmp(4, 8, clRed);
    FillPx(manager.MasterBitmap.get(), 0, 4, 2, 8, clBlack);  // left half shows the image
    FillPx(manager.MasterBitmap.get(), 2, 4, 4, 8, clWhite);  // right half keeps the background
    TsMaskData mask;
    mask.R = Rect(0, 0, 4, 8);
    mask.ImageCount = 1;
    mask.MaskType = 1;
    mask.Manager = &manager;
    auto bmp = MakeBmp(10, 6, clBlack);
    PaintMaskedTexture(bmp.get(), Rect(0, 0, 10, 6), Point(1, 0), 10, mask);
    // Shifted by one: columns 0, 3, 4, 7, 8 show red (tile columns 1, 0, 1, 0, 1).
    EXPECT_EQ(Px(bmp.get(), 0, 0), clRed);
    EXPECT_EQ(Px(bmp.get(), 1, 0), clBlack);
    EXPECT_EQ(Px(bmp.get(), 3, 5), clRed);
    EXPECT_EQ(Px(bmp.get(), 5, 5), clBlack);
    EXPECT_EQ(CountColor(bmp.get(), clRed), 5 * 6);
}

TEST(Layout, GlyphAndCaptionPlacements) {
    TPoint glyph;
    TRect text;
    const TRect client(10, 20, 110, 50);  // 100 x 30
    // Automatic margin and spacing: a third of the free space each.
    CalcGlyphLayout(client, Point(16, 16), Point(40, 10), glGlyphLeft, 2, -1, -1, false, glyph, text);
    EXPECT_EQ(glyph, Point(10 + 14, 20 + 7));
    EXPECT_EQ(text, TRect(10 + 14 + 16 + 14, 20 + 10, 10 + 14 + 16 + 14 + 40, 20 + 10 + 10));
    // Given spacing, centred.
    CalcGlyphLayout(client, Point(16, 16), Point(40, 10), glGlyphLeft, 2, -1, 4, false, glyph, text);
    EXPECT_EQ(glyph.x, 10 + 20);
    EXPECT_EQ(text.left, 10 + 20 + 16 + 4);
    // Given spacing, not centred: 2 pixels from the edge.
    CalcGlyphLayout(client, Point(16, 16), Point(40, 10), glGlyphLeft, 0, -1, 4, false, glyph, text);
    EXPECT_EQ(glyph.x, 12);
    EXPECT_EQ(text.left, 12 + 16 + 4);
    // Given margin, automatic spacing: half of what is left.
    CalcGlyphLayout(client, Point(16, 16), Point(40, 10), glGlyphLeft, 0, 5, -1, false, glyph, text);
    EXPECT_EQ(glyph.x, 15);
    EXPECT_EQ(text.left, 15 + 16 + (100 - 21 - 40) / 2);
    // Right to left turns a left glyph into a right one.
    CalcGlyphLayout(client, Point(16, 16), Point(40, 10), glGlyphLeft, 0, 5, 3, true, glyph, text);
    EXPECT_EQ(glyph.x, 10 + 100 - 5 - 16);
    EXPECT_EQ(text.right, glyph.x - 3);
    // A glyph on top: centred across, placed along the height.
    CalcGlyphLayout(client, Point(16, 8), Point(40, 10), glGlyphTop, 2, -1, 2, false, glyph, text);
    EXPECT_EQ(glyph, Point(10 + 42, 20 + 5));
    EXPECT_EQ(text.top, 20 + 5 + 8 + 2);
    EXPECT_EQ(text.left, 10 + 30);
}

#include "classlib/visual/Controls.h"

TEST(DeviceContexts, VisibleGraphicChildrenAreLeftOutOfTheClipping) {
    TWinControl parent(nullptr);
    auto* shown = new TGraphicControl(&parent);
    shown->SetParent(&parent);
    shown->SetBounds(2, 2, 3, 3);
    auto* hidden = new TGraphicControl(&parent);
    hidden->SetParent(&parent);
    hidden->SetBounds(6, 6, 2, 2);
    hidden->Hide();
    auto bmp = MakeBmp(12, 12, clBlack);
    HDC dc = bmp->Canvas()->Handle();
    int saved = SaveDC(dc);
    ExcludeGraphicControls(dc, &parent, 1, 0);
    FillDC(dc, Rect(0, 0, 12, 12), clWhite);
    RestoreDC(dc, saved);
    GdiFlush();
    EXPECT_EQ(CountColor(bmp.get(), clBlack), 9);
    EXPECT_EQ(Px(bmp.get(), 3, 2), clBlack);
    EXPECT_EQ(Px(bmp.get(), 2, 2), clWhite);
    EXPECT_EQ(Px(bmp.get(), 6, 6), clWhite);
}

// --- background queries ---

#include "SkinTestControls.h"
#include "skin/engine/sCommonData.h"

namespace {

class BackgroundQueries : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TfrmSkinTest(nullptr);
        parent = new TAnsweringParent(form);
        parent->SetParent(form);
        parent->SetColor(RGBc(1, 2, 3));
    }
    void TearDown() override { form->Free(); }
    TfrmSkinTest* form = nullptr;
    TAnsweringParent* parent = nullptr;
};

}  // namespace

TEST_F(BackgroundQueries, AnAnsweredBitmapBecomesReadyCacheInfo) {
    auto background = MakeBmp(20, 20);
    parent->Background = background.get();
    parent->BackgroundOffset = Point(4, 6);
    TacBGInfo info;
    info.BgType = 9;
    EXPECT_TRUE(QueryControlBGInfo(info, parent, false));
    EXPECT_EQ(info.BgType, 2);
    TCacheInfo ci;
    FillBGInfo(info, ci);
    EXPECT_TRUE(ci.Ready);
    EXPECT_EQ(ci.Bmp, background.get());
    EXPECT_EQ(ci.X, 4);
    EXPECT_EQ(ci.Y, 6);
    EXPECT_EQ(ci.FillColor, clFuchsia);
    // The same through the window, once it has one.
    parent->HandleNeeded();
    TacBGInfo again;
    EXPECT_TRUE(QueryWndBGInfo(again, parent->Handle(), true));
    EXPECT_TRUE(again.PleaseDraw);
    EXPECT_EQ(again.Bmp, background.get());
}

TEST_F(BackgroundQueries, ControlsThatDoNotAnswerAreDescribedByTheirColour) {
    TacBGInfo info;
    EXPECT_FALSE(QueryControlBGInfo(info, parent, false));
    EXPECT_EQ(info.BgType, 1);
    EXPECT_EQ(info.Color, RGBc(1, 2, 3));
    parent->ColorAnswer = RGBc(9, 8, 7);
    EXPECT_FALSE(QueryControlBGInfo(info, parent, false));
    EXPECT_EQ(info.Color, RGBc(9, 8, 7));
    // Asked to paint, the colour fills R of the DC.
    auto bmp = MakeBmp(10, 10, clWhite);
    info.DrawDC = bmp->Canvas()->Handle();
    info.R = Rect(2, 2, 5, 4);
    EXPECT_FALSE(QueryControlBGInfo(info, parent, true));
    GdiFlush();
    EXPECT_EQ(CountColor(bmp.get(), RGBc(9, 8, 7)), 6);
    EXPECT_EQ(Px(bmp.get(), 2, 2), RGBc(9, 8, 7));
    // A colour answer is not a bitmap: the painters get the colour as RGB.
    info.BgType = 1;
    info.Color = clBtnFace;
    TCacheInfo ci = InitCacheInfo(bmp.get(), 1, 1);
    FillBGInfo(info, ci);
    EXPECT_FALSE(ci.Ready);
    EXPECT_EQ(ci.Bmp, nullptr);
    EXPECT_EQ(ci.FillColor, static_cast<TColor>(GetSysColor(COLOR_BTNFACE)));
}

TEST_F(BackgroundQueries, AWindowThatDoesNotAnswerLeavesTheQueryUnanswered) {
    HWND plain = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(plain, nullptr);
    TacBGInfo info;
    EXPECT_FALSE(QueryWndBGInfo(info, plain, false));
    EXPECT_EQ(info.BgType, 0);
    DestroyWindow(plain);
    EXPECT_FALSE(QueryControlBGInfo(info, nullptr, false));
}

// --- skinned text of a control ---

namespace {

class SkinnedText : public BackgroundQueries {
protected:
    void SetUp() override {
        BackgroundQueries::SetUp();
        TsGeneralData global;
        global.ClassName = "GLOBALINFO";
        global.Color = RGBc(0, 0, 255);
        manager.Sections.push_back(global);
        TsGeneralData own;
        own.ClassName = "LABEL";
        own.FontColor[0] = RGBc(255, 0, 0);
        own.FontColor[1] = RGBc(0, 255, 0);  // left
        own.FontColor[3] = RGBc(0, 255, 255);  // right
        own.HotFontColor[0] = RGBc(255, 0, 0);
        manager.Sections.push_back(own);
        TsGeneralData giving;
        giving.ClassName = "PANEL";
        giving.GiveOwnFont = true;
        giving.FontColor[0] = giving.HotFontColor[0] = RGBc(0, 128, 0);
        manager.Sections.push_back(giving);
        parent->HandleNeeded();
        owner = new TRecordingControl(form);
        owner->SetParent(parent);
        owner->Font()->SetHeight(-32);
        owner->Font()->SetStyle({fsBold});
        owner->Font()->SetColor(RGBc(0, 0, 128));
        data = std::make_unique<TsCommonData>(owner, false);
        data->SetSkinSection("LABEL");
        bmp = MakeBmp(200, 60, clWhite);
    }
    int Count(TColor c) {
        GdiFlush();
        return CountColor(bmp.get(), c);
    }
    void Write(bool enabled, bool hot, const TRect& r = Rect(10, 10, 190, 55)) {
        WriteSkinText(bmp->Canvas(), "Wxyz", enabled, hot, data.get(), DT_SINGLELINE, r);
    }
    TsSkinManager manager{nullptr};
    TRecordingControl* owner = nullptr;
    std::unique_ptr<TsCommonData> data;
    std::unique_ptr<TBitmap> bmp;
};

}  // namespace

TEST_F(SkinnedText, TheOwnersFontIsWrittenInTheSectionsColoursInsideR) {
    ASSERT_EQ(DefaultManager, &manager);
    Write(true, false, Rect(10, 12, 190, 55));
    EXPECT_EQ(bmp->Canvas()->Font()->Height(), -32);
    EXPECT_GT(Count(RGBc(255, 0, 0)), 50);
    EXPECT_GT(Count(RGBc(0, 255, 0)), 0);
    EXPECT_GT(Count(RGBc(0, 255, 255)), 0);
    EXPECT_EQ(Count(RGBc(0, 0, 128)), 0);
    // Nothing outside R, though the outlines reach one pixel beyond it.
    auto notWhite = [](TColor c) { return c != clWhite; };
    EXPECT_EQ(CountPx(bmp.get(), notWhite, 0, 0, 200, 12), 0);
    EXPECT_EQ(CountPx(bmp.get(), notWhite, 0, 0, 10, 60), 0);
}

TEST_F(SkinnedText, ACustomFontKeepsItsColourAndHasNoOutlines) {
    data->SetCustomFont(true);
    Write(true, false);
    EXPECT_GT(Count(RGBc(0, 0, 128)), 50);
    EXPECT_EQ(Count(RGBc(255, 0, 0)), 0);
    EXPECT_EQ(Count(RGBc(0, 255, 0)), 0);
}

TEST_F(SkinnedText, DisabledTextIsMixedWithTheGlobalColour) {
    Write(false, false);
    EXPECT_GT(Count(MixColors(RGBc(255, 0, 0), RGBc(0, 0, 255), 0.4)), 20);
    EXPECT_EQ(Count(RGBc(255, 0, 0)), 0);
    EXPECT_EQ(Count(RGBc(0, 255, 0)), 0);
}

TEST_F(SkinnedText, WithoutASectionTheFontKeepsItsColour) {
    data->SetSkinSection("NOSUCH");
    Write(true, false);
    EXPECT_GT(Count(RGBc(0, 0, 128)), 50);
    bmp = MakeBmp(200, 60, clWhite);
    Write(false, false);
    EXPECT_GT(Count(RGBc(0, 0, 128)), 50);
}

TEST_F(SkinnedText, CheckBoxesAndSeeThroughGraphicControlsWriteInTheirParentsColours) {
    parent->SectionAnswer = 2 + 1;  // PANEL, which gives its font
    data->COC = 32;
    Write(true, false);
    EXPECT_GT(Count(RGBc(0, 128, 0)), 50);
    EXPECT_EQ(Count(RGBc(255, 0, 0)), 0);

    auto* graphic = new TRecordingGraphic(form);
    graphic->SetParent(parent);
    TsCommonData graphicData(graphic, false);
    graphicData.SetSkinSection("LABEL");
    auto own = [&](bool hot) {
        bmp = MakeBmp(200, 60, clWhite);
        WriteSkinText(bmp->Canvas(), "Wxyz", true, hot, &graphicData, DT_SINGLELINE, Rect(10, 10, 190, 55));
        return Count(RGBc(255, 0, 0)) > 0;
    };
    EXPECT_TRUE(own(false));  // an opaque section keeps its colours
    manager.Sections[1].HotTransparency = 20;
    EXPECT_TRUE(own(false));
    EXPECT_FALSE(own(true));  // transparent when hot: the parent's colours
    EXPECT_GT(Count(RGBc(0, 128, 0)), 50);
}

TEST_F(SkinnedText, HotWebButtonsAreUnderlined) {
    Write(true, true);
    int plain = Count(RGBc(255, 0, 0));
    data->SetSkinSection("WEBBUTTON");
    manager.Sections[1].ClassName = "WEBBUTTON";
    data->UpdateIndexes();
    bmp = MakeBmp(200, 60, clWhite);
    Write(true, false);
    EXPECT_LT(Count(RGBc(255, 0, 0)), plain + 5);
    bmp = MakeBmp(200, 60, clWhite);
    Write(true, true);
    EXPECT_GT(Count(RGBc(255, 0, 0)), plain + 30);
}
