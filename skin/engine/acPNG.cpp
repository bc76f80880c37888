#include "acPNG.h"

#include "sGraphUtils.h"

#include "classlib/runtime/Streams.h"
#include "classlib/runtime/SysUtils.h"

#include <png.h>

#include <algorithm>
#include <cstring>

namespace {

const uint8_t PngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t BigEndian32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

[[noreturn]] void BadPng(const std::string& why) { throw EInvalidGraphic("Cannot read the PNG image: " + why); }

// Reads the chunks of one PNG file whose signature was read already, up to its end chunk, so that whatever follows
// it in the stream stays unread. A chunk longer than what is left of the stream is not allocated for.
std::vector<uint8_t> ReadPngFile(TStream* Stream) {
    std::vector<uint8_t> file(std::begin(PngSignature), std::end(PngSignature));
    long long left = Stream->Size() - Stream->Position();
    auto take = [&](size_t count) {
        if (static_cast<long long>(count) > left)
            BadPng("the data ends too early");
        size_t at = file.size();
        file.resize(at + count);
        Stream->ReadBuffer(file.data() + at, static_cast<long>(count));
        left -= static_cast<long long>(count);
        return file.data() + at;
    };
    for (;;) {
        const uint8_t* head = take(8);
        uint32_t length = BigEndian32(head);
        bool end = std::memcmp(head + 4, "IEND", 4) == 0;
        if (length > 0x7FFFFFFFu)
            BadPng("a chunk is longer than PNG allows");
        take(static_cast<size_t>(length) + 4);
        if (end)
            return file;
    }
}

// The pixel-format settings of the 8-bit grey bitmaps through which an alpha channel is stretched.
std::unique_ptr<TBitmap> CreateGreyBmp(int Width, int Height) {
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetHandleType(bmDIB);
    bmp->SetPixelFormat(pf8bit);
    std::vector<uint8_t> buffer(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY));
    auto* palette = reinterpret_cast<LOGPALETTE*>(buffer.data());
    palette->palVersion = 0x300;
    palette->palNumEntries = 256;
    for (int i = 0; i < 256; ++i)
        palette->palPalEntry[i] = PALETTEENTRY{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
    HPALETTE handle = CreatePalette(palette);
    if (!handle)
        RaiseLastOSError("CreatePalette");
    bmp->SetPalette(handle);
    bmp->SetSize(Width, Height);
    return bmp;
}

// Stretches all of Src over all of Dst with halftoning, which averages the source pixels under each target pixel.
void HalftoneStretch(TBitmap* Dst, TBitmap* Src) {
    HDC dc = Dst->Canvas()->Handle();
    int oldMode = SetStretchBltMode(dc, HALFTONE);
    POINT oldOrigin;
    SetBrushOrgEx(dc, 0, 0, &oldOrigin);
    BOOL done = StretchBlt(dc, 0, 0, Dst->Width(), Dst->Height(), Src->Canvas()->Handle(), 0, 0, Src->Width(),
                           Src->Height(), SRCCOPY);
    SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
    SetStretchBltMode(dc, oldMode);
    if (!done)
        RaiseLastOSError("StretchBlt");
    GdiFlush();
}

}  // namespace

// --- TColorManager ---

TPNGImageInfo TColorManager::ReadInfo(const std::vector<uint8_t>& File) {
    // Signature, then the header chunk: length, "IHDR" and its 13 bytes.
    if (File.size() < 33 || std::memcmp(File.data(), PngSignature, 8) != 0)
        BadPng("it is not a PNG file");
    const uint8_t* chunk = File.data() + 8;
    if (BigEndian32(chunk) != 13 || std::memcmp(chunk + 4, "IHDR", 4) != 0)
        BadPng("the file does not start with its header");
    const uint8_t* h = chunk + 8;
    TPNGImageInfo info;
    info.Width = static_cast<int>(std::min<uint32_t>(BigEndian32(h), 0x7FFFFFFF));
    info.Height = static_cast<int>(std::min<uint32_t>(BigEndian32(h + 4), 0x7FFFFFFF));
    info.BitDepth = h[8];
    info.ColorType = h[9];
    info.CompressionMethod = h[10];
    info.FilterMethod = h[11];
    info.InterlaceMethod = h[12];
    return info;
}

std::unique_ptr<TBitmap> TColorManager::Decode(const std::vector<uint8_t>& File) {
    TPNGImageInfo info = ReadInfo(File);
    if (info.Width < 1 || info.Height < 1 || info.Width > MaxDimension || info.Height > MaxDimension ||
        static_cast<long long>(info.Width) * info.Height > MaxPixels)
        BadPng(Format("an image of %d x %d pixels is beyond what is supported", info.Width, info.Height));

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    // The decoder's own state goes on every path, also when it stopped at an error.
    struct TImageGuard {
        png_image* Image;
        ~TImageGuard() { png_image_free(Image); }
    } guard{&image};
    if (!png_image_begin_read_from_memory(&image, File.data(), File.size()))
        BadPng(image.message);
    if (static_cast<int>(image.width) != info.Width || static_cast<int>(image.height) != info.Height)
        BadPng("the header cannot be read");
    image.format = PNG_FORMAT_BGRA;

    auto bmp = CreateBmp32(info.Width, info.Height);
    // The bitmap's rows may run bottom-up in memory: libpng takes a negative step from the bottom row then.
    auto* top = static_cast<uint8_t*>(bmp->ScanLine(0));
    auto* bottom = static_cast<uint8_t*>(bmp->ScanLine(info.Height - 1));
    int stride = info.Width * 4;
    bool bottomUp = bottom < top;
    if (!png_image_finish_read(&image, nullptr, bottomUp ? bottom : top, bottomUp ? -stride : stride, nullptr))
        BadPng(image.message);
    return bmp;
}

// --- TPNGGraphic ---

TPNGGraphic::TPNGGraphic() : FColorManager(std::make_unique<TColorManager>()) {}

TPNGGraphic::~TPNGGraphic() = default;

void TPNGGraphic::Assign(TPersistent* Source) {
    if (auto* png = dynamic_cast<TPNGGraphic*>(Source))
        FImageInfo = png->FImageInfo;
    TBitmap::Assign(Source);
}

void TPNGGraphic::LoadFromStream(TStream* Stream) {
    long long start = Stream->Position();
    uint8_t signature[8] = {};
    long got = Stream->Read(signature, 8);
    if (got >= 2 && signature[0] == 'B' && signature[1] == 'M') {
        Stream->SetPosition(start);
        TBitmap::LoadFromStream(Stream);
        FImageInfo = TPNGImageInfo();
        return;
    }
    if (got != 8 || std::memcmp(signature, PngSignature, 8) != 0) {
        Stream->SetPosition(start);
        BadPng("it is not a PNG file");
    }
    try {
        std::vector<uint8_t> file = ReadPngFile(Stream);
        TPNGImageInfo info = TColorManager::ReadInfo(file);
        std::unique_ptr<TBitmap> pixels = FColorManager->Decode(file);
        SetHandle(pixels->ReleaseHandle());
        FImageInfo = info;
    } catch (...) {
        Stream->SetPosition(start);
        throw;
    }
}

void TPNGGraphic::Draw(TCanvas* ACanvas, const TRect& Rect) {
    if (Empty() || PixelFormat() != pf32bit) {
        TBitmap::Draw(ACanvas, Rect);
        return;
    }
    int w = Rect.Width(), h = Rect.Height();
    if (w <= 0 || h <= 0)
        return;
    // The blending needs 32-bit pixels on both sides, so the picture under Rect is taken as 32 bits.
    auto work = CreateBmp32(w, h);
    HDC dc = ACanvas->Handle();
    ACanvas->Changing();
    if (!BitBlt(work->Canvas()->Handle(), 0, 0, w, h, dc, Rect.left, Rect.top, SRCCOPY))
        RaiseLastOSError("BitBlt");
    GdiFlush();
    if (w == Width() && h == Height()) {
        DrawAlphaBmp32(work.get(), 0, 0, this, TRect(0, 0, w, h));
    } else {
        // Halftoning leaves the alpha byte of a 32-bit target at 0, so the alpha is stretched on its own, as grey.
        auto scaled = CreateBmp32(w, h);
        HalftoneStretch(scaled.get(), this);
        auto alpha = CreateGreyBmp(Width(), Height());
        CopyChannel(this, alpha.get(), 3, true);
        auto scaledAlpha = CreateGreyBmp(w, h);
        HalftoneStretch(scaledAlpha.get(), alpha.get());
        CopyChannel(scaled.get(), scaledAlpha.get(), 3, false);
        DrawAlphaBmp32(work.get(), 0, 0, scaled.get(), TRect(0, 0, w, h));
    }
    GdiFlush();
    BOOL done = BitBlt(dc, Rect.left, Rect.top, w, h, work->Canvas()->Handle(), 0, 0, SRCCOPY);
    ACanvas->Changed();
    if (!done)
        RaiseLastOSError("BitBlt");
}

HICON MakeIcon(TPNGGraphic* Graphic) {
    if (!Graphic || Graphic->Empty())
        return nullptr;
    HBITMAP mask = CreateBitmap(Graphic->Width(), Graphic->Height(), 1, 1, nullptr);
    if (!mask)
        return nullptr;
    // A black mask lets the colour bitmap's alpha alone say what shows.
    std::vector<uint8_t> black(static_cast<size_t>((Graphic->Width() + 15) / 16 * 2) * Graphic->Height(), 0);
    SetBitmapBits(mask, static_cast<LONG>(black.size()), black.data());
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmMask = mask;
    info.hbmColor = Graphic->Handle();
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(mask);
    return icon;
}

// --- start-up ---

namespace {

// The picture class reads "png" files through TPNGGraphic while the program runs.
struct TPNGGraphicRegistration {
    TPNGGraphicRegistration() {
        TPicture::RegisterFileFormat("png", "Portable network graphic (Quorvex)", GraphicClassOf<TPNGGraphic>());
    }
    ~TPNGGraphicRegistration() { TPicture::UnregisterGraphicClass(GraphicClassOf<TPNGGraphic>()); }
};
}  // namespace

void RegisterPNGGraphicClass() {
    static const TPNGGraphicRegistration registration;
    (void)registration;
}

namespace {

const bool PNGGraphicRegistered = (RegisterPNGGraphicClass(), true);

}  // namespace
