// Child painting into bitmaps and the fade of a window's new look over its old picture, on real windows.
#include "PixelTestUtils.h"
#include "SkinTestControls.h"

#include "skin/engine/sGraphUtils.h"
#include "skin/engine/sVclUtils.h"

#include "tests/support/MessageLoop.h"
#include "tests/support/ScreenPictures.h"

#include "classlib/visual/ComCtrls.h"
#include "classlib/visual/Forms.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A windowed control that handles skin messages itself: it answers command 7 and prints itself in PrintColour.
class TPrintingChild : public TCustomControl {
    CLASS_INFO(TPrintingChild, TCustomControl)
public:
    using TCustomControl::TCustomControl;
    TColor PrintColour = clRed;
    int Prints = 0;
    void Dispatch(TMessage& Message) override {
        if (Message.Msg == SM_QUORVEXCMD && SkinCmdOf(Message.WParam) == scIsSkinned) {
            Message.Result = 1;
            return;
        }
        if (Message.Msg == WM_PRINT) {
            ++Prints;
            FillDC(reinterpret_cast<HDC>(Message.WParam), TRect(0, 0, Width(), Height()), PrintColour);
            return;
        }
        TCustomControl::Dispatch(Message);
    }
};

// A windowed control that paints itself flat in PaintColour.
class TFlatChild : public TCustomControl {
    CLASS_INFO(TFlatChild, TCustomControl)
public:
    using TCustomControl::TCustomControl;
    TColor PaintColour = clBlue;

protected:
    void Paint() override { FillDC(Canvas()->Handle(), TRect(0, 0, Width(), Height()), PaintColour); }
};

// A graphic control that paints its left half in PaintColour (the right half shows what lies below), or only
// magenta at its top-left pixel when Magenta is set.
class THalfGraphic : public TGraphicControl {
    CLASS_INFO(THalfGraphic, TGraphicControl)
public:
    using TGraphicControl::TGraphicControl;
    TColor PaintColour = clLime;
    bool Magenta = false;

protected:
    void Paint() override {
        HDC dc = Canvas()->Handle();
        if (Magenta)
            FillDC(dc, TRect(0, 0, 1, 1), clFuchsia);
        else
            FillDC(dc, TRect(0, 0, Width() / 2, Height()), PaintColour);
    }
};

// A borderless form that answers command 7 and prints itself in PrintColour, while its own painting shows
// PaintColour: the old look on the screen, the new one printed.
class TFadingForm : public TForm {
    CLASS_INFO(TFadingForm, TForm)
public:
    using TForm::TForm;
    TColor PrintColour = clWhite;
    TColor PaintColour = clBlack;
    void Dispatch(TMessage& Message) override {
        if (Message.Msg == SM_QUORVEXCMD && SkinCmdOf(Message.WParam) == scIsSkinned) {
            Message.Result = 1;
            return;
        }
        if (Message.Msg == WM_PRINT) {
            FillDC(reinterpret_cast<HDC>(Message.WParam), TRect(0, 0, Width(), Height()), PrintColour);
            return;
        }
        if (Message.Msg == WM_ERASEBKGND) {
            FillDC(reinterpret_cast<HDC>(Message.WParam), TRect(0, 0, Width(), Height()), PaintColour);
            Message.Result = 1;
            return;
        }
        TForm::Dispatch(Message);
    }
};

TColor ScreenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return static_cast<TColor>(c);
}

}  // namespace

TEST(ChildPainting, AControlTreeIsPaintedByPrintOrPaintToWithEachChildAtItsPlace) {
    auto* form = new TfrmSkinTest(nullptr);
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, 120, 80);
    form->SetColor(clGray);
    auto* panel = new TFlatChild(form);
    panel->SetParent(form);
    panel->SetBounds(10, 10, 60, 50);
    auto* skinned = new TPrintingChild(panel);
    skinned->SetParent(panel);
    skinned->SetBounds(5, 5, 20, 20);
    auto* hidden = new TPrintingChild(form);
    hidden->SetParent(form);
    hidden->SetBounds(80, 10, 20, 20);
    hidden->SetVisible(false);
    form->Show();
    PumpMessagesFor(50);
    auto bmp = MakeBmp(120, 80, clBlack);
    PaintControlTree(bmp.get(), form);
    EXPECT_EQ(Px(bmp.get(), 5, 5), ColorToRGB(clGray));
    EXPECT_EQ(Px(bmp.get(), 12, 40), clBlue);       // the panel, by PaintTo
    EXPECT_EQ(Px(bmp.get(), 20, 20), clRed);        // the skinned child inside it, by WM_PRINT at (10 + 5, 10 + 5)
    EXPECT_EQ(Px(bmp.get(), 14, 14), clBlue);
    EXPECT_EQ(Px(bmp.get(), 35, 35), clBlue);
    EXPECT_EQ(Px(bmp.get(), 90, 20), ColorToRGB(clGray));  // an invisible child is left out
    EXPECT_EQ(hidden->Prints, 0);
    EXPECT_GE(skinned->Prints, 1);
    // Nothing for an invisible control.
    auto untouched = MakeBmp(20, 20, clBlack);
    PaintControlTree(untouched.get(), hidden);
    EXPECT_EQ(CountColor(untouched.get(), clBlack), 400);
    form->Free();
}

TEST(ChildPainting, AFormWithAFrameIsPaintedAsItShowsWithEveryChildWhereItsWindowIs) {
    auto* form = new TfrmSkinTest(nullptr);
    form->SetBorderStyle(bsSingle);
    form->SetPosition(poDesigned);
    form->SetBounds(60, 60, 240, 170);
    form->SetColor(clGray);
    auto* flat = new TFlatChild(form);
    flat->SetParent(form);
    flat->SetBounds(10, 10, 50, 40);
    // A tab sheet keeps its border inside its client area: what it holds is placed by its own position alone.
    auto* pages = new TPageControl(form);
    pages->SetParent(form);
    pages->SetBounds(90, 10, 120, 110);
    auto* sheet = new TTabSheet(form);
    sheet->SetPageControl(pages);
    sheet->SetBorderWidth(6);
    auto* inner = new TFlatChild(form);
    inner->SetParent(sheet);
    inner->SetBounds(10, 10, 20, 20);
    inner->PaintColour = clLime;
    form->Show();
    PumpMessagesFor(100);
    HWND wnd = form->Handle();
    RECT outer{};
    GetWindowRect(wnd, &outer);
    auto picture = MakeBmp(outer.right - outer.left, outer.bottom - outer.top, clBlack);
    PaintControlTree(picture.get(), form);
    auto shown = ScreenCopyOf(wnd);
    for (TFlatChild* child : {flat, inner}) {
        RECT r{};
        GetWindowRect(child->Handle(), &r);
        int x = r.left - outer.left, y = r.top - outer.top, w = r.right - r.left, h = r.bottom - r.top;
        ASSERT_GT(y, 20);  // below the caption
        for (TBitmap* b : {shown.get(), picture.get()}) {
            EXPECT_EQ(CountPx(b, [&](TColor c) { return c == child->PaintColour; }, x, y, x + w, y + h), w * h)
                << (b == shown.get() ? "shown " : "painted ") << child->PaintColour;
            EXPECT_EQ(CountColor(b, child->PaintColour), w * h) << child->PaintColour;
        }
    }
    form->Free();
}

TEST(ChildPainting, GraphicChildrenArePaintedOverTheParentsBackgroundAndCopiedUnlessMagenta) {
    auto* form = new TfrmSkinTest(nullptr);
    form->SetBounds(0, 0, 200, 150);
    auto* parent = new TAnsweringParent(form);
    parent->SetParent(form);
    parent->SetBounds(0, 0, 100, 80);
    parent->BackgroundColor = clYellow;
    auto* half = new THalfGraphic(parent);
    half->SetParent(parent);
    half->SetBounds(10, 10, 20, 10);
    auto* opaque = new THalfGraphic(parent);
    opaque->SetParent(parent);
    opaque->SetBounds(40, 10, 20, 10);
    opaque->SetColor(clNavy);
    opaque->SetControlStyle(opaque->ControlStyle() + TControlStyle{csOpaque});
    auto* magenta = new THalfGraphic(parent);
    magenta->SetParent(parent);
    magenta->SetBounds(70, 10, 20, 10);
    magenta->Magenta = true;
    form->Show();
    PumpMessagesFor(50);
    auto bmp = MakeBmp(120, 100, clBlack);
    PaintChildControls(parent, bmp->Canvas()->Handle(), TPoint(5, 6));
    // At (10, 10) + (5, 6): left half the child's colour, right half the parent's background.
    EXPECT_EQ(Px(bmp.get(), 16, 17), clLime);
    EXPECT_EQ(Px(bmp.get(), 30, 17), clYellow);
    EXPECT_EQ(Px(bmp.get(), 14, 16), clBlack);  // outside the child
    // An opaque child stands on its own colour.
    EXPECT_EQ(Px(bmp.get(), 46, 17), clLime);
    EXPECT_EQ(Px(bmp.get(), 60, 17), clNavy);
    // A child whose top-left pixel is magenta is not copied.
    EXPECT_EQ(Px(bmp.get(), 80, 20), clBlack);
    // Over a parent's background bitmap, the part under each child.
    auto background = MakeBmp(200, 200, clTeal);
    parent->Background = background.get();
    auto second = MakeBmp(120, 100, clBlack);
    PaintChildControls(parent, second->Canvas()->Handle(), TPoint(0, 0));
    EXPECT_EQ(Px(second.get(), 25, 15), clTeal);
    EXPECT_EQ(Px(second.get(), 12, 15), clLime);
    // A DC that shows nothing tells the parent it is half visible instead.
    auto empty = MakeBmp(10, 10, clBlack);
    HDC dc = empty->Canvas()->Handle();
    int saved = SaveDC(dc);
    IntersectClipRect(dc, 0, 0, 0, 0);
    parent->Commands.clear();
    PaintChildControls(parent, dc, TPoint(0, 0));
    RestoreDC(dc, saved);
    ASSERT_FALSE(parent->Commands.empty());
    EXPECT_EQ(parent->Commands.back().Command, scSetHalfVisible);
    form->Free();
}

class Fade : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TFadingForm(nullptr);
        form->SetBorderStyle(bsNone);
        form->SetBounds(100, 100, 80, 60);
        form->Show();
        PumpMessagesFor(100);
        // The new look is printed; the screen keeps the old one while the form's redraws are held.
        SendMessageA(form->Handle(), WM_SETREDRAW, 0, 0);
        form->PaintColour = clWhite;
    }
    void TearDown() override {
        acOnFadeStep = nullptr;
        form->Free();
    }
    // A point inside the form on the screen.
    TColor Inside() const {
        RECT r{};
        GetWindowRect(form->Handle(), &r);
        return ScreenPixel((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    TFadingForm* form = nullptr;
};

TEST_F(Fade, TheNewLookFadesInOverTheOldPictureInTimeShr3Steps) {
    ASSERT_EQ(Inside(), clBlack);
    std::vector<int> greys;
    HWND output = nullptr;
    // Each picture as the helper window holds it (the screen may show it a little later).
    acOnFadeStep = [&](HWND Output, int Step) {
        output = Output;
        EXPECT_EQ(Step, static_cast<int>(greys.size()));
        HDC dc = GetDC(Output);
        greys.push_back(GetPixel(dc, 40, 30) & 0xFF);
        ReleaseDC(Output, dc);
    };
    EXPECT_EQ(AnimShowControl(form, 100), 12);
    // Steps 0 to 12: from the old picture (weight 255 of black gives 0) towards white, in rising greys.
    ASSERT_EQ(greys.size(), 13u);
    EXPECT_EQ(greys.front(), 0);
    for (size_t i = 1; i < greys.size(); ++i)
        EXPECT_GT(greys[i], greys[i - 1]) << i;
    // Weight 255 - 6 * 21 = 129: ((0 - 255) * 129 + 255 * 256) shr 8 = 126.
    EXPECT_EQ(greys[6], 126);
    EXPECT_GE(greys.back(), 250);
    // The helper window is gone; the form shows its new look itself.
    EXPECT_FALSE(IsWindow(output));
    EXPECT_EQ(acOutputWindow, nullptr);
    EXPECT_EQ(FindWindowA(nullptr, "acOutputWindow"), nullptr);
    EXPECT_FALSE(acAnimInProgress);
    PumpMessagesFor(50);
    EXPECT_EQ(Inside(), clWhite);
}

TEST_F(Fade, BelowEightMillisecondsTheNewLookShowsAtOnce) {
    int steps = 0;
    acOnFadeStep = [&](HWND, int) { ++steps; };
    EXPECT_EQ(AnimShowControl(form, 7), 0);
    EXPECT_EQ(steps, 0);
    EXPECT_EQ(acOutputWindow, nullptr);
    PumpMessagesFor(50);
    EXPECT_EQ(Inside(), clWhite);
}

TEST_F(Fade, APreparedWindowCoversTheControlWithItsOldPicture) {
    PrepareAnimWindow(form);
    ASSERT_NE(acOutputWindow, nullptr);
    HWND output = acOutputWindow->Handle();
    EXPECT_TRUE(IsWindowVisible(output));
    RECT r{}, covered{};
    GetWindowRect(output, &r);
    GetWindowRect(form->Handle(), &covered);
    EXPECT_TRUE(EqualRect(&r, &covered));
    EXPECT_EQ(r.right - r.left, 80);
    EXPECT_EQ(GetWindowLongA(output, GWL_STYLE) & WS_POPUP, static_cast<LONG>(WS_POPUP));
    EXPECT_EQ(AnimShowControl(form, 16), 2);
    EXPECT_FALSE(IsWindow(output));
}

TEST(VisualStyles, SetWindowThemeIsLoadedAtStart) {
    ASSERT_NE(acSetWindowTheme, nullptr);
    auto* form = new TfrmSkinTest(nullptr);
    EXPECT_EQ(acSetWindowTheme(form->Handle(), nullptr, nullptr), S_OK);
    form->Free();
}

TEST_F(Fade, TheUnlockingOfFormsFadesThroughThisFade) {
    // The skin change lets its held forms go through acAnimShowControl, which is this fade from the start.
    ASSERT_NE(acAnimShowControl, nullptr);
    int steps = 0;
    acOnFadeStep = [&](HWND, int) { ++steps; };
    acAnimShowControl(form, 24);
    EXPECT_EQ(steps, 4);
    EXPECT_EQ(acOutputWindow, nullptr);
}
