#include "sSkinProvider.h"

#include "classlib/runtime/FormResources.h"

// --- title icon and extra title buttons ---

TsTitleIcon::TsTitleIcon() : FGlyph(std::make_unique<TBitmap>()) {}

TsTitleIcon::~TsTitleIcon() = default;

TsTitleButton::TsTitleButton() : FGlyph(std::make_unique<TBitmap>()) {
    // A button added in code or read without a name shows its class name until it is renamed.
    if (FName.empty())
        FName = StaticClassName();
}

TsTitleButton::~TsTitleButton() = default;

void TsTitleButton::SetName(const std::string& Value) {
    if (FName != Value)
        FName = Value;
}

void TsTitleButton::DoMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseDown)
        OnMouseDown(this, Button, Shift, X, Y);
}

void TsTitleButton::DoMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseUp)
        OnMouseUp(this, Button, Shift, X, Y);
}

TsTitleButtons::TsTitleButtons(TPersistent* AOwner)
    : TCollection(CollectionItemClassOf<TsTitleButton>()), FOwner(AOwner) {}

TsTitleButtons::~TsTitleButtons() {
    // Items leaving the collection while it is destroyed may ask for the owner; the owner may be gone by then.
    FOwner = nullptr;
}

namespace {

const bool TitleClassesRegistered = [] {
    RegisterFormClass<TsTitleIcon>([](TFormClass<TsTitleIcon>& c) {
        using T = TsTitleIcon;
        c.Object("Glyph", &T::Glyph).Stored([](T* i) { return !i->Glyph()->Empty(); });
        c.Integer("Height", &T::Height, &T::SetHeight).Default(0);
        c.Integer("Width", &T::Width, &T::SetWidth).Default(0);
    });
    RegisterFormClass<TsTitleButton>([](TFormClass<TsTitleButton>& c) {
        using T = TsTitleButton;
        c.Boolean("UseSkinData", &T::UseSkinData, &T::SetUseSkinData).Default(true);
        c.String("Name", &T::Name, &T::SetName).DefaultInstead(T::StaticClassName());
        c.Object("Glyph", &T::Glyph).Stored([](T* b) { return !b->Glyph()->Empty(); });
        c.Event("OnMouseUp", &T::OnMouseUp);
        c.Event("OnMouseDown", &T::OnMouseDown);
        c.Boolean("Enabled", &T::Enabled, &T::SetEnabled).Default(true);
    });
    RegisterFormClass<TsTitleButtons>();
    RegisterFormClass<TsSkinProvider>([](TFormClass<TsSkinProvider>& c) {
        using T = TsSkinProvider;
        c.Enum("CaptionAlignment", &T::CaptionAlignment, &T::SetCaptionAlignment,
               {"taLeftJustify", "taRightJustify", "taCenter"})
            .Default(taLeftJustify);
        c.Object("SkinData", &T::SkinData);
        c.Enum("GripMode", &T::GripMode, &T::SetGripMode, {"gmNone", "gmRightBottom"}).Default(gmNone);
        c.Boolean("MakeSkinMenu", &T::MakeSkinMenu, &T::SetMakeSkinMenu).Default(false);
        c.String("MenuLineSkin", &T::MenuLineSkin, &T::SetMenuLineSkin);
        c.Enum("ResizeMode", &T::ResizeMode, &T::SetResizeMode, {"rmStandard", "rmBorder"}).Default(rmStandard);
        c.Boolean("ScreenSnap", &T::ScreenSnap, &T::SetScreenSnap).Default(false);
        c.Integer("SnapBuffer", &T::SnapBuffer, &T::SetSnapBuffer).Default(10);
        c.Boolean("ShowAppIcon", &T::ShowAppIcon, &T::SetShowAppIcon).Default(true);
        c.Collection("TitleButtons", &T::TitleButtons);
        c.Object("TitleIcon", &T::TitleIcon);
        c.String("TitleSkin", &T::TitleSkin, &T::SetTitleSkin);
        c.Boolean("UseGlobalColor", &T::UseGlobalColor, &T::SetUseGlobalColor).Default(true);
        c.Event("OnSkinItem", &T::OnSkinItem);
    });
    return true;
}();

}  // namespace
