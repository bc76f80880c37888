#include "acThirdParty.h"

#include "classlib/runtime/FormResources.h"

const char* const acThirdPartyNames[acThirdPartyKindCount] = {
    "Edit",     "Button",  "BitBtn",      "CheckBox",    "ComboBox",   "Grid",    "GroupBox",  "ListView", "Panel",
    "TreeView", "wwEdit",  "GridEh",      "VirtualTree", "PageControl", "TabControl", "ToolBar", "StatusBar",
};

const char* const acThirdPartyDefaults[acThirdPartyKindCount] = {
    " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ",
};

const char* const acThirdPartyPropNames[acThirdPartyKindCount] = {
    "ThirdEdits",       "ThirdButtons",     "ThirdBitBtns",   "ThirdCheckBoxes",  "ThirdComboBoxes",
    "ThirdGrids",       "ThirdGroupBoxes",  "ThirdListViews", "ThirdPanels",      "ThirdTreeViews",
    "ThirdWWEdits",     "ThirdGridEh",      "ThirdVirtualTrees", "ThirdPageControl", "ThirdTabControl",
    "ThirdToolBar",     "ThirdStatusBar",
};

ThirdPartyList::ThirdPartyList() {
    for (int i = 0; i < acThirdPartyKindCount; ++i)
        FLists[i] = acThirdPartyDefaults[i];
}

void ThirdPartyList::Assign(TPersistent* Source) {
    if (auto* source = dynamic_cast<ThirdPartyList*>(Source))
        FLists = source->FLists;
    else
        TPersistent::Assign(Source);
}

const std::string& ThirdPartyList::GetString(int Index) const { return FLists.at(static_cast<size_t>(Index)); }

void ThirdPartyList::SetString(int Index, const std::string& Value) { FLists.at(static_cast<size_t>(Index)) = Value; }

namespace {

const bool Registered = RegisterFormClass<ThirdPartyList>([](TFormClass<ThirdPartyList>& c) {
    for (int i = 0; i < acThirdPartyKindCount; ++i)
        c.String(
             acThirdPartyPropNames[i], [i](ThirdPartyList* o) { return o->GetString(i); },
             [i](ThirdPartyList* o, const std::string& v) { o->SetString(i, v); })
            .Default(acThirdPartyDefaults[i]);
});

}  // namespace
