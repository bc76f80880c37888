#pragma once
// Image lists: many images of one size in one comctl32 image list, drawn by index and shared by toolbars,
// menus, tabs and list views, which hear of every change through change links.
#include "classlib/runtime/Component.h"
#include "Graphics.h"

#include <commctrl.h>

#include <exception>
#include <vector>

class TCustomImageList;
class TStream;

// Tells whoever holds it (a toolbar, a menu) that the image list it is registered with changed.
class TChangeLink : public TObject {
    CLASS_INFO(TChangeLink, TObject)
public:
    TChangeLink() = default;
    // Unregisters from the list it is registered with.
    ~TChangeLink() override;
    TChangeLink(const TChangeLink&) = delete;
    TChangeLink& operator=(const TChangeLink&) = delete;

    TCustomImageList* Sender() const { return FSender; }
    void SetSender(TCustomImageList* Value) { FSender = Value; }
    // Calls OnChange with the image list as sender.
    virtual void Change();

    TNotifyEvent OnChange;

private:
    TCustomImageList* FSender = nullptr;
};

enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
enum TImageType { itImage, itMask };

// An image list over a comctl32 image-list handle (32-bit colour, with a mask when Masked). Indexes outside
// the list raise EInvalidOperation; a failing platform call raises too. The handle is made on first use.
class TCustomImageList : public TComponent {
    CLASS_INFO(TCustomImageList, TComponent)
public:
    explicit TCustomImageList(TComponent* AOwner);
    // A list of images of the given size ("CreateSize").
    TCustomImageList(TComponent* AOwner, int AWidth, int AHeight);
    ~TCustomImageList() override;

    // --- the image operations ---
    // Virtual, so that a list that keeps its images in another form as well (PNG items) follows every change,
    // also when called through this class.

    // Adds Image (as many images as fit across its width) with Mask (white: transparent); the index of the first,
    // or -1 without an image. Raises EInvalidOperation for an image smaller than the list's size.
    virtual int Add(TBitmap* Image, TBitmap* Mask);
    // The index of the added icon, or -1 without an icon.
    virtual int AddIcon(TIcon* Image);
    // Copies image Index of Value to the end; -1 without a list.
    virtual int AddImage(TCustomImageList* Value, int Index);
    virtual void AddImages(TCustomImageList* Value);
    // Adds Image with every pixel of MaskColor transparent (clDefault: the colour of the bottom-left pixel,
    // clNone: nothing transparent); the caller's bitmap is left as it was. -1 without an image.
    virtual int AddMasked(TBitmap* Image, TColor MaskColor);
    virtual void Clear();
    // Removes image Index (-1 removes every image).
    virtual void Delete(int Index);
    // Inserts before Index (0..Count). The inserting and replacing operations do nothing without an image.
    virtual void Insert(int Index, TBitmap* Image, TBitmap* Mask);
    virtual void InsertIcon(int Index, TIcon* Image);
    virtual void InsertMasked(int Index, TBitmap* Image, TColor MaskColor);
    // Moves image CurIndex so that it ends up at NewIndex; the others keep their order.
    virtual void Move(int CurIndex, int NewIndex);
    virtual void Replace(int Index, TBitmap* Image, TBitmap* Mask);
    virtual void ReplaceIcon(int Index, TIcon* Image);
    virtual void ReplaceMasked(int Index, TBitmap* NewImage, TColor MaskColor);

    // Draws image Index at (X, Y) in DrawingStyle and ImageType; disabled as an embossed grey shape. An index
    // outside the list draws nothing (controls ask for image -1 when they have none).
    void Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled = true);
    void Draw(TCanvas* Canvas, int X, int Y, int Index, TDrawingStyle ADrawingStyle, TImageType AImageType,
              bool Enabled = true);
    // Image becomes a Width x Height picture of image Index on BkColor (white when BkColor is clNone);
    // false without an image or for an index outside the list.
    bool GetBitmap(int Index, TBitmap* Image);
    // Image becomes an icon of image Index.
    void GetIcon(int Index, TIcon* Image);
    void GetIcon(int Index, TIcon* Image, TDrawingStyle ADrawingStyle, TImageType AImageType);

    // A copy of another image list: its settings, then its images through Clear and AddImages; nil frees the
    // handle.
    void Assign(TPersistent* Source) override;

    // Brackets several changes so that the registered links and OnChange hear of them once.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

    void RegisterChanges(TChangeLink* Value);
    void UnRegisterChanges(TChangeLink* Value);

    // --- the image list handle ---
    HIMAGELIST Handle();
    // Takes the list (and, unless ShareImages, its ownership); its icon size becomes Width and Height.
    void SetHandle(HIMAGELIST Value);
    bool HandleAllocated() const { return FHandle != nullptr; }
    void HandleNeeded();
    int Count() const;

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    // A new size removes every image.
    void SetWidth(int Value);
    void SetHeight(int Value);
    bool Masked() const { return FMasked; }
    // Keeps the images; without a mask they become opaque.
    void SetMasked(bool Value);
    TImageType ImageType() const { return FImageType; }
    void SetImageType(TImageType Value);
    TDrawingStyle DrawingStyle() const { return FDrawingStyle; }
    void SetDrawingStyle(TDrawingStyle Value);
    TColor BkColor() const { return FBkColor; }
    void SetBkColor(TColor Value);
    TColor BlendColor() const { return FBlendColor; }
    void SetBlendColor(TColor Value);
    // How many images the list grows by at a time.
    int AllocBy() const { return FAllocBy; }
    void SetAllocBy(int Value);
    // When set, the handle belongs to someone else and is never destroyed by the list (whoever set it, as the
    // class library has it).
    bool ShareImages() const { return FShareImages; }
    void SetShareImages(bool Value);

    // --- stored data ---
    // The images in comctl32's own image-list format, the stored "Bitmap" of a form. ReadData reads one list from
    // the stream's position and leaves the position after it; it raises EReadError for data that is not a list.
    virtual void ReadData(TStream* Stream);
    virtual void WriteData(TStream* Stream);
    // "Bitmap", through ReadData and WriteData; written when the list holds images.
    void DefineProperties(TFiler* Filer) override;

    TNotifyEvent OnChange;

protected:
    // Tells the links and OnChange, or remembers to once the open update ends.
    virtual void Change();
    // Draws image Index with the ILD_ flags of Style; the one place every Draw goes through.
    virtual void DoDraw(int Index, TCanvas* Canvas, int X, int Y, UINT Style, bool Enabled = true);

    // Raises EInvalidOperation unless 0 <= Index < Count (or <= Count with allowEnd).
    void CheckIndex(int Index, bool allowEnd = false) const;
    // The ILD_ flags of a drawing style and image type.
    static UINT DrawingFlags(TDrawingStyle ADrawingStyle, TImageType AImageType);
    // A colour as the image-list calls take it: clNone is CLR_NONE, clDefault CLR_DEFAULT.
    static COLORREF ImageListColor(TColor Color);
    // The ILC_ flags a new native list is made with: 32-bit colour, and a mask when Masked.
    virtual UINT CreationFlags() const { return ILC_COLOR32 | (FMasked ? ILC_MASK : 0); }

    // The platform operations behind the image operations, for derived lists that keep the native list in step
    // themselves. None of them calls a virtual operation or reports a change.
    int NativeAdd(HBITMAP Image, HBITMAP Mask);
    int NativeAddIcon(HICON Icon);
    void NativeReplace(int Index, HBITMAP Image, HBITMAP Mask);
    void NativeReplaceIcon(int Index, HICON Icon);
    void NativeRemove(int Index);
    // Moves one image within the native list by exchanging neighbours.
    void NativeMove(int CurIndex, int NewIndex);

private:
    void FreeHandle();
    void CreateList(int width, int height);
    // A copy of Image, blackened where Mask (a monochrome bitmap) is white, so transparent drawing is clean.
    HBITMAP MaskedCopy(TBitmap* Image, HBITMAP Mask);
    // A monochrome mask of Image, white where it has MaskColor.
    HBITMAP MakeMask(TBitmap* Image, TColor MaskColor);
    void CheckImageSize(TBitmap* Image) const;
    int AddBitmaps(TBitmap* Image, TBitmap* Mask);
    int AddMaskedBitmap(TBitmap* Image, TColor MaskColor);
    int CopyImage(TCustomImageList* Value, int Index);
    // Moves the images from first to the end so that they start at Index.
    void MoveAddedTo(int Index, int first);
    void DrawDisabled(int Index, TCanvas* Canvas, int X, int Y);

    HIMAGELIST FHandle = nullptr;
    int FWidth = 16;
    int FHeight = 16;
    bool FMasked = true;
    TImageType FImageType = itImage;
    TDrawingStyle FDrawingStyle = dsNormal;
    TColor FBkColor = clNone;
    TColor FBlendColor = clNone;
    int FAllocBy = 4;
    bool FShareImages = false;
    int FUpdateCount = 0;
    bool FChanged = false;
    std::vector<TChangeLink*> FClients;
};

// The image list components are placed as.
class TImageList : public TCustomImageList {
    CLASS_INFO(TImageList, TCustomImageList)
public:
    using TCustomImageList::TCustomImageList;
};

// Keeps an image list's update open for a scope, so that an exception cannot leave it open for good. The closing
// report may raise; while another exception is on its way, that one goes on and the report's own error goes to the
// application's exception handler.
class TImageListUpdateScope {
public:
    explicit TImageListUpdateScope(TCustomImageList& List) : FList(List), FExceptions(std::uncaught_exceptions()) {
        FList.BeginUpdate();
    }
    ~TImageListUpdateScope() noexcept(false);
    TImageListUpdateScope(const TImageListUpdateScope&) = delete;
    TImageListUpdateScope& operator=(const TImageListUpdateScope&) = delete;

private:
    TCustomImageList& FList;
    int FExceptions;
};
