#include "PngImageList.h"

#include "classlib/runtime/ExceptionHandler.h"
#include "classlib/runtime/FormResources.h"
#include "pngctl/GdiHandles.h"

#include <exception>
#include <vector>

// --- icons for the native list ---

namespace {

HICON IconOf(HBITMAP Color, HBITMAP Mask) {
    ICONINFO ii{TRUE, 0, 0, Mask, Color};
    HICON icon = CreateIconIndirect(&ii);
    if (!icon)
        RaiseLastOSError("CreateIconIndirect");
    return icon;
}

// A 32-bit bottom-up DIB section; the rows of Bits run from the bottom.
HBITMAP CreateDIB32(int Width, int Height, uint32_t*& Bits) {
    struct {
        BITMAPINFOHEADER Header;
        DWORD Masks[3];
    } bi{};
    bi.Header = {sizeof(BITMAPINFOHEADER), Width, Height, 1, 32, BI_BITFIELDS};
    bi.Masks[0] = 0x00FF0000;
    bi.Masks[1] = 0x0000FF00;
    bi.Masks[2] = 0x000000FF;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dib)
        RaiseLastOSError("CreateDIBSection");
    Bits = static_cast<uint32_t*>(bits);
    return dib;
}

// A monochrome mask, all black (every pixel drawn) unless the caller paints it.
HBITMAP CreateMask(int Width, int Height, std::vector<uint8_t>& Rows) {
    const int stride = (Width + 15) / 16 * 2;
    Rows.resize(size_t(stride) * Height);
    HBITMAP mask = CreateBitmap(Width, Height, 1, 1, Rows.data());
    if (!mask)
        RaiseLastOSError("CreateBitmap");
    return mask;
}

}  // namespace

HICON PngToAlphaIcon(TPNGObject* Png) {
    const int w = Png->Width(), h = Png->Height();
    uint32_t* bits = nullptr;
    TBitmapHandle color(CreateDIB32(w, h, bits));
    for (int r = 0; r < h; ++r) {
        const int y = h - 1 - r;
        for (int x = 0; x < w; ++x) {
            TColor c = Png->Pixels(x, y);
            bits[size_t(r) * w + x] = uint32_t(Png->PixelAlpha(x, y)) << 24 | uint32_t(GetRValue(c)) << 16 |
                                      uint32_t(GetGValue(c)) << 8 | GetBValue(c);
        }
    }
    std::vector<uint8_t> rows;
    TBitmapHandle mask(CreateMask(w, h, rows));
    return IconOf(color.get(), mask.get());
}

HICON PngToMaskedIcon(TPNGObject* Png, TColor Background) {
    const int w = Png->Width(), h = Png->Height();
    uint32_t* bits = nullptr;
    TBitmapHandle color(CreateDIB32(w, h, bits));
    {
        TMemoryDC dc(CreateCompatibleDC(nullptr));
        if (!dc)
            RaiseLastOSError("CreateCompatibleDC");
        TSelectObject select(dc.get(), color.get());
        TCanvas canvas;
        canvas.SetHandle(dc.get());
        canvas.Brush()->SetColor(Background == clNone ? clBtnFace : Background);
        canvas.FillRect(TRect(0, 0, w, h));
        Png->Draw(&canvas, TRect(0, 0, w, h));
        canvas.SetHandle(nullptr);
    }
    GdiFlush();
    // Drawing with alpha leaves opacity in the fourth byte; without it the mask alone says what is clear. Where
    // the mask is white the colour must be black, or it would be XORed onto what lies below.
    std::vector<uint8_t> rows;
    const int stride = (w + 15) / 16 * 2;
    rows.assign(size_t(stride) * h, 0);
    for (int y = 0; y < h; ++y) {
        uint32_t* row = bits + size_t(h - 1 - y) * w;
        for (int x = 0; x < w; ++x) {
            if (Png->PixelAlpha(x, y) == 0) {
                rows[size_t(y) * stride + x / 8] |= uint8_t(0x80 >> (x % 8));
                row[x] = 0;
            } else {
                row[x] &= 0x00FFFFFF;
            }
        }
    }
    TBitmapHandle mask(CreateBitmap(w, h, 1, 1, rows.data()));
    if (!mask)
        RaiseLastOSError("CreateBitmap");
    return IconOf(color.get(), mask.get());
}

HICON PngToIcon(TPNGObject* Png, TColor Background) {
    return CommonControlsVersion() < 600 ? PngToMaskedIcon(Png, Background) : PngToAlphaIcon(Png);
}

// --- items ---

TPngImageCollectionItem::TPngImageCollectionItem() : FPngImage(std::make_unique<TPNGObject>()) {
    FPngImage->OnChange = [this](TObject*) { Changed(false); };
}

TPngImageCollectionItem::~TPngImageCollectionItem() { FPngImage->OnChange = nullptr; }

void TPngImageCollectionItem::SetPngImage(TPNGObject* Value) { FPngImage->Assign(Value); }

void TPngImageCollectionItem::SetName(const std::string& Value) { FName = Value; }

void TPngImageCollectionItem::SetBackground(TColor Value) {
    if (Value == FBackground)
        return;
    FBackground = Value;
    Changed(false);
}

void TPngImageCollectionItem::Assign(TPersistent* Source) {
    auto* item = dynamic_cast<TPngImageCollectionItem*>(Source);
    if (!item) {
        TCollectionItem::Assign(Source);
        return;
    }
    FName = item->FName;
    FBackground = item->FBackground;
    FPngImage->Assign(item->FPngImage.get());
}

std::string TPngImageCollectionItem::DisplayName() const {
    return FName.empty() ? TCollectionItem::DisplayName() : FName;
}

TPngImageCollectionItems::TPngImageCollectionItems(TPngImageList* AOwner)
    : TOwnedCollection(AOwner, CollectionItemClassOf<TPngImageCollectionItem>()), FImageList(AOwner) {}

void TPngImageCollectionItems::Assign(TPersistent* Source) {
    TCollection::Assign(Source);
    Update(nullptr);
}

void TPngImageCollectionItems::Update(TCollectionItem* Item) {
    (void)Item;
    FImageList->CopyPngs();
}

void TPngImageCollectionItems::Notify(TCollectionItem* Item, TCollectionNotification Action) {
    if (Action == cnAdded) {
        auto* item = static_cast<TPngImageCollectionItem*>(Item);
        if (item->FName.empty())
            item->FName = Format("PngImage%d", item->Index());
    }
}

// --- the list ---

// An update of the items for one operation, ended however the operation ends: an exception must not leave the
// count up, or the native list would stop following the items. A failed operation rebuilds the native list from
// the items it left, and that rebuild must not throw past the first exception: its own error goes to the
// application's handler.
class TPngImageList::TUpdate {
public:
    TUpdate(TPngImageList& List, bool Rebuild)
        : FList(List), FRebuild(Rebuild), FExceptions(std::uncaught_exceptions()) {
        FList.BeginUpdate();
    }
    ~TUpdate() noexcept(false) {
        if (std::uncaught_exceptions() > FExceptions) {
            try {
                FList.EndUpdate(true);
            } catch (...) {
                HandleCurrentException();
            }
            return;
        }
        FList.EndUpdate(FRebuild);
    }
    TUpdate(const TUpdate&) = delete;
    TUpdate& operator=(const TUpdate&) = delete;

private:
    TPngImageList& FList;
    bool FRebuild;
    int FExceptions;
};

TPngImageList::TPngImageList(TComponent* AOwner)
    : TImageList(AOwner), FPngImages(std::make_unique<TPngImageCollectionItems>(this)) {}

TPngImageList::TPngImageList(TComponent* AOwner, int AWidth, int AHeight)
    : TImageList(AOwner, AWidth, AHeight), FPngImages(std::make_unique<TPngImageCollectionItems>(this)) {}

TPngImageList::~TPngImageList() {
    ++FUpdateCount;  // the items go first and must not rebuild a list that is going
    FPngImages.reset();
}

void TPngImageList::SetPngImages(TPngImageCollectionItems* Value) {
    if (Value == FPngImages.get())
        return;
    TImageListUpdateScope scope(*this);
    FPngImages->Assign(Value);
    Change();
}

void TPngImageList::SetEnabledImages(bool Value) {
    if (Value == FEnabledImages)
        return;
    FEnabledImages = Value;
    CopyPngs();
}

void TPngImageList::SetPngOptions(TPngOptions Value) {
    if (Value == FPngOptions)
        return;
    FPngOptions = Value;
    CopyPngs();
}

void TPngImageList::BeginUpdate() {
    ++FUpdateCount;
    TCustomImageList::BeginUpdate();
}

void TPngImageList::EndUpdate(bool Rebuild) {
    // The count comes down first, so a failing rebuild cannot leave it up.
    if (FUpdateCount > 0)
        --FUpdateCount;
    try {
        if (FUpdateCount == 0 && Rebuild)
            CopyPngs();
    } catch (...) {
        TCustomImageList::EndUpdate();
        throw;
    }
    TCustomImageList::EndUpdate();
}

void TPngImageList::CopyPngs() {
    if (FUpdateCount > 0 || Destroying() || !FPngImages)
        return;
    // The new native list is made whole before it replaces the old one, which stays should anything fail.
    HIMAGELIST list = ImageList_Create(Width(), Height(), ILC_COLOR32 | (Masked() ? ILC_MASK : 0), 0, AllocBy());
    if (!list)
        throw EOutOfResources(Format("Cannot create an image list of %d x %d images", Width(), Height()));
    try {
        ImageList_SetBkColor(list, ImageListColor(BkColor()));
        const bool disabled = !FEnabledImages && !FPngOptions.Empty();
        TPNGObject work;
        for (int i = 0; i < FPngImages->Count(); ++i) {
            TPngImageCollectionItem* item = FPngImages->Items(i);
            TPNGObject* png = item->PngImage();
            TColor background = item->Background();
            if (png->Empty()) {
                // An item without a picture still takes its place, so that indexes stay those of the items.
                work.CreateBlank(ctGrayscaleAlpha, 8, Width(), Height());
                png = &work;
            } else if (disabled) {
                work.Assign(png);
                if (FPngOptions.Contains(pngBlendOnDisabled))
                    MakeImageBlended(&work, 127);
                if (FPngOptions.Contains(pngGrayscaleOnDisabled))
                    MakeImageGrayscale(&work, 255);
                png = &work;
                background = clNone;
            }
            TIconHandle icon(PngToIcon(png, background));
            if (ImageList_AddIcon(list, icon.get()) < 0)
                throw EInvalidOperation(Format("Cannot add image %d to the image list", i));
        }
    } catch (...) {
        ImageList_Destroy(list);
        throw;
    }
    SetHandle(list);
}

void TPngImageList::Assign(TPersistent* Source) {
    TImageListUpdateScope scope(*this);
    TCustomImageList::Assign(Source);
    if (auto* list = dynamic_cast<TPngImageList*>(Source)) {
        SetPngImages(list->PngImages());
        SetEnabledImages(list->EnabledImages());
    }
}

void TPngImageList::DoDraw(int Index, TCanvas* Canvas, int X, int Y, UINT Style, bool Enabled) {
    (void)Style;
    if (Index < 0 || Index >= FPngImages->Count())
        return;
    DrawPNG(FPngImages->Items(Index)->PngImage(), Canvas, TRect(X, Y, X + Width(), Y + Height()),
            Enabled ? TPngOptions{} : FPngOptions);
}

// --- the image operations ---

int TPngImageList::AddItem(std::unique_ptr<TPNGObject> Png) {
    TUpdate update(*this, true);
    TIconHandle icon(PngToIcon(Png.get(), clBtnFace));
    TPngImageCollectionItem* item = FPngImages->Add();
    try {
        item->SetPngImage(Png.get());
        NativeAddIcon(icon.get());
    } catch (...) {
        item->Free();
        throw;
    }
    Change();
    return item->Index();
}

void TPngImageList::InsertItem(int Index, std::unique_ptr<TPNGObject> Png) {
    TUpdate update(*this, false);
    TIconHandle icon(PngToIcon(Png.get(), clBtnFace));
    TPngImageCollectionItem* item = FPngImages->Add();
    try {
        item->SetPngImage(Png.get());
        NativeMove(NativeAddIcon(icon.get()), Index);
        item->SetIndex(Index);
    } catch (...) {
        item->Free();  // the update's end rebuilds the native list without it
        throw;
    }
    Change();
}

void TPngImageList::ReplaceItem(int Index, std::unique_ptr<TPNGObject> Png) {
    TUpdate update(*this, false);
    TPngImageCollectionItem* item = FPngImages->Items(Index);
    TIconHandle icon(PngToIcon(Png.get(), item->Background()));
    NativeReplaceIcon(Index, icon.get());
    item->SetPngImage(Png.get());
    Change();
}

int TPngImageList::Add(TBitmap* Image, TBitmap* Mask) {
    if (!Image || Image->Empty())
        return -1;
    // The mask means what it means for every image list: white is transparent.
    return AddItem(CreatePNG(Image, Mask, true));
}

int TPngImageList::AddIcon(TIcon* Image) {
    if (!Image || Image->Empty())
        return -1;
    return AddItem(ConvertToPNG(Image));
}

int TPngImageList::AddImage(TCustomImageList* Value, int Index) {
    if (!Value)
        return -1;
    Value->HandleNeeded();
    if (Index < 0 || Index >= Value->Count())
        throw EInvalidOperation(
            Format("Image index %d is outside the image list, which holds %d images", Index, Value->Count()));
    auto png = std::make_unique<TPNGObject>();
    CopyImageFromImageList(png.get(), Value, Index);
    return AddItem(std::move(png));
}

void TPngImageList::AddImages(TCustomImageList* Value) {
    if (!Value || Value == this)
        return;
    TUpdate update(*this, true);
    for (int i = 0, n = Value->Count(); i < n; ++i) {
        auto png = std::make_unique<TPNGObject>();
        CopyImageFromImageList(png.get(), Value, i);
        AddItem(std::move(png));
    }
    Change();
}

int TPngImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
    if (!Image || Image->Empty())
        return -1;
    return AddItem(CreatePNGMasked(Image, MaskColor));
}

void TPngImageList::Clear() {
    TUpdate update(*this, false);
    FPngImages->Clear();
    NativeRemove(-1);
    Change();
}

void TPngImageList::Delete(int Index) {
    // -1 too: a mistaken index must cost no images.
    if (Index < 0 || Index >= FPngImages->Count())
        return;
    TUpdate update(*this, false);
    NativeRemove(Index);
    FPngImages->Delete(Index);
    Change();
}

void TPngImageList::Insert(int Index, TBitmap* Image, TBitmap* Mask) {
    if (!Image || Image->Empty())
        return;
    CheckIndex(Index, true);
    InsertItem(Index, CreatePNG(Image, Mask, true));
}

void TPngImageList::InsertIcon(int Index, TIcon* Image) {
    if (!Image || Image->Empty())
        return;
    CheckIndex(Index, true);
    InsertItem(Index, ConvertToPNG(Image));
}

void TPngImageList::InsertMasked(int Index, TBitmap* Image, TColor MaskColor) {
    if (!Image || Image->Empty())
        return;
    CheckIndex(Index, true);
    InsertItem(Index, CreatePNGMasked(Image, MaskColor));
}

void TPngImageList::Move(int CurIndex, int NewIndex) {
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    if (CurIndex == NewIndex)
        return;
    TUpdate update(*this, false);
    NativeMove(CurIndex, NewIndex);
    FPngImages->Items(CurIndex)->SetIndex(NewIndex);
    Change();
}

void TPngImageList::Replace(int Index, TBitmap* Image, TBitmap* Mask) {
    if (!Image || Image->Empty())
        return;
    CheckIndex(Index);
    ReplaceItem(Index, CreatePNG(Image, Mask, true));
}

void TPngImageList::ReplaceIcon(int Index, TIcon* Image) {
    if (!Image || Image->Empty())
        return;
    CheckIndex(Index);
    ReplaceItem(Index, ConvertToPNG(Image));
}

void TPngImageList::ReplaceMasked(int Index, TBitmap* NewImage, TColor MaskColor) {
    if (!NewImage || NewImage->Empty())
        return;
    CheckIndex(Index);
    ReplaceItem(Index, CreatePNGMasked(NewImage, MaskColor));
}

void TPngImageList::ReadData(TStream* Stream) { (void)Stream; }

void TPngImageList::WriteData(TStream* Stream) { (void)Stream; }

// --- form storage ---

namespace {

// The items are stored with their PNG files as "PngImage.Data"; the size comes first, as a new size clears them.
const bool PngImageListRegistered = [] {
    RegisterFormClass<TPngImageCollectionItem>([](TFormClass<TPngImageCollectionItem>& c) {
        c.Object("PngImage", &TPngImageCollectionItem::PngImage);
        c.String("Name", &TPngImageCollectionItem::Name, &TPngImageCollectionItem::SetName);
        c.Color("Background", &TPngImageCollectionItem::Background, &TPngImageCollectionItem::SetBackground)
            .Default(clBtnFace);
    });
    RegisterFormClass<TPngImageList>([](TFormClass<TPngImageList>& c) {
        c.Integer("Width", &TPngImageList::Width, &TPngImageList::SetWidth).Default(16);
        c.Integer("Height", &TPngImageList::Height, &TPngImageList::SetHeight).Default(16);
        c.Collection("PngImages", &TPngImageList::PngImages);
        c.Boolean("EnabledImages", &TPngImageList::EnabledImages, &TPngImageList::SetEnabledImages).Default(true);
        c.SetOf("PngOptions", &TPngImageList::PngOptions, &TPngImageList::SetPngOptions,
                {"pngBlendOnDisabled", "pngGrayscaleOnDisabled"})
            .Default(TPngOptions{pngBlendOnDisabled});
    });
    return true;
}();

}  // namespace
