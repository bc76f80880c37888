// The console's shortcut bar, option dialog, HEX-log colours, log saving and About box as a user meets them:
// the real brimlet.exe, a modem on its COM port, clicks and keys, and the files and settings it leaves behind.
#include "tests/console/ConsoleHarness.h"
#include "tests/support/SerialPeer.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace {

constexpr const char* Title = "Brimlet 1.24";

// The main toolbar's buttons, each 39 pixels wide, by their place on the bar.
enum TMainButton { mbOnOff = 0, mbSystemOption = 3, mbSaveLog = 4, mbAbout = 6 };
// The HEX log's toolbar.
enum THexButton { hbOption = 0, hbSaveLog = 3 };

struct TConsole {
    explicit TConsole(const TempDir& dir) : Program(dir.File("brimlet.exe")) {
        Main = Program.Window("TfrmMain");
        Hex = Program.Window("TfrmHEXLog");
        if (!Main || !Hex)
            return;
        MainBar = Toolbar(Main, false);
        Shortcuts = Toolbar(Main, true);
        Combo = FindChild(Main, "TComboBox");
        Memo = FindChild(Main, "TMemo");
        HexBar = FindChild(Hex, "TToolBar");
        Rich = FindChild(Hex, "TRichEdit");
        // A user's first click comes when the window has come up in front.
        WaitUntil([&] { return GetForegroundWindow() == Main; });
        Sleep(300);
    }
    bool Ready() const { return Main && Hex && MainBar && Shortcuts && Combo && Memo && HexBar && Rich; }

    // Opens the port with its toolbar button; the shortcut bar takes clicks only once it is enabled too.
    bool OpenPort() {
        ClickToolbarButton(MainBar, mbOnOff);
        if (WaitUntil([&] { return IsWindowEnabled(Combo) && IsWindowEnabled(Shortcuts); }))
            return true;
        Photograph("completion-port-not-open.png");
        return false;
    }
    // The command box's selection: start and end.
    std::pair<int, int> Selection() const {
        DWORD sel = static_cast<DWORD>(SendMessageA(Combo, CB_GETEDITSEL, 0, 0));
        return {LOWORD(sel), HIWORD(sel)};
    }
    int ShortcutCount() const { return static_cast<int>(SendMessageA(Shortcuts, TB_BUTTONCOUNT, 0, 0)); }
    bool Close() {
        PostMessageA(Main, WM_CLOSE, 0, 0);
        return Program.WaitForExit();
    }

    TBrimlet Program;
    HWND Main = nullptr, Hex = nullptr, MainBar = nullptr, Shortcuts = nullptr, Combo = nullptr, Memo = nullptr;
    HWND HexBar = nullptr, Rich = nullptr;
};

// A folder with the program and a settings file naming the peer's port.
void Prepare(const TempDir& dir, const SerialPeer& peer) {
    CopyProgramInto(dir);
    WriteFileBytes(dir.File("brimlet.ini"), "[comport]\r\nPort=" + peer.PortName() +
                                                "\r\n\r\n[Last]\r\nLeft=40\r\nTop=30\r\nWidth=500\r\nHeight=480\r\n");
}

bool Received(const SerialPeer& peer, const std::string& bytes) {
    return WaitUntil([&] { return peer.Received().size() >= bytes.size(); }, 5000) && peer.Received() == bytes;
}

// What the program shows of its sending, for a failure's message.
std::string Shown(const TConsole& console) {
    return "\ncommand box: [" + WindowText(console.Combo) + "]\nHEX log: [" + WindowText(console.Rich) + "]";
}

// Every text of a dialog's children of a class, one after the other (a message box's text, a file dialog's edits).
std::string ChildTexts(HWND dialog, const std::string& className) {
    std::string all;
    for (int i = 0; HWND child = FindChild(dialog, className, i); ++i)
        all += WindowText(child) + "\n";
    return all;
}

std::string Now() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    char stamp[32];
    snprintf(stamp, sizeof stamp, "%04d%02d%02d_%02d%02d%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
             t.wSecond);
    return stamp;
}

// Drives the save dialog that a toolbar button opens: checks the proposed name (prefix + a stamp of the time the
// button was pressed + extension) and saves under fileName with the keys a user would press, or under the
// proposed name when fileName is empty. The stamp goes to *stamp.
void SaveThroughDialog(TConsole& console, HWND bar, int button, const std::string& prefix,
                       const std::string& extension, const std::string& fileName, std::string* stamp = nullptr) {
    std::string before = Now();
    ClickToolbarButton(bar, button);
    HWND dialog = console.Program.Window("#32770", nullptr);
    std::string after = Now();
    ASSERT_TRUE(dialog) << "no save dialog";
    std::string edits;
    ASSERT_TRUE(WaitUntil([&] { return (edits = ChildTexts(dialog, "Edit")).find(prefix) != std::string::npos; }))
        << edits;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(edits, m, std::regex(prefix + "(\\d{8}_\\d{6})\\" + extension + "\n")))
        << edits;
    EXPECT_GE(m[1].str(), before);
    EXPECT_LE(m[1].str(), after);
    if (stamp)
        *stamp = m[1].str();
    // The file name box has the keyboard when the dialog opens.
    Sleep(300);
    if (!fileName.empty())
        TypeOver(std::wstring(fileName.begin(), fileName.end()).c_str());
    PressKey(VK_RETURN);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); })) << "the dialog stayed";
}

bool FileExists(const std::string& fileName) {
    return WaitUntil([&] { return GetFileAttributesA(fileName.c_str()) != INVALID_FILE_ATTRIBUTES; });
}

// Caption pixels (dark ones) in the outermost columns of a button given in its dialog's client coordinates: a
// caption too wide for its button is cut off there.
int CaptionPixelsAtTheEdges(HWND dialog, int left, int top, int width, int height) {
    POINT origin = ClientToScreenPoint(dialog, left, top);
    HDC screen = GetDC(nullptr);
    int n = 0;
    for (int y = origin.y + 4; y < origin.y + height - 4; ++y)
        for (int x : {origin.x, origin.x + 1, origin.x + 2, origin.x + width - 3, origin.x + width - 2,
                      origin.x + width - 1}) {
            COLORREF c = GetPixel(screen, x, y);
            if (GetRValue(c) < 0x60 && GetGValue(c) < 0x60 && GetBValue(c) < 0x60)
                ++n;
        }
    ReleaseDC(nullptr, screen);
    return n;
}

// Answers the program's input box of that caption: checks what it proposes, types the answer over it, Enter.
void AnswerInputBox(TBrimlet& program, const char* caption, const std::string& proposed, const std::string& answer) {
    HWND box = program.Window(nullptr, caption);
    ASSERT_TRUE(box) << "no input box " << caption;
    EXPECT_EQ(ChildTexts(box, "TEdit"), proposed + "\n");
    Sleep(200);
    TypeOver(std::wstring(answer.begin(), answer.end()).c_str());
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); })) << "the input box " << caption << " stayed";
}

// The option dialog as a user finds it: opened from the main toolbar; list and button panel with it.
HWND OpenOptionDialog(TConsole& console, HWND& list, HWND& panel) {
    ClickToolbarButton(console.MainBar, mbSystemOption);
    HWND option = console.Program.Window("TfrmOption", "Option");
    list = option ? FindChild(option, "TListView") : nullptr;
    panel = option ? FindChild(option, "TPanel") : nullptr;
    return list && panel ? option : nullptr;
}

bool ItemChecked(HWND list, int item) {
    return (SendMessageA(list, LVM_GETITEMSTATE, item, LVIS_STATEIMAGEMASK) >> 12) == 2;
}

void SelectItem(HWND list, int item) {
    RECT row = ListViewItemRect(list, item);
    Click(row.left + 60, (row.top + row.bottom) / 2);
    Sleep(200);
}

// Picks a colour in the program's colour dialog, opened by a click on a shape: its custom part, the red, green
// and blue boxes typed over, Enter.
void PickColour(TBrimlet& program, int red, int green, int blue, const char* photo = nullptr) {
    HWND colour = program.Window("#32770", "Color");
    ASSERT_TRUE(colour) << "no colour dialog";
    HWND define = GetDlgItem(colour, 0x2cf);  // "Define Custom Colors >>"
    if (define && IsWindowEnabled(define)) {
        RECT d = WindowRect(define);
        Click((d.left + d.right) / 2, (d.top + d.bottom) / 2);
    }
    HWND redBox = GetDlgItem(colour, 0x2c2);
    ASSERT_TRUE(WaitUntil([&] { return redBox && IsWindowVisible(redBox); })) << "no red box";
    for (auto [id, value] : {std::pair{0x2c2, red}, std::pair{0x2c3, green}, std::pair{0x2c4, blue}}) {
        RECT r = WindowRect(GetDlgItem(colour, id));
        Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        Sleep(100);
        TypeOver(std::to_wstring(value).c_str());
    }
    Sleep(200);
    if (photo)
        Photograph(photo);
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(colour); })) << "the colour dialog stayed";
    Sleep(300);
}

HWND OpenColourDialog(TConsole& console) {
    ClickToolbarButton(console.HexBar, hbOption);
    return console.Program.Window("TfrmHEXLogOpt", "HEX Log Ooption");
}

// Where the shapes and buttons of the colour dialog are, in its client area.
const POINT SendShape{16 + 120 + 20, 16 + 38 + 8}, ReceiveShape{16 + 120 + 20, 16 + 86 + 8};
const POINT ColourCancel{24 + 28, 180 + 16}, ColourOk{142 + 28, 180 + 16};

// Every case: a modem on the far end of a COM port and a folder with the program and its settings file.
class ConsoleCompletion : public ::testing::Test {
protected:
    void SetUp() override {
        peer.StartModem();
        Prepare(dir, peer);
    }
    // Opens the port and sends "AT" with the first shortcut button; the answer is in both logs afterwards.
    void SendAtWithTheFirstShortcut(TConsole& console) {
        ASSERT_TRUE(console.OpenPort());
        std::string before = peer.Received();
        ClickToolbarButton(console.Shortcuts, 0, true);
        ASSERT_TRUE(Received(peer, before + "AT\r\n")) << peer.Received() << Shown(console);
        ASSERT_TRUE(WaitUntil([&] { return WindowText(console.Memo).find("OK") != std::string::npos; }));
        ASSERT_TRUE(WaitUntil([&] { return WindowText(console.Rich).find("4F 4B") != std::string::npos; }));
    }

    SerialPeer peer;
    TempDir dir;
};

}  // namespace

TEST_F(ConsoleCompletion, AShortcutRightClickedIsSentAtOnceAndLeftClickedGoesIntoTheCommandBox) {
    TConsole console(dir);
    ASSERT_TRUE(console.Ready());
    ASSERT_EQ(console.ShortcutCount(), 5);
    ASSERT_TRUE(console.OpenPort()) << "the port did not open";

    // Resting over a shortcut shows its command in the status panel.
    HWND status = FindChild(console.Main, "TPanel");
    ASSERT_TRUE(status);
    RECT cmgs = ToolbarButtonRect(console.Shortcuts, 1);
    MoveMouseTo((cmgs.left + cmgs.right) / 2, (cmgs.top + cmgs.bottom) / 2);
    EXPECT_TRUE(WaitUntil([&] { return WindowText(status) == "AT+CMGS=\"\""; })) << WindowText(status);

    // AT, CMGS, CMGR, CPAS, CEER from left to right.
    ClickToolbarButton(console.Shortcuts, 0, true);
    EXPECT_TRUE(Received(peer, "AT\r\n")) << peer.Received() << Shown(console);
    EXPECT_TRUE(WaitUntil([&] { return WindowText(console.Memo).find("OK") != std::string::npos; }));
    EXPECT_EQ(WindowText(console.Combo), "AT");

    // A command ending in a quote: the caret between the quotes, ready for the number.
    ClickToolbarButton(console.Shortcuts, 1);
    bool filled = WaitUntil([&] { return WindowText(console.Combo) == "AT+CMGS=\"\""; });
    if (!filled)
        Photograph("completion-left-click-lost.png");
    EXPECT_TRUE(filled) << WindowText(console.Combo);
    EXPECT_EQ(console.Selection(), std::make_pair(9, 9));
    // Any other command: the caret at its end, nothing selected.
    ClickToolbarButton(console.Shortcuts, 3);
    EXPECT_TRUE(WaitUntil([&] { return WindowText(console.Combo) == "AT+CPAS"; })) << WindowText(console.Combo);
    EXPECT_EQ(console.Selection(), std::make_pair(7, 7));
    Sleep(300);
    EXPECT_EQ(peer.Received(), "AT\r\n") << "a left click sends nothing";

    ClickToolbarButton(console.Shortcuts, 4, true);
    EXPECT_TRUE(Received(peer, "AT\r\nAT+CEER\r\n")) << peer.Received();
    EXPECT_TRUE(WaitUntil([&] { return !ToolbarButtonDown(console.Shortcuts, 4); })) << "the button stayed down";
    EXPECT_TRUE(console.Close());
}

TEST_F(ConsoleCompletion, AButtonListEditedInTheOptionDialogRebuildsTheBarAndSurvivesARestart) {
    const std::string dial = " ATD5551234; ";  // a ";" and outer blanks, all of which the device must get
    {
        TConsole console(dir);
        ASSERT_TRUE(console.Ready());
        HWND list, panel;
        HWND option = OpenOptionDialog(console, list, panel);
        ASSERT_TRUE(option) << "no option dialog";
        ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 5);
        EXPECT_EQ(ListViewText(list, 1, 0), "CMGS");
        EXPECT_EQ(ListViewText(list, 1, 1), "AT+CMGS=\"\"");
        Sleep(500);
        Photograph("completion-option-dialog.png");
        EXPECT_EQ(CaptionPixelsAtTheEdges(option, 360, 316, 57, 33), 0) << "the Cancel caption does not fit";
        EXPECT_EQ(CaptionPixelsAtTheEdges(option, 448, 316, 57, 33), 0) << "the OK caption does not fit";

        // Add: a name, then its command.
        ClickClient(panel, 40, 17);  // "Add"
        AnswerInputBox(console.Program, "Add a Shortcut Button", "Cmd6", "Dial");
        AnswerInputBox(console.Program, "Input a AT Command", "", dial);
        ASSERT_TRUE(WaitUntil([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 6; }));
        EXPECT_EQ(ListViewText(list, 5, 0), "Dial");
        EXPECT_EQ(ListViewText(list, 5, 1), dial);

        // Edit: the third entry gets another name and command.
        SelectItem(list, 2);
        ClickClient(panel, 112, 17);  // "Edit"
        AnswerInputBox(console.Program, "Edit a Shortcut Button", "CMGR", "Read");
        AnswerInputBox(console.Program, "Input a AT Command", "AT+CMGR=", "AT+CMGR=1");
        ASSERT_TRUE(WaitUntil([&] { return ListViewText(list, 2, 1) == "AT+CMGR=1"; })) << ListViewText(list, 2, 1);
        EXPECT_EQ(ListViewText(list, 2, 0), "Read");

        ClickClient(option, 448 + 28, 316 + 16);  // OK
        ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(option); })) << "OK did not close the dialog";
        EXPECT_EQ(console.ShortcutCount(), 6) << "the bar was not rebuilt";
        // The port is closed: the new buttons are as disabled as the bar.
        for (int i = 0; i < 6; ++i)
            EXPECT_FALSE(ToolbarButtonState(console.Shortcuts, i) & TBSTATE_ENABLED) << "button " << i;

        ASSERT_TRUE(console.OpenPort());
        ClickToolbarButton(console.Shortcuts, 5);
        EXPECT_TRUE(WaitUntil([&] { return WindowText(console.Combo) == dial; })) << WindowText(console.Combo);
        ClickToolbarButton(console.Shortcuts, 2, true);
        EXPECT_TRUE(Received(peer, "AT+CMGR=1\r\n")) << peer.Received();
        ASSERT_TRUE(console.Close());
    }
    std::string ini = ReadFileBytes(dir.File("brimlet.ini"));
    for (const char* part : {"Count=6", "Name3=Read", "Wexlo3=AT+CMGR=1", "Name6=Dial", "Checked6=1"})
        EXPECT_NE(ini.find(part), std::string::npos) << part << "\n" << ini;

    // The next start: the same six buttons, the dial command whole.
    peer.ReadAvailable();
    TConsole console(dir);
    ASSERT_TRUE(console.Ready());
    EXPECT_EQ(console.ShortcutCount(), 6);
    ASSERT_TRUE(console.OpenPort());
    std::string sentBefore = peer.Received();
    ClickToolbarButton(console.Shortcuts, 5);
    bool filled = WaitUntil([&] { return WindowText(console.Combo) == dial; });
    if (!filled)
        Photograph("completion-left-click-lost.png");
    EXPECT_TRUE(filled) << WindowText(console.Combo);
    ClickToolbarButton(console.Shortcuts, 5, true);
    EXPECT_TRUE(Received(peer, sentBefore + dial + "\r\n")) << peer.Received();

    HWND list, panel;
    HWND option = OpenOptionDialog(console, list, panel);
    ASSERT_TRUE(option);
    ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 6);
    EXPECT_EQ(ListViewText(list, 5, 1), dial);
    EXPECT_EQ(ListViewText(list, 2, 0), "Read");
    ClickClient(option, 360 + 28, 316 + 16);  // Cancel
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(option); })) << "Cancel did not close the dialog";
    EXPECT_TRUE(console.Close());
}

TEST_F(ConsoleCompletion, BothLogsAreSavedUnderStampedNamesAsTheyWereShown) {
    TConsole console(dir);
    ASSERT_TRUE(console.Ready());
    SendAtWithTheFirstShortcut(console);

    std::string logs = dir.File("logs\\");
    ASSERT_TRUE(CreateDirectoryA(logs.c_str(), nullptr));
    SaveThroughDialog(console, console.MainBar, mbSaveLog, "AT Command Log ", ".txt", logs + "text log.txt");
    ASSERT_TRUE(FileExists(logs + "text log.txt"));
    Sleep(300);
    // Line by line with CR LF: a log whose text ends a line is saved as it stands.
    std::string shown = WindowText(console.Memo);
    ASSERT_GE(shown.size(), 2u);
    std::string expected = shown.substr(shown.size() - 2) == "\r\n" ? shown : shown + "\r\n";
    EXPECT_EQ(ReadFileBytes(logs + "text log.txt"), expected);

    // The next proposal lands in the folder of the last save, and Enter takes it.
    std::string stamp;
    SaveThroughDialog(console, console.MainBar, mbSaveLog, "AT Command Log ", ".txt", "", &stamp);
    ASSERT_TRUE(FileExists(logs + "AT Command Log " + stamp + ".txt")) << stamp;
    Sleep(300);
    EXPECT_EQ(ReadFileBytes(logs + "AT Command Log " + stamp + ".txt"), expected);

    // The HEX log's first proposal lands beside the program.
    SaveThroughDialog(console, console.HexBar, hbSaveLog, "AT Command HEX Log ", ".rtf", "", &stamp);
    std::string hexFile = dir.File("AT Command HEX Log " + stamp + ".rtf");
    ASSERT_TRUE(FileExists(hexFile)) << stamp;
    Sleep(300);
    std::string rtf = ReadFileBytes(hexFile);
    EXPECT_EQ(rtf.rfind("{\\rtf", 0), 0u) << rtf;
    for (const char* part : {"\\colortbl", "\\red0\\green128\\blue192", "\\red0\\green128\\blue32", "41 54 0D 0A",
                             "0D 0A 4F 4B 0D 0A"})
        EXPECT_NE(rtf.find(part), std::string::npos) << part << "\n" << rtf;
    EXPECT_FALSE(console.Program.Shows("#32770")) << "a box after a successful save";
    EXPECT_TRUE(console.Close());
}

TEST_F(ConsoleCompletion, AFailedSaveShowsAnErrorAndNoSuccess) {
    TConsole console(dir);
    ASSERT_TRUE(console.Ready());

    // A file another program holds open, and a folder that is not there: no log can be written into them.
    std::string locked = dir.File("locked.txt");
    HANDLE holder = CreateFileA(locked.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    std::string missing = dir.File("gone\\log.txt");
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::string target = attempt == 2 ? missing : locked;
        if (attempt == 1)
            SaveThroughDialog(console, console.HexBar, hbSaveLog, "AT Command HEX Log ", ".rtf", target);
        else
            SaveThroughDialog(console, console.MainBar, mbSaveLog, "AT Command Log ", ".txt", target);
        HWND box = console.Program.Window("#32770", Title);
        if (!box)
            Photograph("completion-failed-save.png");
        ASSERT_TRUE(box) << "no error shown for " << target;
        std::string text = ChildTexts(box, "Static");
        EXPECT_NE(text.find("Cannot create file"), std::string::npos) << text;
        EXPECT_NE(text.find(target), std::string::npos) << text;
        PressKey(VK_RETURN);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
    }
    CloseHandle(holder);
    EXPECT_EQ(ReadFileBytes(locked), "");
    EXPECT_EQ(GetFileAttributesA(missing.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(console.Close());
}

TEST_F(ConsoleCompletion, TheHexLogColourDialogChangesTheColoursAndKeepsThemAsText) {
    {
        TConsole console(dir);
        ASSERT_TRUE(console.Ready());
        HWND option = OpenColourDialog(console);
        ASSERT_TRUE(option) << "no colour dialog";
        Sleep(500);
        Photograph("completion-colour-dialog.png");
        EXPECT_EQ(CaptionPixelsAtTheEdges(option, 24, 180, 57, 33), 0) << "the Cancel caption does not fit";
        EXPECT_EQ(CaptionPixelsAtTheEdges(option, 142, 180, 57, 33), 0) << "the OK caption does not fit";

        // The send colour's shape: red 200, green 0, blue 100.
        ClickClient(option, SendShape.x, SendShape.y);
        PickColour(console.Program, 200, 0, 100, "completion-colour-picker.png");
        EXPECT_GT(CountPixels(WindowRect(option), RGB(200, 0, 100)), 200) << "the shape does not show the new colour";
        Photograph("completion-colour-dialog-changed.png");
        ClickClient(option, ColourOk.x, ColourOk.y);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(option); })) << "OK did not close the dialog";

        // New lines are sent in the new colour.
        SendAtWithTheFirstShortcut(console);
        Sleep(300);
        EXPECT_GT(CountPixels(WindowRect(console.Rich), RGB(200, 0, 100)), 0) << "no pixel in the new send colour";
        ASSERT_TRUE(console.Close());
    }
    std::string ini = ReadFileBytes(dir.File("brimlet.ini"));
    EXPECT_NE(ini.find("TXDColor=$006400C8"), std::string::npos) << ini;
    EXPECT_NE(ini.find("RXDColor=$00208000"), std::string::npos) << ini;
}

TEST_F(ConsoleCompletion, AColourPickedBeforeCancelIsShownAgainAndAppliedByTheNextOk) {
    {
        TConsole console(dir);
        ASSERT_TRUE(console.Ready());
        HWND option = OpenColourDialog(console);
        ASSERT_TRUE(option) << "no colour dialog";
        ClickClient(option, ReceiveShape.x, ReceiveShape.y);
        PickColour(console.Program, 150, 20, 200);
        ClickClient(option, ColourCancel.x, ColourCancel.y);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(option); })) << "Cancel did not close the dialog";

        // Received lines keep their colour.
        SendAtWithTheFirstShortcut(console);
        Sleep(300);
        EXPECT_GT(CountPixels(WindowRect(console.Rich), RGB(0x00, 0x80, 0x20)), 0) << "no received-colour pixel";
        EXPECT_EQ(CountPixels(WindowRect(console.Rich), RGB(150, 20, 200)), 0) << "the cancelled colour was used";

        option = OpenColourDialog(console);
        ASSERT_TRUE(option) << "no colour dialog";
        Sleep(300);
        EXPECT_GT(CountPixels(WindowRect(option), RGB(150, 20, 200)), 200) << "the picked colour is not shown again";
        ClickClient(option, ColourOk.x, ColourOk.y);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(option); })) << "OK did not close the dialog";
        ASSERT_TRUE(console.Close());
    }
    std::string ini = ReadFileBytes(dir.File("brimlet.ini"));
    EXPECT_NE(ini.find("RXDColor=$00C81496"), std::string::npos) << ini;
    EXPECT_NE(ini.find("TXDColor=$00C08000"), std::string::npos) << ini;
}

TEST_F(ConsoleCompletion, TheAboutBoxComesCentredShowsItsOkButtonUnderTheMouseAndClosesWithIt) {
    TConsole console(dir);
    ASSERT_TRUE(console.Ready());
    for (int time = 0; time < 2; ++time) {
        ClickToolbarButton(console.MainBar, mbAbout);
        HWND about = console.Program.Window("TfrmAbout");
        ASSERT_TRUE(about) << "no About box";
        Sleep(700);  // the fade
        RECT box = WindowRect(about);
        EXPECT_EQ(box.left, (GetSystemMetrics(SM_CXSCREEN) - (box.right - box.left)) / 2) << "not centred";
        EXPECT_EQ(box.top, (GetSystemMetrics(SM_CYSCREEN) - (box.bottom - box.top)) / 2) << "not centred";
        HWND ok = FindChild(about, "TPngBitBtn");
        EXPECT_FALSE(ok && IsWindowVisible(ok)) << "the OK button shows before the mouse comes near";
        if (time == 0) {
            // Framed all round, as a box without a border of its own must be, and the place of the OK button shows
            // the button's outline (and a pointer going there), so that the mouse is drawn to it.
            const COLORREF frame = RGB(0x1C, 0x45, 0x85), outline = RGB(0x8F, 0xA3, 0xC0);
            int w = box.right - box.left, h = box.bottom - box.top;
            EXPECT_EQ(CountPixels({box.left, box.top, box.right, box.top + 1}, frame), w);
            EXPECT_EQ(CountPixels({box.left, box.bottom - 1, box.right, box.bottom}, frame), w);
            EXPECT_EQ(CountPixels({box.left, box.top, box.left + 1, box.bottom}, frame), h);
            EXPECT_EQ(CountPixels({box.right - 1, box.top, box.right, box.bottom}, frame), h);
            POINT place = ClientToScreenPoint(about, 270, 156);  // where the button comes, 75 x 33
            EXPECT_GT(CountPixels({place.x, place.y, place.x + 75, place.y + 33}, outline), 150)
                << "nothing marks the place of the OK button";
            EXPECT_LT(CountPixels(box, RGB(255, 255, 255)), w * h / 4) << "a blank white box";
            Photograph("completion-about-box-waiting.png");
        }
        // The mouse over the lower right corner brings the button.
        POINT p = ClientToScreenPoint(about, 300, 160);
        MoveMouseTo(p.x, p.y);
        ASSERT_TRUE(WaitUntil([&] { return (ok = FindChild(about, "TPngBitBtn")) && IsWindowVisible(ok); }))
            << "the OK button did not show";
        EXPECT_EQ(WindowText(ok), "OK");
        Sleep(300);
        if (time == 0)
            Photograph("completion-about-box.png");
        RECT r = WindowRect(ok);
        Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(about); })) << "OK did not close the About box";
        EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == console.Main; }))
            << "the main window is not in front";
    }
    EXPECT_TRUE(console.Close());
}

// Answers the program's question whether to close without saving: the button, clicked as a user would.
void AnswerUnsavedSettings(TBrimlet& program, int button) {
    HWND box = program.Window("#32770", Title);
    Sleep(200);
    Photograph("completion-unsaved-settings.png");
    ASSERT_TRUE(box) << "no word that the settings were not saved";
    std::string text = ChildTexts(box, "Static");
    EXPECT_NE(text.find("The settings cannot be saved"), std::string::npos) << text;
    EXPECT_NE(text.find("brimlet.ini"), std::string::npos) << text;
    HWND answer = GetDlgItem(box, button);
    ASSERT_TRUE(answer) << "no such button; the box says: " << text;
    RECT r = WindowRect(answer);
    Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); })) << "the box stayed";
}

bool NoTemporaryFilesIn(const TempDir& dir) {
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(dir.File("*.tmp").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE)
        return true;
    FindClose(find);
    return false;
}

TEST_F(ConsoleCompletion, ASettingsFileThatCannotBeWrittenKeepsTheWindowOpenUntilItCan) {
    TConsole console(dir);
    ASSERT_TRUE(console.Ready());
    const std::string ini = dir.File("brimlet.ini");
    const std::string before = ReadFileBytes(ini);
    // Another program holds the file without sharing it: it can be neither written nor replaced.
    HANDLE holder = CreateFileA(ini.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    for (int attempt = 0; attempt < 2; ++attempt) {
        PostMessageA(console.Main, WM_CLOSE, 0, 0);
        AnswerUnsavedSettings(console.Program, IDNO);
        Sleep(300);
        ASSERT_FALSE(console.Program.WaitForExit(0)) << "the program ended after close " << attempt + 1;
        EXPECT_TRUE(IsWindowVisible(console.Main));
        EXPECT_TRUE(IsWindowVisible(console.Hex));
        if (attempt == 0) {
            // Everything that writes settings still works: the colour dialog's OK.
            HWND option = OpenColourDialog(console);
            ASSERT_TRUE(option) << "no colour dialog";
            ClickClient(option, ColourOk.x, ColourOk.y);
            ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(option); })) << "OK did not close the dialog";
        }
    }
    CloseHandle(holder);
    EXPECT_EQ(ReadFileBytes(ini), before);
    // Free again: the next close saves everything, the colours of the dialog too, and ends the program.
    ASSERT_TRUE(console.Close());
    std::string saved = ReadFileBytes(ini);
    for (const char* part : {"[comport]", "HexLogLeft=", "TXDColor=$00C08000", "[Button]"})
        EXPECT_NE(saved.find(part), std::string::npos) << part << "\n" << saved;
    EXPECT_TRUE(NoTemporaryFilesIn(dir));
}

TEST_F(ConsoleCompletion, ClosingWithoutSavingLeavesTheOldFileWhole) {
    const std::string ini = dir.File("brimlet.ini");
    const std::string before = ReadFileBytes(ini);
    ASSERT_TRUE(SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_READONLY));
    {
        TConsole console(dir);
        ASSERT_TRUE(console.Ready());
        PostMessageA(console.Main, WM_CLOSE, 0, 0);
        AnswerUnsavedSettings(console.Program, IDYES);
        EXPECT_TRUE(console.Program.WaitForExit()) << "Yes did not close the program";
    }
    SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFileBytes(ini), before);
    EXPECT_TRUE(NoTemporaryFilesIn(dir));
}

TEST_F(ConsoleCompletion, ARightPressReleasedBesideItsButtonSendsNothingAndLeavesNoButtonDown) {
    TConsole console(dir);
    ASSERT_TRUE(console.Ready());
    ASSERT_TRUE(console.OpenPort());
    RECT button = ToolbarButtonRect(console.Shortcuts, 1);
    RECT last = ToolbarButtonRect(console.Shortcuts, 4);
    int y = (button.top + button.bottom) / 2;
    MoveMouseTo((button.left + button.right) / 2, y);
    MouseButton(true, true);
    EXPECT_TRUE(WaitUntil([&] { return ToolbarButtonDown(console.Shortcuts, 1); })) << "the press does not show";
    // Released over the empty end of the bar, then the mouse moves on over the bar.
    MoveMouseTo(last.right + 40, y);
    MouseButton(false, true);
    Sleep(100);
    MoveMouseTo(last.right + 60, y);
    EXPECT_TRUE(WaitUntil([&] { return !ToolbarButtonDown(console.Shortcuts, 1); })) << "the button stayed down";
    Sleep(300);
    EXPECT_EQ(peer.Received(), "");
    EXPECT_TRUE(console.Close());
}

TEST_F(ConsoleCompletion, AnUncheckedButtonLeavesTheBarButKeepsItsEntry) {
    {
        TConsole console(dir);
        ASSERT_TRUE(console.Ready());
        HWND list, panel;
        HWND option = OpenOptionDialog(console, list, panel);
        ASSERT_TRUE(option);
        // CEER's check box, at the left of its row.
        ASSERT_TRUE(ItemChecked(list, 4));
        RECT row = ListViewItemRect(list, 4);
        Click(row.left + 9, (row.top + row.bottom) / 2);
        ASSERT_TRUE(WaitUntil([&] { return !ItemChecked(list, 4); })) << "the check box did not change";
        ClickClient(option, 448 + 28, 316 + 16);  // OK
        ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(option); }));
        EXPECT_EQ(console.ShortcutCount(), 4);
        ASSERT_TRUE(console.Close());
    }
    std::string ini = ReadFileBytes(dir.File("brimlet.ini"));
    for (const char* part : {"Count=5", "Name5=CEER", "Wexlo5=AT+CEER", "Checked5=0", "Checked4=1"})
        EXPECT_NE(ini.find(part), std::string::npos) << part << "\n" << ini;
}

TEST_F(ConsoleCompletion, CancelForgetsTheEditsAndAnEmptyListHidesTheBar) {
    {
        TConsole console(dir);
        ASSERT_TRUE(console.Ready());
        // Deleted, then cancelled: the bar and the list are as they were.
        HWND list, panel;
        HWND option = OpenOptionDialog(console, list, panel);
        ASSERT_TRUE(option);
        SelectItem(list, 0);
        ClickClient(panel, 184, 17);  // "Del"
        ASSERT_TRUE(WaitUntil([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 4; }));
        ClickClient(option, 360 + 28, 316 + 16);  // Cancel
        ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(option); }));
        EXPECT_EQ(console.ShortcutCount(), 5);
        option = OpenOptionDialog(console, list, panel);
        ASSERT_TRUE(option);
        EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 5);
        EXPECT_EQ(ListViewText(list, 0, 0), "AT");

        // Every entry deleted: no bar at all.
        for (int left = 5; left > 0; --left) {
            SelectItem(list, 0);
            ClickClient(panel, 184, 17);  // "Del"
            ASSERT_TRUE(WaitUntil([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == left - 1; }));
        }
        ClickClient(option, 448 + 28, 316 + 16);  // OK
        ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(option); }));
        EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(console.Shortcuts); })) << "the empty bar still shows";
        ASSERT_TRUE(console.Close());
    }
    std::string ini = ReadFileBytes(dir.File("brimlet.ini"));
    EXPECT_NE(ini.find("[Button]\r\nCount=0\r\n"), std::string::npos) << ini;
    EXPECT_EQ(ini.find("Name1="), std::string::npos) << ini;
}


TEST_F(ConsoleCompletion, WhatArrivesWhileTheSaveDialogIsOpenIsSavedToo) {
    TConsole console(dir);
    ASSERT_TRUE(console.Ready());
    SendAtWithTheFirstShortcut(console);
    ClickToolbarButton(console.MainBar, mbSaveLog);
    HWND dialog = console.Program.Window("#32770", nullptr);
    ASSERT_TRUE(dialog) << "no save dialog";
    ASSERT_TRUE(WaitUntil([&] { return ChildTexts(dialog, "Edit").find("AT Command Log ") != std::string::npos; }));
    Sleep(300);
    std::string file = dir.File("during.txt");
    TypeOver(std::wstring(file.begin(), file.end()).c_str());
    // The modem speaks while the dialog is open: a line the console reads at once, then more that waits in the port
    // for the next read, and the user confirms the dialog meanwhile.
    peer.Write("\r\n");
    Sleep(100);
    peer.Write("+CMTI: \"SM\",3\r\n");
    // Then a byte every 30 ms: the port is never quiet, so what was read waits for its batch (a quarter second).
    for (int i = 0; i < 4; ++i) {
        Sleep(30);
        peer.Write("+");
    }
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); })) << "the dialog stayed";
    ASSERT_TRUE(FileExists(file));
    Sleep(300);
    std::string saved = ReadFileBytes(file);
    EXPECT_NE(saved.find("+CMTI: \"SM\",3\r\n"), std::string::npos) << saved;
    // What the file holds is what the log showed then.
    std::string shown = WindowText(console.Memo);
    EXPECT_EQ(shown.substr(0, saved.size() - 2), saved.substr(0, saved.size() - 2));
    EXPECT_TRUE(console.Close());
}

TEST_F(ConsoleCompletion, ASessionThatEndsSavesTheSettings) {
    {
        TConsole console(dir);
        ASSERT_TRUE(console.Ready());
        // The window moved: its place lives in the program alone until the settings are saved.
        SetWindowPos(console.Main, nullptr, 120, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ASSERT_TRUE(WaitUntil([&] { return WindowRect(console.Main).left == 120; }));
        Sleep(200);
        EXPECT_NE(SendMessageA(console.Main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), 0)
            << "the program refused the end of the session";
        SendMessageA(console.Main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
        // The system ends the program now, without closing its windows.
    }
    std::string ini = ReadFileBytes(dir.File("brimlet.ini"));
    for (const char* part : {"Left=120\r\n", "Top=90\r\n", "HexLogLeft=", "[comport]"})
        EXPECT_NE(ini.find(part), std::string::npos) << part << "\n" << ini;
}

TEST_F(ConsoleCompletion, ASettingsFileThatCannotBeWrittenAtTheFirstOpenSaysSoAndThePortStillOpens) {
    // No port stored yet: the first open asks for one (of those the system lists), and keeping it in the file fails.
    SerialPeer listed(10);
    const std::string ini = dir.File("brimlet.ini");
    WriteFileBytes(ini, "[Last]\r\nLeft=40\r\nTop=30\r\nWidth=500\r\nHeight=480\r\n");
    ASSERT_TRUE(SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_READONLY));
    struct TWritable {
        std::string file;
        ~TWritable() { SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL); }
    } writable{ini};
    TConsole console(dir);
    ASSERT_TRUE(console.Ready());
    ClickToolbarButton(console.MainBar, mbOnOff);
    HWND setup = console.Program.Window("TComSetupFrm");
    ASSERT_TRUE(setup) << "no serial settings dialog";
    // The port box has the keyboard: down its list to the peer's port, as a user goes.
    Sleep(300);
    HWND portBox = nullptr;
    for (int i = 0; HWND box = FindChild(setup, "TComComboBox", i); ++i)
        if (GetFocus() == box || WindowText(box).rfind("COM", 0) == 0 || WindowText(box).empty())
            portBox = box;
    bool chosen = false;
    PressKey(VK_HOME);
    for (int step = 0; step < 12 && !chosen; ++step) {
        chosen = WaitUntil([&] { return portBox && WindowText(portBox) == listed.PortName(); }, 300);
        if (!chosen)
            PressKey(VK_DOWN);
    }
    std::string boxes;
    for (int i = 0; HWND box = FindChild(setup, "TComComboBox", i); ++i)
        boxes += "[" + WindowText(box) + "]";
    if (!chosen)
        Photograph("completion-setup-port.png");
    ASSERT_TRUE(chosen) << "the port was not chosen: " << boxes;
    PressKey(VK_RETURN);  // OK is the default button
    HWND box = console.Program.Window("#32770", "Error!");
    ASSERT_TRUE(box) << "no word of the failure";
    Sleep(200);
    Photograph("completion-settings-not-kept.png");
    std::string text = ChildTexts(box, "Static");
    EXPECT_NE(text.find("The serial settings cannot be saved"), std::string::npos) << text;
    EXPECT_NE(text.find("brimlet.ini"), std::string::npos) << text;
    EXPECT_EQ(text.find("Open comport fail"), std::string::npos) << text;
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); })) << "the box stayed";
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(console.Combo) != FALSE; })) << "the port did not open";
    SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(console.Close());
}
