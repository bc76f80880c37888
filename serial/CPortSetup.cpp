#include "CPortSetup.h"

#include "classlib/runtime/FormResources.h"
#include "classlib/runtime/Intl.h"

#include <algorithm>

TComSetupFrm::TComSetupFrm(TComponent* AOwner) : TForm(AOwner) {
    if (!InitInheritedComponent(this)) throw EResNotFound("Resource TCOMSETUPFRM not found");
}

void TComSetupFrm::FormCreate(TObject*) {
    AddDomainForResourceString("cport");
    TranslateComponent(this, "cport", {"Combo1", "Combo2", "Combo3", "Combo4", "Combo5", "Combo6"});
}

void TranslateComponent(TComponent* Root, const std::string& Domain, const std::vector<std::string>& Ignore) {
    auto translate = [&](TComponent* c) {
        if (std::any_of(Ignore.begin(), Ignore.end(), [&](const std::string& n) { return SameText(n, c->Name()); }))
            return;
        auto* control = dynamic_cast<TControl*>(c);
        if (!control) return;
        if (!control->Caption().empty()) control->SetCaption(DGetText(Domain, control->Caption().c_str()));
        if (!control->Hint().empty()) control->SetHint(DGetText(Domain, control->Hint().c_str()));
    };
    translate(Root);
    for (int i = 0; i < Root->ComponentCount(); ++i) translate(Root->Components(i));
}

void EditComPortSettings(TCustomComPort* ComPort) {
    if (!ComPort) throw EInvalidArgument("EditComPortSettings needs a port");
    auto* form = new TComSetupFrm(nullptr);
    struct TFreeForm {
        TComSetupFrm* Form;
        ~TFreeForm() { Form->Free(); }
    } freeForm{form};
    form->AfterConstruction();
    for (TComComboBox* combo : form->Combos()) combo->SetComPort(ComPort);
    for (TComComboBox* combo : form->Combos()) combo->UpdateSettings();
    if (form->ShowModal() != mrOk) return;
    ComPort->BeginUpdate();
    try {
        for (TComComboBox* combo : form->Combos()) combo->ApplySettings();
    } catch (...) {
        ComPort->EndUpdate();
        throw;
    }
    ComPort->EndUpdate();
}

void TCustomComPort::ShowSetupDialog() { EditComPortSettings(this); }

namespace {

const bool SetupFormRegistered = [] {
    RegisterFormClass<TComSetupFrm>([](TFormClass<TComSetupFrm>& c) {
        c.Field("GroupBox1", &TComSetupFrm::GroupBox1);
        c.Field("Label1", &TComSetupFrm::Label1);
        c.Field("Label2", &TComSetupFrm::Label2);
        c.Field("Label3", &TComSetupFrm::Label3);
        c.Field("Label4", &TComSetupFrm::Label4);
        c.Field("Label5", &TComSetupFrm::Label5);
        c.Field("Label6", &TComSetupFrm::Label6);
        c.Field("Combo1", &TComSetupFrm::Combo1);
        c.Field("Combo2", &TComSetupFrm::Combo2);
        c.Field("Combo3", &TComSetupFrm::Combo3);
        c.Field("Combo4", &TComSetupFrm::Combo4);
        c.Field("Combo5", &TComSetupFrm::Combo5);
        c.Field("Combo6", &TComSetupFrm::Combo6);
        c.Field("Button1", &TComSetupFrm::Button1);
        c.Field("Button2", &TComSetupFrm::Button2);
        c.Method("FormCreate", &TComSetupFrm::FormCreate);
    });
    return true;
}();

}  // namespace
