// The skin provider as a component: hooking its form, the metrics of the form's frame, the window region, the
// desktop composition policy and the form's window procedure.
#include "sSkinProvider.h"
#include "sMDIForm.h"
#include "sSkinMenus.h"
#include "sSystemMenu.h"

#include "skin/adapters/acSBUtils.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sDialogs.h"
#include "skin/engine/sGraphUtils.h"
#include "skin/engine/sSkinData.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

#include "classlib/runtime/Finally.h"
#include "classlib/visual/Forms.h"
#include "classlib/visual/Menus.h"

#include <algorithm>

namespace {

// The adapters hook a provider's form rather than the provider, which has no window.
TWinControl* FormOfProvider(TObject* Owner) {
    auto* provider = dynamic_cast<TsSkinProvider*>(Owner);
    return provider ? provider->Form() : nullptr;
}

const bool kProviderFormRegistered = [] {
    acProviderForm = &FormOfProvider;
    return true;
}();

constexpr DWORD DWMWA_NCRENDERING_POLICY_ = 2, DWMWA_ALLOW_NCPAINT_ = 4;
constexpr int DWMNCRP_USEWINDOWSTYLE_ = 0, DWMNCRP_ENABLED_ = 2;

// Messages a skinned form answers 0 itself: the system's and the class library's questions whose default answers
// would show the form's own frame or region through.
constexpr UINT kSwallowed[] = {0x93, WM_ENTERIDLE, WM_PRINTCLIENT, 0xB034, 0xB04C, 0xBC4D};

}  // namespace

bool acDwmSwitch = false;

TacDwmEntryPoints& acDwm() {
    static TacDwmEntryPoints entries;
    if (!entries.Loaded) {
        entries.Loaded = true;
        // Kept loaded for the life of the program, as the entry points are.
        if (HMODULE dwm = LoadLibraryA("DWMAPI.DLL")) {
            entries.SetWindowAttribute = reinterpret_cast<decltype(entries.SetWindowAttribute)>(
                reinterpret_cast<void*>(GetProcAddress(dwm, "DwmSetWindowAttribute")));
            entries.IsCompositionEnabled = reinterpret_cast<decltype(entries.IsCompositionEnabled)>(
                reinterpret_cast<void*>(GetProcAddress(dwm, "DwmIsCompositionEnabled")));
        }
    }
    return entries;
}

HRESULT acDwmSetWindowAttribute(HWND Wnd, DWORD Attribute, LPCVOID Value, DWORD Size) {
    TacDwmEntryPoints& dwm = acDwm();
    if (!dwm.SetWindowAttribute)
        return E_NOTIMPL;
    return dwm.SetWindowAttribute(Wnd, Attribute, Value, Size);
}

// --- construction and destruction ---

TsSkinProvider::TsSkinProvider(TComponent* AOwner) : TacSkinProviderBase(AOwner) {
    for (TComponent* owner = AOwner; owner; owner = owner->Owner())
        if (auto* form = dynamic_cast<TCustomForm*>(owner)) {
            FForm = form;
            break;
        }
    if (AOwner && AOwner->InheritsFrom("TCustomFrame"))
        ShowWarning(
            "TsSkinProvider component must be used with forms only!\r\nFor frames skinning may be used "
            "TsFrameAdapter component.");
    FSkinData = std::make_unique<TsCommonData>(this, false);
    FSkinData->COC = 224;
    FSkinData->SetSkinSection("FORM");
    if (FForm && !FForm->ControlState().Empty())
        FSkinData->Updating = true;
    FTitleIcon = std::make_unique<TsTitleIcon>();
    FTitleButtons = std::make_unique<TsTitleButtons>(this);
    if (FForm)
        for (int i = 0; i < FForm->ComponentCount(); ++i) {
            TComponent* other = FForm->Components(i);
            if (other != this && dynamic_cast<TsSkinProvider*>(other)) {
                // One provider a form: a second one stays without its form and never hooks it.
                FForm = nullptr;
                break;
            }
            if (other == this)
                break;
        }
    if (!FForm)
        return;
    FButtonsBack = std::make_unique<TBitmap>();
    FMenuLineBmp = CreateBmp24(0, 0);
    FMDIPending = true;
    FRegionRects.clear();
    FMenuLineCount = -1;
    FHook.Install(FForm, TWndMethod(this, &TsSkinProvider::NewWndProc));
    AddSupportedForm(FForm);
    FRegistered = true;
    FFormActive = true;
}

void TsSkinProvider::AfterConstruction() {
    TsSkinManager* manager = FSkinData->SkinManager();
    if (manager && manager->Active())
        InitFormSkin();
}

void TsSkinProvider::BeforeDestruction() {
    TacSkinProviderBase::BeforeDestruction();
    if (!FForm)
        return;
    // No cover may outlive the provider whose procedure and picture it uses.
    if (MenuLoopProvider == this)
        FreeMenuLoopCover();
    MDIBeforeDestruction();
    if (TForm* cover = FCaptionCover) {
        FCaptionCover = nullptr;
        cover->SetWindowProc(FCoverOldWndProc);
        cover->Free();
    }
    AbandonXorFrame();
    // The adapters hooked on the form go first, so that nothing restores a procedure of ours afterwards.
    FScrollWnd.reset();
    FRetiredScrollWnd.reset();
    FAdapter.reset();
    if (FRegistered)
        RemoveSupportedForm(FForm);
    FRegistered = false;
    FHook.Remove();
    bool formLives = !FForm->Destroying() && FForm->HandleAllocated();
    if (formLives && FSkinData->Skinned()) {
        // The form goes on without a skin: its own frame, region and system buttons come back.
        HideSystemButtons(false);
        if (HaveBorder())
            SetWindowRgn(FForm->Handle(), nullptr, TRUE);
        RedrawWindow(FForm->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
    }
}

TsSkinProvider::~TsSkinProvider() {
    if (!ComponentState().Contains(csDestroying))
        BeforeDestruction();
    FAdapter.reset();
    FHook.Remove();
}

void TsSkinProvider::Loaded() {
    TacSkinProviderBase::Loaded();
    if (!FForm)
        return;
    // The section was named before the description's manager had read its skin: its indexes are read now.
    FSkinData->Loaded();
    TsSkinManager* manager = FSkinData->SkinManager();
    if (!manager || !FSkinData->Skinned(true))
        return;
    if (!FAdapter)
        PrepareForm();
    InitFormSkin();
    if (FSystemMenu)
        FSystemMenu->UpdateItems();
    // The frame behind user title buttons: the skin's common one, else the form section's own.
    FUserButtonImage = manager->GetMaskIndex(manager->ConstData.IndexGlobalInfo, "GLOBALINFO", "TITLEBUTTON");
    if (!manager->IsValidImgIndex(FUserButtonImage))
        FUserButtonImage = manager->GetMaskIndex(FSkinData->SkinIndex, FSkinData->SkinSection(), "TITLEBUTTON");
    if (FMDIForm)
        FMDIForm->Connect();
}

void TsSkinProvider::Notification(TComponent* AComponent, TOperation Operation) {
    TacSkinProviderBase::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent && AComponent == FHotMenuItem)
        FHotMenuItem = nullptr;
    if (auto* manager = dynamic_cast<TsSkinManager*>(AComponent)) {
        if (Operation == opInsert && !FSkinData->SkinManager())
            FSkinData->SetSkinManager(manager);
        else if (Operation == opRemove && FSkinData->SkinManager() == manager)
            FSkinData->SetSkinManager(nullptr);
        return;
    }
    if (Operation == opInsert && FAdapter)
        if (auto* control = dynamic_cast<TWinControl*>(AComponent); control && FAdapter->IsControlSupported(control))
            FAdapter->AddControl(control);
}

void TsSkinProvider::PrepareForm() {
    if (!FForm || !FSkinData->Skinned())
        return;
    FAdapter = std::make_unique<TacCtrlAdapter>(FForm, FSkinData.get(), &OnSkinItem);
    FAdapter->AddAllItems(nullptr);
}

void TsSkinProvider::InitFormSkin() {
    TsSkinManager* manager = FSkinData->SkinManager();
    if (!manager || !FForm || !FForm->HandleAllocated())
        return;
    FSkinData->Loaded();
    // The provider draws the caption buttons itself: the system's would be painted over the skinned caption. A form
    // whose manager has no skin in force keeps its own buttons and system menu.
    if (FSkinData->Skinned())
        HideSystemButtons(true);
    if (!FSystemMenu) {
        FSystemMenu = new TsSystemMenu(this);
        FSystemMenu->Form = FForm;
        FSystemMenu->MakeSkinItems();
    }
    if (FMDIPending && FForm->FormStyle() == fsMDIForm)
        MakeMDIForm(true);
    FMDIPending = false;
    FSkinData->UpdateIndexes();
    InitTitleButtonGlyphs();
    FGlyphFlags[0] = FGlyphFlags[1] = FGlyphFlags[2] = true;
    // A child's skin changes what its parent's menu line shows (the maximized child's icon and buttons).
    if (FForm->FormStyle() == fsMDIChild && FSkinData->Skinned())
        if (TsSkinProvider* parent = ParentProvider()) {
            parent->FSkinData->BGChanged = true;
            parent->FMenuLineCount = -1;
        }
    if (!FForm->ControlState().Contains(csCreating) && !FForm->ControlState().Contains(csReadingState) && !Loading() &&
        FUseGlobalColor && !FSkinData->CustomColor() && FSkinData->Skinned())
        FForm->SetColor(manager->GetGlobalColor());
    UpdateMenus(FSkinData->Skinned());
    if (FSystemMenu)
        FSystemMenu->UpdateItems();
    FFrameDirty = true;
    FRegionChanged = true;
    FSkinData->BGChanged = true;
}

void TsSkinProvider::HideSystemButtons(bool Value) {
    if (!FForm || !FForm->HandleAllocated())
        return;
    HWND wnd = FForm->Handle();
    LONG style = GetWindowLongA(wnd, GWL_STYLE);
    if (Value) {
        if ((style & WS_SYSMENU) || FSysMenuHidden) {
            SetWindowLongA(wnd, GWL_STYLE, style & ~WS_SYSMENU);
            FSysMenuHidden = true;
        } else {
            FSysMenuHidden = false;
        }
    } else {
        if (FSysMenuHidden)
            SetWindowLongA(wnd, GWL_STYLE, style | WS_SYSMENU);
        FSysMenuHidden = false;
    }
}

namespace {

// Hands the menus among Owner's components (and theirs) to the painter.
void HookMenusOf(TComponent* Owner, TsSkinableMenus* Painter, bool Skinned, bool Popups) {
    for (int i = 0; i < Owner->ComponentCount(); ++i) {
        TComponent* c = Owner->Components(i);
        if (auto* main = dynamic_cast<TMainMenu*>(c))
            Painter->HookMainMenu(main, Skinned);
        else if (auto* popup = dynamic_cast<TPopupMenu*>(c); popup && !dynamic_cast<TsSystemMenu*>(c))
            Painter->HookPopupMenu(popup, Skinned && Popups);
        else if (auto* item = dynamic_cast<TMenuItem*>(c); item && !dynamic_cast<TMainMenu*>(item->Owner()))
            Painter->InitItem(Skinned && Popups, item);
        HookMenusOf(c, Painter, Skinned, Popups);
    }
}

}  // namespace

void TsSkinProvider::UpdateMenus(bool Skinned) {
    TsSkinManager* manager = FSkinData->SkinManager();
    if (!FForm || FForm->Destroying() || !manager || !manager->IsDefault())
        return;
    auto* painter = dynamic_cast<TsSkinableMenus*>(manager->SkinableMenus());
    if (!painter)
        return;
    painter->SetActive(Skinned);
    HookMenusOf(FForm, painter, Skinned, manager->SkinnedPopups());
    if (Skinned && !FMenuSkinned && FForm->Menu())
        FMenuSkinned = true;
}

// --- properties ---

void TsSkinProvider::SetCaptionAlignment(TAlignment Value) {
    if (Value == FCaptionAlignment)
        return;
    FCaptionAlignment = Value;
    FFrameDirty = true;
    FSkinData->BGChanged = true;
    if (FForm && FForm->HandleAllocated() && FForm->Visible())
        SendMessageA(FForm->Handle(), WM_NCPAINT, 0, 0);
}

void TsSkinProvider::SetShowAppIcon(bool Value) {
    if (Value == FShowAppIcon)
        return;
    FShowAppIcon = Value;
    FFrameDirty = true;
    FSkinData->BGChanged = true;
    if (FForm && FForm->HandleAllocated() && FForm->Visible())
        SendMessageA(FForm->Handle(), WM_NCPAINT, 0, 0);
}

void TsSkinProvider::SetTitleSkin(const std::string& Value) {
    if (Value == FTitleSkin)
        return;
    FTitleSkin = Value;
    FFrameDirty = true;
    FSkinData->BGChanged = true;
    if (FForm && FForm->HandleAllocated() && FForm->Visible())
        SendMessageA(FForm->Handle(), WM_NCPAINT, 0, 0);
}

void TsSkinProvider::SetTitleButtons(TsTitleButtons* Value) {
    FTitleButtons->Assign(Value);
}

void TsSkinProvider::SetUseGlobalColor(bool Value) {
    if (Value == FUseGlobalColor)
        return;
    FUseGlobalColor = Value;
    if (!FForm)
        return;
    if (FSkinData->Skinned() && Value && !FSkinData->CustomColor())
        FForm->SetColor(FSkinData->SkinManager()->GetGlobalColor());
    else
        FForm->SetColor(clBtnFace);
}

TColor TsSkinProvider::FormColor() const {
    if (FSkinData->Skinned() && !FSkinData->CustomColor()) {
        const TsGeneralData& section = FSkinData->SkinManager()->Sections[FSkinData->SkinIndex];
        return ColorToRGB(FFormActive ? section.HotColor : section.Color);
    }
    return FForm ? ColorToRGB(FForm->Color()) : ColorToRGB(clBtnFace);
}

void TsSkinProvider::RepaintFrame() {
    FSkinData->BGChanged = true;
    FFrameDirty = true;
    FMenuLineCount = -1;
    if (FForm && FForm->HandleAllocated())
        SendMessageA(FForm->Handle(), WM_NCPAINT, 0, 0);
}

void TsSkinProvider::HandleSkinMessage(TMessage& Message) {
    (void)Message;
}

// --- metrics ---

bool TsSkinProvider::HaveBorder() const {
    return FForm && (FForm->BorderStyle() != bsNone || FForm->FormStyle() == fsMDIChild);
}

int TsSkinProvider::SysCaptionHeight() const {
    if (!FForm || !FForm->HandleAllocated())
        return 0;
    HWND wnd = const_cast<TCustomForm*>(FForm)->Handle();
    LONG style = GetWindowLongA(wnd, GWL_STYLE);
    if (!((HaveBorder() && (style & WS_CAPTION) == WS_CAPTION) || IsIconic(wnd)))
        return 0;
    TFormBorderStyle border = FForm->BorderStyle();
    return GetSystemMetrics(border == bsToolWindow || border == bsSizeToolWin ? SM_CYSMCAPTION : SM_CYCAPTION);
}

int TsSkinProvider::SysBorderWidth() const {
    if (!HaveBorder())
        return 0;
    TFormBorderStyle border = FForm->BorderStyle();
    if (border == bsSingle || border == bsToolWindow || (border == bsDialog && FForm->FormStyle() != fsMDIChild))
        return GetSystemMetrics(SM_CXFIXEDFRAME);
    return GetSystemMetrics(SM_CXFRAME);
}

int TsSkinProvider::SysBorderHeight() const {
    if (!HaveBorder())
        return 0;
    TFormBorderStyle border = FForm->BorderStyle();
    if (border == bsSingle || border == bsToolWindow || (border == bsDialog && FForm->FormStyle() != fsMDIChild))
        return GetSystemMetrics(SM_CYFIXEDFRAME);
    return GetSystemMetrics(SM_CYFRAME);
}

namespace {
// An iconic form's window is the small one the system shows, not the size the form keeps for its restoring.
bool IconicWindowRect(const TCustomForm* Form, RECT& R) {
    if (!Form->HandleAllocated())
        return false;
    HWND wnd = const_cast<TCustomForm*>(Form)->Handle();
    return IsIconic(wnd) && GetWindowRect(wnd, &R);
}
}  // namespace

int TsSkinProvider::FormWidth() const {
    if (!FForm)
        return 0;
    RECT r;
    return IconicWindowRect(FForm, r) ? r.right - r.left : FForm->Width();
}

int TsSkinProvider::FormHeight() const {
    if (!FForm)
        return 0;
    RECT r;
    return IconicWindowRect(FForm, r) ? r.bottom - r.top : FForm->Height();
}

int TsSkinProvider::ButtonWidth(const TsCaptionButton& Btn) const {
    TsSkinManager* manager = FSkinData->SkinManager();
    if (!manager || !manager->IsValidImgIndex(Btn.ImageIndex))
        return 21;
    return MaskStateWidth(manager->Masks[Btn.ImageIndex]);
}

int TsSkinProvider::ButtonHeight() const {
    TsSkinManager* manager = FSkinData->SkinManager();
    if (!manager || !manager->IsValidImgIndex(FButtons[cbClose].ImageIndex))
        return 21;
    return MaskStateHeight(manager->Masks[FButtons[cbClose].ImageIndex]);
}

int TsSkinProvider::UserButtonWidth(int Index) const {
    TsTitleButton* button = FTitleButtons->Items(Index);
    int glyph = button->Glyph() && !button->Glyph()->Empty() ? button->Glyph()->Width() + 2 : 0;
    TsSkinManager* manager = FSkinData->SkinManager();
    int frame =
        manager && manager->IsValidImgIndex(FUserButtonImage) ? MaskStateWidth(manager->Masks[FUserButtonImage]) : 21;
    return std::max(glyph, frame);
}

int TsSkinProvider::ButtonsWidth() const {
    int spacing = 0;
    if (FForm && (FForm->BorderStyle() == bsSingle || FForm->BorderStyle() == bsSizeable))
        if (TsSkinManager* manager = FSkinData->SkinManager(); manager && manager->SkinData())
            spacing = manager->SkinData()->BISpacing;
    int width = 0;
    if (CloseVisible())
        width += ButtonWidth(FButtons[cbClose]) + spacing;
    if (MaxVisible())
        width += ButtonWidth(FButtons[cbMax]) + spacing;
    if (MinVisible())
        width += ButtonWidth(FButtons[cbMin]) + spacing;
    if (HelpVisible())
        width += ButtonWidth(FButtons[cbHelp]) + spacing;
    if (FTitleButtons->Count() > 0) {
        width += 8;
        for (int i = 0; i < FTitleButtons->Count(); ++i)
            width += UserButtonWidth(i) + spacing;
    }
    return width;
}

int TsSkinProvider::BorderTop() const {
    return SysBorderHeight() + (FForm ? FForm->BorderWidth() : 0);
}

int TsSkinProvider::MenuLineHeight() const {
    return FForm && FForm->Menu() ? GetSystemMetrics(SM_CYMENU) - 1 : 0;
}

int TsSkinProvider::ClientOffsetX() const {
    if (!FForm || !FForm->HandleAllocated())
        return 0;
    // Measured from where the system placed the client area, so a frame without caption is right too.
    TRect r;
    GetClientRectInWindow(const_cast<TCustomForm*>(FForm)->Handle(), r);
    return r.left;
}

int TsSkinProvider::ClientOffsetY() const {
    if (!FForm || !FForm->HandleAllocated())
        return 0;
    TRect r;
    GetClientRectInWindow(const_cast<TCustomForm*>(FForm)->Handle(), r);
    return r.top;
}

int TsSkinProvider::CaptionAreaHeight() const {
    if (!FForm || !FForm->HandleAllocated())
        return 0;
    HWND wnd = const_cast<TCustomForm*>(FForm)->Handle();
    RECT window, client;
    GetWindowRect(wnd, &window);
    GetClientRect(wnd, &client);
    int result = (window.bottom - window.top) - client.bottom;
    if (SysCaptionHeight() != 0)
        result -= SysBorderHeight() + FForm->BorderWidth();
    result = std::max(result, 0);
    if (IsIconic(wnd))
        result += SysBorderHeight();
    if (FScrollWnd && !FScrollWnd->Destroyed && FScrollWnd->HScrollBar && FScrollWnd->HScrollBar->Visible &&
        FSkinData->Skinned())
        result -= GetScrollMetric(FScrollWnd->HScrollBar.get(), true);
    return result;
}

// The caption buttons follow the system menu's rules; before the form is first skinned there is no button.
bool TsSkinProvider::CloseVisible() const {
    return FSystemMenu && FSystemMenu->VisibleClose();
}
bool TsSkinProvider::MaxVisible() const {
    return FSystemMenu && FSystemMenu->VisibleMax();
}
bool TsSkinProvider::MinVisible() const {
    return FSystemMenu && FSystemMenu->VisibleMin();
}
bool TsSkinProvider::HelpVisible() const {
    return FForm && FForm->BorderIcons().Contains(biHelp);
}
bool TsSkinProvider::MaxEnabled() const {
    return FSystemMenu && FSystemMenu->EnabledMax();
}
bool TsSkinProvider::MinEnabled() const {
    return FSystemMenu && FSystemMenu->EnabledMin();
}
bool TsSkinProvider::RestoreEnabled() const {
    return FSystemMenu && FSystemMenu->EnabledRestore();
}

// --- desktop composition ---

void TsSkinProvider::SetDwmNcPolicy(HWND Handle, bool Skinned) { acSetDwmNcPolicy(Handle, Skinned); }

bool TsSkinProvider::DwmAvailable() const { return acDwmAvailable(); }

void acSetDwmNcPolicy(HWND Handle, bool Skinned) {
    if (!acDwmSwitch || !Handle || IsZoomed(Handle))
        return;
    if (Skinned) {
        int policy = DWMNCRP_ENABLED_, allow = -1;
        acDwmSetWindowAttribute(Handle, DWMWA_NCRENDERING_POLICY_, &policy, sizeof policy);
        acDwmSetWindowAttribute(Handle, DWMWA_ALLOW_NCPAINT_, &allow, sizeof allow);
    } else {
        int allow = 0, policy = DWMNCRP_USEWINDOWSTYLE_;
        acDwmSetWindowAttribute(Handle, DWMWA_ALLOW_NCPAINT_, &allow, sizeof allow);
        acDwmSetWindowAttribute(Handle, DWMWA_NCRENDERING_POLICY_, &policy, sizeof policy);
        // The flags as named (0x27): the window keeps its place in the Z order.
        SetWindowPos(Handle, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
    }
}

bool acDwmAvailable() {
    if (!acDwmSwitch || acWinMajorVersion < 6)
        return false;
    TacDwmEntryPoints& dwm = acDwm();
    if (!dwm.IsCompositionEnabled)
        return false;
    BOOL enabled = FALSE;
    return SUCCEEDED(dwm.IsCompositionEnabled(&enabled)) && enabled;
}

// --- window region ---

void TsSkinProvider::PrepareRegionRects() {
    FRegionRects.clear();
    TsSkinManager* manager = FSkinData->SkinManager();
    if (!manager || !FSkinData->Skinned() || !FForm)
        return;
    int width = FormWidth();
    if (manager->IsValidImgIndex(FSkinData->BorderIndex)) {
        const TsMaskData& mask = manager->Masks[FSkinData->BorderIndex];
        AddMaskRgnRects(FRegionRects, width, mask, false, 0);
        AddMaskRgnRects(FRegionRects, width, mask, true, FormHeight() - mask.WB);
    }
    int caption = CaptionSection();
    if (manager->IsValidSkinIndex(caption)) {
        int mask = manager->GetMaskIndex(caption, CaptionSectionName(), "BORDERSMASK");
        if (manager->IsValidImgIndex(mask))
            AddMaskRgnRects(FRegionRects, width, manager->Masks[mask], false, 0);
    }
}

HRGN TsSkinProvider::CreateSkinRegion(int X, int Y) {
    HRGN region = CreateRectRgn(X, Y, X + FormWidth(), Y + FormHeight());
    for (const TRect& r : FRegionRects) {
        HRGN cut = CreateRectRgn(X + r.left, Y + r.top, X + r.right, Y + r.bottom);
        CombineRgn(region, region, cut, RGN_DIFF);
        DeleteObject(cut);
    }
    return region;
}

void TsSkinProvider::UpdateFormRegion(bool Redraw) {
    if (FRegionLocked || !FForm || !FForm->HandleAllocated())
        return;
    HWND wnd = FForm->Handle();
    if (!HaveBorder() && !IsIconic(wnd))
        return;
    if (FForm->Parent()) {
        SetWindowRgn(wnd, nullptr, FALSE);
        return;
    }
    // Asked every time, not only before the first frame: a window that keeps its own region never gets ours.
    if (SendMessageA(wnd, 0xBC4D, 16802, 0) == 16802)
        return;
    // The flag covers only the change itself: the system's notifications that SetWindowRgn sends are the region's,
    // not a move or a new size of the form.
    FRegionPending = true;
    auto done = Finally([&] { FRegionPending = false; });
    SetWindowRgn(wnd, CreateSkinRegion(0, 0), Redraw ? TRUE : FALSE);
}

// --- the window procedure ---

void TsSkinProvider::CallOld(TMessage& Message) {
    FHook.CallPrevious(Message);
}

bool TsSkinProvider::Skinned() const {
    return FForm && !FForm->Destroying() && FSkinData->Skinned(false);
}

void TsSkinProvider::FlagDirty() {
    FSkinData->BGChanged = true;
}

bool TsSkinProvider::UnskinnedCommand(TMessage& Message) {
    TsSkinManager* manager = FSkinData->SkinManager();
    bool fromManager = Message.LParam == reinterpret_cast<LPARAM>(manager);
    switch (SkinCmdOf(Message.WParam)) {
        case scNewSkin:
            // A form that lost its skin takes the new one; a skinned form re-reads it on the skinned path below.
            if (FForm && !FForm->Destroying() && fromManager && (!FSystemMenu || !Skinned()))
                InitFormSkin();
            return false;
        case scRemoveSkin:
            if (!fromManager) {
                if (FForm)
                    BroadcastSkinMessage(FForm, Message);
                return true;
            }
            RemoveSkin(Message);
            return true;
        case scIsSkinned:
            Message.Result = 1;
            return true;
        case scGetBgInfo:
            BackgroundQuery(Message);
            return true;
        case scCacheState:
            Message.Result = FSkinData->CtrlState;
            return true;
        case scGetApplication:
            Message.Result = reinterpret_cast<LRESULT>(Application.Get());
            return true;
        case scGetClientOffset:
            Message.Result = MAKELONG(ClientOffsetX(), ClientOffsetY());
            return true;
        default:
            return false;
    }
}

void TsSkinProvider::RemoveSkin(TMessage& Message) {
    HWND wnd = FForm && FForm->HandleAllocated() ? FForm->Handle() : nullptr;
    SetDwmNcPolicy(wnd, false);
    FDwmDone = false;
    if (FAdapter) {
        TMessage removal = Message;
        FAdapter->WndProc(removal);
        FAdapter.reset();
    }
    RetireScrollWnd();
    CommonWndProc(Message, FSkinData.get());
    FMenuLineCount = -1;
    if (FForm)
        BroadcastSkinMessage(FForm, Message);
    TsSkinManager* manager = FSkinData->SkinManager();
    if (FForm && !FForm->Destroying() && manager && wnd) {
        UpdateMenus(false);
        HideSystemButtons(false);
        MakeMDIForm(false);
        if (HaveBorder() && !FRegionLocked)
            SetWindowRgn(wnd, nullptr, TRUE);
        UpdateMainMenu();
        RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
        if (FUseGlobalColor && !FSkinData->CustomColor())
            FForm->SetColor(clBtnFace);
    }
    FFormImage.reset();
    FFramePainted = false;
    FFrameDirty = true;
    FRegionChanged = true;
    FRegionRects.clear();
}

bool TsSkinProvider::SkinnedCommand(TMessage& Message) {
    TsSkinManager* manager = FSkinData->SkinManager();
    bool fromManager = Message.LParam == reinterpret_cast<LPARAM>(manager);
    switch (SkinCmdOf(Message.WParam)) {
        case scNewSkin:
            if (fromManager) {
                FSkinData->UpdateIndexes();
                InitTitleButtonGlyphs();
                HideSystemButtons(true);
                UpdateMenus(true);
                FFrameDirty = true;
                FlagDirty();
                FMenuLineCount = -1;
                FRegionChanged = true;
                if (FForm->HandleAllocated())
                    SendMessageA(FForm->Handle(), WM_NCPAINT, 0, 0);
                if (FForm->FormStyle() == fsMDIForm) {
                    MakeMDIForm(true);
                    FMDIForm->Connect();
                }
            }
            return true;
        case scRefresh:
            if (fromManager) {
                if (!FAdapter)
                    PrepareForm();
                else
                    FAdapter->AddAllItems();
                InitFormScrollBars();
                FMenuLineCount = -1;
                FFormImage.reset();
                if (!manager->Loading()) {
                    UpdateMainMenu();
                    UpdateMenus(FSkinData->Skinned());
                }
                if (HaveBorder())
                    FRegionChanged = true;
                if (FForm->Visible() && FForm->HandleAllocated()) {
                    FlagDirty();
                    FFrameDirty = true;
                    if (!PaintingHeldBack()) {
                        TCustomForm* maximized = MaximizedMDIChild();
                        if (maximized && maximized->HandleAllocated()) {
                            // The maximized child covers the client window: the frame and the child repaint.
                            SendMessageA(FForm->Handle(), WM_NCPAINT, 0, 0);
                            InvalidateRect(maximized->Handle(), nullptr, TRUE);
                        } else {
                            constexpr UINT redraw =
                                RDW_INVALIDATE | RDW_ERASE | RDW_NOCHILDREN | RDW_UPDATENOW | RDW_FRAME;
                            RedrawWindow(FForm->Handle(), nullptr, nullptr, redraw);
                            if (HWND client = FForm->FormStyle() == fsMDIForm ? FForm->ClientHandle() : nullptr)
                                RedrawWindow(client, nullptr, nullptr, redraw);
                        }
                    }
                }
                if (FUseGlobalColor && !FSkinData->CustomColor())
                    FForm->SetColor(manager->GetGlobalColor());
                if (FMDIForm)
                    FMDIForm->Connect();
                FSkinData->Updating = false;
                if (FAdapter)
                    FAdapter->WndProc(Message);
            }
            return true;
        case scGetProvider:
            Message.Result = ProviderAnswer(this);
            return true;
        default:
            return StateCommand(Message);
    }
}

void TsSkinProvider::BackgroundQuery(TMessage& Message) {
    auto* info = reinterpret_cast<TacBGInfo*>(Message.LParam);
    if (!info)
        return;
    int ox = ClientOffsetX(), oy = ClientOffsetY();
    // An asker that wants pixels painted names a place in the client area: the cache has the frame around it.
    if (info->PleaseDraw) {
        info->Offset.x += ox;
        info->Offset.y += oy;
    }
    GetBGInfo(FSkinData.get(), *info, FFormActive, FForm && FForm->HandleAllocated() ? FForm->Handle() : nullptr);
    if (info->BgType == 2 && !info->PleaseDraw) {
        if (!info->Bmp) {
            PaintAll();
            info->Bmp = Cache();
        }
        info->Offset = TPoint(ox, oy);
    }
}

void TsSkinProvider::NewWndProc(TMessage& Message) {
    try {
        if (Message.Msg == SM_QUORVEXCMD && UnskinnedCommand(Message))
            return;
        if (!Skinned()) {
            if (Message.Msg == SM_QUORVEXCMD && SkinCmdOf(Message.WParam) == scGetProvider) {
                Message.Result = ProviderAnswer(this);
                return;
            }
            CallOld(Message);
            MDIAfterUnskinned(Message);
            return;
        }
        if (Message.Msg == SM_QUORVEXCMD) {
            if (!SkinnedCommand(Message))
                CallOld(Message);
            return;
        }
        for (UINT swallowed : kSwallowed)
            if (Message.Msg == swallowed) {
                Message.Result = 0;
                return;
            }
        if (XorFrameMessage(Message))
            return;
        if (MDIWndProc(Message))
            return;
        if (StateWndProc(Message))
            return;
        if (InputMessage(Message))
            return;
        HWND wnd = FForm->Handle();
        switch (Message.Msg) {
            case WM_CREATE:
                FFormImage.reset();
                CallOld(Message);
                if (FForm->FormStyle() != fsMDIChild)
                    InitFormSkin();
                return;
            case WM_SIZE:
                SizeHandler(Message);
                return;
            case WM_PAINT:
                if (!FDwmDone) {
                    FDwmDone = true;
                    SetDwmNcPolicy(wnd, true);
                }
                if (FForm->Showing()) {
                    if (FSkinData->IsCached()) {
                        PaintHandler(Message);
                        if (FForm->FormStyle() == fsMDIForm)
                            PaintMDIChildren(reinterpret_cast<HDC>(Message.WParam));
                    } else {
                        if (!FForm->Destroying())
                            InvalidateRect(wnd, nullptr, TRUE);
                        PAINTSTRUCT ps;
                        HDC dc = BeginPaint(wnd, &ps);
                        auto end = Finally([&] { EndPaint(wnd, &ps); });
                        // The background is the erase's; what the form draws itself comes over it, as in its
                        // printed picture.
                        if (dc && !PaintingHeldBack())
                            PaintFormItself(dc);
                    }
                    Message.Result = 0;
                    return;
                }
                CallOld(Message);
                return;
            case WM_ERASEBKGND:
                if (!FForm->Showing()) {
                    CallOld(Message);
                    return;
                }
                if (!FSkinData->IsCached())
                    EraseHandler(Message);
                Message.Result = 1;
                return;
            case WM_NCPAINT:
                if (PaintingHeldBack()) {
                    Message.Result = 0;
                    return;
                }
                if (IsIconic(wnd))
                    FlagDirty();
                if (!FAnimating && FForm->Showing() && !Loading() && FSystemMenu)
                    NCPaintHandler();
                Message.Result = 0;
                return;
            case WM_PRINT:
                PrintHandler(Message);
                return;
            default:
                CallOld(Message);
                return;
        }
    } catch (...) {
        if (TApplication* app = Application)
            app->HandleException(this);
    }
}

void TsSkinProvider::SizeHandler(TMessage& Message) {
    HWND wnd = FForm->Handle();
    RECT client;
    GetClientRect(wnd, &client);
    bool grew = client.right >= FLastClientRect.right && client.bottom >= FLastClientRect.bottom;
    TsSkinManager* manager = FSkinData->SkinManager();
    if (FGripMode == gmRightBottom && manager && !FSkinData->IsCached() && !FLastClientRect.IsEmpty() &&
        (client.right != FLastClientRect.right || client.bottom != FLastClientRect.bottom)) {
        // The grip drawn straight onto the client stays where it was unless its old place is painted again; its
        // new place may lie in what the client showed already.
        int grip = manager->GetMaskIndex(manager->ConstData.IndexGlobalInfo, "GLOBALINFO", "GRIPIMAGE");
        if (manager->IsValidImgIndex(grip)) {
            const TsMaskData& mask = manager->Masks[grip];
            const int w = MaskStateWidth(mask), h = MaskStateHeight(mask);
            RECT old = {FLastClientRect.right - w, FLastClientRect.bottom - h, FLastClientRect.right,
                        FLastClientRect.bottom};
            RECT now = {client.right - w, client.bottom - h, client.right, client.bottom};
            InvalidateRect(wnd, &old, TRUE);
            InvalidateRect(wnd, &now, TRUE);
        }
    }
    if (!(grew && !FLastClientRect.IsEmpty()) && manager) {
        bool cached = FSkinData->IsCached();
        for (const char* key : {"IMGTOPRIGHT", "IMGBTMRIGHT"}) {
            int image = manager->GetMaskIndex(FSkinData->SkinIndex, FSkinData->SkinSection(), key);
            if (!manager->IsValidImgIndex(image))
                continue;
            const TsMaskData& mask = manager->Masks[image];
            RECT r = {FLastClientRect.right - MaskStateWidth(mask), FLastClientRect.bottom - MaskStateHeight(mask),
                      FLastClientRect.right, FLastClientRect.bottom};
            InvalidateRect(wnd, &r, !cached);
        }
        if (manager->Sections[FSkinData->SkinIndex].Transparency > 0)
            InvalidateRect(wnd, nullptr, TRUE);
    }
    FLastClientRect = TRect(0, 0, client.right, client.bottom);
    CallOld(Message);
    if (!FForm->Showing() || PaintingHeldBack())
        return;
    if ((!IsIconic(wnd) || !DwmAvailable()) && FrameNeedsUpdate()) {
        FRegionChanged = true;
        FlagDirty();
        FMenuLineCount = -1;
        SendMessageA(wnd, WM_NCPAINT, 0, 0);
    }
}

bool TsSkinProvider::FrameNeedsUpdate() const {
    TBitmap* cache = Cache();
    if (!cache)
        return true;
    return cache->Width() != FormWidth() || cache->Height() != FormHeight();
}

bool TsSkinProvider::IsSizeBox() const {
    return FForm && !HaveBorder() && FForm->HandleAllocated() &&
           (GetWindowLongA(const_cast<TCustomForm*>(FForm)->Handle(), GWL_STYLE) & WS_SIZEBOX) != 0;
}

void TsSkinProvider::PrintHandler(TMessage& Message) {
    Message.Result = 0;
    if (!FForm->Visible() || Loading() || FForm->FormState().Contains(fsCreating) || FForm->Destroying())
        return;
    // Behind a maximized sibling a child shows nothing of itself.
    if (HiddenBehindMaximizedSibling())
        return;
    auto DC = reinterpret_cast<HDC>(Message.WParam);
    if (!DC)
        return;
    UpdateMainMenu();
    FSkinData->Updating = false;
    int saved = SaveDC(DC);
    auto restore = Finally([&] { RestoreDC(DC, saved); });
    if (IsSizeBox())
        CopyEdgesFromCache(DC);
    else
        DrawFrameFromCache(DC);
    OffsetViewportOrgEx(DC, ClientOffsetX(), ClientOffsetY(), nullptr);
    IntersectClipRect(DC, 0, 0, FForm->ClientWidth(), FForm->ClientHeight());
    if (FSkinData->IsCached()) {
        int inner = SaveDC(DC);
        ExcludeGraphicControls(DC, FForm, 0, 0);
        PaintForm(DC, false);
        RestoreDC(DC, inner);
        if (FForm->FormStyle() != fsMDIForm)
            PaintChildControls(FForm, DC, TPoint(0, 0));
    } else {
        PaintForm(DC, false);
    }
    // The client window of an MDI frame prints itself and its children where it lies in the client area.
    HWND client = FForm->FormStyle() == fsMDIForm ? FForm->ClientHandle() : nullptr;
    if (client && IsWindowVisible(client)) {
        RECT r;
        GetWindowRect(client, &r);
        MapWindowPoints(nullptr, FForm->Handle(), reinterpret_cast<POINT*>(&r), 2);
        int inner = SaveDC(DC);
        OffsetViewportOrgEx(DC, r.left, r.top, nullptr);
        SendMessageA(client, WM_PRINT, reinterpret_cast<WPARAM>(DC), Message.LParam);
        RestoreDC(DC, inner);
    }
    PaintFormItself(DC);
}

bool TsSkinProvider::HiddenBehindMaximizedSibling() const {
    if (!FForm || FForm->FormStyle() != fsMDIChild)
        return false;
    TsSkinProvider* parent = ParentProvider();
    TCustomForm* maximized = parent ? parent->MaximizedMDIChild() : nullptr;
    return maximized && maximized != FForm;
}

void TsSkinProvider::PaintFormItself(HDC DC) {
    if (FForm->OnPaint)
        if (auto* canvas = dynamic_cast<TControlCanvas*>(FForm->Canvas()))
            canvas->PaintOn(DC, [&] { FForm->OnPaint(FForm); });
}
