#pragma once
// Gradients of skin sections: the description text ("C1;C2;P;M;x" per stop) and the painter.
#include "classlib/visual/Graphics.h"

#include <cstdint>
#include <string>
#include <vector>

// One stop: a band of the painted height (or width) going from Color1 to Color2.
struct TsGradPie {
    TColor Color1 = 0;
    TColor Color2 = 0;
    uint8_t Percent = 0;  // the band's share, at most 100
    int Mode = 0;         // of the first stop: 0 rows, 1 columns, 2 four triangles; others paint nothing
    int Reserved = 0;
};
using TsGradArray = std::vector<TsGradPie>;

// Replaces Data with the stops of Text: five ";"-separated words per stop, extra words ignored.
// A word that is no integer raises EConvertError; Data then keeps the stops read before it.
void ParseGradientData(const std::string& Text, TsGradArray& Data);

// Paints the stops into the rectangle R of a pf24bit bitmap, clipped to the bitmap.
void PaintGradient(TBitmap* Bmp, TRect R, const TsGradArray& Data);

// The three bytes of a 24-bit pixel in memory order (blue, green, red).
struct TsColor24 {
    uint8_t B, G, R;
};
void ColorToPixel24(TColor Color, TsColor24& Pixel);
