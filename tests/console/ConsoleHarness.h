#pragma once
// The console as its tests meet it: brimlet.exe started in a folder of its own, its windows found and read back
// through messages that cross the process boundary, clicked and typed at through synthetic input, and
// photographed. BRIMLET_EXE names the program that the test target depends on.
#include "tests/support/MessageLoop.h"
#include "tests/support/SyntheticInput.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixCommand.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <functional>
#include <string>

inline std::string WindowText(HWND hwnd) {
    // WM_GETTEXT crosses the process boundary; GetWindowText would not read another program's control.
    LRESULT length = SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    LRESULT got = SendMessageA(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(got));
    return text;
}

inline std::string ClassNameOf(HWND hwnd) {
    char name[64] = "";
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

// The first (or skip + 1st) descendant window of a class.
inline HWND FindChild(HWND parent, const std::string& className, int skip = 0) {
    struct TFind {
        std::string ClassName;
        int Skip;
        HWND Found;
    } find{className, skip, nullptr};
    EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM p) WINAPI -> BOOL {
            auto* f = reinterpret_cast<TFind*>(p);
            if (ClassNameOf(hwnd) == f->ClassName && f->Skip-- == 0) {
                f->Found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&find));
    return find.Found;
}

inline RECT WindowRect(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

// The screen point at (x, y) of a window's client area.
inline POINT ClientToScreenPoint(HWND hwnd, int x, int y) {
    POINT p{x, y};
    ClientToScreen(hwnd, &p);
    return p;
}

// A click at a user's pace: the mouse comes to rest over the point before the button goes down and up. Pressed
// at once after the move, the press was now and then lost under Wine.
inline void Click(int x, int y, bool right = false) {
    MoveMouseTo(x, y);
    Sleep(60);
    MoveMouseTo(x, y);
    Sleep(40);
    MouseButton(true, right);
    Sleep(40);
    MouseButton(false, right);
}

inline void ClickClient(HWND hwnd, int x, int y, bool right = false) {
    POINT p = ClientToScreenPoint(hwnd, x, y);
    Click(p.x, p.y, right);
}

// The main window's toolbars from the top: the main toolbar, the command bar, the shortcut bar.
inline HWND Toolbar(HWND main, bool lowest) {
    HWND best = nullptr;
    for (int i = 0; HWND bar = FindChild(main, "TToolBar", i); ++i)
        if (!best || (WindowRect(bar).top > WindowRect(best).top) == lowest)
            best = bar;
    return best;
}

// Photographs the whole screen into the test environment's folder, beside the test's output.
inline void Photograph(const std::string& name) {
    RunUnixScript("import -display \"$DISPLAY\" -window root '" + TestEnvDir() + "/" + name + "'");
}

inline int CountPixels(const RECT& r, COLORREF colour) {
    HDC screen = GetDC(nullptr);
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (GetPixel(screen, x, y) == colour)
                ++n;
    ReleaseDC(nullptr, screen);
    return n;
}

inline void CopyProgramInto(const TempDir& dir) {
    ASSERT_TRUE(CopyFileA(BRIMLET_EXE, dir.File("brimlet.exe").c_str(), FALSE)) << GetLastError();
}

// Memory inside the program, for the control messages that answer through a pointer (those are not carried
// across the process boundary).
class TRemoteBuffer {
public:
    TRemoteBuffer(HWND owner, size_t size) : FSize(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(owner, &pid);
        FProcess = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (FProcess)
            FAddress = VirtualAllocEx(FProcess, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (!FAddress)
            ADD_FAILURE() << "no memory in the program's process: " << GetLastError();
    }
    ~TRemoteBuffer() {
        if (FAddress)
            VirtualFreeEx(FProcess, FAddress, 0, MEM_RELEASE);
        if (FProcess)
            CloseHandle(FProcess);
    }
    TRemoteBuffer(const TRemoteBuffer&) = delete;
    TRemoteBuffer& operator=(const TRemoteBuffer&) = delete;

    char* Address(size_t offset = 0) const { return static_cast<char*>(FAddress) + offset; }
    void Write(const void* data, size_t size, size_t offset = 0) {
        SIZE_T done = 0;
        if (FAddress)
            WriteProcessMemory(FProcess, Address(offset), data, size, &done);
    }
    void Read(void* data, size_t size, size_t offset = 0) const {
        SIZE_T done = 0;
        if (FAddress)
            ReadProcessMemory(FProcess, Address(offset), data, size, &done);
    }

private:
    size_t FSize;
    HANDLE FProcess = nullptr;
    void* FAddress = nullptr;
};

// The screen rectangle of a toolbar's button (by index).
inline RECT ToolbarButtonRect(HWND bar, int index) {
    TRemoteBuffer buffer(bar, sizeof(RECT));
    RECT r{};
    if (SendMessageA(bar, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(buffer.Address())))
        buffer.Read(&r, sizeof r);
    MapWindowPoints(bar, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The TBSTATE_ flags of a toolbar's button (by index), or -1 when there is no such button.
inline int ToolbarButtonState(HWND bar, int index) {
    TRemoteBuffer buffer(bar, sizeof(TBBUTTON));
    TBBUTTON button{};
    if (!SendMessageA(bar, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(buffer.Address())))
        return -1;
    buffer.Read(&button, sizeof button);
    return static_cast<int>(SendMessageA(bar, TB_GETSTATE, button.idCommand, 0));
}

// Whether a toolbar's button (by index) is shown down.
inline bool ToolbarButtonDown(HWND bar, int index) {
    int state = ToolbarButtonState(bar, index);
    return state >= 0 && (state & (TBSTATE_PRESSED | TBSTATE_CHECKED)) != 0;
}

inline void ClickToolbarButton(HWND bar, int index, bool right = false) {
    RECT r = ToolbarButtonRect(bar, index);
    Click((r.left + r.right) / 2, (r.top + r.bottom) / 2, right);
}

// The text of a list view's item (subItem 0) or of one of its sub-items.
inline std::string ListViewText(HWND list, int item, int subItem) {
    constexpr size_t textSize = 512;
    TRemoteBuffer buffer(list, sizeof(LVITEMA) + textSize);
    LVITEMA lv{};
    lv.iSubItem = subItem;
    lv.pszText = buffer.Address(sizeof(LVITEMA));
    lv.cchTextMax = textSize;
    buffer.Write(&lv, sizeof lv);
    LRESULT length = SendMessageA(list, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(buffer.Address()));
    std::string text(textSize, '\0');
    buffer.Read(text.data(), textSize, sizeof(LVITEMA));
    text.resize(strnlen(text.c_str(), static_cast<size_t>(length)));
    return text;
}

// The screen rectangle of a list view's item (its whole row in report view).
inline RECT ListViewItemRect(HWND list, int item) {
    TRemoteBuffer buffer(list, sizeof(RECT));
    RECT r{};
    r.left = LVIR_BOUNDS;
    buffer.Write(&r, sizeof r);
    if (SendMessageA(list, LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(buffer.Address())))
        buffer.Read(&r, sizeof r);
    MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Replaces the text of the edit control that has the keyboard, as a user does: select it all, type over it.
inline void TypeOver(const wchar_t* text) {
    PressKey(VK_END);
    PressKey(VK_HOME, true);
    PressKey(VK_DELETE);
    TypeText(text);
}

// The running program: started in its own folder, ended at the end of the test whatever happened.
class TBrimlet {
public:
    explicit TBrimlet(const std::string& exe) {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        std::string command = "\"" + exe + "\"";
        if (!CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &FInfo))
            ADD_FAILURE() << "CreateProcess failed: " << GetLastError();
    }
    ~TBrimlet() {
        if (FInfo.hProcess) {
            if (WaitForSingleObject(FInfo.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(FInfo.hProcess, 1);
            CloseHandle(FInfo.hProcess);
            CloseHandle(FInfo.hThread);
        }
    }
    TBrimlet(const TBrimlet&) = delete;
    TBrimlet& operator=(const TBrimlet&) = delete;

    // The program's visible top-level window of a class (any class when null) and caption (any when null),
    // waited for up to timeoutMs.
    HWND Window(const char* className, const char* caption = nullptr, DWORD timeoutMs = 10000) {
        HWND found = nullptr;
        WaitUntil([&] { return (found = FindWindowOf(className, caption)) != nullptr; }, timeoutMs);
        return found;
    }
    // Whether such a window is shown now.
    bool Shows(const char* className, const char* caption = nullptr) { return FindWindowOf(className, caption); }
    // How many such windows are shown now.
    int Count(const char* className, const char* caption = nullptr) {
        int n = 0;
        FindWindowOf(className, caption, &n);
        return n;
    }
    bool WaitForExit(DWORD timeoutMs = 15000) { return WaitForSingleObject(FInfo.hProcess, timeoutMs) == WAIT_OBJECT_0; }

private:
    // The first such window; with count, counts them all.
    HWND FindWindowOf(const char* className, const char* caption, int* count = nullptr) {
        struct TFind {
            DWORD Pid;
            const char* ClassName;
            const char* Caption;
            HWND Found;
            int* Count;
        } find{FInfo.dwProcessId, className, caption, nullptr, count};
        EnumWindows(
            [](HWND hwnd, LPARAM p) WINAPI -> BOOL {
                auto* f = reinterpret_cast<TFind*>(p);
                DWORD pid = 0;
                GetWindowThreadProcessId(hwnd, &pid);
                if (pid != f->Pid || !IsWindowVisible(hwnd))
                    return TRUE;
                if (f->ClassName && ClassNameOf(hwnd) != f->ClassName)
                    return TRUE;
                if (f->Caption && WindowText(hwnd) != f->Caption)
                    return TRUE;
                if (!f->Found)
                    f->Found = hwnd;
                if (f->Count)
                    ++*f->Count;
                return f->Count != nullptr;
            },
            reinterpret_cast<LPARAM>(&find));
        return find.Found;
    }

    PROCESS_INFORMATION FInfo{};
};
