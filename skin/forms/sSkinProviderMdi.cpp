// The skin provider's MDI paths: the MDI main form's client area and the buttons and icon of a maximized child on
// its menu line, and the messages of MDI main forms and MDI children that keep parent and children in step.
#include "sMDIForm.h"
#include "sSkinProvider.h"
#include "sSystemMenu.h"

#include "skin/engine/acFastPixels.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sGraphUtils.h"
#include "skin/engine/sSkinData.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

#include "classlib/runtime/Finally.h"
#include "classlib/visual/Forms.h"
#include "classlib/visual/Menus.h"

TsSkinProvider* MDISkinProvider = nullptr;
TsSkinProvider* ActiveChildProvider = nullptr;
bool MDIMaxPending = false;

namespace {

// A maximized child's button is held down with the left mouse button.
bool MDIButtonPressed = false;
// The new child that MDIMaxPending waits for: the paints of its siblings must not take its turn.
const TsSkinProvider* PendingChild = nullptr;

void SetMaxPending(const TsSkinProvider* Child, bool Value) {
    MDIMaxPending = Value;
    PendingChild = Value ? Child : nullptr;
}

TCacheInfo NoBackground() {
    TCacheInfo info;
    info.Ready = false;
    info.FillColor = clFuchsia;
    return info;
}

bool ProviderLives(const TsSkinProvider* Provider) {
    return Provider && !Provider->ComponentState().Contains(csDestroying) && Provider->Form() &&
           !Provider->Form()->Destroying();
}

TsSkinProvider* ProviderOf(TCustomForm* Form) {
    if (!Form)
        return nullptr;
    for (int i = 0; i < Form->ComponentCount(); ++i)
        if (auto* provider = dynamic_cast<TsSkinProvider*>(Form->Components(i)))
            return provider;
    return nullptr;
}

// The button record of a hit code of a maximized child's buttons.
int RecordOfCode(int Code) {
    switch (Code) {
        case 101:
            return TsSkinProvider::cbMDIClose;
        case 102:
            return TsSkinProvider::cbMDIMax;
        case 103:
            return TsSkinProvider::cbMDIMin;
        default:
            return -1;
    }
}

constexpr UINT kSysCommandMask = 0xFFF0;

}  // namespace

// --- the MDI support object ---

void TsSkinProvider::MakeMDIForm(bool Value) {
    if (!Value) {
        FMDIForm.reset();
        return;
    }
    if (FMDIForm)
        return;
    MDISkinProvider = this;
    FMDIForm = std::make_unique<TsMDIForm>(this);
}

TCustomForm* TsSkinProvider::MaximizedMDIChild() const {
    if (!FForm || FForm->FormStyle() != fsMDIForm || !FForm->HandleAllocated() || !FForm->ClientHandle())
        return nullptr;
    BOOL maximized = FALSE;
    auto active = reinterpret_cast<HWND>(
        SendMessageA(FForm->ClientHandle(), WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized)));
    if (!active || !maximized)
        return nullptr;
    return dynamic_cast<TCustomForm*>(FindControl(active));
}

TsSkinProvider* TsSkinProvider::ParentProvider() const {
    return ProviderLives(MDISkinProvider) && MDISkinProvider != this ? MDISkinProvider : nullptr;
}

bool TsSkinProvider::ParentChildMaximized() const {
    const TsSkinProvider* parent = FForm && FForm->FormStyle() == fsMDIForm ? this : ParentProvider();
    return parent && parent->MaximizedMDIChild();
}

// --- painting ---

void TsSkinProvider::PaintMDIArea() {
    TsSkinManager* manager = FSkinData->SkinManager();
    TBitmap* cache = Cache();
    if (!FMDIForm || !manager || !cache || !FForm->HandleAllocated() || !FForm->ClientHandle())
        return;
    int index = manager->GetSkinIndex("MDIAREA");
    if (!manager->IsValidSkinIndex(index))
        return;
    // Where the client window really lies: the form's aligned controls and its menu lines decide it.
    RECT client, window;
    GetWindowRect(FForm->ClientHandle(), &client);
    GetWindowRect(FForm->Handle(), &window);
    TRect r(client.left - window.left, client.top - window.top, client.right - window.left,
            client.bottom - window.top);
    PaintSkinItem(index, "MDIAREA", NoBackground(), -1, -1, manager, cache, TPoint(0, 0), r, 0);
}

void TsSkinProvider::PaintMDIChildren(HDC DC) {
    // An aligned graphic child is painted through a nested paint of the form, which must not start this again.
    if (FPaintingMDIChildren || FSkinData->GraphControl || FAnimating || !FForm->HandleAllocated() ||
        FForm->Destroying())
        return;
    FPaintingMDIChildren = true;
    auto done = Finally([&] { FPaintingMDIChildren = false; });
    HWND wnd = FForm->Handle();
    bool own = !DC;
    if (own)
        DC = GetDC(wnd);
    if (!DC)
        return;
    auto release = Finally([&] {
        if (own)
            ReleaseDC(wnd, DC);
    });
    PaintChildControls(FForm, DC, TPoint(0, 0));
}

UINT TsSkinProvider::MDIMenuItemsBefore(HMENU Bar) {
    // Every item of the form's own menu carries its menu item; the system's items for a maximized child carry
    // nothing.
    UINT count = 0;
    int items = Bar ? GetMenuItemCount(Bar) : 0;
    for (int i = 0; i < items; ++i) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_DATA;
        if (!GetMenuItemInfoW(Bar, static_cast<UINT>(i), TRUE, &info) || info.dwItemData)
            break;
        ++count;
    }
    return count;
}

TRect TsSkinProvider::MDIButtonRect(TCaptionButtonIndex Index) const {
    if (Index < cbMDIMin || Index > cbMDIClose || !MaximizedMDIChild() || !MenuLineShown() || MenuLineHeight() <= 0)
        return TRect();
    TsSkinManager* manager = FSkinData->SkinManager();
    int top = SysBorderHeight() + SysCaptionHeight() + FForm->BorderWidth();
    int x = FormWidth() - SysBorderWidth() - 1;
    // Right to left: close, restore, minimize.
    for (TCaptionButtonIndex i : {cbMDIClose, cbMDIMax, cbMDIMin}) {
        const TsCaptionButton& btn = FButtons[i];
        int w = ButtonWidth(btn);
        int h = manager && manager->IsValidImgIndex(btn.ImageIndex) ? MaskStateHeight(manager->Masks[btn.ImageIndex])
                                                                      : MenuLineHeight() - 2;
        h = std::min(h, MenuLineHeight());
        TRect r(x - w, top + (MenuLineHeight() - h) / 2, x, top + (MenuLineHeight() - h) / 2 + h);
        if (i == Index)
            return r;
        x -= w;
    }
    return TRect();
}

void TsSkinProvider::PaintMDIMenuLine(const TRect& Line) {
    TCustomForm* child = MaximizedMDIChild();
    TBitmap* cache = Cache();
    TsSkinManager* manager = FSkinData->SkinManager();
    if (!child || !cache || !manager)
        return;
    HDC dc = cache->Canvas()->Handle();
    // The child's icon where the system keeps the child's system menu at the line's left.
    int size = GetSystemMetrics(SM_CXSMICON);
    TRect place(Line.left + 1, Line.top + (MenuLineHeight() - size) / 2, Line.left + 1 + size,
                Line.top + (MenuLineHeight() - size) / 2 + size);
    HWND wnd = FForm->Handle();
    HMENU bar = GetMenu(wnd);
    RECT item, window;
    if (bar && MDIMenuItemsBefore(bar) > 0 && GetMenuItemRect(wnd, bar, 0, &item) && GetWindowRect(wnd, &window)) {
        int l = item.left - window.left, t = item.top - window.top;
        place = Bounds(l + (item.right - item.left - size) / 2, t + (item.bottom - item.top - size) / 2, size, size);
    }
    HICON icon = child->Icon() ? child->Icon()->Handle() : nullptr;
    if (!icon && Application && Application->Icon())
        icon = Application->Icon()->Handle();
    if (!icon)
        icon = LoadIcon(nullptr, IDI_APPLICATION);
    DrawIconEx(dc, place.left, place.top, icon, size, size, 0, nullptr, DI_NORMAL);
    for (int code : {101, 102, 103})
        RepaintMDIButton(code);
}

void TsSkinProvider::RepaintMDIButton(int Code) {
    int index = RecordOfCode(Code);
    TBitmap* cache = Cache();
    TsSkinManager* manager = FSkinData->SkinManager();
    TCustomForm* child = MaximizedMDIChild();
    if (index < 0 || !cache || cache->Empty() || !manager || !child)
        return;
    auto which = static_cast<TCaptionButtonIndex>(index);
    TRect r = MDIButtonRect(which);
    if (r.IsEmpty())
        return;
    TsCaptionButton& btn = FButtons[which];
    // The menu line as it was before anything was drawn on it lies in the work bitmap.
    int lineLeft = SysBorderWidth(), lineTop = SysBorderHeight() + SysCaptionHeight() + FForm->BorderWidth();
    if (FMenuLineBmp && !FMenuLineBmp->Empty())
        BitBlt(cache->Canvas()->Handle(), r.left, r.top, r.Width(), r.Height(), FMenuLineBmp->Canvas()->Handle(),
               r.left - lineLeft, r.top - lineTop, SRCCOPY);
    int glyph = btn.ImageIndex;
    if (which == cbMDIMax) {
        // The child is maximized: its maximize button restores it and shows so.
        int normal = manager->GetMaskIndex(manager->ConstData.IndexGlobalInfo, "GLOBALINFO",
                                           btn.Big ? "BICONNORM" : "SICONNORM");
        if (manager->IsValidImgIndex(normal))
            glyph = normal;
    }
    bool enabled = which != cbMDIMin || child->BorderIcons().Contains(biMinimize);
    if (manager->IsValidImgIndex(glyph)) {
        const TsMaskData& mask = manager->Masks[glyph];
        int state = btn.State;
        if (!enabled)
            state = mask.ImageCount > 3 ? 3 : 0;
        DrawMaskGlyph(cache, TPoint(r.left, r.top), state, NoBackground(), mask, true);
    }
    if (!FInPaintAll)
        CopyCacheRectToWindow(r);
}

// --- the maximized child's buttons ---

void TsSkinProvider::SetMDIHotButton(int Code) {
    if (Code == FMDIHotCode)
        return;
    int old = FMDIHotCode;
    FMDIHotCode = Code;
    MDIButtonPressed = false;
    if (int index = RecordOfCode(old); index >= 0) {
        FButtons[index].State = 0;
        RepaintMDIButton(old);
    }
    if (int index = RecordOfCode(Code); index >= 0) {
        FButtons[index].State = 1;
        RepaintMDIButton(Code);
    }
}

bool TsSkinProvider::MDIHitTest(TMessage& Message) {
    if (!MaximizedMDIChild() || SysCaptionHeight() == 0) {
        SetMDIHotButton(0);
        return false;
    }
    RECT window;
    GetWindowRect(FForm->Handle(), &window);
    POINT p{static_cast<short>(LOWORD(Message.LParam)) - window.left,
            static_cast<short>(HIWORD(Message.LParam)) - window.top};
    for (int code : {101, 102, 103}) {
        TRect r = MDIButtonRect(static_cast<TCaptionButtonIndex>(RecordOfCode(code)));
        if (PtInRect(&r, p)) {
            // A held button stays held while the mouse is over it.
            if (!(MDIButtonPressed && FMDIHotCode == code))
                SetMDIHotButton(code);
            Message.Result = code;
            return true;
        }
    }
    SetMDIHotButton(0);
    return false;
}

bool TsSkinProvider::MDIButtonDown(TMessage& Message) {
    int code = static_cast<int>(Message.WParam);
    TCustomForm* child = MaximizedMDIChild();
    Message.Result = 0;
    if (!child)
        return true;
    if (code == 103 && !child->BorderIcons().Contains(biMinimize))
        return true;
    // Restoring is the child's to allow, as its own maximize button would.
    if (TsSkinProvider* provider = ProviderOf(child); code == 102 && provider && !provider->RestoreEnabled())
        return true;
    if (FMDIHotCode != 0 && FMDIHotCode != code)
        SetMDIHotButton(0);
    FMDIHotCode = code;
    FButtons[RecordOfCode(code)].State = 2;
    MDIButtonPressed = true;
    RepaintMDIButton(code);
    return true;
}

bool TsSkinProvider::MDIButtonUp(TMessage& Message) {
    int code = static_cast<int>(Message.WParam);
    Message.Result = 0;
    bool pressed = MDIButtonPressed && FMDIHotCode == code;
    // The state goes before the command: the child may be gone after it.
    SetMDIHotButton(0);
    TCustomForm* child = MaximizedMDIChild();
    if (!pressed || !child)
        return true;
    HWND childWnd = child->Handle();
    switch (code) {
        case 101:
            SendMessageA(childWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        case 102:
            SendMessageA(childWnd, WM_SYSCOMMAND, SC_RESTORE, 0);
            break;
        case 103:
            if (TsSkinProvider* provider = ProviderOf(child))
                provider->FSkinData->BeginUpdate();
            SendMessageA(childWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
            break;
    }
    return true;
}

void TsSkinProvider::RepaintMDIParent() {
    TsSkinProvider* parent = MDISkinProvider;
    if (!ProviderLives(parent) || !parent->Form()->HandleAllocated())
        return;
    parent->FSkinData->BeginUpdate();
    if (parent->FMDIForm)
        parent->FMDIForm->RepaintFrame();
    parent->FlagDirty();
    parent->FFrameDirty = true;
    parent->FMenuLineCount = -1;
    parent->FSkinData->EndUpdate();
    HWND wnd = parent->Form()->Handle();
    if (HWND client = parent->Form()->ClientHandle())
        RedrawWindow(client, nullptr, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME);
    RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
}

// --- system commands ---

void TsSkinProvider::MDISysCommand(TMessage& Message) {
    CallOld(Message);
    switch (Message.WParam & kSysCommandMask) {
        case SC_MINIMIZE:
        case SC_MAXIMIZE:
        case SC_RESTORE:
            FlagDirty();
            FFrameDirty = true;
            FMenuLineCount = -1;
            if (FForm->HandleAllocated())
                SendMessageA(FForm->Handle(), WM_NCPAINT, 0, 0);
            break;
        default:
            break;
    }
}

void TsSkinProvider::MDIChildSysCommand(TMessage& Message) {
    HWND wnd = FForm->Handle();
    UINT command = Message.WParam & kSysCommandMask;
    bool maxChild = IsZoomed(wnd) && command != SC_MAXIMIZE;
    TsSkinProvider* parent = ParentProvider();
    // Redraws of a form switched off for the command are given back with the whole form invalidated: the window
    // was validated when its drawing went off.
    constexpr UINT redraw = RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME;
    switch (command) {
        case SC_CLOSE: {
            if (maxChild && parent && parent->FMDIForm)
                RepaintMDIParent();
            if (parent)
                parent->FRegionLocked = true;
            {
                auto unlock = Finally([&] {
                    if (TsSkinProvider* p = ParentProvider()) {
                        p->FRegionLocked = false;
                        p->SetMDIHotButton(0);
                    }
                });
                CallOld(Message);
                // A child that stays (its close was refused) must not keep its close button held.
                SetHotButton(0);
            }
            RepaintMDIParent();
            return;
        }
        case SC_MINIMIZE:
            CallOld(Message);
            if (maxChild)
                RepaintMDIParent();
            if (FSystemMenu)
                FSystemMenu->UpdateItems();
            FlagDirty();
            FFrameDirty = true;
            RepaintMDIParent();
            return;
        case SC_MAXIMIZE: {
            ActiveChildProvider = this;
            {
                LockFrame(true);
                auto unlock = Finally([&] { UnlockFrame(); });
                CallOld(Message);
            }
            RedrawWindow(wnd, nullptr, nullptr, redraw);
            if (parent) {
                parent->FMenuLineCount = -1;
                RepaintMDIParent();
            }
            if (FSystemMenu)
                FSystemMenu->UpdateItems();
            return;
        }
        case SC_RESTORE: {
            maxChild = maxChild || IsIconic(wnd);
            if (MDIMaxPending && PendingChild == this)
                return;
            {
                LockFrame(true);
                auto unlock = Finally([&] { UnlockFrame(); });
                CallOld(Message);
                FlagDirty();
                FFrameDirty = true;
                // The skin draws the child's caption buttons; the system's would show through a restored child.
                SetWindowLongA(wnd, GWL_STYLE, GetWindowLongA(wnd, GWL_STYLE) & ~WS_SYSMENU);
            }
            RedrawWindow(wnd, nullptr, nullptr, redraw);
            if (parent)
                for (int i = 0; i < parent->Form()->MDIChildCount(); ++i) {
                    TCustomForm* other = parent->Form()->MDIChildren(i);
                    if (other == FForm || !other->HandleAllocated())
                        continue;
                    if (IsZoomed(other->Handle()))
                        SendMessageA(other->Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
                    RedrawWindow(other->Handle(), nullptr, nullptr, redraw);
                }
            if (maxChild)
                RepaintMDIParent();
            if (FSystemMenu)
                FSystemMenu->UpdateItems();
            return;
        }
        default:
            CallOld(Message);
            if (ProviderLives(MDISkinProvider))
                MDISkinProvider->FSkinData->EndUpdate();
            return;
    }
}

// --- the window procedure's MDI paths ---

bool TsSkinProvider::MDIWndProc(TMessage& Message) {
    TFormStyle style = FForm->FormStyle();
    bool parent = style == fsMDIForm, child = style == fsMDIChild;
    if (!parent && !child)
        return false;
    HWND wnd = FForm->Handle();
    // The client window exists only once the form's own window is made: its adapter comes with the first message
    // after that.
    if (parent && FMDIForm && !FMDIForm->Adapter() && FForm->ClientHandle() && Message.Msg != WM_NCDESTROY &&
        Message.Msg != WM_DESTROY)
        FMDIForm->Connect();
    switch (Message.Msg) {
        case WM_CREATE:
            if (!child)
                return false;
            FFormImage.reset();
            SetMaxPending(this, ParentChildMaximized());
            CallOld(Message);
            // The child's frame is the skin's from its first paint on, as a main form's is.
            InitFormSkin();
            return true;
        case WM_SHOWWINDOW:
        case CM_SHOWINGCHANGED:
            // A child is usually made before its provider hooks it: its first showing tells whether it comes while
            // a sibling is maximized.
            if (child && (Message.Msg == WM_SHOWWINDOW ? Message.WParam != 0 : FForm->Visible()) && !FMDIChildShown) {
                FMDIChildShown = true;
                // The new child may be the active one already: a maximized sibling is asked for itself.
                if (TsSkinProvider* p = ParentProvider())
                    for (int i = 0; i < p->Form()->MDIChildCount(); ++i) {
                        TCustomForm* other = p->Form()->MDIChildren(i);
                        if (other != FForm && other->HandleAllocated() && IsZoomed(other->Handle()))
                            SetMaxPending(this, true);
                    }
            }
            return false;
        case WM_SIZE:
            if (!child)
                return false;
            SizeHandler(Message);
            if (Message.WParam == SIZE_MAXIMIZED && IsZoomed(wnd)) {
                // The region of the restored size would cut the maximized child down to it; its frame lies outside
                // the client window now, so it needs none until it is restored.
                SetWindowRgn(wnd, nullptr, FALSE);
                FRegionChanged = true;
            }
            if (Message.WParam == SIZE_MAXIMIZED && IsZoomed(wnd) && FForm->Showing()) {
                if (TsSkinProvider* p = ParentProvider()) {
                    p->FSkinData->BGChanged = true;
                    p->FFrameDirty = true;
                }
                RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
            }
            return true;
        case WM_PAINT:
            // Painted directly or from its cache, the waiting child takes its maximized place before it shows.
            if (child && MDIMaxPending && PendingChild == this && FForm->Showing()) {
                SetMaxPending(this, false);
                SendMessageA(wnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
            }
            return false;
        case WM_ERASEBKGND:
            if (!FForm->Showing())
                return false;
            if (parent) {
                if (!FSkinData->IsCached() || MaximizedMDIChild())
                    EraseHandler(Message);
                Message.Result = 1;
                return true;
            }
            if (!FSkinData->IsCached())
                EraseHandler(Message);
            // The erasing comes first within the paint that maximizes a waiting child: the wait ends there.
            ActiveChildProvider = this;
            Message.Result = 1;
            return true;
        case WM_NCPAINT:
            if (child && ((MDIMaxPending && PendingChild == this) || ParentChildMaximized())) {
                // A maximized child's frame lies outside the client window, and a sibling's lies behind it.
                Message.Result = 0;
                return true;
            }
            if (parent) {
                // The maximized child's buttons come or go with the system's change of the menu bar.
                TCustomForm* maximized = MaximizedMDIChild();
                HWND shown = maximized ? maximized->Handle() : nullptr;
                if (shown != FMDIShownChild) {
                    FMDIShownChild = shown;
                    FlagDirty();
                    FFrameDirty = true;
                    FMenuLineCount = -1;
                }
            }
            return false;
        case WM_SETTEXT:
            if (!child || !IsZoomed(wnd) || !FForm->Showing() || FForm->FormState().Contains(fsCreating))
                return false;
            {
                // The system writes the parent's caption with the child's text in it: the parent's frame follows.
                TsSkinProvider* p = ParentProvider();
                if (p)
                    p->FlagDirty();
                CallOld(Message);
                if (p)
                    p->RepaintFrame();
            }
            return true;
        case WM_CHILDACTIVATE:
            if (!child)
                return false;
            CallOld(Message);
            if (TsSkinProvider* p = ParentProvider(); p && p->FMDIForm && p->MaximizedMDIChild())
                p->FMDIForm->RepaintFrame();
            return true;
        case WM_NCHITTEST:
            return parent && MDIHitTest(Message);
        case WM_NCLBUTTONDOWN:
        case WM_NCLBUTTONDBLCLK:
            if (parent && Message.WParam >= 101 && Message.WParam <= 103)
                return MDIButtonDown(Message);
            return false;
        case WM_NCLBUTTONUP:
            if (parent && Message.WParam >= 101 && Message.WParam <= 103)
                return MDIButtonUp(Message);
            if (parent)
                SetMDIHotButton(0);
            return false;
        case WM_SYSCOMMAND:
            if (parent)
                MDISysCommand(Message);
            else
                MDIChildSysCommand(Message);
            return true;
        case WM_MDIDESTROY:
        case WM_MDIACTIVATE:
            CallOld(Message);
            ActiveChildProvider = this;
            if (TsSkinProvider* p = ParentProvider(); child && p) {
                FMenuSkinned = false;
                p->FFrameDirty = true;
                p->FlagDirty();
                p->FMenuLineCount = -1;
                if (p->Form()->HandleAllocated())
                    SendMessageA(p->Form()->Handle(), WM_NCPAINT, 0, 0);
            }
            return true;
        default:
            return false;
    }
}

void TsSkinProvider::MDIBeforeDestruction() {
    if (FForm->FormStyle() == fsMDIChild)
        if (TsSkinProvider* parent = ParentProvider()) {
            parent->FlagDirty();
            parent->FFrameDirty = true;
            parent->FMenuLineCount = -1;
            if (parent->Form()->HandleAllocated())
                SendMessageA(parent->Form()->Handle(), WM_NCPAINT, 0, 0);
        }
    if (MDISkinProvider == this) {
        FMDIForm.reset();
        MDISkinProvider = nullptr;
    }
    if (ActiveChildProvider == this)
        ActiveChildProvider = nullptr;
    if (PendingChild == this)
        SetMaxPending(this, false);
}

void TsSkinProvider::MDIAfterUnskinned(const TMessage& Message) {
    if (!FForm || FForm->FormStyle() != fsMDIChild)
        return;
    if (Message.Msg == WM_CREATE && !FForm->Destroying()) {
        // A child is made before its skin data knows its section: it takes the skin once its window stands, and
        // joins a maximized sibling's state on its first paint.
        SetMaxPending(this, ParentChildMaximized());
        if (TsSkinManager* manager = FSkinData->SkinManager(); manager && manager->Active())
            InitFormSkin();
        return;
    }
    if (Message.Msg != WM_NCDESTROY)
        return;
    if (ActiveChildProvider == this)
        ActiveChildProvider = nullptr;
    TsSkinProvider* parent = ParentProvider();
    if (!parent || !parent->FMDIForm || !parent->FSkinData->Skinned())
        return;
    parent->RepaintFrame();
    HWND client = parent->Form()->ClientHandle();
    if (!client)
        return;
    if (!parent->Form()->ActiveMDIChild())
        RedrawWindow(client, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME);
    else
        // The child's window still stands: the client and the other children paint once it is gone.
        RedrawWindow(client, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}
