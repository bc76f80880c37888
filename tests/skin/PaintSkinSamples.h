#pragma once
// A skin made for pixel checks of section painting: every section, state, texture, frame piece and corner image
// has a flat colour of its own, and the frames and masks have borders of known widths, so that a test can say
// "this pixel has the colour of section S in state n".
#include "SkinSamples.h"

namespace PaintSkin {

// Section colours.
constexpr SampleColor Solid = 0x1E64C8, SolidHot = 0x3C8CF0;
constexpr SampleColor Half = 0xFFFFFF;          // the 50 percent transparent section
constexpr SampleColor Framed = 0x5A3C1E;        // colour (and hot colour) of the framed sections
constexpr SampleColor MixColour = 0x14A050;     // colour that the partial texture section is mixed with
// Flat 16 x 16 texture, the two-colour 8 x 8 texture (left 4 columns A, right 4 B), the overlay colour.
constexpr SampleColor Tex = 0x2850B4, TwoA = 0xC83C28, TwoB = 0x28C8A0, Over = 0x0AB4F0;
// The mask of the graded overlay: mid grey, half the image and half what lies below.
constexpr SampleColor GradedMask = 0x808080;
// Gradient: the mode-0 stop from top to bottom, and the flat gradient of the mixed section.
constexpr SampleColor GradTop = 0x0000FF, GradBottom = 0xFF0000, GradFlat = 0x46D2E6;
// The frame: three 16 x 16 states, 4-pixel borders; border and centre colour of each state. Its corner blocks have
// magenta runs: rows 0 and 15 three pixels from each side, rows 1 and 14 one pixel.
constexpr int FrameSize = 16, FrameBorder = 4;
constexpr SampleColor FrameEdge[3] = {0x6E1E8C, 0x8C6E1E, 0x1E8C6E};
constexpr SampleColor FrameCentre[3] = {0xB4DC78, 0x78B4DC, 0xDC78B4};
// The masked frame: three 16 x 16 states with masks below whose outermost ring is white (what lies below stays)
// and whose inside is black (the image shows).
constexpr SampleColor MaskedEdge[3] = {0x32A0C8, 0xC832A0, 0xA0C832};
// Corner images, 6 x 6, each with a magenta pixel at its outer corner (top-left, top-right, bottom-left,
// bottom-right).
constexpr int CornerSize = 6;
constexpr SampleColor Corner[4] = {0x0A14F0, 0x14F00A, 0xF00A14, 0x96F0F0};

}  // namespace PaintSkin

// The skin: sections SOLID (colour, hot colour), TEXTURE (flat texture), TILED and STRETCHED (the two-colour
// texture tiled and stretched), GRADIENT (mode 0), MIXED (texture and flat gradient at 50 percent each),
// PARTIAL (texture at 40 percent, colour the rest), HALF (white, transparency 50), CLEAR (transparency 100),
// CLEARTEXTURED (transparency 100 with the flat texture, normal and hot), OVERLAY (a masked draw-mode-10 texture),
// OVERLAYGRADED (the same over a grey mask, image percent 60), FRAMED and FRAMEDONSTATE (the frame, the second only for a state),
// MASKED (the masked frame), CORNERS (the four corner images) and FORMLIKE (texture, gradient, frame and corners).
SampleSkin MakePaintSkin(const std::string& name = "PAINT");
