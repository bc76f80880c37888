#include "PngImage.h"

#include "classlib/runtime/Streams.h"
#include "pngctl/GdiHandles.h"

#include <png.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <exception>

// libpng reports a failure by calling our error function, which must not return: it jumps back to
// the setjmp in Protected(). Everything between those two points is libpng's C code and our small
// callbacks, none of which holds a C++ object that needs destroying, so the jump skips no destructor.
// C++ work (allocation, streams that may throw) happens only outside Protected().

namespace {

std::atomic<long> GLiveAllocations{0};

png_voidp PNGCBAPI Allocate(png_structp, png_alloc_size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (p)
        ++GLiveAllocations;
    return p;  // nil makes libpng raise its own "Out of Memory" error
}

void PNGCBAPI Release(png_structp, png_voidp p) {
    if (p) {
        --GLiveAllocations;
        std::free(p);
    }
}

const char* const kTruncated = "the data ends before the image does";
const char* const kStreamFailed = "the stream failed";

// What a failure left behind; lives in a frame the jump never skips.
struct TCodecContext {
    TStream* Stream = nullptr;
    char Message[256] = {};
    char Warning[128] = {};
    std::exception_ptr StreamError;
};

void PNGCBAPI OnError(png_structp png, png_const_charp message) {
    auto* context = static_cast<TCodecContext*>(png_get_error_ptr(png));
    if (context->Message[0] == 0) {
        std::strncpy(context->Message, message ? message : "unknown error", sizeof context->Message - 1);
        // libpng names what is wrong with a header in a warning just before it gives up on it.
        if (std::strcmp(context->Message, "Invalid IHDR data") == 0 && context->Warning[0]) {
            std::strncat(context->Message, ": ", sizeof context->Message - std::strlen(context->Message) - 1);
            std::strncat(context->Message, context->Warning,
                         sizeof context->Message - std::strlen(context->Message) - 1);
        }
    }
    png_longjmp(png, 1);
}

// Otherwise a warning means libpng skipped or corrected something that does not change the pixels
// (an ancillary chunk it could not use, a duplicate chunk): the image is still sound.
void PNGCBAPI OnWarning(png_structp png, png_const_charp message) {
    auto* context = static_cast<TCodecContext*>(png_get_error_ptr(png));
    if (message)
        std::strncpy(context->Warning, message, sizeof context->Warning - 1);
}

long ReadSome(TCodecContext* context, png_bytep data, size_t length) noexcept {
    try {
        return context->Stream->Read(data, static_cast<long>(std::min<size_t>(length, 1u << 30)));
    } catch (...) {
        context->StreamError = std::current_exception();
        return -1;
    }
}

void PNGCBAPI ReadData(png_structp png, png_bytep data, size_t length) {
    auto* context = static_cast<TCodecContext*>(png_get_io_ptr(png));
    size_t done = 0;
    while (done < length) {
        long got = ReadSome(context, data + done, length - done);
        if (got <= 0)
            break;
        done += static_cast<size_t>(got);
    }
    if (done != length)
        png_error(png, context->StreamError ? kStreamFailed : kTruncated);
}

bool WriteAll(TCodecContext* context, png_bytep data, size_t length) noexcept {
    try {
        while (length > 0) {
            long n = static_cast<long>(std::min<size_t>(length, 1u << 30));
            context->Stream->WriteBuffer(data, n);
            data += n;
            length -= static_cast<size_t>(n);
        }
        return true;
    } catch (...) {
        context->StreamError = std::current_exception();
        return false;
    }
}

void PNGCBAPI WriteData(png_structp png, png_bytep data, size_t length) {
    if (!WriteAll(static_cast<TCodecContext*>(png_get_io_ptr(png)), data, length))
        png_error(png, kStreamFailed);
}

void PNGCBAPI FlushData(png_structp) {}

using TStep = void (*)(png_structp png, png_infop info, void* arg);

// Runs one step of libpng work; false when libpng reported an error (the message is in the context).
__attribute__((noinline)) bool Protected(png_structp png, png_infop info, TStep step, void* arg) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    step(png, info, arg);
    return true;
}

// Ancillary chunks libpng knows are kept as raw bytes like the ones it does not: the pixels never
// depend on them and saving then writes back what the file had. tRNS is left to libpng, which
// needs it to tell the transparency.
const png_byte kKeptKnownChunks[] = "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0"
                                    "sBIT\0sCAL\0sPLT\0sRGB\0tEXt\0tIME\0zTXt";
constexpr int kKeptKnownChunkCount = 17;

int PackedRowBytes(int width, int bitsPerPixel) {
    return static_cast<int>((static_cast<long long>(width) * bitsPerPixel + 7) / 8);
}

int BitsPerPixel(int colorType, int bitDepth) {
    return colorType == ctRGB || colorType == ctRGBAlpha ? 24 : bitDepth;  // alpha lives apart
}

bool ValidDepth(int colorType, int bitDepth) {
    switch (colorType) {
        case ctGrayscale:
        case ctPalette:
            return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8;
        case ctRGB:
        case ctGrayscaleAlpha:
        case ctRGBAlpha:
            return bitDepth == 8;
        default:
            return false;
    }
}

uint8_t ScaleToByte(unsigned value, int bitDepth) { return static_cast<uint8_t>(value * 255 / ((1u << bitDepth) - 1)); }

// The grey value of a colour in integers: (30 R + 59 G + 11 B) / 100, halves to even.
uint8_t GrayOf(TColor color) {
    unsigned x = 30 * GetRValue(color) + 59 * GetGValue(color) + 11 * GetBValue(color);
    unsigned q = x / 100, r = x % 100;
    if (r > 50 || (r == 50 && (q & 1)))
        ++q;
    return static_cast<uint8_t>(q);
}

TChunk::TLocation LocationOf(png_byte location) {
    if (location & PNG_AFTER_IDAT)
        return TChunk::clAfterData;
    if (location & PNG_HAVE_PLTE)
        return TChunk::clBeforeData;
    return TChunk::clBeforePalette;
}

png_byte PngLocationOf(TChunk::TLocation location) {
    switch (location) {
        case TChunk::clBeforePalette:
            return PNG_HAVE_IHDR;
        case TChunk::clBeforeData:
            return PNG_HAVE_PLTE;
        default:
            return PNG_AFTER_IDAT;
    }
}

std::unique_ptr<TChunk> MakeChunk(const std::string& name, std::vector<uint8_t> data, TChunk::TLocation location) {
    if (name == "gAMA")
        return std::make_unique<TChunkgAMA>(name, std::move(data), location);
    return std::make_unique<TChunk>(name, std::move(data), location);
}

}  // namespace

unsigned TChunkgAMA::Gamma() const {
    const auto& d = Data();
    if (d.size() < 4)
        return 0;
    return (unsigned(d[0]) << 24) | (unsigned(d[1]) << 16) | (unsigned(d[2]) << 8) | d[3];
}

// --- reading ---

// The libpng objects of one read, destroyed whatever happens.
struct TPNGReader {
    TCodecContext Context;
    png_structp Png = nullptr;
    png_infop Info = nullptr;

    // What the header step learnt.
    png_uint_32 Width = 0, Height = 0;
    int FileDepth = 0, FileColorType = 0, Interlace = 0;
    int ColorType = 0, BitDepth = 0;  // after the transforms
    size_t RowBytes = 0;
    bool TransToAlpha = false;
    png_bytep* Rows = nullptr;

    explicit TPNGReader(TStream* stream) {
        Context.Stream = stream;
        Png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &Context, OnError, OnWarning, nullptr, Allocate,
                                       Release);
        if (Png)
            Info = png_create_info_struct(Png);
        if (!Png || !Info) {
            png_destroy_read_struct(&Png, &Info, nullptr);
            throw EOutOfResources("Not enough memory to read a PNG image");
        }
        png_set_read_fn(Png, &Context, ReadData);
        png_set_user_limits(Png, TPNGObject::MaxDimension, TPNGObject::MaxDimension);
        // A damaged checksum means damaged data, in any chunk: refuse the file rather than guess.
        png_set_crc_action(Png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
        png_set_keep_unknown_chunks(Png, PNG_HANDLE_CHUNK_ALWAYS, nullptr, 0);
        png_set_keep_unknown_chunks(Png, PNG_HANDLE_CHUNK_ALWAYS, kKeptKnownChunks, kKeptKnownChunkCount);
    }
    ~TPNGReader() { png_destroy_read_struct(&Png, &Info, nullptr); }
    TPNGReader(const TPNGReader&) = delete;
    TPNGReader& operator=(const TPNGReader&) = delete;

    static void ReadHeader(png_structp png, png_infop info, void* arg) {
        auto* r = static_cast<TPNGReader*>(arg);
        png_read_info(png, info);
        png_get_IHDR(png, info, &r->Width, &r->Height, &r->FileDepth, &r->FileColorType, &r->Interlace, nullptr,
                     nullptr);
        bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
        if (r->FileDepth == 16) {
            // Reducing to 8 bits could merge the transparent colour with its neighbours: make it alpha first.
            if (hasTrns && (r->FileColorType == PNG_COLOR_TYPE_GRAY || r->FileColorType == PNG_COLOR_TYPE_RGB)) {
                png_set_tRNS_to_alpha(png);
                r->TransToAlpha = true;
            }
            png_set_scale_16(png);
        }
        if (r->FileColorType & PNG_COLOR_MASK_COLOR && r->FileColorType != PNG_COLOR_TYPE_PALETTE)
            png_set_bgr(png);
        if (r->Interlace != PNG_INTERLACE_NONE)
            png_set_interlace_handling(png);
        png_read_update_info(png, info);
        r->ColorType = png_get_color_type(png, info);
        r->BitDepth = png_get_bit_depth(png, info);
        r->RowBytes = png_get_rowbytes(png, info);
    }

    static void ReadImage(png_structp png, png_infop info, void* arg) {
        auto* r = static_cast<TPNGReader*>(arg);
        png_read_image(png, r->Rows);
        png_read_end(png, info);
    }

    [[noreturn]] void Fail() {
        if (Context.StreamError)
            std::rethrow_exception(Context.StreamError);
        throw EInvalidGraphic(Format("Cannot read the PNG image: %s", Context.Message));
    }
};

void TPNGObject::LoadFromStream(TStream* Stream) {
    TPNGReader r(Stream);
    if (!Protected(r.Png, r.Info, TPNGReader::ReadHeader, &r))
        r.Fail();
    if (static_cast<long long>(r.Width) * r.Height > MaxPixels)
        throw EInvalidGraphic(Format("The PNG image is too large to load: %u x %u pixels", unsigned(r.Width),
                                     unsigned(r.Height)));
    if (!ValidDepth(r.ColorType, r.BitDepth))  // the transforms above leave no other kind
        throw EInvalidGraphic(Format("Cannot read the PNG image: colour type %d at %d bits is not supported",
                                     r.ColorType, r.BitDepth));

    std::vector<uint8_t> raw(r.RowBytes * r.Height);
    std::vector<png_bytep> rows(r.Height);
    for (png_uint_32 y = 0; y < r.Height; ++y)
        rows[y] = raw.data() + y * r.RowBytes;
    r.Rows = rows.data();
    if (!Protected(r.Png, r.Info, TPNGReader::ReadImage, &r))
        r.Fail();

    // Everything is read: only now is the old image replaced.
    TPNGObject image;
    image.FWidth = static_cast<int>(r.Width);
    image.FHeight = static_cast<int>(r.Height);
    image.FColorType = r.ColorType;
    image.FBitDepth = r.BitDepth;
    image.FInterlaced = r.Interlace != PNG_INTERLACE_NONE;
    image.FRowBytes = PackedRowBytes(image.FWidth, BitsPerPixel(r.ColorType, r.BitDepth));
    const size_t pixels = size_t(r.Width) * r.Height;
    if (r.ColorType == ctGrayscaleAlpha || r.ColorType == ctRGBAlpha) {
        const int colour = r.ColorType == ctRGBAlpha ? 3 : 1;
        image.FData.resize(pixels * colour);
        image.FAlpha.resize(pixels);
        uint8_t* c = image.FData.data();
        uint8_t* a = image.FAlpha.data();
        for (png_uint_32 y = 0; y < r.Height; ++y) {
            const uint8_t* s = rows[y];
            for (png_uint_32 x = 0; x < r.Width; ++x) {
                for (int k = 0; k < colour; ++k)
                    *c++ = *s++;
                *a++ = *s++;
            }
        }
    } else {
        image.FData.resize(size_t(image.FRowBytes) * r.Height);
        for (png_uint_32 y = 0; y < r.Height; ++y)
            std::memcpy(image.FData.data() + size_t(y) * image.FRowBytes, rows[y], size_t(image.FRowBytes));
    }

    if (r.ColorType == ctPalette) {
        png_colorp palette = nullptr;
        int count = 0;
        if (png_get_PLTE(r.Png, r.Info, &palette, &count) != 0) {
            for (int i = 0; i < count; ++i)
                image.FPalette.push_back(PALETTEENTRY{palette[i].red, palette[i].green, palette[i].blue, 0});
        }
    }
    if (!r.TransToAlpha && png_get_valid(r.Png, r.Info, PNG_INFO_tRNS)) {
        png_bytep alpha = nullptr;
        int count = 0;
        png_color_16p value = nullptr;
        png_get_tRNS(r.Png, r.Info, &alpha, &count, &value);
        if (r.ColorType == ctPalette && alpha) {
            image.FPaletteAlpha.assign(alpha, alpha + count);
        } else if (value && r.ColorType == ctGrayscale) {
            image.FHasTransparentValue = true;
            image.FTransparentGray = value->gray & ((1u << r.BitDepth) - 1);
        } else if (value && r.ColorType == ctRGB) {
            image.FHasTransparentValue = true;
            image.FTransparentRGB[0] = static_cast<uint8_t>(value->red);
            image.FTransparentRGB[1] = static_cast<uint8_t>(value->green);
            image.FTransparentRGB[2] = static_cast<uint8_t>(value->blue);
        }
    }
    png_unknown_chunkp unknowns = nullptr;
    int unknownCount = png_get_unknown_chunks(r.Png, r.Info, &unknowns);
    for (int i = 0; i < unknownCount; ++i) {
        const png_unknown_chunk& u = unknowns[i];
        image.FChunks.push_back(MakeChunk(std::string(reinterpret_cast<const char*>(u.name), 4),
                                          std::vector<uint8_t>(u.data, u.data + u.size), LocationOf(u.location)));
    }

    CopyFrom(image);
    Changed();
}

// --- writing ---

struct TPNGWriter {
    TCodecContext Context;
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    const TPNGObject* Image = nullptr;
    png_bytep* Rows = nullptr;
    std::vector<png_color> Palette;
    std::vector<png_unknown_chunk> Unknowns;

    explicit TPNGWriter(TStream* stream, const TPNGObject* image) : Image(image) {
        Context.Stream = stream;
        Png = png_create_write_struct_2(PNG_LIBPNG_VER_STRING, &Context, OnError, OnWarning, nullptr, Allocate,
                                        Release);
        if (Png)
            Info = png_create_info_struct(Png);
        if (!Png || !Info) {
            png_destroy_write_struct(&Png, &Info);
            throw EOutOfResources("Not enough memory to write a PNG image");
        }
        png_set_write_fn(Png, &Context, WriteData, FlushData);
        // The kept chunks are written whatever libpng thinks of copying unknown chunks.
        png_set_keep_unknown_chunks(Png, PNG_HANDLE_CHUNK_ALWAYS, nullptr, 0);
        png_set_keep_unknown_chunks(Png, PNG_HANDLE_CHUNK_ALWAYS, kKeptKnownChunks, kKeptKnownChunkCount);
    }
    ~TPNGWriter() { png_destroy_write_struct(&Png, &Info); }
    TPNGWriter(const TPNGWriter&) = delete;
    TPNGWriter& operator=(const TPNGWriter&) = delete;

    static void Write(png_structp png, png_infop info, void* arg) {
        auto* w = static_cast<TPNGWriter*>(arg);
        const TPNGObject& im = *w->Image;
        png_set_IHDR(png, info, png_uint_32(im.FWidth), png_uint_32(im.FHeight), im.FBitDepth, im.FColorType,
                     im.FInterlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        if (im.FColorType == ctPalette)
            png_set_PLTE(png, info, w->Palette.data(), static_cast<int>(w->Palette.size()));
        if (im.FColorType == ctPalette && !im.FPaletteAlpha.empty()) {
            png_set_tRNS(png, info, im.FPaletteAlpha.data(),
                         std::min<int>(static_cast<int>(im.FPaletteAlpha.size()), static_cast<int>(w->Palette.size())),
                         nullptr);
        } else if (im.FHasTransparentValue) {
            png_color_16 value{};
            value.gray = static_cast<png_uint_16>(im.FTransparentGray);
            value.red = im.FTransparentRGB[0];
            value.green = im.FTransparentRGB[1];
            value.blue = im.FTransparentRGB[2];
            png_set_tRNS(png, info, nullptr, 0, &value);
        }
        if (!w->Unknowns.empty()) {
            png_set_unknown_chunks(png, info, w->Unknowns.data(), static_cast<int>(w->Unknowns.size()));
            // png_set_unknown_chunks guesses the locations; put back the ones the chunks had.
            for (size_t i = 0; i < w->Unknowns.size(); ++i)
                png_set_unknown_chunk_location(png, info, static_cast<int>(i), w->Unknowns[i].location);
        }
        if (im.FColorType == ctRGB || im.FColorType == ctRGBAlpha)
            png_set_bgr(png);
        png_write_info(png, info);
        if (im.FInterlaced)
            png_set_interlace_handling(png);
        png_write_image(png, w->Rows);
        png_write_end(png, info);
    }
};

void TPNGObject::SaveToStream(TStream* Stream) {
    if (Empty())
        throw EInvalidGraphicOperation("An empty PNG image cannot be saved");
    TPNGWriter w(Stream, this);
    for (const PALETTEENTRY& e : FPalette)
        w.Palette.push_back(png_color{e.peRed, e.peGreen, e.peBlue});
    for (const auto& c : FChunks) {
        png_unknown_chunk u{};
        std::memcpy(u.name, c->Name().c_str(), 4);
        u.data = const_cast<png_bytep>(c->Data().data());
        u.size = c->Data().size();
        u.location = PngLocationOf(c->Location());
        w.Unknowns.push_back(u);
    }

    // Alpha goes back between the colour samples, as the file keeps it.
    std::vector<uint8_t> interleaved;
    std::vector<png_bytep> rows(FHeight);
    if (!FAlpha.empty()) {
        const int colour = FColorType == ctRGBAlpha ? 3 : 1;
        const size_t rowBytes = size_t(FWidth) * (colour + 1);
        interleaved.resize(rowBytes * FHeight);
        const uint8_t* c = FData.data();
        const uint8_t* a = FAlpha.data();
        uint8_t* d = interleaved.data();
        for (size_t i = 0, n = size_t(FWidth) * FHeight; i < n; ++i) {
            for (int k = 0; k < colour; ++k)
                *d++ = *c++;
            *d++ = *a++;
        }
        for (int y = 0; y < FHeight; ++y)
            rows[y] = interleaved.data() + y * rowBytes;
    } else {
        for (int y = 0; y < FHeight; ++y)
            rows[y] = FData.data() + size_t(y) * FRowBytes;
    }
    w.Rows = rows.data();
    if (!Protected(w.Png, w.Info, TPNGWriter::Write, &w)) {
        if (w.Context.StreamError)
            std::rethrow_exception(w.Context.StreamError);
        throw EInvalidGraphicOperation(Format("Cannot write the PNG image: %s", w.Context.Message));
    }
}

long TPNGObject::LiveCodecAllocations() { return GLiveAllocations.load(); }

// --- the image ---

TPNGObject::TPNGObject() = default;
TPNGObject::~TPNGObject() = default;

void TPNGObject::Clear() {
    FWidth = FHeight = 0;
    FColorType = ctRGB;
    FBitDepth = 8;
    FInterlaced = false;
    FRowBytes = 0;
    FData.clear();
    FAlpha.clear();
    FPalette.clear();
    FPaletteAlpha.clear();
    FHasTransparentValue = false;
    FTransparentGray = 0;
    std::fill(std::begin(FTransparentRGB), std::end(FTransparentRGB), 0);
    FChunks.clear();
}

void TPNGObject::CopyFrom(const TPNGObject& s) {
    std::vector<std::unique_ptr<TChunk>> chunks;
    for (const auto& c : s.FChunks)
        chunks.push_back(c->Clone());
    FData = s.FData;
    FAlpha = s.FAlpha;
    FPalette = s.FPalette;
    FPaletteAlpha = s.FPaletteAlpha;
    FChunks = std::move(chunks);
    FWidth = s.FWidth;
    FHeight = s.FHeight;
    FColorType = s.FColorType;
    FBitDepth = s.FBitDepth;
    FInterlaced = s.FInterlaced;
    FRowBytes = s.FRowBytes;
    FHasTransparentValue = s.FHasTransparentValue;
    FTransparentGray = s.FTransparentGray;
    std::copy(std::begin(s.FTransparentRGB), std::end(s.FTransparentRGB), FTransparentRGB);
}

void TPNGObject::Assign(TPersistent* Source) {
    if (!Source) {
        Clear();
        Changed();
        return;
    }
    if (auto* png = dynamic_cast<TPNGObject*>(Source)) {
        if (png != this) {
            CopyFrom(*png);
            Changed();
        }
        return;
    }
    if (auto* bitmap = dynamic_cast<TBitmap*>(Source)) {
        AssignBitmap(bitmap);
        return;
    }
    TGraphic::Assign(Source);
}

void TPNGObject::AssignBitmap(TBitmap* Bitmap) {
    if (Bitmap->Empty()) {
        Clear();
        Changed();
        return;
    }
    // Rows are read from a 24-bit copy unless the bitmap has 24 or 32 bits already.
    TBitmap copy;
    TBitmap* source = Bitmap;
    TPixelFormat format = Bitmap->PixelFormat();
    if (format != pf24bit && format != pf32bit) {
        copy.Assign(Bitmap);
        copy.SetPixelFormat(pf24bit);
        source = &copy;
        format = pf24bit;
    }
    const int step = format == pf32bit ? 4 : 3;
    TPNGObject image;
    image.CreateBlank(ctRGB, 8, Bitmap->Width(), Bitmap->Height());
    GdiFlush();
    for (int y = 0; y < image.FHeight; ++y) {
        const auto* s = static_cast<const uint8_t*>(source->ScanLine(y));
        uint8_t* d = image.Scanline(y);
        for (int x = 0; x < image.FWidth; ++x, s += step, d += 3) {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
        }
    }
    CopyFrom(image);
    Changed();
}

void TPNGObject::CreateBlank(int ColorType, int BitDepth, int AWidth, int AHeight) {
    if (!ValidDepth(ColorType, BitDepth))
        throw EInvalidGraphicOperation(
            Format("A PNG image of colour type %d cannot have %d bits per sample", ColorType, BitDepth));
    if (AWidth <= 0 || AHeight <= 0 || AWidth > MaxDimension || AHeight > MaxDimension ||
        static_cast<long long>(AWidth) * AHeight > MaxPixels)
        throw EInvalidGraphicOperation(Format("A PNG image cannot be %d x %d pixels", AWidth, AHeight));
    Clear();
    FColorType = ColorType;
    FBitDepth = BitDepth;
    FWidth = AWidth;
    FHeight = AHeight;
    FRowBytes = PackedRowBytes(AWidth, BitsPerPixel(ColorType, BitDepth));
    FData.assign(size_t(FRowBytes) * AHeight, 0);
    if (ColorType == ctGrayscaleAlpha || ColorType == ctRGBAlpha)
        FAlpha.assign(size_t(AWidth) * AHeight, 0);
    if (ColorType == ctPalette)
        FPalette.push_back(PALETTEENTRY{0, 0, 0, 0});
    Changed();
}

void TPNGObject::SetWidth(int) { throw EInvalidGraphicOperation("The size of a PNG image cannot be changed"); }
void TPNGObject::SetHeight(int) { throw EInvalidGraphicOperation("The size of a PNG image cannot be changed"); }

void TPNGObject::CheckRow(int Row) const {
    if (Row < 0 || Row >= FHeight)
        throw EInvalidGraphicOperation(Format("Row %d lies outside the PNG image (height %d)", Row, FHeight));
}

void TPNGObject::CheckPixel(int X, int Y) const {
    if (X < 0 || X >= FWidth || Y < 0 || Y >= FHeight)
        throw EInvalidGraphicOperation(
            Format("Pixel (%d, %d) lies outside the PNG image (%d x %d)", X, Y, FWidth, FHeight));
}

uint8_t* TPNGObject::Scanline(int Row) {
    CheckRow(Row);
    return FData.data() + size_t(Row) * FRowBytes;
}

const uint8_t* TPNGObject::Scanline(int Row) const {
    CheckRow(Row);
    return FData.data() + size_t(Row) * FRowBytes;
}

uint8_t* TPNGObject::AlphaScanline(int Row) {
    CheckRow(Row);
    return FAlpha.empty() ? nullptr : FAlpha.data() + size_t(Row) * FWidth;
}

const uint8_t* TPNGObject::AlphaScanline(int Row) const {
    CheckRow(Row);
    return FAlpha.empty() ? nullptr : FAlpha.data() + size_t(Row) * FWidth;
}

unsigned TPNGObject::Sample(int X, int Y) const {
    const uint8_t* row = FData.data() + size_t(Y) * FRowBytes;
    if (FBitDepth == 8)
        return row[X];
    const int bit = X * FBitDepth;
    const int shift = 8 - FBitDepth - bit % 8;
    return (row[bit / 8] >> shift) & ((1u << FBitDepth) - 1);
}

void TPNGObject::SetSample(int X, int Y, unsigned Value) {
    uint8_t* row = FData.data() + size_t(Y) * FRowBytes;
    if (FBitDepth == 8) {
        row[X] = static_cast<uint8_t>(Value);
        return;
    }
    const int bit = X * FBitDepth;
    const int shift = 8 - FBitDepth - bit % 8;
    const unsigned mask = ((1u << FBitDepth) - 1) << shift;
    row[bit / 8] = static_cast<uint8_t>((row[bit / 8] & ~mask) | ((Value << shift) & mask));
}

TColor TPNGObject::Pixels(int X, int Y) const {
    CheckPixel(X, Y);
    switch (FColorType) {
        case ctRGB:
        case ctRGBAlpha: {
            const uint8_t* p = FData.data() + size_t(Y) * FRowBytes + size_t(X) * 3;
            return RGB(p[2], p[1], p[0]);
        }
        case ctPalette: {
            unsigned index = Sample(X, Y);
            if (index >= FPalette.size())
                return clBlack;  // an index beyond the palette, as libpng shows it
            const PALETTEENTRY& e = FPalette[index];
            return RGB(e.peRed, e.peGreen, e.peBlue);
        }
        default: {
            uint8_t g = ScaleToByte(Sample(X, Y), FBitDepth);
            return RGB(g, g, g);
        }
    }
}

void TPNGObject::SetPixels(int X, int Y, TColor Value) {
    CheckPixel(X, Y);
    Value = ColorToRGB(Value);
    switch (FColorType) {
        case ctRGB:
        case ctRGBAlpha: {
            uint8_t* p = FData.data() + size_t(Y) * FRowBytes + size_t(X) * 3;
            p[0] = GetBValue(Value);
            p[1] = GetGValue(Value);
            p[2] = GetRValue(Value);
            break;
        }
        case ctPalette: {
            unsigned best = 0;
            long bestDistance = -1;
            for (unsigned i = 0; i < FPalette.size(); ++i) {
                long dr = long(FPalette[i].peRed) - GetRValue(Value), dg = long(FPalette[i].peGreen) - GetGValue(Value),
                     db = long(FPalette[i].peBlue) - GetBValue(Value);
                long d = dr * dr + dg * dg + db * db;
                if (bestDistance < 0 || d < bestDistance) {
                    bestDistance = d;
                    best = i;
                }
            }
            SetSample(X, Y, best);
            break;
        }
        default: {
            const unsigned max = (1u << FBitDepth) - 1;
            SetSample(X, Y, (GrayOf(Value) * max + 127) / 255);
            break;
        }
    }
    Changed();
}

uint8_t TPNGObject::PixelAlpha(int X, int Y) const {
    CheckPixel(X, Y);
    if (!FAlpha.empty())
        return FAlpha[size_t(Y) * FWidth + X];
    if (FColorType == ctPalette)
        return PaletteAlpha(static_cast<int>(Sample(X, Y)));
    if (!FHasTransparentValue)
        return 255;
    if (FColorType == ctGrayscale)
        return Sample(X, Y) == FTransparentGray ? 0 : 255;
    const uint8_t* p = FData.data() + size_t(Y) * FRowBytes + size_t(X) * 3;
    return p[2] == FTransparentRGB[0] && p[1] == FTransparentRGB[1] && p[0] == FTransparentRGB[2] ? 0 : 255;
}

uint8_t TPNGObject::PaletteAlpha(int Index) const {
    return Index >= 0 && Index < static_cast<int>(FPaletteAlpha.size()) ? FPaletteAlpha[Index] : 255;
}

TPNGTransparencyMode TPNGObject::TransparencyMode() const {
    if (FColorType == ctGrayscaleAlpha || FColorType == ctRGBAlpha)
        return ptmPartial;
    if (FColorType != ctPalette)
        return FHasTransparentValue ? ptmBit : ptmNone;
    int clear = 0, partial = 0;
    for (size_t i = 0; i < FPaletteAlpha.size() && i < FPalette.size(); ++i) {
        if (FPaletteAlpha[i] == 0)
            ++clear;
        else if (FPaletteAlpha[i] != 255)
            ++partial;
    }
    if (partial > 0 || clear > 1)
        return ptmPartial;
    return clear == 1 ? ptmBit : ptmNone;
}

TColor TPNGObject::TransparentColor() const {
    if (TransparencyMode() != ptmBit)
        return clNone;
    if (FColorType == ctGrayscale) {
        uint8_t g = ScaleToByte(FTransparentGray, FBitDepth);
        return RGB(g, g, g);
    }
    if (FColorType == ctRGB)
        return RGB(FTransparentRGB[0], FTransparentRGB[1], FTransparentRGB[2]);
    for (size_t i = 0; i < FPaletteAlpha.size(); ++i)
        if (FPaletteAlpha[i] == 0)
            return RGB(FPalette[i].peRed, FPalette[i].peGreen, FPalette[i].peBlue);
    return clNone;
}

void TPNGObject::CreateAlpha() {
    if (Empty() || FColorType == ctGrayscaleAlpha || FColorType == ctRGBAlpha)
        return;
    const size_t pixels = size_t(FWidth) * FHeight;
    std::vector<uint8_t> data(pixels * (FColorType == ctGrayscale ? 1 : 3));
    std::vector<uint8_t> alpha(pixels);
    uint8_t* d = data.data();
    uint8_t* a = alpha.data();
    for (int y = 0; y < FHeight; ++y) {
        for (int x = 0; x < FWidth; ++x) {
            *a++ = PixelAlpha(x, y);
            TColor c = Pixels(x, y);
            if (FColorType == ctGrayscale) {
                *d++ = GetRValue(c);
            } else {
                *d++ = GetBValue(c);
                *d++ = GetGValue(c);
                *d++ = GetRValue(c);
            }
        }
    }
    FColorType = FColorType == ctGrayscale ? ctGrayscaleAlpha : ctRGBAlpha;
    FBitDepth = 8;
    FRowBytes = PackedRowBytes(FWidth, BitsPerPixel(FColorType, 8));
    FData = std::move(data);
    FAlpha = std::move(alpha);
    FPalette.clear();
    FPaletteAlpha.clear();
    FHasTransparentValue = false;
    Changed();
}

std::vector<PALETTEENTRY> TPNGObject::Palette() const { return FPalette; }

void TPNGObject::SetPalette(const std::vector<PALETTEENTRY>& Entries) {
    if (FColorType != ctPalette)
        throw EInvalidGraphicOperation("Only a palette image has a palette to set");
    if (Entries.empty() || Entries.size() > (1u << FBitDepth))
        throw EInvalidGraphicOperation(Format("A palette of %d bits cannot have %u entries", FBitDepth,
                                              static_cast<unsigned>(Entries.size())));
    FPalette = Entries;
    for (PALETTEENTRY& e : FPalette)
        e.peFlags = 0;
    if (FPaletteAlpha.size() > FPalette.size())
        FPaletteAlpha.resize(FPalette.size());
    Changed();
}

TChunk* TPNGObject::Chunk(int Index) const {
    if (Index < 0 || Index >= ChunkCount())
        throw EListError(Format("List index out of bounds (%d)", Index));
    return FChunks[Index].get();
}

TChunk* TPNGObject::FindChunk(const std::string& Name) const {
    for (const auto& c : FChunks)
        if (c->Name() == Name)
            return c.get();
    return nullptr;
}

void TPNGObject::RemoveChunk(TChunk* Chunk) {
    auto it = std::find_if(FChunks.begin(), FChunks.end(), [Chunk](const auto& c) { return c.get() == Chunk; });
    if (it == FChunks.end())
        return;
    FChunks.erase(it);
    Changed();
}

TChunk* TPNGObject::AddChunk(const std::string& Name, std::vector<uint8_t> Data, TChunk::TLocation Location) {
    if (Name.size() != 4 || !std::all_of(Name.begin(), Name.end(), [](char c) { return std::isalpha(uint8_t(c)); }))
        throw EInvalidGraphicOperation("A PNG chunk name is four letters, not \"" + Name + "\"");
    if (std::isupper(uint8_t(Name[0])))
        throw EInvalidGraphicOperation("The critical chunk \"" + Name + "\" is made from the image itself");
    FChunks.push_back(MakeChunk(Name, std::move(Data), Location));
    Changed();
    return FChunks.back().get();
}

// --- drawing ---

void TPNGObject::Draw(TCanvas* ACanvas, const TRect& Rect) {
    if (Empty() || Rect.IsEmpty())
        return;
    HDC target = ACanvas->Handle();
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = FWidth;
    bi.bmiHeader.biHeight = -FHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    TBitmapHandle dib(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib)
        RaiseLastOSError("CreateDIBSection");
    // AlphaBlend wants the colours multiplied by their alpha.
    auto* p = static_cast<uint32_t*>(bits);
    const bool transparent = Transparent();
    for (int y = 0; y < FHeight; ++y) {
        for (int x = 0; x < FWidth; ++x) {
            TColor c = Pixels(x, y);
            unsigned a = transparent ? PixelAlpha(x, y) : 255;
            unsigned r = (GetRValue(c) * a + 127) / 255, g = (GetGValue(c) * a + 127) / 255,
                     b = (GetBValue(c) * a + 127) / 255;
            *p++ = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
    TMemoryDC dc(CreateCompatibleDC(target));
    if (!dc)
        RaiseLastOSError("CreateCompatibleDC");
    TSelectObject select(dc.get(), dib.get());
    BOOL ok;
    if (transparent) {
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        ok = AlphaBlend(target, Rect.left, Rect.top, Rect.Width(), Rect.Height(), dc.get(), 0, 0, FWidth, FHeight,
                        blend);
    } else if (Rect.Width() == FWidth && Rect.Height() == FHeight) {
        ok = BitBlt(target, Rect.left, Rect.top, FWidth, FHeight, dc.get(), 0, 0, SRCCOPY);
    } else {
        ok = StretchBlt(target, Rect.left, Rect.top, Rect.Width(), Rect.Height(), dc.get(), 0, 0, FWidth, FHeight,
                        SRCCOPY);
    }
    if (!ok)
        RaiseLastOSError(transparent ? "AlphaBlend" : "BitBlt");
}
