// The console as a user meets it: brimlet.exe started beside its settings file, a modem on the far end of
// its COM port, commands typed and clicked, the logs read back from the running program's windows, and the
// settings found again at the next start.
#include "tests/console/ConsoleHarness.h"
#include "tests/support/SerialPeer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <atomic>
#include <cctype>
#include <sstream>

#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

// A GSM modem as far as the console's test needs one.
std::string Gsm(const std::string& line) {
    if (!line.empty() && line.back() == '\x1A')
        return "\r\n+CMGS: 1\r\n\r\nOK\r\n";
    if (line.rfind("AT+CMGS=", 0) == 0)
        return "\r\n> ";
    if (line.rfind("AT", 0) == 0)
        return "\r\nOK\r\n";
    return "";  // the text of a message: no answer until its Ctrl+Z
}

// The console's windows once its port is open.
struct TOpenConsole {
    HWND main = nullptr, combo = nullptr, memo = nullptr, rich = nullptr;
};

// Finds the windows of a running console and opens its port with the port button, as a user does once the main
// window is in front.
void OpenPort(TBrimlet& program, TOpenConsole& console) {
    console.main = program.Window("TfrmMain");
    HWND hex = program.Window("TfrmHEXLog");
    ASSERT_TRUE(console.main && hex);
    console.combo = FindChild(console.main, "TComboBox");
    console.memo = FindChild(console.main, "TMemo");
    console.rich = FindChild(hex, "TRichEdit");
    HWND tlb = Toolbar(console.main, false);
    ASSERT_TRUE(console.combo && console.memo && console.rich && tlb);
    WaitUntil([&] { return GetForegroundWindow() == console.main; });
    ClickToolbarButton(tlb, 0);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(console.combo) != FALSE; }));
}

}  // namespace

TEST(Console, TalksToAModemAndKeepsItsSettings) {
    SerialPeer peer;
    peer.StartModem(Gsm);
    TempDir dir;
    CopyProgramInto(dir);
    WriteFileBytes(dir.File("brimlet.ini"), "[comport]\r\nPort=" + peer.PortName() +
                                                "\r\n\r\n[Last]\r\nLeft=40\r\nTop=30\r\nWidth=500\r\nHeight=480\r\n");
    RECT mainRect{}, hexRect{};
    {
        TBrimlet program(dir.File("brimlet.exe"));
        HWND main = program.Window("TfrmMain");
        HWND hex = program.Window("TfrmHEXLog");
        ASSERT_TRUE(main && hex);
        EXPECT_EQ(WindowText(main), "Brimlet 1.24");
        mainRect = WindowRect(main);
        EXPECT_EQ(mainRect.left, 40);
        EXPECT_EQ(mainRect.top, 30);
        // At the first start the HEX log stands at the main window's right edge, as tall as it.
        hexRect = WindowRect(hex);
        EXPECT_EQ(hexRect.left, mainRect.right);
        EXPECT_EQ(hexRect.top, mainRect.top);
        EXPECT_EQ(hexRect.bottom - hexRect.top, mainRect.bottom - mainRect.top);

        HWND combo = FindChild(main, "TComboBox");
        HWND memo = FindChild(main, "TMemo");
        HWND rich = FindChild(hex, "TRichEdit");
        HWND tlb = Toolbar(main, false);
        ASSERT_TRUE(combo && memo && rich && tlb);
        EXPECT_FALSE(IsWindowEnabled(combo)) << "nothing can be sent while the port is closed";

        // The port button is the first of the main toolbar; the click comes once the window is there to take it,
        // as a user's would.
        WaitUntil([&] { return GetForegroundWindow() == main; });
        ClickToolbarButton(tlb, 0);
        if (!WaitUntil([&] { return IsWindowEnabled(combo) != FALSE; })) {
            Photograph("console-port-not-open.png");
            FAIL() << "the port did not open; the port button's state: " << ToolbarButtonState(tlb, 0)
                   << ", in front: " << ClassNameOf(GetForegroundWindow())
                   << ", status: " << WindowText(FindChild(main, "TPanel"));
        }

        // The box holds "AT" and has the keyboard: Enter sends it.
        Sleep(200);
        PressKey(VK_RETURN);
        // The modem keeps everything it received: the bytes on the line, exactly.
        auto received = [&](const std::string& bytes) {
            return WaitUntil([&] { return peer.Received().size() >= bytes.size(); }, 5000) && peer.Received() == bytes;
        };
        EXPECT_TRUE(received("AT\r\n")) << peer.Received();
        ASSERT_TRUE(WaitUntil([&] { return WindowText(memo).find("OK") != std::string::npos; }));

        // A text message: the command, its text, then Ctrl+Z.
        TypeText(L"AT+CMGS=\"5551234\"");
        PressKey(VK_RETURN);
        EXPECT_TRUE(received("AT\r\nAT+CMGS=\"5551234\"\r\n")) << peer.Received();
        ASSERT_TRUE(WaitUntil([&] { return WindowText(memo).find("> ") != std::string::npos; }));
        TypeText(L"Hello");
        PressKey('Z', false, true);
        EXPECT_TRUE(received("AT\r\nAT+CMGS=\"5551234\"\r\nHello\r\n\x1A")) << peer.Received();
        ASSERT_TRUE(WaitUntil([&] { return WindowText(memo).find("+CMGS: 1") != std::string::npos; }));
        ASSERT_TRUE(WaitUntil([&] {
            std::string t = WindowText(memo);
            return t.find("+CMGS: 1\r\n\r\nOK") != std::string::npos;
        }));
        EXPECT_EQ(WindowText(combo), "") << "Ctrl+Z empties the box";

        // The text log: the usage text, then the answers one after the other where the last one ended.
        std::string log = WindowText(memo);
        EXPECT_EQ(log.rfind("Usage:\r\n\r\n1. Select and configure comport\r\n", 0), 0u) << log;
        EXPECT_NE(log.find("will send directly\r\n\r\n\r\nOK\r\n\r\n> \r\n+CMGS: 1\r\n\r\nOK\r\n"), std::string::npos)
            << log;

        // The HEX log: one line per write and per received chunk, the sent ones first as written.
        std::string hexText = WindowText(rich);
        EXPECT_EQ(hexText.rfind("HEX Log", 0), 0u) << hexText;
        for (const char* line : {"41 54 0D 0A \r", "41 54 2B 43 4D 47 53 3D 22 35 35 35 31 32 33 34 22 0D 0A \r",
                                 "48 65 6C 6C 6F 0D 0A \r", "\n1A \r"})
            EXPECT_NE(hexText.find(line), std::string::npos) << line << "\n" << hexText;
        EXPECT_NE(hexText.find("4F 4B "), std::string::npos) << hexText;

        // Both colours are on the screen: sent lines in $00C08000, received lines in $00208000.
        Sleep(300);
        RECT rr = WindowRect(rich);
        EXPECT_GT(CountPixels(rr, RGB(0x00, 0x80, 0xC0)), 0) << "no sent-colour pixel";
        EXPECT_GT(CountPixels(rr, RGB(0x00, 0x80, 0x20)), 0) << "no received-colour pixel";
        Photograph("console-session.png");

        PostMessageA(main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(program.WaitForExit()) << "the program did not end when its main window closed";
    }

    std::string ini = ReadFileBytes(dir.File("brimlet.ini"));
    for (const std::string& part :
         {std::string("[comport]\r\nPort=") + peer.PortName(), std::string("Left=40"), std::string("Top=30"),
          std::string("CMDCount=3"), std::string("CMD0=Hello"), std::string("CMD1=AT+CMGS=\"5551234\""),
          std::string("CMD2=AT"), std::string("[Button]"), std::string("Wexlo2=AT+CMGS=\"\""),
          "HexLogLeft=" + std::to_string(hexRect.left)})
        EXPECT_NE(ini.find(part), std::string::npos) << part << "\n" << ini;

    // The next start finds both windows where they were, the log docked again, and the history.
    {
        TBrimlet program(dir.File("brimlet.exe"));
        HWND main = program.Window("TfrmMain");
        HWND hex = program.Window("TfrmHEXLog");
        ASSERT_TRUE(main && hex);
        RECT m = WindowRect(main), h = WindowRect(hex);
        EXPECT_EQ(m.left, mainRect.left);
        EXPECT_EQ(m.top, mainRect.top);
        EXPECT_EQ(h.left, hexRect.left);
        EXPECT_EQ(h.top, hexRect.top);
        EXPECT_EQ(h.right - h.left, hexRect.right - hexRect.left);
        HWND combo = FindChild(main, "TComboBox");
        EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 3);
        // Docked: a moved main window takes the log along.
        SetWindowPos(main, nullptr, 60, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        EXPECT_TRUE(WaitUntil([&] { return WindowRect(hex).left == WindowRect(main).right; }));
        PostMessageA(main, WM_CLOSE, 0, 0);
        EXPECT_TRUE(program.WaitForExit());
    }
}

TEST(Console, AFirstStartWritesTheDefaultButtonsAndADamagedColourIsNoObstacle) {
    TempDir dir;
    CopyProgramInto(dir);
    WriteFileBytes(dir.File("brimlet.ini"), "; my settings\r\n\r\n[cfg]\r\nTXDColor = not a colour\r\n");
    TBrimlet program(dir.File("brimlet.exe"));
    HWND main = program.Window("TfrmMain");
    ASSERT_TRUE(main);
    RECT r = WindowRect(main);
    EXPECT_EQ(r.right - r.left, 500);
    EXPECT_EQ(r.bottom - r.top, 480);
    HWND shortcuts = Toolbar(main, true);
    ASSERT_TRUE(shortcuts);
    EXPECT_EQ(SendMessageA(shortcuts, TB_BUTTONCOUNT, 0, 0), 5);
    PostMessageA(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.WaitForExit());
    std::string ini = ReadFileBytes(dir.File("brimlet.ini"));
    EXPECT_EQ(ini.rfind("; my settings\r\n\r\n[cfg]\r\nTXDColor = not a colour\r\n", 0), 0u) << ini;
    for (const char* part : {"[Button]", "Count=5", "Name1=AT", "Wexlo1=AT", "Checked1=1", "Name5=CEER",
                             "Wexlo5=AT+CEER", "[Last]", "Width=500", "Height=480"})
        EXPECT_NE(ini.find(part), std::string::npos) << part << "\n" << ini;
}

TEST(Console, OnlyTheZKeyWithCtrlAloneEndsAText) {
    SerialPeer peer;
    peer.StartModem(Gsm);
    TempDir dir;
    CopyProgramInto(dir);
    WriteFileBytes(dir.File("brimlet.ini"), "[comport]\r\nPort=" + peer.PortName() + "\r\n");
    TBrimlet program(dir.File("brimlet.exe"));
    HWND main = program.Window("TfrmMain");
    ASSERT_TRUE(main);
    HWND combo = FindChild(main, "TComboBox");
    HWND tlb = Toolbar(main, false);
    ASSERT_TRUE(combo && tlb);
    WaitUntil([&] { return GetForegroundWindow() == main; });
    ClickToolbarButton(tlb, 0);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(combo) != FALSE; })) << "the port did not open";
    Sleep(200);

    // F11 has the key code of a lower-case z; Shift or Alt with Ctrl make other chords. (The box itself may take
    // some of them as its undo; the program sends nothing and keeps the text.)
    const std::vector<std::pair<std::vector<WORD>, WORD>> chords = {
        {{VK_CONTROL}, VK_F11}, {{VK_CONTROL, VK_SHIFT}, 'Z'}, {{VK_CONTROL, VK_MENU}, 'Z'}};
    for (const auto& chord : chords) {
        TypeOver(L"Hello");
        ASSERT_TRUE(WaitUntil([&] { return WindowText(combo) == "Hello"; })) << WindowText(combo);
        PressChord(chord.first, chord.second);
        Sleep(500);
        EXPECT_EQ(peer.Received(), "") << "a chord with key " << chord.second << " sent the text";
        EXPECT_NE(WindowText(combo), "") << "a chord with key " << chord.second << " emptied the box";
    }
    TypeOver(L"Hello");
    ASSERT_TRUE(WaitUntil([&] { return WindowText(combo) == "Hello"; })) << WindowText(combo);
    PressChord({VK_CONTROL}, 'Z');
    EXPECT_TRUE(WaitUntil([&] { return peer.Received() == "Hello\r\n\x1A"; }, 5000)) << peer.Received();
    EXPECT_TRUE(WaitUntil([&] { return WindowText(combo).empty(); }));
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.WaitForExit());
}

TEST(Console, CountsAndSizesInTheSettingsFileAreNotTakenOnTrust) {
    TempDir dir;
    CopyProgramInto(dir);
    std::string history;
    for (int i = 0; i < 25; ++i)
        history += "CMD" + std::to_string(i) + "=AT" + std::to_string(i) + "\r\n";
    WriteFileBytes(dir.File("brimlet.ini"),
                   "[Last]\r\nLeft=2147483000\r\nTop=-2147483000\r\nWidth=0\r\nHeight=-480\r\nHexLogWidth=-300\r\n"
                   "HexLogHeight=0\r\n\r\n[CmdHis]\r\nCMDCount=2000000000\r\n" +
                       history +
                       "\r\n[Button]\r\nCount=2000000000\r\nName1=One\r\nChecked1=1\r\nName2=Two\r\nChecked2=1\r\n"
                       "Name150=Far\r\nChecked150=1\r\n");
    TBrimlet program(dir.File("brimlet.exe"));
    HWND main = program.Window("TfrmMain");
    HWND hex = program.Window("TfrmHEXLog");
    ASSERT_TRUE(main && hex) << "the program did not come up";
    // Impossible sizes give way to the defaults; the window then lies flush with the screen's right edge.
    RECT m = WindowRect(main), h = WindowRect(hex);
    EXPECT_EQ(m.right - m.left, 500);
    EXPECT_EQ(m.bottom - m.top, 480);
    EXPECT_EQ(m.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(m.top, 0);
    EXPECT_EQ(h.right - h.left, 300);
    EXPECT_EQ(h.bottom - h.top, 480);
    // The history as far as it goes, the buttons as far as a bar holds them.
    HWND combo = FindChild(main, "TComboBox");
    ASSERT_TRUE(combo);
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 18);
    HWND shortcuts = Toolbar(main, true);
    ASSERT_TRUE(shortcuts);
    EXPECT_EQ(SendMessageA(shortcuts, TB_BUTTONCOUNT, 0, 0), 2);
    // The option dialog lists as many entries as a bar holds.
    HWND tlb = Toolbar(main, false);
    WaitUntil([&] { return GetForegroundWindow() == main; });
    ClickToolbarButton(tlb, 3);
    HWND option = program.Window("TfrmOption", "Option");
    HWND list = option ? FindChild(option, "TListView") : nullptr;
    ASSERT_TRUE(list) << "no option dialog";
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 100);
    PostMessageA(option, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(option); }));
    PostMessageA(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.WaitForExit()) << "the program did not end";
    std::string ini = ReadFileBytes(dir.File("brimlet.ini"));
    for (const char* part : {"CMDCount=18", "CMD0=AT0", "CMD17=AT17", "Width=500", "Height=480", "HexLogWidth=300"})
        EXPECT_NE(ini.find(part), std::string::npos) << part << "\n" << ini;
    EXPECT_EQ(ini.find("CMD18="), std::string::npos) << ini;
}

TEST(Console, AFloodLongerThanOneReadReachesBothLogsWholeAndInOrder) {
    SerialPeer peer;
    TempDir dir;
    CopyProgramInto(dir);
    WriteFileBytes(dir.File("brimlet.ini"), "[comport]\r\nPort=" + peer.PortName() + "\r\n");
    TBrimlet program(dir.File("brimlet.exe"));
    TOpenConsole console;
    ASSERT_NO_FATAL_FAILURE(OpenPort(program, console));
    HWND main = console.main, memo = console.memo, rich = console.rich;

    // A message store read out, 7,003 bytes written at once: more than the console takes into its
    // logs in one go.
    std::string flood;
    for (int i = 0; flood.size() < 7000; ++i)
        flood += "+CMGL: " + std::to_string(i) + ",\"REC READ\",\"+15551234\"\r\nLine " + std::to_string(i) + "\r\n";
    flood.resize(7000);
    flood += "END";
    peer.Write(flood);
    ASSERT_TRUE(WaitUntil([&] { return WindowText(memo).find("END") != std::string::npos; }, 15000));
    std::string text = WindowText(memo);
    EXPECT_NE(text.find(flood), std::string::npos) << "every byte, once, in order";

    // The HEX log holds the same bytes, in lines of at most one read each.
    std::string hexText;
    ASSERT_TRUE(WaitUntil([&] { return (hexText = WindowText(rich)).find("45 4E 44") != std::string::npos; }));
    size_t longest = 0, start = 0;
    for (size_t i = 0; i <= hexText.size(); ++i)
        if (i == hexText.size() || hexText[i] == '\r' || hexText[i] == '\n') {
            longest = std::max(longest, i - start);
            start = i + 1;
        }
    std::string bytes, token;
    std::istringstream tokens(hexText);
    while (tokens >> token)
        if (token.size() == 2 && std::isxdigit(static_cast<unsigned char>(token[0])) &&
            std::isxdigit(static_cast<unsigned char>(token[1])))
            bytes += static_cast<char>(std::stoi(token, nullptr, 16));
    ASSERT_GE(bytes.size(), flood.size());
    EXPECT_EQ(bytes.substr(bytes.size() - flood.size()), flood);
    EXPECT_GT(longest, 0u);
    EXPECT_LE(longest, 3u * 1024) << "a line for at most 1,024 bytes";
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.WaitForExit());
}

TEST(Console, ATrickleThatNeverPausesShowsAsItComesAndACommandLandsAtOnePlaceInBothLogs) {
    SerialPeer peer;
    peer.StartModem([](const std::string&) { return std::string(); });  // keeps what it receives, says nothing
    TempDir dir;
    CopyProgramInto(dir);
    WriteFileBytes(dir.File("brimlet.ini"),
                   "[comport]\r\nPort=" + peer.PortName() + "\r\n\r\n[cfg]\r\nEchoChar=1\r\n");
    TBrimlet program(dir.File("brimlet.exe"));
    TOpenConsole console;
    ASSERT_NO_FATAL_FAILURE(OpenPort(program, console));
    HWND main = console.main, memo = console.memo, rich = console.rich;

    // A line every 10 ms for four seconds: the port is never quiet for long, so received text that waited for a
    // pause would wait for the end.
    std::atomic<bool> stop{false};
    std::thread farEnd([&] {
        for (int i = 100; i < 500 && !stop; ++i) {
            peer.Write("x" + std::to_string(i) + "\r\n");
            Sleep(10);
        }
    });
    struct TJoin {
        std::thread& t;
        std::atomic<bool>& stop;
        ~TJoin() {
            stop = true;
            t.join();
        }
    } join{farEnd, stop};
    ASSERT_TRUE(WaitUntil([&] { return WindowText(memo).find("x100\r\n") != std::string::npos; }, 3000));
    EXPECT_EQ(WindowText(memo).find("x499"), std::string::npos) << "shown while the far end still sends";
    ASSERT_TRUE(WaitUntil([&] { return WindowText(rich).find("78 31 30 30 0D 0A") != std::string::npos; }, 3000));
    EXPECT_EQ(WindowText(rich).find("78 34 39 39"), std::string::npos) << "shown while the far end still sends";

    // The box holds "AT" and has the keyboard: Enter sends it while received text is on its way into the logs.
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return WindowText(memo).find("x499\r\n") != std::string::npos; }, 15000));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(rich).find("78 34 39 39 0D 0A") != std::string::npos; }, 5000));
    EXPECT_EQ(peer.Received(), "AT\r\n");

    // Both logs put the command after the same received bytes: as many lines of the far end stand before it.
    std::string text = WindowText(memo);
    size_t from = text.find("x100");
    size_t echo = text.find("AT", from);
    ASSERT_NE(echo, std::string::npos) << text;
    EXPECT_EQ(text.find("AT", echo + 1), std::string::npos) << "the echo once";
    auto linesBeforeInText = std::count(text.begin() + static_cast<long>(from), text.begin() + static_cast<long>(echo), 'x');

    std::istringstream lines(WindowText(rich));
    std::string line;
    long linesBeforeInHex = 0, receivedLines = 0;
    bool sentLine = false;
    while (std::getline(lines, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (line == "41 54 0D 0A") {
            EXPECT_FALSE(sentLine) << "the sent line once";
            sentLine = true;
        } else if (!line.empty()) {
            ++receivedLines;
        }
        if (!sentLine) {
            for (size_t at = line.find("78"); at != std::string::npos; at = line.find("78", at + 1))
                if (at % 3 == 0)
                    ++linesBeforeInHex;
        }
    }
    EXPECT_TRUE(sentLine);
    EXPECT_EQ(linesBeforeInText, linesBeforeInHex);
    // 400 writes over four seconds and more, each announced on its own: one HEX line for every chunk the port
    // announced, though the port is read only some 12 times a second while they keep coming.
    EXPECT_GT(receivedLines, 120);  // a busy machine sees a few writes together now and then
    EXPECT_LE(receivedLines, 410);
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.WaitForExit());
}

namespace {

// A console whose port is open on a peer that says nothing; its windows in console.
void StartQuietConsole(SerialPeer& peer, TempDir& dir, std::unique_ptr<TBrimlet>& program, TOpenConsole& console) {
    CopyProgramInto(dir);
    WriteFileBytes(dir.File("brimlet.ini"), "[comport]\r\nPort=" + peer.PortName() + "\r\n");
    program = std::make_unique<TBrimlet>(dir.File("brimlet.exe"));
    OpenPort(*program, console);
}

// Received text shown in the text log and its bytes in the HEX log.
bool ShownInBothLogs(const TOpenConsole& console, const std::string& text, DWORD timeoutMs = 5000) {
    std::string hex;
    for (unsigned char c : text) {
        static const char digits[] = "0123456789ABCDEF";
        hex += digits[c >> 4];
        hex += digits[c & 15];
        hex += ' ';
    }
    hex.pop_back();
    return WaitUntil([&] { return WindowText(console.memo).find(text) != std::string::npos; }, timeoutMs) &&
           WaitUntil([&] { return WindowText(console.rich).find(hex) != std::string::npos; }, timeoutMs);
}

}  // namespace

TEST(Console, ClosingThePortWhileBytesWaitInItShowsThemInBothLogs) {
    SerialPeer peer;
    TempDir dir;
    std::unique_ptr<TBrimlet> program;
    TOpenConsole console;
    ASSERT_NO_FATAL_FAILURE(StartQuietConsole(peer, dir, program, console));
    HWND tlb = Toolbar(console.main, false);
    RECT button = ToolbarButtonRect(tlb, 0);
    MoveMouseTo((button.left + button.right) / 2, (button.top + button.bottom) / 2);
    Sleep(200);
    peer.Write("first\r\n");
    ASSERT_TRUE(ShownInBothLogs(console, "first\r\n"));
    // A line the console reads at once, and 10 ms later the rest of a stream, which waits in the port for the next
    // read: the port is closed meanwhile.
    peer.Write("second\r\n");
    Sleep(10);
    peer.Write(std::string(600, 'b') + "END\r\n");
    Sleep(10);
    MouseButton(true);
    Sleep(10);
    MouseButton(false);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(console.combo); })) << "the port did not close";
    EXPECT_TRUE(ShownInBothLogs(console, std::string(600, 'b') + "END\r\n", 2000)) << WindowText(console.memo);
    PostMessageA(console.main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program->WaitForExit());
}

TEST(Console, ADeviceUnpluggedWithLinesWaitingShowsThemAndSaysSoOnce) {
    SerialPeer peer;
    TempDir dir;
    std::unique_ptr<TBrimlet> program;
    TOpenConsole console;
    ASSERT_NO_FATAL_FAILURE(StartQuietConsole(peer, dir, program, console));
    peer.Write("before\r\n");
    ASSERT_TRUE(ShownInBothLogs(console, "before\r\n"));
    Sleep(100);
    // The last line is read at once; what follows keeps the port busy, so it waits to go into the logs with more.
    peer.Write("last words\r\n");
    std::atomic<bool> stop{false};
    std::thread farEnd([&] {
        Sleep(20);
        for (int i = 0; i < 20 && !stop; ++i) {
            try {
                peer.Write(std::string(200, 't'));
            } catch (const std::exception&) {
                return;  // unplugged
            }
            Sleep(30);
        }
    });
    peer.Vanish();
    stop = true;
    farEnd.join();
    EXPECT_TRUE(ShownInBothLogs(console, "last words\r\n", 3000)) << WindowText(console.memo);
    HWND box = program->Window("#32770", nullptr, 3000);
    EXPECT_TRUE(box) << "the failure was not reported";
    Sleep(1500);  // every timer and read that was on its way has come by now
    EXPECT_EQ(program->Count("#32770"), 1) << "reported more than once";
    if (box)
        PostMessageA(box, WM_COMMAND, IDOK, 0);
}
