// Message catalogues: a German catalogue made by msgfmt at build time lies beside this test.
#include "classlib/runtime/Intl.h"
#include "classlib/runtime/SysUtils.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

void UseLanguage(const char* lang) {
    // LANGUAGE and LC_ALL would take precedence over LANG; this test decides alone.
    _putenv("LANGUAGE=");
    _putenv("LC_ALL=");
    _putenv("LC_MESSAGES=");
    _putenv((std::string("LANG=") + lang).c_str());
}

TEST(MessageCatalogue, CataloguesLieInTheLocaleFolderBesideTheExecutable) {
    EXPECT_EQ(LocaleDirectory(), ExtractFilePath(ParamStr0()) + "locale");
    EXPECT_TRUE(FileExists(LocaleDirectory() + "\\de\\LC_MESSAGES\\brimlet-test.mo"));
}

TEST(MessageCatalogue, GermanTranslatesAndConvertsToTheAnsiCodePage) {
    UseLanguage("de");
    AddDomainForResourceString("brimlet-test");
    EXPECT_EQ(DGetText("brimlet-test", "Unable to open com port"), "Der COM-Port kann nicht ge\xF6""ffnet werden");
    EXPECT_EQ(GetText("Registry error"), "Registrierungsfehler");
    EXPECT_EQ(GetText("Not in the catalogue"), "Not in the catalogue");
    UseLanguage("de_DE.UTF-8");
    EXPECT_EQ(GetText("Failed to store settings"), "Speichern der Einstellungen fehlgeschlagen");
}

// libintl keeps what it found for the rest of the run (the language is chosen once, at start-up), so these
// cases use a text that no case above has looked up.
TEST(MessageCatalogue, WithoutACatalogueForTheLanguageTheTextStays) {
    AddDomainForResourceString("brimlet-test");
    UseLanguage("C");
    EXPECT_EQ(GetText("Failed to load settings"), "Failed to load settings");
    UseLanguage("fr");
    EXPECT_EQ(GetText("Failed to load settings"), "Failed to load settings");
    UseLanguage("de");
    EXPECT_EQ(DGetText("no-such-domain", "Failed to load settings"), "Failed to load settings");
    EXPECT_EQ(DGetText("brimlet-test", ""), "");
}

}  // namespace
