// The XOR frame on the real desktop: drawn over another top-level window it inverts that window's pixels along its
// outline, and erasing it restores every pixel exactly; a move frame places the window where it was dragged, a size
// frame that never moved leaves the window alone. Snapping on a real WM_WINDOWPOSCHANGING.
#include "skin/forms/acSnapping.h"

#include "tests/skin/PixelTestUtils.h"
#include "tests/support/MessageLoop.h"
#include "tests/support/ScreenPictures.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0), kCyan = RGB(0, 255, 255);
int SnapBufferOfTest = 0;

LRESULT CALLBACK RedWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    if (Msg == WM_WINDOWPOSCHANGING && SnapBufferOfTest > 0) {
        try {
            SnapWindowPos(Wnd, *reinterpret_cast<WINDOWPOS*>(LParam), SnapBufferOfTest);
        } catch (...) {
        }
    }
    return DefWindowProcA(Wnd, Msg, WParam, LParam);
}

class RedWindow {
public:
    RedWindow(int X, int Y, int W, int H) {
        static const bool registered = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = RedWndProc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.hbrBackground = CreateSolidBrush(kRed);
            wc.lpszClassName = "XorFrameTestRed";
            return RegisterClassA(&wc) != 0;
        }();
        EXPECT_TRUE(registered);
        FWnd = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "XorFrameTestRed", "", WS_POPUP | WS_VISIBLE, X, Y,
                               W, H, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        EXPECT_NE(FWnd, nullptr);
        UpdateWindow(FWnd);
        PumpMessagesFor(200);
    }
    ~RedWindow() { DestroyWindow(FWnd); }
    HWND Handle() const { return FWnd; }
    TRect Bounds() const {
        RECT r;
        GetWindowRect(FWnd, &r);
        return TRect(r);
    }

private:
    HWND FWnd = nullptr;
};

// The screen's pixels of the area, row by row.
std::vector<COLORREF> Grab(const TRect& R) {
    auto shot = ScreenCopy(R);
    std::vector<COLORREF> px;
    px.reserve(static_cast<size_t>(R.Width()) * R.Height());
    for (int y = 0; y < R.Height(); ++y)
        for (int x = 0; x < R.Width(); ++x)
            px.push_back(Px(shot.get(), x, y));
    return px;
}

COLORREF At(const std::vector<COLORREF>& Px, const TRect& R, int X, int Y) {
    return Px[(Y - R.top) * R.Width() + (X - R.left)];
}

TEST(XorFrame, InvertsTheOutlineOverAnotherWindowAndRestoresItExactly) {
    RedWindow red(200, 150, 300, 200);
    const TRect area(150, 100, 550, 400);
    const auto before = Grab(area);
    ASSERT_EQ(At(before, area, 300, 150), kRed);

    // A size frame on the window's own bounds: its outline runs along the window's outer pixels.
    XorHitCode = HTBOTTOMRIGHT;
    const TacXorForm form = TacXorForm::FromWindow(red.Handle());
    StartXorFrame(form, false, 499, 349);
    EXPECT_TRUE(XorActive);
    const auto shown = Grab(area);
    int inverted = 0, changed = 0;
    for (size_t i = 0; i < before.size(); ++i) {
        if (shown[i] != before[i])
            ++changed;
        if (before[i] == kRed && shown[i] == kCyan)
            ++inverted;
    }
    // The outline of a 300 x 200 rectangle: 2 * (300 + 200) - 4 pixels, all of them red turned cyan.
    EXPECT_EQ(inverted, 996);
    EXPECT_EQ(changed, 996);
    EXPECT_EQ(At(shown, area, 200, 150), kCyan);
    EXPECT_EQ(At(shown, area, 499, 349), kCyan);
    EXPECT_EQ(At(shown, area, 300, 151), kRed);

    // Sizing moves the frame: the old outline goes, the new one is drawn beyond the window's right edge.
    XorMouseMove(form, 499, 349);
    XorMouseMove(form, 519, 349);
    const auto sized = Grab(area);
    EXPECT_EQ(At(sized, area, 499, 250), kRed);
    EXPECT_EQ(At(sized, area, 519, 250), RGB(255, 255, 255) ^ At(before, area, 519, 250));
    EXPECT_EQ(At(sized, area, 200, 250), kCyan);

    // Back to the start and released: the window keeps its place and size, the screen is as before.
    XorMouseMove(form, 499, 349);
    EndXorFrame(form);
    EXPECT_FALSE(XorActive);
    PumpMessagesFor(100);
    EXPECT_EQ(red.Bounds(), TRect(200, 150, 500, 350));
    const auto after = Grab(area);
    int differ = 0;
    for (size_t i = 0; i < before.size(); ++i)
        differ += after[i] != before[i];
    EXPECT_EQ(differ, 0);
}

TEST(XorFrame, MoveFramePlacesTheWindowAndSizeFramesHonourTheMinimum) {
    RedWindow red(200, 150, 300, 200);
    TacXorForm form = TacXorForm::FromWindow(red.Handle());

    // A size frame released without a mouse move leaves the window alone.
    XorHitCode = HTLEFT;
    StartXorFrame(form, false, 200, 250);
    EndXorFrame(form);
    PumpMessagesFor(100);
    EXPECT_EQ(red.Bounds(), TRect(200, 150, 500, 350));

    // Sizing from the left edge far to the right: never narrower than the minimum width.
    form = TacXorForm::FromWindow(red.Handle(), 180, 0);
    StartXorFrame(form, false, 200, 250);
    XorMouseMove(form, 200, 250);
    XorMouseMove(form, 450, 250);
    EndXorFrame(form);
    PumpMessagesFor(100);
    EXPECT_EQ(red.Bounds(), TRect(320, 150, 500, 350));

    // A move frame: the window lands where the frame was dragged, with its size.
    form = TacXorForm::FromWindow(red.Handle());
    const TRect area(150, 100, 600, 500);
    const auto before = Grab(area);
    StartXorFrame(form, true, 400, 160);
    XorMouseMove(form, 400, 160);
    XorMouseMove(form, 350, 200);
    XorMouseMove(form, 330, 230);
    // The frame now runs from (250, 220) to (430, 420): inverted over the window and over the desktop beside it,
    // and gone from where the window is.
    const auto shown = Grab(area);
    EXPECT_EQ(At(shown, area, 400, 220), kCyan);
    EXPECT_EQ(At(shown, area, 250, 300), At(before, area, 250, 300) ^ RGB(255, 255, 255));
    EXPECT_EQ(At(shown, area, 320, 160), kRed);
    EXPECT_EQ(At(shown, area, 499, 250), kRed);
    EndXorFrame(form);
    PumpMessagesFor(100);
    EXPECT_EQ(red.Bounds(), TRect(250, 220, 430, 420));
}

TEST(ScreenSnap, WindowMovedCloseToTheWorkAreaEdgesLandsOnThem) {
    RECT work;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    RedWindow red(200, 150, 300, 200);
    SnapBufferOfTest = 10;
    SetWindowPos(red.Handle(), nullptr, work.right - 300 - 9, work.bottom - 200 - 9, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(red.Bounds(), TRect(work.right - 300, work.bottom - 200, work.right, work.bottom));
    SetWindowPos(red.Handle(), nullptr, work.right - 300 - 10, work.bottom - 200 - 10, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(red.Bounds(), TRect(work.right - 310, work.bottom - 210, work.right - 10, work.bottom - 10));
    SetWindowPos(red.Handle(), nullptr, work.left + 9, work.top + 5, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(red.Bounds(), TRect(work.left, work.top, work.left + 300, work.top + 200));
    SnapBufferOfTest = 0;
}

}  // namespace
