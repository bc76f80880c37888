#include "skin/engine/acFastPixels.h"
#include "skin/engine/sSkinManager.h"

#include "PixelTestUtils.h"

#include "classlib/visual/Controls.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

// The colour of region (i, j) (column and row of the 9-slice, each 0..2) of a frame state.
TColor Region(int i, int j, int state) { return RGBc(40 * i + 10, 40 * j + 10, 50 * state + 5); }

// A manager whose master bitmap holds three 30 x 30 frame states with 10-pixel borders; with a mask, the
// mask of each state lies below it, filled with maskColour.
class FrameFixture : public ::testing::Test {
protected:
    void Build(bool masked, TColor maskColour = 0) {
        manager.MasterBitmap = MakeBmp(90, masked ? 60 : 30);
        TBitmap* m = manager.MasterBitmap.get();
        for (int s = 0; s < 3; ++s)
            for (int j = 0; j < 3; ++j)
                for (int i = 0; i < 3; ++i)
                    FillPx(m, s * 30 + i * 10, j * 10, s * 30 + i * 10 + 10, j * 10 + 10, Region(i, j, s));
        if (masked)
            FillPx(m, 0, 30, 90, 60, maskColour);
        mask.R = Rect(0, 0, 90, masked ? 60 : 30);
        mask.ImageCount = 3;
        mask.MaskType = masked ? 1 : 0;
        mask.WL = mask.WT = mask.WR = mask.WB = 10;
        mask.Manager = &manager;
    }
    TsSkinManager manager{nullptr};
    TsMaskData mask;
    TCacheInfo noBackground;
};

}  // namespace

TEST(FastPixels, AttachNeedsTwoByTwoPixelsOfTheRightFormat) {
    TacFast24 f;
    auto tiny = MakeBmp(1, 1);
    EXPECT_FALSE(f.Attach(tiny.get()));
    EXPECT_EQ(f.Width(), 0);
    auto line = MakeBmp(5, 1);
    EXPECT_FALSE(f.Attach(line.get()));
    EXPECT_FALSE(f.Attach(nullptr));
    auto wide = MakeBmp(4, 4, 0, pf32bit);
    EXPECT_FALSE(f.Attach(wide.get()));
    auto ok = MakeBmp(3, 2, RGBc(1, 2, 3));
    SetPx(ok.get(), 2, 1, RGBc(10, 20, 30));
    ASSERT_TRUE(f.Attach(ok.get()));
    EXPECT_EQ(f.Width(), 3);
    EXPECT_EQ(f.Height(), 2);
    EXPECT_EQ(f.GetPixel(0, 0), RGBc(1, 2, 3));
    EXPECT_EQ(f.GetPixel(2, 1), RGBc(10, 20, 30));
    EXPECT_LT(f.Delta(), 0);  // bottom-up rows
}

TEST(FastPixels, Fast32RepeatsRedInTheTopByte) {
    TacFast32 f;
    auto bmp = MakeBmp(2, 2, static_cast<TColor>(0x7F332211), pf32bit);
    ASSERT_TRUE(f.Attach(bmp.get()));
    EXPECT_EQ(static_cast<uint32_t>(f.GetPixel(1, 1)), 0x11332211u);
    auto narrow = MakeBmp(2, 2);
    EXPECT_FALSE(f.Attach(narrow.get()));
}

TEST(FastPixels, BlendRectWeighsEveryByteWithRounding) {
    auto dst = MakeBmp(4, 3, RGBc(255, 0, 200));
    auto src = MakeBmp(4, 3, RGBc(0, 255, 100));
    ASSERT_TRUE(acFastSum24.Attach(src.get(), dst.get()));
    acFastSum24.Alpha = 255;
    acFastSum24.DstRect = Rect(0, 0, 2, 2);
    acFastSum24.SrcPoint = Point(0, 0);
    acFastSum24.BlendRect();
    // (dst * 255 + src * 0 + 127) shr 8: 255 becomes 254, 0 stays 0, 200 becomes 199.
    EXPECT_EQ(Px(dst.get(), 0, 0), RGBc(254, 0, 199));
    EXPECT_EQ(Px(dst.get(), 1, 1), RGBc(254, 0, 199));
    EXPECT_EQ(Px(dst.get(), 2, 0), RGBc(255, 0, 200));  // right edge excluded
    EXPECT_EQ(Px(dst.get(), 0, 2), RGBc(255, 0, 200));  // bottom edge excluded
    acFastSum24.Alpha = 0;
    acFastSum24.DstRect = Rect(2, 0, 4, 1);
    acFastSum24.BlendRect();
    EXPECT_EQ(Px(dst.get(), 3, 0), RGBc(0, 254, 100));  // (100 * 255 + 127) shr 8 = 100
    acFastSum24.Alpha = 128;
    acFastSum24.DstRect = Rect(0, 2, 1, 3);
    acFastSum24.BlendRect();
    // (255 * 128 + 0 * 127 + 127) shr 8 = 127; (0 + 255 * 127 + 127) shr 8 = 127; (200 * 128 + 100 * 127 + 127) shr 8 = 150.
    EXPECT_EQ(Px(dst.get(), 0, 2), RGBc(127, 127, 150));
}

TEST(FastPixels, BlendRectClipsToBothBitmaps) {
    auto dst = MakeBmp(4, 4, RGBc(100, 100, 100));
    auto src = MakeBmp(3, 3, RGBc(0, 0, 0));
    ASSERT_TRUE(acFastSum24.Attach(src.get(), dst.get()));
    EXPECT_EQ(acFastSum24.Width(), 3);
    acFastSum24.Alpha = 0;
    acFastSum24.DstRect = Rect(-5, -5, 50, 50);
    acFastSum24.SrcPoint = Point(-3, -4);
    acFastSum24.BlendRect();
    // Destination (-5 + 3, -5 + 4) = (-2, -1) meets source (0, 0): only the columns from 0 and rows from 0 exist,
    // at source (2, 1) onwards.
    EXPECT_EQ(Px(dst.get(), 0, 0), RGBc(0, 0, 0));
    EXPECT_EQ(Px(dst.get(), 0, 1), RGBc(0, 0, 0));
    EXPECT_EQ(Px(dst.get(), 1, 0), RGBc(100, 100, 100));  // source column 3 does not exist
    EXPECT_EQ(Px(dst.get(), 0, 2), RGBc(100, 100, 100));  // source row 3 does not exist
}

TEST(FastPixels, BlendColorRectIncludesTheRightAndBottomEdges) {
    auto bmp = MakeBmp(5, 5, RGBc(10, 20, 30));
    BlendColorRect(bmp.get(), Rect(1, 1, 3, 3), 100, clWhite);
    EXPECT_EQ(CountColor(bmp.get(), RGBc(10, 20, 30)), 25);
    BlendColorRect(bmp.get(), Rect(1, 1, 3, 3), 0, clWhite);
    EXPECT_EQ(CountColor(bmp.get(), clWhite), 9);
    EXPECT_EQ(Px(bmp.get(), 3, 3), clWhite);
    EXPECT_EQ(Px(bmp.get(), 4, 4), RGBc(10, 20, 30));
    // Clipped to Width - 1 and Height - 1.
    BlendColorRect(bmp.get(), Rect(-3, -3, 40, 40), 0, clBlack);
    EXPECT_EQ(CountColor(bmp.get(), clBlack), 25);
}

TEST(FastPixels, BlendColorRectRoundsTiesToEven) {
    auto bmp = MakeBmp(3, 3, RGBc(1, 3, 250));
    BlendColorRect(bmp.get(), Rect(0, 0, 2, 2), 50, clBlack);
    // 0.5 rounds to 0, 1.5 to 2, 125 stays.
    EXPECT_EQ(Px(bmp.get(), 0, 0), RGBc(0, 2, 125));
    BlendColorRect(bmp.get(), Rect(0, 0, 2, 2), 37, RGBc(200, 100, 0));
    // 0 * 0.37 + 200 * 0.63 = 126; 2 * 0.37 + 100 * 0.63 = 63.74; 125 * 0.37 = 46.25.
    EXPECT_EQ(Px(bmp.get(), 1, 1), RGBc(126, 64, 46));
}

TEST(FastPixels, StateEffectsTurnGreyAndBlendTheDisabledLook) {
    auto bmp = MakeBmp(4, 4, RGBc(30, 60, 91));
    PaintStateEffects(bmp.get(), acEffectGrey, nullptr, Point(0, 0), TCacheInfo());
    EXPECT_EQ(Px(bmp.get(), 2, 2), RGBc(60, 60, 60));  // 181 / 3 truncated
    auto background = MakeBmp(10, 10, RGBc(200, 0, 100));
    FillPx(background.get(), 3, 2, 5, 4, RGBc(0, 250, 10));
    TCacheInfo ci = InitCacheInfo(background.get(), 1, 1);
    PaintStateEffects(bmp.get(), acEffectDisabled, nullptr, Point(2, 1), ci);
    // 40 percent own over 60 percent background: 60 * 0.4 + 200 * 0.6 = 144, 24 + 0 = 24, 24 + 60 = 84.
    EXPECT_EQ(Px(bmp.get(), 3, 3), RGBc(144, 24, 84));
    // Background (1 + 2 + 0, 1 + 1 + 0) = (3, 2) is the other colour: 24 + 0, 24 + 150, 24 + 6.
    EXPECT_EQ(Px(bmp.get(), 0, 0), RGBc(24, 174, 30));
}

TEST(FastPixels, DisabledLookWithoutBackgroundTakesHalfTheFillColour) {
    auto bmp = MakeBmp(3, 3, RGBc(100, 0, 255));
    TCacheInfo ci;
    ci.FillColor = RGBc(200, 100, 0);
    PaintStateEffects(bmp.get(), acEffectDisabled, nullptr, Point(0, 0), ci);
    EXPECT_EQ(Px(bmp.get(), 1, 1), RGBc(150, 50, 128));  // 127.5 rounds to 128
}

TEST_F(FrameFixture, BordersThatDoNotFitAreShrunk) {
    Build(false);
    auto bmp = MakeBmp(15, 30, clBlack);
    DrawMaskedFrame(bmp.get(), Rect(0, 0, 15, 30), 0, mask, noBackground);
    // 10 + 10 in 15 pixels: the left border keeps 8 columns, the right one 7.
    EXPECT_EQ(Px(bmp.get(), 7, 0), Region(0, 0, 0));
    EXPECT_EQ(Px(bmp.get(), 8, 0), Region(2, 0, 0));
    EXPECT_EQ(Px(bmp.get(), 14, 29), Region(2, 2, 0));
    EXPECT_EQ(Px(bmp.get(), 0, 15), Region(0, 1, 0));
}

TEST_F(FrameFixture, EdgesAndCentreAreTiledInStepsOfTheSourcePiece) {
    Build(false);
    // A centre with two colours side by side shows whether it is tiled.
    FillPx(manager.MasterBitmap.get(), 45, 10, 50, 20, clBlue);
    auto bmp = MakeBmp(60, 45, clBlack);
    DrawMaskedFrame(bmp.get(), Rect(0, 0, 60, 45), 1, mask, noBackground);
    EXPECT_EQ(Px(bmp.get(), 0, 0), Region(0, 0, 1));
    EXPECT_EQ(Px(bmp.get(), 59, 44), Region(2, 2, 1));
    EXPECT_EQ(Px(bmp.get(), 10, 10), Region(1, 1, 1));
    EXPECT_EQ(Px(bmp.get(), 15, 10), clBlue);
    EXPECT_EQ(Px(bmp.get(), 20, 10), Region(1, 1, 1));  // the second tile
    EXPECT_EQ(Px(bmp.get(), 25, 34), clBlue);
    EXPECT_EQ(Px(bmp.get(), 45, 20), clBlue);  // the last whole tile, 40..49
    EXPECT_EQ(Px(bmp.get(), 30, 5), Region(1, 0, 1));  // top edge repeated
    EXPECT_EQ(Px(bmp.get(), 5, 30), Region(0, 1, 1));  // left edge repeated
    EXPECT_EQ(CountColor(bmp.get(), clBlack), 0);
}

TEST_F(FrameFixture, StretchedCentreIsNotRepeated) {
    Build(false);
    FillPx(manager.MasterBitmap.get(), 45, 10, 50, 20, clBlue);
    mask.DrawMode = 1;
    auto bmp = MakeBmp(60, 45, clBlack);
    DrawMaskedFrame(bmp.get(), Rect(0, 0, 60, 45), 1, mask, noBackground);
    EXPECT_EQ(Px(bmp.get(), 0, 0), Region(0, 0, 1));  // corners are copied, never stretched
    auto bluish = [](TColor c) { return ((c >> 16) & 0xFF) > 200 && (c & 0xFF) < 50; };
    // The left half of the centre (x 10..29) holds the stretched left half of the source: no blue there.
    EXPECT_EQ(CountPx(bmp.get(), bluish, 10, 10, 28, 35), 0);
    EXPECT_GT(CountPx(bmp.get(), bluish, 32, 10, 50, 35), 100);
    EXPECT_EQ(CountColor(bmp.get(), clBlack), 0);
}

TEST_F(FrameFixture, MasksShowTheImageKeepTheBackgroundOrMix) {
    const TColor below = RGBc(200, 100, 50);
    for (int m : {0, 255, 128}) {
        Build(true, RGBc(m, m, m));
        auto bmp = MakeBmp(30, 30, below);
        DrawMaskedFrame(bmp.get(), Rect(0, 0, 30, 30), 2, mask, noBackground);
        TColor s = Region(1, 1, 2);
        int r = s & 0xFF, g = (s >> 8) & 0xFF, b = (s >> 16) & 0xFF;
        EXPECT_EQ(Px(bmp.get(), 15, 15), RGBc(MaskMix(200, r, m), MaskMix(100, g, m), MaskMix(50, b, m))) << m;
    }
    // Black shows the image exactly, white keeps (almost) what lay below.
    Build(true, clBlack);
    auto shown = MakeBmp(30, 30, below);
    DrawMaskedFrame(shown.get(), Rect(0, 0, 30, 30), 0, mask, noBackground);
    EXPECT_EQ(Px(shown.get(), 0, 0), Region(0, 0, 0));
    EXPECT_EQ(Px(shown.get(), 29, 29), Region(2, 2, 0));
}

TEST_F(FrameFixture, MaskedPixelsTakeTheCacheBackgroundWhenThereIsOne) {
    Build(true, clWhite);
    auto background = MakeBmp(50, 50, RGBc(0, 0, 0));
    FillPx(background.get(), 5, 5, 40, 40, RGBc(100, 150, 250));
    auto bmp = MakeBmp(30, 30, RGBc(9, 9, 9));
    DrawMaskedFrame(bmp.get(), Rect(0, 0, 30, 30), 0, mask, InitCacheInfo(background.get(), 5, 5));
    TColor s = Region(0, 0, 0);
    EXPECT_EQ(Px(bmp.get(), 0, 0), RGBc(MaskMix(100, s & 0xFF, 255), MaskMix(150, (s >> 8) & 0xFF, 255),
                                        MaskMix(250, (s >> 16) & 0xFF, 255)));
}

TEST_F(FrameFixture, MagentaCornersShowTheBackground) {
    Build(false);
    FillPx(manager.MasterBitmap.get(), 0, 0, 2, 2, clFuchsia);
    auto bmp = MakeBmp(30, 30, RGBc(1, 2, 3));
    DrawMaskedFrame(bmp.get(), Rect(0, 0, 30, 30), 0, mask, noBackground);
    EXPECT_EQ(Px(bmp.get(), 0, 0), RGBc(1, 2, 3));  // left out
    EXPECT_EQ(Px(bmp.get(), 2, 2), Region(0, 0, 0));
    auto background = MakeBmp(40, 40, RGBc(77, 88, 99));
    DrawMaskedFrame(bmp.get(), Rect(0, 0, 30, 30), 0, mask, InitCacheInfo(background.get(), 3, 3));
    EXPECT_EQ(Px(bmp.get(), 1, 1), RGBc(77, 88, 99));
}

TEST_F(FrameFixture, NoFrameWithoutAStateWhenTheModeSaysSo) {
    Build(false);
    mask.DrawMode = 2;
    auto bmp = MakeBmp(30, 30, clBlack);
    DrawMaskedFrame(bmp.get(), Rect(0, 0, 30, 30), 0, mask, noBackground);
    EXPECT_EQ(CountColor(bmp.get(), clBlack), 900);
    DrawMaskedFrame(bmp.get(), Rect(0, 0, 30, 30), 1, mask, noBackground);
    EXPECT_EQ(Px(bmp.get(), 15, 15), Region(1, 1, 1));
}

TEST_F(FrameFixture, StatesBeyondTheLastPaintTheLast) {
    Build(false);
    auto bmp = MakeBmp(30, 30, clBlack);
    DrawMaskedFrame(bmp.get(), Rect(0, 0, 30, 30), 7, mask, noBackground);
    EXPECT_EQ(Px(bmp.get(), 15, 15), Region(1, 1, 2));
    DrawMaskedFrame(bmp.get(), Rect(0, 0, 30, 30), -3, mask, noBackground);  // a negative state paints the first
    EXPECT_EQ(Px(bmp.get(), 15, 15), Region(1, 1, 0));
}

TEST_F(FrameFixture, NothingWithoutManagerBitmapOrRoom) {
    Build(false);
    auto bmp = MakeBmp(30, 30, clBlack);
    TsMaskData orphan = mask;
    orphan.Manager = nullptr;
    DrawMaskedFrame(bmp.get(), Rect(0, 0, 30, 30), 0, orphan, noBackground);
    DrawMaskedFrame(bmp.get(), Rect(0, 0, 1, 30), 0, mask, noBackground);
    DrawMaskedFrame(nullptr, Rect(0, 0, 30, 30), 0, mask, noBackground);
    EXPECT_EQ(CountColor(bmp.get(), clBlack), 900);
}

TEST_F(FrameFixture, BadCountsAndRectanglesOutsideThePicturesAreSafe) {
    Build(true, clBlack);
    mask.ImageCount = 0;
    mask.MaskType = -2;
    auto bmp = MakeBmp(20, 20, clBlack);
    DrawMaskedFrame(bmp.get(), Rect(-50, -50, 100, 100), 0, mask, noBackground);
    mask.ImageCount = 3;
    mask.MaskType = 1;
    mask.R = Rect(60, 20, 200, 300);  // far beyond the master bitmap
    DrawMaskedFrame(bmp.get(), Rect(0, 0, 20, 20), 2, mask, noBackground);
    mask.R = Rect(-40, -40, 50, 50);
    DrawMaskedFrame(bmp.get(), Rect(0, 0, 20, 20), 1, mask, noBackground);
    DrawMaskGlyph(bmp.get(), Point(-100, 5), 0, noBackground, mask, true);
    SUCCEED();
}

TEST_F(FrameFixture, GlyphsPaintTheirStateAndClipAtNegativePositions) {
    Build(true, clBlack);
    auto bmp = MakeBmp(40, 40, clWhite);
    DrawMaskGlyph(bmp.get(), Point(5, 5), 9, noBackground, mask, true);
    EXPECT_EQ(Px(bmp.get(), 5, 5), Region(0, 0, 2));
    EXPECT_EQ(Px(bmp.get(), 34, 34), Region(2, 2, 2));
    EXPECT_EQ(Px(bmp.get(), 35, 35), clWhite);
    auto clipped = MakeBmp(40, 40, clWhite);
    DrawMaskGlyph(clipped.get(), Point(-12, -25), 1, noBackground, mask, true);
    EXPECT_EQ(Px(clipped.get(), 0, 0), Region(1, 2, 1));  // source (42, 25)
    EXPECT_EQ(Px(clipped.get(), 17, 4), Region(2, 2, 1));
    EXPECT_EQ(Px(clipped.get(), 18, 0), clWhite);
    EXPECT_EQ(Px(clipped.get(), 0, 5), clWhite);
}

TEST_F(FrameFixture, GlyphsWithoutMaskAreCopiedOrHalfBlended) {
    Build(false);
    FillPx(manager.MasterBitmap.get(), 0, 0, 1, 1, clFuchsia);
    auto bmp = MakeBmp(40, 40, RGBc(101, 0, 255));
    DrawMaskGlyph(bmp.get(), Point(0, 0), 0, noBackground, mask, true);
    EXPECT_EQ(Px(bmp.get(), 0, 0), RGBc(101, 0, 255));  // magenta left out
    EXPECT_EQ(Px(bmp.get(), 1, 1), Region(0, 0, 0));
    auto blended = MakeBmp(40, 40, RGBc(101, 0, 255));
    DrawMaskGlyph(blended.get(), Point(0, 0), 0, noBackground, mask, false);
    EXPECT_EQ(Px(blended.get(), 0, 0), RGBc(101, 0, 255));
    // Region (0, 0, 0) is (10, 10, 5): (10 + 101) / 2 = 55.5 -> 56, 5, (5 + 255) / 2 = 130.
    EXPECT_EQ(Px(blended.get(), 1, 1), RGBc(56, 5, 130));
}

TEST(MaskedCopy, ImpureMasksAdd100ToTheMask) {
    TsSkinManager manager(nullptr);
    auto src = MakeBmp(4, 8, RGBc(100, 100, 100));
    FillPx(src.get(), 0, 4, 4, 8, clBlack);
    SetPx(src.get(), 1, 0, clFuchsia);
    TsMaskData mask;
    mask.R = Rect(0, 0, 4, 8);
    mask.ImageCount = 1;
    mask.MaskType = 1;
    auto dst = MakeBmp(4, 4, RGBc(200, 0, 50));
    CopyImageByMask(Rect(0, 0, 4, 4), Rect(0, 0, 4, 4), dst.get(), mask, false, clFuchsia, src.get());
    EXPECT_EQ(Px(dst.get(), 0, 0), RGBc(MaskMix(200, 100, 100), MaskMix(0, 100, 100), MaskMix(50, 100, 100)));
    EXPECT_EQ(Px(dst.get(), 1, 0), RGBc(200, 0, 50));
    CopyImageByMask(Rect(0, 0, 4, 4), Rect(0, 0, 4, 4), dst.get(), mask, true, clFuchsia, src.get());
    EXPECT_EQ(Px(dst.get(), 0, 0), RGBc(100, 100, 100));
}

namespace {

// Runs the check once with each level of blending loops this processor runs: SSE2 always, SSSE3 and AVX2 where
// it has them.
void ForEachVectorWidth(const std::function<void()>& check) {
    const TacPixelLoops widest = acWidestPixelLoops(), was = acPixelLoops;
    for (TacPixelLoops level : {plSSE2, plSSSE3, plAVX2}) {
        if (level > widest)
            continue;
        SCOPED_TRACE(level == plAVX2 ? "AVX2" : level == plSSSE3 ? "SSSE3" : "SSE2");
        acPixelLoops = level;
        check();
    }
    acPixelLoops = was;
}

}  // namespace

TEST(FastPixels, BlendRectIsExactForEveryPairOfBytes) {
    // Row y, byte x: destination x, source y, so every pair of bytes meets once (plus odd row ends).
    auto dst = MakeBmp(259, 256), src = MakeBmp(259, 256);
    ForEachVectorWidth([&] {
        for (int alpha : {0, 1, 77, 127, 128, 254, 255}) {
            for (int y = 0; y < 256; ++y) {
                auto* d = static_cast<uint8_t*>(dst->ScanLine(y));
                auto* s = static_cast<uint8_t*>(src->ScanLine(y));
                for (int x = 0; x < 259 * 3; ++x)
                    d[x] = static_cast<uint8_t>(x), s[x] = static_cast<uint8_t>(y);
            }
            ASSERT_TRUE(acFastSum24.Attach(src.get(), dst.get()));
            acFastSum24.Alpha = static_cast<uint8_t>(alpha);
            acFastSum24.DstRect = Rect(0, 0, 259, 256);
            acFastSum24.SrcPoint = Point(0, 0);
            acFastSum24.BlendRect();
            int wrong = 0;
            for (int y = 0; y < 256; ++y) {
                auto* d = static_cast<uint8_t*>(dst->ScanLine(y));
                for (int x = 0; x < 259 * 3; ++x)
                    wrong += d[x] != (((x & 0xFF) * alpha + y * (255 - alpha) + 127) >> 8);
            }
            EXPECT_EQ(wrong, 0) << alpha;
        }
    });
}

TEST(FastPixels, MaskMixingIsExactForAnyBytes) {
    std::vector<uint8_t> b(4099), s(b.size()), m(b.size()), d(b.size());
    ForEachVectorWidth([&] {
        uint32_t seed = 12345;
        auto next = [&] { return static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 16); };
        for (int round = 0; round < 64; ++round) {
            for (size_t i = 0; i < b.size(); ++i) {
                b[i] = next(), s[i] = next(), m[i] = next();
                if (i % 7 == 0)
                    m[i] = (round & 1) ? 255 : 0;  // the extremes of the mask
                if (i % 11 == 0)
                    b[i] = round & 2 ? 255 : 0, s[i] = round & 2 ? 0 : 255;  // the largest differences
            }
            MixBytesByMask(d.data(), b.data(), s.data(), m.data(), static_cast<int>(b.size()));
            int wrong = 0;
            for (size_t i = 0; i < b.size(); ++i)
                wrong += d[i] != MaskMix(b[i], s[i], m[i]);
            ASSERT_EQ(wrong, 0) << round;
            // In place over the background, as the frame painter calls it.
            std::vector<uint8_t> inPlace = b;
            MixBytesByMask(inPlace.data(), inPlace.data(), s.data(), m.data(), static_cast<int>(b.size()));
            ASSERT_EQ(inPlace, d);
        }
    });
}

// A masked image repeated over an area (here a frame without borders: all centre) gives, with each level of
// loops, every pixel as the image pixel of its place in the repetition mixed through its mask over what lies
// below: the cache-info background where it has the pixel, else what the bitmap held. Awkward widths, odd
// positions, areas cut by the bitmap's edges, and a background that covers only part of the rows and columns.
TEST(FastPixels, MaskedTilesMixEveryPixelOverWhatLiesBelow) {
    TsSkinManager manager(nullptr);
    // One 5 x 3 state with its mask below, at (2, 1) of the master bitmap; the mask holds 0, 255 and between.
    manager.MasterBitmap = MakeBmp(9, 8, RGBc(1, 2, 3));
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 5; ++i) {
            SetPx(manager.MasterBitmap.get(), 2 + i, 1 + j, RGBc(50 * i + 3, 255 - 40 * j - i, 17 * (i + j) + 100));
            int k = (i * 3 + j * 7) % 6;
            int m = k == 0 ? 0 : k == 1 ? 255 : 37 * k + j;
            SetPx(manager.MasterBitmap.get(), 2 + i, 4 + j, RGBc(m, 255 - m, (m * 7) & 0xFF));
        }
    TsMaskData mask;
    mask.R = Rect(2, 1, 7, 7);
    mask.ImageCount = 1;
    mask.MaskType = 1;
    mask.Manager = &manager;
    auto before = MakeBmp(25, 13);
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 25; ++x)
            SetPx(before.get(), x, y, RGBc(x * 10, 255 - y * 19, (x * y) & 0xFF));
    auto background = MakeBmp(20, 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            SetPx(background.get(), x, y, RGBc(200 - x * 9, y * 12, 90));
    // Pixel (x, y) of the painted bitmap lies over (x - 2, y - 1) of the background: none for the first two
    // columns, the last three and the first row.
    const TCacheInfo withBackground = InitCacheInfo(background.get(), -2, -1);
    const TCacheInfo none;
    TBitmap* master = manager.MasterBitmap.get();

    ForEachVectorWidth([&] {
        for (const TCacheInfo* ci : {&none, &withBackground})
            for (int w = 1; w <= 17; ++w)
                for (int h : {1, 2, 3, 4, 7})
                    for (TPoint at : {TPoint(0, 0), TPoint(3, 1), TPoint(-3, -2), TPoint(25 - w + 3, 13 - h + 1)}) {
                        auto bmp = MakeBmp(25, 13);
                        BitBlt(bmp->Canvas()->Handle(), 0, 0, 25, 13, before->Canvas()->Handle(), 0, 0, SRCCOPY);
                        TRect R = Bounds(at.x, at.y, w, h);
                        DrawMaskedFrame(bmp.get(), R, 0, mask, *ci);
                        int wrong = 0;
                        for (int y = 0; y < 13; ++y)
                            for (int x = 0; x < 25; ++x) {
                                TColor expected = Px(before.get(), x, y);
                                if (w >= 2 && h >= 2 && x >= R.left && x < R.right && y >= R.top && y < R.bottom) {
                                    int i = (x - R.left) % 5, j = (y - R.top) % 3;
                                    TColor s = Px(master, 2 + i, 1 + j), m = Px(master, 2 + i, 4 + j);
                                    TColor below = expected;
                                    if (ci->Ready && x - 2 >= 0 && x - 2 < 20 && y - 1 >= 0)
                                        below = Px(background.get(), x - 2, y - 1);
                                    expected = RGBc(MaskMix(below & 0xFF, s & 0xFF, m & 0xFF),
                                                    MaskMix((below >> 8) & 0xFF, (s >> 8) & 0xFF, (m >> 8) & 0xFF),
                                                    MaskMix((below >> 16) & 0xFF, (s >> 16) & 0xFF, (m >> 16) & 0xFF));
                                }
                                wrong += Px(bmp.get(), x, y) != expected;
                            }
                        ASSERT_EQ(wrong, 0) << (ci->Ready ? "over a background, " : "") << w << " x " << h << " at "
                                            << at.x << "," << at.y;
                    }
    });
}

// The same along rows much wider than the piece, where a row's mask and image share are made once and repeat many
// times along it (small pieces, rows of the same source row mixed together, more of them than one batch), where a
// wide piece is prepared for the whole row, and where a short area is mixed straight from the skin's bitmap: piece
// widths whose rows are and are not whole vector chunks, areas that start at odd columns or left of the bitmap and
// are cut at its right edge, and a background that begins and ends inside a vector chunk.
TEST(FastPixels, MaskedTilesAlongWideRowsMixEveryPixel) {
    constexpr int W = 301, H = 23;
    auto before = MakeBmp(W, H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            SetPx(before.get(), x, y, RGBc((x * 7 + y) & 0xFF, (255 - x * 3 + y * 11) & 0xFF, (x * y + 5) & 0xFF));
    auto background = MakeBmp(200, 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 200; ++x)
            SetPx(background.get(), x, y, RGBc((x * 5) & 0xFF, 255 - y * 8, (x + y * 3) & 0xFF));
    // Painted pixel (x, y) lies over (x - 37, y + 2) of the background: only columns 37 to 236 have one.
    const TCacheInfo withBackground = InitCacheInfo(background.get(), -37, 2);
    const TCacheInfo none;

    ForEachVectorWidth([&] {
        for (int sw : {1, 5, 16, 36, 43})
            for (int sh : {1, 3, 5}) {
                TsSkinManager manager(nullptr);
                manager.MasterBitmap = MakeBmp(sw + 2, 2 * sh + 2, RGBc(9, 9, 9));
                TBitmap* master = manager.MasterBitmap.get();
                for (int j = 0; j < sh; ++j)
                    for (int i = 0; i < sw; ++i) {
                        SetPx(master, 1 + i, 1 + j, RGBc((i * 29 + j * 3) & 0xFF, (200 - i * 5) & 0xFF, 60 + j * 40));
                        int k = (i * 5 + j * 3) % 7;
                        int m = k == 0 ? 0 : k == 1 ? 255 : (k * 41 + i) & 0xFF;
                        SetPx(master, 1 + i, 1 + sh + j, RGBc(m, 255 - m, (m * 3 + j) & 0xFF));
                    }
                TsMaskData mask;
                mask.R = Rect(1, 1, 1 + sw, 1 + 2 * sh);
                mask.ImageCount = 1;
                mask.MaskType = 1;
                mask.Manager = &manager;
                for (const TCacheInfo* ci : {&none, &withBackground})
                    for (TRect R : {Rect(0, 0, W, H), Rect(7, 2, W + 9, 21), Rect(-5, 1, 290, 20), Rect(1, 4, 40, 6)}) {
                        auto bmp = MakeBmp(W, H);
                        BitBlt(bmp->Canvas()->Handle(), 0, 0, W, H, before->Canvas()->Handle(), 0, 0, SRCCOPY);
                        DrawMaskedFrame(bmp.get(), R, 0, mask, *ci);
                        int wrong = 0;
                        for (int y = 0; y < H; ++y)
                            for (int x = 0; x < W; ++x) {
                                TColor expected = Px(before.get(), x, y);
                                if (x >= R.left && x < R.right && y >= R.top && y < R.bottom) {
                                    int i = (x - R.left) % sw, j = (y - R.top) % sh;
                                    TColor s = Px(master, 1 + i, 1 + j), m = Px(master, 1 + i, 1 + sh + j);
                                    TColor below = expected;
                                    if (ci->Ready && x >= 37 && x < 237)
                                        below = Px(background.get(), x - 37, y + 2);
                                    expected = RGBc(MaskMix(below & 0xFF, s & 0xFF, m & 0xFF),
                                                    MaskMix((below >> 8) & 0xFF, (s >> 8) & 0xFF, (m >> 8) & 0xFF),
                                                    MaskMix((below >> 16) & 0xFF, (s >> 16) & 0xFF, (m >> 16) & 0xFF));
                                }
                                wrong += Px(bmp.get(), x, y) != expected;
                            }
                        ASSERT_EQ(wrong, 0) << (ci->Ready ? "over a background, " : "") << "piece " << sw << " x " << sh
                                            << " over " << R.left << "," << R.top << "," << R.right << "," << R.bottom;
                    }
            }
    });
}

// --- the borders of a control's cache over its parent's background ---

#include "SkinTestControls.h"
#include "skin/engine/sCommonData.h"

namespace {

// A 40 x 30 control at (7, 4) inside a parent that shows a background with a different colour at every pixel;
// its section's border is the fixture's frame.
class CacheBorders : public FrameFixture {
protected:
    void SetUp() override {
        form = new TfrmSkinTest(nullptr);
        parent = new TAnsweringParent(form);
        parent->SetParent(form);
        background = MakeBmp(80, 60);
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 80; ++x)
                SetPx(background.get(), x, y, Below(x, y));
        parent->Background = background.get();
        parent->BackgroundOffset = Point(3, 2);
        owner = new TRecordingControl(form);
        owner->SetParent(parent);
        owner->SetBounds(7, 4, 40, 30);
        AddSection(manager, "FRAME");
    }
    void TearDown() override { form->Free(); }
    static TColor Below(int x, int y) { return RGBc(x * 3, y * 4, 100); }
    // The background that cache pixel (x, y) lies on.
    static TColor BelowCache(int x, int y) { return Below(3 + 7 + x, 2 + 4 + y); }
    // The frame in the manager, the control's skin data on it, and its cache painted in state 0 over a grey.
    void Paint() {
        mask.ClassName = "FRAME";
        mask.PropertyName = "BORDERSMASK";
        manager.Masks.push_back(mask);
        data = std::make_unique<TsCommonData>(owner, true);
        data->SetSkinSection("FRAME");
        ASSERT_EQ(data->BorderIndex, 0);
        data->InitCacheBmp();
        FillPx(data->CacheBmp(), 0, 0, 40, 30, RGBc(99, 99, 99));
        DrawMaskedFrame(data->CacheBmp(), Rect(0, 0, 40, 30), 0, mask, noBackground);
    }
    TColor Cache(int x, int y) { return Px(data->CacheBmp(), x, y); }

    TfrmSkinTest* form = nullptr;
    TAnsweringParent* parent = nullptr;
    TRecordingControl* owner = nullptr;
    std::unique_ptr<TBitmap> background;
    std::unique_ptr<TsCommonData> data;
};

}  // namespace

TEST_F(CacheBorders, MagentaOfAnUnmaskedFrameShowsWhatTheParentShowsNow) {
    Build(false);
    TBitmap* m = manager.MasterBitmap.get();
    FillPx(m, 0, 0, 2, 2, clFuchsia);       // the top-left corner's outer pixels
    SetPx(m, 12, 0, clFuchsia);             // one pixel of the top edge, repeated along it
    SetPx(m, 29, 29, clFuchsia);            // the bottom-right corner's last pixel
    SetPx(m, 15, 15, clFuchsia);            // the centre is the control's own, never the parent's
    Paint();
    EXPECT_EQ(Cache(0, 0), RGBc(99, 99, 99));  // left out when the cache was painted
    EXPECT_EQ(Cache(22, 0), clFuchsia);       // tiled as it is

    UpdateCacheBorders(data.get(), acBorderBottom | acBorderRight);
    EXPECT_EQ(Cache(0, 0), RGBc(99, 99, 99));
    EXPECT_EQ(Cache(39, 29), BelowCache(39, 29));

    UpdateCacheBorders(data.get());
    for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {1, 1}, {12, 0}, {22, 0}, {39, 29}})
        EXPECT_EQ(Cache(x, y), BelowCache(x, y)) << x << "," << y;
    EXPECT_EQ(Cache(15, 15), clFuchsia);
    EXPECT_EQ(Cache(2, 2), Region(0, 0, 0));
    EXPECT_EQ(Cache(13, 0), Region(1, 0, 0));
    // The parent only has a colour: that colour.
    parent->Background = nullptr;
    parent->BackgroundColor = RGBc(5, 6, 7);
    UpdateCacheBorders(data.get());
    EXPECT_EQ(Cache(0, 0), RGBc(5, 6, 7));
    EXPECT_EQ(Cache(22, 0), RGBc(5, 6, 7));
}

TEST_F(CacheBorders, MaskedPixelsAreMixedAgainWhereTheMaskIsNotBlack) {
    Build(true, clBlack);
    TBitmap* m = manager.MasterBitmap.get();
    SetPx(m, 0, 30, clWhite);                // mask of corner pixel (0, 0)
    SetPx(m, 1, 30, RGBc(128, 64, 200));     // a partial mask
    SetPx(m, 14, 30 + 29, clWhite);          // bottom edge, repeated along it
    Paint();
    SetPx(data->CacheBmp(), 2, 0, clBlue);   // painted over later: the black mask leaves it alone
    UpdateCacheBorders(data.get());
    auto mixed = [](TColor b, TColor s, TColor mk) {
        auto ch = [](TColor c, int i) { return (c >> (8 * i)) & 0xFF; };
        return RGBc(MaskMix(ch(b, 0), ch(s, 0), ch(mk, 0)), MaskMix(ch(b, 1), ch(s, 1), ch(mk, 1)),
                    MaskMix(ch(b, 2), ch(s, 2), ch(mk, 2)));
    };
    EXPECT_EQ(Cache(0, 0), mixed(BelowCache(0, 0), Region(0, 0, 0), clWhite));
    EXPECT_EQ(Cache(1, 0), mixed(BelowCache(1, 0), Region(0, 0, 0), RGBc(128, 64, 200)));
    EXPECT_EQ(Cache(14, 29), mixed(BelowCache(14, 29), Region(1, 2, 0), clWhite));
    EXPECT_EQ(Cache(24, 29), mixed(BelowCache(24, 29), Region(1, 2, 0), clWhite));
    EXPECT_EQ(Cache(2, 0), clBlue);
    EXPECT_EQ(Cache(15, 29), Region(1, 2, 0));
}

TEST_F(CacheBorders, AnOwnBitmapWithoutStatesIsThreeMaskedStates) {
    Build(true, clBlack);
    auto own = std::make_shared<TBitmap>();
    own->Assign(manager.MasterBitmap.get());
    SetPx(own.get(), 0, 30, clWhite);
    SetPx(own.get(), 30, 30, clWhite);  // the mask of state 1 is not looked at
    mask.Bmp = own;
    mask.ImageCount = 0;
    mask.MaskType = 0;
    Paint();
    TColor topRight = Cache(30, 0);
    UpdateCacheBorders(data.get());
    EXPECT_EQ(Cache(0, 0), RGBc(MaskMix(BelowCache(0, 0) & 0xFF, Region(0, 0, 0) & 0xFF, 255),
                                MaskMix((BelowCache(0, 0) >> 8) & 0xFF, (Region(0, 0, 0) >> 8) & 0xFF, 255),
                                MaskMix(100, (Region(0, 0, 0) >> 16) & 0xFF, 255)));
    EXPECT_EQ(Cache(30, 0), topRight);
}

TEST_F(CacheBorders, NothingHappensWithoutWhatItNeeds) {
    Build(false);
    FillPx(manager.MasterBitmap.get(), 0, 0, 10, 10, clFuchsia);
    SetPx(manager.MasterBitmap.get(), 12, 0, clFuchsia);
    Paint();
    auto unchanged = [&] { return Cache(0, 0) == RGBc(99, 99, 99); };
    UpdateCacheBorders(nullptr);
    UpdateCacheBorders(data.get(), 0);
    EXPECT_TRUE(unchanged());
    // Not painted without a state, so nothing of it to redo.
    manager.Masks[0].DrawMode = 2;
    UpdateCacheBorders(data.get());
    EXPECT_TRUE(unchanged());
    // Stretched sides keep what they have; the corners are redone.
    manager.Masks[0].DrawMode = 1;
    UpdateCacheBorders(data.get());
    EXPECT_FALSE(unchanged());
    EXPECT_EQ(Cache(12, 0), clFuchsia);
    // No border mask, no parent, too small, no cache.
    FillPx(data->CacheBmp(), 0, 0, 40, 30, RGBc(99, 99, 99));
    manager.Masks[0].DrawMode = 0;
    data->BorderIndex = -1;
    UpdateCacheBorders(data.get());
    EXPECT_TRUE(unchanged());
    data->BorderIndex = 0;
    owner->SetWidth(1);
    UpdateCacheBorders(data.get());
    EXPECT_TRUE(unchanged());
    owner->SetWidth(40);
    owner->SetParent(nullptr);
    UpdateCacheBorders(data.get());
    EXPECT_TRUE(unchanged());
    owner->SetParent(parent);
    TsCommonData noCache(owner, false);
    noCache.SetSkinSection("FRAME");
    UpdateCacheBorders(&noCache);
    UpdateCacheBorders(data.get());
    EXPECT_FALSE(unchanged());
}
