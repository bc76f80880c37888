#pragma once
// The painting unit of the skin library: colour arithmetic, work bitmaps, device-context fills, skinned
// text and the pixel loops that blend and copy skin images into cache bitmaps.
#include "classlib/Graphics.h"

#include <cstdint>

// A colour's four bytes in memory order.
struct TsColorRec {
    uint8_t R, G, B, A;
};

// Each of the three colour bytes := Round(byte1 * K + byte2 * (1 - K)); the high byte is Color1's.
TColor MixColors(TColor Color1, TColor Color2, double K);
// Moves each component Amount percent towards the colour's grey (negative: away from it), clamped to 0..255.
TColor ChangeSaturation(TColor Color, int Amount);
// Turns the colour's hue by Offset degrees (any sign); grey colours stay as they are. The high byte becomes 0.
TColor ChangeHue(int Offset, TColor Color);
TsColorRec MakeColorRec(TColor Color);

// Round(Num / Den) with ties to even, exactly, for Den > 0.
long long RoundDiv(long long Num, long long Den);
