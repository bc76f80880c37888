#include "acMnuWnd.h"

#include "acAdapterSupport.h"
#include "classlib/runtime/Finally.h"
#include "classlib/visual/Forms.h"
#include "skin/engine/acSkinHooks.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

bool acMenuActive = false;
bool acPopupFrameSkinned = true;

void TacMnuWnd::Init(HWND AHandle, TsCommonData* ASkinData, TsSkinManager* ASkinManager, const std::string& SkinSection,
                     bool Repaint) {
    TacScrollWnd::Init(AHandle, ASkinData, ASkinManager, SkinSection, Repaint);
    Erased = 0;
}

void TacMnuWnd::PrepareCache() {
    GetWndOffsetInParent(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
    if (!SkinData->BGChanged) return;
    SkinData->InitCacheBmp();
    TBitmap* cache = SkinData->CacheBmp();
    cache->SetSize(WndSize.cx, WndSize.cy);
    acPaintSection(SkinData->SkinIndex, SkinData->SkinManager(), cache, TRect(0, 0, WndSize.cx, WndSize.cy), 0,
                   TCacheInfo(), TPoint(WndRect.left - ParentRect.left, WndRect.top - ParentRect.top), true);
    PaintParentBG(SkinData, 0, this);
    SkinData->BGChanged = false;
}

void TacMnuWnd::WndProc(TMessage& Message) {
    switch (Message.Msg) {
        case WM_DESTROY:
        case WM_NCDESTROY: {
            Erased = 0;
            TsSkinManager* manager = SkinData && SkinData->SkinManager() ? SkinData->SkinManager() : DefaultManager;
            // The adapter only gives the window back; whoever made it frees it (never the adapter itself, while the
            // menu hook's list still holds it).
            Message.Result = CallPrevWndProc(CtrlHandle, Message.Msg, Message.WParam, Message.LParam);
            if (!Destroyed && Hooked()) {
                TacMainWnd* self = this;
                UninitializeAdapter(CtrlHandle, false, false, self);
            }
            // The popup is gone: the menu painter forgets the background it composed for it.
            if (manager && manager->SkinableMenus()) manager->SkinableMenus()->ClearMenuCache();
            acMenuActive = false;
            return;
        }
        default:
            break;
    }
    if (Message.Msg == SM_QUORVEXCMD) {
        switch (SkinCmdOf(Message.WParam)) {
            case scIsSkinned:
                Message.Result = 1;
                break;
            case scSetUpdating:
                Message.LParam = Erased;
                break;
            case scMenuBgChanged:
                if (IsWindowVisible(CtrlHandle)) Erased = 1;
                break;
            case scGetApplication:
                Message.Result = reinterpret_cast<LRESULT>(Application.Get());
                break;
            default:
                break;
        }
        return;
    }
    if (!acMenuActive || Destroyed || !SkinData) {
        TacScrollWnd::WndProc(Message);
        return;
    }
    switch (Message.Msg) {
        case WM_ERASEBKGND: {
            PrepareCache();
            HDC dc = Message.WParam ? reinterpret_cast<HDC>(Message.WParam) : GetWindowDC(CtrlHandle);
            TBitmap* cache = SkinData->CacheBmp();
            if (cache) BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas()->Handle(), 0, 0, SRCCOPY);
            if (!Message.WParam) ReleaseDC(CtrlHandle, dc);
            Erased = 0;
            Message.Result = 1;
            return;
        }
        case WM_PAINT:
        case WM_PRINTCLIENT:
            // The system draws its own edge while it paints the items: the skin's frame goes over it afterwards.
            TacScrollWnd::WndProc(Message);
            if (acPopupFrameSkinned && !Destroyed && Message.Msg == WM_PAINT) SendMessageW(CtrlHandle, WM_NCPAINT, 1, 0);
            return;
        case WM_NCPAINT: {
            if (!acPopupFrameSkinned) break;
            GetWndOffsetInParent(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
            HDC dc = GetWindowDC(CtrlHandle);
            auto release = Finally([&] { ReleaseDC(CtrlHandle, dc); });
            TsSkinManager* manager = SkinData->SkinManager();
            TBitmap* popup =
                manager && manager->SkinableMenus() ? manager->SkinableMenus()->PopupBackground() : nullptr;
            if (popup && WndSize.cx == popup->Width() + 6 && WndSize.cy == popup->Height()) {
                BitBltBorder(dc, 0, 0, WndSize.cx, WndSize.cy, 3, popup->Canvas()->Handle(), 0, 0);
            } else {
                PrepareCache();
                if (TBitmap* cache = SkinData->CacheBmp())
                    BitBltBorder(dc, 0, 0, WndSize.cx, WndSize.cy, 3, cache->Canvas()->Handle(), 0, 0);
            }
            Message.Result = 0;
            return;
        }
        default:
            break;
    }
    TacScrollWnd::WndProc(Message);
}
