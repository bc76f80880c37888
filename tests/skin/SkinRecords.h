#pragma once
// The sample skins whose records a program of the records test compares: two of the generators define the same
// helpers, so the skins are listed by two programs.
#include "SkinSamples.h"

#include <functional>
#include <vector>

class TsSkinManager;

struct RecordedSkin {
    SampleSkin Skin;
    // What the program sets on the manager before it names the skin.
    std::function<void(TsSkinManager&)> Setup;
};

std::vector<RecordedSkin> RecordedSkins();
