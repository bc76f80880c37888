#include "sVclUtils.h"

#include "classlib/Controls.h"

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

bool ControlIsReady(TControl* Control) {
    if (!Control)
        return false;
    if (auto* windowed = dynamic_cast<TWinControl*>(Control); windowed && !windowed->HandleAllocated())
        return false;
    return !Control->Loading() && !Control->ControlState().Contains(csCreating) && !Control->Destroying() &&
           Control->Parent();
}
