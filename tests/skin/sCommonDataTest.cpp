#include "skin/engine/sCommonData.h"

#include "PixelTestUtils.h"
#include "SkinManagerFixtures.h"
#include "SkinTestControls.h"
#include "skin/engine/acSkinHooks.h"
#include "skin/engine/sGradient.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"
#include "tests/support/SyntheticInput.h"
#include "tests/support/MessageLoop.h"

#include "classlib/visual/ExtCtrls.h"
#include "classlib/runtime/FormResources.h"
#include "classlib/visual/StdCtrls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

// A hidden form holding a panel (an answering parent) that holds the controls under test; the default manager
// holds a small skin made by hand.
class SkinData : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(DefaultManager, &manager);
        panelIndex = AddSection(manager, "PANEL");
        manager.Sections[panelIndex].Color = RGBColor(10, 20, 30);
        manager.Sections[panelIndex].FontColor[0] = RGBColor(200, 0, 0);
        AddImage(manager, "PANEL", "BORDERSMASK", Rect(0, 0, 30, 30));
        editIndex = AddSection(manager, "EDIT", "PANEL");
        buttonIndex = AddSection(manager, "BUTTON");
        AddImage(manager, "BUTTON", "PATTERN", Rect(0, 0, 8, 8));  // a border image under a texture's key
        buttonPattern = AddImage(manager, "BUTTON", "PATTERN", Rect(8, 0, 16, 8), itisaTexture);
        buttonBorder = AddImage(manager, "BUTTON", "BORDERSMASK", Rect(0, 8, 30, 38));
        form = new TfrmSkinTest(nullptr);
        form->SetBounds(0, 0, 300, 200);
        parent = new TAnsweringParent(form);
        parent->SetParent(form);
        parent->SetBounds(10, 10, 200, 150);
        // Questions to a parent go to its window.
        parent->HandleNeeded();
    }
    void TearDown() override { form->Free(); }
    static TColor RGBColor(int r, int g, int b) { return r | (g << 8) | (b << 16); }
    TRecordingControl* Child() {
        auto* c = new TRecordingControl(form);
        c->SetParent(parent);
        c->SetBounds(5, 5, 40, 20);
        return c;
    }

    TsSkinManager manager{nullptr};
    int panelIndex = -1, editIndex = -1, buttonIndex = -1, buttonPattern = -1, buttonBorder = -1;
    TfrmSkinTest* form = nullptr;
    TAnsweringParent* parent = nullptr;
};

}  // namespace

TEST_F(SkinData, SectionNamesAreUpperCaseAndAnEmptyOneIsUnknown) {
    TsCommonData data(nullptr, false);
    data.SetSkinSection("edit");
    EXPECT_EQ(data.SkinSection(), "EDIT");
    EXPECT_EQ(data.SkinIndex, editIndex);
    data.SetSkinSection("");
    EXPECT_EQ(data.SkinSection(), "UNKNOWN");
    EXPECT_EQ(data.SkinIndex, -1);
}

TEST_F(SkinData, DefaultSectionsFollowTheControlCode) {
    TRecordingControl* owner = Child();
    for (auto [code, section] : {std::pair<int, const char*>{2, "EDIT"}, {14, "COMBOBOX"}, {152, "CHECKBOX"},
                                 {227, "EDIT"}, {58, "PANEL_LOW"}, {165, "TRACKBAR"}, {999, "TRECORDINGCONTROL"}}) {
        TsCommonData data(owner, false);
        data.COC = code;
        data.SetDefaultSection();
        EXPECT_EQ(data.SkinSection(), section) << code;
    }
    // A section already chosen stays; its indexes are read.
    TsCommonData chosen(owner, false);
    chosen.SetSkinSection("BUTTON");
    chosen.SkinIndex = -1;
    chosen.COC = 2;
    chosen.SetDefaultSection();
    EXPECT_EQ(chosen.SkinSection(), "BUTTON");
    EXPECT_EQ(chosen.SkinIndex, buttonIndex);
}

TEST_F(SkinData, IndexesComeFromTheSectionOrItsParents) {
    TsCommonData data(Child(), true);
    data.SetSkinSection("BUTTON");
    EXPECT_EQ(data.BorderIndex, buttonBorder);
    EXPECT_EQ(data.Texture, buttonPattern);  // the first image of that key that is a texture
    EXPECT_EQ(data.HotTexture, -1);
    // EDIT has no border of its own: its parent section's is taken.
    data.SetSkinSection("EDIT");
    EXPECT_EQ(data.SkinIndex, editIndex);
    EXPECT_EQ(data.BorderIndex, manager.GetMaskIndex(panelIndex, "PANEL", "BORDERSMASK"));
    EXPECT_TRUE(data.Skinned());
    // A section the skin does not have leaves no index behind, the border's included.
    data.SetSkinSection("NOSUCH");
    EXPECT_EQ(data.SkinIndex, -1);
    EXPECT_EQ(data.BorderIndex, -1);
    EXPECT_EQ(data.Texture, -1);
    EXPECT_FALSE(data.Skinned());
}

TEST_F(SkinData, ParentChainsThatLoopEndWithoutAnImage) {
    int a = AddSection(manager, "LOOPA", "LOOPB");
    AddSection(manager, "LOOPB", "LOOPA");
    EXPECT_EQ(manager.GetMaskIndex(a, "LOOPA", "BORDERSMASK"), -1);
    EXPECT_EQ(manager.GetTextureIndex(a, "LOOPA", "PATTERN"), -1);
    int self = AddSection(manager, "SELF", "SELF");
    EXPECT_EQ(manager.GetMaskIndex(self, "SELF", "BORDERSMASK"), -1);
}

TEST_F(SkinData, TheOwnerHearsWhetherItsSectionIsInTheSkin) {
    TRecordingControl* owner = Child();
    TsCommonData data(owner, false);
    data.SetSkinSection("panel");
    data.SetSkinSection("NOSUCH");
    ASSERT_EQ(owner->Commands.size(), 2u);
    EXPECT_EQ(owner->Commands[0].Command, scRefresh);
    EXPECT_EQ(owner->Commands[0].LParam, reinterpret_cast<LPARAM>(&manager));
    EXPECT_EQ(owner->Commands[1].Command, scRemoveSkin);
    // The same name again changes nothing; an owner without a parent is not told.
    data.SetSkinSection("NOSUCH");
    owner->SetParent(nullptr);
    data.SetSkinSection("EDIT");
    EXPECT_EQ(owner->Commands.size(), 2u);
    EXPECT_EQ(data.SkinIndex, editIndex);
}

TEST_F(SkinData, TheDefaultManagerIsFollowedRatherThanStored) {
    TRecordingControl* owner = Child();
    TsCommonData data(owner, false);
    data.SetSkinSection("BUTTON");
    data.SetSkinManager(&manager);
    EXPECT_FALSE(data.IsSkinManagerStored());
    EXPECT_EQ(data.SkinManager(), &manager);

    TsSkinManager other(nullptr);
    AddSection(other, "OTHER");
    AddSection(other, "BUTTON");
    data.SetSkinManager(&other);
    EXPECT_TRUE(data.IsSkinManagerStored());
    EXPECT_EQ(data.SkinManager(), &other);
    EXPECT_EQ(data.SkinIndex, 1);
    EXPECT_EQ(owner->Commands.back().Command, scRefresh);
    EXPECT_EQ(owner->Commands.back().LParam, reinterpret_cast<LPARAM>(&other));
    // Back to the default one: stored as nil again.
    data.SetSkinManager(&manager);
    EXPECT_FALSE(data.IsSkinManagerStored());
    EXPECT_EQ(data.SkinIndex, buttonIndex);
    // Nil from an own manager: the default one is followed again, but the control is out of the skin (its
    // owner hears so) until that manager's next change re-reads the indexes.
    data.SetSkinManager(&other);
    data.SetSkinManager(nullptr);
    EXPECT_EQ(data.SkinManager(), &manager);
    EXPECT_EQ(data.SkinIndex, -1);
    EXPECT_EQ(owner->Commands.back().Command, scRemoveSkin);
    EXPECT_EQ(owner->Commands.back().LParam, 0);
    // A manager without a skin unskins the control.
    TsSkinManager empty(nullptr);
    data.SetSkinManager(&empty);
    EXPECT_EQ(data.SkinIndex, -1);
    EXPECT_EQ(owner->Commands.back().Command, scRemoveSkin);
}

TEST_F(SkinData, BackgroundKindsComeFromImageAndGradient) {
    TsCommonData data(nullptr, false);
    data.SetSkinSection("BUTTON");
    TsGeneralData& button = manager.Sections[buttonIndex];
    auto kind = [&] {
        data.UpdateBGType();
        return data.BGType;
    };
    EXPECT_EQ(kind(), 0);
    button.ImagePercent = 40;
    EXPECT_EQ(kind(), 4);
    button.GradientPercent = 60;
    EXPECT_EQ(kind(), 4);  // a gradient percentage without stops paints no gradient
    for (auto [mode, bits] : {std::pair{0, 6}, {1, 5}, {2, 7}, {5, 4}}) {
        ParseGradientData("255;65280;100;" + std::to_string(mode) + ";0", button.GradientArray);
        EXPECT_EQ(kind(), bits) << mode;
    }
}

TEST_F(SkinData, OnlyContainersWithASolidSectionPaintWithoutCache) {
    auto* panel = new TPanel(form);
    panel->SetParent(parent);
    panel->SetBounds(0, 0, 50, 50);
    TsCommonData data(panel, false);
    TsGeneralData& section = manager.Sections[panelIndex];
    auto uncached = [&] {
        data.UpdateIndexes();
        return (data.CtrlState & 1) != 0;
    };
    data.SetSkinSection("PANEL");
    EXPECT_TRUE(uncached());
    manager.Masks[data.BorderIndex].WL = manager.Masks[data.BorderIndex].WT = 6;
    manager.Masks[data.BorderIndex].WR = manager.Masks[data.BorderIndex].WB = 7;  // 26 > 24
    EXPECT_FALSE(uncached());
    manager.Masks[data.BorderIndex].WB = 5;  // 24
    EXPECT_TRUE(uncached());
    section.GradientPercent = 10;
    EXPECT_FALSE(uncached());
    section.GradientPercent = 0;
    section.Transparency = 30;
    EXPECT_FALSE(uncached());
    // Fully transparent: needs a cache unless the parent paints without one itself.
    section.Transparency = 100;
    parent->CacheState = 0;
    EXPECT_FALSE(uncached());
    parent->CacheState = 1;
    EXPECT_TRUE(uncached());
    // Other kinds of control always keep a cache.
    section.Transparency = 0;
    TsCommonData other(Child(), false);
    other.SetSkinSection("PANEL");
    EXPECT_EQ(other.CtrlState & 1, 0);
}

TEST_F(SkinData, CacheStateChangesReachTheChildren) {
    TRecordingControl* a = Child();
    auto* g = new TRecordingGraphic(form);
    g->SetParent(parent);
    TsCommonData data(parent, false);
    data.UpdateCacheState(true);
    // The windowed child is reached through its window once it has one.
    a->HandleNeeded();
    data.UpdateCacheState(true);
    ASSERT_EQ(a->Commands.size(), 1u);
    EXPECT_EQ(a->Commands[0].Command, scCacheState);
    EXPECT_EQ(a->Commands[0].LParam, 1);
    ASSERT_EQ(g->Commands.size(), 2u);
    EXPECT_EQ(g->Commands[1].Command, scCacheState);
}

TEST_F(SkinData, TheCacheBitmapTakesTheOwnersSize) {
    TRecordingControl* owner = Child();
    TsCommonData none(owner, false);
    EXPECT_EQ(none.CacheBmp(), nullptr);
    TsCommonData data(owner, true);
    ASSERT_NE(data.CacheBmp(), nullptr);
    EXPECT_EQ(data.CacheBmp()->Width(), 0);
    EXPECT_EQ(data.CacheBmp()->PixelFormat(), pf24bit);
    data.InitCacheBmp();
    none.InitCacheBmp();
    for (TsCommonData* d : {&data, &none}) {
        ASSERT_NE(d->CacheBmp(), nullptr);
        EXPECT_EQ(d->CacheBmp()->Width(), 40);
        EXPECT_EQ(d->CacheBmp()->Height(), 20);
        EXPECT_EQ(d->CacheBmp()->PixelFormat(), pf24bit);
        EXPECT_EQ(d->CacheBmp()->HandleType(), bmDIB);
    }
}

TEST_F(SkinData, AnEditTakesTheSectionColoursItDoesNotKeepItself) {
    auto* edit = new TEdit(form);
    edit->SetParent(parent);
    edit->SetColor(clWindow);
    edit->Font()->SetColor(clWindowText);
    TsCommonData data(edit, false);
    data.SetSkinSection("PANEL");
    data.SetCustomColor(true);
    EXPECT_EQ(edit->Color(), clWindow);
    EXPECT_EQ(edit->Font()->Color(), RGBColor(200, 0, 0));
    data.SetCustomFont(true);
    edit->Font()->SetColor(clWindowText);
    data.SetCustomColor(false);
    EXPECT_EQ(edit->Color(), RGBColor(10, 20, 30));
    EXPECT_EQ(edit->Font()->Color(), clWindowText);
}

TEST_F(SkinData, SkinDataWithoutAnOwnerControlKeepsItsColourFlagsAlone) {
    // As a provider's or an adapter's skin data: no control of its own, a section that the skin has.
    TStringList owner;
    for (TObject* o : {static_cast<TObject*>(nullptr), static_cast<TObject*>(&owner)}) {
        TsCommonData data(o, false);
        data.SetSkinSection("EDIT");
        ASSERT_EQ(data.SkinIndex, editIndex);
        data.SetCustomColor(true);
        EXPECT_TRUE(data.CustomColor());
        data.SetCustomColor(false);
        EXPECT_FALSE(data.CustomColor());
    }
}

TEST_F(SkinData, FontSectionsComeFromParentsThatGiveTheirFont) {
    TRecordingControl* owner = Child();
    const int def = 7;
    EXPECT_EQ(GetFontIndex(owner, def, &manager), def);  // the parent answers 0: not skinned
    parent->SectionAnswer = buttonIndex + 1;
    EXPECT_EQ(GetFontIndex(owner, def, &manager), def);
    manager.Sections[buttonIndex].GiveOwnFont = true;
    EXPECT_EQ(GetFontIndex(owner, def, &manager), buttonIndex);
    // A parent more than half transparent passes the question to its own parent (a form answering nothing).
    manager.Sections[buttonIndex].Transparency = 51;
    EXPECT_EQ(GetFontIndex(owner, def, &manager), def);
    // ... which may give its font.
    manager.Sections[buttonIndex].Transparency = 0;
    auto* inner = new TAnsweringParent(form);
    inner->SetParent(parent);
    inner->HandleNeeded();
    inner->SectionAnswer = panelIndex + 1;
    manager.Sections[panelIndex].Transparency = 80;
    auto* deep = new TRecordingGraphic(form);
    deep->SetParent(inner);
    EXPECT_EQ(GetFontIndex(deep, def, &manager), buttonIndex);
    EXPECT_EQ(GetFontIndex(nullptr, def, &manager), def);
}

// --- skinned controls on the sample skin: the shared handlers as real windows see them ---

namespace {

// A control of Base carrying skin data whose window procedure runs the shared handlers first, as every skinned
// control does; it records the skin commands that reach it.
template <class Base>
class TSkinned : public Base {
public:
    explicit TSkinned(TComponent* AOwner) : Base(AOwner), SkinData(std::make_unique<TsCommonData>(this, true)) {
        this->SetTabStop(true);
    }
    std::unique_ptr<TsCommonData> SkinData;
    std::vector<int> Commands;
    TsCommonData* Data() const { return SkinData.get(); }
    // A cache bitmap of the control's size whose pixel (x, y) has the colour RGB(x, y, Blue).
    void FillCache(int Blue) {
        SkinData->InitCacheBmp();
        TBitmap* cache = SkinData->CacheBmp();
        for (int y = 0; y < cache->Height(); ++y)
            for (int x = 0; x < cache->Width(); ++x)
                SetPx(cache, x, y, RGBc(x & 0xFF, y & 0xFF, Blue));
    }
    void Loaded() override {
        Base::Loaded();
        SkinData->Loaded();
    }
    void WndProc(TMessage& Message) override {
        if (Message.Msg == SM_QUORVEXCMD)
            Commands.push_back(SkinCmdOf(Message.WParam));
        if (SkinData && CommonMessage(Message, SkinData.get()))
            return;
        Base::WndProc(Message);
    }
};

class TSkinnedControl : public TSkinned<TCustomControl> {
    CLASS_INFO(TSkinnedControl, TCustomControl)
public:
    using TSkinned<TCustomControl>::TSkinned;
};

class TSkinnedPanel : public TSkinned<TPanel> {
    CLASS_INFO(TSkinnedPanel, TPanel)
public:
    using TSkinned<TPanel>::TSkinned;
};

class TSkinnedEdit : public TSkinned<TEdit> {
    CLASS_INFO(TSkinnedEdit, TEdit)
public:
    using TSkinned<TEdit>::TSkinned;
};

const bool SkinnedRegistered = [] {
    RegisterFormClass<TSkinnedControl>([](TFormClass<TSkinnedControl>& c) {
        c.Object("SkinData", &TSkinnedControl::Data);
    });
    RegisterFormClass<TSkinnedEdit>([](TFormClass<TSkinnedEdit>& c) { c.Object("SkinData", &TSkinnedEdit::Data); });
    return true;
}();

// A form's skin provider as far as the engine sees one: it records the skin messages handed to it.
class TRecordingProvider : public TacSkinProviderBase {
    CLASS_INFO(TRecordingProvider, TacSkinProviderBase)
public:
    explicit TRecordingProvider(TComponent* AOwner)
        : TacSkinProviderBase(AOwner), FSkinData(std::make_unique<TsCommonData>(this, true)) {}
    TsCommonData* SkinData() const override { return FSkinData.get(); }
    void HandleSkinMessage(TMessage& Message) override { Handled.push_back(SkinCmdOf(Message.WParam)); }
    void PrepareRegionRects() override {}
    void UpdateFormRegion(bool) override {}
    HRGN CreateSkinRegion(int, int) override { return nullptr; }
    std::vector<int> Handled;

private:
    std::unique_ptr<TsCommonData> FSkinData;
};

// A form that records the skin commands reaching its window.
class TfrmRecording : public TSkinRecorder<TForm> {
    CLASS_INFO(TfrmRecording, TForm)
public:
    using TSkinRecorder<TForm>::TSkinRecorder;
};

// The sample skin, loaded by the default manager; a form of 400 x 300 at (100, 100).
class SkinnedControls : public ::testing::Test {
protected:
    static void SetUpTestSuite() { samples = new SampleSkinDir(); }
    static void TearDownTestSuite() {
        delete samples;
        samples = nullptr;
    }
    void SetUp() override {
        manager = ManagerOn(samples->Path());
        manager->SetSkinName("SAMPLE");
        ASSERT_FALSE(manager->Sections.empty());
        ASSERT_EQ(DefaultManager, manager.get());
        form = new TfrmRecording(nullptr);
        form->SetBounds(100, 100, 400, 300);
    }
    void TearDown() override {
        form->Free();
        manager.reset();
        acAnimInProgress = false;
        acCurrentSkinSection.clear();
    }
    template <class C = TSkinnedControl>
    C* Add(TWinControl* Parent, const char* Section, int Left, int Top, int Width, int Height) {
        auto* c = new C(form);
        c->SetParent(Parent);
        c->SetBounds(Left, Top, Width, Height);
        c->SkinData->SetSkinSection(Section);
        c->HandleNeeded();
        return c;
    }
    TsGeneralData& Section(const char* Name) { return manager->Sections.at(manager->GetSkinIndex(Name)); }
    static LRESULT Send(TWinControl* Control, TacSkinCommand Command, LPARAM LParam = 0, uint16_t Arg = 0) {
        return SendMessageA(Control->Handle(), SM_QUORVEXCMD, MakeSkinCmd(Command, Arg), LParam);
    }

    static SampleSkinDir* samples;
    std::unique_ptr<TsSkinManager> manager;
    TfrmRecording* form = nullptr;
};

SampleSkinDir* SkinnedControls::samples = nullptr;

}  // namespace

TEST_F(SkinnedControls, EveryCommandOfTheSkinDataIsAnsweredThroughTheWindow) {
    TSkinnedControl* c = Add(form, "BAR", 10, 10, 60, 30);
    TsCommonData* d = c->Data();
    auto* plain = new TPanel(form);
    plain->SetParent(form);
    EXPECT_EQ(Send(c, scIsSkinned), 1);
    EXPECT_EQ(Send(plain, scIsSkinned), 0);
    EXPECT_EQ(Send(c, scGetSkinIndex), manager->GetSkinIndex("BAR") + 1);
    EXPECT_EQ(Send(c, scGetColor), Section("BAR").Color);
    EXPECT_EQ(reinterpret_cast<TApplication*>(Send(c, scGetApplication)), Application.Get());

    // Held painting and the busy question.
    Send(c, scSetUpdating, 0, 1);
    EXPECT_TRUE(d->Updating);
    EXPECT_EQ(Send(c, scIsBusy), 1);
    Send(c, scSetUpdating, 0, 0);
    d->BGChanged = false;
    EXPECT_EQ(Send(c, scIsBusy), 0);
    Send(c, scBgChanged);
    EXPECT_TRUE(d->BGChanged);
    EXPECT_EQ(Send(c, scIsBusy), 1);

    Send(c, scSetLocked, 0, 1);
    EXPECT_TRUE(d->Locked);
    EXPECT_TRUE(d->CheckParentBG());
    Send(c, scSetLocked, 0, 0);
    EXPECT_FALSE(d->Locked);

    d->HalfVisible = false;
    EXPECT_EQ(Send(c, scIsHalfVisible), 0);
    Send(c, scSetHalfVisible);
    EXPECT_EQ(Send(c, scIsHalfVisible), 1);

    auto* graphic = new TRecordingGraphic(form);
    Send(c, scGraphControl, reinterpret_cast<LPARAM>(graphic));
    EXPECT_EQ(d->GraphControl, graphic);
    Send(c, scGraphControl, 0);
    EXPECT_EQ(d->GraphControl, nullptr);

    // Only a transparent section takes the news of a transparency change; command 13 repaints the current section.
    d->BGChanged = false;
    Send(c, scTransparentChanged, 0, 1);
    EXPECT_FALSE(d->BGChanged);
    TSkinnedControl* group = Add(form, "GROUPBOX", 100, 10, 60, 30);
    group->Data()->BGChanged = false;
    Send(group, scTransparentChanged, 0, 1);
    EXPECT_TRUE(group->Data()->BGChanged);
    acCurrentSkinSection = "BAR";
    acSkinChanging = true;
    Send(c, scInvalidateSection);
    EXPECT_FALSE(acSkinChanging);
    EXPECT_TRUE(d->BGChanged);

    // Cache state: the value, or (LParam 1) recomputed for the children too.
    d->CtrlState = 1;
    EXPECT_EQ(Send(c, scCacheState), 1);
    TSkinnedControl* inner = Add(c, "BAR", 2, 2, 10, 10);
    Send(c, scCacheState, 1);
    EXPECT_EQ(d->CtrlState, 0);  // not a container: always cached
    EXPECT_EQ(inner->Commands.back(), scCacheState);

    // Background information of a solid section: its colour.
    TacBGInfo info;
    EXPECT_TRUE(QueryWndBGInfo(info, c->Handle(), false));
    EXPECT_EQ(info.BgType, 1);
    EXPECT_EQ(info.Color, Section("BAR").Color);

    // What others answer (providers, adapters) or nobody does is left to the control's own handling.
    for (int command : {4, 5, 6, 14, 16, 23, 25, 27, 28, 29, 30, 31, 32, 35, 51, 52, 61, 99}) {
        TMessage m{SM_QUORVEXCMD, MakeSkinCmd(static_cast<TacSkinCommand>(command)), 0, 0};
        EXPECT_FALSE(CommonWndProc(m, d)) << command;
    }
    TMessage notSkin{WM_USER, MakeSkinCmd(scIsSkinned), 0, 0};
    EXPECT_FALSE(CommonWndProc(notSkin, d));
    EXPECT_FALSE(CommonMessage(notSkin, nullptr));

    // An unskinned control answers none of the questions.
    d->SetSkinSection("NOSUCH");
    EXPECT_EQ(Send(c, scGetSkinIndex), 0);
    EXPECT_EQ(Send(c, scBgDependsOnPos), 0);
    EXPECT_EQ(Send(c, scIsSkinned), 1);  // it can still be skinned
}

TEST_F(SkinnedControls, SkinChangesFromItsOwnManagerOnlyReachTheControl) {
    TSkinnedEdit* e = Add<TSkinnedEdit>(form, "EDIT", 10, 10, 80, 24);
    TsCommonData* d = e->Data();
    d->InitCacheBmp();
    int edit = d->SkinIndex;
    ASSERT_GE(edit, 0);
    TsSkinManager other(nullptr);
    Send(e, scRemoveSkin, reinterpret_cast<LPARAM>(&other));
    EXPECT_EQ(d->SkinIndex, edit);
    Send(e, scRemoveSkin, reinterpret_cast<LPARAM>(manager.get()));
    EXPECT_EQ(d->SkinIndex, -1);
    EXPECT_EQ(d->BorderIndex, -1);
    EXPECT_TRUE(d->Updating);
    EXPECT_EQ(d->CacheBmp()->Width(), 0);
    EXPECT_EQ(e->Color(), clWindow);
    EXPECT_EQ(e->Font()->Color(), clWindowText);
    Send(e, scNewSkin, reinterpret_cast<LPARAM>(manager.get()));
    EXPECT_EQ(d->SkinIndex, edit);
    form->Commands.clear();
    d->BGChanged = false;
    Send(e, scRefresh, reinterpret_cast<LPARAM>(manager.get()));
    EXPECT_FALSE(d->Updating);
    EXPECT_TRUE(d->BGChanged);
    // The edit takes its section's colours (EDIT's colour is -1 in the skin: its parent's is inherited) and
    // its form hears of it.
    EXPECT_EQ(e->Color(), Section("EDIT").Color);
    EXPECT_EQ(e->Font()->Color(), Section("EDIT").FontColor[0]);
    ASSERT_FALSE(form->Commands.empty());
    EXPECT_EQ(form->Commands.back().Command, scControlCreated);
}

TEST_F(SkinnedControls, UpdateBracketsReachTheOwnerOrTheProvidersForm) {
    TSkinnedControl* c = Add(form, "BAR", 10, 10, 60, 30);
    c->Data()->BeginUpdate();
    EXPECT_TRUE(c->Data()->Updating);
    c->Data()->EndUpdate();
    EXPECT_FALSE(c->Data()->Updating);
    ASSERT_GE(c->Commands.size(), 2u);
    EXPECT_EQ(c->Commands[c->Commands.size() - 2], scBeginUpdate);
    EXPECT_EQ(c->Commands.back(), scEndUpdate);

    auto* provider = new TRecordingProvider(form);
    form->HandleNeeded();
    form->Commands.clear();
    provider->SkinData()->BeginUpdate();
    provider->SkinData()->EndUpdate();
    ASSERT_EQ(form->Commands.size(), 2u);
    EXPECT_EQ(form->Commands[0].Command, scBeginUpdate);
    EXPECT_EQ(form->Commands[1].Command, scEndUpdate);

    // A provider hears of a new manager through its skin handler: 3 with a skin, 2 without one.
    provider->SkinData()->SetSkinSection("FORM");
    TsSkinManager other(nullptr);
    provider->SkinData()->SetSkinManager(&other);
    provider->SkinData()->SetSkinManager(manager.get());
    EXPECT_EQ(provider->Handled, (std::vector<int>{scRemoveSkin, scRefresh}));
}

TEST_F(SkinnedControls, HoverFocusEnablingAndHidingSetTheStateFlags) {
    form->Show();
    TSkinnedControl* a = Add(form, "BUTTON", 20, 20, 80, 40);
    TSkinnedControl* b = Add(form, "BUTTON", 200, 20, 80, 40);
    TSkinnedControl* bar = Add(form, "BAR", 20, 150, 80, 40);
    bar->Data()->COC = 19;  // a bar never shows a hot state
    PumpMessagesFor(100);

    a->SetFocus();
    PumpMessagesFor(50);
    EXPECT_TRUE(a->Data()->Focused);
    EXPECT_TRUE(a->Data()->ControlIsActive());
    b->SetFocus();
    PumpMessagesFor(50);
    EXPECT_FALSE(a->Data()->Focused);
    EXPECT_FALSE(a->Data()->ControlIsActive());
    EXPECT_TRUE(b->Data()->Focused);

    // The mouse over a: hot, and the manager tells it so (29); over the bar: not hot; away: a is told (30).
    TPoint p = a->ClientToScreen(TPoint(40, 20));
    MoveMouseTo(p.x, p.y);
    EXPECT_TRUE(PumpMessagesUntil([&] { return a->Data()->MouseAbove; }, 3000));
    EXPECT_TRUE(a->Data()->ControlIsActive());
    EXPECT_NE(std::find(a->Commands.begin(), a->Commands.end(), scMouseEnter), a->Commands.end());
    p = bar->ClientToScreen(TPoint(40, 20));
    MoveMouseTo(p.x, p.y);
    EXPECT_TRUE(PumpMessagesUntil([&] { return !a->Data()->MouseAbove; }, 3000));
    EXPECT_NE(std::find(a->Commands.begin(), a->Commands.end(), scMouseLeave), a->Commands.end());
    PumpMessagesFor(100);
    EXPECT_FALSE(bar->Data()->MouseAbove);
    EXPECT_FALSE(bar->Data()->ControlIsActive());

    // Disabling forgets focus and hover; a disabled control is never active.
    p = b->ClientToScreen(TPoint(40, 20));
    MoveMouseTo(p.x, p.y);
    EXPECT_TRUE(PumpMessagesUntil([&] { return b->Data()->MouseAbove; }, 3000));
    b->SetEnabled(false);
    EXPECT_FALSE(b->Data()->Focused);
    EXPECT_FALSE(b->Data()->MouseAbove);
    EXPECT_FALSE(b->Data()->ControlIsActive());
    b->SetEnabled(true);

    // Hiding drops the cache picture; showing again asks for a new one.
    a->Data()->InitCacheBmp();
    a->Hide();
    EXPECT_EQ(a->Data()->CacheBmp()->Width(), 0);
    EXPECT_TRUE(a->Data()->CheckParentBG());  // hidden: nothing is known of its background
    a->Data()->Updating = true;
    a->Data()->BGChanged = false;
    a->Show();
    EXPECT_FALSE(a->Data()->Updating);
    EXPECT_TRUE(a->Data()->BGChanged);
    ParkPointer();
    PumpMessagesFor(50);
}

TEST_F(SkinnedControls, ASolidContainerPaintsStraightToTheScreenOnlyInItsPlainLook) {
    form->Show();
    auto* panel = Add<TSkinnedPanel>(form, "BAR", 10, 10, 120, 80);
    TsCommonData* d = panel->Data();
    EXPECT_EQ(d->CtrlState & 1, 1);
    EXPECT_FALSE(d->IsCached());
    d->Updating = true;
    EXPECT_TRUE(d->NeedsRepaint());  // not cached: only its own hold counts
    d->SetUpdating(false);
    EXPECT_FALSE(d->NeedsRepaint());
    acAnimInProgress = true;
    EXPECT_TRUE(d->IsCached());
    acAnimInProgress = false;
    d->COC = 51;
    d->MouseAbove = true;
    EXPECT_FALSE(d->IsCached());  // a panel's code shows no hot state...
    d->COC = 0;
    EXPECT_TRUE(d->IsCached());  // ...another control's does
    d->MouseAbove = false;

    // A cached control waits for its parent's background.
    TSkinnedControl* child = Add(panel, "GROUPBOX", 5, 5, 40, 20);
    ASSERT_TRUE(child->Data()->IsCached());
    d->BGChanged = true;
    EXPECT_TRUE(child->Data()->NeedsRepaint());
    d->BGChanged = false;
    EXPECT_FALSE(child->Data()->NeedsRepaint());
    child->Data()->SetUpdating(true);
    EXPECT_TRUE(child->Data()->NeedsRepaint());
}

TEST_F(SkinnedControls, BackgroundsDependOnPositionOverGradientsAndImages) {
    TSkinnedControl* base = Add(form, "FORM", 0, 0, 300, 200);  // a tiled image
    TSkinnedControl* bar = Add(base, "BAR", 10, 10, 100, 100);   // solid
    TSkinnedControl* glass = Add(bar, "CHECKBOX", 5, 5, 40, 40);  // fully transparent
    TSkinnedControl* group = Add(base, "GROUPBOX", 150, 10, 100, 100);  // half transparent
    TSkinnedControl* solid = Add(group, "BAR", 5, 5, 20, 20);
    EXPECT_EQ(Send(base, scBgDependsOnPos), 1);
    EXPECT_EQ(Send(bar, scBgDependsOnPos), 0);
    EXPECT_EQ(Send(glass, scBgDependsOnPos), 0);  // what the bar tells
    EXPECT_EQ(Send(group, scBgDependsOnPos), 1);  // over the image
    EXPECT_FALSE(glass->Data()->CheckParentBG());
    EXPECT_TRUE(group->Data()->CheckParentBG());
    EXPECT_TRUE(group->Data()->ParentBGChanging());
    EXPECT_FALSE(glass->Data()->ParentBGChanging());
    // A disabled control shows its parent through its look.
    EXPECT_FALSE(solid->Data()->CheckParentBG());
    solid->SetEnabled(false);
    EXPECT_TRUE(solid->Data()->CheckParentBG());
    solid->SetEnabled(true);
    // An opaque control never takes its background from below.
    TControlStyle style = bar->ControlStyle();
    bar->SetControlStyle(style.Include(csOpaque));
    EXPECT_TRUE(bar->Data()->CheckParentBG());

    // Moving a control whose background depends on the position rebuilds it and tells its children.
    TSkinnedControl* inGroup = Add(group, "GROUPBOX", 40, 40, 30, 30);
    group->Data()->BGChanged = false;
    solid->Commands.clear();
    group->SetBounds(160, 20, 100, 100);
    EXPECT_TRUE(group->Data()->BGChanged);
    EXPECT_NE(std::find(solid->Commands.begin(), solid->Commands.end(), scBgMoved), solid->Commands.end());
    EXPECT_NE(std::find(inGroup->Commands.begin(), inGroup->Commands.end(), scBgMoved), inGroup->Commands.end());
    // Resizing a gradient section tells every child; a solid one tells none.
    TSkinnedControl* gauge = Add(form, "GAUGE", 0, 210, 200, 40);
    TSkinnedControl* gaugeChild = Add(gauge, "BAR", 5, 5, 10, 10);
    glass->Commands.clear();
    gauge->SetBounds(0, 210, 220, 40);
    bar->SetBounds(10, 10, 110, 100);
    EXPECT_NE(std::find(gaugeChild->Commands.begin(), gaugeChild->Commands.end(), scBgMoved), gaugeChild->Commands.end());
    EXPECT_EQ(std::count(glass->Commands.begin(), glass->Commands.end(), scBgMoved), 0);
}

TEST_F(SkinnedControls, BackgroundQueriesAddTheOffsetsOfTwoTransparentParents) {
    TSkinnedControl* base = Add(form, "FORM", 10, 10, 300, 200);  // its image needs a cache
    base->FillCache(0x55);
    TSkinnedControl* outer = Add(base, "CHECKBOX", 20, 30, 200, 150);
    TSkinnedControl* inner = Add(outer, "CHECKBOX", 5, 7, 100, 80);
    TSkinnedControl* asker = Add(inner, "BAR", 3, 4, 20, 10);

    TacBGInfo info;
    EXPECT_TRUE(QueryControlBGInfo(info, inner, false));
    EXPECT_EQ(info.BgType, 2);
    EXPECT_EQ(info.Bmp, base->Data()->CacheBmp());
    EXPECT_EQ(info.Offset.x, 25);
    EXPECT_EQ(info.Offset.y, 37);
    TCacheInfo ci;
    GetParentCacheInfo(asker->Data(), ci);
    EXPECT_TRUE(ci.Ready);
    EXPECT_EQ(ci.Bmp, base->Data()->CacheBmp());
    EXPECT_EQ(ci.X, 25);
    EXPECT_EQ(ci.Y, 37);

    // Painted instead: the pixels come from where the asker lies in the base's cache.
    auto target = MakeBmp(20, 10, RGBc(1, 2, 3));
    TacBGInfo draw;
    draw.Offset = TPoint(asker->Left(), asker->Top());
    draw.R = TRect(0, 0, 20, 10);
    draw.DrawDC = target->Canvas()->Handle();
    EXPECT_TRUE(QueryControlBGInfo(draw, inner, true));
    EXPECT_EQ(Px(target.get(), 0, 0), RGBc(28, 41, 0x55));
    EXPECT_EQ(Px(target.get(), 19, 9), RGBc(47, 50, 0x55));

    // The colour through both: the base's section colour.
    EXPECT_EQ(Send(inner, scGetColor), Section("FORM").Color);
    EXPECT_EQ(GetBGColor(inner->Data(), false, nullptr), Section("FORM").Color);

    // The base without a cache picture has nothing to show: no colour either.
    base->Data()->CacheBmp()->SetSize(0, 0);
    EXPECT_TRUE(QueryControlBGInfo(info, inner, false));
    EXPECT_EQ(info.BgType, 1);
    EXPECT_EQ(info.Color, clFuchsia);
}

TEST_F(SkinnedControls, AHalfTransparentSectionMixesEvenlyWithTheParentInEveryAnswer) {
    Section("BAR").Color = RGBc(0, 0, 0);
    Section("GROUPBOX").Color = RGBc(255, 255, 255);
    Section("GROUPBOX").HotColor = RGBc(255, 0, 0);
    Section("GROUPBOX").HotTransparency = 20;
    ASSERT_EQ(Section("GROUPBOX").Transparency, 50);
    TSkinnedControl* bar = Add(form, "BAR", 10, 10, 200, 150);
    TSkinnedControl* group = Add(bar, "GROUPBOX", 10, 10, 100, 80);
    const TColor half = RGBc(128, 128, 128);
    EXPECT_EQ(Send(group, scGetColor), half);
    EXPECT_EQ(GetBGColor(group->Data(), false, nullptr), half);
    EXPECT_EQ(GetControlColor(group), half);
    // Hot: 20 % of the parent.
    EXPECT_EQ(GetBGColor(group->Data(), true, nullptr), RGBc(204, 0, 0));
    // Its children see its own cache, not a colour.
    group->FillCache(7);
    TacBGInfo info;
    EXPECT_TRUE(QueryControlBGInfo(info, group, false));
    EXPECT_EQ(info.BgType, 2);
    EXPECT_EQ(info.Bmp, group->Data()->CacheBmp());
    // A custom colour is the control's own.
    group->SetColor(RGBc(1, 2, 3));
    group->Data()->SetCustomColor(true);
    EXPECT_TRUE(QueryControlBGInfo(info, group, false));
    EXPECT_EQ(info.BgType, 1);
    EXPECT_EQ(info.Color, RGBc(1, 2, 3));
}

TEST_F(SkinnedControls, TextTakesTheFontOfTheNearestParentThatGivesIt) {
    TSkinnedControl* panel = Add(form, "PANEL", 0, 0, 300, 200);  // gives its font
    TSkinnedControl* glass = Add(panel, "CHECKBOX", 10, 10, 200, 150);  // fully transparent
    TSkinnedControl* bar = Add(glass, "BAR", 10, 10, 100, 100);
    auto* label = new TRecordingGraphic(form);
    label->SetParent(bar);
    auto* deep = new TRecordingGraphic(form);
    deep->SetParent(glass);
    EXPECT_EQ(GetFontIndex(deep, -5, manager.get()), manager->GetSkinIndex("PANEL"));
    EXPECT_EQ(GetFontIndex(label, -5, manager.get()), -5);  // BAR gives no font
    (void)bar;
}

TEST_F(SkinnedControls, CacheCopiesLeaveOutTheChildrenThatPaintThemselves) {
    form->Show();  // child windows of a hidden form are hidden themselves
    TSkinnedControl* c = Add(form, "BAR", 0, 0, 100, 60);
    c->SkinData->InitCacheBmp();
    FillPx(c->Data()->CacheBmp(), 0, 0, 100, 60, RGBc(255, 0, 0));
    auto* graphic = new TRecordingGraphic(form);
    graphic->SetParent(c);
    graphic->SetBounds(10, 10, 20, 20);
    TSkinnedControl* windowed = Add(c, "BAR", 50, 10, 20, 20);
    auto screen = MakeBmp(120, 80, RGBc(0, 0, 255));
    HDC dc = screen->Canvas()->Handle();
    CopyWinControlCache(c, c->Data(), TPoint(0, 0), 5, 5, false, dc, TRect(5, 5, 105, 65));
    EXPECT_EQ(Px(screen.get(), 5, 5), RGBc(255, 0, 0));
    EXPECT_EQ(Px(screen.get(), 20, 20), RGBc(0, 0, 255));  // the graphic child, moved by (5, 5)
    EXPECT_EQ(Px(screen.get(), 60, 20), RGBc(0, 0, 255));  // the windowed child
    EXPECT_EQ(Px(screen.get(), 110, 70), RGBc(0, 0, 255));  // outside R
    EXPECT_EQ(CountPx(screen.get(), [](TColor x) { return x == RGBc(255, 0, 0); }), 100 * 60 - 2 * 400);
    (void)windowed;

    // Child windows: a group box hides only its frame strips, so its inside shows the cache; any other button
    // (a command link's style shares the group box's low bits) hides all of itself.
    HWND wnd = c->Handle();
    HWND groupBox = CreateWindowExA(0, "Button", "", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 10, 40, 30, 15, wnd, nullptr,
                                    nullptr, nullptr);
    HWND link = CreateWindowExA(0, "Button", "", WS_CHILD | WS_VISIBLE | 0x0F, 60, 40, 30, 15, wnd, nullptr, nullptr,
                                nullptr);
    ASSERT_TRUE(groupBox && link);
    graphic->SetParent(nullptr);
    auto second = MakeBmp(100, 60, RGBc(0, 0, 255));
    CopyHwndCache(wnd, c->Data(), TRect(0, 0, 100, 60), 0, 0, false, second->Canvas()->Handle(),
                  TRect(0, 0, 100, 60));
    EXPECT_EQ(Px(second.get(), 20, 45), RGBc(255, 0, 0));  // inside the group box
    EXPECT_EQ(Px(second.get(), 70, 45), RGBc(0, 0, 255));  // the other button
    EXPECT_EQ(Px(second.get(), 60, 20), RGBc(0, 0, 255));  // the skinned child window
    DestroyWindow(groupBox);
    DestroyWindow(link);
}

TEST_F(SkinnedControls, SkinDataIsReadFromAndWrittenToFormDescriptions) {
    auto* own = new TsSkinManager(form);
    own->SetName("OwnSkins");
    ReadComponentText(R"(object frmRecording: TfrmRecording
  Left = 100
  Top = 100
  Width = 400
  Height = 300
  object Bar: TSkinnedControl
    Left = 10
    Top = 10
    Width = 50
    Height = 20
    SkinData.SkinSection = 'bar'
    SkinData.CustomFont = True
  end
  object Box: TSkinnedEdit
    Left = 10
    Top = 40
    Width = 80
    Height = 24
    SkinData.SkinManager = OwnSkins
    SkinData.CustomColor = True
  end
end
)",
                      form);
    auto* bar = dynamic_cast<TSkinnedControl*>(form->FindComponent("Bar"));
    auto* box = dynamic_cast<TSkinnedEdit*>(form->FindComponent("Box"));
    ASSERT_TRUE(bar && box);
    EXPECT_EQ(bar->Data()->SkinSection(), "BAR");
    EXPECT_EQ(bar->Data()->SkinIndex, manager->GetSkinIndex("BAR"));
    EXPECT_TRUE(bar->Data()->CustomFont());
    EXPECT_EQ(box->Data()->SkinManager(), own);
    EXPECT_TRUE(box->Data()->CustomColor());
    // No section given: the class name, read when the control is loaded.
    EXPECT_EQ(box->Data()->SkinSection(), "TSKINNEDEDIT");

    std::string text = WriteComponentText(form);
    EXPECT_NE(text.find("SkinData.SkinSection = 'BAR'"), std::string::npos) << text;
    EXPECT_NE(text.find("SkinData.CustomFont = True"), std::string::npos);
    EXPECT_NE(text.find("SkinData.SkinManager = OwnSkins"), std::string::npos);
    EXPECT_EQ(text.find("SkinData.CustomColor = False"), std::string::npos);
    // The default manager is followed, never written.
    box->Data()->SetSkinManager(manager.get());
    EXPECT_EQ(WriteComponentText(form).find("SkinData.SkinManager"), std::string::npos);
}

TEST_F(SkinnedControls, AnOwnManagerThatGoesIsForgotten) {
    auto* owned = new TfrmRecording(Application);
    auto* c = new TSkinnedControl(owned);
    c->SetParent(owned);
    c->HandleNeeded();
    auto own = ManagerOn(samples->Path());
    own->SetSkinName("SAMPLE");
    c->Data()->SetSkinSection("BAR");
    c->Data()->SetSkinManager(own.get());
    ASSERT_EQ(c->Data()->SkinManager(), own.get());
    own.reset();
    EXPECT_EQ(c->Data()->SkinManager(), manager.get());
    EXPECT_EQ(c->Data()->SkinIndex, -1);
    owned->Free();
}

TEST_F(SkinnedControls, AHalfTransparentSectionIsPaintedInTheColourItAnswers) {
    Section("BAR").Color = RGBc(0, 0, 0);
    Section("GROUPBOX").Color = RGBc(255, 255, 255);
    TSkinnedControl* bar = Add(form, "BAR", 10, 10, 200, 150);
    TSkinnedControl* group = Add(bar, "GROUPBOX", 10, 10, 100, 80);
    TCacheInfo below;
    GetParentCacheInfo(group->Data(), below);
    EXPECT_FALSE(below.Ready);
    EXPECT_EQ(below.FillColor, RGBc(0, 0, 0));
    group->Data()->InitCacheBmp();
    TBitmap* cache = group->Data()->CacheBmp();
    PaintSkinItem(group->Data()->SkinIndex, "GROUPBOX", below, -1, -1, manager.get(), cache,
                  TPoint(group->Left(), group->Top()), TRect(0, 0, 100, 80), 0);
    auto answer = static_cast<TColor>(Send(group, scGetColor));
    TColor painted = Px(cache, 50, 40);
    // The blend of the pixels works in 256ths: the two differ by rounding only.
    for (int shift : {0, 8, 16})
        EXPECT_LE(std::abs(((answer >> shift) & 0xFF) - ((painted >> shift) & 0xFF)), 1) << shift;
    EXPECT_EQ(answer, RGBc(128, 128, 128));
}
