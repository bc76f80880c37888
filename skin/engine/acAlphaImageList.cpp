#include "acAlphaImageList.h"

#include "acPNG.h"

#include "classlib/runtime/FormResources.h"
#include "classlib/runtime/SysUtils.h"

#include <cstring>

namespace {

struct TIconDeleter {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
using TIconHandle = std::unique_ptr<std::remove_pointer_t<HICON>, TIconDeleter>;

bool StartsWith(TMemoryStream* Data, const void* Signature, size_t Length) {
    return Data->Size() >= static_cast<long long>(Length) && std::memcmp(Data->Memory(), Signature, Length) == 0;
}

const uint8_t PngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Reserved 0, then type 1 (an icon, not a cursor).
const uint8_t IcoSignature[4] = {0, 0, 1, 0};

}  // namespace

// --- TsImgListItem ---

TsImgListItem::TsImgListItem() : FImgData(std::make_unique<TMemoryStream>()) {}

TsImgListItem::~TsImgListItem() = default;

void TsImgListItem::Assign(TPersistent* Source) {
    auto* item = dynamic_cast<TsImgListItem*>(Source);
    if (!item) {
        TCollectionItem::Assign(Source);
        return;
    }
    if (item == this)
        return;
    FImgData->LoadFromStream(item->FImgData.get());
    FImageFormat = item->FImageFormat;
}

void TsImgListItem::DefineProperties(TFiler* Filer) {
    Filer->DefineBinaryProperty(
        "ImgData",
        [this](TStream* Stream) {
            auto data = std::make_unique<TMemoryStream>();
            data->LoadFromStream(Stream);
            // The format is not stored with the file, but each kind of file says what it is in its first bytes.
            if (StartsWith(data.get(), PngSignature, sizeof PngSignature))
                FImageFormat = ifPNG;
            else if (StartsWith(data.get(), IcoSignature, sizeof IcoSignature))
                FImageFormat = ifICO;
            else
                throw EReadError(Format("Image %d of the alpha image list is neither a PNG nor an ICO file", Index()));
            FImgData = std::move(data);
        },
        [this](TStream* Stream) { FImgData->SaveToStream(Stream); }, FImgData->Size() > 0);
}

// --- TsImgListItems ---

TsImgListItems::TsImgListItems(TsAlphaImageList* AOwner)
    : TOwnedCollection(AOwner, CollectionItemClassOf<TsImgListItem>()), FOwner(AOwner) {}

// --- TsAlphaImageList ---

TsAlphaImageList::TsAlphaImageList(TComponent* AOwner)
    : TImageList(AOwner), FItems(std::make_unique<TsImgListItems>(this)) {}

TsAlphaImageList::~TsAlphaImageList() = default;

void TsAlphaImageList::SetItems(TsImgListItems* Value) { FItems->Assign(Value); }

bool TsAlphaImageList::KeepItems() const { return ComponentState().Contains(csDesigning) || FKeepImgData; }

void TsAlphaImageList::Loaded() {
    TImageList::Loaded();
    if (!FImagesBuilt)
        BuildImages();
}

void TsAlphaImageList::BuildImages() {
    TImageListUpdateScope update(*this);
    if (HandleAllocated())
        NativeRemove(-1);
    int n = FItems->Count();
    for (int i = 0; i < n; ++i) {
        TsImgListItem* item = FItems->Items(i);
        TMemoryStream* data = item->ImgData();
        try {
            data->SetPosition(0);
            if (item->ImageFormat() == ifICO) {
                TIcon icon;
                icon.LoadFromStream(data);
                NativeAddIcon(icon.Handle());
            } else {
                TPNGGraphic png;
                png.LoadFromStream(data);
                TIconHandle icon(MakeIcon(&png));
                if (!icon)
                    RaiseLastOSError("CreateIconIndirect");
                NativeAddIcon(icon.get());
            }
        } catch (const Exception& e) {
            throw EInvalidGraphic(Format("Image %d of the alpha image list %s cannot be made: %s", i, Name().c_str(),
                                         e.Message().c_str()));
        }
    }
    // At run time the files have served their purpose once the native images exist.
    if (!KeepItems())
        FItems->Clear();
    if (n > 0)
        FImagesBuilt = true;
    Change();
}

void TsAlphaImageList::DoDraw(int Index, TCanvas* Canvas, int X, int Y, UINT Style, bool Enabled) {
    (void)Style, (void)Enabled;
    if (!HandleAllocated() || !Canvas || Index < 0 || Index >= Count())
        return;
    HIMAGELIST list = Handle();
    ImageList_SetBkColor(list, CLR_NONE);
    TIconHandle icon(ImageList_GetIcon(list, Index, ILD_TRANSPARENT));
    if (!icon)
        throw EInvalidOperation(Format("Cannot make an icon of image %d of the image list", Index));
    Canvas->Changing();
    BOOL done = DrawIconEx(Canvas->Handle(), X, Y, icon.get(), Width(), Height(), 0, nullptr, DI_NORMAL);
    Canvas->Changed();
    if (!done)
        RaiseLastOSError("DrawIconEx");
}

void TsAlphaImageList::Assign(TPersistent* Source) {
    if (auto* list = dynamic_cast<TsAlphaImageList*>(Source))
        CopyFrom(list);
    else
        TImageList::Assign(Source);
}

void TsAlphaImageList::AssignTo(TPersistent* Dest) {
    if (auto* list = dynamic_cast<TsAlphaImageList*>(Dest))
        list->CopyFrom(this);
    else
        TImageList::AssignTo(Dest);
}

void TsAlphaImageList::CopyFrom(TsAlphaImageList* Source) {
    if (Source == this)
        return;
    TImageListUpdateScope update(*this);
    Clear();
    SetMasked(Source->Masked());
    SetImageType(Source->ImageType());
    SetDrawingStyle(Source->DrawingStyle());
    // ShareImages is not copied: the native list made below belongs to this list alone, and a list that shares
    // its images never destroys its native list.
    // The size is the one the source's native images really have.
    int cx = Source->Width(), cy = Source->Height();
    if (Source->HandleAllocated())
        ImageList_GetIconSize(Source->Handle(), &cx, &cy);
    SetWidth(cx);
    SetHeight(cy);
    HandleNeeded();
    SetBkColor(Source->HandleAllocated() ? ImageListColorToColor(ImageList_GetBkColor(Source->Handle()))
                                         : Source->BkColor());
    SetBlendColor(Source->BlendColor());
    CopyImages(Source);
    Change();
}

void TsAlphaImageList::CopyImages(TsAlphaImageList* Source) {
    if (Source->HandleAllocated())
        ImageList_SetBkColor(Source->Handle(), CLR_NONE);
    // Items are copied only from a list that still has them: one that dropped its files keeps only native images.
    if (KeepItems() && Source->Items()->Count() > 0) {
        FItems->Assign(Source->Items());
        BuildImages();
        return;
    }
    NativeRemove(-1);
    int n = Source->Count();
    for (int i = 0; i < n; ++i) {
        TIconHandle icon(ImageList_GetIcon(Source->Handle(), i, ILD_TRANSPARENT));
        if (!icon)
            throw EInvalidOperation(Format("Cannot copy image %d of the image list", i));
        NativeAddIcon(icon.get());
    }
}

void TsAlphaImageList::ReadData(TStream* Stream) { (void)Stream; }

void TsAlphaImageList::WriteData(TStream* Stream) { (void)Stream; }

TColor ImageListColorToColor(COLORREF Value) {
    if (Value == CLR_NONE)
        return clNone;
    if (Value == CLR_DEFAULT)
        return clDefault;
    return static_cast<TColor>(Value);
}

// --- form storage ---

namespace {

// The size comes before the items, as a new size clears the native list.
const bool AlphaImageListRegistered = [] {
    RegisterFormClass<TsImgListItem>();
    RegisterFormClass<TsAlphaImageList>([](TFormClass<TsAlphaImageList>& c) {
        c.Integer("Width", &TsAlphaImageList::Width, &TsAlphaImageList::SetWidth).Default(16);
        c.Integer("Height", &TsAlphaImageList::Height, &TsAlphaImageList::SetHeight).Default(16);
        c.Collection("Items", &TsAlphaImageList::Items);
    });
    return true;
}();

}  // namespace
