// Screen snapping and the XOR move/size frame of skinned forms.
#include "acSnapping.h"

#include "classlib/runtime/SysUtils.h"

#include <algorithm>
#include <cstdlib>

bool XorActive = false;
bool XorMoving = false;
bool XorFirstMove = false;
int XorHitCode = 0;
TRect XorRect;
TPoint XorLastPos;
int XorMinHeight = 0;
int XorMinWidth = 0;

namespace {

// The desktop while the frame is shown.
HWND XorDesktop = nullptr;
HDC XorDC = nullptr;
int XorSavedDC = 0;
// The frame as last drawn (screen coordinates), so the erase inverts exactly those pixels again even when the
// frame rectangle has changed since.
bool XorDrawn = false;
TRect XorDrawnRect;
TPoint XorOrigin;

void PolylineFrame(const TRect& R) {
    // A closed outline through the corner pixels: right and bottom are exclusive, so the last column and row inside.
    const POINT pts[5] = {{R.left, R.top},
                          {R.right - 1, R.top},
                          {R.right - 1, R.bottom - 1},
                          {R.left, R.bottom - 1},
                          {R.left, R.top}};
    Win32Check(Polyline(XorDC, pts, 5), "Polyline");
}

void ToggleFrame() {
    PolylineFrame(XorDrawnRect);
    XorDrawn = !XorDrawn;
}

// Erases the frame if it is shown, then shows it at XorRect.
void RedrawFrame() {
    if (XorDrawn)
        ToggleFrame();
    XorDrawnRect = TRect(XorRect.left + XorOrigin.x, XorRect.top + XorOrigin.y, XorRect.right + XorOrigin.x,
                         XorRect.bottom + XorOrigin.y);
    ToggleFrame();
}

}  // namespace

void SnapToEdge(int& Pos, int Edge, int Buffer, int Size) {
    if (std::abs(Pos + Size - Edge) < Buffer)
        Pos = Edge - Size;
}

void SnapToWorkArea(int& X, int& Y, int Width, int Height, const TRect& WorkArea, int Buffer) {
    SnapToEdge(X, WorkArea.right, Buffer, Width);
    SnapToEdge(Y, WorkArea.bottom, Buffer, Height);
    // The left and top edges are compared with the form's own left and top (size 0), wherever the monitor lies.
    SnapToEdge(X, WorkArea.left, Buffer, 0);
    SnapToEdge(Y, WorkArea.top, Buffer, 0);
}

bool SnapWindowPos(HWND Wnd, WINDOWPOS& Pos, int Buffer) {
    // The work area is in screen coordinates, so only top-level windows are compared with it.
    if ((Pos.flags & SWP_NOMOVE) != 0 || IsZoomed(Wnd) || (Pos.x == 0 && Pos.y == 0) ||
        (GetWindowLongA(Wnd, GWL_STYLE) & WS_CHILD) != 0)
        return false;
    RECT work;
    Win32Check(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0), "SystemParametersInfo(SPI_GETWORKAREA)");
    int width = Pos.cx, height = Pos.cy;
    if ((Pos.flags & SWP_NOSIZE) != 0) {
        RECT r;
        Win32Check(GetWindowRect(Wnd, &r), "GetWindowRect");
        width = r.right - r.left;
        height = r.bottom - r.top;
    }
    int x = Pos.x, y = Pos.y;
    SnapToWorkArea(x, y, width, height, TRect(work), Buffer);
    if (x == Pos.x && y == Pos.y)
        return false;
    Pos.x = x;
    Pos.y = y;
    return true;
}

TacXorForm TacXorForm::FromWindow(HWND Wnd, int MinWidth, int MinHeight) {
    TacXorForm f;
    f.Handle = Wnd;
    RECT r;
    Win32Check(GetWindowRect(Wnd, &r), "GetWindowRect");
    f.Width = r.right - r.left;
    f.Height = r.bottom - r.top;
    f.MinWidth = MinWidth;
    f.MinHeight = MinHeight;
    if ((GetWindowLongA(Wnd, GWL_STYLE) & WS_CHILD) != 0 && GetParent(Wnd) != nullptr) {
        POINT o{0, 0};
        ClientToScreen(GetParent(Wnd), &o);
        f.Origin = TPoint(o);
    }
    f.Left = r.left - f.Origin.x;
    f.Top = r.top - f.Origin.y;
    return f;
}

TRect XorSizedRect(const TacXorForm& Form, int HitCode, int DX, int DY, int MinWidth, int MinHeight) {
    TRect r = Bounds(Form.Left, Form.Top, Form.Width, Form.Height);
    const bool left = HitCode == HTLEFT || HitCode == HTTOPLEFT || HitCode == HTBOTTOMLEFT;
    const bool top = HitCode == HTTOP || HitCode == HTTOPLEFT || HitCode == HTTOPRIGHT;
    const bool right = HitCode == HTRIGHT || HitCode == HTTOPRIGHT ||
                       !(left || top || HitCode == HTBOTTOM);  // any other code sizes from the bottom-right corner
    const bool bottom = HitCode == HTBOTTOM || HitCode == HTBOTTOMLEFT || !(left || top || HitCode == HTRIGHT);
    if (left)
        r.left = std::min<LONG>(Form.Left + DX, r.right - MinWidth);
    if (right)
        r.right = std::max<LONG>(Form.Left + Form.Width + DX, r.left + MinWidth);
    if (top)
        r.top = std::min<LONG>(Form.Top + DY, r.bottom - MinHeight);
    if (bottom)
        r.bottom = std::max<LONG>(Form.Top + Form.Height + DY, r.top + MinHeight);
    return r;
}

void StartXorFrame(const TacXorForm& Form, bool Moving, int X, int Y) {
    if (XorActive)
        throw EInvalidOperation("An XOR frame is already on screen");
    XorDesktop = GetDesktopWindow();
    XorDC = GetWindowDC(XorDesktop);
    if (XorDC == nullptr)
        RaiseLastOSError("GetWindowDC(desktop)");
    XorSavedDC = SaveDC(XorDC);
    SetROP2(XorDC, R2_NOT);
    XorActive = true;
    XorMoving = Moving;
    XorFirstMove = true;
    XorDrawn = false;
    XorOrigin = Form.Origin;
    XorLastPos = TPoint(X, Y);
    XorRect = Bounds(Form.Left, Form.Top, Form.Width, Form.Height);
    // A form without constraints can still not be sized below the system's smallest tracking size.
    XorMinWidth = std::max(Form.MinWidth, GetSystemMetrics(SM_CXMINTRACK));
    XorMinHeight = std::max(Form.MinHeight, GetSystemMetrics(SM_CYMINTRACK));
    RedrawFrame();
}

void XorMouseMove(const TacXorForm& Form, int X, int Y) {
    if (XorFirstMove) {
        XorLastPos = TPoint(X, Y);
        XorFirstMove = false;
    }
    if (!XorActive)
        return;
    if (XorMoving) {
        const int dx = X - XorLastPos.x, dy = Y - XorLastPos.y;
        XorRect = TRect(XorRect.left + dx, XorRect.top + dy, XorRect.right + dx, XorRect.bottom + dy);
        XorLastPos = TPoint(X, Y);
    } else {
        // The size follows the whole way from where the drag began, so the form's own bounds are the base.
        XorRect = XorSizedRect(Form, XorHitCode, X - XorLastPos.x, Y - XorLastPos.y, XorMinWidth, XorMinHeight);
    }
    RedrawFrame();
}

namespace {

// Erases the outline and gives the desktop back.
void TakeFrameDown() {
    XorActive = false;
    if (XorDrawn)
        ToggleFrame();
    RestoreDC(XorDC, XorSavedDC);
    ReleaseDC(XorDesktop, XorDC);
    XorDC = nullptr;
    XorDesktop = nullptr;
}

}  // namespace

void CancelXorFrame(HWND Owner) {
    // The capture may have gone to another window already (a message box, another drag): that one keeps it.
    if (Owner && GetCapture() == Owner)
        ReleaseCapture();
    if (!XorActive)
        return;
    TakeFrameDown();
    XorFirstMove = false;
}

void EndXorFrame(const TacXorForm& Form) {
    ReleaseCapture();
    if (!XorActive)
        return;
    TakeFrameDown();
    const bool moved = !XorFirstMove;
    XorFirstMove = false;
    if (XorMoving)
        Win32Check(MoveWindow(Form.Handle, XorRect.left, XorRect.top, Form.Width, Form.Height, TRUE), "MoveWindow");
    else if (moved)
        Win32Check(MoveWindow(Form.Handle, XorRect.left, XorRect.top, XorRect.Width(), XorRect.Height(), TRUE),
                   "MoveWindow");
}
