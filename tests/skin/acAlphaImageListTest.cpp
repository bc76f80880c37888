#include "skin/engine/acAlphaImageList.h"

#include "AlphaImageFiles.h"
#include "PixelTestUtils.h"

#include "classlib/runtime/FormResources.h"
#include "classlib/runtime/SysUtils.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const TRgba Red{255, 0, 0, 255};
const TRgba Blue{0, 0, 255, 255};
const TRgba Green{0, 255, 0, 255};

// The list as a test reaches into it: drawing without the range check of Draw, and the designing state.
class TTestAlphaList : public TsAlphaImageList {
public:
    using TsAlphaImageList::TsAlphaImageList;
    using TsAlphaImageList::DoDraw;
    void Designing() { SetDesigning(true); }
};

void AddItem(TsAlphaImageList& List, const std::string& File, TsImageFormat Format) {
    TsImgListItem* item = List.Items()->Add();
    FillStream(*item->ImgData(), File);
    item->SetImageFormat(Format);
}

// Image Index of the list drawn at (0, 0) of a white 16 x 16 bitmap.
std::unique_ptr<TBitmap> Drawn(TsAlphaImageList& List, int Index) {
    auto bmp = MakeBmp(16, 16, clWhite);
    List.Draw(bmp->Canvas(), 0, 0, Index);
    GdiFlush();
    return bmp;
}

// Red, blue and green half pictures as PNG items, the blue one as an ICO item when asked.
void AddThree(TsAlphaImageList& List, bool BlueAsIcon = false) {
    AddItem(List, PngFile(16, 16, HalfPicture(Red)), ifPNG);
    if (BlueAsIcon)
        AddItem(List, IcoFile(16, 16, HalfPicture(Blue)), ifICO);
    else
        AddItem(List, PngFile(16, 16, HalfPicture(Blue)), ifPNG);
    AddItem(List, PngFile(16, 16, HalfPicture(Green)), ifPNG);
}

// Color at alpha 128 over Below, as the system blends an icon with alpha.
TColor HalfOver(TColor Color, TColor Below) {
    auto mix = [](int s, int d) { return ((s - d) * 128 + d * 256) >> 8; };
    return RGBc(mix(Color & 0xFF, Below & 0xFF), mix((Color >> 8) & 0xFF, (Below >> 8) & 0xFF),
                mix((Color >> 16) & 0xFF, (Below >> 16) & 0xFF));
}

TEST(AlphaImageList, BuildsItsItemsIntoNativeIconsAndDropsTheFilesAtRunTime) {
    TsAlphaImageList list(nullptr);
    AddThree(list, true);
    EXPECT_FALSE(list.ImagesBuilt());
    list.BuildImages();
    EXPECT_TRUE(list.ImagesBuilt());
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Items()->Count(), 0);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(list.Handle(), &cx, &cy);
    EXPECT_EQ(cx, 16);
    EXPECT_EQ(cy, 16);
    const TColor colors[3] = {clRed, clBlue, clLime};
    for (int i = 0; i < 3; ++i) {
        auto bmp = Drawn(list, i);
        EXPECT_EQ(Px(bmp.get(), 0, 0), colors[i]) << i;
        EXPECT_EQ(Px(bmp.get(), 8, 0), clWhite) << i;
        EXPECT_EQ(Px(bmp.get(), 15, 15), clWhite) << i;
        EXPECT_EQ(Px(bmp.get(), 2, 3), HalfOver(colors[i], clWhite)) << i;
    }
    EXPECT_EQ(Px(Drawn(list, 0).get(), 2, 3), RGBc(255, 127, 127));
}

TEST(AlphaImageList, KeepsItsFilesWhenAskedOrWhileDesigning) {
    TsAlphaImageList kept(nullptr);
    kept.SetKeepImgData(true);
    AddThree(kept);
    kept.BuildImages();
    EXPECT_EQ(kept.Count(), 3);
    EXPECT_EQ(kept.Items()->Count(), 3);

    TTestAlphaList designed(nullptr);
    designed.Designing();
    EXPECT_TRUE(designed.KeepItems());
    AddThree(designed);
    designed.BuildImages();
    EXPECT_EQ(designed.Items()->Count(), 3);
    // Building again makes the same images, not three more.
    designed.BuildImages();
    EXPECT_EQ(designed.Count(), 3);
}

TEST(AlphaImageList, AnIndexOutsideTheListDrawsNothing) {
    TTestAlphaList list(nullptr);
    AddThree(list);
    list.BuildImages();
    for (int index : {5, 3, -1}) {
        auto bmp = MakeBmp(16, 16, clWhite);
        list.Draw(bmp->Canvas(), 0, 0, index);
        list.DoDraw(index, bmp->Canvas(), 0, 0, ILD_NORMAL);
        EXPECT_EQ(CountColor(bmp.get(), clWhite), 256) << index;
    }
    TTestAlphaList empty(nullptr);
    auto bmp = MakeBmp(16, 16, clWhite);
    empty.DoDraw(0, bmp->Canvas(), 0, 0, ILD_NORMAL);
    EXPECT_EQ(CountColor(bmp.get(), clWhite), 256);
}

TEST(AlphaImageList, StyleAndEnabledDoNotChangeTheDrawing) {
    TsAlphaImageList list(nullptr);
    AddThree(list);
    list.BuildImages();
    auto bmp = MakeBmp(16, 16, clWhite);
    list.Draw(bmp->Canvas(), 0, 0, 1, dsSelected, itImage, false);
    GdiFlush();
    EXPECT_EQ(Px(bmp.get(), 0, 0), clBlue);
    EXPECT_EQ(Px(bmp.get(), 2, 3), HalfOver(clBlue, clWhite));
}

TEST(AlphaImageList, ADamagedItemNamesItselfAndTheImagesBeforeItStay) {
    TsAlphaImageList list(nullptr);
    list.SetName("Glyphs");
    AddItem(list, PngFile(16, 16, HalfPicture(Red)), ifPNG);
    std::string damaged = PngFile(16, 16, HalfPicture(Blue));
    AddItem(list, damaged.substr(0, damaged.size() / 2), ifPNG);
    try {
        list.BuildImages();
        FAIL() << "built";
    } catch (const EInvalidGraphic& e) {
        std::string m = e.what();
        EXPECT_NE(m.find("Image 1"), std::string::npos) << m;
        EXPECT_NE(m.find("Glyphs"), std::string::npos) << m;
    }
    EXPECT_EQ(list.Count(), 1);
    EXPECT_FALSE(list.ImagesBuilt());
    EXPECT_EQ(list.Items()->Count(), 2);
}

TEST(AlphaImageList, AssigningCopiesSizeColoursAndImages) {
    TsAlphaImageList source(nullptr);
    source.SetWidth(16);
    source.SetBlendColor(clRed);
    source.SetDrawingStyle(dsTransparent);
    AddThree(source);
    source.BuildImages();

    TsAlphaImageList copy(nullptr);
    copy.SetWidth(32);
    copy.SetHeight(24);
    copy.SetBkColor(clYellow);
    AddItem(copy, PngFile(32, 24, HalfPicture(Red)), ifPNG);
    copy.BuildImages();
    copy.Assign(&source);
    EXPECT_EQ(copy.Width(), 16);
    EXPECT_EQ(copy.Height(), 16);
    EXPECT_EQ(copy.BkColor(), clNone);
    EXPECT_EQ(copy.BlendColor(), clRed);
    EXPECT_EQ(copy.DrawingStyle(), dsTransparent);
    ASSERT_EQ(copy.Count(), 3);
    EXPECT_EQ(copy.Items()->Count(), 0);
    for (int i = 0; i < 3; ++i) {
        auto a = Drawn(source, i), b = Drawn(copy, i);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(Px(b.get(), x, y), Px(a.get(), x, y)) << i << ": " << x << "," << y;
    }
}

TEST(AlphaImageList, WhileDesigningAnAssignmentCopiesTheItemsToo) {
    TsAlphaImageList source(nullptr);
    source.SetKeepImgData(true);
    AddThree(source, true);
    source.BuildImages();

    TTestAlphaList designed(nullptr);
    designed.Designing();
    designed.Assign(&source);
    ASSERT_EQ(designed.Items()->Count(), 3);
    EXPECT_EQ(designed.Items()->Items(1)->ImageFormat(), ifICO);
    EXPECT_EQ(designed.Items()->Items(2)->ImgData()->Size(), source.Items()->Items(2)->ImgData()->Size());
    EXPECT_EQ(designed.Count(), 3);
    EXPECT_EQ(Px(Drawn(designed, 1).get(), 0, 0), clBlue);

    // A source that dropped its files still gives its images.
    TsAlphaImageList runTime(nullptr);
    AddThree(runTime);
    runTime.BuildImages();
    TTestAlphaList other(nullptr);
    other.Designing();
    other.Assign(&runTime);
    EXPECT_EQ(other.Count(), 3);
    EXPECT_EQ(Px(Drawn(other, 2).get(), 0, 0), clLime);
}

TEST(AlphaImageList, ImageListColoursBecomeClassLibraryColours) {
    EXPECT_EQ(ImageListColorToColor(0xFFFFFFFF), clNone);
    EXPECT_EQ(ImageListColorToColor(0xFF000000), clDefault);
    EXPECT_EQ(ImageListColorToColor(0x00123456), 0x00123456);
}

TEST(AlphaImageListForms, ItemsAreStoredAsImgDataAndBuiltWhenRead) {
    TComponent root(nullptr);
    root.SetName("frmGlyphs");
    auto* list = new TsAlphaImageList(&root);
    list->SetName("AlphaImages");
    list->SetWidth(16);
    AddThree(*list);
    std::string text = WriteComponentText(&root);
    size_t count = 0;
    for (size_t at = text.find("ImgData = {"); at != std::string::npos; at = text.find("ImgData = {", at + 1))
        ++count;
    EXPECT_EQ(count, 3u) << text;

    TComponent again(nullptr);
    ReadComponentText(text, &again);
    auto* read = dynamic_cast<TsAlphaImageList*>(again.FindComponent("AlphaImages"));
    ASSERT_NE(read, nullptr);
    EXPECT_TRUE(read->ImagesBuilt());
    EXPECT_EQ(read->Count(), 3);
    EXPECT_EQ(read->Items()->Count(), 0);
    EXPECT_EQ(Px(Drawn(*read, 2).get(), 0, 0), clLime);
}

TEST(AlphaImageListForms, AnIcoItemReadBackIsAnIconAgain) {
    TComponent root(nullptr);
    auto* list = new TsAlphaImageList(&root);
    list->SetName("Icons");
    AddThree(*list, true);
    std::string text = WriteComponentText(&root);
    TComponent again(nullptr);
    ReadComponentText(text, &again);
    auto* read = dynamic_cast<TsAlphaImageList*>(again.FindComponent("Icons"));
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->Count(), 3);
    auto bmp = Drawn(*read, 1);
    EXPECT_EQ(Px(bmp.get(), 0, 0), clBlue);
    EXPECT_EQ(Px(bmp.get(), 2, 3), HalfOver(clBlue, clWhite));
    EXPECT_EQ(Px(bmp.get(), 9, 9), clWhite);
}

TEST(AlphaImageListForms, DataThatIsNeitherPngNorIcoIsRefused) {
    TComponent root(nullptr);
    auto* list = new TsAlphaImageList(&root);
    list->SetName("Odd");
    AddItem(*list, "GIF89a, a picture of some other kind", ifPNG);
    std::string text = WriteComponentText(&root);
    TComponent again(nullptr);
    try {
        ReadComponentText(text, &again);
        FAIL() << "read";
    } catch (const Exception& e) {
        std::string m = e.what();
        EXPECT_NE(m.find("neither a PNG nor an ICO"), std::string::npos) << m;
    }
}

}  // namespace
