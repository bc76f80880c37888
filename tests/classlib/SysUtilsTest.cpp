#include "classlib/runtime/SysUtils.h"

#include <gtest/gtest.h>

TEST(StrToInt, AcceptsTheClassLibraryForms) {
    EXPECT_EQ(StrToInt("  42"), 42);
    EXPECT_EQ(StrToInt("-17"), -17);
    EXPECT_EQ(StrToInt("+5"), 5);
    EXPECT_EQ(StrToInt("$1F"), 31);
    EXPECT_EQ(StrToInt("0x1f"), 31);
    EXPECT_EQ(StrToInt("010"), 10);  // a leading zero is decimal
    EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
    EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
}

TEST(StrToInt, RejectsEverythingElse) {
    for (const char* bad : {"", " ", "12 ", "1.5", "abc", "$", "0x", "2147483648", "--1", "$1G", "1e3"})
        EXPECT_THROW(StrToInt(bad), EConvertError) << bad;
    EXPECT_EQ(StrToIntDef("x", 7), 7);
    try {
        StrToInt("zz");
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'zz' is not a valid integer value");
    }
}

TEST(Round, HalvesGoToEven) {
    EXPECT_EQ(Round(0.5), 0);
    EXPECT_EQ(Round(1.5), 2);
    EXPECT_EQ(Round(2.5), 2);
    EXPECT_EQ(Round(-0.5), 0);
    EXPECT_EQ(Round(-1.5), -2);
    EXPECT_EQ(Round(2.4999), 2);
    EXPECT_EQ(Round(2.5001), 3);
}

TEST(Strings, TrimCaseAndCompare) {
    EXPECT_EQ(Trim("\t a b \r\n"), "a b");
    EXPECT_EQ(UpperCase("abc\xe9"), "ABC\xe9");
    EXPECT_EQ(AnsiUpperCase("abc\xe9"), "ABC\xc9");
    EXPECT_EQ(CompareText("abc", "ABD"), -1);
    EXPECT_TRUE(SameText("Hello", "hELLO"));
    EXPECT_EQ(StringReplaceAll("aXbXc", "X", "--"), "a--b--c");
    EXPECT_EQ(StringReplaceAll("abc", "", "x"), "abc");
}

TEST(Format, SafeFormatRefusesAPatternWithOtherDirectives) {
    EXPECT_EQ(SafeFormat("Fehler %d", "Error %d", "%d", 5), "Fehler 5");
    EXPECT_EQ(SafeFormat("Fehler %s", "Error %d", "%d", 5), "Error 5");
    EXPECT_EQ(SafeFormat("100%% %d", "x %d", "%d", 5), "100% 5");
    EXPECT_EQ(FormatDirectives("%-5.2ld and %s %%"), "%d%s");
}

TEST(FileNames, PathsAndExtensions) {
    EXPECT_EQ(ChangeFileExt("C:\\a.b\\prog.exe", ".ini"), "C:\\a.b\\prog.ini");
    EXPECT_EQ(ChangeFileExt("C:\\a.b\\prog", ".ini"), "C:\\a.b\\prog.ini");
    EXPECT_EQ(ExtractFilePath("C:\\dir\\file.txt"), "C:\\dir\\");
    EXPECT_EQ(ExtractFileName("C:\\dir\\file.txt"), "file.txt");
    EXPECT_EQ(ExtractFileExt("C:\\dir.x\\file"), "");
    EXPECT_TRUE(FileExists(ParamStr0()));
    EXPECT_FALSE(FileExists(ExtractFilePath(ParamStr0())));
    EXPECT_TRUE(DirectoryExists(ExtractFilePath(ParamStr0())));
}

TEST(OSError, CarriesTheCodeAndTheSystemText) {
    try {
        RaiseOSError("CreateFileA", ERROR_FILE_NOT_FOUND);
    } catch (const EOSError& e) {
        EXPECT_EQ(e.ErrorCode(), 2u);
        EXPECT_NE(std::string(e.what()).find("CreateFileA failed"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("(system error 2)"), std::string::npos);
    }
}

TEST(OleError, AFailureCodeRaisesWithTheCallAndTheCode) {
    EXPECT_EQ(OleCheck(S_FALSE, "OleInitialize"), S_FALSE);
    try {
        OleCheck(E_NOINTERFACE, "QueryInterface");
        FAIL() << "no exception";
    } catch (const EOleSysError& e) {
        EXPECT_EQ(e.ErrorCode(), E_NOINTERFACE);
        EXPECT_NE(std::string(e.what()).find("QueryInterface failed"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("(result 0x80004002)"), std::string::npos) << e.what();
    }
}
