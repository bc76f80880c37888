#include "skin/adapters/acCheckBoxWnds.h"
#include "skin/adapters/acPanelWnds.h"
#include "skin/adapters/acTabWnds.h"
#include "skin/adapters/acToolBarWnds.h"

#include "ContainerTests.h"
#include "tests/skin/SkinTestControls.h"

#include "classlib/ComCtrls.h"
#include "classlib/ExtCtrls.h"
#include "classlib/ImgList.h"
#include "classlib/Menus.h"
#include "skin/engine/sVclUtils.h"

#include <string>

namespace {

class BarAdapters : public ContainerFixture {
protected:
    HWND Tabs(DWORD Style, int Count, int W = 300, int H = 180) {
        HWND tabs = parent.Child(WC_TABCONTROLW, L"", Style | WS_TABSTOP | WS_CLIPCHILDREN, 20, 20, W, H);
        for (int i = 0; i < Count; ++i) {
            std::wstring text = L"Tab " + std::to_wstring(i + 1);
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = text.data();
            SendMessageW(tabs, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
        }
        return tabs;
    }
    void Repaint() {
        RedrawWindow(parent.Wnd, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpMessagesFor(50);
    }
    static TRect ItemRect(HWND Tabs, int Index) {
        TRect r;
        SendMessageW(Tabs, TCM_GETITEMRECT, Index, reinterpret_cast<LPARAM>(&r));
        return r;
    }
    static TColor At(TBitmap* Bmp, const TRect& R) { return PixelOf(Bmp, (R.left + R.right) / 2, (R.top + R.bottom) / 2); }
};

}  // namespace

TEST_F(BarAdapters, TabControlsPaintBodyAndTabsByPositionWithTheSelectedTabRaised) {
    struct Case {
        DWORD Style;
        const char* Page;
        const char* Tab;
    };
    const Case cases[] = {{0, "PAGECONTROL", "TABTOP"},
                          {TCS_BOTTOM, "PAGECONTROLBOTTOM", "TABBOTTOM"},
                          {TCS_VERTICAL | TCS_MULTILINE, "PAGECONTROLLEFT", "TABLEFT"},
                          {TCS_VERTICAL | TCS_RIGHT | TCS_MULTILINE, "PAGECONTROLRIGHT", "TABRIGHT"}};
    for (const Case& c : cases) {
        HWND tabs = Tabs(c.Style, 3);
        auto adapter = CreateAdapter<TacTabControlWnd>(tabs, nullptr, nullptr, "PAGECONTROL", true);
        SendMessageW(tabs, TCM_SETCURSEL, 1, 0);
        Repaint();
        auto pic = ScreenPicture(tabs);
        if (const char* dir = std::getenv("BRIMLET_TABS_SHOT"))
            pic->SaveToFile(std::string(dir) + c.Page + ".bmp");
        TRect d;
        adapter->DisplayRect(d);
        EXPECT_EQ(At(pic.get(), d), FlatColor(c.Page)) << c.Page;
        EXPECT_GT(CountOf(pic.get(), FlatColor(c.Tab, 2)), 20) << c.Tab << " selected";
        EXPECT_GT(CountOf(pic.get(), FlatBorder(c.Tab, 2)), 20) << c.Tab << " selected";
        EXPECT_GT(CountOf(pic.get(), FlatBorder(c.Tab, 0)), 20) << c.Tab << " inactive";
        if (!(c.Style & TCS_VERTICAL)) {
            // Wine lays vertical tabs out its own way; the horizontal ones have their places.
            EXPECT_EQ(At(pic.get(), ItemRect(tabs, 1)), FlatColor(c.Tab, 2));
            EXPECT_EQ(At(pic.get(), ItemRect(tabs, 0)), FlatColor(c.Tab, 0));
            TRect active = adapter->TabRect(1, true);
            EXPECT_EQ(PixelOf(pic.get(), active.left, (active.top + active.bottom) / 2), FlatBorder(c.Tab, 2));
        }
        adapter.reset();
        DestroyWindow(tabs);
    }
}

TEST_F(BarAdapters, ATabControlWithoutTabsIsPaintedAsACheckBox) {
    HWND tabs = Tabs(0, 0);
    auto adapter = CreateAdapter<TacTabControlWnd>(tabs, nullptr, nullptr, "PAGECONTROL", true);
    Repaint();
    auto pic = ScreenPicture(tabs);
    EXPECT_EQ(PixelOf(pic.get(), 150, 90), FlatColor("CHECKBOX"));
    EXPECT_EQ(SendMessageW(tabs, SM_QUORVEXCMD, MakeSkinCmd(scGetCaptionOrManager), 0),
              reinterpret_cast<LRESULT>(&skin.Manager));
}

TEST_F(BarAdapters, APageControlSwitchesByClickAndKeysAndPaintsItsPages) {
    HWND tabs = Tabs(0, 3);
    HWND page = CreateWindowExW(0, PlainClass(), L"", WS_CHILD | WS_VISIBLE, 10, 40, 200, 100, tabs, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    WNDPROC pageProc = ProcOf(page);
    {
        auto adapter = CreateAdapter<TacPageControlWnd>(tabs, nullptr, nullptr, "PAGECONTROL", true);
        Repaint();
        // The page got its adapter once and shows the control's background.
        EXPECT_TRUE(GetSkinCmdBool(page, scIsSkinned));
        EXPECT_EQ(PageAdapterCount(tabs), 1);
        adapter->AddPages();
        EXPECT_EQ(PageAdapterCount(tabs), 1);
        auto pic = ScreenPicture(page);
        EXPECT_EQ(PixelOf(pic.get(), 100, 50), FlatColor("PAGECONTROL"));

        TRect third = ItemRect(tabs, 2);
        RECT w{};
        GetWindowRect(tabs, &w);
        ClickAt(w.left + (third.left + third.right) / 2, w.top + (third.top + third.bottom) / 2);
        ASSERT_TRUE(PumpMessagesUntil([&] { return SendMessageW(tabs, TCM_GETCURSEL, 0, 0) == 2; }));
        PumpMessagesFor(50);
        auto after = ScreenPicture(tabs);
        EXPECT_EQ(At(after.get(), ItemRect(tabs, 2)), FlatColor("TABTOP", 2));
        EXPECT_EQ(At(after.get(), ItemRect(tabs, 0)), FlatColor("TABTOP", 0));
        SetFocus(tabs);
        PressKey(VK_LEFT);
        ASSERT_TRUE(PumpMessagesUntil([&] { return SendMessageW(tabs, TCM_GETCURSEL, 0, 0) == 1; }));
        PumpMessagesFor(50);
        auto keyed = ScreenPicture(tabs);
        EXPECT_EQ(At(keyed.get(), ItemRect(tabs, 1)), FlatColor("TABTOP", 2));
        EXPECT_EQ(At(keyed.get(), ItemRect(tabs, 2)), FlatColor("TABTOP", 0));
    }
    // With the control's adapter gone its pages are their own again.
    EXPECT_EQ(PageAdapterCount(tabs), 0);
    EXPECT_EQ(ProcOf(page), pageProc);
    EXPECT_EQ(GetPropA(page, acAdapterProp), nullptr);
}

TEST_F(BarAdapters, OverflowingTabsGiveTheirArrowsASpinAdapter) {
    HWND tabs = Tabs(0, 14, 200, 100);
    auto adapter = CreateAdapter<TacTabControlWnd>(tabs, nullptr, nullptr, "PAGECONTROL", true);
    Repaint();
    HWND spin = FindWindowExW(tabs, nullptr, UPDOWN_CLASSW, nullptr);
    if (!spin)
        GTEST_SKIP() << "this tab control shows no arrows";
    ASSERT_NE(adapter->SpinWnd(), nullptr);
    EXPECT_EQ(adapter->SpinWnd()->CtrlHandle, spin);
    EXPECT_TRUE(GetSkinCmdBool(spin, scIsSkinned));
    TacSpinWnd* first = adapter->SpinWnd();
    adapter->UpdateSpin();
    EXPECT_EQ(adapter->SpinWnd(), first);
}

TEST_F(BarAdapters, AnUpDownControlShowsOnlyTheHalfUnderThePressedMouseAsPressed) {
    HWND spin = parent.Child(UPDOWN_CLASSW, L"", 0, 40, 40, 20, 41);
    WNDPROC original = ProcOf(spin);
    {
        auto adapter = CreateAdapter<TacSpinWnd>(spin, nullptr, nullptr, "SPEEDBUTTON_SMALL", true);
        Repaint();
        auto pic = PrintWindowPicture(spin);
        EXPECT_EQ(PixelOf(pic.get(), 1, 1), FlatBorder("SPEEDBUTTON_SMALL", 0));
        EXPECT_EQ(PixelOf(pic.get(), 10, 10), FlatGlyphColor("SCROLLBTNTOP", "GLYPHMASK", 0));
        EXPECT_EQ(PixelOf(pic.get(), 10, 31), FlatGlyphColor("SCROLLBTNBOTTOM", "GLYPHMASK", 0));
        // Hovering alone changes nothing.
        RECT r{};
        GetWindowRect(spin, &r);
        MoveMouseTo(r.left + 10, r.top + 8);
        PumpMessagesFor(50);
        pic = PrintWindowPicture(spin);
        EXPECT_EQ(PixelOf(pic.get(), 1, 1), FlatBorder("SPEEDBUTTON_SMALL", 0));
        MouseButton(true);
        ASSERT_TRUE(PumpMessagesUntil([&] { return adapter->State1 == 2; }));
        pic = PrintWindowPicture(spin);
        EXPECT_EQ(PixelOf(pic.get(), 1, 1), FlatBorder("SPEEDBUTTON_SMALL", 2));
        EXPECT_EQ(PixelOf(pic.get(), 10, 10), FlatGlyphColor("SCROLLBTNTOP", "GLYPHMASK", 2));
        EXPECT_EQ(PixelOf(pic.get(), 1, 39), FlatBorder("SPEEDBUTTON_SMALL", 0));
        MouseButton(false);
        ASSERT_TRUE(PumpMessagesUntil([&] { return !adapter->Pressed; }));
        MoveMouseTo(5, 5);
        PumpMessagesFor(30);
    }
    EXPECT_EQ(ProcOf(spin), original);
}

TEST_F(BarAdapters, ADialogToolbarShowsHotAndPressedButtonsByRealInput) {
    HWND bar = parent.Child(TOOLBARCLASSNAMEW, L"", CCS_NORESIZE | CCS_NODIVIDER | TBSTYLE_LIST, 0, 0, 400, 30);
    SendMessageW(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    TBBUTTON buttons[3] = {};
    const wchar_t* texts[3] = {L"One", L"Two", L"Three"};
    for (int i = 0; i < 3; ++i) {
        buttons[i].iBitmap = I_IMAGENONE;
        buttons[i].idCommand = 100 + i;
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE;
        buttons[i].iString = reinterpret_cast<INT_PTR>(texts[i]);
    }
    SendMessageW(bar, TB_ADDBUTTONSW, 3, reinterpret_cast<LPARAM>(buttons));
    SendMessageW(bar, TB_ENABLEBUTTON, 102, FALSE);
    WNDPROC original = ProcOf(bar);
    {
        auto adapter = CreateAdapter<TacToolBarWnd>(bar, nullptr, nullptr, "BAR", true);
        Repaint();
        TRect one, two, three;
        SendMessageW(bar, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&one));
        SendMessageW(bar, TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&two));
        SendMessageW(bar, TB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&three));
        auto pic = ScreenPicture(bar);
        EXPECT_EQ(PixelOf(pic.get(), one.left + 1, one.top + 1), FlatBorder("TOOLBUTTON", 0));
        EXPECT_EQ(PixelOf(pic.get(), 395, 15), FlatColor("BAR"));
        // The disabled button keeps 40 percent of itself over the bar.
        EXPECT_TRUE(Near(PixelOf(pic.get(), three.left + 1, three.top + 1),
                         Mix(FlatBorder("TOOLBUTTON", 0), FlatBorder("BAR", 0), 0.4)) ||
                    Near(PixelOf(pic.get(), three.left + 1, three.top + 1),
                         Mix(FlatBorder("TOOLBUTTON", 0), FlatColor("BAR"), 0.4)))
            << std::hex << PixelOf(pic.get(), three.left + 1, three.top + 1);

        RECT w{};
        GetWindowRect(bar, &w);
        MoveMouseTo(w.left + (two.left + two.right) / 2, w.top + (two.top + two.bottom) / 2);
        ASSERT_TRUE(PumpMessagesUntil([&] {
            auto p = ScreenPicture(bar);
            return PixelOf(p.get(), two.left + 1, two.top + 1) == FlatBorder("TOOLBUTTON", 1);
        }));
        MouseButton(true);
        ASSERT_TRUE(PumpMessagesUntil([&] {
            auto p = ScreenPicture(bar);
            return PixelOf(p.get(), two.left + 1, two.top + 1) == FlatBorder("TOOLBUTTON", 2);
        }));
        MouseButton(false);
        MoveMouseTo(5, 300);
        PumpMessagesFor(50);
    }
    EXPECT_EQ(ProcOf(bar), original);
}

TEST_F(BarAdapters, AClassLibraryToolbarTracksItsHotButton) {
    auto* form = new TfrmSkinTest(nullptr);
    form->SetBounds(60, 380, 360, 120);
    auto* bar = new TToolBar(form);
    bar->SetParent(form);
    bar->SetShowCaptions(true);
    bar->SetButtonWidth(60);
    auto* menu = new TPopupMenu(form);
    auto* item = new TMenuItem(form);
    item->SetCaption("Entry");
    menu->Items()->Add(item);
    auto* drop = new TToolButton(form);
    drop->SetParent(bar);
    drop->SetStyle(tbsDropDown);
    drop->SetDropdownMenu(menu);
    drop->SetCaption("Drop");
    auto* sep = new TToolButton(form);
    sep->SetParent(bar);
    sep->SetStyle(tbsSeparator);
    auto* plain = new TToolButton(form);
    plain->SetParent(bar);
    plain->SetCaption("Plain");
    form->Show();
    PumpMessagesFor(50);
    TsCommonData data(bar, true);
    {
        auto adapter = CreateAdapter<TacToolBarVCLWnd>(bar->Handle(), &data, nullptr, "TOOLBAR", true);
        EXPECT_EQ(adapter->ToolBar, bar);
        EXPECT_TRUE(static_cast<bool>(bar->OnAdvancedCustomDraw));
        RedrawWindow(bar->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        PumpMessagesFor(50);
        HWND h = bar->Handle();
        TRect r0, r1, r2;
        SendMessageW(h, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r0));
        SendMessageW(h, TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r1));
        SendMessageW(h, TB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r2));
        auto pic = ScreenPicture(h);
        EXPECT_EQ(PixelOf(pic.get(), r2.left + 1, r2.top + 1), FlatBorder("TOOLBUTTON", 0));
        EXPECT_EQ(PixelOf(pic.get(), r2.left + 6, r2.top + 4), FlatColor("TOOLBUTTON", 0));
        EXPECT_EQ(adapter->ButtonAt(TPoint((r1.left + r1.right) / 2, (r1.top + r1.bottom) / 2)), -1);

        RECT w{};
        GetWindowRect(h, &w);
        MoveMouseTo(w.left + (r2.left + r2.right) / 2, w.top + (r2.top + r2.bottom) / 2);
        ASSERT_TRUE(PumpMessagesUntil([&] { return adapter->HotButton == 2; }));
        PumpMessagesFor(30);
        pic = ScreenPicture(h);
        EXPECT_EQ(PixelOf(pic.get(), r2.left + 1, r2.top + 1), FlatBorder("TOOLBUTTON", 1));
        // Over the separator the hot button stays.
        MoveMouseTo(w.left + (r1.left + r1.right) / 2, w.top + (r1.top + r1.bottom) / 2);
        PumpMessagesFor(50);
        EXPECT_NE(adapter->HotButton, 1);
        MoveMouseTo(w.left + 340, w.top + 100);
        ASSERT_TRUE(PumpMessagesUntil([&] { return adapter->HotButton == -1; }));
        PumpMessagesFor(30);
        pic = ScreenPicture(h);
        EXPECT_EQ(PixelOf(pic.get(), r2.left + 1, r2.top + 1), FlatBorder("TOOLBUTTON", 0));

        MoveMouseTo(5, 5);
        PumpMessagesFor(30);
    }
    EXPECT_FALSE(GetPropA(bar->Handle(), acAdapterProp));
    form->Free();
}

namespace {

// What a timer saw while a toolbar's drop-down menu was open (the menu's own loop runs the timer), and how it
// closed the menu: by the Escape key, or by a click on the menu's first item.
struct DropDownProbe {
    TacToolBarVCLWnd* Adapter = nullptr;
    POINT ArrowPixel{};  // a pixel of the drop-down part's frame, in the toolbar's window
    bool CloseByClick = false;
    bool SawMenu = false;
    TToolButton* Dropped = nullptr;
    TColor ArrowColor = 0;
    int Ticks = 0;
};
DropDownProbe gDropDown;

void CALLBACK ProbeDropDownMenu(HWND, UINT, UINT_PTR, DWORD) {
    try {
        DropDownProbe& p = gDropDown;
        if (p.SawMenu)
            return;
        HWND menu = FindWindowW(L"#32768", nullptr);
        if (!menu || !IsWindowVisible(menu)) {
            // Never seen: the menu loop is ended, so that the test fails instead of hanging.
            if (++p.Ticks > 150)
                EndMenu();
            return;
        }
        p.SawMenu = true;
        p.Dropped = p.Adapter->DroppedButton;
        p.ArrowColor = PixelOf(PrintWindowPicture(p.Adapter->CtrlHandle).get(), p.ArrowPixel.x, p.ArrowPixel.y);
        if (p.CloseByClick) {
            RECT r{};
            GetWindowRect(menu, &r);
            ClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        } else {
            PressKey(VK_ESCAPE);
        }
    } catch (...) {
        EndMenu();
    }
}

}  // namespace

// The drop-down button of a class-library toolbar opens its menu by a real click on its arrow part: while the menu
// is open the arrow part shows pressed; the menu closes by Escape or by choosing its item, and the part is
// released again.
TEST_F(BarAdapters, AClassLibraryToolbarsDropDownMenuOpensAndClosesWhileSkinned) {
    auto* form = new TfrmSkinTest(nullptr);
    form->SetBounds(60, 380, 360, 120);
    auto* bar = new TToolBar(form);
    bar->SetParent(form);
    bar->SetShowCaptions(true);
    bar->SetButtonWidth(70);
    auto* menu = new TPopupMenu(form);
    auto* item = new TMenuItem(form);
    item->SetCaption("Entry");
    int clicks = 0;
    item->OnClick = [&](TObject*) { ++clicks; };
    menu->Items()->Add(item);
    auto* drop = new TToolButton(form);
    drop->SetParent(bar);
    drop->SetStyle(tbsDropDown);
    drop->SetDropdownMenu(menu);
    drop->SetCaption("Drop");
    form->Show();
    SetForegroundWindow(form->Handle());
    PumpMessagesFor(50);
    TsCommonData data(bar, true);
    {
        auto adapter = CreateAdapter<TacToolBarVCLWnd>(bar->Handle(), &data, nullptr, "TOOLBAR", true);
        HWND h = bar->Handle();
        RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        PumpMessagesFor(50);
        RECT r{};
        SendMessageW(h, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
        int part = GetSystemMetrics(SM_CXVSCROLL) - 2;
        POINT arrow{r.right - part / 2, (r.top + r.bottom) / 2}, frame{r.right - part + 1, r.top + 1};
        ClientToScreen(h, &arrow);
        RECT wr{};
        GetWindowRect(h, &wr);
        POINT origin{0, 0};
        ClientToScreen(h, &origin);
        frame.x += origin.x - wr.left;
        frame.y += origin.y - wr.top;
        auto arrowColor = [&] { return PixelOf(PrintWindowPicture(h).get(), frame.x, frame.y); };
        EXPECT_EQ(arrowColor(), FlatBorder("TOOLBUTTON", 0));

        for (bool byClick : {false, true}) {
            gDropDown = DropDownProbe();
            gDropDown.Adapter = adapter.get();
            gDropDown.ArrowPixel = frame;
            gDropDown.CloseByClick = byClick;
            UINT_PTR timer = SetTimer(nullptr, 0, 20, ProbeDropDownMenu);
            ClickAt(arrow.x, arrow.y);
            ASSERT_TRUE(PumpMessagesUntil([&] { return gDropDown.SawMenu && !adapter->DroppedButton; }, 5000))
                << (byClick ? "by click" : "by Escape");
            KillTimer(nullptr, timer);
            EXPECT_EQ(gDropDown.Dropped, drop);
            EXPECT_EQ(gDropDown.ArrowColor, FlatBorder("TOOLBUTTON", 2));
            EXPECT_EQ(clicks, byClick ? 1 : 0);
            HWND open = FindWindowW(L"#32768", nullptr);
            EXPECT_TRUE(!open || !IsWindowVisible(open));
            MoveMouseTo(5, 5);
            PumpMessagesUntil([&] { return adapter->HotButton == -1; });
            PumpMessagesFor(50);
            EXPECT_EQ(arrowColor(), FlatBorder("TOOLBUTTON", 0));
        }
    }
    EXPECT_FALSE(GetPropA(bar->Handle(), acAdapterProp));
    form->Free();
}

TEST_F(BarAdapters, PanelsTakeTheirSectionFromTheirBevelsAndPaintTheirClient) {
    EXPECT_EQ(TacPanelWnd::SectionOfBevels(bvLowered, bvRaised, false), "GROUPBOX");
    EXPECT_EQ(TacPanelWnd::SectionOfBevels(bvRaised, bvLowered, false), "GROUPBOX");
    EXPECT_EQ(TacPanelWnd::SectionOfBevels(bvNone, bvNone, false), "CHECKBOX");
    EXPECT_EQ(TacPanelWnd::SectionOfBevels(bvNone, bvNone, true), "PANEL_LOW");
    auto* form = new TfrmSkinTest(nullptr);
    form->SetBounds(480, 40, 240, 160);
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(10, 10, 200, 100);
    panel->SetBevelOuter(bvLowered);
    form->Show();
    PumpMessagesFor(30);
    TsCommonData data(panel, true);
    {
        auto adapter = CreateAdapter<TacPanelWnd>(panel->Handle(), &data, nullptr, "PANEL", true);
        EXPECT_EQ(data.SkinSection(), "PANEL_LOW");
        RedrawWindow(panel->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        PumpMessagesFor(50);
        auto pic = ScreenPicture(panel->Handle());
        EXPECT_EQ(PixelOf(pic.get(), 100, 50), FlatColor("PANEL_LOW"));
        EXPECT_EQ(PixelOf(pic.get(), 1, 1), FlatBorder("PANEL_LOW"));
    }
    form->Free();
}

namespace {

constexpr TColor kOwnContent = 0x0000FF;  // what the dialog panels below paint themselves: pure red
constexpr TColor kChildColour = 0xFF0000;  // a child window of the transparent panel: pure blue

// A panel window of a dialog that paints its whole client itself, also into a device context it is given.
LRESULT CALLBACK OwnContentProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    if (Msg == WM_ERASEBKGND)
        return 1;
    if (Msg == WM_PAINT) {
        PAINTSTRUCT ps{};
        HDC dc = WParam ? reinterpret_cast<HDC>(WParam) : BeginPaint(Wnd, &ps);
        RECT r{};
        GetClientRect(Wnd, &r);
        HBRUSH red = CreateSolidBrush(kOwnContent);
        FillRect(dc, &r, red);
        DeleteObject(red);
        if (!WParam)
            EndPaint(Wnd, &ps);
        return 0;
    }
    return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

// Classes of their own: the panel that paints itself, a panel erased red by its class brush, a blue child.
void RegisterPanelClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    WNDCLASSW wc{};
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpfnWndProc = OwnContentProc;
    wc.lpszClassName = L"BrimletTestOwnContentPanel";
    RegisterClassW(&wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hbrBackground = CreateSolidBrush(kOwnContent);
    wc.lpszClassName = L"BrimletTestRedPanel";
    RegisterClassW(&wc);
    wc.hbrBackground = CreateSolidBrush(kChildColour);
    wc.lpszClassName = L"BrimletTestBlueChild";
    RegisterClassW(&wc);
}

}  // namespace

// A panel window of a dialog keeps painting its own content, inside a frame of 6 pixels painted from the skin
// (a bare window takes the group box's section); without the adapter it paints all of itself again.
TEST_F(BarAdapters, ADialogPanelPaintsItsContentInsideASkinnedFrame) {
    RegisterPanelClasses();
    HWND panel = CreateWindowExW(0, L"BrimletTestOwnContentPanel", L"", WS_CHILD | WS_VISIBLE, 20, 20, 160, 100,
                                 parent.Wnd, nullptr, GetModuleHandleW(nullptr), nullptr);
    WNDPROC own = ProcOf(panel);
    {
        auto adapter = CreateAdapter<TacDlgPanelWnd>(panel, nullptr, nullptr, "PANEL", true);
        EXPECT_EQ(adapter->Panel, nullptr);
        EXPECT_EQ(adapter->SkinData->SkinSection(), "GROUPBOX");
        RedrawWindow(panel, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        PumpMessagesFor(50);
        auto pic = ScreenPicture(panel);
        EXPECT_EQ(PixelOf(pic.get(), 1, 1), FlatBorder("GROUPBOX"));
        EXPECT_EQ(PixelOf(pic.get(), 158, 98), FlatBorder("GROUPBOX"));
        // Inside the mask's ring the half transparent section over the parent, up to the content.
        EXPECT_TRUE(Near(PixelOf(pic.get(), 4, 50), Mix(FlatColor("GROUPBOX"), ParentColor(), 0.5)));
        EXPECT_TRUE(Near(PixelOf(pic.get(), 5, 50), Mix(FlatColor("GROUPBOX"), ParentColor(), 0.5)));
        EXPECT_EQ(PixelOf(pic.get(), 6, 50), kOwnContent);
        EXPECT_EQ(PixelOf(pic.get(), 153, 93), kOwnContent);
        EXPECT_EQ(CountOf(pic.get(), kOwnContent), (160 - 12) * (100 - 12));
    }
    EXPECT_EQ(ProcOf(panel), own);
    EXPECT_EQ(GetPropA(panel, acAdapterProp), nullptr);
    RedrawWindow(panel, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    PumpMessagesFor(50);
    EXPECT_EQ(CountOf(ScreenPicture(panel).get(), kOwnContent), 160 * 100);
    DestroyWindow(panel);
}

// A transparent panel of a dialog shows its section over the parent's background in place of its own erasing,
// leaving its child windows alone; without the adapter it is erased by its class again.
TEST_F(BarAdapters, ATransparentDialogPanelShowsItsSectionAroundItsChildren) {
    RegisterPanelClasses();
    HWND panel = CreateWindowExW(0, L"BrimletTestRedPanel", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 200, 20,
                                 160, 100, parent.Wnd, nullptr, GetModuleHandleW(nullptr), nullptr);
    CreateWindowExW(0, L"BrimletTestBlueChild", L"", WS_CHILD | WS_VISIBLE, 40, 30, 50, 40, panel, nullptr,
                    GetModuleHandleW(nullptr), nullptr);
    WNDPROC own = ProcOf(panel);
    {
        auto adapter = CreateAdapter<TacTransPanelWnd>(panel, nullptr, nullptr, "CHECKBOX", true);
        RedrawWindow(panel, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpMessagesFor(50);
        auto pic = ScreenPicture(panel);
        EXPECT_EQ(CountOf(pic.get(), kOwnContent), 0);
        EXPECT_EQ(PixelOf(pic.get(), 1, 1), FlatBorder("CHECKBOX"));
        EXPECT_EQ(PixelOf(pic.get(), 20, 80), FlatColor("CHECKBOX"));
        EXPECT_EQ(CountOf(pic.get(), kChildColour), 50 * 40);
        EXPECT_EQ(PixelOf(pic.get(), 60, 50), kChildColour);
    }
    EXPECT_EQ(ProcOf(panel), own);
    RedrawWindow(panel, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessagesFor(50);
    auto pic = ScreenPicture(panel);
    EXPECT_EQ(CountOf(pic.get(), kOwnContent), 160 * 100 - 50 * 40);
    EXPECT_EQ(CountOf(pic.get(), kChildColour), 50 * 40);
    DestroyWindow(panel);
}

namespace {

// An image list of one 16 x 16 image of one colour.
TImageList* SolidImages(TComponent* Owner, TColor Colour) {
    auto* list = new TImageList(Owner, 16, 16);
    TBitmap bmp;
    bmp.SetPixelFormat(pf24bit);
    bmp.SetSize(16, 16);
    FillDC(bmp.Canvas()->Handle(), TRect(0, 0, 16, 16), Colour);
    list->AddMasked(&bmp, clFuchsia);
    return list;
}

}  // namespace

// A toolbar in list style: the caption stands right of the image, and a hot button shows its image from the hot
// images.
TEST_F(BarAdapters, AClassLibraryToolbarShowsItsHotImagesAndListCaptions) {
    const TColor normalImage = 0x00FF00, hotImage = 0xFFFF00;
    auto* form = new TfrmSkinTest(nullptr);
    form->SetBounds(60, 380, 360, 120);
    auto* bar = new TToolBar(form);
    bar->SetParent(form);
    bar->SetImages(SolidImages(form, normalImage));
    bar->SetHotImages(SolidImages(form, hotImage));
    bar->SetList(true);
    bar->SetShowCaptions(true);
    bar->SetButtonWidth(90);
    auto* button = new TToolButton(form);
    button->SetParent(bar);
    button->SetImageIndex(0);
    button->SetCaption("Listed");
    form->Show();
    PumpMessagesFor(50);
    TsCommonData data(bar, true);
    {
        auto adapter = CreateAdapter<TacToolBarVCLWnd>(bar->Handle(), &data, nullptr, "TOOLBAR", true);
        HWND h = bar->Handle();
        RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        PumpMessagesFor(50);
        TRect r;
        SendMessageW(h, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
        POINT origin{0, 0};
        ClientToScreen(h, &origin);
        RECT wr{};
        GetWindowRect(h, &wr);
        OffsetRect(&r, origin.x - wr.left, origin.y - wr.top);
        auto buttonPicture = [&] {
            auto pic = PrintWindowPicture(h);
            auto cell = CreateBmp24(r.Width(), r.Height());
            BitBlt(cell->Canvas()->Handle(), 0, 0, r.Width(), r.Height(), pic->Canvas()->Handle(), r.left, r.top,
                   SRCCOPY);
            GdiFlush();
            return cell;
        };
        auto normal = buttonPicture();
        EXPECT_EQ(CountOf(normal.get(), normalImage), 16 * 16);
        EXPECT_EQ(CountOf(normal.get(), hotImage), 0);
        // The caption's ink (the section's black font colour) starts right of the image and its gap.
        int inkLeft = r.Width();
        for (int y = 0; y < r.Height(); ++y)
            for (int x = 0; x < r.Width(); ++x)
                if (PixelOf(normal.get(), x, y) == Flat(FlatSection("TOOLBUTTON").FontColor))
                    inkLeft = std::min(inkLeft, x);
        EXPECT_GE(inkLeft, 16 + 6);
        EXPECT_LT(inkLeft, r.Width() - 10);

        MoveMouseTo(wr.left + (r.left + r.right) / 2, wr.top + (r.top + r.bottom) / 2);
        ASSERT_TRUE(PumpMessagesUntil([&] { return adapter->HotButton == 0; }));
        auto hot = buttonPicture();
        EXPECT_EQ(PixelOf(hot.get(), 1, 1), FlatBorder("TOOLBUTTON", 1));
        EXPECT_EQ(CountOf(hot.get(), hotImage), 16 * 16);
        EXPECT_EQ(CountOf(hot.get(), normalImage), 0);
        // Off the bar from the button onto its form: the leave that the bar hears of ends the hot button.
        MoveMouseTo(wr.left + 340, wr.top + 80);
        ASSERT_TRUE(PumpMessagesUntil([&] { return adapter->HotButton == -1; }));
        EXPECT_EQ(CountOf(buttonPicture().get(), normalImage), 16 * 16);
        MoveMouseTo(5, 5);
        PumpMessagesFor(30);
    }
    form->Free();
}

// Tabs with images show them beside their text; a tab without one shows none.
TEST_F(BarAdapters, TabsShowTheirImages) {
    const TColor imageColour = 0x00FF00;
    HWND tabs = Tabs(0, 2, 300, 120);
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR24, 1, 1);
    {
        auto bmp = CreateBmp24(16, 16);
        FillDC(bmp->Canvas()->Handle(), TRect(0, 0, 16, 16), imageColour);
        GdiFlush();
        HBITMAP handle = bmp->ReleaseHandle();
        ImageList_Add(images, handle, nullptr);
        DeleteObject(handle);
    }
    SendMessageW(tabs, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    TCITEMW item{};
    item.mask = TCIF_IMAGE;
    item.iImage = 0;
    SendMessageW(tabs, TCM_SETITEMW, 1, reinterpret_cast<LPARAM>(&item));
    {
        auto adapter = CreateAdapter<TacTabControlWnd>(tabs, nullptr, nullptr, "PAGECONTROL", true);
        Repaint();
        auto pic = ScreenPicture(tabs);
        auto inside = [&](int Index) {
            TRect t = ItemRect(tabs, Index);
            int n = 0;
            for (int y = t.top; y < t.bottom; ++y)
                for (int x = t.left; x < t.right; ++x)
                    n += PixelOf(pic.get(), x, y) == imageColour;
            return n;
        };
        EXPECT_EQ(inside(0), 0);
        EXPECT_EQ(inside(1), 16 * 16);
    }
    DestroyWindow(tabs);
    ImageList_Destroy(images);
}

// The test window as a user sees it; with BRIMLET_CONTAINERS_SHOT set, its picture is saved there.
TEST_F(BarAdapters, TheTestWindowAsAUserSeesIt) {
    std::vector<TacAdapterPtr<TacMainWnd>> adapters;
    const std::pair<const wchar_t*, DWORD> checks[] = {{L"Check box", BS_AUTOCHECKBOX},
                                                       {L"Three states", BS_AUTO3STATE},
                                                       {L"Radio", BS_AUTORADIOBUTTON}};
    int y = 20;
    HWND group = parent.Child(L"BUTTON", L"Options", BS_GROUPBOX, 10, 5, 150, 120);
    adapters.push_back(CreateAdapter<TacGroupBoxWnd>(group, nullptr, nullptr, "GROUPBOX", true));
    for (auto [text, style] : checks) {
        HWND box = parent.Child(L"BUTTON", text, style, 20, y + 5, 130, 22);
        adapters.push_back(CreateAdapter<TacCheckBoxWnd>(box, nullptr, nullptr, "CHECKBOX", true));
        SendMessageW(box, BM_SETCHECK, style == BS_AUTO3STATE ? BST_INDETERMINATE : BST_CHECKED, 0);
        y += 30;
    }
    HWND spin = parent.Child(UPDOWN_CLASSW, L"", 0, 170, 20, 20, 40);
    adapters.push_back(CreateAdapter<TacSpinWnd>(spin, nullptr, nullptr, "SPEEDBUTTON_SMALL", true));
    HWND grip = parent.Child(L"SCROLLBAR", L"", SBS_SIZEGRIP, 400, 300, 20, 20);
    adapters.push_back(CreateAdapter<TacSizerWnd>(grip, nullptr, nullptr, "CHECKBOX", true));
    HWND tabs = Tabs(0, 3, 220, 120);
    SetWindowPos(tabs, nullptr, 200, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    adapters.push_back(CreateAdapter<TacTabControlWnd>(tabs, nullptr, nullptr, "PAGECONTROL", true));
    HWND bottom = Tabs(TCS_BOTTOM, 3, 220, 120);
    SetWindowPos(bottom, nullptr, 200, 140, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    adapters.push_back(CreateAdapter<TacTabControlWnd>(bottom, nullptr, nullptr, "PAGECONTROL", true));
    Repaint();
    auto screen = ScreenPicture(parent.Wnd);
    EXPECT_GT(CountOf(screen.get(), FlatGlyphColor("GLOBALINFO", "BOXCHECKED")), 50);
    EXPECT_GT(CountOf(screen.get(), FlatGlyphColor("GLOBALINFO", "BOXGRAYED")), 50);
    EXPECT_GT(CountOf(screen.get(), FlatGlyphColor("GLOBALINFO", "RADIOCHECKED")), 50);
    EXPECT_GT(CountOf(screen.get(), FlatColor("PAGECONTROLBOTTOM")), 1000);
    if (const char* file = std::getenv("BRIMLET_CONTAINERS_SHOT"))
        screen->SaveToFile(file);
}
