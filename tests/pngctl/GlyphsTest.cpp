// The console's own glyphs, carried into a form description as the console's forms carry them: the twelve toolbar
// images in a PNG image list and the OK and Cancel glyphs on PNG buttons, shown enabled and disabled.
#include "PngTestImages.h"
#include "TestDC.h"
#include "classlib/visual/ComCtrls.h"
#include "classlib/runtime/FormResources.h"
#include "pngctl/PngBitBtn.h"
#include "pngctl/PngImageList.h"
#include "pngctl/PngSpeedButton.h"
#include "tests/support/ApplicationLoop.h"
#include "tests/support/SyntheticInput.h"
#include "tests/support/UnixCommand.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace {

class TfrmGlyphs : public TForm {
    CLASS_INFO(TfrmGlyphs, TForm)
public:
    explicit TfrmGlyphs(TComponent* owner) : TForm(owner) {
        if (!InitInheritedComponent(this))
            throw EResNotFound("The form description of TfrmGlyphs is missing");
    }
    TToolBar* tlbEnabled = nullptr;
    TToolBar* tlbDisabled = nullptr;
    TToolBar* tlbDimmed = nullptr;
    TPngSpeedButton* btnOk = nullptr;
    TPngSpeedButton* btnCancel = nullptr;
    TPngSpeedButton* btnOkOff = nullptr;
    TPngSpeedButton* btnCancelOff = nullptr;
    TPngBitBtn* btnAbout = nullptr;
    TPngBitBtn* btnAboutOff = nullptr;
    TPngImageList* PngImageList = nullptr;
    TPngImageList* PngImageListOff = nullptr;
};

const bool GlyphFormRegistered = [] {
    RegisterFormClass<TfrmGlyphs>([](TFormClass<TfrmGlyphs>& c) {
        c.Field("tlbEnabled", &TfrmGlyphs::tlbEnabled);
        c.Field("tlbDisabled", &TfrmGlyphs::tlbDisabled);
        c.Field("tlbDimmed", &TfrmGlyphs::tlbDimmed);
        c.Field("btnOk", &TfrmGlyphs::btnOk);
        c.Field("btnCancel", &TfrmGlyphs::btnCancel);
        c.Field("btnOkOff", &TfrmGlyphs::btnOkOff);
        c.Field("btnCancelOff", &TfrmGlyphs::btnCancelOff);
        c.Field("btnAbout", &TfrmGlyphs::btnAbout);
        c.Field("btnAboutOff", &TfrmGlyphs::btnAboutOff);
        c.Field("PngImageList", &TfrmGlyphs::PngImageList);
        c.Field("PngImageListOff", &TfrmGlyphs::PngImageListOff);
    });
    return true;
}();

// What each picture is made of: fully clear, fully opaque and partly covered (anti-aliased) pixels.
struct TCoverage {
    int Clear = 0, Opaque = 0, Partial = 0;
};
TCoverage CoverageOf(TPNGObject* png) {
    TCoverage c;
    for (int y = 0; y < png->Height(); ++y)
        for (int x = 0; x < png->Width(); ++x) {
            const int a = png->PixelAlpha(x, y);
            (a == 0 ? c.Clear : a == 255 ? c.Opaque : c.Partial)++;
        }
    return c;
}

// Whether the control shows a pixel for which test holds on the screen.
bool Shows(TControl* Control, const std::function<bool(TColor)>& test) {
    TPoint origin = Control->ClientToScreen(TPoint(0, 0));
    for (int y = 0; y < Control->Height(); ++y)
        for (int x = 0; x < Control->Width(); ++x)
            if (test(static_cast<TColor>(ScreenPixel(origin.x + x, origin.y + y))))
                return true;
    return false;
}

class Glyphs : public ::testing::Test {
protected:
    void SetUp() override {
        // The form names the toolbars only by their class, whose unit registers it; a call links the unit in.
        TToolBar(nullptr).SetFlat(true);
        form = new TfrmGlyphs(nullptr);
    }
    void TearDown() override {
        if (form)
            form->Free();
        PumpFor(20);
    }
    TfrmGlyphs* form = nullptr;
};

TEST_F(Glyphs, TheTwelveToolbarImagesAreAntiAliased32By32PicturesWithAlpha) {
    TPngImageList* list = form->PngImageList;
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->PngImages()->Count(), 12);
    EXPECT_EQ(list->Count(), 12);  // the native list follows the items
    std::set<std::string> distinct;
    for (int i = 0; i < 12; ++i) {
        TPngImageCollectionItem* item = list->PngImages()->Items(i);
        SCOPED_TRACE(item->Name());
        EXPECT_EQ(item->Name(), "PngImage" + IntToStr(i));
        TPNGObject* png = item->PngImage();
        EXPECT_EQ(png->Width(), 32);
        EXPECT_EQ(png->Height(), 32);
        EXPECT_EQ(png->ColorType(), ctRGBAlpha);
        EXPECT_EQ(png->ChunkOfClass<TChunkgAMA>(), nullptr);
        TCoverage c = CoverageOf(png);
        EXPECT_GT(c.Clear, 32 * 32 / 8);
        EXPECT_GT(c.Opaque, 32 * 32 / 8);
        EXPECT_GT(c.Partial, 32);
        distinct.insert(SavePng(*png));
    }
    EXPECT_EQ(distinct.size(), 12u);
}

TEST_F(Glyphs, TheDialogButtonsCarryTheOkAndCancelGlyphs) {
    for (TPNGObject* png : {form->btnOk->PngImage(), form->btnCancel->PngImage(), form->btnAbout->PngImage()}) {
        EXPECT_EQ(png->Width(), 16);
        EXPECT_EQ(png->Height(), 16);
        EXPECT_EQ(png->ColorType(), ctRGBAlpha);
        TCoverage c = CoverageOf(png);
        EXPECT_GT(c.Clear, 0);
        EXPECT_GT(c.Opaque, 0);
        EXPECT_GT(c.Partial, 0);
    }
    EXPECT_NE(SavePng(*form->btnOk->PngImage()), SavePng(*form->btnCancel->PngImage()));
    EXPECT_EQ(form->btnOk->Glyph()->Width(), 16);  // the placeholder, made when the form was read
}

TEST_F(Glyphs, OnTheScreenEnabledAndDisabled) {
    form->btnOk->SetCaption("OK");
    form->btnCancel->SetCaption("Cancel");
    form->btnOkOff->SetCaption("OK");
    form->btnCancelOff->SetCaption("Cancel");
    form->btnAbout->SetCaption("OK");
    form->btnAboutOff->SetCaption("OK");
    form->Show();
    ASSERT_TRUE(PumpUntil([&] { return form->Active(); }));
    UpdateWindow(form->Handle());
    PumpFor(100);
    // An opaque pixel of the About image shows on its button in its own colour, and on a disabled button whose
    // bar takes its disabled images from a disabled PNG list, half over the button face.
    TPNGObject* about = form->PngImageList->PngImages()->Items(3)->PngImage();
    TColor own = clNone;
    for (int y = 0; y < 32 && own == clNone; ++y)
        for (int x = 0; x < 32 && own == clNone; ++x)
            if (about->PixelAlpha(x, y) == 255)
                own = about->Pixels(x, y);
    const TColor face = ColorToRGB(clBtnFace);
    auto half = [](int s, int d) { return (s * 128 + d * 127 + 127) / 255; };
    const TColor dimmed = RGB(half(GetRValue(own), GetRValue(face)), half(GetGValue(own), GetGValue(face)),
                              half(GetBValue(own), GetBValue(face)));
    EXPECT_TRUE(Shows(form->tlbEnabled->Buttons(3), [&](TColor c) { return c == own; }));
    EXPECT_TRUE(Shows(form->tlbDimmed->Buttons(3), [&](TColor c) { return Near(c, dimmed); }));
    EXPECT_FALSE(Shows(form->tlbDimmed->Buttons(3), [&](TColor c) { return c == own; }));
    // A photograph for people to look at.
    std::string shot = TestEnvDir() + "/pngctl-glyphs.png";
    EXPECT_EQ(RunUnixScript("import -display \"$DISPLAY\" -window root '" + shot + "'"), 0);
}

}  // namespace
