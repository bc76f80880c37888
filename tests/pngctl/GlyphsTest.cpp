// The console's own glyphs, carried into a form description as the console's forms carry them: the twelve toolbar
// images in a PNG image list and the OK and Cancel glyphs on PNG buttons, shown enabled and disabled.
#include "PngTestImages.h"
#include "TestDC.h"
#include "classlib/FormResources.h"
#include "pngctl/PngBitBtn.h"
#include "pngctl/PngImageList.h"
#include "pngctl/PngSpeedButton.h"
#include "tests/classlib/MessagePump.h"
#include "tests/classlib/SyntheticInput.h"
#include "tests/support/UnixCommand.h"

#include <gtest/gtest.h>

#include <set>

namespace {

constexpr int kStep = 45;  // from one toolbar image to the next in the strips

// A row of every image of a list, drawn through the list as a toolbar draws them; disabled, as a disabled toolbar.
class TGlyphStrip : public TGraphicControl {
    CLASS_INFO(TGlyphStrip, TGraphicControl)
public:
    using TGraphicControl::TGraphicControl;
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value) { FImages = Value; }

protected:
    void Paint() override {
        for (int i = 0; FImages && i < FImages->Count(); ++i)
            FImages->Draw(Canvas(), 4 + i * kStep, 4, i, Enabled());
    }

private:
    TCustomImageList* FImages = nullptr;
};

class TfrmGlyphs : public TForm {
    CLASS_INFO(TfrmGlyphs, TForm)
public:
    explicit TfrmGlyphs(TComponent* owner) : TForm(owner) {
        if (!InitInheritedComponent(this))
            throw EResNotFound("The form description of TfrmGlyphs is missing");
    }
    TGlyphStrip* stpEnabled = nullptr;
    TGlyphStrip* stpDisabled = nullptr;
    TPngSpeedButton* btnOk = nullptr;
    TPngSpeedButton* btnCancel = nullptr;
    TPngSpeedButton* btnOkOff = nullptr;
    TPngSpeedButton* btnCancelOff = nullptr;
    TPngBitBtn* btnAbout = nullptr;
    TPngBitBtn* btnAboutOff = nullptr;
    TPngImageList* PngImageList = nullptr;
};

const bool GlyphFormRegistered = [] {
    RegisterFormClass<TGlyphStrip>([](TFormClass<TGlyphStrip>& c) {
        c.Component("Images", &TGlyphStrip::Images, &TGlyphStrip::SetImages);
    });
    RegisterFormClass<TfrmGlyphs>([](TFormClass<TfrmGlyphs>& c) {
        c.Field("stpEnabled", &TfrmGlyphs::stpEnabled);
        c.Field("stpDisabled", &TfrmGlyphs::stpDisabled);
        c.Field("btnOk", &TfrmGlyphs::btnOk);
        c.Field("btnCancel", &TfrmGlyphs::btnCancel);
        c.Field("btnOkOff", &TfrmGlyphs::btnOkOff);
        c.Field("btnCancelOff", &TfrmGlyphs::btnCancelOff);
        c.Field("btnAbout", &TfrmGlyphs::btnAbout);
        c.Field("btnAboutOff", &TfrmGlyphs::btnAboutOff);
        c.Field("PngImageList", &TfrmGlyphs::PngImageList);
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

class Glyphs : public ::testing::Test {
protected:
    void SetUp() override { form = new TfrmGlyphs(nullptr); }
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
    // Where an image is opaque the enabled strip shows its own colour and the disabled strip the colour half over
    // the button face.
    TPNGObject* about = form->PngImageList->PngImages()->Items(3)->PngImage();
    int opaqueX = -1, opaqueY = -1;
    for (int y = 0; y < 32 && opaqueX < 0; ++y)
        for (int x = 0; x < 32; ++x)
            if (about->PixelAlpha(x, y) == 255) {
                opaqueX = x;
                opaqueY = y;
                break;
            }
    ASSERT_GE(opaqueX, 0);
    const TColor own = about->Pixels(opaqueX, opaqueY), face = ColorToRGB(clBtnFace);
    TPoint enabled = form->stpEnabled->ClientToScreen(TPoint(4 + 3 * kStep + opaqueX, 4 + opaqueY));
    TPoint disabled = form->stpDisabled->ClientToScreen(TPoint(4 + 3 * kStep + opaqueX, 4 + opaqueY));
    EXPECT_EQ(static_cast<TColor>(ScreenPixel(enabled.x, enabled.y)), own);
    auto half = [](int s, int d) { return (s * 128 + d * 127 + 127) / 255; };
    EXPECT_TRUE(Near(static_cast<TColor>(ScreenPixel(disabled.x, disabled.y)),
                     RGB(half(GetRValue(own), GetRValue(face)), half(GetGValue(own), GetGValue(face)),
                         half(GetBValue(own), GetBValue(face)))));
    // A photograph for people to look at.
    std::string shot = TestEnvDir() + "/pngctl-glyphs.png";
    EXPECT_EQ(RunUnixScript("import -display \"$DISPLAY\" -window root '" + shot + "'"), 0);
}

}  // namespace
