// A skinned form under real input (SendInput): caption buttons that light under the mouse and go out when it
// leaves, show pressed while held, and do what they say when released on them (and nothing when released
// elsewhere); the skinned system menu from Alt+Space, the icon and the caption; the hit-test codes of the skinned
// caption; a moved form snapping to the screen's edge; the XOR size frame, which leaves nothing on the screen; the
// size grip in the square between both skinned scroll bars; and a lit item of the menu line put out by the caption.
#include "skin/forms/acSnapping.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sSystemMenu.h"

#include "skin/engine/sCommonData.h"
#include "skin/engine/sSkinManager.h"
#include "tests/support/SyntheticInput.h"
#include "tests/skin/FlatFormSkin.h"
#include "tests/skin/MessageBoxCatcher.h"
#include "tests/skin/PixelTestUtils.h"
#include "tests/support/MessageLoop.h"
#include "tests/support/ScreenPictures.h"
#include "tests/support/TempDir.h"

#include "classlib/visual/ExtCtrls.h"
#include "classlib/visual/Forms.h"
#include "classlib/visual/Menus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace FormSkin;

// Handles messages as a program's loop does, keys translated into characters (Alt+Space needs that).
void Pump(DWORD ms, const std::function<bool()>& done = [] { return false; }) {
    PumpKeysUntil(done, ms);
}

TRect WindowBounds(HWND Wnd) {
    RECT r;
    GetWindowRect(Wnd, &r);
    return TRect(r);
}

// Runs input steps on a thread of its own while the test's thread serves its messages, so that the input also
// reaches modal loops (the system's move loop, a popup menu).
class InputScript {
public:
    explicit InputScript(std::vector<std::function<void()>> Steps, DWORD Pause = 60)
        : FThread([this, steps = std::move(Steps), Pause] {
              for (const auto& step : steps) {
                  step();
                  Sleep(Pause);
              }
              FDone = true;
          }) {}
    ~InputScript() {
        if (FThread.joinable())
            FThread.join();
    }
    bool Done() const { return FDone; }
    void Wait() {
        Pump(10000, [this] { return Done(); });
        Pump(200);
    }

private:
    std::atomic<bool> FDone{false};
    std::thread FThread;
};

// Presses the left button at the first point, moves through the others and holds the button there until Release,
// while the test's thread serves its messages and looks at the screen.
class HeldDrag {
public:
    explicit HeldDrag(std::vector<POINT> Path) {
        std::vector<std::function<void()>> steps;
        steps.push_back([p = Path.front()] { MoveMouseTo(p.x, p.y); });
        steps.push_back([] { MouseButton(true); });
        for (size_t i = 1; i < Path.size(); ++i)
            steps.push_back([p = Path[i]] { MoveMouseTo(p.x, p.y); });
        steps.push_back([this] {
            FHeld = true;
            while (!FRelease)
                Sleep(10);
        });
        steps.push_back([] { MouseButton(false); });
        FScript = std::make_unique<InputScript>(std::move(steps), 120);
        Pump(10000, [this] { return FHeld.load(); });
        Pump(200);
    }
    ~HeldDrag() { FRelease = true; }
    void Release() {
        FRelease = true;
        FScript->Wait();
    }

private:
    std::atomic<bool> FHeld{false}, FRelease{false};
    std::unique_ptr<InputScript> FScript;
};

class TfrmInput : public TForm {
    CLASS_INFO(TfrmInput, TForm)
public:
    using TForm::TForm;
    int SysCommands = 0;
    std::vector<WPARAM> Commands;
    // The hit-test code the system handed with the last mouse move over the frame.
    WPARAM LastNCMouseMove = ~WPARAM(0);

protected:
    void Dispatch(TMessage& Message) override {
        if (Message.Msg == WM_SYSCOMMAND)
            Commands.push_back(Message.WParam & 0xFFF0);
        if (Message.Msg == WM_NCMOUSEMOVE)
            LastNCMouseMove = Message.WParam;
        TForm::Dispatch(Message);
    }
};

// What the popup menus that opened looked like: their place and their menu.
struct MenuSeen {
    HMENU Menu = nullptr;
    RECT Rect{};
};
std::vector<MenuSeen> MenusSeen;
// The screen around the first menu seen, for a person to look at.
TRect MenuShotArea;
std::unique_ptr<TBitmap> MenuShot;

void CALLBACK CloseOpenMenu(HWND, UINT, UINT_PTR, DWORD) {
    HWND menu = FindWindowA("#32768", nullptr);
    if (!menu || !IsWindowVisible(menu))
        return;
    MenuSeen seen;
    seen.Menu = reinterpret_cast<HMENU>(SendMessageA(menu, 0x01E1 /* MN_GETHMENU */, 0, 0));
    GetWindowRect(menu, &seen.Rect);
    MenusSeen.push_back(seen);
    if (MenusSeen.size() == 1 && !MenuShotArea.IsEmpty())
        MenuShot = ScreenCopy(MenuShotArea);
    EndMenu();
}

class SkinProviderInput : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Dir = new TempDir;
        WriteSkinFolder(Dir->Path(), MakeFlatFormSkin());
        // With skinned scroll bars for the form's own, and the menu line's items in flat colours.
        FlatFormOptions more;
        more.ScrollBars = true;
        more.MenuItem = true;
        WriteSkinFolder(Dir->Path(), MakeFlatFormSkin("FLATFORMMORE", more));
    }
    static void TearDownTestSuite() {
        delete Dir;
        Dir = nullptr;
    }
    void SetUp() override {
        Manager = std::make_unique<TsSkinManager>(nullptr);
        Manager->SetSkinDirectory(Dir->Path());
        Manager->SetSkinName("FLATFORM");
        ASSERT_TRUE(Manager->Active());
        MenusSeen.clear();
    }
    void TearDown() override {
        MouseButton(false);
        for (TForm* f : Forms)
            f->Free();
        Forms.clear();
        Manager.reset();
        Pump(50);
    }
    TsSkinProvider* SkinnedForm(int X, int Y, int W = 300, int H = 200,
                                const std::function<void(TfrmInput*, TsSkinProvider*)>& Setup = {}) {
        auto* form = new TfrmInput(nullptr);
        Forms.push_back(form);
        form->SetBorderStyle(bsSizeable);
        form->SetPosition(poDesigned);
        form->SetBounds(X, Y, W, H);
        form->SetCaption("Input");
        auto* provider = new TsSkinProvider(form);
        if (Setup)
            Setup(form, provider);
        provider->AfterConstruction();
        form->AfterConstruction();
        form->Show();
        SetForegroundWindow(form->Handle());
        Pump(300);
        return provider;
    }
    static TfrmInput* FormOf(TsSkinProvider* Provider) { return static_cast<TfrmInput*>(Provider->Form()); }
    // The middle of the glyph of a caption button, on the screen.
    static POINT GlyphCentre(TsSkinProvider* Provider, TsSkinProvider::TCaptionButtonIndex Index) {
        const TRect& r = Provider->CaptionButton(Index).Rect;
        TRect w = WindowBounds(Provider->Form()->Handle());
        return POINT{w.left + r.left + BigWidth / 2, w.top + r.top + BigHeight / 2};
    }
    static POINT ClientCentre(TsSkinProvider* Provider) {
        TRect w = WindowBounds(Provider->Form()->Handle());
        return POINT{(w.left + w.right) / 2, (w.top + w.bottom) / 2};
    }
    static void MoveTo(POINT P) { MoveMouseTo(P.x, P.y); }

    static inline TempDir* Dir = nullptr;
    std::unique_ptr<TsSkinManager> Manager;
    std::vector<TForm*> Forms;
};

TEST_F(SkinProviderInput, HoverLightsACaptionButtonAndLeavingPutsItOut) {
    TsSkinProvider* provider = SkinnedForm(100, 100);
    POINT close = GlyphCentre(provider, TsSkinProvider::cbClose);
    POINT max = GlyphCentre(provider, TsSkinProvider::cbMax);
    ASSERT_EQ(ScreenPixel(close.x, close.y), Opaque(GlyphColor("CLOSE", true, 0)));

    MoveTo(close);
    Pump(300);
    EXPECT_EQ(provider->HotCode(), HTCLOSE);
    EXPECT_EQ(ScreenPixel(close.x, close.y), Opaque(GlyphColor("CLOSE", true, 1)));
    auto shot = ScreenCopy(WindowBounds(provider->Form()->Handle()));
    KeepShot(shot.get(), "caption-close-hot");

    // Over to the next button: the light moves with the mouse.
    MoveTo(max);
    Pump(300);
    EXPECT_EQ(provider->HotCode(), HTMAXBUTTON);
    EXPECT_EQ(ScreenPixel(max.x, max.y), Opaque(GlyphColor("MAX", true, 1)));
    EXPECT_EQ(ScreenPixel(close.x, close.y), Opaque(GlyphColor("CLOSE", true, 0)));

    // Down into the client area, and then off the form altogether.
    MoveTo(ClientCentre(provider));
    Pump(300);
    EXPECT_EQ(provider->HotCode(), 0);
    EXPECT_EQ(ScreenPixel(max.x, max.y), Opaque(GlyphColor("MAX", true, 0)));
    MoveTo(close);
    Pump(300);
    EXPECT_EQ(ScreenPixel(close.x, close.y), Opaque(GlyphColor("CLOSE", true, 1)));
    MoveMouseTo(close.x, 40);  // above the form
    Pump(300);
    EXPECT_EQ(provider->HotCode(), 0);
    EXPECT_EQ(ScreenPixel(close.x, close.y), Opaque(GlyphColor("CLOSE", true, 0)));
}

TEST_F(SkinProviderInput, CaptionButtonsDoWhatTheySayWhenReleasedOnThem) {
    TsSkinProvider* provider = SkinnedForm(100, 100);
    HWND wnd = provider->Form()->Handle();

    // Held down, the button shows pressed and nothing happens yet.
    POINT max = GlyphCentre(provider, TsSkinProvider::cbMax);
    MoveTo(max);
    Pump(200);
    MouseButton(true);
    Pump(300);
    EXPECT_EQ(ScreenPixel(max.x, max.y), Opaque(GlyphColor("MAX", true, 2)));
    EXPECT_FALSE(IsZoomed(wnd));
    auto shot = ScreenCopy(WindowBounds(wnd));
    KeepShot(shot.get(), "caption-max-pressed");
    MouseButton(false);
    Pump(400);
    EXPECT_TRUE(IsZoomed(wnd));
    EXPECT_EQ(provider->Form()->WindowState(), wsMaximized);

    // The same button, now at the screen's right, restores and shows the restore glyph; the mouse is not on it.
    POINT restore = GlyphCentre(provider, TsSkinProvider::cbMax);
    EXPECT_EQ(provider->HotCode(), 0);
    EXPECT_EQ(ScreenPixel(restore.x, restore.y), Opaque(GlyphColor("NORM", true, 0)));
    ClickAt(restore.x, restore.y);
    Pump(400);
    EXPECT_FALSE(IsZoomed(wnd));
    EXPECT_EQ(WindowBounds(wnd), TRect(100, 100, 400, 300));

    POINT min = GlyphCentre(provider, TsSkinProvider::cbMin);
    ClickAt(min.x, min.y);
    Pump(400);
    EXPECT_TRUE(IsIconic(wnd));
    ShowWindow(wnd, SW_RESTORE);
    Pump(400);
    ASSERT_FALSE(IsIconic(wnd));

    POINT close = GlyphCentre(provider, TsSkinProvider::cbClose);
    ClickAt(close.x, close.y);
    Pump(400);
    EXPECT_FALSE(IsWindowVisible(wnd));
}

TEST_F(SkinProviderInput, APressReleasedElsewhereDoesNothing) {
    TsSkinProvider* provider = SkinnedForm(100, 100);
    HWND wnd = provider->Form()->Handle();
    POINT close = GlyphCentre(provider, TsSkinProvider::cbClose);
    POINT max = GlyphCentre(provider, TsSkinProvider::cbMax);
    FormOf(provider)->Commands.clear();

    // Released in the client area, on another button, and off the form.
    for (POINT away : {ClientCentre(provider), max, POINT{close.x + 200, close.y}}) {
        MoveTo(close);
        Pump(150);
        MouseButton(true);
        Pump(150);
        MoveTo(away);
        Pump(150);
        MouseButton(false);
        Pump(300);
        EXPECT_TRUE(IsWindowVisible(wnd));
        EXPECT_FALSE(IsZoomed(wnd));
    }
    for (WPARAM command : FormOf(provider)->Commands)
        EXPECT_NE(command, static_cast<WPARAM>(SC_CLOSE));
    MoveTo(ClientCentre(provider));
    Pump(300);
    EXPECT_EQ(ScreenPixel(close.x, close.y), Opaque(GlyphColor("CLOSE", true, 0)));
}

TEST_F(SkinProviderInput, ShowsTheSkinnedSystemMenuFromAltSpaceTheIconAndTheCaption) {
    TsSkinProvider* provider = SkinnedForm(100, 100);
    HWND wnd = provider->Form()->Handle();
    ASSERT_NE(provider->SystemMenu(), nullptr);
    UINT_PTR timer = SetTimer(nullptr, 0, 150, CloseOpenMenu);
    auto kill = std::unique_ptr<void, std::function<void(void*)>>(reinterpret_cast<void*>(1),
                                                                  [timer](void*) { KillTimer(nullptr, timer); });
    TRect w = WindowBounds(wnd);
    // Under the caption icon.
    const POINT under{w.left + provider->SysBorderWidth(), w.top + provider->IconRect().bottom};

    MenuShotArea = TRect(w.left, w.top, w.right, w.bottom + 60);
    PressChord({VK_MENU}, VK_SPACE);
    Pump(1500, [] { return !MenusSeen.empty(); });
    ASSERT_EQ(MenusSeen.size(), 1u);
    EXPECT_EQ(MenusSeen[0].Menu, provider->SystemMenu()->Handle());
    EXPECT_EQ(MenusSeen[0].Rect.left, under.x);
    EXPECT_EQ(MenusSeen[0].Rect.top, under.y);
    if (MenuShot)
        KeepShot(MenuShot.get(), "system-menu-alt-space");
    MenuShot.reset();
    MenuShotArea = TRect();
    Pump(200);

    TRect icon = provider->IconRect();
    ClickAt(w.left + icon.left + icon.Width() / 2, w.top + icon.top + icon.Height() / 2);
    Pump(1500, [] { return MenusSeen.size() >= 2; });
    ASSERT_EQ(MenusSeen.size(), 2u);
    EXPECT_EQ(MenusSeen[1].Menu, provider->SystemMenu()->Handle());
    EXPECT_EQ(MenusSeen[1].Rect.left, under.x);
    EXPECT_EQ(MenusSeen[1].Rect.top, under.y);
    Pump(200);

    // A right click on the caption opens it where the mouse is.
    const POINT caption{w.left + 120, w.top + 12};
    ClickAt(caption.x, caption.y, true);
    Pump(1500, [] { return MenusSeen.size() >= 3; });
    ASSERT_EQ(MenusSeen.size(), 3u);
    EXPECT_EQ(MenusSeen[2].Menu, provider->SystemMenu()->Handle());
    EXPECT_EQ(MenusSeen[2].Rect.left, caption.x);
    EXPECT_EQ(MenusSeen[2].Rect.top, caption.y);
    EXPECT_TRUE(IsWindowVisible(wnd));
}

TEST_F(SkinProviderInput, HitTestsTheSkinnedCaption) {
    TsTitleButton* disabled = nullptr;
    TsSkinProvider* provider = SkinnedForm(100, 100, 300, 200, [&](TfrmInput* form, TsSkinProvider* p) {
        form->SetBorderIcons(TBorderIcons{biSystemMenu, biMinimize, biMaximize, biHelp});
        p->SetGripMode(gmRightBottom);
        p->TitleButtons()->Add();
        disabled = p->TitleButtons()->Add();
        disabled->SetEnabled(false);
    });
    HWND wnd = provider->Form()->Handle();
    TRect w = WindowBounds(wnd);
    auto at = [&](const TRect& r) {
        return static_cast<int>(SendMessageA(wnd, WM_NCHITTEST, 0,
                                             MAKELPARAM(w.left + (r.left + r.right) / 2, w.top + (r.top + r.bottom) / 2)));
    };
    EXPECT_EQ(at(provider->IconRect()), HTSYSMENU);
    EXPECT_EQ(at(provider->CaptionButton(TsSkinProvider::cbClose).Rect), HTCLOSE);
    EXPECT_EQ(at(provider->CaptionButton(TsSkinProvider::cbMax).Rect), HTMAXBUTTON);
    EXPECT_EQ(at(provider->CaptionButton(TsSkinProvider::cbMin).Rect), HTMINBUTTON);
    EXPECT_EQ(at(provider->CaptionButton(TsSkinProvider::cbHelp).Rect), HTHELP);
    EXPECT_EQ(at(TRect(provider->TitleButtons()->Items(0)->BtnRect)), 1000);
    // A disabled user button is caption, as is the caption between the buttons and the text.
    EXPECT_EQ(at(TRect(disabled->BtnRect)), HTCAPTION);
    EXPECT_EQ(at(TRect(60, 8, 62, 10)), HTCAPTION);
    EXPECT_EQ(at(TRect(w.Width() - 6, w.Height() - 6, w.Width() - 4, w.Height() - 4)), HTBOTTOMRIGHT);
    EXPECT_EQ(at(TRect(150, 100, 152, 102)), HTCLIENT);
    EXPECT_EQ(at(TRect(0, 100, 2, 102)), HTLEFT);

    // The rim of a maximized form answers -1.
    ShowWindow(wnd, SW_MAXIMIZE);
    Pump(300);
    w = WindowBounds(wnd);
    ASSERT_TRUE(IsZoomed(wnd));
    EXPECT_EQ(at(TRect(1, 100, 1, 100)), -1);
    EXPECT_EQ(at(TRect(w.Width() - 3, 100, w.Width() - 3, 100)), -1);
    ShowWindow(wnd, SW_RESTORE);
    Pump(300);

    // A disabled maximize button cannot be pressed.
    provider->Form()->SetBorderIcons(TBorderIcons{biSystemMenu, biMinimize});
    provider->SystemMenu()->UpdateItems();
    provider->PressButton(HTMAXBUTTON);
    EXPECT_EQ(provider->HotCode(), 0);
    EXPECT_FALSE(ButtonPressed);
    provider->PressButton(HTCLOSE);
    EXPECT_EQ(provider->HotCode(), HTCLOSE);
    EXPECT_TRUE(ButtonPressed);
    provider->SetHotButton(0);
    EXPECT_FALSE(ButtonPressed);
}

TEST_F(SkinProviderInput, ADraggedFormSnapsToTheScreenEdgeWithinTheSnapDistance) {
    TsSkinProvider* provider = SkinnedForm(300, 300, 300, 200, [](TfrmInput*, TsSkinProvider* p) {
        p->SetScreenSnap(true);
        p->SetSnapBuffer(10);
    });
    HWND wnd = provider->Form()->Handle();
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    // Drags the caption so the form's right edge would land Gap pixels from the screen's right edge and its bottom
    // edge BottomGap pixels from the bottom.
    auto drag = [&](int Gap, int BottomGap) {
        TRect w = WindowBounds(wnd);
        POINT grab{w.left + 60, w.top + 12};
        int dx = (screenW - Gap) - w.right, dy = (screenH - BottomGap) - w.bottom;
        InputScript script({[=] { MoveMouseTo(grab.x, grab.y); }, [] { MouseButton(true); },
                            [=] { MoveMouseTo(grab.x + dx / 2, grab.y + dy / 2); },
                            [=] { MoveMouseTo(grab.x + dx, grab.y + dy); }, [] { MouseButton(false); }},
                           120);
        script.Wait();
        return WindowBounds(wnd);
    };
    TRect snapped = drag(9, 300);
    EXPECT_EQ(snapped.right, screenW);
    EXPECT_EQ(snapped.Width(), 300);
    TRect free = drag(10, 9);
    EXPECT_EQ(free.right, screenW - 10);
    EXPECT_EQ(free.bottom, screenH);
}

TEST_F(SkinProviderInput, AnXorSizeFrameFollowsTheMouseAndLeavesNoTrace) {
    TsSkinProvider* provider = SkinnedForm(200, 200, 300, 200,
                                           [](TfrmInput*, TsSkinProvider* p) { p->SetResizeMode(rmBorder); });
    HWND wnd = provider->Form()->Handle();
    const TRect area(150, 150, 750, 650);
    auto before = ScreenCopy(area);
    const int y = 300, grabX = 498;  // on the right border
    HeldDrag drag({{grabX, y}, {grabX + 1, y + 1}, {grabX + 60, y + 30}, {grabX + 121, y + 61}});
    Pump(100);
    // Mid-drag the form keeps its place, and an inverted outline shows where it will go.
    EXPECT_EQ(WindowBounds(wnd), TRect(200, 200, 500, 400));
    EXPECT_TRUE(XorActive);
    auto during = ScreenCopy(area);
    KeepShot(during.get(), "xor-size-frame");
    // A right-border drag sizes the width alone.
    const int frameRight = 500 + 120 - 1, frameBottom = 400 - 1;
    int inverted = 0;
    for (int py = 300; py < 330; ++py)
        inverted += Px(during.get(), frameRight - area.left, py - area.top) ==
                            (Px(before.get(), frameRight - area.left, py - area.top) ^ 0xFFFFFF)
                        ? 1
                        : 0;
    EXPECT_EQ(inverted, 30);
    drag.Release();
    Pump(300);
    EXPECT_FALSE(XorActive);
    EXPECT_EQ(GetCapture(), nullptr);
    TRect placed = WindowBounds(wnd);
    EXPECT_EQ(placed, TRect(200, 200, frameRight + 1, frameBottom + 1));
    // Outside the form nothing of the frame is left; the form's own edge is the skin's border again.
    auto after = ScreenCopy(area);
    int changed = 0;
    for (int py = 0; py < area.Height(); ++py)
        for (int px = 0; px < area.Width(); ++px) {
            int sx = px + area.left, sy = py + area.top;
            bool inForm = sx >= placed.left && sx < placed.right && sy >= placed.top && sy < placed.bottom;
            if (!inForm && Px(after.get(), px, py) != Px(before.get(), px, py))
                ++changed;
        }
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(Px(after.get(), placed.right - 1 - area.left, 330 - area.top), Opaque(Ring));
    EXPECT_EQ(Px(after.get(), 350 - area.left, placed.bottom - 1 - area.top), Opaque(Ring));
}

TEST_F(SkinProviderInput, DoubleClickOnTheCaptionMaximizesAndRestores) {
    TsSkinProvider* provider = SkinnedForm(100, 100);
    HWND wnd = provider->Form()->Handle();
    TRect w = WindowBounds(wnd);
    auto doubleClick = [](int x, int y) {
        InputScript script({[=] { MoveMouseTo(x, y); }, [] { MouseButton(true); }, [] { MouseButton(false); },
                            [] { MouseButton(true); }, [] { MouseButton(false); }},
                           40);
        script.Wait();
    };
    doubleClick(w.left + 120, w.top + 12);
    Pump(300);
    EXPECT_TRUE(IsZoomed(wnd));
    w = WindowBounds(wnd);
    doubleClick(w.left + 120, w.top + 12);
    Pump(300);
    EXPECT_FALSE(IsZoomed(wnd));
    EXPECT_EQ(WindowBounds(wnd), TRect(100, 100, 400, 300));
}

TEST_F(SkinProviderInput, UserTitleButtonsGetTheirMouseEvents) {
    std::vector<std::string> events;
    TsSkinProvider* provider = SkinnedForm(100, 100, 300, 200, [&](TfrmInput*, TsSkinProvider* p) {
        TsTitleButton* button = p->TitleButtons()->Add();
        button->OnMouseDown = [&events, p](TObject* Sender, TMouseButton Button, TShiftState, int, int) {
            events.push_back(Sender == p->TitleButtons()->Items(0) && Button == mbLeft ? "down" : "wrong down");
        };
        button->OnMouseUp = [&events, p](TObject* Sender, TMouseButton Button, TShiftState, int, int) {
            events.push_back(Sender == p->TitleButtons()->Items(0) && Button == mbLeft ? "up" : "wrong up");
        };
    });
    TRect w = WindowBounds(provider->Form()->Handle());
    TRect r(provider->TitleButtons()->Items(0)->BtnRect);
    POINT centre{w.left + (r.left + r.right) / 2, w.top + (r.top + r.bottom) / 2};
    MoveTo(centre);
    Pump(200);
    EXPECT_EQ(provider->HotCode(), 1000);
    EXPECT_TRUE(provider->TitleButtons()->Items(0)->HotState);
    MouseButton(true);
    Pump(200);
    EXPECT_TRUE(provider->TitleButtons()->Items(0)->Pressed);
    EXPECT_EQ(ScreenPixel(w.left + r.left + 1, w.top + r.top + 1), Opaque(TitleButtonRing[2]));
    MouseButton(false);
    Pump(200);
    EXPECT_EQ(events, (std::vector<std::string>{"down", "up"}));
    // Pressed and released elsewhere: the press is told, the release is not.
    MouseButton(true);
    Pump(150);
    MoveTo(ClientCentre(provider));
    Pump(150);
    MouseButton(false);
    Pump(200);
    EXPECT_EQ(events, (std::vector<std::string>{"down", "up", "down"}));
    EXPECT_FALSE(provider->TitleButtons()->Items(0)->Pressed);
}

TEST_F(SkinProviderInput, AnXorMoveFrameEndsOnReleaseWhateverKeysAreHeld) {
    TsSkinProvider* provider = SkinnedForm(200, 200, 300, 200,
                                           [](TfrmInput*, TsSkinProvider* p) { p->SetResizeMode(rmBorder); });
    HWND wnd = provider->Form()->Handle();
    const POINT grab{300, 212};
    auto key = [](WORD Vk, bool Up) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = Vk;
        in.ki.dwFlags = Up ? KEYEVENTF_KEYUP : 0;
        SendInput(1, &in, sizeof in);
    };
    // The release comes with Ctrl held, so its mouse keys read as the minimize button's hit-test code.
    InputScript script({[=] { MoveMouseTo(grab.x, grab.y); }, [] { MouseButton(true); },
                        [=] { MoveMouseTo(grab.x + 1, grab.y + 1); }, [=] { MoveMouseTo(grab.x + 41, grab.y + 31); },
                        [=] { key(VK_CONTROL, false); }, [] { MouseButton(false); }, [=] { key(VK_CONTROL, true); }},
                       120);
    script.Wait();
    Pump(200);
    EXPECT_FALSE(XorActive);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_FALSE(IsIconic(wnd));
    EXPECT_EQ(WindowBounds(wnd), TRect(240, 230, 540, 430));

    // A size frame that never moved leaves the form where it was.
    InputScript still({[] { MoveMouseTo(539, 300); }, [] { MouseButton(true); }, [] { MouseButton(false); }}, 120);
    still.Wait();
    EXPECT_FALSE(XorActive);
    EXPECT_EQ(WindowBounds(wnd), TRect(240, 230, 540, 430));
}

TEST_F(SkinProviderInput, AFormThatGoesDuringItsDragTakesItsFrameAlong) {
    TsSkinProvider* provider = SkinnedForm(200, 200, 300, 200,
                                           [](TfrmInput*, TsSkinProvider* p) { p->SetResizeMode(rmBorder); });
    const TRect area(150, 150, 750, 650);
    auto before = ScreenCopy(area);
    HeldDrag drag({{498, 300}, {499, 301}, {560, 320}});
    ASSERT_TRUE(XorActive);
    TForm* form = FormOf(provider);
    Forms.erase(std::find(Forms.begin(), Forms.end(), form));
    form->Free();
    EXPECT_FALSE(XorActive);
    drag.Release();
    auto after = ScreenCopy(area);
    // Right of where the form was, the frame's outline is gone.
    int outline = 0;
    for (int py = 300; py < 330; ++py)
        outline += Px(after.get(), 559 - area.left, py - area.top) != Px(before.get(), 559 - area.left, py - area.top);
    EXPECT_EQ(outline, 0);

    // The next form can drag a frame of its own.
    TsSkinProvider* next = SkinnedForm(200, 200, 300, 200,
                                       [](TfrmInput*, TsSkinProvider* p) { p->SetResizeMode(rmBorder); });
    InputScript again({[] { MoveMouseTo(498, 300); }, [] { MouseButton(true); }, [] { MoveMouseTo(499, 301); },
                       [] { MoveMouseTo(530, 301); }, [] { MouseButton(false); }},
                      120);
    again.Wait();
    EXPECT_FALSE(XorActive);
    EXPECT_EQ(WindowBounds(next->Form()->Handle()), TRect(200, 200, 531, 400));
}

TEST_F(SkinProviderInput, LeavesHitTestingToTheSystemWithoutSkinOrCaption) {
    TsSkinProvider* provider = SkinnedForm(100, 100, 300, 200, [](TfrmInput*, TsSkinProvider* p) {
        p->SetResizeMode(rmBorder);
        p->TitleButtons()->Add();
    });
    HWND wnd = provider->Form()->Handle();
    TRect w = WindowBounds(wnd);
    const TRect user(provider->TitleButtons()->Items(0)->BtnRect);
    const POINT points[] = {{w.left + 10, w.top + 12},
                            {w.right - 15, w.top + 12},
                            {w.left + (user.left + user.right) / 2, w.top + 12},
                            {w.left + 150, w.top + 12},
                            {w.left + 1, w.top + 100}};
    auto system = [&](POINT p) { return DefWindowProcA(wnd, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)); };
    auto answer = [&](POINT p) { return SendMessageA(wnd, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)); };
    ASSERT_EQ(answer(points[2]), 1000);
    Manager->SetActive(false);
    Pump(300);
    for (POINT p : points)
        EXPECT_EQ(answer(p), system(p)) << p.x << "," << p.y;
    // A press on the caption of an unskinned form is the system's too: no XOR frame.
    InputScript drag({[&] { MoveMouseTo(w.left + 150, w.top + 12); }, [] { MouseButton(true); },
                      [&] { MoveMouseTo(w.left + 170, w.top + 22); }, [] { MouseButton(false); }},
                     120);
    drag.Wait();
    EXPECT_FALSE(XorActive);

    // A skinned form without a caption keeps the system's answers as well.
    Manager->SetActive(true);
    Pump(300);
    provider->Form()->SetBorderStyle(bsNone);
    Pump(300);
    wnd = provider->Form()->Handle();
    w = WindowBounds(wnd);
    for (POINT p : {POINT{w.left + 10, w.top + 5}, POINT{w.right - 5, w.top + 5}})
        EXPECT_EQ(answer(p), system(p));
}

TEST_F(SkinProviderInput, TheHelpButtonAsksForContextHelp) {
    TsSkinProvider* provider = SkinnedForm(100, 100, 300, 200, [](TfrmInput* form, TsSkinProvider*) {
        form->SetBorderIcons(TBorderIcons{biSystemMenu, biMinimize, biMaximize, biHelp});
    });
    FormOf(provider)->Commands.clear();
    POINT help = GlyphCentre(provider, TsSkinProvider::cbHelp);
    MoveTo(help);
    Pump(200);
    EXPECT_EQ(ScreenPixel(help.x, help.y), Opaque(GlyphColor("HELP", true, 1)));
    MouseButton(true);
    Pump(200);
    EXPECT_EQ(ScreenPixel(help.x, help.y), Opaque(GlyphColor("HELP", true, 2)));
    MouseButton(false);
    Pump(300);
    EXPECT_EQ(FormOf(provider)->Commands, std::vector<WPARAM>{SC_CONTEXTHELP});
    EXPECT_EQ(provider->HotCode(), 0);
    // The help mode of the system, if any, ends with the next click.
    ClickAt(ClientCentre(provider).x, ClientCentre(provider).y);
    Pump(200);
}

// The corner between both skinned scroll bars of a form whose content needs them: the skin's grip there answers 17
// to the system's own hit test of a real mouse, and a real drag from it sizes the form.
TEST_F(SkinProviderInput, TheSquareBetweenBothScrollBarsSizesTheForm) {
    Manager->SetSkinName("FLATFORMMORE");
    ASSERT_TRUE(Manager->Active());
    TsSkinProvider* provider = SkinnedForm(100, 100, 300, 200, [](TfrmInput* form, TsSkinProvider*) {
        form->SetAutoScroll(true);
        auto* outside = new TPanel(form);
        outside->SetParent(form);
        outside->SetBounds(400, 300, 80, 40);
    });
    ASSERT_EQ(provider->GripMode(), gmNone);
    HWND wnd = provider->Form()->Handle();
    ASSERT_NE(provider->ScrollWnd(), nullptr);
    TRect square;
    ASSERT_TRUE(provider->ScrollBarsSquare(square));
    const TRect grip = provider->GripRect();
    ASSERT_EQ(grip.Width(), GripSize);
    // The grip's place is the square's bottom-right corner: the bars stand inside the skinned frame.
    EXPECT_EQ(grip.right, square.right);
    EXPECT_EQ(grip.bottom, square.bottom);
    TRect w = WindowBounds(wnd);

    // The mouse on the grip: the system asks the form and hands its answer to the mouse move.
    const POINT inGrip{w.left + grip.left + 3, w.top + grip.top + 3};
    MoveTo(inGrip);
    Pump(200);
    EXPECT_EQ(FormOf(provider)->LastNCMouseMove, static_cast<WPARAM>(HTBOTTOMRIGHT));
    EXPECT_EQ(SendMessageA(wnd, WM_NCHITTEST, 0, MAKELPARAM(inGrip.x, inGrip.y)), HTBOTTOMRIGHT);
    // Up and left of the grip's corner the square is not the grip; the bars themselves stay the bars'.
    if (square.left < grip.left) {
        EXPECT_NE(SendMessageA(wnd, WM_NCHITTEST, 0, MAKELPARAM(w.left + square.left, w.top + square.top)),
                  HTBOTTOMRIGHT);
    }
    EXPECT_EQ(SendMessageA(wnd, WM_NCHITTEST, 0, MAKELPARAM(w.left + square.left - 20, w.top + grip.top + 3)),
              HTHSCROLL);
    EXPECT_EQ(SendMessageA(wnd, WM_NCHITTEST, 0, MAKELPARAM(w.left + grip.left + 3, w.top + square.top - 20)),
              HTVSCROLL);

    // A real drag from the grip sizes the form by the way the mouse went.
    InputScript drag({[=] { MoveMouseTo(inGrip.x, inGrip.y); }, [] { MouseButton(true); },
                      [=] { MoveMouseTo(inGrip.x + 20, inGrip.y + 15); },
                      [=] { MoveMouseTo(inGrip.x + 40, inGrip.y + 30); }, [] { MouseButton(false); }},
                     120);
    drag.Wait();
    Pump(300);
    EXPECT_EQ(WindowBounds(wnd), TRect(100, 100, 440, 330));
    auto shot = ScreenCopy(WindowBounds(wnd));
    KeepShot(shot.get(), "scroll-square-sized");

    // Without the skin the square is the system's again.
    Manager->SetActive(false);
    Pump(300);
    w = WindowBounds(wnd);
    POINT corner{w.right - 8, w.bottom - 8};
    EXPECT_EQ(SendMessageA(wnd, WM_NCHITTEST, 0, MAKELPARAM(corner.x, corner.y)),
              DefWindowProcA(wnd, WM_NCHITTEST, 0, MAKELPARAM(corner.x, corner.y)));
}

namespace {

// The menu line's item Index of the window, in window coordinates.
TRect BarItemRect(HWND Wnd, int Index) {
    RECT window, item{};
    GetWindowRect(Wnd, &window);
    GetMenuItemRect(Wnd, GetMenu(Wnd), Index, &item);
    OffsetRect(&item, -window.left, -window.top);
    return TRect(item);
}

// The owner-draw request the system sends for an item of the menu line, in the window's own DC.
void DrawBarItem(HWND Wnd, TMenuItem* Item, const TRect& R, UINT State) {
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_MENU;
    dis.itemID = Item->Count() > 0 ? static_cast<UINT>(reinterpret_cast<UINT_PTR>(Item->Handle())) : Item->Command();
    dis.itemAction = ODA_SELECT;
    dis.itemState = State;
    dis.hwndItem = reinterpret_cast<HWND>(GetMenu(Wnd));
    dis.hDC = GetWindowDC(Wnd);
    dis.rcItem = R;
    SendMessageA(Wnd, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
    ReleaseDC(Wnd, dis.hDC);
}

// What the menu line's first item looked like while its menu was open, and which item the form held lit then.
struct OpenMenuSeen {
    TsSkinProvider* Provider = nullptr;
    TRect Item;
    std::unique_ptr<TBitmap> Shot;
    TMenuItem* Hot = nullptr;
    bool Seen = false;
} OpenMenu;

void CALLBACK LookAtOpenMenu(HWND, UINT, UINT_PTR, DWORD) {
    HWND menu = FindWindowA("#32768", nullptr);
    if (!menu || !IsWindowVisible(menu) || OpenMenu.Seen)
        return;
    OpenMenu.Seen = true;
    OpenMenu.Hot = OpenMenu.Provider->HotMenuItem();
    OpenMenu.Shot = ScreenCopy(WindowBounds(OpenMenu.Provider->Form()->Handle()));
    EndMenu();
}

}  // namespace

// An item of the menu line lit by the menu painter is held by the form; the next caption button under the mouse
// draws it in the menu line's normal look again.
TEST_F(SkinProviderInput, ALitMenuLineItemIsPutOutWhenTheMouseGoesToACaptionButton) {
    Manager->SetSkinName("FLATFORMMORE");
    ASSERT_TRUE(Manager->Active());
    TMenuItem* file = nullptr;
    TMenuItem* edit = nullptr;
    TsSkinProvider* provider = SkinnedForm(100, 100, 300, 200, [&](TfrmInput* form, TsSkinProvider*) {
        auto* menu = new TMainMenu(form);
        for (const char* caption : {"&File", "&Edit"}) {
            auto* item = new TMenuItem(form);
            item->SetCaption(caption);
            auto* sub = new TMenuItem(form);
            sub->SetCaption("&Open");
            item->Add(sub);
            menu->Items()->Add(item);
            (file ? edit : file) = item;
        }
        form->SetMenu(menu);
    });
    HWND wnd = provider->Form()->Handle();
    const TRect item = BarItemRect(wnd, 0);
    ASSERT_FALSE(item.IsEmpty());
    const int area = item.Width() * item.Height();
    auto normal = ScreenCopy(WindowBounds(wnd));
    EXPECT_EQ(CountOf(normal.get(), MenuItemHot, item), 0);
    EXPECT_GT(CountOf(normal.get(), MenuLine, item), area / 2);
    EXPECT_EQ(provider->HotMenuItem(), nullptr);

    // A click opens the item's menu: it is drawn selected, in the item section's hot colour, and the form holds it.
    TRect w = WindowBounds(wnd);
    OpenMenu = OpenMenuSeen();
    OpenMenu.Provider = provider;
    UINT_PTR timer = SetTimer(nullptr, 0, 150, LookAtOpenMenu);
    ClickAt(w.left + (item.left + item.right) / 2, w.top + (item.top + item.bottom) / 2);
    Pump(2000, [] { return OpenMenu.Seen; });
    KillTimer(nullptr, timer);
    Pump(300);
    ASSERT_TRUE(OpenMenu.Seen);
    EXPECT_EQ(OpenMenu.Hot, file);
    EXPECT_GT(CountOf(OpenMenu.Shot.get(), MenuItemHot, item), area / 2);
    KeepShot(OpenMenu.Shot.get(), "menu-line-item-open");
    OpenMenu.Shot.reset();
    // The menu closed: the system drew the item normal again, which the form heard of.
    EXPECT_EQ(provider->HotMenuItem(), nullptr);
    EXPECT_EQ(CountOf(ScreenCopy(WindowBounds(wnd)).get(), MenuItemHot, item), 0);

    // Lit as the system lights an item under the mouse, the item stays lit while the mouse is on it ...
    MoveMouseTo(w.left + (item.left + item.right) / 2, w.top + (item.top + item.bottom) / 2);
    Pump(200);
    DrawBarItem(wnd, file, item, ODS_HOTLIGHT);
    Pump(100);
    EXPECT_EQ(provider->HotMenuItem(), file);
    EXPECT_EQ(SendMessageA(wnd, WM_NCHITTEST, 0,
                           MAKELPARAM(w.left + (item.left + item.right) / 2, w.top + (item.top + item.bottom) / 2)),
              HTMENU);
    auto lit = ScreenCopy(WindowBounds(wnd));
    EXPECT_GT(CountOf(lit.get(), MenuItemHot, item), area / 2);
    EXPECT_EQ(provider->HotMenuItem(), file);
    KeepShot(lit.get(), "menu-line-item-lit");

    // ... and goes out when the mouse goes on to the close button, which lights instead.
    POINT close = GlyphCentre(provider, TsSkinProvider::cbClose);
    MoveTo(close);
    Pump(300);
    EXPECT_EQ(provider->HotCode(), HTCLOSE);
    EXPECT_EQ(provider->HotMenuItem(), nullptr);
    auto out = ScreenCopy(WindowBounds(wnd));
    EXPECT_EQ(CountOf(out.get(), MenuItemHot, item), 0);
    EXPECT_GT(CountOf(out.get(), MenuLine, item), area / 2);
    EXPECT_GT(CountOf(out.get(), MenuItemFont, item), 0);
    EXPECT_EQ(Px(out.get(), close.x - w.left, close.y - w.top), Opaque(GlyphColor("CLOSE", true, 1)));
    KeepShot(out.get(), "menu-line-item-out");

    // An item that goes while it is lit takes the form's hold with it.
    DrawBarItem(wnd, edit, BarItemRect(wnd, 1), ODS_SELECTED);
    ASSERT_EQ(provider->HotMenuItem(), edit);
    edit->Free();
    EXPECT_EQ(provider->HotMenuItem(), nullptr);
    MoveTo(ClientCentre(provider));
    Pump(200);
    EXPECT_EQ(provider->HotCode(), 0);
}

TEST_F(SkinProviderInput, HoveringACaptionButtonAfterACaptionRepaintKeepsTheMenuLine) {
    TsSkinProvider* provider = SkinnedForm(100, 100, 300, 200, [](TfrmInput* form, TsSkinProvider*) {
        auto* menu = new TMainMenu(form);
        auto* item = new TMenuItem(form);
        item->SetCaption("&File");
        menu->Items()->Add(item);
        form->SetMenu(menu);
    });
    HWND wnd = provider->Form()->Handle();
    TsSkinProvider* other = SkinnedForm(450, 100);
    // Deactivated and activated again, the form repaints its caption alone; then the mouse lights the close button.
    SetForegroundWindow(wnd);
    Pump(300);
    MoveTo(GlyphCentre(provider, TsSkinProvider::cbClose));
    Pump(300);
    ASSERT_EQ(provider->HotCode(), HTCLOSE);
    MoveTo(ClientCentre(other));
    Pump(300);
    // Right of the items, under the caption buttons, the frame still has the menu line.
    const int lineY = provider->SysBorderHeight() + provider->SysCaptionHeight() + provider->MenuLineHeight() / 2;
    const int W = 300;
    auto print = MakeBmp(W, 200, clFuchsia);
    SendMessageA(wnd, WM_PRINT, reinterpret_cast<WPARAM>(print->Canvas()->Handle()), PRF_NONCLIENT | PRF_CLIENT);
    GdiFlush();
    for (int x : {W - 8, W - 30, W - 60})
        EXPECT_EQ(Px(print.get(), x, lineY), Opaque(MenuLine)) << x;
    auto shot = ScreenCopy(WindowBounds(wnd));
    for (int x : {W - 8, W - 30, W - 60})
        EXPECT_EQ(Px(shot.get(), x, lineY), Opaque(MenuLine)) << x;
}

TEST_F(SkinProviderInput, ADoubleClickWhereADialogDrawsNoIconLeavesItOpen) {
    TsSkinProvider* provider = SkinnedForm(100, 100, 300, 200,
                                           [](TfrmInput* form, TsSkinProvider*) { form->SetBorderStyle(bsDialog); });
    HWND wnd = provider->Form()->Handle();
    TRect w = WindowBounds(wnd);
    const int x = w.left + provider->SysBorderWidth() + 4, y = w.top + 12;
    EXPECT_EQ(SendMessageA(wnd, WM_NCHITTEST, 0, MAKELPARAM(x, y)), HTCAPTION);
    InputScript script({[=] { MoveMouseTo(x, y); }, [] { MouseButton(true); }, [] { MouseButton(false); },
                        [] { MouseButton(true); }, [] { MouseButton(false); }},
                       40);
    script.Wait();
    Pump(300);
    EXPECT_TRUE(IsWindowVisible(wnd));
    EXPECT_FALSE(IsZoomed(wnd));
}

namespace {

// The pixels of the column X between rows Top and Bottom of the screen copies that are inverted in During.
int InvertedInColumn(TBitmap* Before, TBitmap* During, int X, int Top, int Bottom) {
    int n = 0;
    for (int y = Top; y < Bottom; ++y)
        n += Px(During, X, y) == (Px(Before, X, y) ^ 0xFFFFFF) ? 1 : 0;
    return n;
}

int ChangedInColumn(TBitmap* Before, TBitmap* After, int X, int Top, int Bottom) {
    int n = 0;
    for (int y = Top; y < Bottom; ++y)
        n += Px(After, X, y) != Px(Before, X, y) ? 1 : 0;
    return n;
}

// Opens a message box from the test's own message loop while a drag holds the mouse.
bool BoxShown = false;
bool XorUpUnderTheBox = true;
void CALLBACK OpenBox(HWND Wnd, UINT, UINT_PTR Id, DWORD) {
    KillTimer(Wnd, Id);
    BoxShown = true;
    MessageBoxA(Wnd, "Interrupted", "Drag", MB_OK);
    XorUpUnderTheBox = XorActive;
}

}  // namespace

TEST_F(SkinProviderInput, AnXorFrameMovesAndSizesAnMDIChild) {
    TfrmInput* frame = nullptr;
    Application->CreateForm(frame);
    frame->SetFormStyle(fsMDIForm);
    frame->SetPosition(poDesigned);
    frame->SetBounds(100, 100, 600, 450);
    frame->SetCaption("MDI frame");
    frame->HandleNeeded();
    (new TsSkinProvider(frame))->AfterConstruction();
    frame->Show();
    SetForegroundWindow(frame->Handle());
    Pump(300);
    auto* child = new TfrmInput(nullptr);
    child->SetFormStyle(fsMDIChild);
    child->SetPosition(poDesigned);
    child->SetBounds(20, 20, 240, 160);
    child->SetCaption("Child");
    auto* provider = new TsSkinProvider(child);
    provider->SetResizeMode(rmBorder);
    provider->AfterConstruction();
    child->AfterConstruction();
    child->Show();
    Pump(300);
    // The child goes before its frame.
    Forms.push_back(child);
    Forms.push_back(frame);
    HWND wnd = child->Handle();
    const TRect start = WindowBounds(wnd);
    const TRect area(start.left - 20, start.top - 20, start.right + 120, start.bottom + 80);

    // Moved by its caption: the child stays until the button goes up, an outline shows where it will be.
    auto before = ScreenCopy(area);
    POINT grab{start.left + 60, start.top + 12};
    {
        HeldDrag drag({grab, {grab.x + 1, grab.y + 1}, {grab.x + 41, grab.y + 31}});
        EXPECT_TRUE(XorActive);
        EXPECT_EQ(GetCapture(), wnd);
        EXPECT_EQ(WindowBounds(wnd), start);
        auto during = ScreenCopy(area);
        KeepShot(during.get(), "xor-mdi-move");
        // The outline's left edge, 40 pixels right of the child's.
        EXPECT_GT(InvertedInColumn(before.get(), during.get(), start.left + 40 - area.left, start.top + 40 - area.top,
                                   start.bottom - area.top),
                  60);
        drag.Release();
    }
    Pump(200);
    EXPECT_FALSE(XorActive);
    EXPECT_EQ(GetCapture(), nullptr);
    TRect moved = WindowBounds(wnd);
    EXPECT_EQ(moved, TRect(start.left + 40, start.top + 30, start.right + 40, start.bottom + 30));

    // Sized by its right border: the width follows the mouse, and nothing stays on the screen.
    before = ScreenCopy(area);
    const int bx = moved.right - 2, by = moved.top + 80;
    {
        HeldDrag drag({{bx, by}, {bx + 1, by}, {bx + 61, by}});
        EXPECT_TRUE(XorActive);
        EXPECT_EQ(WindowBounds(wnd), moved);
        drag.Release();
    }
    Pump(200);
    EXPECT_FALSE(XorActive);
    TRect sized = WindowBounds(wnd);
    EXPECT_EQ(sized, TRect(moved.left, moved.top, moved.right + 60, moved.bottom));
    auto after = ScreenCopy(area);
    EXPECT_EQ(ChangedInColumn(before.get(), after.get(), sized.right + 5 - area.left, 0, area.Height()), 0);
}

TEST_F(SkinProviderInput, AnXorFrameEndsWhenAMessageBoxTakesTheMouseOrEscIsPressed) {
    TsSkinProvider* provider = SkinnedForm(200, 200, 300, 200,
                                           [](TfrmInput*, TsSkinProvider* p) { p->SetResizeMode(rmBorder); });
    HWND wnd = provider->Form()->Handle();
    const TRect area(150, 150, 750, 650);
    auto before = ScreenCopy(area);
    MessageBoxCatcher boxes;
    ASSERT_TRUE(boxes.Installed());
    BoxShown = false;
    XorUpUnderTheBox = true;
    {
        HeldDrag drag({{300, 212}, {301, 213}, {361, 243}});
        ASSERT_TRUE(XorActive);
        SetTimer(wnd, 77, 10, &OpenBox);
        Pump(2000, [] { return BoxShown && !XorActive; });
        Pump(300);
        EXPECT_TRUE(BoxShown);
        EXPECT_FALSE(XorUpUnderTheBox);
        EXPECT_FALSE(XorActive);
        EXPECT_NE(GetCapture(), wnd);
        drag.Release();
    }
    Pump(300);
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    // The form stays where it was, and the outline is gone from where it ran.
    EXPECT_EQ(WindowBounds(wnd), TRect(200, 200, 500, 400));
    auto after = ScreenCopy(area);
    EXPECT_EQ(ChangedInColumn(before.get(), after.get(), 560 - area.left, 260 - area.top, 430 - area.top), 0);

    // Esc while a size frame is up: the frame goes, the form keeps its size.
    SetForegroundWindow(wnd);
    Pump(200);
    {
        HeldDrag drag({{498, 300}, {499, 301}, {560, 330}});
        ASSERT_TRUE(XorActive);
        PressKey(VK_ESCAPE);
        Pump(300, [] { return !XorActive; });
        EXPECT_FALSE(XorActive);
        EXPECT_EQ(GetCapture(), nullptr);
        drag.Release();
    }
    Pump(200);
    EXPECT_EQ(WindowBounds(wnd), TRect(200, 200, 500, 400));
    after = ScreenCopy(area);
    EXPECT_EQ(ChangedInColumn(before.get(), after.get(), 559 - area.left, 300 - area.top, 330 - area.top), 0);
    // A later drag of the form works as before.
    InputScript again({[] { MoveMouseTo(300, 212); }, [] { MouseButton(true); }, [] { MoveMouseTo(301, 213); },
                       [] { MoveMouseTo(321, 223); }, [] { MouseButton(false); }},
                      120);
    again.Wait();
    EXPECT_FALSE(XorActive);
    EXPECT_EQ(WindowBounds(wnd), TRect(220, 210, 520, 410));
}

}  // namespace
