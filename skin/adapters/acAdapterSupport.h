#pragma once
// The skin-state queries and section painting in the form the adapters call them: whether painting must wait,
// whether a control shows its hot look, the background colour and information a window gives its children, the
// background that a window's parent shows, and one section painted into a cache bitmap.
#include "skin/engine/sCommonData.h"
#include "skin/engine/sGraphUtils.h"
#include "skin/engine/sMessages.h"

#include "classlib/Graphics.h"
#include "classlib/Messages.h"

#include <windows.h>

#include <string>

class TsSkinManager;

// Painting must wait: the skin data is updating, or (for an owner control) its parent is busy.
bool acNeedsRepaint(TsCommonData* SkinData);
// The owner control is enabled and focused or under the mouse.
bool acControlIsActive(TsCommonData* SkinData);
// The background colour of the skinned window (skin command 21): the section's colour, mixed with the parent's
// colour by the section's transparency.
TColor acGetBGColor(TsCommonData* SkinData, bool Hot, HWND Wnd);
// Fills the answer to skin command 34: a colour for a flat section, else the window's own cache bitmap, else the
// background of its parent.
void acGetBGInfo(TsCommonData* SkinData, TacBGInfo& Info, bool Hot, HWND Wnd);
// Skin command 19: 1 when the background a child sees depends on its position in the window.
LRESULT acBgDependsOnPos(TsCommonData* SkinData);
// What the parent of Wnd shows under it (skin command 34 to the parent); Ready false with the parent's colour
// when it has no picture.
void acGetParentWndCacheInfo(HWND Wnd, TCacheInfo& CacheInfo);
// Paints section SkinIndex of Manager at R of Bmp in State (0 normal, 1 hot, 2 pressed): background (the section's
// colour, or its hot colour in a state above 0, over the background of CacheInfo at Offset by its transparency),
// then its border mask for State, then the corner images. FillCentre false leaves the border mask's centre alone.
void acPaintSection(int SkinIndex, TsSkinManager* Manager, TBitmap* Bmp, const TRect& R, int State,
                    const TCacheInfo& CacheInfo, const TPoint& Offset, bool FillCentre = true);
