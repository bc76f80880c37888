#include "sSystemMenu.h"

#include "classlib/visual/Forms.h"
#include "classlib/runtime/Lists.h"
#include "skin/engine/acSkinHooks.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sSkinManager.h"

#include <algorithm>

const char* const acsRestore = "Restore";
const char* const acsMove = "Move";
const char* const acsSize = "Size";
const char* const acsMinimize = "Minimize";
const char* const acsMaximize = "Maximize";
const char* const acsClose = "Close";
const char* const acsAvailSkins = "Available skins";

namespace {

constexpr const char* SkinSelectName = "SkinSelectItem";

}  // namespace

TsSystemMenu::TsSystemMenu(TacSkinProviderBase* AOwner) : TPopupMenu(AOwner), FOwner(AOwner) {
    SetName("SysMenu");
    ItemRestore = AddItem(acsRestore, "ItemRestore", SC_RESTORE);
    ItemRestore->OnClick = [this](TObject* Sender) { RestoreClick(Sender); };
    ItemMove = AddItem(acsMove, "ItemMove", SC_MOVE);
    ItemMove->OnClick = [this](TObject*) { SendCommand(SC_MOVE); };
    ItemSize = AddItem(acsSize, "ItemSize", SC_SIZE);
    ItemSize->OnClick = [this](TObject*) { SendCommand(SC_SIZE); };
    ItemMinimize = AddItem(acsMinimize, "ItemMinimize", SC_MINIMIZE);
    ItemMinimize->OnClick = [this](TObject* Sender) { MinimizeClick(Sender); };
    ItemMaximize = AddItem(acsMaximize, "ItemMaximize", SC_MAXIMIZE);
    ItemMaximize->OnClick = [this](TObject* Sender) { MaximizeClick(Sender); };
    auto* line = new TMenuItem(this);
    line->SetCaption("-");
    Items()->Add(line);
    ItemClose = AddItem(acsClose, "ItemClose", SC_CLOSE);
    ItemClose->SetShortCut(ShortCut(VK_F4, TShiftState{ssAlt}));
    ItemClose->OnClick = [this](TObject*) { SendCommand(SC_CLOSE); };
}

TMenuItem* TsSystemMenu::AddItem(const std::string& Caption, const std::string& Name, int Tag) {
    auto* item = new TMenuItem(this);
    item->SetCaption(Caption);
    item->SetName(Name);
    item->SetTag(Tag);
    Items()->Add(item);
    return item;
}

void TsSystemMenu::SendCommand(WPARAM Command) {
    if (Form && Form->HandleAllocated())
        SendMessageA(Form->Handle(), WM_SYSCOMMAND, Command, 0);
}

void TsSystemMenu::RestoreClick(TObject*) {
    SendCommand(SC_RESTORE);
    UpdateItems();
}

void TsSystemMenu::MaximizeClick(TObject*) {
    SendCommand(SC_MAXIMIZE);
    UpdateItems();
}

void TsSystemMenu::MinimizeClick(TObject*) {
    TApplication* app = Application;
    if (Form && app && Form == app->MainForm()) {
        // The main form stands for the application: the application goes to the task bar as a whole.
        app->Minimize();
        UpdateItems();
    } else {
        SendCommand(SC_MINIMIZE);
    }
}

bool TsSystemMenu::IsMDIChild() const { return Form && Form->FormStyle() == fsMDIChild; }

bool TsSystemMenu::CloseFlag() const { return FOwner && FOwner->ShowCloseButton(); }

namespace {

bool Iconic(TCustomForm* Form) {
    return Form->WindowState() == wsMinimized || (Form->HandleAllocated() && IsIconic(Form->Handle()));
}

}  // namespace

bool TsSystemMenu::EnabledMax() const {
    if (!Form)
        return false;
    if (!IsMDIChild()) {
        if (Form->WindowState() == wsMaximized)
            return false;
        if (Form->BorderStyle() != bsSingle && Form->BorderStyle() != bsSizeable)
            return false;
    }
    return Form->BorderIcons().Contains(biMaximize);
}

bool TsSystemMenu::EnabledMin() const {
    return Form && Form->BorderIcons().Contains(biMinimize) && Form->WindowState() != wsMinimized;
}

bool TsSystemMenu::EnabledMove() const { return Form && Form->WindowState() != wsMaximized; }

bool TsSystemMenu::EnabledRestore() const {
    if (!Form)
        return false;
    return (Form->BorderIcons().Contains(biMaximize) && Form->WindowState() != wsNormal) ||
           Form->WindowState() == wsMinimized;
}

bool TsSystemMenu::EnabledSize() const { return Form && Form->BorderStyle() != bsSingle && !Iconic(Form); }

bool TsSystemMenu::VisibleClose() const { return CloseFlag(); }

namespace {
// Minimize and maximize show on a sizeable or single-bordered form that has the icon, on an iconic form and an MDI
// child always, and never on dialogs, tool windows or borderless forms.
bool SizeButtonVisible(const TCustomForm* Form, bool Iconic, bool MDIChild, TBorderIcon Icon) {
    if (Iconic || MDIChild)
        return true;
    switch (Form->BorderStyle()) {
    case bsDialog:
    case bsNone:
    case bsToolWindow:
    case bsSizeToolWin:
        return false;
    default:
        return Form->BorderIcons().Contains(Icon);
    }
}
}  // namespace

bool TsSystemMenu::VisibleMax() const {
    return Form && CloseFlag() && SizeButtonVisible(Form, Iconic(Form), IsMDIChild(), biMaximize);
}

bool TsSystemMenu::VisibleMin() const {
    return Form && CloseFlag() && SizeButtonVisible(Form, Iconic(Form), IsMDIChild(), biMinimize);
}

bool TsSystemMenu::VisibleRestore() const {
    if (!Form || !CloseFlag())
        return false;
    if (IsMDIChild())
        return true;
    switch (Form->BorderStyle()) {
    case bsDialog:
    case bsNone:
    case bsSizeToolWin:
    case bsToolWindow:
        return false;
    default:
        return true;
    }
}

bool TsSystemMenu::VisibleSize() const {
    if (!Form)
        return false;
    if (IsMDIChild())
        return true;
    switch (Form->BorderStyle()) {
    case bsDialog:
    case bsNone:
    case bsToolWindow:
        return false;
    default:
        return true;
    }
}

void TsSystemMenu::UpdateItems() {
    if (!Form)
        return;
    ItemRestore->SetVisible(VisibleRestore());
    ItemSize->SetVisible(VisibleSize());
    ItemMinimize->SetVisible(VisibleMin());
    ItemMaximize->SetVisible(VisibleMax());
    ItemClose->SetVisible(VisibleClose());
    ItemMove->SetVisible(true);
    ItemRestore->SetEnabled(EnabledRestore());
    ItemMove->SetEnabled(EnabledMove());
    ItemSize->SetEnabled(EnabledSize());
    ItemMinimize->SetEnabled(EnabledMin());
    ItemMaximize->SetEnabled(EnabledMax());
    ItemClose->SetEnabled(true);
}

void TsSystemMenu::MakeSkinItems() {
    TsSkinManager* manager = nullptr;
    if (FOwner && FOwner->SkinData())
        manager = FOwner->SkinData()->SkinManager();
    if (!manager)
        manager = DefaultManager;
    if (!manager)
        return;
    TStringList names;
    std::string first;
    manager->GetSkinNames(&names, skAll, first);
    if (names.Count() == 0)
        return;
    // Built again (the skins on disk may have changed): the old submenu and its line go first, so that no two
    // items share a name.
    for (int i = 0; i < Items()->Count(); ++i)
        if (TMenuItem* old = Items()->Items(i); old->Name() == SkinSelectName) {
            if (i + 1 < Items()->Count() && Items()->Items(i + 1)->IsLine())
                Items()->Items(i + 1)->Free();
            old->Free();
            break;
        }
    auto* root = new TMenuItem(this);
    root->SetName(SkinSelectName);
    root->SetCaption(acsAvailSkins);
    Items()->Insert(0, root);
    auto* line = new TMenuItem(this);
    line->SetCaption("-");
    Items()->Insert(1, line);
    for (int i = 0; i < names.Count(); ++i) {
        auto* item = new TMenuItem(this);
        item->SetName(SkinSelectName + std::to_string(i));
        item->SetCaption(names.Strings(i));
        item->SetRadioItem(true);
        item->SetChecked(names.Strings(i) == manager->SkinName());
        if (i > 0 && i % 20 == 0)
            item->SetBreak(mbBreak);
        item->OnClick = [this](TObject* Sender) { SkinClick(Sender); };
        root->Add(item);
    }
}

void TsSystemMenu::SkinClick(TObject* Sender) {
    auto* item = dynamic_cast<TMenuItem*>(Sender);
    if (!item)
        return;
    TsSkinManager* manager = nullptr;
    if (FOwner && FOwner->SkinData())
        manager = FOwner->SkinData()->SkinManager();
    if (!manager)
        manager = DefaultManager;
    if (!manager)
        return;
    std::string name = item->Caption();
    name.erase(std::remove(name.begin(), name.end(), '&'), name.end());
    manager->SetSkinName(name);
}

// --- the system menu of a skinned dialog ---

TacSystemMenu::TacSystemMenu(TComponent* AOwner) : TPopupMenu(AOwner) {
    miRestore = AddItem(acsRestore, "miRestore", SC_RESTORE);
    miMove = AddItem(acsMove, "miMove", SC_MOVE);
    miSize = AddItem(acsSize, "miSize", SC_SIZE);
    miMinimize = AddItem(acsMinimize, "miMinimize", SC_MINIMIZE);
    miMaximize = AddItem(acsMaximize, "miMaximize", SC_MAXIMIZE);
    auto* line = new TMenuItem(this);
    line->SetCaption("-");
    Items()->Add(line);
    miClose = AddItem(acsClose, "miClose", SC_CLOSE);
    miClose->SetShortCut(ShortCut(VK_F4, TShiftState{ssAlt}));
}

TMenuItem* TacSystemMenu::AddItem(const std::string& Caption, const std::string& Name, WPARAM Command) {
    auto* item = new TMenuItem(this);
    item->SetCaption(Caption);
    item->SetName(Name);
    item->OnClick = [this, Command](TObject*) {
        if (!DlgWnd)
            return;
        SendMessageA(DlgWnd, WM_SYSCOMMAND, Command, 0);
        // The dialog's new state decides what the menu offers next time.
        if (Command == SC_RESTORE || Command == SC_MAXIMIZE)
            UpdateItems();
    };
    Items()->Add(item);
    return item;
}

void TacSystemMenu::UpdateItems() {
    bool iconic = DlgWnd && IsIconic(DlgWnd), zoomed = DlgWnd && IsZoomed(DlgWnd);
    bool sysMenu = StoredStyle & WS_SYSMENU, minBox = StoredStyle & WS_MINIMIZEBOX,
         maxBox = StoredStyle & WS_MAXIMIZEBOX;
    miRestore->SetVisible((Kind == 1 || Kind == 3) && sysMenu);
    miMove->SetVisible(true);
    miSize->SetVisible(Kind != 0 && Kind != 2 && Kind != 4);
    miMinimize->SetVisible(minBox);
    miMaximize->SetVisible(maxBox);
    miClose->SetVisible(sysMenu);
    miRestore->SetEnabled(maxBox && (iconic || zoomed));
    miMove->SetEnabled(!zoomed);
    miSize->SetEnabled(Kind != 1 && !iconic);
    miMinimize->SetEnabled(!iconic);
    miMaximize->SetEnabled(!zoomed && (Kind == 1 || Kind == 3 || Kind == 5));
    miClose->SetEnabled(true);
}
