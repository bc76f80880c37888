#include "sStoredSkins.h"

#include "sSkinManager.h"

#include "classlib/runtime/FormResources.h"

TsSkinImage::TsSkinImage() : FImage(std::make_unique<TBitmap>()) {}

TsSkinImage::~TsSkinImage() = default;

void TsSkinImage::Assign(TPersistent* Source) {
    auto* s = dynamic_cast<TsSkinImage*>(Source);
    if (!s) {
        TCollectionItem::Assign(Source);
        return;
    }
    Name = s->Name;
    SectionName = s->SectionName;
    PropertyName = s->PropertyName;
    FImage->Assign(s->FImage.get());
    Left = s->Left, Top = s->Top, Right = s->Right, Bottom = s->Bottom;
    ImageCount = s->ImageCount, MaskType = s->MaskType, BorderWidth = s->BorderWidth, StretchMode = s->StretchMode;
    ImgType = s->ImgType;
    WL = s->WL, WR = s->WR, WT = s->WT, WB = s->WB;
}

void TsSkinGeneral::Assign(TPersistent* Source) {
    auto* s = dynamic_cast<TsSkinGeneral*>(Source);
    if (!s) {
        TCollectionItem::Assign(Source);
        return;
    }
    Name = s->Name;
    SectionName = s->SectionName;
    ParentClass = s->ParentClass;
    Color = s->Color;
    ReservedBoolean = s->ReservedBoolean;
    FontColor = s->FontColor;
    HotFontColor = s->HotFontColor;
    Transparency = s->Transparency;
    GradientPercent = s->GradientPercent;
    GradientData = s->GradientData;
    ImagePercent = s->ImagePercent;
    ShowFocus = s->ShowFocus;
    FadingEnabled = s->FadingEnabled;
    FadingIterations = s->FadingIterations;
    HotColor = s->HotColor;
    HotTransparency = s->HotTransparency;
    HotGradientPercent = s->HotGradientPercent;
    HotGradientData = s->HotGradientData;
    HotImagePercent = s->HotImagePercent;
    GiveOwnFont = s->GiveOwnFont;
}

TsSkinPattern::TsSkinPattern() : FImage(std::make_unique<TJPEGImage>()) {}

TsSkinPattern::~TsSkinPattern() = default;

void TsSkinPattern::Assign(TPersistent* Source) {
    auto* s = dynamic_cast<TsSkinPattern*>(Source);
    if (!s) {
        TCollectionItem::Assign(Source);
        return;
    }
    Name = s->Name;
    SectionName = s->SectionName;
    PropertyName = s->PropertyName;
    FImage->Assign(s->FImage.get());
}

TsStoredSkin::TsStoredSkin()
    : FMasterBitmap(std::make_unique<TBitmap>()),
      FImages(std::make_unique<TsSkinImages>(this)),
      FPatterns(std::make_unique<TsSkinPatterns>(this)),
      FGeneralData(std::make_unique<TsSkinGenerals>(this)),
      FData(std::make_unique<TMemoryStream>()) {}

TsStoredSkin::~TsStoredSkin() = default;

void TsStoredSkin::DefineProperties(TFiler* Filer) {
    TCollectionItem::DefineProperties(Filer);
    Filer->DefineBinaryProperty(
        "Data", [this](TStream* s) { FData->LoadFromStream(s); },
        [this](TStream* s) {
            FData->SetPosition(0);
            if (FData->Size() > 0)
                s->CopyFrom(FData.get(), FData->Size());
        },
        true);
}

TsStoredSkins::TsStoredSkins(TsSkinManager* Manager) : TsTypedCollection(Manager) {}

int TsStoredSkins::IndexOf(const std::string& Name) const {
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->Name() == Name)
            return i;
    return -1;
}

namespace {

template <class T, class V>
auto Get(V T::*Member) {
    return [Member](T* o) -> V { return o->*Member; };
}
template <class T, class V>
auto Set(V T::*Member) {
    return [Member](T* o, V Value) { o->*Member = Value; };
}

const std::vector<std::string> ImgTypeNames = {"itisaBorder", "itisaTexture", "itisaGlyph"};

const bool Registered = [] {
    RegisterFormClass<TsSkinImage>([](TFormClass<TsSkinImage>& c) {
        using T = TsSkinImage;
        c.String("Name", Get(&T::Name), Set(&T::Name));
        c.String("SectionName", Get(&T::SectionName), Set(&T::SectionName));
        c.String("PropertyName", Get(&T::PropertyName), Set(&T::PropertyName));
        c.Object("Image", &T::Image);
        c.Integer("Left", Get(&T::Left), Set(&T::Left)).Default(0);
        c.Integer("Top", Get(&T::Top), Set(&T::Top)).Default(0);
        c.Integer("Right", Get(&T::Right), Set(&T::Right)).Default(0);
        c.Integer("Bottom", Get(&T::Bottom), Set(&T::Bottom)).Default(0);
        c.Integer("ImageCount", Get(&T::ImageCount), Set(&T::ImageCount)).Default(0);
        c.Integer("MaskType", Get(&T::MaskType), Set(&T::MaskType)).Default(0);
        c.Integer("BorderWidth", Get(&T::BorderWidth), Set(&T::BorderWidth)).Default(0);
        c.Integer("StretchMode", Get(&T::StretchMode), Set(&T::StretchMode)).Default(0);
        c.Enum("ImgType", Get(&T::ImgType), Set(&T::ImgType), ImgTypeNames).Default(itisaBorder);
        c.Integer("WL", Get(&T::WL), Set(&T::WL)).Default(0);
        c.Integer("WR", Get(&T::WR), Set(&T::WR)).Default(0);
        c.Integer("WT", Get(&T::WT), Set(&T::WT)).Default(0);
        c.Integer("WB", Get(&T::WB), Set(&T::WB)).Default(0);
    });
    RegisterFormClass<TsSkinGeneral>([](TFormClass<TsSkinGeneral>& c) {
        using T = TsSkinGeneral;
        c.String("Name", Get(&T::Name), Set(&T::Name));
        c.String("SectionName", Get(&T::SectionName), Set(&T::SectionName));
        c.String("ParentClass", Get(&T::ParentClass), Set(&T::ParentClass));
        c.Color("Color", Get(&T::Color), Set(&T::Color));
        c.Boolean("ReservedBoolean", Get(&T::ReservedBoolean), Set(&T::ReservedBoolean)).Default(false);
        c.String("FontColor", Get(&T::FontColor), Set(&T::FontColor));
        c.String("HotFontColor", Get(&T::HotFontColor), Set(&T::HotFontColor));
        c.Integer("Transparency", Get(&T::Transparency), Set(&T::Transparency)).Default(0);
        c.Integer("GradientPercent", Get(&T::GradientPercent), Set(&T::GradientPercent)).Default(0);
        c.String("GradientData", Get(&T::GradientData), Set(&T::GradientData));
        c.Integer("ImagePercent", Get(&T::ImagePercent), Set(&T::ImagePercent)).Default(0);
        c.Boolean("ShowFocus", Get(&T::ShowFocus), Set(&T::ShowFocus)).Default(false);
        c.Boolean("FadingEnabled", Get(&T::FadingEnabled), Set(&T::FadingEnabled)).Default(false);
        c.Integer("FadingIterations", Get(&T::FadingIterations), Set(&T::FadingIterations)).Default(0);
        c.Color("HotColor", Get(&T::HotColor), Set(&T::HotColor));
        c.Integer("HotTransparency", Get(&T::HotTransparency), Set(&T::HotTransparency)).Default(0);
        c.Integer("HotGradientPercent", Get(&T::HotGradientPercent), Set(&T::HotGradientPercent)).Default(0);
        c.String("HotGradientData", Get(&T::HotGradientData), Set(&T::HotGradientData));
        c.Integer("HotImagePercent", Get(&T::HotImagePercent), Set(&T::HotImagePercent)).Default(0);
        c.Boolean("GiveOwnFont", Get(&T::GiveOwnFont), Set(&T::GiveOwnFont)).Default(false);
    });
    RegisterFormClass<TsSkinPattern>([](TFormClass<TsSkinPattern>& c) {
        using T = TsSkinPattern;
        c.String("Name", Get(&T::Name), Set(&T::Name));
        c.String("SectionName", Get(&T::SectionName), Set(&T::SectionName));
        c.String("PropertyName", Get(&T::PropertyName), Set(&T::PropertyName));
        c.Object("Image", &T::Image);
    });
    RegisterFormClass<TsStoredSkin>([](TFormClass<TsStoredSkin>& c) {
        using T = TsStoredSkin;
        c.String("Name", &T::Name, &T::SetName);
        c.Collection("Images", &T::Images);
        c.Collection("GeneralData", &T::GeneralData);
        c.Collection("Patterns", &T::Patterns);
        c.Object("MasterBitmap", &T::MasterBitmap);
        c.Float("Version", Get(&T::Version), Set(&T::Version)).Default(0.0);
        c.String("Author", Get(&T::Author), Set(&T::Author));
        c.String("Description", Get(&T::Description), Set(&T::Description));
        c.Color("Shadow1Color", Get(&T::Shadow1Color), Set(&T::Shadow1Color));
        c.Integer("Shadow1Offset", Get(&T::Shadow1Offset), Set(&T::Shadow1Offset)).Default(0);
        c.Integer("Shadow1Blur", Get(&T::Shadow1Blur), Set(&T::Shadow1Blur)).Default(-1);
        c.Integer("Shadow1Transparency", Get(&T::Shadow1Transparency), Set(&T::Shadow1Transparency)).Default(0);
        c.Color("BorderColor", Get(&T::BorderColor), Set(&T::BorderColor)).Default(clFuchsia);
    });
    return true;
}();

}  // namespace
