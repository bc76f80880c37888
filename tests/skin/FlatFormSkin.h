#pragma once
// The flat skin of the skinned-form tests: the form, its caption, menu line and caption buttons each have flat
// colours of their own, and the form's border image has magenta corner runs of known length, so that a test can say
// "this pixel of the frame has the colour of section S in state n" and "the window region leaves out these corners".
#include <string>

#include "SkinSamples.h"

namespace FormSkin {

// The form section: its colour (the inactive form) and hot colour (the active form), and its border image: one
// 32 x 32 state with a ring of Border pixels in Ring around a centre of the form colour. Its corner blocks have
// magenta runs: in the outermost row three pixels from each side, in the next row one.
constexpr SampleColor Form = 0x3C7850, FormHot = 0x50A064;
constexpr SampleColor Ring = 0x8C1E6E;
constexpr int Border = 4;
// The wide variant's ring is WideBorder pixels (sides summing over 24), which makes the form compose its frame
// with the section's corners instead of a uniform background.
constexpr int WideBorder = 7;
// The caption section: inactive and active colours, and the text colours.
constexpr SampleColor Title = 0xA05A28, TitleHot = 0xD27832;
constexpr SampleColor TitleFont = 0x0A0A0A, TitleHotFont = 0xF5F5F5;
// The menu line.
constexpr SampleColor MenuLine = 0x28A0A0;
// The frame behind the caption buttons: three 18 x 18 states, a ring of TitleButtonCorner pixels around a centre.
constexpr int TitleButtonSize = 18, TitleButtonCorner = 6;
constexpr SampleColor TitleButtonRing[3] = {0x5A28A0, 0x7846BE, 0x3C0A82};
constexpr SampleColor TitleButtonCentre[3] = {0x64C8F0, 0x82E6FF, 0x46AAD2};
// The caption-button glyphs: four states (normal, hot, pressed, inactive) side by side, each a flat colour with a
// mask whose outer ring of one pixel is white (what lies below stays) and whose inside is black. Big glyphs are
// BigWidth x BigHeight, small ones SmallWidth x SmallHeight.
constexpr int BigWidth = 20, BigHeight = 16, SmallWidth = 14, SmallHeight = 12;
// The spacing between caption buttons that GLOBALINFO's BISPACE gives.
constexpr int ButtonSpacing = 2;
// The colour of "EDIT", the section of the form's edit controls.
constexpr SampleColor Edit = 0xE6D2BE;
// GLOBALINFO's size grip: one GripSize square state of GripColor, its mask white on the outer ring.
constexpr int GripSize = 12;
constexpr SampleColor GripColor = 0x1E96DC;
// GLOBALINFO's colour.
constexpr SampleColor Global = 0x6E6E78;
// The client area of MDI main forms ("MDIAREA").
constexpr SampleColor MDIArea = 0x8C5A3C;
// The items of the menu line ("MENUITEM", FlatFormOptions::MenuItem): the normal and the hot (selected or
// hot-lit) colour, and their text colours.
constexpr SampleColor MenuItem = 0x46B48C, MenuItemHot = 0xB43CA0;
constexpr SampleColor MenuItemFont = 0x143C14, MenuItemHotFont = 0xF0F0C8;
// The popup menus' section ("MAINMENU", FlatFormOptions::PopupMenu): its colour, and its border image, one 32 x 32
// state with a ring of PopupBorder pixels in PopupRing around the popup colour.
constexpr SampleColor Popup = 0xC8E6B4, PopupRing = 0x6E1E8C;
constexpr int PopupBorder = 3;

// The standard dialogs' sections (FlatFormOptions::Dialog): the dialog (inactive and active colours; its border image
// has the form's shape, a ring of DialogRing and a centre of the inactive colour), the strip behind its title buttons, push buttons, and the fully transparent section of labels and
// check boxes ("CHECKBOX").
constexpr SampleColor Dialog = 0x8C6E46, DialogHot = 0xA0825A, DialogRing = 0x1E5AAA;
constexpr SampleColor TitleBar = 0x3278B4, TitleBarHot = 0x4690D2;
constexpr SampleColor Button = 0xB4B43C, ButtonHot = 0xC8C850;

// Which glyph of the caption buttons: "CLOSE", "MAX", "MIN", "NORM", "HELP"; Big: the BICON set, else SICON.
SampleColor GlyphColor(const std::string& button, bool big, int state);

}  // namespace FormSkin

struct FlatFormOptions {
    bool WideBorder = false;  // the form's ring is FormSkin::WideBorder pixels wide
    bool SmallIcons = true;   // the SICON set (without SICONHELP); false: only the BICON set
    bool TitleButton = true;  // GLOBALINFO's "TITLEBUTTON" frame
    bool Glyphs = true;       // the caption-button glyphs at all
    bool ScrollBars = false;  // the scroll-bar sections of the flat scroll skin (FlatStateColor), for the form's bars
    bool Dialog = false;      // the sections of standard dialogs (see FormSkin::Dialog)
    bool MenuItem = false;    // "MENUITEM", the flat section of the menu line's items (see FormSkin::MenuItem)
    bool PopupMenu = false;   // "MAINMENU", the section of popup menus (see FormSkin::Popup)
    int BigGlyphHeight = FormSkin::BigHeight;  // the height of the BICON glyphs
};

SampleSkin MakeFlatFormSkin(const std::string& name = "FLATFORM", const FlatFormOptions& options = {});
