#include "acBorderFrame.h"

#include "skin/engine/acFastPixels.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sGraphUtils.h"
#include "skin/engine/sSkinManager.h"

#include "classlib/visual/Controls.h"

#include <algorithm>

namespace {

// A rectangle whose right or bottom came out before its left or top is empty, not inverted.
TRect NotInverted(TRect R) {
    R.right = std::max(R.right, R.left);
    R.bottom = std::max(R.bottom, R.top);
    return R;
}

}  // namespace

void PaintBorderFrame(HDC DC, const TRect& R, int BorderWidth, TRect& ClientR, int State, TsCommonData* SkinData) {
    if (!SkinData)
        return;
    TColor BG = GetBGColor(SkinData, State > 0, nullptr);
    TControl* Owner = SkinData->OwnerControl();
    TsSkinManager* Manager = SkinData->SkinManager();
    if (SkinData->BorderIndex >= 0 && Manager && Manager->IsValidImgIndex(SkinData->BorderIndex)) {
        const TsMaskData& Mask = Manager->Masks[static_cast<size_t>(SkinData->BorderIndex)];
        TacBGInfo Info;
        if (Owner && Owner->Parent()) {
            QueryControlBGInfo(Info, Owner->Parent(), false);
            // The parent tells where its own area lies in the picture; the control lies at its position there.
            if (Info.BgType == 2) {
                Info.Offset.x += Owner->Left();
                Info.Offset.y += Owner->Top();
            }
        }
        SkinData->InitCacheBmp();
        TBitmap* Cache = SkinData->CacheBmp();
        if (!Cache || Cache->Empty())
            return;
        HDC CacheDC = Cache->Canvas()->Handle();
        if (Mask.MaskType == 1) {
            if (Info.BgType == 2 && Info.Bmp) {
                BitBlt(CacheDC, R.left, R.top, Cache->Width() - R.left, Cache->Height() - R.top,
                       Info.Bmp->Canvas()->Handle(), Info.Offset.x + R.left, Info.Offset.y + R.top, SRCCOPY);
            } else {
                FillDCBorder(CacheDC, R, Mask.WL, Mask.WT, Mask.WR, Mask.WB, BG);
            }
        }
        TCacheInfo CI;
        if (Info.BgType != 0) {
            FillBGInfo(Info, CI);
        } else {
            // Nobody told what lies below: the frame's transparent pixels show the background colour.
            CI.Ready = false;
            CI.FillColor = BG;
        }
        DrawMaskedFrame(Cache, R, State, Mask, CI);
        ClientR = NotInverted(TRect(R.left + Mask.WL, R.top + Mask.WT, R.right - Mask.WR, R.bottom - Mask.WB));
        if (BorderWidth > 0) {
            int W = R.Width(), H = R.Height();
            int L = std::max(std::min(BorderWidth, W - Mask.WR) - Mask.WL, 0);
            int T = std::max(std::min(BorderWidth, H - Mask.WB) - Mask.WT, 0);
            int Rt = std::max(std::min(BorderWidth, W - Mask.WL) - Mask.WR, 0);
            int B = std::max(std::min(BorderWidth, H - Mask.WT) - Mask.WB, 0);
            FillDCBorder(CacheDC, ClientR, L, T, Rt, B, BG);
            ClientR = NotInverted(TRect(R.left + BorderWidth, R.top + BorderWidth, R.right - BorderWidth,
                                        R.bottom - BorderWidth));
            if (DC != CacheDC)
                BitBltBorder(DC, R.left, R.top, W, H, BorderWidth, CacheDC, R.left, R.top);
        }
    } else if (BorderWidth > 0) {
        FillDCBorder(DC, R, BorderWidth, BorderWidth, BorderWidth, BorderWidth, BG);
    }
}
