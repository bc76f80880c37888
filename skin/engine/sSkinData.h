#pragma once
// The general data of a loaded skin, the registry of forms that carry a skin provider, and the delivery of a
// skin message to every form and control of the application, with the forms' redraws held around a skin change.
#include "classlib/visual/Graphics.h"
#include "classlib/runtime/Messages.h"

#include <string>
#include <vector>

class TCustomForm;
class TsSkinManager;

// What a skin says about itself (its GLOBALINFO section) and where its files are.
class TsSkinData {
public:
    std::string SkinPath;  // the folder of the skin's files with a trailing "\" ("" for a skin stored in the program)
    bool Active = false;   // a loaded skin is in force (false while one is loaded and broadcast)
    double Version = 0;
    std::string Author;
    std::string Description;
    TColor Shadow1Color = 0;
    int Shadow1Offset = 0;
    int Shadow1Blur = -1;
    int Shadow1Transparency = 0;
    TColor BorderColor = 0;
    int BISpacing = 0;
    int BIVAlign = 0;
};

// Forms with a skin provider (the provider registers its form when it hooks it and unregisters it when it goes).
// A form that is freed leaves the registry by itself, so the registry never names a form that is gone.
void AddSupportedForm(TCustomForm* Form);
// Every entry of Form is replaced by the last entry, which is cleared; a trailing empty entry is dropped.
void RemoveSupportedForm(TCustomForm* Form);
const std::vector<TCustomForm*>& SupportedForms();
// Delivers Message to every registered form that is not being destroyed, to its controls and, for an MDI main
// form, to its client window.
void BroadcastToSupportedForms(TMessage& Message);
// Delivers Message to every form the application owns (the last made first) that is not an MDI child, not being
// loaded or destroyed and has no provider of its own (does not answer skin command 7), to its controls and to an
// MDI main form's client window; then to the registered forms.
void AppBroadCastS(TMessage& Message);

// Holds the redraws of the registered forms that Manager skins (visible top-level forms, MDI children excepted),
// and notes which forms it holds; with the default manager and a skin-change animation, marks the animation as
// running.
void LockForms(TsSkinManager* Manager);
// Lets exactly the forms go that LockForms held for Manager. Repaint: each fades to its new look when the skin
// change is animated, gets its skin region again and is repainted whole. A form hidden meanwhile is hidden now,
// without a fade. Never throws (it ends every skin change, also one that fails): a failing fade or region is
// reported to the application and the form is let go all the same.
void UnLockForms(TsSkinManager* Manager, bool Repaint);

// The program file's large and small icons as the shell shows them (nil when it has none).
TIcon* AppIconLarge();
TIcon* AppIconSmall();
