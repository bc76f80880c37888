#include "sSkinData.h"

#include "acSkinHooks.h"
#include "acntUtils.h"
#include "sCommonData.h"
#include "sConst.h"
#include "sSkinManager.h"
#include "sVclUtils.h"

#include "classlib/runtime/ExceptionHandler.h"
#include "classlib/visual/Forms.h"

#include <algorithm>
#include <memory>

namespace {

// Keeps the registry of forms and hears when one of them is freed, so the registry never names a freed form.
class TSupportedForms : public TComponent {
    CLASS_INFO(TSupportedForms, TComponent)
public:
    TSupportedForms() : TComponent(nullptr) {}
    std::vector<TCustomForm*> Forms;

    void Add(TCustomForm* Form) {
        Forms.push_back(Form);
        if (Form)
            FreeNotification(Form);
    }
    void Remove(TCustomForm* Form) { RemoveEntriesOf(Form); }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        // The form is told of here from its base destructor, where it is no form any more: only its address
        // still says which entries are its.
        if (Operation == opRemove)
            RemoveEntriesOf(AComponent);
    }

private:
    void RemoveEntriesOf(TComponent* Form) {
        bool found = false;
        for (size_t i = 0; i < Forms.size();) {
            if (static_cast<TComponent*>(Forms[i]) != Form || !Form) {
                ++i;
                continue;
            }
            found = true;
            // The last entry takes the place; the last place is cleared and, as it is empty now, dropped.
            Forms[i] = Forms.back();
            Forms.back() = nullptr;
            Forms.pop_back();
        }
        if (!Forms.empty() && !Forms.back())
            Forms.pop_back();
        if (found)
            RemoveFreeNotification(Form);
    }
};

TSupportedForms& Registry() {
    static TSupportedForms registry;
    return registry;
}

// A form hears a message through its window when it has one, else straight through its WindowProc.
LRESULT Deliver(TCustomForm* Form, const TMessage& Message) {
    if (Form->HandleAllocated())
        return SendMessageA(Form->Handle(), Message.Msg, Message.WParam, Message.LParam);
    return Form->Perform(Message.Msg, Message.WParam, Message.LParam);
}

bool AnswersSkinned(TCustomForm* Form) {
    TMessage ask{SM_QUORVEXCMD, MakeSkinCmd(scIsSkinned), 0, 0};
    return Deliver(Form, ask) == 1;
}

// The form, its controls and an MDI main form's client window.
void DeliverToFormTree(TCustomForm* Form, TMessage& Message) {
    Message.Result = Deliver(Form, Message);
    BroadcastSkinMessage(Form, Message);
    if (Form->FormStyle() == fsMDIForm && Form->ClientHandle())
        SendMessageA(Form->ClientHandle(), Message.Msg, Message.WParam, Message.LParam);
}

// The registered form of that window, nil when the form left the registry or has another window now.
TCustomForm* RegisteredFormOf(TCustomForm* Form, HWND Wnd) {
    const auto& forms = Registry().Forms;
    if (std::find(forms.begin(), forms.end(), Form) == forms.end())
        return nullptr;
    return Form->HandleAllocated() && Form->Handle() == Wnd ? Form : nullptr;
}

}  // namespace

void AddSupportedForm(TCustomForm* Form) { Registry().Add(Form); }

void RemoveSupportedForm(TCustomForm* Form) { Registry().Remove(Form); }

const std::vector<TCustomForm*>& SupportedForms() { return Registry().Forms; }

void BroadcastToSupportedForms(TMessage& Message) {
    // A handler may free forms: the registry is read again for every entry.
    const auto& forms = Registry().Forms;
    for (size_t i = 0; i < forms.size(); ++i) {
        TCustomForm* form = forms[i];
        if (form && !form->Destroying())
            DeliverToFormTree(form, Message);
    }
}

void AppBroadCastS(TMessage& Message) {
    TApplication* app = Application;
    if (app)
        for (int i = app->ComponentCount() - 1; i >= 0 && i < app->ComponentCount(); --i) {
            auto* form = dynamic_cast<TCustomForm*>(app->Components(i));
            if (!form || form->FormStyle() == fsMDIChild || form->Destroying() || form->Loading())
                continue;
            // A form with a provider of its own hears through the registry instead.
            if (AnswersSkinned(form))
                continue;
            DeliverToFormTree(form, Message);
        }
    BroadcastToSupportedForms(Message);
}

void LockForms(TsSkinManager* Manager) {
    if (!Manager)
        return;
    if (Manager == DefaultManager && Manager->AnimEffects()->SkinChanging()->Active())
        acAnimInProgress = true;
    for (TCustomForm* form : Registry().Forms) {
        if (!form || !form->Visible() || form->Parent() || form->FormStyle() == fsMDIChild ||
            !form->HandleAllocated())
            continue;
        TacSkinProviderBase* provider = GetWndProvider(form->Handle());
        if (!provider || !provider->SkinData() || provider->SkinData()->SkinManager() != Manager)
            continue;
        HWND wnd = form->Handle();
        auto& locked = Manager->FLockedForms;
        if (std::any_of(locked.begin(), locked.end(), [&](const auto& entry) { return entry.second == wnd; }))
            continue;
        SendMessageA(wnd, WM_SETREDRAW, 0, 0);
        locked.emplace_back(form, wnd);
    }
}

void UnLockForms(TsSkinManager* Manager, bool Repaint) {
    if (!Manager)
        return;
    if (Manager == DefaultManager)
        acAnimInProgress = false;
    std::vector<std::pair<TCustomForm*, HWND>> locked;
    locked.swap(Manager->FLockedForms);
    for (auto [held, wnd] : locked) {
        if (!IsWindow(wnd))
            continue;
        // A held window has lost its visible style to WM_SETREDRAW, so hiding it meanwhile did nothing: it still
        // shows its old picture, and letting it go gives it the style back.
        auto* owner = dynamic_cast<TCustomForm*>(FindControl(wnd));
        bool hidden = owner && !owner->Visible();
        TCustomForm* form = hidden ? nullptr : RegisteredFormOf(held, wnd);
        if (Repaint && form && Manager->AnimEffects()->SkinChanging()->Active() && acAnimShowControl) {
            // A fade that fails must not keep the form frozen, nor travel on: this runs where a skin change ends,
            // whatever way it ends.
            RunGuarded([&] { acAnimShowControl(form, Manager->AnimEffects()->SkinChanging()->Time()); });
        }
        SendMessageA(wnd, WM_SETREDRAW, 1, 0);
        if (hidden) {
            ShowWindow(wnd, SW_HIDE);
            continue;
        }
        if (!Repaint || !form)
            continue;
        if (acWinMajorVersion < 6)
            SetWindowRgn(wnd, nullptr, FALSE);
        if (TacSkinProviderBase* provider = GetWndProvider(wnd)) {
            RunGuarded([provider] {
                provider->PrepareRegionRects();
                provider->UpdateFormRegion(true);
            });
        }
        RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
}

namespace {

std::unique_ptr<TIcon>& LargeIcon() {
    static std::unique_ptr<TIcon> icon = GetIconForFile(ParamStr0(), SHGFI_LARGEICON);
    return icon;
}

std::unique_ptr<TIcon>& SmallIcon() {
    static std::unique_ptr<TIcon> icon = GetIconForFile(ParamStr0(), SHGFI_SMALLICON);
    return icon;
}

}  // namespace

TIcon* AppIconLarge() { return LargeIcon().get(); }

TIcon* AppIconSmall() { return SmallIcon().get(); }
