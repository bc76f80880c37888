#pragma once
// What the adapters paint over and with: the background that a window's parent shows, and one section painted
// into a cache bitmap.
#include "skin/engine/sCommonData.h"
#include "skin/engine/sGraphUtils.h"
#include "skin/engine/sMessages.h"

#include "classlib/Graphics.h"
#include "classlib/Messages.h"

#include <windows.h>

#include <string>

class TsSkinManager;

// The colour a window outside the skin erases itself with (its class brush), clBtnFace when it has none.
TColor acWindowBackground(HWND Wnd);
// What the parent of Wnd shows under it (skin command 34 to the parent); Ready false with the parent's colour
// when it has no picture.
void acGetParentWndCacheInfo(HWND Wnd, TCacheInfo& CacheInfo);
// Paints section SkinIndex of Manager at R of Bmp in State (0 normal, 1 hot, 2 pressed): background (the section's
// colour and gradient, or the hot ones in a state above 0, over the background of CacheInfo at Offset by its
// transparency), then its border mask for State, then the corner images. FillCentre false leaves the border mask's centre alone.
void acPaintSection(int SkinIndex, TsSkinManager* Manager, TBitmap* Bmp, const TRect& R, int State,
                    const TCacheInfo& CacheInfo, const TPoint& Offset, bool FillCentre = true);
