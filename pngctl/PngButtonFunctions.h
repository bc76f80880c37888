#pragma once
// Where a button puts its PNG glyph and its caption.
#include "classlib/Types.h"

// The glyph's place beside the caption, in the order of the class library's button layouts (glyph left,
// right, top, bottom), so a layout converts by its value.
enum TGlyphPlace { gpLeft, gpRight, gpTop, gpBottom };

// The glyph's top-left corner and the caption's rectangle on a button.
struct TButtonGlyphLayout {
    TPoint GlyphPos;
    TRect TextBounds;
};

// Lays out a glyph of GlyphSize and a caption of TextSize (both (0, 0) when absent) on a client area of
// ClientSize. Margin -1 centres the two together; Spacing -1 spaces them evenly: with Margin -1 the margin,
// the gap and the room after the caption are equal, with a given Margin the caption is centred in the room
// that the margin and the glyph leave. RightToLeft swaps left and right; Pressed moves everything by (1, 1),
// and everything moves by Offset.
TButtonGlyphLayout CalcGlyphLayout(TSize ClientSize, TSize GlyphSize, TSize TextSize, TPoint Offset,
                                   TGlyphPlace Place, int Margin, int Spacing, bool RightToLeft, bool Pressed);
