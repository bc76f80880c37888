#include "skin/adapters/acCheckBoxWnds.h"
#include "skin/adapters/acSBUtils.h"
#include "skin/engine/acFastPixels.h"

#include "AdapterTestWindows.h"
#include "tests/support/SyntheticInput.h"
#include "tests/skin/SkinTestControls.h"
#include "tests/support/MessageLoop.h"

#include "classlib/runtime/ObjectInstance.h"
#include "classlib/visual/StdCtrls.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

// A skin data that says when it goes.
class TWatchedSkinData : public TsCommonData {
public:
    TWatchedSkinData(TObject* Owner, bool* Gone) : TsCommonData(Owner, true), FGone(Gone) {}
    ~TWatchedSkinData() override { *FGone = true; }

private:
    bool* FGone;
};

// Remembers the windows that SetWindowTheme was called for and with what.
struct ThemeCall {
    HWND Wnd;
    bool Off;
};
std::vector<ThemeCall> gThemeCalls;
HRESULT WINAPI RecordSetWindowTheme(HWND Wnd, LPCWSTR App, LPCWSTR) {
    gThemeCalls.push_back({Wnd, App != nullptr});
    return S_OK;
}

// A later subclass of a window: it counts what passes through it.
WNDPROC gLaterPrevious = nullptr;
int gLaterSeen = 0;
LRESULT CALLBACK LaterSubclass(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    ++gLaterSeen;
    return CallWindowProcW(gLaterPrevious, Wnd, Msg, WParam, LParam);
}

WNDPROC ProcOf(HWND Wnd) { return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(Wnd, GWLP_WNDPROC)); }

// A control of the class library that chooses how far it fades when it is disabled: it answers skin command 35 by
// setting the blend byte to Blend (-1: it does not answer).
class TFadingControl : public TCustomControl {
    CLASS_INFO(TFadingControl, TCustomControl)
public:
    using TCustomControl::TCustomControl;
    int Blend = -1;
    int Asked = 0;
    void Dispatch(TMessage& Message) override {
        if (Message.Msg == SM_QUORVEXCMD && SkinCmdOf(Message.WParam) == scPrepareDisabled) {
            ++Asked;
            if (Blend >= 0)
                acDisabledBlend = static_cast<uint8_t>(Blend);
            return;
        }
        TCustomControl::Dispatch(Message);
    }
};

// Each byte of the colour at that share (percent) over black, within one step of rounding.
bool FadedOverBlack(TColor Seen, TColor Own, int Percent) {
    for (int shift : {0, 8, 16}) {
        int expected = (static_cast<int>((Own >> shift) & 0xFF) * Percent + 50) / 100;
        if (std::abs(static_cast<int>((Seen >> shift) & 0xFF) - expected) > 1)
            return false;
    }
    return true;
}

class BaseAdapter : public ::testing::Test {
protected:
    void SetUp() override {
        liveBefore = TacMainWnd::LiveCount();
        instancesBefore = ObjectInstanceCount();
        RecordedCommands().clear();
    }
    void TearDown() override {
        EXPECT_EQ(TacMainWnd::LiveCount(), liveBefore) << "an adapter leaked or was freed twice";
    }
    LRESULT Cmd(HWND Wnd, TacSkinCommand Command, LPARAM LParam = 0) {
        return SendMessageW(Wnd, SM_QUORVEXCMD, MakeSkinCmd(Command), LParam);
    }

    FlatSkin skin;
    PlainParent parent;
    int liveBefore = 0;
    int instancesBefore = 0;
};

}  // namespace

TEST_F(BaseAdapter, TakesOverABareWindowAndGivesItsProcedureBackExactly) {
    HWND edit = parent.Child(L"EDIT", L"text", WS_BORDER, 10, 10, 120, 24);
    WNDPROC original = ProcOf(edit);
    {
        auto adapter = CreateAdapter<TacMainWnd>(edit, nullptr, nullptr, "EDIT", true);
        EXPECT_EQ(GetAdapterOfWnd(edit), adapter.get());
        EXPECT_EQ(GetPropA(edit, "ACSBSC"), adapter.get());
        EXPECT_NE(ProcOf(edit), original);
        EXPECT_EQ(ProcOf(edit), adapter->ObjectInstance);
        EXPECT_EQ(adapter->WndText, "text");
        EXPECT_TRUE(adapter->OwnSkinData);
        EXPECT_EQ(adapter->SkinData->SkinSection(), "EDIT");
        // The control keeps working through the adapter, and the adapter follows its text.
        SetWindowTextA(edit, "changed");
        EXPECT_EQ(adapter->WndText, "changed");
        char buffer[32] = {};
        GetWindowTextA(edit, buffer, sizeof buffer);
        EXPECT_STREQ(buffer, "changed");
    }
    EXPECT_EQ(ProcOf(edit), original);
    EXPECT_EQ(GetAdapterOfWnd(edit), nullptr);
    EXPECT_EQ(ObjectInstanceCount(), instancesBefore);
}

TEST_F(BaseAdapter, UnicodeTextSurvivesTheAdapter) {
    HWND edit = parent.Child(L"EDIT", L"", WS_BORDER, 10, 10, 160, 24);
    ASSERT_TRUE(IsWindowUnicode(edit));
    auto adapter = CreateAdapter<TacMainWnd>(edit, nullptr, nullptr, "EDIT", true);
    EXPECT_TRUE(IsWindowUnicode(edit));
    const std::wstring text = L"\x4E2D\x6587 \x0416 \x03A9";
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    // Typed characters take the same road as keyboard input; they go at the end.
    SendMessageW(edit, EM_SETSEL, text.size(), text.size());
    for (wchar_t c : std::wstring(L"\x00E9\x4E16"))
        SendMessageW(edit, WM_CHAR, c, 1);
    wchar_t buffer[64] = {};
    GetWindowTextW(edit, buffer, 64);
    EXPECT_EQ(std::wstring(buffer), text + L"\x00E9\x4E16");
    // And typed for real, through the keyboard input of the system.
    SetWindowTextW(edit, L"");
    RECT r{};
    GetWindowRect(edit, &r);
    ClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PumpMessagesUntil([&] { return GetFocus() == edit; });
    TypeText(L"\x4E2D\x0416");
    // The application's own loop: wide messages, keys translated into characters.
    PumpKeysUntil([&] { return GetWindowTextLengthW(edit) >= 2; });
    GetWindowTextW(edit, buffer, 64);
    EXPECT_EQ(std::wstring(buffer), L"\x4E2D\x0416");
}

TEST_F(BaseAdapter, ALaterSubclassSurvivesOurRemovalAndTheWindowStillWorks) {
    HWND edit = parent.Child(L"EDIT", L"abc", WS_BORDER, 10, 10, 120, 24);
    WNDPROC original = ProcOf(edit);
    auto adapter = CreateAdapter<TacMainWnd>(edit, nullptr, nullptr, "EDIT", true);
    gLaterSeen = 0;
    gLaterPrevious = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LaterSubclass)));
    adapter.reset();
    // The later subclass is still in place and messages still reach the edit through it.
    EXPECT_EQ(ProcOf(edit), &LaterSubclass);
    EXPECT_EQ(GetAdapterOfWnd(edit), nullptr);
    SetWindowTextA(edit, "after");
    char buffer[32] = {};
    GetWindowTextA(edit, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "after");
    EXPECT_GT(gLaterSeen, 0);
    // When the later one goes too, the edit's own procedure is back.
    SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gLaterPrevious));
    DestroyWindow(edit);
    EXPECT_EQ(ObjectInstanceCount(), instancesBefore);
    (void)original;
}

TEST_F(BaseAdapter, DestroyingTheWindowGivesTheProcedureBackAndOnlyTheOwnerFreesTheAdapter) {
    HWND edit = parent.Child(L"EDIT", L"", WS_BORDER, 10, 10, 120, 24);
    bool gone = false;
    auto* data = new TWatchedSkinData(nullptr, &gone);
    auto adapter = CreateAdapter<TacMainWnd>(edit, data, nullptr, "EDIT", true);
    EXPECT_FALSE(adapter->OwnSkinData);
    DestroyWindow(edit);
    EXPECT_TRUE(adapter->Destroyed);
    EXPECT_EQ(TacMainWnd::LiveCount(), liveBefore + 1);
    EXPECT_EQ(ObjectInstanceCount(), instancesBefore);
    adapter.reset();
    // Skin data the adapter was given stays its giver's.
    EXPECT_FALSE(gone);
    delete data;
    EXPECT_TRUE(gone);
}

TEST_F(BaseAdapter, ASectionAlreadyChosenStaysAndTheThemeIsSwitchedOffExceptForDialogs) {
    TSetWindowThemeProc saved = acSetWindowTheme;
    acSetWindowTheme = &RecordSetWindowTheme;
    gThemeCalls.clear();
    HWND a = parent.Child(L"BUTTON", L"a", 0, 10, 10, 80, 24);
    HWND b = parent.Child(L"BUTTON", L"b", 0, 10, 40, 80, 24);
    TsCommonData data(nullptr, true);
    data.SetSkinSection("CHECKBOX");
    {
        auto first = CreateAdapter<TacMainWnd>(a, &data, nullptr, "BUTTON", true);
        auto second = CreateAdapter<TacMainWnd>(b, nullptr, nullptr, "DIALOG", true);
        EXPECT_EQ(data.SkinSection(), "CHECKBOX");
        EXPECT_EQ(second->SkinData->SkinSection(), "DIALOG");
        ASSERT_EQ(gThemeCalls.size(), 1u);
        EXPECT_EQ(gThemeCalls[0].Wnd, a);
        EXPECT_TRUE(gThemeCalls[0].Off);
    }
    // Going, each gives the visual style back.
    ASSERT_EQ(gThemeCalls.size(), 3u);
    EXPECT_FALSE(gThemeCalls[1].Off);
    EXPECT_FALSE(gThemeCalls[2].Off);
    acSetWindowTheme = saved;
}

TEST_F(BaseAdapter, AnswersSkinCommandsOnlyForItsActiveManager) {
    HWND rec = parent.Child(RecorderClass(), L"", 0, 10, 10, 60, 40);
    auto adapter = CreateAdapter<TacMainWnd>(rec, nullptr, nullptr, "BUTTON", true);
    EXPECT_EQ(Cmd(rec, scIsSkinned), 1);
    EXPECT_TRUE(RecordedCommands().empty());
    // Commands 1 and 2 of another manager change nothing and reach the window.
    TsSkinManager other(nullptr);
    adapter->SkinData->SkinIndex = -1;
    Cmd(rec, scNewSkin, reinterpret_cast<LPARAM>(&other));
    EXPECT_EQ(adapter->SkinData->SkinIndex, -1);
    Cmd(rec, scRemoveSkin, reinterpret_cast<LPARAM>(&other));
    EXPECT_EQ(RecordedCommands(), (std::vector<int>{scNewSkin, scRemoveSkin}));
    // Ours re-reads the indexes and passes the command on as well.
    Cmd(rec, scNewSkin, reinterpret_cast<LPARAM>(&skin.Manager));
    EXPECT_EQ(adapter->SkinData->SkinIndex, skin.Index("BUTTON"));
    EXPECT_EQ(RecordedCommands().size(), 3u);
    // Colour, busy state, the application.
    EXPECT_EQ(static_cast<TColor>(Cmd(rec, scGetColor)), Flat(FlatSection("BUTTON").Color));
    EXPECT_EQ(Cmd(rec, scIsBusy), 0);
    EXPECT_EQ(Cmd(rec, scGetApplication), reinterpret_cast<LRESULT>(Application.Get()));
    // A flat section tells its children its colour.
    TacBGInfo info;
    ASSERT_TRUE(QueryWndBGInfo(info, rec, false));
    EXPECT_EQ(info.BgType, 1);
    EXPECT_EQ(info.Color, Flat(FlatSection("BUTTON").Color));
    // With the manager inactive the adapter is transparent: even command 7 reaches the window.
    RecordedCommands().clear();
    skin.Manager.SetActive(false);
    EXPECT_EQ(Cmd(rec, scIsSkinned), 0);
    EXPECT_EQ(RecordedCommands(), std::vector<int>{scIsSkinned});
}

TEST_F(BaseAdapter, HooksAClassLibraryControlThroughItsWindowProcAndGivesItBack) {
    auto* form = new TfrmSkinTest(nullptr);
    form->SetBounds(60, 60, 300, 200);
    auto* button = new TButton(form);
    button->SetParent(form);
    button->SetBounds(10, 10, 90, 28);
    button->SetCaption("OK");
    form->Show();
    HWND handle = button->Handle();
    WNDPROC windowProcedure = ProcOf(handle);
    TWndMethod before = button->WindowProc();
    {
        TsCommonData data(button, true);
        auto adapter = CreateAdapter<TacMainWnd>(handle, &data, nullptr, "BUTTON", true);
        EXPECT_FALSE(button->WindowProc() == before);
        EXPECT_EQ(ProcOf(handle), windowProcedure);
        EXPECT_EQ(adapter->ObjectInstance, nullptr);
        EXPECT_TRUE(button->ControlStyle().Contains(csOpaque));
        EXPECT_EQ(SendMessageW(handle, SM_QUORVEXCMD, MakeSkinCmd(scIsSkinned), 0), 1);
        EXPECT_EQ(adapter->WndText, "OK");
    }
    EXPECT_TRUE(button->WindowProc() == before);
    EXPECT_EQ(GetAdapterOfWnd(handle), nullptr);
    form->Free();
}

TEST_F(BaseAdapter, SharedGeometryAndLookups) {
    HWND edit = parent.Child(L"EDIT", L"", WS_BORDER, 25, 35, 100, 20);
    HWND owner = nullptr;
    TRect wndRect, parentRect;
    TPoint pos;
    TSize size;
    GetWndOffsetInParent(edit, owner, wndRect, pos, size, parentRect);
    EXPECT_EQ(owner, parent.Wnd);
    EXPECT_EQ(pos.x, 25);
    EXPECT_EQ(pos.y, 35);
    EXPECT_EQ(size.cx, 100);
    EXPECT_EQ(size.cy, 20);
    // A parent that says where its client area lies moves the offset by that much.
    auto form = std::unique_ptr<TfrmSkinTest, void (*)(TfrmSkinTest*)>(new TfrmSkinTest(nullptr),
                                                                       [](TfrmSkinTest* f) { f->Free(); });
    form->SetBounds(0, 0, 200, 100);
    auto* panel = new TAnsweringParent(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(0, 0, 150, 80);
    auto* inner = new TButton(form.get());
    inner->SetParent(panel);
    inner->SetBounds(12, 14, 40, 20);
    EXPECT_EQ(FindControlByHandle(inner->Handle(), form.get()), inner);
    EXPECT_EQ(FindControlByHandle(edit, form.get()), nullptr);
    GetWndOffsetInParent(inner->Handle(), owner, wndRect, pos, size, parentRect);
    EXPECT_EQ(pos.x, 12);
    EXPECT_EQ(pos.y, 14);
    panel->ClientOffsetAnswer = MAKELONG(3, 5);
    GetWndOffsetInParent(inner->Handle(), owner, wndRect, pos, size, parentRect);
    EXPECT_EQ(owner, panel->Handle());
    EXPECT_EQ(pos.x, 12 - 3);
    EXPECT_EQ(pos.y, 14 - 5);
    EXPECT_EQ(size.cx, 40);
}

TEST_F(BaseAdapter, PreparingTheCachePaintsTheSectionOnceUntilTheBackgroundChanges) {
    HWND rec = parent.Child(RecorderClass(), L"", 0, 10, 10, 60, 40);
    auto adapter = CreateAdapter<TacMainWnd>(rec, nullptr, nullptr, "BUTTON", true);
    TsCommonData* data = adapter->SkinData;
    const FlatSectionColors& button = FlatSection("BUTTON");
    data->BGChanged = true;
    Cmd(rec, scRebuildCache);
    EXPECT_FALSE(data->BGChanged);
    TBitmap* cache = data->CacheBmp();
    ASSERT_EQ(cache->Width(), 60);
    ASSERT_EQ(cache->Height(), 40);
    EXPECT_EQ(PixelOf(cache, 30, 20), Flat(button.Color));
    EXPECT_EQ(PixelOf(cache, 1, 1), Flat(button.Border[0]));
    EXPECT_EQ(PixelOf(cache, 59, 39), Flat(button.Border[0]));
    // Nothing is painted again while the background stays.
    SetPixel(cache->Canvas()->Handle(), 30, 20, 0);
    PrepareAdapterCache(data, rec, false);
    EXPECT_EQ(PixelOf(cache, 30, 20), TColor(0));
    // The frame of a bordered adapter in the pressed state, the inside untouched.
    PaintParentBG(data, 2, adapter.get());
    EXPECT_EQ(PixelOf(cache, 1, 1), Flat(button.Border[2]));
    EXPECT_EQ(PixelOf(cache, 30, 20), TColor(0));
}

TEST_F(BaseAdapter, ClearingAProvidersListStillGivesTheProcedureBackButKeepsTheLook) {
    TSetWindowThemeProc saved = acSetWindowTheme;
    acSetWindowTheme = &RecordSetWindowTheme;
    HWND edit = parent.Child(L"EDIT", L"", WS_BORDER, 10, 10, 120, 24);
    WNDPROC original = ProcOf(edit);
    auto adapter = CreateAdapter<TacMainWnd>(edit, nullptr, nullptr, "EDIT", true);
    gThemeCalls.clear();
    acAdapterListClearing = true;
    adapter.reset();
    acAdapterListClearing = false;
    // The window would otherwise call a freed adapter; its visual style stays off as the list is rebuilt.
    EXPECT_EQ(ProcOf(edit), original);
    EXPECT_EQ(GetAdapterOfWnd(edit), nullptr);
    EXPECT_TRUE(gThemeCalls.empty());
    acSetWindowTheme = saved;
}

TEST_F(BaseAdapter, UninitializingGivesBackOnceAndFreesOnlyWhenAsked) {
    HWND edit = parent.Child(L"EDIT", L"", WS_BORDER, 10, 10, 120, 24);
    WNDPROC original = ProcOf(edit);
    TacMainWnd* adapter = CreateAdapter<TacMainWnd>(edit, nullptr, nullptr, "EDIT", true).release();
    UninitializeAdapter(edit, false, false, adapter);
    ASSERT_NE(adapter, nullptr);
    EXPECT_TRUE(adapter->Destroyed);
    EXPECT_EQ(ProcOf(edit), original);
    // An adapter already given back is only freed.
    UninitializeAdapter(edit, true, false, adapter);
    EXPECT_EQ(adapter, nullptr);
    EXPECT_EQ(ProcOf(edit), original);
    UninitializeAdapter(edit, true, false, adapter);
}

// The removal of the skin reaches the adapters of the application's forms through the manager's own broadcast,
// although the manager has let go of Active by then: a group box of the class library is no longer opaque, and
// afterwards the adapter is out of the way.
TEST_F(BaseAdapter, TheRemovalOfTheSkinReachesTheAdaptersOfTheApplicationsForms) {
    auto* form = new TfrmSkinTest(Application.Get());
    form->SetBounds(60, 60, 300, 200);
    auto* group = new TGroupBox(form);
    group->SetParent(form);
    group->SetBounds(10, 10, 150, 100);
    group->SetCaption("Group");
    form->Show();
    ASSERT_FALSE(group->ControlStyle().Contains(csOpaque));
    {
        TsCommonData data(group, true);
        auto adapter = CreateAdapter<TacGroupBoxWnd>(group->Handle(), &data, nullptr, "GROUPBOX", true);
        ASSERT_TRUE(group->ControlStyle().Contains(csOpaque));
        EXPECT_EQ(Cmd(group->Handle(), scIsSkinned), 1);
        skin.Manager.SetActive(false);
        EXPECT_FALSE(skin.Manager.RemovingSkin());
        EXPECT_FALSE(group->ControlStyle().Contains(csOpaque));
        EXPECT_EQ(Cmd(group->Handle(), scIsSkinned), 0);
    }
    form->Free();
}

// A disabled control's cache keeps 50 percent of its section over the parent's colour, or the share the control
// itself chooses through skin command 35; no other painting sees that choice.
TEST_F(BaseAdapter, ADisabledControlFadesIntoItsParentAsFarAsItChooses) {
    auto form = std::unique_ptr<TfrmSkinTest, void (*)(TfrmSkinTest*)>(new TfrmSkinTest(nullptr),
                                                                       [](TfrmSkinTest* f) { f->Free(); });
    form->SetBounds(60, 60, 300, 200);
    auto* under = new TAnsweringParent(form.get());
    under->SetParent(form.get());
    under->SetBounds(0, 0, 200, 150);
    under->BackgroundColor = 0;  // black
    auto* control = new TFadingControl(form.get());
    control->SetParent(under);
    control->SetBounds(10, 10, 60, 40);
    form->Show();
    TsCommonData data(control, true);
    auto adapter = CreateAdapter<TacMainWnd>(control->Handle(), &data, nullptr, "BUTTON", true);
    auto centre = [&] {
        data.BGChanged = true;
        PrepareAdapterCache(&data, control->Handle(), false);
        return PixelOf(data.CacheBmp(), 30, 20);
    };
    const TColor own = Flat(FlatSection("BUTTON").Color);
    EXPECT_EQ(centre(), own);
    EXPECT_EQ(control->Asked, 0);
    control->SetEnabled(false);
    EXPECT_TRUE(FadedOverBlack(centre(), own, 50));
    EXPECT_EQ(control->Asked, 1);
    control->Blend = 20;
    EXPECT_TRUE(FadedOverBlack(centre(), own, 20));
    EXPECT_EQ(control->Asked, 2);
    EXPECT_EQ(acDisabledBlend, 0);
    // Its choice is asked again at every painting.
    control->Blend = 0;
    EXPECT_TRUE(FadedOverBlack(centre(), own, 50));
    adapter.reset();
}
