// Skinned scroll bars on real windows under Xvfb: a child window with both bars filling a top-level window,
// skinned with the flat sample skin, driven by real input; pictures read from the screen.
#include "skin/adapters/acComboWnd.h"
#include "skin/adapters/acScrollBars.h"

#include "tests/support/SyntheticInput.h"
#include "tests/skin/FlatSkinSamples.h"
#include "tests/skin/SkinManagerFixtures.h"
#include "tests/skin/SkinTestControls.h"
#include "tests/support/MessageLoop.h"
#include "tests/support/ScreenPictures.h"
#include "tests/skin/PixelTestUtils.h"

#include "skin/engine/sCommonData.h"
#include "skin/engine/sConst.h"

#include "classlib/visual/Forms.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// What the scrolled window received, in order: its scroll messages and the scroll-step commands around them.
struct Step {
    UINT Msg;     // WM_HSCROLL, WM_VSCROLL or SM_QUORVEXCMD
    int Code;     // scroll code, or the skin command
    int Pos;      // the position sent with the scroll message; its scroll position at a command
};

std::vector<Step> gSteps;
// Command 51 answered 1: the window positions its bars itself.
bool gAnswerStepBegins = false;
// The window moves its bars as it is asked (as a scrolling control does).
bool gFollowsScrolls = true;

int ScrollBy(HWND Wnd, int Bar, int Code, int Pos) {
    SCROLLINFO si = {sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(Wnd, Bar, &si);
    int page = std::max<int>(si.nPage, 1);
    switch (Code) {
    case SB_LINEUP: return si.nPos - 1;
    case SB_LINEDOWN: return si.nPos + 1;
    case SB_PAGEUP: return si.nPos - page;
    case SB_PAGEDOWN: return si.nPos + page;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: return Pos;
    default: return si.nPos;
    }
}

LRESULT CALLBACK ScrolledProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    if (Msg == WM_HSCROLL || Msg == WM_VSCROLL) {
        int code = LOWORD(WParam), pos = static_cast<short>(HIWORD(WParam));
        gSteps.push_back({Msg, code, pos});
        if (gFollowsScrolls && code != SB_ENDSCROLL) {
            int bar = Msg == WM_HSCROLL ? SB_HORZ : SB_VERT;
            SetScrollPos(Wnd, bar, ScrollBy(Wnd, bar, code, pos), TRUE);
        }
        return 0;
    }
    if (Msg == SM_QUORVEXCMD) {
        int cmd = SkinCmdOf(WParam);
        if (cmd == scScrollStepBegins || cmd == scScrollStepEnds) {
            int bar = HIWORD(LParam) == WM_HSCROLL ? SB_HORZ : SB_VERT;
            gSteps.push_back({SM_QUORVEXCMD, cmd, GetScrollPos(Wnd, bar)});
            return cmd == scScrollStepBegins && gAnswerStepBegins ? 1 : 0;
        }
    }
    return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

LRESULT CALLBACK FrameProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

void RegisterClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    WNDCLASSW wc = {};
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpfnWndProc = ScrolledProc;
    wc.lpszClassName = L"SkinScrollTestChild";
    RegisterClassW(&wc);
    wc.lpfnWndProc = FrameProc;
    wc.lpszClassName = L"SkinScrollTestFrame";
    RegisterClassW(&wc);
}

TColor Flat(const char* Section, int State) { return static_cast<TColor>(FlatStateColor(Section, State)); }

class ScrollBars : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterClasses();
        gSteps.clear();
        gAnswerStepBegins = false;
        gFollowsScrolls = true;
        manager = ManagerOn(samples.Path());
        manager->SetSkinName("FLATSCROLL");
        ASSERT_TRUE(manager->Active());
        frame = CreateWindowExW(0, L"SkinScrollTestFrame", L"Scroll bars", WS_POPUP | WS_VISIBLE, 40, 40, 300, 240,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ParkPointer();
    }
    void TearDown() override {
        adapter.reset();
        if (frame)
            DestroyWindow(frame);
        manager.reset();
        PumpMessagesFor(50);
    }
    // The scrolled child filling the frame's client area, with a range of 0..99 and a page of 20 on both bars.
    HWND MakeScrolled(DWORD ExStyle = 0, int Width = 300, int Height = 240) {
        scrolled = CreateWindowExW(ExStyle, L"SkinScrollTestChild", L"", WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL,
                                   0, 0, Width, Height, frame, nullptr, GetModuleHandleW(nullptr), nullptr);
        for (int bar : {SB_HORZ, SB_VERT}) {
            SCROLLINFO si = {sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 20, 0, 0};
            SetScrollInfo(scrolled, bar, &si, TRUE);
        }
        return scrolled;
    }
    void Skin() {
        adapter = CreateAdapter<TacScrollWnd>(scrolled, nullptr, manager.get(), "EDIT", true);
        Settle();
    }
    void Settle() {
        UpdateWindow(frame);
        RedrawWindow(scrolled, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
        PumpMessagesFor(60);
    }
    TRect BarRect(int Bar) { return GetScrollRect(adapter.get(), scrolled, Bar); }
    TacBarLayout Layout(int Bar) {
        TRect r = BarRect(Bar);
        TacScrollBar* b = adapter->Bar(Bar);
        return CalcBarLayout(r, Bar == SB_VERT, GetScrollMetric(b, false), b->ScrollInfo, b->MinThumbSize);
    }
    // Screen points in the middle of a part of the vertical bar.
    TPoint VPoint(int Part) {
        TRect r = BarRect(SB_VERT);
        TacBarLayout l = Layout(SB_VERT);
        int x = (r.left + r.right) / 2, y = 0;
        switch (Part) {
        case sbpLineUp: y = r.top + l.Arrow / 2; break;
        case sbpLineDown: y = r.bottom - l.Arrow / 2 - 1; break;
        case sbpThumb: y = l.ThumbStart + l.ThumbLength / 2; break;
        case sbpPageUp: y = (r.top + l.Arrow + l.ThumbStart) / 2; break;
        case sbpPageDown: y = (l.ThumbStart + l.ThumbLength + r.bottom - l.Arrow) / 2; break;
        }
        return TPoint(x, y);
    }
    TColor At(const TPoint& P) { return static_cast<TColor>(ScreenPixel(P.x, P.y)); }
    // Holds the mouse button down at P; true once the bars took the press.
    bool HoldAt(const TPoint& P) {
        MoveMouseTo(P.x, P.y);
        PumpMessagesFor(60);
        MouseButton(true);
        return PumpMessagesUntil([&] { return acScrollTracking.PressedWnd == scrolled; }, 2000);
    }
    int Count(UINT Msg, int Code) {
        int n = 0;
        for (const Step& s : gSteps)
            n += s.Msg == Msg && s.Code == Code;
        return n;
    }

    SampleSkinDir samples{MakeFlatScrollSkin()};
    std::unique_ptr<TsSkinManager> manager;
    HWND frame = nullptr;
    HWND scrolled = nullptr;
    TacAdapterPtr<TacScrollWnd> adapter;
};

}  // namespace

TEST_F(ScrollBars, TakeTheirRoomAndPaintEverySectionInItsNormalState) {
    MakeScrolled();
    TRect before;
    GetClientRect(scrolled, &before);
    Skin();
    TRect client;
    GetClientRect(scrolled, &client);
    int w = GetSystemMetrics(SM_CXVSCROLL), h = GetSystemMetrics(SM_CYHSCROLL);
    EXPECT_EQ(client.right, 300 - w);
    EXPECT_EQ(client.bottom, 240 - h);
    EXPECT_EQ(adapter->HScrollBar->Visible, 1);
    EXPECT_EQ(adapter->VScrollBar->Visible, 1);
    EXPECT_EQ(At(VPoint(sbpLineUp)), Flat("SCROLLBTNTOP", 0));
    EXPECT_EQ(At(VPoint(sbpLineDown)), Flat("SCROLLBTNBOTTOM", 0));
    EXPECT_EQ(At(VPoint(sbpThumb)), Flat("SCROLLSLIDERV", 0));
    EXPECT_EQ(At(VPoint(sbpPageDown)), Flat("SCROLLBAR2V", 0));
    // The thumb of a page of 20 in 100 is a fifth of the track, at least 10 pixels.
    TacBarLayout v = Layout(SB_VERT);
    EXPECT_EQ(v.ThumbLength, std::max(MulDiv(20, v.Work, 100), 10));
    TRect hr = BarRect(SB_HORZ);
    TacBarLayout hl = Layout(SB_HORZ);
    int y = (hr.top + hr.bottom) / 2;
    EXPECT_EQ(At(TPoint(hr.left + 3, y)), Flat("SCROLLBTNLEFT", 0));
    EXPECT_EQ(At(TPoint(hr.right - 4, y)), Flat("SCROLLBTNRIGHT", 0));
    EXPECT_EQ(At(TPoint(hl.ThumbStart + hl.ThumbLength / 2, y)), Flat("SCROLLSLIDERH", 0));
    EXPECT_EQ(At(TPoint(hr.right - hl.Arrow - 3, y)), Flat("SCROLLBAR2H", 0));
    // The corner between the bars is a size grip (the window fills its top-level parent): the grip's glyph at
    // its bottom-right, the window's background elsewhere.
    TRect vr = BarRect(SB_VERT);
    EXPECT_EQ(At(TPoint(vr.right - 2, hr.bottom - 2)), static_cast<TColor>(FlatGripColor));
    EXPECT_EQ(At(TPoint(vr.left, hr.top)), Flat("EDIT", 0));
    EXPECT_EQ(SendMessageW(scrolled, WM_NCHITTEST, 0, MAKELPARAM(vr.right - 2, hr.bottom - 2)), HTBOTTOMRIGHT);
    EXPECT_EQ(SendMessageW(scrolled, WM_NCHITTEST, 0, MAKELPARAM(VPoint(sbpThumb).x, VPoint(sbpThumb).y)), HTVSCROLL);
}

TEST_F(ScrollBars, WindowPrintShowsTheSkinnedBars) {
    MakeScrolled();
    Skin();
    auto bmp = CreateBmp24(300, 240);
    SendMessageW(scrolled, WM_PRINT, reinterpret_cast<WPARAM>(bmp->Canvas()->Handle()), PRF_NONCLIENT | PRF_CLIENT);
    TRect wr;
    GetWindowRect(scrolled, &wr);
    TPoint up = VPoint(sbpLineUp), thumb = VPoint(sbpThumb);
    EXPECT_EQ(bmp->Canvas()->Pixels(up.x - wr.left, up.y - wr.top), Flat("SCROLLBTNTOP", 0));
    EXPECT_EQ(bmp->Canvas()->Pixels(thumb.x - wr.left, thumb.y - wr.top), Flat("SCROLLSLIDERV", 0));
}

TEST_F(ScrollBars, TheHoveredPartIsHotUntilTheCursorLeaves) {
    MakeScrolled();
    Skin();
    TPoint down = VPoint(sbpLineDown), thumb = VPoint(sbpThumb);
    MoveMouseTo(down.x, down.y);
    ASSERT_TRUE(PumpMessagesUntil([&] { return At(down) == Flat("SCROLLBTNBOTTOM", 1); }, 2000));
    EXPECT_EQ(At(thumb), Flat("SCROLLSLIDERV", 0));
    EXPECT_EQ(acScrollTracking.HotWnd, scrolled);
    MoveMouseTo(thumb.x, thumb.y);
    ASSERT_TRUE(PumpMessagesUntil([&] { return At(thumb) == Flat("SCROLLSLIDERV", 1); }, 2000));
    EXPECT_EQ(At(down), Flat("SCROLLBTNBOTTOM", 0));
    // Into the client area: the hot timer ends and every part is normal again.
    MoveMouseTo(100, 100);
    ASSERT_TRUE(PumpMessagesUntil([&] { return acScrollTracking.HotWnd == nullptr; }, 2000));
    PumpMessagesFor(50);
    EXPECT_EQ(At(thumb), Flat("SCROLLSLIDERV", 0));
    EXPECT_EQ(acScrollTracking.HotTimerId, 0u);
}

TEST_F(ScrollBars, AHeldArrowStepsRepeatsAndStopsWhileTheCursorIsOffIt) {
    MakeScrolled();
    Skin();
    TPoint down = VPoint(sbpLineDown);
    MoveMouseTo(down.x, down.y);
    PumpMessagesFor(60);
    MouseButton(true);
    ASSERT_TRUE(PumpMessagesUntil([&] { return Count(WM_VSCROLL, SB_LINEDOWN) >= 1; }, 2000));
    // The first step is bracketed by the scroll-step commands.
    ASSERT_GE(gSteps.size(), 3u);
    EXPECT_EQ(gSteps[0].Msg, SM_QUORVEXCMD);
    EXPECT_EQ(gSteps[0].Code, scScrollStepBegins);
    EXPECT_EQ(gSteps[1].Msg, static_cast<UINT>(WM_VSCROLL));
    EXPECT_EQ(gSteps[2].Code, scScrollStepEnds);
    EXPECT_EQ(At(down), Flat("SCROLLBTNBOTTOM", 2));
    // Held: after the first delay the steps repeat.
    ASSERT_TRUE(PumpMessagesUntil([&] { return Count(WM_VSCROLL, SB_LINEDOWN) >= 4; }, 3000));
    // Off the arrow the steps stop and the arrow looks normal.
    TPoint away = VPoint(sbpLineUp);
    MoveMouseTo(away.x - 60, away.y + 60);
    PumpMessagesFor(150);
    int held = Count(WM_VSCROLL, SB_LINEDOWN);
    PumpMessagesFor(400);
    EXPECT_EQ(Count(WM_VSCROLL, SB_LINEDOWN), held);
    EXPECT_EQ(At(down), Flat("SCROLLBTNBOTTOM", 0));
    // Back on it they resume.
    MoveMouseTo(down.x, down.y);
    ASSERT_TRUE(PumpMessagesUntil([&] { return Count(WM_VSCROLL, SB_LINEDOWN) >= held + 2; }, 3000));
    MouseButton(false);
    ASSERT_TRUE(PumpMessagesUntil([&] { return Count(WM_VSCROLL, SB_ENDSCROLL) == 1; }, 2000));
    EXPECT_EQ(GetScrollPos(scrolled, SB_VERT), Count(WM_VSCROLL, SB_LINEDOWN));
    EXPECT_EQ(acScrollTracking.PressedWnd, nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
    PumpMessagesFor(50);
    EXPECT_EQ(At(down), Flat("SCROLLBTNBOTTOM", 1));
    // Nothing more once released.
    int total = Count(WM_VSCROLL, SB_LINEDOWN);
    PumpMessagesFor(200);
    EXPECT_EQ(Count(WM_VSCROLL, SB_LINEDOWN), total);
}

TEST_F(ScrollBars, APressOnTheTrackPagesAndTheTrackShowsPressed) {
    MakeScrolled();
    Skin();
    TPoint page = VPoint(sbpPageDown);
    MoveMouseTo(page.x, page.y);
    PumpMessagesFor(60);
    MouseButton(true);
    ASSERT_TRUE(PumpMessagesUntil([&] { return Count(WM_VSCROLL, SB_PAGEDOWN) >= 1; }, 2000));
    EXPECT_EQ(GetScrollPos(scrolled, SB_VERT), 20);
    PumpMessagesFor(30);
    EXPECT_EQ(At(TPoint(page.x, BarRect(SB_VERT).bottom - Layout(SB_VERT).Arrow - 2)), Flat("SCROLLBAR2V", 2));
    MouseButton(false);
    ASSERT_TRUE(PumpMessagesUntil([&] { return Count(WM_VSCROLL, SB_ENDSCROLL) == 1; }, 2000));
}

TEST_F(ScrollBars, ADraggedThumbTracksThePositionAndEndsWithItsPosition) {
    MakeScrolled();
    Skin();
    TPoint thumb = VPoint(sbpThumb);
    TacBarLayout l = Layout(SB_VERT);
    MoveMouseTo(thumb.x, thumb.y);
    PumpMessagesFor(60);
    MouseButton(true);
    PumpMessagesFor(60);
    EXPECT_TRUE(adapter->Dragging);
    EXPECT_EQ(At(thumb), Flat("SCROLLSLIDERV", 2));
    // Half the thumb's travel down: half the positions (0 .. 80).
    int travel = l.Work - l.ThumbLength;
    for (int k = 1; k <= 4; ++k) {
        MoveMouseTo(thumb.x, thumb.y + travel * k / 8);
        PumpMessagesFor(40);
    }
    ASSERT_GE(Count(WM_VSCROLL, SB_THUMBTRACK), 2);
    EXPECT_EQ(At(TPoint(thumb.x, thumb.y + travel / 2)), Flat("SCROLLSLIDERV", 2));
    MouseButton(false);
    ASSERT_TRUE(PumpMessagesUntil([&] { return Count(WM_VSCROLL, SB_ENDSCROLL) == 1; }, 2000));
    EXPECT_FALSE(adapter->Dragging);
    ASSERT_EQ(Count(WM_VSCROLL, SB_THUMBPOSITION), 1);
    int pos = 0;
    for (const Step& s : gSteps)
        if (s.Msg == WM_VSCROLL && s.Code == SB_THUMBPOSITION)
            pos = s.Pos;
    EXPECT_NEAR(pos, 40, 2);
    EXPECT_EQ(GetScrollPos(scrolled, SB_VERT), pos);
    // The thumb stays where it was dropped, in its normal look.
    PumpMessagesFor(50);
    TacBarLayout after = Layout(SB_VERT);
    EXPECT_NEAR(after.ThumbStart, l.ThumbStart + travel / 2, 3);
    EXPECT_EQ(At(TPoint(thumb.x, after.ThumbStart + after.ThumbLength / 2)), Flat("SCROLLSLIDERV", 1));
}

TEST_F(ScrollBars, AThumbTrackStepSetsThePositionUnlessTheWindowPositionsItself) {
    MakeScrolled();
    Skin();
    gFollowsScrolls = false;
    DoScroll(scrolled, WM_VSCROLL, SB_THUMBTRACK, 30);
    ASSERT_EQ(gSteps.size(), 3u);
    // The position was set before the message went out.
    EXPECT_EQ(gSteps[1].Pos, 30);
    EXPECT_EQ(gSteps[2].Pos, 30);
    gSteps.clear();
    gAnswerStepBegins = true;
    DoScroll(scrolled, WM_VSCROLL, SB_THUMBTRACK, 60);
    ASSERT_EQ(gSteps.size(), 3u);
    EXPECT_EQ(gSteps[1].Msg, static_cast<UINT>(WM_VSCROLL));
    EXPECT_EQ(gSteps[2].Code, scScrollStepEnds);
    EXPECT_EQ(GetScrollPos(scrolled, SB_VERT), 30);
}

TEST_F(ScrollBars, DisabledArrowsAndUnusableBarsIgnorePresses) {
    MakeScrolled();
    Skin();
    adapter->VScrollBar->Flags |= sbfFirstArrowDisabled;
    SetScrollPos(scrolled, SB_VERT, 50, FALSE);
    UpdateScrolls(adapter.get(), true);
    TPoint up = VPoint(sbpLineUp);
    ClickAt(up.x, up.y);
    PumpMessagesFor(150);
    EXPECT_EQ(Count(WM_VSCROLL, SB_LINEUP), 0);
    EXPECT_EQ(GetScrollPos(scrolled, SB_VERT), 50);
    // The flag survives a new size calculation.
    SetWindowPos(scrolled, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    EXPECT_TRUE(adapter->VScrollBar->Flags & sbfFirstArrowDisabled);
    // Both arrows disabled: the bar is not usable: no thumb, no hit.
    adapter->VScrollBar->Flags |= sbfLastArrowDisabled;
    Settle();
    TPoint thumb = VPoint(sbpThumb);
    EXPECT_EQ(SendMessageW(scrolled, WM_NCHITTEST, 0, MAKELPARAM(thumb.x, thumb.y)), HTNOWHERE);
    EXPECT_NE(At(thumb), Flat("SCROLLSLIDERV", 0));
    // A range no larger than the page makes a bar with sbfNeedsRange unusable.
    SCROLLINFO si = {sizeof si, SIF_RANGE | SIF_PAGE, 0, 10, 20, 0, 0};
    SetScrollInfo(scrolled, SB_HORZ, &si, FALSE);
    adapter->HScrollBar->Flags |= sbfNeedsRange;
    UpdateScrolls(adapter.get(), true);
    EXPECT_FALSE(ScrollBarUsable(adapter->HScrollBar.get(), scrolled));
    adapter->HScrollBar->Flags &= static_cast<uint16_t>(~sbfNeedsRange);
    EXPECT_TRUE(ScrollBarUsable(adapter->HScrollBar.get(), scrolled));
}

TEST_F(ScrollBars, ALeftScrollBarSitsAtTheLeftEdgeAndRepeatsThere) {
    MakeScrolled(WS_EX_LEFTSCROLLBAR);
    Skin();
    TRect wr;
    GetWindowRect(scrolled, &wr);
    TRect vr = BarRect(SB_VERT);
    EXPECT_EQ(vr.left, wr.left);
    TRect client;
    GetClientRect(scrolled, &client);
    POINT origin = {0, 0};
    ClientToScreen(scrolled, &origin);
    EXPECT_EQ(origin.x, wr.left + GetSystemMetrics(SM_CXVSCROLL));
    TPoint down = VPoint(sbpLineDown);
    EXPECT_EQ(At(down), Flat("SCROLLBTNBOTTOM", 0));
    EXPECT_EQ(SendMessageW(scrolled, WM_NCHITTEST, 0, MAKELPARAM(down.x, down.y)), HTVSCROLL);
    // The repeat follows the cursor left of the client area too.
    MoveMouseTo(down.x, down.y);
    PumpMessagesFor(60);
    MouseButton(true);
    ASSERT_TRUE(PumpMessagesUntil([&] { return Count(WM_VSCROLL, SB_LINEDOWN) >= 3; }, 3000));
    MouseButton(false);
    ASSERT_TRUE(PumpMessagesUntil([&] { return Count(WM_VSCROLL, SB_ENDSCROLL) == 1; }, 2000));
}

TEST_F(ScrollBars, AShortBarShowsOnlyItsTwoArrows) {
    MakeScrolled(0, 300, 40);
    Skin();
    TacBarLayout l = Layout(SB_VERT);
    ASSERT_TRUE(l.ArrowsOnly);
    TRect vr = BarRect(SB_VERT);
    int x = (vr.left + vr.right) / 2;
    EXPECT_EQ(At(TPoint(x, vr.top + 1)), Flat("SCROLLBTNTOP", 0));
    EXPECT_EQ(At(TPoint(x, vr.bottom - 2)), Flat("SCROLLBTNBOTTOM", 0));
    EXPECT_EQ(CountColor(ScreenCopy(vr).get(), Flat("SCROLLSLIDERV", 0)), 0);
}

TEST_F(ScrollBars, RemovingTheAdapterGivesTheWindowBackAsItWas) {
    MakeScrolled();
    LONG_PTR proc = GetWindowLongPtrW(scrolled, GWLP_WNDPROC);
    TRect plain;
    GetClientRect(scrolled, &plain);
    int live = TacMainWnd::LiveCount();
    Skin();
    EXPECT_NE(GetWindowLongPtrW(scrolled, GWLP_WNDPROC), proc);
    EXPECT_EQ(GetScrollBarOfWnd(scrolled, SB_VERT), adapter->VScrollBar.get());
    EXPECT_EQ(GetScrollBarOfWnd(scrolled, 2), nullptr);
    EXPECT_TRUE(SetMinThumbSize(scrolled, 3, 30));
    EXPECT_EQ(adapter->HScrollBar->MinThumbSize, 30);
    // The skin goes: the adapter passes everything on.
    manager->SetActive(false);
    PumpMessagesFor(30);
    TacMainWnd* raw = adapter.release();
    UninitializeScrollAdapter(scrolled, true, true, raw);
    EXPECT_EQ(raw, nullptr);
    EXPECT_EQ(TacMainWnd::LiveCount(), live);
    EXPECT_EQ(GetWindowLongPtrW(scrolled, GWLP_WNDPROC), proc);
    EXPECT_EQ(GetPropA(scrolled, acAdapterProp), nullptr);
    EXPECT_FALSE(SetMinThumbSize(scrolled, 3, 30));
    TRect client;
    GetClientRect(scrolled, &client);
    EXPECT_EQ(client.right, plain.right);
    EXPECT_EQ(client.bottom, plain.bottom);
    // Scroll messages reach the window as before.
    SendMessageW(scrolled, WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(GetScrollPos(scrolled, SB_VERT), 1);
}

TEST_F(ScrollBars, DestroyingTheWindowGivesItsProcedureBackAndForgetsThePress) {
    MakeScrolled();
    Skin();
    TPoint down = VPoint(sbpLineDown);
    ASSERT_TRUE(HoldAt(down));
    DestroyWindow(scrolled);
    MouseButton(false);
    PumpMessagesFor(100);
    EXPECT_EQ(acScrollTracking.PressedWnd, nullptr);
    EXPECT_TRUE(adapter->Destroyed);
    EXPECT_EQ(adapter->VScrollBar, nullptr);
    adapter.reset();
}

// The mouse is never left bound to a window whose skinned bars went in the middle of a press.
TEST_F(ScrollBars, BarsThatGoDuringAPressLetTheMouseGo) {
    MakeScrolled();
    Skin();
    TPoint down = VPoint(sbpLineDown);
    ASSERT_TRUE(HoldAt(down));
    EXPECT_EQ(GetCapture(), scrolled);
    adapter.reset();
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(acScrollTracking.PressedWnd, nullptr);
    MouseButton(false);
    PumpMessagesFor(50);

    // The same when the adapter only gives the window back and stays.
    Skin();
    ASSERT_TRUE(HoldAt(down));
    ASSERT_EQ(GetCapture(), scrolled);
    TacMainWnd* raw = adapter.get();
    UninitializeScrollAdapter(scrolled, false, false, raw);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_FALSE(adapter->Dragging);
    MouseButton(false);
    PumpMessagesFor(50);
}

// A dropped list holds the mouse for its combo box, which closes it by a click anywhere outside: a press on the
// list's skinned bar scrolls it and leaves it holding the mouse, so the click outside still closes it.
TEST_F(ScrollBars, ADroppedComboListKeepsTheMouseAfterAPressOnItsBar) {
    HWND combo = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST, 10, 10,
                                 150, 160, frame, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(combo);
    for (int i = 0; i < 40; ++i)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>((L"Item " + std::to_wstring(i)).c_str()));
    auto comboAdapter = CreateAdapter<TacComboBoxWnd>(combo, nullptr, manager.get(), "EDIT", true);
    PumpMessagesFor(60);
    RECT cr;
    GetWindowRect(combo, &cr);
    ClickAt((cr.left + cr.right) / 2, (cr.top + cr.bottom) / 2);
    ASSERT_TRUE(PumpMessagesUntil([&] { return SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0) != 0; }, 2000));
    COMBOBOXINFO info{sizeof info};
    ASSERT_TRUE(GetComboBoxInfo(combo, &info));
    HWND list = info.hwndList;
    ASSERT_TRUE(PumpMessagesUntil([&] { return comboAdapter->ListAdapter != nullptr; }, 2000));
    ASSERT_EQ(GetAdapterOfWnd(list), comboAdapter->ListAdapter.get());
    PumpMessagesFor(100);
    TRect bar = GetVScrollRect(comboAdapter->ListAdapter.get(), list);
    ASSERT_GT(bar.Height(), 2 * GetSystemMetrics(SM_CYVSCROLL));
    int x = (bar.left + bar.right) / 2, y = bar.bottom - GetSystemMetrics(SM_CYVSCROLL) / 2;
    MoveMouseTo(x, y);
    PumpMessagesFor(60);
    MouseButton(true);
    ASSERT_TRUE(PumpMessagesUntil([&] { return acScrollTracking.PressedWnd == list; }, 2000));
    MouseButton(false);
    ASSERT_TRUE(PumpMessagesUntil([&] { return acScrollTracking.PressedWnd == nullptr; }, 2000));
    PumpMessagesFor(100);
    EXPECT_GT(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 0);
    EXPECT_NE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0), 0);
    EXPECT_EQ(GetCapture(), list);
    // A click outside closes the list.
    RECT fr;
    GetWindowRect(frame, &fr);
    ClickAt(fr.right - 20, fr.bottom - 20);
    EXPECT_TRUE(PumpMessagesUntil([&] { return SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0) == 0; }, 2000));
    comboAdapter.reset();
    DestroyWindow(combo);
}

TEST(FlatScrollBars, TheSystemFunctionsAreFoundAtRunTime) {
    LoadFlatSBProcs();
    EXPECT_NE(acInitializeFlatSB, nullptr);
    EXPECT_NE(acUninitializeFlatSB, nullptr);
}

namespace {

// The system's flat scroll-bar functions as the adapters found them, and the windows each was called for.
TFlatSBProc gRealInitializeFlatSB = nullptr, gRealUninitializeFlatSB = nullptr;
std::vector<HWND> gFlatSBInitialized, gFlatSBUninitialized;
std::vector<BOOL> gFlatSBAnswers;

BOOL WINAPI InitializeFlatSBSpy(HWND Wnd) {
    gFlatSBInitialized.push_back(Wnd);
    BOOL answer = gRealInitializeFlatSB(Wnd);
    gFlatSBAnswers.push_back(answer);
    return answer;
}

BOOL WINAPI UninitializeFlatSBSpy(HWND Wnd) {
    gFlatSBUninitialized.push_back(Wnd);
    BOOL answer = gRealUninitializeFlatSB(Wnd);
    gFlatSBAnswers.push_back(answer);
    return answer;
}

}  // namespace

// A frame of the class library with both bars: skinned bars while its skin data is skinned (the system's flat bars
// switched off), the system's flat bars and its own window procedure again when the skin data is not. The system
// functions are the real ones of comctl32 behind counting spies (under Wine they answer without visible effect).
TEST_F(ScrollBars, AFramesBarsFollowItsSkinData) {
    LoadFlatSBProcs();
    ASSERT_NE(acInitializeFlatSB, nullptr);
    ASSERT_NE(acUninitializeFlatSB, nullptr);
    gRealInitializeFlatSB = acInitializeFlatSB;
    gRealUninitializeFlatSB = acUninitializeFlatSB;
    acInitializeFlatSB = InitializeFlatSBSpy;
    acUninitializeFlatSB = UninitializeFlatSBSpy;
    gFlatSBInitialized.clear();
    gFlatSBUninitialized.clear();
    gFlatSBAnswers.clear();

    auto* form = new TfrmSkinTest(nullptr);
    form->SetBounds(400, 40, 320, 260);
    auto* frameControl = new TFrame(form);
    frameControl->SetParent(form);
    frameControl->SetBounds(0, 0, 300, 240);
    frameControl->VertScrollBar()->SetRange(1000);
    frameControl->HorzScrollBar()->SetRange(1000);
    form->Show();
    PumpMessagesFor(50);
    HWND wnd = frameControl->Handle();
    ASSERT_TRUE(GetWindowLongW(wnd, GWL_STYLE) & WS_VSCROLL);
    ASSERT_TRUE(GetWindowLongW(wnd, GWL_STYLE) & WS_HSCROLL);
    LONG_PTR ownProc = GetWindowLongPtrW(wnd, GWLP_WNDPROC);
    // A control of the class library is taken over through its WindowProc, so that is what it must get back.
    TWndMethod ownMethod = frameControl->WindowProc();
    RECT wr{};
    GetWindowRect(wnd, &wr);
    // The middle of the vertical bar's upper arrow, on the screen.
    POINT arrow{wr.right - GetSystemMetrics(SM_CXVSCROLL) / 2 - 1, wr.top + GetSystemMetrics(SM_CYVSCROLL) / 2};
    auto settle = [&] {
        RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
        PumpMessagesFor(60);
    };

    {
        TsCommonData data(frameControl, true);
        data.SetSkinManager(manager.get());
        data.SetSkinSection("EDIT");
        ASSERT_TRUE(data.Skinned());
        TacAdapterPtr<TacScrollWnd> bars;
        InitFlatScrollBars(&data, bars);
        ASSERT_NE(bars, nullptr);
        EXPECT_EQ(GetAdapterOfWnd(wnd), bars.get());
        EXPECT_FALSE(frameControl->WindowProc() == ownMethod);
        EXPECT_EQ(gFlatSBUninitialized, std::vector<HWND>{wnd});
        EXPECT_TRUE(gFlatSBInitialized.empty());
        settle();
        EXPECT_EQ(static_cast<TColor>(ScreenPixel(arrow.x, arrow.y)), Flat("SCROLLBTNTOP", 0));
        // Asked again, the adapter it has stays.
        TacScrollWnd* first = bars.get();
        InitFlatScrollBars(&data, bars);
        EXPECT_EQ(bars.get(), first);

        // The skin data loses its section: the skinned bars go, the system's come back.
        data.SetSkinSection("NOSUCHSECTION");
        ASSERT_FALSE(data.Skinned());
        InitFlatScrollBars(&data, bars);
        EXPECT_EQ(bars, nullptr);
        EXPECT_EQ(GetAdapterOfWnd(wnd), nullptr);
        EXPECT_EQ(GetWindowLongPtrW(wnd, GWLP_WNDPROC), ownProc);
        EXPECT_TRUE(frameControl->WindowProc() == ownMethod);
        EXPECT_EQ(gFlatSBInitialized, std::vector<HWND>{wnd});
        settle();
        EXPECT_NE(static_cast<TColor>(ScreenPixel(arrow.x, arrow.y)), Flat("SCROLLBTNTOP", 0));

        // Skinned again over an adapter that already gave the window back: a fresh adapter takes over.
        data.SetSkinSection("EDIT");
        InitFlatScrollBars(&data, bars);
        ASSERT_NE(bars, nullptr);
        TacMainWnd* raw = bars.get();
        UninitializeScrollAdapter(wnd, false, false, raw);
        ASSERT_TRUE(bars->Destroyed);
        EXPECT_EQ(GetAdapterOfWnd(wnd), nullptr);
        EXPECT_TRUE(frameControl->WindowProc() == ownMethod);
        InitFlatScrollBars(&data, bars);
        ASSERT_NE(bars, nullptr);
        EXPECT_FALSE(bars->Destroyed);
        EXPECT_EQ(GetAdapterOfWnd(wnd), bars.get());
        settle();
        EXPECT_EQ(static_cast<TColor>(ScreenPixel(arrow.x, arrow.y)), Flat("SCROLLBTNTOP", 0));
        // Every call while skinned switches the system bars off again, the repeated one too.
        EXPECT_EQ(gFlatSBUninitialized.size(), 4u);
        EXPECT_FALSE(frameControl->WindowProc() == ownMethod);
        bars.reset();
        EXPECT_EQ(GetWindowLongPtrW(wnd, GWLP_WNDPROC), ownProc);
        EXPECT_TRUE(frameControl->WindowProc() == ownMethod);
    }
    // What Wine's comctl32 answered, for the record.
    for (BOOL answer : gFlatSBAnswers)
        std::printf("flat scroll-bar call answered %d\n", static_cast<int>(answer));
    delete form;
    acInitializeFlatSB = gRealInitializeFlatSB;
    acUninitializeFlatSB = gRealUninitializeFlatSB;
}
