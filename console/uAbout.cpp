#include "uAbout.h"

#include "classlib/runtime/FormResources.h"
#include "uMain.h"

#include <shellapi.h>

TfrmAbout* frmAbout = nullptr;
const char* const AboutMailLink = "mailto:support@brimlet.example?subject=Brimlet%201.24";
const char* const AboutWebLink = "https://brimlet.example/";

TfrmAbout::TfrmAbout(TComponent* AOwner) : TForm(AOwner) {
    if (!InitInheritedComponent(this))
        throw EResNotFound("The form description of TfrmAbout is missing");
}

void TfrmAbout::FormCreate(TObject*) {
    SetLeft((Screen->Width() - Width()) / 2);
    SetTop((Screen->Height() - Height()) / 2);
    lblVer->SetCaption(ProgramVersion);
}

void TfrmAbout::FormShow(TObject*) {
    if (FShown)
        return;
    FShown = true;
    if (CanFadeWindows())
        AnimateWindow(Handle(), 500, AW_ACTIVATE | AW_BLEND);
}

void TfrmAbout::FormClose(TObject*, TCloseAction&) {
    if (CanFadeWindows())
        AnimateWindow(Handle(), 500, AW_HIDE | AW_BLEND);
}

static void OpenLink(const char* link) {
    // The shell reports a missing handler with a value of 32 or less; the box stays open either way.
    ShellExecuteA(Application->Handle(), nullptr, link, nullptr, nullptr, SW_SHOW);
}

void TfrmAbout::Image1Click(TObject*) {
    OpenLink(AboutWebLink);
}

void TfrmAbout::Image2Click(TObject*) {
    OpenLink(AboutMailLink);
}

void TfrmAbout::Image3MouseMove(TObject*, TShiftState, int, int) {
    btnOk->SetVisible(true);
}

void TfrmAbout::imgAboutMouseMove(TObject*, TShiftState, int, int) {
    btnOk->SetVisible(false);
}

void TfrmAbout::btnOkClick(TObject*) {
    Close();
}

static const bool AboutRegistered = [] {
    RegisterFormClass<TfrmAbout>([](TFormClass<TfrmAbout>& c) {
        c.Field("imgAbout", &TfrmAbout::imgAbout);
        c.Field("Image1", &TfrmAbout::Image1);
        c.Field("Image2", &TfrmAbout::Image2);
        c.Field("Image3", &TfrmAbout::Image3);
        c.Field("lblName", &TfrmAbout::lblName);
        c.Field("lblVer", &TfrmAbout::lblVer);
        c.Field("lbEmail", &TfrmAbout::lbEmail);
        c.Field("lblWeb", &TfrmAbout::lblWeb);
        c.Field("btnOk", &TfrmAbout::btnOk);
        c.Method("FormCreate", &TfrmAbout::FormCreate);
        c.Method("FormShow", &TfrmAbout::FormShow);
        c.Method("FormClose", &TfrmAbout::FormClose);
        c.Method("Image1Click", &TfrmAbout::Image1Click);
        c.Method("Image2Click", &TfrmAbout::Image2Click);
        c.Method("Image3MouseMove", &TfrmAbout::Image3MouseMove);
        c.Method("imgAboutMouseMove", &TfrmAbout::imgAboutMouseMove);
        c.Method("btnOkClick", &TfrmAbout::btnOkClick);
    });
    return true;
}();
