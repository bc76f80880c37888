// The program's entry: the console's five windows and the message loop.
#include "classlib/visual/Forms.h"
#include "skin/forms/acSkinLibrary.h"
#include "uAbout.h"
#include "uHEXLog.h"
#include "uHExLogOpt.h"
#include "uMain.h"
#include "uOption.h"

#include <windows.h>

namespace {

// The theme functions, found once at start-up where the system has them (Windows XP and later).
struct TThemeFunctions {
    bool Available = false;
    TThemeFunctions() {
        OSVERSIONINFOA v{};
        v.dwOSVersionInfoSize = sizeof v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        if (!GetVersionExA(&v))
            return;
#pragma GCC diagnostic pop
        if (v.dwPlatformId != VER_PLATFORM_WIN32_NT || v.dwMajorVersion < 5 ||
            (v.dwMajorVersion == 5 && v.dwMinorVersion < 1))
            return;
        HMODULE uxtheme = LoadLibraryA("uxtheme.dll");
        if (!uxtheme)
            return;
        bool all = true;
        for (const char* name : {"IsThemeActive", "OpenThemeData", "CloseThemeData", "DrawThemeParentBackground",
                                 "DrawThemeBackground", "IsThemeBackgroundPartiallyTransparent"})
            all = all && GetProcAddress(uxtheme, name) != nullptr;
        Available = all;
    }
};
const TThemeFunctions ThemeFunctions;

}  // namespace

// Classes make themselves known to the form reader from static objects in their units, and a unit that the
// code never uses stays out of the program: the classes the form descriptions name are made here once.
template <class... T>
constexpr TComponent* (*FormClassMakers[])(TComponent*) = {[](TComponent* owner) -> TComponent* { return new T(owner); }...};
extern TComponent* (*const* const FormClasses)(TComponent*);
TComponent* (*const* const FormClasses)(TComponent*) =
    FormClassMakers<TToolBar, TToolButton, TMemo, TComboBox, TSpeedButton, TPanel, TComLed, TComPort, TTimer,
                    TSaveDialog, TColorDialog, TPngImageList, TRichEdit, TGroupBox, TLabel, TShape, TImage, TCheckBox,
                    TPageControl, TTabSheet, TListView, TPngSpeedButton, TPngBitBtn>;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        // The skin library is started as in every program that links it; no window of the console places a skin
        // manager, so nothing is skinned and the windows look and behave as the class library makes them.
        StartSkinLibrary();
        Application->Initialize();
        Application->CreateForm(frmMain);
        Application->CreateForm(frmHEXLog);
        Application->CreateForm(frmAbout);
        Application->CreateForm(frmHEXLogOpt);
        Application->CreateForm(frmOption);
        TrimWorkingSet();
        Application->Run();
        // The windows go now, while everything they use still exists: left to the end of the program, they
        // would be freed after objects of the class library that were made after the application.
        Application->DestroyComponents();
    } catch (const Exception& e) {
        // A program that cannot start says why before it ends.
        Application->ShowException(e);
        return 1;
    } catch (const std::exception& e) {
        Application->ShowException(Exception(e.what()));
        return 1;
    }
    return 0;
}
