#include "CPortCtl.h"

#include "classlib/ExceptionHandler.h"
#include "classlib/Forms.h"

namespace {

const char* const LedColours[] = {"RED", "GREEN", "BLUE", "YELLOW", "PURPLE", "BULB"};

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) return {0, 0};
    return {info.bmWidth, info.bmHeight};
}

}  // namespace

TComLed::TComLed(TComponent* AOwner) : TGraphicControl(AOwner), FLink(new TComLink) {
    TControlStyle style = ControlStyle();
    style.Exclude(csSetCaption);
    SetControlStyle(style);
    SetBounds(Left(), Top(), 25, 25);
    FLink->OnConn = [this](TObject*, bool OnOff) { SignalChanged(OnOff); };
    FRingTimer = new TTimer(this);
    FRingTimer->SetEnabled(false);
    FRingTimer->SetInterval(1000);
    FRingTimer->OnTimer = [this](TObject*) { RingTimerExpired(); };
}

TComLed::~TComLed() {
    // A port being destroyed has already dropped its links; unregistering there would find a half-gone port.
    if (FComPort && !FComPort->ComponentState().Contains(csDestroying)) FComPort->UnregisterLink(FLink.get());
    if (FComPort) FComPort->RemoveFreeNotification(this);
    FComPort = nullptr;
    FreeGlyphs();
}

void TComLed::FreeGlyphs() {
    if (FGlyphOn) DeleteObject(FGlyphOn);
    if (FGlyphOff) DeleteObject(FGlyphOff);
    FGlyphOn = FGlyphOff = nullptr;
}

void TComLed::LoadGlyphs() {
    if (FKind == lkCustom) return;
    FreeGlyphs();
    HINSTANCE module = GetModuleHandleA(nullptr);
    std::string name = std::string("LED") + LedColours[FKind];
    FGlyphOn = LoadBitmapA(module, (name + "ON").c_str());
    FGlyphOff = LoadBitmapA(module, (name + "OFF").c_str());
    if (!FGlyphOn || !FGlyphOff) RaiseLastOSError("LoadBitmapA");
}

void TComLed::SetKind(TLedKind value) {
    if (FKind == value) return;
    FKind = value;
    LoadGlyphs();
    Invalidate();
}

void TComLed::SetGlyph(HBITMAP& glyph, HBITMAP value) {
    if (FKind != lkCustom) return;
    HBITMAP copy = value ? static_cast<HBITMAP>(CopyImage(value, IMAGE_BITMAP, 0, 0, 0)) : nullptr;
    if (value && !copy) RaiseLastOSError("CopyImage");
    if (glyph) DeleteObject(glyph);
    glyph = copy;
    Invalidate();
}

void TComLed::SetGlyphOn(HBITMAP value) { SetGlyph(FGlyphOn, value); }
void TComLed::SetGlyphOff(HBITMAP value) { SetGlyph(FGlyphOff, value); }

void TComLed::SetLedSignal(TComLedSignal value) {
    if (FLedSignal == value) return;
    FLedSignal = value;
    FLink->OnConn = nullptr;
    FLink->OnCTSChange = nullptr;
    FLink->OnDSRChange = nullptr;
    FLink->OnRLSDChange = nullptr;
    FLink->OnRing = nullptr;
    FLink->OnTx = nullptr;
    FLink->OnRx = nullptr;
    auto changed = [this](TObject*, bool OnOff) { SignalChanged(OnOff); };
    switch (value) {
        case lsConn:
            FLink->OnConn = changed;
            break;
        case lsCTS:
            FLink->OnCTSChange = changed;
            break;
        case lsDSR:
            FLink->OnDSRChange = changed;
            break;
        case lsRLSD:
            FLink->OnRLSDChange = changed;
            break;
        case lsRx:
            FLink->OnRx = changed;
            break;
        case lsTx:
            FLink->OnTx = changed;
            break;
        case lsRing:
            FLink->OnRing = [this](TObject*) { RingDetected(); };
            break;
    }
}

void TComLed::SetComPort(TCustomComPort* value) {
    if (FComPort == value) return;
    if (FComPort) {
        FComPort->UnregisterLink(FLink.get());
        FComPort->RemoveFreeNotification(this);
    }
    FComPort = value;
    if (FComPort) {
        FComPort->FreeNotification(this);
        FComPort->RegisterLink(FLink.get());
        if (FComPort->Connected() && !ComponentState().Contains(csDesigning) && !Loading()) SetLedState(SignalState());
    } else {
        SetLedState(lsOff);
    }
}

void TComLed::SetState(TLedState value) {
    if (FComPort) throw EComPort(19);
    SetLedState(value);
}

void TComLed::SetLedState(TLedState value) {
    FState = value;
    if (!Loading()) DoChange(value);
    Invalidate();
}

void TComLed::DoChange(TLedState AState) {
    if (OnChange) OnChange(this, AState);
}

void TComLed::SignalChanged(bool OnOff) {
    SetLedState(OnOff ? lsOn : lsOff);
    // Painted at once: the signals are often shorter than the time until the next idle moment.
    Application->ProcessMessages();
}

void TComLed::RingDetected() {
    FRingTimer->SetEnabled(true);
    SetLedState(lsOn);
}

void TComLed::RingTimerExpired() {
    FRingTimer->SetEnabled(false);
    SetLedState(lsOff);
}

TLedState TComLed::SignalState() {
    switch (FLedSignal) {
        case lsConn:
            return FComPort->Connected() ? lsOn : lsOff;
        case lsCTS:
            return FComPort->ModemSignals().Contains(msCTS) ? lsOn : lsOff;
        case lsDSR:
            return FComPort->ModemSignals().Contains(msDSR) ? lsOn : lsOff;
        case lsRLSD:
            return FComPort->ModemSignals().Contains(msRLSD) ? lsOn : lsOff;
        default:
            return lsOff;
    }
}

void TComLed::Notification(TComponent* AComponent, TOperation Operation) {
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FComPort) {
        // The port is going: its links go with it, so nothing is unregistered.
        FComPort = nullptr;
        SetLedState(lsOff);
    }
}

void TComLed::Paint() {
    if (!FGlyphOn || !FGlyphOff) LoadGlyphs();
    HBITMAP glyph = Enabled() && FState == lsOn ? FGlyphOn : FGlyphOff;
    SIZE size = BitmapSize(glyph);
    if (size.cx == 0) return;
    TRect r = ClientRect();
    int x = r.left + std::max(0, static_cast<int>((r.right - r.left - size.cx) / 2));
    int y = r.top + std::max(0, static_cast<int>((r.bottom - r.top - size.cy) / 2));
    HDC dc = Canvas()->Handle();
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, glyph);
    // The bottom-left pixel is the glyph's transparent colour.
    COLORREF transparent = GetPixel(mem, 0, size.cy - 1);
    GdiTransparentBlt(dc, x, y, size.cx, size.cy, mem, 0, 0, size.cx, size.cy, transparent);
    SelectObject(mem, old);
    DeleteDC(mem);
}
