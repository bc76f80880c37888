#pragma once
// What the container and bar adapter tests share: a skinned plain parent on the flat skin, screen positions of
// windows, and pixel helpers.
#include "tests/support/SyntheticInput.h"
#include "tests/skinadapters/AdapterTestWindows.h"
#include "tests/support/MessageLoop.h"

#include "skin/adapters/acSBUtils.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>

inline bool Near(TColor A, TColor B, int Tolerance = 2) {
    for (int shift : {0, 8, 16})
        if (std::abs(static_cast<int>((A >> shift) & 0xFF) - static_cast<int>((B >> shift) & 0xFF)) > Tolerance)
            return false;
    return true;
}

inline TColor Mix(TColor Own, TColor Below, double K) {
    TColor c = 0;
    for (int shift : {0, 8, 16}) {
        double v = ((Own >> shift) & 0xFF) * K + ((Below >> shift) & 0xFF) * (1 - K);
        c |= static_cast<TColor>(static_cast<int>(v + 0.5)) << shift;
    }
    return c;
}

inline POINT CentreOf(HWND Wnd) {
    RECT r{};
    GetWindowRect(Wnd, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

inline WNDPROC ProcOf(HWND Wnd) { return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(Wnd, GWLP_WNDPROC)); }

inline TColor FlatColor(const char* Section, int State = 0) {
    const FlatSectionColors& s = FlatSection(Section);
    return Flat(State == 0 ? s.Color : s.HotColor);
}
inline TColor FlatBorder(const char* Section, int State = 0) { return Flat(FlatSection(Section).Border[State]); }
inline TColor FlatGlyphColor(const char* Section, const char* Key, int State = 0) {
    return Flat(FlatGlyph(Section, Key).State[State]);
}

// A shown plain parent skinned by a base adapter (as a skinned dialog is), the flat skin in force, and the
// count of live adapters checked at the end.
class ContainerFixture : public ::testing::Test {
protected:
    void SetUp() override {
        live = TacMainWnd::LiveCount();
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&icc);
        parentAdapter = CreateAdapter<TacMainWnd>(parent.Wnd, nullptr, nullptr, "", true);
        SetForegroundWindow(parent.Wnd);
        ParkPointer();
        PumpMessagesFor(30);
    }
    void TearDown() override {
        parentAdapter.reset();
        EXPECT_EQ(TacMainWnd::LiveCount(), live) << "an adapter leaked or was freed twice";
    }
    // The parent's own colour: its class brush.
    static TColor ParentColor() { return static_cast<TColor>(GetSysColor(COLOR_BTNFACE)); }

    FlatSkin skin;
    PlainParent parent{40, 40, 420, 320};
    TacAdapterPtr<TacMainWnd> parentAdapter;
    int live = 0;
};
