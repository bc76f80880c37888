#pragma once
// Forms, frames and scroll boxes; the application object with its message loop, hints and exception
// handling; the screen object.
#include "Controls.h"
#include "classlib/runtime/ExceptionHandler.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TCustomForm;
class TApplication;
class TScreen;

enum TScrollBarKind { sbHorizontal, sbVertical };

// One scroll bar of a scrolling control: the range it scrolls over and where it stands.
class TControlScrollBar : public TPersistent {
    CLASS_INFO(TControlScrollBar, TPersistent)
public:
    TControlScrollBar(class TScrollingWinControl* control, TScrollBarKind kind) : FControl(control), FKind(kind) {}
    TScrollBarKind Kind() const { return FKind; }
    int Range() const { return FRange; }
    void SetRange(int value);
    int Position() const { return FPosition; }
    void SetPosition(int value);
    int Increment() const { return FIncrement; }
    void SetIncrement(int value) { FIncrement = value > 0 ? value : 1; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    bool Tracking() const { return FTracking; }
    void SetTracking(bool value) { FTracking = value; }
    // True while the bar is shown on the window (the range exceeds the client size).
    bool IsScrollBarVisible() const;
    void Assign(TPersistent* Source) override;

private:
    friend class TScrollingWinControl;
    int ControlSize() const;  // the client extent along this bar, without the bar itself
    void Update();
    void ScrollMessage(WORD code, int thumb);
    TScrollingWinControl* FControl;
    TScrollBarKind FKind;
    int FRange = 0;
    int FCalcRange = 0;
    int FPosition = 0;
    int FIncrement = 8;
    bool FVisible = true;
    bool FTracking = false;
};

// A windowed control whose children can extend beyond its client area, with scroll bars to reach them.
class TScrollingWinControl : public TWinControl {
    CLASS_INFO(TScrollingWinControl, TWinControl)
public:
    explicit TScrollingWinControl(TComponent* AOwner);
    ~TScrollingWinControl() override;
    TControlScrollBar* HorzScrollBar() const { return FHorzScrollBar.get(); }
    TControlScrollBar* VertScrollBar() const { return FVertScrollBar.get(); }
    bool AutoScroll() const { return FAutoScroll; }
    void SetAutoScroll(bool value);
    // Scrolls so that the control (a descendant) lies inside the client area.
    void ScrollInView(TControl* AControl);
    void Dispatch(TMessage& Message) override;

protected:
    friend class TControlScrollBar;
    void AlignControls(TControl* AControl, TRect& Rect) override;
    void AdjustClientRect(TRect& Rect) override;
    void CreateWnd() override;
    // Moves every child by the scroll distance.
    void ScrollBy(int DeltaX, int DeltaY);
    void UpdateScrollBars();

private:
    void CalcAutoRange();
    std::unique_ptr<TControlScrollBar> FHorzScrollBar;
    std::unique_ptr<TControlScrollBar> FVertScrollBar;
    bool FAutoScroll = true;
    bool FUpdatingScrollBars = false;
};

// A bordered scrolling box for children.
class TScrollBox : public TScrollingWinControl {
    CLASS_INFO(TScrollBox, TScrollingWinControl)
public:
    explicit TScrollBox(TComponent* AOwner);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);

protected:
    void CreateParams(TCreateParams& Params) override;

private:
    TBorderStyle FBorderStyle = bsSingle;
};

// A reusable group of controls placed on forms like a panel; its class name is its window class.
class TCustomFrame : public TScrollingWinControl {
    CLASS_INFO(TCustomFrame, TScrollingWinControl)
public:
    explicit TCustomFrame(TComponent* AOwner);
};

class TFrame : public TCustomFrame {
    CLASS_INFO(TFrame, TCustomFrame)
public:
    using TCustomFrame::TCustomFrame;
};

enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = Set<TBorderIcon>;
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TPosition {
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TFormStateItem { fsCreating, fsVisible, fsShowing, fsModal, fsCreatedMDIChild, fsActivated };
using TFormState = Set<TFormStateItem>;

using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL, mrAbort = IDABORT, mrRetry = IDRETRY,
                       mrIgnore = IDIGNORE, mrYes = IDYES, mrNo = IDNO, mrAll = mrNo + 1, mrNoToAll = mrAll + 1,
                       mrYesToAll = mrNoToAll + 1;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

// A top-level window of the program (or an MDI child, or a form placed on another control).
class TCustomForm : public TScrollingWinControl {
    CLASS_INFO(TCustomForm, TScrollingWinControl)
public:
    explicit TCustomForm(TComponent* AOwner);
    ~TCustomForm() override;
    // Runs OnCreate once the form is complete; CreateForm calls it, so does whoever builds a form by hand.
    virtual void AfterConstruction();
    // Free() runs OnDestroy while the whole form still exists.
    void BeforeDestruction() override;

    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle value);
    TBorderIcons BorderIcons() const { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons value);
    TFormStyle FormStyle() const { return FFormStyle; }
    void SetFormStyle(TFormStyle value);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition value) { FPosition = value; }
    TWindowState WindowState() const { return FWindowState; }
    void SetWindowState(TWindowState value);
    TIcon* Icon() const { return FIcon.get(); }
    void SetIcon(TIcon* value) { FIcon->Assign(value); }
    TMainMenu* Menu() const { return FMenu; }
    void SetMenu(TMainMenu* value);
    bool KeyPreview() const { return FKeyPreview; }
    void SetKeyPreview(bool value) { FKeyPreview = value; }
    TWinControl* ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TWinControl* value);
    bool Active() const { return FActive; }
    TFormState FormState() const { return FFormState; }
    TCanvas* Canvas() const;

    void Show();
    void Hide() { SetVisible(false); }
    // Shows the form and runs messages until ModalResult is set or the form is closed; answers ModalResult.
    virtual int ShowModal();
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult value) { FModalResult = value; }
    // Asks OnCloseQuery, then OnClose decides: hide, free, minimise or stay. Closing the main form ends
    // the application.
    void Close();
    virtual bool CloseQuery();
    // Frees the form once the messages already queued for it are handled.
    void Release();

    HWND ClientHandle() const { return FClientHandle; }
    TCustomForm* ActiveMDIChild() const;
    int MDIChildCount() const;
    TCustomForm* MDIChildren(int index) const;

    void FocusControl(TWinControl* control);
    // The focus moved to control: CM_EXIT and CM_ENTER along the way, then CM_FOCUSCHANGED to everything.
    bool SetFocusedControl(TWinControl* control);
    void DefocusControl(TWinControl* control, bool removing);
    void SetFocus() override;
    bool CanFocus() const override;
    TRect ClientRect() const override;
    int ClientWidth() const override;
    int ClientHeight() const override;
    // While the form is read these wait for Loaded: the border and position read after them decide
    // the window the client size belongs to.
    void SetClientWidth(int value) override;
    void SetClientHeight(int value) override;
    void Loaded() override;
    void Dispatch(TMessage& Message) override;
    void DefaultHandler(TMessage& Message) override;

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnPaint;

protected:
    friend class TApplication;
    friend class TWinControl;

    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    // Takes the menu bar off first: the system would destroy it with the window, and it belongs to the menu.
    void DestroyWindowHandle() override;
    void AlignControls(TControl* AControl, TRect& Rect) override;
    void PaintWindow(HDC DC) override;
    virtual void Paint();
    virtual void DoCreate();
    virtual void DoDestroy();
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(TCloseAction& Action);
    virtual void Activate();
    virtual void Deactivate();
    // A key that may be a shortcut of the form's menus.
    virtual bool IsShortCut(TMessage& Message);
    // WM_MOVE and WM_MOVING of a top-level form; WM_MOVING carries the proposed window rectangle, which
    // a derived form may change before it reaches the system.
    virtual void WMMove(TMessage& Message);
    virtual void WMMoving(TMessage& Message);

    void WMClose(TMessage& Message);
    void WMActivate(TMessage& Message);
    void WMGetMinMaxInfo(TMessage& Message);
    void WMSysCommand(TMessage& Message);
    void WMSizeForm(TMessage& Message);
    void WMCommandForm(TMessage& Message);
    void CMShowingChangedForm(TMessage& Message);
    void CMDialogKeyForm(TMessage& Message);
    void CMMenuChanged(TMessage& Message);
    void CMIconChanged(TMessage& Message);
    void SetActive(bool value);
    void SetWindowFocus();
    // Where the form goes when it is shown, by Position.
    void ApplyPosition();
    HWND OwnerWindow() const;
    void CloseModal();
    void UpdateIcon();
    void UpdateMenu();

    TFormBorderStyle FBorderStyle = bsSizeable;
    TBorderIcons FBorderIcons = {biSystemMenu, biMinimize, biMaximize};
    TFormStyle FFormStyle = fsNormal;
    TPosition FPosition = poDefaultPosOnly;
    TWindowState FWindowState = wsNormal;
    std::unique_ptr<TIcon> FIcon;
    TMainMenu* FMenu = nullptr;
    bool FKeyPreview = false;
    bool FActive = false;
    TWinControl* FActiveControl = nullptr;
    TWinControl* FFocusedControl = nullptr;
    TFormState FFormState = {fsCreating};
    TModalResult FModalResult = mrNone;
    HWND FClientHandle = nullptr;
    bool FRecreating = false;
    int FPendingClientWidth = -1;
    int FPendingClientHeight = -1;
    bool FCreated = false;
    bool FDestroyed = false;
    std::unique_ptr<TControlCanvas> FCanvas;

    void Notification(TComponent* AComponent, TOperation Operation) override;
};

class TForm : public TCustomForm {
    CLASS_INFO(TForm, TCustomForm)
public:
    using TCustomForm::TCustomForm;
};

// The small window that shows a control's hint beside the mouse.
class THintWindow : public TCustomControl {
    CLASS_INFO(THintWindow, TCustomControl)
public:
    explicit THintWindow(TComponent* AOwner);
    // The rectangle (at 0, 0) the hint text needs, wrapped at maxWidth.
    TRect CalcHintRect(int maxWidth, const std::string& hint);
    // Shows the hint at a screen rectangle without taking the focus.
    void ActivateHint(TRect rect, const std::string& hint);
    void ReleaseHandle();

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;
};

using TMessageEvent = std::function<void(MSG& Msg, bool& Handled)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;
using TExceptionEvent = std::function<void(TObject* Sender, const Exception& E)>;
// A hook on the application's hidden window: true when it handled the message.
using TWindowHook = TMethod<bool(TMessage&)>;

// The running program: its hidden window, the forms it owns, the message loop, hints and the place every
// exception from an event handler ends up.
class TApplication : public TComponent {
    CLASS_INFO(TApplication, TComponent)
public:
    explicit TApplication(TComponent* AOwner);
    ~TApplication() override;

    HWND Handle() const { return FHandle; }
    void Initialize();
    // Makes a form owned by the application; the first one becomes the main form.
    template <class T>
    void CreateForm(T*& Reference) {
        T* form = new T(this);
        Reference = form;
        FormCreated(form);
    }
    // Shows the main form and runs the message loop until the application is terminated.
    void Run();
    // Handles every message waiting, then returns.
    void ProcessMessages();
    // Handles one message, or idles (and waits for one) when none is waiting.
    void HandleMessage();
    // Ends the message loop (through WM_QUIT).
    void Terminate();
    bool Terminated() const { return FTerminate; }
    TCustomForm* MainForm() const { return FMainForm; }
    std::string Title() const;
    void SetTitle(const std::string& value);
    // The program's icon (the resource MAINICON, else the system's), shown by forms without their own.
    TIcon* Icon() const { return FIcon.get(); }
    void SetIcon(TIcon* value) { FIcon->Assign(value); }
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& value);
    int HintPause() const { return FHintPause; }
    void SetHintPause(int value) { FHintPause = value; }
    int HintHidePause() const { return FHintHidePause; }
    void SetHintHidePause(int value) { FHintHidePause = value; }
    int HintShortPause() const { return FHintShortPause; }
    void SetHintShortPause(int value) { FHintShortPause = value; }
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool value);
    TColor HintColor() const { return FHintColor; }
    void SetHintColor(TColor value) { FHintColor = value; }
    bool ShowMainForm() const { return FShowMainForm; }
    void SetShowMainForm(bool value) { FShowMainForm = value; }
    // A message box owned by the active window, with the other windows of the program disabled meanwhile.
    int MessageBox(const std::string& Text, const std::string& Caption, UINT Flags = MB_OK);
    // Called inside a catch block: hands the exception being handled to OnException, or shows it in a
    // message box. The message loop goes on.
    void HandleException(TObject* Sender);
    void ShowException(const Exception& E);
    void HookMainWindow(TWindowHook Hook);
    void UnhookMainWindow(TWindowHook Hook);
    void Minimize();
    void Restore();
    void BringToFront();
    void CancelHint();
    // Mouse and key messages of a control, seen by the hint machinery.
    void HintMouseMessage(TControl* Control, TMessage& Message);
    // Forgets a control that is being destroyed.
    void ControlDestroyed(TControl* Control);

    TMessageEvent OnMessage;
    TIdleEvent OnIdle;
    TNotifyEvent OnHint;
    TExceptionEvent OnException;
    TNotifyEvent OnMinimize;
    TNotifyEvent OnRestore;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;

private:
    friend class TCustomForm;
    static LRESULT CALLBACK AppWindowProc(HWND, UINT, WPARAM, LPARAM);
    void WndProc(TMessage& Message);
    bool ProcessMessage(MSG& Msg);
    void Idle(const MSG& Msg);
    void DoMouseIdle();
    bool IsKeyMsg(MSG& Msg);
    bool IsMDIMsg(MSG& Msg);
    void ReportException(TObject* Sender, const Exception& E) noexcept;
    void FormCreated(TCustomForm* form);
    void FormDestroyed(TCustomForm* form);
    void ShowHintWindow();
    void StartHintTimer(UINT id, int delay);
    void StopHintTimer(UINT id);

    HWND FHandle = nullptr;
    bool FTerminate = false;
    bool FRunning = false;
    TCustomForm* FMainForm = nullptr;
    std::unique_ptr<TIcon> FIcon;
    std::string FHint;
    int FHintPause = 500;
    int FHintHidePause = 2500;
    int FHintShortPause = 50;
    bool FShowHint = true;
    TColor FHintColor = clInfoBk;
    bool FShowMainForm = true;
    bool FHintActive = false;
    TControl* FHintControl = nullptr;
    TControl* FMouseIdleControl = nullptr;
    THintWindow* FHintWindow = nullptr;
    std::vector<TWindowHook> FWindowHooks;
    std::vector<HWND> FHiddenByMinimize;
    TExceptionHandler FPreviousExceptionHandler;
};

// The screen the program runs on: its forms, the active one, sizes, fonts and cursors.
class TScreen : public TComponent {
    CLASS_INFO(TScreen, TComponent)
public:
    explicit TScreen(TComponent* AOwner);
    ~TScreen() override;
    int FormCount() const { return static_cast<int>(FForms.size()); }
    TCustomForm* Forms(int index) const;
    TCustomForm* ActiveForm() const { return FActiveForm; }
    TWinControl* ActiveControl() const { return FActiveControl; }
    int Width() const { return GetSystemMetrics(SM_CXSCREEN); }
    int Height() const { return GetSystemMetrics(SM_CYSCREEN); }
    int DesktopWidth() const { return GetSystemMetrics(SM_CXVIRTUALSCREEN); }
    int DesktopHeight() const { return GetSystemMetrics(SM_CYVIRTUALSCREEN); }
    TRect WorkAreaRect() const;
    int WorkAreaWidth() const;
    int WorkAreaHeight() const;
    TFont* MenuFont();
    TFont* HintFont();
    // The font of the system's message boxes.
    TFont* MessageFont();
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor value);
    HCURSOR Cursors(TCursor index) const;
    void SetCursors(TCursor index, HCURSOR handle);

    TNotifyEvent OnActiveFormChange;
    TNotifyEvent OnActiveControlChange;

private:
    friend class TCustomForm;
    friend class TApplication;
    void AddForm(TCustomForm* form);
    void RemoveForm(TCustomForm* form);
    void SetActiveForm(TCustomForm* form);
    void SetActiveControl(TWinControl* control);
    void ControlDestroyed(TControl* control);

    std::vector<TCustomForm*> FForms;
    TCustomForm* FActiveForm = nullptr;
    TWinControl* FActiveControl = nullptr;
    TCursor FCursor = crDefault;
    std::unique_ptr<TFont> FMenuFont;
    std::unique_ptr<TFont> FHintFont;
    std::unique_ptr<TFont> FMessageFont;
    std::vector<std::pair<TCursor, HCURSOR>> FCursors;
};

// The application and screen objects, made on first use (so they never depend on the order in which
// static objects start) and freed, with every form they own, when the program ends. After that they
// read as null.
template <class T>
class TGlobalObject {
public:
    T* operator->() const { return Get(); }
    operator T*() const { return Get(); }
    T* Get() const;
};
extern TGlobalObject<TApplication> Application;
extern TGlobalObject<TScreen> Screen;
