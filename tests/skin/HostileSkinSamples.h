#pragma once
// Skins made to cost a loader as much as their size lets them, each on top of a small sound skin, and sound skins
// of about the same size to measure them against. Used by the damaged-skin tests and the load benchmark.
#include <string>
#include <vector>

#include "SkinSamples.h"

enum class THostileShape {
    Chain,         // Size sections, each the PARENTCLASS of the next
    Cycle,         // Size sections in one PARENTCLASS loop, and sections the library looks up in loops of two
    LongGradient,  // one GRADIENTDATA (and HOTGRADIENTDATA) of Size stops, inherited by 64 sections
    ManySections,  // Size sections, each giving every key of the vocabulary
    ManyKeys,      // Size keys that all name one bitmap file or rectangles of the master bitmap
    ManyBitmaps,   // Size distinct bitmap files, each named by two keys
    PackedItems,   // Size packed items that no key names, and Size keys naming items that are not there
    BigBitmap,     // one 8-bit bitmap of Size x Size pixels, named by 16 keys
};
const std::vector<THostileShape>& HostileShapes();
const char* HostileShapeName(THostileShape Shape);

SampleSkin MakeHostileSkin(THostileShape Shape, int Size, const std::string& Name);
// A sound skin with a description of about OptionsBytes (ordinary sections with every key) and a bitmap file of
// about OtherBytes besides the small base skin.
SampleSkin MakeSoundSkinOfSize(size_t OptionsBytes, size_t OtherBytes, const std::string& Name);
// The bytes of all files of the skin.
size_t SkinBytes(const SampleSkin& Skin);
