#pragma once
// Skins stored inside the program (streamed with the form that holds the skin manager), so that a program can
// run without skin files: either a whole packed skin ("Data") or the skin's sections, images, textures and master
// bitmap as collections.
#include "sConst.h"

#include "classlib/runtime/Collections.h"
#include "classlib/visual/Graphics.h"
#include "classlib/visual/JPEG.h"
#include "classlib/runtime/Streams.h"

#include <memory>
#include <string>

class TsSkinManager;

// One image of a stored skin: its own bitmap, or (with an empty bitmap) a rectangle of the master bitmap.
class TsSkinImage : public TCollectionItem {
    CLASS_INFO(TsSkinImage, TCollectionItem)
public:
    TsSkinImage();
    ~TsSkinImage() override;
    void Assign(TPersistent* Source) override;

    std::string Name, SectionName, PropertyName;
    TBitmap* Image() const { return FImage.get(); }
    void SetImage(TBitmap* Value) { FImage->Assign(Value); }
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int ImageCount = 0, MaskType = 0, BorderWidth = 0, StretchMode = 0;
    TacImgType ImgType = itisaBorder;
    int WL = 0, WR = 0, WT = 0, WB = 0;

private:
    std::unique_ptr<TBitmap> FImage;
};

// One section of a stored skin; the font colours are texts of five blank-separated integers.
class TsSkinGeneral : public TCollectionItem {
    CLASS_INFO(TsSkinGeneral, TCollectionItem)
public:
    void Assign(TPersistent* Source) override;

    std::string Name, SectionName, ParentClass;
    TColor Color = 0;
    bool ReservedBoolean = false;
    std::string FontColor, HotFontColor;
    int Transparency = 0, GradientPercent = 0;
    std::string GradientData;
    int ImagePercent = 0;
    bool ShowFocus = false, FadingEnabled = false;
    int FadingIterations = 0;
    TColor HotColor = 0;
    int HotTransparency = 0, HotGradientPercent = 0;
    std::string HotGradientData;
    int HotImagePercent = 0;
    bool GiveOwnFont = false;
};

// One JPEG texture of a stored skin.
class TsSkinPattern : public TCollectionItem {
    CLASS_INFO(TsSkinPattern, TCollectionItem)
public:
    TsSkinPattern();
    ~TsSkinPattern() override;
    void Assign(TPersistent* Source) override;

    std::string Name, SectionName, PropertyName;
    TJPEGImage* Image() const { return FImage.get(); }
    void SetImage(TJPEGImage* Value) { FImage->Assign(Value); }

private:
    std::unique_ptr<TJPEGImage> FImage;
};

// A collection of one item class that hands out its items typed.
template <class Item>
class TsTypedCollection : public TOwnedCollection {
public:
    explicit TsTypedCollection(TPersistent* AOwner) : TOwnedCollection(AOwner, CollectionItemClassOf<Item>()) {}
    Item* Add() { return static_cast<Item*>(TCollection::Add()); }
    Item* Items(int Index) const { return static_cast<Item*>(TCollection::Items(Index)); }
};

class TsSkinImages : public TsTypedCollection<TsSkinImage> {
    CLASS_INFO(TsSkinImages, TOwnedCollection)
public:
    using TsTypedCollection::TsTypedCollection;
};

class TsSkinGenerals : public TsTypedCollection<TsSkinGeneral> {
    CLASS_INFO(TsSkinGenerals, TOwnedCollection)
public:
    using TsTypedCollection::TsTypedCollection;
};

class TsSkinPatterns : public TsTypedCollection<TsSkinPattern> {
    CLASS_INFO(TsSkinPatterns, TOwnedCollection)
public:
    using TsTypedCollection::TsTypedCollection;
};

// One skin stored in the program. With bytes in Data (a whole packed skin) it is loaded from those and the
// collections are not looked at; with Data empty it is loaded from the collections.
class TsStoredSkin : public TCollectionItem {
    CLASS_INFO(TsStoredSkin, TCollectionItem)
public:
    TsStoredSkin();
    ~TsStoredSkin() override;
    // Data is kept in form descriptions as the binary property "Data", always written.
    void DefineProperties(TFiler* Filer) override;

    const std::string& Name() const { return FName; }
    void SetName(const std::string& Value) {
        if (Value != FName)
            FName = Value;
    }
    TsSkinImages* Images() const { return FImages.get(); }
    void SetImages(TsSkinImages* Value) { FImages->Assign(Value); }
    TsSkinGenerals* GeneralData() const { return FGeneralData.get(); }
    void SetGeneralData(TsSkinGenerals* Value) { FGeneralData->Assign(Value); }
    TsSkinPatterns* Patterns() const { return FPatterns.get(); }
    void SetPatterns(TsSkinPatterns* Value) { FPatterns->Assign(Value); }
    TBitmap* MasterBitmap() const { return FMasterBitmap.get(); }
    void SetMasterBitmap(TBitmap* Value) { FMasterBitmap->Assign(Value); }
    TMemoryStream* Data() const { return FData.get(); }

    double Version = 0;
    std::string Author, Description;
    TColor Shadow1Color = 0;
    int Shadow1Offset = 0;
    int Shadow1Blur = -1;
    int Shadow1Transparency = 0;
    TColor BorderColor = clFuchsia;

private:
    std::string FName;
    std::unique_ptr<TBitmap> FMasterBitmap;
    std::unique_ptr<TsSkinImages> FImages;
    std::unique_ptr<TsSkinPatterns> FPatterns;
    std::unique_ptr<TsSkinGenerals> FGeneralData;
    std::unique_ptr<TMemoryStream> FData;
};

// The skins a manager keeps in its form. Assigning another collection to it changes nothing: stored skins come
// only from the form description and from items added to it.
class TsStoredSkins : public TsTypedCollection<TsStoredSkin> {
    CLASS_INFO(TsStoredSkins, TOwnedCollection)
public:
    explicit TsStoredSkins(TsSkinManager* Manager);
    void Assign(TPersistent* Source) override { (void)Source; }
    // The first skin of exactly that name (case counts), -1 for none.
    int IndexOf(const std::string& Name) const;
};
