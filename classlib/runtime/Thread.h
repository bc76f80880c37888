#pragma once
// TThread: a thread object with the class library's life cycle, and the main thread's synchronisation queue
// through which worker threads run calls on the main thread.
#include "Component.h"

#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

using TThreadMethod = std::function<void()>;

// The thread that initialised the program; Synchronize runs its calls there.
extern DWORD MainThreadID;

// Called (from any thread) whenever a call is queued for the main thread, so that a main thread blocked in
// GetMessage wakes up and serves it. The default posts a message to a hidden window of the main thread whose
// window procedure calls CheckSynchronize, so any message loop (modal ones too) serves the queue; the
// application object may replace it.
extern std::function<void()> WakeMainThread;

// Runs the calls queued for the main thread; waits up to timeoutMs for one to arrive first. Returns whether any
// ran. Must be called on the main thread (raises EThread elsewhere). Exceptions of Synchronize calls go back to
// their threads; exceptions of Queue calls go to the application's exception handler.
bool CheckSynchronize(int timeoutMs = 0);
// Signalled while calls wait for the main thread; lets a main thread that waits on kernel objects serve them.
HANDLE SyncEvent();

// A thread of execution; derive from it and override Execute, which should return soon after Terminated().
//
// A derived class whose Execute uses its own members must stop the thread before those members go: freeing the
// object with Free() does that (BeforeDestruction terminates and waits); plain delete waits in ~TThread, by which
// time the derived part is already destroyed.
class TThread : public TObject {
    CLASS_INFO(TThread, TObject)
public:
    // The system thread exists at once (Handle and ThreadID are valid) and waits for Start. A C++ object is
    // complete only when its most-derived constructor returns, so a derived class cannot be started from here:
    // it passes true and calls Start() at the end of its own constructor (false raises EThread).
    explicit TThread(bool createSuspended);
    // A thread that runs proc; unless createSuspended it starts at once (safe: proc does not depend on a derived
    // class). Usually combined with SetFreeOnTerminate(true).
    explicit TThread(TThreadMethod proc, bool createSuspended = false);
    ~TThread() override;
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Starts a thread created suspended; raises EThread when it runs already or has finished.
    void Start();
    void Resume() { Start(); }
    // Asks Execute to finish (it polls Terminated()).
    void Terminate() { FTerminated = true; }
    bool Terminated() const { return FTerminated; }
    bool Finished() const { return FFinished; }
    bool Suspended() const { return FSuspended; }
    // Waits for the thread to end and returns its ReturnValue. On the main thread it keeps serving synchronised
    // calls and messages sent to its windows while it waits, so a thread blocked in Synchronize or SendMessage
    // can finish. Raises EThread when called from the thread itself or on a thread set to FreeOnTerminate.
    int WaitFor();

    // The thread frees itself after Execute (and OnTerminate); nobody may touch it afterwards.
    bool FreeOnTerminate() const { return FFreeOnTerminate; }
    void SetFreeOnTerminate(bool value) { FFreeOnTerminate = value; }
    TThreadPriority Priority() const;
    void SetPriority(TThreadPriority value);
    HANDLE Handle() const { return FHandle; }
    DWORD ThreadID() const { return FThreadID; }
    int ReturnValue() const { return FReturnValue; }
    // What Execute raised, or nullptr; the thread ended there.
    std::exception_ptr FatalException() const { return FFatalException; }
    // The message of FatalException (empty when there is none).
    std::string FatalExceptionMessage() const;

    // Runs on the main thread after Execute ended (through Synchronize).
    TNotifyEvent OnTerminate;

    // Runs method on the main thread and waits for it; an exception it raises is raised again here.
    // Called on the main thread, it simply runs method.
    static void Synchronize(TThread* thread, const TThreadMethod& method);
    // Hands method to the main thread without waiting (runs it at once on the main thread).
    static void Queue(TThread* thread, TThreadMethod method);

    // Free() stops the thread before any destructor runs.
    void BeforeDestruction() override;

protected:
    // The thread's work; the default runs the proc given to the constructor.
    virtual void Execute();
    // Runs OnTerminate on the main thread; called on the thread after Execute.
    virtual void DoTerminate();
    void Synchronize(const TThreadMethod& method) { Synchronize(this, method); }
    void Queue(TThreadMethod method) { Queue(this, std::move(method)); }
    void SetReturnValue(int value) { FReturnValue = value; }
    // Terminates and waits (serving the main thread's queue); for destructors of classes whose Execute uses their
    // own members. Does nothing on the thread itself; a thread never started ends without running Execute.
    void StopAndWait();

private:
    static unsigned __stdcall ThreadProc(void* self);
    void Run();
    void CreateSystemThread();

    TThreadMethod FProc;
    HANDLE FHandle = nullptr;
    DWORD FThreadID = 0;
    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FFinished{false};
    std::atomic<bool> FSuspended{false};
    std::atomic<bool> FSkipExecute{false};
    std::atomic<bool> FFreeOnTerminate{false};
    int FReturnValue = 0;
    std::exception_ptr FFatalException;
};
