#pragma once
// Menus: the tree of menu items behind main menus and popup menus, built into the system's menu handles,
// owner drawn when asked, with shortcuts and their text.
#include "classlib/runtime/Component.h"
#include "Controls.h"
#include "ImgList.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// A key with its modifiers in one word: the virtual-key code in the low byte, scShift, scCtrl and scAlt above.
using TShortCut = WORD;
constexpr TShortCut scNone = 0, scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000;

TShortCut ShortCut(WORD Key, TShiftState Shift);
void ShortCutToKey(TShortCut ShortCut, WORD& Key, TShiftState& Shift);
// "Ctrl+S", "Shift+Ctrl+F1", "Alt+Enter"; the empty string for scNone.
std::string ShortCutToText(TShortCut ShortCut);
// The shortcut of such a text (case-insensitive); scNone for a text that names no key.
TShortCut TextToShortCut(const std::string& Text);

// The caption without its accelerator marks ("&File" is "File", "&&" is "&").
std::string StripHotkey(const std::string& Caption);
// True when Caption marks Key as its accelerator ("&File" and 'f').
bool IsAccel(WORD Key, const std::string& Caption);
// DrawText in the canvas's font and font colour over what is there (code-page text, drawn as Unicode); captions
// of menu items and controls go through it.
void DrawTextOn(TCanvas* Canvas, const std::string& Text, TRect& Rect, UINT Flags);

// The state of an owner-drawn item, bit for bit the ODS_ flags of the system.
enum TOwnerDrawStateItem {
    odSelected,
    odGrayed,
    odDisabled,
    odChecked,
    odFocused,
    odDefault,
    odHotLight,
    odInactive,
    odNoAccel,
    odNoFocusRect,
    odReserved1,
    odReserved2,
    odComboBoxEdit
};
using TOwnerDrawState = Set<TOwnerDrawStateItem>;

enum TMenuBreak { mbNone, mbBreak, mbBarBreak };
enum TFindItemKind { fkCommand, fkHandle, fkShortCut };

using TMenuMeasureItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height)>;
using TMenuDrawItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, TRect ARect, bool Selected)>;
using TAdvancedMenuDrawItemEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, TRect ARect, TOwnerDrawState State)>;

class TMenu;
class TPopupMenu;

// One entry of a menu: a command, a separator (Caption "-") or, with items of its own, a submenu. An item frees
// its sub-items; its owner (usually the form) frees it.
class TMenuItem : public TComponent {
    CLASS_INFO(TMenuItem, TComponent)
public:
    explicit TMenuItem(TComponent* AOwner);
    ~TMenuItem() override;

    // --- the tree ---
    int Count() const { return static_cast<int>(FItems.size()); }
    // Raises EMenuError for a bad index.
    TMenuItem* Items(int Index) const;
    TMenuItem* Parent() const { return FParent; }
    // The place among the parent's items (hidden ones included); -1 without a parent.
    int MenuIndex() const;
    void SetMenuIndex(int Value);
    int IndexOf(const TMenuItem* Item) const;
    // Raises EMenuError for an item that already has a parent or would contain itself.
    void Add(TMenuItem* Item);
    void Insert(int Index, TMenuItem* Item);
    // Takes the item out without freeing it.
    void Delete(int Index);
    void Remove(TMenuItem* Item);
    // Frees every sub-item.
    void Clear();
    // The sub-item with that caption, ignoring "&" and case.
    TMenuItem* Find(const std::string& ACaption) const;
    // The menu the item's tree hangs in, or nil.
    TMenu* GetParentMenu() const;
    // The image list of the parent menu, or nil.
    TCustomImageList* GetImageList() const;

    // --- what the item shows ---
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    bool Checked() const { return FChecked; }
    // Checking a radio item unchecks the radio items of its GroupIndex among its siblings.
    void SetChecked(bool Value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    // A hidden item has no place in the menu's handle: the positions there count visible items only.
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    bool RadioItem() const { return FRadioItem; }
    void SetRadioItem(bool Value);
    bool Default() const { return FDefault; }
    void SetDefault(bool Value);
    TMenuBreak Break() const { return FBreak; }
    void SetBreak(TMenuBreak Value);
    uint8_t GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(uint8_t Value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut Value);
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& Value) { FHint = Value; }
    // A click toggles Checked first.
    bool AutoCheck() const { return FAutoCheck; }
    void SetAutoCheck(bool Value) { FAutoCheck = Value; }
    // The item's own glyph, made (empty) on first use; a glyph makes the item owner drawn.
    TBitmap* Bitmap();
    void SetBitmap(TBitmap* Value);
    bool HasBitmap() const { return FBitmap && !FBitmap->Empty(); }
    bool IsLine() const { return FCaption == "-"; }

    // The command number of WM_COMMAND, unique in the process for the item's life.
    WORD Command() const { return FCommand; }
    // The submenu's handle, made with every visible sub-item on first use.
    HMENU Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    // True for an item of a main menu's bar.
    bool IsTopLevel() const;

    // Runs OnClick (after AutoCheck) when the item is enabled.
    virtual void Click();
    // The size of an owner-drawn item: its own measure, then OnMeasureItem.
    virtual void MeasureItem(TCanvas* ACanvas, int& Width, int& Height);
    // Paints an owner-drawn item: OnAdvancedDrawItem, else OnDrawItem, else the item's own look.
    virtual void AdvancedDrawItem(TCanvas* ACanvas, TRect ARect, TOwnerDrawState State, bool TopLevel);

    TNotifyEvent OnClick;
    TMenuMeasureItemEvent OnMeasureItem;
    TMenuDrawItemEvent OnDrawItem;
    TAdvancedMenuDrawItemEvent OnAdvancedDrawItem;

protected:
    // The item's look changed: the parent's handle is built anew and the menu told.
    void MenuChanged(bool Rebuild);
    // The sub-items changed: this item's handle and the parent's are built anew and the menu told.
    void ItemsChanged();
    void RebuildHandle();
    void AppendTo(HMENU Menu);
    void DrawItemDefault(TCanvas* ACanvas, TRect ARect, TOwnerDrawState State, bool TopLevel);
    TSize GlyphSize();

private:
    friend class TMenu;
    void TurnSiblingsOff();
    void SetParentMenu(TMenu* Menu) { FMenu = Menu; }
    bool IsOwnerDraw();

    std::string FCaption;
    bool FChecked = false;
    bool FEnabled = true;
    bool FVisible = true;
    bool FRadioItem = false;
    bool FDefault = false;
    bool FAutoCheck = false;
    TMenuBreak FBreak = mbNone;
    uint8_t FGroupIndex = 0;
    int FImageIndex = -1;
    TShortCut FShortCut = scNone;
    std::string FHint;
    std::unique_ptr<TBitmap> FBitmap;
    WORD FCommand = 0;
    HMENU FHandle = nullptr;
    TMenuItem* FParent = nullptr;
    TMenu* FMenu = nullptr;  // set on the root item of a menu
    std::vector<TMenuItem*> FItems;
};

BRIMLET_EXCEPTION(EMenuError, Exception);

// A menu: the root of an item tree, its handle, its images and the look of its items.
class TMenu : public TComponent {
    CLASS_INFO(TMenu, TComponent)
public:
    explicit TMenu(TComponent* AOwner);
    ~TMenu() override;

    // The root item; the menu's entries are its sub-items.
    TMenuItem* Items() const { return FItems; }
    HMENU Handle() { return FItems->Handle(); }
    // When set, every item is drawn by the program (MF_OWNERDRAW): WM_MEASUREITEM and WM_DRAWITEM reach the
    // items' MeasureItem and AdvancedDrawItem.
    bool OwnerDraw() const { return FOwnerDraw; }
    void SetOwnerDraw(bool Value);
    // Images for the items' ImageIndex; items of a menu with images are owner drawn.
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    bool IsRightToLeft() const { return false; }

    // The item whose command, submenu handle or shortcut is Value, anywhere in the tree; nil when none.
    TMenuItem* FindItem(UINT_PTR Value, TFindItemKind Kind) const;
    // Clicks the item with that command; false when the menu has none.
    bool DispatchCommand(WORD ACommand);
    // A submenu is about to open: its item is clicked (so OnClick can fill it); false when not ours.
    bool DispatchPopup(HMENU AHandle);
    // A key press: clicks the enabled item with that shortcut; false when no item has it.
    bool IsShortCut(TMessage& Message);
    // WM_MEASUREITEM or WM_DRAWITEM of one of our items: true when handled.
    bool OwnerDrawMessage(TMessage& Message);

protected:
    // The handle type of the root: a popup menu, or a menu bar for TMainMenu.
    virtual HMENU CreateMenuHandle() { return CreatePopupMenu(); }
    // An item of the tree changed; the default rebuilds nothing more.
    virtual void MenuChanged(TMenuItem* Source, bool Rebuild);
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void RebuildAll();

private:
    friend class TMenuItem;
    TMenuItem* FItems;
    bool FOwnerDraw = false;
    TCustomImageList* FImages = nullptr;
    TChangeLink FImageChangeLink;
};

// The menu bar of a form (TCustomForm::SetMenu).
class TMainMenu : public TMenu {
    CLASS_INFO(TMainMenu, TMenu)
public:
    explicit TMainMenu(TComponent* AOwner);
    bool AutoMerge() const { return FAutoMerge; }
    void SetAutoMerge(bool Value) { FAutoMerge = Value; }

protected:
    HMENU CreateMenuHandle() override { return CreateMenu(); }
    // The forms that show the bar redraw it.
    void MenuChanged(TMenuItem* Source, bool Rebuild) override;

private:
    bool FAutoMerge = false;
};

enum TPopupAlignment { paLeft, paRight, paCenter };
enum TTrackButton { tbRightButton, tbLeftButton };

// A menu that opens at a point (a control's context menu, a tool button's drop-down). Its messages go to a
// hidden window that every popup menu of the program shares.
class TPopupMenu : public TMenu {
    CLASS_INFO(TPopupMenu, TMenu)
public:
    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;
    // Opens the menu at a screen point and returns when it closes; the chosen item's OnClick follows from the
    // message loop, as the system posts the command.
    virtual void Popup(int X, int Y);
    // The control the menu was opened for.
    TComponent* PopupComponent() const { return FPopupComponent; }
    void SetPopupComponent(TComponent* Value) { FPopupComponent = Value; }
    TPopupAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TPopupAlignment Value) { FAlignment = Value; }
    bool AutoPopup() const { return FAutoPopup; }
    void SetAutoPopup(bool Value) { FAutoPopup = Value; }
    TTrackButton TrackButton() const { return FTrackButton; }
    void SetTrackButton(TTrackButton Value) { FTrackButton = Value; }
    // The window that owns every open popup menu and receives its messages.
    static HWND PopupListWindow();

    TNotifyEvent OnPopup;

protected:
    virtual void DoPopup(TObject* Sender);
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TComponent* FPopupComponent = nullptr;
    TPopupAlignment FAlignment = paLeft;
    bool FAutoPopup = true;
    TTrackButton FTrackButton = tbRightButton;
};
