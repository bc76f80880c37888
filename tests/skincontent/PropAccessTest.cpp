// Published properties by name: the class library's grids and trees answer the names they have, nested fonts,
// sets, collections and events included; absent names are skipped.
#include <gtest/gtest.h>

#include "classlib/visual/Grids.h"
#include "classlib/visual/TreeView.h"
#include "skin/adapters/acPropAccess.h"
#include "skin/engine/sSkinManager.h"
#include "tests/skin/FlatContentSkin.h"
#include "tests/support/TempDir.h"

TEST(PublishedProps, AGridAnswersItsFixedColourAndNothingItLacks) {
    TStringGrid grid(nullptr);
    TColor c = 0;
    ASSERT_TRUE(GetColorProp(&grid, "FixedColor", c));
    EXPECT_EQ(c, clBtnFace);
    EXPECT_TRUE(SetColorProp(&grid, "FixedColor", clRed));
    EXPECT_EQ(grid.FixedColor(), clRed);
    EXPECT_FALSE(GetColorProp(&grid, "FooterColor", c));
    EXPECT_FALSE(SetColorProp(&grid, "TitleColor", clRed));
    EXPECT_FALSE(GetFontColorProp(&grid, "TitleFont", c));
    EXPECT_FALSE(HasPublishedProp(&grid, "DataSource"));
    EXPECT_TRUE(GetCollectionItems(&grid, "Columns").empty());
    // A property of another kind is not taken for a colour.
    EXPECT_FALSE(GetColorProp(&grid, "Options", c));
    std::vector<std::string> options;
    ASSERT_TRUE(GetSetProp(&grid, "Options", options));
    EXPECT_FALSE(options.empty());
    ASSERT_TRUE(SetSetProp(&grid, "Options", {"goRowSelect"}));
    EXPECT_EQ(grid.Options(), TGridOptions{goRowSelect});
    TFont* font = dynamic_cast<TFont*>(GetObjectProp(&grid, "Font"));
    ASSERT_NE(font, nullptr);
    EXPECT_TRUE(SetFontColorProp(&grid, "Font", clBlue));
    EXPECT_EQ(grid.Font()->Color(), clBlue);
}

TEST(PublishedProps, ATreeViewsEventsAreSeenSetAndTakenBackByName) {
    TTreeView tree(nullptr);
    bool assigned = true;
    ASSERT_TRUE(GetEventAssigned(&tree, "OnCustomDraw", assigned));
    EXPECT_FALSE(assigned);
    EXPECT_FALSE(GetEventAssigned(&tree, "OnAdvancedHeaderDraw", assigned));
    bool called = false;
    TTVCustomDrawEvent handler = [&](TCustomTreeView*, const TRect&, bool&) { called = true; };
    EXPECT_TRUE(SetEventHandler(&tree, "OnCustomDraw", handler));
    ASSERT_TRUE(GetEventAssigned(&tree, "OnCustomDraw", assigned));
    EXPECT_TRUE(assigned);
    std::any saved = GetEventHandler(&tree, "OnCustomDraw");
    EXPECT_TRUE(saved.has_value());
    // A handler of another type is refused and changes nothing.
    EXPECT_FALSE(SetEventHandler(&tree, "OnCustomDraw", std::any(TNotifyEvent([](TObject*) {}))));
    EXPECT_TRUE(static_cast<bool>(tree.OnCustomDraw));
    EXPECT_TRUE(SetEventHandler(&tree, "OnCustomDraw", std::any()));
    EXPECT_FALSE(static_cast<bool>(tree.OnCustomDraw));
    EXPECT_TRUE(SetEventHandler(&tree, "OnCustomDraw", saved));
    bool defaultDraw = true;
    tree.OnCustomDraw(&tree, TRect(), defaultDraw);
    EXPECT_TRUE(called);
}

TEST(FlatContentSkinFile, LoadsWithEverySectionAndImageItNames) {
    TempDir dir;
    WriteSkinFolder(dir.Path(), MakeFlatContentSkin());
    TsSkinManager manager(nullptr);
    manager.SetSkinDirectory(dir.Path());
    manager.SetSkinName("FLATCONTENT");
    ASSERT_TRUE(manager.Active());
    for (const char* s : {"EDIT", "COMBOBOX", "COMBOBTN", "COLHEADER", "BUTTON", "STATUSBAR", "DIVIDER", "MAINMENU",
                          "MDIAREA", "SCROLLBTNTOP", "SCROLLSLIDERV", "SCROLLBAR2H"})
        EXPECT_GE(manager.GetSkinIndex(s), 0) << s;
    int edit = manager.GetSkinIndex("EDIT");
    EXPECT_EQ(manager.Sections[static_cast<size_t>(edit)].Color, static_cast<TColor>(FlatSectionColor("EDIT")));
    int mask = manager.GetMaskIndex(edit, "EDIT", "BORDERSMASK");
    ASSERT_GE(mask, 0);
    EXPECT_EQ(manager.Masks[static_cast<size_t>(mask)].WL, FlatFrameWidth("EDIT"));
    int status = manager.GetSkinIndex("STATUSBAR");
    EXPECT_GE(manager.GetMaskIndex(status, "STATUSBAR", "STATUSPANELMASK"), 0);
    EXPECT_GE(manager.ConstData.ComboBtn.SkinIndex, 0);
    EXPECT_GE(manager.ConstData.ComboBtn.GlyphIndex, 0);
    FlatContentOptions bare;
    bare.ColumnHeader = false;
    bare.StatusPanelMask = false;
    WriteSkinFolder(dir.Path(), MakeFlatContentSkin("BARE", bare));
    manager.SetSkinName("BARE");
    ASSERT_TRUE(manager.Active());
    EXPECT_LT(manager.GetSkinIndex("COLHEADER"), 0);
    EXPECT_LT(manager.GetMaskIndex(manager.GetSkinIndex("STATUSBAR"), "STATUSBAR", "STATUSPANELMASK"), 0);
}
