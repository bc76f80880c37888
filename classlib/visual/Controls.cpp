#include "Controls.h"

#include "ActnList.h"

#include "classlib/runtime/ExceptionHandler.h"
#include "classlib/runtime/FormResources.h"
#include "Forms.h"

#include <algorithm>
#include <map>

// --- shared state of the control layer (main thread only) ---

namespace {

// The window property that leads from a window to its control. The process id keeps windows of other
// processes (whose properties we might read through a WM_COMMAND or WindowFromPoint) from looking like ours.
const wchar_t* ControlProperty() {
    static const std::wstring name = L"BrimletControl" + AnsiToWide(IntToHex(GetCurrentProcessId(), 8));
    return name.c_str();
}

// The control whose window is being created: its first message attaches the window to it.
thread_local TWinControl* CreationControl = nullptr;

TControl* CaptureControlRef = nullptr;
TControl* MouseControlRef = nullptr;
HWND TrackedWindow = nullptr;

// Child window ids, so WM_MEASUREITEM (which names only the id) finds its control even during creation.
std::map<int, TWinControl*>& ControlsById() {
    static std::map<int, TWinControl*> map;
    return map;
}

bool IsWinControl(const TControl* c) { return dynamic_cast<const TWinControl*>(c) != nullptr; }

void HandleCallbackException(TObject* sender) {
    if (TApplication* app = Application)
        app->HandleException(sender);
    else
        HandleCurrentException();
}

// Moves the mouse-over state to target, telling the control left and the control entered.
void SetMouseControl(TControl* target) {
    if (target == MouseControlRef)
        return;
    TControl* old = MouseControlRef;
    MouseControlRef = target;
    if (old)
        old->Perform(CM_MOUSELEAVE, 0, 0);
    if (target && target == MouseControlRef)
        target->Perform(CM_MOUSEENTER, 0, 0);
}

void TrackLeave(HWND window) {
    if (TrackedWindow == window)
        return;
    TRACKMOUSEEVENT tme{};
    tme.cbSize = sizeof tme;
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = window;
    // Without tracking we would only miss a CM_MOUSELEAVE; the next move elsewhere repairs the state.
    if (TrackMouseEvent(&tme))
        TrackedWindow = window;
}

}  // namespace

std::wstring AnsiToWide(const std::string& text) {
    std::wstring r;
    AnsiToWide(text, r);
    return r;
}

void AnsiToWide(const std::string& text, std::wstring& into) {
    into.clear();
    if (text.empty())
        return;
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    into.resize(static_cast<size_t>(n));
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), into.data(), n);
}

std::string WideToAnsi(const std::wstring& text) {
    if (text.empty())
        return std::string();
    int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string r(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), r.data(), n, nullptr, nullptr);
    return r;
}

TShiftState KeysToShiftState(WPARAM keys) {
    TShiftState s;
    if (keys & MK_SHIFT)
        s.Include(ssShift);
    if (keys & MK_CONTROL)
        s.Include(ssCtrl);
    if (keys & MK_LBUTTON)
        s.Include(ssLeft);
    if (keys & MK_RBUTTON)
        s.Include(ssRight);
    if (keys & MK_MBUTTON)
        s.Include(ssMiddle);
    if (GetKeyState(VK_MENU) < 0)
        s.Include(ssAlt);
    return s;
}

TShiftState KeyDataToShiftState(LPARAM keyData) {
    TShiftState s;
    if (GetKeyState(VK_SHIFT) < 0)
        s.Include(ssShift);
    if (GetKeyState(VK_CONTROL) < 0)
        s.Include(ssCtrl);
    if (keyData & 0x20000000)
        s.Include(ssAlt);
    return s;
}

std::string GetShortHint(const std::string& hint) {
    size_t bar = hint.find('|');
    return bar == std::string::npos ? hint : hint.substr(0, bar);
}

std::string GetLongHint(const std::string& hint) {
    size_t bar = hint.find('|');
    return bar == std::string::npos ? hint : hint.substr(bar + 1);
}

TMenuHooks& MenuHooks() {
    static TMenuHooks hooks;
    return hooks;
}

TWinControl* FindControl(HWND handle) {
    if (!handle)
        return nullptr;
    return static_cast<TWinControl*>(GetPropW(handle, ControlProperty()));
}

TControl* FindDragTarget(TPoint pos, bool allowDisabled) {
    HWND window = WindowFromPoint(pos);
    TWinControl* control = nullptr;
    while (window && !(control = FindControl(window)))
        window = GetParent(window);
    if (!control)
        return nullptr;
    TPoint client = control->ScreenToClient(pos);
    TControl* inner = control->ControlAtPos(client, allowDisabled);
    return inner ? inner : control;
}

TCustomForm* GetParentForm(TControl* control) {
    while (control && control->Parent())
        control = control->Parent();
    return dynamic_cast<TCustomForm*>(control);
}

TControl* GetCaptureControl() {
    TControl* result = FindControl(GetCapture());
    if (result && CaptureControlRef && CaptureControlRef->Parent() == result)
        result = CaptureControlRef;
    return result;
}

void SetCaptureControl(TControl* control) {
    // A window that has the capture already (a standard control takes it on a button press) keeps it:
    // taking it away and back would tell the control its press was cancelled.
    if (auto* w = dynamic_cast<TWinControl*>(control); w && w->HandleAllocated() && GetCapture() == w->Handle()) {
        CaptureControlRef = nullptr;
        return;
    }
    ReleaseCapture();
    CaptureControlRef = nullptr;
    if (!control)
        return;
    if (!IsWinControl(control)) {
        if (!control->Parent())
            return;
        CaptureControlRef = control;
        control = control->Parent();
    }
    SetCapture(static_cast<TWinControl*>(control)->Handle());
}

TControl* MouseControl() { return MouseControlRef; }

// --- TSizeConstraints ---

void TSizeConstraints::SetMinWidth(int value) {
    if (value == FMinWidth)
        return;
    FMinWidth = std::max(value, 0);
    if (FMaxWidth > 0 && FMaxWidth < FMinWidth)
        FMaxWidth = FMinWidth;
    Changed();
}

void TSizeConstraints::SetMinHeight(int value) {
    if (value == FMinHeight)
        return;
    FMinHeight = std::max(value, 0);
    if (FMaxHeight > 0 && FMaxHeight < FMinHeight)
        FMaxHeight = FMinHeight;
    Changed();
}

void TSizeConstraints::SetMaxWidth(int value) {
    if (value == FMaxWidth)
        return;
    FMaxWidth = std::max(value, 0);
    if (FMaxWidth > 0 && FMinWidth > FMaxWidth)
        FMinWidth = FMaxWidth;
    Changed();
}

void TSizeConstraints::SetMaxHeight(int value) {
    if (value == FMaxHeight)
        return;
    FMaxHeight = std::max(value, 0);
    if (FMaxHeight > 0 && FMinHeight > FMaxHeight)
        FMinHeight = FMaxHeight;
    Changed();
}

void TSizeConstraints::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TSizeConstraints*>(Source)) {
        FMinWidth = s->FMinWidth;
        FMinHeight = s->FMinHeight;
        FMaxWidth = s->FMaxWidth;
        FMaxHeight = s->FMaxHeight;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

void TSizeConstraints::Apply(int& width, int& height) const {
    if (FMinWidth > 0 && width < FMinWidth)
        width = FMinWidth;
    if (FMaxWidth > 0 && width > FMaxWidth)
        width = FMaxWidth;
    if (FMinHeight > 0 && height < FMinHeight)
        height = FMinHeight;
    if (FMaxHeight > 0 && height > FMaxHeight)
        height = FMaxHeight;
}

void TSizeConstraints::Changed() {
    if (FControl)
        FControl->SetBounds(FControl->Left(), FControl->Top(), FControl->Width(), FControl->Height());
    if (OnChange)
        OnChange(this);
}

// --- WindowProc hooks ---

// One place in a control's WindowProc chain. Owned by the control, so that code which saved our closure
// (a plain save-and-restore hook installed after us) can still call it after our hook was removed.
struct TWindowProcHookNode {
    TWndMethod Method;
    TWndMethod Previous;
    TWindowProcHook* Owner = nullptr;
    void Forward(TMessage& Message) {
        if (Owner)
            Method(Message);
        else
            Previous(Message);
    }
    TWndMethod Closure() { return TWndMethod(this, &TWindowProcHookNode::Forward); }
};

void TWindowProcHook::Install(TControl* control, TWndMethod method) {
    Remove();
    if (!control)
        throw EInvalidArgument("A window procedure hook needs a control");
    auto node = std::make_unique<TWindowProcHookNode>();
    node->Method = method;
    node->Previous = control->FWindowProc;
    node->Owner = this;
    FNode = node.get();
    FControl = control;
    control->FWindowProc = node->Closure();
    control->FHookNodes.push_back(std::move(node));
}

bool TWindowProcHook::IsCurrent() const { return FNode && FControl->FWindowProc == FNode->Closure(); }

void TWindowProcHook::CallPrevious(TMessage& Message) {
    if (!FNode)
        throw EInvalidOperation("The window procedure hook is not installed");
    TWndMethod previous = FNode->Previous;
    previous(Message);
}

void TWindowProcHook::Remove() {
    if (!FNode)
        return;
    TControl* control = FControl;
    TWindowProcHookNode* node = FNode;
    FNode = nullptr;
    FControl = nullptr;
    node->Owner = nullptr;
    TWndMethod closure = node->Closure();
    bool spliced = false;
    if (control->FWindowProc == closure) {
        control->FWindowProc = node->Previous;
        spliced = true;
    } else {
        for (auto& other : control->FHookNodes)
            if (other.get() != node && other->Previous == closure) {
                other->Previous = node->Previous;
                spliced = true;
                break;
            }
    }
    // Not found in the chain: someone outside the hook list saved our closure; the node stays as a
    // pass-through until the control goes.
    if (spliced) {
        auto& nodes = control->FHookNodes;
        nodes.erase(std::remove_if(nodes.begin(), nodes.end(), [&](auto& n) { return n.get() == node; }),
                    nodes.end());
    }
}

// --- TControl ---

TControl::TControl(TComponent* AOwner)
    : TComponent(AOwner), FFont(std::make_unique<TFont>()), FConstraints(std::make_unique<TSizeConstraints>(this)) {
    FWindowProc = TWndMethod(this, &TControl::WndProc);
    FFont->OnChange = [this](TObject* sender) { FontChanged(sender); };
}

TControl::~TControl() {
    Destroying_();
    if (MouseControlRef == this)
        MouseControlRef = nullptr;
    if (CaptureControlRef == this)
        CaptureControlRef = nullptr;
    if (Application)
        Application->ControlDestroyed(this);
    if (FParent)
        FParent->RemoveControl(this);
    for (auto& node : FHookNodes)
        if (node->Owner) {
            node->Owner->FNode = nullptr;
            node->Owner->FControl = nullptr;
        }
    FFont->OnChange = nullptr;
}

void TControl::SetWindowProc(TWndMethod value) {
    if (!value)
        throw EInvalidArgument("WindowProc cannot be set to nothing");
    FWindowProc = value;
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
    TMessage m{Msg, WParam, LParam, 0};
    TWndMethod proc = FWindowProc;
    proc(m);
    return m.Result;
}

void TControl::WndProc(TMessage& Message) {
    if (Message.Msg >= WM_MOUSEFIRST && Message.Msg <= WM_MOUSELAST && !FControlStyle.Contains(csDoubleClicks)) {
        switch (Message.Msg) {
        case WM_LBUTTONDBLCLK:
            Message.Msg = WM_LBUTTONDOWN;
            break;
        case WM_RBUTTONDBLCLK:
            Message.Msg = WM_RBUTTONDOWN;
            break;
        case WM_MBUTTONDBLCLK:
            Message.Msg = WM_MBUTTONDOWN;
            break;
        }
    }
    if (Application && ((Message.Msg >= WM_MOUSEFIRST && Message.Msg <= WM_MOUSELAST) ||
                        (Message.Msg >= WM_KEYFIRST && Message.Msg <= WM_KEYLAST)))
        Application->HintMouseMessage(this, Message);
    Dispatch(Message);
}

void TControl::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_LBUTTONDOWN:
        WMMouseButton(Message, mbLeft, true, false);
        break;
    case WM_LBUTTONDBLCLK:
        WMMouseButton(Message, mbLeft, true, true);
        break;
    case WM_LBUTTONUP:
        WMMouseButton(Message, mbLeft, false, false);
        break;
    case WM_RBUTTONDOWN:
        WMMouseButton(Message, mbRight, true, false);
        break;
    case WM_RBUTTONDBLCLK:
        WMMouseButton(Message, mbRight, true, true);
        break;
    case WM_RBUTTONUP:
        WMMouseButton(Message, mbRight, false, false);
        break;
    case WM_MBUTTONDOWN:
        WMMouseButton(Message, mbMiddle, true, false);
        break;
    case WM_MBUTTONDBLCLK:
        WMMouseButton(Message, mbMiddle, true, true);
        break;
    case WM_MBUTTONUP:
        WMMouseButton(Message, mbMiddle, false, false);
        break;
    case WM_MOUSEMOVE:
        WMMouseMove(Message);
        break;
    case WM_CONTEXTMENU:
        WMContextMenu(Message);
        break;
    case WM_CANCELMODE:
        if (MouseCapture())
            SetMouseCapture(false);
        DefaultHandler(Message);
        break;
    case CM_ENABLEDCHANGED:
        CMEnabledChanged(Message);
        break;
    case CM_VISIBLECHANGED:
        CMVisibleChanged(Message);
        break;
    case CM_COLORCHANGED:
        CMColorChanged(Message);
        break;
    case CM_FONTCHANGED:
        CMFontChanged(Message);
        break;
    case CM_PARENTCOLORCHANGED:
        CMParentColorChanged(Message);
        break;
    case CM_PARENTFONTCHANGED:
        CMParentFontChanged(Message);
        break;
    case CM_PARENTSHOWHINTCHANGED:
        CMParentShowHintChanged(Message);
        break;
    case CM_MOUSEENTER:
        CMMouseEnter(Message);
        break;
    case CM_MOUSELEAVE:
        CMMouseLeave(Message);
        break;
    case CM_MOUSEWHEEL:
        CMMouseWheel(Message);
        break;
    default:
        DefaultHandler(Message);
    }
}

void TControl::DefaultHandler(TMessage& Message) { (void)Message; }

void TControl::WMMouseButton(TMessage& Message, TMouseButton Button, bool down, bool dbl) {
    TWMMouse mouse(Message);
    DefaultHandler(Message);
    if (down) {
        if (Button == mbLeft && FControlStyle.Contains(csCaptureMouse))
            SetMouseCapture(true);
        if (Button == mbLeft && FControlStyle.Contains(csClickEvents))
            FControlState.Include(csClicked);
        if (Button == mbLeft && dbl && FControlStyle.Contains(csClickEvents))
            DblClick();
        if (!FControlStyle.Contains(csNoStdEvents)) {
            TShiftState shift = KeysToShiftState(mouse.Keys());
            if (dbl)
                shift.Include(ssDouble);
            MouseDown(Button, shift, mouse.XPos(), mouse.YPos());
        }
        return;
    }
    if (Button == mbLeft) {
        if (FControlStyle.Contains(csCaptureMouse))
            SetMouseCapture(false);
        if (FControlState.Contains(csClicked)) {
            FControlState.Exclude(csClicked);
            RECT r = ClientRect();
            POINT p = mouse.Pos();
            if (PtInRect(&r, p))
                Click();
        }
    }
    if (!FControlStyle.Contains(csNoStdEvents))
        MouseUp(Button, KeysToShiftState(mouse.Keys()), mouse.XPos(), mouse.YPos());
}

void TControl::WMMouseMove(TMessage& Message) {
    DefaultHandler(Message);
    TWMMouse mouse(Message);
    if (!FControlStyle.Contains(csNoStdEvents))
        MouseMove(KeysToShiftState(mouse.Keys()), mouse.XPos(), mouse.YPos());
}

void TControl::WMContextMenu(TMessage& Message) {
    if (Message.Result != 0)
        return;
    POINT pt{static_cast<short>(LOWORD(Message.LParam)), static_cast<short>(HIWORD(Message.LParam))};
    if (pt.x == -1 && pt.y == -1)  // from the keyboard: the middle of the control
        pt = ClientToScreen(TPoint(FWidth / 2, FHeight / 2));
    bool handled = false;
    if (OnContextPopup)
        OnContextPopup(this, ScreenToClient(pt), handled);
    if (handled) {
        Message.Result = 1;
        return;
    }
    if (FPopupMenu && MenuHooks().Popup) {
        MenuHooks().Popup(FPopupMenu, this, pt.x, pt.y);
        Message.Result = 1;
        return;
    }
    DefaultHandler(Message);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseDown)
        OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseUp)
        OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
    if (OnMouseMove)
        OnMouseMove(this, Shift, X, Y);
}

bool TControl::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    bool handled = false;
    if (OnMouseWheel)
        OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
    return handled;
}

void TControl::CMMouseWheel(TMessage& Message) {
    TWMMouseWheel wheel(Message);
    if (DoMouseWheel(KeysToShiftState(wheel.Keys()), wheel.WheelDelta(), TPoint(wheel.XPos(), wheel.YPos()))) {
        Message.Result = 1;
        return;
    }
    // Not taken: the parent may scroll.
    if (FParent)
        Message.Result = FParent->Perform(CM_MOUSEWHEEL, Message.WParam, Message.LParam);
}

void TControl::Click() {
    if (OnClick)
        OnClick(this);
    else if (FActionLink)
        FActionLink->Execute();
}

TBasicAction* TControl::Action() const { return FActionLink ? FActionLink->Action() : nullptr; }

void TControl::SetAction(TBasicAction* value) {
    if (value == Action())
        return;
    if (FActionLink) {
        TBasicAction* old = FActionLink->Action();
        FActionLink.reset();
        RemoveFreeNotification(old);
    }
    if (!value)
        return;
    FActionLink = std::make_unique<TActionLink>(this, value);
    FreeNotification(value);
    ActionChange(value, Loading());
}

void TControl::ActionChange(TObject* Sender, bool CheckDefaults) {
    auto* action = dynamic_cast<TCustomAction*>(Sender);
    if (!action)
        return;
    if (!CheckDefaults || Caption().empty())
        SetCaption(action->Caption());
    if (!CheckDefaults || Enabled())
        SetEnabled(action->Enabled());
    if (!CheckDefaults || Hint().empty())
        SetHint(action->Hint());
    if (!CheckDefaults || Visible())
        SetVisible(action->Visible());
}

void TControl::DblClick() {
    if (OnDblClick)
        OnDblClick(this);
}

void TControl::CMMouseEnter(TMessage& Message) {
    // The parents hear of it too, with the control that was entered in LParam.
    if (FParent)
        FParent->Perform(CM_MOUSEENTER, 0, Message.LParam ? Message.LParam : reinterpret_cast<LPARAM>(this));
    if (Message.LParam == 0 && OnMouseEnter)
        OnMouseEnter(this);
}

void TControl::CMMouseLeave(TMessage& Message) {
    if (FParent)
        FParent->Perform(CM_MOUSELEAVE, 0, Message.LParam ? Message.LParam : reinterpret_cast<LPARAM>(this));
    if (Message.LParam == 0 && OnMouseLeave)
        OnMouseLeave(this);
}

void TControl::CMEnabledChanged(TMessage& Message) {
    (void)Message;
    Invalidate();
}

void TControl::CMVisibleChanged(TMessage& Message) {
    (void)Message;
    InvalidateControl(true, FVisible && FControlStyle.Contains(csOpaque));
}

void TControl::CMColorChanged(TMessage& Message) {
    (void)Message;
    Invalidate();
}

void TControl::CMFontChanged(TMessage& Message) {
    (void)Message;
    Invalidate();
}

void TControl::CMParentColorChanged(TMessage& Message) {
    if (!FParentColor)
        return;
    SetColor(Message.WParam ? static_cast<TColor>(Message.LParam) : FParent ? FParent->FColor : FColor);
    FParentColor = true;
}

void TControl::CMParentFontChanged(TMessage& Message) {
    (void)Message;
    if (!FParentFont || !FParent)
        return;
    FFont->Assign(FParent->FFont.get());
    FParentFont = true;
}

void TControl::CMParentShowHintChanged(TMessage& Message) {
    (void)Message;
    if (FParentShowHint && FParent) {
        FShowHint = FParent->FShowHint;
        FParentShowHint = true;
    }
}

void TControl::FontChanged(TObject* Sender) {
    (void)Sender;
    FParentFont = false;
    Perform(CM_FONTCHANGED, 0, 0);
}

void TControl::SetParent(TWinControl* AParent) {
    if (AParent == FParent)
        return;
    if (AParent == this)
        throw EInvalidOperation("A control cannot have itself as its parent");
    if (FParent)
        FParent->RemoveControl(this);
    if (AParent)
        AParent->InsertControl(this);
}

void TControl::SetBoundsFields(int ALeft, int ATop, int AWidth, int AHeight) {
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    FConstraints->Apply(AWidth, AHeight);
    if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight)
        return;
    bool sized = AWidth != FWidth || AHeight != FHeight;
    InvalidateControl(FVisible, false);
    SetBoundsFields(ALeft, ATop, AWidth, AHeight);
    UpdateAnchorRules();
    Invalidate();
    RequestAlign();
    if (sized && !Loading())
        Resize();
}

TRect TControl::ClientRect() const { return TRect(0, 0, FWidth, FHeight); }

int TControl::ClientWidth() const {
    RECT r = ClientRect();
    return r.right - r.left;
}

int TControl::ClientHeight() const {
    RECT r = ClientRect();
    return r.bottom - r.top;
}

void TControl::SetClientWidth(int value) { SetClientSize(value, ClientHeight()); }
void TControl::SetClientHeight(int value) { SetClientSize(ClientWidth(), value); }

void TControl::SetClientSize(int width, int height) {
    RECT r = ClientRect();
    SetBounds(FLeft, FTop, FWidth - (r.right - r.left) + width, FHeight - (r.bottom - r.top) + height);
}

TPoint TControl::ClientOrigin() const {
    if (!FParent)
        throw EInvalidOperation("Control '" + Name() + "' has no parent window");
    TPoint p = FParent->ClientOrigin();
    return TPoint(p.x + FLeft, p.y + FTop);
}

TPoint TControl::ClientToScreen(TPoint p) const {
    TPoint o = ClientOrigin();
    return TPoint(p.x + o.x, p.y + o.y);
}

TPoint TControl::ScreenToClient(TPoint p) const {
    TPoint o = ClientOrigin();
    return TPoint(p.x - o.x, p.y - o.y);
}

void TControl::SetAlign(TAlign value) {
    if (value == FAlign)
        return;
    TAlign old = FAlign;
    FAlign = value;
    FAnchors = (value == alNone || value == alCustom) ? TAnchors{akLeft, akTop}
               : value == alTop                        ? TAnchors{akLeft, akTop, akRight}
               : value == alBottom                     ? TAnchors{akLeft, akRight, akBottom}
               : value == alLeft                       ? TAnchors{akLeft, akTop, akBottom}
               : value == alRight                      ? TAnchors{akTop, akRight, akBottom}
                                                       : TAnchors{akLeft, akTop, akRight, akBottom};
    if (old == alNone || value != alNone)
        RequestAlign();
    UpdateAnchorRules();
}

void TControl::SetAnchors(TAnchors value) {
    if (value == FAnchors)
        return;
    FAnchors = value;
    UpdateAnchorRules();
}

void TControl::UpdateAnchorRules() {
    if (FAnchoring)
        return;
    FAnchorOrigin.Valid = false;
    if (!FParent || FAlign != alNone || FAnchors == TAnchors{akLeft, akTop} || Loading())
        return;
    FAnchorOrigin.Valid = true;
    FAnchorOrigin.ParentWidth = FParent->ClientWidth();
    FAnchorOrigin.ParentHeight = FParent->ClientHeight();
    FAnchorOrigin.Left = FLeft;
    FAnchorOrigin.Top = FTop;
    FAnchorOrigin.Width = FWidth;
    FAnchorOrigin.Height = FHeight;
}

void TControl::ApplyAnchorRules(int parentWidth, int parentHeight) {
    if (!FAnchorOrigin.Valid)
        return;
    int dx = parentWidth - FAnchorOrigin.ParentWidth, dy = parentHeight - FAnchorOrigin.ParentHeight;
    int l = FAnchorOrigin.Left, t = FAnchorOrigin.Top, w = FAnchorOrigin.Width, h = FAnchorOrigin.Height;
    if (FAnchors.Contains(akRight))
        (FAnchors.Contains(akLeft) ? w : l) += dx;
    else if (!FAnchors.Contains(akLeft))
        l += dx / 2;
    if (FAnchors.Contains(akBottom))
        (FAnchors.Contains(akTop) ? h : t) += dy;
    else if (!FAnchors.Contains(akTop))
        t += dy / 2;
    FAnchoring = true;
    try {
        SetBounds(l, t, std::max(w, 0), std::max(h, 0));
    } catch (...) {
        FAnchoring = false;
        throw;
    }
    FAnchoring = false;
}

void TControl::RequestAlign() {
    if (FParent)
        FParent->AlignControl(this);
}

void TControl::Resize() {
    if (OnResize)
        OnResize(this);
}

void TControl::BringToFront() {
    if (!FParent)
        return;
    auto& list = FParent->FControls;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    list.push_back(this);
    if (auto* w = dynamic_cast<TWinControl*>(this))
        w->SetZOrder(true);
    else
        InvalidateControl(FVisible, false);
}

void TControl::SendToBack() {
    if (!FParent)
        return;
    auto& list = FParent->FControls;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    list.insert(list.begin(), this);
    if (auto* w = dynamic_cast<TWinControl*>(this))
        w->SetZOrder(false);
    else
        InvalidateControl(FVisible, false);
}

void TControl::SetVisible(bool value) {
    if (value == FVisible)
        return;
    FVisible = value;
    Perform(CM_VISIBLECHANGED, value ? 1 : 0, 0);
    RequestAlign();
}

bool TControl::Showing() const { return FVisible && FParent && FParent->Showing(); }

void TControl::SetEnabled(bool value) {
    if (value == FEnabled)
        return;
    FEnabled = value;
    Perform(CM_ENABLEDCHANGED, 0, 0);
}

std::string TControl::Text() const { return FText; }

void TControl::SetText(const std::string& value) {
    if (value == FText)
        return;
    FText = value;
    Perform(CM_TEXTCHANGED, 0, 0);
}

void TControl::SetShowHint(bool value) {
    if (value == FShowHint && !FParentShowHint)
        return;
    FShowHint = value;
    FParentShowHint = false;
    Perform(CM_SHOWHINTCHANGED, 0, 0);
}

void TControl::SetParentShowHint(bool value) {
    if (value == FParentShowHint)
        return;
    FParentShowHint = value;
    if (value && FParent)
        Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
}

void TControl::SetColor(TColor value) {
    if (value == FColor && !FParentColor)
        return;
    bool changed = value != FColor;
    FColor = value;
    FParentColor = false;
    if (changed)
        Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool value) {
    if (value == FParentColor)
        return;
    FParentColor = value;
    if (value && FParent)
        Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TControl::SetParentFont(bool value) {
    if (value == FParentFont)
        return;
    FParentFont = value;
    if (value && FParent)
        Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TControl::SetCursor(TCursor value) {
    if (value == FCursor)
        return;
    FCursor = value;
    Perform(CM_CURSORCHANGED, 0, 0);
}

void TControl::SetPopupMenu(TPopupMenu* value) {
    if (FPopupMenu && value != FPopupMenu)
        RemoveFreeNotification(reinterpret_cast<TComponent*>(FPopupMenu));
    FPopupMenu = value;
    if (value)
        FreeNotification(reinterpret_cast<TComponent*>(value));
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == reinterpret_cast<TComponent*>(FPopupMenu))
        FPopupMenu = nullptr;
}

bool TControl::MouseCapture() const { return GetCaptureControl() == this; }

void TControl::SetMouseCapture(bool value) {
    if (MouseCapture() == value)
        return;
    SetCaptureControl(value ? this : nullptr);
}

void TControl::InvalidateControl(bool isVisible, bool isOpaque) {
    if (IsWinControl(this) || !FParent || !(isVisible || FVisible))
        return;
    HWND parent = FParent->FHandle;
    if (!parent)
        return;
    RECT r = BoundsRect();
    InvalidateRect(parent, &r, !isOpaque);
}

HWND TControl::ParentHandleForPaint() const { return FParent ? FParent->FHandle : nullptr; }

void TControl::Invalidate() { InvalidateControl(FVisible, FControlStyle.Contains(csOpaque)); }

void TControl::Update() {
    if (FParent)
        FParent->Update();
}

void TControl::Repaint() {
    if (FVisible && FParent && FParent->HandleAllocated()) {
        Invalidate();
        FParent->Update();
    }
}

void TControl::SetName(const std::string& value) {
    // A caption still showing the old name follows the new one, as a freshly dropped control's does.
    bool followCaption = FControlStyle.Contains(csSetCaption) && !Loading() && Name() == Text() &&
                         !(Owner() && dynamic_cast<TControl*>(Owner()) && Owner()->Loading());
    TComponent::SetName(value);
    if (followCaption)
        SetText(value);
}

void TControl::Loaded() {
    TComponent::Loaded();
    if (FParent) {
        if (FParentColor)
            Perform(CM_PARENTCOLORCHANGED, 0, 0);
        if (FParentFont)
            Perform(CM_PARENTFONTCHANGED, 0, 0);
        if (FParentShowHint)
            Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
    }
    UpdateAnchorRules();
    RequestAlign();
    // The action's own properties are read by now.
    if (FActionLink)
        ActionChange(FActionLink->Action(), true);
}

// --- TControlCanvas ---

namespace {
std::vector<TControlCanvas*>& LiveControlCanvases() {
    static std::vector<TControlCanvas*> list;
    return list;
}
}  // namespace

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::PaintOn(HDC DC, const std::function<void()>& paint) {
    Lock();
    SetHandle(DC);
    try {
        paint();
    } catch (...) {
        SetHandle(nullptr);
        Unlock();
        throw;
    }
    SetHandle(nullptr);
    Unlock();
}

void TControlCanvas::FreeHandle() {
    if (!FDeviceContext)
        return;
    SetHandle(nullptr);
    ReleaseDC(FWindowHandle, FDeviceContext);
    FDeviceContext = nullptr;
    FWindowHandle = nullptr;
    auto& list = LiveControlCanvases();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void TControlCanvas::CreateHandle() {
    if (!FControl)
        TCanvas::CreateHandle();
    if (FDeviceContext)
        return;
    if (auto* w = dynamic_cast<TWinControl*>(FControl)) {
        FWindowHandle = w->Handle();
        FDeviceContext = Win32Check(GetDCEx(FWindowHandle, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS), "GetDCEx");
    } else {
        TWinControl* parent = FControl->Parent();
        if (!parent)
            throw EInvalidOperation("Control '" + FControl->Name() + "' has no parent window");
        FWindowHandle = parent->Handle();
        FDeviceContext = Win32Check(GetDCEx(FWindowHandle, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS), "GetDCEx");
        SetViewportOrgEx(FDeviceContext, FControl->Left(), FControl->Top(), nullptr);
        IntersectClipRect(FDeviceContext, 0, 0, FControl->Width(), FControl->Height());
    }
    LiveControlCanvases().push_back(this);
    SetHandle(FDeviceContext);
}

// Device contexts fetched for painting outside WM_PAINT go back to the system when the application is idle.
void FreeControlCanvasHandles() {
    auto list = LiveControlCanvases();
    for (TControlCanvas* c : list)
        c->FreeHandle();
}

// --- TGraphicControl ---

TGraphicControl::TGraphicControl(TComponent* AOwner)
    : TControl(AOwner), FCanvas(std::make_unique<TControlCanvas>(this)) {}

TGraphicControl::~TGraphicControl() = default;

TCanvas* TGraphicControl::Canvas() const { return FCanvas.get(); }

void TGraphicControl::Dispatch(TMessage& Message) {
    if (Message.Msg == WM_PAINT)
        WMPaint(Message);
    else
        TControl::Dispatch(Message);
}

void TGraphicControl::WMPaint(TMessage& Message) {
    if (HDC dc = reinterpret_cast<HDC>(Message.WParam))
        FCanvas->PaintOn(dc, [this] { Paint(); });
}

// --- TWinControl: creation and destruction ---

LRESULT CALLBACK ControlWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    TWinControl* control = FindControl(hwnd);
    if (!control) {
        control = CreationControl;
        if (!control)
            return DefWindowProcW(hwnd, msg, wParam, lParam);
        CreationControl = nullptr;
        control->AttachHandle(hwnd);
    }
    TMessage m{msg, wParam, lParam, 0};
    try {
        TWndMethod proc = control->FWindowProc;
        proc(m);
    } catch (...) {
        HandleCallbackException(control);
    }
    // The control may be gone now (a handler freed it); only its last message still needs it.
    if (msg == WM_NCDESTROY && FindControl(hwnd) == control)
        control->DetachHandle();
    return m.Result;
}

int TWinControl::NextControlId() {
    static int next = 0;
    auto& map = ControlsById();
    for (int tries = 0; tries < 0xFFFF; ++tries) {
        next = next % 0xFFFE + 1;
        if (!map.count(next))
            return next;
    }
    throw EOutOfResources("Too many controls");
}

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner), FBrush(std::make_unique<TBrush>()) {
    FBrush->SetColor(FColor);
    FBrush->OnChange = [this](TObject* sender) { BrushChanged(sender); };
}

TWinControl::~TWinControl() {
    Destroying_();
    if (FParent) {
        if (TCustomForm* form = GetParentForm(this))
            form->DefocusControl(this, true);
    }
    if (FHandle)
        DestroyWindowHandle();
    while (!FControls.empty()) {
        TControl* child = FControls.back();
        RemoveControl(child);
        child->Free();
    }
    if (FControlId)
        ControlsById().erase(FControlId);
    FBrush->OnChange = nullptr;
}

void TWinControl::BrushChanged(TObject* Sender) {
    (void)Sender;
    Invalidate();
}

void TWinControl::AttachHandle(HWND handle) {
    FHandle = handle;
    SetPropW(handle, ControlProperty(), this);
}

void TWinControl::DetachHandle() {
    if (!FHandle)
        return;
    RemovePropW(FHandle, ControlProperty());
    if (TrackedWindow == FHandle)
        TrackedWindow = nullptr;
    FHandle = nullptr;
    FShowing = false;
}

void TWinControl::CreateParams(TCreateParams& Params) {
    Params = TCreateParams{};
    Params.Caption = FText;
    Params.Style = WS_CHILD | WS_CLIPSIBLINGS;
    if (FControlStyle.Contains(csAcceptsControls)) {
        Params.Style |= WS_CLIPCHILDREN;
        Params.ExStyle |= WS_EX_CONTROLPARENT;
    }
    if (!FEnabled)
        Params.Style |= WS_DISABLED;
    if (FTabStop)
        Params.Style |= WS_TABSTOP;
    Params.X = FLeft;
    Params.Y = FTop;
    Params.Width = FWidth;
    Params.Height = FHeight;
    if (FParent)
        Params.WndParent = FParent->Handle();
    else
        Params.WndParent = FParentWindow;
    Params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    Params.WindowClass.lpfnWndProc = DefWindowProcW;
    Params.WindowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    Params.WindowClass.hbrBackground = nullptr;
    Params.WindowClass.hInstance = GetModuleHandleW(nullptr);
    Params.WinClassName = ClassName();
}

void TWinControl::CreateSubClass(TCreateParams& Params, const char* ControlClassName) {
    std::wstring name = AnsiToWide(ControlClassName);
    WNDCLASSW wc{};
    if (!GetClassInfoW(GetModuleHandleW(nullptr), name.c_str(), &wc) &&
        !GetClassInfoW(nullptr, name.c_str(), &wc))
        RaiseLastOSError((std::string("GetClassInfoW(") + ControlClassName + ")").c_str());
    // Keep the class's own extra bytes and styles; a class-private or owned DC would be shared by every
    // control of the copy, so those go.
    wc.style &= ~(CS_OWNDC | CS_CLASSDC | CS_PARENTDC | CS_GLOBALCLASS);
    wc.hInstance = Params.WindowClass.hInstance;
    wc.lpszClassName = nullptr;
    wc.lpszMenuName = nullptr;
    Params.WindowClass = wc;
}

void TWinControl::CreateWnd() {
    TCreateParams params;
    CreateParams(params);
    if (!params.WndParent && (params.Style & WS_CHILD))
        throw EInvalidOperation("Control '" + Name() + "' has no parent window");
    FDefWndProc = params.WindowClass.lpfnWndProc;
    std::wstring className = AnsiToWide(params.WinClassName);
    WNDCLASSW existing{};
    HINSTANCE instance = params.WindowClass.hInstance;
    bool registered = GetClassInfoW(instance, className.c_str(), &existing) != 0;
    if (registered && existing.lpfnWndProc != ControlWindowProc) {
        // A class of ours registered with another procedure cannot route to us: replace it.
        UnregisterClassW(className.c_str(), instance);
        registered = false;
    }
    if (!registered) {
        WNDCLASSW wc = params.WindowClass;
        wc.lpfnWndProc = ControlWindowProc;
        wc.lpszClassName = className.c_str();
        if (!RegisterClassW(&wc))
            RaiseLastOSError(("RegisterClassW(" + params.WinClassName + ")").c_str());
    }
    CreateWindowHandle(params);
    if (!FHandle)
        RaiseLastOSError(("CreateWindowExW(" + params.WinClassName + ")").c_str());
}

void TWinControl::CreateWindowHandle(const TCreateParams& Params) {
    HMENU id = nullptr;
    if (Params.Style & WS_CHILD) {
        if (!FControlId) {
            FControlId = NextControlId();
            ControlsById()[FControlId] = this;
        }
        id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(FControlId));
    }
    std::wstring className = AnsiToWide(Params.WinClassName);
    std::wstring caption = AnsiToWide(Params.Caption);
    TWinControl* outer = CreationControl;
    CreationControl = this;
    HWND h = CreateWindowExW(Params.ExStyle, className.c_str(), caption.c_str(), Params.Style, Params.X, Params.Y,
                             Params.Width, Params.Height, Params.WndParent, id, Params.WindowClass.hInstance,
                             Params.Param);
    DWORD error = GetLastError();
    CreationControl = outer;
    if (!h) {
        // A window that got its first messages and was then refused leaves no handle behind.
        if (FHandle)
            DetachHandle();
        SetLastError(error);
        return;
    }
    if (FHandle != h)
        AttachHandle(h);
}

void TWinControl::CreateHandle() {
    if (FHandle)
        return;
    CreateWnd();
    SetWindowPos(FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    UpdateBounds();
    Perform(WM_SETFONT, reinterpret_cast<WPARAM>(FFont->Handle()), 1);
    // Windowed children already placed keep their stacking order: back to front as in Controls.
    for (TControl* c : FControls)
        if (auto* w = dynamic_cast<TWinControl*>(c); w && w->FHandle)
            SetWindowPos(w->FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::DestroyHandle() {
    if (!FHandle)
        return;
    FControlState.Include(csDestroyingHandle);
    for (TControl* c : FControls)
        if (auto* w = dynamic_cast<TWinControl*>(c))
            w->DestroyHandle();
    DestroyWnd();
    FControlState.Exclude(csDestroyingHandle);
}

void TWinControl::DestroyWnd() {
    FText = Text();
    DestroyWindowHandle();
}

void TWinControl::DestroyWindowHandle() {
    FControlState.Include(csDestroyingHandle);
    HWND h = FHandle;
    // DestroyWindow sends WM_NCDESTROY, which detaches the handle; a failure leaves the window alive,
    // so we let go of it ourselves rather than keep a handle the caller believes gone.
    if (h && !DestroyWindow(h) && FHandle == h)
        DetachHandle();
    FControlState.Exclude(csDestroyingHandle);
}

HWND TWinControl::Handle() {
    HandleNeeded();
    return FHandle;
}

void TWinControl::HandleNeeded() {
    if (FHandle)
        return;
    if (FParent)
        FParent->HandleNeeded();
    CreateHandle();
}

void TWinControl::RecreateWnd() {
    if (FHandle)
        Perform(CM_RECREATEWND, 0, 0);
}

void TWinControl::CMRecreateWnd(TMessage& Message) {
    (void)Message;
    bool wasFocused = Focused();
    DestroyHandle();
    UpdateControlState();
    if (wasFocused && FHandle)
        ::SetFocus(FHandle);
}

void TWinControl::SetParentWindow(HWND value) {
    if (FParent || value == FParentWindow)
        return;
    if (FHandle && value)
        ::SetParent(FHandle, value);
    else
        DestroyHandle();
    FParentWindow = value;
    UpdateControlState();
}

void TWinControl::UpdateBounds() {
    if (!FHandle)
        return;
    RECT r;
    if (IsIconic(FHandle)) {
        // A minimised window's own rectangle is the icon's; its bounds are where it will be restored.
        WINDOWPLACEMENT wp{};
        wp.length = sizeof wp;
        GetWindowPlacement(FHandle, &wp);
        r = wp.rcNormalPosition;
        if (!(GetWindowLongW(FHandle, GWL_EXSTYLE) & WS_EX_TOOLWINDOW)) {
            // The placement is in work-area coordinates.
            RECT work;
            if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0))
                OffsetRect(&r, work.left, work.top);
        }
    } else {
        GetWindowRect(FHandle, &r);
    }
    if (GetWindowLongW(FHandle, GWL_STYLE) & WS_CHILD) {
        HWND parent = GetParent(FHandle);
        if (parent)
            MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    }
    if (r.left != FLeft || r.top != FTop || r.right - r.left != FWidth || r.bottom - r.top != FHeight) {
        SetBoundsFields(r.left, r.top, r.right - r.left, r.bottom - r.top);
        UpdateAnchorRules();
    }
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    FConstraints->Apply(AWidth, AHeight);
    if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight)
        return;
    if (FHandle) {
        if (IsIconic(FHandle)) {
            WINDOWPLACEMENT wp{};
            wp.length = sizeof wp;
            GetWindowPlacement(FHandle, &wp);
            RECT work{};
            if (!(GetWindowLongW(FHandle, GWL_EXSTYLE) & WS_EX_TOOLWINDOW))
                SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
            wp.rcNormalPosition = RECT{ALeft - work.left, ATop - work.top, ALeft - work.left + AWidth,
                                       ATop - work.top + AHeight};
            SetWindowPlacement(FHandle, &wp);
            SetBoundsFields(ALeft, ATop, AWidth, AHeight);
        } else {
            SetWindowPos(FHandle, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
            UpdateBounds();
        }
    } else {
        bool sized = AWidth != FWidth || AHeight != FHeight;
        SetBoundsFields(ALeft, ATop, AWidth, AHeight);
        if (sized) {
            Realign();
            if (!Loading())
                Resize();
        }
    }
    UpdateAnchorRules();
    RequestAlign();
}

TRect TWinControl::ClientRect() const {
    if (!FHandle)
        return TControl::ClientRect();
    TRect r;
    GetClientRect(FHandle, &r);
    return r;
}

TPoint TWinControl::ClientOrigin() const {
    if (FHandle) {
        TPoint p(0, 0);
        ::ClientToScreen(FHandle, &p);
        return p;
    }
    if (FParent)
        return TControl::ClientOrigin();
    return TPoint(FLeft, FTop);
}

std::string TWinControl::Text() const {
    if (!FHandle)
        return FText;
    int n = GetWindowTextLengthA(FHandle);
    std::string r(static_cast<size_t>(n) + 1, '\0');
    n = GetWindowTextA(FHandle, r.data(), n + 1);
    r.resize(static_cast<size_t>(std::max(n, 0)));
    return r;
}

void TWinControl::SetText(const std::string& value) {
    if (value == Text())
        return;
    if (FHandle)
        SetWindowTextA(FHandle, value.c_str());
    else
        FText = value;
    Perform(CM_TEXTCHANGED, 0, 0);
}

void TWinControl::Invalidate() {
    if (FHandle)
        InvalidateRect(FHandle, nullptr, !FControlStyle.Contains(csOpaque));
}

void TWinControl::Update() {
    if (FHandle)
        UpdateWindow(FHandle);
}

void TWinControl::Repaint() {
    Invalidate();
    Update();
}

void TWinControl::SetZOrder(bool TopMost) {
    if (!FHandle)
        return;
    SetWindowPos(FHandle, TopMost ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// --- TWinControl: children, showing, alignment ---

TControl* TWinControl::Controls(int index) const {
    if (index < 0 || index >= ControlCount())
        throw EListError("List index out of bounds (" + IntToStr(index) + ")");
    return FControls[static_cast<size_t>(index)];
}

bool TWinControl::ContainsControl(TControl* AControl) const {
    while (AControl && AControl != this)
        AControl = AControl->Parent();
    return AControl == this;
}

void TWinControl::InsertControl(TControl* AControl) {
    if (!AControl)
        return;
    if (auto* w = dynamic_cast<TWinControl*>(AControl); w && w->ContainsControl(this))
        throw EInvalidOperation("A control cannot be placed inside one of its own children");
    FControls.push_back(AControl);
    AControl->FParent = this;
    if (auto* w = dynamic_cast<TWinControl*>(AControl))
        FTabList.push_back(w);
    AControl->Perform(CM_PARENTCOLORCHANGED, 0, 0);
    AControl->Perform(CM_PARENTFONTCHANGED, 0, 0);
    AControl->Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
    AControl->UpdateAnchorRules();
    if (FHandle) {
        if (auto* w = dynamic_cast<TWinControl*>(AControl))
            w->UpdateControlState();
        else
            AControl->Invalidate();
    }
    AlignControl(AControl);
    Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 1);
    Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), 1);
}

void TWinControl::RemoveControl(TControl* AControl) {
    if (!AControl || AControl->FParent != this)
        return;
    Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 0);
    Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), 0);
    if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
        if (TCustomForm* form = GetParentForm(this))
            form->DefocusControl(w, true);
        w->DestroyHandle();
    } else if (FHandle) {
        AControl->InvalidateControl(AControl->FVisible, false);
    }
    if (MouseControlRef && (MouseControlRef == AControl ||
                            (dynamic_cast<TWinControl*>(AControl) &&
                             static_cast<TWinControl*>(AControl)->ContainsControl(MouseControlRef))))
        MouseControlRef = nullptr;
    if (CaptureControlRef == AControl)
        CaptureControlRef = nullptr;
    FControls.erase(std::remove(FControls.begin(), FControls.end(), AControl), FControls.end());
    FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), AControl), FTabList.end());
    AControl->FParent = nullptr;
    if (!Destroying())
        Realign();
}

TControl* TWinControl::ControlAtPos(TPoint pos, bool allowDisabled, bool allowWinControls) const {
    for (size_t i = FControls.size(); i-- > 0;) {
        TControl* c = FControls[i];
        if (!allowWinControls && IsWinControl(c))
            continue;
        if (!c->Visible() || !(c->Enabled() || allowDisabled))
            continue;
        RECT r = c->BoundsRect();
        if (PtInRect(&r, pos))
            return c;
    }
    return nullptr;
}

void TWinControl::Broadcast(TMessage& Message) {
    for (size_t i = 0; i < FControls.size(); ++i) {
        TWndMethod proc = FControls[i]->FWindowProc;
        proc(Message);
        if (Message.Result != 0)
            return;
    }
}

void TWinControl::NotifyControls(UINT Msg) {
    TMessage m{Msg, 0, 0, 0};
    Broadcast(m);
}

void TWinControl::UpdateShowing() {
    bool show = FVisible && !Destroying() && !FControlState.Contains(csReadingState);
    if (show) {
        if (!FHandle)
            CreateHandle();
        for (TControl* c : std::vector<TControl*>(FControls))
            if (auto* w = dynamic_cast<TWinControl*>(c))
                w->UpdateShowing();
    }
    if (FHandle && FShowing != show) {
        FShowing = show;
        try {
            Perform(CM_SHOWINGCHANGED, 0, 0);
        } catch (...) {
            FShowing = !show;
            throw;
        }
    }
    if (!show)
        for (TControl* c : std::vector<TControl*>(FControls))
            if (auto* w = dynamic_cast<TWinControl*>(c))
                w->UpdateShowing();
}

void TWinControl::UpdateControlState() {
    TWinControl* top = this;
    while (top->FParent) {
        top = top->FParent;
        if (!top->Showing())
            return;
    }
    if (dynamic_cast<TCustomForm*>(top) || top->FParentWindow)
        UpdateShowing();
}

void TWinControl::CMShowingChanged(TMessage& Message) {
    (void)Message;
    SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE |
                     (FShowing ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void TWinControl::CMVisibleChangedWin(TMessage& Message) {
    if (!FVisible && FParent)
        if (TCustomForm* form = GetParentForm(this))
            form->DefocusControl(this, false);
    UpdateControlState();
    TControl::CMVisibleChanged(Message);
}

void TWinControl::CMEnabledChangedWin(TMessage& Message) {
    if (!FEnabled && FParent)
        if (TCustomForm* form = GetParentForm(this))
            form->DefocusControl(this, false);
    if (FHandle)
        EnableWindow(FHandle, FEnabled);
    TControl::CMEnabledChanged(Message);
}

void TWinControl::CMColorChangedWin(TMessage& Message) {
    FBrush->SetColor(FColor);
    NotifyControls(CM_PARENTCOLORCHANGED);
    TControl::CMColorChanged(Message);
}

void TWinControl::CMFontChangedWin(TMessage& Message) {
    if (FHandle)
        Perform(WM_SETFONT, reinterpret_cast<WPARAM>(FFont->Handle()), 0);
    NotifyControls(CM_PARENTFONTCHANGED);
    TControl::CMFontChanged(Message);
}

void TWinControl::SetBorderWidth(int value) {
    if (value == FBorderWidth)
        return;
    FBorderWidth = std::max(value, 0);
    Realign();
    Invalidate();
}

void TWinControl::Loaded() {
    TControl::Loaded();
    // Alignment waited while the children were read; now they are all there.
    if (FControlState.Contains(csAlignmentNeeded))
        Realign();
}

void TWinControl::DisableAlign() { ++FAlignLevel; }

void TWinControl::EnableAlign() {
    if (--FAlignLevel == 0 && FControlState.Contains(csAlignmentNeeded))
        Realign();
}

void TWinControl::Realign() { AlignControl(nullptr); }

void TWinControl::AlignControl(TControl* AControl) {
    if (Destroying())
        return;
    if (FAlignLevel != 0 || Loading()) {
        FControlState.Include(csAlignmentNeeded);
        return;
    }
    DisableAlign();
    try {
        TRect r = ClientRect();
        AdjustClientRect(r);
        AlignControls(AControl, r);
    } catch (...) {
        FControlState.Exclude(csAlignmentNeeded);
        EnableAlign();
        throw;
    }
    FControlState.Exclude(csAlignmentNeeded);
    EnableAlign();
}

void TWinControl::AdjustClientRect(TRect& Rect) { InflateRect(&Rect, -FBorderWidth, -FBorderWidth); }

void TWinControl::AlignControls(TControl* AControl, TRect& Rect) {
    // Each kind in turn takes its strip off the remaining rectangle; within a kind the controls keep the
    // order of their positions, and the control that just moved goes where it was put.
    auto key = [](TControl* c, TAlign a) {
        switch (a) {
        case alTop:
            return c->Top();
        case alBottom:
            return -(c->Top() + c->Height());
        case alLeft:
            return c->Left();
        case alRight:
            return -(c->Left() + c->Width());
        default:
            return 0;
        }
    };
    for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient}) {
        std::vector<TControl*> list;
        for (TControl* c : FControls)
            if (c->FAlign == a && c->FVisible)
                list.push_back(c);
        std::stable_sort(list.begin(), list.end(), [&](TControl* x, TControl* y) {
            int kx = key(x, a), ky = key(y, a);
            if (kx != ky)
                return kx < ky;
            return x == AControl && y != AControl;
        });
        for (TControl* c : list) {
            int w = Rect.right - Rect.left, h = Rect.bottom - Rect.top;
            switch (a) {
            case alTop:
                c->SetBounds(Rect.left, Rect.top, w, c->Height());
                Rect.top += c->Height();
                break;
            case alBottom:
                c->SetBounds(Rect.left, Rect.bottom - c->Height(), w, c->Height());
                Rect.bottom -= c->Height();
                break;
            case alLeft:
                c->SetBounds(Rect.left, Rect.top, c->Width(), h);
                Rect.left += c->Width();
                break;
            case alRight:
                c->SetBounds(Rect.right - c->Width(), Rect.top, c->Width(), h);
                Rect.right -= c->Width();
                break;
            default:
                c->SetBounds(Rect.left, Rect.top, w, h);
                break;
            }
            if (Rect.right < Rect.left)
                Rect.right = Rect.left;
            if (Rect.bottom < Rect.top)
                Rect.bottom = Rect.top;
        }
    }
    int cw = ClientWidth(), ch = ClientHeight();
    for (TControl* c : FControls)
        if (c->FAlign == alNone)
            c->ApplyAnchorRules(cw, ch);
}

// --- TWinControl: focus and tab order ---

int TWinControl::TabOrder() const {
    if (!FParent)
        return -1;
    auto& list = FParent->FTabList;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int value) {
    if (!FParent)
        return;
    auto& list = FParent->FTabList;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    if (value < 0 || value > static_cast<int>(list.size()))
        value = static_cast<int>(list.size());
    list.insert(list.begin() + value, this);
}

void TWinControl::SetTabStop(bool value) {
    if (value == FTabStop)
        return;
    FTabStop = value;
    if (FHandle) {
        LONG style = GetWindowLongW(FHandle, GWL_STYLE);
        SetWindowLongW(FHandle, GWL_STYLE, value ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP));
    }
    Perform(CM_TABSTOPCHANGED, 0, 0);
}

bool TWinControl::CanFocus() const {
    TCustomForm* form = GetParentForm(const_cast<TWinControl*>(this));
    if (!form)
        return false;
    for (const TControl* c = this; c; c = c->Parent())
        if (!c->Visible() || !c->Enabled())
            return false;
    return true;
}

bool TWinControl::Focused() const { return FHandle && GetFocus() == FHandle; }

void TWinControl::SetFocus() {
    if (TCustomForm* form = GetParentForm(this)) {
        form->FocusControl(this);
    } else if (FParentWindow) {
        ::SetFocus(Handle());
    } else {
        throw EInvalidOperation("Control '" + Name() + "' has no parent window");
    }
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
    for (TWinControl* c : FTabList) {
        list.push_back(c);
        c->GetTabOrderList(list);
    }
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool goForward, bool checkTabStop,
                                          bool checkParent) const {
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    if (list.empty())
        return nullptr;
    int n = static_cast<int>(list.size());
    int start = -1;
    for (int i = 0; i < n; ++i)
        if (list[static_cast<size_t>(i)] == current)
            start = i;
    if (start < 0)
        start = goForward ? n - 1 : 0;
    int i = start;
    for (int step = 0; step < n; ++step) {
        i = goForward ? (i + 1) % n : (i + n - 1) % n;
        TWinControl* c = list[static_cast<size_t>(i)];
        if (c == current)
            break;
        if (c->CanFocus() && (!checkTabStop || c->TabStop()) && (!checkParent || c->Parent() == this))
            return c;
    }
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool goForward, bool checkTabStop) {
    if (TWinControl* next = FindNextControl(current, goForward, checkTabStop, !checkTabStop))
        next->SetFocus();
}

void TWinControl::CMFocusChanged(TMessage& Message) { Broadcast(Message); }

void TWinControl::CMEnter(TMessage& Message) {
    (void)Message;
    if (OnEnter)
        OnEnter(this);
}

void TWinControl::CMExit(TMessage& Message) {
    (void)Message;
    if (OnExit)
        OnExit(this);
}

void TWinControl::WMSetFocus(TMessage& Message) {
    DefaultHandler(Message);
    if (TCustomForm* form = GetParentForm(this))
        form->SetFocusedControl(this);
}

void TWinControl::WMKillFocus(TMessage& Message) { DefaultHandler(Message); }

// --- TWinControl: keys ---

bool TWinControl::DoKeyDown(TMessage& Message) { return DoKeyEvent(Message, true); }

bool TWinControl::DoKeyUp(TMessage& Message) { return DoKeyEvent(Message, false); }

bool TWinControl::DoKeyEvent(TMessage& Message, bool down) {
    // With KeyPreview the form has the key first.
    TCustomForm* form = GetParentForm(this);
    if (form && form != this && form->KeyPreview()) {
        TWinControl* preview = form;
        if (down ? preview->DoKeyDown(Message) : preview->DoKeyUp(Message))
            return true;
    }
    if (FControlStyle.Contains(csNoStdEvents))
        return false;
    WORD key = static_cast<WORD>(Message.WParam);
    TShiftState shift = KeyDataToShiftState(Message.LParam);
    if (down)
        KeyDown(key, shift);
    else
        KeyUp(key, shift);
    Message.WParam = key;
    return key == 0;
}

bool TWinControl::DoKeyPress(TMessage& Message) {
    TCustomForm* form = GetParentForm(this);
    if (form && form != this && form->KeyPreview() && form->DoKeyPress(Message))
        return true;
    if (FControlStyle.Contains(csNoStdEvents))
        return false;
    // Our windows are Unicode: the handler sees the code-page character and may replace it.
    wchar_t wide = static_cast<wchar_t>(Message.WParam);
    char bytes[4] = {};
    BOOL usedDefault = FALSE;
    int n = WideCharToMultiByte(CP_ACP, 0, &wide, 1, bytes, sizeof bytes, nullptr, &usedDefault);
    char key = (n == 1 && !usedDefault) ? bytes[0] : '?';
    char original = key;
    KeyPress(key);
    if (key == 0)
        return true;
    if (key != original) {
        wchar_t replaced = 0;
        if (MultiByteToWideChar(CP_ACP, 0, &key, 1, &replaced, 1) == 1)
            Message.WParam = replaced;
    }
    return false;
}

void TWinControl::KeyDown(WORD& Key, TShiftState Shift) {
    if (OnKeyDown)
        OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(WORD& Key, TShiftState Shift) {
    if (OnKeyUp)
        OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(char& Key) {
    if (OnKeyPress)
        OnKeyPress(this, Key);
}

void TWinControl::WMKeyMessage(TMessage& Message) {
    bool handled = (Message.Msg == WM_KEYDOWN || Message.Msg == WM_SYSKEYDOWN) ? DoKeyDown(Message)
                                                                                 : DoKeyUp(Message);
    if (!handled)
        DefaultHandler(Message);
}

void TWinControl::WMChar(TMessage& Message) {
    if (!DoKeyPress(Message))
        DefaultHandler(Message);
}

void TWinControl::CNKeyDown(TMessage& Message) {
    Message.Result = 1;
    TCustomForm* form = GetParentForm(this);
    // Menu shortcuts: the popup menus of this control and its parents, then the form's menus.
    if (MenuHooks().IsShortCut && form && MenuHooks().IsShortCut(form, Message))
        return;
    if (Perform(CM_CHILDKEY, Message.WParam, reinterpret_cast<LPARAM>(this)) != 0)
        return;
    LRESULT mask = 0;
    switch (Message.WParam) {
    case VK_TAB:
        mask = DLGC_WANTTAB;
        break;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
        mask = DLGC_WANTARROWS;
        break;
    case VK_RETURN:
    case VK_EXECUTE:
    case VK_ESCAPE:
    case VK_CANCEL:
        mask = DLGC_WANTALLKEYS;
        break;
    }
    if (mask && Perform(CM_WANTSPECIALKEY, Message.WParam, Message.LParam) == 0 &&
        (Perform(WM_GETDLGCODE, 0, 0) & mask) == 0 && form &&
        form->Perform(CM_DIALOGKEY, Message.WParam, Message.LParam) != 0)
        return;
    Message.Result = 0;
}

void TWinControl::CNKeyUp(TMessage& Message) {
    if (Message.WParam == VK_TAB || Message.WParam == VK_RETURN || Message.WParam == VK_ESCAPE) {
        // Key-ups of dialog keys go where their key-downs went.
        if (Perform(CM_WANTSPECIALKEY, Message.WParam, Message.LParam) == 0 &&
            (Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS) == 0)
            Message.Result = 0;
    }
}

void TWinControl::CNChar(TMessage& Message) { Message.Result = 0; }

void TWinControl::CMDialogKey(TMessage& Message) { Broadcast(Message); }

// --- TWinControl: painting ---

void TWinControl::WMPaint(TMessage& Message) {
    bool hasWindowless = std::any_of(FControls.begin(), FControls.end(), [](TControl* c) { return !IsWinControl(c); });
    if (Message.WParam == 0 && !FControlState.Contains(csCustomPaint) && !hasWindowless)
        DefaultHandler(Message);
    else
        PaintHandler(Message);
}

void TWinControl::PaintHandler(TMessage& Message) {
    HDC dc = reinterpret_cast<HDC>(Message.WParam);
    PAINTSTRUCT ps{};
    bool own = dc == nullptr;
    if (own)
        dc = BeginPaint(FHandle, &ps);
    try {
        int saved = SaveDC(dc);
        // Opaque windowless children paint over us anyway; leaving them out of our painting avoids flicker.
        for (TControl* c : FControls)
            if (!IsWinControl(c) && c->FVisible && c->FControlStyle.Contains(csOpaque)) {
                RECT r = c->BoundsRect();
                ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
            }
        PaintWindow(dc);
        RestoreDC(dc, saved);
        PaintControls(dc, nullptr);
    } catch (...) {
        if (own)
            EndPaint(FHandle, &ps);
        throw;
    }
    if (own)
        EndPaint(FHandle, &ps);
}

void TWinControl::PaintWindow(HDC DC) {
    TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(DC), 0, 0};
    DefaultHandler(m);
}

void TWinControl::PaintControls(HDC DC, TControl* First) {
    size_t start = 0;
    if (First) {
        auto it = std::find(FControls.begin(), FControls.end(), First);
        if (it != FControls.end())
            start = static_cast<size_t>(it - FControls.begin());
    }
    for (size_t i = start; i < FControls.size(); ++i) {
        TControl* c = FControls[i];
        if (IsWinControl(c) || !c->FVisible)
            continue;
        RECT r = c->BoundsRect();
        if (!RectVisible(DC, &r))
            continue;
        int saved = SaveDC(DC);
        OffsetViewportOrgEx(DC, c->Left(), c->Top(), nullptr);
        IntersectClipRect(DC, 0, 0, c->Width(), c->Height());
        try {
            c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
        } catch (...) {
            RestoreDC(DC, saved);
            throw;
        }
        RestoreDC(DC, saved);
    }
}

void TWinControl::WMEraseBkgnd(TMessage& Message) {
    HDC dc = reinterpret_cast<HDC>(Message.WParam);
    RECT r = ClientRect();
    FillRect(dc, &r, FBrush->Handle());
    Message.Result = 1;
}

void TWinControl::PaintTo(HDC DC, int X, int Y) {
    FControlState.Include(csPaintCopy);
    int saved = SaveDC(DC);
    try {
        OffsetViewportOrgEx(DC, X, Y, nullptr);
        IntersectClipRect(DC, 0, 0, FWidth, FHeight);
        // A top-level window's border belongs to its frame, which is not painted here.
        if (FHandle && (GetWindowLongW(FHandle, GWL_STYLE) & WS_CHILD)) {
            LONG exStyle = GetWindowLongW(FHandle, GWL_EXSTYLE);
            LONG style = GetWindowLongW(FHandle, GWL_STYLE);
            RECT frame{0, 0, FWidth, FHeight};
            int inset = 0;
            if (exStyle & WS_EX_CLIENTEDGE) {
                DrawEdge(DC, &frame, EDGE_SUNKEN, BF_RECT);
                inset = 2;
            } else if (style & WS_BORDER) {
                DrawEdge(DC, &frame, BDR_OUTER, BF_RECT | BF_MONO);
                inset = 1;
            }
            if (inset) {
                OffsetViewportOrgEx(DC, inset, inset, nullptr);
                IntersectClipRect(DC, 0, 0, FWidth - 2 * inset, FHeight - 2 * inset);
            }
        }
        Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), 0);
        Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
        for (TControl* c : FControls)
            if (auto* w = dynamic_cast<TWinControl*>(c); w && w->FVisible)
                w->PaintTo(DC, w->Left(), w->Top());
    } catch (...) {
        RestoreDC(DC, saved);
        FControlState.Exclude(csPaintCopy);
        throw;
    }
    RestoreDC(DC, saved);
    FControlState.Exclude(csPaintCopy);
}

// --- TWinControl: routing ---

void TWinControl::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_MOUSEMOVE: {
        // The windowless child under the mouse (or this control) is the one the mouse is over.
        POINT p{static_cast<short>(LOWORD(Message.LParam)), static_cast<short>(HIWORD(Message.LParam))};
        TControl* target = GetCaptureControl();
        if (!target || target->Parent() != this)
            target = ControlAtPos(p, false);
        SetMouseControl(target ? target : this);
        if (FHandle)
            TrackLeave(FHandle);
        break;
    }
    default:
        break;
    }
    if (Message.Msg >= WM_MOUSEFIRST && Message.Msg <= WM_MOUSELAST && Message.Msg != WM_MOUSEWHEEL) {
        // Mouse messages over a windowless child are that child's.
        POINT p{static_cast<short>(LOWORD(Message.LParam)), static_cast<short>(HIWORD(Message.LParam))};
        TControl* target = nullptr;
        if (CaptureControlRef && CaptureControlRef->Parent() == this && GetCapture() == FHandle)
            target = CaptureControlRef;
        else
            target = ControlAtPos(p, false);
        if (target) {
            LPARAM local = MAKELPARAM(static_cast<WORD>(p.x - target->Left()), static_cast<WORD>(p.y - target->Top()));
            Message.Result = target->Perform(Message.Msg, Message.WParam, local);
            return;
        }
    }
    TControl::WndProc(Message);
}

void TWinControl::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_PAINT:
        WMPaint(Message);
        break;
    case WM_ERASEBKGND:
        WMEraseBkgnd(Message);
        break;
    case WM_WINDOWPOSCHANGED:
        WMWindowPosChanged(Message);
        break;
    case WM_SIZE:
        WMSize(Message);
        break;
    case WM_MOVE:
        DefaultHandler(Message);
        UpdateBounds();
        break;
    case WM_SETFOCUS:
        WMSetFocus(Message);
        break;
    case WM_KILLFOCUS:
        WMKillFocus(Message);
        break;
    case WM_SETCURSOR:
        WMSetCursor(Message);
        break;
    case WM_MOUSELEAVE:
        WMMouseLeave(Message);
        break;
    case WM_MOUSEWHEEL:
        WMMouseWheel(Message);
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
        WMKeyMessage(Message);
        break;
    case WM_CHAR:
        WMChar(Message);
        break;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_COMPAREITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CHARTOITEM:
    case WM_VKEYTOITEM:
        WMReflect(Message);
        break;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        WMCtlColor(Message);
        break;
    case WM_CONTEXTMENU: {
        POINT pt{static_cast<short>(LOWORD(Message.LParam)), static_cast<short>(HIWORD(Message.LParam))};
        if (pt.x != -1 || pt.y != -1)
            if (TControl* child = ControlAtPos(ScreenToClient(pt), false)) {
                Message.Result = child->Perform(WM_CONTEXTMENU, Message.WParam, Message.LParam);
                if (Message.Result)
                    break;
            }
        WMContextMenu(Message);
        break;
    }
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN:
        CNKeyDown(Message);
        break;
    case CN_KEYUP:
    case CN_BASE + WM_SYSKEYUP:
        CNKeyUp(Message);
        break;
    case CN_CHAR:
    case CN_SYSCHAR:
        CNChar(Message);
        break;
    case CN_CTLCOLORMSGBOX:
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORLISTBOX:
    case CN_CTLCOLORBTN:
    case CN_CTLCOLORDLG:
    case CN_CTLCOLORSCROLLBAR:
    case CN_CTLCOLORSTATIC:
        CNCtlColor(Message);
        break;
    case CM_SHOWINGCHANGED:
        CMShowingChanged(Message);
        break;
    case CM_VISIBLECHANGED:
        CMVisibleChangedWin(Message);
        break;
    case CM_ENABLEDCHANGED:
        CMEnabledChangedWin(Message);
        break;
    case CM_COLORCHANGED:
        CMColorChangedWin(Message);
        break;
    case CM_FONTCHANGED:
        CMFontChangedWin(Message);
        break;
    case CM_DIALOGKEY:
        CMDialogKey(Message);
        break;
    case CM_FOCUSCHANGED:
        CMFocusChanged(Message);
        break;
    case CM_ENTER:
        CMEnter(Message);
        break;
    case CM_EXIT:
        CMExit(Message);
        break;
    case CM_RECREATEWND:
        CMRecreateWnd(Message);
        break;
    case CM_CONTROLLISTCHANGE:
    case CM_CHILDKEY:
        // Every ancestor hears of a control entering or leaving the tree, and of keys in its children.
        if (FParent) {
            TWndMethod proc = FParent->FWindowProc;
            proc(Message);
        }
        break;
    default:
        TControl::Dispatch(Message);
    }
}

void TWinControl::DefaultHandler(TMessage& Message) {
    if (!FHandle) {
        TControl::DefaultHandler(Message);
        return;
    }
    // The class library's own messages never reach a Win32 procedure.
    if (Message.Msg >= CM_BASE && Message.Msg < CN_BASE + 0x400)
        return;
    Message.Result = CallWindowProcW(FDefWndProc, FHandle, Message.Msg, Message.WParam, Message.LParam);
}

void TWinControl::WMWindowPosChanged(TMessage& Message) {
    DefaultHandler(Message);
    UpdateBounds();
}

void TWinControl::WMSize(TMessage& Message) {
    UpdateBounds();
    DefaultHandler(Message);
    Realign();
    if (!Loading())
        Resize();
}

void TWinControl::WMSetCursor(TMessage& Message) {
    if (LOWORD(Message.LParam) == HTCLIENT && reinterpret_cast<HWND>(Message.WParam) == FHandle) {
        TCursor cursor = Screen ? Screen->Cursor() : crDefault;
        if (cursor == crDefault) {
            POINT p;
            GetCursorPos(&p);
            TControl* target = ControlAtPos(ScreenToClient(p), false);
            if (target)
                cursor = target->Cursor();
            if (cursor == crDefault)
                cursor = FCursor;
        }
        if (cursor != crDefault && Screen) {
            ::SetCursor(Screen->Cursors(cursor));
            Message.Result = 1;
            return;
        }
    }
    DefaultHandler(Message);
}

void TWinControl::WMMouseLeave(TMessage& Message) {
    if (TrackedWindow == FHandle)
        TrackedWindow = nullptr;
    // The mouse left our window: unless it went into a child window (whose own moves take over), whatever
    // we or our windowless children had of it is over.
    if (MouseControlRef == this || (MouseControlRef && !IsWinControl(MouseControlRef) && MouseControlRef->Parent() == this))
        SetMouseControl(nullptr);
    DefaultHandler(Message);
}

void TWinControl::WMMouseWheel(TMessage& Message) {
    // The class library's own wheel message comes first; the window gets the wheel only when nobody took it.
    Message.Result = Perform(CM_MOUSEWHEEL, Message.WParam, Message.LParam);
    if (Message.Result == 0)
        DefaultHandler(Message);
}

void TWinControl::WMReflect(TMessage& Message) {
    HWND child = nullptr;
    switch (Message.Msg) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CHARTOITEM:
    case WM_VKEYTOITEM:
        child = reinterpret_cast<HWND>(Message.LParam);
        break;
    case WM_NOTIFY:
        child = reinterpret_cast<NMHDR*>(Message.LParam)->hwndFrom;
        break;
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
        if (dis->CtlType != ODT_MENU)
            child = dis->hwndItem;
        break;
    }
    case WM_DELETEITEM:
        child = reinterpret_cast<DELETEITEMSTRUCT*>(Message.LParam)->hwndItem;
        break;
    case WM_COMPAREITEM:
        child = reinterpret_cast<COMPAREITEMSTRUCT*>(Message.LParam)->hwndItem;
        break;
    case WM_MEASUREITEM: {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
        if (mis->CtlType != ODT_MENU) {
            auto it = ControlsById().find(static_cast<int>(mis->CtlID));
            if (it != ControlsById().end()) {
                Message.Result = it->second->Perform(CN_MEASUREITEM, Message.WParam, Message.LParam);
                return;
            }
        }
        break;
    }
    }
    if (TWinControl* control = FindControl(child); control && control != this) {
        Message.Result = control->Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam);
        return;
    }
    DefaultHandler(Message);
}

void TWinControl::WMCtlColor(TMessage& Message) {
    if (TWinControl* control = FindControl(reinterpret_cast<HWND>(Message.LParam)); control && control != this) {
        Message.Result = control->Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam);
        return;
    }
    DefaultHandler(Message);
}

void TWinControl::CNCtlColor(TMessage& Message) {
    HDC dc = reinterpret_cast<HDC>(Message.WParam);
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(FFont->Color())));
    SetBkColor(dc, static_cast<COLORREF>(ColorToRGB(FBrush->Color())));
    Message.Result = reinterpret_cast<LRESULT>(FBrush->Handle());
}

// --- TCustomControl ---

TCustomControl::TCustomControl(TComponent* AOwner)
    : TWinControl(AOwner), FCanvas(std::make_unique<TControlCanvas>(this)) {}

TCustomControl::~TCustomControl() = default;

TCanvas* TCustomControl::Canvas() const { return FCanvas.get(); }

void TCustomControl::Dispatch(TMessage& Message) {
    if (Message.Msg == WM_PAINT) {
        FControlState.Include(csCustomPaint);
        try {
            TWinControl::Dispatch(Message);
        } catch (...) {
            FControlState.Exclude(csCustomPaint);
            throw;
        }
        FControlState.Exclude(csCustomPaint);
        return;
    }
    TWinControl::Dispatch(Message);
}

void TCustomControl::PaintWindow(HDC DC) {
    FCanvas->PaintOn(DC, [this] { Paint(); });
}

// --- form descriptions ---

namespace {

const TIdentMap CursorIdents = {
    {"crDefault", crDefault},   {"crNone", crNone},           {"crArrow", crArrow},         {"crCross", crCross},
    {"crIBeam", crIBeam},       {"crSizeNESW", crSizeNESW},   {"crSizeNS", crSizeNS},       {"crSizeNWSE", crSizeNWSE},
    {"crSizeWE", crSizeWE},     {"crUpArrow", crUpArrow},     {"crHourGlass", crHourGlass}, {"crDrag", crDrag},
    {"crNoDrop", crNoDrop},     {"crHSplit", crHSplit},       {"crVSplit", crVSplit},       {"crMultiDrag", crMultiDrag},
    {"crSQLWait", crSQLWait},   {"crNo", crNo},               {"crAppStart", crAppStart},   {"crHelp", crHelp},
    {"crHandPoint", crHandPoint}, {"crSizeAll", crSizeAll},
};

bool IsForm(const TControl* c) { return dynamic_cast<const TCustomForm*>(c) != nullptr; }

const bool ControlsRegistered = [] {
    // A control read inside a windowed control is its child; one written is written inside its parent.
    RegisterParentRelation(
        [](TComponent* parent, TComponent* child) {
            auto* c = dynamic_cast<TControl*>(child);
            auto* p = dynamic_cast<TWinControl*>(parent);
            if (!c || !p)
                return false;
            c->SetParent(p);
            return true;
        },
        [](TComponent* child) -> TComponent* {
            auto* c = dynamic_cast<TControl*>(child);
            return c ? c->Parent() : nullptr;
        });
    RegisterFormClass<TSizeConstraints>([](TFormClass<TSizeConstraints>& c) {
        c.Integer("MaxHeight", &TSizeConstraints::MaxHeight, &TSizeConstraints::SetMaxHeight).Default(0);
        c.Integer("MaxWidth", &TSizeConstraints::MaxWidth, &TSizeConstraints::SetMaxWidth).Default(0);
        c.Integer("MinHeight", &TSizeConstraints::MinHeight, &TSizeConstraints::SetMinHeight).Default(0);
        c.Integer("MinWidth", &TSizeConstraints::MinWidth, &TSizeConstraints::SetMinWidth).Default(0);
    });
    RegisterFormClass<TControl>([](TFormClass<TControl>& c) {
        c.Integer("Left", &TControl::Left, &TControl::SetLeft);
        c.Integer("Top", &TControl::Top, &TControl::SetTop);
        // A form keeps its client size instead.
        c.Integer("Width", &TControl::Width, &TControl::SetWidth).Stored([](TControl* o) { return !IsForm(o); });
        c.Integer("Height", &TControl::Height, &TControl::SetHeight).Stored([](TControl* o) { return !IsForm(o); });
        c.Component("Action", &TControl::Action, &TControl::SetAction)
            .Stored([](TControl* o) { return o->Action() != nullptr; });
        c.Enum("Align", &TControl::Align, &TControl::SetAlign,
               {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"})
            .Default(alNone);
        c.SetOf("Anchors", &TControl::Anchors, &TControl::SetAnchors, {"akLeft", "akTop", "akRight", "akBottom"})
            .Default(TAnchors{akLeft, akTop})
            .Stored([](TControl* o) { return o->Align() == alNone; });
        c.Color("Color", &TControl::Color, &TControl::SetColor).Stored([](TControl* o) { return !o->ParentColor(); });
        c.Object("Constraints", &TControl::Constraints);
        c.Integer("Cursor", &TControl::Cursor, &TControl::SetCursor, &CursorIdents).Default(crDefault);
        c.Boolean("Enabled", &TControl::Enabled, &TControl::SetEnabled).Default(true);
        c.Object("Font", &TControl::Font).Stored([](TControl* o) { return !o->ParentFont(); });
        c.String("Hint", &TControl::Hint, &TControl::SetHint);
        // A form has its own colour and font; a control takes its parent's.
        c.Boolean("ParentColor", &TControl::ParentColor, &TControl::SetParentColor)
            .Stored([](TControl* o) { return o->ParentColor() == IsForm(o); });
        c.Boolean("ParentFont", &TControl::ParentFont, &TControl::SetParentFont)
            .Stored([](TControl* o) { return o->ParentFont() == IsForm(o); });
        c.Boolean("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint).Default(true);
        // The menus are another unit's classes: the reference is checked by class name.
        c.Component(
             "PopupMenu", [](TControl* o) { return reinterpret_cast<TComponent*>(o->PopupMenu()); },
             [](TControl* o, TComponent* menu) {
                 if (menu && !menu->InheritsFrom("TPopupMenu"))
                     throw EReadError("Invalid property value: " + menu->Name() + " is no popup menu");
                 o->SetPopupMenu(reinterpret_cast<TPopupMenu*>(menu));
             })
            .Stored([](TControl* o) { return o->PopupMenu() != nullptr; });
        c.Boolean("ShowHint", &TControl::ShowHint, &TControl::SetShowHint)
            .Stored([](TControl* o) { return !o->ParentShowHint(); });
        // Forms start hidden, controls shown.
        c.Boolean("Visible", &TControl::Visible, &TControl::SetVisible)
            .Stored([](TControl* o) { return o->Visible() == IsForm(o); });
        c.Event("OnClick", &TControl::OnClick);
        c.Event("OnContextPopup", &TControl::OnContextPopup);
        c.Event("OnDblClick", &TControl::OnDblClick);
        c.Event("OnMouseDown", &TControl::OnMouseDown);
        c.Event("OnMouseEnter", &TControl::OnMouseEnter);
        c.Event("OnMouseLeave", &TControl::OnMouseLeave);
        c.Event("OnMouseMove", &TControl::OnMouseMove);
        c.Event("OnMouseUp", &TControl::OnMouseUp);
        c.Event("OnMouseWheel", &TControl::OnMouseWheel);
        c.Event("OnResize", &TControl::OnResize);
    });
    RegisterFormClass<TGraphicControl>();
    RegisterFormClass<TWinControl>([](TFormClass<TWinControl>& c) {
        c.Integer("BorderWidth", &TWinControl::BorderWidth, &TWinControl::SetBorderWidth).Default(0);
        c.Integer("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder)
            .Stored([](TWinControl* o) { return o->Parent() != nullptr; });
        c.Boolean("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).Default(false);
        c.Event("OnEnter", &TWinControl::OnEnter);
        c.Event("OnExit", &TWinControl::OnExit);
        c.Event("OnKeyDown", &TWinControl::OnKeyDown);
        c.Event("OnKeyPress", &TWinControl::OnKeyPress);
        c.Event("OnKeyUp", &TWinControl::OnKeyUp);
    });
    RegisterFormClass<TCustomControl>();
    return true;
}();

}  // namespace
