// TPngSpeedButton: the placeholder that keeps the PNG's room, the PNG painted over it, and form storage of both
// PNG buttons.
#include "pngctl/PngSpeedButton.h"

#include "PngTestImages.h"
#include "TestDC.h"
#include "classlib/runtime/FormResources.h"
#include "pngctl/PngBitBtn.h"
#include "tests/support/ApplicationLoop.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr TColor kGlyph = RGB(200, 40, 30);

class PngSpeedButton : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetPosition(poDesigned);
        form->SetBounds(60, 60, 200, 100);
        form->SetColor(clWhite);
        button = new TPngSpeedButton(form);
        button->SetParent(form);
        button->SetBounds(10, 10, 57, 33);
        button->SetFlat(true);
        button->SetPngImage(HalfPng(kGlyph).get());
    }
    void TearDown() override {
        form->Free();
        PumpFor(20);
    }
    // The form's client area as it paints now.
    std::unique_ptr<TestDC> Photo() {
        auto dc = std::make_unique<TestDC>(200, 100, clBlack);
        form->PaintTo(dc->DC(), 0, 0);
        return dc;
    }
    TForm* form = nullptr;
    TPngSpeedButton* button = nullptr;
};

TEST_F(PngSpeedButton, APlaceholderOfThePngsSizeKeepsTheRoomForIt) {
    auto big = HalfPng(kGlyph, 24);
    button->SetPngImage(big.get());
    EXPECT_EQ(button->Glyph()->Width(), 24);
    EXPECT_EQ(button->Glyph()->Height(), 24);
    EXPECT_EQ(button->NumGlyphs(), 1);
    EXPECT_EQ(button->Glyph()->PixelColor(5, 20), ColorToRGB(clBtnFace));
    // A picture loaded straight into the button's PNG renews the placeholder as well.
    LoadPng(*button->PngImage(), SavePng(*HalfPng(kGlyph, 20)));
    EXPECT_EQ(button->Glyph()->Width(), 20);
    button->SetPngImage(nullptr);
    EXPECT_TRUE(button->Glyph()->Empty());
}

TEST_F(PngSpeedButton, ThePngIsPaintedWhereTheGlyphGoesHalfTransparentWhenDisabledAndLowerWhenDown) {
    form->Show();
    // Centred: (57 - 16) div 2 = 20 across, (33 - 16 + 1) div 2 = 9 down; the flat button shows the white form.
    auto up = Photo();
    EXPECT_EQ(up->At(10 + 20, 10 + 9), kGlyph);
    EXPECT_EQ(up->At(10 + 19, 10 + 9), clWhite);
    EXPECT_EQ(up->At(10 + 28, 10 + 9), clWhite);  // the clear half shows what is below

    button->SetEnabled(false);
    auto disabled = Photo();
    auto mix = [](int s) { return (s * 128 + 255 * 127 + 127) / 255; };
    EXPECT_TRUE(Near(disabled->At(10 + 20, 10 + 9), RGB(mix(200), mix(40), mix(30)))) << std::hex
                                                                                        << disabled->At(30, 19);
    button->SetPngOptions({pngGrayscaleOnDisabled});
    const int grey = GrayValue(200, 40, 30);
    EXPECT_EQ(Photo()->At(10 + 20, 10 + 9), RGB(grey, grey, grey));

    button->SetEnabled(true);
    button->SetGroupIndex(1);
    button->SetAllowAllUp(true);
    button->SetDown(true);
    auto down = Photo();
    EXPECT_EQ(down->At(10 + 21, 10 + 10), kGlyph);
    EXPECT_NE(down->At(10 + 20, 10 + 12), kGlyph);
}

TEST_F(PngSpeedButton, TheCaptionIsPaintedBesideThePngNotOverIt) {
    button->SetCaption("OK");
    button->Font()->SetColor(clBlack);
    form->Show();
    auto dc = Photo();
    int glyphLeft = -1, textLeft = -1;
    for (int x = 10; x < 67 && (glyphLeft < 0 || textLeft < 0); ++x)
        for (int y = 10; y < 43; ++y) {
            if (glyphLeft < 0 && dc->At(x, y) == kGlyph)
                glyphLeft = x;
            if (textLeft < 0 && dc->At(x, y) == clBlack)
                textLeft = x;
        }
    ASSERT_GE(glyphLeft, 0);
    ASSERT_GE(textLeft, 0);
    EXPECT_GE(textLeft, glyphLeft + 16 + 4);
}

TEST(PngButtonStorage, BothButtonsKeepTheirPngInTheFormAndTheSpeedButtonItsRoom) {
    TComponent root(nullptr);
    root.SetName("frmOption");
    auto* ok = new TPngSpeedButton(&root);
    ok->SetName("btnOk");
    ok->SetPngImage(HalfPng(kGlyph, 24).get());
    ok->SetPngOptions({pngGrayscaleOnDisabled});
    auto* about = new TPngBitBtn(&root);
    about->SetName("btnAbout");
    about->SetPngImage(HalfPng(clBlue).get());
    auto* plain = new TPngBitBtn(&root);
    plain->SetName("btnPlain");
    std::string text = WriteComponentText(&root);
    EXPECT_NE(text.find("PngImage.Data = {"), std::string::npos);
    EXPECT_NE(text.find("PngOptions = [pngGrayscaleOnDisabled]"), std::string::npos);
    EXPECT_EQ(text.find("PngOptions = [pngBlendOnDisabled]"), std::string::npos);  // the default is not written

    TComponent again(nullptr);
    ReadComponentText(text, &again);
    auto* readOk = dynamic_cast<TPngSpeedButton*>(again.FindComponent("btnOk"));
    auto* readAbout = dynamic_cast<TPngBitBtn*>(again.FindComponent("btnAbout"));
    auto* readPlain = dynamic_cast<TPngBitBtn*>(again.FindComponent("btnPlain"));
    ASSERT_NE(readOk, nullptr);
    ASSERT_NE(readAbout, nullptr);
    ASSERT_NE(readPlain, nullptr);
    EXPECT_EQ(SavePng(*readOk->PngImage()), SavePng(*ok->PngImage()));
    EXPECT_EQ(readOk->PngOptions(), TPngOptions{pngGrayscaleOnDisabled});
    EXPECT_EQ(readOk->Glyph()->Width(), 24);
    EXPECT_EQ(SavePng(*readAbout->PngImage()), SavePng(*about->PngImage()));
    EXPECT_EQ(readAbout->PngOptions(), TPngOptions{pngBlendOnDisabled});
    EXPECT_TRUE(readPlain->PngImage()->Empty());
}

}  // namespace
