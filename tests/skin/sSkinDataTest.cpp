// The skin change as the application's windows see it: the exact skin commands of a load, a hue change, a
// removal and a second manager made default; the registry of forms with a skin provider; the forms' redraws held
// around a change and let go again.
#include "SkinManagerFixtures.h"
#include "SkinTestControls.h"

#include "skin/engine/acSkinHooks.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sSkinData.h"
#include "skin/engine/sVclUtils.h"

#include "classlib/visual/Forms.h"

#include <gtest/gtest.h>

namespace {

struct TCommand {
    int Command;
    LPARAM LParam;
    bool operator==(const TCommand&) const = default;
};
using TCommands = std::vector<TCommand>;

// Every command that reaches a window of the test, in order, with the window it reached.
std::vector<std::pair<const TControl*, int>> Journal;

// A form of the application that records the skin commands reaching it; the question whether it is skinned
// (command 7), which every broadcast asks first, is left out.
class TfrmRecorder : public TForm {
    CLASS_INFO(TfrmRecorder, TForm)
public:
    using TForm::TForm;
    TCommands Commands;
    void Dispatch(TMessage& Message) override {
        if (Message.Msg == SM_QUORVEXCMD && SkinCmdOf(Message.WParam) != scIsSkinned) {
            Commands.push_back({SkinCmdOf(Message.WParam), Message.LParam});
            Journal.emplace_back(this, SkinCmdOf(Message.WParam));
        }
        TForm::Dispatch(Message);
    }
};

// A windowed child that handles skin messages itself (answers command 7 with 1).
class TSkinnedChild : public TCustomControl {
    CLASS_INFO(TSkinnedChild, TCustomControl)
public:
    using TCustomControl::TCustomControl;
    TCommands Commands;
    void Dispatch(TMessage& Message) override {
        if (Message.Msg == SM_QUORVEXCMD) {
            if (SkinCmdOf(Message.WParam) == scIsSkinned) {
                Message.Result = 1;
                return;
            }
            Commands.push_back({SkinCmdOf(Message.WParam), Message.LParam});
        }
        TCustomControl::Dispatch(Message);
    }
};

// What a form's skin provider offers the engine, noting what it is asked.
class TTestProvider : public TacSkinProviderBase {
    CLASS_INFO(TTestProvider, TacSkinProviderBase)
public:
    explicit TTestProvider(TComponent* AOwner) : TacSkinProviderBase(AOwner), Data(this, false) {}
    TsCommonData* SkinData() const override { return const_cast<TsCommonData*>(&Data); }
    void HandleSkinMessage(TMessage& Message) override { Handled.push_back(SkinCmdOf(Message.WParam)); }
    void PrepareRegionRects() override { ++Prepared; }
    void UpdateFormRegion(bool Redraw) override { Regions.push_back(Redraw); }
    HRGN CreateSkinRegion(int, int) override { return nullptr; }
    TsCommonData Data;
    std::vector<int> Handled;
    int Prepared = 0;
    std::vector<bool> Regions;
};

// A form with a provider: it answers command 7 with 1 and command 4 with its provider, and notes its redraw
// switches.
class TfrmProvided : public TForm {
    CLASS_INFO(TfrmProvided, TForm)
public:
    explicit TfrmProvided(TComponent* AOwner) : TForm(AOwner), Provider(new TTestProvider(this)) {}
    TTestProvider* Provider;
    TCommands Commands;
    std::vector<WPARAM> Redraws;
    void Dispatch(TMessage& Message) override {
        if (Message.Msg == WM_SETREDRAW)
            Redraws.push_back(Message.WParam);
        if (Message.Msg == SM_QUORVEXCMD) {
            switch (SkinCmdOf(Message.WParam)) {
            case scGetProvider:
                Message.Result = ProviderAnswer(Provider);
                return;
            case scIsSkinned:
                Message.Result = 1;
                return;
            default:
                Commands.push_back({SkinCmdOf(Message.WParam), Message.LParam});
                Journal.emplace_back(this, SkinCmdOf(Message.WParam));
            }
        }
        TForm::Dispatch(Message);
    }
};

std::vector<int> CommandsOf(const TCommands& Commands) {
    std::vector<int> r;
    for (const TCommand& c : Commands)
        r.push_back(c.Command);
    return r;
}

bool AllFrom(const TCommands& Commands, TsSkinManager* Manager) {
    for (const TCommand& c : Commands)
        if (c.LParam != reinterpret_cast<LPARAM>(Manager))
            return false;
    return true;
}

class SkinBroadcast : public ::testing::Test {
protected:
    void SetUp() override {
        Journal.clear();
        form = new TfrmRecorder(Application);
        form->SetBounds(20, 20, 200, 150);
        skinned = new TSkinnedChild(form);
        skinned->SetParent(form);
        graphic = new TRecordingGraphic(form);
        graphic->SetParent(form);
        form->HandleNeeded();
        manager = ManagerOn(samples.Path());
    }
    void TearDown() override {
        manager.reset();
        form->Free();
        for (TCustomForm* f : std::vector<TCustomForm*>(SupportedForms()))
            RemoveSupportedForm(f);
    }
    TfrmProvided* ProvidedForm() {
        auto* f = new TfrmProvided(Application);
        f->SetBounds(260, 20, 200, 150);
        AddSupportedForm(f);
        f->Show();
        return f;
    }

    SampleSkinDir samples;
    TfrmRecorder* form = nullptr;
    TSkinnedChild* skinned = nullptr;
    TRecordingGraphic* graphic = nullptr;
    std::unique_ptr<TsSkinManager> manager;
};

}  // namespace

TEST_F(SkinBroadcast, ALoadIsNewSkinThenBeforeRefreshThenRefreshToEveryFormAndControl) {
    manager->SetSkinName("SAMPLE");
    EXPECT_EQ(CommandsOf(form->Commands), (std::vector<int>{scNewSkin, scBeforeRefresh, scRefresh}));
    EXPECT_TRUE(AllFrom(form->Commands, manager.get()));
    EXPECT_EQ(CommandsOf(skinned->Commands), (std::vector<int>{scNewSkin, scBeforeRefresh, scRefresh}));
    ASSERT_EQ(graphic->Commands.size(), 3u);
    EXPECT_EQ(graphic->Commands[0].Command, scNewSkin);
    EXPECT_FALSE(acSkinChanging);
    EXPECT_FALSE(acSkinLoading);
    EXPECT_TRUE(manager->SkinData()->Active);
}

TEST_F(SkinBroadcast, AHueChangeRefreshesAndARemovalRemoves) {
    manager->SetSkinName("SAMPLE");
    form->Commands.clear();
    manager->SetHueOffset(30);
    EXPECT_EQ(CommandsOf(form->Commands), (std::vector<int>{scBeforeRefresh, scRefresh}));
    form->Commands.clear();
    manager->SetSaturation(10);
    EXPECT_EQ(CommandsOf(form->Commands), (std::vector<int>{scBeforeRefresh, scRefresh}));
    form->Commands.clear();
    manager->SetActive(false);
    EXPECT_EQ(form->Commands, (TCommands{{scRemoveSkin, reinterpret_cast<LPARAM>(manager.get())}}));
    EXPECT_FALSE(acSkinRemoving);
    // Without a skin a hue change only stores the value.
    form->Commands.clear();
    manager->SetHueOffset(50);
    EXPECT_TRUE(form->Commands.empty());
    // A skin that cannot be found is removed.
    manager->SetActive(true);
    form->Commands.clear();
    manager->SetSkinName("NOT THERE");
    EXPECT_EQ(CommandsOf(form->Commands), std::vector<int>{scRemoveSkin});
}

TEST_F(SkinBroadcast, ASecondManagerMadeDefaultBroadcastsItsSkinTwiceRefreshed) {
    manager->SetSkinName("SAMPLE");
    auto second = ManagerOn(samples.Path());
    second->SetSkinName(samples.PackedName());
    form->Commands.clear();
    second->SetIsDefault(true);
    EXPECT_EQ(DefaultManager, second.get());
    EXPECT_EQ(CommandsOf(form->Commands),
              (std::vector<int>{scNewSkin, scBeforeRefresh, scRefresh, scBeforeRefresh, scRefresh}));
    EXPECT_TRUE(AllFrom(form->Commands, second.get()));
    // One without a skin made default tells everyone that its skin is gone.
    auto third = ManagerOn(samples.Path());
    third->SetActive(false);
    form->Commands.clear();
    third->SetIsDefault(true);
    EXPECT_EQ(form->Commands, (TCommands{{scRemoveSkin, reinterpret_cast<LPARAM>(third.get())}}));
}

TEST_F(SkinBroadcast, NothingIsSentWhileTheManagerIsBeingRead) {
    manager->SetLoading(true);
    manager->SetSkinName("SAMPLE");
    EXPECT_TRUE(manager->Active());
    EXPECT_FALSE(manager->Sections.empty());
    EXPECT_TRUE(form->Commands.empty());
    // Once read, the skin is announced once, without the refresh.
    manager->Loaded();
    EXPECT_EQ(CommandsOf(form->Commands), std::vector<int>{scNewSkin});
    // The same from a form description.
    form->Commands.clear();
    TComponent root(nullptr);
    ReadComponentText("object Root: TComponent\r\n  object M: TsSkinManager\r\n    SkinDirectory = '" +
                          samples.Path() + "'\r\n    HueOffset = 10\r\n    SkinName = 'SAMPLE'\r\n  end\r\nend\r\n",
                      &root);
    auto* read = dynamic_cast<TsSkinManager*>(root.FindComponent("M"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(form->Commands, (TCommands{{scNewSkin, reinterpret_cast<LPARAM>(read)}}));
    EXPECT_EQ(read->HueOffset(), 10);
}

TEST_F(SkinBroadcast, AManagerThatGoesAlwaysSaysSo) {
    auto idle = ManagerOn(samples.Path());
    idle->SetActive(false);
    form->Commands.clear();
    TsSkinManager* gone = idle.get();
    idle.reset();
    EXPECT_EQ(form->Commands, (TCommands{{scRemoveSkin, reinterpret_cast<LPARAM>(gone)}}));
    manager->SetSkinName("SAMPLE");
    form->Commands.clear();
    gone = manager.get();
    manager.reset();
    EXPECT_EQ(form->Commands, (TCommands{{scRemoveSkin, reinterpret_cast<LPARAM>(gone)}}));
}

TEST_F(SkinBroadcast, FormsAreReachedLastMadeFirstAndAFormWithAProviderOnce) {
    auto* later = new TfrmRecorder(Application);
    TfrmProvided* provided = ProvidedForm();
    auto* stranger = new TfrmRecorder(nullptr);  // not the application's: never reached
    auto* loading = new TfrmRecorder(Application);
    loading->SetLoading(true);
    Journal.clear();
    TMessage message{SM_QUORVEXCMD, MakeSkinCmd(scBgChanged), 0, 0};
    AppBroadCastS(message);
    std::vector<const TControl*> order;
    for (auto& [who, command] : Journal)
        order.push_back(who);
    EXPECT_EQ(order, (std::vector<const TControl*>{later, form, provided}));
    EXPECT_EQ(CommandsOf(provided->Commands), std::vector<int>{scBgChanged});
    EXPECT_TRUE(stranger->Commands.empty());
    EXPECT_TRUE(loading->Commands.empty());
    // The form's provider hears through FindSkinProvider.
    FindSkinProvider(provided, message);
    EXPECT_EQ(provided->Provider->Handled, std::vector<int>{scBgChanged});
    loading->SetLoading(false);
    for (TCustomForm* f : std::initializer_list<TCustomForm*>{later, provided, stranger, loading})
        f->Free();
}

TEST_F(SkinBroadcast, TheRegistryNeverNamesAFormThatIsGone) {
    auto* a = new TfrmRecorder(nullptr);
    auto* b = new TfrmRecorder(nullptr);
    AddSupportedForm(a);
    AddSupportedForm(b);
    AddSupportedForm(a);
    EXPECT_EQ(SupportedForms(), (std::vector<TCustomForm*>{a, b, a}));
    RemoveSupportedForm(a);
    EXPECT_EQ(SupportedForms(), std::vector<TCustomForm*>{b});
    // Removing a form that is not there changes nothing, but an empty last entry goes.
    RemoveSupportedForm(a);
    EXPECT_EQ(SupportedForms(), std::vector<TCustomForm*>{b});
    AddSupportedForm(nullptr);
    RemoveSupportedForm(a);
    EXPECT_EQ(SupportedForms(), std::vector<TCustomForm*>{b});
    // A form that is freed leaves by itself, so a broadcast never reaches freed memory.
    AddSupportedForm(a);
    b->Free();
    EXPECT_EQ(SupportedForms(), std::vector<TCustomForm*>{a});
    TMessage message{SM_QUORVEXCMD, MakeSkinCmd(scBgChanged), 0, 0};
    BroadcastToSupportedForms(message);
    EXPECT_EQ(CommandsOf(a->Commands), std::vector<int>{scBgChanged});
    a->Free();
    EXPECT_TRUE(SupportedForms().empty());
}

TEST_F(SkinBroadcast, TheFormsOfTheManagerAreHeldDuringAChangeAndLetGoOnce) {
    TfrmProvided* provided = ProvidedForm();
    std::vector<std::pair<TWinControl*, int>> fades;
    static std::vector<std::pair<TWinControl*, int>>* seen;
    seen = &fades;
    TacAnimShowProc fade = acAnimShowControl;
    acAnimShowControl = [](TWinControl* Control, int Time) {
        EXPECT_TRUE(acAnimInProgress == false);  // cleared before the fades
        seen->emplace_back(Control, Time);
    };
    manager->SetSkinName("SAMPLE");
    EXPECT_EQ(provided->Redraws, (std::vector<WPARAM>{0, 1}));
    EXPECT_EQ(CommandsOf(provided->Commands), (std::vector<int>{scNewSkin, scBeforeRefresh, scRefresh}));
    EXPECT_EQ(provided->Provider->Prepared, 1);
    EXPECT_EQ(provided->Provider->Regions, std::vector<bool>{true});
    ASSERT_EQ(fades.size(), 1u);
    EXPECT_EQ(fades[0].first, provided);
    EXPECT_EQ(fades[0].second, 100);
    EXPECT_FALSE(acAnimInProgress);

    // Without the animation the forms are repainted without a fade.
    manager->AnimEffects()->SkinChanging()->SetActive(false);
    provided->Redraws.clear();
    manager->SetHueOffset(20);
    EXPECT_EQ(provided->Redraws, (std::vector<WPARAM>{0, 1}));
    EXPECT_EQ(fades.size(), 1u);
    acAnimShowControl = fade;
}

TEST_F(SkinBroadcast, UnlockingLetsGoExactlyTheFormsThatWereHeld) {
    manager->SetSkinName("SAMPLE");
    TfrmProvided* provided = ProvidedForm();
    TfrmProvided* hidden = ProvidedForm();
    hidden->Hide();
    auto other = ManagerOn(samples.Path());
    TfrmProvided* foreign = ProvidedForm();
    foreign->Provider->Data.SetSkinManager(other.get());
    provided->Redraws.clear();
    LockForms(manager.get());
    EXPECT_TRUE(acAnimInProgress);
    LockForms(manager.get());  // held once, however often asked
    EXPECT_EQ(provided->Redraws, std::vector<WPARAM>{0});
    EXPECT_TRUE(hidden->Redraws.empty());
    EXPECT_TRUE(foreign->Redraws.empty());
    // Hidden, or moved to another manager, in the meantime: let go all the same.
    provided->Hide();
    provided->Provider->Data.SetSkinManager(other.get());
    UnLockForms(manager.get(), false);
    EXPECT_EQ(provided->Redraws, (std::vector<WPARAM>{0, 1}));
    EXPECT_EQ(provided->Provider->Prepared, 0);  // without Repaint nothing else happens
    EXPECT_FALSE(acAnimInProgress);
    UnLockForms(manager.get(), true);
    EXPECT_EQ(provided->Redraws.size(), 2u);
    // A form freed while held is simply forgotten: one held with it is let go all the same, and a form made
    // meanwhile, never held, is left alone. (No fade here: it would hold and release the form once more.)
    manager->AnimEffects()->SkinChanging()->SetActive(false);
    provided->Show();
    provided->Provider->Data.SetSkinManager(nullptr);
    TfrmProvided* second = ProvidedForm();
    LockForms(manager.get());
    EXPECT_EQ(second->Redraws, std::vector<WPARAM>{0});
    provided->Free();
    TfrmProvided* later = ProvidedForm();
    UnLockForms(manager.get(), true);
    EXPECT_EQ(second->Redraws, (std::vector<WPARAM>{0, 1}));
    EXPECT_EQ(second->Provider->Prepared, 1);
    EXPECT_TRUE(later->Redraws.empty());
    EXPECT_EQ(later->Provider->Prepared, 0);
}

TEST_F(SkinBroadcast, TheMouseMovesBetweenSkinnedControls) {
    auto* second = new TSkinnedChild(form);
    second->SetParent(form);
    second->HandleNeeded();
    skinned->HandleNeeded();
    manager->SetActiveControl(skinned->Handle());
    manager->SetActiveControl(skinned->Handle());
    manager->SetActiveControl(second->Handle());
    LPARAM self = reinterpret_cast<LPARAM>(manager.get());
    EXPECT_EQ(skinned->Commands, (TCommands{{scMouseEnter, self}, {scMouseLeave, self}}));
    EXPECT_EQ(second->Commands, (TCommands{{scMouseEnter, self}}));
}

TEST(SkinData, TheProgramFileGivesItsLargeAndSmallIcon) {
    ASSERT_NE(AppIconLarge(), nullptr);
    ASSERT_NE(AppIconSmall(), nullptr);
    EXPECT_EQ(AppIconLarge()->Width(), GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(AppIconSmall()->Width(), GetSystemMetrics(SM_CXSMICON));
    EXPECT_EQ(AppIconLarge(), AppIconLarge());  // made once
    // A window without a provider answers command 4 with nothing.
    HWND wnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(GetWndProvider(wnd), nullptr);
    EXPECT_EQ(GetWndProvider(nullptr), nullptr);
    DestroyWindow(wnd);
}
