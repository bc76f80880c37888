#pragma once
// How much one skin may ask of the program. Skins are files users download; the largest real ones have some 500
// sections and 900 images, a description of a few hundred KB and a few MB of bitmaps, so each limit lies several
// times above what a real skin needs and far below what would hang the program or use up its memory or its
// GDI objects.
#include <cstdint>

#include "classlib/runtime/SysUtils.h"

// A skin that goes past one of the limits below that refuse it; the load ends as no skin with its message.
BRIMLET_EXCEPTION(ESkinTooLarge, Exception);

// A description ("Options.dat") longer than this is refused: the load ends as no skin.
constexpr int64_t acMaxSkinDescriptionSize = 2 * 1024 * 1024;
// A description with more sections than this is refused.
constexpr int acMaxSkinSections = 4096;
// Keys that name an image (any format, bitmap files and JPEG textures alike); those past it are left out.
constexpr int acMaxSkinImages = 8192;
// Distinct bitmap files a skin holds, one GDI object each whatever the number of keys that name them; the
// default quota of a process is 10,000 GDI objects. Files past it are left out.
constexpr int acMaxSkinBitmaps = 2048;
// One picture (the master bitmap, a bitmap file or a JPEG texture) of more pixels than this is left out: a real
// master bitmap has one or two million pixels, and turning eight million into 24-bit rows takes about a second.
constexpr int64_t acMaxSkinBitmapPixels = 8 * 1024 * 1024;
// The 24-bit pixels of all of a skin's pictures together (16 million pixels); a picture that would go past it is
// left out.
constexpr int64_t acMaxSkinPixelBytes = 48 * 1024 * 1024;
// A gradient text (GRADIENTDATA, HOTGRADIENTDATA) longer than this gives the section no gradient.
constexpr int acMaxGradientTextLength = 2048;
// The gradient texts and stops of all sections together, inherited ones counted for every section that holds
// them; a skin past it is refused.
constexpr int64_t acMaxSkinGradientBytes = 16 * 1024 * 1024;
