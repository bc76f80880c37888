#include "PngFunctions.h"

#include "pngctl/GdiHandles.h"
#include "pngctl/PngImageList.h"

#include <shlwapi.h>

#include <algorithm>
#include <vector>

int CommonControlsVersion() {
    static const int version = [] {
        HMODULE module = GetModuleHandleA("comctl32.dll");
        if (!module)
            return 0;
        auto get = reinterpret_cast<DLLGETVERSIONPROC>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetVersion")));
        DLLVERSIONINFO info{};
        info.cbSize = sizeof info;
        if (!get || FAILED(get(&info)))
            return 0;
        return int(info.dwMajorVersion * 100 + info.dwMinorVersion);
    }();
    return version;
}

// --- the pixel maths ---

uint8_t ScaleByte(unsigned C, unsigned K) {
    // C * K / 256 is a multiple of 1/256, so the only ties are at a remainder of exactly 128.
    unsigned x = C * K;
    unsigned q = x >> 8, r = x & 0xFF;
    if (r > 128 || (r == 128 && (q & 1)))
        ++q;
    return static_cast<uint8_t>(std::min(q, 255u));
}

uint8_t GrayValue(uint8_t R, uint8_t G, uint8_t B) {
    unsigned x = 30u * R + 59u * G + 11u * B;
    unsigned q = x / 100, r = x % 100;
    if (r > 50 || (r == 50 && (q & 1)))
        ++q;
    return static_cast<uint8_t>(q);
}

namespace {
void CheckAmount(int Amount) {
    if (Amount < 0 || Amount > 255)
        throw EInvalidArgument(Format("The amount %d lies outside 0..255", Amount));
}
}  // namespace

uint8_t BlendedAlpha(uint8_t Alpha, int Amount) { return ScaleByte(Alpha, static_cast<unsigned>(Amount) + 1); }

void GrayscalePixel(uint8_t& R, uint8_t& G, uint8_t& B, int Amount) {
    const unsigned keep = 255 - static_cast<unsigned>(Amount), toward = static_cast<unsigned>(Amount) + 1;
    const unsigned gray = ScaleByte(GrayValue(R, G, B), toward);
    // Each half rounds on its own, so the sum can reach 256 (white at 127): it stays white.
    R = static_cast<uint8_t>(std::min(ScaleByte(R, keep) + gray, 255u));
    G = static_cast<uint8_t>(std::min(ScaleByte(G, keep) + gray, 255u));
    B = static_cast<uint8_t>(std::min(ScaleByte(B, keep) + gray, 255u));
}

// --- the disabled look ---

namespace {

// An image without an alpha channel becomes an RGB image with one, Amount where it was opaque.
void AddAlphaFromTransparency(TPNGObject* Png, int Amount, bool BitTransparent, TColor TransparentColor) {
    const bool partial = Png->TransparencyMode() == ptmPartial;
    TPNGObject image;
    image.CreateBlank(ctRGB, 8, Png->Width(), Png->Height());
    image.CreateAlpha();
    for (int y = 0; y < Png->Height(); ++y) {
        uint8_t* alpha = image.AlphaScanline(y);
        for (int x = 0; x < Png->Width(); ++x) {
            TColor c = Png->Pixels(x, y);
            image.SetPixels(x, y, c);
            if (BitTransparent && c == TransparentColor)
                alpha[x] = 0;
            else if (partial)  // graded palette transparency keeps its grades
                alpha[x] = static_cast<uint8_t>((Amount * Png->PixelAlpha(x, y) + 127) / 255);
            else
                alpha[x] = static_cast<uint8_t>(Amount);
        }
    }
    Png->Assign(&image);
}

}  // namespace

void MakeImageBlended(TPNGObject* Png, int Amount) {
    CheckAmount(Amount);
    if (Png->Empty())
        return;
    const bool bitTransparent = Png->TransparencyMode() == ptmBit;
    const TColor transparentColor = Png->TransparentColor();
    switch (Png->ColorType()) {
        case ctGrayscale:
        case ctPalette:
            AddAlphaFromTransparency(Png, Amount, bitTransparent, transparentColor);
            return;
        case ctRGB:
            Png->CreateAlpha();
            break;
        default:
            break;
    }
    for (int y = 0; y < Png->Height(); ++y) {
        uint8_t* alpha = Png->AlphaScanline(y);
        for (int x = 0; x < Png->Width(); ++x) {
            if (bitTransparent && Png->Pixels(x, y) == transparentColor)
                alpha[x] = 0;
            else
                alpha[x] = BlendedAlpha(alpha[x], Amount);
        }
    }
    Png->SetModified(true);  // the rows were changed in place
}

void MakeImageGrayscale(TPNGObject* Png, int Amount) {
    CheckAmount(Amount);
    if (Png->Empty())
        return;
    switch (Png->ColorType()) {
        case ctPalette: {
            std::vector<PALETTEENTRY> palette = Png->Palette();
            for (PALETTEENTRY& e : palette)
                GrayscalePixel(e.peRed, e.peGreen, e.peBlue, Amount);
            Png->SetPalette(palette);
            break;
        }
        case ctRGB:
        case ctRGBAlpha:
            for (int y = 0; y < Png->Height(); ++y) {
                uint8_t* p = Png->Scanline(y);
                for (int x = 0; x < Png->Width(); ++x, p += 3)
                    GrayscalePixel(p[2], p[1], p[0], Amount);
            }
            Png->SetModified(true);
            break;
        default:
            break;  // grey already
    }
}

void DrawPNG(TPNGObject* Png, TCanvas* Canvas, const TRect& Rect, TPngOptions Options) {
    if (!Png || Png->Empty())
        return;
    if (Options.Empty()) {
        Png->Draw(Canvas, Rect);
        return;
    }
    TPNGObject copy;
    copy.Assign(Png);
    if (Options.Contains(pngBlendOnDisabled))
        MakeImageBlended(&copy, 127);
    if (Options.Contains(pngGrayscaleOnDisabled))
        MakeImageGrayscale(&copy, 255);
    copy.Draw(Canvas, Rect);
}

// --- PNGs from other images ---

namespace {

// The pixels of a bitmap as 32-bit BGRA rows from the top, read through a version 4 header so that an icon's
// alpha channel comes along.
std::vector<uint32_t> ReadPixels32(HBITMAP Bitmap, int Width, int Height) {
    std::vector<uint32_t> pixels(size_t(Width) * Height);
    struct {
        BITMAPV4HEADER Header;
        RGBQUAD Colors[256];  // room for a colour table GetDIBits may write for small formats
    } info{};
    info.Header.bV4Size = sizeof(BITMAPV4HEADER);
    info.Header.bV4Width = Width;
    info.Header.bV4Height = -Height;
    info.Header.bV4Planes = 1;
    info.Header.bV4BitCount = 32;
    info.Header.bV4V4Compression = BI_BITFIELDS;
    info.Header.bV4RedMask = 0x00FF0000;
    info.Header.bV4GreenMask = 0x0000FF00;
    info.Header.bV4BlueMask = 0x000000FF;
    info.Header.bV4AlphaMask = 0xFF000000;
    BITMAP bm{};
    if (GetObject(Bitmap, sizeof bm, &bm) && bm.bmBitsPixel == 1) {
        // A mask has no alpha to keep, and 64-bit Wine converts a monochrome bitmap to black through the
        // bitfield header: the plain header reads it right everywhere.
        info.Header.bV4Size = sizeof(BITMAPINFOHEADER);
        info.Header.bV4V4Compression = BI_RGB;
    }
    HDC screen = GetDC(nullptr);
    int lines = GetDIBits(screen, Bitmap, 0, static_cast<UINT>(Height), pixels.data(),
                          reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (lines != Height)
        RaiseLastOSError("GetDIBits");
    return pixels;
}

TIconBitmaps IconBitmaps(HICON Icon) {
    ICONINFO ii{};
    if (!GetIconInfo(Icon, &ii))
        RaiseLastOSError("GetIconInfo");
    TIconBitmaps result;
    result.Color.reset(ii.hbmColor);
    result.Mask.reset(ii.hbmMask);
    BITMAP bm{};
    if (!GetObject(ii.hbmMask, sizeof bm, &bm))
        RaiseLastOSError("GetObject");
    result.Width = bm.bmWidth;
    // A monochrome icon keeps its AND mask above its picture in one bitmap of twice the height.
    result.Height = ii.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
    return result;
}

int BitsPerPixelOf(HBITMAP Bitmap) {
    BITMAP bm{};
    if (!GetObject(Bitmap, sizeof bm, &bm))
        RaiseLastOSError("GetObject");
    return bm.bmBitsPixel;
}

bool WindowsXPOrLater() {
    DWORD version = GetVersion();
    int major = LOBYTE(LOWORD(version)), minor = HIBYTE(LOWORD(version));
    return !(version & 0x80000000) && (major > 5 || (major == 5 && minor >= 1));
}

// The icon's colours (alpha 255) with its mask's transparency; with UseOwnAlpha its alpha channel instead,
// where it has one.
std::unique_ptr<TPNGObject> PngFromIcon(HICON Icon, bool UseOwnAlpha) {
    TIconBitmaps bitmaps = IconBitmaps(Icon);
    const int w = bitmaps.Width, h = bitmaps.Height;
    std::vector<uint32_t> mask = ReadPixels32(bitmaps.Mask.get(), w, bitmaps.Color ? h : 2 * h);
    std::vector<uint32_t> color =
        bitmaps.Color ? ReadPixels32(bitmaps.Color.get(), w, h)
                      : std::vector<uint32_t>(mask.begin() + ptrdiff_t(w) * h, mask.end());
    bool ownAlpha = false;
    if (UseOwnAlpha && bitmaps.Color && BitsPerPixelOf(bitmaps.Color.get()) == 32 && WindowsXPOrLater())
        ownAlpha = std::any_of(color.begin(), color.end(), [](uint32_t p) { return (p >> 24) != 0; });

    auto png = std::make_unique<TPNGObject>();
    png->CreateBlank(ctRGBAlpha, 8, w, h);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = png->Scanline(y);
        uint8_t* alpha = png->AlphaScanline(y);
        for (int x = 0; x < w; ++x) {
            uint32_t c = color[size_t(y) * w + x];
            row[3 * x] = uint8_t(c);
            row[3 * x + 1] = uint8_t(c >> 8);
            row[3 * x + 2] = uint8_t(c >> 16);
            if (ownAlpha)
                alpha[x] = uint8_t(c >> 24);
            else
                alpha[x] = (mask[size_t(y) * w + x] & 0xFFFFFF) == 0 ? 255 : 0;
        }
    }
    return png;
}

// Rows of a bitmap as 24-bit blue, green, red, read from a copy when it has another format.
class TBitmapRows {
public:
    explicit TBitmapRows(TBitmap* Bitmap) : FBitmap(Bitmap) {
        if (Bitmap->PixelFormat() != pf24bit) {
            FCopy.Assign(Bitmap);
            FCopy.SetPixelFormat(pf24bit);
            FBitmap = &FCopy;
        }
        GdiFlush();
    }
    const uint8_t* Row(int Y) { return static_cast<const uint8_t*>(FBitmap->ScanLine(Y)); }

private:
    TBitmap* FBitmap;
    TBitmap FCopy;
};

}  // namespace

std::unique_ptr<TPNGObject> ConvertToPNG(TGraphic* Source) {
    auto png = std::make_unique<TPNGObject>();
    if (!Source || Source->Empty())
        return png;
    if (auto* source = dynamic_cast<TPNGObject*>(Source)) {
        png->Assign(source);
    } else if (auto* bitmap = dynamic_cast<TBitmap*>(Source)) {
        png->Assign(bitmap);
        if (bitmap->Transparent()) {
            const TColor transparent = ColorToRGB(bitmap->TransparentColor());
            png->CreateAlpha();
            for (int y = 0; y < png->Height(); ++y) {
                uint8_t* alpha = png->AlphaScanline(y);
                for (int x = 0; x < png->Width(); ++x)
                    if (png->Pixels(x, y) == transparent)
                        alpha[x] = 0;
            }
        }
    } else if (auto* icon = dynamic_cast<TIcon*>(Source)) {
        png = PngFromIcon(icon->Handle(), true);
    } else {
        // Any other graphic (a JPEG, say) is drawn opaque on a bitmap of its size.
        TBitmap canvas;
        canvas.SetPixelFormat(pf24bit);
        canvas.SetSize(Source->Width(), Source->Height());
        canvas.Canvas()->Draw(0, 0, Source);
        png->Assign(&canvas);
    }
    return png;
}

std::unique_ptr<TPNGObject> CreatePNG(TBitmap* Color, TBitmap* Mask, bool InverseMask) {
    auto png = std::make_unique<TPNGObject>();
    if (!Color || Color->Empty())
        return png;
    png->Assign(Color);
    png->CreateAlpha();
    if (!Mask || Mask->Empty()) {
        for (int y = 0; y < png->Height(); ++y)
            std::fill_n(png->AlphaScanline(y), png->Width(), uint8_t(255));
        return png;
    }
    if (Mask->Width() < Color->Width() || Mask->Height() < Color->Height())
        throw EInvalidGraphicOperation(Format("A %d x %d mask cannot cover a %d x %d image", Mask->Width(),
                                              Mask->Height(), Color->Width(), Color->Height()));
    TBitmapRows mask(Mask);
    for (int y = 0; y < png->Height(); ++y) {
        const uint8_t* m = mask.Row(y);
        uint8_t* alpha = png->AlphaScanline(y);
        for (int x = 0; x < png->Width(); ++x) {
            uint8_t red = m[3 * x + 2];
            alpha[x] = InverseMask ? uint8_t(255 - red) : red;
        }
    }
    return png;
}

std::unique_ptr<TPNGObject> CreatePNGMasked(TBitmap* Bitmap, TColor TransparentColor) {
    auto png = std::make_unique<TPNGObject>();
    if (!Bitmap || Bitmap->Empty())
        return png;
    png->Assign(Bitmap);
    png->CreateAlpha();
    // As for any image list: clDefault is the bottom-left pixel's colour, clNone leaves every pixel opaque.
    if (TransparentColor == clDefault)
        TransparentColor = png->Pixels(0, png->Height() - 1);
    const bool none = TransparentColor == clNone;
    TransparentColor = none ? clNone : ColorToRGB(TransparentColor);
    for (int y = 0; y < png->Height(); ++y) {
        uint8_t* alpha = png->AlphaScanline(y);
        for (int x = 0; x < png->Width(); ++x)
            alpha[x] = !none && png->Pixels(x, y) == TransparentColor ? 0 : 255;
    }
    return png;
}

void CopyImageFromImageList(TPNGObject* Dest, TCustomImageList* ImageList, int Index) {
    if (!Dest || !ImageList)
        return;
    if (auto* pngList = dynamic_cast<TPngImageList*>(ImageList)) {
        if (Index >= 0 && Index < pngList->PngImages()->Count())
            Dest->Assign(pngList->PngImages()->Items(Index)->PngImage());
        return;
    }
    if (Index < 0 || Index >= ImageList->Count())
        return;
    TIconHandle icon(ImageList_GetIcon(ImageList->Handle(), Index, ILD_NORMAL));
    if (!icon)
        RaiseLastOSError("ImageList_GetIcon");
    // From a plain list the alpha comes from the mask alone.
    auto png = PngFromIcon(icon.get(), false);
    Dest->Assign(png.get());
}
