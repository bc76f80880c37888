#include "CPortCtl.h"

#include "classlib/runtime/ExceptionHandler.h"
#include "classlib/runtime/FormResources.h"
#include "classlib/visual/Forms.h"

namespace {

const char* const LedColours[] = {"RED", "GREEN", "BLUE", "YELLOW", "PURPLE", "BULB"};

// The texts of every value of an enumeration, in its order.
template <class E>
void AddTexts(TStrings* items, E last, std::string (*text)(E)) {
    for (int i = 0; i <= static_cast<int>(last); ++i) items->Add(text(static_cast<E>(i)));
}

}  // namespace

// --- TComSelect ---

void TComSelect::SetComProperty(TComProperty Value) {
    FComProperty = Value;
    TStringsUpdateScope update(*FItems);
    FItems->Clear();
    switch (Value) {
        case cpNone:
            break;
        case cpPort:
            EnumComPorts(FItems);
            break;
        case cpBaudRate:
            AddTexts(FItems, br256000, BaudRateToStr);
            break;
        case cpDataBits:
            AddTexts(FItems, dbEight, DataBitsToStr);
            break;
        case cpStopBits:
            AddTexts(FItems, sbTwoStopBits, StopBitsToStr);
            break;
        case cpParity:
            AddTexts(FItems, prSpace, ParityToStr);
            break;
        case cpFlowControl:
            AddTexts(FItems, fcCustom, FlowControlToStr);
            break;
    }
}

void TComSelect::TakeValue(const std::string& Text) {
    switch (FComProperty) {
        case cpNone:
            break;
        case cpPort:
            FPort = Text;
            break;
        case cpBaudRate:
            FBaudRate = StrToBaudRate(Text);
            break;
        case cpDataBits:
            FDataBits = StrToDataBits(Text);
            break;
        case cpStopBits:
            FStopBits = StrToStopBits(Text);
            break;
        case cpParity:
            FParity = StrToParity(Text);
            break;
        case cpFlowControl:
            FFlowControl = StrToFlowControl(Text);
            break;
    }
}

void TComSelect::SelectValue(const std::string& Text) {
    TakeValue(Text);
    if (FAutoApply) ApplySettings();
}

void TComSelect::ApplySettings() {
    if (!FComPort) return;
    switch (FComProperty) {
        case cpNone:
            break;
        case cpPort:
            FComPort->SetPort(FPort);
            break;
        case cpBaudRate:
            FComPort->SetBaudRate(FBaudRate);
            break;
        case cpDataBits:
            FComPort->SetDataBits(FDataBits);
            break;
        case cpStopBits:
            FComPort->SetStopBits(FStopBits);
            break;
        case cpParity:
            FComPort->Parity()->SetBits(FParity);
            break;
        case cpFlowControl:
            FComPort->FlowControl()->SetFlowControl(FFlowControl);
            break;
    }
}

std::string TComSelect::CurrentText() const {
    switch (FComProperty) {
        case cpPort:
            return FComPort->Port();
        case cpBaudRate:
            return BaudRateToStr(FComPort->BaudRate());
        case cpDataBits:
            return DataBitsToStr(FComPort->DataBits());
        case cpStopBits:
            return StopBitsToStr(FComPort->StopBits());
        case cpParity:
            return ParityToStr(FComPort->Parity()->Bits());
        case cpFlowControl:
            return FlowControlToStr(FComPort->FlowControl()->FlowControl());
        case cpNone:
            break;
    }
    return std::string();
}

void TComSelect::UpdateSettings(int& ItemIndex) {
    if (!FComPort) return;
    ItemIndex = FComProperty == cpNone ? -1 : FItems->IndexOf(CurrentText());
    if (ItemIndex >= 0) TakeValue(FItems->Strings(ItemIndex));
}

// --- TComComboBox ---

TComComboBox::TComComboBox(TComponent* AOwner)
    : TCustomComboBox(AOwner), FComSelect(std::make_unique<TComSelect>(Items())) {
    SetStyle(csDropDownList);
}

TComComboBox::~TComComboBox() {
    if (TCustomComPort* port = FComSelect->ComPort()) port->RemoveFreeNotification(this);
}

void TComComboBox::SetComPort(TCustomComPort* Value) {
    TCustomComPort* old = FComSelect->ComPort();
    if (old == Value) return;
    if (old) old->RemoveFreeNotification(this);
    FComSelect->SetComPort(Value);
    if (Value) {
        Value->FreeNotification(this);
        int index = ItemIndex();
        FComSelect->UpdateSettings(index);
        SetItemIndex(index);
    }
}

void TComComboBox::SetComProperty(TComProperty Value) {
    FComSelect->SetComProperty(Value);
    if (Items()->Count() > 0) UpdateSettings();
}

void TComComboBox::UpdateSettings() {
    int index = Items()->Count() > 0 ? 0 : -1;
    FComSelect->UpdateSettings(index);
    SetItemIndex(index);
}

void TComComboBox::ApplySettings() {
    int index = ItemIndex();
    // Nothing chosen (the port's own value is not listed, or nothing is): the port keeps what it has.
    if (index < 0) return;
    // What the box shows is what is written, also when the choice was made by the program.
    FComSelect->TakeValue(Items()->Strings(index));
    FComSelect->ApplySettings();
}

std::string TComComboBox::Text() const {
    int index = ItemIndex();
    return index >= 0 ? Items()->Strings(index) : std::string();
}

void TComComboBox::SetText(const std::string& Value) {
    int index = Items()->IndexOf(Value);
    if (index >= 0) SetItemIndex(index);
}

void TComComboBox::Change() {
    FComSelect->SelectValue(Text());
    TCustomComboBox::Change();
}

void TComComboBox::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomComboBox::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FComSelect->ComPort()) {
        FComSelect->SetComPort(nullptr);
        if (Items()->Count() > 0) SetItemIndex(0);
    }
}

// --- TComLed ---

TComLed::TComLed(TComponent* AOwner)
    : TGraphicControl(AOwner),
      FGlyphOff(std::make_unique<TBitmap>()),
      FGlyphOn(std::make_unique<TBitmap>()),
      FLink(new TComLink) {
    TControlStyle style = ControlStyle();
    style.Exclude(csSetCaption);
    SetControlStyle(style);
    SetBounds(Left(), Top(), 25, 25);
    for (TBitmap* glyph : {FGlyphOff.get(), FGlyphOn.get()}) {
        glyph->SetTransparent(true);
        glyph->SetTransparentMode(tmAuto);
        // A glyph read from a form description, or drawn into, shows at once.
        glyph->OnChange = [this](TObject*) { Invalidate(); };
    }
    FLink->OnConn = [this](TObject*, bool OnOff) { SignalChanged(OnOff); };
    FRingTimer = new TTimer(this);
    FRingTimer->SetEnabled(false);
    FRingTimer->SetInterval(1000);
    FRingTimer->OnTimer = [this](TObject*) { RingTimerExpired(); };
}

TComLed::~TComLed() {
    if (FComPort) FComPort->RemoveFreeNotification(this);
    FComPort = nullptr;
    // The link leaves every port it is registered with, also one that is itself about to be destroyed (a form
    // freeing the lamp before the port), which would otherwise tell the freed lamp that it closed.
    FLink.reset();
}

void TComLed::LoadGlyphs() {
    if (FKind == lkCustom) return;
    HINSTANCE module = GetModuleHandleA(nullptr);
    std::string name = std::string("LED") + LedColours[FKind];
    FGlyphOn->LoadFromResourceName(module, name + "ON");
    FGlyphOff->LoadFromResourceName(module, name + "OFF");
}

void TComLed::SetKind(TLedKind value) {
    if (FKind == value) return;
    FKind = value;
    LoadGlyphs();
    Invalidate();
}

void TComLed::SetGlyph(TBitmap& glyph, TBitmap* value) {
    if (FKind != lkCustom) return;
    glyph.Assign(value);
    glyph.SetTransparent(true);
    glyph.SetTransparentMode(tmAuto);
    Invalidate();
}

void TComLed::SetGlyphOn(TBitmap* value) { SetGlyph(*FGlyphOn, value); }
void TComLed::SetGlyphOff(TBitmap* value) { SetGlyph(*FGlyphOff, value); }

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
        // A device without modem lines shows them off, as the port itself announces them.
        case lsCTS:
            return FComPort->ModemSignalsOrOff().Contains(msCTS) ? lsOn : lsOff;
        case lsDSR:
            return FComPort->ModemSignalsOrOff().Contains(msDSR) ? lsOn : lsOff;
        case lsRLSD:
            return FComPort->ModemSignalsOrOff().Contains(msRLSD) ? lsOn : lsOff;
        default:
            return lsOff;
    }
}

void TComLed::Notification(TComponent* AComponent, TOperation Operation) {
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FComPort) {
        // A port that is being destroyed has let go of its links already; one that only leaves its owner has not.
        if (!FComPort->Destroying()) FComPort->UnregisterLink(FLink.get());
        FComPort = nullptr;
        SetLedState(lsOff);
    }
}

void TComLed::Paint() {
    if (FGlyphOn->Empty() || FGlyphOff->Empty()) LoadGlyphs();
    TBitmap* glyph = Enabled() && FState == lsOn ? FGlyphOn.get() : FGlyphOff.get();
    if (glyph->Empty()) return;
    TRect r = ClientRect();
    int x = static_cast<int>(r.left) + std::max(0, (static_cast<int>(r.Width()) - glyph->Width()) / 2);
    int y = static_cast<int>(r.top) + std::max(0, (static_cast<int>(r.Height()) - glyph->Height()) / 2);
    Canvas()->Draw(x, y, glyph);
}

// --- form storage ---

namespace {

const bool ComControlsRegistered = [] {
    RegisterFormClass<TComComboBox>([](TFormClass<TComComboBox>& c) {
        c.Component("ComPort", &TComComboBox::ComPort, &TComComboBox::SetComPort);
        c.Enum("ComProperty", &TComComboBox::ComProperty, &TComComboBox::SetComProperty,
               {"cpNone", "cpPort", "cpBaudRate", "cpDataBits", "cpStopBits", "cpParity", "cpFlowControl"})
            .Default(cpNone);
        c.Boolean("AutoApply", &TComComboBox::AutoApply, &TComComboBox::SetAutoApply).Default(false);
        c.Enum("Style", &TComComboBox::Style, &TComComboBox::SetStyle,
               {"csDropDown", "csSimple", "csDropDownList", "csOwnerDrawFixed", "csOwnerDrawVariable"})
            .Default(csDropDownList);
    });
    RegisterFormClass<TComLed>([](TFormClass<TComLed>& c) {
        c.Component("ComPort", &TComLed::ComPort, &TComLed::SetComPort);
        c.Enum("LedSignal", &TComLed::LedSignal, &TComLed::SetLedSignal,
               {"lsConn", "lsCTS", "lsDSR", "lsRLSD", "lsRing", "lsRx", "lsTx"})
            .Default(lsConn);
        c.Enum("Kind", &TComLed::Kind, &TComLed::SetKind,
               {"lkRedLight", "lkGreenLight", "lkBlueLight", "lkYellowLight", "lkPurpleLight", "lkBulb", "lkCustom"})
            .Default(lkRedLight);
        // Kind comes first: only a custom lamp keeps glyphs of its own.
        c.Object("GlyphOn", &TComLed::GlyphOn).Stored([](TComLed* l) { return l->Kind() == lkCustom; });
        c.Object("GlyphOff", &TComLed::GlyphOff).Stored([](TComLed* l) { return l->Kind() == lkCustom; });
        c.Enum("State", &TComLed::State, &TComLed::SetState, {"lsOff", "lsOn"}).Default(lsOff);
        c.Integer("RingDuration", &TComLed::RingDuration, &TComLed::SetRingDuration).Default(1000u);
        c.Event("OnChange", &TComLed::OnChange);
    });
    return true;
}();

}  // namespace
