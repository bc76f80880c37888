#include "skin/adapters/acStaticWnds.h"

#include "AdapterTestWindows.h"
#include "tests/support/MessageLoop.h"

#include "classlib/visual/Controls.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <string>

namespace {

// Greek and Cyrillic letters, which the program's code page does not hold.
const std::wstring kForeignText = L"\u0416\u042F\u03BB\u0414";

// The ink of Text drawn black on white in the message font, laid out as a label's text.
int MessageFontInk(const std::wstring& Text, int W, int H) {
    auto bmp = CreateBmp24(W, H);
    HDC dc = bmp->Canvas()->Handle();
    FillDC(dc, TRect(0, 0, W, H), clWhite);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
    HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, 0);
    RECT r{0, 0, W + 4, H};
    DrawTextW(dc, Text.c_str(), static_cast<int>(Text.size()), &r, DT_WORDBREAK | DT_EXPANDTABS | DT_NOCLIP);
    SelectObject(dc, old);
    DeleteObject(font);
    GdiFlush();
    return CountOf(bmp.get(), 0);
}

class StaticAdapters : public ::testing::Test {
protected:
    void SetUp() override { live = TacMainWnd::LiveCount(); }
    void TearDown() override { EXPECT_EQ(TacMainWnd::LiveCount(), live); }
    // The picture that erasing the window's background paints (magenta where nothing was painted).
    static std::unique_ptr<TBitmap> ErasePicture(HWND Wnd, LRESULT* Result = nullptr) {
        RECT r{};
        GetWindowRect(Wnd, &r);
        auto bmp = CreateBmp24(r.right - r.left, r.bottom - r.top);
        FillDC(bmp->Canvas()->Handle(), TRect(0, 0, r.right - r.left, r.bottom - r.top), clFuchsia);
        LRESULT result = SendMessageW(Wnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(bmp->Canvas()->Handle()), 0);
        if (Result)
            *Result = result;
        GdiFlush();
        return bmp;
    }
    static int Ink(TBitmap* Bmp, TColor Background) {
        return Bmp->Width() * Bmp->Height() - CountOf(Bmp, Background);
    }

    FlatSkin skin;
    PlainParent parent;
    int live = 0;
    const FlatSectionColors& colours = FlatSection("CHECKBOX");
};

}  // namespace

TEST_F(StaticAdapters, ALabelIsPaintedWithItsSectionWhileItsBackgroundIsErased) {
    HWND label = parent.Child(L"STATIC", L"Hello there", SS_LEFT, 10, 10, 150, 20);
    auto adapter = CreateAdapter<TacStaticWnd>(label, nullptr, nullptr, "CHECKBOX", true);
    LRESULT result = 0;
    auto pic = ErasePicture(label, &result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(PixelOf(pic.get(), 140, 10), Flat(colours.Color));
    EXPECT_EQ(PixelOf(pic.get(), 149, 19), Flat(colours.Border[0]));
    // The text in the section's font colour (black), nothing of the magenta left.
    EXPECT_GT(CountOf(pic.get(), Flat(colours.FontColor)), 10);
    EXPECT_EQ(CountOf(pic.get(), clFuchsia), 0);
    // WM_PAINT alone draws nothing: WM_PRINT reaches the window as WM_PAINT with the DC.
    auto printed = PrintWindowPicture(label);
    EXPECT_EQ(CountOf(printed.get(), Flat(colours.Color)), 0);
    // On the screen, as a user sees it.
    InvalidateRect(label, nullptr, TRUE);
    UpdateWindow(label);
    PumpMessagesFor(30);
    auto screen = ScreenCopyOf(label);
    EXPECT_GT(CountOf(screen.get(), Flat(colours.Color)), 150 * 20 / 2);
}

TEST_F(StaticAdapters, TheTextFollowsTheWindowsText) {
    HWND label = parent.Child(L"STATIC", L"One", SS_LEFT, 10, 10, 150, 20);
    auto adapter = CreateAdapter<TacStaticWnd>(label, nullptr, nullptr, "CHECKBOX", true);
    int one = Ink(ErasePicture(label).get(), Flat(colours.Color));
    SetWindowTextA(label, "One two three four");
    EXPECT_EQ(adapter->WndText, "One two three four");
    EXPECT_GT(Ink(ErasePicture(label).get(), Flat(colours.Color)), one);
}

TEST_F(StaticAdapters, AFocusableOrSunkenStaticAndAHiddenOneAreLeftAlone) {
    HWND tab = parent.Child(L"STATIC", L"Tab", SS_LEFT | WS_TABSTOP, 10, 10, 100, 20);
    HWND edge = parent.Child(L"STATIC", L"Edge", SS_LEFT, 10, 40, 100, 20, WS_EX_STATICEDGE);
    HWND hidden = parent.Child(L"STATIC", L"Hidden", SS_LEFT, 10, 70, 100, 20);
    ShowWindow(hidden, SW_HIDE);
    auto a = CreateAdapter<TacStaticWnd>(tab, nullptr, nullptr, "CHECKBOX", true);
    auto b = CreateAdapter<TacStaticWnd>(edge, nullptr, nullptr, "CHECKBOX", true);
    auto c = CreateAdapter<TacStaticWnd>(hidden, nullptr, nullptr, "CHECKBOX", true);
    for (HWND w : {tab, edge, hidden})
        EXPECT_EQ(CountOf(ErasePicture(w).get(), Flat(colours.Color)), 0);
    // Even the skin commands reach the static's own procedure, which knows none.
    EXPECT_EQ(SendMessageW(tab, SM_QUORVEXCMD, MakeSkinCmd(scIsSkinned), 0), 0);
    EXPECT_EQ(SendMessageW(hidden, SM_QUORVEXCMD, MakeSkinCmd(scIsSkinned), 0), 1);
}

TEST_F(StaticAdapters, AnIconLabelShowsItsIconInTheTopLeftCorner) {
    HWND icon = parent.Child(L"STATIC", L"", SS_ICON, 10, 10, 48, 48);
    // A 16 x 16 icon of one colour.
    auto colour = CreateBmp24(16, 16);
    FillDC(colour->Canvas()->Handle(), TRect(0, 0, 16, 16), RGB(0, 0, 200));
    auto mask = CreateBmp24(16, 16);
    FillDC(mask->Canvas()->Handle(), TRect(0, 0, 16, 16), clBlack);
    ICONINFO info{TRUE, 0, 0, mask->ReleaseHandle(), colour->ReleaseHandle()};
    HICON handle = CreateIconIndirect(&info);
    ASSERT_TRUE(handle);
    SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(handle), 0);
    SetWindowPos(icon, nullptr, 0, 0, 48, 48, SWP_NOMOVE | SWP_NOZORDER);
    auto adapter = CreateAdapter<TacIconWnd>(icon, nullptr, nullptr, "CHECKBOX", true);
    auto pic = ErasePicture(icon);
    EXPECT_EQ(PixelOf(pic.get(), 8, 8), TColor(RGB(0, 0, 200)));
    EXPECT_EQ(PixelOf(pic.get(), 40, 40), Flat(colours.Color));
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    adapter.reset();
    DestroyWindow(icon);
    DestroyIcon(handle);
}

TEST_F(StaticAdapters, LinkTagsAreRemovedInAnyCase) {
    EXPECT_EQ(RemoveLinkTags("see <a>this link</a> here"), "see this link here");
    EXPECT_EQ(RemoveLinkTags("<A HREF=\"x\">Up</A> and <a id=2>down</a>"), "Up and down");
    EXPECT_EQ(RemoveLinkTags("a < b <abbr> </ab> <a"), "a < b <abbr> </ab> <a");
    EXPECT_EQ(RemoveLinkTags(L"<a href=x>" + kForeignText + L"</A> \u00E0<b>"), kForeignText + L" \u00E0<b>");
}

// The text is painted as the window holds it, not through the code page, where these letters become "?".
TEST_F(StaticAdapters, TextOutsideTheCodePageIsPaintedAsTheWindowHoldsIt) {
    ASSERT_EQ(WideToAnsi(kForeignText), "????");
    int wide = MessageFontInk(kForeignText, 150, 20);
    ASSERT_NE(wide, MessageFontInk(L"????", 150, 20));
    HWND label = parent.Child(L"STATIC", kForeignText.c_str(), SS_LEFT, 10, 10, 150, 20);
    auto adapter = CreateAdapter<TacStaticWnd>(label, nullptr, nullptr, "CHECKBOX", true);
    EXPECT_EQ(adapter->WndWideText, kForeignText);
    EXPECT_EQ(CountOf(ErasePicture(label).get(), Flat(colours.FontColor)), wide);
    const std::wstring other = L"\u0416\u0416\u03BB";
    SetWindowTextW(label, other.c_str());
    EXPECT_EQ(CountOf(ErasePicture(label).get(), Flat(colours.FontColor)), MessageFontInk(other, 150, 20));
    // A link's text too.
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LINK_CLASS};
    InitCommonControlsEx(&icc);
    HWND link = parent.Child(L"SysLink", (L"<a>" + kForeignText + L"</a>").c_str(), 0, 10, 40, 150, 20);
    ASSERT_TRUE(link);
    auto linkAdapter = CreateAdapter<TacLinkWnd>(link, nullptr, nullptr, "CHECKBOX", true);
    EXPECT_EQ(CountOf(ErasePicture(link).get(), Flat(colours.FontColor)), wide);
}

TEST_F(StaticAdapters, ALinkWindowPaintsItsTextWithoutTheTags) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LINK_CLASS};
    InitCommonControlsEx(&icc);
    HWND link = parent.Child(L"SysLink", L"see <a>this link</a> here", 0, 10, 10, 200, 20);
    HWND plain = parent.Child(L"STATIC", L"see this link here", SS_LEFT, 10, 40, 200, 20);
    ASSERT_TRUE(link);
    auto a = CreateAdapter<TacLinkWnd>(link, nullptr, nullptr, "CHECKBOX", true);
    auto b = CreateAdapter<TacStaticWnd>(plain, nullptr, nullptr, "CHECKBOX", true);
    auto linkPic = ErasePicture(link);
    auto plainPic = ErasePicture(plain);
    int linkInk = CountOf(linkPic.get(), Flat(colours.FontColor));
    EXPECT_GT(linkInk, 10);
    EXPECT_EQ(linkInk, CountOf(plainPic.get(), Flat(colours.FontColor)));
}
