// TFastIniFile against the platform's own INI reader, on generated files and on the Wine prefix's own files.
#include "settings/FastIniFile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

std::string Platform(const std::string& file, const std::string& section, const std::string& key,
                     const std::string& def) {
    std::vector<char> buffer(65536);
    DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buffer.data(),
                                       static_cast<DWORD>(buffer.size()), file.c_str());
    return std::string(buffer.data(), n);
}

std::string RandomCase(std::mt19937& rng, const std::string& s) {
    std::string r = s;
    for (char& c : r)
        if (rng() % 2)
            c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c >= 'A' && c <= 'Z' ? c + 32 : c);
    return r;
}

// Plain "name=value" files: sections and keys in any case, duplicate keys, keys asked for that are missing.
TEST(ProfileDifferential, PlainFilesReadAlike) {
    TempDir dir;
    std::mt19937 rng(20261209);
    const std::vector<std::string> sectionNames = {"comport", "cfg", "Last", "CmdHis", "x.y", "s p"};
    const std::vector<std::string> keyNames = {"Port", "BaudRate", "Left", "CMD0", "CMD1", "Tx.Color", "k"};
    int compared = 0;
    for (int round = 0; round < 40; ++round) {
        std::string file = dir.File("plain" + IntToStr(round) + ".ini");
        std::string text;
        std::vector<std::string> used;
        // Each section once: a repeated header is a deliberate difference (see below).
        std::vector<std::string> order = sectionNames;
        std::shuffle(order.begin(), order.end(), rng);
        order.resize(1 + rng() % order.size());
        for (const std::string& section : order) {
            text.append("[").append(RandomCase(rng, section)).append("]\r\n");
            int keys = static_cast<int>(rng() % 6);
            for (int k = 0; k < keys; ++k) {
                const std::string& key = keyNames[rng() % keyNames.size()];  // duplicates happen
                text += RandomCase(rng, key) + "=" + "v" + IntToStr(static_cast<long long>(rng() % 1000)) + "\r\n";
            }
            if (rng() % 3 == 0)
                text += "\r\n";
        }
        WriteFileBytes(file, text);
        TFastIniFile ini(file);
        for (const std::string& section : sectionNames)
            for (const std::string& key : keyNames) {
                std::string s = RandomCase(rng, section), k = RandomCase(rng, key);
                EXPECT_EQ(ini.ReadString(s, k, "<none>"), Platform(file, s, k, "<none>"))
                    << "[" << s << "] " << k << " in\n"
                    << text;
                ++compared;
            }
        EXPECT_FALSE(ini.Modified());
    }
    EXPECT_EQ(compared, 40 * 6 * 7);
}

// Where this class reads differently from the platform, on purpose.
TEST(ProfileDifferential, DeliberateDifferences) {
    struct Case {
        const char* why;
        std::string text, section, key, ours, platform;
    };
    const std::vector<Case> cases = {
        {"an inline comment is not part of the value", "[s]\r\nk = v ; note\r\n", "s", "k", "v", "v ; note"},
        {"a \";\" inside double quotes starts no comment; the quotes go", "[s]\r\nk=\"a;b\" ; c\r\n", "s", "k", "a;b",
         "\"a;b\" ; c"},
        {"enclosing apostrophes go", "[s]\r\nk='x'\r\n", "s", "k", "x", "x"},
        {"enclosing double quotes go", "[s]\r\nk=\"x\"\r\n", "s", "k", "x", "x"},
        {"the later of two equal headers wins", "[s]\r\nk=1\r\n[S]\r\nk=2\r\n", "s", "k", "2", "1"},
        {"a key only in the earlier of two equal headers is not found",
         "[s]\r\nk=1\r\n[S]\r\nj=2\r\n", "s", "k", "<none>", "1"},
        {"an indented header is no header", "[s]\r\n  [t]\r\nk=1\r\n", "t", "k", "<none>", "1"},
        {"an indented header is no header (its keys stay in the section before)", "[s]\r\n  [t]\r\nk=1\r\n", "s",
         "k", "1", "<none>"},
    };
    TempDir dir;
    int n = 0;
    for (const Case& c : cases) {
        std::string file = dir.File("case" + IntToStr(n++) + ".ini");
        WriteFileBytes(file, c.text);
        TFastIniFile ini(file);
        EXPECT_EQ(ini.ReadString(c.section, c.key, "<none>"), c.ours) << c.why;
        EXPECT_EQ(Platform(file, c.section, c.key, "<none>"), c.platform) << c.why;
    }
}

// The Wine prefix's own files: written by no one here.
class PrefixFile : public ::testing::TestWithParam<const char*> {};

TEST_P(PrefixFile, LoadsReadsAlikeAndSavesNothingAfterReadsAlone) {
    char windows[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
    std::string file = std::string(windows) + "\\" + GetParam();
    ASSERT_TRUE(FileExists(file)) << file;
    std::string before = ReadFileBytes(file);
    WIN32_FILE_ATTRIBUTE_DATA a0, a1;
    ASSERT_TRUE(GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &a0));
    int keysRead = 0;
    {
        TFastIniFile ini(file);
        TStringList sections, keys;
        ini.ReadSections(&sections);
        EXPECT_GT(sections.Count(), 0);
        for (int s = 0; s < sections.Count(); ++s) {
            ini.ReadSection(sections[s], &keys);
            for (int k = 0; k < keys.Count(); ++k) {
                std::string value = ini.ReadString(sections[s], keys[k], "<none>");
                if (value.find_first_of(";\"'") == std::string::npos) {
                    EXPECT_EQ(value, Platform(file, sections[s], keys[k], "<none>"))
                        << "[" << sections[s] << "] " << keys[k];
                }
                ++keysRead;
            }
        }
        EXPECT_FALSE(ini.Modified());
        ini.UpdateFile();
    }
    EXPECT_GT(keysRead, 0);
    ASSERT_TRUE(GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &a1));
    EXPECT_EQ(ReadFileBytes(file), before);
    EXPECT_EQ(CompareFileTime(&a0.ftLastWriteTime, &a1.ftLastWriteTime), 0);
}

INSTANTIATE_TEST_SUITE_P(WinePrefix, PrefixFile, ::testing::Values("win.ini", "system.ini"));

}  // namespace
