#pragma once
// The option dialog: the shortcut buttons of the main window and the echo option.
#include "classlib/visual/Buttons.h"
#include "classlib/visual/ComCtrls.h"
#include "classlib/visual/ExtCtrls.h"
#include "classlib/visual/ListView.h"
#include "classlib/visual/Forms.h"
#include "classlib/visual/StdCtrls.h"
#include "pngctl/PngSpeedButton.h"

class TfrmOption : public TForm {
    CLASS_INFO(TfrmOption, TForm)
public:
    explicit TfrmOption(TComponent* AOwner);

    TPageControl* PageControl1 = nullptr;
    TTabSheet* TabSheet1 = nullptr;
    TListView* lvBtn = nullptr;
    TPanel* Panel1 = nullptr;
    TSpeedButton* btnAdd = nullptr;
    TSpeedButton* btnEdit = nullptr;
    TSpeedButton* btnDel = nullptr;
    TTabSheet* tsNormal = nullptr;
    TCheckBox* chkEchoChar = nullptr;
    TPngSpeedButton* btnCancel = nullptr;
    TPngSpeedButton* btnOk = nullptr;

    void FormShow(TObject* Sender);
    void btnAddClick(TObject* Sender);
    void btnEditClick(TObject* Sender);
    void btnDelClick(TObject* Sender);
    void lvBtnDblClick(TObject* Sender);
    void lvBtnSelectItem(TObject* Sender, TListItem* Item, bool Selected);
    void btnOkClick(TObject* Sender);
    void btnCancelClick(TObject* Sender);
};

extern TfrmOption* frmOption;
