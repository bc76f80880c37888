#include "Thread.h"

#include "ExceptionHandler.h"
#include "MessageWindow.h"

#include <process.h>

#include <mutex>
#include <vector>

DWORD MainThreadID = GetCurrentThreadId();

namespace {

// A call waiting for the main thread. Synchronize's requests live on the waiting thread's stack and carry an
// event; Queue's requests are owned by the queue.
struct SyncRequest {
    TThreadMethod method;
    std::exception_ptr error;
    HANDLE done = nullptr;
};

std::mutex& QueueLock() {
    static std::mutex lock;
    return lock;
}

std::vector<SyncRequest*>& SyncQueue() {
    static std::vector<SyncRequest*> queue;
    return queue;
}

const UINT SyncWakeMessage = WM_APP + 0x3F0;
std::atomic<HWND> SyncWindow{nullptr};
std::atomic<bool> WakePosted{false};

// The main thread's hidden window: a posted wake-up reaches it through any message loop, modal ones included.
void EnsureSyncWindow() {
    if (SyncWindow.load() || GetCurrentThreadId() != MainThreadID)
        return;
    HWND window = AllocateHWnd([](TMessage& message) {
        if (message.Msg == SyncWakeMessage) {
            WakePosted = false;
            CheckSynchronize(0);
        } else {
            DefaultHandler(SyncWindow.load(), message);
        }
    });
    SyncWindow = window;
}

void DefaultWakeMainThread() {
    if (WakePosted.exchange(true))
        return;  // a wake-up is on its way already
    HWND window = SyncWindow.load();
    if (!window || !PostMessageA(window, SyncWakeMessage, 0, 0)) {
        // No window yet (no thread was made on the main thread): a thread message still ends GetMessage.
        WakePosted = false;
        PostThreadMessageA(MainThreadID, WM_NULL, 0, 0);
    }
}

void AddRequest(SyncRequest* request) {
    {
        std::lock_guard<std::mutex> guard(QueueLock());
        SyncQueue().push_back(request);
        SetEvent(SyncEvent());
    }
    if (WakeMainThread)
        WakeMainThread();
}

// Waits for a handle; on the main thread it serves synchronised calls and sent messages meanwhile.
void WaitServing(HANDLE handle) {
    if (GetCurrentThreadId() != MainThreadID) {
        WaitForSingleObject(handle, INFINITE);
        return;
    }
    HANDLE handles[2] = {handle, SyncEvent()};
    for (;;) {
        DWORD r = MsgWaitForMultipleObjects(2, handles, FALSE, INFINITE, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0)
            return;
        if (r == WAIT_OBJECT_0 + 1) {
            CheckSynchronize(0);
        } else if (r == WAIT_OBJECT_0 + 2) {
            MSG msg;
            PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // delivers the sent messages, removes nothing
        } else {
            RaiseLastOSError("MsgWaitForMultipleObjects");
        }
    }
}

int ToSystemPriority(TThreadPriority p) {
    static const int table[] = {THREAD_PRIORITY_IDLE,         THREAD_PRIORITY_LOWEST,  THREAD_PRIORITY_BELOW_NORMAL,
                                THREAD_PRIORITY_NORMAL,       THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                                THREAD_PRIORITY_TIME_CRITICAL};
    return table[p];
}

}  // namespace

std::function<void()> WakeMainThread = DefaultWakeMainThread;

HANDLE SyncEvent() {
    static HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    return event;
}

bool CheckSynchronize(int timeoutMs) {
    if (GetCurrentThreadId() != MainThreadID)
        throw EThread(Format("CheckSynchronize called from thread $%lX, which is NOT the main thread",
                             static_cast<unsigned long>(GetCurrentThreadId())));
    EnsureSyncWindow();
    if (timeoutMs > 0)
        WaitForSingleObject(SyncEvent(), static_cast<DWORD>(timeoutMs));
    std::vector<SyncRequest*> batch;
    {
        std::lock_guard<std::mutex> guard(QueueLock());
        batch.swap(SyncQueue());
        ResetEvent(SyncEvent());
    }
    for (SyncRequest* request : batch) {
        if (request->done) {
            try {
                request->method();
            } catch (...) {
                request->error = std::current_exception();
            }
            SetEvent(request->done);
        } else {
            RunGuarded(request->method);
            delete request;
        }
    }
    return !batch.empty();
}

TThread::TThread(bool createSuspended) {
    if (!createSuspended)
        throw EThread("A derived thread must be created suspended and started at the end of its own constructor");
    CreateSystemThread();
}

TThread::TThread(TThreadMethod proc, bool createSuspended) : FProc(std::move(proc)) {
    CreateSystemThread();
    if (!createSuspended)
        Start();
}

void TThread::CreateSystemThread() {
    EnsureSyncWindow();
    FSuspended = true;
    unsigned id = 0;
    FHandle = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, ThreadProc, this, CREATE_SUSPENDED, &id));
    if (!FHandle)
        throw EThread("Thread creation error: " + SysErrorMessage(GetLastError()));
    FThreadID = id;
}

TThread::~TThread() {
    StopAndWait();
    if (FHandle)
        CloseHandle(FHandle);
}

void TThread::BeforeDestruction() { StopAndWait(); }

void TThread::StopAndWait() {
    if (!FHandle || GetCurrentThreadId() == FThreadID)
        return;  // freeing itself at the end of its own run (FreeOnTerminate)
    Terminate();
    if (FSuspended.exchange(false)) {
        // Never started: let the system thread end without running Execute.
        FSkipExecute = true;
        ResumeThread(FHandle);
    }
    try {
        WaitServing(FHandle);
    } catch (...) {
        // Destruction must go on; the wait itself failing leaves nothing else to do than report it.
        HandleCurrentException();
    }
}

void TThread::Start() {
    if (FFinished || !FSuspended.exchange(false))
        throw EThread("Cannot call Start on a running or terminated thread");
    if (ResumeThread(FHandle) == static_cast<DWORD>(-1)) {
        FSuspended = true;
        RaiseLastOSError("ResumeThread");
    }
}

int TThread::WaitFor() {
    if (FFreeOnTerminate)
        throw EThread("Cannot wait for a thread that frees itself when it ends");
    if (GetCurrentThreadId() == FThreadID)
        throw EThread("A thread cannot wait for itself");
    if (FSuspended)
        throw EThread("Cannot wait for a thread that was never started");
    WaitServing(FHandle);
    return FReturnValue;
}

TThreadPriority TThread::Priority() const {
    int p = GetThreadPriority(FHandle);
    for (int i = tpIdle; i <= tpTimeCritical; ++i)
        if (ToSystemPriority(static_cast<TThreadPriority>(i)) == p)
            return static_cast<TThreadPriority>(i);
    return tpNormal;
}

void TThread::SetPriority(TThreadPriority value) {
    if (!SetThreadPriority(FHandle, ToSystemPriority(value)))
        RaiseLastOSError("SetThreadPriority");
}

std::string TThread::FatalExceptionMessage() const {
    if (!FFatalException)
        return std::string();
    try {
        std::rethrow_exception(FFatalException);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown exception";
    }
}

void TThread::Execute() {
    if (FProc)
        FProc();
}

void TThread::DoTerminate() {
    if (OnTerminate)
        Synchronize([this] { OnTerminate(this); });
}

void TThread::Synchronize(TThread* thread, const TThreadMethod& method) {
    (void)thread;
    if (GetCurrentThreadId() == MainThreadID) {
        method();
        return;
    }
    // One event per calling thread, kept for its life: a serial port synchronises every batch it receives.
    struct DoneEvent {
        HANDLE handle = CreateEventA(nullptr, FALSE, FALSE, nullptr);  // auto-reset: the wait consumes it
        ~DoneEvent() {
            if (handle)
                CloseHandle(handle);
        }
    };
    static thread_local DoneEvent done;
    if (!done.handle)
        RaiseLastOSError("CreateEventA");
    SyncRequest request{method, nullptr, done.handle};
    AddRequest(&request);
    WaitForSingleObject(request.done, INFINITE);
    if (request.error)
        std::rethrow_exception(request.error);
}

void TThread::Queue(TThread* thread, TThreadMethod method) {
    (void)thread;
    if (GetCurrentThreadId() == MainThreadID) {
        method();
        return;
    }
    AddRequest(new SyncRequest{std::move(method), nullptr, nullptr});
}

unsigned __stdcall TThread::ThreadProc(void* self) {
    static_cast<TThread*>(self)->Run();
    return 0;
}

void TThread::Run() {
    if (FSkipExecute)
        return;
    try {
        Execute();
    } catch (...) {
        FFatalException = std::current_exception();
    }
    // OnTerminate's exception comes back here through Synchronize; no exception may leave the thread.
    RunGuarded([this] { DoTerminate(); });
    bool freeSelf = FFreeOnTerminate;
    FFinished = true;
    if (freeSelf)
        RunGuarded([this] { Free(); });
}
