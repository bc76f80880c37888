#include "acSBUtils.h"

#include "acAdapterSupport.h"

#include "skin/engine/acFastPixels.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

#include "classlib/runtime/ExceptionHandler.h"
#include "classlib/runtime/Finally.h"
#include "classlib/visual/Forms.h"
#include "classlib/runtime/ObjectInstance.h"

#include <algorithm>
#include <vector>

bool acDlgMode = false;
bool acAdapterListClearing = false;
TacProviderFormFunc acProviderForm = nullptr;

namespace {

int gLiveAdapters = 0;

std::wstring WideTextOf(HWND Wnd) {
    int length = GetWindowTextLengthW(Wnd);
    if (length <= 0)
        return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int got = GetWindowTextW(Wnd, text.data(), length + 1);
    text.resize(static_cast<size_t>(std::max(got, 0)));
    return text;
}

}  // namespace

// --- TacMainWnd ---

TacMainWnd::TacMainWnd() { ++gLiveAdapters; }

TacMainWnd::~TacMainWnd() {
    // An owner that deletes without the deleter still must not leave the window calling a freed object.
    if (!FReleased)
        Release();
    --gLiveAdapters;
}

int TacMainWnd::LiveCount() { return gLiveAdapters; }

void TacAdapterDelete::operator()(TacMainWnd* Adapter) const {
    if (!Adapter)
        return;
    Adapter->Release();
    delete Adapter;
}

void TacMainWnd::Init(HWND AHandle, TsCommonData* ASkinData, TsSkinManager* ASkinManager,
                      const std::string& SkinSection, bool Repaint) {
    CtrlHandle = AHandle;
    // Visual styles would paint over the skin; a dialog's frame keeps them.
    if (acSetWindowTheme && SkinSection != "DIALOG")
        acSetWindowTheme(AHandle, L" ", L" ");
    ObjectInstance = nullptr;
    SkinManager = ASkinManager;
    Destroyed = false;
    if (ASkinData) {
        SkinData = ASkinData;
        if (!ASkinManager)
            SkinManager = ASkinData->SkinManager();
    } else {
        OwnSkinData = true;
        SkinData = new TsCommonData(nullptr, true);
        if (ASkinManager)
            SkinData->SetSkinManager(ASkinManager);
    }
    if (SkinData->SkinSection().empty() && !SkinSection.empty())
        SkinData->SetSkinSection(SkinSection);
    DlgMode = acDlgMode;
    SaveStdParams();
    ParamsChanged = false;
    OldWndProc = nullptr;
    ReadWndText();
    Hook(AHandle, Repaint);
    if (TControl* owner = SkinData->OwnerControl())
        owner->SetControlStyle(owner->ControlStyle() + TControlStyle{csOpaque});
}

void TacMainWnd::Hook(HWND AHandle, bool /*Repaint*/) { Subclass(AHandle); }

void TacMainWnd::ReadWndText() {
    WndWideText = WideTextOf(CtrlHandle);
    WndText = WideToAnsi(WndWideText);
}

void TacMainWnd::Subclass(HWND AHandle) {
    Scrolling = false;
    CtrlHandle = AHandle;
    SetPropA(AHandle, acAdapterProp, this);
    TObject* ownerObject = SkinData ? SkinData->OwnerObject() : nullptr;
    TWinControl* providerForm = (acProviderForm && ownerObject) ? acProviderForm(ownerObject) : nullptr;
    TControl* owner = SkinData ? SkinData->OwnerControl() : nullptr;
    if (providerForm) {
        FHook.Install(providerForm, TWndMethod(this, &TacMainWnd::HookedWndProc));
    } else if (owner) {
        FHook.Install(owner, TWndMethod(this, &TacMainWnd::HookedWndProc));
    } else {
        // The wide functions keep the window a Unicode window: text outside the code page passes unharmed.
        ObjectInstance = MakeObjectInstance(this, &TacMainWnd::InstanceProc);
        OldWndProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(AHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ObjectInstance)));
        if (!OldWndProc) {
            DWORD error = GetLastError();
            FreeObjectInstance(ObjectInstance);
            ObjectInstance = nullptr;
            RemovePropA(AHandle, acAdapterProp);
            RaiseOSError("SetWindowLongPtrW (GWLP_WNDPROC) of an adapted window", error);
        }
    }
}

bool TacMainWnd::Hooked() const { return FHook.Installed() || OldWndProc != nullptr; }

bool TacMainWnd::Unhook() {
    bool had = Hooked();
    if (FHook.Installed())
        FHook.Remove();
    if (ObjectInstance) {
        if (!IsWindow(CtrlHandle)) {
            FreeObjectInstance(ObjectInstance);
        } else if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(CtrlHandle, GWLP_WNDPROC)) == ObjectInstance) {
            SetWindowLongPtrW(CtrlHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OldWndProc));
            FreeObjectInstance(ObjectInstance);
        } else {
            // Another subclass came after ours and keeps our procedure as its previous one: ours must go on
            // passing messages down after the adapter is gone.
            LeaveForwarder();
        }
        ObjectInstance = nullptr;
        OldWndProc = nullptr;
    }
    if (CtrlHandle && GetPropA(CtrlHandle, acAdapterProp) == this)
        RemovePropA(CtrlHandle, acAdapterProp);
    return had;
}

void TacMainWnd::LeaveForwarder() { ForwardObjectInstance(ObjectInstance, CtrlHandle, OldWndProc); }

void TacMainWnd::Release() {
    if (FReleased)
        return;
    FReleased = true;
    if (!Destroyed) {
        // While a provider clears its adapter list without the skin going, the windows keep their look; their
        // procedures are given back all the same, or they would call a freed adapter.
        bool keepLook = acAdapterListClearing && !acSkinRemoving;
        if (!keepLook && acSetWindowTheme && IsWindow(CtrlHandle))
            acSetWindowTheme(CtrlHandle, nullptr, nullptr);
        Unhook();
        if (!keepLook)
            RestoreStdParams();
        Destroyed = true;
    }
    if (OwnSkinData)
        delete SkinData;
    SkinData = nullptr;
    OwnSkinData = false;
    SkinManager = nullptr;
}

LRESULT TacMainWnd::CallPrevWndProc(HWND Handle, UINT Msg, WPARAM& WParam, LPARAM LParam) {
    if (FHook.Installed()) {
        TMessage m{Msg, WParam, LParam, 0};
        FHook.CallPrevious(m);
        WParam = m.WParam;
        return m.Result;
    }
    if (OldWndProc)
        return CallWindowProcW(OldWndProc, Handle, Msg, WParam, LParam);
    return 0;
}

void TacMainWnd::CallPrevWndProc(TMessage& Message) {
    Message.Result = CallPrevWndProc(CtrlHandle, Message.Msg, Message.WParam, Message.LParam);
}

LRESULT CALLBACK TacMainWnd::InstanceProc(void* Object, UINT Msg, WPARAM WParam, LPARAM LParam) {
    auto* self = static_cast<TacMainWnd*>(Object);
    TMessage m{Msg, WParam, LParam, 0};
    ++self->FCalls;
    RunGuarded([&] { self->WndProc(m); });
    --self->FCalls;
    return m.Result;
}

void TacMainWnd::HookedWndProc(TMessage& Message) {
    ++FCalls;
    auto done = Finally([this] { --FCalls; });
    WndProc(Message);
}

bool TacMainWnd::SkinActive() const {
    if (!SkinData)
        return false;
    TsSkinManager* manager = SkinData->SkinManager();
    // The removal of the skin comes after the manager has let go of Active; the adapter must still hear it, or
    // its control keeps what the skin gave it.
    return manager && (manager->Active() || manager->RemovingSkin());
}

void TacMainWnd::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_DESTROY:
    case WM_NCDESTROY: {
        // The previous procedure sees the message first: it still needs the window as it was.
        bool hooked = Hooked();
        CallPrevWndProc(Message);
        if (hooked) {
            TacMainWnd* self = this;
            UninitializeAdapter(CtrlHandle, false, false, self);
        }
        return;
    }
    case WM_UPDATEUISTATE:
        return;
    case WM_PRINT:
        Message.Result = SendMessageW(CtrlHandle, WM_PAINT, Message.WParam, Message.LParam);
        return;
    case WM_SETTEXT:
        CallPrevWndProc(Message);
        ReadWndText();
        return;
    case WM_SIZE:
        if (SkinData)
            SkinData->BGChanged = true;
        break;
    case WM_MOUSEMOVE:
        if (DefaultManager && !DefaultManager->ComponentState().Contains(csDesigning) && IsWindowEnabled(CtrlHandle) &&
            DefaultManager->ActiveControl() != CtrlHandle)
            DefaultManager->SetActiveControl(CtrlHandle);
        break;
    default:
        break;
    }
    if (!SkinActive() || Message.Msg != SM_QUORVEXCMD) {
        CallPrevWndProc(Message);
        return;
    }
    TsSkinManager* manager = SkinData->SkinManager();
    bool fromOurManager = reinterpret_cast<TsSkinManager*>(Message.LParam) == manager;
    switch (SkinCmdOf(Message.WParam)) {
    case scNewSkin:
        if (fromOurManager) {
            SkinData->UpdateIndexes();
            SkinData->BGChanged = true;
        }
        break;
    case scRemoveSkin:
        if (fromOurManager)
            RestoreStdParams();
        break;
    case scRefresh:
        if (!fromOurManager)
            break;
        SkinData->UpdateIndexes();
        SkinData->BGChanged = true;
        SkinData->Updating = false;
        SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
        return;
    case scRepaintHeld:
        if (SkinData->NeedsRepaint()) {
            SkinData->Updating = false;
            RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
            return;
        }
        break;
    case scIsSkinned:
        Message.Result = 1;
        return;
    case scIsBusy:
        Message.Result = SkinData->Updating ? 1 : 0;
        return;
    case scBgDependsOnPos:
        if (SkinData->OwnerControl()) {
            CommonWndProc(Message, SkinData);
            return;
        }
        break;
    case scGetColor:
        CallPrevWndProc(Message);
        if (Message.Result == 0)
            Message.Result = static_cast<LRESULT>(GetBGColor(SkinData, false, CtrlHandle));
        return;
    case scRebuildCache:
        PrepareAdapterCache(SkinData, CtrlHandle, false);
        break;
    case scGetBgInfo:
        if (Message.LParam) {
            auto& info = *reinterpret_cast<TacBGInfo*>(Message.LParam);
            GetBGInfo(SkinData, info, false, CtrlHandle);
            // A window without a section and without a control of the class library still has a colour under
            // its children: its own background.
            if (info.BgType == 1 && !SkinData->Skinned() && !SkinData->OwnerControl()) {
                info.Color = acWindowBackground(CtrlHandle);
                if (info.PleaseDraw && info.DrawDC)
                    FillDC(info.DrawDC, info.R, info.Color);
            }
        }
        return;
    case scGetApplication:
        Message.Result = reinterpret_cast<LRESULT>(Application.Get());
        return;
    default:
        break;
    }
    CallPrevWndProc(Message);
}

// --- shared operations ---

TWinControl* FindControlByHandle(HWND Handle, TComponent* Owner) {
    if (!Owner || !Handle)
        return nullptr;
    for (int i = 0; i < Owner->ComponentCount(); ++i) {
        TComponent* component = Owner->Components(i);
        if (auto* control = dynamic_cast<TWinControl*>(component);
            control && control->HandleAllocated() && control->Handle() == Handle)
            return control;
        if (TWinControl* found = FindControlByHandle(Handle, component))
            return found;
    }
    return nullptr;
}

TPoint ClientOffsetInWindow(HWND Wnd) {
    RECT w{};
    GetWindowRect(Wnd, &w);
    POINT origin{0, 0};
    ClientToScreen(Wnd, &origin);
    return TPoint(origin.x - w.left, origin.y - w.top);
}

TacMainWnd* GetAdapterOfWnd(HWND Wnd) {
    return Wnd ? static_cast<TacMainWnd*>(GetPropA(Wnd, acAdapterProp)) : nullptr;
}

void GetWndOffsetInParent(HWND Wnd, HWND& ParentWnd, TRect& WndRect, TPoint& WndPos, TSize& WndSize,
                          TRect& ParentRect) {
    RECT r{};
    GetWindowRect(Wnd, &r);
    WndRect = TRect(r.left, r.top, r.right, r.bottom);
    ParentWnd = GetParent(Wnd);
    RECT p{};
    if (ParentWnd)
        GetWindowRect(ParentWnd, &p);
    ParentRect = TRect(p.left, p.top, p.right, p.bottom);
    WndSize = TSize(WndRect.Width(), WndRect.Height());
    WndPos = TPoint(WndRect.left - ParentRect.left, WndRect.top - ParentRect.top);
    if (ParentWnd) {
        LRESULT offset = SendSkinCmdToHandle(ParentWnd, scGetClientOffset, 0);
        if (offset != 0) {
            WndPos.x -= static_cast<short>(LOWORD(offset));
            WndPos.y -= static_cast<short>(HIWORD(offset));
        }
    }
}

LRESULT SendToTopParent(HWND Wnd) {
    HWND top = Wnd;
    while (top) {
        HWND parent = GetParent(top);
        if (!parent)
            break;
        top = parent;
    }
    return top ? SendSkinCmdToHandle(top, scControlCreated, 0) : 0;
}

void RefreshFrame(HWND Wnd, bool Full) {
    if (Full)
        SetWindowPos(Wnd, nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    else
        SendMessageW(Wnd, WM_NCPAINT, 1, 0);
}

void PrepareAdapterCache(TsCommonData* SkinData, HWND Wnd, bool SolidBG) {
    if (!SkinData || !SkinData->BGChanged || !Wnd)
        return;
    RECT r{};
    GetWindowRect(Wnd, &r);
    int width = r.right - r.left, height = r.bottom - r.top;
    TCacheInfo parentInfo;
    acGetParentWndCacheInfo(Wnd, parentInfo);
    SkinData->InitCacheBmp();
    TBitmap* cache = SkinData->CacheBmp();
    if (cache->Width() != width)
        cache->SetWidth(width);
    if (cache->Height() != height)
        cache->SetHeight(height);
    TsSkinManager* manager = SkinData->SkinManager();
    bool globalIsTransparent = !DefaultManager || DefaultManager->GetGlobalColor() == clFuchsia;
    if (!SolidBG || globalIsTransparent) {
        HWND parent = GetParent(Wnd);
        if (parent && manager && manager->IsValidSkinIndex(SkinData->SkinIndex)) {
            POINT origin{r.left, r.top};
            ScreenToClient(parent, &origin);
            TRect all(0, 0, width, height);
            TPoint at(origin.x, origin.y);
            // A solid control paints its own centre afterwards, so the frame's centre piece is left out then.
            if (!SolidBG)
                PaintSkinCorners(SkinData, cache, all, 0, parentInfo, at);
            else
                PaintSkinItem(SkinData->SkinIndex, "", parentInfo, SkinData->HotTexture, SkinData->Texture, manager,
                              cache, at, all, 0, false);
        }
    } else {
        FillDC(cache->Canvas()->Handle(), TRect(0, 0, width, height), ColorToRGB(clWindow));
        FillDC(cache->Canvas()->Handle(), TRect(0, 0, width, height), DefaultManager->GetGlobalColor());
    }
    TControl* owner = SkinData->OwnerControl();
    if (owner && !owner->Enabled()) {
        // The control may choose how far it fades while it answers command 35; no other painter sees its choice.
        acDisabledBlend = 0;
        auto standard = Finally([] { acDisabledBlend = 0; });
        SendSkinCmdToHandle(Wnd, scPrepareDisabled, 0);
        TCacheInfo info;
        acGetParentWndCacheInfo(Wnd, info);
        POINT origin{r.left, r.top};
        if (HWND parent = GetParent(Wnd))
            ScreenToClient(parent, &origin);
        PaintStateEffects(cache, acEffectDisabled, owner, TPoint(origin.x, origin.y), info);
    }
    SkinData->BGChanged = false;
}

void PaintParentBG(TsCommonData* SkinData, int State, TacMainWnd* Adapter) {
    if (!SkinData)
        return;
    TsSkinManager* manager = SkinData->SkinManager();
    TBitmap* cache = SkinData->CacheBmp();
    if (!manager || !manager->IsValidSkinIndex(SkinData->SkinIndex) || !manager->IsValidImgIndex(SkinData->BorderIndex) ||
        !cache || cache->Width() < 2 || cache->Height() < 2)
        return;
    const TsMaskData& mask = manager->Masks[static_cast<size_t>(SkinData->BorderIndex)];
    TCacheInfo none;
    none.Ready = false;
    none.FillColor = clFuchsia;
    DrawMaskedFrame(cache, TRect(0, 0, cache->Width(), cache->Height()), State, mask, none);

    HWND wnd = Adapter ? Adapter->CtrlHandle : nullptr;
    TCacheInfo parentInfo;
    acGetParentWndCacheInfo(wnd, parentInfo);
    TacPixelRows dst, src;
    if (!AttachRows(cache, 3, dst))
        return;
    bool haveParentBmp = parentInfo.Ready && parentInfo.Bmp && AttachRows(parentInfo.Bmp, 3, src);
    if (!haveParentBmp && parentInfo.FillColor == clFuchsia)
        return;
    TPoint pos = Adapter ? Adapter->WndPos : TPoint(0, 0);
    int offX = pos.x + parentInfo.X, offY = pos.y + parentInfo.Y;
    TColor fill = ColorToRGB(parentInfo.FillColor);
    const uint8_t fb = static_cast<uint8_t>(fill >> 16), fg = static_cast<uint8_t>(fill >> 8),
                  fr = static_cast<uint8_t>(fill);
    int w = dst.Width, h = dst.Height;
    int wl = std::min<int>(mask.WL, w), wr = std::min<int>(mask.WR, w), wt = std::min<int>(mask.WT, h),
        wb = std::min<int>(mask.WB, h);
    const TRect strips[4] = {TRect(0, 0, w, wt), TRect(0, h - wb, w, h), TRect(0, wt, wl, h - wb),
                             TRect(w - wr, wt, w, h - wb)};
    for (const TRect& s : strips)
        for (int y = std::max<int>(0, s.top); y < std::min<int>(h, s.bottom); ++y)
            for (int x = std::max<int>(0, s.left); x < std::min<int>(w, s.right); ++x) {
                uint8_t* d = dst.At(x, y);
                if (!(d[0] == 0xFF && d[1] == 0x00 && d[2] == 0xFF))
                    continue;
                if (haveParentBmp) {
                    if (!src.Inside(x + offX, y + offY))
                        continue;
                    const uint8_t* p = src.At(x + offX, y + offY);
                    d[0] = p[0], d[1] = p[1], d[2] = p[2];
                } else {
                    d[0] = fb, d[1] = fg, d[2] = fr;
                }
            }
}

void UninitializeAdapter(HWND Wnd, bool FreeIt, bool Repaint, TacMainWnd*& Adapter) {
    if (!Adapter)
        return;
    if (!Adapter->Destroyed) {
        Adapter->Unhook();
        Adapter->RestoreStdParams();
        if (IsWindowVisible(Wnd))
            RefreshFrame(Wnd, Repaint);
        Adapter->Destroyed = true;
    }
    if (FreeIt) {
        TacAdapterDelete()(Adapter);
        Adapter = nullptr;
    }
}
