#include "sFrameAdapter.h"

#include "sCtrlAdapter.h"
#include "sSkinMenus.h"

#include "skin/adapters/acContainerSupport.h"
#include "skin/engine/sDialogs.h"
#include "skin/engine/sSkinData.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

#include "classlib/visual/Menus.h"

namespace {

constexpr int acFrameAdapterCode = 226;

TsSkinManager* ManagerOf(TsCommonData* SkinData) { return SkinData ? SkinData->SkinManager() : nullptr; }

bool FromManager(const TMessage& Message, TsCommonData* SkinData) {
    TsSkinManager* manager = ManagerOf(SkinData);
    return manager && Message.LParam == reinterpret_cast<LPARAM>(manager);
}

// Hands the popup menus among Owner's components (and theirs) to the painter.
void HookPopupsOf(TComponent* Owner, TsSkinableMenus* Painter, bool Value) {
    for (int i = 0; i < Owner->ComponentCount(); ++i) {
        TComponent* c = Owner->Components(i);
        if (auto* popup = dynamic_cast<TPopupMenu*>(c))
            Painter->HookPopupMenu(popup, Value);
        HookPopupsOf(c, Painter, Value);
    }
}

// Leaves out of DC's clip the rectangles of Wnd's visible child windows (client coordinates).
void ExcludeChildWindows(HWND Wnd, HDC DC) {
    for (HWND child = GetWindow(Wnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child))
            continue;
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, Wnd, reinterpret_cast<POINT*>(&r), 2);
        ExcludeClipRect(DC, r.left, r.top, r.right, r.bottom);
    }
}

}  // namespace

TsFrameAdapter::TsFrameAdapter(TComponent* AOwner) : TComponent(AOwner) {
    FFrame = dynamic_cast<TCustomFrame*>(AOwner);
    // The skin data's owner control is the frame, so that its background questions go to the frame's parent.
    FSkinData = std::make_unique<TsCommonData>(FFrame ? static_cast<TObject*>(FFrame) : this, true);
    FSkinData->COC = acFrameAdapterCode;
    FSkinData->SetSkinSection("GROUPBOX");
    if (!FFrame) {
        ShowError("TsFrameAdapter adapter must be placed on the handled frame");
        return;
    }
    FFrameOpaque = FFrame->ControlStyle().Contains(csOpaque);
    FHook.Install(FFrame, TWndMethod(this, &TsFrameAdapter::NewWndProc));
}

TsFrameAdapter::~TsFrameAdapter() {
    // The bars' adapter sits on the frame's window procedure, below the WindowProc hook: it goes first.
    FScrollAdapter.reset();
    // A hook still in place means the frame is still there (its destruction clears the hook).
    if (FHook.Installed())
        RestoreOpaque();
    FHook.Remove();
    FFrame = nullptr;
    FSkinData.reset();
}

void TsFrameAdapter::AfterConstruction() {
    if (FFrame && FFrame->HandleAllocated() && GetSkinCmdBool(FFrame->Handle(), scIsSkinned))
        FSkinData->UpdateIndexes();
}

void TsFrameAdapter::Loaded() {
    TComponent::Loaded();
    TsSkinManager* manager = ManagerOf(FSkinData.get());
    if (!FFrame || !manager || !FFrame->HandleAllocated() || !GetSkinCmdBool(FFrame->Handle(), scIsSkinned))
        return;
    FSkinData->UpdateIndexes();
    if (Designing())
        return;
    HookPopups(FSkinData->Skinned());
    if (FSkinData->Skinned() && manager->SkinningRules().Contains(srThirdParty))
        NotifyFormOfControl(FFrame);
}

bool TsFrameAdapter::Designing() const {
    return ComponentState().Contains(csDesigning) || (FFrame && FFrame->ComponentState().Contains(csDesigning));
}

void TsFrameAdapter::HookPopups(bool Skinned) {
    TsSkinManager* manager = ManagerOf(FSkinData.get());
    if (!FFrame || !manager || !manager->SkinnedPopups())
        return;
    if (auto* painter = dynamic_cast<TsSkinableMenus*>(manager->SkinableMenus()))
        HookPopupsOf(FFrame, painter, Skinned);
}

void TsFrameAdapter::RestoreOpaque() {
    if (FFrame && !FFrameOpaque && !FFrame->Destroying())
        FFrame->SetControlStyle(FFrame->ControlStyle() - TControlStyle{csOpaque});
}

void TsFrameAdapter::SkinRemoved(TMessage* Message) {
    TsCommonData* sd = FSkinData.get();
    // The bars go back to the system's before the frame hears that nothing is skinned.
    FScrollAdapter.reset();
    // Without the skin the frame's own brush fills its background again, at every erase.
    RestoreOpaque();
    if (Message) {
        CommonMessage(*Message, sd);
        HookPopups(false);
        BroadcastSkinMessage(FFrame, *Message);
    } else {
        sd->BorderIndex = sd->SkinIndex = sd->Texture = sd->HotTexture = -1;
        if (TBitmap* cache = sd->CacheBmp())
            cache->SetSize(0, 0);
        HookPopups(false);
    }
    if (FFrame->HandleAllocated()) {
        SetWindowPos(FFrame->Handle(), nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        RedrawFrame();
    }
}

void TsFrameAdapter::Unhook() {
    if (!FFrame || !FHook.Installed())
        return;
    if (!FFrame->Destroying())
        SkinRemoved(nullptr);
    FScrollAdapter.reset();
    FHook.Remove();
    if (!FFrame->Destroying() && FFrame->HandleAllocated())
        InitFlatScrollBars(FSkinData.get(), FScrollAdapter);
}

void TsFrameAdapter::Rehook() {
    if (FFrame && !FHook.Installed())
        FHook.Install(FFrame, TWndMethod(this, &TsFrameAdapter::NewWndProc));
}

void TsFrameAdapter::InitScrollBars() { InitFlatScrollBars(FSkinData.get(), FScrollAdapter); }

void TsFrameAdapter::TellChildrenBGChanged() {
    for (int i = 0; i < FFrame->ControlCount(); ++i)
        if (TControl* child = FFrame->Controls(i); !child->Destroying())
            SendSkinCmdToControl(child, scBgMoved, 0);
}

void TsFrameAdapter::RedrawFrame() {
    if (FFrame->HandleAllocated())
        RedrawWindow(FFrame->Handle(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
}

void TsFrameAdapter::NewWndProc(TMessage& Message) {
    // Every path ends in the previous WindowProc or an answer; nothing may escape into the window procedure.
    if (!FFrame || Designing()) {
        OldWndProc(Message);
        return;
    }
    TsCommonData* sd = FSkinData.get();
    TsSkinManager* manager = sd->SkinManager();
    if (Message.Msg == SM_QUORVEXCMD) {
        switch (SkinCmdOf(Message.WParam)) {
        case scNewSkin:
            if (FromManager(Message, sd)) {
                BroadcastSkinMessage(FFrame, Message);
                CommonMessage(Message, sd);
                HookPopups(true);
                return;
            }
            break;
        case scRemoveSkin:
            if (FromManager(Message, sd)) {
                SkinRemoved(&Message);
                return;
            }
            break;
        case scRefresh:
            if (FromManager(Message, sd)) {
                CommonMessage(Message, sd);
                sd->UpdateIndexes();
                BroadcastSkinMessage(FFrame, Message);
                RedrawFrame();
                InitFlatScrollBars(sd, FScrollAdapter);
                return;
            }
            break;
        case scIsSkinned:
            Message.Result = 1;
            return;
        case scBeforeRefresh:
            BroadcastSkinMessage(FFrame, Message);
            break;
        case scGetSkinIndex:
            Message.Result = sd->SkinIndex + 1;
            return;
        case scGetBgInfo:
            if (sd->Skinned() && Message.LParam) {
                if (sd->BGChanged && sd->IsCached())
                    PrepareFrameCache();
                GetBGInfo(sd, *reinterpret_cast<TacBGInfo*>(Message.LParam), false, FFrame->Handle());
                return;
            }
            break;
        case scGetApplication:
            Message.Result = reinterpret_cast<LRESULT>(Application.Get());
            return;
        case scScrollStepBegins:
        case scScrollStepEnds:
            if (FFrame->HandleAllocated() &&
                (SendSkinCmdToHandle(FFrame->Handle(), scBgDependsOnPos, 0) != 0 || sd->CheckParentBG())) {
                if (SkinCmdOf(Message.WParam) == scScrollStepBegins) {
                    SendMessage(FFrame->Handle(), WM_SETREDRAW, 0, 0);
                } else {
                    SendMessage(FFrame->Handle(), WM_SETREDRAW, 1, 0);
                    RedrawWindow(FFrame->Handle(), nullptr, nullptr, 0x581);
                }
            }
            break;
        default:
            break;
        }
    }
    if (Destroying() || FFrame->Destroying() || !sd->Skinned() || !manager) {
        OldWndProc(Message);
        return;
    }
    switch (Message.Msg) {
    case WM_PAINT:
        if (FFrame->Parent())
            HandlePaint(reinterpret_cast<HDC>(Message.WParam));
        else
            OldWndProc(Message);
        return;
    case WM_ERASEBKGND:
        // The bars' adapter marks the frame opaque; what counts is whether the frame paints its own background.
        if (!FFrameOpaque) {
            // The background is the skin's: the frame's own brush would show between erase and paint.
            if (!acSkinChanging) {
                sd->Updating = sd->NeedsRepaint();
                if (!sd->Updating && (!sd->IsCached() || sd->BGChanged))
                    PaintFrame(reinterpret_cast<HDC>(Message.WParam));
            }
            Message.Result = 1;
            return;
        }
        OldWndProc(Message);
        return;
    case WM_NCPAINT:
        sd->Updating = sd->NeedsRepaint();
        return;
    case WM_PRINT:
        sd->Updating = false;
        if (ControlIsReady(FFrame)) {
            HDC dc = reinterpret_cast<HDC>(Message.WParam);
            PaintFrame(dc);
            PaintGraphicChildren(FFrame, dc, TPoint());
            if (FScrollAdapter)
                PaintScrollBars(FScrollAdapter.get(), FFrame->Handle(), dc);
        }
        return;
    case WM_MOVE:
    case WM_SIZE:
        sd->BGChanged = sd->BGChanged || Message.Msg == WM_SIZE || sd->CheckParentBG();
        if (sd->BGChanged) {
            TellChildrenBGChanged();
            if (Message.Msg == WM_SIZE && FFrame->HandleAllocated())
                InvalidateRect(FFrame->Handle(), nullptr, TRUE);
        }
        OldWndProc(Message);
        return;
    case WM_PARENTNOTIFY: {
        WORD event = LOWORD(Message.WParam);
        OldWndProc(Message);
        if ((event == WM_CREATE || event == WM_DESTROY) && !FFrame->Loading()) {
            if (FScrollAdapter)
                UpdateScrolls(FScrollAdapter.get(), true);
            if (event == WM_CREATE && manager->SkinningRules().Contains(srThirdParty))
                NotifyFormOfControl(FFrame);
        }
        return;
    }
    case CM_MOUSEENTER:
        OldWndProc(Message);
        // A child that still shows the mouse over it lost it to the frame.
        for (int i = 0; i < FFrame->ControlCount(); ++i) {
            auto* child = dynamic_cast<TWinControl*>(FFrame->Controls(i));
            if (!child || !child->HandleAllocated())
                continue;
            if (TacMainWnd* adapter = GetAdapterOfWnd(child->Handle());
                adapter && adapter->SkinData && adapter->SkinData->MouseAbove)
                child->Perform(CM_MOUSELEAVE, 0, 0);
        }
        if (DefaultManager && FFrame->HandleAllocated())
            DefaultManager->SetActiveControl(FFrame->Handle());
        return;
    case CM_VISIBLECHANGED:
        sd->BGChanged = true;
        OldWndProc(Message);
        if (FFrame->HandleAllocated())
            SendSkinCmdToHandle(FFrame->Handle(), scBgMoved, 0);
        return;
    case CM_SHOWINGCHANGED:
        OldWndProc(Message);
        InitFlatScrollBars(sd, FScrollAdapter);
        if (manager->SkinningRules().Contains(srThirdParty))
            NotifyFormOfControl(FFrame);
        return;
    default:
        break;
    }
    if (Message.Msg == SM_QUORVEXCMD) {
        switch (SkinCmdOf(Message.WParam)) {
        case scRepaintHeld:
            if (sd->NeedsRepaint()) {
                sd->Updating = false;
                RedrawFrame();
            }
            return;
        case scSetUpdating:
            sd->Updating = SkinCmdArgOf(Message.WParam) == 1;
            for (int i = 0; i < FFrame->ControlCount(); ++i)
                FFrame->Controls(i)->Perform(Message.Msg, Message.WParam, Message.LParam);
            return;
        case scIsBusy:
            Message.Result = sd->Updating && !(sd->CtrlState & 1) ? 1 : 0;
            return;
        case scTransparentChanged:
            if (sd->IsTransparentSection())
                sd->BGChanged = true;
            return;
        case scBgDependsOnPos: {
            Message.Result = 0;
            if (manager->IsValidSkinIndex(sd->SkinIndex)) {
                const TsGeneralData& section = manager->Sections[static_cast<size_t>(sd->SkinIndex)];
                Message.Result = section.GradientPercent + section.ImagePercent > 0 || sd->CheckParentBG() ? 1 : 0;
            }
            return;
        }
        case scGetColor:
            Message.Result = static_cast<LRESULT>(GetBGColor(sd, false, FFrame->Handle()));
            return;
        default:
            if (!CommonMessage(Message, sd))
                OldWndProc(Message);
            return;
        }
    }
    OldWndProc(Message);
}

void TsFrameAdapter::HandlePaint(HDC DC) {
    HWND wnd = FFrame->Handle();
    if (!FFrame->Destroying() && FFrame->Parent() && !FSkinData->IsCached())
        InvalidateRect(wnd, nullptr, FALSE);
    PAINTSTRUCT ps{};
    BeginPaint(wnd, &ps);
    HDC dc = DC ? DC : GetDC(wnd);
    int saved = SaveDC(dc);
    FSkinData->Updating = FSkinData->NeedsRepaint();
    // A frame without a cache is painted here too: its own brush would show where the skin's colour belongs.
    if (!FSkinData->Updating) {
        PaintFrame(dc);
        PaintGraphicChildren(FFrame, dc, TPoint());
        UnlockChildControls(FFrame);
    }
    RestoreDC(dc, saved);
    if (!DC)
        ReleaseDC(wnd, dc);
    EndPaint(wnd, &ps);
}

void TsFrameAdapter::PaintFrame(HDC DC) {
    TsCommonData* sd = FSkinData.get();
    HWND wnd = FFrame->Handle();
    TRect all(0, 0, FFrame->Width(), FFrame->Height());
    if (sd->IsCached()) {
        TBitmap* cache = sd->CacheBmp();
        if (sd->BGChanged || !cache || cache->Width() != FFrame->Width() || cache->Height() != FFrame->Height())
            PrepareFrameCache();
        CopyCacheSkippingChildren(wnd, DC, sd->CacheBmp(), all);
        return;
    }
    int saved = SaveDC(DC);
    ExcludeChildWindows(wnd, DC);
    FillDC(DC, all, ColorToRGB(GetBGColor(sd, false, wnd)));
    RestoreDC(DC, saved);
}

void TsFrameAdapter::PrepareFrameCache() {
    TsCommonData* sd = FSkinData.get();
    sd->InitCacheBmp();
    TBitmap* cache = sd->CacheBmp();
    cache->SetSize(FFrame->Width(), FFrame->Height());
    cache->Canvas()->Font()->Assign(FFrame->Font());
    TCacheInfo parent;
    GetParentCacheInfo(sd, parent);
    PaintSkinItem(sd->SkinIndex, "", parent, -1, -1, sd->SkinManager(), cache, TPoint(FFrame->Left(), FFrame->Top()),
                  TRect(0, 0, FFrame->Width(), FFrame->Height()), 0);
    sd->BGChanged = false;
}

namespace {

TsFrameAdapter* AdapterOfFrame(TWinControl* Frame) {
    for (int i = 0; i < Frame->ComponentCount(); ++i)
        if (auto* adapter = dynamic_cast<TsFrameAdapter*>(Frame->Components(i)); adapter && !adapter->Destroying())
            return adapter;
    return nullptr;
}

}  // namespace

void ReleaseFrameAdapters(TWinControl* Parent) {
    if (!Parent || Parent->Destroying())
        return;
    for (int i = 0; i < Parent->ControlCount(); ++i) {
        auto* child = dynamic_cast<TWinControl*>(Parent->Controls(i));
        if (!child)
            continue;
        if (dynamic_cast<TCustomFrame*>(child))
            if (TsFrameAdapter* adapter = AdapterOfFrame(child); adapter && adapter->MadeForList)
                adapter->Unhook();
        ReleaseFrameAdapters(child);
    }
}

void MakeFrameAdapter(TWinControl* Frame, const std::string& Section) {
    auto* frame = dynamic_cast<TCustomFrame*>(Frame);
    if (!frame || (frame->HandleAllocated() && GetSkinCmdBool(frame->Handle(), scIsSkinned)))
        return;
    TsFrameAdapter* adapter = AdapterOfFrame(frame);
    if (adapter)
        adapter->Rehook();
    else
        adapter = new TsFrameAdapter(frame);
    adapter->MadeForList = true;
    if (!Section.empty())
        adapter->SkinData()->SetSkinSection(Section);
    adapter->AfterConstruction();
    adapter->Loaded();
    // An adapter taken again still holds back its painting from the skin's removal.
    adapter->SkinData()->Updating = false;
    adapter->SkinData()->BGChanged = true;
    adapter->InitScrollBars();
    if (frame->HandleAllocated())
        RedrawWindow(frame->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}
