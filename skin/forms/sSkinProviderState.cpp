// The skinned form's state: activation, the caption text, the menu loop, showing with the show animation, the
// remaining window and class-library notifications, the skin commands they answer, the form's own scroll bars and
// the repaint of one graphic child.
#include <cstring>

#include "classlib/runtime/Finally.h"
#include "classlib/visual/Forms.h"
#include "classlib/visual/Menus.h"
#include "sSkinMenus.h"
#include "sMDIForm.h"
#include "sSkinProvider.h"
#include "sSystemMenu.h"
#include "skin/adapters/acMnuWnd.h"
#include "skin/adapters/acScrollBars.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sGraphUtils.h"
#include "skin/engine/sSkinData.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

namespace {

// A tab control's notification that its selection changed: the new page's controls may want adapters.
constexpr int TCN_SELCHANGE_ = -551;
// A class-library notification without a name of its own: the form's scroll bars were made anew.
constexpr UINT CM_SCROLLBARSRESET = 0xB03A;

bool IsGraphic(TControl* Control) { return dynamic_cast<TWinControl*>(Control) == nullptr; }

}  // namespace

// --- the form's own scroll bars ---

void TsSkinProvider::InitFormScrollBars() {
    if (!FForm || FForm->Destroying() || Destroying() || !FForm->HandleAllocated()) return;
    if (!FForm->HorzScrollBar()->Visible() && !FForm->VertScrollBar()->Visible()) return;
    HWND wnd = FForm->Handle();
    LoadFlatSBProcs();
    if (FSkinData->Skinned()) {
        if (acUninitializeFlatSB) acUninitializeFlatSB(wnd);
        if (FScrollWnd && FScrollWnd->Destroyed) RetireScrollWnd();
        if (!FScrollWnd)
            FScrollWnd = CreateAdapter<TacScrollWnd>(wnd, FSkinData.get(), FSkinData->SkinManager(), "", true);
    } else {
        RetireScrollWnd();
        if (acInitializeFlatSB) acInitializeFlatSB(wnd);
    }
}

void TsSkinProvider::RetireScrollWnd() {
    if (!FScrollWnd) return;
    if (!FScrollWnd->Destroyed && FForm && FForm->HandleAllocated()) {
        TacMainWnd* scroll = FScrollWnd.get();
        UninitializeScrollAdapter(FForm->Handle(), false, false, scroll);
    }
    FRetiredScrollWnd = std::move(FScrollWnd);
}

// --- the window messages ---

bool TsSkinProvider::StateWndProc(TMessage& Message) {
    HWND wnd = FForm->Handle();
    switch (Message.Msg) {
        case WM_ACTIVATE:
            ActivateHandler(Message);
            return true;
        case WM_NCACTIVATE:
            NCActivateHandler(Message);
            return true;
        case WM_SETTEXT:
            SetTextHandler(Message);
            return true;
        case WM_SHOWWINDOW:
            ShowWindowHandler(Message);
            RepaintParentOfMaximizedChild();
            return true;
        case WM_SETTINGCHANGE:
            FlagDirty();
            FFormImage.reset();
            CallOld(Message);
            return true;
        case WM_SYSCOLORCHANGE:
        case WM_CHILDACTIVATE:
            CallOld(Message);
            UpdateMainMenu();
            return true;
        case WM_MEASUREITEM:
            MeasureItemHandler(Message);
            return true;
        case WM_WINDOWPOSCHANGED:
            CallOld(Message);
            // A fade prepared over the form shows its new place and look.
            if (FForm->Showing() && !FRegionPending && !acAnimInProgress && acOutputWindow &&
                acOutputWindow->HandleAllocated())
                SendSkinCmdToHandle(acOutputWindow->Handle(), scRefresh, 0);
            return true;
        case WM_NOTIFY:
            CallOld(Message);
            if (Message.LParam && reinterpret_cast<NMHDR*>(Message.LParam)->code == static_cast<UINT>(TCN_SELCHANGE_) &&
                FAdapter)
                FAdapter->AddAllItems();
            return true;
        case WM_PARENTNOTIFY:
            ParentNotifyHandler(Message);
            return true;
        case WM_ENTERMENULOOP:
            // The popup windows opened from here on are the menus of a skinned form: their adapters paint them.
            acMenuActive = true;
            EnterMenuLoop(Message);
            return true;
        case WM_EXITMENULOOP:
            acMenuActive = false;
            FRegionLocked = false;
            FreeMenuLoopCover();
            CallOld(Message);
            return true;
        case WM_CONTEXTMENU: {
            // The class library shows the form's popup menu from a window of its own, whose menu loop the form
            // never hears of: the popup is the skinned form's all the same while the form handles the message.
            bool wasActive = acMenuActive;
            acMenuActive = true;
            auto restore = Finally([wasActive] { acMenuActive = wasActive; });
            CallOld(Message);
            return true;
        }
        case CM_VISIBLECHANGED:
            CallOld(Message);
            if (Message.WParam) {
                UnlockChildControls(FForm);
            } else if (TBitmap* cache = Cache(); cache && !FForm->Destroying()) {
                // A hidden form keeps no picture: it is composed anew when the form shows again.
                cache->SetSize(0, 0);
                FFormImage.reset();
                FFrameDirty = true;
                FlagDirty();
            }
            return true;
        case CM_ENABLEDCHANGED:
            CallOld(Message);
            FlagDirty();
            SendMessageA(wnd, WM_NCPAINT, 0, 0);
            return true;
        case CM_COLORCHANGED:
            if (FSkinData->CustomColor() && !FForm->FormState().Contains(fsCreating)) FlagDirty();
            CallOld(Message);
            return true;
        case CM_MOUSEENTER:
            MouseEnterHandler(Message);
            return true;
        case CM_MENUCHANGED:
            if (FForm->Visible() && !FForm->FormState().Contains(fsCreating)) {
                // The line is composed anew with the items the bar holds now (the bar's own repaint follows).
                FFrameDirty = true;
                FMenuLineCount = -1;
                FlagDirty();
            }
            CallOld(Message);
            return true;
        case CM_SHOWINGCHANGED:
            ShowingChanged(Message);
            RepaintParentOfMaximizedChild();
            return true;
        case CM_CONTROLLISTCHANGE:
            ControlListChange(Message);
            return true;
        case CM_SCROLLBARSRESET:
            CallOld(Message);
            RetireScrollWnd();
            if (TsSkinManager* manager = FSkinData->SkinManager())
                SendMessageA(wnd, SM_QUORVEXCMD, MakeSkinCmd(scRefresh), reinterpret_cast<LPARAM>(manager));
            return true;
        default:
            return false;
    }
}

void TsSkinProvider::RepaintParentOfMaximizedChild() {
    // A maximized child's caption lives in its parent's frame: its icon and buttons on the parent's menu line.
    if (FForm->FormStyle() != fsMDIChild || !FForm->HandleAllocated() || !IsZoomed(FForm->Handle())) return;
    if (TsSkinProvider* parent = ParentProvider()) parent->RepaintFrame();
}

void TsSkinProvider::UpdateMainMenu() {
    TMainMenu* menu = FForm ? FForm->Menu() : nullptr;
    TsSkinManager* manager = FSkinData->SkinManager();
    if (!menu || menu->Destroying() || !manager || !manager->IsDefault()) return;
    auto* painter = dynamic_cast<TsSkinableMenus*>(manager->SkinableMenus());
    if (!painter) return;
    // The bar's items are the skin's while a skin is in force and the system's without one; an item the
    // application added since the menu was handed over (or one that went) brings the bar in line again.
    bool wanted = Skinned() && manager->SkinData() && manager->SkinData()->Active;
    TMenuItem* items = menu->Items();
    bool inLine = true;
    // An item handed over has measuring of its own; its drawing may be the application's.
    for (int i = 0; items && i < items->Count() && inLine; ++i)
        inLine = wanted ? static_cast<bool>(items->Items(i)->OnMeasureItem) : !painter->IsHooked(items->Items(i));
    if (inLine) return;
    painter->HookMainMenu(menu, wanted);
    FMenuLineCount = -1;
    FFrameDirty = true;
    FlagDirty();
}

void TsSkinProvider::ActivateHandler(TMessage& Message) {
    if (!FForm->Showing()) {
        CallOld(Message);
        return;
    }
    HWND wnd = FForm->Handle();
    bool dwm = DwmAvailable();
    if (dwm) {
        SendMessageA(wnd, WM_SETREDRAW, 0, 0);
        auto redraw = Finally([&] { SendMessageA(wnd, WM_SETREDRAW, 1, 0); });
        CallOld(Message);
    } else {
        CallOld(Message);
    }
    if (!FScrollWnd) InitFormScrollBars();
    if (FForm->FormState().Contains(fsCreating)) return;
    FMenuLineCount = -1;
    TsSkinManager* manager = FSkinData->SkinManager();
    if (manager && !manager->ComponentState().Contains(csDesigning)) UpdateMenus(FSkinData->Skinned());
    if (FSystemMenu) FSystemMenu->UpdateItems();
    if (dwm)
        // The flags as named (0x401): the frame is painted again with the client.
        RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
}

void TsSkinProvider::NCActivateHandler(TMessage& Message) {
    HWND wnd = FForm->Handle();
    bool active = Message.WParam != 0;
    bool changed = active != FFormActive;
    FFormActive = active;
    if (!active && FShowState == 3) {
        FShowState = 0;
    } else if (FShowState == 3) {
        FSkinData->Updating = true;
    } else {
        FSkinData->BGChanged = true;
        FSkinData->Updating = false;
    }
    if (!FForm->Showing()) {
        CallOld(Message);
        return;
    }
    if (changed) FlagDirty();
    // The system would paint its own caption for the new state: it is told not to (LParam -1), and whatever it
    // draws all the same lies under the cover until the skinned frame is painted again.
    Message.LParam = -1;
    bool dwm = DwmAvailable();
    if (FAnimating || dwm) {
        SendMessageA(wnd, WM_SETREDRAW, 0, 0);
        {
            auto redraw = Finally([&] { SendMessageA(wnd, WM_SETREDRAW, 1, 0); });
            CallOld(Message);
        }
        if (dwm) {
            InvalidateRect(wnd, nullptr, TRUE);
            RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
        }
    } else {
        LockCaption(false);
        auto unlock = Finally([&] { UnlockCaption(); });
        CallOld(Message);
    }
    // A maximized child shows its state in its parent's frame (its buttons, its icon and its caption there): the
    // parent is skinned now if it was not yet, and paints its frame anew.
    if (FForm->FormStyle() == fsMDIChild && FForm->Visible() && IsZoomed(wnd))
        if (TsSkinProvider* parent = ParentProvider(); parent && parent->FMDIForm) {
            if (!parent->FSystemMenu) parent->InitFormSkin();
            parent->FMDIForm->RepaintFrame();
        }
    if (GetWindowLongA(wnd, GWL_STYLE) & WS_SYSMENU) SendMessageA(wnd, WM_NCPAINT, 0, 0);
    if (FForm->FormState().Contains(fsCreating)) return;
    if (HaveBorder()) {
        // The system deactivates the frame's caption for a moment while it merges a maximized child's menu into
        // the bar; the frame stays lit while it is the active window and that child is not closing.
        TCustomForm* maximized = FForm->FormStyle() == fsMDIForm ? MaximizedMDIChild() : nullptr;
        bool keep = !active && maximized && maximized->Menu() && !maximized->Destroying() && GetActiveWindow() == wnd;
        FFormActive = active || keep;
    }
    if (FForm->FormStyle() == fsMDIChild) SendMessageA(wnd, WM_NCPAINT, 0, 0);
    UpdateMenus(FSkinData->Skinned());
    UpdateMainMenu();
    if (FSkinData->Skinned() && !FAdapter) PrepareForm();
    if (IsIconic(wnd) && !dwm) {
        FlagDirty();
        SendMessageA(wnd, WM_NCPAINT, 0, 0);
    }
    if (FSkinData->IsCached() && !FSkinData->BGChanged) UnlockChildControls(FForm);
}

void TsSkinProvider::SetTextHandler(TMessage& Message) {
    if (!FForm->Showing() || FForm->FormState().Contains(fsCreating)) {
        CallOld(Message);
        return;
    }
    if (DwmAvailable()) {
        CallOld(Message);
        RedrawFrame();
        return;
    }
    FlagDirty();
    // The cover shows the composed frame while the system paints its own caption with the new text under it;
    // taking the cover away paints the skinned frame again.
    LockCaption(false);
    auto unlock = Finally([&] { UnlockCaption(); });
    CallOld(Message);
}

void TsSkinProvider::ShowWindowHandler(TMessage& Message) {
    HWND wnd = FForm->Handle();
    if (FForm->FormStyle() != fsMDIChild && Message.WParam) FShowState = IsIconic(wnd) ? 2 : IsZoomed(wnd) ? 3 : 1;
    CallOld(Message);
}

void TsSkinProvider::SetChildrenRedraw(bool Value) {
    for (int i = 0; i < FForm->ControlCount(); ++i) {
        TControl* child = FForm->Controls(i);
        if (child->Visible() && !IsGraphic(child)) child->Perform(WM_SETREDRAW, Value ? 1 : 0, 0);
    }
}

void TsSkinProvider::ShowingChanged(TMessage& Message) {
    if (!FSkinData->BGChanged || !FForm->Showing()) {
        CallOld(Message);
        return;
    }
    HWND wnd = FForm->Handle();
    if (FAdapter) FAdapter->AddAllItems();
    TsSkinManager* manager = FSkinData->SkinManager();
    TacFormAnimation* animation = nullptr;
    if (manager && FForm->FormStyle() != fsMDIChild && !FForm->Parent()) {
        TacAnimEffects* effects = manager->AnimEffects();
        animation = FForm->BorderStyle() == bsDialog ? static_cast<TacFormAnimation*>(effects->DialogShow())
                                                     : static_cast<TacFormAnimation*>(effects->FormShow());
        if (!animation->Active()) animation = nullptr;
    }
    FAnimating = animation != nullptr;
    bool dwm = DwmAvailable();
    // Whatever happens while the form shows, no painting stays held back behind it.
    auto done = Finally([&] {
        if (!animation) return;
        FAnimating = false;
        FPaintingHeldBack = false;
        acAnimInProgress = false;
    });
    if (FAnimating) {
        FSkinData->Updating = true;
        FPaintingHeldBack = true;
        acAnimInProgress = true;
        if (dwm) {
            SendMessageA(wnd, WM_SETREDRAW, 0, 0);
            UpdateFormRegion(false);
            FRegionPending = false;
        }
        SetChildrenRedraw(false);
    }
    CallOld(Message);
    InitFormScrollBars();
    if (!FAnimating) return;
    if (dwm) SendMessageA(wnd, WM_SETREDRAW, 1, 0);
    SetChildrenRedraw(true);
    FAnimating = false;
    AnimShowControl(FForm, animation->Time());
    // The region the fade's picture had is the form's from now on.
    PrepareRegionRects();
    FRegionChanged = false;
    UpdateFormRegion(false);
    FPaintingHeldBack = false;
    acAnimInProgress = false;
    UINT flags = FSkinData->IsCached() || !dwm
                     ? RDW_INVALIDATE | RDW_NOERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME
                     : RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME;
    RedrawWindow(wnd, nullptr, nullptr, flags);
    // An MDI client was held back with the frame: nothing erased it yet, and it paints only what it erases.
    if (HWND client = FForm->FormStyle() == fsMDIForm ? FForm->ClientHandle() : nullptr)
        RedrawWindow(client, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    FRegionPending = false;
}

void TsSkinProvider::MeasureItemHandler(TMessage& Message) {
    auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
    TsSkinManager* manager = FSkinData->SkinManager();
    if (measure && measure->CtlType == ODT_MENU && FForm->FormStyle() != fsMDIChild && FForm->Menu() && manager)
        if (auto* painter = dynamic_cast<TsSkinableMenus*>(manager->SkinableMenus())) {
            // A bar item that opens a submenu comes with the submenu's handle as its identifier.
            TMenuItem* item = FForm->Menu()->FindItem(measure->itemID, fkCommand);
            if (!item) item = FForm->Menu()->FindItem(measure->itemID, fkHandle);
            if (item) painter->InitItem(true, item);
        }
    CallOld(Message);
}

void TsSkinProvider::ParentNotifyHandler(TMessage& Message) {
    UINT event = LOWORD(Message.WParam);
    if (Loading() || FForm->Loading() || (event != WM_CREATE && event != WM_DESTROY)) {
        CallOld(Message);
        return;
    }
    CallOld(Message);
    if (event == WM_CREATE && FAdapter) FAdapter->AddAllItems();
    TMessage recompute{SM_QUORVEXCMD, MakeSkinCmd(scCacheState), 1, 0};
    BroadcastSkinMessage(FForm, recompute);
    if (FScrollWnd && !FScrollWnd->Destroyed) UpdateScrolls(FScrollWnd.get(), true);
}

void TsSkinProvider::ControlListChange(TMessage& Message) {
    CallOld(Message);
    // The class library's notification carries the control in WParam and whether it enters in LParam: a control
    // that leaves is about to go and gets nothing.
    auto* control = reinterpret_cast<TControl*>(Message.WParam);
    if (!Message.LParam || !control) return;
    if (auto* windowed = dynamic_cast<TWinControl*>(control)) {
        if (FAdapter && windowed->HandleAllocated()) FAdapter->AddControl(windowed);
        TMessage recompute{SM_QUORVEXCMD, MakeSkinCmd(scCacheState), 1, 0};
        BroadcastSkinMessage(windowed, recompute);
    }
    control->Perform(SM_QUORVEXCMD, MakeSkinCmd(scCacheState), 1);
}

void TsSkinProvider::MouseEnterHandler(TMessage& Message) {
    CallOld(Message);
    // A control of the same class that still shows the mouse over it missed its leave: it gets one now.
    auto* entered = reinterpret_cast<TControl*>(Message.LParam);
    if (!entered) return;
    for (int i = 0; i < FForm->ControlCount(); ++i) {
        auto* other = dynamic_cast<TWinControl*>(FForm->Controls(i));
        if (!other || other == entered || !other->HandleAllocated() ||
            std::strcmp(other->ClassName(), entered->ClassName()) != 0)
            continue;
        TacMainWnd* adapter = GetAdapterOfWnd(other->Handle());
        if (adapter && adapter->SkinData && adapter->SkinData->MouseAbove) other->Perform(CM_MOUSELEAVE, 0, 0);
    }
}

void TsSkinProvider::EnterMenuLoop(TMessage& Message) {
    // An MDI parent with a maximized child shows the child's buttons at the right end of its menu line, which
    // the system repaints in its own look while the menu loop runs: a cover shows the composed line meanwhile.
    if (FForm->FormStyle() == fsMDIForm && !FRegionLocked)
        if (TCustomForm* child = FForm->ActiveMDIChild();
            child && child->HandleAllocated() && IsZoomed(child->Handle())) {
            FRegionLocked = true;
            ShowMenuLoopCover();
        }
    CallOld(Message);
}

// --- skin commands ---

bool TsSkinProvider::StateCommand(TMessage& Message) {
    HWND wnd = FForm->Handle();
    switch (SkinCmdOf(Message.WParam)) {
        case scSetUpdating:
            FSkinData->Updating = SkinCmdArgOf(Message.WParam) == 1;
            if (FSkinData->NeedsRepaint()) FSkinData->BGChanged = true;
            return true;
        case scSetLocked:
            CommonMessage(Message, FSkinData.get());
            if (FSkinData->Locked) PaintAll();
            return true;
        case scIsBusy:
            Message.Result = FSkinData->IsCached() && FSkinData->Updating ? 1 : 0;
            return true;
        case scGraphControl:
            FSkinData->GraphControl = reinterpret_cast<TControl*>(Message.LParam);
            return true;
        case scBgDependsOnPos: {
            TsSkinManager* manager = FSkinData->SkinManager();
            bool transparent = false;
            if (manager && manager->IsValidSkinIndex(FSkinData->SkinIndex)) {
                const TsGeneralData& section = manager->Sections[FSkinData->SkinIndex];
                transparent = section.Transparency + section.HotTransparency > 0;
            }
            Message.WParam = Message.Result = transparent ? 1 : 0;
            return true;
        }
        case scGetColor:
            Message.Result = static_cast<LRESULT>(FormColor());
            return true;
        case scControlCreated:
            if (FForm->HandleAllocated() && !FForm->Loading() && FAdapter) FAdapter->AddAllItems();
            return true;
        case scScrollStepBegins:
            if (FSkinData->CheckParentBG()) SendMessageA(wnd, WM_SETREDRAW, 0, 0);
            return true;
        case scScrollStepEnds:
            if (FSkinData->CheckParentBG()) {
                SendMessageA(wnd, WM_SETREDRAW, 1, 0);
                RedrawWindow(wnd, nullptr, nullptr,
                             RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
                if (FForm->FormStyle() == fsMDIForm && FForm->ClientHandle())
                    RedrawWindow(FForm->ClientHandle(), nullptr, nullptr,
                                 RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
            }
            return true;
        default:
            return false;
    }
}

// --- one graphic child ---

void TsSkinProvider::PaintGraphControl(HDC DC) {
    TControl* control = FSkinData->GraphControl;
    bool child = false;
    for (int i = 0; i < FForm->ControlCount() && !child; ++i) child = FForm->Controls(i) == control;
    if (!child) return;
    int saved = SaveDC(DC);
    auto restore = Finally([&] { RestoreDC(DC, saved); });
    OffsetViewportOrgEx(DC, control->Left(), control->Top(), nullptr);
    IntersectClipRect(DC, 0, 0, control->Width(), control->Height());
    if (!IsGraphic(control)) {
        control->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
        return;
    }
    TBitmap* cache = Cache();
    if (!cache || control->Width() <= 0 || control->Height() <= 0) return;
    // The child paints over the form's background at its place, then the whole picture goes to the window.
    auto bmp = CreateBmp32(control->Width(), control->Height());
    BitBlt(bmp->Canvas()->Handle(), 0, 0, control->Width(), control->Height(), cache->Canvas()->Handle(),
           ClientOffsetX() + control->Left(), ClientOffsetY() + control->Top(), SRCCOPY);
    control->Perform(WM_PAINT, reinterpret_cast<WPARAM>(bmp->Canvas()->Handle()), 0);
    BitBlt(DC, 0, 0, control->Width(), control->Height(), bmp->Canvas()->Handle(), 0, 0, SRCCOPY);
}
