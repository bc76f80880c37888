#pragma once
// Runs the application's messages in tests: for a while, or until something has happened.
#include "classlib/visual/ExtCtrls.h"
#include "classlib/visual/Forms.h"

#include <functional>

// Handles messages for about ms milliseconds.
inline void PumpFor(DWORD ms) {
    DWORD start = GetTickCount();
    do {
        Application->ProcessMessages();
        Sleep(5);
    } while (GetTickCount() - start < ms);
}

// Handles messages until done() holds or timeoutMs passed; answers done().
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Application->ProcessMessages();
        Sleep(5);
    }
    return true;
}

// Runs the application's own loop, idle processing included, until done() holds or timeoutMs passed.
inline bool IdleUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000) {
    TTimer ticker(nullptr);  // wakes the loop while it waits for messages
    ticker.SetInterval(10);
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Application->HandleMessage();
    }
    return true;
}
