// TPngImageList: PNG items and the native list kept in step by every image operation, drawn under Wine.
#include "PngTestImages.h"
#include "TestDC.h"
#include "pngctl/GdiHandles.h"
#include "pngctl/PngImageList.h"

#include "classlib/runtime/FormResources.h"
#include "classlib/runtime/Streams.h"

#include "classlib/runtime/ExceptionHandler.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

std::unique_ptr<TBitmap> SolidBitmap(int w, int h, TColor color) {
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetPixelFormat(pf24bit);
    bmp->SetSize(w, h);
    bmp->Canvas()->Brush()->SetColor(color);
    bmp->Canvas()->FillRect(TRect(0, 0, w, h));
    return bmp;
}

// Adds a PNG item the way a form's stored items arrive.
void AddPng(TPngImageList& list, TColor color) { list.PngImages()->Add()->SetPngImage(HalfPng(color).get()); }

// What lies under the native images when they are drawn: a clear pixel shows it.
constexpr TColor kBelow = RGB(0, 128, 128);

// The colour the native list draws for image Index at (x, y) over kBelow.
TColor NativePixel(TCustomImageList& list, int Index, int x, int y) {
    TestDC dc(list.Width(), list.Height(), kBelow);
    ImageList_Draw(list.Handle(), Index, dc.DC(), 0, 0, ILD_NORMAL);
    return dc.At(x, y);
}

// The items' left-half colours, and the native images' colours at the same place: the two must agree.
std::string ItemColours(TPngImageList& list) {
    std::string s;
    for (int i = 0; i < list.PngImages()->Count(); ++i)
        s += IntToHex(unsigned(list.PngImages()->Items(i)->PngImage()->Pixels(1, 1)), 6) + " ";
    return s;
}

std::string NativeColours(TCustomImageList& list) {
    std::string s;
    for (int i = 0; i < list.Count(); ++i)
        s += IntToHex(unsigned(NativePixel(list, i, 1, 1)), 6) + " ";
    return s;
}

#define EXPECT_IN_STEP(list)                                                                                           \
    do {                                                                                                               \
        EXPECT_EQ((list).Count(), (list).PngImages()->Count());                                                        \
        EXPECT_EQ(NativeColours(list), ItemColours(list));                                                             \
        EXPECT_EQ((list).UpdateCount(), 0);                                                                            \
    } while (0)

TEST(PngImageList, EveryOperationThroughThePlainListClassKeepsItemsAndNativeImagesInStep) {
    TPngImageList png(nullptr);
    TCustomImageList& list = png;
    auto red = SolidBitmap(16, 16, clRed), green = SolidBitmap(16, 16, clLime), blue = SolidBitmap(16, 16, clBlue);
    auto mask = SolidBitmap(16, 16, clBlack);
    TIcon icon;
    icon.SetHandle(PngToAlphaIcon(HalfPng(clYellow).get()));

    EXPECT_EQ(list.Add(red.get(), mask.get()), 0);
    EXPECT_EQ(list.AddMasked(green.get(), clFuchsia), 1);
    EXPECT_EQ(list.AddIcon(&icon), 2);
    EXPECT_IN_STEP(png);
    EXPECT_EQ(ItemColours(png), "0000FF 00FF00 00FFFF ");

    list.Insert(1, blue.get(), nullptr);
    EXPECT_EQ(ItemColours(png), "0000FF FF0000 00FF00 00FFFF ");
    list.InsertMasked(0, green.get(), clNone);
    list.InsertIcon(5, &icon);
    EXPECT_EQ(ItemColours(png), "00FF00 0000FF FF0000 00FF00 00FFFF 00FFFF ");
    EXPECT_IN_STEP(png);

    list.Move(0, 3);
    EXPECT_EQ(ItemColours(png), "0000FF FF0000 00FF00 00FF00 00FFFF 00FFFF ");
    list.Move(4, 1);
    EXPECT_EQ(ItemColours(png), "0000FF 00FFFF FF0000 00FF00 00FF00 00FFFF ");
    EXPECT_IN_STEP(png);

    list.Replace(0, green.get(), nullptr);
    list.ReplaceMasked(2, red.get(), clNone);
    list.ReplaceIcon(3, &icon);
    EXPECT_EQ(ItemColours(png), "00FF00 00FFFF 0000FF 00FFFF 00FF00 00FFFF ");
    EXPECT_IN_STEP(png);

    list.Delete(1);
    EXPECT_EQ(ItemColours(png), "00FF00 0000FF 00FFFF 00FF00 00FFFF ");
    EXPECT_IN_STEP(png);

    TImageList other(nullptr, 16, 16);
    other.AddMasked(blue.get(), clNone);
    EXPECT_EQ(list.AddImage(&other, 0), 5);
    list.AddImages(&other);
    EXPECT_EQ(png.PngImages()->Count(), 7);
    EXPECT_IN_STEP(png);

    list.Clear();
    EXPECT_EQ(png.PngImages()->Count(), 0);
    EXPECT_EQ(list.Count(), 0);
}

TEST(PngImageList, ItemsAreNamedAfterTheirPlaceOnTheButtonFace) {
    TPngImageList list(nullptr);
    auto red = SolidBitmap(16, 16, clRed);
    list.Add(red.get(), nullptr);
    list.Add(red.get(), nullptr);
    EXPECT_EQ(list.PngImages()->Items(0)->Name(), "PngImage0");
    EXPECT_EQ(list.PngImages()->Items(1)->Name(), "PngImage1");
    EXPECT_EQ(list.PngImages()->Items(1)->DisplayName(), "PngImage1");
    EXPECT_EQ(list.PngImages()->Items(1)->Background(), clBtnFace);
    list.PngImages()->Items(1)->SetName("");
    EXPECT_EQ(list.PngImages()->Items(1)->DisplayName(), "TPngImageCollectionItem");
}

TEST(PngImageList, AMaskMeansWhatItMeansForEveryImageList) {
    TPngImageList list(nullptr);
    auto red = SolidBitmap(16, 16, clRed);
    auto mask = SolidBitmap(16, 16, clBlack);
    mask->Canvas()->Brush()->SetColor(clWhite);
    mask->Canvas()->FillRect(TRect(8, 0, 16, 16));  // white: transparent
    list.Add(red.get(), mask.get());
    TPNGObject* png = list.PngImages()->Items(0)->PngImage();
    EXPECT_EQ(png->PixelAlpha(2, 2), 255);
    EXPECT_EQ(png->PixelAlpha(12, 2), 0);
    EXPECT_EQ(NativePixel(list, 0, 2, 2), clRed);
    EXPECT_EQ(NativePixel(list, 0, 12, 2), kBelow);
}

TEST(PngImageList, BadIndexesAreRefusedBeforeAnythingChanges) {
    TPngImageList list(nullptr);
    AddPng(list, clRed);
    AddPng(list, clBlue);
    auto green = SolidBitmap(16, 16, clLime);
    TIcon icon;
    icon.SetHandle(PngToAlphaIcon(HalfPng(clYellow).get()));
    HIMAGELIST before = list.Handle();
    EXPECT_THROW(list.Insert(3, green.get(), nullptr), EInvalidOperation);
    EXPECT_THROW(list.InsertIcon(-1, &icon), EInvalidOperation);
    EXPECT_THROW(list.InsertMasked(7, green.get(), clNone), EInvalidOperation);
    EXPECT_THROW(list.Move(0, 2), EInvalidOperation);
    EXPECT_THROW(list.Move(-1, 0), EInvalidOperation);
    EXPECT_THROW(list.Replace(2, green.get(), nullptr), EInvalidOperation);
    EXPECT_THROW(list.ReplaceIcon(-1, &icon), EInvalidOperation);
    EXPECT_THROW(list.ReplaceMasked(5, green.get(), clNone), EInvalidOperation);
    EXPECT_THROW(list.AddImage(&list, 4), EInvalidOperation);
    // Nothing to delete: nothing happens, through the base class too.
    for (int index : {2, -1, -2, 1000})
        static_cast<TCustomImageList&>(list).Delete(index);
    EXPECT_EQ(ItemColours(list), "0000FF FF0000 ");
    EXPECT_EQ(list.Handle(), before);
    EXPECT_IN_STEP(list);
}

TEST(PngImageList, AReplacementThatCannotBeMadeKeepsTheOldPicture) {
    TPngImageList list(nullptr);
    AddPng(list, clRed);
    AddPng(list, clBlue);
    auto green = SolidBitmap(16, 16, clLime);
    auto smallMask = SolidBitmap(8, 8, clBlack);
    EXPECT_THROW(list.Replace(1, green.get(), smallMask.get()), EInvalidGraphicOperation);
    EXPECT_EQ(ItemColours(list), "0000FF FF0000 ");
    EXPECT_IN_STEP(list);
}

TEST(PngImageList, AnExceptionInsideAnOperationLeavesTheListFollowingItsItems) {
    TPngImageList list(nullptr);
    TChangeLink link;
    int calls = 0;
    link.OnChange = [&](TObject*) {
        if (++calls == 1)
            throw EInvalidOperation("listener failed");
    };
    list.RegisterChanges(&link);
    auto red = SolidBitmap(16, 16, clRed);
    EXPECT_THROW(list.Add(red.get(), nullptr), EInvalidOperation);
    EXPECT_EQ(list.UpdateCount(), 0);
    EXPECT_IN_STEP(list);
    // Later changes still rebuild and notify.
    AddPng(list, clBlue);
    EXPECT_IN_STEP(list);
    EXPECT_GT(calls, 1);
    list.UnRegisterChanges(&link);
}

TEST(PngImageList, AnOuterUpdateRebuildsOnceAtItsEnd) {
    TPngImageList list(nullptr);
    int changes = 0;
    list.OnChange = [&](TObject*) { ++changes; };
    list.BeginUpdate();
    AddPng(list, clRed);
    auto blue = SolidBitmap(16, 16, clBlue);
    list.Add(blue.get(), nullptr);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(list.PngImages()->Count(), 2);
    list.EndUpdate();
    EXPECT_EQ(changes, 1);
    EXPECT_IN_STEP(list);
}

TEST(PngImageList, ChangingAnItemRebuildsTheNativeList) {
    TPngImageList list(nullptr);
    AddPng(list, clRed);
    list.PngImages()->Items(0)->PngImage()->Assign(HalfPng(clLime).get());
    EXPECT_EQ(NativePixel(list, 0, 1, 1), clLime);
    LoadPng(*list.PngImages()->Items(0)->PngImage(), SavePng(*HalfPng(clBlue)));
    EXPECT_EQ(NativePixel(list, 0, 1, 1), clBlue);
}

TEST(PngImageList, DisabledNativeImagesAreHalfTransparent) {
    TPngImageList list(nullptr);
    AddPng(list, clRed);
    EXPECT_EQ(NativePixel(list, 0, 2, 2), clRed);
    EXPECT_EQ(NativePixel(list, 0, 12, 2), kBelow);
    list.SetEnabledImages(false);
    // Red at alpha 128 over the face colour (the native list here draws icons laid on a colour, with a mask).
    TColor face = ColorToRGB(clBtnFace);
    auto mix = [](int s, int d) { return (s * 128 + d * 127 + 127) / 255; };
    TColor expected = RGB(mix(255, GetRValue(face)), mix(0, GetGValue(face)), mix(0, GetBValue(face)));
    EXPECT_TRUE(Near(NativePixel(list, 0, 2, 2), expected)) << std::hex << NativePixel(list, 0, 2, 2);
    EXPECT_EQ(NativePixel(list, 0, 12, 2), kBelow);
    list.SetPngOptions({pngGrayscaleOnDisabled});
    EXPECT_EQ(NativePixel(list, 0, 2, 2), RGB(76, 76, 76));
    list.SetEnabledImages(true);
    EXPECT_EQ(NativePixel(list, 0, 2, 2), clRed);
}

TEST(PngImageList, DrawingUsesThePngsWithTheirAlpha) {
    TPngImageList list(nullptr, 32, 32);
    auto png = HalfPng(clBlue, 32);
    png->AlphaScanline(0)[0] = 100;
    list.PngImages()->Add()->SetPngImage(png.get());
    TestDC dc(40, 40);
    TCanvas canvas;
    canvas.SetHandle(dc.DC());
    list.Draw(&canvas, 4, 4, 0, true);
    EXPECT_EQ(dc.At(5, 5), clBlue);
    EXPECT_EQ(dc.At(4 + 20, 5), clWhite);
    auto over = [](int s, int a) { return (s * a + 255 * (255 - a) + 127) / 255; };
    EXPECT_TRUE(Near(dc.At(4, 4), RGB(over(0, 100), over(0, 100), over(255, 100))));
    dc.Fill(clWhite);
    list.Draw(&canvas, 4, 4, 0, false);
    EXPECT_TRUE(Near(dc.At(5, 5), RGB(over(0, 128), over(0, 128), 255))) << std::hex << dc.At(5, 5);
    list.Draw(&canvas, 4, 4, 3, true);  // no such image: nothing
    canvas.SetHandle(nullptr);
}

TEST(PngImageList, ANewSizeClearsTheItems) {
    TPngImageList list(nullptr);
    AddPng(list, clRed);
    AddPng(list, clBlue);
    list.SetWidth(32);
    EXPECT_EQ(list.PngImages()->Count(), 0);
    EXPECT_EQ(list.Count(), 0);
    list.SetHeight(32);
    AddPng(list, clRed);
    EXPECT_EQ(list.Count(), 1);
}

TEST(PngImageList, APlainListBesideAPngListStaysPlain) {
    auto first = std::make_unique<TPngImageList>(nullptr);
    TImageList plain(nullptr);
    auto red = SolidBitmap(16, 16, clRed);
    EXPECT_EQ(plain.Add(red.get(), nullptr), 0);
    {
        TPngImageList second(nullptr);
        AddPng(second, clBlue);
    }
    first.reset();
    EXPECT_EQ(plain.Add(red.get(), nullptr), 1);
    EXPECT_EQ(NativePixel(plain, 1, 3, 3), clRed);
}

TEST(PngImageList, AssignCopiesTheItems) {
    TPngImageList a(nullptr), b(nullptr);
    AddPng(a, clRed);
    AddPng(a, clBlue);
    a.PngImages()->Items(1)->SetBackground(clWindow);
    a.SetEnabledImages(false);
    b.Assign(&a);
    EXPECT_EQ(ItemColours(b), "0000FF FF0000 ");
    EXPECT_EQ(b.PngImages()->Items(1)->Background(), clWindow);
    EXPECT_EQ(b.PngImages()->Items(1)->Name(), "PngImage1");
    EXPECT_FALSE(b.EnabledImages());
    b.SetEnabledImages(true);
    EXPECT_IN_STEP(b);
    TPNGObject copy;
    CopyImageFromImageList(&copy, &a, 1);
    EXPECT_EQ(SavePng(copy), SavePng(*a.PngImages()->Items(1)->PngImage()));
}

TEST(PngImageList, StoresNoNativeData) {
    TPngImageList list(nullptr);
    AddPng(list, clRed);
    TMemoryStream stream;
    list.WriteData(&stream);
    EXPECT_EQ(stream.Size(), 0);
    list.ReadData(&stream);
    EXPECT_EQ(list.Count(), 1);
}

TEST(Icons, TheAlphaIconKeepsThePngsAlpha) {
    auto png = HalfPng(RGB(10, 20, 30));
    png->AlphaScanline(3)[2] = 77;
    TIconHandle icon(PngToAlphaIcon(png.get()));
    TIcon holder;
    holder.SetHandle(icon.release());
    auto back = ConvertToPNG(&holder);
    EXPECT_EQ(back->PixelAlpha(2, 3), 77);
    EXPECT_EQ(back->PixelAlpha(12, 3), 0);
    EXPECT_EQ(back->PixelAlpha(1, 1), 255);
    EXPECT_EQ(back->Pixels(1, 1), RGB(10, 20, 30));
}

TEST(Icons, TheMaskedIconIsLaidOnItsBackground) {
    auto png = HalfPng(RGB(200, 0, 0));
    png->AlphaScanline(3)[2] = 128;
    TIcon holder;
    holder.SetHandle(PngToMaskedIcon(png.get(), clWhite));
    TestDC dc(16, 16, clBlack);
    DrawIconEx(dc.DC(), 0, 0, holder.Handle(), 16, 16, 0, nullptr, DI_NORMAL);
    EXPECT_EQ(dc.At(1, 1), RGB(200, 0, 0));
    EXPECT_EQ(dc.At(12, 1), clBlack);  // clear: the mask lets what is below through
    EXPECT_TRUE(Near(dc.At(2, 3), RGB((200 * 128 + 255 * 127 + 127) / 255, 127, 127))) << std::hex << dc.At(2, 3);
}

}  // namespace

namespace {

TEST(FormStorage, ItemsAreStoredAsTheirPngFilesAndReadBack) {
    TComponent root(nullptr);
    root.SetName("frmMain");
    auto* list = new TPngImageList(&root, 32, 32);
    list->SetName("ImageList1");
    list->PngImages()->Add()->SetPngImage(HalfPng(clRed, 32).get());
    list->PngImages()->Add()->SetPngImage(HalfPng(clBlue, 32).get());
    list->PngImages()->Add()->SetPngImage(HalfPng(clLime, 32).get());
    list->PngImages()->Items(2)->SetBackground(clWindow);
    list->SetPngOptions({pngBlendOnDisabled, pngGrayscaleOnDisabled});
    std::string text = WriteComponentText(&root);
    EXPECT_NE(text.find("Width = 32"), std::string::npos);
    EXPECT_NE(text.find("PngImage.Data = {"), std::string::npos);
    EXPECT_NE(text.find("Name = 'PngImage2'"), std::string::npos);
    EXPECT_NE(text.find("Background = clWindow"), std::string::npos);
    EXPECT_EQ(text.find("Background = clBtnFace"), std::string::npos);
    EXPECT_NE(text.find("PngOptions = [pngBlendOnDisabled, pngGrayscaleOnDisabled]"), std::string::npos);
    EXPECT_EQ(text.find("EnabledImages"), std::string::npos);
    EXPECT_NE(text.find("Bitmap = {}"), std::string::npos) << text;

    TComponent again(nullptr);
    ReadComponentText(text, &again);
    auto* read = dynamic_cast<TPngImageList*>(again.FindComponent("ImageList1"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->Width(), 32);
    ASSERT_EQ(read->PngImages()->Count(), 3);
    EXPECT_EQ(read->PngImages()->Items(2)->Background(), clWindow);
    EXPECT_EQ(read->PngImages()->Items(1)->Name(), "PngImage1");
    EXPECT_EQ(SavePng(*read->PngImages()->Items(1)->PngImage()), SavePng(*list->PngImages()->Items(1)->PngImage()));
    EXPECT_EQ(read->PngOptions(), (TPngOptions{pngBlendOnDisabled, pngGrayscaleOnDisabled}));
    EXPECT_IN_STEP(*read);
}

TEST(FormStorage, WhatAFormHoldsAsTheNativeBitmapIsIgnored) {
    TComponent root(nullptr);
    auto* list = new TPngImageList(&root);
    list->SetName("Glyphs");
    AddPng(*list, clRed);
    AddPng(*list, clBlue);
    std::string text = WriteComponentText(&root);
    // Empty, as written, and with bytes in it, as another writer may have left there.
    for (const char* bitmap : {"Bitmap = {}", "Bitmap = {\r\n    494C0101}"}) {
        std::string form = text;
        size_t at = form.find("Bitmap = {}");
        ASSERT_NE(at, std::string::npos) << form;
        form.replace(at, 11, bitmap);
        TComponent again(nullptr);
        ReadComponentText(form, &again);
        auto* read = dynamic_cast<TPngImageList*>(again.FindComponent("Glyphs"));
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(ItemColours(*read), "0000FF FF0000 ");
        EXPECT_IN_STEP(*read);
    }
    // An empty list holds no bitmap at all.
    list->Clear();
    EXPECT_EQ(WriteComponentText(&root).find("Bitmap"), std::string::npos);
}

TEST(FormStorage, ADamagedStoredPngIsReportedWithWhereItStood) {
    TComponent root(nullptr);
    auto* list = new TPngImageList(&root);
    list->SetName("Glyphs");
    AddPng(*list, clRed);
    std::string text = WriteComponentText(&root);
    size_t data = text.find("PngImage.Data = {") + 17;
    text[data + 40] = text[data + 40] == '0' ? '1' : '0';  // one hexadecimal digit of the PNG's bytes
    TComponent again(nullptr);
    try {
        ReadComponentText(text, &again);
        FAIL() << "read";
    } catch (const Exception& e) {
        std::string m = e.what();
        EXPECT_NE(m.find("Glyphs"), std::string::npos) << m;
        EXPECT_NE(m.find("PNG"), std::string::npos) << m;
    }
}

}  // namespace
