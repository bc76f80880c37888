// Status bars with their adapter on the flat content skin: panel frames or dividers, texts kept inside their
// panels, the simple mode, and a bare status-bar window that has no texts of the class library to show.
#include "ContentFixture.h"

#include <commctrl.h>

#include "classlib/visual/ComCtrls.h"
#include "skin/adapters/acStatusBarWnd.h"

#include <algorithm>

namespace {

// The rows that hold ink of Color among the Width rightmost columns that hold any, inside the area.
int InkRowsAtRightEnd(TBitmap* Bmp, SampleColor Color, int L, int T, int R, int B, int Width) {
    int right = -1;
    for (int x = R - 1; x >= L && right < 0; --x)
        for (int y = T; y < B; ++y)
            if (Px(Bmp, x, y) == Opaque(Color)) {
                right = x;
                break;
            }
    if (right < 0) return 0;
    int rows = 0;
    for (int y = T; y < B; ++y)
        for (int x = std::max(L, right - Width + 1); x <= right; ++x)
            if (Px(Bmp, x, y) == Opaque(Color)) {
                ++rows;
                break;
            }
    return rows;
}

// The bar at the form's bottom with panels of 100 pixels showing Texts.
void AddPanels(TStatusBar* Bar, std::initializer_list<const char*> Texts) {
    Bar->SetAlign(alBottom);
    for (const char* text : Texts) {
        TStatusPanel* panel = Bar->Panels()->Add();
        panel->SetText(text);
        panel->SetWidth(100);
    }
}

// The bar's picture on the screen after it painted itself whole.
std::unique_ptr<TBitmap> Repainted(TStatusBar* Bar) {
    RedrawWindow(Bar->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    Settle();
    return ScreenCopyOf(Bar->Handle());
}

}  // namespace

TEST_F(ContentAdapters, AStatusBarFramesItsPanelsAndShortensTheirTexts) {
    auto* bar = Add<TStatusBar>(0, 0, 400, 24);
    AddPanels(bar, {"Ready", "A text far too long for the narrow panel it stands in", "Last"});
    Attach<TacStatusBarWnd>(bar, "STATUSBAR");
    auto shot = Repainted(bar);
    POINT origin = {0, 0};
    ClientToScreen(bar->Handle(), &origin);
    RECT wr;
    GetWindowRect(bar->Handle(), &wr);
    int dx = origin.x - wr.left, dy = origin.y - wr.top;
    SampleColor frame = FlatGlyphColor("STATUSPANELMASK");
    for (int i = 0; i < 3; ++i) {
        RECT r;
        ASSERT_TRUE(SendMessageW(bar->Handle(), SB_GETRECT, i, reinterpret_cast<LPARAM>(&r)));
        EXPECT_EQ(Px(shot.get(), dx + r.left + 1, dy + (r.top + r.bottom) / 2), Opaque(frame)) << i;
        // The text stays inside its panel: nothing of it right of the text rectangle.
        int inkInside = CountOf(shot.get(), FlatFontColor("STATUSBAR"), dx + r.left + 2, dy + r.top + 2,
                                dx + r.right - 5, dy + r.bottom - 2);
        EXPECT_GT(inkInside, 0) << i;
        EXPECT_EQ(CountOf(shot.get(), FlatFontColor("STATUSBAR"), dx + r.right - 3, dy + r.top, dx + r.right + 1,
                          dy + r.bottom),
                  0)
            << i;
        // The text too long for its panel ends with "...": at its right end only the dots' few rows have ink;
        // a whole letter ends the texts that fit.
        int rows = InkRowsAtRightEnd(shot.get(), FlatFontColor("STATUSBAR"), dx + r.left + 2, dy + r.top + 1,
                                     dx + r.right - 3, dy + r.bottom - 1, 8);
        if (i == 1)
            EXPECT_LE(rows, 3) << i;
        else
            EXPECT_GE(rows, 4) << i;
    }
    // The bar's size grip is the skin's grip image at the bottom-right corner.
    // (drawn through its mask over the panel: red high and blue low, as no section colour of the bar has them).
    auto gripInk = [](TColor c) { return (c & 0xFF) > 0xC0 && ((c >> 16) & 0xFF) < 0x90; };
    EXPECT_GT(CountPx(shot.get(), gripInk, shot->Width() - 12, shot->Height() - 12), 10);
    // Without its grip, under an adapter of its own.
    Adapters.clear();
    Datas.clear();
    bar->SetSizeGrip(false);
    Attach<TacStatusBarWnd>(bar, "STATUSBAR");
    RedrawWindow(bar->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    Settle();
    shot = ScreenCopyOf(bar->Handle());
    EXPECT_EQ(CountPx(shot.get(), gripInk), 0);
    // Simple mode: one frame over the whole bar.
    bar->SetSimplePanel(true);
    bar->SetSimpleText("simple");
    RedrawWindow(bar->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    Settle();
    shot = ScreenCopyOf(bar->Handle());
    EXPECT_EQ(Px(shot.get(), dx, dy + shot->Height() / 2), Opaque(frame));
    EXPECT_GT(CountOf(shot.get(), FlatFontColor("STATUSBAR")), 0);
}

TEST_F(BareContentAdapters, WithoutAPanelMaskEveryPanelButTheLastGetsADivider) {
    auto* bar = Add<TStatusBar>(0, 0, 400, 24);
    bar->SetAlign(alBottom);
    for (int i = 0; i < 3; ++i) bar->Panels()->Add()->SetWidth(100);
    Attach<TacStatusBarWnd>(bar, "STATUSBAR");
    RedrawWindow(bar->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    Settle();
    auto shot = ScreenCopyOf(bar->Handle());
    POINT origin = {0, 0};
    ClientToScreen(bar->Handle(), &origin);
    RECT wr;
    GetWindowRect(bar->Handle(), &wr);
    int dx = origin.x - wr.left, dy = origin.y - wr.top;
    for (int i = 0; i < 3; ++i) {
        RECT r;
        SendMessageW(bar->Handle(), SB_GETRECT, i, reinterpret_cast<LPARAM>(&r));
        int dividers = CountOf(shot.get(), FlatFrameColor("DIVIDER", 0), dx + r.right - 4, dy + r.top, dx + r.right,
                               dy + r.bottom);
        if (i < 2)
            EXPECT_GT(dividers, 0) << i;
        else
            EXPECT_EQ(dividers, 0) << i;
    }
    EXPECT_GT(CountOf(shot.get(), FlatSectionColor("STATUSBAR")), 0);
}

TEST_F(ContentAdapters, ABareStatusBarWindowGetsBackgroundAndFramesButNoTexts) {
    HWND bar = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 300, 400, 24, Form->Handle(),
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(bar);
    int parts[2] = {150, -1};
    SendMessageW(bar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    SendMessageW(bar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L"never drawn"));
    LONG_PTR ownProc = GetWindowLongPtrW(bar, GWLP_WNDPROC);
    {
        auto adapter = CreateAdapter<TacStatusBarWnd>(bar, nullptr, Manager.get(), "STATUSBAR", true);
        EXPECT_EQ(adapter->StatusBar, nullptr);
        RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        Settle();
        auto shot = ScreenCopyOf(bar);
        EXPECT_GT(CountOf(shot.get(), FlatGlyphColor("STATUSPANELMASK")), 0);
        EXPECT_EQ(CountOf(shot.get(), FlatFontColor("STATUSBAR")), 0);
        EXPECT_EQ(CountPx(shot.get(), [](TColor c) { return c == 0; }), 0);
    }
    EXPECT_EQ(GetWindowLongPtrW(bar, GWLP_WNDPROC), ownProc);
    DestroyWindow(bar);
}

TEST_F(PlainContentAdapters, WithoutPanelMaskAndDividerAStatusBarShowsItsBackgroundAndTexts) {
    auto* bar = Add<TStatusBar>(0, 0, 400, 24);
    AddPanels(bar, {"One", "Two", "Three"});
    Attach<TacStatusBarWnd>(bar, "STATUSBAR");
    auto shot = Repainted(bar);
    EXPECT_EQ(CountOf(shot.get(), FlatFrameColor("DIVIDER", 0)), 0);
    EXPECT_EQ(CountOf(shot.get(), FlatGlyphColor("STATUSPANELMASK")), 0);
    EXPECT_GT(CountOf(shot.get(), FlatSectionColor("STATUSBAR")), 1000);
    EXPECT_GT(CountOf(shot.get(), FlatFontColor("STATUSBAR")), 10);
}
