// The flat content skin: one 16-pixel row of the master bitmap per framed section, then the glyphs.
#include "FlatContentSkin.h"

#include <cstdio>
#include <stdexcept>
#include <vector>

namespace {

struct ContentSection {
    const char* Name;
    const char* Parent;
    SampleColor Color, FontColor, HotFontColor, HotColor;
    int States;  // frame image states; 0: no frame image
    int Ring;
    SampleColor Frame[3];
    SampleColor Centre[3];
};

// Distinct, never grey and never magenta.
const ContentSection kSections[] = {
    {"EDIT", "", 0xF0E8D8, 0x402010, 0x102040, 0xE8F0F8, 2, 2, {0x2080C0, 0x20C080, 0}, {0xF0E8D8, 0xE8F0F8, 0}},
    {"COMBOBOX",
     "EDIT",
     0xE0F0F0,
     0x204060,
     0x602040,
     0xF0F0E0,
     2,
     2,
     {0x8040C0, 0xC04080, 0},
     {0xE0F0F0, 0xF0F0E0, 0}},
    {"COMBOBTN", "", 0xA0E0E0, 0, 0, 0xB0F0F0, 3, 2, {0x40A0A0, 0x50B0B0, 0x309090}, {0xA0E0E0, 0xB0F0F0, 0x90D0D0}},
    {"COLHEADER",
     "",
     0xC8D0F0,
     0x102030,
     0x302010,
     0xD8E0F8,
     3,
     2,
     {0x6080C0, 0x7090D0, 0x5070B0},
     {0xC8D0F0, 0xD8E0F8, 0xB8C0E0}},
    {"BUTTON",
     "",
     0xB8E0C8,
     0x103020,
     0x203010,
     0xC8F0D8,
     3,
     2,
     {0x408060, 0x509070, 0x307050},
     {0xB8E0C8, 0xC8F0D8, 0xA8D0B8}},
    {"STATUSBAR", "", 0xC8D8B8, 0x204010, 0x102008, 0xC8D8B8, 0, 0, {}, {}},
    {"DIVIDER", "", 0x7060A0, 0, 0, 0x7060A0, 1, 1, {0x7060A0, 0, 0}, {0x7060A0, 0, 0}},
    {"MAINMENU", "", 0xF0D8C8, 0x301808, 0x081830, 0xF0D8C8, 1, 3, {0xA06040, 0, 0}, {0xF0D8C8, 0, 0}},
    {"MDIAREA", "", 0x9098A8, 0, 0, 0x9098A8, 0, 0, {}, {}},
    {"FORM", "", 0xB0C0A0, 0x101010, 0x101010, 0xB0C0A0, 0, 0, {}, {}},
    {"SCROLLBTNLEFT",
     "",
     0x2040C0,
     0,
     0,
     0x3060E0,
     3,
     4,
     {0x102080, 0x183090, 0x081860},
     {0x2040C0, 0x3060E0, 0x1030A0}},
    {"SCROLLBTNRIGHT",
     "",
     0x20C040,
     0,
     0,
     0x30E060,
     3,
     4,
     {0x108020, 0x189030, 0x086018},
     {0x20C040, 0x30E060, 0x10A030}},
    {"SCROLLBTNTOP",
     "",
     0xC04020,
     0,
     0,
     0xE06030,
     3,
     4,
     {0x802010, 0x903018, 0x601808},
     {0xC04020, 0xE06030, 0xA03010}},
    {"SCROLLBTNBOTTOM",
     "",
     0xC020C0,
     0,
     0,
     0xE030E0,
     3,
     4,
     {0x801080, 0x901890, 0x600860},
     {0xC020C0, 0xE030E0, 0xA010A0}},
    {"SCROLLBAR1H", "", 0x80C0E0, 0, 0, 0x90D0F0, 3, 0, {0x80C0E0, 0x90D0F0, 0x70B0D0}, {0x80C0E0, 0x90D0F0, 0x70B0D0}},
    {"SCROLLBAR2H", "", 0xE0C080, 0, 0, 0xF0D090, 3, 0, {0xE0C080, 0xF0D090, 0xD0B070}, {0xE0C080, 0xF0D090, 0xD0B070}},
    {"SCROLLBAR1V", "", 0x80E0C0, 0, 0, 0x90F0D0, 3, 0, {0x80E0C0, 0x90F0D0, 0x70D0B0}, {0x80E0C0, 0x90F0D0, 0x70D0B0}},
    {"SCROLLBAR2V", "", 0xC0E080, 0, 0, 0xD0F090, 3, 0, {0xC0E080, 0xD0F090, 0xB0D070}, {0xC0E080, 0xD0F090, 0xB0D070}},
    {"SCROLLSLIDERH",
     "",
     0x4080A0,
     0,
     0,
     0x5090B0,
     3,
     3,
     {0x204050, 0x284858, 0x183840},
     {0x4080A0, 0x5090B0, 0x307090}},
    {"SCROLLSLIDERV",
     "",
     0xA08040,
     0,
     0,
     0xB09050,
     3,
     3,
     {0x504020, 0x584828, 0x403818},
     {0xA08040, 0xB09050, 0x907030}},
};
// Glyphs: 8 x 8 masked states of one colour (mask black inside a white ring).
struct ContentGlyph {
    const char* Section;
    const char* Key;
    SampleColor Color;
};
const ContentGlyph kGlyphs[] = {
    {"COMBOBOX", "GLYPHMASK", 0x0000A0},        {"SCROLLBTNTOP", "GLYPHMASK", 0x00A0A0},
    {"SCROLLBTNBOTTOM", "GLYPHMASK", 0xA0A000}, {"SCROLLBTNLEFT", "GLYPHMASK", 0x00A000},
    {"SCROLLBTNRIGHT", "GLYPHMASK", 0xA000A0},  {"GLOBALINFO", "GRIPIMAGE", 0x1188EE},
};
constexpr SampleColor kPanelMaskFrame = 0x3070B0, kPanelMaskCentre = 0xE0F0D0;

const ContentSection& Find(const std::string& name) {
    for (const ContentSection& s : kSections)
        if (name == s.Name) return s;
    throw std::out_of_range("the flat content skin has no section " + name);
}

std::string Image(char head, int l, int t, int r, int b, int w, int count, int maskType) {
    char v[80];
    if (head == '@')
        snprintf(v, sizeof v, "@%04d,%04d,%04d,%04d,%d,%d", l, t, r, b, count, maskType);
    else
        snprintf(v, sizeof v, "^%04d,%04d,%04d,%04d,%04d,%04d,%04d,%04d,%d,%d,0,0", l, t, r, b, w, w, w, w, count,
                 maskType);
    return v;
}

}  // namespace

SampleColor FlatFrameColor(const std::string& section, int state) {
    const ContentSection& s = Find(section);
    if (!s.States) throw std::out_of_range(section + " has no frame image");
    return s.Frame[state < 0 || state >= s.States ? s.States - 1 : state];
}
SampleColor FlatCentreColorOf(const std::string& section, int state) {
    if (section == "STATUSPANELMASK") return kPanelMaskCentre;
    const ContentSection& s = Find(section);
    if (!s.States) throw std::out_of_range(section + " has no frame image");
    return s.Centre[state < 0 || state >= s.States ? s.States - 1 : state];
}
SampleColor FlatSectionColor(const std::string& section) { return Find(section).Color; }
SampleColor FlatFontColor(const std::string& section) { return Find(section).FontColor; }
SampleColor FlatHotFontColor(const std::string& section) { return Find(section).HotFontColor; }
SampleColor FlatHotColor(const std::string& section) { return Find(section).HotColor; }
int FlatFrameWidth(const std::string& section) { return section == "STATUSPANELMASK" ? 2 : Find(section).Ring; }
SampleColor FlatGlyphColor(const std::string& section) {
    if (section == "STATUSPANELMASK") return kPanelMaskFrame;
    for (const ContentGlyph& g : kGlyphs)
        if (section == g.Section) return g.Color;
    throw std::out_of_range("the flat content skin has no glyph of " + section);
}

SampleSkin MakeFlatContentSkin(const std::string& name, const FlatContentOptions& options) {
    const int W = 64, rows = static_cast<int>(std::size(kSections)) + 1 + static_cast<int>(std::size(kGlyphs));
    const int H = 16 * rows;
    std::vector<SampleColor> px(static_cast<size_t>(W) * H, 0x404040);
    auto set = [&](int x, int y, SampleColor c) { px[static_cast<size_t>(y) * W + x] = c; };
    auto ringed = [&](int l, int t, int size, int ring, SampleColor frame, SampleColor centre) {
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                bool edge = x < ring || y < ring || x >= size - ring || y >= size - ring;
                set(l + x, t + y, edge ? frame : centre);
            }
    };
    auto hex = [](SampleColor c) { return std::to_string(c); };
    std::vector<std::string> lines = {
        "[GLOBALINFO]",
        "VERSION=6.0",
        "AUTHOR=Brimlet tests",
        "DESCRIPTION=Flat content skin made by the test generator",
        "MASTERBITMAP=MASTER.BMP",
        "COLOR=" + hex(FlatContentGlobalColor),
        "FONTCOLOR=" + hex(FlatContentGlobalFontColor),
    };
    int row = 0;
    std::vector<std::string> sectionLines;
    for (const ContentSection& s : kSections) {
        std::string n = s.Name;
        if ((n == "COLHEADER" && !options.ColumnHeader) || (n == "DIVIDER" && !options.Divider)) continue;
        int t = 16 * row++;
        sectionLines.push_back("");
        sectionLines.push_back("[" + n + "]");
        if (*s.Parent) sectionLines.push_back(std::string("PARENTCLASS=") + s.Parent);
        sectionLines.push_back("COLOR=" + hex(s.Color));
        sectionLines.push_back("FONTCOLOR=" + hex(s.FontColor));
        sectionLines.push_back("HOTFONTCOLOR=" + hex(s.HotFontColor));
        sectionLines.push_back("HOTCOLOR=" + hex(s.HotColor));
        if (s.States) {
            for (int k = 0; k < s.States; ++k) ringed(16 * k, t, 16, s.Ring, s.Frame[k], s.Centre[k]);
            sectionLines.push_back("BORDERSMASK=" + Image('^', 0, t, 16 * s.States, t + 16, s.Ring, s.States, 0));
        }
        if (n == "STATUSBAR" && options.StatusPanelMask) {
            int pt = 16 * row++;
            ringed(0, pt, 16, 2, kPanelMaskFrame, kPanelMaskCentre);
            sectionLines.push_back("STATUSPANELMASK=" + Image('^', 0, pt, 16, pt + 16, 2, 1, 0));
        }
        for (const ContentGlyph& g : kGlyphs)
            if (n == g.Section) {
                int gt = 16 * row++;
                for (int k = 0; k < 3; ++k)
                    for (int y = 0; y < 8; ++y)
                        for (int x = 0; x < 8; ++x) {
                            bool inside = x > 0 && y > 0 && x < 7 && y < 7;
                            set(8 * k + x, gt + y, g.Color);
                            set(8 * k + x, gt + 8 + y, inside ? 0 : 0xFFFFFF);
                        }
                sectionLines.push_back(std::string(g.Key) + "=" + Image('@', 0, gt, 24, gt + 16, 0, 3, 1));
            }
    }
    // GLOBALINFO's grip: its glyph row comes last.
    for (const ContentGlyph& g : kGlyphs)
        if (std::string(g.Section) == "GLOBALINFO") {
            int gt = 16 * row++;
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x) {
                    set(x, gt + y, g.Color);
                    set(x, gt + 8 + y, (x > 0 && y > 0 && x < 7 && y < 7) ? 0 : 0xFFFFFF);
                }
            lines.push_back(std::string(g.Key) + "=" + Image('@', 0, gt, 8, gt + 16, 0, 1, 1));
        }
    lines.insert(lines.end(), sectionLines.begin(), sectionLines.end());
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    SampleSkin skin;
    skin.Name = name;
    skin.Files.push_back({"Options.dat", text});
    skin.Files.push_back(
        {"MASTER.BMP", BmpFile24(W, H, [&](int x, int y) { return px[static_cast<size_t>(y) * W + x]; })});
    return skin;
}
