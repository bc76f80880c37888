// Reading a skin: where it is found, the description's vocabulary with its defaults and PARENTCLASS inheritance,
// every image format, the common sections, recolouring, the stored skins and the lookups on what was read.
#include "SkinManagerFixtures.h"

#include "skin/engine/sGraphUtils.h"

#include "classlib/runtime/SysUtils.h"

#include <gtest/gtest.h>

namespace {

// A folder skin of one description and the given files, under Dir.
void WriteSkin(const std::string& Dir, const std::string& Name, const std::string& Options,
               std::vector<SkinFile> Files = {}) {
    SampleSkin skin;
    skin.Name = Name;
    skin.Files.push_back({"Options.dat", Options});
    for (SkinFile& f : Files)
        skin.Files.push_back(std::move(f));
    WriteSkinFolder(Dir, skin);
}

SampleColor Flat(SampleColor c) { return c; }

std::string FlatBmp(int w, int h, SampleColor c) {
    return BmpFile24(w, h, [c](int, int) { return Flat(c); });
}

const TsGeneralData& Section(TsSkinManager& m, const std::string& name) {
    int i = m.GetSkinIndex(name);
    EXPECT_GE(i, 0) << name;
    return m.Sections.at(static_cast<size_t>(i < 0 ? 0 : i));
}

const TsMaskData& Mask(TsSkinManager& m, const std::string& section, const std::string& key) {
    int i = m.GetMaskIndexByName(section, key);
    EXPECT_GE(i, 0) << section << "." << key;
    return m.Masks.at(static_cast<size_t>(i < 0 ? 0 : i));
}

class SkinLoading : public ::testing::Test {
protected:
    // Loads a description (and files) written as the folder skin "T".
    TsSkinManager& Load(const std::string& Options, std::vector<SkinFile> Files = {}) {
        WriteSkin(dir.Path(), "T", Options, std::move(Files));
        manager = ManagerOn(dir.Path());
        manager->SetSkinName("T");
        return *manager;
    }
    TempDir dir;
    std::unique_ptr<TsSkinManager> manager;
};

}  // namespace

TEST(SkinSources, TheSampleLoadsAlikeFromItsFolderItsPackedFileAndBothKindsOfStoredSkin) {
    SampleSkinDir samples;
    auto folder = ManagerOn(samples.Path());
    folder->SetSkinName("SAMPLE");
    ASSERT_TRUE(folder->Active());
    EXPECT_FALSE(folder->IsPacked());
    EXPECT_EQ(folder->SkinData()->SkinPath, samples.Path() + "SAMPLE\\");
    EXPECT_TRUE(folder->SkinData()->Active);
    // Every section the library names is there.
    for (const char* name :
         {"GLOBALINFO", "EDIT", "COMBOBOX", "COMBOBTN", "BUTTON", "PANEL", "PANEL_LOW", "STATUSBAR", "PAGECONTROL",
          "TABSHEET", "TABTOP", "TABBOTTOM", "TABLEFT", "TABRIGHT", "TOOLBAR", "TOOLBUTTON", "DRAGBAR", "SPLITTER",
          "GROUPBOX", "GAUGE", "CHECKBOX", "RADIOBUTTON", "TRACKBAR", "BAR", "BARTITLE", "SPEEDBUTTON", "SCROLLBTNTOP",
          "SCROLLBTNBOTTOM", "SCROLLBTNLEFT", "SCROLLBTNRIGHT", "SCROLLSLIDERV", "SCROLLSLIDERH", "SCROLLBAR1H",
          "SCROLLBAR1V", "SCROLLBAR2H", "SCROLLBAR2V", "MENUITEM", "MENULINE", "MAINMENU", "DIVIDERV", "EXTRALINE",
          "ICOLINE", "UNKNOWN", "FORM", "FORMTITLE", "TITLEBAR", "TITLEBUTTON", "MDIAREA", "DIALOG"})
        EXPECT_GE(folder->GetSkinIndex(name), 0) << name;
    EXPECT_GT(folder->Masks.size(), 70u);
    EXPECT_EQ(folder->Patterns.size(), 1u);  // BIG.JPG
    EXPECT_EQ(folder->SkinInfo(), "6");

    auto packed = ManagerOn(samples.Path());
    packed->SetSkinName(samples.PackedName());
    ASSERT_TRUE(packed->Active());
    EXPECT_TRUE(packed->IsPacked());
    EXPECT_EQ(packed->SkinData()->SkinPath, samples.Path());
    ExpectSameSkin(*folder, *packed);

    // Stored in the program: the packed bytes as "Data", and the folder's skin as collections; both travel
    // through a form description, as a program carries them.
    TComponent form(nullptr);
    auto* author = new TsSkinManager(&form);
    author->SetName("SkinManager1");
    author->SetActive(false);
    StorePacked(author->InternalSkins()->Add(), samples.Skin);
    author->InternalSkins()->Items(0)->SetName("DATA");
    StoreCollections(author->InternalSkins()->Add(), "COLLECTIONS", *folder);
    std::string text = WriteComponentText(&form);
    EXPECT_NE(text.find("Data = {"), std::string::npos);

    TComponent copy(nullptr);
    ReadComponentText(text, &copy);
    auto* stored = dynamic_cast<TsSkinManager*>(copy.FindComponent("SkinManager1"));
    ASSERT_NE(stored, nullptr);
    ASSERT_EQ(stored->InternalSkins()->Count(), 2);
    stored->SetSkinDirectory(samples.Path());
    stored->SetActive(true);
    stored->SetSkinName("DATA");
    ASSERT_TRUE(stored->Active());
    EXPECT_TRUE(stored->IsPacked());
    EXPECT_EQ(stored->SkinData()->SkinPath, "");
    ExpectSameSkin(*folder, *stored);
    stored->SetSkinName("COLLECTIONS");
    ASSERT_TRUE(stored->Active());
    EXPECT_FALSE(stored->IsPacked());
    ExpectSameSkin(*folder, *stored);
    EXPECT_EQ(stored->SkinData()->Shadow1Offset, 2);
    EXPECT_EQ(stored->SkinData()->Version, 6.0);
}

TEST(SkinSources, AFolderIsPreferredToAStoredSkinAndAnUnknownNameTakesTheFirstStoredSkin) {
    SampleSkinDir samples;
    auto manager = ManagerOn(samples.Path());
    StorePacked(manager->InternalSkins()->Add(), MakeSampleSkin("FIRST"));
    StorePacked(manager->InternalSkins()->Add(), MakeSampleSkin("SAMPLE"));
    manager->SetSkinName("SAMPLE");
    EXPECT_EQ(manager->SkinData()->SkinPath, samples.Path() + "SAMPLE\\");
    manager->SetSkinName("nothing of that name");
    EXPECT_TRUE(manager->Active());
    EXPECT_EQ(manager->SkinName(), "FIRST");
    EXPECT_TRUE(manager->IsPacked());
    // Names of stored skins are compared with case.
    EXPECT_EQ(manager->InternalSkins()->IndexOf("first"), -1);
    EXPECT_EQ(manager->InternalSkins()->IndexOf("FIRST"), 0);
}

TEST(SkinSources, WhatCannotBeFoundOrReadEndsAsNoSkin) {
    TempDir dir;
    auto manager = ManagerOn(dir.Path());
    manager->SetSkinName("MISSING");
    EXPECT_FALSE(manager->Active());
    EXPECT_TRUE(manager->Sections.empty());
    EXPECT_FALSE(manager->SkinData()->Active);
    EXPECT_EQ(manager->SkinInfo(), "N/A");
    EXPECT_FALSE(acSkinLoading);
    // A packed file without a description, and stored data that is damaged.
    WriteFileBytes(dir.File("NOOPTIONS.vqz"), PackItems({PackedItemOf("MASTER.BMP", FlatBmp(4, 4, 0xFF))}));
    manager->SetActive(true);
    manager->SetSkinName("NOOPTIONS");
    EXPECT_FALSE(manager->Active());
    EXPECT_FALSE(acSkinLoading);
    std::string damaged = PackSkin(MakeSampleSkin());
    damaged.resize(damaged.size() / 2);
    TsStoredSkin* stored = manager->InternalSkins()->Add();
    stored->SetName("HALF");
    stored->Data()->WriteBuffer(damaged.data(), static_cast<long>(damaged.size()));
    manager->SetActive(true);
    manager->SetSkinName("HALF");
    EXPECT_FALSE(manager->Active());
    EXPECT_TRUE(manager->Masks.empty());
    EXPECT_EQ(manager->MasterBitmap, nullptr);
    EXPECT_EQ(manager->ConstData.ComboBtn.SkinIndex, -1);
}

TEST_F(SkinLoading, AnEmptySectionTakesEveryDefaultOfTheVocabulary) {
    Load("[GLOBALINFO]\r\nVERSION=5.5\r\nSHADOW1OFFSET=abc\r\nSHADOW1BLUR=x\r\n[EMPTY]\r\n");
    EXPECT_EQ(manager->SkinData()->Version, 5.5);
    EXPECT_EQ(manager->SkinInfo(), "5.5");
    // A value that is no number counts as absent.
    EXPECT_EQ(manager->SkinData()->Shadow1Offset, 0);
    EXPECT_EQ(manager->SkinData()->Shadow1Blur, -1);
    const TsGeneralData& s = Section(*manager, "EMPTY");
    EXPECT_EQ(s.ParentClass, "");
    EXPECT_EQ(s.Color, 0xFFFFFF);
    EXPECT_EQ(s.FontColor[0], 0);
    for (int c = 1; c < 5; ++c) {
        EXPECT_EQ(s.FontColor[c], -1);
        EXPECT_EQ(s.HotFontColor[c], -1);
    }
    EXPECT_FALSE(s.GiveOwnFont);
    EXPECT_EQ(s.GradientData, " ");
    EXPECT_TRUE(s.GradientArray.empty());
    EXPECT_EQ(s.FadingIterations, 5);
    EXPECT_EQ(s.HotColor, 0xFFFFFF);
    EXPECT_EQ(s.HotGradientData, "");
    EXPECT_EQ(s.Transparency, 0);
    // GLOBALINFO is a section too.
    EXPECT_EQ(manager->GetSkinIndex("GLOBALINFO"), 0);
}

TEST_F(SkinLoading, ValuesAreReadAsTheVocabularySays) {
    Load("[A]\r\nCOLOR=$0000FF\r\nGIVEOWNFONT=true\r\nSHOWFOCUS=1\r\nFADINGENABLED=TRUE\r\nTRANSPARENCY=0x20\r\n"
         "GRADIENTDATA=255;65280;50;0;0;65280;16711680;50;0;0\r\nHOTGRADIENTDATA=255;0;100;1;0\r\n"
         "GRADIENTPERCENT=bad\r\n[B]\r\nGRADIENTDATA=255;x;50;0;0\r\nCOLOR=-16777201\r\n");
    const TsGeneralData& a = Section(*manager, "A");
    EXPECT_EQ(a.Color, 0x0000FF);
    EXPECT_TRUE(a.GiveOwnFont);
    EXPECT_FALSE(a.ShowFocus);  // only the text "TRUE" in any case is true
    EXPECT_TRUE(a.FadingEnabled);
    EXPECT_EQ(a.Transparency, 0x20);
    EXPECT_EQ(a.GradientPercent, 0);
    ASSERT_EQ(a.GradientArray.size(), 2u);
    EXPECT_EQ(a.GradientArray[1].Color2, 16711680);
    ASSERT_EQ(a.HotGradientArray.size(), 1u);
    EXPECT_EQ(a.HotGradientArray[0].Mode, 1);
    const TsGeneralData& b = Section(*manager, "B");
    // A gradient that does not parse is no gradient; a system colour becomes its RGB value.
    EXPECT_TRUE(b.GradientArray.empty());
    EXPECT_EQ(b.Color, static_cast<TColor>(GetSysColor(COLOR_BTNFACE)));
}

TEST_F(SkinLoading, KeysAreInheritedAlongParentClassAndCyclesEndInTheDefault) {
    Load("[BASE]\r\nCOLOR=255\r\nFONTCOLOR=65280\r\nGRADIENTDATA=1;2;100;0;0\r\n"
         "[MID]\r\nPARENTCLASS=BASE\r\nFONTCOLOR=-1\r\n"
         "[LEAF]\r\nPARENTCLASS=MID\r\nCOLOR=-1\r\n"
         "[SELF]\r\nPARENTCLASS=SELF\r\nTRANSPARENCY=-1\r\n"
         "[PING]\r\nPARENTCLASS=PONG\r\n[PONG]\r\nPARENTCLASS=ping\r\n");
    const TsGeneralData& leaf = Section(*manager, "LEAF");
    EXPECT_EQ(leaf.ParentClass, "MID");
    EXPECT_EQ(leaf.Color, 255);          // -1 counts as absent and is inherited
    EXPECT_EQ(leaf.FontColor[0], 65280);  // through MID, whose -1 is absent too
    EXPECT_EQ(leaf.GradientArray.size(), 1u);
    EXPECT_EQ(Section(*manager, "SELF").Transparency, 0);
    // Two sections naming each other end in the defaults instead of running for ever.
    EXPECT_EQ(Section(*manager, "PING").Color, 0xFFFFFF);
    EXPECT_EQ(Section(*manager, "PONG").GradientData, " ");
    EXPECT_EQ(manager->GetMaskIndex(manager->GetSkinIndex("PING"), "PING", "BORDERSMASK"), -1);
    EXPECT_EQ(manager->GetPatternIndex(manager->GetSkinIndex("PONG"), "PONG", "PATTERN"), -1);
}

TEST_F(SkinLoading, EachSectionOfAParentLoopTakesTheFirstValueGoingRoundFromIt) {
    // A -> B -> C -> A, entered from T and from U (through C); lower case and a missing parent on the way.
    Load(
        "[T]\r\nPARENTCLASS=a\r\n[A]\r\nPARENTCLASS=B\r\nTRANSPARENCY=7\r\n"
        "[B]\r\nPARENTCLASS=C\r\nCOLOR=255\r\nFONTCOLOR=x\r\nSHOWFOCUS=?\r\n"
        "[C]\r\nPARENTCLASS=A\r\nFONTCOLOR=65280\r\nGRADIENTDATA=1;2;100;0;0\r\nSHOWFOCUS=TRUE\r\n"
        "[U]\r\nPARENTCLASS=C\r\nCOLOR=-1\r\n[V]\r\nPARENTCLASS=NOWHERE\r\n[W]\r\nPARENTCLASS=V\r\n");
    auto color = [&](const char* s) { return Section(*manager, s).Color; };
    auto font = [&](const char* s) { return Section(*manager, s).FontColor[0]; };
    auto transparency = [&](const char* s) { return Section(*manager, s).Transparency; };
    EXPECT_EQ(color("A"), 255);  // A, then B
    EXPECT_EQ(color("B"), 255);
    EXPECT_EQ(color("C"), 255);   // C, A, then B
    EXPECT_EQ(font("A"), 65280);  // A, B (no number), then C
    EXPECT_EQ(font("B"), 65280);
    EXPECT_EQ(transparency("B"), 7);  // B, C, then A
    EXPECT_EQ(transparency("C"), 7);
    EXPECT_EQ(Section(*manager, "A").GradientArray.size(), 1u);
    EXPECT_TRUE(Section(*manager, "A").ShowFocus);  // "?" counts as absent: B's is C's
    EXPECT_TRUE(Section(*manager, "B").ShowFocus);
    // Sections that lead into the loop take what the loop gives from where they enter it.
    EXPECT_EQ(color("T"), 255);
    EXPECT_EQ(transparency("T"), 7);
    EXPECT_EQ(color("U"), 255);
    EXPECT_EQ(transparency("U"), 7);
    EXPECT_EQ(font("U"), 65280);
    // A parent the description does not have ends the chain in the defaults.
    EXPECT_EQ(color("W"), 0xFFFFFF);
    EXPECT_EQ(font("W"), 0);
    // The lookups of images along such a loop end where it closes.
    int a = manager->GetSkinIndex("A");
    EXPECT_EQ(manager->GetMaskIndex(a, "A", "BORDERSMASK"), -1);
    EXPECT_EQ(manager->GetTextureIndex(manager->GetSkinIndex("T"), "T", "PATTERN"), -1);
}

TEST_F(SkinLoading, EveryImageFormatGivesItsFields) {
    std::string options =
        "[GLOBALINFO]\r\nMASTERBITMAP=M.BMP\r\n"
        "[S]\r\n"
        "TEX=~0000,0000,0030,0010,00\r\n"         // 23 characters: no mask type
        "TEXM=~0000,0000,0030,0020,10,1\r\n"      // 25 characters: mask type 1
        "GLYPH=@0000,0000,0030,0020,3,1\r\n"
        "BORDER=^0000,0000,0060,0040,0000,0000,0000,0000,3,1,2,3\r\n"
        "DERIVED=^0000,0000,0060,0040,0000,0000,0000,0000,3,1,0,0\r\n"
        "WIDTHS=^0000,0000,0060,0040,0001,0002,0003,0004,3,1,1,0\r\n"
        "HASH=#(10,20,40,44)(3,0,4)\r\n"
        "HASHZERO=#(0,0,30,30)(0,-2,,)\r\n"
        "FILE=!F.BMP!2!0!1!5!6!7!8\r\n"
        "FILENOW=!F.BMP!3!1!2\r\n"
        "SIXWORDS=!F.BMP!3!1!0!5!6\r\n"
        "PLAIN=p.bmp\r\n"
        "OUTSIDE=^0050,0050,0200,0070,0001,0001,0001,0001,1,0,0,0\r\n"
        "NONUMBER=@00x0,0000,0030,0020,3,1\r\n"
        "SHORT=^0000,0000,0060,0040,0001\r\n"
        "NOFILE=NONE.BMP\r\n"
        "TEXT=just words\r\n";
    Load(options, {{"M.BMP", FlatBmp(100, 60, 0x00FF00)}, {"F.BMP", FlatBmp(30, 20, 0x0000FF)},
                   {"P.BMP", FlatBmp(60, 40, 0xFF0000)}});
    TsSkinManager& m = *manager;
    EXPECT_EQ(m.MasterBitmap->PixelFormat(), pf24bit);
    EXPECT_TRUE(m.MasterBitmap->Transparent());
    EXPECT_EQ(m.MasterBitmap->TransparentColor(), clFuchsia);

    const TsMaskData& tex = Mask(m, "S", "TEX");
    EXPECT_EQ(tex.ImgType, itisaTexture);
    EXPECT_EQ(tex.MaskType, 0);
    EXPECT_EQ(tex.ImageCount, 1);
    EXPECT_TRUE(tex.R == TRect(0, 0, 30, 10));
    EXPECT_EQ(tex.Bmp, nullptr);
    const TsMaskData& texm = Mask(m, "S", "TEXM");
    EXPECT_EQ(texm.MaskType, 1);
    EXPECT_EQ(texm.DrawMode, 10);
    const TsMaskData& glyph = Mask(m, "S", "GLYPH");
    EXPECT_EQ(glyph.ImgType, itisaGlyph);
    EXPECT_EQ(glyph.ImageCount, 3);
    EXPECT_EQ(glyph.MaskType, 1);
    EXPECT_EQ(glyph.WL, 30 / 9);
    EXPECT_EQ(glyph.WT, 20 / 6);
    const TsMaskData& border = Mask(m, "S", "BORDER");
    EXPECT_EQ(border.ImgType, itisaBorder);
    EXPECT_EQ(border.BorderWidth, 3);
    EXPECT_EQ(border.DrawMode, 2);
    EXPECT_EQ(border.WL, 3);  // all widths 0: the border width
    EXPECT_EQ(border.WB, 3);
    const TsMaskData& derived = Mask(m, "S", "DERIVED");
    EXPECT_EQ(derived.WL, 60 / 9);
    EXPECT_EQ(derived.WT, 40 / 6);
    const TsMaskData& widths = Mask(m, "S", "WIDTHS");
    EXPECT_EQ(widths.WL, 1);
    EXPECT_EQ(widths.WT, 2);
    EXPECT_EQ(widths.WR, 3);
    EXPECT_EQ(widths.WB, 4);
    EXPECT_EQ(widths.DrawMode, 1);
    // "#" names are upper-cased; missing parameters take their defaults; counts below 1 and mask types below 0
    // are raised.
    const TsMaskData& hash = Mask(m, "S", "HASH");
    EXPECT_TRUE(hash.R == TRect(10, 20, 40, 44));
    EXPECT_EQ(hash.DrawMode, 1);
    EXPECT_EQ(hash.WL, 4);
    const TsMaskData& zero = Mask(m, "S", "HASHZERO");
    EXPECT_EQ(zero.ImageCount, 1);
    EXPECT_EQ(zero.MaskType, 0);
    EXPECT_EQ(zero.BorderWidth, 0);
    const TsMaskData& file = Mask(m, "S", "FILE");
    ASSERT_NE(file.Bmp, nullptr);
    EXPECT_EQ(file.Bmp->PixelFormat(), pf24bit);  // a texture too
    EXPECT_EQ(file.ImgType, itisaTexture);
    EXPECT_EQ(file.DrawMode, 4);
    EXPECT_TRUE(file.R == TRect(0, 0, 30, 20));
    EXPECT_EQ(file.WR, 7);
    const TsMaskData& now = Mask(m, "S", "FILENOW");
    EXPECT_EQ(now.WL, 30 / 9);
    EXPECT_EQ(now.WT, 20 / 6);
    // Five to seven words: the widths are not all there, so they are derived.
    EXPECT_EQ(Mask(m, "S", "SIXWORDS").WL, 30 / 9);
    const TsMaskData& plain = Mask(m, "S", "PLAIN");
    EXPECT_EQ(plain.ImageCount, 3);
    EXPECT_EQ(plain.MaskType, 1);
    EXPECT_TRUE(plain.R == TRect(0, 0, 60, 40));
    EXPECT_EQ(plain.WL, 60 / 9);
    // Left out: outside the master bitmap, a field that is no number, a short fixed-width value, a missing file.
    for (const char* key : {"OUTSIDE", "NONUMBER", "SHORT", "NOFILE", "TEXT"})
        EXPECT_EQ(m.GetMaskIndexByName("S", key), -1) << key;
    EXPECT_EQ(m.Masks.size(), 12u);
}

TEST_F(SkinLoading, JpegTexturesBelowNinetyThousandPixelsBecomeImages) {
    auto jpeg = [](int w, int h) { return JpegFile(w, h, [](int x, int) { return static_cast<SampleColor>(x); }); };
    Load("[S]\r\nSMALL=a.jpg\r\nEDGE=B.JPEG\r\nBIG=C.JPG\r\n[GLOBALINFO]\r\nMASTERBITMAP=NONE.BMP\r\n",
         {{"A.JPG", jpeg(16, 8)}, {"B.JPEG", jpeg(299, 300)}, {"C.JPG", jpeg(300, 300)}});
    TsSkinManager& m = *manager;
    // No master bitmap file: an empty 24-bit master bitmap all the same.
    ASSERT_NE(m.MasterBitmap, nullptr);
    EXPECT_TRUE(m.MasterBitmap->Empty());
    ASSERT_EQ(m.Masks.size(), 2u);
    const TsMaskData& small = Mask(m, "S", "SMALL");
    ASSERT_NE(small.Bmp, nullptr);
    EXPECT_EQ(small.Bmp->PixelFormat(), pf24bit);
    EXPECT_TRUE(small.R == TRect(0, 0, 16, 8));
    EXPECT_EQ(small.ImgType, itisaTexture);  // found as the section's texture
    EXPECT_EQ(m.GetTextureIndex(m.GetSkinIndex("S"), "S", "SMALL"), m.GetMaskIndexByName("S", "SMALL"));
    EXPECT_EQ(Mask(m, "S", "EDGE").R.Width(), 299);
    ASSERT_EQ(m.Patterns.size(), 1u);
    EXPECT_EQ(m.Patterns[0].ClassName, "S");
    EXPECT_EQ(m.Patterns[0].PropertyName, "BIG");
    EXPECT_EQ(m.GetPatternIndex(m.GetSkinIndex("S"), "S", "BIG"), 0);
}

TEST_F(SkinLoading, ImageNamesAreUpperCasedInTheNewerFormatsOnly) {
    Load("[GLOBALINFO]\r\nMASTERBITMAP=M.BMP\r\n[Low]\r\nhash=#(0,0,9,9)(1,0,0,0)\r\nplain=F.BMP\r\n"
         "tex=~0000,0000,0009,0009,00\r\nglyph=@0000,0000,0009,0009,1,0\r\nfile=!F.BMP!1!0!0\r\n",
         {{"M.BMP", FlatBmp(10, 10, 0xFF)}, {"F.BMP", FlatBmp(9, 9, 0xFF)}});
    TsSkinManager& m = *manager;
    EXPECT_GE(m.GetMaskIndexByName("LOW", "HASH"), 0);
    EXPECT_GE(m.GetMaskIndexByName("LOW", "PLAIN"), 0);
    EXPECT_GE(m.GetMaskIndexByName("Low", "tex"), 0);
    EXPECT_GE(m.GetMaskIndexByName("Low", "glyph"), 0);
    EXPECT_GE(m.GetMaskIndexByName("Low", "file"), 0);
    // Section lookups are exact.
    EXPECT_EQ(m.GetSkinIndex("LOW"), -1);
    EXPECT_GE(m.GetSkinIndex("Low"), 0);
}

TEST(SkinLookups, ParentsLendTheirImagesAndTheCacheFollowsTheSkin) {
    SampleSkinDir samples;
    auto manager = ManagerOn(samples.Path());
    manager->SetSkinName("SAMPLE");
    TsSkinManager& m = *manager;
    int tabRight = m.GetSkinIndex("TABRIGHT"), tabSheet = m.GetSkinIndex("TABSHEET");
    int sheetBorder = m.GetMaskIndex(tabSheet, "TABSHEET", "BORDERSMASK");
    ASSERT_GE(sheetBorder, 0);
    // TABRIGHT -> TABTOP -> TABSHEET; a child's own image shadows its parent's.
    EXPECT_EQ(m.GetMaskIndex(tabRight, "TABRIGHT", "BORDERSMASK"), sheetBorder);
    EXPECT_EQ(m.GetMaskIndexByName("TABRIGHT", "BORDERSMASK"), -1);
    int edgeBorder = m.GetMaskIndexByName("EDIT", "BORDERSMASK");
    EXPECT_EQ(m.GetMaskIndex(m.GetSkinIndex("EDIT"), "EDIT", "BORDERSMASK"), edgeBorder);
    EXPECT_NE(edgeBorder, m.GetMaskIndexByName("PANEL", "BORDERSMASK"));
    EXPECT_EQ(m.GetMaskIndex(-1, "EDIT", "BORDERSMASK"), -1);
    EXPECT_EQ(m.GetMaskIndex(0, "", "BORDERSMASK"), -1);
    EXPECT_EQ(m.GetSkinIndex("edit"), -1);
    // The dialog finds the form's large JPEG texture; the combo button's textures are textures.
    EXPECT_EQ(m.GetPatternIndex(m.GetSkinIndex("DIALOG"), "DIALOG", "PATTERN"), 0);
    EXPECT_EQ(m.GetTextureIndex(m.GetSkinIndex("BUTTON"), "BUTTON", "BORDERSMASK"), -1);
    EXPECT_EQ(m.GetGlobalColor(), 15790320);

    const TacConstData& c = m.ConstData;
    EXPECT_EQ(c.IndexGlobalInfo, 0);
    EXPECT_EQ(c.CheckBoxChecked, m.GetMaskIndexByName("GLOBALINFO", "BOXCHECKED"));
    EXPECT_EQ(c.SmallCheckBoxGrayed, m.GetMaskIndexByName("GLOBALINFO", "SMALLGRAYED"));
    EXPECT_EQ(c.ComboBtn.MaskIndex, m.GetMaskIndexByName("COMBOBTN", "BORDERSMASK"));
    EXPECT_EQ(c.ComboBtn.Texture, m.GetMaskIndexByName("COMBOBTN", "PATTERN"));
    EXPECT_EQ(c.ComboBtn.HotTexture, m.GetMaskIndexByName("COMBOBTN", "HOTPATTERN"));
    EXPECT_EQ(c.ComboBtn.GlyphIndex, m.GetMaskIndexByName("COMBOBOX", "GLYPHMASK"));
    EXPECT_EQ(c.TabTop.MaskIndex, sheetBorder);
    EXPECT_EQ(c.TabBottom.MaskIndex, m.GetMaskIndexByName("TABBOTTOM", "BORDERSMASK"));
    EXPECT_EQ(c.ScrollSliderV.MaskIndex, m.GetMaskIndexByName("SCROLLSLIDERV", "BORDERSMASK"));
    EXPECT_EQ(c.ScrollBtnLeft.GlyphIndex, m.GetMaskIndexByName("SCROLLBTNLEFT", "GLYPHMASK"));
    EXPECT_EQ(c.ScrollBar2V.MaskIndex, m.GetMaskIndexByName("SCROLLBAR1V", "BORDERSMASK"));  // from its parent
    EXPECT_EQ(c.ScrollBar2V.HotTexture, m.GetMaskIndexByName("SCROLLBAR2V", "HOTPATTERN"));
    for (const TacSectionIndexes* e : {&c.ComboBtn, &c.TabTop, &c.TabBottom, &c.TabLeft, &c.TabRight, &c.ScrollBtnTop,
                                       &c.ScrollBtnBottom, &c.ScrollBtnLeft, &c.ScrollBtnRight, &c.ScrollSliderV,
                                       &c.ScrollSliderH, &c.ScrollBar1H, &c.ScrollBar1V, &c.ScrollBar2H,
                                       &c.ScrollBar2V}) {
        EXPECT_GE(e->SkinIndex, 0);
        EXPECT_GE(e->MaskIndex, 0);
    }
    m.SetActive(false);
    const TacConstData none;
    EXPECT_EQ(std::memcmp(&m.ConstData, &none, sizeof(TacConstData)), 0);
    EXPECT_EQ(m.ConstData.CheckBoxChecked, -1);
    EXPECT_EQ(m.GetGlobalFontColor(), clFuchsia);
    EXPECT_EQ(m.GetGlobalColor(), ColorToRGB(clBtnFace));
}

TEST(SkinLookups, MaskSizesCountStatesAndMaskHalves) {
    TsSkinManager m(nullptr);
    m.MasterBitmap = std::make_unique<TBitmap>();
    TsMaskData own;
    own.Bmp = std::make_shared<TBitmap>();
    own.R = TRect(0, 0, 60, 40);
    own.ImageCount = 2;
    own.MaskType = 1;
    m.Masks.push_back(own);
    TsMaskData first = own, second = own;
    first.Bmp = nullptr;
    first.R = TRect(0, 0, 90, 30);
    first.ImageCount = 0;
    first.MaskType = -3;
    first.BorderWidth = 4;
    second.Bmp = nullptr;
    second.WL = 7;
    second.WR = 0;
    m.Masks.push_back(first);
    m.Masks.push_back(second);
    m.Masks.push_back(second);
    TSize size = m.GetMaskFrameSize(0);
    EXPECT_EQ(size.cx, 30);
    EXPECT_EQ(size.cy, 20);
    size = m.GetMaskFrameSize(1);  // no states counts as one; a negative mask type as none
    EXPECT_EQ(size.cx, 90);
    EXPECT_EQ(size.cy, 30);
    EXPECT_EQ(m.GetMaskFrameSize(9).cx, 0);
    EXPECT_EQ(m.MaskWidthLeft(1), 4);
    EXPECT_EQ(m.MaskWidthLeft(2), 7);
    EXPECT_EQ(m.MaskWidthRight(2), 60 / 6);
    EXPECT_EQ(m.MaskWidthBottom(2), 40 / 6);
    m.Masks[1].BorderWidth = 0;
    EXPECT_EQ(m.MaskWidthLeft(1), 30);
    EXPECT_EQ(m.Masks[1].ImageCount, 1);  // the left width stores the one state it counted
    EXPECT_EQ(m.MaskWidthBottom(1), 10);
    // Two images of the same names: the first is found.
    EXPECT_EQ(m.GetMaskIndexByName("", ""), -1);
    m.Masks[2].ClassName = m.Masks[3].ClassName = "X";
    m.Masks[2].PropertyName = m.Masks[3].PropertyName = "K";
    EXPECT_EQ(m.GetMaskIndexByName("X", "K"), 2);
}

TEST_F(SkinLoading, CommonSectionsAreMergedOverEverySkin) {
    WriteSkin(dir.Path(), "T",
              "[GLOBALINFO]\r\nMASTERBITMAP=M.BMP\r\n[EDIT]\r\nCOLOR=255\r\nFONTCOLOR=128\r\nTRANSPARENCY=30\r\n"
              "GRADIENTDATA=1;2;100;0;0\r\n[PANEL]\r\nCOLOR=16711680\r\nTRANSPARENCY=40\r\n",
              {{"M.BMP", FlatBmp(40, 40, 0xFF)}, {"C.BMP", FlatBmp(12, 8, 0xFF00)},
               {"C.JPG", JpegFile(8, 8, [](int, int) { return 0x808080u; })}});
    manager = ManagerOn(dir.Path());
    manager->SetSkinName("T");
    TStringList common;
    common.SetText("; a comment keeps its blanks\r\n[EDIT]\r\nCOLOR = 0x00FF00\r\nTRANSPARENCY=-1\r\n"
                   "[NEW ONE]\r\nPARENTCLASS = panel\r\nFONTCOLOR=?\r\nHOTFONTCOLOR=7\r\n"
                   "BORDERSMASK=#(0,0,20,20)(1,0,2,0)\r\nGLYPH=" + dir.Path() + "T\\C.BMP\r\nTEX=" + dir.Path() +
                   "T\\C.JPG\r\n");
    manager->SetCommonSections(&common);
    TsSkinManager& m = *manager;
    EXPECT_EQ(m.CommonSections()->Strings(0), "; a comment keeps its blanks");
    EXPECT_EQ(m.CommonSections()->Strings(2), "COLOR=0x00FF00");
    ASSERT_TRUE(m.Active());
    // Only the colour of the existing section changes.
    const TsGeneralData& edit = Section(m, "EDIT");
    EXPECT_EQ(edit.Color, 0x00FF00);
    EXPECT_EQ(edit.FontColor[0], 128);
    EXPECT_EQ(edit.Transparency, 30);
    EXPECT_EQ(edit.GradientArray.size(), 1u);
    // A new section falls back on the section its PARENTCLASS names (compared upper-cased).
    const TsGeneralData& added = Section(m, "NEWONE");
    EXPECT_EQ(added.ParentClass, "PANEL");
    EXPECT_EQ(added.Color, 16711680);
    EXPECT_EQ(added.Transparency, 40);
    EXPECT_EQ(added.HotFontColor[0], 7);
    EXPECT_EQ(added.FontColor[0], 0);
    EXPECT_GE(m.GetMaskIndexByName("NEWONE", "BORDERSMASK"), 0);
    const TsMaskData& glyph = Mask(m, "NEWONE", "GLYPH");
    EXPECT_EQ(glyph.ImageCount, 3);
    EXPECT_EQ(glyph.Bmp->PixelFormat(), pf24bit);
    ASSERT_EQ(m.Patterns.size(), 1u);  // small or not, a common texture stays a texture
    EXPECT_EQ(m.Patterns[0].PropertyName, "TEX");
    // The common sections stay for the next skin.
    m.SetSkinName("T");
    EXPECT_EQ(Section(m, "EDIT").Color, 0x00FF00);
}

TEST(SkinRecolouring, HueAndSaturationApplyToAFreshLoadEveryTime) {
    SampleSkinDir samples;
    auto plain = ManagerOn(samples.Path());
    plain->SetSkinName("SAMPLE");
    auto tinted = ManagerOn(samples.Path());
    tinted->SetSkinName("SAMPLE");
    tinted->SetHueOffset(0);
    ExpectSameSkin(*plain, *tinted);  // 0 changes nothing at all

    tinted->SetHueOffset(60);
    tinted->SetHueOffset(90);
    tinted->SetHueOffset(60);  // not 60 + 90 + 60: every change reloads
    TsSkinManager& t = *tinted;
    TsSkinManager& p = *plain;
    TBitmap* before = p.MasterBitmap.get();
    TBitmap* after = t.MasterBitmap.get();
    // Magenta, grey and every other pixel.
    EXPECT_EQ(after->PixelColor(200, 100), clFuchsia);
    EXPECT_EQ(after->PixelColor(10, 100), 0x808080);
    EXPECT_EQ(after->PixelColor(70, 100), ChangeHue(60, before->PixelColor(70, 100)));
    const TsGeneralData& button = Section(t, "BUTTON");
    EXPECT_EQ(button.Color, ChangeHue(60, Section(p, "BUTTON").Color));
    EXPECT_EQ(button.FontColor[3], -1);  // no outline stays no outline
    EXPECT_EQ(button.GradientArray[0].Color1, ChangeHue(60, 255));
    EXPECT_EQ(button.HotGradientArray[0].Color2, ChangeHue(60, 12632256));
    EXPECT_EQ(t.SkinData()->BorderColor, ChangeHue(60, 8421504));
    const TsMaskData& edge = Mask(t, "EDIT", "BORDERSMASK");
    EXPECT_EQ(edge.Bmp->PixelColor(20, 5), ChangeHue(60, Mask(p, "EDIT", "BORDERSMASK").Bmp->PixelColor(20, 5)));

    tinted->SetHueOffset(0);
    tinted->SetSaturation(30);
    EXPECT_EQ(Section(t, "BUTTON").Color, ChangeSaturation(Section(p, "BUTTON").Color, -30));
    tinted->SetSaturation(150);
    EXPECT_EQ(Section(t, "BUTTON").Color, ChangeSaturation(Section(p, "BUTTON").Color, -49));
    tinted->SetSaturation(-150);
    EXPECT_EQ(Section(t, "BUTTON").Color, ChangeSaturation(Section(p, "BUTTON").Color, 49));
    tinted->SetSaturation(-100);
    EXPECT_EQ(Section(t, "COMBOBTN").Color, ChangeSaturation(Section(p, "COMBOBTN").Color, 100));
    EXPECT_EQ(t.MasterBitmap->PixelColor(200, 100), clFuchsia);
}

TEST(StoredSkins, FontColoursOfStoredSectionsNeedExactlyFiveNumbers) {
    TsSkinManager m(nullptr);
    m.SetActive(false);
    TsStoredSkin* stored = m.InternalSkins()->Add();
    stored->SetName("S");
    EXPECT_EQ(stored->Shadow1Blur, -1);
    EXPECT_EQ(stored->BorderColor, clFuchsia);
    auto add = [&](const char* name, const char* fonts) {
        TsSkinGeneral* g = stored->GeneralData()->Add();
        g->SectionName = name;
        g->FontColor = fonts;
        g->HotFontColor = "1 2 3 4 5";
        g->GradientData = "1;2;100;0;0";
    };
    add("FOUR", "1 2 3 4");
    add("FIVE", "10 -1 12 13 14");
    add("WORD", "1 2 x 4 5");
    m.SetActive(true);
    m.SetSkinName("S");
    ASSERT_TRUE(m.Active());
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(Section(m, "FOUR").FontColor[c], 0);
        EXPECT_EQ(Section(m, "WORD").FontColor[c], 0);
        EXPECT_EQ(Section(m, "FOUR").HotFontColor[c], c + 1);
    }
    EXPECT_EQ(Section(m, "FIVE").FontColor[1], -1);
    EXPECT_EQ(Section(m, "FIVE").FontColor[4], 14);
    EXPECT_EQ(Section(m, "FIVE").GradientArray.size(), 1u);
    // Assigning collections copies their items; assigning stored skins changes nothing.
    TsSkinGenerals copy(nullptr);
    copy.Assign(stored->GeneralData());
    ASSERT_EQ(copy.Count(), 3);
    EXPECT_EQ(copy.Items(1)->FontColor, "10 -1 12 13 14");
    TsStoredSkins other(nullptr);
    other.Add()->SetName("OTHER");
    m.SetInternalSkins(&other);
    EXPECT_EQ(m.InternalSkins()->Count(), 1);
    EXPECT_EQ(m.InternalSkins()->Items(0)->Name(), "S");
}
