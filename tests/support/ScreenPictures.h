#pragma once
// Pictures of windows for the tests that look at what a user sees: the screen's own pixels, or what a window prints
// of itself, as 24-bit bitmaps of the visual class library (only tests that link it include this).
#include "classlib/visual/Graphics.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

// A 24-bit device-independent bitmap of that size, every pixel the fill colour.
inline std::unique_ptr<TBitmap> FilledPicture(int Width, int Height, TColor Fill) {
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetHandleType(bmDIB);
    bmp->SetPixelFormat(pf24bit);
    bmp->SetSize(Width, Height);
    for (int y = 0; y < Height; ++y) {
        auto* p = static_cast<uint8_t*>(bmp->ScanLine(y));
        for (int x = 0; x < Width; ++x, p += 3)
            p[0] = (Fill >> 16) & 0xFF, p[1] = (Fill >> 8) & 0xFF, p[2] = Fill & 0xFF;
    }
    return bmp;
}

// What the screen shows of a rectangle in screen coordinates. Only what lies on the screen is copied (a maximized
// window reaches past its edges, and a copy reaching past them copies nothing at all); the rest keeps the fill.
inline std::unique_ptr<TBitmap> ScreenCopy(const RECT& R, TColor Fill = 0) {
    auto bmp = FilledPicture(R.right - R.left, R.bottom - R.top, Fill);
    int l = std::max<int>(R.left, 0), t = std::max<int>(R.top, 0);
    int w = std::min<int>(R.right, GetSystemMetrics(SM_CXSCREEN)) - l;
    int h = std::min<int>(R.bottom, GetSystemMetrics(SM_CYSCREEN)) - t;
    if (w > 0 && h > 0) {
        HDC screen = GetDC(nullptr);
        BitBlt(bmp->Canvas()->Handle(), l - R.left, t - R.top, w, h, screen, l, t, SRCCOPY);
        ReleaseDC(nullptr, screen);
    }
    GdiFlush();
    return bmp;
}

// What the screen shows of the whole window, frame included, from its top left corner.
inline std::unique_ptr<TBitmap> ScreenCopyOf(HWND Wnd, TColor Fill = 0) {
    RECT r{};
    GetWindowRect(Wnd, &r);
    return ScreenCopy(r, Fill);
}

// What the screen shows of the window's client area.
inline std::unique_ptr<TBitmap> ScreenCopyOfClient(HWND Wnd, TColor Fill = 0) {
    RECT r{};
    GetClientRect(Wnd, &r);
    POINT origin{0, 0};
    ClientToScreen(Wnd, &origin);
    OffsetRect(&r, origin.x, origin.y);
    return ScreenCopy(r, Fill);
}

// The window's picture as it prints itself (frame and client) into a magenta bitmap of its size.
inline std::unique_ptr<TBitmap> PrintOf(HWND Wnd) {
    RECT r{};
    GetWindowRect(Wnd, &r);
    auto bmp = FilledPicture(r.right - r.left, r.bottom - r.top, clFuchsia);
    SendMessageW(Wnd, WM_PRINT, reinterpret_cast<WPARAM>(bmp->Canvas()->Handle()),
                 PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
    GdiFlush();
    return bmp;
}

// Keeps a picture as a BMP file for a person to look at, when BRIMLET_SHOTS_DIR names a folder (a Windows path).
inline void KeepShot(TBitmap* Bmp, const std::string& Name) {
    const char* dir = std::getenv("BRIMLET_SHOTS_DIR");
    if (dir && *dir)
        Bmp->SaveToFile(std::string(dir) + "\\" + Name + ".bmp");
}
