#pragma once
// Small painting steps that the container and bar adapters share: copying a cache bitmap to a window without
// painting over its child windows, and the part of a parent's background that lies under a rectangle of a window.
#include "skin/engine/sGraphUtils.h"

#include "classlib/Graphics.h"

#include <windows.h>

class TWinControl;

// Copies R of Cache to the same place of DC, leaving out the rectangles of Wnd's visible child windows (in the
// coordinates of Wnd's window rectangle; the client offset ClientOffset is added for a DC of the client area).
void CopyCacheSkippingChildren(HWND Wnd, HDC DC, TBitmap* Cache, const TRect& R, const TPoint& ClientOffset = TPoint());
// Fills R of Bmp with what lies under R of a window at Pos in its parent: the parent's picture when the cache info
// has one, else its colour.
void FillFromParentInfo(TBitmap* Bmp, const TRect& R, const TCacheInfo& Info, const TPoint& Pos);
// Paints the windowless children of Control into DC (whose origin is Control's client origin moved by Offset).
void PaintGraphicChildren(TWinControl* Control, HDC DC, const TPoint& Offset);
class TsSkinManager;
// Paints section SkinIndex in State into R of Bmp over the picture of Below at BelowPos (for R's top-left corner):
// a see-through section shows that picture, an opaque one covers it with its colour and frame.
void PaintSectionOver(int SkinIndex, TsSkinManager* Manager, TBitmap* Bmp, const TRect& R, int State, TBitmap* Below,
                      const TPoint& BelowPos);
