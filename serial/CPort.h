#pragma once
// The serial port component: line settings, open and close, overlapped reading and writing, the event thread that
// turns communication events into component events, and links through which other components follow a port.
#include "classlib/runtime/Component.h"
#include "classlib/runtime/IniFiles.h"
#include "classlib/runtime/Messages.h"
#include "classlib/runtime/Registry.h"
#include "classlib/runtime/Thread.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

enum TBaudRate {
    brCustom,
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};
enum TStopBits { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum TDataBits { dbFive, dbSix, dbSeven, dbEight };
enum TParityBits { prNone, prOdd, prEven, prMark, prSpace };
enum TDTRFlowControl { dtrDisable, dtrEnable, dtrHandshake };
enum TRTSFlowControl { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };
enum TFlowControl { fcHardware, fcSoftware, fcNone, fcCustom };
enum TComEvent { evRxChar, evTxEmpty, evRxFlag, evRing, evBreak, evCTS, evDSR, evError, evRLSD, evRx80Full };
using TComEvents = Set<TComEvent>;
enum TComError { ceFrame, ceRxParity, ceOverrun, ceBreak, ceIO, ceMode, ceRxOver, ceTxFull };
using TComErrors = Set<TComError>;
enum TSyncMethod { smThreadSync, smWindowSync, smNone };
enum TSettingGroup { sgBasic, sgFlowControl, sgBuffer, sgTimeouts, sgParity, sgOthers };
using TSettingGroups = Set<TSettingGroup>;
enum TSettingsStore { ssRegistry, ssIniFile };
enum TModemSignal { msCTS, msDSR, msRing, msRLSD };
using TModemSignals = Set<TModemSignal>;
enum TAsyncKind : unsigned char { akWrite, akRead };

// The signals a link follows (the lamp's signal numbers); ring has no slot of its own.
enum TComLedSignal { lsConn, lsCTS, lsDSR, lsRLSD, lsRing, lsRx, lsTx };

constexpr TComEvents AllComEvents{evRxChar, evTxEmpty, evRxFlag, evRing,  evBreak,
                                  evCTS,    evDSR,     evError,  evRLSD, evRx80Full};

using TRxCharEvent = std::function<void(TObject* Sender, int Count)>;
using TRxBufEvent = std::function<void(TObject* Sender, const void* Buffer, int Count)>;
using TComErrorEvent = std::function<void(TObject* Sender, TComErrors Errors)>;
using TComSignalEvent = std::function<void(TObject* Sender, bool OnOff)>;

// A failure of the serial port: the library's error code (1..23) and the Windows error code (-1 when none).
class EComPort : public Exception {
public:
    // The message is the code's text followed by " (win error code: n)".
    EComPort(int ACode, int AWinCode);
    // The message is the code's text alone; WinCode is -1.
    explicit EComPort(int ACode);
    const char* ClassName() const override { return "EComPort"; }
    int WinCode() const { return FWinCode; }
    int Code() const { return FCode; }

private:
    int FWinCode;
    int FCode;
};

// The text of an error code, translated through the "cport" catalogue the first time any is needed.
const std::string& ComErrorMessage(int Code);

// The Win32 event mask for a set of events, and back.
DWORD ComEventsToMask(TComEvents Events);
TComEvents MaskToComEvents(DWORD Mask);

class TCustomComPort;

// Read and write timeouts of a port, in milliseconds (ReadInterval -1 means "return at once").
class TComTimeouts : public TPersistent {
    CLASS_INFO(TComTimeouts, TPersistent)
public:
    explicit TComTimeouts(TCustomComPort* AComPort = nullptr) : FComPort(AComPort) {}
    int ReadInterval() const { return FReadInterval; }
    void SetReadInterval(int value);
    int ReadTotalMultiplier() const { return FReadTotalMultiplier; }
    void SetReadTotalMultiplier(int value);
    int ReadTotalConstant() const { return FReadTotalConstant; }
    void SetReadTotalConstant(int value);
    int WriteTotalMultiplier() const { return FWriteTotalMultiplier; }
    void SetWriteTotalMultiplier(int value);
    int WriteTotalConstant() const { return FWriteTotalConstant; }
    void SetWriteTotalConstant(int value);
    TCustomComPort* ComPort() const { return FComPort; }

protected:
    void AssignTo(TPersistent* Dest) override;

private:
    static void Apply(TCustomComPort& port);
    TCustomComPort* FComPort;
    int FReadInterval = -1;
    int FReadTotalMultiplier = 0;
    int FReadTotalConstant = 0;
    int FWriteTotalMultiplier = 100;
    int FWriteTotalConstant = 1000;
};

// Handshaking of a port; FlowControl summarises the common combinations.
class TComFlowControl : public TPersistent {
    CLASS_INFO(TComFlowControl, TPersistent)
public:
    explicit TComFlowControl(TCustomComPort* AComPort = nullptr) : FComPort(AComPort) {}
    TFlowControl FlowControl() const;
    // Any value but fcCustom resets RTS, CTS and XON/XOFF to the named combination; every value applies once.
    void SetFlowControl(TFlowControl value);
    bool OutCTSFlow() const { return FOutCTSFlow; }
    void SetOutCTSFlow(bool value);
    bool OutDSRFlow() const { return FOutDSRFlow; }
    void SetOutDSRFlow(bool value);
    TDTRFlowControl ControlDTR() const { return FControlDTR; }
    void SetControlDTR(TDTRFlowControl value);
    TRTSFlowControl ControlRTS() const { return FControlRTS; }
    void SetControlRTS(TRTSFlowControl value);
    bool XonXoffOut() const { return FXonXoffOut; }
    void SetXonXoffOut(bool value);
    bool XonXoffIn() const { return FXonXoffIn; }
    void SetXonXoffIn(bool value);
    bool DSRSensitivity() const { return FDSRSensitivity; }
    void SetDSRSensitivity(bool value);
    bool TxContinueOnXoff() const { return FTxContinueOnXoff; }
    void SetTxContinueOnXoff(bool value);
    char XonChar() const { return FXonChar; }
    void SetXonChar(char value);
    char XoffChar() const { return FXoffChar; }
    void SetXoffChar(char value);
    TCustomComPort* ComPort() const { return FComPort; }

protected:
    void AssignTo(TPersistent* Dest) override;

private:
    static void Apply(TCustomComPort& port);
    TCustomComPort* FComPort;
    bool FOutCTSFlow = false;
    bool FOutDSRFlow = false;
    TDTRFlowControl FControlDTR = dtrDisable;
    TRTSFlowControl FControlRTS = rtsDisable;
    bool FXonXoffOut = false;
    bool FXonXoffIn = false;
    bool FDSRSensitivity = false;
    bool FTxContinueOnXoff = false;
    char FXonChar = 17;
    char FXoffChar = 19;
};

// Parity of a port and what happens to bytes received with a parity error.
class TComParity : public TPersistent {
    CLASS_INFO(TComParity, TPersistent)
public:
    explicit TComParity(TCustomComPort* AComPort = nullptr) : FComPort(AComPort) {}
    TParityBits Bits() const { return FBits; }
    void SetBits(TParityBits value);
    bool Check() const { return FCheck; }
    void SetCheck(bool value);
    bool Replace() const { return FReplace; }
    void SetReplace(bool value);
    char ReplaceChar() const { return FReplaceChar; }
    void SetReplaceChar(char value);
    TCustomComPort* ComPort() const { return FComPort; }

protected:
    void AssignTo(TPersistent* Dest) override;

private:
    static void Apply(TCustomComPort& port);
    TCustomComPort* FComPort;
    TParityBits FBits = prNone;
    bool FCheck = false;
    bool FReplace = false;
    char FReplaceChar = 0;
};

// The driver's input and output queue sizes; odd positive sizes are lowered to the even number below.
class TComBuffer : public TPersistent {
    CLASS_INFO(TComBuffer, TPersistent)
public:
    explicit TComBuffer(TCustomComPort* AComPort = nullptr) : FComPort(AComPort) {}
    int InputSize() const { return FInputSize; }
    void SetInputSize(int value);
    int OutputSize() const { return FOutputSize; }
    void SetOutputSize(int value);
    TCustomComPort* ComPort() const { return FComPort; }

protected:
    void AssignTo(TPersistent* Dest) override;

private:
    static void Apply(TCustomComPort& port);
    TCustomComPort* FComPort;
    int FInputSize = 1024;
    int FOutputSize = 1024;
};

// A bundle of handlers through which another component follows a port's signals and data; its user owns it.
class TComLink {
public:
    TComLink() = default;
    // A link that goes while registered leaves its ports first: no port ever calls a freed link.
    ~TComLink();
    TComLink(const TComLink&) = delete;
    TComLink& operator=(const TComLink&) = delete;

    TComSignalEvent OnConn;
    TRxBufEvent OnRxBuf;
    TRxBufEvent OnTxBuf;
    TNotifyEvent OnTxEmpty;
    TNotifyEvent OnRxFlag;
    TComSignalEvent OnCTSChange;
    TComSignalEvent OnDSRChange;
    TComSignalEvent OnRLSDChange;
    TNotifyEvent OnRing;
    TComSignalEvent OnTx;
    TComSignalEvent OnRx;

private:
    friend class TCustomComPort;
    std::vector<TCustomComPort*> FPorts;  // the ports it is registered with
};

// An overlapped operation in flight: its OVERLAPPED, what it is, and a copy of the bytes being written.
struct TAsyncRecord {
    OVERLAPPED Overlapped{};
    TAsyncKind Kind = akWrite;
    std::unique_ptr<char[]> Data;
    int Size = 0;
};
using PAsync = TAsyncRecord*;

// Allocates a cleared record whose event is manual-reset and signalled.
void InitAsync(PAsync& AsyncPtr);
// Closes the record's event, frees it and sets AsyncPtr to nullptr (nothing happens for nullptr).
void DoneAsync(PAsync& AsyncPtr);

// The serial ports the system knows (HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM), sorted without regard to
// case; replaces the content of Ports. A registry failure raises code 23 with its result code.
void EnumComPorts(TStrings* Ports);
// The same listing over the values of any key; the seam through which the listing is tested.
void EnumComPortsIn(HKEY Root, const std::string& Path, TStrings* Ports);

// Text forms of the stored settings.
std::string ComBoolToStr(bool Value);
bool ComStrToBool(const std::string& Text);
// Codes 33..127 as the character itself, every other code as "#" and the decimal code.
std::string ComCharToStr(char Value);
// Raises EConvertError for a malformed "#" text or a code above 255.
char ComStrToChar(const std::string& Text);
std::string BaudRateToStr(TBaudRate Value);
TBaudRate StrToBaudRate(const std::string& Text);
std::string StopBitsToStr(TStopBits Value);
TStopBits StrToStopBits(const std::string& Text);
std::string DataBitsToStr(TDataBits Value);
TDataBits StrToDataBits(const std::string& Text);
std::string ParityToStr(TParityBits Value);
TParityBits StrToParity(const std::string& Text);
std::string FlowControlToStr(TFlowControl Value);
TFlowControl StrToFlowControl(const std::string& Text);
std::string RTSToStr(TRTSFlowControl Value);
TRTSFlowControl StrToRTS(const std::string& Text);
std::string DTRToStr(TDTRFlowControl Value);
TDTRFlowControl StrToDTR(const std::string& Text);

// The calls that configure an open port and those that read its queues, line errors and modem lines, replaceable
// so that tests can observe their order (or report the line errors and modem lines a pseudo-terminal never has).
struct TComDeviceCalls {
    BOOL(WINAPI* SetupComm)(HANDLE, DWORD, DWORD) = ::SetupComm;
    BOOL(WINAPI* SetCommState)(HANDLE, LPDCB) = ::SetCommState;
    BOOL(WINAPI* SetCommTimeouts)(HANDLE, LPCOMMTIMEOUTS) = ::SetCommTimeouts;
    BOOL(WINAPI* ClearCommError)(HANDLE, LPDWORD, LPCOMSTAT) = ::ClearCommError;
    BOOL(WINAPI* GetCommModemStatus)(HANDLE, LPDWORD) = ::GetCommModemStatus;
};

// The thread that waits for a port's communication events and hands them to the port.
class TComThread : public TThread {
    CLASS_INFO(TComThread, TThread)
public:
    // Sets the port's event mask and starts waiting.
    explicit TComThread(TCustomComPort* AComPort);
    // Stops the thread and waits for it.
    ~TComThread() override;
    // Asks the thread to end: it clears the mask and the device's queues on its way out.
    void Stop();
    // The events of the last completed wait.
    TComEvents Events() const { return FEvents; }
    // The mask the thread waits with; the modem-line events are dropped when the device cannot report them.
    DWORD WaitMask() const { return FMask; }
    // Lets the thread end and free itself; for a Close that comes from inside this thread's own dispatch. The
    // device is let go at once (the port may be opened again before the thread has ended): only call this while
    // the thread cannot be using it, from the thread itself or while it waits for the main thread.
    void Detach();
    // True while the thread waits for the main thread to run a batch (it touches nothing meanwhile).
    bool WaitsForMainThread() const { return FWaitsForMainThread; }
    // Tells the thread that the port has written: what a write brings (an empty transmit queue, an answer) is
    // looked for at once, also on a device whose waits are cancelled.
    void Wake();
    // True while the device cancels the thread's waits (Wine on a pseudo-terminal) and the thread watches the
    // queue instead.
    bool Watching() const { return FWatching; }
    // Free() stops the thread before any destructor runs.
    void BeforeDestruction() override;

protected:
    void Execute() override;
    virtual void DispatchEvents();

private:
    enum class TWatchResult { Stop, News, Round };
    // Watches a device whose waits are cancelled: looks at its queue and line errors now and then (often just
    // after something happened, seldom when all is quiet) until there is news (then in News), the thread should
    // ask the device itself with a wait, or is to stop.
    TWatchResult Watch(TComEvents& News);
    bool NothingNew(DWORD mask);
    void Dispatch(TComEvents Events);
    // Clears the mask and the device's queues and closes the thread's handle to the device.
    void ReleaseDevice();

    TCustomComPort* FComPort;
    HANDLE FStopEvent = nullptr;
    HANDLE FWakeEvent = nullptr;
    std::atomic<bool> FWatching{false};
    std::atomic<bool> FWaitsForMainThread{false};
    // A batch was just handed out: its handlers may have read the queue, and what came meanwhile is looked for at
    // once (a stream is read at the device's pace, not at the pace of the looks).
    bool FLookAtOnce = false;
    DWORD FLastActivity = 0;  // when something last happened on the line (tick count)
    DWORD FLastRound = 0;     // when the thread last asked the device with a wait
    HANDLE FHandle = INVALID_HANDLE_VALUE;  // the thread's own duplicate of the port handle
    TSyncMethod FSyncMethod;
    HWND FWindow;
    DWORD FMask = 0;
    TComEvents FEvents;
};

// The serial port: all behaviour; TComPort is what a program places.
class TCustomComPort : public TComponent {
    CLASS_INFO(TCustomComPort, TComponent)
    friend class TComThread;
    friend class TComLink;
    friend class TComTimeouts;
    friend class TComFlowControl;
    friend class TComParity;
    friend class TComBuffer;
    class TDispatchScope;

public:
    explicit TCustomComPort(TComponent* AOwner);
    // Closes the port; never throws (a failure to close goes to the application's exception handler).
    ~TCustomComPort() override;

    // Opens the device and applies every setting; on any failure the port is left fully closed and the exception
    // is raised again. Nothing happens when already open.
    void Open();
    // Announces the close, aborts pending transfers, stops the event thread and closes the device.
    void Close();
    void BeginUpdate() { ++FUpdateCount; }
    // Closes an update bracket; the last one applies all settings at once.
    void EndUpdate();
    // Applies the buffer sizes, the line settings and the timeouts, in that order.
    virtual void ApplySettings();
    void Loaded() override;
    // Free() closes the port while the whole object (and what derives from it) still exists.
    void BeforeDestruction() override;

    // The DCB that ApplyDCB hands to SetCommState for the current settings; touches no device.
    DCB BuildDCB() const;
    // The COMMTIMEOUTS that ApplyTimeouts hands to SetCommTimeouts.
    COMMTIMEOUTS BuildTimeouts() const;

    // --- reading and writing (overlapped; the synchronous forms wait at once) ---
    int Write(const void* Buffer, int Count);
    int WriteStr(const std::string& Str);
    int Read(void* Buffer, int Count);
    int ReadStr(std::string& Str, int Count);
    int WriteAsync(const void* Buffer, int Count, PAsync& AsyncPtr);
    int WriteStrAsync(const std::string& Str, PAsync& AsyncPtr);
    int ReadAsync(void* Buffer, int Count, PAsync& AsyncPtr);
    int ReadStrAsync(std::string& Str, int Count, PAsync& AsyncPtr);
    // Waits for the operation without time limit and returns the bytes it moved.
    int WaitForAsync(PAsync& AsyncPtr);
    // Cancels pending reads and writes (PurgeComm).
    void AbortAllAsync();
    // Bytes waiting in the input queue.
    int InputCount();
    // Every byte read from the port since it was made, by any read.
    long long BytesRead() const { return FBytesRead.load(); }
    TModemSignals ModemSignals();
    // The modem lines, read as off when the device has none to report (a pseudo-terminal, many USB adapters);
    // any other failure raises code 11 as ModemSignals does.
    TModemSignals ModemSignalsOrOff();
    // The device's line errors since the last call (reading them clears them).
    TComErrors LastErrors();

    // --- settings storage ---
    // Writes the settings of SettingGroups to the INI file StoreTo (section Name) or to the registry key StoreTo
    // ("root\path", the key Name below it); any failure raises code 16.
    void StoreSettings(TSettingsStore StoreType, const std::string& StoreTo);
    // Reads them back and applies them at once; any failure raises code 17 (values read before it stay set).
    void LoadSettings(TSettingsStore StoreType, const std::string& LoadFrom);
    virtual void StoreIniFile(TCustomIniFile* IniFile);
    virtual void StoreRegistry(TRegistry* Registry);
    // A missing key keeps the current setting.
    virtual void LoadIniFile(TCustomIniFile* IniFile);
    // A missing text reads as empty (the unknown-text default); a missing integer fails.
    virtual void LoadRegistry(TRegistry* Registry);

    // Shows the setup dialog for this port (with the dialog, in CPortSetup); OK applies the chosen settings.
    void ShowSetupDialog();

    // --- links ---
    void RegisterLink(TComLink* AComLink);
    void UnregisterLink(TComLink* AComLink);

    // --- properties ---
    bool Connected() const { return FConnected; }
    void SetConnected(bool value);
    TBaudRate BaudRate() const { return FBaudRate; }
    void SetBaudRate(TBaudRate value);
    int CustomBaudRate() const { return FCustomBaudRate; }
    void SetCustomBaudRate(int value);
    const std::string& Port() const { return FPort; }
    void SetPort(const std::string& value);
    TStopBits StopBits() const { return FStopBits; }
    void SetStopBits(TStopBits value);
    TDataBits DataBits() const { return FDataBits; }
    void SetDataBits(TDataBits value);
    bool DiscardNull() const { return FDiscardNull; }
    void SetDiscardNull(bool value);
    char EventChar() const { return FEventChar; }
    void SetEventChar(char value);
    TComEvents Events() const { return FEvents; }
    // Takes effect at the next Open.
    void SetEvents(TComEvents value) { FEvents = value; }
    TComBuffer* Buffer() const { return FBuffer.get(); }
    void SetBuffer(TComBuffer* value);
    TComParity* Parity() const { return FParity.get(); }
    void SetParity(TComParity* value);
    TComTimeouts* Timeouts() const { return FTimeouts.get(); }
    void SetTimeouts(TComTimeouts* value);
    TComFlowControl* FlowControl() const { return FFlowControl.get(); }
    void SetFlowControl(TComFlowControl* value);
    TSyncMethod SyncMethod() const { return FSyncMethod; }
    // Raises code 14 while the port is open.
    void SetSyncMethod(TSyncMethod value);
    TSettingGroups SettingGroups() const { return FSettingGroups; }
    void SetSettingGroups(TSettingGroups value) { FSettingGroups = value; }
    bool AnnounceRxChar() const { return FAnnounceRxChar; }
    void SetAnnounceRxChar(bool value) { FAnnounceRxChar = value; }
    TThreadPriority ThreadPriority() const { return FThreadPriority; }
    void SetThreadPriority(TThreadPriority value) { FThreadPriority = value; }
    HANDLE Handle() const { return FHandle; }
    // The event thread while the port is open with events, else nullptr.
    TComThread* EventThread() const { return FEventThread; }

    // --- events ---
    TRxCharEvent OnRxChar;
    TRxBufEvent OnRxBuf;
    TNotifyEvent OnTxEmpty;
    TNotifyEvent OnBreak;
    TNotifyEvent OnRing;
    TComSignalEvent OnCTSChange;
    TComSignalEvent OnDSRChange;
    TComSignalEvent OnRLSDChange;
    TComErrorEvent OnError;
    TNotifyEvent OnRxFlag;
    TNotifyEvent OnAfterOpen;
    TNotifyEvent OnAfterClose;
    TNotifyEvent OnBeforeOpen;
    TNotifyEvent OnBeforeClose;
    TNotifyEvent OnRx80Full;

protected:
    virtual void CreateHandle();
    virtual void DestroyHandle();

    virtual void DoAfterClose();
    virtual void DoAfterOpen();
    virtual void DoBeforeClose();
    virtual void DoBeforeOpen();
    virtual void DoRxChar(int Count);
    virtual void DoRxBuf(const void* Buffer, int Count);
    virtual void DoTxEmpty();
    virtual void DoBreak();
    virtual void DoRing();
    virtual void DoRxFlag();
    virtual void DoCTSChange(bool OnOff);
    virtual void DoDSRChange(bool OnOff);
    virtual void DoError(TComErrors Errors);
    virtual void DoRLSDChange(bool OnOff);
    virtual void DoRx80Full();
    virtual void ApplyDCB();
    virtual void ApplyTimeouts();
    virtual void ApplyBuffer();

    // Fires the port's events for one batch in the fixed order: error, received characters, transmit queue empty,
    // break, ring, CTS, DSR, event character, RLSD, 80% full. A handler's exception goes to the application's
    // handler and the rest of the batch still fires; the batch stops once a handler has closed the port.
    void FireEvents(TComEvents Events);
    // Sends one WM_USER+1 per event of the batch to the port's window, in FireEvents' order.
    static void SendEventsToWindow(HWND Window, TComEvents Events);
    // The hidden window's method (smWindowSync).
    void WindowMethod(TMessage& Message);
    HWND Window() const { return FWindow; }

    void CallAfterClose();
    void CallAfterOpen();
    void CallBeforeClose();
    void CallBeforeOpen();
    void CallRxChar();
    void CallTxEmpty();
    void CallBreak();
    void CallRing();
    void CallRxFlag();
    void CallCTSChange();
    void CallDSRChange();
    void CallRLSDChange();
    void CallError();
    void CallRx80Full();

    // Where the configuration and status calls go; a test may observe them.
    TComDeviceCalls FDeviceCalls;

private:
    void NotifyLinks(TComLedSignal Signal, bool OnOff);
    // Calls fn for each registered link, in registration order; a link that a handler unregisters (or frees) on
    // the way is skipped.
    void ForEachLink(const std::function<void(TComLink&)>& fn);
    // Takes the link off the list without asking questions (the link is going).
    void DropLink(TComLink* AComLink) noexcept;
    void UpdateHasLink();
    bool HardwareAccessAllowed() const;
    bool Designing() const { return ComponentState().Contains(csDesigning); }
    // Stops the thread, releases the window and closes the device; the port is closed afterwards whatever failed,
    // and a failure of DestroyHandle is raised then.
    void ReleaseDevice();
    // ReleaseDevice without announcing anything or failing (a failure goes to the application's handler).
    void CloseQuietly() noexcept;
    // Closes a port that could not close (or open) properly, without raising: an open port's links and
    // OnAfterClose still hear that it closed.
    void CloseAfterFailure() noexcept;
    void FreeEventThread();
    // After a write: the event thread looks for what it brings at once.
    void WakeEventThread();
    void CallEvent(TComEvent Event);
    bool DispatchingHere() const;
    bool ReadsReturnAtOnce() const;
    // WaitForAsync for the synchronous reads, which must not hang on an empty queue.
    int WaitForRead(PAsync& AsyncPtr);

    TComThread* FEventThread = nullptr;
    bool FThreadCreated = false;
    HANDLE FHandle = INVALID_HANDLE_VALUE;
    HWND FWindow = nullptr;
    int FUpdateCount = 0;
    std::vector<TComLink*> FLinks;
    bool FAnnounceRxChar = true;
    TThreadPriority FThreadPriority = tpNormal;
    bool FHasLink = false;
    // Read by the event thread too (smNone runs the handlers there).
    std::atomic<bool> FConnected{false};
    std::atomic<bool> FClosing{false};
    // True when the queued bytes are exactly the ones the last OnRxChar announced and nobody has read since.
    bool AllAnnounced(int queued) const;
    // False when AllAnnounced is false whatever the queue holds (the last announcement was read): the event thread
    // then need not look at the queue to know that queued bytes are news.
    bool MayHoldAnnounced() const { return FAnnouncedUnread > 0 && FBytesRead == FReadAtAnnounce; }
    // ClearCommError on handle (the port's or the event thread's), keeping the line errors it clears for the next
    // LastErrors: whoever looks at the queue must not make OnError miss them.
    bool ReadStatus(HANDLE handle, COMSTAT& stat);
    bool HasPendingErrors() const { return FPendingErrors != 0; }
    std::atomic<DWORD> FPendingErrors{0};  // CE_ bits read from the device and not yet reported
    std::atomic<long long> FBytesRead{0};  // everything read so far
    std::atomic<long long> FReadAtAnnounce{0};
    std::atomic<int> FAnnouncedUnread{0};
    std::atomic<int> FDispatchDepth{0};
    // Counts the opens: a batch that a handler's Close and Open interrupt ends there.
    std::atomic<unsigned> FOpenCount{0};
    std::atomic<DWORD> FDispatchThread{0};
    TBaudRate FBaudRate = br9600;
    int FCustomBaudRate = 9600;
    std::string FPort = "COM1";
    TStopBits FStopBits = sbOneStopBit;
    TDataBits FDataBits = dbEight;
    bool FDiscardNull = false;
    char FEventChar = 0;
    TComEvents FEvents = AllComEvents;
    std::unique_ptr<TComBuffer> FBuffer;
    std::unique_ptr<TComParity> FParity;
    std::unique_ptr<TComTimeouts> FTimeouts;
    std::unique_ptr<TComFlowControl> FFlowControl;
    TSyncMethod FSyncMethod = smThreadSync;
    TSettingGroups FSettingGroups{sgBasic};
};

// The serial port component as a program places it.
class TComPort : public TCustomComPort {
    CLASS_INFO(TComPort, TCustomComPort)
public:
    explicit TComPort(TComponent* AOwner) : TCustomComPort(AOwner) {}
};
