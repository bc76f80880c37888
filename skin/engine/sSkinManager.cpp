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
