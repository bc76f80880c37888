#pragma once
// A 32-bit top-down DIB section selected into a memory DC, to draw into and read back pixel by pixel.
#include "classlib/visual/Graphics.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

class TestDC {
public:
    TestDC(int w, int h, TColor fill = clWhite) : FWidth(w), FHeight(h) {
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB};
        FDC = CreateCompatibleDC(nullptr);
        FBitmap = CreateDIBSection(FDC, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&FBits), nullptr, 0);
        FOld = SelectObject(FDC, FBitmap);
        Fill(fill);
    }
    ~TestDC() {
        SelectObject(FDC, FOld);
        DeleteObject(FBitmap);
        DeleteDC(FDC);
    }
    TestDC(const TestDC&) = delete;
    TestDC& operator=(const TestDC&) = delete;

    HDC DC() const { return FDC; }
    void Fill(TColor c) {
        GdiFlush();
        std::fill(FBits, FBits + FWidth * FHeight,
                  uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c));
    }
    TColor At(int x, int y) const {
        GdiFlush();
        uint32_t p = FBits[y * FWidth + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

private:
    int FWidth, FHeight;
    HDC FDC;
    HBITMAP FBitmap;
    HGDIOBJ FOld;
    uint32_t* FBits = nullptr;
};

// Colours that differ by at most one in each channel (GDI's blending rounds its own way).
inline bool Near(TColor a, TColor b) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= 1 && std::abs(GetGValue(a) - GetGValue(b)) <= 1 &&
           std::abs(GetBValue(a) - GetBValue(b)) <= 1;
}
