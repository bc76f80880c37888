#include "ActnList.h"

#include <algorithm>

#include "Controls.h"
#include "classlib/runtime/FormResources.h"
#include "ImgList.h"
#include "classlib/runtime/SysUtils.h"

TActionLink::TActionLink(TControl* Client, TBasicAction* Action) : FClient(Client), FAction(Action) {
    FAction->FLinks.push_back(this);
}

TActionLink::~TActionLink() {
    if (FAction) std::erase(FAction->FLinks, this);
}

bool TActionLink::Execute() { return FAction && FAction->Execute(); }

TBasicAction::TBasicAction(TComponent* AOwner) : TComponent(AOwner) {}

TBasicAction::~TBasicAction() {
    // Each control drops its link (which takes itself out of FLinks) while the action is still whole.
    while (!FLinks.empty()) {
        TActionLink* link = FLinks.back();
        link->FClient->SetAction(nullptr);
        if (!FLinks.empty() && FLinks.back() == link) {
            link->FAction = nullptr;
            FLinks.pop_back();
        }
    }
}

bool TBasicAction::Execute() {
    if (!OnExecute) return false;
    OnExecute(this);
    return true;
}

void TBasicAction::Change() {
    // A control may drop its action while it hears of the change: walk a copy, asking each link still there.
    const std::vector<TActionLink*> links = FLinks;
    for (TActionLink* link : links)
        if (std::find(FLinks.begin(), FLinks.end(), link) != FLinks.end()) link->FClient->ActionChange(this, false);
}

TCustomAction::TCustomAction(TComponent* AOwner) : TBasicAction(AOwner) {}

TCustomAction::~TCustomAction() {
    // Taken out of its list without a change: its controls let it go next.
    if (FActionList) std::erase(FActionList->FActions, this);
    FActionList = nullptr;
}

void TCustomAction::SetActionList(TActionList* Value) {
    if (Value == FActionList) return;
    if (FActionList) std::erase(FActionList->FActions, this);
    FActionList = Value;
    if (Value) Value->FActions.push_back(this);
    Change();
}

void TCustomAction::SetCaption(const std::string& Value) {
    if (Value == FCaption) return;
    FCaption = Value;
    Change();
}

void TCustomAction::SetEnabled(bool Value) {
    if (Value == FEnabled) return;
    FEnabled = Value;
    Change();
}

void TCustomAction::SetVisible(bool Value) {
    if (Value == FVisible) return;
    FVisible = Value;
    Change();
}

void TCustomAction::SetHint(const std::string& Value) {
    if (Value == FHint) return;
    FHint = Value;
    Change();
}

void TCustomAction::SetImageIndex(int Value) {
    if (Value < -1) throw EInvalidArgument(Format("An image index cannot be %d", Value));
    if (Value == FImageIndex) return;
    FImageIndex = Value;
    Change();
}

bool TCustomAction::Execute() { return FEnabled && TBasicAction::Execute(); }

TActionList::TActionList(TComponent* AOwner) : TComponent(AOwner), FImageChangeLink(std::make_unique<TChangeLink>()) {
    FImageChangeLink->OnChange = [this](TObject*) { Changed(); };
}

TActionList::~TActionList() {
    SetImages(nullptr);
    for (TCustomAction* action : FActions) action->FActionList = nullptr;
}

TCustomAction* TActionList::Actions(int Index) const {
    if (Index < 0 || Index >= ActionCount()) throw EListError(Format("List index out of bounds (%d)", Index));
    return FActions[static_cast<size_t>(Index)];
}

void TActionList::SetImages(TCustomImageList* Value) {
    if (Value == FImages) return;
    if (FImages) {
        FImages->UnRegisterChanges(FImageChangeLink.get());
        RemoveFreeNotification(FImages);
    }
    FImages = Value;
    if (Value) {
        Value->RegisterChanges(FImageChangeLink.get());
        FreeNotification(Value);
    }
    Changed();
}

void TActionList::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FImages) {
        // The list's links were cut as it went; only the reference is left.
        FImages = nullptr;
        if (!Destroying()) Changed();
    }
}

void TActionList::Changed() {
    if (Destroying()) return;
    const std::vector<TCustomAction*> actions = FActions;
    for (TCustomAction* action : actions) action->Change();
}

// --- form descriptions ---

namespace {

const bool ActionsRegistered = [] {
    // An action read inside an action list belongs to it; one that belongs to a list is written inside it.
    RegisterParentRelation(
        [](TComponent* parent, TComponent* child) {
            auto* list = dynamic_cast<TActionList*>(parent);
            auto* action = dynamic_cast<TCustomAction*>(child);
            if (!list || !action) return false;
            action->SetActionList(list);
            return true;
        },
        [](TComponent* child) -> TComponent* {
            auto* action = dynamic_cast<TCustomAction*>(child);
            return action ? action->ActionList() : nullptr;
        });
    RegisterFormClass<TBasicAction>(
        [](TFormClass<TBasicAction>& c) { c.Event("OnExecute", &TBasicAction::OnExecute); });
    RegisterFormClass<TCustomAction>([](TFormClass<TCustomAction>& c) {
        c.String("Caption", &TCustomAction::Caption, &TCustomAction::SetCaption);
        c.Boolean("Enabled", &TCustomAction::Enabled, &TCustomAction::SetEnabled).Default(true);
        c.String("Hint", &TCustomAction::Hint, &TCustomAction::SetHint);
        c.Integer("ImageIndex", &TCustomAction::ImageIndex, &TCustomAction::SetImageIndex).Default(-1);
        c.Boolean("Visible", &TCustomAction::Visible, &TCustomAction::SetVisible).Default(true);
    });
    RegisterFormClass<TAction>();
    RegisterFormClass<TActionList>([](TFormClass<TActionList>& c) {
        c.Component("Images", &TActionList::Images, &TActionList::SetImages).Stored([](TActionList* o) {
            return o->Images() != nullptr;
        });
    });
    return true;
}();

}  // namespace
