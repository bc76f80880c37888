// Image lists over comctl32, checked by drawing their images into 32-bit bitmaps and reading the pixels.
#include "classlib/visual/ImgList.h"
#include "classlib/runtime/Streams.h"
#include "tests/support/MessageLoop.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr TColor Red = 0x0000FF, Green = 0x00FF00, Blue = 0xFF0000, Yellow = 0x00FFFF, Magenta = 0xFF00FF,
                 Cyan = 0xFFFF00;

// A 16 x 16 bitmap of one colour, optionally with its left half in a second colour.
std::unique_ptr<TBitmap> Solid(TColor color, TColor left = clNone, int width = 16, int height = 16) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(width, height);
    b->Canvas()->Brush()->SetColor(color);
    b->Canvas()->FillRect(TRect(0, 0, width, height));
    if (left != clNone) {
        b->Canvas()->Brush()->SetColor(left);
        b->Canvas()->FillRect(TRect(0, 0, width / 2, height));
    }
    return b;
}

// A mask whose left half is white (transparent).
std::unique_ptr<TBitmap> LeftHalfMask() {
    auto m = std::make_unique<TBitmap>();
    m->SetMonochrome(true);
    m->SetSize(16, 16);
    m->Canvas()->Brush()->SetColor(clBlack);
    m->Canvas()->FillRect(TRect(0, 0, 16, 16));
    m->Canvas()->Brush()->SetColor(clWhite);
    m->Canvas()->FillRect(TRect(0, 0, 8, 16));
    return m;
}

// A 32-bit surface filled with a background colour to draw images into.
struct Surface {
    explicit Surface(int width = 80, int height = 20, TColor background = clWhite) {
        bitmap.SetPixelFormat(pf32bit);
        bitmap.SetSize(width, height);
        bitmap.Canvas()->Brush()->SetColor(background);
        bitmap.Canvas()->FillRect(TRect(0, 0, width, height));
    }
    TColor At(int x, int y) { return bitmap.PixelColor(x, y); }
    TBitmap bitmap;
};

// The colour at the right half of each image, as drawn side by side.
std::vector<TColor> Colours(TCustomImageList& list) {
    Surface s(16 * list.Count() + 1, 16);
    std::vector<TColor> out;
    for (int i = 0; i < list.Count(); ++i) {
        list.Draw(s.bitmap.Canvas(), 16 * i, 0, i);
        out.push_back(s.At(16 * i + 12, 8));
    }
    return out;
}

std::unique_ptr<TImageList> ListOf(std::vector<TColor> colours) {
    auto list = std::make_unique<TImageList>(nullptr);
    for (TColor c : colours)
        list->Add(Solid(c).get(), nullptr);
    return list;
}

TEST(ImageList, AddedImageDrawsTransparentWhereItsMaskIsWhite) {
    TImageList list(nullptr);
    auto image = Solid(Red);
    auto mask = LeftHalfMask();
    EXPECT_EQ(list.Add(image.get(), mask.get()), 0);
    EXPECT_EQ(list.Count(), 1);
    Surface s(16, 16, Blue);
    list.Draw(s.bitmap.Canvas(), 0, 0, 0);
    EXPECT_EQ(s.At(3, 8), Blue);
    EXPECT_EQ(s.At(12, 8), Red);
}

TEST(ImageList, AddMaskedMakesTheMaskColourTransparentAndLeavesTheCallersBitmapAlone) {
    TImageList list(nullptr);
    auto image = Solid(Green, Magenta);
    EXPECT_EQ(list.AddMasked(image.get(), Magenta), 0);
    EXPECT_EQ(image->PixelColor(2, 2), Magenta);
    Surface s(16, 16, Blue);
    list.Draw(s.bitmap.Canvas(), 0, 0, 0);
    EXPECT_EQ(s.At(3, 8), Blue);
    EXPECT_EQ(s.At(12, 8), Green);
}

TEST(ImageList, AddMaskedWithDefaultColourTakesTheBottomLeftPixel) {
    TImageList list(nullptr);
    auto image = Solid(Green, Cyan);
    list.AddMasked(image.get(), clDefault);
    Surface s(16, 16, Red);
    list.Draw(s.bitmap.Canvas(), 0, 0, 0);
    EXPECT_EQ(s.At(3, 8), Red);
    EXPECT_EQ(s.At(12, 8), Green);
}

TEST(ImageList, AWideBitmapAddsOneImagePerCell) {
    TImageList list(nullptr);
    auto strip = Solid(Blue, Red, 32, 16);
    EXPECT_EQ(list.Add(strip.get(), nullptr), 0);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(Colours(list), (std::vector<TColor>{Red, Blue}));
}

TEST(ImageList, InsertMoveReplaceAndDeleteKeepTheOrderOfTheOthers) {
    auto list = ListOf({Red, Green, Blue});
    list->Insert(1, Solid(Yellow).get(), nullptr);
    EXPECT_EQ(Colours(*list), (std::vector<TColor>{Red, Yellow, Green, Blue}));
    list->InsertMasked(4, Solid(Magenta).get(), clNone);
    EXPECT_EQ(Colours(*list), (std::vector<TColor>{Red, Yellow, Green, Blue, Magenta}));
    list->Move(0, 3);
    EXPECT_EQ(Colours(*list), (std::vector<TColor>{Yellow, Green, Blue, Red, Magenta}));
    list->Move(4, 0);
    EXPECT_EQ(Colours(*list), (std::vector<TColor>{Magenta, Yellow, Green, Blue, Red}));
    list->Replace(1, Solid(Cyan).get(), nullptr);
    list->Delete(0);
    EXPECT_EQ(Colours(*list), (std::vector<TColor>{Cyan, Green, Blue, Red}));
    list->Delete(-1);
    EXPECT_EQ(list->Count(), 0);
}

TEST(ImageList, IconsGoInAndComeOutWithTheirPixels) {
    auto source = ListOf({Green});
    TIcon icon;
    source->GetIcon(0, &icon);
    ASSERT_FALSE(icon.Empty());
    TImageList list(nullptr);
    EXPECT_EQ(list.AddIcon(&icon), 0);
    list.InsertIcon(0, &icon);
    list.ReplaceIcon(0, &icon);
    EXPECT_EQ(Colours(list), (std::vector<TColor>{Green, Green}));
    EXPECT_EQ(list.AddIcon(nullptr), -1);
}

TEST(ImageList, AlphaIconsBlendOverTheBackground) {
    // A 16 x 16 icon whose right half is blue at half opacity.
    BITMAPV5HEADER bi{};
    bi.bV5Size = sizeof bi;
    bi.bV5Width = 16;
    bi.bV5Height = -16;
    bi.bV5Planes = 1;
    bi.bV5BitCount = 32;
    bi.bV5Compression = BI_BITFIELDS;
    bi.bV5RedMask = 0x00FF0000;
    bi.bV5GreenMask = 0x0000FF00;
    bi.bV5BlueMask = 0x000000FF;
    bi.bV5AlphaMask = 0xFF000000;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP colour = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    ASSERT_NE(colour, nullptr);
    auto* px = static_cast<uint32_t*>(bits);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            px[y * 16 + x] = x < 8 ? 0xFF00FF00u : 0x800000FFu;  // opaque green; blue at half opacity (icons are not premultiplied)
    HBITMAP mask = CreateBitmap(16, 16, 1, 1, nullptr);
    ICONINFO ii{TRUE, 0, 0, mask, colour};
    TIcon icon;
    icon.SetHandle(CreateIconIndirect(&ii));
    DeleteObject(colour);
    DeleteObject(mask);
    TImageList list(nullptr);
    list.AddIcon(&icon);
    Surface s(16, 16, clWhite);
    list.Draw(s.bitmap.Canvas(), 0, 0, 0);
    EXPECT_EQ(s.At(3, 8), Green);
    TColor blended = s.At(12, 8);
    EXPECT_NEAR(blended & 0xFF, 127, 3);           // red: half of the white shows through
    EXPECT_NEAR((blended >> 16) & 0xFF, 255, 3);  // blue
}

TEST(ImageList, DisabledDrawingShowsTheShapeInShadowWithAHighlightEdge) {
    TImageList list(nullptr);
    list.Add(Solid(Red).get(), LeftHalfMask().get());
    Surface s(20, 20, Blue);
    list.Draw(s.bitmap.Canvas(), 0, 0, 0, false);
    EXPECT_EQ(s.At(12, 8), ColorToRGB(clBtnShadow));
    EXPECT_EQ(s.At(16, 8), ColorToRGB(clBtnHighlight));  // the highlight shows one pixel right of the shape
    EXPECT_EQ(s.At(3, 8), Blue);
}

TEST(ImageList, DrawingAnIndexOutsideTheListDrawsNothing) {
    auto list = ListOf({Red});
    Surface s(16, 16, Blue);
    list->Draw(s.bitmap.Canvas(), 0, 0, -1);
    list->Draw(s.bitmap.Canvas(), 0, 0, 1);
    EXPECT_EQ(s.At(8, 8), Blue);
}

TEST(ImageList, BadIndexesAndSmallImagesRaiseBeforeAnythingChanges) {
    auto list = ListOf({Red, Green});
    EXPECT_THROW(list->Delete(2), EInvalidOperation);
    EXPECT_THROW(list->Move(0, 2), EInvalidOperation);
    EXPECT_THROW(list->Move(-1, 0), EInvalidOperation);
    EXPECT_THROW(list->Insert(3, Solid(Blue).get(), nullptr), EInvalidOperation);
    EXPECT_THROW(list->Replace(2, Solid(Blue).get(), nullptr), EInvalidOperation);
    EXPECT_THROW(list->Add(Solid(Blue, clNone, 8, 8).get(), nullptr), EInvalidOperation);
    TIcon icon;
    EXPECT_THROW(list->GetIcon(5, &icon), EInvalidOperation);
    EXPECT_EQ(Colours(*list), (std::vector<TColor>{Red, Green}));
    EXPECT_THROW(list->SetWidth(0), EInvalidArgument);
}

TEST(ImageList, ANewSizeRemovesEveryImage) {
    auto list = ListOf({Red, Green});
    list->SetWidth(32);
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(list->Width(), 32);
    list->Add(Solid(Blue, clNone, 32, 16).get(), nullptr);
    EXPECT_EQ(list->Count(), 1);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(list->Handle(), &cx, &cy);
    EXPECT_EQ(cx, 32);
    EXPECT_EQ(cy, 16);
}

TEST(ImageList, TurningTheMaskOffKeepsTheImages) {
    TImageList list(nullptr);
    list.Add(Solid(Red).get(), LeftHalfMask().get());
    list.Add(Solid(Green).get(), nullptr);
    list.SetMasked(false);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(Colours(list), (std::vector<TColor>{Red, Green}));
}

TEST(ImageList, GetBitmapPaintsTheImageOnTheBackgroundColour) {
    TImageList list(nullptr);
    list.Add(Solid(Red).get(), LeftHalfMask().get());
    list.SetBkColor(Yellow);
    TBitmap out;
    EXPECT_TRUE(list.GetBitmap(0, &out));
    EXPECT_EQ(out.Width(), 16);
    EXPECT_EQ(out.PixelColor(3, 8), Yellow);
    EXPECT_EQ(out.PixelColor(12, 8), Red);
    EXPECT_FALSE(list.GetBitmap(1, &out));
}

TEST(ImageList, AddImagesAndAssignCopyAnotherList) {
    auto a = ListOf({Red, Green});
    TImageList b(nullptr);
    b.Add(Solid(Blue).get(), nullptr);
    b.AddImages(a.get());
    EXPECT_EQ(Colours(b), (std::vector<TColor>{Blue, Red, Green}));
    EXPECT_EQ(b.AddImage(a.get(), 1), 3);
    TImageList c(nullptr, 32, 32);
    c.SetBkColor(Cyan);
    c.Assign(&b);
    EXPECT_EQ(c.Width(), 16);
    EXPECT_EQ(c.BkColor(), clNone);
    EXPECT_EQ(Colours(c), (std::vector<TColor>{Blue, Red, Green, Green}));
    b.AddImages(&b);
    EXPECT_EQ(b.Count(), 8);
}

TEST(ImageList, ChangeLinksHearOfEveryChangeAndOnlyOnceForAnUpdate) {
    TImageList list(nullptr);
    int heard = 0;
    TObject* sender = nullptr;
    {
        TChangeLink link;
        link.OnChange = [&](TObject* s) {
            ++heard;
            sender = s;
        };
        list.RegisterChanges(&link);
        EXPECT_EQ(link.Sender(), &list);
        list.Add(Solid(Red).get(), nullptr);
        EXPECT_EQ(heard, 1);
        EXPECT_EQ(sender, &list);
        list.BeginUpdate();
        list.Add(Solid(Green).get(), nullptr);
        list.Add(Solid(Blue).get(), nullptr);
        list.Delete(0);
        EXPECT_EQ(heard, 1);
        list.EndUpdate();
        EXPECT_EQ(heard, 2);
    }
    // The link is gone and unregistered itself.
    list.Clear();
    EXPECT_EQ(heard, 2);
}

TEST(ImageList, AnUpdateScopeEndsTheUpdateWhenAnOperationRaises) {
    auto list = ListOf({Red});
    int heard = 0;
    list->OnChange = [&](TObject*) { ++heard; };
    try {
        TImageListUpdateScope scope(*list);
        list->Add(Solid(Green).get(), nullptr);
        list->Move(0, 5);
        FAIL() << "the move should have raised";
    } catch (const EInvalidOperation&) {
    }
    EXPECT_EQ(list->UpdateCount(), 0);
    EXPECT_EQ(heard, 1);
    list->Delete(0);
    EXPECT_EQ(heard, 2);
}

TEST(ImageList, AListThatDiesTellsItsLinksNothingMore) {
    TChangeLink link;
    {
        TImageList list(nullptr);
        list.RegisterChanges(&link);
    }
    EXPECT_EQ(link.Sender(), nullptr);
}

TEST(ImageList, StoredDataComesBackWithTheSameImages) {
    TImageList list(nullptr);
    list.Add(Solid(Red).get(), LeftHalfMask().get());
    list.Add(Solid(Green).get(), nullptr);
    TMemoryStream stream;
    stream.WriteBuffer("head", 4);
    list.WriteData(&stream);
    long long end = stream.Position();
    stream.WriteBuffer("tail", 4);
    stream.SetPosition(4);
    TImageList copy(nullptr, 32, 32);
    copy.ReadData(&stream);
    EXPECT_EQ(stream.Position(), end);
    EXPECT_EQ(copy.Width(), 16);
    EXPECT_EQ(copy.Count(), 2);
    EXPECT_EQ(Colours(copy), (std::vector<TColor>{Red, Green}));
    Surface s(16, 16, Blue);
    copy.Draw(s.bitmap.Canvas(), 0, 0, 0);
    EXPECT_EQ(s.At(3, 8), Blue);
}

TEST(ImageList, DataThatIsNoImageListRaisesAReadError) {
    TMemoryStream stream;
    stream.WriteBuffer("not an image list at all", 24);
    stream.SetPosition(0);
    TImageList list(nullptr);
    EXPECT_THROW(list.ReadData(&stream), EReadError);
    EXPECT_EQ(stream.Position(), 0);
}

// A list that keeps a second record of its images, as a PNG list does, overriding the operations.
class TShadowList : public TImageList {
    CLASS_INFO(TShadowList, TImageList)
public:
    using TImageList::TImageList;
    std::vector<std::string> calls;
    int Add(TBitmap* Image, TBitmap* Mask) override {
        calls.push_back("Add");
        return TImageList::Add(Image, Mask);
    }
    void Clear() override {
        calls.push_back("Clear");
        TImageList::Clear();
    }
    void Move(int CurIndex, int NewIndex) override {
        calls.push_back("Move");
        TImageList::Move(CurIndex, NewIndex);
    }
};

TEST(ImageList, OperationsReachTheDerivedListThroughTheBaseClass) {
    TShadowList shadow(nullptr);
    TCustomImageList& base = shadow;
    base.Add(Solid(Red).get(), nullptr);
    base.Add(Solid(Green).get(), nullptr);
    base.Move(0, 1);
    base.SetHeight(24);  // a new size clears through the derived Clear
    EXPECT_EQ(shadow.calls, (std::vector<std::string>{"Add", "Add", "Move", "Clear"}));
}

}  // namespace
