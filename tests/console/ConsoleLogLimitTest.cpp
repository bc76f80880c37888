// The console's two logs held at their bounds, on a real form under Xvfb: the oldest lines go in blocks, the newest
// stay (HEX lines in their colours), the text log keeps showing what it showed, and saving saves what is held.
#include "console/uLogLimit.h"

#include "tests/support/ApplicationLoop.h"
#include "tests/skin/PixelTestUtils.h"
#include "tests/support/ScreenPictures.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

constexpr TColor Sent = 0x00C08000;
constexpr TColor Received = 0x00208000;

class LogLimit : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetPosition(poDesigned);
        form->SetBounds(60, 60, 520, 360);
        memo = new TMemo(form);
        memo->SetParent(form);
        memo->SetBounds(0, 0, 250, 300);
        memo->SetReadOnly(true);
        memo->SetWordWrap(false);
        memo->SetScrollBars(ssBoth);
        SendMessageA(memo->Handle(), EM_SETLIMITTEXT, 0, 0);
        hex = new TRichEdit(form);
        hex->SetParent(form);
        hex->SetBounds(260, 0, 250, 300);
        hex->SetReadOnly(true);
        hex->SetWordWrap(false);
        hex->SetScrollBars(ssBoth);
        form->Show();
        PumpFor(20);
    }
    void TearDown() override {
        form->Free();
        PumpFor(20);
    }
    // As the console appends received text: at the end, without a line of its own.
    void AppendText(const std::string& text) {
        int end = GetWindowTextLengthA(memo->Handle());
        SendMessageA(memo->Handle(), EM_SETSEL, end, end);
        SendMessageA(memo->Handle(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    }
    // As the HEX log appends a line: caret to the end, the colour, the line.
    void AppendHex(const std::string& line, TColor color) {
        hex->SetSelStart(hex->GetTextLen());
        hex->SetSelLength(0);
        hex->SelAttributes()->SetColor(color);
        hex->SetSelText(line + "\r\n");
    }
    COLORREF HexLineColor(int line) {
        HWND h = hex->Handle();
        auto start = static_cast<LONG>(SendMessageW(h, EM_LINEINDEX, line, 0));
        CHARRANGE range{start, start + 1};
        SendMessageW(h, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
        CHARFORMAT2W f{};
        f.cbSize = sizeof f;
        SendMessageW(h, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&f));
        return f.crTextColor;
    }
    static std::string Numbered(const char* what, int i) {
        char s[32];
        std::snprintf(s, sizeof s, "%s %05d", what, i);
        return s;
    }
    TForm* form = nullptr;
    TMemo* memo = nullptr;
    TRichEdit* hex = nullptr;
};

TEST_F(LogLimit, ATextLogAtItsBoundKeepsTheNewestWholeLinesAndSavesThem) {
    const TLogLimit limit{1000, 0};
    std::string all;
    int dropped = 0;
    for (int i = 0; i < 200; ++i) {
        std::string line = Numbered("line", i) + "\r\n";  // 12 characters
        AppendText(line);
        all += line;
        int length = GetWindowTextLengthA(memo->Handle());
        int cut = TrimTextLog(memo, limit);
        if (cut) {
            // Only past the bound, and then down to seven eighths of it, whole lines at a time.
            EXPECT_GT(length, limit.MaxChars);
            EXPECT_LE(GetWindowTextLengthA(memo->Handle()), limit.MaxChars * 7 / 8);
            EXPECT_EQ(cut % 12, 0) << "a line was cut in two";
        }
        dropped += cut;
        EXPECT_LE(GetWindowTextLengthA(memo->Handle()), limit.MaxChars);
    }
    // What is held is exactly the newest part of everything appended: the count returned says where it starts.
    EXPECT_EQ(memo->Text(), all.substr(static_cast<size_t>(dropped)));
    EXPECT_GT(dropped, 0);
    EXPECT_EQ(memo->Lines()->Strings(memo->Lines()->Count() - 1), "line 00199");

    TempDir dir;
    memo->Lines()->SaveToFile(dir.File("log.txt"));
    EXPECT_EQ(ReadFileBytes(dir.File("log.txt")), all.substr(static_cast<size_t>(dropped)));
}

TEST_F(LogLimit, ATextLogPastItsLineBoundKeepsTheNewestLines) {
    const TLogLimit limit{100000, 40};
    std::string all;
    int dropped = 0;
    for (int i = 0; i < 300; ++i) {
        // Short lines, far below the character bound; every third append ends without its line break yet.
        std::string line = i % 3 == 2 ? Numbered("part", i) : Numbered("line", i) + "\r\n";
        AppendText(line);
        all += line;
        int cut = TrimTextLog(memo, limit);
        dropped += cut;
        int lines = memo->Lines()->Count();
        ASSERT_LE(lines, limit.MaxLines) << "after append " << i;
        if (cut) {
            EXPECT_LE(lines, limit.MaxLines * 7 / 8 + 1) << "an eighth goes at once";
        }
    }
    EXPECT_GT(dropped, 0);
    // Whole lines went, the newest stayed, and the count returned says where the text held begins.
    EXPECT_EQ(memo->Text(), all.substr(static_cast<size_t>(dropped)));
    EXPECT_TRUE(dropped == 0 || all[static_cast<size_t>(dropped) - 1] == '\n') << "a line was cut in two";
    // A text ending in a line break is not one line more: 40 lines with their breaks stay as they are.
    memo->Clear();
    for (int i = 0; i < 40; ++i)
        AppendText(Numbered("line", i) + "\r\n");
    EXPECT_EQ(TrimTextLog(memo, limit), 0);
    AppendText("one more");
    EXPECT_GT(TrimTextLog(memo, limit), 0);
}

TEST_F(LogLimit, ATextLogLineLongerThanTheBoundLosesItsOldestPart) {
    const TLogLimit limit{800, 0};
    AppendText("short\r\n");
    std::string tail;
    for (int i = 0; i < 100; ++i)
        tail += static_cast<char>('a' + i % 26);
    for (int i = 0; i < 10; ++i)
        AppendText(tail);
    int cut = TrimTextLog(memo, limit);
    EXPECT_EQ(cut, 1007 - 700);
    std::string text = memo->Text();
    EXPECT_EQ(text.size(), 700u);
    EXPECT_EQ(text.substr(text.size() - 100), tail);
    // Below the bound nothing changes.
    EXPECT_EQ(TrimTextLog(memo, limit), 0);
    EXPECT_EQ(memo->Text(), text);
}

TEST_F(LogLimit, AHexLogAtItsBoundKeepsTheNewestLinesInTheirColoursAndSavesThem) {
    const TLogLimit limit{100000, 40};
    for (int i = 0; i < 300; ++i) {
        AppendHex(Numbered(i % 3 ? "RX" : "TX", i), i % 3 ? Received : Sent);
        TrimHexLog(hex, limit);
        ASSERT_LE(hex->Lines()->Count(), limit.MaxLines);
    }
    int count = hex->Lines()->Count();
    EXPECT_GE(count, limit.MaxLines * 7 / 8);
    // The newest lines, in order, each in the colour it was written in.
    for (int line = 0; line < count; ++line) {
        int i = 300 - count + line;
        EXPECT_EQ(hex->Lines()->Strings(line), Numbered(i % 3 ? "RX" : "TX", i));
        EXPECT_EQ(HexLineColor(line), static_cast<COLORREF>(i % 3 ? Received : Sent)) << "line " << line;
    }

    // The file holds what the window holds, colours with it, and nothing of what was dropped.
    TempDir dir;
    hex->Lines()->SaveToFile(dir.File("log.rtf"));
    std::string rtf = ReadFileBytes(dir.File("log.rtf"));
    EXPECT_NE(rtf.find("RX 00299"), std::string::npos);
    EXPECT_NE(rtf.find(Numbered((300 - count) % 3 ? "RX" : "TX", 300 - count)), std::string::npos);
    EXPECT_EQ(rtf.find("TX 00000"), std::string::npos);
    EXPECT_EQ(rtf.find(Numbered((299 - count) % 3 ? "RX" : "TX", 299 - count)), std::string::npos);
    EXPECT_NE(rtf.find("\\red0\\green128\\blue192"), std::string::npos);
    EXPECT_NE(rtf.find("\\red0\\green128\\blue32"), std::string::npos);
}

TEST_F(LogLimit, AHexLogPastItsCharacterBoundDropsWholeLinesButNeverTheNewest) {
    const TLogLimit limit{1000, 0};
    for (int i = 0; i < 5; ++i)
        AppendHex(std::string(150, static_cast<char>('A' + i)), i % 2 ? Received : Sent);
    EXPECT_EQ(TrimHexLog(hex, limit), 0) << "below its bound a log keeps everything";
    for (int i = 5; i < 10; ++i)
        AppendHex(std::string(150, static_cast<char>('A' + i)), i % 2 ? Received : Sent);
    EXPECT_GT(TrimHexLog(hex, limit), 0);
    EXPECT_LE(hex->GetTextLen(), 1000 * 7 / 8);
    EXPECT_EQ(hex->Lines()->Strings(0).front(), 'F') << "whole lines go";
    EXPECT_EQ(HexLineColor(0), static_cast<COLORREF>(Received));

    // One line far longer than the bound is the newest data: it stays whole.
    AppendHex(std::string(3000, 'Z'), Sent);
    TrimHexLog(hex, limit);
    ASSERT_EQ(hex->Lines()->Count(), 1);
    EXPECT_EQ(hex->Lines()->Strings(0), std::string(3000, 'Z'));
    EXPECT_EQ(HexLineColor(0), static_cast<COLORREF>(Sent));
}

// What the blocks in use of the process heap hold: the heap the controls take their memory from.
size_t ProcessHeapBytesInUse() {
    HANDLE heap = GetProcessHeap();
    size_t bytes = 0;
    HeapLock(heap);
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heap, &entry))
        if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
            bytes += entry.cbData;
    HeapUnlock(heap);
    return bytes;
}

TEST_F(LogLimit, AHexLogHeldAtItsBoundForLongHoldsNoMoreMemoryAndKeepsNoUndo) {
    // The console's HEX log keeps no undo.
    SendMessageW(hex->Handle(), EM_SETUNDOLIMIT, 0, 0);
    const TLogLimit limit{1000000, 80};
    int written = 0;
    // Twenty lines at a time, each batch in its colour: the drops are what is measured, not the appends.
    auto write = [&](int lines) {
        for (int i = 0; i < lines; i += 20) {
            std::string batch;
            for (int j = 0; j < 20; ++j, ++written)
                batch += Numbered("RX", written) + std::string(48, '0') + (j < 19 ? "\r\n" : "");
            AppendHex(batch, written % 40 ? Sent : Received);
            TrimHexLog(hex, limit);
        }
        PumpFor(20);
    };
    write(400);
    size_t before = ProcessHeapBytesInUse();
    // 1,200 lines dropped: a block of a few hundred bytes left behind for each would be some 300 KB.
    write(1200);
    size_t after = ProcessHeapBytesInUse();
    EXPECT_LT(static_cast<long long>(after) - static_cast<long long>(before), 64 * 1024)
        << before << " bytes in use before, " << after << " after";
    EXPECT_EQ(SendMessageW(hex->Handle(), EM_CANUNDO, 0, 0), 0) << "a drop leaves nothing to undo";
    int count = hex->Lines()->Count();
    EXPECT_EQ(hex->Lines()->Strings(count - 1), Numbered("RX", written - 1) + std::string(48, '0'));
    EXPECT_EQ(HexLineColor(count - 1), static_cast<COLORREF>(Received));
}

TEST_F(LogLimit, TheTextLinesInViewStayInViewWhenOlderOnesGo) {
    for (int i = 0; i < 100; ++i)
        AppendText(Numbered("line", i) + "\r\n");
    // Whatever scrolling the appends started has ended before the user scrolls back to read line 50.
    PumpFor(50);
    auto top = [this] {
        return memo->Lines()->Strings(static_cast<int>(SendMessageW(memo->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0)));
    };
    SendMessageW(memo->Handle(), EM_LINESCROLL, 0, 50 - SendMessageW(memo->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0));
    PumpFor(20);
    ASSERT_EQ(top(), "line 00050");
    EXPECT_GT(TrimTextLog(memo, TLogLimit{1000, 0}), 0);
    PumpFor(20);
    EXPECT_EQ(top(), "line 00050");
}

// Where two pictures of one window differ: empty when they are the same.
std::string Difference(TBitmap* a, TBitmap* b) {
    int w = a->Width(), h = a->Height();
    if (b->Width() != w || b->Height() != h)
        return "pictures of different sizes";
    int count = 0, left = w, top = h, right = -1, bottom = -1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (Px(a, x, y) != Px(b, x, y)) {
                ++count;
                left = std::min(left, x), right = std::max(right, x), top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    if (count == 0)
        return {};
    char s[128];
    std::snprintf(s, sizeof s, "%d pixels differ within (%d,%d)-(%d,%d) of a %dx%d window", count, left, top, right,
                  bottom, w, h);
    return s;
}

int PaintsOfTheLog = 0;
WNDPROC LogProcBefore = nullptr;
LRESULT CALLBACK CountingPaints(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PAINT)
        ++PaintsOfTheLog;
    return CallWindowProcW(LogProcBefore, window, msg, wParam, lParam);
}

// Dropping lines the window does not show leaves the picture on the screen as it was, unpainted (the edit walks
// every line it holds to paint one); a window that showed dropped lines shows the kept ones. Either way the screen
// ends as a full repaint would draw it, scroll bars included.
TEST_F(LogLimit, TheTextLogIsPaintedAfterADropOnlyWhereItShowedDroppedLines) {
    HWND h = memo->Handle();
    for (int i = 0; i < 100; ++i)
        AppendText(Numbered("line", i) + "\r\n");
    auto scrollTo = [h](int line) {
        SendMessageW(h, EM_LINESCROLL, 0, line - SendMessageW(h, EM_GETFIRSTVISIBLELINE, 0, 0));
        PumpFor(50);
    };
    auto repaintedWhole = [h] {
        RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        PumpFor(20);
        return ScreenCopyOf(h);
    };
    // The caret blinks: it stays in the other log while pictures are compared.
    SetFocus(hex->Handle());
    scrollTo(70);
    LogProcBefore = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingPaints)));
    struct TRestore {
        HWND h;
        ~TRestore() { SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LogProcBefore)); }
    } restore{h};

    PaintsOfTheLog = 0;
    ASSERT_GT(TrimTextLog(memo, TLogLimit{1000, 0}), 0);
    PumpFor(50);
    EXPECT_EQ(PaintsOfTheLog, 0) << "the lines in view stayed as they were";
    auto shown = ScreenCopyOf(h);
    EXPECT_EQ(Difference(shown.get(), repaintedWhole().get()), "")
        << "the screen shows what the log holds, scroll bar included";
    EXPECT_EQ(memo->Lines()->Strings(static_cast<int>(SendMessageW(h, EM_GETFIRSTVISIBLELINE, 0, 0))),
              "line 00070");

    // Now the window shows the oldest lines, and they go.
    scrollTo(0);
    PaintsOfTheLog = 0;
    ASSERT_GT(TrimTextLog(memo, TLogLimit{600, 0}), 0);
    PumpFor(50);
    EXPECT_GT(PaintsOfTheLog, 0);
    shown = ScreenCopyOf(h);
    EXPECT_EQ(Difference(shown.get(), repaintedWhole().get()), "");
}

}  // namespace
