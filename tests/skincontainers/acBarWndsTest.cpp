#include "skin/adapters/acCheckBoxWnds.h"
#include "skin/adapters/acPanelWnds.h"
#include "skin/adapters/acTabWnds.h"
#include "skin/adapters/acToolBarWnds.h"

#include "ContainerTests.h"
#include "tests/skin/SkinTestControls.h"

#include "classlib/visual/ComCtrls.h"
#include "classlib/visual/ExtCtrls.h"
#include "classlib/runtime/Finally.h"
#include "classlib/visual/Forms.h"
#include "classlib/visual/StdCtrls.h"
#include "classlib/visual/ImgList.h"
#include "classlib/visual/Menus.h"
#include "skin/engine/sSkinData.h"
#include "skin/engine/sVclUtils.h"

#include <algorithm>
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
    // A toolbar with captions on a new form below the parent (not shown yet), with one button "One".
    static TToolBar* CaptionBar(int ButtonWidth) {
        auto* form = new TfrmSkinTest(nullptr);
        form->SetBounds(60, 380, 360, 120);
        auto* bar = new TToolBar(form);
        bar->SetParent(form);
        bar->SetShowCaptions(true);
        bar->SetButtonWidth(ButtonWidth);
        auto* button = new TToolButton(form);
        button->SetParent(bar);
        button->SetCaption("One");
        return bar;
    }
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
        auto pic = ScreenCopyOf(tabs);
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
    auto pic = ScreenCopyOf(tabs);
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
        auto pic = ScreenCopyOf(page);
        EXPECT_EQ(PixelOf(pic.get(), 100, 50), FlatColor("PAGECONTROL"));

        TRect third = ItemRect(tabs, 2);
        RECT w{};
        GetWindowRect(tabs, &w);
        ClickAt(w.left + (third.left + third.right) / 2, w.top + (third.top + third.bottom) / 2);
        ASSERT_TRUE(PumpMessagesUntil([&] { return SendMessageW(tabs, TCM_GETCURSEL, 0, 0) == 2; }));
        PumpMessagesFor(50);
        auto after = ScreenCopyOf(tabs);
        EXPECT_EQ(At(after.get(), ItemRect(tabs, 2)), FlatColor("TABTOP", 2));
        EXPECT_EQ(At(after.get(), ItemRect(tabs, 0)), FlatColor("TABTOP", 0));
        SetFocus(tabs);
        PressKey(VK_LEFT);
        ASSERT_TRUE(PumpMessagesUntil([&] { return SendMessageW(tabs, TCM_GETCURSEL, 0, 0) == 1; }));
        PumpMessagesFor(50);
        auto keyed = ScreenCopyOf(tabs);
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
        ParkPointer();
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
        auto pic = ScreenCopyOf(bar);
        EXPECT_EQ(PixelOf(pic.get(), one.left + 1, one.top + 1), FlatBorder("TOOLBUTTON", 0));
        EXPECT_EQ(PixelOf(pic.get(), 395, 15), FlatColor("BAR"));
        // The disabled button keeps 40 percent of itself over the bar's own picture at its place.
        TColor bar0 = PixelOf(adapter->SkinData->CacheBmp(), three.left + 1, three.top + 1);
        EXPECT_TRUE(bar0 == FlatBorder("BAR", 0) || bar0 == FlatColor("BAR")) << std::hex << bar0;
        EXPECT_TRUE(Near(PixelOf(pic.get(), three.left + 1, three.top + 1), Mix(FlatBorder("TOOLBUTTON", 0), bar0, 0.4)))
            << std::hex << PixelOf(pic.get(), three.left + 1, three.top + 1);

        RECT w{};
        GetWindowRect(bar, &w);
        MoveMouseTo(w.left + (two.left + two.right) / 2, w.top + (two.top + two.bottom) / 2);
        ASSERT_TRUE(PumpMessagesUntil([&] {
            auto p = ScreenCopyOf(bar);
            return PixelOf(p.get(), two.left + 1, two.top + 1) == FlatBorder("TOOLBUTTON", 1);
        }));
        MouseButton(true);
        ASSERT_TRUE(PumpMessagesUntil([&] {
            auto p = ScreenCopyOf(bar);
            return PixelOf(p.get(), two.left + 1, two.top + 1) == FlatBorder("TOOLBUTTON", 2);
        }));
        MouseButton(false);
        // Released, the button under the mouse is hot again; off the bar onto the dialog it is hot no more.
        ASSERT_TRUE(PumpMessagesUntil([&] {
            auto p = ScreenCopyOf(bar);
            return PixelOf(p.get(), two.left + 1, two.top + 1) == FlatBorder("TOOLBUTTON", 1);
        }));
        PumpMessagesFor(50);
        MoveMouseTo(w.left + 200, w.top + 150);
        ASSERT_TRUE(PumpMessagesUntil([&] {
            auto p = ScreenCopyOf(bar);
            return PixelOf(p.get(), two.left + 1, two.top + 1) == FlatBorder("TOOLBUTTON", 0);
        }));
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
        auto pic = ScreenCopyOf(h);
        EXPECT_EQ(PixelOf(pic.get(), r2.left + 1, r2.top + 1), FlatBorder("TOOLBUTTON", 0));
        EXPECT_EQ(PixelOf(pic.get(), r2.left + 6, r2.top + 4), FlatColor("TOOLBUTTON", 0));
        EXPECT_EQ(adapter->ButtonAt(TPoint((r1.left + r1.right) / 2, (r1.top + r1.bottom) / 2)), -1);

        RECT w{};
        GetWindowRect(h, &w);
        MoveMouseTo(w.left + (r2.left + r2.right) / 2, w.top + (r2.top + r2.bottom) / 2);
        ASSERT_TRUE(PumpMessagesUntil([&] { return adapter->HotButton == 2; }));
        PumpMessagesFor(30);
        pic = ScreenCopyOf(h);
        EXPECT_EQ(PixelOf(pic.get(), r2.left + 1, r2.top + 1), FlatBorder("TOOLBUTTON", 1));
        // Over the separator no button is hot: the separator never becomes one, and the button left is normal.
        MoveMouseTo(w.left + (r1.left + r1.right) / 2, w.top + (r1.top + r1.bottom) / 2);
        ASSERT_TRUE(PumpMessagesUntil([&] { return adapter->HotButton != 2; }));
        PumpMessagesFor(30);
        EXPECT_EQ(adapter->HotButton, -1);
        pic = ScreenCopyOf(h);
        EXPECT_EQ(PixelOf(pic.get(), r2.left + 1, r2.top + 1), FlatBorder("TOOLBUTTON", 0));
        MoveMouseTo(w.left + 340, w.top + 100);
        ASSERT_TRUE(PumpMessagesUntil([&] { return adapter->HotButton == -1; }));
        PumpMessagesFor(30);
        pic = ScreenCopyOf(h);
        EXPECT_EQ(PixelOf(pic.get(), r2.left + 1, r2.top + 1), FlatBorder("TOOLBUTTON", 0));

        ParkPointer();
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
    // When set, this manager's skin is removed while the menu is open, before it is closed.
    TsSkinManager* RemoveSkin = nullptr;
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
        if (p.RemoveSkin)
            p.RemoveSkin->SetActive(false);
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

// A shown form (of Owner) with a toolbar whose only button is a drop-down button with a menu of one item.
struct DropDownForm {
    TfrmSkinTest* Form = nullptr;
    TToolBar* Bar = nullptr;
    TToolButton* Drop = nullptr;
    TMenuItem* Item = nullptr;
};
DropDownForm MakeDropDownForm(TComponent* Owner) {
    DropDownForm f;
    f.Form = new TfrmSkinTest(Owner);
    f.Form->SetBounds(60, 380, 360, 120);
    f.Bar = new TToolBar(f.Form);
    f.Bar->SetParent(f.Form);
    f.Bar->SetShowCaptions(true);
    f.Bar->SetButtonWidth(70);
    auto* menu = new TPopupMenu(f.Form);
    f.Item = new TMenuItem(f.Form);
    f.Item->SetCaption("Entry");
    menu->Items()->Add(f.Item);
    f.Drop = new TToolButton(f.Form);
    f.Drop->SetParent(f.Bar);
    f.Drop->SetStyle(tbsDropDown);
    f.Drop->SetDropdownMenu(menu);
    f.Drop->SetCaption("Drop");
    f.Form->Show();
    SetForegroundWindow(f.Form->Handle());
    PumpMessagesFor(50);
    return f;
}

// The first button's drop-down part (a click there opens its menu), in screen coordinates.
POINT DropDownArrow(HWND Bar) {
    RECT r{};
    SendMessageW(Bar, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
    int part = GetSystemMetrics(SM_CXVSCROLL) - 2;
    POINT arrow{r.right - part / 2, (r.top + r.bottom) / 2};
    ClientToScreen(Bar, &arrow);
    return arrow;
}

}  // namespace

// The drop-down button of a class-library toolbar opens its menu by a real click on its arrow part: while the menu
// is open the arrow part shows pressed; the menu closes by Escape or by choosing its item, and the part is
// released again.
TEST_F(BarAdapters, AClassLibraryToolbarsDropDownMenuOpensAndClosesWhileSkinned) {
    DropDownForm f = MakeDropDownForm(nullptr);
    TfrmSkinTest* form = f.Form;
    TToolBar* bar = f.Bar;
    TToolButton* drop = f.Drop;
    int clicks = 0;
    f.Item->OnClick = [&](TObject*) { ++clicks; };
    TsCommonData data(bar, true);
    {
        auto adapter = CreateAdapter<TacToolBarVCLWnd>(bar->Handle(), &data, nullptr, "TOOLBAR", true);
        HWND h = bar->Handle();
        RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        PumpMessagesFor(50);
        RECT r{};
        SendMessageW(h, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
        int part = GetSystemMetrics(SM_CXVSCROLL) - 2;
        POINT arrow = DropDownArrow(h), frame{r.right - part + 1, r.top + 1};
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
            ParkPointer();
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
        auto pic = ScreenCopyOf(panel->Handle());
        EXPECT_EQ(PixelOf(pic.get(), 100, 50), FlatColor("PANEL_LOW"));
        EXPECT_EQ(PixelOf(pic.get(), 1, 1), FlatBorder("PANEL_LOW"));
    }
    form->Free();
}

// A panel with a border gets its border strips from the skin; a panel that holds no controls is left to the base
// adapter and paints itself.
TEST_F(BarAdapters, APanelsBorderComesFromTheSkinAndAPanelHoldingNoControlsPaintsItself) {
    auto* form = new TfrmSkinTest(nullptr);
    form->SetBounds(480, 40, 300, 160);
    auto* framed = new TPanel(form);
    framed->SetParent(form);
    framed->SetBounds(10, 10, 120, 100);
    framed->SetBevelOuter(bvNone);
    framed->SetBorderStyle(bsSingle);
    auto* plain = new TPanel(form);
    plain->SetParent(form);
    plain->SetBounds(150, 10, 120, 100);
    plain->SetBevelOuter(bvNone);
    TControlStyle style = plain->ControlStyle();
    style.Exclude(csAcceptsControls);
    plain->SetControlStyle(style);
    form->Show();
    PumpMessagesFor(30);
    TsCommonData framedData(framed, true), plainData(plain, true);
    {
        auto framedAdapter = CreateAdapter<TacPanelWnd>(framed->Handle(), &framedData, nullptr, "PANEL", true);
        auto plainAdapter = CreateAdapter<TacPanelWnd>(plain->Handle(), &plainData, nullptr, "PANEL", true);
        EXPECT_EQ(framedData.SkinSection(), "PANEL_LOW");
        for (TPanel* p : {framed, plain})
            RedrawWindow(p->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        PumpMessagesFor(50);
        auto pic = ScreenCopyOf(framed->Handle());
        ASSERT_GT(framed->Width() - framed->ClientWidth(), 0);
        // The non-client border and the client go on in one picture.
        EXPECT_EQ(PixelOf(pic.get(), 0, 0), FlatBorder("PANEL_LOW"));
        EXPECT_EQ(PixelOf(pic.get(), 1, 50), FlatBorder("PANEL_LOW"));
        EXPECT_EQ(PixelOf(pic.get(), 119, 99), FlatBorder("PANEL_LOW"));
        EXPECT_EQ(PixelOf(pic.get(), 60, 50), FlatColor("PANEL_LOW"));
        auto own = ScreenCopyOf(plain->Handle());
        EXPECT_EQ(CountOf(own.get(), FlatColor("CHECKBOX")), 0);
        EXPECT_EQ(PixelOf(own.get(), 60, 50), static_cast<TColor>(ColorToRGB(plain->Color())));
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
        auto pic = ScreenCopyOf(panel);
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
    EXPECT_EQ(CountOf(ScreenCopyOf(panel).get(), kOwnContent), 160 * 100);
    DestroyWindow(panel);
}

// A class-library panel in a dialog takes the skin's global colour inside a frame of the check-box section, and
// its own colour back when the adapter goes.
TEST_F(BarAdapters, AClassLibraryPanelInADialogTakesTheGlobalColourAndGivesItBack) {
    auto* form = new TfrmSkinTest(Application.Get());
    form->SetBounds(480, 40, 240, 160);
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(10, 10, 160, 100);
    const TColor own = 0x336699;
    panel->SetColor(own);
    form->Show();
    PumpMessagesFor(30);
    {
        auto adapter = CreateAdapter<TacDlgPanelWnd>(panel->Handle(), nullptr, nullptr, "PANEL", true);
        EXPECT_EQ(adapter->Panel, panel);
        EXPECT_EQ(adapter->SkinData->SkinSection(), "CHECKBOX");
        EXPECT_EQ(panel->Color(), skin.Manager.GetGlobalColor());
        RedrawWindow(panel->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        PumpMessagesFor(50);
        auto pic = ScreenCopyOf(panel->Handle());
        EXPECT_EQ(PixelOf(pic.get(), 1, 1), FlatBorder("CHECKBOX"));
        EXPECT_EQ(PixelOf(pic.get(), 80, 50), Flat(FlatGlobalColor));
    }
    EXPECT_EQ(panel->Color(), own);
    form->Free();
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
        auto pic = ScreenCopyOf(panel);
        EXPECT_EQ(CountOf(pic.get(), kOwnContent), 0);
        EXPECT_EQ(PixelOf(pic.get(), 1, 1), FlatBorder("CHECKBOX"));
        EXPECT_EQ(PixelOf(pic.get(), 20, 80), FlatColor("CHECKBOX"));
        EXPECT_EQ(CountOf(pic.get(), kChildColour), 50 * 40);
        EXPECT_EQ(PixelOf(pic.get(), 60, 50), kChildColour);
    }
    EXPECT_EQ(ProcOf(panel), own);
    RedrawWindow(panel, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessagesFor(50);
    auto pic = ScreenCopyOf(panel);
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
        ParkPointer();
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
        auto pic = ScreenCopyOf(tabs);
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
    auto screen = ScreenCopyOf(parent.Wnd);
    EXPECT_GT(CountOf(screen.get(), FlatGlyphColor("GLOBALINFO", "BOXCHECKED")), 50);
    EXPECT_GT(CountOf(screen.get(), FlatGlyphColor("GLOBALINFO", "BOXGRAYED")), 50);
    EXPECT_GT(CountOf(screen.get(), FlatGlyphColor("GLOBALINFO", "RADIOCHECKED")), 50);
    EXPECT_GT(CountOf(screen.get(), FlatColor("PAGECONTROLBOTTOM")), 1000);
    if (const char* file = std::getenv("BRIMLET_CONTAINERS_SHOT"))
        screen->SaveToFile(file);
}

// A group box of a dialog paints only its frame and caption; inside it the child dialog it stands on shows its
// own picture, as around it.
TEST_F(BarAdapters, ADialogGroupBoxInsideAChildDialogShowsThePicturesOfTheDialogWithin) {
    RegisterPanelClasses();
    // A child dialog clips no children: it paints what lies under a group box itself.
    HWND panel = CreateWindowExW(0, L"BrimletTestRedPanel", L"", WS_CHILD | WS_VISIBLE, 20, 20, 200, 150, parent.Wnd,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    HWND group = CreateWindowExW(0, L"BUTTON", L"Options", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 30, 30, 140, 90, panel,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    PumpMessagesFor(30);
    {
        auto panelAdapter = CreateAdapter<TacTransPanelWnd>(panel, nullptr, nullptr, "CHECKBOX", true);
        // The dialog hook makes the adapters of a dialog's children in dialog mode.
        acDlgMode = true;
        auto groupAdapter = CreateAdapter<TacGroupBoxWnd>(group, nullptr, nullptr, "GROUPBOX", true);
        acDlgMode = false;
        ASSERT_TRUE(groupAdapter->DlgMode);
        RedrawWindow(panel, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpMessagesFor(50);
        auto pic = ScreenCopyOf(panel);
        EXPECT_EQ(CountOf(pic.get(), kOwnContent), 0);
        EXPECT_EQ(PixelOf(pic.get(), 10, 140), FlatColor("CHECKBOX"));
        // Within the group box's frame: the dialog's section, not what the screen showed before.
        EXPECT_EQ(PixelOf(pic.get(), 30 + 70, 30 + 50), FlatColor("CHECKBOX"));
        EXPECT_EQ(PixelOf(pic.get(), 30 + 10, 30 + 80), FlatColor("CHECKBOX"));
        // The frame is the group box's own (its inner ring; the button draws its etched lines over the outer).
        EXPECT_EQ(PixelOf(pic.get(), 30 + 2, 30 + 60), FlatBorder("GROUPBOX"));
    }
    DestroyWindow(panel);
}

namespace {

// Pixels of Colour in R of a picture.
int CountIn(TBitmap* Bmp, const TRect& R, TColor Colour) {
    int n = 0;
    for (int y = std::max<int>(R.top, 0); y < std::min<int>(R.bottom, Bmp->Height()); ++y)
        for (int x = std::max<int>(R.left, 0); x < std::min<int>(R.right, Bmp->Width()); ++x)
            n += PixelOf(Bmp, x, y) == Colour ? 1 : 0;
    return n;
}

// The black pixels that Text leaves on white in the font (Escapement: tenths of a degree, as the font's).
int InkOf(const LOGFONTW& Font, const std::wstring& Text) {
    auto bmp = CreateBmp24(300, 300);
    HDC dc = bmp->Canvas()->Handle();
    FillDC(dc, TRect(0, 0, 300, 300), clWhite);
    HFONT font = CreateFontIndirectW(&Font);
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    ExtTextOutW(dc, 150, 150, 0, nullptr, Text.c_str(), static_cast<UINT>(Text.size()), nullptr);
    SelectObject(dc, old);
    DeleteObject(font);
    GdiFlush();
    return CountOf(bmp.get(), 0);
}

LOGFONTW FontOfWindow(HWND Wnd) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(Wnd, WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    GetObjectW(font ? font : GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    return lf;
}

}  // namespace

// Tab text is the control's own wide text on every side: characters outside the code page and above 0x7F keep
// their glyphs (the ink of the right characters, not of "?" or of other characters).
TEST_F(BarAdapters, TabsShowTheirTextWithEveryCharacterOnEverySide) {
    const std::wstring text = L"\u03A9\u00E9\u0416";  // Greek, Latin above 0x7F, Cyrillic
    const std::wstring lost = L"???";
    for (DWORD style : {0ul, static_cast<DWORD>(TCS_VERTICAL | TCS_MULTILINE),
                        static_cast<DWORD>(TCS_VERTICAL | TCS_RIGHT | TCS_MULTILINE)}) {
        SCOPED_TRACE(style);
        HWND tabs = parent.Child(WC_TABCONTROLW, L"", style | WS_CLIPCHILDREN, 20, 20, 300, 200);
        for (int i = 0; i < 2; ++i) {
            std::wstring t = i == 0 ? std::wstring(L"x") : text;
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = t.data();
            SendMessageW(tabs, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
        }
        {
            auto adapter = CreateAdapter<TacTabControlWnd>(tabs, nullptr, nullptr, "PAGECONTROL", true);
            Repaint();
            auto pic = ScreenCopyOf(tabs);
            // The tab of the text is not the selected one: its ink is the section's black font colour.
            TRect tab = adapter->TabRect(1, false);
            int ink = CountIn(pic.get(), tab, 0);
            LOGFONTW lf = FontOfWindow(tabs);
            if (style & TCS_VERTICAL) {
                lf.lfEscapement = lf.lfOrientation = (style & TCS_RIGHT) ? 2700 : 900;
                lf.lfWeight = FW_NORMAL;
                lstrcpyW(lf.lfFaceName, L"Arial");
            }
            EXPECT_GT(ink, 0);
            EXPECT_EQ(ink, InkOf(lf, text));
            EXPECT_NE(InkOf(lf, text), InkOf(lf, lost));
        }
        DestroyWindow(tabs);
    }
}

// A tab section without a frame paints nothing of its own under the text: the selected tab shows the control's
// picture there, never an empty (black) one.
TEST_F(BarAdapters, ASelectedTabWithoutAFrameShowsTheControlsPictureBelowIt) {
    for (auto& mask : skin.Manager.Masks)
        if (mask.ClassName == "TABTOP" && mask.PropertyName == "BORDERSMASK")
            mask.PropertyName = "UNUSEDMASK";
    HWND tabs = Tabs(0, 3);
    SendMessageW(tabs, TCM_SETCURSEL, 1, 0);
    auto adapter = CreateAdapter<TacTabControlWnd>(tabs, nullptr, nullptr, "PAGECONTROL", true);
    Repaint();
    auto pic = ScreenCopyOf(tabs);
    TRect active = adapter->TabRect(1, true);
    // Its corner shows what the control shows beside its tabs.
    TColor corner = PixelOf(pic.get(), active.left + 1, active.top + 1);
    EXPECT_NE(corner, static_cast<TColor>(0));
    EXPECT_EQ(corner, PixelOf(pic.get(), 295, 1));
}

// While the forms are held for a skin change, the tab control and the page control put nothing on the screen;
// once they are let go, they paint again.
TEST_F(BarAdapters, TabAndPageControlsPaintNothingWhileTheFormsAreLocked) {
    HWND tabs = Tabs(0, 2, 180, 120);
    HWND pages = Tabs(0, 2, 180, 120);
    SetWindowPos(pages, nullptr, 220, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    auto tabAdapter = CreateAdapter<TacTabControlWnd>(tabs, nullptr, nullptr, "PAGECONTROL", true);
    auto pageAdapter = CreateAdapter<TacPageControlWnd>(pages, nullptr, nullptr, "PAGECONTROL", true);
    Repaint();
    ASSERT_TRUE(skin.Manager.AnimEffects()->SkinChanging()->Active());
    const TColor marker = 0x00FF00;
    auto mark = [&](HWND Wnd) {
        HDC dc = GetDC(Wnd);
        FillDC(dc, TRect(0, 0, 180, 120), marker);
        ReleaseDC(Wnd, dc);
        GdiFlush();
    };
    LockForms(&skin.Manager);
    {
        auto unlock = Finally([&] { UnLockForms(&skin.Manager, false); });
        for (HWND wnd : {tabs, pages}) {
            SCOPED_TRACE(wnd == tabs ? "tabs" : "pages");
            mark(wnd);
            RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            // The system shows what was drawn once it runs its messages.
            PumpMessagesFor(30);
            EXPECT_EQ(CountOf(ScreenCopyOf(wnd).get(), marker), 180 * 120);
        }
    }
    for (HWND wnd : {tabs, pages}) {
        SCOPED_TRACE(wnd == tabs ? "tabs" : "pages");
        RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        PumpMessagesFor(30);
        auto pic = ScreenCopyOf(wnd);
        EXPECT_EQ(CountOf(pic.get(), marker), 0);
        EXPECT_GT(CountOf(pic.get(), FlatColor("PAGECONTROL")), 1000);
    }
}

// When the skin goes, a class-library group box is erased under its children again, a panel stays as opaque as it
// always was, the tab control shows its own look at once and the page control gives its pages back.
TEST_F(BarAdapters, RemovingTheSkinGivesGroupBoxesPanelsTabAndPageControlsTheirOwnWays) {
    auto* form = new TfrmSkinTest(Application.Get());
    form->SetBounds(460, 40, 420, 280);
    auto* group = new TGroupBox(form);
    group->SetParent(form);
    group->SetBounds(10, 10, 120, 80);
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(140, 10, 120, 80);
    auto* tabs = new TTabControl(form);
    tabs->SetParent(form);
    tabs->SetBounds(10, 100, 180, 120);
    tabs->Tabs()->Add("One");
    tabs->Tabs()->Add("Two");
    auto* pages = new TPageControl(form);
    pages->SetParent(form);
    pages->SetBounds(200, 100, 180, 120);
    auto* sheet = new TTabSheet(form);
    sheet->SetPageControl(pages);
    sheet->SetCaption("Page");
    form->Show();
    PumpMessagesFor(50);
    EXPECT_FALSE(group->ControlStyle().Contains(csOpaque));
    EXPECT_TRUE(panel->ControlStyle().Contains(csOpaque));
    TsCommonData groupData(group, true), panelData(panel, true), tabData(tabs, true), pageData(pages, true);
    {
        auto groupAdapter = CreateAdapter<TacGroupBoxWnd>(group->Handle(), &groupData, nullptr, "GROUPBOX", true);
        auto panelAdapter = CreateAdapter<TacPanelWnd>(panel->Handle(), &panelData, nullptr, "PANEL", true);
        auto tabAdapter = CreateAdapter<TacTabControlWnd>(tabs->Handle(), &tabData, nullptr, "PAGECONTROL", true);
        auto pageAdapter = CreateAdapter<TacPageControlWnd>(pages->Handle(), &pageData, nullptr, "PAGECONTROL", true);
        RedrawWindow(form->Handle(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpMessagesFor(50);
        EXPECT_TRUE(group->ControlStyle().Contains(csOpaque));
        EXPECT_GT(CountOf(ScreenCopyOf(tabs->Handle()).get(), FlatColor("PAGECONTROL")), 1000);
        EXPECT_EQ(PageAdapterCount(pages->Handle()), 1);

        skin.Manager.SetActive(false);
        // Nothing else repaints these controls: the removal itself did it.
        PumpMessagesFor(30);
        EXPECT_FALSE(group->ControlStyle().Contains(csOpaque));
        EXPECT_TRUE(panel->ControlStyle().Contains(csOpaque));
        EXPECT_EQ(CountOf(ScreenCopyOf(tabs->Handle()).get(), FlatColor("PAGECONTROL")), 0);
        EXPECT_EQ(PageAdapterCount(pages->Handle()), 0);
    }
    form->Free();
}

// A toolbar that makes a new window (flat or list style) hands the adapter of its old window nothing more to
// draw: the old adapter may go at once, and the toolbar draws with its own handlers again until a new adapter
// takes it; a flat toolbar keeps its own hot tracking.
TEST_F(BarAdapters, AToolbarThatMakesANewWindowNeverCallsTheAdapterOfItsOldOne) {
    TToolBar* bar = CaptionBar(60);
    auto* form = static_cast<TfrmSkinTest*>(bar->Owner());
    int ownDraws = 0;
    bar->OnAdvancedCustomDraw = [&](TToolBar*, const TRect&, TCustomDrawStage, bool& DefaultDraw) {
        ++ownDraws;
        DefaultDraw = true;
    };
    form->Show();
    PumpMessagesFor(50);
    TsCommonData data(bar, true);
    auto redraw = [&] {
        RedrawWindow(bar->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        PumpMessagesFor(50);
    };
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "flat" : "list");
        auto adapter = CreateAdapter<TacToolBarVCLWnd>(bar->Handle(), &data, nullptr, "TOOLBAR", true);
        redraw();
        EXPECT_GT(CountOf(ScreenCopyOf(bar->Handle()).get(), FlatColor("TOOLBAR")), 100);
        if (round == 0) {
            bar->SetFlat(true);
        } else {
            bar->SetList(true);
        }
        // The adapter list frees the adapter of the old window; the toolbar still paints.
        adapter.reset();
        ownDraws = 0;
        redraw();
        EXPECT_GT(ownDraws, 0);
        EXPECT_EQ(CountOf(ScreenCopyOf(bar->Handle()).get(), FlatColor("TOOLBAR")), 0);
    }
    // A new adapter on the flat bar paints it, but leaves the hot look to the bar itself.
    {
        auto adapter = CreateAdapter<TacToolBarVCLWnd>(bar->Handle(), &data, nullptr, "TOOLBAR", true);
        redraw();
        EXPECT_GT(CountOf(ScreenCopyOf(bar->Handle()).get(), FlatColor("TOOLBAR")), 100);
        TRect r;
        SendMessageW(bar->Handle(), TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
        POINT c{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ClientToScreen(bar->Handle(), &c);
        MoveMouseTo(c.x, c.y);
        PumpMessagesFor(100);
        EXPECT_EQ(adapter->HotButton, -1);
        ParkPointer();
        PumpMessagesFor(30);
    }
    ownDraws = 0;
    redraw();
    EXPECT_GT(ownDraws, 0);
    form->Free();
}

// The skin goes while a toolbar's drop-down menu is open: when the menu closes, no button is left open.
TEST_F(BarAdapters, ASkinRemovedWhileAToolbarMenuIsOpenLeavesNoButtonOpen) {
    // A form of the application: the removal reaches it.
    DropDownForm f = MakeDropDownForm(Application.Get());
    TsCommonData data(f.Bar, true);
    {
        auto adapter = CreateAdapter<TacToolBarVCLWnd>(f.Bar->Handle(), &data, nullptr, "TOOLBAR", true);
        HWND h = f.Bar->Handle();
        RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        PumpMessagesFor(50);
        gDropDown = DropDownProbe();
        gDropDown.Adapter = adapter.get();
        gDropDown.RemoveSkin = &skin.Manager;
        UINT_PTR timer = SetTimer(nullptr, 0, 20, ProbeDropDownMenu);
        POINT arrow = DropDownArrow(h);
        ClickAt(arrow.x, arrow.y);
        ASSERT_TRUE(PumpMessagesUntil(
            [&] {
                HWND open = FindWindowW(L"#32768", nullptr);
                return gDropDown.SawMenu && (!open || !IsWindowVisible(open));
            },
            5000));
        KillTimer(nullptr, timer);
        PumpMessagesFor(50);
        EXPECT_EQ(gDropDown.Dropped, f.Drop);
        EXPECT_FALSE(skin.Manager.Active());
        EXPECT_EQ(adapter->DroppedButton, nullptr);
        ParkPointer();
        PumpMessagesFor(30);
    }
    f.Form->Free();
}

// A windowless control on a class-library toolbar (a see-through label) stands on the bar's picture.
TEST_F(BarAdapters, AWindowlessControlOnAClassLibraryToolbarShowsTheBarsPictureAroundIt) {
    TToolBar* bar = CaptionBar(60);
    auto* form = static_cast<TfrmSkinTest*>(bar->Owner());
    auto* label = new TLabel(form);
    label->SetAutoSize(false);
    label->SetTransparent(true);
    label->SetCaption("Note");
    label->SetBounds(100, 0, 60, 20);
    label->SetParent(bar);
    form->Show();
    PumpMessagesFor(50);
    TsCommonData data(bar, true);
    {
        auto adapter = CreateAdapter<TacToolBarVCLWnd>(bar->Handle(), &data, nullptr, "TOOLBAR", true);
        RedrawWindow(bar->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        PumpMessagesFor(50);
        auto pic = ScreenCopyOf(bar->Handle());
        TRect r = label->BoundsRect();
        ASSERT_GT(r.Width(), 10);
        ASSERT_GT(r.Height(), 10);
        TPoint origin = ClientOffsetInWindow(bar->Handle());
        OffsetRect(&r, origin.x, origin.y);
        int bar0 = CountIn(pic.get(), r, FlatColor("TOOLBAR")) + CountIn(pic.get(), r, FlatBorder("TOOLBAR"));
        EXPECT_GT(bar0, r.Width() * r.Height() / 2);
    }
    form->Free();
}

// A dialog toolbar's buttons show the images of their indexes (index 0 standing for none), a whole drop-down
// button its arrow beside its image, and a toolbar with a client edge its skinned frame.
TEST_F(BarAdapters, ADialogToolbarShowsImagesArrowsAndItsFrame) {
    const TColor first = 0x00FF00, second = 0xFFFF00;
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR24, 2, 1);
    for (TColor colour : {first, second}) {
        auto bmp = CreateBmp24(16, 16);
        FillDC(bmp->Canvas()->Handle(), TRect(0, 0, 16, 16), colour);
        GdiFlush();
        HBITMAP handle = bmp->ReleaseHandle();
        ImageList_Add(images, handle, nullptr);
        DeleteObject(handle);
    }
    HWND bar = parent.Child(TOOLBARCLASSNAMEW, L"", CCS_NORESIZE | CCS_NODIVIDER, 0, 0, 400, 40, WS_EX_CLIENTEDGE);
    SendMessageW(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(bar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    TBBUTTON buttons[3] = {};
    const BYTE styles[3] = {BTNS_BUTTON, BTNS_BUTTON, BTNS_WHOLEDROPDOWN};
    for (int i = 0; i < 3; ++i) {
        buttons[i].iBitmap = i == 0 ? 0 : 1;
        buttons[i].idCommand = 200 + i;
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = styles[i];
        buttons[i].iString = -1;
    }
    SendMessageW(bar, TB_ADDBUTTONSW, 3, reinterpret_cast<LPARAM>(buttons));
    {
        auto adapter = CreateAdapter<TacToolBarWnd>(bar, nullptr, nullptr, "BAR", true);
        Repaint();
        auto pic = ScreenCopyOf(bar);
        TPoint origin = ClientOffsetInWindow(bar);
        ASSERT_GT(origin.x, 0);
        auto cell = [&](int Index) {
            TRect r;
            SendMessageW(bar, TB_GETITEMRECT, Index, reinterpret_cast<LPARAM>(&r));
            OffsetRect(&r, origin.x, origin.y);
            return r;
        };
        EXPECT_EQ(CountIn(pic.get(), cell(0), first), 0);
        EXPECT_EQ(CountIn(pic.get(), cell(1), second), 16 * 16);
        EXPECT_EQ(CountIn(pic.get(), cell(2), second), 16 * 16);
        EXPECT_GT(CountIn(pic.get(), cell(2), FlatGlyphColor("SCROLLBTNBOTTOM", "GLYPHMASK", 0)), 10);
        EXPECT_EQ(CountIn(pic.get(), cell(1), FlatGlyphColor("SCROLLBTNBOTTOM", "GLYPHMASK", 0)), 0);
        // The client edge is the bar's skinned frame.
        EXPECT_EQ(PixelOf(pic.get(), 0, 0), FlatBorder("BAR"));
        EXPECT_EQ(PixelOf(pic.get(), 399, 39), FlatBorder("BAR"));
    }
    DestroyWindow(bar);
    ImageList_Destroy(images);
}

// A class-library toolbar's frame is painted from the skin, but not while the forms are held for a skin change.
TEST_F(BarAdapters, AClassLibraryToolbarsFrameStaysAsItIsWhileTheFormsAreLocked) {
    TToolBar* bar = CaptionBar(60);
    auto* form = static_cast<TfrmSkinTest*>(bar->Owner());
    form->Show();
    PumpMessagesFor(50);
    HWND h = bar->Handle();
    SetWindowLongPtrW(h, GWL_EXSTYLE, GetWindowLongPtrW(h, GWL_EXSTYLE) | WS_EX_CLIENTEDGE);
    SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    ASSERT_GT(ClientOffsetInWindow(h).x, 0);
    TsCommonData data(bar, true);
    {
        auto adapter = CreateAdapter<TacToolBarVCLWnd>(h, &data, nullptr, "TOOLBAR", true);
        auto frame = [&] {
            RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
            PumpMessagesFor(30);
            return PixelOf(ScreenCopyOf(h).get(), 0, 0);
        };
        EXPECT_EQ(frame(), FlatBorder("TOOLBAR"));
        const TColor marker = 0x00FF00;
        LockForms(&skin.Manager);
        {
            auto unlock = Finally([&] { UnLockForms(&skin.Manager, false); });
            HDC dc = GetWindowDC(h);
            FillDC(dc, TRect(0, 0, 4, 4), marker);
            ReleaseDC(h, dc);
            EXPECT_EQ(frame(), marker);
        }
        EXPECT_EQ(frame(), FlatBorder("TOOLBAR"));
    }
    form->Free();
}
