// Hidden message-only windows bound to a method.
#include "classlib/runtime/ExceptionHandler.h"
#include "classlib/runtime/MessageWindow.h"
#include "classlib/runtime/Thread.h"
#include "tests/support/MessageLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

void PumpPending() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

TEST(AllocateHWnd, DeliversSentAndPostedMessagesToTheMethod) {
    std::vector<UINT> seen;
    HWND window = nullptr;
    window = AllocateHWnd([&](TMessage& m) {
        if (m.Msg >= WM_USER) {
            seen.push_back(m.Msg);
            m.Result = static_cast<LRESULT>(m.WParam + m.LParam);
        } else {
            DefaultHandler(window, m);
        }
    });
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(SendMessageA(window, WM_USER + 1, 2, 3), 5);
    PostMessageA(window, WM_USER + 2, 0, 0);
    PumpPending();
    DeallocateHWnd(window);
    EXPECT_EQ(seen, (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));
    EXPECT_FALSE(IsWindow(window));
}

TEST(AllocateHWnd, IsAMessageOnlyWindow) {
    HWND window = AllocateHWnd([](TMessage&) {});
    // Message-only windows are children of the message-only parent, never of the desktop.
    EXPECT_EQ(GetParent(window), nullptr);
    EXPECT_FALSE(IsWindowVisible(window));
    bool found = false;
    for (HWND h = FindWindowExA(HWND_MESSAGE, nullptr, "BrimletUtilWindow", nullptr); h;
         h = FindWindowExA(HWND_MESSAGE, h, "BrimletUtilWindow", nullptr))
        found = found || h == window;
    EXPECT_TRUE(found);
    DeallocateHWnd(window);
}

TEST(AllocateHWnd, AThrowingMethodGoesToTheHandlerAndTheWindowKeepsWorking) {
    CaughtExceptions caught;
    int calls = 0;
    HWND window = AllocateHWnd([&](TMessage& m) {
        if (m.Msg == WM_USER + 1) {
            ++calls;
            m.Result = 7;
            if (calls == 1)
                throw EInvalidOperation("handler failed");
        }
    });
    EXPECT_EQ(SendMessageA(window, WM_USER + 1, 0, 0), 0);  // a failed message answers 0
    EXPECT_EQ(SendMessageA(window, WM_USER + 1, 0, 0), 7);
    PostMessageA(window, WM_USER + 1, 0, 0);
    PumpPending();
    DeallocateHWnd(window);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(caught.messages, std::vector<std::string>{"handler failed"});
}

TEST(AllocateHWnd, AnExceptionNotDerivedFromStdExceptionIsReportedToo) {
    CaughtExceptions caught;
    HWND window = AllocateHWnd([](TMessage& m) {
        if (m.Msg == WM_USER)
            throw 42;
    });
    SendMessageA(window, WM_USER, 0, 0);
    DeallocateHWnd(window);
    EXPECT_EQ(caught.messages, std::vector<std::string>{"Unknown exception"});
}

TEST(AllocateHWnd, TheWindowMayBeReleasedFromInsideItsOwnMethod) {
    HWND window = nullptr;
    std::string captured = "still here";
    std::string seenAfter;
    window = AllocateHWnd([&, captured](TMessage& m) {
        if (m.Msg == WM_USER) {
            DeallocateHWnd(window);
            seenAfter = captured;  // the method's own state must survive its release
        }
    });
    SendMessageA(window, WM_USER, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(seenAfter, "still here");
    DeallocateHWnd(nullptr);
}

TEST(AllocateHWnd, MessagesSentFromAnotherThreadRunOnTheCreatingThread) {
    std::atomic<DWORD> ranOn{0};
    HWND window = AllocateHWnd([&](TMessage& m) {
        if (m.Msg == WM_USER + 3) {
            ranOn = GetCurrentThreadId();
            m.Result = 1;
        }
    });
    TThread sender([&] { SendMessageA(window, WM_USER + 3, 0, 0); }, false);
    sender.WaitFor();
    DeallocateHWnd(window);
    EXPECT_EQ(ranOn.load(), GetCurrentThreadId());
}

}  // namespace

namespace {

struct Receiver {
    int seen = 0;
    void WndProc(TMessage& m) {
        if (m.Msg == WM_USER + 9)
            ++seen;
    }
};

TEST(AllocateHWnd, TakesAMethodClosure) {
    Receiver receiver;
    HWND window = AllocateHWnd(TWndMethod(&receiver, &Receiver::WndProc));
    SendMessageA(window, WM_USER + 9, 0, 0);
    DeallocateHWnd(window);
    EXPECT_EQ(receiver.seen, 1);
}

}  // namespace
