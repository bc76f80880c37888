// The setup dialog on the screen, operated with real keys and clicks while it runs modally.
#include "serial/CPortSetup.h"

#include "classlib/visual/ExtCtrls.h"
#include "tests/support/SyntheticInput.h"
#include "tests/support/MessageLoop.h"
#include "tests/support/SerialPeer.h"
#include "tests/support/UnixCommand.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

class TObservedPort : public TComPort {
public:
    using TComPort::TComPort;
    using TCustomComPort::FDeviceCalls;
    // A listed port whose device is gone: opening it fails as opening an unplugged adapter does.
    std::string Unplugged;

protected:
    void CreateHandle() override {
        if (Port() == Unplugged)
            throw EComPort(1, ERROR_FILE_NOT_FOUND);
        TComPort::CreateHandle();
    }
};

int SetCommStateCalls = 0;
BOOL WINAPI CountSetCommState(HANDLE Handle, LPDCB Dcb) {
    ++SetCommStateCalls;
    return SetCommState(Handle, Dcb);
}

// The user in front of the dialog: plays its steps from a timer while the dialog's modal loop runs, each once
// its moment has come. A dialog still open after the time limit is cancelled, so a failing test cannot hang.
class DialogUser {
public:
    struct Step {
        std::function<bool(TComSetupFrm*)> Ready;
        std::function<void(TComSetupFrm*)> Act;
    };
    explicit DialogUser(std::vector<Step> steps) : FSteps(std::move(steps)) {
        FTimer.SetInterval(30);
        FTimer.OnTimer = [this](TObject*) { Tick(); };
        FStart = GetTickCount();
    }
    bool Finished() const { return FNext == FSteps.size(); }
    size_t StepsDone() const { return FNext; }

private:
    void Tick() {
        auto* dialog = dynamic_cast<TComSetupFrm*>(Screen->ActiveForm());
        if (dialog && GetTickCount() - FStart > 30000) {
            dialog->SetModalResult(mrCancel);
            return;
        }
        if (!dialog || !dialog->Active() || Finished() || !FSteps[FNext].Ready(dialog))
            return;
        FSteps[FNext++].Act(dialog);
    }
    std::vector<Step> FSteps;
    size_t FNext = 0;
    DWORD FStart;
    TTimer FTimer{nullptr};
};

POINT CentreOf(TControl* c) { return c->ClientToScreen(TPoint(c->Width() / 2, c->Height() / 2)); }

}  // namespace

TEST(ComSetupDialog, ShowsEveryRowWithThePortsValues) {
    TComPort port(nullptr);
    port.SetPort("COM10");  // a configured port: always listed
    port.SetBaudRate(br57600);
    port.SetDataBits(dbSeven);
    port.SetStopBits(sbTwoStopBits);
    port.Parity()->SetBits(prOdd);
    port.FlowControl()->SetFlowControl(fcSoftware);
    std::vector<std::string> labels, shown;
    TRect client;
    std::string caption;
    DialogUser user({{[](TComSetupFrm*) { return true; },
                      [&](TComSetupFrm* d) {
                          caption = d->Caption();
                          client = d->ClientRect();
                          for (TLabel* l : {d->Label1, d->Label2, d->Label3, d->Label4, d->Label5, d->Label6})
                              labels.push_back(l->Caption());
                          for (TComComboBox* c : d->Combos()) shown.push_back(c->Text());
                          PumpMessagesFor(200);
                          RunUnixScript("import -display \"$DISPLAY\" -window root /tmp/brimlet-setup-dialog.png");
                          d->SetModalResult(mrCancel);
                      }}});
    port.ShowSetupDialog();
    ASSERT_TRUE(user.Finished());
    EXPECT_EQ(caption, "Setup");
    EXPECT_EQ(client.right - client.left, 231);
    EXPECT_EQ(client.bottom - client.top, 216);
    EXPECT_EQ(labels, (std::vector<std::string>{"Port", "Baud rate", "Data bits", "Stop bits", "Parity", "Flow control"}));
    EXPECT_EQ(shown, (std::vector<std::string>{"COM10", "57600", "7", "2", "Odd", "Software"}));
}

TEST(ComSetupDialog, OkWritesThePortAndSpeedChosenWithTheKeyboardInOneApplication) {
    SerialPeer com10(10), com7(7);
    TStringList listed;
    EnumComPorts(&listed);
    int at = listed.IndexOf("COM10");
    ASSERT_GE(at, 0) << listed.CommaText();
    ASSERT_EQ(listed.IndexOf("COM7"), at + 1) << listed.CommaText();

    TObservedPort port(nullptr);
    port.SetPort("COM10");
    port.Open();
    port.FDeviceCalls.SetCommState = CountSetCommState;
    SetCommStateCalls = 0;
    DialogUser user({
        {[](TComSetupFrm* d) { return d->Combo1->Focused(); },
         [](TComSetupFrm* d) {
             EXPECT_EQ(d->Combo1->Text(), "COM10");
             PressKey(VK_DOWN);
         }},
        {[](TComSetupFrm* d) { return d->Combo1->Text() == "COM7"; }, [](TComSetupFrm*) { PressKey(VK_TAB); }},
        {[](TComSetupFrm* d) { return d->Combo2->Focused(); },
         [](TComSetupFrm*) {
             PressKey(VK_DOWN);
             PressKey(VK_DOWN);
         }},
        {[](TComSetupFrm* d) { return d->Combo2->Text() == "19200"; },
         [](TComSetupFrm* d) {
             // Nothing is written while the dialog is open.
             EXPECT_EQ(SetCommStateCalls, 0);
             POINT ok = CentreOf(d->Button1);
             ClickAt(ok.x, ok.y);
         }},
    });
    port.ShowSetupDialog();
    ASSERT_TRUE(user.Finished()) << "steps done: " << user.StepsDone();
    EXPECT_EQ(port.Port(), "COM7");
    EXPECT_EQ(port.BaudRate(), br19200);
    EXPECT_EQ(SetCommStateCalls, 1);
    EXPECT_EQ(port.DataBits(), dbEight);
    EXPECT_EQ(port.Parity()->Bits(), prNone);
    EXPECT_EQ(port.FlowControl()->FlowControl(), fcNone);
    // The port was reopened under its new name.
    ASSERT_TRUE(port.Connected());
    port.WriteStr("AT\r\n");
    EXPECT_EQ(com7.Read(4), "AT\r\n");
    EXPECT_EQ(com10.ReadAvailable(), "");
}

TEST(ComSetupDialog, CancelChangesNothingAndOkWithoutAListedPortKeepsItsName) {
    TComPort port(nullptr);
    port.SetPort("COM250");  // unplugged: not among the listed ports
    port.SetBaudRate(br115200);
    // Every box moves to its first item, one after the other.
    std::vector<DialogUser::Step> steps;
    for (int i = 0; i < 6; ++i)
        steps.push_back({[i](TComSetupFrm* d) { return d->Combos()[i]->Focused(); },
                         [](TComSetupFrm*) {
                             PressKey(VK_HOME);
                             PressKey(VK_TAB);
                         }});
    steps.push_back({[](TComSetupFrm* d) { return d->Button1->Focused() && d->Combo6->Text() == "Hardware"; },
                     [](TComSetupFrm* d) {
                         EXPECT_EQ(d->Combo2->Text(), "Custom");
                         PressKey(VK_ESCAPE);
                     }});
    DialogUser cancel(steps);
    port.ShowSetupDialog();
    ASSERT_TRUE(cancel.Finished());
    EXPECT_EQ(port.Port(), "COM250");
    EXPECT_EQ(port.BaudRate(), br115200);
    EXPECT_EQ(port.FlowControl()->FlowControl(), fcNone);

    DialogUser ok({{[](TComSetupFrm* d) { return d->Combo1->Focused(); },
                    [](TComSetupFrm* d) {
                        EXPECT_EQ(d->Combo1->ItemIndex(), -1);
                        PressKey(VK_TAB);
                    }},
                   {[](TComSetupFrm* d) { return d->Combo2->Focused(); },
                    [](TComSetupFrm*) {
                        PressKey(VK_UP);
                        PressKey(VK_RETURN);
                    }}});
    port.ShowSetupDialog();
    ASSERT_TRUE(ok.Finished());
    EXPECT_EQ(port.Port(), "COM250");
    EXPECT_EQ(port.BaudRate(), br57600);
}

TEST(ComSetupDialog, APortThatFailsToOpenUnderItsNewNameIsReportedAndLeavesNoUpdatePending) {
    SerialPeer com10(10);
    TObservedPort port(nullptr);
    port.Unplugged = "COM7";
    port.SetPort("COM10");
    port.Open();
    DialogUser user({{[](TComSetupFrm* d) { return d->Combo1->Focused() && d->Combo1->Text() == "COM10"; },
                      [](TComSetupFrm*) { PressKey(VK_DOWN); }},
                     {[](TComSetupFrm* d) { return d->Combo1->Text() == "COM7"; },
                      [](TComSetupFrm* d) {
                          POINT ok = CentreOf(d->Button1);
                          ClickAt(ok.x, ok.y);
                      }}});
    try {
        port.ShowSetupDialog();
        ADD_FAILURE() << "no exception";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code(), 1);
    }
    ASSERT_TRUE(user.Finished());
    EXPECT_FALSE(port.Connected());
    port.SetPort("COM10");
    port.Open();
    port.FDeviceCalls.SetCommState = CountSetCommState;
    SetCommStateCalls = 0;
    port.SetBaudRate(br38400);  // applied at once: the dialog's update ended with its failure
    EXPECT_EQ(SetCommStateCalls, 1);
}
