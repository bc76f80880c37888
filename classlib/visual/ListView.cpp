#include "ListView.h"

#include "classlib/runtime/FormResources.h"
#include "StdCtrls.h"

#include <algorithm>

// --- TListColumn ---

TCustomListView* TListColumn::ListView() const {
    auto* columns = dynamic_cast<TListColumns*>(Collection());
    return columns ? columns->Owner() : nullptr;
}

std::string TListColumn::DisplayName() const { return FCaption.empty() ? TCollectionItem::DisplayName() : FCaption; }

int TListColumn::Limited(int Value) const {
    if (FMaxWidth > 0)
        Value = std::min(Value, FMaxWidth);
    return std::max(Value, FMinWidth);
}

void TListColumn::SetCaption(const std::string& Value) {
    if (Value == FCaption)
        return;
    FCaption = Value;
    Changed(false);
}

int TListColumn::Width() const {
    TCustomListView* view = ListView();
    if (view && view->HandleAllocated() && view->ViewStyle() == vsReport)
        return static_cast<int>(SendMessageW(view->FHandle, LVM_GETCOLUMNWIDTH, Index(), 0));
    return FWidth;
}

void TListColumn::SetWidth(int Value) {
    FWidth = Limited(Value);
    TCustomListView* view = ListView();
    if (view && view->HandleAllocated())
        SendMessageW(view->FHandle, LVM_SETCOLUMNWIDTH, Index(), MAKELPARAM(FWidth, 0));
}

void TListColumn::SetAutoSize(bool Value) {
    if (Value == FAutoSize)
        return;
    FAutoSize = Value;
    Changed(false);
}

void TListColumn::SetMinWidth(int Value) {
    FMinWidth = std::max(Value, 0);
    Changed(false);
}

void TListColumn::SetMaxWidth(int Value) {
    FMaxWidth = std::max(Value, 0);
    Changed(false);
}

TListColumns::TListColumns(TCustomListView* AOwner)
    : TOwnedCollection(AOwner, CollectionItemClassOf<TListColumn>()), FListView(AOwner) {}

void TListColumns::Update(TCollectionItem* Item) {
    (void)Item;
    FListView->ColumnsChanged();
}

// --- TListItem ---

TListItem::TListItem(TListItems* AOwner) : FOwner(AOwner), FSubItems(std::make_unique<TStringList>()) {
    FSubItems->OnChange = [this](TObject* Sender) { SubItemsChanged(Sender); };
}

TListItem::~TListItem() = default;

TCustomListView* TListItem::ListView() const { return FOwner->Owner(); }

HWND TListItem::Window() const {
    TCustomListView* view = ListView();
    return view->HandleAllocated() && Index() >= 0 ? view->FHandle : nullptr;
}

int TListItem::Index() const { return FOwner->IndexOf(this); }

bool TListItem::State(UINT Mask) const {
    return (SendMessageW(Window(), LVM_GETITEMSTATE, Index(), Mask) & Mask) != 0;
}

void TListItem::SetState(UINT Mask, UINT Value) {
    LVITEMW item{};
    item.stateMask = Mask;
    item.state = Value;
    SendMessageW(Window(), LVM_SETITEMSTATE, Index(), reinterpret_cast<LPARAM>(&item));
}

void TListItem::SetCaption(const std::string& Value) {
    FCaption = Value;
    if (Window())
        ListView()->UpdateItemTexts(this);
}

void TListItem::SubItemsChanged(TObject* Sender) {
    (void)Sender;
    if (Window())
        ListView()->UpdateItemTexts(this);
}

bool TListItem::Checked() const {
    // The check box is the item's state image: 1 unchecked, 2 checked.
    if (Window() && ListView()->Checkboxes())
        return (SendMessageW(Window(), LVM_GETITEMSTATE, Index(), LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) ==
               INDEXTOSTATEIMAGEMASK(2);
    return FChecked;
}

void TListItem::SetChecked(bool Value) {
    FChecked = Value;
    if (Window() && ListView()->Checkboxes())
        SetState(LVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(Value ? 2 : 1));
}

bool TListItem::Selected() const { return Window() ? State(LVIS_SELECTED) : FSelected; }

void TListItem::SetSelected(bool Value) {
    FSelected = Value;
    if (Window())
        SetState(LVIS_SELECTED, Value ? LVIS_SELECTED : 0);
}

bool TListItem::Focused() const { return Window() ? State(LVIS_FOCUSED) : FFocused; }

void TListItem::SetFocused(bool Value) {
    FFocused = Value;
    if (Window())
        SetState(LVIS_FOCUSED, Value ? LVIS_FOCUSED : 0);
}

void TListItem::Delete() { FOwner->Delete(Index()); }

// --- TListItems ---

TListItems::~TListItems() {
    for (TListItem* item : FItems)
        delete item;
}

TListItem* TListItems::Add() { return Insert(Count()); }

TListItem* TListItems::Insert(int Index) {
    if (Index < 0 || Index > Count())
        TList::Error(Index);
    auto item = std::make_unique<TListItem>(this);
    FItems.insert(FItems.begin() + Index, item.get());
    TListItem* added = item.release();
    if (FOwner->HandleAllocated()) {
        try {
            FOwner->InsertItemWindow(added, Index);
        } catch (...) {
            FItems.erase(FItems.begin() + Index);
            delete added;
            throw;
        }
    }
    return added;
}

void TListItems::Delete(int Index) {
    TListItem* item = Item(Index);
    // Out of the list first: the control's notices about the leaving item then find nothing to report.
    FItems.erase(FItems.begin() + Index);
    std::unique_ptr<TListItem> owned(item);
    if (FOwner->HandleAllocated())
        SendMessageW(FOwner->FHandle, LVM_DELETEITEM, Index, 0);
}

void TListItems::Clear() {
    std::vector<TListItem*> items;
    items.swap(FItems);
    if (FOwner->HandleAllocated())
        SendMessageW(FOwner->FHandle, LVM_DELETEALLITEMS, 0, 0);
    for (TListItem* item : items)
        delete item;
}

TListItem* TListItems::Item(int Index) const {
    if (Index < 0 || Index >= Count())
        TList::Error(Index);
    return FItems[static_cast<size_t>(Index)];
}

int TListItems::IndexOf(const TListItem* Value) const {
    auto it = std::find(FItems.begin(), FItems.end(), Value);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TListItems::BeginUpdate() {
    if (FUpdateCount++ == 0 && FOwner->HandleAllocated())
        SendMessageW(FOwner->FHandle, WM_SETREDRAW, FALSE, 0);
}

void TListItems::EndUpdate() {
    if (FUpdateCount == 0 || --FUpdateCount > 0)
        return;
    if (FOwner->HandleAllocated()) {
        SendMessageW(FOwner->FHandle, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(FOwner->FHandle, nullptr, TRUE);
    }
}

// --- TCustomListView ---

TCustomListView::TCustomListView(TComponent* AOwner)
    : TWinControl(AOwner),
      FColumns(std::make_unique<TListColumns>(this)),
      FItems(std::make_unique<TListItems>(this)) {
    // Clicks come as the control's own notices; it captures the mouse itself.
    FControlStyle = {csDoubleClicks};
    SetBoundsFields(0, 0, 250, 150);
    FTabStop = true;
    SetColor(clWindow);
}

TCustomListView::~TCustomListView() = default;

void TCustomListView::CreateParams(TCreateParams& Params) {
    static const DWORD views[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
    InitCommonControl(ICC_LISTVIEW_CLASSES);
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, "SysListView32");
    Params.Style |= views[FViewStyle] | LVS_SHAREIMAGELISTS | LVS_SINGLESEL;
    if (!FReadOnly)
        Params.Style |= LVS_EDITLABELS;
    if (!FHideSelection)
        Params.Style |= LVS_SHOWSELALWAYS;
    if (FBorderStyle == bsSingle)
        Params.ExStyle |= WS_EX_CLIENTEDGE;
    Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TCustomListView::CreateWnd() {
    TWinControl::CreateWnd();
    FFilling = true;
    try {
        UpdateExtendedStyle();
        ApplyColors();
        ColumnsChanged();
        for (int i = 0; i < FItems->Count(); ++i)
            InsertItemWindow(FItems->Item(i), i);
    } catch (...) {
        FFilling = false;
        throw;
    }
    FFilling = false;
}

void TCustomListView::DestroyWnd() {
    // What the user changed lives in the window: keep it for the next one.
    for (int i = 0; i < FItems->Count(); ++i) {
        TListItem* item = FItems->Item(i);
        item->FChecked = item->Checked();
        item->FSelected = item->Selected();
        item->FFocused = item->Focused();
    }
    for (int i = 0; i < FColumns->Count(); ++i)
        FColumns->Items(i)->FWidth = FColumns->Items(i)->Width();
    TWinControl::DestroyWnd();
}

void TCustomListView::UpdateExtendedStyle() {
    if (!FHandle)
        return;
    DWORD style = (FCheckboxes ? LVS_EX_CHECKBOXES : 0) | (FGridLines ? LVS_EX_GRIDLINES : 0) |
                  (FRowSelect ? LVS_EX_FULLROWSELECT : 0);
    SendMessageW(FHandle, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT,
                 style);
}

void TCustomListView::ApplyColors() {
    if (!FHandle)
        return;
    auto color = static_cast<LPARAM>(ColorToRGB(FColor));
    SendMessageW(FHandle, LVM_SETBKCOLOR, 0, color);
    SendMessageW(FHandle, LVM_SETTEXTBKCOLOR, 0, color);
    SendMessageW(FHandle, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(ColorToRGB(FFont->Color())));
    InvalidateRect(FHandle, nullptr, TRUE);
}

void TCustomListView::ColumnsChanged() {
    if (!FHandle)
        return;
    while (SendMessageW(FHandle, LVM_DELETECOLUMN, 0, 0))
        ;
    for (int i = 0; i < FColumns->Count(); ++i) {
        TListColumn* column = FColumns->Items(i);
        std::wstring caption = AnsiToWide(column->FCaption);
        LVCOLUMNW lvc{};
        lvc.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        lvc.fmt = LVCFMT_LEFT;
        lvc.cx = column->FWidth;
        lvc.pszText = caption.data();
        if (SendMessageW(FHandle, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&lvc)) < 0)
            throw EOutOfResources("The list view " + Name() + " cannot take the column " + column->FCaption);
    }
    for (int i = 0; i < FItems->Count(); ++i)
        UpdateItemTexts(FItems->Item(i));
    ResizeColumns();
}

void TCustomListView::ResizeColumns() {
    if (!FHandle || FResizing)
        return;
    FResizing = true;
    std::vector<TListColumn*> shared;
    RECT client{};
    GetClientRect(FHandle, &client);
    int room = client.right - client.left;
    for (int i = 0; i < FColumns->Count(); ++i) {
        TListColumn* column = FColumns->Items(i);
        if (column->FAutoSize)
            shared.push_back(column);
        else
            room -= column->Width();
    }
    // A column that its limits keep from its share takes its limit; the others share what is left.
    bool limited = true;
    while (limited && !shared.empty()) {
        limited = false;
        int share = std::max(room, 0) / static_cast<int>(shared.size());
        for (auto it = shared.begin(); it != shared.end(); ++it)
            if ((*it)->Limited(share) != share) {
                (*it)->SetWidth((*it)->Limited(share));
                room -= (*it)->FWidth;
                shared.erase(it);
                limited = true;
                break;
            }
    }
    if (!shared.empty()) {
        int share = std::max(room, 0) / static_cast<int>(shared.size());
        for (size_t i = 0; i < shared.size(); ++i)
            shared[i]->SetWidth(i + 1 < shared.size() ? share : std::max(room, 0) - share * static_cast<int>(i));
    }
    FResizing = false;
}

void TCustomListView::InsertItemWindow(TListItem* Item, int Index) {
    // The code-page message: text of the program's strings, and the one a skin adapter of list views watches.
    LVITEMA lvi{};
    lvi.mask = LVIF_TEXT | LVIF_PARAM;
    lvi.iItem = Index;
    lvi.pszText = const_cast<char*>(Item->FCaption.c_str());
    lvi.lParam = reinterpret_cast<LPARAM>(Item);
    if (SendMessageW(FHandle, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&lvi)) < 0)
        throw EOutOfResources("The list view " + Name() + " cannot take the item " + Item->FCaption);
    UpdateItemTexts(Item);
    bool filling = FFilling;
    FFilling = true;
    if (FCheckboxes)
        Item->SetState(LVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(Item->FChecked ? 2 : 1));
    FFilling = filling;
    if (Item->FSelected || Item->FFocused)
        Item->SetState(LVIS_SELECTED | LVIS_FOCUSED,
                       (Item->FSelected ? LVIS_SELECTED : 0) | (Item->FFocused ? LVIS_FOCUSED : 0));
}

void TCustomListView::UpdateItemTexts(TListItem* Item) {
    int index = Item->Index();
    int columns = std::max(FColumns->Count(), 1);
    for (int c = 0; c < columns; ++c) {
        std::wstring text = AnsiToWide(c == 0                                ? Item->FCaption
                                       : c <= Item->FSubItems->Count() ? Item->FSubItems->Strings(c - 1)
                                                                         : std::string());
        LVITEMW lvi{};
        lvi.iSubItem = c;
        lvi.pszText = text.data();
        SendMessageW(FHandle, LVM_SETITEMTEXTW, index, reinterpret_cast<LPARAM>(&lvi));
    }
}

void TCustomListView::SetViewStyle(TViewStyle Value) {
    if (Value == FViewStyle)
        return;
    FViewStyle = Value;
    RecreateWnd();
}

void TCustomListView::SetCheckboxes(bool Value) {
    if (Value == FCheckboxes)
        return;
    // The window keeps the checks only while it has check boxes.
    if (FHandle && FCheckboxes)
        for (int i = 0; i < FItems->Count(); ++i)
            FItems->Item(i)->FChecked = FItems->Item(i)->Checked();
    FCheckboxes = Value;
    if (!FHandle)
        return;
    FFilling = true;
    UpdateExtendedStyle();
    if (Value)
        for (int i = 0; i < FItems->Count(); ++i)
            FItems->Item(i)->SetChecked(FItems->Item(i)->FChecked);
    FFilling = false;
}

void TCustomListView::SetGridLines(bool Value) {
    FGridLines = Value;
    UpdateExtendedStyle();
}

void TCustomListView::SetRowSelect(bool Value) {
    FRowSelect = Value;
    UpdateExtendedStyle();
}

void TCustomListView::SetReadOnly(bool Value) {
    if (Value == FReadOnly)
        return;
    FReadOnly = Value;
    if (FHandle) {
        LONG_PTR style = GetWindowLongPtrW(FHandle, GWL_STYLE);
        SetWindowLongPtrW(FHandle, GWL_STYLE, Value ? style & ~LVS_EDITLABELS : style | LVS_EDITLABELS);
    }
}

void TCustomListView::SetHideSelection(bool Value) {
    if (Value == FHideSelection)
        return;
    FHideSelection = Value;
    RecreateWnd();
}

void TCustomListView::SetBorderStyle(TBorderStyle Value) {
    if (Value == FBorderStyle)
        return;
    FBorderStyle = Value;
    RecreateWnd();
}

TListItem* TCustomListView::Selected() const {
    int index = ItemIndex();
    return index >= 0 ? FItems->Item(index) : nullptr;
}

void TCustomListView::SetSelected(TListItem* Value) {
    for (int i = 0; i < FItems->Count(); ++i)
        if (FItems->Item(i) != Value && FItems->Item(i)->Selected())
            FItems->Item(i)->SetSelected(false);
    if (Value) {
        Value->SetSelected(true);
        Value->SetFocused(true);
    }
}

int TCustomListView::ItemIndex() const {
    if (FHandle)
        return static_cast<int>(SendMessageW(FHandle, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    for (int i = 0; i < FItems->Count(); ++i)
        if (FItems->Item(i)->FSelected)
            return i;
    return -1;
}

void TCustomListView::SetItemIndex(int Value) { SetSelected(Value >= 0 ? FItems->Item(Value) : nullptr); }

void TCustomListView::Change(TListItem* Item, TItemChange What) {
    if (OnChange)
        OnChange(this, Item, What);
}

void TCustomListView::SelectItem(TListItem* Item, bool Selected) {
    if (OnSelectItem)
        OnSelectItem(this, Item, Selected);
}

TListItem* TCustomListView::ItemOf(const NMLISTVIEW* Info) const {
    auto* item = reinterpret_cast<TListItem*>(Info->lParam);
    return FItems->IndexOf(item) >= 0 ? item : nullptr;
}

void TCustomListView::CNNotify(TMessage& Message) {
    auto* header = reinterpret_cast<NMHDR*>(Message.LParam);
    switch (header->code) {
    case LVN_ITEMCHANGED: {
        auto* info = reinterpret_cast<NMLISTVIEW*>(Message.LParam);
        if (FFilling)
            break;
        TListItem* item = info->iItem >= 0 ? ItemOf(info) : nullptr;
        if (info->iItem >= 0 && !item)
            break;  // an item on its way out
        if (item) {
            if (info->uChanged & LVIF_TEXT)
                Change(item, ctText);
            if (info->uChanged & LVIF_IMAGE)
                Change(item, ctImage);
            if (info->uChanged & LVIF_STATE)
                Change(item, ctState);
        }
        if ((info->uChanged & LVIF_STATE) && ((info->uOldState ^ info->uNewState) & LVIS_SELECTED))
            SelectItem(item, (info->uNewState & LVIS_SELECTED) != 0);
        break;
    }
    case LVN_ENDLABELEDITW: {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(Message.LParam);
        auto* item = reinterpret_cast<TListItem*>(info->item.lParam);
        if (!info->item.pszText || FItems->IndexOf(item) < 0)
            break;
        item->FCaption = WideToAnsi(info->item.pszText);
        Message.Result = TRUE;
        Change(item, ctText);
        return;
    }
    case NM_CLICK:
        Click();
        break;
    case NM_DBLCLK:
        DblClick();
        break;
    }
    Message.Result = 0;
}

void TCustomListView::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CN_NOTIFY:
        CNNotify(Message);
        return;
    case WM_NOTIFY: {
        // The header inside tells its parent, the list view, before a column's width changes: keep it within
        // the column's limits.
        auto* header = reinterpret_cast<NMHEADERW*>(Message.LParam);
        DefaultHandler(Message);
        if ((header->hdr.code == HDN_ITEMCHANGINGW || header->hdr.code == HDN_ITEMCHANGINGA) && header->pitem &&
            (header->pitem->mask & HDI_WIDTH) && header->iItem >= 0 && header->iItem < FColumns->Count()) {
            int width = FColumns->Items(header->iItem)->Limited(header->pitem->cxy);
            if (width != header->pitem->cxy)
                header->pitem->cxy = width;
        }
        return;
    }
    case WM_SIZE:
        TWinControl::Dispatch(Message);
        ResizeColumns();
        return;
    case CM_COLORCHANGED:
    case CM_FONTCHANGED:
        TWinControl::Dispatch(Message);
        ApplyColors();
        return;
    }
    TWinControl::Dispatch(Message);
}

// --- form storage ---

namespace {

const bool ListViewRegistered = [] {
    RegisterFormClass<TListColumn>([](TFormClass<TListColumn>& c) {
        c.Boolean("AutoSize", &TListColumn::AutoSize, &TListColumn::SetAutoSize).Default(false);
        c.String("Caption", &TListColumn::Caption, &TListColumn::SetCaption);
        c.Integer("MaxWidth", &TListColumn::MaxWidth, &TListColumn::SetMaxWidth).Default(0);
        c.Integer("MinWidth", &TListColumn::MinWidth, &TListColumn::SetMinWidth).Default(0);
        c.Integer("Width", &TListColumn::Width, &TListColumn::SetWidth).Default(50);
    });
    RegisterFormClass<TCustomListView>([](TFormClass<TCustomListView>& c) {
        c.Enum("BorderStyle", &TCustomListView::BorderStyle, &TCustomListView::SetBorderStyle,
               {"bsNone", "bsSingle"})
            .Default(bsSingle);
        c.Boolean("Checkboxes", &TCustomListView::Checkboxes, &TCustomListView::SetCheckboxes).Default(false);
        c.Collection("Columns", &TCustomListView::Columns);
        c.Boolean("GridLines", &TCustomListView::GridLines, &TCustomListView::SetGridLines).Default(false);
        c.Boolean("HideSelection", &TCustomListView::HideSelection, &TCustomListView::SetHideSelection)
            .Default(true);
        c.Boolean("ReadOnly", &TCustomListView::ReadOnly, &TCustomListView::SetReadOnly).Default(false);
        c.Boolean("RowSelect", &TCustomListView::RowSelect, &TCustomListView::SetRowSelect).Default(false);
        c.Enum("ViewStyle", &TCustomListView::ViewStyle, &TCustomListView::SetViewStyle,
               {"vsIcon", "vsSmallIcon", "vsList", "vsReport"})
            .Default(vsIcon);
        c.Event("OnChange", &TCustomListView::OnChange);
        c.Event("OnSelectItem", &TCustomListView::OnSelectItem);
    });
    RegisterFormClass<TListView>();
    return true;
}();

}  // namespace
