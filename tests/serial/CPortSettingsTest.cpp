#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <utility>

#include "classlib/runtime/Registry.h"
#include "serial/CPort.h"
#include "tests/support/SerialPeer.h"
#include "tests/support/TempDir.h"

namespace {

struct Port {
    std::unique_ptr<TComPort> p{new TComPort(nullptr)};
    Port() { p->SetName("comport"); }
    TComPort* operator->() const { return p.get(); }
};

const char* const TestKey = "Software\\BrimletTest\\Settings";

// The code and Windows code of the EComPort that f raises; {0, 0} when it raises none.
template <class F>
std::pair<int, int> ComErrorOf(F f) {
    try {
        f();
    } catch (const EComPort& e) {
        return {e.Code(), e.WinCode()};
    }
    return {0, 0};
}

void DeleteTestKey() {
    TRegistry reg;
    reg.DeleteKey("\\Software\\BrimletTest");
}

}  // namespace

TEST(ComSettingsTexts, CharactersOutsidePrintableAsciiAreWrittenAsCodes) {
    EXPECT_EQ(ComCharToStr(17), "#17");
    EXPECT_EQ(ComCharToStr(' '), "#32");
    EXPECT_EQ(ComCharToStr('A'), "A");
    EXPECT_EQ(ComCharToStr(127), "\x7f");
    EXPECT_EQ(ComCharToStr(static_cast<char>(200)), "#200");
    EXPECT_EQ(ComStrToChar(""), 0);
    EXPECT_EQ(ComStrToChar("#"), '#');
    EXPECT_EQ(ComStrToChar("#19"), 19);
    EXPECT_EQ(ComStrToChar("xyz"), 'x');
    EXPECT_THROW(ComStrToChar("#x"), EConvertError);
    EXPECT_THROW(ComStrToChar("#256"), EConvertError);
}

TEST(ComSettingsTexts, EnumerationsReadWithoutRegardToCaseAndUnknownTextsGiveTheDefaults) {
    EXPECT_EQ(StrToBaudRate("115200"), br115200);
    EXPECT_EQ(StrToBaudRate("cUSTom"), brCustom);
    EXPECT_EQ(StrToBaudRate("12345"), br9600);
    EXPECT_EQ(StrToStopBits("1.5"), sbOne5StopBits);
    EXPECT_EQ(StrToStopBits("3"), sbOneStopBit);
    EXPECT_EQ(StrToDataBits("9"), dbEight);
    EXPECT_EQ(StrToParity("even"), prEven);
    EXPECT_EQ(StrToParity("?"), prNone);
    EXPECT_EQ(StrToFlowControl("hardware"), fcHardware);
    EXPECT_EQ(StrToFlowControl(""), fcCustom);
    EXPECT_EQ(StrToRTS("TOGGLE"), rtsToggle);
    EXPECT_EQ(StrToRTS("x"), rtsDisable);
    EXPECT_EQ(StrToDTR("Toggle"), dtrDisable);
    EXPECT_TRUE(ComStrToBool("yes"));
    EXPECT_FALSE(ComStrToBool("1"));
    EXPECT_EQ(BaudRateToStr(br256000), "256000");
}

TEST(ComSettingsIni, TheDefaultsWriteTheBasicSection) {
    TempDir dir;
    Port port;
    port->StoreSettings(ssIniFile, dir.File("a.ini"));
    EXPECT_EQ(
        ReadFileBytes(dir.File("a.ini")),
        "[comport]\r\nPort=COM1\r\nBaudRate=9600\r\nStopBits=1\r\nDataBits=8\r\nParity=None\r\nFlowControl=None\r\n");
}

TEST(ComSettingsIni, EveryGroupWritesItsKeysInOrderAndReadsBack) {
    TempDir dir;
    std::string file = dir.File("all.ini");
    WriteFileBytes(file, "; mine\r\n[other]\r\nkey = value\r\n\r\n");
    Port a;
    a->SetSettingGroups({sgBasic, sgOthers, sgParity, sgBuffer, sgTimeouts, sgFlowControl});
    a->SetPort("COM7");
    a->SetBaudRate(brCustom);
    a->SetCustomBaudRate(31250);
    a->SetStopBits(sbTwoStopBits);
    a->SetDataBits(dbSeven);
    a->Parity()->SetBits(prMark);
    a->Parity()->SetCheck(true);
    a->Parity()->SetReplaceChar(' ');
    a->SetEventChar('A');
    a->SetDiscardNull(true);
    a->Buffer()->SetInputSize(4096);
    a->Buffer()->SetOutputSize(2048);
    a->Timeouts()->SetReadInterval(5);
    a->Timeouts()->SetWriteTotalMultiplier(7);
    a->FlowControl()->SetControlRTS(rtsToggle);
    a->FlowControl()->SetControlDTR(dtrHandshake);
    a->FlowControl()->SetOutCTSFlow(true);
    a->FlowControl()->SetXonChar(1);
    a->StoreSettings(ssIniFile, file);
    EXPECT_EQ(
        ReadFileBytes(file),
        "; mine\r\n[other]\r\nkey = value\r\n\r\n[comport]\r\nPort=COM7\r\nBaudRate=Custom\r\nCustomBaudRate=31250\r\n"
        "StopBits=2\r\nDataBits=7\r\nParity=Mark\r\nFlowControl=Custom\r\nEventChar=A\r\nDiscardNull=Yes\r\n"
        "Parity.Check=Yes\r\nParity.Replace=No\r\nParity.ReplaceChar=#32\r\nBuffer.OutputSize=2048\r\n"
        "Buffer.InputSize=4096\r\nTimeouts.ReadInterval=5\r\nTimeouts.ReadTotalConstant=0\r\n"
        "Timeouts.ReadTotalMultiplier=0\r\nTimeouts.WriteTotalConstant=1000\r\nTimeouts.WriteTotalMultiplier=7\r\n"
        "FlowControl.ControlRTS=Toggle\r\nFlowControl.ControlDTR=Handshake\r\nFlowControl.DSRSensitivity=No\r\n"
        "FlowControl.OutCTSFlow=Yes\r\nFlowControl.OutDSRFlow=No\r\nFlowControl.TxContinueOnXoff=No\r\n"
        "FlowControl.XonXoffIn=No\r\nFlowControl.XonXoffOut=No\r\nFlowControl.XoffChar=#19\r\n"
        "FlowControl.XonChar=#1\r\n");

    Port b;
    b->SetSettingGroups(a->SettingGroups());
    b->LoadSettings(ssIniFile, file);
    EXPECT_EQ(b->Port(), "COM7");
    EXPECT_EQ(b->BaudRate(), brCustom);
    EXPECT_EQ(b->CustomBaudRate(), 31250);
    EXPECT_EQ(b->StopBits(), sbTwoStopBits);
    EXPECT_EQ(b->DataBits(), dbSeven);
    EXPECT_EQ(b->Parity()->Bits(), prMark);
    EXPECT_TRUE(b->Parity()->Check());
    EXPECT_EQ(b->Parity()->ReplaceChar(), ' ');
    EXPECT_EQ(b->EventChar(), 'A');
    EXPECT_TRUE(b->DiscardNull());
    EXPECT_EQ(b->Buffer()->InputSize(), 4096);
    EXPECT_EQ(b->Buffer()->OutputSize(), 2048);
    EXPECT_EQ(b->Timeouts()->ReadInterval(), 5);
    EXPECT_EQ(b->Timeouts()->WriteTotalMultiplier(), 7);
    EXPECT_EQ(b->FlowControl()->ControlRTS(), rtsToggle);
    EXPECT_EQ(b->FlowControl()->ControlDTR(), dtrHandshake);
    EXPECT_TRUE(b->FlowControl()->OutCTSFlow());
    EXPECT_EQ(b->FlowControl()->XonChar(), 1);
    EXPECT_EQ(b->FlowControl()->FlowControl(), fcCustom);
}

TEST(ComSettingsIni, UnknownTextsGiveTheDefaultsAndMissingKeysKeepTheCurrentValues) {
    TempDir dir;
    std::string file = dir.File("u.ini");
    WriteFileBytes(file, "[comport]\r\nBaudRate = 12345\r\nStopBits=4\r\nDataBits=eight\r\nFlowControl=hardware\r\n");
    Port port;
    port->Parity()->SetBits(prOdd);
    port->SetPort("COM4");
    port->SetStopBits(sbTwoStopBits);
    port->SetDataBits(dbSix);
    port->LoadSettings(ssIniFile, file);
    EXPECT_EQ(port->BaudRate(), br9600);
    EXPECT_EQ(port->StopBits(), sbOneStopBit);
    EXPECT_EQ(port->DataBits(), dbEight);
    EXPECT_EQ(port->Parity()->Bits(), prOdd);
    EXPECT_EQ(port->Port(), "COM4");
    EXPECT_EQ(port->FlowControl()->FlowControl(), fcHardware);
}

TEST(ComSettingsIni, ABadCharacterEndsTheLoadWithCode17AndKeepsWhatWasRead) {
    TempDir dir;
    std::string file = dir.File("bad.ini");
    WriteFileBytes(file, "[comport]\r\nPort=COM9\r\nEventChar=#x\r\n");
    Port port;
    port->SetSettingGroups({sgBasic, sgOthers});
    EXPECT_EQ(ComErrorOf([&] { port->LoadSettings(ssIniFile, file); }), std::make_pair(17, -1));
    EXPECT_EQ(port->Port(), "COM9");
}

TEST(ComSettingsIni, NoGroupsWriteNothingAndAMissingFolderFailsWithCode16) {
    TempDir dir;
    Port port;
    port->SetSettingGroups({});
    port->StoreSettings(ssIniFile, dir.File("none.ini"));
    EXPECT_EQ(GetFileAttributesA(dir.File("none.ini").c_str()), INVALID_FILE_ATTRIBUTES);
    port->SetSettingGroups({sgBasic});
    EXPECT_EQ(ComErrorOf([&] { port->StoreSettings(ssIniFile, dir.File("missing\\x.ini")); }), std::make_pair(16, -1));
}

TEST(ComSettingsRegistry, ARoundTripUnderTheCurrentUser) {
    DeleteTestKey();
    Port a;
    a->SetSettingGroups({sgBasic, sgOthers, sgParity, sgBuffer, sgTimeouts, sgFlowControl});
    a->SetPort("COM12");
    a->SetBaudRate(br115200);
    a->Parity()->SetBits(prEven);
    a->FlowControl()->SetFlowControl(fcSoftware);
    a->Timeouts()->SetReadTotalConstant(250);
    a->StoreSettings(ssRegistry, std::string("hkey_current_user\\") + TestKey);

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(std::string("\\") + TestKey + "\\comport", false));
    EXPECT_EQ(reg.ReadString("BaudRate"), "115200");
    EXPECT_EQ(reg.ReadString("FlowControl"), "Software");
    EXPECT_EQ(reg.ReadString("FlowControl.XonChar"), "#17");
    EXPECT_EQ(reg.ReadInteger("Timeouts.ReadTotalConstant"), 250);
    EXPECT_FALSE(reg.ValueExists("CustomBaudRate"));
    reg.CloseKey();

    Port b;
    b->SetSettingGroups(a->SettingGroups());
    b->LoadSettings(ssRegistry, std::string("HKEY_CURRENT_USER\\") + TestKey + "\\");
    EXPECT_EQ(b->Port(), "COM12");
    EXPECT_EQ(b->BaudRate(), br115200);
    EXPECT_EQ(b->Parity()->Bits(), prEven);
    EXPECT_EQ(b->FlowControl()->FlowControl(), fcSoftware);
    EXPECT_TRUE(b->FlowControl()->XonXoffIn());
    EXPECT_EQ(b->Timeouts()->ReadTotalConstant(), 250);
    DeleteTestKey();
}

TEST(ComSettingsRegistry, AMissingTextGivesTheDefaultAndAMissingIntegerFails) {
    DeleteTestKey();
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(std::string("\\") + TestKey + "\\comport", true));
        reg.WriteString("Port", "COM3");
    }
    Port port;
    port->Parity()->SetBits(prOdd);
    port->LoadSettings(ssRegistry, std::string("SomeOtherRoot\\") + TestKey);
    EXPECT_EQ(port->Port(), "COM3");
    EXPECT_EQ(port->BaudRate(), br9600);
    EXPECT_EQ(port->Parity()->Bits(), prNone);
    port->SetSettingGroups({sgBuffer});
    EXPECT_EQ(ComErrorOf([&] { port->LoadSettings(ssRegistry, std::string("HKEY_CURRENT_USER\\") + TestKey); }).first,
              17);
    DeleteTestKey();
}

TEST(ComSettingsRegistry, AKeyWithoutABackslashOpensNothingAndFails) {
    Port port;
    EXPECT_EQ(ComErrorOf([&] { port->StoreSettings(ssRegistry, "Software"); }), std::make_pair(16, -1));
}

TEST(ComPortList, ValuesAreListedSortedWithoutRegardToCase) {
    DeleteTestKey();
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(std::string("\\") + TestKey, true));
        reg.WriteString("\\Device\\Serial0", "COM3");
        reg.WriteString("\\Device\\Serial1", "COM10");
        reg.WriteString("\\Device\\Serial2", "com1");
        // Data written without its terminating zero is still taken whole.
        ASSERT_EQ(RegSetValueExA(reg.CurrentKey(), "Raw", 0, REG_SZ, reinterpret_cast<const BYTE*>("COM2"), 4),
                  ERROR_SUCCESS);
    }
    TStringList ports;
    ports.Add("stale");
    EnumComPortsIn(HKEY_CURRENT_USER, TestKey, &ports);
    EXPECT_EQ(ports.Text(), "com1\r\nCOM10\r\nCOM2\r\nCOM3\r\n");
    DeleteTestKey();
}

TEST(ComPortList, AMissingKeyRaisesCode23WithTheResult) {
    TStringList ports;
    EXPECT_EQ(ComErrorOf([&] { EnumComPortsIn(HKEY_CURRENT_USER, "Software\\BrimletTest\\NoSuchKey", &ports); }),
              std::make_pair(23, int{ERROR_FILE_NOT_FOUND}));
}

TEST(ComPortList, PtysConfiguredAsCom7AndCom10AreListedInTextOrderAndOpen) {
    // The test environment configures both numbers for the system's list; the peers put ptys behind them.
    SerialPeer com7(7), com10(10);
    TStringList ports;
    EnumComPorts(&ports);
    std::cout << "ports: " << ports.CommaText() << "\n";
    for (int i = 1; i < ports.Count(); ++i) EXPECT_LE(AnsiCompareText(ports[i - 1], ports[i]), 0);
    int at10 = ports.IndexOf("COM10"), at7 = ports.IndexOf("COM7");
    ASSERT_GE(at10, 0);
    ASSERT_GE(at7, 0);
    EXPECT_LT(at10, at7);
    for (auto [name, peer] : {std::pair{ports[at7], &com7}, std::pair{ports[at10], &com10}}) {
        TComPort port(nullptr);
        port.SetPort(name);
        port.Open();
        EXPECT_EQ(port.WriteStr(name), static_cast<int>(name.size()));
        EXPECT_EQ(peer->Read(name.size()), name);
    }
}
