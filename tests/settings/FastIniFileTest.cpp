#include "settings/FastIniFile.h"
#include "tests/support/TempDir.h"
#include "tests/support/ListItems.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using V = std::vector<std::string>;

std::string GoldenFile(const std::string& name) { return ReadFileBytes(ExtractFilePath(ParamStr0()) + name); }

FILETIME WriteTime(const std::string& name) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &data))
        RaiseLastOSError("GetFileAttributesExA");
    return data.ftLastWriteTime;
}

// Sets the file's time well into the past, so that any rewrite shows.
void Backdate(const std::string& name) {
    HANDLE h = CreateFileA(name.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SYSTEMTIME st = {2001, 2, 0, 3, 4, 5, 6, 0};
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    SetFileTime(h, nullptr, nullptr, &ft);
    CloseHandle(h);
}

std::string CmdKey(size_t i) { return std::string("c").append(IntToStr(static_cast<long long>(i))); }

bool SameTime(FILETIME a, FILETIME b) { return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime; }

class FastIniFileTest : public ::testing::Test {
protected:
    TempDir Dir;
    std::string Name = Dir.File("brimlet.ini");
    // Writes Text as the file and returns a fresh object on it.
    std::unique_ptr<TFastIniFile> Open(const std::string& text) {
        WriteFileBytes(Name, text);
        return std::make_unique<TFastIniFile>(Name);
    }
    std::string Saved() { return ReadFileBytes(Name); }
};

// --- golden files ---

TEST_F(FastIniFileTest, ChangingOneValueRewritesThatLineAlone) {
    auto ini = Open(GoldenFile("every-kind.ini"));
    // Lookups parse the lines they pass; parsed lines still come back as they were.
    EXPECT_EQ(ini->ReadString("cfg", "TXDColor", ""), "$00C08000");
    EXPECT_EQ(ini->ReadString("cfg", "Indented", ""), "spaced value");
    EXPECT_EQ(ini->ReadString("cfg", "Quoted", ""), "AT+CMGF=1;+CSCS=\"GSM\"");
    EXPECT_EQ(ini->ReadString("cfg", "missing", "d"), "d");
    EXPECT_EQ(ini->ReadString("cfg", "[indented header]", "d"), "d");
    EXPECT_FALSE(ini->SectionExists("indented header"));  // an indented header is no header
    EXPECT_EQ(ini->ReadInteger("Last", "Left", 0), 10);
    EXPECT_EQ(ini->ReadInteger("Last", "Height", 0), 200);
    ini->WriteString("Last", "Width", "640");
    ini->UpdateFile();
    EXPECT_EQ(Saved(), GoldenFile("every-kind.saved.ini"));
}

TEST_F(FastIniFileTest, AnUnchangedObjectLeavesTheFileBytesAndTimeAlone) {
    std::string original = GoldenFile("every-kind.ini");
    WriteFileBytes(Name, original);
    Backdate(Name);
    FILETIME before = WriteTime(Name);
    {
        TFastIniFile ini(Name);
        TStringList sections, keys;
        ini.ReadSections(&sections);
        EXPECT_EQ(Items(sections), (V{"cfg", "Last"}));
        for (int i = 0; i < sections.Count(); ++i) {
            ini.ReadSectionValues(sections[i], &keys);
            for (int k = 0; k < keys.Count(); ++k)
                if (!keys.Names(k).empty())  // (an empty name with an empty value would erase the section)
                    ini.WriteString(sections[i], keys.Names(k), keys.ValueFromIndex(k));  // the same values again
        }
        ini.WriteString("cfg", "Quoted", "AT+CMGF=1;+CSCS=\"GSM\"");
        ini.WriteBool("cfg", "EchoChar", false);
        EXPECT_FALSE(ini.Modified());
        ini.UpdateFile();
    }
    EXPECT_EQ(Saved(), original);
    EXPECT_TRUE(SameTime(WriteTime(Name), before));
}

// --- reading ---

TEST_F(FastIniFileTest, ReadsLazilyOnceAndAgainAfterClear) {
    TFastIniFile ini(Name);  // no file yet
    EXPECT_FALSE(ini.Loaded());
    WriteFileBytes(Name, "[s]\r\nk=1\r\n");
    EXPECT_EQ(ini.ReadString("s", "k", ""), "1");
    EXPECT_TRUE(ini.Loaded());
    WriteFileBytes(Name, "[s]\r\nk=2\r\n");
    EXPECT_EQ(ini.ReadString("s", "k", ""), "1");  // read once per loaded state
    ini.Clear();
    EXPECT_EQ(ini.ReadString("s", "k", ""), "2");
    TFastIniFile none(Dir.File("none.ini"));
    EXPECT_EQ(none.ReadString("s", "k", "d"), "d");
    EXPECT_FALSE(none.SectionExists("s"));
}

TEST_F(FastIniFileTest, InlineCommentsAndQuotes) {
    auto ini = Open(
        "[s]\r\n"
        "plain = value ; comment\r\n"
        "quoted = \"a;b\" ; comment\r\n"
        "apos='x'\r\n"
        "apos2='x;y'\r\n"
        "mixed=\"x'\r\n"
        "empty=\r\n"
        "blanks =    \r\n"
        "onlycomment=;c\r\n"
        "  spaced  key  =  v  \r\n");
    EXPECT_EQ(ini->ReadString("s", "plain", ""), "value");
    EXPECT_EQ(ini->ReadString("s", "quoted", ""), "a;b");
    EXPECT_EQ(ini->ReadString("s", "apos", ""), "x");
    EXPECT_EQ(ini->ReadString("s", "apos2", ""), "'x");  // apostrophes do not protect a ";"
    EXPECT_EQ(ini->ReadString("s", "mixed", ""), "\"x'");
    EXPECT_EQ(ini->ReadString("s", "empty", "d"), "");  // present and empty is not missing
    EXPECT_EQ(ini->ReadString("s", "blanks", "d"), "");
    EXPECT_EQ(ini->ReadString("s", "onlycomment", "d"), "");
    EXPECT_EQ(ini->ReadString("s", "spaced  key", ""), "v");
    EXPECT_EQ(ini->ReadString("s", " spaced  key ", ""), "v");  // outer blanks of a name never count
    EXPECT_EQ(ini->ReadString("s", "missing", "ATD1; 'x' "), "ATD1; 'x' ");  // the default comes back as given
    EXPECT_EQ(ini->ReadString("S", "PLAIN", ""), "value");
}

TEST_F(FastIniFileTest, HeadersMatchWithoutRegardToCaseAndTheLaterOfTwoWins) {
    auto ini = Open("[Port]\r\na=1\r\n[other]\r\nb=2\r\n[PORT]\r\na=3\r\n");
    EXPECT_EQ(ini->ReadString("port", "a", ""), "3");
    EXPECT_EQ(ini->ReadString("port", "b", "none"), "none");
    TStringList sections;
    ini->ReadSections(&sections);
    EXPECT_EQ(Items(sections), (V{"Port", "other", "PORT"}));
    ini->EraseSection("port");  // the later one goes; the earlier one is found again
    EXPECT_EQ(ini->ReadString("port", "a", ""), "1");
}

TEST_F(FastIniFileTest, AnsiLettersMatchThroughTheSystemUpperCase) {
    EXPECT_TRUE(SameName("\xe9t\xe9", "\xc9T\xc9"));  // cp1252 e acute
    EXPECT_TRUE(SameName("\xff", "\x9f"));            // y diaeresis
    EXPECT_FALSE(SameName("", ""));
    EXPECT_EQ(HashName("Port"), HashName("pORT"));
    EXPECT_EQ(HashName("ab"), static_cast<std::uint32_t>((IniUpperTable()['a'] << 2) ^ 'B'));
    auto ini = Open("[\xc9T\xc9]\r\nCl\xc9=1\r\n");
    EXPECT_EQ(ini->ReadString("\xe9t\xe9", "cl\xe9", ""), "1");
}

TEST_F(FastIniFileTest, ReadingDoesNotStopAtANulByte) {
    std::string text = std::string("[a]\r\nx=1\r\n;c\0mment\r\ny=2\0tail\r\n[b]\r\nz=3\r\n", 40);
    auto ini = Open(text);
    EXPECT_EQ(ini->ReadString("b", "z", ""), "3");
    EXPECT_EQ(ini->ReadString("a", "y", ""), std::string("2\0tail", 6));
    ini->WriteString("a", "x", "9");
    ini->UpdateFile();
    std::string expected = text;
    expected.replace(expected.find("x=1"), 3, "x=9");
    EXPECT_EQ(Saved(), expected);
}

TEST_F(FastIniFileTest, CountsLinesByKind) {
    auto ini = Open("; c\r\n\r\n[a]\r\nk=1\r\ntext\r\n  [x]\r\n\r\n[b]\r\n;d\r\n");
    ini->ReadString("a", "k", "");
    const TStatistics& s = ini->Statistics();
    EXPECT_EQ(s.Comments, 2);
    EXPECT_EQ(s.Blanks, 2);
    EXPECT_EQ(s.Keys, 3);
    EXPECT_EQ(s.Sections, 2);
    ini->WriteString("b", "new", "1");
    ini->DeleteKey("a", "k");
    EXPECT_EQ(s.Keys, 3);
    ini->EraseSection("a");
    EXPECT_EQ(s.Sections, 1);
}

// --- writing ---

TEST_F(FastIniFileTest, TheCommentKeepsItsColumn) {
    std::string longComment = "; " + std::string(400, 'c');
    auto ini = Open("[s]\r\nk = long old value ; note\r\nm = abc ; x\r\nn = v " + longComment + "\r\n");
    ini->WriteString("s", "k", "new");
    ini->WriteString("s", "m", "abcdef");  // reaches the column: one blank, then the comment
    ini->WriteString("s", "n", "w");       // a comment of any length stays whole
    ini->UpdateFile();
    EXPECT_EQ(Saved(), "[s]\r\nk=new            ; note\r\nm=abcdef ; x\r\nn=w " + longComment + "\r\n");
    TFastIniFile again(Name);
    EXPECT_EQ(again.ReadString("s", "k", ""), "new");
    EXPECT_EQ(again.ReadString("s", "n", ""), "w");
}

TEST_F(FastIniFileTest, ValuesWithSemicolonsQuotesAndBlanksReadBackUnchanged) {
    const V values = {"ATD5551234;", "AT+CMGF=1;+CSCS=\"GSM\"", " padded ", "'quoted'", "\"dq\"",
                      "a;b", ";", "\"", "plain", "", "x ; y", "AT+CSCS=\"GSM\""};
    {
        auto ini = Open("[cmd]\r\nc0 = old ; comment kept\r\n");
        for (size_t i = 0; i < values.size(); ++i)
            ini->WriteString("cmd", CmdKey(i), values[i]);
        for (size_t i = 0; i < values.size(); ++i)
            EXPECT_EQ(ini->ReadString("cmd", CmdKey(i), "?"), values[i]);
    }
    std::string saved = Saved();
    EXPECT_NE(saved.find("c0=\"ATD5551234;\" ; comment kept\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("c8=plain\r\n"), std::string::npos) << saved;  // plain values stay plain
    TFastIniFile ini(Name);
    for (size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(ini.ReadString("cmd", CmdKey(i), "?"), values[i]) << i;
    for (size_t i = 0; i < values.size(); ++i)
        ini.WriteString("cmd", CmdKey(i), values[i]);
    EXPECT_FALSE(ini.Modified());  // the same values again change nothing
}

TEST_F(FastIniFileTest, FilesWrittenBeforeStayReadable) {
    auto ini = Open("[cmd]\r\nold=\"ATD1;\"\r\nolder='ATH'\r\n");
    EXPECT_EQ(ini->ReadString("cmd", "old", ""), "ATD1;");
    EXPECT_EQ(ini->ReadString("cmd", "older", ""), "ATH");
    ini->WriteString("cmd", "old", "ATD1;");
    ini->WriteString("cmd", "older", "ATH");
    EXPECT_FALSE(ini->Modified());
}

TEST_F(FastIniFileTest, NewKeysGoAfterTheLastKeyAndNewSectionsAfterOneBlankLine) {
    auto ini = Open("[a]\r\nx=1\r\n; about b\r\n\r\n[b]\r\n; only a comment\r\n[c]");
    ini->WriteString("a", "y", "2");
    ini->WriteString("b", "z", "3");
    ini->WriteString("c", "w", "4");
    ini->WriteString("new", "k", "5");
    ini->UpdateFile();
    EXPECT_EQ(Saved(),
              "[a]\r\nx=1\r\ny=2\r\n; about b\r\n\r\n[b]\r\nz=3\r\n; only a comment\r\n[c]\r\nw=4\r\n\r\n[new]\r\n"
              "k=5\r\n");
    Open("")->WriteString("s", "k", "v");  // an empty file gets no blank line first
    EXPECT_EQ(Saved(), "[s]\r\nk=v\r\n");
}

TEST_F(FastIniFileTest, AnAddedKeyIsAChangeEvenWithAnEmptyValue) {
    {
        auto ini = Open("[s]\r\n");
        ini->WriteString("s", "k", "");
        ini->WriteString("t", "k", "");
        EXPECT_TRUE(ini->Modified());
    }
    TFastIniFile ini(Name);
    EXPECT_EQ(ini.ReadString("s", "k", "d"), "");
    EXPECT_EQ(ini.ReadString("t", "k", "d"), "");
}

TEST_F(FastIniFileTest, NamesAndValuesThatWouldBreakTheFileAreRefused) {
    auto ini = Open("[s]\r\nk=1\r\n");
    EXPECT_THROW(ini->WriteString("s", "k", "a\r\nb=c"), EIniFileException);
    EXPECT_THROW(ini->WriteString("s", "a=b", "1"), EIniFileException);
    EXPECT_THROW(ini->WriteString("s", ";k", "1"), EIniFileException);
    EXPECT_THROW(ini->WriteString("s", "[k]", "1"), EIniFileException);
    EXPECT_THROW(ini->WriteString("s", "   ", "1"), EIniFileException);
    EXPECT_THROW(ini->WriteString("", "k", "1"), EIniFileException);
    EXPECT_THROW(ini->WriteString("a\nb", "k", "1"), EIniFileException);
    EXPECT_FALSE(ini->Modified());
    ini->WriteString(" s", "k", "2");  // not the same section: names of sections are taken as they are
    EXPECT_EQ(ini->ReadString("s", "k", ""), "1");
}

TEST_F(FastIniFileTest, EmptyIdentErasesTheSectionOrFlushes) {
    auto ini = Open("[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n");
    ini->WriteString("a", "", "value");  // nothing
    EXPECT_FALSE(ini->Modified());
    ini->WriteString("a", "", "");
    EXPECT_FALSE(ini->SectionExists("a"));
    EXPECT_EQ(Saved(), "[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n");
    ini->WriteString("", "", "");
    EXPECT_EQ(Saved(), "[b]\r\ny=2\r\n");
    EXPECT_FALSE(ini->Modified());
}

TEST_F(FastIniFileTest, EraseSectionLeavesTheCommentsAfterItsLastKeyToWhatFollows) {
    auto ini = Open(
        "[a]\r\nx=1\r\n; inside a\r\ny=2\r\n\r\n\r\n; about b\r\n\r\n[b]\r\nz=3\r\n[c]\r\n\r\n;c\r\n[d]\r\n");
    ini->EraseSection("a");
    ini->EraseSection("c");
    ini->EraseSection("nothing");
    EXPECT_TRUE(ini->Modified());
    ini->UpdateFile();
    EXPECT_EQ(Saved(), "; about b\r\n\r\n[b]\r\nz=3\r\n;c\r\n[d]\r\n");
    EXPECT_EQ(ini->ReadString("b", "z", ""), "3");  // later sections still find their lines
    ini->WriteString("d", "k", "v");
    EXPECT_EQ(ini->ReadString("d", "k", ""), "v");
}

TEST_F(FastIniFileTest, DeleteKeyRemovesTheLine) {
    auto ini = Open("[a]\r\nx=1\r\ny=2\r\n[b]\r\nx=3\r\n");
    ini->DeleteKey("a", "X");
    ini->DeleteKey("a", "missing");
    ini->DeleteKey("missing", "x");
    EXPECT_EQ(ini->ReadString("a", "x", "gone"), "gone");
    EXPECT_EQ(ini->ReadString("b", "x", ""), "3");
    ini->UpdateFile();
    EXPECT_EQ(Saved(), "[a]\r\ny=2\r\n[b]\r\nx=3\r\n");
}

TEST_F(FastIniFileTest, SectionListsAndValues) {
    auto ini = Open("top=0\r\n[a]\r\nx = 1 ; c\r\ntext\r\ny=\"q\"\r\n; note\r\n[b]\r\n");
    TStringList list;
    ini->ReadSection("a", &list);
    EXPECT_EQ(Items(list), (V{"x", "y"}));
    ini->ReadSectionValues("a", &list);
    EXPECT_EQ(Items(list), (V{"x=1", "y=q"}));
    ini->ReadSection("b", &list);
    EXPECT_EQ(list.Count(), 0);
    ini->ReadSections(&list);
    EXPECT_EQ(Items(list), (V{"a", "b"}));
    EXPECT_TRUE(ini->ValueExists("a", "Y"));
    EXPECT_FALSE(ini->ValueExists("a", "text"));
}

TEST_F(FastIniFileTest, IntegersAndBooleansGoThroughTheStrings) {
    auto ini = Open("[s]\r\nhex=0x10\r\nbad=12a\r\nyes=Yes\r\n");
    EXPECT_EQ(ini->ReadInteger("s", "hex", 0), 16);
    EXPECT_EQ(ini->ReadInteger("s", "bad", 7), 7);
    EXPECT_TRUE(ini->ReadBool("s", "yes", true));
    EXPECT_FALSE(ini->ReadBool("s", "yes", false));
    ini->WriteBool("s", "b", true);
    ini->WriteInteger("s", "i", -3);
    EXPECT_EQ(ini->ReadString("s", "b", ""), "1");
    EXPECT_EQ(ini->ReadString("s", "i", ""), "-3");
}

TEST_F(FastIniFileTest, StringListsRoundTripAndAnUnchangedListChangesNothing) {
    {
        auto ini = Open("[CmdHis]\r\nCMDCount=3\r\nCMD0=AT\r\nCMD1=ATI\r\nCMD2=\"ATD1;\"\r\nother=x\r\n");
        TStringList list;
        ini->ReadStringList("CmdHis", "CMD", &list);
        EXPECT_EQ(Items(list), (V{"AT", "ATI", "ATD1;"}));
        ini->WriteStringList("CmdHis", "CMD", &list);
        EXPECT_FALSE(ini->Modified());
        list.Delete(2);
        ini->WriteStringList("CmdHis", "CMD", &list);
        EXPECT_TRUE(ini->Modified());
    }
    EXPECT_EQ(Saved(), "[CmdHis]\r\nCMDCount=2\r\nother=x\r\nCMD0=AT\r\nCMD1=ATI\r\n");
    TFastIniFile ini(Name);
    TStringList list;
    ini.ReadStringList("CmdHis", "CMD", &list);
    EXPECT_EQ(Items(list), (V{"AT", "ATI"}));
    list.Add("AT+X=\"a\r\nb\"");
    EXPECT_THROW(ini.WriteStringList("CmdHis", "CMD", &list), EIniFileException);
    ini.ReadStringList("CmdHis", "CMD", &list);
    EXPECT_EQ(list.Count(), 2);  // the refused list cost nothing
}

TEST_F(FastIniFileTest, AHugeStoredCountCostsNoMoreThanTheItemsThatAreThere) {
    auto ini = Open("[CmdHis]\r\nCMDCount=2000000000\r\nCMD0=AT\r\ncmd1=ATI\r\nCMD01=keep\r\nCMD1=dup\r\n"
                    "other=x\r\n");
    TStringList list;
    ini->ReadStringList("CmdHis", "CMD", &list, 18);
    ASSERT_EQ(list.Count(), 18);
    EXPECT_EQ(list[0], "AT");
    EXPECT_EQ(list[1], "ATI");
    EXPECT_EQ(list[17], "");
    // Writing over it deletes the first key of every name the old count covers, and only those, in one pass.
    TStringList two;
    two.SetCommaText("A,B");
    ini->WriteStringList("CmdHis", "CMD", &two);
    EXPECT_TRUE(ini->Modified());
    ini->UpdateFile();
    EXPECT_EQ(Saved(), "[CmdHis]\r\nCMDCount=2\r\nCMD01=keep\r\nCMD1=B\r\nother=x\r\nCMD0=A\r\n");
    ini->ReadStringList("CmdHis", "CMD", &list, 1);
    EXPECT_EQ(Items(list), (V{"A"}));
    // A negative count is no list.
    ini = Open("[CmdHis]\r\nCMDCount=-5\r\nCMD0=AT\r\n");
    ini->ReadStringList("CmdHis", "CMD", &list);
    EXPECT_EQ(list.Count(), 0);
    ini->WriteStringList("CmdHis", "CMD", &two);
    ini->UpdateFile();
    EXPECT_EQ(Saved(), "[CmdHis]\r\nCMDCount=2\r\nCMD0=A\r\nCMD1=B\r\n");
}

TEST_F(FastIniFileTest, CompareListsOrdersByCountThenBytes) {
    TFastIniFile ini("");
    TStringList a, b;
    a.SetCommaText("x,y");
    b.SetCommaText("x");
    EXPECT_EQ(ini.CompareLists(&a, &b), 1);
    EXPECT_EQ(ini.CompareLists(&b, &a), -1);
    b.Add("Y");
    EXPECT_EQ(ini.CompareLists(&a, &b), 1);  // exact bytes: "y" > "Y"
    b.SetStrings(1, "y");
    EXPECT_EQ(ini.CompareLists(&a, &b), 0);
}

// --- key-index mode ---

TEST_F(FastIniFileTest, ManyKeysPerSectionSwitchToKeyIndexesWhereTheLastDuplicateWins) {
    std::string text = "[big]\r\n";
    for (int i = 0; i < 600; ++i)
        text.append("k").append(IntToStr(i)).append("=").append(IntToStr(i)).append("\r\n");
    text += "k7=last\r\n[small]\r\na=1\r\n";
    auto ini = Open(text);
    EXPECT_EQ(ini->ReadString("big", "k599", ""), "599");
    EXPECT_TRUE(ini->KeyIndexMode());
    EXPECT_EQ(ini->ReadString("big", "K7", ""), "last");
    ini->DeleteKey("big", "k7");  // the linear search finds the first of the two
    EXPECT_EQ(ini->ReadString("big", "k7", ""), "last");
    ini->DeleteKey("big", "k7");
    EXPECT_EQ(ini->ReadString("big", "k7", "gone"), "gone");
    // Lines inserted and removed: the indexes are rebuilt and still right.
    ini->WriteString("big", "new", "n");
    ini->WriteString("small", "b", "2");
    ini->DeleteKey("big", "k0");
    EXPECT_EQ(ini->ReadString("big", "new", ""), "n");
    EXPECT_EQ(ini->ReadString("big", "k150", ""), "150");
    EXPECT_EQ(ini->ReadString("small", "b", ""), "2");
    EXPECT_EQ(ini->ReadString("small", "a", ""), "1");
    ini->Clear();
    EXPECT_EQ(ini->ReadString("big", "k1", ""), "1");
    EXPECT_TRUE(ini->KeyIndexMode());  // for the life of the object

    auto few = Open("[s]\r\nk=1\r\nk=2\r\n");
    EXPECT_EQ(few->ReadString("s", "k", ""), "1");  // linear mode: the first wins
    EXPECT_FALSE(few->KeyIndexMode());
}

TEST_F(FastIniFileTest, AByteOrderMarkHidesNoHeaderAndIsWrittenBack) {
    const std::string mark = "\xEF\xBB\xBF";
    auto ini = Open(mark + "[Last]\r\nLeft=5\r\n\r\n[cfg]\r\nEchoChar=1\r\n");
    EXPECT_TRUE(ini->SectionExists("Last"));
    EXPECT_EQ(ini->ReadInteger("Last", "Left", 0), 5);
    TStringList sections;
    ini->ReadSections(&sections);
    EXPECT_EQ(Items(sections), (V{"Last", "cfg"}));
    // Into the section that is there, not into a second one of the same name.
    ini->WriteInteger("Last", "Left", 7);
    ini->WriteInteger("Last", "Top", 3);
    ini->UpdateFile();
    EXPECT_EQ(Saved(), mark + "[Last]\r\nLeft=7\r\nTop=3\r\n\r\n[cfg]\r\nEchoChar=1\r\n");

    // The mark before a comment: the line comes back as it was, behind the mark.
    ini = Open(mark + "; made by hand\r\n[s]\r\nk=1\r\n");
    ini->WriteString("s", "k", "2");
    ini->UpdateFile();
    EXPECT_EQ(Saved(), mark + "; made by hand\r\n[s]\r\nk=2\r\n");
    // Read again after Clear, the mark is found again; a file without one does not get one.
    ini->Clear();
    EXPECT_EQ(ini->ReadString("s", "k", ""), "2");
    ini->WriteString("s", "k", "3");
    ini->UpdateFile();
    EXPECT_EQ(Saved(), mark + "; made by hand\r\n[s]\r\nk=3\r\n");
    ini = Open("[s]\r\nk=1\r\n");
    ini->WriteString("s", "k", "2");
    ini->UpdateFile();
    EXPECT_EQ(Saved(), "[s]\r\nk=2\r\n");
    // A mark alone is an empty file that keeps its mark.
    ini = Open(mark);
    EXPECT_EQ(ini->Statistics().Blanks + ini->Statistics().Keys, 0);
    ini->WriteString("s", "k", "v");
    ini->UpdateFile();
    EXPECT_EQ(Saved(), mark + "[s]\r\nk=v\r\n");
}

// --- saving ---

TEST_F(FastIniFileTest, AFailedSaveRaisesAndLeavesTheOldFile) {
    auto ini = Open("[s]\r\nk=old\r\n");
    ini->WriteString("s", "k", "new");
    {
        // Someone holds the file without sharing: it cannot be replaced.
        HANDLE h = CreateFileA(Name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        EXPECT_THROW(ini->UpdateFile(), EStreamError);
        CloseHandle(h);
    }
    EXPECT_EQ(Saved(), "[s]\r\nk=old\r\n");
    EXPECT_TRUE(ini->Modified());
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(Dir.File("*.tmp").c_str(), &fd);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE) << "left behind: " << fd.cFileName;
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
    ini->UpdateFile();  // and it is all still there for the next try
    EXPECT_EQ(Saved(), "[s]\r\nk=new\r\n");
}

TEST_F(FastIniFileTest, AReadOnlyFileIsNotReplaced) {
    auto ini = Open("[s]\r\nk=old\r\n");
    ini->WriteString("s", "k", "new");
    ASSERT_TRUE(SetFileAttributesA(Name.c_str(), FILE_ATTRIBUTE_READONLY));
    try {
        ini->UpdateFile();
        ADD_FAILURE() << "a read-only file was written";
    } catch (const EFCreateError& e) {
        EXPECT_NE(std::string(e.what()).find(Name), std::string::npos) << e.what();
    }
    SetFileAttributesA(Name.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(Saved(), "[s]\r\nk=old\r\n");
    ini->UpdateFile();
    EXPECT_EQ(Saved(), "[s]\r\nk=new\r\n");
}

TEST_F(FastIniFileTest, TheSavedFileKeepsTheMarksItsOwnerGaveIt) {
    const DWORD marks = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                        FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    for (DWORD given : {marks, DWORD(FILE_ATTRIBUTE_HIDDEN), DWORD(FILE_ATTRIBUTE_NORMAL)}) {
        auto ini = Open("[s]\r\nk=old\r\n");
        ASSERT_TRUE(SetFileAttributesA(Name.c_str(), given));
        const DWORD before = GetFileAttributesA(Name.c_str());
        ini->WriteString("s", "k", "new");
        ini->UpdateFile();
        EXPECT_EQ(Saved(), "[s]\r\nk=new\r\n");
        EXPECT_EQ(GetFileAttributesA(Name.c_str()) & marks, before & marks) << std::hex << given;
    }
}

// The file's access list in the system's text form (owner and group left out: the save does not change them).
std::string AccessListText(const std::string& File) {
    DWORD needed = 0;
    GetFileSecurityA(File.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    std::vector<uint8_t> sd(needed ? needed : 1);
    if (!GetFileSecurityA(File.c_str(), DACL_SECURITY_INFORMATION, sd.data(), needed, &needed))
        RaiseLastOSError("GetFileSecurityA");
    char* text = nullptr;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorA(sd.data(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                              &text, nullptr))
        RaiseLastOSError("ConvertSecurityDescriptorToStringSecurityDescriptorA");
    std::string result = text;
    LocalFree(text);
    return result;
}

// The user this test runs as, in the system's text form.
std::string UserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        RaiseLastOSError("OpenProcessToken");
    std::vector<uint8_t> info(256);
    DWORD size = 0;
    BOOL ok = GetTokenInformation(token, TokenUser, info.data(), static_cast<DWORD>(info.size()), &size);
    CloseHandle(token);
    if (!ok)
        RaiseLastOSError("GetTokenInformation");
    char* text = nullptr;
    if (!ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(info.data())->User.Sid, &text))
        RaiseLastOSError("ConvertSidToStringSidA");
    std::string sid = text;
    LocalFree(text);
    return sid;
}

TEST_F(FastIniFileTest, TheSavedFileKeepsWhoMayReadAndWriteIt) {
    auto ini = Open("[s]\r\nk=old\r\n");
    // Only the owner and the system may read and change it; nothing is inherited. (Wine keeps an access list as
    // the file's Unix permissions, so the list is one that they can say.)
    PSECURITY_DESCRIPTOR sd = nullptr;
    const std::string list = "D:P(A;;FA;;;SY)(A;;FA;;;" + UserSid() + ")";
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(list.c_str(), SDDL_REVISION_1, &sd, nullptr));
    ASSERT_TRUE(SetFileSecurityA(Name.c_str(), DACL_SECURITY_INFORMATION, sd));
    LocalFree(sd);
    const std::string before = AccessListText(Name);
    ini->WriteString("s", "k", "new");
    ini->UpdateFile();
    EXPECT_EQ(Saved(), "[s]\r\nk=new\r\n");
    EXPECT_EQ(AccessListText(Name), before);
    // A new file gets what its folder gives.
    const std::string fresh = Dir.File("fresh.ini");
    {
        TFastIniFile other(fresh);
        other.WriteString("s", "k", "v");
    }
    EXPECT_NE(AccessListText(fresh), before);
}

TEST_F(FastIniFileTest, TheUnfinishedSaveOfAProgramThatWasKilledGoesWithTheNextSave) {
    auto ini = Open("[s]\r\nk=old\r\n");
    // What a save left that never came to replacing the file: its temporary file, here even marked read-only.
    const std::string temp = Name + ".tmp";
    WriteFileBytes(temp, "[s]\r\nk=half");
    ASSERT_TRUE(SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    ini->WriteString("s", "k", "new");
    ini->UpdateFile();
    EXPECT_EQ(Saved(), "[s]\r\nk=new\r\n");
    EXPECT_FALSE(FileExists(temp));
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(Dir.File("*.tmp").c_str(), &fd);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE) << "left behind: " << fd.cFileName;
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
    // One that cannot go (a program still holds it) stops the save, which keeps the old file and what changed.
    WriteFileBytes(temp, "held");
    HANDLE held = CreateFileA(temp.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ini->WriteString("s", "k", "newer");
    try {
        ini->UpdateFile();
        ADD_FAILURE() << "saved past a temporary file that is in use";
    } catch (const EFCreateError& e) {
        EXPECT_NE(std::string(e.what()).find(Name), std::string::npos) << e.what();
    }
    CloseHandle(held);
    EXPECT_EQ(Saved(), "[s]\r\nk=new\r\n");
    ini->UpdateFile();
    EXPECT_EQ(Saved(), "[s]\r\nk=newer\r\n");
    EXPECT_FALSE(FileExists(temp));
}

TEST_F(FastIniFileTest, SavingIntoAMissingFolderRaisesButTheDestructorDoesNot) {
    std::string nowhere = Dir.File("no\\such\\folder\\x.ini");
    auto ini = std::make_unique<TFastIniFile>(nowhere);
    ini->WriteString("s", "k", "v");
    try {
        ini->UpdateFile();
        FAIL();
    } catch (const EFCreateError& e) {
        EXPECT_NE(std::string(e.what()).find(nowhere), std::string::npos) << e.what();
    }
    EXPECT_NO_THROW(ini.reset());
    EXPECT_FALSE(FileExists(nowhere));
}

TEST_F(FastIniFileTest, TheDestructorSavesWhatChanged) {
    { Open("[s]\r\nk=1\r\n")->WriteString("s", "k", "2"); }
    EXPECT_EQ(Saved(), "[s]\r\nk=2\r\n");
    {
        TFastIniFile fresh(Dir.File("created.ini"));
        fresh.WriteString("s", "k", "v");
    }
    EXPECT_EQ(ReadFileBytes(Dir.File("created.ini")), "[s]\r\nk=v\r\n");
}

}  // namespace
