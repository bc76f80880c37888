#pragma once
// The list-view adapter: the list's frame, colours and bars as an edit's, its report-view column header painted
// with the skin's column-header section through a procedure of its own on the header window, and thumb drags
// turned into the list's own scrolling.
#include "acEditWnd.h"

class TsSkinManager;

// The sort arrow of a header cell: the glyph of "SCROLLBTNTOP" (Up) or "SCROLLBTNBOTTOM", centred vertically at
// the cell's right end.
void PaintSortGlyph(HDC DC, const TRect& Cell, bool Up, TsSkinManager* Manager);
// The section a column header cell paints with: "COLHEADER", or "BUTTON" where the skin has none.
int HeaderSectionIndex(TsSkinManager* Manager, std::string& SectionName);

class TacListViewWnd : public TacEditWnd {
    CLASS_INFO(TacListViewWnd, TacEditWnd)
public:
    ~TacListViewWnd() override;
    void Init(HWND AHandle, TsCommonData* ASkinData, TsSkinManager* ASkinManager, const std::string& SkinSection,
              bool Repaint) override;
    void SaveStdParams() override;
    void RestoreStdParams() override;
    void SetSkinParams() override;
    void WndProc(TMessage& Message) override;

    // The list's header window, nil when it has none (or it was given back).
    HWND HeaderHandle = nullptr;
    WNDPROC HeaderInstance = nullptr;
    WNDPROC OldHeaderProc = nullptr;
    // The column under the mouse, -1 for none; the column pressed, -1 for none.
    int HotColumn = -1;
    int PressedColumn = -1;
    // The control's own Color and font colour before the skin; StdColor and StdFontColor hold the window's list
    // colours.
    TColor OwnColor = clNone;
    TColor OwnFontColor = clNone;

    // 0 icon, 1 small icon, 2 list, 3 report.
    int ViewStyle() const;
    // Paints the header (report view only) into DC at its place in the list's client area.
    void PaintHeader(HDC DC);

private:
    static LRESULT CALLBACK HeaderInstanceProc(void* Object, UINT Msg, WPARAM WParam, LPARAM LParam);
    LRESULT HeaderWndProc(UINT Msg, WPARAM WParam, LPARAM LParam);
    void HookHeader(HWND Header);
    void UnhookHeader();
    int ColumnAt(int X, int Y) const;
    void SetHotColumn(int Column);
    // The column under the header point (X, Y) becomes the hot one; the mouse's leaving is watched for.
    void TrackHotColumn(int X, int Y);
    // The horizontal offset that the report view is scrolled by, in pixels.
    int ScrollOffsetX() const;
    // Where the list stands on the bar: the top row in report view, the scroll offset otherwise.
    int ListPosition(bool Vertical, bool Report) const;
    // A thumb track or the end of one, turned into the list's own scrolling in every view; false for other codes.
    bool TrackThumb(TMessage& Message, bool Report);
    // Set while a thumb is dragged: the position last scrolled to.
    bool FTrackingH = false, FTrackingV = false;
    int FLastTrackH = 0, FLastTrackV = 0;
    bool FHeaderLeaveTracked = false;
};
