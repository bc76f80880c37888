#pragma once
// Grids: a windowed control that paints rows and columns of cells itself, with fixed rows and columns that stay
// in place while the others scroll, a current cell and a selection moved by mouse and keys; the draw grid leaves
// the cells to an event, the string grid holds a text per cell.
#include <functional>
#include <string>
#include <vector>

#include "Controls.h"
#include "StdCtrls.h"

BRIMLET_EXCEPTION(EInvalidGridOperation, Exception);

enum TGridOption {
    goFixedVertLine,
    goFixedHorzLine,
    goVertLine,
    goHorzLine,
    goRangeSelect,
    goDrawFocusSelected,
    goRowSizing,
    goColSizing,
    goRowMoving,
    goColMoving,
    goEditing,
    goTabs,
    goRowSelect,
    goAlwaysShowEditor,
    goThumbTracking
};
using TGridOptions = Set<TGridOption>;

enum TGridDrawStateItem { gdSelected, gdFocused, gdFixed };
using TGridDrawState = Set<TGridDrawStateItem>;

// A cell by column (X) and row (Y); -1 where there is none.
struct TGridCoord {
    int X = -1;
    int Y = -1;
    bool operator==(const TGridCoord&) const = default;
};

// A block of cells, columns Left..Right and rows Top..Bottom, both ends included.
struct TGridRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool Contains(int ACol, int ARow) const { return ACol >= Left && ACol <= Right && ARow >= Top && ARow <= Bottom; }
    bool operator==(const TGridRect&) const = default;
};

using TDrawCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, TRect Rect, TGridDrawState State)>;
using TSelectCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, bool& CanSelect)>;

// What every grid shares: the cells' geometry, scrolling by whole cells, the current cell and the selection.
// The options goRowSizing, goColSizing, goRowMoving, goColMoving, goEditing and goAlwaysShowEditor are kept for
// whoever reads them; the grid itself neither sizes nor moves by mouse and has no editor of its own.
class TCustomGrid : public TCustomControl {
    CLASS_INFO(TCustomGrid, TCustomControl)
public:
    explicit TCustomGrid(TComponent* AOwner);
    ~TCustomGrid() override;

    int ColCount() const { return FColCount; }
    // At least 1; fewer columns than fixed ones take fixed ones away.
    void SetColCount(int Value);
    int RowCount() const { return FRowCount; }
    void SetRowCount(int Value);
    int FixedCols() const { return FFixedCols; }
    // Raises EInvalidGridOperation unless 0 <= Value < ColCount.
    void SetFixedCols(int Value);
    int FixedRows() const { return FFixedRows; }
    void SetFixedRows(int Value);
    int DefaultColWidth() const { return FDefaultColWidth; }
    // Gives every column this width.
    void SetDefaultColWidth(int Value);
    int DefaultRowHeight() const { return FDefaultRowHeight; }
    void SetDefaultRowHeight(int Value);
    int GridLineWidth() const { return FGridLineWidth; }
    void SetGridLineWidth(int Value);
    // One column's or row's size; an index outside the grid raises EInvalidGridOperation.
    int ColWidths(int Index) const;
    void SetColWidths(int Index, int Value);
    int RowHeights(int Index) const;
    void SetRowHeights(int Index, int Value);

    TGridOptions Options() const { return FOptions; }
    void SetOptions(TGridOptions Value);
    TColor FixedColor() const { return FFixedColor; }
    void SetFixedColor(TColor Value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    // False: only OnDrawCell paints the cells.
    bool DefaultDrawing() const { return FDefaultDrawing; }
    void SetDefaultDrawing(bool Value);

    // The current cell, always outside the fixed ones; setting it asks SelectCell and brings it into view.
    int Col() const { return FCurrent.X; }
    void SetCol(int Value);
    int Row() const { return FCurrent.Y; }
    void SetRow(int Value);
    // The selected block (the current cell alone without goRangeSelect; whole rows with goRowSelect).
    TGridRect Selection() const;
    void SetSelection(const TGridRect& Value);
    // The first scrollable column and row shown.
    int LeftCol() const { return FTopLeft.X; }
    void SetLeftCol(int Value);
    int TopRow() const { return FTopLeft.Y; }
    void SetTopRow(int Value);
    // How many scrollable columns and rows are shown whole.
    int VisibleColCount() const;
    int VisibleRowCount() const;

    // A cell's rectangle in client coordinates, without its grid lines; empty while it is scrolled away.
    TRect CellRect(int ACol, int ARow) const;
    // The cell at a client point; -1 and -1 outside every cell.
    TGridCoord MouseCoord(int X, int Y) const;
    void MouseToCell(int X, int Y, int& ACol, int& ARow) const;

    void Dispatch(TMessage& Message) override;

    TNotifyEvent OnTopLeftChanged;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void Paint() override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;

    // Paints one cell inside ARect; the canvas is ready with the cell's colours.
    virtual void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) = 0;
    // Whether the cell may become the current one.
    virtual bool SelectCell(int ACol, int ARow);
    // The grid now has other numbers of columns and rows.
    virtual void SizeChanged(int OldColCount, int OldRowCount);
    virtual void TopLeftChanged();
    // Makes a cell current (the anchor of the selection too with MoveAnchor) and, with Show, scrolls to it.
    void MoveCurrent(int ACol, int ARow, bool MoveAnchor, bool Show);
    // MoveCurrent, then Click.
    void FocusCell(int ACol, int ARow, bool MoveAnchor);
    void InvalidateCell(int ACol, int ARow);

private:
    void ChangeSize(int NewColCount, int NewRowCount);
    // The width of a vertical (Horz false) or horizontal grid line; 0 when no such lines are drawn.
    int LineWidth(bool Horz) const;
    int FixedWidth() const;
    int FixedHeight() const;
    // The left edge of a column, or -1 while it is scrolled away; rows likewise.
    int ColLeft(int ACol) const;
    int RowTop(int ARow) const;
    int MaxLeftCol() const;
    int MaxTopRow() const;
    TRect Client() const;
    void ClampTopLeft();
    // After a change of sizes, counts or lines: the first cells shown, the bars and the picture follow.
    void LayoutChanged();
    void ScrollIntoView(int ACol, int ARow);
    void UpdateScrollBars();
    void ScrollMessage(TMessage& Message, bool Horz);
    void CheckColIndex(int Index) const;
    void CheckRowIndex(int Index) const;
    void ClampCurrent();
    // Moves by keys, ignoring moves that leave the grid.
    void KeyMove(int ACol, int ARow, bool Extend);

    int FColCount = 5;
    int FRowCount = 5;
    int FFixedCols = 1;
    int FFixedRows = 1;
    int FDefaultColWidth = 64;
    int FDefaultRowHeight = 24;
    int FGridLineWidth = 1;
    std::vector<int> FColWidths;
    std::vector<int> FRowHeights;
    TGridOptions FOptions = {goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
    TColor FFixedColor = clBtnFace;
    TScrollStyle FScrollBars = ssBoth;
    TBorderStyle FBorderStyle = bsSingle;
    bool FDefaultDrawing = true;
    TGridCoord FCurrent{1, 1};
    TGridCoord FAnchor{1, 1};
    TGridCoord FTopLeft{1, 1};
    bool FSelecting = false;
    bool FUpdatingBars = false;
};

// A grid whose cells OnDrawCell paints.
class TCustomDrawGrid : public TCustomGrid {
    CLASS_INFO(TCustomDrawGrid, TCustomGrid)
public:
    using TCustomGrid::TCustomGrid;

    TDrawCellEvent OnDrawCell;
    TSelectCellEvent OnSelectCell;

protected:
    void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
    bool SelectCell(int ACol, int ARow) override;
};

class TDrawGrid : public TCustomDrawGrid {
    CLASS_INFO(TDrawGrid, TCustomDrawGrid)
public:
    using TCustomDrawGrid::TCustomDrawGrid;
};

// A grid with a text (and an object the program keeps) in every cell; cells keep their place when the grid
// grows or shrinks.
class TStringGrid : public TDrawGrid {
    CLASS_INFO(TStringGrid, TDrawGrid)
public:
    explicit TStringGrid(TComponent* AOwner);

    // An index outside the grid raises EInvalidGridOperation.
    std::string Cells(int ACol, int ARow) const;
    void SetCells(int ACol, int ARow, const std::string& Value);
    TObject* Objects(int ACol, int ARow) const;
    void SetObjects(int ACol, int ARow, TObject* Value);

protected:
    void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
    void SizeChanged(int OldColCount, int OldRowCount) override;

private:
    size_t CellIndex(int ACol, int ARow) const;
    std::vector<std::string> FCells;
    std::vector<TObject*> FObjects;
};
