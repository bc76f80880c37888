// The console's rules that need no window: HEX lines, the history, file stamps, the screen clamp and the
// magnet that docks the HEX log.
#include "console/uHEXLog.h"
#include "console/uMain.h"

#include <gtest/gtest.h>

TEST(HexLine, EveryByteIsTwoUpperCaseDigitsAndABlank) {
    EXPECT_EQ(HexLine("AT\r\n"), "41 54 0D 0A ");
    EXPECT_EQ(HexLine("\r\n"), "0D 0A ");
    EXPECT_EQ(HexLine(std::string(1, '\x1A')), "1A ");
    EXPECT_EQ(HexLine(std::string("\0\xff", 2)), "00 FF ");
    EXPECT_EQ(HexLine(""), "");
}

TEST(History, ADuplicateInAnyCaseMovesToTheTopAndTheOldestFallsOut) {
    TStringList history;
    for (int i = 0; i < 18; ++i)
        AddToHistory(&history, "CMD" + std::to_string(i));
    EXPECT_EQ(history.Count(), 18);
    EXPECT_EQ(history.Strings(0), "CMD17");
    AddToHistory(&history, "cmd5");
    EXPECT_EQ(history.Count(), 18);
    EXPECT_EQ(history.Strings(0), "cmd5");
    EXPECT_EQ(history.IndexOf("CMD5"), 0) << "the old spelling is gone";
    EXPECT_EQ(history.Strings(17), "CMD0");
    AddToHistory(&history, "new");
    EXPECT_EQ(history.Count(), 18);
    EXPECT_EQ(history.IndexOf("CMD0"), -1) << "the nineteenth distinct command pushes the oldest out";
    EXPECT_EQ(history.Strings(0), "new");
}

TEST(LogFileStamp, PadsEverythingButTheYear) {
    SYSTEMTIME t{};
    t.wYear = 2010;
    t.wMonth = 2;
    t.wDay = 1;
    t.wHour = 9;
    t.wMinute = 5;
    t.wSecond = 3;
    EXPECT_EQ(LogFileStamp(t), "20100201_090503");
    t = SYSTEMTIME{};
    t.wYear = 999;
    t.wMonth = 12;
    t.wDay = 31;
    t.wHour = 23;
    t.wMinute = 59;
    t.wSecond = 59;
    EXPECT_EQ(LogFileStamp(t), "9991231_235959");
}

TEST(LogFileStamp, TheProposalKeepsTheFolderOfThePreviousName) {
    std::string name = ProposedLogFileName("C:\\logs\\old.txt", "AT Command Log ", ".txt");
    ASSERT_EQ(name.rfind("C:\\logs\\AT Command Log ", 0), 0u) << name;
    ASSERT_EQ(name.size(), std::string("C:\\logs\\AT Command Log 20100201_090503.txt").size()) << name;
    EXPECT_EQ(name.substr(name.size() - 4), ".txt");
    EXPECT_EQ(ProposedLogFileName("AT command hex log.rtf", "AT Command HEX Log ", ".rtf").rfind("AT Command HEX Log ", 0),
              0u);
}

TEST(ClampToScreen, MovesAWindowBackOntoTheScreen) {
    int left = 5000, top = 10;
    ClampToScreen(left, top, 500, 480, 1024, 768);
    EXPECT_EQ(left, 524);
    EXPECT_EQ(top, 10);
    left = -20, top = -5;
    ClampToScreen(left, top, 500, 480, 1024, 768);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(top, 0);
    left = 0, top = 0;
    ClampToScreen(left, top, 1100, 800, 1024, 768);
    EXPECT_EQ(left, -76) << "a window larger than the screen keeps its far edge on the screen's";
    EXPECT_EQ(top, -32);
}

namespace {
const TRect Main(100, 100, 600, 580);  // the main window: 500 x 480 at 100, 100

TRect At(int left, int top, int width = 300, int height = 480) {
    return TRect(left, top, left + width, top + height);
}
}  // namespace

TEST(MagnetDrag, SnapsToTheRightEdgeFromThirtyFivePixelsButNotThirtySix) {
    TMagnetDrag drag;
    TRect r = At(635, 120);
    MagnetDragStep(drag, r, TPoint(700, 130), Main);
    EXPECT_TRUE(drag.Docked);
    EXPECT_EQ(drag.DockSide, dsRight);
    EXPECT_EQ(r.left, 600);
    EXPECT_EQ(r.right, 900);
    EXPECT_EQ(r.top, 120) << "the other axis stays as proposed";
    EXPECT_EQ(drag.StartPos.x, 700);

    TMagnetDrag loose;
    r = At(636, 120);
    MagnetDragStep(loose, r, TPoint(700, 130), Main);
    EXPECT_FALSE(loose.Docked);
    EXPECT_EQ(r.left, 636);
}

TEST(MagnetDrag, WithoutOverlapNothingSnapsAndNoOtherEdgeIsTried) {
    TMagnetDrag drag;
    // Left edge near the main window's right edge, but entirely below it; its top is also near the main
    // window's bottom, which would snap on its own.
    TRect r = At(610, 600);
    MagnetDragStep(drag, r, TPoint(700, 650), Main);
    EXPECT_FALSE(drag.Docked);
    EXPECT_EQ(r.left, 610);
    EXPECT_EQ(r.top, 600);
}

TEST(MagnetDrag, ADockedWindowComesLooseOnlyWhenPulledFurtherThanThirtySix) {
    TMagnetDrag drag;
    drag.Docked = true;
    drag.DockSide = dsRight;
    TRect r = At(600, 120);
    MagnetDragStep(drag, r, TPoint(700, 130), Main);  // the step begins here
    EXPECT_TRUE(drag.Moving);
    r = At(636, 140);
    MagnetDragStep(drag, r, TPoint(736, 150), Main);
    EXPECT_TRUE(drag.Docked) << "36 pixels keep it docked";
    EXPECT_EQ(r.left, 600);
    EXPECT_EQ(r.top, 140) << "it slides along its edge";
    r = At(637, 140);
    MagnetDragStep(drag, r, TPoint(737, 150), Main);
    EXPECT_FALSE(drag.Docked) << "37 pixels free it";
    EXPECT_EQ(r.left, 637) << "it jumps to the main window's edge plus the cursor's travel";
    EXPECT_EQ(r.right, 937);
}

TEST(MagnetDrag, SnapsBelowLeftOfAndAbove) {
    TMagnetDrag below;
    TRect r = At(150, 600, 300, 200);
    MagnetDragStep(below, r, TPoint(0, 0), Main);
    EXPECT_EQ(below.DockSide, dsBelow);
    EXPECT_EQ(r.top, 580);
    EXPECT_EQ(r.bottom, 780);

    TMagnetDrag left;
    r = At(-190, 150);
    MagnetDragStep(left, r, TPoint(0, 0), Main);
    EXPECT_EQ(left.DockSide, dsLeft);
    EXPECT_EQ(r.right, 100);
    EXPECT_EQ(r.left, -200);

    TMagnetDrag above;
    r = At(150, -110, 300, 200);
    MagnetDragStep(above, r, TPoint(0, 0), Main);
    EXPECT_EQ(above.DockSide, dsAbove);
    EXPECT_EQ(r.bottom, 100);
    EXPECT_EQ(r.top, -100);
}

TEST(Magnet, TheHorizontalMagnetTakesTheSideWithMoreRoom) {
    TDockSide side = dsNone;
    TRect r = HorizontalMagnet(At(0, 0), Main, 1024, side);
    EXPECT_EQ(side, dsRight);
    EXPECT_EQ(r.left, 600);
    EXPECT_EQ(r.right, 900);
    EXPECT_EQ(r.top, Main.top);
    EXPECT_EQ(r.bottom, Main.bottom);

    // Beyond the screen's right edge it shrinks to fit, while that leaves more than the minimum width.
    r = HorizontalMagnet(At(0, 0), TRect(100, 0, 800, 480), 1024, side);
    EXPECT_EQ(side, dsRight);
    EXPECT_EQ(r.right, 1024);

    // The main window at the right screen edge: the log goes to its left.
    r = HorizontalMagnet(At(0, 0), TRect(524, 0, 1024, 480), 1024, side);
    EXPECT_EQ(side, dsLeft);
    EXPECT_EQ(r.left, 224);

    // Main window at x = 5: too little room on the left to shrink into, so the log hangs off the screen.
    r = HorizontalMagnet(At(0, 0), TRect(5, 0, 1024, 480), 1024, side);
    EXPECT_EQ(side, dsLeft);
    EXPECT_EQ(r.left, -295);
    EXPECT_EQ(r.right, 5);

    // With room above the minimum on the left, it shrinks to the screen's edge.
    r = HorizontalMagnet(At(0, 0), TRect(250, 0, 1024, 480), 1024, side);
    EXPECT_EQ(side, dsLeft);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right, 250);
}

TEST(Magnet, TheVerticalMagnetTakesTheSideWithMoreRoom) {
    TDockSide side = dsNone;
    TRect r = VerticalMagnet(At(0, 0, 300, 200), TRect(100, 0, 600, 300), 768, side);
    EXPECT_EQ(side, dsBelow);
    EXPECT_EQ(r.top, 300);
    EXPECT_EQ(r.bottom, 500);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.right, 600);
    r = VerticalMagnet(At(0, 0, 300, 200), TRect(100, 500, 600, 768), 768, side);
    EXPECT_EQ(side, dsAbove);
    EXPECT_EQ(r.bottom, 500);
    EXPECT_EQ(r.top, 300);
}

TEST(Magnet, BoundsTouchingAnEdgeAtStartUpMeanDocked) {
    EXPECT_EQ(TouchingSide(At(600, 100), Main), dsRight);
    EXPECT_EQ(TouchingSide(At(100, 580), Main), dsBelow);
    EXPECT_EQ(TouchingSide(At(-200, 100), Main), dsLeft);
    EXPECT_EQ(TouchingSide(At(100, -380), Main), dsAbove);
    EXPECT_EQ(TouchingSide(At(601, 100), Main), dsNone);
}

TEST(LogTextLength, CountsTheCharactersALogHoldsNotTheBytes) {
    EXPECT_EQ(LogTextLength(""), 0);
    EXPECT_EQ(LogTextLength("AT+CMGS=\"\""), 10);
    // On a double-byte code page a character may take two bytes: the echo's end must not run past the line.
    EXPECT_EQ(LogTextLength("AT\x82\xa0\x82\xa2", 932), 4);
    EXPECT_EQ(LogTextLength("\x82\xa0", 932), 1);
}
