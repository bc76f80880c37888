#pragma once
// PNG files for the tests: libpng's test images, chunk surgery, and libpng's own decoding to compare with.
#include "pngctl/PngImage.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using TBytes = std::string;

// The folder the test images were copied to, beside the test executable.
std::string PngSuitePath(const std::string& name);
// The names of the .png files in a folder of the test images ("" for the top, "interlaced", "crashers").
std::vector<std::string> PngSuiteFiles(const std::string& folder);
TBytes ReadPngSuite(const std::string& name);

// A PNG file taken apart into its chunks (after the eight-byte signature).
struct TPngChunkBytes {
    std::string Type;
    TBytes Data;
    uint32_t Crc = 0;  // as read; Build() writes the right one unless KeepCrc is set
    bool KeepCrc = false;
};
std::vector<TPngChunkBytes> SplitChunks(const TBytes& file);
TBytes BuildPng(const std::vector<TPngChunkBytes>& chunks, const TBytes& signature = "\x89PNG\r\n\x1a\n");
uint32_t Crc32(const std::string& type, const TBytes& data);
// The file with every chunk's checksum made right again.
TBytes FixCrcs(const TBytes& file);
// The file without the chunks of these types.
TBytes WithoutChunks(const TBytes& file, const std::vector<std::string>& types);

// An image decoded by libpng's simplified interface: 8-bit RGBA, no gamma correction (the gamma
// chunks are taken out first, as TPNGObject never corrects either).
struct TReferenceImage {
    bool Ok = false;
    std::string Message;
    int Width = 0, Height = 0;
    std::vector<uint8_t> Rgba;
};
TReferenceImage DecodeReference(const TBytes& file);

// A Size x Size RGBA picture: the left half opaque in Color, the right half fully transparent.
std::unique_ptr<TPNGObject> HalfPng(TColor Color, int Size = 16);

// Loads bytes through a memory stream; saves into bytes.
void LoadPng(TPNGObject& png, const TBytes& bytes);
TBytes SavePng(TPNGObject& png);
