#pragma once
// What the PNG image list and the PNG buttons share: the disabled look of a PNG, and PNGs with alpha made
// from bitmaps, icons and image-list images.
#include "classlib/visual/Graphics.h"
#include "classlib/visual/ImgList.h"
#include "classlib/runtime/Set.h"
#include "pngctl/PngImage.h"

#include <cstdint>
#include <memory>

enum TPngOption { pngBlendOnDisabled, pngGrayscaleOnDisabled };
using TPngOptions = Set<TPngOption>;

// The version of the common controls the program runs with, as major * 100 + minor (581 for 5.81); 0 when
// they cannot tell.
int CommonControlsVersion();

// --- the pixel maths, exact in integers so that no compiler setting changes a result ---

// Round(C / 256 * K) with halves to the even neighbour; C and K from 0 to 256.
uint8_t ScaleByte(unsigned C, unsigned K);
// The grey of a colour: (30 R + 59 G + 11 B) / 100, halves to the even neighbour (pure red gives 76).
uint8_t GrayValue(uint8_t R, uint8_t G, uint8_t B);
// The opacity of the blended look: Round(Alpha / 256 * (Amount + 1)); opaque with 127 gives 128.
uint8_t BlendedAlpha(uint8_t Alpha, int Amount);
// Mixes a colour toward its grey: each channel becomes Round(c / 256 * (255 - Amount)) + Round(Gray / 256 *
// (Amount + 1)), at most 255. With 255 every channel is the grey.
void GrayscalePixel(uint8_t& R, uint8_t& G, uint8_t& B, int Amount);

// --- images ---

// Scales the image's opacity by (Amount + 1) / 256; a single transparent colour stays fully transparent.
// Images without an alpha channel get one: a grey or palette image is replaced by an RGB image with alpha
// (Amount where it was opaque). Raises EInvalidArgument for an Amount outside 0..255.
void MakeImageBlended(TPNGObject* Png, int Amount = 127);
// Mixes the colours toward grey by Amount (255: all grey); grey images are left as they are.
void MakeImageGrayscale(TPNGObject* Png, int Amount = 255);
// Draws Png into Rect; with options, a copy is blended (127) and/or greyed (255) first. Png is never changed.
void DrawPNG(TPNGObject* Png, TCanvas* Canvas, const TRect& Rect, TPngOptions Options);

// A PNG from a PNG (a copy), a bitmap (its transparent colour, when it is transparent, becomes alpha 0), an icon
// (alpha from its mask, or its own alpha channel where it has one) or any other graphic (drawn opaque).
std::unique_ptr<TPNGObject> ConvertToPNG(TGraphic* Source);
// A PNG of Color with alpha from Mask's red channel (255 minus it with InverseMask); without a mask, opaque.
// Raises EInvalidGraphicOperation when the mask is smaller than the image.
std::unique_ptr<TPNGObject> CreatePNG(TBitmap* Color, TBitmap* Mask, bool InverseMask);
// A PNG of Bitmap with every pixel of TransparentColor fully transparent.
std::unique_ptr<TPNGObject> CreatePNGMasked(TBitmap* Bitmap, TColor TransparentColor);
// Dest becomes image Index of the list: a PNG image list's own PNG, or for any other list the image with
// alpha from its mask. An index outside the list leaves Dest as it was.
void CopyImageFromImageList(TPNGObject* Dest, TCustomImageList* ImageList, int Index);
