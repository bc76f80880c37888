#pragma once
// The console's main window: the toolbar, the text log, the command box with its history, the shortcut
// bar and the lamps; sending commands and receiving the answers; the settings kept in the INI file.
#include "classlib/visual/Buttons.h"
#include "classlib/visual/ComCtrls.h"
#include "classlib/visual/Dialogs.h"
#include "classlib/visual/ExtCtrls.h"
#include "classlib/visual/Forms.h"
#include "classlib/visual/StdCtrls.h"
#include "pngctl/PngImageList.h"
#include "serial/CPort.h"
#include "serial/CPortCtl.h"
#include "settings/FastIniFile.h"

#include <cstdint>
#include <deque>
#include <string>

class TfrmMain;
class TfrmAbout;
class TfrmHEXLogOpt;
class TfrmOption;

// The one settings file object of the console, from the main window's creation to its closing.
extern TFastIniFile* Ini;
// Whether every sent command is also written into the text log.
extern bool EchoChar;
extern TfrmMain* frmMain;

constexpr int HistorySize = 18;
constexpr const char* ProgramVersion = "1.24";
// A shortcut bar is one row: as wide as a large screen, it holds about a hundred of the narrowest buttons.
constexpr int MaxShortcutButtons = 100;
// Window coordinates are 16-bit quantities to much of the system.
constexpr int MaxWindowExtent = 32767;

// The settings file: the executable's path with the extension ".ini".
std::string SettingsFileName();
std::string ExecutableFolder();
// Moves a window stored partly off the screen back inside it (a too large one keeps Left/Top negative).
void ClampToScreen(int& Left, int& Top, int Width, int Height, int ScreenWidth, int ScreenHeight);
// A stored width or height, or Default when no window could have had it: below the system's smallest window
// (Minimum, SM_CXMINTRACK or SM_CYMINTRACK) or beyond MaxWindowExtent.
int StoredWindowExtent(int Value, int Default, int Minimum);
// The number of shortcut buttons in the "Button" section, 0 to MaxShortcutButtons.
int ShortcutButtonCount(TCustomIniFile* IniFile);
// One HEX line: every byte as two upper-case hexadecimal digits and a blank.
std::string HexLine(const std::string& Data);
void HexLine(const std::string& Data, std::string& Into);
// The characters Text (in CodePage) takes in a log.
int LogTextLength(const std::string& Text, UINT CodePage = CP_ACP);
// The history after sending Command: an equal entry (any case) removed, Command first, at most 18 entries.
void AddToHistory(TStrings* History, const std::string& Command);
// "20100201_090503": the stamp of log file names, all six fields from one reading of the clock.
std::string LogFileStamp(const SYSTEMTIME& Time);
// The folder of CurrentFileName + Prefix + the stamp of now + Extension.
std::string ProposedLogFileName(const std::string& CurrentFileName, const std::string& Prefix,
                                const std::string& Extension);
// A colour text from the settings file, or Default when it is damaged.
TColor ReadColor(TCustomIniFile* IniFile, const std::string& Key, const std::string& Default);
// True on Windows NT 5 and later, where the windows fade in and out.
bool CanFadeWindows();
// Gives the memory the program does not use right now back to the system (Windows NT only).
void TrimWorkingSet();

class TfrmMain : public TForm {
    CLASS_INFO(TfrmMain, TForm)
public:
    explicit TfrmMain(TComponent* AOwner);
    ~TfrmMain() override;

    TToolBar* tlb = nullptr;
    TToolButton* btnOnOff = nullptr;
    TToolButton* ToolButton3 = nullptr;
    TToolButton* btnComportOpt = nullptr;
    TToolButton* ToolButton2 = nullptr;
    TToolButton* btnSave = nullptr;
    TToolButton* ToolButton5 = nullptr;
    TToolButton* ToolButton4 = nullptr;
    TPanel* Stat = nullptr;
    TComLed* cmldTX = nullptr;
    TComLed* cmldRX = nullptr;
    TToolBar* tlbBtn = nullptr;
    TToolButton* btnWexlo1 = nullptr;
    TMemo* Log = nullptr;
    TToolBar* ToolBar1 = nullptr;
    TComboBox* cbbcmd = nullptr;
    TSpeedButton* btnEnter = nullptr;
    TComPort* comport = nullptr;
    TTimer* tmrRX = nullptr;
    TTimer* tmrTX = nullptr;
    TTimer* tmrAuto = nullptr;
    TTimer* tmrAni = nullptr;
    TSaveDialog* dlgSave = nullptr;
    TPngImageList* PngImageList = nullptr;

    // The HEX log colours of sent and received data.
    TColor TXDColor = static_cast<TColor>(0x00C08000);
    TColor RXDColor = static_cast<TColor>(0x00208000);
    // Whether the HEX log sticks to an edge of this window, and which (TDockSide).
    bool Docked = false;
    uint8_t DockSide = 0;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void FormResize(TObject* Sender);
    void AppHint(TObject* Sender);
    void LogClick(TObject* Sender);
    void LogKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
    void ToolButton3Click(TObject* Sender);
    void ToolButton5Click(TObject* Sender);
    void btnOnOffClick(TObject* Sender);
    void btnComportOptClick(TObject* Sender);
    void cbbcmdDblClick(TObject* Sender);
    void cbbcmdKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
    void comportRxChar(TObject* Sender, int Count);
    void tmrTXTimer(TObject* Sender);
    void tmrRXTimer(TObject* Sender);
    void ToolButton2Click(TObject* Sender);
    void btnSaveClick(TObject* Sender);
    void ToolButton4Click(TObject* Sender);

    // Appends Data as one HEX line in the HEX log, in the colour chosen last by SetHexColor.
    void AddHexLog(const std::string& Data);
    void SetHexColor(TColor Color) { FHexColor = Color; }
    // Builds the shortcut bar from the "Button" section.
    void LoadShortcutButtons();
    void ShortcutButtonClick(TObject* Sender);
    void ShortcutButtonMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void ShortcutButtonMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void tlbBtnMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);

protected:
    void WMMove(TMessage& Message) override;
    void WndProc(TMessage& Message) override;

private:
    // Moves the keyboard to the command box with the caret at the end of its text.
    void FocusCommandBox();
    // Takes at most one slice of what the port holds into both logs, and asks to come back for the rest.
    void ReceiveSlice();
    // Whether the bytes waiting in the port wait for the pace of reads in a stream.
    bool ReadIsPaced(DWORD Now, int InPort) const;
    // Writes received text into the text log where the last output ended.
    void AppendToLog(const std::string& Text);
    void EchoToLog(const std::string& Text);
    void FlushTextLog();
    // Both logs take what waits for them now.
    void FlushLogs();
    // Drops the oldest lines once the text log holds more than it may.
    void KeepTextLogWithinLimit();
    // Keeps the HEX log at its edge after this window moved or changed its size.
    void FollowWithHexLog();
    // Writes the settings file (IDOK); when it cannot be written, says why and asks Question (IDYES or IDNO).
    int SaveSettingsOrAsk(const std::string& Question);
    // Writes the settings file; when it cannot be written, asks whether to close without it.
    bool SaveSettingsOrLetGo();
    // The window's bounds, the HEX log's and the history into the settings object.
    void WriteWindowSettings();
    // A session that ends (log-off, shutdown) never closes the window: the settings are saved on the way.
    bool QueryEndSession();
    void EndSession();
    // The serial section into the settings file; the first open says what failed and goes on.
    void StoreSerialSettings();
    void StoreSerialSettingsOrSay();
    void ReceiveOneSlice();
    // Received bytes into both logs (the HEX log as one line).
    void TakeReceived(const std::string& Data);
    // Reads what the port holds now into the logs (before a close purges it).
    void TakeWhatThePortHolds();
    // The device failed: the logs take what waits, and the failure is reported once.
    void PortFailed();
    void ForgetChunks();

    TColor FHexColor = static_cast<TColor>(0x00C08000);
    bool FShown = false;
    // Where the next received text goes in the text log (a character offset).
    int FLogEnd = 0;
    // A request to read on is on its way (a posted message or the timer), so no second one is made.
    bool FReceiveMorePending = false;
    // Received text on its way to the text log, and when its oldest byte arrived.
    std::string FPendingText;
    DWORD FPendingSince = 0;
    // What a read and a batch pass through, kept from one to the next: made anew each time, blocks of every size
    // came and went in the heap Wine's controls share with the program, and over a long session every allocation
    // there took longer to find room.
    std::string FReceived;
    std::string FReceivedHex;
    std::wstring FWideText;
    // The port has been quiet: what waits goes now, a batch per dispatch.
    bool FDrainLogs = false;
    // The timer that waits for the port to stay quiet runs, and when the port last went quiet.
    bool FSettleTimerRunning = false;
    DWORD FQuietSince = 0;
    // When the port was last read, and whether the timer that reads when the pace allows runs.
    DWORD FLastRead = 0;
    bool FPaceTimerRunning = false;
    // The device failed while open (unplugged); reported once, until the port is opened again.
    bool FPortFailed = false;
    // The sizes of the chunks OnRxChar announced that still wait in the port, oldest first, and their sum.
    std::deque<int> FUnreadChunks;
    int FAnnouncedInPort = 0;
    std::string FChunk;
};
