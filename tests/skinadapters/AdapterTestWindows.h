#pragma once
// Real windows for the adapter tests: a plain top-level parent of its own class with standard children, a window
// class that records the skin commands reaching it, pictures of a window taken by WM_PRINT, and a skin manager on
// the flat sample skin.
#include "tests/skin/PixelTestUtils.h"
#include "tests/skin/SkinSamples.h"
#include "tests/support/ScreenPictures.h"
#include "tests/support/TempDir.h"

#include "skin/engine/sMessages.h"
#include "skin/engine/sSkinManager.h"

#include "classlib/visual/Graphics.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// A skin manager (the default one) with the flat sample skin loaded from a fresh folder.
class FlatSkin {
public:
    FlatSkin() {
        WriteSkinFolder(Dir.Path(), MakeFlatSkin());
        Manager.SetSkinDirectory(Dir.Path());
        Manager.SetSkinName("FLAT");
    }
    int Index(const char* Section) const { return Manager.GetSkinIndex(Section); }
    TempDir Dir;
    TsSkinManager Manager{nullptr};
};

// The skin commands a window of the recording class received, oldest first.
inline std::vector<int>& RecordedCommands() {
    static std::vector<int> commands;
    return commands;
}

inline LRESULT CALLBACK RecordingProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    if (Msg == SM_QUORVEXCMD) {
        RecordedCommands().push_back(SkinCmdOf(WParam));
        return 0;
    }
    return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

// A top-level parent of a plain class of its own (button-face background) for children of the standard classes.
inline const wchar_t* PlainClass() {
    static const wchar_t* name = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.lpszClassName = L"BrimletAdapterTestParent";
        RegisterClassW(&wc);
        WNDCLASSW rc = wc;
        rc.lpfnWndProc = RecordingProc;
        rc.lpszClassName = L"BrimletAdapterTestRecorder";
        RegisterClassW(&rc);
        return L"BrimletAdapterTestParent";
    }();
    return name;
}
inline const wchar_t* RecorderClass() {
    PlainClass();
    return L"BrimletAdapterTestRecorder";
}

// A shown top-level window at (X, Y) of the screen, destroyed with the object.
class PlainParent {
public:
    PlainParent(int X = 40, int Y = 40, int W = 360, int H = 240) {
        Wnd = CreateWindowExW(0, PlainClass(), L"Adapter test", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, X, Y, W, H,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~PlainParent() {
        if (IsWindow(Wnd))
            DestroyWindow(Wnd);
    }
    PlainParent(const PlainParent&) = delete;
    PlainParent& operator=(const PlainParent&) = delete;
    HWND Child(const wchar_t* Class, const wchar_t* Text, DWORD Style, int X, int Y, int W, int H, DWORD ExStyle = 0,
               int Id = 0) {
        return CreateWindowExW(ExStyle, Class, Text, WS_CHILD | WS_VISIBLE | Style, X, Y, W, H, Wnd,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)), GetModuleHandleW(nullptr), nullptr);
    }
    HWND Wnd = nullptr;
};

// The window's picture as its own WM_PRINT paints it (magenta where nothing was painted).
inline std::unique_ptr<TBitmap> PrintWindowPicture(HWND Wnd) {
    RECT r{};
    GetWindowRect(Wnd, &r);
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetHandleType(bmDIB);
    bmp->SetPixelFormat(pf24bit);
    bmp->SetSize(r.right - r.left, r.bottom - r.top);
    HDC dc = bmp->Canvas()->Handle();
    HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255));
    RECT all{0, 0, r.right - r.left, r.bottom - r.top};
    FillRect(dc, &all, magenta);
    DeleteObject(magenta);
    SendMessageW(Wnd, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_NONCLIENT | PRF_ERASEBKGND);
    GdiFlush();
    return bmp;
}

// The colour at (X, Y) of a picture, $00BBGGRR.
inline TColor PixelOf(TBitmap* Bmp, int X, int Y) {
    GdiFlush();
    const uint8_t* p = static_cast<const uint8_t*>(Bmp->ScanLine(Y)) + 3 * X;
    return p[2] | (p[1] << 8) | (p[0] << 16);
}

inline TColor Flat(SampleColor C) { return static_cast<TColor>(C); }
