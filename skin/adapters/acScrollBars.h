#pragma once
// Skinned scroll bars: the adapter of windows whose standard scroll bars are replaced by bars painted with the
// skin. The window keeps its real scroll information and still receives its own scroll messages; the adapter
// takes the room the bars need from the non-client area, paints both bars and the size grip, hit-tests them and
// turns presses, repeats and thumb drags into scroll messages.
#include "acSBUtils.h"
#include "acScrollGeometry.h"

#include <cstdint>
#include <memory>

class TacScrollWnd;

// Timers of the bars' presses and hot tracking.
constexpr UINT_PTR acScrollDelayTimer = 65533;   // first delay after a press on an arrow or the track
constexpr UINT_PTR acScrollRepeatTimer = 65534;  // auto-repeat of the pressed part
constexpr UINT_PTR acScrollHotTimer = 65522;     // hot tracking while the cursor is over a bar
constexpr UINT acScrollDelay = 300, acScrollRepeat = 55, acScrollHotPeriod = 20;

// Bits of TacScrollBar::Flags.
constexpr uint16_t sbfFirstArrowDisabled = 1;
constexpr uint16_t sbfLastArrowDisabled = 2;
constexpr uint16_t sbfNeedsRange = 4;  // usable only while the range exceeds the page
constexpr uint16_t sbfStyle = 8;       // the window has the bar's scroll style

// One bar of a skinned window.
class TacScrollBar : public TObject {
    CLASS_INFO(TacScrollBar, TObject)
public:
    uint16_t Flags = 0;
    // 1 while the bar is shown and fits (set by the non-client size calculation).
    uint8_t Visible = 0;
    SCROLLINFO ScrollInfo = {sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
    // 0 or more: a size in pixels; -n: n times the system's size.
    int ArrowLength = -1;
    int BarWidth = -1;
    // Shorten the bar at its start (added to its left or top) and at its end (taken from its right or bottom).
    bool ShortenStart = false;
    bool ShortenEnd = false;
    int StartShift = 0;
    int EndShift = 0;
    uint16_t BarType = SB_HORZ;  // SB_HORZ or SB_VERT
    uint16_t TrackState = 0;
    uint16_t MinThumbSize = acMinThumbSize;
    TacScrollWnd* Owner = nullptr;

    bool Vertical() const { return BarType == SB_VERT; }
};

// The adapter of a window with skinned scroll bars; the edit-like, MDI, menu and dialog adapters derive from it.
class TacScrollWnd : public TacMainWnd {
    CLASS_INFO(TacScrollWnd, TacMainWnd)
public:
    ~TacScrollWnd() override;
    void WndProc(TMessage& Message) override;

    std::unique_ptr<TacScrollBar> HScrollBar;
    std::unique_ptr<TacScrollBar> VScrollBar;
    TacScrollBar* Bar(int Index) const { return Index == SB_VERT ? VScrollBar.get() : HScrollBar.get(); }
    // A thumb drag is under way.
    bool Dragging = false;
    // WS_EX_LEFTSCROLLBAR: the vertical bar sits at the left edge.
    bool LeftScroll = false;
    // The frame's widths found by the last non-client size calculation (window edge to client edge, bars left out).
    int BorderLeft = 0, BorderTop = 0, BorderRight = 0, BorderBottom = 0;
    // The size calculation has the scroll styles removed (an edit adapter also sets it while it applies colours).
    bool Busy = false;

protected:
    // Sets up both bars, then subclasses the window.
    void Hook(HWND AHandle, bool Repaint) override;
    // Whether the end of a press on a bar gives the mouse capture up. A window that holds the capture for a
    // purpose of its own (a dropped combo list) keeps it.
    virtual bool ReleasesCaptureAfterPress() const { return true; }

private:
    friend void UninitializeScrollAdapter(HWND, bool, bool, TacMainWnd*&);
    void CalcNonClient(TMessage& Message);
    LRESULT HitTest(const TPoint& Screen);
    void Press(TMessage& Message);
    void TrackPress(const TPoint& Screen);
    void DragThumb(const TPoint& Screen);
    void EndPress(const TPoint& Screen);
    bool Timer(UINT_PTR Id);
    void StartHotTracking(int BarIndex);
    void ScrollCommand(TMessage& Message);
    void Repaint();
};

// Sets the adapter's bars up on Handle (both bars' scroll information, the left-scroll style, "ACSBSC") and
// subclasses the window; with Repaint the frame is recalculated.
void InitScrollBars(TacScrollWnd* Adapter, HWND Handle, bool Repaint);
// The bar's width (Width) or arrow length in pixels; Skinned takes the arrow from the skin's arrow image when it
// is longer than the system's.
int GetScrollMetric(TacScrollBar* Bar, bool Width, bool Skinned = true);
// Screen rectangles of the bars of the adapter's window Wnd.
TRect GetHScrollRect(TacScrollWnd* Adapter, HWND Wnd);
TRect GetVScrollRect(TacScrollWnd* Adapter, HWND Wnd);
TRect GetScrollRect(TacScrollWnd* Adapter, HWND Wnd, int BarIndex);
// The bar can be used: the system knows it, not both arrows are disabled, and (with sbfNeedsRange) its range
// exceeds its page.
bool ScrollBarUsable(TacScrollBar* Bar, HWND Wnd);
// Re-reads both bars' scroll information; with Repaint (and unless painting is held back) repaints them.
void UpdateScrolls(TacScrollWnd* Adapter, bool Repaint);
// The minimum thumb length of bar 0 (horizontal), 1 (vertical) or 3 (both); false when Wnd has no scroll adapter.
bool SetMinThumbSize(HWND Wnd, int BarIndex, int Size);
// Bar 0 or 1 of Wnd's scroll adapter; nil without one or for another code.
TacScrollBar* GetScrollBarOfWnd(HWND Wnd, int BarIndex);
// One scroll step: skin command 51 (when the window answers 0, the adapter sets the thumb's position itself for
// SB_THUMBTRACK), the scroll message, then command 52, whose answer is returned.
LRESULT DoScroll(HWND Wnd, UINT Msg, int Code, int Pos);
// Paints the visible bars and the corner between them into DC (the window DC when 0), window-relative.
void PaintScrollBars(TacScrollWnd* Adapter, HWND Wnd, HDC DC);
// As UninitializeAdapter, for scroll adapters: the bars go with the window procedure.
void UninitializeScrollAdapter(HWND Wnd, bool FreeIt, bool Repaint, TacMainWnd*& Adapter);
// A frame's or form's bars: skinned ones (a scroll adapter on the owner's window, made when there is none) while
// the skin data is skinned, the system's flat scroll bars otherwise.
void InitFlatScrollBars(TsCommonData* SkinData, TacAdapterPtr<TacScrollWnd>& Adapter);

// The library-wide state of the one pressed or hot bar in the process.
struct TacScrollTracking {
    HWND PressedWnd = nullptr;
    int PressedBar = -1;
    UINT ScrollMsg = 0;
    int PressedPart = sbpNone;
    int PartUnderCursor = sbpNone;
    int LastTrackPos = 0;
    UINT_PTR TimerId = 0;
    HWND HotWnd = nullptr;
    int HotBar = -1;
    UINT_PTR HotTimerId = 0;
    int LastHotPart = sbpNone;
    int NewHotPart = sbpNone;
    TRect HotRect;
    TRect ThumbRect;  // the bar's screen rectangle at the press of a thumb
    int ThumbLength = 0;
    int DragOffset = 0;
    // The press gives the capture up when it ends (or when its adapter goes first).
    bool ReleaseCapture = true;
};
extern TacScrollTracking acScrollTracking;

// The system's flat scroll bars of comctl32, found when first needed (no import library carries them); nil
// where the system has none.
using TFlatSBProc = BOOL(WINAPI*)(HWND);
extern TFlatSBProc acInitializeFlatSB;
extern TFlatSBProc acUninitializeFlatSB;
void LoadFlatSBProcs();
