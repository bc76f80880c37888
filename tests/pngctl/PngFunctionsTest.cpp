// The disabled look of PNG glyphs, checked pixel by pixel against its formula, and PNGs made from
// bitmaps, icons and image lists.
#include "PngTestImages.h"
#include "TestDC.h"
#include "pngctl/PngFunctions.h"

#include "classlib/visual/JPEG.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>

namespace {

// The formulas with exact binary fractions and the processor's rounding (halves to even): every value
// here is exactly representable, so this reference cannot drift the way the weighted sum in decimals does.
int RoundHalfEven(double v) { return int(std::nearbyint(v)); }
int ReferenceScale(int c, int k) { return RoundHalfEven(c * k / 256.0); }
int ReferenceGray(int r, int g, int b) { return RoundHalfEven((30 * r + 59 * g + 11 * b) / 100.0); }

TEST(PixelMaths, TheGreyValueIsExactForEveryColour) {
    EXPECT_EQ(GrayValue(255, 0, 0), 76);
    EXPECT_EQ(GrayValue(5, 0, 0), 2);   // 1.5 rounds up to the even 2
    EXPECT_EQ(GrayValue(15, 0, 0), 4);  // 4.5 rounds down to the even 4
    EXPECT_EQ(GrayValue(255, 255, 255), 255);
    int ties = 0;
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b) {
                int x = 30 * r + 59 * g + 11 * b;
                ties += x % 100 == 50;
                if (GrayValue(uint8_t(r), uint8_t(g), uint8_t(b)) != ReferenceGray(r, g, b))
                    FAIL() << r << " " << g << " " << b;
            }
    EXPECT_EQ(ties, 167836);
}

TEST(PixelMaths, ScalingRoundsHalvesToEven) {
    for (int c = 0; c < 256; ++c)
        for (int k = 0; k <= 256; ++k)
            ASSERT_EQ(ScaleByte(unsigned(c), unsigned(k)), ReferenceScale(c, k)) << c << " " << k;
    EXPECT_EQ(BlendedAlpha(255, 127), 128);
    EXPECT_EQ(BlendedAlpha(0, 127), 0);
    EXPECT_EQ(BlendedAlpha(255, 255), 255);
}

TEST(PixelMaths, GreyscaleMixesEachChannelTowardTheGrey) {
    for (int amount : {0, 63, 127, 200, 255})
        for (int r = 0; r < 256; r += 5)
            for (int g = 0; g < 256; g += 3)
                for (int b = 0; b < 256; b += 7) {
                    uint8_t R = uint8_t(r), G = uint8_t(g), B = uint8_t(b);
                    GrayscalePixel(R, G, B, amount);
                    int gray = ReferenceScale(ReferenceGray(r, g, b), amount + 1);
                    ASSERT_EQ(R, std::min(255, ReferenceScale(r, 255 - amount) + gray));
                    ASSERT_EQ(G, std::min(255, ReferenceScale(g, 255 - amount) + gray));
                    ASSERT_EQ(B, std::min(255, ReferenceScale(b, 255 - amount) + gray));
                }
    uint8_t r = 255, g = 0, b = 0;
    GrayscalePixel(r, g, b, 255);
    EXPECT_EQ(RGB(r, g, b), RGB(76, 76, 76));
    // Both halves of white round up at 127 (127.5 each); the sum stays white instead of wrapping to black.
    r = g = b = 255;
    GrayscalePixel(r, g, b, 127);
    EXPECT_EQ(RGB(r, g, b), RGB(255, 255, 255));
}

// An RGBA image whose pixels run through every alpha value and many colours.
std::unique_ptr<TPNGObject> Gradient() {
    auto png = std::make_unique<TPNGObject>();
    png->CreateBlank(ctRGBAlpha, 8, 256, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 256; ++x) {
            png->SetPixels(x, y, RGB(x, (x * 7 + y * 31) & 0xFF, (y * 16 + x) & 0xFF));
            png->AlphaScanline(y)[x] = uint8_t(x ^ (y * 5));
        }
    return png;
}

TEST(Blended, EveryOpacityIsScaledByTheFormula) {
    for (int amount : {127, 0, 200, 255}) {
        auto before = Gradient();
        TPNGObject png;
        png.Assign(before.get());
        MakeImageBlended(&png, amount);
        ASSERT_EQ(png.ColorType(), ctRGBAlpha);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 256; ++x) {
                ASSERT_EQ(png.PixelAlpha(x, y), ReferenceScale(before->PixelAlpha(x, y), amount + 1)) << x << "," << y;
                ASSERT_EQ(png.Pixels(x, y), before->Pixels(x, y));
            }
    }
    TPNGObject png;
    EXPECT_THROW(MakeImageBlended(&png, 256), EInvalidArgument);
}

// Blends a test image with one transparent colour: that colour must end fully clear, every other pixel at
// OpaqueAlpha, the colours unchanged.
void ExpectBlendedWithClearColour(const char* name, int amount, int opaqueAlpha) {
    SCOPED_TRACE(name);
    TPNGObject png, before;
    LoadPng(png, ReadPngSuite(name));
    ASSERT_EQ(png.TransparencyMode(), ptmBit);
    TColor clear = png.TransparentColor();
    before.Assign(&png);
    MakeImageBlended(&png, amount);
    EXPECT_EQ(png.ColorType(), ctRGBAlpha);
    int transparent = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            bool isClear = before.Pixels(x, y) == clear;
            transparent += isClear;
            EXPECT_EQ(png.Pixels(x, y), before.Pixels(x, y));
            EXPECT_EQ(png.PixelAlpha(x, y), isClear ? 0 : opaqueAlpha);
        }
    EXPECT_GT(transparent, 0);
}

TEST(Blended, AnRGBImageGainsAlphaAndItsTransparentColourStaysClear) {
    ExpectBlendedWithClearColour("ftbrn2c08.png", 127, 128);
}

TEST(Blended, APaletteImageGetsTheAmountAndZeroOnItsTransparentColour) {
    ExpectBlendedWithClearColour("ftbbn3p08.png", 127, 127);
}

TEST(Blended, GradedPaletteTransparencyKeepsItsGrades) {
    TPNGObject png;
    png.CreateBlank(ctPalette, 8, 3, 1);
    png.SetPalette({{10, 0, 0, 0}, {0, 10, 0, 0}, {0, 0, 10, 0}});
    png.SetPixels(1, 0, RGB(0, 10, 0));
    png.SetPixels(2, 0, RGB(0, 0, 10));
    auto chunks = SplitChunks(SavePng(png));
    chunks.insert(chunks.end() - 2, TPngChunkBytes{"tRNS", TBytes("\x00\x80\xff", 3)});
    LoadPng(png, BuildPng(chunks));
    ASSERT_EQ(png.TransparencyMode(), ptmPartial);
    MakeImageBlended(&png, 127);
    EXPECT_EQ(png.PixelAlpha(0, 0), 0);
    EXPECT_EQ(png.PixelAlpha(1, 0), 64);  // 127 * 128 / 255
    EXPECT_EQ(png.PixelAlpha(2, 0), 127);
}

TEST(Blended, AGreyImageWithoutTransparencyGetsTheAmountEverywhere) {
    TPNGObject png;
    LoadPng(png, ReadPngSuite("basn0g04.png"));
    TPNGObject before;
    before.Assign(&png);
    MakeImageBlended(&png, 127);
    EXPECT_EQ(png.ColorType(), ctRGBAlpha);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            EXPECT_EQ(png.PixelAlpha(x, y), 127);
            EXPECT_EQ(png.Pixels(x, y), before.Pixels(x, y));
        }
}

TEST(Grayscale, EveryPixelBecomesItsGreyAtFullAmount) {
    auto before = Gradient();
    TPNGObject png;
    png.Assign(before.get());
    MakeImageGrayscale(&png);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 256; ++x) {
            TColor c = before->Pixels(x, y);
            int g = ReferenceGray(GetRValue(c), GetGValue(c), GetBValue(c));
            ASSERT_EQ(png.Pixels(x, y), RGB(g, g, g)) << x << "," << y;
            ASSERT_EQ(png.PixelAlpha(x, y), before->PixelAlpha(x, y));
        }
    png.CreateBlank(ctRGB, 8, 1, 1);
    png.SetPixels(0, 0, RGB(255, 0, 0));
    MakeImageGrayscale(&png, 255);
    EXPECT_EQ(png.Pixels(0, 0), RGB(76, 76, 76));
}

TEST(Grayscale, APaletteIsGreyedEntryByEntry) {
    TPNGObject png;
    LoadPng(png, ReadPngSuite("basn3p08.png"));
    auto palette = png.Palette();
    MakeImageGrayscale(&png);
    auto greyed = png.Palette();
    ASSERT_EQ(greyed.size(), palette.size());
    for (size_t i = 0; i < palette.size(); ++i) {
        int g = ReferenceGray(palette[i].peRed, palette[i].peGreen, palette[i].peBlue);
        EXPECT_EQ(RGB(greyed[i].peRed, greyed[i].peGreen, greyed[i].peBlue), RGB(g, g, g));
    }
}

TEST(Grayscale, GreyImagesAreLeftAsTheyAre) {
    for (const char* name : {"basn0g08.png", "basn4a08.png", "basn0g02.png"}) {
        TPNGObject png, before;
        LoadPng(png, ReadPngSuite(name));
        before.Assign(&png);
        MakeImageGrayscale(&png);
        EXPECT_EQ(SavePng(png), SavePng(before)) << name;
    }
}

TEST(DrawPNG, WithoutOptionsItDrawsThePngItself) {
    auto png = Gradient();
    TestDC dc(256, 16);
    TCanvas canvas;
    canvas.SetHandle(dc.DC());
    DrawPNG(png.get(), &canvas, Rect(0, 0, 256, 16), {});
    for (int x = 0; x < 256; x += 17) {
        TColor c = png->Pixels(x, 3);
        int a = png->PixelAlpha(x, 3);
        auto over = [a](int s) { return (s * a + 255 * (255 - a) + 127) / 255; };
        EXPECT_TRUE(Near(dc.At(x, 3), RGB(over(GetRValue(c)), over(GetGValue(c)), over(GetBValue(c)))))
            << x << " " << std::hex << dc.At(x, 3);
    }
    canvas.SetHandle(nullptr);
}

TEST(DrawPNG, TheDisabledLookIsHalfTransparentGreyAndLeavesThePngAlone) {
    TPNGObject png;
    png.CreateBlank(ctRGB, 8, 2, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            png.SetPixels(x, y, RGB(255, 0, 0));
    TBytes before = SavePng(png);
    TestDC dc(4, 4);
    TCanvas canvas;
    canvas.SetHandle(dc.DC());
    DrawPNG(&png, &canvas, Rect(1, 1, 3, 3), {pngBlendOnDisabled, pngGrayscaleOnDisabled});
    canvas.SetHandle(nullptr);
    // Grey 76 at alpha 128 over white.
    int expected = (76 * 128 + 255 * 127 + 127) / 255;
    EXPECT_TRUE(Near(dc.At(1, 1), RGB(expected, expected, expected))) << std::hex << dc.At(1, 1);
    EXPECT_EQ(dc.At(0, 0), RGB(255, 255, 255));
    EXPECT_EQ(SavePng(png), before);
    EXPECT_EQ(png.ColorType(), ctRGB);
}

// --- conversions ---

std::unique_ptr<TBitmap> MakeBitmap(int w, int h, const std::function<TColor(int, int)>& color) {
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetPixelFormat(pf24bit);
    bmp->SetSize(w, h);
    for (int y = 0; y < h; ++y) {
        auto* row = static_cast<uint8_t*>(bmp->ScanLine(y));
        for (int x = 0; x < w; ++x) {
            TColor c = color(x, y);
            row[3 * x] = GetBValue(c);
            row[3 * x + 1] = GetGValue(c);
            row[3 * x + 2] = GetRValue(c);
        }
    }
    return bmp;
}

TEST(ConvertToPNG, ATransparentBitmapLosesItsTransparentColour) {
    auto bmp = MakeBitmap(16, 16, [](int x, int y) { return (x + y) % 3 == 0 ? clFuchsia : RGB(x * 10, y * 10, 7); });
    ASSERT_EQ(bmp->PixelColor(0, 15), clFuchsia);
    bmp->SetTransparent(true);
    auto png = ConvertToPNG(bmp.get());
    ASSERT_EQ(png->ColorType(), ctRGBAlpha);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            EXPECT_EQ(png->Pixels(x, y), bmp->PixelColor(x, y));
            EXPECT_EQ(png->PixelAlpha(x, y), bmp->PixelColor(x, y) == clFuchsia ? 0 : 255);
        }

    bmp->SetTransparentColor(RGB(10, 10, 7));  // fixed: only that colour
    png = ConvertToPNG(bmp.get());
    EXPECT_EQ(png->PixelAlpha(1, 1), 0);
    EXPECT_EQ(png->PixelAlpha(0, 15), 255);

    bmp->SetTransparent(false);
    png = ConvertToPNG(bmp.get());
    EXPECT_EQ(png->ColorType(), ctRGB);
    EXPECT_EQ(png->Pixels(0, 15), clFuchsia);
}

// An icon from a 32-bit colour image (alpha included) and a mask (white: transparent).
HICON MakeIcon(int w, int h, const std::function<uint32_t(int, int)>& bgra, const std::function<bool(int, int)>& clear) {
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB};
    uint32_t* bits = nullptr;
    HBITMAP color = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            bits[y * w + x] = bgra(x, y);
    std::vector<uint8_t> maskBits(size_t((w + 15) / 16 * 2) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (clear(x, y))
                maskBits[size_t(y) * ((w + 15) / 16 * 2) + x / 8] |= uint8_t(0x80 >> (x % 8));
    HBITMAP mask = CreateBitmap(w, h, 1, 1, maskBits.data());
    ICONINFO ii{TRUE, 0, 0, mask, color};
    HICON icon = CreateIconIndirect(&ii);
    DeleteObject(color);
    DeleteObject(mask);
    return icon;
}

TEST(ConvertToPNG, AnIconWithoutAlphaTakesItsMask) {
    TIcon icon;
    icon.SetHandle(MakeIcon(16, 16, [](int x, int) { return 0x00102030u + x; }, [](int x, int y) { return x < y; }));
    auto png = ConvertToPNG(&icon);
    ASSERT_EQ(png->Width(), 16);
    ASSERT_EQ(png->ColorType(), ctRGBAlpha);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            EXPECT_EQ(png->PixelAlpha(x, y), x < y ? 0 : 255) << x << "," << y;
            if (x >= y) {
                EXPECT_EQ(png->Pixels(x, y), RGB(0x10, 0x20, 0x30 + x));
            }
        }
}

TEST(ConvertToPNG, AnIconWithAlphaKeepsIt) {
    TIcon icon;
    icon.SetHandle(MakeIcon(8, 8, [](int x, int y) { return uint32_t(x * 32 + y) << 24 | 0x00405060u; },
                            [](int, int) { return false; }));
    auto png = ConvertToPNG(&icon);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(png->PixelAlpha(x, y), x * 32 + y);
    EXPECT_EQ(png->Pixels(3, 3), RGB(0x40, 0x50, 0x60));
}

TEST(ConvertToPNG, APngIsCopied) {
    TPNGObject source;
    LoadPng(source, ReadPngSuite("basn3p04.png"));
    auto png = ConvertToPNG(&source);
    EXPECT_EQ(png->ColorType(), ctPalette);
    EXPECT_EQ(SavePng(*png), SavePng(source));
}

// The Part's blank bitmap for other graphics would turn every JPEG glyph black: the picture is drawn, opaque.
TEST(ConvertToPNG, AJpegIsDrawnOpaqueInItsOwnColours) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(16, 12);
    bitmap.Canvas()->Brush()->SetColor(RGB(200, 40, 40));
    bitmap.Canvas()->FillRect(TRect(0, 0, 8, 12));
    bitmap.Canvas()->Brush()->SetColor(RGB(40, 200, 90));
    bitmap.Canvas()->FillRect(TRect(8, 0, 16, 12));
    TJPEGImage jpeg;
    jpeg.Assign(&bitmap);
    jpeg.JPEGNeeded();
    auto png = ConvertToPNG(&jpeg);
    ASSERT_EQ(png->Width(), 16);
    ASSERT_EQ(png->Height(), 12);
    auto alike = [](TColor c, int r, int g, int b) {
        return std::abs(GetRValue(c) - r) <= 12 && std::abs(GetGValue(c) - g) <= 12 && std::abs(GetBValue(c) - b) <= 12;
    };
    for (int y = 0; y < 12; ++y)
        for (int x : {1, 5, 10, 14}) {
            TColor c = png->Pixels(x, y);
            EXPECT_TRUE(x < 8 ? alike(c, 200, 40, 40) : alike(c, 40, 200, 90)) << x << "," << y << ": " << std::hex << c;
            EXPECT_EQ(png->PixelAlpha(x, y), 255) << x << "," << y;
        }
}

TEST(CreatePNG, AlphaComesFromTheMasksRed) {
    auto color = MakeBitmap(4, 4, [](int x, int y) { return RGB(x, y, 9); });
    auto mask = MakeBitmap(4, 4, [](int x, int y) { return RGB(x * 60 + y, 200, 100); });
    auto png = CreatePNG(color.get(), mask.get(), false);
    auto inverse = CreatePNG(color.get(), mask.get(), true);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(png->Pixels(x, y), RGB(x, y, 9));
            EXPECT_EQ(png->PixelAlpha(x, y), x * 60 + y);
            EXPECT_EQ(inverse->PixelAlpha(x, y), 255 - (x * 60 + y));
        }
    auto opaque = CreatePNG(color.get(), nullptr, false);
    EXPECT_EQ(opaque->PixelAlpha(2, 2), 255);
    auto small = MakeBitmap(2, 2, [](int, int) { return clWhite; });
    EXPECT_THROW(CreatePNG(color.get(), small.get(), false), EInvalidGraphicOperation);
}

TEST(CreatePNGMasked, ThePixelsOfTheColourBecomeClear) {
    auto bmp = MakeBitmap(5, 5, [](int x, int y) { return x == y ? clLime : RGB(1, 2, 3); });
    auto png = CreatePNGMasked(bmp.get(), clLime);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(png->PixelAlpha(x, y), x == y ? 0 : 255);
    EXPECT_EQ(CreatePNGMasked(bmp.get(), clNone)->PixelAlpha(0, 0), 255);
    EXPECT_EQ(CreatePNGMasked(bmp.get(), clDefault)->PixelAlpha(0, 4), 0);  // the bottom-left colour
    EXPECT_EQ(CreatePNGMasked(bmp.get(), clDefault)->PixelAlpha(0, 0), 255);
}

TEST(CopyImageFromImageList, APlainListGivesItsImageWithTheMaskAsAlpha) {
    TImageList list(nullptr, 8, 8);
    auto bmp = MakeBitmap(8, 8, [](int x, int y) { return x > y ? clFuchsia : RGB(x * 20, y * 20, 90); });
    ASSERT_EQ(list.AddMasked(bmp.get(), clFuchsia), 0);
    TPNGObject png;
    CopyImageFromImageList(&png, &list, 0);
    ASSERT_EQ(png.Width(), 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(png.PixelAlpha(x, y), x > y ? 0 : 255) << x << "," << y;
            if (x <= y) {
                EXPECT_EQ(png.Pixels(x, y), RGB(x * 20, y * 20, 90));
            }
        }
    TPNGObject untouched;
    CopyImageFromImageList(&untouched, &list, 1);
    EXPECT_TRUE(untouched.Empty());
}

}  // namespace
