#pragma once
// How every part of the skin library addresses windows and controls with the skin message: commands to one window
// or control, broadcasts over a control tree or a window's children, colours asked of a control, and the small
// helpers around them (parent form, readiness, text flags, work area, client offsets, aligned sizes).
#include "sMessages.h"

#include "classlib/visual/Controls.h"
#include "classlib/visual/Graphics.h"
#include "classlib/runtime/Messages.h"
#include "classlib/visual/StdCtrls.h"

#include <windows.h>

#include <functional>

class TComponent;
class TCustomForm;

// SendMessage of the command (in the high word of WParam) to the window; its answer.
LRESULT SendSkinCmdToHandle(HWND Wnd, TacSkinCommand Command, LPARAM LParam);
// A windowless control gets the command through Perform; a windowed one through its window, but only while it has
// one and is not being destroyed. Nil, or a control that cannot be reached, answers 0.
LRESULT SendSkinCmdToControl(TControl* Control, TacSkinCommand Command, LPARAM LParam);
inline LRESULT SendSkinCmdNoParam(TControl* Control, TacSkinCommand Command) {
    return SendSkinCmdToControl(Control, Command, 0);
}
// True when the window answers the command (LParam 0) with 1.
bool GetSkinCmdBool(HWND Wnd, TacSkinCommand Command);
// Tells the control's form that a control was made (command 25 with the control), when the form has a window.
void NotifyFormOfControl(TControl* Control);
// Delivers Message to Parent's children in order, stopping at the first one being destroyed: a windowless child
// or one without a window through Perform, a window that handles skin messages itself (answers command 7 with 1)
// through SendMessage; any other windowed child passes it on to its own children.
void BroadcastSkinMessage(TWinControl* Parent, TMessage& Message);
// Sends the message to every direct child window of Wnd.
void BroadcastToChildWindows(HWND Wnd, const TMessage& Message);
// Hands Message to the skin provider among the form's components (the first not being destroyed), if any.
void FindSkinProvider(TComponent* Form, TMessage& Message);
// The colour behind a control: a skinned control's answer to command 21, else its Color; $FF00FF for nil.
TColor GetControlColor(TControl* Control);
// A window's answer to command 21; $FF00FF for no window.
TColor GetWndColor(HWND Wnd);
// Command 6 (repaint what was held back) to every windowed child that is showing, unless an animation runs.
void UnlockChildControls(TWinControl* Control);
// Command 6 to every child window of Wnd.
void UnlockChildWindows(HWND Wnd);
// The nearest form among the control and its parents, nil for none.
TCustomForm* GetParentFormOf(TControl* Control);
// True for a control that can be repainted now: it exists, has a window when it is a windowed one, has a parent,
// and is neither being loaded, created nor destroyed.
bool ControlIsReady(TControl* Control);
// DrawText flags for text aligned as Alignment, expanding tabs and centred vertically.
UINT GetDrawTextFlags(TControl* Control, TAlignment Alignment);
// The desktop's work area.
void GetWorkArea(TRect& R);
TPoint GetCursorPoint();
// The window's client rectangle in window coordinates (offset by the frame and caption).
void GetClientRectInWindow(HWND Wnd, TRect& R);
// The heights (for alTop and alBottom) or widths (alLeft, alRight) of Parent's visible children aligned so added
// up; windowless children only with CountGraphic.
int SumAlignedSizes(TWinControl* Parent, TAlign Align, bool CountGraphic);

// --- child painting ---

// Paints a visible control and its windowed children into Bmp as they look now, in the control's window
// coordinates: skinned windows (those answering command 7) by WM_PRINT, other windows by PaintTo, each child where
// its window lies; an MDI main form first paints its MDI children.
void PaintControlTree(TBitmap* Bmp, TControl* Control);
// Paints the graphic children of Parent into DC, Offset being where Parent's client area lies in DC: each over its
// background (the parent's, or its own colour for an opaque child) composed in a work bitmap first, then copied
// where its top-left pixel is not $FF00FF.
void PaintChildControls(TWinControl* Parent, HDC DC, const TPoint& Offset);

// --- the fade ---

// The window that shows the fade over the control: a popup over a top-level window, a sibling over a child.
class TOutputWindow : public TCustomControl {
    CLASS_INFO(TOutputWindow, TCustomControl)
public:
    explicit TOutputWindow(TComponent* AOwner);
    void Dispatch(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
};

// The output window while a fade is prepared or runs, nil otherwise.
extern TOutputWindow* acOutputWindow;
// Takes the control's present picture from the screen (when none is taken yet) and covers the control with the
// output window showing nothing new yet.
void PrepareAnimWindow(TControl* Control);
// The most steps a fade takes: about a second, whatever time it is given. A user who changes the skin waits for
// the windows to show it; a time of minutes (the setting allows 65535 ms) would freeze the program meanwhile.
constexpr int acMaxFadeSteps = 125;
// Fades the control's new look in over its old picture in (Time and $FFFF) shr 3 steps of about 8 ms, at most
// acMaxFadeSteps, then lets the control redraw itself and takes the output window and the pictures away. Answers
// the number of steps (0 when Time is below 8: the new look shows at once).
int AnimShowControl(TWinControl* Control, int Time);
// Called after each picture of a fade reached the output window (its window and the step from 0); the tests
// watch the fade through it.
using TacFadeStepEvent = std::function<void(HWND Output, int Step)>;
extern TacFadeStepEvent acOnFadeStep;

// SetWindowTheme of the visual-styles library, nil where the system has none.
using TSetWindowTheme = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
extern TSetWindowTheme acSetWindowTheme;

// True while a window's new look fades in over its old picture: children then keep their repaints held.
extern bool acAnimInProgress;
// The DC into which PaintControlTree paints the pictures of a fade, 0 otherwise: the one DC a held window still
// paints into.
extern HDC acPaintingDC;
// The fade from a window's old picture to its new look in about Time milliseconds, nil while none is linked in.
using TacAnimShowProc = void (*)(TWinControl* Control, int Time);
extern TacAnimShowProc acAnimShowControl;
