#include "sVclUtils.h"

#include "acSkinHooks.h"

#include "classlib/Forms.h"

bool acAnimInProgress = false;
TacAnimShowProc acAnimShowControl = nullptr;

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
