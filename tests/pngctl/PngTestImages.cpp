#include "PngTestImages.h"

#include "classlib/runtime/Streams.h"
#include "tests/support/TempDir.h"

#include <png.h>
#include <zlib.h>

#include <windows.h>

#include <algorithm>

std::string PngSuitePath(const std::string& name) { return ExtractFilePath(ParamStr0()) + "pngsuite\\" + name; }

std::vector<std::string> PngSuiteFiles(const std::string& folder) {
    std::vector<std::string> names;
    std::string prefix = folder.empty() ? "" : folder + "\\";
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(PngSuitePath(prefix + "*.png").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(prefix + fd.cFileName);
    while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

TBytes ReadPngSuite(const std::string& name) { return ReadFileBytes(PngSuitePath(name)); }

static uint32_t BigEndian(const TBytes& s, size_t at) {
    return (uint32_t(uint8_t(s[at])) << 24) | (uint32_t(uint8_t(s[at + 1])) << 16) |
           (uint32_t(uint8_t(s[at + 2])) << 8) | uint8_t(s[at + 3]);
}

static void PutBigEndian(TBytes& s, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        s += char((v >> shift) & 0xFF);
}

std::vector<TPngChunkBytes> SplitChunks(const TBytes& file) {
    std::vector<TPngChunkBytes> chunks;
    size_t p = 8;
    while (p + 12 <= file.size()) {
        uint32_t length = BigEndian(file, p);
        if (p + 12 + length > file.size())
            break;
        TPngChunkBytes c;
        c.Type = file.substr(p + 4, 4);
        c.Data = file.substr(p + 8, length);
        c.Crc = BigEndian(file, p + 8 + length);
        chunks.push_back(c);
        p += 12 + length;
    }
    return chunks;
}

uint32_t Crc32(const std::string& type, const TBytes& data) {
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type.data()), 4);
    return uint32_t(crc32(crc, reinterpret_cast<const Bytef*>(data.data()), uInt(data.size())));
}

TBytes BuildPng(const std::vector<TPngChunkBytes>& chunks, const TBytes& signature) {
    TBytes out = signature;
    for (const auto& c : chunks) {
        PutBigEndian(out, uint32_t(c.Data.size()));
        out += c.Type + c.Data;
        PutBigEndian(out, c.KeepCrc ? c.Crc : Crc32(c.Type, c.Data));
    }
    return out;
}

TBytes FixCrcs(const TBytes& file) {
    // Rebuilt chunk by chunk as far as the lengths make sense; the rest stays as it was.
    TBytes out = file.substr(0, 8);
    size_t p = 8;
    while (p + 12 <= file.size()) {
        uint32_t length = BigEndian(file, p);
        if (length > file.size() - p - 12)
            break;
        TBytes type = file.substr(p + 4, 4), data = file.substr(p + 8, length);
        out += file.substr(p, 8 + length);
        PutBigEndian(out, Crc32(type, data));
        p += 12 + length;
    }
    return out + file.substr(std::min(p, file.size()));
}

TBytes WithoutChunks(const TBytes& file, const std::vector<std::string>& types) {
    auto chunks = SplitChunks(file);
    std::erase_if(chunks, [&](const TPngChunkBytes& c) {
        return std::find(types.begin(), types.end(), c.Type) != types.end();
    });
    for (auto& c : chunks)
        c.KeepCrc = true;
    return BuildPng(chunks, file.substr(0, 8));
}

TReferenceImage DecodeReference(const TBytes& file) {
    TReferenceImage r;
    TBytes plain = WithoutChunks(file, {"gAMA", "cHRM", "sRGB", "iCCP"});
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, plain.data(), plain.size())) {
        r.Message = image.message;
        png_image_free(&image);
        return r;
    }
    image.format = PNG_FORMAT_RGBA;
    // Without a gamma chunk, 16-bit samples are taken as sRGB like 8-bit ones: no conversion but the scaling.
    image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    r.Rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, r.Rgba.data(), 0, nullptr)) {
        r.Message = image.message;
        png_image_free(&image);
        return r;
    }
    r.Ok = true;
    r.Width = int(image.width);
    r.Height = int(image.height);
    return r;
}

void LoadPng(TPNGObject& png, const TBytes& bytes) {
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), long(bytes.size()));
    stream.SetPosition(0);
    png.LoadFromStream(&stream);
}

TBytes SavePng(TPNGObject& png) {
    TMemoryStream stream;
    png.SaveToStream(&stream);
    return TBytes(static_cast<const char*>(stream.Memory()), size_t(stream.Size()));
}

std::unique_ptr<TPNGObject> HalfPng(TColor Color, int Size) {
    auto png = std::make_unique<TPNGObject>();
    png->CreateBlank(ctRGBAlpha, 8, Size, Size);
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            png->SetPixels(x, y, Color);
            png->AlphaScanline(y)[x] = x < Size / 2 ? 255 : 0;
        }
    return png;
}
