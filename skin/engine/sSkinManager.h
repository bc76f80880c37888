#pragma once
// TsSkinManager: the one object that owns a loaded skin. It finds a skin (a folder, a packed file or a skin
// stored in the program), reads it into its section, image and texture arrays and its master bitmap, recolours
// it, answers the lookups every painter makes, and tells every window of the application of each skin change.
#include "acAnimEffects.h"
#include "acManagerRef.h"
#include "acSkinHooks.h"
#include "acThirdParty.h"
#include "sMaskData.h"
#include "sMessages.h"
#include "sSkinData.h"
#include "sStoredSkins.h"

#include "classlib/runtime/Component.h"
#include "classlib/visual/Graphics.h"
#include "classlib/runtime/Lists.h"
#include "classlib/runtime/Messages.h"
#include "classlib/runtime/Set.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class TCustomForm;
class TCustomIniFile;
class TacSkinConvertor;
class TsSkinManager;
struct TsSkinLoad;
struct TsSkinJpeg;

// Names to their first position in one of the manager's arrays, so that a lookup costs the same however large the
// skin; rebuilt whenever the array is replaced or changes its length, and checked against the element it names.
struct TacNameIndex {
    const void* Data = nullptr;
    size_t Size = 0;
    std::unordered_map<std::string, int> First;
};

// The first manager created, nil when there is none.
extern TsSkinManager* DefaultManager;
// Library-wide: a skin is being loaded; a new skin is being broadcast; a skin is being removed.
extern bool acSkinLoading;
extern bool acSkinChanging;
extern bool acSkinRemoving;

// Which windows the default manager's dialog hook skins: forms without a provider, standard dialogs and message
// boxes, the windows of other control libraries.
enum TacSkinningRule { srStdForms, srStdDialogs, srThirdParty };
using TacSkinningRules = Set<TacSkinningRule>;

// Indexes of a section and of its images that painters look up often; -1 where the skin has none.
struct TacSectionIndexes {
    int SkinIndex = -1;
    int MaskIndex = -1;   // BORDERSMASK
    int GlyphIndex = -1;  // GLYPHMASK
    int Texture = -1;     // PATTERN
    int HotTexture = -1;  // HOTPATTERN
};

// The indexes a manager keeps at hand after every load and every change of Active.
struct TacConstData {
    int IndexGlobalInfo = -1;
    // GLOBALINFO's check-box and radio-button glyphs.
    int CheckBoxChecked = -1, CheckBoxUnChecked = -1, CheckBoxGrayed = -1;
    int RadioButtonChecked = -1, RadioButtonUnChecked = -1, RadioButtonGrayed = -1;
    int SmallCheckBoxChecked = -1, SmallCheckBoxUnChecked = -1, SmallCheckBoxGrayed = -1;
    // COMBOBTN; its GlyphIndex is COMBOBOX's GLYPHMASK.
    TacSectionIndexes ComboBtn;
    TacSectionIndexes TabTop, TabBottom, TabLeft, TabRight;
    TacSectionIndexes ScrollBtnTop, ScrollBtnBottom, ScrollBtnLeft, ScrollBtnRight;
    TacSectionIndexes ScrollSliderV, ScrollSliderH;
    TacSectionIndexes ScrollBar1H, ScrollBar1V, ScrollBar2H, ScrollBar2V;
};

// Which skins GetSkinNames lists.
enum TacSkinKind { skFolders = 0, skPacked = 1, skAll = 2 };

class TsSkinManager : public TComponent {
    CLASS_INFO(TsSkinManager, TComponent)
public:
    // The first manager made becomes the default one, hooks the application's window for popup menus and, once
    // a skin is in force, installs the dialog hook of its thread.
    explicit TsSkinManager(TComponent* AOwner);
    // Always tells every window that the skin is gone (command 2 with this manager), so nothing keeps it.
    ~TsSkinManager() override;
    void Loaded() override;

    // --- properties ---

    // A folder of SkinDirectory, a packed file there without ".vqz", or the name of a stored skin. Setting it
    // while Active loads that skin and broadcasts it; a skin that cannot be loaded ends as no skin.
    const std::string& SkinName() const { return FSkinName; }
    void SetSkinName(const std::string& Value);
    const std::string& SkinDirectory() const { return FSkinDirectory; }
    void SetSkinDirectory(const std::string& Value);
    bool Active() const { return FActive; }
    void SetActive(bool Value);
    // True while the manager tells every window that its skin goes (command 2): Active is already false then,
    // but what the manager skinned must still take the news.
    bool RemovingSkin() const { return FRemovingSkin; }
    TsStoredSkins* InternalSkins() const { return FInternalSkins.get(); }
    void SetInternalSkins(TsStoredSkins* Value) { FInternalSkins->Assign(Value); }
    // The owner-draw menu painter, nil when no menu unit is linked in.
    TacMenuPainter* SkinableMenus() const { return FSkinableMenus.get(); }
    bool SkinnedPopups() const { return FSkinnedPopups; }
    void SetSkinnedPopups(bool Value);
    // INI text whose sections are merged over every skin loaded; setting it removes the blanks from every line
    // that is not a comment and reloads the skin.
    TStringList* CommonSections() const { return FCommonSections.get(); }
    void SetCommonSections(TStrings* Value);
    bool IsDefault() const { return this == DefaultManager; }
    void SetIsDefault(bool Value);
    TacMenuSupport* MenuSupport() const { return FMenuSupport.get(); }
    TacAnimEffects* AnimEffects() const { return FAnimEffects.get(); }
    TacSkinningRules SkinningRules() const { return FSkinningRules; }
    void SetSkinningRules(TacSkinningRules Value) { FSkinningRules = Value; }
    ThirdPartyList* ThirdParty() const { return FThirdParty.get(); }
    // Hue turned by this many degrees and saturation changed by this much, applied to every load; a change
    // reloads the skin and repaints.
    int HueOffset() const { return FHueOffset; }
    void SetHueOffset(int Value);
    int Saturation() const { return FSaturation; }
    void SetSaturation(int Value);
    // The skin's version with "." as decimal separator while a skin is in force, else "N/A".
    std::string SkinInfo() const;
    static std::string Version() { return "6.00 beta"; }

    TNotifyEvent OnAfterChange;
    TNotifyEvent OnBeforeChange;
    TacGetExtraLineData OnGetMenuExtraLineData;

    // --- the loaded skin ---

    TsSkinData* SkinData() const { return FSkinData.get(); }
    // One record per section, the images and the JPEG textures; all empty without a skin.
    TsGeneralDataArray Sections;
    TsMaskArray Masks;
    TsPatternArray Patterns;
    // The image that the images without a bitmap of their own are rectangles of.
    std::unique_ptr<TBitmap> MasterBitmap;
    TacConstData ConstData;
    // The skin came from a packed file or from packed data stored in the program.
    bool IsPacked() const { return FIsPacked; }
    // The class names of ThirdParty, one list per control kind.
    TStringList* ThirdLists(int Index) const { return FThirdLists.at(static_cast<size_t>(Index)).get(); }

    // --- broadcasting ---

    // Command 1 (new skin) to every form and control, then, with Repaint, commands 16 and 3.
    void SendNewSkin(bool Repaint);
    // Command 2 (skin removed) to every form and control; the skin's images and sections are freed.
    void SendRemoveSkin();
    // Command 16, then command 3 (re-read and repaint) with the forms' redraws held meanwhile.
    void RepaintForms();
    // Tells the skinned window under the mouse that it has the mouse (29) and the previous one that it lost it
    // (30).
    void SetActiveControl(HWND Wnd);
    // The skinned window that has the mouse now, 0 for none.
    HWND ActiveControl() const { return FActiveControl; }
    // Installs (or takes away) the dialog hook of this thread: only the default manager, never twice.
    void InstallHook();
    void UninstallHook();
    bool HookInstalled() const { return FHookInstalled; }
    // The hook on the application's window: skinned popup menus; true when the message was handled.
    bool MainWindowHook(TMessage& Message);

    // --- skins on disk ---

    // The names of the skins there are: stored skins, then (with Kind skFolders or skAll) the folders of the
    // skin directory that hold an Options.dat and (skPacked or skAll) its packed files without ".vqz"; sorted.
    // FirstName is the first name found.
    void GetSkinNames(TStrings* List, TacSkinKind Kind, std::string& FirstName);
    // SkinDirectory resolved against the program's folder, with a trailing "\".
    std::string GetFullSkinDirectory() const;

    void InitThirdPartyLists(bool Reset);
    void SaveThirdPartyLists();

    // --- lookups ---

    // The first section of that exact name, -1 when there is none.
    int GetSkinIndex(const std::string& SectionName) const;
    // True for a section of the skin in force.
    bool IsValidSkinIndex(int Index) const { return Index >= 0 && Index < static_cast<int>(Sections.size()); }
    bool IsValidImgIndex(int Index) const { return Index >= 0 && Index < static_cast<int>(Masks.size()); }
    // The first image that section SectionName (at SkinIndex) names PropertyName, else the first of its parent
    // sections (PARENTCLASS, nearest first) that does; -1 when none does or SkinIndex is negative.
    int GetMaskIndex(int SkinIndex, const std::string& SectionName, const std::string& PropertyName) const;
    // The first image of exactly that section and key, without looking at parents.
    int GetMaskIndexByName(const std::string& SectionName, const std::string& PropertyName) const;
    // As GetMaskIndex among the images that are textures.
    int GetTextureIndex(int SkinIndex, const std::string& SectionName, const std::string& PropertyName) const;
    // As GetMaskIndex among the JPEG textures.
    int GetPatternIndex(int SkinIndex, const std::string& SectionName, const std::string& PropertyName) const;
    // GLOBALINFO's colour as RGB; the system's button face without GLOBALINFO.
    TColor GetGlobalColor() const;
    // GLOBALINFO's text colour as RGB; $FF00FF without GLOBALINFO.
    TColor GetGlobalFontColor() const;
    // The size of one state of an image (without its mask half).
    TSize GetMaskFrameSize(int MaskIndex) const;
    // The 9-slice widths of an image: its own, else its border width, else a third of one state.
    int MaskWidthLeft(int MaskIndex);
    int MaskWidthRight(int MaskIndex) const;
    int MaskWidthBottom(int MaskIndex) const;
    // Fills ConstData from the skin in force (all -1 without one).
    void InitConstantIndexes();

    // --- loading ---

    // Loads SkinName from its folder or, failing that, from the stored skins; LoadPackedSkin from the packed
    // file. Either ends with Active False and no skin when the skin cannot be found or read.
    void LoadSkinData();
    void LoadPackedSkin();
    // Why the last load ended as no skin (damaged data, a skin past one of the limits of acSkinLimits.h); empty
    // after a load that gave a skin or found none to load.
    const std::string& LoadError() const { return FLoadError; }
    // A key of a section, inherited along PARENTCLASS when absent ("?" for texts, -1 for numbers), else Default.
    std::string ReadSkinString(const std::string& Section, const std::string& Key, const std::string& Default);
    int ReadSkinInteger(const std::string& Section, const std::string& Key, int Default);
    // Frees the images and the master bitmap; the JPEG textures.
    void FreeBitmaps();
    void FreeJpegs();
    // Recolour the loaded skin (master bitmap, images, section and skin colours) by hue and by saturation.
    void ApplyHueOffset(int Value);
    void ApplySaturation(int Value);

private:
    friend void LockForms(TsSkinManager* Manager);
    friend void UnLockForms(TsSkinManager* Manager, bool Repaint);
    friend class TacManagerRef;

    // Clears everything that still names this manager once the removal has been broadcast.
    void ForgetReferences();

    // One load: reads the skin with the current settings (folder, stored or packed), or ends as no skin.
    void ReloadSkin();
    // Runs one load: Find locates the skin (false: there is none), then the loaders read it; any failure ends
    // as no skin.
    void LoadFrom(const std::function<bool()>& Find);
    // The unpacked skin's description; false when it has none.
    bool DescribeFromConvertor();
    // Stores a new hue offset or saturation and reloads the skin in force with it.
    void ChangeColours(int& Field, int Value);
    // The three loaders, in this order, with the description (nil for a stored skin kept as collections).
    void LoadAll();
    void LoadAllMasks();
    void LoadAllPatterns();
    void LoadAllGeneralData();
    void LoadGeneralDataFromDescription();
    void LoadGeneralDataFromStoredSkin(TsStoredSkin* Skin);
    void MergeCommonSections();
    void LoadCommonMasks();
    void LoadCommonPatterns();
    void LoadMasksFromStoredSkin(TsStoredSkin* Skin);
    void CheckVersion();
    // Key of Section as a gradient: its text, inherited along PARENTCLASS (Default when none gives it or it is
    // too long), and its stops; ESkinTooLarge when the skin's gradients together go past their limit.
    void ReadSectionGradient(const std::string& Section, const std::string& Key, const std::string& Default,
                             std::string& Text, TsGradArray& Stops);
    // Adds one image described by Value of Section's Key, when it can be read and lies inside its bitmap.
    void AddMask(const std::string& Section, const std::string& Key, const std::string& Value);
    // An image that is a bitmap file of its own (three states with their masks), names upper-cased.
    void AddBitmapMask(const std::string& Section, const std::string& Key, const std::string& FileName, bool Packed);
    // An image in the "#(left, top, right, bottom)(count, mask type, border width, draw mode)" form.
    void AddHashMask(const std::string& Section, const std::string& Key, const std::string& Value);
    // Keeps the image when its rectangle lies inside its bitmap; false (and nothing kept) otherwise.
    bool AppendMask(TsMaskData Mask);
    // Loads a skin file into Graphic: with Packed, the item of the packed skin being read (when there is one),
    // else a file of the skin's folder. False when it is missing, empty or cannot be read.
    bool LoadSkinImage(const std::string& FileName, TGraphic* Graphic, bool Packed);
    // A skin bitmap made 24-bit, nil when it cannot be had; one bitmap for each file however many keys name it.
    std::shared_ptr<TBitmap> LoadMaskBitmap(const std::string& FileName, bool Packed);
    // A JPEG file of the skin, read once however many keys name it; with SmallAsBitmap, one of fewer than 90000
    // pixels is decoded into a bitmap.
    TsSkinJpeg& JpegFile(const std::string& FileName, bool Packed, bool SmallAsBitmap = true);
    // Refuses a description past the limits of a skin's size (ESkinTooLarge).
    void CheckDescription();
    // What the load in progress keeps; counts the next image named and answers whether it is within the limit;
    // takes the pixels of a picture into the skin's budget when they fit.
    TsSkinLoad& Load();
    bool AdmitImage();
    bool AdmitPixels(int64_t Width, int64_t Height);
    // Where an image file comes from (the packed skin or a file), for reading each file once.
    std::string ImageFileKey(const std::string& FileName, bool Packed) const;
    // Frees everything a load leaves and marks the manager inactive.
    void DropSkin();
    void Broadcast(TacSkinCommand Command);
    void DeliverAtDesignTime(TMessage& Message, bool SkipDocked);
    bool Designing() const { return ComponentState().Contains(csDesigning); }
    bool LoadingOrReading() const;
    // Find (section) in the section and then in its parents along PARENTCLASS; the first index found, else -1.
    int FindInSections(int SkinIndex, const std::string& SectionName,
                       const std::function<int(const std::string& Section)>& Find) const;
    int FindImage(int SkinIndex, const std::string& SectionName, const std::string& PropertyName,
                  bool TexturesOnly) const;
    // The stored skin the current load comes from, nil for a folder or packed file.
    TsStoredSkin* StoredSkin() const;

    std::string FSkinName;
    std::string FSkinDirectory;
    bool FActive = true;
    bool FRemovingSkin = false;
    std::unique_ptr<TsStoredSkins> FInternalSkins;
    std::unique_ptr<TacMenuPainter> FSkinableMenus;
    bool FSkinnedPopups = true;
    std::unique_ptr<TStringList> FCommonSections;
    std::unique_ptr<TacMenuSupport> FMenuSupport;
    std::unique_ptr<TacAnimEffects> FAnimEffects;
    HWND FActiveControl = nullptr;
    bool FHookInstalled = false;
    HHOOK FHook = nullptr;
    bool FMainWindowHooked = false;
    TacSkinningRules FSkinningRules = {srStdForms, srStdDialogs, srThirdParty};
    std::unique_ptr<ThirdPartyList> FThirdParty;
    std::unique_ptr<TsSkinData> FSkinData;
    bool FIsPacked = false;
    int FHueOffset = 0;
    int FSaturation = 0;
    std::array<std::unique_ptr<TStringList>, acThirdPartyKindCount> FThirdLists;
    // The forms whose redraws LockForms holds for this manager.
    std::vector<std::pair<TCustomForm*, HWND>> FLockedForms;
    // During one load: the description (nil for a skin kept as collections), the unpacked skin (nil for a folder)
    // and the stored skin it came from.
    std::unique_ptr<TCustomIniFile> FDescription;
    std::unique_ptr<TacSkinConvertor> FConvertor;
    int FStoredIndex = -1;
    // What one load keeps while it runs: the resolved inheritance, the images read so far and their costs.
    std::shared_ptr<TsSkinLoad> FLoad;
    std::string FLoadError;
    mutable TacNameIndex FSectionIndex, FMaskIndex, FTextureIndex, FPatternIndex;
    // What names this manager (skin data, adapters), and whether it has been told that the manager goes.
    TacManagerRef* FReferences = nullptr;
    bool FReferencesForgotten = false;
};

// The bitmap a mask's rectangle lies in: its own, else its manager's master bitmap; nil when it has neither.
TBitmap* MaskSourceBitmap(const TsMaskData& Mask);
