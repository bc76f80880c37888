#pragma once
// TPNGObject: a PNG image held as rows of pixels, read and written through libpng.
#include "classlib/visual/Graphics.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TStream;

// PNG colour types as the file's header gives them.
constexpr int ctGrayscale = 0;
constexpr int ctRGB = 2;
constexpr int ctPalette = 3;
constexpr int ctGrayscaleAlpha = 4;
constexpr int ctRGBAlpha = 6;

// How an image is transparent: not at all, by one colour ("bit"), or per pixel or palette entry.
enum TPNGTransparencyMode { ptmNone, ptmBit, ptmPartial };

// An ancillary chunk kept as the file had it, so saving writes it back.
class TChunk : public TObject {
    CLASS_INFO(TChunk, TObject)
public:
    // Location: where the chunk stood (before the palette, before the image data, after the image data).
    enum TLocation { clBeforePalette, clBeforeData, clAfterData };

    TChunk(const std::string& AName, std::vector<uint8_t> AData, TLocation ALocation)
        : FName(AName), FData(std::move(AData)), FLocation(ALocation) {}
    const std::string& Name() const { return FName; }
    const std::vector<uint8_t>& Data() const { return FData; }
    TLocation Location() const { return FLocation; }
    virtual std::unique_ptr<TChunk> Clone() const { return std::make_unique<TChunk>(FName, FData, FLocation); }

private:
    std::string FName;
    std::vector<uint8_t> FData;
    TLocation FLocation;
};

// The image's gamma; the pixels are never corrected by it, but it travels with the file.
class TChunkgAMA : public TChunk {
    CLASS_INFO(TChunkgAMA, TChunk)
public:
    using TChunk::TChunk;
    // The stored gamma times 100000 (45455 for 1/2.2); 0 when the chunk is too short to hold one.
    unsigned Gamma() const;
    std::unique_ptr<TChunk> Clone() const override { return std::make_unique<TChunkgAMA>(Name(), Data(), Location()); }
};

// A PNG image: header, palette, transparency and rows of pixels.
//
// Rows run from the top. An RGB row holds three bytes per pixel in the order blue, green, red; a grey
// row one byte per pixel (or packed 1, 2 or 4 bits, as the file had it); a palette row the indexes,
// packed as the bit depth says. Alpha rows (colour types 4 and 6) hold one byte per pixel apart from
// the colour. Sixteen-bit files are read as eight bits per sample.
class TPNGObject : public TGraphic {
    CLASS_INFO(TPNGObject, TGraphic)
public:
    TPNGObject();
    ~TPNGObject() override;
    TPNGObject(const TPNGObject&) = delete;
    TPNGObject& operator=(const TPNGObject&) = delete;

    // Replaces the image by a new one of the given colour type and bit depth, all samples zero
    // (a palette image gets a palette of one black entry). Raises EInvalidGraphicOperation for a
    // combination PNG does not have or a size of zero or beyond the supported limits.
    void CreateBlank(int ColorType, int BitDepth, int AWidth, int AHeight);

    // Another TPNGObject is copied; a bitmap becomes an RGB image (type 2) of its colours; nil empties the image.
    void Assign(TPersistent* Source) override;

    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    // A PNG's size is fixed by its pixels: raises EInvalidGraphicOperation.
    void SetWidth(int Value) override;
    void SetHeight(int Value) override;
    bool Empty() const override { return FWidth == 0; }
    bool Transparent() const override { return TransparencyMode() != ptmNone; }

    int ColorType() const { return FColorType; }
    int BitDepth() const { return FBitDepth; }
    bool Interlaced() const { return FInterlaced; }

    // Row Row (0 is the top) of the colour or index data; raises EInvalidGraphicOperation for a row
    // outside the image.
    uint8_t* Scanline(int Row);
    const uint8_t* Scanline(int Row) const;
    // Row Row of the alpha channel, or nil when the colour type has none.
    uint8_t* AlphaScanline(int Row);
    const uint8_t* AlphaScanline(int Row) const;
    int RowBytes() const { return FRowBytes; }

    // The pixel's colour as $00BBGGRR (grey and palette pixels as their RGB colour, alpha ignored).
    TColor Pixels(int X, int Y) const;
    // Sets the pixel's colour: RGB types take it as it is, grey types its grey value, palette images
    // the nearest palette entry. Raises EInvalidGraphicOperation outside the image.
    void SetPixels(int X, int Y, TColor Value);
    // The pixel's opacity, 0 to 255, whatever the kind of transparency.
    uint8_t PixelAlpha(int X, int Y) const;

    // Adds an alpha channel: grey images become type 4 (at 8 bits), RGB and palette images type 6.
    // The image looks as before: a transparent colour or palette entry becomes its alpha. Types 4 and
    // 6 are left alone.
    void CreateAlpha();

    TPNGTransparencyMode TransparencyMode() const;
    // The one transparent colour of ptmBit ($00BBGGRR); clNone in the other modes.
    TColor TransparentColor() const;

    // The palette of a type 3 image (empty for the other types); peFlags is 0.
    std::vector<PALETTEENTRY> Palette() const;
    // Replaces the palette of a type 3 image: 1 to 2^BitDepth entries. Raises EInvalidGraphicOperation
    // for other types or a wrong count; entries beyond the new count lose their transparency.
    void SetPalette(const std::vector<PALETTEENTRY>& Entries);
    // The opacity of each palette entry (255 where the file gave none).
    uint8_t PaletteAlpha(int Index) const;

    // The ancillary chunks kept from the file, in their order.
    int ChunkCount() const { return static_cast<int>(FChunks.size()); }
    TChunk* Chunk(int Index) const;
    // The first chunk of the class T (or of the given name), or nil.
    template <class T>
    T* ChunkOfClass() const {
        for (const auto& c : FChunks)
            if (c->InheritsFrom(T::StaticClassName()))
                return static_cast<T*>(c.get());
        return nullptr;
    }
    TChunk* FindChunk(const std::string& Name) const;
    // Removes and frees the chunk; a chunk that is not this image's is ignored.
    void RemoveChunk(TChunk* Chunk);
    // Adds a chunk to be written with the image (a gAMA chunk becomes a TChunkgAMA).
    TChunk* AddChunk(const std::string& Name, std::vector<uint8_t> Data, TChunk::TLocation Location);

    // Draws the image into Rect of the canvas, stretched when the sizes differ, blending by its alpha.
    void Draw(TCanvas* ACanvas, const TRect& Rect) override;

    // Reads a PNG file from the stream's position. Raises EInvalidGraphic naming what is wrong (not a
    // PNG file, damaged data, a checksum that does not match, data that ends too early, a size beyond
    // the supported limits); the image is unchanged then. Errors of the stream itself come through.
    void LoadFromStream(TStream* Stream) override;
    // Writes the image as a PNG file; raises EInvalidGraphicOperation for an empty image.
    void SaveToStream(TStream* Stream) override;

    // The largest width and height, and the largest number of pixels, an image may have.
    static constexpr int MaxDimension = 16384;
    static constexpr long long MaxPixels = 16384LL * 1024;

    // libpng's memory blocks in use across all images now (for finding leaks).
    static long LiveCodecAllocations();

private:
    friend struct TPNGReader;
    friend struct TPNGWriter;
    void CheckRow(int Row) const;
    void CheckPixel(int X, int Y) const;
    unsigned Sample(int X, int Y) const;  // grey value or palette index at the stored bit depth
    void SetSample(int X, int Y, unsigned Value);
    void CopyFrom(const TPNGObject& Source);
    void AssignBitmap(TBitmap* Bitmap);
    void Clear();

    int FWidth = 0;
    int FHeight = 0;
    int FColorType = ctRGB;
    int FBitDepth = 8;
    bool FInterlaced = false;
    int FRowBytes = 0;
    std::vector<uint8_t> FData;
    std::vector<uint8_t> FAlpha;
    std::vector<PALETTEENTRY> FPalette;
    std::vector<uint8_t> FPaletteAlpha;  // tRNS of a palette image, may be shorter than the palette
    bool FHasTransparentValue = false;   // tRNS of a grey or RGB image
    unsigned FTransparentGray = 0;       // at the stored bit depth
    uint8_t FTransparentRGB[3] = {0, 0, 0};  // red, green, blue
    std::vector<std::unique_ptr<TChunk>> FChunks;
};
