#pragma once
// What the adapters paint over: the background that a window's parent shows.
#include "skin/engine/sCommonData.h"
#include "skin/engine/sGraphUtils.h"
#include "skin/engine/sMessages.h"

#include "classlib/visual/Graphics.h"
#include "classlib/runtime/Messages.h"

#include <windows.h>

#include <string>

class TsSkinManager;

// The colour a window outside the skin erases itself with (its class brush), clBtnFace when it has none.
TColor acWindowBackground(HWND Wnd);
// What the parent of Wnd shows under it (GetParentWndCacheInfo, skin command 34 to the parent); Ready false with
// the parent's colour when it has no picture, its own background colour when it does not answer.
void acGetParentWndCacheInfo(HWND Wnd, TCacheInfo& CacheInfo);
// The section item painted by the engine's painter (PaintSkinItem) with the section's own textures, in the
// argument order of the menu window adapter; FillCentre false leaves the border frame's centre piece out.
void acPaintSection(int SkinIndex, TsSkinManager* Manager, TBitmap* Bmp, const TRect& R, int State,
                    const TCacheInfo& CacheInfo, const TPoint& Offset, bool FillCentre = true);
