#include "acAdapterSupport.h"

#include "skin/engine/acFastPixels.h"
#include "skin/engine/sGradient.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

#include "classlib/Controls.h"

#include <algorithm>

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
    CacheInfo.Ready = false;
    CacheInfo.Bmp = nullptr;
    HWND parent = Wnd ? GetParent(Wnd) : nullptr;
    if (!parent) {
        CacheInfo.FillColor = ColorToRGB(clBtnFace);
        return;
    }
    TacBGInfo info;
    if (QueryWndBGInfo(info, parent, false)) {
        FillBGInfo(info, CacheInfo);
    } else {
        CacheInfo.FillColor = acWindowBackground(parent);
    }
}

void acPaintSection(int SkinIndex, TsSkinManager* Manager, TBitmap* Bmp, const TRect& R, int State,
                    const TCacheInfo& CacheInfo, const TPoint& Offset, bool FillCentre) {
    if (!Manager)
        Manager = DefaultManager;
    if (!Manager || !Bmp || R.Width() <= 0 || R.Height() <= 0 || !Manager->IsValidSkinIndex(SkinIndex))
        return;
    const TsGeneralData& section = Manager->Sections[static_cast<size_t>(SkinIndex)];
    bool hot = State > 0;
    TColor color = ColorToRGB(hot ? section.HotColor : section.Color);
    int transparency = std::clamp(hot ? section.HotTransparency : section.Transparency, 0, 100);
    HDC dc = Bmp->Canvas()->Handle();
    bool parentShown = CacheInfo.Ready && CacheInfo.Bmp && CacheInfo.Bmp != Bmp;
    if (transparency > 0 && (parentShown || CacheInfo.FillColor != clFuchsia)) {
        if (parentShown)
            BitBlt(dc, R.left, R.top, R.Width(), R.Height(), CacheInfo.Bmp->Canvas()->Handle(),
                   CacheInfo.X + Offset.x, CacheInfo.Y + Offset.y, SRCCOPY);
        else
            FillDC(dc, R, CacheInfo.FillColor);
        if (transparency < 100)
            BlendColorRect(Bmp, TRect(R.left, R.top, R.right - 1, R.bottom - 1),
                           static_cast<uint8_t>(transparency), color);
    } else {
        int gradient = std::clamp(hot ? section.HotGradientPercent : section.GradientPercent, 0, 100);
        const TsGradArray& stops = hot ? section.HotGradientArray : section.GradientArray;
        if (gradient > 0 && !stops.empty()) {
            // The gradient keeps its percentage of the picture, the section colour takes the rest.
            PaintGradient(Bmp, R, stops);
            if (gradient < 100)
                BlendColorRect(Bmp, TRect(R.left, R.top, R.right - 1, R.bottom - 1), static_cast<uint8_t>(gradient),
                               color);
        } else {
            FillDC(dc, R, color);
        }
    }
    GdiFlush();

    const std::string& name = section.ClassName;
    int border = Manager->GetMaskIndex(SkinIndex, name, "BORDERSMASK");
    if (Manager->IsValidImgIndex(border)) {
        const TsMaskData& mask = Manager->Masks[static_cast<size_t>(border)];
        std::unique_ptr<TBitmap> centre;
        TRect inner(R.left + mask.WL, R.top + mask.WT, R.right - mask.WR, R.bottom - mask.WB);
        if (!FillCentre && inner.Width() > 0 && inner.Height() > 0) {
            centre = CreateBmp24(inner.Width(), inner.Height());
            BitBlt(centre->Canvas()->Handle(), 0, 0, inner.Width(), inner.Height(), dc, inner.left, inner.top, SRCCOPY);
        }
        DrawMaskedFrame(Bmp, R, State, mask, CacheInfo);
        if (centre)
            BitBlt(Bmp->Canvas()->Handle(), inner.left, inner.top, inner.Width(), inner.Height(),
                   centre->Canvas()->Handle(), 0, 0, SRCCOPY);
    }
    static const char* const corners[4] = {"IMGTOPLEFT", "IMGTOPRIGHT", "IMGBTMLEFT", "IMGBTMRIGHT"};
    for (int k = 0; k < 4; ++k) {
        int index = Manager->GetMaskIndex(SkinIndex, name, corners[k]);
        if (!Manager->IsValidImgIndex(index))
            continue;
        const TsMaskData& mask = Manager->Masks[static_cast<size_t>(index)];
        int w = MaskStateWidth(mask), h = MaskStateHeight(mask);
        TPoint p((k % 2) ? R.right - w : R.left, (k / 2) ? R.bottom - h : R.top);
        DrawMaskGlyph(Bmp, p, State, CacheInfo, mask, true);
    }
    GdiFlush();
}
