#pragma once
// TCollection and TCollectionItem: an ordered list of items of one class that tells its owner of every change.
#include "Component.h"

#include <exception>
#include <functional>
#include <string>
#include <vector>

class TCollection;

// One item of a collection; it knows its collection, its place in it and an ID that never changes.
class TCollectionItem : public TPersistent {
    CLASS_INFO(TCollectionItem, TPersistent)
public:
    TCollectionItem() = default;
    // An item still in a collection leaves it; Free() or the collection's Delete is the usual way.
    ~TCollectionItem() override;
    TCollectionItem(const TCollectionItem&) = delete;
    TCollectionItem& operator=(const TCollectionItem&) = delete;

    TCollection* Collection() const { return FCollection; }
    // Moves the item to the end of another collection (nil takes it out of its collection).
    void SetCollection(TCollection* Value);
    // Unique within the collection for the collection's life; -1 outside a collection.
    int ID() const { return FID; }
    // The item's position, -1 outside a collection; setting it moves the item.
    int Index() const;
    virtual void SetIndex(int Value);
    // The name shown for the item: the class name unless a derived class knows better.
    virtual std::string DisplayName() const { return ClassName(); }
    virtual void SetDisplayName(const std::string& Value);
    // Collection[Index], for messages.
    std::string GetNamePath() const;

    TPersistent* GetOwner() override;
    // Leaves the collection while the whole item still exists, so the collection's Update sees a full item.
    void BeforeDestruction() override;

protected:
    // Tells the collection that this item (or, with AllItems, more than this item) changed.
    void Changed(bool AllItems);

private:
    friend class TCollection;
    TCollection* FCollection = nullptr;
    int FID = -1;
};

// How a collection makes its items.
using TCollectionItemClass = std::function<TCollectionItem*()>;

template <class T>
TCollectionItemClass CollectionItemClassOf() {
    return []() -> TCollectionItem* { return new T(); };
}

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

// An owning list of items made by one item class. Every change ends in Update (nil: many items), unless
// an update is open (BeginUpdate ... EndUpdate), which reports once at its end.
class TCollection : public TPersistent {
    CLASS_INFO(TCollection, TPersistent)
public:
    explicit TCollection(TCollectionItemClass ItemClass);
    ~TCollection() override;
    TCollection(const TCollection&) = delete;
    TCollection& operator=(const TCollection&) = delete;

    // A new item of the item class at the end.
    TCollectionItem* Add();
    // A new item at Index (0..Count); raises EListError for another index.
    TCollectionItem* Insert(int Index);
    // Frees the item at Index; raises EListError for a bad index.
    void Delete(int Index);
    // Frees every item, reporting once.
    void Clear();
    int Count() const { return static_cast<int>(FItems.size()); }
    // Raises EListError for a bad index.
    TCollectionItem* Items(int Index) const;
    TCollectionItem* FindItemID(int ID) const;
    // The collection becomes a copy of Source (a collection): every item is made anew and assigned.
    void Assign(TPersistent* Source) override;

    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }
    const TCollectionItemClass& ItemClass() const { return FItemClass; }
    // The owner's name path and the property name, for messages.
    std::string GetNamePath();
    void SetPropName(const std::string& Value) { FPropName = Value; }

protected:
    // Reports a change of Item (nil: of the whole collection); called only while no update is open.
    virtual void Update(TCollectionItem* Item) { (void)Item; }
    // An item was added, or is about to leave the collection (extracted or deleted).
    virtual void Notify(TCollectionItem* Item, TCollectionNotification Action) { (void)Item, (void)Action; }
    // Update for the whole collection unless an update is open.
    void Changed();

private:
    friend class TCollectionItem;
    void InsertItem(TCollectionItem* Item);
    void Attach(TCollectionItem* Item);
    void DeleteItem(TCollectionItem* Item);
    void RemoveItem(TCollectionItem* Item, TCollectionNotification Action);
    void CheckIndex(int Index) const;

    TCollectionItemClass FItemClass;
    std::vector<TCollectionItem*> FItems;
    int FUpdateCount = 0;
    int FNextID = 0;
    std::string FPropName;
};

// A collection that belongs to a persistent object, which GetOwner names (a component's collection property).
class TOwnedCollection : public TCollection {
    CLASS_INFO(TOwnedCollection, TCollection)
public:
    TOwnedCollection(TPersistent* AOwner, TCollectionItemClass ItemClass)
        : TCollection(std::move(ItemClass)), FOwner(AOwner) {}
    TPersistent* GetOwner() override { return FOwner; }

private:
    TPersistent* FOwner;
};

// Keeps a collection's update open for a scope, so that an exception cannot leave it open for good. The closing
// report may raise; while another exception is on its way, that one goes on and the report's own error goes to the
// application's exception handler (two exceptions at once would end the program).
class TCollectionUpdateScope {
public:
    explicit TCollectionUpdateScope(TCollection& Collection)
        : FCollection(Collection), FExceptions(std::uncaught_exceptions()) {
        FCollection.BeginUpdate();
    }
    ~TCollectionUpdateScope() noexcept(false);
    TCollectionUpdateScope(const TCollectionUpdateScope&) = delete;
    TCollectionUpdateScope& operator=(const TCollectionUpdateScope&) = delete;

private:
    TCollection& FCollection;
    int FExceptions;
};
