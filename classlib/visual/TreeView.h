#pragma once
// The tree view: nodes with text and images in a comctl32 tree, kept by the class library so that they outlive
// the window (a new window gets them back with their expanded and selected state), with the change, expansion
// and custom-draw events.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Controls.h"
#include "ImgList.h"

// --- custom drawing, shared by the common controls that draw through NM_CUSTOMDRAW ---

enum TCustomDrawTarget { dtControl, dtItem, dtSubItem };
enum TCustomDrawStage { cdPrePaint, cdPostPaint, cdPreErase, cdPostErase };
// The item states in the order of their CDIS_ bits.
enum TCustomDrawStateItem {
    cdsSelected,
    cdsGrayed,
    cdsDisabled,
    cdsChecked,
    cdsFocused,
    cdsDefault,
    cdsHot,
    cdsMarked,
    cdsIndeterminate
};
using TCustomDrawState = Set<TCustomDrawStateItem>;

class TCustomTreeView;
class TTreeNodes;

// One node of a tree view: its text, images, children and state.
class TTreeNode : public TPersistent {
    CLASS_INFO(TTreeNode, TPersistent)
public:
    TTreeNode(TTreeNodes* AOwner, TTreeNode* AParent);
    ~TTreeNode() override;
    TTreeNode(const TTreeNode&) = delete;
    TTreeNode& operator=(const TTreeNode&) = delete;

    const std::string& Text() const { return FText; }
    void SetText(const std::string& Value);
    // The image beside the node (-1: none) and the one shown while it is selected.
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    int SelectedIndex() const { return FSelectedIndex; }
    void SetSelectedIndex(int Value);
    // Whatever the program keeps with the node; the tree never touches it.
    void* Data() const { return FData; }
    void SetData(void* Value) { FData = Value; }

    // Expanding asks OnExpanding (collapsing OnCollapsing) first, as a click would.
    bool Expanded() const;
    void SetExpanded(bool Value);
    void Expand(bool Recurse);
    void Collapse(bool Recurse);
    bool Selected() const;
    void SetSelected(bool Value);
    // Shows a button although the node has no children yet (for children made in OnExpanding).
    bool HasChildren() const { return FHasChildren || !FChildren.empty(); }
    void SetHasChildren(bool Value);

    int Count() const { return static_cast<int>(FChildren.size()); }
    // Child Index; raises EListError outside 0..Count-1.
    TTreeNode* Item(int Index) const;
    TTreeNode* Parent() const { return FParent; }
    // 0 for a top-level node.
    int Level() const;
    // The position among its siblings.
    int Index() const;
    // The position in the whole tree, counted depth first.
    int AbsoluteIndex() const;
    TTreeNode* GetFirstChild() const { return FChildren.empty() ? nullptr : FChildren.front().get(); }
    TTreeNode* GetLastChild() const { return FChildren.empty() ? nullptr : FChildren.back().get(); }
    TTreeNode* GetNextSibling() const;
    TTreeNode* GetPrevSibling() const;
    // The next node depth first, or null after the last.
    TTreeNode* GetNext() const;
    bool HasAsParent(const TTreeNode* Value) const;

    // Frees the node and its children.
    void Delete();
    void DeleteChildren();
    // The node's row (or only its text) in client coordinates; empty while it is not shown.
    TRect DisplayRect(bool TextOnly) const;
    // The node in the window, or null while the tree has no window.
    HTREEITEM ItemId() const { return FItemId; }
    TTreeNodes* Owner() const { return FOwner; }
    TCustomTreeView* TreeView() const;

private:
    friend class TTreeNodes;
    friend class TCustomTreeView;
    std::vector<std::unique_ptr<TTreeNode>>& Siblings() const;
    // Sends the node's text, images and child button to its window item.
    void UpdateItem(UINT Mask);

    TTreeNodes* FOwner;
    TTreeNode* FParent;
    std::vector<std::unique_ptr<TTreeNode>> FChildren;
    std::string FText;
    int FImageIndex = -1;
    int FSelectedIndex = -1;
    void* FData = nullptr;
    bool FExpanded = false;  // kept while the tree has no window
    bool FHasChildren = false;
    HTREEITEM FItemId = nullptr;
};

// The nodes of a tree view. Adding takes a sibling or parent node of this tree (null: the top level).
class TTreeNodes : public TPersistent {
    CLASS_INFO(TTreeNodes, TPersistent)
public:
    explicit TTreeNodes(TCustomTreeView* AOwner);
    ~TTreeNodes() override;
    TTreeNodes(const TTreeNodes&) = delete;
    TTreeNodes& operator=(const TTreeNodes&) = delete;

    // Every node of the tree.
    int Count() const;
    // Node Index counted depth first; raises EListError outside 0..Count-1.
    TTreeNode* Item(int Index) const;
    TTreeNode* GetFirstNode() const { return FRoots.empty() ? nullptr : FRoots.front().get(); }
    // The node of a window item, or null.
    TTreeNode* GetNode(HTREEITEM ItemId) const;

    // A new last sibling of Sibling (a last top-level node without one).
    TTreeNode* Add(TTreeNode* Sibling, const std::string& S);
    TTreeNode* AddObject(TTreeNode* Sibling, const std::string& S, void* Ptr);
    // A new first sibling of Sibling.
    TTreeNode* AddFirst(TTreeNode* Sibling, const std::string& S);
    // A new last (or first) child of Parent.
    TTreeNode* AddChild(TTreeNode* Parent, const std::string& S);
    TTreeNode* AddChildObject(TTreeNode* Parent, const std::string& S, void* Ptr);
    TTreeNode* AddChildFirst(TTreeNode* Parent, const std::string& S);
    // A new node just before Sibling (the last top-level node without one).
    TTreeNode* Insert(TTreeNode* Sibling, const std::string& S);
    void Delete(TTreeNode* Node);
    void Clear();

    // Keeps the window from repainting while many nodes change.
    void BeginUpdate();
    void EndUpdate();
    // BeginUpdate for the life of the scope.
    class TUpdateScope {
    public:
        explicit TUpdateScope(TTreeNodes& Nodes) : FNodes(Nodes) { FNodes.BeginUpdate(); }
        ~TUpdateScope() { FNodes.EndUpdate(); }
        TUpdateScope(const TUpdateScope&) = delete;
        TUpdateScope& operator=(const TUpdateScope&) = delete;

    private:
        TTreeNodes& FNodes;
    };
    void Assign(TPersistent* Source) override;
    TCustomTreeView* Owner() const { return FOwner; }
    TPersistent* GetOwner() override;

private:
    friend class TTreeNode;
    friend class TCustomTreeView;
    TTreeNode* InsertNode(TTreeNode* Parent, size_t Position, const std::string& S, void* Ptr);
    void CheckOwn(const TTreeNode* Node) const;
    // Makes the window items of Node (after the item After) and of its children.
    void CreateItems(TTreeNode* Node, HTREEITEM After);
    void ForgetItems(TTreeNode* Node);

    TCustomTreeView* FOwner;
    std::vector<std::unique_ptr<TTreeNode>> FRoots;
    int FUpdateCount = 0;
};

using TTVChangedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVChangingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowChange)>;
using TTVExpandingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowExpansion)>;
using TTVCollapsingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowCollapse)>;
using TTVExpandedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVCustomDrawEvent = std::function<void(TCustomTreeView* Sender, const TRect& ARect, bool& DefaultDraw)>;
using TTVCustomDrawItemEvent =
    std::function<void(TCustomTreeView* Sender, TTreeNode* Node, TCustomDrawState State, bool& DefaultDraw)>;
using TTVAdvancedCustomDrawEvent =
    std::function<void(TCustomTreeView* Sender, const TRect& ARect, TCustomDrawStage Stage, bool& DefaultDraw)>;
using TTVAdvancedCustomDrawItemEvent =
    std::function<void(TCustomTreeView* Sender, TTreeNode* Node, TCustomDrawState State, TCustomDrawStage Stage,
                       bool& PaintImages, bool& DefaultDraw)>;

// A tree of nodes over the comctl32 tree view (window class "TTreeView").
class TCustomTreeView : public TWinControl {
    CLASS_INFO(TCustomTreeView, TWinControl)
public:
    explicit TCustomTreeView(TComponent* AOwner);
    ~TCustomTreeView() override;

    TTreeNodes* Items() const { return FItems.get(); }
    void SetItems(TTreeNodes* Value) { FItems->Assign(Value); }
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    bool ShowLines() const { return FShowLines; }
    void SetShowLines(bool Value);
    bool ShowRoot() const { return FShowRoot; }
    void SetShowRoot(bool Value);
    bool ShowButtons() const { return FShowButtons; }
    void SetShowButtons(bool Value);
    // False: the selection stays visible while the tree has no focus.
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool Value);
    bool RowSelect() const { return FRowSelect; }
    void SetRowSelect(bool Value);
    // How far children stand right of their parent, in pixels.
    int Indent() const;
    void SetIndent(int Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);

    // The selected node, or null.
    TTreeNode* Selected() const;
    void SetSelected(TTreeNode* Value);
    // The node at a client point, or null.
    TTreeNode* GetNodeAt(int X, int Y);
    void FullExpand();
    void FullCollapse();
    // The canvas the custom-draw events paint on.
    TCanvas* Canvas() { return &FCanvas; }

    void Dispatch(TMessage& Message) override;

    TTVChangedEvent OnChange;
    TTVChangingEvent OnChanging;
    TTVExpandingEvent OnExpanding;
    TTVExpandedEvent OnExpanded;
    TTVCollapsingEvent OnCollapsing;
    TTVExpandedEvent OnCollapsed;
    TTVExpandedEvent OnDeletion;
    TTVCustomDrawEvent OnCustomDraw;
    TTVCustomDrawItemEvent OnCustomDrawItem;
    TTVAdvancedCustomDrawEvent OnAdvancedCustomDraw;
    TTVAdvancedCustomDrawItemEvent OnAdvancedCustomDrawItem;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

    virtual bool CanChange(TTreeNode* Node);
    virtual void Change(TTreeNode* Node);
    virtual bool CanExpand(TTreeNode* Node);
    virtual void Expand(TTreeNode* Node);
    virtual bool CanCollapse(TTreeNode* Node);
    virtual void Collapse(TTreeNode* Node);
    virtual void Delete(TTreeNode* Node);
    // Whether an event paints at this stage (Target dtControl: the whole tree, dtItem: the nodes).
    virtual bool IsCustomDrawn(TCustomDrawTarget Target, TCustomDrawStage Stage) const;
    // The custom-draw events; false when the handler painted and the tree must not.
    virtual bool CustomDraw(const TRect& ARect, TCustomDrawStage Stage);
    virtual bool CustomDrawItem(TTreeNode* Node, TCustomDrawState State, TCustomDrawStage Stage, bool& PaintImages);

private:
    friend class TTreeNode;
    friend class TTreeNodes;
    void CNNotify(TMessage& Message);
    void CustomDrawNotify(TMessage& Message);
    void SetStyleBit(bool& Field, bool Value);
    void UpdateImages();
    void UpdateColors();
    // Expands or collapses through the window without the window's own notices reaching the events twice;
    // with Ask the events are asked and told, as for a click.
    void ExpandItem(TTreeNode* Node, bool Expand, bool Ask = true);
    // Keeps what only the window knows (expanded nodes, the selection) before its items go.
    void SaveItemState();

    std::unique_ptr<TTreeNodes> FItems;
    TCustomImageList* FImages = nullptr;
    TChangeLink FImageChangeLink;
    bool FShowLines = true;
    bool FShowRoot = true;
    bool FShowButtons = true;
    bool FHideSelection = true;
    bool FRowSelect = false;
    int FIndent = 19;
    TBorderStyle FBorderStyle = bsSingle;
    TTreeNode* FSelected = nullptr;  // kept while the tree has no window
    bool FExpandingItem = false;
    // Set while the window is made or goes: its own selection notices then change nothing.
    bool FQuiet = false;
    TCanvas FCanvas;
    HFONT FItemFont = nullptr;  // a font handed to the window for one item, freed after it
    HGDIOBJ FItemOldFont = nullptr;
};

class TTreeView : public TCustomTreeView {
    CLASS_INFO(TTreeView, TCustomTreeView)
public:
    using TCustomTreeView::TCustomTreeView;
};
