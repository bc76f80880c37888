#pragma once
// Sample skins of our own for the skin library's tests: bitmaps, JPEG textures, the description and the packed
// form, all made here so that no skin from anywhere else is needed.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A colour as the class library writes it: $00BBGGRR.
using SampleColor = uint32_t;
using SamplePixels = std::function<SampleColor(int x, int y)>;

// A 24-bit uncompressed BMP file, rows stored bottom-up as usual.
std::string BmpFile24(int width, int height, const SamplePixels& pixel);
// An uncompressed 8-bit BMP file whose palette runs from blue to yellow, rows stored bottom-up.
std::string BmpFile8(int width, int height, int (*index)(int x, int y));
// A baseline JPEG file made by libjpeg's encoder.
std::string JpegFile(int width, int height, const SamplePixels& pixel, int quality = 90);

// One file of a skin.
struct SkinFile {
    std::string Name;
    std::string Data;
};

// A complete skin: "Options.dat", the master bitmap, own bitmaps and JPEG textures.
struct SampleSkin {
    std::string Name;
    std::vector<SkinFile> Files;
    const std::string& File(const std::string& name) const;
};

// The description text of the sample skin (CR LF lines), with that many bulk sections "EXTRA0000" ... added.
std::string SampleOptionsText(int extraSections = 0);
// The sample skin: every section the library names, every image format of a description (the fixed-width
// "~", "@" and "^" fields, "!" files with and without widths, "#" rectangles, plain ".BMP" files, small and large
// JPEG textures), masks with black, white and grey rows, flat state images, magenta corners, gradients of every
// mode and PARENTCLASS chains. Bulk sections (two 32 x 32 states each, below the rest of the master bitmap) make
// a large skin for measuring.
SampleSkin MakeSampleSkin(const std::string& name = "SAMPLE", int extraSections = 0);
// The sample skin with text colours of its own: GLOBALINFO's font colour (which the labels of a skinned form take)
// is SampleGlobalFontColor, and the group box's section gives its font colour, SampleGroupBoxFontColor, to the
// controls it holds.
constexpr SampleColor SampleGlobalFontColor = 0x2040C0, SampleGroupBoxFontColor = 0xA03060;
SampleSkin MakeSampleFontSkin(const std::string& name = "SAMPLEFONTS");
// The flat colour of texture k of the sample skin's master bitmap ("~" rectangles from (256, 128), 16 x 16, sixteen
// a row); distinct for k below 200 and never grey.
SampleColor SampleTextureColor(int k);

// zlib's deflate of the bytes (RFC 1950 stream).
std::string ZlibStream(const std::string& bytes, int level = 9);

// One item of a packed skin as it is written: the stated size and the stream may lie, to make damaged files.
struct PackedItem {
    std::string Name;
    std::string Stream;      // the zlib stream as stored
    int64_t StatedSize = 0;  // the size written before the stream
};
PackedItem PackedItemOf(const std::string& name, const std::string& data);
// "QVpk", the count and the items back to back; Count -1 writes the number of items.
std::string PackItems(const std::vector<PackedItem>& items, int64_t count = -1);
std::string PackSkin(const SampleSkin& skin);

// The skin as a folder Dir + Name holding its files; answers the folder with a trailing backslash.
std::string WriteSkinFolder(const std::string& dir, const SampleSkin& skin);
// The skin packed into Dir + Name + ".vqz"; answers the file name.
std::string WritePackedSkin(const std::string& dir, const SampleSkin& skin);

// The flat sample skin for pixel assertions on skinned windows: each section has one colour in its normal state
// and another when hot (hot and pressed share it), and a border mask of three states (normal, hot, pressed), each a
// ring of FlatBorderWidth pixels in a colour of its own whose mask lets the section's colour show inside. A test
// then says "pixel (x, y) has the colour of section S in state n".
struct FlatSectionColors {
    const char* Name;
    SampleColor Color, HotColor;
    SampleColor Border[3];
    SampleColor FontColor, HotFontColor;
    // Percent of what lies below that shows through the section (normal and hot alike).
    int Transparency = 0;
};
constexpr int FlatBorderWidth = 3;
const std::vector<FlatSectionColors>& FlatSections();
// Raises std::out_of_range for a section the flat skin does not have.
const FlatSectionColors& FlatSection(const std::string& name);
// The colour of the skin's GLOBALINFO section (what lies under windows outside any section).
constexpr SampleColor FlatGlobalColor = 0x707070;
SampleSkin MakeFlatSkin(const std::string& name = "FLAT");
// The flat skin's glyphs (check marks, radio dots, arrows, the size grip): three 12 x 12 states side by side, each
// one flat colour, their masks black below them. Key is the image's key in Section.
struct FlatGlyphColors {
    const char* Section;
    const char* Key;
    SampleColor State[3];
};
constexpr int FlatGlyphSize = 12;
const std::vector<FlatGlyphColors>& FlatGlyphs();
// Raises std::out_of_range for a glyph the flat skin does not have.
const FlatGlyphColors& FlatGlyph(const std::string& section, const std::string& key);
// The flat skin whose "BUTTON" takes a hot texture (HOTIMAGEPERCENT 100): 8 x 8 pixels tiled, a checkerboard of
// 2 x 2 cells in the two FlatTextureColors. Its normal state stays flat. The frame's centre is laid over the
// texture through its white mask, which keeps a byte of what lies below exact only where it is not above the
// byte of the state image: no byte of the texture colours is above that of BUTTON's hot colour.
SampleSkin MakeFlatTexturedSkin(const std::string& name = "FLATTEX");
constexpr SampleColor FlatTextureColors[2] = {0x11DD99, 0x3088C0};
