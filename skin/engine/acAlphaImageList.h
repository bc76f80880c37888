#pragma once
// TsAlphaImageList: an image list of 32-bit icons with alpha, kept in forms as PNG and ICO files and turned into
// the native list once it is made or read.
#include "classlib/runtime/Collections.h"
#include "classlib/visual/ImgList.h"
#include "classlib/runtime/Streams.h"

#include <memory>

class TsAlphaImageList;

// The kind of file an item holds.
enum TsImageFormat : uint8_t { ifPNG = 0, ifICO = 1 };

// One image of an alpha image list: the bytes of one PNG or ICO file.
class TsImgListItem : public TCollectionItem {
    CLASS_INFO(TsImgListItem, TCollectionItem)
public:
    TsImgListItem();
    ~TsImgListItem() override;

    // Never nil.
    TMemoryStream* ImgData() const { return FImgData.get(); }
    TsImageFormat ImageFormat() const { return FImageFormat; }
    void SetImageFormat(TsImageFormat Value) { FImageFormat = Value; }

    // Another item's file and format are copied.
    void Assign(TPersistent* Source) override;
    // The file is stored as the binary property "ImgData". Reading it back tells PNG and ICO files apart by their
    // signatures and raises EReadError for data that is neither.
    void DefineProperties(TFiler* Filer) override;

private:
    std::unique_ptr<TMemoryStream> FImgData;
    TsImageFormat FImageFormat = ifPNG;
};

// The items of an alpha image list.
class TsImgListItems : public TOwnedCollection {
    CLASS_INFO(TsImgListItems, TOwnedCollection)
public:
    explicit TsImgListItems(TsAlphaImageList* AOwner);

    TsImgListItem* Add() { return static_cast<TsImgListItem*>(TCollection::Add()); }
    TsImgListItem* Items(int Index) const { return static_cast<TsImgListItem*>(TCollection::Items(Index)); }
    TsAlphaImageList* Owner() const { return FOwner; }

private:
    TsAlphaImageList* FOwner;
};

// An image list whose native list holds 32-bit icons made from PNG and ICO items. The native images are built once,
// when the list is read from a form (or by BuildImages); at run time the files are dropped then, unless KeepImgData
// is set. Every image is drawn as an icon with its alpha.
class TsAlphaImageList : public TImageList {
    CLASS_INFO(TsAlphaImageList, TImageList)
public:
    explicit TsAlphaImageList(TComponent* AOwner);
    ~TsAlphaImageList() override;

    TsImgListItems* Items() const { return FItems.get(); }
    // Copies the items of Value.
    void SetItems(TsImgListItems* Value);
    bool ImagesBuilt() const { return FImagesBuilt; }
    bool KeepImgData() const { return FKeepImgData; }
    void SetKeepImgData(bool Value) { FKeepImgData = Value; }
    // True while designing or with KeepImgData: the items stay after the native images are built.
    bool KeepItems() const;

    // Makes the native images anew from the items, in their order: a PNG item through TPNGGraphic, an ICO item
    // through an icon. Raises EInvalidGraphic naming the item whose file cannot be read (the native list then holds
    // the images before it). Unless KeepItems, the items are dropped afterwards.
    void BuildImages();

    // From another alpha image list: its settings, its size, its colours and its images (with KeepItems, its items
    // when it has them). Nil frees the native list. Any other source as an image list copies it.
    void Assign(TPersistent* Source) override;
    void Loaded() override;

    // The native images are made from the items, so the list stores none of its own.
    void ReadData(TStream* Stream) override;
    void WriteData(TStream* Stream) override;

protected:
    void AssignTo(TPersistent* Dest) override;
    // Draws image Index as an icon at the list's size, with its alpha; Style and Enabled do not change it. Nothing
    // without a native list or for an index outside it.
    void DoDraw(int Index, TCanvas* Canvas, int X, int Y, UINT Style, bool Enabled = true) override;
    UINT CreationFlags() const override { return ILC_COLOR32 | ILC_MASK | ILC_PALETTE; }

private:
    void CopyFrom(TsAlphaImageList* Source);
    void CopyImages(TsAlphaImageList* Source);

    std::unique_ptr<TsImgListItems> FItems;
    bool FImagesBuilt = false;
    bool FKeepImgData = false;
};

// The class library's colour of an image-list colour: CLR_NONE is clNone, CLR_DEFAULT clDefault, any other value
// stays as it is.
TColor ImageListColorToColor(COLORREF Value);
