#pragma once
// The HEX log window: one coloured line of hexadecimal bytes per sent or received chunk, kept like a
// magnet at one edge of the main window.
#include "classlib/visual/ComCtrls.h"
#include "classlib/visual/RichEdit.h"
#include "classlib/visual/Dialogs.h"
#include "classlib/visual/Forms.h"

#include <cstdint>

// The edges of the main window the HEX log docks at (0: none).
enum TDockSide : uint8_t { dsNone = 0, dsRight = 1, dsBelow = 2, dsLeft = 3, dsAbove = 4 };

// Nearer than this the window snaps to an edge; pulled further than this it comes loose.
constexpr int MagnetDistance = 36;
constexpr int HexLogMinSize = 210;

// What one drag step works with: the window's own docked flag, the side (the main window's), whether a
// step is under way and where the cursor was when it began or when the window last snapped.
struct TMagnetDrag {
    bool Docked = false;
    TDockSide DockSide = dsNone;
    bool Moving = false;
    TPoint StartPos;
};

// One WM_MOVING step: R is the proposed window rectangle, changed in place to snap, stick or come loose.
void MagnetDragStep(TMagnetDrag& Drag, TRect& R, TPoint Cursor, const TRect& Main);
// The side a window with bounds H touches the main window M on (a later edge wins), dsNone if none.
TDockSide TouchingSide(const TRect& H, const TRect& M);
// The horizontal magnet: H placed beside M on the side with more room, shrunk to the screen if it can.
TRect HorizontalMagnet(const TRect& H, const TRect& M, int ScreenWidth, TDockSide& Side);
// The vertical magnet: H placed below or above M on the side with more room.
TRect VerticalMagnet(const TRect& H, const TRect& M, int ScreenHeight, TDockSide& Side);

class TfrmHEXLog : public TForm {
    CLASS_INFO(TfrmHEXLog, TForm)
public:
    explicit TfrmHEXLog(TComponent* AOwner);
    ~TfrmHEXLog() override;

    TRichEdit* Log = nullptr;
    TToolBar* tlb = nullptr;
    TToolButton* ToolButton2 = nullptr;
    TToolButton* btnHoriMagnetWin = nullptr;
    TToolButton* btnVertMagnetWin = nullptr;
    TToolButton* ToolButton1 = nullptr;
    TToolButton* ToolButton3 = nullptr;
    TSaveDialog* dlgSave = nullptr;

    void FormCreate(TObject* Sender);
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void btnHoriMagnetWinClick(TObject* Sender);
    void btnVertMagnetWinClick(TObject* Sender);
    void ToolButton1Click(TObject* Sender);
    void ToolButton2Click(TObject* Sender);
    void ToolButton3Click(TObject* Sender);

    // Appends Line with CR LF at the end of the log in Color and scrolls one line down; lines that wait go first.
    void AppendLine(const std::string& Line, TColor Color);
    // Lets Line wait, to go into the log with the others of its colour in one append: Wine's rich edit spends
    // most of an append on the append itself, whatever its size. A line of another colour appends those first.
    void QueueLine(const std::string& Line, TColor Color);
    // Appends the lines that wait, each on its own line in its colour, and scrolls one line down. The log may then
    // hold more than it keeps: KeepWithinLimit drops its oldest lines, which takes about as long as the append.
    void FlushLines();
    void KeepWithinLimit();
    bool MayHoldTooMuch() const { return FMayHoldTooMuch; }
    // How many lines and how many characters wait.
    size_t QueuedLines() const { return FQueuedLines; }
    size_t QueuedChars() const { return FQueued.size(); }
    // When the oldest line that waits was queued (GetTickCount).
    DWORD QueuedSince() const { return FQueuedSince; }
    bool Docked() const { return FDrag.Docked; }

protected:
    void WMMoving(TMessage& Message) override;
    void WMMove(TMessage& Message) override;

private:
    TMagnetDrag FDrag;
    // Lines on their way to the log, CR LF after each, all in FQueuedColor.
    std::string FQueued;
    std::wstring FWideQueued;
    size_t FQueuedLines = 0;
    TColor FQueuedColor = clBlack;
    DWORD FQueuedSince = 0;
    bool FMayHoldTooMuch = false;
};

extern TfrmHEXLog* frmHEXLog;
