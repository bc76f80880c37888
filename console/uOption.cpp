#include "uOption.h"

#include "classlib/visual/Dialogs.h"
#include "classlib/runtime/FormResources.h"
#include "classlib/runtime/SysUtils.h"
#include "uMain.h"

TfrmOption* frmOption = nullptr;

TfrmOption::TfrmOption(TComponent* AOwner) : TForm(AOwner) {
    if (!InitInheritedComponent(this))
        throw EResNotFound("The form description of TfrmOption is missing");
}

void TfrmOption::FormShow(TObject*) {
    lvBtn->Items()->Clear();
    int count = ShortcutButtonCount(Ini);
    for (int i = 1; i <= count; ++i) {
        std::string n = IntToStr(i);
        TListItem* item = lvBtn->Items()->Add();
        item->SetCaption(Ini->ReadString("Button", "Name" + n, "Cmd" + n));
        item->SubItems()->Add(Ini->ReadString("Button", "Wexlo" + n, ""));
        item->SetChecked(Ini->ReadBool("Button", "Checked" + n, false));
    }
    lvBtnSelectItem(lvBtn, nullptr, false);
    chkEchoChar->SetChecked(EchoChar);
}

void TfrmOption::lvBtnSelectItem(TObject*, TListItem*, bool) {
    bool selected = lvBtn->Selected() != nullptr;
    btnEdit->SetEnabled(selected);
    btnDel->SetEnabled(selected);
}

void TfrmOption::btnAddClick(TObject*) {
    // The bar would not show more, and the next start would not read them.
    if (lvBtn->Items()->Count() >= MaxShortcutButtons) {
        Application->MessageBox("The shortcut bar holds at most " + IntToStr(MaxShortcutButtons) + " buttons.",
                                "Add a Shortcut Button", MB_ICONINFORMATION);
        return;
    }
    std::string name = "Cmd" + IntToStr(lvBtn->Items()->Count() + 1);
    if (!InputQuery("Add a Shortcut Button", "Name", name) || name.empty())
        return;
    std::string command = InputBox("Input a AT Command", "command", "");
    TListItem* item = lvBtn->Items()->Add();
    item->SetCaption(name);
    item->SubItems()->Add(command);
    item->SetChecked(true);
}

void TfrmOption::btnEditClick(TObject*) {
    TListItem* item = lvBtn->Selected();
    if (!item)
        return;
    std::string name = item->Caption();
    if (!InputQuery("Edit a Shortcut Button", "Name", name) || name.empty())
        return;
    item->SetCaption(name);
    std::string command = item->SubItems()->Count() > 0 ? item->SubItems()->Strings(0) : std::string();
    command = InputBox("Input a AT Command", "command", command);
    if (item->SubItems()->Count() > 0)
        item->SubItems()->SetStrings(0, command);
    else
        item->SubItems()->Add(command);
}

void TfrmOption::btnDelClick(TObject*) {
    if (TListItem* item = lvBtn->Selected())
        item->Delete();
    lvBtnSelectItem(lvBtn, nullptr, false);
}

void TfrmOption::lvBtnDblClick(TObject* Sender) {
    if (lvBtn->Selected())
        btnEditClick(Sender);
    else
        btnAddClick(Sender);
}

void TfrmOption::btnOkClick(TObject*) {
    EchoChar = chkEchoChar->Checked();
    Ini->WriteBool("cfg", "EchoChar", EchoChar);
    Ini->EraseSection("Button");
    int count = lvBtn->Items()->Count();
    Ini->WriteInteger("Button", "Count", count);
    for (int i = 1; i <= count; ++i) {
        TListItem* item = lvBtn->Items()->Item(i - 1);
        std::string n = IntToStr(i);
        Ini->WriteString("Button", "Name" + n, item->Caption());
        Ini->WriteString("Button", "Wexlo" + n, item->SubItems()->Count() > 0 ? item->SubItems()->Strings(0) : "");
        Ini->WriteBool("Button", "Checked" + n, item->Checked());
    }
    SetModalResult(mrOk);
}

void TfrmOption::btnCancelClick(TObject*) {
    SetModalResult(mrCancel);
}

static const bool OptionRegistered = [] {
    RegisterFormClass<TfrmOption>([](TFormClass<TfrmOption>& c) {
        c.Field("PageControl1", &TfrmOption::PageControl1);
        c.Field("TabSheet1", &TfrmOption::TabSheet1);
        c.Field("lvBtn", &TfrmOption::lvBtn);
        c.Field("Panel1", &TfrmOption::Panel1);
        c.Field("btnAdd", &TfrmOption::btnAdd);
        c.Field("btnEdit", &TfrmOption::btnEdit);
        c.Field("btnDel", &TfrmOption::btnDel);
        c.Field("tsNormal", &TfrmOption::tsNormal);
        c.Field("chkEchoChar", &TfrmOption::chkEchoChar);
        c.Field("btnCancel", &TfrmOption::btnCancel);
        c.Field("btnOk", &TfrmOption::btnOk);
        c.Method("FormShow", &TfrmOption::FormShow);
        c.Method("btnAddClick", &TfrmOption::btnAddClick);
        c.Method("btnEditClick", &TfrmOption::btnEditClick);
        c.Method("btnDelClick", &TfrmOption::btnDelClick);
        c.Method("lvBtnDblClick", &TfrmOption::lvBtnDblClick);
        c.Method("lvBtnSelectItem", &TfrmOption::lvBtnSelectItem);
        c.Method("btnOkClick", &TfrmOption::btnOkClick);
        c.Method("btnCancelClick", &TfrmOption::btnCancelClick);
    });
    return true;
}();
