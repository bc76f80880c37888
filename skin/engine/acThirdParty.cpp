#include "acThirdParty.h"

const char* const acThirdPartyNames[acThirdPartyKindCount] = {
    "Edit",     "Button",  "BitBtn",      "CheckBox",    "ComboBox",   "Grid",    "GroupBox",  "ListView", "Panel",
    "TreeView", "wwEdit",  "GridEh",      "VirtualTree", "PageControl", "TabControl", "ToolBar", "StatusBar",
};

const char* const acThirdPartyDefaults[acThirdPartyKindCount] = {
    " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ",
};
