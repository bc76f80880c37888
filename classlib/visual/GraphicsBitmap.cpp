// TBitmap: DIB sections, pixel format conversion and the BMP file format.
#include "Graphics.h"
#include "classlib/runtime/Streams.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <unordered_map>

namespace {

// Caps far above any real picture, so that arithmetic on sizes cannot overflow and a header cannot
// make the program ask for gigabytes.
constexpr int MaxDimension = 32767;
constexpr long long MaxImageBytes = 512ll * 1024 * 1024;

int BitsOf(TPixelFormat f) {
    switch (f) {
        case pf1bit: return 1;
        case pf4bit: return 4;
        case pf8bit: return 8;
        case pf15bit:
        case pf16bit: return 16;
        case pf24bit: return 24;
        case pf32bit: return 32;
        default: return 0;
    }
}

long long StrideOf(long long width, int bits) { return ((width * bits + 31) / 32) * 4; }

RGBQUAD Quad(uint8_t r, uint8_t g, uint8_t b) { return RGBQUAD{b, g, r, 0}; }

// The tables a new bitmap of 1, 4 or 8 bits gets: black and white; the 16 standard colours;
// those 16, a 6 x 6 x 6 colour cube and a grey ramp.
std::vector<RGBQUAD> DefaultColors(TPixelFormat f) {
    std::vector<RGBQUAD> c;
    if (f == pf1bit)
        return {Quad(0, 0, 0), Quad(255, 255, 255)};
    static const TColor vga[16] = {clBlack, clMaroon, clGreen,  clOlive, clNavy, clPurple,  clTeal, clSilver,
                                   clGray,  clRed,    clLime,   clYellow, clBlue, clFuchsia, clAqua, clWhite};
    for (TColor v : vga)
        c.push_back(Quad(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF));
    if (f == pf4bit)
        return c;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                c.push_back(Quad(static_cast<uint8_t>(r * 51), static_cast<uint8_t>(g * 51), static_cast<uint8_t>(b * 51)));
    for (int i = 0; i < 24; ++i) {
        auto v = static_cast<uint8_t>(8 + i * 10);
        c.push_back(Quad(v, v, v));
    }
    return c;
}

uint32_t QuadToPixel(const RGBQUAD& q) {
    return static_cast<uint32_t>(q.rgbBlue) | (static_cast<uint32_t>(q.rgbGreen) << 8) |
           (static_cast<uint32_t>(q.rgbRed) << 16);
}

// Pixels in memory order B, G, R, A packed as 0xAARRGGBB.
void ReadRow(const uint8_t* row, TPixelFormat f, int width, const std::vector<RGBQUAD>& colors, uint32_t* out) {
    auto color = [&](unsigned index) -> uint32_t { return index < colors.size() ? QuadToPixel(colors[index]) : 0; };
    for (int x = 0; x < width; ++x) {
        switch (f) {
            case pf1bit: out[x] = color((row[x >> 3] >> (7 - (x & 7))) & 1); break;
            case pf4bit: out[x] = color((x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4); break;
            case pf8bit: out[x] = color(row[x]); break;
            case pf15bit:
            case pf16bit: {
                unsigned v = row[2 * x] | (row[2 * x + 1] << 8);
                unsigned r, g, b;
                if (f == pf15bit) {
                    r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
                    r = (r << 3) | (r >> 2), g = (g << 3) | (g >> 2), b = (b << 3) | (b >> 2);
                } else {
                    r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
                    r = (r << 3) | (r >> 2), g = (g << 2) | (g >> 4), b = (b << 3) | (b >> 2);
                }
                out[x] = b | (g << 8) | (r << 16);
                break;
            }
            case pf24bit: out[x] = row[3 * x] | (row[3 * x + 1] << 8) | (row[3 * x + 2] << 16); break;
            case pf32bit: std::memcpy(&out[x], row + 4 * x, 4); break;
            default: out[x] = 0; break;
        }
    }
}

// Finds the nearest colour of a table, remembering answers because pictures repeat their colours.
class NearestColor {
public:
    explicit NearestColor(const std::vector<RGBQUAD>& colors) : FColors(colors) {}
    uint8_t operator()(uint32_t pixel) {
        pixel &= 0xFFFFFF;
        auto it = FCache.find(pixel);
        if (it != FCache.end())
            return it->second;
        int b = pixel & 0xFF, g = (pixel >> 8) & 0xFF, r = (pixel >> 16) & 0xFF;
        int best = 0;
        long bestDistance = std::numeric_limits<long>::max();
        for (size_t i = 0; i < FColors.size(); ++i) {
            long db = b - FColors[i].rgbBlue, dg = g - FColors[i].rgbGreen, dr = r - FColors[i].rgbRed;
            long d = dr * dr * 3 + dg * dg * 4 + db * db * 2;
            if (d < bestDistance) {
                bestDistance = d;
                best = static_cast<int>(i);
                if (d == 0)
                    break;
            }
        }
        return FCache[pixel] = static_cast<uint8_t>(best);
    }

private:
    const std::vector<RGBQUAD>& FColors;
    std::unordered_map<uint32_t, uint8_t> FCache;
};

void WriteRow(uint8_t* row, TPixelFormat f, int width, NearestColor* nearest, const uint32_t* in) {
    if (f == pf1bit || f == pf4bit)
        std::memset(row, 0, static_cast<size_t>(StrideOf(width, BitsOf(f))));
    for (int x = 0; x < width; ++x) {
        uint32_t p = in[x];
        unsigned b = p & 0xFF, g = (p >> 8) & 0xFF, r = (p >> 16) & 0xFF;
        switch (f) {
            case pf1bit: row[x >> 3] |= static_cast<uint8_t>(((*nearest)(p) & 1) << (7 - (x & 7))); break;
            case pf4bit: row[x >> 1] |= static_cast<uint8_t>(((*nearest)(p) & 15) << ((x & 1) ? 0 : 4)); break;
            case pf8bit: row[x] = (*nearest)(p); break;
            case pf15bit: {
                unsigned v = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
                row[2 * x] = static_cast<uint8_t>(v), row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
                break;
            }
            case pf16bit: {
                unsigned v = ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
                row[2 * x] = static_cast<uint8_t>(v), row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
                break;
            }
            case pf24bit:
                row[3 * x] = static_cast<uint8_t>(b), row[3 * x + 1] = static_cast<uint8_t>(g),
                row[3 * x + 2] = static_cast<uint8_t>(r);
                break;
            case pf32bit: std::memcpy(row + 4 * x, &p, 4); break;
            default: break;
        }
    }
}

[[noreturn]] void BadBitmap(const std::string& why) { throw EInvalidGraphic("Bitmap image is not valid: " + why); }

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
void Put16(std::vector<uint8_t>& v, unsigned x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i)
        v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}

constexpr size_t FileHeaderSize = 14;

// What a BMP header says, after every field was checked against the data that follows it.
struct DIBLayout {
    int Width = 0, Height = 0;
    bool TopDown = false;
    int Bits = 0;
    bool Core = false;  // 12-byte header: 3-byte colour entries
    uint32_t Compression = BI_RGB;
    uint32_t Masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
    size_t ColorCount = 0;
    size_t ColorOffset = 0;  // within the data
    size_t BitsOffset = 0;
    size_t ImageSize = 0;
    long long Stride = 0;
};

bool ContiguousMask(uint32_t m) {
    if (!m)
        return false;
    while (!(m & 1))
        m >>= 1;
    return (m & (m + 1)) == 0;
}

// Reads the headers at the start of data. With fileHeader false the data is a packed DIB (as in a
// resource) and the pixels follow the colour table.
DIBLayout ReadLayout(const uint8_t* data, size_t size, bool fileHeader) {
    DIBLayout l;
    size_t base = 0;
    uint32_t offBits = 0;
    if (fileHeader) {
        if (size < FileHeaderSize + 4)
            BadBitmap("the file is too short");
        if (data[0] != 'B' || data[1] != 'M')
            BadBitmap("it does not start with \"BM\"");
        offBits = U32(data + 10);
        base = FileHeaderSize;
    } else if (size < 4) {
        BadBitmap("the header is cut short");
    }
    uint32_t headerSize = U32(data + base);
    if (headerSize != 12 && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
        headerSize != 124)
        BadBitmap("unknown header size " + IntToStr(headerSize));
    if (base + headerSize > size)
        BadBitmap("the header is cut short");
    const uint8_t* h = data + base;
    long long width, height;
    unsigned planes;
    if (headerSize == 12) {
        l.Core = true;
        width = U16(h + 4);
        height = U16(h + 6);
        planes = U16(h + 8);
        l.Bits = U16(h + 10);
    } else {
        width = static_cast<int32_t>(U32(h + 4));
        height = static_cast<int32_t>(U32(h + 8));
        planes = U16(h + 12);
        l.Bits = U16(h + 14);
        l.Compression = U32(h + 16);
        l.ColorCount = U32(h + 32);
    }
    if (planes != 1)
        BadBitmap("planes must be 1, not " + IntToStr(planes));
    if (l.Bits != 1 && l.Bits != 4 && l.Bits != 8 && l.Bits != 16 && l.Bits != 24 && l.Bits != 32)
        BadBitmap(IntToStr(l.Bits) + " bits per pixel are not supported");
    if (height < 0) {
        l.TopDown = true;
        height = -height;
    }
    if (width <= 0 || height <= 0 || width > MaxDimension || height > MaxDimension)
        BadBitmap("the size " + IntToStr(width) + " x " + IntToStr(height) + " is out of range");
    l.Width = static_cast<int>(width);
    l.Height = static_cast<int>(height);

    size_t tableStart = base + headerSize;
    if (l.Compression == BI_BITFIELDS) {
        if (l.Bits != 16 && l.Bits != 32)
            BadBitmap("bit fields need 16 or 32 bits per pixel");
        const uint8_t* m;
        if (headerSize == 40) {
            if (tableStart + 12 > size)
                BadBitmap("the colour masks are cut short");
            m = data + tableStart;
            tableStart += 12;
        } else {
            m = h + 40;
        }
        for (int i = 0; i < 3; ++i)
            l.Masks[i] = U32(m + 4 * i);
        if (headerSize >= 56)
            l.Masks[3] = U32(h + 52);
        uint32_t all = 0;
        for (int i = 0; i < 4; ++i) {
            if ((i < 3 || l.Masks[i]) && !ContiguousMask(l.Masks[i]))
                BadBitmap("a colour mask is empty or not contiguous");
            if (all & l.Masks[i])
                BadBitmap("colour masks overlap");
            all |= l.Masks[i];
        }
        if (l.Bits == 16 && (all >> 16))
            BadBitmap("a colour mask lies outside 16 bits");
    } else if (l.Compression != BI_RGB) {
        BadBitmap("compression " + IntToStr(l.Compression) + " is not supported");
    } else if (l.Bits == 16) {
        l.Masks[0] = 0x7C00, l.Masks[1] = 0x03E0, l.Masks[2] = 0x001F;
    }

    size_t entrySize = l.Core ? 3 : 4;
    if (l.Bits <= 8) {
        size_t max = size_t(1) << l.Bits;
        if (l.ColorCount == 0 || l.Core)
            l.ColorCount = max;
        if (l.ColorCount > max)
            BadBitmap("the colour table has " + IntToStr(l.ColorCount) + " entries, more than " + IntToStr(max));
    } else if (l.ColorCount > 256) {
        BadBitmap("the optional colour table has " + IntToStr(l.ColorCount) + " entries");
    }
    l.ColorOffset = tableStart;
    size_t tableEnd = tableStart + l.ColorCount * entrySize;
    if (tableEnd > size)
        BadBitmap("the colour table is cut short");
    if (l.Bits > 8)
        l.ColorCount = 0;  // an optional table of a true-colour file is a display hint only

    l.BitsOffset = fileHeader ? offBits : tableEnd;
    if (l.BitsOffset < tableEnd)
        BadBitmap("the pixel data would start inside the headers");
    l.Stride = StrideOf(l.Width, l.Bits);
    long long image = l.Stride * l.Height;
    if (image > MaxImageBytes)
        BadBitmap("the image is too large");
    l.ImageSize = static_cast<size_t>(image);
    return l;
}

struct BitfieldChannel {
    int Shift = 0;
    int Width = 0;
};

BitfieldChannel ChannelOf(uint32_t mask) {
    BitfieldChannel c;
    if (!mask)
        return c;
    while (!(mask & 1)) {
        mask >>= 1;
        ++c.Shift;
    }
    while (mask & 1) {
        mask >>= 1;
        ++c.Width;
    }
    return c;
}

uint8_t Expand(uint32_t value, const BitfieldChannel& c) {
    if (c.Width == 0)
        return 0;
    uint32_t v = (value >> c.Shift) & ((1u << c.Width) - 1);
    if (c.Width >= 8)
        return static_cast<uint8_t>(v >> (c.Width - 8));
    // Repeat the bits so that the largest value becomes 255.
    uint32_t out = 0;
    for (int got = 0; got < 8; got += c.Width)
        out = (out << c.Width) | v;
    return static_cast<uint8_t>(out >> ((8 + c.Width - 1) / c.Width * c.Width - 8));
}

}  // namespace

// --- image ---

struct TBitmap::Image {
    HBITMAP Handle = nullptr;
    uint8_t* Bits = nullptr;
    int Stride = 0;
    bool TopDown = false;
    int Width = 0, Height = 0;
    TPixelFormat Format = pfDevice;
    TBitmapHandleType Type = bmDDB;
    std::vector<RGBQUAD> Colors;

    Image() = default;
    Image(Image&& o) noexcept { *this = std::move(o); }
    Image& operator=(Image&& o) noexcept {
        std::swap(Handle, o.Handle);
        Bits = o.Bits, Stride = o.Stride, TopDown = o.TopDown, Width = o.Width, Height = o.Height;
        Format = o.Format, Type = o.Type;
        Colors.swap(o.Colors);
        return *this;
    }
    ~Image() {
        if (Handle)
            DeleteObject(Handle);
    }
    uint8_t* Row(int y) const { return Bits + static_cast<ptrdiff_t>(TopDown ? y : Height - 1 - y) * Stride; }
};

// The bitmap's canvas: a memory DC with the bitmap selected, made when drawing starts.
class TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap* bitmap) : FBitmap(bitmap) {}
    ~TBitmapCanvas() override { FreeContext(); }

    void FreeContext() {
        if (!FDC)
            return;
        HDC dc = FDC;
        SetHandle(nullptr);
        if (FOldBitmap)
            SelectObject(dc, FOldBitmap);
        DeleteDC(dc);
        FDC = nullptr;
        FOldBitmap = nullptr;
    }

protected:
    void CreateHandle() override {
        HDC dc = CreateCompatibleDC(nullptr);
        if (!dc)
            RaiseLastOSError("CreateCompatibleDC");
        FOldBitmap = FBitmap->FHandle ? SelectObject(dc, FBitmap->FHandle) : nullptr;
        FDC = dc;
        SetHandle(dc);
    }

private:
    TBitmap* FBitmap;
    HDC FDC = nullptr;
    HGDIOBJ FOldBitmap = nullptr;
};

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
    FCanvas.reset();
    FreeImage();
}

void TBitmap::FreeContext() {
    if (FCanvas)
        FCanvas->FreeContext();
}

void TBitmap::FreeImage() {
    FreeContext();
    if (FHandle)
        DeleteObject(FHandle);
    if (FPalette)
        DeleteObject(FPalette);
    FHandle = nullptr;
    FPalette = nullptr;
    FBits = nullptr;
    FStride = 0;
    FTopDown = false;
}

void TBitmap::Adopt(Image&& image) {
    FreeImage();
    FHandle = image.Handle;
    image.Handle = nullptr;
    FBits = image.Bits;
    FStride = image.Stride;
    FTopDown = image.TopDown;
    FWidth = image.Width;
    FHeight = image.Height;
    FPixelFormat = image.Format;
    FHandleType = image.Type;
    FColors = std::move(image.Colors);
}

TPixelFormat TBitmap::DeviceFormat() const {
    HDC dc = GetDC(nullptr);
    int bits = dc ? GetDeviceCaps(dc, BITSPIXEL) : 32;
    if (dc)
        ReleaseDC(nullptr, dc);
    switch (bits) {
        case 1: return pf1bit;
        case 4: return pf4bit;
        case 8: return pf8bit;
        case 16: return pf16bit;
        case 24: return pf24bit;
        default: return pf32bit;
    }
}

TBitmap::Image TBitmap::MakeImage(int width, int height, TPixelFormat format,
                                  const std::vector<RGBQUAD>& colors) const {
    Image img;
    img.Width = width;
    img.Height = height;
    img.Format = format;
    std::string size = IntToStr(width) + " x " + IntToStr(height);
    if (width > MaxDimension || height > MaxDimension)
        throw EOutOfResources("A bitmap of " + size + " pixels is too large");
    if (format == pfDevice) {
        img.Type = bmDDB;
        HDC dc = GetDC(nullptr);
        img.Handle = CreateCompatibleBitmap(dc, width, height);
        ReleaseDC(nullptr, dc);
        if (!img.Handle)
            throw EOutOfResources("Out of system resources: cannot make a bitmap of " + size + " pixels");
        return img;
    }
    int bits = BitsOf(format);
    if (!bits)
        throw EInvalidGraphic("Cannot make a bitmap of a custom pixel format");
    long long stride = StrideOf(width, bits);
    if (stride * height > MaxImageBytes)
        throw EOutOfResources("A bitmap of " + size + " pixels is too large");
    img.Type = bmDIB;
    img.Stride = static_cast<int>(stride);
    if (bits <= 8) {
        img.Colors = colors.empty() ? DefaultColors(format) : colors;
        img.Colors.resize(size_t(1) << bits, RGBQUAD{0, 0, 0, 0});
    }
    std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* bih = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
    bih->biSize = sizeof(BITMAPINFOHEADER);
    bih->biWidth = width;
    bih->biHeight = height;
    bih->biPlanes = 1;
    bih->biBitCount = static_cast<WORD>(bits);
    bih->biCompression = BI_RGB;
    if (format == pf16bit) {
        bih->biCompression = BI_BITFIELDS;
        uint32_t masks[3] = {0xF800, 0x07E0, 0x001F};
        std::memcpy(info.data() + sizeof(BITMAPINFOHEADER), masks, sizeof masks);
    } else if (bits <= 8) {
        bih->biClrUsed = static_cast<DWORD>(img.Colors.size());
        std::memcpy(info.data() + sizeof(BITMAPINFOHEADER), img.Colors.data(), img.Colors.size() * sizeof(RGBQUAD));
    }
    void* pixels = nullptr;
    img.Handle = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS, &pixels,
                                  nullptr, 0);
    if (!img.Handle || !pixels)
        throw EOutOfResources("Out of system resources: cannot make a bitmap of " + size + " pixels");
    img.Bits = static_cast<uint8_t*>(pixels);
    return img;
}

namespace {

// A header for 32-bit pixels, top row first, as GetDIBits and SetDIBits exchange them.
BITMAPINFO TopDown32(int w, int h) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    return bi;
}

// Every pixel of a bitmap as 0xAARRGGBB, top row first.
std::vector<uint32_t> ReadPixels(HBITMAP handle, const uint8_t* bits, int stride, bool topDown, int w, int h,
                                 TPixelFormat f, const std::vector<RGBQUAD>& colors) {
    std::vector<uint32_t> out(static_cast<size_t>(w) * h);
    if (bits) {
        GdiFlush();
        for (int y = 0; y < h; ++y)
            ReadRow(bits + static_cast<ptrdiff_t>(topDown ? y : h - 1 - y) * stride, f, w, colors,
                    out.data() + static_cast<size_t>(y) * w);
        return out;
    }
    BITMAPINFO bi = TopDown32(w, h);
    HDC dc = GetDC(nullptr);
    int lines = GetDIBits(dc, handle, 0, static_cast<UINT>(h), out.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    if (lines != h)
        RaiseLastOSError("GetDIBits");
    return out;
}

// Whether the first row in memory is the picture's top row. The header that GetObject returns does not
// say so reliably (it may report the height as positive either way), so ask GDI: change the first
// byte in memory, read the bottom row (scan 0 of a bottom-up copy) back through GetDIBits in the
// bitmap's own format, and see whether the change shows there.
bool IsTopDown(HBITMAP handle, const DIBSECTION& ds) {
    if (ds.dsBmih.biHeight < 0)
        return true;
    if (ds.dsBm.bmHeight < 2)
        return false;
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD colors[256];
    } bi{};
    bi.h = ds.dsBmih;
    bi.h.biHeight = ds.dsBm.bmHeight;
    bi.h.biSizeImage = 0;
    if (bi.h.biCompression == BI_BITFIELDS)
        std::memcpy(bi.colors, ds.dsBitfields, sizeof ds.dsBitfields);
    std::vector<uint8_t> bottom(static_cast<size_t>(ds.dsBm.bmWidthBytes) * 2 + 16);
    auto* first = static_cast<uint8_t*>(ds.dsBm.bmBits);
    GdiFlush();
    uint8_t saved = *first;
    *first = static_cast<uint8_t>(saved ^ 0xFF);
    HDC dc = GetDC(nullptr);
    int lines = GetDIBits(dc, handle, 0, 1, bottom.data(), reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    bool topDown = lines == 1 && bottom[0] != *first;
    *first = saved;
    return topDown;
}

}  // namespace

void TBitmap::SetMonochrome(bool Value) {
    if (Value)
        SetPixelFormat(pf1bit);
    else if (Monochrome())
        SetPixelFormat(pfDevice);
}

TPixelFormat TBitmap::PixelFormat() const { return FHandleType == bmDDB ? pfDevice : FPixelFormat; }

void TBitmap::ConvertTo(TPixelFormat format) {
    if (Empty()) {
        FreeImage();
        FPixelFormat = format;
        FHandleType = format == pfDevice ? bmDDB : bmDIB;
        return;
    }
    std::vector<uint32_t> pixels = Pixels32();
    std::vector<RGBQUAD> colors;
    int bits = BitsOf(format);
    if (bits && bits <= 8 && !FColors.empty() && FColors.size() <= (size_t(1) << bits))
        colors = FColors;  // a smaller table fits and keeps every colour
    Image img = MakeImage(FWidth, FHeight, format, colors);
    WritePixels(img, pixels);
    Adopt(std::move(img));
}

void TBitmap::WritePixels(Image& img, const std::vector<uint32_t>& pixels) {
    if (img.Type == bmDIB) {
        NearestColor nearest(img.Colors);
        for (int y = 0; y < img.Height; ++y)
            WriteRow(img.Row(y), img.Format, img.Width, &nearest, pixels.data() + static_cast<size_t>(y) * img.Width);
        return;
    }
    BITMAPINFO bi = TopDown32(img.Width, img.Height);
    HDC dc = GetDC(nullptr);
    int lines = SetDIBits(dc, img.Handle, 0, static_cast<UINT>(img.Height), pixels.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    if (lines != img.Height)
        RaiseLastOSError("SetDIBits");
}

std::vector<uint32_t> TBitmap::Pixels32() {
    FreeContext();
    return ReadPixels(FHandle, FBits, FStride, FTopDown, FWidth, FHeight, FPixelFormat, FColors);
}

void TBitmap::SetPixelFormat(TPixelFormat Value) {
    if (Value == pfCustom)
        throw EInvalidGraphic("A bitmap cannot be given a custom pixel format");
    if (Value == PixelFormat() && !Empty())
        return;
    ConvertTo(Value);
    Changed();
}

void TBitmap::SetHandleType(TBitmapHandleType Value) {
    if (Value == FHandleType)
        return;
    ConvertTo(Value == bmDDB ? pfDevice : DeviceFormat());
    Changed();
}

void TBitmap::SetSize(int AWidth, int AHeight) {
    AWidth = std::max(AWidth, 0);
    AHeight = std::max(AHeight, 0);
    if (AWidth == FWidth && AHeight == FHeight)
        return;
    TPixelFormat format = PixelFormat();
    if (AWidth == 0 || AHeight == 0) {
        FreeImage();
        FWidth = AWidth;
        FHeight = AHeight;
        Changed();
        return;
    }
    std::vector<uint32_t> pixels(static_cast<size_t>(AWidth) * AHeight, 0x00FFFFFF);
    if (!Empty()) {
        std::vector<uint32_t> old = Pixels32();
        int w = std::min(AWidth, FWidth), h = std::min(AHeight, FHeight);
        for (int y = 0; y < h; ++y)
            std::copy_n(old.data() + static_cast<size_t>(y) * FWidth, w, pixels.data() + static_cast<size_t>(y) * AWidth);
    }
    Image img = MakeImage(AWidth, AHeight, format, FColors);
    WritePixels(img, pixels);
    Adopt(std::move(img));
    Changed();
}

void* TBitmap::ScanLine(int Row) {
    if (Row < 0 || Row >= FHeight || Empty())
        throw EInvalidGraphicOperation("Scan line index out of range");
    if (FHandleType == bmDDB)
        ConvertTo(DeviceFormat());
    GdiFlush();
    return FBits + static_cast<ptrdiff_t>(FTopDown ? Row : FHeight - 1 - Row) * FStride;
}

TColor TBitmap::PixelColor(int X, int Y) {
    if (Empty() || X < 0 || Y < 0 || X >= FWidth || Y >= FHeight)
        return clNone;
    if (FHandleType == bmDDB)
        return Canvas()->Pixels(X, Y);
    uint32_t p;
    GdiFlush();
    const uint8_t* row = FBits + static_cast<ptrdiff_t>(FTopDown ? Y : FHeight - 1 - Y) * FStride;
    std::vector<uint32_t> line(static_cast<size_t>(X) + 1);
    ReadRow(row, FPixelFormat, X + 1, FColors, line.data());
    p = line[static_cast<size_t>(X)];
    return static_cast<TColor>(((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF));
}

TCanvas* TBitmap::Canvas() {
    if (!FCanvas) {
        FCanvas = std::make_unique<TBitmapCanvas>(this);
        FCanvas->OnChange = [this](TObject*) { Changed(); };
    }
    return FCanvas.get();
}

HBITMAP TBitmap::Handle() {
    FreeContext();
    if (!FHandle && !Empty())
        ConvertTo(PixelFormat());
    return FHandle;
}

void TBitmap::SetHandle(HBITMAP Value) {
    if (Value == FHandle)
        return;
    Image img;
    if (Value) {
        DIBSECTION ds{};
        int got = GetObjectA(Value, sizeof ds, &ds);
        if (got == 0)
            throw EInvalidGraphic("The handle is not a bitmap");
        img.Handle = Value;
        img.Width = ds.dsBm.bmWidth;
        img.Height = ds.dsBm.bmHeight;
        if (got == sizeof ds && ds.dsBm.bmBits) {
            img.Type = bmDIB;
            img.Bits = static_cast<uint8_t*>(ds.dsBm.bmBits);
            img.Stride = ds.dsBm.bmWidthBytes;
            img.TopDown = IsTopDown(Value, ds);
            switch (ds.dsBmih.biBitCount) {
                case 1: img.Format = pf1bit; break;
                case 4: img.Format = pf4bit; break;
                case 8: img.Format = pf8bit; break;
                case 16:
                    img.Format = ds.dsBmih.biCompression == BI_BITFIELDS && ds.dsBitfields[1] == 0x07E0 ? pf16bit : pf15bit;
                    break;
                case 24: img.Format = pf24bit; break;
                default: img.Format = pf32bit; break;
            }
            if (ds.dsBmih.biBitCount <= 8) {
                img.Colors.resize(size_t(1) << ds.dsBmih.biBitCount);
                HDC dc = CreateCompatibleDC(nullptr);
                HGDIOBJ old = SelectObject(dc, Value);
                UINT n = GetDIBColorTable(dc, 0, static_cast<UINT>(img.Colors.size()), img.Colors.data());
                SelectObject(dc, old);
                DeleteDC(dc);
                if (n == 0)
                    img.Colors = DefaultColors(img.Format);
            }
        } else {
            img.Type = bmDDB;
            img.Format = pfDevice;
        }
    }
    Adopt(std::move(img));
    Changed();
}

HBITMAP TBitmap::ReleaseHandle() {
    FreeContext();
    HBITMAP h = Handle();
    FHandle = nullptr;
    TPixelFormat format = PixelFormat();
    FreeImage();
    FWidth = FHeight = 0;
    FPixelFormat = format;
    return h;
}

HPALETTE TBitmap::Palette() {
    if (FHandleType != bmDIB || FColors.empty())
        return nullptr;
    if (!FPalette) {
        std::vector<uint8_t> buffer(sizeof(LOGPALETTE) + FColors.size() * sizeof(PALETTEENTRY));
        auto* lp = reinterpret_cast<LOGPALETTE*>(buffer.data());
        lp->palVersion = 0x300;
        lp->palNumEntries = static_cast<WORD>(FColors.size());
        for (size_t i = 0; i < FColors.size(); ++i)
            lp->palPalEntry[i] = PALETTEENTRY{FColors[i].rgbRed, FColors[i].rgbGreen, FColors[i].rgbBlue, 0};
        FPalette = CreatePalette(lp);
    }
    return FPalette;
}

void TBitmap::SetPalette(HPALETTE Value) {
    if (!Value)
        return;
    PALETTEENTRY entries[256];
    UINT n = GetPaletteEntries(Value, 0, 256, entries);
    DeleteObject(Value);
    if (n == 0)
        return;
    std::vector<RGBQUAD> colors(n);
    for (UINT i = 0; i < n; ++i)
        colors[i] = Quad(entries[i].peRed, entries[i].peGreen, entries[i].peBlue);
    TPixelFormat format = PixelFormat();
    if (BitsOf(format) == 0 || BitsOf(format) > 8)
        format = n <= 2 ? pf1bit : n <= 16 ? pf4bit : pf8bit;
    if (Empty()) {
        FreeImage();
        FColors = colors;
        FColors.resize(size_t(1) << BitsOf(format));
        FPixelFormat = format;
        FHandleType = bmDIB;
        return;
    }
    // The indexes stay and mean the new colours, as a palette change does.
    FreeContext();
    Image img = MakeImage(FWidth, FHeight, format, colors);
    if (BitsOf(PixelFormat()) == BitsOf(format) && FHandleType == bmDIB) {
        GdiFlush();
        for (int y = 0; y < FHeight; ++y)
            std::memcpy(img.Row(y), FBits + static_cast<ptrdiff_t>(FTopDown ? y : FHeight - 1 - y) * FStride,
                        static_cast<size_t>(FStride));
    } else {
        WritePixels(img, Pixels32());
    }
    Adopt(std::move(img));
    Changed();
}

TColor TBitmap::TransparentColor() {
    if (FTransparentColor != clDefault)
        return ColorToRGB(FTransparentColor);
    if (Empty())
        return clDefault;
    if (Monochrome())
        return clWhite;
    return PixelColor(0, FHeight - 1);
}

void TBitmap::SetTransparentColor(TColor Value) {
    if (Value == FTransparentColor)
        return;
    FTransparentColor = Value;
    Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode Value) {
    if (Value == TransparentMode())
        return;
    if (Value == tmAuto)
        SetTransparentColor(clDefault);
    else
        SetTransparentColor(TransparentColor());
}

void TBitmap::Changed() {
    if (FPalette && FHandleType == bmDIB) {
        // The cached palette may no longer match the colour table.
        DeleteObject(FPalette);
        FPalette = nullptr;
    }
    TGraphic::Changed();
}

void TBitmap::Assign(TPersistent* Source) {
    if (Source == this)
        return;
    if (!Source) {
        FreeImage();
        FWidth = FHeight = 0;
        Changed();
        return;
    }
    if (auto* src = dynamic_cast<TBitmap*>(Source)) {
        if (src->Empty()) {
            FreeImage();
            FWidth = src->FWidth;
            FHeight = src->FHeight;
            FPixelFormat = src->FPixelFormat;
            FHandleType = src->FHandleType;
            FColors = src->FColors;
        } else {
            src->FreeContext();
            Image img = MakeImage(src->FWidth, src->FHeight, src->PixelFormat(), src->FColors);
            if (img.Type == bmDIB) {
                GdiFlush();
                size_t rowBytes = static_cast<size_t>(img.Stride);
                for (int y = 0; y < img.Height; ++y)
                    std::memcpy(img.Row(y),
                                src->FBits + static_cast<ptrdiff_t>(src->FTopDown ? y : src->FHeight - 1 - y) *
                                                 src->FStride,
                                rowBytes);
            } else {
                HDC s = CreateCompatibleDC(nullptr), d = CreateCompatibleDC(nullptr);
                HGDIOBJ os = SelectObject(s, src->FHandle), od = SelectObject(d, img.Handle);
                BitBlt(d, 0, 0, img.Width, img.Height, s, 0, 0, SRCCOPY);
                SelectObject(s, os);
                SelectObject(d, od);
                DeleteDC(s);
                DeleteDC(d);
            }
            Adopt(std::move(img));
        }
        FTransparentColor = src->FTransparentColor;
        SetTransparent(src->Transparent());
        Changed();
        return;
    }
    TGraphic::Assign(Source);
}

void TBitmap::Draw(TCanvas* ACanvas, const TRect& Rect) {
    if (Empty())
        return;
    HDC dst = ACanvas->Handle();
    HDC src = Canvas()->Handle();
    bool stretch = Rect.Width() != FWidth || Rect.Height() != FHeight;
    int oldMode = stretch ? SetStretchBltMode(dst, COLORONCOLOR) : 0;
    if (Transparent()) {
        TransparentBlt(dst, Rect.left, Rect.top, Rect.Width(), Rect.Height(), src, 0, 0, FWidth, FHeight,
                       static_cast<UINT>(ColorToRGB(TransparentColor())));
    } else if (stretch) {
        StretchBlt(dst, Rect.left, Rect.top, Rect.Width(), Rect.Height(), src, 0, 0, FWidth, FHeight,
                   static_cast<DWORD>(ACanvas->CopyMode()));
    } else {
        BitBlt(dst, Rect.left, Rect.top, FWidth, FHeight, src, 0, 0, static_cast<DWORD>(ACanvas->CopyMode()));
    }
    if (stretch)
        SetStretchBltMode(dst, oldMode);
}

// --- BMP files ---

void TBitmap::LoadDIB(const uint8_t* data, size_t size, bool fileHeader) {
    DIBLayout l = ReadLayout(data, size, fileHeader);
    if (l.BitsOffset > size || size - l.BitsOffset < l.ImageSize)
        BadBitmap("the pixel data is cut short");
    std::vector<RGBQUAD> colors;
    for (size_t i = 0; i < l.ColorCount; ++i) {
        const uint8_t* e = data + l.ColorOffset + i * (l.Core ? 3 : 4);
        colors.push_back(RGBQUAD{e[0], e[1], e[2], 0});
    }
    TPixelFormat format;
    bool direct = true;  // rows copy byte for byte
    switch (l.Bits) {
        case 1: format = pf1bit; break;
        case 4: format = pf4bit; break;
        case 8: format = pf8bit; break;
        case 16:
            if (l.Masks[0] == 0x7C00 && l.Masks[1] == 0x03E0 && l.Masks[2] == 0x001F && !l.Masks[3])
                format = pf15bit;
            else if (l.Masks[0] == 0xF800 && l.Masks[1] == 0x07E0 && l.Masks[2] == 0x001F && !l.Masks[3])
                format = pf16bit;
            else
                format = pf24bit, direct = false;
            break;
        case 24: format = pf24bit; break;
        default:
            format = pf32bit;
            direct = l.Compression == BI_RGB ||
                     (l.Masks[0] == 0xFF0000 && l.Masks[1] == 0xFF00 && l.Masks[2] == 0xFF &&
                      (l.Masks[3] == 0 || l.Masks[3] == 0xFF000000u));
            break;
    }
    if (l.Bits <= 8)
        colors.resize(size_t(1) << l.Bits, RGBQUAD{0, 0, 0, 0});  // indexes past a short table read as black
    Image img = MakeImage(l.Width, l.Height, format, colors);
    const uint8_t* pixels = data + l.BitsOffset;
    auto fileRow = [&](int y) { return pixels + static_cast<ptrdiff_t>(l.TopDown ? y : l.Height - 1 - y) * l.Stride; };
    if (direct) {
        for (int y = 0; y < l.Height; ++y)
            std::memcpy(img.Row(y), fileRow(y), static_cast<size_t>(img.Stride));
    } else {
        BitfieldChannel r = ChannelOf(l.Masks[0]), g = ChannelOf(l.Masks[1]), b = ChannelOf(l.Masks[2]),
                        a = ChannelOf(l.Masks[3]);
        for (int y = 0; y < l.Height; ++y) {
            const uint8_t* in = fileRow(y);
            uint8_t* out = img.Row(y);
            for (int x = 0; x < l.Width; ++x) {
                uint32_t v = l.Bits == 16 ? U16(in + 2 * x) : U32(in + 4 * x);
                if (format == pf24bit) {
                    out[3 * x] = Expand(v, b), out[3 * x + 1] = Expand(v, g), out[3 * x + 2] = Expand(v, r);
                } else {
                    out[4 * x] = Expand(v, b), out[4 * x + 1] = Expand(v, g), out[4 * x + 2] = Expand(v, r);
                    out[4 * x + 3] = Expand(v, a);
                }
            }
        }
    }
    Adopt(std::move(img));
}

void TBitmap::LoadFromStream(TStream* Stream) {
    long long start = Stream->Position();
    long long available = Stream->Size() - start;
    if (available <= 0) {
        // Nothing to read is an empty bitmap, which is also what an empty bitmap saves.
        Assign(nullptr);
        return;
    }
    // Read the headers first and check them, so that the pixel data is only read when it is really there.
    uint8_t head[FileHeaderSize + 124 + 12 + 256 * 4];
    long got = Stream->Read(head, static_cast<long>(std::min<long long>(available, sizeof head)));
    DIBLayout l = ReadLayout(head, static_cast<size_t>(got), true);
    long long need = static_cast<long long>(l.BitsOffset) + static_cast<long long>(l.ImageSize);
    if (need > available)
        BadBitmap("the file holds " + IntToStr(available) + " bytes where its header promises " + IntToStr(need));
    std::vector<uint8_t> data(static_cast<size_t>(need));
    Stream->SetPosition(start);
    Stream->ReadBuffer(data.data(), static_cast<long>(need));
    LoadDIB(data.data(), data.size(), true);
    Changed();
}

void TBitmap::LoadFromResourceName(HINSTANCE Instance, const std::string& ResName) {
    TResourceStream res(Instance, ResName, MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    LoadDIB(static_cast<const uint8_t*>(res.Memory()), static_cast<size_t>(res.Size()), false);
    Changed();
}

void TBitmap::LoadFromResourceID(HINSTANCE Instance, int ResID) {
    TResourceStream res(Instance, ResID, MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    LoadDIB(static_cast<const uint8_t*>(res.Memory()), static_cast<size_t>(res.Size()), false);
    Changed();
}

void TBitmap::SaveToStream(TStream* Stream) {
    if (Empty())
        return;
    TBitmap copy;
    TBitmap* src = this;
    if (FHandleType == bmDDB) {
        copy.Assign(this);
        copy.SetPixelFormat(DeviceFormat() == pf32bit ? pf32bit : pf24bit);
        src = &copy;
    }
    src->FreeContext();
    GdiFlush();
    int bits = BitsOf(src->FPixelFormat);
    size_t tableBytes = bits <= 8 ? src->FColors.size() * 4 : src->FPixelFormat == pf16bit ? 12 : 0;
    size_t imageBytes = static_cast<size_t>(src->FStride) * src->FHeight;
    size_t offBits = FileHeaderSize + 40 + tableBytes;
    std::vector<uint8_t> out;
    out.reserve(offBits);
    out.push_back('B');
    out.push_back('M');
    Put32(out, static_cast<uint32_t>(offBits + imageBytes));
    Put32(out, 0);
    Put32(out, static_cast<uint32_t>(offBits));
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(src->FWidth));
    Put32(out, static_cast<uint32_t>(src->FHeight));
    Put16(out, 1);
    Put16(out, static_cast<unsigned>(bits));
    Put32(out, src->FPixelFormat == pf16bit ? BI_BITFIELDS : BI_RGB);
    Put32(out, static_cast<uint32_t>(imageBytes));
    Put32(out, 3780);  // 96 dots per inch
    Put32(out, 3780);
    Put32(out, bits <= 8 ? static_cast<uint32_t>(src->FColors.size()) : 0);
    Put32(out, 0);
    if (bits <= 8) {
        for (const RGBQUAD& q : src->FColors) {
            out.push_back(q.rgbBlue);
            out.push_back(q.rgbGreen);
            out.push_back(q.rgbRed);
            out.push_back(0);
        }
    } else if (src->FPixelFormat == pf16bit) {
        Put32(out, 0xF800);
        Put32(out, 0x07E0);
        Put32(out, 0x001F);
    }
    Stream->WriteBuffer(out.data(), static_cast<long>(out.size()));
    // Bottom row first, as the file format stores them.
    for (int y = src->FHeight - 1; y >= 0; --y)
        Stream->WriteBuffer(src->FBits + static_cast<ptrdiff_t>(src->FTopDown ? y : src->FHeight - 1 - y) * src->FStride,
                            src->FStride);
}
