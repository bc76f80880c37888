#include "skin/adapters/acCheckBoxWnds.h"
#include "skin/adapters/acCtrlGeometry.h"
#include "skin/adapters/acPanelWnds.h"

#include "ContainerTests.h"

namespace {

class CheckAdapters : public ContainerFixture {
protected:
    HWND Check(const wchar_t* Text, DWORD Style, int Y) {
        return parent.Child(L"BUTTON", Text, Style | WS_TABSTOP, 20, Y, 140, 24);
    }
    // The glyph's colour in the middle of the glyph rectangle.
    static TColor GlyphPixel(TacCheckBoxWnd* Adapter) {
        auto pic = PrintWindowPicture(Adapter->CtrlHandle);
        TRect g = Adapter->GlyphRect();
        return PixelOf(pic.get(), (g.left + g.right) / 2, (g.top + g.bottom) / 2);
    }
};

}  // namespace

TEST_F(CheckAdapters, EveryCheckStyleShowsTheGlyphOfItsStateAndKind) {
    struct Case {
        DWORD Style;
        bool Radio;
    };
    const Case cases[] = {{BS_CHECKBOX, false},    {BS_AUTOCHECKBOX, false},   {BS_3STATE, false},
                          {BS_AUTO3STATE, false},  {BS_RADIOBUTTON, true},     {BS_AUTORADIOBUTTON, true}};
    int y = 10;
    for (const Case& c : cases) {
        HWND box = Check(L"Option", c.Style, y);
        y += 30;
        auto adapter = CreateAdapter<TacCheckBoxWnd>(box, nullptr, nullptr, "CHECKBOX", true);
        const char* unchecked = c.Radio ? "RADIOUNCHECKED" : "BOXUNCHECKED";
        const char* checked = c.Radio ? "RADIOCHECKED" : "BOXCHECKED";
        EXPECT_EQ(GlyphPixel(adapter.get()), FlatGlyphColor("GLOBALINFO", unchecked)) << c.Style;
        SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
        EXPECT_EQ(GlyphPixel(adapter.get()), FlatGlyphColor("GLOBALINFO", checked)) << c.Style;
        if (c.Style == BS_3STATE || c.Style == BS_AUTO3STATE) {
            SendMessageW(box, BM_SETCHECK, BST_INDETERMINATE, 0);
            EXPECT_EQ(GlyphPixel(adapter.get()), FlatGlyphColor("GLOBALINFO", "BOXGRAYED"));
        }
        // The glyph is vertically centred at the left edge; the rest is the section's background.
        TRect g = adapter->GlyphRect();
        EXPECT_EQ(g, Rect(0, 6, FlatGlyphSize, 6 + FlatGlyphSize));
        auto pic = PrintWindowPicture(box);
        EXPECT_EQ(PixelOf(pic.get(), 1, 1), FlatBorder("CHECKBOX"));
        EXPECT_EQ(PixelOf(pic.get(), 130, 12), FlatColor("CHECKBOX"));
    }
}

// A check state that the program sets shows on the screen, without a picture being asked for.
TEST_F(CheckAdapters, ACheckStateSetByTheProgramShowsOnTheScreen) {
    HWND box = Check(L"Set me", BS_AUTOCHECKBOX, 20);
    auto adapter = CreateAdapter<TacCheckBoxWnd>(box, nullptr, nullptr, "CHECKBOX", true);
    RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    PumpMessagesFor(30);
    TRect g = adapter->GlyphRect();
    auto glyphOnScreen = [&] { return PixelOf(ScreenCopyOf(box).get(), (g.left + g.right) / 2, (g.top + g.bottom) / 2); };
    EXPECT_EQ(glyphOnScreen(), FlatGlyphColor("GLOBALINFO", "BOXUNCHECKED"));
    SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
    PumpMessagesFor(30);
    EXPECT_EQ(glyphOnScreen(), FlatGlyphColor("GLOBALINFO", "BOXCHECKED"));
    SendMessageW(box, BM_SETCHECK, BST_UNCHECKED, 0);
    PumpMessagesFor(30);
    EXPECT_EQ(glyphOnScreen(), FlatGlyphColor("GLOBALINFO", "BOXUNCHECKED"));
}

TEST_F(CheckAdapters, PressFocusAndTheLeftTextSideByRealInput) {
    HWND box = Check(L"Click me", BS_AUTOCHECKBOX, 20);
    HWND left = Check(L"Text first", BS_AUTOCHECKBOX | BS_LEFTTEXT, 60);
    auto adapter = CreateAdapter<TacCheckBoxWnd>(box, nullptr, nullptr, "CHECKBOX", true);
    auto leftAdapter = CreateAdapter<TacCheckBoxWnd>(left, nullptr, nullptr, "CHECKBOX", true);
    EXPECT_EQ(leftAdapter->GlyphRect(), Rect(140 - FlatGlyphSize, 6, 140, 6 + FlatGlyphSize));
    auto pic = PrintWindowPicture(left);
    EXPECT_EQ(PixelOf(pic.get(), 140 - FlatGlyphSize / 2, 12), FlatGlyphColor("GLOBALINFO", "BOXUNCHECKED"));

    POINT c = CentreOf(box);
    MoveMouseTo(c.x, c.y);
    MouseButton(true);
    // Pressed: the glyph's pressed state and the section's hot look.
    ASSERT_TRUE(PumpMessagesUntil([&] { return SendMessageW(box, BM_GETSTATE, 0, 0) & BST_PUSHED; }));
    PumpMessagesFor(30);
    EXPECT_EQ(GlyphPixel(adapter.get()), FlatGlyphColor("GLOBALINFO", "BOXUNCHECKED", 2));
    MouseButton(false);
    ASSERT_TRUE(PumpMessagesUntil([&] { return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }));
    PumpMessagesFor(30);
    // Focused and checked: state 1 of the checked glyph, on the screen as well.
    EXPECT_EQ(GetFocus(), box);
    EXPECT_EQ(GlyphPixel(adapter.get()), FlatGlyphColor("GLOBALINFO", "BOXCHECKED", 1));
    auto screen = ScreenCopyOf(box);
    TRect g = adapter->GlyphRect();
    EXPECT_EQ(PixelOf(screen.get(), (g.left + g.right) / 2, (g.top + g.bottom) / 2),
              FlatGlyphColor("GLOBALINFO", "BOXCHECKED", 1));
    // The space bar toggles it back.
    PressKey(VK_SPACE);
    ASSERT_TRUE(PumpMessagesUntil([&] { return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_UNCHECKED; }));
    PumpMessagesFor(30);
    EXPECT_EQ(GlyphPixel(adapter.get()), FlatGlyphColor("GLOBALINFO", "BOXUNCHECKED", 1));
}

TEST_F(CheckAdapters, ADisabledCheckBoxFadesIntoItsParent) {
    HWND box = Check(L"Off", BS_AUTOCHECKBOX, 20);
    auto adapter = CreateAdapter<TacCheckBoxWnd>(box, nullptr, nullptr, "CHECKBOX", true);
    EnableWindow(box, FALSE);
    auto pic = PrintWindowPicture(box);
    // The parent is a plain window: its colour is what lies below.
    EXPECT_TRUE(Near(PixelOf(pic.get(), 130, 12), Mix(FlatColor("CHECKBOX"), ParentColor(), 0.4)))
        << std::hex << PixelOf(pic.get(), 130, 12);
}

TEST_F(CheckAdapters, AGroupBoxLeavesItsCaptionGapAndAnswersItsBandHeight) {
    HWND group = parent.Child(L"BUTTON", L"Settings", BS_GROUPBOX, 20, 20, 200, 120);
    auto adapter = CreateAdapter<TacGroupBoxWnd>(group, nullptr, nullptr, "GROUPBOX", true);
    TRect band = adapter->CaptionRect();
    EXPECT_EQ(band.left, 6);
    EXPECT_GT(band.right, band.left + 20);
    LRESULT height = SendMessageW(group, SM_QUORVEXCMD, MakeSkinCmd(scGetCaptionOrManager), 0);
    EXPECT_EQ(height, band.Height());
    PumpMessagesFor(30);
    auto pic = ScreenCopyOf(group);
    int half = band.Height() / 2;
    TColor below = ParentColor();
    // Above the frame the parent shows; the frame's top edge runs at half the band, broken by the caption.
    EXPECT_EQ(PixelOf(pic.get(), 2, 1), below);
    EXPECT_EQ(PixelOf(pic.get(), band.right + 10, half + 1), FlatBorder("GROUPBOX"));
    EXPECT_EQ(PixelOf(pic.get(), band.left + 1, half + 1), below);
    // Inside, the half transparent section over the parent.
    EXPECT_TRUE(Near(PixelOf(pic.get(), 100, 80), Mix(FlatColor("GROUPBOX"), below, 0.5)));
}

TEST_F(CheckAdapters, AChildOfAGroupBoxTakesItsBackgroundFromIt) {
    // A size grip inside the group box asks for the picture below it through the chain of parents.
    HWND group = parent.Child(L"BUTTON", L"Box", BS_GROUPBOX, 20, 20, 200, 120);
    auto groupAdapter = CreateAdapter<TacGroupBoxWnd>(group, nullptr, nullptr, "GROUPBOX", true);
    HWND grip = CreateWindowExW(0, L"SCROLLBAR", L"", WS_CHILD | WS_VISIBLE | SBS_SIZEGRIP, 150, 80, 30, 30, group,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    auto gripAdapter = CreateAdapter<TacSizerWnd>(grip, nullptr, nullptr, "CHECKBOX", true);
    RedrawWindow(parent.Wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessagesFor(50);
    auto pic = ScreenCopyOf(grip);
    EXPECT_TRUE(Near(PixelOf(pic.get(), 2, 2), Mix(FlatColor("GROUPBOX"), ParentColor(), 0.5)))
        << std::hex << PixelOf(pic.get(), 2, 2);
    EXPECT_EQ(PixelOf(pic.get(), 28, 28), FlatGlyphColor("GLOBALINFO", "GRIPIMAGE"));
    // The whole grip sizes the window.
    EXPECT_EQ(SendMessageW(grip, WM_NCHITTEST, 0, MAKELPARAM(CentreOf(grip).x - 10, CentreOf(grip).y - 10)),
              HTBOTTOMRIGHT);
}

TEST_F(CheckAdapters, WithTheAdaptersGoneTheButtonsAreTheirOwnAgain) {
    HWND box = Check(L"Mine", BS_AUTORADIOBUTTON, 20);
    HWND group = parent.Child(L"BUTTON", L"Group", BS_GROUPBOX, 20, 60, 200, 100);
    WNDPROC boxProc = ProcOf(box), groupProc = ProcOf(group);
    {
        auto a = CreateAdapter<TacCheckBoxWnd>(box, nullptr, nullptr, "CHECKBOX", true);
        auto b = CreateAdapter<TacGroupBoxWnd>(group, nullptr, nullptr, "GROUPBOX", true);
        EXPECT_NE(ProcOf(box), boxProc);
        EXPECT_GT(CountOf(PrintWindowPicture(box).get(), FlatColor("CHECKBOX")), 100);
        skin.Manager.SetActive(false);
        EXPECT_EQ(CountOf(PrintWindowPicture(box).get(), FlatColor("CHECKBOX")), 0);
    }
    EXPECT_EQ(ProcOf(box), boxProc);
    EXPECT_EQ(ProcOf(group), groupProc);
    EXPECT_EQ(GetPropA(box, acAdapterProp), nullptr);
    EXPECT_EQ(GetPropA(group, acAdapterProp), nullptr);
}
