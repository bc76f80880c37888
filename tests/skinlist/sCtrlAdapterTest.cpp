#include "skin/forms/sCtrlAdapter.h"
#include "skin/forms/sFrameAdapter.h"

#include "skin/adapters/acSBUtils.h"
#include "skin/engine/acThirdParty.h"
#include "skin/engine/sSkinManager.h"
#include "tests/skin/FlatContentSkin.h"
#include "tests/skin/PixelTestUtils.h"
#include "tests/support/MessageLoop.h"
#include "tests/support/ScreenPictures.h"
#include "tests/support/TempDir.h"

#include "classlib/visual/Buttons.h"
#include "classlib/visual/ComCtrls.h"
#include "classlib/visual/ExtCtrls.h"
#include "classlib/visual/Forms.h"
#include "classlib/visual/Grids.h"
#include "classlib/visual/ListView.h"
#include "classlib/visual/RichEdit.h"
#include "classlib/visual/StdCtrls.h"
#include "classlib/visual/TreeView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

class TfrmListTest : public TForm {
    CLASS_INFO(TfrmListTest, TForm)
public:
    using TForm::TForm;
};

// An edit that skins itself: it answers skin command 7 with 1, as a skin-aware control does.
class TSelfSkinnedEdit : public TEdit {
    CLASS_INFO(TSelfSkinnedEdit, TEdit)
public:
    using TEdit::TEdit;

protected:
    void WndProc(TMessage& Message) override {
        if (Message.Msg == SM_QUORVEXCMD && SkinCmdOf(Message.WParam) == scIsSkinned) {
            Message.Result = 1;
            return;
        }
        TEdit::WndProc(Message);
    }
};

// The frames given to the frame-adapter maker, with the section asked for.
std::vector<std::pair<TWinControl*, std::string>>& MadeFrameAdapters() {
    static std::vector<std::pair<TWinControl*, std::string>> made;
    return made;
}
// Stands in for a frame's adapter: like one, it makes the frame answer skin command 7.
struct TFakeFrameAdapter {
    TWindowProcHook Hook;
    void WndProc(TMessage& Message) {
        if (Message.Msg == SM_QUORVEXCMD && SkinCmdOf(Message.WParam) == scIsSkinned)
            Message.Result = 1;
        else
            Hook.CallPrevious(Message);
    }
};
std::vector<std::unique_ptr<TFakeFrameAdapter>>& FakeFrameAdapters() {
    static std::vector<std::unique_ptr<TFakeFrameAdapter>> adapters;
    return adapters;
}
void RecordFrameAdapter(TWinControl* Frame, const std::string& Section) {
    MadeFrameAdapters().push_back({Frame, Section});
    auto adapter = std::make_unique<TFakeFrameAdapter>();
    adapter->Hook.Install(Frame, TWndMethod(adapter.get(), &TFakeFrameAdapter::WndProc));
    FakeFrameAdapters().push_back(std::move(adapter));
}

// What a window is before the skin comes: its procedure, the control's WindowProc and its region.
struct WindowState {
    LONG_PTR Proc = 0;
    TWndMethod Method;
    int RegionType = NULLREGION;
    RECT RegionBox{};
    bool operator==(const WindowState& o) const {
        return Proc == o.Proc && Method == o.Method && RegionType == o.RegionType &&
               EqualRect(&RegionBox, &o.RegionBox);
    }
};

BOOL CALLBACK CollectChild(HWND Wnd, LPARAM Param) {
    auto* out = reinterpret_cast<std::map<HWND, WindowState>*>(Param);
    WindowState s;
    s.Proc = GetWindowLongPtrW(Wnd, GWLP_WNDPROC);
    if (TWinControl* c = FindControl(Wnd))
        s.Method = c->WindowProc();
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    s.RegionType = GetWindowRgn(Wnd, rgn);
    if (s.RegionType != ERROR)
        GetRgnBox(rgn, &s.RegionBox);
    DeleteObject(rgn);
    (*out)[Wnd] = s;
    return TRUE;
}

std::map<HWND, WindowState> StatesOf(HWND Form) {
    std::map<HWND, WindowState> states;
    EnumChildWindows(Form, CollectChild, reinterpret_cast<LPARAM>(&states));
    return states;
}

BOOL CALLBACK CountAdapted(HWND Wnd, LPARAM Param) {
    if (GetPropA(Wnd, acAdapterProp))
        ++*reinterpret_cast<int*>(Param);
    return TRUE;
}

int AdaptedWindows(HWND Form) {
    int n = 0;
    EnumChildWindows(Form, CountAdapted, reinterpret_cast<LPARAM>(&n));
    return n;
}

std::string AdapterClassOf(TWinControl* Ctrl) {
    TacMainWnd* a = Ctrl->HandleAllocated() ? GetAdapterOfWnd(Ctrl->Handle()) : nullptr;
    return a ? a->ClassName() : "";
}

class AdapterList : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Dir = new TempDir;
        WriteSkinFolder(Dir->Path(), MakeFlatContentSkin());
    }
    static void TearDownTestSuite() {
        delete Dir;
        Dir = nullptr;
    }
    void SetUp() override {
        MadeFrameAdapters().clear();
        acMakeFrameAdapter = RecordFrameAdapter;
        Manager = std::make_unique<TsSkinManager>(nullptr);
        Manager->SetSkinDirectory(Dir->Path());
        Manager->SetSkinName("FLATCONTENT");
        ASSERT_TRUE(Manager->Active());
        Form = new TfrmListTest(nullptr);
        Form->SetBounds(10, 10, 780, 580);
        Form->Show();
        Settle();
    }
    void TearDown() override {
        List.reset();
        FakeFrameAdapters().clear();
        if (Form)
            Form->Free();
        Form = nullptr;
        Manager.reset();
        acMakeFrameAdapter = MakeFrameAdapter;
        PumpMessagesFor(20);
    }
    static void Settle(DWORD ms = 100) { PumpMessagesFor(ms); }

    // The class-name lists as an application fills them: one line per class, by kind.
    void SetLists(const std::map<int, std::string>& Lists) {
        for (int i = 0; i < acThirdPartyKindCount; ++i) {
            auto it = Lists.find(i);
            Manager->ThirdLists(i)->SetText(it == Lists.end() ? " " : it->second);
        }
    }
    void SetStandardLists() {
        SetLists({{0, "TEdit\r\nTMemo\r\nTListBox\r\nTRichEdit\r\nTSelfSkinnedEdit"},
                  {1, "TButton"},
                  {2, "TBitBtn"},
                  {3, "TCheckBox\r\nTRadioButton"},
                  {4, "TComboBox"},
                  {5, "TStringGrid\r\nTDrawGrid"},
                  {6, "TGroupBox"},
                  {7, "TListView"},
                  {8, "TPanel"},
                  {9, "TTreeView"},
                  {13, "TPageControl"},
                  {14, "TTabControl"},
                  {15, "TToolBar"},
                  {16, "TStatusBar"}});
    }

    template <class C>
    C* Add(int Left, int Top, int Width = 90, int Height = 24, TWinControl* Parent = nullptr,
           TComponent* Owner = nullptr) {
        auto* c = new C(Owner ? Owner : Form);
        c->SetParent(Parent ? Parent : Form);
        c->SetBounds(Left, Top, Width, Height);
        return c;
    }

    TacAdapterItem* ItemOf(TControl* Ctrl) const {
        for (int i = 0; i < List->Count(); ++i)
            if (List->GetItem(i)->Ctrl == Ctrl)
                return List->GetItem(i);
        return nullptr;
    }
    std::string SectionOf(TControl* Ctrl) const {
        TacAdapterItem* item = ItemOf(Ctrl);
        return item ? item->SkinData()->SkinSection() : "(no item)";
    }

    void NewList(const TAddItemEvent* OnSkinItem = nullptr) {
        ProviderData = std::make_unique<TsCommonData>(nullptr, false);
        List = std::make_unique<TacCtrlAdapter>(Form, ProviderData.get(), OnSkinItem);
    }

    static inline TempDir* Dir = nullptr;
    std::unique_ptr<TsSkinManager> Manager;
    TfrmListTest* Form = nullptr;
    std::unique_ptr<TsCommonData> ProviderData;
    std::unique_ptr<TacCtrlAdapter> List;
};

TEST_F(AdapterList, EveryControlClassGetsTheAdapterItsListNamesAndRemovalRestoresEveryWindow) {
    SetStandardLists();
    // One of every control class of the class library.
    auto* edit = Add<TEdit>(8, 8);
    auto* memo = Add<TMemo>(8, 40, 90, 50);
    auto* listBox = Add<TListBox>(8, 96, 90, 50);
    auto* rich = Add<TRichEdit>(8, 152, 90, 50);
    auto* button = Add<TButton>(110, 8);
    auto* bitBtn = Add<TBitBtn>(110, 40);
    auto* check = Add<TCheckBox>(110, 72);
    auto* radio = Add<TRadioButton>(110, 104);
    auto* combo = Add<TComboBox>(110, 136);
    auto* stringGrid = Add<TStringGrid>(210, 8, 120, 80);
    auto* drawGrid = Add<TDrawGrid>(210, 96, 120, 80);
    auto* groupBox = Add<TGroupBox>(340, 8, 120, 80);
    auto* listView = Add<TListView>(340, 96, 120, 80);
    auto* panel = Add<TPanel>(470, 8, 140, 90);
    auto* treeView = Add<TTreeView>(470, 104, 140, 80);
    auto* pageControl = Add<TPageControl>(8, 300, 200, 120);
    auto* sheet = new TTabSheet(Form);
    sheet->SetPageControl(pageControl);
    auto* tabControl = Add<TTabControl>(220, 300, 200, 100);
    auto* toolBar = Add<TToolBar>(0, 0, 300, 26);
    toolBar->SetAlign(alTop);
    auto* toolButton = new TToolButton(Form);
    toolButton->SetParent(toolBar);
    auto* statusBar = Add<TStatusBar>(0, 0, 300, 20);
    statusBar->SetAlign(alBottom);
    auto* scrollBar = Add<TScrollBar>(620, 8, 120, 18);
    auto* upDown = Add<TUpDown>(620, 40, 18, 24);
    auto* scrollBox = Add<TScrollBox>(620, 70, 120, 80);
    auto* label = Add<TLabel>(620, 160);
    auto* bevel = Add<TBevel>(620, 190, 40, 20);
    auto* shape = Add<TShape>(670, 190, 40, 20);
    auto* image = Add<TImage>(620, 220, 40, 20);
    auto* paintBox = Add<TPaintBox>(670, 220, 40, 20);
    auto* speedButton = Add<TSpeedButton>(620, 250, 40, 20);
    // Inside containers: an edit on the panel and a button on the tab sheet, and one that only its parent knows.
    auto* panelEdit = Add<TEdit>(8, 8, 80, 22, panel);
    auto* sheetButton = Add<TButton>(8, 8, 80, 24, sheet);
    auto* orphanButton = new TButton(nullptr);
    orphanButton->SetParent(scrollBox);
    orphanButton->SetBounds(4, 4, 60, 24);
    // Never skinned: Tag -98, and a control that skins itself.
    auto* tagged = Add<TEdit>(430, 300);
    tagged->SetTag(-98);
    auto* selfSkinned = Add<TSelfSkinnedEdit>(430, 330);
    // A frame with an edit of its own.
    auto* frame = Add<TFrame>(430, 360, 150, 80);
    auto* frameEdit = Add<TEdit>(8, 8, 80, 22, frame, frame);
    Form->HandleNeeded();
    Settle();
    label->Font()->SetColor(clLime);

    const std::map<HWND, WindowState> before = StatesOf(Form->Handle());
    ASSERT_GT(before.size(), 30u);

    NewList();
    List->AddAllItems();
    Settle();

    struct Expect {
        TWinControl* Ctrl;
        const char* Adapter;
        const char* Section;
    };
    const Expect expected[] = {
        {edit, "TacEditWnd", "EDIT"},
        {memo, "TacEditWnd", "EDIT"},
        {listBox, "TacEditWnd", "EDIT"},
        {rich, "TacEditWnd", "EDIT"},
        {button, "TacBtnWnd", "BUTTON"},
        {bitBtn, "TacBitBtnWnd", "BUTTON"},
        {check, "TacCheckBoxWnd", "CHECKBOX"},
        {radio, "TacCheckBoxWnd", "CHECKBOX"},
        {combo, "TacComboBoxWnd", "EDIT"},
        {stringGrid, "TacGridWnd", "EDIT"},
        {drawGrid, "TacGridWnd", "EDIT"},
        {groupBox, "TacGroupBoxWnd", "GROUPBOX"},
        {listView, "TacListViewWnd", "EDIT"},
        {panel, "TacPanelWnd", "PANEL"},
        {treeView, "TacTreeViewWnd", "EDIT"},
        {pageControl, "TacPageControlWnd", "PAGECONTROL"},
        {tabControl, "TacTabControlWnd", "PAGECONTROL"},
        {toolBar, "TacToolBarVCLWnd", "TOOLBAR"},
        {statusBar, "TacStatusBarWnd", "STATUSBAR"},
        {panelEdit, "TacEditWnd", "EDIT"},
        {sheetButton, "TacBtnWnd", "BUTTON"},
        {orphanButton, "TacBtnWnd", "BUTTON"},
        {frameEdit, "TacEditWnd", "EDIT"},
    };
    for (const Expect& e : expected) {
        SCOPED_TRACE(e.Ctrl->ClassName());
        EXPECT_EQ(AdapterClassOf(e.Ctrl), e.Adapter);
        ASSERT_NE(ItemOf(e.Ctrl), nullptr);
        EXPECT_EQ(ItemOf(e.Ctrl)->WndAdapter(), GetAdapterOfWnd(e.Ctrl->Handle()));
        EXPECT_EQ(SectionOf(e.Ctrl), e.Section);
        EXPECT_EQ(ItemOf(e.Ctrl)->SkinData()->COC, 227);
        EXPECT_EQ(ItemOf(e.Ctrl)->SkinData()->OwnerControl(), e.Ctrl);
    }
    // One item per adapted control, though the walk meets most of them twice (as component and as child).
    EXPECT_EQ(List->Count(), static_cast<int>(std::size(expected)));
    EXPECT_EQ(AdaptedWindows(Form->Handle()), static_cast<int>(std::size(expected)));
    for (TWinControl* none : std::initializer_list<TWinControl*>{sheet, scrollBar, upDown, scrollBox, tagged,
                                                                 selfSkinned, frame}) {
        SCOPED_TRACE(none->ClassName());
        EXPECT_EQ(ItemOf(none), nullptr);
        EXPECT_EQ(GetPropA(none->Handle(), acAdapterProp), nullptr);
    }
    for (TControl* graphic : std::initializer_list<TControl*>{bevel, shape, image, paintBox, speedButton, toolButton})
        EXPECT_EQ(ItemOf(graphic), nullptr) << graphic->ClassName();
    // The label shows the skin's text colour over whatever lies behind it.
    EXPECT_TRUE(label->Transparent());
    EXPECT_EQ(label->Font()->Color(), Manager->GetGlobalFontColor());
    EXPECT_EQ(label->Font()->Color(), static_cast<TColor>(Opaque(FlatContentGlobalFontColor)));
    // The frame got its own adapter through the maker, once, with the group-box section.
    ASSERT_EQ(MadeFrameAdapters().size(), 1u);
    EXPECT_EQ(MadeFrameAdapters()[0].first, frame);
    EXPECT_EQ(MadeFrameAdapters()[0].second, "GROUPBOX");

    // The edit is painted with the skin: its frame ring has the EDIT section's colour.
    auto shot = PrintOf(edit->Handle());
    EXPECT_EQ(Px(shot.get(), 0, 0), Opaque(FlatFrameColor("EDIT", 0)));

    // A second walk adds nothing.
    List->AddAllItems();
    EXPECT_EQ(List->Count(), static_cast<int>(std::size(expected)));

    // The skin goes, then the list: every window has its procedure and region back.
    Manager->SetActive(false);
    Settle();
    List.reset();
    // The frame's adapter belongs to the frame, not to the list; it goes on its own.
    FakeFrameAdapters().clear();
    Settle();
    EXPECT_EQ(AdaptedWindows(Form->Handle()), 0);
    const std::map<HWND, WindowState> after = StatesOf(Form->Handle());
    ASSERT_EQ(after.size(), before.size());
    for (auto& [wnd, state] : before) {
        ASSERT_TRUE(after.count(wnd));
        TWinControl* c = FindControl(wnd);
        EXPECT_TRUE(after.at(wnd) == state) << (c ? c->ClassName() : "window");
    }
    EXPECT_NE(Px(PrintOf(edit->Handle()).get(), 0, 0), Opaque(FlatFrameColor("EDIT", 0)));
}

// The labels that the skin recoloured get their own look back when the list hears that the skin goes: only those
// still on the form, each as it was before the first walk.
TEST_F(AdapterList, TheSkinsRemovalGivesTheLabelsTheirOwnLookBack) {
    SetStandardLists();
    auto* own = Add<TLabel>(8, 8);
    own->Font()->SetColor(clLime);
    auto* inherited = Add<TLabel>(8, 40);
    auto* gone = Add<TLabel>(8, 72);
    ASSERT_TRUE(inherited->ParentFont());
    ASSERT_FALSE(own->Transparent());
    NewList();
    List->AddAllItems();
    List->AddAllItems();
    EXPECT_EQ(own->Font()->Color(), Manager->GetGlobalFontColor());
    EXPECT_TRUE(own->Transparent());
    EXPECT_FALSE(inherited->ParentFont());
    gone->Free();
    // Another manager's removal is not this skin's.
    TsSkinManager other(nullptr);
    TMessage foreign{SM_QUORVEXCMD, MakeSkinCmd(scRemoveSkin), reinterpret_cast<LPARAM>(&other), 0};
    List->WndProc(foreign);
    EXPECT_EQ(own->Font()->Color(), Manager->GetGlobalFontColor());
    TMessage removal{SM_QUORVEXCMD, MakeSkinCmd(scRemoveSkin), reinterpret_cast<LPARAM>(Manager.get()), 0};
    List->WndProc(removal);
    EXPECT_EQ(own->Font()->Color(), clLime);
    EXPECT_FALSE(own->Transparent());
    EXPECT_TRUE(inherited->ParentFont());
    EXPECT_EQ(inherited->Font()->Color(), Form->Font()->Color());
}

TEST_F(AdapterList, TheListOwnerLeavingGivesEveryProcedureBackWhileTheSkinStays) {
    SetStandardLists();
    auto* edit = Add<TEdit>(8, 8);
    auto* button = Add<TButton>(8, 40);
    auto* panel = Add<TPanel>(8, 80, 200, 100);
    Add<TCheckBox>(8, 8, 90, 24, panel);
    Form->HandleNeeded();
    const std::map<HWND, WindowState> before = StatesOf(Form->Handle());
    NewList();
    List->AddAllItems();
    Settle();
    ASSERT_EQ(List->Count(), 4);
    EXPECT_EQ(AdaptedWindows(Form->Handle()), 4);
    List.reset();
    Settle();
    EXPECT_EQ(AdaptedWindows(Form->Handle()), 0);
    const std::map<HWND, WindowState> after = StatesOf(Form->Handle());
    for (auto& [wnd, state] : before)
        EXPECT_TRUE(after.at(wnd) == state);
    // The controls still work as themselves.
    edit->SetText("still an edit");
    EXPECT_EQ(edit->Text(), "still an edit");
    EXPECT_EQ(SendMessageW(button->Handle(), SM_QUORVEXCMD, MakeSkinCmd(scIsSkinned), 0), 0);
}

TEST_F(AdapterList, ClassNamesAreMatchedExactlyAndTheLowerListWins) {
    auto* edit = Add<TEdit>(8, 8);
    auto* memo = Add<TMemo>(8, 40, 90, 50);
    Form->HandleNeeded();
    // "TEdit" in the edits and the panels: the edits come first. "tmemo" is not "TMemo".
    SetLists({{0, "TEdit"}, {8, "TEdit\r\ntmemo"}});
    NewList();
    EXPECT_TRUE(List->IsControlSupported(edit));
    EXPECT_FALSE(List->IsControlSupported(memo));
    List->AddAllItems();
    EXPECT_EQ(AdapterClassOf(edit), "TacEditWnd");
    EXPECT_EQ(AdapterClassOf(memo), "");
    EXPECT_EQ(List->Count(), 1);

    // The lists as the manager publishes them (its ThirdParty texts), taken over when the manager reads them.
    List.reset();
    SetLists({});
    Manager->ThirdParty()->SetString(0, "TComboBox\r\nTMemo");
    Manager->InitThirdPartyLists(false);
    NewList();
    List->AddAllItems();
    EXPECT_EQ(AdapterClassOf(memo), "TacEditWnd");
    EXPECT_EQ(AdapterClassOf(edit), "");

    // The other makers' kinds: a combo box named in the "ww" edits gets the combo adapter that looks at the
    // control itself.
    List.reset();
    auto* combo = Add<TComboBox>(8, 100);
    Form->HandleNeeded();
    SetLists({{10, "TComboBox"}, {4, " "}});
    NewList();
    List->AddAllItems();
    EXPECT_EQ(AdapterClassOf(combo), "TacWWComboBoxWnd");
    EXPECT_EQ(SectionOf(combo), "EDIT");
}

TEST_F(AdapterList, WithoutThirdPartyRulesNothingIsAdapted) {
    SetStandardLists();
    auto* edit = Add<TEdit>(8, 8);
    Form->HandleNeeded();
    Manager->SetSkinningRules({srStdForms, srStdDialogs});
    NewList();
    List->AddAllItems();
    EXPECT_EQ(List->Count(), 0);
    EXPECT_EQ(AdapterClassOf(edit), "");
    // Controls added one by one are not subject to the rule; without a default section an edit takes "EDIT".
    List->AddControl(edit);
    EXPECT_EQ(AdapterClassOf(edit), "TacEditWnd");
    EXPECT_EQ(SectionOf(edit), "EDIT");
    auto* memo = Add<TMemo>(8, 40, 90, 50);
    List->DefaultSection = "COMBOBOX";
    List->AddControl(memo);
    EXPECT_EQ(SectionOf(memo), "COMBOBOX");
}

TEST_F(AdapterList, TheSkinItemEventVetoesOrChoosesTheSection) {
    SetStandardLists();
    auto* edit = Add<TEdit>(8, 8);
    auto* memo = Add<TMemo>(8, 40, 90, 50);
    auto* button = Add<TButton>(110, 8);
    auto* label = Add<TLabel>(110, 50);
    label->Font()->SetColor(clLime);
    Form->HandleNeeded();
    std::vector<std::string> asked;
    TAddItemEvent onSkinItem = [&](TComponent* Item, bool& CanBeAdded, std::string& Section) {
        asked.push_back(Item->ClassName());
        if (Item == memo || Item == label)
            CanBeAdded = false;
        if (Item == edit || Item == button)
            Section = "COMBOBOX";
    };
    NewList(&onSkinItem);
    List->AddAllItems();
    EXPECT_EQ(AdapterClassOf(memo), "");
    EXPECT_EQ(SectionOf(edit), "COMBOBOX");   // edit-like adapters keep the chosen section
    EXPECT_EQ(SectionOf(button), "BUTTON");   // buttons have their own
    EXPECT_FALSE(label->Transparent());
    EXPECT_EQ(label->Font()->Color(), clLime);
    EXPECT_EQ(List->Count(), 2);
    EXPECT_NE(std::find(asked.begin(), asked.end(), "TLabel"), asked.end());
}

TEST_F(AdapterList, ARecreatedWindowGetsAFreshAdapterAndDeadItemsAreCleaned) {
    SetStandardLists();
    auto* a = Add<TEdit>(8, 8);
    auto* b = Add<TEdit>(8, 40);
    auto* c = Add<TButton>(8, 72);
    auto* d = Add<TEdit>(8, 104);
    Form->HandleNeeded();
    NewList();
    List->AddAllItems();
    ASSERT_EQ(List->Count(), 4);
    TacMainWnd* old = ItemOf(a)->WndAdapter();

    a->RecreateWnd();
    a->HandleNeeded();
    Settle();
    EXPECT_TRUE(old->Destroyed);
    EXPECT_EQ(GetAdapterOfWnd(a->Handle()), nullptr);
    List->AddControl(a);
    EXPECT_EQ(List->Count(), 4);
    ASSERT_NE(ItemOf(a)->WndAdapter(), nullptr);
    EXPECT_FALSE(ItemOf(a)->WndAdapter()->Destroyed);
    EXPECT_EQ(GetAdapterOfWnd(a->Handle()), ItemOf(a)->WndAdapter());

    // Two neighbours lose their windows: one cleaning removes both and keeps the order of the rest.
    b->RecreateWnd();
    c->RecreateWnd();
    b->HandleNeeded();
    c->HandleNeeded();
    Settle();
    List->CleanItems();
    ASSERT_EQ(List->Count(), 2);
    EXPECT_EQ(List->GetItem(0)->Ctrl, a);
    EXPECT_EQ(List->GetItem(1)->Ctrl, d);
}

TEST_F(AdapterList, ItemsOutsideTheListAreNoneAndRemovingTakesTheLastIntoThePlace) {
    SetStandardLists();
    std::vector<TEdit*> edits;
    for (int i = 0; i < 4; ++i)
        edits.push_back(Add<TEdit>(8, 8 + 30 * i));
    Form->HandleNeeded();
    NewList();
    List->AddAllItems();
    ASSERT_EQ(List->Count(), 4);
    EXPECT_EQ(List->GetItem(-1), nullptr);
    EXPECT_EQ(List->GetItem(4), nullptr);
    List->RemoveItem(-1);
    List->RemoveItem(4);
    EXPECT_EQ(List->Count(), 4);
    List->RemoveItem(1);
    ASSERT_EQ(List->Count(), 3);
    EXPECT_EQ(List->GetItem(0)->Ctrl, edits[0]);
    EXPECT_EQ(List->GetItem(1)->Ctrl, edits[3]);
    EXPECT_EQ(List->GetItem(2)->Ctrl, edits[2]);
    EXPECT_EQ(GetAdapterOfWnd(edits[1]->Handle()), nullptr);
}

TEST_F(AdapterList, AControlWithoutAWindowIsNeitherSupportedNorHooked) {
    SetStandardLists();
    auto* hidden = new TEdit(Form);  // no parent: no window
    NewList();
    EXPECT_FALSE(hidden->HandleAllocated());
    EXPECT_FALSE(List->IsControlSupported(hidden));
    List->AddControl(hidden);
    EXPECT_EQ(List->Count(), 0);
    EXPECT_FALSE(hidden->HandleAllocated());
    TacAdapterItem item(List.get(), hidden);
    item.DoHook(hidden);
    EXPECT_EQ(item.WndAdapter(), nullptr);
}

TEST_F(AdapterList, MessagesReachEveryLiveAdaptedControl) {
    SetStandardLists();
    auto* a = Add<TEdit>(8, 8);
    auto* b = Add<TEdit>(8, 40);
    Form->HandleNeeded();
    NewList();
    List->AddAllItems();
    TMessage m{WM_SETTEXT, 0, reinterpret_cast<LPARAM>("told"), 0};
    List->WndProc(m);
    EXPECT_EQ(a->Text(), "told");
    EXPECT_EQ(b->Text(), "told");
    EXPECT_EQ(m.Result, 0);
}

}  // namespace
