#include "sGraphUtils.h"

#include "classlib/SysUtils.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

inline int ByteOf(TColor c, int shift) { return (static_cast<uint32_t>(c) >> shift) & 0xFF; }
inline int ClampByte(long long v) { return v < 0 ? 0 : v > 255 ? 255 : static_cast<int>(v); }
inline TColor RGBColor(int r, int g, int b) { return static_cast<TColor>(r | (g << 8) | (b << 16)); }

}  // namespace

long long RoundDiv(long long Num, long long Den) {
    long long q = Num / Den, r = Num % Den;
    if (r < 0) {  // floor division, so the remainder lies in 0 .. Den - 1
        --q;
        r += Den;
    }
    if (2 * r > Den || (2 * r == Den && (q & 1)))
        ++q;
    return q;
}

TColor MixColors(TColor Color1, TColor Color2, double K) {
    uint32_t result = static_cast<uint32_t>(Color1) & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        double mixed = ByteOf(Color1, shift) * K + ByteOf(Color2, shift) * (1 - K);
        result |= static_cast<uint32_t>(ClampByte(Round(mixed))) << shift;
    }
    return static_cast<TColor>(result);
}

TColor ChangeSaturation(TColor Color, int Amount) {
    if (Amount == 0)
        return Color;
    int r = ByteOf(Color, 0), g = ByteOf(Color, 8), b = ByteOf(Color, 16);
    long long sum = r + g + b;
    // c + Amount * (mean - c) / 100 with mean = sum / 3, kept as a fraction over 300 so ties round exactly.
    auto shift = [&](int c) { return ClampByte(RoundDiv(300LL * c + Amount * (sum - 3LL * c), 300)); };
    return static_cast<TColor>((static_cast<uint32_t>(Color) & 0xFF000000u) |
                               static_cast<uint32_t>(RGBColor(shift(r), shift(g), shift(b))));
}

TColor ChangeHue(int Offset, TColor Color) {
    int r = ByteOf(Color, 0), g = ByteOf(Color, 8), b = ByteOf(Color, 16);
    int v = std::max({r, g, b}), lo = std::min({r, g, b});
    // Grey (black included) has no hue; testing first also keeps V = 0 from becoming a divisor.
    if (v == lo)
        return Color;
    double delta = v - lo;
    double s = delta / v;
    double h;
    if (r == v)
        h = (g - b) / delta;
    else if (g == v)
        h = 2 + (b - r) / delta;
    else
        h = 4 + (r - g) / delta;
    h = std::fmod(h * 60 + Offset % 360, 360.0);
    if (h < 0)
        h += 360;
    double sector = h / 60;
    int i = static_cast<int>(std::floor(sector));
    double f = sector - i;
    i %= 6;
    double p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    double rr, gg, bb;
    switch (i) {
    case 0: rr = v; gg = t; bb = p; break;
    case 1: rr = q; gg = v; bb = p; break;
    case 2: rr = p; gg = v; bb = t; break;
    case 3: rr = p; gg = q; bb = v; break;
    case 4: rr = t; gg = p; bb = v; break;
    default: rr = v; gg = p; bb = q; break;
    }
    return RGBColor(ClampByte(Round(rr)), ClampByte(Round(gg)), ClampByte(Round(bb)));
}

TsColorRec MakeColorRec(TColor Color) {
    TsColorRec rec;
    std::memcpy(&rec, &Color, sizeof rec);
    return rec;
}
