// TBitmap over DIB sections, BMP files (including lying ones), icons and the picture registry.
#include "classlib/visual/Graphics.h"
#include "classlib/runtime/Streams.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A BMP file built field by field, so that a test can make any header lie.
struct BmpFile {
    char Magic[2] = {'B', 'M'};
    uint32_t FileSize = 0;
    uint32_t OffBits = 54;
    uint32_t HeaderSize = 40;
    int32_t Width = 2;
    int32_t Height = 2;
    uint16_t Planes = 1;
    uint16_t Bits = 24;
    uint32_t Compression = BI_RGB;
    uint32_t ClrUsed = 0;
    std::string Extra;   // masks or colour table
    std::string Pixels;  // as stored

    std::string Bytes() const {
        std::string s(Magic, 2);
        auto put32 = [&](uint32_t v) { s.append(reinterpret_cast<const char*>(&v), 4); };
        auto put16 = [&](uint16_t v) { s.append(reinterpret_cast<const char*>(&v), 2); };
        put32(FileSize);
        put32(0);
        put32(OffBits);
        put32(HeaderSize);
        put32(static_cast<uint32_t>(Width));
        put32(static_cast<uint32_t>(Height));
        put16(Planes);
        put16(Bits);
        put32(Compression);
        put32(0);
        put32(0);
        put32(0);
        put32(ClrUsed);
        put32(0);
        s.resize(14 + HeaderSize, '\0');
        return s + Extra + Pixels;
    }
};

void LoadBytes(TBitmap& bmp, const std::string& bytes) {
    TMemoryStream ms;
    ms.WriteBuffer(bytes.data(), static_cast<long>(bytes.size()));
    ms.SetPosition(0);
    bmp.LoadFromStream(&ms);
}

std::string SaveBytes(TBitmap& bmp) {
    TMemoryStream ms;
    bmp.SaveToStream(&ms);
    return std::string(static_cast<const char*>(ms.Memory()), static_cast<size_t>(ms.Size()));
}

// A 6 x 4 picture of the standard colours, one per pixel, none repeated in a row.
void PaintStandardColours(TBitmap& bmp) {
    static const TColor colours[] = {clBlack, clWhite, clRed,  clLime,   clBlue, clYellow, clFuchsia, clAqua,
                                     clNavy,  clGreen, clMaroon, clSilver, clGray, clTeal, clPurple, clOlive};
    bmp.SetSize(6, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            bmp.Canvas()->SetPixels(x, y, colours[(y * 6 + x) % 16]);
}

std::vector<TColor> PixelsOf(TBitmap& bmp) {
    std::vector<TColor> v;
    for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Width(); ++x)
            v.push_back(bmp.PixelColor(x, y));
    return v;
}

}  // namespace

TEST(Bitmap, NewBitmapIsAnEmptyDeviceBitmap) {
    TBitmap b;
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.PixelFormat(), pfDevice);
    EXPECT_EQ(b.HandleType(), bmDDB);
    b.SetSize(5, 3);
    EXPECT_FALSE(b.Empty());
    EXPECT_EQ(b.HandleType(), bmDDB);
    EXPECT_EQ(b.Canvas()->Pixels(4, 2), clWhite);
}

TEST(Bitmap, ScanLineZeroIsTheTopRowOfABottomUpDIB) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(4, 3);
    auto* row0 = static_cast<uint8_t*>(b.ScanLine(0));
    auto* row1 = static_cast<uint8_t*>(b.ScanLine(1));
    EXPECT_EQ(row1 - row0, -12);  // rows of 12 bytes, going down in memory
    row0[0] = 0, row0[1] = 0, row0[2] = 255;  // blue, green, red: the top-left pixel turns red
    EXPECT_EQ(b.Canvas()->Pixels(0, 0), clRed);
    EXPECT_EQ(b.Canvas()->Pixels(0, 2), clWhite);
    b.Canvas()->Brush()->SetColor(clBlue);
    b.Canvas()->FillRect(Rect(0, 2, 4, 3));  // the bottom row
    auto* row2 = static_cast<uint8_t*>(b.ScanLine(2));
    EXPECT_EQ(row2[0], 255);
    EXPECT_EQ(row2[2], 0);
    EXPECT_THROW(b.ScanLine(3), EInvalidGraphicOperation);
    EXPECT_THROW(b.ScanLine(-1), EInvalidGraphicOperation);
}

TEST(Bitmap, ScanLineOfADeviceBitmapMakesItADIB) {
    TBitmap b;
    b.SetSize(3, 3);
    b.Canvas()->SetPixels(1, 0, clRed);
    auto* row = static_cast<uint8_t*>(b.ScanLine(0));
    EXPECT_EQ(b.HandleType(), bmDIB);
    EXPECT_NE(b.PixelFormat(), pfDevice);
    int bytes = b.PixelFormat() == pf32bit ? 4 : 3;
    EXPECT_EQ(row[bytes + 2], 255);
    EXPECT_EQ(b.PixelColor(1, 0), clRed);
}

TEST(Bitmap, PixelFormatConversionsKeepThePixels) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    PaintStandardColours(b);
    std::vector<TColor> original = PixelsOf(b);
    for (TPixelFormat f : {pf32bit, pf8bit, pf4bit, pf24bit, pfDevice, pf32bit, pf15bit, pf16bit, pf24bit}) {
        b.SetPixelFormat(f);
        EXPECT_EQ(b.PixelFormat(), f);
        if (f == pf15bit || f == pf16bit) {
            // Five or six bits a channel keep 0 and 255 but not 128 or 192.
            for (int i = 0; i < 24; ++i) {
                TColor c = original[i], got = PixelsOf(b)[i];
                for (int shift : {0, 8, 16})
                    EXPECT_NEAR((got >> shift) & 0xFF, (c >> shift) & 0xFF, 8) << "format " << f << " pixel " << i;
            }
            b.SetPixelFormat(pf24bit);
            PaintStandardColours(b);
        } else {
            EXPECT_EQ(PixelsOf(b), original) << "format " << f;
        }
    }
}

TEST(Bitmap, MonochromeConversionTakesTheNearestOfBlackAndWhite) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(3, 1);
    b.Canvas()->SetPixels(0, 0, clBlack);
    b.Canvas()->SetPixels(1, 0, clWhite);
    b.Canvas()->SetPixels(2, 0, clNavy);
    b.SetPixelFormat(pf1bit);
    EXPECT_TRUE(b.Monochrome());
    EXPECT_EQ(PixelsOf(b), (std::vector<TColor>{clBlack, clWhite, clBlack}));
    EXPECT_EQ(b.ColorTable().size(), 2u);
}

TEST(Bitmap, ResizingKeepsTheTopLeftAndFillsWhite) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(2, 2);
    b.Canvas()->Brush()->SetColor(clRed);
    b.Canvas()->FillRect(Rect(0, 0, 2, 2));
    b.SetSize(4, 3);
    EXPECT_EQ(b.PixelColor(1, 1), clRed);
    EXPECT_EQ(b.PixelColor(3, 2), clWhite);
    EXPECT_EQ(b.PixelColor(2, 0), clWhite);
    b.SetWidth(1);
    EXPECT_EQ(b.Width(), 1);
    EXPECT_EQ(PixelsOf(b), (std::vector<TColor>{clRed, clRed, clWhite}));
    b.SetHeight(0);
    EXPECT_TRUE(b.Empty());
    EXPECT_FALSE(b.HandleAllocated());
}

TEST(Bitmap, AssignMakesADeepCopy) {
    TBitmap a, b;
    a.SetPixelFormat(pf8bit);
    PaintStandardColours(a);
    a.SetTransparentColor(clRed);
    b.Assign(&a);
    EXPECT_EQ(b.PixelFormat(), pf8bit);
    EXPECT_EQ(PixelsOf(b), PixelsOf(a));
    EXPECT_EQ(b.TransparentColor(), clRed);
    EXPECT_NE(b.Handle(), a.Handle());
    b.Canvas()->SetPixels(0, 0, clWhite);
    EXPECT_EQ(a.PixelColor(0, 0), clBlack);
    b.Assign(nullptr);
    EXPECT_TRUE(b.Empty());
}

TEST(Bitmap, CanvasDrawingReportsAChange) {
    TBitmap b;
    b.SetSize(2, 2);
    int changes = 0;
    b.OnChange = [&](TObject*) { ++changes; };
    b.Canvas()->FillRect(Rect(0, 0, 1, 1));
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(b.Modified());
}

TEST(Bitmap, TransparentDrawingLeavesTheTransparentColourOut) {
    TBitmap glyph;
    glyph.SetPixelFormat(pf24bit);
    glyph.SetSize(10, 10);
    glyph.Canvas()->Brush()->SetColor(clFuchsia);
    glyph.Canvas()->FillRect(Rect(0, 0, 10, 10));
    glyph.Canvas()->Brush()->SetColor(clRed);
    glyph.Canvas()->FillRect(Rect(2, 2, 8, 8));
    EXPECT_EQ(glyph.TransparentMode(), tmAuto);
    EXPECT_EQ(glyph.TransparentColor(), clFuchsia);  // the bottom-left pixel
    glyph.SetTransparent(true);

    TBitmap target;
    target.SetPixelFormat(pf24bit);
    target.SetSize(20, 20);
    target.Canvas()->Brush()->SetColor(clBlue);
    target.Canvas()->FillRect(Rect(0, 0, 20, 20));
    target.Canvas()->Draw(5, 5, &glyph);
    int red = 0, fuchsia = 0;
    for (TColor c : PixelsOf(target))
        red += c == clRed, fuchsia += c == clFuchsia;
    EXPECT_EQ(red, 36);
    EXPECT_EQ(fuchsia, 0);

    glyph.SetTransparentColor(clRed);
    EXPECT_EQ(glyph.TransparentMode(), tmFixed);
    target.Canvas()->Draw(5, 5, &glyph);
    red = fuchsia = 0;
    for (TColor c : PixelsOf(target))
        red += c == clRed, fuchsia += c == clFuchsia;
    EXPECT_EQ(fuchsia, 100 - 36);
    EXPECT_EQ(red, 36);  // the red square left the earlier red in place
    glyph.SetTransparentMode(tmAuto);
    EXPECT_EQ(glyph.TransparentColor(), clFuchsia);
}

TEST(Bitmap, StretchDrawScales) {
    TBitmap small, big;
    small.SetPixelFormat(pf24bit);
    small.SetSize(2, 2);
    small.Canvas()->Brush()->SetColor(clRed);
    small.Canvas()->FillRect(Rect(0, 0, 1, 2));
    big.SetPixelFormat(pf24bit);
    big.SetSize(10, 10);
    big.Canvas()->StretchDraw(Rect(0, 0, 10, 10), &small);
    int red = 0;
    for (TColor c : PixelsOf(big))
        red += c == clRed;
    EXPECT_EQ(red, 50);
}

TEST(Bitmap, HandleCanBeTakenAndGiven) {
    TBitmap b;
    b.SetPixelFormat(pf32bit);
    b.SetSize(3, 2);
    b.Canvas()->SetPixels(2, 1, clLime);
    HBITMAP h = b.ReleaseHandle();
    EXPECT_TRUE(b.Empty());
    ASSERT_NE(h, nullptr);
    TBitmap c;
    c.SetHandle(h);
    EXPECT_EQ(c.Width(), 3);
    EXPECT_EQ(c.PixelFormat(), pf32bit);
    EXPECT_EQ(c.PixelColor(2, 1), clLime);

    // A top-down DIB section made elsewhere keeps its orientation: ScanLine(0) is still the top row.
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = 2;
    bi.bmiHeader.biHeight = -2;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP td = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    static_cast<uint32_t*>(bits)[0] = 0x00FF0000;  // red, top-left
    c.SetHandle(td);
    EXPECT_EQ(c.PixelColor(0, 0), clRed);
    EXPECT_EQ(static_cast<uint8_t*>(c.ScanLine(0))[2], 255);
    EXPECT_EQ(c.Canvas()->Pixels(0, 0), clRed);
}

TEST(Bitmap, PaletteGivesAndTakesTheColourTable) {
    TBitmap b;
    b.SetPixelFormat(pf8bit);
    b.SetSize(2, 1);
    static_cast<uint8_t*>(b.ScanLine(0))[0] = 7;
    std::vector<uint8_t> buffer(sizeof(LOGPALETTE) + 256 * sizeof(PALETTEENTRY));
    auto* lp = reinterpret_cast<LOGPALETTE*>(buffer.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = 256;
    for (int i = 0; i < 256; ++i)
        lp->palPalEntry[i] = PALETTEENTRY{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
    b.SetPalette(CreatePalette(lp));
    EXPECT_EQ(b.PixelColor(0, 0), 0x070707);  // the index stays and means the new colour
    HPALETTE p = b.Palette();
    PALETTEENTRY e{};
    ASSERT_EQ(GetPaletteEntries(p, 200, 1, &e), 1u);
    EXPECT_EQ(e.peRed, 200);
    EXPECT_EQ(b.Palette(), p);  // owned and kept
}

TEST(BitmapFile, SavesAndLoadsEveryPixelFormat) {
    for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfDevice}) {
        TBitmap a;
        a.SetPixelFormat(pf24bit);
        PaintStandardColours(a);
        a.SetPixelFormat(f);
        std::vector<TColor> expected = PixelsOf(a);
        std::string bytes = SaveBytes(a);
        ASSERT_GT(bytes.size(), 54u);
        EXPECT_EQ(bytes.substr(0, 2), "BM");
        uint32_t fileSize;
        std::memcpy(&fileSize, bytes.data() + 2, 4);
        EXPECT_EQ(fileSize, bytes.size());
        TBitmap b;
        LoadBytes(b, bytes);
        EXPECT_EQ(b.Width(), 6);
        EXPECT_EQ(b.Height(), 4);
        if (f != pfDevice) {
            EXPECT_EQ(b.PixelFormat(), f);
        }
        EXPECT_EQ(PixelsOf(b), expected) << "format " << f;
    }
}

TEST(BitmapFile, FilesAndStreamsAtAnOffset) {
    TempDir dir;
    TBitmap a;
    a.SetPixelFormat(pf24bit);
    PaintStandardColours(a);
    a.SaveToFile(dir.File("a.bmp"));
    TBitmap b;
    b.LoadFromFile(dir.File("a.bmp"));
    EXPECT_EQ(PixelsOf(b), PixelsOf(a));
    EXPECT_THROW(b.LoadFromFile(dir.File("missing.bmp")), EFOpenError);

    // Two bitmaps one after another in one stream: each load stops at its own end.
    TMemoryStream ms;
    a.SaveToStream(&ms);
    TBitmap c;
    c.SetPixelFormat(pf8bit);
    c.SetSize(1, 1);
    c.SaveToStream(&ms);
    ms.SetPosition(0);
    TBitmap d;
    d.LoadFromStream(&ms);
    EXPECT_EQ(d.Width(), 6);
    d.LoadFromStream(&ms);
    EXPECT_EQ(d.Width(), 1);
    EXPECT_EQ(d.PixelFormat(), pf8bit);
    EXPECT_EQ(ms.Position(), ms.Size());
}

TEST(BitmapFile, TopDownFileKeepsItsOrientation) {
    BmpFile f;
    f.Height = -2;
    // Stored top row first: red then blue (pixels B, G, R; rows padded to 8 bytes).
    f.Pixels = std::string("\x00\x00\xFF\x00\x00\xFF\x00\x00", 8) + std::string("\xFF\x00\x00\xFF\x00\x00\x00\x00", 8);
    TBitmap b;
    LoadBytes(b, f.Bytes());
    EXPECT_EQ(b.PixelColor(0, 0), clRed);
    EXPECT_EQ(b.PixelColor(1, 1), clBlue);
    EXPECT_EQ(static_cast<uint8_t*>(b.ScanLine(0))[2], 255);
}

TEST(BitmapFile, BitFieldsWithOwnMasksAreDecoded) {
    BmpFile f;
    f.Bits = 32;
    f.Width = 1;
    f.Height = 1;
    f.Compression = BI_BITFIELDS;
    uint32_t masks[3] = {0x000000FF, 0x0000FF00, 0x00FF0000};  // red in the low byte
    f.Extra.assign(reinterpret_cast<const char*>(masks), 12);
    f.OffBits = 54 + 12;
    f.Pixels = std::string("\x10\x20\x30\x00", 4);
    TBitmap b;
    LoadBytes(b, f.Bytes());
    EXPECT_EQ(b.PixelColor(0, 0), 0x302010);  // $00BBGGRR: red 0x10, green 0x20, blue 0x30

    BmpFile g;  // 16 bits, 5-6-5
    g.Bits = 16;
    g.Width = 1;
    g.Height = 1;
    g.Compression = BI_BITFIELDS;
    uint32_t m565[3] = {0xF800, 0x07E0, 0x001F};
    g.Extra.assign(reinterpret_cast<const char*>(m565), 12);
    g.OffBits = 54 + 12;
    g.Pixels = std::string("\x00\xF8\x00\x00", 4);
    LoadBytes(b, g.Bytes());
    EXPECT_EQ(b.PixelFormat(), pf16bit);
    EXPECT_EQ(b.PixelColor(0, 0), clRed);
}

TEST(BitmapFile, OldCoreHeaderWithPaletteLoads) {
    std::string s = "BM";
    auto put32 = [&](uint32_t v) { s.append(reinterpret_cast<const char*>(&v), 4); };
    auto put16 = [&](uint16_t v) { s.append(reinterpret_cast<const char*>(&v), 2); };
    put32(0);
    put32(0);
    put32(14 + 12 + 6);
    put32(12);
    put16(1);  // width
    put16(1);  // height
    put16(1);
    put16(1);                          // one bit per pixel
    s += std::string("\x00\x00\x00", 3);  // index 0: black
    s += std::string("\x00\xFF\x00", 3);  // index 1: green (B, G, R)
    s += std::string("\x80\x00\x00\x00", 4);
    TBitmap b;
    LoadBytes(b, s);
    EXPECT_EQ(b.PixelFormat(), pf1bit);
    EXPECT_EQ(b.PixelColor(0, 0), clLime);
}

TEST(BitmapFile, LyingHeadersAreRejected) {
    struct Case {
        const char* What;
        std::function<void(BmpFile&)> Lie;
    };
    const Case cases[] = {
        {"huge width and height", [](BmpFile& f) { f.Width = 30000, f.Height = 30000; }},
        {"more pixels than data", [](BmpFile& f) { f.Width = 1000, f.Height = 1000; }},
        {"width beyond the cap", [](BmpFile& f) { f.Width = 0x7FFFFFFF; }},
        {"negative width", [](BmpFile& f) { f.Width = -2; }},
        {"zero height", [](BmpFile& f) { f.Height = 0; }},
        {"smallest height", [](BmpFile& f) { f.Height = INT32_MIN; }},
        {"seven bits", [](BmpFile& f) { f.Bits = 7; }},
        {"two planes", [](BmpFile& f) { f.Planes = 2; }},
        {"unknown header size", [](BmpFile& f) { f.HeaderSize = 41; }},
        {"pixels start past the end", [](BmpFile& f) { f.OffBits = 0xFFFFFFF0u; }},
        {"pixels start inside the header", [](BmpFile& f) { f.OffBits = 20; }},
        {"pixels cut short", [](BmpFile& f) { f.Pixels.resize(10); }},
        {"palette larger than 8 bits allow", [](BmpFile& f) { f.Bits = 8, f.ClrUsed = 100000; }},
        {"palette past the end", [](BmpFile& f) { f.Bits = 8, f.ClrUsed = 200; }},
        {"run-length compression", [](BmpFile& f) { f.Bits = 8, f.Compression = BI_RLE8; }},
        {"bit fields on 24 bits", [](BmpFile& f) { f.Compression = BI_BITFIELDS; }},
        {"overlapping masks",
         [](BmpFile& f) {
             f.Bits = 32, f.Compression = BI_BITFIELDS;
             uint32_t m[3] = {0xFF00, 0xFF00, 0xFF};
             f.Extra.assign(reinterpret_cast<const char*>(m), 12);
             f.OffBits = 66;
         }},
        {"not BM", [](BmpFile& f) { f.Magic[1] = 'A'; }},
    };
    for (const Case& c : cases) {
        BmpFile f;
        f.Pixels = std::string(16, '\x55');
        c.Lie(f);
        TBitmap b;
        b.SetPixelFormat(pf24bit);
        b.SetSize(3, 3);
        try {
            LoadBytes(b, f.Bytes());
            ADD_FAILURE() << c.What << ": accepted";
        } catch (const EInvalidGraphic& e) {
            EXPECT_NE(std::string(e.what()).find("Bitmap image is not valid"), std::string::npos) << e.what();
        }
        EXPECT_EQ(b.Width(), 3) << c.What << ": a rejected file must leave the bitmap as it was";
    }
    // Streams that end inside the file header and inside the information header.
    TBitmap b;
    EXPECT_THROW(LoadBytes(b, "BM\x10"), EInvalidGraphic);
    EXPECT_THROW(LoadBytes(b, BmpFile().Bytes().substr(0, 30)), EInvalidGraphic);
}

TEST(BitmapFile, EmptyBitmapSavesNothingAndLoadsBackEmpty) {
    TBitmap a;
    EXPECT_EQ(SaveBytes(a), "");
    TBitmap b;
    b.SetSize(2, 2);
    LoadBytes(b, "");
    EXPECT_TRUE(b.Empty());
}

TEST(BitmapFile, LoadsFromABitmapResource) {
    TBitmap b;
    b.LoadFromResourceName(GetModuleHandleA(nullptr), "RGB4X3");
    EXPECT_EQ(b.Width(), 4);
    EXPECT_EQ(b.Height(), 3);
    EXPECT_EQ(b.PixelColor(0, 0), clRed);
    EXPECT_EQ(b.PixelColor(3, 0), clWhite);
    EXPECT_EQ(b.PixelColor(0, 1), clLime);
    EXPECT_EQ(b.PixelColor(0, 2), clBlue);
    EXPECT_THROW(b.LoadFromResourceName(GetModuleHandleA(nullptr), "NOSUCHBITMAP"), EResNotFound);
}

namespace {

HICON MakeIcon(int size, TColor colour) {
    TBitmap colourBmp, mask;
    colourBmp.SetPixelFormat(pf32bit);
    colourBmp.SetSize(size, size);
    colourBmp.Canvas()->Brush()->SetColor(colour);
    colourBmp.Canvas()->FillRect(Rect(0, 0, size, size / 2));
    colourBmp.Canvas()->Brush()->SetColor(clBlack);  // black where the mask lets the background through
    colourBmp.Canvas()->FillRect(Rect(0, size / 2, size, size));
    mask.SetPixelFormat(pf1bit);
    mask.SetSize(size, size);
    mask.Canvas()->Brush()->SetColor(clBlack);
    mask.Canvas()->FillRect(Rect(0, 0, size, size / 2));  // top half opaque, bottom half transparent (white)
    ICONINFO ii{TRUE, 0, 0, mask.Handle(), colourBmp.Handle()};
    return CreateIconIndirect(&ii);
}

}  // namespace

TEST(Icon, HandleSaveLoadAndDraw) {
    TIcon icon;
    icon.SetHandle(MakeIcon(16, clRed));
    EXPECT_EQ(icon.Width(), 16);
    EXPECT_EQ(icon.Height(), 16);
    EXPECT_THROW(icon.SetWidth(32), EInvalidGraphicOperation);
    TMemoryStream ms;
    icon.SaveToStream(&ms);
    ms.SetPosition(0);
    TIcon back;
    back.LoadFromStream(&ms);
    EXPECT_EQ(back.Width(), 16);

    TBitmap target;
    target.SetPixelFormat(pf24bit);
    target.SetSize(16, 16);
    target.Canvas()->Brush()->SetColor(clBlue);
    target.Canvas()->FillRect(Rect(0, 0, 16, 16));
    target.Canvas()->Draw(0, 0, &back);
    EXPECT_EQ(target.PixelColor(5, 2), clRed);
    EXPECT_EQ(target.PixelColor(5, 13), clBlue);

    // The file it came from is written back byte for byte.
    TMemoryStream again;
    back.SaveToStream(&again);
    EXPECT_EQ(again.Size(), ms.Size());
    EXPECT_EQ(std::memcmp(again.Memory(), ms.Memory(), static_cast<size_t>(ms.Size())), 0);

    TBitmap asBitmap;
    asBitmap.Assign(&back);
    EXPECT_EQ(asBitmap.Width(), 16);
    EXPECT_EQ(asBitmap.PixelColor(1, 1), clRed);
}

TEST(Icon, LyingIconFilesAreRejected) {
    TIcon icon;
    icon.SetHandle(MakeIcon(16, clRed));
    TMemoryStream ms;
    icon.SaveToStream(&ms);
    std::string good(static_cast<const char*>(ms.Memory()), static_cast<size_t>(ms.Size()));
    auto load = [](const std::string& bytes) {
        TMemoryStream s;
        s.WriteBuffer(bytes.data(), static_cast<long>(bytes.size()));
        s.SetPosition(0);
        TIcon i;
        i.LoadFromStream(&s);
    };
    std::string bad = good;
    bad[21] = '\x7F';  // image offset far past the end
    EXPECT_THROW(load(bad), EInvalidGraphic);
    bad = good;
    bad[14] = '\xFF', bad[15] = '\xFF';  // image size past the end
    EXPECT_THROW(load(bad), EInvalidGraphic);
    bad = good;
    bad[4] = '\x00';  // no images
    EXPECT_THROW(load(bad), EInvalidGraphic);
    bad = good;
    bad[22 + 8] = '\x7F';  // the image's own header claims a height of far more rows than it holds
    EXPECT_THROW(load(bad), EInvalidGraphic);
    EXPECT_THROW(load(good.substr(0, 30)), EInvalidGraphic);
    EXPECT_NO_THROW(load(good));
}

namespace {

// A graphic of its own, to show the registry takes new classes.
class TTestGraphic : public TBitmap {
    CLASS_INFO(TTestGraphic, TBitmap)
};

}  // namespace

TEST(Picture, LoadsByExtensionThroughTheRegistry) {
    TempDir dir;
    TBitmap a;
    a.SetPixelFormat(pf24bit);
    PaintStandardColours(a);
    a.SaveToFile(dir.File("x.BMP"));
    TPicture p;
    int changes = 0;
    p.OnChange = [&](TObject*) { ++changes; };
    p.LoadFromFile(dir.File("x.BMP"));
    ASSERT_NE(p.Graphic(), nullptr);
    EXPECT_STREQ(p.Graphic()->ClassName(), "TBitmap");
    EXPECT_EQ(p.Width(), 6);
    EXPECT_GE(changes, 1);
    EXPECT_THROW(p.LoadFromFile(dir.File("x.xyz")), EInvalidGraphic);
    EXPECT_EQ(p.Width(), 6);  // still the old picture

    TPicture::RegisterFileFormat("tst", "Test pictures", GraphicClassOf<TTestGraphic>());
    a.SaveToFile(dir.File("y.tst"));
    p.LoadFromFile(dir.File("y.tst"));
    EXPECT_STREQ(p.Graphic()->ClassName(), "TTestGraphic");
    TPicture q;
    q.Assign(&p);
    EXPECT_STREQ(q.Graphic()->ClassName(), "TTestGraphic");
    EXPECT_NE(q.Graphic(), p.Graphic());
    TPicture::UnregisterGraphicClass(GraphicClassOf<TTestGraphic>());
    EXPECT_THROW(p.LoadFromFile(dir.File("y.tst")), EInvalidGraphic);

    TGraphicClass cls;
    ASSERT_TRUE(TPicture::GraphicClassForFile("c:\\a\\b.JPeG", cls));
    EXPECT_STREQ(cls.ClassName, "TJPEGImage");
    EXPECT_TRUE(p.Bitmap() != nullptr);
    EXPECT_NE(p.Icon(), nullptr);
    EXPECT_STREQ(p.Graphic()->ClassName(), "TIcon");
}
