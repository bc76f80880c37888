#include "acScrollBars.h"

#include "skin/engine/acFastPixels.h"
#include "skin/engine/sConst.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

#include "classlib/runtime/Finally.h"
#include "classlib/visual/Forms.h"

#include <algorithm>

TacScrollTracking acScrollTracking;
TFlatSBProc acInitializeFlatSB = nullptr;
TFlatSBProc acUninitializeFlatSB = nullptr;

namespace {

constexpr UINT SC_VSCROLL_BAR = SC_VSCROLL | HTVSCROLL;  // $F077
constexpr UINT SC_HSCROLL_BAR = SC_HSCROLL | HTHSCROLL;  // $F086

TsSkinManager* ManagerOf(TacScrollWnd* Adapter) {
    if (Adapter->SkinManager)
        return Adapter->SkinManager.Get();
    return Adapter->SkinData ? Adapter->SkinData->SkinManager() : nullptr;
}

TPoint PointOf(LPARAM LParam) {
    return TPoint(static_cast<short>(LOWORD(LParam)), static_cast<short>(HIWORD(LParam)));
}

TPoint ClientToScreenPoint(HWND Wnd, LPARAM LParam) {
    POINT p = PointOf(LParam);
    ClientToScreen(Wnd, &p);
    return TPoint(p.x, p.y);
}

TRect WindowRectOf(HWND Wnd) {
    TRect R;
    GetWindowRect(Wnd, &R);
    return R;
}

TRect Shifted(TRect R, int DX, int DY) {
    OffsetRect(&R, DX, DY);
    return R;
}

int BarIndexOfHit(WPARAM Hit) { return Hit == HTVSCROLL ? SB_VERT : SB_HORZ; }

// The bar's layout in screen coordinates.
TacBarLayout LayoutOf(TacScrollWnd* Adapter, HWND Wnd, TacScrollBar* Bar, TRect& Screen) {
    Screen = GetScrollRect(Adapter, Wnd, Bar->BarType);
    return CalcBarLayout(Screen, Bar->Vertical(), GetScrollMetric(Bar, false), Bar->ScrollInfo, Bar->MinThumbSize);
}

// The corner between both bars is a size grip: the window's parent is a top-level window and the window's
// bottom and right edges (left with the vertical bar at the left) reach the parent's client edges.
bool GripCorner(TacScrollWnd* Adapter, HWND Wnd) {
    HWND Parent = GetParent(Wnd);
    if (!Parent || (GetWindowLongW(Parent, GWL_STYLE) & WS_CHILD))
        return false;
    TRect WR = WindowRectOf(Wnd), PC;
    GetClientRect(Parent, &PC);
    MapWindowPoints(Parent, nullptr, reinterpret_cast<POINT*>(&PC), 2);
    if (WR.bottom < PC.bottom)
        return false;
    return Adapter->LeftScroll ? WR.left <= PC.left : WR.right >= PC.right;
}

// The corner rectangle between the bars, in screen coordinates.
TRect CornerRect(TacScrollWnd* Adapter, HWND Wnd) {
    TRect WR = WindowRectOf(Wnd);
    int H = GetScrollMetric(Adapter->HScrollBar.get(), true), V = GetScrollMetric(Adapter->VScrollBar.get(), true);
    TRect R;
    R.bottom = WR.bottom - Adapter->BorderBottom;
    R.top = R.bottom - H;
    if (Adapter->LeftScroll) {
        R.left = WR.left + Adapter->BorderLeft;
        R.right = R.left + V;
    } else {
        R.right = WR.right - Adapter->BorderRight;
        R.left = R.right - V;
    }
    return R;
}

// Paints a section of the bar (its background, then its frame image for State) over R of Bmp.
void PaintScrollPart(TsSkinManager* Manager, const TacSectionIndexes& Section, const TCacheInfo& CI, TBitmap* Bmp,
                     const TRect& R, int State) {
    if (!Manager->IsValidSkinIndex(Section.SkinIndex) || R.Width() <= 0 || R.Height() <= 0)
        return;
    PaintSkinPart(Section.SkinIndex, Manager->Sections[static_cast<size_t>(Section.SkinIndex)].ClassName, CI, Manager,
                  Bmp, TPoint(R.left, R.top), R, Section.MaskIndex, State);
}

// The drawing state of Part on bar BarIndex of Wnd: pressed while it is pressed with the cursor on it, hot while
// the cursor is over it, else normal.
int PartState(HWND Wnd, int BarIndex, int Part) {
    const TacScrollTracking& T = acScrollTracking;
    if (Part == sbpNone)
        return 0;
    if (T.PressedWnd == Wnd && T.PressedBar == BarIndex && T.PartUnderCursor == Part)
        return 2;
    if (T.HotWnd == Wnd && T.HotBar == BarIndex && T.LastHotPart == Part && T.PressedWnd == nullptr)
        return 1;
    return 0;
}

// Composes one bar (window-relative rectangle WinR) into DC; ThumbAt >= 0 puts the thumb there (a drag).
void DrawBar(TacScrollWnd* Adapter, HWND Wnd, TacScrollBar* Bar, HDC DC, const TRect& WinR, int ThumbAt = -1) {
    TsSkinManager* Manager = ManagerOf(Adapter);
    if (!Manager || WinR.Width() <= 0 || WinR.Height() <= 0)
        return;
    const TacConstData& C = Manager->ConstData;
    bool V = Bar->Vertical();
    int Index = Bar->BarType;
    TRect R(0, 0, WinR.Width(), WinR.Height());
    auto Bmp = CreateBmp24(R.Width(), R.Height());
    TacBGInfo Info;
    GetBGInfo(Adapter->SkinData, Info, false, Wnd);
    TCacheInfo CI;
    FillBGInfo(Info, CI);
    if (CI.Ready)
        BitBlt(Bmp->Canvas()->Handle(), 0, 0, R.Width(), R.Height(), CI.Bmp->Canvas()->Handle(), CI.X, CI.Y, SRCCOPY);
    else
        FillDC(Bmp->Canvas()->Handle(), R, CI.FillColor);
    TacBarLayout L = CalcBarLayout(R, V, GetScrollMetric(Bar, false), Bar->ScrollInfo, Bar->MinThumbSize);
    if (ThumbAt >= 0)
        L.ThumbStart = ThumbAt;
    auto Along = [&](int From, int To) { return V ? TRect(0, From, R.right, To) : TRect(From, 0, To, R.bottom); };
    const TacSectionIndexes& First = V ? C.ScrollBtnTop : C.ScrollBtnLeft;
    const TacSectionIndexes& Last = V ? C.ScrollBtnBottom : C.ScrollBtnRight;
    int End = L.Start + L.Extent;
    if (!L.ArrowsOnly) {
        bool Thumb = L.ThumbFits() && ScrollBarUsable(Bar, Wnd);
        int Split = Thumb ? L.ThumbStart + L.ThumbLength / 2 : End;
        PaintScrollPart(Manager, V ? C.ScrollBar1V : C.ScrollBar1H, CI, Bmp.get(), Along(L.Start, Split),
                        PartState(Wnd, Index, sbpPageUp));
        PaintScrollPart(Manager, V ? C.ScrollBar2V : C.ScrollBar2H, CI, Bmp.get(), Along(Split, End),
                        PartState(Wnd, Index, sbpPageDown));
        PaintScrollPart(Manager, First, CI, Bmp.get(), Along(L.Start, L.Start + L.Arrow),
                        PartState(Wnd, Index, sbpLineUp));
        PaintScrollPart(Manager, Last, CI, Bmp.get(), Along(End - L.Arrow, End), PartState(Wnd, Index, sbpLineDown));
        if (Thumb)
            PaintScrollPart(Manager, V ? C.ScrollSliderV : C.ScrollSliderH, CI, Bmp.get(),
                            Along(L.ThumbStart, L.ThumbStart + L.ThumbLength),
                            ThumbAt >= 0 ? 2 : PartState(Wnd, Index, sbpThumb));
    } else {
        PaintScrollPart(Manager, First, CI, Bmp.get(), Along(L.Start, L.Start + L.Arrow),
                        PartState(Wnd, Index, sbpLineUp));
        PaintScrollPart(Manager, Last, CI, Bmp.get(), Along(End - L.Arrow, End), PartState(Wnd, Index, sbpLineDown));
    }
    BitBlt(DC, WinR.left, WinR.top, R.Width(), R.Height(), Bmp->Canvas()->Handle(), 0, 0, SRCCOPY);
}

// Fills the corner between both bars with the window's background, with the size grip where it is one.
void DrawCorner(TacScrollWnd* Adapter, HWND Wnd, HDC DC) {
    TsSkinManager* Manager = ManagerOf(Adapter);
    TRect WR = WindowRectOf(Wnd);
    TRect Screen = CornerRect(Adapter, Wnd);
    TRect WinR = Shifted(Screen, -WR.left, -WR.top);
    if (WinR.Width() <= 0 || WinR.Height() <= 0)
        return;
    auto Bmp = CreateBmp24(WinR.Width(), WinR.Height());
    TRect R(0, 0, WinR.Width(), WinR.Height());
    TacBGInfo Info;
    GetBGInfo(Adapter->SkinData, Info, false, Wnd);
    TCacheInfo CI;
    FillBGInfo(Info, CI);
    if (CI.Ready) {
        // The corner's place in the window's own background picture.
        TRect Client;
        GetClientRectInWindow(Wnd, Client);
        BitBlt(Bmp->Canvas()->Handle(), 0, 0, R.Width(), R.Height(), CI.Bmp->Canvas()->Handle(),
               CI.X + WinR.left - Client.left, CI.Y + WinR.top - Client.top, SRCCOPY);
    } else {
        FillDC(Bmp->Canvas()->Handle(), R, CI.FillColor);
    }
    if (Manager && GripCorner(Adapter, Wnd)) {
        int Grip = Manager->GetMaskIndex(Manager->ConstData.IndexGlobalInfo, "GLOBALINFO", "GRIPIMAGE");
        if (Manager->IsValidImgIndex(Grip)) {
            const TsMaskData& Mask = Manager->Masks[static_cast<size_t>(Grip)];
            DrawMaskGlyph(Bmp.get(), TPoint(R.right - MaskStateWidth(Mask), R.bottom - MaskStateHeight(Mask)), 0, CI,
                          Mask, true);
        }
    }
    BitBlt(DC, WinR.left, WinR.top, R.Width(), R.Height(), Bmp->Canvas()->Handle(), 0, 0, SRCCOPY);
}

// Repaints bar BarIndex of the adapter's window (with the thumb at ThumbAt when given).
void RedrawBar(TacScrollWnd* Adapter, HWND Wnd, int BarIndex, int ThumbAt = -1) {
    TacScrollBar* Bar = Adapter->Bar(BarIndex);
    if (!Bar || !Bar->Visible)
        return;
    HDC DC = GetWindowDC(Wnd);
    if (!DC)
        return;
    TRect WR = WindowRectOf(Wnd);
    DrawBar(Adapter, Wnd, Bar, DC, Shifted(GetScrollRect(Adapter, Wnd, BarIndex), -WR.left, -WR.top), ThumbAt);
    ReleaseDC(Wnd, DC);
}

// One scroll step that the adapter sends itself: Scrolling holds while it runs, whatever the window does.
void OwnStep(TacScrollWnd* Adapter, UINT Msg, int Code, int Pos) {
    Adapter->Scrolling = true;
    auto done = Finally([Adapter] { Adapter->Scrolling = false; });
    DoScroll(Adapter->CtrlHandle, Msg, Code, Pos);
}

TacScrollWnd* ScrollAdapterOf(HWND Wnd) {
    TacMainWnd* Adapter = GetAdapterOfWnd(Wnd);
    return Adapter ? dynamic_cast<TacScrollWnd*>(Adapter) : nullptr;
}

void ForgetTracking(HWND Wnd) {
    TacScrollTracking& T = acScrollTracking;
    if (T.PressedWnd == Wnd) {
        if (T.TimerId)
            KillTimer(Wnd, T.TimerId);
        bool release = T.ReleaseCapture && T.PressedPart != sbpNone;
        T.PressedWnd = nullptr, T.PressedBar = -1, T.ScrollMsg = 0, T.TimerId = 0;
        T.PressedPart = T.PartUnderCursor = sbpNone;
        T.ReleaseCapture = true;
        // A press whose bars go before the button is up must not leave the mouse bound to the window. The state
        // is clear first, so the capture's loss ends no press.
        if (release && Wnd && GetCapture() == Wnd)
            ReleaseCapture();
    }
    if (T.HotWnd == Wnd) {
        if (T.HotTimerId)
            KillTimer(Wnd, T.HotTimerId);
        T.HotWnd = nullptr, T.HotBar = -1, T.HotTimerId = 0;
        T.LastHotPart = T.NewHotPart = sbpNone;
    }
}

}  // namespace

// --- set-up and queries ---

void InitScrollBars(TacScrollWnd* Adapter, HWND Handle, bool Repaint) {
    Adapter->Scrolling = false;
    Adapter->CtrlHandle = Handle;
    Adapter->HScrollBar = std::make_unique<TacScrollBar>();
    Adapter->VScrollBar = std::make_unique<TacScrollBar>();
    LONG Style = GetWindowLongW(Handle, GWL_STYLE);
    for (int i = SB_HORZ; i <= SB_VERT; ++i) {
        TacScrollBar* Bar = Adapter->Bar(i);
        Bar->Owner = Adapter;
        Bar->BarType = static_cast<uint16_t>(i);
        GetScrollInfo(Handle, i, &Bar->ScrollInfo);
        Bar->Flags = (Style & (i == SB_HORZ ? WS_HSCROLL : WS_VSCROLL)) ? sbfStyle : 0;
        Bar->TrackState = 0;
        Bar->ArrowLength = -1;
        Bar->BarWidth = -1;
    }
    Adapter->LeftScroll = (GetWindowLongW(Handle, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) != 0;
    Adapter->Busy = false;
    Adapter->Subclass(Handle);
    SetMinThumbSize(Handle, 3, acMinThumbSize);
    for (int i = SB_HORZ; i <= SB_VERT; ++i)
        if (TacScrollBar* Bar = GetScrollBarOfWnd(Handle, i))
            Bar->TrackState = 0;
    if (Repaint)
        RefreshFrame(Handle, true);
}

int GetScrollMetric(TacScrollBar* Bar, bool Width, bool Skinned) {
    if (!Bar)
        return 0;
    int Value = Width ? Bar->BarWidth : Bar->ArrowLength;
    if (Value >= 0)
        return Value;
    int Times = -Value;
    if (Width)
        return GetSystemMetrics(Bar->Vertical() ? SM_CXVSCROLL : SM_CYHSCROLL) * Times;
    TsSkinManager* Manager = Bar->Owner ? ManagerOf(Bar->Owner) : nullptr;
    if (Skinned && Manager) {
        int Mask = Bar->Vertical() ? Manager->ConstData.ScrollBtnTop.MaskIndex : Manager->ConstData.ScrollBtnLeft.MaskIndex;
        if (Manager->IsValidImgIndex(Mask)) {
            const TsMaskData& M = Manager->Masks[static_cast<size_t>(Mask)];
            int Image = Bar->Vertical() ? MaskStateHeight(M) : MaskStateWidth(M);
            return std::max(acScrollArrowWidth, Image) * Times;
        }
    }
    return acScrollArrowWidth * Times;
}

TRect GetScrollRect(TacScrollWnd* Adapter, HWND Wnd, int BarIndex) {
    TacScrollBar* H = Adapter->HScrollBar.get();
    TacScrollBar* V = Adapter->VScrollBar.get();
    if (!H || !V)
        return TRect();
    TRect WR = WindowRectOf(Wnd);
    TRect R(WR.left + Adapter->BorderLeft, WR.top + Adapter->BorderTop, WR.right - Adapter->BorderRight,
            WR.bottom - Adapter->BorderBottom);
    int HWidth = GetScrollMetric(H, true), VWidth = GetScrollMetric(V, true);
    TacScrollBar* Bar;
    if (BarIndex == SB_HORZ) {
        Bar = H;
        R.top = R.bottom - HWidth;
        if (V->Visible) {
            if (Adapter->LeftScroll)
                R.left += VWidth;
            else
                R.right -= VWidth;
        }
    } else {
        Bar = V;
        if (Adapter->LeftScroll)
            R.right = R.left + VWidth;
        else
            R.left = R.right - VWidth;
        if (H->Visible)
            R.bottom -= HWidth;
    }
    if (Bar->ShortenStart)
        (Bar->Vertical() ? R.top : R.left) += Bar->StartShift;
    if (Bar->ShortenEnd)
        (Bar->Vertical() ? R.bottom : R.right) -= Bar->EndShift;
    return R;
}

TRect GetHScrollRect(TacScrollWnd* Adapter, HWND Wnd) { return GetScrollRect(Adapter, Wnd, SB_HORZ); }
TRect GetVScrollRect(TacScrollWnd* Adapter, HWND Wnd) { return GetScrollRect(Adapter, Wnd, SB_VERT); }

bool ScrollBarUsable(TacScrollBar* Bar, HWND Wnd) {
    if (!Bar)
        return false;
    SCROLLBARINFO Info = {};
    Info.cbSize = sizeof Info;
    if (!GetScrollBarInfo(Wnd, Bar->Vertical() ? OBJID_VSCROLL : OBJID_HSCROLL, &Info))
        return false;
    if ((Bar->Flags & (sbfFirstArrowDisabled | sbfLastArrowDisabled)) ==
        (sbfFirstArrowDisabled | sbfLastArrowDisabled))
        return false;
    const SCROLLINFO& SI = Bar->ScrollInfo;
    if ((Bar->Flags & sbfNeedsRange) &&
        !(SI.nMax >= static_cast<int>(SI.nPage) && SI.nMax > SI.nMin && SI.nMax != 0))
        return false;
    return (Info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) == 0;
}

void UpdateScrolls(TacScrollWnd* Adapter, bool Repaint) {
    if (!Adapter || !Adapter->HScrollBar || !Adapter->VScrollBar)
        return;
    for (int i = SB_HORZ; i <= SB_VERT; ++i) {
        TacScrollBar* Bar = Adapter->Bar(i);
        Bar->ScrollInfo.cbSize = sizeof(SCROLLINFO);
        Bar->ScrollInfo.fMask = SIF_ALL;
        GetScrollInfo(Adapter->CtrlHandle, i, &Bar->ScrollInfo);
    }
    if (Repaint && !(Adapter->SkinData && Adapter->SkinData->Updating))
        PaintScrollBars(Adapter, Adapter->CtrlHandle, nullptr);
}

bool SetMinThumbSize(HWND Wnd, int BarIndex, int Size) {
    TacScrollWnd* Adapter = ScrollAdapterOf(Wnd);
    if (!Adapter || !Adapter->HScrollBar || !Adapter->VScrollBar)
        return false;
    if (BarIndex == SB_HORZ || BarIndex == 3)
        Adapter->HScrollBar->MinThumbSize = static_cast<uint16_t>(Size);
    if (BarIndex == SB_VERT || BarIndex == 3)
        Adapter->VScrollBar->MinThumbSize = static_cast<uint16_t>(Size);
    return true;
}

TacScrollBar* GetScrollBarOfWnd(HWND Wnd, int BarIndex) {
    if (BarIndex != SB_HORZ && BarIndex != SB_VERT)
        return nullptr;
    TacScrollWnd* Adapter = ScrollAdapterOf(Wnd);
    return Adapter ? Adapter->Bar(BarIndex) : nullptr;
}

LRESULT DoScroll(HWND Wnd, UINT Msg, int Code, int Pos) {
    LPARAM Step = MAKELONG(Code, Msg);
    if (SendSkinCmdToHandle(Wnd, scScrollStepBegins, Step) == 0) {
        int BarIndex = Msg == WM_HSCROLL ? SB_HORZ : SB_VERT;
        SCROLLINFO SI = {sizeof SI, SIF_RANGE | SIF_PAGE, 0, 0, 0, 0, 0};
        GetScrollInfo(Wnd, BarIndex, &SI);
        if (Code == SB_THUMBTRACK) {
            SI.fMask = SIF_POS;
            SI.nPos = Pos;
            SetScrollInfo(Wnd, BarIndex, &SI, FALSE);
        }
    }
    SendMessageW(Wnd, Msg, MAKEWPARAM(Code, Pos), 0);
    return SendSkinCmdToHandle(Wnd, scScrollStepEnds, Step);
}

void PaintScrollBars(TacScrollWnd* Adapter, HWND Wnd, HDC DC) {
    if (!Adapter || !Adapter->HScrollBar || !Adapter->VScrollBar)
        return;
    if (TsCommonData* SD = Adapter->SkinData) {
        SD->SetUpdating(SD->NeedsRepaint());
        if (SD->Updating)
            return;
        if (TControl* Owner = SD->OwnerControl())
            if (Owner->Destroying() || !Owner->Showing())
                return;
        if (SD->BGChanged)
            SendSkinCmdToHandle(Wnd, scRebuildCache, 0);
    }
    HDC Own = DC ? nullptr : GetWindowDC(Wnd);
    HDC Target = DC ? DC : Own;
    if (!Target)
        return;
    TRect WR = WindowRectOf(Wnd);
    for (int i = SB_HORZ; i <= SB_VERT; ++i) {
        TacScrollBar* Bar = Adapter->Bar(i);
        if (Bar->Visible)
            DrawBar(Adapter, Wnd, Bar, Target, Shifted(GetScrollRect(Adapter, Wnd, i), -WR.left, -WR.top),
                    Adapter->Dragging && acScrollTracking.PressedWnd == Wnd && acScrollTracking.PressedBar == i
                        ? acScrollTracking.ThumbRect.left
                        : -1);
    }
    if (Adapter->HScrollBar->Visible && Adapter->VScrollBar->Visible)
        DrawCorner(Adapter, Wnd, Target);
    if (Own)
        ReleaseDC(Wnd, Own);
}

// --- the adapter ---

TacScrollWnd::~TacScrollWnd() { ForgetTracking(CtrlHandle); }

void TacScrollWnd::Hook(HWND AHandle, bool Repaint) { InitScrollBars(this, AHandle, Repaint); }

void TacScrollWnd::Repaint() {
    if (!Scrolling && !Dragging)
        UpdateScrolls(this, true);
}

void TacScrollWnd::CalcNonClient(TMessage& Message) {
    RECT* Proposed = Message.WParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(Message.LParam)->rgrc[0]
                                    : reinterpret_cast<RECT*>(Message.LParam);
    RECT Window = *Proposed;
    LONG Style = GetWindowLongW(CtrlHandle, GWL_STYLE);
    if (Style & (WS_HSCROLL | WS_VSCROLL)) {
        // The previous procedure must not take room for the standard bars: ours take their own.
        Busy = true;
        SetWindowLongW(CtrlHandle, GWL_STYLE, Style & ~(WS_HSCROLL | WS_VSCROLL));
        auto restore = Finally([&] {
            SetWindowLongW(CtrlHandle, GWL_STYLE, Style);
            Busy = false;
        });
        CallPrevWndProc(Message);
    } else {
        CallPrevWndProc(Message);
    }
    RECT& Client = *Proposed;
    BorderLeft = Client.left - Window.left;
    BorderTop = Client.top - Window.top;
    BorderRight = Window.right - Client.right;
    BorderBottom = Window.bottom - Client.bottom;
    if (!HScrollBar || !VScrollBar)
        return;
    // Only the style bit follows the style: the disabled-arrow bits stay as they were set.
    HScrollBar->Flags = static_cast<uint16_t>((HScrollBar->Flags & ~sbfStyle) | ((Style & WS_HSCROLL) ? sbfStyle : 0));
    HScrollBar->Visible = 0;
    int HWidth = GetScrollMetric(HScrollBar.get(), true);
    if ((HScrollBar->Flags & sbfStyle) && HWidth <= Client.bottom - Client.top) {
        Client.bottom -= HWidth;
        HScrollBar->Visible = 1;
    }
    VScrollBar->Flags = static_cast<uint16_t>((VScrollBar->Flags & ~sbfStyle) | ((Style & WS_VSCROLL) ? sbfStyle : 0));
    VScrollBar->Visible = 0;
    int VWidth = GetScrollMetric(VScrollBar.get(), true);
    if ((VScrollBar->Flags & sbfStyle) && VWidth <= Client.right - Client.left) {
        if (LeftScroll)
            Client.left += VWidth;
        else
            Client.right -= VWidth;
        VScrollBar->Visible = 1;
    }
}

LRESULT TacScrollWnd::HitTest(const TPoint& Screen) {
    if (HScrollBar && HScrollBar->Visible && GetHScrollRect(this, CtrlHandle).Contains(Screen))
        return ScrollBarUsable(HScrollBar.get(), CtrlHandle) ? HTHSCROLL : HTNOWHERE;
    if (VScrollBar && VScrollBar->Visible && GetVScrollRect(this, CtrlHandle).Contains(Screen))
        return ScrollBarUsable(VScrollBar.get(), CtrlHandle) ? HTVSCROLL : HTNOWHERE;
    if (HScrollBar && VScrollBar && HScrollBar->Visible && VScrollBar->Visible &&
        CornerRect(this, CtrlHandle).Contains(Screen) && GripCorner(this, CtrlHandle))
        return HTBOTTOMRIGHT;
    return -1;
}

void TacScrollWnd::Press(TMessage& Message) {
    TacScrollTracking& T = acScrollTracking;
    int Index = BarIndexOfHit(Message.WParam);
    TacScrollBar* Bar = this->Bar(Index);
    TPoint Screen = PointOf(Message.LParam);
    TRect BarR;
    TacBarLayout L = LayoutOf(this, CtrlHandle, Bar, BarR);
    int Part = PartAtPoint(L, BarR, Bar->Vertical(), Screen);
    if (Part == sbpNone) {
        CallPrevWndProc(Message);
        return;
    }
    if ((Part == sbpLineUp && (Bar->Flags & sbfFirstArrowDisabled)) ||
        (Part == sbpLineDown && (Bar->Flags & sbfLastArrowDisabled)) || !ScrollBarUsable(Bar, CtrlHandle))
        return;
    // A hot bar stops being hot while it is pressed.
    if (T.HotWnd && T.HotTimerId)
        KillTimer(T.HotWnd, T.HotTimerId);
    T.HotWnd = nullptr, T.HotBar = -1, T.HotTimerId = 0, T.LastHotPart = T.NewHotPart = sbpNone;
    T.PressedWnd = CtrlHandle;
    T.ScrollMsg = Index == SB_HORZ ? WM_HSCROLL : WM_VSCROLL;
    T.PressedBar = Index;
    T.PressedPart = Part;
    T.PartUnderCursor = Part;
    T.ReleaseCapture = ReleasesCaptureAfterPress();
    SetCapture(CtrlHandle);
    if (Part == sbpThumb) {
        T.ThumbRect = Bar->Vertical() ? TRect(L.ThumbStart, BarR.left, L.ThumbStart + L.ThumbLength, BarR.right)
                                      : TRect(L.ThumbStart, BarR.top, L.ThumbStart + L.ThumbLength, BarR.bottom);
        T.ThumbLength = L.ThumbLength;
        Dragging = true;
        Bar->ScrollInfo.nTrackPos = Bar->ScrollInfo.nPos;
        T.DragOffset = (Bar->Vertical() ? Screen.y : Screen.x) - L.ThumbStart;
        T.LastTrackPos = Bar->ScrollInfo.nPos;
        T.ThumbRect.left -= Bar->Vertical() ? BarR.top : BarR.left;  // kept relative to the bar for painting
        RedrawBar(this, CtrlHandle, Index, T.ThumbRect.left);
        return;
    }
    OwnStep(this, T.ScrollMsg, Part, 0);
    UpdateScrolls(this, true);
    T.TimerId = SetTimer(CtrlHandle, acScrollDelayTimer, acScrollDelay, nullptr) ? acScrollDelayTimer : 0;
}

void TacScrollWnd::TrackPress(const TPoint& Screen) {
    TacScrollTracking& T = acScrollTracking;
    TacScrollBar* Bar = this->Bar(T.PressedBar);
    if (!Bar)
        return;
    TRect BarR;
    TacBarLayout L = LayoutOf(this, CtrlHandle, Bar, BarR);
    int Part = PartAtPoint(L, BarR, Bar->Vertical(), Screen);
    int Under = Part == T.PressedPart ? Part : sbpNone;
    if (Under != T.PartUnderCursor) {
        T.PartUnderCursor = Under;
        RedrawBar(this, CtrlHandle, T.PressedBar);
    }
}

void TacScrollWnd::DragThumb(const TPoint& Screen) {
    TacScrollTracking& T = acScrollTracking;
    TacScrollBar* Bar = this->Bar(T.PressedBar);
    if (!Bar)
        return;
    TRect BarR = GetScrollRect(this, CtrlHandle, T.PressedBar);
    bool V = Bar->Vertical();
    int Arrow = CalcBarLayout(BarR, V, GetScrollMetric(Bar, false), Bar->ScrollInfo, Bar->MinThumbSize).Arrow;
    int TrackStart = (V ? BarR.top : BarR.left) + Arrow;
    int TrackEnd = (V ? BarR.bottom : BarR.right) - Arrow;
    int Start = std::clamp(static_cast<int>(V ? Screen.y : Screen.x) - T.DragOffset, TrackStart,
                           std::max(TrackStart, TrackEnd - T.ThumbLength));
    int Pos = ThumbDragPosition(Start, TrackStart, TrackEnd - TrackStart, T.ThumbLength, Bar->ScrollInfo);
    T.ThumbRect.left = Start - (V ? BarR.top : BarR.left);
    if (Pos != T.LastTrackPos) {
        Bar->ScrollInfo.nTrackPos = Pos;
        OwnStep(this, T.ScrollMsg, SB_THUMBTRACK, Pos);
        T.LastTrackPos = Pos;
    }
    // After the step: the window may have moved its standard thumb into the frame meanwhile.
    RedrawBar(this, CtrlHandle, T.PressedBar, T.ThumbRect.left);
}

void TacScrollWnd::EndPress(const TPoint&) {
    TacScrollTracking& T = acScrollTracking;
    if (T.PressedWnd != CtrlHandle || T.PressedPart == sbpNone)
        return;
    int Part = T.PressedPart;
    UINT Msg = T.ScrollMsg;
    if (T.TimerId)
        KillTimer(CtrlHandle, T.TimerId);
    T.TimerId = 0;
    T.PressedPart = T.PartUnderCursor = sbpNone;
    T.PressedWnd = nullptr;
    T.PressedBar = -1;
    T.ScrollMsg = 0;
    bool release = T.ReleaseCapture;
    T.ReleaseCapture = true;
    if (release && GetCapture() == CtrlHandle)
        ReleaseCapture();
    if (Dragging) {
        auto dropped = Finally([this] { Dragging = false; });
        OwnStep(this, Msg, SB_THUMBPOSITION, T.LastTrackPos);
    }
    OwnStep(this, Msg, SB_ENDSCROLL, Part == sbpThumb ? T.LastTrackPos : 0);
    UpdateScrolls(this, true);
}

bool TacScrollWnd::Timer(UINT_PTR Id) {
    TacScrollTracking& T = acScrollTracking;
    if ((Id == acScrollDelayTimer || Id == acScrollRepeatTimer) && T.PressedWnd == CtrlHandle && T.TimerId == Id) {
        if (Id == acScrollDelayTimer) {
            KillTimer(CtrlHandle, acScrollDelayTimer);
            T.TimerId = SetTimer(CtrlHandle, acScrollRepeatTimer, acScrollRepeat, nullptr) ? acScrollRepeatTimer : 0;
            return true;
        }
        // The cursor is tracked in screen coordinates, like the bars' rectangles, so a bar at the left edge
        // (outside the client area) repeats too.
        TPoint Cursor = GetCursorPoint();
        TrackPress(Cursor);
        if (T.PartUnderCursor != sbpNone) {
            OwnStep(this, T.ScrollMsg, T.PartUnderCursor, 0);
            UpdateScrolls(this, true);
        }
        return true;
    }
    if (Id == acScrollHotTimer && T.HotWnd == CtrlHandle && T.HotTimerId == Id) {
        if (Dragging)
            return true;
        TPoint Cursor = GetCursorPoint();
        if (T.HotRect.Contains(Cursor) && Bar(T.HotBar)) {
            TRect BarR;
            TacBarLayout L = LayoutOf(this, CtrlHandle, Bar(T.HotBar), BarR);
            T.NewHotPart = PartAtPoint(L, BarR, Bar(T.HotBar)->Vertical(), Cursor);
            if (T.NewHotPart != T.LastHotPart) {
                T.LastHotPart = T.NewHotPart;
                RedrawBar(this, CtrlHandle, T.HotBar);
            }
        } else {
            KillTimer(CtrlHandle, acScrollHotTimer);
            T.HotTimerId = 0;
            T.HotWnd = nullptr;
            T.HotBar = -1;
            T.LastHotPart = T.NewHotPart = sbpNone;
            PaintScrollBars(this, CtrlHandle, nullptr);
        }
        return true;
    }
    return false;
}

void TacScrollWnd::StartHotTracking(int BarIndex) {
    TacScrollTracking& T = acScrollTracking;
    if (T.HotWnd == CtrlHandle && T.HotBar == BarIndex)
        return;
    if (T.PressedWnd)
        return;
    HWND Previous = T.HotWnd;
    if (Previous && T.HotTimerId)
        KillTimer(Previous, T.HotTimerId);
    T.HotWnd = CtrlHandle;
    T.LastHotPart = T.NewHotPart = sbpNone;
    T.HotRect = GetScrollRect(this, CtrlHandle, BarIndex);
    T.HotBar = BarIndex;
    T.HotTimerId = SetTimer(CtrlHandle, acScrollHotTimer, acScrollHotPeriod, nullptr) ? acScrollHotTimer : 0;
    // The bar that was hot before shows its normal look again.
    if (Previous && Previous != CtrlHandle)
        if (TacScrollWnd* Other = ScrollAdapterOf(Previous))
            PaintScrollBars(Other, Previous, nullptr);
    PaintScrollBars(this, CtrlHandle, nullptr);
}

void TacScrollWnd::ScrollCommand(TMessage& Message) {
    TsSkinManager* Manager = ManagerOf(this);
    LPARAM Sender = Message.LParam;
    bool Ours = Manager && Sender == reinterpret_cast<LPARAM>(Manager);
    switch (SkinCmdOf(Message.WParam)) {
    case scNewSkin:
        if (Ours)
            SkinData->UpdateIndexes();
        break;
    case scRemoveSkin:
        if (Ours)
            RestoreStdParams();
        break;
    case scRefresh:
        if (Ours) {
            SkinData->UpdateIndexes();
            SkinData->BGChanged = true;
        }
        break;
    case scRepaintHeld:
        if (SkinData->NeedsRepaint()) {
            SkinData->SetUpdating(false);
            RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
        }
        break;
    case scIsSkinned:
        Message.Result = 1;
        return;
    case scSetUpdating:
        SkinData->SetUpdating(SkinCmdArgOf(Message.WParam) == 1);
        break;
    case scGetColor:
        CallPrevWndProc(Message);
        if (Message.Result == 0)
            Message.Result = static_cast<LRESULT>(GetBGColor(SkinData, false, CtrlHandle));
        return;
    case scGetBgInfo: {
        CallPrevWndProc(Message);
        auto* Info = reinterpret_cast<TacBGInfo*>(Message.LParam);
        if (Info && Info->BgType == 0)
            GetBGInfo(SkinData, *Info, false, CtrlHandle);
        return;
    }
    case scGetApplication:
        Message.Result = reinterpret_cast<LRESULT>(static_cast<TApplication*>(Application));
        return;
    default:
        break;
    }
    CallPrevWndProc(Message);
}

void TacScrollWnd::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_DESTROY:
    case WM_NCDESTROY: {
        ForgetTracking(CtrlHandle);
        bool WasHooked = Hooked() && !Destroyed;
        CallPrevWndProc(Message);
        if (WasHooked) {
            TacMainWnd* Self = this;
            UninitializeScrollAdapter(CtrlHandle, false, false, Self);
        }
        return;
    }
    case WM_UPDATEUISTATE:
        return;
    default:
        break;
    }
    if (Destroyed)
        return;
    if (!SkinData || !SkinData->Skinned()) {
        CallPrevWndProc(Message);
        return;
    }
    if (Message.Msg == SM_QUORVEXCMD) {
        ScrollCommand(Message);
        return;
    }
    TacScrollTracking& T = acScrollTracking;
    switch (Message.Msg) {
    case WM_NCCALCSIZE:
        CalcNonClient(Message);
        return;
    case WM_STYLECHANGED:
        if (Busy) {
            Message.Result = 0;
            return;
        }
        if (Message.WParam == static_cast<WPARAM>(GWL_EXSTYLE))
            LeftScroll = (reinterpret_cast<STYLESTRUCT*>(Message.LParam)->styleNew & WS_EX_LEFTSCROLLBAR) != 0;
        CallPrevWndProc(Message);
        return;
    case WM_NCPAINT:
        // The previous procedure first: where it paints the standard bars, ours come over them.
        CallPrevWndProc(Message);
        if (IsWindowVisible(CtrlHandle)) {
            SkinData->SetUpdating(SkinData->NeedsRepaint());
            if (!SkinData->Updating && !Scrolling)
                PaintScrollBars(this, CtrlHandle, nullptr);
        }
        return;
    case WM_PRINT:
        CallPrevWndProc(Message);
        if (Message.LParam & PRF_NONCLIENT)
            PaintScrollBars(this, CtrlHandle, reinterpret_cast<HDC>(Message.WParam));
        return;
    case WM_NCHITTEST: {
        LRESULT Hit = HitTest(PointOf(Message.LParam));
        if (Hit >= 0)
            Message.Result = Hit;
        else
            CallPrevWndProc(Message);
        return;
    }
    case WM_NCMOUSEMOVE:
        if (Message.WParam == HTHSCROLL || Message.WParam == HTVSCROLL)
            StartHotTracking(BarIndexOfHit(Message.WParam));
        CallPrevWndProc(Message);
        return;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
        if (Message.WParam == HTHSCROLL || Message.WParam == HTVSCROLL)
            Press(Message);
        else
            CallPrevWndProc(Message);  // a double-click on the caption or a border stays a double-click
        return;
    case WM_MOUSEMOVE:
        if (T.PressedWnd == CtrlHandle && T.PressedPart != sbpNone) {
            TPoint Screen = ClientToScreenPoint(CtrlHandle, Message.LParam);
            if (Dragging)
                DragThumb(Screen);
            else
                TrackPress(Screen);
            return;
        }
        CallPrevWndProc(Message);
        return;
    case WM_LBUTTONUP:
        if (T.PressedWnd == CtrlHandle && T.PressedPart != sbpNone)
            EndPress(ClientToScreenPoint(CtrlHandle, Message.LParam));
        CallPrevWndProc(Message);
        return;
    case WM_CAPTURECHANGED:
        CallPrevWndProc(Message);
        // Capture taken away mid-press (another window took it): the press ends as if the button went up.
        if (T.PressedWnd == CtrlHandle && T.PressedPart != sbpNone && reinterpret_cast<HWND>(Message.LParam) != CtrlHandle)
            EndPress(GetCursorPoint());
        return;
    case WM_TIMER:
        if (!Timer(Message.WParam))
            CallPrevWndProc(Message);
        Repaint();
        return;
    case WM_SYSCOMMAND:
        // The system's own bar tracking would paint the standard bars.
        if ((Message.WParam & 0xFFFF) == SC_VSCROLL_BAR || (Message.WParam & 0xFFFF) == SC_HSCROLL_BAR)
            return;
        CallPrevWndProc(Message);
        return;
    case WM_MOUSEWHEEL:
    case CM_MOUSEWHEEL:
        CallPrevWndProc(Message);
        if (!Scrolling)
            UpdateScrolls(this, true);
        return;
    case CM_FOCUSCHANGED:
        CallPrevWndProc(Message);
        UpdateScrolls(this, true);
        return;
    case CM_UIACTIVATE:
        CallPrevWndProc(Message);
        if (WndSize.cx != 0)
            SetWindowPos(CtrlHandle, nullptr, 0, 0, WndSize.cx, WndSize.cy, 0x726);
        return;
    default:
        CallPrevWndProc(Message);
        return;
    }
}

// --- giving back, flat scroll bars ---

void UninitializeScrollAdapter(HWND Wnd, bool FreeIt, bool Repaint, TacMainWnd*& Adapter) {
    if (!Adapter)
        return;
    ForgetTracking(Wnd);
    // Every window gets its procedure back, whether or not a class-library control owns it.
    UninitializeAdapter(Wnd, false, Repaint, Adapter);
    if (auto* Scroll = dynamic_cast<TacScrollWnd*>(Adapter)) {
        Scroll->Dragging = false;
        for (int i = SB_HORZ; i <= SB_VERT; ++i)
            if (TacScrollBar* Bar = Scroll->Bar(i))
                Bar->Owner = nullptr;
        Scroll->HScrollBar.reset();
        Scroll->VScrollBar.reset();
    }
    if (FreeIt) {
        Adapter->OldWndProc = nullptr;
        TacAdapterDelete()(Adapter);
        Adapter = nullptr;
    }
}

void LoadFlatSBProcs() {
    static bool Loaded = false;
    if (Loaded)
        return;
    Loaded = true;
    if (HMODULE Lib = GetModuleHandleW(L"comctl32.dll") ? GetModuleHandleW(L"comctl32.dll") : LoadLibraryW(L"comctl32.dll")) {
        acInitializeFlatSB = reinterpret_cast<TFlatSBProc>(reinterpret_cast<void*>(GetProcAddress(Lib, "InitializeFlatSB")));
        acUninitializeFlatSB =
            reinterpret_cast<TFlatSBProc>(reinterpret_cast<void*>(GetProcAddress(Lib, "UninitializeFlatSB")));
    }
}

void InitFlatScrollBars(TsCommonData* SkinData, TacAdapterPtr<TacScrollWnd>& Adapter) {
    if (!SkinData)
        return;
    auto* Owner = dynamic_cast<TWinControl*>(SkinData->OwnerControl());
    if (!Owner || Owner->Loading() || Owner->Destroying() || Owner->ComponentState().Contains(csDesigning))
        return;
    LoadFlatSBProcs();
    if (SkinData->Skinned()) {
        if (acUninitializeFlatSB)
            acUninitializeFlatSB(Owner->Handle());
        if (Adapter && Adapter->Destroyed)
            Adapter.reset();
        if (!Adapter)
            Adapter = CreateAdapter<TacScrollWnd>(Owner->Handle(), SkinData, SkinData->SkinManager(), "", true);
    } else {
        Adapter.reset();
        if (acInitializeFlatSB)
            acInitializeFlatSB(Owner->Handle());
    }
}
