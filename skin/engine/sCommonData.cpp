#include "sCommonData.h"

#include "sGraphUtils.h"
#include "sSkinManager.h"
#include "sVclUtils.h"

#include "classlib/Controls.h"
#include "classlib/SysUtils.h"

#include <initializer_list>

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

bool IsSkinProvider(TObject* Object) { return Object && Object->InheritsFrom("TsSkinProvider"); }

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

TsSkinManager* TsCommonData::SkinManager() const { return FSkinManager ? FSkinManager : DefaultManager; }

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
    if (Value == FSkinManager)
        return;
    FSkinManager = Value == DefaultManager ? nullptr : Value;
    if (FOwnerControl && FOwnerControl->Loading())
        return;
    // Nil means the default manager from now on, so the indexes are read from that one.
    TsSkinManager* manager = SkinManager();
    ReadIndexes(manager);
    // A skin provider has nothing to do on this news (its skin message handler ignores it); a control hears
    // whether it is skinned now.
    if (FOwnerControl && FOwnerControl->Parent() && !FOwnerControl->Destroying())
        TellOwner(manager);
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

bool TsCommonData::Skinned() const {
    TsSkinManager* manager = SkinManager();
    if (!manager || SkinIndex < 0 || manager->Destroying())
        return false;
    if (FOwnerControl && FOwnerControl->Destroying())
        return false;
    return manager->IsValidSkinIndex(SkinIndex);
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
