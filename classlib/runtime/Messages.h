#pragma once
// Window messages as the class library routes them: the message record, its typed views, the library's own
// notification numbers (CM_) and the reflected notifications (CN_), and the comparable method closure that
// WindowProc is made of.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <utility>

#include "SysUtils.h"

// One message on its way through a control: what Win32 passed, and the answer to give back.
struct TMessage {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;

    WORD WParamLo() const { return LOWORD(WParam); }
    WORD WParamHi() const { return HIWORD(WParam); }
    WORD LParamLo() const { return LOWORD(LParam); }
    WORD LParamHi() const { return HIWORD(LParam); }
};

// The class library's notification messages; the numbers are fixed because other code compares them.
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_ACTIVATE = CM_BASE + 0;
constexpr UINT CM_DEACTIVATE = CM_BASE + 1;
constexpr UINT CM_GOTFOCUS = CM_BASE + 2;
constexpr UINT CM_LOSTFOCUS = CM_BASE + 3;
constexpr UINT CM_CANCELMODE = CM_BASE + 4;
constexpr UINT CM_DIALOGKEY = CM_BASE + 5;
constexpr UINT CM_DIALOGCHAR = CM_BASE + 6;
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 7;
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 8;
constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 9;
constexpr UINT CM_HITTEST = CM_BASE + 10;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 11;
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr UINT CM_COLORCHANGED = CM_BASE + 13;
constexpr UINT CM_FONTCHANGED = CM_BASE + 14;
constexpr UINT CM_CURSORCHANGED = CM_BASE + 15;
constexpr UINT CM_CTL3DCHANGED = CM_BASE + 16;
constexpr UINT CM_PARENTCTL3DCHANGED = CM_BASE + 17;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;
constexpr UINT CM_MENUCHANGED = CM_BASE + 21;
constexpr UINT CM_APPKEYDOWN = CM_BASE + 22;
constexpr UINT CM_APPSYSCOMMAND = CM_BASE + 23;
constexpr UINT CM_BUTTONPRESSED = CM_BASE + 24;
constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 25;
constexpr UINT CM_ENTER = CM_BASE + 26;
constexpr UINT CM_EXIT = CM_BASE + 27;
constexpr UINT CM_DESIGNHITTEST = CM_BASE + 28;
constexpr UINT CM_ICONCHANGED = CM_BASE + 29;
constexpr UINT CM_WANTSPECIALKEY = CM_BASE + 30;
constexpr UINT CM_INVOKEHELP = CM_BASE + 31;
constexpr UINT CM_WINDOWHOOK = CM_BASE + 32;
constexpr UINT CM_RELEASE = CM_BASE + 33;
constexpr UINT CM_SHOWHINTCHANGED = CM_BASE + 34;
constexpr UINT CM_PARENTSHOWHINTCHANGED = CM_BASE + 35;
constexpr UINT CM_SYSCOLORCHANGE = CM_BASE + 36;
constexpr UINT CM_WININICHANGE = CM_BASE + 37;
constexpr UINT CM_FONTCHANGE = CM_BASE + 38;
constexpr UINT CM_TIMECHANGE = CM_BASE + 39;
constexpr UINT CM_TABSTOPCHANGED = CM_BASE + 40;
constexpr UINT CM_UIACTIVATE = CM_BASE + 41;
constexpr UINT CM_UIDEACTIVATE = CM_BASE + 42;
constexpr UINT CM_DOCWINDOWACTIVATE = CM_BASE + 43;
constexpr UINT CM_CONTROLLISTCHANGE = CM_BASE + 44;
constexpr UINT CM_GETDATALINK = CM_BASE + 45;
constexpr UINT CM_CHILDKEY = CM_BASE + 46;
constexpr UINT CM_DRAG = CM_BASE + 47;
constexpr UINT CM_HINTSHOW = CM_BASE + 48;
constexpr UINT CM_DIALOGHANDLE = CM_BASE + 49;
constexpr UINT CM_ISTOOLCONTROL = CM_BASE + 50;
constexpr UINT CM_RECREATEWND = CM_BASE + 51;
constexpr UINT CM_INVALIDATE = CM_BASE + 52;
constexpr UINT CM_SYSFONTCHANGED = CM_BASE + 53;
constexpr UINT CM_CONTROLCHANGE = CM_BASE + 54;
constexpr UINT CM_CHANGED = CM_BASE + 55;
constexpr UINT CM_BORDERCHANGED = CM_BASE + 59;
constexpr UINT CM_MOUSEWHEEL = CM_BASE + 67;

// Notifications that a parent reflects back to the child control they are about: CN_BASE + the Win32 number.
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_CHARTOITEM = CN_BASE + WM_CHARTOITEM;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_COMPAREITEM = CN_BASE + WM_COMPAREITEM;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
constexpr UINT CN_CTLCOLORDLG = CN_BASE + WM_CTLCOLORDLG;
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
constexpr UINT CN_CTLCOLORMSGBOX = CN_BASE + WM_CTLCOLORMSGBOX;
constexpr UINT CN_CTLCOLORSCROLLBAR = CN_BASE + WM_CTLCOLORSCROLLBAR;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
constexpr UINT CN_DELETEITEM = CN_BASE + WM_DELETEITEM;
constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
constexpr UINT CN_HSCROLL = CN_BASE + WM_HSCROLL;
constexpr UINT CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
constexpr UINT CN_PARENTNOTIFY = CN_BASE + WM_PARENTNOTIFY;
constexpr UINT CN_VKEYTOITEM = CN_BASE + WM_VKEYTOITEM;
constexpr UINT CN_VSCROLL = CN_BASE + WM_VSCROLL;
constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
constexpr UINT CN_KEYUP = CN_BASE + WM_KEYUP;
constexpr UINT CN_CHAR = CN_BASE + WM_CHAR;
constexpr UINT CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
constexpr UINT CN_SYSCHAR = CN_BASE + WM_SYSCHAR;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;

// --- typed views of a message: they read and write the record they were made from ---

// Mouse button and move messages: the key flags and the client position.
struct TWMMouse {
    TMessage& Message;
    explicit TWMMouse(TMessage& m) : Message(m) {}
    WPARAM Keys() const { return Message.WParam; }
    int XPos() const { return static_cast<short>(LOWORD(Message.LParam)); }
    int YPos() const { return static_cast<short>(HIWORD(Message.LParam)); }
    POINT Pos() const { return POINT{XPos(), YPos()}; }
};

// Key messages: the virtual-key code (writable: zero means handled) and the key data.
struct TWMKey {
    TMessage& Message;
    explicit TWMKey(TMessage& m) : Message(m) {}
    WORD CharCode() const { return LOWORD(Message.WParam); }
    void SetCharCode(WORD value) { Message.WParam = value; }
    LPARAM KeyData() const { return Message.LParam; }
};

// WM_MOVING and WM_SIZING: the proposed window rectangle, which the handler may change.
struct TWMMoving {
    TMessage& Message;
    explicit TWMMoving(TMessage& m) : Message(m) {}
    UINT Edge() const { return static_cast<UINT>(Message.WParam); }
    RECT* DragRect() const { return reinterpret_cast<RECT*>(Message.LParam); }
};

// WM_MOVE: the new client origin in the parent's (or the screen's) coordinates.
struct TWMMove {
    TMessage& Message;
    explicit TWMMove(TMessage& m) : Message(m) {}
    int XPos() const { return static_cast<short>(LOWORD(Message.LParam)); }
    int YPos() const { return static_cast<short>(HIWORD(Message.LParam)); }
};

// WM_SIZE: the kind of change and the new client size.
struct TWMSize {
    TMessage& Message;
    explicit TWMSize(TMessage& m) : Message(m) {}
    UINT SizeType() const { return static_cast<UINT>(Message.WParam); }
    int Width() const { return LOWORD(Message.LParam); }
    int Height() const { return HIWORD(Message.LParam); }
};

// WM_COMMAND and CN_COMMAND: the item, the notification code and the sending control's window.
struct TWMCommand {
    TMessage& Message;
    explicit TWMCommand(TMessage& m) : Message(m) {}
    WORD ItemID() const { return LOWORD(Message.WParam); }
    WORD NotifyCode() const { return HIWORD(Message.WParam); }
    HWND Ctl() const { return reinterpret_cast<HWND>(Message.LParam); }
};

// WM_NOTIFY and CN_NOTIFY.
struct TWMNotify {
    TMessage& Message;
    explicit TWMNotify(TMessage& m) : Message(m) {}
    int IDCtrl() const { return static_cast<int>(Message.WParam); }
    NMHDR* NMHdr() const { return reinterpret_cast<NMHDR*>(Message.LParam); }
};

// WM_PAINT: a device context to paint into when WParam carries one (the class library paints children that way).
struct TWMPaint {
    TMessage& Message;
    explicit TWMPaint(TMessage& m) : Message(m) {}
    HDC DC() const { return reinterpret_cast<HDC>(Message.WParam); }
};

// WM_DRAWITEM and CN_DRAWITEM.
struct TWMDrawItem {
    TMessage& Message;
    explicit TWMDrawItem(TMessage& m) : Message(m) {}
    int Ctl() const { return static_cast<int>(Message.WParam); }
    DRAWITEMSTRUCT* DrawItemStruct() const { return reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam); }
};

// WM_MOUSEWHEEL and CM_MOUSEWHEEL: key flags, wheel delta and the screen position.
struct TWMMouseWheel {
    TMessage& Message;
    explicit TWMMouseWheel(TMessage& m) : Message(m) {}
    WORD Keys() const { return LOWORD(Message.WParam); }
    int WheelDelta() const { return static_cast<short>(HIWORD(Message.WParam)); }
    int XPos() const { return static_cast<short>(LOWORD(Message.LParam)); }
    int YPos() const { return static_cast<short>(HIWORD(Message.LParam)); }
};

// An object and one of its member functions, callable, copyable and comparable: the class library's
// method pointer. Two closures are equal when they name the same member of the same object, so a hook
// can save the current one, install its own, call the saved one and test whether the current one is its own.
template <class Signature>
class TMethod;

template <class R, class... Args>
class TMethod<R(Args...)> {
public:
    TMethod() = default;
    template <class T, class C>
    TMethod(T* object, R (C::*method)(Args...)) : FObject(static_cast<C*>(object)), FInvoke(&Invoke<C>) {
        static_assert(sizeof(method) <= sizeof(FMethod), "member pointer too large for a closure");
        std::memcpy(FMethod, &method, sizeof(method));
    }

    R operator()(Args... args) const {
        if (!FInvoke)
            throw EInvalidOperation("A method closure was called before it was assigned");
        return FInvoke(FObject, FMethod, std::forward<Args>(args)...);
    }
    explicit operator bool() const { return FInvoke != nullptr; }
    bool operator==(const TMethod& other) const {
        return FObject == other.FObject && FInvoke == other.FInvoke &&
               std::memcmp(FMethod, other.FMethod, sizeof FMethod) == 0;
    }
    // The object half of the closure ("Data" of the class library's method record).
    void* Data() const { return FObject; }

private:
    template <class C>
    static R Invoke(void* object, const unsigned char* bytes, Args... args) {
        R (C::*method)(Args...);
        std::memcpy(&method, bytes, sizeof(method));
        return (static_cast<C*>(object)->*method)(std::forward<Args>(args)...);
    }

    void* FObject = nullptr;
    R (*FInvoke)(void*, const unsigned char*, Args...) = nullptr;
    alignas(void*) unsigned char FMethod[2 * sizeof(void*)] = {};
};

// The type of WindowProc: a method that takes a message and leaves its answer in Result.
using TWndMethod = TMethod<void(TMessage&)>;
