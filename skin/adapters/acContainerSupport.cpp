#include "acContainerSupport.h"

#include "acAdapterSupport.h"

#include "skin/engine/sCommonData.h"
#include "skin/engine/sSkinManager.h"

#include "classlib/visual/Controls.h"

void CopyCacheSkippingChildren(HWND Wnd, HDC DC, TBitmap* Cache, const TRect& R, const TPoint& ClientOffset) {
    if (!Cache || R.IsEmpty())
        return;
    int saved = SaveDC(DC);
    RECT own{};
    GetWindowRect(Wnd, &own);
    for (HWND child = GetWindow(Wnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child))
            continue;
        RECT c{};
        GetWindowRect(child, &c);
        ExcludeClipRect(DC, c.left - own.left - ClientOffset.x, c.top - own.top - ClientOffset.y,
                        c.right - own.left - ClientOffset.x, c.bottom - own.top - ClientOffset.y);
    }
    BitBlt(DC, R.left - ClientOffset.x, R.top - ClientOffset.y, R.Width(), R.Height(), Cache->Canvas()->Handle(),
           R.left, R.top, SRCCOPY);
    RestoreDC(DC, saved);
}

void FillFromParentInfo(TBitmap* Bmp, const TRect& R, const TCacheInfo& Info, const TPoint& Pos) {
    if (!Bmp || R.IsEmpty())
        return;
    HDC dc = Bmp->Canvas()->Handle();
    if (Info.Ready && Info.Bmp && Info.Bmp != Bmp)
        BitBlt(dc, R.left, R.top, R.Width(), R.Height(), Info.Bmp->Canvas()->Handle(), Info.X + Pos.x + R.left,
               Info.Y + Pos.y + R.top, SRCCOPY);
    else
        FillDC(dc, R, Info.FillColor == clFuchsia ? ColorToRGB(clBtnFace) : Info.FillColor);
    GdiFlush();
}

void PaintGraphicChildren(TWinControl* Control, HDC DC, const TPoint& Offset) {
    if (!Control)
        return;
    for (int i = 0; i < Control->ControlCount(); ++i) {
        TControl* child = Control->Controls(i);
        if (dynamic_cast<TWinControl*>(child) || !child->Visible())
            continue;
        int saved = SaveDC(DC);
        SetWindowOrgEx(DC, -(Offset.x + child->Left()), -(Offset.y + child->Top()), nullptr);
        IntersectClipRect(DC, 0, 0, child->Width(), child->Height());
        child->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
        RestoreDC(DC, saved);
    }
}

TColor ColorBelow(const TCacheInfo& Info, HWND Wnd) {
    if (Info.FillColor != clFuchsia)
        return Info.FillColor;
    HWND parent = Wnd ? GetParent(Wnd) : nullptr;
    return parent ? acWindowBackground(parent) : ColorToRGB(clBtnFace);
}

void PaintSectionOver(int SkinIndex, TsSkinManager* Manager, TBitmap* Bmp, const TRect& R, int State, TBitmap* Below,
                      const TPoint& BelowPos) {
    if (!Manager)
        Manager = DefaultManager;
    if (!Manager || !Bmp || R.IsEmpty() || !Manager->IsValidSkinIndex(SkinIndex))
        return;
    if (Below && Below != Bmp)
        BitBlt(Bmp->Canvas()->Handle(), R.left, R.top, R.Width(), R.Height(), Below->Canvas()->Handle(), BelowPos.x,
               BelowPos.y, SRCCOPY);
    const TsGeneralData& section = Manager->Sections[static_cast<size_t>(SkinIndex)];
    int transparency = State > 0 ? section.HotTransparency : section.Transparency;
    TCacheInfo info;
    if (transparency > 0 && Below && Below != Bmp)
        info = InitCacheInfo(Below, BelowPos.x - R.left, BelowPos.y - R.top);
    PaintSkinItem(SkinIndex, "", info, -1, -1, Manager, Bmp, R.TopLeft(), R, State, true);
}

bool OwnerIsOpaque(const TsCommonData* SkinData) {
    TControl* owner = SkinData ? SkinData->OwnerControl() : nullptr;
    return owner && owner->ControlStyle().Contains(csOpaque);
}

void RestoreOwnerOpacity(const TsCommonData* SkinData, bool Opaque) {
    TControl* owner = SkinData ? SkinData->OwnerControl() : nullptr;
    if (!owner)
        return;
    TControlStyle style = owner->ControlStyle();
    if (Opaque)
        style.Include(csOpaque);
    else
        style.Exclude(csOpaque);
    owner->SetControlStyle(style);
}
