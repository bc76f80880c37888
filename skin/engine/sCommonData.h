#pragma once
// TsCommonData: the skin state that every skinned object carries (its section, the indexes of the section and of
// its images in the skin manager's arrays, its cache bitmap and state flags), and what every skinned control
// shares: the handlers of the skin command message and of the standard messages that change a control's
// background or hover state, its background colour and background information for its children, the
// font-section lookup of the text painters and the copying of a cache bitmap to the screen around children.
#include "acManagerRef.h"
#include "sGraphUtils.h"
#include "sMessages.h"

#include "classlib/runtime/Component.h"
#include "classlib/visual/Graphics.h"
#include "classlib/runtime/Messages.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

class TControl;
class TWinControl;
class TsSkinManager;

// The section that a control of type code COC paints with when no section is set; empty for codes that take
// the owner's class name instead.
std::string DefaultSectionOfCode(int COC);

// The skin state of one skinned object (a control, a window adapter or a form's skin provider).
class TsCommonData : public TPersistent {
    CLASS_INFO(TsCommonData, TPersistent)
public:
    // AOwner is the object that carries this state; CreateCacheBmp gives it an empty pf24bit cache bitmap.
    TsCommonData(TObject* AOwner, bool CreateCacheBmp);
    ~TsCommonData() override;

    // The section's name, always upper case; an empty name is stored as "UNKNOWN". A change re-reads the
    // indexes and tells the owner control (skin command 3 when the section is in the skin, else 2).
    const std::string& SkinSection() const { return FSkinSection; }
    void SetSkinSection(const std::string& Value);
    // The own manager, else the default one (the first created), else nil.
    TsSkinManager* SkinManager() const;
    // The default manager is stored as nil, so the object keeps following whichever manager is the default.
    void SetSkinManager(TsSkinManager* Value);
    // Written to a form description only when an own manager is set.
    bool IsSkinManagerStored() const { return FSkinManager.Get() != nullptr; }
    // The control keeps its own background colour (font colour) instead of the section's.
    bool CustomColor() const { return FCustomColor; }
    void SetCustomColor(bool Value);
    bool CustomFont() const { return FCustomFont; }
    void SetCustomFont(bool Value);

    TControl* OwnerControl() const { return FOwnerControl; }
    TObject* OwnerObject() const { return FOwnerObject; }
    // The bitmap into which the control's picture is composed; nil when there is none.
    TBitmap* CacheBmp() const { return FCacheBmp.get(); }

    // Re-reads the indexes of the section and of its border mask and textures from the manager (all -1 when the
    // section is not in the skin), the kind of background and whether the control paints without a cache.
    void UpdateIndexes();
    // Chooses the section from the control-type code when none is set; otherwise re-reads the indexes.
    void SetDefaultSection();
    // Sets the default section (from the control code) once the owner is read from its form description; a
    // skinned windowed owner then announces itself to its form, and an edit takes the section's colours.
    void Loaded();
    // True when the object is painted with a skin now: a manager that is not being destroyed, an owner control
    // that is not being destroyed, and a section of the skin. CheckActive also asks that the manager's skin be
    // in force (not being loaded or broadcast).
    bool Skinned(bool CheckActive = false) const;
    // True when the control paints through its cache bitmap: always while a fade runs or when its background
    // needs one; a control that could paint straight to the screen still does so while it is focused or hot.
    bool IsCached() const;
    // The control shows its active look: it is enabled and focused, or the mouse is over a control whose code
    // shows a hot state.
    bool ControlIsActive() const;
    // True when painting must wait: painting is held back here, or (for a cached control) the parent's
    // background is being rebuilt or held back.
    bool NeedsRepaint() const;
    // Painters call SetUpdating(NeedsRepaint()) before they decide whether to paint.
    void SetUpdating(bool Value) { Updating = Value; }
    // Brackets a batch of changes: painting is held back here, and the owner (a provider's form) hears skin
    // commands 31 and 32.
    void BeginUpdate();
    void EndUpdate();
    // True when the control's background depends on what lies under it (a transparent or disabled control over
    // a parent whose background changes with the position), and for anything not skinned.
    bool CheckParentBG() const;
    // The parent's background depends on the position (its answer to skin command 19).
    bool ParentBGChanging() const;
    // The owner control's own colour (a provider's form's), clBtnFace without one.
    TColor GetOwnColor() const;
    // Makes the cache bitmap (pf24bit, device-independent) when missing and gives it the owner control's size.
    void InitCacheBmp();
    // The background must be rebuilt: BGChanged, and a repaint when the owner control can be repainted now.
    void Invalidate();
    // The section lets what lies below show through (Transparency of 1 or more).
    bool IsTransparentSection() const;
    // Reads the kind of background of the section into BGType.
    void UpdateBGType();
    // True when the section cannot be painted straight onto the screen: wide borders (over 24 pixels together),
    // partial transparency, a texture or gradient, or full transparency over a parent that is cached itself.
    bool NeedsCacheBmp() const;
    // Recomputes bit 0 of CtrlState (panels, scrolling controls, page controls and skin providers that need no
    // cache paint without one); UpdateChildren asks every child control to do the same.
    void UpdateCacheState(bool UpdateChildren);

    // Painting is held back (between BeginUpdate and EndUpdate, and while no skin is there).
    bool Updating = false;
    // Indexes in the manager's arrays of the section, its "BORDERSMASK" image and its "PATTERN" and
    // "HOTPATTERN" textures; -1 for none.
    int BorderIndex = -1;
    int SkinIndex = -1;
    int Texture = -1;
    int HotTexture = -1;
    // The graphic child control being repainted (skin command 15).
    TControl* GraphControl = nullptr;
    // A locked object always reports a background that depends on what lies below.
    bool Locked = false;
    // The cached background must be rebuilt before the next paint.
    bool BGChanged = true;
    // The control was only partly visible when it was last painted.
    bool HalfVisible = true;
    // The control-type code; it chooses the default section.
    int COC = 0;
    bool Focused = false;
    bool MouseAbove = false;
    // Bit 0: the control paints without a cache bitmap (a solid background that is the same everywhere).
    uint16_t CtrlState = 0;
    // Kind of background of the section: 1 horizontal gradient, 2 vertical gradient, 3 both (the four
    // triangles), 4 texture.
    uint8_t BGType = 0;

private:
    friend bool CommonWndProc(TMessage& Message, TsCommonData* SkinData);

    // The manager that UpdateIndexes reads, and how the owner control hears of the result.
    void ReadIndexes(TsSkinManager* Manager);
    void TellOwner(TsSkinManager* Manager);
    // Takes the section's colours into an edit owner, unless it keeps its own.
    void ApplySectionColors();
    // The skin is gone for this object (skin command 2 of its manager): no indexes, painting held back, an empty
    // cache, an edit owner in its own colours.
    void DropSkin();

    // The own manager; when it goes without its removal reaching this object, the skin is dropped all the same.
    class TOwnManager : public TacManagerRef {
    public:
        explicit TOwnManager(TsCommonData* Data) : FData(Data) {}
        using TacManagerRef::operator=;

    protected:
        void ManagerGone() override { FData->DropSkin(); }

    private:
        TsCommonData* FData;
    };

    std::string FSkinSection;
    bool FCustomFont = false;
    bool FCustomColor = false;
    TOwnManager FSkinManager{this};
    TControl* FOwnerControl = nullptr;
    TObject* FOwnerObject = nullptr;
    std::unique_ptr<TBitmap> FCacheBmp;
};

// InitCacheBmp of that skin data (nothing for nil).
void InitCacheBmp(TsCommonData* SkinData);

// The section name that skin command 13 repaints the controls of; empty for none.
extern std::string acCurrentSkinSection;

// --- the shared handlers of skinned controls ---

// Answers the skin command message (commands up to 60) for a control with that skin data; true when the
// message is taken, so that the caller passes it on no further.
bool CommonWndProc(TMessage& Message, TsCommonData* SkinData);
// Keeps the skin data's flags in step with the standard messages that change the control's focus, hover,
// visibility, position, size or enabled state, and answers the skin command message through CommonWndProc;
// true when the message is taken.
bool CommonMessage(TMessage& Message, TsCommonData* SkinData);

// --- background ---

// The control's background colour: its own without a skin, else its section's (Hot: the hot one) mixed with
// the parent's as the section is transparent, the parent's share being Transparency / 100. Wnd is asked
// instead of a parent control when the skin data has no owner control.
TColor GetBGColor(TsCommonData* SkinData, bool Hot, HWND Wnd);
// Fills Info (skin command 34) for a child of this control: a colour, the control's cache bitmap, or what the
// parent tells when the section shows the parent through; with Info.PleaseDraw the background is painted into
// Info.DrawDC at Info.R instead.
void GetBGInfo(TsCommonData* SkinData, TacBGInfo& Info, bool Hot, HWND Wnd);
// The widest side of the section's border image; 0 without one or for a border drawn only with a state.
int GetMaxBorderWidth(TsCommonData* SkinData);
// What lies under the control, as the parent tells it; the control's own background colour when it is not
// skinned or has no parent.
void GetParentCacheInfo(TsCommonData* SkinData, TCacheInfo& CacheInfo);
// What lies under the window, as its parent window tells it (not ready when it does not); false when the window
// has no parent or the parent gives no answer, which leaves the colour as it was.
bool GetParentWndCacheInfo(HWND Wnd, TCacheInfo& CacheInfo);
// Copies R of the control's cache bitmap (from Offset) to DC, leaving out the children that paint themselves
// (shifted by Left and Top); UpdateCorners redoes the cache's borders first.
void CopyWinControlCache(TWinControl* Control, TsCommonData* SkinData, const TPoint& Offset, int Top, int Left,
                         bool UpdateCorners, HDC DC, const TRect& R);
// The same for a window: its child windows are left out (a group box only by its frame strips, so that what it
// holds is painted), and the cache is copied from SrcRect's origin.
void CopyHwndCache(HWND Wnd, TsCommonData* SkinData, const TRect& SrcRect, int Top, int Left, bool UpdateCorners,
                   HDC DC, const TRect& R);

// The index of the section whose font colours Control's text takes: the parent's section when it gives its own
// font (GiveOwnFont), the parent's parent's when the parent's section is more than half transparent, and so on;
// DefIndex otherwise. The parent tells its section through skin command 26.
int GetFontIndex(TControl* Control, int DefIndex, TsSkinManager* Manager);
