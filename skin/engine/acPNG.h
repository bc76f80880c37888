#pragma once
// TPNGGraphic: a bitmap that reads PNG files and draws itself through its alpha channel; the picture class takes it
// for the extension "png" from start-up on.
#include "classlib/visual/Graphics.h"

#include <cstdint>
#include <memory>
#include <vector>

class TStream;

// What a PNG file's header says of its image.
struct TPNGImageInfo {
    int Width = 0;
    int Height = 0;
    int BitDepth = 0;
    int ColorType = 0;
    int CompressionMethod = 0;
    int FilterMethod = 0;
    int InterlaceMethod = 0;
};

// Turns the image of a PNG file, whatever its colour type, bit depth and gamma, into 32-bit pixels with straight
// (not premultiplied) alpha, blue first, as the 32-bit bitmaps of the skin library keep them.
class TColorManager {
public:
    // The header of File, a whole PNG file; raises EInvalidGraphic for a file without a valid header.
    static TPNGImageInfo ReadInfo(const std::vector<uint8_t>& File);
    // A new 32-bit device-independent bitmap with the pixels of File. Raises EInvalidGraphic naming what is wrong
    // (damaged data, a size beyond MaxDimension or MaxPixels).
    std::unique_ptr<TBitmap> Decode(const std::vector<uint8_t>& File);

    static constexpr int MaxDimension = 16384;
    static constexpr long long MaxPixels = 16384LL * 1024;
};

// A 32-bit bitmap read from a PNG file. Other pixel formats (after a bitmap was assigned to it) draw as bitmaps do.
class TPNGGraphic : public TBitmap {
    CLASS_INFO(TPNGGraphic, TBitmap)
public:
    TPNGGraphic();
    ~TPNGGraphic() override;

    // From another TPNGGraphic its header description as well.
    void Assign(TPersistent* Source) override;
    // A 32-bit graphic is blended by its alpha over what Rect of the canvas holds; scaled to Rect's size, its colour
    // and its alpha are each stretched with halftoning.
    void Draw(TCanvas* ACanvas, const TRect& Rect) override;
    // Reads one PNG file from the stream's position and leaves the position after its last chunk. The graphic's
    // own stored form (a bitmap file, which is what saving writes) is read back as well. Raises EInvalidGraphic for
    // anything else; the graphic is unchanged then.
    void LoadFromStream(TStream* Stream) override;

    const TPNGImageInfo& ImageInfo() const { return FImageInfo; }
    TColorManager* ColorManager() const { return FColorManager.get(); }

private:
    TPNGImageInfo FImageInfo;
    std::unique_ptr<TColorManager> FColorManager;
};

// An icon of the graphic with its alpha, for image lists; the caller destroys it. 0 when the system cannot make one.
HICON MakeIcon(TPNGGraphic* Graphic);

// Registers TPNGGraphic for the extension "png" with the picture class (once; the unit does it at start-up).
void RegisterPNGGraphicClass();
