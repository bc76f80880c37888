#pragma once
// The points at which form skinning (a form's skin provider, the menu painter and the dialog hook) plugs into the
// skin engine. The engine is built first and reaches those only through what is declared here; the form-skinning
// units derive from these classes and register themselves.
#include "classlib/runtime/Component.h"
#include "classlib/visual/Graphics.h"
#include "classlib/runtime/Messages.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

class TMenuItem;
class TsCommonData;
class TsSkinManager;

// What the engine needs of a form's skin provider (TsSkinProvider derives from it). A form answers skin command 4
// with its provider as this class, through ProviderAnswer.
class TacSkinProviderBase : public TComponent {
    CLASS_INFO(TacSkinProviderBase, TComponent)
public:
    using TComponent::TComponent;
    // The provider's skin state; its manager is the manager the form is skinned by.
    virtual TsCommonData* SkinData() const = 0;
    // The skin-message handler that FindSkinProvider hands a message to.
    virtual void HandleSkinMessage(TMessage& Message) = 0;
    // Measures again the transparent corners that the window region leaves out.
    virtual void PrepareRegionRects() = 0;
    // Gives the form its skin region (Redraw: redraw what the change uncovers).
    virtual void UpdateFormRegion(bool Redraw) = 0;
    // A new region of the form's skinned shape with its top-left corner at (X, Y); the caller deletes it.
    virtual HRGN CreateSkinRegion(int X, int Y) = 0;
    // Paints the form's menu line under a menu-bar item into R of Bmp; ItemRect is where the item lies in the
    // form's window. By default the section "MENULINE" of the provider's manager; a provider that composes the
    // menu line into its frame picture copies it from there.
    virtual void PaintMenuLineBackground(TBitmap* Bmp, const TRect& R, const TRect& ItemRect);
    // The form shows a close button, so its system menu shows the close item. By default when the form that owns
    // the provider has biSystemMenu in BorderIcons.
    virtual bool ShowCloseButton() const;
};

// The answer to skin command 4 that names Provider, and the provider an answer names (nil for 0).
inline LRESULT ProviderAnswer(TacSkinProviderBase* Provider) { return reinterpret_cast<LRESULT>(Provider); }
inline TacSkinProviderBase* ProviderOfAnswer(LRESULT Answer) {
    return reinterpret_cast<TacSkinProviderBase*>(Answer);
}
// The provider of the form whose window this is (its answer to skin command 4), nil for none.
TacSkinProviderBase* GetWndProvider(HWND Wnd);

// The menu painter that a skin manager owns (TsSkinableMenus derives from it).
class TacMenuPainter : public TPersistent {
    CLASS_INFO(TacMenuPainter, TPersistent)
public:
    // Switches the owner-drawn menus of the application on or off as the manager's skin state says.
    virtual void UpdateMenus() = 0;
    // Forgets the measured width of the popup border, so that the next popup measures it on the new skin.
    virtual void ResetSkinBorderWidth() = 0;
    // The background composed for the popup menu being shown, nil while there is none.
    virtual TBitmap* PopupBackground() = 0;
    // Takes over a popup menu window, giving it Bitmap as its background and the skin's region.
    virtual void HookPopupWnd(TBitmap* Bitmap, HWND Wnd) = 0;
    // Forgets the popup being shown: its first item, its composed background and its extra line. A popup-menu
    // window that goes calls it.
    virtual void ClearMenuCache() {}
};

// Makes the menu painter of a new manager; the menu unit registers one. Without one a manager has no painter.
using TacMenuPainterFactory = std::function<std::unique_ptr<TacMenuPainter>(TsSkinManager* Manager)>;
void RegisterMenuPainter(TacMenuPainterFactory Factory);
std::unique_ptr<TacMenuPainter> CreateMenuPainter(TsSkinManager* Manager);

// The dialog hook's work behind the thread CBT hook that the default manager installs (the dialog unit derives
// from it and registers one).
class TacDialogHook {
public:
    virtual ~TacDialogHook() = default;
    // The hook was put in place: the list of hooked windows is made when missing.
    virtual void HookInstalled() = 0;
    // The hook is being taken away: the menu-window adapters and every hooked-window object go, with their list.
    virtual void HookRemoved() = 0;
    // One CBT notification (HCBT_CREATEWND, HCBT_DESTROYWND, HCBT_ACTIVATE ...), after the next hook has had it.
    virtual void Notify(int Code, WPARAM WParam, LPARAM LParam) = 0;
};
// Registers the dialog hook (nil takes it away again); the registrant keeps it alive.
void RegisterDialogHook(TacDialogHook* Hook);
TacDialogHook* RegisteredDialogHook();

// The thread CBT hook procedure: passes every notification on, then to the registered dialog hook.
LRESULT CALLBACK CBTHookProc(int Code, WPARAM WParam, LPARAM LParam);

// The menu painter's settings for the vertical extra line of popup menus; a skin manager publishes them.
class TacMenuSupport : public TPersistent {
    CLASS_INFO(TacMenuSupport, TPersistent)
public:
    TacMenuSupport();
    ~TacMenuSupport() override;
    void Assign(TPersistent* Source) override;

    // The section of the glyph column ("ICOLINE" when the manager is loaded with none).
    const std::string& IcoLineSkin() const { return FIcoLineSkin; }
    void SetIcoLineSkin(const std::string& Value) { FIcoLineSkin = Value; }
    bool UseExtraLine() const { return FUseExtraLine; }
    void SetUseExtraLine(bool Value) { FUseExtraLine = Value; }
    int ExtraLineWidth() const { return FExtraLineWidth; }
    void SetExtraLineWidth(int Value) { FExtraLineWidth = Value; }
    TFont* ExtraLineFont() const { return FExtraLineFont.get(); }
    void SetExtraLineFont(TFont* Value) { FExtraLineFont->Assign(Value); }

private:
    std::string FIcoLineSkin;
    bool FUseExtraLine = false;
    int FExtraLineWidth = 32;
    std::unique_ptr<TFont> FExtraLineFont;
};

// Asked by the menu painter for the extra line of a popup whose first item is FirstItem: its section, caption,
// glyph (the painter owns whatever bitmap is left there) and whether it shows.
using TacGetExtraLineData = std::function<void(TMenuItem* FirstItem, std::string& SkinSection, std::string& Caption,
                                               std::unique_ptr<TBitmap>& Glyph, bool& LineVisible)>;
