#pragma once
// Owning holders of the GDI handles the PNG code makes for a moment: released on every path, errors included.
#include <windows.h>

#include <memory>
#include <type_traits>

struct TGdiObjectDeleter {
    void operator()(void* h) const { DeleteObject(static_cast<HGDIOBJ>(h)); }
};
struct TIconDeleter {
    void operator()(HICON h) const { DestroyIcon(h); }
};
struct TMemoryDCDeleter {
    void operator()(HDC h) const { DeleteDC(h); }
};

using TGdiObjectHandle = std::unique_ptr<void, TGdiObjectDeleter>;
using TBitmapHandle = std::unique_ptr<std::remove_pointer_t<HBITMAP>, TGdiObjectDeleter>;
using TIconHandle = std::unique_ptr<std::remove_pointer_t<HICON>, TIconDeleter>;
using TMemoryDC = std::unique_ptr<std::remove_pointer_t<HDC>, TMemoryDCDeleter>;

// The colour and mask bitmaps GetIconInfo hands out, deleted with the holder.
struct TIconBitmaps {
    TBitmapHandle Color;
    TBitmapHandle Mask;
    bool IsIcon = true;
    int Width = 0;
    int Height = 0;
};

// Selects an object into a DC for a scope.
class TSelectObject {
public:
    TSelectObject(HDC dc, HGDIOBJ object) : FDC(dc), FOld(SelectObject(dc, object)) {}
    ~TSelectObject() { SelectObject(FDC, FOld); }
    TSelectObject(const TSelectObject&) = delete;
    TSelectObject& operator=(const TSelectObject&) = delete;

private:
    HDC FDC;
    HGDIOBJ FOld;
};
