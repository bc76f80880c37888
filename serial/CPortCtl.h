#pragma once
// Visual companions of the serial port: the signal lamp.
#include "classlib/Controls.h"
#include "classlib/ExtCtrls.h"
#include "serial/CPort.h"

enum TLedKind { lkRedLight, lkGreenLight, lkBlueLight, lkYellowLight, lkPurpleLight, lkBulb, lkCustom };
enum TLedState { lsOff, lsOn };
using TLedStateEvent = std::function<void(TObject* Sender, TLedState AState)>;

// A 25x25 lamp that follows one signal of a port through a link, or shows the state the program gives it.
class TComLed : public TGraphicControl {
    CLASS_INFO(TComLed, TGraphicControl)
public:
    explicit TComLed(TComponent* AOwner);
    ~TComLed() override;

    TCustomComPort* ComPort() const { return FComPort; }
    void SetComPort(TCustomComPort* value);
    TComLedSignal LedSignal() const { return FLedSignal; }
    void SetLedSignal(TComLedSignal value);
    TLedKind Kind() const { return FKind; }
    void SetKind(TLedKind value);
    TLedState State() const { return FState; }
    // Raises code 19 while a port is attached: the port decides then.
    void SetState(TLedState value);
    unsigned RingDuration() const { return FRingTimer->Interval(); }
    void SetRingDuration(unsigned value) { FRingTimer->SetInterval(value); }
    // The glyphs; owned by the lamp. Setting them is possible only for lkCustom (the lamp takes a copy).
    HBITMAP GlyphOn() const { return FGlyphOn; }
    void SetGlyphOn(HBITMAP value);
    HBITMAP GlyphOff() const { return FGlyphOff; }
    void SetGlyphOff(HBITMAP value);
    TComLink* Link() const { return FLink.get(); }
    TTimer* RingTimer() const { return FRingTimer; }

    TLedStateEvent OnChange;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void Paint() override;
    virtual void DoChange(TLedState AState);

private:
    void SetLedState(TLedState value);
    void SignalChanged(bool OnOff);
    void RingDetected();
    void RingTimerExpired();
    TLedState SignalState();
    void LoadGlyphs();
    void FreeGlyphs();
    void SetGlyph(HBITMAP& glyph, HBITMAP value);

    TCustomComPort* FComPort = nullptr;
    TComLedSignal FLedSignal = lsConn;
    TLedKind FKind = lkRedLight;
    TLedState FState = lsOff;
    HBITMAP FGlyphOff = nullptr;
    HBITMAP FGlyphOn = nullptr;
    std::unique_ptr<TComLink> FLink;
    TTimer* FRingTimer;
};
