#pragma once
// TsSkinManager: the one object that owns a loaded skin. This holds what the painting routines read of a skin
// (its sections, images, textures and master bitmap) and which manager is the default one.
#include "sMaskData.h"

#include "classlib/Component.h"
#include "classlib/Graphics.h"

#include <memory>
#include <string>

class TsSkinManager;
// The first manager created, nil when there is none.
extern TsSkinManager* DefaultManager;

// A skin manager: the first one created becomes the default manager.
class TsSkinManager : public TComponent {
    CLASS_INFO(TsSkinManager, TComponent)
public:
    explicit TsSkinManager(TComponent* AOwner);
    ~TsSkinManager() override;

    // The loaded skin: one record per section, the images and the JPEG textures. All empty without a skin.
    TsGeneralDataArray Sections;
    TsMaskArray Masks;
    TsPatternArray Patterns;
    // The image that the masks without a bitmap of their own are rectangles of.
    std::unique_ptr<TBitmap> MasterBitmap;

    // The first section of that exact name, -1 when there is none.
    int GetSkinIndex(const std::string& SectionName) const;
    bool IsValidSkinIndex(int Index) const { return Index >= 0 && Index < static_cast<int>(Sections.size()); }
    bool IsValidImgIndex(int Index) const { return Index >= 0 && Index < static_cast<int>(Masks.size()); }
    // The first image that section SectionName (at SkinIndex) names PropertyName, else the first of its parent
    // sections (PARENTCLASS, nearest first) that does; -1 when none does or SkinIndex is negative.
    int GetMaskIndex(int SkinIndex, const std::string& SectionName, const std::string& PropertyName) const;
    // The same among the images that are textures.
    int GetTextureIndex(int SkinIndex, const std::string& SectionName, const std::string& PropertyName) const;
    // GLOBALINFO's colour as RGB; the system's button face without GLOBALINFO.
    TColor GetGlobalColor() const;
    // GLOBALINFO's text colour as RGB; $FF00FF without GLOBALINFO.
    TColor GetGlobalFontColor() const;

private:
    int FindImage(int SkinIndex, const std::string& SectionName, const std::string& PropertyName,
                  bool TexturesOnly) const;
};

// The bitmap a mask's rectangle lies in: its own, else its manager's master bitmap; nil when it has neither.
TBitmap* MaskSourceBitmap(const TsMaskData& Mask);
