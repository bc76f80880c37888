#pragma once
// The message boxes through which the skin library reports problems.
#include "classlib/runtime/Set.h"

#include <windows.h>

#include <string>

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
using TMsgDlgButtons = Set<TMsgDlgBtn>;

// Where the dialog skinning places a box the library shows (-1: the system's place); set for one call.
extern int acDlgPosX;
extern int acDlgPosY;

// The caption a box of the type gets when none is given ("Warning", "Error", "Information", "Confirm", "").
const char* DefaultDlgCaption(TMsgDlgType DlgType);
// The MessageBox flags for the type's icon and the buttons.
UINT MessageDlgFlags(TMsgDlgType DlgType, TMsgDlgButtons Buttons);

// Shows Msg in the application's message box; an empty Caption takes the type's default. The answer is
// MessageBox's (IDOK, IDCANCEL, ...). HelpCtx is kept for callers that pass one; the box has no help file.
int SkinMessageDlg(const std::string& Caption, const std::string& Msg, TMsgDlgType DlgType, int HelpCtx, int X,
                   int Y, TMsgDlgButtons Buttons);
int MessageDlgWithCaption(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx);
void ShowWarning(const std::string& Msg);
void ShowError(const std::string& Msg);
