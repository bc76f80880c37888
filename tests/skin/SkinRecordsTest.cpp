// Every sample skin of the suite, read from its folder and from its packed file, gives exactly the records kept in
// records-<name>.txt beside this program: the skin data, every section with its gradients, every image with its
// fields and a digest of its pixels, the textures, the master bitmap and the cached indexes. The files were written
// by the loader these records describe, so a loader that reads a sound skin any differently fails here field by
// field. BRIMLET_SKIN_RECORDS_OUT=<folder> writes the records there instead of comparing them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>

#include "SkinRecords.h"

#include "SkinManagerFixtures.h"
#include "classlib/visual/JPEG.h"

namespace {

std::string Digest(const std::string& Bytes) {
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : Bytes) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

std::string BitmapDigest(TBitmap* Bmp) {
    if (!Bmp || Bmp->Empty())
        return "none";
    return std::to_string(Bmp->Width()) + "x" + std::to_string(Bmp->Height()) + ":" +
           Digest(PixelsOf(Bmp, TRect(0, 0, Bmp->Width(), Bmp->Height())));
}

std::string Stops(const TsGradArray& Stops) {
    std::string text;
    for (const TsGradPie& p : Stops)
        text += " " + std::to_string(p.Color1) + "/" + std::to_string(p.Color2) + "/" + std::to_string(p.Percent) +
                "/" + std::to_string(p.Mode);
    return text;
}

std::string Colors(const TsFontColors& C) {
    std::string text;
    for (int i = 0; i < 5; ++i)
        text += (i ? "," : "") + std::to_string(C[i]);
    return text;
}

// The loaded skin as text, one line per record, in the order the manager holds them.
std::string Records(TsSkinManager& M) {
    std::ostringstream out;
    const TsSkinData& d = *M.SkinData();
    out << "active " << M.Active() << " version " << d.Version << " author [" << d.Author << "] description ["
        << d.Description << "] shadow " << d.Shadow1Color << "," << d.Shadow1Offset << "," << d.Shadow1Blur << ","
        << d.Shadow1Transparency << " border " << d.BorderColor << " bi " << d.BISpacing << "," << d.BIVAlign << "\n";
    for (const TsGeneralData& g : M.Sections)
        out << "section [" << g.ClassName << "] parent [" << g.ParentClass << "] color " << g.Color << " font "
            << Colors(g.FontColor) << " hotfont " << Colors(g.HotFontColor) << " own " << g.GiveOwnFont << " res "
            << g.ReservedBoolean << " transparency " << g.Transparency << " gradient% " << g.GradientPercent
            << " image% " << g.ImagePercent << " focus " << g.ShowFocus << " fading " << g.FadingEnabled << ","
            << g.FadingIterations << " hot " << g.HotColor << "," << g.HotTransparency << "," << g.HotGradientPercent
            << "," << g.HotImagePercent << "\n  gradient [" << g.GradientData << "]" << Stops(g.GradientArray)
            << "\n  hotgradient [" << g.HotGradientData << "]" << Stops(g.HotGradientArray) << "\n";
    for (const TsMaskData& m : M.Masks)
        out << "image [" << m.ClassName << "] [" << m.PropertyName << "] rect " << m.R.left << "," << m.R.top << ","
            << m.R.right << "," << m.R.bottom << " count " << m.ImageCount << " mask " << m.MaskType << " border "
            << m.BorderWidth << " draw " << m.DrawMode << " type " << static_cast<int>(m.ImgType) << " widths " << m.WL
            << "," << m.WT << "," << m.WR << "," << m.WB << " own "
            << (m.Bmp ? BitmapDigest(m.Bmp.get()) : std::string("master")) << " pixels " << Digest(MaskPixels(m))
            << "\n";
    for (const TsPatternData& p : M.Patterns) {
        auto* jpeg = dynamic_cast<TJPEGImage*>(p.Img.get());
        out << "texture [" << p.ClassName << "] [" << p.PropertyName << "] "
            << (jpeg ? BitmapDigest(jpeg->Bitmap()) : std::string("not a JPEG")) << "\n";
    }
    out << "master " << BitmapDigest(M.MasterBitmap.get()) << "\n";
    static_assert(sizeof(TacConstData) % sizeof(int) == 0);
    const int* indexes = reinterpret_cast<const int*>(&M.ConstData);
    out << "indexes";
    for (size_t i = 0; i < sizeof(TacConstData) / sizeof(int); ++i)
        out << " " << indexes[i];
    out << "\n";
    return out.str();
}

std::string ReadText(const std::string& Name) {
    std::ifstream in(Name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Compares line by line, so that a difference names the record it is in.
void ExpectSameRecords(const std::string& Expected, const std::string& Actual, const std::string& What) {
    std::istringstream e(Expected), a(Actual);
    std::string el, al;
    int line = 0;
    while (true) {
        bool moreE = static_cast<bool>(std::getline(e, el)), moreA = static_cast<bool>(std::getline(a, al));
        ++line;
        if (!moreE && !moreA)
            return;
        ASSERT_EQ(el, al) << What << ", line " << line;
    }
}

TEST(SkinRecords, EverySampleSkinLoadsToItsRecordsFromItsFolderAndPacked) {
    const char* out = std::getenv("BRIMLET_SKIN_RECORDS_OUT");
    for (RecordedSkin& r : RecordedSkins()) {
        SampleSkinDir dir(r.Skin);
        for (bool packed : {false, true}) {
            std::string name = packed ? dir.PackedName() : r.Skin.Name;
            auto manager = ManagerOn(dir.Path());
            if (r.Setup)
                r.Setup(*manager);
            manager->SetSkinName(name);
            ASSERT_TRUE(manager->Active()) << name;
            std::string records = Records(*manager);
            std::string file = "records-" + r.Skin.Name + ".txt";
            if (out) {
                if (!packed) {
                    std::ofstream(std::string(out) + "\\" + file, std::ios::binary) << records;
                    continue;
                }
                // Both ways of storing a skin read the same records.
                EXPECT_EQ(records, ReadText(std::string(out) + "\\" + file)) << name;
                continue;
            }
            std::string expected = ReadText(file);
            ASSERT_FALSE(expected.empty()) << file << " is missing";
            ExpectSameRecords(expected, records, name);
        }
    }
}

}  // namespace
