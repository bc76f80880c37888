#include "SkinSamples.h"

#include <windows.h>

#include <cstdio>
#include <csetjmp>
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

std::string MasterBitmap() {
    Canvas24 c(256, 128, 0x404040);
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
    return c.Bmp();
}

}  // namespace

std::string BmpFile24(int width, int height, const SamplePixels& pixel) {
    int stride = (width * 3 + 3) & ~3;
    uint32_t imageSize = static_cast<uint32_t>(stride) * height;
    std::string s;
    s += "BM";
    PutLE(s, 14 + 40 + imageSize, 4);
    PutLE(s, 0, 4);
    PutLE(s, 14 + 40, 4);
    PutLE(s, 40, 4);
    PutLE(s, static_cast<uint32_t>(width), 4);
    PutLE(s, static_cast<uint32_t>(height), 4);
    PutLE(s, 1, 2);
    PutLE(s, 24, 2);
    PutLE(s, 0, 4);  // BI_RGB
    PutLE(s, imageSize, 4);
    PutLE(s, 2835, 4);
    PutLE(s, 2835, 4);
    PutLE(s, 0, 4);
    PutLE(s, 0, 4);
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

std::string SampleOptionsText() {
    const char* lines[] = {
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
        "BORDERSMASK=^0000,0000,0060,0040,0005,0005,0005,0005,3,1,0,0",
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
        "HOTPATTERN=SMALL.JPG",
        "IMAGEPERCENT=100",
        "",
        "[EDIT]",
        "PARENTCLASS=PANEL",
        "COLOR=-1",
        "BORDERSMASK=!EDGE.BMP!3!1!0!4!4!4!4",
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
        "",
        "[SCROLLBAR1H]",
        "COLOR=12632256",
        "BORDERSMASK=FRAME.BMP",
        "",
        "[SCROLLSLIDERH]",
        "COLOR=9474192",
        "BORDERSMASK=^0128,0064,0192,0096,0000,0000,0000,0000,2,1,0,0",
        "",
        "[CHECKBOX]",
        "TRANSPARENCY=100",
        "HOTTRANSPARENCY=100",
        "FONTCOLOR=0",
        "",
        "[GROUPBOX]",
        "TRANSPARENCY=50",
        "FONTCOLOR=8388608",
        "",
        "[TABSHEET]",
        "COLOR=15790320",
        "BORDERSMASK=!EDGE.BMP!3!1!0",
        "",
        "[TABTOP]",
        "PARENTCLASS=TABSHEET",
        "",
        "[SELFREF]",
        "PARENTCLASS=SELFREF",
        "COLOR=255",
        "",
        "[UNKNOWN]",
        "COLOR=15790320",
        "FONTCOLOR=0",
    };
    std::string text;
    for (const char* line : lines)
        text += std::string(line) + "\r\n";
    return text;
}

SampleSkin MakeSampleSkin(const std::string& name) {
    SampleSkin skin;
    skin.Name = name;
    skin.Files.push_back({"Options.dat", SampleOptionsText()});
    skin.Files.push_back({"MASTER.BMP", MasterBitmap()});
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
