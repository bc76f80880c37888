#pragma once
// The system menu of a skinned form: a popup menu of the class library with the six standard commands, painted by
// the skinned menus, shown and hidden after the form's state, with an optional submenu that chooses the skin.
#include "classlib/visual/Menus.h"

#include <string>

class TCustomForm;
class TacSkinProviderBase;

// The captions of the system menu.
extern const char* const acsRestore;
extern const char* const acsMove;
extern const char* const acsSize;
extern const char* const acsMinimize;
extern const char* const acsMaximize;
extern const char* const acsClose;
extern const char* const acsAvailSkins;

class TsSystemMenu : public TPopupMenu {
    CLASS_INFO(TsSystemMenu, TPopupMenu)
public:
    // The menu is owned by the provider of the form whose system menu it is.
    explicit TsSystemMenu(TacSkinProviderBase* AOwner);

    // The provider that owns the menu, and its form (set by the provider).
    TacSkinProviderBase* FOwner;
    TCustomForm* Form = nullptr;
    TMenuItem* ItemRestore;
    TMenuItem* ItemMove;
    TMenuItem* ItemSize;
    TMenuItem* ItemMinimize;
    TMenuItem* ItemMaximize;
    TMenuItem* ItemClose;

    // Shows, hides, enables and disables the items after the form's state.
    void UpdateItems();
    // Builds the skin submenu from the skins the form's manager finds (nothing without a manager or skins).
    void MakeSkinItems();

    // The rules, also read by the provider for its title buttons.
    bool EnabledMax() const;
    bool EnabledMin() const;
    bool EnabledMove() const;
    bool EnabledRestore() const;
    bool EnabledSize() const;
    bool VisibleClose() const;
    bool VisibleMax() const;
    bool VisibleMin() const;
    bool VisibleRestore() const;
    bool VisibleSize() const;

private:
    TMenuItem* AddItem(const std::string& Caption, const std::string& Name, int Tag);
    void SendCommand(WPARAM Command);
    void RestoreClick(TObject* Sender);
    void MinimizeClick(TObject* Sender);
    void MaximizeClick(TObject* Sender);
    void SkinClick(TObject* Sender);
    bool IsMDIChild() const;
    bool CloseFlag() const;
};

// The system menu of a standard dialog skinned by the dialog adapter: the same six commands, sent to the dialog
// window, shown after the window's kind and the style it had before the adapter took WS_SYSMENU out.
class TacSystemMenu : public TPopupMenu {
    CLASS_INFO(TacSystemMenu, TPopupMenu)
public:
    explicit TacSystemMenu(TComponent* AOwner);

    // Set by the dialog adapter: the dialog window, its kind and the style it was created with.
    HWND DlgWnd = nullptr;
    int Kind = 0;
    LONG_PTR StoredStyle = 0;
    TMenuItem* miRestore;
    TMenuItem* miMove;
    TMenuItem* miSize;
    TMenuItem* miMinimize;
    TMenuItem* miMaximize;
    TMenuItem* miClose;

    void UpdateItems();

private:
    TMenuItem* AddItem(const std::string& Caption, const std::string& Name, WPARAM Command);
};
