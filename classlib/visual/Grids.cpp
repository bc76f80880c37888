#include "Grids.h"

#include <algorithm>

#include "classlib/runtime/FormResources.h"

namespace {

[[noreturn]] void IndexOutOfRange() { throw EInvalidGridOperation("Grid index out of range"); }

}  // namespace

// --- TCustomGrid ---

TCustomGrid::TCustomGrid(TComponent* AOwner) : TCustomControl(AOwner), FColWidths(5, 64), FRowHeights(5, 24) {
    FControlStyle = {csCaptureMouse, csOpaque, csDoubleClicks};
    SetBoundsFields(0, 0, 320, 120);
    FTabStop = true;
    SetParentColor(false);
    SetColor(clWindow);
}

TCustomGrid::~TCustomGrid() = default;

void TCustomGrid::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) Params.Style |= WS_HSCROLL;
    if (FScrollBars == ssVertical || FScrollBars == ssBoth) Params.Style |= WS_VSCROLL;
    if (FBorderStyle == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
    // Only what changed is painted again when the grid is sized.
    Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TCustomGrid::CreateWnd() {
    TCustomControl::CreateWnd();
    UpdateScrollBars();
}

// --- geometry ---

TRect TCustomGrid::Client() const {
    if (HandleAllocated()) {
        RECT r{};
        GetClientRect(FHandle, &r);
        return r;
    }
    return TRect(0, 0, Width(), Height());
}

int TCustomGrid::LineWidth(bool Horz) const {
    bool lines = Horz ? FOptions.Contains(goFixedHorzLine) || FOptions.Contains(goHorzLine)
                      : FOptions.Contains(goFixedVertLine) || FOptions.Contains(goVertLine);
    return lines ? FGridLineWidth : 0;
}

int TCustomGrid::FixedWidth() const {
    int width = 0;
    for (int c = 0; c < FFixedCols; ++c) width += FColWidths[static_cast<size_t>(c)] + LineWidth(false);
    return width;
}

int TCustomGrid::FixedHeight() const {
    int height = 0;
    for (int r = 0; r < FFixedRows; ++r) height += FRowHeights[static_cast<size_t>(r)] + LineWidth(true);
    return height;
}

int TCustomGrid::ColLeft(int ACol) const {
    int line = LineWidth(false);
    int x = 0;
    int first = 0;
    if (ACol >= FFixedCols) {
        if (ACol < FTopLeft.X) return -1;
        x = FixedWidth();
        first = FTopLeft.X;
    }
    for (int c = first; c < ACol; ++c) x += FColWidths[static_cast<size_t>(c)] + line;
    return x;
}

int TCustomGrid::RowTop(int ARow) const {
    int line = LineWidth(true);
    int y = 0;
    int first = 0;
    if (ARow >= FFixedRows) {
        if (ARow < FTopLeft.Y) return -1;
        y = FixedHeight();
        first = FTopLeft.Y;
    }
    for (int r = first; r < ARow; ++r) y += FRowHeights[static_cast<size_t>(r)] + line;
    return y;
}

int TCustomGrid::MaxLeftCol() const {
    int room = Client().Width() - FixedWidth();
    int used = 0;
    int c = FColCount;
    while (c > FFixedCols) {
        int w = FColWidths[static_cast<size_t>(c) - 1] + LineWidth(false);
        if (used + w > room) break;
        used += w;
        --c;
    }
    // A last column wider than the room still gets its turn at the left.
    return std::max(std::min(c, FColCount - 1), FFixedCols);
}

int TCustomGrid::MaxTopRow() const {
    int room = Client().Height() - FixedHeight();
    int used = 0;
    int r = FRowCount;
    while (r > FFixedRows) {
        int h = FRowHeights[static_cast<size_t>(r) - 1] + LineWidth(true);
        if (used + h > room) break;
        used += h;
        --r;
    }
    return std::max(std::min(r, FRowCount - 1), FFixedRows);
}

int TCustomGrid::VisibleColCount() const {
    int right = Client().right;
    int x = FixedWidth();
    int n = 0;
    for (int c = FTopLeft.X; c < FColCount; ++c) {
        int w = FColWidths[static_cast<size_t>(c)];
        if (x + w > right) break;
        ++n;
        x += w + LineWidth(false);
    }
    return n;
}

int TCustomGrid::VisibleRowCount() const {
    int bottom = Client().bottom;
    int y = FixedHeight();
    int n = 0;
    for (int r = FTopLeft.Y; r < FRowCount; ++r) {
        int h = FRowHeights[static_cast<size_t>(r)];
        if (y + h > bottom) break;
        ++n;
        y += h + LineWidth(true);
    }
    return n;
}

TRect TCustomGrid::CellRect(int ACol, int ARow) const {
    if (ACol < 0 || ARow < 0 || ACol >= FColCount || ARow >= FRowCount) return TRect();
    int x = ColLeft(ACol);
    int y = RowTop(ARow);
    TRect client = Client();
    if (x < 0 || y < 0 || x >= client.right || y >= client.bottom) return TRect();
    return TRect(x, y, x + FColWidths[static_cast<size_t>(ACol)], y + FRowHeights[static_cast<size_t>(ARow)]);
}

TGridCoord TCustomGrid::MouseCoord(int X, int Y) const {
    TRect client = Client();
    auto find = [](int pos, int fixed, int first, int count, int limit, const std::vector<int>& sizes, int line) {
        if (pos < 0 || pos >= limit) return -1;
        int edge = 0;
        for (int i = 0; i < count; ++i) {
            if (i == fixed) i = first;
            if (i >= count) break;
            edge += sizes[static_cast<size_t>(i)] + line;
            if (pos < edge) return i;
            if (edge >= limit) break;
        }
        return -1;
    };
    TGridCoord cell;
    cell.X = find(X, FFixedCols, FTopLeft.X, FColCount, client.right, FColWidths, LineWidth(false));
    cell.Y = find(Y, FFixedRows, FTopLeft.Y, FRowCount, client.bottom, FRowHeights, LineWidth(true));
    if (cell.X < 0 || cell.Y < 0) return TGridCoord();
    return cell;
}

void TCustomGrid::MouseToCell(int X, int Y, int& ACol, int& ARow) const {
    TGridCoord cell = MouseCoord(X, Y);
    ACol = cell.X;
    ARow = cell.Y;
}

// --- sizes and counts ---

void TCustomGrid::CheckColIndex(int Index) const {
    if (Index < 0 || Index >= FColCount) IndexOutOfRange();
}

void TCustomGrid::CheckRowIndex(int Index) const {
    if (Index < 0 || Index >= FRowCount) IndexOutOfRange();
}

void TCustomGrid::ChangeSize(int NewColCount, int NewRowCount) {
    int oldCols = FColCount, oldRows = FRowCount;
    FColCount = NewColCount;
    FRowCount = NewRowCount;
    FColWidths.resize(static_cast<size_t>(FColCount), FDefaultColWidth);
    FRowHeights.resize(static_cast<size_t>(FRowCount), FDefaultRowHeight);
    ClampCurrent();
    SizeChanged(oldCols, oldRows);
    LayoutChanged();
}

void TCustomGrid::SizeChanged(int OldColCount, int OldRowCount) { (void)OldColCount, (void)OldRowCount; }

void TCustomGrid::ClampCurrent() {
    auto clampCell = [&](TGridCoord& cell) {
        cell.X = std::clamp(cell.X, FFixedCols, FColCount - 1);
        cell.Y = std::clamp(cell.Y, FFixedRows, FRowCount - 1);
    };
    clampCell(FCurrent);
    clampCell(FAnchor);
    ClampTopLeft();
}

void TCustomGrid::LayoutChanged() {
    ClampTopLeft();
    UpdateScrollBars();
    Invalidate();
}

void TCustomGrid::ClampTopLeft() {
    FTopLeft.X = std::clamp(FTopLeft.X, FFixedCols, MaxLeftCol());
    FTopLeft.Y = std::clamp(FTopLeft.Y, FFixedRows, MaxTopRow());
}

void TCustomGrid::SetColCount(int Value) {
    Value = std::max(Value, 1);
    if (Value == FColCount) return;
    if (Value <= FFixedCols) FFixedCols = Value - 1;
    ChangeSize(Value, FRowCount);
}

void TCustomGrid::SetRowCount(int Value) {
    Value = std::max(Value, 1);
    if (Value == FRowCount) return;
    if (Value <= FFixedRows) FFixedRows = Value - 1;
    ChangeSize(FColCount, Value);
}

void TCustomGrid::SetFixedCols(int Value) {
    if (Value == FFixedCols) return;
    if (Value < 0) IndexOutOfRange();
    if (Value >= FColCount) throw EInvalidGridOperation("Fixed column count must be less than column count");
    FFixedCols = Value;
    ClampCurrent();
    LayoutChanged();
}

void TCustomGrid::SetFixedRows(int Value) {
    if (Value == FFixedRows) return;
    if (Value < 0) IndexOutOfRange();
    if (Value >= FRowCount) throw EInvalidGridOperation("Fixed row count must be less than row count");
    FFixedRows = Value;
    ClampCurrent();
    LayoutChanged();
}

void TCustomGrid::SetDefaultColWidth(int Value) {
    FDefaultColWidth = std::max(Value, 0);
    std::fill(FColWidths.begin(), FColWidths.end(), FDefaultColWidth);
    LayoutChanged();
}

void TCustomGrid::SetDefaultRowHeight(int Value) {
    FDefaultRowHeight = std::max(Value, 0);
    std::fill(FRowHeights.begin(), FRowHeights.end(), FDefaultRowHeight);
    LayoutChanged();
}

void TCustomGrid::SetGridLineWidth(int Value) {
    FGridLineWidth = std::max(Value, 0);
    LayoutChanged();
}

int TCustomGrid::ColWidths(int Index) const {
    CheckColIndex(Index);
    return FColWidths[static_cast<size_t>(Index)];
}

void TCustomGrid::SetColWidths(int Index, int Value) {
    CheckColIndex(Index);
    FColWidths[static_cast<size_t>(Index)] = std::max(Value, 0);
    LayoutChanged();
}

int TCustomGrid::RowHeights(int Index) const {
    CheckRowIndex(Index);
    return FRowHeights[static_cast<size_t>(Index)];
}

void TCustomGrid::SetRowHeights(int Index, int Value) {
    CheckRowIndex(Index);
    FRowHeights[static_cast<size_t>(Index)] = std::max(Value, 0);
    LayoutChanged();
}

void TCustomGrid::SetOptions(TGridOptions Value) {
    if (Value == FOptions) return;
    FOptions = Value;
    if (!FOptions.Contains(goRangeSelect)) FAnchor = FCurrent;
    LayoutChanged();
}

void TCustomGrid::SetFixedColor(TColor Value) {
    if (Value == FFixedColor) return;
    FFixedColor = Value;
    Invalidate();
}

void TCustomGrid::SetScrollBars(TScrollStyle Value) {
    if (Value == FScrollBars) return;
    FScrollBars = Value;
    RecreateWnd();
}

void TCustomGrid::SetBorderStyle(TBorderStyle Value) {
    if (Value == FBorderStyle) return;
    FBorderStyle = Value;
    RecreateWnd();
}

void TCustomGrid::SetDefaultDrawing(bool Value) {
    if (Value == FDefaultDrawing) return;
    FDefaultDrawing = Value;
    Invalidate();
}

// --- current cell, selection and scrolling ---

bool TCustomGrid::SelectCell(int ACol, int ARow) {
    (void)ACol, (void)ARow;
    return true;
}

void TCustomGrid::MoveCurrent(int ACol, int ARow, bool MoveAnchor, bool Show) {
    if (ACol < 0 || ARow < 0 || ACol >= FColCount || ARow >= FRowCount) IndexOutOfRange();
    if (ACol < FFixedCols || ARow < FFixedRows)
        throw EInvalidGridOperation(Format("The fixed cell (%d, %d) cannot be selected", ACol, ARow));
    if (!SelectCell(ACol, ARow)) return;
    FCurrent = TGridCoord{ACol, ARow};
    if (MoveAnchor || !FOptions.Contains(goRangeSelect)) FAnchor = FCurrent;
    if (Show) ScrollIntoView(ACol, ARow);
    Invalidate();
}

void TCustomGrid::FocusCell(int ACol, int ARow, bool MoveAnchor) {
    MoveCurrent(ACol, ARow, MoveAnchor, true);
    Click();
}

void TCustomGrid::SetCol(int Value) {
    if (Value != FCurrent.X) FocusCell(Value, FCurrent.Y, true);
}

void TCustomGrid::SetRow(int Value) {
    if (Value != FCurrent.Y) FocusCell(FCurrent.X, Value, true);
}

TGridRect TCustomGrid::Selection() const {
    TGridRect r;
    r.Left = std::min(FAnchor.X, FCurrent.X);
    r.Right = std::max(FAnchor.X, FCurrent.X);
    r.Top = std::min(FAnchor.Y, FCurrent.Y);
    r.Bottom = std::max(FAnchor.Y, FCurrent.Y);
    if (FOptions.Contains(goRowSelect)) {
        r.Left = FFixedCols;
        r.Right = FColCount - 1;
    }
    return r;
}

void TCustomGrid::SetSelection(const TGridRect& Value) {
    int left = std::min(Value.Left, Value.Right), right = std::max(Value.Left, Value.Right);
    int top = std::min(Value.Top, Value.Bottom), bottom = std::max(Value.Top, Value.Bottom);
    if (left < FFixedCols || top < FFixedRows || right >= FColCount || bottom >= FRowCount) IndexOutOfRange();
    FAnchor = TGridCoord{left, top};
    FCurrent = TGridCoord{right, bottom};
    Invalidate();
}

void TCustomGrid::SetLeftCol(int Value) {
    Value = std::clamp(Value, FFixedCols, MaxLeftCol());
    if (Value == FTopLeft.X) return;
    FTopLeft.X = Value;
    UpdateScrollBars();
    Invalidate();
    TopLeftChanged();
}

void TCustomGrid::SetTopRow(int Value) {
    Value = std::clamp(Value, FFixedRows, MaxTopRow());
    if (Value == FTopLeft.Y) return;
    FTopLeft.Y = Value;
    UpdateScrollBars();
    Invalidate();
    TopLeftChanged();
}

void TCustomGrid::TopLeftChanged() {
    if (OnTopLeftChanged) OnTopLeftChanged(this);
}

void TCustomGrid::ScrollIntoView(int ACol, int ARow) {
    TRect client = Client();
    auto firstShowing = [](int item, int first, int fixedExtent, int limit, const std::vector<int>& sizes, int line) {
        if (item < first) return item;
        // Drop columns at the left (rows at the top) until the item ends inside the client area.
        int extent = fixedExtent;
        for (int i = first; i <= item; ++i) extent += sizes[static_cast<size_t>(i)] + line;
        extent -= line;
        while (first < item && extent > limit) {
            extent -= sizes[static_cast<size_t>(first)] + line;
            ++first;
        }
        return first;
    };
    SetLeftCol(firstShowing(ACol, FTopLeft.X, FixedWidth(), client.right, FColWidths, LineWidth(false)));
    SetTopRow(firstShowing(ARow, FTopLeft.Y, FixedHeight(), client.bottom, FRowHeights, LineWidth(true)));
}

void TCustomGrid::UpdateScrollBars() {
    if (!HandleAllocated() || FUpdatingBars) return;
    FUpdatingBars = true;
    try {
        // Showing or hiding one bar changes the room for the other, so this runs until the client size holds.
        for (int pass = 0; pass < 3; ++pass) {
            TRect before = Client();
            ClampTopLeft();
            auto set = [&](int bar, int first, int count, int maxFirst, int pos) {
                SCROLLINFO si{};
                si.cbSize = sizeof si;
                si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
                si.nMin = first;
                si.nMax = count - 1;
                // Whole cells scroll: the last position is the one that shows the last cells.
                si.nPage = static_cast<UINT>(count - maxFirst);
                si.nPos = pos;
                SetScrollInfo(FHandle, bar, &si, TRUE);
            };
            if (FScrollBars == ssHorizontal || FScrollBars == ssBoth)
                set(SB_HORZ, FFixedCols, FColCount, MaxLeftCol(), FTopLeft.X);
            if (FScrollBars == ssVertical || FScrollBars == ssBoth)
                set(SB_VERT, FFixedRows, FRowCount, MaxTopRow(), FTopLeft.Y);
            if (Client() == before) break;
        }
    } catch (...) {
        FUpdatingBars = false;
        throw;
    }
    FUpdatingBars = false;
}

void TCustomGrid::ScrollMessage(TMessage& Message, bool Horz) {
    int current = Horz ? FTopLeft.X : FTopLeft.Y;
    int page = std::max(Horz ? VisibleColCount() : VisibleRowCount(), 1);
    int target = current;
    auto trackPos = [&] {
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_TRACKPOS;
        GetScrollInfo(FHandle, Horz ? SB_HORZ : SB_VERT, &si);
        return si.nTrackPos;
    };
    switch (LOWORD(Message.WParam)) {
        case SB_LINEUP:
            target = current - 1;
            break;
        case SB_LINEDOWN:
            target = current + 1;
            break;
        case SB_PAGEUP:
            target = current - page;
            break;
        case SB_PAGEDOWN:
            target = current + page;
            break;
        case SB_THUMBPOSITION:
            target = trackPos();
            break;
        case SB_THUMBTRACK:
            if (FOptions.Contains(goThumbTracking)) target = trackPos();
            break;
        case SB_TOP:
            target = 0;
            break;
        case SB_BOTTOM:
            target = Horz ? FColCount : FRowCount;
            break;
    }
    if (Horz)
        SetLeftCol(target);
    else
        SetTopRow(target);
    Message.Result = 0;
}

void TCustomGrid::InvalidateCell(int ACol, int ARow) {
    if (!HandleAllocated()) return;
    TRect r = CellRect(ACol, ARow);
    if (r.IsEmpty()) return;
    r.right += LineWidth(false);
    r.bottom += LineWidth(true);
    InvalidateRect(FHandle, &r, FALSE);
}

// --- painting ---

void TCustomGrid::Paint() {
    TCanvas* canvas = Canvas();
    TRect client = Client();
    int lineV = LineWidth(false), lineH = LineWidth(true);
    bool focused = Focused();
    TGridRect selection = Selection();

    // The columns and rows shown, with their left and top edges.
    auto shown = [](int fixed, int first, int count, int limit, const std::vector<int>& sizes, int line) {
        std::vector<std::pair<int, int>> items;
        int edge = 0;
        for (int i = 0; i < count && edge < limit; ++i) {
            if (i == fixed) i = first;
            if (i >= count) break;
            items.emplace_back(i, edge);
            edge += sizes[static_cast<size_t>(i)] + line;
        }
        return std::make_pair(items, edge);
    };
    auto [cols, right] = shown(FFixedCols, FTopLeft.X, FColCount, client.right, FColWidths, lineV);
    auto [rows, bottom] = shown(FFixedRows, FTopLeft.Y, FRowCount, client.bottom, FRowHeights, lineH);

    for (auto [r, y] : rows) {
        for (auto [c, x] : cols) {
            TRect cell(x, y, x + FColWidths[static_cast<size_t>(c)], y + FRowHeights[static_cast<size_t>(r)]);
            bool fixed = c < FFixedCols || r < FFixedRows;
            TGridDrawState state;
            if (fixed)
                state.Include(gdFixed);
            else {
                if (selection.Contains(c, r)) state.Include(gdSelected);
                if (focused && c == FCurrent.X && r == FCurrent.Y) state.Include(gdFocused);
            }
            bool highlight =
                state.Contains(gdSelected) && (!state.Contains(gdFocused) || FOptions.Contains(goDrawFocusSelected) ||
                                               FOptions.Contains(goRowSelect));
            TColor back = fixed ? FFixedColor : highlight ? clHighlight : FColor;
            canvas->Font()->Assign(FFont.get());
            if (highlight) canvas->Font()->SetColor(clHighlightText);
            canvas->Brush()->SetColor(back);
            canvas->Brush()->SetStyle(bsSolid);
            if (FDefaultDrawing) canvas->FillRect(cell);
            DrawCell(c, r, cell, state);
            if (FDefaultDrawing && fixed && FOptions.Contains(goFixedVertLine) && FOptions.Contains(goFixedHorzLine)) {
                RECT edge = cell;
                DrawEdge(canvas->Handle(), &edge, BDR_RAISEDINNER, BF_RECT);
            }
            // The lines right of and below the cell, in the cell's own colour where lines are off.
            auto line = [&](const TRect& area, bool drawn) {
                if (area.IsEmpty()) return;
                canvas->Brush()->SetStyle(bsSolid);
                canvas->Brush()->SetColor(drawn ? (fixed ? clBlack : clSilver) : back);
                canvas->FillRect(area);
            };
            line(TRect(cell.right, cell.top, cell.right + lineV, cell.bottom),
                 FOptions.Contains(fixed ? goFixedVertLine : goVertLine));
            line(TRect(cell.left, cell.bottom, cell.right + lineV, cell.bottom + lineH),
                 FOptions.Contains(fixed ? goFixedHorzLine : goHorzLine));
        }
    }
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(FColor);
    if (right < client.right) canvas->FillRect(TRect(right, 0, client.right, std::min<LONG>(bottom, client.bottom)));
    if (bottom < client.bottom) canvas->FillRect(TRect(0, bottom, client.right, client.bottom));

    if (focused && FDefaultDrawing) {
        TRect focus = CellRect(FCurrent.X, FCurrent.Y);
        if (FOptions.Contains(goRowSelect) && !focus.IsEmpty()) {
            focus.left = FixedWidth();
            focus.right = std::min<LONG>(right - lineV, client.right);
        }
        if (!focus.IsEmpty()) canvas->DrawFocusRect(focus);
    }
}

// --- keys and mouse ---

void TCustomGrid::KeyMove(int ACol, int ARow, bool Extend) {
    ACol = std::clamp(ACol, FFixedCols, FColCount - 1);
    ARow = std::clamp(ARow, FFixedRows, FRowCount - 1);
    if (ACol == FCurrent.X && ARow == FCurrent.Y) return;
    if (Extend && FOptions.Contains(goRangeSelect)) {
        MoveCurrent(ACol, ARow, false, true);
        Click();
    } else {
        FocusCell(ACol, ARow, true);
    }
}

void TCustomGrid::KeyDown(WORD& Key, TShiftState Shift) {
    TCustomControl::KeyDown(Key, Shift);
    bool ctrl = Shift.Contains(ssCtrl);
    bool shift = Shift.Contains(ssShift);
    bool rowSelect = FOptions.Contains(goRowSelect);
    int col = FCurrent.X, row = FCurrent.Y;
    int page = std::max(VisibleRowCount(), 1);
    switch (Key) {
        case VK_UP:
            KeyMove(col, row - 1, shift);
            break;
        case VK_DOWN:
            KeyMove(col, row + 1, shift);
            break;
        case VK_LEFT:
            if (rowSelect)
                SetLeftCol(FTopLeft.X - 1);
            else
                KeyMove(col - 1, row, shift);
            break;
        case VK_RIGHT:
            if (rowSelect)
                SetLeftCol(FTopLeft.X + 1);
            else
                KeyMove(col + 1, row, shift);
            break;
        case VK_PRIOR:
            KeyMove(col, row - page, shift);
            break;
        case VK_NEXT:
            KeyMove(col, row + page, shift);
            break;
        case VK_HOME:
            KeyMove(FFixedCols, ctrl ? FFixedRows : row, shift);
            break;
        case VK_END:
            KeyMove(FColCount - 1, ctrl ? FRowCount - 1 : row, shift);
            break;
        case VK_TAB:
            if (!FOptions.Contains(goTabs) || ctrl) return;
            // Tab runs along the rows and starts again at the first cell after the last.
            if (shift) {
                if (--col < FFixedCols) {
                    col = FColCount - 1;
                    if (--row < FFixedRows) row = FRowCount - 1;
                }
            } else if (++col >= FColCount) {
                col = FFixedCols;
                if (++row >= FRowCount) row = FFixedRows;
            }
            KeyMove(col, row, false);
            break;
        default:
            return;
    }
    Key = 0;
}

void TCustomGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (!Focused() && CanFocus()) SetFocus();
    if (Button == mbLeft && !Shift.Contains(ssDouble)) {
        TGridCoord cell = MouseCoord(X, Y);
        if (cell.X >= FFixedCols && cell.Y >= FFixedRows) {
            bool extend = Shift.Contains(ssShift) && FOptions.Contains(goRangeSelect);
            MoveCurrent(cell.X, cell.Y, !extend, true);
            FSelecting = true;
        }
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomGrid::MouseMove(TShiftState Shift, int X, int Y) {
    // The button is checked too: the capture may have gone elsewhere without a button-up for us.
    if (FSelecting && Shift.Contains(ssLeft) && FOptions.Contains(goRangeSelect)) {
        // Past the edges the selection follows the nearest cell shown, which scrolls the grid on.
        TRect client = Client();
        int x = std::clamp(X, FixedWidth(), std::max<int>(client.right - 1, FixedWidth()));
        int y = std::clamp(Y, FixedHeight(), std::max<int>(client.bottom - 1, FixedHeight()));
        TGridCoord cell = MouseCoord(x, y);
        if (cell.X >= FFixedCols && cell.Y >= FFixedRows && !(cell == FCurrent))
            MoveCurrent(cell.X, cell.Y, false, true);
    }
    TCustomControl::MouseMove(Shift, X, Y);
}

void TCustomGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (FSelecting && Button == mbLeft) {
        FSelecting = false;
        Click();
    }
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

bool TCustomGrid::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    if (TCustomControl::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
    if (WheelDelta != 0) KeyMove(FCurrent.X, FCurrent.Y + (WheelDelta > 0 ? -1 : 1), false);
    return true;
}

void TCustomGrid::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
        case WM_GETDLGCODE:
            Message.Result = DLGC_WANTARROWS | (FOptions.Contains(goTabs) ? DLGC_WANTTAB : 0);
            return;
        case WM_HSCROLL:
        case WM_VSCROLL:
            // Our own bars; a scroll bar control among our children would name itself in LParam.
            if (Message.LParam == 0) {
                ScrollMessage(Message, Message.Msg == WM_HSCROLL);
                return;
            }
            break;
        case WM_ERASEBKGND:
            // Paint covers the whole client area.
            Message.Result = 1;
            return;
        case WM_SIZE:
            TCustomControl::Dispatch(Message);
            UpdateScrollBars();
            Invalidate();
            return;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            TCustomControl::Dispatch(Message);
            Invalidate();
            return;
        case WM_CANCELMODE:
            FSelecting = false;
            break;
        case CM_FONTCHANGED:
        case CM_COLORCHANGED:
            TCustomControl::Dispatch(Message);
            Invalidate();
            return;
    }
    TCustomControl::Dispatch(Message);
}

// --- TCustomDrawGrid ---

void TCustomDrawGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) {
    if (OnDrawCell) OnDrawCell(this, ACol, ARow, ARect, AState);
}

bool TCustomDrawGrid::SelectCell(int ACol, int ARow) {
    bool allow = true;
    if (OnSelectCell) OnSelectCell(this, ACol, ARow, allow);
    return allow;
}

// --- TStringGrid ---

TStringGrid::TStringGrid(TComponent* AOwner) : TDrawGrid(AOwner) {
    FCells.resize(static_cast<size_t>(ColCount()) * static_cast<size_t>(RowCount()));
    FObjects.resize(FCells.size(), nullptr);
}

size_t TStringGrid::CellIndex(int ACol, int ARow) const {
    if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount()) IndexOutOfRange();
    return static_cast<size_t>(ARow) * static_cast<size_t>(ColCount()) + static_cast<size_t>(ACol);
}

std::string TStringGrid::Cells(int ACol, int ARow) const { return FCells[CellIndex(ACol, ARow)]; }

void TStringGrid::SetCells(int ACol, int ARow, const std::string& Value) {
    FCells[CellIndex(ACol, ARow)] = Value;
    InvalidateCell(ACol, ARow);
}

TObject* TStringGrid::Objects(int ACol, int ARow) const { return FObjects[CellIndex(ACol, ARow)]; }

void TStringGrid::SetObjects(int ACol, int ARow, TObject* Value) { FObjects[CellIndex(ACol, ARow)] = Value; }

void TStringGrid::SizeChanged(int OldColCount, int OldRowCount) {
    size_t cols = static_cast<size_t>(ColCount()), rows = static_cast<size_t>(RowCount());
    std::vector<std::string> cells(cols * rows);
    std::vector<TObject*> objects(cols * rows, nullptr);
    for (size_t r = 0; r < std::min(rows, static_cast<size_t>(OldRowCount)); ++r)
        for (size_t c = 0; c < std::min(cols, static_cast<size_t>(OldColCount)); ++c) {
            size_t from = r * static_cast<size_t>(OldColCount) + c;
            cells[r * cols + c] = std::move(FCells[from]);
            objects[r * cols + c] = FObjects[from];
        }
    FCells = std::move(cells);
    FObjects = std::move(objects);
    TDrawGrid::SizeChanged(OldColCount, OldRowCount);
}

void TStringGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) {
    if (DefaultDrawing()) Canvas()->TextRect(ARect, ARect.left + 2, ARect.top + 2, Cells(ACol, ARow));
    TDrawGrid::DrawCell(ACol, ARow, ARect, AState);
}

// --- form resources ---

namespace {

// Column widths and row heights that differ from the defaults are kept as lists: ColWidths = (64 120 64).
void DefineSizes(TFiler* Filer, const char* Name, TCustomGrid* Grid, bool Cols) {
    int count = Cols ? Grid->ColCount() : Grid->RowCount();
    int standard = Cols ? Grid->DefaultColWidth() : Grid->DefaultRowHeight();
    auto size = [=](int i) { return Cols ? Grid->ColWidths(i) : Grid->RowHeights(i); };
    bool custom = false;
    for (int i = 0; i < count && !custom; ++i) custom = size(i) != standard;
    Filer->DefineProperty(
        Name,
        [=](TReader* r) {
            r->ReadListBegin();
            for (int i = 0; !r->EndOfList(); ++i) {
                int value = static_cast<int>(r->ReadInteger());
                if (i >= count)
                    throw EReadError(std::string(Name) + " holds more sizes than the grid has " +
                                     (Cols ? "columns" : "rows"));
                if (Cols)
                    Grid->SetColWidths(i, value);
                else
                    Grid->SetRowHeights(i, value);
            }
            r->ReadListEnd();
        },
        [=](TWriter* w) {
            w->WriteListBegin();
            for (int i = 0; i < count; ++i) w->WriteInteger(size(i));
            w->WriteListEnd();
        },
        custom);
}

const bool GridsRegistered = [] {
    RegisterFormClass<TCustomGrid>([](TFormClass<TCustomGrid>& c) {
        c.Enum("BorderStyle", &TCustomGrid::BorderStyle, &TCustomGrid::SetBorderStyle,
               {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"})
            .Default(bsSingle);
        c.Integer("ColCount", &TCustomGrid::ColCount, &TCustomGrid::SetColCount).Default(5);
        c.Integer("DefaultColWidth", &TCustomGrid::DefaultColWidth, &TCustomGrid::SetDefaultColWidth).Default(64);
        c.Boolean("DefaultDrawing", &TCustomGrid::DefaultDrawing, &TCustomGrid::SetDefaultDrawing).Default(true);
        c.Integer("DefaultRowHeight", &TCustomGrid::DefaultRowHeight, &TCustomGrid::SetDefaultRowHeight).Default(24);
        c.Color("FixedColor", &TCustomGrid::FixedColor, &TCustomGrid::SetFixedColor).Default(clBtnFace);
        c.Integer("FixedCols", &TCustomGrid::FixedCols, &TCustomGrid::SetFixedCols).Default(1);
        c.Integer("FixedRows", &TCustomGrid::FixedRows, &TCustomGrid::SetFixedRows).Default(1);
        c.Integer("GridLineWidth", &TCustomGrid::GridLineWidth, &TCustomGrid::SetGridLineWidth).Default(1);
        c.SetOf("Options", &TCustomGrid::Options, &TCustomGrid::SetOptions,
                {"goFixedVertLine", "goFixedHorzLine", "goVertLine", "goHorzLine", "goRangeSelect",
                 "goDrawFocusSelected", "goRowSizing", "goColSizing", "goRowMoving", "goColMoving", "goEditing",
                 "goTabs", "goRowSelect", "goAlwaysShowEditor", "goThumbTracking"})
            .Default(TGridOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect});
        c.Integer("RowCount", &TCustomGrid::RowCount, &TCustomGrid::SetRowCount).Default(5);
        c.Enum("ScrollBars", &TCustomGrid::ScrollBars, &TCustomGrid::SetScrollBars,
               {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"})
            .Default(ssBoth);
        c.Event("OnTopLeftChanged", &TCustomGrid::OnTopLeftChanged);
        c.DefineProperties([](TCustomGrid* grid, TFiler* f) {
            DefineSizes(f, "ColWidths", grid, true);
            DefineSizes(f, "RowHeights", grid, false);
        });
    });
    RegisterFormClass<TCustomDrawGrid>([](TFormClass<TCustomDrawGrid>& c) {
        c.Event("OnDrawCell", &TCustomDrawGrid::OnDrawCell);
        c.Event("OnSelectCell", &TCustomDrawGrid::OnSelectCell);
    });
    RegisterFormClass<TDrawGrid>();
    RegisterFormClass<TStringGrid>();
    return true;
}();

}  // namespace
