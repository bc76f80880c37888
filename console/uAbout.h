#pragma once
// The About box: version, the mail and web links, and an OK button that shows itself under the mouse.
#include "classlib/visual/ExtCtrls.h"
#include "classlib/visual/Forms.h"
#include "classlib/visual/StdCtrls.h"
#include "pngctl/PngBitBtn.h"

class TfrmAbout : public TForm {
    CLASS_INFO(TfrmAbout, TForm)
public:
    explicit TfrmAbout(TComponent* AOwner);

    TImage* imgAbout = nullptr;
    TImage* Image1 = nullptr;
    TImage* Image2 = nullptr;
    TImage* Image3 = nullptr;
    TLabel* lblName = nullptr;
    TLabel* lblVer = nullptr;
    TLabel* lbEmail = nullptr;
    TLabel* lblWeb = nullptr;
    TPngBitBtn* btnOk = nullptr;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void Image1Click(TObject* Sender);
    void Image2Click(TObject* Sender);
    void Image3MouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void imgAboutMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void btnOkClick(TObject* Sender);

private:
    bool FShown = false;
};

extern TfrmAbout* frmAbout;
// Where the About box's links lead.
extern const char* const AboutMailLink;
extern const char* const AboutWebLink;
