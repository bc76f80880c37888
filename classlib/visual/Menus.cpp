#include "Menus.h"

#include "Forms.h"
#include "classlib/runtime/MessageWindow.h"

#include <algorithm>
#include <vector>

namespace {

// --- command numbers ---

// Commands are handed out round the range, so a command posted for an item just freed rarely reaches a new one.
constexpr WORD FirstCommand = 1, LastCommand = 0xEFFF;
std::vector<bool>& CommandsInUse() {
    static std::vector<bool> used(LastCommand + 1, false);
    return used;
}

WORD AllocateCommand() {
    static WORD next = FirstCommand;
    auto& used = CommandsInUse();
    for (int tries = 0; tries <= LastCommand - FirstCommand; ++tries) {
        WORD c = next;
        next = next == LastCommand ? FirstCommand : static_cast<WORD>(next + 1);
        if (!used[c]) {
            used[c] = true;
            return c;
        }
    }
    throw EOutOfResources("Too many menu items");
}

void ReleaseCommand(WORD command) {
    if (command)
        CommandsInUse()[command] = false;
}

// --- key names ---

std::string KeyName(WORD key) {
    static const char* const named[] = {"Space", "PgUp", "PgDn", "End", "Home", "Left", "Up", "Right", "Down"};
    switch (key) {
    case VK_BACK:
        return "BkSp";
    case VK_TAB:
        return "Tab";
    case VK_RETURN:
        return "Enter";
    case VK_ESCAPE:
        return "Esc";
    case VK_INSERT:
        return "Ins";
    case VK_DELETE:
        return "Del";
    }
    if (key >= VK_SPACE && key <= VK_DOWN)
        return named[key - VK_SPACE];
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
        return std::string(1, static_cast<char>(key));
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9)
        return "Num " + std::string(1, static_cast<char>('0' + key - VK_NUMPAD0));
    if (key >= VK_F1 && key <= VK_F24)
        return "F" + IntToStr(key - VK_F1 + 1);
    // Everything else by the keyboard layout's own name for the key.
    UINT scan = MapVirtualKeyA(key, MAPVK_VK_TO_VSC);
    if (!scan)
        return std::string();
    char name[64] = {};
    LONG lparam = static_cast<LONG>(scan << 16);
    if (key >= VK_PRIOR && key <= VK_HELP)
        lparam |= 1 << 24;  // the extended keys, which have their own names
    int n = GetKeyNameTextA(lparam, name, sizeof name);
    return n > 0 ? std::string(name, static_cast<size_t>(n)) : std::string();
}

}  // namespace

std::string StripHotkey(const std::string& Caption) {
    std::string out;
    for (size_t i = 0; i < Caption.size(); ++i) {
        if (Caption[i] == '&') {
            if (i + 1 < Caption.size() && Caption[i + 1] == '&')
                out += '&', ++i;
            continue;
        }
        out += Caption[i];
    }
    return out;
}

bool IsAccel(WORD Key, const std::string& Caption) {
    for (size_t i = 0; i + 1 < Caption.size(); ++i) {
        if (Caption[i] != '&')
            continue;
        if (Caption[i + 1] == '&') {
            ++i;
            continue;
        }
        return AnsiUpperCase(std::string(1, Caption[i + 1])) == AnsiUpperCase(std::string(1, static_cast<char>(Key)));
    }
    return false;
}

void DrawTextOn(TCanvas* Canvas, const std::string& Text, TRect& Rect, UINT Flags) {
    Canvas->TextExtent(" ");  // selects the font and its colour into the DC
    Canvas->Changing();
    HDC dc = Canvas->Handle();
    int oldMode = SetBkMode(dc, TRANSPARENT);
    std::wstring wide = AnsiToWide(Text);
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &Rect, Flags);
    SetBkMode(dc, oldMode);
    Canvas->Changed();
}

TShortCut ShortCut(WORD Key, TShiftState Shift) {
    if (Key & 0xFF00)
        return scNone;
    TShortCut s = Key;
    if (Shift.Contains(ssShift))
        s |= scShift;
    if (Shift.Contains(ssCtrl))
        s |= scCtrl;
    if (Shift.Contains(ssAlt))
        s |= scAlt;
    return s;
}

void ShortCutToKey(TShortCut ShortCut, WORD& Key, TShiftState& Shift) {
    Key = ShortCut & 0xFF;
    Shift = TShiftState();
    if (ShortCut & scShift)
        Shift.Include(ssShift);
    if (ShortCut & scCtrl)
        Shift.Include(ssCtrl);
    if (ShortCut & scAlt)
        Shift.Include(ssAlt);
}

std::string ShortCutToText(TShortCut ShortCut) {
    std::string name = KeyName(ShortCut & 0xFF);
    if (name.empty())
        return std::string();
    std::string text;
    if (ShortCut & scShift)
        text += "Shift+";
    if (ShortCut & scCtrl)
        text += "Ctrl+";
    if (ShortCut & scAlt)
        text += "Alt+";
    return text + name;
}

TShortCut TextToShortCut(const std::string& Text) {
    std::string rest = Text;
    TShortCut modifiers = 0;
    static const std::pair<const char*, TShortCut> prefixes[] = {{"Shift+", scShift}, {"Ctrl+", scCtrl}, {"Alt+", scAlt}};
    for (bool found = true; found;) {
        found = false;
        for (auto& [prefix, bit] : prefixes) {
            size_t n = std::string_view(prefix).size();
            // A lone "+" is the key itself, not a modifier's end.
            if (rest.size() > n && CompareText(rest.substr(0, n), prefix) == 0) {
                modifiers |= bit;
                rest.erase(0, n);
                found = true;
            }
        }
    }
    if (rest.empty())
        return scNone;
    for (WORD key = 8; key <= 255; ++key)
        if (std::string name = KeyName(key); !name.empty() && CompareText(name, rest) == 0)
            return static_cast<TShortCut>(key | modifiers);
    return scNone;
}

namespace {

// --- the connection of forms and controls to the menus ---

bool FormDispatchCommand(TCustomForm* form, WORD id);
bool FormMenuMessage(TCustomForm* form, TMessage& Message);

void ShowControlPopup(TPopupMenu* menu, TControl* control, int X, int Y) {
    menu->SetPopupComponent(control);
    menu->Popup(X, Y);
}

HMENU MainMenuHandle(TMainMenu* menu) { return menu->Handle(); }

bool FormIsShortCut(TCustomForm* form, TMessage& keyMessage) {
    TMainMenu* menu = form->Menu();
    return menu && menu->IsShortCut(keyMessage);
}

void InstallMenuHooks() {
    TMenuHooks& hooks = MenuHooks();
    hooks.Popup = ShowControlPopup;
    hooks.MainMenuHandle = MainMenuHandle;
    hooks.DispatchCommand = FormDispatchCommand;
    hooks.MenuMessage = FormMenuMessage;
    hooks.IsShortCut = FormIsShortCut;
}

// The item a WM_MENUSELECT is about, for its hint.
TMenuItem* SelectedItem(TMenu* menu, TMessage& Message) {
    UINT flags = HIWORD(Message.WParam);
    UINT index = LOWORD(Message.WParam);
    auto* hmenu = reinterpret_cast<HMENU>(Message.LParam);
    if (flags == 0xFFFF && !hmenu)
        return nullptr;  // the menu closed
    if (flags & MF_POPUP)
        return menu->FindItem(reinterpret_cast<UINT_PTR>(GetSubMenu(hmenu, static_cast<int>(index))), fkHandle);
    return menu->FindItem(index, fkCommand);
}

void ShowMenuHint(TMenu* menu, TMessage& Message) {
    TApplication* app = Application;
    if (!app)
        return;
    TMenuItem* item = SelectedItem(menu, Message);
    app->SetHint(item ? GetLongHint(item->Hint()) : std::string());
}

bool FormDispatchCommand(TCustomForm* form, WORD id) {
    TMainMenu* menu = form->Menu();
    return menu && menu->DispatchCommand(id);
}

bool FormMenuMessage(TCustomForm* form, TMessage& Message) {
    TMainMenu* menu = form->Menu();
    if (!menu)
        return false;
    switch (Message.Msg) {
    case WM_INITMENUPOPUP:
        return menu->DispatchPopup(reinterpret_cast<HMENU>(Message.WParam));
    case WM_MENUSELECT:
        ShowMenuHint(menu, Message);
        return false;
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
        return menu->OwnerDrawMessage(Message);
    }
    return false;
}

// --- the popup list: the hidden window that owns every open popup menu ---

std::vector<TPopupMenu*>& PopupMenus() {
    static std::vector<TPopupMenu*> menus;
    return menus;
}

HWND& PopupWindow() {
    static HWND window = nullptr;
    return window;
}

void PopupListMessage(TMessage& Message) {
    // A copy: a handler may free a menu.
    std::vector<TPopupMenu*> menus = PopupMenus();
    auto alive = [](TPopupMenu* m) {
        auto& list = PopupMenus();
        return std::find(list.begin(), list.end(), m) != list.end();
    };
    switch (Message.Msg) {
    case WM_COMMAND:
        for (TPopupMenu* m : menus)
            if (alive(m) && m->DispatchCommand(LOWORD(Message.WParam)))
                return;
        break;
    case WM_INITMENUPOPUP:
        for (TPopupMenu* m : menus)
            if (alive(m) && m->DispatchPopup(reinterpret_cast<HMENU>(Message.WParam)))
                return;
        break;
    case WM_MENUSELECT:
        for (TPopupMenu* m : menus)
            if (alive(m) && SelectedItem(m, Message)) {
                ShowMenuHint(m, Message);
                return;
            }
        break;
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
        for (TPopupMenu* m : menus)
            if (alive(m) && m->OwnerDrawMessage(Message))
                return;
        break;
    }
    DefaultHandler(PopupWindow(), Message);
}

// A canvas on a device context for one owner-drawn item, in the menu font; the DC is left as it was found.
class TMenuItemCanvas {
public:
    explicit TMenuItemCanvas(HDC dc) : FDC(dc), FSaved(SaveDC(dc)) {
        FCanvas.SetHandle(dc);
        if (TScreen* screen = Screen)
            FCanvas.Font()->Assign(screen->MenuFont());
    }
    ~TMenuItemCanvas() {
        FCanvas.SetHandle(nullptr);
        RestoreDC(FDC, FSaved);
    }
    TMenuItemCanvas(const TMenuItemCanvas&) = delete;
    TMenuItemCanvas& operator=(const TMenuItemCanvas&) = delete;
    TCanvas* Canvas() { return &FCanvas; }

private:
    HDC FDC;
    int FSaved;
    TCanvas FCanvas;
};

}  // namespace

// --- TMenuItem: the tree ---

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) { FCommand = AllocateCommand(); }

TMenuItem::~TMenuItem() {
    Destroying_();
    while (!FItems.empty()) {
        TMenuItem* child = FItems.back();
        FItems.pop_back();
        child->FParent = nullptr;
        child->Free();
    }
    if (FParent) {
        TMenuItem* parent = FParent;
        auto& siblings = parent->FItems;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
        FParent = nullptr;
        if (!parent->Destroying()) {
            // Reported from a destructor: a failing report must not end the program.
            try {
                parent->ItemsChanged();
            } catch (...) {
                HandleCurrentException();
            }
        }
    }
    if (FHandle && IsMenu(FHandle))
        DestroyMenu(FHandle);
    ReleaseCommand(FCommand);
}

TMenuItem* TMenuItem::Items(int Index) const {
    if (Index < 0 || Index >= Count())
        throw EMenuError("Menu index out of range (" + IntToStr(Index) + ")");
    return FItems[static_cast<size_t>(Index)];
}

int TMenuItem::IndexOf(const TMenuItem* Item) const {
    auto it = std::find(FItems.begin(), FItems.end(), Item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

int TMenuItem::MenuIndex() const { return FParent ? FParent->IndexOf(this) : -1; }

void TMenuItem::SetMenuIndex(int Value) {
    if (!FParent)
        return;
    TMenuItem* parent = FParent;
    int count = parent->Count();
    Value = std::clamp(Value, 0, count - 1);
    int current = MenuIndex();
    if (current == Value)
        return;
    parent->FItems.erase(parent->FItems.begin() + current);
    parent->FItems.insert(parent->FItems.begin() + Value, this);
    parent->ItemsChanged();
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Insert(int Index, TMenuItem* Item) {
    if (!Item)
        throw EMenuError("No menu item to insert");
    if (Item->FParent)
        throw EMenuError("Menu item '" + Item->Name() + "' is already in a menu");
    for (TMenuItem* p = this; p; p = p->FParent)
        if (p == Item)
            throw EMenuError("A menu item cannot contain itself");
    if (Index < 0 || Index > Count())
        throw EMenuError("Menu index out of range (" + IntToStr(Index) + ")");
    FItems.insert(FItems.begin() + Index, Item);
    Item->FParent = this;
    ItemsChanged();
}

void TMenuItem::Delete(int Index) {
    TMenuItem* item = Items(Index);
    FItems.erase(FItems.begin() + Index);
    item->FParent = nullptr;
    ItemsChanged();
}

void TMenuItem::Remove(TMenuItem* Item) {
    int i = IndexOf(Item);
    if (i < 0)
        throw EMenuError("The menu item is not a sub-item of '" + Name() + "'");
    Delete(i);
}

void TMenuItem::Clear() {
    while (!FItems.empty())
        FItems.back()->Free();
}

TMenuItem* TMenuItem::Find(const std::string& ACaption) const {
    std::string wanted = StripHotkey(ACaption);
    for (TMenuItem* item : FItems)
        if (AnsiCompareText(StripHotkey(item->FCaption), wanted) == 0)
            return item;
    return nullptr;
}

TMenu* TMenuItem::GetParentMenu() const {
    const TMenuItem* root = this;
    while (root->FParent)
        root = root->FParent;
    return root->FMenu;
}

TCustomImageList* TMenuItem::GetImageList() const {
    TMenu* menu = GetParentMenu();
    return menu ? menu->Images() : nullptr;
}

bool TMenuItem::IsTopLevel() const {
    return FParent && FParent->FMenu && dynamic_cast<TMainMenu*>(FParent->FMenu) != nullptr;
}

// --- TMenuItem: properties ---

void TMenuItem::SetCaption(const std::string& Value) {
    if (Value == FCaption)
        return;
    FCaption = Value;
    MenuChanged(true);
}

void TMenuItem::SetChecked(bool Value) {
    if (Value == FChecked)
        return;
    FChecked = Value;
    if (Value && FRadioItem)
        TurnSiblingsOff();
    MenuChanged(true);
}

void TMenuItem::TurnSiblingsOff() {
    if (!FParent)
        return;
    for (TMenuItem* sibling : FParent->FItems)
        if (sibling != this && sibling->FRadioItem && sibling->FGroupIndex == FGroupIndex && sibling->FChecked) {
            sibling->FChecked = false;
            sibling->MenuChanged(true);
        }
}

void TMenuItem::SetEnabled(bool Value) {
    if (Value == FEnabled)
        return;
    FEnabled = Value;
    MenuChanged(true);
}

void TMenuItem::SetVisible(bool Value) {
    if (Value == FVisible)
        return;
    FVisible = Value;
    MenuChanged(true);
}

void TMenuItem::SetRadioItem(bool Value) {
    if (Value == FRadioItem)
        return;
    FRadioItem = Value;
    if (FChecked && FRadioItem)
        TurnSiblingsOff();
    MenuChanged(true);
}

void TMenuItem::SetDefault(bool Value) {
    if (Value == FDefault)
        return;
    // One default item per submenu, as the system draws only one in bold.
    if (Value && FParent)
        for (TMenuItem* sibling : FParent->FItems)
            if (sibling != this)
                sibling->FDefault = false;
    FDefault = Value;
    MenuChanged(true);
}

void TMenuItem::SetBreak(TMenuBreak Value) {
    if (Value == FBreak)
        return;
    FBreak = Value;
    MenuChanged(true);
}

void TMenuItem::SetGroupIndex(uint8_t Value) {
    if (Value == FGroupIndex)
        return;
    FGroupIndex = Value;
    if (FChecked && FRadioItem)
        TurnSiblingsOff();
}

void TMenuItem::SetImageIndex(int Value) {
    if (Value == FImageIndex)
        return;
    FImageIndex = Value;
    MenuChanged(true);
}

void TMenuItem::SetShortCut(TShortCut Value) {
    if (Value == FShortCut)
        return;
    FShortCut = Value;
    MenuChanged(true);
}

TBitmap* TMenuItem::Bitmap() {
    if (!FBitmap) {
        FBitmap = std::make_unique<TBitmap>();
        FBitmap->OnChange = [this](TObject*) { MenuChanged(true); };
    }
    return FBitmap.get();
}

void TMenuItem::SetBitmap(TBitmap* Value) { Bitmap()->Assign(Value); }

// --- TMenuItem: the handle ---

HMENU TMenuItem::Handle() {
    // The system destroys a window's menu bar with the window; a handle that went that way is made anew.
    if (FHandle && !IsMenu(FHandle))
        FHandle = nullptr;
    if (!FHandle) {
        FHandle = FMenu ? FMenu->CreateMenuHandle() : CreatePopupMenu();
        if (!FHandle)
            RaiseLastOSError("CreatePopupMenu");
        RebuildHandle();
    }
    return FHandle;
}

void TMenuItem::RebuildHandle() {
    if (!FHandle || Destroying())
        return;
    while (GetMenuItemCount(FHandle) > 0)
        if (!RemoveMenu(FHandle, 0, MF_BYPOSITION))
            RaiseLastOSError("RemoveMenu");
    for (TMenuItem* item : FItems)
        item->AppendTo(FHandle);
}

bool TMenuItem::IsOwnerDraw() {
    TMenu* menu = GetParentMenu();
    return (menu && (menu->OwnerDraw() || menu->Images())) || HasBitmap();
}

void TMenuItem::AppendTo(HMENU Menu) {
    if (!FVisible)
        return;
    std::string caption = FCaption;
    if (FItems.empty() && FShortCut != scNone && !IsTopLevel())
        caption += "\t" + ShortCutToText(FShortCut);
    std::wstring text = AnsiToWide(caption);
    bool ownerDraw = IsOwnerDraw();

    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA | MIIM_SUBMENU;
    info.fType = (FRadioItem ? MFT_RADIOCHECK : 0) | (FBreak == mbBreak ? MFT_MENUBREAK : 0) |
                 (FBreak == mbBarBreak ? MFT_MENUBARBREAK : 0) | (IsLine() ? MFT_SEPARATOR : 0) |
                 (ownerDraw ? MFT_OWNERDRAW : 0);
    info.fState = (FChecked ? MFS_CHECKED : MFS_UNCHECKED) | (FEnabled ? MFS_ENABLED : MFS_DISABLED | MFS_GRAYED) |
                  (FDefault ? MFS_DEFAULT : 0);
    info.wID = FCommand;
    info.dwItemData = reinterpret_cast<ULONG_PTR>(this);
    info.hSubMenu = FItems.empty() ? nullptr : Handle();
    if (!ownerDraw && !IsLine()) {
        info.fMask |= MIIM_STRING;
        info.dwTypeData = text.data();
    }
    if (!InsertMenuItemW(Menu, static_cast<UINT>(-1), TRUE, &info))
        RaiseLastOSError("InsertMenuItemW");
}

void TMenuItem::ItemsChanged() {
    if (Destroying())
        return;
    RebuildHandle();
    // The item may have become a submenu or stopped being one.
    if (FParent)
        FParent->RebuildHandle();
    if (TMenu* menu = GetParentMenu())
        menu->MenuChanged(this, true);
}

void TMenuItem::MenuChanged(bool Rebuild) {
    if (Destroying())
        return;
    if (Rebuild && FParent)
        FParent->RebuildHandle();
    if (TMenu* menu = GetParentMenu())
        menu->MenuChanged(this, Rebuild);
}

// --- TMenuItem: behaviour and owner drawing ---

void TMenuItem::Click() {
    if (!FEnabled)
        return;
    if (FAutoCheck && !(FRadioItem && FChecked))
        SetChecked(!FChecked);
    if (OnClick)
        OnClick(this);
}

TSize TMenuItem::GlyphSize() {
    if (HasBitmap())
        return TSize(FBitmap->Width(), FBitmap->Height());
    if (TCustomImageList* images = GetImageList())
        return TSize(images->Width(), images->Height());
    return TSize(0, 0);
}

void TMenuItem::MeasureItem(TCanvas* ACanvas, int& Width, int& Height) {
    if (IsLine()) {
        Width = 10;
        Height = GetSystemMetrics(SM_CYMENU) / 2;
    } else {
        TSize glyph = GlyphSize();
        TSize text = ACanvas->TextExtent(StripHotkey(FCaption));
        if (IsTopLevel()) {
            Width = text.cx + (glyph.cx ? glyph.cx + 6 : 0);
            Height = std::max<int>(GetSystemMetrics(SM_CYMENU) - 1, glyph.cy + 4);
        } else {
            int check = std::max<int>(glyph.cx, GetSystemMetrics(SM_CXMENUCHECK));
            std::string shortcut = FItems.empty() ? ShortCutToText(FShortCut) : std::string();
            Width = check + 8 + text.cx + (shortcut.empty() ? 0 : 16 + ACanvas->TextWidth(shortcut)) + 8;
            Height = std::max<int>(text.cy + 4, glyph.cy + 4);
        }
    }
    if (OnMeasureItem)
        OnMeasureItem(this, ACanvas, Width, Height);
}

void TMenuItem::AdvancedDrawItem(TCanvas* ACanvas, TRect ARect, TOwnerDrawState State, bool TopLevel) {
    if (OnAdvancedDrawItem)
        OnAdvancedDrawItem(this, ACanvas, ARect, State);
    else if (OnDrawItem)
        OnDrawItem(this, ACanvas, ARect, State.Contains(odSelected));
    else
        DrawItemDefault(ACanvas, ARect, State, TopLevel);
}

void TMenuItem::DrawItemDefault(TCanvas* ACanvas, TRect ARect, TOwnerDrawState State, bool TopLevel) {
    bool selected = State.Contains(odSelected) || State.Contains(odHotLight);
    ACanvas->Brush()->SetColor(selected ? clHighlight : (TopLevel ? clMenuBar : clMenu));
    ACanvas->FillRect(ARect);
    HDC dc = ACanvas->Handle();
    if (IsLine()) {
        TRect line(ARect.left + 2, (ARect.top + ARect.bottom) / 2 - 1, ARect.right - 2, ARect.bottom);
        DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        return;
    }
    TSize glyph = GlyphSize();
    int glyphWidth = TopLevel ? glyph.cx : std::max<int>(glyph.cx, GetSystemMetrics(SM_CXMENUCHECK));
    int gx = ARect.left + 3, gy = ARect.top + (ARect.Height() - glyph.cy) / 2;
    if (HasBitmap()) {
        FBitmap->SetTransparent(true);
        ACanvas->Draw(gx, gy, FBitmap.get());
    } else if (TCustomImageList* images = GetImageList(); images && FImageIndex >= 0) {
        images->Draw(ACanvas, gx, gy, FImageIndex, FEnabled);
    } else if (FChecked && !TopLevel) {
        int size = GetSystemMetrics(SM_CXMENUCHECK);
        TRect mark = Bounds(gx, ARect.top + (ARect.Height() - size) / 2, size, size);
        DrawFrameControl(dc, &mark, DFC_MENU, FRadioItem ? DFCS_MENUBULLET : DFCS_MENUCHECK);
    }
    if (FChecked && (HasBitmap() || (GetImageList() && FImageIndex >= 0))) {
        TRect frame = Bounds(gx - 1, gy - 1, glyph.cx + 2, glyph.cy + 2);
        DrawEdge(dc, &frame, BDR_SUNKENOUTER, BF_RECT);
    }
    ACanvas->Font()->SetColor(!FEnabled ? clGrayText : selected ? clHighlightText : clMenuText);
    if (FDefault)
        ACanvas->Font()->SetStyle(ACanvas->Font()->Style() + TFontStyles{fsBold});
    UINT flags = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS | (State.Contains(odNoAccel) ? DT_HIDEPREFIX : 0);
    if (TopLevel) {
        TRect r = ARect;
        if (glyph.cx)
            r.left += glyph.cx + 6;
        DrawTextOn(ACanvas, FCaption, r, flags | DT_CENTER);
    } else {
        TRect r(ARect.left + 3 + glyphWidth + 8, ARect.top, ARect.right - 8, ARect.bottom);
        DrawTextOn(ACanvas, FCaption, r, flags | DT_LEFT);
        if (FItems.empty() && FShortCut != scNone)
            DrawTextOn(ACanvas, ShortCutToText(FShortCut), r, flags | DT_RIGHT | DT_NOPREFIX);
    }
}

// --- TMenu ---

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner) {
    static bool hooked = (InstallMenuHooks(), true);
    (void)hooked;
    FItems = new TMenuItem(this);
    FItems->SetParentMenu(this);
    FImageChangeLink.OnChange = [this](TObject*) { RebuildAll(); };
}

TMenu::~TMenu() {
    Destroying_();
    SetImages(nullptr);
    FItems->SetParentMenu(nullptr);
    FItems->Free();
}

void TMenu::SetOwnerDraw(bool Value) {
    if (Value == FOwnerDraw)
        return;
    FOwnerDraw = Value;
    RebuildAll();
}

void TMenu::SetImages(TCustomImageList* Value) {
    if (Value == FImages)
        return;
    if (FImages) {
        FImages->UnRegisterChanges(&FImageChangeLink);
        FImages->RemoveFreeNotification(this);
    }
    FImages = Value;
    if (FImages) {
        FImages->RegisterChanges(&FImageChangeLink);
        FImages->FreeNotification(this);
    }
    if (!Destroying())
        RebuildAll();
}

void TMenu::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FImages) {
        FImages = nullptr;
        if (!Destroying())
            RebuildAll();
    }
}

void TMenu::RebuildAll() {
    // Owner drawing is a flag of every item, so every submenu is built anew.
    std::function<void(TMenuItem*)> rebuild = [&](TMenuItem* item) {
        item->RebuildHandle();
        for (TMenuItem* child : item->FItems)
            rebuild(child);
    };
    rebuild(FItems);
    MenuChanged(nullptr, true);
}

void TMenu::MenuChanged(TMenuItem* Source, bool Rebuild) { (void)Source, (void)Rebuild; }

TMenuItem* TMenu::FindItem(UINT_PTR Value, TFindItemKind Kind) const {
    std::function<TMenuItem*(TMenuItem*)> find = [&](TMenuItem* item) -> TMenuItem* {
        for (TMenuItem* child : item->FItems) {
            bool match = false;
            switch (Kind) {
            case fkCommand:
                match = child->FCommand == Value;
                break;
            case fkHandle:
                match = child->FHandle && reinterpret_cast<UINT_PTR>(child->FHandle) == Value;
                break;
            case fkShortCut:
                match = child->FShortCut != scNone && child->FShortCut == Value;
                break;
            }
            if (match)
                return child;
            if (TMenuItem* found = find(child))
                return found;
        }
        return nullptr;
    };
    if (Kind == fkHandle && FItems->FHandle && reinterpret_cast<UINT_PTR>(FItems->FHandle) == Value)
        return FItems;
    return find(FItems);
}

bool TMenu::DispatchCommand(WORD ACommand) {
    TMenuItem* item = FindItem(ACommand, fkCommand);
    if (!item)
        return false;
    item->Click();
    return true;
}

bool TMenu::DispatchPopup(HMENU AHandle) {
    TMenuItem* item = FindItem(reinterpret_cast<UINT_PTR>(AHandle), fkHandle);
    if (!item)
        return false;
    if (item != FItems)
        item->Click();
    return true;
}

bool TMenu::IsShortCut(TMessage& Message) {
    TWMKey key(Message);
    TShortCut shortcut = key.CharCode() & 0xFF;
    if (GetKeyState(VK_SHIFT) < 0)
        shortcut |= scShift;
    if (GetKeyState(VK_CONTROL) < 0)
        shortcut |= scCtrl;
    if (key.KeyData() & 0x20000000)
        shortcut |= scAlt;
    TMenuItem* item = FindItem(shortcut, fkShortCut);
    if (!item)
        return false;
    // A hidden or disabled item, or one in a disabled submenu, takes no shortcut.
    for (TMenuItem* p = item; p && p != FItems; p = p->Parent())
        if (!p->Enabled() || !p->Visible())
            return false;
    item->Click();
    return true;
}

bool TMenu::OwnerDrawMessage(TMessage& Message) {
    if (Message.Msg == WM_MEASUREITEM) {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
        if (mis->CtlType != ODT_MENU)
            return false;
        TMenuItem* item = FindItem(mis->itemID, fkCommand);
        if (!item)
            item = FindItem(mis->itemID, fkHandle);
        if (!item)
            return false;
        HDC dc = GetDC(nullptr);
        {
            TMenuItemCanvas canvas(dc);
            int width = static_cast<int>(mis->itemWidth), height = static_cast<int>(mis->itemHeight);
            item->MeasureItem(canvas.Canvas(), width, height);
            mis->itemWidth = static_cast<UINT>(std::max(width, 0));
            mis->itemHeight = static_cast<UINT>(std::max(height, 0));
        }
        ReleaseDC(nullptr, dc);
        Message.Result = 1;
        return true;
    }
    if (Message.Msg == WM_DRAWITEM) {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
        if (dis->CtlType != ODT_MENU)
            return false;
        TMenuItem* item = FindItem(dis->itemID, fkCommand);
        if (!item)
            item = FindItem(dis->itemID, fkHandle);
        if (!item)
            return false;
        TMenuItemCanvas canvas(dis->hDC);
        item->AdvancedDrawItem(canvas.Canvas(), dis->rcItem, TOwnerDrawState::FromBits(dis->itemState & 0xFFFF),
                               item->IsTopLevel());
        Message.Result = 1;
        return true;
    }
    return false;
}

// --- TMainMenu ---

TMainMenu::TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}

void TMainMenu::MenuChanged(TMenuItem* Source, bool Rebuild) {
    TMenu::MenuChanged(Source, Rebuild);
    TScreen* screen = Screen;
    if (!screen)
        return;
    for (int i = 0; i < screen->FormCount(); ++i)
        if (TCustomForm* form = screen->Forms(i); form->Menu() == this && form->HandleAllocated())
            form->Perform(CM_MENUCHANGED, 0, 0);
}

// --- TPopupMenu ---

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) { PopupMenus().push_back(this); }

TPopupMenu::~TPopupMenu() {
    auto& menus = PopupMenus();
    menus.erase(std::remove(menus.begin(), menus.end(), this), menus.end());
    if (menus.empty() && PopupWindow()) {
        DeallocateHWnd(PopupWindow());
        PopupWindow() = nullptr;
    }
}

HWND TPopupMenu::PopupListWindow() {
    if (!PopupWindow())
        PopupWindow() = AllocateHWnd(TWndFunction(PopupListMessage));
    return PopupWindow();
}

void TPopupMenu::DoPopup(TObject* Sender) {
    if (OnPopup)
        OnPopup(Sender);
}

void TPopupMenu::Notification(TComponent* AComponent, TOperation Operation) {
    TMenu::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FPopupComponent)
        FPopupComponent = nullptr;
}

void TPopupMenu::Popup(int X, int Y) {
    static const UINT aligns[] = {TPM_LEFTALIGN, TPM_RIGHTALIGN, TPM_CENTERALIGN};
    DoPopup(this);
    HWND owner = PopupListWindow();
    UINT flags = aligns[FAlignment] | (FTrackButton == tbRightButton ? TPM_RIGHTBUTTON : TPM_LEFTBUTTON);
    HMENU menu = Handle();
    SetLastError(ERROR_SUCCESS);
    // A menu closed without a choice also answers 0, but leaves no error behind.
    if (!TrackPopupMenu(menu, flags, X, Y, 0, owner, nullptr) && GetLastError() != ERROR_SUCCESS)
        RaiseLastOSError("TrackPopupMenu");
}
