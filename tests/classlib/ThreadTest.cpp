// Threads: the life cycle, and calls handed to the main thread.
#include "classlib/runtime/ExceptionHandler.h"
#include "classlib/runtime/MessageWindow.h"
#include "classlib/runtime/Thread.h"
#include "tests/support/MessageLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

class FunctionThread : public TThread {
public:
    explicit FunctionThread(std::function<void(FunctionThread&)> body, bool start = true)
        : TThread(true), FBody(std::move(body)) {
        if (start)
            Start();
    }
    using TThread::SetReturnValue;
    using TThread::Synchronize;

protected:
    void Execute() override { FBody(*this); }

private:
    std::function<void(FunctionThread&)> FBody;
};

TEST(ThreadSynchronize, RunsTheCallOnTheMainThreadWhileABlockedGetMessageLoopServesIt) {
    std::atomic<DWORD> ranOn{0};
    std::atomic<bool> returned{false};
    FunctionThread worker([&](FunctionThread& self) {
        self.Synchronize([&] { ranOn = GetCurrentThreadId(); });
        returned = true;
    });
    // No timer here: only the wake-up can end the GetMessage.
    MSG msg;
    DWORD start = GetTickCount();
    while (!ranOn && GetTickCount() - start < 5000 && GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    EXPECT_EQ(ranOn.load(), MainThreadID);
    EXPECT_EQ(MainThreadID, GetCurrentThreadId());
    worker.WaitFor();
    EXPECT_TRUE(returned);
}

TEST(ThreadSynchronize, TheWorkerWaitsUntilTheCallHasRun) {
    std::atomic<int> stage{0};
    std::atomic<int> seenAfter{-1};
    FunctionThread worker([&](FunctionThread& self) {
        self.Synchronize([&] {
            Sleep(100);
            stage = 1;
        });
        seenAfter = stage.load();
    });
    worker.WaitFor();
    EXPECT_EQ(seenAfter.load(), 1);
}

TEST(ThreadSynchronize, AnExceptionOfTheCallIsRaisedAgainInTheWorker) {
    std::string caught;
    FunctionThread worker([&](FunctionThread& self) {
        try {
            self.Synchronize([] { throw EConvertError("bad value"); });
        } catch (const EConvertError& e) {
            caught = e.what();
        }
    });
    worker.WaitFor();
    EXPECT_EQ(caught, "bad value");
    EXPECT_FALSE(worker.FatalException());
}

TEST(ThreadSynchronize, OnTheMainThreadTheCallRunsAtOnce) {
    bool ran = false;
    TThread::Synchronize(nullptr, [&] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST(ThreadQueue, QueuedCallsRunLaterOnTheMainThreadAndTheirExceptionsGoToTheHandler) {
    CaughtExceptions caught;
    std::atomic<DWORD> ranOn{0};
    TThread worker(
        [&] {
            TThread::Queue(nullptr, [] { throw Exception("queued failure"); });
            TThread::Queue(nullptr, [&] { ranOn = GetCurrentThreadId(); });
        },
        false);
    worker.WaitFor();
    // WaitFor serves them when they arrive during the wait; a message loop serves what is left.
    EXPECT_TRUE(PumpMessagesUntil([&] { return ranOn != 0; }));
    EXPECT_EQ(ranOn.load(), MainThreadID);
    ASSERT_EQ(caught.messages.size(), 1u);
    EXPECT_EQ(caught.messages[0], "queued failure");
}

TEST(ThreadCheckSynchronize, RaisesOnAnyThreadButTheMainOne) {
    std::string error;
    TThread worker(
        [&] {
            try {
                CheckSynchronize();
            } catch (const EThread& e) {
                error = e.what();
            }
        },
        false);
    worker.WaitFor();
    EXPECT_NE(error.find("NOT the main thread"), std::string::npos) << error;
}

TEST(ThreadCheckSynchronize, WaitsForACallUpToTheTimeout) {
    std::atomic<bool> ran{false};
    TThread worker([&] { TThread::Synchronize(nullptr, [&] { ran = true; }); }, false);
    DWORD start = GetTickCount();
    while (!ran && GetTickCount() - start < 5000)
        CheckSynchronize(100);
    EXPECT_TRUE(ran);
    worker.WaitFor();
    EXPECT_FALSE(CheckSynchronize(0));
}

TEST(ThreadWaitFor, ReturnsTheReturnValue) {
    FunctionThread worker([](FunctionThread& self) { self.SetReturnValue(42); });
    EXPECT_EQ(worker.WaitFor(), 42);
    EXPECT_TRUE(worker.Finished());
}

TEST(ThreadWaitFor, OnTheMainThreadServesSynchronizeSoTheWorkerCanEnd) {
    std::atomic<int> calls{0};
    FunctionThread worker([&](FunctionThread& self) {
        for (int i = 0; i < 50; ++i)
            self.Synchronize([&] { ++calls; });
    });
    worker.WaitFor();  // would deadlock if it did not serve the worker's calls
    EXPECT_EQ(calls.load(), 50);
}

TEST(ThreadWaitFor, OnTheMainThreadDeliversMessagesSentToItsWindows) {
    std::atomic<DWORD> handledOn{0};
    HWND window = AllocateHWnd([&](TMessage& m) {
        if (m.Msg == WM_USER + 7) {
            handledOn = GetCurrentThreadId();
            m.Result = 99;
        }
    });
    std::atomic<LRESULT> answer{0};
    FunctionThread worker([&](FunctionThread&) { answer = SendMessageA(window, WM_USER + 7, 0, 0); });
    worker.WaitFor();
    DeallocateHWnd(window);
    EXPECT_EQ(answer.load(), 99);
    EXPECT_EQ(handledOn.load(), MainThreadID);
}

TEST(ThreadWaitFor, RaisesForAThreadThatFreesItselfAndForOneNeverStarted) {
    FunctionThread idle([](FunctionThread&) {}, false);
    EXPECT_THROW(idle.WaitFor(), EThread);
    idle.SetFreeOnTerminate(true);
    EXPECT_THROW(idle.WaitFor(), EThread);
    idle.SetFreeOnTerminate(false);
}

TEST(ThreadLifeCycle, ADerivedThreadCannotBeStartedFromTheBaseConstructor) {
    struct Eager : TThread {
        Eager() : TThread(false) {}
        void Execute() override {}
    };
    EXPECT_THROW(Eager(), EThread);
}

TEST(ThreadLifeCycle, StartTwiceRaises) {
    FunctionThread worker([](FunctionThread&) {});
    EXPECT_THROW(worker.Start(), EThread);
    worker.WaitFor();
}

TEST(ThreadLifeCycle, DestroyingANeverStartedThreadDoesNotRunExecute) {
    std::atomic<bool> ran{false};
    { FunctionThread idle([&](FunctionThread&) { ran = true; }, false); }
    EXPECT_FALSE(ran);
}

TEST(ThreadLifeCycle, FreeTerminatesAndWaitsBeforeTheDerivedPartIsDestroyed) {
    struct Looper : TThread {
        std::vector<int> data{1, 2, 3};
        std::atomic<bool> running{false};
        std::atomic<size_t> total{0};
        Looper() : TThread(true) { Start(); }
        void Execute() override {
            running = true;
            while (!Terminated())
                total += data.size();  // touches the derived part until the very end
        }
    };
    auto* t = new Looper;
    while (!t->running)
        Sleep(1);
    t->Free();  // returns only after Execute has seen Terminated
    SUCCEED();
}

TEST(ThreadLifeCycle, FreeOnTerminateFreesTheThreadAfterOnTerminateRanOnTheMainThread) {
    static std::atomic<bool> destroyed;
    destroyed = false;
    struct SelfFreeing : TThread {
        SelfFreeing() : TThread(true) {}
        ~SelfFreeing() override { destroyed = true; }
        void Execute() override { Sleep(20); }
    };
    std::atomic<DWORD> terminateOn{0};
    auto* t = new SelfFreeing;
    t->SetFreeOnTerminate(true);
    t->OnTerminate = [&](TObject* sender) {
        EXPECT_EQ(sender, t);
        terminateOn = GetCurrentThreadId();
    };
    t->Start();
    EXPECT_TRUE(PumpMessagesUntil([&] { return destroyed.load(); }));
    EXPECT_EQ(terminateOn.load(), MainThreadID);
}

TEST(ThreadLifeCycle, AnExceptionInExecuteIsKeptAsFatalExceptionAndThreadEndsNormally) {
    bool terminated = false;
    FunctionThread worker([](FunctionThread&) { throw EInvalidOperation("worker failed"); }, false);
    worker.OnTerminate = [&](TObject*) { terminated = true; };
    worker.Start();
    worker.WaitFor();
    ASSERT_TRUE(worker.FatalException());
    EXPECT_EQ(worker.FatalExceptionMessage(), "worker failed");
    EXPECT_THROW(std::rethrow_exception(worker.FatalException()), EInvalidOperation);
    EXPECT_TRUE(terminated);
}

TEST(ThreadLifeCycle, AnExceptionInOnTerminateGoesToTheHandler) {
    CaughtExceptions caught;
    FunctionThread worker([](FunctionThread&) {}, false);
    worker.OnTerminate = [](TObject*) { throw Exception("terminate failed"); };
    worker.Start();
    worker.WaitFor();
    ASSERT_EQ(caught.messages.size(), 1u);
    EXPECT_EQ(caught.messages[0], "terminate failed");
}

TEST(ThreadProperties, PriorityHandleAndThreadID) {
    std::atomic<DWORD> seenId{0};
    FunctionThread worker([&](FunctionThread&) { seenId = GetCurrentThreadId(); }, false);
    EXPECT_NE(worker.Handle(), nullptr);
    EXPECT_NE(worker.ThreadID(), 0u);
    EXPECT_EQ(worker.Priority(), tpNormal);
    worker.SetPriority(tpHigher);
    EXPECT_EQ(worker.Priority(), tpHigher);
    EXPECT_TRUE(worker.Suspended());
    worker.Start();
    worker.WaitFor();
    EXPECT_EQ(seenId.load(), worker.ThreadID());
    EXPECT_TRUE(worker.ClassNameIs("TThread") || worker.InheritsFrom("TThread"));
}

}  // namespace
