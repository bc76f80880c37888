#pragma once
// The arithmetic of the container and bar adapters, apart from their windows: which glyph a check box shows and
// where, the caption band of a group box, the halves of an up-down control, the tab positions and rectangles of
// tab controls, and the button states of toolbars. The adapters feed it what they read from their windows.
#include "classlib/runtime/Set.h"
#include "classlib/visual/TreeView.h"
#include "classlib/runtime/Types.h"

#include <windows.h>

#include <string>
#include <utility>

class TsSkinManager;

// --- check boxes and radio buttons ---

// 2 indeterminate, 1 checked, 0 unchecked, from a BM_GETSTATE answer.
int CheckStateOf(LRESULT ButtonState);
// Radio buttons are the button types BS_RADIOBUTTON and BS_AUTORADIOBUTTON; every other check style is a box.
bool IsRadioStyle(LONG Style);
// The GLOBALINFO image that shows a check state: the radio's own images for unchecked and checked, the grey
// box for the indeterminate state of either.
const char* CheckGlyphName(bool Radio, int CheckState);
// The manager's index of that image, -1 when the skin has none.
int CheckGlyphIndex(TsSkinManager* Manager, LONG Style, int CheckState);
// The size of one state of a check image: an image with a bitmap of its own holds three states over two rows
// (image and mask); one in the master bitmap is cut by its count and mask type. A count of 0 is set to 1 in
// the manager's array first. (0, 0) for an index that is not one of the manager's images.
TSize CheckGlyphSize(TsSkinManager* Manager, int MaskIndex);
// Where the glyph sits in a check box of that size: vertically centred at the left edge, or at the right edge
// with BS_LEFTTEXT. Without a glyph size (GlyphValid false), 16 x 16 at the origin is reserved.
TRect CheckGlyphRect(bool GlyphValid, TSize Glyph, int Width, int Height, LONG Style);
// The drawing state of the glyph: 2 pushed, 1 focused or hot, 0 otherwise.
int CheckGlyphState(LRESULT ButtonState, bool Hot);
// The rectangle of a check box's caption of that measured size; Avail is the width left beside the glyph.
TRect CheckCaptionRect(int Width, int Height, int Avail, TSize Text, bool Multiline, bool LeftText);

// --- group boxes ---

// The caption band of a group box whose caption measures TextWidth x TextHeight.
TRect GroupCaptionBand(int TextWidth, int TextHeight, int Width);

// --- up-down controls ---

// The two halves of an up-down control: top and bottom, or left and right with UDS_HORZ. An odd size lets both
// halves share the middle row or column.
std::pair<TRect, TRect> SpinHalves(int Width, int Height, bool Vertical);
// The states of the two halves (0 or 2): only the half under the cursor can be pressed.
std::pair<int, int> SpinStates(bool CursorInside, bool CursorInFirstHalf, bool Pressed);

// --- tab controls ---

enum TacTabPosition { tpTop = 0, tpBottom = 1, tpLeft = 2, tpRight = 3 };
TacTabPosition TabPositionOf(LONG Style);
// 0 tabs, 1 buttons, 2 flat buttons.
int TabStyleOf(LONG Style);
// The page section of a tab position; a section other than "PAGECONTROL" is kept on every side.
std::string PageSectionOf(const std::string& Section, TacTabPosition Position);
// The tab section of a tab position and style.
std::string TabSectionOf(TacTabPosition Position, int TabStyle);
// A tab's item rectangle made into the rectangle it is painted in: inactive tabs reach 3 pixels further toward
// the page and are a pixel narrower, the selected tab is raised over its neighbours. Only plain tabs (style 0)
// with a non-empty rectangle change.
TRect AdjustTabRect(TRect R, TacTabPosition Position, bool Active, int TabStyle);
// The page part of a W x H control with the display rectangle D, and the band that holds the tabs.
TRect PageRectOf(int Width, int Height, const TRect& Display, TacTabPosition Position, bool HasTabs);
TRect TabsBandOf(int Width, int Height, const TRect& Display, TacTabPosition Position, bool HasTabs);
// The row (1 = nearest the page... as the control numbers them) of a tab with item rectangle R.
int TabRowOf(const TRect& Item, const TRect& Band, int Rows, TacTabPosition Position);

// --- toolbars ---

// The state number of a tool button in custom drawing: 0 normal, 1 hot, 2 pressed or checked (or highlighted
// or indeterminate).
int ToolButtonStateOf(TCustomDrawState State, bool Highlighted, bool Indeterminate);
// A dialog toolbar button's caption in two lines, split at the blank nearest its middle; the second is empty
// when the caption has no blank or either line would be empty.
std::pair<std::string, std::string> SplitButtonCaption(const std::string& Caption);
