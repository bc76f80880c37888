#include "ImgList.h"

#include "classlib/runtime/ExceptionHandler.h"
#include "classlib/runtime/FormResources.h"
#include "classlib/runtime/Streams.h"

#include <objidl.h>

#include <algorithm>
#include <memory>

namespace {

// A memory DC with one bitmap selected, put back and deleted on every path.
class TBitmapDC {
public:
    explicit TBitmapDC(HBITMAP bitmap) : FDC(CreateCompatibleDC(nullptr)) {
        if (!FDC)
            RaiseLastOSError("CreateCompatibleDC");
        FOld = SelectObject(FDC, bitmap);
    }
    ~TBitmapDC() {
        SelectObject(FDC, FOld);
        DeleteDC(FDC);
    }
    TBitmapDC(const TBitmapDC&) = delete;
    TBitmapDC& operator=(const TBitmapDC&) = delete;
    HDC DC() const { return FDC; }

private:
    HDC FDC;
    HGDIOBJ FOld;
};

struct TGdiDeleter {
    void operator()(void* object) const { DeleteObject(static_cast<HGDIOBJ>(object)); }
};
using TBitmapHandle = std::unique_ptr<std::remove_pointer_t<HBITMAP>, TGdiDeleter>;
using TGdiObject = std::unique_ptr<void, TGdiDeleter>;

struct TIconDeleter {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
using TIconHandle = std::unique_ptr<std::remove_pointer_t<HICON>, TIconDeleter>;

struct TStreamReleaser {
    void operator()(IStream* stream) const { stream->Release(); }
};
using TIStream = std::unique_ptr<IStream, TStreamReleaser>;

// Where a source pixel is 1 (white) the brush is painted, elsewhere the destination stays.
constexpr DWORD ROP_DSPDxax = 0x00E20746;
// The destination where the source is black, black where it is white.
constexpr DWORD ROP_DSna = 0x00220326;

}  // namespace

// --- TChangeLink ---

TChangeLink::~TChangeLink() {
    if (FSender)
        FSender->UnRegisterChanges(this);
}

void TChangeLink::Change() {
    if (OnChange)
        OnChange(FSender);
}

// --- TCustomImageList: life and handle ---

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}

TCustomImageList::TCustomImageList(TComponent* AOwner, int AWidth, int AHeight) : TComponent(AOwner) {
    if (AWidth < 1 || AHeight < 1)
        throw EInvalidArgument(Format("An image list cannot hold images of %d x %d pixels", AWidth, AHeight));
    FWidth = AWidth;
    FHeight = AHeight;
}

TCustomImageList::~TCustomImageList() {
    for (TChangeLink* link : FClients)
        link->SetSender(nullptr);
    FClients.clear();
    FreeHandle();
}

void TCustomImageList::FreeHandle() {
    if (FHandle && !FShareImages)
        ImageList_Destroy(FHandle);
    FHandle = nullptr;
}

void TCustomImageList::CreateList(int width, int height) {
    HIMAGELIST list = ImageList_Create(width, height, CreationFlags(), FAllocBy, FAllocBy);
    if (!list)
        throw EOutOfResources(Format("Cannot create an image list of %d x %d images", width, height));
    ImageList_SetBkColor(list, ImageListColor(FBkColor));
    FHandle = list;
}

HIMAGELIST TCustomImageList::Handle() {
    HandleNeeded();
    return FHandle;
}

void TCustomImageList::HandleNeeded() {
    if (!FHandle)
        CreateList(FWidth, FHeight);
}

void TCustomImageList::SetHandle(HIMAGELIST Value) {
    if (Value == FHandle)
        return;
    FreeHandle();
    FHandle = Value;
    if (Value) {
        int cx = 0, cy = 0;
        if (ImageList_GetIconSize(Value, &cx, &cy)) {
            FWidth = cx;
            FHeight = cy;
        }
    }
    Change();
}

int TCustomImageList::Count() const { return FHandle ? ImageList_GetImageCount(FHandle) : 0; }

// --- properties ---

void TCustomImageList::SetWidth(int Value) {
    if (Value == FWidth)
        return;
    if (Value < 1)
        throw EInvalidArgument(Format("An image list cannot hold images %d pixels wide", Value));
    TImageListUpdateScope scope(*this);
    FWidth = Value;
    if (FHandle)
        ImageList_SetIconSize(FHandle, FWidth, FHeight);
    Clear();
    Change();
}

void TCustomImageList::SetHeight(int Value) {
    if (Value == FHeight)
        return;
    if (Value < 1)
        throw EInvalidArgument(Format("An image list cannot hold images %d pixels high", Value));
    TImageListUpdateScope scope(*this);
    FHeight = Value;
    if (FHandle)
        ImageList_SetIconSize(FHandle, FWidth, FHeight);
    Clear();
    Change();
}

void TCustomImageList::SetMasked(bool Value) {
    if (Value == FMasked)
        return;
    FMasked = Value;
    if (FHandle) {
        // The mask is a creation flag: the images move into a list made anew, as icons so that they keep it.
        HIMAGELIST old = FHandle;
        FHandle = nullptr;
        try {
            CreateList(FWidth, FHeight);
            int n = ImageList_GetImageCount(old);
            for (int i = 0; i < n; ++i) {
                TIconHandle icon(ImageList_GetIcon(old, i, ILD_NORMAL));
                if (!icon)
                    throw EInvalidOperation(Format("Cannot copy image %d of the image list", i));
                NativeAddIcon(icon.get());
            }
        } catch (...) {
            if (FHandle)
                ImageList_Destroy(FHandle);
            FHandle = old;
            FMasked = !Value;
            throw;
        }
        if (!FShareImages)
            ImageList_Destroy(old);
    }
    Change();
}

void TCustomImageList::SetImageType(TImageType Value) {
    if (Value == FImageType)
        return;
    FImageType = Value;
    Change();
}

void TCustomImageList::SetDrawingStyle(TDrawingStyle Value) {
    if (Value == FDrawingStyle)
        return;
    FDrawingStyle = Value;
    Change();
}

void TCustomImageList::SetBkColor(TColor Value) {
    if (Value == FBkColor)
        return;
    FBkColor = Value;
    if (FHandle)
        ImageList_SetBkColor(FHandle, ImageListColor(Value));
    Change();
}

void TCustomImageList::SetBlendColor(TColor Value) {
    if (Value == FBlendColor)
        return;
    FBlendColor = Value;
    Change();
}

void TCustomImageList::SetAllocBy(int Value) {
    if (Value < 1)
        throw EInvalidArgument(Format("An image list cannot grow by %d images", Value));
    FAllocBy = Value;
}

void TCustomImageList::SetShareImages(bool Value) { FShareImages = Value; }

COLORREF TCustomImageList::ImageListColor(TColor Color) {
    if (Color == clNone)
        return CLR_NONE;
    if (Color == clDefault)
        return CLR_DEFAULT;
    return static_cast<COLORREF>(ColorToRGB(Color));
}

UINT TCustomImageList::DrawingFlags(TDrawingStyle ADrawingStyle, TImageType AImageType) {
    UINT flags = ILD_NORMAL;
    switch (ADrawingStyle) {
    case dsFocus:
        flags = ILD_FOCUS;
        break;
    case dsSelected:
        flags = ILD_SELECTED;
        break;
    case dsNormal:
        flags = ILD_NORMAL;
        break;
    case dsTransparent:
        flags = ILD_TRANSPARENT;
        break;
    }
    if (AImageType == itMask)
        flags |= ILD_MASK;
    return flags;
}

// --- change notification ---

void TCustomImageList::Change() {
    if (FUpdateCount > 0) {
        FChanged = true;
        return;
    }
    FChanged = false;
    // A link may unregister (or a listener free another link) while we tell them.
    std::vector<TChangeLink*> clients = FClients;
    for (TChangeLink* link : clients)
        if (std::find(FClients.begin(), FClients.end(), link) != FClients.end())
            link->Change();
    if (OnChange)
        OnChange(this);
}

void TCustomImageList::BeginUpdate() { ++FUpdateCount; }

void TCustomImageList::EndUpdate() {
    if (FUpdateCount > 0)
        --FUpdateCount;
    if (FUpdateCount == 0 && FChanged)
        Change();
}

void TCustomImageList::RegisterChanges(TChangeLink* Value) {
    if (!Value || std::find(FClients.begin(), FClients.end(), Value) != FClients.end())
        return;
    if (Value->Sender() && Value->Sender() != this)
        Value->Sender()->UnRegisterChanges(Value);
    Value->SetSender(this);
    FClients.push_back(Value);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* Value) {
    FClients.erase(std::remove(FClients.begin(), FClients.end(), Value), FClients.end());
    if (Value && Value->Sender() == this)
        Value->SetSender(nullptr);
}

TImageListUpdateScope::~TImageListUpdateScope() noexcept(false) {
    if (std::uncaught_exceptions() > FExceptions) {
        try {
            FList.EndUpdate();
        } catch (...) {
            HandleCurrentException();
        }
        return;
    }
    FList.EndUpdate();
}

// --- native operations ---

void TCustomImageList::CheckIndex(int Index, bool allowEnd) const {
    int n = Count();
    if (Index < 0 || Index > n || (Index == n && !allowEnd))
        throw EInvalidOperation(Format("Image index %d is outside the image list, which holds %d images", Index, n));
}

void TCustomImageList::CheckImageSize(TBitmap* Image) const {
    if (Image->Width() < FWidth || Image->Height() < FHeight)
        throw EInvalidOperation(Format("An image of %d x %d pixels does not fill the image list's %d x %d",
                                       Image->Width(), Image->Height(), FWidth, FHeight));
}

int TCustomImageList::NativeAdd(HBITMAP Image, HBITMAP Mask) {
    HandleNeeded();
    int index = ImageList_Add(FHandle, Image, Mask);
    if (index < 0)
        throw EInvalidOperation("Cannot add an image to the image list");
    return index;
}

int TCustomImageList::NativeAddIcon(HICON Icon) {
    HandleNeeded();
    int index = ImageList_AddIcon(FHandle, Icon);
    if (index < 0)
        throw EInvalidOperation("Cannot add an icon to the image list");
    return index;
}

void TCustomImageList::NativeReplace(int Index, HBITMAP Image, HBITMAP Mask) {
    CheckIndex(Index);
    if (!ImageList_Replace(FHandle, Index, Image, Mask))
        throw EInvalidOperation(Format("Cannot replace image %d of the image list", Index));
}

void TCustomImageList::NativeReplaceIcon(int Index, HICON Icon) {
    CheckIndex(Index);
    if (ImageList_ReplaceIcon(FHandle, Index, Icon) < 0)
        throw EInvalidOperation(Format("Cannot replace image %d of the image list with an icon", Index));
}

void TCustomImageList::NativeRemove(int Index) {
    if (Index == -1) {
        if (FHandle)
            ImageList_Remove(FHandle, -1);
        return;
    }
    CheckIndex(Index);
    if (!ImageList_Remove(FHandle, Index))
        throw EInvalidOperation(Format("Cannot remove image %d of the image list", Index));
}

void TCustomImageList::NativeMove(int CurIndex, int NewIndex) {
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    if (CurIndex == NewIndex)
        return;
    // The image waits in a spare cell at the end while the ones between slide over by one. (Exchanging images
    // with ILCF_SWAP loses the one that goes the other way on this platform.)
    int n = Count();
    if (!ImageList_SetImageCount(FHandle, static_cast<UINT>(n + 1)))
        throw EInvalidOperation("Cannot make room in the image list");
    auto copy = [&](int to, int from) {
        if (!ImageList_Copy(FHandle, to, FHandle, from, ILCF_MOVE))
            throw EInvalidOperation(Format("Cannot move image %d of the image list", from));
    };
    try {
        copy(n, CurIndex);
        int step = NewIndex > CurIndex ? 1 : -1;
        for (int i = CurIndex; i != NewIndex; i += step)
            copy(i, i + step);
        copy(NewIndex, n);
    } catch (...) {
        ImageList_SetImageCount(FHandle, static_cast<UINT>(n));
        throw;
    }
    ImageList_SetImageCount(FHandle, static_cast<UINT>(n));
}

void TCustomImageList::MoveAddedTo(int Index, int first) {
    int n = Count();
    for (int k = 0; first + k < n; ++k)
        NativeMove(first + k, Index + k);
}

HBITMAP TCustomImageList::MaskedCopy(TBitmap* Image, HBITMAP Mask) {
    TBitmap copy;
    copy.Assign(Image);
    copy.SetPixelFormat(pf32bit);
    TBitmapHandle result(copy.ReleaseHandle());
    if (!result)
        throw EInvalidOperation("Cannot copy the image for the image list");
    if (Mask) {
        TBitmapDC image(result.get());
        TBitmapDC mask(Mask);
        ::SetTextColor(image.DC(), RGB(0, 0, 0));
        ::SetBkColor(image.DC(), RGB(255, 255, 255));
        if (!BitBlt(image.DC(), 0, 0, Image->Width(), Image->Height(), mask.DC(), 0, 0, ROP_DSna))
            RaiseLastOSError("BitBlt");
    }
    return result.release();
}

HBITMAP TCustomImageList::MakeMask(TBitmap* Image, TColor MaskColor) {
    int w = Image->Width(), h = Image->Height();
    TBitmapHandle mask(CreateBitmap(w, h, 1, 1, nullptr));
    if (!mask)
        RaiseLastOSError("CreateBitmap");
    TBitmapDC maskDC(mask.get());
    if (MaskColor == clNone) {
        PatBlt(maskDC.DC(), 0, 0, w, h, BLACKNESS);
        return mask.release();
    }
    TColor color = MaskColor == clDefault ? Image->PixelColor(0, h - 1) : ColorToRGB(MaskColor);
    TBitmapDC imageDC(Image->Handle());
    // Converting colour to monochrome makes the pixels of the background colour white and all others black.
    ::SetBkColor(imageDC.DC(), static_cast<COLORREF>(color));
    if (!BitBlt(maskDC.DC(), 0, 0, w, h, imageDC.DC(), 0, 0, SRCCOPY))
        RaiseLastOSError("BitBlt");
    return mask.release();
}

// --- the image operations ---

int TCustomImageList::AddBitmaps(TBitmap* Image, TBitmap* Mask) {
    CheckImageSize(Image);
    if (FMasked && Mask && !Mask->Empty()) {
        TBitmapHandle copy(MaskedCopy(Image, Mask->Handle()));
        return NativeAdd(copy.get(), Mask->Handle());
    }
    return NativeAdd(Image->Handle(), nullptr);
}

int TCustomImageList::AddMaskedBitmap(TBitmap* Image, TColor MaskColor) {
    CheckImageSize(Image);
    if (!FMasked)
        return NativeAdd(Image->Handle(), nullptr);
    TBitmapHandle mask(MakeMask(Image, MaskColor));
    TBitmapHandle copy(MaskedCopy(Image, mask.get()));
    return NativeAdd(copy.get(), mask.get());
}

int TCustomImageList::CopyImage(TCustomImageList* Value, int Index) {
    Value->CheckIndex(Index);
    TIconHandle icon(ImageList_GetIcon(Value->Handle(), Index, ILD_NORMAL));
    if (!icon)
        throw EInvalidOperation(Format("Cannot copy image %d of the image list", Index));
    return NativeAddIcon(icon.get());
}

int TCustomImageList::Add(TBitmap* Image, TBitmap* Mask) {
    if (!Image || Image->Empty())
        return -1;
    int index = AddBitmaps(Image, Mask);
    Change();
    return index;
}

int TCustomImageList::AddIcon(TIcon* Image) {
    if (!Image || Image->Empty())
        return -1;
    int index = NativeAddIcon(Image->Handle());
    Change();
    return index;
}

int TCustomImageList::AddImage(TCustomImageList* Value, int Index) {
    if (!Value)
        return -1;
    int index = CopyImage(Value, Index);
    Change();
    return index;
}

void TCustomImageList::AddImages(TCustomImageList* Value) {
    if (!Value)
        return;
    int n = Value->Count();
    if (n == 0)
        return;
    TImageListUpdateScope scope(*this);
    for (int i = 0; i < n; ++i)
        CopyImage(Value, i);
    Change();
}

int TCustomImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
    if (!Image || Image->Empty())
        return -1;
    int index = AddMaskedBitmap(Image, MaskColor);
    Change();
    return index;
}

void TCustomImageList::Clear() {
    NativeRemove(-1);
    Change();
}

void TCustomImageList::Delete(int Index) {
    NativeRemove(Index);
    Change();
}

void TCustomImageList::Insert(int Index, TBitmap* Image, TBitmap* Mask) {
    if (!Image || Image->Empty())
        return;
    CheckIndex(Index, true);
    int first = AddBitmaps(Image, Mask);
    MoveAddedTo(Index, first);
    Change();
}

void TCustomImageList::InsertIcon(int Index, TIcon* Image) {
    if (!Image || Image->Empty())
        return;
    CheckIndex(Index, true);
    int first = NativeAddIcon(Image->Handle());
    MoveAddedTo(Index, first);
    Change();
}

void TCustomImageList::InsertMasked(int Index, TBitmap* Image, TColor MaskColor) {
    if (!Image || Image->Empty())
        return;
    CheckIndex(Index, true);
    int first = AddMaskedBitmap(Image, MaskColor);
    MoveAddedTo(Index, first);
    Change();
}

void TCustomImageList::Move(int CurIndex, int NewIndex) {
    NativeMove(CurIndex, NewIndex);
    if (CurIndex != NewIndex)
        Change();
}

void TCustomImageList::Replace(int Index, TBitmap* Image, TBitmap* Mask) {
    if (!Image || Image->Empty())
        return;
    CheckIndex(Index);
    CheckImageSize(Image);
    if (FMasked && Mask && !Mask->Empty()) {
        TBitmapHandle copy(MaskedCopy(Image, Mask->Handle()));
        NativeReplace(Index, copy.get(), Mask->Handle());
    } else {
        NativeReplace(Index, Image->Handle(), nullptr);
    }
    Change();
}

void TCustomImageList::ReplaceIcon(int Index, TIcon* Image) {
    if (!Image || Image->Empty())
        return;
    NativeReplaceIcon(Index, Image->Handle());
    Change();
}

void TCustomImageList::ReplaceMasked(int Index, TBitmap* NewImage, TColor MaskColor) {
    if (!NewImage || NewImage->Empty())
        return;
    CheckIndex(Index);
    CheckImageSize(NewImage);
    if (FMasked) {
        TBitmapHandle mask(MakeMask(NewImage, MaskColor));
        TBitmapHandle copy(MaskedCopy(NewImage, mask.get()));
        NativeReplace(Index, copy.get(), mask.get());
    } else {
        NativeReplace(Index, NewImage->Handle(), nullptr);
    }
    Change();
}

// --- drawing and reading images ---

void TCustomImageList::Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled) {
    Draw(Canvas, X, Y, Index, FDrawingStyle, FImageType, Enabled);
}

void TCustomImageList::Draw(TCanvas* Canvas, int X, int Y, int Index, TDrawingStyle ADrawingStyle,
                            TImageType AImageType, bool Enabled) {
    if (!Canvas || Index < 0 || Index >= Count())
        return;
    DoDraw(Index, Canvas, X, Y, DrawingFlags(ADrawingStyle, AImageType), Enabled);
}

void TCustomImageList::DoDraw(int Index, TCanvas* Canvas, int X, int Y, UINT Style, bool Enabled) {
    if (!FHandle)
        return;
    Canvas->Changing();
    if (Enabled)
        ImageList_DrawEx(FHandle, Index, Canvas->Handle(), X, Y, 0, 0, ImageListColor(FBkColor),
                         ImageListColor(FBlendColor), Style);
    else
        DrawDisabled(Index, Canvas, X, Y);
    Canvas->Changed();
}

void TCustomImageList::DrawDisabled(int Index, TCanvas* Canvas, int X, int Y) {
    // The shape of the image (every pixel it covers) in black on white, then painted twice through it: the
    // highlight one pixel down and right, the shadow over it.
    TBitmapHandle mono(CreateBitmap(FWidth, FHeight, 1, 1, nullptr));
    if (!mono)
        RaiseLastOSError("CreateBitmap");
    TBitmapDC monoDC(mono.get());
    PatBlt(monoDC.DC(), 0, 0, FWidth, FHeight, WHITENESS);
    ImageList_DrawEx(FHandle, Index, monoDC.DC(), 0, 0, 0, 0, CLR_NONE, CLR_NONE, ILD_TRANSPARENT);
    HDC dc = Canvas->Handle();
    COLORREF oldText = ::SetTextColor(dc, RGB(255, 255, 255));
    COLORREF oldBk = ::SetBkColor(dc, RGB(0, 0, 0));
    const TColor colors[2] = {clBtnHighlight, clBtnShadow};
    for (int pass = 0; pass < 2; ++pass) {
        TGdiObject brush(CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(colors[pass]))));
        HGDIOBJ oldBrush = SelectObject(dc, brush.get());
        int offset = pass == 0 ? 1 : 0;
        BitBlt(dc, X + offset, Y + offset, FWidth, FHeight, monoDC.DC(), 0, 0, ROP_DSPDxax);
        SelectObject(dc, oldBrush);
    }
    ::SetTextColor(dc, oldText);
    ::SetBkColor(dc, oldBk);
}

bool TCustomImageList::GetBitmap(int Index, TBitmap* Image) {
    if (!Image || Index < 0 || Index >= Count())
        return false;
    Image->SetSize(FWidth, FHeight);
    TCanvas* canvas = Image->Canvas();
    canvas->Brush()->SetColor(FBkColor == clNone ? clWhite : FBkColor);
    canvas->FillRect(TRect(0, 0, FWidth, FHeight));
    canvas->Changing();
    ImageList_Draw(FHandle, Index, canvas->Handle(), 0, 0, ILD_NORMAL);
    canvas->Changed();
    return true;
}

void TCustomImageList::GetIcon(int Index, TIcon* Image) { GetIcon(Index, Image, FDrawingStyle, FImageType); }

void TCustomImageList::GetIcon(int Index, TIcon* Image, TDrawingStyle ADrawingStyle, TImageType AImageType) {
    if (!Image)
        return;
    CheckIndex(Index);
    HICON icon = ImageList_GetIcon(FHandle, Index, DrawingFlags(ADrawingStyle, AImageType));
    if (!icon)
        throw EInvalidOperation(Format("Cannot make an icon of image %d of the image list", Index));
    Image->SetHandle(icon);
}

void TCustomImageList::Assign(TPersistent* Source) {
    if (!Source) {
        FreeHandle();
        Change();
        return;
    }
    auto* list = dynamic_cast<TCustomImageList*>(Source);
    if (!list) {
        TComponent::Assign(Source);
        return;
    }
    if (list == this)
        return;
    TImageListUpdateScope scope(*this);
    Clear();
    FImageType = list->FImageType;
    FDrawingStyle = list->FDrawingStyle;
    FBlendColor = list->FBlendColor;
    FAllocBy = list->FAllocBy;
    SetMasked(list->FMasked);
    SetBkColor(list->FBkColor);
    SetWidth(list->FWidth);
    SetHeight(list->FHeight);
    AddImages(list);
    Change();
}

// --- stored data ---

void TCustomImageList::ReadData(TStream* Stream) {
    long long start = Stream->Position();
    long long size = Stream->Size() - start;
    if (size <= 0)
        throw EReadError("The stored image list is empty");
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(size));
    if (!memory)
        RaiseLastOSError("GlobalAlloc");
    void* bytes = GlobalLock(memory);
    long got = Stream->Read(bytes, static_cast<long>(size));
    GlobalUnlock(memory);
    IStream* raw = nullptr;
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &raw))) {
        GlobalFree(memory);
        throw EReadError("Cannot read the stored image list: no memory stream");
    }
    TIStream stream(raw);
    HIMAGELIST list = ImageList_Read(stream.get());
    ULARGE_INTEGER used{};
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_CUR, &used);
    if (!list) {
        Stream->SetPosition(start);
        throw EReadError("The stored image list cannot be read");
    }
    Stream->SetPosition(start + std::min<long long>(static_cast<long long>(used.QuadPart), got));
    FreeHandle();
    FHandle = list;
    int cx = 0, cy = 0;
    if (ImageList_GetIconSize(list, &cx, &cy)) {
        FWidth = cx;
        FHeight = cy;
    }
    ImageList_SetBkColor(list, ImageListColor(FBkColor));
    Change();
}

void TCustomImageList::DefineProperties(TFiler* Filer) {
    TComponent::DefineProperties(Filer);
    Filer->DefineBinaryProperty(
        "Bitmap", [this](TStream* s) { ReadData(s); }, [this](TStream* s) { WriteData(s); }, Count() > 0);
}

void TCustomImageList::WriteData(TStream* Stream) {
    IStream* raw = nullptr;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &raw)))
        throw EWriteError("Cannot store the image list: no memory stream");
    TIStream stream(raw);
    if (!ImageList_Write(Handle(), stream.get()))
        throw EWriteError("Cannot store the image list");
    ULARGE_INTEGER size{};
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_CUR, &size);
    HGLOBAL memory = nullptr;
    if (FAILED(GetHGlobalFromStream(stream.get(), &memory)))
        throw EWriteError("Cannot store the image list: its data cannot be reached");
    void* bytes = GlobalLock(memory);
    try {
        Stream->WriteBuffer(bytes, static_cast<long>(size.QuadPart));
    } catch (...) {
        GlobalUnlock(memory);
        throw;
    }
    GlobalUnlock(memory);
}
