// The flat form skin: rows of the master bitmap for the form's border image, the caption-button frame and the
// glyphs, one flat colour per state.
#include "FlatFormSkin.h"
#include "FlatSkinSamples.h"

#include <cstdio>
#include <stdexcept>
#include <vector>

namespace {

struct GlyphColors {
    const char* Button;
    SampleColor Big[4];
    SampleColor Small[4];
};
// Distinct, never grey and never magenta.
const GlyphColors kGlyphs[] = {
    {"CLOSE", {0x1414C8, 0x3232F0, 0x0A0A8C, 0x46469B}, {0x1E28B4, 0x3C46DC, 0x141E78, 0x5A5A96}},
    {"MAX", {0x14C814, 0x32F032, 0x0A8C0A, 0x469B46}, {0x28B41E, 0x46DC3C, 0x1E7814, 0x5A965A}},
    {"MIN", {0xC81414, 0xF03232, 0x8C0A0A, 0x9B4646}, {0xB41E28, 0xDC3C46, 0x78141E, 0x965A5A}},
    {"NORM", {0x14C8C8, 0x32F0F0, 0x0A8C8C, 0x469B9B}, {0x1EB4B4, 0x3CDCDC, 0x147878, 0x5A9696}},
    {"HELP", {0xC8C814, 0xF0F032, 0x8C8C0A, 0x9B9B46}, {0, 0, 0, 0}},
};

std::string Image(char head, int l, int t, int r, int b, int w, int count, int maskType) {
    char v[80];
    if (head == '@')
        snprintf(v, sizeof v, "@%04d,%04d,%04d,%04d,%d,%d", l, t, r, b, count, maskType);
    else
        snprintf(v, sizeof v, "^%04d,%04d,%04d,%04d,%04d,%04d,%04d,%04d,%d,%d,0,0", l, t, r, b, w, w, w, w, count,
                 maskType);
    return v;
}

std::string Num(SampleColor c) {
    return std::to_string(c);
}

}  // namespace

SampleColor FormSkin::GlyphColor(const std::string& button, bool big, int state) {
    for (const GlyphColors& g : kGlyphs)
        if (button == g.Button) {
            if (!big && button == "HELP")
                break;
            return (big ? g.Big : g.Small)[state < 0 || state > 3 ? 0 : state];
        }
    throw std::out_of_range("the flat form skin has no glyph " + button);
}

SampleSkin MakeFlatFormSkin(const std::string& name, const FlatFormOptions& options) {
    using namespace FormSkin;
    const int W = 128, H = 32 * 18;
    std::vector<SampleColor> px(static_cast<size_t>(W) * H, 0x404040);
    auto set = [&](int x, int y, SampleColor c) { px[static_cast<size_t>(y) * W + x] = c; };
    std::vector<std::string> global = {
        "[GLOBALINFO]",
        "VERSION=6.0",
        "AUTHOR=Brimlet tests",
        "DESCRIPTION=Flat form skin made by the test generator",
        "MASTERBITMAP=MASTER.BMP",
        "COLOR=" + Num(Global),
        "FONTCOLOR=0",
        "BISPACE=" + std::to_string(ButtonSpacing),
        "BIVALIGN=0",
    };
    int top = 0;
    // A 32 x 32 border image at the row Top: a ring Width pixels wide around the centre colour.
    auto ring = [&](int Top, int Width, SampleColor RingColor, SampleColor Centre) {
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                bool edge = x < Width || y < Width || x >= 32 - Width || y >= 32 - Width;
                set(x, Top + y, edge ? RingColor : Centre);
            }
    };
    // The form's border image: a ring around the form colour, magenta runs in the corner blocks.
    int border = options.WideBorder ? WideBorder : Border;
    ring(top, border, Ring, Form);
    for (int row : {0, 31}) {
        for (int x = 0; x < 3; ++x)
            set(x, top + row, 0xFF00FF), set(31 - x, top + row, 0xFF00FF);
    }
    for (int row : {1, 30})
        set(0, top + row, 0xFF00FF), set(31, top + row, 0xFF00FF);
    std::string formMask = Image('^', 0, top, 32, top + 32, border, 1, 0);
    top += 32;
    // The dialog's border image: the same shape as the form's, its own ring and centre.
    std::string dialogMask;
    if (options.Dialog) {
        ring(top, Border, DialogRing, Dialog);
        for (int row : {0, 31})
            for (int x = 0; x < 3; ++x)
                set(x, top + row, 0xFF00FF), set(31 - x, top + row, 0xFF00FF);
        for (int row : {1, 30})
            set(0, top + row, 0xFF00FF), set(31, top + row, 0xFF00FF);
        dialogMask = Image('^', 0, top, 32, top + 32, Border, 1, 0);
        top += 32;
    }
    // The popup menus' border image: a plain ring around the popup colour.
    std::string popupMask;
    if (options.PopupMenu) {
        ring(top, PopupBorder, PopupRing, Popup);
        popupMask = Image('^', 0, top, 32, top + 32, PopupBorder, 1, 0);
        top += 32;
    }
    // The caption-button frame.
    std::string titleButton;
    if (options.TitleButton) {
        for (int k = 0; k < 3; ++k)
            for (int y = 0; y < TitleButtonSize; ++y)
                for (int x = 0; x < TitleButtonSize; ++x) {
                    bool edge = x < TitleButtonCorner || y < TitleButtonCorner ||
                                x >= TitleButtonSize - TitleButtonCorner || y >= TitleButtonSize - TitleButtonCorner;
                    set(TitleButtonSize * k + x, top + y, edge ? TitleButtonRing[k] : TitleButtonCentre[k]);
                }
        titleButton = Image('^', 0, top, 3 * TitleButtonSize, top + TitleButtonSize, TitleButtonCorner, 3, 0);
        top += 32;
    }
    // The glyphs, four states each with their masks below.
    auto glyph = [&](const std::string& key, const SampleColor(&colors)[4], int gw, int gh) {
        for (int k = 0; k < 4; ++k)
            for (int y = 0; y < gh; ++y)
                for (int x = 0; x < gw; ++x) {
                    bool inside = x > 0 && y > 0 && x < gw - 1 && y < gh - 1;
                    set(gw * k + x, top + y, colors[k]);
                    set(gw * k + x, top + gh + y, inside ? 0 : 0xFFFFFF);
                }
        global.push_back(key + "=" + Image('@', 0, top, 4 * gw, top + 2 * gh, 0, 4, 1));
        top += 32;
    };
    for (const GlyphColors& g : kGlyphs) {
        if (!options.Glyphs)
            break;
        glyph(std::string("BICON") + g.Button, g.Big, BigWidth, options.BigGlyphHeight);
        if (options.SmallIcons && std::string(g.Button) != "HELP")
            glyph(std::string("SICON") + g.Button, g.Small, SmallWidth, SmallHeight);
    }
    if (!titleButton.empty())
        global.push_back("TITLEBUTTON=" + titleButton);
    for (int y = 0; y < GripSize; ++y)
        for (int x = 0; x < GripSize; ++x) {
            bool inside = x > 0 && y > 0 && x < GripSize - 1 && y < GripSize - 1;
            set(x, top + y, GripColor);
            set(x, top + GripSize + y, inside ? 0 : 0xFFFFFF);
        }
    global.push_back("GRIPIMAGE=" + Image('@', 0, top, GripSize, top + 2 * GripSize, 0, 1, 1));
    top += 32;
    // The scroll-bar sections: three opaque 16 x 16 states with 4-pixel borders each, two sections a row.
    std::vector<std::string> scrollLines;
    if (options.ScrollBars) {
        const char* sections[] = {"SCROLLBTNLEFT", "SCROLLBTNRIGHT", "SCROLLBTNTOP", "SCROLLBTNBOTTOM", "SCROLLBAR1H",
                                  "SCROLLBAR2H",   "SCROLLBAR1V",    "SCROLLBAR2V",  "SCROLLSLIDERH",   "SCROLLSLIDERV"};
        int k = 0;
        for (const char* section : sections) {
            int left = (k % 2) * 64, y0 = top + (k / 2) * 16;
            for (int state = 0; state < 3; ++state)
                for (int y = 0; y < 16; ++y)
                    for (int x = 0; x < 16; ++x)
                        set(left + 16 * state + x, y0 + y, FlatStateColor(section, state));
            scrollLines.insert(scrollLines.end(),
                               {"", std::string("[") + section + "]", "COLOR=" + Num(FlatStateColor(section, 0)),
                                "HOTCOLOR=" + Num(FlatStateColor(section, 1)),
                                "BORDERSMASK=" + Image('^', left, y0, left + 48, y0 + 16, 4, 3, 0)});
            ++k;
        }
        top += 5 * 16;
    }
    std::vector<std::string> lines = global;
    for (const std::string& line : std::vector<std::string>{
             "",
             "[FORM]",
             "COLOR=" + Num(Form),
             "HOTCOLOR=" + Num(FormHot),
             "FONTCOLOR=0",
             "HOTFONTCOLOR=0",
             "BORDERSMASK=" + formMask,
             "",
             "[FORMTITLE]",
             "COLOR=" + Num(Title),
             "HOTCOLOR=" + Num(TitleHot),
             "FONTCOLOR=" + Num(TitleFont),
             "HOTFONTCOLOR=" + Num(TitleHotFont),
             "",
             "[EDIT]",
             "COLOR=" + Num(Edit),
             "HOTCOLOR=" + Num(Edit),
             "FONTCOLOR=0",
             "",
             "[MENULINE]",
             "COLOR=" + Num(MenuLine),
             "HOTCOLOR=" + Num(MenuLine),
             "",
             "[MDIAREA]",
             "COLOR=" + Num(MDIArea),
             "HOTCOLOR=" + Num(MDIArea),
         })
        lines.push_back(line);
    lines.insert(lines.end(), scrollLines.begin(), scrollLines.end());
    if (options.Dialog)
        for (const std::string& line : std::vector<std::string>{
                 "",
                 "[DIALOG]",
                 "COLOR=" + Num(Dialog),
                 "HOTCOLOR=" + Num(DialogHot),
                 "FONTCOLOR=0",
                 "HOTFONTCOLOR=0",
                 "BORDERSMASK=" + dialogMask,
                 "",
                 "[TITLEBAR]",
                 "PARENTCLASS=DIALOG",
                 "COLOR=" + Num(TitleBar),
                 "HOTCOLOR=" + Num(TitleBarHot),
                 "",
                 "[BUTTON]",
                 "COLOR=" + Num(Button),
                 "HOTCOLOR=" + Num(ButtonHot),
                 "FONTCOLOR=0",
                 "HOTFONTCOLOR=0",
                 "",
                 "[CHECKBOX]",
                 "TRANSPARENCY=100",
                 "HOTTRANSPARENCY=100",
                 "FONTCOLOR=0",
                 "HOTFONTCOLOR=0",
             })
            lines.push_back(line);
    if (options.MenuItem)
        for (const std::string& line : std::vector<std::string>{
                 "",
                 "[MENUITEM]",
                 "COLOR=" + Num(MenuItem),
                 "HOTCOLOR=" + Num(MenuItemHot),
                 "FONTCOLOR=" + Num(MenuItemFont),
                 "HOTFONTCOLOR=" + Num(MenuItemHotFont),
             })
            lines.push_back(line);
    if (options.PopupMenu)
        for (const std::string& line : std::vector<std::string>{
                 "",
                 "[MAINMENU]",
                 "COLOR=" + Num(Popup),
                 "HOTCOLOR=" + Num(Popup),
                 "FONTCOLOR=0",
                 "HOTFONTCOLOR=0",
                 "BORDERSMASK=" + popupMask,
             })
            lines.push_back(line);
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    SampleSkin skin;
    skin.Name = name;
    skin.Files.push_back({"Options.dat", text});
    skin.Files.push_back(
        {"MASTER.BMP", BmpFile24(W, H, [&](int x, int y) { return px[static_cast<size_t>(y) * W + x]; })});
    return skin;
}
