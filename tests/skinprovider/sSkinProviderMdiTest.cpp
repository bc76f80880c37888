// MDI forms under the flat form skin: the client area painted with the skin's MDI area, a maximized child's
// buttons and icon on the main form's menu line and their clicks by real input, tiling and closing children, and an
// MDI form without a skin left as the system makes it.
#include "skin/forms/sMDIForm.h"
#include "skin/forms/sSkinProvider.h"

#include "skin/engine/sCommonData.h"
#include "skin/engine/sSkinManager.h"
#include "tests/support/SyntheticInput.h"
#include "tests/skin/FlatFormSkin.h"
#include "tests/skin/PixelTestUtils.h"
#include "tests/support/MessageLoop.h"
#include "tests/support/ScreenPictures.h"
#include "tests/support/TempDir.h"

#include "classlib/visual/Forms.h"
#include "classlib/visual/Menus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace FormSkin;

void Settle(DWORD ms = 200) {
    PumpMessagesFor(ms);
}

class TfrmFrame : public TForm {
    CLASS_INFO(TfrmFrame, TForm)
public:
    using TForm::TForm;
    // The form alone as a designer holds it.
    void MarkDesigning(bool On) { SetComponentStateItem(csDesigning, On); }
};

class TfrmChild : public TForm {
    CLASS_INFO(TfrmChild, TForm)
public:
    using TForm::TForm;
};

// A graphic control that fills itself with one colour.
class TFilledGraphic : public TGraphicControl {
    CLASS_INFO(TFilledGraphic, TGraphicControl)
public:
    using TGraphicControl::TGraphicControl;
    TColor Fill = static_cast<TColor>(0x10F0A0);

protected:
    void Paint() override {
        Canvas()->Brush()->SetColor(Fill);
        Canvas()->FillRect(TRect(0, 0, Width(), Height()));
    }
};

// Colours that no section of the skin has: what the menu items of a test draw.
constexpr TColor FrameItemColor = static_cast<TColor>(0x2060E0);
constexpr TColor ChildItemColor = static_cast<TColor>(0xE02090);

// Makes the item draw itself as a block of one colour.
void DrawAs(TMenuItem* Item, TColor Color) {
    Item->OnAdvancedDrawItem = [Color](TObject*, TCanvas* Canvas, TRect R, TOwnerDrawState) {
        Canvas->Brush()->SetColor(Color);
        Canvas->FillRect(R);
    };
}

int Area(const RECT& r) {
    return (r.right - r.left) * (r.bottom - r.top);
}

// The data of the bar's entry at a position: the class library keeps its item's address there, the system's own
// entries keep nothing.
ULONG_PTR EntryData(HMENU Bar, UINT Position) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_DATA;
    return GetMenuItemInfoW(Bar, Position, TRUE, &info) ? info.dwItemData : static_cast<ULONG_PTR>(-1);
}

constexpr int FrameW = 520, FrameH = 400;
const int SmallInside = (SmallWidth - 2) * (SmallHeight - 2);

class SkinMDI : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Dir = new TempDir;
        WriteSkinFolder(Dir->Path(), MakeFlatFormSkin());
        // A wide border makes the form compose its frame from the section's corners: its client is painted from the
        // frame cache, not filled.
        FlatFormOptions wide;
        wide.WideBorder = true;
        WriteSkinFolder(Dir->Path(), MakeFlatFormSkin("FLATFORMWIDE", wide));
    }
    static void TearDownTestSuite() {
        delete Dir;
        Dir = nullptr;
    }
    void TearDown() override {
        for (TForm* f : Children)
            if (Alive(f))
                f->Free();
        Children.clear();
        if (Frame)
            Frame->Free();
        Frame = nullptr;
        Manager.reset();
        Settle(50);
    }
    void LoadSkin(const char* Name = "FLATFORM") {
        Manager = std::make_unique<TsSkinManager>(nullptr);
        Manager->SetSkinDirectory(Dir->Path());
        Manager->SetSkinName(Name);
        ASSERT_TRUE(Manager->Active());
        ASSERT_GE(Manager->GetSkinIndex("MDIAREA"), 0);
    }
    // The MDI main form with a menu bar, made as the application's main form, with a provider when asked.
    void MakeFrame(bool WithProvider = true, LONG_PTR* ClientProcedure = nullptr) {
        ASSERT_EQ(Application->MainForm(), nullptr);
        TfrmFrame* frame = nullptr;
        Application->CreateForm(frame);
        Frame = frame;
        Frame->SetFormStyle(fsMDIForm);
        Frame->SetPosition(poDesigned);
        Frame->SetBounds(30, 30, FrameW, FrameH);
        Frame->SetCaption("MDI frame");
        auto* menu = new TMainMenu(Frame);
        for (const char* caption : {"&File", "&Window"}) {
            auto* item = new TMenuItem(Frame);
            item->SetCaption(caption);
            menu->Items()->Add(item);
        }
        Frame->SetMenu(menu);
        Frame->HandleNeeded();
        if (ClientProcedure)
            *ClientProcedure = GetWindowLongPtrA(Frame->ClientHandle(), GWLP_WNDPROC);
        if (WithProvider) {
            FrameProvider = new TsSkinProvider(Frame);
            FrameProvider->AfterConstruction();
        }
        Frame->Show();
        SetForegroundWindow(Frame->Handle());
        Settle();
    }
    TForm* MakeChild(int X, int Y, bool WithProvider = true, const char* MenuCaption = nullptr) {
        auto* child = new TfrmChild(nullptr);
        Children.push_back(child);
        child->SetFormStyle(fsMDIChild);
        child->SetPosition(poDesigned);
        child->SetBounds(X, Y, 200, 150);
        child->SetCaption("Child");
        child->OnClose = [](TObject*, TCloseAction& Action) { Action = caFree; };
        if (MenuCaption) {
            auto* menu = new TMainMenu(child);
            auto* item = new TMenuItem(child);
            item->SetCaption(MenuCaption);
            item->SetGroupIndex(1);
            menu->Items()->Add(item);
            child->SetMenu(menu);
        }
        if (WithProvider)
            (new TsSkinProvider(child))->AfterConstruction();
        child->AfterConstruction();
        child->Show();
        Settle();
        return child;
    }
    bool Alive(TForm* Child) const {
        for (int i = 0; Frame && i < Frame->MDIChildCount(); ++i)
            if (Frame->MDIChildren(i) == Child)
                return true;
        return false;
    }
    // The client window's picture on the screen.
    std::unique_ptr<TBitmap> ClientShot() {
        RECT r;
        GetClientRect(Frame->ClientHandle(), &r);
        MapWindowPoints(Frame->ClientHandle(), nullptr, reinterpret_cast<POINT*>(&r), 2);
        return ScreenCopy(r);
    }
    // The menu line's picture on the screen, from the frame's left to its right border.
    std::unique_ptr<TBitmap> MenuLineShot() {
        RECT w;
        GetWindowRect(Frame->Handle(), &w);
        int top = w.top + FrameProvider->SysBorderHeight() + FrameProvider->SysCaptionHeight();
        return ScreenCopy(RECT{w.left, top, w.right, top + GetSystemMetrics(SM_CYMENU)});
    }
    // Pixels of the client window that lie outside every child and do not show the MDI area: what a child that
    // moved or went left behind.
    int StalePixels() {
        auto client = ClientShot();
        std::vector<RECT> children;
        for (int i = 0; i < Frame->MDIChildCount(); ++i) {
            RECT r;
            GetWindowRect(Frame->MDIChildren(i)->Handle(), &r);
            MapWindowPoints(nullptr, Frame->ClientHandle(), reinterpret_cast<POINT*>(&r), 2);
            children.push_back(r);
        }
        int stale = 0;
        for (int y = 0; y < client->Height(); ++y)
            for (int x = 0; x < client->Width(); ++x) {
                POINT p{x, y};
                bool inside = std::any_of(children.begin(), children.end(),
                                          [&](const RECT& r) { return PtInRect(&r, p) != 0; });
                if (!inside && Px(client.get(), x, y) != Opaque(MDIArea))
                    ++stale;
            }
        return stale;
    }
    // The frame's region as the window has it: its kind and its box.
    int FrameRegion(RECT& Box) {
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        int kind = GetWindowRgn(Frame->Handle(), region);
        GetRgnBox(region, &Box);
        DeleteObject(region);
        return kind;
    }
    // Where the bar's entry lies in the frame's window.
    RECT EntryRect(UINT Position) {
        RECT r{}, w;
        GetMenuItemRect(Frame->Handle(), GetMenu(Frame->Handle()), Position, &r);
        GetWindowRect(Frame->Handle(), &w);
        OffsetRect(&r, -w.left, -w.top);
        return r;
    }
    // The mouse rests where no window of the test lies, so no caption button is hot.
    static void MouseAway() {
        ParkPointer();
        Settle(50);
    }
    // The frame on the screen with the given items drawn as blocks of their colours. The skinned menus give the bar's
    // items their own drawing whenever a form is activated: the blocks are set just before the frame is repainted.
    std::unique_ptr<TBitmap> ShotWithItemsAs(const std::vector<std::pair<TMenuItem*, TColor>>& Items) {
        for (const auto& [item, color] : Items)
            DrawAs(item, color);
        FrameProvider->RepaintFrame();
        Settle(200);
        return ScreenCopyOf(Frame->Handle());
    }
    // Puts a child's item into the frame's bar at Position, as a library that merges an MDI child's menu into its
    // frame's does: the entry carries the item's command and the item.
    void MergeIntoBar(TMenuItem* Item, UINT Position) {
        HMENU bar = GetMenu(Frame->Handle());
        std::wstring text = L"Edit";
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_DATA | MIIM_STRING;
        info.wID = Item->Command();
        info.dwItemData = reinterpret_cast<ULONG_PTR>(Item);
        info.dwTypeData = text.data();
        ASSERT_TRUE(InsertMenuItemW(bar, Position, TRUE, &info));
        DrawMenuBar(Frame->Handle());
        Settle(100);
    }
    // An MDI frame with a graphic strip aligned at its top and one child, under the skin Skin.
    void PaintsItsGraphicChildren(const char* Skin);
    // A real click in the middle of a maximized child's button of the frame's menu line.
    void ClickMDIButton(TsSkinProvider::TCaptionButtonIndex Index) {
        TRect r = FrameProvider->MDIButtonRect(Index);
        ASSERT_FALSE(r.IsEmpty());
        RECT w;
        GetWindowRect(Frame->Handle(), &w);
        MoveMouseTo(w.left + (r.left + r.right) / 2, w.top + (r.top + r.bottom) / 2);
        Settle(100);
        MouseButton(true);
        Settle(100);
        MouseButton(false);
        Settle(300);
    }

    static inline TempDir* Dir = nullptr;
    std::unique_ptr<TsSkinManager> Manager;
    TForm* Frame = nullptr;
    TsSkinProvider* FrameProvider = nullptr;
    std::vector<TForm*> Children;
};

TEST_F(SkinMDI, PaintsTheClientAreaAndTheChildrenWithTheSkin) {
    LoadSkin();
    MakeFrame();
    ASSERT_NE(FrameProvider->MDIForm(), nullptr);
    EXPECT_EQ(MDISkinProvider, FrameProvider);
    TForm* first = MakeChild(10, 10);
    TForm* second = MakeChild(240, 120);
    (void)first;
    // The client window has its adapter, and shows the MDI area around the children.
    ASSERT_NE(FrameProvider->MDIForm()->Adapter(), nullptr);
    auto client = ClientShot();
    EXPECT_EQ(Px(client.get(), 5, client->Height() - 5), Opaque(MDIArea));
    EXPECT_EQ(Px(client.get(), client->Width() - 5, 5), Opaque(MDIArea));
    // Each child's frame is the skin's: the second (active) child's caption is the active caption colour, the
    // first's the inactive one.
    auto shot = ScreenCopyOf(second->Handle());
    EXPECT_EQ(Px(shot.get(), 100, 8), Opaque(TitleHot));
    EXPECT_EQ(Px(shot.get(), 1, 80), Opaque(Ring));
    EXPECT_EQ(CountOf(shot.get(), GlyphColor("CLOSE", true, 0)), (BigWidth - 2) * (BigHeight - 2));
    EXPECT_EQ(Px(ScreenCopyOf(first->Handle()).get(), 100, 8), Opaque(Title));
    // No maximized child: the menu line shows none of its buttons.
    auto line = MenuLineShot();
    EXPECT_EQ(CountOf(line.get(), GlyphColor("CLOSE", false, 0)), 0);
    EXPECT_TRUE(FrameProvider->MDIButtonRect(TsSkinProvider::cbMDIClose).IsEmpty());
}

TEST_F(SkinMDI, AMaximizedChildShowsItsButtonsOnTheMenuLineAndTheyWork) {
    LoadSkin();
    MakeFrame();
    TForm* first = MakeChild(10, 10);
    TForm* second = MakeChild(240, 120);
    SendMessageA(second->Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    Settle(300);
    ASSERT_TRUE(IsZoomed(second->Handle()));
    ASSERT_EQ(FrameProvider->MaximizedMDIChild(), second);
    // The child covers the client window, showing its own client area.
    auto covered = ClientShot();
    EXPECT_EQ(CountOf(covered.get(), FormHot), covered->Width() * covered->Height());
    // Close, restore and minimize at the right end of the menu line, in their normal state; the line itself and
    // the frame's caption stay the skin's.
    auto line = MenuLineShot();
    EXPECT_EQ(CountOf(line.get(), GlyphColor("CLOSE", false, 0)), SmallInside);
    EXPECT_EQ(CountOf(line.get(), GlyphColor("NORM", false, 0)), SmallInside);
    EXPECT_EQ(CountOf(line.get(), GlyphColor("MIN", false, 0)), SmallInside);
    EXPECT_EQ(CountOf(line.get(), GlyphColor("MAX", false, 0)), 0);
    TRect close = FrameProvider->MDIButtonRect(TsSkinProvider::cbMDIClose);
    EXPECT_EQ(close.right, FrameW - FrameProvider->SysBorderWidth() - 1);
    EXPECT_EQ(FrameProvider->MDIButtonRect(TsSkinProvider::cbMDIMax).right, close.left);
    EXPECT_GT(CountOf(line.get(), MenuLine), 100);
    EXPECT_EQ(Px(ScreenCopyOf(Frame->Handle()).get(), 200, 8), Opaque(TitleHot));
    // The hit test answers the buttons' codes.
    RECT w;
    GetWindowRect(Frame->Handle(), &w);
    auto hit = [&](TsSkinProvider::TCaptionButtonIndex i) {
        TRect r = FrameProvider->MDIButtonRect(i);
        return SendMessageA(Frame->Handle(), WM_NCHITTEST, 0,
                            MAKELPARAM(w.left + (r.left + r.right) / 2, w.top + (r.top + r.bottom) / 2));
    };
    EXPECT_EQ(hit(TsSkinProvider::cbMDIClose), 101);
    EXPECT_EQ(hit(TsSkinProvider::cbMDIMax), 102);
    EXPECT_EQ(hit(TsSkinProvider::cbMDIMin), 103);
    // The mouse over the close button makes it hot.
    TRect r = FrameProvider->MDIButtonRect(TsSkinProvider::cbMDIClose);
    // From elsewhere first: a mouse already resting there (an earlier run) makes no move to see.
    MoveMouseTo(w.left + (w.right - w.left) / 2, w.top + (w.bottom - w.top) / 2);
    Settle(100);
    MoveMouseTo(w.left + (r.left + r.right) / 2, w.top + (r.top + r.bottom) / 2);
    Settle(200);
    EXPECT_EQ(CountOf(MenuLineShot().get(), GlyphColor("CLOSE", false, 1)), SmallInside);

    // Restore: the child comes back to its place and the buttons go.
    ClickMDIButton(TsSkinProvider::cbMDIMax);
    EXPECT_FALSE(IsZoomed(second->Handle()));
    EXPECT_FALSE(IsIconic(second->Handle()));
    EXPECT_EQ(FrameProvider->MaximizedMDIChild(), nullptr);
    line = MenuLineShot();
    EXPECT_EQ(CountOf(line.get(), GlyphColor("CLOSE", false, 0)), 0);
    EXPECT_EQ(CountOf(line.get(), GlyphColor("NORM", false, 0)), 0);
    EXPECT_EQ(Px(ScreenCopyOf(second->Handle()).get(), 100, 8), Opaque(TitleHot));
    EXPECT_EQ(StalePixels(), 0);
    // Maximized it had no region (its frame lay outside); restored it has the skin's again, at its own size.
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(second->Handle(), region), COMPLEXREGION);
    RECT box{};
    GetRgnBox(region, &box);
    DeleteObject(region);
    EXPECT_EQ(box.right - box.left, 200);
    EXPECT_EQ(box.bottom - box.top, 150);

    // Minimize.
    SendMessageA(second->Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    Settle(300);
    ASSERT_TRUE(IsZoomed(second->Handle()));
    ClickMDIButton(TsSkinProvider::cbMDIMin);
    EXPECT_TRUE(IsIconic(second->Handle()));
    EXPECT_EQ(CountOf(MenuLineShot().get(), GlyphColor("CLOSE", false, 0)), 0);
    EXPECT_EQ(StalePixels(), 0);

    // Close the other one maximized: it goes, and the client shows the MDI area where it was.
    SendMessageA(first->Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    Settle(300);
    ASSERT_EQ(FrameProvider->MaximizedMDIChild(), first);
    EXPECT_EQ(CountOf(MenuLineShot().get(), GlyphColor("CLOSE", false, 0)), SmallInside);
    ClickMDIButton(TsSkinProvider::cbMDIClose);
    Settle(300);
    EXPECT_FALSE(Alive(first));
    EXPECT_EQ(Frame->MDIChildCount(), 1);
    EXPECT_EQ(CountOf(MenuLineShot().get(), GlyphColor("CLOSE", false, 0)), 0);
    EXPECT_EQ(StalePixels(), 0);
}

TEST_F(SkinMDI, ANewChildNextToAMaximizedOneLeavesTheMenuLineTrue) {
    LoadSkin();
    MakeFrame();
    TForm* first = MakeChild(10, 10);
    SendMessageA(first->Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    Settle(300);
    ASSERT_EQ(CountOf(MenuLineShot().get(), GlyphColor("CLOSE", false, 0)), SmallInside);
    // The system decides whether the new child is maximized or its sibling restored; the menu line shows the
    // buttons exactly while the active child is maximized.
    TForm* second = MakeChild(60, 60);
    Settle(300);
    TCustomForm* maximized = FrameProvider->MaximizedMDIChild();
    EXPECT_EQ(CountOf(MenuLineShot().get(), GlyphColor("CLOSE", false, 0)), maximized ? SmallInside : 0);
    EXPECT_EQ(Px(ScreenCopyOf(second->Handle()).get(), 1, 60), maximized == second ? Opaque(MenuLine) : Opaque(Ring));
    SendMessageA(second->Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    Settle(300);
    ASSERT_EQ(FrameProvider->MaximizedMDIChild(), second);
    ClickMDIButton(TsSkinProvider::cbMDIClose);
    Settle(300);
    EXPECT_FALSE(Alive(second));
    maximized = FrameProvider->MaximizedMDIChild();
    EXPECT_EQ(CountOf(MenuLineShot().get(), GlyphColor("CLOSE", false, 0)), maximized ? SmallInside : 0);
}

TEST_F(SkinMDI, TiledAndClosedChildrenLeaveNoStaleFrames) {
    LoadSkin();
    MakeFrame();
    TForm* first = MakeChild(10, 10);
    TForm* second = MakeChild(40, 40);
    TForm* third = MakeChild(70, 70);
    SendMessageA(Frame->ClientHandle(), WM_MDITILE, MDITILE_VERTICAL, 0);
    Settle(300);
    // Side by side, each with its skinned frame at its new place.
    RECT a, b;
    GetWindowRect(first->Handle(), &a);
    GetWindowRect(second->Handle(), &b);
    EXPECT_TRUE(a.right <= b.left || b.right <= a.left);
    for (TForm* child : {first, second, third}) {
        auto shot = ScreenCopyOf(child->Handle());
        EXPECT_EQ(Px(shot.get(), 1, shot->Height() / 2), Opaque(Ring));
        TColor caption = Px(shot.get(), shot->Width() / 2 - 20, 8);
        EXPECT_TRUE(caption == Opaque(Title) || caption == Opaque(TitleHot));
    }
    // Closing two: the client shows the MDI area everywhere outside the last child.
    for (TForm* child : {first, third}) {
        SendMessageA(child->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
        Settle(300);
    }
    ASSERT_EQ(Frame->MDIChildCount(), 1);
    EXPECT_EQ(StalePixels(), 0);
    // The last child, maximized and restored, comes back with its frame and without stale buttons.
    SendMessageA(second->Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    Settle(300);
    SendMessageA(second->Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
    Settle(300);
    EXPECT_EQ(CountOf(MenuLineShot().get(), GlyphColor("CLOSE", false, 0)), 0);
    EXPECT_EQ(Px(ScreenCopyOf(second->Handle()).get(), 1, 60), Opaque(Ring));
    EXPECT_EQ(StalePixels(), 0);
}

TEST_F(SkinMDI, TheBarHoldsTheFramesOwnItemsOnlyAndThoseAreDrawn) {
    LoadSkin();
    MakeFrame();
    MouseAway();
    TMenuItem* file = Frame->Menu()->Items()->Items(0);
    TMenuItem* window = Frame->Menu()->Items()->Items(1);
    TForm* child = MakeChild(10, 10, true, "&Edit");
    TMenuItem* edit = child->Menu()->Items()->Items(0);
    ASSERT_EQ(Frame->ActiveMDIChild(), child);
    // The class library does not merge a child's menu into the frame's bar: the bar holds the frame's two items.
    HMENU bar = GetMenu(Frame->Handle());
    ASSERT_EQ(GetMenuItemCount(bar), 2);
    EXPECT_EQ(EntryData(bar, 0), reinterpret_cast<ULONG_PTR>(file));
    EXPECT_EQ(EntryData(bar, 1), reinterpret_cast<ULONG_PTR>(window));
    EXPECT_EQ(GetMenuState(bar, edit->Command(), MF_BYCOMMAND), static_cast<UINT>(-1));
    // Maximized, the system adds the child's system menu before them and its three buttons after them.
    SendMessageA(child->Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    Settle(300);
    ASSERT_EQ(GetMenuItemCount(bar), 6);
    EXPECT_EQ(EntryData(bar, 0), 0u);
    EXPECT_EQ(EntryData(bar, 1), reinterpret_cast<ULONG_PTR>(file));
    EXPECT_EQ(EntryData(bar, 2), reinterpret_cast<ULONG_PTR>(window));
    for (UINT i = 3; i < 6; ++i)
        EXPECT_EQ(EntryData(bar, i), 0u);
    // What the line shows is what the bar holds: the frame's items where the bar has them, none of the child's.
    auto shot = ShotWithItemsAs({{file, FrameItemColor}, {window, FrameItemColor}, {edit, ChildItemColor}});
    EXPECT_EQ(CountOf(shot.get(), FrameItemColor), Area(EntryRect(1)) + Area(EntryRect(2)));
    EXPECT_EQ(CountOf(shot.get(), ChildItemColor), 0);
    EXPECT_EQ(CountOf(MenuLineShot().get(), GlyphColor("CLOSE", false, 0)), SmallInside);
}

TEST_F(SkinMDI, AMergedBarIsDrawnEntryByEntryWithTheActiveChildsItems) {
    LoadSkin();
    MakeFrame();
    TMenuItem* file = Frame->Menu()->Items()->Items(0);
    TMenuItem* window = Frame->Menu()->Items()->Items(1);
    file->SetGroupIndex(0);
    window->SetGroupIndex(9);
    TForm* child = MakeChild(10, 10, true, "&Edit");
    TMenuItem* edit = child->Menu()->Items()->Items(0);
    // The bar as a merging library makes it: the child's group-1 item between the frame's groups 0 and 9.
    MergeIntoBar(edit, 1);
    HMENU bar = GetMenu(Frame->Handle());
    ASSERT_EQ(GetMenuItemCount(bar), 3);
    RECT first = EntryRect(0), middle = EntryRect(1), last = EntryRect(2);
    ASSERT_GT(Area(middle), 0);
    // Each entry shows the item it belongs to: the frame's at the first and last place, the child's between.
    auto shot = ShotWithItemsAs({{file, FrameItemColor}, {window, FrameItemColor}, {edit, ChildItemColor}});
    EXPECT_EQ(CountOf(shot.get(), ChildItemColor), Area(middle));
    EXPECT_EQ(CountOf(shot.get(), FrameItemColor), Area(first) + Area(last));
    EXPECT_EQ(Px(shot.get(), (middle.left + middle.right) / 2, (middle.top + middle.bottom) / 2), ChildItemColor);
    EXPECT_EQ(Px(shot.get(), (last.left + last.right) / 2, (last.top + last.bottom) / 2), FrameItemColor);
}

TEST_F(SkinMDI, TheActivationOfAMaximizedChildRepaintsTheFramesMenuLine) {
    LoadSkin();
    MakeFrame();
    MouseAway();
    TForm* child = MakeChild(10, 10);
    SendMessageA(child->Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    Settle(300);
    ASSERT_EQ(CountOf(MenuLineShot().get(), GlyphColor("CLOSE", false, 0)), SmallInside);
    // Something draws over the frame's menu line; the child's next activation brings the skinned line back.
    RECT w;
    GetWindowRect(Frame->Handle(), &w);
    int top = FrameProvider->SysBorderHeight() + FrameProvider->SysCaptionHeight();
    HDC dc = GetWindowDC(Frame->Handle());
    RECT line{0, top, w.right - w.left, top + FrameProvider->MenuLineHeight()};
    FillRect(dc, &line, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(Frame->Handle(), dc);
    Settle(50);
    ASSERT_EQ(CountOf(MenuLineShot().get(), GlyphColor("CLOSE", false, 0)), 0);
    SendMessageA(child->Handle(), WM_NCACTIVATE, 1, 0);
    Settle(300);
    auto after = MenuLineShot();
    EXPECT_EQ(CountOf(after.get(), GlyphColor("CLOSE", false, 0)), SmallInside);
    EXPECT_EQ(CountOf(after.get(), GlyphColor("NORM", false, 0)), SmallInside);
    EXPECT_GT(CountOf(after.get(), MenuLine), 100);
}

TEST_F(SkinMDI, TheFramePaintsItsGraphicChildren) {
    // Under both skins: the frame whose client is filled (the flat skin) and the one painted from its cache.
    for (const char* skin : {"FLATFORM", "FLATFORMWIDE"}) {
        SCOPED_TRACE(skin);
        PaintsItsGraphicChildren(skin);
        TearDown();
    }
}

void SkinMDI::PaintsItsGraphicChildren(const char* Skin) {
    LoadSkin(Skin);
    TfrmFrame* frame = nullptr;
    Application->CreateForm(frame);
    Frame = frame;
    Frame->SetFormStyle(fsMDIForm);
    Frame->SetPosition(poDesigned);
    Frame->SetBounds(30, 30, FrameW, FrameH);
    auto* strip = new TFilledGraphic(Frame);
    strip->SetParent(Frame);
    strip->SetAlign(alTop);
    strip->SetHeight(30);
    Frame->HandleNeeded();
    FrameProvider = new TsSkinProvider(Frame);
    FrameProvider->AfterConstruction();
    Frame->Show();
    SetForegroundWindow(Frame->Handle());
    Settle();
    MakeChild(10, 10);
    EXPECT_EQ(FrameProvider->SkinData()->IsCached(), std::string(Skin) == "FLATFORMWIDE");
    // The strip lies above the client window, painted by itself on the frame's client area.
    auto shot = ScreenCopyOf(Frame->Handle());
    EXPECT_EQ(CountOf(shot.get(), strip->Fill), strip->Width() * 30);
    EXPECT_EQ(Px(ClientShot().get(), 5, 5), Opaque(MDIArea));
    // Painted anew after something covered it.
    InvalidateRect(Frame->Handle(), nullptr, TRUE);
    Settle(200);
    EXPECT_EQ(CountOf(ScreenCopyOf(Frame->Handle()).get(), strip->Fill), strip->Width() * 30);
}

TEST_F(SkinMDI, ClosingAMaximizedChildLeavesTheFramesRegionAndMenuLine) {
    LoadSkin();
    MakeFrame();
    MouseAway();
    TMenuItem* file = Frame->Menu()->Items()->Items(0);
    TForm* child = MakeChild(10, 10);
    RECT box{};
    ASSERT_EQ(FrameRegion(box), COMPLEXREGION);
    ShotWithItemsAs({{file, FrameItemColor}});
    auto before = MenuLineShot();
    int lineBefore = CountOf(before.get(), MenuLine);
    int itemBefore = CountOf(before.get(), FrameItemColor);
    ASSERT_GT(itemBefore, 0);
    SendMessageA(child->Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    Settle(300);
    ASSERT_EQ(CountOf(MenuLineShot().get(), GlyphColor("CLOSE", false, 0)), SmallInside);
    SendMessageA(child->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    Settle(300);
    ASSERT_FALSE(Alive(child));
    EXPECT_EQ(FrameProvider->MaximizedMDIChild(), nullptr);
    // The frame keeps the skin's region at its own size.
    EXPECT_EQ(FrameRegion(box), COMPLEXREGION);
    EXPECT_EQ(box.right - box.left, FrameW);
    EXPECT_EQ(box.bottom - box.top, FrameH);
    // The line is what it was before the child was maximized: the same line, the frame's item, no buttons, no icon.
    EXPECT_EQ(GetMenuItemCount(GetMenu(Frame->Handle())), 2);
    ShotWithItemsAs({{file, FrameItemColor}});
    auto after = MenuLineShot();
    EXPECT_EQ(CountOf(after.get(), MenuLine), lineBefore);
    EXPECT_EQ(CountOf(after.get(), FrameItemColor), itemBefore);
    for (const char* glyph : {"CLOSE", "NORM", "MIN"})
        EXPECT_EQ(CountOf(after.get(), GlyphColor(glyph, false, 0)), 0) << glyph;
    // Caption and border are the frame's, the client the MDI area.
    auto shot = ScreenCopyOf(Frame->Handle());
    EXPECT_EQ(Px(shot.get(), 200, 8), Opaque(TitleHot));
    EXPECT_EQ(Px(shot.get(), 1, FrameH / 2), Opaque(Ring));
    EXPECT_EQ(StalePixels(), 0);
}

TEST_F(SkinMDI, AFrameWithoutItemsOfItsOwnShowsTheActiveChildsItemsOnlyWhereTheBarHoldsThem) {
    LoadSkin();
    MakeFrame();
    MouseAway();
    for (int i = 0; i < 2; ++i)
        Frame->Menu()->Items()->Items(i)->SetVisible(false);
    TForm* child = MakeChild(10, 10, true, "&Edit");
    TMenuItem* edit = child->Menu()->Items()->Items(0);
    // The frame's bar is empty, and the system gives an empty bar no room: the client area follows the caption, and
    // no menu line is painted over it although the active child has a menu.
    ASSERT_EQ(GetMenuItemCount(GetMenu(Frame->Handle())), 0);
    // Hiding the items leaves a strip of the old line on the client window's edge until the whole frame is redrawn.
    RedrawWindow(Frame->Handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Settle(200);
    auto shot = ShotWithItemsAs({{edit, ChildItemColor}});
    EXPECT_EQ(CountOf(shot.get(), MenuLine), 0);
    EXPECT_EQ(CountOf(shot.get(), ChildItemColor), 0);
    // With the child's item in the bar, the line is there and shows it.
    MergeIntoBar(edit, 0);
    ASSERT_GT(Area(EntryRect(0)), 0);
    shot = ShotWithItemsAs({{edit, ChildItemColor}});
    EXPECT_EQ(CountOf(shot.get(), ChildItemColor), Area(EntryRect(0)));
    EXPECT_GT(CountOf(shot.get(), MenuLine), 100);
    EXPECT_EQ(StalePixels(), 0);
}

TEST_F(SkinMDI, AnMDIFormWithoutSkinStaysTheSystems) {
    MakeFrame();
    MakeChild(10, 10);
    // Without a skin manager nothing of the skin is there: the system's client colour, no adapter.
    EXPECT_EQ(FrameProvider->MDIForm(), nullptr);
    auto plain = ClientShot();
    EXPECT_EQ(CountOf(plain.get(), MDIArea), 0);
    EXPECT_EQ(Px(plain.get(), plain->Width() - 5, plain->Height() - 5), ColorToRGB(clAppWorkSpace));
}

TEST_F(SkinMDI, TheClientWindowIsItsOwnAgainWhenTheSkinGoes) {
    LoadSkin();
    LONG_PTR own = 0;
    MakeFrame(true, &own);
    HWND client = Frame->ClientHandle();
    TForm* child = MakeChild(10, 10);
    EXPECT_EQ(Px(ClientShot().get(), 5, ClientShot()->Height() - 5), Opaque(MDIArea));
    EXPECT_NE(GetWindowLongPtrA(client, GWLP_WNDPROC), own);
    Manager->SetActive(false);
    Settle(300);
    EXPECT_EQ(GetWindowLongPtrA(client, GWLP_WNDPROC), own);
    EXPECT_EQ(FrameProvider->MDIForm(), nullptr);
    auto after = ClientShot();
    EXPECT_EQ(CountOf(after.get(), MDIArea), 0);
    EXPECT_EQ(Px(after.get(), after->Width() - 5, after->Height() - 5), ColorToRGB(clAppWorkSpace));
    EXPECT_NE(GetWindowLongA(child->Handle(), GWL_STYLE) & WS_SYSMENU, 0);
    // The skin comes back, and with it the client's adapter and the MDI area.
    Manager->SetActive(true);
    Settle(300);
    ASSERT_NE(FrameProvider->MDIForm(), nullptr);
    EXPECT_NE(FrameProvider->MDIForm()->Adapter(), nullptr);
    EXPECT_EQ(Px(ClientShot().get(), 5, ClientShot()->Height() - 5), Opaque(MDIArea));
}

TEST_F(SkinMDI, TheClientGetsOneAdapterOnlyWithTheSkinOnAndNeverWhileTheFormIsDesigned) {
    LoadSkin();
    MakeFrame();
    TsMDIForm* mdi = FrameProvider->MDIForm();
    ASSERT_NE(mdi, nullptr);
    TacMDIWnd* adapter = mdi->Adapter();
    ASSERT_NE(adapter, nullptr);
    // The client's own section is the see-through one: the MDI area comes from the form's picture.
    EXPECT_EQ(adapter->SkinData->SkinSection(), "CHECKBOX");
    EXPECT_EQ(Px(ClientShot().get(), 5, ClientShot()->Height() - 5), Opaque(MDIArea));
    const int live = TacMainWnd::LiveCount();
    mdi->Connect();
    mdi->Connect();
    EXPECT_EQ(mdi->Adapter(), adapter);
    EXPECT_EQ(TacMainWnd::LiveCount(), live);
    // A form that a designer holds keeps its client window as it is.
    mdi->DetachClientAdapter();
    static_cast<TfrmFrame*>(Frame)->MarkDesigning(true);
    mdi->Connect();
    static_cast<TfrmFrame*>(Frame)->MarkDesigning(false);
    EXPECT_EQ(mdi->Adapter(), nullptr);
    mdi->Connect();
    EXPECT_NE(mdi->Adapter(), nullptr);
    // Without the skin nothing is attached.
    Manager->SetActive(false);
    Settle(100);
    TsMDIForm unskinned(FrameProvider);
    unskinned.Connect();
    EXPECT_EQ(unskinned.Adapter(), nullptr);
}

}  // namespace
