// Section painting on a skin made for pixel checks: each kind of background, the texture layouts, gradients and
// their mixing, transparency over a known parent, the frame, the corner images, parts, regions and the disabled
// look.
#include "PaintSkinSamples.h"
#include "PixelTestUtils.h"
#include "SkinManagerFixtures.h"

#include "skin/engine/acFastPixels.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sGradient.h"
#include "skin/engine/sGraphUtils.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace PaintSkin;

namespace {

TColor C(SampleColor c) { return static_cast<TColor>(c); }
int Chan(SampleColor c, int shift) { return (c >> shift) & 0xFF; }
// The colour whose every byte is f(byte of a, byte of b).
template <class F>
TColor PerByte(SampleColor a, SampleColor b, F f) {
    return RGBc(f(Chan(a, 0), Chan(b, 0)), f(Chan(a, 8), Chan(b, 8)), f(Chan(a, 16), Chan(b, 16)));
}
// (a * w + b * (255 - w) + 127) shr 8, the blend of rectangles.
TColor Blend(SampleColor a, SampleColor b, int w) {
    return PerByte(a, b, [w](int x, int y) { return (x * w + y * (255 - w) + 127) >> 8; });
}
// Round(a * p / 100 + b * (1 - p / 100)), ties to even.
TColor Percent(SampleColor a, SampleColor b, int p) {
    return PerByte(a, b, [p](int x, int y) { return static_cast<int>(RoundDiv(x * p + y * (100 - p), 100)); });
}

class SectionPaint : public ::testing::Test {
protected:
    void SetUp() override {
        Manager = ManagerOn(Dir.Path());
        Manager->SetSkinName("PAINT");
        ASSERT_TRUE(Manager->SkinData()->Active);
    }
    int Index(const char* Section) const { return Manager->GetSkinIndex(Section); }
    // The section painted into a fresh W x H bitmap (grey 0x404040 before) with no background known.
    std::unique_ptr<TBitmap> Paint(const char* Section, int State = 0, int W = 40, int H = 30,
                                   const TCacheInfo& Ci = TCacheInfo(), TPoint Offset = TPoint(0, 0)) {
        auto bmp = MakeBmp(W, H, RGBc(0x40, 0x40, 0x40));
        PaintSkinItem(Index(Section), Section, Ci, -1, -1, Manager.get(), bmp.get(), Offset, TRect(0, 0, W, H), State);
        return bmp;
    }
    SampleSkinDir Dir{MakePaintSkin()};
    std::unique_ptr<TsSkinManager> Manager;
};

TEST_F(SectionPaint, ASolidSectionTakesItsColourAndItsHotColour) {
    auto normal = Paint("SOLID");
    EXPECT_EQ(CountColor(normal.get(), C(Solid)), 40 * 30);
    auto hot = Paint("SOLID", 1);
    EXPECT_EQ(CountColor(hot.get(), C(SolidHot)), 40 * 30);
    auto pressed = Paint("SOLID", 2);
    EXPECT_EQ(CountColor(pressed.get(), C(SolidHot)), 40 * 30);
    // A colour given to the background painter wins over texture and gradient.
    auto bmp = MakeBmp(10, 10);
    PaintSkinBackground(Index("MIXED"), "MIXED", TCacheInfo(), clRed, -1, -1, Manager.get(), bmp.get(), TPoint(),
                        TRect(0, 0, 10, 10), false);
    EXPECT_EQ(CountColor(bmp.get(), clRed), 100);
}

TEST_F(SectionPaint, TexturesAreTiledOrStretchedByTheirDrawMode) {
    auto flat = Paint("TEXTURE");
    EXPECT_EQ(CountColor(flat.get(), C(Tex)), 40 * 30);
    // Tiles of 8 x 8 from the top-left corner: four columns of A, four of B, and so on; the last tile cut.
    auto tiled = Paint("TILED");
    for (int x = 0; x < 40; ++x)
        EXPECT_EQ(Px(tiled.get(), x, 13), C(x % 8 < 4 ? TwoA : TwoB)) << x;
    EXPECT_EQ(CountColor(tiled.get(), C(TwoA)), 20 * 30);
    // Stretched over all of R: the left half A, the right half B (HALFTONE mixes only near the middle).
    auto stretched = Paint("STRETCHED");
    EXPECT_EQ(Px(stretched.get(), 3, 15), C(TwoA));
    EXPECT_EQ(Px(stretched.get(), 36, 15), C(TwoB));
    EXPECT_GT(CountColor(stretched.get(), C(TwoA)), 30 * 10);
    EXPECT_GT(CountColor(stretched.get(), C(TwoB)), 30 * 10);
}

TEST_F(SectionPaint, GradientsRunFromTheirFirstColourToTheirLast) {
    auto bmp = Paint("GRADIENT");
    EXPECT_EQ(CountColor(bmp.get(), C(GradTop)), 40);
    EXPECT_EQ(Px(bmp.get(), 0, 0), C(GradTop));
    EXPECT_EQ(Px(bmp.get(), 39, 29), C(GradBottom));
    // Half-way down the colour lies half-way between.
    TColor middle = Px(bmp.get(), 20, 15);
    EXPECT_NEAR(middle & 0xFF, 127, 10);
    EXPECT_NEAR((middle >> 16) & 0xFF, 127, 10);
}

TEST_F(SectionPaint, ImageAndGradientMixByTheImagesShareAndTheColourTakesTheRest) {
    // 50 percent texture and 50 percent gradient: the gradient blended over the texture with weight 127.
    auto mixed = Paint("MIXED");
    EXPECT_EQ(CountColor(mixed.get(), Blend(Tex, GradFlat, 127)), 40 * 30);
    // A gradient of columns: each column's colour as the gradient painter gives it, over the texture alike.
    auto columns = Paint("MIXEDCOLUMNS");
    auto gradient = MakeBmp(40, 2);
    PaintGradient(gradient.get(), TRect(0, 0, 40, 2), Manager->Sections[Index("MIXEDCOLUMNS")].GradientArray);
    for (int x = 0; x < 40; ++x)
        for (int y : {0, 17, 29})
            EXPECT_EQ(Px(columns.get(), x, y), Blend(Tex, static_cast<SampleColor>(Px(gradient.get(), x, 0)), 127))
                << x << "," << y;
    // 40 percent texture, nothing else: the colour gets the other 60 percent, right and bottom edges included.
    auto partial = Paint("PARTIAL");
    EXPECT_EQ(CountColor(partial.get(), Percent(Tex, MixColour, 40)), 40 * 30);
}

TEST_F(SectionPaint, HalfTransparencyShowsTheParentAtWeight127) {
    // White at 50 percent over a black parent bitmap: (0 * 127 + 255 * 128 + 127) shr 8 = 127.
    auto parent = MakeBmp(100, 100, clBlack);
    auto bmp = Paint("HALF", 0, 40, 30, InitCacheInfo(parent.get(), 10, 20));
    EXPECT_EQ(CountColor(bmp.get(), RGBc(127, 127, 127)), 40 * 30);
    // Over a parent known only by its colour, the same weight.
    TCacheInfo colour;
    colour.FillColor = clBlack;
    auto overColour = Paint("HALF", 0, 40, 30, colour);
    EXPECT_EQ(CountColor(overColour.get(), RGBc(127, 127, 127)), 40 * 30);
    // With nothing known of the background it paints no colour: $FF00FF, which the child painting leaves out.
    auto alone = Paint("HALF");
    EXPECT_EQ(CountColor(alone.get(), clFuchsia), 40 * 30);
    // A coloured parent: each byte blended alike.
    auto blue = MakeBmp(100, 100, C(0x804020));
    auto overBlue = Paint("HALF", 0, 40, 30, InitCacheInfo(blue.get(), 0, 0));
    EXPECT_EQ(Px(overBlue.get(), 7, 7), Blend(0x804020, Half, 127));
}

TEST_F(SectionPaint, FullTransparencyCopiesTheParentAtTheOffset) {
    auto parent = MakeBmp(100, 100, clBlack);
    FillPx(parent.get(), 15, 25, 16, 26, clLime);  // lands at (3, 2): 10 + 2 + 3 = 15, 20 + 3 + 2 = 25
    auto bmp = Paint("CLEAR", 0, 40, 30, InitCacheInfo(parent.get(), 10, 20), TPoint(2, 3));
    EXPECT_EQ(Px(bmp.get(), 3, 2), clLime);
    EXPECT_EQ(CountColor(bmp.get(), clBlack), 40 * 30 - 1);
    // Over a parent without a cache bitmap: its colour.
    TCacheInfo colour;
    colour.FillColor = clYellow;
    auto filled = Paint("CLEAR", 0, 40, 30, colour);
    EXPECT_EQ(CountColor(filled.get(), clYellow), 40 * 30);
}

TEST_F(SectionPaint, OverNothingKnownATransparentSectionShowsOnlyTheTextureItsStateHas) {
    // A plain colour means nothing where the section lets its background through: no colour.
    EXPECT_EQ(CountColor(Paint("CLEAR").get(), clFuchsia), 40 * 30);
    // Its texture shows in the normal state; the hot state of a fully transparent section has none.
    EXPECT_EQ(CountColor(Paint("CLEARTEXTURED").get(), C(Tex)), 40 * 30);
    EXPECT_EQ(CountColor(Paint("CLEARTEXTURED", 1).get(), clFuchsia), 40 * 30);
    // Over a known background it is that background alone, in either state.
    auto parent = MakeBmp(100, 100, clTeal);
    for (int state : {0, 1})
        EXPECT_EQ(CountColor(Paint("CLEARTEXTURED", state, 40, 30, InitCacheInfo(parent.get(), 0, 0)).get(), clTeal),
                  40 * 30)
            << state;
    // A transparent section known to lie over a colour takes that colour.
    TCacheInfo colour;
    colour.FillColor = clYellow;
    EXPECT_EQ(CountColor(Paint("CLEARTEXTURED", 0, 40, 30, colour).get(), clYellow), 40 * 30);
}

TEST_F(SectionPaint, AGradedOverlayIsTheImageAndIsLaidOverTheFinishedBackgroundOnceMore) {
    // The image through its grey mask over the colour, the colour taking the 40 percent the image leaves, and the
    // image through its mask once more.
    auto channel = [](int shift) {
        int solid = Chan(Solid, shift), over = Chan(Over, shift), mask = Chan(GradedMask, shift);
        int image = MaskMix(solid, over, mask);
        int mixed = static_cast<int>(RoundDiv(image * 60 + solid * 40, 100));
        return MaskMix(mixed, over, mask);
    };
    TColor want = RGBc(channel(0), channel(8), channel(16));
    auto bmp = Paint("OVERLAYGRADED");
    EXPECT_EQ(CountColor(bmp.get(), want), 40 * 30);
}

TEST_F(SectionPaint, AMaskedDrawMode10TextureIsLaidOverTheBackgroundInStepWithTheOffset) {
    // The white half of the mask keeps the section's colour (up to the mixing's rounding, twice: the texture is the
    // image and is laid over once more).
    TColor kept = PerByte(Solid, Over, [](int below, int s) { return MaskMix(MaskMix(below, s, 255), s, 255); });
    auto bmp = Paint("OVERLAY");
    for (int x = 0; x < 16; ++x)
        EXPECT_EQ(Px(bmp.get(), x, 5), x % 8 < 4 ? C(Over) : kept) << x;
    // Three pixels further right over the parent: the tiles start three pixels earlier.
    auto shifted = Paint("OVERLAY", 0, 40, 30, TCacheInfo(), TPoint(3, 0));
    for (int x = 0; x < 16; ++x)
        EXPECT_EQ(Px(shifted.get(), x, 5), (x + 3) % 8 < 4 ? C(Over) : kept) << x;
}

TEST_F(SectionPaint, TheFrameOfEachStateWithMagentaLeftOut) {
    for (int state = 0; state < 3; ++state) {
        auto bmp = Paint("FRAMED", state);
        EXPECT_EQ(Px(bmp.get(), 1, 15), C(FrameEdge[state])) << state;
        EXPECT_EQ(Px(bmp.get(), 38, 15), C(FrameEdge[state])) << state;
        EXPECT_EQ(Px(bmp.get(), 20, 1), C(FrameEdge[state])) << state;
        EXPECT_EQ(Px(bmp.get(), 20, 15), C(FrameCentre[state])) << state;
        // The magenta corner pixels keep the section's background.
        EXPECT_EQ(Px(bmp.get(), 0, 0), C(Framed)) << state;
        EXPECT_EQ(Px(bmp.get(), 39, 29), C(Framed)) << state;
        EXPECT_EQ(Px(bmp.get(), 3, 0), C(FrameEdge[state])) << state;
        EXPECT_EQ(CountColor(bmp.get(), clFuchsia), 0);
    }
    // A state beyond the last paints the last.
    auto beyond = Paint("FRAMED", 7);
    EXPECT_EQ(Px(beyond.get(), 1, 15), C(FrameEdge[2]));
    // Without the frame flag the centre keeps the background.
    auto bmp = MakeBmp(40, 30);
    PaintSkinItem(Index("FRAMED"), "FRAMED", TCacheInfo(), -1, -1, Manager.get(), bmp.get(), TPoint(),
                  TRect(0, 0, 40, 30), 0, false);
    EXPECT_EQ(Px(bmp.get(), 20, 15), C(Framed));
    EXPECT_EQ(Px(bmp.get(), 1, 15), C(FrameEdge[0]));
    // Over a known parent the magenta corners show it.
    auto parent = MakeBmp(100, 100, clAqua);
    auto over = Paint("FRAMED", 0, 40, 30, InitCacheInfo(parent.get(), 5, 5));
    EXPECT_EQ(Px(over.get(), 0, 0), clAqua);
    EXPECT_EQ(Px(over.get(), 39, 0), clAqua);
}

TEST_F(SectionPaint, AMaskedFrameKeepsWhatLiesBelowWhereItsMaskIsWhite) {
    auto bmp = Paint("MASKED", 1);
    TColor kept = PerByte(Framed, MaskedEdge[1], [](int below, int s) { return MaskMix(below, s, 255); });
    EXPECT_EQ(Px(bmp.get(), 0, 15), kept);
    EXPECT_EQ(Px(bmp.get(), 2, 15), C(MaskedEdge[1]));
    EXPECT_EQ(Px(bmp.get(), 20, 0), kept);
    EXPECT_EQ(Px(bmp.get(), 20, 1), C(MaskedEdge[1]));
}

TEST_F(SectionPaint, TheFourCornerImagesSitInTheCornersWithMagentaLeftOut) {
    auto bmp = Paint("CORNERS");
    const TPoint outer[4] = {{0, 0}, {39, 0}, {0, 29}, {39, 29}};
    const TPoint inner[4] = {{1, 1}, {38, 1}, {1, 28}, {38, 28}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(Px(bmp.get(), outer[k].x, outer[k].y), C(Solid)) << k;
        EXPECT_EQ(Px(bmp.get(), inner[k].x, inner[k].y), C(Corner[k])) << k;
        EXPECT_EQ(CountColor(bmp.get(), C(Corner[k])), CornerSize * CornerSize - 1) << k;
    }
    EXPECT_EQ(Px(bmp.get(), 6, 6), C(Solid));
    EXPECT_EQ(Px(bmp.get(), 5, 5), C(Corner[0]));
}

TEST_F(SectionPaint, AFormLikeSectionHasTextureGradientFrameAndCorners) {
    // The frame comes last: its border covers the corner images, and its centre everything else.
    auto bmp = Paint("FORMLIKE", 0, 200, 100);
    EXPECT_EQ(Px(bmp.get(), 1, 50), C(FrameEdge[0]));
    EXPECT_EQ(Px(bmp.get(), 1, 1), C(FrameEdge[0]));
    EXPECT_EQ(Px(bmp.get(), 5, 5), C(FrameCentre[0]));
    // Without the frame's centre the corner images show inside the border.
    auto open = MakeBmp(200, 100);
    PaintSkinItem(Index("FORMLIKE"), "FORMLIKE", TCacheInfo(), -1, -1, Manager.get(), open.get(), TPoint(),
                  TRect(0, 0, 200, 100), 0, false);
    EXPECT_EQ(Px(open.get(), 5, 5), C(Corner[0]));
    EXPECT_EQ(Px(open.get(), 194, 94), C(Corner[3]));
    EXPECT_EQ(Px(open.get(), 1, 1), C(FrameEdge[0]));
    // The centre: the first row of the gradient over the texture, at the texture's weight 127.
    auto bg = MakeBmp(200, 100);
    PaintSkinBackground(Index("FORMLIKE"), "FORMLIKE", TCacheInfo(), clFuchsia, -1, -1, Manager.get(), bg.get(),
                        TPoint(), TRect(0, 0, 200, 100), false);
    EXPECT_EQ(Px(bg.get(), 50, 0), Blend(Tex, GradTop, 127));
    EXPECT_EQ(Px(bg.get(), 50, 99), Blend(Tex, GradBottom, 127));
}

TEST_F(SectionPaint, SkinDataPaintsItsFrameOnlyWhenTheMaskAllowsIt) {
    TsCommonData data(nullptr, false);
    data.SetSkinManager(Manager.get());
    data.SetSkinSection("FRAMEDONSTATE");
    ASSERT_GE(data.SkinIndex, 0);
    auto bmp = MakeBmp(40, 30);
    PaintSkinCorners(&data, bmp.get(), TRect(0, 0, 40, 30), 0, TCacheInfo(), TPoint());
    EXPECT_EQ(CountColor(bmp.get(), C(Framed)), 40 * 30);
    PaintSkinCorners(&data, bmp.get(), TRect(0, 0, 40, 30), 1, TCacheInfo(), TPoint());
    EXPECT_EQ(Px(bmp.get(), 1, 15), C(FrameEdge[1]));
    data.SetSkinSection("CORNERS");
    PaintSkinCorners(&data, bmp.get(), TRect(0, 0, 40, 30), 0, TCacheInfo(), TPoint());
    EXPECT_EQ(Px(bmp.get(), 1, 1), C(Corner[0]));
    EXPECT_EQ(Px(bmp.get(), 20, 15), C(Solid));
}

TEST_F(SectionPaint, PartsPaintABackgroundAndTheGivenFrameInsideTheBitmapOnly) {
    int frame = Manager->GetMaskIndex(Index("FRAMED"), "FRAMED", "BORDERSMASK");
    ASSERT_GE(frame, 0);
    auto bmp = MakeBmp(40, 30, clBlack);
    PaintSkinPart(Index("SOLID"), "SOLID", TCacheInfo(), Manager.get(), bmp.get(), TPoint(), TRect(10, 5, 30, 25),
                  frame, 2);
    EXPECT_EQ(Px(bmp.get(), 11, 15), C(FrameEdge[2]));
    EXPECT_EQ(Px(bmp.get(), 20, 15), C(FrameCentre[2]));
    EXPECT_EQ(Px(bmp.get(), 10, 5), C(SolidHot));  // a magenta corner pixel over the hot background
    EXPECT_EQ(Px(bmp.get(), 5, 15), clBlack);
    auto untouched = MakeBmp(40, 30, clBlack);
    PaintSkinPart(Index("SOLID"), "SOLID", TCacheInfo(), Manager.get(), untouched.get(), TPoint(),
                  TRect(30, 5, 50, 25), frame, 0);
    PaintSkinPart(Index("SOLID"), "SOLID", TCacheInfo(), Manager.get(), untouched.get(), TPoint(),
                  TRect(-1, 5, 10, 25), frame, 0);
    EXPECT_EQ(CountColor(untouched.get(), clBlack), 40 * 30);
}

TEST_F(SectionPaint, IntoADeviceContextThroughAWorkBitmap) {
    auto target = MakeBmp(60, 50, clBlack);
    PaintSkinItemToDC(target->Canvas()->Handle(), TRect(10, 10, 50, 40), Index("CORNERS"), "CORNERS", TCacheInfo(),
                      -1, -1, Manager.get(), TPoint(), 0);
    EXPECT_EQ(Px(target.get(), 11, 11), C(Corner[0]));
    EXPECT_EQ(Px(target.get(), 30, 25), C(Solid));
    EXPECT_EQ(Px(target.get(), 9, 25), clBlack);
    EXPECT_EQ(Px(target.get(), 50, 25), clBlack);
    PaintSkinItemToDC(target->Canvas()->Handle(), TRect(-5, 0, 10, 10), Index("SOLID"), "SOLID", TCacheInfo(), -1,
                      -1, Manager.get(), TPoint(), 0);
    EXPECT_EQ(Px(target.get(), 2, 2), clBlack);
}

TEST_F(SectionPaint, NothingIsPaintedWithoutSectionBitmapOrRoom) {
    auto bmp = MakeBmp(20, 20, clBlack);
    PaintSkinItem(-1, "", TCacheInfo(), -1, -1, Manager.get(), bmp.get(), TPoint(), TRect(0, 0, 20, 20), 0);
    PaintSkinItem(9999, "", TCacheInfo(), -1, -1, Manager.get(), bmp.get(), TPoint(), TRect(0, 0, 20, 20), 0);
    PaintSkinItem(Index("SOLID"), "SOLID", TCacheInfo(), -1, -1, Manager.get(), bmp.get(), TPoint(),
                  TRect(5, 5, 5, 20), 0);
    PaintSkinItem(Index("SOLID"), "SOLID", TCacheInfo(), -1, -1, Manager.get(), nullptr, TPoint(),
                  TRect(0, 0, 20, 20), 0);
    PaintSkinBackground(Index("SOLID"), "SOLID", TCacheInfo(), clFuchsia, -1, -1, Manager.get(), bmp.get(), TPoint(),
                        TRect(30, 30, 40, 40), false);
    EXPECT_EQ(CountColor(bmp.get(), clBlack), 400);
}

TEST_F(SectionPaint, RegionRunsOfTheCornerBlocks) {
    int frame = Manager->GetMaskIndex(Index("FRAMED"), "FRAMED", "BORDERSMASK");
    ASSERT_GE(frame, 0);
    TAOR rects;
    AddMaskRgnRects(rects, 100, Manager->Masks[frame], false, 0);
    // Row 0: three pixels at each side; row 1: one.
    ASSERT_EQ(rects.size(), 4u);
    EXPECT_TRUE(rects[0] == TRect(0, 0, 3, 1));
    EXPECT_TRUE(rects[1] == TRect(97, 0, 100, 1));
    EXPECT_TRUE(rects[2] == TRect(0, 1, 1, 2));
    EXPECT_TRUE(rects[3] == TRect(99, 1, 100, 2));
    // The bottom block (rows 12 to 15 of the state) at Y: its last two rows.
    rects.clear();
    AddMaskRgnRects(rects, 50, Manager->Masks[frame], true, 200);
    ASSERT_EQ(rects.size(), 4u);
    EXPECT_TRUE(rects[0] == TRect(0, 202, 1, 203));
    EXPECT_TRUE(rects[1] == TRect(49, 202, 50, 203));
    EXPECT_TRUE(rects[2] == TRect(0, 203, 3, 204));
    EXPECT_TRUE(rects[3] == TRect(47, 203, 50, 204));
}

TEST_F(SectionPaint, ADisabledControlKeeps40PercentOfItsPictureOver60OfItsParent) {
    auto parent = MakeBmp(100, 100, C(0x204080));
    TCacheInfo ci = InitCacheInfo(parent.get(), 10, 10);
    auto bmp = Paint("SOLID", 0, 40, 30, ci);
    PaintStateEffects(bmp.get(), acEffectDisabled, nullptr, TPoint(0, 0), ci);
    TColor expected = PerByte(Solid, 0x204080, [](int own, int below) {
        return static_cast<int>(RoundDiv(own * 4 + below * 6, 10));
    });
    EXPECT_EQ(CountColor(bmp.get(), expected), 40 * 30);
}


// A texture tiled under a gradient of rows or of columns is mixed in one pass that blends one repetition and
// copies the rest: it must give the bytes of the plain way (texture tiled, gradient painted into a work bitmap,
// the two blended) on awkward sizes, odd positions and rectangles cut by the bitmap's edges, with each level of
// blending loops.
TEST(SectionMix, TextureUnderGradientGivesTheBytesOfTilingPaintingAndBlending) {
    TsSkinManager manager(nullptr);
    // A 5 x 4 texture whose every byte differs, in a master bitmap with other pixels around it.
    manager.MasterBitmap = MakeBmp(16, 8, RGBc(9, 99, 199));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            SetPx(manager.MasterBitmap.get(), 3 + x, 2 + y, RGBc(17 * x + 40 * y, 255 - 23 * x - 31 * y, 50 * x + 13 * y + 7));
    TsMaskData texture;
    texture.R = Rect(3, 2, 8, 6);
    texture.ImageCount = 1;
    texture.ImgType = itisaTexture;
    texture.Manager = &manager;
    texture.ClassName = "MIX";
    texture.PropertyName = "PATTERN";
    manager.Masks.push_back(texture);
    TsGeneralData section;
    section.ClassName = "MIX";
    section.Color = 0x3060C0;
    manager.Sections.push_back(section);

    // What the painted bitmaps hold before: a different colour at every pixel.
    auto before = MakeBmp(25, 13);
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 25; ++x)
            SetPx(before.get(), x, y, RGBc(x * 11, y * 19, (x + y) * 5));

    const TacPixelLoops widest = acWidestPixelLoops(), was = acPixelLoops;
    int cases = 0;
    for (TacPixelLoops level : {plSSE2, plSSSE3, plAVX2}) {
        if (level > widest)
            continue;
        acPixelLoops = level;
        for (int mode : {0, 1})
            for (int image : {50, 77}) {
                TsGeneralData& data = manager.Sections[0];
                data.ImagePercent = image;
                data.GradientPercent = 100 - image;
                data.GradientArray = {{RGBc(250, 10, 128), RGBc(3, 240, 60), 100, mode, 0}};
                for (int w = 1; w <= 17; ++w)
                    for (int h : {1, 2, 3, 5, 9})
                        for (TPoint at : {TPoint(0, 0), TPoint(3, 1), TPoint(-3, -1), TPoint(25 - w, 13 - h),
                                          TPoint(25 - w + 4, 13 - h + 3)}) {
                            auto painted = MakeBmp(25, 13), expected = MakeBmp(25, 13);
                            BitBlt(painted->Canvas()->Handle(), 0, 0, 25, 13, before->Canvas()->Handle(), 0, 0, SRCCOPY);
                            BitBlt(expected->Canvas()->Handle(), 0, 0, 25, 13, before->Canvas()->Handle(), 0, 0, SRCCOPY);
                            TRect R = Bounds(at.x, at.y, w, h);
                            PaintSkinBackground(0, "MIX", TCacheInfo(), clFuchsia, -1, -1, &manager, painted.get(),
                                                TPoint(0, 0), R, false);
                            // The plain way, over the part of R inside the bitmap as the painter takes it.
                            TRect r(std::max<LONG>(R.left, 0), std::max<LONG>(R.top, 0),
                                    std::min<LONG>(R.right, 25), std::min<LONG>(R.bottom, 13));
                            if (!r.IsEmpty()) {
                                TRect rest = r;
                                PaintTexture(expected->Canvas(), rest, nullptr, 0, manager.Masks[0]);
                                auto gradient = MakeBmp(r.Width(), r.Height());
                                TRect all(0, 0, r.Width(), r.Height());
                                PaintGradient(gradient.get(), all, data.GradientArray);
                                SumBmpRect(expected.get(), gradient.get(), static_cast<uint8_t>(image * 255 / 100),
                                           r.TopLeft(), all);
                            }
                            GdiFlush();
                            int wrong = 0;
                            for (int y = 0; y < 13; ++y)
                                wrong += std::memcmp(painted->ScanLine(y), expected->ScanLine(y), 25 * 3) != 0;
                            ASSERT_EQ(wrong, 0) << "loops " << level << ", mode " << mode << ", image " << image
                                                << ", " << w << " x " << h << " at " << at.x << "," << at.y;
                            ++cases;
                        }
            }
    }
    acPixelLoops = was;
    EXPECT_GT(cases, 0);
}

}  // namespace
