#include "classlib/runtime/Collections.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

class TNamedItem : public TCollectionItem {
    CLASS_INFO(TNamedItem, TCollectionItem)
public:
    std::string DisplayName() const override { return FName.empty() ? TCollectionItem::DisplayName() : FName; }
    void SetDisplayName(const std::string& Value) override {
        FName = Value;
        TCollectionItem::SetDisplayName(Value);
    }
    void Assign(TPersistent* Source) override {
        if (auto* other = dynamic_cast<TNamedItem*>(Source)) {
            FName = other->FName;
            Changed(false);
            return;
        }
        TCollectionItem::Assign(Source);
    }

private:
    std::string FName;
};

// Records every report, with the items it saw at that moment.
class TRecordingCollection : public TOwnedCollection {
    CLASS_INFO(TRecordingCollection, TOwnedCollection)
public:
    explicit TRecordingCollection(TPersistent* owner = nullptr)
        : TOwnedCollection(owner, CollectionItemClassOf<TNamedItem>()) {}
    std::vector<std::string> log;
    bool failNextUpdate = false;

protected:
    void Update(TCollectionItem* Item) override {
        log.push_back("update " + (Item ? Item->DisplayName() : std::string("all")) + " count " +
                      std::to_string(Count()));
        if (failNextUpdate) {
            failNextUpdate = false;
            throw EInvalidOperation("update refused");
        }
    }
    void Notify(TCollectionItem* Item, TCollectionNotification Action) override {
        const char* names[] = {"added", "extracting", "deleting"};
        log.push_back(std::string(names[Action]) + " " + Item->DisplayName() + " at " + std::to_string(Item->Index()));
    }
};

TNamedItem* Named(TCollection& c, int i) { return static_cast<TNamedItem*>(c.Items(i)); }

TEST(Collection, AddedItemsAreNumberedAndReportedAfterTheyAreComplete) {
    TRecordingCollection c;
    TCollectionItem* a = c.Add();
    TCollectionItem* b = c.Add();
    EXPECT_EQ(c.Count(), 2);
    EXPECT_EQ(a->ClassName(), std::string("TNamedItem"));
    EXPECT_EQ(a->ID(), 0);
    EXPECT_EQ(b->ID(), 1);
    EXPECT_EQ(b->Index(), 1);
    EXPECT_EQ(b->Collection(), &c);
    EXPECT_EQ(b->GetOwner(), &c);
    EXPECT_EQ(c.log, (std::vector<std::string>{"added TNamedItem at 0", "update all count 1", "added TNamedItem at 1",
                                               "update all count 2"}));
}

TEST(Collection, IdsAreNeverReusedAfterDeletion) {
    TRecordingCollection c;
    c.Add();
    c.Add();
    c.Delete(1);
    EXPECT_EQ(c.Add()->ID(), 2);
    EXPECT_EQ(c.FindItemID(0), c.Items(0));
    EXPECT_EQ(c.FindItemID(1), nullptr);
}

TEST(Collection, ItemChangesReportTheItemAndMovesReportEverything) {
    TRecordingCollection c;
    c.Add()->SetDisplayName("first");
    c.Add()->SetDisplayName("second");
    c.log.clear();
    Named(c, 0)->SetDisplayName("one");
    c.Items(1)->SetIndex(0);
    EXPECT_EQ(Named(c, 0)->DisplayName(), "second");
    EXPECT_EQ(c.Items(1)->Index(), 1);
    EXPECT_EQ(c.log, (std::vector<std::string>{"update one count 2", "update all count 2"}));
}

TEST(Collection, DeleteNotifiesWhileTheItemIsInPlaceAndReportsWithoutIt) {
    TRecordingCollection c;
    c.Add()->SetDisplayName("a");
    c.Add()->SetDisplayName("b");
    c.log.clear();
    c.Delete(0);
    EXPECT_EQ(c.log, (std::vector<std::string>{"deleting a at 0", "update all count 1"}));
    EXPECT_EQ(Named(c, 0)->DisplayName(), "b");
}

TEST(Collection, AnItemFreedByItselfLeavesItsCollection) {
    TRecordingCollection c;
    c.Add()->SetDisplayName("a");
    c.Add()->SetDisplayName("b");
    c.log.clear();
    c.Items(0)->Free();
    EXPECT_EQ(c.Count(), 1);
    EXPECT_EQ(c.log, (std::vector<std::string>{"deleting a at 0", "update all count 1"}));
}

TEST(Collection, ClearAndUpdatesReportOnceAtTheEnd) {
    TRecordingCollection c;
    c.BeginUpdate();
    for (int i = 0; i < 5; ++i)
        c.Add();
    c.Items(2)->SetDisplayName("x");
    EXPECT_EQ(c.log.size(), 5u);  // only the additions, no reports
    c.EndUpdate();
    EXPECT_EQ(c.log.back(), "update all count 5");
    c.log.clear();
    c.Clear();
    EXPECT_EQ(c.Count(), 0);
    ASSERT_FALSE(c.log.empty());
    EXPECT_EQ(c.log.back(), "update all count 0");
    EXPECT_EQ(std::count_if(c.log.begin(), c.log.end(), [](auto& s) { return s.rfind("update", 0) == 0; }), 1);
}

TEST(Collection, InsertPutsTheNewItemAtTheIndexAndRefusesOneOutOfRange) {
    TRecordingCollection c;
    c.Add()->SetDisplayName("a");
    c.Add()->SetDisplayName("b");
    TCollectionItem* x = c.Insert(1);
    EXPECT_EQ(x->Index(), 1);
    EXPECT_EQ(Named(c, 2)->DisplayName(), "b");
    EXPECT_THROW(c.Insert(4), EListError);
    EXPECT_THROW(c.Insert(-1), EListError);
    EXPECT_EQ(c.Count(), 3);
    EXPECT_THROW(c.Items(3), EListError);
    EXPECT_THROW(c.Delete(-1), EListError);
    EXPECT_THROW(c.Items(0)->SetIndex(7), EListError);
}

TEST(Collection, AssignCopiesEveryItemThroughItsAssign) {
    TRecordingCollection a, b;
    a.Add()->SetDisplayName("p");
    a.Add()->SetDisplayName("q");
    b.Add()->SetDisplayName("old");
    b.log.clear();
    b.Assign(&a);
    ASSERT_EQ(b.Count(), 2);
    EXPECT_EQ(Named(b, 0)->DisplayName(), "p");
    EXPECT_EQ(Named(b, 1)->DisplayName(), "q");
    EXPECT_EQ(b.log.back(), "update all count 2");
}

TEST(Collection, AnItemMovesBetweenCollections) {
    TRecordingCollection a, b;
    TCollectionItem* item = a.Add();
    item->SetDisplayName("m");
    a.log.clear();
    item->SetCollection(&b);
    EXPECT_EQ(a.Count(), 0);
    EXPECT_EQ(b.Count(), 1);
    EXPECT_EQ(item->Collection(), &b);
    EXPECT_EQ(a.log, (std::vector<std::string>{"extracting m at 0", "update all count 0"}));
    item->SetCollection(nullptr);
    EXPECT_EQ(item->Index(), -1);
    delete item;
}

TEST(Collection, AFailingReportAtTheEndOfAnUpdateStillClosesTheUpdate) {
    TRecordingCollection c;
    c.Add();
    c.failNextUpdate = true;
    EXPECT_THROW(c.Clear(), EInvalidOperation);
    EXPECT_EQ(c.Count(), 0);
    EXPECT_EQ(c.UpdateCount(), 0);
    c.log.clear();
    c.Add();
    EXPECT_EQ(c.log.back(), "update all count 1");
}

TEST(Collection, OwnedCollectionNamesItsOwnerInTheNamePath) {
    TComponent owner(nullptr);
    owner.SetName("ImageList1");
    TRecordingCollection c(&owner);
    c.SetPropName("Images");
    c.Add();
    EXPECT_EQ(c.GetOwner(), &owner);
    EXPECT_EQ(c.Items(0)->GetNamePath(), "ImageList1.Images[0]");
}

}  // namespace
