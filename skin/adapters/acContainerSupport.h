#pragma once
// Small painting steps that the container and bar adapters and the frame adapter share: copying a cache bitmap to
// a window without painting over its child windows, the part of a parent's background that lies under a rectangle
// of a window, a section painted over a picture, and the opacity that a container's control had before its adapter
// made it opaque.
#include "skin/engine/sGraphUtils.h"

#include "classlib/visual/Graphics.h"

#include <windows.h>

class TsCommonData;
class TsSkinManager;

class TWinControl;

// Copies R of Cache to the same place of DC, leaving out the rectangles of Wnd's visible child windows (in the
// coordinates of Wnd's window rectangle; the client offset ClientOffset is added for a DC of the client area).
void CopyCacheSkippingChildren(HWND Wnd, HDC DC, TBitmap* Cache, const TRect& R, const TPoint& ClientOffset = TPoint());
// Paints the windowless children of Control into DC (whose origin is Control's client origin moved by Offset).
void PaintGraphicChildren(TWinControl* Control, HDC DC, const TPoint& Offset);
// Fills R of Bmp with what lies under R of a window at Pos in its parent: the parent's picture when the cache info
// has one, else its colour.
void FillFromParentInfo(TBitmap* Bmp, const TRect& R, const TCacheInfo& Info, const TPoint& Pos);
// The colour under Wnd when its parent answered with none: the parent window's own background.
TColor ColorBelow(const TCacheInfo& Info, HWND Wnd);
// Paints section SkinIndex in State into R of Bmp over the picture of Below at BelowPos (for R's top-left corner):
// a see-through section shows that picture, an opaque one covers it with its colour and frame.
void PaintSectionOver(int SkinIndex, TsSkinManager* Manager, TBitmap* Bmp, const TRect& R, int State, TBitmap* Below,
                      const TPoint& BelowPos);
// Whether the skin data's owner control paints its whole area itself (false without an owner control).
bool OwnerIsOpaque(const TsCommonData* SkinData);
// Gives the skin data's owner control back the opacity it had before the skin came.
void RestoreOwnerOpacity(const TsCommonData* SkinData, bool Opaque);
