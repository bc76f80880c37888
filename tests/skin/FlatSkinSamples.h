#pragma once
// The flat sample skin of the scroll-bar and border-frame tests: every image state one flat colour, so that a
// pixel tells which section painted it and in which state.
#include "SkinSamples.h"

#include <string>

// Scroll buttons, tracks and sliders have three opaque 16 x 16 states with 4-pixel borders; "GRIPIMAGE" of
// "GLOBALINFO" is a masked 12 x 12 glyph (its first column masked out); "FORM" has an opaque two-state frame with
// borders 2, 3, 4 and 5 (left, top, right, bottom) in the state colour around a centre of FlatCentreColor;
// "PANEL" a masked two-state frame with 3-pixel borders whose outer ring shows what lies below. "EDIT" and "BAR"
// are plain colours without images.
SampleSkin MakeFlatScrollSkin(const std::string& name = "FLATSCROLL");
// The colour of Section's image in State (the section colour for a section without images).
SampleColor FlatStateColor(const std::string& section, int state);
// The section colour of "FORM" and "PANEL" (the colour under their frames).
SampleColor FlatSectionColor(const std::string& section);
// The centre of the "FORM" frame image, and the grip glyph's colour.
constexpr SampleColor FlatCentreColor = 0x336699;
constexpr SampleColor FlatGripColor = 0x1188EE;
