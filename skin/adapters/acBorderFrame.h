#pragma once
// The skinned border of a control or form, drawn into its skin data's cache bitmap.
#include "classlib/runtime/Types.h"

#include <windows.h>

class TsCommonData;

// Paints the section's "BORDERSMASK" as a 9-slice frame in State (0 normal, 1 hot) over R of SkinData's cache
// bitmap (with the parent's picture, or the background colour, under a frame whose image has a mask), then a
// plain band BorderWidth wide in the background colour inside it; the band's strips are also copied to DC when
// DC is not the cache's own. ClientR receives what lies inside the frame (inside the band when there is one),
// never inverted. Without a border mask only the band is painted, straight onto DC, and ClientR is left alone.
void PaintBorderFrame(HDC DC, const TRect& R, int BorderWidth, TRect& ClientR, int State, TsCommonData* SkinData);
