// The rich edit on a real form under Xvfb: coloured lines as the HEX log writes them, rich text files, long
// texts, text the code page cannot hold, and its events from real keys.
#include "classlib/visual/RichEdit.h"

#include "tests/support/ApplicationLoop.h"
#include "tests/support/SyntheticInput.h"
#include "classlib/runtime/FormResources.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr TColor Sent = 0x00C08000;
constexpr TColor Received = 0x00208000;

class RichEdit : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetPosition(poDesigned);
        form->SetBounds(60, 60, 420, 320);
    }
    void TearDown() override {
        form->Free();
        PumpFor(20);
    }
    TRichEdit* Place() {
        auto* edit = new TRichEdit(form);
        edit->SetParent(form);
        edit->SetBounds(10, 10, 380, 250);
        return edit;
    }
    // One line as the HEX log adds it: caret to the end, the colour for what is inserted next, the text.
    static void AppendLine(TRichEdit* edit, TColor color, const std::string& line) {
        edit->SetSelStart(edit->GetTextLen());
        edit->SetSelLength(0);
        edit->SelAttributes()->SetColor(color);
        edit->SetSelText(line + "\r\n");
    }
    static COLORREF LineColor(TRichEdit* edit, int line) {
        HWND h = edit->Handle();
        auto start = static_cast<LONG>(SendMessageW(h, EM_LINEINDEX, line, 0));
        CHARRANGE range{start, start + 1};
        SendMessageW(h, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
        CHARFORMAT2W f{};
        f.cbSize = sizeof f;
        SendMessageW(h, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&f));
        return f.crTextColor;
    }
    TForm* form = nullptr;
};

TEST_F(RichEdit, AppendedLinesKeepTheirColoursInTheControlAndInTheRichTextFile) {
    TempDir dir;
    TRichEdit* edit = Place();
    edit->SetReadOnly(true);
    form->Show();
    AppendLine(edit, Sent, "41 54 0D 0A ");
    AppendLine(edit, Received, "0D 0A 4F 4B 0D 0A ");
    AppendLine(edit, Sent, "1A ");
    ASSERT_EQ(edit->Lines()->Count(), 3);
    EXPECT_EQ(edit->Lines()->Strings(1), "0D 0A 4F 4B 0D 0A ");
    EXPECT_EQ(LineColor(edit, 0), 0xC08000u);
    EXPECT_EQ(LineColor(edit, 1), 0x208000u);
    EXPECT_EQ(LineColor(edit, 2), 0xC08000u);

    edit->Lines()->SaveToFile(dir.File("log.rtf"));
    std::string rtf = ReadFileBytes(dir.File("log.rtf"));
    EXPECT_EQ(rtf.rfind("{\\rtf", 0), 0u);
    EXPECT_NE(rtf.find("\\colortbl"), std::string::npos);
    EXPECT_NE(rtf.find("\\red0\\green128\\blue192"), std::string::npos);
    EXPECT_NE(rtf.find("\\red0\\green128\\blue32"), std::string::npos);
    EXPECT_NE(rtf.find("0D 0A 4F 4B 0D 0A"), std::string::npos);

    // Read back into another control, the colours come along.
    TRichEdit* copy = Place();
    copy->Lines()->LoadFromFile(dir.File("log.rtf"));
    EXPECT_EQ(copy->Lines()->Strings(0), "41 54 0D 0A ");
    EXPECT_EQ(LineColor(copy, 1), 0x208000u);

    // As plain text the same lines, each ended by CR LF.
    edit->SetPlainText(true);
    edit->Lines()->SaveToFile(dir.File("log.txt"));
    EXPECT_EQ(ReadFileBytes(dir.File("log.txt")), "41 54 0D 0A \r\n0D 0A 4F 4B 0D 0A \r\n1A \r\n");
    copy->Lines()->LoadFromFile(dir.File("log.txt"));
    EXPECT_EQ(copy->Text(), "41 54 0D 0A \r\n0D 0A 4F 4B 0D 0A \r\n1A \r\n");
}

TEST_F(RichEdit, ColoursSurviveANewWindow) {
    TRichEdit* edit = Place();
    form->Show();
    AppendLine(edit, Sent, "sent");
    AppendLine(edit, Received, "received");
    edit->SetWordWrap(false);  // makes the window anew
    ASSERT_EQ(edit->Lines()->Count(), 2);
    EXPECT_EQ(LineColor(edit, 0), 0xC08000u);
    EXPECT_EQ(LineColor(edit, 1), 0x208000u);
}

TEST_F(RichEdit, FarMoreThanSixtyFourThousandCharactersAreKeptAndTypingGoesOn) {
    TRichEdit* edit = Place();
    edit->SetWordWrap(false);  // a line is then a line, not a row on the screen
    form->Show();
    ASSERT_TRUE(PumpUntil([&] { return form->Active(); }));
    const std::string line(999, 'A');
    for (int i = 0; i < 70; ++i)
        AppendLine(edit, i % 2 ? Sent : Received, line);
    EXPECT_EQ(edit->GetTextLen(), 70 * 1000);
    EXPECT_EQ(edit->Lines()->Count(), 70);
    EXPECT_EQ(edit->Lines()->Strings(69), line);
    edit->Lines()->Add("last");
    EXPECT_EQ(edit->Lines()->Strings(70), "last");
    // A user typing at the end is not stopped either.
    edit->SetFocus();
    edit->SetSelStart(edit->GetTextLen());
    TypeText(L"xyz");
    ASSERT_TRUE(PumpUntil([&] { return edit->GetTextLen() == 70 * 1000 + 8; }));
}

TEST_F(RichEdit, FailingStreamsRaiseAndNothingIsReportedAsWritten) {
    // A stream that refuses every byte, as a full disk does.
    class TFullStream : public TStream {
    public:
        long Read(void*, long) override { return 0; }
        long Write(const void*, long) override { return 0; }
        long long Seek(long long, unsigned short) override { return 0; }
    };
    TRichEdit* edit = Place();
    edit->Lines()->Add("text");
    TFullStream full;
    EXPECT_THROW(edit->Lines()->SaveToStream(&full), EWriteError);
    TempDir dir;
    EXPECT_THROW(edit->Lines()->SaveToFile(dir.File("missing\\log.rtf")), EFCreateError);
}

TEST_F(RichEdit, AFormDescriptionSetsItUpAndItsLinesReachTheWindow) {
    ReadComponentText(R"(object frm: TForm
  Font.Name = 'Courier New'
  Font.Height = -12
  object Log: TRichEdit
    Left = 0
    Top = 0
    Width = 300
    Height = 200
    Align = alClient
    Lines.Strings = (
      'HEX Log'
      '')
    ReadOnly = True
    ScrollBars = ssBoth
    WordWrap = False
  end
end)",
                      form);
    auto* log = dynamic_cast<TRichEdit*>(form->FindComponent("Log"));
    ASSERT_NE(log, nullptr);
    EXPECT_STREQ(log->ClassName(), "TRichEdit");
    form->Show();
    EXPECT_TRUE(GetWindowLongW(log->Handle(), GWL_STYLE) & ES_READONLY);
    EXPECT_EQ(log->Lines()->Count(), 2);
    EXPECT_EQ(log->Lines()->Strings(0), "HEX Log");
    EXPECT_EQ(log->DefAttributes()->Name(), "Courier New");
    EXPECT_EQ(log->DefAttributes()->Height(), -12);
    // The caret at the end lands after both lines.
    log->SetSelStart(log->GetTextLen());
    log->SetSelText("41 ");
    EXPECT_EQ(log->Lines()->Strings(2), "41 ");
}

TEST_F(RichEdit, TextTheCodePageCannotHoldSurvivesEditsMemosAndRichEdits) {
    const wchar_t* text = L"\u041F\u0440\u0438\u0432\u0435\u0442 \u4E2D\u6587 \u00FC\u20AC";
    auto* memo = new TMemo(form);
    memo->SetParent(form);
    TRichEdit* rich = Place();
    form->Show();
    for (TWinControl* c : {static_cast<TWinControl*>(memo), static_cast<TWinControl*>(rich)}) {
        SetWindowTextW(c->Handle(), text);
        wchar_t back[64] = {};
        GetWindowTextW(c->Handle(), back, 64);
        EXPECT_STREQ(back, text) << c->ClassName();
        EXPECT_TRUE(IsWindowUnicode(c->Handle())) << c->ClassName();
    }
}

TEST_F(RichEdit, TypingChangesTheTextAndMovingTheCaretTheSelection) {
    TRichEdit* edit = Place();
    int changes = 0, selections = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    edit->OnSelectionChange = [&](TObject*) { ++selections; };
    form->Show();
    ASSERT_TRUE(PumpUntil([&] { return form->Active(); }));
    edit->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return edit->Focused(); }));
    TypeText(L"AT\u4E2D");
    ASSERT_TRUE(PumpUntil([&] { return edit->GetTextLen() == 3; }));
    EXPECT_GE(changes, 1);
    wchar_t back[8] = {};
    GetWindowTextW(edit->Handle(), back, 8);
    EXPECT_STREQ(back, L"AT\u4E2D");
    selections = 0;
    PressKey(VK_HOME);
    ASSERT_TRUE(PumpUntil([&] { return selections > 0; }));
    EXPECT_EQ(edit->SelStart(), 0);
    PressKey(VK_END, true);
    ASSERT_TRUE(PumpUntil([&] { return edit->SelLength() == 3; }));
    EXPECT_EQ(edit->SelText(), "AT?");
}

}  // namespace
