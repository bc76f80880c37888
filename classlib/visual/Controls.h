#pragma once
// Controls: the tree of visual components over Win32 windows, the way the class library routes messages
// through it (one window procedure per window, WindowProc, handlers, the default procedure), alignment,
// focus, keys, mouse tracking and painting of windowless controls.
#include "classlib/runtime/Component.h"
#include "Graphics.h"
#include "classlib/runtime/Messages.h"
#include "classlib/runtime/Types.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TControl;
class TWinControl;
class TCustomForm;
class TPopupMenu;
class TMainMenu;
class TWindowProcHook;
class TBasicAction;
class TActionLink;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
using TAlignSet = Set<TAlign>;

enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = Set<TAnchorKind>;

enum TMouseButton { mbLeft, mbRight, mbMiddle };

enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = Set<TShiftStateItem>;

enum TControlStyleItem {
    csAcceptsControls,
    csCaptureMouse,
    csDesignInteractive,
    csClickEvents,
    csFramed,
    csSetCaption,
    csOpaque,
    csDoubleClicks,
    csFixedWidth,
    csFixedHeight,
    csNoDesignVisible,
    csReplicatable,
    csNoStdEvents,
    csDisplayDragImage,
    csReflector,
    csActionClient,
    csMenuEvents
};
using TControlStyle = Set<TControlStyleItem>;

enum TControlStateItem {
    csLButtonDown,
    csClicked,
    csPalette,
    csReadingState,
    csAlignmentNeeded,
    csFocusing,
    csCreating,
    csPaintCopy,
    csCustomPaint,
    csDestroyingHandle,
    csDocking
};
using TControlState = Set<TControlStateItem>;

// Border styles of forms; the first two are also the border styles of panels and scroll boxes.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;

// Cursors by the class library's numbers; Screen->Cursors() maps them to handles.
using TCursor = int;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6,
                  crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11, crDrag = -12,
                  crNoDrop = -13, crHSplit = -14, crVSplit = -15, crMultiDrag = -16, crSQLWait = -17, crNo = -18,
                  crAppStart = -19, crHelp = -20, crHandPoint = -21, crSizeAll = -22;

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;
using TMouseWheelEvent =
    std::function<void(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool& Handled)>;
using TContextPopupEvent = std::function<void(TObject* Sender, TPoint MousePos, bool& Handled)>;

TShiftState KeysToShiftState(WPARAM keys);
TShiftState KeyDataToShiftState(LPARAM keyData);
// The first part of a hint ("short|long"), and the second (the whole hint when it has no bar).
std::string GetShortHint(const std::string& hint);
std::string GetLongHint(const std::string& hint);

// What the menus unit offers the control layer, so controls and forms can use menus without knowing them.
struct TMenuHooks {
    // Shows a control's popup menu at a screen point.
    void (*Popup)(TPopupMenu* menu, TControl* control, int X, int Y) = nullptr;
    // The menu bar handle of a main menu.
    HMENU (*MainMenuHandle)(TMainMenu* menu) = nullptr;
    // A WM_COMMAND from a menu item (LParam 0) on a form: true when a menu item took it.
    bool (*DispatchCommand)(TCustomForm* form, WORD id) = nullptr;
    // WM_INITMENUPOPUP, WM_MEASUREITEM and WM_DRAWITEM of menu items: true when handled.
    bool (*MenuMessage)(TCustomForm* form, TMessage& Message) = nullptr;
    // A key that might be a menu shortcut of the form.
    bool (*IsShortCut)(TCustomForm* form, TMessage& keyMessage) = nullptr;
};
TMenuHooks& MenuHooks();

// Minimum and maximum sizes of a control; 0 means no limit.
class TSizeConstraints : public TPersistent {
    CLASS_INFO(TSizeConstraints, TPersistent)
public:
    explicit TSizeConstraints(TControl* control) : FControl(control) {}
    int MinWidth() const { return FMinWidth; }
    int MinHeight() const { return FMinHeight; }
    int MaxWidth() const { return FMaxWidth; }
    int MaxHeight() const { return FMaxHeight; }
    void SetMinWidth(int value);
    void SetMinHeight(int value);
    void SetMaxWidth(int value);
    void SetMaxHeight(int value);
    void Assign(TPersistent* Source) override;
    // Clamps a proposed size to the limits.
    void Apply(int& width, int& height) const;
    TNotifyEvent OnChange;

private:
    void Changed();
    TControl* FControl;
    int FMinWidth = 0, FMinHeight = 0, FMaxWidth = 0, FMaxHeight = 0;
};

// What a windowed control asks CreateWindowEx for; filled by CreateParams.
struct TCreateParams {
    std::string Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    HWND WndParent = nullptr;
    void* Param = nullptr;
    WNDCLASSW WindowClass{};
    std::string WinClassName;
};

// A visual component: position, size, visibility, colour and font, mouse events, and message routing.
class TControl : public TComponent {
    CLASS_INFO(TControl, TComponent)
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    // --- message routing ---
    // The method every message of this control goes through; defaults to WndProc.
    TWndMethod WindowProc() const { return FWindowProc; }
    void SetWindowProc(TWndMethod value);
    // Sends a message straight to WindowProc and answers its Result.
    LRESULT Perform(UINT Msg, WPARAM WParam, LPARAM LParam);
    // Mouse and key pre-processing, then Dispatch.
    virtual void WndProc(TMessage& Message);
    // The message handlers: each class handles its messages and passes the rest to its parent class.
    virtual void Dispatch(TMessage& Message);
    // What happens to a message nobody handled.
    virtual void DefaultHandler(TMessage& Message);

    // --- tree and geometry ---
    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* AParent);
    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetLeft(int value) { SetBounds(value, FTop, FWidth, FHeight); }
    void SetTop(int value) { SetBounds(FLeft, value, FWidth, FHeight); }
    void SetWidth(int value) { SetBounds(FLeft, FTop, value, FHeight); }
    void SetHeight(int value) { SetBounds(FLeft, FTop, FWidth, value); }
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    TRect BoundsRect() const { return TRect(FLeft, FTop, FLeft + FWidth, FTop + FHeight); }
    void SetBoundsRect(const TRect& r) { SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top); }
    virtual TRect ClientRect() const;
    virtual int ClientWidth() const;
    virtual int ClientHeight() const;
    virtual void SetClientWidth(int value);
    virtual void SetClientHeight(int value);
    virtual void SetClientSize(int width, int height);
    // The screen position of the client area's top-left corner.
    virtual TPoint ClientOrigin() const;
    TPoint ClientToScreen(TPoint p) const;
    TPoint ScreenToClient(TPoint p) const;
    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign value);
    TAnchors Anchors() const { return FAnchors; }
    void SetAnchors(TAnchors value);
    TSizeConstraints* Constraints() const { return FConstraints.get(); }
    void BringToFront();
    void SendToBack();

    // --- state ---
    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible on screen: this control and every parent up to a shown form.
    virtual bool Showing() const;
    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool value);
    std::string Caption() const { return Text(); }
    void SetCaption(const std::string& value) { SetText(value); }
    virtual std::string Text() const;
    virtual void SetText(const std::string& value);
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& value) { FHint = value; }
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool value);
    bool ParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool value);
    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* value) { FFont->Assign(value); }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool value);
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor value);
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* value);
    TControlStyle ControlStyle() const { return FControlStyle; }
    void SetControlStyle(TControlStyle value) { FControlStyle = value; }
    TControlState ControlState() const { return FControlState; }
    void SetControlState(TControlState value) { FControlState = value; }
    // True while the mouse is captured by this control (directly or through its parent for windowless ones).
    bool MouseCapture() const;
    void SetMouseCapture(bool value);

    // --- painting ---
    virtual void Invalidate();
    virtual void Update();
    virtual void Repaint();
    void Refresh() { Repaint(); }

    // Runs OnClick, or the action when OnClick is not set.
    virtual void Click();
    virtual void DblClick();

    // The action whose caption, state, hint and image the control shows and which a click runs; nil for none.
    TBasicAction* Action() const;
    void SetAction(TBasicAction* value);

    void SetName(const std::string& value) override;
    void Loaded() override;

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TMouseWheelEvent OnMouseWheel;
    TContextPopupEvent OnContextPopup;
    TNotifyEvent OnResize;

protected:
    friend class TWinControl;
    friend class TWindowProcHook;
    friend class TScrollingWinControl;

    friend class TBasicAction;

    // The action changed (or was just linked): the control takes its caption, enabled and visible state and hint;
    // with CheckDefaults (read from a form) only where the control still has its own default.
    virtual void ActionChange(TObject* Sender, bool CheckDefaults);
    virtual void Resize();
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos);
    // The parent re-aligns its children because this one moved, resized, appeared or changed its Align.
    virtual void RequestAlign();
    // Our bounds as the window system has them (windowed controls read them back from the window).
    void SetBoundsFields(int ALeft, int ATop, int AWidth, int AHeight);
    // Remembers where an anchored control stands in its parent, for later parent resizes.
    void UpdateAnchorRules();
    // Moves or sizes an anchored control after its parent's client area changed.
    void ApplyAnchorRules(int parentWidth, int parentHeight);
    // Invalidates the area of a windowless control in its parent.
    void InvalidateControl(bool isVisible, bool isOpaque);
    virtual HWND ParentHandleForPaint() const;
    TPersistent* GetOwner() override { return Owner(); }

    // Message handlers of TControl.
    void WMMouseButton(TMessage& Message, TMouseButton Button, bool down, bool dbl);
    void WMMouseMove(TMessage& Message);
    void WMContextMenu(TMessage& Message);
    void CMEnabledChanged(TMessage& Message);
    void CMVisibleChanged(TMessage& Message);
    void CMColorChanged(TMessage& Message);
    void CMFontChanged(TMessage& Message);
    void CMParentColorChanged(TMessage& Message);
    void CMParentFontChanged(TMessage& Message);
    void CMParentShowHintChanged(TMessage& Message);
    void CMMouseEnter(TMessage& Message);
    void CMMouseLeave(TMessage& Message);
    void CMMouseWheel(TMessage& Message);

    TWinControl* FParent = nullptr;
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    TAlign FAlign = alNone;
    TAnchors FAnchors = {akLeft, akTop};
    bool FVisible = true;
    bool FEnabled = true;
    std::string FText;
    std::string FHint;
    bool FShowHint = false;
    bool FParentShowHint = true;
    TColor FColor = clWindow;
    bool FParentColor = true;
    std::unique_ptr<TFont> FFont;
    bool FParentFont = true;
    TCursor FCursor = crDefault;
    TPopupMenu* FPopupMenu = nullptr;
    TControlStyle FControlStyle = {csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    TControlState FControlState;
    std::unique_ptr<TSizeConstraints> FConstraints;

    void Notification(TComponent* AComponent, TOperation Operation) override;
    TWndMethod FWindowProc;

private:
    void FontChanged(TObject* Sender);

    std::unique_ptr<TActionLink> FActionLink;

    std::vector<std::unique_ptr<struct TWindowProcHookNode>> FHookNodes;
    // Where an anchored control stood: the parent's client size and our bounds at that moment.
    struct {
        bool Valid = false;
        int ParentWidth = 0, ParentHeight = 0, Left = 0, Top = 0, Width = 0, Height = 0;
    } FAnchorOrigin;
    bool FAnchoring = false;
};

// A hook on a control's WindowProc that can be taken out again whatever was installed after it, in any
// order, without a later restore bringing it back: the hook's place in the chain stays as a pass-through
// until nothing refers to it.
class TWindowProcHook {
public:
    TWindowProcHook() = default;
    ~TWindowProcHook() { Remove(); }
    TWindowProcHook(const TWindowProcHook&) = delete;
    TWindowProcHook& operator=(const TWindowProcHook&) = delete;

    // Puts method in front of the control's current WindowProc.
    void Install(TControl* control, TWndMethod method);
    // Takes the hook out; the control keeps working with what was before it and what came after it.
    void Remove();
    bool Installed() const { return FNode != nullptr; }
    // True while this hook is the control's current WindowProc.
    bool IsCurrent() const;
    // Passes a message on to what stood before this hook.
    void CallPrevious(TMessage& Message);
    TControl* Control() const { return FControl; }

private:
    friend class TControl;
    TControl* FControl = nullptr;
    struct TWindowProcHookNode* FNode = nullptr;
};

// A control without a window of its own: its parent paints it and passes it its mouse messages.
class TGraphicControl : public TControl {
    CLASS_INFO(TGraphicControl, TControl)
public:
    explicit TGraphicControl(TComponent* AOwner);
    ~TGraphicControl() override;
    TCanvas* Canvas() const;
    void Dispatch(TMessage& Message) override;

protected:
    // Paints the control on Canvas, which the parent has pointed at its own device context.
    virtual void Paint() {}
    void WMPaint(TMessage& Message);

private:
    std::unique_ptr<class TControlCanvas> FCanvas;
};

// A control with a window: created on demand, with children, focus, keys and reflected notifications.
class TWinControl : public TControl {
    CLASS_INFO(TWinControl, TControl)
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

    // The window, created (with its parents) when first asked for.
    HWND Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    void HandleNeeded();
    // Destroys the window and makes it anew with the current parameters (keeping text and children).
    void RecreateWnd();
    // A window outside the class library to live in when there is no Parent.
    HWND ParentWindow() const { return FParentWindow; }
    void SetParentWindow(HWND value);

    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TControl* Controls(int index) const;
    void InsertControl(TControl* AControl);
    void RemoveControl(TControl* AControl);
    bool ContainsControl(TControl* AControl) const;
    // The windowless child at a client point (or any child with allowWinControls).
    TControl* ControlAtPos(TPoint pos, bool allowDisabled, bool allowWinControls = false) const;
    // Sends the message to every child, stopping at the first that sets Result.
    void Broadcast(TMessage& Message);

    int TabOrder() const;
    void SetTabOrder(int value);
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool value);
    virtual bool CanFocus() const;
    virtual bool Focused() const;
    virtual void SetFocus();
    // The next control in tab order after current, within this control.
    TWinControl* FindNextControl(TWinControl* current, bool goForward, bool checkTabStop, bool checkParent) const;
    void SelectNext(TWinControl* current, bool goForward, bool checkTabStop);
    void GetTabOrderList(std::vector<TWinControl*>& list) const;

    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int value);
    TBrush* Brush() const { return FBrush.get(); }

    // Paints this control and its children into a device context at (X, Y), as the screen would show them.
    void PaintTo(HDC DC, int X, int Y);
    void DisableAlign();
    void EnableAlign();
    void Realign();

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    TRect ClientRect() const override;
    TPoint ClientOrigin() const override;
    bool Showing() const override { return FShowing; }
    void Loaded() override;
    std::string Text() const override;
    void SetText(const std::string& value) override;
    void Invalidate() override;
    void Update() override;
    void Repaint() override;
    void WndProc(TMessage& Message) override;
    void Dispatch(TMessage& Message) override;
    void DefaultHandler(TMessage& Message) override;

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;

protected:
    friend class TControl;
    friend class TCustomForm;
    friend class TApplication;
    friend LRESULT CALLBACK ControlWindowProc(HWND, UINT, WPARAM, LPARAM);

    virtual void CreateParams(TCreateParams& Params);
    // Makes the window class a copy of a standard one (EDIT, BUTTON, a common control), registered under
    // our class name; the standard procedure becomes the default one.
    void CreateSubClass(TCreateParams& Params, const char* ControlClassName);
    virtual void CreateWnd();
    virtual void CreateWindowHandle(const TCreateParams& Params);
    virtual void DestroyWnd();
    virtual void DestroyWindowHandle();
    virtual void CreateHandle();
    virtual void DestroyHandle();
    // Reads the bounds back from the window.
    virtual void UpdateBounds();
    void UpdateShowing();
    void UpdateControlState();
    virtual void AlignControls(TControl* AControl, TRect& Rect);
    virtual void AdjustClientRect(TRect& Rect);
    void AlignControl(TControl* AControl);
    // Paints the windowless children that intersect the clip region of DC (all when First is null).
    void PaintControls(HDC DC, TControl* First);
    void PaintHandler(TMessage& Message);
    virtual void PaintWindow(HDC DC);
    virtual bool DoKeyDown(TMessage& Message);
    virtual bool DoKeyUp(TMessage& Message);
    virtual bool DoKeyPress(TMessage& Message);
    bool DoKeyEvent(TMessage& Message, bool down);
    virtual void KeyDown(WORD& Key, TShiftState Shift);
    virtual void KeyUp(WORD& Key, TShiftState Shift);
    virtual void KeyPress(char& Key);
    void NotifyControls(UINT Msg);
    virtual void SetZOrder(bool TopMost);
    HWND ParentHandleForPaint() const override { return FHandle; }

    // Message handlers of TWinControl.
    void WMPaint(TMessage& Message);
    void WMEraseBkgnd(TMessage& Message);
    void WMWindowPosChanged(TMessage& Message);
    void WMSize(TMessage& Message);
    void WMSetFocus(TMessage& Message);
    void WMKillFocus(TMessage& Message);
    void WMSetCursor(TMessage& Message);
    void WMMouseLeave(TMessage& Message);
    void WMKeyMessage(TMessage& Message);
    void WMChar(TMessage& Message);
    void WMReflect(TMessage& Message);
    void WMCtlColor(TMessage& Message);
    void WMMouseWheel(TMessage& Message);
    void CNKeyDown(TMessage& Message);
    void CNKeyUp(TMessage& Message);
    void CNChar(TMessage& Message);
    void CNCtlColor(TMessage& Message);
    void CMShowingChanged(TMessage& Message);
    void CMVisibleChangedWin(TMessage& Message);
    void CMEnabledChangedWin(TMessage& Message);
    void CMColorChangedWin(TMessage& Message);
    void CMFontChangedWin(TMessage& Message);
    void CMDialogKey(TMessage& Message);
    void CMFocusChanged(TMessage& Message);
    void CMEnter(TMessage& Message);
    void CMExit(TMessage& Message);
    void CMRecreateWnd(TMessage& Message);

    HWND FHandle = nullptr;
    WNDPROC FDefWndProc = nullptr;
    HWND FParentWindow = nullptr;
    bool FShowing = false;
    bool FTabStop = false;
    int FBorderWidth = 0;
    int FAlignLevel = 0;
    std::unique_ptr<TBrush> FBrush;
    std::vector<TControl*> FControls;  // every child, back to front
    std::vector<TWinControl*> FTabList;  // windowed children in tab order

private:
    void BrushChanged(TObject* Sender);
    void AttachHandle(HWND handle);
    void DetachHandle();
    static int NextControlId();
    int FControlId = 0;
};

// A windowed control that paints itself on a canvas (panels, custom drawn controls).
class TCustomControl : public TWinControl {
    CLASS_INFO(TCustomControl, TWinControl)
public:
    explicit TCustomControl(TComponent* AOwner);
    ~TCustomControl() override;
    TCanvas* Canvas() const;
    void Dispatch(TMessage& Message) override;

protected:
    virtual void Paint() {}
    void PaintWindow(HDC DC) override;

private:
    std::unique_ptr<class TControlCanvas> FCanvas;
};

// A canvas that paints on a control: on the device context the control is being painted with, or on one
// it fetches itself (a windowless control's parent DC, clipped to the control).
class TControlCanvas : public TCanvas {
public:
    explicit TControlCanvas(TControl* control) : FControl(control) {}
    ~TControlCanvas() override;
    TControl* Control() const { return FControl; }
    void FreeHandle();
    // Runs paint with the canvas locked on DC, and lets go of DC afterwards whatever happens.
    void PaintOn(HDC DC, const std::function<void()>& paint);

protected:
    void CreateHandle() override;

private:
    TControl* FControl;
    HDC FDeviceContext = nullptr;
    HWND FWindowHandle = nullptr;
};

// The control that owns a window of this process, or null.
TWinControl* FindControl(HWND handle);
// The innermost enabled (or any, with allowDisabled) control under a screen point.
TControl* FindDragTarget(TPoint pos, bool allowDisabled);
// The form a control stands on, or null.
TCustomForm* GetParentForm(TControl* control);
// The control that has the mouse captured for a windowless control, or null.
TControl* GetCaptureControl();
void SetCaptureControl(TControl* control);
// The control the mouse is over, as the control layer last saw it.
TControl* MouseControl();

// Wide and code-page text: the program's strings are code-page bytes, windows are Unicode.
std::wstring AnsiToWide(const std::string& text);
// The same into a buffer the caller keeps: text sent again and again reuses its memory.
void AnsiToWide(const std::string& text, std::wstring& into);
std::string WideToAnsi(const std::wstring& text);
