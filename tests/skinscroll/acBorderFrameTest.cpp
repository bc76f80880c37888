// Border frames painted into a control's cache bitmap with the flat sample skin's frame images, over what the
// parent tells lies below.
#include "skin/adapters/acBorderFrame.h"

#include "tests/skin/FlatSkinSamples.h"
#include "tests/skin/PixelTestUtils.h"
#include "tests/skin/SkinManagerFixtures.h"
#include "tests/skin/SkinTestControls.h"

#include "skin/engine/sCommonData.h"

#include <gtest/gtest.h>

namespace {

TColor Flat(const char* Section, int State) { return static_cast<TColor>(FlatStateColor(Section, State)); }
TColor Under(const char* Section) { return static_cast<TColor>(FlatSectionColor(Section)); }
// A pixel of the frame's image where its mask is white: what lay below, with a trace of the image.
TColor ThroughMask(TColor Below, TColor Image) {
    int c[3];
    for (int k = 0; k < 3; ++k)
        c[k] = MaskMix((Below >> (8 * k)) & 0xFF, (Image >> (8 * k)) & 0xFF, 255);
    return RGBc(c[0], c[1], c[2]);
}

// A 60 x 40 control at (7, 9) of a parent that answers questions about its background as the test sets it.
class BorderFrame : public ::testing::Test {
protected:
    void SetUp() override {
        manager = ManagerOn(samples.Path());
        manager->SetSkinName("FLATSCROLL");
        ASSERT_TRUE(manager->Active());
        form = new TfrmSkinTest(nullptr);
        form->SetBounds(0, 0, 300, 200);
        parent = new TAnsweringParent(form);
        parent->SetParent(form);
        parent->SetBounds(10, 10, 200, 150);
        parent->HandleNeeded();
        control = new TRecordingControl(form);
        control->SetParent(parent);
        control->SetBounds(7, 9, 60, 40);
        // The parent's picture: every pixel tells where it lies.
        picture = MakeBmp(200, 150);
        for (int y = 0; y < 150; ++y)
            for (int x = 0; x < 200; ++x)
                SetPx(picture.get(), x, y, RGBc(x, y, 77));
    }
    void TearDown() override {
        data.reset();
        form->Free();
    }
    TsCommonData* Data(const char* Section) {
        data = std::make_unique<TsCommonData>(control, true);
        data->SetSkinSection(Section);
        return data.get();
    }
    TBitmap* Cache() { return data->CacheBmp(); }

    SampleSkinDir samples{MakeFlatScrollSkin()};
    std::unique_ptr<TsSkinManager> manager;
    TfrmSkinTest* form = nullptr;
    TAnsweringParent* parent = nullptr;
    TRecordingControl* control = nullptr;
    std::unique_ptr<TBitmap> picture;
    std::unique_ptr<TsCommonData> data;
};

}  // namespace

TEST_F(BorderFrame, AnOpaqueFrameTakesItsWidthsAndStateAndGivesTheInside) {
    TsCommonData* d = Data("FORM");
    ASSERT_GE(d->BorderIndex, 0);
    for (int state : {0, 1}) {
        TRect client(-1, -1, -1, -1);
        d->InitCacheBmp();
        PaintBorderFrame(Cache()->Canvas()->Handle(), TRect(0, 0, 60, 40), 0, client, state, d);
        EXPECT_TRUE(client == TRect(2, 3, 56, 35)) << state;
        TColor border = Flat("FORM", state);
        EXPECT_EQ(Px(Cache(), 1, 20), border);
        EXPECT_EQ(Px(Cache(), 2, 20), static_cast<TColor>(FlatCentreColor));
        EXPECT_EQ(Px(Cache(), 30, 2), border);
        EXPECT_EQ(Px(Cache(), 30, 3), static_cast<TColor>(FlatCentreColor));
        EXPECT_EQ(Px(Cache(), 56, 20), border);
        EXPECT_EQ(Px(Cache(), 55, 20), static_cast<TColor>(FlatCentreColor));
        EXPECT_EQ(Px(Cache(), 30, 35), border);
        EXPECT_EQ(Px(Cache(), 30, 34), static_cast<TColor>(FlatCentreColor));
        // Frame pixels: the border strips, nothing else.
        EXPECT_EQ(CountColor(Cache(), border), 60 * 40 - 54 * 32) << state;
    }
}

TEST_F(BorderFrame, AMaskedFrameShowsTheParentsPictureOrTheBackgroundColourThroughItsMask) {
    TsCommonData* d = Data("PANEL");
    parent->Background = picture.get();
    parent->BackgroundOffset = TPoint(3, 4);
    TRect client;
    PaintBorderFrame(Cache()->Canvas()->Handle(), TRect(0, 0, 60, 40), 0, client, 0, d);
    EXPECT_TRUE(client == TRect(3, 3, 57, 37));
    // The mask's outer ring: the parent's picture under the control's place (its offset, the control's position).
    EXPECT_EQ(Px(Cache(), 0, 20), ThroughMask(RGBc(7 + 3 + 0, 9 + 4 + 20, 77), Flat("PANEL", 0)));
    EXPECT_EQ(Px(Cache(), 59, 0), ThroughMask(RGBc(7 + 3 + 59, 9 + 4 + 0, 77), Flat("PANEL", 0)));
    EXPECT_EQ(Px(Cache(), 1, 20), Flat("PANEL", 0));
    // A parent that tells only a colour: the frame's strips get the control's background colour first.
    parent->Background = nullptr;
    parent->BackgroundColor = RGBc(1, 2, 3);
    FillPx(Cache(), 0, 0, 60, 40, 0);
    PaintBorderFrame(Cache()->Canvas()->Handle(), TRect(0, 0, 60, 40), 0, client, 1, d);
    EXPECT_EQ(Px(Cache(), 0, 20), ThroughMask(Under("PANEL"), Flat("PANEL", 1)));
    EXPECT_EQ(Px(Cache(), 30, 39), ThroughMask(Under("PANEL"), Flat("PANEL", 1)));
    EXPECT_EQ(Px(Cache(), 2, 20), Flat("PANEL", 1));
    EXPECT_EQ(CountColor(Cache(), RGBc(1, 2, 3)), 0);
}

TEST_F(BorderFrame, ABandWiderThanTheFrameFillsOnlyInsideItAndReachesTheTargetDC) {
    TsCommonData* d = Data("FORM");
    auto target = MakeBmp(60, 40, RGBc(0, 0, 0));
    TRect client;
    PaintBorderFrame(target->Canvas()->Handle(), TRect(0, 0, 60, 40), 6, client, 0, d);
    EXPECT_TRUE(client == TRect(6, 6, 54, 34));
    TColor bg = Under("FORM"), centre = static_cast<TColor>(FlatCentreColor), border = Flat("FORM", 0);
    // The band inside the frame: 4 at the left (6 - 2), 3 at the top, 2 at the right, 1 at the bottom.
    EXPECT_EQ(Px(Cache(), 1, 20), border);
    EXPECT_EQ(Px(Cache(), 2, 20), bg);
    EXPECT_EQ(Px(Cache(), 5, 20), bg);
    EXPECT_EQ(Px(Cache(), 6, 20), centre);
    EXPECT_EQ(Px(Cache(), 30, 5), bg);
    EXPECT_EQ(Px(Cache(), 30, 6), centre);
    EXPECT_EQ(Px(Cache(), 54, 20), bg);
    EXPECT_EQ(Px(Cache(), 53, 20), centre);
    EXPECT_EQ(Px(Cache(), 30, 34), bg);
    EXPECT_EQ(Px(Cache(), 30, 33), centre);
    // The target got the band's strips (6 pixels) and nothing inside them.
    EXPECT_EQ(Px(target.get(), 1, 20), border);
    EXPECT_EQ(Px(target.get(), 4, 20), bg);
    EXPECT_EQ(Px(target.get(), 30, 5), bg);
    EXPECT_EQ(Px(target.get(), 30, 20), RGBc(0, 0, 0));
    EXPECT_EQ(CountColor(target.get(), RGBc(0, 0, 0)), 48 * 28);
}

TEST_F(BorderFrame, ANarrowRectangleGivesAnEmptyInsideNotAnInvertedOne) {
    TsCommonData* d = Data("FORM");
    d->InitCacheBmp();
    TRect client;
    PaintBorderFrame(Cache()->Canvas()->Handle(), TRect(0, 0, 10, 40), 6, client, 0, d);
    EXPECT_EQ(client.left, 6);
    EXPECT_EQ(client.right, 6);
    PaintBorderFrame(Cache()->Canvas()->Handle(), TRect(0, 0, 5, 6), 0, client, 0, d);
    EXPECT_GE(client.right, client.left);
    EXPECT_GE(client.bottom, client.top);
}

TEST_F(BorderFrame, WithoutAFrameImageOnlyABandIsPaintedStraightOntoTheDC) {
    TsCommonData* d = Data("BAR");
    ASSERT_LT(d->BorderIndex, 0);
    auto target = MakeBmp(60, 40, RGBc(0, 0, 0));
    TRect client(1, 2, 3, 4);
    PaintBorderFrame(target->Canvas()->Handle(), TRect(0, 0, 60, 40), 0, client, 0, d);
    EXPECT_TRUE(client == TRect(1, 2, 3, 4));
    EXPECT_EQ(CountColor(target.get(), RGBc(0, 0, 0)), 60 * 40);
    PaintBorderFrame(target->Canvas()->Handle(), TRect(0, 0, 60, 40), 3, client, 0, d);
    EXPECT_TRUE(client == TRect(1, 2, 3, 4));
    EXPECT_EQ(Px(target.get(), 2, 20), static_cast<TColor>(FlatStateColor("BAR", 0)));
    EXPECT_EQ(Px(target.get(), 3, 20), RGBc(0, 0, 0));
    EXPECT_EQ(CountColor(target.get(), RGBc(0, 0, 0)), 54 * 34);
}
