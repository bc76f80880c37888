#include "Dialogs.h"

#include "FormResources.h"
#include "Forms.h"

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
