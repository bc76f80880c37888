// A skin manager of its own that goes while what it skins lies out of reach of its removal: controls on a form the
// application does not own, a control without a parent, and the adapter of a bare window. This program frees
// memory through PoisonedFrees.cpp, so that anything still reading a freed manager reads nonsense.
#include "FlatSkinSamples.h"
#include "PixelTestUtils.h"
#include "SkinManagerFixtures.h"
#include "SkinTestControls.h"

#include "skin/adapters/acScrollBars.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sGraphUtils.h"

#include "tests/support/SyntheticInput.h"
#include "tests/support/MessageLoop.h"

#include "classlib/visual/Forms.h"
#include "classlib/visual/StdCtrls.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class TSkinnedLine : public TSkinnedOf<TEdit> {
    CLASS_INFO(TSkinnedLine, TEdit)
public:
    using TSkinnedOf<TEdit>::TSkinnedOf;
};

LRESULT CALLBACK PlainProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

class ManagerLifetime : public ::testing::Test {
protected:
    void SetUp() override {
        manager = ManagerOn(samples.Path());
        manager->SetSkinName("FLATSCROLL");
        ASSERT_EQ(DefaultManager, manager.get());
        // The own manager's skin is the same turned half round the colour wheel, so that a pixel tells whose it is.
        own = ManagerOn(samples.Path());
        own->SetHueOffset(180);
        own->SetSkinName("FLATSCROLL");
        ASSERT_TRUE(own->Active());
        ParkPointer();
    }
    void TearDown() override {
        own.reset();
        manager.reset();
        PumpMessagesFor(50);
    }
    // Follows the own manager from now on, with the section given.
    void SkinWithOwn(TsCommonData* Data, const char* Section) {
        Data->SetSkinSection(Section);
        Data->SetSkinManager(own.get());
        ASSERT_EQ(Data->SkinManager(), own.get());
        ASSERT_GE(Data->SkinIndex, 0);
    }
    TColor Own(const char* Section, int State) const {
        return ChangeHue(180, static_cast<TColor>(FlatStateColor(Section, State)));
    }

    SampleSkinDir samples{MakeFlatScrollSkin()};
    std::unique_ptr<TsSkinManager> manager;
    std::unique_ptr<TsSkinManager> own;
};

}  // namespace

TEST_F(ManagerLifetime, ControlsOutOfReachOfTheRemovalForgetTheManagerThatWent) {
    // A form made without an owner and without a provider: no broadcast of the manager reaches it.
    auto* stranger = new TForm(nullptr);
    stranger->SetBorderStyle(bsNone);
    stranger->SetBounds(60, 60, 200, 100);
    auto* line = new TSkinnedLine(stranger);
    line->SetParent(stranger);
    line->SetBounds(10, 10, 150, 24);
    auto* box = new TSkinnedBox(stranger);
    box->SetParent(stranger);
    box->SetBounds(10, 50, 40, 30);
    auto orphan = std::make_unique<TSkinnedBox>(nullptr);
    stranger->Show();
    PumpMessagesFor(50);
    SkinWithOwn(line->SkinData.get(), "EDIT");
    SkinWithOwn(box->SkinData.get(), "BAR");
    SkinWithOwn(orphan->SkinData.get(), "BAR");
    // The edit took the section's colour from its manager.
    ASSERT_EQ(ColorToRGB(line->Color()), Own("EDIT", 0));

    own.reset();
    for (TsCommonData* data : {line->SkinData.get(), box->SkinData.get(), orphan->SkinData.get()}) {
        // The default manager is followed again, and nothing of the freed skin is left.
        EXPECT_EQ(data->SkinManager(), manager.get());
        EXPECT_EQ(data->SkinIndex, -1);
        EXPECT_EQ(data->BorderIndex, -1);
        EXPECT_FALSE(data->Skinned(true));
        EXPECT_EQ(data->CacheBmp()->Width(), 0);
    }
    // Asked through its window, the box answers as a control without a skin.
    EXPECT_EQ(SendMessageA(box->Handle(), SM_QUORVEXCMD, MakeSkinCmd(scGetSkinIndex), 0), 0);
    // The edit has its own colours back, as a removal gives them, and shows them.
    EXPECT_EQ(line->Color(), clWindow);
    PumpMessagesFor(50);
    RECT r{};
    GetWindowRect(line->Handle(), &r);
    EXPECT_EQ(static_cast<TColor>(ScreenPixel(r.right - 8, r.bottom - 5)), ColorToRGB(clWindow));
    stranger->Free();
}

TEST_F(ManagerLifetime, TheScrollBarsOfABareWindowLoseTheSkinOfTheirManagerWhenItGoes) {
    WNDCLASSW wc = {};
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpfnWndProc = PlainProc;
    wc.lpszClassName = L"ManagerLifetimeWindow";
    RegisterClassW(&wc);
    HWND frame = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 60, 60, 240, 200, nullptr, nullptr,
                                 wc.hInstance, nullptr);
    HWND scrolled = CreateWindowExW(0, wc.lpszClassName, L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL, 0, 0, 240, 200,
                                    frame, nullptr, wc.hInstance, nullptr);
    SCROLLINFO si = {sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 20, 0, 0};
    SetScrollInfo(scrolled, SB_VERT, &si, TRUE);
    auto repaint = [&] {
        RedrawWindow(scrolled, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
        PumpMessagesFor(60);
    };
    repaint();
    // A point of the track below the thumb, as the system paints it and as the own skin does.
    RECT r{};
    GetWindowRect(scrolled, &r);
    int x = r.right - GetSystemMetrics(SM_CXVSCROLL) / 2, y = r.top + (r.bottom - r.top) * 3 / 4;
    auto track = [&] { return static_cast<TColor>(ScreenPixel(x, y)); };
    TColor plain = track();
    auto adapter = CreateAdapter<TacScrollWnd>(scrolled, nullptr, own.get(), "EDIT", true);
    repaint();
    ASSERT_EQ(track(), Own("SCROLLBAR2V", 0));
    ASSERT_NE(plain, Own("SCROLLBAR2V", 0));

    // Nothing names the freed manager, and the bars show no skin: the default manager has not reached them.
    own.reset();
    EXPECT_EQ(adapter->SkinManager.Get(), nullptr);
    EXPECT_EQ(adapter->SkinData->SkinManager(), manager.get());
    EXPECT_EQ(adapter->SkinData->SkinIndex, -1);
    repaint();
    EXPECT_EQ(track(), plain);
    adapter.reset();
    DestroyWindow(frame);
}
