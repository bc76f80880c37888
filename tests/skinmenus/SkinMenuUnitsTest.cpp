// The menu painter's measures and pictures drawn into bitmaps (no menu window), and the system menu's rules and
// skin submenu.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "classlib/visual/Forms.h"
#include "classlib/visual/Menus.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sSkinManager.h"
#include "skin/forms/sSkinMenus.h"
#include "skin/forms/sSystemMenu.h"
#include "tests/skin/FlatMenuSkin.h"
#include "tests/skin/PixelTestUtils.h"
#include "tests/support/TempDir.h"

namespace {

class TUnitProvider : public TacSkinProviderBase {
    CLASS_INFO(TUnitProvider, TacSkinProviderBase)
public:
    TUnitProvider(TComponent* AOwner, TsSkinManager* Manager)
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

class MenuPainter : public ::testing::Test {
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
    void Load(const std::string& Skin) {
        Manager = std::make_unique<TsSkinManager>(nullptr);
        Manager->SetSkinDirectory(Dir->Path());
        Manager->SetSkinName(Skin);
        ASSERT_TRUE(Manager->Active());
        Painter = dynamic_cast<TsSkinableMenus*>(Manager->SkinableMenus());
        ASSERT_NE(Painter, nullptr);
        Painter->ClearMenuCache();
        Menu = std::make_unique<TPopupMenu>(nullptr);
    }
    void SetUp() override { Load("FLATMENU"); }
    void TearDown() override {
        if (Painter)
            Painter->ClearMenuCache();
        Menu.reset();
        Manager.reset();
    }
    TMenuItem* Add(const std::string& Caption) {
        auto* item = new TMenuItem(Menu.get());
        item->SetCaption(Caption);
        Menu->Items()->Add(item);
        return item;
    }
    TSize Measure(TMenuItem* Item) {
        int w = 0, h = 0;
        Painter->MeasureItem(Item, Canvas->Canvas(), w, h);
        return TSize(w, h);
    }
    // Draws the item alone into a bitmap of its measured size (the popup's picture is composed without a window).
    std::unique_ptr<TBitmap> Draw(TMenuItem* Item, TOwnerDrawState State = {}) {
        for (int i = 0; i < Item->Parent()->Count(); ++i)
            Measure(Item->Parent()->Items(i));
        TSize size = Measure(Item);
        auto bmp = MakeBmp(size.cx, size.cy, 0x000000);
        Painter->DrawItem(Item, bmp->Canvas(), TRect(0, 0, size.cx, size.cy), State);
        GdiFlush();
        return bmp;
    }

    static inline TempDir* Dir = nullptr;
    std::unique_ptr<TsSkinManager> Manager;
    TsSkinableMenus* Painter = nullptr;
    std::unique_ptr<TPopupMenu> Menu;
    std::unique_ptr<TBitmap> Canvas = MakeBmp(4, 4);
};

TEST_F(MenuPainter, ItemKindsMeasureAsTheirCaptionsSay) {
    TMenuItem* open = Add("Open");
    TMenuItem* line = Add("-");
    TMenuItem* divider = Add("-Tools-");
    EXPECT_EQ(MenuItemKind(open), mkNormal);
    EXPECT_EQ(MenuItemKind(line), mkSeparator);
    EXPECT_EQ(MenuItemKind(divider), mkDivText);
    EXPECT_TRUE(TsSkinableMenus::IsDivText(divider));
    EXPECT_FALSE(TsSkinableMenus::IsDivText(line));
    EXPECT_EQ(Measure(line).cy, 2);
    TSize normal = Measure(open);
    // Text height x 1.25 (or the 16-pixel glyph) plus twice the margin; two glyph widths, three margins and the
    // spacing around the text.
    int text = static_cast<int>(std::nearbyint(Canvas->Canvas()->TextHeight("W") * 1.25));
    EXPECT_EQ(normal.cy, std::max(text, 16) + 4);
    EXPECT_GT(normal.cx, 2 * 16 + 3 * 2 + 6);
    open->SetShortCut(ShortCut('O', TShiftState{ssCtrl}));
    EXPECT_GT(Measure(open).cx, normal.cx);
}

TEST_F(MenuPainter, TheExtraLineShowsTheDefaultCaptionUnlessTheMenuHasColumnsOrChoosesSkins) {
    Manager->MenuSupport()->SetUseExtraLine(true);
    TMenuItem* first = Add("First");
    Add("Second");
    TSize with = Measure(first);
    EXPECT_EQ(Painter->ExtraLineWidth(), 32);
    // Without a handler the strip carries the default caption in the extra line's font colour.
    auto bmp = Draw(first);
    TBitmap* popup = Painter->PopupBackground();
    ASSERT_NE(popup, nullptr);
    int border = Painter->SkinBorderWidth();
    EXPECT_EQ(border, MenuFrameWidth);
    EXPECT_EQ(Px(popup, border + 2, border + 1), Opaque(MenuSkinColor("EXTRALINE")));
    int caption = CountPx(
        popup, [](TColor p) { return p == Opaque(MenuFontColor("EXTRALINE")); }, border, border, border + 32,
        popup->Height() - border);
    EXPECT_GT(caption, 20);
    // A second column: no extra width.
    Painter->ClearMenuCache();
    Add("Third")->SetBreak(mbBreak);
    EXPECT_EQ(Measure(first).cx, with.cx - 32);
    // A handler may hide the line.
    Menu = std::make_unique<TPopupMenu>(nullptr);
    Painter->ClearMenuCache();
    int asked = 0;
    Manager->OnGetMenuExtraLineData = [&](TMenuItem*, std::string&, std::string& Caption, std::unique_ptr<TBitmap>&,
                                          bool& Visible) {
        ++asked;
        Caption = "Br&imlet";
        Visible = false;
    };
    TMenuItem* hidden = Add("Hidden");
    Measure(hidden);
    Measure(hidden);
    EXPECT_EQ(asked, 1);  // once per popup
    EXPECT_EQ(Painter->ExtraLineWidth(), 0);
    // The skin-selection menu is never asked.
    Menu = std::make_unique<TPopupMenu>(nullptr);
    Painter->ClearMenuCache();
    TMenuItem* skins = Add("Available skins");
    skins->SetName("SkinSelectItem");
    Measure(skins);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(Painter->ExtraLineWidth(), 0);
}

TEST_F(MenuPainter, AnExtraLineWiderThanThePopupWritesNothingOutsideIt) {
    Manager->MenuSupport()->SetUseExtraLine(true);
    // Columns: the popup does not grow by the strip, which is far wider than the popup.
    Manager->MenuSupport()->SetExtraLineWidth(2000);
    TMenuItem* first = Add("First");
    Add("Second")->SetBreak(mbBreak);
    Draw(first);
    TBitmap* popup = Painter->PopupBackground();
    ASSERT_NE(popup, nullptr);
    ASSERT_LT(popup->Width(), 1000);
    // The caption would start beyond the popup's right edge: none of it lands in the picture.
    EXPECT_EQ(CountPx(popup, [](TColor p) { return p == Opaque(MenuFontColor("EXTRALINE")); }), 0);
    EXPECT_EQ(Px(popup, popup->Width() / 2, popup->Height() / 2), Opaque(MenuSkinColor("EXTRALINE")));
}

TEST_F(MenuPainter, SeparatorsAndDividersTakeTheirSectionsAndWhiteOverGreyWithoutDividerV) {
    Add("Open");
    TMenuItem* line = Add("-");
    TMenuItem* divider = Add("-Tools-");
    auto sep = Draw(line);
    EXPECT_GT(CountColor(sep.get(), Opaque(MenuSkinColor("DIVIDERV"))), 20);
    auto div = Draw(divider);
    EXPECT_GT(CountColor(div.get(), Opaque(MenuSkinColor("TOOLBAR"))), 100);
    EXPECT_GT(CountColor(div.get(), Opaque(MenuFontColor("TOOLBAR"))), 5);

    Menu.reset();
    Load("FLATMENUBARE");
    Add("Open");
    line = Add("-");
    sep = Draw(line);
    EXPECT_EQ(CountColor(sep.get(), Opaque(MenuSkinColor("DIVIDERV"))), 0);
    int x = sep->Width() - 6;
    EXPECT_EQ(Px(sep.get(), x, 0), static_cast<TColor>(0xFFFFFF));
    EXPECT_EQ(Px(sep.get(), x, 1), static_cast<TColor>(0x808080));
}

TEST_F(MenuPainter, ADisabledItemIsFadedAndTheDrawEventFollows) {
    Add("Open");
    TMenuItem* off = Add("Off");
    off->SetEnabled(false);
    int drawn = 0;
    Painter->OnDrawItem = [&](TMenuItem* Item, TCanvas*, TRect, TOwnerDrawState) { drawn += Item == off; };
    auto bmp = Draw(off);
    EXPECT_EQ(CountColor(bmp.get(), Opaque(MenuFontColor("MENUITEM"))), 0);
    EXPECT_EQ(drawn, 1);
    Painter->OnDrawItem = nullptr;
}

// --- the system menu ---

class SystemMenu : public ::testing::Test {
protected:
    void SetUp() override {
        Form = new TForm(nullptr);
        Provider = new TUnitProvider(Form, nullptr);
        Menu = new TsSystemMenu(Provider);
        Menu->Form = Form;
    }
    void TearDown() override { Form->Free(); }
    TForm* Form = nullptr;
    TUnitProvider* Provider = nullptr;
    TsSystemMenu* Menu = nullptr;
};

TEST_F(SystemMenu, TheItemsFollowTheFormsBorderAndState) {
    EXPECT_EQ(Menu->Name(), "SysMenu");
    ASSERT_EQ(Menu->Items()->Count(), 7);
    EXPECT_EQ(Menu->ItemClose->ShortCut(), 32883);
    EXPECT_EQ(Menu->ItemRestore->Tag(), SC_RESTORE);
    EXPECT_TRUE(Menu->Items()->Items(5)->IsLine());
    Form->SetBorderStyle(bsDialog);
    Menu->UpdateItems();
    EXPECT_FALSE(Menu->ItemRestore->Visible());
    EXPECT_FALSE(Menu->ItemMinimize->Visible());
    EXPECT_FALSE(Menu->ItemMaximize->Visible());
    EXPECT_FALSE(Menu->ItemSize->Visible());
    EXPECT_TRUE(Menu->ItemMove->Visible());
    EXPECT_TRUE(Menu->ItemClose->Visible());

    Form->SetBorderStyle(bsSizeable);
    Form->SetWindowState(wsMaximized);
    Menu->UpdateItems();
    EXPECT_FALSE(Menu->ItemMaximize->Enabled());
    EXPECT_TRUE(Menu->ItemRestore->Enabled());
    EXPECT_FALSE(Menu->ItemMove->Enabled());
    EXPECT_TRUE(Menu->ItemSize->Enabled());
    // Without a close button the menu has neither close, restore, minimize nor maximize.
    Form->SetBorderIcons(TBorderIcons{});
    Menu->UpdateItems();
    EXPECT_FALSE(Menu->ItemClose->Visible());
    EXPECT_FALSE(Menu->ItemRestore->Visible());
    EXPECT_FALSE(Menu->ItemMaximize->Visible());
}

TEST_F(SystemMenu, TheSkinSubmenuListsEverySkinInColumnsOfTwentyAndChoosesWithoutAmpersands) {
    TempDir dir;
    for (int i = 0; i < 44; ++i) {
        char name[16];
        snprintf(name, sizeof name, "Skin%02d", i);
        WriteSkinFolder(dir.Path(), SampleSkin{name, {{"Options.dat", "[GLOBALINFO]\r\nVERSION=6.0\r\n"}}});
    }
    WriteSkinFolder(dir.Path(), SampleSkin{"Dark&Blue", {{"Options.dat", "[GLOBALINFO]\r\nVERSION=6.0\r\n"}}});
    auto manager = std::make_unique<TsSkinManager>(nullptr);
    manager->SetSkinDirectory(dir.Path());
    manager->SetSkinName("Skin03");
    Provider->SkinData()->SetSkinManager(manager.get());
    Menu->MakeSkinItems();
    TMenuItem* skins = Menu->Items()->Items(0);
    EXPECT_EQ(skins->Name(), "SkinSelectItem");
    EXPECT_EQ(skins->Caption(), "Available skins");
    EXPECT_TRUE(Menu->Items()->Items(1)->IsLine());
    ASSERT_EQ(skins->Count(), 45);
    for (int i = 0; i < 45; ++i) {
        TMenuItem* item = skins->Items(i);
        EXPECT_EQ(item->Name(), "SkinSelectItem" + std::to_string(i));
        EXPECT_TRUE(item->RadioItem());
        EXPECT_EQ(item->Break() == mbBreak, i == 20 || i == 40) << i;
        EXPECT_EQ(item->Checked(), item->Caption() == "Skin03") << i;
    }
    // Built again, it replaces itself.
    Menu->MakeSkinItems();
    EXPECT_EQ(Menu->Items()->Count(), 9);
    skins = Menu->Items()->Items(0);
    ASSERT_EQ(skins->Count(), 45);
    TMenuItem* dark = skins->Find("DarkBlue");
    ASSERT_NE(dark, nullptr);
    EXPECT_EQ(dark->Caption(), "Dark&Blue");
    dark->Click();
    EXPECT_EQ(manager->SkinName(), "DarkBlue");
    Provider->SkinData()->SetSkinManager(nullptr);
}

// Notes the system commands that reach a window.
struct Spy {
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
        if (m == WM_SYSCOMMAND) {
            Last = w;
            return 0;
        }
        return CallWindowProcA(Old, h, m, w, l);
    }
    static inline WNDPROC Old = nullptr;
    static inline WPARAM Last = 0;
};

TEST(DialogSystemMenu, TheItemsFollowTheDialogsKindAndStoredStyle) {
    TacSystemMenu menu(nullptr);
    ASSERT_EQ(menu.Items()->Count(), 7);
    HWND wnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    menu.DlgWnd = wnd;
    // A plain dialog with a system menu only: move and close.
    menu.Kind = 0;
    menu.StoredStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    menu.UpdateItems();
    EXPECT_FALSE(menu.miRestore->Visible());
    EXPECT_FALSE(menu.miSize->Visible());
    EXPECT_FALSE(menu.miMinimize->Visible());
    EXPECT_FALSE(menu.miMaximize->Visible());
    EXPECT_TRUE(menu.miMove->Visible());
    EXPECT_TRUE(menu.miClose->Visible());
    // A sizeable window of kind 1 with both boxes, not zoomed: restore shown but disabled, size disabled by kind.
    menu.Kind = 1;
    menu.StoredStyle = WS_OVERLAPPEDWINDOW;
    menu.UpdateItems();
    EXPECT_TRUE(menu.miRestore->Visible());
    EXPECT_FALSE(menu.miRestore->Enabled());
    EXPECT_FALSE(menu.miSize->Enabled());
    EXPECT_TRUE(menu.miMaximize->Enabled());
    EXPECT_TRUE(menu.miMinimize->Enabled());
    // The commands go to the dialog window.
    Spy::Old = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Spy::Proc)));
    menu.miClose->Click();
    EXPECT_EQ(Spy::Last, static_cast<WPARAM>(SC_CLOSE));
    SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Spy::Old));
    DestroyWindow(wnd);
}

TEST(DialogSystemMenu, MaximizeAndRestoreLeaveTheItemsFollowingTheNewState) {
    TacSystemMenu menu(nullptr);
    HWND wnd = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 200, 150, nullptr, nullptr,
                               nullptr, nullptr);
    ASSERT_NE(wnd, nullptr);
    menu.DlgWnd = wnd;
    menu.Kind = 3;
    menu.StoredStyle = WS_OVERLAPPEDWINDOW;
    menu.UpdateItems();
    ASSERT_TRUE(menu.miMaximize->Enabled());
    menu.miMaximize->Click();
    EXPECT_TRUE(IsZoomed(wnd));
    EXPECT_FALSE(menu.miMaximize->Enabled());
    EXPECT_TRUE(menu.miRestore->Enabled());
    EXPECT_FALSE(menu.miMove->Enabled());
    menu.miRestore->Click();
    EXPECT_FALSE(IsZoomed(wnd));
    EXPECT_TRUE(menu.miMaximize->Enabled());
    EXPECT_FALSE(menu.miRestore->Enabled());
    DestroyWindow(wnd);
}

}  // namespace
