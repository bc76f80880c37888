#include "Component.h"

#include <algorithm>

void TPersistent::Assign(TPersistent* Source) {
    if (Source)
        Source->AssignTo(this);
    else
        AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* Dest) {
    if (!Dest)
        throw EConvertError(std::string("Cannot assign a ") + ClassName() + " to a nil");
    Dest->AssignError(this);
}

void TPersistent::AssignError(TPersistent* Source) {
    throw EConvertError(std::string("Cannot assign a ") + (Source ? Source->ClassName() : "nil") + " to a " +
                        ClassName());
}

bool IsValidIdent(std::string_view text) {
    if (text.empty())
        return false;
    auto alpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
    if (!alpha(text[0]))
        return false;
    return std::all_of(text.begin() + 1, text.end(), [&](char c) { return alpha(c) || (c >= '0' && c <= '9'); });
}

TComponent::TComponent(TComponent* AOwner) {
    if (AOwner)
        AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
    Destroying_();
    // Tell everyone who asked, in reverse order of asking; each one takes itself off our list.
    while (!FFreeNotifies.empty()) {
        TComponent* other = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        auto& theirs = other->FFreeNotifies;
        theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
        other->Notification(this, opRemove);
    }
    DestroyComponents();
    if (FOwner)
        FOwner->RemoveComponent(this);
}

void TComponent::Destroying_() {
    if (FComponentState.Contains(csDestroying))
        return;
    FComponentState.Include(csDestroying);
    for (TComponent* c : FComponents)
        c->Destroying_();
}

TComponent* TComponent::Components(int index) const {
    if (index < 0 || index >= ComponentCount())
        throw EListError("List index out of bounds (" + IntToStr(index) + ")");
    return FComponents[static_cast<size_t>(index)];
}

int TComponent::ComponentIndex() const {
    if (!FOwner)
        return -1;
    auto& list = FOwner->FComponents;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(std::string_view name) const {
    if (name.empty())
        return nullptr;
    for (TComponent* c : FComponents)
        if (CompareText(c->FName, name) == 0)
            return c;
    return nullptr;
}

void TComponent::SetName(const std::string& value) {
    if (value == FName)
        return;
    if (!value.empty()) {
        if (!IsValidIdent(value))
            throw EComponentError("'" + value + "' is not a valid component name");
        TComponent* clash = FOwner ? FOwner->FindComponent(value) : nullptr;
        if (clash && clash != this)
            throw EComponentError("A component named " + value + " already exists");
    }
    FName = value;
}

void TComponent::InsertComponent(TComponent* AComponent) {
    if (!AComponent->FName.empty() && FindComponent(AComponent->FName))
        throw EComponentError("A component named " + AComponent->FName + " already exists");
    if (AComponent->FOwner)
        AComponent->FOwner->RemoveComponent(AComponent);
    Insert(AComponent);
    Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
    Notification(AComponent, opRemove);
    Remove(AComponent);
}

void TComponent::Insert(TComponent* AComponent) {
    FComponents.push_back(AComponent);
    AComponent->FOwner = this;
}

void TComponent::Remove(TComponent* AComponent) {
    FComponents.erase(std::remove(FComponents.begin(), FComponents.end(), AComponent), FComponents.end());
    AComponent->FOwner = nullptr;
}

void TComponent::DestroyComponents() {
    while (!FComponents.empty()) {
        TComponent* last = FComponents.back();
        Remove(last);
        last->Free();
    }
}

void TComponent::FreeNotification(TComponent* AComponent) {
    if (!AComponent || AComponent == this)
        return;
    // Both sides keep the other: whichever goes first tells the one left.
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end())
        FFreeNotifies.push_back(AComponent);
    if (std::find(AComponent->FFreeNotifies.begin(), AComponent->FFreeNotifies.end(), this) ==
        AComponent->FFreeNotifies.end())
        AComponent->FFreeNotifies.push_back(this);
    FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
    if (!AComponent)
        return;
    RemoveNotification(AComponent);
    AComponent->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* AComponent) {
    FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent), FFreeNotifies.end());
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
    // An owner hears about every owned component; pass removals of third parties down the tree,
    // as the class library does, so a child holding a reference can drop it.
    if (Operation == opRemove && AComponent)
        RemoveFreeNotification(AComponent);
    for (size_t i = FComponents.size(); i-- > 0;) {
        if (i < FComponents.size())
            FComponents[i]->Notification(AComponent, Operation);
    }
}

void TComponent::SetLoading(bool loading) { SetComponentStateItem(csLoading, loading); }

void TComponent::Loaded() { FComponentState.Exclude(csLoading); }

void TComponent::SetDesigning(bool value) {
    SetComponentStateItem(csDesigning, value);
    for (TComponent* c : FComponents)
        c->SetDesigning(value);
}

void TComponent::SetComponentStateItem(TComponentStateItem item, bool on) {
    if (on)
        FComponentState.Include(item);
    else
        FComponentState.Exclude(item);
}
