#include <gtest/gtest.h>

#include <vector>

#include "classlib/runtime/FormResources.h"
#include "classlib/visual/Forms.h"
#include "serial/CPortCtl.h"
#include "tests/support/SyntheticInput.h"
#include "tests/support/MessageLoop.h"
#include "tests/support/SerialPeer.h"
#include "tests/support/UnixCommand.h"

namespace {

// A white form with lamps on it, shown so that what they paint can be read back from the screen.
class LampForm : public ::testing::Test {
protected:
    void SetUp() override {
        Form = new TForm(nullptr);
        Form->SetBounds(40, 40, 320, 120);
        Form->SetCaption("Lamps");
        Form->SetColor(clWhite);
        Form->Show();
    }
    void TearDown() override { Form->Free(); }

    TComLed* AddLamp(int left, TLedKind kind = lkRedLight) {
        auto* led = new TComLed(Form);
        led->SetKind(kind);
        led->SetLeft(left);
        led->SetParent(Form);
        return led;
    }

    // The colour on the screen at a point of the lamp's client area.
    COLORREF PixelOf(TComLed* led, int x, int y) {
        PumpMessagesFor(50);
        Form->Update();
        HDC dc = GetDC(Form->Handle());
        COLORREF c = GetPixel(dc, led->Left() + x, led->Top() + y);
        ReleaseDC(Form->Handle(), dc);
        return c;
    }

    TForm* Form = nullptr;
};

const COLORREF Maroon = RGB(128, 0, 0);
const COLORREF Red = RGB(255, 0, 0);
const COLORREF Lime = RGB(0, 255, 0);

}  // namespace

TEST_F(LampForm, ANewLampIsRedOffAndPaintsItsGlyphCentred) {
    TComLed* led = AddLamp(10);
    EXPECT_EQ(led->Width(), 25);
    EXPECT_EQ(led->Height(), 25);
    EXPECT_EQ(led->Kind(), lkRedLight);
    EXPECT_EQ(led->State(), lsOff);
    EXPECT_EQ(led->RingDuration(), 1000u);
    // The glyph starts 5 pixels in: its centre is the glass, its corner is transparent.
    EXPECT_EQ(PixelOf(led, 12, 12), Maroon);
    EXPECT_EQ(PixelOf(led, 5, 5), RGB(255, 255, 255));
    EXPECT_EQ(PixelOf(led, 4, 12), RGB(255, 255, 255));
    EXPECT_EQ(PixelOf(led, 6, 12), RGB(0, 0, 0));  // the rim
}

TEST_F(LampForm, StateChangesFireOnChangeEveryTimeAndADisabledLampShowsOff) {
    TComLed* led = AddLamp(10);
    std::vector<TLedState> changes;
    led->OnChange = [&](TObject* sender, TLedState s) {
        EXPECT_EQ(sender, led);
        changes.push_back(s);
    };
    led->SetState(lsOn);
    led->SetState(lsOn);
    led->SetState(lsOff);
    EXPECT_EQ(changes, (std::vector<TLedState>{lsOn, lsOn, lsOff}));
    led->SetState(lsOn);
    EXPECT_EQ(PixelOf(led, 12, 12), Red);
    led->SetEnabled(false);
    EXPECT_EQ(PixelOf(led, 12, 12), Maroon);
}

TEST_F(LampForm, EachKindHasItsOwnGlyphsAndOnlyACustomLampTakesOthers) {
    TComLed* green = AddLamp(10, lkGreenLight);
    green->SetState(lsOn);
    EXPECT_EQ(PixelOf(green, 12, 12), Lime);
    TBitmap other;
    other.LoadFromResourceName(GetModuleHandleA(nullptr), "LEDBLUEON");
    green->SetGlyphOn(&other);
    EXPECT_EQ(green->GlyphOn()->PixelColor(7, 7), clLime);
    EXPECT_EQ(PixelOf(green, 12, 12), Lime);

    TComLed* custom = AddLamp(50, lkCustom);
    custom->SetGlyphOn(&other);
    custom->SetState(lsOn);
    EXPECT_EQ(PixelOf(custom, 12, 12), RGB(0, 0, 255));
    EXPECT_EQ(PixelOf(custom, 5, 5), RGB(255, 255, 255));  // the copy is transparent too

    const TLedKind kinds[] = {lkRedLight, lkGreenLight, lkBlueLight, lkYellowLight, lkPurpleLight, lkBulb};
    for (int i = 0; i < 6; ++i) {
        TComLed* led = AddLamp(90 + 30 * i, kinds[i]);
        led->SetState(i % 2 ? lsOff : lsOn);
        PixelOf(led, 12, 12);  // the glyphs of the first kind are loaded when it first paints
        EXPECT_FALSE(led->GlyphOn()->Empty());
        EXPECT_EQ(led->GlyphOff()->Width(), 15);
        EXPECT_EQ(led->GlyphOff()->Height(), 15);
    }
    PumpMessagesFor(100);
    RunUnixScript("import -display \"$DISPLAY\" -window root /tmp/brimlet-lamps.png");
}

TEST_F(LampForm, ARingLightsTheLampForTheRingDurationAndTheStateOfALinkedLampIsThePorts) {
    TComPort port(nullptr);
    TComLed* led = AddLamp(10);
    led->SetLedSignal(lsRing);
    led->SetRingDuration(150);
    led->SetComPort(&port);
    try {
        led->SetState(lsOn);
        FAIL() << "no exception";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code(), 19);
        EXPECT_EQ(e.WinCode(), -1);
    }
    // A pty has no ring line: the port's ring notification is played through the link.
    ASSERT_TRUE(led->Link()->OnRing);
    led->Link()->OnRing(&port);
    EXPECT_EQ(led->State(), lsOn);
    EXPECT_TRUE(led->RingTimer()->Enabled());
    EXPECT_TRUE(PumpMessagesUntil([&] { return led->State() == lsOff; }, 2000));
    EXPECT_FALSE(led->RingTimer()->Enabled());
    led->SetComPort(nullptr);
}

TEST_F(LampForm, LampsFollowAPortOverAPty) {
    SerialPeer peer;
    auto* port = new TComPort(nullptr);
    port->SetPort(peer.PortName());
    TComLed* conn = AddLamp(10);
    TComLed* rx = AddLamp(50, lkGreenLight);
    rx->SetLedSignal(lsRx);
    conn->SetComPort(port);
    rx->SetComPort(port);
    std::vector<TLedState> rxStates;
    rx->OnChange = [&](TObject*, TLedState s) { rxStates.push_back(s); };

    port->Open();
    EXPECT_EQ(conn->State(), lsOn);
    EXPECT_EQ(PixelOf(conn, 12, 12), Red);

    bool readEmpty = false;
    port->OnRxChar = [&](TObject*, int count) {
        EXPECT_EQ(rx->State(), lsOn);  // lit before the handler runs
        std::string s;
        port->ReadStr(s, count);
        readEmpty = true;
    };
    peer.Write("hello");
    ASSERT_TRUE(PumpMessagesUntil([&] { return readEmpty; }));
    PumpMessagesFor(50);
    ASSERT_GE(rxStates.size(), 2u);
    EXPECT_EQ(rxStates.front(), lsOn);
    EXPECT_EQ(rx->State(), lsOff);  // the read emptied the queue

    port->Close();
    EXPECT_EQ(conn->State(), lsOff);
    EXPECT_EQ(PixelOf(conn, 12, 12), Maroon);

    // A port freed under its lamps leaves them off and unattached.
    port->Open();
    EXPECT_EQ(conn->State(), lsOn);
    port->Free();
    EXPECT_EQ(conn->ComPort(), nullptr);
    EXPECT_EQ(rx->ComPort(), nullptr);
    EXPECT_EQ(conn->State(), lsOff);
}

TEST_F(LampForm, ALampOnAModemLineOfADeviceWithoutThemShowsTheLineOff) {
    // A pty has no modem lines, as many USB adapters have none: the port reads them as off, and so does the lamp.
    SerialPeer peer;
    TComPort port(nullptr);
    port.SetPort(peer.PortName());
    port.Open();
    for (TComLedSignal signal : {lsCTS, lsDSR, lsRLSD}) {
        TComLed* led = AddLamp(10 + 30 * signal);
        led->SetLedSignal(signal);
        EXPECT_NO_THROW(led->SetComPort(&port)) << signal;
        EXPECT_EQ(led->State(), lsOff);
    }
    port.Close();
    port.Open();  // the port announces the lines it cannot read as off to the attached lamps
    for (int i = 0; i < Form->ComponentCount(); ++i)
        EXPECT_EQ(static_cast<TComLed*>(Form->Components(i))->State(), lsOff);
}

TEST(LampLifetime, AFormFreeingItsLampBeforeItsOpenPortNeverCallsTheFreedLamp) {
    SerialPeer peer;
    std::vector<TLedState> changes;
    auto* form = new TForm(nullptr);
    auto* port = new TComPort(form);  // created first, so freed after the lamp
    port->SetPort(peer.PortName());
    auto* led = new TComLed(form);
    led->SetParent(form);
    led->SetComPort(port);
    led->OnChange = [&](TObject*, TLedState s) { changes.push_back(s); };
    port->Open();
    EXPECT_EQ(changes, std::vector<TLedState>{lsOn});
    changes.clear();
    form->Free();  // the lamp goes, then the port closes and tells its links
    EXPECT_TRUE(changes.empty());
}

namespace {

// A form with setting boxes on it, active so that keys reach them.
class SettingBoxes : public ::testing::Test {
protected:
    void SetUp() override {
        Form = new TForm(nullptr);
        Form->SetPosition(poDesigned);
        Form->SetBounds(40, 200, 420, 200);
        Form->SetCaption("Setting boxes");
    }
    void TearDown() override { Form->Free(); }

    TComComboBox* AddBox(TComProperty property, TCustomComPort* port = nullptr) {
        auto* box = new TComComboBox(Form);
        box->SetParent(Form);
        box->SetBounds(10, 10 + 30 * Boxes++, 129, 21);
        box->SetComProperty(property);
        box->SetComPort(port);
        return box;
    }
    void ShowActive() {
        Form->Show();
        ASSERT_TRUE(PumpMessagesUntil([&] { return Form->Active(); }));
    }

    TForm* Form = nullptr;
    int Boxes = 0;
};

}  // namespace

TEST_F(SettingBoxes, EachSettingListsItsValuesAndShowsThePortsCurrentOne) {
    auto* port = new TComPort(nullptr);
    port->SetStopBits(sbTwoStopBits);
    port->FlowControl()->SetFlowControl(fcHardware);
    struct Row {
        TComProperty property;
        int count;
        const char* first;
        const char* shown;
        int index;
    };
    for (const Row& r : {Row{cpBaudRate, 16, "Custom", "9600", 7}, Row{cpStopBits, 3, "1", "2", 2},
                         Row{cpFlowControl, 4, "Hardware", "Hardware", 0}}) {
        TComComboBox* box = AddBox(r.property, port);
        EXPECT_EQ(box->Style(), csDropDownList);
        EXPECT_EQ(box->Items()->Count(), r.count) << r.shown;
        EXPECT_EQ(box->Items()->Strings(0), r.first);
        EXPECT_EQ(box->Text(), r.shown);
        EXPECT_EQ(box->ItemIndex(), r.index);
    }
    Form->Show();  // the values survive the boxes' windows being made
    EXPECT_EQ(static_cast<TComComboBox*>(Form->Components(0))->Text(), "9600");

    TComComboBox* ports = AddBox(cpPort);
    TStringList system;
    EnumComPorts(&system);
    EXPECT_EQ(ports->Items()->Text(), system.Text());
    EXPECT_EQ(ports->ItemIndex(), system.Count() > 0 ? 0 : -1);  // unbound: the first item

    // A port that goes leaves its boxes unbound on their first item.
    TComComboBox* baud = static_cast<TComComboBox*>(Form->Components(0));
    port->Free();
    EXPECT_EQ(baud->ComPort(), nullptr);
    EXPECT_EQ(baud->Text(), "Custom");
}

TEST_F(SettingBoxes, AKeyboardChoiceReachesThePortWhenAppliedOrAtOnceWithAutoApply) {
    TComPort port(nullptr);
    TComComboBox* baud = AddBox(cpBaudRate, &port);
    std::vector<std::string> changes;
    baud->OnChange = [&](TObject*) { changes.push_back(baud->Text()); };
    ShowActive();
    baud->SetFocus();
    ASSERT_TRUE(PumpMessagesUntil([&] { return baud->Focused(); }));
    PressKey(VK_DOWN);
    ASSERT_TRUE(PumpMessagesUntil([&] { return changes.size() == 1; }));
    EXPECT_EQ(changes[0], "14400");
    EXPECT_EQ(port.BaudRate(), br9600);
    baud->ApplySettings();
    EXPECT_EQ(port.BaudRate(), br14400);

    baud->SetAutoApply(true);
    PressKey(VK_DOWN);
    ASSERT_TRUE(PumpMessagesUntil([&] { return changes.size() == 2; }));
    EXPECT_EQ(port.BaudRate(), br19200);
}

TEST_F(SettingBoxes, WhatIsAppliedIsWhatTheBoxShowsAndNothingWhenItShowsNothing) {
    TComPort port(nullptr);
    port.SetPort("COM250");  // not among the system's ports
    TComComboBox* ports = AddBox(cpPort, &port);
    EXPECT_EQ(ports->ItemIndex(), -1);
    EXPECT_EQ(ports->Text(), "");
    ports->ApplySettings();
    EXPECT_EQ(port.Port(), "COM250");

    TComComboBox* parity = AddBox(cpParity, &port);
    parity->SetText("Mark");  // chosen by the program: no change notice
    parity->SetText("Purple");  // not listed: nothing changes
    EXPECT_EQ(parity->Text(), "Mark");
    parity->ApplySettings();
    EXPECT_EQ(port.Parity()->Bits(), prMark);
}

TEST_F(SettingBoxes, LampsAndBoxesComeFromAFormDescriptionAndGoBackIntoOne) {
    auto* form = new TForm(nullptr);
    ReadComponentText("object Form1: TForm\r\n"
                      "  object Lamp1: TComLed\r\n    Kind = lkGreenLight\r\n    LedSignal = lsRx\r\n"
                      "    RingDuration = 500\r\n  end\r\n"
                      "  object Box1: TComComboBox\r\n    ComProperty = cpParity\r\n    AutoApply = True\r\n  end\r\n"
                      "end\r\n",
                      form);
    auto* lamp = dynamic_cast<TComLed*>(form->FindComponent("Lamp1"));
    auto* box = dynamic_cast<TComComboBox*>(form->FindComponent("Box1"));
    ASSERT_TRUE(lamp && box);
    EXPECT_EQ(lamp->Kind(), lkGreenLight);
    EXPECT_EQ(lamp->LedSignal(), lsRx);
    EXPECT_EQ(lamp->RingDuration(), 500u);
    EXPECT_EQ(box->ComProperty(), cpParity);
    EXPECT_TRUE(box->AutoApply());
    EXPECT_EQ(box->Items()->Count(), 5);
    std::string text = WriteComponentText(form);
    for (const char* line : {"Kind = lkGreenLight", "LedSignal = lsRx", "ComProperty = cpParity", "AutoApply = True"})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    EXPECT_EQ(text.find("Style"), std::string::npos) << text;  // a drop-down list is the default
    form->Free();
}

namespace {

// A window that holds a port opening on load and a lamp that follows it, as a form description gives them; its
// methods record what the port tells.
class TfrmPortForm : public TForm {
    CLASS_INFO(TfrmPortForm, TForm)
public:
    using TForm::TForm;
    // The port's close events reach this form's members: they must close it while the members still exist (the
    // base destructor frees the owned components only after the members are gone).
    ~TfrmPortForm() override {
        if (Port)
            Port->Close();
    }
    TComPort* Port = nullptr;
    TComLed* Lamp = nullptr;
    std::vector<std::string> Heard;
    std::string Received;

    void PortNotify(TObject*) { Heard.push_back("notify"); }
    void PortBeforeOpen(TObject*) { Heard.push_back("before open"); }
    void PortAfterOpen(TObject*) { Heard.push_back("after open"); }
    void PortSignal(TObject*, bool on) { Heard.push_back(on ? "signal on" : "signal off"); }
    void PortRxChar(TObject*, int count) {
        std::string chunk;
        Port->ReadStr(chunk, count);
        Received += chunk;
    }
    void PortRxBuf(TObject*, const void*, int) { Heard.push_back("rx buffer"); }
    void PortError(TObject*, TComErrors) { Heard.push_back("error"); }
};

const bool PortFormRegistered = [] {
    RegisterFormClass<TfrmPortForm>([](TFormClass<TfrmPortForm>& c) {
        c.Field("Port", &TfrmPortForm::Port);
        c.Field("Lamp", &TfrmPortForm::Lamp);
        c.Method("PortNotify", &TfrmPortForm::PortNotify);
        c.Method("PortBeforeOpen", &TfrmPortForm::PortBeforeOpen);
        c.Method("PortAfterOpen", &TfrmPortForm::PortAfterOpen);
        c.Method("PortSignal", &TfrmPortForm::PortSignal);
        c.Method("PortRxChar", &TfrmPortForm::PortRxChar);
        c.Method("PortRxBuf", &TfrmPortForm::PortRxBuf);
        c.Method("PortError", &TfrmPortForm::PortError);
    });
    return true;
}();

std::string PortFormText(const std::string& port) {
    return "object frmPortForm: TfrmPortForm\r\n"
           "  object Port: TComPort\r\n"
           "    Connected = True\r\n"
           "    BaudRate = br19200\r\n"
           "    Port = '" + port + "'\r\n"
           "    Parity.Check = True\r\n"
           "    Parity.Replace = True\r\n"
           "    Parity.ReplaceChar = '?'\r\n"
           "    StopBits = sbTwoStopBits\r\n"
           "    DiscardNull = True\r\n"
           "    EventChar = #10\r\n"
           "    Events = [evRxChar, evTxEmpty, evError]\r\n"
           "    Buffer.InputSize = 10240\r\n"
           "    Buffer.OutputSize = 10240\r\n"
           "    FlowControl.ControlDTR = dtrEnable\r\n"
           "    FlowControl.XonChar = #1\r\n"
           "    Timeouts.WriteTotalConstant = 500\r\n"
           "    SyncMethod = smWindowSync\r\n"
           "    OnAfterOpen = PortAfterOpen\r\n"
           "    OnAfterClose = PortNotify\r\n"
           "    OnBeforeOpen = PortBeforeOpen\r\n"
           "    OnBeforeClose = PortNotify\r\n"
           "    OnRxChar = PortRxChar\r\n"
           "    OnRxBuf = PortRxBuf\r\n"
           "    OnTxEmpty = PortNotify\r\n"
           "    OnBreak = PortNotify\r\n"
           "    OnRing = PortNotify\r\n"
           "    OnCTSChange = PortSignal\r\n"
           "    OnDSRChange = PortSignal\r\n"
           "    OnRLSDChange = PortSignal\r\n"
           "    OnRxFlag = PortNotify\r\n"
           "    OnError = PortError\r\n"
           "    OnRx80Full = PortNotify\r\n"
           "  end\r\n"
           "  object Lamp: TComLed\r\n"
           "    ComPort = Port\r\n"
           "  end\r\n"
           "end\r\n";
}

}  // namespace

TEST(PortForm, APortDescribedAsConnectedOpensOnLoadWithEverySettingAndEvent) {
    SerialPeer peer;
    auto* form = new TfrmPortForm(nullptr);
    ReadComponentText(PortFormText(peer.PortName()), form);
    TComPort* port = form->Port;
    ASSERT_NE(port, nullptr);
    EXPECT_TRUE(port->Connected());
    EXPECT_EQ(form->Heard, (std::vector<std::string>{"before open", "after open", "signal off", "signal off",
                                                     "signal off"}));
    EXPECT_EQ(form->Lamp->State(), lsOn);

    // Every setting arrived, and was applied once the port opened.
    EXPECT_EQ(port->BaudRate(), br19200);
    EXPECT_TRUE(port->Parity()->Check());
    EXPECT_EQ(port->Parity()->ReplaceChar(), '?');
    EXPECT_EQ(port->StopBits(), sbTwoStopBits);
    EXPECT_TRUE(port->DiscardNull());
    EXPECT_EQ(port->EventChar(), '\n');
    EXPECT_EQ(port->Events(), (TComEvents{evRxChar, evTxEmpty, evError}));
    EXPECT_EQ(port->Buffer()->InputSize(), 10240);
    EXPECT_EQ(port->FlowControl()->ControlDTR(), dtrEnable);
    EXPECT_EQ(port->FlowControl()->XonChar(), 1);
    EXPECT_EQ(port->Timeouts()->WriteTotalConstant(), 500);
    EXPECT_EQ(port->SyncMethod(), smWindowSync);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ASSERT_TRUE(GetCommState(port->Handle(), &dcb));  // (a pty keeps no event character)
    EXPECT_EQ(dcb.BaudRate, 19200u);
    EXPECT_EQ(dcb.XonChar, 1);
    EXPECT_EQ(dcb.StopBits, TWOSTOPBITS);

    // The bound methods run: received data reaches the form.
    peer.Write("hello");
    EXPECT_TRUE(PumpMessagesUntil([&] { return form->Received == "hello"; }));

    // Written back, the description keeps what differs from the defaults, and every event binding.
    std::string text = WriteComponentText(form);
    for (const char* line :
         {"Connected = True", "BaudRate = br19200", "Parity.Check = True", "Parity.ReplaceChar = '?'",
          "DiscardNull = True", "EventChar = #10", "Buffer.InputSize = 10240", "FlowControl.ControlDTR = dtrEnable",
          "FlowControl.XonChar = #1", "Timeouts.WriteTotalConstant = 500", "SyncMethod = smWindowSync",
          "OnAfterOpen = PortAfterOpen", "OnAfterClose = PortNotify", "OnBeforeOpen = PortBeforeOpen",
          "OnBeforeClose = PortNotify", "OnRxChar = PortRxChar", "OnRxBuf = PortRxBuf", "OnTxEmpty = PortNotify",
          "OnBreak = PortNotify", "OnRing = PortNotify", "OnCTSChange = PortSignal", "OnDSRChange = PortSignal",
          "OnRLSDChange = PortSignal", "OnRxFlag = PortNotify", "OnError = PortError", "OnRx80Full = PortNotify",
          "ComPort = Port"})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    for (const char* unwritten : {"FlowControl.FlowControl", "Timeouts.ReadInterval", "DataBits", "GlyphOn"})
        EXPECT_EQ(text.find(unwritten), std::string::npos) << unwritten << " in\n" << text;
    form->Heard.clear();
    form->Free();  // closes the port; the lamp may go first

    // The written description opens the port again.
    auto* again = new TfrmPortForm(nullptr);
    ReadComponentText(text, again);
    EXPECT_TRUE(again->Port->Connected());
    EXPECT_EQ(again->Port->Port(), peer.PortName());
    again->Free();
}

TEST(PortForm, AnEmptyPortNameDoesNotReadBackAsTheDefault) {
    auto* form = new TForm(nullptr);
    auto* port = new TComPort(form);
    port->SetName("Port");
    port->SetPort("");  // as a program sets it before loading its settings
    std::string text = WriteComponentText(form);
    form->Free();
    form = new TForm(nullptr);
    ReadComponentText(text, form);
    EXPECT_EQ(static_cast<TComPort*>(form->FindComponent("Port"))->Port(), "") << text;
    form->Free();
}

TEST(PortForm, ACustomLampKeepsItsGlyphsInTheDescription) {
    auto* form = new TForm(nullptr);
    auto* lamp = new TComLed(form);
    lamp->SetName("Custom");
    lamp->SetKind(lkCustom);
    TBitmap on, off;
    on.LoadFromResourceName(GetModuleHandleA(nullptr), "LEDBLUEON");
    off.LoadFromResourceName(GetModuleHandleA(nullptr), "LEDYELLOWOFF");
    lamp->SetGlyphOn(&on);
    lamp->SetGlyphOff(&off);
    auto* plain = new TComLed(form);
    plain->SetName("Plain");
    std::string text = WriteComponentText(form);
    form->Free();
    EXPECT_NE(text.find("GlyphOn.Data = {"), std::string::npos) << text;
    EXPECT_NE(text.find("GlyphOff.Data = {"), std::string::npos) << text;
    EXPECT_EQ(text.find("GlyphOn"), text.rfind("GlyphOn")) << "only the custom lamp keeps glyphs:\n" << text;

    form = new TForm(nullptr);
    ReadComponentText(text, form);
    auto* read = dynamic_cast<TComLed*>(form->FindComponent("Custom"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->Kind(), lkCustom);
    EXPECT_EQ(read->GlyphOn()->Width(), 15);
    EXPECT_EQ(read->GlyphOn()->PixelColor(7, 7), on.PixelColor(7, 7));
    EXPECT_EQ(read->GlyphOff()->PixelColor(7, 7), off.PixelColor(7, 7));
    form->Free();
}
