// The skinned form's state on real forms under the flat form skin: the caption follows activation by real clicks,
// keeps its skinned look through caption text changes, the form shows fully painted through its show animation,
// its own scroll bars are skinned, and it answers the skin commands of its state.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "classlib/visual/ExtCtrls.h"
#include "classlib/runtime/Finally.h"
#include "classlib/visual/Forms.h"
#include "classlib/visual/StdCtrls.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sSkinData.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"
#include "skin/forms/sSkinProvider.h"
#include "tests/support/SyntheticInput.h"
#include "tests/skin/FlatFormSkin.h"
#include "tests/skin/FlatSkinSamples.h"
#include "tests/skin/PixelTestUtils.h"
#include "tests/support/ScreenPictures.h"
#include "tests/support/MessageLoop.h"
#include "tests/support/TempDir.h"

namespace {

using namespace FormSkin;

void Settle(DWORD ms = 200) { PumpMessagesFor(ms); }

// Pixels of the caption band in the system's own caption colours (active or inactive, both gradient ends).
int SystemCaptionPixels(TBitmap* Shot, int Bottom) {
    std::vector<TColor> system;
    for (int index :
         {COLOR_ACTIVECAPTION, COLOR_INACTIVECAPTION, COLOR_GRADIENTACTIVECAPTION, COLOR_GRADIENTINACTIVECAPTION})
        system.push_back(static_cast<TColor>(GetSysColor(index) & 0xFFFFFF));
    return CountPx(
        Shot, [&](TColor p) { return std::find(system.begin(), system.end(), p) != system.end(); }, 0, 0, -1, Bottom);
}

class TfrmState : public TForm {
    CLASS_INFO(TfrmState, TForm)
public:
    using TForm::TForm;
};

// Takes a picture of the screen at the form's place whenever the system handles the caption text, so that what
// the system draws meanwhile can be checked.
class TSetTextWatcher {
public:
    explicit TSetTextWatcher(TControl* Form) : FForm(Form) {
        FHook.Install(Form, TWndMethod(this, &TSetTextWatcher::WndProc));
    }
    std::vector<std::unique_ptr<TBitmap>> Shots;

private:
    void WndProc(TMessage& Message) {
        FHook.CallPrevious(Message);
        if (Message.Msg == WM_SETTEXT) Shots.push_back(ScreenCopyOf(static_cast<TWinControl*>(FForm)->Handle()));
    }
    TControl* FForm;
    TWindowProcHook FHook;
};

// Notes every message that reaches the form's own handlers.
class TSpy {
public:
    explicit TSpy(TControl* Form) { FHook.Install(Form, TWndMethod(this, &TSpy::WndProc)); }
    bool Saw(UINT Msg) const { return std::find(FSeen.begin(), FSeen.end(), Msg) != FSeen.end(); }

private:
    void WndProc(TMessage& Message) {
        FSeen.push_back(Message.Msg);
        FHook.CallPrevious(Message);
    }
    std::vector<UINT> FSeen;
    TWindowProcHook FHook;
};

class SkinProviderState : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Dir = new TempDir;
        FlatFormOptions scroll;
        scroll.ScrollBars = true;
        WriteSkinFolder(Dir->Path(), MakeFlatFormSkin("FLATFORM", scroll));
        FlatFormOptions wide;
        wide.WideBorder = true;
        WriteSkinFolder(Dir->Path(), MakeFlatFormSkin("FLATFORMWIDE", wide));
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
    }
    void TearDown() override {
        for (TForm* f : Forms) f->Free();
        Forms.clear();
        Manager.reset();
        Settle(50);
    }
    TForm* MakeForm(int X = 40, int Y = 40, int W = 300, int H = 200) {
        auto* form = new TfrmState(nullptr);
        Forms.push_back(form);
        form->SetBorderStyle(bsSizeable);
        form->SetPosition(poDesigned);
        form->SetBounds(X, Y, W, H);
        form->SetCaption("Skinned form");
        return form;
    }
    TsSkinProvider* AddProvider(TForm* Form) {
        auto* provider = new TsSkinProvider(Form);
        provider->AfterConstruction();
        Form->AfterConstruction();
        return provider;
    }
    void ShowActive(TForm* Form) {
        Form->Show();
        SetForegroundWindow(Form->Handle());
        Settle();
    }

    static inline TempDir* Dir = nullptr;
    std::unique_ptr<TsSkinManager> Manager;
    std::vector<TForm*> Forms;
};

TEST_F(SkinProviderState, CaptionFollowsActivationByRealClicks) {
    TForm* form = MakeForm(40, 40);
    TsSkinProvider* provider = AddProvider(form);
    ShowActive(form);
    HWND wnd = form->Handle();
    // Another, unskinned window of the program, away from the form.
    TForm* other = MakeForm(500, 400, 200, 150);
    other->SetCaption("Other");
    other->Show();
    ShowActive(form);
    ASSERT_EQ(GetForegroundWindow(), wnd);
    auto active = ScreenCopyOf(wnd);
    EXPECT_EQ(Px(active.get(), 22, 8), Opaque(TitleHot));
    EXPECT_GT(CountOf(active.get(), TitleHotFont, 24, 4, 200, 23), 30);

    ClickAt(600, 500);
    ASSERT_TRUE(PumpMessagesUntil([&] { return GetForegroundWindow() == other->Handle(); }, 3000));
    Settle();
    EXPECT_FALSE(provider->FormActive());
    auto inactive = ScreenCopyOf(wnd);
    // The caption section in its normal (inactive) state, its text in the inactive text colour, every caption
    // button in its inactive image, and nothing of the system's own caption.
    EXPECT_EQ(Px(inactive.get(), 22, 8), Opaque(Title));
    EXPECT_EQ(Px(inactive.get(), 120, 1), Opaque(Title));
    EXPECT_EQ(CountOf(inactive.get(), TitleHot, 0, 0, -1, 23), 0);
    EXPECT_GT(CountOf(inactive.get(), TitleFont, 24, 4, 200, 23), 30);
    EXPECT_EQ(CountOf(inactive.get(), GlyphColor("CLOSE", true, 3)), (BigWidth - 2) * (BigHeight - 2));
    EXPECT_EQ(SystemCaptionPixels(inactive.get(), 23), 0);

    ClickAt(190, 160);
    ASSERT_TRUE(PumpMessagesUntil([&] { return GetForegroundWindow() == wnd; }, 3000));
    Settle();
    EXPECT_TRUE(provider->FormActive());
    auto again = ScreenCopyOf(wnd);
    EXPECT_EQ(Px(again.get(), 22, 8), Opaque(TitleHot));
    EXPECT_EQ(CountOf(again.get(), Title, 0, 0, -1, 23), 0);
    EXPECT_EQ(CountOf(again.get(), GlyphColor("CLOSE", true, 0)), (BigWidth - 2) * (BigHeight - 2));
    EXPECT_EQ(SystemCaptionPixels(again.get(), 23), 0);
    // No cover is left behind by the activation changes.
    EXPECT_EQ(provider->CaptionCover(), nullptr);
}

TEST_F(SkinProviderState, CaptionTextChangesKeepTheSkinnedCaption) {
    TForm* form = MakeForm();
    TSetTextWatcher watcher(form);
    TsSkinProvider* provider = AddProvider(form);
    ShowActive(form);
    HWND wnd = form->Handle();
    auto before = ScreenCopyOf(wnd);
    int textBefore = CountOf(before.get(), TitleHotFont, 24, 4, 260, 23);
    ASSERT_GT(textBefore, 30);
    watcher.Shots.clear();
    std::vector<std::unique_ptr<TBitmap>> around;
    for (const char* text : {"A much longer caption than before, cut at the buttons", "Short", "Skinned again"}) {
        form->SetCaption(text);
        around.push_back(ScreenCopyOf(wnd));
        Settle(30);
        around.push_back(ScreenCopyOf(wnd));
    }
    Settle();
    ASSERT_EQ(watcher.Shots.size(), 3u);
    for (auto& shot : watcher.Shots) around.push_back(std::move(shot));
    for (size_t i = 0; i < around.size(); ++i) {
        EXPECT_EQ(SystemCaptionPixels(around[i].get(), 23), 0) << i;
        EXPECT_EQ(Px(around[i].get(), 120, 1), Opaque(TitleHot)) << i;
    }
    auto after = ScreenCopyOf(wnd);
    EXPECT_EQ(Px(after.get(), 22, 8), Opaque(TitleHot));
    EXPECT_GT(CountOf(after.get(), TitleHotFont, 24, 4, 260, 23), 30);
    EXPECT_EQ(CountOf(after.get(), GlyphColor("CLOSE", true, 0)), (BigWidth - 2) * (BigHeight - 2));
    EXPECT_EQ(GetWindowLongA(wnd, GWL_STYLE) & WS_VISIBLE, WS_VISIBLE);
    EXPECT_EQ(provider->CaptionCover(), nullptr);
    char text[64];
    GetWindowTextA(wnd, text, sizeof text);
    EXPECT_STREQ(text, "Skinned again");
}

TEST_F(SkinProviderState, FormShowsFullyPaintedThroughTheShowAnimation) {
    Manager->AnimEffects()->FormShow()->SetActive(true);
    Manager->AnimEffects()->FormShow()->SetTime(120);
    std::vector<int> steps;
    acOnFadeStep = [&](HWND, int Step) { steps.push_back(Step); };
    auto reset = [] { acOnFadeStep = nullptr; };
    TForm* form = MakeForm();
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(20, 20, 120, 24);
    TsSkinProvider* provider = AddProvider(form);
    form->Show();
    reset();
    // The fade ran (120 ms in 15 steps) and everything it held back is let go.
    EXPECT_EQ(steps.size(), 16u);
    EXPECT_FALSE(provider->Animating());
    EXPECT_FALSE(acAnimInProgress);
    EXPECT_EQ(acOutputWindow, nullptr);
    SetForegroundWindow(form->Handle());
    Settle();
    HWND wnd = form->Handle();
    auto shot = ScreenCopyOf(wnd);
    EXPECT_EQ(Px(shot.get(), 22, 8), Opaque(TitleHot));
    EXPECT_EQ(Px(shot.get(), 1, 100), Opaque(Ring));
    EXPECT_EQ(Px(shot.get(), 150, 120), Opaque(FormHot));
    EXPECT_GT(CountOf(shot.get(), TitleHotFont, 24, 4, 200, 23), 30);
    EXPECT_EQ(CountOf(shot.get(), GlyphColor("CLOSE", true, 0)), (BigWidth - 2) * (BigHeight - 2));
    // No unpainted (black) surface inside the region's corners.
    EXPECT_EQ(CountOf(shot.get(), 0x000000, 3, 0, 297, 23), 0);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(wnd, region), COMPLEXREGION);
    EXPECT_FALSE(PtInRegion(region, 0, 0));
    DeleteObject(region);
    // The child was held back during the fade and paints again afterwards.
    EXPECT_TRUE(IsWindowVisible(edit->Handle()));
    EXPECT_EQ(GetWindowLongA(edit->Handle(), GWL_STYLE) & WS_VISIBLE, WS_VISIBLE);

    // Without the animation the form shows at once.
    steps.clear();
    Manager->AnimEffects()->FormShow()->SetActive(false);
    form->Hide();
    Settle(50);
    acOnFadeStep = [&](HWND, int Step) { steps.push_back(Step); };
    form->Show();
    reset();
    EXPECT_TRUE(steps.empty());
    SetForegroundWindow(wnd);
    Settle();
    EXPECT_EQ(Px(ScreenCopyOf(wnd).get(), 22, 8), Opaque(TitleHot));
    EXPECT_EQ(Px(ScreenCopyOf(wnd).get(), 150, 120), Opaque(FormHot));
}

TEST_F(SkinProviderState, FormShownMaximizedIsPaintedAndRemembersHowItWasShown) {
    TForm* normal = MakeForm(500, 500, 200, 150);
    TsSkinProvider* normalProvider = AddProvider(normal);
    ShowActive(normal);
    EXPECT_EQ(normalProvider->ShowState(), 1);
    TForm* form = MakeForm();
    form->SetWindowState(wsMaximized);
    TsSkinProvider* provider = AddProvider(form);
    ShowActive(form);
    HWND wnd = form->Handle();
    ASSERT_TRUE(IsZoomed(wnd));
    // The maximized window reaches past the screen's edges by its borders: its caption lies at the top.
    EXPECT_EQ(static_cast<TColor>(ScreenPixel(120, 8)), Opaque(TitleHot));
    // Shown again while zoomed, it notes so; deactivated, it forgets it and paints its inactive caption.
    ShowWindow(wnd, SW_HIDE);
    ShowWindow(wnd, SW_SHOW);
    EXPECT_EQ(provider->ShowState(), 3);
    SendMessageA(wnd, WM_NCACTIVATE, FALSE, 0);
    Settle();
    EXPECT_EQ(provider->ShowState(), 0);
    EXPECT_EQ(static_cast<TColor>(ScreenPixel(120, 8)), Opaque(Title));
    SendMessageA(wnd, WM_NCACTIVATE, TRUE, 0);
    Settle();
    EXPECT_EQ(static_cast<TColor>(ScreenPixel(120, 8)), Opaque(TitleHot));
}

TEST_F(SkinProviderState, OverflowingContentGetsSkinnedScrollBars) {
    TForm* form = MakeForm(40, 40, 300, 200);
    form->SetAutoScroll(true);
    auto* outside = new TPanel(form);
    outside->SetParent(form);
    outside->SetBounds(400, 300, 80, 40);
    TsSkinProvider* provider = AddProvider(form);
    ShowActive(form);
    HWND wnd = form->Handle();
    ASSERT_NE(provider->ScrollWnd(), nullptr);
    auto shot = ScreenCopyOf(wnd);
    // Both bars in the skin's images: the arrows, the tracks and the sliders in their normal state.
    for (const char* section :
         {"SCROLLBTNTOP", "SCROLLBTNBOTTOM", "SCROLLBTNLEFT", "SCROLLBTNRIGHT", "SCROLLSLIDERV", "SCROLLSLIDERH"})
        EXPECT_GT(CountOf(shot.get(), FlatStateColor(section, 0)), 20) << section;
    // The vertical bar stands inside the right border, below the caption.
    int barWidth = GetSystemMetrics(SM_CXVSCROLL);
    TColor vertical = Px(shot.get(), 300 - 4 - barWidth / 2, 60);
    std::vector<TColor> scrollColors;
    for (const char* section : {"SCROLLBAR1V", "SCROLLBAR2V", "SCROLLSLIDERV", "SCROLLBTNTOP", "SCROLLBTNBOTTOM"})
        for (int state = 0; state < 3; ++state) scrollColors.push_back(Opaque(FlatStateColor(section, state)));
    EXPECT_NE(std::find(scrollColors.begin(), scrollColors.end(), vertical), scrollColors.end())
        << std::hex << vertical;
    // The caption stays the caption: the frame's top strip ends where the client area begins.
    EXPECT_EQ(provider->CaptionAreaHeight(), 23);
    EXPECT_EQ(Px(shot.get(), 150, 60), Opaque(FormHot));

    // The class library's notification that the bars were made anew: a fresh adapter skins them.
    TacScrollWnd* first = provider->ScrollWnd();
    SendMessageA(wnd, 0xB03A, 0, 0);
    Settle();
    ASSERT_NE(provider->ScrollWnd(), nullptr);
    EXPECT_NE(provider->ScrollWnd(), first);
    EXPECT_GT(CountOf(ScreenCopyOf(wnd).get(), FlatStateColor("SCROLLSLIDERV", 0)), 20);

    // Without the skin the bars are the system's again and the adapter has given the form back.
    Manager->SetActive(false);
    Settle();
    auto plain = ScreenCopyOf(wnd);
    EXPECT_EQ(CountOf(plain.get(), FlatStateColor("SCROLLSLIDERV", 0)), 0);
    Manager->SetActive(true);
    Settle();
    ASSERT_NE(provider->ScrollWnd(), nullptr);
    EXPECT_GT(CountOf(ScreenCopyOf(wnd).get(), FlatStateColor("SCROLLSLIDERV", 0)), 20);
}

TEST_F(SkinProviderState, AnswersTheSkinCommandsOfItsState) {
    TForm* form = MakeForm();
    auto* label = new TLabel(form);
    label->SetParent(form);
    label->SetBounds(20, 20, 80, 20);
    label->SetCaption("Label");
    form->HandleNeeded();
    TSpy spy(form);
    TsSkinProvider* provider = AddProvider(form);
    ShowActive(form);
    HWND wnd = form->Handle();
    TsCommonData* data = provider->SkinData();
    // The system's idle notice of a menu loop never reaches the form's own handlers; the menu loop of a form that
    // is no MDI parent needs no cover.
    EXPECT_EQ(SendMessageA(wnd, WM_ENTERIDLE, MSGF_MENU, 0), 0);
    EXPECT_FALSE(spy.Saw(WM_ENTERIDLE));
    SendMessageA(wnd, WM_ENTERMENULOOP, 0, 0);
    EXPECT_EQ(MenuLoopCover, nullptr);
    SendMessageA(wnd, WM_EXITMENULOOP, 0, 0);
    EXPECT_TRUE(spy.Saw(WM_ENTERMENULOOP));
    auto cmd = [&](TacSkinCommand c, uint16_t low = 0, LPARAM l = 0) {
        return SendMessageA(wnd, SM_QUORVEXCMD, MakeSkinCmd(c, low), l);
    };
    // 21: the form's colour, the active one while the form is active.
    EXPECT_EQ(cmd(scGetColor), static_cast<LRESULT>(Opaque(FormHot)));
    // 19: the flat form section lets nothing through.
    EXPECT_EQ(cmd(scBgDependsOnPos), 0);
    // 8 and 10: painting held back, and the busy answer that follows it: busy only with a cache to hold back (the
    // flat form paints straight to the screen).
    ASSERT_FALSE(data->IsCached());
    EXPECT_EQ(cmd(scIsBusy), 0);
    cmd(scSetUpdating, 1);
    EXPECT_TRUE(data->Updating);
    EXPECT_EQ(cmd(scIsBusy), 0);
    cmd(scSetUpdating, 0);
    EXPECT_FALSE(data->Updating);
    EXPECT_EQ(cmd(scIsBusy), 0);
    // 9: locked, and the frame composed at once.
    data->BGChanged = true;
    cmd(scSetLocked, 1);
    EXPECT_TRUE(data->Locked);
    EXPECT_FALSE(data->BGChanged);
    cmd(scSetLocked, 0);
    EXPECT_FALSE(data->Locked);
    // 15: the graphic child being painted; a repaint then paints only that child.
    cmd(scGraphControl, 0, reinterpret_cast<LPARAM>(label));
    EXPECT_EQ(data->GraphControl, label);
    cmd(scGraphControl, 0, 0);
    EXPECT_EQ(data->GraphControl, nullptr);
    // 25: a control made at run time gets its adapter.
    Manager->ThirdLists(0)->SetText("TEdit");
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(20, 60, 120, 24);
    edit->HandleNeeded();
    // Its window's creation, which the form hears of, already gave it one; asking again keeps the one it has.
    HANDLE adapter = GetPropA(edit->Handle(), "ACSBSC");
    EXPECT_NE(adapter, nullptr);
    cmd(scControlCreated, 0, reinterpret_cast<LPARAM>(edit));
    EXPECT_EQ(GetPropA(edit->Handle(), "ACSBSC"), adapter);
    // A control of a class the skin takes only from now on has none until the command tells the form.
    auto* memo = new TMemo(form);
    memo->SetParent(form);
    memo->SetBounds(20, 100, 120, 40);
    memo->HandleNeeded();
    ASSERT_EQ(GetPropA(memo->Handle(), "ACSBSC"), nullptr);
    Manager->ThirdLists(0)->SetText("TEdit\r\nTMemo");
    cmd(scControlCreated, 0, reinterpret_cast<LPARAM>(memo));
    EXPECT_NE(GetPropA(memo->Handle(), "ACSBSC"), nullptr);
    // Colour changes of the form itself are the skin's business: no repaint is asked for without a custom colour,
    // and one is with it.
    data->BGChanged = false;
    form->SetColor(clRed);
    EXPECT_FALSE(data->BGChanged);
    data->SetCustomColor(true);
    data->BGChanged = false;
    form->SetColor(clBlue);
    EXPECT_TRUE(data->BGChanged);
    data->SetCustomColor(false);
    // A form that is disabled or enabled paints its frame again: what was drawn over the frame goes.
    auto scribble = [wnd] {
        HDC dc = GetWindowDC(wnd);
        RECT r{60, 2, 160, 20};
        FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        ReleaseDC(wnd, dc);
        GdiFlush();
        // The window's surface reaches the screen when the thread serves its messages.
        Settle(50);
    };
    for (bool enabled : {false, true}) {
        Settle(50);
        scribble();
        ASSERT_EQ(Px(ScreenCopyOf(wnd).get(), 100, 8), static_cast<TColor>(0));
        form->SetEnabled(enabled);
        Settle(50);
        EXPECT_EQ(Px(ScreenCopyOf(wnd).get(), 100, 8), Opaque(TitleHot)) << enabled;
    }
}

TEST_F(SkinProviderState, RepaintsTheNamedGraphicChildAlone) {
    // The wide border makes the form paint through its frame cache.
    Manager->SetSkinName("FLATFORMWIDE");
    ASSERT_TRUE(Manager->Active());
    TForm* form = MakeForm();
    auto* label = new TLabel(form);
    label->SetParent(form);
    label->SetBounds(20, 20, 80, 20);
    label->SetCaption("Label");
    TsSkinProvider* provider = AddProvider(form);
    ShowActive(form);
    HWND wnd = form->Handle();
    ASSERT_TRUE(provider->SkinData()->IsCached());
    SendMessageA(wnd, SM_QUORVEXCMD, MakeSkinCmd(scGraphControl), reinterpret_cast<LPARAM>(label));
    auto client = MakeBmp(form->ClientWidth(), form->ClientHeight(), clFuchsia);
    SendMessageA(wnd, WM_PAINT, reinterpret_cast<WPARAM>(client->Canvas()->Handle()), 0);
    GdiFlush();
    // Only the label's place is painted: the form's background there and the label's text over it.
    int all = client->Width() * client->Height(), w = label->Width(), h = label->Height();
    ASSERT_GT(w * h, 100);
    EXPECT_EQ(CountOf(client.get(), 0xFF00FF), all - w * h);
    EXPECT_EQ(CountOf(client.get(), 0xFF00FF, 20, 20, 20 + w, 20 + h), 0);
    EXPECT_GT(CountOf(client.get(), Form, 20, 20, 20 + w, 20 + h), w * h / 3);
    // Without a named child the whole client area is painted.
    SendMessageA(wnd, SM_QUORVEXCMD, MakeSkinCmd(scGraphControl), 0);
    SendMessageA(wnd, WM_PAINT, reinterpret_cast<WPARAM>(client->Canvas()->Handle()), 0);
    GdiFlush();
    EXPECT_EQ(CountOf(client.get(), 0xFF00FF), 0);
}

HRESULT WINAPI FakeComposition(BOOL* Enabled) {
    *Enabled = TRUE;
    return S_OK;
}

HRESULT WINAPI FakeSetAttribute(HWND, DWORD, LPCVOID, DWORD) { return S_OK; }

// With desktop composition (which this system never has, so its entry points are put in place here) the caption
// is repainted after the system's handling instead of being covered.
TEST_F(SkinProviderState, WithCompositionTheCaptionIsRepaintedAfterTheSystem) {
    TacDwmEntryPoints saved = acDwm();
    acDwm().IsCompositionEnabled = &FakeComposition;
    acDwm().SetWindowAttribute = &FakeSetAttribute;
    acDwmSwitch = true;
    auto restore = Finally([&] {
        acDwm() = saved;
        acDwmSwitch = false;
    });
    TForm* form = MakeForm();
    TsSkinProvider* provider = AddProvider(form);
    ShowActive(form);
    HWND wnd = form->Handle();
    ASSERT_TRUE(provider->DwmAvailable());
    form->SetCaption("Caption under composition");
    Settle();
    auto shot = ScreenCopyOf(wnd);
    EXPECT_EQ(Px(shot.get(), 22, 8), Opaque(TitleHot));
    EXPECT_EQ(SystemCaptionPixels(shot.get(), 23), 0);
    EXPECT_EQ(provider->CaptionCover(), nullptr);
    SendMessageA(wnd, WM_NCACTIVATE, FALSE, 0);
    Settle();
    shot = ScreenCopyOf(wnd);
    EXPECT_EQ(Px(shot.get(), 22, 8), Opaque(Title));
    EXPECT_EQ(SystemCaptionPixels(shot.get(), 23), 0);
    EXPECT_EQ(GetWindowLongA(wnd, GWL_STYLE) & WS_VISIBLE, WS_VISIBLE);
    SendMessageA(wnd, WM_NCACTIVATE, TRUE, 0);
    Settle();
    EXPECT_EQ(Px(ScreenCopyOf(wnd).get(), 22, 8), Opaque(TitleHot));
}

// A look at an active and an inactive skinned form side by side (BRIMLET_HOLD_MS keeps them on the screen that long).
TEST_F(SkinProviderState, ShowsAnActiveAndAnInactiveForm) {
    TForm* inactive = MakeForm(40, 40, 320, 220);
    inactive->SetCaption("Inactive skinned form");
    AddProvider(inactive);
    ShowActive(inactive);
    TForm* active = MakeForm(400, 40, 320, 220);
    active->SetCaption("Active skinned form");
    active->SetAutoScroll(true);
    auto* outside = new TPanel(active);
    outside->SetParent(active);
    outside->SetBounds(360, 300, 80, 40);
    AddProvider(active);
    ShowActive(active);
    if (const char* hold = std::getenv("BRIMLET_HOLD_MS")) Settle(static_cast<DWORD>(std::atoi(hold)));
    EXPECT_EQ(Px(ScreenCopyOf(inactive->Handle()).get(), 22, 8), Opaque(Title));
    EXPECT_EQ(Px(ScreenCopyOf(active->Handle()).get(), 22, 8), Opaque(TitleHot));
}

}  // namespace
