#include "uHEXLog.h"

#include "classlib/runtime/FormResources.h"
#include "uHExLogOpt.h"
#include "uLogLimit.h"
#include "uMain.h"

#include <cstdlib>

TfrmHEXLog* frmHEXLog = nullptr;

void MagnetDragStep(TMagnetDrag& Drag, TRect& R, TPoint P, const TRect& M) {
    const int W = R.right - R.left;
    const int Ht = R.bottom - R.top;
    if (!Drag.Moving) {
        Drag.Moving = true;
        Drag.StartPos = P;
    }
    if (Drag.Docked) {
        // A docked window slides along its edge; only a pull across it beyond the distance frees it.
        // edge: where the docked side lies; start/now: the pointer across the edge at the drag's start and now.
        auto across = [&](int edge, int start, int now) {
            if (std::abs(start - now) <= MagnetDistance)
                return edge;
            Drag.Docked = false;
            return edge + now - start;
        };
        switch (Drag.DockSide) {
        case dsRight:
            R.left = across(M.right, Drag.StartPos.x, P.x);
            R.right = R.left + W;
            break;
        case dsBelow:
            R.top = across(M.bottom, Drag.StartPos.y, P.y);
            R.bottom = R.top + Ht;
            break;
        case dsLeft:
            R.right = across(M.left, Drag.StartPos.x, P.x);
            R.left = R.right - W;
            break;
        case dsAbove:
            R.bottom = across(M.top, Drag.StartPos.y, P.y);
            R.top = R.bottom - Ht;
            break;
        default:
            break;
        }
        return;
    }
    // The first edge within reach decides; when the windows do not overlap along it, nothing snaps.
    auto dock = [&](TDockSide side) {
        Drag.Docked = true;
        Drag.DockSide = side;
        Drag.StartPos = P;
    };
    const bool overlapVertically = M.bottom >= R.top && R.bottom >= M.top;
    const bool overlapHorizontally = M.right >= R.left && M.left <= R.right;
    if (std::abs(R.left - M.right) < MagnetDistance) {
        if (overlapVertically) {
            dock(dsRight);
            R.left = M.right;
            R.right = M.right + W;
        }
    } else if (std::abs(R.top - M.bottom) < MagnetDistance) {
        if (overlapHorizontally) {
            dock(dsBelow);
            R.top = M.bottom;
            R.bottom = M.bottom + Ht;
        }
    } else if (std::abs(R.right - M.left) < MagnetDistance) {
        if (overlapVertically) {
            dock(dsLeft);
            R.right = M.left;
            R.left = M.left - W;
        }
    } else if (std::abs(R.bottom - M.top) < MagnetDistance) {
        if (overlapHorizontally) {
            dock(dsAbove);
            R.bottom = M.top;
            R.top = M.top - Ht;
        }
    }
}

TDockSide TouchingSide(const TRect& H, const TRect& M) {
    TDockSide side = dsNone;
    if (H.left == M.right)
        side = dsRight;
    if (H.top == M.bottom)
        side = dsBelow;
    if (H.right == M.left)
        side = dsLeft;
    if (H.bottom == M.top)
        side = dsAbove;
    return side;
}

TRect HorizontalMagnet(const TRect& H, const TRect& M, int ScreenWidth, TDockSide& Side) {
    int left = H.left;
    int width = H.right - H.left;
    if (ScreenWidth - M.right > M.left) {
        Side = dsRight;
        left = M.right;
        if (left + width > ScreenWidth && ScreenWidth - left > HexLogMinSize)
            width = ScreenWidth - left;
    } else {
        Side = dsLeft;
        left = M.left - width;
        if (left < 0 && M.left > HexLogMinSize) {
            left = 0;
            width = M.left;
        }
    }
    return TRect(left, M.top, left + width, M.bottom);
}

TRect VerticalMagnet(const TRect& H, const TRect& M, int ScreenHeight, TDockSide& Side) {
    int top = H.top;
    int height = H.bottom - H.top;
    if (ScreenHeight - M.bottom > M.top) {
        Side = dsBelow;
        top = M.bottom;
        if (top + height > ScreenHeight && ScreenHeight - top > HexLogMinSize)
            height = ScreenHeight - top;
    } else {
        Side = dsAbove;
        top = M.top - height;
        if (top < 0 && M.top > HexLogMinSize) {
            top = 0;
            height = M.top;
        }
    }
    return TRect(M.left, top, M.right, top + height);
}

TfrmHEXLog::TfrmHEXLog(TComponent* AOwner) : TForm(AOwner) {
    if (!InitInheritedComponent(this))
        throw EResNotFound("The form description of TfrmHEXLog is missing");
}

TfrmHEXLog::~TfrmHEXLog() {
    if (frmHEXLog == this)
        frmHEXLog = nullptr;
}

void TfrmHEXLog::FormCreate(TObject*) {
    tlb->SetImages(frmMain->PngImageList);
    const TRect m = frmMain->BoundsRect();
    int left = Ini->ReadInteger("Last", "HexLogLeft", m.right);
    int top = Ini->ReadInteger("Last", "HexLogTop", m.top);
    int width = StoredWindowExtent(Ini->ReadInteger("Last", "HexLogWidth", 300), 300, GetSystemMetrics(SM_CXMINTRACK));
    int height = StoredWindowExtent(Ini->ReadInteger("Last", "HexLogHeight", m.bottom - m.top), m.bottom - m.top,
                                    GetSystemMetrics(SM_CYMINTRACK));
    ClampToScreen(left, top, width, height, Screen->Width(), Screen->Height());
    SetBounds(left, top, width, height);

    TDockSide side = TouchingSide(BoundsRect(), m);
    frmMain->Docked = side != dsNone;
    if (side != dsNone)
        frmMain->DockSide = side;
    FDrag.Moving = false;
    FDrag.Docked = frmMain->Docked;

    Log->SetSelStart(Log->GetTextLen());
    dlgSave->SetInitialDir(ExecutableFolder());
}

void TfrmHEXLog::FormCloseQuery(TObject* Sender, bool& CanClose) {
    // Only the main window closes the log (it hides it); the user's own close request is refused.
    CanClose = Sender == frmMain;
}

void TfrmHEXLog::WMMoving(TMessage& Message) {
    if (!frmMain) {
        TForm::WMMoving(Message);
        return;
    }
    auto* r = reinterpret_cast<RECT*>(Message.LParam);
    TRect proposed(r->left, r->top, r->right, r->bottom);
    POINT p;
    GetCursorPos(&p);
    FDrag.DockSide = static_cast<TDockSide>(frmMain->DockSide);
    MagnetDragStep(FDrag, proposed, TPoint(p.x, p.y), frmMain->BoundsRect());
    frmMain->DockSide = FDrag.DockSide;
    *r = proposed;
    TForm::WMMoving(Message);
}

void TfrmHEXLog::WMMove(TMessage& Message) {
    TForm::WMMove(Message);
    FDrag.Moving = false;
    if (frmMain)
        frmMain->Docked = FDrag.Docked;
}

void TfrmHEXLog::btnHoriMagnetWinClick(TObject*) {
    FDrag.Docked = true;
    frmMain->Docked = true;
    TDockSide side = dsNone;
    SetBoundsRect(HorizontalMagnet(BoundsRect(), frmMain->BoundsRect(), Screen->Width(), side));
    frmMain->DockSide = side;
}

void TfrmHEXLog::btnVertMagnetWinClick(TObject*) {
    FDrag.Docked = true;
    frmMain->Docked = true;
    TDockSide side = dsNone;
    SetBoundsRect(VerticalMagnet(BoundsRect(), frmMain->BoundsRect(), Screen->Height(), side));
    frmMain->DockSide = side;
}

void TfrmHEXLog::ToolButton1Click(TObject*) {
    dlgSave->SetFileName(ProposedLogFileName(dlgSave->FileName(), "AT Command HEX Log ", ".rtf"));
    if (dlgSave->Execute()) {
        // The port is read while the dialog is open: the lines of what arrived meanwhile are saved too.
        FlushLines();
        Log->Lines()->SaveToFile(dlgSave->FileName());
    }
}

void TfrmHEXLog::ToolButton2Click(TObject*) {
    frmHEXLogOpt->ShowModal();
}

void TfrmHEXLog::ToolButton3Click(TObject*) {
    FQueued.clear();
    FQueuedLines = 0;
    FMayHoldTooMuch = false;
    Log->Clear();
}

void TfrmHEXLog::AppendLine(const std::string& Line, TColor Color) {
    QueueLine(Line, Color);
    FlushLines();
    KeepWithinLimit();
}

void TfrmHEXLog::QueueLine(const std::string& Line, TColor Color) {
    if (FQueuedLines > 0 && Color != FQueuedColor)
        FlushLines();
    if (FQueuedLines == 0)
        FQueuedSince = GetTickCount();
    FQueuedColor = Color;
    FQueued += Line;
    FQueued += "\r\n";
    ++FQueuedLines;
}

void TfrmHEXLog::FlushLines() {
    if (FQueuedLines == 0)
        return;
    // Through buffers kept from one batch to the next, as the main window passes received text.
    AnsiToWide(FQueued, FWideQueued);
    FQueued.clear();
    FQueuedLines = 0;
    // Nobody undoes in a log, and Wine's rich edit would keep every append and every dropped block for it: a copy
    // of what was dropped, and time spent on each. Asked at every append, as the window may have been made anew.
    SendMessageA(Log->Handle(), EM_SETUNDOLIMIT, 0, 0);
    // The colour goes on after the caret moved: the insertion point takes the format of where it lands.
    Log->SetSelStart(Log->GetTextLen());
    Log->SetSelLength(0);
    Log->SelAttributes()->SetColor(FQueuedColor);
    SendMessageW(Log->Handle(), EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(FWideQueued.c_str()));
    SendMessageA(Log->Handle(), EM_SCROLL, SB_LINEDOWN, 0);
    FMayHoldTooMuch = true;
}

void TfrmHEXLog::KeepWithinLimit() {
    FMayHoldTooMuch = false;
    TrimHexLog(Log, HexLogLimit);
}

static const bool HexLogRegistered = [] {
    RegisterFormClass<TfrmHEXLog>([](TFormClass<TfrmHEXLog>& c) {
        c.Field("Log", &TfrmHEXLog::Log);
        c.Field("tlb", &TfrmHEXLog::tlb);
        c.Field("ToolButton2", &TfrmHEXLog::ToolButton2);
        c.Field("btnHoriMagnetWin", &TfrmHEXLog::btnHoriMagnetWin);
        c.Field("btnVertMagnetWin", &TfrmHEXLog::btnVertMagnetWin);
        c.Field("ToolButton1", &TfrmHEXLog::ToolButton1);
        c.Field("ToolButton3", &TfrmHEXLog::ToolButton3);
        c.Field("dlgSave", &TfrmHEXLog::dlgSave);
        c.Method("FormCreate", &TfrmHEXLog::FormCreate);
        c.Method("FormCloseQuery", &TfrmHEXLog::FormCloseQuery);
        c.Method("btnHoriMagnetWinClick", &TfrmHEXLog::btnHoriMagnetWinClick);
        c.Method("btnVertMagnetWinClick", &TfrmHEXLog::btnVertMagnetWinClick);
        c.Method("ToolButton1Click", &TfrmHEXLog::ToolButton1Click);
        c.Method("ToolButton2Click", &TfrmHEXLog::ToolButton2Click);
        c.Method("ToolButton3Click", &TfrmHEXLog::ToolButton3Click);
    });
    return true;
}();
