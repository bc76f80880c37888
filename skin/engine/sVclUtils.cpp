#include "sVclUtils.h"

#include "acSkinHooks.h"
#include "sConst.h"
#include "sGraphUtils.h"

#include "classlib/visual/ComCtrls.h"
#include "classlib/runtime/Finally.h"
#include "classlib/visual/Forms.h"

#include <algorithm>

namespace {

void FadeInControl(TWinControl* Control, int Time) { AnimShowControl(Control, Time); }

}  // namespace

bool acAnimInProgress = false;
TacAnimShowProc acAnimShowControl = FadeInControl;
TOutputWindow* acOutputWindow = nullptr;
TacFadeStepEvent acOnFadeStep;

LRESULT SendSkinCmdToHandle(HWND Wnd, TacSkinCommand Command, LPARAM LParam) {
    return SendMessageA(Wnd, SM_QUORVEXCMD, MakeSkinCmd(Command), LParam);
}

LRESULT SendSkinCmdToControl(TControl* Control, TacSkinCommand Command, LPARAM LParam) {
    if (!Control)
        return 0;
    auto* windowed = dynamic_cast<TWinControl*>(Control);
    if (!windowed)
        return Control->Perform(SM_QUORVEXCMD, MakeSkinCmd(Command), LParam);
    if (windowed->Destroying() || !windowed->HandleAllocated())
        return 0;
    return SendSkinCmdToHandle(windowed->Handle(), Command, LParam);
}

bool GetSkinCmdBool(HWND Wnd, TacSkinCommand Command) { return SendSkinCmdToHandle(Wnd, Command, 0) == 1; }

void NotifyFormOfControl(TControl* Control) {
    if (!Control || Control->ComponentState().Contains(csDesigning))
        return;
    TCustomForm* form = GetParentFormOf(Control);
    if (form && form->HandleAllocated())
        SendSkinCmdToHandle(form->Handle(), scControlCreated, reinterpret_cast<LPARAM>(Control));
}

void BroadcastSkinMessage(TWinControl* Parent, TMessage& Message) {
    if (!Parent)
        return;
    // A handler may take children away: the count is read again for every child.
    for (int i = 0; i < Parent->ControlCount(); ++i) {
        TControl* child = Parent->Controls(i);
        if (child->Destroying())
            return;
        auto* windowed = dynamic_cast<TWinControl*>(child);
        if (!windowed || !windowed->HandleAllocated())
            Message.Result = child->Perform(Message.Msg, Message.WParam, Message.LParam);
        else if (GetSkinCmdBool(windowed->Handle(), scIsSkinned))
            Message.Result = SendMessageA(windowed->Handle(), Message.Msg, Message.WParam, Message.LParam);
        else
            BroadcastSkinMessage(windowed, Message);
    }
}

namespace {

struct TChildBroadcast {
    HWND Parent;
    const TMessage* Message;
};

BOOL CALLBACK SendToDirectChild(HWND Wnd, LPARAM Data) {
    auto* b = reinterpret_cast<TChildBroadcast*>(Data);
    if (GetParent(Wnd) == b->Parent)
        SendMessageA(Wnd, b->Message->Msg, b->Message->WParam, b->Message->LParam);
    return TRUE;
}

}  // namespace

void BroadcastToChildWindows(HWND Wnd, const TMessage& Message) {
    TChildBroadcast b{Wnd, &Message};
    EnumChildWindows(Wnd, SendToDirectChild, reinterpret_cast<LPARAM>(&b));
}

void FindSkinProvider(TComponent* Form, TMessage& Message) {
    if (!Form)
        return;
    for (int i = 0; i < Form->ComponentCount(); ++i) {
        auto* provider = dynamic_cast<TacSkinProviderBase*>(Form->Components(i));
        if (provider && !provider->Destroying()) {
            provider->HandleSkinMessage(Message);
            return;
        }
    }
}

TColor GetControlColor(TControl* Control) {
    if (!Control)
        return clFuchsia;
    if (SendSkinCmdNoParam(Control, scIsSkinned) == 1)
        return ColorToRGB(static_cast<TColor>(SendSkinCmdToControl(Control, scGetColor, clFuchsia)));
    return ColorToRGB(Control->Color());
}

TColor GetWndColor(HWND Wnd) {
    if (!Wnd)
        return clFuchsia;
    return ColorToRGB(static_cast<TColor>(SendSkinCmdToHandle(Wnd, scGetColor, clFuchsia)));
}

void UnlockChildControls(TWinControl* Control) {
    if (!Control || acAnimInProgress)
        return;
    for (int i = 0; i < Control->ControlCount(); ++i) {
        auto* child = dynamic_cast<TWinControl*>(Control->Controls(i));
        if (child && !child->Destroying() && child->HandleAllocated() && child->Showing())
            SendSkinCmdToHandle(child->Handle(), scRepaintHeld, 0);
    }
}

void UnlockChildWindows(HWND Wnd) {
    for (HWND child = GetWindow(Wnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetWindowLongA(child, GWL_STYLE) & WS_CHILD)
            SendSkinCmdToHandle(child, scRepaintHeld, 0);
}

TCustomForm* GetParentFormOf(TControl* Control) {
    for (TControl* c = Control; c; c = c->Parent())
        if (auto* form = dynamic_cast<TCustomForm*>(c))
            return form;
    return nullptr;
}

bool ControlIsReady(TControl* Control) {
    if (!Control)
        return false;
    if (auto* windowed = dynamic_cast<TWinControl*>(Control); windowed && !windowed->HandleAllocated())
        return false;
    return !Control->Loading() && !Control->ControlState().Contains(csCreating) && !Control->Destroying() &&
           Control->Parent();
}

UINT GetDrawTextFlags(TControl* Control, TAlignment Alignment) {
    static const UINT alignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    (void)Control;  // the class library's controls read left to right, so their text flags stay as they are
    return alignments[Alignment] | DT_EXPANDTABS | DT_VCENTER;
}

void GetWorkArea(TRect& R) {
    RECT r;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0))
        r = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    R = TRect(r.left, r.top, r.right, r.bottom);
}

TPoint GetCursorPoint() {
    POINT p = {};
    GetCursorPos(&p);
    return TPoint(p.x, p.y);
}

void GetClientRectInWindow(HWND Wnd, TRect& R) {
    RECT client = {}, window = {};
    POINT origin = {0, 0};
    GetClientRect(Wnd, &client);
    ClientToScreen(Wnd, &origin);
    GetWindowRect(Wnd, &window);
    int dx = origin.x - window.left, dy = origin.y - window.top;
    R = TRect(client.left + dx, client.top + dy, client.right + dx, client.bottom + dy);
}

int SumAlignedSizes(TWinControl* Parent, TAlign Align, bool CountGraphic) {
    if (!Parent)
        return 0;
    int sum = 0;
    for (int i = 0; i < Parent->ControlCount(); ++i) {
        TControl* c = Parent->Controls(i);
        if (!c->Visible() || c->Align() != Align || (!CountGraphic && !dynamic_cast<TWinControl*>(c)))
            continue;
        sum += Align == alTop || Align == alBottom ? c->Height() : c->Width();
    }
    return sum;
}

// --- child painting ---

HDC acPaintingDC = nullptr;

namespace {

// A window's position inside the window of the control it is painted with.
TPoint WindowOffset(HWND Wnd, HWND Outer) {
    RECT inner{}, outer{};
    GetWindowRect(Wnd, &inner);
    GetWindowRect(Outer, &outer);
    return TPoint(inner.left - outer.left, inner.top - outer.top);
}

// Where the client area of a window lies inside the window (below its caption, inside its frame).
TPoint ClientOrigin(HWND Wnd) {
    TRect client;
    GetClientRectInWindow(Wnd, client);
    return client.TopLeft();
}

// Where a windowed child's picture starts in the picture of its parent, which is drawn in window coordinates.
TPoint ChildOrigin(TWinControl* Child, HWND Parent) {
    if (Child->HandleAllocated())
        return WindowOffset(Child->Handle(), Parent);
    TPoint client = ClientOrigin(Parent);
    return TPoint(client.x + Child->Left(), client.y + Child->Top());
}

void PaintTree(HDC DC, TControl* Control) {
    if (!Control || !Control->Visible())
        return;
    int saved = SaveDC(DC);
    auto restore = Finally([&] { RestoreDC(DC, saved); });
    IntersectClipRect(DC, 0, 0, Control->Width(), Control->Height());
    auto* windowed = dynamic_cast<TWinControl*>(Control);
    if (!windowed) {
        Control->Perform(WM_PRINT, reinterpret_cast<WPARAM>(DC), PRF_CLIENT | PRF_ERASEBKGND);
        return;
    }
    HWND wnd = windowed->Handle();
    if (auto* form = dynamic_cast<TCustomForm*>(windowed); form && form->FormStyle() == fsMDIForm) {
        for (int i = 0; i < form->MDIChildCount(); ++i) {
            TCustomForm* child = form->MDIChildren(i);
            if (!child || !child->HandleAllocated())
                continue;
            int inner = SaveDC(DC);
            TPoint at = WindowOffset(child->Handle(), wnd);
            OffsetViewportOrgEx(DC, at.x, at.y, nullptr);
            PaintTree(DC, child);
            RestoreDC(DC, inner);
        }
    }
    // The picture is the whole window's: a skinned window prints its frame too, and PaintTo, which paints a
    // top-level window's client area alone, paints it where the client lies. Every child then goes where its window
    // lies in this one, so the frame and caption of a form (or a tab sheet's border, which the class library keeps
    // inside the client area) move nothing out of place.
    if (GetSkinCmdBool(wnd, scIsSkinned)) {
        SendMessageA(wnd, WM_PRINT, reinterpret_cast<WPARAM>(DC), PRF_CLIENT | PRF_NONCLIENT | PRF_ERASEBKGND);
    } else {
        TPoint client = GetWindowLongW(wnd, GWL_STYLE) & WS_CHILD ? TPoint(0, 0) : ClientOrigin(wnd);
        windowed->PaintTo(DC, client.x, client.y);
    }
    for (int i = 0; i < windowed->ControlCount(); ++i) {
        auto* child = dynamic_cast<TWinControl*>(windowed->Controls(i));
        if (!child || !child->Visible())
            continue;
        int inner = SaveDC(DC);
        // A form shown inside another window without being its child keeps the origin.
        if (!(dynamic_cast<TCustomForm*>(child) && !child->Parent())) {
            TPoint at = ChildOrigin(child, wnd);
            OffsetViewportOrgEx(DC, at.x, at.y, nullptr);
        }
        PaintTree(DC, child);
        RestoreDC(DC, inner);
    }
}

bool IsPaintableGraphic(TControl* Child, const RECT& Clip) {
    if (!Child || dynamic_cast<TWinControl*>(Child) || !Child->Visible() || Child->Destroying())
        return false;
    if (Child->Width() <= 0 || Child->Height() <= 0)
        return false;
    if (auto* button = dynamic_cast<TToolButton*>(Child); button && button->Style() < tbsSeparator)
        return false;
    TRect r = Child->BoundsRect();
    return r.left < Clip.right && r.right > Clip.left && r.top < Clip.bottom && r.bottom > Clip.top;
}

}  // namespace

void PaintControlTree(TBitmap* Bmp, TControl* Control) {
    if (!Bmp || !Control || !Control->Visible())
        return;
    HDC dc = Bmp->Canvas()->Handle();
    HDC previous = acPaintingDC;
    acPaintingDC = dc;
    auto restore = Finally([&] { acPaintingDC = previous; });
    PaintTree(dc, Control);
    GdiFlush();
}

void PaintChildControls(TWinControl* Parent, HDC DC, const TPoint& Offset) {
    if (!Parent || !DC || (!Parent->Visible() && !Parent->ComponentState().Contains(csDesigning)))
        return;
    if (Parent->ControlCount() == 0)
        return;
    RECT clip{};
    if (GetClipBox(DC, &clip) == NULLREGION || clip.right <= clip.left || clip.bottom <= clip.top) {
        if (Parent->HandleAllocated())
            SendSkinCmdToHandle(Parent->Handle(), scSetHalfVisible, 0);
        return;
    }
    // The clip box in the parent's client coordinates.
    RECT local{clip.left - Offset.x, clip.top - Offset.y, clip.right - Offset.x, clip.bottom - Offset.y};
    TacBGInfo info;
    QueryControlBGInfo(info, Parent, false);
    auto* form = dynamic_cast<TCustomForm*>(Parent);
    bool mdiForm = form && form->FormStyle() == fsMDIForm;
    std::vector<TControl*> children;
    for (int i = 0; i < Parent->ControlCount(); ++i) {
        TControl* child = Parent->Controls(i);
        if (!IsPaintableGraphic(child, local))
            continue;
        if (mdiForm && child->Align() != alNone && Parent->HandleAllocated()) {
            SendSkinCmdToHandle(Parent->Handle(), scGraphControl, reinterpret_cast<LPARAM>(child));
            child->Repaint();
            SendSkinCmdToHandle(Parent->Handle(), scGraphControl, 0);
        }
        children.push_back(child);
    }
    if (children.empty())
        return;
    TRect client = Parent->ClientRect();
    auto work = CreateBmp24(std::max<int>(client.Width(), 1), std::max<int>(client.Height(), 1));
    HDC mem = work->Canvas()->Handle();
    for (TControl* child : children) {
        TRect r = child->BoundsRect();
        if (child->ControlStyle().Contains(csOpaque)) {
            FillDC(mem, r, GetControlColor(child));
        } else if (info.BgType == 2 && info.Bmp) {
            BitBlt(mem, r.left, r.top, r.Width(), r.Height(), info.Bmp->Canvas()->Handle(), r.left + info.Offset.x,
                   r.top + info.Offset.y, SRCCOPY);
        } else {
            FillDC(mem, r, info.Color);
        }
    }
    bool paintCopy = Parent->ControlState().Contains(csPaintCopy);
    for (TControl* child : children) {
        TRect r = child->BoundsRect();
        RECT onDC{r.left + Offset.x, r.top + Offset.y, r.right + Offset.x, r.bottom + Offset.y};
        if (!RectVisible(DC, &onDC))
            SendSkinCmdToControl(child, scSetHalfVisible, 0);
        int saved = SaveDC(mem);
        IntersectClipRect(mem, r.left, r.top, r.right, r.bottom);
        OffsetViewportOrgEx(mem, r.left, r.top, nullptr);
        IntersectClipRect(mem, 0, 0, r.Width(), r.Height());
        TControlState state = child->ControlState();
        TControlState during = state;
        if (paintCopy)
            during.Include(csPaintCopy);
        else
            during.Exclude(csPaintCopy);
        child->SetControlState(during);
        auto restore = Finally([&] {
            child->SetControlState(state);
            RestoreDC(mem, saved);
        });
        child->Perform(WM_PAINT, reinterpret_cast<WPARAM>(mem), 0);
    }
    GdiFlush();
    for (TControl* child : children) {
        TRect r = child->BoundsRect();
        if (GetPixel(mem, r.left, r.top) == RGB(255, 0, 255))
            continue;
        BitBlt(DC, r.left + Offset.x, r.top + Offset.y, r.Width(), r.Height(), mem, r.left, r.top, SRCCOPY);
    }
}

// --- the fade ---

TOutputWindow::TOutputWindow(TComponent* AOwner) : TCustomControl(AOwner) {
    SetText("acOutputWindow");
    SetVisible(false);
    SetColor(static_cast<TColor>(0x800080));
}

void TOutputWindow::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    if (Parent() || ParentWindow())
        return;
    Params.Style = WS_POPUP;
    Params.ExStyle &= ~static_cast<DWORD>(WS_EX_TOPMOST);
    if (auto* owner = dynamic_cast<TWinControl*>(Owner());
        owner && owner->HandleAllocated() && (GetWindowLongA(owner->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST))
        Params.ExStyle |= WS_EX_TOPMOST;
    Params.WndParent = Application ? Application->Handle() : nullptr;
}

void TOutputWindow::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_ERASEBKGND:
        Message.Result = 1;
        return;
    case WM_NCPAINT:
        Message.Result = 0;
        return;
    case WM_PAINT: {
        // The fade draws into the window itself; a repaint in between has nothing to add.
        PAINTSTRUCT ps;
        BeginPaint(Handle(), &ps);
        EndPaint(Handle(), &ps);
        Message.Result = 0;
        return;
    }
    default:
        TCustomControl::Dispatch(Message);
    }
}

namespace {

// The control's picture as it was before its new look, taken from the screen.
std::unique_ptr<TBitmap> acSnapshot;

TRect ScreenRectOf(TControl* Control) {
    if (auto* windowed = dynamic_cast<TWinControl*>(Control); windowed && windowed->HandleAllocated()) {
        RECT r{};
        GetWindowRect(windowed->Handle(), &r);
        return TRect(r.left, r.top, r.right, r.bottom);
    }
    TPoint origin = Control->Parent() ? Control->Parent()->ClientToScreen(TPoint(Control->Left(), Control->Top()))
                                      : TPoint(Control->Left(), Control->Top());
    return TRect(origin.x, origin.y, origin.x + Control->Width(), origin.y + Control->Height());
}

void FreeOutput() {
    TOutputWindow* out = acOutputWindow;
    acOutputWindow = nullptr;
    if (out)
        out->Free();
    acSnapshot.reset();
}

}  // namespace

void PrepareAnimWindow(TControl* Control) {
    if (!Control)
        return;
    TRect r = ScreenRectOf(Control);
    if (r.IsEmpty())
        return;
    if (!acSnapshot) {
        acSnapshot = CreateBmp24(r.Width(), r.Height());
        HDC screen = GetDC(nullptr);
        BitBlt(acSnapshot->Canvas()->Handle(), 0, 0, r.Width(), r.Height(), screen, r.left, r.top, SRCCOPY);
        ReleaseDC(nullptr, screen);
        GdiFlush();
    }
    if (!acOutputWindow)
        acOutputWindow = new TOutputWindow(Control);
    TOutputWindow* out = acOutputWindow;
    auto* windowed = dynamic_cast<TWinControl*>(Control);
    if (Control->Parent()) {
        out->SetParent(Control->Parent());
        out->SetBoundsRect(Control->BoundsRect());
        HWND below = windowed && windowed->HandleAllocated() ? GetWindow(windowed->Handle(), GW_HWNDPREV) : nullptr;
        SetWindowPos(out->Handle(), below ? below : HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
        ShowWindow(out->Handle(), SW_SHOWNA);
        return;
    }
    out->SetBoundsRect(r);
    HWND popup = out->Handle();
    MoveWindow(popup, r.left, r.top, r.Width(), r.Height(), FALSE);
    SetWindowPos(popup, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

int AnimShowControl(TWinControl* Control, int Time) {
    if (!Control)
        return 0;
    acAnimInProgress = true;
    // The output window and the pictures go whatever happens; the flag is cleared as the control redraws.
    auto cleanup = Finally([] {
        acAnimInProgress = false;
        FreeOutput();
    });
    if (!acOutputWindow)
        PrepareAnimWindow(Control);
    if (!acOutputWindow || !acSnapshot)
        return 0;
    TOutputWindow* out = acOutputWindow;
    int w = acSnapshot->Width(), h = acSnapshot->Height();
    auto fresh = CreateBmp24(w, h);
    PaintControlTree(fresh.get(), Control);
    int steps = std::min((Time & 0xFFFF) >> 3, acMaxFadeSteps);
    if (dynamic_cast<TCustomForm*>(Control) && Control->HandleAllocated()) {
        if (TacSkinProviderBase* provider = GetWndProvider(Control->Handle())) {
            provider->PrepareRegionRects();
            if (HRGN region = provider->CreateSkinRegion(0, 0))
                SetWindowRgn(out->Handle(), region, FALSE);  // the window owns the region from here on
        }
    }
    HDC dc = GetDC(out->Handle());
    auto release = Finally([&] { ReleaseDC(out->Handle(), dc); });
    int shown = 0;
    if (steps > 0) {
        auto work = CreateBmp24(w, h);
        int delta = 255 / steps, alpha = 255;
        for (int i = 0; i <= steps; ++i) {
            FadeBmp(work.get(), acSnapshot.get(), fresh.get(), static_cast<uint8_t>(std::max(0, alpha)));
            BitBlt(dc, 0, 0, w, h, work->Canvas()->Handle(), 0, 0, SRCCOPY);
            GdiFlush();
            ++shown;
            if (acOnFadeStep)
                acOnFadeStep(out->Handle(), i);
            alpha -= delta;
            if (i < steps)
                Sleep(8);
        }
    }
    BitBlt(dc, 0, 0, w, h, fresh->Canvas()->Handle(), 0, 0, SRCCOPY);
    GdiFlush();
    acAnimInProgress = false;
    HWND wnd = Control->Handle();
    SendMessageA(wnd, WM_SETREDRAW, 1, 0);
    if (acWinMajorVersion >= 6)
        RedrawWindow(wnd, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    bool layered = dynamic_cast<TCustomForm*>(Control) && (GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_LAYERED);
    if (!layered)
        SetWindowPos(out->Handle(), nullptr, 0, 0, 0, 0,
                     SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE |
                         SWP_NOCOPYBITS);
    return shown - (shown > 0 ? 1 : 0);
}

// --- the visual-styles library ---

namespace {

struct TThemeLibrary {
    TThemeLibrary() {
        Module = LoadLibraryA("UXTHEME");
        if (Module)
            acSetWindowTheme = reinterpret_cast<TSetWindowTheme>(
                reinterpret_cast<void (*)()>(GetProcAddress(Module, "SetWindowTheme")));
    }
    ~TThemeLibrary() {
        acSetWindowTheme = nullptr;
        if (Module)
            FreeLibrary(Module);
    }
    HMODULE Module = nullptr;
};

}  // namespace

TSetWindowTheme acSetWindowTheme = nullptr;

namespace {

// After acSetWindowTheme's definition, so that its initial nil does not come after the load.
TThemeLibrary acThemeLibrary;

}  // namespace
