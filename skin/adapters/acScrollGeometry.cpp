#include "acScrollGeometry.h"

#include <algorithm>
#include <climits>

int acMulDiv(int Number, int Numerator, int Denominator) {
    return Denominator == 0 ? 0 : MulDiv(Number, Numerator, Denominator);
}

TacBarLayout CalcBarLayout(const TRect& R, bool Vertical, int ArrowLength, const SCROLLINFO& SI, int MinThumbSize) {
    TacBarLayout L;
    L.Start = Vertical ? R.top : R.left;
    L.Extent = std::max<int>(Vertical ? R.Height() : R.Width(), 0);
    L.Arrow = std::max(ArrowLength, 0);
    if (L.Extent <= 2 * L.Arrow) {
        L.ArrowsOnly = true;
        L.Arrow = L.Extent / 2;
        L.Work = L.Extent - 2 * L.Arrow;
        L.ThumbLength = L.Work;
        L.ThumbStart = L.Start + L.Arrow;
        return L;
    }
    L.Work = L.Extent - 2 * L.Arrow;
    // A range that is empty or reversed leaves no room to move: the thumb fills the track (and is not shown).
    long long range = static_cast<long long>(SI.nMax) - SI.nMin + 1;
    if (SI.nPage == 0)
        L.ThumbLength = L.Arrow;
    else if (range > 0 && range <= INT_MAX)
        L.ThumbLength = std::max(acMulDiv(static_cast<int>(SI.nPage), L.Work, static_cast<int>(range)), MinThumbSize);
    else
        L.ThumbLength = L.Work;
    int room = std::max(L.Work - L.ThumbLength, 0);
    long long divisor = range - std::max<long long>(SI.nPage, 1);
    int offset = 0;
    if (range > 0 && divisor > 0 && divisor <= INT_MAX)
        offset = acMulDiv(SI.nPos - SI.nMin, room, static_cast<int>(divisor));
    L.ThumbStart = L.Start + L.Arrow + std::clamp(offset, 0, room);
    return L;
}

int PartAtPoint(const TacBarLayout& L, const TRect& R, bool Vertical, const TPoint& P) {
    if (!R.Contains(P))
        return sbpNone;
    int at = Vertical ? P.y : P.x;
    if (at < L.Start + L.Arrow)
        return sbpLineUp;
    if (at >= L.Start + L.Extent - L.Arrow)
        return sbpLineDown;
    if (L.ArrowsOnly || L.ThumbLength >= L.Work)
        return sbpNone;
    if (at >= L.ThumbStart && at < L.ThumbStart + L.ThumbLength)
        return sbpThumb;
    return at < L.ThumbStart ? sbpPageUp : sbpPageDown;
}

int ThumbDragPosition(int ThumbStart, int TrackStart, int TrackLength, int ThumbLength, const SCROLLINFO& SI) {
    int moved = ThumbStart - TrackStart;
    long long span = static_cast<long long>(SI.nMax) - SI.nMin;
    int offset = span >= 1 ? acMulDiv(moved, static_cast<int>(span - SI.nPage + 1), TrackLength - ThumbLength) : moved;
    // The highest position the range allows with the page shown at its end.
    long long last = static_cast<long long>(SI.nMax) - std::max<long long>(static_cast<long long>(SI.nPage) - 1, 0);
    long long pos = std::clamp<long long>(static_cast<long long>(SI.nMin) + offset, SI.nMin, std::max<long long>(last, SI.nMin));
    return static_cast<int>(pos);
}
