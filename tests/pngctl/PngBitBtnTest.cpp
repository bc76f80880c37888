// TPngBitBtn: the PNG glyph on an owner-drawn button, drawn pixel by pixel and on the screen.
#include "pngctl/PngBitBtn.h"

#include "PngTestImages.h"
#include "TestDC.h"
#include "tests/support/ApplicationLoop.h"
#include "tests/support/SyntheticInput.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Draws itself on request into any device context, with or without the visual style.
class TOpenPngBitBtn : public TPngBitBtn {
public:
    using TPngBitBtn::TPngBitBtn;
    bool Themed = false;
    int Drawn = 0;
    void DrawInto(HDC DC, UINT ItemState) {
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_BUTTON;
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = ItemState | (Enabled() ? 0 : ODS_DISABLED);
        dis.hDC = DC;
        dis.rcItem = ClientRect();
        DrawItem(dis);
    }

protected:
    bool UseThemes() const override { return Themed; }
    void DrawItem(const DRAWITEMSTRUCT& DrawItemStruct) override {
        ++Drawn;
        TPngBitBtn::DrawItem(DrawItemStruct);
    }
};

constexpr TColor kGlyph = RGB(20, 60, 220);

// The colour of an opaque glyph pixel at alpha 128 over what lies below.
TColor HalfOver(TColor Src, TColor Below) {
    auto mix = [](int s, int d) { return (s * 128 + d * 127 + 127) / 255; };
    return RGB(mix(GetRValue(Src), GetRValue(Below)), mix(GetGValue(Src), GetGValue(Below)),
               mix(GetBValue(Src), GetBValue(Below)));
}

class PngBitBtn : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetPosition(poDesigned);
        form->SetBounds(60, 60, 320, 160);
        button = new TOpenPngBitBtn(form);
        button->SetParent(form);
        button->SetBounds(10, 10, 100, 30);
        button->SetPngImage(HalfPng(kGlyph).get());
    }
    void TearDown() override {
        form->Free();
        PumpFor(20);
    }
    // Leftmost and rightmost columns holding a pixel for which test holds, or (-1, -1).
    static std::pair<int, int> Columns(TestDC& dc, int Width, int Height, const std::function<bool(TColor)>& test) {
        int first = -1, last = -1;
        for (int x = 0; x < Width; ++x)
            for (int y = 0; y < Height; ++y)
                if (test(dc.At(x, y))) {
                    if (first < 0)
                        first = x;
                    last = x;
                    break;
                }
        return {first, last};
    }
    TForm* form = nullptr;
    TOpenPngBitBtn* button = nullptr;
    const TColor face = ColorToRGB(clBtnFace);
};

TEST_F(PngBitBtn, WithoutACaptionThePngIsCentredAndDisabledItIsHalfTransparentOrGrey) {
    TestDC dc(100, 30);
    button->DrawInto(dc.DC(), 0);
    // (100 - 16) div 2 = 42 across, (30 - 16 + 1) div 2 = 7 down.
    EXPECT_EQ(dc.At(42, 7), kGlyph);
    EXPECT_EQ(dc.At(49, 22), kGlyph);
    EXPECT_EQ(dc.At(41, 10), face);
    EXPECT_EQ(dc.At(50, 10), face);  // the clear half

    button->SetEnabled(false);
    button->DrawInto(dc.DC(), 0);
    EXPECT_TRUE(Near(dc.At(42, 7), HalfOver(kGlyph, face))) << std::hex << dc.At(42, 7);
    EXPECT_EQ(dc.At(50, 10), face);
    button->SetPngOptions({pngGrayscaleOnDisabled});
    button->DrawInto(dc.DC(), 0);
    const int grey = GrayValue(GetRValue(kGlyph), GetGValue(kGlyph), GetBValue(kGlyph));
    EXPECT_EQ(dc.At(42, 7), RGB(grey, grey, grey));
    button->SetPngOptions({pngBlendOnDisabled, pngGrayscaleOnDisabled});
    button->DrawInto(dc.DC(), 0);
    EXPECT_TRUE(Near(dc.At(42, 7), HalfOver(RGB(grey, grey, grey), face))) << std::hex << dc.At(42, 7);
    // The button's own picture is never changed by drawing it disabled.
    EXPECT_EQ(button->PngImage()->PixelAlpha(0, 0), 255);
    EXPECT_EQ(button->PngImage()->Pixels(0, 0), kGlyph);
}

TEST_F(PngBitBtn, WhilePressedTheGlyphMovesOnePixelRightAndDown) {
    TestDC dc(100, 30);
    button->DrawInto(dc.DC(), ODS_SELECTED);
    EXPECT_EQ(dc.At(42, 10), face);
    EXPECT_EQ(dc.At(43, 8), kGlyph);
    EXPECT_EQ(dc.At(50, 10), kGlyph);
    EXPECT_EQ(dc.At(43, 7), face);
}

TEST_F(PngBitBtn, TheCaptionStandsBesideTheGlyphAndBothAreCentredTogether) {
    button->SetCaption("Cancel");
    button->Font()->SetColor(clBlack);
    TestDC dc(100, 30);
    button->DrawInto(dc.DC(), 0);
    auto glyph = Columns(dc, 100, 30, [](TColor c) { return c == kGlyph; });
    auto text = Columns(dc, 100, 30, [](TColor c) { return GetRValue(c) < 60 && GetBValue(c) < 60; });
    ASSERT_GE(glyph.first, 0);
    ASSERT_GE(text.first, 0);
    // Spacing 4 between the glyph's 16 columns and the caption (whose first letter may start a pixel in).
    EXPECT_GE(text.first - (glyph.first + 16), 4);
    EXPECT_LE(text.first - (glyph.first + 16), 6);
    // As much room left of the glyph as right of the caption.
    EXPECT_NEAR(glyph.first, 100 - 1 - text.second, 3);

    // Glyph on the right: the caption comes first.
    button->SetLayout(blGlyphRight);
    button->DrawInto(dc.DC(), 0);
    glyph = Columns(dc, 100, 30, [](TColor c) { return c == kGlyph; });
    text = Columns(dc, 100, 30, [](TColor c) { return GetRValue(c) < 60 && GetBValue(c) < 60; });
    EXPECT_LT(text.second, glyph.first);
}

TEST_F(PngBitBtn, ADisabledCaptionIsGreyedLikeItsGlyph) {
    button->SetCaption("OK");
    button->Font()->SetColor(clBlack);
    button->SetEnabled(false);
    TestDC dc(100, 30);
    button->DrawInto(dc.DC(), 0);
    const TColor grey = ColorToRGB(clGrayText);
    int greyPixels = 0, blackPixels = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 60; x < 100; ++x) {
            greyPixels += dc.At(x, y) == grey;
            blackPixels += dc.At(x, y) == RGB(0, 0, 0);
        }
    EXPECT_GT(greyPixels, 10);
    EXPECT_EQ(blackPixels, 0);
}

TEST_F(PngBitBtn, OnlyTheThemedFaceIsRepaintedWhenTheMouseComesAndGoes) {
    form->Show();
    PumpFor(100);
    auto hover = [&](UINT Msg) {
        button->Drawn = 0;
        button->Perform(Msg, 0, 0);
        UpdateWindow(button->Handle());
        return button->Drawn;
    };
    // The classic face looks the same with the mouse over it.
    EXPECT_EQ(hover(CM_MOUSEENTER), 0);
    EXPECT_FALSE(button->MouseInControl());
    EXPECT_EQ(hover(CM_MOUSELEAVE), 0);
    button->Themed = true;
    EXPECT_GT(hover(CM_MOUSEENTER), 0);
    EXPECT_TRUE(button->MouseInControl());
    EXPECT_EQ(hover(CM_MOUSEENTER), 0);  // already in
    EXPECT_GT(hover(CM_MOUSELEAVE), 0);
    EXPECT_FALSE(button->MouseInControl());
}

TEST_F(PngBitBtn, WithTheVisualStyleTheGlyphKeepsItsPlace) {
    form->Show();
    button->Themed = true;
    TestDC dc(100, 30);
    button->DrawInto(dc.DC(), 0);
    EXPECT_EQ(dc.At(42, 7), kGlyph);
    button->DrawInto(dc.DC(), ODS_SELECTED);
    EXPECT_EQ(dc.At(43, 8), kGlyph);
}

TEST_F(PngBitBtn, OnTheScreenAnEnabledAndADisabledButtonShowTheirGlyphs) {
    auto* disabled = new TPngBitBtn(form);
    disabled->SetParent(form);
    disabled->SetBounds(120, 10, 100, 30);
    disabled->SetPngImage(HalfPng(kGlyph).get());
    disabled->SetEnabled(false);
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    form->Show();
    ASSERT_TRUE(PumpUntil([&] { return form->Active(); }));
    UpdateWindow(form->Handle());
    PumpFor(50);
    TPoint a = button->ClientToScreen(TPoint(42, 7)), b = disabled->ClientToScreen(TPoint(42, 7));
    EXPECT_EQ(ScreenPixel(a.x, a.y), static_cast<COLORREF>(kGlyph));
    EXPECT_TRUE(Near(static_cast<TColor>(ScreenPixel(b.x, b.y)), HalfOver(kGlyph, face)));
    // Held down with the mouse, the glyph moves; let go, the button is clicked.
    TPoint centre = button->ClientToScreen(TPoint(50, 15));
    MoveMouseTo(centre.x, centre.y);
    PumpFor(30);
    MouseButton(true);
    PumpFor(100);
    UpdateWindow(button->Handle());
    EXPECT_EQ(ScreenPixel(a.x + 1, a.y + 1), static_cast<COLORREF>(kGlyph));
    EXPECT_EQ(ScreenPixel(a.x, a.y + 3), static_cast<COLORREF>(face));
    MouseButton(false);
    ASSERT_TRUE(PumpUntil([&] { return clicks == 1; }, 3000));
}

TEST(PngBitBtnGlyph, AColourGlyphLosesItsGammaAndAGreyOneKeepsIt) {
    TPngBitBtn button(nullptr);
    auto rgb = HalfPng(kGlyph);
    rgb->AddChunk("gAMA", {0, 0, 0xB1, 0x8F}, TChunk::clBeforePalette);
    button.SetPngImage(rgb.get());
    EXPECT_EQ(button.PngImage()->ChunkOfClass<TChunkgAMA>(), nullptr);
    EXPECT_NE(rgb->ChunkOfClass<TChunkgAMA>(), nullptr);  // the given picture stays as it was

    TPNGObject grey;
    grey.CreateBlank(ctGrayscaleAlpha, 8, 8, 8);
    grey.AddChunk("gAMA", {0, 0, 0xB1, 0x8F}, TChunk::clBeforePalette);
    button.SetPngImage(&grey);
    EXPECT_NE(button.PngImage()->ChunkOfClass<TChunkgAMA>(), nullptr);

    button.SetPngImage(nullptr);
    EXPECT_TRUE(button.PngImage()->Empty());
}

}  // namespace
