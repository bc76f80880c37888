#pragma once
// The list view: items with sub-items in columns (report view), check boxes, grid lines and whole-row selection,
// over the system's list view control.
#include "classlib/runtime/Collections.h"
#include "Controls.h"
#include "classlib/runtime/Lists.h"

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TCustomListView;
class TListItems;

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
enum TItemChange { ctText, ctImage, ctState };

// One column of a report view. An AutoSize column takes its share of the width that the other columns leave,
// within its MinWidth and MaxWidth (0: no limit).
class TListColumn : public TCollectionItem {
    CLASS_INFO(TListColumn, TCollectionItem)
public:
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    // The width on the screen (the user may have dragged it).
    int Width() const;
    void SetWidth(int Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    int MinWidth() const { return FMinWidth; }
    void SetMinWidth(int Value);
    int MaxWidth() const { return FMaxWidth; }
    void SetMaxWidth(int Value);
    std::string DisplayName() const override;
    // A width kept within MinWidth and MaxWidth.
    int Limited(int Value) const;

private:
    friend class TCustomListView;
    TCustomListView* ListView() const;
    std::string FCaption;
    int FWidth = 50;
    bool FAutoSize = false;
    int FMinWidth = 0;
    int FMaxWidth = 0;
};

// The columns of a list view; every change shows at once.
class TListColumns : public TOwnedCollection {
    CLASS_INFO(TListColumns, TOwnedCollection)
public:
    explicit TListColumns(TCustomListView* AOwner);
    TListColumn* Add() { return static_cast<TListColumn*>(TCollection::Add()); }
    TListColumn* Items(int Index) const { return static_cast<TListColumn*>(TCollection::Items(Index)); }
    TCustomListView* Owner() const { return FListView; }

protected:
    void Update(TCollectionItem* Item) override;

private:
    TCustomListView* FListView;
};

// One item: its caption in the first column, its sub-items in the others, its check box, its selection and a
// pointer of the program's own.
class TListItem : public TPersistent {
    CLASS_INFO(TListItem, TPersistent)
public:
    explicit TListItem(TListItems* AOwner);
    ~TListItem() override;

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    // The texts of the second, third... column.
    TStrings* SubItems() const { return FSubItems.get(); }
    void SetSubItems(TStrings* Value) { FSubItems->Assign(Value); }
    bool Checked() const;
    void SetChecked(bool Value);
    bool Selected() const;
    void SetSelected(bool Value);
    bool Focused() const;
    void SetFocused(bool Value);
    void* Data() const { return FData; }
    void SetData(void* Value) { FData = Value; }
    int Index() const;
    TListItems* Owner() const { return FOwner; }
    TCustomListView* ListView() const;
    // Takes the item out of its list and frees it.
    void Delete();

private:
    friend class TCustomListView;
    friend class TListItems;
    HWND Window() const;
    bool State(UINT Mask) const;
    void SetState(UINT Mask, UINT Value);
    void SubItemsChanged(TObject* Sender);
    TListItems* FOwner;
    std::string FCaption;
    std::unique_ptr<TStringList> FSubItems;
    bool FChecked = false;
    bool FSelected = false;
    bool FFocused = false;
    void* FData = nullptr;
};

// The items of a list view, which owns them.
class TListItems : public TPersistent {
    CLASS_INFO(TListItems, TPersistent)
public:
    explicit TListItems(TCustomListView* AOwner) : FOwner(AOwner) {}
    ~TListItems() override;
    TListItem* Add();
    // A new item at Index (0..Count); raises EListError for another index.
    TListItem* Insert(int Index);
    void Delete(int Index);
    void Clear();
    int Count() const { return static_cast<int>(FItems.size()); }
    // Raises EListError for a bad index.
    TListItem* Item(int Index) const;
    TListItem* operator[](int Index) const { return Item(Index); }
    int IndexOf(const TListItem* Value) const;
    // Brackets many changes: the control is drawn once at the end.
    void BeginUpdate();
    void EndUpdate();
    TCustomListView* Owner() const { return FOwner; }

private:
    TCustomListView* FOwner;
    std::vector<TListItem*> FItems;
    int FUpdateCount = 0;
};

using TLVChangeEvent = std::function<void(TObject* Sender, TListItem* Item, TItemChange Change)>;
// Item is null when the control changed the selection of all items at once.
using TLVSelectItemEvent = std::function<void(TObject* Sender, TListItem* Item, bool Selected)>;

// A list view over the system's "SysListView32" control.
class TCustomListView : public TWinControl {
    CLASS_INFO(TCustomListView, TWinControl)
public:
    explicit TCustomListView(TComponent* AOwner);
    ~TCustomListView() override;

    TListColumns* Columns() const { return FColumns.get(); }
    TListItems* Items() const { return FItems.get(); }
    TViewStyle ViewStyle() const { return FViewStyle; }
    void SetViewStyle(TViewStyle Value);
    bool Checkboxes() const { return FCheckboxes; }
    void SetCheckboxes(bool Value);
    bool GridLines() const { return FGridLines; }
    void SetGridLines(bool Value);
    bool RowSelect() const { return FRowSelect; }
    void SetRowSelect(bool Value);
    // The user cannot edit the captions.
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    // The first selected item, or null; setting one selects it alone.
    TListItem* Selected() const;
    void SetSelected(TListItem* Value);
    // The index of the selected item, -1 for none.
    int ItemIndex() const;
    void SetItemIndex(int Value);
    void Dispatch(TMessage& Message) override;

    TLVChangeEvent OnChange;
    TLVSelectItemEvent OnSelectItem;

protected:
    friend class TListColumns;
    friend class TListColumn;
    friend class TListItem;
    friend class TListItems;
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    virtual void Change(TListItem* Item, TItemChange What);
    virtual void SelectItem(TListItem* Item, bool Selected);
    // Gives the AutoSize columns their share of the client width.
    void ResizeColumns();

private:
    void ColumnsChanged();
    void InsertItemWindow(TListItem* Item, int Index);
    void UpdateItemTexts(TListItem* Item);
    void UpdateExtendedStyle();
    void ApplyColors();
    TListItem* ItemOf(const NMLISTVIEW* Info) const;
    void CNNotify(TMessage& Message);

    std::unique_ptr<TListColumns> FColumns;
    std::unique_ptr<TListItems> FItems;
    TViewStyle FViewStyle = vsIcon;
    bool FCheckboxes = false;
    bool FGridLines = false;
    bool FRowSelect = false;
    bool FReadOnly = false;
    bool FHideSelection = true;
    TBorderStyle FBorderStyle = bsSingle;
    // Set while the control is being filled from the objects: no events for what was there already.
    bool FFilling = false;
    bool FResizing = false;
};

class TListView : public TCustomListView {
    CLASS_INFO(TListView, TCustomListView)
public:
    using TCustomListView::TCustomListView;
};
