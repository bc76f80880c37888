#pragma once
// The library-wide list of the glyph strips that the program carries in its resources, for the skin library's own
// controls.
#include "skin/engine/acAlphaImageList.h"

#include <windows.h>

#include <string>
#include <vector>

// The RCDATA resources the list is made of, in the order of its indexes; each is a PNG strip of 48 x 16 pixels.
extern const char* const ResGlyphNames[5];

// The list of 48 x 16 images, image i from resource ResGlyphNames[i], made when the program starts. Should that have
// failed (the reason was reported then), each call tries again and raises the error.
TsAlphaImageList* ResGlyphList();

// Appends the PNG image of each RCDATA resource of Instance named in Names to List, in order. Raises EResNotFound
// for a missing resource and EInvalidGraphic for one that is no PNG or cannot become an icon; the images before it
// stay in the list.
void AddResGlyphs(TsAlphaImageList* List, HINSTANCE Instance, const std::vector<std::string>& Names);
