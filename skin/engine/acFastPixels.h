#pragma once
// Fast pixel access to 24- and 32-bit bitmaps through scan line 0 and the row distance, blending of rectangles,
// and the painters of skin images: 9-slice frames and multi-state glyphs, copied through their masks.
#include "sGraphUtils.h"
#include "sMaskData.h"

#include "classlib/runtime/Component.h"
#include "classlib/visual/Graphics.h"

#include <cstdint>

class TControl;
class TsCommonData;

// The pixel rows of a bitmap as the loops of the painting routines walk them.
struct TacPixelRows {
    uint8_t* Line0 = nullptr;
    int Delta = 0;  // bytes from one row to the next (negative for bottom-up bitmaps)
    int Width = 0;
    int Height = 0;
    int Bpp = 0;  // bytes per pixel
    uint8_t* At(int X, int Y) const { return Line0 + Y * Delta + X * Bpp; }
    bool Inside(int X, int Y) const { return X >= 0 && Y >= 0 && X < Width && Y < Height; }
};
// False unless Bmp is a bitmap of BytesPerPixel bytes per pixel (1, 3 or 4) at least 2 x 2 pixels.
// Pending GDI drawing into the bitmap is finished first, so the rows hold what was drawn.
bool AttachRows(TBitmap* Bmp, int BytesPerPixel, TacPixelRows& Rows);
// Clips a copy of a W x H block from (SX, SY) of Src to (DX, DY) of Dst to both bitmaps; false when nothing is left.
bool ClipCopy(const TacPixelRows& Dst, int& DX, int& DY, const TacPixelRows& Src, int& SX, int& SY, int& W, int& H);

// The instruction sets the blending loops use: SSE2 is the floor of every processor the program runs on; SSSE3
// multiplies and adds byte pairs in one step (16 bytes at a time), AVX2 does so 32 bytes at a time. Set at start-up
// to the widest the processor and the system run; lowered only to compare the loops. Every level gives the same
// bytes.
enum TacPixelLoops { plSSE2, plSSSE3, plAVX2 };
extern TacPixelLoops acPixelLoops;
// The widest level this processor and system run.
TacPixelLoops acWidestPixelLoops();

// n bytes of d := (x * a + s * (255 - a) + 127) shr 8; d may be x.
void BlendBytes(uint8_t* d, const uint8_t* x, const uint8_t* s, int n, unsigned a);
// n bytes of d := ((b - s) * m + s * 256) shr 8: the image bytes s shown through the mask bytes m over the bytes b.
void MixBytesByMask(uint8_t* d, const uint8_t* b, const uint8_t* s, const uint8_t* m, int n);

// Pixel access to a bitmap of BytesPerPixel bytes per pixel through scan line 0 and the row distance.
template <int BytesPerPixel>
class TacFastPixels : public TObject {
    CLASS_INFO(TacFastPixels, TObject)
public:
    // False (and Width 0) for nil, a bitmap of another pixel format, or one 1 pixel wide or high or smaller.
    bool Attach(TBitmap* Bmp) {
        bool ok = AttachRows(Bmp, BytesPerPixel, FRows);
        FBitmap = ok ? Bmp : nullptr;
        return ok;
    }
    uint8_t* Pixel(int X, int Y) const { return FRows.At(X, Y); }
    TBitmap* Bitmap() const { return FBitmap; }
    int Width() const { return FRows.Width; }
    int Height() const { return FRows.Height; }
    int Delta() const { return FRows.Delta; }
    const TacPixelRows& Rows() const { return FRows; }

private:
    TBitmap* FBitmap = nullptr;
    TacPixelRows FRows;
};

// Reads the pixels of a pf24bit bitmap (blue, green, red) without a call per pixel.
class TacFast24 : public TacFastPixels<3> {
    CLASS_INFO(TacFast24, TacFastPixels<3>)
public:
    // $00BBGGRR; callers stay inside the bitmap.
    TColor GetPixel(int X, int Y) const {
        const uint8_t* p = Pixel(X, Y);
        return p[2] | (p[1] << 8) | (p[0] << 16);
    }
};

// The same for pf32bit bitmaps (blue, green, red, alpha).
class TacFast32 : public TacFastPixels<4> {
    CLASS_INFO(TacFast32, TacFastPixels<4>)
public:
    // $00BBGGRR with the red byte repeated in the top byte.
    TColor GetPixel(int X, int Y) const {
        const uint8_t* p = Pixel(X, Y);
        return static_cast<TColor>(p[2] | (p[1] << 8) | (p[0] << 16) | (static_cast<uint32_t>(p[2]) << 24));
    }
};

// Blends a rectangle of one pf24bit bitmap into another with a fixed weight.
class TacFastSum24 : public TObject {
    CLASS_INFO(TacFastSum24, TObject)
public:
    // False when either bitmap is missing, not pf24bit, or narrower or lower than 2 pixels.
    bool Attach(TBitmap* Src, TBitmap* Dst);
    // For every byte of DstRect (right and bottom edges excluded), clipped to both bitmaps:
    // dst := (dst * Alpha + src * (255 - Alpha) + 127) shr 8, src lying at the same offset from SrcPoint.
    void BlendRect();
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }

    uint8_t Alpha = 0;
    TRect DstRect;
    TPoint SrcPoint;

private:
    TacFast24 FSrc, FDst;
    int FWidth = 0;
    int FHeight = 0;
};

// The shared instances the painters attach their bitmaps to (main thread only; not re-entrant).
extern TacFast24 acFast24Src;
extern TacFast24 acFast24Dst;
extern TacFastSum24 acFastSum24;
extern TacFast32 acFast32;

// Every byte of R (right and bottom edges included, clipped to the bitmap) becomes
// Round(byte * Percent / 100 + colour byte * (1 - Percent / 100)).
void BlendColorRect(TBitmap* Bmp, TRect R, uint8_t Percent, TColor Color);

// The blend byte of the disabled look: the share in percent of its own picture that a disabled control keeps
// (1 to 100); 0 leaves the standard look. A control sets it while it answers skin command 35, which an adapter
// sends before it fades a disabled control's cache; the adapter sets it back to 0 afterwards.
extern uint8_t acDisabledBlend;
// The state effects of a control's cache bitmap: bit 2 turns it grey; bit 1 gives the disabled look, 40 percent
// of the picture over 60 percent of the background (the cache-info bitmap at the control's offset), or half
// and half with the background colour when there is no background bitmap; a blend byte other than 0 gives the
// picture's share instead.
constexpr int acEffectDisabled = 1;
constexpr int acEffectGrey = 2;
void PaintStateEffects(TBitmap* Bmp, int Effects, TControl* Control, const TPoint& Offset, const TCacheInfo& CacheInfo);

// Paints state State of the mask into R of Bmp as a 9-slice frame: corners once, edges and centre tiled (or, for
// images without a mask and DrawMode bit 1, stretched). Masked images are copied through their mask half;
// magenta pixels of unmasked corners show the cache-info background. State 0 of a mask with DrawMode bit 2
// paints nothing. Without FillCentre the centre piece is left as it is.
void DrawMaskedFrame(TBitmap* Bmp, const TRect& R, int State, const TsMaskData& Mask, const TCacheInfo& CacheInfo,
                     bool FillCentre = true);

// Paints state State (the last one when beyond it) of a multi-state image with its top-left corner at P.
void DrawMaskGlyph(TBitmap* Bmp, const TPoint& P, int State, const TCacheInfo& CacheInfo, const TsMaskData& Mask,
                   bool UseTransparency);

// Copies SrcRect of SrcBmp to DstRect's top-left in Bmp through the mask half of the image (one state height
// below), clipped to both bitmaps: TransColor pixels are left out; a black mask shows the image, a white one keeps
// the destination. PureMask weighs by the mask itself, otherwise by the mask plus 100. Without a mask the image is
// copied leaving out TransColor pixels.
void CopyImageByMask(const TRect& DstRect, const TRect& SrcRect, TBitmap* Bmp, const TsMaskData& Mask,
                     bool PureMask, TColor TransColor, TBitmap* SrcBmp);

// The sides of a control's cache bitmap that UpdateCacheBorders redoes, each with the corners on it.
constexpr int acBorderLeft = 1, acBorderTop = 2, acBorderRight = 4, acBorderBottom = 8;
constexpr int acAllBorders = acBorderLeft | acBorderTop | acBorderRight | acBorderBottom;

// Recomposes the pixels of the cache bitmap that the section's border mask (state 0, as the cache was painted)
// leaves see-through over the background that the owner control's parent shows now (skin command 34, or the
// parent's colour): magenta pixels of an image without mask take the background; pixels of a masked image whose
// mask is not black are mixed again as dst := ((below - S) * M + S * 256) shr 8. Stretched sides keep what they
// have (stretching blends the magenta away), and so does a frame that is not painted without a state.
// A border image with an own bitmap and no state count is one of three masked states. Nothing without a border
// mask, a cache bitmap, an owner control with a parent, or for a control narrower or lower than 2 pixels.
void UpdateCacheBorders(TsCommonData* SkinData, int Parts = acAllBorders);
