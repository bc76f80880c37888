#pragma once
// Hidden message-only windows whose messages go to a bound method, for non-visual components that need a
// window (posted wake-ups, cross-thread SendMessage) without a form.
#include <windows.h>

#include "Messages.h"

#include <functional>

// What a hidden window's messages go to: any callable, e.g. a lambda that calls a member.
using TWndFunction = std::function<void(TMessage& Message)>;

// Creates a hidden message-only window on the calling thread; its messages are delivered to method on that
// thread. The method handles what it knows and passes everything else to DefWindowProcA itself (see
// DefaultHandler). An exception from the method goes to the application's exception handler and the message
// result is 0. Raises EOSError when the window cannot be created.
HWND AllocateHWnd(TWndFunction method);
HWND AllocateHWnd(const TWndMethod& method);
// Destroys a window made by AllocateHWnd (on the thread that made it); safe to call from inside its own method,
// and with nullptr.
void DeallocateHWnd(HWND window);
// DefWindowProcA for a message that a bound method does not handle.
void DefaultHandler(HWND window, TMessage& Message);
