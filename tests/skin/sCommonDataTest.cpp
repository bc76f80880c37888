#include "skin/engine/sCommonData.h"

#include "SkinTestControls.h"
#include "skin/engine/sGradient.h"
#include "skin/engine/sSkinManager.h"

#include "classlib/ExtCtrls.h"
#include "classlib/StdCtrls.h"

#include <gtest/gtest.h>

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
    // Nil from an own manager: the default one is followed again, and its section is found in it.
    data.SetSkinManager(&other);
    data.SetSkinManager(nullptr);
    EXPECT_EQ(data.SkinManager(), &manager);
    EXPECT_EQ(data.SkinIndex, buttonIndex);
    EXPECT_EQ(owner->Commands.back().Command, scRefresh);
    EXPECT_EQ(owner->Commands.back().LParam, reinterpret_cast<LPARAM>(&manager));
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
