// The sample skin generator itself: its files load with the class library's readers, and every image its
// description names exists, inside the master bitmap where it is a rectangle of it.
#include "SkinSamples.h"

#include "skin/engine/acSkinPack.h"
#include "skin/engine/acntUtils.h"
#include "tests/support/TempDir.h"

#include "classlib/visual/JPEG.h"
#include "classlib/runtime/Streams.h"
#include "classlib/runtime/SysUtils.h"

#include <gtest/gtest.h>

namespace {

template <class G>
std::unique_ptr<G> Loaded(const std::string& bytes) {
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<long>(bytes.size()));
    stream.SetPosition(0);
    auto graphic = std::make_unique<G>();
    graphic->LoadFromStream(&stream);
    return graphic;
}

}  // namespace

TEST(SampleSkin, ImagesLoadWithTheClassLibrary) {
    SampleSkin skin = MakeSampleSkin();
    auto master = Loaded<TBitmap>(skin.File("MASTER.BMP"));
    EXPECT_EQ(master->Width(), 512);
    EXPECT_EQ(master->Height(), 256);
    EXPECT_EQ(master->PixelFormat(), pf24bit);
    EXPECT_EQ(master->PixelColor(64, 0), clFuchsia);  // a magenta corner of the form frame
    EXPECT_EQ(master->PixelColor(0, 100), 0x808080);  // pure grey
    auto edge = Loaded<TBitmap>(skin.File("EDGE.BMP"));
    EXPECT_EQ(edge->Width(), 48);
    auto small = Loaded<TJPEGImage>(skin.File("SMALL.JPG"));
    EXPECT_EQ(small->Width() * small->Height(), 64 * 64);  // below 90000 pixels: a mask
    auto big = Loaded<TJPEGImage>(skin.File("BIG.JPG"));
    EXPECT_EQ(big->Width(), 300);
    EXPECT_EQ(big->Height(), 300);  // 90000 pixels: a texture
}

TEST(SampleSkin, EveryNamedImageExistsAndLiesInsideTheMasterBitmap) {
    SampleSkin skin = MakeSampleSkin();
    TStringList lines, sections;
    lines.SetText(skin.File("Options.dat"));
    LoadIniFromStrings(&lines, &sections);
    EXPECT_EQ(ReadIniString(&sections, "GLOBALINFO", "MASTERBITMAP", ""), "MASTER.BMP");
    int rectangles = 0, files = 0;
    for (int i = 0; i < sections.Count(); ++i) {
        auto* keys = static_cast<TStrings*>(sections.Objects(i));
        for (int k = 0; k < keys->Count(); ++k) {
            std::string value = keys->ValueFromIndex(k), upper = UpperCase(value);
            if (value.empty())
                continue;
            if (value[0] == '~' || value[0] == '@' || value[0] == '^') {
                int l = StrToInt(value.substr(1, 4)), t = StrToInt(value.substr(6, 4));
                int r = StrToInt(value.substr(11, 4)), b = StrToInt(value.substr(16, 4));
                EXPECT_TRUE(l >= 0 && t >= 0 && l < r && t < b && r <= 512 && b <= 256) << value;
                ++rectangles;
            } else if (value[0] == '!' || upper.find(".BMP") != std::string::npos ||
                       upper.find(".JPG") != std::string::npos || upper.find(".JPEG") != std::string::npos) {
                // File names are found without regard to case, as the skin's loader finds them.
                std::string name = UpperCase(value[0] == '!' ? ExtractWord(1, value, "!") : value);
                EXPECT_NO_THROW(skin.File(name)) << name;
                ++files;
            } else if (value.find('#') != std::string::npos) {
                ++rectangles;
            }
        }
    }
    EXPECT_GE(rectangles, 60);
    EXPECT_GE(files, 10);
}

TEST(SampleSkin, FolderAndPackedFormHoldTheSameFiles) {
    TempDir dir;
    SampleSkin skin = MakeSampleSkin("ROUND");
    std::string folder = WriteSkinFolder(dir.Path(), skin);
    EXPECT_EQ(folder, dir.Path() + "ROUND\\");
    for (const SkinFile& f : skin.Files)
        EXPECT_EQ(ReadFileBytes(folder + f.Name), f.Data) << f.Name;
    std::unique_ptr<TacSkinConvertor> c;
    LoadPackedSkinFile(WritePackedSkin(dir.Path(), skin), c, true);
    ASSERT_NE(c, nullptr);
    ASSERT_NE(c->Options, nullptr);
    EXPECT_EQ(c->Files.size(), skin.Files.size() - 1);
}
