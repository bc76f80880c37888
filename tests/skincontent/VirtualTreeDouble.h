#pragma once
// Another maker's virtual tree as a test double: the published names the virtual-tree adapter reads and writes
// (its colours, its header's options and height, and the header events it takes over).
#include "classlib/visual/Controls.h"
#include "classlib/runtime/FormResources.h"
#include "skin/adapters/acEditWnd.h"

#include <memory>

// A virtual tree of another maker: colours, a header with options and height, and the header events.
class TVETColors : public TPersistent {
    CLASS_INFO(TVETColors, TPersistent)
public:
    TColor Compressed = clBlue, File = clBlack, Folder = clNavy;
    TColor CompressedTextColor() const { return Compressed; }
    void SetCompressedTextColor(TColor v) { Compressed = v; }
    TColor FileTextColor() const { return File; }
    void SetFileTextColor(TColor v) { File = v; }
    TColor FolderTextColor() const { return Folder; }
    void SetFolderTextColor(TColor v) { Folder = v; }
};

enum THeaderOption { hoVisible, hoOwnerDraw, hoColumnResize };
using THeaderOptions = Set<THeaderOption>;

class TVTHeader : public TPersistent {
    CLASS_INFO(TVTHeader, TPersistent)
public:
    THeaderOptions Opts = {hoVisible};
    THeaderOptions Options() const { return Opts; }
    void SetOptions(THeaderOptions v) { Opts = v; }
    int Height() const { return 20; }
    void SetHeight(int) {}
};

class TVirtualExplorerTree : public TCustomControl {
    CLASS_INFO(TVirtualExplorerTree, TCustomControl)
public:
    explicit TVirtualExplorerTree(TComponent* AOwner)
        : TCustomControl(AOwner), Colors(std::make_unique<TVETColors>()), Header(std::make_unique<TVTHeader>()) {}
    TVETColors* VETColors() const { return Colors.get(); }
    TVTHeader* GetHeader() const { return Header.get(); }
    TacAdvancedHeaderDrawEvent OnAdvancedHeaderDraw;
    TacHeaderDrawQueryElementsEvent OnHeaderDrawQueryElements;
    std::unique_ptr<TVETColors> Colors;
    std::unique_ptr<TVTHeader> Header;
};

inline const bool VirtualTreeDoublesRegistered = [] {
    RegisterFormClass<TVETColors>([](TFormClass<TVETColors>& c) {
        c.Color("CompressedTextColor", &TVETColors::CompressedTextColor, &TVETColors::SetCompressedTextColor);
        c.Color("FileTextColor", &TVETColors::FileTextColor, &TVETColors::SetFileTextColor);
        c.Color("FolderTextColor", &TVETColors::FolderTextColor, &TVETColors::SetFolderTextColor);
    });
    RegisterFormClass<TVTHeader>([](TFormClass<TVTHeader>& c) {
        c.SetOf("Options", &TVTHeader::Options, &TVTHeader::SetOptions, {"hoVisible", "hoOwnerDraw", "hoColumnResize"});
        c.Integer("Height", &TVTHeader::Height, &TVTHeader::SetHeight);
    });
    RegisterFormClass<TVirtualExplorerTree>([](TFormClass<TVirtualExplorerTree>& c) {
        c.Object("VETColors", &TVirtualExplorerTree::VETColors);
        c.Object("Header", &TVirtualExplorerTree::GetHeader);
        c.Event("OnAdvancedHeaderDraw", &TVirtualExplorerTree::OnAdvancedHeaderDraw);
        c.Event("OnHeaderDrawQueryElements", &TVirtualExplorerTree::OnHeaderDrawQueryElements);
    });
    return true;
}();
