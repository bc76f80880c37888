// Colours, fonts, pens, brushes and canvas drawing on a real DC.
#include "classlib/visual/Graphics.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// A 32-bit top-down DIB section selected into a memory DC, read back pixel by pixel.
class MemoryDC {
public:
    MemoryDC(int w, int h) : FWidth(w), FHeight(h) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        FDC = CreateCompatibleDC(nullptr);
        FBitmap = CreateDIBSection(FDC, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&FBits), nullptr, 0);
        FOld = SelectObject(FDC, FBitmap);
        Fill(0xFFFFFF);
    }
    ~MemoryDC() {
        SelectObject(FDC, FOld);
        DeleteObject(FBitmap);
        DeleteDC(FDC);
    }
    HDC DC() const { return FDC; }
    void Fill(uint32_t rgb) {
        GdiFlush();
        for (int i = 0; i < FWidth * FHeight; ++i)
            FBits[i] = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
    }
    // Colour as $00BBGGRR.
    uint32_t At(int x, int y) const {
        GdiFlush();
        uint32_t p = FBits[y * FWidth + x];
        return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
    }
    int Count(uint32_t rgb) const {
        int n = 0;
        for (int y = 0; y < FHeight; ++y)
            for (int x = 0; x < FWidth; ++x)
                n += At(x, y) == rgb;
        return n;
    }

private:
    int FWidth, FHeight;
    HDC FDC;
    HBITMAP FBitmap;
    HGDIOBJ FOld;
    uint32_t* FBits = nullptr;
};

}  // namespace

TEST(ColorText, NamedColoursRoundTrip) {
    EXPECT_EQ(ColorToString(clRed), "clRed");
    EXPECT_EQ(StringToColor("clRed"), clRed);
    EXPECT_EQ(StringToColor("CLRED"), clRed);
    EXPECT_EQ(ColorToString(clNone), "clNone");
    EXPECT_EQ(StringToColor("clDefault"), clDefault);
    // clLtGray has no name of its own: it is clSilver's value.
    EXPECT_EQ(ColorToString(clLtGray), "clSilver");
    int count = 0;
    GetColorValues([&](const std::string& name) {
        ++count;
        EXPECT_EQ(ColorToString(StringToColor(name)), name);
    });
    EXPECT_EQ(count, 52);
}

TEST(ColorText, SystemColoursRoundTripByName) {
    EXPECT_EQ(ColorToString(clBtnFace), "clBtnFace");
    EXPECT_EQ(StringToColor("clWindowText"), clWindowText);
    EXPECT_EQ(static_cast<uint32_t>(clBtnFace), 0xFF00000Fu);
    EXPECT_EQ(ColorToString(clSystemColor | 25), "$FF000019");  // no name for index 25
}

TEST(ColorText, OtherColoursAreDollarAndEightDigits) {
    EXPECT_EQ(ColorToString(0x00C08000), "$00C08000");
    EXPECT_EQ(StringToColor("$00C08000"), 0x00C08000);
    EXPECT_EQ(StringToColor("$00208000"), 0x00208000);
    EXPECT_EQ(StringToColor("12345"), 12345);
    EXPECT_EQ(StringToColor("0x10"), 16);
    EXPECT_EQ(StringToColor("$FF00000F"), clBtnFace);
    EXPECT_EQ(ColorToString(0x00FFFFFE), "$00FFFFFE");
    EXPECT_EQ(StringToColor(ColorToString(0x12345678)), 0x12345678);
}

TEST(ColorText, BadTextRaisesConvertError) {
    EXPECT_THROW(StringToColor("clRedd"), EConvertError);
    EXPECT_THROW(StringToColor(""), EConvertError);
    EXPECT_THROW(StringToColor("$00C0800G"), EConvertError);
    TColor c = 7;
    EXPECT_FALSE(IdentToColor("red", c));
    EXPECT_EQ(c, 7);
}

TEST(ColorToRGB, ResolvesSystemColoursThroughGetSysColor) {
    EXPECT_EQ(static_cast<DWORD>(ColorToRGB(clBtnFace)), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(static_cast<DWORD>(ColorToRGB(clWindowText)), GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(ColorToRGB(clRed), clRed);
    EXPECT_EQ(ColorToRGB(clNone), clNone);
}

TEST(Font, SizeAndHeightFollowPixelsPerInch) {
    TFont f;
    f.SetPixelsPerInch(96);
    f.SetSize(9);
    EXPECT_EQ(f.Height(), -12);
    EXPECT_EQ(f.Size(), 9);
}

TEST(Font, ChangesNotifyAndRenewTheHandle) {
    TFont f;
    int changes = 0;
    f.OnChange = [&](TObject*) { ++changes; };
    TGdiRef before = f.HandleRef();
    f.SetName("Courier New");
    f.SetStyle({fsBold, fsUnderline});
    f.SetColor(clRed);
    f.SetName("Courier New");  // unchanged: no notice
    EXPECT_EQ(changes, 3);
    LOGFONTA lf{};
    ASSERT_NE(GetObjectA(f.Handle(), sizeof lf, &lf), 0);
    EXPECT_STREQ(lf.lfFaceName, "Courier New");
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_TRUE(lf.lfUnderline);
    EXPECT_NE(before.get(), f.HandleRef().get());
}

TEST(Font, AssignCopiesEverythingAndSetHandleReadsAFont) {
    TFont a, b;
    a.SetName("Tahoma");
    a.SetHeight(-20);
    a.SetStyle({fsItalic});
    a.SetColor(clBlue);
    b.Assign(&a);
    EXPECT_EQ(b.Name(), "Tahoma");
    EXPECT_EQ(b.Height(), -20);
    EXPECT_EQ(b.Style(), TFontStyles{fsItalic});
    EXPECT_EQ(b.Color(), clBlue);
    TPen p;
    EXPECT_THROW(b.Assign(&p), EConvertError);

    LOGFONTA lf{};
    lf.lfHeight = -17;
    lf.lfWeight = FW_BOLD;
    lstrcpyA(lf.lfFaceName, "Courier New");
    TFont c;
    c.SetHandle(CreateFontIndirectA(&lf));
    EXPECT_EQ(c.Name(), "Courier New");
    EXPECT_EQ(c.Height(), -17);
    EXPECT_EQ(c.Style(), TFontStyles{fsBold});
}

TEST(Brush, SettingAColourMakesAClearBrushSolid) {
    TBrush b;
    b.SetStyle(bsClear);
    b.SetColor(clRed);
    EXPECT_EQ(b.Style(), bsSolid);
}

TEST(Brush, APatternBitmapFillsWithItsPixels) {
    TBitmap pattern;
    pattern.SetPixelFormat(pf24bit);
    pattern.SetSize(8, 8);
    pattern.Canvas()->Brush()->SetColor(clRed);
    pattern.Canvas()->FillRect(Rect(0, 0, 4, 8));  // left half red, right half white
    MemoryDC dc(16, 4);
    TCanvas c;
    c.SetHandle(dc.DC());
    c.Brush()->SetBitmap(&pattern);
    c.FillRect(Rect(0, 0, 16, 4));
    EXPECT_EQ(dc.Count(clRed), 32);
    EXPECT_EQ(dc.Count(clWhite), 32);
    c.Brush()->SetBitmap(nullptr);
    c.Brush()->SetColor(clBlue);
    c.FillRect(Rect(0, 0, 16, 4));
    EXPECT_EQ(dc.Count(clBlue), 64);
}

TEST(Canvas, WithoutAHandleItRefusesToDraw) {
    TCanvas c;
    EXPECT_THROW(c.FillRect(Rect(0, 0, 2, 2)), EInvalidOperation);
}

TEST(Canvas, FillRectAndFrameRectPaintTheBrushColour) {
    MemoryDC dc(40, 30);
    TCanvas c;
    c.SetHandle(dc.DC());
    c.Brush()->SetColor(clRed);
    c.FillRect(Rect(0, 0, 10, 10));
    EXPECT_EQ(dc.Count(clRed), 100);
    c.Brush()->SetColor(clBlue);  // a change after the brush was selected must take effect
    c.FrameRect(Rect(20, 10, 30, 20));
    EXPECT_EQ(dc.Count(clBlue), 36);
    EXPECT_EQ(dc.At(25, 15), static_cast<uint32_t>(clWhite));
    c.SetHandle(nullptr);
}

TEST(Canvas, RectangleUsesPenOutlineAndBrushInside) {
    MemoryDC dc(40, 40);
    TCanvas c;
    c.SetHandle(dc.DC());
    c.Pen()->SetColor(clLime);
    c.Brush()->SetColor(clYellow);
    c.Rectangle(0, 0, 10, 10);
    EXPECT_EQ(dc.Count(clLime), 36);
    EXPECT_EQ(dc.Count(clYellow), 64);
    c.Brush()->SetStyle(bsClear);
    c.Pen()->SetColor(clRed);
    c.Rectangle(20, 20, 30, 30);
    EXPECT_EQ(dc.Count(clRed), 36);
    EXPECT_EQ(dc.At(25, 25), static_cast<uint32_t>(clWhite));
}

TEST(Canvas, LinesPolygonsAndEllipsesPaint) {
    MemoryDC dc(50, 50);
    TCanvas c;
    c.SetHandle(dc.DC());
    c.Pen()->SetColor(clRed);
    c.MoveTo(0, 0);
    c.LineTo(10, 0);
    EXPECT_EQ(dc.Count(clRed), 10);  // the end point is not drawn
    EXPECT_EQ(c.PenPos(), Point(10, 0));
    c.Pen()->SetColor(clBlue);
    c.Brush()->SetColor(clBlue);
    c.Polygon({Point(20, 20), Point(30, 20), Point(30, 30)});
    EXPECT_GT(dc.Count(clBlue), 40);
    c.Pen()->SetStyle(psClear);
    c.Brush()->SetColor(clLime);
    c.Ellipse(0, 30, 20, 50);
    int lime = dc.Count(clLime);
    EXPECT_GT(lime, 250);  // about pi * 10 * 10
    EXPECT_LT(lime, 380);
}

TEST(Canvas, PixelsReadAndWrite) {
    MemoryDC dc(8, 8);
    TCanvas c;
    c.SetHandle(dc.DC());
    c.SetPixels(3, 4, clFuchsia);
    EXPECT_EQ(c.Pixels(3, 4), clFuchsia);
    EXPECT_EQ(dc.At(3, 4), static_cast<uint32_t>(clFuchsia));
    c.SetPixels(0, 0, clBtnFace);
    EXPECT_EQ(c.Pixels(0, 0), ColorToRGB(clBtnFace));
}

TEST(Canvas, TextPaintsInTheFontColourAndMeasures) {
    MemoryDC dc(200, 40);
    TCanvas c;
    c.SetHandle(dc.DC());
    c.Font()->SetName("Tahoma");
    c.Font()->SetHeight(-16);
    c.Font()->SetColor(clRed);
    c.Brush()->SetStyle(bsClear);
    TSize size = c.TextExtent("Hello");
    EXPECT_GT(size.cx, 20);
    EXPECT_GT(size.cy, 10);
    EXPECT_LT(c.TextWidth("Hi"), c.TextWidth("Hello world"));
    c.TextOut(2, 2, "Hello");
    EXPECT_GT(dc.Count(clRed), 20);
    EXPECT_EQ(c.PenPos(), Point(2 + size.cx, 2));
    c.Font()->SetColor(clBlue);
    c.TextOut(100, 2, "Hello");
    EXPECT_GT(dc.Count(clBlue), 20);
}

TEST(Canvas, TextRectClipsAndFillsWithASolidBrush) {
    MemoryDC dc(200, 40);
    TCanvas c;
    c.SetHandle(dc.DC());
    c.Font()->SetColor(clBlack);
    c.Brush()->SetColor(clYellow);
    c.TextRect(Rect(10, 10, 30, 30), 10, 10, "WWWWWWWWWWWWWWWW");
    EXPECT_GT(dc.Count(clYellow), 0);
    EXPECT_GT(dc.Count(clBlack), 0);
    EXPECT_EQ(dc.Count(clWhite), 200 * 40 - 400);  // nothing outside the 20 x 20 rectangle
}

TEST(Canvas, CopyRectCopiesAndStretches) {
    MemoryDC a(20, 20), b(40, 40);
    TCanvas ca, cb;
    ca.SetHandle(a.DC());
    cb.SetHandle(b.DC());
    ca.Brush()->SetColor(clRed);
    ca.FillRect(Rect(0, 0, 5, 5));
    cb.CopyRect(Rect(0, 0, 5, 5), &ca, Rect(0, 0, 5, 5));
    EXPECT_EQ(b.Count(clRed), 25);
    cb.CopyRect(Rect(20, 20, 30, 30), &ca, Rect(0, 0, 5, 5));
    EXPECT_EQ(b.Count(clRed), 125);
    cb.SetCopyMode(cmBlackness);
    cb.CopyRect(Rect(0, 0, 5, 5), &ca, Rect(0, 0, 5, 5));
    EXPECT_EQ(b.Count(clBlack), 25);
}

TEST(Canvas, ChangingAndChangedBracketEveryDrawing) {
    MemoryDC dc(8, 8);
    TCanvas c;
    c.SetHandle(dc.DC());
    std::string trace;
    c.OnChanging = [&](TObject*) { trace += "<"; };
    c.OnChange = [&](TObject*) { trace += ">"; };
    c.FillRect(Rect(0, 0, 1, 1));
    c.SetPixels(1, 1, clRed);
    EXPECT_EQ(trace, "<><>");
}

TEST(Canvas, DetachingPutsTheDCsObjectsBack) {
    MemoryDC dc(8, 8);
    HGDIOBJ font = GetCurrentObject(dc.DC(), OBJ_FONT);
    {
        TCanvas c;
        c.SetHandle(dc.DC());
        c.Font()->SetName("Courier New");
        c.TextExtent("x");
        EXPECT_NE(GetCurrentObject(dc.DC(), OBJ_FONT), font);
        c.SetHandle(nullptr);
    }
    EXPECT_EQ(GetCurrentObject(dc.DC(), OBJ_FONT), GetStockObject(SYSTEM_FONT));
}

TEST(Canvas, LockNestsAndTryLockFailsFromAnotherThread) {
    TCanvas c;
    c.Lock();
    c.Lock();
    EXPECT_EQ(c.LockCount(), 2);
    bool other = true;
    std::thread t([&] { other = c.TryLock(); });
    t.join();
    EXPECT_FALSE(other);
    c.Unlock();
    c.Unlock();
    EXPECT_EQ(c.LockCount(), 0);
    std::thread t2([&] {
        other = c.TryLock();
        if (other)
            c.Unlock();
    });
    t2.join();
    EXPECT_TRUE(other);
}

namespace {

// A canvas that makes its own DC only when drawing starts, as a control's canvas does.
class TOnDemandCanvas : public TCanvas {
public:
    explicit TOnDemandCanvas(HDC dc) : FDC(dc) {}
    int Created = 0;

protected:
    void CreateHandle() override {
        ++Created;
        SetHandle(FDC);
    }

private:
    HDC FDC;
};

}  // namespace

TEST(Canvas, CreateHandleMakesTheDCOnDemand) {
    MemoryDC dc(8, 8);
    TOnDemandCanvas c(dc.DC());
    EXPECT_FALSE(c.HandleAllocated());
    c.Brush()->SetColor(clRed);
    c.FillRect(Rect(0, 0, 2, 2));
    c.FillRect(Rect(0, 0, 2, 2));
    EXPECT_EQ(c.Created, 1);
    EXPECT_EQ(dc.Count(clRed), 4);
    c.SetHandle(nullptr);
}
