#include "sCtrlAdapter.h"

#include "sFrameAdapter.h"

#include "skin/adapters/acButtonWnds.h"
#include "skin/adapters/acCheckBoxWnds.h"
#include "skin/adapters/acComboWnd.h"
#include "skin/adapters/acEditWnd.h"
#include "skin/adapters/acListViewWnd.h"
#include "skin/adapters/acPanelWnds.h"
#include "skin/adapters/acStatusBarWnd.h"
#include "skin/adapters/acTabWnds.h"
#include "skin/adapters/acToolBarWnds.h"
#include "skin/engine/acThirdParty.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

#include "classlib/runtime/Finally.h"
#include "classlib/visual/Forms.h"
#include "classlib/visual/StdCtrls.h"

#include <algorithm>
#include <functional>

TacFrameAdapterMaker acMakeFrameAdapter = MakeFrameAdapter;

namespace {

// The skin data of an adapted control carries this control-type code.
constexpr int AdaptedControlCode = 227;

// AddAllItems is running; a nested call from a control's reaction waits for the next one.
bool AddingAllItems = false;

bool SkinsItself(TWinControl* Ctrl) { return SendSkinCmdNoParam(Ctrl, scIsSkinned) != 0; }

bool IsFrame(TComponent* Ctrl) { return dynamic_cast<TCustomFrame*>(Ctrl) != nullptr; }

}  // namespace

int ThirdPartyKindOf(TsSkinManager* Manager, const std::string& ClassName) {
    if (!Manager)
        return -1;
    // Exact comparison: the lists name classes as they are spelled.
    for (int kind = 0; kind < acThirdPartyKindCount; ++kind) {
        TStringList* list = Manager->ThirdLists(kind);
        for (int i = 0; i < list->Count(); ++i)
            if (list->Strings(i) == ClassName)
                return kind;
    }
    return -1;
}

// --- TacAdapterItem ---

TacAdapterItem::TacAdapterItem(TacCtrlAdapter* AAdapter, TWinControl* ACtrl)
    : Ctrl(ACtrl), Adapter(AAdapter), FSkinData(std::make_unique<TsCommonData>(ACtrl, true)) {
    FSkinData->COC = AdaptedControlCode;
}

TacAdapterItem::~TacAdapterItem() {
    // The adapter uses the skin data until it has given the window procedure back.
    FWndAdapter.reset();
    FSkinData.reset();
}

void TacAdapterItem::DoHook(TWinControl* ACtrl) {
    if (!ACtrl || ACtrl->Tag() == acNoSkinTag || !ACtrl->HandleAllocated())
        return;
    if (ACtrl->Parent() && SkinsItself(ACtrl))
        return;
    Ctrl = ACtrl;
    if (!ACtrl->Parent())
        return;
    TsSkinManager* manager = Adapter ? Adapter->SkinManager() : FSkinData->SkinManager();
    // An adapter already on the window goes first: its leaving would otherwise take the new one's "ACSBSC" with it.
    FWndAdapter.reset();
    HWND wnd = ACtrl->Handle();
    TsCommonData* data = FSkinData.get();
    // Kinds with a section of their own take it whatever was asked for; the others keep the item's section and
    // fall back to "EDIT" when it has none.
    auto own = [&](const char* section) { data->SetSkinSection(section); };
    switch (ThirdPartyKindOf(manager, ACtrl->ClassName())) {
    case 0:
        FWndAdapter = CreateAdapter<TacEditWnd>(wnd, data, manager, "EDIT", true);
        break;
    case 1:
        own("BUTTON");
        FWndAdapter = CreateAdapter<TacBtnWnd>(wnd, data, manager, "BUTTON", true);
        break;
    case 2:
        own("BUTTON");
        FWndAdapter = CreateAdapter<TacBitBtnWnd>(wnd, data, manager, "BUTTON", true);
        break;
    case 3:
        own("CHECKBOX");
        FWndAdapter = CreateAdapter<TacCheckBoxWnd>(wnd, data, manager, "", true);
        break;
    case 4:
        FWndAdapter = CreateAdapter<TacComboBoxWnd>(wnd, data, manager, "EDIT", true);
        break;
    case 5:
        FWndAdapter = CreateAdapter<TacGridWnd>(wnd, data, manager, "EDIT", true);
        break;
    case 6:
        own("GROUPBOX");
        FWndAdapter = CreateAdapter<TacGroupBoxWnd>(wnd, data, manager, "", true);
        break;
    case 7:
        FWndAdapter = CreateAdapter<TacListViewWnd>(wnd, data, manager, "EDIT", true);
        break;
    case 8:
        own("PANEL");
        FWndAdapter = CreateAdapter<TacPanelWnd>(wnd, data, manager, "PANEL", true);
        break;
    case 9:
        FWndAdapter = CreateAdapter<TacTreeViewWnd>(wnd, data, manager, "EDIT", true);
        break;
    case 10:
        // This combo adapter looks at the control itself to learn whether it has a drop button.
        FWndAdapter = TacWWComboBoxWnd::CreateForControl(ACtrl, data, manager, "EDIT", true);
        break;
    case 11:
        FWndAdapter = CreateAdapter<TacGridEhWnd>(wnd, data, manager, "EDIT", true);
        break;
    case 12:
        FWndAdapter = CreateAdapter<TacVirtualTreeViewWnd>(wnd, data, manager, "EDIT", true);
        break;
    case 13:
        own("PAGECONTROL");
        FWndAdapter = CreateAdapter<TacPageControlWnd>(wnd, data, manager, "PAGECONTROL", true);
        break;
    case 14:
        own("PAGECONTROL");
        FWndAdapter = CreateAdapter<TacTabControlWnd>(wnd, data, manager, "PAGECONTROL", true);
        break;
    case 15:
        own("TOOLBAR");
        FWndAdapter = CreateAdapter<TacToolBarVCLWnd>(wnd, data, manager, "TOOLBAR", true);
        break;
    case 16:
        own("STATUSBAR");
        FWndAdapter = CreateAdapter<TacStatusBarWnd>(wnd, data, manager, "STATUSBAR", true);
        break;
    default:
        break;
    }
}

// --- TacCtrlAdapter ---

TacCtrlAdapter::TacCtrlAdapter(TWinControl* Form, TsCommonData* SkinData, const TAddItemEvent* OnSkinItem)
    : FForm(Form), FSkinData(SkinData), FOnSkinItem(OnSkinItem) {}

TacCtrlAdapter::~TacCtrlAdapter() {
    // The frames' adapters that this list made give their frames back with it.
    ReleaseFrameAdapters(FForm);
    CleanItems();
    RemoveAllItems();
    // A clearing that was already under way elsewhere left these items; they must not outlive the list.
    FItems.clear();
}

TsSkinManager* TacCtrlAdapter::SkinManager() const { return FSkinData ? FSkinData->SkinManager() : DefaultManager; }

void TacCtrlAdapter::AskSkinItem(TComponent* Item, bool& CanBeAdded, std::string& SkinSection) const {
    if (FOnSkinItem && *FOnSkinItem)
        (*FOnSkinItem)(Item, CanBeAdded, SkinSection);
}

bool TacCtrlAdapter::IsControlSupported(TComponent* Ctrl) {
    if (!Ctrl || Ctrl->Tag() == acNoSkinTag)
        return false;
    if (auto* windowed = dynamic_cast<TWinControl*>(Ctrl)) {
        if (!windowed->HandleAllocated() || SkinsItself(windowed))
            return false;
    }
    if (dynamic_cast<TCustomLabel*>(Ctrl) || IsFrame(Ctrl)) {
        bool canBeAdded = true;
        std::string section;
        AskSkinItem(Ctrl, canBeAdded, section);
        return canBeAdded;
    }
    if (dynamic_cast<TGraphicControl*>(Ctrl))
        return false;
    return ThirdPartyKindOf(SkinManager(), Ctrl->ClassName()) >= 0;
}

TacAdapterItem* TacCtrlAdapter::GetItem(int Index) const {
    if (Index < 0 || Index >= Count())
        return nullptr;
    return FItems[static_cast<size_t>(Index)].get();
}

void TacCtrlAdapter::AddControl(TWinControl* Ctrl) { AddNewItem(Ctrl, DefaultSection); }

void TacCtrlAdapter::AddNewItem(TWinControl* Ctrl, const std::string& SkinSection) {
    if (!Ctrl || Ctrl->Tag() == acNoSkinTag || !Ctrl->Parent() || SkinsItself(Ctrl))
        return;
    bool canBeAdded = true;
    std::string section = SkinSection;
    AskSkinItem(Ctrl, canBeAdded, section);
    if (!canBeAdded)
        return;
    if (IsFrame(Ctrl)) {
        // A frame skins itself through an adapter that it owns; once it has one it answers command 7 and is
        // passed by above.
        if (acMakeFrameAdapter)
            acMakeFrameAdapter(Ctrl, "GROUPBOX");
        return;
    }
    TacAdapterItem* item = nullptr;
    for (auto& existing : FItems)
        if (existing && existing->Ctrl == Ctrl) {
            item = existing.get();
            break;
        }
    bool isNew = item == nullptr;
    if (isNew) {
        FItems.push_back(std::make_unique<TacAdapterItem>(this, Ctrl));
        item = FItems.back().get();
    }
    // An empty section would be stored as "UNKNOWN", which no skin has; the adapter's "EDIT" applies instead.
    if (!section.empty())
        item->SkinData()->SetSkinSection(section);
    if (!isNew) {
        // The control's window was made anew and its adapter gave the old one back: a fresh adapter for it.
        if (item->WndAdapter() && item->WndAdapter()->Destroyed) {
            item->FreeWndAdapter();
            if (Ctrl->Parent())
                item->DoHook(Ctrl);
        }
        return;
    }
    // No list names the class, or the adapter could not be made: nothing of this control is kept. The new item is
    // the last one unless the hook added items meanwhile, so it is looked for.
    auto dropUnhooked = Finally([&] {
        if (item->WndAdapter())
            return;
        for (size_t i = FItems.size(); i-- > 0;)
            if (FItems[i].get() == item) {
                DeleteAt(i);
                break;
            }
    });
    if (Ctrl->Parent())
        item->DoHook(Ctrl);
}

void TacCtrlAdapter::DeleteAt(size_t Index) {
    // The item leaves the list before it is freed, so that the list never holds a half-freed item.
    std::unique_ptr<TacAdapterItem> item = std::move(FItems[Index]);
    FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(Index));
    item.reset();
}

void TacCtrlAdapter::RemoveItem(int Index) {
    // A negative index is refused as well: there is no item there to free.
    if (Index < 0 || Index >= Count())
        return;
    size_t i = static_cast<size_t>(Index);
    std::unique_ptr<TacAdapterItem> item = std::move(FItems[i]);
    if (i != FItems.size() - 1)
        FItems[i] = std::move(FItems.back());
    FItems.pop_back();
    item.reset();
}

void TacCtrlAdapter::CleanItems() {
    size_t i = 0;
    while (i < FItems.size()) {
        TacAdapterItem* item = FItems[i].get();
        if (!item || !item->WndAdapter() || item->WndAdapter()->Destroyed)
            DeleteAt(i);
        else
            ++i;
    }
}

void TacCtrlAdapter::RemoveAllItems() {
    if (acAdapterListClearing)
        return;
    acAdapterListClearing = true;
    auto cleared = Finally([] { acAdapterListClearing = false; });
    while (!FItems.empty()) {
        std::unique_ptr<TacAdapterItem> item = std::move(FItems.back());
        FItems.pop_back();
        item.reset();
    }
}

void TacCtrlAdapter::AddAllItems(TWinControl* Parent) {
    if (AddingAllItems)
        return;
    TsSkinManager* manager = SkinManager();
    if (!manager || !manager->SkinningRules().Contains(srThirdParty))
        return;
    TWinControl* container = Parent ? Parent : FForm;
    if (!container)
        return;
    AddingAllItems = true;
    auto done = Finally([] { AddingAllItems = false; });
    CleanItems();

    auto adapt = [&](TComponent* component, bool anyLabel) {
        if (IsControlSupported(component)) {
            if (auto* windowed = dynamic_cast<TWinControl*>(component)) {
                AddNewItem(windowed, "EDIT");
            } else if (auto* label = dynamic_cast<TCustomLabel*>(component);
                       label && (anyLabel || dynamic_cast<TLabel*>(label))) {
                SkinLabel(label);
            }
        }
        auto* windowed = dynamic_cast<TWinControl*>(component);
        if (windowed && windowed->HandleAllocated() && windowed->Parent()) {
            // The nested walk runs under its own guard; this one is taken again for the rest of the walk.
            AddingAllItems = false;
            AddAllItems(windowed);
            AddingAllItems = true;
        }
    };
    // Counts are read anew each time: adapting a control may add components (a frame's adapter).
    for (int i = 0; i < container->ComponentCount(); ++i)
        adapt(container->Components(i), true);
    for (int i = 0; i < container->ControlCount(); ++i)
        adapt(container->Controls(i), false);
}

void TacCtrlAdapter::SkinLabel(TCustomLabel* Label) {
    if (std::none_of(FLabels.begin(), FLabels.end(), [&](const TLabelLook& l) { return l.Label == Label; }))
        FLabels.push_back({Label, Label->Font()->Color(), Label->ParentFont(), Label->Transparent()});
    Label->SetTransparent(true);
    if (DefaultManager)
        Label->Font()->SetColor(DefaultManager->GetGlobalFontColor());
}

void TacCtrlAdapter::RestoreLabels() {
    std::vector<TLabelLook> labels = std::move(FLabels);
    FLabels.clear();
    if (labels.empty() || !FForm)
        return;
    // Only labels that are still there are touched: one freed meanwhile is found nowhere on the form.
    std::function<void(TComponent*)> walk = [&](TComponent* Owner) {
        auto give = [&](TComponent* c) {
            auto it = std::find_if(labels.begin(), labels.end(), [&](const TLabelLook& l) { return l.Label == c; });
            if (it == labels.end())
                return;
            TLabelLook look = *it;
            labels.erase(it);
            if (look.Label->Destroying())
                return;
            look.Label->Font()->SetColor(look.FontColor);
            if (look.ParentFont)
                look.Label->SetParentFont(true);
            look.Label->SetTransparent(look.Transparent);
        };
        for (int i = 0; i < Owner->ComponentCount() && !labels.empty(); ++i) {
            give(Owner->Components(i));
            walk(Owner->Components(i));
        }
        if (auto* windowed = dynamic_cast<TWinControl*>(Owner))
            for (int i = 0; i < windowed->ControlCount() && !labels.empty(); ++i) {
                give(windowed->Controls(i));
                if (auto* child = dynamic_cast<TWinControl*>(windowed->Controls(i)))
                    walk(child);
            }
    };
    walk(FForm);
}

void TacCtrlAdapter::WndProc(TMessage& Message) {
    // The skin goes: the labels it recoloured are the form's own again.
    if (Message.Msg == SM_QUORVEXCMD && SkinCmdOf(Message.WParam) == scRemoveSkin &&
        Message.LParam == reinterpret_cast<LPARAM>(SkinManager()))
        RestoreLabels();
    // The count is read anew each time: a control's reaction may remove items.
    for (size_t i = 0; i < FItems.size(); ++i) {
        TacAdapterItem* item = FItems[i].get();
        if (item && item->WndAdapter() && !item->WndAdapter()->Destroyed && item->Ctrl && item->Ctrl->Parent() &&
            item->Ctrl->HandleAllocated())
            SendMessageA(item->Ctrl->Handle(), Message.Msg, Message.WParam, Message.LParam);
    }
}
