#pragma once
// The painting unit of the skin library: colour arithmetic, work bitmaps, device-context fills, skinned
// text and the pixel loops that blend and copy skin images into cache bitmaps.
#include "sMaskData.h"
#include "sMessages.h"

#include "classlib/visual/Graphics.h"
#include "classlib/runtime/Types.h"

#include <cstdint>
#include <memory>
#include <string>

class TControl;
class TWinControl;
class TsSkinManager;
class TsCommonData;

// A colour's four bytes in memory order.
struct TsColorRec {
    uint8_t R, G, B, A;
};

// Each of the three colour bytes := Round(byte1 * K + byte2 * (1 - K)); the high byte is Color1's.
TColor MixColors(TColor Color1, TColor Color2, double K);
// Moves each component Amount percent towards the colour's grey (negative: away from it), clamped to 0..255.
TColor ChangeSaturation(TColor Color, int Amount);
// Turns the colour's hue by Offset degrees (any sign); grey colours stay as they are. The high byte becomes 0.
TColor ChangeHue(int Offset, TColor Color);
TsColorRec MakeColorRec(TColor Color);

// Round(Num / Den) with ties to even, exactly, for Den > 0.
long long RoundDiv(long long Num, long long Den);

// What a painter knows of the background under the area it paints.
struct TCacheInfo {
    TBitmap* Bmp = nullptr;          // the parent's cache bitmap
    int X = 0, Y = 0;                // where the painted area lies in Bmp
    TColor FillColor = clFuchsia;    // the background colour when there is no bitmap
    bool Ready = false;              // Bmp and the offset are valid
};
TCacheInfo InitCacheInfo(TBitmap* Bmp, int X, int Y);

// --- background queries (skin command 34) ---

// Asks the window for the background under the asker (or, with PleaseDraw, to paint it into Info's DrawDC at
// Info's R); true when it answered.
bool QueryWndBGInfo(TacBGInfo& Info, HWND Wnd, bool PleaseDraw);
// The same for a control (through its window when it has one). A control that does not answer is described by
// its colour: its answer to skin command 21, or its Color when that answer is 0; with PleaseDraw that colour
// fills R of DrawDC. Answers false then.
bool QueryControlBGInfo(TacBGInfo& Info, TControl* Control, bool PleaseDraw);
// The painters' short form of an answer: a bitmap at its offset, or the colour with Ready false.
void FillBGInfo(const TacBGInfo& Info, TCacheInfo& CacheInfo);

// --- section painting ---

// Paints the section into R of Bmp: its background (PaintSkinBackground with the section's own colour), the four
// corner images ("IMGTOPLEFT" ...) and the "BORDERSMASK" frame for State (0 normal, above 0 hot or pressed).
// Offset is where R lies over the background that CacheInfo describes; HotTexture and Texture are mask indexes
// of the textures (-1: looked up). FrameFlag false leaves the frame's centre piece out. Nothing for a nil Bmp, an
// empty R or a SkinIndex that is not a section; a nil Manager means the default one.
void PaintSkinItem(int SkinIndex, const std::string& SectionName, const TCacheInfo& CacheInfo, int HotTexture,
                   int Texture, TsSkinManager* Manager, TBitmap* Bmp, const TPoint& Offset, const TRect& R, int State,
                   bool FrameFlag = true);
// The same into DC at R, through a work bitmap of R's size; nothing for a negative origin or an empty R.
void PaintSkinItemToDC(HDC DC, const TRect& R, int SkinIndex, const std::string& SectionName,
                       const TCacheInfo& CacheInfo, int HotTexture, int Texture, TsSkinManager* Manager,
                       const TPoint& Offset, int State, bool FrameFlag = true);
// Paints only the section's background into R of Bmp. A Color other than $FF00FF is painted as a flat colour.
// Otherwise the section's (with Hot its hot) colour, texture and gradient are mixed by their percents and the
// result by the section's transparency t with the background CacheInfo describes (t percent of it shows).
void PaintSkinBackground(int SkinIndex, const std::string& SectionName, const TCacheInfo& CacheInfo, TColor Color,
                         int HotTexture, int Texture, TsSkinManager* Manager, TBitmap* Bmp, const TPoint& Offset,
                         const TRect& R, bool Hot);
// A skinned control's picture into R of Bmp: the background of its section (its own Color with CustomColor), the
// border frame (unless the frame is painted only for a state and State is 0), then the corner images.
void PaintSkinCorners(TsCommonData* SkinData, TBitmap* Bmp, const TRect& R, int State, const TCacheInfo& CacheInfo,
                      const TPoint& Offset);
// The section's background, then image MaskIndex as a 9-slice frame for State; nothing when R does not lie inside
// Bmp.
void PaintSkinPart(int SkinIndex, const std::string& SectionName, const TCacheInfo& CacheInfo,
                   TsSkinManager* Manager, TBitmap* Bmp, const TPoint& Offset, const TRect& R, int MaskIndex,
                   int State);

// --- regions ---

// Appends the runs of $FF00FF pixels in the corner blocks of the mask's first state (the top WT rows, or with
// Bottom the bottom WB rows) as one-pixel-high rectangles: runs of the left block at their own x, those of the
// right block at Width minus their distance from the image's right edge, each at Y plus its row.
void AddMaskRgnRects(TAOR& Rects, int Width, const TsMaskData& Mask, bool Bottom, int Y);

// --- work bitmaps ---

// A device-independent pf24bit bitmap (the form of every cache bitmap); 0 x 0 gives an empty one.
std::unique_ptr<TBitmap> CreateBmp24(int Width, int Height);
std::unique_ptr<TBitmap> CreateBmp32(int Width, int Height);
// An empty bitmap with Bmp's size and pixel format.
std::unique_ptr<TBitmap> CreateBmpLike(TBitmap* Bmp);

// --- device contexts ---

void FillDC(HDC DC, const TRect& R, TColor Color);
// Fills the four border strips of R: the top strip, the left strip below it, the bottom strip, the right strip.
void FillDCBorder(HDC DC, const TRect& R, int Left, int Top, int Right, int Bottom, TColor Color);
// Copies the four border strips of a rectangle from SrcDC (top, right, left, bottom).
void BitBltBorder(HDC DstDC, int X, int Y, int Width, int Height, int BorderWidth, HDC SrcDC, int SrcX, int SrcY);
// Takes the rectangles of Control's visible graphic children, shifted by the offsets, out of DC's clipping.
void ExcludeGraphicControls(HDC DC, TWinControl* Control, int OffsetX, int OffsetY);
// The frame of R in a pen of that colour and width, as two three-point lines.
void DrawRectangleOnDC(HDC DC, const TRect& R, TColor Color, int Width);
// Every third pixel along the edges of R black, with a white pixel diagonally above-left of it.
void DrawDotGrip(TCanvas* Canvas, const TRect& R);

// --- text ---

int DrawTextStr(HDC DC, const std::string& Text, TRect& R, UINT Flags);
// The same for text as a window holds it: every character shows, whatever the code page.
int DrawTextStr(HDC DC, const std::wstring& Text, TRect& R, UINT Flags);
int TextWidthOf(TCanvas* Canvas, const std::string& Text);
TSize TextExtentOf(TCanvas* Canvas, const std::string& Text);
void TextRectOf(TCanvas* Canvas, const TRect& R, int X, int Y, const std::string& Text);
// Shortens Text from its end until it fits Width with "..." appended; a Width below 1 empties it.
void CutText(TCanvas* Canvas, int Width, std::string& Text);
// Writes Text into R in the colours of a skin section: the outline copies (one pixel left, up, right and down,
// each only when its colour is not -1), then the text; disabled text once, mixed with the section colour.
// Nothing without a default manager or with an index that is not one of the manager's sections.
void WriteTextEx(TCanvas* Canvas, const std::string& Text, bool Enabled, TRect R, UINT Flags, int SkinIndex,
                 bool Hot, TsSkinManager* Manager = nullptr);
// The same for a window's own (Unicode) text.
void WriteTextEx(TCanvas* Canvas, const std::wstring& Text, bool Enabled, TRect R, UINT Flags, int SkinIndex,
                 bool Hot, TsSkinManager* Manager = nullptr);
// Writes a skinned control's text into R (and nowhere else) in the control's own font and its section's colours.
// Check boxes, radio buttons, group boxes and graphic controls of a transparent section take the colours of the
// section that GetFontIndex finds. Enabled: outlines and text colour as WriteTextEx (only the font's own colour
// with CustomFont), drawn with DT_NOCLIP. Disabled: the text colour mixed with the default manager's global
// colour. Without a section of the skin the text keeps the font's colour. Hot text of a "WEBBUTTON" is
// underlined.
void WriteSkinText(TCanvas* Canvas, const std::string& Text, bool Enabled, bool Hot, TsCommonData* SkinData,
                   UINT Flags, TRect R);
// The same for a window's own (Unicode) text.
void WriteSkinText(TCanvas* Canvas, const std::wstring& Text, bool Enabled, bool Hot, TsCommonData* SkinData,
                   UINT Flags, TRect R);

// --- pixel loops (pf24bit unless said otherwise; each clips to its bitmaps and returns for bitmaps smaller
// than 2 x 2 pixels) ---

// Every pixel that is not $FF00FF: c := Round((c - colour) * Factor + colour) per byte.
void BlendColorBmp(TBitmap* Bmp, TColor Color, double Factor);
// Blends R of Src into Dst at (X, Y): dst := Round(src * (1 - K) + dst * K). Source pixels of TransColor are
// skipped unless TransColor's top byte is 255, which switches the test off.
void BlendRectBitmap(TBitmap* Dst, int X, int Y, TColor TransColor, double K, TRect R, TBitmap* Src);
// Mixes Color into R through a rounded rectangle whose edge fades over Blur pixels; Percent is the strength.
void BlendRoundRect(TBitmap* Bmp, const TRect& R, int Radius, int Percent, TColor Color, int Blur);
// Blends SrcRect of Src into Dst at Point: dst := (dst * Alpha + src * (255 - Alpha) + 127) shr 8.
void SumBmpRect(TBitmap* Dst, TBitmap* Src, uint8_t Alpha, const TPoint& Point, const TRect& SrcRect);
// For bitmaps of the same size: byte := ((byte - colour byte) * mask byte + colour byte * 256) shr 8.
void MaskBlendBmp(TBitmap* Dst, TBitmap* Mask, TColor Color);
// Copies the source rectangle at SrcPoint of Src into R of a pf24bit Dst. A pf32bit source is weighed by its
// alpha: d := ((s - d) * a + d * 256) shr 8. A pf24bit source is blended through its lower half as its mask.
// $FF00FF source pixels are left out, or with UseBackground taken from the ready cache-info background.
void CopyAlphaRect(TBitmap* Dst, const TRect& R, TBitmap* Src, const TPoint& SrcPoint, const TCacheInfo& CacheInfo,
                   bool UseBackground);
// Copies all of Src into Dst at (X, Y), leaving out TransColor pixels.
void CopyTransBmp(TBitmap* Dst, TBitmap* Src, int X, int Y, TColor TransColor);
// Copies SrcRect of Src to (X, Y), leaving out TransColor pixels; with UseBackground and a ready cache-info
// background those pixels are taken from it.
void CopyTransRect(TBitmap* Dst, TBitmap* Src, int X, int Y, TRect SrcRect, TColor TransColor,
                   const TCacheInfo& CacheInfo, bool UseBackground);
// Copies one byte channel (0 blue .. 3 alpha) of a pf32bit bitmap into a pf8bit one, or back.
void CopyChannel(TBitmap* Bmp32, TBitmap* Bmp8, int Channel, bool ToBmp8);
// Each pixel's three bytes := their mean (integer division by 3).
void GrayBmp(TBitmap* Bmp);
// Each byte of Dst := ((a - b) * w + b * 256) shr 8, a and b the bytes of Src1 and Src2 and w the fixed Alpha,
// or the byte at the same place of AlphaBmp when it is given.
void FadeBmp(TBitmap* Dst, TBitmap* Src1, TBitmap* Src2, uint8_t Alpha, TBitmap* AlphaBmp = nullptr);
// Draws SrcRect of a pf32bit image with its (straight) alpha over a pf32bit Dst at (X, Y).
void DrawAlphaBmp32(TBitmap* Dst, int X, int Y, TBitmap* Src, TRect SrcRect);

// --- graphics and layout ---

// Repeats the SW x SH image at (SX, SY) of SrcDC over the DW x DH area at (DX, DY) of DC with SRCCOPY, the last
// column and row cut. Into a memory DC whose bitmap holds the whole area, the painted part is copied onto itself in
// doubling steps instead of one call per tile.
void TileBltArea(HDC DC, int DX, int DY, int DW, int DH, HDC SrcDC, int SX, int SY, int SW, int SH);

// Repeats a bitmap or JPEG picture over R (the last row and column cut).
void TileGraphic(TCanvas* Canvas, const TRect& R, TGraphic* Graphic);
// Paints a texture over R and leaves in R what is still to be painted ((-1, -1, -1, -1) when nothing is).
// A non-empty Graphic is tiled; otherwise the mask's image is used by Mode (its DrawMode).
void PaintTexture(TCanvas* Canvas, TRect& R, TGraphic* Graphic, int Mode, const TsMaskData& Mask);
// Tiles a texture that carries a mask half over R of Bmp through the mask, the tiles' origin shifted by Offset.
void PaintMaskedTexture(TBitmap* Bmp, const TRect& R, const TPoint& Offset, int Mode, const TsMaskData& Mask);

enum TacGlyphLayout { glGlyphLeft, glGlyphRight, glGlyphTop, glGlyphBottom };
// Places a glyph and a caption inside Client. Alignment 0 left, 1 right, 2 centre. Margin -1: automatic;
// Spacing -1: automatic. RightToLeft swaps a left and a right glyph.
void CalcGlyphLayout(const TRect& Client, const TPoint& GlyphSize, const TPoint& CaptionSize, TacGlyphLayout Layout,
                     int Alignment, int Margin, int Spacing, bool RightToLeft, TPoint& GlyphPos, TRect& TextRect);
