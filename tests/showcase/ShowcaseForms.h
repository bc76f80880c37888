#pragma once
// The showcase: a form with a skin provider and one control of every class the class library has, a main and a
// popup menu, a frame and an MDI pair, and the sample skins it is shown under. The showcase tests and the skin
// change benchmark build the same windows from here.
#include <string>
#include <vector>

#include "classlib/visual/ExtCtrls.h"
#include "classlib/visual/Forms.h"
#include "classlib/visual/ListView.h"
#include "classlib/visual/Menus.h"
#include "skin/engine/sSkinManager.h"
#include "skin/forms/sSkinProvider.h"

class TfrmShowcase : public TForm {
    CLASS_INFO(TfrmShowcase, TForm)
public:
    using TForm::TForm;
};

// Writes the skins the showcase is shown under into Dir: "SAMPLE" as a folder, "SAMPLEPACKED" packed and the flat
// form skin "FLATFORM".
void WriteShowcaseSkins(const std::string& Dir);

// Fills the manager's class-name lists as an application does: the class library's controls by adapter kind.
void SetShowcaseClassLists(TsSkinManager* Manager);

// The showcase's windows. BuildMdiForms first: only the application's main form can hold MDI children.
class ShowcaseForms {
public:
    // The MDI parent as the application's main form, with one MDI child; both shown, each with its provider.
    void BuildMdiForms();
    // The form with one control of every class, its menus, a frame, a tool bar and a status bar; shown.
    void BuildMainForm();
    // Frees both forms and whatever they own.
    void FreeForms();

    TfrmShowcase* Form = nullptr;
    TfrmShowcase* MdiParent = nullptr;
    TfrmShowcase* MdiChild = nullptr;
    TsSkinProvider* Provider = nullptr;
    TsSkinProvider* MdiProvider = nullptr;
    TsSkinProvider* MdiChildProvider = nullptr;
    TPopupMenu* Popup = nullptr;
    TLabel* GroupLabel = nullptr;
    TFrame* Frame = nullptr;
    TListView* ListView = nullptr;
    // The top-level windows: the form and the MDI parent, once both are built.
    std::vector<HWND> Tops;

private:
    template <class C>
    C* Add(TWinControl* Parent, int Left, int Top, int Width, int Height);
    int Counter = 0;
};
