// Skinned menus on real windows: a form with a menu bar and a context menu on the flat menu skin, opened by real
// clicks and keys, looked at through screen copies while they are open (an open popup menu shows only to a copy
// taken inside the program), chosen from, and given back their own drawing when the skin goes.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "classlib/visual/Forms.h"
#include "classlib/visual/Menus.h"
#include "skin/engine/acSkinHooks.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sMessages.h"
#include "skin/engine/sSkinManager.h"
#include "skin/forms/sSkinMenus.h"
#include "skin/forms/sSystemMenu.h"
#include "tests/support/SyntheticInput.h"
#include "tests/skin/FlatMenuSkin.h"
#include "tests/skin/PixelTestUtils.h"
#include "tests/support/MessageLoop.h"
#include "tests/support/ScreenPictures.h"
#include "tests/support/TempDir.h"

namespace {

// Four tenths of the background over the colour, channel by channel, as a disabled item is faded.
TColor Faded(SampleColor colour, SampleColor background) {
    auto mix = [](int c, int b) { return static_cast<int>(std::lround(c * 0.6 + b * 0.4)); };
    return static_cast<TColor>(mix(colour & 0xFF, background & 0xFF) |
                               (mix((colour >> 8) & 0xFF, (background >> 8) & 0xFF) << 8) |
                               (mix((colour >> 16) & 0xFF, (background >> 16) & 0xFF) << 16));
}

// What a test sees of one open popup menu: its window, its picture and its items' places in the picture.
struct MenuShot {
    HWND Wnd = nullptr;
    RECT Window{};
    std::unique_ptr<TBitmap> Picture;
    std::vector<RECT> Items;  // in the picture's coordinates
    HRGN Region = nullptr;
    int RegionKind = ERROR;
    bool CornerIn = true, CentreIn = false;
};

HWND OpenPopupWindow() {
    HWND found = nullptr;
    for (HWND w = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); w;
         w = FindWindowExW(nullptr, w, L"#32768", nullptr))
        if (IsWindowVisible(w))
            found = w;
    return found;
}

MenuShot Shoot(HMENU Menu, int ItemCount) {
    MenuShot shot;
    shot.Wnd = OpenPopupWindow();
    if (!shot.Wnd)
        return shot;
    GetWindowRect(shot.Wnd, &shot.Window);
    shot.Picture = ScreenCopy(shot.Window);
    for (int i = 0; i < ItemCount; ++i) {
        RECT r{};
        GetMenuItemRect(nullptr, Menu, static_cast<UINT>(i), &r);
        OffsetRect(&r, -shot.Window.left, -shot.Window.top);
        shot.Items.push_back(r);
    }
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    shot.RegionKind = GetWindowRgn(shot.Wnd, rgn);
    if (shot.RegionKind != ERROR) {
        shot.CornerIn = PtInRegion(rgn, 0, 0);
        shot.CentreIn = PtInRegion(rgn, (shot.Window.right - shot.Window.left) / 2, 4);
    }
    DeleteObject(rgn);
    return shot;
}

// A script run step by step from a timer while a menu's own loop runs; a step returns false when it is done.
std::function<bool(int)> Script;
int ScriptStep = 0;

void CALLBACK RunScript(HWND, UINT, UINT_PTR Id, DWORD) {
    try {
        if (!Script || !Script(ScriptStep++) || ScriptStep > 40) {
            KillTimer(nullptr, Id);
            Script = nullptr;
        }
    } catch (...) {
        KillTimer(nullptr, Id);
        Script = nullptr;
        EndMenu();
    }
}

void StartScript(std::function<bool(int)> s) {
    Script = std::move(s);
    ScriptStep = 0;
    SetTimer(nullptr, 0, 300, RunScript);
}

// Keys become characters while the script runs (Alt+Space the system menu's key).
bool WaitScript(DWORD ms = 8000) {
    return PumpKeysUntil([] { return !Script; }, ms);
}

int Distance(TColor a, SampleColor b) {
    int d = 0;
    for (int shift : {0, 8, 16})
        d += std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
    return d;
}

// Pixels nearer to a glyph's colour than to the colour under it (a masked glyph is blended with what it covers).
int CountNear(TBitmap* b, SampleColor glyph, SampleColor under, const RECT& r) {
    return CountPx(
        b, [&](TColor p) { return p != Opaque(under) && Distance(p, glyph) < Distance(p, under); }, r.left, r.top,
        r.right, r.bottom);
}

// A form's skin provider as far as the menus see one: it answers for the form and paints the menu line.
class TMenuTestProvider : public TacSkinProviderBase {
    CLASS_INFO(TMenuTestProvider, TacSkinProviderBase)
public:
    TMenuTestProvider(TComponent* AOwner, TsSkinManager* Manager)
        : TacSkinProviderBase(AOwner), FData(std::make_unique<TsCommonData>(this, true)) {
        FData->SetSkinManager(Manager);
    }
    TsCommonData* SkinData() const override { return FData.get(); }
    void HandleSkinMessage(TMessage&) override {}
    void PrepareRegionRects() override {}
    void UpdateFormRegion(bool) override {}
    HRGN CreateSkinRegion(int, int) override { return nullptr; }

private:
    std::unique_ptr<TsCommonData> FData;
};

// The form: it answers skin command 4 with its provider and, as a skinned form does, opens its skinned system
// menu for Alt+Space.
class TfrmMenus : public TForm {
    CLASS_INFO(TfrmMenus, TForm)
public:
    using TForm::TForm;
    TMenuTestProvider* Provider = nullptr;
    TsSystemMenu* SysMenu = nullptr;

protected:
    void WndProc(TMessage& Message) override {
        if (Message.Msg == SM_QUORVEXCMD && SkinCmdOf(Message.WParam) == scGetProvider && Provider) {
            Message.Result = ProviderAnswer(Provider);
            return;
        }
        if (Message.Msg == WM_SYSCOMMAND && (Message.WParam & 0xFFF0) == SC_KEYMENU && Message.LParam == ' ' &&
            SysMenu) {
            SysMenu->UpdateItems();
            RECT r;
            GetWindowRect(Handle(), &r);
            SysMenu->Popup(r.left + 4, r.top + 24);
            return;
        }
        TForm::WndProc(Message);
    }
};

class SkinnedMenus : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Dir = new TempDir;
        WriteSkinFolder(Dir->Path(), MakeFlatMenuSkin());
        FlatMenuOptions bare;
        bare.DividerV = false;
        WriteSkinFolder(Dir->Path(), MakeFlatMenuSkin("FLATMENUBARE", bare));
    }
    static void TearDownTestSuite() {
        delete Dir;
        Dir = nullptr;
    }
    void SetUp() override {
        Manager = std::make_unique<TsSkinManager>(nullptr);
        Manager->SetSkinDirectory(Dir->Path());
        Manager->SetSkinName("FLATMENU");
        ASSERT_TRUE(Manager->Active());
        Painter = dynamic_cast<TsSkinableMenus*>(Manager->SkinableMenus());
        ASSERT_NE(Painter, nullptr);

        Form = new TfrmMenus(Application);
        Form->SetBounds(40, 40, 420, 320);
        Form->Provider = new TMenuTestProvider(Form, Manager.get());
        MainMenu = new TMainMenu(Form);
        File = Add(MainMenu->Items(), "&File");
        Open = Add(File, "Open");
        Open->OnClick = [this](TObject*) { ++Opened; };
        Add(File, "-");
        Add(File, "-Section-");
        Disabled = Add(File, "Disabled");
        Disabled->SetEnabled(false);
        Checked = Add(File, "Checked");
        Checked->SetChecked(true);
        Radio = Add(File, "Radio");
        Radio->SetRadioItem(true);
        Radio->SetChecked(true);
        Edit = Add(MainMenu->Items(), "&Edit");
        Add(Edit, "Undo");
        Edit->SetEnabled(false);
        Add(MainMenu->Items(), "&Help");
        Form->SetMenu(MainMenu);
        Popup = new TPopupMenu(Form);
        First = Add(Popup->Items(), "First");
        First->OnClick = [this](TObject*) { ++FirstClicks; };
        Second = Add(Popup->Items(), "Second");
        Second->OnClick = [this](TObject*) { ++SecondClicks; };
        Grey = Add(Popup->Items(), "Grey");
        Grey->SetEnabled(false);
        Form->SetPopupMenu(Popup);
        Form->SysMenu = new TsSystemMenu(Form->Provider);
        Form->SysMenu->Form = Form;
        Form->Show();
        SetForegroundWindow(Form->Handle());
        PumpMessagesFor(100);
        FormProc = GetWindowLongPtrW(Form->Handle(), GWLP_WNDPROC);
    }
    void TearDown() override {
        Script = nullptr;
        if (Form)
            Form->Free();
        Form = nullptr;
        Manager.reset();
        PumpMessagesFor(20);
    }
    static TMenuItem* Add(TMenuItem* Parent, const std::string& Caption) {
        auto* item = new TMenuItem(Parent->Owner() ? Parent->Owner() : Parent);
        item->SetCaption(Caption);
        Parent->Add(item);
        return item;
    }
    // The skin switches the menus on, as a skinned form's provider asks its painter to at every skin change.
    void SkinMenus() {
        Painter->UpdateMenus();
        ASSERT_TRUE(Painter->Active());
        PumpMessagesFor(100);
    }
    RECT BarItem(int Index) {
        RECT r{};
        GetMenuItemRect(Form->Handle(), MainMenu->Handle(), static_cast<UINT>(Index), &r);
        return r;
    }

    static inline TempDir* Dir = nullptr;
    std::unique_ptr<TsSkinManager> Manager;
    TsSkinableMenus* Painter = nullptr;
    TfrmMenus* Form = nullptr;
    TMainMenu* MainMenu = nullptr;
    TPopupMenu* Popup = nullptr;
    TMenuItem *File = nullptr, *Open = nullptr, *Disabled = nullptr, *Checked = nullptr, *Radio = nullptr,
              *Edit = nullptr;
    TMenuItem *First = nullptr, *Second = nullptr, *Grey = nullptr;
    int Opened = 0, FirstClicks = 0, SecondClicks = 0;
    LONG_PTR FormProc = 0;
};

RECT Inner(const RECT& r, int dx, int dy) { return RECT{r.left + dx, r.top + dy, r.right - dx, r.bottom - dy}; }

TEST_F(SkinnedMenus, AContextMenuOpenedByARightClickShowsTheSkinInEveryStateAndRunsTheItemClicked) {
    SkinMenus();
    EXPECT_TRUE(Popup->OwnerDraw());
    EXPECT_TRUE(Painter->IsHooked(First));
    MenuShot normal, hot;
    StartScript([&](int step) {
        switch (step) {
        case 0:
            normal = Shoot(Popup->Handle(), 3);
            if (normal.Items.empty())
                return false;
            // The mouse over the second item makes it the selected one.
            MoveMouseTo(normal.Window.left + (normal.Items[1].left + normal.Items[1].right) / 2,
                        normal.Window.top + (normal.Items[1].top + normal.Items[1].bottom) / 2);
            return true;
        case 1:
            hot = Shoot(Popup->Handle(), 3);
            MouseButton(true);
            MouseButton(false);
            return false;
        }
        return false;
    });
    RECT fr;
    GetWindowRect(Form->Handle(), &fr);
    ClickAt(fr.left + 200, fr.top + 200, true);
    ASSERT_TRUE(WaitScript());
    PumpMessagesFor(200);
    ASSERT_TRUE(normal.Picture && hot.Picture);

    // The border is the frame of "MAINMENU", with its transparent corners cut from the window's region.
    int h = normal.Window.bottom - normal.Window.top;
    EXPECT_EQ(Px(normal.Picture.get(), 1, h / 2), Opaque(MenuFrameColor));
    EXPECT_NE(normal.RegionKind, ERROR);
    EXPECT_FALSE(normal.CornerIn);
    EXPECT_TRUE(normal.CentreIn);
    // A normal item: the menu's colour at its right end, the glyph column at its left, its caption in the font
    // colour.
    RECT first = normal.Items[0];
    int cy = (first.top + first.bottom) / 2;
    EXPECT_EQ(Px(normal.Picture.get(), first.right - 3, cy), Opaque(MenuSkinColor("MAINMENU")));
    EXPECT_EQ(Px(normal.Picture.get(), first.left + 2, cy), Opaque(MenuSkinColor("ICOLINE")));
    EXPECT_GT(CountOf(normal.Picture.get(), MenuFontColor("MENUITEM"), first), 5);
    EXPECT_EQ(CountOf(normal.Picture.get(), MenuSkinColor("MENUITEM", 1), normal.Items[1]), 0);
    // The disabled item's caption is faded towards the background.
    RECT grey = normal.Items[2];
    EXPECT_EQ(CountOf(normal.Picture.get(), MenuFontColor("MENUITEM"), grey), 0);
    EXPECT_GT(CountOf(normal.Picture.get(), Faded(MenuFontColor("MENUITEM"), MenuSkinColor("MAINMENU")), grey), 5);
    // The selected item: "MENUITEM" in its hot state, its caption in the hot font colour.
    RECT second = hot.Items[1];
    EXPECT_EQ(Px(hot.Picture.get(), second.right - 6, (second.top + second.bottom) / 2),
              Opaque(MenuSkinColor("MENUITEM", 1)));
    EXPECT_GT(CountOf(hot.Picture.get(), MenuFontColor("MENUITEM", true), second), 5);
    EXPECT_EQ(CountOf(hot.Picture.get(), MenuSkinColor("MENUITEM", 1), hot.Items[0]), 0);
    // The click ran the item's handler, and only its.
    EXPECT_EQ(SecondClicks, 1);
    EXPECT_EQ(FirstClicks, 0);
}

TEST_F(SkinnedMenus, TheMenuBarAndItsSubmenuAreSkinnedAndTheKeyboardChoosesAnItem) {
    SkinMenus();
    EXPECT_TRUE(MainMenu->OwnerDraw());
    RECT file = BarItem(0), edit = BarItem(1);
    ASSERT_GT(file.right - file.left, 0);
    // Closed: the menu line's colour, the caption in the font colour, the disabled item faded.
    RECT bar{file.left, file.top, edit.right, file.bottom};
    auto closed = ScreenCopy(bar);
    RECT fileIn{0, 0, file.right - file.left, file.bottom - file.top};
    RECT editIn{edit.left - file.left, 0, edit.right - file.left, file.bottom - file.top};
    EXPECT_EQ(Px(closed.get(), 1, 1), Opaque(MenuSkinColor("MENULINE")));
    EXPECT_GT(CountOf(closed.get(), MenuFontColor("MENUITEM"), fileIn), 5);
    EXPECT_EQ(CountOf(closed.get(), MenuFontColor("MENUITEM"), editIn), 0);
    EXPECT_GT(CountOf(closed.get(), Faded(MenuFontColor("MENUITEM"), MenuSkinColor("MENULINE")), editIn), 5);

    std::unique_ptr<TBitmap> open;
    MenuShot sub;
    StartScript([&](int step) {
        switch (step) {
        case 0:
            open = ScreenCopy(bar);
            sub = Shoot(File->Handle(), 6);
            // Down to "Open" and Enter: the keyboard chooses.
            PressKey(VK_DOWN);
            return true;
        case 1:
            PressKey(VK_RETURN);
            return false;
        }
        return false;
    });
    ClickAt((file.left + file.right) / 2, (file.top + file.bottom) / 2);
    ASSERT_TRUE(WaitScript());
    PumpMessagesFor(200);
    ASSERT_TRUE(open && sub.Picture);
    // Open: the bar item in "MENUITEM"'s hot state with the hot font colour.
    EXPECT_GT(CountOf(open.get(), MenuSkinColor("MENUITEM", 1), fileIn), (fileIn.right - fileIn.left) * 4);
    EXPECT_GT(CountOf(open.get(), MenuFontColor("MENUITEM", true), fileIn), 5);
    // The submenu: the separator is "DIVIDERV", the divider with text "TOOLBAR" with the text alone, the checked
    // items carry the skin's check and radio glyphs.
    EXPECT_GT(CountOf(sub.Picture.get(), MenuSkinColor("DIVIDERV"), sub.Items[1]), 10);
    EXPECT_GT(CountOf(sub.Picture.get(), MenuSkinColor("TOOLBAR"), sub.Items[2]), 50);
    EXPECT_GT(CountOf(sub.Picture.get(), MenuFontColor("TOOLBAR"), sub.Items[2]), 5);
    auto column = [&](int i) { return RECT{sub.Items[i].left, sub.Items[i].top, sub.Items[i].left + 20, sub.Items[i].bottom}; };
    EXPECT_GE(CountNear(sub.Picture.get(), MenuCheckColor, MenuSkinColor("ICOLINE"), column(4)), 30);
    EXPECT_GE(CountNear(sub.Picture.get(), MenuRadioColor, MenuSkinColor("ICOLINE"), column(5)), 30);
    EXPECT_EQ(CountNear(sub.Picture.get(), MenuRadioColor, MenuSkinColor("ICOLINE"), column(4)), 0);
    EXPECT_EQ(CountNear(sub.Picture.get(), MenuCheckColor, MenuSkinColor("ICOLINE"), column(0)), 0);
    EXPECT_EQ(Opened, 1);
}

TEST_F(SkinnedMenus, AltSpaceOpensTheSkinnedSystemMenuAndItsItemsCommandTheForm) {
    SkinMenus();
    TsSystemMenu* sys = Form->SysMenu;
    EXPECT_TRUE(sys->OwnerDraw());
    MenuShot shot;
    StartScript([&](int step) {
        if (step == 0) {
            // Restore, Move, Size, Minimize, Maximize, the line and Close are shown for a sizeable form.
            shot = Shoot(sys->Handle(), 7);
            if (shot.Items.size() < 7)
                return false;
            const RECT& max = shot.Items[4];
            ClickAt(shot.Window.left + (max.left + max.right) / 2, shot.Window.top + (max.top + max.bottom) / 2);
        }
        return false;
    });
    PressChord({VK_MENU}, VK_SPACE);
    ASSERT_TRUE(WaitScript());
    PumpMessagesFor(300);
    ASSERT_TRUE(shot.Picture);
    ASSERT_EQ(shot.Items.size(), 7u);
    // The maximize item's glyph is the Webdings window in the font colour before its caption; Move has none.
    RECT maxItem = shot.Items[4], move = shot.Items[1];
    RECT maxGlyph{maxItem.left, maxItem.top, maxItem.left + 20, maxItem.bottom};
    RECT moveGlyph{move.left, move.top, move.left + 20, move.bottom};
    EXPECT_GT(CountNear(shot.Picture.get(), MenuFontColor("MENUITEM"), MenuSkinColor("ICOLINE"), maxGlyph), 5);
    EXPECT_EQ(CountNear(shot.Picture.get(), MenuFontColor("MENUITEM"), MenuSkinColor("ICOLINE"), moveGlyph), 0);
    EXPECT_EQ(Px(shot.Picture.get(), move.right - 3, (move.top + move.bottom) / 2),
              Opaque(MenuSkinColor("MAINMENU")));
    // Restore is disabled for a normal form: faded.
    EXPECT_EQ(CountOf(shot.Picture.get(), MenuFontColor("MENUITEM"), Inner(shot.Items[0], 24, 0)), 0);
    // Maximize was clicked: the form is maximized, and the menu follows.
    EXPECT_TRUE(IsZoomed(Form->Handle()));
    sys->UpdateItems();
    EXPECT_FALSE(sys->ItemMaximize->Enabled());
    EXPECT_TRUE(sys->ItemRestore->Enabled());
    EXPECT_FALSE(sys->ItemMove->Enabled());
}

TEST_F(SkinnedMenus, RemovingTheSkinGivesTheMenusTheirOwnDrawingAndKeepsTheApplicationsHandlers) {
    int own = 0;
    Second->OnMeasureItem = [&](TObject*, TCanvas*, int&, int&) { ++own; };
    SkinMenus();
    EXPECT_FALSE(Painter->IsHooked(Second));  // its own handler is left alone
    EXPECT_TRUE(Painter->IsHooked(Open));
    EXPECT_TRUE(Painter->IsHooked(File));  // a bar item: the bar's handlers
    Manager->SetActive(false);
    Painter->UpdateMenus();
    EXPECT_FALSE(Painter->Active());
    EXPECT_FALSE(MainMenu->OwnerDraw());
    EXPECT_FALSE(Popup->OwnerDraw());
    EXPECT_FALSE(Form->SysMenu->OwnerDraw());
    for (TMenuItem* item : {File, Open, First, Grey, Form->SysMenu->ItemClose}) {
        EXPECT_FALSE(item->OnMeasureItem) << item->Caption();
        EXPECT_FALSE(item->OnAdvancedDrawItem) << item->Caption();
    }
    EXPECT_TRUE(Second->OnMeasureItem);
    EXPECT_EQ(GetWindowLongPtrW(Form->Handle(), GWLP_WNDPROC), FormProc);
    // The context menu is the system's again: no region, no skin colour, and a choice still runs.
    MenuShot shot;
    StartScript([&](int step) {
        if (step == 0) {
            shot = Shoot(Popup->Handle(), 3);
            PressKey(VK_DOWN);
            return true;
        }
        PressKey(VK_RETURN);
        return false;
    });
    RECT fr;
    GetWindowRect(Form->Handle(), &fr);
    ClickAt(fr.left + 200, fr.top + 200, true);
    ASSERT_TRUE(WaitScript());
    PumpMessagesFor(200);
    ASSERT_TRUE(shot.Picture);
    EXPECT_EQ(shot.RegionKind, ERROR);
    RECT all{0, 0, shot.Picture->Width(), shot.Picture->Height()};
    EXPECT_EQ(CountOf(shot.Picture.get(), MenuSkinColor("MAINMENU"), all), 0);
    EXPECT_EQ(CountOf(shot.Picture.get(), MenuFrameColor, all), 0);
    EXPECT_EQ(FirstClicks, 1);
}

}  // namespace
