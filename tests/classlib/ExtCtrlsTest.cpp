// Panels, bevels, shapes and images, painted into a memory bitmap through their form and read back by pixels.
#include "classlib/visual/ExtCtrls.h"

#include "tests/support/ApplicationLoop.h"
#include "TestControls.h"

#include <gtest/gtest.h>

namespace {

class ExtCtrls : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetPosition(poDesigned);
        form->SetBounds(80, 80, 360, 260);
        form->SetColor(clWhite);
    }
    void TearDown() override {
        form->Free();
        PumpFor(20);
    }
    template <class T>
    T* Place(int left, int top, int width, int height, TWinControl* parent = nullptr) {
        T* c = new T(form);
        c->SetParent(parent ? parent : form);
        c->SetBounds(left, top, width, height);
        return c;
    }
    // The form's client area as painted now.
    COLORREF At(TMemoryDC& dc, TControl* c, int x, int y) {
        TPoint p = form->ScreenToClient(c->ClientToScreen(TPoint(x, y)));
        return dc.Pixel(p.x, p.y);
    }
    TForm* form = nullptr;
};

TEST_F(ExtCtrls, APanelIsAWindowOfItsOwnClassWithBevelsAndAFilledFace) {
    auto* panel = Place<TPanel>(10, 10, 200, 60);
    panel->SetColor(clYellow);
    panel->SetBevelOuter(bvRaised);
    panel->SetBevelInner(bvLowered);
    panel->SetBevelWidth(2);
    panel->SetBorderWidth(3);
    panel->SetCaption("");
    form->Show();
    wchar_t cls[32] = {};
    GetClassNameW(panel->Handle(), cls, 32);
    EXPECT_STREQ(cls, L"TPanel");
    TMemoryDC dc(360, 260);
    panel->PaintTo(dc.DC(), 0, 0);
    EXPECT_EQ(dc.Pixel(0, 0), static_cast<COLORREF>(ColorToRGB(clBtnHighlight)));
    EXPECT_EQ(dc.Pixel(199, 59), static_cast<COLORREF>(ColorToRGB(clBtnShadow)));
    EXPECT_EQ(dc.Pixel(3, 3), RGB(255, 255, 0));  // the border in the face colour
    EXPECT_EQ(dc.Pixel(5, 5), static_cast<COLORREF>(ColorToRGB(clBtnShadow)));  // the inner bevel, lowered
    EXPECT_EQ(dc.Pixel(100, 30), RGB(255, 255, 0));
    // Children are aligned inside border and bevels.
    auto* child = Place<TBlock>(0, 0, 10, 10, panel);
    child->SetAlign(alClient);
    EXPECT_EQ(child->Left(), 2 + 3 + 2);
    EXPECT_EQ(child->Width(), 200 - 2 * 7);
}

TEST_F(ExtCtrls, APanelCaptionIsCentred) {
    auto* panel = Place<TPanel>(10, 10, 200, 40);
    panel->SetCaption("Status");
    panel->Font()->SetColor(clRed);
    form->Show();
    TMemoryDC dc(200, 40);
    panel->PaintTo(dc.DC(), 0, 0);
    int minX = 200, maxX = -1;
    for (int x = 0; x < 200; ++x)
        for (int y = 0; y < 40; ++y)
            if (dc.Pixel(x, y) == RGB(255, 0, 0)) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
    ASSERT_GE(maxX, 0);
    EXPECT_NEAR((minX + maxX) / 2, 100, 3);
}

TEST_F(ExtCtrls, BevelsShapesAndImagesPaintOnTheirParent) {
    auto* bevel = Place<TBevel>(10, 10, 100, 50);
    auto* shape = Place<TShape>(150, 10, 41, 17);
    shape->Brush()->SetColor(clLime);
    shape->Pen()->SetColor(clBlue);
    auto* circle = Place<TShape>(150, 40, 40, 40);
    circle->SetShape(stCircle);
    circle->Brush()->SetColor(clRed);
    auto* image = Place<TImage>(220, 10, 64, 64);
    image->Picture()->Bitmap()->SetSize(16, 16);
    image->Picture()->Bitmap()->Canvas()->Brush()->SetColor(clFuchsia);
    image->Picture()->Bitmap()->Canvas()->FillRect(TRect(0, 0, 16, 16));
    image->SetStretch(true);
    form->Show();
    TMemoryDC dc(360, 260);
    form->PaintTo(dc.DC(), 0, 0);
    EXPECT_EQ(At(dc, bevel, 0, 0), static_cast<COLORREF>(ColorToRGB(clBtnShadow)));
    EXPECT_EQ(At(dc, bevel, 99, 49), static_cast<COLORREF>(ColorToRGB(clBtnHighlight)));
    EXPECT_EQ(At(dc, bevel, 50, 25), RGB(255, 255, 255));
    EXPECT_EQ(At(dc, shape, 0, 0), RGB(0, 0, 255));
    EXPECT_EQ(At(dc, shape, 20, 8), RGB(0, 255, 0));
    EXPECT_EQ(At(dc, circle, 20, 20), RGB(255, 0, 0));
    EXPECT_EQ(At(dc, circle, 1, 1), RGB(255, 255, 255));  // outside the circle
    EXPECT_EQ(At(dc, image, 60, 60), RGB(255, 0, 255));  // stretched over the whole control
}

TEST_F(ExtCtrls, AFormPaintsItsClientAreaFromItsTopLeftCorner) {
    auto* block = Place<TSpot>(0, 0, 5, 5);
    block->SetColor(clRed);
    form->Show();
    TMemoryDC dc(360, 260);
    form->PaintTo(dc.DC(), 0, 0);
    EXPECT_EQ(dc.Pixel(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(dc.Pixel(5, 5), RGB(255, 255, 255));
}

TEST_F(ExtCtrls, AnImageCentresAndScalesItsPictureAsAsked) {
    auto* image = Place<TImage>(0, 0, 100, 50);
    image->Picture()->Bitmap()->SetSize(20, 10);
    EXPECT_EQ(image->DestRect(), TRect(0, 0, 20, 10));
    image->SetCenter(true);
    EXPECT_EQ(image->DestRect(), TRect(40, 20, 60, 30));
    image->SetStretch(true);
    image->SetProportional(true);
    EXPECT_EQ(image->DestRect(), TRect(0, 0, 100, 50));
    image->Picture()->Bitmap()->SetSize(10, 10);
    EXPECT_EQ(image->DestRect(), TRect(25, 0, 75, 50));
    image->SetAutoSize(true);
    EXPECT_EQ(image->Width(), 10);
}

}  // namespace
