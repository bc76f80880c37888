#pragma once
// The records in which a skin manager keeps a loaded skin: section images, textures and section values.
#include "sConst.h"
#include "sGradient.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TsSkinManager;

// One image of a section: a rectangle of the manager's master bitmap or a bitmap of its own, cut into
// ImageCount states side by side; with MaskType 1 the lower half of each state is its mask.
struct TsMaskData {
    std::shared_ptr<TBitmap> Bmp;  // nil: the image lies in the manager's master bitmap
    std::string ClassName;         // the section that owns the image
    std::string PropertyName;      // the key under which the section names it
    TRect R;
    int16_t ImageCount = 0;
    int16_t MaskType = 0;
    int16_t BorderWidth = 0;
    int16_t DrawMode = 0;  // frames: bit 1 stretch, bit 2 no frame without a state; textures: the painting mode
    TacImgType ImgType = itisaBorder;
    TsSkinManager* Manager = nullptr;
    int16_t WL = 0, WT = 0, WR = 0, WB = 0;  // border widths of the 9-slice
};

// One texture image of a section (in practice a JPEG picture too large to be kept as a mask).
struct TsPatternData {
    std::shared_ptr<TGraphic> Img;
    std::string ClassName;
    std::string PropertyName;
};

// Text colour and the four outline colours (left, top, right, bottom; -1: no outline).
using TsFontColors = TColor[5];

// The values of one skin section.
struct TsGeneralData {
    std::string ParentClass;
    std::string ClassName;
    TColor Color = clWhite;
    TsFontColors FontColor = {0, -1, -1, -1, -1};
    TsFontColors HotFontColor = {0, -1, -1, -1, -1};
    bool GiveOwnFont = false;
    bool ReservedBoolean = false;
    int Transparency = 0;
    int GradientPercent = 0;
    std::string GradientData = " ";
    TsGradArray GradientArray;
    int ImagePercent = 0;
    bool ShowFocus = false;
    bool FadingEnabled = false;
    int FadingIterations = 5;
    TColor HotColor = clWhite;
    int HotTransparency = 0;
    int HotGradientPercent = 0;
    std::string HotGradientData;
    TsGradArray HotGradientArray;
    int HotImagePercent = 0;
};

using TsMaskArray = std::vector<TsMaskData>;
using TsPatternArray = std::vector<TsPatternData>;
using TsGeneralDataArray = std::vector<TsGeneralData>;

// The width of one state of the image (the rectangle's width shared by its states). A count below 1
// counts as one state, so an image described with no states still paints.
inline int MaskStateWidth(const TsMaskData& Mask) {
    return Mask.R.Width() / (Mask.ImageCount > 1 ? Mask.ImageCount : 1);
}
// The height of one state without its mask half; a negative mask type counts as none.
inline int MaskStateHeight(const TsMaskData& Mask) {
    return Mask.R.Height() / ((Mask.MaskType > 0 ? Mask.MaskType : 0) + 1);
}
