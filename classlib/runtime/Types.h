#pragma once
// Points, rectangles and sizes as the class library passes them: the Win32 records with constructors,
// so a TRect* goes wherever a RECT* is asked for.
#include <windows.h>

struct TPoint : POINT {
    constexpr TPoint() : POINT{0, 0} {}
    constexpr TPoint(LONG AX, LONG AY) : POINT{AX, AY} {}
    constexpr TPoint(const POINT& p) : POINT(p) {}
    constexpr bool operator==(const TPoint& o) const { return x == o.x && y == o.y; }
};

struct TSize : SIZE {
    constexpr TSize() : SIZE{0, 0} {}
    constexpr TSize(LONG ACx, LONG ACy) : SIZE{ACx, ACy} {}
    constexpr TSize(const SIZE& s) : SIZE(s) {}
    constexpr bool operator==(const TSize& o) const { return cx == o.cx && cy == o.cy; }
};

// Right and bottom are exclusive, as everywhere in GDI.
struct TRect : RECT {
    constexpr TRect() : RECT{0, 0, 0, 0} {}
    constexpr TRect(LONG ALeft, LONG ATop, LONG ARight, LONG ABottom) : RECT{ALeft, ATop, ARight, ABottom} {}
    constexpr TRect(const RECT& r) : RECT(r) {}
    constexpr TRect(const TPoint& topLeft, const TPoint& bottomRight)
        : RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y} {}
    constexpr LONG Width() const { return right - left; }
    constexpr LONG Height() const { return bottom - top; }
    constexpr TPoint TopLeft() const { return TPoint(left, top); }
    constexpr TPoint BottomRight() const { return TPoint(right, bottom); }
    constexpr bool IsEmpty() const { return right <= left || bottom <= top; }
    constexpr bool Contains(const TPoint& p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    constexpr bool operator==(const TRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

constexpr TPoint Point(LONG AX, LONG AY) { return TPoint(AX, AY); }
constexpr TRect Rect(LONG ALeft, LONG ATop, LONG ARight, LONG ABottom) { return TRect(ALeft, ATop, ARight, ABottom); }
constexpr TRect Bounds(LONG ALeft, LONG ATop, LONG AWidth, LONG AHeight) {
    return TRect(ALeft, ATop, ALeft + AWidth, ATop + AHeight);
}
