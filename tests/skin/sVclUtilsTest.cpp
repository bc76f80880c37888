#include "skin/engine/sVclUtils.h"

#include "SkinTestControls.h"

#include <gtest/gtest.h>

namespace {

class SkinCommands : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TfrmSkinTest(nullptr);
        windowed = new TAnsweringParent(form);
        windowed->SetParent(form);
        windowed->SectionAnswer = 5;
        graphic = new TRecordingGraphic(form);
        graphic->SetParent(form);
    }
    void TearDown() override { form->Free(); }
    TfrmSkinTest* form = nullptr;
    TAnsweringParent* windowed = nullptr;
    TRecordingGraphic* graphic = nullptr;
};

}  // namespace

TEST_F(SkinCommands, ControlsAreReachedThroughTheirWindowOrTheirWindowProc) {
    EXPECT_EQ(SendSkinCmdToControl(nullptr, scGetSkinIndex, 0), 0);
    // A windowless control is always reached; a windowed one only through a window it already has.
    SendSkinCmdToControl(graphic, scSetHalfVisible, 9);
    ASSERT_EQ(graphic->Commands.size(), 1u);
    EXPECT_EQ(graphic->Commands[0].Command, scSetHalfVisible);
    EXPECT_EQ(graphic->Commands[0].LParam, 9);
    EXPECT_EQ(SendSkinCmdNoParam(windowed, scGetSkinIndex), 0);
    EXPECT_FALSE(windowed->HandleAllocated());
    EXPECT_TRUE(windowed->Commands.empty());
    windowed->HandleNeeded();
    EXPECT_EQ(SendSkinCmdNoParam(windowed, scGetSkinIndex), 5);
    EXPECT_EQ(SendSkinCmdToHandle(windowed->Handle(), scGetSkinIndex, 0), 5);
}

TEST_F(SkinCommands, OnlyControlsWithParentAndWindowAreReady) {
    EXPECT_FALSE(ControlIsReady(nullptr));
    EXPECT_TRUE(ControlIsReady(graphic));
    EXPECT_FALSE(ControlIsReady(windowed));  // no window yet
    windowed->HandleNeeded();
    EXPECT_TRUE(ControlIsReady(windowed));
    EXPECT_FALSE(ControlIsReady(form));  // no parent
    graphic->SetLoading(true);
    EXPECT_FALSE(ControlIsReady(graphic));
    graphic->SetLoading(false);
}

namespace {

// A windowed child that answers command 7 with 1 and command 21 with its colour answer, recording the rest.
class TSkinnedRecorder : public TSkinRecorder<TCustomControl> {
    CLASS_INFO(TSkinnedRecorder, TCustomControl)
public:
    using TSkinRecorder<TCustomControl>::TSkinRecorder;
    TColor ColorAnswer = 0x123456;
    void Dispatch(TMessage& Message) override {
        if (Message.Msg == SM_QUORVEXCMD && SkinCmdOf(Message.WParam) == scIsSkinned) {
            Message.Result = 1;
            return;
        }
        if (Message.Msg == SM_QUORVEXCMD && SkinCmdOf(Message.WParam) == scGetColor) {
            Message.Result = ColorAnswer;
            return;
        }
        TSkinRecorder<TCustomControl>::Dispatch(Message);
    }
};

// The messages that reached windows of RecordingWndProc.
std::vector<std::pair<HWND, UINT>> heard;

LRESULT CALLBACK RecordingWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    if (Msg == SM_QUORVEXCMD || Msg == WM_USER + 5)
        heard.emplace_back(Wnd, Msg);
    return DefWindowProcA(Wnd, Msg, WParam, LParam);
}

std::vector<int> CommandsOf(const std::vector<TSkinRecorder<TCustomControl>::Received>& Commands) {
    std::vector<int> r;
    for (const auto& c : Commands)
        r.push_back(c.Command);
    return r;
}

}  // namespace

TEST_F(SkinCommands, BroadcastsReachSkinnedWindowsAndWindowlessControlsAndStopAtOneBeingDestroyed) {
    auto* skinned = new TSkinnedRecorder(form);
    skinned->SetParent(form);
    auto* plain = new TRecordingControl(form);  // not skinned itself: its children hear
    plain->SetParent(form);
    auto* inner = new TSkinnedRecorder(form);
    inner->SetParent(plain);
    auto* after = new TSkinnedRecorder(form);
    after->SetParent(form);
    form->HandleNeeded();
    for (TWinControl* w : std::initializer_list<TWinControl*>{skinned, plain, inner, after, windowed})
        w->HandleNeeded();
    TMessage message{SM_QUORVEXCMD, MakeSkinCmd(scBgChanged), 7, 0};
    BroadcastSkinMessage(form, message);
    EXPECT_EQ(CommandsOf(skinned->Commands), std::vector<int>{scBgChanged});
    EXPECT_EQ(CommandsOf(inner->Commands), std::vector<int>{scBgChanged});
    EXPECT_EQ(CommandsOf(after->Commands), std::vector<int>{scBgChanged});
    EXPECT_EQ(graphic->Commands.size(), 1u);
    EXPECT_EQ(CommandsOf(plain->Commands), std::vector<int>{scIsSkinned});  // asked, not told
    // A child being destroyed ends the walk: the children after it hear nothing.
    skinned->Commands.clear();
    after->Commands.clear();
    plain->Destroying_();
    BroadcastSkinMessage(form, message);
    EXPECT_EQ(skinned->Commands.size(), 1u);
    EXPECT_TRUE(after->Commands.empty());
}

TEST_F(SkinCommands, CommandsToWindowsAndTheirChildren) {
    windowed->HandleNeeded();
    form->HandleNeeded();
    EXPECT_FALSE(GetSkinCmdBool(windowed->Handle(), scIsSkinned));
    windowed->SectionAnswer = 1;
    EXPECT_TRUE(GetSkinCmdBool(windowed->Handle(), scGetSkinIndex));
    // The control's form hears that the control was made.
    auto* formRecorder = new TSkinRecorder<TfrmSkinTest>(nullptr);
    auto* child = new TRecordingGraphic(formRecorder);
    child->SetParent(formRecorder);
    formRecorder->HandleNeeded();
    NotifyFormOfControl(child);
    ASSERT_EQ(formRecorder->Commands.size(), 1u);
    EXPECT_EQ(formRecorder->Commands[0].Command, scControlCreated);
    EXPECT_EQ(formRecorder->Commands[0].LParam, reinterpret_cast<LPARAM>(child));
    EXPECT_EQ(GetParentFormOf(child), formRecorder);
    EXPECT_EQ(GetParentFormOf(windowed), form);
    EXPECT_EQ(GetParentFormOf(nullptr), nullptr);
    NotifyFormOfControl(nullptr);
    formRecorder->Free();

    // Direct children of a window only, and command 6 only to child windows.
    HWND top = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    HWND child1 = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 10, 10, top, nullptr, nullptr, nullptr);
    HWND grandchild = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 5, 5, child1, nullptr, nullptr, nullptr);
    heard.clear();
    for (HWND w : {child1, grandchild})
        SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordingWndProc));
    BroadcastToChildWindows(top, TMessage{WM_USER + 5, 0, 0, 0});
    EXPECT_EQ(heard, (std::vector<std::pair<HWND, UINT>>{{child1, WM_USER + 5}}));
    heard.clear();
    UnlockChildWindows(top);
    EXPECT_EQ(heard, (std::vector<std::pair<HWND, UINT>>{{child1, SM_QUORVEXCMD}}));
    EXPECT_EQ(GetWndColor(nullptr), clFuchsia);
    DestroyWindow(top);
}

TEST_F(SkinCommands, ColoursComeFromTheSkinOrFromTheControl) {
    EXPECT_EQ(GetControlColor(nullptr), clFuchsia);
    auto* skinned = new TSkinnedRecorder(form);
    skinned->SetParent(form);
    skinned->HandleNeeded();
    EXPECT_EQ(GetControlColor(skinned), 0x123456);
    EXPECT_EQ(GetWndColor(skinned->Handle()), 0x123456);
    skinned->ColorAnswer = static_cast<TColor>(clBtnFace);
    EXPECT_EQ(GetControlColor(skinned), ColorToRGB(clBtnFace));
    windowed->HandleNeeded();
    windowed->SetColor(0x00FF00);
    EXPECT_EQ(GetControlColor(windowed), 0x00FF00);
    graphic->SetColor(clWindow);
    EXPECT_EQ(GetControlColor(graphic), ColorToRGB(clWindow));
}

TEST_F(SkinCommands, HeldRepaintsAreLetGoForShowingWindowedChildrenOnly) {
    auto* shown = new TRecordingControl(form);
    shown->SetParent(form);
    auto* hidden = new TRecordingControl(form);
    hidden->SetParent(form);
    hidden->SetVisible(false);
    form->SetBounds(0, 0, 120, 80);
    form->Show();
    ASSERT_TRUE(shown->Showing());
    ASSERT_FALSE(hidden->Showing());
    acAnimInProgress = true;
    UnlockChildControls(form);
    EXPECT_TRUE(shown->Commands.empty());  // nothing while a fade runs
    acAnimInProgress = false;
    UnlockChildControls(form);
    EXPECT_EQ(CommandsOf(shown->Commands), std::vector<int>{scRepaintHeld});
    EXPECT_TRUE(hidden->Commands.empty());
    EXPECT_TRUE(graphic->Commands.empty());
}

TEST_F(SkinCommands, LayoutHelpers) {
    EXPECT_EQ(GetDrawTextFlags(nullptr, taCenter), static_cast<UINT>(DT_CENTER | DT_EXPANDTABS | DT_VCENTER));
    EXPECT_EQ(GetDrawTextFlags(nullptr, taRightJustify), static_cast<UINT>(DT_RIGHT | DT_EXPANDTABS | DT_VCENTER));
    TRect work;
    GetWorkArea(work);
    RECT expected;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &expected, 0);
    EXPECT_EQ(work.right, expected.right);
    EXPECT_EQ(work.bottom, expected.bottom);
    // The client area inside a captioned, sizeable window starts below the caption and inside the frame.
    HWND wnd = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_CAPTION | WS_THICKFRAME, 10, 10, 200, 150, nullptr,
                               nullptr, nullptr, nullptr);
    TRect client;
    GetClientRectInWindow(wnd, client);
    RECT window, inner;
    GetWindowRect(wnd, &window);
    GetClientRect(wnd, &inner);
    EXPECT_EQ(client.left, GetSystemMetrics(SM_CXFRAME) + GetSystemMetrics(SM_CXPADDEDBORDER));
    EXPECT_EQ(client.Width(), inner.right);
    EXPECT_EQ(client.bottom, client.top + inner.bottom);
    EXPECT_GT(client.top, GetSystemMetrics(SM_CYCAPTION) - 1);
    DestroyWindow(wnd);
    // Heights of top-aligned children, widths of left-aligned ones; windowless ones only when asked.
    auto* top1 = new TRecordingControl(form);
    top1->SetParent(form);
    top1->SetAlign(alTop);
    top1->SetHeight(20);
    auto* top2 = new TRecordingGraphic(form);
    top2->SetParent(form);
    top2->SetAlign(alTop);
    top2->SetHeight(7);
    auto* left = new TRecordingControl(form);
    left->SetParent(form);
    left->SetAlign(alLeft);
    left->SetWidth(30);
    EXPECT_EQ(SumAlignedSizes(form, alTop, false), 20);
    EXPECT_EQ(SumAlignedSizes(form, alTop, true), 27);
    EXPECT_EQ(SumAlignedSizes(form, alLeft, true), 30);
    EXPECT_EQ(SumAlignedSizes(form, alBottom, true), 0);
    top1->SetVisible(false);
    EXPECT_EQ(SumAlignedSizes(form, alTop, true), 7);
}
