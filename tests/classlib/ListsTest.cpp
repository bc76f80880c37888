#include "classlib/runtime/Lists.h"
#include "classlib/runtime/Streams.h"
#include "tests/support/TempDir.h"
#include "tests/support/ListItems.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using V = std::vector<std::string>;

class TCounted : public TObject {
public:
    explicit TCounted(int& alive) : FAlive(alive) { ++FAlive; }
    ~TCounted() override { --FAlive; }

private:
    int& FAlive;
};

TEST(List, IndexErrorsNameTheIndex) {
    TList list;
    int a = 1, b = 2, c = 3;
    list.Add(&a);
    list.Add(&b);
    list.Insert(0, &c);
    EXPECT_EQ(list.IndexOf(&a), 1);
    EXPECT_EQ(list.Remove(&a), 1);
    EXPECT_EQ(list.Remove(&a), -1);
    try {
        list.Items(2);
        FAIL();
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (2)");
    }
    EXPECT_THROW(list.Delete(-1), EListError);
    EXPECT_THROW(list.Insert(3, &a), EListError);
    list.Insert(2, &a);
    list.Move(0, 2);
    EXPECT_EQ(list.Items(2), &c);
    list.Exchange(0, 2);
    EXPECT_EQ(list.Items(0), &c);
    list.Sort([](void* x, void* y) { return *static_cast<int*>(x) - *static_cast<int*>(y); });
    EXPECT_EQ(list.First(), &a);
    EXPECT_EQ(list.Last(), &c);
}

TEST(StringList, SortedListKeepsOrderAndFindsCaseInsensitively) {
    TStringList list;
    list.SetSorted(true);
    for (const char* s : {"delta", "Alpha", "charlie", "bravo", "ALPHA"})
        list.Add(s);
    EXPECT_EQ(Items(list), (V{"Alpha", "bravo", "charlie", "delta"}));  // dupIgnore drops "ALPHA"
    int index = -1;
    EXPECT_TRUE(list.Find("CHARLIE", index));
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(list.Find("beta", index));
    EXPECT_EQ(index, 1);  // where it would go
    EXPECT_EQ(list.IndexOf("DELTA"), 3);
    EXPECT_EQ(list.IndexOf("echo"), -1);
    EXPECT_THROW(list.Insert(0, "zulu"), EStringListError);
    EXPECT_THROW(list.SetStrings(0, "zulu"), EStringListError);
}

TEST(StringList, DuplicatesRules) {
    TStringList list;
    list.SetSorted(true);
    list.SetDuplicates(dupError);
    list.Add("one");
    try {
        list.Add("ONE");
        FAIL();
    } catch (const EStringListError& e) {
        EXPECT_STREQ(e.what(), "String list does not allow duplicates");
    }
    list.SetDuplicates(dupAccept);
    list.Add("ONE");
    list.Add("One");
    EXPECT_EQ(list.Count(), 3);
    int index;
    EXPECT_TRUE(list.Find("one", index));
    EXPECT_EQ(index, 0);  // the first of equal items
    list.SetDuplicates(dupIgnore);
    int found = list.Add("oNe");  // one of the equal items, nothing added
    EXPECT_TRUE(found >= 0 && found <= 2) << found;
    EXPECT_EQ(list.Count(), 3);
    // An unsorted list accepts duplicates whatever the rule.
    TStringList plain;
    plain.SetDuplicates(dupError);
    plain.Add("x");
    plain.Add("x");
    EXPECT_EQ(plain.Count(), 2);
}

TEST(StringList, CaseSensitiveListsOrderAndMatchByCase) {
    TStringList list;
    list.SetCaseSensitive(true);
    list.Add("abc");
    EXPECT_EQ(list.IndexOf("ABC"), -1);
    EXPECT_EQ(list.IndexOf("abc"), 0);
    list.SetSorted(true);
    list.Add("ABC");
    EXPECT_EQ(list.Count(), 2);
    list.SetCaseSensitive(false);  // re-sorted for the new rule: Find must still work
    int index;
    EXPECT_TRUE(list.Find("Abc", index));
}

TEST(StringList, SortUsesTheSystemTextOrderAndCustomSortAnyOrder) {
    TStringList list;
    list.SetCommaText("COM3,COM10,com2,COM1");
    list.Sort();
    EXPECT_EQ(Items(list), (V{"COM1", "COM10", "com2", "COM3"}));
    list.CustomSort([](TStringList* l, int a, int b) {
        return static_cast<int>(l->Strings(b).size()) - static_cast<int>(l->Strings(a).size());
    });
    EXPECT_EQ(list[0], "COM10");
    // Many items, sorted and checked pairwise.
    TStringList big;
    for (int i = 0; i < 500; ++i)
        big.Add(IntToStr((i * 7919) % 1000));
    big.Sort();
    for (int i = 1; i < big.Count(); ++i)
        EXPECT_LE(AnsiCompareText(big[i - 1], big[i]), 0) << i;
    big.SetSorted(true);
    EXPECT_THROW(big.CustomSort([](TStringList*, int, int) { return 0; }), EStringListError);
}

TEST(StringList, ObjectsStayWithTheirStringsAndAreFreedOnlyWhenOwned) {
    int alive = 0;
    {
        TStringList list;
        TCounted a(alive), b(alive);
        list.AddObject("b", &b);
        list.AddObject("a", &a);
        list.Sort();
        EXPECT_EQ(list.Objects(0), &a);
        EXPECT_EQ(list.IndexOfObject(&b), 1);
        list.Clear();
        EXPECT_EQ(alive, 2);
    }
    EXPECT_EQ(alive, 0);
    {
        TStringList list;
        list.SetOwnsObjects(true);
        list.AddObject("x", new TCounted(alive));
        list.AddObject("y", new TCounted(alive));
        list.AddObject("z", new TCounted(alive));
        list.Delete(0);
        EXPECT_EQ(alive, 2);
    }
    EXPECT_EQ(alive, 0);
}

TEST(StringList, ValuesRoundTrip) {
    TStringList list;
    list.SetValues("Port", "COM3");
    list.SetValues("Baud", "9600");
    list.Add("plain");
    list.SetValues("port", "COM4");  // names match without regard to case; the item takes the new spelling
    EXPECT_EQ(Items(list), (V{"port=COM4", "Baud=9600", "plain"}));
    EXPECT_EQ(list.Values("PORT"), "COM4");
    EXPECT_EQ(list.Names(1), "Baud");
    EXPECT_EQ(list.ValueFromIndex(1), "9600");
    EXPECT_EQ(list.ValueFromIndex(2), "");
    EXPECT_EQ(list.IndexOfName("baud"), 1);
    list.SetValues("X", "a=b");
    EXPECT_EQ(list.Values("X"), "a=b");
    list.SetValueFromIndex(0, "COM9");
    EXPECT_EQ(list[0], "port=COM9");
    list.SetValues("Baud", "");  // an empty value removes the item
    EXPECT_EQ(list.IndexOfName("Baud"), -1);
    EXPECT_EQ(list.Values("missing"), "");
}

TEST(StringList, TextSplitsEveryLineEndAndWritesCrLf) {
    TStringList list;
    list.SetText("a\r\nb\nc\rd\r\n\r\ne");
    EXPECT_EQ(Items(list), (V{"a", "b", "c", "d", "", "e"}));
    EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\nd\r\n\r\ne\r\n");
    list.SetText("x\n\n");
    EXPECT_EQ(Items(list), (V{"x", ""}));
    list.SetText("\n\r");  // LF then a lone CR: two empty lines
    EXPECT_EQ(Items(list), (V{"", ""}));
    list.SetText("");
    EXPECT_EQ(list.Count(), 0);
    list.SetText(std::string("a\0b\nc", 5));
    EXPECT_EQ(list[0], std::string("a\0b", 3));
}

TEST(StringList, CommaTextQuotesWhatNeedsItAndReadsItBack) {
    TStringList list;
    for (const char* s : {"plain", "two words", "a,b", "say \"hi\"", "", "tab\there", "x"})
        list.Add(s);
    std::string text = list.CommaText();
    EXPECT_EQ(text, "plain,\"two words\",\"a,b\",\"say \"\"hi\"\"\",,\"tab\there\",x");
    TStringList back;
    back.SetCommaText(text);
    EXPECT_TRUE(back.Equals(&list)) << back.CommaText();
    back.SetCommaText("  a b ,  \"c d\"  , e,");
    EXPECT_EQ(Items(back), (V{"a", "b", "c d", "e", ""}));
    TStringList one;
    one.Add("");
    EXPECT_EQ(one.CommaText(), "\"\"");
    back.SetCommaText("\"\"");
    EXPECT_EQ(Items(back), V{""});
    back.SetCommaText("");
    EXPECT_EQ(back.Count(), 0);
}

TEST(StringList, DelimitedTextWithAnotherDelimiter) {
    TStringList list;
    list.SetDelimiter(';');
    list.SetStrictDelimiter(true);
    list.SetDelimitedText("AT+CMGF=1; +CSCS;x");
    EXPECT_EQ(Items(list), (V{"AT+CMGF=1", " +CSCS", "x"}));
    EXPECT_EQ(list.DelimitedText(), "AT+CMGF=1; +CSCS;x");
    EXPECT_EQ(list.CommaText(), "AT+CMGF=1,\" +CSCS\",x");
}

TEST(StringList, ChangeEventsFireOncePerUpdate) {
    TStringList list;
    int changing = 0, changed = 0;
    list.OnChanging = [&](TObject* sender) {
        EXPECT_EQ(sender, &list);
        ++changing;
    };
    list.OnChange = [&](TObject*) { ++changed; };
    list.Add("a");
    EXPECT_EQ(changing, 1);
    EXPECT_EQ(changed, 1);
    list.BeginUpdate();
    list.BeginUpdate();
    list.Add("b");
    list.Add("c");
    list.EndUpdate();
    EXPECT_EQ(changed, 1);
    list.EndUpdate();
    EXPECT_EQ(changing, 2);
    EXPECT_EQ(changed, 2);
    list.SetText("x\ny");
    EXPECT_EQ(changed, 3);
}

// A list that counts SetUpdateState calls, as a control's list does to stop redrawing.
class TProbeStrings : public TStrings {
public:
    std::vector<std::string> Data;
    std::vector<bool> States;

protected:
    std::string Get(int Index) const override { return Data.at(static_cast<size_t>(Index)); }
    int GetCount() const override { return static_cast<int>(Data.size()); }
    void Clear() override { Data.clear(); }
    void Delete(int Index) override { Data.erase(Data.begin() + Index); }
    void Insert(int Index, const std::string& S) override { Data.insert(Data.begin() + Index, S); }
    void SetUpdateState(bool Updating) override { States.push_back(Updating); }
};

TEST(Strings, DerivedListsGetTheWholeSurfaceFromFiveOperations) {
    TProbeStrings probe;
    probe.SetText("b\nc");
    EXPECT_EQ(probe.States, (std::vector<bool>{true, false}));
    probe.SetStrings(0, "a");  // Put falls back to Delete + Insert
    probe.Move(1, 0);
    EXPECT_EQ(probe.Data, (V{"c", "a"}));
    EXPECT_EQ(probe.IndexOf("A"), 1);
    TStringList copy;
    copy.Assign(&probe);
    EXPECT_EQ(Items(copy), (V{"c", "a"}));
    probe.Assign(&copy);
    EXPECT_TRUE(probe.Equals(&copy));
    TPersistent other;
    EXPECT_THROW(copy.Assign(&other), EConvertError);
}

TEST(StringList, FilesAndStreamsRoundTrip) {
    TempDir dir;
    WriteFileBytes(dir.File("in.txt"), "one\r\ntwo\nthree");
    TStringList list;
    list.LoadFromFile(dir.File("in.txt"));
    EXPECT_EQ(Items(list), (V{"one", "two", "three"}));
    list.SaveToFile(dir.File("out.txt"));
    EXPECT_EQ(ReadFileBytes(dir.File("out.txt")), "one\r\ntwo\r\nthree\r\n");
    EXPECT_THROW(list.LoadFromFile(dir.File("missing.txt")), EFOpenError);
    EXPECT_EQ(list.Count(), 3);  // a failed load keeps the list

    TStringStream stream("skip\r\nrest\r\n");
    stream.SetPosition(6);
    list.LoadFromStream(&stream);
    EXPECT_EQ(Items(list), V{"rest"});
    TMemoryStream memory;
    list.SaveToStream(&memory);
    EXPECT_EQ(memory.Size(), 6);
}

}  // namespace
