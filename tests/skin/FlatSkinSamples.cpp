// The flat sample skin: one colour per section and state, images with known borders.
#include "FlatSkinSamples.h"

#include <cstdio>
#include <stdexcept>
#include <vector>

namespace {

struct ScrollFlatSection {
    const char* Name;
    SampleColor States[3];
};

// Distinct, never grey and never magenta, so that no state colour is taken for another or for transparency.
const ScrollFlatSection kScrollSections[] = {
    {"SCROLLBTNLEFT", {0x2040C0, 0x3060E0, 0x1030A0}},   {"SCROLLBTNRIGHT", {0x20C040, 0x30E060, 0x10A030}},
    {"SCROLLBTNTOP", {0xC04020, 0xE06030, 0xA03010}},    {"SCROLLBTNBOTTOM", {0xC020C0, 0xE030E0, 0xA010A0}},
    {"SCROLLBAR1H", {0x80C0E0, 0x90D0F0, 0x70B0D0}},     {"SCROLLBAR2H", {0xE0C080, 0xF0D090, 0xD0B070}},
    {"SCROLLBAR1V", {0x80E0C0, 0x90F0D0, 0x70D0B0}},     {"SCROLLBAR2V", {0xC0E080, 0xD0F090, 0xB0D070}},
    {"SCROLLSLIDERH", {0x4080A0, 0x5090B0, 0x307090}},   {"SCROLLSLIDERV", {0xA08040, 0xB09050, 0x907030}},
};
const ScrollFlatSection kFrameSections[] = {
    {"FORM", {0x1050F0, 0x10F050, 0}},
    {"PANEL", {0x6010D0, 0xD01060, 0}},
};
constexpr SampleColor kEditColor = 0xF0E8D8, kBarColor = 0xB8C8A8, kPanelColor = 0xC8B8A8, kFormColor = 0xA8C8B8;

std::string Rect(const char* head, int l, int t, int r, int b) {
    char v[48];
    snprintf(v, sizeof v, "%s%04d,%04d,%04d,%04d", head, l, t, r, b);
    return v;
}

std::string Num(SampleColor c) { return std::to_string(c); }

}  // namespace

SampleColor FlatStateColor(const std::string& section, int state) {
    for (const ScrollFlatSection& s : kScrollSections)
        if (section == s.Name)
            return s.States[state < 0 || state > 2 ? 0 : state];
    for (const ScrollFlatSection& s : kFrameSections)
        if (section == s.Name)
            return s.States[state == 1 ? 1 : 0];
    if (section == "EDIT")
        return kEditColor;
    if (section == "BAR")
        return kBarColor;
    throw std::out_of_range("the flat skin has no section " + section);
}

SampleColor FlatSectionColor(const std::string& section) {
    if (section == "FORM")
        return kFormColor;
    if (section == "PANEL")
        return kPanelColor;
    return FlatStateColor(section, 0);
}

SampleSkin MakeFlatScrollSkin(const std::string& name) {
    // Master bitmap: one 16-pixel row per scroll section (three states), then the grip and the two frames.
    const int W = 64, H = 16 * 10 + 24 + 48 + 48;
    std::vector<SampleColor> px(static_cast<size_t>(W) * H, 0x404040);
    auto fill = [&](int l, int t, int r, int b, SampleColor c) {
        for (int y = t; y < b; ++y)
            for (int x = l; x < r; ++x)
                px[static_cast<size_t>(y) * W + x] = c;
    };
    std::vector<std::string> lines = {
        "[GLOBALINFO]", "VERSION=6.0", "AUTHOR=Brimlet tests", "DESCRIPTION=Flat sample skin for pixel tests",
        "MASTERBITMAP=MASTER.BMP", "COLOR=" + Num(kEditColor), "FONTCOLOR=0",
    };
    // The grip: 12 x 12 in its colour, its mask below black (the image shows) but for a white first column.
    int gripTop = 160;
    fill(0, gripTop, 12, gripTop + 12, FlatGripColor);
    fill(0, gripTop + 12, 12, gripTop + 24, 0);
    fill(0, gripTop + 12, 1, gripTop + 24, 0xFFFFFF);
    lines.push_back("GRIPIMAGE=" + Rect("@", 0, gripTop, 12, gripTop + 24) + ",1,1");
    std::vector<std::string> sections;
    int y = 0;
    for (const ScrollFlatSection& s : kScrollSections) {
        for (int k = 0; k < 3; ++k)
            fill(16 * k, y, 16 * k + 16, y + 16, s.States[k]);
        sections.insert(sections.end(), {"", std::string("[") + s.Name + "]", "COLOR=" + Num(s.States[0]),
                                         "HOTCOLOR=" + Num(s.States[1]),
                                         "BORDERSMASK=" + Rect("^", 0, y, 48, y + 16) + ",0004,0004,0004,0004,3,0,0,0"});
        y += 16;
    }
    // FORM: two opaque 24 x 24 states, borders 2/3/4/5 in the state colour around the centre colour.
    int formTop = gripTop + 24;
    for (int k = 0; k < 2; ++k) {
        int l = 24 * k;
        fill(l, formTop, l + 24, formTop + 24, kFrameSections[0].States[k]);
        fill(l + 2, formTop + 3, l + 24 - 4, formTop + 24 - 5, FlatCentreColor);
    }
    sections.insert(sections.end(), {"", "[FORM]", "COLOR=" + Num(kFormColor), "HOTCOLOR=" + Num(kFormColor),
                                     "BORDERSMASK=" + Rect("^", 0, formTop, 48, formTop + 24) +
                                         ",0002,0003,0004,0005,2,0,0,0"});
    // PANEL: two masked 24 x 24 states, 3-pixel borders; the mask is white on the outer ring, black inside.
    int panelTop = formTop + 24;
    for (int k = 0; k < 2; ++k) {
        int l = 24 * k;
        fill(l, panelTop, l + 24, panelTop + 24, kFrameSections[1].States[k]);
        fill(l, panelTop + 24, l + 24, panelTop + 48, 0xFFFFFF);
        fill(l + 1, panelTop + 25, l + 23, panelTop + 47, 0);
    }
    sections.insert(sections.end(), {"", "[PANEL]", "COLOR=" + Num(kPanelColor), "HOTCOLOR=" + Num(kPanelColor),
                                     "BORDERSMASK=" + Rect("^", 0, panelTop, 48, panelTop + 48) +
                                         ",0003,0003,0003,0003,2,1,0,0"});
    sections.insert(sections.end(), {"", "[EDIT]", "COLOR=" + Num(kEditColor), "HOTCOLOR=" + Num(kEditColor), "",
                                     "[BAR]", "COLOR=" + Num(kBarColor), "HOTCOLOR=" + Num(kBarColor)});
    lines.insert(lines.end(), sections.begin(), sections.end());
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    SampleSkin skin;
    skin.Name = name;
    skin.Files.push_back({"Options.dat", text});
    skin.Files.push_back({"MASTER.BMP", BmpFile24(W, H, [&](int x, int yy) { return px[static_cast<size_t>(yy) * W + x]; })});
    return skin;
}
