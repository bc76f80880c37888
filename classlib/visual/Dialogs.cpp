#include "Dialogs.h"

#include "classlib/runtime/FormResources.h"
#include "Forms.h"
#include "StdCtrls.h"

#include <algorithm>
#include <memory>
#include <vector>

// --- TCommonDialog ---

HWND TCommonDialog::OwnerWindow() {
    if (TScreen* screen = Screen)
        if (TCustomForm* form = screen->ActiveForm(); form && form->HandleAllocated())
            return form->Handle();
    HWND active = GetActiveWindow();
    if (active && GetWindowThreadProcessId(active, nullptr) == GetCurrentThreadId())
        return active;
    if (TApplication* app = Application)
        return app->Handle();
    return nullptr;
}

namespace {

// The dialog ended without a choice: false for a cancel, an exception for a failure.
bool DialogFailed(const char* call) {
    DWORD error = CommDlgExtendedError();
    if (error == 0)
        return false;
    throw EDialogError(Format("%s failed with the dialog error 0x%04lX", call, static_cast<unsigned long>(error)));
}

}  // namespace

// --- TOpenDialog ---

TOpenDialog::TOpenDialog(TComponent* AOwner) : TCommonDialog(AOwner), FFiles(std::make_unique<TStringList>()) {}

TOpenDialog::~TOpenDialog() = default;

BOOL TOpenDialog::RunDialog(OPENFILENAMEA& ofn) { return GetOpenFileNameA(&ofn); }

BOOL TSaveDialog::RunDialog(OPENFILENAMEA& ofn) { return GetSaveFileNameA(&ofn); }

bool TOpenDialog::Execute() { return DoExecute(); }

bool TOpenDialog::DoExecute() {
    static const DWORD flags[] = {OFN_READONLY,        OFN_OVERWRITEPROMPT,    OFN_HIDEREADONLY,
                                  OFN_NOCHANGEDIR,     OFN_SHOWHELP,           OFN_NOVALIDATE,
                                  OFN_ALLOWMULTISELECT, OFN_EXTENSIONDIFFERENT, OFN_PATHMUSTEXIST,
                                  OFN_FILEMUSTEXIST,   OFN_CREATEPROMPT,       OFN_SHAREAWARE,
                                  OFN_NOREADONLYRETURN, OFN_NOTESTFILECREATE,  OFN_NONETWORKBUTTON,
                                  OFN_NOLONGNAMES,     0,                      OFN_NODEREFERENCELINKS,
                                  OFN_ENABLEINCLUDENOTIFY, OFN_ENABLESIZING,   OFN_DONTADDTORECENT,
                                  OFN_FORCESHOWHIDDEN};
    // "a|b|c|d" becomes "a\0b\0c\0d\0\0", as the dialog takes its filters.
    std::string filter = FFilter;
    for (char& c : filter)
        if (c == '|')
            c = '\0';
    if (!filter.empty())
        filter.append(2, '\0');
    // Room for many names when several may be chosen; a name longer than the buffer is refused by the dialog.
    std::vector<char> buffer(FOptions.Contains(ofAllowMultiSelect) ? 65536 : 4096, '\0');
    if (FFileName.size() >= buffer.size())
        throw EDialogError("The file name is too long for the file dialog");
    FFileName.copy(buffer.data(), FFileName.size());

    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = OwnerWindow();
    ofn.hInstance = GetModuleHandleA(nullptr);
    ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(FFilterIndex);
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrInitialDir = FInitialDir.empty() ? nullptr : FInitialDir.c_str();
    ofn.lpstrTitle = FTitle.empty() ? nullptr : FTitle.c_str();
    ofn.lpstrDefExt = FDefaultExt.empty() ? nullptr : FDefaultExt.c_str();
    ofn.Flags = FOptions.Contains(ofOldStyleDialog) ? 0 : OFN_EXPLORER;
    for (TOpenOption o : FOptions)
        ofn.Flags |= flags[o];

    if (!RunDialog(ofn))
        return DialogFailed(ClassNameIs("TSaveDialog") ? "GetSaveFileNameA" : "GetOpenFileNameA");

    FFiles->Clear();
    if (FOptions.Contains(ofAllowMultiSelect)) {
        // Several names come as the folder, then each name, each ended by a NUL, and an empty one at the end; one
        // name comes with its full path.
        const char* p = buffer.data();
        std::string first = p;
        p += first.size() + 1;
        if (*p == '\0') {
            FFiles->Add(first);
        } else {
            std::string folder = IncludeTrailingPathDelimiter(first);
            while (*p) {
                std::string name = p;
                FFiles->Add(folder + name);
                p += name.size() + 1;
            }
        }
    } else {
        FFiles->Add(buffer.data());
    }
    FFileName = FFiles->Count() > 0 ? FFiles->Strings(0) : std::string();
    FFilterIndex = static_cast<int>(ofn.nFilterIndex);
    if (ofn.Flags & OFN_READONLY)
        FOptions.Include(ofReadOnly);
    else
        FOptions.Exclude(ofReadOnly);
    if (ofn.Flags & OFN_EXTENSIONDIFFERENT)
        FOptions.Include(ofExtensionDifferent);
    else
        FOptions.Exclude(ofExtensionDifferent);
    return true;
}

// --- TColorDialog ---

TColorDialog::TColorDialog(TComponent* AOwner)
    : TCommonDialog(AOwner), FCustomColors(std::make_unique<TStringList>()) {}

TColorDialog::~TColorDialog() = default;

bool TColorDialog::Execute() {
    static const DWORD flags[] = {CC_FULLOPEN, CC_PREVENTFULLOPEN, CC_SHOWHELP, CC_SOLIDCOLOR, CC_ANYCOLOR};
    COLORREF custom[16];
    for (int i = 0; i < 16; ++i) {
        std::string value = FCustomColors->Values(std::string("Color") + static_cast<char>('A' + i));
        int color = 0;
        custom[i] = (!value.empty() && TryStrToInt("$" + value, color)) ? static_cast<COLORREF>(color) : 0xFFFFFF;
    }
    CHOOSECOLORA cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = OwnerWindow();
    cc.rgbResult = static_cast<COLORREF>(ColorToRGB(FColor));
    cc.lpCustColors = custom;
    cc.Flags = CC_RGBINIT;
    for (TColorDialogOption o : FOptions)
        cc.Flags |= flags[o];
    if (!ChooseColorA(&cc))
        return DialogFailed("ChooseColorA");
    FColor = static_cast<TColor>(cc.rgbResult);
    FCustomColors->BeginUpdate();
    FCustomColors->Clear();
    for (int i = 0; i < 16; ++i)
        FCustomColors->Add(std::string("Color") + static_cast<char>('A' + i) + "=" +
                           (custom[i] == 0xFFFFFF ? std::string("FFFFFFFF") : IntToHex(custom[i], 6)));
    FCustomColors->EndUpdate();
    return true;
}

static const bool DialogsRegistered = [] {
    RegisterFormClass<TOpenDialog>([](TFormClass<TOpenDialog>& c) {
        c.String("DefaultExt", &TOpenDialog::DefaultExt, &TOpenDialog::SetDefaultExt);
        c.String("FileName", &TOpenDialog::FileName, &TOpenDialog::SetFileName);
        c.String("Filter", &TOpenDialog::Filter, &TOpenDialog::SetFilter);
        c.String("InitialDir", &TOpenDialog::InitialDir, &TOpenDialog::SetInitialDir);
        c.String("Title", &TOpenDialog::Title, &TOpenDialog::SetTitle);
    });
    RegisterFormClass<TSaveDialog>();
    RegisterFormClass<TColorDialog>(
        [](TFormClass<TColorDialog>& c) { c.Color("Color", &TColorDialog::Color, &TColorDialog::SetColor); });
    return true;
}();
// --- message and input dialogs ---

namespace {

// A quarter of the average character width and an eighth of the character height: the units dialogs are laid out
// in, so they grow with their font.
struct TDialogUnits {
    int X = 0, Y = 0;
    explicit TDialogUnits(TFont* font) {
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, font->Handle());
        SIZE size{};
        GetTextExtentPoint32W(dc, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &size);
        TEXTMETRICW tm{};
        GetTextMetricsW(dc, &tm);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        X = (size.cx / 26 + 1) / 2;
        Y = tm.tmHeight;
    }
    int H(int units) const { return MulDiv(units, X, 4); }
    int V(int units) const { return MulDiv(units, Y, 8); }
};

// A new form owned by the application, in the system's message font, as the dialogs below are.
template <class T>
T* NewDialogForm(const std::string& caption) {
    auto* form = new T(Application);
    form->SetBorderStyle(bsDialog);
    form->SetBorderIcons({biSystemMenu});
    form->SetPosition(poScreenCenter);
    form->SetCaption(caption);
    form->Font()->Assign(Screen->MessageFont());
    return form;
}

// Frees a dialog form whatever happens while it is shown.
struct TFormFree {
    void operator()(TCustomForm* form) const { form->Free(); }
};
template <class T>
using TFormPtr = std::unique_ptr<T, TFormFree>;

struct TButtonKind {
    const char* Name;
    const char* Caption;
    TModalResult Result;
};
const TButtonKind ButtonKinds[] = {
    {"Yes", "&Yes", mrYes},         {"No", "&No", mrNo},           {"OK", "OK", mrOk},
    {"Cancel", "Cancel", mrCancel}, {"Abort", "&Abort", mrAbort},  {"Retry", "&Retry", mrRetry},
    {"Ignore", "&Ignore", mrIgnore}, {"All", "&All", mrAll},       {"NoToAll", "N&o to All", mrNoToAll},
    {"YesToAll", "Yes to &All", mrYesToAll}, {"Help", "&Help", mrNone}};

const char* const DialogCaptions[] = {"Warning", "Error", "Information", "Confirm"};
const LPCSTR DialogIcons[] = {IDI_WARNING, IDI_ERROR, IDI_INFORMATION, IDI_QUESTION};

}  // namespace

void TMessageForm::Paint() {
    TForm::Paint();
    if (FDlgType != mtCustom)
        DrawIcon(Canvas()->Handle(), FIconPos.x, FIconPos.y, LoadIconA(nullptr, DialogIcons[FDlgType]));
}

TMessageForm* CreateMessageDialog(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons) {
    if (Buttons.Empty())
        Buttons = {mbOK};
    TFormPtr<TMessageForm> form(
        NewDialogForm<TMessageForm>(DlgType == mtCustom ? Application->Title() : DialogCaptions[DlgType]));
    form->FDlgType = DlgType;
    TDialogUnits du(form->Font());
    const int margin = du.H(8), top = du.V(8), gap = du.H(10), buttonWidth = du.H(50), buttonHeight = du.V(14),
              buttonGap = du.H(4);
    const int icon = DlgType == mtCustom ? 0 : GetSystemMetrics(SM_CXICON);

    // The message wraps at half the screen's width.
    RECT text{0, 0, Screen->Width() / 2, 0};
    {
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, form->Font()->Handle());
        std::wstring wide = AnsiToWide(Msg);
        DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &text,
                  DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
    }
    int buttonCount = 0;
    for (TMsgDlgBtn b : Buttons)
        (void)b, ++buttonCount;
    int buttonsWidth = buttonCount * buttonWidth + (buttonCount - 1) * buttonGap;
    int textLeft = margin + (icon ? icon + gap : 0);
    int clientWidth = std::max(textLeft + static_cast<int>(text.right) + margin, buttonsWidth + 2 * margin);
    int bodyHeight = std::max(static_cast<int>(text.bottom), icon);
    int buttonTop = top + bodyHeight + du.V(10);
    form->SetClientWidth(clientWidth);
    form->SetClientHeight(buttonTop + buttonHeight + top);
    form->FIconPos = TPoint(margin, top);

    auto* label = new TLabel(form.get());
    label->SetName("Message");
    label->SetParent(form.get());
    label->SetAutoSize(false);
    label->SetWordWrap(true);
    label->SetShowAccelChar(false);
    label->SetCaption(Msg);
    label->SetBounds(textLeft, top + std::max(0, (icon - static_cast<int>(text.bottom)) / 2), text.right,
                     text.bottom);

    TMsgDlgBtn defaultButton = Buttons.Contains(mbOK) ? mbOK : Buttons.Contains(mbYes) ? mbYes : *Buttons.begin();
    TMsgDlgBtn cancelButton = Buttons.Contains(mbCancel) ? mbCancel : Buttons.Contains(mbNo) ? mbNo : mbOK;
    int left = (clientWidth - buttonsWidth) / 2;
    for (TMsgDlgBtn b : Buttons) {
        const TButtonKind& kind = ButtonKinds[b];
        auto* button = new TButton(form.get());
        button->SetName(kind.Name);
        button->SetParent(form.get());
        button->SetCaption(kind.Caption);
        button->SetModalResult(kind.Result);
        button->SetBounds(left, buttonTop, buttonWidth, buttonHeight);
        if (b == defaultButton) {
            button->SetDefault(true);
            button->SetTabOrder(0);  // the first in tab order has the focus when the form shows
        }
        if (b == cancelButton)
            button->SetCancel(true);
        left += buttonWidth + buttonGap;
    }
    return form.release();
}

int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx) {
    (void)HelpCtx;  // the program has no help file to open
    TFormPtr<TMessageForm> form(CreateMessageDialog(Msg, DlgType, Buttons));
    return form->ShowModal();
}

void ShowMessage(const std::string& Msg) { MessageDlg(Msg, mtCustom, {mbOK}); }

bool InputQuery(const std::string& ACaption, const std::string& APrompt, std::string& Value) {
    TFormPtr<TForm> form(NewDialogForm<TForm>(ACaption));
    TDialogUnits du(form->Font());
    form->SetClientWidth(du.H(180));

    auto* prompt = new TLabel(form.get());
    prompt->SetParent(form.get());
    prompt->SetCaption(APrompt);
    prompt->SetLeft(du.H(8));
    prompt->SetTop(du.V(8));

    auto* edit = new TEdit(form.get());  // first in tab order: it has the focus when the form shows
    edit->SetParent(form.get());
    edit->SetBounds(prompt->Left(), prompt->Top() + prompt->Height() + 5, du.H(164), edit->Height());
    edit->SetText(Value);
    prompt->SetFocusControl(edit);

    int buttonTop = edit->Top() + edit->Height() + 15;
    const int buttonWidth = du.H(50), buttonHeight = du.V(14);
    auto* ok = new TButton(form.get());
    ok->SetParent(form.get());
    ok->SetCaption("OK");
    ok->SetModalResult(mrOk);
    ok->SetDefault(true);
    ok->SetBounds(du.H(38), buttonTop, buttonWidth, buttonHeight);
    auto* cancel = new TButton(form.get());
    cancel->SetParent(form.get());
    cancel->SetCaption("Cancel");
    cancel->SetModalResult(mrCancel);
    cancel->SetCancel(true);
    cancel->SetBounds(du.H(92), buttonTop, buttonWidth, buttonHeight);
    form->SetClientHeight(buttonTop + buttonHeight + 13);

    if (form->ShowModal() != mrOk)
        return false;
    Value = edit->Text();
    return true;
}

std::string InputBox(const std::string& ACaption, const std::string& APrompt, const std::string& ADefault) {
    std::string value = ADefault;
    InputQuery(ACaption, APrompt, value);
    return value;
}
