#include "sCommonData.h"

#include "acFastPixels.h"
#include "acSkinHooks.h"
#include "sConst.h"
#include "sGraphUtils.h"
#include "sSkinManager.h"
#include "sVclUtils.h"

#include "classlib/visual/Controls.h"
#include "classlib/visual/Forms.h"
#include "classlib/runtime/FormResources.h"
#include "classlib/visual/StdCtrls.h"
#include "classlib/runtime/SysUtils.h"

#include <algorithm>
#include <initializer_list>

std::string acCurrentSkinSection;

std::string DefaultSectionOfCode(int COC) {
    struct Entry {
        std::initializer_list<int> Codes;
        const char* Section;
    };
    static const Entry table[] = {
        {{2, 3, 4, 5, 6, 7, 8, 10, 41, 76, 78, 83, 84, 96, 97, 131, 140, 227}, "EDIT"},
        {{11, 12, 13, 14, 15, 16, 17, 18, 81, 82}, "COMBOBOX"},
        {{19}, "BAR"},
        {{20}, "BARTITLE"},
        {{32, 152}, "CHECKBOX"},
        {{33}, "RADIOBUTTON"},
        {{51, 59, 68, 73}, "PANEL"},
        {{52, 58}, "PANEL_LOW"},
        {{53, 54, 60}, "TOOLBAR"},
        {{56}, "DRAGBAR"},
        {{57}, "TABSHEET"},
        {{74, 226}, "GROUPBOX"},
        {{75}, "SPLITTER"},
        {{92, 95}, "SPEEDBUTTON"},
        {{93, 94}, "BUTTON"},
        {{98}, "TOOLBUTTON"},
        {{141, 143}, "PAGECONTROL"},
        {{151}, "STATUSBAR"},
        {{161}, "GAUGE"},
        {{165}, "TRACKBAR"},
    };
    for (const Entry& e : table)
        for (int code : e.Codes)
            if (code == COC)
                return e.Section;
    return {};
}

namespace {

bool IsSkinProvider(TObject* Object) { return dynamic_cast<TacSkinProviderBase*>(Object) != nullptr; }

}  // namespace

TsCommonData::TsCommonData(TObject* AOwner, bool CreateCacheBmp)
    : FOwnerControl(dynamic_cast<TControl*>(AOwner)), FOwnerObject(AOwner) {
    if (CreateCacheBmp)
        FCacheBmp = CreateBmp24(0, 0);
}

TsCommonData::~TsCommonData() {
    BorderIndex = SkinIndex = Texture = HotTexture = -1;
    FOwnerControl = nullptr;
    FOwnerObject = nullptr;
    FSkinManager = nullptr;
}

TsSkinManager* TsCommonData::SkinManager() const { return FSkinManager ? FSkinManager.Get() : DefaultManager; }

void TsCommonData::ReadIndexes(TsSkinManager* Manager) {
    if (!Manager || Manager->Sections.empty())
        SkinIndex = -1;
    else
        UpdateIndexes();
}

void TsCommonData::TellOwner(TsSkinManager* Manager) {
    bool skinned = Manager && !Manager->Sections.empty() && SkinIndex >= 0;
    FOwnerControl->Perform(SM_QUORVEXCMD, MakeSkinCmd(skinned ? scRefresh : scRemoveSkin),
                           reinterpret_cast<LPARAM>(Manager));
}

void TsCommonData::SetSkinManager(TsSkinManager* Value) {
    if (Value == FSkinManager.Get())
        return;
    FSkinManager = Value == DefaultManager ? nullptr : Value;
    if (FOwnerControl && FOwnerControl->Loading())
        return;
    // Nil takes the object out of the skin until the default manager's next change reaches it (its commands
    // 1 and 3 re-read the indexes), so the owner hears of the removal now.
    ReadIndexes(Value);
    bool skinned = Value && !Value->Sections.empty() && SkinIndex >= 0;
    TMessage message{SM_QUORVEXCMD, MakeSkinCmd(skinned ? scRefresh : scRemoveSkin), reinterpret_cast<LPARAM>(Value),
                     0};
    if (auto* provider = dynamic_cast<TacSkinProviderBase*>(FOwnerObject))
        provider->HandleSkinMessage(message);
    else if (FOwnerControl && FOwnerControl->Parent() && !FOwnerControl->Destroying())
        FOwnerControl->Perform(message.Msg, message.WParam, message.LParam);
}

void TsCommonData::SetSkinSection(const std::string& Value) {
    std::string section = Value.empty() ? std::string("UNKNOWN") : UpperCase(Value);
    if (section == FSkinSection)
        return;
    FSkinSection = section;
    TsSkinManager* manager = SkinManager();
    ReadIndexes(manager);
    if (!FOwnerControl || FOwnerControl->Loading() || FOwnerControl->ComponentState().Contains(csReading) ||
        FOwnerControl->Destroying() || !FOwnerControl->Parent()) {
        // A form's skin provider composes its whole frame into the cache bitmap: that picture is of the old
        // section now.
        if (IsSkinProvider(FOwnerObject)) {
            BGChanged = true;
            FCacheBmp.reset();
        }
        return;
    }
    TellOwner(manager);
}

void TsCommonData::ApplySectionColors() {
    // Skin data of a provider or an adapter has no control of its own to colour.
    TsSkinManager* manager = SkinManager();
    if (!FOwnerControl || !manager || !manager->IsValidSkinIndex(SkinIndex))
        return;
    const TsGeneralData& section = manager->Sections[SkinIndex];
    if (!FCustomColor && FOwnerControl->Color() != section.Color)
        FOwnerControl->SetColor(section.Color);
    if (!FCustomFont && FOwnerControl->Font()->Color() != section.FontColor[0])
        FOwnerControl->Font()->SetColor(section.FontColor[0]);
}

void TsCommonData::SetCustomColor(bool Value) {
    if (Value == FCustomColor)
        return;
    FCustomColor = Value;
    if (Skinned() && FOwnerControl && FOwnerControl->InheritsFrom("TCustomEdit") && !FOwnerControl->Loading()) {
        ApplySectionColors();
        Invalidate();
    }
}

void TsCommonData::SetCustomFont(bool Value) {
    if (Value == FCustomFont)
        return;
    FCustomFont = Value;
    Invalidate();
}

void TsCommonData::UpdateIndexes() {
    BGChanged = true;
    TsSkinManager* manager = SkinManager();
    SkinIndex = manager ? manager->GetSkinIndex(FSkinSection) : -1;
    UpdateBGType();
    CtrlState = 0;
    if (manager && manager->IsValidSkinIndex(SkinIndex)) {
        BorderIndex = manager->GetMaskIndex(SkinIndex, FSkinSection, "BORDERSMASK");
        Texture = manager->GetTextureIndex(SkinIndex, FSkinSection, "PATTERN");
        HotTexture = manager->GetTextureIndex(SkinIndex, FSkinSection, "HOTPATTERN");
        UpdateCacheState(false);
    } else {
        // The border index goes too: left behind, it would name an image of another section (or another
        // skin) to the painters that look at it without the section.
        BorderIndex = Texture = HotTexture = -1;
    }
}

void TsCommonData::SetDefaultSection() {
    if (!FSkinSection.empty()) {
        UpdateIndexes();
        return;
    }
    std::string section = DefaultSectionOfCode(COC);
    if (section.empty() && FOwnerObject)
        section = FOwnerObject->ClassName();
    SetSkinSection(section);
}

void TsCommonData::Loaded() {
    SetDefaultSection();
    if (!Skinned() || !FOwnerControl || !FOwnerControl->Parent() || FOwnerControl->Loading())
        return;
    if (dynamic_cast<TWinControl*>(FOwnerControl))
        NotifyFormOfControl(FOwnerControl);
    if (FOwnerControl->InheritsFrom("TCustomEdit") || COC == 97)
        ApplySectionColors();
}

void TsCommonData::DropSkin() {
    BorderIndex = SkinIndex = Texture = HotTexture = -1;
    Updating = true;
    if (FCacheBmp) {
        FCacheBmp->SetWidth(0);
        FCacheBmp->SetHeight(0);
    }
    if (FOwnerControl && FOwnerControl->InheritsFrom("TCustomEdit")) {
        if (!FCustomColor)
            FOwnerControl->SetColor(clWindow);
        if (!FCustomFont)
            FOwnerControl->Font()->SetColor(clWindowText);
    }
}

bool TsCommonData::Skinned(bool CheckActive) const {
    TsSkinManager* manager = SkinManager();
    if (!manager || SkinIndex < 0 || manager->Destroying())
        return false;
    if (FOwnerControl && FOwnerControl->Destroying())
        return false;
    if (CheckActive && !(manager->SkinData() && manager->SkinData()->Active))
        return false;
    return manager->IsValidSkinIndex(SkinIndex);
}

bool TsCommonData::IsCached() const {
    if (acAnimInProgress || (CtrlState & 1) == 0)
        return true;
    // A solid control paints straight to the screen only in its plain look.
    return ControlIsActive();
}

bool TsCommonData::ControlIsActive() const {
    if (!FOwnerControl || FOwnerControl->Destroying() || !FOwnerControl->Enabled() ||
        FOwnerControl->ComponentState().Contains(csDesigning))
        return false;
    if (Focused)
        return true;
    if (auto* windowed = dynamic_cast<TWinControl*>(FOwnerControl); windowed && windowed->Focused())
        return true;
    return MouseAbove && !NoHotCodes.Contains(COC);
}

bool TsCommonData::NeedsRepaint() const {
    if (!SkinManager() || (FOwnerControl && FOwnerControl->ComponentState().Contains(csDesigning)))
        return false;
    if (!IsCached())
        return Updating;
    if (!FOwnerControl || FOwnerControl->Destroying())
        return Updating;
    if (Updating || !FOwnerControl->Parent())
        return true;
    // A cached control copies its parent's background, which must be ready first.
    return SendSkinCmdNoParam(FOwnerControl->Parent(), scIsBusy) != 0;
}

namespace {

// A provider's skin data has no control: its form hears the update brackets.
void SendUpdateCommand(TControl* OwnerControl, TObject* OwnerObject, TacSkinCommand Command) {
    if (OwnerControl) {
        OwnerControl->Perform(SM_QUORVEXCMD, MakeSkinCmd(Command), 0);
        return;
    }
    auto* provider = dynamic_cast<TacSkinProviderBase*>(OwnerObject);
    auto* form = provider ? dynamic_cast<TWinControl*>(provider->Owner()) : nullptr;
    if (form && form->HandleAllocated())
        SendSkinCmdToHandle(form->Handle(), Command, 0);
}

}  // namespace

void TsCommonData::BeginUpdate() {
    Updating = true;
    SendUpdateCommand(FOwnerControl, FOwnerObject, scBeginUpdate);
}

void TsCommonData::EndUpdate() {
    Updating = false;
    SendUpdateCommand(FOwnerControl, FOwnerObject, scEndUpdate);
}

bool TsCommonData::CheckParentBG() const {
    if (Locked || !Skinned() || !FOwnerControl || FOwnerControl->ControlStyle().Contains(csOpaque) ||
        !FOwnerControl->Visible())
        return true;
    TsSkinManager* manager = SkinManager();
    if (!manager->IsValidSkinIndex(SkinIndex))
        return false;
    if (!FOwnerControl->Enabled() || manager->Sections[SkinIndex].Transparency >= 1) {
        TWinControl* parent = FOwnerControl->Parent();
        if (parent && parent->HandleAllocated())
            return SendSkinCmdToHandle(parent->Handle(), scBgDependsOnPos, 0) != 0;
        return true;
    }
    return false;
}

bool TsCommonData::ParentBGChanging() const {
    TWinControl* parent = FOwnerControl ? FOwnerControl->Parent() : nullptr;
    if (!parent || !parent->HandleAllocated())
        return false;
    return SendSkinCmdToHandle(parent->Handle(), scBgDependsOnPos, 0) != 0;
}

TColor TsCommonData::GetOwnColor() const {
    if (FOwnerControl)
        return FOwnerControl->Color();
    if (auto* provider = dynamic_cast<TacSkinProviderBase*>(FOwnerObject))
        if (auto* form = dynamic_cast<TControl*>(provider->Owner()))
            return form->Color();
    return clBtnFace;
}

void TsCommonData::InitCacheBmp() {
    if (!FCacheBmp)
        FCacheBmp = CreateBmp24(0, 0);
    if (FCacheBmp->PixelFormat() != pf24bit)
        FCacheBmp->SetPixelFormat(pf24bit);
    if (FCacheBmp->HandleType() != bmDIB)
        FCacheBmp->SetHandleType(bmDIB);
    if (!FOwnerControl)
        return;
    if (FCacheBmp->Width() != FOwnerControl->Width())
        FCacheBmp->SetWidth(FOwnerControl->Width());
    if (FCacheBmp->Height() != FOwnerControl->Height())
        FCacheBmp->SetHeight(FOwnerControl->Height());
}

void InitCacheBmp(TsCommonData* SkinData) {
    if (SkinData)
        SkinData->InitCacheBmp();
}

void TsCommonData::Invalidate() {
    if (!FOwnerControl || FOwnerControl->Destroying() || FOwnerControl->Loading())
        return;
    BGChanged = true;
    if (ControlIsReady(FOwnerControl))
        FOwnerControl->Repaint();
}

bool TsCommonData::IsTransparentSection() const {
    TsSkinManager* manager = SkinManager();
    return manager && manager->IsValidSkinIndex(SkinIndex) && manager->Sections[SkinIndex].Transparency >= 1;
}

void TsCommonData::UpdateBGType() {
    BGType = 0;
    TsSkinManager* manager = SkinManager();
    if (!manager || !manager->IsValidSkinIndex(SkinIndex))
        return;
    const TsGeneralData& section = manager->Sections[SkinIndex];
    if (section.ImagePercent != 0)
        BGType |= 4;
    if (section.GradientPercent != 0 && !section.GradientArray.empty()) {
        switch (section.GradientArray[0].Mode) {
        case 0: BGType |= 2; break;
        case 1: BGType |= 1; break;
        case 2: BGType |= 3; break;
        }
    }
}

bool TsCommonData::NeedsCacheBmp() const {
    TsSkinManager* manager = SkinManager();
    if (!manager || !manager->IsValidSkinIndex(SkinIndex))
        return false;
    if (manager->IsValidImgIndex(BorderIndex)) {
        const TsMaskData& border = manager->Masks[BorderIndex];
        if (border.WL + border.WT + border.WR + border.WB > 24)
            return true;
    }
    const TsGeneralData& section = manager->Sections[SkinIndex];
    if (section.Transparency == 100) {
        if (!FOwnerControl || !FOwnerControl->Parent())
            return true;
        // A parent that paints without a cache has nothing to copy the background from.
        return (SendSkinCmdNoParam(FOwnerControl->Parent(), scCacheState) & 1) == 0;
    }
    if (section.Transparency >= 1 && section.Transparency <= 99)
        return true;
    return section.Transparency == 0 && (section.ImagePercent != 0 || section.GradientPercent != 0);
}

void TsCommonData::UpdateCacheState(bool UpdateChildren) {
    CtrlState &= ~1u;
    bool decides = IsSkinProvider(FOwnerObject) ||
                   (FOwnerControl && (FOwnerControl->InheritsFrom("TPanel") ||
                                      FOwnerControl->InheritsFrom("TScrollingWinControl") ||
                                      FOwnerControl->InheritsFrom("TPageControl")));
    if (decides && !NeedsCacheBmp())
        CtrlState |= 1;
    if (!UpdateChildren)
        return;
    if (auto* windowed = dynamic_cast<TWinControl*>(FOwnerControl))
        for (int i = 0; i < windowed->ControlCount(); ++i)
            SendSkinCmdToControl(windowed->Controls(i), scCacheState, 1);
}

int GetFontIndex(TControl* Control, int DefIndex, TsSkinManager* Manager) {
    if (!Manager)
        Manager = DefaultManager;
    if (!Control || !Control->Parent() || !Manager)
        return DefIndex;
    int answer = static_cast<int>(SendSkinCmdNoParam(Control->Parent(), scGetSkinIndex));
    if (answer <= 0 || !Manager->IsValidSkinIndex(answer - 1))
        return DefIndex;
    const TsGeneralData& section = Manager->Sections[answer - 1];
    if (section.Transparency > 50)
        return GetFontIndex(Control->Parent(), DefIndex, Manager);
    return section.GiveOwnFont ? answer - 1 : DefIndex;
}

// --- the shared handlers ---

namespace {

// A command with its small argument to a control (through its window when it has one), as
// SendSkinCmdToControl sends the command alone.
void SendSkinCmdWithArg(TControl* Control, TacSkinCommand Command, uint16_t Arg) {
    auto* windowed = dynamic_cast<TWinControl*>(Control);
    if (!windowed)
        Control->Perform(SM_QUORVEXCMD, MakeSkinCmd(Command, Arg), 0);
    else if (!windowed->Destroying() && windowed->HandleAllocated())
        SendMessageA(windowed->Handle(), SM_QUORVEXCMD, MakeSkinCmd(Command, Arg), 0);
}

bool Designing(TControl* Control) { return Control && Control->ComponentState().Contains(csDesigning); }

// The colour of a parent as a transparent child mixes it in: a skinned parent's background colour, the plain
// colour of any other parent (and of a skinned one that has none to tell).
TColor ParentColorOf(TWinControl* Parent) {
    if (SendSkinCmdNoParam(Parent, scIsSkinned) == 1) {
        auto answer = static_cast<TColor>(SendSkinCmdToControl(Parent, scGetColor, 0));
        if (answer != clFuchsia)
            return ColorToRGB(answer);
    }
    return ColorToRGB(Parent->Color());
}

// Answer of skin command 21: the background colour that the control's children see. The parent's share of a
// partly transparent section is Transparency / 100, as the painted pixels and GetBGColor have it.
TColor ControlBGColor(TsCommonData* SkinData) {
    TControl* owner = SkinData->OwnerControl();
    if (!SkinData->Skinned())
        return ColorToRGB(owner->Color());
    const TsGeneralData& section = SkinData->SkinManager()->Sections[SkinData->SkinIndex];
    if (section.Transparency <= 0)
        return section.Color;
    TColor parent = owner->Parent() ? ParentColorOf(owner->Parent()) : ColorToRGB(owner->Color());
    if (section.Transparency >= 100)
        return parent;
    return MixColors(parent, ColorToRGB(section.Color), section.Transparency / 100.0);
}

// Answer of skin command 19: whether the background a child sees depends on the child's position.
LRESULT BGDependsOnPosition(TsCommonData* SkinData) {
    const TsGeneralData& section = SkinData->SkinManager()->Sections[SkinData->SkinIndex];
    TControl* owner = SkinData->OwnerControl();
    if (section.Transparency == 100 && owner && owner->Parent()) {
        TWinControl* parent = owner->Parent();
        return parent->HandleAllocated() ? SendSkinCmdToHandle(parent->Handle(), scBgDependsOnPos, 0) : 0;
    }
    if (section.GradientPercent + section.ImagePercent >= 1)
        return 1;
    return SkinData->CheckParentBG() ? 1 : 0;
}

// Skin command 20: the background moved or changed size; Redraw repaints now.
void BackgroundMoved(TsCommonData* SkinData, bool Redraw) {
    bool dependent = SkinData->CheckParentBG();
    SkinData->BGChanged = SkinData->BGChanged || dependent;
    auto* windowed = dynamic_cast<TWinControl*>(SkinData->OwnerControl());
    if (!windowed)
        return;
    if (Redraw && windowed->HandleAllocated())
        RedrawWindow(windowed->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    if (dependent)
        for (int i = 0; i < windowed->ControlCount(); ++i)
            if (TControl* child = windowed->Controls(i); !child->Destroying())
                SendSkinCmdWithArg(child, scBgMoved, 0);
}

}  // namespace

bool CommonWndProc(TMessage& Message, TsCommonData* SkinData) {
    if (!SkinData || Message.Msg != SM_QUORVEXCMD)
        return false;
    TControl* owner = SkinData->OwnerControl();
    TsSkinManager* manager = SkinData->SkinManager();
    bool fromManager = Message.LParam == reinterpret_cast<LPARAM>(manager);
    switch (SkinCmdOf(Message.WParam)) {
    case scNewSkin:
        if (fromManager) {
            SkinData->UpdateIndexes();
            SkinData->UpdateCacheState(false);
            acSkinChanging = false;
        }
        return false;
    case scRemoveSkin:
        if (fromManager) {
            // A manager on its way out must not be asked anything later.
            if (manager && manager->Destroying() && SkinData->FSkinManager.Get() == manager)
                SkinData->FSkinManager = nullptr;
            SkinData->DropSkin();
        }
        return false;
    case scRefresh:
        if (fromManager) {
            SkinData->BGChanged = true;
            SkinData->Updating = false;
            if (SkinData->Skinned()) {
                if (owner && owner->InheritsFrom("TCustomEdit"))
                    SkinData->ApplySectionColors();
                if (dynamic_cast<TWinControl*>(owner))
                    NotifyFormOfControl(owner);
                SkinData->UpdateCacheState(false);
            }
        }
        return false;
    case scIsSkinned:
        Message.Result = 1;
        return true;
    case scSetUpdating:
        SkinData->Updating = SkinCmdArgOf(Message.WParam) == 1;
        return false;
    case scSetLocked:
        SkinData->Locked = SkinCmdArgOf(Message.WParam) == 1;
        return false;
    case scIsBusy:
        Message.Result = SkinData->BGChanged || SkinData->Updating ? 1 : 0;
        return true;
    case scIsHalfVisible:
        Message.Result = SkinData->HalfVisible ? 1 : 0;
        return true;
    case scTransparentChanged:
        if (SkinData->IsTransparentSection() && SkinCmdArgOf(Message.WParam) == 1)
            SkinData->BGChanged = true;
        return false;
    case scInvalidateSection:
        if (!acCurrentSkinSection.empty() && UpperCase(SkinData->SkinSection()) == acCurrentSkinSection) {
            acSkinChanging = false;
            SkinData->Invalidate();
        }
        return false;
    case scGraphControl:
        SkinData->GraphControl = reinterpret_cast<TControl*>(Message.LParam);
        return false;
    case scBgChanged:
        SkinData->BGChanged = true;
        return false;
    case scBgDependsOnPos:
        if (SkinData->SkinIndex < 0 || !manager || !manager->IsValidSkinIndex(SkinData->SkinIndex))
            return false;
        Message.Result = BGDependsOnPosition(SkinData);
        return true;
    case scBgMoved:
        BackgroundMoved(SkinData, SkinCmdArgOf(Message.WParam) == 1);
        return false;
    case scGetColor:
        if (!owner)
            return false;
        Message.Result = static_cast<LRESULT>(ControlBGColor(SkinData));
        return true;
    case scSetHalfVisible:
        SkinData->HalfVisible = true;
        return false;
    case scGetSkinIndex:
        Message.Result = SkinData->SkinIndex + 1;
        return true;
    case scGetBgInfo:
        if (Message.LParam)
            GetBGInfo(SkinData, *reinterpret_cast<TacBGInfo*>(Message.LParam), false, nullptr);
        return false;
    case scCacheState:
        if (Message.LParam == 1)
            SkinData->UpdateCacheState(true);
        else
            Message.Result = SkinData->CtrlState;
        return true;
    case scGetApplication:
        // Taken: the default handler that follows would answer 0 over it.
        Message.Result = reinterpret_cast<LRESULT>(Application.Get());
        return true;
    default:
        return false;
    }
}

namespace {

// The theme query: whether the application draws with visual styles (the visual-styles library is absent on
// systems without them, and then they are never in use).
bool ThemesInUse() {
    using TIsAppThemed = BOOL(WINAPI*)();
    static const TIsAppThemed isAppThemed = [] {
        HMODULE module = GetModuleHandleA("UXTHEME");
        return module ? reinterpret_cast<TIsAppThemed>(reinterpret_cast<void*>(GetProcAddress(module, "IsAppThemed")))
                      : nullptr;
    }();
    return isAppThemed && isAppThemed();
}

}  // namespace

bool CommonMessage(TMessage& Message, TsCommonData* SkinData) {
    if (!SkinData)
        return false;
    if (Message.Msg == SM_QUORVEXCMD)
        return CommonWndProc(Message, SkinData);
    TControl* owner = SkinData->OwnerControl();
    auto* windowed = dynamic_cast<TWinControl*>(owner);
    bool hot = !NoHotCodes.Contains(SkinData->COC);
    switch (Message.Msg) {
    case WM_UPDATEUISTATE:
        if (SkinData->Skinned())
            return true;
        // Gives an unskinned window its visual styles back.
        if (windowed && windowed->HandleAllocated() && acSetWindowTheme && ThemesInUse())
            acSetWindowTheme(windowed->Handle(), nullptr, nullptr);
        return false;
    case CM_MOUSEENTER:
        if (Designing(owner))
            return false;
        if (hot)
            SkinData->MouseAbove = true;
        if (windowed && DefaultManager && windowed->HandleAllocated())
            DefaultManager->SetActiveControl(windowed->Handle());
        return false;
    case CM_MOUSELEAVE:
        if (!Designing(owner) && hot)
            SkinData->MouseAbove = false;
        return false;
    case WM_PARENTNOTIFY:
        if (LOWORD(Message.WParam) == WM_CREATE && windowed)
            NotifyFormOfControl(windowed);
        return false;
    case CM_VISIBLECHANGED:
        if (TBitmap* cache = SkinData->CacheBmp()) {
            if (Message.WParam != 0) {
                SkinData->Updating = false;
                SkinData->BGChanged = true;
            } else {
                // A hidden control's picture is not kept.
                cache->SetWidth(0);
                cache->SetHeight(0);
            }
        }
        return false;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        if (windowed && windowed->CanFocus() && windowed->TabStop()) {
            SkinData->BGChanged = true;
            SkinData->Focused = Message.Msg == WM_SETFOCUS;
        }
        return false;
    case WM_MOVE:
        if (owner && SkinData->CheckParentBG()) {
            SkinData->BGChanged = true;
            owner->Perform(SM_QUORVEXCMD, MakeSkinCmd(scBgMoved, 1), 0);
        }
        return false;
    case WM_SIZE:
        if (SkinData->Skinned()) {
            SkinData->BGChanged = true;
            // A gradient spans the whole control: every child's piece of it changes.
            if (windowed && SkinData->SkinManager()->Sections[SkinData->SkinIndex].GradientPercent >= 1)
                for (int i = 0; i < windowed->ControlCount(); ++i)
                    if (TControl* child = windowed->Controls(i); !child->Destroying() && child->Visible())
                        SendSkinCmdWithArg(child, scBgMoved, 1);
        }
        return false;
    case CM_ENABLEDCHANGED:
    case WM_FONTCHANGE:
        SkinData->Focused = false;
        SkinData->MouseAbove = false;
        return false;
    default:
        return false;
    }
}

// --- background ---

TColor GetBGColor(TsCommonData* SkinData, bool Hot, HWND Wnd) {
    if (!SkinData)
        return ColorToRGB(clBtnFace);
    if (!SkinData->Skinned())
        return ColorToRGB(SkinData->GetOwnColor());
    const TsGeneralData& section = SkinData->SkinManager()->Sections[SkinData->SkinIndex];
    TColor color = ColorToRGB(Hot ? section.HotColor : section.Color);
    int transparency = Hot ? section.HotTransparency : section.Transparency;
    if (transparency <= 0)
        return SkinData->CustomColor() ? ColorToRGB(SkinData->GetOwnColor()) : color;
    TControl* owner = SkinData->OwnerControl();
    if (!owner && transparency < 100)
        return color;
    TColor parent;
    if (owner)
        parent = GetControlColor(owner->Parent());
    else
        parent = Wnd ? GetWndColor(GetParent(Wnd)) : ColorToRGB(clBtnFace);
    if (transparency >= 100)
        return parent;
    return MixColors(parent, color, transparency / 100.0);
}

namespace {

// The control's own cache is the background its children see.
void AnswerOwnCache(TsCommonData* SkinData, TacBGInfo& Info) {
    TBitmap* cache = SkinData->CacheBmp();
    // An empty cache (removed skin, hidden control) has nothing to show: no colour either, so that the child
    // paints its own background.
    if (!cache || cache->Width() == 0 || cache->Height() == 0) {
        Info.BgType = 1;
        Info.Color = clFuchsia;
        return;
    }
    Info.BgType = 2;
    if (!Info.PleaseDraw) {
        Info.Bmp = cache;
        Info.Offset = TPoint(0, 0);
    } else if (Info.DrawDC) {
        BitBlt(Info.DrawDC, Info.R.left, Info.R.top, Info.R.right - Info.R.left, Info.R.bottom - Info.R.top,
               cache->Canvas()->Handle(), Info.Offset.x, Info.Offset.y, SRCCOPY);
    }
}

}  // namespace

void GetBGInfo(TsCommonData* SkinData, TacBGInfo& Info, bool Hot, HWND Wnd) {
    if (!SkinData)
        return;
    TControl* owner = SkinData->OwnerControl();
    if (!SkinData->Skinned() || SkinData->CustomColor()) {
        Info.BgType = 1;
        if (owner)
            Info.Color = owner->Color();
        // An asker that wants pixels gets them, as for every other colour answer.
        if (Info.PleaseDraw && Info.DrawDC)
            FillDC(Info.DrawDC, Info.R, ColorToRGB(Info.Color));
        return;
    }
    TsSkinManager* manager = SkinData->SkinManager();
    const TsGeneralData& section = manager->Sections[SkinData->SkinIndex];
    int transparency = Hot ? section.HotTransparency : section.Transparency;
    int gradient = Hot ? section.HotGradientPercent : section.GradientPercent;
    int image = Hot ? section.HotImagePercent : section.ImagePercent;
    if (transparency >= 100) {
        bool wideBorders = false;
        if (manager->IsValidImgIndex(SkinData->BorderIndex)) {
            const TsMaskData& border = manager->Masks[SkinData->BorderIndex];
            wideBorders = border.WL + border.WT + border.WR + border.WB > 24;
        }
        if (wideBorders) {
            if (SkinData->CacheBmp())
                AnswerOwnCache(SkinData, Info);
            else
                Info.BgType = 1;
        } else if (owner && owner->Parent()) {
            if (Info.PleaseDraw) {
                // The parent paints from where the asker lies in it, so the position goes in before the question.
                Info.Offset.x += owner->Left();
                Info.Offset.y += owner->Top();
                QueryControlBGInfo(Info, owner->Parent(), true);
            } else {
                QueryControlBGInfo(Info, owner->Parent(), false);
                if (Info.BgType == 2) {
                    Info.Offset.x += owner->Left();
                    Info.Offset.y += owner->Top();
                }
            }
        } else if (!Wnd) {
            Info.BgType = 1;
            Info.Color = DefaultManager ? DefaultManager->GetGlobalColor() : ColorToRGB(clBtnFace);
        } else {
            QueryWndBGInfo(Info, GetParent(Wnd), false);
        }
        return;
    }
    if (transparency >= 1 || gradient >= 1 || image >= 1) {
        AnswerOwnCache(SkinData, Info);
        return;
    }
    Info.BgType = 1;
    Info.Bmp = SkinData->CacheBmp();
    Info.Color = GetBGColor(SkinData, Hot, nullptr);
    if (Info.PleaseDraw && Info.DrawDC)
        FillDC(Info.DrawDC, Info.R, Info.Color);
}

int GetMaxBorderWidth(TsCommonData* SkinData) {
    TsSkinManager* manager = SkinData ? SkinData->SkinManager() : nullptr;
    if (!manager || !manager->IsValidImgIndex(SkinData->BorderIndex))
        return 0;
    const TsMaskData& border = manager->Masks[SkinData->BorderIndex];
    if (border.DrawMode & 2)
        return 0;
    return std::max({border.WL, border.WT, border.WR, border.WB});
}

void GetParentCacheInfo(TsCommonData* SkinData, TCacheInfo& CacheInfo) {
    TControl* owner = SkinData ? SkinData->OwnerControl() : nullptr;
    if (SkinData && SkinData->Skinned() && owner && owner->Parent()) {
        TacBGInfo info;
        QueryControlBGInfo(info, owner->Parent(), false);
        FillBGInfo(info, CacheInfo);
        return;
    }
    CacheInfo.Bmp = nullptr;
    CacheInfo.FillColor = GetBGColor(SkinData, false, nullptr);
    CacheInfo.Ready = false;
}

bool GetParentWndCacheInfo(HWND Wnd, TCacheInfo& CacheInfo) {
    CacheInfo.Ready = false;
    HWND parent = Wnd ? GetParent(Wnd) : nullptr;
    if (!parent)
        return false;
    TacBGInfo info;
    // A parent that does not answer gives no colour either (rather than black).
    if (!QueryWndBGInfo(info, parent, false))
        return false;
    FillBGInfo(info, CacheInfo);
    return true;
}

void CopyWinControlCache(TWinControl* Control, TsCommonData* SkinData, const TPoint& Offset, int Top, int Left,
                         bool UpdateCorners, HDC DC, const TRect& R) {
    TBitmap* cache = SkinData ? SkinData->CacheBmp() : nullptr;
    if (!cache || !Control || !DC)
        return;
    if (UpdateCorners)
        UpdateCacheBorders(SkinData);
    int saved = SaveDC(DC);
    IntersectClipRect(DC, R.left, R.top, R.right, R.bottom);
    for (int i = 0; i < Control->ControlCount(); ++i) {
        TControl* child = Control->Controls(i);
        if (!child->Visible())
            continue;
        bool paintsItself = dynamic_cast<TGraphicControl*>(child) ||
                            (!Designing(child) && !child->ControlStyle().Contains(csOpaque));
        if (!paintsItself)
            continue;
        TRect b = child->BoundsRect();
        OffsetRect(&b, Left, Top);
        RECT overlap;
        if (IntersectRect(&overlap, &b, &R))
            ExcludeClipRect(DC, b.left, b.top, b.right, b.bottom);
    }
    BitBlt(DC, R.left, R.top, R.right - R.left, R.bottom - R.top, cache->Canvas()->Handle(), Offset.x, Offset.y,
           SRCCOPY);
    RestoreDC(DC, saved);
}

namespace {

// A group-box window of the standard button class: only its frame hides what lies behind it.
bool IsGroupBoxWindow(HWND Wnd) {
    char name[32] = {};
    // The window's base class, which a class registered as a copy of "Button" reports as well.
    if (!RealGetWindowClassA(Wnd, name, sizeof name) || lstrcmpiA(name, "Button") != 0)
        return false;
    return (GetWindowLongA(Wnd, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

}  // namespace

void CopyHwndCache(HWND Wnd, TsCommonData* SkinData, const TRect& SrcRect, int Top, int Left, bool UpdateCorners,
                   HDC DC, const TRect& R) {
    TBitmap* cache = SkinData ? SkinData->CacheBmp() : nullptr;
    if (!cache || !Wnd || !DC)
        return;
    if (UpdateCorners)
        UpdateCacheBorders(SkinData);
    int saved = SaveDC(DC);
    IntersectClipRect(DC, R.left, R.top, R.right, R.bottom);
    for (HWND child = GetTopWindow(Wnd); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!(GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE))
            continue;
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, Wnd, reinterpret_cast<POINT*>(&r), 2);
        OffsetRect(&r, Left, Top);
        if (IsGroupBoxWindow(child) && !(GetWindowLongA(child, GWL_EXSTYLE) & WS_EX_CLIENTEDGE)) {
            int caption = static_cast<int>(SendSkinCmdToHandle(child, scGetCaptionOrManager, 0));
            int left = 0, right = 0, bottom = 0;
            if (DefaultManager) {
                int section = DefaultManager->GetSkinIndex("GROUPBOX");
                int mask = DefaultManager->GetMaskIndex(section, "GROUPBOX", "BORDERSMASK");
                if (DefaultManager->IsValidImgIndex(mask)) {
                    const TsMaskData& border = DefaultManager->Masks[mask];
                    left = border.WL;
                    right = border.WR;
                    bottom = border.WB;
                }
            }
            ExcludeClipRect(DC, r.left, r.top, r.right, r.top + caption);
            ExcludeClipRect(DC, r.left, r.top, r.left + left, r.bottom);
            ExcludeClipRect(DC, r.right - right, r.top, r.right, r.bottom);
            ExcludeClipRect(DC, r.left, r.bottom - bottom, r.right, r.bottom);
        } else {
            ExcludeClipRect(DC, r.left, r.top, r.right, r.bottom);
        }
    }
    BitBlt(DC, R.left, R.top, R.right - R.left, R.bottom - R.top, cache->Canvas()->Handle(), SrcRect.left,
           SrcRect.top, SRCCOPY);
    RestoreDC(DC, saved);
}

namespace {

const bool Registered = RegisterFormClass<TsCommonData>([](TFormClass<TsCommonData>& c) {
    using T = TsCommonData;
    c.String("SkinSection", &T::SkinSection, &T::SetSkinSection);
    c.Component("SkinManager", &T::SkinManager, &T::SetSkinManager).Stored([](T* o) { return o->IsSkinManagerStored(); });
    c.Boolean("CustomColor", &T::CustomColor, &T::SetCustomColor).Default(false);
    c.Boolean("CustomFont", &T::CustomFont, &T::SetCustomFont).Default(false);
});

}  // namespace
