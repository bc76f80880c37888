// The fade of skinned forms when the skin changes, on real bordered forms under the flat form skin: each picture of
// the fade against the form's own picture, a fade that fails, a form hidden during the change, and how long a fade
// may take.
#include "FlatFormSkin.h"
#include "PixelTestUtils.h"
#include "SkinManagerFixtures.h"

#include "skin/engine/sGraphUtils.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"
#include "skin/forms/sSkinProvider.h"

#include "tests/support/SyntheticInput.h"
#include "tests/support/MessageLoop.h"
#include "tests/support/ScreenPictures.h"

#include "classlib/visual/Forms.h"
#include "classlib/runtime/SysUtils.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace FormSkin;

void Settle(DWORD ms = 200) { PumpMessagesFor(ms); }

class TfrmFading : public TForm {
    CLASS_INFO(TfrmFading, TForm)
public:
    using TForm::TForm;
};

// A control of the application, not skinned, that paints itself red; with Fails set, its painting fails while a
// fade takes the form's picture.
class TRedBox : public TCustomControl {
    CLASS_INFO(TRedBox, TCustomControl)
public:
    using TCustomControl::TCustomControl;
    bool Fails = false;

protected:
    void Paint() override {
        if (Fails && acAnimInProgress)
            throw Exception("The red box cannot be painted now");
        FillDC(Canvas()->Handle(), TRect(0, 0, Width(), Height()), clRed);
    }
};

// A graphic control that hides its form when the skin change reaches it (once armed).
class TFormHider : public TGraphicControl {
    CLASS_INFO(TFormHider, TGraphicControl)
public:
    using TGraphicControl::TGraphicControl;
    bool Armed = false;
    void Dispatch(TMessage& Message) override {
        if (Armed && Message.Msg == SM_QUORVEXCMD && SkinCmdOf(Message.WParam) == scRefresh) {
            Armed = false;
            GetParentFormOf(this)->Hide();
        }
        TGraphicControl::Dispatch(Message);
    }
};

// What a window shows in its own device context, from its top-left corner.
std::unique_ptr<TBitmap> WindowPicture(HWND Wnd) {
    RECT r{};
    GetWindowRect(Wnd, &r);
    auto bmp = MakeBmp(r.right - r.left, r.bottom - r.top);
    HDC dc = GetDC(Wnd);
    BitBlt(bmp->Canvas()->Handle(), 0, 0, r.right - r.left, r.bottom - r.top, dc, 0, 0, SRCCOPY);
    ReleaseDC(Wnd, dc);
    GdiFlush();
    return bmp;
}

class SkinChangeFade : public ::testing::Test {
protected:
    void SetUp() override {
        Manager = ManagerOn(samples.Path());
        Manager->SetSkinName("FLATFORM");
        ASSERT_TRUE(Manager->Active());
        ASSERT_TRUE(Manager->AnimEffects()->SkinChanging()->Active());
        ParkPointer();
    }
    void TearDown() override {
        acOnFadeStep = nullptr;
        if (Application)
            Application->OnException = nullptr;
        for (TForm* f : Forms)
            f->Free();
        Forms.clear();
        Manager.reset();
        Settle(50);
    }
    // A skinned form with a frame and a caption, shown and active.
    TForm* ShownForm() {
        auto* form = new TfrmFading(nullptr);
        Forms.push_back(form);
        form->SetBorderStyle(bsSizeable);
        form->SetPosition(poDesigned);
        form->SetBounds(40, 40, 300, 200);
        form->SetCaption("Fading form");
        return form;
    }
    void Show(TForm* Form) {
        auto* provider = new TsSkinProvider(Form);
        provider->AfterConstruction();
        Form->AfterConstruction();
        Form->Show();
        SetForegroundWindow(Form->Handle());
        Settle();
    }
    TRedBox* Box(TForm* Form) {
        auto* box = new TRedBox(Form);
        box->SetParent(Form);
        box->SetBounds(30, 20, 60, 40);
        return box;
    }
    // The client colour of the active form once its skin is turned by Hue degrees.
    static TColor FormColour(int Hue) { return ChangeHue(Hue, Opaque(FormHot)); }

    SampleSkinDir samples{MakeFlatFormSkin("FLATFORM")};
    std::unique_ptr<TsSkinManager> Manager;
    std::vector<TForm*> Forms;
};

}  // namespace

TEST_F(SkinChangeFade, EveryChildOfABorderedFormFadesInWhereTheFormShowsIt) {
    TForm* form = ShownForm();
    TRedBox* box = Box(form);
    Show(form);
    RECT outer{}, inner{};
    GetWindowRect(form->Handle(), &outer);
    GetWindowRect(box->Handle(), &inner);
    int x = inner.left - outer.left, y = inner.top - outer.top;
    // Below the caption and inside the frame.
    ASSERT_GT(x, 30);
    ASSERT_GT(y, 40);
    std::vector<std::unique_ptr<TBitmap>> pictures;
    acOnFadeStep = [&](HWND Output, int) { pictures.push_back(WindowPicture(Output)); };
    Manager->SetHueOffset(40);
    acOnFadeStep = nullptr;
    ASSERT_EQ(pictures.size(), 13u);
    Settle();
    auto own = ScreenCopyOf(form->Handle());
    ASSERT_EQ(Px(own.get(), 150, 120), FormColour(40));
    // The box is red, where the form has it, in every picture of the fade (it is red before and after) and in the
    // form's own picture; nowhere else.
    pictures.push_back(std::move(own));
    for (size_t i = 0; i < pictures.size(); ++i) {
        EXPECT_EQ(CountOf(pictures[i].get(), clRed, x, y, x + 60, y + 40), 60 * 40) << i;
        EXPECT_EQ(CountOf(pictures[i].get(), clRed), 60 * 40) << i;
    }
}

TEST_F(SkinChangeFade, AFadeThatFailsIsReportedAndTheFormIsLetGoInItsNewLook) {
    TForm* form = ShownForm();
    TRedBox* box = Box(form);
    Show(form);
    box->Fails = true;
    std::vector<std::string> reported;
    Application->OnException = [&](TObject*, const Exception& E) { reported.push_back(E.Message()); };
    Manager->SetHueOffset(40);
    Application->OnException = nullptr;
    EXPECT_EQ(reported, std::vector<std::string>{"The red box cannot be painted now"});
    // Nothing of the fade is left, and the form paints again.
    EXPECT_EQ(acOutputWindow, nullptr);
    EXPECT_FALSE(acAnimInProgress);
    HWND wnd = form->Handle();
    EXPECT_EQ(GetWindowLongA(wnd, GWL_STYLE) & WS_VISIBLE, WS_VISIBLE);
    box->Fails = false;
    Settle();
    auto shot = ScreenCopyOf(wnd);
    EXPECT_EQ(Px(shot.get(), 150, 120), FormColour(40));
    EXPECT_EQ(CountOf(shot.get(), clRed), 60 * 40);
    // The next change fades as ever.
    int steps = 0;
    acOnFadeStep = [&](HWND, int) { ++steps; };
    Manager->SetHueOffset(0);
    EXPECT_EQ(steps, 13);
}

TEST_F(SkinChangeFade, AFormHiddenDuringTheChangeIsNotFadedAndStaysHidden) {
    TForm* form = ShownForm();
    auto* hider = new TFormHider(form);
    hider->SetParent(form);
    hider->SetBounds(0, 0, 10, 10);
    Show(form);
    RECT r{};
    GetWindowRect(form->Handle(), &r);
    ASSERT_EQ(static_cast<TColor>(ScreenPixel(r.left + 150, r.top + 120)), FormColour(0));
    int steps = 0;
    acOnFadeStep = [&](HWND, int) { ++steps; };
    hider->Armed = true;
    Manager->SetHueOffset(40);
    ASSERT_FALSE(hider->Armed);
    EXPECT_EQ(steps, 0);
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    Settle();
    // Neither the old look nor the new one is left on the screen.
    TColor there = static_cast<TColor>(ScreenPixel(r.left + 150, r.top + 120));
    EXPECT_NE(there, FormColour(0));
    EXPECT_NE(there, FormColour(40));
    // Shown again, it is in the new look.
    form->Show();
    SetForegroundWindow(form->Handle());
    Settle();
    EXPECT_EQ(static_cast<TColor>(ScreenPixel(r.left + 150, r.top + 120)), FormColour(40));
}

TEST_F(SkinChangeFade, AFadeTakesAtMostItsBoundOfStepsWhateverItsTime) {
    TForm* form = ShownForm();
    Show(form);
    int steps = 0;
    acOnFadeStep = [&](HWND, int) { ++steps; };
    // Four seconds asked: 500 steps of 8 ms, more than a user waits for a skin to show.
    Manager->AnimEffects()->SkinChanging()->SetTime(4000);
    Manager->SetHueOffset(40);
    EXPECT_EQ(steps, acMaxFadeSteps + 1);
    // A time within the bound keeps its steps.
    steps = 0;
    Manager->AnimEffects()->SkinChanging()->SetTime(200);
    Manager->SetHueOffset(0);
    EXPECT_EQ(steps, 26);
}
