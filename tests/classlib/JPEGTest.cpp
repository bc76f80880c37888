// TJPEGImage through the real libjpeg: encoding, decoding, scaling and damaged data.
#include "classlib/visual/JPEG.h"
#include "classlib/runtime/Streams.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

// Four flat quarters (red, lime, blue, white) of 32 x 16 pixels: flat areas survive JPEG well.
void PaintQuarters(TBitmap& b) {
    b.SetPixelFormat(pf24bit);
    b.SetSize(64, 32);
    TCanvas* c = b.Canvas();
    c->Brush()->SetColor(clRed);
    c->FillRect(Rect(0, 0, 32, 16));
    c->Brush()->SetColor(clLime);
    c->FillRect(Rect(32, 0, 64, 16));
    c->Brush()->SetColor(clBlue);
    c->FillRect(Rect(0, 16, 32, 32));
    c->Brush()->SetColor(clWhite);
    c->FillRect(Rect(32, 16, 64, 32));
}

bool Near(TColor a, TColor b, int tolerance) {
    for (int shift : {0, 8, 16})
        if (std::abs(((a >> shift) & 0xFF) - ((b >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}

std::string Encoded(int quality = 90) {
    TBitmap b;
    PaintQuarters(b);
    TJPEGImage j;
    j.SetCompressionQuality(quality);
    j.Assign(&b);
    TMemoryStream ms;
    j.SaveToStream(&ms);
    return std::string(static_cast<const char*>(ms.Memory()), static_cast<size_t>(ms.Size()));
}

TJPEGImage* Load(TJPEGImage& j, const std::string& bytes) {
    TMemoryStream ms;
    ms.WriteBuffer(bytes.data(), static_cast<long>(bytes.size()));
    ms.SetPosition(0);
    j.LoadFromStream(&ms);
    return &j;
}

}  // namespace

TEST(JPEG, RoundTripThroughTheEncoderAndDecoder) {
    std::string data = Encoded();
    ASSERT_GT(data.size(), 100u);
    EXPECT_EQ(static_cast<uint8_t>(data[0]), 0xFF);
    EXPECT_EQ(static_cast<uint8_t>(data[1]), 0xD8);
    TJPEGImage j;
    Load(j, data);
    EXPECT_EQ(j.Width(), 64);
    EXPECT_EQ(j.Height(), 32);
    EXPECT_FALSE(j.Empty());
    TBitmap back;
    back.Assign(&j);
    EXPECT_EQ(back.Width(), 64);
    EXPECT_EQ(back.PixelFormat(), pf24bit);
    EXPECT_TRUE(Near(back.PixelColor(8, 4), clRed, 12));
    EXPECT_TRUE(Near(back.PixelColor(56, 4), clLime, 12));
    EXPECT_TRUE(Near(back.PixelColor(8, 28), clBlue, 12));
    EXPECT_TRUE(Near(back.PixelColor(56, 28), clWhite, 12));
}

TEST(JPEG, SavingLoadedDataWritesItUnchanged) {
    std::string data = Encoded(75);
    TJPEGImage j;
    Load(j, data);
    j.DIBNeeded();
    TMemoryStream out;
    j.SaveToStream(&out);
    ASSERT_EQ(out.Size(), static_cast<long long>(data.size()));
    EXPECT_EQ(std::memcmp(out.Memory(), data.data(), data.size()), 0);
}

TEST(JPEG, QualityChangesTheSize) {
    EXPECT_LT(Encoded(10).size(), Encoded(100).size());
    TJPEGImage j;
    EXPECT_THROW(j.SetCompressionQuality(0), EInvalidArgument);
    EXPECT_THROW(j.SetCompressionQuality(101), EInvalidArgument);
}

TEST(JPEG, ScaleAndGrayscaleAreAppliedWhileDecoding) {
    TJPEGImage j;
    Load(j, Encoded());
    j.SetScale(jsHalf);
    EXPECT_EQ(j.Width(), 32);
    j.DIBNeeded();
    EXPECT_EQ(j.Bitmap()->Width(), 32);
    EXPECT_EQ(j.Bitmap()->Height(), 16);
    j.SetScale(jsEighth);
    EXPECT_EQ(j.Bitmap()->Width(), 8);
    j.SetScale(jsFullSize);
    j.SetGrayscale(true);
    TBitmap* b = j.Bitmap();
    EXPECT_EQ(b->PixelFormat(), pf8bit);
    TColor white = b->PixelColor(56, 28), red = b->PixelColor(8, 4);
    EXPECT_EQ(white & 0xFF, (white >> 8) & 0xFF);  // grey: all channels equal
    EXPECT_GT(white & 0xFF, 240);
    EXPECT_NEAR(red & 0xFF, 76, 12);  // red weighs 0.3
}

TEST(JPEG, DrawsIntoACanvas) {
    TJPEGImage j;
    Load(j, Encoded());
    TBitmap target;
    target.SetPixelFormat(pf24bit);
    target.SetSize(64, 32);
    target.Canvas()->Draw(0, 0, &j);
    EXPECT_TRUE(Near(target.PixelColor(8, 4), clRed, 12));
    target.Canvas()->StretchDraw(Rect(0, 0, 32, 16), &j);
    EXPECT_TRUE(Near(target.PixelColor(20, 4), clLime, 12));
}

TEST(JPEG, FilesAndThePictureRegistry) {
    TempDir dir;
    std::string data = Encoded();
    WriteFileBytes(dir.File("a.jpg"), data);
    TPicture p;
    p.LoadFromFile(dir.File("a.jpg"));
    ASSERT_STREQ(p.Graphic()->ClassName(), "TJPEGImage");
    EXPECT_EQ(p.Width(), 64);
    TJPEGImage j;
    j.LoadFromFile(dir.File("a.jpg"));
    j.SaveToFile(dir.File("b.jpeg"));
    EXPECT_EQ(ReadFileBytes(dir.File("b.jpeg")), data);
}

TEST(JPEG, CorruptDataRaisesInsteadOfEndingTheProcess) {
    std::string good = Encoded();
    TJPEGImage j;
    EXPECT_THROW(Load(j, ""), EInvalidGraphic);
    EXPECT_THROW(Load(j, "not a jpeg at all"), EInvalidGraphic);
    std::string bad = good;
    bad[1] = '\x00';  // no start-of-image marker
    EXPECT_THROW(Load(j, bad), EInvalidGraphic);
    try {
        Load(j, good.substr(0, 20));  // ends inside the headers
        ADD_FAILURE() << "accepted";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(std::string(e.what()).rfind("JPEG error: ", 0), 0u) << e.what();
    }
    EXPECT_TRUE(j.Empty());  // a failed load leaves what was there: nothing
}

TEST(JPEG, TruncatedPixelDataRaisesWhenDecoded) {
    // Noise, so that the pixel data outweighs the headers.
    TBitmap noise;
    noise.SetPixelFormat(pf24bit);
    noise.SetSize(128, 128);
    unsigned seed = 1;
    for (int y = 0; y < 128; ++y) {
        auto* row = static_cast<uint8_t*>(noise.ScanLine(y));
        for (int i = 0; i < 128 * 3; ++i)
            row[i] = static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
    }
    TJPEGImage source;
    source.Assign(&noise);
    TMemoryStream ms;
    source.SaveToStream(&ms);
    std::string good(static_cast<const char*>(ms.Memory()), static_cast<size_t>(ms.Size()));
    ASSERT_GT(good.size(), 8000u);
    TJPEGImage j;
    Load(j, good.substr(0, good.size() * 3 / 4));  // the headers are whole, so the load itself succeeds
    EXPECT_EQ(j.Width(), 128);
    EXPECT_THROW(j.DIBNeeded(), EInvalidGraphic);
    TBitmap target;
    target.SetSize(128, 128);
    EXPECT_THROW(target.Canvas()->Draw(0, 0, &j), EInvalidGraphic);
    // The same object still works with good data afterwards.
    Load(j, good);
    EXPECT_NO_THROW(j.DIBNeeded());
}

TEST(JPEG, GarbageInTheScanDataDoesNotCrash) {
    std::string good = Encoded();
    for (size_t at : {good.size() / 2, good.size() - 40}) {
        std::string bad = good;
        for (size_t i = at; i < at + 16 && i < bad.size() - 2; ++i)
            bad[i] = static_cast<char>(0xFF - i);
        TJPEGImage j;
        try {
            Load(j, bad);
            j.DIBNeeded();  // may decode with damage or raise; it must not end the process
        } catch (const EInvalidGraphic&) {
        }
    }
}

TEST(JPEG, AssignCopiesDataAndSettings) {
    TJPEGImage a;
    Load(a, Encoded());
    a.SetScale(jsHalf);
    TJPEGImage b;
    b.Assign(&a);
    EXPECT_EQ(b.Width(), 32);
    EXPECT_EQ(b.Data(), a.Data());
    b.Assign(nullptr);
    EXPECT_TRUE(b.Empty());
    EXPECT_THROW(b.SetWidth(5), EInvalidGraphicOperation);
}
