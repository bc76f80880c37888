#include "AlphaImageFiles.h"

#include <png.h>

#include <stdexcept>
#include <vector>

std::string PngFile(int Width, int Height, const TPixelFn& Pixel) {
    std::vector<uint8_t> rgba(static_cast<size_t>(Width) * Height * 4);
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x) {
            TRgba p = Pixel(x, y);
            uint8_t* q = &rgba[(static_cast<size_t>(y) * Width + x) * 4];
            q[0] = p.R, q[1] = p.G, q[2] = p.B, q[3] = p.A;
        }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(Width);
    image.height = static_cast<png_uint_32>(Height);
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr))
        throw std::runtime_error(std::string("libpng: ") + image.message);
    std::string file(size, '\0');
    if (!png_image_write_to_memory(&image, file.data(), &size, 0, rgba.data(), 0, nullptr))
        throw std::runtime_error(std::string("libpng: ") + image.message);
    file.resize(size);
    return file;
}

namespace {

void Put16(std::string& s, unsigned v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

}  // namespace

std::string IcoFile(int Width, int Height, const TPixelFn& Pixel) {
    std::string image;
    // BITMAPINFOHEADER: the height counts the colour and the mask rows together.
    Put32(image, 40);
    Put32(image, static_cast<uint32_t>(Width));
    Put32(image, static_cast<uint32_t>(Height * 2));
    Put16(image, 1);
    Put16(image, 32);
    for (int i = 0; i < 6; ++i)
        Put32(image, 0);
    for (int y = Height - 1; y >= 0; --y)
        for (int x = 0; x < Width; ++x) {
            TRgba p = Pixel(x, y);
            image += static_cast<char>(p.B);
            image += static_cast<char>(p.G);
            image += static_cast<char>(p.R);
            image += static_cast<char>(p.A);
        }
    int maskStride = (Width + 31) / 32 * 4;
    for (int y = Height - 1; y >= 0; --y) {
        std::string row(static_cast<size_t>(maskStride), '\0');
        for (int x = 0; x < Width; ++x)
            if (Pixel(x, y).A == 0)
                row[static_cast<size_t>(x / 8)] = static_cast<char>(row[static_cast<size_t>(x / 8)] | (0x80 >> (x % 8)));
        image += row;
    }
    std::string file;
    Put16(file, 0);
    Put16(file, 1);
    Put16(file, 1);
    file += static_cast<char>(Width);
    file += static_cast<char>(Height);
    file += '\0';
    file += '\0';
    Put16(file, 1);
    Put16(file, 32);
    Put32(file, static_cast<uint32_t>(image.size()));
    Put32(file, 6 + 16);
    return file + image;
}

TPixelFn HalfPicture(TRgba Color) {
    return [Color](int X, int Y) {
        TRgba p = Color;
        if (X == 2 && Y == 3)
            p.A = 128;
        else if (X >= 8)
            p.A = 0;
        return p;
    };
}

void FillStream(TMemoryStream& Stream, const std::string& Bytes) {
    Stream.Clear();
    Stream.WriteBuffer(Bytes.data(), static_cast<long>(Bytes.size()));
    Stream.SetPosition(0);
}
