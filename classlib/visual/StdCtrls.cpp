#include "StdCtrls.h"

#include "classlib/runtime/FormResources.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

void InitCommonControl(DWORD Classes) {
    static DWORD done = 0;
    if ((done & Classes) == Classes)
        return;
    INITCOMMONCONTROLSEX icc{sizeof icc, Classes};
    // Without it the window classes are missing and creating the control raises, naming the class.
    if (InitCommonControlsEx(&icc))
        done |= Classes;
}

namespace {

// The height of a line of the font, for controls whose height follows their font.
int FontLineHeight(TFont* font) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font->Handle());
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return tm.tmHeight;
}

std::wstring WindowTextW(HWND window) {
    int n = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    n = GetWindowTextW(window, text.data(), n + 1);
    text.resize(static_cast<size_t>(std::max(n, 0)));
    return text;
}

}  // namespace

// --- TCustomEdit ---

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
    FControlStyle = {csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks, csFixedHeight};
    SetBoundsFields(0, 0, 121, 21);
    FTabStop = true;
    SetColor(clWindow);
}

void TCustomEdit::CreateParams(TCreateParams& Params) {
    static const DWORD cases[] = {0, ES_UPPERCASE, ES_LOWERCASE};
    static const DWORD aligns[] = {ES_LEFT, ES_RIGHT, ES_CENTER};
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, "EDIT");
    Params.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL | cases[FCharCase] | aligns[FAlignment];
    if (!FHideSelection)
        Params.Style |= ES_NOHIDESEL;
    if (FReadOnly)
        Params.Style |= ES_READONLY;
    if (FPasswordChar)
        Params.Style |= ES_PASSWORD;
    if (FBorderStyle == bsSingle)
        Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomEdit::CreateWnd() {
    FCreating = true;
    try {
        TWinControl::CreateWnd();
    } catch (...) {
        FCreating = false;
        throw;
    }
    FCreating = false;
    // 0 takes the system's largest limit; a bare edit would stop at 30000 characters.
    SendMessageW(FHandle, EM_SETLIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
    SendMessageW(FHandle, EM_SETMODIFY, FModifiedSaved, 0);
    if (FPasswordChar)
        SendMessageW(FHandle, EM_SETPASSWORDCHAR, static_cast<unsigned char>(FPasswordChar), 0);
    AdjustHeight();
}

void TCustomEdit::AdjustHeight() {
    if (!FAutoSize || FBorderStyle != bsSingle || Loading())
        return;
    SetHeight(FontLineHeight(FFont.get()) + 8 * GetSystemMetrics(SM_CYBORDER));
}

void TCustomEdit::SetAutoSize(bool Value) {
    if (Value == FAutoSize)
        return;
    FAutoSize = Value;
    if (FHandle)
        AdjustHeight();
}

void TCustomEdit::SetBorderStyle(TBorderStyle Value) {
    if (Value == FBorderStyle)
        return;
    FBorderStyle = Value;
    RecreateWnd();
}

void TCustomEdit::SetCharCase(TEditCharCase Value) {
    if (Value == FCharCase)
        return;
    FCharCase = Value;
    RecreateWnd();
}

void TCustomEdit::SetHideSelection(bool Value) {
    if (Value == FHideSelection)
        return;
    FHideSelection = Value;
    RecreateWnd();
}

void TCustomEdit::SetMaxLength(int Value) {
    FMaxLength = std::max(Value, 0);
    if (FHandle)
        SendMessageW(FHandle, EM_SETLIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
}

bool TCustomEdit::Modified() const {
    return FHandle ? SendMessageW(FHandle, EM_GETMODIFY, 0, 0) != 0 : FModifiedSaved;
}

void TCustomEdit::SetModified(bool Value) {
    FModifiedSaved = Value;
    if (FHandle)
        SendMessageW(FHandle, EM_SETMODIFY, Value, 0);
}

void TCustomEdit::SetPasswordChar(char Value) {
    if (Value == FPasswordChar)
        return;
    bool styleChanges = (Value == 0) != (FPasswordChar == 0);
    FPasswordChar = Value;
    if (!FHandle)
        return;
    if (styleChanges)
        RecreateWnd();
    else
        SendMessageW(FHandle, EM_SETPASSWORDCHAR, static_cast<unsigned char>(Value), 0), Invalidate();
}

void TCustomEdit::SetReadOnly(bool Value) {
    FReadOnly = Value;
    if (FHandle)
        SendMessageW(FHandle, EM_SETREADONLY, Value, 0);
}

void TCustomEdit::SetAlignment(TAlignment Value) {
    if (Value == FAlignment)
        return;
    FAlignment = Value;
    RecreateWnd();
}

int TCustomEdit::SelStart() {
    DWORD start = 0, end = 0;
    SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(start);
}

void TCustomEdit::SetSelStart(int Value) { SendMessageW(Handle(), EM_SETSEL, Value, Value); }

int TCustomEdit::SelLength() {
    DWORD start = 0, end = 0;
    SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(end - start);
}

void TCustomEdit::SetSelLength(int Value) {
    DWORD start = 0, end = 0;
    SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    SendMessageW(FHandle, EM_SETSEL, start, static_cast<LPARAM>(start) + Value);
    SendMessageW(FHandle, EM_SCROLLCARET, 0, 0);
}

std::string TCustomEdit::SelText() {
    DWORD start = 0, end = 0;
    SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    std::wstring text = WindowTextW(FHandle);
    if (start > text.size())
        return std::string();
    return WideToAnsi(text.substr(start, std::min<size_t>(end, text.size()) - start));
}

void TCustomEdit::SetSelText(const std::string& Value) {
    std::wstring wide = AnsiToWide(Value);
    SendMessageW(Handle(), EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

void TCustomEdit::SelectAll() {
    if (FHandle)
        SendMessageW(FHandle, EM_SETSEL, 0, -1);
}

void TCustomEdit::ClearSelection() { SendMessageW(Handle(), WM_CLEAR, 0, 0); }
void TCustomEdit::Clear() { SetText(std::string()); }
void TCustomEdit::CopyToClipboard() { SendMessageW(Handle(), WM_COPY, 0, 0); }
void TCustomEdit::CutToClipboard() { SendMessageW(Handle(), WM_CUT, 0, 0); }
void TCustomEdit::PasteFromClipboard() { SendMessageW(Handle(), WM_PASTE, 0, 0); }
bool TCustomEdit::CanUndo() { return FHandle && SendMessageW(FHandle, EM_CANUNDO, 0, 0) != 0; }
void TCustomEdit::Undo() { SendMessageW(Handle(), WM_UNDO, 0, 0); }

void TCustomEdit::Change() {
    if (OnChange)
        OnChange(this);
}

void TCustomEdit::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CN_COMMAND:
        if (HIWORD(Message.WParam) == EN_CHANGE && !FCreating)
            Change();
        return;
    case CM_ENTER:
        if (FAutoSelect && !FControlState.Contains(csLButtonDown) &&
            !(GetWindowLongW(FHandle, GWL_STYLE) & ES_MULTILINE))
            SelectAll();
        break;
    case CM_FONTCHANGED:
        TWinControl::Dispatch(Message);
        if (FHandle)
            AdjustHeight();
        return;
    case WM_LBUTTONDOWN:
        FControlState.Include(csLButtonDown);
        TWinControl::Dispatch(Message);
        FControlState.Exclude(csLButtonDown);
        return;
    case WM_NCDESTROY:
        FModifiedSaved = SendMessageW(FHandle, EM_GETMODIFY, 0, 0) != 0;
        break;
    }
    TWinControl::Dispatch(Message);
}

// --- TCustomMemo and its lines ---

TCustomMemo::TCustomMemo(TComponent* AOwner) : TCustomEdit(AOwner), FLines(std::make_unique<TMemoStrings>(this)) {
    SetBoundsFields(0, 0, 185, 89);
    FAutoSize = false;
}

TCustomMemo::~TCustomMemo() = default;

void TCustomMemo::CreateParams(TCreateParams& Params) {
    TCustomEdit::CreateParams(Params);
    Params.Style |= ES_MULTILINE;
    if (FWordWrap)
        Params.Style &= ~ES_AUTOHSCROLL;
    if (FWantReturns)
        Params.Style |= ES_WANTRETURN;
    if (FScrollBars == ssVertical || FScrollBars == ssBoth)
        Params.Style |= WS_VSCROLL;
    if ((FScrollBars == ssHorizontal || FScrollBars == ssBoth) && !FWordWrap)
        Params.Style |= WS_HSCROLL;
}

void TCustomMemo::SetScrollBars(TScrollStyle Value) {
    if (Value == FScrollBars)
        return;
    FScrollBars = Value;
    RecreateWnd();
}

void TCustomMemo::SetWordWrap(bool Value) {
    if (Value == FWordWrap)
        return;
    FWordWrap = Value;
    RecreateWnd();
}

TPoint TCustomMemo::CaretPos() {
    DWORD start = 0, end = 0;
    SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    LONG line = static_cast<LONG>(SendMessageW(FHandle, EM_LINEFROMCHAR, end, 0));
    LONG first = static_cast<LONG>(SendMessageW(FHandle, EM_LINEINDEX, line, 0));
    return TPoint(static_cast<LONG>(end) - first, line);
}

void TCustomMemo::Dispatch(TMessage& Message) {
    if (Message.Msg == WM_GETDLGCODE) {
        TCustomEdit::Dispatch(Message);
        if (FWantTabs)
            Message.Result |= DLGC_WANTTAB;
        else
            Message.Result &= ~DLGC_WANTTAB;
        if (!FWantReturns)
            Message.Result &= ~DLGC_WANTALLKEYS;
        return;
    }
    TCustomEdit::Dispatch(Message);
}

namespace {

// The lines of a text as the memo counts them, and whether the text ends with a line break (or is empty, where
// the next line starts at once).
struct TTextLines {
    std::vector<std::string> Lines;
    bool Ended = true;
    explicit TTextLines(const std::string& text) {
        ForEachLine(text, [&](std::string_view line) { Lines.emplace_back(line); });
        Ended = text.empty() || text.back() == '\r' || text.back() == '\n';
    }
    std::string Text() const {
        std::string out;
        for (size_t i = 0; i < Lines.size(); ++i) {
            if (i)
                out += "\r\n";
            out += Lines[i];
        }
        if (Ended && !Lines.empty())
            out += "\r\n";
        return out;
    }
};

}  // namespace

HWND TMemoStrings::Window() const { return FMemo->HandleAllocated() ? FMemo->Handle() : nullptr; }

int TMemoStrings::GetCount() const {
    HWND w = Window();
    if (!w)
        return static_cast<int>(TTextLines(FMemo->Text()).Lines.size());
    int n = static_cast<int>(SendMessageW(w, EM_GETLINECOUNT, 0, 0));
    if (n > 0 && SendMessageW(w, EM_LINELENGTH, SendMessageW(w, EM_LINEINDEX, n - 1, 0), 0) == 0)
        --n;
    return n;
}

std::string TMemoStrings::Get(int Index) const {
    if (Index < 0 || Index >= GetCount())
        Error("List index out of bounds (%d)", Index);
    HWND w = Window();
    if (!w)
        return TTextLines(FMemo->Text()).Lines[static_cast<size_t>(Index)];
    LRESULT first = SendMessageW(w, EM_LINEINDEX, Index, 0);
    int length = static_cast<int>(SendMessageW(w, EM_LINELENGTH, first, 0));
    // EM_GETLINE takes the buffer's size in its first word and does not end the text.
    std::wstring line(static_cast<size_t>(std::max(length, 1)) + 1, L'\0');
    *reinterpret_cast<WORD*>(line.data()) = static_cast<WORD>(std::min(length + 1, 0xFFFF));
    int got = static_cast<int>(SendMessageW(w, EM_GETLINE, Index, reinterpret_cast<LPARAM>(line.data())));
    line.resize(static_cast<size_t>(std::clamp(got, 0, length)));
    return WideToAnsi(line);
}

void TMemoStrings::Put(int Index, const std::string& S) {
    HWND w = Window();
    if (!w) {
        TTextLines t(FMemo->Text());
        if (Index < 0 || Index >= static_cast<int>(t.Lines.size()))
            Error("List index out of bounds (%d)", Index);
        t.Lines[static_cast<size_t>(Index)] = S;
        FMemo->SetText(t.Text());
        return;
    }
    LRESULT start = SendMessageW(w, EM_LINEINDEX, Index, 0);
    if (start < 0)
        Error("List index out of bounds (%d)", Index);
    SendMessageW(w, EM_SETSEL, start, start + SendMessageW(w, EM_LINELENGTH, start, 0));
    std::wstring wide = AnsiToWide(S);
    SendMessageW(w, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

void TMemoStrings::Insert(int Index, const std::string& S) {
    if (Index < 0 || Index > GetCount())
        Error("List index out of bounds (%d)", Index);
    HWND w = Window();
    if (!w) {
        TTextLines t(FMemo->Text());
        t.Lines.insert(t.Lines.begin() + Index, S);
        if (Index == static_cast<int>(t.Lines.size()) - 1 && t.Lines.size() == 1)
            t.Ended = true;
        FMemo->SetText(t.Text());
        return;
    }
    LRESULT start = SendMessageW(w, EM_LINEINDEX, Index, 0);
    std::string line;
    if (start >= 0) {
        line = S + "\r\n";
    } else {
        // After the last line, which has no line break yet.
        start = SendMessageW(w, EM_LINEINDEX, Index - 1, 0);
        if (start < 0)
            return;
        LRESULT length = SendMessageW(w, EM_LINELENGTH, start, 0);
        start += length;
        line = "\r\n" + S;
    }
    SendMessageW(w, EM_SETSEL, start, start);
    std::wstring wide = AnsiToWide(line);
    SendMessageW(w, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

void TMemoStrings::Delete(int Index) {
    if (Index < 0 || Index >= GetCount())
        Error("List index out of bounds (%d)", Index);
    HWND w = Window();
    if (!w) {
        TTextLines t(FMemo->Text());
        t.Lines.erase(t.Lines.begin() + Index);
        FMemo->SetText(t.Text());
        return;
    }
    LRESULT start = SendMessageW(w, EM_LINEINDEX, Index, 0);
    LRESULT end = SendMessageW(w, EM_LINEINDEX, Index + 1, 0);
    if (end < 0)
        end = start + SendMessageW(w, EM_LINELENGTH, start, 0);
    SendMessageW(w, EM_SETSEL, start, end);
    SendMessageW(w, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(L""));
}

void TMemoStrings::Clear() { FMemo->Clear(); }

std::string TMemoStrings::GetTextStr() const { return FMemo->Text(); }

void TMemoStrings::SetTextStr(const std::string& Value) { FMemo->SetText(Value); }

void TMemoStrings::SetUpdateState(bool Updating) {
    if (HWND w = Window()) {
        SendMessageW(w, WM_SETREDRAW, !Updating, 0);
        if (!Updating)
            FMemo->Refresh();
    }
}

// --- items of combo and list boxes ---

TItemStrings::TItemStrings(TItemListControl* Control, const TMessages& Messages)
    : FControl(Control), FMessages(Messages), FSaved(std::make_unique<TStringList>()) {}

HWND TItemStrings::Window() const { return FControl->HandleAllocated() ? FControl->Handle() : nullptr; }

void TItemStrings::Check(LRESULT result) const {
    if (result == FMessages.ErrorSpace)
        throw EOutOfResources("Not enough room for another item in " + FControl->Name());
    if (result == FMessages.Error)
        throw EStringListError("The item cannot be added to " + FControl->Name());
}

int TItemStrings::GetCount() const {
    HWND w = Window();
    return w ? static_cast<int>(SendMessageW(w, FMessages.Count, 0, 0)) : FSaved->Count();
}

std::string TItemStrings::Get(int Index) const {
    HWND w = Window();
    if (!w)
        return FSaved->Strings(Index);
    LRESULT length = SendMessageW(w, FMessages.TextLen, Index, 0);
    if (length == FMessages.Error)
        Error("List index out of bounds (%d)", Index);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT got = SendMessageW(w, FMessages.Text, Index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(std::clamp<LRESULT>(got, 0, length)));
    return WideToAnsi(text);
}

TObject* TItemStrings::GetObject(int Index) const {
    HWND w = Window();
    if (!w)
        return FSaved->Objects(Index);
    LRESULT data = SendMessageW(w, FMessages.GetData, Index, 0);
    if (data == FMessages.Error)
        Error("List index out of bounds (%d)", Index);
    return reinterpret_cast<TObject*>(data);
}

void TItemStrings::PutObject(int Index, TObject* AObject) {
    HWND w = Window();
    if (!w) {
        FSaved->SetObjects(Index, AObject);
        return;
    }
    if (SendMessageW(w, FMessages.SetData, Index, reinterpret_cast<LPARAM>(AObject)) == FMessages.Error)
        Error("List index out of bounds (%d)", Index);
}

int TItemStrings::Add(const std::string& S) {
    HWND w = Window();
    if (!w)
        return FSaved->Add(S);
    std::wstring wide = AnsiToWide(S);
    LRESULT index = SendMessageW(w, FMessages.Add, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    Check(index);
    return static_cast<int>(index);
}

void TItemStrings::Insert(int Index, const std::string& S) {
    HWND w = Window();
    if (!w) {
        FSaved->Insert(Index, S);
        return;
    }
    if (Index < 0 || Index > GetCount())
        Error("List index out of bounds (%d)", Index);
    std::wstring wide = AnsiToWide(S);
    Check(SendMessageW(w, FMessages.Insert, Index, reinterpret_cast<LPARAM>(wide.c_str())));
}

void TItemStrings::Delete(int Index) {
    HWND w = Window();
    if (!w) {
        FSaved->Delete(Index);
        return;
    }
    if (SendMessageW(w, FMessages.Delete, Index, 0) == FMessages.Error)
        Error("List index out of bounds (%d)", Index);
}

void TItemStrings::Clear() {
    if (HWND w = Window())
        SendMessageW(w, FMessages.Reset, 0, 0);
    else
        FSaved->Clear();
}

void TItemStrings::SetUpdateState(bool Updating) {
    if (HWND w = Window()) {
        SendMessageW(w, WM_SETREDRAW, !Updating, 0);
        if (!Updating)
            InvalidateRect(w, nullptr, TRUE);
    }
}

TItemListControl::TItemListControl(TComponent* AOwner, const TItemStrings::TMessages& Messages)
    : TWinControl(AOwner), FItems(std::make_unique<TItemStrings>(this, Messages)) {}

TItemListControl::~TItemListControl() = default;

void TItemListControl::SetSorted(bool Value) {
    if (Value == FSorted)
        return;
    FSorted = Value;
    FItems->Saved()->SetSorted(Value);
    RecreateWnd();
}

void TItemListControl::SetItemHeight(int Value) {
    if (Value < 1 || Value == FItemHeight)
        return;
    FItemHeight = Value;
    RecreateWnd();
}

void TItemListControl::CreateWnd() {
    TWinControl::CreateWnd();
    // The items kept while there was no window go into the new one.
    TStringList* saved = FItems->Saved();
    if (saved->Count() > 0) {
        std::vector<std::pair<std::string, TObject*>> items;
        for (int i = 0; i < saved->Count(); ++i)
            items.emplace_back(saved->Strings(i), saved->Objects(i));
        saved->Clear();
        TStringsUpdateScope update(*FItems);
        for (auto& [text, object] : items)
            FItems->AddObject(text, object);
    }
    if (FSavedIndex >= 0)
        SetItemIndex(FSavedIndex);
}

void TItemListControl::DestroyWnd() {
    if (FHandle) {
        std::vector<std::pair<std::string, TObject*>> items;
        for (int i = 0; i < FItems->Count(); ++i)
            items.emplace_back(FItems->Strings(i), FItems->Objects(i));
        FSavedIndex = ItemIndex();
        TStringList* saved = FItems->Saved();
        saved->Clear();
        for (auto& [text, object] : items)
            saved->AddObject(text, object);
    }
    TWinControl::DestroyWnd();
}

void TItemListControl::DrawItem(int Index, TRect Rect, TOwnerDrawState State) {
    if (OnDrawItem) {
        OnDrawItem(this, Index, Rect, State);
        return;
    }
    FCanvas.FillRect(Rect);
    if (Index >= 0 && Index < FItems->Count()) {
        TRect r(Rect.left + 2, Rect.top, Rect.right, Rect.bottom);
        DrawTextOn(&FCanvas, FItems->Strings(Index), r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
}

void TItemListControl::MeasureItem(int Index, int& Height) {
    if (OnMeasureItem)
        OnMeasureItem(this, Index, Height);
}

void TItemListControl::CNDrawItem(TMessage& Message) {
    auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
    TOwnerDrawState state = TOwnerDrawState::FromBits(dis->itemState & 0xFFFF);
    int saved = SaveDC(dis->hDC);
    FCanvas.SetHandle(dis->hDC);
    try {
        FCanvas.Font()->Assign(FFont.get());
        FCanvas.Brush()->Assign(FBrush.get());
        if (state.Contains(odSelected)) {
            FCanvas.Brush()->SetColor(clHighlight);
            FCanvas.Font()->SetColor(clHighlightText);
        }
        if (static_cast<int>(dis->itemID) >= 0)
            DrawItem(static_cast<int>(dis->itemID), dis->rcItem, state);
        else
            FCanvas.FillRect(dis->rcItem);
        if (state.Contains(odFocused))
            FCanvas.DrawFocusRect(dis->rcItem);
    } catch (...) {
        FCanvas.SetHandle(nullptr);
        RestoreDC(dis->hDC, saved);
        throw;
    }
    FCanvas.SetHandle(nullptr);
    RestoreDC(dis->hDC, saved);
    Message.Result = 1;
}

void TItemListControl::CNMeasureItem(TMessage& Message) {
    auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
    int height = FItemHeight;
    MeasureItem(static_cast<int>(mis->itemID), height);
    mis->itemHeight = static_cast<UINT>(std::max(height, 1));
    Message.Result = 1;
}

// --- TCustomComboBox ---

namespace {

const TItemStrings::TMessages ComboMessages = {CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT, CB_ADDSTRING,
                                               CB_INSERTSTRING, CB_DELETESTRING, CB_RESETCONTENT, CB_GETITEMDATA,
                                               CB_SETITEMDATA, CB_ERR, CB_ERRSPACE};
const TItemStrings::TMessages ListMessages = {LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT, LB_ADDSTRING,
                                              LB_INSERTSTRING, LB_DELETESTRING, LB_RESETCONTENT, LB_GETITEMDATA,
                                              LB_SETITEMDATA, LB_ERR, LB_ERRSPACE};

const wchar_t* const ComboEditProperty = L"BrimletComboBox";

}  // namespace

LRESULT CALLBACK ComboEditProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* combo = static_cast<TCustomComboBox*>(GetPropW(window, ComboEditProperty));
    if (!combo)
        return DefWindowProcW(window, msg, wParam, lParam);
    TMessage m{msg, wParam, lParam, 0};
    try {
        combo->EditWndProc(window, m);
    } catch (...) {
        if (TApplication* app = Application)
            app->HandleException(combo);
        else
            HandleCurrentException();
    }
    return m.Result;
}

TCustomComboBox::TCustomComboBox(TComponent* AOwner) : TItemListControl(AOwner, ComboMessages) {
    FControlStyle = {csCaptureMouse, csSetCaption, csDoubleClicks, csFixedHeight};
    SetBoundsFields(0, 0, 145, 21);
    FTabStop = true;
    SetColor(clWindow);
}

TCustomComboBox::~TCustomComboBox() = default;

void TCustomComboBox::CreateParams(TCreateParams& Params) {
    static const DWORD styles[] = {CBS_DROPDOWN, CBS_SIMPLE, CBS_DROPDOWNLIST,
                                   CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED, CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE};
    static const DWORD cases[] = {0, CBS_UPPERCASE, CBS_LOWERCASE};
    TItemListControl::CreateParams(Params);
    CreateSubClass(Params, "COMBOBOX");
    Params.Style |= WS_VSCROLL | CBS_AUTOHSCROLL | styles[FStyle] | cases[FCharCase];
    if (FStyle >= csOwnerDrawFixed)
        Params.Style |= CBS_HASSTRINGS;
    if (FSorted)
        Params.Style |= CBS_SORT;
    Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TCustomComboBox::CreateWnd() {
    // The text goes in after the items: a combo box takes no text at its creation.
    std::string text = FText;
    TItemListControl::CreateWnd();
    SendMessageW(FHandle, CB_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
    SendMessageW(FHandle, CB_SETMINVISIBLE, static_cast<WPARAM>(FDropDownCount), 0);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (GetComboBoxInfo(FHandle, &info)) {
        FListHandle = info.hwndList;
        FEditHandle = (FStyle == csDropDown || FStyle == csSimple) ? info.hwndItem : nullptr;
    }
    HookEdit();
    if (FSavedIndex < 0 && !text.empty() && (FStyle == csDropDown || FStyle == csSimple))
        SetWindowTextW(FHandle, AnsiToWide(text).c_str());
}

void TCustomComboBox::DestroyWindowHandle() {
    UnhookEdit();
    FListHandle = nullptr;
    TItemListControl::DestroyWindowHandle();
}

void TCustomComboBox::HookEdit() {
    if (!FEditHandle)
        return;
    SetPropW(FEditHandle, ComboEditProperty, this);
    // Through WNDPROC first: the cast to a number would take a procedure of the wrong calling convention too.
    constexpr WNDPROC editProc = ComboEditProc;
    FEditDefProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(FEditHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editProc)));
}

void TCustomComboBox::UnhookEdit() {
    if (!FEditHandle)
        return;
    if (FEditDefProc && IsWindow(FEditHandle))
        SetWindowLongPtrW(FEditHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FEditDefProc));
    RemovePropW(FEditHandle, ComboEditProperty);
    FEditHandle = nullptr;
    FEditDefProc = nullptr;
}

void TCustomComboBox::EditWndProc(HWND Window, TMessage& Message) {
    auto callDefault = [&] {
        Message.Result = CallWindowProcW(FEditDefProc, Window, Message.Msg, Message.WParam, Message.LParam);
    };
    switch (Message.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (DoKeyDown(Message))
            return;
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        if (DoKeyUp(Message))
            return;
        break;
    case WM_CHAR:
        if (DoKeyPress(Message))
            return;
        break;
    case WM_SETFOCUS:
        if (TCustomForm* form = GetParentForm(this); form && !form->SetFocusedControl(this))
            return;
        break;
    case WM_KILLFOCUS:
        if (FControlState.Contains(csFocusing))
            return;
        break;
    case WM_LBUTTONDBLCLK:
        callDefault();
        if (FControlStyle.Contains(csDoubleClicks))
            DblClick();
        return;
    case WM_NCDESTROY: {
        WNDPROC old = FEditDefProc;
        RemovePropW(Window, ComboEditProperty);
        SetWindowLongPtrW(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
        FEditHandle = nullptr;
        FEditDefProc = nullptr;
        Message.Result = CallWindowProcW(old, Window, Message.Msg, Message.WParam, Message.LParam);
        return;
    }
    }
    callDefault();
}

bool TCustomComboBox::Focused() const {
    HWND focus = GetFocus();
    return focus && (focus == FHandle || (FEditHandle && focus == FEditHandle));
}

void TCustomComboBox::SetStyle(TComboBoxStyle Value) {
    if (Value == FStyle)
        return;
    FStyle = Value;
    RecreateWnd();
}

int TCustomComboBox::ItemIndex() const {
    return FHandle ? static_cast<int>(SendMessageW(FHandle, CB_GETCURSEL, 0, 0)) : FSavedIndex;
}

void TCustomComboBox::SetItemIndex(int Value) {
    if (!FHandle) {
        FSavedIndex = Value;
        return;
    }
    if (Value < -1 || Value >= FItems->Count())
        throw EListError("List index out of bounds (" + IntToStr(Value) + ")");
    SendMessageW(FHandle, CB_SETCURSEL, static_cast<WPARAM>(Value), 0);
}

void TCustomComboBox::SetDropDownCount(int Value) {
    FDropDownCount = std::max(Value, 1);
    if (FHandle)
        SendMessageW(FHandle, CB_SETMINVISIBLE, static_cast<WPARAM>(FDropDownCount), 0);
}

void TCustomComboBox::SetMaxLength(int Value) {
    FMaxLength = std::max(Value, 0);
    if (FHandle)
        SendMessageW(FHandle, CB_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
}

void TCustomComboBox::SetCharCase(TEditCharCase Value) {
    if (Value == FCharCase)
        return;
    FCharCase = Value;
    RecreateWnd();
}

bool TCustomComboBox::DroppedDown() { return FHandle && SendMessageW(FHandle, CB_GETDROPPEDSTATE, 0, 0) != 0; }

void TCustomComboBox::SetDroppedDown(bool Value) { SendMessageW(Handle(), CB_SHOWDROPDOWN, Value, 0); }

int TCustomComboBox::SelStart() {
    DWORD start = 0, end = 0;
    SendMessageW(Handle(), CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(start);
}

void TCustomComboBox::SetSelStart(int Value) {
    SendMessageW(Handle(), CB_SETEDITSEL, 0, MAKELPARAM(Value, Value));
}

int TCustomComboBox::SelLength() {
    DWORD start = 0, end = 0;
    SendMessageW(Handle(), CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(end - start);
}

void TCustomComboBox::SetSelLength(int Value) {
    DWORD start = 0, end = 0;
    SendMessageW(Handle(), CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    SendMessageW(FHandle, CB_SETEDITSEL, 0, MAKELPARAM(start, start + static_cast<DWORD>(Value)));
}

std::string TCustomComboBox::SelText() {
    DWORD start = 0, end = 0;
    SendMessageW(Handle(), CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    std::wstring text = WindowTextW(FHandle);
    if (start > text.size())
        return std::string();
    return WideToAnsi(text.substr(start, std::min<size_t>(end, text.size()) - start));
}

void TCustomComboBox::SetSelText(const std::string& Value) {
    HandleNeeded();
    if (!FEditHandle)
        return;
    std::wstring wide = AnsiToWide(Value);
    SendMessageW(FEditHandle, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

void TCustomComboBox::SelectAll() { SendMessageW(Handle(), CB_SETEDITSEL, 0, MAKELPARAM(0, -1)); }

void TCustomComboBox::Change() {
    if (OnChange)
        OnChange(this);
}

void TCustomComboBox::Select() {
    if (OnSelect)
        OnSelect(this);
    else
        Change();
}

void TCustomComboBox::AdjustDropDown() {
    if (FStyle == csSimple || !FHandle)
        return;
    // The list opens as tall as the window was made: the window is made as tall as DropDownCount items first.
    int count = std::clamp(FItems->Count(), 1, FDropDownCount);
    int itemHeight = static_cast<int>(SendMessageW(FHandle, CB_GETITEMHEIGHT, 0, 0));
    SetWindowPos(FHandle, nullptr, 0, 0, FWidth, itemHeight * count + FHeight + 2,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
}

void TCustomComboBox::DropDown() {
    if (OnDropDown)
        OnDropDown(this);
}

void TCustomComboBox::CloseUp() {
    if (OnCloseUp)
        OnCloseUp(this);
}

void TCustomComboBox::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CN_COMMAND:
        switch (HIWORD(Message.WParam)) {
        case CBN_DBLCLK:
            DblClick();
            break;
        case CBN_EDITCHANGE:
            Change();
            break;
        case CBN_DROPDOWN:
            DropDown();
            AdjustDropDown();
            break;
        case CBN_SELCHANGE:
            // The edit shows the chosen item only after this notice; the handlers must see it already.
            if ((FStyle == csDropDown || FStyle == csSimple) && ItemIndex() >= 0)
                SetText(FItems->Strings(ItemIndex()));
            Click();
            Select();
            break;
        case CBN_CLOSEUP:
            CloseUp();
            break;
        }
        return;
    case CN_DRAWITEM:
        CNDrawItem(Message);
        return;
    case CN_MEASUREITEM:
        CNMeasureItem(Message);
        return;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
        // The edit and the list inside take the combo box's colours.
        CNCtlColor(Message);
        return;
    }
    TItemListControl::Dispatch(Message);
}

// --- TCustomListBox ---

TCustomListBox::TCustomListBox(TComponent* AOwner) : TItemListControl(AOwner, ListMessages) {
    FControlStyle = {csSetCaption, csDoubleClicks, csOpaque};
    SetBoundsFields(0, 0, 121, 97);
    FTabStop = true;
    SetColor(clWindow);
}

void TCustomListBox::CreateParams(TCreateParams& Params) {
    static const DWORD styles[] = {0, LBS_OWNERDRAWFIXED, LBS_OWNERDRAWVARIABLE};
    TItemListControl::CreateParams(Params);
    CreateSubClass(Params, "LISTBOX");
    Params.Style |= WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_HASSTRINGS | styles[FStyle];
    if (!FIntegralHeight)
        Params.Style |= LBS_NOINTEGRALHEIGHT;
    if (FSorted)
        Params.Style |= LBS_SORT;
    if (FMultiSelect)
        Params.Style |= LBS_EXTENDEDSEL;
    if (FBorderStyle == bsSingle)
        Params.ExStyle |= WS_EX_CLIENTEDGE;
    Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

int TCustomListBox::ItemIndex() const {
    if (!FHandle)
        return FSavedIndex;
    return static_cast<int>(SendMessageW(FHandle, FMultiSelect ? LB_GETCARETINDEX : LB_GETCURSEL, 0, 0));
}

void TCustomListBox::SetItemIndex(int Value) {
    if (!FHandle) {
        FSavedIndex = Value;
        return;
    }
    if (Value < -1 || Value >= FItems->Count())
        throw EListError("List index out of bounds (" + IntToStr(Value) + ")");
    if (FMultiSelect) {
        SendMessageW(FHandle, LB_SETSEL, FALSE, -1);
        if (Value >= 0) {
            SendMessageW(FHandle, LB_SETSEL, TRUE, Value);
            SendMessageW(FHandle, LB_SETCARETINDEX, static_cast<WPARAM>(Value), FALSE);
        }
    } else {
        SendMessageW(FHandle, LB_SETCURSEL, static_cast<WPARAM>(Value), 0);
    }
}

void TCustomListBox::SetMultiSelect(bool Value) {
    if (Value == FMultiSelect)
        return;
    FMultiSelect = Value;
    RecreateWnd();
}

bool TCustomListBox::Selected(int Index) const {
    if (!FHandle)
        return Index == FSavedIndex;
    LRESULT r = SendMessageW(FHandle, LB_GETSEL, static_cast<WPARAM>(Index), 0);
    if (r == LB_ERR)
        throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
    return r != 0;
}

void TCustomListBox::SetSelected(int Index, bool Value) {
    HWND h = const_cast<TCustomListBox*>(this)->Handle();
    if (Index < 0 || Index >= FItems->Count())
        throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
    if (FMultiSelect)
        SendMessageW(h, LB_SETSEL, Value, Index);
    else if (Value)
        SendMessageW(h, LB_SETCURSEL, static_cast<WPARAM>(Index), 0);
    else if (ItemIndex() == Index)
        SendMessageW(h, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

int TCustomListBox::SelCount() const {
    if (!FHandle)
        return FSavedIndex >= 0 ? 1 : 0;
    if (!FMultiSelect)
        return ItemIndex() >= 0 ? 1 : 0;
    return static_cast<int>(SendMessageW(FHandle, LB_GETSELCOUNT, 0, 0));
}

void TCustomListBox::SetStyle(TListBoxStyle Value) {
    if (Value == FStyle)
        return;
    FStyle = Value;
    RecreateWnd();
}

void TCustomListBox::SetBorderStyle(TBorderStyle Value) {
    if (Value == FBorderStyle)
        return;
    FBorderStyle = Value;
    RecreateWnd();
}

void TCustomListBox::SetIntegralHeight(bool Value) {
    if (Value == FIntegralHeight)
        return;
    FIntegralHeight = Value;
    RecreateWnd();
}

int TCustomListBox::TopIndex() const {
    return FHandle ? static_cast<int>(SendMessageW(FHandle, LB_GETTOPINDEX, 0, 0)) : 0;
}

void TCustomListBox::SetTopIndex(int Value) {
    SendMessageW(const_cast<TCustomListBox*>(this)->Handle(), LB_SETTOPINDEX, static_cast<WPARAM>(Value), 0);
}

int TCustomListBox::ItemAtPos(TPoint Pos, bool Existing) const {
    if (!FHandle)
        return -1;
    int count = FItems->Count();
    for (int i = TopIndex(); i < count; ++i) {
        TRect r = ItemRect(i);
        if (r.top > Pos.y)
            break;
        if (r.Contains(Pos))
            return i;
    }
    return Existing ? -1 : count;
}

TRect TCustomListBox::ItemRect(int Index) const {
    TRect r;
    if (FHandle && SendMessageW(FHandle, LB_GETITEMRECT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&r)) ==
                       LB_ERR)
        return TRect();
    return r;
}

void TCustomListBox::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CN_COMMAND:
        switch (HIWORD(Message.WParam)) {
        case LBN_SELCHANGE:
            Click();
            break;
        case LBN_DBLCLK:
            DblClick();
            break;
        }
        return;
    case CN_DRAWITEM:
        CNDrawItem(Message);
        return;
    case CN_MEASUREITEM:
        CNMeasureItem(Message);
        return;
    }
    TItemListControl::Dispatch(Message);
}

// --- buttons ---

TButtonControl::TButtonControl(TComponent* AOwner) : TWinControl(AOwner) {
    FControlStyle = {csSetCaption, csDoubleClicks};
    FTabStop = true;
}

void TButtonControl::Dispatch(TMessage& Message) {
    if (Message.Msg == CN_COMMAND) {
        if (HIWORD(Message.WParam) == BN_CLICKED)
            ButtonClicked();
        else if (HIWORD(Message.WParam) == BN_DOUBLECLICKED)
            DblClick();
        return;
    }
    if (Message.Msg == CN_CTLCOLORBTN || Message.Msg == CN_CTLCOLORSTATIC) {
        // Buttons sit on their parent's colour.
        HDC dc = reinterpret_cast<HDC>(Message.WParam);
        SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(FFont->Color())));
        SetBkColor(dc, static_cast<COLORREF>(ColorToRGB(FBrush->Color())));
        Message.Result = reinterpret_cast<LRESULT>(FBrush->Handle());
        return;
    }
    TWinControl::Dispatch(Message);
}

TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner) {
    SetBoundsFields(0, 0, 75, 25);
    SetColor(clBtnFace);
}

void TButton::CreateParams(TCreateParams& Params) {
    TButtonControl::CreateParams(Params);
    CreateSubClass(Params, "BUTTON");
    Params.Style |= (FActive || FDefault) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetButtonStyle(bool ADefault) {
    if (!FHandle)
        return;
    LONG style = ADefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    if ((GetWindowLongW(FHandle, GWL_STYLE) & 0xF) != style)
        SendMessageW(FHandle, BM_SETSTYLE, static_cast<WPARAM>(style), TRUE);
}

void TButton::SetDefault(bool Value) {
    if (Value == FDefault)
        return;
    FDefault = Value;
    TCustomForm* form = GetParentForm(this);
    TWinControl* focused = form ? form->ActiveControl() : nullptr;
    // The focused button stays the one Enter presses; otherwise it is the default.
    if (!dynamic_cast<TButton*>(focused)) {
        FActive = Value;
        SetButtonStyle(Value);
    }
}

void TButton::Click() {
    if (TCustomForm* form = GetParentForm(this))
        form->SetModalResult(FModalResult);
    TButtonControl::Click();
}

void TButton::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_DIALOGKEY:
        if (((Message.WParam == VK_RETURN && FActive) || (Message.WParam == VK_ESCAPE && FCancel)) &&
            !(Message.LParam & 0x20000000) && CanFocus()) {
            Click();
            Message.Result = 1;
            return;
        }
        TButtonControl::Dispatch(Message);
        return;
    case CM_FOCUSCHANGED: {
        auto* focused = reinterpret_cast<TWinControl*>(Message.LParam);
        FActive = dynamic_cast<TButton*>(focused) ? focused == this : FDefault;
        SetButtonStyle(FActive);
        TButtonControl::Dispatch(Message);
        return;
    }
    }
    TButtonControl::Dispatch(Message);
}

TCustomCheckBox::TCustomCheckBox(TComponent* AOwner) : TButtonControl(AOwner) {
    SetBoundsFields(0, 0, 97, 17);
}

void TCustomCheckBox::CreateParams(TCreateParams& Params) {
    TButtonControl::CreateParams(Params);
    CreateSubClass(Params, "BUTTON");
    // Not an automatic box: the control decides the next state (three of them with AllowGrayed).
    Params.Style |= BS_3STATE;
    if (FAlignment == lrLeft)
        Params.Style |= BS_LEFTTEXT;
}

void TCustomCheckBox::CreateWnd() {
    TButtonControl::CreateWnd();
    SendMessageW(FHandle, BM_SETCHECK, static_cast<WPARAM>(FState), 0);
}

void TCustomCheckBox::SetState(TCheckBoxState Value) {
    if (Value == FState)
        return;
    FState = Value;
    if (FHandle)
        SendMessageW(FHandle, BM_SETCHECK, static_cast<WPARAM>(FState), 0);
    if (!FClicksDisabled)
        Click();
}

void TCustomCheckBox::Toggle() {
    switch (FState) {
    case cbUnchecked:
        SetState(FAllowGrayed ? cbGrayed : cbChecked);
        break;
    case cbChecked:
        SetState(cbUnchecked);
        break;
    case cbGrayed:
        SetState(cbChecked);
        break;
    }
}

void TCustomCheckBox::SetAlignment(TLeftRight Value) {
    if (Value == FAlignment)
        return;
    FAlignment = Value;
    RecreateWnd();
}

TRadioButton::TRadioButton(TComponent* AOwner) : TButtonControl(AOwner) { SetBoundsFields(0, 0, 113, 17); }

void TRadioButton::CreateParams(TCreateParams& Params) {
    TButtonControl::CreateParams(Params);
    CreateSubClass(Params, "BUTTON");
    Params.Style |= BS_RADIOBUTTON;
    if (FAlignment == lrLeft)
        Params.Style |= BS_LEFTTEXT;
}

void TRadioButton::CreateWnd() {
    TButtonControl::CreateWnd();
    SendMessageW(FHandle, BM_SETCHECK, FChecked, 0);
}

void TRadioButton::SetChecked(bool Value) {
    if (Value == FChecked)
        return;
    FChecked = Value;
    SetTabStop(Value);
    if (FHandle)
        SendMessageW(FHandle, BM_SETCHECK, Value, 0);
    if (!Value)
        return;
    if (FParent)
        for (int i = 0; i < FParent->ControlCount(); ++i)
            if (auto* sibling = dynamic_cast<TRadioButton*>(FParent->Controls(i)); sibling && sibling != this)
                sibling->SetChecked(false);
    if (!FClicksDisabled)
        Click();
}

void TRadioButton::SetAlignment(TLeftRight Value) {
    if (Value == FAlignment)
        return;
    FAlignment = Value;
    RecreateWnd();
}

// --- TCustomGroupBox ---

TCustomGroupBox::TCustomGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
    FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    SetBoundsFields(0, 0, 185, 105);
}

void TCustomGroupBox::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TCustomGroupBox::AdjustClientRect(TRect& Rect) {
    TCustomControl::AdjustClientRect(Rect);
    Rect.top += FontLineHeight(FFont.get());
    InflateRect(&Rect, -2, -2);
}

void TCustomGroupBox::Paint() {
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(FFont.get());
    int h = canvas->TextHeight("0");
    TRect frame(0, h / 2 - 1, FWidth, FHeight);
    HDC dc = canvas->Handle();
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    std::string caption = Text();
    if (caption.empty())
        return;
    TRect r(8, 0, 0, h);
    DrawTextOn(canvas, caption, r, DT_CALCRECT | DT_LEFT | DT_SINGLELINE);
    canvas->Brush()->SetColor(FColor);
    canvas->FillRect(TRect(r.left - 1, r.top, r.right + 1, r.bottom));
    if (!FEnabled)
        canvas->Font()->SetColor(clGrayText);
    DrawTextOn(canvas, caption, r, DT_LEFT | DT_SINGLELINE);
}

void TCustomGroupBox::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_TEXTCHANGED:
        Invalidate();
        break;
    case CM_FONTCHANGED:
        TCustomControl::Dispatch(Message);
        Realign();
        return;
    case CM_DIALOGCHAR:
        if (IsAccel(static_cast<WORD>(Message.WParam), Text()) && CanFocus()) {
            if (TWinControl* next = FindNextControl(nullptr, true, true, false)) {
                next->SetFocus();
                Message.Result = 1;
                return;
            }
        }
        break;
    }
    TCustomControl::Dispatch(Message);
}

// --- TCustomLabel ---

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
    FControlStyle = FControlStyle + TControlStyle{csReplicatable, csOpaque};
    SetBoundsFields(0, 0, 65, 17);
}

UINT TCustomLabel::TextFlags() const {
    static const UINT aligns[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    UINT flags = DT_EXPANDTABS | aligns[FAlignment];
    flags |= FWordWrap ? DT_WORDBREAK : DT_SINGLELINE;
    if (!FShowAccelChar)
        flags |= DT_NOPREFIX;
    return flags;
}

void TCustomLabel::DoDrawText(TCanvas* ACanvas, TRect& Rect, UINT Flags) {
    std::string text = Text();
    // An empty caption still takes a line's height.
    if ((Flags & DT_CALCRECT) && (text.empty() || (FShowAccelChar && text == "&")))
        text += ' ';
    ACanvas->Font()->Assign(FFont.get());
    if (FEnabled || (Flags & DT_CALCRECT)) {
        DrawTextOn(ACanvas, text, Rect, Flags);
        return;
    }
    TRect shifted = Rect;
    OffsetRect(&shifted, 1, 1);
    ACanvas->Font()->SetColor(clBtnHighlight);
    DrawTextOn(ACanvas, text, shifted, Flags);
    ACanvas->Font()->SetColor(clBtnShadow);
    DrawTextOn(ACanvas, text, Rect, Flags);
}

void TCustomLabel::Paint() {
    TCanvas* canvas = Canvas();
    TRect r(0, 0, FWidth, FHeight);
    if (!FTransparent) {
        canvas->Brush()->SetColor(FColor);
        canvas->Brush()->SetStyle(bsSolid);
        canvas->FillRect(r);
    }
    canvas->Brush()->SetStyle(bsClear);
    UINT flags = TextFlags();
    if (FLayout != tlTop) {
        TRect calc = r;
        DoDrawText(canvas, calc, flags | DT_CALCRECT);
        int offset = FLayout == tlBottom ? r.Height() - calc.Height() : (r.Height() - calc.Height()) / 2;
        r.top += offset;
    }
    DoDrawText(canvas, r, flags);
}

void TCustomLabel::AdjustBounds() {
    if (!FAutoSize || Loading())
        return;
    HDC dc = GetDC(nullptr);
    TRect r(0, 0, FWordWrap ? FWidth : 0, 0);
    {
        TCanvas canvas;
        canvas.SetHandle(dc);
        DoDrawText(&canvas, r, TextFlags() | DT_CALCRECT);
        canvas.SetHandle(nullptr);
    }
    ReleaseDC(nullptr, dc);
    int x = FLeft;
    if (!FWordWrap && FAlignment == taRightJustify)
        x += FWidth - r.Width();
    else if (!FWordWrap && FAlignment == taCenter)
        x += (FWidth - r.Width()) / 2;
    SetBounds(x, FTop, r.Width(), r.Height());
}

void TCustomLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TCustomLabel::SetAlignment(TAlignment Value) {
    if (Value == FAlignment)
        return;
    FAlignment = Value;
    Invalidate();
}

void TCustomLabel::SetAutoSize(bool Value) {
    if (Value == FAutoSize)
        return;
    FAutoSize = Value;
    AdjustBounds();
}

void TCustomLabel::SetLayout(TTextLayout Value) {
    if (Value == FLayout)
        return;
    FLayout = Value;
    Invalidate();
}

void TCustomLabel::SetTransparent(bool Value) {
    if (Value == FTransparent)
        return;
    FTransparent = Value;
    if (Value)
        FControlStyle.Exclude(csOpaque);
    else
        FControlStyle.Include(csOpaque);
    Invalidate();
}

void TCustomLabel::SetWordWrap(bool Value) {
    if (Value == FWordWrap)
        return;
    FWordWrap = Value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool Value) {
    if (Value == FShowAccelChar)
        return;
    FShowAccelChar = Value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* Value) {
    if (FFocusControl)
        FFocusControl->RemoveFreeNotification(this);
    FFocusControl = Value;
    if (Value)
        Value->FreeNotification(this);
}

void TCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FFocusControl)
        FFocusControl = nullptr;
}

void TCustomLabel::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
        TGraphicControl::Dispatch(Message);
        AdjustBounds();
        Invalidate();
        return;
    case CM_DIALOGCHAR:
        if (FFocusControl && FEnabled && FShowAccelChar && IsAccel(static_cast<WORD>(Message.WParam), Text()) &&
            FFocusControl->CanFocus()) {
            FFocusControl->SetFocus();
            Message.Result = 1;
            return;
        }
        break;
    }
    TGraphicControl::Dispatch(Message);
}

// --- TScrollBar ---

TScrollBar::TScrollBar(TComponent* AOwner) : TWinControl(AOwner) {
    FControlStyle = {csFramed, csDoubleClicks, csOpaque};
    SetBoundsFields(0, 0, 121, GetSystemMetrics(SM_CYHSCROLL));
    FTabStop = true;
}

void TScrollBar::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, "SCROLLBAR");
    Params.Style |= FKind == sbVertical ? SBS_VERT : SBS_HORZ;
}

void TScrollBar::CreateWnd() {
    TWinControl::CreateWnd();
    UpdateBar();
}

void TScrollBar::UpdateBar() {
    if (!FHandle)
        return;
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_POS | SIF_PAGE;
    si.nMin = FMin;
    si.nMax = FMax;
    si.nPage = static_cast<UINT>(FPageSize);
    si.nPos = FPosition;
    SetScrollInfo(FHandle, SB_CTL, &si, TRUE);
}

void TScrollBar::SetKind(TScrollBarKind Value) {
    if (Value == FKind)
        return;
    FKind = Value;
    SetBounds(FLeft, FTop, FHeight, FWidth);
    RecreateWnd();
}

void TScrollBar::SetParams(int APosition, int AMin, int AMax) {
    if (AMin > AMax)
        throw EInvalidArgument(Format("A scroll bar cannot range from %d to %d", AMin, AMax));
    int last = AMax - std::max(FPageSize - 1, 0);
    APosition = std::clamp(APosition, AMin, std::max(last, AMin));
    bool moved = APosition != FPosition;
    FMin = AMin;
    FMax = AMax;
    FPosition = APosition;
    UpdateBar();
    if (moved)
        Change();
}

void TScrollBar::SetPageSize(int Value) {
    if (Value < 0 || Value > FMax - FMin + 1)
        throw EInvalidArgument(Format("A page of %d does not fit the scroll bar's range", Value));
    FPageSize = Value;
    SetParams(FPosition, FMin, FMax);
}

void TScrollBar::Change() {
    if (OnChange)
        OnChange(this);
}

void TScrollBar::Scroll(TScrollCode ScrollCode, int& ScrollPos) {
    if (OnScroll)
        OnScroll(this, ScrollCode, ScrollPos);
}

void TScrollBar::DoScroll(TMessage& Message) {
    auto code = static_cast<TScrollCode>(std::min<WORD>(LOWORD(Message.WParam), scEndScroll));
    int pos = FPosition;
    switch (code) {
    case scLineUp:
        pos -= FSmallChange;
        break;
    case scLineDown:
        pos += FSmallChange;
        break;
    case scPageUp:
        pos -= FLargeChange;
        break;
    case scPageDown:
        pos += FLargeChange;
        break;
    case scPosition:
    case scTrack: {
        // The message carries only 16 bits of the position.
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_TRACKPOS;
        pos = GetScrollInfo(FHandle, SB_CTL, &si) ? si.nTrackPos : HIWORD(Message.WParam);
        break;
    }
    case scTop:
        pos = FMin;
        break;
    case scBottom:
        pos = FMax;
        break;
    case scEndScroll:
        break;
    }
    Scroll(code, pos);
    SetPosition(pos);
}

void TScrollBar::Dispatch(TMessage& Message) {
    if (Message.Msg == CN_HSCROLL || Message.Msg == CN_VSCROLL) {
        DoScroll(Message);
        Message.Result = 0;
        return;
    }
    TWinControl::Dispatch(Message);
}

// --- form storage ---

namespace {

const std::vector<std::string> AlignmentNames = {"taLeftJustify", "taRightJustify", "taCenter"};
const std::vector<std::string> LeftRightNames = {"taLeftJustify", "taRightJustify"};
const std::vector<std::string> BorderStyleNames = {"bsNone",   "bsSingle",     "bsSizeable",
                                                   "bsDialog", "bsToolWindow", "bsSizeToolWin"};
const std::vector<std::string> CharCaseNames = {"ecNormal", "ecUpperCase", "ecLowerCase"};
const TIdentMap ModalResultIdents = {{"mrNone", mrNone},   {"mrOk", mrOk},         {"mrCancel", mrCancel},
                                     {"mrAbort", mrAbort}, {"mrRetry", mrRetry},   {"mrIgnore", mrIgnore},
                                     {"mrYes", mrYes},     {"mrNo", mrNo},         {"mrAll", mrAll},
                                     {"mrNoToAll", mrNoToAll}, {"mrYesToAll", mrYesToAll}};

const bool StdCtrlsRegistered = [] {
    RegisterFormClass<TCustomEdit>([](TFormClass<TCustomEdit>& c) {
        c.Boolean("AutoSelect", &TCustomEdit::AutoSelect, &TCustomEdit::SetAutoSelect).Default(true);
        c.Boolean("AutoSize", &TCustomEdit::AutoSize, &TCustomEdit::SetAutoSize).Default(true);
        c.Enum("BorderStyle", &TCustomEdit::BorderStyle, &TCustomEdit::SetBorderStyle, BorderStyleNames)
            .Default(bsSingle);
        c.Enum("CharCase", &TCustomEdit::CharCase, &TCustomEdit::SetCharCase, CharCaseNames).Default(ecNormal);
        c.Boolean("HideSelection", &TCustomEdit::HideSelection, &TCustomEdit::SetHideSelection).Default(true);
        c.Integer("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength).Default(0);
        c.Integer("PasswordChar", &TCustomEdit::PasswordChar, &TCustomEdit::SetPasswordChar).Default(0);
        c.Boolean("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly).Default(false);
        c.Enum("Alignment", &TCustomEdit::Alignment, &TCustomEdit::SetAlignment, AlignmentNames)
            .Default(taLeftJustify);
        c.String("Text", &TCustomEdit::Text, &TCustomEdit::SetText);
        c.Event("OnChange", &TCustomEdit::OnChange);
    });
    RegisterFormClass<TEdit>();
    RegisterFormClass<TCustomMemo>([](TFormClass<TCustomMemo>& c) {
        c.Object("Lines", &TCustomMemo::Lines);
        c.Enum("ScrollBars", &TCustomMemo::ScrollBars, &TCustomMemo::SetScrollBars,
               {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"})
            .Default(ssNone);
        c.Boolean("WordWrap", &TCustomMemo::WordWrap, &TCustomMemo::SetWordWrap).Default(true);
        c.Boolean("WantReturns", &TCustomMemo::WantReturns, &TCustomMemo::SetWantReturns).Default(true);
        c.Boolean("WantTabs", &TCustomMemo::WantTabs, &TCustomMemo::SetWantTabs).Default(false);
        c.Boolean("AutoSize", &TCustomMemo::AutoSize, &TCustomMemo::SetAutoSize).Default(false);
        // The lines are the text.
        c.String("Text", &TCustomMemo::Text, &TCustomMemo::SetText).NotStored();
    });
    RegisterFormClass<TMemo>();
    RegisterFormClass<TItemListControl>([](TFormClass<TItemListControl>& c) {
        c.Integer("ItemHeight", &TItemListControl::ItemHeight, &TItemListControl::SetItemHeight).Default(16);
        c.Object("Items", &TItemListControl::Items);
        c.Boolean("Sorted", &TItemListControl::Sorted, &TItemListControl::SetSorted).Default(false);
        c.Integer("ItemIndex", &TItemListControl::ItemIndex, &TItemListControl::SetItemIndex).Default(-1);
        c.Event("OnDrawItem", &TItemListControl::OnDrawItem);
        c.Event("OnMeasureItem", &TItemListControl::OnMeasureItem);
    });
    RegisterFormClass<TCustomComboBox>([](TFormClass<TCustomComboBox>& c) {
        c.Enum("Style", &TCustomComboBox::Style, &TCustomComboBox::SetStyle,
               {"csDropDown", "csSimple", "csDropDownList", "csOwnerDrawFixed", "csOwnerDrawVariable"})
            .Default(csDropDown);
        c.Integer("DropDownCount", &TCustomComboBox::DropDownCount, &TCustomComboBox::SetDropDownCount).Default(8);
        c.Integer("MaxLength", &TCustomComboBox::MaxLength, &TCustomComboBox::SetMaxLength).Default(0);
        c.Enum("CharCase", &TCustomComboBox::CharCase, &TCustomComboBox::SetCharCase, CharCaseNames)
            .Default(ecNormal);
        c.String("Text", &TCustomComboBox::Text, &TCustomComboBox::SetText);
        c.Event("OnChange", &TCustomComboBox::OnChange);
        c.Event("OnSelect", &TCustomComboBox::OnSelect);
        c.Event("OnDropDown", &TCustomComboBox::OnDropDown);
        c.Event("OnCloseUp", &TCustomComboBox::OnCloseUp);
    });
    RegisterFormClass<TComboBox>();
    RegisterFormClass<TCustomListBox>([](TFormClass<TCustomListBox>& c) {
        c.Enum("BorderStyle", &TCustomListBox::BorderStyle, &TCustomListBox::SetBorderStyle, BorderStyleNames)
            .Default(bsSingle);
        c.Boolean("IntegralHeight", &TCustomListBox::IntegralHeight, &TCustomListBox::SetIntegralHeight)
            .Default(false);
        c.Boolean("MultiSelect", &TCustomListBox::MultiSelect, &TCustomListBox::SetMultiSelect).Default(false);
        c.Enum("Style", &TCustomListBox::Style, &TCustomListBox::SetStyle,
               {"lbStandard", "lbOwnerDrawFixed", "lbOwnerDrawVariable"})
            .Default(lbStandard);
    });
    RegisterFormClass<TListBox>();
    RegisterFormClass<TButtonControl>(
        [](TFormClass<TButtonControl>& c) { c.String("Caption", &TControl::Caption, &TControl::SetCaption); });
    RegisterFormClass<TButton>([](TFormClass<TButton>& c) {
        c.Boolean("Cancel", &TButton::Cancel, &TButton::SetCancel).Default(false);
        c.Boolean("Default", &TButton::Default, &TButton::SetDefault).Default(false);
        c.Integer("ModalResult", &TButton::ModalResult, &TButton::SetModalResult, &ModalResultIdents).Default(mrNone);
    });
    RegisterFormClass<TCustomCheckBox>([](TFormClass<TCustomCheckBox>& c) {
        c.Enum("Alignment", &TCustomCheckBox::Alignment, &TCustomCheckBox::SetAlignment, LeftRightNames)
            .Default(lrRight);
        c.Boolean("AllowGrayed", &TCustomCheckBox::AllowGrayed, &TCustomCheckBox::SetAllowGrayed).Default(false);
        c.Boolean("Checked", &TCustomCheckBox::Checked, &TCustomCheckBox::SetChecked).Default(false);
        c.Enum("State", &TCustomCheckBox::State, &TCustomCheckBox::SetState, {"cbUnchecked", "cbChecked", "cbGrayed"})
            .Stored([](TCustomCheckBox* b) { return b->State() == cbGrayed; });
    });
    RegisterFormClass<TCheckBox>();
    RegisterFormClass<TRadioButton>([](TFormClass<TRadioButton>& c) {
        c.Enum("Alignment", &TRadioButton::Alignment, &TRadioButton::SetAlignment, LeftRightNames).Default(lrRight);
        c.Boolean("Checked", &TRadioButton::Checked, &TRadioButton::SetChecked).Default(false);
    });
    RegisterFormClass<TCustomGroupBox>(
        [](TFormClass<TCustomGroupBox>& c) { c.String("Caption", &TControl::Caption, &TControl::SetCaption); });
    RegisterFormClass<TGroupBox>();
    RegisterFormClass<TCustomLabel>([](TFormClass<TCustomLabel>& c) {
        c.Enum("Alignment", &TCustomLabel::Alignment, &TCustomLabel::SetAlignment, AlignmentNames)
            .Default(taLeftJustify);
        c.Boolean("AutoSize", &TCustomLabel::AutoSize, &TCustomLabel::SetAutoSize).Default(true);
        c.String("Caption", &TControl::Caption, &TControl::SetCaption);
        c.Component("FocusControl", &TCustomLabel::FocusControl, &TCustomLabel::SetFocusControl);
        c.Enum("Layout", &TCustomLabel::Layout, &TCustomLabel::SetLayout, {"tlTop", "tlCenter", "tlBottom"})
            .Default(tlTop);
        c.Boolean("ShowAccelChar", &TCustomLabel::ShowAccelChar, &TCustomLabel::SetShowAccelChar).Default(true);
        c.Boolean("Transparent", &TCustomLabel::Transparent, &TCustomLabel::SetTransparent).Default(false);
        c.Boolean("WordWrap", &TCustomLabel::WordWrap, &TCustomLabel::SetWordWrap).Default(false);
    });
    RegisterFormClass<TLabel>();
    RegisterFormClass<TScrollBar>([](TFormClass<TScrollBar>& c) {
        c.Enum("Kind", &TScrollBar::Kind, &TScrollBar::SetKind, {"sbHorizontal", "sbVertical"}).Default(sbHorizontal);
        c.Integer("LargeChange", &TScrollBar::LargeChange, &TScrollBar::SetLargeChange).Default(1);
        c.Integer("Max", &TScrollBar::Max, &TScrollBar::SetMax).Default(100);
        c.Integer("Min", &TScrollBar::Min, &TScrollBar::SetMin).Default(0);
        c.Integer("PageSize", &TScrollBar::PageSize, &TScrollBar::SetPageSize).Default(0);
        c.Integer("Position", &TScrollBar::Position, &TScrollBar::SetPosition).Default(0);
        c.Integer("SmallChange", &TScrollBar::SmallChange, &TScrollBar::SetSmallChange).Default(1);
        c.Event("OnChange", &TScrollBar::OnChange);
        c.Event("OnScroll", &TScrollBar::OnScroll);
    });
    return true;
}();

}  // namespace
