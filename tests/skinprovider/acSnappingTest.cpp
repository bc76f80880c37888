// Snapping geometry: rectangles pulled onto the work area's edges within the buffer and left alone beyond it,
// sizes kept; the XOR size frame's rectangle per dragged border, never below the minimum size.
#include "skin/forms/acSnapping.h"

#include <gtest/gtest.h>

namespace {

const TRect kWork(0, 0, 1024, 740);

TEST(SnapToWorkArea, PullsOnlyWithinTheBufferAndKeepsTheSize) {
    struct Case {
        int x, y, ex, ey;
    };
    // A 300 x 200 rectangle; the buffer is 10.
    const Case cases[] = {
        {1024 - 300 - 9, 100, 724, 100},  // 9 px from the right edge lands on it
        {1024 - 300 - 10, 100, 714, 100}, // 10 px does not
        {1024 - 300 + 9, 100, 724, 100},  // 9 px past it comes back
        {100, 740 - 200 - 9, 100, 540},   // bottom
        {100, 740 - 200 - 10, 100, 530},
        {9, 100, 0, 100},                 // left
        {10, 100, 10, 100},
        {-9, 100, 0, 100},
        {100, 9, 100, 0},                 // top
        {100, 10, 100, 10},
        {5, 735 - 200, 0, 540},           // a corner snaps both ways
        {400, 300, 400, 300},             // the middle stays
    };
    for (const Case& c : cases) {
        int x = c.x, y = c.y;
        SnapToWorkArea(x, y, 300, 200, kWork, 10);
        EXPECT_EQ(x, c.ex) << "from (" << c.x << "," << c.y << ")";
        EXPECT_EQ(y, c.ey) << "from (" << c.x << "," << c.y << ")";
    }
}

TEST(SnapToWorkArea, WorkAreaAwayFromTheOriginAndTheLeftEdgeWins) {
    // A work area that starts at (100, 50), as beside a task bar or on a second monitor.
    const TRect work(100, 50, 900, 650);
    int x = 104, y = 57;
    SnapToWorkArea(x, y, 300, 200, work, 10);
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, 50);
    // Wider than the area and close to both sides: the left edge is applied last, so the form's left stays visible.
    x = 98;
    y = 300;
    SnapToWorkArea(x, y, 805, 200, work, 10);
    EXPECT_EQ(x, 100);
}

TEST(XorSizedRect, EachBorderMovesItsEdgesAndStopsAtTheMinimum) {
    TacXorForm f;
    f.Left = 100;
    f.Top = 50;
    f.Width = 300;
    f.Height = 200;
    EXPECT_EQ(XorSizedRect(f, HTLEFT, -20, 7, 120, 40), TRect(80, 50, 400, 250));
    EXPECT_EQ(XorSizedRect(f, HTRIGHT, 20, 7, 120, 40), TRect(100, 50, 420, 250));
    EXPECT_EQ(XorSizedRect(f, HTTOP, 7, -30, 120, 40), TRect(100, 20, 400, 250));
    EXPECT_EQ(XorSizedRect(f, HTBOTTOM, 7, 30, 120, 40), TRect(100, 50, 400, 280));
    EXPECT_EQ(XorSizedRect(f, HTTOPLEFT, 10, 10, 120, 40), TRect(110, 60, 400, 250));
    EXPECT_EQ(XorSizedRect(f, HTTOPRIGHT, 10, 10, 120, 40), TRect(100, 60, 410, 250));
    EXPECT_EQ(XorSizedRect(f, HTBOTTOMLEFT, 10, 10, 120, 40), TRect(110, 50, 400, 260));
    EXPECT_EQ(XorSizedRect(f, HTBOTTOMRIGHT, 10, 10, 120, 40), TRect(100, 50, 410, 260));
    // Dragged far past the opposite border: the frame keeps the minimum size on the side that stays.
    EXPECT_EQ(XorSizedRect(f, HTLEFT, 500, 0, 120, 40), TRect(280, 50, 400, 250));
    EXPECT_EQ(XorSizedRect(f, HTRIGHT, -500, 0, 120, 40), TRect(100, 50, 220, 250));
    EXPECT_EQ(XorSizedRect(f, HTTOP, 0, 500, 120, 40), TRect(100, 210, 400, 250));
    EXPECT_EQ(XorSizedRect(f, HTBOTTOM, 0, -500, 120, 40), TRect(100, 50, 400, 90));
    EXPECT_EQ(XorSizedRect(f, HTTOPLEFT, 500, 500, 120, 40), TRect(280, 210, 400, 250));
}

}  // namespace
