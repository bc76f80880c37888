#pragma once
// The common dialogs as components (open and save file names, colours) over comdlg32; the message dialog and
// the dialog that asks for one line of text.
#include "classlib/runtime/Component.h"
#include "Forms.h"
#include "Graphics.h"
#include "classlib/runtime/Lists.h"

#include <commdlg.h>

#include <memory>
#include <string>

// A dialog of the system that a component opens with Execute; it answers true when the user confirmed it.
class TCommonDialog : public TComponent {
    CLASS_INFO(TCommonDialog, TComponent)
public:
    using TComponent::TComponent;
    // Shows the dialog over the program's active window and waits for the user. False when the user cancelled;
    // a dialog that cannot be shown raises EDialogError with the system's reason.
    virtual bool Execute() = 0;
    int HelpContext() const { return FHelpContext; }
    void SetHelpContext(int Value) { FHelpContext = Value; }

protected:
    // The window the dialog belongs to: the active form, else the application's window.
    static HWND OwnerWindow();

private:
    int FHelpContext = 0;
};

BRIMLET_EXCEPTION(EDialogError, Exception);

enum TOpenOption {
    ofReadOnly,
    ofOverwritePrompt,
    ofHideReadOnly,
    ofNoChangeDir,
    ofShowHelp,
    ofNoValidate,
    ofAllowMultiSelect,
    ofExtensionDifferent,
    ofPathMustExist,
    ofFileMustExist,
    ofCreatePrompt,
    ofShareAware,
    ofNoReadOnlyReturn,
    ofNoTestFileCreate,
    ofNoNetworkButton,
    ofNoLongNames,
    ofOldStyleDialog,
    ofNoDereferenceLinks,
    ofEnableIncludeNotify,
    ofEnableSizing,
    ofDontAddToRecent,
    ofForceShowHidden
};
using TOpenOptions = Set<TOpenOption>;

// Asks for one file name (or several, with ofAllowMultiSelect) to open.
class TOpenDialog : public TCommonDialog {
    CLASS_INFO(TOpenDialog, TCommonDialog)
public:
    explicit TOpenDialog(TComponent* AOwner);
    ~TOpenDialog() override;
    bool Execute() override;

    const std::string& FileName() const { return FFileName; }
    void SetFileName(const std::string& Value) { FFileName = Value; }
    // Every chosen file with its full path (the one file without ofAllowMultiSelect).
    TStrings* Files() const { return FFiles.get(); }
    // Pairs of description and pattern separated by "|": "Text files (*.txt)|*.txt|All files|*.*".
    const std::string& Filter() const { return FFilter; }
    void SetFilter(const std::string& Value) { FFilter = Value; }
    // The filter shown first and, after Execute, the one the user chose; counted from 1.
    int FilterIndex() const { return FFilterIndex; }
    void SetFilterIndex(int Value) { FFilterIndex = Value; }
    // Added, without its dot, to a typed name that has no extension.
    const std::string& DefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const std::string& Value) { FDefaultExt = Value; }
    const std::string& InitialDir() const { return FInitialDir; }
    void SetInitialDir(const std::string& Value) { FInitialDir = Value; }
    const std::string& Title() const { return FTitle; }
    void SetTitle(const std::string& Value) { FTitle = Value; }
    TOpenOptions Options() const { return FOptions; }
    void SetOptions(TOpenOptions Value) { FOptions = Value; }

protected:
    // The system's dialog for the prepared record (GetOpenFileNameA; the save dialog uses GetSaveFileNameA).
    virtual BOOL RunDialog(OPENFILENAMEA& ofn);
    bool DoExecute();

private:
    std::string FFileName;
    std::unique_ptr<TStringList> FFiles;
    std::string FFilter;
    int FFilterIndex = 1;
    std::string FDefaultExt;
    std::string FInitialDir;
    std::string FTitle;
    TOpenOptions FOptions = {ofHideReadOnly, ofEnableSizing};
};

// Asks for a file name to save under.
class TSaveDialog : public TOpenDialog {
    CLASS_INFO(TSaveDialog, TOpenDialog)
public:
    using TOpenDialog::TOpenDialog;

protected:
    BOOL RunDialog(OPENFILENAMEA& ofn) override;
};

enum TColorDialogOption { cdFullOpen, cdPreventFullOpen, cdShowHelp, cdSolidColor, cdAnyColor };
using TColorDialogOptions = Set<TColorDialogOption>;

// Asks for a colour; CustomColors holds the sixteen custom colours as "ColorA=BBGGRR" .. "ColorP=BBGGRR" (six
// hexadecimal digits), "FFFFFFFF" or a missing line for an unset one.
class TColorDialog : public TCommonDialog {
    CLASS_INFO(TColorDialog, TCommonDialog)
public:
    explicit TColorDialog(TComponent* AOwner);
    ~TColorDialog() override;
    bool Execute() override;

    TColor Color() const { return FColor; }
    void SetColor(TColor Value) { FColor = Value; }
    TStrings* CustomColors() const { return FCustomColors.get(); }
    void SetCustomColors(TStrings* Value) { FCustomColors->Assign(Value); }
    TColorDialogOptions Options() const { return FOptions; }
    void SetOptions(TColorDialogOptions Value) { FOptions = Value; }

private:
    TColor FColor = clBlack;
    std::unique_ptr<TStringList> FCustomColors;
    TColorDialogOptions FOptions;
};

// --- message and input dialogs ---

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
using TMsgDlgButtons = Set<TMsgDlgBtn>;
inline const TMsgDlgButtons mbYesNoCancel = {mbYes, mbNo, mbCancel};
inline const TMsgDlgButtons mbOKCancel = {mbOK, mbCancel};
inline const TMsgDlgButtons mbAbortRetryIgnore = {mbAbort, mbRetry, mbIgnore};

// The form of a message dialog: the type's icon, the message and a row of buttons. Its window class is its class
// name, by which skinning tells it from other forms.
class TMessageForm : public TForm {
    CLASS_INFO(TMessageForm, TForm)
public:
    explicit TMessageForm(TComponent* AOwner) : TForm(AOwner) {}
    TMsgDlgType DlgType() const { return FDlgType; }

protected:
    friend TMessageForm* CreateMessageDialog(const std::string&, TMsgDlgType, TMsgDlgButtons);
    void Paint() override;

private:
    TMsgDlgType FDlgType = mtCustom;
    TPoint FIconPos;
};

// A message dialog ready to be shown: caption of its type ("Warning", "Error", "Information", "Confirm"; the
// application's title for mtCustom), Enter presses OK or Yes, Esc presses Cancel, else No, else OK. The caller
// frees it.
TMessageForm* CreateMessageDialog(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons);
// Shows the message dialog modally and answers the modal result of the button pressed (mrCancel when closed).
int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx = 0);
// The message with an OK button under the application's title.
void ShowMessage(const std::string& Msg);
// Asks for one line of text in a small modal dialog (caption, prompt, an edit holding Value, OK and Cancel).
// True and the text in Value when the user confirmed; false and Value unchanged otherwise.
bool InputQuery(const std::string& ACaption, const std::string& APrompt, std::string& Value);
// InputQuery's text, or ADefault when the user cancelled.
std::string InputBox(const std::string& ACaption, const std::string& APrompt, const std::string& ADefault);
