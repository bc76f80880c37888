#pragma once
// TsSkinableMenus: the skin's painter of the class library's menus. It makes main menus and popup menus owner
// drawn, puts its own measure and draw handlers on their items, and takes over the popup-menu windows to give them
// the skin's border, the optional extra line and the region cut from the skin. A skin manager owns one and switches
// it on and off with the skin.
#include "classlib/visual/Graphics.h"
#include "classlib/visual/Menus.h"
#include "classlib/visual/StdCtrls.h"
#include "skin/engine/acSkinHooks.h"
#include "skin/engine/sConst.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

class TsSkinManager;

using TsMenuManagerDrawItemEvent =
    std::function<void(TMenuItem* Item, TCanvas* ACanvas, TRect ARect, TOwnerDrawState State)>;

// What kind of entry an item is, by its caption.
enum TacMenuItemKind { mkDivText = 0, mkSeparator = 1, mkNormal = 2 };
TacMenuItemKind MenuItemKind(const TMenuItem* Item);

class TsSkinableMenus : public TacMenuPainter {
    CLASS_INFO(TsSkinableMenus, TacMenuPainter)
public:
    explicit TsSkinableMenus(TsSkinManager* SkinManager);
    ~TsSkinableMenus() override;

    // --- what the manager asks of its painter ---
    void UpdateMenus() override;
    void ResetSkinBorderWidth() override { FSkinBorderWidth = -1; }
    TBitmap* PopupBackground() override;
    void HookPopupWnd(TBitmap* Bitmap, HWND Wnd) override;
    void ClearMenuCache() override;

    // --- settings ---
    int Margin() const { return FMargin; }
    void SetMargin(int Value) { FMargin = Value; }
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value) { FAlignment = Value; }
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int Value) { FBevelWidth = Value; }
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int Value) { FBorderWidth = Value; }
    // The font of dividers with text.
    TFont* CaptionFont() const { return FCaptionFont.get(); }
    void SetCaptionFont(TFont* Value) { FCaptionFont->Assign(Value); }
    int Spacing() const { return FSpacing; }
    void SetSpacing(int Value) { FSpacing = Value; }
    // The width of the popup border: the border width of "MAINMENU"'s frame image (3 when that says less than 1),
    // 0 when the skin has none; measured again after ResetSkinBorderWidth.
    int SkinBorderWidth();
    TsSkinManager* SkinManager() const { return FSkinManager; }
    bool Active() const { return FActive; }
    // Hooks (or unhooks) every menu of the application when the value changes.
    void SetActive(bool Value);

    TsMenuManagerDrawItemEvent OnDrawItem;
    // The popup opened last is a window's own system menu (told by the form that opens it).
    bool SystemMenuPopup = false;

    // --- hooking ---
    void HookAll();
    void HookMainMenu(TMainMenu* Menu, bool Value);
    void HookPopupMenu(TPopupMenu* Menu, bool Value);
    void HookSubItems(TMenuItem* Item, bool Value);
    void InitItem(bool Value, TMenuItem* Item);

    // --- the item handlers ---
    void MeasureItem(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height);
    virtual void DrawItem(TObject* Sender, TCanvas* ACanvas, TRect ARect, TOwnerDrawState State);
    void MeasureLineItem(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height);
    virtual void DrawLineItem(TObject* Sender, TCanvas* ACanvas, TRect ARect, TOwnerDrawState State);
    // Draws Item of a form's menu line into ARect of ACanvas over the line that Provider gives: the window's DC when
    // the system asks, the form's frame cache when the form composes its frame.
    void ComposeLineItem(TacSkinProviderBase* Provider, TMenuItem* Item, TCanvas* ACanvas, TRect ARect,
                         TOwnerDrawState State);
    // True when the item's handlers are this painter's (popup or menu-bar ones).
    bool IsHooked(const TMenuItem* Item) const;

    // --- measures ---
    static bool IsDivText(const TMenuItem* Item);
    static bool IsTopLineItem(const TMenuItem* Item);
    int GetItemHeight(TMenuItem* Item, TCanvas* ACanvas);
    TSize GetGlyphSize(TMenuItem* Item, bool IsTopLine);
    // The extra line's width when it is used and shows, else 0.
    int ExtraLineWidth();
    // The popup's size from the widths and heights measured for its items (the first item's menu).
    int PopupWidth(TMenuItem* Item);
    int PopupHeight(TMenuItem* Item);
    // The transparent rectangles of the popup being shown, which its region leaves out.
    const TAOR& BorderRects() const { return FBorderRects; }

protected:
    // Composes the popup's background once per popup; Wnd (may be 0) gets it with its region.
    void DrawWndBorder(HWND Wnd, int Width, int Height, TMenuItem* FirstItem);
    void DrawSeparator(TMenuItem* Item, TBitmap* Bmp, const TRect& R);
    void DrawDivText(TMenuItem* Item, TBitmap* Bmp, const TRect& R);

private:
    // Fetches the extra line of the popup whose first item is FirstItem, once per popup.
    void FetchExtraLine(TMenuItem* FirstItem);
    // Gives the canvas the menu font, the parent form's character set and bold for the default item.
    void PrepareFont(TMenuItem* Item, TCanvas* ACanvas);
    int SectionFontColor(const std::string& Section, bool Hot) const;

    int FMargin = 2;
    TAlignment FAlignment = taLeftJustify;
    int FBevelWidth = 0;
    int FBorderWidth = 3;
    std::unique_ptr<TFont> FCaptionFont;
    int FSkinBorderWidth = -1;
    int FSpacing = 6;
    TAOR FBorderRects;
    bool FActive = false;
    TsSkinManager* FSkinManager;
    bool FBusy = false;
};

// The font the skinned menus draw with instead of the screen's menu font; nil (the default) for the screen's.
void SetSkinnedMenuFont(TFont* Font);
TFont* SkinnedMenuFont();

// The skinned popup window's procedure (the previous one is kept in GWLP_USERDATA).
LRESULT CALLBACK PopupWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);

// Keeps the menu painter in a statically linked program: a unit that needs every manager to get the painter
// calls it once.
void acUseSkinableMenus();
