#pragma once
// The dialog that picks the colours of sent and received HEX lines.
#include "classlib/visual/Dialogs.h"
#include "classlib/visual/ExtCtrls.h"
#include "classlib/visual/Forms.h"
#include "classlib/visual/StdCtrls.h"
#include "pngctl/PngSpeedButton.h"

class TfrmHEXLogOpt : public TForm {
    CLASS_INFO(TfrmHEXLogOpt, TForm)
public:
    explicit TfrmHEXLogOpt(TComponent* AOwner);

    TGroupBox* GroupBox1 = nullptr;
    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TShape* shpTXD = nullptr;
    TShape* shpRXD = nullptr;
    TColorDialog* dlgColor = nullptr;
    TPngSpeedButton* btnCancel = nullptr;
    TPngSpeedButton* btnOk = nullptr;

    void FormCreate(TObject* Sender);
    void shpTXDMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void shpRXDMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void btnOkClick(TObject* Sender);
    void btnCancelClick(TObject* Sender);

private:
    void PickColor(TShape* Shape);
};

extern TfrmHEXLogOpt* frmHEXLogOpt;
