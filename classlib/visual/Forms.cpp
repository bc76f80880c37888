#include "Forms.h"

#include "classlib/runtime/FormResources.h"
#include "classlib/runtime/Thread.h"

#include <algorithm>

void FreeControlCanvasHandles();

// --- the application and screen objects ---

namespace {

// Owns the two objects; a function-local static, so they are made on first use and go before anything
// that existed earlier.
struct TGlobals {
    TScreen* Screen = nullptr;
    TApplication* Application = nullptr;
    bool Gone = false;
    bool Making = false;
    ~TGlobals() {
        Gone = true;
        // Freeing the forms at the end of the program must not end it with an exception.
        try {
            if (Application)
                Application->Free();
        } catch (...) {
        }
        Application = nullptr;
        try {
            if (Screen)
                Screen->Free();
        } catch (...) {
        }
        Screen = nullptr;
    }
    void Make() {
        if (Gone || Making || (Application && Screen))
            return;
        Making = true;
        try {
            if (!Screen)
                Screen = new TScreen(nullptr);
            if (!Application)
                Application = new TApplication(nullptr);
        } catch (...) {
            Making = false;
            throw;
        }
        Making = false;
    }
};

TGlobals& Globals() {
    static TGlobals globals;
    return globals;
}

}  // namespace

template <>
TApplication* TGlobalObject<TApplication>::Get() const {
    TGlobals& g = Globals();
    g.Make();
    return g.Application;
}

template <>
TScreen* TGlobalObject<TScreen>::Get() const {
    TGlobals& g = Globals();
    g.Make();
    return g.Screen;
}

TGlobalObject<TApplication> Application;
TGlobalObject<TScreen> Screen;

// --- TControlScrollBar ---

void TControlScrollBar::SetRange(int value) {
    FRange = std::max(value, 0);
    FControl->FAutoScroll = false;
    FControl->UpdateScrollBars();
}

void TControlScrollBar::SetVisible(bool value) {
    FVisible = value;
    FControl->UpdateScrollBars();
}

int TControlScrollBar::ControlSize() const {
    if (!FControl->HandleAllocated())
        return FKind == sbHorizontal ? FControl->Width() : FControl->Height();
    RECT r;
    GetClientRect(FControl->FHandle, &r);
    return FKind == sbHorizontal ? r.right : r.bottom;
}

bool TControlScrollBar::IsScrollBarVisible() const {
    return FVisible && FControl->HandleAllocated() && FCalcRange > ControlSize();
}

void TControlScrollBar::SetPosition(int value) {
    int limit = std::max(FCalcRange - ControlSize(), 0);
    value = std::clamp(value, 0, limit);
    if (value == FPosition)
        return;
    int delta = FPosition - value;
    FPosition = value;
    if (FKind == sbHorizontal)
        FControl->ScrollBy(delta, 0);
    else
        FControl->ScrollBy(0, delta);
    if (FControl->HandleAllocated()) {
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_POS;
        si.nPos = FPosition;
        SetScrollInfo(FControl->FHandle, FKind == sbHorizontal ? SB_HORZ : SB_VERT, &si, TRUE);
    }
}

void TControlScrollBar::Update() {
    if (!FControl->HandleAllocated())
        return;
    int bar = FKind == sbHorizontal ? SB_HORZ : SB_VERT;
    int page = ControlSize();
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
    bool show = FVisible && FCalcRange > page;
    if (!show) {
        if (FPosition != 0)
            SetPosition(0);
        ShowScrollBar(FControl->FHandle, bar, FALSE);
        return;
    }
    si.nMin = 0;
    si.nMax = FCalcRange - 1;
    si.nPage = static_cast<UINT>(page);
    si.nPos = FPosition;
    ShowScrollBar(FControl->FHandle, bar, TRUE);
    SetScrollInfo(FControl->FHandle, bar, &si, TRUE);
    if (FPosition > FCalcRange - page)
        SetPosition(FCalcRange - page);
}

void TControlScrollBar::ScrollMessage(WORD code, int thumb) {
    int page = ControlSize();
    switch (code) {
    case SB_LINEUP:
        SetPosition(FPosition - FIncrement);
        break;
    case SB_LINEDOWN:
        SetPosition(FPosition + FIncrement);
        break;
    case SB_PAGEUP:
        SetPosition(FPosition - page);
        break;
    case SB_PAGEDOWN:
        SetPosition(FPosition + page);
        break;
    case SB_THUMBTRACK:
        if (FTracking)
            SetPosition(thumb);
        break;
    case SB_THUMBPOSITION:
        SetPosition(thumb);
        break;
    case SB_TOP:
        SetPosition(0);
        break;
    case SB_BOTTOM:
        SetPosition(FCalcRange);
        break;
    }
}

void TControlScrollBar::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TControlScrollBar*>(Source)) {
        FVisible = s->FVisible;
        FRange = s->FRange;
        FIncrement = s->FIncrement;
        FTracking = s->FTracking;
        SetPosition(s->FPosition);
        return;
    }
    TPersistent::Assign(Source);
}

// --- TScrollingWinControl ---

TScrollingWinControl::TScrollingWinControl(TComponent* AOwner)
    : TWinControl(AOwner),
      FHorzScrollBar(std::make_unique<TControlScrollBar>(this, sbHorizontal)),
      FVertScrollBar(std::make_unique<TControlScrollBar>(this, sbVertical)) {
    FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
}

TScrollingWinControl::~TScrollingWinControl() = default;

void TScrollingWinControl::SetAutoScroll(bool value) {
    if (value == FAutoScroll)
        return;
    FAutoScroll = value;
    if (!value) {
        FHorzScrollBar->FCalcRange = FHorzScrollBar->FRange;
        FVertScrollBar->FCalcRange = FVertScrollBar->FRange;
    }
    UpdateScrollBars();
}

void TScrollingWinControl::CalcAutoRange() {
    if (!FAutoScroll) {
        FHorzScrollBar->FCalcRange = FHorzScrollBar->FRange;
        FVertScrollBar->FCalcRange = FVertScrollBar->FRange;
        return;
    }
    int right = 0, bottom = 0;
    for (TControl* c : FControls) {
        if (!c->Visible())
            continue;
        if (c->Align() == alNone || c->Align() == alLeft)
            right = std::max(right, c->Left() + c->Width() + FHorzScrollBar->FPosition);
        if (c->Align() == alNone || c->Align() == alTop)
            bottom = std::max(bottom, c->Top() + c->Height() + FVertScrollBar->FPosition);
    }
    FHorzScrollBar->FCalcRange = right;
    FVertScrollBar->FCalcRange = bottom;
}

void TScrollingWinControl::UpdateScrollBars() {
    // While children are read their extents mean nothing yet; Loaded aligns and comes back here.
    if (FUpdatingScrollBars || Loading())
        return;
    FUpdatingScrollBars = true;
    try {
        CalcAutoRange();
        FHorzScrollBar->Update();
        FVertScrollBar->Update();
    } catch (...) {
        FUpdatingScrollBars = false;
        throw;
    }
    FUpdatingScrollBars = false;
}

void TScrollingWinControl::AlignControls(TControl* AControl, TRect& Rect) {
    TWinControl::AlignControls(AControl, Rect);
    UpdateScrollBars();
}

void TScrollingWinControl::AdjustClientRect(TRect& Rect) {
    TWinControl::AdjustClientRect(Rect);
    // Aligned children cover the whole scrolled area, which starts above and left of the visible part.
    OffsetRect(&Rect, -FHorzScrollBar->FPosition, -FVertScrollBar->FPosition);
}

void TScrollingWinControl::CreateWnd() {
    TWinControl::CreateWnd();
    UpdateScrollBars();
}

void TScrollingWinControl::ScrollBy(int DeltaX, int DeltaY) {
    if (DeltaX == 0 && DeltaY == 0)
        return;
    DisableAlign();
    try {
        for (TControl* c : FControls) {
            c->FAnchoring = true;
            c->SetBounds(c->Left() + DeltaX, c->Top() + DeltaY, c->Width(), c->Height());
            c->FAnchoring = false;
        }
    } catch (...) {
        FControlState.Exclude(csAlignmentNeeded);
        EnableAlign();
        throw;
    }
    // Moving children for a scroll is not a reason to re-align them.
    FControlState.Exclude(csAlignmentNeeded);
    EnableAlign();
    Invalidate();
}

void TScrollingWinControl::ScrollInView(TControl* AControl) {
    if (!AControl || !ContainsControl(AControl))
        return;
    TPoint p = ScreenToClient(AControl->ClientToScreen(TPoint(0, 0)));
    TRect r = ClientRect();
    if (p.x < 0)
        FHorzScrollBar->SetPosition(FHorzScrollBar->Position() + p.x);
    else if (p.x + AControl->Width() > r.right)
        FHorzScrollBar->SetPosition(FHorzScrollBar->Position() + p.x + AControl->Width() - r.right);
    if (p.y < 0)
        FVertScrollBar->SetPosition(FVertScrollBar->Position() + p.y);
    else if (p.y + AControl->Height() > r.bottom)
        FVertScrollBar->SetPosition(FVertScrollBar->Position() + p.y + AControl->Height() - r.bottom);
}

void TScrollingWinControl::Dispatch(TMessage& Message) {
    if ((Message.Msg == WM_HSCROLL || Message.Msg == WM_VSCROLL) && Message.LParam == 0) {
        TControlScrollBar* bar = Message.Msg == WM_HSCROLL ? FHorzScrollBar.get() : FVertScrollBar.get();
        int thumb = HIWORD(Message.WParam);
        if (LOWORD(Message.WParam) == SB_THUMBTRACK || LOWORD(Message.WParam) == SB_THUMBPOSITION) {
            // The 16-bit position of the message is not enough for long ranges.
            SCROLLINFO si{};
            si.cbSize = sizeof si;
            si.fMask = SIF_TRACKPOS;
            if (GetScrollInfo(FHandle, Message.Msg == WM_HSCROLL ? SB_HORZ : SB_VERT, &si))
                thumb = si.nTrackPos;
        }
        bar->ScrollMessage(LOWORD(Message.WParam), thumb);
        Message.Result = 0;
        return;
    }
    if (Message.Msg == CM_MOUSEWHEEL && FVertScrollBar->IsScrollBarVisible()) {
        TWMMouseWheel wheel(Message);
        FVertScrollBar->SetPosition(FVertScrollBar->Position() - wheel.WheelDelta() / WHEEL_DELTA *
                                                                     FVertScrollBar->Increment() * 3);
        Message.Result = 1;
        return;
    }
    TWinControl::Dispatch(Message);
}

// --- TScrollBox, TCustomFrame ---

TScrollBox::TScrollBox(TComponent* AOwner) : TScrollingWinControl(AOwner) {
    FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    SetBoundsFields(0, 0, 185, 41);
    FTabStop = false;
}

void TScrollBox::SetBorderStyle(TBorderStyle value) {
    if (value == FBorderStyle)
        return;
    if (value != bsNone && value != bsSingle)
        throw EInvalidArgument("A scroll box has no border style other than bsNone and bsSingle");
    FBorderStyle = value;
    RecreateWnd();
}

void TScrollBox::CreateParams(TCreateParams& Params) {
    TScrollingWinControl::CreateParams(Params);
    if (FBorderStyle == bsSingle)
        Params.ExStyle |= WS_EX_CLIENTEDGE;
}

TCustomFrame::TCustomFrame(TComponent* AOwner) : TScrollingWinControl(AOwner) {
    FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    SetBoundsFields(0, 0, 320, 240);
}

// --- TCustomForm ---

TCustomForm::TCustomForm(TComponent* AOwner)
    : TScrollingWinControl(AOwner), FIcon(std::make_unique<TIcon>()), FCanvas(std::make_unique<TControlCanvas>(this)) {
    FVisible = false;
    FParentColor = false;
    FParentFont = false;
    SetColor(clBtnFace);
    SetBoundsFields(0, 0, 320, 240);
    FIcon->OnChange = [this](TObject*) { Perform(CM_ICONCHANGED, 0, 0); };
    Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
    Destroying_();
    // The window goes while the form is still a form, so its last messages reach the form's handlers.
    if (FHandle)
        DestroyWindowHandle();
    if (FMenu)
        RemoveFreeNotification(reinterpret_cast<TComponent*>(FMenu));
    if (Screen)
        Screen->RemoveForm(this);
    if (Application)
        Application->FormDestroyed(this);
    FIcon->OnChange = nullptr;
}

void TCustomForm::AfterConstruction() {
    if (FCreated)
        return;
    FCreated = true;
    FFormState.Exclude(fsCreating);
    DoCreate();
}

void TCustomForm::BeforeDestruction() {
    if (!FDestroyed) {
        FDestroyed = true;
        // OnDestroy must not stop the form from going; its exception is reported like any other.
        try {
            DoDestroy();
        } catch (...) {
            if (Application)
                Application->HandleException(this);
        }
    }
    TScrollingWinControl::BeforeDestruction();
}

void TCustomForm::DoCreate() {
    if (OnCreate)
        OnCreate(this);
}

void TCustomForm::DoDestroy() {
    if (OnDestroy)
        OnDestroy(this);
}

void TCustomForm::DoShow() {
    if (OnShow)
        OnShow(this);
}

void TCustomForm::DoHide() {
    if (OnHide)
        OnHide(this);
}

void TCustomForm::DoClose(TCloseAction& Action) {
    if (OnClose)
        OnClose(this, Action);
}

void TCustomForm::Activate() {
    if (OnActivate)
        OnActivate(this);
}

void TCustomForm::Deactivate() {
    if (OnDeactivate)
        OnDeactivate(this);
}

void TCustomForm::Paint() {
    if (OnPaint)
        OnPaint(this);
}

TCanvas* TCustomForm::Canvas() const { return FCanvas.get(); }

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
    TScrollingWinControl::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (AComponent == reinterpret_cast<TComponent*>(FMenu)) {
        FMenu = nullptr;
        UpdateMenu();
    }
    if (AComponent == FActiveControl)
        FActiveControl = nullptr;
    if (AComponent == FFocusedControl)
        FFocusedControl = nullptr;
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value) {
    if (value == FBorderStyle)
        return;
    FBorderStyle = value;
    RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons value) {
    if (value == FBorderIcons)
        return;
    FBorderIcons = value;
    RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle value) {
    if (value == FFormStyle)
        return;
    if (value == fsMDIChild && !(Application->MainForm() && Application->MainForm()->FormStyle() == fsMDIForm) &&
        Application->MainForm() != this)
        throw EInvalidOperation("Cannot create form. No MDI forms are currently active");
    TFormStyle old = FFormStyle;
    FFormStyle = value;
    if (!FHandle)
        return;
    if ((old == fsNormal && value == fsStayOnTop) || (old == fsStayOnTop && value == fsNormal))
        SetWindowPos(FHandle, value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    else
        RecreateWnd();
}

void TCustomForm::SetWindowState(TWindowState value) {
    if (value == FWindowState)
        return;
    FWindowState = value;
    if (FHandle && Showing()) {
        static const int commands[] = {SW_RESTORE, SW_MINIMIZE, SW_MAXIMIZE};
        ShowWindow(FHandle, commands[value]);
    }
}

void TCustomForm::SetMenu(TMainMenu* value) {
    if (value == FMenu)
        return;
    if (FMenu)
        RemoveFreeNotification(reinterpret_cast<TComponent*>(FMenu));
    FMenu = value;
    if (value)
        FreeNotification(reinterpret_cast<TComponent*>(value));
    UpdateMenu();
}

void TCustomForm::UpdateMenu() {
    if (!FHandle || FFormStyle == fsMDIChild || FParent)
        return;
    HMENU menu = (FMenu && MenuHooks().MainMenuHandle) ? MenuHooks().MainMenuHandle(FMenu) : nullptr;
    if (GetMenu(FHandle) != menu)
        ::SetMenu(FHandle, menu);
    DrawMenuBar(FHandle);
}

void TCustomForm::CMMenuChanged(TMessage& Message) {
    (void)Message;
    UpdateMenu();
}

void TCustomForm::UpdateIcon() {
    if (!FHandle)
        return;
    HICON icon = FIcon->Handle();
    if (!icon && Application)
        icon = Application->Icon()->Handle();
    SendMessageW(FHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(FHandle, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void TCustomForm::CMIconChanged(TMessage& Message) {
    (void)Message;
    UpdateIcon();
}

HWND TCustomForm::OwnerWindow() const {
    TCustomForm* main = Application->MainForm();
    if (main == this)
        return nullptr;
    bool ownedByMain = FBorderStyle == bsDialog || FBorderStyle == bsToolWindow || FBorderStyle == bsSizeToolWin ||
                       FFormStyle == fsStayOnTop;
    if (ownedByMain && main && main->HandleAllocated())
        return main->FHandle;
    return Application->Handle();
}

void TCustomForm::CreateParams(TCreateParams& Params) {
    TScrollingWinControl::CreateParams(Params);
    Params.WindowClass.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    if (FParent || FParentWindow)
        return;  // placed on another control: a child window like any other
    Params.Style &= ~(WS_CHILD | WS_GROUP | WS_TABSTOP);
    Params.WndParent = OwnerWindow();
    if (FFormStyle == fsMDIChild) {
        TCustomForm* main = Application->MainForm();
        if (!main || main->FFormStyle != fsMDIForm)
            throw EInvalidOperation("Cannot create form. No MDI forms are currently active");
        Params.WndParent = main->ClientHandle();
        if (!Params.WndParent) {
            main->HandleNeeded();
            Params.WndParent = main->ClientHandle();
        }
        Params.ExStyle |= WS_EX_MDICHILD;
    }
    DWORD style = 0, exStyle = 0;
    switch (FBorderStyle) {
    case bsNone:
        if (FFormStyle != fsMDIChild)
            style |= WS_POPUP;
        break;
    case bsSingle:
    case bsToolWindow:
        style |= WS_CAPTION | WS_BORDER;
        break;
    case bsSizeable:
    case bsSizeToolWin:
        style |= WS_CAPTION | WS_THICKFRAME;
        break;
    case bsDialog:
        style |= WS_POPUP | WS_CAPTION;
        exStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        break;
    }
    if (FBorderStyle == bsToolWindow || FBorderStyle == bsSizeToolWin)
        exStyle |= WS_EX_TOOLWINDOW;
    if (FBorderStyle != bsNone && FBorderIcons.Contains(biSystemMenu)) {
        style |= WS_SYSMENU;
        bool tool = FBorderStyle == bsToolWindow || FBorderStyle == bsSizeToolWin;
        if (FBorderStyle != bsDialog && !tool) {
            if (FBorderIcons.Contains(biMinimize))
                style |= WS_MINIMIZEBOX;
            if (FBorderIcons.Contains(biMaximize))
                style |= WS_MAXIMIZEBOX;
        }
        if (FBorderIcons.Contains(biHelp) &&
            (FBorderStyle == bsDialog || !(FBorderIcons.Contains(biMinimize) || FBorderIcons.Contains(biMaximize))))
            exStyle |= WS_EX_CONTEXTHELP;
    }
    if (FFormStyle == fsMDIChild)
        style |= WS_CLIPSIBLINGS;
    Params.Style |= style;
    Params.ExStyle |= exStyle;
    if (FFormStyle == fsStayOnTop)
        Params.ExStyle |= WS_EX_TOPMOST;
    if (FPosition == poDefault || FPosition == poDefaultPosOnly) {
        Params.X = static_cast<int>(CW_USEDEFAULT);
        Params.Y = static_cast<int>(CW_USEDEFAULT);
    }
    if (FPosition == poDefault || FPosition == poDefaultSizeOnly) {
        Params.Width = static_cast<int>(CW_USEDEFAULT);
        Params.Height = static_cast<int>(CW_USEDEFAULT);
    }
}

void TCustomForm::CreateWnd() {
    TScrollingWinControl::CreateWnd();
    if (FFormStyle == fsMDIForm && !FClientHandle) {
        CLIENTCREATESTRUCT ccs{};
        ccs.idFirstChild = 0xFF00;
        RECT r;
        GetClientRect(FHandle, &r);
        FClientHandle = CreateWindowExW(WS_EX_CLIENTEDGE, L"MDICLIENT", nullptr,
                                        WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VSCROLL |
                                            WS_HSCROLL,
                                        0, 0, r.right, r.bottom, FHandle, nullptr, GetModuleHandleW(nullptr), &ccs);
        if (!FClientHandle)
            RaiseLastOSError("CreateWindowExW(MDICLIENT)");
    }
    UpdateMenu();
    UpdateIcon();
}

void TCustomForm::DestroyWnd() {
    FClientHandle = nullptr;  // goes with the frame window
    TScrollingWinControl::DestroyWnd();
}

void TCustomForm::DestroyWindowHandle() {
    if (FHandle && !(GetWindowLongW(FHandle, GWL_STYLE) & WS_CHILD) && GetMenu(FHandle))
        ::SetMenu(FHandle, nullptr);
    TScrollingWinControl::DestroyWindowHandle();
}

TRect TCustomForm::ClientRect() const {
    if (FParent || FParentWindow)
        return TScrollingWinControl::ClientRect();
    // A form always can have its window, and only the window knows the size of its frame.
    const_cast<TCustomForm*>(this)->HandleNeeded();
    if (IsIconic(FHandle)) {
        RECT frame{0, 0, 0, 0};
        AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(FHandle, GWL_STYLE)), GetMenu(FHandle) != nullptr,
                           static_cast<DWORD>(GetWindowLongW(FHandle, GWL_EXSTYLE)));
        return TRect(0, 0, FWidth - (frame.right - frame.left), FHeight - (frame.bottom - frame.top));
    }
    TRect r;
    GetClientRect(FHandle, &r);
    return r;
}

int TCustomForm::ClientWidth() const {
    return FPendingClientWidth >= 0 ? FPendingClientWidth : TScrollingWinControl::ClientWidth();
}

int TCustomForm::ClientHeight() const {
    return FPendingClientHeight >= 0 ? FPendingClientHeight : TScrollingWinControl::ClientHeight();
}

void TCustomForm::SetClientWidth(int value) {
    if (Loading())
        FPendingClientWidth = value;
    else
        TScrollingWinControl::SetClientWidth(value);
}

void TCustomForm::SetClientHeight(int value) {
    if (Loading())
        FPendingClientHeight = value;
    else
        TScrollingWinControl::SetClientHeight(value);
}

void TCustomForm::Loaded() {
    if (FPendingClientWidth >= 0 || FPendingClientHeight >= 0) {
        int width = FPendingClientWidth, height = FPendingClientHeight;
        FPendingClientWidth = FPendingClientHeight = -1;
        SetClientSize(width >= 0 ? width : ClientWidth(), height >= 0 ? height : ClientHeight());
    }
    TScrollingWinControl::Loaded();
}

void TCustomForm::AlignControls(TControl* AControl, TRect& Rect) {
    TScrollingWinControl::AlignControls(AControl, Rect);
    // What the aligned children leave of an MDI frame belongs to its client window.
    if (FClientHandle)
        SetWindowPos(FClientHandle, HWND_BOTTOM, Rect.left, Rect.top, Rect.right - Rect.left, Rect.bottom - Rect.top,
                     SWP_NOACTIVATE);
}

void TCustomForm::PaintWindow(HDC DC) {
    FCanvas->PaintOn(DC, [this] { Paint(); });
}

void TCustomForm::Show() {
    SetVisible(true);
    BringToFront();
}

void TCustomForm::ApplyPosition() {
    if (FParent || FFormStyle == fsMDIChild)
        return;
    RECT area{0, 0, 0, 0};
    switch (FPosition) {
    case poScreenCenter:
        area = RECT{0, 0, Screen->Width(), Screen->Height()};
        break;
    case poDesktopCenter:
        area = RECT{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                    GetSystemMetrics(SM_XVIRTUALSCREEN) + Screen->DesktopWidth(),
                    GetSystemMetrics(SM_YVIRTUALSCREEN) + Screen->DesktopHeight()};
        break;
    case poMainFormCenter:
    case poOwnerFormCenter: {
        TCustomForm* other = FPosition == poMainFormCenter ? Application->MainForm()
                                                           : dynamic_cast<TCustomForm*>(Owner());
        if (!other || other == this || !other->HandleAllocated())
            area = RECT{0, 0, Screen->Width(), Screen->Height()};
        else
            area = other->BoundsRect();
        break;
    }
    default:
        return;
    }
    int x = area.left + (area.right - area.left - FWidth) / 2;
    int y = area.top + (area.bottom - area.top - FHeight) / 2;
    SetBounds(std::max(x, static_cast<int>(area.left)), std::max(y, static_cast<int>(area.top)), FWidth, FHeight);
}

void TCustomForm::CMShowingChangedForm(TMessage& Message) {
    if (FParent || FParentWindow) {
        if (!FRecreating)
            FShowing ? DoShow() : DoHide();
        TScrollingWinControl::CMShowingChanged(Message);
        return;
    }
    if (FShowing) {
        // OnShow comes while the window is still invisible, so it can change what will be seen.
        if (!FRecreating) {
            FFormState.Include(fsShowing);
            try {
                DoShow();
            } catch (...) {
                FFormState.Exclude(fsShowing);
                throw;
            }
            FFormState.Exclude(fsShowing);
            ApplyPosition();
        }
        if (!FActiveControl)
            if (TWinControl* first = FindNextControl(nullptr, true, true, false))
                FActiveControl = first;
        int command = FWindowState == wsMinimized   ? SW_SHOWMINIMIZED
                      : FWindowState == wsMaximized ? SW_SHOWMAXIMIZED
                                                    : SW_SHOWNORMAL;
        if (FFormStyle == fsMDIChild && FWindowState == wsNormal)
            command = SW_SHOW;
        ShowWindow(FHandle, command);
        if (FFormStyle == fsMDIChild && FClientHandle == nullptr)
            SendMessageW(GetParent(FHandle), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(FHandle), 0);
        FFormState.Include(fsVisible);
    } else {
        if (!FRecreating)
            DoHide();
        FFormState.Exclude(fsVisible);
        if (FFormStyle == fsMDIChild)
            SendMessageW(GetParent(FHandle), WM_MDINEXT, reinterpret_cast<WPARAM>(FHandle), 0);
        ShowWindow(FHandle, SW_HIDE);
    }
}

namespace {
BOOL CALLBACK CollectEnabledWindow(HWND window, LPARAM list) {
    if (IsWindowVisible(window) && IsWindowEnabled(window))
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}
}  // namespace

int TCustomForm::ShowModal() {
    if (FVisible || !FEnabled || FFormState.Contains(fsModal) || FFormStyle == fsMDIChild)
        throw EInvalidOperation("Cannot make a visible window modal");
    if (GetCapture())
        SendMessageW(GetCapture(), WM_CANCELMODE, 0, 0);
    ReleaseCapture();
    HWND activeWindow = GetActiveWindow();
    FFormState.Include(fsModal);
    // The other windows of the thread are disabled while the modal form runs, and come back afterwards.
    std::vector<HWND> disabled;
    EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow, reinterpret_cast<LPARAM>(&disabled));
    HandleNeeded();
    disabled.erase(std::remove(disabled.begin(), disabled.end(), FHandle), disabled.end());
    for (HWND w : disabled)
        EnableWindow(w, FALSE);
    if (activeWindow && activeWindow != FHandle && !FParent)
        SetWindowLongPtrW(FHandle, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(activeWindow));
    auto restore = [&]() {
        for (HWND w : disabled)
            if (IsWindow(w))
                EnableWindow(w, TRUE);
        FFormState.Exclude(fsModal);
        if (activeWindow && IsWindow(activeWindow))
            SetActiveWindow(activeWindow);
    };
    try {
        Show();
        FModalResult = mrNone;
        do {
            Application->HandleMessage();
            if (Application->Terminated())
                FModalResult = mrCancel;
            else if (FModalResult != mrNone)
                CloseModal();
        } while (FModalResult == mrNone);
        if (FVisible)
            Hide();
    } catch (...) {
        restore();
        throw;
    }
    restore();
    return FModalResult;
}

void TCustomForm::CloseModal() {
    TCloseAction action = caNone;
    if (CloseQuery()) {
        action = caHide;
        DoClose(action);
    }
    switch (action) {
    case caNone:
        FModalResult = mrNone;
        break;
    case caFree:
        Release();
        break;
    default:
        break;
    }
}

bool TCustomForm::CloseQuery() {
    if (FFormStyle == fsMDIForm)
        for (int i = 0; i < MDIChildCount(); ++i)
            if (!MDIChildren(i)->CloseQuery())
                return false;
    bool canClose = true;
    if (OnCloseQuery)
        OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::Close() {
    if (FFormState.Contains(fsModal)) {
        FModalResult = mrCancel;
        return;
    }
    if (!CloseQuery())
        return;
    TCloseAction action = FFormStyle == fsMDIChild ? (FBorderIcons.Contains(biMinimize) ? caMinimize : caNone) : caHide;
    DoClose(action);
    if (action == caNone)
        return;
    if (Application->MainForm() == this)
        Application->Terminate();
    else if (action == caHide)
        Hide();
    else if (action == caMinimize)
        SetWindowState(wsMinimized);
    else
        Release();
}

void TCustomForm::Release() {
    if (FHandle)
        PostMessageW(FHandle, CM_RELEASE, 0, 0);
    else
        Free();
}

TCustomForm* TCustomForm::ActiveMDIChild() const {
    if (FFormStyle != fsMDIForm || !FClientHandle)
        return nullptr;
    HWND child = reinterpret_cast<HWND>(SendMessageW(FClientHandle, WM_MDIGETACTIVE, 0, 0));
    return dynamic_cast<TCustomForm*>(FindControl(child));
}

int TCustomForm::MDIChildCount() const {
    if (FFormStyle != fsMDIForm || !FClientHandle)
        return 0;
    int n = 0;
    for (int i = 0; i < Screen->FormCount(); ++i) {
        TCustomForm* f = Screen->Forms(i);
        if (f->FFormStyle == fsMDIChild && f->FHandle && GetParent(f->FHandle) == FClientHandle)
            ++n;
    }
    return n;
}

TCustomForm* TCustomForm::MDIChildren(int index) const {
    if (FFormStyle == fsMDIForm && FClientHandle)
        for (int i = 0; i < Screen->FormCount(); ++i) {
            TCustomForm* f = Screen->Forms(i);
            if (f->FFormStyle == fsMDIChild && f->FHandle && GetParent(f->FHandle) == FClientHandle && index-- == 0)
                return f;
        }
    throw EListError("List index out of bounds (" + IntToStr(index) + ")");
}

void TCustomForm::SetActiveControl(TWinControl* value) {
    if (value == FActiveControl)
        return;
    if (Loading()) {
        // A form being read is not visible yet: the choice is checked when it is shown.
        FActiveControl = value;
        return;
    }
    if (value && (value == this || GetParentForm(value) != this || !value->CanFocus()))
        throw EInvalidOperation("Cannot focus a disabled or invisible window");
    FActiveControl = value;
    if (FActive)
        SetWindowFocus();
}

void TCustomForm::SetWindowFocus() {
    HWND target = (FActiveControl && FActiveControl->CanFocus()) ? FActiveControl->Handle() : Handle();
    if (GetFocus() != target)
        ::SetFocus(target);
}

void TCustomForm::FocusControl(TWinControl* control) {
    bool wasActive = FActive;
    SetActiveControl(control);
    if (!wasActive)
        SetFocus();
    else if (control && GetFocus() != control->Handle())
        ::SetFocus(control->Handle());
}

void TCustomForm::SetFocus() {
    if (!FActive) {
        if (!(FVisible && FEnabled))
            throw EInvalidOperation("Cannot focus a disabled or invisible window");
        SetWindowFocus();
    } else {
        TScrollingWinControl::SetFocus();
    }
}

bool TCustomForm::CanFocus() const {
    if (FParent)
        return TScrollingWinControl::CanFocus();
    return FVisible && FEnabled;
}

bool TCustomForm::SetFocusedControl(TWinControl* control) {
    if (!control || (control != this && !ContainsControl(control)))
        return true;
    if (control != this)
        FActiveControl = control;
    Screen->SetActiveControl(control);
    Screen->SetActiveForm(this);
    if (FFocusedControl == control)
        return true;
    TWinControl* old = FFocusedControl;
    FFocusedControl = control;
    for (TWinControl* c = old; c && c != this && !c->ContainsControl(control); c = c->Parent())
        c->Perform(CM_EXIT, 0, 0);
    std::vector<TWinControl*> entered;
    for (TWinControl* c = control; c && c != this && !(old && c->ContainsControl(old)); c = c->Parent())
        entered.push_back(c);
    for (auto it = entered.rbegin(); it != entered.rend(); ++it)
        (*it)->Perform(CM_ENTER, 0, 0);
    Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(control));
    return true;
}

void TCustomForm::DefocusControl(TWinControl* control, bool removing) {
    if (!control)
        return;
    if (removing && control->ContainsControl(FFocusedControl))
        FFocusedControl = control->Parent();
    if (control->ContainsControl(FActiveControl))
        FActiveControl = nullptr;
}

void TCustomForm::SetActive(bool value) {
    FActive = value;
    if (value) {
        Screen->SetActiveForm(this);
        if (!FActiveControl)
            if (TWinControl* first = FindNextControl(nullptr, true, true, false))
                FActiveControl = first;
        SetWindowFocus();
        FFormState.Include(fsActivated);
        Perform(CM_ACTIVATE, 0, 0);
    } else {
        Perform(CM_DEACTIVATE, 0, 0);
    }
}

bool TCustomForm::IsShortCut(TMessage& Message) {
    return MenuHooks().IsShortCut && MenuHooks().IsShortCut(this, Message);
}

void TCustomForm::WMMove(TMessage& Message) {
    DefaultHandler(Message);
    UpdateBounds();
}

void TCustomForm::WMMoving(TMessage& Message) {
    DefaultHandler(Message);
    Message.Result = TRUE;
}

void TCustomForm::WMClose(TMessage& Message) {
    (void)Message;
    Close();
}

void TCustomForm::WMActivate(TMessage& Message) {
    DefaultHandler(Message);
    if (FFormStyle == fsMDIChild || FParent)
        return;
    bool active = LOWORD(Message.WParam) != WA_INACTIVE;
    if (active && HIWORD(Message.WParam))  // activated while minimised: nothing to focus yet
        return;
    SetActive(active);
}

void TCustomForm::WMGetMinMaxInfo(TMessage& Message) {
    DefaultHandler(Message);
    auto* info = reinterpret_cast<MINMAXINFO*>(Message.LParam);
    if (FConstraints->MinWidth() > 0)
        info->ptMinTrackSize.x = FConstraints->MinWidth();
    if (FConstraints->MinHeight() > 0)
        info->ptMinTrackSize.y = FConstraints->MinHeight();
    if (FConstraints->MaxWidth() > 0)
        info->ptMaxTrackSize.x = FConstraints->MaxWidth();
    if (FConstraints->MaxHeight() > 0)
        info->ptMaxTrackSize.y = FConstraints->MaxHeight();
    Message.Result = 0;
}

void TCustomForm::WMSysCommand(TMessage& Message) {
    WPARAM command = Message.WParam & 0xFFF0;
    if (Application->MainForm() == this && FFormStyle != fsMDIChild) {
        if (command == SC_MINIMIZE) {
            Application->Minimize();
            Message.Result = 0;
            return;
        }
        if (command == SC_RESTORE && IsIconic(FHandle)) {
            Application->Restore();
            Message.Result = 0;
            return;
        }
    }
    DefaultHandler(Message);
}

void TCustomForm::WMSizeForm(TMessage& Message) {
    switch (Message.WParam) {
    case SIZE_MINIMIZED:
        FWindowState = wsMinimized;
        break;
    case SIZE_MAXIMIZED:
        FWindowState = wsMaximized;
        break;
    case SIZE_RESTORED:
        FWindowState = wsNormal;
        break;
    }
    UpdateBounds();
    // DefFrameProc would size the MDI client over the whole frame; our alignment places it instead.
    if (FClientHandle)
        Message.Result = DefWindowProcW(FHandle, Message.Msg, Message.WParam, Message.LParam);
    else
        DefaultHandler(Message);
    Realign();
    if (!Loading())
        Resize();
    if (Message.WParam == SIZE_RESTORED && Application->MainForm() == this && !Application->FHiddenByMinimize.empty())
        Application->Restore();
}

void TCustomForm::WMCommandForm(TMessage& Message) {
    if (Message.LParam == 0 && HIWORD(Message.WParam) <= 1 && MenuHooks().DispatchCommand &&
        MenuHooks().DispatchCommand(this, LOWORD(Message.WParam)))
        return;
    WMReflect(Message);
}

void TCustomForm::CMDialogKeyForm(TMessage& Message) {
    if (GetKeyState(VK_MENU) >= 0) {
        switch (Message.WParam) {
        case VK_TAB:
            if (GetKeyState(VK_CONTROL) >= 0) {
                SelectNext(FActiveControl, GetKeyState(VK_SHIFT) >= 0, true);
                Message.Result = 1;
                return;
            }
            break;
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
            if (FActiveControl && FActiveControl->Parent()) {
                FActiveControl->Parent()->SelectNext(FActiveControl,
                                                     Message.WParam == VK_RIGHT || Message.WParam == VK_DOWN, false);
                Message.Result = 1;
                return;
            }
            break;
        }
    }
    CMDialogKey(Message);
}

void TCustomForm::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_CLOSE:
        WMClose(Message);
        break;
    case WM_ACTIVATE:
        WMActivate(Message);
        break;
    case WM_MDIACTIVATE:
        DefaultHandler(Message);
        if (FFormStyle == fsMDIChild) {
            if (reinterpret_cast<HWND>(Message.LParam) == FHandle)
                SetActive(true);
            else if (reinterpret_cast<HWND>(Message.WParam) == FHandle)
                SetActive(false);
        }
        break;
    case WM_GETMINMAXINFO:
        WMGetMinMaxInfo(Message);
        break;
    case WM_SYSCOMMAND:
        WMSysCommand(Message);
        break;
    case WM_SIZE:
        WMSizeForm(Message);
        break;
    case WM_MOVE:
        WMMove(Message);
        break;
    case WM_MOVING:
        WMMoving(Message);
        break;
    case WM_COMMAND:
        WMCommandForm(Message);
        break;
    case WM_INITMENUPOPUP:
    case WM_MENUSELECT:
        if (!(MenuHooks().MenuMessage && MenuHooks().MenuMessage(this, Message)))
            DefaultHandler(Message);
        break;
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
        if (reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam)->CtlType == ODT_MENU) {
            if (!(MenuHooks().MenuMessage && MenuHooks().MenuMessage(this, Message)))
                DefaultHandler(Message);
        } else {
            TScrollingWinControl::Dispatch(Message);
        }
        break;
    case WM_PAINT:
        if (FHandle && IsIconic(FHandle)) {
            DefaultHandler(Message);
        } else {
            FControlState.Include(csCustomPaint);
            try {
                TScrollingWinControl::Dispatch(Message);
            } catch (...) {
                FControlState.Exclude(csCustomPaint);
                throw;
            }
            FControlState.Exclude(csCustomPaint);
        }
        break;
    case CM_SHOWINGCHANGED:
        CMShowingChangedForm(Message);
        break;
    case CM_DIALOGKEY:
        CMDialogKeyForm(Message);
        break;
    case CM_ACTIVATE:
        Activate();
        break;
    case CM_DEACTIVATE:
        Deactivate();
        break;
    case CM_RELEASE:
        Free();
        break;
    case CM_MENUCHANGED:
        CMMenuChanged(Message);
        break;
    case CM_ICONCHANGED:
        CMIconChanged(Message);
        break;
    case CM_CONTROLLISTCHANGE:
    case CM_CHILDKEY:
        // The top of the tree: nothing above a form to pass these to.
        if (FParent)
            TScrollingWinControl::Dispatch(Message);
        break;
    default:
        TScrollingWinControl::Dispatch(Message);
    }
}

void TCustomForm::DefaultHandler(TMessage& Message) {
    if (!FHandle || (Message.Msg >= CM_BASE && Message.Msg < CN_BASE + 0x400)) {
        TScrollingWinControl::DefaultHandler(Message);
        return;
    }
    if (FClientHandle)
        Message.Result = DefFrameProcW(FHandle, FClientHandle, Message.Msg, Message.WParam, Message.LParam);
    else if (FFormStyle == fsMDIChild && !FParent)
        Message.Result = DefMDIChildProcW(FHandle, Message.Msg, Message.WParam, Message.LParam);
    else
        TScrollingWinControl::DefaultHandler(Message);
}

// --- THintWindow ---

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
    FVisible = false;
    SetColor(clInfoBk);
    FParentColor = false;
    FParentFont = false;
}

void THintWindow::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    Params.Style = WS_POPUP | WS_BORDER;
    Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    Params.WindowClass.style |= CS_SAVEBITS;
    Params.WndParent = Application->Handle();
}

TRect THintWindow::CalcHintRect(int maxWidth, const std::string& hint) {
    TRect r(0, 0, maxWidth, 0);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Screen->HintFont()->Handle());
    DrawTextA(dc, hint.c_str(), static_cast<int>(hint.size()), &r,
              DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    r.right += 6;
    r.bottom += 4;
    return r;
}

void THintWindow::ActivateHint(TRect rect, const std::string& hint) {
    SetCaption(hint);
    Font()->Assign(Screen->HintFont());
    SetColor(Application->HintColor());
    HandleNeeded();
    // Keep the hint on the screen.
    int sw = Screen->Width(), sh = Screen->Height();
    if (rect.right > sw)
        OffsetRect(&rect, sw - rect.right, 0);
    if (rect.bottom > sh)
        OffsetRect(&rect, 0, sh - rect.bottom);
    if (rect.left < 0)
        OffsetRect(&rect, -rect.left, 0);
    if (rect.top < 0)
        OffsetRect(&rect, 0, -rect.top);
    SetBounds(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    SetWindowPos(FHandle, HWND_TOPMOST, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    Invalidate();
    Update();
}

void THintWindow::ReleaseHandle() {
    if (FHandle)
        ShowWindow(FHandle, SW_HIDE);
}

void THintWindow::Paint() {
    HDC dc = Canvas()->Handle();
    RECT r = ClientRect();
    FillRect(dc, &r, Brush()->Handle());
    r.left += 2;
    r.top += 2;
    HGDIOBJ old = SelectObject(dc, Font()->Handle());
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(clInfoText)));
    SetBkMode(dc, TRANSPARENT);
    std::string text = Caption();
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
    SelectObject(dc, old);
}

// --- TApplication ---

namespace {
constexpr UINT_PTR HintShowTimer = 1;
constexpr UINT_PTR HintHideTimer = 2;
TApplication* AppWindowOwner = nullptr;
}  // namespace

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner), FIcon(std::make_unique<TIcon>()) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HICON icon = LoadIconW(instance, L"MAINICON");
    // The icon object owns its handle: it gets a copy of the shared one.
    FIcon->SetHandle(CopyIcon(icon ? icon : LoadIconA(nullptr, IDI_APPLICATION)));
    FIcon->OnChange = [this](TObject*) {
        SendMessageW(FHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(FIcon->Handle()));
        for (int i = 0; i < Screen->FormCount(); ++i)
            Screen->Forms(i)->UpdateIcon();
    };
    WNDCLASSW wc{};
    wc.lpfnWndProc = AppWindowProc;
    wc.hInstance = instance;
    wc.hIcon = FIcon->Handle();
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = L"TApplication";
    WNDCLASSW existing{};
    if (!GetClassInfoW(instance, L"TApplication", &existing) && !RegisterClassW(&wc))
        RaiseLastOSError("RegisterClassW(TApplication)");
    std::string title = ChangeFileExt(ExtractFileName(ParamStr0()), "");
    AppWindowOwner = this;
    // The hidden window: never shown; it owns the secondary forms and takes the application's own messages.
    FHandle = CreateWindowExW(0, L"TApplication", AnsiToWide(title).c_str(),
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                              GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr,
                              nullptr, instance, nullptr);
    if (!FHandle)
        RaiseLastOSError("CreateWindowExW(TApplication)");
    // Timer callbacks, hooks and threads hand their exceptions to the process-wide handler: that is us now.
    FPreviousExceptionHandler = SetApplicationExceptionHandler([this](const std::exception& E) {
        if (auto* ours = dynamic_cast<const Exception*>(&E))
            ReportException(this, *ours);
        else
            ReportException(this, Exception(E.what()));
    });
}

TApplication::~TApplication() {
    Destroying_();
    CancelHint();
    DestroyComponents();
    if (FHandle) {
        DestroyWindow(FHandle);
        FHandle = nullptr;
    }
    if (AppWindowOwner == this)
        AppWindowOwner = nullptr;
    FIcon->OnChange = nullptr;
    SetApplicationExceptionHandler(std::move(FPreviousExceptionHandler));
}

LRESULT CALLBACK TApplication::AppWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    TApplication* app = AppWindowOwner;
    if (!app || (app->FHandle && app->FHandle != hwnd))
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    if (!app->FHandle)
        app->FHandle = hwnd;  // the messages of its creation come before CreateWindowEx returns
    TMessage m{msg, wParam, lParam, 0};
    try {
        app->WndProc(m);
    } catch (...) {
        app->HandleException(app);
    }
    return m.Result;
}

void TApplication::WndProc(TMessage& Message) {
    for (TWindowHook hook : std::vector<TWindowHook>(FWindowHooks))
        if (hook(Message))
            return;
    switch (Message.Msg) {
    case WM_TIMER:
        if (Message.WParam == HintShowTimer) {
            StopHintTimer(HintShowTimer);
            ShowHintWindow();
        } else if (Message.WParam == HintHideTimer) {
            CancelHint();
        }
        return;
    case WM_CLOSE:
        if (FMainForm)
            FMainForm->Close();
        return;
    case WM_SYSCOMMAND:
        if ((Message.WParam & 0xFFF0) == SC_MINIMIZE) {
            Minimize();
            return;
        }
        if ((Message.WParam & 0xFFF0) == SC_RESTORE) {
            Restore();
            return;
        }
        break;
    case WM_ACTIVATEAPP:
        if (Message.WParam) {
            if (OnActivate)
                OnActivate(this);
        } else {
            CancelHint();
            if (OnDeactivate)
                OnDeactivate(this);
        }
        break;
    case WM_ENDSESSION:
        if (Message.WParam)
            Terminate();
        return;
    default:
        break;
    }
    Message.Result = DefWindowProcW(FHandle, Message.Msg, Message.WParam, Message.LParam);
}

void TApplication::Initialize() {}

void TApplication::FormCreated(TCustomForm* form) {
    if (!FMainForm) {
        FMainForm = form;
        // A main form made before it knew it was the main form was owned by our window; it owns itself now.
        if (form->HandleAllocated() && !form->Parent())
            SetWindowLongPtrW(form->FHandle, GWLP_HWNDPARENT, 0);
    }
    form->AfterConstruction();
}

void TApplication::FormDestroyed(TCustomForm* form) {
    if (FMainForm == form)
        FMainForm = nullptr;
    FHiddenByMinimize.erase(std::remove(FHiddenByMinimize.begin(), FHiddenByMinimize.end(), form->FHandle),
                            FHiddenByMinimize.end());
}

void TApplication::Run() {
    FRunning = true;
    FTerminate = false;
    if (FMainForm && FShowMainForm) {
        if (FMainForm->WindowState() == wsMinimized)
            Minimize();
        FMainForm->SetVisible(true);
    }
    do {
        try {
            HandleMessage();
        } catch (...) {
            HandleException(this);
        }
    } while (!FTerminate);
    FRunning = false;
    // Nothing of the loop runs after WM_QUIT; a later Run (or a modal form) starts afresh.
    FTerminate = false;
}

bool TApplication::IsKeyMsg(MSG& Msg) {
    if (Msg.message < WM_KEYFIRST || Msg.message > WM_KEYLAST)
        return false;
    HWND window = GetCapture() ? GetCapture() : Msg.hwnd;
    TWinControl* control = nullptr;
    // Inner windows of a control (the edit of a combo box) belong to the control that contains them.
    while (window && !(control = FindControl(window)))
        window = GetParent(window);
    if (!control)
        return false;
    return control->Perform(CN_BASE + Msg.message, Msg.wParam, Msg.lParam) != 0;
}

bool TApplication::IsMDIMsg(MSG& Msg) {
    if (!FMainForm || FMainForm->FormStyle() != fsMDIForm || !FMainForm->ClientHandle())
        return false;
    if (Screen->ActiveForm() && Screen->ActiveForm()->FormStyle() != fsMDIChild && Screen->ActiveForm() != FMainForm)
        return false;
    return TranslateMDISysAccel(FMainForm->ClientHandle(), &Msg) != 0;
}

bool TApplication::ProcessMessage(MSG& Msg) {
    if (!PeekMessageW(&Msg, nullptr, 0, 0, PM_REMOVE))
        return false;
    if (Msg.message == WM_QUIT) {
        FTerminate = true;
        return true;
    }
    bool handled = false;
    if (OnMessage)
        OnMessage(Msg, handled);
    if (FHintWindow && FHintActive &&
        (Msg.message == WM_KEYDOWN || Msg.message == WM_SYSKEYDOWN || Msg.message == WM_LBUTTONDOWN ||
         Msg.message == WM_RBUTTONDOWN || Msg.message == WM_MBUTTONDOWN || Msg.message == WM_NCLBUTTONDOWN))
        CancelHint();
    if (!handled && !IsMDIMsg(Msg) && !IsKeyMsg(Msg)) {
        TranslateMessage(&Msg);
        DispatchMessageW(&Msg);
    }
    return true;
}

void TApplication::ProcessMessages() {
    MSG msg;
    while (ProcessMessage(msg)) {
    }
}

void TApplication::HandleMessage() {
    MSG msg;
    if (!ProcessMessage(msg))
        Idle(msg);
}

void TApplication::Idle(const MSG& Msg) {
    (void)Msg;
    DoMouseIdle();
    FreeControlCanvasHandles();
    bool done = true;
    try {
        if (OnIdle)
            OnIdle(this, done);
    } catch (...) {
        HandleException(this);
    }
    if (CheckSynchronize())
        done = false;
    if (done) {
        // Woken by a message or by a call that a thread queued for us.
        HANDLE sync = SyncEvent();
        MsgWaitForMultipleObjectsEx(1, &sync, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

void TApplication::Terminate() { PostQuitMessage(0); }

std::string TApplication::Title() const {
    int n = GetWindowTextLengthA(FHandle);
    std::string r(static_cast<size_t>(n) + 1, '\0');
    n = GetWindowTextA(FHandle, r.data(), n + 1);
    r.resize(static_cast<size_t>(std::max(n, 0)));
    return r;
}

void TApplication::SetTitle(const std::string& value) { SetWindowTextA(FHandle, value.c_str()); }

void TApplication::SetHint(const std::string& value) {
    if (value == FHint)
        return;
    FHint = value;
    if (OnHint)
        OnHint(this);
}

void TApplication::SetShowHint(bool value) {
    FShowHint = value;
    if (!value)
        CancelHint();
}

int TApplication::MessageBox(const std::string& Text, const std::string& Caption, UINT Flags) {
    HWND owner = GetActiveWindow();
    if (!owner && FMainForm && FMainForm->HandleAllocated())
        owner = FMainForm->FHandle;
    return ::MessageBoxA(owner, Text.c_str(), Caption.c_str(), Flags);
}

void TApplication::ShowException(const Exception& E) {
    std::string message = E.Message();
    // The class library ends an exception's sentence for the box.
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        message += '.';
    MessageBox(message, Title(), MB_OK | MB_ICONSTOP);
}

void TApplication::ReportException(TObject* Sender, const Exception& E) noexcept {
    try {
        if (OnException)
            OnException(Sender, E);
        else
            ShowException(E);
    } catch (const std::exception& inner) {
        // An exception from the handler itself goes to a plain box; nothing may leave here.
        ::MessageBoxA(nullptr, inner.what(), "Error", MB_OK | MB_ICONSTOP);
    } catch (...) {
        ::MessageBoxA(nullptr, "Unknown exception", "Error", MB_OK | MB_ICONSTOP);
    }
}

void TApplication::HandleException(TObject* Sender) {
    std::exception_ptr current = std::current_exception();
    if (!current)
        return;
    try {
        std::rethrow_exception(current);
    } catch (const Exception& e) {
        ReportException(Sender, e);
    } catch (const std::exception& e) {
        ReportException(Sender, Exception(e.what()));
    } catch (...) {
        ReportException(Sender, Exception("Unknown exception"));
    }
}

void TApplication::HookMainWindow(TWindowHook Hook) {
    if (std::find(FWindowHooks.begin(), FWindowHooks.end(), Hook) == FWindowHooks.end())
        FWindowHooks.push_back(Hook);
}

void TApplication::UnhookMainWindow(TWindowHook Hook) {
    FWindowHooks.erase(std::remove(FWindowHooks.begin(), FWindowHooks.end(), Hook), FWindowHooks.end());
}

void TApplication::Minimize() {
    if (!FMainForm || !FMainForm->HandleAllocated() || IsIconic(FMainForm->FHandle))
        return;
    // Forms owned by the hidden window would stay on screen; they go with the main form and come back with it.
    for (int i = 0; i < Screen->FormCount(); ++i) {
        TCustomForm* f = Screen->Forms(i);
        if (f != FMainForm && f->HandleAllocated() && !f->Parent() && f->FormStyle() != fsMDIChild &&
            IsWindowVisible(f->FHandle) && GetWindow(f->FHandle, GW_OWNER) == FHandle) {
            ShowWindow(f->FHandle, SW_HIDE);
            FHiddenByMinimize.push_back(f->FHandle);
        }
    }
    ShowWindow(FMainForm->FHandle, SW_MINIMIZE);
    if (OnMinimize)
        OnMinimize(this);
}

void TApplication::Restore() {
    if (FMainForm && FMainForm->HandleAllocated() && IsIconic(FMainForm->FHandle))
        ShowWindow(FMainForm->FHandle, SW_RESTORE);
    std::vector<HWND> hidden;
    hidden.swap(FHiddenByMinimize);
    bool restored = !hidden.empty();
    for (HWND w : hidden)
        if (IsWindow(w))
            ShowWindow(w, SW_SHOWNA);
    if (restored && OnRestore)
        OnRestore(this);
}

void TApplication::BringToFront() {
    TCustomForm* form = Screen->ActiveForm() ? Screen->ActiveForm() : FMainForm;
    if (!form || !form->HandleAllocated())
        return;
    HWND top = GetLastActivePopup(form->FHandle);
    if (top && IsWindowVisible(top) && IsWindowEnabled(top))
        SetForegroundWindow(top);
}

// --- hints ---

namespace {
std::string HintOf(TControl* control) {
    for (; control; control = control->Parent())
        if (!control->Hint().empty())
            return control->Hint();
    return std::string();
}
}  // namespace

void TApplication::StartHintTimer(UINT id, int delay) { SetTimer(FHandle, id, static_cast<UINT>(std::max(delay, 1)), nullptr); }

void TApplication::StopHintTimer(UINT id) { KillTimer(FHandle, id); }

void TApplication::CancelHint() {
    StopHintTimer(HintShowTimer);
    StopHintTimer(HintHideTimer);
    if (FHintWindow)
        FHintWindow->ReleaseHandle();
    FHintActive = false;
}

void TApplication::DoMouseIdle() {
    POINT p;
    if (!GetCursorPos(&p))
        return;
    TControl* control = FindDragTarget(p, true);
    if (control == FMouseIdleControl)
        return;
    FMouseIdleControl = control;
    SetHint(control ? GetLongHint(HintOf(control)) : std::string());
    if (control != FHintControl) {
        bool wasActive = FHintActive;
        CancelHint();
        FHintControl = control;
        if (FShowHint && control && control->ShowHint() && !GetShortHint(HintOf(control)).empty())
            StartHintTimer(HintShowTimer, wasActive ? FHintShortPause : FHintPause);
    }
}

void TApplication::ShowHintWindow() {
    if (!FHintControl)
        return;
    POINT p;
    GetCursorPos(&p);
    if (FindDragTarget(p, true) != FHintControl)
        return;
    std::string hint = GetShortHint(HintOf(FHintControl));
    if (hint.empty())
        return;
    if (!FHintWindow) {
        FHintWindow = new THintWindow(this);
    }
    TRect r = FHintWindow->CalcHintRect(Screen->Width() / 3, hint);
    // Below the cursor, as the system's tooltips sit.
    OffsetRect(&r, p.x, p.y + GetSystemMetrics(SM_CYCURSOR) / 2 + 4);
    FHintWindow->ActivateHint(r, hint);
    FHintActive = true;
    StartHintTimer(HintHideTimer, FHintHidePause);
}

void TApplication::HintMouseMessage(TControl* Control, TMessage& Message) {
    (void)Control;
    switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        CancelHint();
        break;
    }
}

void TApplication::ControlDestroyed(TControl* Control) {
    if (FHintControl == Control) {
        CancelHint();
        FHintControl = nullptr;
    }
    if (FMouseIdleControl == Control)
        FMouseIdleControl = nullptr;
    if (FHintWindow == Control)
        FHintWindow = nullptr;
    if (Screen)
        Screen->ControlDestroyed(Control);
}

// --- TScreen ---

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {}

TScreen::~TScreen() = default;

TCustomForm* TScreen::Forms(int index) const {
    if (index < 0 || index >= FormCount())
        throw EListError("List index out of bounds (" + IntToStr(index) + ")");
    return FForms[static_cast<size_t>(index)];
}

void TScreen::AddForm(TCustomForm* form) { FForms.push_back(form); }

void TScreen::RemoveForm(TCustomForm* form) {
    FForms.erase(std::remove(FForms.begin(), FForms.end(), form), FForms.end());
    if (FActiveForm == form)
        SetActiveForm(nullptr);
}

void TScreen::SetActiveForm(TCustomForm* form) {
    if (form == FActiveForm)
        return;
    FActiveForm = form;
    if (OnActiveFormChange)
        OnActiveFormChange(this);
}

void TScreen::SetActiveControl(TWinControl* control) {
    if (control == FActiveControl)
        return;
    FActiveControl = control;
    if (OnActiveControlChange)
        OnActiveControlChange(this);
}

void TScreen::ControlDestroyed(TControl* control) {
    if (FActiveControl == control)
        FActiveControl = nullptr;
}

TRect TScreen::WorkAreaRect() const {
    TRect r(0, 0, Width(), Height());
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
    return r;
}

int TScreen::WorkAreaWidth() const {
    RECT r = WorkAreaRect();
    return r.right - r.left;
}

int TScreen::WorkAreaHeight() const {
    RECT r = WorkAreaRect();
    return r.bottom - r.top;
}

namespace {
void FontFromLogFont(TFont* font, const LOGFONTA& lf) {
    font->SetName(lf.lfFaceName);
    font->SetHeight(lf.lfHeight);
}

NONCLIENTMETRICSA NonClientMetrics() {
    NONCLIENTMETRICSA m{};
    m.cbSize = sizeof m;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0)) {
        // Older systems know the structure without its last field.
        m.cbSize = sizeof m - sizeof m.iPaddedBorderWidth;
        SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, m.cbSize, &m, 0);
    }
    return m;
}
}  // namespace

TFont* TScreen::MenuFont() {
    if (!FMenuFont) {
        FMenuFont = std::make_unique<TFont>();
        FontFromLogFont(FMenuFont.get(), NonClientMetrics().lfMenuFont);
    }
    return FMenuFont.get();
}

TFont* TScreen::MessageFont() {
    if (!FMessageFont) {
        FMessageFont = std::make_unique<TFont>();
        FontFromLogFont(FMessageFont.get(), NonClientMetrics().lfMessageFont);
    }
    return FMessageFont.get();
}

TFont* TScreen::HintFont() {
    if (!FHintFont) {
        FHintFont = std::make_unique<TFont>();
        FontFromLogFont(FHintFont.get(), NonClientMetrics().lfStatusFont);
        FHintFont->SetColor(clInfoText);
    }
    return FHintFont.get();
}

void TScreen::SetCursor(TCursor value) {
    FCursor = value;
    if (value != crDefault) {
        ::SetCursor(Cursors(value));
    } else {
        // Let the window under the mouse choose its cursor again.
        POINT p;
        GetCursorPos(&p);
        SetCursorPos(p.x, p.y);
    }
}

HCURSOR TScreen::Cursors(TCursor index) const {
    for (auto& c : FCursors)
        if (c.first == index)
            return c.second;
    const char* id = IDC_ARROW;
    switch (index) {
    case crNone:
        return nullptr;
    case crCross:
        id = IDC_CROSS;
        break;
    case crIBeam:
        id = IDC_IBEAM;
        break;
    case crSizeNESW:
        id = IDC_SIZENESW;
        break;
    case crSizeNS:
    case crVSplit:
        id = IDC_SIZENS;
        break;
    case crSizeNWSE:
        id = IDC_SIZENWSE;
        break;
    case crSizeWE:
    case crHSplit:
        id = IDC_SIZEWE;
        break;
    case crUpArrow:
        id = IDC_UPARROW;
        break;
    case crHourGlass:
    case crSQLWait:
        id = IDC_WAIT;
        break;
    case crNo:
    case crNoDrop:
        id = IDC_NO;
        break;
    case crAppStart:
        id = IDC_APPSTARTING;
        break;
    case crHelp:
        id = IDC_HELP;
        break;
    case crHandPoint:
        id = IDC_HAND;
        break;
    case crSizeAll:
        id = IDC_SIZEALL;
        break;
    default:
        break;
    }
    return LoadCursorA(nullptr, id);
}

void TScreen::SetCursors(TCursor index, HCURSOR handle) {
    for (auto& c : FCursors)
        if (c.first == index) {
            c.second = handle;
            return;
        }
    FCursors.emplace_back(index, handle);
}

// --- form descriptions ---

namespace {

const bool FormsRegistered = [] {
    RegisterFormClass<TControlScrollBar>([](TFormClass<TControlScrollBar>& c) {
        c.Integer("Increment", &TControlScrollBar::Increment, &TControlScrollBar::SetIncrement).Default(8);
        c.Integer("Position", &TControlScrollBar::Position, &TControlScrollBar::SetPosition).Default(0);
        c.Integer("Range", &TControlScrollBar::Range, &TControlScrollBar::SetRange).Default(0);
        c.Boolean("Tracking", &TControlScrollBar::Tracking, &TControlScrollBar::SetTracking).Default(false);
        c.Boolean("Visible", &TControlScrollBar::Visible, &TControlScrollBar::SetVisible).Default(true);
    });
    RegisterFormClass<TScrollingWinControl>([](TFormClass<TScrollingWinControl>& c) {
        c.Boolean("AutoScroll", &TScrollingWinControl::AutoScroll, &TScrollingWinControl::SetAutoScroll).Default(true);
        c.Object("HorzScrollBar", &TScrollingWinControl::HorzScrollBar);
        c.Object("VertScrollBar", &TScrollingWinControl::VertScrollBar);
    });
    RegisterFormClass<TScrollBox>([](TFormClass<TScrollBox>& c) {
        c.Enum("BorderStyle", &TScrollBox::BorderStyle, &TScrollBox::SetBorderStyle, {"bsNone", "bsSingle"})
            .Default(bsSingle);
    });
    RegisterFormClass<TCustomFrame>();
    RegisterFormClass<TFrame>();
    RegisterFormClass<TCustomForm>([](TFormClass<TCustomForm>& c) {
        c.Component("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl)
            .Stored([](TCustomForm* f) { return f->ActiveControl() != nullptr; });
        c.SetOf("BorderIcons", &TCustomForm::BorderIcons, &TCustomForm::SetBorderIcons,
                {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"})
            .Default(TBorderIcons{biSystemMenu, biMinimize, biMaximize});
        c.Enum("BorderStyle", &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle,
               {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"})
            .Default(bsSizeable);
        c.String("Caption", &TControl::Caption, &TControl::SetCaption);
        // After the border: the client size depends on it.
        c.Integer("ClientHeight", &TControl::ClientHeight, &TControl::SetClientHeight);
        c.Integer("ClientWidth", &TControl::ClientWidth, &TControl::SetClientWidth);
        c.Enum("FormStyle", &TCustomForm::FormStyle, &TCustomForm::SetFormStyle,
               {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"})
            .Default(fsNormal);
        c.Object("Icon", &TCustomForm::Icon).Stored([](TCustomForm* f) { return !f->Icon()->Empty(); });
        c.Boolean("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview).Default(false);
        // The menus are another unit's classes: the reference is checked by class name.
        c.Component(
             "Menu", [](TCustomForm* f) { return reinterpret_cast<TComponent*>(f->Menu()); },
             [](TCustomForm* f, TComponent* menu) {
                 if (menu && !menu->InheritsFrom("TMainMenu"))
                     throw EReadError("Invalid property value: " + menu->Name() + " is no main menu");
                 f->SetMenu(reinterpret_cast<TMainMenu*>(menu));
             })
            .Stored([](TCustomForm* f) { return f->Menu() != nullptr; });
        c.Enum("Position", &TCustomForm::Position, &TCustomForm::SetPosition,
               {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter",
                "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"})
            .Default(poDefaultPosOnly);
        c.Enum("WindowState", &TCustomForm::WindowState, &TCustomForm::SetWindowState,
               {"wsNormal", "wsMinimized", "wsMaximized"})
            .Default(wsNormal);
        c.Event("OnActivate", &TCustomForm::OnActivate);
        c.Event("OnClose", &TCustomForm::OnClose);
        c.Event("OnCloseQuery", &TCustomForm::OnCloseQuery);
        c.Event("OnCreate", &TCustomForm::OnCreate);
        c.Event("OnDeactivate", &TCustomForm::OnDeactivate);
        c.Event("OnDestroy", &TCustomForm::OnDestroy);
        c.Event("OnHide", &TCustomForm::OnHide);
        c.Event("OnPaint", &TCustomForm::OnPaint);
        c.Event("OnShow", &TCustomForm::OnShow);
    });
    RegisterFormClass<TForm>();
    return true;
}();

}  // namespace
