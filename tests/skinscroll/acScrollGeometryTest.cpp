// The arithmetic of a skinned scroll bar: thumb size and place, the part under a point, the dragged position.
#include "skin/adapters/acScrollGeometry.h"

#include <gtest/gtest.h>

namespace {

SCROLLINFO Info(int Min, int Max, UINT Page, int Pos) {
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    si.nMin = Min, si.nMax = Max, si.nPage = Page, si.nPos = Pos;
    return si;
}

// A vertical bar 16 wide and 200 high at (100, 50), arrows 16 long: a track of 168.
const TRect kBar(100, 50, 116, 250);

}  // namespace

TEST(ScrollGeometry, ThumbTakesThePagesShareAndMovesWithThePosition) {
    TacBarLayout top = CalcBarLayout(kBar, true, 16, Info(0, 99, 25, 0), acMinThumbSize);
    EXPECT_FALSE(top.ArrowsOnly);
    EXPECT_EQ(top.Work, 168);
    EXPECT_EQ(top.ThumbLength, 42);  // 25 of 100
    EXPECT_EQ(top.ThumbStart, 50 + 16);
    TacBarLayout end = CalcBarLayout(kBar, true, 16, Info(0, 99, 25, 75), acMinThumbSize);
    EXPECT_EQ(end.ThumbStart + end.ThumbLength, 250 - 16);
    // A range that does not start at 0 places the thumb by the position's distance from nMin.
    TacBarLayout shifted = CalcBarLayout(kBar, true, 16, Info(100, 199, 25, 175), acMinThumbSize);
    EXPECT_EQ(shifted.ThumbStart, end.ThumbStart);
    // Without a page the thumb is as long as an arrow.
    EXPECT_EQ(CalcBarLayout(kBar, true, 16, Info(0, 99, 0, 0), acMinThumbSize).ThumbLength, 16);
}

TEST(ScrollGeometry, ThumbIsNeverShorterThanTheMinimum) {
    TacBarLayout tiny = CalcBarLayout(kBar, true, 16, Info(0, 100000, 1, 50000), acMinThumbSize);
    EXPECT_EQ(tiny.ThumbLength, 10);
    EXPECT_GE(tiny.ThumbStart, 66);
    EXPECT_LE(tiny.ThumbStart + 10, 234);
}

TEST(ScrollGeometry, DegenerateRangesNeitherDivideByZeroNorLeaveTheTrack) {
    // The page covers the whole range: the offset's divisor is 0; the thumb fills the track and is not shown.
    TacBarLayout full = CalcBarLayout(kBar, true, 16, Info(0, 99, 100, 0), acMinThumbSize);
    EXPECT_EQ(full.ThumbStart, 66);
    EXPECT_FALSE(full.ThumbFits());
    // A reversed range.
    TacBarLayout reversed = CalcBarLayout(kBar, true, 16, Info(10, 0, 5, 3), acMinThumbSize);
    EXPECT_GE(reversed.ThumbLength, 0);
    EXPECT_EQ(reversed.ThumbStart, 66);
    // A position beyond the range keeps the thumb at the end of the track.
    TacBarLayout beyond = CalcBarLayout(kBar, true, 16, Info(0, 99, 25, 5000), acMinThumbSize);
    EXPECT_EQ(beyond.ThumbStart + beyond.ThumbLength, 234);
    // The largest range there is.
    TacBarLayout huge = CalcBarLayout(kBar, true, 16, Info(INT_MIN, INT_MAX, 10, 0), acMinThumbSize);
    EXPECT_GE(huge.ThumbStart, 66);
    EXPECT_LE(huge.ThumbStart + huge.ThumbLength, 234);
}

TEST(ScrollGeometry, PartsUnderPointsInBarOrder) {
    SCROLLINFO si = Info(0, 99, 25, 40);
    TacBarLayout L = CalcBarLayout(kBar, true, 16, si, acMinThumbSize);
    EXPECT_EQ(PartAtPoint(L, kBar, true, TPoint(108, 50)), sbpLineUp);
    EXPECT_EQ(PartAtPoint(L, kBar, true, TPoint(108, 65)), sbpLineUp);
    EXPECT_EQ(PartAtPoint(L, kBar, true, TPoint(108, 66)), sbpPageUp);
    EXPECT_EQ(PartAtPoint(L, kBar, true, TPoint(108, L.ThumbStart)), sbpThumb);
    EXPECT_EQ(PartAtPoint(L, kBar, true, TPoint(108, L.ThumbStart + L.ThumbLength - 1)), sbpThumb);
    EXPECT_EQ(PartAtPoint(L, kBar, true, TPoint(108, L.ThumbStart + L.ThumbLength)), sbpPageDown);
    EXPECT_EQ(PartAtPoint(L, kBar, true, TPoint(108, 234)), sbpLineDown);
    EXPECT_EQ(PartAtPoint(L, kBar, true, TPoint(108, 249)), sbpLineDown);
    // Outside the bar, along it or across it.
    EXPECT_EQ(PartAtPoint(L, kBar, true, TPoint(108, 250)), sbpNone);
    EXPECT_EQ(PartAtPoint(L, kBar, true, TPoint(116, 100)), sbpNone);
    // A horizontal bar reads x.
    TRect h(0, 0, 200, 16);
    TacBarLayout H = CalcBarLayout(h, false, 16, si, acMinThumbSize);
    EXPECT_EQ(PartAtPoint(H, h, false, TPoint(5, 8)), sbpLineUp);
    EXPECT_EQ(PartAtPoint(H, h, false, TPoint(195, 8)), sbpLineDown);
    EXPECT_EQ(PartAtPoint(H, h, false, TPoint(H.ThumbStart + 1, 8)), sbpThumb);
    // A track with no room for its thumb hits nothing between the arrows.
    TacBarLayout full = CalcBarLayout(kBar, true, 16, Info(0, 9, 10, 0), acMinThumbSize);
    EXPECT_EQ(PartAtPoint(full, kBar, true, TPoint(108, 150)), sbpNone);
}

TEST(ScrollGeometry, ShortBarIsOnlyTwoArrowsSharingIt) {
    TRect r(0, 0, 16, 25);
    TacBarLayout L = CalcBarLayout(r, true, 16, Info(0, 99, 10, 0), acMinThumbSize);
    EXPECT_TRUE(L.ArrowsOnly);
    EXPECT_EQ(L.Arrow, 12);
    EXPECT_FALSE(L.ThumbFits());
    EXPECT_EQ(PartAtPoint(L, r, true, TPoint(8, 11)), sbpLineUp);
    EXPECT_EQ(PartAtPoint(L, r, true, TPoint(8, 12)), sbpNone);  // the odd pixel between them
    EXPECT_EQ(PartAtPoint(L, r, true, TPoint(8, 13)), sbpLineDown);
    // Exactly two arrows long: no room left either.
    EXPECT_TRUE(CalcBarLayout(TRect(0, 0, 16, 32), true, 16, Info(0, 99, 10, 0), acMinThumbSize).ArrowsOnly);
}

TEST(ScrollGeometry, DraggedThumbPositionCountsFromTheRangesStart) {
    // Track 168 long, thumb 42: 126 pixels of travel for positions 0 .. 75.
    EXPECT_EQ(ThumbDragPosition(66, 66, 168, 42, Info(0, 99, 25, 0)), 0);
    EXPECT_EQ(ThumbDragPosition(66 + 63, 66, 168, 42, Info(0, 99, 25, 0)), 38);
    EXPECT_EQ(ThumbDragPosition(66 + 126, 66, 168, 42, Info(0, 99, 25, 0)), 75);
    EXPECT_EQ(ThumbDragPosition(66 + 126, 66, 168, 42, Info(100, 199, 25, 100)), 175);
    EXPECT_EQ(ThumbDragPosition(66, 66, 168, 42, Info(-50, 49, 25, 0)), -50);
    // No page: the last position is nMax, not one beyond it.
    EXPECT_EQ(ThumbDragPosition(66 + 152, 66, 168, 16, Info(0, 99, 0, 0)), 99);
    // A thumb as long as its track does not divide by zero.
    EXPECT_EQ(ThumbDragPosition(66, 66, 168, 168, Info(0, 99, 100, 0)), 0);
    // A one-position range moves by pixels, kept within the range.
    EXPECT_EQ(ThumbDragPosition(70, 66, 168, 42, Info(5, 5, 1, 5)), 5);
}
