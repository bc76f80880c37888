#include "acAdapterSupport.h"

#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

#include "classlib/visual/Controls.h"

TColor acWindowBackground(HWND Wnd) {
    auto brush = static_cast<uintptr_t>(GetClassLongPtrW(Wnd, GCLP_HBRBACKGROUND));
    if (brush > 0 && brush <= COLOR_MENUBAR + 1)
        return GetSysColor(static_cast<int>(brush - 1));
    LOGBRUSH info{};
    if (brush && GetObjectW(reinterpret_cast<HBRUSH>(brush), sizeof info, &info) && info.lbStyle == BS_SOLID)
        return info.lbColor;
    return ColorToRGB(clBtnFace);
}

void acGetParentWndCacheInfo(HWND Wnd, TCacheInfo& CacheInfo) {
    CacheInfo.Bmp = nullptr;
    if (GetParentWndCacheInfo(Wnd, CacheInfo))
        return;
    // Outside the skin the parent still erases itself with a colour, and a window without a parent lies on the
    // desktop's face colour.
    HWND parent = Wnd ? GetParent(Wnd) : nullptr;
    CacheInfo.FillColor = parent ? acWindowBackground(parent) : ColorToRGB(clBtnFace);
}

void acPaintSection(int SkinIndex, TsSkinManager* Manager, TBitmap* Bmp, const TRect& R, int State,
                    const TCacheInfo& CacheInfo, const TPoint& Offset, bool FillCentre) {
    PaintSkinItem(SkinIndex, "", CacheInfo, -1, -1, Manager, Bmp, Offset, R, State, FillCentre);
}
