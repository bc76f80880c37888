#include "uLogLimit.h"

#include <algorithm>

namespace {

// Keeps a control from painting, and from moving what the screen shows, while its text changes underneath; the
// screen keeps the old picture until the control paints again. Wine's edit ignores WM_SETREDRAW, so the window's
// visible bit (what WM_SETREDRAW turns off for any other window) is cleared by hand where the control left it on.
// A paint the control still owed for what it showed before is owed afterwards too.
class TRedrawOff {
public:
    explicit TRedrawOff(HWND Window) : FWindow(Window), FOwed(CreateRectRgn(0, 0, 0, 0)) {
        if (FOwed && GetUpdateRgn(FWindow, FOwed, FALSE) == NULLREGION) {
            DeleteObject(FOwed);
            FOwed = nullptr;
        }
        SendMessageW(FWindow, WM_SETREDRAW, FALSE, 0);
        LONG style = GetWindowLongW(FWindow, GWL_STYLE);
        if (style & WS_VISIBLE) {
            SetWindowLongW(FWindow, GWL_STYLE, style & ~WS_VISIBLE);
            FVisibleCleared = true;
        }
    }
    ~TRedrawOff() {
        if (FVisibleCleared)
            SetWindowLongW(FWindow, GWL_STYLE, GetWindowLongW(FWindow, GWL_STYLE) | WS_VISIBLE);
        SendMessageW(FWindow, WM_SETREDRAW, TRUE, 0);
        if (FOwed) {
            InvalidateRgn(FWindow, FOwed, TRUE);
            DeleteObject(FOwed);
        }
    }
    TRedrawOff(const TRedrawOff&) = delete;
    TRedrawOff& operator=(const TRedrawOff&) = delete;

private:
    HWND FWindow;
    HRGN FOwed;
    bool FVisibleCleared = false;
};

// Wine's rich edit, while it keeps no undo, loses the end-of-line text of every paragraph a deletion joins (a few
// hundred bytes each, never freed): a log held at its bound for hours leaves one behind for every line it drops,
// strewn over the heap the controls share, and every later search of that heap for a free block walks past more of
// what they keep apart. Keeping undo for the one drop makes those texts part of its undo steps, and emptying the undo
// buffer frees them. The log keeps no undo of its own, so none is left afterwards.
class TUndoForDrop {
public:
    explicit TUndoForDrop(HWND Window) : FWindow(Window) { SendMessageW(FWindow, EM_SETUNDOLIMIT, 1, 0); }
    ~TUndoForDrop() {
        SendMessageW(FWindow, EM_EMPTYUNDOBUFFER, 0, 0);
        SendMessageW(FWindow, EM_SETUNDOLIMIT, 0, 0);
    }
    TUndoForDrop(const TUndoForDrop&) = delete;
    TUndoForDrop& operator=(const TUndoForDrop&) = delete;

private:
    HWND FWindow;
};

int Kept(int Limit) { return static_cast<int>(static_cast<long long>(Limit) * LogKeptEighths / 8); }

int Send(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
    return static_cast<int>(SendMessageW(Window, Msg, WParam, LParam));
}

}  // namespace

int TrimTextLog(TCustomMemo* Log, const TLogLimit& Limit) {
    HWND h = Log->Handle();
    int length = GetWindowTextLengthW(h);
    // The control counts the empty line after a final break as one of its lines. Telling them apart walks all
    // its lines, so it is done only when the count is past the bound.
    // No bound in lines counts none.
    int lines = Limit.MaxLines > 0 ? Send(h, EM_GETLINECOUNT, 0, 0) : 0;
    if (lines > Limit.MaxLines && Send(h, EM_LINEINDEX, lines - 1, 0) >= length)
        --lines;
    bool tooLong = length > Limit.MaxChars;
    bool tooMany = lines > Limit.MaxLines;
    if (!tooLong && !tooMany)
        return 0;
    int end = 0;
    if (tooLong) {
        int cut = length - Kept(Limit.MaxChars);
        int line = Send(h, EM_LINEFROMCHAR, cut, 0);
        end = Send(h, EM_LINEINDEX, line, 0);
        if (end != cut) {
            // The next whole line; a line longer than the limit loses its oldest part instead.
            int next = Send(h, EM_LINEINDEX, line + 1, 0);
            end = next > cut ? next : cut;
        }
    }
    if (tooMany)
        end = std::max(end, Send(h, EM_LINEINDEX, lines - Kept(Limit.MaxLines), 0));
    int keptFromLine = Send(h, EM_LINEFROMCHAR, end, 0);

    DWORD selStart = 0, selEnd = 0;
    SendMessageW(h, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), reinterpret_cast<LPARAM>(&selEnd));
    int firstVisible = Send(h, EM_GETFIRSTVISIBLELINE, 0, 0);
    {
        TRedrawOff quiet(h);
        SendMessageW(h, EM_SETSEL, 0, end);
        SendMessageW(h, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
        auto shifted = [end](DWORD position) { return std::max(static_cast<int>(position) - end, 0); };
        SendMessageW(h, EM_SETSEL, shifted(selStart), shifted(selEnd));
        // The same lines stay in view, so what the user reads does not jump away.
        int wanted = std::max(firstVisible - keptFromLine, 0);
        SendMessageW(h, EM_LINESCROLL, 0, wanted - Send(h, EM_GETFIRSTVISIBLELINE, 0, 0));
    }
    // The lines in view are the ones the screen shows already: painting them again would cost the edit its walks
    // over every line it holds, about once a second in a steady stream. Only a window that showed some of the
    // dropped lines is painted anew.
    if (firstVisible < keptFromLine)
        InvalidateRect(h, nullptr, TRUE);
    // The scroll bars tell the new length at once.
    SendMessageW(h, WM_NCPAINT, 1, 0);
    return end;
}

int TrimHexLog(TCustomRichEdit* Log, const TLogLimit& Limit) {
    HWND h = Log->Handle();
    int length = Log->GetTextLen();
    // Lines of text: the empty line after the last break is none.
    int lines = Send(h, EM_GETLINECOUNT, 0, 0);
    if (lines > 0 && Send(h, EM_LINEINDEX, lines - 1, 0) >= length)
        --lines;
    bool tooLong = length > Limit.MaxChars;
    bool tooMany = Limit.MaxLines > 0 && lines > Limit.MaxLines;
    if (!tooLong && !tooMany)
        return 0;
    int first = 0;  // the oldest line that stays
    if (tooLong) {
        int cut = length - Kept(Limit.MaxChars);
        int line = Send(h, EM_EXLINEFROMCHAR, 0, cut);
        first = Send(h, EM_LINEINDEX, line, 0) == cut ? line : line + 1;
    }
    if (tooMany)
        first = std::max(first, lines - Kept(Limit.MaxLines));
    // The newest line stays whatever its length.
    first = std::min(first, std::max(lines - 1, 0));
    int end = Send(h, EM_LINEINDEX, first, 0);
    if (end <= 0)
        return 0;

    // The window goes back onto the lines it showed, once the control has laid out what is left.
    int firstVisible = Send(h, EM_GETFIRSTVISIBLELINE, 0, 0);
    POINT scroll{};
    SendMessageW(h, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
    CHARRANGE selection{};
    SendMessageW(h, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    {
        TRedrawOff quiet(h);
        CHARRANGE dropped{0, end};
        SendMessageW(h, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&dropped));
        {
            TUndoForDrop freed(h);
            SendMessageW(h, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
        }
        CHARRANGE shifted{std::max(selection.cpMin - end, 0L), std::max(selection.cpMax - end, 0L)};
        SendMessageW(h, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&shifted));
    }
    int wanted = std::max(firstVisible - first, 0);
    SendMessageW(h, EM_LINESCROLL, 0, wanted - Send(h, EM_GETFIRSTVISIBLELINE, 0, 0));
    POINT now{};
    SendMessageW(h, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&now));
    if (now.x != scroll.x) {
        POINT same{scroll.x, now.y};
        SendMessageW(h, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&same));
    }
    // Lines in view are the same as before and not painted again: a repaint of long HEX lines costs the rich edit
    // far more than the drop. Only a window that showed some of the dropped lines is painted anew.
    if (firstVisible < first)
        InvalidateRect(h, nullptr, TRUE);
    // The scroll bars tell the new length at once.
    SendMessageW(h, WM_NCPAINT, 1, 0);
    return end;
}
