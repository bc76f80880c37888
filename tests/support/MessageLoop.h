#pragma once
// Waiting in tests: for a condition alone, or while handling the main thread's messages (no application object
// needed); and a catcher for what reaches the application's exception handler.
#include "classlib/runtime/ExceptionHandler.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Waits, handling nothing of its own, until the condition holds (or about timeoutMs passed); answers whether it
// held. For conditions that other threads or programs make true.
inline bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(5);
    }
    return true;
}

// Handles posted and sent messages until done() holds or timeoutMs passed; answers done(). Notices at once what a
// sent message did (GetMessage alone would not return for one).
inline bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000) {
    DWORD start = GetTickCount();
    MSG msg;
    while (!done() && GetTickCount() - start < timeoutMs) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    return done();
}

inline void PumpMessagesFor(DWORD ms) {
    PumpMessagesUntil([] { return false; }, ms);
}

// Handles messages as the application's loop does (keys become characters) until done() holds.
inline bool PumpKeysUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000) {
    DWORD start = GetTickCount();
    MSG msg;
    while (!done() && GetTickCount() - start < timeoutMs) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return done();
}

// While it lives, the application's exception handler collects the messages instead of reporting them.
class CaughtExceptions {
public:
    CaughtExceptions() {
        FPrevious = SetApplicationExceptionHandler([this](const std::exception& e) { messages.push_back(e.what()); });
    }
    ~CaughtExceptions() { SetApplicationExceptionHandler(FPrevious); }
    CaughtExceptions(const CaughtExceptions&) = delete;
    CaughtExceptions& operator=(const CaughtExceptions&) = delete;

    std::vector<std::string> messages;

private:
    TExceptionHandler FPrevious;
};
