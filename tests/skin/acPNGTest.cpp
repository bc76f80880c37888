#include "skin/engine/acPNG.h"

#include "AlphaImageFiles.h"
#include "PixelTestUtils.h"
#include "tests/support/TempDir.h"

#include "classlib/runtime/Streams.h"
#include "classlib/runtime/SysUtils.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <memory>

namespace {

const TRgba Red{255, 0, 0, 255};

std::unique_ptr<TPNGGraphic> LoadPng(const std::string& bytes) {
    TMemoryStream stream;
    FillStream(stream, bytes);
    auto png = std::make_unique<TPNGGraphic>();
    png->LoadFromStream(&stream);
    return png;
}

// The file with the header's width replaced and its checksum made right again.
std::string WithWidth(std::string file, uint32_t width) {
    for (int i = 0; i < 4; ++i)
        file[16 + i] = static_cast<char>(width >> (24 - 8 * i));
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(file.data() + 12), 17);
    for (int i = 0; i < 4; ++i)
        file[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
    return file;
}

TEST(PngReading, GivesA32BitBitmapWithStraightAlphaAndTheHeader) {
    auto png = LoadPng(PngFile(4, 3, [](int x, int y) {
        return x == 1 && y == 2 ? TRgba{200, 100, 50, 128} : TRgba{10, 20, 30, static_cast<uint8_t>(x * 80)};
    }));
    EXPECT_EQ(png->PixelFormat(), pf32bit);
    EXPECT_EQ(png->Width(), 4);
    EXPECT_EQ(png->Height(), 3);
    // Alpha comes as the file has it, the colour not weighed by it.
    EXPECT_EQ(static_cast<uint32_t>(Px(png.get(), 1, 2)), 0x80326400u | 200u);
    EXPECT_EQ(static_cast<uint32_t>(Px(png.get(), 0, 0)), 0x001E140Au);
    EXPECT_EQ(static_cast<uint32_t>(Px(png.get(), 3, 1)), 0xF01E140Au);
    const TPNGImageInfo& info = png->ImageInfo();
    EXPECT_EQ(info.Width, 4);
    EXPECT_EQ(info.Height, 3);
    EXPECT_EQ(info.BitDepth, 8);
    EXPECT_EQ(info.ColorType, 6);
    EXPECT_EQ(info.CompressionMethod, 0);
    EXPECT_EQ(info.FilterMethod, 0);
    EXPECT_EQ(info.InterlaceMethod, 0);
}

TEST(PngReading, TakesOnlyItsOwnFileFromTheStream) {
    std::string file = PngFile(5, 5, HalfPicture(Red));
    TMemoryStream stream;
    FillStream(stream, "ab" + file + "what follows");
    stream.SetPosition(2);
    TPNGGraphic png;
    png.LoadFromStream(&stream);
    EXPECT_EQ(stream.Position(), static_cast<long long>(2 + file.size()));
    EXPECT_EQ(png.Width(), 5);
}

TEST(PngReading, WhatIsNoPngIsRefusedAndLeavesTheGraphicAsItWas) {
    std::string good = PngFile(6, 2, HalfPicture(Red));
    std::string damaged = good;
    damaged[damaged.size() - 20] ^= 0x55;  // inside the image data: its checksum no longer fits
    std::string cut = good.substr(0, good.size() - 14);
    for (const std::string& bad : {std::string("GIF89a and more bytes"), damaged, cut, std::string()}) {
        auto png = LoadPng(good);
        TMemoryStream stream;
        FillStream(stream, bad);
        EXPECT_THROW(png->LoadFromStream(&stream), EInvalidGraphic);
        EXPECT_EQ(stream.Position(), 0);
        EXPECT_EQ(png->Width(), 6);
        EXPECT_EQ(Px(png.get(), 0, 0), static_cast<TColor>(0xFF0000FFu));
    }
}

TEST(PngReading, AnImageBeyondTheLimitsIsRefusedBeforeItIsMade) {
    std::string huge = WithWidth(PngFile(2, 2, HalfPicture(Red)), 20000);
    TMemoryStream stream;
    FillStream(stream, huge);
    TPNGGraphic png;
    try {
        png.LoadFromStream(&stream);
        FAIL() << "read";
    } catch (const EInvalidGraphic& e) {
        EXPECT_NE(std::string(e.what()).find("20000 x 2"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(png.Empty());
}

TEST(PngReading, WhatTheGraphicSavesReadsBack) {
    auto png = LoadPng(PngFile(7, 4, HalfPicture(TRgba{30, 60, 90, 255})));
    TMemoryStream stream;
    png->SaveToStream(&stream);
    stream.SetPosition(0);
    TPNGGraphic back;
    back.LoadFromStream(&stream);
    ASSERT_EQ(back.PixelFormat(), pf32bit);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(Px(&back, x, y), Px(png.get(), x, y)) << x << "," << y;
}

TEST(PngGraphic, AssignCopiesTheHeaderDescription) {
    auto png = LoadPng(PngFile(3, 2, HalfPicture(Red)));
    TPNGGraphic copy;
    copy.Assign(png.get());
    EXPECT_EQ(copy.ImageInfo().Width, 3);
    EXPECT_EQ(copy.ImageInfo().ColorType, 6);
    EXPECT_EQ(copy.Width(), 3);
    EXPECT_EQ(Px(&copy, 2, 1), Px(png.get(), 2, 1));
}

TEST(PngGraphic, IsThePictureClassForPngFiles) {
    TGraphicClass cls{};
    ASSERT_TRUE(TPicture::GraphicClassForFile("C:\\glyphs\\Folder.PNG", cls));
    EXPECT_STREQ(cls.ClassName, "TPNGGraphic");
    bool described = false;
    for (const TFileFormat& f : TPicture::FileFormats())
        described = described || (f.Extension == "png" && f.Description == "Portable network graphic (Quorvex)");
    EXPECT_TRUE(described);

    TempDir dir;
    WriteFileBytes(dir.File("glyph.png"), PngFile(9, 5, HalfPicture(Red)));
    TPicture picture;
    picture.LoadFromFile(dir.File("glyph.png"));
    auto* png = dynamic_cast<TPNGGraphic*>(picture.Graphic());
    ASSERT_NE(png, nullptr);
    EXPECT_EQ(png->Width(), 9);
    EXPECT_EQ(png->ImageInfo().Height, 5);
}

TEST(PngDrawing, AtItsOwnSizeItIsBlendedByItsAlpha) {
    auto png = LoadPng(PngFile(16, 16, HalfPicture(Red)));
    auto canvas = MakeBmp(24, 24, clWhite);
    png->Draw(canvas->Canvas(), TRect(4, 5, 20, 21));
    EXPECT_EQ(Px(canvas.get(), 4, 5), clRed);
    // Half of red over white, as the system blends an icon with alpha.
    EXPECT_EQ(Px(canvas.get(), 6, 8), RGBc(255, 127, 127));
    EXPECT_EQ(Px(canvas.get(), 4 + 8, 5), clWhite);
    EXPECT_EQ(CountColor(canvas.get(), clRed), 8 * 16 - 1);
    EXPECT_EQ(CountColor(canvas.get(), clWhite), 24 * 24 - 8 * 16);
}

TEST(PngDrawing, IntoALargerRectangleColourAndAlphaAreBothStretched) {
    auto png = LoadPng(PngFile(16, 16, [](int x, int) { return x < 8 ? Red : TRgba{0, 0, 0, 0}; }));
    auto canvas = MakeBmp(40, 40, clWhite);
    png->Draw(canvas->Canvas(), TRect(4, 4, 36, 36));
    // The stretched alpha keeps the left half covered and the right half clear; halftoning blurs only the edge.
    EXPECT_GE(CountPx(canvas.get(), [](TColor c) { return c == clRed; }, 4, 4, 18, 36), 14 * 32 - 32);
    EXPECT_EQ(CountPx(canvas.get(), [](TColor c) { return c == clWhite; }, 22, 0, 40, 40), 18 * 40);
    int between = CountPx(canvas.get(), [](TColor c) { return c != clRed && c != clWhite; }, 16, 4, 22, 36);
    EXPECT_GT(between, 0);
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(Px(canvas.get(), 10, y), clWhite);
}

TEST(PngDrawing, AnIconKeepsTheAlpha) {
    auto png = LoadPng(PngFile(16, 16, HalfPicture(Red)));
    TIcon icon;
    icon.SetHandle(MakeIcon(png.get()));
    ASSERT_FALSE(icon.Empty());
    auto canvas = MakeBmp(16, 16, clWhite);
    DrawIconEx(canvas->Canvas()->Handle(), 0, 0, icon.Handle(), 16, 16, 0, nullptr, DI_NORMAL);
    GdiFlush();
    EXPECT_EQ(Px(canvas.get(), 0, 0), clRed);
    EXPECT_EQ(Px(canvas.get(), 2, 3), RGBc(255, 127, 127));
    EXPECT_EQ(Px(canvas.get(), 12, 0), clWhite);
    EXPECT_EQ(MakeIcon(nullptr), nullptr);
}

}  // namespace
