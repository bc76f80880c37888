#include "classlib/runtime/IniFiles.h"
#include "tests/support/TempDir.h"
#include "tests/support/ListItems.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using V = std::vector<std::string>;

// The smallest INI class: a map, to pin down what the base class builds on ReadString/WriteString.
class TMapIniFile : public TCustomIniFile {
public:
    TMapIniFile() : TCustomIniFile("") {}
    std::map<std::string, std::string> Values;
    std::string ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) override {
        auto it = Values.find(Section + "/" + Ident);
        return it == Values.end() ? Default : it->second;
    }
    void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) override {
        Values[Section + "/" + Ident] = Value;
    }
    void ReadSection(const std::string& Section, TStrings* Strings) override {
        Strings->Clear();
        for (auto& [k, v] : Values)
            if (k.rfind(Section + "/", 0) == 0)
                Strings->Add(k.substr(Section.size() + 1));
    }
    void ReadSections(TStrings*) override {}
    void ReadSectionValues(const std::string&, TStrings*) override {}
    void EraseSection(const std::string&) override {}
    void DeleteKey(const std::string&, const std::string&) override {}
    void UpdateFile() override {}
};

TEST(CustomIniFile, NumbersFollowTheClassLibraryRules) {
    TMapIniFile ini;
    ini.Values = {{"s/dec", "42"}, {"s/neg", " -7"}, {"s/hex", "0x1F"}, {"s/dollar", "$ff"}, {"s/zero", "010"},
                  {"s/text", "12abc"}, {"s/empty", ""}, {"s/big", "99999999999"}};
    EXPECT_EQ(ini.ReadInteger("s", "dec", 0), 42);
    EXPECT_EQ(ini.ReadInteger("s", "neg", 0), -7);
    EXPECT_EQ(ini.ReadInteger("s", "hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger("s", "dollar", 0), 255);
    EXPECT_EQ(ini.ReadInteger("s", "zero", 0), 10);
    EXPECT_EQ(ini.ReadInteger("s", "text", 5), 5);
    EXPECT_EQ(ini.ReadInteger("s", "empty", 6), 6);
    EXPECT_EQ(ini.ReadInteger("s", "big", 7), 7);
    EXPECT_EQ(ini.ReadInteger("s", "missing", -1), -1);
    ini.WriteInteger("s", "w", -123);
    EXPECT_EQ(ini.Values["s/w"], "-123");
}

TEST(CustomIniFile, BooleansAreNonZeroIntegers) {
    TMapIniFile ini;
    ini.Values = {{"s/one", "1"}, {"s/two", "2"}, {"s/zero", "0"}, {"s/yes", "Yes"}, {"s/hex", "0x0"}};
    EXPECT_TRUE(ini.ReadBool("s", "one", false));
    EXPECT_TRUE(ini.ReadBool("s", "two", false));
    EXPECT_FALSE(ini.ReadBool("s", "zero", true));
    EXPECT_FALSE(ini.ReadBool("s", "hex", true));
    EXPECT_TRUE(ini.ReadBool("s", "yes", true));  // not a number: the default
    EXPECT_FALSE(ini.ReadBool("s", "yes", false));
    EXPECT_TRUE(ini.ReadBool("s", "missing", true));
    ini.WriteBool("s", "t", true);
    ini.WriteBool("s", "f", false);
    EXPECT_EQ(ini.Values["s/t"], "1");
    EXPECT_EQ(ini.Values["s/f"], "0");
    EXPECT_TRUE(ini.ValueExists("s", "T"));  // names compare without regard to case
    EXPECT_FALSE(ini.ValueExists("s", "nothing"));
    EXPECT_TRUE(ini.SectionExists("s"));
    EXPECT_FALSE(ini.SectionExists("other"));
}

TEST(IniFile, RoundTripThroughARealFile) {
    TempDir dir;
    std::string name = dir.File("brimlet.ini");
    {
        TIniFile ini(name);
        EXPECT_EQ(ini.FileName(), name);
        ini.WriteString("comport", "Port", "COM3");
        ini.WriteString("comport", "BaudRate", "115200");
        ini.WriteInteger("comport", "Buffer.InputSize", 1024);
        ini.WriteBool("other", "Flag", true);
        ini.WriteString("other", "Long", std::string(5000, 'L'));
        ini.UpdateFile();
    }
    std::string text = ReadFileBytes(name);
    EXPECT_NE(text.find("[comport]"), std::string::npos);
    EXPECT_NE(text.find("Port=COM3"), std::string::npos);

    TIniFile ini(name);
    EXPECT_EQ(ini.ReadString("COMPORT", "port", ""), "COM3");
    EXPECT_EQ(ini.ReadString("comport", "Missing", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadInteger("comport", "Buffer.InputSize", 0), 1024);
    EXPECT_EQ(ini.ReadInteger("comport", "Port", -1), -1);
    EXPECT_TRUE(ini.ReadBool("other", "Flag", false));
    EXPECT_EQ(ini.ReadString("other", "Long", ""), std::string(5000, 'L'));  // longer than the first buffer

    TStringList list;
    ini.ReadSections(&list);
    EXPECT_EQ(Items(list), (V{"comport", "other"}));
    ini.ReadSection("comport", &list);
    EXPECT_EQ(Items(list), (V{"Port", "BaudRate", "Buffer.InputSize"}));
    ini.ReadSectionValues("comport", &list);
    EXPECT_EQ(Items(list), (V{"Port=COM3", "BaudRate=115200", "Buffer.InputSize=1024"}));
    EXPECT_TRUE(ini.ValueExists("comport", "baudrate"));
    EXPECT_TRUE(ini.SectionExists("other"));

    ini.DeleteKey("comport", "BaudRate");
    EXPECT_EQ(ini.ReadString("comport", "BaudRate", "gone"), "gone");
    ini.EraseSection("other");
    EXPECT_FALSE(ini.SectionExists("other"));
    ini.UpdateFile();
    EXPECT_EQ(ReadFileBytes(name).find("[other]"), std::string::npos);
}

TEST(IniFile, ReadingAMissingFileGivesDefaultsAndWritingIntoAMissingFolderRaises) {
    TempDir dir;
    TIniFile missing(dir.File("none.ini"));
    EXPECT_EQ(missing.ReadString("a", "b", "c"), "c");
    TStringList list;
    missing.ReadSections(&list);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(FileExists(dir.File("none.ini")));

    TIniFile nowhere(dir.File("no\\such\\folder\\x.ini"));
    try {
        nowhere.WriteString("a", "b", "c");
        FAIL();
    } catch (const EIniFileException& e) {
        EXPECT_NE(std::string(e.what()).find("Unable to write to"), std::string::npos) << e.what();
    }
}

}  // namespace

TEST(MemIniFile, ReadsTextInOrderWithoutRegardToCase) {
    TStringList lines;
    lines.SetText("stray=before any section\r\n; a comment\r\n[Second]\r\n  b = 2 \r\nA=1\r\nnot a key\r\n\r\n"
                  "[first]\r\nx=\r\n[SECOND]\r\nc=3\r\nb=shadowed\r\n");
    TMemIniFile ini("");
    ini.SetStrings(&lines);
    TStringList names;
    ini.ReadSections(&names);
    EXPECT_EQ(Items(names), (V{"Second", "first"}));  // a header seen before continues its section
    ini.ReadSection("second", &names);
    EXPECT_EQ(Items(names), (V{"b", "A", "c", "b"}));
    EXPECT_EQ(ini.ReadString("SECOND", "B", "?"), "2");  // trimmed; the first of two equal keys counts
    EXPECT_EQ(ini.ReadString("First", "X", "?"), "");    // present but empty
    EXPECT_EQ(ini.ReadString("First", "y", "?"), "?");
    EXPECT_EQ(ini.ReadInteger("second", "a", 0), 1);
    EXPECT_TRUE(ini.SectionExists("FIRST"));
    EXPECT_FALSE(ini.SectionExists("third"));
    EXPECT_TRUE(ini.ValueExists("second", "C"));
    EXPECT_FALSE(ini.ValueExists("second", "not a key"));
}

TEST(MemIniFile, ChangesStayInMemoryUntilUpdateFile) {
    TempDir dir;
    std::string name = dir.File("mem.ini");
    WriteFileBytes(name, "[Keep]\r\nk=v\r\n[Gone]\r\ng=1\r\n");
    {
        TMemIniFile ini(name);
        ini.WriteString("Keep", "k", "w");
        ini.WriteString("New", "n", "5");
        ini.EraseSection("gone");
        ini.DeleteKey("keep", "missing");
        EXPECT_EQ(ReadFileBytes(name), "[Keep]\r\nk=v\r\n[Gone]\r\ng=1\r\n");
        ini.UpdateFile();
    }
    TMemIniFile again(name);
    EXPECT_EQ(again.ReadString("keep", "K", ""), "w");
    EXPECT_EQ(again.ReadString("new", "n", ""), "5");
    EXPECT_FALSE(again.SectionExists("Gone"));
    again.DeleteKey("Keep", "K");
    EXPECT_FALSE(again.ValueExists("Keep", "k"));
    TMemIniFile missing(dir.File("none.ini"));
    TStringList names;
    missing.ReadSections(&names);
    EXPECT_EQ(names.Count(), 0);
}
