#pragma once
// Skin managers on the sample skin for the tests of loading and broadcasting: the sample written as a folder and
// as a packed file into a fresh folder, the same skin stored in the program both ways, and comparisons of two
// loaded skins.
#include "SkinSamples.h"
#include "skin/engine/sSkinManager.h"
#include "tests/support/TempDir.h"

#include "classlib/runtime/FormResources.h"
#include "classlib/visual/JPEG.h"
#include "classlib/runtime/Streams.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

// A fresh folder holding a skin as the folder Name and as the packed file PACKED_Name.vqz.
class SampleSkinDir {
public:
    explicit SampleSkinDir(SampleSkin skin = MakeSampleSkin()) : Skin(std::move(skin)) {
        WriteSkinFolder(Dir.Path(), Skin);
        SampleSkin packed = Skin;
        packed.Name = PackedName();
        WritePackedSkin(Dir.Path(), packed);
    }
    std::string PackedName() const { return "PACKED_" + Skin.Name; }
    const std::string& Path() const { return Dir.Path(); }
    TempDir Dir;
    SampleSkin Skin;
};

// A manager reading from Dir; no skin is loaded until a name is set.
inline std::unique_ptr<TsSkinManager> ManagerOn(const std::string& Dir, TComponent* Owner = nullptr) {
    auto manager = std::make_unique<TsSkinManager>(Owner);
    manager->SetSkinDirectory(Dir);
    return manager;
}

// The bytes of an image's rectangle, row by row (three bytes a pixel).
inline std::string PixelsOf(TBitmap* Bmp, const TRect& R) {
    std::string bytes;
    if (!Bmp)
        return bytes;
    for (int y = R.top; y < R.bottom; ++y) {
        auto* row = static_cast<const char*>(Bmp->ScanLine(y));
        bytes.append(row + 3 * R.left, static_cast<size_t>(3 * (R.right - R.left)));
    }
    return bytes;
}

inline std::string MaskPixels(const TsMaskData& Mask) { return PixelsOf(MaskSourceBitmap(Mask), Mask.R); }

inline void ExpectSameGradient(const TsGradArray& A, const TsGradArray& B, const std::string& Where) {
    ASSERT_EQ(A.size(), B.size()) << Where;
    for (size_t i = 0; i < A.size(); ++i) {
        EXPECT_EQ(A[i].Color1, B[i].Color1) << Where;
        EXPECT_EQ(A[i].Color2, B[i].Color2) << Where;
        EXPECT_EQ(A[i].Percent, B[i].Percent) << Where;
        EXPECT_EQ(A[i].Mode, B[i].Mode) << Where;
    }
}

// The two managers hold the same skin: sections, images (with their pixels), textures and cached indexes.
inline void ExpectSameSkin(TsSkinManager& A, TsSkinManager& B) {
    ASSERT_EQ(A.Sections.size(), B.Sections.size());
    for (size_t i = 0; i < A.Sections.size(); ++i) {
        const TsGeneralData &a = A.Sections[i], &b = B.Sections[i];
        std::string where = a.ClassName;
        EXPECT_EQ(a.ClassName, b.ClassName);
        EXPECT_EQ(a.ParentClass, b.ParentClass) << where;
        EXPECT_EQ(a.Color, b.Color) << where;
        for (int c = 0; c < 5; ++c) {
            EXPECT_EQ(a.FontColor[c], b.FontColor[c]) << where;
            EXPECT_EQ(a.HotFontColor[c], b.HotFontColor[c]) << where;
        }
        EXPECT_EQ(a.GiveOwnFont, b.GiveOwnFont) << where;
        EXPECT_EQ(a.ReservedBoolean, b.ReservedBoolean) << where;
        EXPECT_EQ(a.Transparency, b.Transparency) << where;
        EXPECT_EQ(a.GradientPercent, b.GradientPercent) << where;
        EXPECT_EQ(a.ImagePercent, b.ImagePercent) << where;
        EXPECT_EQ(a.ShowFocus, b.ShowFocus) << where;
        EXPECT_EQ(a.FadingEnabled, b.FadingEnabled) << where;
        EXPECT_EQ(a.FadingIterations, b.FadingIterations) << where;
        EXPECT_EQ(a.HotColor, b.HotColor) << where;
        EXPECT_EQ(a.HotTransparency, b.HotTransparency) << where;
        EXPECT_EQ(a.HotGradientPercent, b.HotGradientPercent) << where;
        EXPECT_EQ(a.HotImagePercent, b.HotImagePercent) << where;
        ExpectSameGradient(a.GradientArray, b.GradientArray, where);
        ExpectSameGradient(a.HotGradientArray, b.HotGradientArray, where + " (hot)");
    }
    ASSERT_EQ(A.Masks.size(), B.Masks.size());
    for (size_t i = 0; i < A.Masks.size(); ++i) {
        const TsMaskData &a = A.Masks[i], &b = B.Masks[i];
        std::string where = a.ClassName + "." + a.PropertyName;
        EXPECT_EQ(a.ClassName, b.ClassName);
        EXPECT_EQ(a.PropertyName, b.PropertyName) << where;
        EXPECT_TRUE(a.R == b.R) << where;
        EXPECT_EQ(a.ImageCount, b.ImageCount) << where;
        EXPECT_EQ(a.MaskType, b.MaskType) << where;
        EXPECT_EQ(a.BorderWidth, b.BorderWidth) << where;
        EXPECT_EQ(a.DrawMode, b.DrawMode) << where;
        EXPECT_EQ(a.ImgType, b.ImgType) << where;
        EXPECT_EQ(a.WL, b.WL) << where;
        EXPECT_EQ(a.WT, b.WT) << where;
        EXPECT_EQ(a.WR, b.WR) << where;
        EXPECT_EQ(a.WB, b.WB) << where;
        EXPECT_EQ(a.Bmp != nullptr, b.Bmp != nullptr) << where;
        EXPECT_TRUE(MaskPixels(a) == MaskPixels(b)) << where;
    }
    ASSERT_EQ(A.Patterns.size(), B.Patterns.size());
    for (size_t i = 0; i < A.Patterns.size(); ++i) {
        EXPECT_EQ(A.Patterns[i].ClassName, B.Patterns[i].ClassName);
        EXPECT_EQ(A.Patterns[i].PropertyName, B.Patterns[i].PropertyName);
        EXPECT_EQ(A.Patterns[i].Img->Width(), B.Patterns[i].Img->Width());
        EXPECT_EQ(A.Patterns[i].Img->Height(), B.Patterns[i].Img->Height());
    }
    ASSERT_TRUE(A.MasterBitmap && B.MasterBitmap);
    EXPECT_TRUE(PixelsOf(A.MasterBitmap.get(), TRect(0, 0, A.MasterBitmap->Width(), A.MasterBitmap->Height())) ==
                PixelsOf(B.MasterBitmap.get(), TRect(0, 0, B.MasterBitmap->Width(), B.MasterBitmap->Height())));
    EXPECT_EQ(std::memcmp(&A.ConstData, &B.ConstData, sizeof(TacConstData)), 0);
}

// A stored skin holding a whole packed skin.
inline void StorePacked(TsStoredSkin* Stored, const SampleSkin& Skin) {
    std::string bytes = PackSkin(Skin);
    Stored->SetName(Skin.Name);
    Stored->Data()->Clear();
    Stored->Data()->WriteBuffer(bytes.data(), static_cast<long>(bytes.size()));
}

// A stored skin holding, as collections, the skin the manager has loaded.
inline void StoreCollections(TsStoredSkin* Stored, const std::string& Name, TsSkinManager& From) {
    Stored->SetName(Name);
    TsSkinData* d = From.SkinData();
    Stored->Version = d->Version;
    Stored->Author = d->Author;
    Stored->Description = d->Description;
    Stored->Shadow1Color = d->Shadow1Color;
    Stored->Shadow1Offset = d->Shadow1Offset;
    Stored->Shadow1Blur = d->Shadow1Blur;
    Stored->Shadow1Transparency = d->Shadow1Transparency;
    Stored->BorderColor = d->BorderColor;
    Stored->MasterBitmap()->Assign(From.MasterBitmap.get());
    for (const TsMaskData& m : From.Masks) {
        TsSkinImage* image = Stored->Images()->Add();
        image->SectionName = m.ClassName;
        image->PropertyName = m.PropertyName;
        if (m.Bmp) {
            image->Image()->Assign(m.Bmp.get());
        } else {
            image->Left = m.R.left, image->Top = m.R.top, image->Right = m.R.right, image->Bottom = m.R.bottom;
        }
        image->ImageCount = m.ImageCount, image->MaskType = m.MaskType, image->BorderWidth = m.BorderWidth;
        image->StretchMode = m.DrawMode;
        image->ImgType = m.ImgType;
        image->WL = m.WL, image->WT = m.WT, image->WR = m.WR, image->WB = m.WB;
    }
    auto five = [](const TsFontColors& c) {
        std::string text;
        for (int i = 0; i < 5; ++i)
            text += (i ? " " : "") + std::to_string(c[i]);
        return text;
    };
    for (const TsGeneralData& g : From.Sections) {
        TsSkinGeneral* s = Stored->GeneralData()->Add();
        s->SectionName = g.ClassName;
        s->ParentClass = g.ParentClass;
        s->Color = g.Color;
        s->ReservedBoolean = g.ReservedBoolean;
        s->FontColor = five(g.FontColor);
        s->HotFontColor = five(g.HotFontColor);
        s->Transparency = g.Transparency;
        s->GradientPercent = g.GradientPercent;
        s->GradientData = g.GradientData;
        s->ImagePercent = g.ImagePercent;
        s->ShowFocus = g.ShowFocus;
        s->FadingEnabled = g.FadingEnabled;
        s->FadingIterations = g.FadingIterations;
        s->HotColor = g.HotColor;
        s->HotTransparency = g.HotTransparency;
        s->HotGradientPercent = g.HotGradientPercent;
        s->HotGradientData = g.HotGradientData;
        s->HotImagePercent = g.HotImagePercent;
        s->GiveOwnFont = g.GiveOwnFont;
    }
    for (const TsPatternData& p : From.Patterns) {
        TsSkinPattern* pattern = Stored->Patterns()->Add();
        pattern->SectionName = p.ClassName;
        pattern->PropertyName = p.PropertyName;
        pattern->Image()->Assign(p.Img.get());
    }
}
