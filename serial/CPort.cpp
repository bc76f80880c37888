#include "CPort.h"

#include "classlib/runtime/ExceptionHandler.h"
#include "classlib/runtime/Finally.h"
#include "classlib/runtime/FormResources.h"
#include "classlib/runtime/Intl.h"
#include "classlib/runtime/MessageWindow.h"
#include "settings/FastIniFile.h"

#include <algorithm>
#include <cstring>

// ---------------------------------------------------------------------------------------------------------------
// Errors

namespace {

const int ComErrorCount = 23;

const char* const ComErrorTexts[ComErrorCount + 1] = {
    "",
    "Unable to open com port",
    "WriteFile function failed",
    "ReadFile function failed",
    "Invalid Async parameter",
    "PurgeComm function failed",
    "Unable to get async status",
    "SetCommState function failed",
    "SetCommTimeouts failed",
    "SetupComm function failed",
    "ClearCommError function failed",
    "GetCommModemStatus function failed",
    "EscapeCommFunction function failed",
    "TransmitCommChar function failed",
    "Cannot set property while connected",
    "EnumPorts function failed",
    "Failed to store settings",
    "Failed to load settings",
    "Link (un)registration failed",
    "Cannot change led state if ComPort is selected",
    "Cannot wait for event if event thread is created",
    "WaitForEvent method failed",
    "A component is linked to OnRxBuf event",
    "Registry error",
};

const char* const WinCodeSuffix = " (win error code: %d)";

struct TComErrorTable {
    std::string Texts[ComErrorCount + 1];
    std::string Suffix;
};

// Translated once, the first time the unit is used (before any port exists), through the "cport" catalogue.
const TComErrorTable& ComErrorTable() {
    static const TComErrorTable table = [] {
        TComErrorTable t;
        AddDomainForResourceString("cport");
        for (int i = 1; i <= ComErrorCount; ++i)
            t.Texts[i] = GetText(ComErrorTexts[i]);
        t.Suffix = GetText(WinCodeSuffix);
        return t;
    }();
    return table;
}

std::string WinCodeText(int WinCode) {
    // The suffix may come from a catalogue: it is used as a pattern only when it has exactly one %d.
    return SafeFormat(ComErrorTable().Suffix, WinCodeSuffix, "%d", WinCode);
}

}  // namespace

const std::string& ComErrorMessage(int Code) {
    static const std::string unknown;
    if (Code < 1 || Code > ComErrorCount)
        return unknown;
    return ComErrorTable().Texts[Code];
}

static std::string CodeText(int Code) {
    const std::string& text = ComErrorMessage(Code);
    return text.empty() ? "Serial port error " + IntToStr(Code) : text;
}

// The translated text is never a format pattern: a "%" in a translation stays a "%".
EComPort::EComPort(int ACode, int AWinCode)
    : Exception(CodeText(ACode) + WinCodeText(AWinCode)), FWinCode(AWinCode), FCode(ACode) {}

EComPort::EComPort(int ACode) : Exception(CodeText(ACode)), FWinCode(-1), FCode(ACode) {}

[[noreturn]] static void RaiseComError(int Code) { throw EComPort(Code, static_cast<int>(GetLastError())); }

// ---------------------------------------------------------------------------------------------------------------
// Event masks

namespace {

const DWORD EventBits[] = {EV_RXCHAR, EV_TXEMPTY, EV_RXFLAG, EV_RING, EV_BREAK,
                           EV_CTS,    EV_DSR,     EV_ERR,    EV_RLSD, EV_RX80FULL};

// The order in which one batch of events is handed out.
const TComEvent FireOrder[] = {evError, evRxChar, evTxEmpty, evBreak, evRing,
                               evCTS,   evDSR,    evRxFlag,  evRLSD,  evRx80Full};

const DWORD ModemEventMask = EV_CTS | EV_DSR | EV_RLSD | EV_RING;

}  // namespace

DWORD ComEventsToMask(TComEvents Events) {
    DWORD mask = 0;
    for (TComEvent e : Events)
        mask |= EventBits[e];
    return mask;
}

TComEvents MaskToComEvents(DWORD Mask) {
    TComEvents events;
    for (int i = evRxChar; i <= evRx80Full; ++i)
        if (Mask & EventBits[i])
            events.Include(static_cast<TComEvent>(i));
    return events;
}

// ---------------------------------------------------------------------------------------------------------------
// Settings sub-objects

// Stores a setting when it differs and applies it to the owning port, if there is one.
template <class T>
static void StoreSetting(T& field, T value, TCustomComPort* port, void (*apply)(TCustomComPort&)) {
    if (field == value)
        return;
    field = value;
    if (port)
        apply(*port);
}

void TComTimeouts::Apply(TCustomComPort& port) { port.ApplyTimeouts(); }
void TComTimeouts::SetReadInterval(int value) { StoreSetting(FReadInterval, value, FComPort, Apply); }
void TComTimeouts::SetReadTotalMultiplier(int value) { StoreSetting(FReadTotalMultiplier, value, FComPort, Apply); }
void TComTimeouts::SetReadTotalConstant(int value) { StoreSetting(FReadTotalConstant, value, FComPort, Apply); }
void TComTimeouts::SetWriteTotalMultiplier(int value) { StoreSetting(FWriteTotalMultiplier, value, FComPort, Apply); }
void TComTimeouts::SetWriteTotalConstant(int value) { StoreSetting(FWriteTotalConstant, value, FComPort, Apply); }
void TComTimeouts::AssignTo(TPersistent* Dest) {
    auto* d = dynamic_cast<TComTimeouts*>(Dest);
    if (!d) {
        TPersistent::AssignTo(Dest);
        return;
    }
    d->FReadInterval = FReadInterval;
    d->FReadTotalMultiplier = FReadTotalMultiplier;
    d->FReadTotalConstant = FReadTotalConstant;
    d->FWriteTotalMultiplier = FWriteTotalMultiplier;
    d->FWriteTotalConstant = FWriteTotalConstant;
}

void TComFlowControl::Apply(TCustomComPort& port) { port.ApplyDCB(); }

TFlowControl TComFlowControl::FlowControl() const {
    if (FControlRTS == rtsHandshake && FOutCTSFlow && !FXonXoffIn && !FXonXoffOut)
        return fcHardware;
    if (FControlRTS == rtsDisable && !FOutCTSFlow && FXonXoffIn && FXonXoffOut)
        return fcSoftware;
    if (FControlRTS == rtsDisable && !FOutCTSFlow && !FXonXoffIn && !FXonXoffOut)
        return fcNone;
    return fcCustom;
}

void TComFlowControl::SetFlowControl(TFlowControl value) {
    if (value != fcCustom) {
        FControlRTS = rtsDisable;
        FOutCTSFlow = false;
        FXonXoffIn = false;
        FXonXoffOut = false;
        if (value == fcHardware) {
            FControlRTS = rtsHandshake;
            FOutCTSFlow = true;
        } else if (value == fcSoftware) {
            FXonXoffIn = true;
            FXonXoffOut = true;
        }
    }
    if (FComPort)
        Apply(*FComPort);
}

#define BRIMLET_FLOW_SETTER(Name, Type) \
    void TComFlowControl::Set##Name(Type value) { StoreSetting(F##Name, value, FComPort, Apply); }
BRIMLET_FLOW_SETTER(OutCTSFlow, bool)
BRIMLET_FLOW_SETTER(OutDSRFlow, bool)
BRIMLET_FLOW_SETTER(ControlDTR, TDTRFlowControl)
BRIMLET_FLOW_SETTER(ControlRTS, TRTSFlowControl)
BRIMLET_FLOW_SETTER(XonXoffOut, bool)
BRIMLET_FLOW_SETTER(XonXoffIn, bool)
BRIMLET_FLOW_SETTER(DSRSensitivity, bool)
BRIMLET_FLOW_SETTER(TxContinueOnXoff, bool)
BRIMLET_FLOW_SETTER(XonChar, char)
BRIMLET_FLOW_SETTER(XoffChar, char)
#undef BRIMLET_FLOW_SETTER

void TComFlowControl::AssignTo(TPersistent* Dest) {
    auto* d = dynamic_cast<TComFlowControl*>(Dest);
    if (!d) {
        TPersistent::AssignTo(Dest);
        return;
    }
    d->FOutCTSFlow = FOutCTSFlow;
    d->FOutDSRFlow = FOutDSRFlow;
    d->FControlDTR = FControlDTR;
    d->FControlRTS = FControlRTS;
    d->FXonXoffOut = FXonXoffOut;
    d->FXonXoffIn = FXonXoffIn;
    d->FDSRSensitivity = FDSRSensitivity;
    d->FTxContinueOnXoff = FTxContinueOnXoff;
    d->FXonChar = FXonChar;
    d->FXoffChar = FXoffChar;
}

void TComParity::Apply(TCustomComPort& port) { port.ApplyDCB(); }

#define BRIMLET_PARITY_SETTER(Name, Type) \
    void TComParity::Set##Name(Type value) { StoreSetting(F##Name, value, FComPort, Apply); }
BRIMLET_PARITY_SETTER(Bits, TParityBits)
BRIMLET_PARITY_SETTER(Check, bool)
BRIMLET_PARITY_SETTER(Replace, bool)
BRIMLET_PARITY_SETTER(ReplaceChar, char)
#undef BRIMLET_PARITY_SETTER

void TComParity::AssignTo(TPersistent* Dest) {
    auto* d = dynamic_cast<TComParity*>(Dest);
    if (!d) {
        TPersistent::AssignTo(Dest);
        return;
    }
    d->FBits = FBits;
    d->FCheck = FCheck;
    d->FReplace = FReplace;
    d->FReplaceChar = FReplaceChar;
}

void TComBuffer::Apply(TCustomComPort& port) { port.ApplyBuffer(); }

static int EvenSize(int value) { return value > 0 && value % 2 == 1 ? value - 1 : value; }

void TComBuffer::SetInputSize(int value) { StoreSetting(FInputSize, EvenSize(value), FComPort, Apply); }
void TComBuffer::SetOutputSize(int value) { StoreSetting(FOutputSize, EvenSize(value), FComPort, Apply); }

void TComBuffer::AssignTo(TPersistent* Dest) {
    auto* d = dynamic_cast<TComBuffer*>(Dest);
    if (!d) {
        TPersistent::AssignTo(Dest);
        return;
    }
    d->FInputSize = FInputSize;
    d->FOutputSize = FOutputSize;
}

// ---------------------------------------------------------------------------------------------------------------
// Async records

void InitAsync(PAsync& AsyncPtr) {
    auto record = std::make_unique<TAsyncRecord>();
    record->Overlapped.hEvent = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    if (!record->Overlapped.hEvent)
        RaiseLastOSError("CreateEventA");
    AsyncPtr = record.release();
}

void DoneAsync(PAsync& AsyncPtr) {
    if (!AsyncPtr)
        return;
    CloseHandle(AsyncPtr->Overlapped.hEvent);
    delete AsyncPtr;
    AsyncPtr = nullptr;
}

namespace {

// One record for one synchronous operation, released on every path.
struct TScopedAsync {
    PAsync Ptr = nullptr;
    TScopedAsync() { InitAsync(Ptr); }
    ~TScopedAsync() { DoneAsync(Ptr); }
    TScopedAsync(const TScopedAsync&) = delete;
    TScopedAsync& operator=(const TScopedAsync&) = delete;
};

}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// Event thread

namespace {

// Wine cancels every pending wait on a pseudo-terminal within a few milliseconds, and each wait costs it about a
// millisecond of processor time. On such a device the thread watches the queue instead (a cheap look) and asks
// the device with a wait only after a write, or once in a while for the events only a wait reports. The look itself
// is cheap, the wait with a time limit between two looks is not (Wine spends 100 to 300 microseconds of processor
// time on one): the longer the line has been quiet, the seldomer the thread looks. So an idle open port costs little,
// while a stream, and a modem's answer after a write (which wakes the thread), are seen at once; bytes that come
// unasked after a long silence (a ring, a message arriving) are seen within a fifth of a second.
const DWORD QuickWatchMs = 1;          // between two looks just after something happened on the line...
const DWORD QuickPeriodMs = 250;       // ...for this long
const DWORD CalmWatchMs = 20;          // then, until the line has been quiet for a second...
const DWORD CalmPeriodMs = 1000;
const DWORD QuietWatchMs = 200;        // ...and afterwards
const DWORD RoundEveryMs = 1000;       // the longest time without asking the device with a wait, near activity...
const DWORD QuietRoundEveryMs = 10000;  // ...and when all is quiet

}  // namespace

TComThread::TComThread(TCustomComPort* AComPort)
    : TThread(true), FComPort(AComPort), FSyncMethod(AComPort->SyncMethod()), FWindow(AComPort->Window()) {
    try {
        FStopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (!FStopEvent)
            RaiseLastOSError("CreateEventA");
        FWakeEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        if (!FWakeEvent)
            RaiseLastOSError("CreateEventA");
        // Its own handle: a Close from inside this thread's dispatch lets the thread finish on its own.
        if (!DuplicateHandle(GetCurrentProcess(), AComPort->Handle(), GetCurrentProcess(), &FHandle, 0, FALSE,
                             DUPLICATE_SAME_ACCESS)) {
            FHandle = INVALID_HANDLE_VALUE;
            RaiseLastOSError("DuplicateHandle");
        }
        SetPriority(AComPort->ThreadPriority());
        FMask = ComEventsToMask(AComPort->Events());
        // A mask the device refuses makes the first wait fail, which the loop handles.
        SetCommMask(FHandle, FMask);
    } catch (...) {
        if (FStopEvent)
            CloseHandle(FStopEvent);
        if (FWakeEvent)
            CloseHandle(FWakeEvent);
        if (FHandle != INVALID_HANDLE_VALUE)
            CloseHandle(FHandle);
        throw;
    }
    Start();
}

TComThread::~TComThread() {
    Stop();
    StopAndWait();
    CloseHandle(FStopEvent);
    CloseHandle(FWakeEvent);
    if (FHandle != INVALID_HANDLE_VALUE)
        CloseHandle(FHandle);  // a thread that never ran still holds it
}

void TComThread::BeforeDestruction() {
    Stop();
    TThread::BeforeDestruction();
}

void TComThread::Stop() {
    Terminate();
    SetEvent(FStopEvent);
    Sleep(0);
}

void TComThread::Detach() {
    // The thread is not using the device now, and on its way out it touches neither the device nor the port: the
    // port may be opened again (a device that admits one opener at a time) or go before the thread has ended.
    ReleaseDevice();
    SetFreeOnTerminate(true);  // before the stop: the thread reads it on its way out
    Stop();
}

void TComThread::ReleaseDevice() {
    if (FHandle == INVALID_HANDLE_VALUE)
        return;
    SetCommMask(FHandle, 0);
    PurgeComm(FHandle, PURGE_TXCLEAR | PURGE_RXCLEAR);
    CloseHandle(FHandle);
    FHandle = INVALID_HANDLE_VALUE;
}

void TComThread::Wake() { SetEvent(FWakeEvent); }

bool TComThread::NothingNew(DWORD mask) {
    // Wine reports EV_RXCHAR whenever bytes are queued, not when they arrive: bytes already announced and still
    // unread are no news.
    if (mask != EV_RXCHAR || !FComPort->MayHoldAnnounced())
        return false;
    COMSTAT stat{};
    return FComPort->ReadStatus(FHandle, stat) && FComPort->AllAnnounced(static_cast<int>(stat.cbInQue));
}

void TComThread::Dispatch(TComEvents Events) {
    // Line errors that a look at the queue has read (and so cleared) are reported with the next batch.
    if ((FMask & EV_ERR) && FComPort->HasPendingErrors())
        Events.Include(evError);
    FEvents = Events;
    FLastActivity = GetTickCount();
    RunGuarded([this] { DispatchEvents(); });
    FLookAtOnce = true;
}

void TComThread::Execute() {
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    if (!overlapped.hEvent)
        RaiseLastOSError("CreateEventA");
    HANDLE waits[2] = {FStopEvent, overlapped.hEvent};
    bool pending = false;
    // Opening is no activity on the line: the thread starts with the calmer looks.
    FLastRound = GetTickCount();
    FLastActivity = FLastRound - QuickPeriodMs;
    while (!Terminated()) {
        if (FMask == 0) {
            WaitForSingleObject(FStopEvent, INFINITE);  // nothing the device can report: wait for the end
            break;
        }
        if (FWatching) {
            TComEvents news;
            TWatchResult watched = Watch(news);
            if (watched == TWatchResult::Stop)
                break;
            if (watched == TWatchResult::News) {
                Dispatch(news);
                continue;
            }
        }
        FLastRound = GetTickCount();
        DWORD mask = 0, bytes = 0;
        bool received = WaitCommEvent(FHandle, &mask, &overlapped) != FALSE;
        if (!received) {
            DWORD error = GetLastError();
            if (error == ERROR_IO_PENDING) {
                DWORD r = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
                if (r != WAIT_OBJECT_0 + 1) {
                    pending = true;
                    break;
                }
                received = GetOverlappedResult(FHandle, &overlapped, &bytes, FALSE) != FALSE;
            } else if (error == ERROR_NOT_SUPPORTED && (FMask & ModemEventMask)) {
                // The device has no modem lines to watch (a pseudo-terminal): wait for everything else.
                FMask &= ~ModemEventMask;
                SetCommMask(FHandle, FMask);
                continue;
            }
        }
        if (received && mask != 0 && !NothingNew(mask)) {
            // The device reports through its waits: wait again at once.
            FWatching = false;
            Dispatch(MaskToComEvents(mask));
            continue;
        }
        // A failed or cancelled wait, or one that reported nothing new (waiting again would return at once):
        // watch the device instead until there is something to ask it.
        FWatching = true;
    }
    if (pending) {
        // The OVERLAPPED must not go while the wait may still write into it.
        DWORD bytes = 0;
        SetCommMask(FHandle, 0);
        CancelIo(FHandle);
        GetOverlappedResult(FHandle, &overlapped, &bytes, TRUE);
    }
    ReleaseDevice();  // already done when a Close from inside a batch let the thread go
    CloseHandle(overlapped.hEvent);
}

TComThread::TWatchResult TComThread::Watch(TComEvents& News) {
    HANDLE waits[2] = {FStopEvent, FWakeEvent};
    bool lookNow = FLookAtOnce;
    FLookAtOnce = false;
    for (;;) {
        DWORD now = GetTickCount();
        DWORD quiet = now - FLastActivity;
        if (now - FLastRound >= (quiet < CalmPeriodMs ? RoundEveryMs : QuietRoundEveryMs))
            return TWatchResult::Round;
        if (!lookNow) {
            DWORD interval = quiet < QuickPeriodMs ? QuickWatchMs : quiet < CalmPeriodMs ? CalmWatchMs : QuietWatchMs;
            DWORD r = WaitForMultipleObjects(2, waits, FALSE, interval);
            if (r == WAIT_OBJECT_0)
                return TWatchResult::Stop;
            if (r == WAIT_OBJECT_0 + 1) {
                // The port wrote: the device's own wait reports the empty transmit queue, and an answer may follow.
                FLastActivity = GetTickCount();
                return TWatchResult::Round;
            }
        }
        lookNow = false;
        COMSTAT stat{};
        if (!FComPort->ReadStatus(FHandle, stat))
            continue;  // a device that has gone has nothing to watch; the next wait tells the same
        if ((FMask & EV_ERR) && FComPort->HasPendingErrors())
            News.Include(evError);
        int queued = static_cast<int>(stat.cbInQue);
        if ((FMask & EV_RXCHAR) && queued > 0 && !FComPort->AllAnnounced(queued))
            News.Include(evRxChar);
        if (!News.Empty())
            return TWatchResult::News;
    }
}

void TComThread::DispatchEvents() {
    if (Terminated())
        return;
    TComEvents events = FEvents;
    switch (FSyncMethod) {
        case smThreadSync: {
            // Until the main thread lets it go the thread touches nothing: a Close there may take the device.
            FWaitsForMainThread = true;
            auto done = Finally([this] { FWaitsForMainThread = false; });
            // Checked again on the main thread: a Close that ran meanwhile may have stopped this thread.
            Synchronize([this, events] {
                if (!Terminated())
                    FComPort->FireEvents(events);
            });
            break;
        }
        case smWindowSync:
            TCustomComPort::SendEventsToWindow(FWindow, events);
            break;
        case smNone:
            FComPort->FireEvents(events);
            break;
    }
}

// ---------------------------------------------------------------------------------------------------------------
// The port

// Marks the thread that is running the port's handlers, so that a Close from inside them does not wait for the
// thread that is waiting for them.
class TCustomComPort::TDispatchScope {
public:
    explicit TDispatchScope(TCustomComPort& port) : FPort(port), FPrevious(port.FDispatchThread) {
        ++FPort.FDispatchDepth;
        FPort.FDispatchThread = GetCurrentThreadId();
    }
    ~TDispatchScope() {
        --FPort.FDispatchDepth;
        FPort.FDispatchThread = FPrevious;
    }
    TDispatchScope(const TDispatchScope&) = delete;
    TDispatchScope& operator=(const TDispatchScope&) = delete;

private:
    TCustomComPort& FPort;
    DWORD FPrevious;
};

TCustomComPort::TCustomComPort(TComponent* AOwner)
    : TComponent(AOwner),
      FBuffer(std::make_unique<TComBuffer>(this)),
      FParity(std::make_unique<TComParity>(this)),
      FTimeouts(std::make_unique<TComTimeouts>(this)),
      FFlowControl(std::make_unique<TComFlowControl>(this)) {
    ComErrorTable();
}

TCustomComPort::~TCustomComPort() {
    try {
        Close();
    } catch (...) {
        HandleCurrentException();  // a destructor cannot fail: report, then close all the same
    }
    CloseAfterFailure();
    // The links outlive the list: they must not try to leave it later.
    while (!FLinks.empty())
        DropLink(FLinks.back());
}

void TCustomComPort::BeforeDestruction() {
    TComponent::BeforeDestruction();
    try {
        Close();
    } catch (...) {
        HandleCurrentException();
        CloseAfterFailure();
    }
}

bool TCustomComPort::HardwareAccessAllowed() const {
    return FConnected && FUpdateCount == 0 && !Designing() && !Loading();
}

bool TCustomComPort::DispatchingHere() const {
    return FDispatchDepth > 0 && FDispatchThread == GetCurrentThreadId();
}

void TCustomComPort::CreateHandle() {
    FHandle = CreateFileA(("\\\\.\\" + FPort).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          FILE_FLAG_OVERLAPPED, nullptr);
    if (FHandle == INVALID_HANDLE_VALUE)
        RaiseComError(1);
}

void TCustomComPort::DestroyHandle() {
    if (FHandle != INVALID_HANDLE_VALUE)
        CloseHandle(FHandle);  // nothing to recover if the system refuses: the handle is gone for us either way
    FHandle = INVALID_HANDLE_VALUE;
}

void TCustomComPort::Open() {
    if (FConnected || Designing())
        return;
    ++FOpenCount;
    // What was announced before a close says nothing about what the device holds now.
    FAnnouncedUnread = 0;
    CallBeforeOpen();
    CreateHandle();
    FConnected = true;
    bool announced = false;
    try {
        ApplySettings();
        if (!FEvents.Empty()) {
            if (FSyncMethod == smWindowSync)
                FWindow = AllocateHWnd([this](TMessage& Message) { WindowMethod(Message); });
            FEventThread = new TComThread(this);
            FThreadCreated = true;
        } else {
            FThreadCreated = false;
        }
        announced = true;
        CallAfterOpen();
    } catch (...) {
        // Whatever failed, the port must not stay half open: no thread, no window, no handle. Once the links have
        // heard that it is open, they and the close events hear that it closed, as after any close; the failure
        // that closed it is the one the caller gets.
        if (announced && FConnected) {
            RunGuarded([this] { CallBeforeClose(); });
            CloseAfterFailure();
        } else {
            CloseQuietly();
        }
        throw;
    }
}

void TCustomComPort::WakeEventThread() {
    if (TComThread* thread = FEventThread)
        thread->Wake();
}

void TCustomComPort::FreeEventThread() {
    TComThread* thread = FEventThread;
    FEventThread = nullptr;
    FThreadCreated = false;
    if (!thread)
        return;
    // A Close from inside a batch that the thread waits for (or runs itself) cannot wait for the thread: it ends and
    // frees itself once the handlers return. Any other close stops the thread and waits for it, serving its
    // synchronised calls and the messages it sends meanwhile (a window-synchronised batch runs while the thread
    // goes on).
    bool itself = GetCurrentThreadId() == thread->ThreadID();
    bool waitsForUs = GetCurrentThreadId() == MainThreadID && thread->WaitsForMainThread();
    if (itself || waitsForUs)
        thread->Detach();
    else
        thread->Free();
}

void TCustomComPort::ReleaseDevice() {
    // From here on the event thread's batches are dropped: the port is going.
    FClosing = true;
    FreeEventThread();
    if (FWindow) {
        DeallocateHWnd(FWindow);
        FWindow = nullptr;
    }
    std::exception_ptr failure;
    try {
        DestroyHandle();
    } catch (...) {
        failure = std::current_exception();
    }
    if (FHandle != INVALID_HANDLE_VALUE) {
        CloseHandle(FHandle);  // a DestroyHandle that failed must not leave the device open
        FHandle = INVALID_HANDLE_VALUE;
    }
    FConnected = false;
    FClosing = false;
    if (failure)
        std::rethrow_exception(failure);
}

void TCustomComPort::CloseQuietly() noexcept {
    if (!FConnected && FHandle == INVALID_HANDLE_VALUE && !FEventThread && !FWindow)
        return;
    RunGuarded([this] { ReleaseDevice(); });
}

void TCustomComPort::CloseAfterFailure() noexcept {
    bool wasOpen = FConnected;
    CloseQuietly();
    if (wasOpen)
        RunGuarded([this] { CallAfterClose(); });
}

void TCustomComPort::Close() {
    if (!FConnected || Designing())
        return;
    CallBeforeClose();
    AbortAllAsync();
    try {
        ReleaseDevice();
    } catch (...) {
        // Closed all the same: the links and OnAfterClose hear of it before the failure is raised.
        RunGuarded([this] { CallAfterClose(); });
        throw;
    }
    CallAfterClose();
}

void TCustomComPort::EndUpdate() {
    if (FUpdateCount <= 0)
        return;
    if (--FUpdateCount == 0)
        ApplySettings();
}

void TCustomComPort::ApplySettings() {
    ApplyBuffer();
    ApplyDCB();
    ApplyTimeouts();
}

void TCustomComPort::Loaded() {
    TComponent::Loaded();
    if (FConnected && !Designing()) {
        FConnected = false;
        Open();
    }
}

DCB TCustomComPort::BuildDCB() const {
    static const DWORD BaudRates[] = {0,     110,   300,   600,   1200,  2400,   4800,   9600,
                                      14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
    DCB dcb;
    std::memset(&dcb, 0, sizeof dcb);
    dcb.DCBlength = sizeof(DCB);
    dcb.fBinary = 1;
    dcb.BaudRate = FBaudRate == brCustom ? static_cast<DWORD>(FCustomBaudRate) : BaudRates[FBaudRate];
    dcb.ByteSize = static_cast<BYTE>(5 + FDataBits);
    dcb.Parity = static_cast<BYTE>(FParity->Bits());
    dcb.StopBits = static_cast<BYTE>(FStopBits);
    // A limit beyond 16 bits would wrap to an arbitrary small number: hold it at the largest the field takes.
    int limit = std::clamp(FBuffer->InputSize() / 4, 0, 0xFFFF);
    dcb.XonLim = static_cast<WORD>(limit);
    dcb.XoffLim = static_cast<WORD>(limit);
    dcb.XonChar = FFlowControl->XonChar();
    dcb.XoffChar = FFlowControl->XoffChar();
    dcb.EvtChar = FEventChar;
    dcb.fNull = FDiscardNull;
    dcb.fOutxCtsFlow = FFlowControl->OutCTSFlow();
    dcb.fOutxDsrFlow = FFlowControl->OutDSRFlow();
    dcb.fDtrControl = FFlowControl->ControlDTR();
    dcb.fRtsControl = FFlowControl->ControlRTS();
    dcb.fOutX = FFlowControl->XonXoffOut();
    dcb.fInX = FFlowControl->XonXoffIn();
    dcb.fDsrSensitivity = FFlowControl->DSRSensitivity();
    dcb.fTXContinueOnXoff = FFlowControl->TxContinueOnXoff();
    if (FParity->Check()) {
        dcb.fParity = 1;
        if (FParity->Replace()) {
            dcb.fErrorChar = 1;
            dcb.ErrorChar = FParity->ReplaceChar();
        }
    }
    return dcb;
}

COMMTIMEOUTS TCustomComPort::BuildTimeouts() const {
    COMMTIMEOUTS t;
    t.ReadIntervalTimeout = static_cast<DWORD>(FTimeouts->ReadInterval());
    t.ReadTotalTimeoutMultiplier = static_cast<DWORD>(FTimeouts->ReadTotalMultiplier());
    t.ReadTotalTimeoutConstant = static_cast<DWORD>(FTimeouts->ReadTotalConstant());
    t.WriteTotalTimeoutMultiplier = static_cast<DWORD>(FTimeouts->WriteTotalMultiplier());
    t.WriteTotalTimeoutConstant = static_cast<DWORD>(FTimeouts->WriteTotalConstant());
    return t;
}

void TCustomComPort::ApplyDCB() {
    if (!HardwareAccessAllowed())
        return;
    DCB dcb = BuildDCB();
    if (!FDeviceCalls.SetCommState(FHandle, &dcb))
        RaiseComError(7);
}

void TCustomComPort::ApplyTimeouts() {
    if (!HardwareAccessAllowed())
        return;
    COMMTIMEOUTS timeouts = BuildTimeouts();
    if (!FDeviceCalls.SetCommTimeouts(FHandle, &timeouts))
        RaiseComError(8);
}

void TCustomComPort::ApplyBuffer() {
    if (!HardwareAccessAllowed())
        return;
    if (!FDeviceCalls.SetupComm(FHandle, static_cast<DWORD>(FBuffer->InputSize()),
                               static_cast<DWORD>(FBuffer->OutputSize())))
        RaiseComError(9);
}

// --- properties ---

void TCustomComPort::SetConnected(bool value) {
    if (Designing() || Loading()) {
        FConnected = value;
        return;
    }
    if (value == FConnected)
        return;
    if (value)
        Open();
    else
        Close();
}

void TCustomComPort::SetPort(const std::string& value) {
    if (value == FPort)
        return;
    FPort = value;
    if (FConnected && !Designing() && !Loading()) {
        Close();
        Open();
    }
}

void TCustomComPort::SetSyncMethod(TSyncMethod value) {
    if (value == FSyncMethod)
        return;
    if (FConnected && !Designing() && !Loading())
        throw EComPort(14);
    FSyncMethod = value;
}

#define BRIMLET_PORT_SETTER(Name, Type)          \
    void TCustomComPort::Set##Name(Type value) { \
        if (value == F##Name)                    \
            return;                              \
        F##Name = value;                         \
        ApplyDCB();                              \
    }
BRIMLET_PORT_SETTER(BaudRate, TBaudRate)
BRIMLET_PORT_SETTER(CustomBaudRate, int)
BRIMLET_PORT_SETTER(StopBits, TStopBits)
BRIMLET_PORT_SETTER(DataBits, TDataBits)
BRIMLET_PORT_SETTER(DiscardNull, bool)
BRIMLET_PORT_SETTER(EventChar, char)
#undef BRIMLET_PORT_SETTER

void TCustomComPort::SetBuffer(TComBuffer* value) {
    FBuffer->Assign(value);
    ApplyBuffer();
}

void TCustomComPort::SetParity(TComParity* value) {
    FParity->Assign(value);
    ApplyDCB();
}

void TCustomComPort::SetTimeouts(TComTimeouts* value) {
    FTimeouts->Assign(value);
    ApplyTimeouts();
}

void TCustomComPort::SetFlowControl(TComFlowControl* value) {
    FFlowControl->Assign(value);
    ApplyDCB();
}

// --- reading and writing ---

static void CheckTransfer(const void* Buffer, int Count) {
    if (Count < 0)
        throw EInvalidArgument("A serial transfer cannot move " + IntToStr(Count) + " bytes");
    if (Count > 0 && !Buffer)
        throw EInvalidArgument("A serial transfer needs a buffer");
}

int TCustomComPort::WriteAsync(const void* Buffer, int Count, PAsync& AsyncPtr) {
    if (!AsyncPtr)
        throw EComPort(4);
    CheckTransfer(Buffer, Count);
    AsyncPtr->Kind = akWrite;
    AsyncPtr->Data.reset();
    if (Count > 0) {
        AsyncPtr->Data = std::make_unique<char[]>(static_cast<size_t>(Count));
        std::memcpy(AsyncPtr->Data.get(), Buffer, static_cast<size_t>(Count));
    }
    AsyncPtr->Size = Count;
    DWORD written = 0;
    // The write goes out of the record's own copy: the caller's buffer may be gone before the write completes.
    static const char nothing = 0;
    const char* source = Count > 0 ? AsyncPtr->Data.get() : &nothing;
    if (!WriteFile(FHandle, source, static_cast<DWORD>(Count), &written, &AsyncPtr->Overlapped) &&
        GetLastError() != ERROR_IO_PENDING)
        RaiseComError(2);
    WakeEventThread();
    NotifyLinks(lsTx, true);
    return static_cast<int>(written);
}

int TCustomComPort::WriteStrAsync(const std::string& Str, PAsync& AsyncPtr) {
    if (Str.empty())
        return 0;
    return WriteAsync(Str.data(), static_cast<int>(Str.size()), AsyncPtr);
}

int TCustomComPort::ReadAsync(void* Buffer, int Count, PAsync& AsyncPtr) {
    if (!AsyncPtr)
        throw EComPort(4);
    CheckTransfer(Buffer, Count);
    AsyncPtr->Kind = akRead;
    DWORD read = 0;
    if (!ReadFile(FHandle, Buffer, static_cast<DWORD>(Count), &read, &AsyncPtr->Overlapped) &&
        GetLastError() != ERROR_IO_PENDING)
        RaiseComError(3);
    return static_cast<int>(read);
}

int TCustomComPort::ReadStrAsync(std::string& Str, int Count, PAsync& AsyncPtr) {
    Str.resize(static_cast<size_t>(std::max(Count, 0)));
    if (Count < 1)
        return 0;
    return ReadAsync(Str.data(), Count, AsyncPtr);
}

int TCustomComPort::WaitForAsync(PAsync& AsyncPtr) {
    if (!AsyncPtr)
        throw EComPort(4);
    DWORD bytes = 0;
    // An operation that completed at once (a read of queued bytes) needs no wait on its event.
    bool done = HasOverlappedIoCompleted(&AsyncPtr->Overlapped) ||
                WaitForSingleObject(AsyncPtr->Overlapped.hEvent, INFINITE) == WAIT_OBJECT_0;
    bool ok = done && GetOverlappedResult(FHandle, &AsyncPtr->Overlapped, &bytes, FALSE);
    if (!ok)
        RaiseComError(AsyncPtr->Kind == akWrite ? 2 : 3);
    if (AsyncPtr->Kind == akRead)
        FBytesRead += bytes;
    if (AsyncPtr->Kind == akRead) {
        // Only links care whether the queue is now empty. The bytes are read: a device that fails the look at its
        // queue now must not make the caller lose them (the next operation reports the failure).
        COMSTAT stat{};
        if (!FLinks.empty() && ReadStatus(FHandle, stat) && stat.cbInQue == 0)
            NotifyLinks(lsRx, false);
    } else {
        WakeEventThread();  // the transmit queue may be empty now
        if (AsyncPtr->Data)
            ForEachLink([&](TComLink& link) {
                if (link.OnTxBuf)
                    link.OnTxBuf(this, AsyncPtr->Data.get(), AsyncPtr->Size);
            });
    }
    return static_cast<int>(bytes);
}

int TCustomComPort::Write(const void* Buffer, int Count) {
    TScopedAsync async;
    WriteAsync(Buffer, Count, async.Ptr);
    int written = WaitForAsync(async.Ptr);
    // A write that ran into its timeout completes "successfully" with fewer bytes: that is a failed write.
    if (written < Count)
        throw EComPort(2, ERROR_TIMEOUT);
    return written;
}

int TCustomComPort::WriteStr(const std::string& Str) {
    TScopedAsync async;
    WriteStrAsync(Str, async.Ptr);
    int written = WaitForAsync(async.Ptr);
    if (written < static_cast<int>(Str.size()))
        throw EComPort(2, ERROR_TIMEOUT);
    return written;
}

bool TCustomComPort::ReadsReturnAtOnce() const {
    return FTimeouts->ReadInterval() == -1 && FTimeouts->ReadTotalMultiplier() == 0 &&
           FTimeouts->ReadTotalConstant() == 0;
}

int TCustomComPort::WaitForRead(PAsync& AsyncPtr) {
    // With these timeouts a read returns at once with what is queued, nothing when the queue is empty. Wine
    // instead leaves a read of an empty queue pending until data comes, which would hang the caller: such a read
    // is cancelled, and what it got by then (usually nothing) is the result, as it would be on Windows.
    if (ReadsReturnAtOnce() && !HasOverlappedIoCompleted(&AsyncPtr->Overlapped)) {
        CancelIoEx(FHandle, &AsyncPtr->Overlapped);
        DWORD bytes = 0;
        if (!GetOverlappedResult(FHandle, &AsyncPtr->Overlapped, &bytes, TRUE)) {
            if (GetLastError() != ERROR_OPERATION_ABORTED)
                RaiseComError(3);
            NotifyLinks(lsRx, false);
            return 0;
        }
    }
    return WaitForAsync(AsyncPtr);
}

int TCustomComPort::Read(void* Buffer, int Count) {
    TScopedAsync async;
    ReadAsync(Buffer, Count, async.Ptr);
    return WaitForRead(async.Ptr);
}

int TCustomComPort::ReadStr(std::string& Str, int Count) {
    TScopedAsync async;
    ReadStrAsync(Str, Count, async.Ptr);
    int read = Count < 1 ? WaitForAsync(async.Ptr) : WaitForRead(async.Ptr);
    Str.resize(static_cast<size_t>(read));
    return read;
}

void TCustomComPort::AbortAllAsync() {
    if (!PurgeComm(FHandle, PURGE_TXABORT | PURGE_RXABORT))
        RaiseComError(5);
}

bool TCustomComPort::ReadStatus(HANDLE handle, COMSTAT& stat) {
    DWORD errors = 0;
    if (!FDeviceCalls.ClearCommError(handle, &errors, &stat))
        return false;
    if (errors)
        FPendingErrors |= errors;
    return true;
}

int TCustomComPort::InputCount() {
    COMSTAT stat{};
    if (!ReadStatus(FHandle, stat))
        RaiseComError(10);
    return static_cast<int>(stat.cbInQue);
}

TModemSignals TCustomComPort::ModemSignals() {
    DWORD status = 0;
    if (!FDeviceCalls.GetCommModemStatus(FHandle, &status))
        RaiseComError(11);
    TModemSignals signals;
    if (status & MS_CTS_ON)
        signals.Include(msCTS);
    if (status & MS_DSR_ON)
        signals.Include(msDSR);
    if (status & MS_RING_ON)
        signals.Include(msRing);
    if (status & MS_RLSD_ON)
        signals.Include(msRLSD);
    return signals;
}

TModemSignals TCustomComPort::ModemSignalsOrOff() {
    try {
        return ModemSignals();
    } catch (const EComPort& e) {
        // A device without modem lines (a pseudo-terminal, some virtual ports) cannot say: its lines are off.
        if (e.WinCode() == ERROR_NOT_SUPPORTED || e.WinCode() == ERROR_INVALID_FUNCTION)
            return TModemSignals();
        throw;
    }
}

TComErrors TCustomComPort::LastErrors() {
    COMSTAT stat{};
    if (!ReadStatus(FHandle, stat))
        RaiseComError(10);
    DWORD errors = FPendingErrors.exchange(0);
    TComErrors result;
    if (errors & CE_FRAME)
        result.Include(ceFrame);
    if ((errors & CE_RXPARITY) && FParity->Check())
        result.Include(ceRxParity);
    if (errors & CE_OVERRUN)
        result.Include(ceOverrun);
    if (errors & CE_RXOVER)
        result.Include(ceRxOver);
    if (errors & CE_TXFULL)
        result.Include(ceTxFull);
    if (errors & CE_BREAK)
        result.Include(ceBreak);
    if (errors & CE_IOE)
        result.Include(ceIO);
    if (errors & CE_MODE)
        result.Include(ceMode);
    return result;
}

// --- links ---

TComLink::~TComLink() {
    while (!FPorts.empty())
        FPorts.back()->DropLink(this);
}

void TCustomComPort::RegisterLink(TComLink* AComLink) {
    if (!AComLink || std::find(FLinks.begin(), FLinks.end(), AComLink) != FLinks.end())
        throw EComPort(18);
    FLinks.push_back(AComLink);
    AComLink->FPorts.push_back(this);
    UpdateHasLink();
}

void TCustomComPort::UnregisterLink(TComLink* AComLink) {
    if (std::find(FLinks.begin(), FLinks.end(), AComLink) == FLinks.end())
        throw EComPort(18);
    DropLink(AComLink);
}

void TCustomComPort::DropLink(TComLink* AComLink) noexcept {
    std::erase(FLinks, AComLink);
    std::erase(AComLink->FPorts, this);
    UpdateHasLink();
}

void TCustomComPort::ForEachLink(const std::function<void(TComLink&)>& fn) {
    // Handlers may unregister links, or free them: go through the list as it was, and skip what has left it.
    std::vector<TComLink*> links = FLinks;
    for (TComLink* link : links)
        if (std::find(FLinks.begin(), FLinks.end(), link) != FLinks.end())
            fn(*link);
}

void TCustomComPort::UpdateHasLink() {
    FHasLink = std::any_of(FLinks.begin(), FLinks.end(), [](TComLink* l) { return static_cast<bool>(l->OnRxBuf); });
}

void TCustomComPort::NotifyLinks(TComLedSignal Signal, bool OnOff) {
    ForEachLink([&](TComLink& link) {
        TComSignalEvent* slot = nullptr;
        switch (Signal) {
            case lsConn: slot = &link.OnConn; break;
            case lsCTS: slot = &link.OnCTSChange; break;
            case lsDSR: slot = &link.OnDSRChange; break;
            case lsRLSD: slot = &link.OnRLSDChange; break;
            case lsRx: slot = &link.OnRx; break;
            case lsTx: slot = &link.OnTx; break;
            case lsRing: break;
        }
        if (slot && *slot)
            (*slot)(this, OnOff);
    });
}

// --- dispatch ---

void TCustomComPort::FireEvents(TComEvents Events) {
    TDispatchScope scope(*this);
    unsigned opened = FOpenCount;
    for (TComEvent e : FireOrder) {
        if (!Events.Contains(e))
            continue;
        if (!FConnected || FClosing || FOpenCount != opened)
            return;  // a handler closed (and maybe reopened) the port, or it is closing: the batch is over
        // A handler's failure must not end the event thread (the port would stop receiving for good).
        RunGuarded([this, e] { CallEvent(e); });
    }
    // In a stream the device queues more while the handlers read. Handing each chunk back to the event thread and
    // waiting for its next announcement costs as much as reading it, so what came meanwhile is announced from here,
    // a few chunks at most, as long as the handlers read all they were told of (else the thread's bookkeeping of
    // unread bytes decides) and the thread that runs them gets back to its messages soon.
    // Handlers that run on the event thread itself (smNone) have no hand-over to save.
    if (!Events.Contains(evRxChar) || FSyncMethod != smThreadSync)
        return;
    const int MoreChunks = 8;
    const DWORD MoreForMs = 20;
    DWORD began = GetTickCount();
    for (int more = 0; more < MoreChunks && GetTickCount() - began < MoreForMs; ++more) {
        if (!FConnected || FClosing || FOpenCount != opened || FAnnouncedUnread != 0)
            return;
        COMSTAT stat{};
        if (!ReadStatus(FHandle, stat) || stat.cbInQue == 0)
            return;
        RunGuarded([this] { CallEvent(evRxChar); });
    }
}

void TCustomComPort::CallEvent(TComEvent Event) {
    switch (Event) {
        case evError: CallError(); break;
        case evRxChar: CallRxChar(); break;
        case evTxEmpty: CallTxEmpty(); break;
        case evBreak: CallBreak(); break;
        case evRing: CallRing(); break;
        case evCTS: CallCTSChange(); break;
        case evDSR: CallDSRChange(); break;
        case evRxFlag: CallRxFlag(); break;
        case evRLSD: CallRLSDChange(); break;
        case evRx80Full: CallRx80Full(); break;
    }
}

void TCustomComPort::SendEventsToWindow(HWND Window, TComEvents Events) {
    for (TComEvent e : FireOrder)
        if (Events.Contains(e))
            SendMessageA(Window, WM_USER + 1, EventBits[e], 0);
}

void TCustomComPort::WindowMethod(TMessage& Message) {
    if (Message.Msg != WM_USER + 1) {
        DefaultHandler(FWindow, Message);
        return;
    }
    if (InSendMessage())
        ReplyMessage(0);  // the event thread goes on at once
    Message.Result = 0;
    if (!FConnected || FClosing)
        return;
    TDispatchScope scope(*this);
    try {
        switch (Message.WParam) {
            case EV_RXCHAR: CallRxChar(); break;
            case EV_RXFLAG: CallRxFlag(); break;
            case EV_TXEMPTY: CallTxEmpty(); break;
            case EV_CTS: CallCTSChange(); break;
            case EV_DSR: CallDSRChange(); break;
            case EV_RLSD: CallRLSDChange(); break;
            case EV_BREAK: CallBreak(); break;
            case EV_ERR: CallError(); break;
            case EV_RING: CallRing(); break;
            case EV_RX80FULL: CallRx80Full(); break;
            default: break;
        }
    } catch (...) {
        HandleCurrentException();
    }
}

// --- the Call operations ---

bool TCustomComPort::AllAnnounced(int queued) const {
    return queued > 0 && queued == FAnnouncedUnread && FBytesRead == FReadAtAnnounce;
}

void TCustomComPort::CallRxChar() {
    long long readBefore = FBytesRead;
    int count = InputCount();
    // Remembered for the event thread: what was announced here and left unread is no news until read.
    // A handler that closed and opened the port again has a new device session, which this announcement is not of.
    struct Remember {
        TCustomComPort& port;
        long long before;
        int announced;
        unsigned opened;
        ~Remember() {
            if (port.FOpenCount != opened)
                return;
            port.FReadAtAnnounce = port.FBytesRead.load();
            port.FAnnouncedUnread = port.FBytesRead == before ? announced : 0;
        }
    } remember{*this, readBefore, count, FOpenCount};
    if (count > 0)
        NotifyLinks(lsRx, true);
    if (count >= 1 && !(FAnnounceRxChar && !FHasLink)) {
        std::unique_ptr<char[]> buffer;
        bool read = false;
        auto readOnce = [&] {
            buffer = std::make_unique<char[]>(static_cast<size_t>(count));
            // Hand out what really arrived; a shorter read must not pass on bytes that were never received.
            count = Read(buffer.get(), count);
            DoRxBuf(buffer.get(), count);
            read = true;
        };
        ForEachLink([&](TComLink& link) {
            if (!link.OnRxBuf)
                return;
            if (!read)
                readOnce();
            link.OnRxBuf(this, buffer.get(), count);
        });
        if (!read && !FAnnounceRxChar)
            readOnce();
        if (read)
            count = 0;
    }
    if (count > 0)
        DoRxChar(count);
}

void TCustomComPort::CallTxEmpty() {
    NotifyLinks(lsTx, false);
    ForEachLink([this](TComLink& link) {
        if (link.OnTxEmpty)
            link.OnTxEmpty(this);
    });
    DoTxEmpty();
}

void TCustomComPort::CallRxFlag() {
    ForEachLink([this](TComLink& link) {
        if (link.OnRxFlag)
            link.OnRxFlag(this);
    });
    DoRxFlag();
}

void TCustomComPort::CallRing() {
    ForEachLink([this](TComLink& link) {
        if (link.OnRing)
            link.OnRing(this);
    });
    DoRing();
}

void TCustomComPort::CallBreak() { DoBreak(); }
void TCustomComPort::CallRx80Full() { DoRx80Full(); }

void TCustomComPort::CallCTSChange() {
    bool on = ModemSignalsOrOff().Contains(msCTS);
    NotifyLinks(lsCTS, on);
    DoCTSChange(on);
}

void TCustomComPort::CallDSRChange() {
    bool on = ModemSignalsOrOff().Contains(msDSR);
    NotifyLinks(lsDSR, on);
    DoDSRChange(on);
}

void TCustomComPort::CallRLSDChange() {
    bool on = ModemSignalsOrOff().Contains(msRLSD);
    NotifyLinks(lsRLSD, on);
    DoRLSDChange(on);
}

void TCustomComPort::CallError() {
    TComErrors errors = LastErrors();
    if (!errors.Empty())
        DoError(errors);
}

void TCustomComPort::CallAfterOpen() {
    NotifyLinks(lsConn, true);
    DoAfterOpen();
    if (!FConnected)
        return;  // the handler closed the port again: it has no lines to announce
    CallCTSChange();
    CallDSRChange();
    CallRLSDChange();
}

void TCustomComPort::CallBeforeClose() {
    NotifyLinks(lsCTS, false);
    NotifyLinks(lsDSR, false);
    NotifyLinks(lsRLSD, false);
    DoCTSChange(false);
    DoDSRChange(false);
    DoRLSDChange(false);
    DoBeforeClose();
}

void TCustomComPort::CallAfterClose() {
    NotifyLinks(lsConn, false);
    DoAfterClose();
}

void TCustomComPort::CallBeforeOpen() { DoBeforeOpen(); }

// --- event methods ---

void TCustomComPort::DoAfterClose() {
    if (OnAfterClose)
        OnAfterClose(this);
}
void TCustomComPort::DoAfterOpen() {
    if (OnAfterOpen)
        OnAfterOpen(this);
}
void TCustomComPort::DoBeforeClose() {
    if (OnBeforeClose)
        OnBeforeClose(this);
}
void TCustomComPort::DoBeforeOpen() {
    if (OnBeforeOpen)
        OnBeforeOpen(this);
}
void TCustomComPort::DoRxChar(int Count) {
    if (OnRxChar)
        OnRxChar(this, Count);
}
void TCustomComPort::DoRxBuf(const void* Buffer, int Count) {
    if (OnRxBuf)
        OnRxBuf(this, Buffer, Count);
}
void TCustomComPort::DoTxEmpty() {
    if (OnTxEmpty)
        OnTxEmpty(this);
}
void TCustomComPort::DoBreak() {
    if (OnBreak)
        OnBreak(this);
}
void TCustomComPort::DoRing() {
    if (OnRing)
        OnRing(this);
}
void TCustomComPort::DoRxFlag() {
    if (OnRxFlag)
        OnRxFlag(this);
}
void TCustomComPort::DoCTSChange(bool OnOff) {
    if (OnCTSChange)
        OnCTSChange(this, OnOff);
}
void TCustomComPort::DoDSRChange(bool OnOff) {
    if (OnDSRChange)
        OnDSRChange(this, OnOff);
}
void TCustomComPort::DoError(TComErrors Errors) {
    if (OnError)
        OnError(this, Errors);
}
void TCustomComPort::DoRLSDChange(bool OnOff) {
    if (OnRLSDChange)
        OnRLSDChange(this, OnOff);
}
void TCustomComPort::DoRx80Full() {
    if (OnRx80Full)
        OnRx80Full(this);
}

// ---------------------------------------------------------------------------------------------------------------
// Settings storage

namespace {

const char* const BaudRateTexts[] = {"Custom", "110",   "300",   "600",   "1200",   "2400",   "4800",   "9600",
                                     "14400",  "19200", "38400", "56000", "57600", "115200", "128000", "256000"};
const char* const StopBitsTexts[] = {"1", "1.5", "2"};
const char* const DataBitsTexts[] = {"5", "6", "7", "8"};
const char* const ParityTexts[] = {"None", "Odd", "Even", "Mark", "Space"};
const char* const FlowControlTexts[] = {"Hardware", "Software", "None", "Custom"};
const char* const RTSTexts[] = {"Disable", "Enable", "Handshake", "Toggle"};
const char* const DTRTexts[] = {"Disable", "Enable", "Handshake"};

template <class E, size_t N>
E TextToEnum(const char* const (&texts)[N], const std::string& text, E unknown) {
    for (size_t i = 0; i < N; ++i)
        if (CompareText(text, texts[i]) == 0)
            return static_cast<E>(i);
    return unknown;
}

// One place for the key table, over either store: an INI section reads with the current value as the default, the
// registry has no defaults (a missing text is empty, a missing integer fails).
class TSettingsAccess {
public:
    virtual ~TSettingsAccess() = default;
    virtual void WriteString(const std::string& Key, const std::string& Value) = 0;
    virtual void WriteInteger(const std::string& Key, int Value) = 0;
    virtual std::string ReadString(const std::string& Key, const std::string& Current) = 0;
    virtual int ReadInteger(const std::string& Key, int Current) = 0;
};

class TIniAccess : public TSettingsAccess {
public:
    TIniAccess(TCustomIniFile* AIni, std::string ASection) : FIni(AIni), FSection(std::move(ASection)) {}
    void WriteString(const std::string& Key, const std::string& Value) override {
        FIni->WriteString(FSection, Key, Value);
    }
    void WriteInteger(const std::string& Key, int Value) override { FIni->WriteInteger(FSection, Key, Value); }
    std::string ReadString(const std::string& Key, const std::string& Current) override {
        return FIni->ReadString(FSection, Key, Current);
    }
    int ReadInteger(const std::string& Key, int Current) override { return FIni->ReadInteger(FSection, Key, Current); }

private:
    TCustomIniFile* FIni;
    std::string FSection;
};

class TRegistryAccess : public TSettingsAccess {
public:
    explicit TRegistryAccess(TRegistry* AReg) : FReg(AReg) {}
    void WriteString(const std::string& Key, const std::string& Value) override { FReg->WriteString(Key, Value); }
    void WriteInteger(const std::string& Key, int Value) override { FReg->WriteInteger(Key, Value); }
    std::string ReadString(const std::string& Key, const std::string&) override { return FReg->ReadString(Key); }
    int ReadInteger(const std::string& Key, int) override { return FReg->ReadInteger(Key); }

private:
    TRegistry* FReg;
};

void StoreGroups(TCustomComPort& port, TSettingsAccess& a) {
    TSettingGroups groups = port.SettingGroups();
    if (groups.Contains(sgBasic)) {
        a.WriteString("Port", port.Port());
        a.WriteString("BaudRate", BaudRateToStr(port.BaudRate()));
        if (port.BaudRate() == brCustom)
            a.WriteInteger("CustomBaudRate", port.CustomBaudRate());
        a.WriteString("StopBits", StopBitsToStr(port.StopBits()));
        a.WriteString("DataBits", DataBitsToStr(port.DataBits()));
        a.WriteString("Parity", ParityToStr(port.Parity()->Bits()));
        a.WriteString("FlowControl", FlowControlToStr(port.FlowControl()->FlowControl()));
    }
    if (groups.Contains(sgOthers)) {
        a.WriteString("EventChar", ComCharToStr(port.EventChar()));
        a.WriteString("DiscardNull", ComBoolToStr(port.DiscardNull()));
    }
    if (groups.Contains(sgParity)) {
        TComParity* p = port.Parity();
        a.WriteString("Parity.Check", ComBoolToStr(p->Check()));
        a.WriteString("Parity.Replace", ComBoolToStr(p->Replace()));
        a.WriteString("Parity.ReplaceChar", ComCharToStr(p->ReplaceChar()));
    }
    if (groups.Contains(sgBuffer)) {
        a.WriteInteger("Buffer.OutputSize", port.Buffer()->OutputSize());
        a.WriteInteger("Buffer.InputSize", port.Buffer()->InputSize());
    }
    if (groups.Contains(sgTimeouts)) {
        TComTimeouts* t = port.Timeouts();
        a.WriteInteger("Timeouts.ReadInterval", t->ReadInterval());
        a.WriteInteger("Timeouts.ReadTotalConstant", t->ReadTotalConstant());
        a.WriteInteger("Timeouts.ReadTotalMultiplier", t->ReadTotalMultiplier());
        a.WriteInteger("Timeouts.WriteTotalConstant", t->WriteTotalConstant());
        a.WriteInteger("Timeouts.WriteTotalMultiplier", t->WriteTotalMultiplier());
    }
    if (groups.Contains(sgFlowControl)) {
        TComFlowControl* f = port.FlowControl();
        a.WriteString("FlowControl.ControlRTS", RTSToStr(f->ControlRTS()));
        a.WriteString("FlowControl.ControlDTR", DTRToStr(f->ControlDTR()));
        a.WriteString("FlowControl.DSRSensitivity", ComBoolToStr(f->DSRSensitivity()));
        a.WriteString("FlowControl.OutCTSFlow", ComBoolToStr(f->OutCTSFlow()));
        a.WriteString("FlowControl.OutDSRFlow", ComBoolToStr(f->OutDSRFlow()));
        a.WriteString("FlowControl.TxContinueOnXoff", ComBoolToStr(f->TxContinueOnXoff()));
        a.WriteString("FlowControl.XonXoffIn", ComBoolToStr(f->XonXoffIn()));
        a.WriteString("FlowControl.XonXoffOut", ComBoolToStr(f->XonXoffOut()));
        a.WriteString("FlowControl.XoffChar", ComCharToStr(f->XoffChar()));
        a.WriteString("FlowControl.XonChar", ComCharToStr(f->XonChar()));
    }
}

void LoadGroups(TCustomComPort& port, TSettingsAccess& a) {
    TSettingGroups groups = port.SettingGroups();
    auto readBool = [&](const std::string& key, bool current) {
        return ComStrToBool(a.ReadString(key, ComBoolToStr(current)));
    };
    auto readChar = [&](const std::string& key, char current) {
        return ComStrToChar(a.ReadString(key, ComCharToStr(current)));
    };
    if (groups.Contains(sgBasic)) {
        port.SetPort(a.ReadString("Port", port.Port()));
        port.SetBaudRate(StrToBaudRate(a.ReadString("BaudRate", BaudRateToStr(port.BaudRate()))));
        if (port.BaudRate() == brCustom)
            port.SetCustomBaudRate(a.ReadInteger("CustomBaudRate", 9600));
        port.SetStopBits(StrToStopBits(a.ReadString("StopBits", StopBitsToStr(port.StopBits()))));
        port.SetDataBits(StrToDataBits(a.ReadString("DataBits", DataBitsToStr(port.DataBits()))));
        port.Parity()->SetBits(StrToParity(a.ReadString("Parity", ParityToStr(port.Parity()->Bits()))));
        port.FlowControl()->SetFlowControl(
            StrToFlowControl(a.ReadString("FlowControl", FlowControlToStr(port.FlowControl()->FlowControl()))));
    }
    if (groups.Contains(sgOthers)) {
        port.SetEventChar(readChar("EventChar", port.EventChar()));
        port.SetDiscardNull(readBool("DiscardNull", port.DiscardNull()));
    }
    if (groups.Contains(sgParity)) {
        TComParity* p = port.Parity();
        p->SetCheck(readBool("Parity.Check", p->Check()));
        p->SetReplace(readBool("Parity.Replace", p->Replace()));
        p->SetReplaceChar(readChar("Parity.ReplaceChar", p->ReplaceChar()));
    }
    if (groups.Contains(sgBuffer)) {
        TComBuffer* b = port.Buffer();
        b->SetOutputSize(a.ReadInteger("Buffer.OutputSize", b->OutputSize()));
        b->SetInputSize(a.ReadInteger("Buffer.InputSize", b->InputSize()));
    }
    if (groups.Contains(sgTimeouts)) {
        TComTimeouts* t = port.Timeouts();
        t->SetReadInterval(a.ReadInteger("Timeouts.ReadInterval", t->ReadInterval()));
        t->SetReadTotalConstant(a.ReadInteger("Timeouts.ReadTotalConstant", t->ReadTotalConstant()));
        t->SetReadTotalMultiplier(a.ReadInteger("Timeouts.ReadTotalMultiplier", t->ReadTotalMultiplier()));
        t->SetWriteTotalConstant(a.ReadInteger("Timeouts.WriteTotalConstant", t->WriteTotalConstant()));
        t->SetWriteTotalMultiplier(a.ReadInteger("Timeouts.WriteTotalMultiplier", t->WriteTotalMultiplier()));
    }
    if (groups.Contains(sgFlowControl)) {
        TComFlowControl* f = port.FlowControl();
        f->SetControlRTS(StrToRTS(a.ReadString("FlowControl.ControlRTS", RTSToStr(f->ControlRTS()))));
        f->SetControlDTR(StrToDTR(a.ReadString("FlowControl.ControlDTR", DTRToStr(f->ControlDTR()))));
        f->SetDSRSensitivity(readBool("FlowControl.DSRSensitivity", f->DSRSensitivity()));
        f->SetOutCTSFlow(readBool("FlowControl.OutCTSFlow", f->OutCTSFlow()));
        f->SetOutDSRFlow(readBool("FlowControl.OutDSRFlow", f->OutDSRFlow()));
        f->SetTxContinueOnXoff(readBool("FlowControl.TxContinueOnXoff", f->TxContinueOnXoff()));
        f->SetXonXoffIn(readBool("FlowControl.XonXoffIn", f->XonXoffIn()));
        f->SetXonXoffOut(readBool("FlowControl.XonXoffOut", f->XonXoffOut()));
        f->SetXoffChar(readChar("FlowControl.XoffChar", f->XoffChar()));
        f->SetXonChar(readChar("FlowControl.XonChar", f->XonChar()));
    }
}

// "root\path": the root is chosen by name (anything else keeps HKEY_CURRENT_USER), and the component's key is
// opened below the path. Without any "\" no key is opened, so the first access fails.
void OpenSettingsKey(TRegistry& reg, const std::string& where, const std::string& name) {
    size_t slash = where.find('\\');
    if (slash == std::string::npos)
        return;
    std::string root = where.substr(0, slash);
    if (CompareText(root, "HKEY_LOCAL_MACHINE") == 0)
        reg.SetRootKey(HKEY_LOCAL_MACHINE);
    else if (CompareText(root, "HKEY_CURRENT_USER") == 0)
        reg.SetRootKey(HKEY_CURRENT_USER);
    std::string path = where.substr(slash + 1);
    if (path.empty() || path.back() != '\\')
        path += '\\';
    // A key that cannot be opened leaves none open; the first access then reports the failure.
    reg.OpenKey(path + name, true);
}

}  // namespace

std::string ComBoolToStr(bool Value) { return Value ? "Yes" : "No"; }

bool ComStrToBool(const std::string& Text) { return UpperCase(Text) == "YES"; }

std::string ComCharToStr(char Value) {
    int code = static_cast<unsigned char>(Value);
    if (code >= 33 && code <= 127)
        return std::string(1, Value);
    return "#" + IntToStr(code);
}

char ComStrToChar(const std::string& Text) {
    if (Text.empty())
        return 0;
    if (Text.size() >= 2 && Text[0] == '#') {
        int code = StrToInt(Text.substr(1));
        if (code < 0 || code > 255)
            throw EConvertError("'" + Text + "' is not a valid character code");
        return static_cast<char>(code);
    }
    return Text[0];
}

std::string BaudRateToStr(TBaudRate Value) { return BaudRateTexts[Value]; }
TBaudRate StrToBaudRate(const std::string& Text) { return TextToEnum(BaudRateTexts, Text, br9600); }
std::string StopBitsToStr(TStopBits Value) { return StopBitsTexts[Value]; }
TStopBits StrToStopBits(const std::string& Text) { return TextToEnum(StopBitsTexts, Text, sbOneStopBit); }
std::string DataBitsToStr(TDataBits Value) { return DataBitsTexts[Value]; }
TDataBits StrToDataBits(const std::string& Text) { return TextToEnum(DataBitsTexts, Text, dbEight); }
std::string ParityToStr(TParityBits Value) { return ParityTexts[Value]; }
TParityBits StrToParity(const std::string& Text) { return TextToEnum(ParityTexts, Text, prNone); }
std::string FlowControlToStr(TFlowControl Value) { return FlowControlTexts[Value]; }
TFlowControl StrToFlowControl(const std::string& Text) { return TextToEnum(FlowControlTexts, Text, fcCustom); }
std::string RTSToStr(TRTSFlowControl Value) { return RTSTexts[Value]; }
TRTSFlowControl StrToRTS(const std::string& Text) { return TextToEnum(RTSTexts, Text, rtsDisable); }
std::string DTRToStr(TDTRFlowControl Value) { return DTRTexts[Value]; }
TDTRFlowControl StrToDTR(const std::string& Text) { return TextToEnum(DTRTexts, Text, dtrDisable); }

void TCustomComPort::StoreIniFile(TCustomIniFile* IniFile) {
    TIniAccess access(IniFile, Name());
    StoreGroups(*this, access);
}

void TCustomComPort::StoreRegistry(TRegistry* Registry) {
    TRegistryAccess access(Registry);
    StoreGroups(*this, access);
}

void TCustomComPort::LoadIniFile(TCustomIniFile* IniFile) {
    TIniAccess access(IniFile, Name());
    LoadGroups(*this, access);
}

void TCustomComPort::LoadRegistry(TRegistry* Registry) {
    TRegistryAccess access(Registry);
    LoadGroups(*this, access);
}

void TCustomComPort::StoreSettings(TSettingsStore StoreType, const std::string& StoreTo) {
    try {
        if (StoreType == ssIniFile) {
            // The line-keeping INI class: the platform's profile functions would reformat the user's whole file.
            TFastIniFile ini(StoreTo);
            StoreIniFile(&ini);
            ini.UpdateFile();  // its destructor would swallow a failure to write
        } else {
            TRegistry reg;
            OpenSettingsKey(reg, StoreTo, Name());
            StoreRegistry(&reg);
        }
    } catch (const std::exception&) {
        throw EComPort(16);
    }
}

void TCustomComPort::LoadSettings(TSettingsStore StoreType, const std::string& LoadFrom) {
    try {
        BeginUpdate();
        try {
            if (StoreType == ssIniFile) {
                TFastIniFile ini(LoadFrom);
                LoadIniFile(&ini);
            } else {
                TRegistry reg(KEY_READ);
                OpenSettingsKey(reg, LoadFrom, Name());
                LoadRegistry(&reg);
            }
        } catch (...) {
            try {
                EndUpdate();
            } catch (const std::exception&) {
                // The load's own failure is the one to report.
            }
            throw;
        }
        EndUpdate();
    } catch (const std::exception&) {
        throw EComPort(17);
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Port list

void EnumComPortsIn(HKEY Root, const std::string& Path, TStrings* Ports) {
    HKEY key;
    LONG rc = RegOpenKeyExA(Root, Path.c_str(), 0, KEY_READ, &key);
    if (rc != ERROR_SUCCESS)
        throw EComPort(23, static_cast<int>(rc));
    TStringList list;
    try {
        for (DWORD index = 0;; ++index) {
            char name[256];
            BYTE data[256];
            DWORD nameSize = sizeof name;
            DWORD dataSize = sizeof data;
            rc = RegEnumValueA(key, index, name, &nameSize, nullptr, nullptr, data, &dataSize);
            if (rc == ERROR_NO_MORE_ITEMS)
                break;
            if (rc != ERROR_SUCCESS)
                throw EComPort(23, static_cast<int>(rc));
            // The data is taken by its length: a value written without its terminating zero is still whole.
            std::string port(reinterpret_cast<const char*>(data), dataSize);
            while (!port.empty() && port.back() == '\0')
                port.pop_back();
            list.Add(port);
        }
    } catch (...) {
        RegCloseKey(key);
        throw;
    }
    RegCloseKey(key);
    list.Sort();
    Ports->Assign(&list);
}

void EnumComPorts(TStrings* Ports) { EnumComPortsIn(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", Ports); }

// Ports placed on forms: every published setting and event, so that a form can hold a port that opens on load
// (Connected is only stored while loading; Loaded opens the port once everything is set).
static const bool ComPortRegistered = [] {
    RegisterFormClass<TComBuffer>([](TFormClass<TComBuffer>& c) {
        c.Integer("InputSize", &TComBuffer::InputSize, &TComBuffer::SetInputSize).Default(1024);
        c.Integer("OutputSize", &TComBuffer::OutputSize, &TComBuffer::SetOutputSize).Default(1024);
    });
    RegisterFormClass<TComParity>([](TFormClass<TComParity>& c) {
        c.Enum("Bits", &TComParity::Bits, &TComParity::SetBits, {"prNone", "prOdd", "prEven", "prMark", "prSpace"})
            .Default(prNone);
        c.Boolean("Check", &TComParity::Check, &TComParity::SetCheck).Default(false);
        c.Boolean("Replace", &TComParity::Replace, &TComParity::SetReplace).Default(false);
        c.Char("ReplaceChar", &TComParity::ReplaceChar, &TComParity::SetReplaceChar).Default(0);
    });
    RegisterFormClass<TComTimeouts>([](TFormClass<TComTimeouts>& c) {
        c.Integer("ReadInterval", &TComTimeouts::ReadInterval, &TComTimeouts::SetReadInterval).Default(-1);
        c.Integer("ReadTotalMultiplier", &TComTimeouts::ReadTotalMultiplier, &TComTimeouts::SetReadTotalMultiplier)
            .Default(0);
        c.Integer("ReadTotalConstant", &TComTimeouts::ReadTotalConstant, &TComTimeouts::SetReadTotalConstant)
            .Default(0);
        c.Integer("WriteTotalMultiplier", &TComTimeouts::WriteTotalMultiplier,
                  &TComTimeouts::SetWriteTotalMultiplier)
            .Default(100);
        c.Integer("WriteTotalConstant", &TComTimeouts::WriteTotalConstant, &TComTimeouts::SetWriteTotalConstant)
            .Default(1000);
    });
    RegisterFormClass<TComFlowControl>([](TFormClass<TComFlowControl>& c) {
        // The summary of the fields below: read (it sets them), never written (they are).
        c.Enum("FlowControl", &TComFlowControl::FlowControl, &TComFlowControl::SetFlowControl,
               {"fcHardware", "fcSoftware", "fcNone", "fcCustom"})
            .NotStored();
        c.Boolean("OutCTSFlow", &TComFlowControl::OutCTSFlow, &TComFlowControl::SetOutCTSFlow).Default(false);
        c.Boolean("OutDSRFlow", &TComFlowControl::OutDSRFlow, &TComFlowControl::SetOutDSRFlow).Default(false);
        c.Enum("ControlDTR", &TComFlowControl::ControlDTR, &TComFlowControl::SetControlDTR,
               {"dtrDisable", "dtrEnable", "dtrHandshake"})
            .Default(dtrDisable);
        c.Enum("ControlRTS", &TComFlowControl::ControlRTS, &TComFlowControl::SetControlRTS,
               {"rtsDisable", "rtsEnable", "rtsHandshake", "rtsToggle"})
            .Default(rtsDisable);
        c.Boolean("XonXoffOut", &TComFlowControl::XonXoffOut, &TComFlowControl::SetXonXoffOut).Default(false);
        c.Boolean("XonXoffIn", &TComFlowControl::XonXoffIn, &TComFlowControl::SetXonXoffIn).Default(false);
        c.Boolean("DSRSensitivity", &TComFlowControl::DSRSensitivity, &TComFlowControl::SetDSRSensitivity)
            .Default(false);
        c.Boolean("TxContinueOnXoff", &TComFlowControl::TxContinueOnXoff, &TComFlowControl::SetTxContinueOnXoff)
            .Default(false);
        c.Char("XonChar", &TComFlowControl::XonChar, &TComFlowControl::SetXonChar).Default(17);
        c.Char("XoffChar", &TComFlowControl::XoffChar, &TComFlowControl::SetXoffChar).Default(19);
    });
    RegisterFormClass<TCustomComPort>([](TFormClass<TCustomComPort>& c) {
        c.Boolean("Connected", &TCustomComPort::Connected, &TCustomComPort::SetConnected).Default(false);
        c.Enum("BaudRate", &TCustomComPort::BaudRate, &TCustomComPort::SetBaudRate,
               {"brCustom", "br110", "br300", "br600", "br1200", "br2400", "br4800", "br9600", "br14400", "br19200",
                "br38400", "br56000", "br57600", "br115200", "br128000", "br256000"})
            .Default(br9600);
        // A port named "" (as a program sets it before loading its settings) must not read back as COM1.
        c.String("Port", &TCustomComPort::Port, &TCustomComPort::SetPort).DefaultInstead("COM1");
        c.Object("Parity", &TCustomComPort::Parity);
        c.Enum("StopBits", &TCustomComPort::StopBits, &TCustomComPort::SetStopBits,
               {"sbOneStopBit", "sbOne5StopBits", "sbTwoStopBits"})
            .Default(sbOneStopBit);
        c.Enum("DataBits", &TCustomComPort::DataBits, &TCustomComPort::SetDataBits,
               {"dbFive", "dbSix", "dbSeven", "dbEight"})
            .Default(dbEight);
        c.Boolean("DiscardNull", &TCustomComPort::DiscardNull, &TCustomComPort::SetDiscardNull).Default(false);
        c.Char("EventChar", &TCustomComPort::EventChar, &TCustomComPort::SetEventChar).Default(0);
        c.SetOf("Events", &TCustomComPort::Events, &TCustomComPort::SetEvents,
                {"evRxChar", "evTxEmpty", "evRxFlag", "evRing", "evBreak", "evCTS", "evDSR", "evError", "evRLSD",
                 "evRx80Full"})
            .Default(AllComEvents);
        c.Object("Buffer", &TCustomComPort::Buffer);
        c.Object("FlowControl", &TCustomComPort::FlowControl);
        c.Object("Timeouts", &TCustomComPort::Timeouts);
        c.Enum("SyncMethod", &TCustomComPort::SyncMethod, &TCustomComPort::SetSyncMethod,
               {"smThreadSync", "smWindowSync", "smNone"})
            .Default(smThreadSync);
        c.Event("OnAfterOpen", &TCustomComPort::OnAfterOpen);
        c.Event("OnAfterClose", &TCustomComPort::OnAfterClose);
        c.Event("OnBeforeOpen", &TCustomComPort::OnBeforeOpen);
        c.Event("OnBeforeClose", &TCustomComPort::OnBeforeClose);
        c.Event("OnRxChar", &TCustomComPort::OnRxChar);
        c.Event("OnRxBuf", &TCustomComPort::OnRxBuf);
        c.Event("OnTxEmpty", &TCustomComPort::OnTxEmpty);
        c.Event("OnBreak", &TCustomComPort::OnBreak);
        c.Event("OnRing", &TCustomComPort::OnRing);
        c.Event("OnCTSChange", &TCustomComPort::OnCTSChange);
        c.Event("OnDSRChange", &TCustomComPort::OnDSRChange);
        c.Event("OnRLSDChange", &TCustomComPort::OnRLSDChange);
        c.Event("OnRxFlag", &TCustomComPort::OnRxFlag);
        c.Event("OnError", &TCustomComPort::OnError);
        c.Event("OnRx80Full", &TCustomComPort::OnRx80Full);
    });
    RegisterFormClass<TComPort>();
    return true;
}();
