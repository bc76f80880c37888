#include "acShellCtrls.h"

#include "classlib/runtime/ExceptionHandler.h"
#include "classlib/runtime/SysUtils.h"

#include <cstring>

using Microsoft::WRL::ComPtr;

namespace {

ComPtr<IMalloc> ShellMalloc() {
    ComPtr<IMalloc> malloc;
    OleCheck(SHGetMalloc(&malloc), "SHGetMalloc");
    return malloc;
}

// Allocates in the shell's memory or raises.
LPITEMIDLIST NewPIDL(UINT Size) {
    auto* id = static_cast<LPITEMIDLIST>(ShellAlloc(Size));
    if (!id)
        throw EOutOfResources(Format("The shell has no memory for an item list of %u bytes", Size));
    return id;
}

// The desktop node while it exists; nodes made without a parent hang from it.
TacShellFolder* TheDesktop = nullptr;

// A list disposed of at the end of a scope, on every path.
struct TScopedPIDL {
    LPITEMIDLIST ID;
    ~TScopedPIDL();
};

}  // namespace

// --- item identifier lists ---

void* ShellAlloc(size_t Size) {
    void* block = ShellMalloc()->Alloc(Size);
    if (block)
        std::memset(block, 0, Size);
    return block;
}

LPITEMIDLIST NextPIDL(LPCITEMIDLIST ID) {
    if (!ID)
        return nullptr;
    return reinterpret_cast<LPITEMIDLIST>(const_cast<BYTE*>(reinterpret_cast<const BYTE*>(ID)) + ID->mkid.cb);
}

UINT PIDLSize(LPCITEMIDLIST ID) {
    if (!ID)
        return 0;
    UINT size = sizeof(ID->mkid.cb);
    for (; ID->mkid.cb; ID = NextPIDL(ID))
        size += ID->mkid.cb;
    return size;
}

LPITEMIDLIST CopyPIDL(LPCITEMIDLIST ID) {
    if (!ID)
        return nullptr;
    UINT size = PIDLSize(ID);
    LPITEMIDLIST copy = NewPIDL(size);
    std::memcpy(copy, ID, size);
    return copy;
}

LPITEMIDLIST ConcatPIDLs(LPCITEMIDLIST ID1, LPCITEMIDLIST ID2) {
    UINT first = ID1 ? PIDLSize(ID1) - sizeof(ID1->mkid.cb) : 0;
    // A nil second list still leaves the new one its terminator (the memory comes zero-filled).
    UINT second = ID2 ? PIDLSize(ID2) : sizeof(ID2->mkid.cb);
    LPITEMIDLIST id = NewPIDL(first + second);
    if (ID1)
        std::memcpy(id, ID1, first);
    if (ID2)
        std::memcpy(reinterpret_cast<BYTE*>(id) + first, ID2, second);
    return id;
}

void DisposePIDL(LPITEMIDLIST ID) {
    if (!ID)
        return;
    // Called from destructors too, which must not raise: without the allocator the list can only be left behind.
    ComPtr<IMalloc> malloc;
    if (SUCCEEDED(SHGetMalloc(&malloc)))
        malloc->Free(ID);
}

TScopedPIDL::~TScopedPIDL() { DisposePIDL(ID); }

ComPtr<IShellFolder> GetDesktopFolder() {
    ComPtr<IShellFolder> folder;
    OleCheck(SHGetDesktopFolder(&folder), "SHGetDesktopFolder");
    return folder;
}

LPITEMIDLIST DesktopPIDL() {
    LPITEMIDLIST id = nullptr;
    OleCheck(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &id), "SHGetSpecialFolderLocation");
    return id;
}

// --- TacShellFolder ---

TacShellFolder::TacShellFolder(TacShellFolder* AParent, IShellFolder* AShellFolder, LPCITEMIDLIST ID)
    : FParent(AParent), FShellFolder(AShellFolder), FDetails(std::make_unique<TStringList>()) {
    TScopedPIDL relative{CopyPIDL(ID)};
    if (AParent) {
        FAbsoluteID = ConcatPIDLs(AParent->AbsoluteID(), ID);
    } else {
        TScopedPIDL desktop{DesktopPIDL()};
        FAbsoluteID = ConcatPIDLs(desktop.ID, ID);
    }
    FRelativeID = relative.ID;
    relative.ID = nullptr;
    if (!FParent)
        FParent = TheDesktop;
    else
        for (TacShellFolder* p = AParent->Parent(); p; p = p->Parent())
            ++FLevel;
}

TacShellFolder::~TacShellFolder() {
    DisposePIDL(FRelativeID);
    DisposePIDL(FAbsoluteID);
}

// --- start-up and shut-down ---

namespace {

struct TShellUnit {
    std::unique_ptr<TacShellFolder> Desktop;
    CRITICAL_SECTION Lock;
    bool OleStarted = false;

    TShellUnit() {
        // A failure cannot stop the program here, so it is reported through the application's exception handler,
        // and the desktop node stays nil.
        RunGuarded([this] {
            TScopedPIDL id{DesktopPIDL()};
            if (!id.ID)
                return;
            Desktop = std::make_unique<TacShellFolder>(nullptr, GetDesktopFolder().Get(), id.ID);
            TheDesktop = Desktop.get();
        });
        InitializeCriticalSection(&Lock);
        HRESULT result = OleInitialize(nullptr);
        OleStarted = SUCCEEDED(result);
        if (!OleStarted)
            RunGuarded([result] { OleCheck(result, "OleInitialize"); });
    }

    ~TShellUnit() {
        TheDesktop = nullptr;
        Desktop.reset();
        DeleteCriticalSection(&Lock);
        if (OleStarted)
            OleUninitialize();
    }
};

// Made on first use, and so at the latest by the start-up below.
TShellUnit& ShellUnit() {
    static TShellUnit unit;
    return unit;
}

const bool ShellUnitStarted = [] {
    ShellUnit();
    return true;
}();

}  // namespace

TacShellFolder* DesktopFolder() { return ShellUnit().Desktop.get(); }

CRITICAL_SECTION& ShellFolderLock() { return ShellUnit().Lock; }
