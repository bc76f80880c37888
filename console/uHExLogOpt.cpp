#include "uHExLogOpt.h"

#include "classlib/runtime/FormResources.h"
#include "uMain.h"

TfrmHEXLogOpt* frmHEXLogOpt = nullptr;

TfrmHEXLogOpt::TfrmHEXLogOpt(TComponent* AOwner) : TForm(AOwner) {
    if (!InitInheritedComponent(this))
        throw EResNotFound("The form description of TfrmHEXLogOpt is missing");
}

void TfrmHEXLogOpt::FormCreate(TObject*) {
    shpTXD->Brush()->SetColor(frmMain->TXDColor);
    shpRXD->Brush()->SetColor(frmMain->RXDColor);
}

void TfrmHEXLogOpt::PickColor(TShape* Shape) {
    dlgColor->SetColor(Shape->Brush()->Color());
    if (dlgColor->Execute())
        Shape->Brush()->SetColor(dlgColor->Color());
}

void TfrmHEXLogOpt::shpTXDMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
    PickColor(shpTXD);
}

void TfrmHEXLogOpt::shpRXDMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
    PickColor(shpRXD);
}

void TfrmHEXLogOpt::btnOkClick(TObject*) {
    frmMain->TXDColor = shpTXD->Brush()->Color();
    frmMain->RXDColor = shpRXD->Brush()->Color();
    Ini->WriteString("cfg", "TXDColor", ColorToString(frmMain->TXDColor));
    Ini->WriteString("cfg", "RXDColor", ColorToString(frmMain->RXDColor));
    Close();
}

void TfrmHEXLogOpt::btnCancelClick(TObject*) {
    // The shapes keep what was picked: the next opening shows it and a later OK applies it.
    Close();
}

static const bool HexLogOptRegistered = [] {
    RegisterFormClass<TfrmHEXLogOpt>([](TFormClass<TfrmHEXLogOpt>& c) {
        c.Field("GroupBox1", &TfrmHEXLogOpt::GroupBox1);
        c.Field("Label1", &TfrmHEXLogOpt::Label1);
        c.Field("Label2", &TfrmHEXLogOpt::Label2);
        c.Field("shpTXD", &TfrmHEXLogOpt::shpTXD);
        c.Field("shpRXD", &TfrmHEXLogOpt::shpRXD);
        c.Field("dlgColor", &TfrmHEXLogOpt::dlgColor);
        c.Field("btnCancel", &TfrmHEXLogOpt::btnCancel);
        c.Field("btnOk", &TfrmHEXLogOpt::btnOk);
        c.Method("FormCreate", &TfrmHEXLogOpt::FormCreate);
        c.Method("shpTXDMouseDown", &TfrmHEXLogOpt::shpTXDMouseDown);
        c.Method("shpRXDMouseDown", &TfrmHEXLogOpt::shpRXDMouseDown);
        c.Method("btnOkClick", &TfrmHEXLogOpt::btnOkClick);
        c.Method("btnCancelClick", &TfrmHEXLogOpt::btnCancelClick);
    });
    return true;
}();
