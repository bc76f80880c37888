#include "skin/forms/sFrameAdapter.h"

#include "skin/adapters/acSBUtils.h"
#include "skin/engine/sSkinManager.h"
#include "skin/forms/sCtrlAdapter.h"
#include "tests/skin/MessageBoxCatcher.h"
#include "tests/skin/PixelTestUtils.h"
#include "tests/skin/SkinSamples.h"
#include "tests/support/MessageLoop.h"
#include "tests/support/ScreenPictures.h"
#include "tests/support/TempDir.h"

#include "classlib/visual/Forms.h"
#include "classlib/visual/Menus.h"
#include "classlib/visual/StdCtrls.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class FrameAdapter : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Dir = new TempDir;
        WriteSkinFolder(Dir->Path(), MakeFlatSkin());
    }
    static void TearDownTestSuite() {
        delete Dir;
        Dir = nullptr;
    }
    void SetUp() override {
        Manager = std::make_unique<TsSkinManager>(nullptr);
        Manager->SetSkinDirectory(Dir->Path());
        Manager->SetSkinName("FLAT");
        ASSERT_TRUE(Manager->Active());
        // Owned by the application, as every form of a program is: the skin changes reach it.
        Form = new TForm(Application.Get());
        Form->SetBounds(10, 10, 420, 320);
        Frame = new TFrame(Form);
        Frame->SetParent(Form);
        Frame->SetBounds(20, 20, 240, 160);
        Edit = new TEdit(Form);
        Edit->SetParent(Frame);
        Edit->SetBounds(150, 10, 80, 22);
        Button = new TButton(Form);
        Button->SetParent(Frame);
        Button->SetBounds(150, 60, 80, 26);
        Form->Show();
        PumpMessagesFor(150);
    }
    void TearDown() override {
        List.reset();
        if (Form)
            Form->Free();
        Form = nullptr;
        Manager.reset();
        PumpMessagesFor(20);
    }
    // The form's control adapter list, as a skinned form's provider keeps one.
    void AdaptForm() {
        ListData = std::make_unique<TsCommonData>(nullptr, false);
        List = std::make_unique<TacCtrlAdapter>(Form, ListData.get());
        List->AddAllItems();
        PumpMessagesFor(150);
    }
    TsFrameAdapter* AdapterOf(TFrame* F) const {
        for (int i = 0; i < F->ComponentCount(); ++i)
            if (auto* a = dynamic_cast<TsFrameAdapter*>(F->Components(i)))
                return a;
        return nullptr;
    }

    static inline TempDir* Dir = nullptr;
    std::unique_ptr<TsSkinManager> Manager;
    TForm* Form = nullptr;
    TFrame* Frame = nullptr;
    TEdit* Edit = nullptr;
    TButton* Button = nullptr;
    std::unique_ptr<TsCommonData> ListData;
    std::unique_ptr<TacCtrlAdapter> List;
};

TEST_F(FrameAdapter, TheFormsListGivesTheFrameAnAdapterThatPaintsTheSectionAroundItsChildren) {
    TWndMethod before = Frame->WindowProc();
    auto unskinned = ScreenCopyOfClient(Frame->Handle());
    TColor editInside = Px(unskinned.get(), 190, 20), buttonInside = Px(unskinned.get(), 160, 80);
    EXPECT_EQ(SendMessageA(Frame->Handle(), SM_QUORVEXCMD, MakeSkinCmd(scIsSkinned), 0), 0);

    AdaptForm();
    TsFrameAdapter* adapter = AdapterOf(Frame);
    ASSERT_NE(adapter, nullptr);
    EXPECT_EQ(adapter->Frame(), Frame);
    EXPECT_EQ(adapter->SkinData()->SkinSection(), "GROUPBOX");
    EXPECT_TRUE(adapter->SkinData()->Skinned());
    EXPECT_TRUE(adapter->Hooked());
    EXPECT_FALSE(Frame->WindowProc() == before);
    EXPECT_EQ(SendMessageA(Frame->Handle(), SM_QUORVEXCMD, MakeSkinCmd(scIsSkinned), 0), 1);
    EXPECT_EQ(SendMessageA(Frame->Handle(), SM_QUORVEXCMD, MakeSkinCmd(scGetSkinIndex), 0),
              Manager->GetSkinIndex("GROUPBOX") + 1);
    // A second walk makes no second adapter: the frame answers as skinned.
    List->AddAllItems();
    int adapters = 0;
    for (int i = 0; i < Frame->ComponentCount(); ++i)
        adapters += dynamic_cast<TsFrameAdapter*>(Frame->Components(i)) ? 1 : 0;
    EXPECT_EQ(adapters, 1);

    RedrawWindow(Frame->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpMessagesFor(100);
    auto shot = ScreenCopyOfClient(Frame->Handle());
    // The section's ring (its normal state) runs all round the uncovered frame; inside it the section's colour
    // half over what lies below.
    const FlatSectionColors& group = FlatSection("GROUPBOX");
    EXPECT_EQ(Px(shot.get(), 0, 0), Opaque(group.Border[0]));
    EXPECT_EQ(Px(shot.get(), 239, 159), Opaque(group.Border[0]));
    EXPECT_EQ(Px(shot.get(), 120, 0), Opaque(group.Border[0]));
    EXPECT_GE(CountColor(shot.get(), Opaque(group.Border[0])), 2 * (240 + 160) * FlatBorderWidth - 100);
    TColor inside = Px(shot.get(), 60, 100);
    EXPECT_NE(inside, Px(unskinned.get(), 60, 100));
    EXPECT_EQ(CountColor(shot.get(), inside), CountPx(shot.get(), [&](TColor c) { return c == inside; }, 3, 3, 237, 157));
    EXPECT_GT(CountColor(shot.get(), inside), 60 * 100);
    // The children were left out of the frame's picture: they show what they showed before.
    EXPECT_EQ(Px(shot.get(), 190, 20), editInside);
    EXPECT_EQ(Px(shot.get(), 160, 80), buttonInside);

    // The frame's own printing shows the same section.
    auto printed = MakeBmp(240, 160, clFuchsia);
    SendMessageA(Frame->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(printed->Canvas()->Handle()), PRF_CLIENT);
    EXPECT_EQ(Px(printed.get(), 0, 0), Opaque(group.Border[0]));
    EXPECT_EQ(Px(printed.get(), 60, 100), inside);

    // The skin goes: the frame paints as before, though the adapter stays hooked while the list lives.
    Manager->SetActive(false);
    PumpMessagesFor(150);
    EXPECT_FALSE(adapter->SkinData()->Skinned());
    EXPECT_EQ(adapter->ScrollAdapter(), nullptr);
    RedrawWindow(Frame->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpMessagesFor(100);
    auto after = ScreenCopyOfClient(Frame->Handle());
    EXPECT_EQ(Px(after.get(), 0, 0), Px(unskinned.get(), 0, 0));
    EXPECT_EQ(Px(after.get(), 60, 100), Px(unskinned.get(), 60, 100));

    // The list goes with the skin, and the frame's WindowProc is its own again; the adapter waits on the frame.
    List.reset();
    EXPECT_TRUE(Frame->WindowProc() == before);
    EXPECT_FALSE(adapter->Hooked());
    EXPECT_EQ(SendMessageA(Frame->Handle(), SM_QUORVEXCMD, MakeSkinCmd(scIsSkinned), 0), 0);
    EXPECT_EQ(AdapterOf(Frame), adapter);

    // The next skin and list take the same adapter again.
    Manager->SetActive(true);
    AdaptForm();
    EXPECT_EQ(AdapterOf(Frame), adapter);
    EXPECT_TRUE(adapter->Hooked());
    EXPECT_TRUE(adapter->SkinData()->Skinned());
    RedrawWindow(Frame->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpMessagesFor(100);
    EXPECT_EQ(Px(ScreenCopyOfClient(Frame->Handle()).get(), 0, 0), Opaque(group.Border[0]));

    // Freeing the adapter gives the frame its own WindowProc back.
    adapter->Free();
    EXPECT_TRUE(Frame->WindowProc() == before);
    EXPECT_EQ(SendMessageA(Frame->Handle(), SM_QUORVEXCMD, MakeSkinCmd(scIsSkinned), 0), 0);
}

TEST_F(FrameAdapter, ScrollBarsAreSkinnedWhileTheSkinIsThereAndTheSystemsAfter) {
    // A child beyond the frame's bottom edge makes the frame scroll.
    auto* below = new TButton(Form);
    below->SetParent(Frame);
    below->SetBounds(10, 400, 80, 24);
    PumpMessagesFor(100);
    ASSERT_TRUE(GetWindowLongA(Frame->Handle(), GWL_STYLE) & WS_VSCROLL);
    LONG_PTR procBefore = GetWindowLongPtrW(Frame->Handle(), GWLP_WNDPROC);

    AdaptForm();
    TsFrameAdapter* adapter = AdapterOf(Frame);
    ASSERT_NE(adapter, nullptr);
    ASSERT_NE(adapter->ScrollAdapter(), nullptr);
    EXPECT_EQ(GetAdapterOfWnd(Frame->Handle()), adapter->ScrollAdapter());
    // The vertical bar's arrow at the top is the skin's button.
    RECT wr;
    GetWindowRect(Frame->Handle(), &wr);
    RECT cr;
    GetClientRect(Frame->Handle(), &cr);
    RedrawWindow(Frame->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
    PumpMessagesFor(100);
    HDC screen = GetDC(nullptr);
    TColor arrowFrame = GetPixel(screen, wr.left + cr.right + 1, wr.top + 1);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(arrowFrame, Opaque(FlatSection("SCROLLBTNTOP").Border[0]));

    // Without the skin the bars are the system's again and the window procedure is the frame's own.
    Manager->SetActive(false);
    PumpMessagesFor(150);
    EXPECT_EQ(adapter->ScrollAdapter(), nullptr);
    EXPECT_EQ(GetAdapterOfWnd(Frame->Handle()), nullptr);
    EXPECT_EQ(GetWindowLongPtrW(Frame->Handle(), GWLP_WNDPROC), procBefore);
    EXPECT_EQ(GetPropA(Frame->Handle(), acAdapterProp), nullptr);
}

TEST_F(FrameAdapter, TheFramesPopupMenusFollowTheSkinnedMenus) {
    Manager->SetSkinnedPopups(true);
    auto* popup = new TPopupMenu(Frame);
    auto* item = new TMenuItem(popup);
    item->SetCaption("Item");
    popup->Items()->Add(item);
    AdaptForm();
    ASSERT_NE(AdapterOf(Frame), nullptr);
    EXPECT_TRUE(popup->OwnerDraw());
    Manager->SetActive(false);
    PumpMessagesFor(100);
    EXPECT_FALSE(popup->OwnerDraw());
}

TEST_F(FrameAdapter, AnAdapterPlacedOnAFormSaysSoAndHooksNothing) {
    TWndMethod before = Form->WindowProc();
    MessageBoxCatcher catcher;
    ASSERT_TRUE(catcher.Installed());
    auto* adapter = new TsFrameAdapter(Form);
    PumpMessagesFor(50);
    ASSERT_EQ(catcher.Boxes.size(), 1u);
    EXPECT_EQ(catcher.Boxes[0].Text, "TsFrameAdapter adapter must be placed on the handled frame");
    EXPECT_EQ(adapter->Frame(), nullptr);
    EXPECT_FALSE(adapter->Hooked());
    EXPECT_TRUE(Form->WindowProc() == before);
    adapter->Free();
}

TEST_F(FrameAdapter, AFrameFreedWithItsAdapterLeavesNothingBehind) {
    const int live = TacMainWnd::LiveCount();
    TWndMethod formProc = Form->WindowProc();
    AdaptForm();
    TsFrameAdapter* adapter = AdapterOf(Frame);
    ASSERT_NE(adapter, nullptr);
    // The frame's bars have an adapter of their own, and so have its two children.
    EXPECT_GT(TacMainWnd::LiveCount(), live);
    HWND frameWnd = Frame->Handle();
    List.reset();
    Frame->Free();
    Frame = nullptr;
    PumpMessagesFor(50);
    EXPECT_FALSE(IsWindow(frameWnd));
    EXPECT_EQ(TacMainWnd::LiveCount(), live);
    // The skin's removal and a repaint reach nothing of what went.
    Manager->SetActive(false);
    Form->Repaint();
    PumpMessagesFor(50);
    EXPECT_EQ(Form->ControlCount(), 0);
    EXPECT_TRUE(Form->WindowProc() == formProc);
}

TEST_F(FrameAdapter, ASkinnedFrameErasesToTheSkinNeverToItsOwnBrushAndIsItselfAgainWithoutTheSkin) {
    Frame->SetColor(clRed);
    const bool opaque = Frame->ControlStyle().Contains(csOpaque);
    AdaptForm();
    TsFrameAdapter* adapter = AdapterOf(Frame);
    ASSERT_NE(adapter, nullptr);
    ASSERT_TRUE(adapter->SkinData()->Skinned());
    RECT r;
    GetClientRect(Frame->Handle(), &r);
    auto bmp = MakeBmp(r.right, r.bottom, clBlack);
    adapter->SkinData()->BGChanged = true;
    EXPECT_EQ(SendMessageA(Frame->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(bmp->Canvas()->Handle()), 0), 1);
    GdiFlush();
    EXPECT_EQ(CountPx(bmp.get(), [](TColor p) { return p == clRed; }), 0);
    // The section's ring runs round the erased picture.
    const FlatSectionColors& group = FlatSection("GROUPBOX");
    EXPECT_EQ(Px(bmp.get(), 0, 0), Opaque(group.Border[0]));
    EXPECT_EQ(Px(bmp.get(), r.right - 1, r.bottom - 1), Opaque(group.Border[0]));
    // A background question without its record gets no answer, and nothing breaks.
    EXPECT_EQ(SendMessageA(Frame->Handle(), SM_QUORVEXCMD, MakeSkinCmd(scGetBgInfo), 0), 0);
    // Without the skin the frame erases to its own brush again, as it did before.
    Manager->SetActive(false);
    PumpMessagesFor(50);
    EXPECT_EQ(Frame->ControlStyle().Contains(csOpaque), opaque);
    auto plain = MakeBmp(r.right, r.bottom, clBlack);
    SendMessageA(Frame->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(plain->Canvas()->Handle()), 0);
    GdiFlush();
    EXPECT_EQ(CountPx(plain.get(), [](TColor p) { return p == clRed; }), r.right * r.bottom);
}

}  // namespace
