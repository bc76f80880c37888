// Speed buttons and bit buttons: the placement of glyph and caption, real clicks, groups, and their painting.
#include "classlib/visual/Buttons.h"

#include "tests/support/ApplicationLoop.h"
#include "tests/support/SyntheticInput.h"
#include "TestControls.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<TBitmap> GlyphOf(int width, int height, TColor color, TColor background = clFuchsia) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(width, height);
    b->Canvas()->Brush()->SetColor(background);
    b->Canvas()->FillRect(TRect(0, 0, width, height));
    b->Canvas()->Brush()->SetColor(color);
    b->Canvas()->FillRect(TRect(2, 2, width - 2, height - 2));
    return b;
}

TEST(ButtonLayout, AutomaticMarginCentresGlyphAndCaptionTogether) {
    TPoint glyph;
    TRect text;
    CalcButtonLayout(TRect(0, 0, 64, 25), TPoint(0, 0), TSize(16, 16), TSize(15, 13), blGlyphLeft, -1, 4, glyph,
                     text);
    EXPECT_EQ(glyph.x, 15);  // (64 - 35 + 1) div 2
    EXPECT_EQ(glyph.y, 5);
    EXPECT_EQ(text.left, 35);
    EXPECT_EQ(text.Width(), 15);
    CalcButtonLayout(TRect(0, 0, 64, 25), TPoint(1, 1), TSize(16, 16), TSize(0, 0), blGlyphLeft, -1, 4, glyph, text);
    EXPECT_EQ(glyph.x, 25);  // no caption: no spacing, centred
    EXPECT_EQ(glyph.y, 5 + 1);
    CalcButtonLayout(TRect(0, 0, 40, 60), TPoint(0, 0), TSize(16, 16), TSize(20, 13), blGlyphTop, 2, 4, glyph, text);
    EXPECT_EQ(glyph.y, 2);
    EXPECT_EQ(text.top, 22);
    CalcButtonLayout(TRect(0, 0, 100, 20), TPoint(0, 0), TSize(10, 10), TSize(20, 10), blGlyphRight, -1, -1, glyph,
                     text);
    EXPECT_EQ(glyph.x, 100 - 23 - 10);  // margin and spacing (100 - 30) div 3
    EXPECT_EQ(text.left, glyph.x - 23 - 20);
}

class Buttons : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetPosition(poDesigned);
        form->SetBounds(80, 80, 360, 200);
        form->SetColor(clWhite);
    }
    void TearDown() override {
        form->Free();
        PumpFor(20);
    }
    template <class T>
    T* Place(int left, int top, int width, int height) {
        T* c = new T(form);
        c->SetParent(form);
        c->SetBounds(left, top, width, height);
        return c;
    }
    static void ClickOn(TControl* c) {
        TPoint p = c->ClientToScreen(TPoint(c->Width() / 2, c->Height() / 2));
        // The mouse arrives first, as a user's does, so the control knows it is over it.
        MoveMouseTo(p.x, p.y);
        PumpFor(30);
        MouseButton(true);
        MouseButton(false);
    }
    TForm* form = nullptr;
};

TEST_F(Buttons, ASpeedButtonClickedWithTheMouseRunsOnClickAndComesBackUp) {
    auto* button = Place<TSpeedButton>(10, 10, 60, 25);
    button->SetCaption("Send");
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    form->Show();
    ASSERT_TRUE(PumpUntil([&] { return form->Active(); }));
    ClickOn(button);
    ASSERT_TRUE(PumpUntil([&] { return clicks == 1; }, 3000));
    EXPECT_EQ(button->State(), bsUp);
    EXPECT_FALSE(button->Down());
    button->SetEnabled(false);
    ClickOn(button);
    PumpFor(100);
    EXPECT_EQ(clicks, 1);
}

TEST_F(Buttons, GroupedSpeedButtonsStayDownOneAtATime) {
    auto* a = Place<TSpeedButton>(10, 10, 40, 25);
    auto* b = Place<TSpeedButton>(60, 10, 40, 25);
    for (auto* s : {a, b})
        s->SetGroupIndex(1);
    form->Show();
    ASSERT_TRUE(PumpUntil([&] { return form->Active(); }));
    ClickOn(a);
    ASSERT_TRUE(PumpUntil([&] { return a->Down(); }, 3000));
    ClickOn(b);
    ASSERT_TRUE(PumpUntil([&] { return b->Down(); }, 3000));
    EXPECT_FALSE(a->Down());
    // The last one down stays down...
    ClickOn(b);
    PumpFor(100);
    EXPECT_TRUE(b->Down());
    // ...unless the group may be all up.
    b->SetAllowAllUp(true);
    EXPECT_TRUE(a->AllowAllUp());
    b->SetDown(false);
    EXPECT_FALSE(b->Down());
}

TEST_F(Buttons, ASpeedButtonGlyphIsDrawnTransparentAndGreyWhenDisabled) {
    auto* button = Place<TSpeedButton>(10, 10, 40, 30);
    button->SetFlat(true);
    button->SetTransparent(false);
    button->SetColor(clWhite);
    auto glyph = GlyphOf(16, 16, clRed);
    button->SetGlyph(glyph.get());
    form->Show();
    TMemoryDC dc(360, 200);
    form->PaintTo(dc.DC(), 0, 0);
    // The glyph is centred: its red middle, and white where its transparent border is.
    EXPECT_EQ(dc.Pixel(10 + 20, 10 + 15), RGB(255, 0, 0));
    EXPECT_EQ(dc.Pixel(10 + 12 + 1, 10 + 7 + 1), RGB(255, 255, 255));
    button->SetEnabled(false);
    TMemoryDC grey(360, 200);
    form->PaintTo(grey.DC(), 0, 0);
    EXPECT_EQ(grey.Pixel(10 + 20, 10 + 15), static_cast<COLORREF>(ColorToRGB(clBtnShadow)));
}

TEST_F(Buttons, ABitButtonDrawsItsGlyphAndIsTheDefaultForEnter) {
    auto* edit = new TTestEdit(form);
    edit->SetParent(form);
    auto* button = Place<TBitBtn>(10, 60, 100, 30);
    button->SetKind(bkOK);
    EXPECT_EQ(button->Caption(), "OK");
    EXPECT_EQ(button->ModalResult(), mrOk);
    EXPECT_TRUE(button->Default());
    auto glyph = GlyphOf(16, 16, clBlue);
    button->SetGlyph(glyph.get());
    EXPECT_EQ(button->Kind(), bkCustom);
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    form->Show();
    EXPECT_EQ(GetWindowLongW(button->Handle(), GWL_STYLE) & 0xF, BS_OWNERDRAW);
    ASSERT_TRUE(PumpUntil([&] { return edit->Focused(); }));
    UpdateWindow(form->Handle());
    PumpFor(50);
    // A blue pixel left of the centre: the glyph beside the caption.
    TPoint origin = button->ClientToScreen(TPoint(0, 0));
    bool blue = false;
    for (int x = 0; x < 50 && !blue; ++x)
        blue = ScreenPixel(origin.x + x, origin.y + 15) == RGB(0, 0, 255);
    EXPECT_TRUE(blue);
    EXPECT_TRUE(button->IsFocused());
    PressKey(VK_RETURN);
    ASSERT_TRUE(PumpUntil([&] { return clicks == 1; }, 3000));
    EXPECT_EQ(form->ModalResult(), mrOk);
}

}  // namespace
