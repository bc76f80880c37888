#pragma once
// The flat skin of the menu tests: every section the skinned menus read is one flat colour per state, so that a
// pixel of a menu tells which section painted it and in which state. "MAINMENU" alone has a frame of another
// colour, with its four corner pixels transparent, so that the popup's border and region can be seen.
#include <string>

#include "SkinSamples.h"

struct FlatMenuOptions {
    bool DividerV = true;  // "DIVIDERV" (without it separators are drawn as white-over-grey lines)
};

SampleSkin MakeFlatMenuSkin(const std::string& name = "FLATMENU", const FlatMenuOptions& options = {});
// The flat colour of Section in State ("MENUITEM" has states 0 and 1, every other section one).
SampleColor MenuSkinColor(const std::string& section, int state = 0);
// The frame ring of "MAINMENU" and its width.
constexpr SampleColor MenuFrameColor = 0x2050A0;
constexpr int MenuFrameWidth = 3;
// A section's FONTCOLOR, and its HOTFONTCOLOR with hot.
SampleColor MenuFontColor(const std::string& section, bool hot = false);
// The glyphs of GLOBALINFO: "CHECK" and "RADIOCHECKED".
constexpr SampleColor MenuCheckColor = 0x10A0F0;
constexpr SampleColor MenuRadioColor = 0xF010A0;
