#pragma once
// PNG and ICO files made by the tests from pixels they choose, for the PNG bitmap class and the alpha image list.
#include "classlib/runtime/Streams.h"

#include <cstdint>
#include <functional>
#include <string>

// A pixel as the files hold it: straight alpha.
struct TRgba {
    uint8_t R = 0, G = 0, B = 0, A = 0;
};
using TPixelFn = std::function<TRgba(int X, int Y)>;

// An 8-bit RGBA PNG file of the pixels (encoded by libpng).
std::string PngFile(int Width, int Height, const TPixelFn& Pixel);
// An ICO file holding one 32-bit image of the pixels, with a mask that is clear where alpha is 0.
std::string IcoFile(int Width, int Height, const TPixelFn& Pixel);

// The test picture of the image-list tests: Color opaque over the left half, nothing over the right half, and at
// (2, 3) Color at alpha 128.
TPixelFn HalfPicture(TRgba Color);

// The bytes in a memory stream, position 0.
void FillStream(TMemoryStream& Stream, const std::string& Bytes);
