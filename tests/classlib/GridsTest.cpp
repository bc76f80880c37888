// Draw and string grids on a real form under Xvfb: their cells' geometry, the current cell and the selection moved
// by real clicks, drags and keys, scrolling, and what the screen shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/ApplicationLoop.h"
#include "tests/support/SyntheticInput.h"
#include "classlib/runtime/FormResources.h"
#include "classlib/visual/Grids.h"

namespace {

void HoldKey(WORD key, bool down) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = key;
    in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &in, sizeof in);
}

class Grids : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetPosition(poDesigned);
        form->SetBounds(60, 60, 420, 320);
        grid = new TStringGrid(form);
        grid->SetParent(form);
        grid->SetBounds(10, 10, 300, 200);
    }
    void TearDown() override {
        form->Free();
        PumpFor(20);
    }
    void ShowActive() {
        form->Show();
        ASSERT_TRUE(PumpUntil([&] { return form->Active(); }));
        PumpFor(50);
    }
    // The screen point in the middle of a cell.
    POINT Centre(int col, int row) {
        TRect r = grid->CellRect(col, row);
        EXPECT_FALSE(r.IsEmpty()) << col << "," << row;
        return grid->ClientToScreen(TPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    }
    void Click(int col, int row) {
        POINT p = Centre(col, row);
        ClickAt(p.x, p.y);
        PumpFor(50);
    }
    COLORREF Pixel(int col, int row, int dx = 1, int dy = 1) {
        TRect r = grid->CellRect(col, row);
        POINT p = grid->ClientToScreen(TPoint(r.left + dx, r.top + dy));
        return ScreenPixel(p.x, p.y);
    }
    void Paint() {
        grid->Repaint();
        PumpFor(50);
    }
    TForm* form = nullptr;
    TStringGrid* grid = nullptr;
};

TEST_F(Grids, CellsStandWhereTheirWidthsHeightsAndLinesPutThem) {
    grid->SetColCount(6);
    grid->SetRowCount(8);
    grid->SetColWidths(2, 100);
    grid->SetRowHeights(1, 30);
    form->Show();
    EXPECT_EQ(grid->CellRect(0, 0), TRect(0, 0, 64, 24));
    EXPECT_EQ(grid->CellRect(1, 0), TRect(65, 0, 129, 24));
    EXPECT_EQ(grid->CellRect(2, 1), TRect(130, 25, 230, 55));
    EXPECT_EQ(grid->CellRect(2, 2).top, 56);
    // A grid line belongs to the cell left of (above) it.
    EXPECT_EQ(grid->MouseCoord(64, 10), (TGridCoord{0, 0}));
    EXPECT_EQ(grid->MouseCoord(65, 10), (TGridCoord{1, 0}));
    EXPECT_EQ(grid->MouseCoord(229, 54), (TGridCoord{2, 1}));
    EXPECT_EQ(grid->MouseCoord(-1, 10), TGridCoord());
    EXPECT_EQ(grid->MouseCoord(10, 5000), TGridCoord());

    // Scrolled columns are gone from view; the fixed ones stay.
    grid->SetLeftCol(3);
    EXPECT_EQ(grid->LeftCol(), 3);
    EXPECT_TRUE(grid->CellRect(2, 1).IsEmpty());
    EXPECT_EQ(grid->CellRect(0, 1).left, 0);
    EXPECT_EQ(grid->CellRect(3, 1).left, 65);
    EXPECT_EQ(grid->MouseCoord(70, 30).X, 3);

    // Without lines the cells touch.
    grid->SetLeftCol(1);
    grid->SetOptions({goRangeSelect});
    EXPECT_EQ(grid->CellRect(1, 1), TRect(64, 24, 128, 54));
    grid->SetGridLineWidth(3);
    grid->SetOptions({goVertLine});
    EXPECT_EQ(grid->CellRect(1, 1), TRect(67, 24, 131, 54));
}

TEST_F(Grids, AClickSelectsACellAndArrowKeysMoveTheCurrentCell) {
    grid->SetColCount(6);
    grid->SetRowCount(6);
    std::vector<std::pair<int, int>> asked;
    std::pair<int, int> refused{-1, -1};
    grid->OnSelectCell = [&](TObject*, int c, int r, bool& can) {
        asked.emplace_back(c, r);
        can = std::make_pair(c, r) != refused;
    };
    int clicks = 0;
    grid->OnClick = [&](TObject*) { ++clicks; };
    ShowActive();

    Click(2, 3);
    EXPECT_EQ(grid->Col(), 2);
    EXPECT_EQ(grid->Row(), 3);
    EXPECT_TRUE(grid->Focused());
    EXPECT_EQ(asked.back(), std::make_pair(2, 3));
    EXPECT_EQ(clicks, 1);
    Click(0, 4);  // a fixed cell is no place for the current cell
    EXPECT_EQ(std::make_pair(grid->Col(), grid->Row()), std::make_pair(2, 3));

    auto press = [&](WORD key, bool ctrl = false) {
        PressKey(key, false, ctrl);
        PumpFor(50);
        return std::make_pair(grid->Col(), grid->Row());
    };
    EXPECT_EQ(press(VK_RIGHT), std::make_pair(3, 3));
    EXPECT_EQ(press(VK_DOWN), std::make_pair(3, 4));
    EXPECT_EQ(press(VK_HOME), std::make_pair(1, 4));
    EXPECT_EQ(press(VK_LEFT), std::make_pair(1, 4));  // the fixed column stops it
    EXPECT_EQ(press(VK_END, true), std::make_pair(5, 5));
    EXPECT_EQ(press(VK_DOWN), std::make_pair(5, 5));
    refused = {5, 4};
    EXPECT_EQ(press(VK_UP), std::make_pair(5, 5));
    EXPECT_EQ(press(VK_HOME, true), std::make_pair(1, 1));
    EXPECT_GE(clicks, 5);

    // Tab moves between cells only with goTabs; otherwise it leaves the grid to the form.
    grid->SetOptions(grid->Options() + TGridOptions{goTabs});
    EXPECT_EQ(press(VK_TAB), std::make_pair(2, 1));
    grid->SetCol(5);
    EXPECT_EQ(press(VK_TAB), std::make_pair(1, 2));
}

TEST_F(Grids, ShiftClicksAndDragsSelectBlocksAndRowSelectTakesWholeRows) {
    grid->SetColCount(6);
    grid->SetRowCount(6);
    grid->SetWidth(400);  // every cell in view, so that no click scrolls the cells away under the mouse
    ShowActive();
    Click(1, 1);
    HoldKey(VK_SHIFT, true);
    Click(3, 2);
    HoldKey(VK_SHIFT, false);
    EXPECT_EQ(grid->Selection(), (TGridRect{1, 1, 3, 2}));
    EXPECT_EQ(std::make_pair(grid->Col(), grid->Row()), std::make_pair(3, 2));

    // A drag from one cell to another.
    POINT from = Centre(4, 4), to = Centre(2, 3);
    MoveMouseTo(from.x, from.y);
    MouseButton(true);
    PumpFor(30);
    MoveMouseTo((from.x + to.x) / 2, (from.y + to.y) / 2);
    PumpFor(30);
    MoveMouseTo(to.x, to.y);
    PumpFor(30);
    MouseButton(false);
    PumpFor(50);
    EXPECT_EQ(grid->Selection(), (TGridRect{2, 3, 4, 4}));

    // Shift with the arrow keys stretches the block from its anchor.
    PressKey(VK_LEFT, true);
    PumpFor(50);
    EXPECT_EQ(grid->Selection(), (TGridRect{1, 3, 4, 4}));

    // Without range selection the shift click only moves.
    grid->SetOptions(grid->Options() - TGridOptions{goRangeSelect});
    HoldKey(VK_SHIFT, true);
    Click(5, 5);
    HoldKey(VK_SHIFT, false);
    EXPECT_EQ(grid->Selection(), (TGridRect{5, 5, 5, 5}));

    grid->SetOptions(grid->Options() + TGridOptions{goRowSelect});
    Click(2, 2);
    EXPECT_EQ(grid->Selection(), (TGridRect{1, 2, 5, 2}));
}

TEST_F(Grids, TheGridScrollsByWholeCellsToTheCurrentCellAndByItsBars) {
    grid->SetColCount(20);
    grid->SetRowCount(50);
    int topLeftChanges = 0;
    grid->OnTopLeftChanged = [&](TObject*) { ++topLeftChanges; };
    ShowActive();
    DWORD style = GetWindowLongW(grid->Handle(), GWL_STYLE);
    EXPECT_TRUE(style & WS_VSCROLL);
    EXPECT_TRUE(style & WS_HSCROLL);

    grid->SetFocus();
    PressKey(VK_END, false, true);
    PumpFor(50);
    EXPECT_EQ(std::make_pair(grid->Col(), grid->Row()), std::make_pair(19, 49));
    TRect last = grid->CellRect(19, 49);
    RECT client;
    GetClientRect(grid->Handle(), &client);
    ASSERT_FALSE(last.IsEmpty());
    EXPECT_LE(last.right, client.right);
    EXPECT_LE(last.bottom, client.bottom);
    EXPECT_EQ(grid->TopRow() + grid->VisibleRowCount(), 50);
    EXPECT_GT(topLeftChanges, 0);
    SCROLLINFO si{sizeof si, SIF_POS | SIF_RANGE | SIF_PAGE};
    GetScrollInfo(grid->Handle(), SB_VERT, &si);
    EXPECT_EQ(si.nPos, grid->TopRow());
    EXPECT_EQ(si.nMax - static_cast<int>(si.nPage) + 1, grid->TopRow());  // the end of the bar is the last row

    // A click on the bar's upper arrow scrolls one row back.
    int top = grid->TopRow();
    TPoint topRight = grid->ClientToScreen(TPoint(client.right, 0));
    ClickAt(topRight.x + GetSystemMetrics(SM_CXVSCROLL) / 2, topRight.y + GetSystemMetrics(SM_CYVSCROLL) / 2);
    ASSERT_TRUE(PumpUntil([&] { return grid->TopRow() == top - 1; }));
    GetScrollInfo(grid->Handle(), SB_VERT, &si);
    EXPECT_EQ(si.nPos, top - 1);

    // When every cell fits, the bars go.
    grid->SetColCount(3);
    grid->SetRowCount(3);
    PumpFor(20);
    style = GetWindowLongW(grid->Handle(), GWL_STYLE);
    EXPECT_FALSE(style & WS_VSCROLL);
    EXPECT_FALSE(style & WS_HSCROLL);
    EXPECT_EQ(grid->TopRow(), 1);
    EXPECT_EQ(grid->LeftCol(), 1);
}

TEST_F(Grids, TheScreenShowsFixedSelectedAndPlainCellsInTheirColoursWithTheirText) {
    grid->SetColCount(4);
    grid->SetRowCount(4);
    grid->SetFixedColor(clYellow);
    grid->SetColor(clWhite);
    grid->SetCells(2, 2, "WWWW");
    std::vector<std::string> drawn;
    grid->OnDrawCell = [&](TObject*, int c, int r, TRect, TGridDrawState state) {
        std::string s = std::to_string(c) + std::to_string(r);
        if (state.Contains(gdFixed)) s += "f";
        if (state.Contains(gdSelected)) s += "s";
        if (state.Contains(gdFocused)) s += "*";
        drawn.push_back(s);
    };
    auto* edit = new TEdit(form);  // holds the focus first
    edit->SetParent(form);
    edit->SetBounds(10, 250, 100, 21);
    ShowActive();
    edit->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return edit->Focused(); }));
    grid->SetSelection(TGridRect{1, 1, 2, 1});
    Paint();
    EXPECT_EQ(Pixel(0, 2, 5, 5), RGB(255, 255, 0));
    EXPECT_EQ(Pixel(3, 3, 5, 5), RGB(255, 255, 255));
    // The grid has no focus: the whole selection is highlighted.
    COLORREF highlight = static_cast<COLORREF>(ColorToRGB(clHighlight));
    EXPECT_EQ(Pixel(1, 1, 5, 5), highlight);
    EXPECT_EQ(Pixel(2, 1, 5, 5), highlight);
    // Lines right of and below the plain cells.
    TRect plain = grid->CellRect(3, 2);
    TPoint line = grid->ClientToScreen(TPoint(plain.left - 1, plain.top + 5));
    EXPECT_EQ(ScreenPixel(line.x, line.y), RGB(192, 192, 192));
    // Some of the text's pixels are neither background nor line.
    TRect text = grid->CellRect(2, 2);
    int ink = 0;
    for (int x = text.left; x < text.right; ++x)
        for (int y = text.top; y < text.bottom; ++y) {
            TPoint p = grid->ClientToScreen(TPoint(x, y));
            ink += ScreenPixel(p.x, p.y) != RGB(255, 255, 255);
        }
    EXPECT_GT(ink, 10);
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), "00f"), drawn.end());
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), "21s"), drawn.end());
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), "33"), drawn.end());

    // With the focus the current cell shows its focus instead of the highlight; the rest of the block stays lit.
    grid->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return grid->Focused(); }));
    drawn.clear();
    Paint();
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), "21s*"), drawn.end());
    EXPECT_EQ(Pixel(2, 1, 5, 5), RGB(255, 255, 255));
    EXPECT_EQ(Pixel(1, 1, 5, 5), highlight);

    // Without default drawing only the handler paints.
    grid->SetDefaultDrawing(false);
    grid->OnDrawCell = [&](TObject* sender, int, int, TRect r, TGridDrawState) {
        TCanvas* canvas = static_cast<TStringGrid*>(sender)->Canvas();
        canvas->Brush()->SetColor(clRed);
        canvas->FillRect(r);
    };
    Paint();
    EXPECT_EQ(Pixel(2, 2, 20, 5), RGB(255, 0, 0));
    EXPECT_EQ(Pixel(0, 0, 5, 5), RGB(255, 0, 0));
}

TEST_F(Grids, CellsKeepTheirPlaceWhenTheGridChangesSizeAndBadIndexesAreRefused) {
    grid->SetCells(1, 1, "a");
    grid->SetCells(4, 4, "corner");
    grid->SetCells(3, 2, "kept");
    grid->SetColCount(4);
    grid->SetRowCount(3);
    EXPECT_EQ(grid->Cells(1, 1), "a");
    EXPECT_EQ(grid->Cells(3, 2), "kept");
    grid->SetColCount(6);
    grid->SetRowCount(6);
    EXPECT_EQ(grid->Cells(3, 2), "kept");
    EXPECT_EQ(grid->Cells(4, 4), "");  // it went with its column
    EXPECT_THROW(grid->Cells(6, 0), EInvalidGridOperation);
    EXPECT_THROW(grid->SetCells(0, -1, "x"), EInvalidGridOperation);
    EXPECT_THROW(grid->ColWidths(6), EInvalidGridOperation);
    EXPECT_THROW(grid->SetFixedCols(6), EInvalidGridOperation);
    EXPECT_THROW(grid->SetFixedRows(-1), EInvalidGridOperation);
    EXPECT_THROW(grid->SetCol(0), EInvalidGridOperation);
    EXPECT_THROW(grid->SetRow(6), EInvalidGridOperation);

    // Fewer columns than fixed ones take fixed ones away; the current cell stays inside.
    grid->SetFixedCols(3);
    EXPECT_EQ(grid->Col(), 3);
    grid->SetColCount(2);
    EXPECT_EQ(grid->FixedCols(), 1);
    EXPECT_EQ(grid->Col(), 1);
    grid->SetColCount(0);
    EXPECT_EQ(grid->ColCount(), 1);
    EXPECT_EQ(grid->FixedCols(), 0);
}

TEST_F(Grids, SettingsComeFromAFormDescriptionAndFixedColorIsReadByName) {
    const std::string text =
        "object Form1: TForm\r\n"
        "  object Grid: TStringGrid\r\n"
        "    Left = 8\r\n"
        "    Top = 8\r\n"
        "    Width = 250\r\n"
        "    Height = 120\r\n"
        "    ColCount = 3\r\n"
        "    DefaultRowHeight = 18\r\n"
        "    FixedColor = clYellow\r\n"
        "    FixedRows = 0\r\n"
        "    Options = [goFixedVertLine, goVertLine, goRowSelect]\r\n"
        "    RowCount = 7\r\n"
        "    ColWidths = (\r\n"
        "      20\r\n"
        "      64\r\n"
        "      100)\r\n"
        "  end\r\n"
        "end\r\n";
    TForm loaded(nullptr);
    ReadComponentText(text, &loaded);
    auto* read = dynamic_cast<TStringGrid*>(loaded.FindComponent("Grid"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->ColCount(), 3);
    EXPECT_EQ(read->RowCount(), 7);
    EXPECT_EQ(read->FixedRows(), 0);
    EXPECT_EQ(read->ColWidths(2), 100);
    EXPECT_EQ(read->RowHeights(6), 18);
    EXPECT_EQ(read->Options(), (TGridOptions{goFixedVertLine, goVertLine, goRowSelect}));
    std::string written = WriteComponentText(&loaded);
    EXPECT_NE(written.find("FixedColor = clYellow"), std::string::npos) << written;
    EXPECT_NE(written.find("ColWidths = ("), std::string::npos) << written;
    EXPECT_EQ(written.find("RowHeights"), std::string::npos) << written;  // all of the default height
    TForm again(nullptr);
    ReadComponentText(written, &again);
    EXPECT_EQ(WriteComponentText(&again), written);

    // What the skin library reads and writes by name.
    const TPropInfo* fixed = FindFormProperty(read, "FixedColor");
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->Get(read).Str, "clYellow");
    fixed->Set(read, TFormValue::Integer(0x00123456));
    EXPECT_EQ(read->FixedColor(), 0x00123456);
    EXPECT_NE(FindFormProperty(read, "Color"), nullptr);
    EXPECT_EQ(FindFormProperty(read, "TitleFont"), nullptr);

    TForm broken(nullptr);
    EXPECT_THROW(ReadComponentText("object Form1: TForm\r\n  object G: TDrawGrid\r\n    ColCount = 2\r\n"
                                   "    ColWidths = (1 2 3)\r\n  end\r\nend\r\n",
                                   &broken),
                 EReadError);
}

}  // namespace
