#include "sSkinManager.h"

#include "acSkinPack.h"
#include "acntUtils.h"
#include "sVclUtils.h"

#include "classlib/runtime/ExceptionHandler.h"
#include "classlib/runtime/Finally.h"
#include "classlib/runtime/FormResources.h"
#include "classlib/visual/Forms.h"
#include "classlib/runtime/IniFiles.h"
#include "classlib/visual/Menus.h"

#include <algorithm>
#include <cstdio>
#include <optional>

TsSkinManager* DefaultManager = nullptr;
bool acSkinLoading = false;
bool acSkinChanging = false;
bool acSkinRemoving = false;

namespace {

// Item is one of the items of a menu that a component of the program owns.
bool IsItemOfOurMenus(TMenuItem* Item) {
    std::function<bool(TMenuItem*)> inTree = [&](TMenuItem* Root) {
        if (Root == Item)
            return true;
        for (int i = 0; i < Root->Count(); ++i)
            if (inTree(Root->Items(i)))
                return true;
        return false;
    };
    std::function<bool(TComponent*)> inOwned = [&](TComponent* Owner) {
        for (int i = 0; i < Owner->ComponentCount(); ++i) {
            TComponent* c = Owner->Components(i);
            if (auto* menu = dynamic_cast<TMenu*>(c); menu && inTree(menu->Items()))
                return true;
            if (inOwned(c))
                return true;
        }
        return false;
    };
    if (Application && inOwned(Application.Get()))
        return true;
    // Forms made without an owner hold menus too.
    for (int i = 0; i < Screen->FormCount(); ++i)
        if (TCustomForm* form = Screen->Forms(i); form && !form->Owner() && inOwned(form))
            return true;
    return false;
}

// The forms of the design-time environment itself, which a manager being designed leaves alone.
bool IsDesignerForm(const std::string& Name, bool SkipDocked) {
    if (Name.empty() || Name == "AppBuilder" || Name == "PropertyInspector")
        return true;
    return SkipDocked && (Name.find("EditWindow_") != std::string::npos || Name.find("DockSite") != std::string::npos);
}

}  // namespace

TsSkinManager::TsSkinManager(TComponent* AOwner)
    : TComponent(AOwner),
      FInternalSkins(std::make_unique<TsStoredSkins>(this)),
      FCommonSections(std::make_unique<TStringList>()),
      FMenuSupport(std::make_unique<TacMenuSupport>()),
      FAnimEffects(std::make_unique<TacAnimEffects>(this)),
      FThirdParty(std::make_unique<ThirdPartyList>()),
      FSkinData(std::make_unique<TsSkinData>()) {
    for (auto& list : FThirdLists)
        list = std::make_unique<TStringList>();
    FSkinableMenus = CreateMenuPainter(this);
    InitThirdPartyLists(false);
    if (FSkinDirectory.empty())
        FSkinDirectory = "c:\\Skins";
    // Last, once nothing can fail: a manager that is never made must not stay the default one, nor stay hooked
    // into the application's window.
    if (!DefaultManager) {
        DefaultManager = this;
        if (acWinNT && !Designing()) {
            Application->HookMainWindow(TWindowHook(this, &TsSkinManager::MainWindowHook));
            FMainWindowHooked = true;
        }
    }
}

TsSkinManager::~TsSkinManager() {
    // Everything that still points at this manager hears that it goes, whether a skin is in force or not.
    Destroying_();
    FActive = false;
    try {
        SendRemoveSkin();
    } catch (...) {
        // A handler that fails cannot stop the manager from going; the application reports the failure.
        if (TApplication* app = Application)
            app->HandleException(this);
    }
    ForgetReferences();
    if (FMainWindowHooked)
        if (TApplication* app = Application)
            app->UnhookMainWindow(TWindowHook(this, &TsSkinManager::MainWindowHook));
    if (DefaultManager == this)
        DefaultManager = nullptr;
    SaveThirdPartyLists();
}

void TsSkinManager::Loaded() {
    TComponent::Loaded();
    if (FSkinDirectory.empty())
        FSkinDirectory = "c:\\Skins";
    if (FMenuSupport->IcoLineSkin().empty())
        FMenuSupport->SetIcoLineSkin("ICOLINE");
    InitThirdPartyLists(false);
    if (FActive && !FSkinName.empty())
        SendNewSkin(false);
}

void TsSkinManager::ForgetReferences() {
    FReferencesForgotten = true;
    while (TacManagerRef* ref = FReferences) {
        ref->Reset(nullptr);
        RunGuarded([ref] { ref->ManagerGone(); });
    }
}

void TacManagerRef::Reset(TsSkinManager* Manager) {
    if (Manager && Manager->FReferencesForgotten)
        Manager = nullptr;
    if (Manager == FManager)
        return;
    if (FManager) {
        (FPrev ? FPrev->FNext : FManager->FReferences) = FNext;
        if (FNext)
            FNext->FPrev = FPrev;
        FPrev = FNext = nullptr;
    }
    FManager = Manager;
    if (Manager) {
        FNext = Manager->FReferences;
        if (FNext)
            FNext->FPrev = this;
        Manager->FReferences = this;
    }
}

bool TsSkinManager::LoadingOrReading() const {
    return ComponentState().Contains(csLoading) || ComponentState().Contains(csReading);
}

// --- properties ---

void TsSkinManager::SetSkinName(const std::string& Value) {
    FSkinName = Value;
    if (!FActive)
        return;
    if (OnBeforeChange)
        OnBeforeChange(this);
    {
        acSkinLoading = true;
        auto loaded = Finally([] { acSkinLoading = false; });
        FSkinData->Active = false;
        ReloadSkin();
        if (!FActive)
            SendRemoveSkin();
        else
            SendNewSkin(true);
    }
    if (OnAfterChange)
        OnAfterChange(this);
}

void TsSkinManager::ReloadSkin() {
    // A packed file is looked for relative to the current folder, a skin folder relative to the program's.
    FIsPacked = FileExists(NormalDir(FSkinDirectory) + FSkinName + ".vqz");
    if (FIsPacked)
        LoadPackedSkin();
    else
        LoadSkinData();
}

void TsSkinManager::SetActive(bool Value) {
    if (Value == FActive)
        return;
    if (Value) {
        FActive = true;
        SetSkinName(FSkinName);
        return;
    }
    {
        // The controls hear of the removal while the manager still counts as active: an adapter passes every
        // message on untouched once its manager is inactive, and would never undo what the skin did to it.
        auto cleared = Finally([this] { FActive = false; });
        if (!Loading())
            SendRemoveSkin();
        else
            DropSkin();
    }
    InitConstantIndexes();
}

void TsSkinManager::SetSkinDirectory(const std::string& Value) {
    if (Value == FSkinDirectory)
        return;
    FSkinDirectory = Value;
    FSkinData->SkinPath = GetFullSkinDirectory();
}

void TsSkinManager::SetHueOffset(int Value) { ChangeColours(FHueOffset, Value); }

void TsSkinManager::SetSaturation(int Value) { ChangeColours(FSaturation, Value); }

void TsSkinManager::ChangeColours(int& Field, int Value) {
    if (Value == Field)
        return;
    Field = Value;
    if (!FSkinData->Active)
        return;
    {
        acSkinLoading = true;
        auto loaded = Finally([] { acSkinLoading = false; });
        ReloadSkin();
    }
    // The colours apply to a fresh load; a skin that no longer loads is removed.
    if (!FActive)
        SendRemoveSkin();
    else if (!LoadingOrReading())
        RepaintForms();
}

void TsSkinManager::SetCommonSections(TStrings* Value) {
    FCommonSections->Assign(Value);
    for (int i = 0; i < FCommonSections->Count(); ++i) {
        std::string line = FCommonSections->Strings(i);
        if (!line.empty() && line[0] != ';')
            FCommonSections->SetStrings(i, DelChars(line, ' '));
    }
    SetSkinName(FSkinName);
}

void TsSkinManager::SetSkinnedPopups(bool Value) {
    if (Value == FSkinnedPopups)
        return;
    FSkinnedPopups = Value;
    if (Value && !Designing() && FSkinableMenus && IsDefault())
        FSkinableMenus->UpdateMenus();
}

void TsSkinManager::SetIsDefault(bool Value) {
    if (!Value && DefaultManager)
        return;
    TsSkinManager* previous = DefaultManager;
    DefaultManager = this;
    // The dialog hook of the thread belongs to the default manager alone.
    if (previous && previous != this)
        previous->UninstallHook();
    if (!FActive) {
        SendRemoveSkin();
        return;
    }
    SendNewSkin(true);
    RepaintForms();
}

std::string TsSkinManager::SkinInfo() const {
    if (!FSkinData->Active)
        return "N/A";
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", FSkinData->Version);
    return text;
}

// --- broadcasting ---

void TsSkinManager::DeliverAtDesignTime(TMessage& Message, bool SkipDocked) {
    for (int i = 0; i < Screen->FormCount(); ++i) {
        TCustomForm* form = Screen->Forms(i);
        if (IsDesignerForm(form->Name(), SkipDocked))
            continue;
        if (SkinCmdOf(Message.WParam) == scRefresh) {
            BroadcastSkinMessage(form, Message);
            FindSkinProvider(form, Message);
        } else {
            FindSkinProvider(form, Message);
            BroadcastSkinMessage(form, Message);
        }
    }
    BroadcastToSupportedForms(Message);
}

void TsSkinManager::Broadcast(TacSkinCommand Command) {
    TMessage message{SM_QUORVEXCMD, MakeSkinCmd(Command), reinterpret_cast<LPARAM>(this), 0};
    if (Designing())
        DeliverAtDesignTime(message, Command == scRemoveSkin);
    else
        AppBroadCastS(message);
}

void TsSkinManager::SendNewSkin(bool Repaint) {
    if (LoadingOrReading())
        return;
    bool lock = !Designing() && Repaint;
    if (lock)
        LockForms(this);
    try {
        if (FSkinableMenus)
            FSkinableMenus->ResetSkinBorderWidth();
        FSkinData->Active = false;
        {
            acSkinChanging = true;
            auto changed = Finally([] { acSkinChanging = false; });
            InitConstantIndexes();
            Broadcast(scNewSkin);
        }
        FSkinData->Active = true;
        if (IsDefault() && !FHookInstalled)
            InstallHook();
        if (Repaint)
            RepaintForms();
    } catch (...) {
        // The forms held above must not stay frozen because a handler failed.
        if (lock)
            UnLockForms(this, false);
        throw;
    }
}

void TsSkinManager::SendRemoveSkin() {
    acSkinRemoving = true;
    auto removed = Finally([] { acSkinRemoving = false; });
    UninstallHook();
    FSkinData->Active = false;
    {
        // The images go even when a handler fails, so no painter is left with half a skin.
        auto freed = Finally([this] {
            FRemovingSkin = false;
            FreeBitmaps();
            FreeJpegs();
            Sections.clear();
            InitConstantIndexes();
        });
        FRemovingSkin = true;
        Broadcast(scRemoveSkin);
    }
}

void TsSkinManager::RepaintForms() {
    if (!Designing())
        Broadcast(scBeforeRefresh);
    if (Designing()) {
        Broadcast(scRefresh);
        return;
    }
    bool lock = !Loading();
    if (lock)
        LockForms(this);
    auto unlock = Finally([&] {
        if (lock)
            UnLockForms(this, true);
    });
    Broadcast(scRefresh);
}

void TsSkinManager::SetActiveControl(HWND Wnd) {
    if (Wnd == FActiveControl)
        return;
    HWND previous = FActiveControl;
    FActiveControl = Wnd;
    if (previous)
        SendSkinCmdToHandle(previous, scMouseLeave, reinterpret_cast<LPARAM>(this));
    SendSkinCmdToHandle(Wnd, scMouseEnter, reinterpret_cast<LPARAM>(this));
}

void TsSkinManager::InstallHook() {
    if (Designing() || !IsDefault() || FHookInstalled)
        return;
    if (TacDialogHook* hook = RegisteredDialogHook())
        hook->HookInstalled();
    FHook = SetWindowsHookExA(WH_CBT, CBTHookProc, nullptr, GetCurrentThreadId());
    // Without the hook the forms are still skinned, only standard dialogs are not: the skin goes on regardless.
    FHookInstalled = FHook != nullptr;
}

void TsSkinManager::UninstallHook() {
    if (Designing() || !FHookInstalled)
        return;
    UnhookWindowsHookEx(FHook);
    FHook = nullptr;
    FHookInstalled = false;
    if (TacDialogHook* hook = RegisteredDialogHook())
        hook->HookRemoved();
}

bool TsSkinManager::MainWindowHook(TMessage& Message) {
    if (!FSkinnedPopups)
        return false;
    if (Message.Msg == WM_THEMECHANGED)
        return true;
    if (Message.Msg != 48307 && Message.Msg != 48308)
        return false;
    TBitmap* background = FSkinableMenus ? FSkinableMenus->PopupBackground() : nullptr;
    HWND wnd = nullptr;
    switch (Message.Msg) {
    case 48307: {
        if (!background)
            return false;
        auto* item = reinterpret_cast<TMenuItem*>(Message.LParam);
        if (!item)
            return true;
        // The number lies where any program may send it: only an item of one of our menus is one.
        if (!IsItemOfOurMenus(item))
            return false;
        TMenuItem* parent = item->Parent();
        if (!parent)
            return true;
        // The menu's positions count only the visible items.
        int position = 0;
        for (int i = 0; i < item->MenuIndex(); ++i)
            if (parent->Items(i)->Visible())
                ++position;
        RECT r;
        if (!GetMenuItemRect(nullptr, parent->Handle(), position, &r) &&
            !GetMenuItemRect(TPopupMenu::PopupListWindow(), parent->Handle(), position, &r))
            return true;
        wnd = WindowFromPoint(POINT{r.left + (r.right - r.left) / 2, r.top + (r.bottom - r.top) / 2});
        break;
    }
    default:
        wnd = reinterpret_cast<HWND>(Message.LParam);
        // Only a window of this thread can be taken over.
        if (wnd && GetWindowThreadProcessId(wnd, nullptr) != GetCurrentThreadId())
            return false;
        break;
    }
    if (!wnd || !FSkinableMenus)
        return false;
    FSkinableMenus->HookPopupWnd(background, wnd);
    return true;
}

// --- skins on disk ---

void TsSkinManager::GetSkinNames(TStrings* List, TacSkinKind Kind, std::string& FirstName) {
    FirstName.clear();
    List->Clear();
    TStringList names;
    names.SetSorted(true);
    auto add = [&](const std::string& name) {
        if (FirstName.empty())
            FirstName = name;
        names.Add(name);
    };
    for (int i = 0; i < FInternalSkins->Count(); ++i)
        add(FInternalSkins->Items(i)->Name());
    std::string dir = GetFullSkinDirectory();
    if (DirectoryExists(dir)) {
        TacSearchRec f;
        for (int rc = FindFirstEntry(dir + "*.*", faDirectory, f); rc == 0; rc = FindNextEntry(f)) {
            if (f.Name.empty() || f.Name[0] == '.')
                continue;
            if (f.Attr & faDirectory) {
                if (Kind != skPacked && FileExists(dir + f.Name + "\\Options.dat"))
                    add(f.Name);
            } else if (Kind != skFolders && UpperCase(ExtractFileExt(f.Name)) == ".VQZ") {
                // Only the extension goes: "a.b.vqz" is the skin "a.b".
                add(f.Name.substr(0, f.Name.size() - 4));
            }
        }
        FindCloseEntry(f);
    }
    List->Assign(&names);
}

std::string TsSkinManager::GetFullSkinDirectory() const {
    std::string app = AppDir();
    const std::string& dir = FSkinDirectory;
    std::string result;
    if (dir.rfind("..", 0) == 0) {
        std::string parent = ExtractFilePath(app.substr(0, app.size() - 1));
        result = parent + (dir.size() > 3 ? dir.substr(3) : std::string());
    } else if (dir.rfind(".\\", 0) == 0 || dir.rfind("./", 0) == 0) {
        result = app + dir.substr(2);
    } else if (dir.find(':') != std::string::npos || dir.find("\\\\") != std::string::npos) {
        result = dir;
    } else {
        result = app + dir;
    }
    return NormalDir(result);
}

void TsSkinManager::InitThirdPartyLists(bool Reset) {
    for (int i = 0; i < acThirdPartyKindCount; ++i) {
        std::string text = FThirdParty->GetString(i);
        if (Reset || text.empty()) {
            text = acThirdPartyDefaults[i];
            FThirdParty->SetString(i, text);
        }
        FThirdLists[i]->SetText(text);
    }
}

void TsSkinManager::SaveThirdPartyLists() {
    for (int i = 0; i < acThirdPartyKindCount; ++i)
        FThirdParty->SetString(i, FThirdLists[i]->Text());
}

// --- lookups ---

namespace {

// One key for a pair of names; the length in front keeps ("AB", "C") apart from ("A", "BC").
std::string PairKey(const std::string& Section, const std::string& Property) {
    return std::to_string(Section.size()) + ":" + Section + Property;
}

// The first element of Items with that key, through Index; -1 when there is none. An element that no longer has
// the key it was indexed under (renamed in place) has the index made again. KeyOf gives an element's key, or
// nothing for one the index leaves out.
template <class T, class K>
int IndexedFind(TacNameIndex& Index, const std::vector<T>& Items, const std::string& Key, K&& KeyOf) {
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1 || Index.Data != Items.data() || Index.Size != Items.size()) {
            // A new table, so that an emptied array keeps nothing of the skin it held.
            Index.First = {};
            Index.First.reserve(Items.size());
            for (size_t i = 0; i < Items.size(); ++i)
                if (std::optional<std::string> k = KeyOf(Items[i]))
                    Index.First.emplace(std::move(*k), static_cast<int>(i));
            Index.Data = Items.data();
            Index.Size = Items.size();
        }
        auto it = Index.First.find(Key);
        if (it == Index.First.end())
            return -1;
        std::optional<std::string> k = KeyOf(Items[static_cast<size_t>(it->second)]);
        if (k && *k == Key)
            return it->second;
    }
    return -1;
}

std::optional<std::string> ImageKeyOf(const TsMaskData& M) { return PairKey(M.ClassName, M.PropertyName); }

std::optional<std::string> TextureKeyOf(const TsMaskData& M) {
    if (M.ImgType != itisaTexture)
        return std::nullopt;
    return PairKey(M.ClassName, M.PropertyName);
}

std::optional<std::string> PatternKeyOf(const TsPatternData& P) { return PairKey(P.ClassName, P.PropertyName); }

}  // namespace

int TsSkinManager::GetSkinIndex(const std::string& SectionName) const {
    int found = IndexedFind(FSectionIndex, Sections, SectionName,
                            [](const TsGeneralData& g) { return std::optional<std::string>(g.ClassName); });
    if (found >= 0)
        return found;
    // Sections renamed in place since they were indexed: a name that is missing is looked for once more.
    for (size_t i = 0; i < Sections.size(); ++i)
        if (Sections[i].ClassName == SectionName)
            return static_cast<int>(i);
    return -1;
}

int TsSkinManager::FindInSections(int SkinIndex, const std::string& SectionName,
                                  const std::function<int(const std::string& Section)>& Find) const {
    std::string section = SectionName;
    // The sections searched under their own names: a chain of parents that comes back to one of them (A -> B -> A)
    // would only search them again, so it ends there. A short chain is kept in a list, a long one in a table.
    std::vector<int> searched;
    std::vector<char> seen;
    auto wasSearched = [&](int index) {
        if (!seen.empty())
            return seen[static_cast<size_t>(index)] != 0;
        return std::find(searched.begin(), searched.end(), index) != searched.end();
    };
    auto markSearched = [&](int index) {
        if (seen.empty() && searched.size() < 16) {
            searched.push_back(index);
            return;
        }
        if (seen.empty()) {
            seen.assign(Sections.size(), 0);
            for (int i : searched)
                seen[static_cast<size_t>(i)] = 1;
        }
        seen[static_cast<size_t>(index)] = 1;
    };
    for (;;) {
        if (SkinIndex < 0 || section.empty())
            return -1;
        if (int found = Find(section); found >= 0)
            return found;
        if (!IsValidSkinIndex(SkinIndex))
            return -1;
        if (Sections[SkinIndex].ClassName == section)
            markSearched(SkinIndex);
        const std::string& parent = Sections[SkinIndex].ParentClass;
        if (parent.empty() || parent == section)
            return -1;
        SkinIndex = GetSkinIndex(parent);
        if (SkinIndex >= 0 && wasSearched(SkinIndex))
            return -1;
        section = parent;
    }
}

int TsSkinManager::FindImage(int SkinIndex, const std::string& SectionName, const std::string& PropertyName,
                             bool TexturesOnly) const {
    return FindInSections(SkinIndex, SectionName, [&](const std::string& section) {
        if (TexturesOnly)
            return IndexedFind(FTextureIndex, Masks, PairKey(section, PropertyName), TextureKeyOf);
        return GetMaskIndexByName(section, PropertyName);
    });
}

int TsSkinManager::GetMaskIndex(int SkinIndex, const std::string& SectionName, const std::string& PropertyName) const {
    return FindImage(SkinIndex, SectionName, PropertyName, false);
}

int TsSkinManager::GetMaskIndexByName(const std::string& SectionName, const std::string& PropertyName) const {
    if (SectionName.empty())
        return -1;
    return IndexedFind(FMaskIndex, Masks, PairKey(SectionName, PropertyName), ImageKeyOf);
}

int TsSkinManager::GetTextureIndex(int SkinIndex, const std::string& SectionName,
                                   const std::string& PropertyName) const {
    return FindImage(SkinIndex, SectionName, PropertyName, true);
}

int TsSkinManager::GetPatternIndex(int SkinIndex, const std::string& SectionName,
                                   const std::string& PropertyName) const {
    if (Patterns.empty())
        return -1;
    return FindInSections(SkinIndex, SectionName, [&](const std::string& section) {
        return IndexedFind(FPatternIndex, Patterns, PairKey(section, PropertyName), PatternKeyOf);
    });
}

TColor TsSkinManager::GetGlobalColor() const {
    int i = GetSkinIndex("GLOBALINFO");
    return ColorToRGB(i < 0 ? clBtnFace : Sections[i].Color);
}

TColor TsSkinManager::GetGlobalFontColor() const {
    int i = GetSkinIndex("GLOBALINFO");
    return i < 0 ? clFuchsia : ColorToRGB(Sections[i].FontColor[0]);
}

TSize TsSkinManager::GetMaskFrameSize(int MaskIndex) const {
    if (!IsValidImgIndex(MaskIndex))
        return TSize{0, 0};
    const TsMaskData& mask = Masks[MaskIndex];
    return TSize{MaskStateWidth(mask), MaskStateHeight(mask)};
}

namespace {

// A 9-slice width: the image's own, else its border width, else the share of one state that Derived gives.
int WidthOr(int Own, const TsMaskData& Mask, int Derived) {
    if (Own > 0)
        return Own;
    return Mask.BorderWidth >= 1 ? Mask.BorderWidth : Derived;
}

int DerivedWidth(const TsMaskData& Mask) { return Mask.R.Width() / (std::max<int>(1, Mask.ImageCount) * 3); }

}  // namespace

int TsSkinManager::MaskWidthLeft(int MaskIndex) {
    if (!IsValidImgIndex(MaskIndex))
        return 0;
    TsMaskData& mask = Masks[MaskIndex];
    if (mask.WL <= 0 && mask.BorderWidth < 1 && mask.ImageCount == 0)
        mask.ImageCount = 1;
    return WidthOr(mask.WL, mask, DerivedWidth(mask));
}

int TsSkinManager::MaskWidthRight(int MaskIndex) const {
    if (!IsValidImgIndex(MaskIndex))
        return 0;
    const TsMaskData& mask = Masks[MaskIndex];
    return WidthOr(mask.WR, mask, DerivedWidth(mask));
}

int TsSkinManager::MaskWidthBottom(int MaskIndex) const {
    if (!IsValidImgIndex(MaskIndex))
        return 0;
    const TsMaskData& mask = Masks[MaskIndex];
    return WidthOr(mask.WB, mask, mask.R.Height() / ((std::max<int>(0, mask.MaskType) + 1) * 3));
}

void TsSkinManager::InitConstantIndexes() {
    ConstData = TacConstData{};
    TacConstData& c = ConstData;
    int global = GetSkinIndex("GLOBALINFO");
    c.IndexGlobalInfo = global;
    if (global >= 0) {
        auto glyph = [&](const char* key) { return GetMaskIndex(global, "GLOBALINFO", key); };
        c.CheckBoxChecked = glyph("BOXCHECKED");
        c.CheckBoxUnChecked = glyph("BOXUNCHECKED");
        c.CheckBoxGrayed = glyph("BOXGRAYED");
        c.RadioButtonChecked = glyph("RADIOCHECKED");
        c.RadioButtonUnChecked = glyph("RADIOUNCHECKED");
        c.RadioButtonGrayed = glyph("RADIOGRAYED");
        c.SmallCheckBoxChecked = glyph("SMALLCHECKED");
        c.SmallCheckBoxUnChecked = glyph("SMALLUNCHECKED");
        c.SmallCheckBoxGrayed = glyph("SMALLGRAYED");
    }
    c.ComboBtn.SkinIndex = GetSkinIndex("COMBOBTN");
    c.ComboBtn.MaskIndex = GetMaskIndexByName("COMBOBTN", "BORDERSMASK");
    c.ComboBtn.Texture = GetTextureIndex(c.ComboBtn.SkinIndex, "COMBOBTN", "PATTERN");
    c.ComboBtn.HotTexture = GetTextureIndex(c.ComboBtn.SkinIndex, "COMBOBTN", "HOTPATTERN");
    c.ComboBtn.GlyphIndex = GetMaskIndexByName("COMBOBOX", "GLYPHMASK");

    // What one section gives: always its border mask; its glyph when asked; its textures when asked.
    auto fill = [&](TacSectionIndexes& e, const char* section, bool glyph, bool textures) {
        e.SkinIndex = GetSkinIndex(section);
        e.MaskIndex = GetMaskIndex(e.SkinIndex, section, "BORDERSMASK");
        if (glyph && e.SkinIndex >= 0)
            e.GlyphIndex = GetMaskIndex(e.SkinIndex, section, "GLYPHMASK");
        if (textures) {
            e.Texture = GetMaskIndex(e.SkinIndex, section, "PATTERN");
            e.HotTexture = GetMaskIndex(e.SkinIndex, section, "HOTPATTERN");
        }
    };
    fill(c.TabTop, "TABTOP", false, false);
    fill(c.TabBottom, "TABBOTTOM", false, false);
    fill(c.TabLeft, "TABLEFT", false, false);
    fill(c.TabRight, "TABRIGHT", false, false);
    fill(c.ScrollBtnTop, "SCROLLBTNTOP", true, true);
    fill(c.ScrollBtnBottom, "SCROLLBTNBOTTOM", true, true);
    fill(c.ScrollBtnLeft, "SCROLLBTNLEFT", true, true);
    fill(c.ScrollBtnRight, "SCROLLBTNRIGHT", true, true);
    fill(c.ScrollSliderV, "SCROLLSLIDERV", true, true);
    fill(c.ScrollSliderH, "SCROLLSLIDERH", true, true);
    fill(c.ScrollBar1H, "SCROLLBAR1H", false, true);
    fill(c.ScrollBar1V, "SCROLLBAR1V", false, true);
    fill(c.ScrollBar2H, "SCROLLBAR2H", false, true);
    fill(c.ScrollBar2V, "SCROLLBAR2V", false, true);
}

TBitmap* MaskSourceBitmap(const TsMaskData& Mask) {
    if (Mask.Bmp)
        return Mask.Bmp.get();
    return Mask.Manager ? Mask.Manager->MasterBitmap.get() : nullptr;
}

namespace {

const bool Registered = RegisterFormClass<TsSkinManager>([](TFormClass<TsSkinManager>& c) {
    using T = TsSkinManager;
    // Everything the skin depends on comes before SkinName, so the skin is read once, with all of it set.
    c.Collection("InternalSkins", &T::InternalSkins);
    c.String("SkinDirectory", &T::SkinDirectory, &T::SetSkinDirectory);
    c.Boolean("Active", &T::Active, &T::SetActive).Default(true);
    c.Integer("HueOffset", &T::HueOffset, &T::SetHueOffset).Default(0);
    c.Integer("Saturation", &T::Saturation, &T::SetSaturation).Default(0);
    c.Object("CommonSections", &T::CommonSections);
    c.Boolean("SkinnedPopups", &T::SkinnedPopups, &T::SetSkinnedPopups).Default(true);
    c.Boolean("IsDefault", &T::IsDefault, &T::SetIsDefault).Default(true);
    c.Object("MenuSupport", &T::MenuSupport);
    c.Object("AnimEffects", &T::AnimEffects);
    c.SetOf("SkinningRules", &T::SkinningRules, &T::SetSkinningRules, {"srStdForms", "srStdDialogs", "srThirdParty"})
        .Default(TacSkinningRules{srStdForms, srStdDialogs, srThirdParty});
    c.Object("ThirdParty", &T::ThirdParty);
    c.Event("OnAfterChange", &T::OnAfterChange);
    c.Event("OnBeforeChange", &T::OnBeforeChange);
    c.Event("OnGetMenuExtraLineData", &T::OnGetMenuExtraLineData);
    // Both are read only: a description carries them, and reading one back changes nothing.
    c.String("SkinInfo", &T::SkinInfo, [](T*, const std::string&) {});
    c.String("Version", [](T*) { return T::Version(); }, [](T*, const std::string&) {});
    c.String("SkinName", &T::SkinName, &T::SetSkinName);
});

}  // namespace
