#include "TreeView.h"

#include <algorithm>
#include <cstring>

#include "ComCtrls.h"  // the custom-draw stage and state conversions shared with the toolbar
#include "classlib/runtime/FormResources.h"
#include "StdCtrls.h"

namespace {

[[noreturn]] void IndexError(int Index) { throw EListError(Format("List index out of bounds (%d)", Index)); }

// Puts a flag back however the block it guards is left.
class TFlagScope {
public:
    TFlagScope(bool& flag, bool value) : FFlag(flag), FSaved(flag) { FFlag = value; }
    ~TFlagScope() { FFlag = FSaved; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& FFlag;
    bool FSaved;
};

}  // namespace

// --- TTreeNode ---

TTreeNode::TTreeNode(TTreeNodes* AOwner, TTreeNode* AParent) : FOwner(AOwner), FParent(AParent) {}

TTreeNode::~TTreeNode() = default;

TCustomTreeView* TTreeNode::TreeView() const { return FOwner->Owner(); }

std::vector<std::unique_ptr<TTreeNode>>& TTreeNode::Siblings() const {
    return FParent ? FParent->FChildren : FOwner->FRoots;
}

void TTreeNode::UpdateItem(UINT Mask) {
    TCustomTreeView* tree = TreeView();
    if (!FItemId || !tree->HandleAllocated()) return;
    std::wstring text = AnsiToWide(FText);
    TVITEMW item{};
    item.mask = Mask | TVIF_HANDLE;
    item.hItem = FItemId;
    item.pszText = text.data();
    item.iImage = FImageIndex;
    item.iSelectedImage = FSelectedIndex;
    item.cChildren = HasChildren() ? 1 : 0;
    SendMessageW(tree->Handle(), TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void TTreeNode::SetText(const std::string& Value) {
    FText = Value;
    UpdateItem(TVIF_TEXT);
}

void TTreeNode::SetImageIndex(int Value) {
    FImageIndex = Value;
    UpdateItem(TVIF_IMAGE);
}

void TTreeNode::SetSelectedIndex(int Value) {
    FSelectedIndex = Value;
    UpdateItem(TVIF_SELECTEDIMAGE);
}

void TTreeNode::SetHasChildren(bool Value) {
    FHasChildren = Value;
    UpdateItem(TVIF_CHILDREN);
}

bool TTreeNode::Expanded() const {
    TCustomTreeView* tree = TreeView();
    if (FItemId && tree->HandleAllocated())
        return (SendMessageW(tree->Handle(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(FItemId), TVIS_EXPANDED) &
                TVIS_EXPANDED) != 0;
    return FExpanded;
}

void TTreeNode::SetExpanded(bool Value) {
    if (Value)
        Expand(false);
    else
        Collapse(false);
}

void TTreeNode::Expand(bool Recurse) {
    TreeView()->ExpandItem(this, true);
    if (Recurse)
        for (auto& child : FChildren) child->Expand(true);
}

void TTreeNode::Collapse(bool Recurse) {
    if (Recurse)
        for (auto& child : FChildren) child->Collapse(true);
    TreeView()->ExpandItem(this, false);
}

bool TTreeNode::Selected() const { return TreeView()->Selected() == this; }

void TTreeNode::SetSelected(bool Value) {
    TCustomTreeView* tree = TreeView();
    if (Value)
        tree->SetSelected(this);
    else if (tree->Selected() == this)
        tree->SetSelected(nullptr);
}

TTreeNode* TTreeNode::Item(int Index) const {
    if (Index < 0 || Index >= Count()) IndexError(Index);
    return FChildren[static_cast<size_t>(Index)].get();
}

int TTreeNode::Level() const {
    int level = 0;
    for (TTreeNode* p = FParent; p; p = p->FParent) ++level;
    return level;
}

int TTreeNode::Index() const {
    auto& siblings = Siblings();
    for (size_t i = 0; i < siblings.size(); ++i)
        if (siblings[i].get() == this) return static_cast<int>(i);
    return -1;
}

int TTreeNode::AbsoluteIndex() const {
    int index = 0;
    for (TTreeNode* n = FOwner->GetFirstNode(); n && n != this; n = n->GetNext()) ++index;
    return index;
}

TTreeNode* TTreeNode::GetNextSibling() const {
    auto& siblings = Siblings();
    int i = Index();
    return i + 1 < static_cast<int>(siblings.size()) ? siblings[static_cast<size_t>(i) + 1].get() : nullptr;
}

TTreeNode* TTreeNode::GetPrevSibling() const {
    int i = Index();
    return i > 0 ? Siblings()[static_cast<size_t>(i) - 1].get() : nullptr;
}

TTreeNode* TTreeNode::GetNext() const {
    if (!FChildren.empty()) return FChildren.front().get();
    for (const TTreeNode* n = this; n; n = n->FParent)
        if (TTreeNode* next = n->GetNextSibling()) return next;
    return nullptr;
}

bool TTreeNode::HasAsParent(const TTreeNode* Value) const {
    for (TTreeNode* p = FParent; p; p = p->FParent)
        if (p == Value) return true;
    return false;
}

void TTreeNode::Delete() { FOwner->Delete(this); }

void TTreeNode::DeleteChildren() {
    TTreeNodes::TUpdateScope update(*FOwner);
    while (!FChildren.empty()) FOwner->Delete(FChildren.back().get());
}

TRect TTreeNode::DisplayRect(bool TextOnly) const {
    TCustomTreeView* tree = TreeView();
    RECT r{};
    if (!FItemId || !tree->HandleAllocated()) return TRect();
    // TVM_GETITEMRECT takes the item in the rectangle it fills.
    std::memcpy(&r, &FItemId, sizeof FItemId);
    if (!SendMessageW(tree->Handle(), TVM_GETITEMRECT, TextOnly, reinterpret_cast<LPARAM>(&r))) return TRect();
    return r;
}

// --- TTreeNodes ---

TTreeNodes::TTreeNodes(TCustomTreeView* AOwner) : FOwner(AOwner) {}

TTreeNodes::~TTreeNodes() = default;

TPersistent* TTreeNodes::GetOwner() { return FOwner; }

int TTreeNodes::Count() const {
    int n = 0;
    for (TTreeNode* node = GetFirstNode(); node; node = node->GetNext()) ++n;
    return n;
}

TTreeNode* TTreeNodes::Item(int Index) const {
    TTreeNode* node = Index >= 0 ? GetFirstNode() : nullptr;
    for (int i = 0; node && i < Index; ++i) node = node->GetNext();
    if (!node) IndexError(Index);
    return node;
}

TTreeNode* TTreeNodes::GetNode(HTREEITEM ItemId) const {
    if (!ItemId || !FOwner->HandleAllocated()) return nullptr;
    TVITEMW item{};
    item.mask = TVIF_HANDLE | TVIF_PARAM;
    item.hItem = ItemId;
    if (!SendMessageW(FOwner->Handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
    return reinterpret_cast<TTreeNode*>(item.lParam);
}

void TTreeNodes::CheckOwn(const TTreeNode* Node) const {
    if (Node && Node->FOwner != this)
        throw EInvalidOperation("The node '" + Node->Text() + "' belongs to another tree view");
}

TTreeNode* TTreeNodes::InsertNode(TTreeNode* Parent, size_t Position, const std::string& S, void* Ptr) {
    auto& siblings = Parent ? Parent->FChildren : FRoots;
    auto owned = std::make_unique<TTreeNode>(this, Parent);
    TTreeNode* node = owned.get();
    node->FText = S;
    node->FData = Ptr;
    siblings.insert(siblings.begin() + static_cast<std::ptrdiff_t>(Position), std::move(owned));
    if (FOwner->HandleAllocated()) {
        HTREEITEM after = Position == 0 ? TVI_FIRST : siblings[Position - 1]->FItemId;
        try {
            CreateItems(node, after);
        } catch (...) {
            siblings.erase(siblings.begin() + static_cast<std::ptrdiff_t>(Position));
            throw;
        }
        if (Parent) Parent->UpdateItem(TVIF_CHILDREN);
    }
    return node;
}

void TTreeNodes::CreateItems(TTreeNode* Node, HTREEITEM After) {
    std::wstring text = AnsiToWide(Node->FText);
    TVINSERTSTRUCTW insert{};
    insert.hParent = Node->FParent ? Node->FParent->FItemId : TVI_ROOT;
    insert.hInsertAfter = After;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    insert.item.pszText = text.data();
    insert.item.iImage = Node->FImageIndex;
    insert.item.iSelectedImage = Node->FSelectedIndex;
    insert.item.lParam = reinterpret_cast<LPARAM>(Node);
    if (Node->FHasChildren) {
        insert.item.mask |= TVIF_CHILDREN;
        insert.item.cChildren = 1;
    }
    auto item = reinterpret_cast<HTREEITEM>(
        SendMessageW(FOwner->Handle(), TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    if (!item) throw EOutOfResources("The tree view cannot take the node '" + Node->FText + "'");
    Node->FItemId = item;
    for (auto& child : Node->FChildren) CreateItems(child.get(), TVI_LAST);
    if (Node->FExpanded) FOwner->ExpandItem(Node, true, false);
}

void TTreeNodes::ForgetItems(TTreeNode* Node) {
    Node->FItemId = nullptr;
    for (auto& child : Node->FChildren) ForgetItems(child.get());
}

TTreeNode* TTreeNodes::Add(TTreeNode* Sibling, const std::string& S) { return AddObject(Sibling, S, nullptr); }

TTreeNode* TTreeNodes::AddObject(TTreeNode* Sibling, const std::string& S, void* Ptr) {
    CheckOwn(Sibling);
    TTreeNode* parent = Sibling ? Sibling->FParent : nullptr;
    return InsertNode(parent, parent ? parent->FChildren.size() : FRoots.size(), S, Ptr);
}

TTreeNode* TTreeNodes::AddFirst(TTreeNode* Sibling, const std::string& S) {
    CheckOwn(Sibling);
    return InsertNode(Sibling ? Sibling->FParent : nullptr, 0, S, nullptr);
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* Parent, const std::string& S) { return AddChildObject(Parent, S, nullptr); }

TTreeNode* TTreeNodes::AddChildObject(TTreeNode* Parent, const std::string& S, void* Ptr) {
    CheckOwn(Parent);
    return InsertNode(Parent, Parent ? Parent->FChildren.size() : FRoots.size(), S, Ptr);
}

TTreeNode* TTreeNodes::AddChildFirst(TTreeNode* Parent, const std::string& S) {
    CheckOwn(Parent);
    return InsertNode(Parent, 0, S, nullptr);
}

TTreeNode* TTreeNodes::Insert(TTreeNode* Sibling, const std::string& S) {
    CheckOwn(Sibling);
    if (!Sibling) return InsertNode(nullptr, FRoots.size(), S, nullptr);
    return InsertNode(Sibling->FParent, static_cast<size_t>(Sibling->Index()), S, nullptr);
}

void TTreeNodes::Delete(TTreeNode* Node) {
    if (!Node) return;
    CheckOwn(Node);
    // The program hears of every node that goes, children first, while they are all still there.
    std::function<void(TTreeNode*)> tell = [&](TTreeNode* n) {
        for (auto& child : n->FChildren) tell(child.get());
        FOwner->Delete(n);
    };
    tell(Node);
    if (FOwner->FSelected == Node || (FOwner->FSelected && FOwner->FSelected->HasAsParent(Node)))
        FOwner->FSelected = nullptr;
    if (Node->FItemId && FOwner->HandleAllocated())
        SendMessageW(FOwner->Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(Node->FItemId));
    TTreeNode* parent = Node->FParent;
    auto& siblings = Node->Siblings();
    auto it = std::find_if(siblings.begin(), siblings.end(), [&](auto& p) { return p.get() == Node; });
    if (it != siblings.end()) siblings.erase(it);
    if (parent) parent->UpdateItem(TVIF_CHILDREN);
}

void TTreeNodes::Clear() {
    TUpdateScope update(*this);
    while (!FRoots.empty()) Delete(FRoots.back().get());
}

void TTreeNodes::BeginUpdate() {
    if (FUpdateCount++ == 0 && FOwner->HandleAllocated()) SendMessageW(FOwner->Handle(), WM_SETREDRAW, FALSE, 0);
}

void TTreeNodes::EndUpdate() {
    if (FUpdateCount == 0) return;
    if (--FUpdateCount == 0 && FOwner->HandleAllocated()) {
        SendMessageW(FOwner->Handle(), WM_SETREDRAW, TRUE, 0);
        FOwner->Invalidate();
    }
}

void TTreeNodes::Assign(TPersistent* Source) {
    auto* source = dynamic_cast<TTreeNodes*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    if (source == this) return;
    TUpdateScope update(*this);
    Clear();
    std::function<void(TTreeNode*, TTreeNode*)> copy = [&](TTreeNode* from, TTreeNode* parent) {
        TTreeNode* node = AddChildObject(parent, from->Text(), from->Data());
        node->SetImageIndex(from->ImageIndex());
        node->SetSelectedIndex(from->SelectedIndex());
        node->SetHasChildren(from->FHasChildren);
        for (auto& child : from->FChildren) copy(child.get(), node);
    };
    for (auto& root : source->FRoots) copy(root.get(), nullptr);
}

// --- TCustomTreeView ---

TCustomTreeView::TCustomTreeView(TComponent* AOwner) : TWinControl(AOwner), FItems(std::make_unique<TTreeNodes>(this)) {
    SetBoundsFields(0, 0, 121, 97);
    FTabStop = true;
    SetParentColor(false);
    SetColor(clWindow);
    FImageChangeLink.OnChange = [this](TObject*) { UpdateImages(); };
}

TCustomTreeView::~TCustomTreeView() {
    Destroying_();
    SetImages(nullptr);
    // The window goes while the nodes it points at are still here.
    if (FHandle) DestroyWindowHandle();
}

void TCustomTreeView::CreateParams(TCreateParams& Params) {
    InitCommonControl(ICC_TREEVIEW_CLASSES);
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, "SysTreeView32");
    if (FShowLines) Params.Style |= TVS_HASLINES;
    if (FShowRoot) Params.Style |= TVS_LINESATROOT;
    if (FShowButtons) Params.Style |= TVS_HASBUTTONS;
    if (!FHideSelection) Params.Style |= TVS_SHOWSELALWAYS;
    if (FRowSelect) Params.Style |= TVS_FULLROWSELECT;
    if (FBorderStyle == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
    Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TCustomTreeView::CreateWnd() {
    TWinControl::CreateWnd();
    TFlagScope quiet(FQuiet, true);
    UpdateColors();
    SendMessageW(FHandle, TVM_SETINDENT, static_cast<WPARAM>(FIndent), 0);
    UpdateImages();
    for (auto& root : FItems->FRoots) FItems->CreateItems(root.get(), TVI_LAST);
    if (FSelected) SendMessageW(FHandle, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(FSelected->FItemId));
}

void TCustomTreeView::SaveItemState() {
    TTreeNode* selected = Selected();
    for (TTreeNode* n = FItems->GetFirstNode(); n; n = n->GetNext()) n->FExpanded = n->Expanded();
    FSelected = selected;
    for (auto& root : FItems->FRoots) FItems->ForgetItems(root.get());
}

void TCustomTreeView::Notification(TComponent* AComponent, TOperation Operation) {
    TWinControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FImages) {
        FImages = nullptr;
        UpdateImages();
    }
}

void TCustomTreeView::SetImages(TCustomImageList* Value) {
    if (Value == FImages) return;
    if (FImages) {
        FImages->UnRegisterChanges(&FImageChangeLink);
        FImages->RemoveFreeNotification(this);
    }
    FImages = Value;
    if (FImages) {
        FImages->RegisterChanges(&FImageChangeLink);
        FImages->FreeNotification(this);
    }
    if (!Destroying()) UpdateImages();
}

void TCustomTreeView::UpdateImages() {
    if (!FHandle) return;
    HIMAGELIST list = FImages ? FImages->Handle() : nullptr;
    SendMessageW(FHandle, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(list));
}

void TCustomTreeView::UpdateColors() {
    if (!FHandle) return;
    SendMessageW(FHandle, TVM_SETBKCOLOR, 0, static_cast<LPARAM>(ColorToRGB(FColor)));
    SendMessageW(FHandle, TVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(ColorToRGB(FFont->Color())));
}

void TCustomTreeView::SetStyleBit(bool& Field, bool Value) {
    if (Field == Value) return;
    Field = Value;
    RecreateWnd();
}

void TCustomTreeView::SetShowLines(bool Value) { SetStyleBit(FShowLines, Value); }
void TCustomTreeView::SetShowRoot(bool Value) { SetStyleBit(FShowRoot, Value); }
void TCustomTreeView::SetShowButtons(bool Value) { SetStyleBit(FShowButtons, Value); }
void TCustomTreeView::SetHideSelection(bool Value) { SetStyleBit(FHideSelection, Value); }
void TCustomTreeView::SetRowSelect(bool Value) { SetStyleBit(FRowSelect, Value); }

void TCustomTreeView::SetBorderStyle(TBorderStyle Value) {
    if (Value == FBorderStyle) return;
    FBorderStyle = Value;
    RecreateWnd();
}

int TCustomTreeView::Indent() const {
    return FHandle ? static_cast<int>(SendMessageW(FHandle, TVM_GETINDENT, 0, 0)) : FIndent;
}

void TCustomTreeView::SetIndent(int Value) {
    FIndent = std::max(Value, 0);
    if (FHandle) SendMessageW(FHandle, TVM_SETINDENT, static_cast<WPARAM>(FIndent), 0);
}

TTreeNode* TCustomTreeView::Selected() const {
    if (!FHandle) return FSelected;
    auto item = reinterpret_cast<HTREEITEM>(SendMessageW(FHandle, TVM_GETNEXTITEM, TVGN_CARET, 0));
    return FItems->GetNode(item);
}

void TCustomTreeView::SetSelected(TTreeNode* Value) {
    FItems->CheckOwn(Value);
    FSelected = Value;
    if (FHandle)
        SendMessageW(FHandle, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(Value ? Value->FItemId : nullptr));
}

TTreeNode* TCustomTreeView::GetNodeAt(int X, int Y) {
    TVHITTESTINFO hit{};
    hit.pt = POINT{X, Y};
    auto item = reinterpret_cast<HTREEITEM>(SendMessageW(Handle(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    return item && (hit.flags & TVHT_ONITEM) ? FItems->GetNode(item) : nullptr;
}

void TCustomTreeView::FullExpand() {
    TTreeNodes::TUpdateScope update(*FItems);
    for (auto& root : FItems->FRoots) root->Expand(true);
}

void TCustomTreeView::FullCollapse() {
    TTreeNodes::TUpdateScope update(*FItems);
    for (auto& root : FItems->FRoots) root->Collapse(true);
}

void TCustomTreeView::ExpandItem(TTreeNode* Node, bool Expand, bool Ask) {
    if (Ask) {
        if (Node->Expanded() == Expand || !Node->HasChildren()) return;
        if (!(Expand ? CanExpand(Node) : CanCollapse(Node))) return;
    }
    Node->FExpanded = Expand;
    if (Node->FItemId && FHandle) {
        // The window tells its parent of an item's first expansion even when the program asks for it.
        TFlagScope guard(FExpandingItem, true);
        SendMessageW(FHandle, TVM_EXPAND, Expand ? TVE_EXPAND : TVE_COLLAPSE, reinterpret_cast<LPARAM>(Node->FItemId));
    }
    if (!Ask) return;
    if (Expand)
        this->Expand(Node);
    else
        Collapse(Node);
}

bool TCustomTreeView::CanChange(TTreeNode* Node) {
    bool allow = true;
    if (OnChanging) OnChanging(this, Node, allow);
    return allow;
}

void TCustomTreeView::Change(TTreeNode* Node) {
    if (OnChange) OnChange(this, Node);
}

bool TCustomTreeView::CanExpand(TTreeNode* Node) {
    bool allow = true;
    if (OnExpanding) OnExpanding(this, Node, allow);
    return allow;
}

void TCustomTreeView::Expand(TTreeNode* Node) {
    if (OnExpanded) OnExpanded(this, Node);
}

bool TCustomTreeView::CanCollapse(TTreeNode* Node) {
    bool allow = true;
    if (OnCollapsing) OnCollapsing(this, Node, allow);
    return allow;
}

void TCustomTreeView::Collapse(TTreeNode* Node) {
    if (OnCollapsed) OnCollapsed(this, Node);
}

void TCustomTreeView::Delete(TTreeNode* Node) {
    if (OnDeletion) OnDeletion(this, Node);
}

void TCustomTreeView::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
        case CN_NOTIFY:
            CNNotify(Message);
            return;
        case WM_DESTROY: {
            TFlagScope quiet(FQuiet, true);
            SaveItemState();
            TWinControl::Dispatch(Message);
            return;
        }
        case CM_COLORCHANGED:
        case CM_FONTCHANGED:
            TWinControl::Dispatch(Message);
            UpdateColors();
            return;
        case WM_GETDLGCODE:
            TWinControl::Dispatch(Message);
            Message.Result |= DLGC_WANTARROWS;
            return;
    }
    TWinControl::Dispatch(Message);
}

void TCustomTreeView::CNNotify(TMessage& Message) {
    auto* header = reinterpret_cast<NMHDR*>(Message.LParam);
    auto* tv = reinterpret_cast<NMTREEVIEWW*>(Message.LParam);
    // Only the handles and item data of the notices are read, which the ANSI and Unicode forms share.
    switch (header->code) {
        case TVN_SELCHANGINGA:
        case TVN_SELCHANGINGW:
            if (!FQuiet) Message.Result = CanChange(reinterpret_cast<TTreeNode*>(tv->itemNew.lParam)) ? 0 : 1;
            return;
        case TVN_SELCHANGEDA:
        case TVN_SELCHANGEDW:
            if (!FQuiet) {
                FSelected = reinterpret_cast<TTreeNode*>(tv->itemNew.lParam);
                Change(FSelected);
            }
            return;
        case TVN_ITEMEXPANDINGA:
        case TVN_ITEMEXPANDINGW: {
            auto* node = reinterpret_cast<TTreeNode*>(tv->itemNew.lParam);
            if (FExpandingItem || !node) return;
            if (tv->action & TVE_EXPAND)
                Message.Result = CanExpand(node) ? 0 : 1;
            else if (tv->action & TVE_COLLAPSE)
                Message.Result = CanCollapse(node) ? 0 : 1;
            return;
        }
        case TVN_ITEMEXPANDEDA:
        case TVN_ITEMEXPANDEDW: {
            auto* node = reinterpret_cast<TTreeNode*>(tv->itemNew.lParam);
            if (FExpandingItem || !node) return;
            node->FExpanded = (tv->action & TVE_EXPAND) != 0;
            if (node->FExpanded)
                Expand(node);
            else
                Collapse(node);
            return;
        }
        case NM_CUSTOMDRAW:
            CustomDrawNotify(Message);
            return;
    }
    TWinControl::Dispatch(Message);
}

bool TCustomTreeView::IsCustomDrawn(TCustomDrawTarget Target, TCustomDrawStage Stage) const {
    bool items = Stage == cdPrePaint ? (OnCustomDrawItem || OnAdvancedCustomDrawItem) : bool(OnAdvancedCustomDrawItem);
    if (Target == dtItem) return items;
    if (Target == dtControl) return items || OnAdvancedCustomDraw || (Stage == cdPrePaint && OnCustomDraw);
    return false;
}

bool TCustomTreeView::CustomDraw(const TRect& ARect, TCustomDrawStage Stage) {
    bool defaultDraw = true;
    if (Stage == cdPrePaint && OnCustomDraw) OnCustomDraw(this, ARect, defaultDraw);
    if (OnAdvancedCustomDraw) OnAdvancedCustomDraw(this, ARect, Stage, defaultDraw);
    return defaultDraw;
}

bool TCustomTreeView::CustomDrawItem(TTreeNode* Node, TCustomDrawState State, TCustomDrawStage Stage,
                                     bool& PaintImages) {
    bool defaultDraw = true;
    PaintImages = true;
    if (Stage == cdPrePaint && OnCustomDrawItem) OnCustomDrawItem(this, Node, State, defaultDraw);
    if (OnAdvancedCustomDrawItem) OnAdvancedCustomDrawItem(this, Node, State, Stage, PaintImages, defaultDraw);
    return defaultDraw;
}

namespace {

// What of a canvas's font and brush a custom-draw handler may change.
struct TCanvasLook {
    std::string Name;
    int Height;
    unsigned long long Style;
    TFontCharset Charset;
    int Orientation;
    TColor FontColor, BrushColor;
    explicit TCanvasLook(TCanvas& c)
        : Name(c.Font()->Name()),
          Height(c.Font()->Height()),
          Style(c.Font()->Style().Bits()),
          Charset(c.Font()->Charset()),
          Orientation(c.Font()->Orientation()),
          FontColor(c.Font()->Color()),
          BrushColor(c.Brush()->Color()) {}
    bool SameFont(const TCanvasLook& o) const {
        return Name == o.Name && Height == o.Height && Style == o.Style && Charset == o.Charset &&
               Orientation == o.Orientation;
    }
};

}  // namespace

void TCustomTreeView::CustomDrawNotify(TMessage& Message) {
    auto* cd = reinterpret_cast<NMTVCUSTOMDRAW*>(Message.LParam);
    DWORD stage = cd->nmcd.dwDrawStage;
    Message.Result = CDRF_DODEFAULT;
    // The canvas lends itself to the window's DC for one handler and lets go of it on every path.
    struct TOnDC {
        TCanvas& Canvas;
        TOnDC(TCanvas& canvas, HDC dc, TControl* control, TColor back) : Canvas(canvas) {
            Canvas.SetHandle(dc);
            Canvas.Font()->Assign(control->Font());
            Canvas.Brush()->SetColor(back);
        }
        ~TOnDC() { Canvas.SetHandle(nullptr); }
    };
    if (!(stage & CDDS_ITEM)) {
        TCustomDrawStage drawStage = CustomDrawStageOf(stage);
        if (IsCustomDrawn(dtControl, drawStage)) {
            TOnDC on(FCanvas, cd->nmcd.hdc, this, FColor);
            if (!CustomDraw(ClientRect(), drawStage) && drawStage == cdPrePaint) {
                Message.Result = CDRF_SKIPDEFAULT;
                return;
            }
        }
        if (drawStage == cdPrePaint) {
            if (IsCustomDrawn(dtItem, cdPrePaint)) Message.Result |= CDRF_NOTIFYITEMDRAW;
            if (IsCustomDrawn(dtControl, cdPostPaint)) Message.Result |= CDRF_NOTIFYPOSTPAINT;
        }
        return;
    }
    auto* node = reinterpret_cast<TTreeNode*>(cd->nmcd.lItemlParam);
    if (!node) node = FItems->GetNode(reinterpret_cast<HTREEITEM>(cd->nmcd.dwItemSpec));
    if (!node) return;
    TCustomDrawState state = CustomDrawStateOf(cd->nmcd.uItemState);
    bool paintImages = true;
    if (stage == CDDS_ITEMPREPAINT) {
        bool selected = state.Contains(cdsSelected);
        TOnDC on(FCanvas, cd->nmcd.hdc, this, selected ? clHighlight : FColor);
        if (selected) FCanvas.Font()->SetColor(clHighlightText);
        TCanvasLook before(FCanvas);
        bool defaultDraw = CustomDrawItem(node, state, cdPrePaint, paintImages);
        if (!paintImages) Message.Result |= TVCDRF_NOIMAGES;
        if (!defaultDraw) {
            Message.Result |= CDRF_SKIPDEFAULT;
            return;
        }
        TCanvasLook after(FCanvas);
        if (after.FontColor != before.FontColor || after.BrushColor != before.BrushColor) {
            cd->clrText = static_cast<COLORREF>(ColorToRGB(after.FontColor));
            cd->clrTextBk = static_cast<COLORREF>(ColorToRGB(after.BrushColor));
        }
        if (!after.SameFont(before)) {
            // The window draws the item with whatever font is in its DC; ours goes again after the item.
            LOGFONTW font{};
            GetObjectW(FCanvas.Font()->Handle(), sizeof font, &font);
            FCanvas.SetHandle(nullptr);
            FItemFont = CreateFontIndirectW(&font);
            if (FItemFont) {
                FItemOldFont = SelectObject(cd->nmcd.hdc, FItemFont);
                Message.Result |= CDRF_NEWFONT | CDRF_NOTIFYPOSTPAINT;
            }
        }
        if (IsCustomDrawn(dtItem, cdPostPaint)) Message.Result |= CDRF_NOTIFYPOSTPAINT;
        return;
    }
    if (stage == CDDS_ITEMPOSTPAINT) {
        if (FItemFont) {
            SelectObject(cd->nmcd.hdc, FItemOldFont);
            DeleteObject(FItemFont);
            FItemFont = nullptr;
        }
        if (IsCustomDrawn(dtItem, cdPostPaint)) {
            TOnDC on(FCanvas, cd->nmcd.hdc, this, FColor);
            CustomDrawItem(node, state, cdPostPaint, paintImages);
        }
    }
}

// --- form resources ---

namespace {

// Nodes are kept as nested lists: Items.Nodes = (('Ports' 0 1 ('COM1' 2 2)) ('Log' -1 -1)), each node its text,
// image, selected image and then its children.
void ReadNode(TReader* Reader, TTreeNodes* Nodes, TTreeNode* Parent) {
    Reader->ReadListBegin();
    TTreeNode* node = Nodes->AddChild(Parent, Reader->ReadString());
    node->SetImageIndex(static_cast<int>(Reader->ReadInteger()));
    node->SetSelectedIndex(static_cast<int>(Reader->ReadInteger()));
    while (!Reader->EndOfList()) ReadNode(Reader, Nodes, node);
    Reader->ReadListEnd();
}

void WriteNode(TWriter* Writer, TTreeNode* Node) {
    Writer->WriteListBegin();
    Writer->WriteString(Node->Text());
    Writer->WriteInteger(Node->ImageIndex());
    Writer->WriteInteger(Node->SelectedIndex());
    for (int i = 0; i < Node->Count(); ++i) WriteNode(Writer, Node->Item(i));
    Writer->WriteListEnd();
}

const bool TreeViewRegistered = [] {
    RegisterFormClass<TTreeNodes>([](TFormClass<TTreeNodes>& c) {
        c.DefineProperties([](TTreeNodes* nodes, TFiler* f) {
            f->DefineProperty(
                "Nodes",
                [nodes](TReader* r) {
                    TTreeNodes::TUpdateScope update(*nodes);
                    nodes->Clear();
                    r->ReadListBegin();
                    while (!r->EndOfList()) ReadNode(r, nodes, nullptr);
                    r->ReadListEnd();
                },
                [nodes](TWriter* w) {
                    w->WriteListBegin();
                    for (TTreeNode* n = nodes->GetFirstNode(); n; n = n->GetNextSibling()) WriteNode(w, n);
                    w->WriteListEnd();
                },
                nodes->GetFirstNode() != nullptr);
        });
    });
    RegisterFormClass<TCustomTreeView>([](TFormClass<TCustomTreeView>& c) {
        c.Enum("BorderStyle", &TCustomTreeView::BorderStyle, &TCustomTreeView::SetBorderStyle,
               {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"})
            .Default(bsSingle);
        c.Boolean("HideSelection", &TCustomTreeView::HideSelection, &TCustomTreeView::SetHideSelection).Default(true);
        c.Component("Images", &TCustomTreeView::Images, &TCustomTreeView::SetImages);
        c.Integer("Indent", &TCustomTreeView::Indent, &TCustomTreeView::SetIndent).Default(19);
        c.Object("Items", &TCustomTreeView::Items);
        c.Boolean("RowSelect", &TCustomTreeView::RowSelect, &TCustomTreeView::SetRowSelect).Default(false);
        c.Boolean("ShowButtons", &TCustomTreeView::ShowButtons, &TCustomTreeView::SetShowButtons).Default(true);
        c.Boolean("ShowLines", &TCustomTreeView::ShowLines, &TCustomTreeView::SetShowLines).Default(true);
        c.Boolean("ShowRoot", &TCustomTreeView::ShowRoot, &TCustomTreeView::SetShowRoot).Default(true);
        c.Event("OnAdvancedCustomDraw", &TCustomTreeView::OnAdvancedCustomDraw);
        c.Event("OnAdvancedCustomDrawItem", &TCustomTreeView::OnAdvancedCustomDrawItem);
        c.Event("OnChange", &TCustomTreeView::OnChange);
        c.Event("OnChanging", &TCustomTreeView::OnChanging);
        c.Event("OnCollapsed", &TCustomTreeView::OnCollapsed);
        c.Event("OnCollapsing", &TCustomTreeView::OnCollapsing);
        c.Event("OnCustomDraw", &TCustomTreeView::OnCustomDraw);
        c.Event("OnCustomDrawItem", &TCustomTreeView::OnCustomDrawItem);
        c.Event("OnDeletion", &TCustomTreeView::OnDeletion);
        c.Event("OnExpanded", &TCustomTreeView::OnExpanded);
        c.Event("OnExpanding", &TCustomTreeView::OnExpanding);
    });
    RegisterFormClass<TTreeView>();
    return true;
}();

}  // namespace
