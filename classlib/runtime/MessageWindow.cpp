#include "MessageWindow.h"

#include "ExceptionHandler.h"
#include "SysUtils.h"

namespace {

const char* const UtilWindowClass = "BrimletUtilWindow";

// What a window made by AllocateHWnd is bound to. It outlives a DeallocateHWnd that comes from inside its own
// method, so the method is not destroyed while it runs.
struct Binding {
    TWndFunction method;
    int depth = 0;
    bool released = false;
};

LRESULT CALLBACK UtilWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* binding = reinterpret_cast<Binding*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!binding || binding->released || !binding->method)
        return DefWindowProcA(window, msg, wParam, lParam);
    TMessage message{msg, wParam, lParam, 0};
    ++binding->depth;
    try {
        binding->method(message);
    } catch (...) {
        HandleCurrentException();
        message.Result = 0;
    }
    if (--binding->depth == 0 && binding->released)
        delete binding;
    return message.Result;
}

void RegisterUtilClass() {
    WNDCLASSA existing{};
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (GetClassInfoA(instance, UtilWindowClass, &existing))
        return;
    WNDCLASSA cls{};
    cls.lpfnWndProc = UtilWndProc;
    cls.hInstance = instance;
    cls.lpszClassName = UtilWindowClass;
    // Two threads may race to register: the loser's "class already exists" is fine.
    if (!RegisterClassA(&cls) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        RaiseLastOSError("RegisterClassA");
}

}  // namespace

HWND AllocateHWnd(const TWndMethod& method) { return AllocateHWnd(TWndFunction(method)); }

HWND AllocateHWnd(TWndFunction method) {
    RegisterUtilClass();
    HWND window = CreateWindowExA(0, UtilWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    if (!window)
        RaiseLastOSError("CreateWindowExA");
    auto* binding = new Binding{std::move(method)};
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(binding));
    return window;
}

void DeallocateHWnd(HWND window) {
    if (!window)
        return;
    auto* binding = reinterpret_cast<Binding*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
    if (!binding)
        return;
    if (binding->depth > 0)
        binding->released = true;  // the running method is still on the stack: the window procedure frees it
    else
        delete binding;
}

void DefaultHandler(HWND window, TMessage& Message) {
    Message.Result = DefWindowProcA(window, Message.Msg, Message.WParam, Message.LParam);
}
