// The serial port's messages through a German catalogue that lies beside this test.
#include "serial/CPort.h"
#include "serial/CPortSetup.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// The texts are translated once, the first time the serial unit is used: choose the language before that.
class GermanEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        _putenv("LANGUAGE=");
        _putenv("LC_ALL=");
        _putenv("LC_MESSAGES=");
        _putenv("LANG=de");
    }
};
const auto* const german = ::testing::AddGlobalTestEnvironment(new GermanEnvironment);

TEST(ComPortCatalogue, CodeOneComesOutInGermanWithTheTranslatedSuffix) {
    EXPECT_EQ(EComPort(1, 2).Message(), "Der COM-Port kann nicht ge\xF6""ffnet werden (Windows-Fehlercode: 2)");
    EXPECT_EQ(EComPort(1).Message(), "Der COM-Port kann nicht ge\xF6""ffnet werden");
}

TEST(ComPortCatalogue, OpeningAnAbsentPortReportsInGerman) {
    TComPort port(nullptr);
    port.SetPort("COM250");
    try {
        port.Open();
        FAIL() << "opened an absent port";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code(), 1);
        EXPECT_EQ(e.Message(), "Der COM-Port kann nicht ge\xF6""ffnet werden (Windows-Fehlercode: 2)");
    }
}

TEST(ComPortCatalogue, APercentSignInATranslationStaysAsWritten) {
    EXPECT_EQ(EComPort(7, 87).Message(), "SetCommState zu 100%s fehlgeschlagen (Windows-Fehlercode: 87)");
}

TEST(ComPortCatalogue, TextsWithoutATranslationStayEnglish) {
    EXPECT_EQ(EComPort(14).Message(), "Cannot set property while connected");
}

TEST(ComPortCatalogue, TheSetupDialogIsTranslatedButItsListsKeepTheSettingValues) {
    auto* form = new TComSetupFrm(nullptr);
    form->AfterConstruction();
    EXPECT_EQ(form->Caption(), "Einrichtung");
    EXPECT_EQ(form->GroupBox1->Caption(), " Einstellungen ");
    EXPECT_EQ(form->Label2->Caption(), "Baudrate");
    EXPECT_EQ(form->Button2->Caption(), "Abbrechen");
    EXPECT_EQ(form->Combo5->Items()->Strings(0), "None");
    EXPECT_EQ(form->Combo5->Text(), "None");
    form->Free();
}

}  // namespace
