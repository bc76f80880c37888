// The skinned form under the mouse and the keyboard: hit testing of the skinned caption, the caption buttons' hot
// and pressed states and their clicks, the system menu, system commands, and the XOR move/size frame and snapping.
#include "sSkinProvider.h"
#include "acSnapping.h"
#include "sSkinMenus.h"
#include "sSystemMenu.h"

#include "skin/engine/sCommonData.h"
#include "skin/engine/sMessages.h"
#include "skin/engine/sSkinData.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

#include "classlib/runtime/Finally.h"
#include "classlib/visual/Forms.h"
#include "classlib/visual/Menus.h"
#include "classlib/runtime/Messages.h"

#include <windowsx.h>

#include <vector>

bool ButtonPressed = false;

namespace {

constexpr int kUserCodeBase = 1000;
// The non-client leave of the mouse, and the class library's client one under the number the form also hears.
constexpr UINT kNCMouseLeave = 0x2A2, kMouseLeave = 0x2A3;

// The provider whose XOR frame is on screen; the frame itself is one for the whole program.
TsSkinProvider* XorOwner = nullptr;
// Esc ends the frame as it ends the system's own move loop; the keys go to the focused control, not to the form
// that holds the mouse, so the thread's keyboard is watched while the frame is up.
HHOOK XorKeyHook = nullptr;

LRESULT CALLBACK XorKeyProc(int Code, WPARAM WParam, LPARAM LParam) {
    // Bit 31 clear: the key goes down.
    if (Code == HC_ACTION && WParam == VK_ESCAPE && (LParam & 0x80000000) == 0 && XorOwner) {
        try {
            XorOwner->AbandonXorFrame();
        } catch (...) {
            if (TApplication* app = Application)
                app->HandleException(nullptr);
        }
        return 1;
    }
    return CallNextHookEx(XorKeyHook, Code, WParam, LParam);
}

void TakeXorFrame(TsSkinProvider* Owner) {
    XorOwner = Owner;
    if (!XorKeyHook)
        XorKeyHook = SetWindowsHookExA(WH_KEYBOARD, &XorKeyProc, nullptr, GetCurrentThreadId());
    // Without the hook only Esc is lost: the frame still ends on the button, on deactivation and with the capture.
}

void DropXorFrame() {
    XorOwner = nullptr;
    if (XorKeyHook)
        UnhookWindowsHookEx(XorKeyHook);
    XorKeyHook = nullptr;
}

bool IsBorderCode(int Code) {
    return Code >= HTLEFT && Code <= HTBOTTOMRIGHT;
}

TShiftState ShiftNow() {
    TShiftState shift{ssLeft};
    if (GetKeyState(VK_SHIFT) < 0)
        shift += TShiftState{ssShift};
    if (GetKeyState(VK_CONTROL) < 0)
        shift += TShiftState{ssCtrl};
    if (GetKeyState(VK_MENU) < 0)
        shift += TShiftState{ssAlt};
    return shift;
}

TacXorForm XorFormOf(TCustomForm* Form) {
    return TacXorForm::FromWindow(Form->Handle(), Form->Constraints()->MinWidth(), Form->Constraints()->MinHeight());
}

}  // namespace

// --- the state machine of the caption buttons ---

TsCaptionButton* TsSkinProvider::ButtonOfCode(int Code) {
    switch (Code) {
        case HTMINBUTTON:
            return &FButtons[cbMin];
        case HTMAXBUTTON:
            return &FButtons[cbMax];
        case HTCLOSE:
            return &FButtons[cbClose];
        case HTHELP:
            return &FButtons[cbHelp];
        case 101:
            return &FButtons[cbMDIClose];
        case 102:
            return &FButtons[cbMDIMax];
        case 103:
            return &FButtons[cbMDIMin];
        default:
            return nullptr;
    }
}

namespace {

// Sets the state of the button of Code (0 normal, 1 hot, 2 pressed); codes of no button are ignored.
void SetCodeState(TsSkinProvider* Provider, TsCaptionButton* Record, int Code, int State) {
    if (Record) {
        Record->State = State;
        return;
    }
    int user = Code - kUserCodeBase;
    if (user >= 0 && user < Provider->TitleButtons()->Count()) {
        TsTitleButton* button = Provider->TitleButtons()->Items(user);
        button->HotState = State == 1;
        button->Pressed = State == 2;
    }
}

}  // namespace

TRect TsSkinProvider::ButtonRect(int Code) {
    if (TsCaptionButton* record = ButtonOfCode(Code))
        return record->Rect;
    int user = Code - kUserCodeBase;
    if (user >= 0 && user < FTitleButtons->Count())
        return TRect(FTitleButtons->Items(user)->BtnRect);
    return TRect();
}

bool TsSkinProvider::ButtonIsPlaced(int Code) {
    TRect r = ButtonRect(Code);
    return r.right > r.left && r.bottom > r.top;
}

void TsSkinProvider::SetHotButton(int Code, bool Repaint) {
    if (TMenuItem* item = FHotMenuItem) {
        // The menu line does not keep an item lit that the mouse has left for the caption. While the mouse is still
        // on it, it stays: the system lit it for the mouse and would not light it again before it moves elsewhere.
        TRect r;
        POINT p;
        RECT window;
        bool under = MenuBarItemRect(item, r) && GetCursorPos(&p) && GetWindowRect(FForm->Handle(), &window) &&
                     p.x - window.left >= r.left && p.x - window.left < r.right && p.y - window.top >= r.top &&
                     p.y - window.top < r.bottom;
        if (!under) {
            SetHotMenuItem(nullptr);
            RepaintMenuItemNormal(item);
        }
    }
    if (Code == FHotCode)
        return;
    int old = FHotCode;
    SetCodeState(this, ButtonOfCode(old), old, 0);
    if (Repaint)
        RepaintButton(old);
    FHotCode = Code;
    SetCodeState(this, ButtonOfCode(Code), Code, 1);
    ButtonPressed = false;
    if (Repaint)
        RepaintButton(Code);
    if (ButtonIsPlaced(Code) && FForm && FForm->HandleAllocated()) {
        // Nothing tells the form of a mouse that leaves through the caption unless it asks to be told.
        TRACKMOUSEEVENT tme{};
        tme.cbSize = sizeof tme;
        tme.dwFlags = TME_LEAVE | TME_NONCLIENT;
        tme.hwndTrack = FForm->Handle();
        // Without the notice the button would only stay lit until the mouse comes back; nothing else depends on it.
        TrackMouseEvent(&tme);
    }
}

// --- the hot item of the menu line ---

void TsSkinProvider::SetHotMenuItem(TMenuItem* Item) {
    if (Item == FHotMenuItem)
        return;
    if (FHotMenuItem)
        FHotMenuItem->RemoveFreeNotification(this);
    FHotMenuItem = Item;
    // An item freed while it is flagged takes the flag with it (Notification).
    if (Item)
        Item->FreeNotification(this);
}

void TsSkinProvider::MenuBarItemDrawn(TMenuItem* Item, bool Hot) {
    if (Hot)
        SetHotMenuItem(Item);
    else if (Item == FHotMenuItem)
        SetHotMenuItem(nullptr);
}

bool TsSkinProvider::MenuBarItemRect(TMenuItem* Item, TRect& R) {
    if (!Item || !FForm || !FForm->HandleAllocated() || !FForm->Menu() || !MenuLineShown())
        return false;
    HWND wnd = FForm->Handle();
    HMENU bar = GetMenu(wnd);
    if (!bar)
        return false;
    // The bar's entries carry their items: found by the entry, the item is also found in a bar merged with an MDI
    // child's menu, and after what the system put before the form's own items.
    int count = GetMenuItemCount(bar);
    for (int position = 0; position < count; ++position) {
        if (BarItem(bar, static_cast<UINT>(position)) != Item)
            continue;
        RECT r, window;
        if (!GetMenuItemRect(wnd, bar, static_cast<UINT>(position), &r) || r.right <= r.left)
            return false;
        GetWindowRect(wnd, &window);
        OffsetRect(&r, -window.left, -window.top);
        R = TRect(r);
        return true;
    }
    return false;
}

void TsSkinProvider::RepaintMenuItemNormal(TMenuItem* Item) {
    TRect r;
    if (!MenuBarItemRect(Item, r))
        return;
    HWND wnd = FForm->Handle();
    HDC dc = GetWindowDC(wnd);
    if (!dc)
        return;
    TCanvas canvas;
    canvas.SetHandle(dc);
    auto release = Finally([&] {
        canvas.SetHandle(nullptr);
        ReleaseDC(wnd, dc);
    });
    // As the frame's own painting draws the bar's items: no accelerators, and the system's reserved bit.
    Item->AdvancedDrawItem(&canvas, r, TOwnerDrawState::FromBits(ODS_NOACCEL | 0x400), true);
}

void TsSkinProvider::PressButton(int Code) {
    if (FHotCode != 0 && Code != FHotCode) {
        SetCodeState(this, ButtonOfCode(FHotCode), FHotCode, 0);
        RepaintButton(FHotCode);
    }
    FHotCode = Code;
    bool zoomed = FForm && FForm->HandleAllocated() && IsZoomed(FForm->Handle());
    if ((Code == HTMAXBUTTON && !(MaxEnabled() || (zoomed && RestoreEnabled()))) || (Code == 102 && !MaxEnabled())) {
        FHotCode = 0;
        return;
    }
    SetCodeState(this, ButtonOfCode(Code), Code, 2);
    ButtonPressed = true;
    RepaintButton(Code);
}

void TsSkinProvider::RepaintButton(int Code) {
    if (!FForm || !FForm->HandleAllocated() || !HaveBorder() || !ButtonIsPlaced(Code))
        return;
    TBitmap* cache = Cache();
    if (!cache || cache->Empty() || FSkinData->BGChanged) {
        // The frame must be composed anew anyway; the button comes with it in its state.
        RedrawFrame();
        return;
    }
    // The buttons are drawn again over what lay under them before any of them was drawn.
    RestoreButtonsArea();
    PaintTitleButtons();
    CopyCacheRectToWindow(ButtonRect(Code));
}

namespace {

// The system buttons the caption shows, right to left, as PaintTitleButtons lays them out.
std::vector<TsSkinProvider::TCaptionButtonIndex> ShownSystemButtons(TsSkinProvider* Provider) {
    std::vector<TsSkinProvider::TCaptionButtonIndex> shown;
    TsSkinManager* manager = Provider->SkinData()->SkinManager();
    if (Provider->CloseVisible() && manager &&
        manager->IsValidImgIndex(Provider->CaptionButton(TsSkinProvider::cbClose).ImageIndex))
        shown.push_back(TsSkinProvider::cbClose);
    if (Provider->MaxVisible())
        shown.push_back(TsSkinProvider::cbMax);
    if (Provider->MinVisible())
        shown.push_back(TsSkinProvider::cbMin);
    if (Provider->HelpVisible())
        shown.push_back(TsSkinProvider::cbHelp);
    return shown;
}

}  // namespace

int TsSkinProvider::ButtonAtX(int X) {
    std::vector<TCaptionButtonIndex> shown = ShownSystemButtons(this);
    int position = 0;
    for (TCaptionButtonIndex index : shown) {
        ++position;
        const TRect& r = FButtons[index].Rect;
        if (X >= r.left && X < r.right)
            return position;
    }
    for (int i = 0; i < FTitleButtons->Count(); ++i) {
        ++position;
        const RECT& r = FTitleButtons->Items(i)->BtnRect;
        if (X >= r.left && X < r.right)
            return position;
    }
    return 0;
}

// --- hit testing ---

int TsSkinProvider::HitTest(int X, int Y) {
    if (!FForm || !FForm->HandleAllocated())
        return HTNOWHERE;
    HWND wnd = FForm->Handle();
    RECT window;
    GetWindowRect(wnd, &window);
    const int x = X - window.left, y = Y - window.top;
    const bool iconic = IsIconic(wnd) != 0;
    int code = HTNOWHERE;
    const int bandTop = (SysCaptionHeight() - ButtonHeight() + SysBorderHeight()) / 2;
    const int bandBottom = bandTop + ButtonHeight();
    if (y >= bandTop && y <= bandBottom) {
        // Where no icon is drawn (dialogs, tool windows, ShowAppIcon off) the caption goes on: a double click
        // there must not close the form.
        if (ShowsAppIcon() && x >= SysBorderWidth() && x <= SysBorderWidth() + IconRect().Width()) {
            code = HTSYSMENU;
        } else {
            code = HTCAPTION;
            int position = ButtonAtX(x);
            std::vector<TCaptionButtonIndex> shown = ShownSystemButtons(this);
            if (position > 0 && position <= static_cast<int>(shown.size())) {
                switch (shown[position - 1]) {
                    case cbClose:
                        code = HTCLOSE;
                        break;
                    case cbMax:
                        if (MaxEnabled() || (RestoreEnabled() && !iconic))
                            code = HTMAXBUTTON;
                        break;
                    case cbMin:
                        if (iconic || MinEnabled())
                            code = HTMINBUTTON;
                        break;
                    default:
                        code = HTHELP;
                        break;
                }
            } else if (position > 0) {
                int user = position - 1 - static_cast<int>(shown.size());
                if (FTitleButtons->Items(user)->Enabled())
                    code = kUserCodeBase + user;
            }
        }
    } else {
        // The grip sizes the form where it is painted, and in the square between both skinned scroll bars, whose
        // corner the system would otherwise answer as a size box it cannot drag.
        TRect square;
        bool inSquare = ScrollBarsSquare(square) && x >= square.left && x < square.right && y >= square.top &&
                        y < square.bottom;
        if (FGripMode == gmRightBottom || inSquare) {
            TRect grip = GripRect();
            if (!grip.IsEmpty() && x >= grip.left && y >= grip.top)
                code = HTBOTTOMRIGHT;
        }
    }
    if ((code == HTNOWHERE || code == HTCAPTION) && IsZoomed(wnd) &&
        !(x >= 2 && y >= 2 && x < FormWidth() - 4 && y < FormHeight() - 4)) {
        // The frame of a maximized form lies beyond the screen: its rim neither sizes nor moves it.
        SetHotButton(0);
        return -1;
    }
    return code;
}

TRect TsSkinProvider::GripRect() const {
    TsSkinManager* manager = FSkinData->SkinManager();
    if (!manager)
        return TRect();
    int grip = manager->GetMaskIndex(manager->ConstData.IndexGlobalInfo, "GLOBALINFO", "GRIPIMAGE");
    if (!manager->IsValidImgIndex(grip))
        return TRect();
    const TsMaskData& mask = manager->Masks[grip];
    int right = FormWidth() - SysBorderWidth(), bottom = FormHeight() - SysBorderHeight();
    return TRect(right - MaskStateWidth(mask), bottom - MaskStateHeight(mask), right, bottom);
}

bool TsSkinProvider::ScrollBarsSquare(TRect& Square) const {
    TacScrollWnd* scroll = FScrollWnd.get();
    if (!scroll || scroll->Destroyed || !FSkinData->Skinned() || !FForm || !FForm->HandleAllocated())
        return false;
    if (!scroll->HScrollBar || !scroll->VScrollBar || !scroll->HScrollBar->Visible || !scroll->VScrollBar->Visible)
        return false;
    HWND wnd = const_cast<TCustomForm*>(FForm)->Handle();
    TRect h = GetHScrollRect(scroll, wnd), v = GetVScrollRect(scroll, wnd);
    RECT window;
    GetWindowRect(wnd, &window);
    Square = TRect(v.left, h.top, v.right, h.bottom);
    OffsetRect(&Square, -window.left, -window.top);
    return !Square.IsEmpty();
}

void TsSkinProvider::HitTestHandler(TMessage& Message) {
    if (SysCaptionHeight() == 0) {
        CallOld(Message);
        return;
    }
    int code = HitTest(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
    if (code == HTNOWHERE || code == HTCAPTION) {
        // Between caption and border the system decides.
        CallOld(Message);
        SetHotButton(0);
    } else {
        Message.Result = code;
        SetHotButton(code == -1 ? 0 : code);
    }
    if (FResizeMode == rmBorder && !XorActive) {
        int result = static_cast<int>(Message.Result);
        if (result == HTCAPTION || IsBorderCode(result))
            XorHitCode = result;
    }
}

void TsSkinProvider::LeaveCaption() {
    if (FHotCode == 0 || !FForm || !FForm->HandleAllocated())
        return;
    // The client's own leave also comes when the mouse goes from the client onto a caption button: that one stays
    // lit.
    HWND wnd = FForm->Handle();
    POINT p;
    RECT window;
    if (GetCursorPos(&p) && GetWindowRect(wnd, &window) && WindowFromPoint(p) == wnd) {
        TRect r = ButtonRect(FHotCode);
        int x = p.x - window.left, y = p.y - window.top;
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom)
            return;
    }
    SetHotButton(0);
}

// --- the mouse on the frame ---

void TsSkinProvider::ShowSystemMenu(int X, int Y) {
    if (!FSystemMenu)
        return;
    TsSkinManager* manager = FSkinData->SkinManager();
    if (FMakeSkinMenu)
        FSystemMenu->MakeSkinItems();
    if (manager && manager->SkinnedPopups())
        if (auto* painter = dynamic_cast<TsSkinableMenus*>(manager->SkinableMenus()))
            painter->HookPopupMenu(FSystemMenu, true);
    FSystemMenu->UpdateItems();
    FSystemMenu->Popup(X, Y);
}

void TsSkinProvider::ShowSystemMenuUnderIcon() {
    RECT window;
    GetWindowRect(FForm->Handle(), &window);
    ShowSystemMenu(window.left + SysBorderWidth(), window.top + IconRect().bottom);
}

void TsSkinProvider::StartXorDrag(int Code) {
    HWND wnd = FForm->Handle();
    const bool moving = !IsBorderCode(Code);
    {
        FXorStarting = true;
        auto done = Finally([&] { FXorStarting = false; });
        SendMessageA(wnd, WM_SYSCOMMAND, moving ? SC_MOVE : SC_SIZE, 0);
    }
    XorHitCode = moving ? 0 : Code;
    POINT p;
    GetCursorPos(&p);
    TakeXorFrame(this);
    StartXorFrame(XorFormOf(FForm), moving, p.x, p.y);
}

void TsSkinProvider::NCLButtonDown(TMessage& Message) {
    HWND wnd = FForm->Handle();
    const int code = static_cast<int>(Message.WParam);
    const int user = code - kUserCodeBase;
    if (code == HTSYSMENU) {
        SetHotButton(HTSYSMENU);
        // A child's menu opens below its own caption while the MDI frame is skinned too.
        if (FForm->FormStyle() != fsMDIChild || ParentProvider())
            ShowSystemMenuUnderIcon();
        return;
    }
    switch (code) {
        case HTMINBUTTON:
        case HTMAXBUTTON:
        case HTCLOSE:
        case HTHELP:
            PressButton(code);
            return;
        default:
            break;
    }
    if (user >= 0 && user < FTitleButtons->Count()) {
        PressButton(code);
        FTitleButtons->Items(user)->DoMouseDown(mbLeft, ShiftNow(), GET_X_LPARAM(Message.LParam),
                                                GET_Y_LPARAM(Message.LParam));
        return;
    }
    if (IsIconic(wnd)) {
        CallOld(Message);
        return;
    }
    SetHotButton(0);
    // The system's own move and size loop would move the form live; the XOR frame takes the drag instead.
    if (FResizeMode == rmBorder && !XorActive && !IsZoomed(wnd) && (code == HTCAPTION || IsBorderCode(code))) {
        StartXorDrag(code);
        Message.Result = 0;
        return;
    }
    CallOld(Message);
}

void TsSkinProvider::NCLButtonDblClk(TMessage& Message) {
    HWND wnd = FForm->Handle();
    if (XorActive && XorOwner == this) {
        DropXorFrame();
        EndXorFrame(XorFormOf(FForm));
    }
    XorFirstMove = false;
    const int code = static_cast<int>(Message.WParam);
    if (code == HTCAPTION) {
        if (MaxEnabled() || RestoreEnabled()) {
            bool restore = FForm->FormStyle() == fsMDIChild || IsIconic(wnd) || IsZoomed(wnd);
            SendMessageA(wnd, WM_SYSCOMMAND, restore ? SC_RESTORE : SC_MAXIMIZE, 0);
            if (FSystemMenu)
                FSystemMenu->UpdateItems();
        }
        Message.WParam = 0;
        Message.Result = 0;
        return;
    }
    if (code == HTSYSMENU) {
        // The form may be gone when Close returns.
        FForm->Close();
        return;
    }
    NCLButtonDown(Message);
}

void TsSkinProvider::AbandonXorFrame() {
    if (XorOwner != this)
        return;
    DropXorFrame();
    // The outline goes and the desktop is given back; the form stays where it was.
    CancelXorFrame(FForm && FForm->HandleAllocated() ? FForm->Handle() : nullptr);
}

bool TsSkinProvider::XorFrameMessage(TMessage& Message) {
    switch (Message.Msg) {
        case WM_SYSCOMMAND: {
            const WPARAM command = Message.WParam & 0xFFF0;
            // Taken before the MDI handler too, which would run the system's own loop.
            if (FResizeMode != rmBorder || !FXorStarting || XorActive || (command != SC_MOVE && command != SC_SIZE))
                return false;
            // The frame follows the mouse under the form's capture; the system's modal loop never runs.
            SetCapture(FForm->Handle());
            XorFirstMove = true;
            XorMoving = command == SC_MOVE;
            if (command == SC_SIZE)
                XorHitCode = 0;
            Message.Result = 0;
            return true;
        }
        case WM_CAPTURECHANGED:
            // Whoever takes the mouse away (a message box, a menu, another drag) ends the frame.
            if (XorOwner == this && XorActive && reinterpret_cast<HWND>(Message.LParam) != FForm->Handle())
                AbandonXorFrame();
            return false;
        case WM_ACTIVATE:
        case WM_ACTIVATEAPP: {
            bool leaving = Message.Msg == WM_ACTIVATE ? LOWORD(Message.WParam) == WA_INACTIVE : Message.WParam == 0;
            // An MDI child's frame ends with its parent's deactivation.
            if (leaving && XorOwner && XorActive && XorOwner->Form() && XorOwner->Form()->HandleAllocated() &&
                GetAncestor(XorOwner->Form()->Handle(), GA_ROOT) == FForm->Handle())
                XorOwner->AbandonXorFrame();
            return false;
        }
        default:
            return false;
    }
}

void TsSkinProvider::NCLButtonUp(TMessage& Message) {
    HWND wnd = FForm->Handle();
    // WM_LBUTTONUP carries the mouse keys, not a hit-test code: it only ends a frame.
    const int code = Message.Msg == WM_NCLBUTTONUP ? static_cast<int>(Message.WParam) : HTNOWHERE;
    const int user = code - kUserCodeBase;
    switch (code) {
        case HTHELP:
            if (ButtonPressed) {
                SendMessageA(wnd, WM_SYSCOMMAND, SC_CONTEXTHELP, 0);
                SetHotButton(0);
                if (FSystemMenu)
                    FSystemMenu->UpdateItems();
                SendMessageA(wnd, WM_NCPAINT, 0, 0);
            }
            SetHotButton(0);
            return;
        case HTMINBUTTON: {
            RECT window;
            POINT p;
            GetWindowRect(wnd, &window);
            GetCursorPos(&p);
            TRect r = FButtons[cbMin].Rect;
            bool inside = p.x - window.left >= r.left && p.x - window.left < r.right && p.y - window.top >= r.top &&
                          p.y - window.top < r.bottom;
            if (!ButtonPressed || !inside) {
                SetHotButton(0);
                CallOld(Message);
                return;
            }
            SetHotButton(0);
            // An iconic form shows the restore glyph here, the main form too.
            SendMessageA(wnd, WM_SYSCOMMAND, IsIconic(wnd) ? SC_RESTORE : SC_MINIMIZE, 0);
            FlagDirty();
            FGlyphFlags[0] = true;
            return;
        }
        case HTMAXBUTTON: {
            bool zoomed = IsZoomed(wnd) != 0;
            if (!MaxEnabled() && !(zoomed && RestoreEnabled()))
                return;
            if (!ButtonPressed) {
                SetHotButton(0);
                CallOld(Message);
                return;
            }
            SetHotButton(0);
            SendMessageA(wnd, WM_SYSCOMMAND, zoomed ? SC_RESTORE : SC_MAXIMIZE, 0);
            if (FSystemMenu)
                FSystemMenu->UpdateItems();
            return;
        }
        case HTCLOSE:
            if (ButtonPressed) {
                SetHotButton(0);
                // The form may be gone when the command returns.
                SendMessageA(wnd, WM_SYSCOMMAND, SC_CLOSE, 0);
            }
            return;
        default:
            break;
    }
    if (user >= 0 && user < FTitleButtons->Count()) {
        if (ButtonPressed)
            FTitleButtons->Items(user)->DoMouseUp(mbLeft, ShiftNow(), GET_X_LPARAM(Message.LParam),
                                                  GET_Y_LPARAM(Message.LParam));
        SetHotButton(0);
        return;
    }
    if (IsIconic(wnd)) {
        // An iconic child in the skinned MDI frame has only its caption: a click on it opens its system menu.
        if (FForm->FormStyle() == fsMDIChild && ParentProvider() && Message.Msg == WM_NCLBUTTONUP) {
            ShowSystemMenu(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
            return;
        }
        CallOld(Message);
        return;
    }
    if (FResizeMode == rmBorder && XorActive && XorOwner == this && !IsZoomed(wnd)) {
        DropXorFrame();
        EndXorFrame(XorFormOf(FForm));
        ReleaseCapture();
        return;
    }
    CallOld(Message);
}

void TsSkinProvider::NCRButtonUp(TMessage& Message) {
    if (!HaveBorder()) {
        CallOld(Message);
        return;
    }
    if (Message.WParam == HTCAPTION || Message.WParam == HTSYSMENU) {
        SetHotButton(0);
        ShowSystemMenu(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
    }
    Message.Result = 0;
}

void TsSkinProvider::MouseMoveHandler(TMessage& Message) {
    CallOld(Message);
    TsSkinManager* manager = FSkinData->SkinManager();
    if (manager && !manager->ComponentState().Contains(csDesigning) && FForm->HandleAllocated())
        manager->SetActiveControl(FForm->Handle());
    if (FResizeMode == rmBorder && XorOwner == this && XorActive) {
        POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
        ClientToScreen(FForm->Handle(), &p);
        XorMouseMove(XorFormOf(FForm), p.x, p.y);
    }
}

// --- system commands ---

void TsSkinProvider::SysCommandHandler(TMessage& Message) {
    HWND wnd = FForm->Handle();
    const WPARAM command = Message.WParam & 0xFFF0;
    TFormStyle style = FForm->FormStyle();
    if (style == fsMDIForm || style == fsMDIChild) {
        CallOld(Message);
        return;
    }
    const bool mainForm = Application && Application->MainForm() == FForm;
    CallOld(Message);
    // After a close the form (and this provider) may be gone: nothing below touches them for it.
    switch (command) {
        case SC_MINIMIZE:
            if (TBitmap* cache = Cache()) {
                cache->SetSize(0, 0);
                FlagDirty();
            }
            if (mainForm)
                Application->Minimize();
            break;
        case SC_MAXIMIZE:
        case SC_RESTORE: {
            // The mouse may still be on the maximize button, which has moved with the caption.
            POINT p;
            GetCursorPos(&p);
            SetHotButton(MaxVisible() && HitTest(p.x, p.y) == HTMAXBUTTON ? HTMAXBUTTON : 0);
            if (command == SC_RESTORE) {
                if (!HaveBorder()) {
                    FlagDirty();
                    FGlyphFlags[0] = true;
                    SetWindowRgn(wnd, nullptr, TRUE);
                } else if (!mainForm) {
                    FlagDirty();
                    RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
                }
            }
            break;
        }
        case SC_KEYMENU:
            // Alt+Space: the key comes in LParam.
            if (LOWORD(Message.LParam) == ' ' && CloseVisible() && HaveBorder())
                ShowSystemMenuUnderIcon();
            break;
        default:
            break;
    }
}

// --- frame locking ---

void TsSkinProvider::LockFrame(bool Value) {
    if (!FForm || !FForm->HandleAllocated())
        return;
    FSkinData->BeginUpdate();
    SendMessageA(FForm->Handle(), WM_SETREDRAW, 0, 0);
    FLockedParent = nullptr;
    if (Value && FForm->FormStyle() == fsMDIChild)
        if (HWND client = GetParent(FForm->Handle()))
            if (HWND frame = GetParent(client)) {
                auto* parent = dynamic_cast<TsSkinProvider*>(
                    reinterpret_cast<TObject*>(SendSkinCmdToHandle(frame, scGetProvider, 0)));
                if (parent && parent->FForm && parent->FForm->HandleAllocated()) {
                    parent->FSkinData->BeginUpdate();
                    SendMessageA(frame, WM_SETREDRAW, 0, 0);
                    FLockedParent = parent;
                }
            }
}

void TsSkinProvider::UnlockFrame() {
    if (!FForm || !FForm->HandleAllocated())
        return;
    if (TsSkinProvider* parent = FLockedParent) {
        FLockedParent = nullptr;
        if (parent->FForm && parent->FForm->HandleAllocated()) {
            SendMessageA(parent->FForm->Handle(), WM_SETREDRAW, 1, 0);
            parent->FSkinData->EndUpdate();
        }
    }
    SendMessageA(FForm->Handle(), WM_SETREDRAW, 1, 0);
    FSkinData->EndUpdate();
}

// --- the dispatch ---

void TsSkinProvider::WindowPosChangingHandler(TMessage& Message) {
    // The system's notifications of a region change are not a move.
    if (FRegionPending) {
        Message.Result = 0;
        return;
    }
    HWND wnd = FForm->Handle();
    if (FScreenSnap && !IsIconic(wnd))
        SnapWindowPos(wnd, *reinterpret_cast<WINDOWPOS*>(Message.LParam), FSnapBuffer);
    CallOld(Message);
}

bool TsSkinProvider::InputMessage(TMessage& Message) {
    switch (Message.Msg) {
        case WM_NCHITTEST:
            HitTestHandler(Message);
            return true;
        case WM_NCLBUTTONDOWN:
            NCLButtonDown(Message);
            return true;
        case WM_NCLBUTTONDBLCLK:
            NCLButtonDblClk(Message);
            return true;
        case WM_NCLBUTTONUP:
        case WM_LBUTTONUP:
            NCLButtonUp(Message);
            return true;
        case WM_NCRBUTTONDOWN:
            // The system's menu never comes up on the skinned caption.
            if (Message.WParam == HTCAPTION || Message.WParam == HTSYSMENU)
                Message.Result = 0;
            else
                CallOld(Message);
            return true;
        case WM_NCRBUTTONUP:
            NCRButtonUp(Message);
            return true;
        case WM_SYSCOMMAND:
            SysCommandHandler(Message);
            return true;
        case WM_INITMENUPOPUP:
            if (TsSkinManager* manager = FSkinData->SkinManager())
                if (auto* painter = dynamic_cast<TsSkinableMenus*>(manager->SkinableMenus()))
                    painter->SystemMenuPopup = HIWORD(Message.LParam) != 0;
            CallOld(Message);
            return true;
        case WM_MOUSEMOVE:
            MouseMoveHandler(Message);
            return true;
        case WM_WINDOWPOSCHANGING:
            WindowPosChangingHandler(Message);
            return true;
        case kNCMouseLeave:
        case kMouseLeave:
        case CM_MOUSELEAVE:
            LeaveCaption();
            CallOld(Message);
            return true;
        default:
            return false;
    }
}
