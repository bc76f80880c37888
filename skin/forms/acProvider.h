#pragma once
// The dialog hook: from the thread CBT hook of the default skin manager, windows that the application did not
// prepare for skinning get skinned as they are created or activated. Standard dialogs ("#32770") and the class
// library's message dialogs get a dialog adapter and their child windows the control adapters by window class,
// forms without a skin provider get one, and popup-menu windows get the menu-window adapter.
#include "acDialogWnd.h"

#include "skin/adapters/acMnuWnd.h"
#include "skin/adapters/acSBUtils.h"

#include "classlib/runtime/Component.h"

#include <windows.h>

#include <string>
#include <vector>

class TCustomForm;
class TsSkinProvider;

// One hooked window: a form given a skin provider, or a dialog with its dialog adapter and child adapters.
class TacProvider : public TComponent {
    CLASS_INFO(TacProvider, TComponent)
public:
    explicit TacProvider(TComponent* AOwner);
    ~TacProvider() override;

    // Gives Form a skin provider of its own (owned by the form).
    void InitForm(TCustomForm* Form);
    // Skins the dialog Wnd and its children; false when a child could not be adapted (the dialog stays unskinned).
    bool InitDialogWindow(HWND Wnd);
    // Gives one child window of the dialog its adapter by window class; false ends the skinning of the dialog.
    bool AdaptChildWindow(HWND Wnd);
    // Adapts every descendant of the dialog that has no adapter yet (children before their parent); false when one
    // could not be.
    bool AdaptChildren();

    // The dialog with WS_EX_LEFTSCROLLBAR.
    bool LeftScroll = false;
    HWND DlgWnd = nullptr;
    TsSkinProvider* SkinProvider = nullptr;
    TacAdapterPtr<TacDialogWnd> DialogWnd;
    std::vector<TacAdapterPtr<TacMainWnd>> ChildAdapters;

private:
    void AttachDialogWnd(HWND Wnd);
};

// The hooked windows, in the order they were hooked; released ones leave a nil slot.
std::vector<TacProvider*>& acProviders();
// The menu-window adapters made for popup menus.
std::vector<TacAdapterPtr<TacMnuWnd>>& acMenuWnds();
// Frees the menu-window adapters.
void ClearMenuWnds();
// Skins Wnd when it qualifies; true when a provider was made.
bool HookActivateWindow(HWND Wnd);
// Frees the providers whose dialog window is gone, the adapters of dialog children and popup menus that went, as
// far as none of them is inside its window procedure; true when some wait for that.
bool ReleaseClosedProviders();
// Runs ReleaseClosedProviders from the thread's message loop, once the window being destroyed now is gone.
void ScheduleRelease();
// The first provider whose dialog is Wnd, nil for none.
TacProvider* FindProviderByHandle(HWND Wnd);
// The form of the class library whose window is Wnd (MDI children included), nil for none.
TCustomForm* FindFormByHandle(HWND Wnd);
// Providers whose dialog adapter exists and whose window is visible.
int VisibleProviderCount();
// Whether a descendant of Wnd has the class name Name (lower case).
bool HasChildOfClass(HWND Wnd, const std::string& Name);
// The window class name of Wnd.
std::string GetWndClassName(HWND Wnd);
// The window's text as wide text, whatever the code page holds of it.
std::wstring GetWndTextW(HWND Wnd);
// The screen position that skinned dialogs are moved to; -1 leaves them where the system puts them.
extern int acDialogPosX, acDialogPosY;
// The style of the last dialog prepared.
extern LONG_PTR acLastDialogStyle;

// Referenced by units that need the dialog hook registered with the skin engine, so that a static link keeps it.
void acUseDialogHook();
