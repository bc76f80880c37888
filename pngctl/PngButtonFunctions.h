#pragma once
// Where a button puts its PNG glyph and its caption.
#include "classlib/visual/Buttons.h"
#include "pngctl/PngImage.h"

#include <string>

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
                                   TButtonLayout Layout, int Margin, int Spacing, bool RightToLeft, bool Pressed);

// The layout of a PNG button: Png's size (none when Png is nil or empty) and Caption measured on Canvas with
// BiDiFlags (DT_RIGHT reads right to left) inside the size of Client. Either pressed flag moves glyph and caption
// one pixel right and down.
void CalcButtonLayout(TCanvas* Canvas, TPNGObject* Png, const TRect& Client, TPoint Offset, const std::string& Caption,
                      TButtonLayout Layout, int Margin, int Spacing, TPoint& GlyphPos, TRect& TextBounds,
                      UINT BiDiFlags, bool Pressed, bool Down);

// True when the system draws themed push buttons for this program: a visual style is active, applies to the
// program, and the common controls are of version 6 or later.
bool ThemesEnabled();

// A glyph's colour image (types 2, 3 and 6) loses its gAMA chunk, so that it is drawn as stored; grey images keep
// theirs.
void RemoveGlyphGamma(TPNGObject* Png);

// What both PNG buttons do when their action changes: when Sender is an action whose list's images hold its
// ImageIndex, and the button's Png is empty or came from the action (FromAction), that image is copied into Png.
// True when it was.
bool TakeActionImage(TObject* Sender, TPNGObject* Png, bool FromAction);
