#include "SkinSamples.h"

#include <windows.h>

#include <cstdio>
#include <csetjmp>
#include <algorithm>
#include <stdexcept>

#include <jpeglib.h>
#include <zlib.h>

namespace {

void PutLE(std::string& s, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

struct JpegErrorJump {
    jpeg_error_mgr pub;
    jmp_buf jump;
};

void JpegErrorExit(j_common_ptr cinfo) { longjmp(reinterpret_cast<JpegErrorJump*>(cinfo->err)->jump, 1); }

// Fills rows of the master bitmap.
class Canvas24 {
public:
    Canvas24(int w, int h, SampleColor background) : W(w), H(h), P(static_cast<size_t>(w) * h, background) {}
    void Set(int x, int y, SampleColor c) {
        if (x >= 0 && y >= 0 && x < W && y < H)
            P[static_cast<size_t>(y) * W + x] = c;
    }
    void Fill(int l, int t, int r, int b, SampleColor c) {
        for (int y = t; y < b; ++y)
            for (int x = l; x < r; ++x)
                Set(x, y, c);
    }
    // A frame `width` pixels wide inside the rectangle.
    void Frame(int l, int t, int r, int b, int width, SampleColor c) {
        Fill(l, t, r, t + width, c);
        Fill(l, b - width, r, b, c);
        Fill(l, t, l + width, b, c);
        Fill(r - width, t, r, b, c);
    }
    SampleColor At(int x, int y) const { return P[static_cast<size_t>(y) * W + x]; }
    std::string Bmp() const {
        return BmpFile24(W, H, [this](int x, int y) { return At(x, y); });
    }
    int W, H;
    std::vector<SampleColor> P;
};

constexpr SampleColor kMagenta = 0xFF00FF, kWhite = 0xFFFFFF, kBlack = 0, kGrey = 0x808080;

// Three states side by side, each `w` x `h`, with their masks below when masked: a state shows its colour
// inside a darker border; its mask is white on the outermost ring (the background stays), grey on the next
// ring (half and half) and black inside (the image shows).
void StateImages(Canvas24& c, int left, int top, int w, int h, int border, const std::vector<SampleColor>& colours,
                 bool masked) {
    for (size_t s = 0; s < colours.size(); ++s) {
        int l = left + static_cast<int>(s) * w;
        c.Fill(l, top, l + w, top + h, colours[s]);
        c.Frame(l, top, l + w, top + h, border, colours[s] & 0x7F7F7F);
        if (masked) {
            c.Fill(l, top + h, l + w, top + 2 * h, kBlack);
            c.Frame(l, top + h, l + w, top + 2 * h, 2, kGrey);
            c.Frame(l, top + h, l + w, top + 2 * h, 1, kWhite);
        }
    }
}

SampleColor Rainbow(int x, int y) {
    int r = (x * 37 + y * 11) & 0xFF, g = (x * 5 + y * 43) & 0xFF, b = (255 - x * 3) & 0xFF;
    return static_cast<SampleColor>(r | (g << 8) | (b << 16));
}

// The images the description places in the master bitmap beyond the original 256 x 128 area: scroll buttons,
// glyphs, flat textures, title and menu frames, caption-button glyphs. Each is drawn here and named by the
// description below at the same place.
void MoreImages(Canvas24& c) {
    // Scroll buttons: three masked 16 x 16 states each, one section per row.
    StateImages(c, 256, 0, 16, 16, 4, {0x3050C0, 0x5070E0, 0x2030A0}, true);
    StateImages(c, 256, 32, 16, 16, 4, {0x30C050, 0x50E070, 0x20A030}, true);
    StateImages(c, 256, 64, 16, 16, 4, {0xC05030, 0xE07050, 0xA03020}, true);
    StateImages(c, 256, 96, 16, 16, 4, {0xC030C0, 0xE050E0, 0xA020A0}, true);
    // Glyphs of the scroll buttons, sliders and the combo box: three masked 8 x 8 states each.
    const SampleColor glyphs[7] = {0x000080, 0x008000, 0x800000, 0x008080, 0x800080, 0x808000, 0x0040C0};
    for (int k = 0; k < 7; ++k)
        StateImages(c, 304, 16 * k, 8, 8, 1, {glyphs[k], glyphs[k] | 0x404040, glyphs[k] & 0x3F3F3F}, true);
    // The vertical slider: two 16 x 32 states, a 3-pixel border; the vertical bar: one 16 x 16 state.
    StateImages(c, 336, 0, 16, 32, 3, {0x90A0B0, 0xA0B0C0}, false);
    StateImages(c, 368, 0, 16, 16, 2, {0xB09070}, false);
    // The bottom tab: three masked 16 x 16 states.
    StateImages(c, 384, 0, 16, 16, 4, {0xD0E0F0, 0xE0F0FF, 0xB0C0D0}, true);
    // The title button: three 21 x 21 states, 3-pixel border.
    StateImages(c, 432, 0, 21, 21, 3, {0x6080A0, 0x80A0C0, 0x406080}, false);
    // The status panel frame, the status bar's two states, the grip, the check glyph.
    StateImages(c, 336, 32, 16, 16, 3, {0xC8C8A0}, false);
    StateImages(c, 336, 48, 16, 16, 2, {0xA0C8C8, 0xB0D8D8}, false);
    StateImages(c, 368, 16, 12, 12, 1, {0x506070}, true);
    StateImages(c, 384, 32, 16, 16, 2, {0x00A000}, true);
    // The caption band: a 32 x 16 frame with magenta corners (cut out of the window region).
    c.Fill(400, 32, 432, 48, 0x60A0E0);
    c.Frame(400, 32, 432, 48, 4, 0x3060A0);
    for (int k = 0; k < 3; ++k) {
        c.Set(400 + k, 32, kMagenta);
        c.Set(431 - k, 32, kMagenta);
    }
    // Main menu border (one 24 x 24 state) and menu item (two 20 x 20 states).
    StateImages(c, 432, 32, 24, 24, 3, {0xF0E8E0}, false);
    StateImages(c, 456, 32, 20, 20, 2, {0xF8F8F8, 0xFFC080}, false);
    // Flat 16 x 16 textures, one colour each, two rows of sixteen.
    for (int k = 0; k < 32; ++k)
        c.Fill(256 + 16 * (k % 16), 128 + 16 * (k / 16), 272 + 16 * (k % 16), 144 + 16 * (k / 16),
               SampleTextureColor(k));
    // Caption-button glyphs: five of 16 x 16 and five of 12 x 12, three masked states each.
    for (int k = 0; k < 5; ++k) {
        SampleColor big = 0x202020 + 0x300000 * k, small = 0x202020 + 0x003000 * k;
        StateImages(c, 256 + 48 * k, 160, 16, 16, 2, {big, big | 0x4040, big & 0x7F7F7F}, true);
        StateImages(c, 256 + 36 * k, 192, 12, 12, 2, {small, small | 0x40, small & 0x7F7F7F}, true);
    }
}

std::string MasterBitmap(int extraSections) {
    int rows = (extraSections + 7) / 8;
    Canvas24 c(512, 256 + 32 * rows, 0x404040);
    // BUTTON: three 20 x 20 states with masks below them.
    StateImages(c, 0, 0, 20, 20, 5, {0xC08040, 0x40A0FF, 0x2020C0}, true);
    // FORM: one 32 x 32 state with 8-pixel borders and magenta corners (cut out of the window region).
    c.Fill(64, 0, 96, 32, 0xE0E0E0);
    c.Frame(64, 0, 96, 32, 8, 0x808000);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3 - y; ++x) {
            c.Set(64 + x, y, kMagenta);
            c.Set(95 - x, y, kMagenta);
            c.Set(64 + x, 31 - y, kMagenta);
            c.Set(95 - x, 31 - y, kMagenta);
        }
    // PANEL texture: an 8-pixel grey checker (pure greys are left alone by recolouring).
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            c.Set(96 + x, y, ((x / 8 + y / 8) & 1) ? 0xB0B0B0 : 0xD0D0D0);
    // PANEL_LOW overlay texture: 32 x 16 stripes with a mask below.
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x) {
            c.Set(96 + x, 32 + y, (y & 2) ? 0x0080FF : 0xFF8000);
            c.Set(96 + x, 48 + y, (x < 16) ? kBlack : kWhite);
        }
    // Check box and radio glyphs: three 16 x 16 states each, masks below.
    StateImages(c, 128, 0, 16, 16, 2, {0x00A000, 0x00C0FF, 0x808080}, true);
    StateImages(c, 128, 32, 16, 16, 2, {0xF0F0F0, 0xFFE0C0, 0xC0C0C0}, true);
    StateImages(c, 176, 0, 16, 16, 4, {0x0000A0, 0x0060FF, 0x606060}, true);
    StateImages(c, 176, 32, 16, 16, 4, {0xF0F0F0, 0xFFE0C0, 0xC0C0C0}, true);
    // Corner images of PANEL: 8 x 8, magenta outside a diagonal.
    const SampleColor corners[4] = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF};
    for (int k = 0; k < 4; ++k) {
        int l = 224 + (k % 2) * 8, t = (k / 2) * 8;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                c.Set(l + x, t + y, x + y < 4 ? kMagenta : corners[k]);
    }
    // TOOLBAR: three 24 x 24 states, no mask, 4-pixel borders (stretched).
    StateImages(c, 0, 48, 24, 24, 4, {0xA0A0A0, 0xC0C0FF, 0x8080FF}, false);
    // COMBOBTN: three 16 x 16 states, 3-pixel borders, painted only for a state.
    StateImages(c, 80, 48, 16, 16, 3, {0xE0C0A0, 0xFFD0B0, 0xC09070}, false);
    // SCROLLSLIDERH: two 32 x 16 states with masks, widths derived from the size.
    StateImages(c, 128, 64, 32, 16, 3, {0x909090, 0xB0A090}, true);
    // Areas for recolouring: magenta, pure grey and saturated colours.
    c.Fill(192, 64, 256, 128, kMagenta);
    c.Fill(0, 96, 64, 128, kGrey);
    for (int y = 96; y < 128; ++y)
        for (int x = 64; x < 128; ++x)
            c.Set(x, y, Rainbow(x, y));
    MoreImages(c);
    // Bulk sections: two 32 x 32 states each, eight sections a row below the rest.
    for (int i = 0; i < extraSections; ++i)
        StateImages(c, 64 * (i % 8), 256 + 32 * (i / 8), 32, 32, 6,
                    {SampleTextureColor(i + 32), SampleTextureColor(i + 33) ^ 0x808080}, false);
    return c.Bmp();
}

// The file and information headers of an uncompressed BMP file (BI_RGB), for a colour table of that many entries.
std::string BmpHeaders(int width, int height, int bits, uint32_t imageSize, uint32_t colors) {
    std::string s;
    s += "BM";
    uint32_t offset = 14 + 40 + 4 * colors;
    PutLE(s, offset + imageSize, 4);
    PutLE(s, 0, 4);
    PutLE(s, offset, 4);
    PutLE(s, 40, 4);
    PutLE(s, static_cast<uint32_t>(width), 4);
    PutLE(s, static_cast<uint32_t>(height), 4);
    PutLE(s, 1, 2);
    PutLE(s, static_cast<uint32_t>(bits), 2);
    PutLE(s, 0, 4);  // BI_RGB
    PutLE(s, imageSize, 4);
    PutLE(s, 2835, 4);
    PutLE(s, 2835, 4);
    PutLE(s, colors, 4);
    PutLE(s, 0, 4);
    return s;
}

}  // namespace

std::string BmpFile8(int width, int height, int (*index)(int x, int y)) {
    size_t stride = (static_cast<size_t>(width) + 3) & ~size_t(3);
    size_t imageSize = stride * static_cast<size_t>(height);
    std::string s = BmpHeaders(width, height, 8, static_cast<uint32_t>(imageSize), 256);
    s.reserve(s.size() + 1024 + imageSize);
    for (uint32_t i = 0; i < 256; ++i)
        PutLE(s, i | (i << 8) | ((255 - i) << 16), 4);
    std::string row(stride, '\0');
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x)
            row[static_cast<size_t>(x)] = static_cast<char>(index(x, y));
        s += row;
    }
    return s;
}

std::string BmpFile24(int width, int height, const SamplePixels& pixel) {
    int stride = (width * 3 + 3) & ~3;
    uint32_t imageSize = static_cast<uint32_t>(stride) * height;
    std::string s = BmpHeaders(width, height, 24, imageSize, 0);
    for (int y = height - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < width; ++x) {
            SampleColor c = pixel(x, y);
            row += static_cast<char>((c >> 16) & 0xFF);
            row += static_cast<char>((c >> 8) & 0xFF);
            row += static_cast<char>(c & 0xFF);
        }
        row.resize(stride, '\0');
        s += row;
    }
    return s;
}

std::string JpegFile(int width, int height, const SamplePixels& pixel, int quality) {
    jpeg_compress_struct cinfo = {};
    JpegErrorJump err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = JpegErrorExit;
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    std::vector<unsigned char> row(static_cast<size_t>(width) * 3);
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        free(out);
        throw std::runtime_error("libjpeg could not encode the sample texture");
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            SampleColor c = pixel(x, y);
            row[x * 3] = c & 0xFF;
            row[x * 3 + 1] = (c >> 8) & 0xFF;
            row[x * 3 + 2] = (c >> 16) & 0xFF;
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::string result(reinterpret_cast<char*>(out), outSize);
    jpeg_destroy_compress(&cinfo);
    free(out);
    return result;
}

const std::string& SampleSkin::File(const std::string& name) const {
    for (const SkinFile& f : Files)
        if (f.Name == name)
            return f.Data;
    throw std::out_of_range("the sample skin has no file " + name);
}

SampleColor SampleTextureColor(int k) {
    // 67 and 200 share no divisor, so the red byte alone tells the first 200 apart.
    uint32_t r = 40 + (k * 67) % 200, g = 40 + (k * 139) % 200, b = 40 + (k * 29 + 100) % 200;
    if (r == g && g == b)
        b ^= 0x10;
    return r | (g << 8) | (b << 16);
}

namespace {

// "~LLLL,TTTT,RRRR,BBBB,DD" for flat texture k (16 x 16, two rows of sixteen from (256, 128)).
std::string TextureValue(int k, int drawMode = 0) {
    char v[32];
    int l = 256 + 16 * (k % 16), t = 128 + 16 * (k / 16);
    snprintf(v, sizeof v, "~%04d,%04d,%04d,%04d,%02d", l, t, l + 16, t + 16, drawMode);
    return v;
}

// "@LLLL,TTTT,RRRR,BBBB,C,M".
std::string GlyphValue(int l, int t, int r, int b, int count, int maskType) {
    char v[40];
    snprintf(v, sizeof v, "@%04d,%04d,%04d,%04d,%d,%d", l, t, r, b, count, maskType);
    return v;
}

// "^LLLL,TTTT,RRRR,BBBB,WL,WT,WR,WB,C,M,D,W".
std::string BorderValue(int l, int t, int r, int b, int w, int count, int maskType, int drawMode = 0,
                        int borderWidth = 0) {
    char v[64];
    snprintf(v, sizeof v, "^%04d,%04d,%04d,%04d,%04d,%04d,%04d,%04d,%d,%d,%d,%d", l, t, r, b, w, w, w, w, count,
             maskType, drawMode, borderWidth);
    return v;
}

}  // namespace

std::string SampleOptionsText(int extraSections) {
    std::vector<std::string> lines = {
        "[GLOBALINFO]",
        "VERSION=6.0",
        "AUTHOR=Brimlet tests",
        "DESCRIPTION=Sample skin made by the test generator",
        "MASTERBITMAP=MASTER.BMP",
        "COLOR=15790320",
        "FONTCOLOR=0",
        "SHADOW1COLOR=0",
        "SHADOW1OFFSET=2",
        "SHADOW1BLUR=3",
        "SHADOW1TRANSPARENCY=60",
        "BORDERCOLOR=8421504",
        "BISPACE=1",
        "BIVALIGN=0",
        "BOXCHECKED=@0128,0000,0176,0032,3,1",
        "BOXUNCHECKED=@0128,0032,0176,0064,3,1",
        "BOXGRAYED=@0128,0032,0176,0064,3,1",
        "RADIOCHECKED=@0176,0000,0224,0032,3,1",
        "RADIOUNCHECKED=@0176,0032,0224,0064,3,1",
        "RADIOGRAYED=@0176,0032,0224,0064,3,1",
        "SMALLCHECKED=@0128,0000,0176,0032,3,1",
        "SMALLUNCHECKED=@0128,0032,0176,0064,3,1",
        "SMALLGRAYED=@0128,0032,0176,0064,3,1",
        "CHECK=" + GlyphValue(384, 32, 400, 64, 1, 1),
        "GRIPIMAGE=" + GlyphValue(368, 16, 380, 40, 1, 1),
        "TITLEBUTTON=" + BorderValue(432, 0, 495, 21, 3, 3, 0),
    };
    const char* bicons[5] = {"CLOSE", "MAX", "MIN", "NORM", "HELP"};
    for (int k = 0; k < 5; ++k) {
        lines.push_back(std::string("BICON") + bicons[k] + "=" + GlyphValue(256 + 48 * k, 160, 304 + 48 * k, 192, 3, 1));
        lines.push_back(std::string("SICON") + bicons[k] + "=" + GlyphValue(256 + 36 * k, 192, 292 + 36 * k, 216, 3, 1));
    }
    const std::vector<std::string> sections = {
        "",
        "[FORM]",
        "COLOR=14737632",
        "FONTCOLOR=0",
        "BORDERSMASK=^0064,0000,0096,0032,0008,0008,0008,0008,1,0,0,0",
        "PATTERN=BIG.JPG",
        "IMAGEPERCENT=100",
        "",
        "[DIALOG]",
        "PARENTCLASS=FORM",
        "",
        "[FORMTITLE]",
        "COLOR=8421376",
        "FONTCOLOR=16777215",
        "GRADIENTPERCENT=100",
        "GRADIENTDATA=255;255;0;2;0;65280;65280;0;2;0;16711680;16711680;0;2;0;65535;65535;0;2;0;16711935;16711935;0;2;0",
        "BORDERSMASK=^0400,0032,0432,0048,0004,0004,0004,0004,1,0,0,0",
        "",
        "[TITLEBAR]",
        "COLOR=12615808",
        "FONTCOLOR=16777215",
        "",
        "[TITLEBUTTON]",
        "COLOR=10526975",
        "BORDERSMASK=" + BorderValue(432, 0, 495, 21, 3, 3, 0),
        "",
        "[BUTTON]",
        "COLOR=12632256",
        "FONTCOLOR=0",
        "TCLEFT=16777215",
        "TCTOP=16777215",
        "TCRIGHT=-1",
        "TCBOTTOM=-1",
        "HOTFONTCOLOR=255",
        "HOTTCLEFT=-1",
        "HOTTCTOP=-1",
        "HOTTCRIGHT=0",
        "HOTTCBOTTOM=0",
        "GRADIENTPERCENT=100",
        "GRADIENTDATA=255;65280;50;0;0;65280;16711680;50;0;0",
        "HOTCOLOR=16777215",
        "HOTGRADIENTPERCENT=100",
        "HOTGRADIENTDATA=16777215;12632256;100;0;0",
        "SHOWFOCUS=TRUE",
        "FADINGENABLED=true",
        "FADINGITERATIONS=8",
        "BORDERSMASK=^0000,0000,0060,0040,0005,0005,0005,0005,3,1,0,0",
        "",
        "[SPEEDBUTTON]",
        "PARENTCLASS=BUTTON",
        "COLOR=11579568",
        "HOTIMAGEPERCENT=30",
        "HOTTRANSPARENCY=20",
        "RESERVEDBOOLEAN=TRUE",
        "",
        "[TOOLBUTTON]",
        "PARENTCLASS=SPEEDBUTTON",
        "",
        "[SPEEDBUTTON_SMALL]",
        "PARENTCLASS=SPEEDBUTTON",
        "COLOR=11579600",
        "",
        "[UPDOWNBTN]",
        "PARENTCLASS=BUTTON",
        "COLOR=11579632",
        "",
        "[WEBBUTTON]",
        "COLOR=16773360",
        "FONTCOLOR=16711680",
        "HOTFONTCOLOR=255",
        "TRANSPARENCY=100",
        "",
        "[PANEL]",
        "COLOR=13684944",
        "FONTCOLOR=0",
        "GIVEOWNFONT=TRUE",
        "PATTERN=~0096,0000,0128,0032,00",
        "IMAGEPERCENT=40",
        "GRADIENTPERCENT=40",
        "GRADIENTDATA=16777215;8421504;100;0;0",
        "IMGTOPLEFT=@0224,0000,0232,0008,1,0",
        "IMGTOPRIGHT=@0232,0000,0240,0008,1,0",
        "IMGBTMLEFT=@0224,0008,0232,0016,1,0",
        "IMGBTMRIGHT=@0232,0008,0240,0016,1,0",
        "",
        "[PANEL_LOW]",
        "PARENTCLASS=PANEL",
        "PATTERN=~0096,0032,0128,0064,10,1",
        // A lower-case file name: found in the folder and in the packed copy alike.
        "HOTPATTERN=small.jpg",
        "IMAGEPERCENT=100",
        "",
        "[EDIT]",
        "PARENTCLASS=PANEL",
        "COLOR=-1",
        "BORDERSMASK=!EDGE.BMP!3!1!0!4!4!4!4",
        "",
        "[COMBOBOX]",
        "PARENTCLASS=EDIT",
        "COLOR=15794160",
        "GLYPHMASK=" + GlyphValue(304, 96, 328, 112, 3, 1),
        "",
        "[COLHEADER]",
        "PARENTCLASS=BUTTON",
        "COLOR=14742000",
        "",
        "[TOOLBAR]",
        "COLOR=10526880",
        "GRADIENTPERCENT=100",
        "GRADIENTDATA=16777215;10526880;30;1;0;10526880;8421504;70;1;0",
        "BORDERSMASK=#(0,48,72,72)(3,0,4,1)",
        "",
        "[COMBOBTN]",
        "COLOR=14729440",
        "BORDERSMASK=^0080,0048,0128,0064,0000,0000,0000,0000,3,0,2,3",
        "PATTERN=" + TextureValue(20),
        "HOTPATTERN=" + TextureValue(21),
        "",
        "[STATUSBAR]",
        "COLOR=13160660",
        "BORDERSMASK=#(336,48,368,64)(2,0,0,1)",
        "STATUSPANELMASK=^0336,0032,0352,0048,0003,0003,0003,0003,1,0,0,0",
        "GRIPIMAGE=" + GlyphValue(368, 16, 380, 40, 1, 1),
        "",
        "[PAGECONTROL]",
        "COLOR=15263976",
        "BORDERSMASK=!FRAME.BMP!3!1!0",
        "",
        "[PAGECONTROLBOTTOM]",
        "PARENTCLASS=PAGECONTROL",
        "",
        "[PAGECONTROLLEFT]",
        "PARENTCLASS=PAGECONTROL",
        "",
        "[PAGECONTROLRIGHT]",
        "PARENTCLASS=PAGECONTROL",
        "",
        "[TABSHEET]",
        "COLOR=15790320",
        "BORDERSMASK=!EDGE.BMP!3!1!0",
        "",
        "[TABTOP]",
        "PARENTCLASS=TABSHEET",
        "",
        "[TABBOTTOM]",
        "COLOR=15790335",
        "BORDERSMASK=" + BorderValue(384, 0, 432, 32, 4, 3, 1),
        "",
        "[TABLEFT]",
        "PARENTCLASS=TABSHEET",
        "",
        "[TABRIGHT]",
        "PARENTCLASS=TABTOP",
        "",
        "[DRAGBAR]",
        "COLOR=12624032",
        "PATTERN=TILE.JPEG",
        "IMAGEPERCENT=100",
        "",
        "[SPLITTER]",
        "COLOR=12632224",
        "BORDERSMASK=#(368,0,384,16)(1,0,2)",
        "",
        "[GAUGE]",
        "COLOR=15779808",
        "GRADIENTPERCENT=100",
        "GRADIENTDATA=65280;32768;100;1;0",
        "HOTGRADIENTPERCENT=100",
        "HOTGRADIENTDATA=255;128;60;1;0;128;64;40;1;0",
        "",
        "[GROUPBOX]",
        "TRANSPARENCY=50",
        "FONTCOLOR=8388608",
        "",
        "[CHECKBOX]",
        "TRANSPARENCY=100",
        "HOTTRANSPARENCY=100",
        "FONTCOLOR=0",
        "",
        "[RADIOBUTTON]",
        "PARENTCLASS=CHECKBOX",
        "",
        "[TRACKBAR]",
        "COLOR=14737600",
        "TRANSPARENCY=100",
        "",
        "[BAR]",
        "COLOR=12636368",
        "",
        "[BARTITLE]",
        "COLOR=10535088",
        "GRADIENTPERCENT=100",
        "GRADIENTDATA=10535088;16777215;100;0;0",
        "",
        "[SCROLLBTNTOP]",
        "COLOR=12619920",
        "BORDERSMASK=" + BorderValue(256, 0, 304, 32, 4, 3, 1),
        "GLYPHMASK=" + GlyphValue(304, 0, 328, 16, 3, 1),
        "PATTERN=" + TextureValue(0),
        "HOTPATTERN=" + TextureValue(1),
        "",
        "[SCROLLBTNBOTTOM]",
        "COLOR=12619936",
        "BORDERSMASK=" + BorderValue(256, 32, 304, 64, 4, 3, 1),
        "GLYPHMASK=" + GlyphValue(304, 16, 328, 32, 3, 1),
        "PATTERN=" + TextureValue(2),
        "HOTPATTERN=" + TextureValue(3),
        "",
        "[SCROLLBTNLEFT]",
        "COLOR=12619952",
        "BORDERSMASK=" + BorderValue(256, 64, 304, 96, 4, 3, 1),
        "GLYPHMASK=" + GlyphValue(304, 32, 328, 48, 3, 1),
        "PATTERN=" + TextureValue(4, 1),
        "HOTPATTERN=" + TextureValue(5, 1),
        "",
        "[SCROLLBTNRIGHT]",
        "COLOR=12619968",
        "BORDERSMASK=" + BorderValue(256, 96, 304, 128, 4, 3, 1),
        "GLYPHMASK=" + GlyphValue(304, 48, 328, 64, 3, 1),
        "PATTERN=" + TextureValue(6),
        "HOTPATTERN=" + TextureValue(7),
        "",
        "[SCROLLSLIDERV]",
        "COLOR=9478304",
        "BORDERSMASK=#(336,0,368,32)(2,0,3,0)",
        "GLYPHMASK=" + GlyphValue(304, 64, 328, 80, 3, 1),
        "PATTERN=" + TextureValue(8),
        "HOTPATTERN=" + TextureValue(9),
        "",
        "[SCROLLSLIDERH]",
        "COLOR=9474192",
        "BORDERSMASK=^0128,0064,0192,0096,0000,0000,0000,0000,2,1,0,0",
        "GLYPHMASK=" + GlyphValue(304, 80, 328, 96, 3, 1),
        "PATTERN=" + TextureValue(10),
        "HOTPATTERN=" + TextureValue(11),
        "",
        "[SCROLLBAR1H]",
        "COLOR=12632256",
        "BORDERSMASK=FRAME.BMP",
        "PATTERN=" + TextureValue(12),
        "HOTPATTERN=" + TextureValue(13),
        "",
        "[SCROLLBAR1V]",
        "COLOR=12632272",
        "BORDERSMASK=^0368,0000,0384,0016,0002,0002,0002,0002,1,0,0,0",
        "PATTERN=" + TextureValue(14),
        "HOTPATTERN=" + TextureValue(15),
        "",
        "[SCROLLBAR2H]",
        "COLOR=12632288",
        "BORDERSMASK=!FRAME.BMP!3!1!0!3!3!3!3",
        "PATTERN=" + TextureValue(16),
        "HOTPATTERN=" + TextureValue(17),
        "",
        "[SCROLLBAR2V]",
        "PARENTCLASS=SCROLLBAR1V",
        "COLOR=12632304",
        "PATTERN=" + TextureValue(18),
        "HOTPATTERN=" + TextureValue(19),
        "",
        "[MENUITEM]",
        "COLOR=15794175",
        "HOTCOLOR=16760960",
        "FONTCOLOR=0",
        "HOTFONTCOLOR=16777215",
        "BORDERSMASK=^0456,0032,0496,0052,0000,0000,0000,0000,2,0,0,0",
        "",
        "[MENULINE]",
        "COLOR=15263968",
        "",
        "[MAINMENU]",
        "COLOR=15790304",
        "BORDERSMASK=^0432,0032,0456,0056,0000,0000,0000,0000,1,0,0,3",
        "",
        "[DIVIDERV]",
        "COLOR=11053224",
        "",
        "[DIVIDER]",
        "PARENTCLASS=DIVIDERV",
        "",
        "[EXTRALINE]",
        "COLOR=8404992",
        "FONTCOLOR=16777215",
        "GRADIENTPERCENT=100",
        "GRADIENTDATA=8404992;16744448;100;0;0",
        "",
        "[ICOLINE]",
        "COLOR=15263952",
        "",
        "[MDIAREA]",
        "COLOR=8421440",
        "PATTERN=" + TextureValue(22, 1),
        "HOTPATTERN=!TILE.BMP!1!0!1",
        "IMAGEPERCENT=100",
        "",
        "[SELFREF]",
        "PARENTCLASS=SELFREF",
        "COLOR=255",
        "",
        "[UNKNOWN]",
        "COLOR=15790320",
        "FONTCOLOR=0",
    };
    lines.insert(lines.end(), sections.begin(), sections.end());
    for (int i = 0; i < extraSections; ++i) {
        char name[32];
        snprintf(name, sizeof name, "[EXTRA%04d]", i);
        int l = 64 * (i % 8), t = 256 + 32 * (i / 8);
        lines.push_back("");
        lines.push_back(name);
        lines.push_back("COLOR=" + std::to_string(SampleTextureColor(i + 32)));
        lines.push_back("GRADIENTPERCENT=50");
        lines.push_back("GRADIENTDATA=" + std::to_string(SampleTextureColor(i)) + ";" +
                        std::to_string(SampleTextureColor(i + 1)) + ";100;0;0");
        lines.push_back("BORDERSMASK=" + BorderValue(l, t, l + 64, t + 32, 6, 2, 0));
        lines.push_back("PATTERN=" + TextureValue(i % 32));
        if (i % 3 == 0)
            lines.push_back("PARENTCLASS=BUTTON");
    }
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

SampleSkin MakeSampleSkin(const std::string& name, int extraSections) {
    SampleSkin skin;
    skin.Name = name;
    skin.Files.push_back({"Options.dat", SampleOptionsText(extraSections)});
    skin.Files.push_back({"MASTER.BMP", MasterBitmap(extraSections)});
    // EDGE.BMP: three 16 x 16 states with masks; FRAME.BMP the same layout in other colours.
    auto states = [](std::vector<SampleColor> colours) {
        Canvas24 c(48, 32, 0);
        StateImages(c, 0, 0, 16, 16, 4, colours, true);
        return c.Bmp();
    };
    skin.Files.push_back({"EDGE.BMP", states({0xFFFFFF, 0xFFF0E0, 0xE0E0E0})});
    skin.Files.push_back({"FRAME.BMP", states({0xC0C0C0, 0xD0C0B0, 0xA0A0A0})});
    // SMALL.JPG stays below 90000 pixels (a mask); BIG.JPG is 300 x 300 (a texture).
    skin.Files.push_back({"SMALL.JPG", JpegFile(64, 64, [](int x, int y) {
                              return static_cast<SampleColor>(((x * 4) & 0xFF) | (((y * 4) & 0xFF) << 8) | 0x800000);
                          })});
    skin.Files.push_back({"BIG.JPG", JpegFile(300, 300, [](int x, int y) {
                              int v = ((x / 30 + y / 30) & 1) ? 0xE0 : 0xB0;
                              return static_cast<SampleColor>(v | (v << 8) | (0xF0 << 16));
                          })});
    // TILE.BMP a flat texture file of its own, TILE.JPEG a small texture under the longer extension.
    skin.Files.push_back({"TILE.BMP", BmpFile24(16, 16, [](int, int) { return SampleTextureColor(30); })});
    skin.Files.push_back({"TILE.JPEG", JpegFile(32, 32, [](int x, int y) {
                              return static_cast<SampleColor>(0x2080C0 + ((x / 8 + y / 8) & 1) * 0x101010);
                          })});
    return skin;
}

SampleSkin MakeSampleFontSkin(const std::string& name) {
    SampleSkin skin = MakeSampleSkin(name);
    std::string& text = skin.Files.front().Data;
    auto replace = [&](const std::string& from, const std::string& to) {
        size_t at = text.find(from);
        if (at == std::string::npos)
            throw std::logic_error("the sample description has no \"" + from + "\"");
        text.replace(at, from.size(), to);
    };
    // The first font colour is GLOBALINFO's.
    replace("FONTCOLOR=0\r\n", "FONTCOLOR=" + std::to_string(SampleGlobalFontColor) + "\r\n");
    replace("[GROUPBOX]\r\nTRANSPARENCY=50\r\nFONTCOLOR=8388608\r\n",
            "[GROUPBOX]\r\nTRANSPARENCY=50\r\nFONTCOLOR=" + std::to_string(SampleGroupBoxFontColor) +
                "\r\nGIVEOWNFONT=TRUE\r\n");
    return skin;
}

std::string ZlibStream(const std::string& bytes, int level) {
    uLongf size = compressBound(static_cast<uLong>(bytes.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(bytes.data()),
                  static_cast<uLong>(bytes.size()), level) != Z_OK)
        throw std::runtime_error("zlib could not compress a sample item");
    out.resize(size);
    return out;
}

PackedItem PackedItemOf(const std::string& name, const std::string& data) {
    return {name, ZlibStream(data), static_cast<int64_t>(data.size())};
}

std::string PackItems(const std::vector<PackedItem>& items, int64_t count) {
    std::string s = "QVpk";
    PutLE(s, static_cast<uint32_t>(count < 0 ? static_cast<int64_t>(items.size()) : count), 4);
    for (const PackedItem& item : items) {
        PutLE(s, static_cast<uint32_t>(item.Name.size()), 4);
        s += item.Name;
        PutLE(s, static_cast<uint32_t>(item.StatedSize), 4);
        s += item.Stream;
    }
    return s;
}

std::string PackSkin(const SampleSkin& skin) {
    std::vector<PackedItem> items;
    for (const SkinFile& f : skin.Files)
        items.push_back(PackedItemOf(f.Name, f.Data));
    return PackItems(items);
}

namespace {

void WriteWholeFile(const std::string& fileName, const std::string& bytes) {
    FILE* f = fopen(fileName.c_str(), "wb");
    if (!f || fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        if (f)
            fclose(f);
        throw std::runtime_error("cannot write " + fileName);
    }
    fclose(f);
}

}  // namespace

std::string WriteSkinFolder(const std::string& dir, const SampleSkin& skin) {
    std::string folder = dir + skin.Name + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const SkinFile& f : skin.Files)
        WriteWholeFile(folder + f.Name, f.Data);
    return folder;
}

std::string WritePackedSkin(const std::string& dir, const SampleSkin& skin) {
    std::string fileName = dir + skin.Name + ".vqz";
    WriteWholeFile(fileName, PackSkin(skin));
    return fileName;
}

// --- the flat sample skin ---

const std::vector<FlatSectionColors>& FlatSections() {
    // Colours chosen far apart and never grey, so a pixel names its section and state without doubt.
    static const std::vector<FlatSectionColors> sections = {
        {"BUTTON", 0x30A0D0, 0x40E0F0, {0x104080, 0x1060F0, 0x800040}, 0x000000, 0x0000C0},
        {"CHECKBOX", 0xC0D8B0, 0xD0F0C0, {0x406030, 0x40A030, 0x205010}, 0x000000, 0x0000C0},
        // Containers and bars: a half transparent group box lets its parent show through its picture.
        {"GROUPBOX", 0xE0A0B0, 0xF0B0C0, {0x903050, 0xA04060, 0x702040}, 0x600000, 0x800000, 50},
        {"PANEL", 0xA0E0D0, 0xB0F0E0, {0x309070, 0x40A080, 0x207060}, 0x000000, 0x0000C0},
        {"PANEL_LOW", 0xD0A0E0, 0xE0B0F0, {0x7030A0, 0x8040B0, 0x602090}, 0x000000, 0x0000C0},
        {"SPEEDBUTTON_SMALL", 0x60C0F0, 0x80D0F8, {0x2050A0, 0x3070C0, 0x103080}, 0x000000, 0x0000C0},
        {"UPDOWNBTN", 0xF0C060, 0xF8D080, {0xA05020, 0xC07030, 0x803010}, 0x000000, 0x0000C0},
        {"TOOLBUTTON", 0x90F090, 0xB0F8B0, {0x208020, 0x30B030, 0x105010}, 0x000000, 0x0000C0},
        {"TOOLBAR", 0xF09090, 0xF8B0B0, {0x802020, 0xB03030, 0x501010}, 0x000000, 0x0000C0},
        {"BAR", 0x9090F0, 0xB0B0F8, {0x202080, 0x3030B0, 0x101050}, 0x000000, 0x0000C0},
        {"PAGECONTROL", 0xE8D0A0, 0xF0E0B0, {0x886030, 0x987040, 0x785020}, 0x000000, 0x0000C0},
        {"PAGECONTROLBOTTOM", 0xA0D0E8, 0xB0E0F0, {0x306088, 0x407098, 0x205078}, 0x000000, 0x0000C0},
        {"PAGECONTROLLEFT", 0xD0E8A0, 0xE0F0B0, {0x608830, 0x709840, 0x507820}, 0x000000, 0x0000C0},
        {"PAGECONTROLRIGHT", 0xE8A0D0, 0xF0B0E0, {0x883060, 0x984070, 0x782050}, 0x000000, 0x0000C0},
        {"TABTOP", 0x50D0D0, 0x70E8E8, {0x106868, 0x208888, 0x004848}, 0x000000, 0x0000C0},
        {"TABBOTTOM", 0xD050D0, 0xE870E8, {0x681068, 0x882088, 0x480048}, 0x000000, 0x0000C0},
        {"TABLEFT", 0xD0D050, 0xE8E870, {0x686810, 0x888820, 0x484800}, 0x000000, 0x0000C0},
        {"TABRIGHT", 0x5050D0, 0x7070E8, {0x101068, 0x202088, 0x000048}, 0x000000, 0x0000C0},
        {"SCROLLBTNTOP", 0xC8E0F8, 0xD8F0FF, {0x5878A0, 0x6888B0, 0x486890}, 0x000000, 0x0000C0},
        {"SCROLLBTNBOTTOM", 0xF8E0C8, 0xFFF0D8, {0xA07858, 0xB08868, 0x906848}, 0x000000, 0x0000C0},
        {"SCROLLBTNLEFT", 0xE0F8C8, 0xF0FFD8, {0x78A058, 0x88B068, 0x689048}, 0x000000, 0x0000C0},
        {"SCROLLBTNRIGHT", 0xF8C8E0, 0xFFD8F0, {0xA05878, 0xB06888, 0x904868}, 0x000000, 0x0000C0},
    };
    return sections;
}

const FlatSectionColors& FlatSection(const std::string& name) {
    for (const FlatSectionColors& s : FlatSections())
        if (name == s.Name)
            return s;
    throw std::out_of_range("the flat skin has no section " + name);
}

const std::vector<FlatGlyphColors>& FlatGlyphs() {
    static const std::vector<FlatGlyphColors> glyphs = {
        {"GLOBALINFO", "BOXCHECKED", {0x00A050, 0x20C070, 0x008030}},
        {"GLOBALINFO", "BOXUNCHECKED", {0xA05000, 0xC07020, 0x803000}},
        {"GLOBALINFO", "BOXGRAYED", {0x5050A0, 0x7070C0, 0x303080}},
        {"GLOBALINFO", "RADIOCHECKED", {0xA000A0, 0xC020C0, 0x800080}},
        {"GLOBALINFO", "RADIOUNCHECKED", {0x00A0A0, 0x20C0C0, 0x008080}},
        {"GLOBALINFO", "GRIPIMAGE", {0x2080F0, 0x40A0F8, 0x1060D0}},
        {"SCROLLBTNTOP", "GLYPHMASK", {0x4000C0, 0x6020E0, 0x2000A0}},
        {"SCROLLBTNBOTTOM", "GLYPHMASK", {0xC00040, 0xE02060, 0xA00020}},
        {"SCROLLBTNLEFT", "GLYPHMASK", {0x00C040, 0x20E060, 0x00A020}},
        {"SCROLLBTNRIGHT", "GLYPHMASK", {0x40C000, 0x60E020, 0x20A000}},
    };
    return glyphs;
}

const FlatGlyphColors& FlatGlyph(const std::string& section, const std::string& key) {
    for (const FlatGlyphColors& g : FlatGlyphs())
        if (section == g.Section && key == g.Key)
            return g;
    throw std::out_of_range("the flat skin has no glyph " + section + "." + key);
}

namespace {

// Each section's border mask: three 16 x 16 states side by side, masks below; ten sections a row.
constexpr int kFlatState = 16;
struct FlatPoint {
    int x, y;
};
FlatPoint FlatSlot(size_t k) {
    return {static_cast<int>(k % 10) * 3 * kFlatState, static_cast<int>(k / 10) * 2 * kFlatState};
}

// The glyphs lie below the sections' rows, ten a row, each three states wide and two states (image, mask) high.
int FlatGlyphTop() { return std::max(1, static_cast<int>((FlatSections().size() + 9) / 10)) * 2 * kFlatState; }
FlatPoint FlatGlyphSlot(size_t k) {
    return {static_cast<int>(k % 10) * 3 * FlatGlyphSize,
            FlatGlyphTop() + static_cast<int>(k / 10) * 2 * FlatGlyphSize};
}

constexpr int kFlatTextureX = 496;

std::string FlatMaster() {
    size_t count = FlatSections().size();
    int glyphRows = static_cast<int>((FlatGlyphs().size() + 9) / 10);
    Canvas24 c(512, FlatGlyphTop() + glyphRows * 2 * FlatGlyphSize, kMagenta);
    for (size_t k = 0; k < FlatGlyphs().size(); ++k) {
        FlatPoint p = FlatGlyphSlot(k);
        for (int state = 0; state < 3; ++state) {
            int l = p.x + state * FlatGlyphSize;
            c.Fill(l, p.y, l + FlatGlyphSize, p.y + FlatGlyphSize, FlatGlyphs()[k].State[state]);
            c.Fill(l, p.y + FlatGlyphSize, l + FlatGlyphSize, p.y + 2 * FlatGlyphSize, kBlack);
        }
    }
    // The hot texture of the textured variant, right of the sections (which fill ten slots of 48 pixels a row).
    for (int y = 0; y < 8; y += 2)
        for (int x = 0; x < 8; x += 2)
            c.Fill(kFlatTextureX + x, y, kFlatTextureX + x + 2, y + 2, FlatTextureColors[((x + y) / 2) % 2]);
    for (size_t k = 0; k < count; ++k) {
        const FlatSectionColors& s = FlatSections()[k];
        FlatPoint p = FlatSlot(k);
        for (int state = 0; state < 3; ++state) {
            int l = p.x + state * kFlatState;
            // The image: the ring in the state's colour around the section's colour of the state, so that
            // mixing through the mask's inside leaves that colour exact.
            c.Fill(l, p.y, l + kFlatState, p.y + kFlatState, s.Border[state]);
            c.Fill(l + FlatBorderWidth, p.y + FlatBorderWidth, l + kFlatState - FlatBorderWidth,
                   p.y + kFlatState - FlatBorderWidth, state == 0 ? s.Color : s.HotColor);
            // The mask: black (the image shows) on the ring, white (what lies below stays) inside.
            c.Fill(l, p.y + kFlatState, l + kFlatState, p.y + 2 * kFlatState, kBlack);
            c.Fill(l + FlatBorderWidth, p.y + kFlatState + FlatBorderWidth, l + kFlatState - FlatBorderWidth,
                   p.y + 2 * kFlatState - FlatBorderWidth, kWhite);
        }
    }
    return c.Bmp();
}

}  // namespace

SampleSkin MakeFlatSkin(const std::string& name) {
    std::vector<std::string> lines = {
        "[GLOBALINFO]",
        "VERSION=6.0",
        "AUTHOR=Brimlet tests",
        "DESCRIPTION=Flat skin made by the test generator",
        "MASTERBITMAP=MASTER.BMP",
        "COLOR=" + std::to_string(FlatGlobalColor),
        "FONTCOLOR=0",
    };
    // The image of a glyph in its section.
    auto glyphLine = [](size_t k) {
        FlatPoint p = FlatGlyphSlot(k);
        return std::string(FlatGlyphs()[k].Key) + "=" +
               GlyphValue(p.x, p.y, p.x + 3 * FlatGlyphSize, p.y + 2 * FlatGlyphSize, 3, 1);
    };
    for (size_t k = 0; k < FlatGlyphs().size(); ++k)
        if (std::string(FlatGlyphs()[k].Section) == "GLOBALINFO")
            lines.push_back(glyphLine(k));
    lines.push_back("");
    for (size_t k = 0; k < FlatSections().size(); ++k) {
        const FlatSectionColors& s = FlatSections()[k];
        FlatPoint p = FlatSlot(k);
        lines.push_back(std::string("[") + s.Name + "]");
        lines.push_back("COLOR=" + std::to_string(s.Color));
        lines.push_back("HOTCOLOR=" + std::to_string(s.HotColor));
        lines.push_back("FONTCOLOR=" + std::to_string(s.FontColor));
        lines.push_back("HOTFONTCOLOR=" + std::to_string(s.HotFontColor));
        lines.push_back("TRANSPARENCY=" + std::to_string(s.Transparency));
        lines.push_back("HOTTRANSPARENCY=" + std::to_string(s.Transparency));
        for (size_t g = 0; g < FlatGlyphs().size(); ++g)
            if (s.Name == std::string(FlatGlyphs()[g].Section))
                lines.push_back(glyphLine(g));
        lines.push_back("SHOWFOCUS=TRUE");
        lines.push_back("BORDERSMASK=" + BorderValue(p.x, p.y, p.x + 3 * kFlatState, p.y + 2 * kFlatState,
                                                     FlatBorderWidth, 3, 1));
        lines.push_back("");
    }
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    SampleSkin skin;
    skin.Name = name;
    skin.Files.push_back({"Options.dat", text});
    skin.Files.push_back({"MASTER.BMP", FlatMaster()});
    return skin;
}

SampleSkin MakeFlatTexturedSkin(const std::string& name) {
    SampleSkin skin = MakeFlatSkin(name);
    std::string& text = skin.Files[0].Data;
    const std::string section = "[BUTTON]\r\n";
    size_t at = text.find(section);
    if (at == std::string::npos)
        throw std::logic_error("the flat skin has no BUTTON section");
    char pattern[64];
    snprintf(pattern, sizeof pattern, "HOTPATTERN=~%04d,0000,%04d,0008,00\r\nHOTIMAGEPERCENT=100\r\n", kFlatTextureX,
             kFlatTextureX + 8);
    text.insert(at + section.size(), pattern);
    return skin;
}
