#include "JPEG.h"
#include "classlib/runtime/Streams.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

// libjpeg reports a fatal error by calling error_exit, which by default ends the process. Ours jumps
// back to the call that started the work. No C++ object lives between a setjmp and its longjmp
// (the functions below hold only plain data), so the jump skips no destructor; the C++ side turns
// the failure into an exception afterwards.

namespace {

constexpr long long MaxPixels = 100ll * 1000 * 1000;
constexpr int MaxDimension = 32767;

struct JpegError {
    jpeg_error_mgr Pub;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->Message);
    std::longjmp(err->Jump, 1);
}

// Data that ends early decodes as grey filler with only a warning: that is a damaged picture, and
// it is reported as one instead of being shown half grey.
void EmitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0)
        return;
    int code = cinfo->err->msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER)
        (*cinfo->err->error_exit)(cinfo);
    ++cinfo->err->num_warnings;
}

void InstallErrors(jpeg_error_mgr* pub) {
    jpeg_std_error(pub);
    pub->error_exit = ErrorExit;
    pub->emit_message = EmitMessage;
}

struct DecodeParams {
    int ScaleDenom;
    bool Gray;  // decode into one grey byte per pixel
    bool Fast;
};

struct JpegInfo {
    int ImageWidth, ImageHeight;  // full size
    int OutWidth, OutHeight;      // at the requested scale
    int Components;
    bool Cmyk;
};

void Configure(jpeg_decompress_struct* cinfo, const DecodeParams* p, bool* cmyk) {
    cinfo->scale_num = 1;
    cinfo->scale_denom = static_cast<unsigned>(p->ScaleDenom);
    *cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    if (*cmyk)
        cinfo->out_color_space = JCS_CMYK;
    else if (p->Gray)
        cinfo->out_color_space = JCS_GRAYSCALE;
    else
        cinfo->out_color_space = JCS_EXT_BGR;
    if (p->Fast) {
        cinfo->dct_method = JDCT_IFAST;
        cinfo->do_fancy_upsampling = FALSE;
    }
    cinfo->mem->max_memory_to_use = 512l * 1024 * 1024;
}

bool ReadInfo(const uint8_t* data, size_t size, const DecodeParams* p, JpegInfo* info, char* message) {
    jpeg_decompress_struct cinfo;
    JpegError err;
    std::memset(&cinfo, 0, sizeof cinfo);
    InstallErrors(&err.Pub);
    cinfo.err = &err.Pub;
    if (setjmp(err.Jump)) {
        jpeg_destroy_decompress(&cinfo);
        std::memcpy(message, err.Message, JMSG_LENGTH_MAX);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    bool cmyk;
    Configure(&cinfo, p, &cmyk);
    jpeg_calc_output_dimensions(&cinfo);
    info->ImageWidth = static_cast<int>(cinfo.image_width);
    info->ImageHeight = static_cast<int>(cinfo.image_height);
    info->OutWidth = static_cast<int>(cinfo.output_width);
    info->OutHeight = static_cast<int>(cinfo.output_height);
    info->Components = cinfo.num_components;
    info->Cmyk = cmyk;
    jpeg_destroy_decompress(&cinfo);
    return true;
}

// Decodes into Rows (Height pointers, each to Width pixels of 3 bytes BGR or 1 grey byte).
// Spare holds one row of 4-byte CMYK pixels for pictures in that colour space.
bool DecodeInto(const uint8_t* data, size_t size, const DecodeParams* p, uint8_t** rows, int width, int height,
                uint8_t* spare, char* message) {
    jpeg_decompress_struct cinfo;
    JpegError err;
    std::memset(&cinfo, 0, sizeof cinfo);
    InstallErrors(&err.Pub);
    cinfo.err = &err.Pub;
    if (setjmp(err.Jump)) {
        jpeg_destroy_decompress(&cinfo);
        std::memcpy(message, err.Message, JMSG_LENGTH_MAX);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    bool cmyk;
    Configure(&cinfo, p, &cmyk);
    jpeg_start_decompress(&cinfo);
    if (static_cast<int>(cinfo.output_width) != width || static_cast<int>(cinfo.output_height) != height) {
        std::snprintf(err.Message, sizeof err.Message, "the picture's size changed while it was decoded");
        std::longjmp(err.Jump, 1);
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        int y = static_cast<int>(cinfo.output_scanline);
        JSAMPROW row = cmyk ? spare : rows[y];
        jpeg_read_scanlines(&cinfo, &row, 1);
        if (cmyk) {
            // Adobe writes inverted CMYK; each channel times K gives the colour.
            bool inverted = cinfo.saw_Adobe_marker;
            uint8_t* out = rows[y];
            for (int x = 0; x < width; ++x) {
                int c = spare[4 * x], m = spare[4 * x + 1], ye = spare[4 * x + 2], k = spare[4 * x + 3];
                if (!inverted)
                    c = 255 - c, m = 255 - m, ye = 255 - ye, k = 255 - k;
                int r = c * k / 255, g = m * k / 255, b = ye * k / 255;
                if (p->Gray)
                    out[x] = static_cast<uint8_t>((r * 30 + g * 59 + b * 11) / 100);
                else
                    out[3 * x] = static_cast<uint8_t>(b), out[3 * x + 1] = static_cast<uint8_t>(g),
                    out[3 * x + 2] = static_cast<uint8_t>(r);
            }
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

struct EncodeJob {
    uint8_t** Rows;  // BGR rows, top first
    int Width, Height;
    int Quality;
    bool Progressive;
    unsigned char* Out;  // allocated by libjpeg with malloc
    unsigned long OutSize;
};

bool EncodeRows(EncodeJob* job, char* message) {
    jpeg_compress_struct cinfo;
    JpegError err;
    std::memset(&cinfo, 0, sizeof cinfo);
    InstallErrors(&err.Pub);
    cinfo.err = &err.Pub;
    if (setjmp(err.Jump)) {
        jpeg_destroy_compress(&cinfo);
        std::memcpy(message, err.Message, JMSG_LENGTH_MAX);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &job->Out, &job->OutSize);
    cinfo.image_width = static_cast<JDIMENSION>(job->Width);
    cinfo.image_height = static_cast<JDIMENSION>(job->Height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, job->Quality, TRUE);
    if (job->Progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = job->Rows[cinfo.next_scanline];
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

[[noreturn]] void JpegFailed(const char* message) { throw EInvalidGraphic(std::string("JPEG error: ") + message); }

int DenomOf(TJPEGScale s) { return 1 << static_cast<int>(s); }

}  // namespace

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::FreeBitmap() { FBitmap.reset(); }

int TJPEGImage::Width() const {
    if (FBitmap)
        return FBitmap->Width();
    int d = DenomOf(FScale);
    return (FImageWidth + d - 1) / d;
}

int TJPEGImage::Height() const {
    if (FBitmap)
        return FBitmap->Height();
    int d = DenomOf(FScale);
    return (FImageHeight + d - 1) / d;
}

void TJPEGImage::SetWidth(int) { throw EInvalidGraphicOperation("Cannot change the size of a JPEG image"); }
void TJPEGImage::SetHeight(int) { throw EInvalidGraphicOperation("Cannot change the size of a JPEG image"); }

// A setting of the decoder changed: the picture is decoded again when it is next needed.
template <class V>
void TJPEGImage::ChangeDecoding(V& setting, V value) {
    if (value == setting)
        return;
    setting = value;
    if (!FData.empty())
        FreeBitmap();
    Changed();
}

void TJPEGImage::SetGrayscale(bool Value) { ChangeDecoding(FGrayscale, Value); }

void TJPEGImage::SetScale(TJPEGScale Value) { ChangeDecoding(FScale, Value); }

void TJPEGImage::SetPerformance(TJPEGPerformance Value) { ChangeDecoding(FPerformance, Value); }

void TJPEGImage::SetPixelFormat(TJPEGPixelFormat Value) { ChangeDecoding(FPixelFormat, Value); }

void TJPEGImage::SetCompressionQuality(TJPEGQualityRange Value) {
    if (Value < 1 || Value > 100)
        throw EInvalidArgument("JPEG quality must lie between 1 and 100, not " + IntToStr(Value));
    FQuality = Value;
}

void TJPEGImage::LoadFromStream(TStream* Stream) {
    long long available = Stream->Size() - Stream->Position();
    if (available <= 0)
        throw EInvalidGraphic("JPEG error: the data is empty");
    if (available > 256ll * 1024 * 1024)
        throw EInvalidGraphic("JPEG error: the data is larger than 256 MB");
    std::vector<uint8_t> data(static_cast<size_t>(available));
    Stream->ReadBuffer(data.data(), static_cast<long>(available));
    DecodeParams p{1, false, false};
    JpegInfo info{};
    char message[JMSG_LENGTH_MAX] = "";
    if (!ReadInfo(data.data(), data.size(), &p, &info, message))
        JpegFailed(message);
    if (info.ImageWidth > MaxDimension || info.ImageHeight > MaxDimension ||
        static_cast<long long>(info.ImageWidth) * info.ImageHeight > MaxPixels)
        throw EInvalidGraphic("JPEG error: the picture of " + IntToStr(info.ImageWidth) + " x " +
                              IntToStr(info.ImageHeight) + " pixels is too large");
    FData = std::move(data);
    FImageWidth = info.ImageWidth;
    FImageHeight = info.ImageHeight;
    FDataGray = info.Components == 1;
    FreeBitmap();
    Changed();
}

void TJPEGImage::SaveToStream(TStream* Stream) {
    JPEGNeeded();
    if (!FData.empty())
        Stream->WriteBuffer(FData.data(), static_cast<long>(FData.size()));
}

void TJPEGImage::DIBNeeded() {
    if (FBitmap || FData.empty())
        return;
    bool gray = FGrayscale || FDataGray || FPixelFormat == jf8Bit;
    DecodeParams p{DenomOf(FScale), FGrayscale || FDataGray, FPerformance == jpBestSpeed};
    JpegInfo info{};
    char message[JMSG_LENGTH_MAX] = "";
    if (!ReadInfo(FData.data(), FData.size(), &p, &info, message))
        JpegFailed(message);
    auto bmp = std::make_unique<TBitmap>();
    if (p.Gray) {
        bmp->SetPixelFormat(pf8bit);
        std::vector<uint8_t> buffer(sizeof(LOGPALETTE) + 256 * sizeof(PALETTEENTRY));
        auto* lp = reinterpret_cast<LOGPALETTE*>(buffer.data());
        lp->palVersion = 0x300;
        lp->palNumEntries = 256;
        for (int i = 0; i < 256; ++i)
            lp->palPalEntry[i] = PALETTEENTRY{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
        bmp->SetPalette(CreatePalette(lp));
    } else {
        bmp->SetPixelFormat(pf24bit);
    }
    bmp->SetSize(info.OutWidth, info.OutHeight);
    std::vector<uint8_t*> rows(static_cast<size_t>(info.OutHeight));
    for (int y = 0; y < info.OutHeight; ++y)
        rows[static_cast<size_t>(y)] = static_cast<uint8_t*>(bmp->ScanLine(y));
    std::vector<uint8_t> spare(info.Cmyk ? static_cast<size_t>(info.OutWidth) * 4 : 0);
    if (!DecodeInto(FData.data(), FData.size(), &p, rows.data(), info.OutWidth, info.OutHeight, spare.data(), message))
        JpegFailed(message);
    if (gray && !p.Gray)
        bmp->SetPixelFormat(pf8bit);  // jf8Bit for a colour picture: the nearest of the standard colours
    FBitmap = std::move(bmp);
}

void TJPEGImage::Compress() {
    if (!FBitmap || FBitmap->Empty())
        return;
    TBitmap copy;
    TBitmap* src = FBitmap.get();
    if (src->PixelFormat() != pf24bit) {
        copy.Assign(src);
        copy.SetPixelFormat(pf24bit);
        src = &copy;
    }
    std::vector<uint8_t*> rows(static_cast<size_t>(src->Height()));
    for (int y = 0; y < src->Height(); ++y)
        rows[static_cast<size_t>(y)] = static_cast<uint8_t*>(src->ScanLine(y));
    EncodeJob job{rows.data(), src->Width(), src->Height(), FQuality, FProgressiveEncoding, nullptr, 0};
    char message[JMSG_LENGTH_MAX] = "";
    bool ok = EncodeRows(&job, message);
    std::vector<uint8_t> data;
    if (ok)
        data.assign(job.Out, job.Out + job.OutSize);
    std::free(job.Out);
    if (!ok)
        JpegFailed(message);
    FData = std::move(data);
    FImageWidth = src->Width();
    FImageHeight = src->Height();
    FDataGray = false;
    FScale = jsFullSize;
}

void TJPEGImage::JPEGNeeded() {
    if (FData.empty())
        Compress();
}

TBitmap* TJPEGImage::Bitmap() {
    DIBNeeded();
    if (!FBitmap)
        FBitmap = std::make_unique<TBitmap>();
    return FBitmap.get();
}

void TJPEGImage::Draw(TCanvas* ACanvas, const TRect& Rect) {
    DIBNeeded();
    if (FBitmap)
        FBitmap->Draw(ACanvas, Rect);
}

void TJPEGImage::Assign(TPersistent* Source) {
    if (Source == this)
        return;
    if (!Source) {
        FData.clear();
        FreeBitmap();
        FImageWidth = FImageHeight = 0;
        Changed();
        return;
    }
    if (auto* j = dynamic_cast<TJPEGImage*>(Source)) {
        FData = j->FData;
        FImageWidth = j->FImageWidth;
        FImageHeight = j->FImageHeight;
        FDataGray = j->FDataGray;
        FGrayscale = j->FGrayscale;
        FScale = j->FScale;
        FPerformance = j->FPerformance;
        FPixelFormat = j->FPixelFormat;
        FQuality = j->FQuality;
        FProgressiveEncoding = j->FProgressiveEncoding;
        FreeBitmap();
        if (j->FBitmap) {
            FBitmap = std::make_unique<TBitmap>();
            FBitmap->Assign(j->FBitmap.get());
        }
        Changed();
        return;
    }
    if (auto* b = dynamic_cast<TBitmap*>(Source)) {
        FData.clear();
        FBitmap = std::make_unique<TBitmap>();
        FBitmap->Assign(b);
        FBitmap->SetTransparent(false);
        FImageWidth = b->Width();
        FImageHeight = b->Height();
        FScale = jsFullSize;
        Changed();
        return;
    }
    TGraphic::Assign(Source);
}

void TJPEGImage::AssignTo(TPersistent* Dest) {
    if (auto* b = dynamic_cast<TBitmap*>(Dest)) {
        DIBNeeded();
        b->Assign(FBitmap.get());
        return;
    }
    TGraphic::AssignTo(Dest);
}
