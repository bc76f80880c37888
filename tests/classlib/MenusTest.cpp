// Menus: the item tree against the system menu it builds, shortcuts, main menus on forms, and popup menus
// chosen from by real mouse and keyboard input.
#include "classlib/visual/Menus.h"

#include "tests/support/ApplicationLoop.h"
#include "tests/support/SyntheticInput.h"
#include "classlib/visual/Forms.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

TMenuItem* NewItem(TComponent* owner, const std::string& caption, TMenuItem* parent) {
    auto* item = new TMenuItem(owner);
    item->SetCaption(caption);
    parent->Add(item);
    return item;
}

MENUITEMINFOW InfoAt(HMENU menu, int position, std::wstring* text = nullptr) {
    static wchar_t buffer[128];
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING | MIIM_DATA;
    info.dwTypeData = buffer;
    info.cch = 128;
    buffer[0] = 0;
    EXPECT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info));
    if (text)
        *text = (info.fType & MFT_OWNERDRAW) ? std::wstring() : std::wstring(buffer);
    return info;
}

TEST(ShortCut, TextNamesTheModifiersAndTheKey) {
    EXPECT_EQ(ShortCutToText(ShortCut('S', {ssCtrl})), "Ctrl+S");
    EXPECT_EQ(ShortCutToText(ShortCut(VK_F1, {ssShift, ssCtrl})), "Shift+Ctrl+F1");
    EXPECT_EQ(ShortCutToText(ShortCut(VK_RETURN, {ssAlt})), "Alt+Enter");
    EXPECT_EQ(ShortCutToText(ShortCut(VK_DELETE, {})), "Del");
    EXPECT_EQ(ShortCutToText(scNone), "");
    EXPECT_EQ(TextToShortCut("ctrl+s"), ShortCut('S', {ssCtrl}));
    EXPECT_EQ(TextToShortCut("Shift+Ctrl+F1"), ShortCut(VK_F1, {ssShift, ssCtrl}));
    EXPECT_EQ(TextToShortCut("Alt+PgDn"), ShortCut(VK_NEXT, {ssAlt}));
    EXPECT_EQ(TextToShortCut("Ctrl+Nothing"), scNone);
    EXPECT_EQ(TextToShortCut(""), scNone);
    for (WORD key : {WORD('A'), WORD('7'), WORD(VK_F12), WORD(VK_HOME), WORD(VK_NUMPAD3), WORD(VK_ESCAPE)}) {
        TShortCut s = ShortCut(key, {ssCtrl, ssAlt});
        EXPECT_EQ(TextToShortCut(ShortCutToText(s)), s) << ShortCutToText(s);
    }
}

TEST(MenuItem, TheHandleHoldsTheVisibleItemsInOrderWithTheirStates) {
    TComponent owner(nullptr);
    TPopupMenu menu(&owner);
    TMenuItem* root = menu.Items();
    TMenuItem* open = NewItem(&owner, "&Open", root);
    open->SetShortCut(ShortCut('O', {ssCtrl}));
    open->SetDefault(true);
    TMenuItem* hidden = NewItem(&owner, "Hidden", root);
    hidden->SetVisible(false);
    NewItem(&owner, "-", root);
    TMenuItem* view = NewItem(&owner, "View", root);
    TMenuItem* big = NewItem(&owner, "Big", view);
    big->SetRadioItem(true);
    big->SetChecked(true);
    TMenuItem* off = NewItem(&owner, "Off", root);
    off->SetEnabled(false);

    HMENU h = menu.Handle();
    ASSERT_EQ(GetMenuItemCount(h), 4);
    std::wstring text;
    MENUITEMINFOW info = InfoAt(h, 0, &text);
    EXPECT_EQ(text, L"&Open\tCtrl+O");
    EXPECT_EQ(info.wID, open->Command());
    EXPECT_TRUE(info.fState & MFS_DEFAULT);
    EXPECT_TRUE(InfoAt(h, 1).fType & MFT_SEPARATOR);
    info = InfoAt(h, 2, &text);
    EXPECT_EQ(text, L"View");
    EXPECT_EQ(info.hSubMenu, view->Handle());
    MENUITEMINFOW sub = InfoAt(view->Handle(), 0);
    EXPECT_TRUE(sub.fType & MFT_RADIOCHECK);
    EXPECT_TRUE(sub.fState & MFS_CHECKED);
    EXPECT_TRUE(InfoAt(h, 3).fState & MFS_DISABLED);

    hidden->SetVisible(true);
    EXPECT_EQ(GetMenuItemCount(h), 5);
    InfoAt(h, 1, &text);
    EXPECT_EQ(text, L"Hidden");
}

TEST(MenuItem, ItemsAreFoundByCommandSubmenuHandleAndShortCut) {
    TComponent owner(nullptr);
    TMainMenu menu(&owner);
    TMenuItem* file = NewItem(&owner, "File", menu.Items());
    TMenuItem* save = NewItem(&owner, "Save", file);
    save->SetShortCut(TextToShortCut("Ctrl+S"));
    menu.Handle();
    EXPECT_EQ(menu.FindItem(save->Command(), fkCommand), save);
    EXPECT_EQ(menu.FindItem(reinterpret_cast<UINT_PTR>(file->Handle()), fkHandle), file);
    EXPECT_EQ(menu.FindItem(TextToShortCut("Ctrl+S"), fkShortCut), save);
    EXPECT_EQ(menu.FindItem(0xEEEE, fkCommand), nullptr);
    EXPECT_EQ(file->Find("file"), nullptr);
    EXPECT_EQ(menu.Items()->Find("&file"), file);
}

TEST(MenuItem, CommandsAreUniqueAndComeBackWhenItemsGo) {
    TComponent owner(nullptr);
    std::vector<WORD> seen;
    for (int i = 0; i < 50; ++i) {
        TMenuItem item(nullptr);
        seen.push_back(item.Command());
    }
    TMenuItem a(&owner), b(&owner);
    EXPECT_NE(a.Command(), b.Command());
    EXPECT_NE(a.Command(), 0);
}

TEST(MenuItem, TheTreeCanBeRearrangedAndRefusesLoops) {
    TComponent owner(nullptr);
    TPopupMenu menu(&owner);
    TMenuItem* a = NewItem(&owner, "A", menu.Items());
    TMenuItem* b = NewItem(&owner, "B", menu.Items());
    auto* c = new TMenuItem(&owner);
    c->SetCaption("C");
    menu.Items()->Insert(0, c);
    HMENU h = menu.Handle();
    std::wstring text;
    InfoAt(h, 0, &text);
    EXPECT_EQ(text, L"C");
    b->SetMenuIndex(0);
    EXPECT_EQ(menu.Items()->Items(0), b);
    EXPECT_EQ(a->MenuIndex(), 2);
    InfoAt(h, 0, &text);
    EXPECT_EQ(text, L"B");
    EXPECT_THROW(a->Add(menu.Items()), EMenuError);
    EXPECT_THROW(a->Add(a), EMenuError);
    EXPECT_THROW(menu.Items()->Add(b), EMenuError);
    menu.Items()->Remove(b);
    EXPECT_EQ(b->Parent(), nullptr);
    EXPECT_EQ(GetMenuItemCount(h), 2);
    a->Add(b);
    EXPECT_EQ(b->Parent(), a);
    EXPECT_EQ(InfoAt(h, 1).hSubMenu, a->Handle());
    a->Free();  // frees b with it
    EXPECT_EQ(GetMenuItemCount(h), 1);
    EXPECT_EQ(owner.ComponentCount(), 2);  // the menu and C
}

TEST(MenuItem, RadioItemsOfAGroupUncheckEachOtherAndAutoCheckToggles) {
    TComponent owner(nullptr);
    TPopupMenu menu(&owner);
    TMenuItem* items[3];
    for (int i = 0; i < 3; ++i) {
        items[i] = NewItem(&owner, "R" + std::to_string(i), menu.Items());
        items[i]->SetRadioItem(true);
        items[i]->SetGroupIndex(i < 2 ? 1 : 2);
    }
    items[0]->SetChecked(true);
    items[2]->SetChecked(true);
    items[1]->SetChecked(true);
    EXPECT_FALSE(items[0]->Checked());
    EXPECT_TRUE(items[1]->Checked());
    EXPECT_TRUE(items[2]->Checked());
    TMenuItem* toggle = NewItem(&owner, "Echo", menu.Items());
    toggle->SetAutoCheck(true);
    int clicks = 0;
    toggle->OnClick = [&](TObject*) { ++clicks; };
    toggle->Click();
    EXPECT_TRUE(toggle->Checked());
    toggle->Click();
    EXPECT_FALSE(toggle->Checked());
    toggle->SetEnabled(false);
    toggle->Click();
    EXPECT_EQ(clicks, 2);
}

TEST(Menu, OwnerDrawRebuildsEveryItemOwnerDrawn) {
    TComponent owner(nullptr);
    TPopupMenu menu(&owner);
    TMenuItem* sub = NewItem(&owner, "Sub", menu.Items());
    NewItem(&owner, "Inner", sub);
    NewItem(&owner, "Plain", menu.Items());
    HMENU h = menu.Handle();
    EXPECT_FALSE(InfoAt(h, 1).fType & MFT_OWNERDRAW);
    menu.SetOwnerDraw(true);
    EXPECT_TRUE(InfoAt(h, 0).fType & MFT_OWNERDRAW);
    EXPECT_TRUE(InfoAt(h, 1).fType & MFT_OWNERDRAW);
    EXPECT_TRUE(InfoAt(sub->Handle(), 0).fType & MFT_OWNERDRAW);
    EXPECT_EQ(InfoAt(h, 1).dwItemData, reinterpret_cast<ULONG_PTR>(menu.Items()->Items(1)));
    menu.SetOwnerDraw(false);
    EXPECT_FALSE(InfoAt(sub->Handle(), 0).fType & MFT_OWNERDRAW);
    // A glyph of its own makes an item owner drawn anyway.
    TBitmap glyph;
    glyph.SetSize(16, 16);
    menu.Items()->Items(1)->SetBitmap(&glyph);
    EXPECT_TRUE(InfoAt(h, 1).fType & MFT_OWNERDRAW);
}

TEST(Menu, OpeningASubmenuClicksItsItem) {
    TComponent owner(nullptr);
    TPopupMenu menu(&owner);
    TMenuItem* recent = NewItem(&owner, "Recent", menu.Items());
    NewItem(&owner, "none", recent);
    int opened = 0;
    recent->OnClick = [&](TObject*) {
        ++opened;
        NewItem(&owner, "file.txt", recent);
    };
    menu.Handle();
    EXPECT_TRUE(menu.DispatchPopup(recent->Handle()));
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(GetMenuItemCount(recent->Handle()), 2);
    EXPECT_FALSE(menu.DispatchPopup(reinterpret_cast<HMENU>(0x1234)));
}

class MenuForms : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetPosition(poDesigned);
        form->SetBounds(100, 100, 320, 240);
    }
    void TearDown() override {
        form->Free();
        PumpFor(20);
    }
    TForm* form = nullptr;
};

TEST_F(MenuForms, AMainMenuIsTheFormsMenuBarAndFollowsItsItems) {
    auto* menu = new TMainMenu(form);
    TMenuItem* file = NewItem(form, "&File", menu->Items());
    TMenuItem* quit = NewItem(form, "Quit", file);
    form->SetMenu(menu);
    form->Show();
    EXPECT_EQ(GetMenu(form->Handle()), menu->Handle());
    wchar_t text[32] = {};
    GetMenuStringW(menu->Handle(), 0, text, 32, MF_BYPOSITION);
    EXPECT_STREQ(text, L"&File");
    file->SetCaption("&Port");
    GetMenuStringW(menu->Handle(), 0, text, 32, MF_BYPOSITION);
    EXPECT_STREQ(text, L"&Port");
    int quits = 0;
    quit->OnClick = [&](TObject*) { ++quits; };
    SendMessageW(form->Handle(), WM_COMMAND, quit->Command(), 0);
    EXPECT_EQ(quits, 1);
}

TEST_F(MenuForms, ClosingTheFormLeavesTheMenuItsHandle) {
    TComponent owner(nullptr);
    auto* menu = new TMainMenu(&owner);
    NewItem(&owner, "File", menu->Items());
    form->SetMenu(menu);
    form->Show();
    HMENU h = menu->Handle();
    form->Free();
    form = new TForm(nullptr);
    EXPECT_TRUE(IsMenu(h));
    EXPECT_EQ(menu->Handle(), h);
}

TEST_F(MenuForms, AShortCutKeyPressedOnTheFormClicksItsItem) {
    auto* menu = new TMainMenu(form);
    TMenuItem* file = NewItem(form, "File", menu->Items());
    TMenuItem* save = NewItem(form, "Save", file);
    save->SetShortCut(TextToShortCut("Ctrl+S"));
    form->SetMenu(menu);
    int saves = 0;
    save->OnClick = [&](TObject*) { ++saves; };
    form->Show();
    ASSERT_TRUE(PumpUntil([&] { return form->Active(); }));
    PressKey('S', false, true);
    EXPECT_TRUE(PumpUntil([&] { return saves == 1; }, 3000));
    file->SetEnabled(false);
    PressKey('S', false, true);
    PumpFor(100);
    EXPECT_EQ(saves, 1);
}

// Waits on another thread for the popup menu to be on the screen, then acts as the user.
class PopupUser {
public:
    template <class F>
    explicit PopupUser(F action) : FThread([this, action] {
          DWORD start = GetTickCount();
          HWND popup = nullptr;
          while (GetTickCount() - start < 5000) {
              popup = FindWindowA("#32768", nullptr);
              if (popup && IsWindowVisible(popup))
                  break;
              Sleep(20);
          }
          Sleep(100);
          action();
          Done = true;
      }) {}
    ~PopupUser() { FThread.join(); }
    std::atomic<bool> Done{false};

private:
    std::thread FThread;
};

TEST_F(MenuForms, APopupMenuItemClickedWithTheMouseRunsItsOnClickAndIsOwnerDrawn) {
    form->Show();
    SetForegroundWindow(form->Handle());
    auto* menu = new TPopupMenu(form);
    menu->SetOwnerDraw(true);
    TMenuItem* first = NewItem(form, "First", menu->Items());
    NewItem(form, "-", menu->Items());
    TMenuItem* hidden = NewItem(form, "Hidden", menu->Items());
    hidden->SetVisible(false);
    TMenuItem* second = NewItem(form, "Second", menu->Items());
    std::vector<std::string> log;
    for (TMenuItem* item : {first, second}) {
        item->OnMeasureItem = [&log](TObject* s, TCanvas* canvas, int& w, int& h) {
            EXPECT_NE(canvas, nullptr);
            log.push_back("measure " + static_cast<TMenuItem*>(s)->Caption());
            w = 120;
            h = 24;
        };
        item->OnAdvancedDrawItem = [&log](TObject* s, TCanvas* canvas, TRect r, TOwnerDrawState state) {
            canvas->Brush()->SetColor(state.Contains(odSelected) ? clRed : clWhite);
            canvas->FillRect(r);
            log.push_back("draw " + static_cast<TMenuItem*>(s)->Caption() + (state.Contains(odSelected) ? " selected" : ""));
        };
    }
    int firstClicks = 0, secondClicks = 0;
    first->OnClick = [&](TObject*) { ++firstClicks; };
    second->OnClick = [&](TObject*) { ++secondClicks; };
    HMENU h = menu->Handle();
    RECT itemRect{};
    {
        // Position 2: hidden items take no place in the menu.
        PopupUser user([&] {
            GetMenuItemRect(nullptr, h, 2, &itemRect);
            MoveMouseTo((itemRect.left + itemRect.right) / 2, (itemRect.top + itemRect.bottom) / 2);
            Sleep(150);
            MouseButton(true);
            MouseButton(false);
        });
        menu->Popup(form->Left() + 40, form->Top() + 60);
    }
    EXPECT_TRUE(PumpUntil([&] { return secondClicks == 1; }, 3000));
    EXPECT_EQ(firstClicks, 0);
    EXPECT_EQ(itemRect.bottom - itemRect.top, 24);
    EXPECT_NE(std::find(log.begin(), log.end(), "measure Second"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "draw Second selected"), log.end());
}

TEST_F(MenuForms, APopupMenuItemChosenWithTheKeyboardRunsItsOnClick) {
    form->Show();
    ASSERT_TRUE(PumpUntil([&] { return form->Active(); }));
    auto* menu = new TPopupMenu(form);
    TMenuItem* first = NewItem(form, "First", menu->Items());
    TMenuItem* second = NewItem(form, "Second", menu->Items());
    int firstClicks = 0, secondClicks = 0, popups = 0;
    first->OnClick = [&](TObject*) { ++firstClicks; };
    second->OnClick = [&](TObject*) { ++secondClicks; };
    menu->OnPopup = [&](TObject*) { ++popups; };
    {
        PopupUser user([] {
            PressKey(VK_DOWN);
            Sleep(50);
            PressKey(VK_DOWN);
            Sleep(50);
            PressKey(VK_RETURN);
        });
        menu->Popup(form->Left() + 40, form->Top() + 60);
    }
    EXPECT_TRUE(PumpUntil([&] { return secondClicks == 1; }, 3000));
    EXPECT_EQ(firstClicks, 0);
    EXPECT_EQ(popups, 1);
}

}  // namespace
