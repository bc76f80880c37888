// MDI forms under the flat form skin: the client area painted with the skin's MDI area, a maximized child's
// buttons and icon on the main form's menu line and their clicks by real input, tiling and closing children, and an
// MDI form without a skin left as the system makes it.
#include "skin/forms/sMDIForm.h"
#include "skin/forms/sSkinProvider.h"

#include "skin/engine/sCommonData.h"
#include "skin/engine/sSkinManager.h"
#include "tests/classlib/SyntheticInput.h"
#include "tests/skin/FlatFormSkin.h"
#include "tests/skin/PixelTestUtils.h"
#include "tests/support/MessageLoop.h"
#include "tests/support/TempDir.h"

#include "classlib/Forms.h"
#include "classlib/Menus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace FormSkin;

TColor C(SampleColor c) {
    return static_cast<TColor>(c & 0xFFFFFF);
}

void Settle(DWORD ms = 200) {
    PumpMessagesFor(ms);
}

// The screen's pixels of a window rectangle (screen coordinates).
std::unique_ptr<TBitmap> ScreenRect(const RECT& r) {
    auto bmp = MakeBmp(r.right - r.left, r.bottom - r.top);
    HDC screen = GetDC(nullptr);
    BitBlt(bmp->Canvas()->Handle(), 0, 0, r.right - r.left, r.bottom - r.top, screen, r.left, r.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    GdiFlush();
    return bmp;
}

std::unique_ptr<TBitmap> ScreenOf(HWND Wnd) {
    RECT r;
    GetWindowRect(Wnd, &r);
    return ScreenRect(r);
}

int Count(TBitmap* b, SampleColor c, int l = 0, int t = 0, int r = -1, int bt = -1) {
    TColor want = C(c);
    return CountPx(
        b, [want](TColor p) { return p == want; }, l, t, r, bt);
}

class TfrmFrame : public TForm {
    CLASS_INFO(TfrmFrame, TForm)
public:
    using TForm::TForm;
};

class TfrmChild : public TForm {
    CLASS_INFO(TfrmChild, TForm)
public:
    using TForm::TForm;
};

constexpr int FrameW = 520, FrameH = 400;
const int SmallInside = (SmallWidth - 2) * (SmallHeight - 2);

class SkinMDI : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Dir = new TempDir;
        WriteSkinFolder(Dir->Path(), MakeFlatFormSkin());
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
    void LoadSkin() {
        Manager = std::make_unique<TsSkinManager>(nullptr);
        Manager->SetSkinDirectory(Dir->Path());
        Manager->SetSkinName("FLATFORM");
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
    TForm* MakeChild(int X, int Y, bool WithProvider = true) {
        auto* child = new TfrmChild(nullptr);
        Children.push_back(child);
        child->SetFormStyle(fsMDIChild);
        child->SetPosition(poDesigned);
        child->SetBounds(X, Y, 200, 150);
        child->SetCaption("Child");
        child->OnClose = [](TObject*, TCloseAction& Action) { Action = caFree; };
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
        return ScreenRect(r);
    }
    // The menu line's picture on the screen, from the frame's left to its right border.
    std::unique_ptr<TBitmap> MenuLineShot() {
        RECT w;
        GetWindowRect(Frame->Handle(), &w);
        int top = w.top + FrameProvider->SysBorderHeight() + FrameProvider->SysCaptionHeight();
        return ScreenRect(RECT{w.left, top, w.right, top + GetSystemMetrics(SM_CYMENU)});
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
                if (!inside && Px(client.get(), x, y) != C(MDIArea))
                    ++stale;
            }
        return stale;
    }
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
    EXPECT_EQ(Px(client.get(), 5, client->Height() - 5), C(MDIArea));
    EXPECT_EQ(Px(client.get(), client->Width() - 5, 5), C(MDIArea));
    // Each child's frame is the skin's: the second (active) child's caption is the active caption colour, the
    // first's the inactive one.
    auto shot = ScreenOf(second->Handle());
    EXPECT_EQ(Px(shot.get(), 100, 8), C(TitleHot));
    EXPECT_EQ(Px(shot.get(), 1, 80), C(Ring));
    EXPECT_EQ(Count(shot.get(), GlyphColor("CLOSE", true, 0)), (BigWidth - 2) * (BigHeight - 2));
    EXPECT_EQ(Px(ScreenOf(first->Handle()).get(), 100, 8), C(Title));
    // No maximized child: the menu line shows none of its buttons.
    auto line = MenuLineShot();
    EXPECT_EQ(Count(line.get(), GlyphColor("CLOSE", false, 0)), 0);
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
    EXPECT_EQ(Count(covered.get(), FormHot), covered->Width() * covered->Height());
    // Close, restore and minimize at the right end of the menu line, in their normal state; the line itself and
    // the frame's caption stay the skin's.
    auto line = MenuLineShot();
    EXPECT_EQ(Count(line.get(), GlyphColor("CLOSE", false, 0)), SmallInside);
    EXPECT_EQ(Count(line.get(), GlyphColor("NORM", false, 0)), SmallInside);
    EXPECT_EQ(Count(line.get(), GlyphColor("MIN", false, 0)), SmallInside);
    EXPECT_EQ(Count(line.get(), GlyphColor("MAX", false, 0)), 0);
    TRect close = FrameProvider->MDIButtonRect(TsSkinProvider::cbMDIClose);
    EXPECT_EQ(close.right, FrameW - FrameProvider->SysBorderWidth() - 1);
    EXPECT_EQ(FrameProvider->MDIButtonRect(TsSkinProvider::cbMDIMax).right, close.left);
    EXPECT_GT(Count(line.get(), MenuLine), 100);
    EXPECT_EQ(Px(ScreenOf(Frame->Handle()).get(), 200, 8), C(TitleHot));
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
    EXPECT_EQ(Count(MenuLineShot().get(), GlyphColor("CLOSE", false, 1)), SmallInside);

    // Restore: the child comes back to its place and the buttons go.
    ClickMDIButton(TsSkinProvider::cbMDIMax);
    EXPECT_FALSE(IsZoomed(second->Handle()));
    EXPECT_FALSE(IsIconic(second->Handle()));
    EXPECT_EQ(FrameProvider->MaximizedMDIChild(), nullptr);
    line = MenuLineShot();
    EXPECT_EQ(Count(line.get(), GlyphColor("CLOSE", false, 0)), 0);
    EXPECT_EQ(Count(line.get(), GlyphColor("NORM", false, 0)), 0);
    EXPECT_EQ(Px(ScreenOf(second->Handle()).get(), 100, 8), C(TitleHot));
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
    EXPECT_EQ(Count(MenuLineShot().get(), GlyphColor("CLOSE", false, 0)), 0);
    EXPECT_EQ(StalePixels(), 0);

    // Close the other one maximized: it goes, and the client shows the MDI area where it was.
    SendMessageA(first->Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    Settle(300);
    ASSERT_EQ(FrameProvider->MaximizedMDIChild(), first);
    EXPECT_EQ(Count(MenuLineShot().get(), GlyphColor("CLOSE", false, 0)), SmallInside);
    ClickMDIButton(TsSkinProvider::cbMDIClose);
    Settle(300);
    EXPECT_FALSE(Alive(first));
    EXPECT_EQ(Frame->MDIChildCount(), 1);
    EXPECT_EQ(Count(MenuLineShot().get(), GlyphColor("CLOSE", false, 0)), 0);
    EXPECT_EQ(StalePixels(), 0);
}

TEST_F(SkinMDI, ANewChildNextToAMaximizedOneLeavesTheMenuLineTrue) {
    LoadSkin();
    MakeFrame();
    TForm* first = MakeChild(10, 10);
    SendMessageA(first->Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    Settle(300);
    ASSERT_EQ(Count(MenuLineShot().get(), GlyphColor("CLOSE", false, 0)), SmallInside);
    // The system decides whether the new child is maximized or its sibling restored; the menu line shows the
    // buttons exactly while the active child is maximized.
    TForm* second = MakeChild(60, 60);
    Settle(300);
    TCustomForm* maximized = FrameProvider->MaximizedMDIChild();
    EXPECT_EQ(Count(MenuLineShot().get(), GlyphColor("CLOSE", false, 0)), maximized ? SmallInside : 0);
    EXPECT_EQ(Px(ScreenOf(second->Handle()).get(), 1, 60), maximized == second ? C(MenuLine) : C(Ring));
    SendMessageA(second->Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    Settle(300);
    ASSERT_EQ(FrameProvider->MaximizedMDIChild(), second);
    ClickMDIButton(TsSkinProvider::cbMDIClose);
    Settle(300);
    EXPECT_FALSE(Alive(second));
    maximized = FrameProvider->MaximizedMDIChild();
    EXPECT_EQ(Count(MenuLineShot().get(), GlyphColor("CLOSE", false, 0)), maximized ? SmallInside : 0);
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
        auto shot = ScreenOf(child->Handle());
        EXPECT_EQ(Px(shot.get(), 1, shot->Height() / 2), C(Ring));
        TColor caption = Px(shot.get(), shot->Width() / 2 - 20, 8);
        EXPECT_TRUE(caption == C(Title) || caption == C(TitleHot));
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
    EXPECT_EQ(Count(MenuLineShot().get(), GlyphColor("CLOSE", false, 0)), 0);
    EXPECT_EQ(Px(ScreenOf(second->Handle()).get(), 1, 60), C(Ring));
    EXPECT_EQ(StalePixels(), 0);
}

TEST_F(SkinMDI, AnMDIFormWithoutSkinStaysTheSystems) {
    MakeFrame();
    MakeChild(10, 10);
    // Without a skin manager nothing of the skin is there: the system's client colour, no adapter.
    EXPECT_EQ(FrameProvider->MDIForm(), nullptr);
    auto plain = ClientShot();
    EXPECT_EQ(Count(plain.get(), MDIArea), 0);
    EXPECT_EQ(Px(plain.get(), plain->Width() - 5, plain->Height() - 5), ColorToRGB(clAppWorkSpace));
}

TEST_F(SkinMDI, TheClientWindowIsItsOwnAgainWhenTheSkinGoes) {
    LoadSkin();
    LONG_PTR own = 0;
    MakeFrame(true, &own);
    HWND client = Frame->ClientHandle();
    TForm* child = MakeChild(10, 10);
    EXPECT_EQ(Px(ClientShot().get(), 5, ClientShot()->Height() - 5), C(MDIArea));
    EXPECT_NE(GetWindowLongPtrA(client, GWLP_WNDPROC), own);
    Manager->SetActive(false);
    Settle(300);
    EXPECT_EQ(GetWindowLongPtrA(client, GWLP_WNDPROC), own);
    EXPECT_EQ(FrameProvider->MDIForm(), nullptr);
    auto after = ClientShot();
    EXPECT_EQ(Count(after.get(), MDIArea), 0);
    EXPECT_EQ(Px(after.get(), after->Width() - 5, after->Height() - 5), ColorToRGB(clAppWorkSpace));
    EXPECT_NE(GetWindowLongA(child->Handle(), GWL_STYLE) & WS_SYSMENU, 0);
    // The skin comes back, and with it the client's adapter and the MDI area.
    Manager->SetActive(true);
    Settle(300);
    ASSERT_NE(FrameProvider->MDIForm(), nullptr);
    EXPECT_NE(FrameProvider->MDIForm()->Adapter(), nullptr);
    EXPECT_EQ(Px(ClientShot().get(), 5, ClientShot()->Height() - 5), C(MDIArea));
}

}  // namespace
