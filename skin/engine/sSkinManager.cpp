#include "sSkinManager.h"

TsSkinManager* DefaultManager = nullptr;

TsSkinManager::TsSkinManager(TComponent* AOwner) : TComponent(AOwner) {
    if (!DefaultManager)
        DefaultManager = this;
}

TsSkinManager::~TsSkinManager() {
    if (DefaultManager == this)
        DefaultManager = nullptr;
}

int TsSkinManager::GetSkinIndex(const std::string& SectionName) const {
    for (size_t i = 0; i < Sections.size(); ++i)
        if (Sections[i].ClassName == SectionName)
            return static_cast<int>(i);
    return -1;
}

int TsSkinManager::FindImage(int SkinIndex, const std::string& SectionName, const std::string& PropertyName,
                            bool TexturesOnly) const {
    std::string section = SectionName;
    // A chain of parents can only be as long as there are sections; a longer walk has met a cycle (A -> B -> A)
    // in the description and would never end.
    for (size_t steps = 0; steps <= Sections.size(); ++steps) {
        if (SkinIndex < 0 || section.empty())
            return -1;
        for (size_t i = 0; i < Masks.size(); ++i) {
            const TsMaskData& m = Masks[i];
            if ((!TexturesOnly || m.ImgType == itisaTexture) && m.ClassName == section && m.PropertyName == PropertyName)
                return static_cast<int>(i);
        }
        if (!IsValidSkinIndex(SkinIndex))
            return -1;
        const std::string& parent = Sections[SkinIndex].ParentClass;
        if (parent.empty() || parent == section)
            return -1;
        SkinIndex = GetSkinIndex(parent);
        section = parent;
    }
    return -1;
}

int TsSkinManager::GetMaskIndex(int SkinIndex, const std::string& SectionName, const std::string& PropertyName) const {
    return FindImage(SkinIndex, SectionName, PropertyName, false);
}

int TsSkinManager::GetTextureIndex(int SkinIndex, const std::string& SectionName,
                                   const std::string& PropertyName) const {
    return FindImage(SkinIndex, SectionName, PropertyName, true);
}

TColor TsSkinManager::GetGlobalColor() const {
    int i = GetSkinIndex("GLOBALINFO");
    return ColorToRGB(i < 0 ? clBtnFace : Sections[i].Color);
}

TColor TsSkinManager::GetGlobalFontColor() const {
    int i = GetSkinIndex("GLOBALINFO");
    return i < 0 ? clFuchsia : ColorToRGB(Sections[i].FontColor[0]);
}

TBitmap* MaskSourceBitmap(const TsMaskData& Mask) {
    if (Mask.Bmp)
        return Mask.Bmp.get();
    return Mask.Manager ? Mask.Manager->MasterBitmap.get() : nullptr;
}
