#include "sDialogs.h"

#include "classlib/visual/Forms.h"

int acDlgPosX = -1;
int acDlgPosY = -1;

const char* DefaultDlgCaption(TMsgDlgType DlgType) {
    switch (DlgType) {
    case mtWarning:
        return "Warning";
    case mtError:
        return "Error";
    case mtInformation:
        return "Information";
    case mtConfirmation:
        return "Confirm";
    default:
        return "";
    }
}

UINT MessageDlgFlags(TMsgDlgType DlgType, TMsgDlgButtons Buttons) {
    UINT flags = 0;
    switch (DlgType) {
    case mtWarning:
        flags = MB_ICONWARNING;
        break;
    case mtError:
        flags = MB_ICONERROR;
        break;
    case mtInformation:
        flags = MB_ICONINFORMATION;
        break;
    case mtConfirmation:
        flags = MB_ICONQUESTION;
        break;
    default:
        break;
    }
    if (Buttons.Contains(mbOK))
        flags |= Buttons.Contains(mbCancel) ? MB_OKCANCEL : MB_OK;
    else if (Buttons.Contains(mbAbort) || Buttons.Contains(mbIgnore))
        flags |= MB_ABORTRETRYIGNORE;
    else if (Buttons.Contains(mbYes) || Buttons.Contains(mbNo))
        flags |= Buttons.Contains(mbCancel) ? MB_YESNOCANCEL : MB_YESNO;
    else if (Buttons.Contains(mbRetry))
        flags |= MB_RETRYCANCEL;
    if (Buttons.Contains(mbHelp))
        flags |= MB_HELP;
    return flags;
}

namespace {

// Puts the placement back to the system's when the box is gone, also when it ends by an exception.
struct TDlgPositionScope {
    TDlgPositionScope(int x, int y) {
        acDlgPosX = x;
        acDlgPosY = y;
    }
    ~TDlgPositionScope() { acDlgPosX = acDlgPosY = -1; }
};

}  // namespace

int SkinMessageDlg(const std::string& Caption, const std::string& Msg, TMsgDlgType DlgType, int HelpCtx, int X,
                   int Y, TMsgDlgButtons Buttons) {
    (void)HelpCtx;
    TDlgPositionScope position(X, Y);
    return Application->MessageBox(Msg, Caption.empty() ? DefaultDlgCaption(DlgType) : Caption,
                                   MessageDlgFlags(DlgType, Buttons));
}

int MessageDlgWithCaption(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx) {
    return SkinMessageDlg("", Msg, DlgType, HelpCtx, -1, -1, Buttons);
}

void ShowWarning(const std::string& Msg) { MessageDlgWithCaption(Msg, mtWarning, {mbOK}, 0); }

void ShowError(const std::string& Msg) { MessageDlgWithCaption(Msg, mtError, {mbOK}, 0); }
