#pragma once
// The common controls: toolbars and their buttons, status bars, tab and page controls and up-down buttons, each a
// comctl32 window under the class library's class name.
#include "classlib/runtime/Collections.h"
#include "Controls.h"
#include "ImgList.h"
#include "classlib/runtime/Lists.h"
#include "Menus.h"
#include "TreeView.h"  // the custom-draw stages and states that every NM_CUSTOMDRAW control shares

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TToolBar;
class TCustomTabControl;
class TPageControl;

// --- custom drawing ---

// The custom-draw stage and item state of an NM_CUSTOMDRAW notification in the class library's terms.
TCustomDrawStage CustomDrawStageOf(DWORD DrawStage);
TCustomDrawState CustomDrawStateOf(UINT ItemState);

// --- toolbars ---

// Posted by a toolbar to itself when the drop-down menu of one of its buttons has closed; WParam is the button's
// index. Whoever paints the buttons hears of it through the toolbar's WindowProc.
constexpr UINT CN_DROPDOWNCLOSED = CM_BASE + 0x200;

enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

// A button of a toolbar. The toolbar window draws and presses it; the button object is a windowless child of the
// bar at the place the bar gives it, so it has its own hint and mouse events. On a bar, Left and Top follow the
// bar's layout; before a button is put on a bar, its Left decides where it goes (a new button, at 0, goes in front).
class TToolButton : public TGraphicControl {
    CLASS_INFO(TToolButton, TGraphicControl)
public:
    explicit TToolButton(TComponent* AOwner);
    ~TToolButton() override;

    // The bar the button sits on (its parent), or nil.
    TToolBar* ToolBar() const;
    // The button's place on its bar, -1 off a bar.
    int Index() const;

    TToolButtonStyle Style() const { return FStyle; }
    void SetStyle(TToolButtonStyle Value);
    // Shown pressed; a check-style button toggles it when clicked, before OnClick.
    bool Down() const { return FDown; }
    void SetDown(bool Value);
    // A grouped check button going down puts the others of its group (the check buttons around it that are
    // grouped too) up; the last one down stays down unless AllowAllUp.
    bool Grouped() const { return FGrouped; }
    void SetGrouped(bool Value);
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool Value) { FAllowAllUp = Value; }
    // Highlighted.
    bool Marked() const { return FMarked; }
    void SetMarked(bool Value);
    bool Indeterminate() const { return FIndeterminate; }
    void SetIndeterminate(bool Value);
    // The button is as wide as its image and caption need instead of the bar's ButtonWidth.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    // The image of the bar's image lists; -1 for none.
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    // The menu a drop-down button opens under its arrow.
    TPopupMenu* DropdownMenu() const { return FDropdownMenu; }
    void SetDropdownMenu(TPopupMenu* Value);

    // Only the width of a separator is the button's own; the bar places the others.
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Dispatch(TMessage& Message) override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TToolBar;
    bool IsSeparator() const { return FStyle == tbsSeparator || FStyle == tbsDivider; }
    void Changed(bool layout);
    TToolButtonStyle FStyle = tbsButton;
    bool FDown = false;
    bool FGrouped = false;
    bool FAllowAllUp = false;
    bool FMarked = false;
    bool FIndeterminate = false;
    bool FAutoSize = false;
    int FImageIndex = -1;
    TPopupMenu* FDropdownMenu = nullptr;
};

enum TTBCustomDrawFlag { tbNoEdges, tbHiliteHotTrack, tbNoOffset, tbNoMark, tbNoEtchedEffect };
using TTBCustomDrawFlags = Set<TTBCustomDrawFlag>;

using TTBAdvancedCustomDrawEvent =
    std::function<void(TToolBar* Sender, const TRect& ARect, TCustomDrawStage Stage, bool& DefaultDraw)>;
using TTBAdvancedCustomDrawBtnEvent =
    std::function<void(TToolBar* Sender, TToolButton* Button, TCustomDrawState State, TCustomDrawStage Stage,
                       TTBCustomDrawFlags& Flags, bool& DefaultDraw)>;

// A bar of buttons over the comctl32 toolbar. Its children are its items, in the order of the bar: tool buttons,
// and other controls (a combo box, a speed button) that stand in a gap of their own width. Aligned to the top or
// bottom, the bar is as high as its items need.
class TToolBar : public TWinControl {
    CLASS_INFO(TToolBar, TWinControl)
public:
    explicit TToolBar(TComponent* AOwner);
    ~TToolBar() override;

    // The items of the bar in their order; Buttons is nil for an item that is not a tool button. Raises
    // EListError for an index outside the bar.
    int ButtonCount() const { return static_cast<int>(FItems.size()); }
    TToolButton* Buttons(int Index) const;
    TControl* Items(int Index) const;

    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    // Captions beside the images instead of below them.
    bool List() const { return FList; }
    void SetList(bool Value);
    bool ShowCaptions() const { return FShowCaptions; }
    void SetShowCaptions(bool Value);
    // The size of every button that does not size itself; captions may make them larger.
    int ButtonWidth() const { return FButtonWidth; }
    void SetButtonWidth(int Value);
    int ButtonHeight() const { return FButtonHeight; }
    void SetButtonHeight(int Value);
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    // The images of the button under the mouse.
    TCustomImageList* HotImages() const { return FHotImages; }
    void SetHotImages(TCustomImageList* Value);
    // The images of disabled buttons; without them the bar draws the Images greyed.
    TCustomImageList* DisabledImages() const { return FDisabledImages; }
    void SetDisabledImages(TCustomImageList* Value);

    // The canvas the custom-draw events paint on (the device context of the notification).
    TCanvas* Canvas() const { return FCanvas.get(); }

    void WndProc(TMessage& Message) override;
    void Dispatch(TMessage& Message) override;
    void Loaded() override;

    TTBAdvancedCustomDrawEvent OnAdvancedCustomDraw;
    TTBAdvancedCustomDrawBtnEvent OnAdvancedCustomDrawButton;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void AlignControls(TControl* AControl, TRect& Rect) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TToolButton;
    int IndexOfItem(const TControl* Item) const;
    void InsertItem(TControl* Item);
    void RemoveItem(TControl* Item);
    // The native buttons made anew from the items, then the items placed where the bar put them.
    void RebuildButtons();
    void PlaceItems();
    void UpdateButtonState(TToolButton* Button);
    void ApplyImages();
    BYTE NativeState(TToolButton* Button) const;
    int NativeImage(TToolButton* Button) const;
    void SetImageList(TCustomImageList*& Slot, TChangeLink& Link, TCustomImageList* Value);
    // A click of a button (WM_COMMAND): check buttons follow the toolbar's check state, then OnClick.
    void ButtonClicked(int Index);
    void UpdateGroup(TToolButton* Button);
    void DropDown(int Index);
    LRESULT CustomDraw(NMTBCUSTOMDRAW* Draw);

    std::vector<TControl*> FItems;
    bool FFlat = false;
    bool FList = false;
    bool FShowCaptions = false;
    int FButtonWidth = 23;
    int FButtonHeight = 22;
    TCustomImageList* FImages = nullptr;
    TCustomImageList* FHotImages = nullptr;
    TCustomImageList* FDisabledImages = nullptr;
    TChangeLink FImagesLink;
    TChangeLink FHotImagesLink;
    TChangeLink FDisabledImagesLink;
    std::unique_ptr<TControlCanvas> FCanvas;
    // Set while the bar places its items, so that their moves are not taken for the user's.
    bool FPlacing = false;
    // While the toolbar window is inside one of its own notifications, its buttons must stay as they are: a
    // rebuild asked for then waits for a posted message.
    int FNotifyDepth = 0;
    bool FRebuildPosted = false;
};

// --- status bars ---

class TStatusBar;

// One part of a status bar.
class TStatusPanel : public TCollectionItem {
    CLASS_INFO(TStatusPanel, TCollectionItem)
public:
    const std::string& Text() const { return FText; }
    void SetText(const std::string& Value);
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    void Assign(TPersistent* Source) override;
    std::string DisplayName() const override;

private:
    std::string FText;
    int FWidth = 50;
};

class TStatusPanels : public TOwnedCollection {
    CLASS_INFO(TStatusPanels, TOwnedCollection)
public:
    explicit TStatusPanels(TStatusBar* AOwner);
    TStatusPanel* Add() { return static_cast<TStatusPanel*>(TCollection::Add()); }
    TStatusPanel* Items(int Index) const { return static_cast<TStatusPanel*>(TCollection::Items(Index)); }

protected:
    void Update(TCollectionItem* Item) override;

private:
    TStatusBar* FStatusBar;
};

// A bar of text panels at the bottom of a form, or with SimplePanel one text over its whole width. The last panel
// reaches to the right edge.
class TStatusBar : public TWinControl {
    CLASS_INFO(TStatusBar, TWinControl)
public:
    explicit TStatusBar(TComponent* AOwner);
    ~TStatusBar() override;

    TStatusPanels* Panels() const { return FPanels.get(); }
    void SetPanels(TStatusPanels* Value) { FPanels->Assign(Value); }
    bool SimplePanel() const { return FSimplePanel; }
    void SetSimplePanel(bool Value);
    const std::string& SimpleText() const { return FSimpleText; }
    void SetSimpleText(const std::string& Value);
    bool SizeGrip() const { return FSizeGrip; }
    void SetSizeGrip(bool Value);
    void Dispatch(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;

private:
    friend class TStatusPanels;
    void UpdatePanels();
    void UpdateSimpleText();
    std::unique_ptr<TStatusPanels> FPanels;
    bool FSimplePanel = false;
    std::string FSimpleText;
    bool FSizeGrip = true;
};

// --- tab and page controls ---

using TTabChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

// The tabs of a tab control: the system's list while the control has a window, a string list before. Each tab
// carries an object.
class TTabStrings : public TStrings {
    CLASS_INFO(TTabStrings, TStrings)
public:
    explicit TTabStrings(TCustomTabControl* Control);
    void Clear() override;
    void Delete(int Index) override;
    void Insert(int Index, const std::string& S) override;
    TStringList* Saved() const { return FSaved.get(); }

protected:
    std::string Get(int Index) const override;
    void Put(int Index, const std::string& S) override;
    TObject* GetObject(int Index) const override;
    void PutObject(int Index, TObject* AObject) override;
    int GetCount() const override;
    void SetUpdateState(bool Updating) override;

private:
    HWND Window() const;
    void CheckIndex(int Index, int Count) const;
    TCustomTabControl* FControl;
    std::unique_ptr<TStringList> FSaved;
};

// What tab and page controls share: the tabs with their images, the chosen tab and the area below the tabs,
// which holds the children.
class TCustomTabControl : public TWinControl {
    CLASS_INFO(TCustomTabControl, TWinControl)
public:
    explicit TCustomTabControl(TComponent* AOwner);
    ~TCustomTabControl() override;

    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    // The area the tabs leave for the children, in client coordinates.
    TRect DisplayRect();
    // The tab at a client point, or -1.
    int IndexOfTabAt(int X, int Y);
    void Dispatch(TMessage& Message) override;

    TNotifyEvent OnChange;
    TTabChangingEvent OnChanging;

protected:
    friend class TTabStrings;
    TStrings* Tabs() const { return FTabs.get(); }
    // -1 when no tab is chosen. Setting it fires no event.
    int TabIndex() const;
    void SetTabIndex(int Value);
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void AdjustClientRect(TRect& Rect) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Asked before the user's choice of another tab takes effect; false keeps the current one.
    virtual bool CanChange();
    // The user chose another tab.
    virtual void Change();
    // The image of a tab; the tab's own index unless a derived control knows better.
    virtual int GetImageIndex(int TabIndex) { return TabIndex; }
    // Gives every tab its image again.
    void UpdateTabImages();

private:
    void ImageListChange(TObject* Sender);
    std::unique_ptr<TTabStrings> FTabs;
    TCustomImageList* FImages = nullptr;
    std::unique_ptr<TChangeLink> FImageChangeLink;
    int FSavedTabIndex = -1;
};

// A row of tabs above an area of controls; the program decides what choosing a tab means.
class TTabControl : public TCustomTabControl {
    CLASS_INFO(TTabControl, TCustomTabControl)
public:
    using TCustomTabControl::TCustomTabControl;
    using TCustomTabControl::SetTabIndex;
    using TCustomTabControl::TabIndex;
    using TCustomTabControl::Tabs;
    void SetTabs(TStrings* Value) { Tabs()->Assign(Value); }
};

// One page of a page control: a container whose caption is its tab.
class TTabSheet : public TWinControl {
    CLASS_INFO(TTabSheet, TWinControl)
public:
    explicit TTabSheet(TComponent* AOwner);
    ~TTabSheet() override;

    // The page control the page belongs to (its parent); setting it moves the page there.
    TPageControl* PageControl() const;
    void SetPageControl(TPageControl* Value);
    // The place among the pages of its page control, -1 without one.
    int PageIndex() const;
    void SetPageIndex(int Value);
    // The place of its tab among the tabs shown, -1 when it has none.
    int TabIndex() const;
    bool TabVisible() const { return FTabVisible; }
    void SetTabVisible(bool Value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    void Dispatch(TMessage& Message) override;

    TNotifyEvent OnShow;
    TNotifyEvent OnHide;

private:
    bool FTabVisible = true;
    int FImageIndex = -1;
};

// Pages behind tabs: choosing a tab shows its page and hides the others.
class TPageControl : public TCustomTabControl {
    CLASS_INFO(TPageControl, TCustomTabControl)
public:
    explicit TPageControl(TComponent* AOwner);
    ~TPageControl() override;

    int PageCount() const { return static_cast<int>(FPages.size()); }
    // Raises EListError for an index outside the pages.
    TTabSheet* Pages(int Index) const;
    TTabSheet* ActivePage() const { return FActivePage; }
    // Shows Value (a page of this control, or nil for none) and hides the others; fires no event. Raises
    // EInvalidArgument for a page of another control.
    void SetActivePage(TTabSheet* Value);
    int ActivePageIndex() const;
    void SetActivePageIndex(int Value);
    // The page after (or before) CurPage, going round; only pages with a tab when asked. Nil when there is none.
    TTabSheet* FindNextPage(TTabSheet* CurPage, bool GoForward, bool CheckTabVisible) const;
    // Moves to the next page with a tab as a user's choice would (with OnChanging and OnChange).
    void SelectNextPage(bool GoForward);
    void Dispatch(TMessage& Message) override;
    void Loaded() override;

protected:
    void CreateWnd() override;
    void Change() override;
    int GetImageIndex(int TabIndex) override;

private:
    friend class TTabSheet;
    void InsertPage(TTabSheet* Page);
    void RemovePage(TControl* Page);
    void MovePage(TTabSheet* Page, int NewIndex);
    // The tabs made anew from the pages, and the active page's tab chosen.
    void UpdateTabs();
    void ShowActivePage();
    TTabSheet* PageOfTab(int TabIndex) const;
    std::vector<TTabSheet*> FPages;
    TTabSheet* FActivePage = nullptr;
};

// --- up-down buttons ---

enum TUDAlignButton { udLeft, udRight };
enum TUDOrientation { udHorizontal, udVertical };
enum TUDBtnType { btNext, btPrev };
using TUDClickEvent = std::function<void(TObject* Sender, TUDBtnType Button)>;

// A pair of arrow buttons that step a Position between Min and Max, shown in an associated control's text
// when it has one.
class TCustomUpDown : public TWinControl {
    CLASS_INFO(TCustomUpDown, TWinControl)
public:
    explicit TCustomUpDown(TComponent* AOwner);
    ~TCustomUpDown() override;

    int Min() const { return FMin; }
    void SetMin(int Value);
    int Max() const { return FMax; }
    void SetMax(int Value);
    // Always between Min and Max.
    int Position() const;
    void SetPosition(int Value);
    int Increment() const { return FIncrement; }
    // Raises EInvalidArgument for a step below 1.
    void SetIncrement(int Value);
    TUDOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TUDOrientation Value);
    // Stepping past one end starts again at the other.
    bool Wrap() const { return FWrap; }
    void SetWrap(bool Value);
    // The arrow keys step the position while the associated control has the focus.
    bool ArrowKeys() const { return FArrowKeys; }
    void SetArrowKeys(bool Value);
    // Thousands separators in the associated control's text.
    bool Thousands() const { return FThousands; }
    void SetThousands(bool Value);
    TUDAlignButton AlignButton() const { return FAlignButton; }
    void SetAlignButton(TUDAlignButton Value);
    // The control beside which the buttons stand and whose text shows the position.
    TWinControl* Associate() const { return FAssociate; }
    void SetAssociate(TWinControl* Value);
    void Dispatch(TMessage& Message) override;

    // Hides the control's notify-event OnClick: an up-down tells which button was clicked.
    TUDClickEvent OnClick;
    TTabChangingEvent OnChanging;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    virtual bool CanChange();
    virtual void Click(TUDBtnType Button);

private:
    void ApplyRange();
    void AttachBuddy();
    int FMin = 0;
    int FMax = 100;
    mutable int FPosition = 0;
    int FIncrement = 1;
    TUDOrientation FOrientation = udVertical;
    bool FWrap = false;
    bool FArrowKeys = true;
    bool FThousands = true;
    TUDAlignButton FAlignButton = udRight;
    TWinControl* FAssociate = nullptr;
    int FLastDelta = 0;
};

class TUpDown : public TCustomUpDown {
    CLASS_INFO(TUpDown, TCustomUpDown)
public:
    using TCustomUpDown::TCustomUpDown;
};

#include "RichEdit.h"
#include "ListView.h"
