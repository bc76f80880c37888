#pragma once
// Visual companions of the serial port: the combo box that lists and chooses one port setting, and the signal lamp.
#include "classlib/visual/Controls.h"
#include "classlib/visual/ExtCtrls.h"
#include "classlib/visual/StdCtrls.h"
#include "serial/CPort.h"

#include <memory>
#include <string>

enum TComProperty { cpNone, cpPort, cpBaudRate, cpDataBits, cpStopBits, cpParity, cpFlowControl };

// The value one combo box stands for, and the list of its possible values.
class TComSelect {
public:
    explicit TComSelect(TStrings* AItems) : FItems(AItems) {}

    TComProperty ComProperty() const { return FComProperty; }
    // Refills the list: the system's ports, or the texts of the setting in their order; cpNone empties it.
    // The port list raises code 23 when the system's list cannot be read.
    void SetComProperty(TComProperty Value);
    TCustomComPort* ComPort() const { return FComPort; }
    void SetComPort(TCustomComPort* Value) { FComPort = Value; }
    bool AutoApply() const { return FAutoApply; }
    void SetAutoApply(bool Value) { FAutoApply = Value; }

    // Takes the chosen text as the value; with AutoApply it goes to the port at once.
    void SelectValue(const std::string& Text);
    // Takes the text as the value (the port name as it is, the other settings by their texts).
    void TakeValue(const std::string& Text);
    // Writes the value into the bound port.
    void ApplySettings();
    // Looks the bound port's current value up in the list: ItemIndex becomes its index (-1 when it is not
    // listed) and the value is taken from the item found. Without a port ItemIndex stays as it is.
    void UpdateSettings(int& ItemIndex);

    const std::string& Port() const { return FPort; }
    TBaudRate BaudRate() const { return FBaudRate; }
    TDataBits DataBits() const { return FDataBits; }
    TStopBits StopBits() const { return FStopBits; }
    TParityBits Parity() const { return FParity; }
    TFlowControl FlowControl() const { return FFlowControl; }

private:
    // The text of the bound port's current value for this property.
    std::string CurrentText() const;

    std::string FPort;
    TBaudRate FBaudRate = br9600;
    TDataBits FDataBits = dbEight;
    TStopBits FStopBits = sbOneStopBit;
    TParityBits FParity = prNone;
    TFlowControl FFlowControl = fcNone;
    TStrings* FItems;
    TComProperty FComProperty = cpNone;
    TCustomComPort* FComPort = nullptr;
    bool FAutoApply = false;
};

// A drop-down list of the possible values of one port setting; the chosen value goes into the port when the
// program applies it (or at once with AutoApply).
class TComComboBox : public TCustomComboBox {
    CLASS_INFO(TComComboBox, TCustomComboBox)
public:
    explicit TComComboBox(TComponent* AOwner);
    ~TComComboBox() override;

    TCustomComPort* ComPort() const { return FComSelect->ComPort(); }
    // Shows the port's current value.
    void SetComPort(TCustomComPort* Value);
    TComProperty ComProperty() const { return FComSelect->ComProperty(); }
    // Fills the list and shows the bound port's value (the first item without a port).
    void SetComProperty(TComProperty Value);
    bool AutoApply() const { return FComSelect->AutoApply(); }
    void SetAutoApply(bool Value) { FComSelect->SetAutoApply(Value); }
    // The chosen item, or empty text when none is chosen.
    std::string Text() const override;
    // Chooses the item of that text; a text that is not listed changes nothing.
    void SetText(const std::string& Value) override;

    // Shows the bound port's current value again (the first item without a port).
    void UpdateSettings();
    // Writes the chosen value into the bound port; with no item chosen nothing is written.
    void ApplySettings();
    TComSelect* ComSelect() const { return FComSelect.get(); }

protected:
    void Change() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    std::unique_ptr<TComSelect> FComSelect;
};

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
    // The glyphs, owned by the lamp and drawn transparent (the bottom-left pixel's colour). Setting them is
    // possible only for lkCustom: the lamp takes a copy.
    TBitmap* GlyphOn() const { return FGlyphOn.get(); }
    void SetGlyphOn(TBitmap* value);
    TBitmap* GlyphOff() const { return FGlyphOff.get(); }
    void SetGlyphOff(TBitmap* value);
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
    void SetGlyph(TBitmap& glyph, TBitmap* value);

    TCustomComPort* FComPort = nullptr;
    TComLedSignal FLedSignal = lsConn;
    TLedKind FKind = lkRedLight;
    TLedState FState = lsOff;
    std::unique_ptr<TBitmap> FGlyphOff;
    std::unique_ptr<TBitmap> FGlyphOn;
    std::unique_ptr<TComLink> FLink;
    TTimer* FRingTimer;
};
