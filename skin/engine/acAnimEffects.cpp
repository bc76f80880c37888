#include "acAnimEffects.h"

#include "classlib/runtime/FormResources.h"

void TacBtnEffects::Assign(TPersistent* Source) {
    if (auto* source = dynamic_cast<TacBtnEffects*>(Source))
        FEvents = source->FEvents;
    else
        TPersistent::Assign(Source);
}

void TacFormAnimation::Assign(TPersistent* Source) {
    auto* source = dynamic_cast<TacFormAnimation*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    FActive = source->FActive;
    FTime = source->FTime;
}

TacAnimEffects::TacAnimEffects(TsSkinManager* Manager)
    : FManager(Manager),
      FButtons(std::make_unique<TacBtnEffects>(Manager)),
      FDialogShow(std::make_unique<TacDialogShow>()),
      FFormShow(std::make_unique<TacFormShow>()),
      FSkinChanging(std::make_unique<TacSkinChanging>()),
      FPageChange(std::make_unique<TacPageChange>()) {}

TacAnimEffects::~TacAnimEffects() = default;

void TacAnimEffects::Assign(TPersistent* Source) {
    auto* source = dynamic_cast<TacAnimEffects*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    FButtons->Assign(source->FButtons.get());
    FDialogShow->Assign(source->FDialogShow.get());
    FFormShow->Assign(source->FFormShow.get());
    FSkinChanging->Assign(source->FSkinChanging.get());
    FPageChange->Assign(source->FPageChange.get());
}

namespace {

const bool Registered = [] {
    RegisterFormClass<TacBtnEffects>([](TFormClass<TacBtnEffects>& c) {
        c.SetOf("Events", &TacBtnEffects::Events, &TacBtnEffects::SetEvents,
                {"beMouseEnter", "beMouseLeave", "beMouseDown", "beMouseUp"})
            .Default(TacBtnEvents{beMouseEnter, beMouseLeave, beMouseDown, beMouseUp});
    });
    RegisterFormClass<TacFormAnimation>([](TFormClass<TacFormAnimation>& c) {
        c.Boolean("Active", &TacFormAnimation::Active, &TacFormAnimation::SetActive).Default(true);
        c.Integer("Time", &TacFormAnimation::Time, &TacFormAnimation::SetTime);
    });
    RegisterFormClass<TacFormShow>();
    RegisterFormClass<TacPageChange>();
    RegisterFormClass<TacDialogShow>();
    RegisterFormClass<TacSkinChanging>();
    RegisterFormClass<TacAnimEffects>([](TFormClass<TacAnimEffects>& c) {
        c.Object("Buttons", &TacAnimEffects::Buttons);
        c.Object("DialogShow", &TacAnimEffects::DialogShow);
        c.Object("FormShow", &TacAnimEffects::FormShow);
        c.Object("SkinChanging", &TacAnimEffects::SkinChanging);
        c.Object("PageChange", &TacAnimEffects::PageChange);
    });
    return true;
}();

}  // namespace
