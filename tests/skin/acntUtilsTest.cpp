#include "skin/engine/acntUtils.h"

#include "tests/support/TempDir.h"

#include "classlib/runtime/FormResources.h"
#include "classlib/runtime/SysUtils.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <shellapi.h>

TEST(Rectangles, WidthsAreNegativeUnlessChecked) {
    TRect r(10, 10, 4, 2);
    EXPECT_EQ(WidthOf(r), -6);
    EXPECT_EQ(HeightOf(r), -8);
    EXPECT_EQ(WidthOf(r, true), 0);
    EXPECT_EQ(HeightOf(r, true), 0);
    EXPECT_EQ(WidthOf(Rect(1, 2, 11, 7)), 10);
}

TEST(Rectangles, IntersectionNeedsOverlapAndANonEmptySecondRectangle) {
    TRect a(0, 0, 10, 10);
    EXPECT_TRUE(RectsIntersect(a, Rect(5, 5, 15, 15)));
    EXPECT_FALSE(RectsIntersect(a, Rect(10, 0, 20, 10)));  // touching edges do not overlap
    EXPECT_FALSE(RectsIntersect(a, Rect(2, 2, 2, 8)));     // empty
    TRect r;
    SetRectValues(1, 2, 3, 4, r);
    EXPECT_EQ(r, Rect(1, 2, 3, 4));
}

TEST(Numbers, SmallHelpers) {
    EXPECT_EQ(Maxi(3, -4), 3);
    EXPECT_EQ(Mini(3, -4), -4);
    EXPECT_TRUE(IsBetween(5, 5, 6));
    EXPECT_FALSE(IsBetween(7, 5, 6));
    EXPECT_EQ(iff(true, "a", "b"), "a");
    EXPECT_EQ(iffi(false, 1, 2), 2);
    EXPECT_EQ(LimitToByte(-1), 0);
    EXPECT_EQ(LimitToByte(256), 255);
    EXPECT_EQ(LimitToByte(17), 17);
}

TEST(Numbers, CaptionFontMetricComesFromTheSystem) {
    NONCLIENTMETRICSA m = {};
    m.cbSize = sizeof m;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0));
    EXPECT_EQ(GetCaptionFontMetric(), m.lfCaptionFont.lfHeight);
    EXPECT_NE(GetCaptionFontMetric(), 0);
}

TEST(Words, RunsOfDelimitersMakeNoEmptyWords) {
    std::string s = ";;a;;b;";
    EXPECT_EQ(WordCount(s, ";"), 2);
    EXPECT_EQ(ExtractWord(2, s, ";"), "b");
    EXPECT_EQ(WordPosition(1, s, ";"), 3);
    EXPECT_EQ(WordPosition(2, s, ";"), 6);
    EXPECT_EQ(WordPosition(3, s, ";"), 0);
    EXPECT_EQ(ExtractWord(3, s, ";"), "");
    EXPECT_EQ(ExtractWord(0, s, ";"), "");
    EXPECT_EQ(WordCount("", ";"), 0);
    EXPECT_EQ(WordCount("one two,three", " ,"), 3);
    EXPECT_EQ(ExtractWord(3, "one two,three", " ,"), "three");
}

TEST(Words, DelCharsRemovesEveryOccurrence) {
    EXPECT_EQ(DelChars("a-b--c-", '-'), "abc");
    EXPECT_EQ(DelChars("", '-'), "");
}

TEST(Words, ReplaceStrGoesOnAfterEachReplacement) {
    EXPECT_EQ(ReplaceStr("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(ReplaceStr("abcabc", "bc", "X"), "aXaX");
    EXPECT_EQ(ReplaceStr("abc", "x", "y"), "abc");
    EXPECT_EQ(ReplaceStr("abab", "ab", ""), "");
}

TEST(Words, ReplaceStrWithNothingToSearchForLeavesTheText) {
    EXPECT_EQ(ReplaceStr("abc", "", "x"), "abc");
    EXPECT_EQ(ReplaceStr("", "", "x"), "");
}

TEST(IniText, SectionsAndKeysAreReadFromLines) {
    TStringList lines;
    lines.SetText("ignored=1\r\n; comment\r\n\r\n[One]\r\nA=1\r\nHex=0x1F\r\nShort=0x\r\nA=2\r\n[Two]\r\nb=x=y\r\n");
    TStringList sections;
    LoadIniFromStrings(&lines, &sections);
    ASSERT_EQ(sections.Count(), 2);
    EXPECT_EQ(sections[0], "One");
    EXPECT_EQ(ReadIniString(&sections, "One", "A", "d"), "1");  // the first line of the key
    EXPECT_EQ(ReadIniString(&sections, "one", "a", "d"), "1");
    EXPECT_EQ(ReadIniString(&sections, "Two", "B", "d"), "x=y");
    EXPECT_EQ(ReadIniString(&sections, "Two", "ignored", "d"), "d");
    EXPECT_EQ(ReadIniString(&sections, "Three", "A", "d"), "d");
    EXPECT_EQ(ReadIniHex(&sections, "One", "Hex", -1), 31);
    EXPECT_EQ(ReadIniHex(&sections, "One", "Short", -1), -1);
    EXPECT_EQ(ReadIniHex(&sections, "One", "A", -1), 1);
    EXPECT_EQ(ReadIniHex(&sections, "Two", "B", -7), -7);
    // Loading again frees the old section lists and starts afresh.
    lines.SetText("[Only]\r\nk=v\r\n");
    LoadIniFromStrings(&lines, &sections);
    EXPECT_EQ(sections.Count(), 1);
    EXPECT_EQ(ReadIniString(&sections, "One", "A", "gone"), "gone");
}

TEST(IniText, HexTexts) {
    EXPECT_EQ(HexTextToInt("0x1F", 0), 31);
    EXPECT_EQ(HexTextToInt("0XfF", 0), 255);
    EXPECT_EQ(HexTextToInt("0x", 5), 5);
    EXPECT_EQ(HexTextToInt("12", 0), 12);
    EXPECT_EQ(HexTextToInt("zz", 9), 9);
    EXPECT_EQ(HexTextToInt("$10", 0), 16);
}

namespace {

enum TTestStyle { tsBold, tsItalic, tsBoldItalic };
using TTestStyles = Set<TTestStyle>;

// A class with a few published properties, as the grid adapters read them from other controls.
class TPropertyHolder : public TComponent {
    CLASS_INFO(TPropertyHolder, TComponent)
public:
    using TComponent::TComponent;
    int Width() const { return FWidth; }
    void SetWidth(int v) { FWidth = v; }
    TTestStyles Styles() const { return FStyles; }
    void SetStyles(TTestStyles v) { FStyles = v; }
    bool Flat() const { return FFlat; }
    void SetFlat(bool v) { FFlat = v; }
    TColor FixedColor() const { return FFixedColor; }
    void SetFixedColor(TColor v) { FFixedColor = v; }
    TFont* Font() { return &FFont; }

private:
    int FWidth = 5;
    TTestStyles FStyles;
    bool FFlat = false;
    TColor FFixedColor = clBtnFace;
    TFont FFont;
};

class TDerivedHolder : public TPropertyHolder {
    CLASS_INFO(TDerivedHolder, TPropertyHolder)
public:
    using TPropertyHolder::TPropertyHolder;
};

const bool registered = RegisterFormClass<TPropertyHolder>([](TFormClass<TPropertyHolder>& c) {
    c.Integer("Width", &TPropertyHolder::Width, &TPropertyHolder::SetWidth);
    c.SetOf("Styles", &TPropertyHolder::Styles, &TPropertyHolder::SetStyles, {"tsBold", "tsItalic", "tsBoldItalic"});
    c.Boolean("Flat", &TPropertyHolder::Flat, &TPropertyHolder::SetFlat);
    c.Color("FixedColor", &TPropertyHolder::FixedColor, &TPropertyHolder::SetFixedColor);
    c.Object("Font", &TPropertyHolder::Font);
}) && RegisterFormClass<TDerivedHolder>();

}  // namespace

TEST(PublishedProperties, AreFoundByNameOnDescendants) {
    ASSERT_TRUE(registered);
    TDerivedHolder holder(nullptr);
    TComponent other(nullptr);
    EXPECT_TRUE(HasProperty(&holder, "width"));
    EXPECT_FALSE(HasProperty(&holder, "Height"));
    EXPECT_FALSE(HasProperty(&other, "Width"));
    EXPECT_FALSE(HasProperty(nullptr, "Width"));
    EXPECT_EQ(GetIntProp(&holder, "Width"), 5);
    SetIntProp(&holder, "Width", 42);
    EXPECT_EQ(holder.Width(), 42);
    EXPECT_EQ(GetIntProp(&holder, "Height"), -1);
    SetIntProp(&other, "Width", 1);  // nothing happens
    EXPECT_EQ(GetIntProp(&holder, "FixedColor"), clBtnFace);
    SetIntProp(&holder, "FixedColor", 0x123456);
    EXPECT_EQ(holder.FixedColor(), 0x123456);
    EXPECT_EQ(GetIntProp(&holder, "Flat"), 0);
    SetIntProp(&holder, "Flat", 1);
    EXPECT_TRUE(holder.Flat());
    EXPECT_EQ(GetObjProp(&holder, "Font"), holder.Font());
    EXPECT_EQ(GetObjProp(&holder, "Width"), nullptr);
}

TEST(PublishedProperties, SetElementsAreChangedThroughTheirText) {
    TDerivedHolder holder(nullptr);
    ChangeSetProp(&holder, "Styles", "tsBold", true);
    ChangeSetProp(&holder, "Styles", "tsBoldItalic", true);
    ChangeSetProp(&holder, "Styles", "tsBold", true);  // already there
    EXPECT_EQ(holder.Styles(), (TTestStyles{tsBold, tsBoldItalic}));
    EXPECT_TRUE(SetPropHasElement(&holder, "Styles", "tsBoldItalic"));
    EXPECT_FALSE(SetPropHasElement(&holder, "Styles", "tsItalic"));
    ChangeSetProp(&holder, "Styles", "tsItalic", true);
    ChangeSetProp(&holder, "Styles", "tsItalic", false);  // the middle one
    EXPECT_EQ(holder.Styles(), (TTestStyles{tsBold, tsBoldItalic}));
    ChangeSetProp(&holder, "Styles", "tsBold", false);  // the first one, a prefix of the last
    EXPECT_EQ(holder.Styles(), (TTestStyles{tsBoldItalic}));
    ChangeSetProp(&holder, "Styles", "tsBoldItalic", false);  // the only one
    EXPECT_TRUE(holder.Styles().Empty());
    ChangeSetProp(&holder, "Styles", "tsItalic", false);
    EXPECT_TRUE(holder.Styles().Empty());
    EXPECT_FALSE(SetPropHasElement(&holder, "Width", "tsBold"));
    ChangeSetProp(&holder, "Width", "tsBold", true);  // no set: nothing happens
    EXPECT_EQ(holder.Width(), 5);
}

TEST(Paths, NormalDirEndsEveryPathWithABackslash) {
    EXPECT_EQ(NormalDir(""), "");
    EXPECT_EQ(NormalDir("C"), "C:\\");
    EXPECT_EQ(NormalDir("c:\\skins\\"), "c:\\skins\\");
    EXPECT_EQ(NormalDir("c:\\skins/"), "c:\\skins\\");
    EXPECT_EQ(NormalDir("skins"), "skins\\");
}

TEST(Paths, AppDirIsTheProgramsFolder) {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    EXPECT_EQ(AppDir(), ExtractFilePath(path));
    EXPECT_EQ(AppDir().back(), '\\');
}

TEST(Paths, FindEntriesListsFilesAndFoldersAsAsked) {
    TempDir dir;
    WriteFileBytes(dir.File("a.vqz"), "x");
    WriteFileBytes(dir.File("b.vqz"), "yy");
    CreateDirectoryA(dir.File("folder").c_str(), nullptr);
    std::vector<std::string> files, all;
    TacSearchRec f;
    for (int rc = FindFirstEntry(dir.File("*"), faAnyFile & ~faDirectory, f); rc == 0; rc = FindNextEntry(f))
        files.push_back(f.Name);
    FindCloseEntry(f);
    for (int rc = FindFirstEntry(dir.File("*"), faDirectory, f); rc == 0; rc = FindNextEntry(f))
        all.push_back(f.Name);
    FindCloseEntry(f);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"a.vqz", "b.vqz"}));
    EXPECT_NE(std::find(all.begin(), all.end(), "folder"), all.end());
    EXPECT_NE(std::find(all.begin(), all.end(), "a.vqz"), all.end());
    EXPECT_NE(FindFirstEntry(dir.File("*.none"), faAnyFile, f), 0);
    FindCloseEntry(f);
}

TEST(Paths, FileIconsComeFromTheShell) {
    TempDir dir;
    EXPECT_EQ(GetIconForFile(dir.File("missing.exe"), SHGFI_SMALLICON), nullptr);
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    auto icon = GetIconForFile(path, SHGFI_LARGEICON);
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->Empty());
    EXPECT_GT(icon->Width(), 0);
}
