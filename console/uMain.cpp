#include "uMain.h"

#include "classlib/runtime/FormResources.h"
#include "classlib/runtime/SysUtils.h"
#include "uAbout.h"
#include "uHEXLog.h"
#include "uLogLimit.h"
#include "uOption.h"

#include <algorithm>
#include <cstdio>

TFastIniFile* Ini = nullptr;
bool EchoChar = false;
TfrmMain* frmMain = nullptr;

std::string SettingsFileName() {
    return ChangeFileExt(ParamStr0(), ".ini");
}

std::string ExecutableFolder() {
    return ExtractFilePath(ParamStr0());
}

void ClampToScreen(int& Left, int& Top, int Width, int Height, int ScreenWidth, int ScreenHeight) {
    // In 64 bits: the values come from a file, and their sum must not wrap round.
    if (Left < 0)
        Left = 0;
    if (static_cast<long long>(Left) + Width > ScreenWidth)
        Left = static_cast<int>(static_cast<long long>(ScreenWidth) - Width);
    if (Top < 0)
        Top = 0;
    if (static_cast<long long>(Top) + Height > ScreenHeight)
        Top = static_cast<int>(static_cast<long long>(ScreenHeight) - Height);
}

int StoredWindowExtent(int Value, int Default, int Minimum) {
    return Value >= Minimum && Value <= MaxWindowExtent ? Value : Default;
}

int ShortcutButtonCount(TCustomIniFile* IniFile) {
    // The count comes from a file a user can edit: a huge one must not stall the start (or the option dialog).
    return std::clamp(IniFile->ReadInteger("Button", "Count", 0), 0, MaxShortcutButtons);
}

std::string HexLine(const std::string& Data) {
    std::string line;
    HexLine(Data, line);
    return line;
}

void HexLine(const std::string& Data, std::string& Into) {
    static const char digits[] = "0123456789ABCDEF";
    Into.clear();
    Into.reserve(Data.size() * 3);
    for (unsigned char b : Data) {
        Into += digits[b >> 4];
        Into += digits[b & 15];
        Into += ' ';
    }
}

int LogTextLength(const std::string& Text, UINT CodePage) {
    if (Text.empty())
        return 0;
    return MultiByteToWideChar(CodePage, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0);
}

void AddToHistory(TStrings* History, const std::string& Command) {
    int i = History->IndexOf(Command);  // without regard to case, as TStrings compares
    if (i >= 0)
        History->Delete(i);
    History->Insert(0, Command);
    if (History->Count() > HistorySize)
        History->Delete(History->Count() - 1);
}

std::string LogFileStamp(const SYSTEMTIME& t) {
    char stamp[32];
    snprintf(stamp, sizeof stamp, "%d%.02d%.02d_%.02d%.02d%.02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
             t.wSecond);
    return stamp;
}

std::string ProposedLogFileName(const std::string& CurrentFileName, const std::string& Prefix,
                                const std::string& Extension) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return ExtractFilePath(CurrentFileName) + Prefix + LogFileStamp(now) + Extension;
}

TColor ReadColor(TCustomIniFile* IniFile, const std::string& Key, const std::string& Default) {
    std::string text = IniFile->ReadString("cfg", Key, Default);
    try {
        return StringToColor(text);
    } catch (const Exception&) {
        // A damaged colour must not keep the program from starting: the default colour serves until the
        // user picks another one.
        return StringToColor(Default);
    }
}

bool CanFadeWindows() {
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&v))
        return false;
#pragma GCC diagnostic pop
    return v.dwPlatformId == VER_PLATFORM_WIN32_NT && v.dwMajorVersion > 4;
}

void TrimWorkingSet() {
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (GetVersionExA(&v) && v.dwPlatformId == VER_PLATFORM_WIN32_NT)
#pragma GCC diagnostic pop
        // Only a hint to the memory manager: a refusal costs nothing but memory.
        SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
}

TfrmMain::TfrmMain(TComponent* AOwner) : TForm(AOwner) {
    frmMain = this;
    if (!InitInheritedComponent(this))
        throw EResNotFound("The form description of TfrmMain is missing");
}

TfrmMain::~TfrmMain() {
    // The other windows reach this one through the global: none of them may find it half destroyed.
    if (frmMain == this) {
        frmMain = nullptr;
        Application->OnHint = nullptr;
    }
    // The HEX log's toolbar shows this window's images.
    if (frmHEXLog && frmHEXLog->tlb)
        frmHEXLog->tlb->SetImages(nullptr);
}

void TfrmMain::FormCreate(TObject*) {
    SetCaption(std::string("Brimlet ") + ProgramVersion);
    Application->SetTitle(Caption());
    Application->SetHintHidePause(5000);
    Application->SetHintPause(100);
    Application->OnHint = [this](TObject* Sender) { AppHint(Sender); };

    comport->SetPort("");
    comport->LoadSettings(ssIniFile, SettingsFileName());
    Ini = new TFastIniFile(SettingsFileName());

    int left = Ini->ReadInteger("Last", "Left", 0);
    int top = Ini->ReadInteger("Last", "Top", 0);
    int width = StoredWindowExtent(Ini->ReadInteger("Last", "Width", 500), 500, GetSystemMetrics(SM_CXMINTRACK));
    int height = StoredWindowExtent(Ini->ReadInteger("Last", "Height", 480), 480, GetSystemMetrics(SM_CYMINTRACK));
    ClampToScreen(left, top, width, height, Screen->Width(), Screen->Height());
    SetBounds(left, top, width, height);

    Ini->ReadStringList("CmdHis", "CMD", cbbcmd->Items(), HistorySize);
    TXDColor = ReadColor(Ini, "TXDColor", "$00C08000");
    RXDColor = ReadColor(Ini, "RXDColor", "$00208000");
    dlgSave->SetInitialDir(ExecutableFolder());

    Log->SetWordWrap(false);
    Log->SetScrollBars(ssBoth);
    Log->Lines()->Add("");
    Log->Lines()->Add("");
    // Received text continues the last line of the log.
    FLogEnd = static_cast<int>(SendMessageA(Log->Handle(), EM_LINEINDEX, Log->Lines()->Count() - 1, 0));

    EchoChar = Ini->ReadBool("cfg", "EchoChar", false);
    if (!Ini->SectionExists("Button")) {
        static const char* const names[] = {"AT", "CMGS", "CMGR", "CPAS", "CEER"};
        static const char* const commands[] = {"AT", "AT+CMGS=\"\"", "AT+CMGR=", "AT+CPAS", "AT+CEER"};
        Ini->WriteInteger("Button", "Count", 5);
        for (int i = 1; i <= 5; ++i) {
            Ini->WriteString("Button", "Name" + IntToStr(i), names[i - 1]);
            Ini->WriteString("Button", "Wexlo" + IntToStr(i), commands[i - 1]);
            Ini->WriteBool("Button", "Checked" + IntToStr(i), true);
        }
    }
    LoadShortcutButtons();
}

void TfrmMain::FormShow(TObject*) {
    if (FShown)  // the first showing only
        return;
    FShown = true;
    tlbBtn->SetEnabled(false);
    if (CanFadeWindows())
        AnimateWindow(Handle(), 1000, AW_ACTIVATE | AW_BLEND);  // fails harmlessly on a visible window
    frmHEXLog->Show();
    cbbcmd->Repaint();
    SetFocus();
}

void TfrmMain::WriteWindowSettings() {
    Ini->WriteInteger("Last", "Left", Left());
    Ini->WriteInteger("Last", "Top", Top());
    Ini->WriteInteger("Last", "Width", Width());
    Ini->WriteInteger("Last", "Height", Height());
    Ini->WriteInteger("Last", "HexLogLeft", frmHEXLog->Left());
    Ini->WriteInteger("Last", "HexLogTop", frmHEXLog->Top());
    Ini->WriteInteger("Last", "HexLogWidth", frmHEXLog->Width());
    Ini->WriteInteger("Last", "HexLogHeight", frmHEXLog->Height());
    Ini->WriteStringList("CmdHis", "CMD", cbbcmd->Items());
}

void TfrmMain::FormClose(TObject*, TCloseAction& Action) {
    WriteWindowSettings();
    if (!SaveSettingsOrLetGo()) {
        // Everything stays as it was, the settings object too: the dialogs keep working, and the next close
        // tries again.
        Action = caNone;
        return;
    }
    TFastIniFile* ini = Ini;
    Ini = nullptr;
    delete ini;
    frmHEXLog->SetVisible(false);
    if (CanFadeWindows())
        AnimateWindow(Handle(), 1000, AW_HIDE | AW_BLEND);
}

int TfrmMain::SaveSettingsOrAsk(const std::string& Question) {
    std::string reason;
    try {
        Ini->UpdateFile();  // the old file stays whole when this fails
        return IDOK;
    } catch (const Exception& e) {
        reason = e.Message();
    }
    // A file that cannot be written (read-only, held by another program) must not keep the user from closing,
    // nor lose the changes without a word.
    std::string text = "The settings cannot be saved:\r\n\r\n" + reason + "\r\n\r\n" + Question;
    return Application->MessageBox(text, Application->Title(), MB_YESNO | MB_ICONERROR | MB_DEFBUTTON2);
}

bool TfrmMain::SaveSettingsOrLetGo() {
    int answer = SaveSettingsOrAsk("Close without saving them?\r\n(No keeps the window open, so that you can free "
                                   "the file and close again.)");
    if (answer == IDYES)
        Ini->Clear();  // nothing left for the destructor to try
    return answer != IDNO;
}

bool TfrmMain::QueryEndSession() {
    // A log-off or shutdown ends the program without closing its window: the settings are saved now, while the
    // user can still be asked what to do when they cannot be.
    if (!Ini)
        return true;
    WriteWindowSettings();
    return SaveSettingsOrAsk("End the session without saving them?\r\n(No keeps the program running, so that you "
                             "can free the file and close it.)") != IDNO;
}

void TfrmMain::EndSession() {
    if (!Ini)
        return;
    WriteWindowSettings();
    try {
        Ini->UpdateFile();
    } catch (const Exception&) {
        // The session ends now and nobody is left to tell; the user was asked when it was about to end.
    }
}

void TfrmMain::AppHint(TObject*) {
    Stat->SetCaption(GetLongHint(Application->Hint()));
}

void TfrmMain::FocusCommandBox() {
    if (!cbbcmd->Enabled())
        return;
    cbbcmd->SetFocus();
    cbbcmd->SetSelStart(static_cast<int>(cbbcmd->Text().size()));
}

void TfrmMain::LogClick(TObject*) {
    FocusCommandBox();
}

void TfrmMain::LogKeyDown(TObject*, WORD&, TShiftState) {
    FocusCommandBox();
}

void TfrmMain::ToolButton3Click(TObject*) {
    TrimWorkingSet();
    Application->MessageBox(" Not finished.     \r\n\r\nNewer versions may have it: look for them where you found this one.",
                            "Warning", MB_ICONINFORMATION);
}

void TfrmMain::ToolButton5Click(TObject*) {
    FPendingText.clear();
    Log->Clear();
    FLogEnd = 0;
    TrimWorkingSet();
}

void TfrmMain::btnOnOffClick(TObject*) {
    if (btnOnOff->Down()) {
        try {
            if (comport->Port().empty()) {
                comport->ShowSetupDialog();
                StoreSerialSettingsOrSay();
            }
            ForgetChunks();
            comport->Open();
        } catch (const std::exception&) {
            Application->MessageBox("      Open comport fail!      \r\n", "Error!", MB_ICONERROR);
            return;
        }
        FPortFailed = false;
    } else {
        try {
            TakeWhatThePortHolds();
            FlushLogs();
            comport->Close();
        } catch (const std::exception&) {
            Application->MessageBox("      Close comport fail!      \r\n", "Error!", MB_ICONERROR);
            return;
        }
    }
    bool open = btnOnOff->Down();
    btnOnOff->SetHint(open ? "Close Comport" : "Open Comport");
    btnOnOff->SetImageIndex(open ? 6 : 5);
    btnEnter->SetEnabled(open);
    cbbcmd->SetEnabled(open);
    tlbBtn->SetEnabled(open);
    FocusCommandBox();
    TrimWorkingSet();
}

void TfrmMain::btnComportOptClick(TObject*) {
    comport->ShowSetupDialog();
    StoreSerialSettings();
    TrimWorkingSet();
}

void TfrmMain::StoreSerialSettings() {
    // Stored through the console's own settings object: a second writer's section would be overwritten
    // when that object writes the file back at closing.
    if (Ini) {
        comport->StoreIniFile(Ini);
        Ini->UpdateFile();
    } else {
        comport->StoreSettings(ssIniFile, SettingsFileName());
    }
}

void TfrmMain::StoreSerialSettingsOrSay() {
    try {
        StoreSerialSettings();
    } catch (const std::exception& e) {
        // The port has the chosen settings all the same and opens with them; only keeping them failed.
        Application->MessageBox("The serial settings cannot be saved:\r\n\r\n" + std::string(e.what()) +
                                    "\r\n\r\nThe port opens with them all the same.",
                                "Error!", MB_ICONERROR);
    }
}

void TfrmMain::cbbcmdDblClick(TObject*) {
    std::string s = cbbcmd->Text();
    AddToHistory(cbbcmd->Items(), s);
    cbbcmd->SetText(s);
    comport->WriteStr(s + "\r\n");
    tmrTX->SetEnabled(true);
    cmldTX->SetState(lsOn);
    if (EchoChar)
        EchoToLog(s);
    SetHexColor(TXDColor);
    AddHexLog(s + "\r\n");
    cbbcmd->SetFocus();
    cbbcmd->SelectAll();
}

void TfrmMain::cbbcmdKeyDown(TObject*, WORD& Key, TShiftState Shift) {
    if (Key == VK_RETURN)
        cbbcmdDblClick(this);
    // The key code of the Z key; the code of "z" would be F11's.
    if (Key == 'Z' && Shift == TShiftState{ssCtrl}) {
        Key = 0;
        cbbcmdDblClick(this);
        const char sub = 0x1A;
        comport->Write(&sub, 1);
        cbbcmd->SetText("");
        AddHexLog(std::string(1, sub));
    }
}

namespace {
// Wine's visible edit and rich edit take some 30 ms for every KiB appended: a flood read in one piece would keep
// the window from answering for a quarter of a second and more. Received bytes go into the logs a slice at a
// time, with the message queue served in between; what is not read yet waits in the port's own buffer, so a
// flood costs no memory here.
constexpr int ReceiveSliceBytes = 1024;
// An append to Wine's visible edit or rich edit costs some 20 to 40 ms, little of it for the bytes themselves. So
// received text and HEX lines (each read still its own HEX line) wait and go into the logs in batches: once a few
// KiB wait, once the oldest has waited a quarter second, or once the port has been quiet for a moment, so a
// modem's answer appears as it did. Each batch, and dropping the HEX log's oldest lines after one, takes a
// dispatch of its own: the window never waits for two of them at once.
constexpr size_t TextLogBatchBytes = 8192;
constexpr size_t HexLogBatchChars = 3 * 4096;
constexpr DWORD LogBatchMs = 250;
constexpr UINT LogSettleMs = 40;
// While bytes keep coming, a read waits until 80 ms have passed since the last one, or until a whole slice waits:
// at a modem's pace some 12 reads and HEX lines a second instead of one for every few writes. Every HEX line costs
// the rich edit its layout and the text analysis of a line whatever its length, and over a long session Wine's heap
// takes longer and longer to find room for those mid-sized blocks. Bytes after a quiet moment (a modem's answer)
// are read at once.
constexpr DWORD ReadPaceMs = 80;
const UINT WM_RECEIVEMORE = WM_APP + 0x41;
constexpr UINT_PTR ReceiveTimerId = 0x4252;
constexpr UINT_PTR LogSettleTimerId = 0x4253;
constexpr UINT_PTR ReadPaceTimerId = 0x4254;
}  // namespace

void TfrmMain::comportRxChar(TObject*, int Count) {
    // Count is all that waits in the port: what it adds to what was announced before is the chunk that came now.
    if (Count > FAnnouncedInPort) {
        FUnreadChunks.push_back(Count - FAnnouncedInPort);
        FAnnouncedInPort = Count;
    }
    ReceiveSlice();
}

void TfrmMain::ReceiveSlice() {
    if (!comport->Connected() || FPortFailed) {
        FlushLogs();
        return;
    }
    try {
        ReceiveOneSlice();
    } catch (const EComPort&) {
        PortFailed();
        throw;
    }
}

void TfrmMain::PortFailed() {
    // The device has gone (unplugged): no read, timer or event will come to put in what waits, so it goes now, and
    // the failure is reported this once, not by every timer and read still on its way.
    FPortFailed = true;
    FlushLogs();
}

void TfrmMain::TakeReceived(const std::string& Data) {
    AppendToLog(Data);
    SetHexColor(RXDColor);
    // One HEX line for every chunk the port announced, however many of them a read takes; bytes that came after
    // the last announcement make a line of their own.
    for (size_t at = 0; at < Data.size();) {
        size_t size = Data.size() - at;
        if (!FUnreadChunks.empty()) {
            size = std::min(size, static_cast<size_t>(FUnreadChunks.front()));
            FUnreadChunks.front() -= static_cast<int>(size);
            if (FUnreadChunks.front() == 0)
                FUnreadChunks.pop_front();
        }
        FChunk.assign(Data, at, size);
        HexLine(FChunk, FReceivedHex);
        frmHEXLog->QueueLine(FReceivedHex, RXDColor);
        at += size;
    }
    FAnnouncedInPort = std::max(FAnnouncedInPort - static_cast<int>(Data.size()), 0);
    if (FAnnouncedInPort == 0)
        FUnreadChunks.clear();
}

void TfrmMain::ForgetChunks() {
    FUnreadChunks.clear();
    FAnnouncedInPort = 0;
}

void TfrmMain::TakeWhatThePortHolds() {
    // Closing the port purges what it holds: what reached it goes into the logs first. Only what waits now: during
    // a flood the queue would never run dry.
    if (!comport->Connected() || FPortFailed)
        return;
    try {
        for (int left = comport->InputCount(); left > 0;) {
            int read = comport->ReadStr(FReceived, std::min(left, ReceiveSliceBytes));
            if (read <= 0)
                break;
            left -= read;
            TakeReceived(FReceived);
        }
    } catch (const EComPort&) {
        // A device that has gone holds nothing that can be read, and closing it is what the user asked for.
        FPortFailed = true;
    }
}

void TfrmMain::ReceiveOneSlice() {
    DWORD now = GetTickCount();
    int inPort = comport->InputCount();
    bool textDue = !FPendingText.empty() &&
                   (FDrainLogs || FPendingText.size() >= TextLogBatchBytes || now - FPendingSince >= LogBatchMs);
    bool hexDue = frmHEXLog->QueuedLines() > 0 && (FDrainLogs || frmHEXLog->QueuedChars() >= HexLogBatchChars ||
                                                   now - frmHEXLog->QueuedSince() >= LogBatchMs);
    if (textDue) {
        FlushTextLog();
    } else if (hexDue) {
        frmHEXLog->FlushLines();
    } else if (frmHEXLog->MayHoldTooMuch()) {
        frmHEXLog->KeepWithinLimit();
    } else if (inPort > 0 && !ReadIsPaced(now, inPort)) {
        tmrRX->SetEnabled(true);
        comport->ReadStr(FReceived, std::min(inPort, ReceiveSliceBytes));
        FLastRead = now;
        cmldRX->SetState(lsOn);
        TakeReceived(FReceived);
    }
    bool waiting = !FPendingText.empty() || frmHEXLog->QueuedLines() > 0 || frmHEXLog->MayHoldTooMuch();
    if (!waiting)
        FDrainLogs = false;
    if (!HandleAllocated()) {
        FlushLogs();
        return;
    }
    bool draining = FDrainLogs && waiting;
    inPort = comport->InputCount();
    now = GetTickCount();
    if (inPort > 0 && !draining && ReadIsPaced(now, inPort)) {
        // Each arrival brings another OnRxChar, which reads once a whole slice waits; the timer reads the rest.
        if (!FPaceTimerRunning) {
            FPaceTimerRunning = true;
            SetTimer(Handle(), ReadPaceTimerId, ReadPaceMs - (now - FLastRead), nullptr);
        }
        return;
    }
    if (inPort <= 0 && !draining) {
        // The port holds nothing more: what waits goes once it has been quiet for a moment (each read starts the
        // moment again; the quarter second above still holds). One timer runs at a time: at the pace of a modem
        // the port goes quiet many times a second.
        FQuietSince = now;
        if (waiting && !FSettleTimerRunning) {
            FSettleTimerRunning = true;
            SetTimer(Handle(), LogSettleTimerId, LogSettleMs, nullptr);
        }
        return;
    }
    if (FReceiveMorePending)
        return;
    FReceiveMorePending = true;
    // A posted message comes back before the user's input: while keys or clicks wait, the rest is read from a
    // timer, which comes after them.
    if (GetQueueStatus(QS_INPUT) != 0)
        SetTimer(Handle(), ReceiveTimerId, USER_TIMER_MINIMUM, nullptr);
    else
        PostMessageA(Handle(), WM_RECEIVEMORE, 0, 0);
}

void TfrmMain::WndProc(TMessage& Message) {
    if (Message.Msg == WM_QUERYENDSESSION) {
        Message.Result = QueryEndSession() ? TRUE : FALSE;
        return;
    }
    if (Message.Msg == WM_ENDSESSION) {
        if (Message.WParam)
            EndSession();
        Message.Result = 0;
        return;
    }
    bool settled = Message.Msg == WM_TIMER && Message.WParam == LogSettleTimerId;
    bool more = Message.Msg == WM_RECEIVEMORE ||
                (Message.Msg == WM_TIMER && (Message.WParam == ReceiveTimerId || Message.WParam == ReadPaceTimerId));
    if (!more && !settled) {
        TForm::WndProc(Message);
        return;
    }
    if (settled) {
        KillTimer(Handle(), LogSettleTimerId);
        FSettleTimerRunning = false;
        // Bytes wait for their read: the port is not quiet, and the read that takes them starts the moment again.
        // (A port closed meanwhile holds nothing; what waits goes below.)
        if (comport->Connected() && !FPortFailed) {
            int waiting = 0;
            try {
                waiting = comport->InputCount();
            } catch (const EComPort&) {
                PortFailed();
                throw;
            }
            if (waiting > 0) {
                Message.Result = 0;
                return;
            }
        }
        // Read since the timer started: the moment begins again from that read.
        if (DWORD quiet = GetTickCount() - FQuietSince; quiet < LogSettleMs && comport->Connected()) {
            FSettleTimerRunning = true;
            SetTimer(Handle(), LogSettleTimerId, LogSettleMs - quiet, nullptr);
            Message.Result = 0;
            return;
        }
        FDrainLogs = true;
    } else if (Message.Msg == WM_TIMER && Message.WParam == ReadPaceTimerId) {
        KillTimer(Handle(), ReadPaceTimerId);
        FPaceTimerRunning = false;
    } else {
        if (Message.Msg == WM_TIMER)
            KillTimer(Handle(), ReceiveTimerId);
        FReceiveMorePending = false;
    }
    ReceiveSlice();
    Message.Result = 0;
}

bool TfrmMain::ReadIsPaced(DWORD Now, int InPort) const {
    return InPort < ReceiveSliceBytes && Now - FLastRead < ReadPaceMs;
}

void TfrmMain::FlushLogs() {
    FlushTextLog();
    if (frmHEXLog) {
        frmHEXLog->FlushLines();
        if (frmHEXLog->MayHoldTooMuch())
            frmHEXLog->KeepWithinLimit();
    }
    FDrainLogs = false;
}

void TfrmMain::AppendToLog(const std::string& Text) {
    // An edit control ends its text at a NUL: without them the rest of the chunk still shows (the HEX log
    // keeps every byte).
    if (FPendingText.empty())
        FPendingSince = GetTickCount();
    for (char c : Text)
        if (c != '\0')
            FPendingText += c;
}

void TfrmMain::FlushTextLog() {
    if (FPendingText.empty())
        return;
    AnsiToWide(FPendingText, FWideText);
    FPendingText.clear();
    SendMessageW(Log->Handle(), EM_SETSEL, FLogEnd, FLogEnd);
    SendMessageW(Log->Handle(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(FWideText.c_str()));
    FLogEnd += static_cast<int>(FWideText.size());
    KeepTextLogWithinLimit();
}

void TfrmMain::EchoToLog(const std::string& Text) {
    // What was received before the command was sent stays before it.
    FlushTextLog();
    int line = Log->Lines()->Count();
    Log->Lines()->Add(Text);
    // The log counts characters: a double-byte character is one of them.
    FLogEnd = static_cast<int>(SendMessageA(Log->Handle(), EM_LINEINDEX, line, 0)) + LogTextLength(Text);
    KeepTextLogWithinLimit();
}

void TfrmMain::KeepTextLogWithinLimit() {
    FLogEnd = std::max(FLogEnd - TrimTextLog(Log, TextLogLimit), 0);
}

void TfrmMain::AddHexLog(const std::string& Data) {
    frmHEXLog->AppendLine(HexLine(Data), FHexColor);
}

void TfrmMain::tmrTXTimer(TObject*) {
    tmrTX->SetEnabled(false);
    cmldTX->SetState(lsOff);
}

void TfrmMain::tmrRXTimer(TObject*) {
    tmrRX->SetEnabled(false);
    cmldRX->SetState(lsOff);
}

void TfrmMain::FollowWithHexLog() {
    // A minimised window sits far off the screen; the log stays where it was.
    if (!Docked || !frmHEXLog || !HandleAllocated() || IsIconic(Handle()))
        return;
    if (DockSide == dsRight || DockSide == dsLeft)
        frmHEXLog->btnHoriMagnetWin->Click();
    else if (DockSide == dsBelow || DockSide == dsAbove)
        frmHEXLog->btnVertMagnetWin->Click();
}

void TfrmMain::WMMove(TMessage& Message) {
    TForm::WMMove(Message);
    FollowWithHexLog();
}

void TfrmMain::FormResize(TObject*) {
    FollowWithHexLog();
    cbbcmd->SetWidth(ClientWidth() - btnEnter->Width() - 4);
}

// --- shortcut bar ---

void TfrmMain::LoadShortcutButtons() {
    for (int i = tlbBtn->ButtonCount() - 1; i >= 0; --i)
        if (TToolButton* button = tlbBtn->Buttons(i))
            button->Free();
    btnWexlo1 = nullptr;
    int count = ShortcutButtonCount(Ini);
    if (count == 0) {
        tlbBtn->SetVisible(false);
        return;
    }
    tlbBtn->SetVisible(true);
    for (int i = count; i >= 1; --i) {
        std::string n = IntToStr(i);
        if (!Ini->ReadBool("Button", "Checked" + n, false))
            continue;
        auto* button = new TToolButton(tlbBtn);
        button->SetParent(tlbBtn);
        button->SetCaption(Ini->ReadString("Button", "Name" + n, "Cmd" + n));
        button->SetHint(Ini->ReadString("Button", "Wexlo" + n, ""));
        button->SetAutoSize(true);
        button->OnClick = [this](TObject* Sender) { ShortcutButtonClick(Sender); };
        button->OnMouseDown = [this](TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
            ShortcutButtonMouseDown(Sender, Button, Shift, X, Y);
        };
        button->OnMouseUp = [this](TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
            ShortcutButtonMouseUp(Sender, Button, Shift, X, Y);
        };
    }
    if (tlbBtn->ButtonCount() == 0)
        tlbBtn->SetVisible(false);
}

void TfrmMain::ShortcutButtonClick(TObject* Sender) {
    std::string command = static_cast<TToolButton*>(Sender)->Hint();
    cbbcmd->SetText(command);
    if (command.size() > 1) {
        int caret = static_cast<int>(command.size());
        if (command.back() == '"')
            --caret;
        cbbcmd->SetSelStart(caret);
    }
    cbbcmd->SetSelLength(0);
}

void TfrmMain::ShortcutButtonMouseDown(TObject* Sender, TMouseButton Button, TShiftState, int, int) {
    if (Button == mbRight)
        static_cast<TToolButton*>(Sender)->SetDown(true);
}

void TfrmMain::ShortcutButtonMouseUp(TObject* Sender, TMouseButton Button, TShiftState, int, int) {
    if (Button != mbRight)
        return;
    auto* button = static_cast<TToolButton*>(Sender);
    button->SetDown(false);
    cbbcmd->SetText(button->Hint());
    cbbcmdDblClick(this);
}

void TfrmMain::tlbBtnMouseMove(TObject*, TShiftState, int, int) {
    for (int i = 0; i < tlbBtn->ButtonCount(); ++i)
        if (TToolButton* button = tlbBtn->Buttons(i); button && button->Down())
            button->SetDown(false);
}

void TfrmMain::ToolButton2Click(TObject*) {
    if (frmOption->ShowModal() == mrOk)
        LoadShortcutButtons();
    TrimWorkingSet();
}

void TfrmMain::btnSaveClick(TObject*) {
    dlgSave->SetFileName(ProposedLogFileName(dlgSave->FileName(), "AT Command Log ", ".txt"));
    if (dlgSave->Execute()) {
        // The port is read while the dialog is open: what arrived meanwhile is saved too.
        FlushTextLog();
        Log->Lines()->SaveToFile(dlgSave->FileName());
    }
    TrimWorkingSet();
}

void TfrmMain::ToolButton4Click(TObject*) {
    auto* about = new TfrmAbout(this);
    try {
        // A form made by hand gets its OnCreate (centring, version) only from here.
        about->AfterConstruction();
        about->ShowModal();
    } catch (...) {
        about->Free();
        throw;
    }
    about->Free();
    BringToFront();
    TrimWorkingSet();
}

static const bool MainRegistered = [] {
    RegisterFormClass<TfrmMain>([](TFormClass<TfrmMain>& c) {
        c.Field("tlb", &TfrmMain::tlb);
        c.Field("btnOnOff", &TfrmMain::btnOnOff);
        c.Field("ToolButton3", &TfrmMain::ToolButton3);
        c.Field("btnComportOpt", &TfrmMain::btnComportOpt);
        c.Field("ToolButton2", &TfrmMain::ToolButton2);
        c.Field("btnSave", &TfrmMain::btnSave);
        c.Field("ToolButton5", &TfrmMain::ToolButton5);
        c.Field("ToolButton4", &TfrmMain::ToolButton4);
        c.Field("Stat", &TfrmMain::Stat);
        c.Field("cmldTX", &TfrmMain::cmldTX);
        c.Field("cmldRX", &TfrmMain::cmldRX);
        c.Field("tlbBtn", &TfrmMain::tlbBtn);
        c.Field("btnWexlo1", &TfrmMain::btnWexlo1);
        c.Field("Log", &TfrmMain::Log);
        c.Field("ToolBar1", &TfrmMain::ToolBar1);
        c.Field("cbbcmd", &TfrmMain::cbbcmd);
        c.Field("btnEnter", &TfrmMain::btnEnter);
        c.Field("comport", &TfrmMain::comport);
        c.Field("tmrRX", &TfrmMain::tmrRX);
        c.Field("tmrTX", &TfrmMain::tmrTX);
        c.Field("tmrAuto", &TfrmMain::tmrAuto);
        c.Field("tmrAni", &TfrmMain::tmrAni);
        c.Field("dlgSave", &TfrmMain::dlgSave);
        c.Field("PngImageList", &TfrmMain::PngImageList);
        c.Method("FormCreate", &TfrmMain::FormCreate);
        c.Method("FormShow", &TfrmMain::FormShow);
        c.Method("FormClose", &TfrmMain::FormClose);
        c.Method("FormResize", &TfrmMain::FormResize);
        c.Method("LogClick", &TfrmMain::LogClick);
        c.Method("LogKeyDown", &TfrmMain::LogKeyDown);
        c.Method("ToolButton3Click", &TfrmMain::ToolButton3Click);
        c.Method("ToolButton5Click", &TfrmMain::ToolButton5Click);
        c.Method("btnOnOffClick", &TfrmMain::btnOnOffClick);
        c.Method("btnComportOptClick", &TfrmMain::btnComportOptClick);
        c.Method("cbbcmdDblClick", &TfrmMain::cbbcmdDblClick);
        c.Method("cbbcmdKeyDown", &TfrmMain::cbbcmdKeyDown);
        c.Method("comportRxChar", &TfrmMain::comportRxChar);
        c.Method("tmrTXTimer", &TfrmMain::tmrTXTimer);
        c.Method("tmrRXTimer", &TfrmMain::tmrRXTimer);
        c.Method("ToolButton2Click", &TfrmMain::ToolButton2Click);
        c.Method("btnSaveClick", &TfrmMain::btnSaveClick);
        c.Method("ToolButton4Click", &TfrmMain::ToolButton4Click);
        c.Method("tlbBtnMouseMove", &TfrmMain::tlbBtnMouseMove);
    });
    return true;
}();
