#pragma once
// The window adapters' common root: TacMainWnd takes over the window procedure of one existing window (a control
// of the class library through its WindowProc, any other window through GWLP_WNDPROC), paints it with the skin
// and answers the skin commands; and the operations every adapter and the form skinning share.
#include "skin/engine/acManagerRef.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sGraphUtils.h"
#include "skin/engine/sMessages.h"
#include "skin/engine/sVclUtils.h"

#include "classlib/runtime/Component.h"
#include "classlib/visual/Controls.h"
#include "classlib/runtime/Messages.h"

#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

class TsSkinManager;
class TacMainWnd;

// The window property in which every adapter keeps itself, so the adapter of a window can always be found.
constexpr const char* acAdapterProp = "ACSBSC";

// Library-wide: the dialog hook is creating the adapters of a standard dialog's children (copied into DlgMode).
extern bool acDlgMode;
// Library-wide: a skin provider is clearing its list of adapters (their windows keep their skinned look then).
extern bool acAdapterListClearing;

// SetWindowTheme of uxtheme.dll (acSetWindowTheme), nil where the system has none; the skin engine loads it when
// the library starts.
using TSetWindowThemeProc = TSetWindowTheme;

// The form of a skin provider when Owner is one, else nil. The form skinning sets this; until it does, no owner is
// a provider and adapters hook owner controls or bare windows only.
using TacProviderFormFunc = TWinControl* (*)(TObject* Owner);
extern TacProviderFormFunc acProviderForm;

// Base of every control adapter. An adapter is made by CreateAdapter and freed by whoever made it (never by
// itself); losing its window only gives the window procedure back.
class TacMainWnd : public TObject {
    CLASS_INFO(TacMainWnd, TObject)
public:
    TacMainWnd();
    // Gives the window procedure back if that has not happened yet (see Release).
    ~TacMainWnd() override;
    TacMainWnd(const TacMainWnd&) = delete;
    TacMainWnd& operator=(const TacMainWnd&) = delete;

    // The creation steps: takes over AHandle. ASkinData nil makes the adapter own a fresh skin data; SkinSection
    // fills an empty section of the skin data. Called once, by CreateAdapter, after the object is complete.
    virtual void Init(HWND AHandle, TsCommonData* ASkinData, TsSkinManager* ASkinManager,
                      const std::string& SkinSection, bool Repaint);
    // The destruction steps: gives the window procedure and the visual style back, restores the control's own
    // colours and frees an own skin data. Runs once; the deleter of TacAdapterPtr calls it before the object goes.
    void Release();

    // Remember and give back the control's own colours (nothing here).
    virtual void SaveStdParams() {}
    virtual void RestoreStdParams() {}
    // Applies the skin's colours; here it only notes that they were applied.
    virtual void SetSkinParams() { ParamsChanged = true; }
    // The adapter's window procedure; what it does not take goes to CallPrevWndProc.
    virtual void WndProc(TMessage& Message);

    // Takes over AHandle's window procedure and stores the adapter in the window's "ACSBSC" property.
    void Subclass(HWND AHandle);
    // Gives the window procedure back where it is still taken over; false when there was nothing to give back.
    bool Unhook();
    // The procedure the adapter took over: the previous WindowProc of the control, or the previous GWLP_WNDPROC.
    LRESULT CallPrevWndProc(HWND Handle, UINT Msg, WPARAM& WParam, LPARAM LParam);
    void CallPrevWndProc(TMessage& Message);
    // True while the adapter has a window procedure it can pass messages to.
    bool Hooked() const;

    // Copied from the library-wide dialog-mode flag at creation.
    bool DlgMode = false;
    // The window's text, read at creation and after every WM_SETTEXT: in the program's code page, and as the
    // window holds it, which is what the adapters paint (characters outside the code page included).
    std::string WndText;
    std::wstring WndWideText;
    // Reads both texts from the window again.
    void ReadWndText();
    // Geometry as GetWndOffsetInParent gives it: screen rectangle, size, offset in the parent, parent's screen
    // rectangle and the parent.
    TRect WndRect;
    TSize WndSize;
    TPoint WndPos;
    TRect ParentRect;
    HWND ParentWnd = nullptr;
    // The previous GWLP_WNDPROC of a bare window, nil when a control's WindowProc was hooked instead.
    WNDPROC OldWndProc = nullptr;
    HWND CtrlHandle = nullptr;
    // Cleared by the manager itself when it goes, even where its removal does not reach the window.
    TacManagerRef SkinManager;
    TsCommonData* SkinData = nullptr;
    // True while a scroll adapter sends a scroll step itself.
    bool Scrolling = false;
    bool ParamsChanged = false;
    TColor StdColor = clNone;
    TColor StdFontColor = clNone;
    // The window procedure has been given back.
    bool Destroyed = false;
    // The adapter made its skin data and frees it.
    bool OwnSkinData = false;
    // The callable procedure that stands in GWLP_WNDPROC of a bare window.
    WNDPROC ObjectInstance = nullptr;

    // Adapter objects alive in the process (for leak checks).
    static int LiveCount();
    // True while one of the adapter's window procedures runs: whoever frees adapters of closed windows waits then,
    // for the procedure returns into the object.
    bool InCall() const { return FCalls > 0; }

protected:
    // The hook that Init installs: scroll adapters set up their bars first and subclass themselves.
    virtual void Hook(HWND AHandle, bool Repaint);
    // True when the skin data's manager is there and active, or is telling its windows that the skin goes: only
    // then does the adapter take part.
    bool SkinActive() const;

private:
    static LRESULT CALLBACK InstanceProc(void* Object, UINT Msg, WPARAM WParam, LPARAM LParam);
    void HookedWndProc(TMessage& Message);
    // Hands the bare window's procedure on to a pass-through that outlives the adapter.
    void LeaveForwarder();

    TWindowProcHook FHook;
    bool FReleased = false;
    int FCalls = 0;
};

// Deletes an adapter after its destruction steps, so that overridden RestoreStdParams still runs.
struct TacAdapterDelete {
    void operator()(TacMainWnd* Adapter) const;
};
template <class T>
using TacAdapterPtr = std::unique_ptr<T, TacAdapterDelete>;

// Makes an adapter of class T on AHandle (see TacMainWnd::Init).
template <class T>
TacAdapterPtr<T> CreateAdapter(HWND AHandle, TsCommonData* ASkinData, TsSkinManager* ASkinManager,
                               const std::string& SkinSection, bool Repaint) {
    static_assert(std::is_base_of_v<TacMainWnd, T>, "adapters derive from TacMainWnd");
    TacAdapterPtr<T> adapter(new T());
    adapter->Init(AHandle, ASkinData, ASkinManager, SkinSection, Repaint);
    return adapter;
}

// --- shared operations ---

// The first windowed control among Owner's components (depth first: each component's own before the next) whose
// window is Handle; nil when none.
TWinControl* FindControlByHandle(HWND Handle, TComponent* Owner);
// The adapter kept in the window's "ACSBSC" property, nil when none.
TacMainWnd* GetAdapterOfWnd(HWND Wnd);
// Screen rectangle, parent, parent's screen rectangle, size and the offset in the parent, less the client offset
// that the parent gives through skin command 61.
void GetWndOffsetInParent(HWND Wnd, HWND& ParentWnd, TRect& WndRect, TPoint& WndPos, TSize& WndSize,
                          TRect& ParentRect);
// Where the client area of Wnd lies inside its window rectangle.
TPoint ClientOffsetInWindow(HWND Wnd);
// The top-level window's answer to skin command 25.
LRESULT SendToTopParent(HWND Wnd);
// Full: the frame is recalculated (SWP_FRAMECHANGED); else only repainted (WM_NCPAINT).
void RefreshFrame(HWND Wnd, bool Full);
// Paints the section over the parent's background into the skin data's cache bitmap, when its background changed.
// SolidBG leaves the centre of the border mask unfilled, or paints the window colour when the skin has one global
// colour.
void PrepareAdapterCache(TsCommonData* SkinData, HWND Wnd, bool SolidBG);
// Draws the border mask in State into the cache and lets the parent's background show through its transparent
// ($FF00FF) pixels.
void PaintParentBG(TsCommonData* SkinData, int State, TacMainWnd* Adapter);
// Gives Wnd's procedure back (once) and, with FreeIt, frees the adapter and clears Adapter.
void UninitializeAdapter(HWND Wnd, bool FreeIt, bool Repaint, TacMainWnd*& Adapter);
template <class T>
void UninitializeAdapter(HWND Wnd, bool FreeIt, bool Repaint, TacAdapterPtr<T>& Adapter) {
    TacMainWnd* raw = Adapter.get();
    UninitializeAdapter(Wnd, false, Repaint, raw);
    if (FreeIt)
        Adapter.reset();
}
