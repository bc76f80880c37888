#pragma once
// The MDI main form's share of the skinning: the adapter of its MDI client window, attached while the skin is on.
#include "skin/adapters/acMDIWnd.h"

#include "classlib/runtime/Component.h"

class TsSkinProvider;

// Kept by the skin provider of an MDI main form. It gives the client window its adapter while the form is skinned,
// takes it away when the skin goes, and answers the adapter's questions from the provider.
class TsMDIForm : public TPersistent, public TacMDIFormSkinning {
    CLASS_INFO(TsMDIForm, TPersistent)
public:
    // Makes the form's window at once, so that its client window exists.
    explicit TsMDIForm(TsSkinProvider* AProvider);
    ~TsMDIForm() override;
    TsMDIForm(const TsMDIForm&) = delete;
    TsMDIForm& operator=(const TsMDIForm&) = delete;

    // Attaches the client adapter unless one is attached already.
    void Connect();
    // A new adapter on the client window when the provider's skin is on; without a skin only the old one goes.
    void AttachClientAdapter();
    void DetachClientAdapter();
    // The provider recomposes and repaints its form's frame.
    void RepaintFrame();

    TacMDIWnd* Adapter() const { return FAdapter.get(); }
    TsSkinProvider* Provider() const { return FProvider; }

    // --- what the client adapter asks ---
    TCustomForm* Form() override { return FForm; }
    TsCommonData* FormSkinData() override;
    void SetFrameChanged() override;
    void ResetHotTitleElement() override;
    void RepaintMDIFrame() override { RepaintFrame(); }
    void RefreshMDITitleButtons() override;
    void RefreshMenuLine() override;
    bool InOwnPaint() override;
    void PrepareFormCache() override;
    TColor FormColor() override;
    // The form's own visible controls that lie over its client window.
    std::vector<TControl*> CoveringControls() override;

private:
    TCustomForm* FForm = nullptr;
    TacAdapterPtr<TacMDIWnd> FAdapter;
    TsSkinProvider* FProvider = nullptr;
};
