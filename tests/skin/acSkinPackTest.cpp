#include "skin/engine/acSkinPack.h"

#include "CountedAllocations.h"
#include "MessageBoxCatcher.h"
#include "SkinSamples.h"
#include "tests/support/TempDir.h"

#include "classlib/runtime/SysUtils.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

std::string DataOf(TMemoryStream* s) {
    return std::string(static_cast<const char*>(s->Memory()), static_cast<size_t>(s->Size()));
}

// A convertor whose packed data holds the bytes, unpacked.
std::unique_ptr<TacSkinConvertor> Unpacked(const std::string& bytes) {
    auto c = std::make_unique<TacSkinConvertor>();
    c->PackedData = std::make_unique<TMemoryStream>();
    c->PackedData->WriteBuffer(bytes.data(), static_cast<long>(bytes.size()));
    UnpackSkinData(c.get());
    return c;
}

void ExpectEmpty(const TacSkinConvertor& c) {
    EXPECT_TRUE(c.Files.empty());
    EXPECT_EQ(c.Options, nullptr);
    EXPECT_EQ(c.PackedData, nullptr);
}

// Unpacking must fail with the damage message and leave nothing behind.
void ExpectDamaged(const std::string& bytes, const std::string& why) {
    auto c = std::make_unique<TacSkinConvertor>();
    c->PackedData = std::make_unique<TMemoryStream>();
    c->PackedData->WriteBuffer(bytes.data(), static_cast<long>(bytes.size()));
    try {
        UnpackSkinData(c.get());
        ADD_FAILURE() << "no failure for " << why;
    } catch (const EReadError& e) {
        EXPECT_NE(std::string(e.what()).find("The packed skin data is damaged: "), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(why), std::string::npos) << e.what();
    }
    ExpectEmpty(*c);
}

const std::string kOptions = "[GLOBALINFO]\r\nVERSION=6.0\r\n";

}  // namespace

TEST(PackedSkin, ReadsEveryItemOfTheSampleSkin) {
    SampleSkin skin = MakeSampleSkin();
    auto c = Unpacked(PackSkin(skin));
    ASSERT_NE(c->Options, nullptr);
    EXPECT_EQ(DataOf(c->Options.get()), skin.File("Options.dat"));
    EXPECT_EQ(c->ImageCount, static_cast<int>(skin.Files.size()) - 1);
    ASSERT_EQ(c->Files.size(), skin.Files.size() - 1);
    for (size_t i = 0; i < c->Files.size(); ++i) {
        const SkinFile& f = skin.Files[i + 1];
        EXPECT_EQ(c->Files[i].FileName, f.Name);
        EXPECT_EQ(DataOf(c->Files[i].Data.get()), f.Data) << f.Name;
        EXPECT_EQ(c->Files[i].IsBitmap, UpperCase(ExtractFileExt(f.Name)) == ".BMP") << f.Name;
        EXPECT_EQ(c->Files[i].Data->Position(), 0);
    }
}

TEST(PackedSkin, ReadsStreamsStoredBackToBackWithoutLengths) {
    // Stored (level 0) and highly compressed streams of odd lengths, one after the other.
    std::string a(1000, 'a'), b = "b";
    std::vector<PackedItem> items = {{"A.BIN", ZlibStream(a, 0), 1000}, {"B.BIN", ZlibStream(b, 9), 1},
                                     PackedItemOf("Options.dat", kOptions)};
    auto c = Unpacked(PackItems(items));
    ASSERT_EQ(c->Files.size(), 2u);
    EXPECT_EQ(DataOf(c->Files[0].Data.get()), a);
    EXPECT_EQ(DataOf(c->Files[1].Data.get()), b);
    EXPECT_EQ(DataOf(c->Options.get()), kOptions);
}

TEST(PackedSkin, ZeroItemsGiveAnImageCountOfMinusOne) {
    auto c = Unpacked(PackItems({}));
    EXPECT_EQ(c->ImageCount, -1);
    EXPECT_TRUE(c->Files.empty());
    EXPECT_EQ(c->Options, nullptr);
}

TEST(PackedSkin, FindsTheDescriptionInAnyCase) {
    auto c = Unpacked(PackItems({PackedItemOf("options.DAT", kOptions), PackedItemOf("x.bmp", "BM")}));
    ASSERT_NE(c->Options, nullptr);
    EXPECT_EQ(DataOf(c->Options.get()), kOptions);
    ASSERT_EQ(c->Files.size(), 1u);
    EXPECT_EQ(c->Files[0].FileName, "x.bmp");
}

TEST(PackedSkin, BitmapsAreKnownByTheirExtensionInAnyCase) {
    auto c = Unpacked(PackItems({PackedItemOf("a.bmp", "1"), PackedItemOf("B.Bmp", "2"), PackedItemOf("c.jpg", "3"),
                                 PackedItemOf("BMP", "4"), PackedItemOf("d.bmp.jpg", "5")}));
    ASSERT_EQ(c->Files.size(), 5u);
    EXPECT_TRUE(c->Files[0].IsBitmap);
    EXPECT_TRUE(c->Files[1].IsBitmap);
    EXPECT_FALSE(c->Files[2].IsBitmap);
    EXPECT_FALSE(c->Files[3].IsBitmap);
    EXPECT_FALSE(c->Files[4].IsBitmap);
}

TEST(PackedSkin, ItemsAreFoundByNameInAnyCaseTheFirstOfTwoAlike) {
    auto c = Unpacked(PackItems({PackedItemOf("a.bmp", "1"), PackedItemOf("Options.dat", kOptions),
                                 PackedItemOf("B.Bmp", "2"), PackedItemOf("A.BMP", "3")}));
    ASSERT_NE(c->Find("A.bmp"), nullptr);
    EXPECT_EQ(DataOf(c->Find("A.bmp")->Data.get()), "1");
    EXPECT_EQ(DataOf(c->Find("b.BMP")->Data.get()), "2");
    EXPECT_EQ(c->Find("Options.dat"), nullptr);  // the description is no item
    EXPECT_EQ(c->Find("C.BMP"), nullptr);
    // Items added later are found, and a cleared convertor finds nothing.
    TacImageItem late;
    late.FileName = "late.jpg";
    late.Data = std::make_unique<TMemoryStream>();
    c->Files.push_back(std::move(late));
    EXPECT_NE(c->Find("LATE.JPG"), nullptr);
    c->Clear();
    EXPECT_EQ(c->Find("a.bmp"), nullptr);
}

TEST(PackedSkin, ItemsThatUnpackToMoreThanAnySkinHoldsAreRefused) {
    // Two items of zeros, some 70 KB packed, that would unpack to 68 MB together.
    std::string zeros(34u * 1024 * 1024, '\0');
    PackedItem item = PackedItemOf("Z.BMP", zeros);
    zeros.clear();
    zeros.shrink_to_fit();
    std::vector<PackedItem> items = {PackedItemOf("Options.dat", kOptions), item, item};
    ExpectDamaged(PackItems(items), "its items take more than 64 MB unpacked");
    items.pop_back();
    auto c = Unpacked(PackItems(items));  // 34 MB is a skin still
    EXPECT_EQ(c->Files.size(), 1u);
    // Tiny items are counted as the memory they take: 10,000 of them come to more than 64 MB.
    std::vector<PackedItem> tiny(10000, PackedItemOf("T.BMP", "x"));
    ExpectDamaged(PackItems(tiny), "its items take more than 64 MB unpacked");
}

TEST(PackedSkin, ASecondDescriptionReplacesTheFirst) {
    long before = liveAllocations;
    {
        auto c = Unpacked(PackItems({PackedItemOf("Options.dat", "first"), PackedItemOf("OPTIONS.DAT", "second")}));
        EXPECT_EQ(DataOf(c->Options.get()), "second");
        EXPECT_TRUE(c->Files.empty());
        EXPECT_EQ(c->ImageCount, 1);
    }
    EXPECT_EQ(liveAllocations.load(), before);
}

TEST(PackedSkin, EmptyItemsAreRead) {
    auto c = Unpacked(PackItems({PackedItemOf("EMPTY.BMP", ""), PackedItemOf("Options.dat", "")}));
    ASSERT_EQ(c->Files.size(), 1u);
    EXPECT_EQ(c->Files[0].Data->Size(), 0);
    EXPECT_EQ(c->Options->Size(), 0);
}

TEST(PackedSkin, TrailingBytesAfterTheLastItemAreIgnored) {
    auto c = Unpacked(PackItems({PackedItemOf("Options.dat", kOptions)}) + "garbage after the end");
    EXPECT_EQ(DataOf(c->Options.get()), kOptions);
}

TEST(PackedSkin, DataWithoutADescriptionLeavesOptionsNil) {
    auto c = Unpacked(PackItems({PackedItemOf("A.BMP", "x")}));
    EXPECT_EQ(c->Options, nullptr);
    EXPECT_EQ(c->ImageCount, 0);
    EXPECT_EQ(c->Files.size(), 1u);
}

TEST(PackedSkin, WrongMagicWarnsAndLeavesTheConvertorEmpty) {
    MessageBoxCatcher boxes;
    ASSERT_TRUE(boxes.Installed());
    std::string bytes = PackItems({PackedItemOf("Options.dat", kOptions)});
    bytes[1] = 'X';
    auto c = Unpacked(bytes);
    ExpectEmpty(*c);
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Caption, "Warning");
    EXPECT_EQ(boxes.Boxes[0].Text, "Loaded data is not packed QuorvexSkin file");

    auto tooShort = Unpacked("QV");
    ExpectEmpty(*tooShort);
    EXPECT_EQ(boxes.Boxes.size(), 2u);
}

TEST(PackedSkin, DamagedHeadersAreRefused) {
    std::string good = PackItems({PackedItemOf("Options.dat", kOptions), PackedItemOf("A.BMP", "abc")});
    ExpectDamaged("QVpk", "it ends inside the item count");
    ExpectDamaged("QVpk\x01\x00", "it ends inside the item count");
    ExpectDamaged(good.substr(0, 10), "does not fit the data");
    ExpectDamaged(PackItems({}, -1LL & 0xFFFFFFFF), "item count of -1");
    ExpectDamaged(PackItems({PackedItemOf("Options.dat", kOptions)}, 0x7FFFFFFF), "item count of 2147483647");
    // More items announced than follow.
    ExpectDamaged(PackItems({PackedItemOf("Options.dat", kOptions)}, 2), "it ends inside a name length");
}

TEST(PackedSkin, NameLengthsPastTheEndAreRefused) {
    std::string bytes = PackItems({PackedItemOf("Options.dat", kOptions)});
    bytes[8] = '\x7F';  // the name length now runs far past the data
    ExpectDamaged(bytes, "name length of 127");
    bytes[8] = '\xFF', bytes[9] = '\xFF', bytes[10] = '\xFF', bytes[11] = '\xFF';
    ExpectDamaged(bytes, "name length of -1");
}

TEST(PackedSkin, NegativeOrHugeSizesAreRefused) {
    PackedItem item = PackedItemOf("A.BMP", "abc");
    item.StatedSize = -5;
    ExpectDamaged(PackItems({item}), "has a size of -5 bytes");
    item.StatedSize = 0x7FFFFFFF;
    ExpectDamaged(PackItems({item}), "has a size of 2147483647 bytes");
    item.StatedSize = kMaxPackedItemSize + 1;
    ExpectDamaged(PackItems({item}), "has a size of");
    // Within the cap but far beyond what the few stored bytes can inflate to.
    item.StatedSize = 1000000;
    ExpectDamaged(PackItems({item}), "has a size of 1000000 bytes");
}

TEST(PackedSkin, SizesThatDoNotMatchTheStreamAreRefused) {
    PackedItem item = PackedItemOf("A.BMP", "abcdef");
    item.StatedSize = 5;
    ExpectDamaged(PackItems({item, PackedItemOf("Options.dat", kOptions)}), "unpacks to more than its stated 5 bytes");
    item.StatedSize = 7;
    ExpectDamaged(PackItems({item, PackedItemOf("Options.dat", kOptions)}), "unpacks to 6 bytes instead of 7");
    item.StatedSize = 0;
    ExpectDamaged(PackItems({item}), "unpacks to more than its stated 0 bytes");
}

TEST(PackedSkin, CorruptOrCutStreamsAreRefused) {
    std::string data(5000, 'z');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>((i * 7919) % 251);
    PackedItem item = PackedItemOf("A.BMP", data);
    std::string bytes = PackItems({item});
    std::string corrupt = bytes;
    corrupt[4 + 4 + 4 + 5 + 4 + 0] = '\x00';  // the zlib header's first byte
    ExpectDamaged(corrupt, "is corrupt");
    corrupt = bytes;
    corrupt[corrupt.size() - 2] ^= 0x55;  // the checksum
    ExpectDamaged(corrupt, "is corrupt");
    ExpectDamaged(bytes.substr(0, bytes.size() - 100), "ends after");
    ExpectDamaged(bytes.substr(0, bytes.size() - 2), "does not end");
}

TEST(PackedSkin, ADamagedFileDropsTheItemsReadBeforeTheDamage) {
    PackedItem bad = PackedItemOf("B.BMP", "xyz");
    bad.StatedSize = 2;
    ExpectDamaged(PackItems({PackedItemOf("Options.dat", kOptions), PackedItemOf("A.BMP", "abc"), bad}), "B.BMP");
}

TEST(PackedSkin, LoadsAFileAndFreesThePackedDataWhenAsked) {
    TempDir dir;
    SampleSkin skin = MakeSampleSkin();
    std::string file = WritePackedSkin(dir.Path(), skin);
    std::unique_ptr<TacSkinConvertor> c;
    LoadPackedSkinFile(file, c, true);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->PackedData, nullptr);
    EXPECT_EQ(c->Files.size(), skin.Files.size() - 1);
    LoadPackedSkinFile(file, c, false);
    ASSERT_NE(c->PackedData, nullptr);
    EXPECT_EQ(c->PackedData->Size(), static_cast<long long>(PackSkin(skin).size()));
}

TEST(PackedSkin, AMissingFileChangesNothing) {
    TempDir dir;
    std::unique_ptr<TacSkinConvertor> c;
    LoadPackedSkinFile(dir.File("none.vqz"), c, true);
    EXPECT_EQ(c, nullptr);
    c = Unpacked(PackItems({PackedItemOf("Options.dat", kOptions)}));
    LoadPackedSkinFile(dir.File("none.vqz"), c, true);
    EXPECT_NE(c->Options, nullptr);
}

TEST(PackedSkin, ReloadingFreesTheFirstSet) {
    TempDir dir;
    WriteFileBytes(dir.File("one.vqz"), PackItems({PackedItemOf("Options.dat", "1"), PackedItemOf("A.BMP", "a"),
                                                   PackedItemOf("B.BMP", "b")}));
    WriteFileBytes(dir.File("two.vqz"), PackItems({PackedItemOf("Options.dat", "2"), PackedItemOf("C.JPG", "c")}));
    std::unique_ptr<TacSkinConvertor> c;
    LoadPackedSkinFile(dir.File("one.vqz"), c, true);
    long withFirst = liveAllocations;
    for (int i = 0; i < 20; ++i) {
        LoadPackedSkinFile(dir.File("two.vqz"), c, true);
        LoadPackedSkinFile(dir.File("one.vqz"), c, true);
    }
    EXPECT_EQ(liveAllocations.load(), withFirst);
    LoadPackedSkinFile(dir.File("two.vqz"), c, true);
    ASSERT_EQ(c->Files.size(), 1u);
    EXPECT_EQ(c->Files[0].FileName, "C.JPG");
    EXPECT_EQ(DataOf(c->Options.get()), "2");
    EXPECT_EQ(c->ImageCount, 1);
}

TEST(PackedSkin, ClearFreesEverything) {
    auto c = Unpacked(PackSkin(MakeSampleSkin()));
    c->Clear();
    ExpectEmpty(*c);
}

// Thousands of damaged copies of a valid file: each either reads or fails with the damage message; nothing
// crashes, hangs or stays allocated.
TEST(PackedSkin, RandomDamageNeverCrashesHangsOrLeaks) {
    SampleSkin small;
    small.Files = {{"Options.dat", SampleOptionsText()},
                   {"CHECKER.BMP", BmpFile24(24, 16, [](int x, int y) { return ((x ^ y) & 4) ? 0xFFFFFFu : 0x0u; })},
                   {"TINY.JPG", JpegFile(8, 8, [](int x, int y) { return static_cast<uint32_t>(x * 30 + y); })}};
    const std::string good = PackSkin(small);
    std::mt19937 random(20261209);
    auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
    int failures = 0, reads = 0;
    long before = liveAllocations;
    for (int round = 0; round < 4000; ++round) {
        std::string bytes = good;
        switch (round % 5) {
        case 0:  // flip a few bits anywhere after the magic
            for (int k = 0, n = 1 + static_cast<int>(pick(4)); k < n; ++k)
                bytes[4 + pick(bytes.size() - 4)] ^= static_cast<char>(1 << pick(8));
            break;
        case 1:  // cut the file short
            bytes.resize(4 + pick(bytes.size() - 4));
            break;
        case 2: {  // an extreme 32-bit value over any four bytes
            static const uint32_t values[] = {0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0x10000, 0x1000000};
            uint32_t v = values[pick(7)];
            size_t at = 4 + pick(bytes.size() - 8);
            for (int b = 0; b < 4; ++b)
                bytes[at + b] = static_cast<char>(v >> (8 * b));
            break;
        }
        case 3:  // insert or delete a run of bytes
            if (random() & 1)
                bytes.insert(4 + pick(bytes.size() - 4), std::string(1 + pick(16), static_cast<char>(random())));
            else
                bytes.erase(4 + pick(bytes.size() - 4), 1 + pick(16));
            break;
        default:  // random bytes over a stretch
            for (size_t at = 4 + pick(bytes.size() - 4), n = 1 + pick(32); n > 0 && at < bytes.size(); --n, ++at)
                bytes[at] = static_cast<char>(random());
            break;
        }
        auto c = std::make_unique<TacSkinConvertor>();
        c->PackedData = std::make_unique<TMemoryStream>();
        c->PackedData->WriteBuffer(bytes.data(), static_cast<long>(bytes.size()));
        try {
            UnpackSkinData(c.get());
            ++reads;
            for (const TacImageItem& item : c->Files)
                ASSERT_LE(item.Data->Size(), kMaxPackedItemSize);
        } catch (const EReadError& e) {
            ++failures;
            ASSERT_NE(std::string(e.what()).find("The packed skin data is damaged: "), std::string::npos) << e.what();
            ASSERT_TRUE(c->Files.empty());
            ASSERT_EQ(c->Options, nullptr);
        }
    }
    EXPECT_EQ(liveAllocations.load(), before);
    EXPECT_GT(failures, 2000);
    EXPECT_GT(reads, 0);  // damage past the last stream is harmless
    std::printf("%d damaged copies refused, %d read\n", failures, reads);
}
