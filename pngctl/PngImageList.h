#pragma once
// TPngImageList: an image list whose images are PNGs with full alpha, from which the native list of
// toolbars and menus is built.
#include "classlib/runtime/Collections.h"
#include "classlib/visual/ImgList.h"
#include "pngctl/PngFunctions.h"
#include "pngctl/PngImage.h"

#include <memory>
#include <string>

class TPngImageList;

// One image of a PNG image list: the PNG, a name, and the colour it is laid on where the native list has no alpha.
class TPngImageCollectionItem : public TCollectionItem {
    CLASS_INFO(TPngImageCollectionItem, TCollectionItem)
public:
    TPngImageCollectionItem();
    ~TPngImageCollectionItem() override;

    // Never nil. A change to it (also a direct one, such as loading a file into it) reports the item changed.
    TPNGObject* PngImage() const { return FPngImage.get(); }
    // Copies Value into the item's PNG (nil empties it).
    void SetPngImage(TPNGObject* Value);
    const std::string& Name() const { return FName; }
    void SetName(const std::string& Value);
    TColor Background() const { return FBackground; }
    void SetBackground(TColor Value);

    // Another item's PNG, background and name are copied.
    void Assign(TPersistent* Source) override;
    std::string DisplayName() const override;

private:
    friend class TPngImageCollectionItems;
    std::unique_ptr<TPNGObject> FPngImage;
    std::string FName;
    TColor FBackground = clBtnFace;
};

// The PNG items of a PNG image list; every completed change rebuilds the list's native images.
class TPngImageCollectionItems : public TOwnedCollection {
    CLASS_INFO(TPngImageCollectionItems, TOwnedCollection)
public:
    explicit TPngImageCollectionItems(TPngImageList* AOwner);

    TPngImageCollectionItem* Add() { return static_cast<TPngImageCollectionItem*>(TCollection::Add()); }
    TPngImageCollectionItem* Items(int Index) const {
        return static_cast<TPngImageCollectionItem*>(TCollection::Items(Index));
    }
    void Assign(TPersistent* Source) override;
    TPngImageList* ImageList() const { return FImageList; }

protected:
    void Update(TCollectionItem* Item) override;
    // A new item is named after its place: "PngImage0", "PngImage1", ...
    void Notify(TCollectionItem* Item, TCollectionNotification Action) override;

private:
    TPngImageList* FImageList;
};

// An image list of PNG items. Every image operation, also one called through TCustomImageList, changes the
// items and the native list together; a failing operation changes neither, and leaves the list following its
// items.
class TPngImageList : public TImageList {
    CLASS_INFO(TPngImageList, TImageList)
public:
    explicit TPngImageList(TComponent* AOwner);
    TPngImageList(TComponent* AOwner, int AWidth, int AHeight);
    ~TPngImageList() override;

    TPngImageCollectionItems* PngImages() const { return FPngImages.get(); }
    // Copies the items of Value.
    void SetPngImages(TPngImageCollectionItems* Value);
    // False draws every native image with the disabled look of PngOptions (for a toolbar that is disabled).
    bool EnabledImages() const { return FEnabledImages; }
    void SetEnabledImages(bool Value);
    TPngOptions PngOptions() const { return FPngOptions; }
    void SetPngOptions(TPngOptions Value);

    // Brackets several changes of the items: the native list is rebuilt once at the end (unless Rebuild is false)
    // and the change is reported once. The list's change notification is bracketed as well.
    void BeginUpdate();
    void EndUpdate(bool Rebuild = true);

    // Rebuilds the native list from the items (nothing while an update is open).
    void CopyPngs();

    // A copy of another image list; from a PNG image list its items and EnabledImages as well.
    void Assign(TPersistent* Source) override;

    int Add(TBitmap* Image, TBitmap* Mask) override;
    int AddIcon(TIcon* Image) override;
    int AddImage(TCustomImageList* Value, int Index) override;
    void AddImages(TCustomImageList* Value) override;
    int AddMasked(TBitmap* Image, TColor MaskColor) override;
    void Clear() override;
    // Does nothing for an index outside 0..Count - 1, -1 included.
    void Delete(int Index) override;
    void Insert(int Index, TBitmap* Image, TBitmap* Mask) override;
    void InsertIcon(int Index, TIcon* Image) override;
    void InsertMasked(int Index, TBitmap* Image, TColor MaskColor) override;
    void Move(int CurIndex, int NewIndex) override;
    void Replace(int Index, TBitmap* Image, TBitmap* Mask) override;
    void ReplaceIcon(int Index, TIcon* Image) override;
    void ReplaceMasked(int Index, TBitmap* NewImage, TColor MaskColor) override;

    // The native images are made from the items, so the list stores none of its own: a form holds "Bitmap" with
    // no bytes, and what a form holds there is ignored.
    void ReadData(TStream* Stream) override;
    void WriteData(TStream* Stream) override;

protected:
    void DoDraw(int Index, TCanvas* Canvas, int X, int Y, UINT Style, bool Enabled = true) override;

private:
    class TUpdate;
    int AddItem(std::unique_ptr<TPNGObject> Png);
    void InsertItem(int Index, std::unique_ptr<TPNGObject> Png);
    void ReplaceItem(int Index, std::unique_ptr<TPNGObject> Png);

    std::unique_ptr<TPngImageCollectionItems> FPngImages;
    bool FEnabledImages = true;
    TPngOptions FPngOptions{pngBlendOnDisabled};
    int FUpdateCount = 0;
};

// The icon of a PNG for the native list: with alpha when the common controls draw it (version 6.0 and later),
// otherwise laid on Background with a mask (clNone: the button face).
HICON PngToIcon(TPNGObject* Png, TColor Background);
// A 32-bit icon with the PNG's alpha; the caller destroys it.
HICON PngToAlphaIcon(TPNGObject* Png);
// An icon of the PNG drawn on Background, transparent where the PNG is fully transparent.
HICON PngToMaskedIcon(TPNGObject* Png, TColor Background);
