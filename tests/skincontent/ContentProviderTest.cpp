// The content adapters as a form's skin provider gives them out: a virtual tree's header painter when the provider
// goes and its form stays, and the MDI main form's own controls over its client while a child is maximized.
#include "ContentFixture.h"
#include "VirtualTreeDouble.h"

#include "classlib/visual/ExtCtrls.h"
#include "skin/adapters/acEditWnd.h"
#include "skin/adapters/acMDIWnd.h"
#include "skin/forms/sSkinProvider.h"

namespace {

// A panel that counts its paints.
class TCountingPanel : public TPanel {
    CLASS_INFO(TCountingPanel, TPanel)
public:
    using TPanel::TPanel;
    int Paints = 0;

protected:
    void WndProc(TMessage& Message) override {
        if (Message.Msg == WM_PAINT) ++Paints;
        TPanel::WndProc(Message);
    }
};

}  // namespace

TEST_F(ContentAdapters, AVirtualTreeKeepsNoPainterOfAnAdapterThatWentWithItsProvider) {
    Manager->ThirdLists(12)->SetText("TVirtualExplorerTree");
    auto* form = new TfrmContentTest(nullptr);
    form->SetBounds(300, 40, 300, 200);
    auto* tree = new TVirtualExplorerTree(form);
    tree->SetParent(form);
    tree->SetBounds(10, 10, 150, 100);
    auto* provider = new TsSkinProvider(form);
    provider->AfterConstruction();
    form->AfterConstruction();
    form->Show();
    Settle();
    ASSERT_TRUE(static_cast<bool>(tree->OnAdvancedHeaderDraw));
    ASSERT_TRUE(tree->Header->Opts.Contains(hoOwnerDraw));
    // The provider goes while its form stays: its adapters go with it, and the tree's header is its own again.
    provider->Free();
    Settle();
    EXPECT_FALSE(static_cast<bool>(tree->OnAdvancedHeaderDraw));
    EXPECT_FALSE(static_cast<bool>(tree->OnHeaderDrawQueryElements));
    EXPECT_FALSE(tree->Header->Opts.Contains(hoOwnerDraw));
    if (tree->OnAdvancedHeaderDraw) {
        auto bmp = MakeBmp(60, 20, clFuchsia);
        TacHeaderPaintInfo info;
        info.DC = bmp->Canvas()->Handle();
        info.R = TRect(0, 0, 60, 20);
        tree->OnAdvancedHeaderDraw(tree, info);
    }
    form->Free();
}

TEST_F(ContentAdapters, WithAMaximizedChildTheMDIFormsOwnControlsOverItsClientArePaintedAgain) {
    auto* main = new TfrmContentTest(nullptr);
    main->SetFormStyle(fsMDIForm);
    main->SetBounds(40, 40, 400, 300);
    auto* bar = new TCountingPanel(main);
    bar->SetParent(main);
    bar->SetAlign(alTop);
    bar->SetHeight(30);
    auto* cover = new TCountingPanel(main);
    cover->SetParent(main);
    cover->SetBounds(120, 100, 80, 40);
    auto* provider = new TsSkinProvider(main);
    provider->AfterConstruction();
    main->AfterConstruction();
    main->Show();
    Settle();
    HWND client = main->ClientHandle();
    ASSERT_TRUE(dynamic_cast<TacMDIWnd*>(GetAdapterOfWnd(client)));
    HWND child = CreateMDIChild(client);
    ASSERT_TRUE(child);
    SendMessageW(client, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(child), 0);
    Settle();
    BOOL maximized = FALSE;
    SendMessageW(client, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized));
    ASSERT_TRUE(maximized);
    // The client erases its background under the maximized child (Wine sends no erase to a client that the
    // child covers whole, so it is sent here as the system sends it): the control that lies over the client paints
    // itself again, the aligned one beside the client does not.
    int coverPaints = cover->Paints, barPaints = bar->Paints;
    HDC dc = GetDC(client);
    EXPECT_EQ(SendMessageW(client, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);
    ReleaseDC(client, dc);
    Settle();
    EXPECT_GT(cover->Paints, coverPaints);
    EXPECT_EQ(bar->Paints, barPaints);
    main->Free();
}
