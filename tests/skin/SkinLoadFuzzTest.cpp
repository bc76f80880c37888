// Damaged skins: a corpus of broken descriptions and images, and thousands of random changes to a valid skin,
// folder and packed. Each either loads, with every image inside its bitmap, or ends as no skin; nothing crashes,
// hangs or stays allocated. BRIMLET_SKIN_FUZZ_ROUNDS sets the number of random changes (300 by default, a few
// seconds); a long run: BRIMLET_SKIN_FUZZ_ROUNDS=15000 scripts/test debug -R skin_fuzz (about three minutes)
#include "CountedAllocations.h"
#include "HostileSkinSamples.h"
#include "MessageBoxCatcher.h"
#include "SkinManagerFixtures.h"

#include "skin/engine/acSkinLimits.h"

#include "classlib/runtime/SysUtils.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>

namespace {

// A small valid skin: a master bitmap with framed states, one own bitmap, one small JPEG, every image format.
SampleSkin SmallSkin() {
    SampleSkin skin;
    skin.Name = "FUZZ";
    skin.Files.push_back({"Options.dat",
                          "[GLOBALINFO]\r\nVERSION=6.0\r\nMASTERBITMAP=M.BMP\r\nSHADOW1OFFSET=2\r\nCOLOR=12632256\r\n"
                          "BOXCHECKED=@0000,0000,0030,0020,3,1\r\n"
                          "[BUTTON]\r\nCOLOR=255\r\nFONTCOLOR=0\r\nTCLEFT=65280\r\nGRADIENTPERCENT=50\r\n"
                          "GRADIENTDATA=255;65280;50;0;0;65280;16711680;50;0;0\r\n"
                          "BORDERSMASK=^0000,0000,0030,0020,0002,0002,0002,0002,3,1,0,0\r\n"
                          "[EDIT]\r\nPARENTCLASS=BUTTON\r\nCOLOR=-1\r\nBORDERSMASK=!E.BMP!3!1!0!2!2!2!2\r\n"
                          "PATTERN=~0032,0000,0048,0016,00\r\nHOTPATTERN=T.JPG\r\n"
                          "[PANEL]\r\nPARENTCLASS=EDIT\r\nBORDERSMASK=#(0,20,30,30)(3,0,2,1)\r\nGLYPHMASK=F.BMP\r\n"
                          "[SCROLLBTNTOP]\r\nBORDERSMASK=^0032,0016,0048,0032,0000,0000,0000,0000,1,0,0,2\r\n"
                          "GLYPHMASK=@0032,0016,0048,0032,1,0\r\n"});
    skin.Files.push_back({"M.BMP", BmpFile24(48, 32, [](int x, int y) {
                              return static_cast<SampleColor>((x * 5) | ((y * 7) << 8) | ((x ^ y) << 16));
                          })});
    skin.Files.push_back({"E.BMP", BmpFile24(24, 16, [](int x, int) { return x < 8 ? 0xFF00FFu : 0x00C080u; })});
    skin.Files.push_back({"F.BMP", BmpFile24(12, 8, [](int, int y) { return y * 30u; })});
    skin.Files.push_back({"T.JPG", JpegFile(16, 16, [](int x, int y) { return static_cast<SampleColor>(x * y); })});
    return skin;
}

// What a sound manager looks like after any load: a skin whose every image lies inside its 24-bit bitmap and
// whose cached indexes are valid, or no skin at all.
void ExpectSound(TsSkinManager& m, const std::string& what) {
    ASSERT_FALSE(acSkinLoading) << what;
    ASSERT_FALSE(acSkinChanging) << what;
    ASSERT_FALSE(acSkinRemoving) << what;
    if (!m.Active()) {
        ASSERT_TRUE(m.Sections.empty()) << what;
        ASSERT_TRUE(m.Masks.empty()) << what;
        ASSERT_TRUE(m.Patterns.empty()) << what;
        ASSERT_FALSE(m.SkinData()->Active) << what;
        ASSERT_EQ(m.ConstData.IndexGlobalInfo, -1) << what;
        ASSERT_EQ(m.ConstData.ScrollBtnTop.MaskIndex, -1) << what;
        return;
    }
    ASSERT_TRUE(m.SkinData()->Active) << what;
    for (const TsMaskData& mask : m.Masks) {
        TBitmap* source = MaskSourceBitmap(mask);
        ASSERT_NE(source, nullptr) << what;
        ASSERT_EQ(source->PixelFormat(), pf24bit) << what;
        ASSERT_TRUE(mask.R.left >= 0 && mask.R.top >= 0 && mask.R.right > mask.R.left &&
                    mask.R.bottom > mask.R.top && mask.R.right <= source->Width() &&
                    mask.R.bottom <= source->Height())
            << what << ": " << mask.ClassName << "." << mask.PropertyName;
        ASSERT_GE(mask.ImageCount, 0) << what;
        ASSERT_GE(mask.MaskType, 0) << what;
    }
    auto valid = [&](int i) { return i == -1 || m.IsValidImgIndex(i); };
    const TacConstData& c = m.ConstData;
    for (int i : {c.CheckBoxChecked, c.ComboBtn.MaskIndex, c.ScrollBtnTop.MaskIndex, c.ScrollBtnTop.GlyphIndex,
                  c.ScrollBtnTop.Texture, c.ScrollSliderV.MaskIndex, c.TabTop.MaskIndex, c.ScrollBar1H.HotTexture})
        ASSERT_TRUE(valid(i)) << what;
    // Every lookup painters make answers without running away.
    for (size_t s = 0; s < m.Sections.size(); ++s) {
        const std::string& name = m.Sections[s].ClassName;
        for (const char* key : {"BORDERSMASK", "PATTERN", "HOTPATTERN", "GLYPHMASK"}) {
            ASSERT_TRUE(valid(m.GetMaskIndex(static_cast<int>(s), name, key))) << what;
            ASSERT_TRUE(valid(m.GetTextureIndex(static_cast<int>(s), name, key))) << what;
            int pattern = m.GetPatternIndex(static_cast<int>(s), name, key);
            ASSERT_TRUE(pattern == -1 || pattern < static_cast<int>(m.Patterns.size())) << what;
        }
    }
    for (int i = 0; i < static_cast<int>(m.Masks.size()); ++i) {
        TSize size = m.GetMaskFrameSize(i);
        ASSERT_GE(size.cx, 0) << what;
        m.MaskWidthLeft(i);
        m.MaskWidthRight(i);
        m.MaskWidthBottom(i);
    }
}

class SkinFuzz : public ::testing::Test {
protected:
    void SetUp() override { manager = ManagerOn(dir.Path()); }
    // Writes the skin as a folder and as a packed file and loads both ways.
    void LoadBothWays(const SampleSkin& Skin, const std::string& What) {
        WriteSkinFolder(dir.Path(), Skin);
        manager->SetActive(true);
        manager->SetSkinName(Skin.Name);
        ExpectSound(*manager, What + " (folder)");
        SampleSkin packed = Skin;
        packed.Name = "P" + Skin.Name;
        WritePackedSkin(dir.Path(), packed);
        manager->SetActive(true);
        manager->SetSkinName(packed.Name);
        ExpectSound(*manager, What + " (packed)");
    }
    SampleSkin With(const std::string& Options, std::vector<SkinFile> Files = {}) {
        SampleSkin skin = SmallSkin();
        skin.Name = "C" + std::to_string(++count);
        skin.Files[0].Data = Options;
        for (SkinFile& f : Files)
            for (SkinFile& existing : skin.Files)
                if (existing.Name == f.Name)
                    existing.Data = f.Data;
        return skin;
    }
    TempDir dir;
    std::unique_ptr<TsSkinManager> manager;
    int count = 0;
};

std::string Replaced(std::string Text, const std::string& From, const std::string& To) {
    size_t at = Text.find(From);
    if (at != std::string::npos)
        Text.replace(at, From.size(), To);
    return Text;
}

void PutLE32(std::string& Bytes, size_t At, uint32_t Value) {
    for (int b = 0; b < 4; ++b)
        Bytes[At + b] = static_cast<char>(Value >> (8 * b));
}

}  // namespace

TEST_F(SkinFuzz, ABrokenCorpusLoadsOrEndsAsNoSkin) {
    const std::string good = SmallSkin().Files[0].Data;
    std::vector<std::string> descriptions = {
        "",
        "\x01\x02\xff garbage without sections",
        "[GLOBALINFO\r\nMASTERBITMAP=M.BMP\r\n[=]\r\n==\r\n[]\r\nNOEQUALS\r\n",
        "[A]\r\nPARENTCLASS=B\r\nBORDERSMASK=~0000,0000,0010,0010,00\r\n[B]\r\nPARENTCLASS=C\r\n[C]\r\nPARENTCLASS=a\r\n",
        "[GLOBALINFO]\r\nMASTERBITMAP=M.BMP\r\n[X]\r\nA=~\r\nB=^\r\nC=@\r\nD=!\r\nE=#\r\nF=~0000\r\nG=^0000,0000,0010\r\n"
        "H=@0000,0000,0010,0010\r\nI=^0000,0000,0010,0010,0001,0001,0001,0001,x,1,0,0\r\nJ=#()()\r\nK=#(1,2)(3)\r\n"
        "L=#(a,b,c,d)(1,0,0,0)\r\nM=!.BMP\r\nN=!E.BMP!x!1!0\r\nO=!E.BMP!3!1!9\r\nP=!E.BMP!3!1!0!5!6\r\n"
        "Q=!E.BMP!-3!-1!0\r\nR=.bmp\r\nS=.JPG\r\nT=~9999,9999,9999,9999,99,9\r\nU=~-001,-001,0010,0010,00\r\n",
        "[GLOBALINFO]\r\nMASTERBITMAP=M.BMP\r\n[X]\r\nOUT=^0040,0020,0060,0040,0001,0001,0001,0001,1,0,0,0\r\n"
        "ZEROCOUNT=@0000,0000,0030,0020,0,0\r\nZEROWIDE=^0010,0010,0010,0020,0000,0000,0000,0000,1,0,0,0\r\n"
        "ZEROFILE=!E.BMP!0!0!0\r\nHASHZERO=#(0,0,30,20)(0,0,0,0)\r\n",
        "[GLOBALINFO]\r\nVERSION=x.y\r\nSHADOW1OFFSET=abc\r\nSHADOW1BLUR=\r\nSHADOW1TRANSPARENCY=0x\r\nBISPACE=?\r\n"
        "[S]\r\nCOLOR=abc\r\nGRADIENTDATA=;;;;;;;;;;\r\nHOTGRADIENTDATA=1;2;3\r\nTRANSPARENCY=99999999999999\r\n"
        "FONTCOLOR=$\r\nFADINGITERATIONS=-\r\n",
        "[GLOBALINFO]\r\nMASTERBITMAP=" + std::string(3000, 'X') + ".BMP\r\n[" + std::string(5000, 'S') + "]\r\nK=" +
            std::string(20000, '#') + "\r\n",
        "[GLOBALINFO]\r\nMASTERBITMAP=C:\\\r\n[X]\r\nA=C:\\nothing\\at\\all.bmp\r\nB=..\\..\\..\\M.BMP\r\nC=M.BMP\\\r\n",
        "[GLOBALINFO]\r\nMASTERBITMAP=T.JPG\r\n[X]\r\nA=^0000,0000,0010,0010,0001,0001,0001,0001,1,0,0,0\r\nB=M.BMP\r\n",
        Replaced(good, "MASTERBITMAP=M.BMP", "MASTERBITMAP="),
    };
    for (size_t i = 0; i < descriptions.size(); ++i)
        LoadBothWays(With(descriptions[i]), "description " + std::to_string(i));

    // Images that end early or whose headers lie.
    std::string bmp = SmallSkin().Files[1].Data, jpeg = SmallSkin().Files[4].Data;
    std::vector<std::string> bitmaps = {"", "BM", bmp.substr(0, 30), bmp.substr(0, 54), bmp.substr(0, bmp.size() / 2)};
    for (auto [at, value] : std::vector<std::pair<size_t, uint32_t>>{
             {18, 0x7FFFFFFF}, {22, 0x80000000}, {18, 0}, {10, 0xFFFFFF00}, {28, 0x00200001}, {28, 0x00030001},
             {30, 3}, {46, 0xFFFFFFFF}, {14, 12}, {14, 0xFFFF}, {2, 1}, {22, 0xFFFFFFE0}}) {
        std::string lying = bmp;
        PutLE32(lying, at, value);
        bitmaps.push_back(lying);
    }
    for (size_t i = 0; i < bitmaps.size(); ++i) {
        LoadBothWays(With(good, {{"M.BMP", bitmaps[i]}}), "master bitmap " + std::to_string(i));
        LoadBothWays(With(good, {{"E.BMP", bitmaps[i]}}), "own bitmap " + std::to_string(i));
    }
    std::vector<std::string> jpegs = {"", "\xff\xd8", jpeg.substr(0, 20), jpeg.substr(0, jpeg.size() / 2),
                                      jpeg.substr(0, jpeg.size() - 2)};
    for (size_t at : {std::string::size_type(0), jpeg.find("\xff\xc0"), jpeg.find("\xff\xc4"), jpeg.find("\xff\xda")}) {
        if (at == std::string::npos || at + 9 >= jpeg.size())
            continue;
        std::string lying = jpeg;
        lying[at + 5] = lying[at + 6] = lying[at + 7] = lying[at + 8] = '\xff';  // sizes, lengths, tables
        jpegs.push_back(lying);
    }
    for (size_t i = 0; i < jpegs.size(); ++i)
        LoadBothWays(With(good, {{"T.JPG", jpegs[i]}}), "JPEG " + std::to_string(i));

    // Packed files without a description, with a lying count, or with the wrong magic (which is reported).
    std::vector<PackedItem> noOptions = {PackedItemOf("M.BMP", bmp)};
    WriteFileBytes(dir.File("NOOPT.vqz"), PackItems(noOptions));
    WriteFileBytes(dir.File("COUNT.vqz"), PackItems({PackedItemOf("Options.dat", good)}, 0x7FFFFFFF));
    WriteFileBytes(dir.File("MAGIC.vqz"), "QVpx" + PackSkin(SmallSkin()).substr(4));
    WriteFileBytes(dir.File("EMPTY.vqz"), "");
    MessageBoxCatcher boxes;
    for (const char* name : {"NOOPT", "COUNT", "MAGIC", "EMPTY"}) {
        manager->SetActive(true);
        manager->SetSkinName(name);
        ExpectSound(*manager, name);
        EXPECT_FALSE(manager->Active()) << name;
    }
    // The wrong magic is reported to the user; the other damage is only refused.
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Text, "Loaded data is not packed QuorvexSkin file");
}

TEST_F(SkinFuzz, RandomChangesToAValidSkinNeverCrashHangOrLeak) {
    const SampleSkin base = SmallSkin();
    int rounds = 300;
    if (const char* env = std::getenv("BRIMLET_SKIN_FUZZ_ROUNDS"))
        rounds = std::max(1, std::atoi(env));
    std::mt19937 random(20261210);
    auto pick = [&](size_t n) { return n ? static_cast<size_t>(random() % n) : 0; };
    const std::string digits = "0123456789-x$ ,;#~@^!()?";
    LoadBothWays(base, "warm-up");
    manager->SetActive(false);
    long before = liveAllocations;
    int loaded = 0, refused = 0;
    for (int round = 0; round < rounds; ++round) {
        SampleSkin skin = base;
        skin.Name = "R" + std::to_string(round % 7);
        SkinFile& target = skin.Files[pick(skin.Files.size())];
        std::string& bytes = target.Data;
        int changes = 1 + static_cast<int>(pick(4));
        for (int k = 0; k < changes && !bytes.empty(); ++k) {
            switch (pick(6)) {
            case 0:  // one character of a number or a separator swapped for another
                bytes[pick(bytes.size())] = digits[pick(digits.size())];
                break;
            case 1:  // a bit flipped
                bytes[pick(bytes.size())] ^= static_cast<char>(1 << pick(8));
                break;
            case 2:  // cut short
                bytes.resize(pick(bytes.size()));
                break;
            case 3:  // a run of bytes taken out or repeated
                if (random() & 1)
                    bytes.erase(pick(bytes.size()), 1 + pick(24));
                else {
                    size_t at = pick(bytes.size());
                    bytes.insert(at, bytes.substr(at, 1 + pick(24)));
                }
                break;
            case 4:  // a header field of an image set to an extreme
                if (bytes.size() > 40) {
                    static const uint32_t values[] = {0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFF};
                    PutLE32(bytes, pick(std::min<size_t>(bytes.size() - 4, 60)), values[pick(6)]);
                }
                break;
            default:  // a line of the description repeated under another section
                if (&target == &skin.Files[0]) {
                    size_t a = bytes.find('\n', pick(bytes.size()));
                    size_t b = a == std::string::npos ? a : bytes.find('\n', a + 1);
                    if (b != std::string::npos)
                        bytes += "[Z]" + bytes.substr(a, b - a + 1);
                }
                break;
            }
        }
        std::string what = "round " + std::to_string(round) + " (" + target.Name + ")";
        if (round % 2 == 0) {
            WriteSkinFolder(dir.Path(), skin);
        } else {
            // Now and then the packed bytes themselves are damaged after the magic.
            std::string packed = PackSkin(skin);
            if (round % 6 == 1)
                packed[4 + pick(packed.size() - 4)] ^= static_cast<char>(1 << pick(8));
            WriteFileBytes(dir.File(skin.Name + ".vqz"), packed);
        }
        manager->SetSkinName(skin.Name);
        manager->SetActive(true);
        ExpectSound(*manager, what);
        if (HasFatalFailure())
            return;
        (manager->Active() ? loaded : refused)++;
        // The same skin again leaves exactly as much allocated: a path that leaks shows at once, while the
        // libraries' one-time set-ups (the first of some error, say) are done by the first load.
        manager->SetActive(false);
        long afterFirst = liveAllocations;
        manager->SetActive(true);
        manager->SetActive(false);
        ASSERT_EQ(liveAllocations.load(), afterFirst) << what;
        if (round % 2 == 1)
            DeleteFileA(dir.File(skin.Name + ".vqz").c_str());
    }
    // Over the whole run, at most a handful of one-time set-ups; a leak of every load would be thousands.
    EXPECT_LE(liveAllocations.load() - before, 16);
    EXPECT_GT(loaded, 0);
    EXPECT_GT(refused, 0);
    std::printf("%d random changes: %d loaded, %d ended as no skin\n", rounds, loaded, refused);
}

// --- skins made to cost the loader all their size allows ---

namespace {

// The process's GDI objects as the system counts them; Wine answers 0, where SkinBitmapHandles does the counting.
long GdiObjects() { return static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)); }

// The GDI bitmaps the loaded skin holds: the master bitmap's and those of the images that have their own.
std::set<HGDIOBJ> SkinBitmapHandles(TsSkinManager& M) {
    std::set<HGDIOBJ> handles;
    for (const TsMaskData& m : M.Masks)
        if (m.Bmp && m.Bmp->HandleAllocated())
            handles.insert(m.Bmp->Handle());
    if (M.MasterBitmap && M.MasterBitmap->HandleAllocated())
        handles.insert(M.MasterBitmap->Handle());
    return handles;
}

size_t DistinctBitmaps(TsSkinManager& M) { return SkinBitmapHandles(M).size(); }

}  // namespace

TEST_F(SkinFuzz, HostileShapesLoadWithinTheLimitsOrEndAsNoSkin) {
    struct Case {
        THostileShape Shape;
        int Size;
        bool Loads;
        // Thousands of files in one folder are read packed only: Wine looks names up in a folder by reading it.
        bool PackedOnly = false;
    };
    const std::vector<Case> cases = {
        {THostileShape::Chain, 300, true},         {THostileShape::Chain, acMaxSkinSections + 1, false},
        {THostileShape::Cycle, 150, true},         {THostileShape::LongGradient, 60, true},
        {THostileShape::LongGradient, 3000, true}, {THostileShape::ManySections, 400, true},
        {THostileShape::ManyKeys, 10000, true},    {THostileShape::ManyBitmaps, acMaxSkinBitmaps + 20, true, true},
        {THostileShape::PackedItems, 5000, true, true},  {THostileShape::BigBitmap, 1024, true},
        {THostileShape::BigBitmap, 4100, true},     {THostileShape::LongGradient, 50000, false},
    };
    LoadBothWays(SmallSkin(), "warm-up");
    manager->SetActive(false);
    long gdiBefore = GdiObjects();
    for (const Case& c : cases) {
        SampleSkin skin = MakeHostileSkin(c.Shape, c.Size, "H" + std::to_string(++count));
        std::vector<std::string> names;
        if (!c.PackedOnly) {
            WriteSkinFolder(dir.Path(), skin);
            names.push_back(skin.Name);
        }
        SampleSkin packed = skin;
        packed.Name = "P" + skin.Name;
        WritePackedSkin(dir.Path(), packed);
        names.push_back(packed.Name);
        for (const std::string& name : names) {
            std::string what =
                std::string(HostileShapeName(c.Shape)) + " " + std::to_string(c.Size) + " (" + name + ")";
            long heapBefore = liveAllocations;
            // Named while inactive, so that the skin before (whose files are gone) is not loaded first.
            manager->SetSkinName(name);
            manager->SetActive(true);
            ExpectSound(*manager, what);
            if (HasFatalFailure())
                return;
            ASSERT_EQ(manager->Active(), c.Loads) << what << ": " << manager->LoadError();
            EXPECT_EQ(manager->LoadError().empty(), c.Loads) << what;
            if (!c.Loads) {
                EXPECT_EQ(manager->LoadError().rfind("The skin \"" + name + "\" is not loaded: ", 0), 0u)
                    << manager->LoadError();
            }
            EXPECT_LE(manager->Masks.size() + manager->Patterns.size(), static_cast<size_t>(acMaxSkinImages)) << what;
            EXPECT_LE(DistinctBitmaps(*manager), static_cast<size_t>(acMaxSkinBitmaps)) << what;
            // The skin's GDI objects are its bitmaps (and a few besides where the system counts them).
            std::set<HGDIOBJ> handles = SkinBitmapHandles(*manager);
            for (HGDIOBJ h : handles)
                ASSERT_EQ(GetObjectType(h), static_cast<DWORD>(OBJ_BITMAP)) << what;
            EXPECT_LE(GdiObjects() - gdiBefore, static_cast<long>(handles.size()) + 8) << what;
            TsSkinManager& m = *manager;
            switch (c.Shape) {
            case THostileShape::Chain:
                if (c.Loads) {
                    // The far end still inherits from the head of the chain, and finds its image there.
                    EXPECT_EQ(m.Sections[m.GetSkinIndex("SCROLLBAR1H")].Color, 65280) << what;
                    EXPECT_GE(m.ConstData.ScrollBar1H.MaskIndex, 0) << what;
                } else {
                    EXPECT_NE(m.LoadError().find("sections"), std::string::npos) << m.LoadError();
                }
                break;
            case THostileShape::Cycle:
                EXPECT_EQ(m.ConstData.TabTop.MaskIndex, -1) << what;
                EXPECT_EQ(m.ConstData.ScrollSliderV.MaskIndex, -1) << what;
                EXPECT_EQ(m.Sections[m.GetSkinIndex("L7")].Color, static_cast<TColor>(0xFFFFFF)) << what;
                break;
            case THostileShape::LongGradient: {
                if (!c.Loads) {
                    // A description of more than 2 MB is not read at all.
                    EXPECT_NE(m.LoadError().find("its description holds"), std::string::npos) << m.LoadError();
                    break;
                }
                // A gradient of sound length is inherited whole; one longer than any gradient needs is none.
                const TsGeneralData& g = m.Sections[m.GetSkinIndex("G9")];
                EXPECT_EQ(g.GradientArray.size(), c.Size == 60 ? 60u : 0u) << what;
                EXPECT_EQ(g.HotGradientArray.size(), c.Size == 60 ? 60u : 0u) << what;
                break;
            }
            case THostileShape::ManyKeys:
                // Thousands of keys naming one file hold one bitmap of it.
                EXPECT_EQ(m.Masks.size(), static_cast<size_t>(acMaxSkinImages)) << what;
                EXPECT_EQ(DistinctBitmaps(m), 2u) << what;  // the master and E.BMP
                break;
            case THostileShape::ManyBitmaps:
                EXPECT_EQ(DistinctBitmaps(m), static_cast<size_t>(acMaxSkinBitmaps)) << what;
                break;
            case THostileShape::BigBitmap: {
                int big = m.GetMaskIndexByName("BIG", "K1");
                if (c.Size * c.Size <= acMaxSkinBitmapPixels) {
                    ASSERT_GE(big, 0) << what;
                    EXPECT_EQ(m.Masks[big].Bmp->Width(), c.Size) << what;
                    EXPECT_EQ(DistinctBitmaps(m), 3u) << what;  // the master, E.BMP and BIG.BMP once
                } else {
                    EXPECT_EQ(big, -1) << what;  // too large: that picture alone is left out
                }
                break;
            }
            default:
                break;
            }
            manager->SetActive(false);
            // Removed, the skin leaves no GDI object and no allocation behind.
            for (HGDIOBJ h : handles)
                ASSERT_EQ(GetObjectType(h), 0u) << what << ": a bitmap of the skin is still there";
            handles.clear();
            EXPECT_EQ(GdiObjects(), gdiBefore) << what;
            // A few one-time set-ups of the libraries may stay; a leak of every section or image would be hundreds.
            EXPECT_LE(liveAllocations - heapBefore, 64) << what;
        }
        DeleteFileA(dir.File(packed.Name + ".vqz").c_str());
    }
}
