#include "sGradient.h"

#include "acFastPixels.h"
#include "acntUtils.h"

#include "classlib/runtime/SysUtils.h"

#include <windows.h>

#include <algorithm>
#include <string_view>
#include <vector>

void ParseGradientData(const std::string& Text, TsGradArray& Data) {
    Data.clear();
    if (Text.empty())
        return;
    // The words once, in one pass: a text of many stops costs its length, not its length times its stops.
    std::vector<std::string_view> words;
    std::string_view text(Text);
    for (size_t i = 0; i < text.size();) {
        size_t end = text.find(';', i);
        if (end == std::string_view::npos) end = text.size();
        if (end > i) words.push_back(text.substr(i, end - i));
        i = end + 1;
    }
    size_t count = words.size() / 5;
    Data.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const std::string_view* w = &words[5 * i];
        TsGradPie pie;
        pie.Color1 = StrToInt(std::string(w[0]));
        pie.Color2 = StrToInt(std::string(w[1]));
        // A share outside 0..100 is no share of anything: a negative one would wrap into a huge band.
        int percent = StrToInt(std::string(w[2]));
        pie.Percent = static_cast<uint8_t>(percent < 0 ? 0 : percent > 100 ? 100 : percent);
        pie.Mode = StrToInt(std::string(w[3]));
        Data.push_back(pie);
    }
}

void ColorToPixel24(TColor Color, TsColor24& Pixel) {
    Pixel.R = static_cast<uint8_t>(Color & 0xFF);
    Pixel.G = static_cast<uint8_t>((Color >> 8) & 0xFF);
    Pixel.B = static_cast<uint8_t>((Color >> 16) & 0xFF);
}

namespace {

// One band: steps + 1 rows (or columns) from Color1 to Color2, the components kept as reals and rounded.
struct TBand {
    double c[3], inc[3];
    TBand(const TsGradPie& pie, int steps) {
        TsColor24 a, b;
        ColorToPixel24(pie.Color1, a);
        ColorToPixel24(pie.Color2, b);
        const uint8_t from[3] = {a.B, a.G, a.R}, to[3] = {b.B, b.G, b.R};
        for (int k = 0; k < 3; ++k) {
            c[k] = from[k];
            inc[k] = (static_cast<double>(to[k]) - from[k]) / steps;
        }
    }
    void Pixel(uint8_t out[3]) const {
        for (int k = 0; k < 3; ++k) {
            long long v = Round(c[k]);
            out[k] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
        }
    }
    void Step() {
        for (int k = 0; k < 3; ++k)
            c[k] += inc[k];
    }
};

void PaintTriangles(TBitmap* Bmp, const TRect& R, const TsGradArray& Data) {
    const LONG corners[5][2] = {{R.left, R.top},
                                {R.left + (R.right - R.left) / 2, R.top + (R.bottom - R.top) / 2},
                                {R.right, R.top},
                                {R.right, R.bottom},
                                {R.left, R.bottom}};
    TRIVERTEX v[5];
    TColor colour = Data[0].Color1;
    for (int i = 0; i < 5; ++i) {
        if (i < static_cast<int>(Data.size()))
            colour = Data[i].Color1;  // a missing stop takes the previous vertex's colour
        v[i].x = corners[i][0];
        v[i].y = corners[i][1];
        v[i].Red = static_cast<COLOR16>((colour & 0xFF) << 8);
        v[i].Green = static_cast<COLOR16>(((colour >> 8) & 0xFF) << 8);
        v[i].Blue = static_cast<COLOR16>(((colour >> 16) & 0xFF) << 8);
        v[i].Alpha = 0;
    }
    GRADIENT_TRIANGLE triangles[4] = {{0, 1, 2}, {1, 2, 3}, {0, 1, 4}, {4, 1, 3}};
    GradientFill(Bmp->Canvas()->Handle(), v, 5, triangles, 4, GRADIENT_FILL_TRIANGLE);
    GdiFlush();
}

}  // namespace

void PaintGradient(TBitmap* Bmp, TRect R, const TsGradArray& Data) {
    TacPixelRows rows;
    if (Data.empty() || !AttachRows(Bmp, 3, rows))
        return;
    R.right = std::min<LONG>(R.right, rows.Width);
    R.bottom = std::min<LONG>(R.bottom, rows.Height);
    R.left = std::max<LONG>(R.left, 0);
    R.top = std::max<LONG>(R.top, 0);
    if (R.IsEmpty())
        return;
    const int count = static_cast<int>(Data.size());
    switch (Data[0].Mode) {
    case 0: {
        int h = R.Height(), y = R.top;
        for (int i = 0; i < count; ++i) {
            int prev = y;
            y = prev + h * Data[i].Percent / 100;
            y = i == count - 1 ? R.bottom - 1 : std::min<int>(y, R.bottom - 1);
            if (y - prev < 1)
                continue;
            TBand band(Data[i], y - prev);
            for (int row = prev; row <= y; ++row, band.Step()) {
                uint8_t px[3];
                band.Pixel(px);
                uint8_t* p = rows.At(R.left, row);
                for (int x = R.left; x < R.right; ++x, p += 3)
                    p[0] = px[0], p[1] = px[1], p[2] = px[2];
            }
        }
        break;
    }
    case 1:
        for (int row = R.top; row < R.bottom; ++row) {
            uint8_t* line = rows.At(0, row);
            int x = R.left;
            for (int i = 0; i < count; ++i) {
                int prev = x;
                x = static_cast<int>(Round(prev + Data[i].Percent * static_cast<double>(R.right - R.left) / 100));
                x = i == count - 1 ? R.right - 1 : std::min<int>(x, R.right - 1);
                if (x - prev < 1)
                    continue;
                TBand band(Data[i], x - prev);
                for (int col = prev; col <= x; ++col, band.Step())
                    band.Pixel(line + col * 3);
            }
        }
        break;
    case 2:
        PaintTriangles(Bmp, R, Data);
        break;
    default:
        break;
    }
}
