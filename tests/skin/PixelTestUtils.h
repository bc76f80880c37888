#pragma once
// Small synthetic bitmaps for the pixel tests: made, filled and read byte by byte through the scan lines.
#include "classlib/visual/Graphics.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>

inline TColor RGBc(int r, int g, int b) { return r | (g << 8) | (b << 16); }

inline std::unique_ptr<TBitmap> MakeBmp(int w, int h, TColor fill = 0, TPixelFormat format = pf24bit) {
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetHandleType(bmDIB);
    bmp->SetPixelFormat(format);
    bmp->SetSize(w, h);
    int bpp = format == pf32bit ? 4 : 3;
    for (int y = 0; y < h; ++y) {
        auto* p = static_cast<uint8_t*>(bmp->ScanLine(y));
        for (int x = 0; x < w; ++x, p += bpp) {
            p[0] = (fill >> 16) & 0xFF, p[1] = (fill >> 8) & 0xFF, p[2] = fill & 0xFF;
            if (bpp == 4)
                p[3] = (static_cast<uint32_t>(fill) >> 24) & 0xFF;
        }
    }
    return bmp;
}

inline int BppOf(TBitmap* b) { return b->PixelFormat() == pf32bit ? 4 : b->PixelFormat() == pf8bit ? 1 : 3; }

// $00BBGGRR (for 32-bit bitmaps the alpha byte in the top byte).
inline TColor Px(TBitmap* b, int x, int y) {
    GdiFlush();
    int bpp = BppOf(b);
    const uint8_t* p = static_cast<uint8_t*>(b->ScanLine(y)) + x * bpp;
    if (bpp == 1)
        return p[0];
    TColor c = p[2] | (p[1] << 8) | (p[0] << 16);
    return bpp == 4 ? static_cast<TColor>(static_cast<uint32_t>(c) | (static_cast<uint32_t>(p[3]) << 24)) : c;
}

inline void SetPx(TBitmap* b, int x, int y, TColor c) {
    int bpp = BppOf(b);
    uint8_t* p = static_cast<uint8_t*>(b->ScanLine(y)) + x * bpp;
    if (bpp == 1) {
        p[0] = c & 0xFF;
        return;
    }
    p[0] = (c >> 16) & 0xFF, p[1] = (c >> 8) & 0xFF, p[2] = c & 0xFF;
    if (bpp == 4)
        p[3] = (static_cast<uint32_t>(c) >> 24) & 0xFF;
}

inline void FillPx(TBitmap* b, int l, int t, int r, int bt, TColor c) {
    for (int y = t; y < bt; ++y)
        for (int x = l; x < r; ++x)
            SetPx(b, x, y, c);
}

inline int CountPx(TBitmap* b, const std::function<bool(TColor)>& match, int l = 0, int t = 0, int r = -1,
                   int bt = -1) {
    if (r < 0)
        r = b->Width();
    if (bt < 0)
        bt = b->Height();
    int n = 0;
    for (int y = t; y < bt; ++y)
        for (int x = l; x < r; ++x)
            n += match(Px(b, x, y)) ? 1 : 0;
    return n;
}
// A sample colour as a 24-bit picture shows it: its top byte (a sample's alpha) dropped.
inline TColor Opaque(uint32_t c) { return static_cast<TColor>(c & 0xFFFFFF); }

// Pixels of colour c (its top byte dropped) in the rectangle l, t, r, bt of the picture; r and bt of -1 reach its
// right and bottom edges.
inline int CountOf(TBitmap* b, uint32_t c, int l = 0, int t = 0, int r = -1, int bt = -1) {
    TColor want = Opaque(c);
    return CountPx(
        b, [want](TColor p) { return p == want; }, l, t, r, bt);
}
inline int CountOf(TBitmap* b, uint32_t c, const RECT& R) { return CountOf(b, c, R.left, R.top, R.right, R.bottom); }

inline int CountColor(TBitmap* b, TColor c) {
    return CountPx(b, [c](TColor p) { return p == c; });
}

// One channel of the formula dst := ((below - S) * M + S * 256) shr 8.
inline int MaskMix(int below, int s, int m) { return ((below - s) * m + s * 256) >> 8; }
