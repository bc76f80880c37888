#pragma once
// The shell namespace under the skin library's folder dialog: item identifier lists (PIDLs) in the shell's memory,
// and TacShellFolder, one node of a folder tree with its IShellFolder. When the program starts, OLE is initialised
// and the desktop node made, from which every other node hangs.
#include "classlib/runtime/Component.h"
#include "classlib/runtime/Lists.h"

#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <memory>

// --- item identifier lists: all of their memory comes from and goes back to the shell's allocator ---

// Size bytes of the shell's memory, zero-filled; nil when the allocator has none. Raises EOleSysError when the
// shell's allocator cannot be had.
void* ShellAlloc(size_t Size);
// The item after the first one of ID (nil for nil).
LPITEMIDLIST NextPIDL(LPCITEMIDLIST ID);
// The bytes of the whole list with its terminator: 0 for nil, 2 for an empty list.
UINT PIDLSize(LPCITEMIDLIST ID);
// A copy of the list (nil for nil). Raises EOutOfResources when the shell has no memory for it.
LPITEMIDLIST CopyPIDL(LPCITEMIDLIST ID);
// A new list of the items of ID1 followed by those of ID2; a nil list counts as an empty one. Raises
// EOutOfResources when the shell has no memory for it.
LPITEMIDLIST ConcatPIDLs(LPCITEMIDLIST ID1, LPCITEMIDLIST ID2);
// Gives the list's memory back to the shell (nothing for nil).
void DisposePIDL(LPITEMIDLIST ID);
// The desktop's folder; raises EOleSysError when the shell cannot give it.
Microsoft::WRL::ComPtr<IShellFolder> GetDesktopFolder();
// The desktop's own list, which the caller disposes; raises EOleSysError when the shell cannot give it.
LPITEMIDLIST DesktopPIDL();

// One folder of the namespace tree: where it lies relative to its parent and to the desktop, and its folder
// interface. It owns its two lists and a reference to the interface, never its parent.
class TacShellFolder : public TObject {
    CLASS_INFO(TacShellFolder, TObject)
public:
    // ID is copied. Without a parent the node hangs from the desktop node, and its absolute list is the desktop's
    // followed by ID.
    TacShellFolder(TacShellFolder* AParent, IShellFolder* AShellFolder, LPCITEMIDLIST ID);
    ~TacShellFolder() override;
    TacShellFolder(const TacShellFolder&) = delete;
    TacShellFolder& operator=(const TacShellFolder&) = delete;

    LPITEMIDLIST RelativeID() const { return FRelativeID; }
    LPITEMIDLIST AbsoluteID() const { return FAbsoluteID; }
    TacShellFolder* Parent() const { return FParent; }
    IShellFolder* ShellFolder() const { return FShellFolder.Get(); }
    // The interfaces for the folder's column details, empty until someone asks the folder for them.
    IShellDetails* ShellDetails() const { return FShellDetails.Get(); }
    IShellFolder2* ShellFolder2() const { return FShellFolder2.Get(); }
    // The depth of the parent below the top of the chain: 0 for a child of the desktop node.
    int Level() const { return FLevel; }
    TStringList* Details() const { return FDetails.get(); }

private:
    LPITEMIDLIST FRelativeID = nullptr;
    LPITEMIDLIST FAbsoluteID = nullptr;
    TacShellFolder* FParent = nullptr;
    Microsoft::WRL::ComPtr<IShellFolder> FShellFolder;
    Microsoft::WRL::ComPtr<IShellDetails> FShellDetails;
    Microsoft::WRL::ComPtr<IShellFolder2> FShellFolder2;
    int FLevel = 0;
    std::unique_ptr<TStringList> FDetails;
};

// The desktop node, made when the program starts; nil when the shell gave no desktop (the reason was reported then).
TacShellFolder* DesktopFolder();
// The library-wide lock of the folder tree, ready from start-up to shut-down: code that walks the tree from more
// than one thread takes it around each walk.
CRITICAL_SECTION& ShellFolderLock();
