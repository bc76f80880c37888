#pragma once
// Where the arrows, the track and the thumb of a skinned scroll bar lie, which of them a point hits, and which
// scroll position a dragged thumb stands for. Plain arithmetic on the bar's rectangle and scroll information.
#include "classlib/runtime/Types.h"

#include <windows.h>

// The parts of a bar, numbered as the scroll codes they send.
constexpr int sbpNone = -1;
constexpr int sbpLineUp = SB_LINEUP;      // the arrow before (left or top)
constexpr int sbpLineDown = SB_LINEDOWN;  // the arrow after
constexpr int sbpPageUp = SB_PAGEUP;      // the track before the thumb
constexpr int sbpPageDown = SB_PAGEDOWN;  // the track after the thumb
constexpr int sbpThumb = SB_THUMBTRACK;

// Every thumb is at least this long, whatever the page.
constexpr int acMinThumbSize = 10;

// The layout of one bar along its length; coordinates are those of the bar's rectangle.
struct TacBarLayout {
    int Start = 0;             // the bar's first coordinate along its length
    int Extent = 0;            // its length
    int Arrow = 0;             // the length of each arrow (half the bar when the arrows share it)
    bool ArrowsOnly = false;   // the bar is too short for more than its two arrows
    int Work = 0;              // the track between the arrows
    int ThumbLength = 0;
    int ThumbStart = 0;        // absolute, like Start
    bool ThumbFits() const { return !ArrowsOnly && ThumbLength < Work; }
};

// Win32's MulDiv, but 0 where it would divide by zero.
int acMulDiv(int Number, int Numerator, int Denominator);

// The layout of a bar in R (vertical or horizontal) with arrows ArrowLength long: a thumb of the page's share of
// the track, never shorter than MinThumbSize (the arrow's length when there is no page), placed by the position's
// share of the range and kept inside the track.
TacBarLayout CalcBarLayout(const TRect& R, bool Vertical, int ArrowLength, const SCROLLINFO& SI, int MinThumbSize);
// The part of the bar under P, or sbpNone when P lies outside the bar (across it included), between two arrows
// that share a short bar, or on a track that has no room for a thumb.
int PartAtPoint(const TacBarLayout& Layout, const TRect& R, bool Vertical, const TPoint& P);
// The scroll position that a thumb starting at ThumbStart stands for, on a track of TrackLength beginning at
// TrackStart; counted from nMin and kept within the positions the range allows.
int ThumbDragPosition(int ThumbStart, int TrackStart, int TrackLength, int ThumbLength, const SCROLLINFO& SI);
