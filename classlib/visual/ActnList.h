#pragma once
// Actions: one command (its caption, enabled and visible state, hint, image and what it does) that several
// controls show and run, and the action list that holds actions and the image list of their images.
#include <memory>
#include <string>
#include <vector>

#include "classlib/runtime/Component.h"

class TActionList;
class TBasicAction;
class TControl;
class TCustomImageList;
class TChangeLink;

// The tie of one control to its action: made by TControl::SetAction, it tells the control whenever the action
// changes and is cut when either of them goes.
class TActionLink {
public:
    TActionLink(TControl* Client, TBasicAction* Action);
    ~TActionLink();
    TActionLink(const TActionLink&) = delete;
    TActionLink& operator=(const TActionLink&) = delete;

    TControl* Client() const { return FClient; }
    TBasicAction* Action() const { return FAction; }
    // Runs the action; false when it has nothing to run.
    bool Execute();

private:
    friend class TBasicAction;
    TControl* FClient;
    TBasicAction* FAction;
};

// An action that can be run; its controls hear of every change.
class TBasicAction : public TComponent {
    CLASS_INFO(TBasicAction, TComponent)
public:
    explicit TBasicAction(TComponent* AOwner);
    // Every control linked to the action is let go first.
    ~TBasicAction() override;

    // Calls OnExecute; false when it is not set.
    virtual bool Execute();
    // Tells every linked control that the action changed.
    void Change();

    TNotifyEvent OnExecute;

private:
    friend class TActionLink;
    std::vector<TActionLink*> FLinks;
};

// An action with what a control shows of it.
class TCustomAction : public TBasicAction {
    CLASS_INFO(TCustomAction, TBasicAction)
public:
    explicit TCustomAction(TComponent* AOwner);
    ~TCustomAction() override;

    // The list the action belongs to (whose Images hold its image); nil for none.
    TActionList* ActionList() const { return FActionList; }
    void SetActionList(TActionList* Value);
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& Value);
    // The image in the action list's Images; -1 for none.
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);

    // A disabled action does not run.
    bool Execute() override;

private:
    friend class TActionList;
    TActionList* FActionList = nullptr;
    std::string FCaption;
    bool FEnabled = true;
    bool FVisible = true;
    std::string FHint;
    int FImageIndex = -1;
};

class TAction : public TCustomAction {
    CLASS_INFO(TAction, TCustomAction)
public:
    using TCustomAction::TCustomAction;
};

// Holds actions (owned by the form, as every component there) and the image list their ImageIndex points into.
class TActionList : public TComponent {
    CLASS_INFO(TActionList, TComponent)
public:
    explicit TActionList(TComponent* AOwner);
    ~TActionList() override;

    int ActionCount() const { return static_cast<int>(FActions.size()); }
    TCustomAction* Actions(int Index) const;
    // A change of the list or of its images reaches the controls of every action.
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TCustomAction;
    void Changed();
    std::vector<TCustomAction*> FActions;
    TCustomImageList* FImages = nullptr;
    std::unique_ptr<TChangeLink> FImageChangeLink;
};
