#include "tests/showcase/ShowcaseForms.h"

#include <map>

#include "classlib/visual/Buttons.h"
#include "classlib/visual/ComCtrls.h"
#include "classlib/visual/Grids.h"
#include "classlib/visual/RichEdit.h"
#include "classlib/visual/StdCtrls.h"
#include "classlib/visual/TreeView.h"
#include "tests/skin/FlatFormSkin.h"
#include "tests/skin/SkinSamples.h"

void WriteShowcaseSkins(const std::string& Dir) {
    WriteSkinFolder(Dir, MakeSampleSkin("SAMPLE"));
    WriteSkinFolder(Dir, MakeSampleFontSkin("SAMPLEFONTS"));
    WritePackedSkin(Dir, MakeSampleSkin("SAMPLEPACKED"));
    WriteSkinFolder(Dir, MakeFlatFormSkin("FLATFORM"));
    FlatFormOptions popups;
    popups.PopupMenu = true;
    WriteSkinFolder(Dir, MakeFlatFormSkin("FLATFORMPOPUP", popups));
}

void SetShowcaseClassLists(TsSkinManager* Manager) {
    const std::map<int, std::string> lists = {{0, "TEdit\r\nTMemo\r\nTListBox\r\nTRichEdit"},
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
                                              {16, "TStatusBar"}};
    for (int i = 0; i < 17; ++i) {
        auto it = lists.find(i);
        Manager->ThirdLists(i)->SetText(it == lists.end() ? " " : it->second);
    }
}

template <class C>
C* ShowcaseForms::Add(TWinControl* Parent, int Left, int Top, int Width, int Height) {
    auto* c = new C(Form);
    c->SetName(std::string("c") + std::to_string(++Counter));
    c->SetParent(Parent);
    // Below the tool bar, which lies over the form's top.
    c->SetBounds(Left, Parent == Form ? Top + 30 : Top, Width, Height);
    return c;
}

void ShowcaseForms::BuildMainForm() {
    Form = new TfrmShowcase(Application.Get());
    Form->SetPosition(poDesigned);
    Form->SetBounds(0, 0, 820, 640);
    Form->SetCaption("Showcase");
    auto* menu = new TMainMenu(Form);
    for (const char* caption : {"File", "Edit", "Help"}) {
        auto* top = new TMenuItem(menu);
        top->SetCaption(caption);
        auto* sub = new TMenuItem(menu);
        sub->SetCaption(std::string(caption) + " item");
        top->Add(sub);
        menu->Items()->Add(top);
    }
    Form->SetMenu(menu);
    Popup = new TPopupMenu(Form);
    for (const char* caption : {"First", "Second"}) {
        auto* item = new TMenuItem(Popup);
        item->SetCaption(caption);
        Popup->Items()->Add(item);
    }
    Form->SetPopupMenu(Popup);

    auto* edit = Add<TEdit>(Form, 10, 10, 120, 22);
    edit->SetText("Edit");
    auto* memo = Add<TMemo>(Form, 10, 40, 120, 60);
    memo->Lines()->Add("Memo");
    auto* combo = Add<TComboBox>(Form, 10, 108, 120, 22);
    combo->Items()->Add("Combo");
    auto* list = Add<TListBox>(Form, 10, 138, 120, 60);
    list->Items()->Add("List");
    Add<TButton>(Form, 10, 206, 120, 26)->SetCaption("Button");
    Add<TCheckBox>(Form, 10, 240, 120, 20)->SetCaption("Check");
    Add<TRadioButton>(Form, 10, 264, 120, 20)->SetCaption("Radio");
    auto* group = Add<TGroupBox>(Form, 10, 290, 120, 70);
    group->SetCaption("Group");
    GroupLabel = Add<TLabel>(group, 10, 20, 80, 16);
    GroupLabel->SetCaption("Label in group");
    Add<TScrollBar>(Form, 10, 368, 120, 18);
    Add<TBitBtn>(Form, 10, 392, 120, 26)->SetCaption("BitBtn");
    Add<TSpeedButton>(Form, 10, 424, 60, 24)->SetCaption("Speed");

    auto* panel = Add<TPanel>(Form, 140, 10, 200, 80);
    panel->SetCaption("Panel");
    Add<TBevel>(panel, 10, 10, 40, 40);
    Add<TShape>(panel, 60, 10, 40, 40);
    Add<TPaintBox>(panel, 110, 10, 30, 30);
    Add<TImage>(panel, 150, 10, 30, 30);
    auto* tabs = Add<TTabControl>(Form, 140, 100, 200, 80);
    tabs->Tabs()->Add("One");
    tabs->Tabs()->Add("Two");
    auto* pages = Add<TPageControl>(Form, 140, 190, 200, 100);
    for (const char* caption : {"Page 1", "Page 2"}) {
        auto* sheet = new TTabSheet(Form);
        sheet->SetPageControl(pages);
        sheet->SetCaption(caption);
    }
    Add<TUpDown>(Form, 140, 300, 20, 30);
    auto* grid = Add<TStringGrid>(Form, 350, 10, 200, 100);
    grid->SetCells(1, 1, "Cell");
    Add<TDrawGrid>(Form, 350, 120, 200, 80);
    auto* view = Add<TListView>(Form, 350, 210, 200, 80);
    ListView = view;
    view->SetViewStyle(vsReport);
    view->Columns()->Add()->SetCaption("Column");
    view->Items()->Add()->SetCaption("Item");
    auto* tree = Add<TTreeView>(Form, 560, 10, 200, 100);
    tree->Items()->Add(nullptr, "Node");
    auto* rich = Add<TRichEdit>(Form, 560, 120, 200, 60);
    rich->Lines()->Add("Rich");
    auto* box = Add<TScrollBox>(Form, 560, 190, 200, 80);
    Add<TButton>(box, 10, 120, 80, 24)->SetCaption("In box");

    Frame = Add<TFrame>(Form, 350, 300, 240, 140);
    Add<TEdit>(Frame, 10, 10, 100, 22)->SetText("In frame");
    Add<TButton>(Frame, 10, 200, 100, 24)->SetCaption("Below");

    auto* bar = Add<TToolBar>(Form, 0, 0, 100, 26);
    bar->SetAlign(alTop);
    for (int i = 0; i < 3; ++i) {
        auto* b = new TToolButton(Form);
        b->SetParent(bar);
        b->SetCaption("T" + std::to_string(i));
    }
    auto* status = Add<TStatusBar>(Form, 0, 0, 100, 20);
    status->SetAlign(alBottom);
    status->Panels()->Add()->SetText("Status");
    status->Panels()->Add()->SetText("Bar");

    Provider = new TsSkinProvider(Form);
    Provider->AfterConstruction();
    Form->AfterConstruction();
    Form->Show();
    Tops = {Form->Handle()};
    if (MdiParent) Tops.push_back(MdiParent->Handle());
}

void ShowcaseForms::BuildMdiForms() {
    Application->CreateForm(MdiParent);
    if (Application->MainForm() != MdiParent)
        throw Exception("The showcase's MDI parent must be the application's first form");
    MdiParent->SetPosition(poDesigned);
    MdiParent->SetFormStyle(fsMDIForm);
    MdiParent->SetBounds(830, 0, 420, 320);
    MdiParent->SetCaption("MDI parent");
    MdiProvider = new TsSkinProvider(MdiParent);
    MdiProvider->AfterConstruction();
    MdiParent->AfterConstruction();
    MdiParent->Show();
    MdiChild = new TfrmShowcase(MdiParent);
    MdiChild->SetFormStyle(fsMDIChild);
    MdiChild->SetBounds(10, 10, 200, 150);
    MdiChild->SetCaption("MDI child");
    MdiChildProvider = new TsSkinProvider(MdiChild);
    MdiChildProvider->AfterConstruction();
    MdiChild->AfterConstruction();
    MdiChild->Show();
}

void ShowcaseForms::FreeForms() {
    if (MdiParent) MdiParent->Free();
    if (Form) Form->Free();
    Form = MdiParent = MdiChild = nullptr;
    Provider = MdiProvider = MdiChildProvider = nullptr;
    Popup = nullptr;
    GroupLabel = nullptr;
    Frame = nullptr;
    ListView = nullptr;
    Tops.clear();
}
