#include "acAdapterSupport.h"

#include "skin/engine/acFastPixels.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

#include "classlib/Controls.h"

#include <algorithm>

namespace {

const TsGeneralData* SectionOf(TsCommonData* SkinData) {
    if (!SkinData || !SkinData->Skinned())
        return nullptr;
    return &SkinData->SkinManager()->Sections[static_cast<size_t>(SkinData->SkinIndex)];
}

TColor ParentColorOf(TsCommonData* SkinData, HWND Wnd) {
    if (TControl* owner = SkinData->OwnerControl())
        return GetControlColor(owner->Parent());
    if (!Wnd)
        return ColorToRGB(clBtnFace);
    return GetWndColor(GetParent(Wnd));
}

TColor OwnColorOf(TsCommonData* SkinData) {
    if (TControl* owner = SkinData ? SkinData->OwnerControl() : nullptr)
        return ColorToRGB(owner->Color());
    return ColorToRGB(clBtnFace);
}

// A window outside the skin erases itself with its class brush: its colour is what lies under its children.
TColor ClassBackgroundOf(HWND Wnd) {
    auto brush = static_cast<uintptr_t>(GetClassLongPtrW(Wnd, GCLP_HBRBACKGROUND));
    if (brush > 0 && brush <= COLOR_MENUBAR + 1)
        return GetSysColor(static_cast<int>(brush - 1));
    LOGBRUSH info{};
    if (brush && GetObjectW(reinterpret_cast<HBRUSH>(brush), sizeof info, &info) && info.lbStyle == BS_SOLID)
        return info.lbColor;
    return ColorToRGB(clBtnFace);
}

}  // namespace

bool acNeedsRepaint(TsCommonData* SkinData) {
    if (!SkinData || !SkinData->SkinManager())
        return false;
    TControl* owner = SkinData->OwnerControl();
    if (!owner || owner->Destroying())
        return SkinData->Updating;
    if (owner->ComponentState().Contains(csDesigning))
        return false;
    if (SkinData->Updating || !owner->Parent())
        return true;
    return SendSkinCmdNoParam(owner->Parent(), scIsBusy) != 0;
}

bool acControlIsActive(TsCommonData* SkinData) {
    TControl* owner = SkinData ? SkinData->OwnerControl() : nullptr;
    if (!owner || owner->Destroying() || !owner->Enabled() || owner->ComponentState().Contains(csDesigning))
        return false;
    if (SkinData->Focused)
        return true;
    if (auto* win = dynamic_cast<TWinControl*>(owner); win && win->Focused())
        return true;
    return SkinData->MouseAbove && !NoHotCodes.Contains(SkinData->COC);
}

TColor acGetBGColor(TsCommonData* SkinData, bool Hot, HWND Wnd) {
    const TsGeneralData* section = SectionOf(SkinData);
    if (!section)
        return OwnColorOf(SkinData);
    TColor color = Hot ? section->HotColor : section->Color;
    int transparency = Hot ? section->HotTransparency : section->Transparency;
    if (transparency <= 0)
        return SkinData->CustomColor() ? OwnColorOf(SkinData) : color;
    if (transparency >= 100)
        return ParentColorOf(SkinData, Wnd);
    if (!SkinData->OwnerControl())
        return color;
    return MixColors(ParentColorOf(SkinData, Wnd), color, transparency / 100.0);
}

void acGetBGInfo(TsCommonData* SkinData, TacBGInfo& Info, bool Hot, HWND Wnd) {
    const TsGeneralData* section = SectionOf(SkinData);
    TBitmap* cache = SkinData ? SkinData->CacheBmp() : nullptr;
    auto ownCache = [&] {
        if (!cache || cache->Width() < 1) {
            Info.BgType = 1;
            Info.Color = clFuchsia;
            return;
        }
        Info.BgType = 2;
        if (!Info.PleaseDraw) {
            Info.Bmp = cache;
            Info.Offset = TPoint(0, 0);
        } else if (Info.DrawDC) {
            BitBlt(Info.DrawDC, Info.R.left, Info.R.top, Info.R.Width(), Info.R.Height(), cache->Canvas()->Handle(),
                   Info.Offset.x, Info.Offset.y, SRCCOPY);
        }
    };
    if (!section || SkinData->CustomColor()) {
        Info.BgType = 1;
        Info.Color = OwnColorOf(SkinData);
        return;
    }
    int t = Hot ? section->HotTransparency : section->Transparency;
    int g = Hot ? section->HotGradientPercent : section->GradientPercent;
    int i = Hot ? section->HotImagePercent : section->ImagePercent;
    if (t >= 100) {
        if (Wnd) {
            QueryWndBGInfo(Info, GetParent(Wnd), Info.PleaseDraw);
        } else {
            Info.BgType = 1;
            Info.Color = DefaultManager ? DefaultManager->GetGlobalColor() : ColorToRGB(clBtnFace);
        }
        return;
    }
    if (t > 0 || g > 0 || i > 0) {
        ownCache();
        return;
    }
    Info.BgType = 1;
    Info.Bmp = cache;
    Info.Color = acGetBGColor(SkinData, Hot, 0);
    if (Info.PleaseDraw && Info.DrawDC)
        FillDC(Info.DrawDC, Info.R, Info.Color);
}

LRESULT acBgDependsOnPos(TsCommonData* SkinData) {
    const TsGeneralData* section = SectionOf(SkinData);
    if (!section)
        return 0;
    if (section->GradientPercent + section->ImagePercent >= 1)
        return 1;
    TControl* owner = SkinData->OwnerControl();
    if (section->Transparency >= 1 && owner && owner->Parent())
        return SendSkinCmdNoParam(owner->Parent(), scBgDependsOnPos);
    return 0;
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
        CacheInfo.FillColor = ClassBackgroundOf(parent);
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
        FillDC(dc, R, color);
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
