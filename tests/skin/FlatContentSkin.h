#pragma once
// The flat skin of the content-control adapter tests (edits, lists, combos, headers, status bars, menus and the
// MDI client): every image state is a ring of one colour around a centre of another, so that a pixel tells which
// section painted it and in which state. Made here like every other sample skin.
#include <string>

#include "SkinSamples.h"

// What a variant of the skin leaves out, for the fallbacks of the painters.
struct FlatContentOptions {
    bool ColumnHeader = true;     // "COLHEADER" (without it headers take "BUTTON")
    bool StatusPanelMask = true;  // "STATUSPANELMASK" of "STATUSBAR" (without it panels get a "DIVIDER")
    bool Divider = true;          // "DIVIDER" with a "BORDERSMASK"
};

SampleSkin MakeFlatContentSkin(const std::string& name = "FLATCONTENT", const FlatContentOptions& options = {});
// The ring (frame) and the centre colour of Section's "BORDERSMASK" in State; throws for a section without one.
SampleColor FlatFrameColor(const std::string& section, int state);
SampleColor FlatCentreColorOf(const std::string& section, int state);
// The section's COLOR, FONTCOLOR, HOTFONTCOLOR and HOTCOLOR.
SampleColor FlatSectionColor(const std::string& section);
SampleColor FlatFontColor(const std::string& section);
SampleColor FlatHotFontColor(const std::string& section);
SampleColor FlatHotColor(const std::string& section);
// The ring width of a section's frame image.
int FlatFrameWidth(const std::string& section);
// The colour of the glyphs (combo arrow, sort arrows; state 0) and of "STATUSPANELMASK".
SampleColor FlatGlyphColor(const std::string& section);
// GLOBALINFO's colour and font colour.
constexpr SampleColor FlatContentGlobalColor = 0xD8E0E8;
constexpr SampleColor FlatContentGlobalFontColor = 0x183048;
