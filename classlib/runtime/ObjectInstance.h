#pragma once
// Window procedures bound to an object: a small piece of executable code that stands in GWLP_WNDPROC and calls a
// method of one object, so a window subclassed for an object needs no lookup to find it.
#include "Messages.h"

#include <windows.h>

// The procedure an instance calls: the object comes where the window handle came in.
using TObjectWindowProc = LRESULT(CALLBACK*)(void* Object, UINT Msg, WPARAM WParam, LPARAM LParam);

// A callable window procedure that calls Proc with Object in place of the window handle. The code lives in
// executable pages of a process-wide pool; FreeObjectInstance gives it back. Raises EOutOfResources when no
// executable memory can be had.
WNDPROC MakeObjectInstance(void* Object, TObjectWindowProc Proc);
// Points an instance handed out before at another object and procedure; whoever holds the instance as a window
// procedure calls the new pair from then on.
void RetargetObjectInstance(WNDPROC Instance, void* Object, TObjectWindowProc Proc);
// Gives an instance back to the pool; nil is ignored.
void FreeObjectInstance(WNDPROC Instance);
// For an instance in Wnd's procedure chain whose object goes while a later subclass still calls it: from now on it
// passes every message to Previous, and it gives itself back when the window is destroyed.
void ForwardObjectInstance(WNDPROC Instance, HWND Wnd, WNDPROC Previous);
// The number of instances handed out and not yet given back.
int ObjectInstanceCount();
