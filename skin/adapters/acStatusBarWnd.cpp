#include "acStatusBarWnd.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "acAdapterSupport.h"
#include "classlib/visual/ComCtrls.h"
#include "classlib/runtime/Finally.h"
#include "classlib/visual/Forms.h"
#include "skin/engine/acFastPixels.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

void TacStatusBarWnd::Init(HWND AHandle, TsCommonData* ASkinData, TsSkinManager* ASkinManager,
                           const std::string& SkinSection, bool Repaint) {
    TacMainWnd::Init(AHandle, ASkinData, ASkinManager, SkinSection, Repaint);
    StatusBar = dynamic_cast<TStatusBar*>(SkinData ? SkinData->OwnerControl() : nullptr);
}

bool TacStatusBarWnd::Skinned() const { return !Destroyed && SkinData && SkinActive() && SkinData->Skinned(); }

std::string TacStatusBarWnd::PanelText(int Index, bool Simple) const {
    if (Simple) {
        LRESULT length = LOWORD(SendMessageW(CtrlHandle, SB_GETTEXTLENGTHW, Index, 0));
        // Sized by the part's own length first: a long text is neither cut nor written past its buffer.
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        SendMessageW(CtrlHandle, SB_GETTEXTW, Index, reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(length));
        return WideToAnsi(text);
    }
    if (!StatusBar) return std::string();
    TStatusPanels* panels = StatusBar->Panels();
    if (panels->Count() == 0) return StatusBar->SimpleText();
    if (Index < 0 || Index >= panels->Count()) return std::string();
    return panels->Items(Index)->Text();
}

void TacStatusBarWnd::PaintPanel(int Index, const TRect& R, bool Simple) {
    TsSkinManager* manager = SkinData->SkinManager();
    TBitmap* cache = SkinData->CacheBmp();
    int parts = static_cast<int>(SendMessageW(CtrlHandle, SB_GETPARTS, 0, 0));
    if (manager->IsValidSkinIndex(SkinData->SkinIndex)) {
        int mask = manager->GetMaskIndex(SkinData->SkinIndex, SkinData->SkinSection(), "STATUSPANELMASK");
        if (manager->IsValidImgIndex(mask)) {
            TRect frame = Simple ? TRect(0, 0, cache->Width(), cache->Height()) : R;
            DrawMaskedFrame(cache, frame, 0, manager->Masks[static_cast<size_t>(mask)], TCacheInfo());
        } else if (!Simple && Index < parts - 1) {
            int divider = manager->GetSkinIndex("DIVIDER");
            int border = divider >= 0 ? manager->GetMaskIndex(divider, "DIVIDER", "BORDERSMASK") : -1;
            if (manager->IsValidImgIndex(border)) {
                int w = std::max(1, MaskStateWidth(manager->Masks[static_cast<size_t>(border)]) - 1);
                int h = std::max(1, cache->Height() - 2);
                auto bmp = CreateBmp24(w, h);
                int x = R.right - w;
                BitBlt(bmp->Canvas()->Handle(), 0, 0, w, h, cache->Canvas()->Handle(), x, R.top, SRCCOPY);
                TCacheInfo below = InitCacheInfo(cache, x, R.top);
                PaintSkinItem(divider, "", below, -1, -1, manager, bmp.get(), TPoint(0, 0), TRect(0, 0, w, h), 0, true);
                BitBlt(cache->Canvas()->Handle(), x, 1, w, h, bmp->Canvas()->Handle(), 0, 0, SRCCOPY);
            }
        }
    }
    TRect text(R.left + 1 + 2, R.top + 1, R.right - 1 - 4, R.bottom - 1 - 1);
    std::string s = parts > 0 || Simple ? PanelText(Index < 0 ? 0 : Index, Simple) : std::string();
    if (!StatusBar || text.Width() <= 0) return;
    cache->Canvas()->Font()->Assign(StatusBar->Font());
    CutText(cache->Canvas(), text.Width(), s);
    WriteSkinText(cache->Canvas(), s, true, false, SkinData, DT_SINGLELINE | DT_VCENTER, text);
}

void TacStatusBarWnd::PrepareCache() {
    SkinData->InitCacheBmp();
    TBitmap* cache = SkinData->CacheBmp();
    RECT wr;
    GetWindowRect(CtrlHandle, &wr);
    if (!SkinData->OwnerControl()) cache->SetSize(wr.right - wr.left, wr.bottom - wr.top);
    if (cache->Width() < 1 || cache->Height() < 1) return;
    TCacheInfo info;
    acGetParentWndCacheInfo(CtrlHandle, info);
    PaintSkinItem(SkinData->SkinIndex, "", info, -1, -1, SkinData->SkinManager(), cache, WndPos,
                  TRect(0, 0, cache->Width(), cache->Height()), 0, false);
    if (SendMessageW(CtrlHandle, SB_ISSIMPLE, 0, 0)) {
        PaintPanel(-1, TRect(0, 1, cache->Width() - 1, cache->Height() - 1), true);
    } else {
        int parts = static_cast<int>(SendMessageW(CtrlHandle, SB_GETPARTS, 0, 0));
        for (int i = 0; i < parts; ++i) {
            RECT r;
            if (!SendMessageW(CtrlHandle, SB_GETRECT, i, reinterpret_cast<LPARAM>(&r))) continue;
            PaintPanel(i, TRect(r.left + 1, r.top + 1, r.right - 1, r.bottom - 1), false);
        }
    }
    PaintGrip();
    SkinData->BGChanged = false;
}

void TacStatusBarWnd::PaintGrip() {
    // The system's own grip is painted over with the rest of the bar: the skin's grip stands in for it.
    if (!(GetWindowLongW(CtrlHandle, GWL_STYLE) & SBARS_SIZEGRIP) || IsZoomed(GetAncestor(CtrlHandle, GA_ROOT)))
        return;
    TsSkinManager* manager = SkinData->SkinManager();
    int grip = manager->GetMaskIndex(SkinData->SkinIndex, SkinData->SkinSection(), "GRIPIMAGE");
    if (!manager->IsValidImgIndex(grip))
        grip = manager->GetMaskIndex(manager->ConstData.IndexGlobalInfo, "GLOBALINFO", "GRIPIMAGE");
    if (!manager->IsValidImgIndex(grip))
        return;
    const TsMaskData& mask = manager->Masks[static_cast<size_t>(grip)];
    TBitmap* cache = SkinData->CacheBmp();
    TPoint p(cache->Width() - MaskStateWidth(mask) - 1, cache->Height() - MaskStateHeight(mask) - 1);
    DrawMaskGlyph(cache, p, 0, TCacheInfo(), mask, false);
}

void TacStatusBarWnd::PaintClient(HDC DC) {
    GetWndOffsetInParent(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
    HDC dc = DC ? DC : GetWindowDC(CtrlHandle);
    auto release = Finally([&] {
        if (!DC) ReleaseDC(CtrlHandle, dc);
    });
    PrepareCache();
    TBitmap* cache = SkinData->CacheBmp();
    if (cache) BitBlt(dc, 0, 0, WndSize.cx, WndSize.cy, cache->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TacStatusBarWnd::PaintBorder(HDC DC) {
    GetWndOffsetInParent(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
    if (!StatusBar || StatusBar->BorderWidth() <= 0) return;
    HDC dc = DC ? DC : GetWindowDC(CtrlHandle);
    auto release = Finally([&] {
        if (!DC) ReleaseDC(CtrlHandle, dc);
    });
    if (SkinData->BGChanged) PrepareCache();
    TBitmap* cache = SkinData->CacheBmp();
    if (cache)
        BitBltBorder(dc, 0, 0, WndSize.cx, WndSize.cy, StatusBar->BorderWidth(), cache->Canvas()->Handle(), 0, 0);
}

void TacStatusBarWnd::WndProc(TMessage& Message) {
    if (Skinned()) {
        switch (Message.Msg) {
            case WM_PAINT: {
                // The bar is painted while its background is erased.
                InvalidateRect(CtrlHandle, nullptr, TRUE);
                PAINTSTRUCT ps;
                BeginPaint(CtrlHandle, &ps);
                EndPaint(CtrlHandle, &ps);
                return;
            }
            case WM_ERASEBKGND:
                PaintClient(reinterpret_cast<HDC>(Message.WParam));
                Message.Result = 1;
                return;
            case WM_NCPAINT:
                if (!acAnimInProgress) PaintBorder(nullptr);
                return;
            case WM_PRINT:
                PaintClient(reinterpret_cast<HDC>(Message.WParam));
                return;
            default:
                break;
        }
    }
    TacMainWnd::WndProc(Message);
    if (Message.Msg == WM_SIZE && Skinned()) RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
}
