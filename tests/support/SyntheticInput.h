#pragma once
// Real input for the tests: mouse moves, clicks and key presses through SendInput, and the screen's own pixels.
#include <windows.h>

#include <vector>

inline void MoveMouseTo(int x, int y) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = static_cast<LONG>((x * 65536LL + GetSystemMetrics(SM_CXSCREEN) - 1) / GetSystemMetrics(SM_CXSCREEN));
    in.mi.dy = static_cast<LONG>((y * 65536LL + GetSystemMetrics(SM_CYSCREEN) - 1) / GetSystemMetrics(SM_CYSCREEN));
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
}

inline void MouseButton(bool down, bool right = false) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = right ? (down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP)
                          : (down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
    SendInput(1, &in, sizeof in);
}

// Presses and releases key with the modifier keys (VK_CONTROL, VK_SHIFT, VK_MENU) held around it, as a user's chord.
inline void PressChord(const std::vector<WORD>& modifiers, WORD key) {
    std::vector<INPUT> keys;
    auto add = [&](WORD k, bool up) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = k;
        in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        keys.push_back(in);
    };
    for (WORD m : modifiers)
        add(m, false);
    add(key, false);
    add(key, true);
    for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m)
        add(*m, true);
    SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
}

// Presses and releases key, with Shift (and Ctrl) held around it when asked.
inline void PressKey(WORD key, bool shift = false, bool ctrl = false) {
    if (ctrl && shift)
        PressChord({VK_CONTROL, VK_SHIFT}, key);
    else if (ctrl)
        PressChord({VK_CONTROL}, key);
    else if (shift)
        PressChord({VK_SHIFT}, key);
    else
        PressChord({}, key);
}

// Types text as the characters themselves (KEYEVENTF_UNICODE), whatever the keyboard layout.
inline void TypeText(const wchar_t* text) {
    std::vector<INPUT> keys;
    for (const wchar_t* p = text; *p; ++p)
        for (bool up : {false, true}) {
            INPUT in{};
            in.type = INPUT_KEYBOARD;
            in.ki.wScan = *p;
            in.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
            keys.push_back(in);
        }
    SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
}

// Moves the pointer to the screen's bottom right corner, where no test puts a window: no control under it shows a
// hot state, whatever the test or the program before it left there.
inline void ParkPointer() {
    MoveMouseTo(GetSystemMetrics(SM_CXSCREEN) - 5, GetSystemMetrics(SM_CYSCREEN) - 5);
}

inline void ClickAt(int x, int y, bool right = false) {
    MoveMouseTo(x, y);
    MouseButton(true, right);
    MouseButton(false, right);
}

// Reads the screen itself, so what is checked is what a user would see.
inline COLORREF ScreenPixel(int x, int y) {
    HDC dc = GetDC(nullptr);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(nullptr, dc);
    return c;
}
