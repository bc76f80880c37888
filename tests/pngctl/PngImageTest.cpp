// TPNGObject against libpng's own decoding, damaged files, and the pixel and chunk operations.
#include "PngTestImages.h"
#include "TestDC.h"

#include "classlib/runtime/Streams.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

namespace {

int FileColorType(const std::string& name) { return name[name.size() - 8] - '0'; }
int FileBitDepth(const std::string& name) { return std::stoi(name.substr(name.size() - 6, 2)); }

// "ibasn2c16.png" for "basn2c16.png": the test images come in pairs, the same picture with and without interlacing.
std::string NonInterlacedTwin(const std::string& name) {
    std::string file = ExtractFileName(name);
    return file.substr(1);
}

// Compares every pixel with libpng's own RGBA decoding; returns the first difference.
std::string CompareWithReference(const TPNGObject& png, const TReferenceImage& ref) {
    if (png.Width() != ref.Width || png.Height() != ref.Height)
        return "size " + IntToStr(png.Width()) + "x" + IntToStr(png.Height());
    for (int y = 0; y < ref.Height; ++y)
        for (int x = 0; x < ref.Width; ++x) {
            const uint8_t* e = &ref.Rgba[(size_t(y) * ref.Width + x) * 4];
            TColor c = png.Pixels(x, y);
            uint8_t a = png.PixelAlpha(x, y);
            if (GetRValue(c) != e[0] || GetGValue(c) != e[1] || GetBValue(c) != e[2] || a != e[3])
                return Format("pixel (%d, %d): %d %d %d %d, libpng %d %d %d %d", x, y, GetRValue(c), GetGValue(c),
                              GetBValue(c), a, e[0], e[1], e[2], e[3]);
        }
    return "";
}

TEST(PngSuite, EveryValidImageLoadsAsLibpngDecodesIt) {
    auto names = PngSuiteFiles("");
    auto interlaced = PngSuiteFiles("interlaced");
    names.insert(names.end(), interlaced.begin(), interlaced.end());
    ASSERT_GE(names.size(), 60u) << "the test images were not copied beside the test";
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        TBytes bytes = ReadPngSuite(name);
        int type = FileColorType(name), depth = FileBitDepth(name);
        bool interlaced = bytes[28] != 0;
        // libpng's simplified reader scales interlaced 16-bit files wrongly (pure red reads 255 8 0); the
        // same picture without interlacing is the reference for those.
        TReferenceImage ref = DecodeReference(depth == 16 && interlaced ? ReadPngSuite(NonInterlacedTwin(name)) : bytes);
        ASSERT_TRUE(ref.Ok) << ref.Message;
        TPNGObject png;
        ASSERT_NO_THROW(LoadPng(png, bytes));
        bool tRNS16 = depth == 16 && (type == ctGrayscale || type == ctRGB) && name.find("ftb") != std::string::npos;
        EXPECT_EQ(png.ColorType(), tRNS16 ? type + 4 : type);
        EXPECT_EQ(png.BitDepth(), std::min(depth, 8));
        EXPECT_EQ(png.Interlaced(), interlaced);
        EXPECT_EQ(CompareWithReference(png, ref), "");
    }
}

// Loads the bytes; returns the message of the refusal, or "" when the image loaded.
std::string Refusal(const TBytes& bytes) {
    TPNGObject png;
    try {
        LoadPng(png, bytes);
        return "";
    } catch (const EInvalidGraphic& e) {
        return e.what();
    }
}

TEST(PngSuite, LibpngsDamagedFilesAreRefusedAsLibpngRefusesThem) {
    auto names = PngSuiteFiles("crashers");
    ASSERT_GE(names.size(), 20u);
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        TBytes bytes = ReadPngSuite(name);
        TReferenceImage ref = DecodeReference(bytes);
        TPNGObject png;
        if (ref.Ok) {
            ASSERT_NO_THROW(LoadPng(png, bytes));
            EXPECT_EQ(CompareWithReference(png, ref), "");
        } else {
            std::string message = Refusal(bytes);
            EXPECT_NE(message, "");
            EXPECT_EQ(message.rfind("Cannot read the PNG image: ", 0), 0u) << message;
        }
    }
    EXPECT_EQ(TPNGObject::LiveCodecAllocations(), 0);
}

// The deliberately broken images of the full test suite, made from the valid ones the same way.
struct TBrokenImage {
    const char* Name;
    TBytes (*Make)();
    const char* Expected;  // part of the message
    // libpng's simplified reader lets these pass: it ignores ancillary checksums and never reads the end.
    bool LibpngAccepts = false;
};

TBytes WithSignatureByte(int index, char value) {
    TBytes b = ReadPngSuite("basn0g01.png");
    b[index] = value;
    return b;
}

TBytes WithHeaderByte(const char* source, int offset, char value) {
    auto chunks = SplitChunks(ReadPngSuite(source));
    chunks[0].Data[offset] = value;  // IHDR, checksum made right: only the field is wrong
    return BuildPng(chunks);
}

TBytes WithBrokenCrc(const char* source, const std::string& type) {
    auto chunks = SplitChunks(ReadPngSuite(source));
    for (auto& c : chunks) {
        c.KeepCrc = true;
        if (c.Type == type)
            c.Crc ^= 0x00010000;
    }
    return BuildPng(chunks);
}

TBytes Replaced(TBytes b, const TBytes& from, const TBytes& to) {
    for (size_t p = b.find(from); p != TBytes::npos; p = b.find(from, p + to.size()))
        b.replace(p, from.size(), to);
    return b;
}

const TBrokenImage kBrokenImages[] = {
    {"xs1n0g01 (signature byte 1 changed)", [] { return WithSignatureByte(1, 'Q'); }, "Not a PNG file"},
    {"xs2n0g01 (signature byte 2 changed)", [] { return WithSignatureByte(2, 'm'); }, "Not a PNG file"},
    {"xs4n0g01 (signature byte 4 changed)", [] { return WithSignatureByte(4, '\x0a'); }, "PNG file corrupted"},
    {"xs7n0g01 (signature byte 7 changed)", [] { return WithSignatureByte(7, '\x0b'); }, "PNG file corrupted"},
    {"xcrn0g04 (line ends turned into CR LF)", [] { return Replaced(ReadPngSuite("basn0g04.png"), "\n", "\r\n"); },
     "PNG file corrupted"},
    {"xlfn0g04 (CR LF turned into LF)", [] { return Replaced(ReadPngSuite("basn0g04.png"), "\r\n", "\n"); },
     "PNG file corrupted"},
    {"xhdn0g08 (header checksum wrong)", [] { return WithBrokenCrc("basn0g08.png", "IHDR"); }, "IHDR: CRC error"},
    {"xcsn0g01 (data checksum wrong)", [] { return WithBrokenCrc("basn0g01.png", "IDAT"); }, "IDAT: CRC error"},
    {"gAMA checksum wrong", [] { return WithBrokenCrc("basn2c08.png", "gAMA"); }, "gAMA: CRC error", true},
    {"xc1n0g08 (colour type 1)", [] { return WithHeaderByte("basn0g08.png", 9, 1); }, "colo"},
    {"xc9n2c08 (colour type 9)", [] { return WithHeaderByte("basn2c08.png", 9, 9); }, "colo"},
    {"xd0n2c08 (bit depth 0)", [] { return WithHeaderByte("basn2c08.png", 8, 0); }, "bit depth"},
    {"xd3n2c08 (bit depth 3)", [] { return WithHeaderByte("basn2c08.png", 8, 3); }, "bit depth"},
    {"xd9n2c08 (bit depth 99)", [] { return WithHeaderByte("basn2c08.png", 8, 99); }, "bit depth"},
    {"width 0", [] { return WithHeaderByte("basn2c08.png", 3, 0); }, "width"},
    {"xdtn0g01 (no image data)", [] { return WithoutChunks(ReadPngSuite("basn0g01.png"), {"IDAT"}); }, ""},
    {"no end chunk", [] { return WithoutChunks(ReadPngSuite("basn0g01.png"), {"IEND"}); }, "ends before", true},
    {"badadler: damaged compressed data", [] {
         auto chunks = SplitChunks(ReadPngSuite("basn2c08.png"));
         for (auto& c : chunks)
             if (c.Type == "IDAT")
                 c.Data[c.Data.size() / 2] ^= 0x55;
         return BuildPng(chunks);
     }, ""},
    {"palette image without palette", [] { return WithoutChunks(ReadPngSuite("basn3p08.png"), {"PLTE"}); }, ""},
};

TEST(BrokenImages, EveryBrokenImageIsRefusedWithItsReason) {
    for (const auto& broken : kBrokenImages) {
        SCOPED_TRACE(broken.Name);
        TBytes bytes = broken.Make();
        EXPECT_EQ(DecodeReference(bytes).Ok, broken.LibpngAccepts);
        std::string message = Refusal(bytes);
        ASSERT_NE(message, "");
        EXPECT_NE(message.find(broken.Expected), std::string::npos) << message;
        std::printf("%s: %s\n", broken.Name, message.c_str());
    }
    EXPECT_EQ(TPNGObject::LiveCodecAllocations(), 0);
}

TEST(BrokenImages, EveryTruncationIsRefused) {
    for (const char* name : {"basn6a08.png", "basn3p04.png", "ibasn2c08.png"}) {
        TBytes bytes = ReadPngSuite(name);
        for (size_t n = 0; n < bytes.size(); ++n) {
            std::string message = Refusal(bytes.substr(0, n));
            ASSERT_NE(message, "") << name << " cut to " << n << " bytes loaded";
        }
        EXPECT_EQ(Refusal(bytes.substr(0, bytes.size() - 12)),
                  "Cannot read the PNG image: the data ends before the image does");
    }
    EXPECT_EQ(TPNGObject::LiveCodecAllocations(), 0);
}

TEST(BrokenImages, ARefusedFileLeavesTheImageAsItWas) {
    TPNGObject png;
    LoadPng(png, ReadPngSuite("basn3p08.png"));
    TColor before = png.Pixels(5, 7);
    EXPECT_THROW(LoadPng(png, ReadPngSuite("basn6a08.png").substr(0, 150)), EInvalidGraphic);
    EXPECT_EQ(png.ColorType(), ctPalette);
    EXPECT_EQ(png.Pixels(5, 7), before);
}

TEST(BrokenImages, AHeaderBeyondTheLimitsIsRefusedBeforeAnythingIsAllocated) {
    auto chunks = SplitChunks(ReadPngSuite("basn2c08.png"));
    // 16000 x 16000 pixels claimed for 32 x 32 pixels of data.
    chunks[0].Data.replace(0, 8, TBytes("\x00\x00\x3e\x80\x00\x00\x3e\x80", 8));
    EXPECT_EQ(Refusal(BuildPng(chunks)), "The PNG image is too large to load: 16000 x 16000 pixels");
    chunks[0].Data.replace(0, 8, TBytes("\x00\x01\x00\x00\x00\x00\x00\x01", 8));
    EXPECT_NE(Refusal(BuildPng(chunks)).find("exceeds user limit"), std::string::npos) << Refusal(BuildPng(chunks));
}

// A stream that fails past a given size, as a disk or a network file can.
class TFailingStream : public TMemoryStream {
public:
    long long FailAt = 0;
    long Read(void* Buffer, long Count) override {
        if (Position() + Count > FailAt)
            throw EReadError("The device is not ready");
        return TMemoryStream::Read(Buffer, Count);
    }
    long Write(const void* Buffer, long Count) override {
        if (FailAt > 0 && Size() + Count > FailAt)
            throw EWriteError("The disk is full");
        return TMemoryStream::Write(Buffer, Count);
    }
};

TEST(Streams, AStreamsOwnErrorComesThroughUnchanged) {
    TBytes bytes = ReadPngSuite("basn6a08.png");
    TFailingStream stream;
    stream.WriteBuffer(bytes.data(), long(bytes.size()));
    stream.SetPosition(0);
    stream.FailAt = 100;  // set after filling it
    TPNGObject png;
    try {
        png.LoadFromStream(&stream);
        FAIL() << "loaded";
    } catch (const EReadError& e) {
        EXPECT_STREQ(e.what(), "The device is not ready");
    }
    EXPECT_TRUE(png.Empty());

    LoadPng(png, bytes);
    TFailingStream out;
    out.FailAt = 60;
    EXPECT_THROW(png.SaveToStream(&out), EWriteError);
    EXPECT_EQ(TPNGObject::LiveCodecAllocations(), 0);
}

TEST(Streams, LoadingStopsRightAfterTheImage) {
    TBytes bytes = ReadPngSuite("basn0g08.png");
    TMemoryStream stream;
    TBytes data = "ab" + bytes + "rest";
    stream.WriteBuffer(data.data(), long(data.size()));
    stream.SetPosition(2);
    TPNGObject png;
    png.LoadFromStream(&stream);
    EXPECT_EQ(stream.Position(), long(2 + bytes.size()));
}

// Random damage to valid files: whatever comes out, it is a load or a refusal, never a crash or a hang.
TEST(Fuzz, ThousandsOfMutatedFilesNeitherCrashNorHang) {
    std::mt19937 random(20240611);
    const std::vector<std::string> seeds = {"basn6a08.png", "basn3p02.png", "ibasn0g16.png", "ftbrn2c08.png",
                                            "basn4a08.png", "iftp1n3p08.png"};
    int loaded = 0, refused = 0;
    for (int i = 0; i < 6000; ++i) {
        TBytes bytes = ReadPngSuite(seeds[i % seeds.size()]);
        int mutations = 1 + int(random() % 8);
        for (int m = 0; m < mutations; ++m) {
            size_t at = random() % bytes.size();
            switch (random() % 4) {
                case 0:
                    bytes[at] = char(random());
                    break;
                case 1:
                    bytes[at] ^= char(1 << (random() % 8));
                    break;
                case 2:
                    bytes.erase(at, 1 + random() % 16);
                    break;
                default:
                    bytes.insert(at, TBytes(1 + random() % 16, char(random())));
                    break;
            }
            if (bytes.empty())
                bytes = "\x89";
        }
        // Half the time the checksums are made right, so the damage reaches the decoder behind them.
        if (i % 2)
            bytes = FixCrcs(bytes);
        TPNGObject png;
        try {
            LoadPng(png, bytes);
            ++loaded;
            // What loads can be used.
            for (int y = 0; y < png.Height(); y += 7)
                for (int x = 0; x < png.Width(); x += 7)
                    (void)(png.Pixels(x, y) + png.PixelAlpha(x, y));
            TPNGObject again;
            LoadPng(again, SavePng(png));
        } catch (const EInvalidGraphic&) {
            ++refused;
        }
    }
    std::printf("mutated files: %d loaded, %d refused\n", loaded, refused);
    EXPECT_GT(refused, 3000);
    EXPECT_EQ(TPNGObject::LiveCodecAllocations(), 0);
}

// Every pixel's colour and opacity, to compare two images by their look.
std::vector<std::pair<TColor, int>> Look(const TPNGObject& png) {
    std::vector<std::pair<TColor, int>> look;
    for (int y = 0; y < png.Height(); ++y)
        for (int x = 0; x < png.Width(); ++x)
            look.emplace_back(png.Pixels(x, y), png.PixelAlpha(x, y));
    return look;
}

TEST(Saving, EveryImageComesBackAsItWasSaved) {
    for (const auto& name : PngSuiteFiles("")) {
        SCOPED_TRACE(name);
        TPNGObject png, again;
        LoadPng(png, ReadPngSuite(name));
        LoadPng(again, SavePng(png));
        EXPECT_EQ(again.ColorType(), png.ColorType());
        EXPECT_EQ(again.BitDepth(), png.BitDepth());
        EXPECT_EQ(again.Interlaced(), png.Interlaced());
        EXPECT_EQ(again.TransparencyMode(), png.TransparencyMode());
        EXPECT_EQ(again.TransparentColor(), png.TransparentColor());
        EXPECT_EQ(again.Palette().size(), png.Palette().size());
        EXPECT_TRUE(Look(again) == Look(png));
        ASSERT_EQ(again.ChunkCount(), png.ChunkCount());
        for (int i = 0; i < png.ChunkCount(); ++i) {
            EXPECT_EQ(again.Chunk(i)->Name(), png.Chunk(i)->Name());
            EXPECT_EQ(again.Chunk(i)->Data(), png.Chunk(i)->Data());
            EXPECT_EQ(again.Chunk(i)->Location(), png.Chunk(i)->Location());
        }
    }
}

TEST(Saving, ASavedFileIsReadByLibpngAsWell) {
    TPNGObject png;
    LoadPng(png, ReadPngSuite("basn6a08.png"));
    TReferenceImage ref = DecodeReference(SavePng(png));
    ASSERT_TRUE(ref.Ok) << ref.Message;
    EXPECT_EQ(CompareWithReference(png, ref), "");
}

TEST(Saving, AnEmptyImageCannotBeSaved) {
    TPNGObject png;
    TMemoryStream stream;
    EXPECT_THROW(png.SaveToStream(&stream), EInvalidGraphicOperation);
}

TEST(Chunks, TheGammaChunkIsFoundRemovedAndStaysRemoved) {
    TPNGObject png;
    LoadPng(png, ReadPngSuite("basn2c08.png"));
    TChunkgAMA* gamma = png.ChunkOfClass<TChunkgAMA>();
    ASSERT_NE(gamma, nullptr);
    EXPECT_EQ(gamma->Gamma(), 100000u);
    EXPECT_EQ(gamma->Location(), TChunk::clBeforePalette);
    png.RemoveChunk(gamma);
    EXPECT_EQ(png.ChunkOfClass<TChunkgAMA>(), nullptr);
    TBytes saved = SavePng(png);
    for (const auto& c : SplitChunks(saved))
        EXPECT_NE(c.Type, "gAMA");
    TPNGObject again;
    LoadPng(again, saved);
    EXPECT_EQ(again.FindChunk("gAMA"), nullptr);
}

TEST(Chunks, KeptChunksAreWrittenWhereTheyStood) {
    TPNGObject png;
    LoadPng(png, ReadPngSuite("ftbbn3p08.png"));  // gAMA before the palette, bKGD after it
    ASSERT_NE(png.FindChunk("bKGD"), nullptr);
    png.AddChunk("tEXt", {'T', 'i', 't', 'l', 'e', 0, 'x'}, TChunk::clAfterData);
    std::string order;
    for (const auto& c : SplitChunks(SavePng(png)))
        if (c.Type != "IDAT" || order.find("IDAT") == std::string::npos)
            order += c.Type + " ";
    EXPECT_EQ(order, "IHDR gAMA PLTE tRNS bKGD IDAT tEXt IEND ");
    EXPECT_THROW(png.AddChunk("IDAT", {}, TChunk::clAfterData), EInvalidGraphicOperation);
    EXPECT_THROW(png.AddChunk("ab1d", {}, TChunk::clAfterData), EInvalidGraphicOperation);
}

TEST(Alpha, AddingAnAlphaChannelKeepsTheLook) {
    for (const auto& name : PngSuiteFiles("")) {
        SCOPED_TRACE(name);
        TPNGObject png;
        LoadPng(png, ReadPngSuite(name));
        auto before = Look(png);
        int type = png.ColorType();
        png.CreateAlpha();
        EXPECT_EQ(png.ColorType(), type == ctGrayscale || type == ctGrayscaleAlpha ? ctGrayscaleAlpha : ctRGBAlpha);
        EXPECT_EQ(png.BitDepth(), 8);
        EXPECT_NE(png.AlphaScanline(png.Height() - 1), nullptr);
        EXPECT_TRUE(Look(png) == before);
        TPNGObject again;
        LoadPng(again, SavePng(png));
        EXPECT_TRUE(Look(again) == before);
    }
}

TEST(Transparency, ModesFollowTheFile) {
    struct {
        const char* Name;
        TPNGTransparencyMode Mode;
        TColor Color;
    } cases[] = {
        {"basn2c08.png", ptmNone, clNone},          {"basn6a08.png", ptmPartial, clNone},
        {"basn4a08.png", ptmPartial, clNone},       {"ftbrn2c08.png", ptmBit, RGB(255, 255, 255)},
        {"ftbbn0g04.png", ptmBit, RGB(255, 255, 255)}, {"ftp0n3p08.png", ptmNone, clNone},
        {"ftbbn3p08.png", ptmBit, RGB(255, 255, 255)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TPNGObject png;
        LoadPng(png, ReadPngSuite(c.Name));
        EXPECT_EQ(png.TransparencyMode(), c.Mode);
        EXPECT_EQ(png.TransparentColor(), c.Color);
        EXPECT_EQ(png.Transparent(), c.Mode != ptmNone);
    }
}

TEST(Transparency, APaletteWithOneClearEntryIsBitTransparent) {
    TPNGObject png;
    png.CreateBlank(ctPalette, 4, 3, 1);
    png.SetPalette({{10, 20, 30, 0}, {200, 0, 0, 0}, {0, 0, 255, 0}});
    auto chunks = SplitChunks(SavePng(png));
    chunks.insert(chunks.end() - 2, TPngChunkBytes{"tRNS", TBytes("\xff\x00", 2)});
    LoadPng(png, BuildPng(chunks));
    EXPECT_EQ(png.TransparencyMode(), ptmBit);
    EXPECT_EQ(png.TransparentColor(), RGB(200, 0, 0));
    EXPECT_EQ(png.PaletteAlpha(0), 255);
    EXPECT_EQ(png.PaletteAlpha(1), 0);
    EXPECT_EQ(png.PaletteAlpha(2), 255);
}

TEST(Pixels, RowsHoldBlueGreenRedAndAlphaApart) {
    TPNGObject png;
    LoadPng(png, ReadPngSuite("basn6a08.png"));
    const uint8_t* row = png.Scanline(3);
    const uint8_t* alpha = png.AlphaScanline(3);
    TColor c = png.Pixels(5, 3);
    EXPECT_EQ(row[15], GetBValue(c));
    EXPECT_EQ(row[16], GetGValue(c));
    EXPECT_EQ(row[17], GetRValue(c));
    EXPECT_EQ(alpha[5], png.PixelAlpha(5, 3));
    EXPECT_EQ(png.RowBytes(), 32 * 3);
    EXPECT_THROW(png.Scanline(32), EInvalidGraphicOperation);
    EXPECT_THROW(png.Pixels(-1, 0), EInvalidGraphicOperation);
    TPNGObject rgb;
    LoadPng(rgb, ReadPngSuite("basn2c08.png"));
    EXPECT_EQ(rgb.AlphaScanline(0), nullptr);
}

TEST(Pixels, SettingAPixelFitsItToTheColourType) {
    TPNGObject png;
    png.CreateBlank(ctRGB, 8, 4, 4);
    png.SetPixels(1, 2, RGB(1, 2, 3));
    EXPECT_EQ(png.Pixels(1, 2), RGB(1, 2, 3));
    EXPECT_EQ(png.Pixels(2, 1), RGB(0, 0, 0));

    png.CreateBlank(ctGrayscale, 2, 5, 1);
    png.SetPixels(3, 0, RGB(255, 0, 0));  // grey 76 is nearest to level 1 of 0..3 (85)
    EXPECT_EQ(png.Pixels(3, 0), RGB(85, 85, 85));
    EXPECT_EQ(png.Pixels(2, 0), RGB(0, 0, 0));
    EXPECT_EQ(png.Scanline(0)[0], 0x01);  // pixel 3 in the lowest two bits

    png.CreateBlank(ctPalette, 1, 9, 1);
    png.SetPalette({{0, 0, 0, 0}, {250, 250, 250, 0}});
    png.SetPixels(8, 0, clWhite);
    EXPECT_EQ(png.Pixels(8, 0), RGB(250, 250, 250));
    EXPECT_EQ(png.Scanline(0)[1], 0x80);
    EXPECT_THROW(png.SetPalette({{0, 0, 0, 0}, {1, 1, 1, 0}, {2, 2, 2, 0}}), EInvalidGraphicOperation);
}

TEST(Pixels, ABlankImageNeedsAKindPngHas) {
    TPNGObject png;
    EXPECT_THROW(png.CreateBlank(ctRGB, 4, 2, 2), EInvalidGraphicOperation);
    EXPECT_THROW(png.CreateBlank(5, 8, 2, 2), EInvalidGraphicOperation);
    EXPECT_THROW(png.CreateBlank(ctRGB, 8, 0, 2), EInvalidGraphicOperation);
    EXPECT_THROW(png.CreateBlank(ctRGB, 8, 20000, 2), EInvalidGraphicOperation);
    EXPECT_TRUE(png.Empty());
    EXPECT_THROW(png.SetWidth(3), EInvalidGraphicOperation);
}

TEST(Assign, ACopyIsIndependentOfItsSource) {
    TPNGObject a, b;
    LoadPng(a, ReadPngSuite("basn3p08.png"));
    b.Assign(&a);
    EXPECT_TRUE(Look(b) == Look(a));
    EXPECT_EQ(b.ChunkCount(), a.ChunkCount());
    auto palette = b.Palette();
    palette[0].peRed ^= 0xFF;
    b.SetPalette(palette);
    b.RemoveChunk(b.FindChunk("gAMA"));
    EXPECT_NE(a.FindChunk("gAMA"), nullptr);
    EXPECT_NE(a.Palette()[0].peRed, b.Palette()[0].peRed);
    b.Assign(nullptr);
    EXPECT_TRUE(b.Empty());
}

TEST(Drawing, PixelsAreBlendedOverWhatIsBelowByTheirAlpha) {
    TPNGObject png;
    png.CreateBlank(ctRGBAlpha, 8, 3, 1);
    png.SetPixels(0, 0, RGB(200, 0, 0));
    png.AlphaScanline(0)[0] = 255;
    png.SetPixels(1, 0, RGB(0, 0, 200));
    png.AlphaScanline(0)[1] = 128;
    png.SetPixels(2, 0, RGB(0, 0, 0));
    png.AlphaScanline(0)[2] = 0;
    TestDC dc(8, 4);
    TCanvas canvas;
    canvas.SetHandle(dc.DC());
    canvas.Draw(2, 1, &png);
    EXPECT_EQ(dc.At(2, 1), RGB(200, 0, 0));
    EXPECT_TRUE(Near(dc.At(3, 1), RGB(127, 127, 227))) << std::hex << dc.At(3, 1);
    EXPECT_EQ(dc.At(4, 1), RGB(255, 255, 255));
    EXPECT_EQ(dc.At(1, 1), RGB(255, 255, 255));
    canvas.SetHandle(nullptr);
}

TEST(Drawing, OpaqueAndPaletteImagesDrawTheirColours) {
    TPNGObject png;
    LoadPng(png, ReadPngSuite("basn3p04.png"));
    TestDC dc(40, 40);
    TCanvas canvas;
    canvas.SetHandle(dc.DC());
    DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (int i = 0; i < 50; ++i)
        canvas.Draw(4, 4, &png);
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdiBefore);
    for (int y = 0; y < 32; y += 5)
        for (int x = 0; x < 32; x += 5)
            EXPECT_EQ(dc.At(4 + x, 4 + y), png.Pixels(x, y)) << x << "," << y;
    canvas.StretchDraw(Rect(0, 0, 16, 16), &png);
    EXPECT_EQ(dc.At(0, 0), png.Pixels(0, 0));
    canvas.SetHandle(nullptr);
}

}  // namespace
