#include "acProvider.h"

#include "sSkinProvider.h"

#include "skin/adapters/acButtonWnds.h"
#include "skin/adapters/acCheckBoxWnds.h"
#include "skin/adapters/acComboWnd.h"
#include "skin/adapters/acEditWnd.h"
#include "skin/adapters/acListViewWnd.h"
#include "skin/adapters/acPanelWnds.h"
#include "skin/adapters/acStaticWnds.h"
#include "skin/adapters/acTabWnds.h"
#include "skin/adapters/acToolBarWnds.h"
#include "skin/engine/acSkinHooks.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

#include "classlib/runtime/ExceptionHandler.h"
#include "classlib/runtime/Finally.h"
#include "classlib/visual/Forms.h"

#include <algorithm>
#include <cctype>

int acDialogPosX = -1, acDialogPosY = -1;
LONG_PTR acLastDialogStyle = 0;

namespace {

std::string Lower(std::string Text) {
    std::transform(Text.begin(), Text.end(), Text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return Text;
}

bool IsSkinnedWnd(HWND Wnd) {
    return Wnd && GetSkinCmdBool(Wnd, scIsSkinned);
}

// Visits the descendants of Parent, each window's own children before the window, siblings in Z order; stops at
// the first visit that returns false.
template <class F>
bool VisitDescendants(HWND Parent, F&& Visit) {
    for (HWND child = GetTopWindow(Parent); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!VisitDescendants(child, Visit))
            return false;
        if (!Visit(child))
            return false;
    }
    return true;
}

// Whether any adapter of the provider is inside its window procedure: it cannot be freed under its own feet.
bool ProviderInCall(const TacProvider* Provider) {
    if (Provider->DialogWnd && Provider->DialogWnd->InCall())
        return true;
    return std::any_of(Provider->ChildAdapters.begin(), Provider->ChildAdapters.end(),
                       [](const auto& a) { return a->InCall(); });
}

// A dialog provider with nothing left to do: its dialog adapter gave the window back, or its window is gone.
bool ProviderClosed(const TacProvider* Provider) {
    if (Provider->SkinProvider)
        return false;
    if (Provider->DialogWnd && Provider->DialogWnd->Destroyed)
        return true;
    return Provider->DlgWnd && !IsWindow(Provider->DlgWnd);
}

// Adapters whose window went while the window they belong to stays; none of them is inside its procedure.
template <class T>
bool DropClosedAdapters(std::vector<TacAdapterPtr<T>>& Adapters) {
    bool waiting = false;
    Adapters.erase(std::remove_if(Adapters.begin(), Adapters.end(),
                                  [&](const auto& a) {
                                      if (!a->Destroyed)
                                          return false;
                                      waiting = waiting || a->InCall();
                                      return !a->InCall();
                                  }),
                   Adapters.end());
    return waiting;
}

UINT_PTR ReleaseTimer = 0;

void CALLBACK ReleaseTick(HWND, UINT, UINT_PTR Id, DWORD) {
    KillTimer(nullptr, Id);
    if (Id == ReleaseTimer)
        ReleaseTimer = 0;
    RunGuarded([] {
        if (ReleaseClosedProviders())
            ScheduleRelease();
    });
}

void FreeProvider(size_t Index) {
    std::vector<TacProvider*>& list = acProviders();
    TacProvider* provider = list[Index];
    list[Index] = nullptr;
    provider->Free();
}

}  // namespace

void ScheduleRelease() {
    // A thread timer reaches every message loop of the thread, a dialog's or a menu's own modal loop included.
    if (!ReleaseTimer)
        ReleaseTimer = SetTimer(nullptr, 0, 0, ReleaseTick);
}

namespace {

// The dialog hook's work, registered with the skin engine.
class TacDialogHookImpl : public TacDialogHook {
public:
    void HookInstalled() override {}
    void HookRemoved() override {
        ClearMenuWnds();
        std::vector<TacProvider*>& list = acProviders();
        // A provider's destructor clears its own slot: every slot is read again.
        for (size_t i = 0; i < list.size(); ++i)
            if (list[i])
                FreeProvider(i);
        list.clear();
    }
    void Notify(int Code, WPARAM WParam, LPARAM) override {
        switch (Code) {
        case HCBT_CREATEWND: {
            auto wnd = reinterpret_cast<HWND>(WParam);
            if (!DefaultManager || acDwmAvailable())
                return;
            if (GetWndClassName(wnd) == "#32768" && !IsSkinnedWnd(wnd))
                acMenuWnds().push_back(CreateAdapter<TacMnuWnd>(wnd, nullptr, DefaultManager, "MAINMENU", false));
            return;
        }
        case HCBT_DESTROYWND:
            ReleaseClosedProviders();
            // The window that goes now still has its adapters: they are released once its destruction is over.
            ScheduleRelease();
            return;
        case HCBT_ACTIVATE:
            HookActivateWindow(reinterpret_cast<HWND>(WParam));
            return;
        default:
            return;
        }
    }
};

TacDialogHookImpl DialogHookImpl;

const bool DialogHookRegistered = [] {
    RegisterDialogHook(&DialogHookImpl);
    return true;
}();

// The hooked windows and the menu-window adapters, freed when the library goes (the menus first).
struct THookedWindows {
    std::vector<TacProvider*> Providers;
    std::vector<TacAdapterPtr<TacMnuWnd>> Menus;
    ~THookedWindows() {
        Menus.clear();
        while (!Providers.empty()) {
            TacProvider* provider = Providers.front();
            Providers.erase(Providers.begin());
            if (provider)
                provider->Free();
        }
    }
};

THookedWindows& HookedWindows() {
    static THookedWindows windows;
    return windows;
}

}  // namespace

void acUseDialogHook() { (void)DialogHookRegistered; }

std::vector<TacProvider*>& acProviders() {
    return HookedWindows().Providers;
}

std::vector<TacAdapterPtr<TacMnuWnd>>& acMenuWnds() {
    return HookedWindows().Menus;
}

void ClearMenuWnds() { acMenuWnds().clear(); }

std::string GetWndClassName(HWND Wnd) {
    char name[128] = {};
    int length = GetClassNameA(Wnd, name, sizeof name);
    return std::string(name, static_cast<size_t>(std::max(length, 0)));
}

std::wstring GetWndTextW(HWND Wnd) {
    int length = GetWindowTextLengthW(Wnd);
    if (length <= 0)
        return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int got = GetWindowTextW(Wnd, text.data(), length + 1);
    text.resize(static_cast<size_t>(std::max(got, 0)));
    return text;
}

TacProvider* FindProviderByHandle(HWND Wnd) {
    for (TacProvider* provider : acProviders())
        if (provider && provider->DlgWnd == Wnd)
            return provider;
    return nullptr;
}

TCustomForm* FindFormByHandle(HWND Wnd) {
    if (!Screen || !Wnd)
        return nullptr;
    for (int i = 0; i < Screen->FormCount(); ++i) {
        TCustomForm* form = Screen->Forms(i);
        if (form->HandleAllocated() && form->Handle() == Wnd)
            return form;
        if (form->FormStyle() != fsMDIForm)
            continue;
        for (int k = 0; k < form->MDIChildCount(); ++k) {
            TCustomForm* child = form->MDIChildren(k);
            if (child->HandleAllocated() && child->Handle() == Wnd)
                return child;
        }
    }
    return nullptr;
}

int VisibleProviderCount() {
    int count = 0;
    for (TacProvider* provider : acProviders())
        if (provider && provider->DialogWnd && IsWindowVisible(provider->DlgWnd))
            ++count;
    return count;
}

bool HasChildOfClass(HWND Wnd, const std::string& Name) {
    for (HWND child = GetTopWindow(Wnd); child; child = GetWindow(child, GW_HWNDNEXT))
        if (HasChildOfClass(child, Name) || Lower(GetWndClassName(child)) == Name)
            return true;
    return false;
}

bool ReleaseClosedProviders() {
    std::vector<TacProvider*>& list = acProviders();
    bool waiting = false;
    // Every dialog whose adapter gave its window back goes, whatever its frame kind: a message box (a modal frame)
    // would otherwise keep its adapters until the skin is removed.
    for (size_t i = 0; i < list.size(); ++i) {
        TacProvider* provider = list[i];
        if (!provider || provider->SkinProvider)
            continue;
        if (!ProviderClosed(provider)) {
            // Children that went while their dialog stays (re-adapted ones, controls a dialog removed).
            waiting = DropClosedAdapters(provider->ChildAdapters) || waiting;
            continue;
        }
        if (ProviderInCall(provider)) {
            waiting = true;
            continue;
        }
        FreeProvider(i);
    }
    // One popup after another must not pile up adapters (each holds a skin state and a bitmap).
    waiting = DropClosedAdapters(acMenuWnds()) || waiting;
    return waiting;
}

bool HookActivateWindow(HWND Wnd) {
    if (!Wnd || IsSkinnedWnd(Wnd) || !DefaultManager || FindProviderByHandle(Wnd))
        return false;
    TCustomForm* form = FindFormByHandle(Wnd);
    std::string className = GetWndClassName(Wnd);
    if (className == "TApplication" || className == "TQRStandardPreview")
        return false;
    TacSkinningRules rules = DefaultManager->SkinningRules();
    if (form) {
        if (className == "TMessageForm" ? !rules.Contains(srStdDialogs)
                                        : !rules.Contains(srStdForms) || form->Tag() == -98)
            return false;
        auto* provider = new TacProvider(form);
        acProviders().push_back(provider);
        provider->InitForm(form);
        return true;
    }
    if (!rules.Contains(srStdDialogs))
        return false;
    // Only dialogs are skinned here: a provider for any other window would do nothing and never be released.
    if (className != "#32770" && className != "TMessageForm")
        return false;
    // Over a skinned dialog only dialogs with a tool bar (the file dialogs) are skinned.
    if (VisibleProviderCount() > 0 && !HasChildOfClass(Wnd, "toolbarwindow32"))
        return false;
    auto* provider = new TacProvider(nullptr);
    acProviders().push_back(provider);
    // A provider that got no dialog adapter (no active skin) would only hold the slot: it goes at once.
    if (!provider->InitDialogWindow(Wnd) || !provider->DialogWnd)
        provider->Free();
    return true;
}

// --- TacProvider ---

TacProvider::TacProvider(TComponent* AOwner) : TComponent(AOwner) {}

TacProvider::~TacProvider() {
    std::vector<TacProvider*>& list = acProviders();
    std::replace(list.begin(), list.end(), this, static_cast<TacProvider*>(nullptr));
    if (SkinProvider)
        return;
    // Children first: their adapters ask the dialog for its background while they go.
    while (!ChildAdapters.empty())
        ChildAdapters.pop_back();
    DialogWnd.reset();
}

void TacProvider::InitForm(TCustomForm* Form) {
    SkinProvider = new TsSkinProvider(Form);
    SkinProvider->SetMakeSkinMenu(false);
    SkinProvider->AfterConstruction();
    // The form is being shown already: what the system drew of its frame is painted again, skinned.
    if (Form->HandleAllocated())
        RedrawWindow(Form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void TacProvider::AttachDialogWnd(HWND Wnd) {
    LoadFlatSBProcs();
    if (DefaultManager && DefaultManager->Active()) {
        if (acUninitializeFlatSB)
            acUninitializeFlatSB(Wnd);
        if (DialogWnd && DialogWnd->Destroyed)
            DialogWnd.reset();
        if (!DialogWnd)
            DialogWnd = CreateAdapter<TacDialogWnd>(Wnd, nullptr, DefaultManager, "DIALOG", false);
        DialogWnd->Provider = this;
        return;
    }
    DialogWnd.reset();
    if (acInitializeFlatSB)
        acInitializeFlatSB(Wnd);
}

bool TacProvider::InitDialogWindow(HWND Wnd) {
    DlgWnd = Wnd;
    if (DialogWnd || !DefaultManager || !DefaultManager->Active())
        return true;
    acLastDialogStyle = GetWindowLongPtrA(Wnd, GWL_STYLE);
    LeftScroll = (GetWindowLongPtrA(Wnd, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) != 0;
    std::string className = GetWndClassName(Wnd);
    if (className != "#32770" && className != "TMessageForm")
        return true;
    AttachDialogWnd(Wnd);
    if (acDialogPosX != -1 || acDialogPosY != -1)
        SetWindowPos(Wnd, nullptr, acDialogPosX, acDialogPosY, 0, 0,
                     SWP_NOSIZE | SWP_NOREDRAW | SWP_NOOWNERZORDER);
    if (!AdaptChildren()) {
        std::vector<TacProvider*>& list = acProviders();
        std::replace(list.begin(), list.end(), this, static_cast<TacProvider*>(nullptr));
        return false;
    }
    DialogWnd->InitTitle();
    SendSkinCmdToHandle(Wnd, scNewSkin, reinterpret_cast<LPARAM>(DefaultManager));
    // The system may have drawn the frame before the adapter came: everything is painted again, skinned.
    RedrawWindow(Wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    return true;
}

bool TacProvider::AdaptChildren() {
    if (!DlgWnd)
        return true;
    return VisitDescendants(DlgWnd, [this](HWND Child) {
        return (GetWindowLongPtrA(Child, GWL_STYLE) & WS_CHILD) == 0 || AdaptChildWindow(Child);
    });
}

bool TacProvider::AdaptChildWindow(HWND Wnd) {
    if (!Wnd || IsSkinnedWnd(Wnd))
        return true;
    TsSkinManager* manager = DialogWnd && DialogWnd->SkinData ? DialogWnd->SkinData->SkinManager() : DefaultManager;
    acDlgMode = true;
    auto modeOff = Finally([] { acDlgMode = false; });
    std::string name = Lower(GetWndClassName(Wnd));
    LONG_PTR style = GetWindowLongPtrA(Wnd, GWL_STYLE);
    TacAdapterPtr<TacMainWnd> adapter;
    auto make = [&](auto* Kind, const char* Section) {
        using T = std::remove_pointer_t<decltype(Kind)>;
        adapter = CreateAdapter<T>(Wnd, nullptr, manager, Section, true);
    };
    if (name == "static") {
        // The exact static types: frames and the colour dialog's plain areas are no icons, and rectangles,
        // owner-drawn statics and metafiles are left alone.
        LONG_PTR type = style & SS_TYPEMASK;
        if (type == SS_ICON || type == SS_BITMAP)
            make(static_cast<TacIconWnd*>(nullptr), "CHECKBOX");
        else if (type != SS_GRAYRECT && type != SS_WHITERECT && type != SS_OWNERDRAW && type != SS_ENHMETAFILE)
            make(static_cast<TacStaticWnd*>(nullptr), "CHECKBOX");
    } else if (name == "#32770" || name.find("shbrowseforfolder") != std::string::npos) {
        make(static_cast<TacTransPanelWnd*>(nullptr), "CHECKBOX");
    } else if (name == "tpanel" || name == "tsilentpaintpanel") {
        make(static_cast<TacDlgPanelWnd*>(nullptr), "PANEL");
    } else if (name == "button") {
        // By the exact button type: an owner-drawn button draws itself and gets no adapter.
        LONG_PTR type = style & BS_TYPEMASK;
        if (type == BS_GROUPBOX)
            make(static_cast<TacGroupBoxWnd*>(nullptr), "GROUPBOX");
        else if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON || type == BS_3STATE ||
                 type == BS_AUTO3STATE || type == BS_AUTORADIOBUTTON)
            make(static_cast<TacCheckBoxWnd*>(nullptr), "CHECKBOX");
        else if (type != BS_OWNERDRAW)
            make(static_cast<TacBtnWnd*>(nullptr), "BUTTON");
    } else if (name == "combobox" || name == "comboboxex32") {
        make(static_cast<TacComboBoxWnd*>(nullptr), "COMBOBOX");
    } else if (name == "combolbox") {
        make(static_cast<TacEditWnd*>(nullptr), "COMBOBOX");
    } else if (name == "scrollbar") {
        make(static_cast<TacSizerWnd*>(nullptr), "CHECKBOX");
    } else if (name == "systabcontrol32") {
        if (style & TCS_OWNERDRAWFIXED)
            return true;
        RECT r{};
        GetWindowRect(Wnd, &r);
        // A tab control of exactly this size belongs to a dialog that the skin cannot show: it stays as it is.
        if (r.right - r.left == 470 && r.bottom - r.top == 349)
            return false;
        make(static_cast<TacTabControlWnd*>(nullptr), "PAGECONTROL");
    } else if (name == "syslistview32") {
        make(static_cast<TacListViewWnd*>(nullptr), "EDIT");
    } else if (name == "msctls_updown32") {
        // The spin adapter starts unpressed: a press that no button made would show the half under the mouse held
        // down until the first release.
        make(static_cast<TacSpinWnd*>(nullptr), "SPEEDBUTTON_SMALL");
    } else if (name == "listbox" || name == "edit") {
        make(static_cast<TacEditWnd*>(nullptr), "EDIT");
    } else if (name == "systreeview32") {
        make(static_cast<TacTreeViewWnd*>(nullptr), "EDIT");
    } else if (name == "link window" || name == "syslink") {
        make(static_cast<TacLinkWnd*>(nullptr), "CHECKBOX");
    } else if (name == "toolbarwindow32") {
        // Flat by the style's own flag (TBSTYLE_FLAT, 0x800): the file dialogs' flat tool bars get the bar section.
        make(static_cast<TacToolBarWnd*>(nullptr), (style & TBSTYLE_FLAT) ? "BAR" : "CHECKBOX");
    }
    if (!adapter)
        return true;
    if (dynamic_cast<TacEditWnd*>(adapter.get()))
        adapter->DlgMode = true;
    GetWndOffsetInParent(Wnd, adapter->ParentWnd, adapter->WndRect, adapter->WndPos, adapter->WndSize,
                         adapter->ParentRect);
    ChildAdapters.push_back(std::move(adapter));
    return true;
}
