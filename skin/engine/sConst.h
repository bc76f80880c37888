#pragma once
// Types and library-wide values that every unit of the skin library shares.
#include "classlib/visual/Graphics.h"
#include "classlib/runtime/Set.h"
#include "classlib/runtime/Types.h"

#include <initializer_list>
#include <utility>
#include <vector>

// A list of rectangles (the runs that a skinned form cuts out of its window region).
using TAOR = std::vector<TRect>;

// The button events that the skin manager's animation settings can animate.
enum TacBtnEvent { beMouseEnter, beMouseLeave, beMouseDown, beMouseUp };
using TacBtnEvents = Set<TacBtnEvent>;

// What a skin image is used as.
enum TacImgType { itisaBorder, itisaTexture, itisaGlyph };

// Pixels of this colour in skin images are left out when they are copied.
constexpr TColor sTransparentColor = clFuchsia;

// A library-wide size that is not known until its first user measures it.
extern int acUnknownSize;
// A library-wide integer and flag whose users set them (forms and window adapters).
extern int acGlobalValue;
extern bool acGlobalFlag;
// The width of a scroll bar's arrow button as the system had it when the library started.
extern int acScrollArrowWidth;
// The platform as GetVersionEx reported it when the library started: the NT family, and the major version
// (6 and later compose windows themselves, which changes how repaints and regions are done).
extern bool acWinNT;
extern DWORD acWinMajorVersion;

// A constant set of small codes (0 to 255), as the library's code tables are written.
class TacCodeSet {
public:
    constexpr TacCodeSet(std::initializer_list<std::pair<int, int>> ranges) {
        for (auto [first, last] : ranges)
            for (int c = first; c <= last; ++c)
                FBits[c >> 5] |= 1u << (c & 31);
    }
    constexpr bool Contains(int Code) const { return Code >= 0 && Code < 256 && (FBits[Code >> 5] >> (Code & 31)) & 1u; }

private:
    unsigned FBits[8] = {};
};

// Control-type codes that never show a hot (mouse-over) state.
constexpr TacCodeSet NoHotCodes{{19, 19}, {51, 74}, {110, 110}, {141, 161}};
