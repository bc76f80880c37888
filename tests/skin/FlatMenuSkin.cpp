// The flat menu skin: one 16-pixel row of the master bitmap per image.
#include "FlatMenuSkin.h"

#include <cstdio>
#include <stdexcept>
#include <vector>

namespace {

struct MenuSection {
    const char* Name;
    SampleColor Color[2];  // the flat colour of state 0 and (MENUITEM) state 1
    SampleColor FontColor, HotFontColor;
    int States;  // images: 0 none (the section colour alone)
};

// Distinct, never grey, never magenta, never white.
const MenuSection kSections[] = {
    {"MAINMENU", {0xE8D0B8, 0}, 0x402810, 0x104028, 1},
    {"MENUITEM", {0xB8E8C8, 0x30B060}, 0x602040, 0xF8F0A0, 2},
    {"MENULINE", {0xC8B8E8, 0}, 0x203060, 0x603020, 0},
    {"ICOLINE", {0xE8E0A0, 0}, 0x101060, 0x101060, 0},
    {"DIVIDERV", {0x8060C0, 0}, 0, 0, 0},
    {"TOOLBAR", {0xA0C8E8, 0}, 0x502000, 0x502000, 0},
    {"EXTRALINE", {0x5080C0, 0}, 0xF0E0D0, 0xF0E0D0, 0},
};

const MenuSection& Find(const std::string& name) {
    for (const MenuSection& s : kSections)
        if (name == s.Name) return s;
    throw std::out_of_range("the flat menu skin has no section " + name);
}

std::string Hex(SampleColor c) { return std::to_string(c); }

}  // namespace

SampleColor MenuSkinColor(const std::string& section, int state) {
    const MenuSection& s = Find(section);
    return s.Color[state > 0 && s.States > 1 ? 1 : 0];
}

SampleColor MenuFontColor(const std::string& section, bool hot) {
    const MenuSection& s = Find(section);
    return hot ? s.HotFontColor : s.FontColor;
}

SampleSkin MakeFlatMenuSkin(const std::string& name, const FlatMenuOptions& options) {
    const int W = 64, H = 16 * 4;
    std::vector<SampleColor> px(static_cast<size_t>(W) * H, 0x404040);
    auto set = [&](int x, int y, SampleColor c) { px[static_cast<size_t>(y) * W + x] = c; };
    char v[96];
    std::vector<std::string> lines = {
        "[GLOBALINFO]", "VERSION=6.0", "AUTHOR=Brimlet tests", "DESCRIPTION=Flat menu skin made by the test generator",
        "MASTERBITMAP=MASTER.BMP", "COLOR=" + Hex(0xD0D8E0), "FONTCOLOR=" + Hex(0x102030),
    };
    // Row 0: MAINMENU's frame, a ring of MenuFrameColor with transparent corner pixels around the section colour.
    const SampleColor centre = MenuSkinColor("MAINMENU");
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            bool ring = x < MenuFrameWidth || y < MenuFrameWidth || x >= 16 - MenuFrameWidth || y >= 16 - MenuFrameWidth;
            bool corner = (x == 0 || x == 15) && (y == 0 || y == 15);
            set(x, y, corner ? 0xFF00FF : ring ? MenuFrameColor : centre);
        }
    // Row 1: MENUITEM's two flat states.
    for (int k = 0; k < 2; ++k)
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) set(16 * k + x, 16 + y, MenuSkinColor("MENUITEM", k));
    // Rows 2 and 3: the check and radio glyphs, 8 x 8 with their masks below (black inside a white ring).
    const SampleColor glyphs[2] = {MenuCheckColor, MenuRadioColor};
    for (int g = 0; g < 2; ++g)
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                bool inside = x > 0 && y > 0 && x < 7 && y < 7;
                set(x, 32 + 16 * g + y, glyphs[g]);
                set(x, 32 + 16 * g + 8 + y, inside ? 0 : 0xFFFFFF);
            }
    snprintf(v, sizeof v, "CHECK=@%04d,%04d,%04d,%04d,1,1", 0, 32, 8, 48);
    lines.push_back(v);
    snprintf(v, sizeof v, "RADIOCHECKED=@%04d,%04d,%04d,%04d,1,1", 0, 48, 8, 64);
    lines.push_back(v);
    for (const MenuSection& s : kSections) {
        std::string n = s.Name;
        if (n == "DIVIDERV" && !options.DividerV) continue;
        lines.push_back("");
        lines.push_back("[" + n + "]");
        lines.push_back("COLOR=" + Hex(s.Color[0]));
        lines.push_back("HOTCOLOR=" + Hex(s.States > 1 ? s.Color[1] : s.Color[0]));
        lines.push_back("FONTCOLOR=" + Hex(s.FontColor));
        lines.push_back("HOTFONTCOLOR=" + Hex(s.HotFontColor));
        if (n == "MAINMENU") {
            snprintf(v, sizeof v, "BORDERSMASK=^%04d,%04d,%04d,%04d,%04d,%04d,%04d,%04d,1,0,0,%d", 0, 0, 16, 16,
                     MenuFrameWidth, MenuFrameWidth, MenuFrameWidth, MenuFrameWidth, MenuFrameWidth);
            lines.push_back(v);
        } else if (n == "MENUITEM") {
            snprintf(v, sizeof v, "BORDERSMASK=^%04d,%04d,%04d,%04d,0004,0004,0004,0004,2,0,0,0", 0, 16, 32, 32);
            lines.push_back(v);
        }
    }
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    SampleSkin skin;
    skin.Name = name;
    skin.Files.push_back({"Options.dat", text});
    skin.Files.push_back(
        {"MASTER.BMP", BmpFile24(W, H, [&](int x, int y) { return px[static_cast<size_t>(y) * W + x]; })});
    return skin;
}
