#include "acSkinHooks.h"

#include "sCommonData.h"
#include "sGraphUtils.h"
#include "sMessages.h"
#include "sSkinManager.h"

#include "classlib/runtime/FormResources.h"
#include "classlib/visual/Forms.h"

namespace {

TacMenuPainterFactory& MenuPainterFactory() {
    static TacMenuPainterFactory factory;
    return factory;
}

TacDialogHook* DialogHook = nullptr;

}  // namespace

TacSkinProviderBase* GetWndProvider(HWND Wnd) {
    if (!Wnd)
        return nullptr;
    return ProviderOfAnswer(SendMessageA(Wnd, SM_QUORVEXCMD, MakeSkinCmd(scGetProvider), 0));
}

void TacSkinProviderBase::PaintMenuLineBackground(TBitmap* Bmp, const TRect& R, const TRect& ItemRect) {
    TsCommonData* data = SkinData();
    TsSkinManager* manager = data ? data->SkinManager() : nullptr;
    if (!manager)
        return;
    // The item's place in the form lets a textured menu line continue under it.
    PaintSkinItem(manager->GetSkinIndex("MENULINE"), "MENULINE", TCacheInfo(), -1, -1, manager, Bmp,
                  TPoint(ItemRect.left, ItemRect.top), R, 0);
}

bool TacSkinProviderBase::ShowCloseButton() const {
    auto* form = dynamic_cast<TCustomForm*>(Owner());
    return form && form->BorderIcons().Contains(biSystemMenu);
}

void RegisterMenuPainter(TacMenuPainterFactory Factory) { MenuPainterFactory() = std::move(Factory); }

std::unique_ptr<TacMenuPainter> CreateMenuPainter(TsSkinManager* Manager) {
    const TacMenuPainterFactory& factory = MenuPainterFactory();
    return factory ? factory(Manager) : nullptr;
}

void RegisterDialogHook(TacDialogHook* Hook) { DialogHook = Hook; }

TacDialogHook* RegisteredDialogHook() { return DialogHook; }

LRESULT CALLBACK CBTHookProc(int Code, WPARAM WParam, LPARAM LParam) {
    // A thread hook passes nil for the handle: CallNextHookEx finds the chain by the thread.
    LRESULT result = CallNextHookEx(nullptr, Code, WParam, LParam);
    if (Code < 0 || !DialogHook)
        return result;
    try {
        DialogHook->Notify(Code, WParam, LParam);
    } catch (...) {
        // No exception may travel back into the system's window creation; the application reports it.
        Application->HandleException(nullptr);
    }
    return result;
}

TacMenuSupport::TacMenuSupport() : FExtraLineFont(std::make_unique<TFont>()) {}

TacMenuSupport::~TacMenuSupport() = default;

void TacMenuSupport::Assign(TPersistent* Source) {
    auto* source = dynamic_cast<TacMenuSupport*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    FIcoLineSkin = source->FIcoLineSkin;
    FUseExtraLine = source->FUseExtraLine;
    FExtraLineWidth = source->FExtraLineWidth;
    FExtraLineFont->Assign(source->FExtraLineFont.get());
}

namespace {

const bool Registered = RegisterFormClass<TacMenuSupport>([](TFormClass<TacMenuSupport>& c) {
    c.String("IcoLineSkin", &TacMenuSupport::IcoLineSkin, &TacMenuSupport::SetIcoLineSkin);
    c.Boolean("UseExtraLine", &TacMenuSupport::UseExtraLine, &TacMenuSupport::SetUseExtraLine).Default(false);
    c.Integer("ExtraLineWidth", &TacMenuSupport::ExtraLineWidth, &TacMenuSupport::SetExtraLineWidth).Default(32);
    c.Object("ExtraLineFont", &TacMenuSupport::ExtraLineFont);
});

}  // namespace
