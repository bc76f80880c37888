#include "sMDIForm.h"
#include "sSkinProvider.h"

#include "skin/engine/sCommonData.h"

#include "classlib/visual/Forms.h"

TsMDIForm::TsMDIForm(TsSkinProvider* AProvider) : FProvider(AProvider) {
    if (!FProvider)
        throw EInvalidOperation("The MDI support of a skinned form needs the form's skin provider");
    FForm = FProvider->Form();
    if (FForm)
        FForm->HandleNeeded();
}

TsMDIForm::~TsMDIForm() {
    DetachClientAdapter();
}

void TsMDIForm::Connect() {
    // A form being designed keeps its client window as the designer has it.
    if (FAdapter || (FForm && FForm->ComponentState().Contains(csDesigning)))
        return;
    AttachClientAdapter();
}

void TsMDIForm::AttachClientAdapter() {
    DetachClientAdapter();
    if (!FForm || !FProvider->SkinData()->Skinned() || !FForm->HandleAllocated() || !FForm->ClientHandle())
        return;
    FAdapter = TacMDIWnd::CreateForForm(this, FForm->ClientHandle(), true);
}

void TsMDIForm::DetachClientAdapter() {
    // The adapter's deleter gives the client window its own procedure back and frees the adapter's own skin data.
    FAdapter.reset();
}

void TsMDIForm::RepaintFrame() {
    FProvider->RepaintFrame();
}

TsCommonData* TsMDIForm::FormSkinData() {
    return FProvider->SkinData();
}

void TsMDIForm::SetFrameChanged() {
    FProvider->FFrameDirty = true;
}

void TsMDIForm::ResetHotTitleElement() {
    FProvider->SetMDIHotButton(0);
}

void TsMDIForm::RefreshMDITitleButtons() {
    for (int code : {101, 102, 103})
        FProvider->RepaintMDIButton(code);
}

void TsMDIForm::RefreshMenuLine() {
    FProvider->FMenuLineCount = -1;
    FProvider->RepaintFrame();
}

bool TsMDIForm::InOwnPaint() {
    return FProvider->FInPaintAll;
}

void TsMDIForm::PrepareFormCache() {
    FProvider->PaintAll();
}

TColor TsMDIForm::FormColor() {
    return FProvider->FormColor();
}

std::vector<TControl*> TsMDIForm::CoveringControls() {
    std::vector<TControl*> covering;
    if (!FForm || !FForm->HandleAllocated() || !FForm->ClientHandle())
        return covering;
    // The client window takes what the aligned controls leave; a control placed over that area lies above it.
    RECT client{};
    GetWindowRect(FForm->ClientHandle(), &client);
    MapWindowPoints(nullptr, FForm->Handle(), reinterpret_cast<POINT*>(&client), 2);
    for (int i = 0; i < FForm->ControlCount(); ++i) {
        TControl* control = FForm->Controls(i);
        if (!control || !control->Visible())
            continue;
        TRect r = control->BoundsRect();
        if (r.left < client.right && r.right > client.left && r.top < client.bottom && r.bottom > client.top)
            covering.push_back(control);
    }
    return covering;
}
