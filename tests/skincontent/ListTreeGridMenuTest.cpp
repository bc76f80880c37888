// List views with skinned headers, tree views, grids (the class library's and other makers' by their published
// names), the MDI client painted from its form's picture and popup-menu windows, with their adapters on the flat
// content skin.
#include "ContentFixture.h"
#include "VirtualTreeDouble.h"

#include <commctrl.h>

#include "classlib/runtime/Collections.h"
#include "classlib/runtime/FormResources.h"
#include "classlib/visual/Grids.h"
#include "classlib/visual/ListView.h"
#include "classlib/visual/TreeView.h"
#include "skin/adapters/acListViewWnd.h"
#include "skin/adapters/acMDIWnd.h"
#include "skin/adapters/acMnuWnd.h"
#include "skin/adapters/acPropAccess.h"
#include "classlib/runtime/ObjectInstance.h"

#include <algorithm>

namespace {

// --- other makers' controls, as test doubles with the published names the adapters read ---

class TAdvGridColumn : public TCollectionItem {
    CLASS_INFO(TAdvGridColumn, TCollectionItem)
public:
    TAdvGridColumn() : FHeaderFont(std::make_unique<TFont>()), FFont(std::make_unique<TFont>()) {}
    TFont* HeaderFont() const { return FHeaderFont.get(); }
    TFont* Font() const { return FFont.get(); }
    TColor Color() const { return FColor; }
    void SetColor(TColor Value) { FColor = Value; }

private:
    std::unique_ptr<TFont> FHeaderFont, FFont;
    TColor FColor = clWindow;
};

class TAdvGridColumns : public TOwnedCollection {
    CLASS_INFO(TAdvGridColumns, TOwnedCollection)
public:
    explicit TAdvGridColumns(TPersistent* AOwner) : TOwnedCollection(AOwner, CollectionItemClassOf<TAdvGridColumn>()) {}
    TAdvGridColumn* Add() { return static_cast<TAdvGridColumn*>(TCollection::Add()); }
    TAdvGridColumn* Items(int Index) const { return static_cast<TAdvGridColumn*>(TCollection::Items(Index)); }
};

// A grid of another maker with the names its kind publishes.
template <class Self>
class TNamedGrid : public TStringGrid {
public:
    explicit TNamedGrid(TComponent* AOwner)
        : TStringGrid(AOwner),
          FFixedFont(std::make_unique<TFont>()),
          FColumns(std::make_unique<TAdvGridColumns>(this)) {
        FColumns->Add();
        FColumns->Add();
    }
    TFont* FixedFont() const { return FFixedFont.get(); }
    TAdvGridColumns* Columns() const { return FColumns.get(); }
    TColor FooterColor() const { return FFooterColor; }
    void SetFooterColor(TColor Value) { FFooterColor = Value; }
    TColor IndicatorIconColor() const { return FIndicator; }
    void SetIndicatorIconColor(TColor Value) { FIndicator = Value; }

private:
    std::unique_ptr<TFont> FFixedFont;
    std::unique_ptr<TAdvGridColumns> FColumns;
    TColor FFooterColor = clBtnFace, FIndicator = clBlack;
};

class TDBAdvGrid : public TNamedGrid<TDBAdvGrid> {
    CLASS_INFO(TDBAdvGrid, TStringGrid)
public:
    using TNamedGrid<TDBAdvGrid>::TNamedGrid;
};
class TOtherAdvGrid : public TNamedGrid<TOtherAdvGrid> {
    CLASS_INFO(TOtherAdvGrid, TStringGrid)
public:
    using TNamedGrid<TOtherAdvGrid>::TNamedGrid;
};

template <class G>
void DescribeGrid(TFormClass<G>& c) {
    c.Object("FixedFont", &G::FixedFont);
    c.Collection("Columns", &G::Columns);
    c.Color("FooterColor", &G::FooterColor, &G::SetFooterColor);
    c.Color("IndicatorIconColor", &G::IndicatorIconColor, &G::SetIndicatorIconColor);
}

const bool DoublesRegistered = [] {
    RegisterFormClass<TAdvGridColumn>([](TFormClass<TAdvGridColumn>& c) {
        c.Object("HeaderFont", &TAdvGridColumn::HeaderFont);
        c.Object("Font", &TAdvGridColumn::Font);
        c.Color("Color", &TAdvGridColumn::Color, &TAdvGridColumn::SetColor);
    });
    RegisterFormClass<TDBAdvGrid>(DescribeGrid<TDBAdvGrid>);
    RegisterFormClass<TOtherAdvGrid>(DescribeGrid<TOtherAdvGrid>);
    return true;
}();

TListView* ReportList(TForm* Form, int Rows) {
    auto* list = new TListView(Form);
    list->SetParent(Form);
    list->SetBounds(10, 10, 300, 160);
    list->SetViewStyle(vsReport);
    for (const char* caption : {"Name", "Size", "Kind"}) {
        TListColumn* column = list->Columns()->Add();
        column->SetCaption(caption);
        column->SetWidth(80);
    }
    for (int i = 0; i < Rows; ++i) list->Items()->Add()->SetCaption("row " + std::to_string(i));
    return list;
}

}  // namespace

TEST_F(ContentAdapters, AReportListPaintsItsHeaderWithTheColumnHeaderSectionAndSortArrows) {
    TListView* list = ReportList(Form, 40);
    HWND header = reinterpret_cast<HWND>(SendMessageW(list->Handle(), LVM_GETHEADER, 0, 0));
    ASSERT_TRUE(header);
    HDITEMW item = {};
    item.mask = HDI_FORMAT;
    SendMessageW(header, HDM_GETITEMW, 1, reinterpret_cast<LPARAM>(&item));
    item.fmt |= HDF_SORTUP;
    SendMessageW(header, HDM_SETITEMW, 1, reinterpret_cast<LPARAM>(&item));
    LONG_PTR ownHeaderProc = GetWindowLongPtrW(header, GWLP_WNDPROC);
    TColor ownBack = static_cast<TColor>(SendMessageW(list->Handle(), LVM_GETBKCOLOR, 0, 0));
    auto* adapter = Attach<TacListViewWnd>(list, "EDIT");
    EXPECT_EQ(adapter->HeaderHandle, header);
    EXPECT_EQ(adapter->ViewStyle(), 3);
    EXPECT_EQ(static_cast<TColor>(SendMessageW(list->Handle(), LVM_GETBKCOLOR, 0, 0)),
              Opaque(FlatSectionColor("EDIT")));
    EXPECT_EQ(static_cast<TColor>(SendMessageW(list->Handle(), LVM_GETTEXTCOLOR, 0, 0)), Opaque(FlatFontColor("EDIT")));
    ParkPointer();
    RedrawWindow(list->Handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Settle();
    auto shot = ScreenCopyOf(header);
    RECT cell0, cell1;
    SendMessageW(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&cell0));
    SendMessageW(header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&cell1));
    EXPECT_EQ(Px(shot.get(), cell0.left, cell0.top + 5), Opaque(FlatFrameColor("COLHEADER", 0)));
    EXPECT_EQ(Px(shot.get(), cell0.left + 30, cell0.bottom - 1), Opaque(FlatFrameColor("COLHEADER", 0)));
    // Only the sorted column carries the arrow (the top arrow's glyph).
    // (the glyph is drawn through its mask: blue low and red high inside the cell's frame, unlike its text and colours).
    auto arrowInk = [](TColor c) { return ((c >> 16) & 0xFF) < 0x80 && (c & 0xFF) > 0x80; };
    EXPECT_EQ(CountPx(shot.get(), arrowInk, cell0.right - 18, cell0.top + 3, cell0.right - 3, cell0.bottom - 3), 0);
    EXPECT_GT(CountPx(shot.get(), arrowInk, cell1.right - 18, cell1.top + 3, cell1.right - 3, cell1.bottom - 3), 0);
    // Right of the last column an empty header cell.
    EXPECT_EQ(Px(shot.get(), shot->Width() - 3, 1), Opaque(FlatFrameColor("COLHEADER", 0)));
    // The list's frame and bars.
    auto whole = ScreenCopyOf(list->Handle());
    EXPECT_EQ(Px(whole.get(), 0, 0), Opaque(FlatFrameColor("EDIT", 0)));
    EXPECT_GT(CountOf(whole.get(), FlatFrameColor("SCROLLBTNBOTTOM", 0)), 0);
    // The hot column follows the mouse.
    RECT hr;
    GetWindowRect(header, &hr);
    MoveMouseTo(hr.left + cell0.left + 20, hr.top + 5);
    Settle(200);
    EXPECT_EQ(adapter->HotColumn, 0);
    shot = ScreenCopyOf(header);
    EXPECT_EQ(Px(shot.get(), cell0.left, cell0.top + 5), Opaque(FlatFrameColor("COLHEADER", 1)));
    EXPECT_EQ(Px(shot.get(), cell1.left, cell1.top + 5), Opaque(FlatFrameColor("COLHEADER", 0)));
    // WM_PRINT of the list prints the header too.
    auto printed = PrintOf(list->Handle());
    RECT lr;
    GetWindowRect(list->Handle(), &lr);
    EXPECT_EQ(Px(printed.get(), hr.left - lr.left + cell1.left, hr.top - lr.top + 5),
              Opaque(FlatFrameColor("COLHEADER", 0)));
    ParkPointer();
    Settle(100);

    RemoveSkin();
    EXPECT_EQ(GetWindowLongPtrW(header, GWLP_WNDPROC), ownHeaderProc);
    EXPECT_EQ(static_cast<TColor>(SendMessageW(list->Handle(), LVM_GETBKCOLOR, 0, 0)), ownBack);
    RedrawWindow(list->Handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Settle();
    shot = ScreenCopyOf(header);
    EXPECT_EQ(CountOf(shot.get(), FlatFrameColor("COLHEADER", 0)), 0);
}

TEST_F(BareContentAdapters, WithoutAColumnHeaderSectionHeadersArePaintedAsButtons) {
    TListView* list = ReportList(Form, 3);
    auto* adapter = Attach<TacListViewWnd>(list, "EDIT");
    ParkPointer();
    RedrawWindow(list->Handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Settle();
    auto shot = ScreenCopyOf(adapter->HeaderHandle);
    EXPECT_EQ(Px(shot.get(), 0, 5), Opaque(FlatFrameColor("BUTTON", 0)));
}

TEST_F(ContentAdapters, AReportListScrollsByTheSkinnedThumbToTheRowsAnUnskinnedOneReaches) {
    TListView* list = ReportList(Form, 60);
    auto* adapter = Attach<TacListViewWnd>(list, "EDIT");
    (void)adapter;
    // A thumb track to position 20 and its end, as the skinned bar sends them.
    SCROLLINFO si = {sizeof si, SIF_POS};
    si.nPos = 20;
    SetScrollInfo(list->Handle(), SB_VERT, &si, FALSE);
    SendMessageW(list->Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 20), 0);
    SendMessageW(list->Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 20), 0);
    SendMessageW(list->Handle(), WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), 0);
    Settle();
    EXPECT_EQ(SendMessageW(list->Handle(), LVM_GETTOPINDEX, 0, 0), 20);
    // The same by the mouse: a click on the skinned down arrow moves one row, as on an unskinned list.
    TListView* plain = ReportList(Form, 60);
    plain->SetLeft(320);
    plain->SetWidth(130);
    Settle();
    for (TListView* l : {list, plain}) {
        RECT r;
        GetWindowRect(l->Handle(), &r);
        POINT origin = {0, 0};
        ClientToScreen(l->Handle(), &origin);
        int border = origin.x - r.left, w = GetSystemMetrics(SM_CXVSCROLL);
        int hbar = (GetWindowLongW(l->Handle(), GWL_STYLE) & WS_HSCROLL) ? GetSystemMetrics(SM_CYHSCROLL) : 0;
        ClickAt(r.right - border - w / 2, r.bottom - border - hbar - w / 2);
        Settle(150);
    }
    EXPECT_EQ(SendMessageW(list->Handle(), LVM_GETTOPINDEX, 0, 0), 21);
    EXPECT_EQ(SendMessageW(plain->Handle(), LVM_GETTOPINDEX, 0, 0), 1);
}

namespace {

// A subclass an application puts on a header after the skin's: it passes everything on.
struct HeaderSpy {
    static inline WNDPROC Previous = nullptr;
    static LRESULT CALLBACK Proc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
        return CallWindowProcW(Previous, Wnd, Msg, WParam, LParam);
    }
};

// Drags the skinned thumb of Wnd's bar from its start by the real mouse to the bar's far end.
void DragThumbToEnd(TacScrollWnd* Adapter, HWND Wnd, bool Vertical) {
    TRect bar = Vertical ? GetVScrollRect(Adapter, Wnd) : GetHScrollRect(Adapter, Wnd);
    TacScrollBar* b = Adapter->Bar(Vertical ? SB_VERT : SB_HORZ);
    TacBarLayout layout = CalcBarLayout(bar, Vertical, GetScrollMetric(b, false), b->ScrollInfo, b->MinThumbSize);
    ASSERT_TRUE(layout.ThumbFits());
    int thumb = layout.ThumbStart + layout.ThumbLength / 2;
    POINT from = Vertical ? POINT{(bar.left + bar.right) / 2, thumb} : POINT{thumb, (bar.top + bar.bottom) / 2};
    POINT to = Vertical ? POINT{from.x, bar.bottom - 2} : POINT{bar.right - 2, from.y};
    MoveMouseTo(from.x, from.y);
    Settle(50);
    MouseButton(true);
    Settle(50);
    // The thumb is held, not the track.
    EXPECT_TRUE(Adapter->Dragging);
    for (int i = 1; i <= 4; ++i) {
        MoveMouseTo(from.x + (to.x - from.x) * i / 4, from.y + (to.y - from.y) * i / 4);
        Settle(40);
    }
    MouseButton(false);
    Settle(150);
}

}  // namespace

TEST_F(ContentAdapters, AHeaderWithAnotherSubclassOnItKeepsItsOwnProcedureAfterTheAdapterGoes) {
    TListView* list = ReportList(Form, 5);
    HWND header = reinterpret_cast<HWND>(SendMessageW(list->Handle(), LVM_GETHEADER, 0, 0));
    ASSERT_TRUE(header);
    int instances = ObjectInstanceCount();
    auto* adapter = Attach<TacListViewWnd>(list, "EDIT");
    ASSERT_EQ(adapter->HeaderHandle, header);
    HeaderSpy::Previous =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(header, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HeaderSpy::Proc)));
    // A second header comes: the adapter moves to it, and the first still answers as itself.
    HWND second = CreateWindowExW(0, WC_HEADERW, L"", WS_CHILD | HDS_HORZ, 0, 0, 100, 20, list->Handle(), nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(second);
    EXPECT_EQ(adapter->HeaderHandle, second);
    EXPECT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(second, HDM_GETITEMCOUNT, 0, 0), 0);
    // The adapter goes while the application's subclass still calls what stood before it.
    RemoveSkin();
    // What was the adapter's memory is someone else's now.
    std::vector<std::unique_ptr<char[]>> reuse;
    for (int i = 0; i < 64; ++i) {
        reuse.emplace_back(new char[sizeof(TacListViewWnd)]);
        std::fill_n(reuse.back().get(), sizeof(TacListViewWnd), static_cast<char>(0xFD));
    }
    EXPECT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 3);
    RedrawWindow(list->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Settle();
    auto shot = ScreenCopyOf(header);
    EXPECT_EQ(CountOf(shot.get(), FlatFrameColor("COLHEADER", 0)), 0);
    // The pass-through left in the chain goes with the window.
    DestroyWindow(second);
    list->Free();
    Settle();
    EXPECT_EQ(ObjectInstanceCount(), instances);
}

TEST_F(ContentAdapters, AListInEveryViewFollowsItsSkinnedThumbToTheEnd) {
    struct Case {
        TViewStyle View;
        bool Vertical;
    };
    for (Case c : {Case{vsList, false}, Case{vsIcon, true}, Case{vsSmallIcon, true}, Case{vsReport, true}}) {
        auto* list = new TListView(Form);
        list->SetParent(Form);
        list->SetBounds(10, 10, 260, 150);
        list->SetViewStyle(c.View);
        if (c.View == vsReport) {
            TListColumn* column = list->Columns()->Add();
            column->SetCaption("Name");
            column->SetWidth(120);
        }
        for (int i = 0; i < 80; ++i) list->Items()->Add()->SetCaption("item " + std::to_string(i));
        auto* adapter = Attach<TacListViewWnd>(list, "EDIT");
        HWND h = list->Handle();
        int bar = c.Vertical ? SB_VERT : SB_HORZ;
        ASSERT_TRUE(GetWindowLongW(h, GWL_STYLE) & (c.Vertical ? WS_VSCROLL : WS_HSCROLL)) << c.View;
        UpdateScrolls(adapter, true);
        SetForegroundWindow(Form->Handle());
        DragThumbToEnd(adapter, h, c.Vertical);
        SCROLLINFO si = {sizeof si, SIF_ALL};
        GetScrollInfo(h, bar, &si);
        // The list stands at its end, and shows its last item.
        EXPECT_EQ(si.nPos, si.nMax - static_cast<int>(si.nPage) + 1) << c.View;
        RECT item = {LVIR_BOUNDS, 0, 0, 0}, client;
        GetClientRect(h, &client);
        ASSERT_TRUE(SendMessageW(h, LVM_GETITEMRECT, 79, reinterpret_cast<LPARAM>(&item)));
        EXPECT_TRUE(item.right <= client.right + 1 && item.bottom <= client.bottom + 1 && item.left >= -1 &&
                    item.top >= -1)
            << c.View << ": " << item.left << "," << item.top << " " << item.right << "," << item.bottom;
        Adapters.clear();
        Datas.clear();
        list->Free();
        Settle(50);
    }
}

TEST_F(ContentAdapters, ATreeViewTakesTheHotColourAndGivesItBack) {
    auto* tree = new TTreeView(Form);
    tree->SetParent(Form);
    tree->SetBounds(10, 10, 200, 150);
    TTreeNode* root = tree->Items()->Add(nullptr, "root");
    for (int i = 0; i < 30; ++i) tree->Items()->AddChild(root, "leaf " + std::to_string(i));
    root->Expand(false);
    HWND h = tree->Handle();
    Attach<TacTreeViewWnd>(tree, "EDIT");
    EXPECT_EQ(static_cast<TColor>(SendMessageW(h, TVM_GETBKCOLOR, 0, 0)), Opaque(FlatHotColor("EDIT")));
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    Settle();
    auto shot = ScreenCopyOf(h);
    EXPECT_EQ(Px(shot.get(), 0, 0), Opaque(FlatFrameColor("EDIT", 0)));
    EXPECT_GT(CountOf(shot.get(), FlatHotColor("EDIT")), 100);
    EXPECT_GT(CountOf(shot.get(), FlatFrameColor("SCROLLBTNBOTTOM", 0)), 0);
    RemoveSkin();
    EXPECT_EQ(static_cast<TColor>(SendMessageW(h, TVM_GETBKCOLOR, 0, 0)), static_cast<TColor>(-1));
}

TEST_F(ContentAdapters, AGridTakesTheGlobalColoursByNameAndOnlyTheDataGridOfItsMakerRecoloursColumns) {
    auto* grid = Add<TStringGrid>(10, 10, 200, 120);
    grid->SetRowCount(40);
    auto* adv = Add<TDBAdvGrid>(220, 10, 200, 120);
    auto* other = Add<TOtherAdvGrid>(220, 140, 200, 120);
    TColor ownFixed = grid->FixedColor();
    Attach<TacGridWnd>(grid, "EDIT");
    Attach<TacGridWnd>(adv, "EDIT");
    Attach<TacGridWnd>(other, "EDIT");
    EXPECT_EQ(grid->FixedColor(), Opaque(FlatContentGlobalColor));
    EXPECT_EQ(adv->FixedFont()->Color(), Opaque(FlatContentGlobalFontColor));
    EXPECT_EQ(adv->Columns()->Items(1)->HeaderFont()->Color(), Opaque(FlatContentGlobalFontColor));
    EXPECT_EQ(adv->Columns()->Items(1)->Font()->Color(), Opaque(FlatHotFontColor("EDIT")));
    EXPECT_EQ(adv->Columns()->Items(0)->Color(), Opaque(FlatSectionColor("EDIT")));
    EXPECT_EQ(adv->FooterColor(), Opaque(FlatContentGlobalColor));
    EXPECT_EQ(adv->IndicatorIconColor(), Opaque(FlatFontColor("EDIT")));
    // Another grid keeps its columns and fixed font as they were.
    EXPECT_EQ(other->Columns()->Items(0)->Color(), clWindow);
    EXPECT_EQ(other->FixedFont()->Color(), clWindowText);
    EXPECT_EQ(other->FooterColor(), Opaque(FlatContentGlobalColor));
    RedrawWindow(grid->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    Settle();
    auto shot = ScreenCopyOf(grid->Handle());
    EXPECT_GT(CountOf(shot.get(), FlatContentGlobalColor), 100);
    EXPECT_GT(CountOf(shot.get(), FlatFrameColor("SCROLLBTNBOTTOM", 0)), 0);
    RemoveSkin();
    EXPECT_EQ(grid->FixedColor(), ownFixed);
    EXPECT_EQ(adv->FooterColor(), clBtnFace);
    EXPECT_EQ(adv->FixedFont()->Color(), clWindowText);
}

TEST_F(ContentAdapters, AVirtualTreeGetsTheHeaderPainterOnlyWhereItsEventsAreFree) {
    auto* free = Add<TVirtualExplorerTree>(10, 10, 150, 100);
    auto* taken = Add<TVirtualExplorerTree>(200, 10, 150, 100);
    bool called = false;
    taken->OnAdvancedHeaderDraw = [&](TObject*, TacHeaderPaintInfo&) { called = true; };
    Attach<TacVirtualTreeViewWnd>(free, "EDIT");
    Attach<TacVirtualTreeViewWnd>(taken, "EDIT");
    EXPECT_TRUE(static_cast<bool>(free->OnAdvancedHeaderDraw));
    EXPECT_TRUE(free->Header->Opts.Contains(hoOwnerDraw));
    EXPECT_EQ(free->Colors->File, Opaque(FlatHotFontColor("EDIT")));
    TacHeaderPaintInfo query;
    free->OnHeaderDrawQueryElements(free, query);
    EXPECT_EQ(query.Elements, acHeaderElements);
    // Its painter draws a header cell with the column-header section.
    auto bmp = MakeBmp(60, 20, clFuchsia);
    TacHeaderPaintInfo info;
    info.DC = bmp->Canvas()->Handle();
    info.R = TRect(0, 0, 60, 20);
    info.Text = "col";
    info.SortDirection = 2;
    free->OnAdvancedHeaderDraw(free, info);
    GdiFlush();
    EXPECT_EQ(Px(bmp.get(), 0, 10), Opaque(FlatFrameColor("COLHEADER", 0)));
    // The descending arrow (drawn through its mask: red and green high, blue low).
    EXPECT_GT(CountPx(bmp.get(), [](TColor c) { return ((c >> 16) & 0xFF) > 0x80 && (c & 0xFF) < 0x80; }, 3, 3, 57, 17), 0);
    // The tree whose event was set keeps it and gets no owner-draw option.
    EXPECT_FALSE(taken->Header->Opts.Contains(hoOwnerDraw));
    TacHeaderPaintInfo dummy;
    taken->OnAdvancedHeaderDraw(taken, dummy);
    EXPECT_TRUE(called);
    RemoveSkin();
    EXPECT_FALSE(static_cast<bool>(free->OnAdvancedHeaderDraw));
    EXPECT_FALSE(free->Header->Opts.Contains(hoOwnerDraw));
    EXPECT_EQ(free->Colors->File, clBlack);
}

namespace {

// The MDI main form's skinning as the form skinning will give it: a picture of the whole form window in the
// provider's cache, in stripes so that an offset shows.
class TFakeMDIProvider : public TacMDIFormSkinning {
public:
    explicit TFakeMDIProvider(TCustomForm* AForm, TsSkinManager* Manager) : FForm(AForm), Data(AForm, true) {
        Data.SetSkinManager(Manager);
        Data.SetSkinSection("MDIAREA");
    }
    TCustomForm* Form() override { return FForm; }
    TsCommonData* FormSkinData() override { return &Data; }
    void SetFrameChanged() override { ++FrameChanged; }
    void ResetHotTitleElement() override {}
    void RepaintMDIFrame() override { ++FrameRepaints; }
    void RefreshMDITitleButtons() override {}
    void RefreshMenuLine() override {}
    bool InOwnPaint() override {
        ++ClientPaints;
        return false;
    }
    void PrepareFormCache() override {
        RECT r;
        GetWindowRect(FForm->Handle(), &r);
        Data.InitCacheBmp();
        TBitmap* cache = Data.CacheBmp();
        cache->SetSize(r.right - r.left, r.bottom - r.top);
        for (int y = 0; y < cache->Height(); ++y) FillPx(cache, 0, y, cache->Width(), y + 1, StripeColor(y));
        Data.BGChanged = false;
        ++Prepared;
    }
    static TColor StripeColor(int y) { return (y / 4) % 2 ? RGBc(0x30, 0x90, 0x60) : RGBc(0x90, 0x30, 0x60); }
    TColor FormColor() override { return RGBc(1, 2, 3); }
    std::vector<TControl*> CoveringControls() override { return {}; }
    TCustomForm* FForm;
    TsCommonData Data;
    int FrameChanged = 0, FrameRepaints = 0, Prepared = 0, ClientPaints = 0;
};

class TfrmMDIMain : public TForm {
    CLASS_INFO(TfrmMDIMain, TForm)
public:
    using TForm::TForm;
};
}  // namespace

TEST_F(ContentAdapters, TheMDIClientShowsItsFormsPictureAndRedrawsOnceAfterAScrollStep) {
    auto* main = new TfrmMDIMain(nullptr);
    main->SetFormStyle(fsMDIForm);
    main->SetBounds(40, 40, 400, 300);
    main->Show();
    Settle();
    HWND client = main->ClientHandle();
    ASSERT_TRUE(client);
    TFakeMDIProvider provider(main, Manager.get());
    provider.PrepareFormCache();
    auto adapter = TacMDIWnd::CreateForForm(&provider, client, true);
    RedrawWindow(client, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    Settle();
    RECT cr, fr;
    GetWindowRect(client, &cr);
    GetWindowRect(main->Handle(), &fr);
    int edge = (GetWindowLongW(client, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) ? 2 : 0;
    auto shot = ScreenCopyOf(client);
    int matches = 0, checked = 0;
    for (int y = edge; y < shot->Height() - edge; y += 3) {
        ++checked;
        matches += Px(shot.get(), shot->Width() / 2, y) == TFakeMDIProvider::StripeColor(cr.top - fr.top + y);
    }
    EXPECT_EQ(matches, checked);
    // Tiling repaints the form's frame.
    HWND child = CreateMDIChild(client);
    ASSERT_TRUE(child);
    Settle();
    int repaints = provider.FrameRepaints;
    SendMessageW(client, WM_MDITILE, MDITILE_VERTICAL, 0);
    EXPECT_EQ(provider.FrameRepaints, repaints + 1);
    // A maximized active child covers the client: nothing is painted from the picture.
    SendMessageW(client, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(child), 0);
    Settle();
    TMessage erase = {WM_ERASEBKGND, 0, 0, 0};
    auto bmp = MakeBmp(20, 20, clFuchsia);
    erase.WParam = reinterpret_cast<WPARAM>(bmp->Canvas()->Handle());
    adapter->WndProc(erase);
    GdiFlush();
    EXPECT_EQ(erase.Result, 1);
    EXPECT_EQ(CountOf(bmp.get(), 0xFF00FF), 400);
    adapter.reset();
    main->Free();
}

TEST_F(ContentAdapters, AScrollStepFreezesTheMDIClientAndRedrawsItAfterwardsNotDuringAThumbDrag) {
    auto* main = new TfrmMDIMain(nullptr);
    main->SetFormStyle(fsMDIForm);
    main->SetBounds(40, 40, 400, 300);
    main->Show();
    Settle();
    HWND client = main->ClientHandle();
    TFakeMDIProvider provider(main, Manager.get());
    provider.PrepareFormCache();
    auto adapter = TacMDIWnd::CreateForForm(&provider, client, true);
    // The client's redraw switch is off between the two commands, on after them.
    SendMessageW(client, SM_QUORVEXCMD, MakeSkinCmd(scScrollStepBegins), MAKELONG(SB_LINEDOWN, WM_VSCROLL));
    EXPECT_FALSE(IsWindowVisible(client) && (GetWindowLongW(client, GWL_STYLE) & WS_VISIBLE));
    SendMessageW(client, SM_QUORVEXCMD, MakeSkinCmd(scScrollStepEnds), MAKELONG(SB_LINEDOWN, WM_VSCROLL));
    EXPECT_TRUE(GetWindowLongW(client, GWL_STYLE) & WS_VISIBLE);
    // A step ends with the client painted once; a thumb-drag step with nothing painted.
    Settle();
    int paints = provider.ClientPaints;
    SendMessageW(client, SM_QUORVEXCMD, MakeSkinCmd(scScrollStepBegins), MAKELONG(SB_THUMBTRACK, WM_VSCROLL));
    SendMessageW(client, SM_QUORVEXCMD, MakeSkinCmd(scScrollStepEnds), MAKELONG(SB_THUMBTRACK, WM_VSCROLL));
    EXPECT_EQ(provider.ClientPaints, paints);
    SendMessageW(client, SM_QUORVEXCMD, MakeSkinCmd(scScrollStepBegins), MAKELONG(SB_ENDSCROLL, WM_VSCROLL));
    SendMessageW(client, SM_QUORVEXCMD, MakeSkinCmd(scScrollStepEnds), MAKELONG(SB_ENDSCROLL, WM_VSCROLL));
    EXPECT_EQ(provider.ClientPaints, paints + 1);
    adapter.reset();
    main->Free();
}

namespace {

// The popup-menu windows the menu hook meets, with their adapters, owned by the test as the hook's list owns them.
HHOOK MenuHook = nullptr;
TsSkinManager* MenuManager = nullptr;
std::vector<TacAdapterPtr<TacMnuWnd>>* MenuAdapters = nullptr;
COLORREF MenuPixel = CLR_INVALID;

LRESULT CALLBACK MenuCbtProc(int Code, WPARAM WParam, LPARAM LParam) {
    try {
        if (Code == HCBT_CREATEWND) {
            wchar_t cls[16] = {};
            GetClassNameW(reinterpret_cast<HWND>(WParam), cls, 16);
            if (lstrcmpW(cls, L"#32768") == 0)
                MenuAdapters->push_back(
                    CreateAdapter<TacMnuWnd>(reinterpret_cast<HWND>(WParam), nullptr, MenuManager, "MAINMENU", false));
        }
    } catch (const std::exception& e) {
        HandleApplicationException(e);
    }
    return CallNextHookEx(MenuHook, Code, WParam, LParam);
}

COLORREF ErasedPixel = CLR_INVALID;

// A menu painter that counts how often the popup it composed is forgotten; with WithBackground, the popup's
// background it composed is one flat colour, 6 pixels narrower than the menu window.
constexpr TColor PopupBackgroundColor = static_cast<TColor>(0x3070B0);
class TCountingMenuPainter : public TacMenuPainter {
public:
    explicit TCountingMenuPainter(int* Cleared, bool WithBackground = false)
        : FCleared(Cleared), FWithBackground(WithBackground) {}
    void UpdateMenus() override {}
    void ResetSkinBorderWidth() override {}
    TBitmap* PopupBackground() override {
        if (!FWithBackground || !MenuAdapters || MenuAdapters->empty()) return nullptr;
        RECT r;
        GetWindowRect(MenuAdapters->back()->CtrlHandle, &r);
        FBackground = MakeBmp(r.right - r.left - 6, r.bottom - r.top, PopupBackgroundColor);
        return FBackground.get();
    }
    void HookPopupWnd(TBitmap*, HWND) override {}
    void ClearMenuCache() override { ++*FCleared; }

private:
    int* FCleared;
    bool FWithBackground;
    std::unique_ptr<TBitmap> FBackground;
};

void CALLBACK LookAndCloseMenu(HWND, UINT, UINT_PTR Id, DWORD) {
    KillTimer(nullptr, Id);
    if (!MenuAdapters->empty()) {
        HWND menu = MenuAdapters->back()->CtrlHandle;
        RECT r;
        GetWindowRect(menu, &r);
        MenuPixel = ScreenPixel(r.left + 1, r.top + (r.bottom - r.top) / 2);
        // What the menu's background erasing paints: the section's picture, its centre in the section's colour.
        auto erased = MakeBmp(r.right - r.left, r.bottom - r.top, clFuchsia);
        SendMessageW(menu, WM_ERASEBKGND, reinterpret_cast<WPARAM>(erased->Canvas()->Handle()), 0);
        GdiFlush();
        ErasedPixel = Px(erased.get(), erased->Width() / 2, erased->Height() / 2);
    }
    EndMenu();
}

// A manager of the flat content skin in Folder whose menu painter Make makes.
std::unique_ptr<TsSkinManager> MenuManagerWith(const TacMenuPainterFactory& Make, const std::string& Folder) {
    RegisterMenuPainter(Make);
    auto manager = std::make_unique<TsSkinManager>(nullptr);
    RegisterMenuPainter(nullptr);
    manager->SetSkinDirectory(Folder);
    manager->SetSkinName("FLATCONTENT");
    return manager;
}

// Shows a popup menu of four entries for Owner through the menu hook, looks at it and lets it go.
void ShowMenuAndLook(HWND Owner) {
    MenuPixel = ErasedPixel = CLR_INVALID;
    MenuHook = SetWindowsHookExW(WH_CBT, MenuCbtProc, nullptr, GetCurrentThreadId());
    ASSERT_TRUE(MenuHook);
    HMENU menu = CreatePopupMenu();
    for (int i = 0; i < 4; ++i) AppendMenuW(menu, MF_STRING, 100 + i, L"entry");
    SetTimer(nullptr, 0, 400, LookAndCloseMenu);
    SetForegroundWindow(Owner);
    TrackPopupMenu(menu, TPM_LEFTALIGN, 100, 100, 0, Owner, nullptr);
    Settle(100);
    UnhookWindowsHookEx(MenuHook);
    DestroyMenu(menu);
}

}  // namespace

TEST_F(ContentAdapters, APopupMenuWindowGetsTheMenuBackgroundAndFrameAndIsGivenBackWhenItGoes) {
    std::vector<TacAdapterPtr<TacMnuWnd>> adapters;
    MenuAdapters = &adapters;
    // A manager whose menu painter counts: the window that goes must make the painter forget its popup.
    int cleared = 0;
    auto manager =
        MenuManagerWith([&](TsSkinManager*) { return std::make_unique<TCountingMenuPainter>(&cleared); }, Dir->Path());
    ASSERT_TRUE(manager->Active());
    MenuManager = manager.get();
    acMenuActive = true;
    ShowMenuAndLook(Form->Handle());
    ASSERT_EQ(adapters.size(), 1u);
    EXPECT_EQ(MenuPixel, static_cast<COLORREF>(FlatFrameColor("MAINMENU", 0)));
    EXPECT_EQ(ErasedPixel, static_cast<COLORREF>(FlatCentreColorOf("MAINMENU", 0)));
    // The window went: the adapter gave it back, the cache was cleared and the menu is no longer active; the
    // adapter is still the list's to free.
    EXPECT_TRUE(adapters[0]->Destroyed);
    EXPECT_GE(cleared, 1);
    EXPECT_FALSE(acMenuActive);
    adapters.clear();
    MenuAdapters = nullptr;
    MenuManager = nullptr;
}

TEST_F(ContentAdapters, APopupMenuWindowTakesItsFrameFromTheBackgroundTheSkinnedMenusComposed) {
    std::vector<TacAdapterPtr<TacMnuWnd>> adapters;
    MenuAdapters = &adapters;
    int cleared = 0;
    auto manager = MenuManagerWith(
        [&](TsSkinManager*) { return std::make_unique<TCountingMenuPainter>(&cleared, true); }, Dir->Path());
    ASSERT_TRUE(manager->Active());
    MenuManager = manager.get();
    acMenuActive = true;
    ShowMenuAndLook(Form->Handle());
    ASSERT_EQ(adapters.size(), 1u);
    EXPECT_EQ(MenuPixel, static_cast<COLORREF>(PopupBackgroundColor));
    adapters.clear();
    MenuAdapters = nullptr;
    MenuManager = nullptr;
}

namespace {

// A window whose own procedure answers every skin command with 77, and counts those that reach it.
int OwnSkinCommands = 0;
LRESULT CALLBACK AnsweringProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    if (Msg == SM_QUORVEXCMD) {
        ++OwnSkinCommands;
        return 77;
    }
    return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

HWND AnsweringWindow() {
    static const bool registered = [] {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = AnsweringProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"BrimletTestAnswering";
        return RegisterClassW(&wc) != 0;
    }();
    (void)registered;
    return CreateWindowExW(0, L"BrimletTestAnswering", L"", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

TEST_F(ContentAdapters, AMenuWindowWithoutAnActiveSkinnedMenuAnswersOnlyTheSkinCommandsOfMenus) {
    HWND wnd = AnsweringWindow();
    ASSERT_TRUE(wnd);
    ASSERT_EQ(SendMessageW(wnd, SM_QUORVEXCMD, MakeSkinCmd(scGetSkinIndex), 0), 77);
    OwnSkinCommands = 0;
    acMenuActive = false;
    auto adapter = CreateAdapter<TacMnuWnd>(wnd, nullptr, Manager.get(), "MAINMENU", false);
    EXPECT_EQ(SendMessageW(wnd, SM_QUORVEXCMD, MakeSkinCmd(scIsSkinned), 0), 1);
    EXPECT_EQ(SendMessageW(wnd, SM_QUORVEXCMD, MakeSkinCmd(scGetSkinIndex), 0), 0);
    EXPECT_EQ(SendMessageW(wnd, SM_QUORVEXCMD, MakeSkinCmd(scRefresh), reinterpret_cast<LPARAM>(Manager.get())), 0);
    EXPECT_NE(SendMessageW(wnd, SM_QUORVEXCMD, MakeSkinCmd(scGetApplication), 0), 77);
    ShowWindow(wnd, SW_SHOWNOACTIVATE);
    SendMessageW(wnd, SM_QUORVEXCMD, MakeSkinCmd(scMenuBgChanged), 0);
    EXPECT_EQ(adapter->Erased, 1);
    // With a skinned menu shown it is the same.
    acMenuActive = true;
    EXPECT_EQ(SendMessageW(wnd, SM_QUORVEXCMD, MakeSkinCmd(scGetSkinIndex), 0), 0);
    acMenuActive = false;
    EXPECT_EQ(OwnSkinCommands, 0);
    adapter.reset();
    DestroyWindow(wnd);
}
