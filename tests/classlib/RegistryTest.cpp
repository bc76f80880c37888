#include "classlib/runtime/Registry.h"
#include "tests/support/ListItems.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using V = std::vector<std::string>;

// Each test works below a key of its own under HKCU and removes it at the end.
class RegistryTest : public ::testing::Test {
protected:
    std::string Base = "Software\\BrimletTest" + IntToStr(GetCurrentProcessId());
    void TearDown() override {
        TRegistry reg;
        reg.DeleteKey("\\" + Base);
    }
};

TEST_F(RegistryTest, StringsAndIntegersRoundTrip) {
    {
        TRegistry reg;
        EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
        ASSERT_TRUE(reg.OpenKey(Base + "\\comport", true));
        EXPECT_EQ(reg.CurrentPath(), Base + "\\comport");
        reg.WriteString("Port", "COM3");
        reg.WriteString("Empty", "");
        reg.WriteInteger("Buffer.InputSize", 1024);
        reg.WriteInteger("Negative", -5);
        reg.CloseKey();
        EXPECT_EQ(reg.CurrentKey(), nullptr);
        EXPECT_EQ(reg.CurrentPath(), "");
    }
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey(Base + "\\nothing", false));
    ASSERT_TRUE(reg.OpenKey(Base + "\\comport", false));
    EXPECT_EQ(reg.ReadString("Port"), "COM3");
    EXPECT_EQ(reg.ReadString("Empty"), "");
    EXPECT_EQ(reg.ReadInteger("Buffer.InputSize"), 1024);
    EXPECT_EQ(reg.ReadInteger("Negative"), -5);
    EXPECT_TRUE(reg.ValueExists("port"));
    EXPECT_FALSE(reg.ValueExists("Parity"));
}

TEST_F(RegistryTest, MissingAndWrongTypedValues) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(Base, true));
    reg.WriteString("Text", "abc");
    reg.WriteInteger("Number", 7);
    EXPECT_EQ(reg.ReadString("Missing"), "");  // a missing string reads as empty text
    try {
        reg.ReadInteger("Missing");
        FAIL();
    } catch (const ERegistryException& e) {
        std::string text = e.what();
        EXPECT_NE(text.find("Failed to get data for 'Missing'"), std::string::npos) << text;
        EXPECT_NE(text.find("(system error 2)"), std::string::npos) << text;
    }
    try {
        reg.ReadInteger("Text");
        FAIL();
    } catch (const ERegistryException& e) {
        EXPECT_EQ(std::string(e.what()).find("Invalid data type for 'Text'"), 0u) << e.what();
    }
    EXPECT_THROW(reg.ReadString("Number"), ERegistryException);
    reg.CloseKey();
    EXPECT_THROW(reg.ReadString("Text"), ERegistryException);  // no key open
    EXPECT_THROW(reg.WriteInteger("Number", 1), ERegistryException);
}

TEST_F(RegistryTest, RelativeKeysNamesAndDeletion) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(Base, true));
    ASSERT_TRUE(reg.OpenKey("a", true));  // relative to the open key
    EXPECT_EQ(reg.CurrentPath(), Base + "\\a");
    reg.WriteString("x", "1");
    reg.WriteString("y", "2");
    ASSERT_TRUE(reg.OpenKey("deep\\er", true));
    EXPECT_EQ(reg.CurrentPath(), Base + "\\a\\deep\\er");
    ASSERT_TRUE(reg.OpenKey("\\" + Base, false));  // a leading "\" starts at the root
    EXPECT_EQ(reg.CurrentPath(), Base);
    EXPECT_TRUE(reg.CreateKey("b"));
    EXPECT_TRUE(reg.KeyExists("a\\deep"));
    EXPECT_FALSE(reg.KeyExists("c"));

    TStringList names;
    reg.GetKeyNames(&names);
    names.Sort();
    EXPECT_EQ(Items(names), (V{"a", "b"}));
    ASSERT_TRUE(reg.OpenKey("a", false));
    reg.GetValueNames(&names);
    names.Sort();
    EXPECT_EQ(Items(names), (V{"x", "y"}));
    EXPECT_TRUE(reg.DeleteValue("x"));
    EXPECT_FALSE(reg.DeleteValue("x"));
    EXPECT_FALSE(reg.ValueExists("x"));

    ASSERT_TRUE(reg.OpenKey("\\" + Base, false));
    EXPECT_TRUE(reg.DeleteKey("a"));  // with its subkeys
    EXPECT_FALSE(reg.KeyExists("a"));
    EXPECT_FALSE(reg.DeleteKey("a"));
}

TEST_F(RegistryTest, OtherRootsAndReadOnlyKeys) {
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKeyReadOnly("HARDWARE\\DEVICEMAP"));
    EXPECT_TRUE(reg.KeyExists("SERIALCOMM"));
    reg.SetRootKey(HKEY_CURRENT_USER);
    EXPECT_EQ(reg.CurrentKey(), nullptr);  // changing the root closes the key
    ASSERT_TRUE(reg.OpenKey(Base, true));
    reg.WriteString("v", "w");
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\" + Base));
    EXPECT_EQ(reg.ReadString("v"), "w");
    EXPECT_THROW(reg.WriteString("v", "z"), ERegistryException);
}

}  // namespace
