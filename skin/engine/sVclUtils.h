#pragma once
// Skin commands sent to windows and controls, and the readiness test of a control that is about to be repainted.
#include "sMessages.h"

#include <windows.h>

class TControl;

// SendMessage of the command (in the high word of WParam) to the window; its answer.
LRESULT SendSkinCmdToHandle(HWND Wnd, TacSkinCommand Command, LPARAM LParam);
// A windowless control gets the command through Perform; a windowed one through its window, but only while it has
// one and is not being destroyed. Nil, or a control that cannot be reached, answers 0.
LRESULT SendSkinCmdToControl(TControl* Control, TacSkinCommand Command, LPARAM LParam);
inline LRESULT SendSkinCmdNoParam(TControl* Control, TacSkinCommand Command) {
    return SendSkinCmdToControl(Control, Command, 0);
}
// True for a control that can be repainted now: it exists, has a window when it is a windowed one, has a parent,
// and is neither being loaded, created nor destroyed.
bool ControlIsReady(TControl* Control);
