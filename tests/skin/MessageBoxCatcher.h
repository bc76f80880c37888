#pragma once
// Closes every message box the thread opens while it lives, remembering caption and text, so that code which
// reports through a box can run in a test without anyone to press OK.
#include <windows.h>

#include <string>
#include <vector>

class MessageBoxCatcher {
public:
    struct Box {
        std::string Caption;
        std::string Text;
    };

    MessageBoxCatcher() {
        Current() = this;
        FHook = SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId());
    }
    ~MessageBoxCatcher() {
        if (FHook)
            UnhookWindowsHookEx(FHook);
        Current() = nullptr;
    }
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

    bool Installed() const { return FHook != nullptr; }
    std::vector<Box> Boxes;
    // The button the box is closed with.
    int Answer = IDOK;

private:
    static MessageBoxCatcher*& Current() {
        static MessageBoxCatcher* current = nullptr;
        return current;
    }
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        MessageBoxCatcher* self = Current();
        if (code == HCBT_ACTIVATE && self) {
            HWND box = reinterpret_cast<HWND>(wParam);
            char cls[32] = {};
            GetClassNameA(box, cls, sizeof cls);
            if (std::string(cls) == "#32770") {
                char caption[256] = {}, text[1024] = {};
                GetWindowTextA(box, caption, sizeof caption);
                GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                self->Boxes.push_back({caption, text});
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(self->Answer, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(box, self->Answer)));
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    HHOOK FHook = nullptr;
};
