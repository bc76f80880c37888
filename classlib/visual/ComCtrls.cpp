#include "ComCtrls.h"

#include "classlib/runtime/FormResources.h"
#include "StdCtrls.h"

#include <algorithm>
#include <vector>

namespace {

// Asks the toolbar to make its buttons anew once it is out of its own notification.
constexpr UINT CM_REBUILDBUTTONS = CM_BASE + 0x201;

bool IsMouseMessage(UINT Msg) { return Msg >= WM_MOUSEFIRST && Msg <= WM_MOUSELAST && Msg != WM_MOUSEWHEEL; }

// Keeps a toolbar's notification depth for the time of one notification, whatever happens in it.
class TDepthScope {
public:
    explicit TDepthScope(int& Depth) : FDepth(Depth) { ++FDepth; }
    ~TDepthScope() { --FDepth; }
    TDepthScope(const TDepthScope&) = delete;
    TDepthScope& operator=(const TDepthScope&) = delete;

private:
    int& FDepth;
};

// Points a canvas at a device context for the time of a custom-draw event.
class TCanvasHandleScope {
public:
    TCanvasHandleScope(TCanvas* Canvas, HDC DC) : FCanvas(Canvas) { FCanvas->SetHandle(DC); }
    ~TCanvasHandleScope() { FCanvas->SetHandle(nullptr); }
    TCanvasHandleScope(const TCanvasHandleScope&) = delete;
    TCanvasHandleScope& operator=(const TCanvasHandleScope&) = delete;

private:
    TCanvas* FCanvas;
};

}  // namespace

// --- custom drawing ---

TCustomDrawStage CustomDrawStageOf(DWORD DrawStage) {
    switch (DrawStage & ~static_cast<DWORD>(CDDS_ITEM | CDDS_SUBITEM)) {
    case CDDS_POSTPAINT:
        return cdPostPaint;
    case CDDS_PREERASE:
        return cdPreErase;
    case CDDS_POSTERASE:
        return cdPostErase;
    default:
        return cdPrePaint;
    }
}

TCustomDrawState CustomDrawStateOf(UINT ItemState) {
    // The states stand in the order of their CDIS_ bits.
    return TCustomDrawState::FromBits(ItemState & 0x1FF);
}

// --- TToolButton ---

TToolButton::TToolButton(TComponent* AOwner) : TGraphicControl(AOwner) {
    // The toolbar window presses, captures and clicks; the button object only passes the mouse on to its events.
    FControlStyle = {csSetCaption, csDoubleClicks};
    SetBoundsFields(0, 0, 23, 22);
}

TToolButton::~TToolButton() = default;

TToolBar* TToolButton::ToolBar() const { return dynamic_cast<TToolBar*>(Parent()); }

int TToolButton::Index() const {
    TToolBar* bar = ToolBar();
    return bar ? bar->IndexOfItem(this) : -1;
}

void TToolButton::Changed(bool layout) {
    TToolBar* bar = ToolBar();
    if (!bar)
        return;
    if (layout)
        bar->RebuildButtons();
    else
        bar->UpdateButtonState(this);
}

void TToolButton::SetStyle(TToolButtonStyle Value) {
    if (Value == FStyle)
        return;
    bool wasSeparator = IsSeparator();
    FStyle = Value;
    // A separator keeps its own width; a button gets the bar's.
    if (IsSeparator() && !wasSeparator && !Loading())
        SetBoundsFields(FLeft, FTop, 8, FHeight);
    Changed(true);
}

void TToolButton::SetDown(bool Value) {
    if (Value == FDown)
        return;
    FDown = Value;
    TToolBar* bar = ToolBar();
    if (Value && bar)
        bar->UpdateGroup(this);
    Changed(false);
}

void TToolButton::SetGrouped(bool Value) {
    if (Value == FGrouped)
        return;
    FGrouped = Value;
    if (TToolBar* bar = ToolBar(); bar && FDown)
        bar->UpdateGroup(this);
}

void TToolButton::SetMarked(bool Value) {
    if (Value == FMarked)
        return;
    FMarked = Value;
    Changed(false);
}

void TToolButton::SetIndeterminate(bool Value) {
    if (Value == FIndeterminate)
        return;
    FIndeterminate = Value;
    Changed(false);
}

void TToolButton::SetAutoSize(bool Value) {
    if (Value == FAutoSize)
        return;
    FAutoSize = Value;
    Changed(true);
}

void TToolButton::SetImageIndex(int Value) {
    if (Value < -1)
        Value = -1;
    if (Value == FImageIndex)
        return;
    FImageIndex = Value;
    TToolBar* bar = ToolBar();
    if (!bar || !bar->HandleAllocated())
        return;
    int index = Index();
    if (index >= 0 && !IsSeparator()) {
        SendMessageW(bar->Handle(), TB_CHANGEBITMAP, static_cast<WPARAM>(index),
                     static_cast<LPARAM>(bar->NativeImage(this)));
        Invalidate();
    }
}

void TToolButton::SetDropdownMenu(TPopupMenu* Value) {
    if (Value == FDropdownMenu)
        return;
    if (FDropdownMenu)
        RemoveFreeNotification(reinterpret_cast<TComponent*>(FDropdownMenu));
    FDropdownMenu = Value;
    if (Value)
        FreeNotification(reinterpret_cast<TComponent*>(Value));
}

void TToolButton::Notification(TComponent* AComponent, TOperation Operation) {
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == reinterpret_cast<TComponent*>(FDropdownMenu))
        FDropdownMenu = nullptr;
}

void TToolButton::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TToolBar* bar = ToolBar();
    if (!bar || bar->FPlacing || Loading()) {
        TGraphicControl::SetBounds(ALeft, ATop, AWidth, AHeight);
        return;
    }
    if (IsSeparator() && AWidth != FWidth && AWidth >= 0) {
        SetBoundsFields(FLeft, FTop, AWidth, FHeight);
        bar->RebuildButtons();
    }
}

void TToolButton::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_TEXTCHANGED:
        Changed(true);
        break;
    case CM_ENABLEDCHANGED:
        TGraphicControl::Dispatch(Message);
        Changed(false);
        break;
    default:
        TGraphicControl::Dispatch(Message);
    }
}

// --- TToolBar ---

TToolBar::TToolBar(TComponent* AOwner) : TWinControl(AOwner), FCanvas(std::make_unique<TControlCanvas>(this)) {
    FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csDoubleClicks, csSetCaption};
    SetBoundsFields(0, 0, 150, 29);
    FAlign = alTop;
    FImagesLink.OnChange = [this](TObject*) { RebuildButtons(); };
    FHotImagesLink.OnChange = [this](TObject*) { RebuildButtons(); };
    FDisabledImagesLink.OnChange = [this](TObject*) { RebuildButtons(); };
}

TToolBar::~TToolBar() {
    Destroying_();
    // The items go with the window control part of us; they must not find a bar that is half gone.
    FItems.clear();
}

TControl* TToolBar::Items(int Index) const {
    if (Index < 0 || Index >= ButtonCount())
        throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
    return FItems[static_cast<size_t>(Index)];
}

TToolButton* TToolBar::Buttons(int Index) const { return dynamic_cast<TToolButton*>(Items(Index)); }

int TToolBar::IndexOfItem(const TControl* Item) const {
    auto it = std::find(FItems.begin(), FItems.end(), Item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TToolBar::SetFlat(bool Value) {
    if (Value == FFlat)
        return;
    FFlat = Value;
    RecreateWnd();
}

void TToolBar::SetList(bool Value) {
    if (Value == FList)
        return;
    FList = Value;
    RecreateWnd();
}

void TToolBar::SetShowCaptions(bool Value) {
    if (Value == FShowCaptions)
        return;
    FShowCaptions = Value;
    RebuildButtons();
}

void TToolBar::SetButtonWidth(int Value) {
    if (Value < 0)
        throw EInvalidArgument("A toolbar button cannot be " + IntToStr(Value) + " pixels wide");
    if (Value == FButtonWidth)
        return;
    FButtonWidth = Value;
    RebuildButtons();
}

void TToolBar::SetButtonHeight(int Value) {
    if (Value < 0)
        throw EInvalidArgument("A toolbar button cannot be " + IntToStr(Value) + " pixels high");
    if (Value == FButtonHeight)
        return;
    FButtonHeight = Value;
    RebuildButtons();
}

void TToolBar::SetImageList(TCustomImageList*& Slot, TChangeLink& Link, TCustomImageList* Value) {
    if (Value == Slot)
        return;
    TCustomImageList* old = Slot;
    if (old)
        old->UnRegisterChanges(&Link);
    Slot = Value;
    if (old && old != FImages && old != FHotImages && old != FDisabledImages)
        RemoveFreeNotification(old);
    if (Value) {
        Value->RegisterChanges(&Link);
        FreeNotification(Value);
    }
    RebuildButtons();
}

void TToolBar::SetImages(TCustomImageList* Value) { SetImageList(FImages, FImagesLink, Value); }
void TToolBar::SetHotImages(TCustomImageList* Value) { SetImageList(FHotImages, FHotImagesLink, Value); }
void TToolBar::SetDisabledImages(TCustomImageList* Value) {
    SetImageList(FDisabledImages, FDisabledImagesLink, Value);
}

void TToolBar::Notification(TComponent* AComponent, TOperation Operation) {
    TWinControl::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    // The list is going: its links were cut already, only our references remain.
    bool changed = false;
    for (TCustomImageList** slot : {&FImages, &FHotImages, &FDisabledImages})
        if (*slot == AComponent) {
            *slot = nullptr;
            changed = true;
        }
    if (changed && !Destroying())
        RebuildButtons();
}

void TToolBar::CreateParams(TCreateParams& Params) {
    InitCommonControl(ICC_BAR_CLASSES);
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, TOOLBARCLASSNAMEA);
    // The class library places the bar and its items; the toolbar window only lays out its buttons.
    Params.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
    if (FFlat)
        Params.Style |= TBSTYLE_FLAT;
    if (FList)
        Params.Style |= TBSTYLE_LIST;
}

void TToolBar::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageW(FHandle, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(FHandle, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont->Handle()), 0);
    RebuildButtons();
}

void TToolBar::Loaded() {
    // Read items stand in the order of their places in the description (the bar is one row), whatever the
    // order they were read in; items without places keep the order of reading.
    std::stable_sort(FItems.begin(), FItems.end(), [](TControl* a, TControl* b) { return a->Left() < b->Left(); });
    TWinControl::Loaded();
    RebuildButtons();
}

void TToolBar::InsertItem(TControl* Item) {
    if (IndexOfItem(Item) >= 0)
        return;
    auto pos = FItems.end();
    // A control put on the bar at run time goes where its Left says: in front of the first item at or beyond it.
    if (!Loading() && !Item->Loading())
        pos = std::find_if(FItems.begin(), FItems.end(), [&](TControl* c) { return c->Left() >= Item->Left(); });
    FItems.insert(pos, Item);
    if (auto* button = dynamic_cast<TToolButton*>(Item); button && button->FDown)
        UpdateGroup(button);
    RebuildButtons();
}

void TToolBar::RemoveItem(TControl* Item) {
    int index = IndexOfItem(Item);
    if (index < 0)
        return;
    FItems.erase(FItems.begin() + index);
    if (!Destroying())
        RebuildButtons();
}

BYTE TToolBar::NativeState(TToolButton* Button) const {
    BYTE state = 0;
    if (Button->Enabled() && FEnabled)
        state |= TBSTATE_ENABLED;
    if (Button->FDown)
        state |= Button->FStyle == tbsCheck ? TBSTATE_CHECKED : TBSTATE_PRESSED;
    if (Button->FMarked)
        state |= TBSTATE_MARKED;
    if (Button->FIndeterminate)
        state |= TBSTATE_INDETERMINATE;
    if (!Button->Visible())
        state |= TBSTATE_HIDDEN;
    return state;
}

int TToolBar::NativeImage(TToolButton* Button) const {
    return FImages && Button->FImageIndex >= 0 ? Button->FImageIndex : I_IMAGENONE;
}

void TToolBar::ApplyImages() {
    auto handle = [](TCustomImageList* list) { return list ? reinterpret_cast<LPARAM>(list->Handle()) : 0; };
    SendMessageW(FHandle, TB_SETIMAGELIST, 0, handle(FImages));
    SendMessageW(FHandle, TB_SETHOTIMAGELIST, 0, handle(FHotImages));
    SendMessageW(FHandle, TB_SETDISABLEDIMAGELIST, 0, handle(FDisabledImages));
    int width = FImages ? FImages->Width() : 0;
    int height = FImages ? FImages->Height() : 0;
    SendMessageW(FHandle, TB_SETBITMAPSIZE, 0, MAKELPARAM(width, height));
}

void TToolBar::RebuildButtons() {
    if (!FHandle || Destroying())
        return;
    if (FNotifyDepth > 0) {
        if (!FRebuildPosted && PostMessageW(FHandle, CM_REBUILDBUTTONS, 0, 0))
            FRebuildPosted = true;
        return;
    }
    SendMessageW(FHandle, WM_SETREDRAW, FALSE, 0);
    for (int n = static_cast<int>(SendMessageW(FHandle, TB_BUTTONCOUNT, 0, 0)); n > 0; --n)
        SendMessageW(FHandle, TB_DELETEBUTTON, static_cast<WPARAM>(n - 1), 0);
    SendMessageW(FHandle, TB_SETMAXTEXTROWS, FShowCaptions ? 1 : 0, 0);
    ApplyImages();
    std::vector<std::wstring> captions(FItems.size());
    std::vector<TBBUTTON> buttons(FItems.size());
    for (size_t i = 0; i < FItems.size(); ++i) {
        TControl* item = FItems[i];
        TBBUTTON& b = buttons[i];
        // The command is the place on the bar, so a notification's item is an index into Buttons as well.
        b.idCommand = static_cast<int>(i);
        b.dwData = reinterpret_cast<DWORD_PTR>(item);
        b.iString = -1;
        auto* button = dynamic_cast<TToolButton*>(item);
        if (!button || button->IsSeparator()) {
            // A separator, or the gap another control stands in, as wide as it is.
            b.fsStyle = BTNS_SEP;
            b.iBitmap = std::max(item->Width(), 0);
            b.fsState = TBSTATE_ENABLED | (item->Visible() ? 0 : TBSTATE_HIDDEN);
            continue;
        }
        static const BYTE styles[] = {BTNS_BUTTON, BTNS_CHECK, BTNS_DROPDOWN, BTNS_SEP, BTNS_SEP};
        b.fsStyle = styles[button->FStyle] | (button->FAutoSize ? BTNS_AUTOSIZE : 0);
        b.fsState = NativeState(button);
        b.iBitmap = NativeImage(button);
        if (FShowCaptions && !button->Caption().empty()) {
            captions[i] = AnsiToWide(button->Caption());
            b.iString = reinterpret_cast<INT_PTR>(captions[i].c_str());
        }
    }
    if (!buttons.empty() &&
        !SendMessageW(FHandle, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()))) {
        SendMessageW(FHandle, WM_SETREDRAW, TRUE, 0);
        RaiseLastOSError(("TB_ADDBUTTONS (" + Name() + ")").c_str());
    }
    // Last: the toolbar window measures its buttons anew for most changes, forgetting the size they were given.
    SendMessageW(FHandle, TB_SETBUTTONSIZE, 0, MAKELPARAM(FButtonWidth, FButtonHeight));
    SendMessageW(FHandle, TB_AUTOSIZE, 0, 0);
    SendMessageW(FHandle, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(FHandle, nullptr, TRUE);
    PlaceItems();
}

void TToolBar::PlaceItems() {
    if (!FHandle || FPlacing)
        return;
    FPlacing = true;
    int bottom = 0, margin = -1;
    try {
        for (size_t i = 0; i < FItems.size(); ++i) {
            TControl* item = FItems[i];
            RECT r{};
            if (!item->Visible() || !SendMessageW(FHandle, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r)))
                continue;
            if (margin < 0)
                margin = r.top;
            bottom = std::max(bottom, static_cast<int>(r.bottom));
            if (dynamic_cast<TToolButton*>(item)) {
                item->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
            } else {
                // Another control stands in its gap, centred on the row when it is lower.
                int top = r.top + std::max(0, static_cast<int>(r.bottom - r.top) - item->Height()) / 2;
                item->SetBounds(r.left, top, item->Width(), item->Height());
                bottom = std::max(bottom, top + item->Height());
            }
        }
    } catch (...) {
        FPlacing = false;
        throw;
    }
    FPlacing = false;
    if ((FAlign == alTop || FAlign == alBottom) && margin >= 0) {
        int height = bottom + margin + (Height() - ClientHeight());
        if (height != Height())
            SetHeight(height);
    }
}

void TToolBar::AlignControls(TControl* AControl, TRect& Rect) {
    (void)AControl, (void)Rect;
    if (!FHandle || FPlacing)
        return;
    // A gap must follow the width of its control, and a hidden item must leave the row.
    bool rebuild = static_cast<int>(SendMessageW(FHandle, TB_BUTTONCOUNT, 0, 0)) != ButtonCount();
    for (size_t i = 0; i < FItems.size() && !rebuild; ++i) {
        TControl* item = FItems[i];
        LRESULT state = SendMessageW(FHandle, TB_GETSTATE, i, 0);
        if (state == -1 || ((state & TBSTATE_HIDDEN) != 0) == item->Visible()) {
            rebuild = true;
            break;
        }
        auto* button = dynamic_cast<TToolButton*>(item);
        RECT r{};
        if (item->Visible() && (!button || button->IsSeparator()) &&
            SendMessageW(FHandle, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r)) && r.right - r.left != item->Width())
            rebuild = true;
    }
    if (rebuild)
        RebuildButtons();
    else
        PlaceItems();
}

void TToolBar::UpdateButtonState(TToolButton* Button) {
    int index = IndexOfItem(Button);
    if (!FHandle || index < 0 || Button->IsSeparator())
        return;
    SendMessageW(FHandle, TB_SETSTATE, static_cast<WPARAM>(index), MAKELPARAM(NativeState(Button), 0));
}

void TToolBar::UpdateGroup(TToolButton* Button) {
    if (!Button->FGrouped || Button->FStyle != tbsCheck || !Button->FDown)
        return;
    int index = IndexOfItem(Button);
    if (index < 0)
        return;
    auto grouped = [&](int i) {
        auto* b = dynamic_cast<TToolButton*>(FItems[static_cast<size_t>(i)]);
        return b && b->FGrouped && b->FStyle == tbsCheck ? b : nullptr;
    };
    int first = index, last = index;
    while (first > 0 && grouped(first - 1))
        --first;
    while (last + 1 < ButtonCount() && grouped(last + 1))
        ++last;
    for (int i = first; i <= last; ++i)
        if (TToolButton* other = grouped(i); other != Button && other->FDown) {
            other->FDown = false;
            UpdateButtonState(other);
        }
}

void TToolBar::ButtonClicked(int Index) {
    if (Index < 0 || Index >= ButtonCount())
        return;
    TToolButton* button = Buttons(Index);
    if (!button)
        return;
    if (button->FStyle == tbsCheck) {
        // The toolbar window has toggled the check already.
        bool checked = SendMessageW(FHandle, TB_ISBUTTONCHECKED, static_cast<WPARAM>(Index), 0) != 0;
        if (!checked && button->FGrouped && !button->FAllowAllUp) {
            checked = true;
            SendMessageW(FHandle, TB_CHECKBUTTON, static_cast<WPARAM>(Index), TRUE);
        }
        button->FDown = checked;
        UpdateGroup(button);
    }
    button->Click();
}

void TToolBar::DropDown(int Index) {
    if (Index < 0 || Index >= ButtonCount())
        return;
    TToolButton* button = Buttons(Index);
    if (!button || !button->FDropdownMenu)
        return;
    RECT r{};
    SendMessageW(FHandle, TB_GETITEMRECT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&r));
    POINT p{r.left, r.bottom};
    ::ClientToScreen(FHandle, &p);
    button->FDropdownMenu->SetPopupComponent(button);
    try {
        button->FDropdownMenu->Popup(p.x, p.y);
    } catch (...) {
        PostMessageW(FHandle, CN_DROPDOWNCLOSED, static_cast<WPARAM>(Index), 0);
        throw;
    }
    PostMessageW(FHandle, CN_DROPDOWNCLOSED, static_cast<WPARAM>(Index), 0);
}

LRESULT TToolBar::CustomDraw(NMTBCUSTOMDRAW* Draw) {
    NMCUSTOMDRAW& cd = Draw->nmcd;
    if (!OnAdvancedCustomDraw && !OnAdvancedCustomDrawButton)
        return CDRF_DODEFAULT;
    TCustomDrawStage stage = CustomDrawStageOf(cd.dwDrawStage);
    TCanvasHandleScope canvas(FCanvas.get(), cd.hdc);
    FCanvas->Font()->Assign(FFont.get());
    bool defaultDraw = true;
    LRESULT result = CDRF_DODEFAULT;
    if (!(cd.dwDrawStage & CDDS_ITEM)) {
        if (OnAdvancedCustomDraw)
            OnAdvancedCustomDraw(this, TRect(cd.rc), stage, defaultDraw);
        if (cd.dwDrawStage == CDDS_PREPAINT) {
            // The buttons are drawn after the bar, so a handler that paints the bar still gets each button.
            if (OnAdvancedCustomDrawButton)
                result |= CDRF_NOTIFYITEMDRAW;
            else if (!defaultDraw)
                result |= CDRF_SKIPDEFAULT;
            if (OnAdvancedCustomDraw)
                result |= CDRF_NOTIFYPOSTPAINT;
        } else if (cd.dwDrawStage == CDDS_PREERASE) {
            if (!defaultDraw)
                result |= CDRF_SKIPDEFAULT;
            if (OnAdvancedCustomDraw)
                result |= CDRF_NOTIFYPOSTERASE;
        }
        return result;
    }
    int index = static_cast<int>(cd.dwItemSpec);
    TToolButton* button = index >= 0 && index < ButtonCount() ? Buttons(index) : nullptr;
    if (!OnAdvancedCustomDrawButton || !button)
        return CDRF_DODEFAULT;
    TTBCustomDrawFlags flags;
    OnAdvancedCustomDrawButton(this, button, CustomDrawStateOf(cd.uItemState), stage, flags, defaultDraw);
    if (cd.dwDrawStage != CDDS_ITEMPREPAINT)
        return CDRF_DODEFAULT;
    result = CDRF_NOTIFYPOSTPAINT;
    if (!defaultDraw)
        result |= CDRF_SKIPDEFAULT;
    static const std::pair<TTBCustomDrawFlag, LRESULT> map[] = {{tbNoEdges, TBCDRF_NOEDGES},
                                                                 {tbHiliteHotTrack, TBCDRF_HILITEHOTTRACK},
                                                                 {tbNoOffset, TBCDRF_NOOFFSET},
                                                                 {tbNoMark, TBCDRF_NOMARK},
                                                                 {tbNoEtchedEffect, TBCDRF_NOETCHEDEFFECT}};
    for (auto& [flag, bit] : map)
        if (flags.Contains(flag))
            result |= bit;
    return result;
}

void TToolBar::WndProc(TMessage& Message) {
    if (FHandle && IsMouseMessage(Message.Msg)) {
        // Over a tool button the toolbar window presses and clicks it, and the button's own events follow.
        POINT p{static_cast<short>(LOWORD(Message.LParam)), static_cast<short>(HIWORD(Message.LParam))};
        TControl* target = GetCaptureControl();
        if (!target || target->Parent() != this || GetCapture() != FHandle)
            target = ControlAtPos(p, false);
        if (dynamic_cast<TToolButton*>(target)) {
            TMessage native = Message;
            DefaultHandler(native);
            TWinControl::WndProc(Message);
            Message.Result = native.Result;
            return;
        }
    }
    TWinControl::WndProc(Message);
}

void TToolBar::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_CONTROLCHANGE: {
        auto* item = reinterpret_cast<TControl*>(Message.WParam);
        if (Message.LParam)
            InsertItem(item);
        else
            RemoveItem(item);
        TWinControl::Dispatch(Message);
        break;
    }
    case CN_COMMAND: {
        TDepthScope depth(FNotifyDepth);
        ButtonClicked(LOWORD(Message.WParam));
        Message.Result = 0;
        break;
    }
    case CN_NOTIFY: {
        TDepthScope depth(FNotifyDepth);
        NMHDR* header = TWMNotify(Message).NMHdr();
        switch (header->code) {
        case NM_CUSTOMDRAW:
            Message.Result = CustomDraw(reinterpret_cast<NMTBCUSTOMDRAW*>(header));
            break;
        case TBN_DROPDOWN:
            DropDown(reinterpret_cast<NMTOOLBARW*>(header)->iItem);
            Message.Result = TBDDRET_DEFAULT;
            break;
        default:
            TWinControl::Dispatch(Message);
        }
        break;
    }
    case CM_REBUILDBUTTONS:
        FRebuildPosted = false;
        RebuildButtons();
        break;
    case CN_DROPDOWNCLOSED:
        break;
    case CM_ENABLEDCHANGED:
        TWinControl::Dispatch(Message);
        // A disabled bar shows all its buttons disabled.
        for (TControl* c : FItems)
            if (auto* button = dynamic_cast<TToolButton*>(c))
                UpdateButtonState(button);
        break;
    case WM_SETFONT:
        // The toolbar window measures its buttons anew for a font, forgetting the size they were given.
        TWinControl::Dispatch(Message);
        RebuildButtons();
        break;
    case WM_PAINT: {
        if (Message.WParam) {
            DefaultHandler(Message);
            PaintControls(reinterpret_cast<HDC>(Message.WParam), nullptr);
            break;
        }
        // The toolbar window paints itself; hosted windowless controls are drawn over it in what it painted.
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        if (region && GetUpdateRgn(FHandle, region, FALSE) == NULLREGION) {
            DeleteObject(region);
            region = nullptr;
        }
        DefaultHandler(Message);
        if (region) {
            HDC dc = GetDC(FHandle);
            SelectClipRgn(dc, region);
            try {
                PaintControls(dc, nullptr);
            } catch (...) {
                ReleaseDC(FHandle, dc);
                DeleteObject(region);
                throw;
            }
            ReleaseDC(FHandle, dc);
            DeleteObject(region);
        }
        break;
    }
    case WM_ERASEBKGND:
        // Our colour first; the toolbar window then erases as it likes (and tells its custom-draw handlers).
        TWinControl::Dispatch(Message);
        DefaultHandler(Message);
        Message.Result = 1;
        break;
    default:
        TWinControl::Dispatch(Message);
    }
}

// --- TStatusPanel ---

void TStatusPanel::SetText(const std::string& Value) {
    if (Value == FText)
        return;
    FText = Value;
    Changed(false);
}

void TStatusPanel::SetWidth(int Value) {
    if (Value < 0)
        throw EInvalidArgument("A status panel cannot be " + IntToStr(Value) + " pixels wide");
    if (Value == FWidth)
        return;
    FWidth = Value;
    Changed(true);
}

void TStatusPanel::Assign(TPersistent* Source) {
    if (auto* panel = dynamic_cast<TStatusPanel*>(Source)) {
        FText = panel->FText;
        FWidth = panel->FWidth;
        Changed(true);
        return;
    }
    TCollectionItem::Assign(Source);
}

std::string TStatusPanel::DisplayName() const { return FText.empty() ? TCollectionItem::DisplayName() : FText; }

TStatusPanels::TStatusPanels(TStatusBar* AOwner)
    : TOwnedCollection(AOwner, CollectionItemClassOf<TStatusPanel>()), FStatusBar(AOwner) {
    SetPropName("Panels");
}

void TStatusPanels::Update(TCollectionItem* Item) {
    (void)Item;
    FStatusBar->UpdatePanels();
}

// --- TStatusBar ---

TStatusBar::TStatusBar(TComponent* AOwner)
    : TWinControl(AOwner), FPanels(std::make_unique<TStatusPanels>(this)) {
    FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csDoubleClicks, csOpaque};
    SetBoundsFields(0, 0, 185, 19);
    FAlign = alBottom;
}

TStatusBar::~TStatusBar() = default;

void TStatusBar::CreateParams(TCreateParams& Params) {
    InitCommonControl(ICC_BAR_CLASSES);
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, STATUSCLASSNAMEA);
    // The class library places the bar; the status window would otherwise move itself to its parent's bottom.
    Params.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE;
    if (FSizeGrip)
        Params.Style |= SBARS_SIZEGRIP;
}

void TStatusBar::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageW(FHandle, SB_SIMPLE, FSimplePanel, 0);
    UpdatePanels();
}

void TStatusBar::UpdatePanels() {
    if (!FHandle)
        return;
    // The parts end where their widths add up to; the last reaches the right edge.
    int count = std::max(FPanels->Count(), 1);
    std::vector<int> rights(static_cast<size_t>(count), -1);
    int x = 0;
    for (int i = 0; i + 1 < FPanels->Count(); ++i) {
        x += FPanels->Items(i)->Width();
        rights[static_cast<size_t>(i)] = x;
    }
    if (!SendMessageW(FHandle, SB_SETPARTS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(rights.data())))
        RaiseLastOSError(("SB_SETPARTS (" + Name() + ")").c_str());
    for (int i = 0; i < count; ++i) {
        // Without panels the one part shows the simple text.
        std::wstring text = AnsiToWide(FPanels->Count() ? FPanels->Items(i)->Text() : FSimpleText);
        SendMessageW(FHandle, SB_SETTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.c_str()));
    }
    UpdateSimpleText();
}

void TStatusBar::UpdateSimpleText() {
    if (!FHandle)
        return;
    std::wstring text = AnsiToWide(FSimpleText);
    SendMessageW(FHandle, SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(text.c_str()));
}

void TStatusBar::SetSimplePanel(bool Value) {
    if (Value == FSimplePanel)
        return;
    FSimplePanel = Value;
    if (FHandle) {
        SendMessageW(FHandle, SB_SIMPLE, Value, 0);
        UpdatePanels();
    }
}

void TStatusBar::SetSimpleText(const std::string& Value) {
    if (Value == FSimpleText)
        return;
    FSimpleText = Value;
    if (FPanels->Count() == 0)
        UpdatePanels();
    else
        UpdateSimpleText();
}

void TStatusBar::SetSizeGrip(bool Value) {
    if (Value == FSizeGrip)
        return;
    FSizeGrip = Value;
    RecreateWnd();
}

void TStatusBar::Dispatch(TMessage& Message) {
    if (Message.Msg == WM_ERASEBKGND) {
        // The status window draws its own face.
        DefaultHandler(Message);
        return;
    }
    TWinControl::Dispatch(Message);
}

// --- TTabStrings ---

TTabStrings::TTabStrings(TCustomTabControl* Control) : FControl(Control), FSaved(std::make_unique<TStringList>()) {}

HWND TTabStrings::Window() const { return FControl->HandleAllocated() ? FControl->Handle() : nullptr; }

void TTabStrings::CheckIndex(int Index, int Count) const {
    if (Index < 0 || Index >= Count)
        Error("List index out of bounds (%d)", Index);
}

int TTabStrings::GetCount() const {
    HWND w = Window();
    return w ? static_cast<int>(SendMessageW(w, TCM_GETITEMCOUNT, 0, 0)) : FSaved->Count();
}

std::string TTabStrings::Get(int Index) const {
    HWND w = Window();
    if (!w)
        return FSaved->Strings(Index);
    CheckIndex(Index, GetCount());
    // Tab texts have no length query; one that fills the buffer is read again with a larger one.
    for (size_t size = 256;; size *= 4) {
        std::wstring text(size, L'\0');
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(size);
        if (!SendMessageW(w, TCM_GETITEMW, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&item)))
            Error("List index out of bounds (%d)", Index);
        // The control may hand back its own buffer instead of filling ours.
        std::wstring got = item.pszText ? std::wstring(item.pszText) : std::wstring();
        if (got.size() + 1 < size || size > 65536)
            return WideToAnsi(got);
    }
}

void TTabStrings::Put(int Index, const std::string& S) {
    HWND w = Window();
    if (!w) {
        FSaved->SetStrings(Index, S);
        return;
    }
    CheckIndex(Index, GetCount());
    std::wstring text = AnsiToWide(S);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text.data();
    if (!SendMessageW(w, TCM_SETITEMW, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&item)))
        RaiseLastOSError("TCM_SETITEM");
    FControl->UpdateTabImages();
}

TObject* TTabStrings::GetObject(int Index) const {
    HWND w = Window();
    if (!w)
        return FSaved->Objects(Index);
    CheckIndex(Index, GetCount());
    TCITEMW item{};
    item.mask = TCIF_PARAM;
    SendMessageW(w, TCM_GETITEMW, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&item));
    return reinterpret_cast<TObject*>(item.lParam);
}

void TTabStrings::PutObject(int Index, TObject* AObject) {
    HWND w = Window();
    if (!w) {
        FSaved->SetObjects(Index, AObject);
        return;
    }
    CheckIndex(Index, GetCount());
    TCITEMW item{};
    item.mask = TCIF_PARAM;
    item.lParam = reinterpret_cast<LPARAM>(AObject);
    SendMessageW(w, TCM_SETITEMW, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&item));
}

void TTabStrings::Insert(int Index, const std::string& S) {
    HWND w = Window();
    if (!w) {
        FSaved->Insert(Index, S);
        return;
    }
    if (Index < 0 || Index > GetCount())
        Error("List index out of bounds (%d)", Index);
    std::wstring text = AnsiToWide(S);
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_IMAGE;
    item.pszText = text.data();
    item.iImage = -1;
    if (SendMessageW(w, TCM_INSERTITEMW, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&item)) < 0)
        RaiseLastOSError(("TCM_INSERTITEM (" + FControl->Name() + ")").c_str());
    FControl->UpdateTabImages();
}

void TTabStrings::Delete(int Index) {
    HWND w = Window();
    if (!w) {
        FSaved->Delete(Index);
        return;
    }
    CheckIndex(Index, GetCount());
    SendMessageW(w, TCM_DELETEITEM, static_cast<WPARAM>(Index), 0);
    FControl->UpdateTabImages();
}

void TTabStrings::Clear() {
    if (HWND w = Window())
        SendMessageW(w, TCM_DELETEALLITEMS, 0, 0);
    else
        FSaved->Clear();
}

void TTabStrings::SetUpdateState(bool Updating) {
    if (HWND w = Window()) {
        SendMessageW(w, WM_SETREDRAW, !Updating, 0);
        if (!Updating)
            InvalidateRect(w, nullptr, TRUE);
    }
}

// --- TCustomTabControl ---

TCustomTabControl::TCustomTabControl(TComponent* AOwner)
    : TWinControl(AOwner), FTabs(std::make_unique<TTabStrings>(this)),
      FImageChangeLink(std::make_unique<TChangeLink>()) {
    FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csDoubleClicks};
    SetBoundsFields(0, 0, 289, 193);
    FTabStop = true;
    FImageChangeLink->OnChange = [this](TObject* Sender) { ImageListChange(Sender); };
}

TCustomTabControl::~TCustomTabControl() = default;

void TCustomTabControl::CreateParams(TCreateParams& Params) {
    InitCommonControl(ICC_TAB_CLASSES);
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, WC_TABCONTROLA);
    Params.Style |= WS_CLIPCHILDREN | TCS_TABS;
}

void TCustomTabControl::CreateWnd() {
    TWinControl::CreateWnd();
    if (FImages)
        SendMessageW(FHandle, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(FImages->Handle()));
    // The tabs kept while there was no window go into the new one.
    if (TStringList* saved = FTabs->Saved(); saved->Count() > 0) {
        FTabs->Assign(saved);
        saved->Clear();
    }
    if (FSavedTabIndex >= 0)
        SetTabIndex(FSavedTabIndex);
    Realign();
}

void TCustomTabControl::DestroyWnd() {
    if (FHandle) {
        FSavedTabIndex = TabIndex();
        FTabs->Saved()->Assign(FTabs.get());
    }
    TWinControl::DestroyWnd();
}

int TCustomTabControl::TabIndex() const {
    return FHandle ? static_cast<int>(SendMessageW(FHandle, TCM_GETCURSEL, 0, 0)) : FSavedTabIndex;
}

void TCustomTabControl::SetTabIndex(int Value) {
    if (Value < -1 || Value >= FTabs->Count())
        throw EInvalidArgument("Tab index " + IntToStr(Value) + " is outside the " + IntToStr(FTabs->Count()) +
                               " tabs of " + Name());
    if (FHandle)
        SendMessageW(FHandle, TCM_SETCURSEL, static_cast<WPARAM>(Value), 0);
    else
        FSavedTabIndex = Value;
}

TRect TCustomTabControl::DisplayRect() {
    TRect r = ClientRect();
    if (FHandle)
        SendMessageW(FHandle, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    return r;
}

int TCustomTabControl::IndexOfTabAt(int X, int Y) {
    if (!FHandle)
        return -1;
    TCHITTESTINFO info{};
    info.pt = POINT{X, Y};
    return static_cast<int>(SendMessageW(FHandle, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
}

void TCustomTabControl::AdjustClientRect(TRect& Rect) {
    Rect = DisplayRect();
    TWinControl::AdjustClientRect(Rect);
}

void TCustomTabControl::SetImages(TCustomImageList* Value) {
    if (Value == FImages)
        return;
    if (FImages) {
        FImages->UnRegisterChanges(FImageChangeLink.get());
        RemoveFreeNotification(FImages);
    }
    FImages = Value;
    if (Value) {
        Value->RegisterChanges(FImageChangeLink.get());
        FreeNotification(Value);
    }
    ImageListChange(Value);
}

void TCustomTabControl::ImageListChange(TObject* Sender) {
    (void)Sender;
    if (!FHandle)
        return;
    SendMessageW(FHandle, TCM_SETIMAGELIST, 0, FImages ? reinterpret_cast<LPARAM>(FImages->Handle()) : 0);
    UpdateTabImages();
    Realign();
}

void TCustomTabControl::UpdateTabImages() {
    if (!FHandle)
        return;
    int count = static_cast<int>(SendMessageW(FHandle, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TCITEMW item{};
        item.mask = TCIF_IMAGE;
        item.iImage = FImages ? GetImageIndex(i) : -1;
        SendMessageW(FHandle, TCM_SETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
}

void TCustomTabControl::Notification(TComponent* AComponent, TOperation Operation) {
    TWinControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FImages) {
        FImages = nullptr;
        if (!Destroying())
            ImageListChange(nullptr);
    }
}

bool TCustomTabControl::CanChange() {
    bool allow = true;
    if (OnChanging)
        OnChanging(this, allow);
    return allow;
}

void TCustomTabControl::Change() {
    if (OnChange)
        OnChange(this);
}

void TCustomTabControl::Dispatch(TMessage& Message) {
    if (Message.Msg == WM_SETFONT) {
        // The tabs grow or shrink with the font, and the area below them with them.
        TWinControl::Dispatch(Message);
        Realign();
        return;
    }
    if (Message.Msg == CN_NOTIFY) {
        switch (TWMNotify(Message).NMHdr()->code) {
        case TCN_SELCHANGING:
            // Non-zero keeps the current tab.
            Message.Result = CanChange() ? FALSE : TRUE;
            return;
        case TCN_SELCHANGE:
            Change();
            Message.Result = 0;
            return;
        }
    }
    TWinControl::Dispatch(Message);
}

// --- TTabSheet ---

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) {
    FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csDoubleClicks, csSetCaption};
    // A page fills its page control's display area and shows only while it is the active one.
    FAlign = alClient;
    FVisible = false;
}

TTabSheet::~TTabSheet() = default;

TPageControl* TTabSheet::PageControl() const { return dynamic_cast<TPageControl*>(Parent()); }

void TTabSheet::SetPageControl(TPageControl* Value) { SetParent(Value); }

int TTabSheet::PageIndex() const {
    TPageControl* pages = PageControl();
    if (!pages)
        return -1;
    auto it = std::find(pages->FPages.begin(), pages->FPages.end(), this);
    return it == pages->FPages.end() ? -1 : static_cast<int>(it - pages->FPages.begin());
}

void TTabSheet::SetPageIndex(int Value) {
    TPageControl* pages = PageControl();
    if (!pages)
        throw EInvalidOperation("Page " + Name() + " belongs to no page control");
    if (Value < 0 || Value >= pages->PageCount())
        throw EInvalidArgument("Page index " + IntToStr(Value) + " is outside the " + IntToStr(pages->PageCount()) +
                               " pages of " + pages->Name());
    pages->MovePage(this, Value);
}

int TTabSheet::TabIndex() const {
    TPageControl* pages = PageControl();
    if (!pages || !FTabVisible)
        return -1;
    int index = 0;
    for (TTabSheet* page : pages->FPages) {
        if (page == this)
            return index;
        if (page->FTabVisible)
            ++index;
    }
    return -1;
}

void TTabSheet::SetTabVisible(bool Value) {
    if (Value == FTabVisible)
        return;
    FTabVisible = Value;
    if (TPageControl* pages = PageControl())
        pages->UpdateTabs();
}

void TTabSheet::SetImageIndex(int Value) {
    if (Value == FImageIndex)
        return;
    FImageIndex = Value;
    if (TPageControl* pages = PageControl())
        pages->UpdateTabImages();
}

void TTabSheet::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_TEXTCHANGED:
        TWinControl::Dispatch(Message);
        if (TPageControl* pages = PageControl(); pages && TabIndex() >= 0)
            pages->Tabs()->SetStrings(TabIndex(), Caption());
        break;
    case CM_SHOWINGCHANGED:
        TWinControl::Dispatch(Message);
        if (Showing() && OnShow)
            OnShow(this);
        else if (!Showing() && OnHide)
            OnHide(this);
        break;
    default:
        TWinControl::Dispatch(Message);
    }
}

// --- TPageControl ---

TPageControl::TPageControl(TComponent* AOwner) : TCustomTabControl(AOwner) {}

TPageControl::~TPageControl() {
    Destroying_();
    FPages.clear();
    FActivePage = nullptr;
}

TTabSheet* TPageControl::Pages(int Index) const {
    if (Index < 0 || Index >= PageCount())
        throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
    return FPages[static_cast<size_t>(Index)];
}

void TPageControl::InsertPage(TTabSheet* Page) {
    if (std::find(FPages.begin(), FPages.end(), Page) != FPages.end())
        return;
    FPages.push_back(Page);
    UpdateTabs();
    // The first page shows until another is chosen.
    if (!FActivePage)
        SetActivePage(Page);
}

void TPageControl::RemovePage(TControl* Page) {
    // A page being freed is no page any more, only a control: it is found by its address.
    auto it = std::find(FPages.begin(), FPages.end(), Page);
    if (it == FPages.end())
        return;
    TTabSheet* page = *it;
    TTabSheet* next = FActivePage;
    if (page == FActivePage) {
        next = FindNextPage(page, true, true);
        if (!next || next == page)
            next = FindNextPage(page, true, false);
    }
    FPages.erase(it);
    if (Destroying())
        return;
    if (next == page)
        next = nullptr;
    if (page == FActivePage)
        FActivePage = nullptr;
    UpdateTabs();
    SetActivePage(next);
}

void TPageControl::MovePage(TTabSheet* Page, int NewIndex) {
    auto it = std::find(FPages.begin(), FPages.end(), Page);
    if (it == FPages.end())
        return;
    FPages.erase(it);
    FPages.insert(FPages.begin() + NewIndex, Page);
    UpdateTabs();
}

void TPageControl::UpdateTabs() {
    TStrings* tabs = Tabs();
    {
        TStringsUpdateScope update(*tabs);
        tabs->Clear();
        for (TTabSheet* page : FPages)
            if (page->TabVisible())
                tabs->AddObject(page->Caption(), page);
    }
    UpdateTabImages();
    int index = FActivePage ? FActivePage->TabIndex() : -1;
    SetTabIndex(index);
    Realign();
}

TTabSheet* TPageControl::PageOfTab(int TabIndex) const {
    for (TTabSheet* page : FPages)
        if (page->TabVisible() && TabIndex-- == 0)
            return page;
    return nullptr;
}

int TPageControl::GetImageIndex(int TabIndex) {
    TTabSheet* page = PageOfTab(TabIndex);
    return page ? page->ImageIndex() : -1;
}

void TPageControl::SetActivePage(TTabSheet* Value) {
    if (Value && Value->PageControl() != this)
        throw EInvalidArgument("Page " + Value->Name() + " is not a page of " + Name());
    FActivePage = Value;
    SetTabIndex(Value ? Value->TabIndex() : -1);
    ShowActivePage();
}

void TPageControl::ShowActivePage() {
    if (FActivePage) {
        FActivePage->BringToFront();
        FActivePage->SetVisible(true);
    }
    // A page that goes away takes the focus off its controls as it hides.
    for (TTabSheet* page : FPages)
        if (page != FActivePage)
            page->SetVisible(false);
}

int TPageControl::ActivePageIndex() const { return FActivePage ? FActivePage->PageIndex() : -1; }

void TPageControl::SetActivePageIndex(int Value) {
    if (Value < -1 || Value >= PageCount())
        throw EInvalidArgument("Page index " + IntToStr(Value) + " is outside the " + IntToStr(PageCount()) +
                               " pages of " + Name());
    SetActivePage(Value < 0 ? nullptr : FPages[static_cast<size_t>(Value)]);
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* CurPage, bool GoForward, bool CheckTabVisible) const {
    if (FPages.empty())
        return nullptr;
    int count = PageCount();
    auto it = std::find(FPages.begin(), FPages.end(), CurPage);
    int start = it == FPages.end() ? (GoForward ? count - 1 : 0) : static_cast<int>(it - FPages.begin());
    int i = start;
    for (int n = 0; n < count; ++n) {
        i = GoForward ? (i + 1) % count : (i + count - 1) % count;
        TTabSheet* page = FPages[static_cast<size_t>(i)];
        if (!CheckTabVisible || page->TabVisible())
            return page;
    }
    return nullptr;
}

void TPageControl::SelectNextPage(bool GoForward) {
    TTabSheet* page = FindNextPage(FActivePage, GoForward, true);
    if (!page || page == FActivePage || !CanChange())
        return;
    SetActivePage(page);
    Change();
}

void TPageControl::Change() {
    // The user chose a tab: its page comes to the front before anyone hears of it.
    TTabSheet* page = PageOfTab(TabIndex());
    if (page != FActivePage) {
        FActivePage = page;
        ShowActivePage();
    }
    TCustomTabControl::Change();
}

void TPageControl::CreateWnd() {
    TCustomTabControl::CreateWnd();
    UpdateTabs();
}

void TPageControl::Loaded() {
    TCustomTabControl::Loaded();
    ShowActivePage();
}

void TPageControl::Dispatch(TMessage& Message) {
    if (Message.Msg == CM_CONTROLCHANGE) {
        auto* control = reinterpret_cast<TControl*>(Message.WParam);
        if (!Message.LParam)
            RemovePage(control);
        else if (auto* page = dynamic_cast<TTabSheet*>(control))
            InsertPage(page);
    }
    TCustomTabControl::Dispatch(Message);
}

// --- TCustomUpDown ---

TCustomUpDown::TCustomUpDown(TComponent* AOwner) : TWinControl(AOwner) {
    FControlStyle = {csCaptureMouse, csDoubleClicks, csFixedWidth, csFixedHeight, csOpaque};
    SetBoundsFields(0, 0, 17, 25);
}

TCustomUpDown::~TCustomUpDown() = default;

void TCustomUpDown::CreateParams(TCreateParams& Params) {
    InitCommonControl(ICC_UPDOWN_CLASS);
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, UPDOWN_CLASSA);
    if (FAssociate)
        Params.Style |= UDS_SETBUDDYINT | (FAlignButton == udLeft ? UDS_ALIGNLEFT : UDS_ALIGNRIGHT);
    if (FArrowKeys)
        Params.Style |= UDS_ARROWKEYS;
    if (FOrientation == udHorizontal)
        Params.Style |= UDS_HORZ;
    if (FWrap)
        Params.Style |= UDS_WRAP;
    if (!FThousands)
        Params.Style |= UDS_NOTHOUSANDS;
}

void TCustomUpDown::CreateWnd() {
    TWinControl::CreateWnd();
    ApplyRange();
    AttachBuddy();
}

void TCustomUpDown::ApplyRange() {
    if (!FHandle)
        return;
    SendMessageW(FHandle, UDM_SETRANGE32, static_cast<WPARAM>(FMin), static_cast<LPARAM>(FMax));
    UDACCEL accel{0, static_cast<UINT>(FIncrement)};
    SendMessageW(FHandle, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
    SendMessageW(FHandle, UDM_SETPOS32, 0, static_cast<LPARAM>(FPosition));
}

void TCustomUpDown::AttachBuddy() {
    if (!FHandle || !FAssociate)
        return;
    SendMessageW(FHandle, UDM_SETBUDDY, reinterpret_cast<WPARAM>(FAssociate->Handle()), 0);
    SendMessageW(FHandle, UDM_SETPOS32, 0, static_cast<LPARAM>(FPosition));
}

namespace {
int ClampToRange(int Value, int A, int B) { return std::clamp(Value, std::min(A, B), std::max(A, B)); }
}  // namespace

int TCustomUpDown::Position() const {
    if (FHandle) {
        BOOL failed = FALSE;
        int pos = static_cast<int>(SendMessageW(FHandle, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&failed)));
        // A buddy text that is no number leaves the position we know.
        if (!failed)
            FPosition = pos;
    }
    return FPosition;
}

void TCustomUpDown::SetPosition(int Value) {
    FPosition = ClampToRange(Value, FMin, FMax);
    if (FHandle)
        SendMessageW(FHandle, UDM_SETPOS32, 0, static_cast<LPARAM>(FPosition));
}

void TCustomUpDown::SetMin(int Value) {
    if (Value == FMin)
        return;
    FMin = Value;
    FPosition = ClampToRange(Position(), FMin, FMax);
    ApplyRange();
}

void TCustomUpDown::SetMax(int Value) {
    if (Value == FMax)
        return;
    FMax = Value;
    FPosition = ClampToRange(Position(), FMin, FMax);
    ApplyRange();
}

void TCustomUpDown::SetIncrement(int Value) {
    if (Value < 1)
        throw EInvalidArgument("An up-down step of " + IntToStr(Value) + " is not above 0");
    if (Value == FIncrement)
        return;
    FIncrement = Value;
    ApplyRange();
}

void TCustomUpDown::SetOrientation(TUDOrientation Value) {
    if (Value == FOrientation)
        return;
    FOrientation = Value;
    if (!Loading())
        SetBounds(FLeft, FTop, FHeight, FWidth);
    RecreateWnd();
}

void TCustomUpDown::SetWrap(bool Value) {
    if (Value == FWrap)
        return;
    FWrap = Value;
    RecreateWnd();
}

void TCustomUpDown::SetArrowKeys(bool Value) {
    if (Value == FArrowKeys)
        return;
    FArrowKeys = Value;
    RecreateWnd();
}

void TCustomUpDown::SetThousands(bool Value) {
    if (Value == FThousands)
        return;
    FThousands = Value;
    RecreateWnd();
}

void TCustomUpDown::SetAlignButton(TUDAlignButton Value) {
    if (Value == FAlignButton)
        return;
    FAlignButton = Value;
    RecreateWnd();
}

void TCustomUpDown::SetAssociate(TWinControl* Value) {
    if (Value == FAssociate)
        return;
    if (Value == this)
        throw EInvalidArgument("An up-down cannot be its own associate");
    if (FAssociate)
        RemoveFreeNotification(FAssociate);
    FPosition = Position();
    FAssociate = Value;
    if (Value)
        FreeNotification(Value);
    RecreateWnd();
}

void TCustomUpDown::Notification(TComponent* AComponent, TOperation Operation) {
    TWinControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FAssociate) {
        FAssociate = nullptr;
        if (FHandle && !Destroying())
            SendMessageW(FHandle, UDM_SETBUDDY, 0, 0);
    }
}

bool TCustomUpDown::CanChange() {
    bool allow = true;
    if (OnChanging)
        OnChanging(this, allow);
    return allow;
}

void TCustomUpDown::Click(TUDBtnType Button) {
    if (OnClick)
        OnClick(this, Button);
}

void TCustomUpDown::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CN_NOTIFY:
        if (TWMNotify(Message).NMHdr()->code == static_cast<UINT>(UDN_DELTAPOS)) {
            FLastDelta = reinterpret_cast<NMUPDOWN*>(Message.LParam)->iDelta;
            // Non-zero keeps the position.
            Message.Result = CanChange() ? FALSE : TRUE;
            return;
        }
        break;
    case CN_HSCROLL:
    case CN_VSCROLL:
        if (LOWORD(Message.WParam) == SB_THUMBPOSITION) {
            FPosition = static_cast<short>(HIWORD(Message.WParam));
            Position();
            Click(FLastDelta < 0 ? btPrev : btNext);
        }
        Message.Result = 0;
        return;
    }
    TWinControl::Dispatch(Message);
}

// --- form storage ---

namespace {

const std::vector<std::string> AlignNames = {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"};

// The Align of a class whose controls start aligned, written only when it differs from that start.
template <class T>
void AlignDefault(TFormClass<T>& c, TAlign value) {
    c.Enum("Align", &TControl::Align, &TControl::SetAlign, AlignNames).Default(value);
}

const bool ComCtrlsRegistered = [] {
    RegisterFormClass<TToolButton>([](TFormClass<TToolButton>& c) {
        c.Boolean("AllowAllUp", &TToolButton::AllowAllUp, &TToolButton::SetAllowAllUp).Default(false);
        c.Boolean("AutoSize", &TToolButton::AutoSize, &TToolButton::SetAutoSize).Default(false);
        c.String("Caption", &TControl::Caption, &TControl::SetCaption);
        c.Component("DropdownMenu", &TToolButton::DropdownMenu, &TToolButton::SetDropdownMenu)
            .Stored([](TToolButton* b) { return b->DropdownMenu() != nullptr; });
        c.Boolean("Grouped", &TToolButton::Grouped, &TToolButton::SetGrouped).Default(false);
        c.Integer("ImageIndex", &TToolButton::ImageIndex, &TToolButton::SetImageIndex).Default(-1);
        c.Boolean("Indeterminate", &TToolButton::Indeterminate, &TToolButton::SetIndeterminate).Default(false);
        c.Boolean("Marked", &TToolButton::Marked, &TToolButton::SetMarked).Default(false);
        c.Enum("Style", &TToolButton::Style, &TToolButton::SetStyle,
               {"tbsButton", "tbsCheck", "tbsDropDown", "tbsSeparator", "tbsDivider"})
            .Default(tbsButton);
        // After the style and the group: a check button read down puts the others of its group up.
        c.Boolean("Down", &TToolButton::Down, &TToolButton::SetDown).Default(false);
    });
    RegisterFormClass<TToolBar>([](TFormClass<TToolBar>& c) {
        AlignDefault(c, alTop);
        c.Integer("ButtonHeight", &TToolBar::ButtonHeight, &TToolBar::SetButtonHeight).Default(22);
        c.Integer("ButtonWidth", &TToolBar::ButtonWidth, &TToolBar::SetButtonWidth).Default(23);
        c.Component("DisabledImages", &TToolBar::DisabledImages, &TToolBar::SetDisabledImages)
            .Stored([](TToolBar* b) { return b->DisabledImages() != nullptr; });
        c.Boolean("Flat", &TToolBar::Flat, &TToolBar::SetFlat).Default(false);
        c.Component("HotImages", &TToolBar::HotImages, &TToolBar::SetHotImages)
            .Stored([](TToolBar* b) { return b->HotImages() != nullptr; });
        c.Component("Images", &TToolBar::Images, &TToolBar::SetImages)
            .Stored([](TToolBar* b) { return b->Images() != nullptr; });
        c.Boolean("List", &TToolBar::List, &TToolBar::SetList).Default(false);
        c.Boolean("ShowCaptions", &TToolBar::ShowCaptions, &TToolBar::SetShowCaptions).Default(false);
        c.Event("OnAdvancedCustomDraw", &TToolBar::OnAdvancedCustomDraw);
        c.Event("OnAdvancedCustomDrawButton", &TToolBar::OnAdvancedCustomDrawButton);
    });
    RegisterFormClass<TStatusPanel>([](TFormClass<TStatusPanel>& c) {
        c.String("Text", &TStatusPanel::Text, &TStatusPanel::SetText);
        c.Integer("Width", &TStatusPanel::Width, &TStatusPanel::SetWidth).Default(50);
    });
    RegisterFormClass<TStatusBar>([](TFormClass<TStatusBar>& c) {
        AlignDefault(c, alBottom);
        c.Collection("Panels", &TStatusBar::Panels);
        c.Boolean("SimplePanel", &TStatusBar::SimplePanel, &TStatusBar::SetSimplePanel).Default(false);
        c.String("SimpleText", &TStatusBar::SimpleText, &TStatusBar::SetSimpleText);
        c.Boolean("SizeGrip", &TStatusBar::SizeGrip, &TStatusBar::SetSizeGrip).Default(true);
    });
    RegisterFormClass<TCustomTabControl>([](TFormClass<TCustomTabControl>& c) {
        c.Component("Images", &TCustomTabControl::Images, &TCustomTabControl::SetImages)
            .Stored([](TCustomTabControl* t) { return t->Images() != nullptr; });
        c.Event("OnChange", &TCustomTabControl::OnChange);
        c.Event("OnChanging", &TCustomTabControl::OnChanging);
    });
    RegisterFormClass<TTabControl>([](TFormClass<TTabControl>& c) {
        c.Object("Tabs", &TTabControl::Tabs);
        // After the tabs it chooses from.
        c.Integer("TabIndex", &TTabControl::TabIndex, &TTabControl::SetTabIndex).Default(-1);
    });
    RegisterFormClass<TTabSheet>([](TFormClass<TTabSheet>& c) {
        AlignDefault(c, alClient);
        c.String("Caption", &TControl::Caption, &TControl::SetCaption);
        c.Integer("ImageIndex", &TTabSheet::ImageIndex, &TTabSheet::SetImageIndex).Default(-1);
        c.Boolean("TabVisible", &TTabSheet::TabVisible, &TTabSheet::SetTabVisible).Default(true);
        // The page control shows and hides its pages.
        c.Boolean("Visible", &TControl::Visible, &TControl::SetVisible).NotStored();
        c.Event("OnHide", &TTabSheet::OnHide);
        c.Event("OnShow", &TTabSheet::OnShow);
    });
    RegisterFormClass<TPageControl>([](TFormClass<TPageControl>& c) {
        c.Component("ActivePage", &TPageControl::ActivePage, &TPageControl::SetActivePage)
            .Stored([](TPageControl* p) { return p->ActivePage() != nullptr; });
    });
    RegisterFormClass<TCustomUpDown>([](TFormClass<TCustomUpDown>& c) {
        c.Enum("AlignButton", &TCustomUpDown::AlignButton, &TCustomUpDown::SetAlignButton, {"udLeft", "udRight"})
            .Default(udRight);
        c.Boolean("ArrowKeys", &TCustomUpDown::ArrowKeys, &TCustomUpDown::SetArrowKeys).Default(true);
        c.Component("Associate", &TCustomUpDown::Associate, &TCustomUpDown::SetAssociate)
            .Stored([](TCustomUpDown* u) { return u->Associate() != nullptr; });
        c.Integer("Increment", &TCustomUpDown::Increment, &TCustomUpDown::SetIncrement).Default(1);
        c.Integer("Min", &TCustomUpDown::Min, &TCustomUpDown::SetMin).Default(0);
        c.Integer("Max", &TCustomUpDown::Max, &TCustomUpDown::SetMax).Default(100);
        // After the range it lies in.
        c.Integer("Position", &TCustomUpDown::Position, &TCustomUpDown::SetPosition).Default(0);
        c.Enum("Orientation", &TCustomUpDown::Orientation, &TCustomUpDown::SetOrientation,
               {"udHorizontal", "udVertical"})
            .Default(udVertical);
        c.Boolean("Thousands", &TCustomUpDown::Thousands, &TCustomUpDown::SetThousands).Default(true);
        c.Boolean("Wrap", &TCustomUpDown::Wrap, &TCustomUpDown::SetWrap).Default(false);
        c.Event("OnChanging", &TCustomUpDown::OnChanging);
        c.Event("OnClick", &TCustomUpDown::OnClick);
    });
    RegisterFormClass<TUpDown>();
    return true;
}();

}  // namespace
