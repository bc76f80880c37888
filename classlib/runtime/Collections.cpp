#include "Collections.h"

#include "ExceptionHandler.h"
#include "Lists.h"

#include <algorithm>
#include <memory>

// --- TCollectionItem ---

TCollectionItem::~TCollectionItem() {
    // Deleted without Free(): the derived parts are gone, so the collection only forgets the item.
    if (FCollection) {
        auto& items = FCollection->FItems;
        items.erase(std::remove(items.begin(), items.end(), this), items.end());
        FCollection = nullptr;
    }
}

void TCollectionItem::BeforeDestruction() {
    if (FCollection)
        FCollection->RemoveItem(this, cnDeleting);
}

void TCollectionItem::SetCollection(TCollection* Value) {
    if (Value == FCollection)
        return;
    if (FCollection)
        FCollection->RemoveItem(this, cnExtracting);
    if (Value)
        Value->InsertItem(this);
}

int TCollectionItem::Index() const {
    if (!FCollection)
        return -1;
    auto& items = FCollection->FItems;
    auto it = std::find(items.begin(), items.end(), this);
    return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

void TCollectionItem::SetIndex(int Value) {
    int current = Index();
    if (current < 0 || current == Value)
        return;
    auto& items = FCollection->FItems;
    if (Value < 0 || Value >= static_cast<int>(items.size()))
        TList::Error(Value);
    items.erase(items.begin() + current);
    items.insert(items.begin() + Value, this);
    Changed(true);
}

void TCollectionItem::SetDisplayName(const std::string& Value) {
    (void)Value;
    Changed(false);
}

std::string TCollectionItem::GetNamePath() const {
    if (!FCollection)
        return ClassName();
    return FCollection->GetNamePath() + "[" + IntToStr(Index()) + "]";
}

TPersistent* TCollectionItem::GetOwner() { return FCollection; }

void TCollectionItem::Changed(bool AllItems) {
    if (FCollection && FCollection->FUpdateCount == 0)
        FCollection->Update(AllItems ? nullptr : this);
}

// --- TCollection ---

TCollection::TCollection(TCollectionItemClass ItemClass) : FItemClass(std::move(ItemClass)) {
    if (!FItemClass)
        throw EInvalidArgument("A collection needs an item class");
}

TCollection::~TCollection() {
    // No reports from a collection that is going: its owner may be half destroyed already.
    ++FUpdateCount;
    while (!FItems.empty()) {
        TCollectionItem* item = FItems.back();
        FItems.pop_back();
        item->FCollection = nullptr;
        item->Free();
    }
}

TCollectionItem* TCollection::Add() {
    std::unique_ptr<TCollectionItem> item(FItemClass());
    if (!item)
        throw EInvalidOperation("The item class of the collection made no item");
    FItems.push_back(item.get());
    TCollectionItem* added = item.release();
    Attach(added);
    return added;
}

TCollectionItem* TCollection::Insert(int Index) {
    if (Index < 0 || Index > Count())
        TList::Error(Index);
    TCollectionItem* item;
    {
        TCollectionUpdateScope scope(*this);
        item = Add();
        item->SetIndex(Index);
    }
    return item;
}

void TCollection::CheckIndex(int Index) const {
    if (Index < 0 || Index >= Count())
        TList::Error(Index);
}

TCollectionItem* TCollection::Items(int Index) const {
    CheckIndex(Index);
    return FItems[static_cast<size_t>(Index)];
}

TCollectionItem* TCollection::FindItemID(int ID) const {
    for (TCollectionItem* item : FItems)
        if (item->FID == ID)
            return item;
    return nullptr;
}

void TCollection::Delete(int Index) {
    CheckIndex(Index);
    DeleteItem(FItems[static_cast<size_t>(Index)]);
    Changed();
}

void TCollection::Clear() {
    if (FItems.empty())
        return;
    TCollectionUpdateScope scope(*this);
    while (!FItems.empty())
        DeleteItem(FItems.back());
}

void TCollection::DeleteItem(TCollectionItem* Item) {
    // Notify still sees the item in its place; whatever Notify does, the item leaves the list and is freed.
    std::unique_ptr<TCollectionItem> owned(Item);
    auto forget = [&] {
        FItems.erase(std::remove(FItems.begin(), FItems.end(), Item), FItems.end());
        Item->FCollection = nullptr;
    };
    try {
        Notify(Item, cnDeleting);
    } catch (...) {
        forget();
        throw;
    }
    forget();
}

void TCollection::Assign(TPersistent* Source) {
    auto* source = dynamic_cast<TCollection*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    if (source == this)
        return;
    TCollectionUpdateScope scope(*this);
    Clear();
    for (TCollectionItem* item : source->FItems)
        Add()->Assign(item);
}

void TCollection::BeginUpdate() { ++FUpdateCount; }

void TCollection::EndUpdate() {
    if (FUpdateCount > 0)
        --FUpdateCount;
    Changed();
}

void TCollection::Changed() {
    if (FUpdateCount == 0)
        Update(nullptr);
}

std::string TCollection::GetNamePath() {
    TPersistent* owner = GetOwner();
    if (!owner)
        return ClassName();
    std::string path;
    if (auto* item = dynamic_cast<TCollectionItem*>(owner))
        path = item->GetNamePath();
    else if (auto* component = dynamic_cast<TComponent*>(owner))
        path = component->Name();
    else
        path = owner->ClassName();
    return FPropName.empty() ? path : path + "." + FPropName;
}

void TCollection::InsertItem(TCollectionItem* Item) {
    FItems.push_back(Item);
    Attach(Item);
}

void TCollection::Attach(TCollectionItem* Item) {
    Item->FCollection = this;
    Item->FID = FNextID++;
    Notify(Item, cnAdded);
    Changed();
}

void TCollection::RemoveItem(TCollectionItem* Item, TCollectionNotification Action) {
    Notify(Item, Action);
    FItems.erase(std::remove(FItems.begin(), FItems.end(), Item), FItems.end());
    Item->FCollection = nullptr;
    Item->FID = -1;
    Changed();
}

TCollectionUpdateScope::~TCollectionUpdateScope() noexcept(false) {
    if (std::uncaught_exceptions() > FExceptions) {
        try {
            FCollection.EndUpdate();
        } catch (...) {
            HandleCurrentException();
        }
        return;
    }
    FCollection.EndUpdate();
}
