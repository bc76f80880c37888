#pragma once
// The control adapter list of a skinned form: the form's child controls that do not skin themselves get the window
// adapter that the skin manager's class-name lists name for their class. The form's skin provider owns one list;
// a list can also be made and driven on its own for any form.
#include "skin/adapters/acSBUtils.h"
#include "skin/engine/sCommonData.h"

#include "classlib/runtime/Component.h"
#include "classlib/visual/Controls.h"
#include "classlib/runtime/Messages.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TsSkinManager;
class TacCtrlAdapter;
class TCustomLabel;

// A component with this Tag is never skinned; the skin library gives it to windows it makes for its own use.
constexpr int acNoSkinTag = -98;

// Asks the application whether Item may be skinned (CanBeAdded) and with which section (SkinSection).
using TAddItemEvent = std::function<void(TComponent* Item, bool& CanBeAdded, std::string& SkinSection)>;

// Makes the adapter of a frame: an object owned and freed by the frame, whose skin data gets Section. It is
// MakeFrameAdapter (sFrameAdapter.h) unless a program puts its own in; nil leaves frames as they are.
using TacFrameAdapterMaker = void (*)(TWinControl* Frame, const std::string& Section);
extern TacFrameAdapterMaker acMakeFrameAdapter;

// One adapted control: its own skin data (owned) and the adapter that skins it (owned, nil while none applies).
class TacAdapterItem : public TPersistent {
    CLASS_INFO(TacAdapterItem, TPersistent)
public:
    TacAdapterItem(TacCtrlAdapter* AAdapter, TWinControl* ACtrl);
    ~TacAdapterItem() override;
    TacAdapterItem(const TacAdapterItem&) = delete;
    TacAdapterItem& operator=(const TacAdapterItem&) = delete;

    // Attaches the adapter that the first class-name list holding Ctrl's class name names; nothing for a control
    // that is never skinned, has no window, or skins itself.
    virtual void DoHook(TWinControl* ACtrl);

    TWinControl* Ctrl = nullptr;
    TacCtrlAdapter* Adapter = nullptr;
    TsCommonData* SkinData() const { return FSkinData.get(); }
    TacMainWnd* WndAdapter() const { return FWndAdapter.get(); }
    // Frees the adapter, which gives the control's window procedure back.
    void FreeWndAdapter() { FWndAdapter.reset(); }

private:
    std::unique_ptr<TsCommonData> FSkinData;
    TacAdapterPtr<TacMainWnd> FWndAdapter;
};

// The adapters of one form's child controls, kept in the order of adding.
class TacCtrlAdapter : public TPersistent {
    CLASS_INFO(TacCtrlAdapter, TPersistent)
public:
    // Form: the container that AddAllItems(nil) walks. SkinData: the skin data of the list's owner, whose manager
    // (else the default manager) the adapters follow. OnSkinItem: the owner's event, asked before a control is
    // skinned; nil or unset asks nobody. None of them is owned.
    TacCtrlAdapter(TWinControl* Form, TsCommonData* SkinData, const TAddItemEvent* OnSkinItem = nullptr);
    // Drops the items whose adapter is gone, then frees every item: every control gets its window procedure back,
    // and every frame whose adapter the list made its WindowProc (the adapter stays on the frame, unhooked).
    ~TacCtrlAdapter() override;
    TacCtrlAdapter(const TacCtrlAdapter&) = delete;
    TacCtrlAdapter& operator=(const TacCtrlAdapter&) = delete;

    // The section that AddControl passes on; empty at first.
    std::string DefaultSection;

    // Whether Ctrl would be skinned: never with Tag -98, without a window, or when it skins itself (answers skin
    // command 7); labels and frames when OnSkinItem agrees; other windowless controls never; any other control
    // when a class-name list holds its class name exactly.
    virtual bool IsControlSupported(TComponent* Ctrl);
    // The item at Index; nil for an index outside 0 .. Count - 1.
    virtual TacAdapterItem* GetItem(int Index) const;
    // AddNewItem (Ctrl, DefaultSection).
    virtual void AddControl(TWinControl* Ctrl);
    // Gives Ctrl its adapter with SkinSection (which OnSkinItem may change or veto); a control whose adapter lost
    // its window gets a fresh one. A class in no list leaves no item behind.
    virtual void AddNewItem(TWinControl* Ctrl, const std::string& SkinSection);
    // Frees the item at Index and moves the last item into its place; nothing for an index outside the list.
    virtual void RemoveItem(int Index);
    // Sends the message to every control whose adapter is alive; the answers are dropped.
    virtual void WndProc(TMessage& Message);

    int Count() const { return static_cast<int>(FItems.size()); }
    // Adapts the children of Parent (the form when nil), its components first and then its child controls, each
    // windowed one's own children after it; labels become transparent with the skin's font colour. Nothing
    // happens while another AddAllItems runs or when the manager's rules leave out third-party controls.
    void AddAllItems(TWinControl* Parent = nullptr);
    // Drops every item whose adapter is gone (or that has none), keeping the order of the others.
    void CleanItems();
    // Frees every item, last first.
    void RemoveAllItems();

    // The manager the adapters follow: the owner's, else the default one; nil when there is none.
    TsSkinManager* SkinManager() const;

private:
    // OnSkinItem when set; CanBeAdded and the section as it leaves them.
    void AskSkinItem(TComponent* Item, bool& CanBeAdded, std::string& SkinSection) const;
    void DeleteAt(size_t Index);
    // Makes a label see-through in the skin's font colour, remembering its own look the first time.
    void SkinLabel(TCustomLabel* Label);
    // Gives every label that is still on the form the look it had before the skin.
    void RestoreLabels();

    // A label's own look, as it was before the skin changed it.
    struct TLabelLook {
        TCustomLabel* Label = nullptr;
        TColor FontColor = clNone;
        bool ParentFont = true;
        bool Transparent = false;
    };

    TWinControl* FForm;
    TsCommonData* FSkinData;
    const TAddItemEvent* FOnSkinItem;
    std::vector<std::unique_ptr<TacAdapterItem>> FItems;
    std::vector<TLabelLook> FLabels;
};

// The index of the first of the manager's class-name lists that holds ClassName exactly, -1 for none.
int ThirdPartyKindOf(TsSkinManager* Manager, const std::string& ClassName);
