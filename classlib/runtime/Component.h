#pragma once
// TObject, TPersistent and TComponent: class names, assignment and ownership with free notification.
#include "Set.h"
#include "SysUtils.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TComponent;
class TFiler;

// Declares a class's name for ClassName() and the by-name inheritance test.
// The names are the class library's own: the skin library compares them.
#define CLASS_INFO(Class, Parent)                                                                    \
public:                                                                                              \
    using TInherited [[maybe_unused]] = Parent;                                                      \
    static constexpr const char* StaticClassName() { return #Class; }                               \
    const char* ClassName() const override { return #Class; }                                      \
    bool InheritsFrom(std::string_view name) const override {                                      \
        return CompareText(name, #Class) == 0 || Parent::InheritsFrom(name);                        \
    }                                                                                                \
    const char* ClassParentName() const override { return Parent::StaticClassName(); }

class TObject {
public:
    virtual ~TObject() = default;
    static constexpr const char* StaticClassName() { return "TObject"; }
    virtual const char* ClassName() const { return "TObject"; }
    virtual const char* ClassParentName() const { return ""; }
    // True when this object's class is the named class or derives from it (case-insensitive, as class names are).
    virtual bool InheritsFrom(std::string_view name) const { return CompareText(name, "TObject") == 0; }
    bool ClassNameIs(std::string_view name) const { return CompareText(name, ClassName()) == 0; }
    // Runs before any destructor body when the object is freed through Free().
    virtual void BeforeDestruction() {}
    // Frees a heap object the way the class library does: BeforeDestruction, then the destructors.
    void Free() {
        BeforeDestruction();
        delete this;
    }
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

// An object that can copy its state from another through Assign.
class TPersistent : public TObject {
    CLASS_INFO(TPersistent, TObject)
public:
    // Copies Source into this object; raises EConvertError when neither side knows how.
    virtual void Assign(TPersistent* Source);
    // The owner in the sense of the object tree ("GetOwner"), used for names in messages.
    virtual TPersistent* GetOwner() { return nullptr; }
    // Custom stream data (binary properties) are declared here by form resources.
    virtual void DefineProperties(TFiler* Filer) { (void)Filer; }

protected:
    // Copies this object into Dest; the default raises the conversion error naming both classes.
    virtual void AssignTo(TPersistent* Dest);
    [[noreturn]] void AssignError(TPersistent* Source);
};

enum TComponentStateItem {
    csLoading,
    csReading,
    csWriting,
    csDestroying,
    csDesigning,
    csAncestor,
    csUpdating,
    csFixups,
    csFreeNotification,
    csInline,
    csDesignInstance
};
using TComponentState = Set<TComponentStateItem>;

enum TOperation { opInsert, opRemove };

// The owned-component tree: an owner frees what it owns, and anyone can ask to hear of a component's end.
class TComponent : public TPersistent {
    CLASS_INFO(TComponent, TPersistent)
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return FOwner; }
    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int index) const;
    int ComponentIndex() const;
    TComponent* FindComponent(std::string_view name) const;

    const std::string& Name() const { return FName; }
    // Raises EComponentError for a name that is not an identifier or is taken by a sibling.
    virtual void SetName(const std::string& value);
    int Tag() const { return FTag; }
    void SetTag(int value) { FTag = value; }

    TComponentState ComponentState() const { return FComponentState; }
    bool Loading() const { return FComponentState.Contains(csLoading); }
    bool Destroying() const { return FComponentState.Contains(csDestroying); }

    void InsertComponent(TComponent* AComponent);
    void RemoveComponent(TComponent* AComponent);
    // Destroys every owned component, last created first.
    void DestroyComponents();

    // AComponent will call Notification(this, opRemove) on us when it is destroyed.
    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);

    TPersistent* GetOwner() override { return FOwner; }
    // Free() marks the component (and what it owns) as being destroyed before any destructor runs.
    void BeforeDestruction() override { Destroying_(); }

    // Called by the form reader around loading; public so the reader can drive it.
    void SetLoading(bool loading);
    virtual void Loaded();
    // Marks this component and everything it owns as being destroyed, before any of them goes.
    virtual void Destroying_();

protected:
    // Hears that AComponent was inserted into or is being removed from the tree, or is being freed.
    virtual void Notification(TComponent* AComponent, TOperation Operation);
    void SetDesigning(bool value);
    void SetComponentStateItem(TComponentStateItem item, bool on);

private:
    void Insert(TComponent* AComponent);
    void Remove(TComponent* AComponent);
    void RemoveNotification(TComponent* AComponent);

    TComponent* FOwner = nullptr;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    std::string FName;
    int FTag = 0;
    TComponentState FComponentState;
};

// True when text is a Pascal identifier: a letter or underscore, then letters, digits or underscores.
bool IsValidIdent(std::string_view text);
